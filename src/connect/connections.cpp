#include "connect/connections.h"

#include "link/udp_link.h"

namespace tarvo
{

void ClearConnections(Connections& connections)
{
    connections.clear();
}

void AddConnection(Connections& connections, const ClockConnection& record)
{
    connections.append(record);
}

ClockConnection SerialFindConnection(int port, int clockType)
{
    ClockConnection found;
    found.ConnectionType = ConnectionKind::Serial;
    found.Comport = static_cast<qint16>(port);
    found.IPAddressValue = 0;
    found.IPaddress.clear();
    found.ClockType = static_cast<qint16>(clockType);
    return found;
}

ClockConnection DiscoveredNetworkConnection(quint32 senderAddress)
{
    ClockConnection found;
    found.ConnectionType = ConnectionKind::Network;
    found.Comport = 0;
    found.IPAddressValue = senderAddress;
    found.IPaddress = AddressToString(senderAddress);
    found.ClockType = 0;
    return found;
}

SearchGridRow SearchGridRowFor(const ClockConnection& entry)
{
    if (entry.ConnectionType == ConnectionKind::Network)
        return {entry.IPaddress, QStringLiteral("Network")};
    return {QStringLiteral("Comport %1").arg(entry.Comport), QStringLiteral("Serial Port")};
}

QString SearchingStatusText()
{
    return QStringLiteral("Searching for connections ...");
}

QString SearchStatusText(qsizetype count)
{
    return QStringLiteral("Found %1 %2")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("connection.") : QStringLiteral("connections."));
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "connect/connections.h"

#include "clock/clock_model.h"
#include "link/udp_link.h"

namespace tarvo
{

void ClearConnections(Connections& connections)
{
    connections.clear();
}

namespace
{
// An address as the clock would be reached: dotted text compares by value, so
// "127.0.0.7" and " 127.0.0.7" are one clock; a host name by its text.
bool SameAddress(const QString& a, const QString& b)
{
    const quint32 first = ParseAddress(a);
    const quint32 second = ParseAddress(b);
    if (first != InvalidAddress || second != InvalidAddress)
        return first == second;
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0 && !a.trimmed().isEmpty();
}
} // namespace

bool SameLink(const ClockConnection& a, const ClockConnection& b)
{
    if (a.ConnectionType != b.ConnectionType)
        return false;
    if (a.ConnectionType == ConnectionKind::Network)
        return SameAddress(a.IPaddress, b.IPaddress);
    return a.Comport == b.Comport;
}

void AddConnection(Connections& connections, const ClockConnection& record)
{
    for (ClockConnection& entry : connections) {
        if (!SameLink(entry, record))
            continue;
        // The first model heard stays: the clock in use keeps the model it
        // talks with, and a discovery answer (which names no model) takes
        // nothing away from it.
        if (!FindModel(entry.ClockType) && FindModel(record.ClockType))
            entry.ClockType = record.ClockType;
        return;
    }
    connections.append(record);
}

ClockConnection SerialFindConnection(int port, const ClockModel& model)
{
    ClockConnection found;
    found.ConnectionType = ConnectionKind::Serial;
    found.Comport = static_cast<qint16>(port);
    found.IPAddressValue = 0;
    found.IPaddress.clear();
    found.ClockType = static_cast<qint16>(model.code);
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

SearchGridRow SearchGridRowFor(const ClockConnection& entry, const QString& device,
                               const ClockConnection* inUse)
{
    SearchGridRow row;
    if (entry.ConnectionType == ConnectionKind::Network) {
        row.connection = entry.IPaddress;
        row.type = QStringLiteral("Network");
        row.device = entry.IPaddress;
    } else {
        row.connection = QStringLiteral("Comport %1").arg(entry.Comport);
        row.type = QStringLiteral("Serial Port");
        row.device = device;
    }
    const ClockModel* model = FindModel(entry.ClockType);
    row.model = model ? QString::number(model->number) : QLatin1String(UnknownModelText);
    if (inUse && SameLink(entry, *inUse))
        row.inUse = QLatin1String(InUseText);
    return row;
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

QString SearchCancelledStatusText()
{
    return QStringLiteral("Search cancelled.");
}

} // namespace tarvo

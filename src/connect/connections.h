#pragma once

#include "connect/clock_connection.h"

#include <QList>
#include <QString>
#include <array>

namespace tarvo
{

// The clocks found by the last search, in the order they were found. The same
// clock may appear more than once (once per model that answered on a port, the
// connection in use ahead of its rediscovery), and that is kept: the search
// window lists what answered.
using Connections = QList<ClockConnection>;

void ClearConnections(Connections& connections);
void AddConnection(Connections& connections, const ClockConnection& record);

// A clock that answered on serial port `port` (1 = first) to the probe of
// model `clockType`.
ClockConnection SerialFindConnection(int port, int clockType);

// A clock that answered the discovery broadcast. `senderAddress` is the sender
// as received (first octet in the high byte); its model is not known yet.
ClockConnection DiscoveredNetworkConnection(quint32 senderAddress);

// One row of the search grid, after its tick cell.
struct SearchGridRow {
    QString connection; // the address, or "Comport " and the port number
    QString type;       // "Network" or "Serial Port"

    bool operator==(const SearchGridRow&) const = default;
};

SearchGridRow SearchGridRowFor(const ClockConnection& entry);

// Header captions of the two text columns, and the widths of the tick,
// connection and type columns.
inline constexpr std::array<const char*, 2> SearchGridCaptions = {"Connection", "Type"};
inline constexpr std::array<int, 3> SearchGridColumnWidths = {20, 50, 30};

// Status bar texts of the search window.
QString SearchingStatusText();
QString SearchStatusText(qsizetype count); // "Found 1 connection.", "Found 0 connections."

} // namespace tarvo

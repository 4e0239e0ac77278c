// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connect/clock_connection.h"

#include <QList>
#include <QString>
#include <array>

namespace tarvo
{

struct ClockModel;

// The clocks found by the last search, in the order they were found, one
// entry per link. A clock found again over a link already listed (the clock in
// use ahead of its rediscovery, a port that answered two models' probes, a
// clock that answered the discovery twice) stays one entry, or the operator
// could not tell the entries apart. A clock heard on a port and on the network
// is two entries: those are two links to choose from.
using Connections = QList<ClockConnection>;

// True when both reach a clock over the same link: the same serial port, or
// the same network address.
bool SameLink(const ClockConnection& a, const ClockConnection& b);

void ClearConnections(Connections& connections);
// Appends `record`, or folds it into the entry of the same link, which keeps
// its place and learns the model when it did not know it yet.
void AddConnection(Connections& connections, const ClockConnection& record);

// A clock that answered on serial port `port` (1 = first) to the probe of
// model `clockType`.
ClockConnection SerialFindConnection(int port, const ClockModel& model);

// A clock that answered the discovery broadcast. `senderAddress` is the sender
// as received (first octet in the high byte); its model is not known yet.
ClockConnection DiscoveredNetworkConnection(quint32 senderAddress);

// One row of the search grid, after its tick cell.
struct SearchGridRow {
    QString connection; // the address, or "Comport " and the port number
    QString type;       // "Network" or "Serial Port"
    QString model;      // "229"; UnknownModelText until the clock has told
    QString device;     // the serial device's path, or the address
    QString inUse;      // InUseText on the row of the clock in use, else empty

    bool operator==(const SearchGridRow&) const = default;
};

inline constexpr const char* UnknownModelText = "Unknown";
inline constexpr const char* InUseText = "In use";

// The row of `entry`. `device` is the path behind a serial entry's port (the
// connect layer knows port numbers only); `inUse` is the connection of the
// clock the program talks to now, or null when none answers.
SearchGridRow SearchGridRowFor(const ClockConnection& entry, const QString& device = {},
                               const ClockConnection* inUse = nullptr);

// Header captions of the text columns, and the widths of the tick and text
// columns.
inline constexpr std::array<const char*, 5> SearchGridCaptions = {"Connection", "Type", "Model",
                                                                  "Device or Address", "In Use"};
inline constexpr std::array<int, 6> SearchGridColumnWidths = {20, 30, 25, 20, 40, 18};

// Status bar texts of the search window.
QString SearchingStatusText();
QString SearchStatusText(qsizetype count); // "Found 1 connection.", "Found 0 connections."
QString SearchCancelledStatusText();

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The clock's own network configuration as a script reads and writes it. The
// JSON is decoded from, and written into, the 128-byte record with the same
// rules as the window's Network, Broadcast, NTP Server and Password controls.
// Pure: no I/O.

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

namespace tarvo
{

struct ClockModel;

QJsonObject NetworkToJson(QByteArrayView networkData, const ClockModel* model);

// Writes the fields `json` names into a copy of `current`; the rest of the
// record stays as the clock sent it. Problems come back as "field: reason",
// and the record is only to be sent when there are none.
struct NetworkParse {
    QByteArray record;
    QStringList errors;
};
NetworkParse NetworkFromJson(const QJsonObject& json, const QByteArray& current,
                             const ClockModel* model);

// Dotted text of the record's own address.
QString NetworkAddressOf(QByteArrayView networkData);

} // namespace tarvo

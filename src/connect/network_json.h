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
// The names of NetworkToJson's fields in the record's order (then those within
// the servers and the broadcast addresses), for text listing them so.
const QStringList& NetworkFieldOrder();

// What stands for the clock's password in the JSON when it is not shown.
// Read back by NetworkFromJson, it keeps the clock's password: a file written
// without the password can be sent back as it is. It cannot be a password
// (those are four characters).
inline const QString HiddenPasswordText = QStringLiteral("(hidden)");

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

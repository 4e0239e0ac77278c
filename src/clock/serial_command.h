// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace tarvo
{

struct ClockModel;

// One serial command before it is framed: the command byte and its payload.
// An empty payload means the command goes out without payload.
struct SerialCommand {
    quint8 command = 0;
    QByteArray payload;

    bool operator==(const SerialCommand&) const = default;
};

// The wire frames of `commands`, in order, each with the trailer of `clockType`.
QList<QByteArray> BuildSerialFrames(const QList<SerialCommand>& commands, const ClockModel& model);

// A payload made of small values, each stored as one unsigned byte.
QByteArray PayloadOf(std::initializer_list<int> values);

} // namespace tarvo

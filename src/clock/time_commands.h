// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock/serial_command.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QTime>
#include <QtGlobal>

namespace tarvo
{

// The time and date the set-time command sends, as the pickers last showed them.
struct TimeData {
    quint8 Hour = 0;
    quint8 Minute = 0;
    quint8 Second = 0;
    bool operator==(const TimeData&) const = default;
};

struct DateData {
    quint8 Day = 1;
    quint8 Month = 1;
    quint8 YearOffset = 0; // years since 2000, modulo 255
    bool operator==(const DateData&) const = default;
};

namespace AdjustType
{
inline constexpr int Subsecond = 1; // a 5-millisecond step
inline constexpr int Hour = 2;
} // namespace AdjustType

namespace AdjustDirection
{
inline constexpr int Retard = 1;
inline constexpr int Advance = 2;
} // namespace AdjustDirection

TimeData TimeDataFrom(QTime time);
// The clock counts years from 2000 in one byte; the offset wraps at 255, so 2255
// goes out as 0. Years before 2000 wrap the same way (1999 gives 254).
DateData DateDataFrom(QDate date);

// Serial: command 3 with hour, minute, second, then 4 with day, month, year offset.
QList<SerialCommand> TimeAndDateSerialCommands(const TimeData& time, const DateData& date);
// Serial: 10 for the 5-millisecond step, 11 for any other type, payload 0 and the
// direction.
SerialCommand TimeAdjustSerialCommand(int adjustType, int adjustDirection);
// Serial: 0 without payload, the modem "update now".
SerialCommand ModemUpdateNowSerialCommand();

// Network: code 9 with hour, minute, second, day, month, year offset.
QByteArray TimeAndDateDatagram(QByteArrayView password4, const TimeData& time,
                               const DateData& date);
// Network: code 15 with the adjust type and direction.
QByteArray TimeAdjustDatagram(QByteArrayView password4, int adjustType, int adjustDirection);

} // namespace tarvo

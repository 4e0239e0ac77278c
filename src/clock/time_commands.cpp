// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/time_commands.h"

#include "link/datagram.h"

namespace tarvo
{

TimeData TimeDataFrom(QTime time)
{
    if (!time.isValid())
        return {};
    return {static_cast<quint8>(time.hour()), static_cast<quint8>(time.minute()),
            static_cast<quint8>(time.second())};
}

DateData DateDataFrom(QDate date)
{
    if (!date.isValid())
        return {};
    const int offset = ((date.year() - 2000) % 255 + 255) % 255;
    return {static_cast<quint8>(date.day()), static_cast<quint8>(date.month()),
            static_cast<quint8>(offset)};
}

QList<SerialCommand> TimeAndDateSerialCommands(const TimeData& time, const DateData& date)
{
    return {{3, PayloadOf({time.Hour, time.Minute, time.Second})},
            {4, PayloadOf({date.Day, date.Month, date.YearOffset})}};
}

SerialCommand TimeAdjustSerialCommand(int adjustType, int adjustDirection)
{
    const quint8 command = adjustType == AdjustType::Subsecond ? 10 : 11;
    return {command, PayloadOf({0, adjustDirection})};
}

SerialCommand ModemUpdateNowSerialCommand()
{
    return {0, {}};
}

QByteArray TimeAndDateDatagram(QByteArrayView password4, const TimeData& time, const DateData& date)
{
    return BuildDatagram(
        DatagramCode::SetTimeAndDate, password4,
        PayloadOf({time.Hour, time.Minute, time.Second, date.Day, date.Month, date.YearOffset}));
}

QByteArray TimeAdjustDatagram(QByteArrayView password4, int adjustType, int adjustDirection)
{
    return BuildDatagram(DatagramCode::TimeAdjust, password4,
                         PayloadOf({adjustType, adjustDirection}));
}

} // namespace tarvo

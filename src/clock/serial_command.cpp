// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/serial_command.h"
#include "clock/clock_model.h"

#include "link/bytes.h"
#include "link/serial_frame.h"

namespace tarvo
{

QList<QByteArray> BuildSerialFrames(const QList<SerialCommand>& commands, const ClockModel& model)
{
    QList<QByteArray> frames;
    frames.reserve(commands.size());
    for (const SerialCommand& c : commands)
        frames.append(BuildSerialFrame(c.command, c.payload, model));
    return frames;
}

QByteArray PayloadOf(std::initializer_list<int> values)
{
    QByteArray payload(static_cast<qsizetype>(values.size()), '\0');
    qsizetype i = 0;
    for (int v : values)
        SetByte(payload, i++, v);
    return payload;
}

} // namespace tarvo

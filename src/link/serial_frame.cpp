// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/serial_frame.h"

namespace tarvo
{

QByteArray BuildSerialFrameWithTrailer(quint8 command, QByteArrayView payload,
                                       QByteArrayView trailer)
{
    QByteArray frame;
    frame.reserve(payload.size() + 1 + trailer.size());
    frame.append(payload.data(), payload.size());
    frame.append(static_cast<char>(command));
    frame.append(trailer.data(), trailer.size());
    return frame;
}

QByteArray BuildIncomingFrame(quint8 endByte, QByteArrayView payload, quint8 startByte)
{
    QByteArray frame;
    frame.reserve(payload.size() + 2);
    frame.append(static_cast<char>(startByte));
    frame.append(payload.data(), payload.size());
    frame.append(static_cast<char>(endByte));
    return frame;
}

} // namespace tarvo

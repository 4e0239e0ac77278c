#include "link/serial_frame.h"

namespace tarvo
{

QByteArray TrailerFor(int clockType)
{
    switch (clockType) {
    case 2:
        return QByteArrayLiteral("$VX-229X");
    case 3:
        return QByteArrayLiteral("$VX-207U");
    case 4:
        return QByteArrayLiteral("$VX-222U");
    default:
        return QByteArrayLiteral("$VX-226U");
    }
}

QByteArray BuildSerialFrame(quint8 command, QByteArrayView payload, int clockType)
{
    QByteArray frame;
    frame.reserve(payload.size() + 1 + SerialTrailerLength);
    frame.append(payload.data(), payload.size());
    frame.append(static_cast<char>(command));
    frame.append(TrailerFor(clockType));
    return frame;
}

std::optional<OutgoingFrame> ParseOutgoingFrame(QByteArrayView frame)
{
    if (frame.size() < 1 + SerialTrailerLength)
        return std::nullopt;
    const QByteArrayView trailer = frame.last(SerialTrailerLength);
    OutgoingFrame out;
    for (int type = 1; type <= 4; ++type) {
        if (trailer == TrailerFor(type)) {
            out.clockType = type;
            break;
        }
    }
    if (out.clockType == 0)
        return std::nullopt;
    const qsizetype commandAt = frame.size() - SerialTrailerLength - 1;
    out.command = static_cast<quint8>(frame[commandAt]);
    out.payload = frame.first(commandAt).toByteArray();
    return out;
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

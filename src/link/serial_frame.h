#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace tarvo
{

// Outgoing serial frame: payload, command byte, then the 8-byte model trailer
// "$VX-" + three model digits + suffix letter. No length, checksum or escaping.
inline constexpr int SerialTrailerLength = 8;

// The trailer chosen by model code: 2 -> "$VX-229X", 3 -> "$VX-207U",
// 4 -> "$VX-222U", every other value -> "$VX-226U".
QByteArray TrailerFor(int clockType);

// Builds the whole frame. An empty payload gives the 9-byte frame of a command
// sent without payload.
QByteArray BuildSerialFrame(quint8 command, QByteArrayView payload, int clockType);

// The clock's view of an outgoing frame: the command byte, the payload before it
// and the model code whose trailer ends it (0 when the trailer is none of the four).
struct OutgoingFrame {
    quint8 command = 0;
    QByteArray payload;
    int clockType = 0;
};

// Splits a complete outgoing frame; nullopt when it is shorter than 9 bytes or
// does not end in a known trailer. Used by the simulated clock and by tests.
std::optional<OutgoingFrame> ParseOutgoingFrame(QByteArrayView frame);

// Incoming frames (clock to computer): start byte, payload, end byte.
namespace FrameByte {
inline constexpr quint8 StartA = 0xFF;
inline constexpr quint8 StartB = 0xFD;
inline constexpr quint8 StartC = 0xFB;
inline constexpr quint8 StartD = 0xF9;
inline constexpr quint8 EndTimeReport = 0xFE;
inline constexpr quint8 EndClockSettings = 0xFC;
inline constexpr quint8 EndNetworkSettings = 0xFA;
inline constexpr quint8 EndDstDates = 0xF8;
} // namespace FrameByte

inline bool IsStartByte(quint8 b)
{
    return b == 0xFF || b == 0xFD || b == 0xFB || b == 0xF9;
}

// Wraps a record as the clock sends it. Payload bytes must be below 0xF8.
QByteArray BuildIncomingFrame(quint8 endByte, QByteArrayView payload,
                              quint8 startByte = FrameByte::StartA);

} // namespace tarvo

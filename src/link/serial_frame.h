// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace tarvo
{

// Outgoing serial frame: payload, command byte, then the 8-byte model trailer
// "$VX-" + three model digits + suffix letter. No length, checksum or escaping.
inline constexpr int SerialTrailerLength = 8;

// Builds the whole frame with the given trailer (the model's, see the model
// table). An empty payload gives the 9-byte frame of a command sent without
// payload.
QByteArray BuildSerialFrameWithTrailer(quint8 command, QByteArrayView payload,
                                       QByteArrayView trailer);

// Incoming frames (clock to computer): start byte, payload, end byte.
namespace FrameByte
{
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

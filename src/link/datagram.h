// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace tarvo
{

// Every datagram the program sends is 131 bytes: the code in byte 0, the four
// password bytes in 1 to 4, the payload from byte 5, zeros where nothing is set.
inline constexpr int DatagramLength = 131;
inline constexpr int DatagramPayloadOffset = 5;
inline constexpr int DatagramPayloadLength = DatagramLength - DatagramPayloadOffset;
inline constexpr int ReceiveLimit = 256;
inline constexpr quint16 ClockPort = 10000;

// Datagram codes sent to the clock.
namespace DatagramCode
{
inline constexpr quint8 RequestNetworkSettings = 0;
inline constexpr quint8 RequestMasterSettings = 3;
inline constexpr quint8 Discovery = 4;
inline constexpr quint8 NetworkSettings = 5;
inline constexpr quint8 MasterSettings = 8;
inline constexpr quint8 SetTimeAndDate = 9;
inline constexpr quint8 FactoryDefaults = 10;
inline constexpr quint8 Resync = 11;
inline constexpr quint8 DstDates = 12;
inline constexpr quint8 RequestDstDates = 13;
inline constexpr quint8 TimeAdjust = 15;
inline constexpr quint8 NetworkSettingsCommit = 20;
} // namespace DatagramCode

// Reply codes in byte 0 of what the clock sends back.
namespace ReplyCode
{
inline constexpr quint8 NetworkSettings = 0x00;
inline constexpr quint8 MasterSettings = 0x03;
inline constexpr quint8 Discovery = 0x04;
inline constexpr quint8 DstDates = 0x0D;
inline constexpr quint8 PasswordRefused = 0xFF;
} // namespace ReplyCode

// The access password as it travels: exactly four bytes. Shorter text is padded
// with blanks, longer text is cut to its first four characters.
QByteArray PasswordBytes(QByteArrayView text);

// Builds a 131-byte datagram. `password` supplies bytes 1 to 4 (padded as above);
// `payload` is copied from byte 5 and cut at byte 130.
QByteArray BuildDatagram(quint8 code, QByteArrayView password, QByteArrayView payload = {});

// The discovery datagram: code 4, bytes 1 to 130 zero (it carries no password).
QByteArray BuildDiscoveryDatagram();

} // namespace tarvo

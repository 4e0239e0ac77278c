// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The DST tables as they travel: the 101-byte record the clock reports and the
// serial frames and datagram that send new tables. Pure codecs, no I/O.
//
// Only day numbers travel per year. The month of every entry is the header's
// month and the year of entry i is 2000 + start year + i, in both directions.

#include "dst/dst_calc.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <utility>

namespace tarvo
{

inline constexpr int DstRecordLength = 101;

namespace DstSerialCommand
{
inline constexpr quint8 Header = 21; // months, hours, start year
inline constexpr quint8 Years0To15 = 22;
inline constexpr quint8 Years16To31 = 23;
inline constexpr quint8 Years32To47 = 24;
} // namespace DstSerialCommand

// The clock's current tables as decoded from its record.
struct DstTables {
    std::array<QDate, 48> spring;
    std::array<QDate, 48> fall;
    int springHour = 0;
    int fallHour = 0;
    // False when the record was refused; the caller then keeps what it had.
    bool present = false;
};

// Decodes the clock's 101-byte record (header 0 start year, 1 spring hour,
// 2 fall hour, 3 spring month, 4 fall month; then day pairs spring/fall).
// Out-of-range header fields are replaced (start year outside 5..100 -> 5,
// hour > 23 -> 0, month > 12 -> 1, month 0 kept); day numbers roll over: day 0
// is the last day of the month before, a day past the month's end continues
// into the following month(s), month 0 is December of the year before.
// A record shorter than 101 bytes is refused (present = false) rather than
// padded, because zero-filled days would turn into plausible but wrong dates.
// Bytes beyond 101 are ignored.
DstTables ParseDSTDates(const QByteArray& record101);

// The four serial commands that send the tables, as (command, payload) pairs in
// sending order, for BuildSerialFrame: 21 carries FallMonth, SpringMonth,
// FallHour, SpringHour, StartYear; 22, 23 and 24 carry 16 years each as
// (spring day, fall day) pairs. Months and hours come from the rules.
QList<std::pair<quint8, QByteArray>> DstSerialFrames(const std::array<QDate, 48>& s,
                                                     const std::array<QDate, 48>& f,
                                                     const DstRule& spring, const DstRule& fall,
                                                     int StartYear);

// The 131-byte datagram (code 12) that sends the tables over the network:
// 5 FallMonth, 6 SpringMonth, 7 FallHour, 8 SpringHour, 9 StartYear,
// 10 + 2i spring day, 11 + 2i fall day, the rest zero.
QByteArray DstDatagram(QByteArrayView password4, const std::array<QDate, 48>& s,
                       const std::array<QDate, 48>& f, const DstRule& spring, const DstRule& fall,
                       int StartYear);

// The record inside the clock's DST datagram (reply code 13): the five header
// bytes arrive in the opposite order (bytes 9 down to 5), the days from byte 10.
// Bytes beyond the datagram read as zeros.
QByteArray DstRecordFromDatagram(QByteArrayView datagram);

// The clock's record for these tables, the inverse of ParseDSTDates for tables
// built from the rules' months. For the simulated clock and for tests.
QByteArray BuildDstRecord(const std::array<QDate, 48>& s, const std::array<QDate, 48>& f,
                          const DstRule& spring, const DstRule& fall, int StartYear);

} // namespace tarvo

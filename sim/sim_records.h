// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <array>

namespace tarvo
{

// Byte layouts of the records this clock keeps and sends. Everything here is a
// pure function so that the layouts can be checked byte for byte.

inline constexpr int MasterRecordLength = 41;
inline constexpr int MasterNetworkLength = 16; // the part of the record datagrams carry
inline constexpr int NetworkRecordLength = 128;
inline constexpr int NetworkDatagramLength = 126; // datagrams carry bytes 0-125
inline constexpr int NetworkReplyLength = 768;    // record + two e-mail blocks, as nibbles
inline constexpr int SimDstRecordLength = 101;
inline constexpr int DstYears = 48;
inline constexpr int SimTimeReportLength = 12;

// Model number (226, 229, 207, 222) to model code (1 to 4); 0 for any other.
int ClockTypeForModel(int model);
// Model identifier byte 91 of the network record: 226 reports itself as 213.
quint8 ModelIdentifier(int clockType);

// The DST tables as the clock keeps them: header and one day of month per year.
struct SimDstTables {
    quint8 fallMonth = 0;
    quint8 springMonth = 0;
    quint8 fallHour = 0;
    quint8 springHour = 0;
    quint8 startYear = 0; // years after 2000
    std::array<quint8, DstYears> springDays{};
    std::array<quint8, DstYears> fallDays{};

    bool operator==(const SimDstTables&) const = default;
};

// United States rules: second Sunday of March and first Sunday of November,
// both at 2:00, for the 48 years from 2000 + startYear.
SimDstTables UsDstTables(int startYear);
// The 101-byte record: start year, spring hour, fall hour, spring month, fall
// month, then a spring day and a fall day per year.
QByteArray SimDstRecord(const SimDstTables& tables);
// Datagram payload (from byte 5): the header in the other order (fall month,
// spring month, fall hour, spring hour, start year), then the 96 days.
QByteArray DstDatagramPayload(const SimDstTables& tables);
// Reads the layout of DstDatagramPayload back (the form the program sends, too).
SimDstTables DstFromDatagramPayload(QByteArrayView payload);

// The master record of a clock fresh from the factory (41 bytes).
QByteArray FactoryMasterRecord(int clockType);
// Keeps only the bits a master record byte can hold, so that any value stored
// from a datagram can go out again over the serial link (all below 0x80).
quint8 MasterByteMask(int index);
// Model 226 keeps the list position (0 to 20, 10 = no offset) of its second
// offset; the serial setting carries the table code. -1 for an unknown code.
int Model226PositionForCode(int code);

// The network record of a fresh clock reachable at `address` (dotted text; when
// empty, 192.168.1.50 stands in). `password` is four bytes or empty for none.
QByteArray FactoryNetworkRecord(int clockType, const QString& address, QByteArrayView password);
// The 768-byte serial form: each record byte as low then high nibble, followed
// by two 128-byte e-mail blocks (zeros) in the same form.
QByteArray NetworkReplyPayload(QByteArrayView record);
// Dotted text of the four bytes at `offset`.
QString AddressAt(QByteArrayView record, int offset);

// The 12-byte time report for the clock time `time` (date and time fields as
// shown, no zone conversion). A year outside 2000-2099 is sent as 0xF7, which
// the program reads as "no valid time".
QByteArray TimeReportPayload(const QDateTime& time, bool gpsLocked);

// Replaces bytes the serial link reserves as frame delimiters (0xF8 and above)
// by zero; returns how many were replaced.
int MakeSerialSafe(QByteArray& payload);

} // namespace tarvo

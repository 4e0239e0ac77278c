// SPDX-License-Identifier: GPL-3.0-or-later
#include "dst/dst_record.h"

#include "link/bytes.h"
#include "link/datagram.h"

namespace tarvo
{

namespace
{

constexpr int DayPairsOffset = 5;
constexpr int DayBytesPerBlock = 32;
constexpr int YearsPerBlock = DayBytesPerBlock / 2;

// Builds a date the way the clock's fields are meant: month and day are offsets
// from the start of the year, so out-of-range values move into neighbouring
// months instead of giving an invalid date.
QDate RolledDate(int year, int month, int day)
{
    return QDate(year, 1, 1).addMonths(month - 1).addDays(day - 1);
}

// Day numbers of both tables interleaved (spring, fall) for years first..first+count-1.
QByteArray DayPairs(const DstDateTable& s, const DstDateTable& f, int first, int count)
{
    QByteArray bytes(2 * count, '\0');
    for (int i = 0; i < count; ++i) {
        SetByte(bytes, 2 * i, s[first + i].day());
        SetByte(bytes, 2 * i + 1, f[first + i].day());
    }
    return bytes;
}

} // namespace

DstTables ParseDSTDates(const QByteArray& record101)
{
    DstTables tables;
    if (record101.size() < DstRecordLength)
        return tables;

    int startYear = ByteAt(record101, 0);
    if (startYear < 5 || startYear > 100)
        startYear = 5;
    const auto hour = [&](int offset) {
        const int value = ByteAt(record101, offset);
        return value > 23 ? 0 : value;
    };
    const auto month = [&](int offset) {
        const int value = ByteAt(record101, offset);
        return value > 12 ? 1 : value;
    };
    tables.springHour = hour(1);
    tables.fallHour = hour(2);
    const int springMonth = month(3);
    const int fallMonth = month(4);

    for (int i = 0; i < DstTableYears; ++i) {
        const int year = 2000 + startYear + i;
        tables.spring[i] = RolledDate(year, springMonth, ByteAt(record101, DayPairsOffset + 2 * i));
        tables.fall[i] = RolledDate(year, fallMonth, ByteAt(record101, DayPairsOffset + 2 * i + 1));
    }
    tables.present = true;
    return tables;
}

QList<std::pair<quint8, QByteArray>> DstSerialFrames(const std::array<QDate, 48>& s,
                                                     const std::array<QDate, 48>& f,
                                                     const DstRule& spring, const DstRule& fall,
                                                     int StartYear)
{
    QByteArray header(5, '\0');
    SetByte(header, 0, fall.Month);
    SetByte(header, 1, spring.Month);
    SetByte(header, 2, fall.Hour);
    SetByte(header, 3, spring.Hour);
    SetByte(header, 4, StartYear);
    return {
        {DstSerialCommand::Header, header},
        {DstSerialCommand::Years0To15, DayPairs(s, f, 0, YearsPerBlock)},
        {DstSerialCommand::Years16To31, DayPairs(s, f, YearsPerBlock, YearsPerBlock)},
        {DstSerialCommand::Years32To47, DayPairs(s, f, 2 * YearsPerBlock, YearsPerBlock)},
    };
}

QByteArray DstDatagram(QByteArrayView password4, const std::array<QDate, 48>& s,
                       const std::array<QDate, 48>& f, const DstRule& spring, const DstRule& fall,
                       int StartYear)
{
    // The payload starts at datagram byte 5, so payload index n is byte 5 + n.
    QByteArray payload(5, '\0');
    SetByte(payload, 0, fall.Month);
    SetByte(payload, 1, spring.Month);
    SetByte(payload, 2, fall.Hour);
    SetByte(payload, 3, spring.Hour);
    SetByte(payload, 4, StartYear);
    payload += DayPairs(s, f, 0, DstTableYears);
    return BuildDatagram(DatagramCode::DstDates, password4, payload);
}

QByteArray BuildDstRecord(const std::array<QDate, 48>& s, const std::array<QDate, 48>& f,
                          const DstRule& spring, const DstRule& fall, int StartYear)
{
    QByteArray record(DayPairsOffset, '\0');
    SetByte(record, 0, StartYear);
    SetByte(record, 1, spring.Hour);
    SetByte(record, 2, fall.Hour);
    SetByte(record, 3, spring.Month);
    SetByte(record, 4, fall.Month);
    record += DayPairs(s, f, 0, DstTableYears);
    return record;
}

QByteArray DstRecordFromDatagram(QByteArrayView datagram)
{
    QByteArray record(DstRecordLength, '\0');
    for (int i = 0; i < 5; ++i)
        SetByte(record, i, ByteAt(datagram, 9 - i));
    for (int i = 5; i < DstRecordLength; ++i)
        SetByte(record, i, ByteAt(datagram, DatagramPayloadOffset + i));
    return record;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_records.h"

#include "clock/clock_model.h"
#include "link/bytes.h"

#include <QDate>
#include <QHostAddress>

namespace tarvo
{

int ClockTypeForModel(int model)
{
    return ModelCodeForNumber(model);
}

quint8 ModelIdentifier(int clockType)
{
    switch (clockType) {
    case 2:
        return 229;
    case 3:
        return 207;
    case 4:
        return 222;
    default:
        return 213;
    }
}

namespace
{

int FirstSunday(int year, int month)
{
    const int weekday = QDate(year, month, 1).dayOfWeek(); // 1 Monday ... 7 Sunday
    return 1 + (7 - weekday % 7) % 7;
}

void PutAddress(QByteArray& record, int offset, const QString& text)
{
    const quint32 value = QHostAddress(text).toIPv4Address();
    for (int i = 0; i < 4; ++i)
        SetByte(record, offset + i, static_cast<int>(value >> (24 - 8 * i)));
}

void PutWord(QByteArray& record, int offset, int value)
{
    SetByte(record, offset, value);
    SetByte(record, offset + 1, value >> 8);
}

} // namespace

SimDstTables UsDstTables(int startYear)
{
    SimDstTables tables;
    tables.springMonth = 3;
    tables.fallMonth = 11;
    tables.springHour = 2;
    tables.fallHour = 2;
    tables.startYear = static_cast<quint8>(startYear);
    for (int i = 0; i < DstYears; ++i) {
        const int year = 2000 + startYear + i;
        tables.springDays[i] = static_cast<quint8>(FirstSunday(year, 3) + 7);
        tables.fallDays[i] = static_cast<quint8>(FirstSunday(year, 11));
    }
    return tables;
}

QByteArray SimDstRecord(const SimDstTables& tables)
{
    QByteArray record(SimDstRecordLength, '\0');
    SetByte(record, 0, tables.startYear);
    SetByte(record, 1, tables.springHour);
    SetByte(record, 2, tables.fallHour);
    SetByte(record, 3, tables.springMonth);
    SetByte(record, 4, tables.fallMonth);
    for (int i = 0; i < DstYears; ++i) {
        SetByte(record, 5 + 2 * i, tables.springDays[i]);
        SetByte(record, 6 + 2 * i, tables.fallDays[i]);
    }
    return record;
}

QByteArray DstDatagramPayload(const SimDstTables& tables)
{
    QByteArray payload(5 + 2 * DstYears, '\0');
    SetByte(payload, 0, tables.fallMonth);
    SetByte(payload, 1, tables.springMonth);
    SetByte(payload, 2, tables.fallHour);
    SetByte(payload, 3, tables.springHour);
    SetByte(payload, 4, tables.startYear);
    for (int i = 0; i < DstYears; ++i) {
        SetByte(payload, 5 + 2 * i, tables.springDays[i]);
        SetByte(payload, 6 + 2 * i, tables.fallDays[i]);
    }
    return payload;
}

SimDstTables DstFromDatagramPayload(QByteArrayView payload)
{
    SimDstTables tables;
    tables.fallMonth = ByteAt(payload, 0);
    tables.springMonth = ByteAt(payload, 1);
    tables.fallHour = ByteAt(payload, 2);
    tables.springHour = ByteAt(payload, 3);
    tables.startYear = ByteAt(payload, 4);
    for (int i = 0; i < DstYears; ++i) {
        tables.springDays[i] = ByteAt(payload, 5 + 2 * i);
        tables.fallDays[i] = ByteAt(payload, 6 + 2 * i);
    }
    return tables;
}

QByteArray FactoryMasterRecord(int clockType)
{
    QByteArray record(MasterRecordLength, '\0');
    SetByte(record, 0, 5 + 64);         // UTC-5 (Eastern), automatic DST
    SetByte(record, 1, 8 * 1 + 32);     // date format M-D-Y, 24-hour time code
    SetByte(record, 2, 0 + 8 + 16 * 2); // SMPTE drop frame, resync on, 5-frame window
    SetByte(record, 5, 3);              // resync at 03:00:00 (bytes second, minute, hour)
    SetByte(record, 6, 50);             // no millisecond offset
    const int relays[4][2] = {{0, 0}, {30, 15}, {0, 30}, {30, 45}}; // seconds, minutes
    for (int k = 0; k < 4; ++k) {
        SetByte(record, 7 + 2 * k, relays[k][0]);
        SetByte(record, 8 + 2 * k, relays[k][1]);
    }
    int byte15 = 2; // 24-hour display, default DST dates
    switch (clockType) {
    case 1:
        byte15 += 4 * 10; // list position of "0"
        break;
    case 4:
        byte15 += 4 * 10; // code of n is n + 10
        break;
    case 3:
        byte15 += 4; // rising edge
        break;
    default:
        break; // model 229: code 0 is no offset
    }
    SetByte(record, 15, byte15);
    if (clockType == 4) {
        const int digits[] = {5, 5, 5, 0, 1, 2, 3};
        for (int i = 0; i < 20; ++i)
            SetByte(record, 18 + i, i < 7 ? digits[i] : 0x0F);
        SetByte(record, 38, 30); // first call at 02:30
        SetByte(record, 39, 2);
        SetByte(record, 40, 1); // one update a day
    }
    return record;
}

quint8 MasterByteMask(int index)
{
    if ((index >= 3 && index <= 5) || (index >= 7 && index <= 14) || index == 38)
        return 63;
    if (index >= 18 && index <= 37)
        return 0x0F;
    if (index == 39)
        return 31;
    if (index == 40)
        return 7;
    if (index == 16 || index == 17)
        return 0;
    return 127;
}

int Model226PositionForCode(int code)
{
    static constexpr int codes[21] = {8, 16, 24, 32, 40, 48, 56,  64,  5,   1,  0,
                                      2, 6,  72, 80, 88, 96, 104, 112, 120, 128};
    for (int position = 0; position < 21; ++position) {
        if (codes[position] == code)
            return position;
    }
    return -1;
}

QByteArray FactoryNetworkRecord(int clockType, const QString& address, QByteArrayView password)
{
    const QString own = address.isEmpty() ? QStringLiteral("192.168.1.50") : address;
    const QString prefix = own.left(own.lastIndexOf(QLatin1Char('.')) + 1);
    QByteArray record(NetworkRecordLength, '\0');
    PutAddress(record, 0, own);
    SetByte(record, 6, 8); // 255.255.255.0
    for (int i = 0; i < 4 && i < password.size(); ++i)
        SetByte(record, 8 + i, ByteAt(password, i));
    PutAddress(record, 12, prefix + QStringLiteral("1"));
    PutWord(record, 20, 10000);
    PutAddress(record, 65, prefix + QStringLiteral("1"));
    if (clockType == 2) {
        PutWord(record, 22, 123); // two time servers, NTP port
        PutAddress(record, 24, prefix + QStringLiteral("2"));
        PutWord(record, 69, 123);
        PutAddress(record, 71, prefix + QStringLiteral("3"));
        PutWord(record, 88, 60); // minutes between updates
    } else if (clockType == 1 || clockType == 3) {
        PutAddress(record, 22, prefix + QStringLiteral("255")); // broadcast 1 only
        PutWord(record, 88, 1);                                 // broadcast every minute
        SetByte(record, 90, 1);
    }
    SetByte(record, 91, ModelIdentifier(clockType));
    return record;
}

QByteArray NetworkReplyPayload(QByteArrayView record)
{
    QByteArray payload(NetworkReplyLength, '\0');
    for (int i = 0; i < NetworkRecordLength; ++i) {
        const quint8 value = ByteAt(record, i);
        SetByte(payload, 2 * i, value & 0x0F);
        SetByte(payload, 2 * i + 1, value >> 4);
    }
    return payload;
}

QString AddressAt(QByteArrayView record, int offset)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(ByteAt(record, offset))
        .arg(ByteAt(record, offset + 1))
        .arg(ByteAt(record, offset + 2))
        .arg(ByteAt(record, offset + 3));
}

QByteArray TimeReportPayload(const QDateTime& time, bool gpsLocked)
{
    QByteArray payload(SimTimeReportLength, '\0');
    const QDate date = time.date();
    const QTime clock = time.time();
    const int year = date.year();
    SetByte(payload, 5, clock.second());
    SetByte(payload, 6, date.day());
    SetByte(payload, 7, date.month());
    SetByte(payload, 8, year >= 2000 && year <= 2099 ? year - 2000 : 0xF7);
    SetByte(payload, 9, clock.hour());
    SetByte(payload, 10, clock.minute());
    SetByte(payload, 11, gpsLocked ? 1 : 0);
    return payload;
}

int MakeSerialSafe(QByteArray& payload)
{
    int replaced = 0;
    for (qsizetype i = 0; i < payload.size(); ++i) {
        if (ByteAt(payload, i) >= 0xF8) {
            SetByte(payload, i, 0);
            ++replaced;
        }
    }
    return replaced;
}

} // namespace tarvo

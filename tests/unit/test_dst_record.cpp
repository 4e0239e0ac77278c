// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/clock_model.h"
#include "dst/dst_record.h"
#include "link/datagram.h"
#include "link/serial_frame.h"
#include "support/test_registry.h"

#include <QtTest>

using namespace tarvo;

namespace
{

// A record with the given header and every day pair set to (springDay, fallDay).
QByteArray Record(int start, int springHour, int fallHour, int springMonth, int fallMonth,
                  int springDay = 1, int fallDay = 1)
{
    QByteArray r(DstRecordLength, '\0');
    const int header[] = {start, springHour, fallHour, springMonth, fallMonth};
    for (int i = 0; i < 5; ++i)
        r[i] = static_cast<char>(header[i]);
    for (int i = 0; i < 48; ++i) {
        r[5 + 2 * i] = static_cast<char>(springDay);
        r[6 + 2 * i] = static_cast<char>(fallDay);
    }
    return r;
}

// Tables whose day numbers are easy to predict: spring day 1 + i % 28,
// fall day 28 - i % 28, so every byte position carries a different value.
DstDateTable Days(int month, bool rising)
{
    DstDateTable t;
    for (int i = 0; i < 48; ++i)
        t[i] = QDate(2026 + i, month, rising ? 1 + i % 28 : 28 - i % 28);
    return t;
}

const DstRule Spring{2, 1, 3, 2};
const DstRule Fall{1, 1, 11, 1};

} // namespace

class TestDstRecord : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void parseRefusesShortRecord_data();
    void parseRefusesShortRecord();
    void serialFrames();
    void datagram();
};

void TestDstRecord::parse_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<int>("index");
    QTest::addColumn<QDate>("spring");
    QTest::addColumn<QDate>("fall");
    QTest::addColumn<int>("springHour");
    QTest::addColumn<int>("fallHour");

    QByteArray example = Record(26, 2, 2, 3, 11);
    example[5] = 9, example[6] = 2, example[7] = 8, example[8] = 1;
    QTest::newRow("example year 0")
        << example << 0 << QDate(2026, 3, 9) << QDate(2026, 11, 2) << 2 << 2;

    QByteArray last = Record(26, 0, 0, 3, 10);
    last[99] = 12, last[100] = 30;
    QTest::newRow("last pair") << last << 47 << QDate(2073, 3, 12) << QDate(2073, 10, 30) << 0 << 0;

    QTest::newRow("start 4 -> 5") << Record(4, 1, 2, 3, 11) << 0 << QDate(2005, 3, 1)
                                  << QDate(2005, 11, 1) << 1 << 2;
    QTest::newRow("start 255 -> 5")
        << Record(255, 1, 2, 3, 11) << 0 << QDate(2005, 3, 1) << QDate(2005, 11, 1) << 1 << 2;
    QTest::newRow("start 100 kept")
        << Record(100, 1, 2, 3, 11) << 47 << QDate(2147, 3, 1) << QDate(2147, 11, 1) << 1 << 2;

    QTest::newRow("fall hour apart")
        << Record(26, 3, 4, 3, 11) << 0 << QDate(2026, 3, 1) << QDate(2026, 11, 1) << 3 << 4;

    QTest::newRow("month 13 -> Jan")
        << Record(26, 0, 0, 13, 255, 5, 6) << 0 << QDate(2026, 1, 5) << QDate(2026, 1, 6) << 0 << 0;

    QTest::newRow("day 31 of Apr -> 1 May")
        << Record(26, 0, 0, 4, 4, 31, 30) << 0 << QDate(2026, 5, 1) << QDate(2026, 4, 30) << 0 << 0;
    QTest::newRow("day 0 in leap year")
        << Record(26, 0, 0, 3, 3, 0, 0) << 2 << QDate(2028, 2, 29) << QDate(2028, 2, 29) << 0 << 0;
    QTest::newRow("day 255 of Dec -> next year")
        << Record(26, 0, 0, 12, 12, 255, 255) << 0 << QDate(2027, 8, 12) << QDate(2027, 8, 12) << 0
        << 0;
}

void TestDstRecord::parse()
{
    QFETCH(QByteArray, record);
    QFETCH(int, index);
    const DstTables tables = ParseDSTDates(record);
    QVERIFY(tables.present);
    QTEST(tables.spring.at(index), "spring");
    QTEST(tables.fall.at(index), "fall");
    QTEST(tables.springHour, "springHour");
    QTEST(tables.fallHour, "fallHour");
}

void TestDstRecord::parseRefusesShortRecord_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<bool>("present");

    const QByteArray full = Record(26, 2, 2, 3, 11, 9, 2);
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("one byte short") << full.left(100) << false;
    QTest::newRow("exact") << full << true;
    QTest::newRow("longer, extra ignored") << full + QByteArray(30, '\x07') << true;
}

void TestDstRecord::parseRefusesShortRecord()
{
    QFETCH(QByteArray, record);
    const DstTables tables = ParseDSTDates(record);
    QTEST(tables.present, "present");
    if (tables.present) {
        QCOMPARE(tables.spring.at(47), QDate(2073, 3, 9));
        QCOMPARE(tables.fall.at(47), QDate(2073, 11, 2));
    } else {
        QVERIFY(!tables.spring.at(0).isValid());
        QCOMPARE(tables.springHour, 0);
    }
}

void TestDstRecord::serialFrames()
{
    const auto frames = DstSerialFrames(Days(3, true), Days(11, false), Spring, Fall, 26);
    QCOMPARE(frames.size(), 4);
    QCOMPARE(frames.at(0).first, quint8(21));
    QCOMPARE(frames.at(0).second, QByteArray::fromHex("0b0301021a")); // Fm Sm Fh Sh Start
    for (int block = 0; block < 3; ++block) {
        QCOMPARE(frames.at(block + 1).first, quint8(22 + block));
        const QByteArray& payload = frames.at(block + 1).second;
        QCOMPARE(payload.size(), 32);
        for (int j = 0; j < 16; ++j) {
            const int year = 16 * block + j;
            QCOMPARE(int(quint8(payload[2 * j])), 1 + year % 28);
            QCOMPARE(int(quint8(payload[2 * j + 1])), 28 - year % 28);
        }
    }
    // As it goes on the wire for a model 229.
    QCOMPARE(BuildSerialFrame(frames.at(0).first, frames.at(0).second, ModelOrFallback(2)),
             QByteArray::fromHex("0b0301021a15") + "$VX-229X");
    QCOMPARE(frames.at(2).second.left(4), QByteArray::fromHex("110c120b"));
}

void TestDstRecord::datagram()
{
    const QByteArray d = DstDatagram("pw", Days(3, true), Days(11, false), Spring, Fall, 26);
    QCOMPARE(d.size(), 131);
    QCOMPARE(d.left(10), QByteArray::fromHex("0c70772020") + QByteArray::fromHex("0b0301021a"));
    for (int i = 0; i < 48; ++i) {
        QCOMPARE(int(quint8(d[10 + 2 * i])), 1 + i % 28);
        QCOMPARE(int(quint8(d[11 + 2 * i])), 28 - i % 28);
    }
    QCOMPARE(d.mid(106), QByteArray(25, '\0'));

    // The clock reports the header in the opposite order; reversing it must give
    // the record for the same tables.
    QByteArray rebuilt(101, '\0');
    for (int i = 0; i < 5; ++i)
        rebuilt[4 - i] = d[5 + i];
    rebuilt.replace(5, 96, d.mid(10, 96));
    QCOMPARE(rebuilt, BuildDstRecord(Days(3, true), Days(11, false), Spring, Fall, 26));
}

TARVO_TEST_CLASS(TestDstRecord)
#include "test_dst_record.moc"

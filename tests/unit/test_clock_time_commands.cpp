// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/time_commands.h"
#include "link/datagram.h"
#include "support/test_registry.h"

#include <QTest>

using namespace tarvo;

class TestClockTimeCommands : public QObject
{
    Q_OBJECT

private slots:
    void setTimeOverSerial()
    {
        const TimeData time = TimeDataFrom(QTime(14, 5, 9));
        const DateData date = DateDataFrom(QDate(2006, 3, 7));
        QCOMPARE(BuildSerialFrames(TimeAndDateSerialCommands(time, date), ModelOrFallback(2)),
                 (QList<QByteArray>{QByteArray("\x0E\x05\x09\x03$VX-229X"),
                                    QByteArray("\x07\x03\x06\x04$VX-229X")}));
    }

    void setTimeOverNetwork()
    {
        const QByteArray datagram = TimeAndDateDatagram("7315", TimeDataFrom(QTime(14, 5, 9)),
                                                        DateDataFrom(QDate(2006, 3, 7)));
        QCOMPARE(datagram, QByteArray("\x09"
                                      "7315"
                                      "\x0E\x05\x09\x07\x03\x06") +
                               QByteArray(120, '\0'));
    }

    void yearOffset_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("offset");
        QTest::newRow("2000") << QDate(2000, 1, 1) << 0;
        QTest::newRow("2254") << QDate(2254, 12, 31) << 254;
        QTest::newRow("2255 wraps") << QDate(2255, 1, 1) << 0;
        QTest::newRow("1999") << QDate(1999, 12, 31) << 254;
    }
    void yearOffset()
    {
        QFETCH(QDate, date);
        QTEST(int(DateDataFrom(date).YearOffset), "offset");
    }

    void adjust_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("retard 5 ms") << 1 << 1 << QByteArray("\x00\x01\x0A$VX-226U", 11);
        QTest::newRow("retard hour") << 2 << 1 << QByteArray("\x00\x01\x0B$VX-226U", 11);
        QTest::newRow("advance hour") << 2 << 2 << QByteArray("\x00\x02\x0B$VX-226U", 11);
    }
    void adjust()
    {
        QFETCH(int, type);
        QFETCH(int, direction);
        const SerialCommand command = TimeAdjustSerialCommand(type, direction);
        QTEST(BuildSerialFrames({command}, ModelOrFallback(1)).at(0), "frame");

        QByteArray expected(DatagramLength, '\0');
        expected.replace(0, 7,
                         QByteArray("\x0F"
                                    "7315") +
                             char(type) + char(direction));
        QCOMPARE(TimeAdjustDatagram("7315", type, direction), expected);
    }
};

TARVO_TEST_CLASS(TestClockTimeCommands)
#include "test_clock_time_commands.moc"

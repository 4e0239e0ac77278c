// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/master_settings.h"
#include "support/test_registry.h"

#include <QSet>
#include <QTest>

#include <algorithm>

using namespace tarvo;

class TestClockSettingsLists : public QObject
{
    Q_OBJECT

private slots:
    void timeZoneCodesAreUnique()
    {
        QSet<int> codes;
        for (const ListEntry& e : TimeZoneEntries())
            codes.insert(e.data);
        QCOMPARE(codes.size(), 49);
        QCOMPARE(TimeZoneEntries().at(UtcTimeZonePosition).caption,
                 QStringLiteral("0         (UTC)"));
        QCOMPARE(TimeZonePositionForCode(13), UtcTimeZonePosition);
    }

    void secondOffsetLists_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("position");
        QTest::newRow("226 -2") << 1 << 21 << "-2" << 5 << 8;
        QTest::newRow("226 0") << 1 << 21 << "0" << 0 << 10;
        QTest::newRow("226 10") << 1 << 21 << "10" << 128 << 20;
        QTest::newRow("229 -1") << 2 << 31 << "-1" << 17 << 14;
        QTest::newRow("229 15") << 2 << 31 << "15" << 15 << 30;
        QTest::newRow("222 10") << 4 << 21 << "10" << 20 << 20;
    }
    void secondOffsetLists()
    {
        QFETCH(int, clockType);
        QFETCH(int, position);
        const QList<ListEntry> entries = SecondOffsetEntries(FindModel(clockType));
        QTEST(int(entries.size()), "count");
        QTEST(entries.at(position).caption, "caption");
        QTEST(entries.at(position).data, "code");
        // The 226's record carries the position, the others the code.
        const int field = clockType == 1 ? position : entries.at(position).data;
        QCOMPARE(SecondOffsetPositionForCode(FindModel(clockType), field).value_or(-2), position);
    }

    void secondOffsetWithoutEntry()
    {
        QVERIFY(SecondOffsetEntries(FindModel(3)).isEmpty());
        QVERIFY(!SecondOffsetPositionForCode(FindModel(3), 0));
        QVERIFY(!SecondOffsetPositionForCode(FindModel(1), 21));
        QVERIFY(!SecondOffsetPositionForCode(FindModel(2), 16));
        QVERIFY(!SecondOffsetPositionForCode(FindModel(4), 21));
    }

};

TARVO_TEST_CLASS(TestClockSettingsLists)
#include "test_clock_settings_lists.moc"

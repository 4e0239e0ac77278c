// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/master_settings.h"
#include "support/test_registry.h"

#include <QSet>
#include <QTest>

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

    void secondOffsetPositions()
    {
        // The 226's record carries the list position, the others the code
        // (the codes themselves: TestClockSettingsJson::secondOffsetMapping).
        QCOMPARE(SecondOffsetPositionForCode(FindModel(1), 8), std::optional<int>(8));
        QCOMPARE(SecondOffsetPositionForCode(FindModel(2), 17), std::optional<int>(14));
        QVERIFY(SecondOffsetEntries(FindModel(3)).isEmpty());
        QVERIFY(!SecondOffsetPositionForCode(FindModel(3), 0));
        QVERIFY(!SecondOffsetPositionForCode(FindModel(1), 21));
        QVERIFY(!SecondOffsetPositionForCode(FindModel(2), 16));
        QVERIFY(!SecondOffsetPositionForCode(FindModel(4), 21));
    }
};

TARVO_TEST_CLASS(TestClockSettingsLists)
#include "test_clock_settings_lists.moc"

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
    }
};

TARVO_TEST_CLASS(TestClockSettingsLists)
#include "test_clock_settings_lists.moc"

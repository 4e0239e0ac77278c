// SPDX-License-Identifier: GPL-3.0-or-later
#include "dst/dst_calc.h"
#include "support/test_registry.h"

#include <QtTest>

using namespace tarvo;

namespace
{

DstDateTable Table(int startYear, int dow, int month, int wom)
{
    DstDateTable dates;
    CalculateDates(dates, startYear, dow, month, wom);
    return dates;
}

// Independent oracle: walk the month day by day and count the weekday.
QDate NthWeekday(int year, int month, int dow, int wom)
{
    QList<QDate> hits;
    for (QDate d(year, month, 1); d.month() == month; d = d.addDays(1)) {
        if (d.dayOfWeek() % 7 + 1 == dow)
            hits.append(d);
    }
    return wom == 5 ? hits.last() : hits.at(wom - 1);
}

} // namespace

Q_DECLARE_METATYPE(DstDateTable)

class TestDstCalc : public QObject
{
    Q_OBJECT

private slots:
    void calculateDatesMatchesOracleForAllRules_data();
    void calculateDatesMatchesOracleForAllRules();
    void findDOWandWOM_data();
    void findDOWandWOM();
    void recoverRule_data();
    void recoverRule();
    void recoverRuleRoundTripsEveryRule();
    void monthNameAndDateText_data();
    void monthNameAndDateText();
    void displayRows();
    void hourItems();
};

void TestDstCalc::calculateDatesMatchesOracleForAllRules_data()
{
    QTest::addColumn<int>("startYear");
    for (int start : {0, 48, 96, 100})
        QTest::addRow("from %d", 2000 + start) << start;
}

void TestDstCalc::calculateDatesMatchesOracleForAllRules()
{
    QFETCH(int, startYear);
    DstDateTable dates;
    dates.fill(QDate(1999, 1, 1)); // every entry must be overwritten
    for (int month = 1; month <= 12; ++month) {
        for (int dow = 1; dow <= 7; ++dow) {
            for (int wom = 1; wom <= 5; ++wom) {
                CalculateDates(dates, startYear, dow, month, wom);
                for (int i = 0; i < DstTableYears; ++i) {
                    const QDate expected = NthWeekday(2000 + startYear + i, month, dow, wom);
                    if (dates[i] != expected)
                        QFAIL(qPrintable(QStringLiteral("month %1 dow %2 wom %3 year %4: %5")
                                             .arg(month)
                                             .arg(dow)
                                             .arg(wom)
                                             .arg(expected.year())
                                             .arg(dates[i].toString(Qt::ISODate))));
                }
            }
        }
    }
}

void TestDstCalc::findDOWandWOM_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("dow");
    QTest::addColumn<int>("wom");

    QTest::newRow("1st, Sunday") << QDate(2026, 11, 1) << 1 << 1;
    QTest::newRow("7th is week 1") << QDate(2026, 11, 7) << 7 << 1;
    QTest::newRow("8th is week 2") << QDate(2026, 11, 8) << 1 << 2;
    QTest::newRow("28th is week 4") << QDate(2026, 3, 28) << 7 << 4;
    QTest::newRow("29th is week 5") << QDate(2026, 3, 29) << 1 << 5;
    QTest::newRow("invalid date") << QDate() << 0 << 0;
}

void TestDstCalc::findDOWandWOM()
{
    QFETCH(QDate, date);
    int dow = -1;
    int wom = -1;
    FindDOWandWOM(date, dow, wom);
    QTEST(dow, "dow");
    QTEST(wom, "wom");
}

void TestDstCalc::recoverRule_data()
{
    QTest::addColumn<DstDateTable>("table");
    QTest::addColumn<int>("wom");
    QTest::addColumn<int>("dow");
    QTest::addColumn<int>("month");
    QTest::addColumn<bool>("allLast");

    // 4th Sunday of March starts on the 22nd in 2026, yet other years have a fifth.
    QTest::newRow("4th Sun Mar stays 4th") << Table(26, 1, 3, 4) << 4 << 1 << 3 << false;
    // Day 25 in 2026 looks like week 4; only the whole table says "Last".
    QTest::newRow("last Sun Oct from the 25th") << Table(26, 1, 10, 5) << 5 << 1 << 10 << true;

    DstDateTable mixed = Table(26, 1, 10, 5);
    mixed[47] = mixed[47].addDays(-7);
    QTest::newRow("one year not last") << mixed << 4 << 1 << 10 << false;

    QTest::newRow("no table yet") << DstDateTable{} << 1 << 1 << 1 << false;
}

void TestDstCalc::recoverRule()
{
    QFETCH(DstDateTable, table);
    QTEST(LastOfTheMonthChosen(table), "allLast");
    const DstRule rule = RecoverRule(table, 17);
    QTEST(rule.WOM, "wom");
    QTEST(rule.DOW, "dow");
    QTEST(rule.Month, "month");
    QCOMPARE(rule.Hour, 17);
}

void TestDstCalc::recoverRuleRoundTripsEveryRule()
{
    // In 48 years every month has some year with a fifth occurrence of every
    // weekday, so "4th" and "Last" always stay apart.
    for (int month = 1; month <= 12; ++month) {
        for (int dow = 1; dow <= 7; ++dow) {
            for (int wom = 1; wom <= 5; ++wom) {
                const DstRule expected{wom, dow, month, 3};
                QCOMPARE(RecoverRule(Table(26, dow, month, wom), 3), expected);
            }
        }
    }
}

void TestDstCalc::monthNameAndDateText_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");

    QTest::newRow("month 1") << GetMonthName(1) << "January";
    QTest::newRow("month 12") << GetMonthName(12) << "December";
    QTest::newRow("month 0") << GetMonthName(0) << "";
    QTest::newRow("month 13") << GetMonthName(13) << "";
    QTest::newRow("May keeps the stop") << DstDateText(QDate(2031, 5, 4)) << "May. 04, 2031";
    QTest::newRow("last year, zero padded") << DstDateText(QDate(2147, 12, 1)) << "Dec. 01, 2147";
    QTest::newRow("invalid date") << DstDateText(QDate()) << "";
}

void TestDstCalc::monthNameAndDateText()
{
    QFETCH(QString, actual);
    QTEST(actual, "expected");
}

void TestDstCalc::displayRows()
{
    // Northern rules: spring first, the tables pair year by year.
    const auto north = DstDisplayRows(Table(26, 1, 3, 2), Table(26, 1, 11, 1));
    QCOMPARE(north.size(), 48);
    QCOMPARE(north.first(), (DstDisplayRow{"1", "Mar. 08, 2026", "Nov. 01, 2026"}));
    QCOMPARE(north.last(), (DstDisplayRow{"48", "Mar. 12, 2073", "Nov. 05, 2073"}));

    // Southern rules: each row is one summer, spring of year i with fall of i + 1.
    const auto south = DstDisplayRows(Table(26, 1, 10, 1), Table(26, 1, 4, 1));
    QCOMPARE(south.size(), 47);
    QCOMPARE(south.first(), (DstDisplayRow{"1", "Oct. 04, 2026", "Apr. 04, 2027"}));
    QCOMPARE(south.last(), (DstDisplayRow{"47", "Oct. 02, 2072", "Apr. 02, 2073"}));

    // Same first date counts as fall first.
    QCOMPARE(DstDisplayRows(Table(26, 1, 3, 2), Table(26, 1, 3, 2)).size(), 47);
}

void TestDstCalc::hourItems()
{
    const QStringList hours = DstHourItems();
    QCOMPARE(hours.size(), 24);
    QCOMPARE(hours.at(0), "12:00 AM");
    QCOMPARE(hours.at(11), "11:00 AM");
    QCOMPARE(hours.at(12), "12:00 PM");
    QCOMPARE(hours.at(23), "11:00 PM");
}

TARVO_TEST_CLASS(TestDstCalc)
#include "test_dst_calc.moc"

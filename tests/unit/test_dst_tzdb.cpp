// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the computed DST tables against a source nobody here wrote: the
// system's time-zone database, read through zdump and through QTimeZone.
// A transition is compared by its date in local standard time, the date the
// clock's tables hold.

#include "dst/dst_calc.h"
#include "support/metatypes.h"
#include "support/test_registry.h"

#include <QDir>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimeZone>
#include <QtTest>

using namespace tarvo;

namespace
{

struct Transitions {
    QMap<int, QList<QDate>> spring; // by year: dates that enter DST
    QMap<int, QList<QDate>> fall;   // by year: dates that leave DST
};

void Add(Transitions& t, bool toDst, QDateTime utc, int standardOffset)
{
    const QDate local = utc.addSecs(standardOffset).date();
    (toDst ? t.spring : t.fall)[local.year()].append(local);
}

QString ZoneInfoDir()
{
    const QString fromEnv = qEnvironmentVariable("TZDIR");
    return fromEnv.isEmpty() ? QStringLiteral("/usr/share/zoneinfo") : fromEnv;
}

// zdump -v prints each transition as a pair of lines: the second before it and
// the instant itself. The instant is the line whose isdst differs from the line
// before it; its UT time plus the standard offset gives the local standard date.
Transitions ParseZdump(const QString& output)
{
    static const QRegularExpression line(QStringLiteral(
        R"(^\S+\s+\w{3} (\w{3}) +(\d+) (\d\d:\d\d:\d\d) (-?\d+) UTC? = .* isdst=(\d) gmtoff=(-?\d+)$)"));
    Transitions t;
    int previousDst = -1;
    int previousOffset = 0;
    for (const QString& text : output.split(QLatin1Char('\n'))) {
        const auto m = line.match(text.trimmed());
        if (!m.hasMatch()) {
            previousDst = -1;
            continue;
        }
        const int isDst = m.captured(5).toInt();
        const int offset = m.captured(6).toInt();
        if (previousDst >= 0 && isDst != previousDst) {
            const QString stamp =
                QStringLiteral("%1 %2 %3 %4")
                    .arg(m.captured(1), m.captured(2), m.captured(4), m.captured(3));
            QLocale c = QLocale::c();
            QDateTime utc = c.toDateTime(stamp, QStringLiteral("MMM d yyyy HH:mm:ss"));
            utc.setTimeSpec(Qt::UTC);
            Add(t, isDst == 1, utc, isDst ? previousOffset : offset);
        }
        previousDst = isDst;
        previousOffset = offset;
    }
    return t;
}

// Every year from the first table year up to the last year the source knows
// must hold exactly the computed transition, so a missing year cannot pass.
void Compare(const Transitions& t, int startYear, const DstRule& spring, const DstRule& fall)
{
    DstDateTable s;
    DstDateTable f;
    CalculateDates(s, startYear, spring.DOW, spring.Month, spring.WOM);
    CalculateDates(f, startYear, fall.DOW, fall.Month, fall.WOM);
    int lastKnown = -1;
    for (auto it = t.spring.cbegin(); it != t.spring.cend(); ++it)
        lastKnown = qMax(lastKnown, it.key());
    for (auto it = t.fall.cbegin(); it != t.fall.cend(); ++it)
        lastKnown = qMax(lastKnown, it.key());
    const int first = 2000 + startYear;
    const int last = qMin(first + DstTableYears - 1, lastKnown);
    if (last < first)
        QFAIL("the time-zone database reports no transitions in the table's years");
    for (int year = first; year <= last; ++year) {
        const int i = year - first;
        QCOMPARE(t.spring.value(year), QList<QDate>{s[i]});
        QCOMPARE(t.fall.value(year), QList<QDate>{f[i]});
    }
    qInfo("compared %d years, %d to %d", last - first + 1, first, last);
}

} // namespace

class TestDstTzdb : public QObject
{
    Q_OBJECT

private slots:
    void zdump_data();
    void zdump();
    void qtimezone_data() { zdump_data(); }
    void qtimezone();
};

void TestDstTzdb::zdump_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<DstRule>("spring");
    QTest::addColumn<DstRule>("fall");
    // 2nd Sunday of March / 1st Sunday of November; last Sunday of March / October.
    QTest::newRow("US") << "America/New_York" << DstRule{2, 1, 3, 2} << DstRule{1, 1, 11, 2};
    QTest::newRow("EU") << "Europe/Berlin" << DstRule{5, 1, 3, 2} << DstRule{5, 1, 10, 3};
}

void TestDstTzdb::zdump()
{
    QFETCH(QString, zone);
    QFETCH(DstRule, spring);
    QFETCH(DstRule, fall);
    const QString program = QStandardPaths::findExecutable(QStringLiteral("zdump"));
    if (program.isEmpty())
        QSKIP("zdump not found (package libc-bin); time-zone cross-check skipped");
    if (!QFileInfo::exists(QDir(ZoneInfoDir()).filePath(zone)))
        QSKIP(qPrintable(QStringLiteral("zone file %1 not found in %2 (package tzdata); "
                                        "time-zone cross-check skipped")
                             .arg(zone, ZoneInfoDir())));

    const int year = QDate::currentDate().year();
    QProcess zdump;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    zdump.setProcessEnvironment(env);
    zdump.start(program, {QStringLiteral("-v"), QStringLiteral("-c"),
                          QStringLiteral("%1,%2").arg(year).arg(year + DstTableYears), zone});
    QVERIFY2(zdump.waitForFinished(30000), "zdump did not finish");
    QCOMPARE(zdump.exitStatus(), QProcess::NormalExit);
    const Transitions t = ParseZdump(QString::fromLatin1(zdump.readAllStandardOutput()));
    Compare(t, year - 2000, spring, fall);
}

void TestDstTzdb::qtimezone()
{
    QFETCH(QString, zone);
    QFETCH(DstRule, spring);
    QFETCH(DstRule, fall);
    const QTimeZone tz(zone.toLatin1());
    if (!tz.isValid() || !tz.hasTransitions())
        QSKIP(qPrintable(zone + QStringLiteral(" unknown to QTimeZone; cross-check skipped")));

    const int year = QDate::currentDate().year();
    const QDateTime from(QDate(year, 1, 1), QTime(0, 0), Qt::UTC);
    const QDateTime to(QDate(year + DstTableYears, 1, 1), QTime(0, 0), Qt::UTC);
    Transitions t;
    for (const QTimeZone::OffsetData& change : tz.transitions(from, to))
        Add(t, change.daylightTimeOffset > 0, change.atUtc, change.standardTimeOffset);
    Compare(t, year - 2000, spring, fall);
}

TARVO_TEST_CLASS(TestDstTzdb)
#include "test_dst_tzdb.moc"

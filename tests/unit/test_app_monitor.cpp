// SPDX-License-Identifier: GPL-3.0-or-later
// The Clock Monitor's collections in the program core: the offset points and
// their statistics, the hour they keep, the event log's bound and its saved
// form, and what the core feeds them from the records and the commands.
#include "app/clock_monitor.h"
#include "app/event_log.h"
#include "app/panel.h"
#include "link/serial_frame.h"
#include "session/report_offset.h"
#include "support/panel_access.h"
#include "support/test_registry.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvo;

namespace
{
constexpr qint64 kStartMs = 1767225600000; // 2026-01-01 00:00 UTC

OffsetPoint At(qint64 ms, double offset, bool locked = true)
{
    return {ms, offset, locked};
}

TimeReport ReportOf(const QDateTime& local, bool gps)
{
    TimeReport r;
    r.valid = true;
    r.year = local.date().year();
    r.month = local.date().month();
    r.day = local.date().day();
    r.hour = local.time().hour();
    r.minute = local.time().minute();
    r.second = local.time().second();
    r.gpsLocked = gps;
    return r;
}

// The 12 bytes of a serial time report (binary fields, two-digit year).
QByteArray ReportBytes(const QDateTime& local)
{
    QByteArray r(12, '\0');
    r[5] = char(local.time().second());
    r[6] = char(local.date().day());
    r[7] = char(local.date().month());
    r[8] = char(local.date().year() % 100);
    r[9] = char(local.time().hour());
    r[10] = char(local.time().minute());
    return r;
}
} // namespace

class AppMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void statisticsCoverTheLastSixtyReports()
    {
        ClockMonitor monitor;
        QVERIFY(!monitor.Recent().has_value());
        // Three reports: 100, 200 and 300 ms.
        for (int i = 1; i <= 3; ++i)
            monitor.AddPoint(At(kStartMs + i * 1000, i * 0.1));
        auto recent = monitor.Recent();
        QVERIFY(recent.has_value());
        QCOMPARE(recent->count, 3);
        QVERIFY(qAbs(recent->mean - 0.2) < 1e-12);
        QVERIFY(qAbs(recent->jitter - 0.1 * std::sqrt(2.0 / 3.0)) <
                1e-12); // population, not sample

        // Forty far-off reports, then sixty at 10 and 20 ms in turn: only the
        // sixty count.
        ClockMonitor later;
        qint64 t = kStartMs;
        for (int i = 0; i < 40; ++i)
            later.AddPoint(At(t += 1000, 3600.0));
        for (int i = 0; i < 60; ++i)
            later.AddPoint(At(t += 1000, i % 2 ? 0.020 : 0.010));
        recent = later.Recent();
        QCOMPARE(recent->count, ClockMonitor::RecentCount);
        QVERIFY2(qAbs(recent->mean - 0.015) < 1e-12, qPrintable(QString::number(recent->mean)));
        QVERIFY2(qAbs(recent->jitter - 0.005) < 1e-12, qPrintable(QString::number(recent->jitter)));
        QVERIFY(!recent->sinceStep);
    }

    void offsetsAreWrittenInTheUnitThatReads_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("below a second") << -0.0123 << QStringLiteral("-12.3 ms");
        QTest::newRow("seconds") << 1.25 << QStringLiteral("1.250 s");
        QTest::newRow("minutes, rounded up") << -119.96 << QStringLiteral("-2 min 0.0 s");
        QTest::newRow("hours") << 30000.04 << QStringLiteral("8 h 20 min 0.0 s");
    }
    void offsetsAreWrittenInTheUnitThatReads()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(OffsetText(seconds), text);
    }

    void pointsAreKeptForAnHourAndBounded()
    {
        ClockMonitor monitor;
        QSignalSpy added(&monitor, &ClockMonitor::PointAdded);
        for (int i = 0; i < 3700; ++i)
            monitor.AddPoint(At(kStartMs + i * 1000LL, 0.001 * i, i % 2));
        QCOMPARE(added.count(), 3700);
        QCOMPARE(monitor.TotalAdded(), quint64(3700));
        const auto& points = monitor.Points();
        QCOMPARE(points.back().arrivalMs, kStartMs + 3699 * 1000LL);
        QCOMPARE(points.front().arrivalMs, points.back().arrivalMs - ClockMonitor::KeptMs);
        QCOMPARE(int(points.size()), 3601);

        // A line that delivers ten reports a second is held to the count.
        ClockMonitor fast;
        for (int i = 0; i < 5000; ++i)
            fast.AddPoint(At(kStartMs + i * 100LL, 0));
        QCOMPARE(int(fast.Points().size()), ClockMonitor::MaxPoints);
        QCOMPARE(fast.Points().back().arrivalMs, kStartMs + 4999 * 100LL);

        // After two silent hours the old points go with the next report.
        monitor.AddPoint(At(points.back().arrivalMs + 2 * ClockMonitor::KeptMs, 0.5));
        QCOMPARE(int(monitor.Points().size()), 1);
    }

    void reportsAreMeasuredAsWatchMeasuresThemAndInvalidOnesIgnored()
    {
        ClockMonitor monitor;
        QSignalSpy added(&monitor, &ClockMonitor::PointAdded);
        const QDateTime local(QDate(2026, 7, 4), QTime(15, 0, 0));
        // Arrived 250 ms after the clock's second began.
        const qint64 arrivalUs = local.toMSecsSinceEpoch() * 1000 + 250000;
        QVERIFY(monitor.AddReport(ReportOf(local, true), arrivalUs));
        QCOMPARE(added.count(), 1);
        const OffsetPoint point = monitor.Points().back();
        QCOMPARE(point.arrivalMs, arrivalUs / 1000);
        QVERIFY(point.gpsLocked);
        QCOMPARE(point.offsetSeconds, *ReportOffsetAt(ReportOf(local, true), arrivalUs));
        QVERIFY(qAbs(point.offsetSeconds + 0.25) < 1e-9);

        TimeReport invalid = ReportOf(local, false);
        invalid.valid = false; // "Time Not Available"
        QVERIFY(!monitor.AddReport(invalid, arrivalUs + 1000000));
        TimeReport noDate = ReportOf(local, false);
        noDate.month = 2;
        noDate.day = 30;
        QVERIFY(!monitor.AddReport(noDate, arrivalUs + 2000000));
        QCOMPARE(added.count(), 1);
        QCOMPARE(int(monitor.Points().size()), 1);
    }

    void eventLogIsBoundedAndWrittenOneLinePerEntry()
    {
        EventLog log;
        QSignalSpy recorded(&log, &EventLog::Recorded);
        const QDateTime t(QDate(2026, 3, 4), QTime(5, 6, 7));
        for (int i = 0; i < EventLog::MaxEntries + 5; ++i)
            log.RecordAt(t.addSecs(i), EventKind::Sent, QStringLiteral("command %1").arg(i));
        QCOMPARE(int(log.Entries().size()), EventLog::MaxEntries);
        QCOMPARE(log.TotalRecorded(), quint64(EventLog::MaxEntries + 5));
        QCOMPARE(recorded.count(), EventLog::MaxEntries + 5);
        QCOMPARE(log.Entries().front().text, QStringLiteral("command 5"));

        EventLog kinds;
        const struct {
            EventKind kind;
            const char* name;
        } all[] = {{EventKind::Found, "found"},     {EventKind::Lost, "lost"},
                   {EventKind::Sent, "sent"},       {EventKind::Confirmed, "confirmed"},
                   {EventKind::Refused, "refused"}, {EventKind::NotAnswered, "not answered"}};
        for (const auto& k : all)
            kinds.RecordAt(t, k.kind, QStringLiteral("x"));
        const QStringList lines = kinds.Text().split(u'\n');
        QCOMPARE(lines.size(), 7); // six lines, each ending in a newline
        QVERIFY(lines.last().isEmpty());
        for (int i = 0; i < 6; ++i)
            QCOMPARE(lines[i], QStringLiteral("2026-03-04 05:06:07  %1  x").arg(all[i].name));

        // A text that would break the line is escaped.
        kinds.RecordAt(t, EventKind::NotAnswered, QStringLiteral("the settings\nrequest\t2"));
        QCOMPARE(
            EventLog::LineFor(kinds.Entries().back()),
            QStringLiteral("2026-03-04 05:06:07  not answered  the settings\\x0arequest\\x092"));
    }

    // The core feeds both from what it already handles.
    void theCoreFeedsTheMonitorAndTheLog()
    {
        QTemporaryDir dir;
        Panel::Options options;
        options.settingsFile = dir.filePath(QStringLiteral("store.conf"));
        options.logSystemClock = true;
        Panel panel(options);
        panel.FormLoad();
        EventLog& log = panel.Events();

        // A time report: one point, measured from the arrival the session took.
        const QDateTime local = QDateTime::currentDateTime();
        const QDateTime second(
            local.date(), QTime(local.time().hour(), local.time().minute(), local.time().second()));
        panel.Session().InjectSerialBytes(BuildIncomingFrame(0xFE, ReportBytes(second)));
        QCOMPARE(int(panel.Monitor().Points().size()), 1);
        const OffsetPoint& point = panel.Monitor().Points().back();
        QVERIFY(qAbs(point.arrivalMs + point.offsetSeconds * 1000 - second.toMSecsSinceEpoch()) <
                1.0);
        // During a search the reports are other clocks' and are not drawn.
        PanelTestAccess::State(panel).SearchInProgress = true;
        panel.Session().InjectSerialBytes(BuildIncomingFrame(0xFE, ReportBytes(second)));
        QCOMPARE(int(panel.Monitor().Points().size()), 1);
        PanelTestAccess::State(panel).SearchInProgress = false;

        // A command that cannot go out (no port open) is not logged as sent.
        QCOMPARE(panel.Session().SerialClock().Send(command::RequestMasterSettings{}), 0);
        QCOMPARE(int(log.Entries().size()), 0);

        // The clock found: one line, however many records say so again.
        ProgramState& s = PanelTestAccess::State(panel);
        s.clockConnection.ConnectionType = ConnectionKind::Serial;
        s.clockConnection.Comport = 2;
        s.SettingsRequested = true;
        panel.Session().InjectSerialBytes(BuildIncomingFrame(0xFC, QByteArray(41, '\x05')));
        QVERIFY(s.ClockFound);
        s.SettingsRequested = true;
        panel.Session().InjectSerialBytes(BuildIncomingFrame(0xFC, QByteArray(41, '\x05')));
        QCOMPARE(int(log.Entries().size()), 1);
        QCOMPARE(log.Entries().back().kind, EventKind::Found);
        QVERIFY2(log.Entries().back().text.startsWith(QStringLiteral("clock on Comport 2")),
                 qPrintable(log.Entries().back().text));

        // Lost and found again: a second line.
        s.ClockFound = false;
        panel.Changed();
        s.clockConnection.ConnectionType = ConnectionKind::Network;
        s.clockConnection.IPaddress = QStringLiteral("127.0.0.9");
        panel.ApplyConnection();
        QByteArray refusal(131, '\0');
        refusal[0] = char(0xFF);
        panel.Session().InjectDatagram(refusal, 0x7F000009);
        QCOMPARE(int(log.Entries().size()), 3);
        QCOMPARE(log.Entries()[1].kind, EventKind::Refused);
        QVERIFY(log.Entries()[1].text.contains(QStringLiteral("127.0.0.9")));
        QCOMPARE(log.Entries()[2].kind, EventKind::Found);
        QVERIFY(log.Entries()[2].text.startsWith(QStringLiteral("clock at 127.0.0.9")));
    }
};

TARVO_TEST_CLASS(AppMonitor)
#include "test_app_monitor.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Commands about the clock's running time: set time, nudge, watch and
// feed-chrony. Only the serial link carries the clock's time reports, so only
// there can a change of time be read back.
#include "cli/chrony_feed.h"
#include "cli/cli.h"
#include "cli/clock_exporter.h"
#include "cli/metrics_server.h"
#include "clock/clock_model.h"
#include "clock/master_record.h"
#include "clock/settings_json.h"
#include "clock/time_commands.h"
#include "operations/time_operations.h"
#include "session/report_offset.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTimeZone>
#include <cmath>
#include <functional>

namespace tarvo
{

namespace
{
// A report is due every second; after this long without one the clock is
// taken to have stopped reporting.
constexpr int kReportSilenceMs = 5000;
constexpr std::chrono::milliseconds kPollWait{250};

QString Stamp(qint64 us)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(us / 1000, QTimeZone::utc());
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.")) +
           QStringLiteral("%1Z").arg(us % 1000000, 6, 10, QLatin1Char('0'));
}

int NeedsSerial(CliContext& c)
{
    c.err << c.command
          << " needs the clock's --port: only the serial link carries the clock's time.\n";
    return ExitCode::BadArguments;
}

// A reading of the clock that is not the time expected: exit 4 with how far
// off it is; no reading at all is no answer.
int ReportTimeNotTaken(CliContext& c, const Outcome& outcome, const char* expected)
{
    if (!outcome.offSeconds)
        return ReportReply(c, Reply::Silent, QStringLiteral("a time report"));
    c.err << "The clock reports a time " << QString::number(*outcome.offSeconds, 'f', 1)
          << " s from " << expected << ".\n";
    return ExitCode::ReadBackDiffers;
}

} // namespace

Task<int> RunSetTime(CliContext& c)
{
    const QString text = c.arguments.value(1);
    const bool now = text == u"now";
    std::optional<QDateTime> typed;
    if (!now) {
        QString iso = text;
        iso.replace(u' ', u'T');
        typed = QDateTime::fromString(iso, Qt::ISODate);
    }
    if (c.arguments.size() != 2 || (!now && (!typed->isValid() || typed->date().year() < 2000 ||
                                             typed->date().year() > 2099))) {
        c.err << "set time needs now, or a local time \"YYYY-MM-DD HH:MM:SS\" from 2000 to 2099.\n";
        co_return ExitCode::BadArguments;
    }
    ClockClient client;
    int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    const TimeSet set = co_await SetClockTime(client.Session(), client.Link(), typed);
    if (set.gpsLocked) {
        c.err << GpsLockedTip << ".\nNothing was sent.\n";
        co_return ExitCode::ReadBackDiffers;
    }
    if (set.outcome.verdict == Verdict::NotSent) {
        c.err << "The time could not be sent to " << client.Where() << ".\n";
        co_return ExitCode::NoAnswer;
    }
    const QString when = set.sent.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    switch (set.outcome.verdict) {
    case Verdict::Taken:
        c.out << "Set the clock to " << when << "; it reports that time.\n";
        co_return ExitCode::Done;
    case Verdict::Answered:
        c.out << "Set the clock to " << when
              << "; it answered. (The network carries no time report, so its time was not "
                 "read back.)\n";
        co_return ExitCode::Done;
    case Verdict::NotTaken:
        co_return ReportTimeNotTaken(c, set.outcome, "the time it was set to");
    default:
        break;
    }
    co_return ReportVerdict(c, set.outcome,
                            client.Link().CarriesTimeReports() ? QStringLiteral("a time report")
                                                               : QStringLiteral("an answer"));
}

Task<int> RunNudge(CliContext& c)
{
    const QString step = c.arguments.value(0);
    int type = 0;
    if (step == u"+1h" || step == u"-1h")
        type = AdjustType::Hour;
    else if (step == u"+5ms" || step == u"-5ms")
        type = AdjustType::Subsecond;
    if (c.arguments.size() != 1 || type == 0) {
        c.err << "nudge needs one of: +1h, -1h, +5ms, -5ms.\n";
        co_return ExitCode::BadArguments;
    }
    const int direction =
        step.startsWith(u'+') ? AdjustDirection::Advance : AdjustDirection::Retard;
    ClockClient client;
    const int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    const Outcome outcome = co_await NudgeClock(client.Session(), client.Link(), type, direction);
    switch (outcome.verdict) {
    case Verdict::Taken:
        c.out << "Moved the clock " << step << "; it reports the new hour.\n";
        co_return ExitCode::Done;
    case Verdict::Answered:
        c.out << "Sent the nudge " << step << "; the clock answered.\n";
        co_return ExitCode::Done;
    case Verdict::NotTaken:
        co_return ReportTimeNotTaken(c, outcome, "the one expected after the nudge");
    default:
        break;
    }
    co_return ReportVerdict(c, outcome, QStringLiteral("an answer"));
}

namespace
{

// What a follower did with one report.
enum class Followed { Counted, NotCounted, Failed };

void TellTransport(CliContext& c, const TransportStatus& status)
{
    if (status.state == TransportStatus::State::Retrying)
        c.err << "tarvo-clock: " << status.text << "; connecting again in "
              << QString::number(status.retryInMs / 1000.0) << " s.\n";
    else if (status.state == TransportStatus::State::Connected && status.reconnects > 0)
        c.err << "tarvo-clock: " << status.text << " again.\n";
    c.err.flush();
}

// Hands each time report to `onReport` until stopped, until `--count` reports
// were counted, until `onReport` fails (it has said why; exit 1), or until the
// clock stops reporting. Only reaching `--count` ends a counted run with 0.
Task<int> FollowReports(CliContext& c, ClockClient& client,
                        std::function<Followed(const ReceivedTimeReport&)> onReport)
{
    int counted = 0;
    QElapsedTimer silence;
    silence.start();
    c.activity->following = true;
    // Behind a device server the link comes back by itself: each loss and
    // each return is told on stderr, and the silence while it is down does
    // not count against the clock.
    const bool server = client.BehindDeviceServer();
    QMetaObject::Connection tell;
    if (server)
        tell = QObject::connect(&client.Session(), &ClockSession::SerialTransportChanged, &client,
                                [&c, &silence](const TransportStatus& status) {
                                    TellTransport(c, status);
                                    silence.restart();
                                });
    const auto untell = qScopeGuard([&tell] { QObject::disconnect(tell); });
    while (!c.activity->stopRequested && (c.count == 0 || counted < c.count)) {
        const auto r = co_await client.NextTimeReport(kPollWait);
        if (client.PortFailed()) {
            c.err << "The serial port " << client.Where() << " stopped working.\n";
            co_return ExitCode::NoAnswer;
        }
        if (!r) {
            if (server &&
                client.Session().SerialTransportStatus().state != TransportStatus::State::Connected)
                silence.restart();
            if (silence.elapsed() > kReportSilenceMs) {
                c.err << "No time report from the clock for " << kReportSilenceMs / 1000 << " s.\n";
                co_return ExitCode::NoAnswer;
            }
            continue;
        }
        silence.restart();
        const Followed followed = onReport(*r);
        if (followed == Followed::Failed)
            co_return ExitCode::NoAnswer;
        if (followed == Followed::Counted)
            ++counted;
    }
    // Stopped before the asked number: a script must not take that as done.
    if (c.count > 0 && counted < c.count) {
        c.err << "Stopped after " << counted << " of " << c.count << ".\n";
        co_return ExitCode::NoAnswer;
    }
    co_return ExitCode::Done;
}

Task<QByteArray> FeedMetrics(const ClockClient* client,
                             const std::optional<ReceivedTimeReport>* latest, QString port)
{
    ClockReading reading;
    reading.name = port;
    reading.serial = true;
    reading.where = port;
    ReadDeviceServer(&reading, *client);
    reading.model =
        client->Model() ? QString::number(client->Model()->number) : QStringLiteral("unknown");
    ReadLatestReport(&reading, *latest, QDateTime::currentMSecsSinceEpoch() * 1000);
    reading.up = reading.up && !client->PortFailed();
    co_return RenderMetrics(ClockMetricFamilies({reading}, std::nullopt));
}

} // namespace

Task<int> RunWatch(CliContext& c)
{
    if (c.host.size() > 0)
        co_return NeedsSerial(c);
    ClockClient client;
    int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    // A report that crossed a device server carries the network's delay in
    // its offset: the line says so (a local port's line stays as it was).
    const QString link = client.BehindDeviceServer() ? client.LinkName() : QString();
    const auto show = [&c, &link](const ReceivedTimeReport& r) {
        const auto clock = ReportedLocalTime(r.report);
        const auto offset = ReportOffsetAt(r.report, r.arrivalUs);
        if (c.json) {
            QJsonObject line{{QStringLiteral("arrival"), Stamp(r.arrivalUs)},
                             {QStringLiteral("valid"), clock.has_value()}};
            if (clock) {
                line[u"clock"] = clock->toString(Qt::ISODate);
                line[u"gpsLocked"] = r.report.gpsLocked;
            }
            if (offset)
                line[u"offsetSeconds"] = std::round(*offset * 1e6) / 1e6;
            if (!link.isEmpty())
                line[u"link"] = link;
            c.out << QJsonDocument(line).toJson(QJsonDocument::Compact) << '\n';
        } else if (clock) {
            c.out << clock->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                  << (r.report.gpsLocked ? "  GPS locked    " : "  GPS unlocked  ")
                  << (offset ? QStringLiteral("offset %1 s").arg(*offset, 0, 'f', 6)
                             : QStringLiteral("not a time in this computer's zone"))
                  << (link.isEmpty() ? QString() : QStringLiteral("  link ") + link) << '\n';
        } else {
            c.out << "Time Not Available"
                  << (link.isEmpty() ? QString() : QStringLiteral("  link ") + link) << "\n";
        }
        c.out.flush();
        return Followed::Counted;
    };
    status = co_await FollowReports(c, client, show);
    co_return status;
}

Task<int> RunFeedChrony(CliContext& c)
{
    if (c.host.size() > 0)
        co_return NeedsSerial(c);
    if (c.arguments.size() != 1) {
        c.err << "feed-chrony needs the path of chronyd's SOCK socket.\n";
        co_return ExitCode::BadArguments;
    }
    const QString path = c.arguments[0];
    // A path that no wait mends is refused at once, before the clock is asked.
    if (const QString problem = ChronySocket::PermanentProblem(path); !problem.isEmpty()) {
        c.err << "Cannot feed chronyd through " << path << ": " << problem << ".\n";
        co_return ExitCode::NoAnswer;
    }
    std::optional<ListenAddress> metricsAt;
    if (!c.metrics.isEmpty()) {
        metricsAt = MetricsAddress(c, c.metrics);
        if (!metricsAt)
            co_return ExitCode::BadArguments;
    }
    ClockClient client;
    // The metrics come from the reports this feed reads anyway: a scrape
    // sends nothing to the clock.
    std::optional<ReceivedTimeReport> latest;
    const auto collect = [&client, &latest, port = c.port] {
        return FeedMetrics(&client, &latest, port);
    };
    MetricsServer metrics(collect, 0);
    if (metricsAt) {
        QString error;
        if (!metrics.Listen(*metricsAt, &error)) {
            c.err << error << '\n';
            co_return ExitCode::NoAnswer;
        }
    }
    int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    ChronySocket socket(path);
    c.out << "Feeding " << path << " from the model " << client.Model()->number << " clock on "
          << client.Where() << ".\n";
    c.out.flush();
    QString lastProblem;
    const auto feed = [&](const ReceivedTimeReport& r) {
        latest = r;
        const auto offset = ReportOffsetAt(r.report, r.arrivalUs);
        if (!offset)
            return Followed::NotCounted;
        QString problem;
        bool permanent = false;
        const bool sent = socket.Send(ChronySample(r.arrivalUs, *offset), &problem, &permanent);
        if (permanent) {
            c.err << "Cannot feed chronyd through " << path << ": " << problem << ".\n";
            return Followed::Failed;
        }
        // One line when chronyd stops or starts reading, not one per second.
        if (!sent && problem != lastProblem)
            c.err << "chronyd is not reading " << path << " (" << problem
                  << "); samples are dropped until it does.\n";
        else if (sent && !lastProblem.isEmpty())
            c.err << "chronyd is reading " << path << " again.\n";
        c.err.flush();
        lastProblem = sent ? QString() : problem;
        if (c.verbose) {
            c.out << Stamp(r.arrivalUs) << " offset " << QString::number(*offset, 'f', 6)
                  << (sent ? " s\n" : " s (not sent)\n");
            c.out.flush();
        }
        // --count counts the samples chronyd got.
        return sent ? Followed::Counted : Followed::NotCounted;
    };
    status = co_await FollowReports(c, client, feed);
    co_return status;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
// --fleet FILE: one command on every clock of a fleet file. Each clock runs
// the very command function a single clock runs, with a context of its own
// whose output is kept and printed, in the file's order, once all are done.
#include "cli/cli.h"
#include "cli/fleet_file.h"
#include "cli/open_files.h"
#include "clock/clock_model.h"
#include "clock/json_text.h"
#include "clock/password.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <memory>
#include <vector>

namespace tarvo
{

namespace
{

// A stop request is noticed within this time even while no clock ends.
constexpr int kStopCheckMs = 100;

// Rung by each clock's sequence as it ends, so that the next clock starts at
// once rather than at a poll.
class Doorbell : public QObject
{
    Q_OBJECT
Q_SIGNALS:
    void Rang();
};

// Descriptors kept aside for the program itself (event loop, standard
// streams, the fleet file); each clock worked on takes at most two more.
constexpr int kSpareDescriptors = 64;

// How many clocks can be worked on at once: a clock that cannot get a socket
// would be reported as silent when the computer ran out of descriptors, so
// the soft limit is raised as the hard limit allows and the parallelism
// kept within it.
int FitToDescriptors(int parallel)
{
    const qint64 needed = qint64(parallel) * 2 + kSpareDescriptors;
    const qint64 usable = RaiseOpenFilesLimit(needed);
    if (usable < 0 || usable >= needed)
        return parallel;
    return std::max(1, int((usable - std::min<qint64>(usable, kSpareDescriptors)) / 2));
}

enum class SlotState { Pending, Running, Done };

struct FleetSlot {
    FleetSlot(const CliContext& fleet, const FleetClock& entry)
        : clock(entry), activity(std::make_shared<CliActivity>()), out(&outText), err(&errText),
          context(out, err)
    {
        context.command = fleet.command;
        context.arguments = fleet.arguments;
        context.json = fleet.json;
        context.port = entry.port;
        context.host = entry.host;
        context.model = entry.model != 0 ? ModelByNumber(entry.model) : fleet.model;
        context.password = entry.password.isEmpty() ? fleet.password
                                                    : NetworkPasswordFromText(entry.password).bytes;
        context.timeoutMs = fleet.timeoutMs;
        context.verbose = fleet.verbose;
        context.showPassword = fleet.showPassword;
        context.spring = fleet.spring;
        context.fall = fleet.fall;
        context.startYear = fleet.startYear;
        context.activity = activity.get();
        // Two names for one device are one device.
        if (!entry.port.isEmpty()) {
            const QString canonical = QFileInfo(entry.port).canonicalFilePath();
            portKey = canonical.isEmpty() ? entry.port : canonical;
        }
    }
    FleetClock clock;
    std::shared_ptr<CliActivity> activity;
    QString outText;
    QString errText;
    QTextStream out;
    QTextStream err;
    CliContext context;
    QString portKey; // empty for a network clock
    SlotState state = SlotState::Pending;
    int status = ExitCode::NoAnswer;
};

Task<void> RunOneClock(Task<int> (*run)(CliContext&), FleetSlot* slot, Doorbell* bell)
{
    const int status = co_await run(slot->context);
    slot->out.flush();
    slot->err.flush();
    slot->status = status;
    slot->state = SlotState::Done;
    Q_EMIT bell->Rang();
}

// Commands that make sense on many clocks at once; "set network" would give
// every clock one address, "watch" never ends.
QString FleetRefusal(const CliContext& c)
{
    const QString what = c.arguments.value(0);
    const bool allowed = c.command == u"status" || c.command == u"dst" || (c.command == u"get") ||
                         (c.command == u"set" && (what == u"settings" || what == u"time")) ||
                         c.command == u"check";
    if (!allowed)
        return QStringLiteral("--fleet runs status, get, set settings, set time, dst and check "
                              "settings; not '%1'.")
            .arg((c.command + u' ' + what).trimmed());
    if ((c.command == u"set" || c.command == u"check") && c.arguments.value(1) == u"-")
        return QStringLiteral("--fleet reads the file once per clock: give a file, not '-'.");
    return {};
}

QStringList Lines(const QString& text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

QString LinkOf(const FleetClock& clock)
{
    return clock.port.isEmpty() ? QStringLiteral("network") : QStringLiteral("serial");
}

QString AddressOf(const FleetClock& clock)
{
    return clock.port.isEmpty() ? clock.host : clock.port;
}

// The result column: one line for each clock.
QString Summary(const FleetSlot& s)
{
    if (s.state != SlotState::Done)
        return QStringLiteral("not started (interrupted)");
    const QStringList out = Lines(s.outText);
    const QStringList err = Lines(s.errText);
    // A command whose output takes more lines says its result in one.
    if (s.status == ExitCode::Done && !s.context.result.isEmpty())
        return s.context.result;
    if (s.status == ExitCode::Done)
        return out.size() == 1 ? out[0] : QStringLiteral("done");
    const QString first = !err.isEmpty() ? err[0] : out.value(0);
    return QStringLiteral("exit %1: %2").arg(s.status).arg(first);
}

void PrintTable(CliContext& c, const std::vector<std::unique_ptr<FleetSlot>>& members)
{
    const QStringList header{QStringLiteral("CLOCK"), QStringLiteral("LINK"),
                             QStringLiteral("ADDRESS"), QStringLiteral("RESULT")};
    QList<QStringList> rows{header};
    for (const auto& s : members)
        rows.append({s->clock.name, LinkOf(s->clock), AddressOf(s->clock), Summary(*s)});
    int widths[3] = {0, 0, 0};
    for (const QStringList& row : rows) {
        for (int i = 0; i < 3; ++i)
            widths[i] = std::max(widths[i], int(row[i].size()));
    }
    for (const QStringList& row : rows)
        c.out << row[0].leftJustified(widths[0]) << "  " << row[1].leftJustified(widths[1]) << "  "
              << row[2].leftJustified(widths[2]) << "  " << EscapeControls(row[3]) << '\n';
    // A clock whose result takes more than the one line gets it whole.
    for (const auto& s : members) {
        const QStringList lines = Lines(s->outText) + Lines(s->errText);
        if (s->state != SlotState::Done || lines.size() <= 1)
            continue;
        c.out << '\n' << s->clock.name << ":\n";
        for (const QString& line : lines)
            c.out << "    " << EscapeControls(line) << '\n';
    }
}

QJsonObject ResultJson(const FleetSlot& s)
{
    QJsonObject o{
        {QStringLiteral("clock"), s.clock.name},
        {QStringLiteral("exit"), s.state == SlotState::Done ? QJsonValue(s.status) : QJsonValue()},
        {QStringLiteral("link"), LinkOf(s.clock)},
        {s.clock.port.isEmpty() ? QStringLiteral("host") : QStringLiteral("port"),
         AddressOf(s.clock)}};
    if (s.state != SlotState::Done) {
        o[u"error"] = QStringLiteral("not started (interrupted)");
        return o;
    }
    const QJsonDocument result = QJsonDocument::fromJson(s.outText.toUtf8());
    if (result.isObject()) {
        const QJsonObject fields = result.object();
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            if (!o.contains(it.key()) || it.key() == u"link" || it.key() == u"host" ||
                it.key() == u"port")
                o[it.key()] = it.value();
        }
    } else if (result.isArray()) {
        o[u"result"] = result.array();
    } else if (s.outText.trimmed() == u"null") {
        o[u"result"] = QJsonValue::Null;
    }
    if (s.status != ExitCode::Done && !s.errText.trimmed().isEmpty())
        o[u"error"] = s.errText.trimmed();
    return o;
}

} // namespace

int SeverityOf(int exitCode)
{
    switch (exitCode) {
    case ExitCode::Done:
        return 0;
    case ExitCode::ReadBackDiffers:
        return 1;
    case ExitCode::BadArguments:
        return 2;
    case ExitCode::PasswordRefused:
        return 3;
    case ExitCode::NoAnswer:
        return 4;
    default:
        return 5;
    }
}

int WorseExit(int a, int b)
{
    return SeverityOf(b) > SeverityOf(a) ? b : a;
}

Task<int> RunFleet(CliContext& c, Task<int> (*run)(CliContext&))
{
    const QString refusal = FleetRefusal(c);
    if (!refusal.isEmpty()) {
        c.err << "tarvo-clock: " << refusal << "\nTry 'tarvo-clock --help'.\n";
        co_return ExitCode::BadArguments;
    }
    const FleetParseResult fleet = ReadFleetFile(c.fleetFile);
    for (const QString& w : fleet.warnings)
        c.err << "warning: " << w << '\n';
    if (!fleet.ok()) {
        for (const QString& e : fleet.errors)
            c.err << "error: " << e << '\n';
        c.err << "Nothing was sent.\n";
        co_return ExitCode::BadArguments;
    }

    const int parallel = FitToDescriptors(std::min<int>(c.parallel, fleet.clocks.size()));
    if (parallel < std::min<int>(c.parallel, fleet.clocks.size()))
        c.err << "tarvo-clock: the limit of open files (ulimit -n) allows " << parallel
              << " clocks at once, not " << c.parallel << ".\n";

    CliActivity& top = *c.activity;
    std::vector<std::unique_ptr<FleetSlot>> members;
    for (const FleetClock& clock : fleet.clocks) {
        members.push_back(std::make_unique<FleetSlot>(c, clock));
        top.fleet.append({clock.name, false, false, members.back()->activity});
    }
    // Declared after the members and the bell, so the jobs (and the commands
    // they run) end before what they write to is gone.
    Doorbell bell;
    QObject jobs;
    QSet<QString> busyPorts;
    int running = 0;
    const auto clockEnded = [&] {
        for (size_t i = 0; i < members.size(); ++i) {
            if (members[i]->state == SlotState::Done && !top.fleet[int(i)].done)
                return true;
        }
        return false;
    };
    while (true) {
        for (size_t i = 0; i < members.size(); ++i) {
            FleetSlot& s = *members[i];
            if (s.state != SlotState::Pending || top.stopRequested || running >= parallel)
                continue;
            if (!s.portKey.isEmpty() && busyPorts.contains(s.portKey))
                continue;
            s.state = SlotState::Running;
            top.fleet[int(i)].started = true;
            ++running;
            if (!s.portKey.isEmpty())
                busyPorts.insert(s.portKey);
            auto* job = new Job(&jobs);
            job->Start(RunOneClock(run, &s, &bell));
        }
        if (running == 0)
            break;
        co_await WaitFor(&bell, &Doorbell::Rang, clockEnded, kStopCheckMs);
        for (size_t i = 0; i < members.size(); ++i) {
            FleetSlot& s = *members[i];
            if (s.state != SlotState::Done || top.fleet[int(i)].done)
                continue;
            top.fleet[int(i)].done = true;
            --running;
            busyPorts.remove(s.portKey);
        }
    }
    int worst = ExitCode::Done;
    for (const auto& s : members) {
        if (s->state == SlotState::Done)
            worst = WorseExit(worst, s->status);
    }
    if (c.json) {
        for (const auto& s : members)
            c.out << QJsonDocument(ResultJson(*s)).toJson(QJsonDocument::Compact) << '\n';
    } else {
        PrintTable(c, members);
    }
    c.out.flush();
    top.fleet.clear();
    if (top.stopRequested) {
        QStringList notStarted;
        for (const auto& s : members) {
            if (s->state != SlotState::Done)
                notStarted.append(s->clock.name);
        }
        if (!notStarted.isEmpty())
            c.err << "tarvo-clock: interrupted; not started: " << notStarted.join(u", ") << ".\n";
        co_return top.stopStatus != 0 ? top.stopStatus : worst;
    }
    co_return worst;
}

} // namespace tarvo

#include "cmd_fleet.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The exporter: every clock of a fleet as Prometheus metrics, asked when
// Prometheus scrapes.
#include "cli/cli.h"
#include "cli/clock_exporter.h"
#include "cli/fleet_file.h"
#include "cli/metrics_server.h"
#include "cli/open_files.h"
#include "cli/web_config.h"
#include "clock/clock_model.h"
#include "clock/json_text.h"
#include "clock/password.h"
#include "clock/settings_json.h"
#include "session/json_file.h"

#include <QSet>

namespace tarvo
{

namespace
{
// Prometheus' scrapes of one target come at least a second apart; a second
// scrape within that (a second Prometheus, a person looking) gets the same
// text instead of asking every clock again.
constexpr int kCacheMs = 1000;
constexpr int kStopPollMs = 250;
// How long a clock has to answer. Every clock is asked at once, so a scrape
// takes about this long when any clock is silent, however many there are;
// Prometheus waits 10 s for a scrape by default, and a scrape that runs over
// loses every clock's metrics, the down ones' 0 too. Answers on a plant's
// network take milliseconds.
constexpr int kDefaultAnswerMs = 1000;
// Descriptors besides the clocks': the scrape connections the server allows
// (64, and one held back), its listener, the shared socket, the event loop,
// the standard streams and the files read at start.
constexpr int kServerDescriptors = 64 + 1 + 1 + 1;
constexpr int kSpareDescriptors = 32;

int Refuse(CliContext& c, const QString& text)
{
    c.err << "tarvo-clock: " << text << "\nTry 'tarvo-clock exporter --help'.\n";
    return ExitCode::BadArguments;
}
} // namespace

std::optional<ListenAddress> MetricsAddress(CliContext& c, const QString& text)
{
    QString error;
    auto where = ParseListenAddress(text, &error);
    if (!where)
        Refuse(c, error);
    return where;
}

Task<int> ServeUntilStopped(CliContext& c)
{
    c.activity->following = true;
    while (!c.activity->stopRequested)
        co_await Sleep(kStopPollMs);
    co_return ExitCode::Done;
}

Task<int> RunExporter(CliContext& c)
{
    if (!c.arguments.isEmpty())
        co_return Refuse(c, QStringLiteral("exporter takes no arguments."));
    const auto where =
        MetricsAddress(c, c.listen.isEmpty() ? QStringLiteral("127.0.0.1:9817") : c.listen);
    if (!where)
        co_return ExitCode::BadArguments;
    QList<ExportTarget> targets;
    if (!c.fleetFile.isEmpty()) {
        const FleetParseResult fleet = ReadFleetFile(c.fleetFile);
        for (const QString& warning : fleet.warnings)
            c.err << "warning: " << warning << '\n';
        if (!fleet.ok()) {
            for (const QString& problem : fleet.errors)
                c.err << EscapeControls(problem) << '\n';
            co_return Refuse(
                c, fleet.errors.isEmpty()
                       ? QStringLiteral("The fleet file %1 lists no clock.").arg(c.fleetFile)
                       : QStringLiteral("The fleet file %1 cannot be used.").arg(c.fleetFile));
        }
        for (const FleetClock& clock : fleet.clocks) {
            // The fleet parser has checked the password and the model.
            const QByteArray password = clock.password.isEmpty()
                                            ? c.password
                                            : NetworkPasswordFromText(clock.password).bytes;
            const ClockModel* model = clock.model != 0 ? ModelByNumber(clock.model) : c.model;
            targets.append({clock.name, clock.port, clock.host, password, model});
        }
    }
    for (const QString& port : c.ports) {
        if (const QString problem = ClockSession::SerialPortNameProblem(port); !problem.isEmpty())
            co_return Refuse(c, problem);
        targets.append({port, port, {}, c.password, c.model});
    }
    for (const QString& host : c.hosts)
        targets.append({host, {}, host, c.password, c.model});
    if (targets.isEmpty())
        co_return Refuse(c, QStringLiteral("exporter needs the clocks: --fleet FILE, or --port "
                                           "DEVICE and --host ADDRESS, each as often as needed."));
    // Two clocks of one name would be one series twice, and Prometheus
    // refuses a scrape that holds a series twice: every clock would be lost.
    QSet<QString> names;
    for (const ExportTarget& target : targets) {
        if (names.contains(target.name))
            co_return Refuse(c, QStringLiteral("The clock name '%1' is given twice; every clock "
                                               "needs a name of its own.")
                                    .arg(EscapeControls(target.name)));
        names.insert(target.name);
    }
    std::optional<QJsonObject> golden;
    if (!c.golden.isEmpty()) {
        const JsonFileRead read = ReadJsonObjectFile(c.golden);
        if (!read.ok())
            co_return Refuse(c, read.error);
        // A field no model knows, or a value out of range, would read as a
        // drift on every clock for ever: refused now, each problem named.
        QStringList problems;
        bool fitsAModel = false;
        for (const ClockModel& model : AllModels()) {
            ScriptSettings blank;
            blank.model = &model;
            const SettingsParse parse = SettingsFromJson(read.object, blank);
            fitsAModel = fitsAModel || parse.errors.isEmpty();
            if (problems.isEmpty())
                problems = parse.errors;
        }
        if (!fitsAModel) {
            for (const QString& problem : problems)
                c.err << c.golden << ": " << EscapeControls(problem) << '\n';
            co_return Refuse(
                c, QStringLiteral("The golden file %1 fits no clock model.").arg(c.golden));
        }
        golden = read.object;
    }
    std::optional<QSslConfiguration> tls;
    BasicAuth auth({});
    if (!c.webConfig.isEmpty()) {
        QString error;
        const std::optional<WebConfig> config = ReadWebConfig(c.webConfig, &error);
        if (!config)
            co_return Refuse(c, error);
        if (!config->certFile.isEmpty() && !(tls = ServerTls(*config, &error)))
            co_return Refuse(c, error);
        auth = BasicAuth(config->users);
    }
    // The network clocks share one socket; each serial clock holds its port
    // (and, while it opens, its lock file).
    const qint64 serialClocks = std::count_if(
        targets.begin(), targets.end(), [](const ExportTarget& t) { return t.host.isEmpty(); });
    const qint64 needed = serialClocks * 2 + kServerDescriptors + kSpareDescriptors;
    if (const qint64 limit = RaiseOpenFilesLimit(needed); limit >= 0 && limit < needed)
        c.err << "warning: the limit of open files (ulimit -n) is " << limit << "; " << serialClocks
              << (serialClocks == 1 ? " serial clock" : " serial clocks")
              << " and 64 scrape connections may need " << needed
              << ", and what cannot be opened is served as down. Raise the hard limit "
                 "(LimitNOFILE= in a service unit).\n";
    ClockExporter exporter(targets, golden, c.timeoutGiven ? c.timeoutMs : kDefaultAnswerMs,
                           c.parallelGiven ? c.parallel : 0);
    if (!exporter.NetworkReady()) {
        c.err << "Cannot open a UDP socket for the network clocks.\n";
        co_return ExitCode::NoAnswer;
    }
    const auto collect = [&exporter] { return exporter.Collect(); };
    MetricsServer server(collect, kCacheMs);
    server.SetProtection(tls, auth);
    QString error;
    if (!server.Listen(*where, &error)) {
        c.err << error << '\n';
        co_return ExitCode::NoAnswer;
    }
    const QString at = QStringLiteral("%1:%2").arg(where->address.toString()).arg(server.Port());
    if (const QString warning =
            ExposureWarning(at, where->address.isLoopback(), auth.Enabled(), tls.has_value());
        !warning.isEmpty())
        c.err << warning << '\n';
    c.err.flush();
    c.out << "Serving the metrics of " << targets.size()
          << (targets.size() == 1 ? " clock" : " clocks") << " at "
          << (tls ? "https://" : "http://") << at << "/metrics.\n";
    c.out.flush();
    const int status = co_await ServeUntilStopped(c);
    co_return status;
}

} // namespace tarvo

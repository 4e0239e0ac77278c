// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include "build_config.h"

#include "clock/clock_model.h"
#include "clock/json_text.h"
#include "clock/password.h"
#include "clock/settings_json.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tarvo
{

namespace
{
struct Command {
    const char* name;
    Task<int> (*run)(CliContext&);
};

constexpr Command kCommands[] = {
    {"discover", RunDiscover},
    {"status", RunStatus},
    {"get", RunGet},
    {"set", RunSet},
    {"dst", RunDst},
    {"nudge", RunNudge},
    {"resync", RunResync},
    {"factory-defaults", RunFactoryDefaults},
    {"modem-update", RunModemUpdate},
    {"watch", RunWatch},
    {"feed-chrony", RunFeedChrony},
    {"exporter", RunExporter},
    {"check", RunCheck},
};

int BadArguments(CliContext& c, const QString& text)
{
    c.err << "tarvo-clock: " << EscapeControls(text) << "\nTry 'tarvo-clock --help'.\n";
    c.err.flush();
    return ExitCode::BadArguments;
}

QStringList SplitList(const QString& text, QChar separator)
{
    QStringList items = text.split(separator, Qt::SkipEmptyParts);
    for (QString& item : items)
        item = item.trimmed();
    return items;
}

} // namespace

QString InterruptedText(const CliActivity& activity)
{
    if (!activity.fleet.isEmpty()) {
        QStringList notDone;
        for (const FleetMemberActivity& member : activity.fleet) {
            if (member.done)
                continue;
            if (!member.started)
                notDone.append(member.name + QStringLiteral(" (not started)"));
            else if (member.activity->sent.isEmpty())
                notDone.append(member.name + QStringLiteral(" (nothing sent)"));
            else
                notDone.append(QStringLiteral("%1 (sent: %2)")
                                   .arg(member.name, member.activity->sent.join(u", ")));
        }
        return QStringLiteral("tarvo-clock: interrupted; clocks not done: %1.")
            .arg(notDone.join(QStringLiteral("; ")));
    }
    if (activity.sent.isEmpty())
        return QStringLiteral("tarvo-clock: interrupted before anything was sent to the clock.");
    return QStringLiteral("tarvo-clock: interrupted; sent to the clock: %1; nothing after that was "
                          "sent, and the clock's answer was not read.")
        .arg(activity.sent.join(QStringLiteral(", ")));
}

bool IsCliCommand(const QString& command)
{
    for (const Command& known : kCommands) {
        if (command == QLatin1String(known.name))
            return true;
    }
    return false;
}

Task<int> RunTarvoClock(QStringList arguments, QTextStream& out, QTextStream& err,
                        CliActivity* activity)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    const QCommandLineOption port(QStringLiteral("port"), {}, QStringLiteral("DEVICE"));
    const QCommandLineOption host(QStringLiteral("host"), {}, QStringLiteral("ADDRESS"));
    const QCommandLineOption model(QStringLiteral("model"), {}, QStringLiteral("MODEL"));
    const QCommandLineOption password(QStringLiteral("password"), {}, QStringLiteral("XXXX"));
    const QCommandLineOption json(QStringLiteral("json"), {});
    const QCommandLineOption timeout(QStringLiteral("timeout"), {}, QStringLiteral("MS"));
    const QCommandLineOption localAddresses(QStringLiteral("local-addresses"), {},
                                            QStringLiteral("LIST"));
    const QCommandLineOption serialPorts(QStringLiteral("serial-ports"), {},
                                         QStringLiteral("LIST"));
    const QCommandLineOption noSerial(QStringLiteral("no-serial"), {});
    const QCommandLineOption noNetwork(QStringLiteral("no-network"), {});
    const QCommandLineOption count(QStringLiteral("count"), {}, QStringLiteral("N"));
    const QCommandLineOption verbose({QStringLiteral("v"), QStringLiteral("verbose")}, {});
    const QCommandLineOption yes(QStringLiteral("yes"), {});
    const QCommandLineOption spring(QStringLiteral("spring"), {}, QStringLiteral("RULE"));
    const QCommandLineOption fall(QStringLiteral("fall"), {}, QStringLiteral("RULE"));
    const QCommandLineOption startYear(QStringLiteral("start-year"), {}, QStringLiteral("YEAR"));
    const QCommandLineOption logTraffic(QStringLiteral("log-traffic"), {});
    const QCommandLineOption fleet(QStringLiteral("fleet"), {}, QStringLiteral("FILE"));
    const QCommandLineOption parallel(QStringLiteral("parallel"), {}, QStringLiteral("N"));
    const QCommandLineOption showPassword(QStringLiteral("show-password"), {});
    parser.addOptions({help, version, port, host, model, password, json, timeout, localAddresses,
                       serialPorts, noSerial, noNetwork, count, verbose, yes, spring, fall,
                       startYear, logTraffic});
    parser.addOptions({fleet, parallel, showPassword});
    const QCommandLineOption listen(QStringLiteral("listen"), {}, QStringLiteral("ADDRESS:PORT"));
    const QCommandLineOption golden(QStringLiteral("golden"), {}, QStringLiteral("FILE"));
    const QCommandLineOption metrics(QStringLiteral("metrics"), {}, QStringLiteral("ADDRESS:PORT"));
    // Also under the name Prometheus' own exporters give it.
    const QCommandLineOption webConfig(
        {QStringLiteral("web-config"), QStringLiteral("web.config.file")}, {},
        QStringLiteral("FILE"));
    parser.addOptions({listen, golden, metrics, webConfig});

    CliContext c(out, err);
    CliActivity ownActivity;
    c.activity = activity ? activity : &ownActivity;
    // "-1h" and "-5ms" are the nudge's steps, not options: they go after "--",
    // where the parser takes everything as a positional argument.
    QStringList args;
    QStringList steps;
    for (const QString& a : arguments) {
        if (a == u"-1h" || a == u"-5ms")
            steps.append(a);
        else
            args.append(a);
    }
    if (!steps.isEmpty()) {
        if (!args.contains(QStringLiteral("--")))
            args.append(QStringLiteral("--"));
        args += steps;
    }
    if (!parser.parse(args))
        co_return BadArguments(c, parser.errorText());
    // An option's value that is itself an option ("--port --host x") is a
    // mistake: refused before anything else, naming the option.
    for (const QCommandLineOption& option :
         {port, host, model, password, timeout, localAddresses, serialPorts, count, spring, fall,
          startYear, fleet, parallel, listen, golden, metrics, webConfig}) {
        if (parser.isSet(option) && parser.value(option).startsWith(QLatin1String("--")))
            co_return BadArguments(c, QStringLiteral("--%1 needs a value, not the option '%2'.")
                                          .arg(option.names().constLast(), parser.value(option)));
    }
    const QStringList positional = parser.positionalArguments();
    c.command = positional.value(0);
    c.arguments = positional.mid(1);

    if (parser.isSet(help) || c.command == u"help") {
        const QString topic = c.command == u"help" ? c.arguments.value(0) : c.command;
        if (!topic.isEmpty() && !IsCliCommand(topic))
            co_return BadArguments(c, QStringLiteral("'%1' is not a command.").arg(topic));
        out << CliHelp(topic);
        out.flush();
        co_return ExitCode::Done;
    }
    if (parser.isSet(version)) {
        out << "tarvo-clock " << QStringLiteral(TARVO_VERSION) << '\n';
        out.flush();
        co_return ExitCode::Done;
    }
    if (c.command.isEmpty())
        co_return BadArguments(c, QStringLiteral("No command given."));
    if (!IsCliCommand(c.command))
        co_return BadArguments(c, QStringLiteral("'%1' is not a command.").arg(c.command));

    c.json = parser.isSet(json);
    c.port = parser.value(port);
    c.host = parser.value(host);
    c.verbose = parser.isSet(verbose);
    c.yes = parser.isSet(yes);
    c.showPassword = parser.isSet(showPassword);
    c.spring = parser.value(spring);
    c.fall = parser.value(fall);
    c.noSerial = parser.isSet(noSerial);
    c.noNetwork = parser.isSet(noNetwork);
    c.localAddresses = SplitList(parser.value(localAddresses), u',');
    c.serialPorts = ClockSession::SplitSerialPortList(parser.value(serialPorts));
    ClockSession::LogTraffic(parser.isSet(logTraffic));
    c.ports = parser.values(port);
    c.hosts = parser.values(host);
    c.listen = parser.value(listen);
    c.golden = parser.value(golden);
    c.metrics = parser.value(metrics);
    c.webConfig = parser.value(webConfig);

    // The exporter serves many clocks; every other command talks to one.
    if (!c.port.isEmpty() && !c.host.isEmpty() && c.command != u"exporter")
        co_return BadArguments(c, QStringLiteral("Give --port or --host, not both."));
    if (parser.isSet(model)) {
        c.model = ModelByNumber(parser.value(model).toInt());
        if (!c.model)
            co_return BadArguments(c, QStringLiteral("--model must be 226, 229, 207 or 222."));
    }
    const NetworkPasswordInput typed = NetworkPasswordFromText(
        parser.isSet(password) ? parser.value(password)
                               : QString::fromLatin1(DefaultNetworkPassword()));
    if (!typed.ok())
        co_return BadArguments(c, QStringLiteral("--password: ") + typed.error);
    c.password = typed.bytes;
    if (parser.isSet(timeout)) {
        c.timeoutGiven = true;
        bool ok = false;
        c.timeoutMs = parser.value(timeout).toInt(&ok);
        if (!ok || c.timeoutMs < 100 || c.timeoutMs > 60000)
            co_return BadArguments(c,
                                   QStringLiteral("--timeout must be 100 to 60000 milliseconds."));
    }
    if (parser.isSet(count)) {
        bool ok = false;
        c.count = parser.value(count).toInt(&ok);
        if (!ok || c.count < 1)
            co_return BadArguments(c, QStringLiteral("--count must be a whole number from 1."));
    }
    if (parser.isSet(startYear)) {
        bool ok = false;
        const int year = parser.value(startYear).toInt(&ok);
        if (!ok || year < 2005 || year > 2100)
            co_return BadArguments(c, QStringLiteral("--start-year must be 2005 to 2100."));
        c.startYear = year - 2000;
    }
    c.fleetFile = parser.value(fleet);
    if (!c.fleetFile.isEmpty() && (!c.port.isEmpty() || !c.host.isEmpty()))
        co_return BadArguments(c, QStringLiteral("Give --fleet or --port/--host, not both."));
    if (parser.isSet(parallel)) {
        c.parallelGiven = true;
        bool ok = false;
        c.parallel = parser.value(parallel).toInt(&ok);
        if (!ok || c.parallel < 1 || c.parallel > 1000)
            co_return BadArguments(c, QStringLiteral("--parallel must be 1 to 1000."));
    }
    for (const Command& known : kCommands) {
        // The exporter keeps every clock of the fleet itself.
        if (c.command == QLatin1String(known.name) && !c.fleetFile.isEmpty() &&
            c.command != u"exporter") {
            const int status = co_await RunFleet(c, known.run);
            out.flush();
            err.flush();
            co_return status;
        }
        if (c.command == QLatin1String(known.name)) {
            const int status = co_await known.run(c);
            out.flush();
            err.flush();
            co_return status;
        }
    }
    co_return ExitCode::BadArguments;
}

Task<int> ConnectClock(CliContext& c, ClockClient& client)
{
    if (c.port.isEmpty() && c.host.isEmpty())
        co_return BadArguments(c,
                               QStringLiteral("Give the clock's --port DEVICE or --host ADDRESS."));
    client.SetModel(c.model);
    client.SetPassword(c.password);
    client.SetActivity(c.activity);
    client.SetReplyTimeout(std::chrono::milliseconds(c.timeoutMs));
    QString error;
    const bool opened =
        c.port.isEmpty() ? client.OpenNetwork(c.host, &error) : client.OpenSerial(c.port, &error);
    if (!opened) {
        c.err << error << '\n';
        co_return ExitCode::NoAnswer;
    }
    const bool ready = co_await client.LinkReady(&error);
    if (!ready) {
        c.err << error << '\n';
        co_return ExitCode::NoAnswer;
    }
    const Reply reply = co_await client.Identify();
    const int status = ReportReply(c, reply, {});
    // A device server that lost the connection while the clock was asked
    // (ser2net drops a second client of a port in use) is the likelier cause.
    if (status == ExitCode::NoAnswer && client.BehindDeviceServer()) {
        const QString fault = client.Session().SerialTransportStatus().lastFault;
        if (!fault.isEmpty())
            c.err << "Meanwhile " << fault << ".\n";
    }
    if (status != ExitCode::Done)
        co_return status;
    if (!client.Model()) {
        c.err << "The clock at " << client.Where()
              << " did not name its model; give it with --model.\n";
        co_return ExitCode::BadArguments;
    }
    co_return ExitCode::Done;
}

int ReportReply(CliContext& c, Reply reply, const QString& what)
{
    switch (reply) {
    case Reply::Answered:
        return ExitCode::Done;
    case Reply::Refused:
        c.err << "The clock refused the password.\n";
        return ExitCode::PasswordRefused;
    case Reply::Silent:
    case Reply::NotSent:
        break;
    }
    const QString where = c.port.isEmpty() ? c.host : c.port;
    if (what.isEmpty())
        c.err << "No clock answered on " << where << ".\n";
    else
        c.err << "The clock on " << where << " did not send " << what << ".\n";
    return ExitCode::NoAnswer;
}

int ReportVerdict(CliContext& c, const Outcome& outcome, const QString& what)
{
    switch (outcome.verdict) {
    case Verdict::Taken:
    case Verdict::Answered:
    case Verdict::NotTaken:
        return ExitCode::Done;
    case Verdict::Refused:
        return ReportReply(c, Reply::Refused, what);
    case Verdict::NoAnswer:
        return ReportReply(c, Reply::Silent, what);
    case Verdict::NotSent:
        break;
    }
    c.err << "Nothing could be sent to " << (c.port.isEmpty() ? c.host : c.port) << ".\n";
    return ExitCode::NoAnswer;
}

void PrintData(CliContext& c, const QJsonValue& data, const QString& path, const QStringList& order)
{
    if (c.json) {
        const QJsonDocument doc =
            data.isArray() ? QJsonDocument(data.toArray()) : QJsonDocument(data.toObject());
        c.out << doc.toJson(QJsonDocument::Indented);
    } else {
        // Names and passwords come from the clock, which may be anyone's.
        for (const QString& line : JsonAsLines(data, path, order))
            c.out << EscapeControls(line) << '\n';
    }
    c.out.flush();
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
// Commands that change the clock: set settings, set network, dst, resync,
// factory-defaults and modem-update. Each reads back what the clock holds
// afterwards wherever the clock can show it.
#include "cli/cli.h"
#include "clock/clock_model.h"
#include "clock/json_text.h"
#include "clock/master_record.h"
#include "clock/password.h"
#include "clock/settings_json.h"
#include "clock/time_commands.h"
#include "connect/network_json.h"
#include "connect/network_settings.h"
#include "dst/dst_script.h"
#include "operations/change_operations.h"
#include "session/json_file.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tarvo
{

namespace
{
// A clock on the network is given this long to take a record before it is
// asked for it again, as the window spaces its requests.
constexpr std::chrono::milliseconds kSettle{300};
// A clock that applies new network settings restarts its network; it is asked
// again until it answers or this time has passed.
constexpr std::chrono::milliseconds kNetworkRestart{30000};

int ReadJsonFile(CliContext& c, const QString& path, QJsonObject* object)
{
    JsonFileRead read;
    if (path == u"-") {
        QFile file;
        if (file.open(stdin, QIODevice::ReadOnly))
            read = ReadJsonObject(file, path);
        else
            read.error = path + QStringLiteral(": ") + file.errorString();
    } else {
        read = ReadJsonObjectFile(path);
    }
    if (!read.ok()) {
        c.err << read.error << "\nNothing was sent.\n";
        return ExitCode::BadArguments;
    }
    *object = read.object;
    return ExitCode::Done;
}

int RefuseInput(CliContext& c, const QStringList& errors)
{
    for (const QString& e : errors)
        c.err << "error: " << EscapeControls(e) << '\n';
    c.err << "Nothing was sent.\n";
    return ExitCode::BadArguments;
}

// The result of a change: what went out and what reads back differently.
int ReportChange(CliContext& c, int sent, const QStringList& differences, const QString& doneText)
{
    if (c.json) {
        PrintData(c, QJsonObject{
                         {QStringLiteral("sent"), sent},
                         {QStringLiteral("verified"), differences.isEmpty()},
                         {QStringLiteral("differences"), QJsonArray::fromStringList(differences)}});
    } else if (differences.isEmpty()) {
        c.out << doneText << '\n';
    }
    if (differences.isEmpty())
        return ExitCode::Done;
    c.err << "The clock reads back differently:\n";
    for (const QString& d : differences)
        c.err << "  " << EscapeControls(d) << '\n';
    return ExitCode::ReadBackDiffers;
}

} // namespace

Task<int> RunSet(CliContext& c)
{
    const QString what = c.arguments.value(0);
    if (what == u"time") {
        const int status = co_await RunSetTime(c);
        co_return status;
    }
    if ((what != u"settings" && what != u"network") || c.arguments.size() != 2) {
        c.err << "set needs: settings FILE, network FILE or time now|\"YYYY-MM-DD HH:MM:SS\".\n";
        co_return ExitCode::BadArguments;
    }
    // The file is read before the clock is reached: a broken file sends nothing.
    QJsonObject input;
    int status = ReadJsonFile(c, c.arguments[1], &input);
    if (status != ExitCode::Done)
        co_return status;
    ClockClient client;
    status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    if (what == u"settings")
        status = co_await RunSetSettings(c, client, input);
    else
        status = co_await RunSetNetwork(c, client, input);
    co_return status;
}

Task<int> RunSetSettings(CliContext& c, ClockClient& client, const QJsonObject& input)
{
    const Answer<MasterRecord> answer =
        co_await client.Ask<MasterRecord>(command::RequestMasterSettings{});
    const int status = ReportReply(c, answer.reply, QStringLiteral("its settings"));
    if (status != ExitCode::Done)
        co_return status;
    const QByteArray& record = answer.record->record;
    const ScriptSettings current = ScriptSettingsFromRecord(record, client.Model());
    const SettingsParse wanted = SettingsFromJson(input, current);
    if (!wanted.errors.isEmpty())
        co_return RefuseInput(c, wanted.errors);
    // The network record has no place for the modem's number: asked for over
    // the network, it would be dropped without a word.
    if (!client.Link().ModelByTrailer() && wanted.value.phone != current.phone)
        co_return RefuseInput(c, {QStringLiteral("modem.phone: the network does not carry the "
                                                 "modem's number; set it over the serial port")});

    // Over the serial link only the settings that differ go out; the network
    // carries the settings as one record, whole or not at all.
    command::SettingsChange change;
    change.serialCommands = ChangedSerialCommands(wanted.value, current);
    const QByteArray after = SettingsNetworkRecord(wanted.value, record);
    if (after != SettingsNetworkRecord(current, record))
        change.networkRecord = after;
    const int frames = client.Link().FramesFor(change);
    if (frames == 0)
        co_return ReportChange(
            c, 0, {}, QStringLiteral("The clock already has these settings; nothing was sent."));
    const Outcome outcome = co_await SendSettings(client.Session(), client.Link(), change,
                                                  wanted.value, client.ReplyTimeout());
    if (outcome.verdict == Verdict::NotSent) {
        c.err << "The settings could not be sent to " << client.Where() << ".\n";
        co_return ExitCode::NoAnswer;
    }
    const int answered = ReportVerdict(c, outcome, QStringLiteral("its settings back"));
    if (answered != ExitCode::Done)
        co_return answered;
    co_return ReportChange(
        c, frames, outcome.differences,
        QStringLiteral("Sent %1 change%2; the clock reads back every setting as asked.")
            .arg(frames)
            .arg(frames == 1 ? "" : "s"));
}

Task<int> RunSetNetwork(CliContext& c, ClockClient& client, const QJsonObject& input)
{
    const Answer<NetworkRecord> answer =
        co_await client.Ask<NetworkRecord>(command::RequestNetworkSettings{});
    const int status = ReportReply(c, answer.reply, QStringLiteral("its network settings"));
    if (status != ExitCode::Done)
        co_return status;
    if (!answer.record->present) {
        c.err << "The clock has no network option.\nNothing was sent.\n";
        co_return ExitCode::BadArguments;
    }
    const ClockModel* model = client.Model();
    const QByteArray record = PaddedNetworkData(answer.record->networkData);
    const NetworkParse wanted = NetworkFromJson(input, record, model);
    if (!wanted.errors.isEmpty())
        co_return RefuseInput(c, wanted.errors);
    if (wanted.record == record)
        co_return ReportChange(
            c, 0, {},
            QStringLiteral("The clock already has these network settings; nothing was sent."));

    const QString oldAddress = NetworkAddressOf(record);
    const QString newAddress = NetworkAddressOf(wanted.record);
    if (client.Send(command::NetworkSettings{wanted.record}) == 0) {
        c.err << "The network settings could not be sent to " << client.Where() << ".\n";
        co_return ExitCode::NoAnswer;
    }

    // Over the network the clock answers at its new address, and with a new
    // password once it has one.
    ClockClient moved;
    ClockClient* reader = &client;
    if (!client.Link().ModelByTrailer()) {
        QString error;
        if (!moved.OpenNetwork(newAddress, &error)) {
            c.err << error << '\n';
            co_return ExitCode::NoAnswer;
        }
        moved.SetModel(client.Model());
        moved.SetReplyTimeout(client.ReplyTimeout());
        moved.SetPassword(PasswordEnabledInRecord(wanted.record)
                              ? PasswordTextFromRecord(wanted.record).toLatin1()
                              : client.Password());
        reader = &moved;
    }
    const QDeadlineTimer restart(kNetworkRestart);
    Answer<NetworkRecord> readBack;
    while (!restart.hasExpired()) {
        co_await Sleep(kSettle);
        readBack = co_await reader->Ask<NetworkRecord>(command::RequestNetworkSettings{});
        if (readBack.reply != Reply::Silent)
            break;
    }
    const int answered =
        ReportReply(c, readBack.reply, QStringLiteral("its network settings back"));
    if (answered != ExitCode::Done)
        co_return answered;
    QStringList differences =
        JsonDifferences(NetworkToJson(wanted.record, model),
                        NetworkToJson(PaddedNetworkData(readBack.record->networkData), model));
    for (QString& difference : differences) {
        if (difference.startsWith(u"password:") && !c.showPassword)
            difference = QStringLiteral("password: not as asked (%1; --show-password shows it)")
                             .arg(HiddenPasswordText);
    }
    QString done = QStringLiteral("Sent the network settings; the clock reads them back as asked.");
    if (newAddress != oldAddress)
        done += QStringLiteral(" It now answers at %1.").arg(newAddress);
    co_return ReportChange(c, 1, differences, done);
}

Task<int> RunDst(CliContext& c)
{
    if (!c.arguments.isEmpty() || c.spring.isEmpty() || c.fall.isEmpty()) {
        c.err << "dst needs --spring RULE and --fall RULE, as in --spring \"2nd Sun Mar 2:00\".\n";
        co_return ExitCode::BadArguments;
    }
    QString springError, fallError;
    const auto spring = ParseDstRule(c.spring, &springError);
    const auto fall = ParseDstRule(c.fall, &fallError);
    QStringList errors;
    if (!spring)
        errors.append(QStringLiteral("--spring: ") + springError);
    if (!fall)
        errors.append(QStringLiteral("--fall: ") + fallError);
    if (!errors.isEmpty())
        co_return RefuseInput(c, errors);
    const int startYear = c.startYear != 0 ? c.startYear : QDate::currentDate().year() - 2000;
    const DstPlan plan = PlanDst(*spring, *fall, startYear);

    ClockClient client;
    const int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    const command::DstTables tables{plan.springDates, plan.fallDates, plan.spring, plan.fall,
                                    startYear};
    const Outcome outcome =
        co_await SendDstTables(client.Session(), client.Link(), tables, client.ReplyTimeout());
    if (outcome.verdict == Verdict::NotSent) {
        c.err << "The dates could not be sent to " << client.Where() << ".\n";
        co_return ExitCode::NoAnswer;
    }
    const int answered = ReportVerdict(c, outcome, QStringLiteral("its DST dates back"));
    if (answered != ExitCode::Done)
        co_return answered;
    co_return ReportChange(c, 1, outcome.differences,
                           QStringLiteral("The clock's DST dates now follow spring %1 and fall "
                                          "%2, %3 to %4.")
                               .arg(DstRuleText(plan.spring), DstRuleText(plan.fall))
                               .arg(2000 + startYear)
                               .arg(2000 + startYear + DstTableYears - 1));
}

Task<int> RunResync(CliContext& c)
{
    ClockClient client;
    const int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    // The clock does not answer a resync; asking for its settings afterwards
    // shows it is still there and took the password.
    const Outcome outcome = co_await SendAndHearBack(client.Session(), client.Link(),
                                                     command::Resync{}, client.ReplyTimeout());
    const int answered = ReportVerdict(c, outcome, QStringLiteral("an answer after the resync"));
    if (answered != ExitCode::Done)
        co_return answered;
    co_return ReportChange(c, 1, {}, QStringLiteral("Resync sent; the clock answered."));
}

Task<int> RunFactoryDefaults(CliContext& c)
{
    if (!c.yes) {
        c.err << "factory-defaults resets every setting of the clock; add --yes to do it.\n";
        co_return ExitCode::BadArguments;
    }
    ClockClient client;
    const int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    const DefaultsRestored restored =
        co_await RestoreFactoryDefaults(client.Session(), client.Link(), client.ReplyTimeout());
    const int answered = ReportVerdict(c, restored.outcome, QStringLiteral("its settings back"));
    if (answered != ExitCode::Done)
        co_return answered;
    PrintData(c, SettingsToJson(ScriptSettingsFromRecord(*restored.record, client.Model())));
    co_return ExitCode::Done;
}

Task<int> RunModemUpdate(CliContext& c)
{
    ClockClient client;
    const int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    if (!client.Model()->modem || client.Link().FramesFor(command::ModemUpdateNow{}) == 0) {
        c.err << "modem-update is for the model 222 on its serial port.\n";
        co_return ExitCode::BadArguments;
    }
    const Outcome outcome = co_await SendAndHearBack(
        client.Session(), client.Link(), command::ModemUpdateNow{}, client.ReplyTimeout());
    const int answered = ReportVerdict(c, outcome, QStringLiteral("an answer"));
    if (answered != ExitCode::Done)
        co_return answered;
    co_return ReportChange(c, 1, {}, QStringLiteral("Modem update requested; the clock answered."));
}

} // namespace tarvo

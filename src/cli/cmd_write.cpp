// Commands that change the clock: set settings, set network, dst, resync,
// factory-defaults and modem-update. Each reads back what the clock holds
// afterwards wherever the clock can show it.
#include "cli/cli.h"
#include "cli/dst_script.h"
#include "cli/json_text.h"
#include "cli/network_json.h"
#include "cli/settings_json.h"
#include "clock/master_record.h"
#include "clock/password.h"
#include "clock/time_commands.h"
#include "connect/network_settings.h"

#include <QDate>
#include <QElapsedTimer>
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
constexpr int kSettleMs = 300;
constexpr int kDefaultsSettleMs = 1000;
// A clock that applies new network settings restarts its network; it is asked
// again until it answers or this time has passed.
constexpr int kNetworkRestartMs = 30000;

int ReadJsonFile(CliContext& c, const QString& path, QJsonObject* object)
{
    QFile file;
    bool opened = false;
    if (path == u"-")
        opened = file.open(stdin, QIODevice::ReadOnly);
    else {
        file.setFileName(path);
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        c.err << path << ": " << file.errorString() << "\nNothing was sent.\n";
        return ExitCode::BadArguments;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        c.err << path << ": "
              << (doc.isNull() ? QStringLiteral("not JSON: %1 at character %2")
                                     .arg(error.errorString())
                                     .arg(error.offset)
                               : QStringLiteral("the settings must be one JSON object"))
              << "\nNothing was sent.\n";
        return ExitCode::BadArguments;
    }
    *object = doc.object();
    return ExitCode::Done;
}

int RefuseInput(CliContext& c, const QStringList& errors)
{
    for (const QString& e : errors)
        c.err << "error: " << e << '\n';
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
        c.err << "  " << d << '\n';
    return ExitCode::ReadBackDiffers;
}

QList<SerialCommand> AsCommands(const QList<std::pair<quint8, QByteArray>>& frames)
{
    QList<SerialCommand> commands;
    for (const auto& [command, payload] : frames)
        commands.append({command, payload});
    return commands;
}

} // namespace

int RunSet(CliContext& c)
{
    const QString what = c.arguments.value(0);
    if (what == u"time")
        return RunSetTime(c);
    if ((what != u"settings" && what != u"network") || c.arguments.size() != 2) {
        c.err << "set needs: settings FILE, network FILE or time now|\"YYYY-MM-DD HH:MM:SS\".\n";
        return ExitCode::BadArguments;
    }
    // The file is read before the clock is reached: a broken file sends nothing.
    QJsonObject input;
    int status = ReadJsonFile(c, c.arguments[1], &input);
    if (status != ExitCode::Done)
        return status;
    ClockClient client;
    status = ConnectClock(c, client);
    if (status != ExitCode::Done)
        return status;
    return what == u"settings" ? RunSetSettings(c, client, input) : RunSetNetwork(c, client, input);
}

int RunSetSettings(CliContext& c, ClockClient& client, const QJsonObject& input)
{
    QByteArray record;
    int status = ReportOutcome(c, client.ReadMaster(&record), QStringLiteral("its settings"));
    if (status != ExitCode::Done)
        return status;
    const ScriptSettings current = ScriptSettingsFromRecord(record, client.ClockType());
    const SettingsParse wanted = SettingsFromJson(input, current);
    if (!wanted.errors.isEmpty())
        return RefuseInput(c, wanted.errors);

    int sent = 0;
    if (client.IsSerial()) {
        const QList<SerialCommand> changed = ChangedSerialCommands(wanted.value, current);
        client.SendSerial(changed);
        sent = static_cast<int>(changed.size());
    } else {
        // The network carries the settings as one record: it goes whole or not at all.
        const QByteArray after = SettingsNetworkRecord(wanted.value, record);
        if (after != SettingsNetworkRecord(current, record)) {
            if (!client.SendDatagram(MasterSettingsDatagram(client.Password(), after))) {
                c.err << "The settings could not be sent to " << client.Where() << ".\n";
                return ExitCode::NoAnswer;
            }
            sent = 1;
            client.WaitFor([] { return false; }, kSettleMs);
        }
    }
    if (sent == 0)
        return ReportChange(
            c, 0, {}, QStringLiteral("The clock already has these settings; nothing was sent."));

    QByteArray readBack;
    status = ReportOutcome(c, client.ReadMaster(&readBack), QStringLiteral("its settings back"));
    if (status != ExitCode::Done)
        return status;
    const QStringList differences =
        SettingsDifferences(wanted.value, ScriptSettingsFromRecord(readBack, client.ClockType()));
    return ReportChange(
        c, sent, differences,
        QStringLiteral("Sent %1 change%2; the clock reads back every setting as asked.")
            .arg(sent)
            .arg(sent == 1 ? "" : "s"));
}

int RunSetNetwork(CliContext& c, ClockClient& client, const QJsonObject& input)
{
    QByteArray record;
    bool present = false;
    int status = ReportOutcome(c, client.ReadNetwork(&record, &present),
                               QStringLiteral("its network settings"));
    if (status != ExitCode::Done)
        return status;
    if (!present) {
        c.err << "The clock has no network option.\nNothing was sent.\n";
        return ExitCode::BadArguments;
    }
    const NetworkParse wanted = NetworkFromJson(input, record, client.ClockType());
    if (!wanted.errors.isEmpty())
        return RefuseInput(c, wanted.errors);
    if (wanted.record == record)
        return ReportChange(
            c, 0, {},
            QStringLiteral("The clock already has these network settings; nothing was sent."));

    const QString oldAddress = NetworkAddressOf(record);
    const QString newAddress = NetworkAddressOf(wanted.record);
    if (client.IsSerial()) {
        for (const SerialCommand& frame : NetworkSettingsSerialFrames(wanted.record))
            client.SendSerial({{frame.command, frame.payload}});
    } else {
        for (const QByteArray& datagram :
             NetworkSettingsDatagrams(wanted.record, client.Password())) {
            if (!client.SendDatagram(datagram)) {
                c.err << "The network settings could not be sent to " << client.Where() << ".\n";
                return ExitCode::NoAnswer;
            }
        }
    }

    // Over the network the clock answers at its new address, and with a new
    // password once it has one.
    ClockClient moved;
    ClockClient* reader = &client;
    if (!client.IsSerial()) {
        QString error;
        if (!moved.OpenNetwork(newAddress, &error)) {
            c.err << error << '\n';
            return ExitCode::NoAnswer;
        }
        moved.SetClockType(client.ClockType());
        moved.SetReplyTimeout(c.timeoutMs);
        moved.SetPassword(PasswordEnabledInRecord(wanted.record)
                              ? PasswordTextFromRecord(wanted.record).toLatin1()
                              : client.Password());
        reader = &moved;
    }
    QElapsedTimer waited;
    waited.start();
    QByteArray readBack;
    ClockClient::Outcome outcome = ClockClient::Outcome::Silent;
    while (waited.elapsed() < kNetworkRestartMs) {
        client.WaitFor([] { return false; }, kSettleMs);
        outcome = reader->ReadNetwork(&readBack, &present);
        if (outcome != ClockClient::Outcome::Silent)
            break;
    }
    status = ReportOutcome(c, outcome, QStringLiteral("its network settings back"));
    if (status != ExitCode::Done)
        return status;
    const QStringList differences =
        JsonDifferences(NetworkToJson(wanted.record, client.ClockType()),
                        NetworkToJson(readBack, client.ClockType()));
    QString done = QStringLiteral("Sent the network settings; the clock reads them back as asked.");
    if (newAddress != oldAddress)
        done += QStringLiteral(" It now answers at %1.").arg(newAddress);
    return ReportChange(c, 1, differences, done);
}

int RunDst(CliContext& c)
{
    if (!c.arguments.isEmpty() || c.spring.isEmpty() || c.fall.isEmpty()) {
        c.err << "dst needs --spring RULE and --fall RULE, as in --spring \"2nd Sun Mar 2:00\".\n";
        return ExitCode::BadArguments;
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
        return RefuseInput(c, errors);
    const int startYear = c.startYear != 0 ? c.startYear : QDate::currentDate().year() - 2000;
    const DstPlan plan = PlanDst(*spring, *fall, startYear);

    ClockClient client;
    int status = ConnectClock(c, client);
    if (status != ExitCode::Done)
        return status;
    if (client.IsSerial()) {
        client.SendSerial(AsCommands(
            DstSerialFrames(plan.springDates, plan.fallDates, plan.spring, plan.fall, startYear)));
    } else {
        if (!client.SendDatagram(DstDatagram(client.Password(), plan.springDates, plan.fallDates,
                                             plan.spring, plan.fall, startYear))) {
            c.err << "The dates could not be sent to " << client.Where() << ".\n";
            return ExitCode::NoAnswer;
        }
        client.WaitFor([] { return false; }, kSettleMs);
    }
    DstTables tables;
    status = ReportOutcome(c, client.ReadDst(&tables), QStringLiteral("its DST dates back"));
    if (status != ExitCode::Done)
        return status;
    return ReportChange(c, 1, DstDifferences(plan, tables),
                        QStringLiteral("The clock's DST dates now follow spring %1 and fall %2, "
                                       "%3 to %4.")
                            .arg(DstRuleText(plan.spring), DstRuleText(plan.fall))
                            .arg(2000 + startYear)
                            .arg(2000 + startYear + DstTableYears - 1));
}

int RunResync(CliContext& c)
{
    ClockClient client;
    int status = ConnectClock(c, client);
    if (status != ExitCode::Done)
        return status;
    if (client.IsSerial())
        client.SendSerial({ResyncSerialCommand()});
    else
        client.SendDatagram(ResyncDatagram(client.Password()));
    // The clock does not answer a resync; asking for its settings afterwards
    // shows it is still there and took the password.
    status =
        ReportOutcome(c, client.ReadMaster(nullptr), QStringLiteral("an answer after the resync"));
    if (status == ExitCode::Done)
        return ReportChange(c, 1, {}, QStringLiteral("Resync sent; the clock answered."));
    return status;
}

int RunFactoryDefaults(CliContext& c)
{
    if (!c.yes) {
        c.err << "factory-defaults resets every setting of the clock; add --yes to do it.\n";
        return ExitCode::BadArguments;
    }
    ClockClient client;
    int status = ConnectClock(c, client);
    if (status != ExitCode::Done)
        return status;
    if (client.IsSerial()) {
        client.SendSerial({FactoryDefaultsSerialCommands().first()});
    } else {
        client.SendDatagram(FactoryDefaultsDatagram(client.Password()));
        client.WaitFor([] { return false; }, kDefaultsSettleMs);
    }
    QByteArray record;
    status = ReportOutcome(c, client.ReadMaster(&record), QStringLiteral("its settings back"));
    if (status != ExitCode::Done)
        return status;
    PrintData(c, SettingsToJson(ScriptSettingsFromRecord(record, client.ClockType())));
    return ExitCode::Done;
}

int RunModemUpdate(CliContext& c)
{
    ClockClient client;
    int status = ConnectClock(c, client);
    if (status != ExitCode::Done)
        return status;
    if (!client.IsSerial() || client.ClockType() != 4) {
        c.err << "modem-update is for the model 222 on its serial port.\n";
        return ExitCode::BadArguments;
    }
    client.SendSerial({ModemUpdateNowSerialCommand()});
    status = ReportOutcome(c, client.ReadMaster(nullptr), QStringLiteral("an answer"));
    if (status == ExitCode::Done)
        return ReportChange(c, 1, {},
                            QStringLiteral("Modem update requested; the clock answered."));
    return status;
}

} // namespace tarvo

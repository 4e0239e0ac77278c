// SPDX-License-Identifier: GPL-3.0-or-later
// Commands that only read: discover, status and get.
#include "cli/cli.h"
#include "clock/clock_model.h"
#include "clock/json_text.h"
#include "clock/settings_json.h"
#include "connect/network_json.h"
#include "connect/network_settings.h"
#include "dst/dst_script.h"
#include "operations/find_clocks.h"
#include "session/report_offset.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <memory>
#include <vector>

namespace tarvo
{

namespace
{

// One serial port of a discovery and the model that answered on it.
struct DiscoveredPort {
    std::unique_ptr<ClockClient> client;
    const ClockModel* model = nullptr;
};

Task<void> IdentifyPort(DiscoveredPort* port)
{
    const Identified identified = co_await IdentifyModel(
        port->client->Session(), port->client->Link(), nullptr, port->client->ReplyTimeout());
    port->model = identified.model;
}

// Every serial port is asked at once, each model after the other on each
// port: a clock answers only the request with its own model's trailer, and
// asking the ports side by side keeps the search at four seconds however many
// ports there are.
Task<QJsonArray> DiscoverSerial(CliContext& c)
{
    const QStringList devices =
        c.serialPorts.isEmpty() ? ClockSession::SystemSerialDevices() : c.serialPorts;
    std::vector<DiscoveredPort> ports;
    for (const QString& device : devices) {
        auto client = std::make_unique<ClockClient>();
        QString error;
        if (client->OpenSerial(device, &error))
            ports.push_back({std::move(client)});
        else if (c.verbose)
            c.err << error << '\n';
    }
    // Each port's probes run under its own client, which ends them with it.
    std::vector<QPointer<Job>> probes;
    for (DiscoveredPort& port : ports)
        probes.emplace_back(Spawn(port.client.get(), IdentifyPort(&port)));
    for (const QPointer<Job>& probe : probes) {
        const auto ended = [probe] { return !probe || !probe->IsRunning(); };
        co_await WaitFor(probe.data(), &Job::finished, ended, -1);
    }
    QJsonArray found;
    for (const DiscoveredPort& port : ports) {
        if (port.model)
            found.append(QJsonObject{{QStringLiteral("link"), QStringLiteral("serial")},
                                     {QStringLiteral("port"), port.client->Where()},
                                     {QStringLiteral("model"), port.model->number}});
    }
    co_return found;
}

Task<QJsonArray> DiscoverNetwork(CliContext& c)
{
    ClockSession listener;
    if (listener.InitializeNetwork(c.localAddresses) != 1) {
        c.err << "No network address to search from.\n";
        co_return QJsonArray{};
    }
    const Discovery discovery = co_await Discover(listener, DiscoveryListenWait);

    // Every clock heard is asked at once: its network settings name the model.
    const QList<NamedClock> named = co_await NameNetworkClocks(
        listener, discovery.senders, c.password, std::chrono::milliseconds(c.timeoutMs));
    QJsonArray found;
    for (const NamedClock& clock : named) {
        QJsonObject entry{{QStringLiteral("link"), QStringLiteral("network")},
                          {QStringLiteral("host"), ClockSession::AddressText(clock.address)}};
        entry[u"model"] =
            clock.model ? QJsonValue(clock.model->number) : QJsonValue(QJsonValue::Null);
        // It answered discovery, so it is there: its model is unknown because
        // it refused the password it was asked with, not because it is silent.
        entry[u"passwordRefused"] = clock.reply == Reply::Refused;
        found.append(entry);
    }
    co_return found;
}

QJsonObject TimeJson(const std::optional<ReceivedTimeReport>& received)
{
    if (!received)
        return {};
    const TimeReport& r = received->report;
    if (!r.valid)
        return QJsonObject{{QStringLiteral("valid"), false}};
    const QDateTime clock(QDate(r.year, r.month, r.day), QTime(r.hour, r.minute, r.second));
    // The figure `watch` prints: in the hour repeated in autumn the reading
    // nearest the arrival, never one an hour out.
    const double offset = ReportOffsetAt(r, received->arrivalUs).value_or(0.0);
    return QJsonObject{{QStringLiteral("valid"), clock.isValid()},
                       {QStringLiteral("clock"), clock.toString(Qt::ISODate)},
                       {QStringLiteral("gpsLocked"), r.gpsLocked},
                       {QStringLiteral("offsetSeconds"), std::round(offset * 1e6) / 1e6}};
}

// The line `status` opens with: the model, the link, and the clock's time,
// GPS lock and offset from this computer where the link carries them.
QString StatusSummary(ClockClient& client, const std::optional<ReceivedTimeReport>& received)
{
    const QString model = QStringLiteral("Model %1").arg(client.Model()->number);
    if (!client.Link().CarriesTimeReports())
        return QStringLiteral("%1 at %2 on the network: the network does not carry the clock's "
                              "time, GPS lock or offset (the serial port does)")
            .arg(model, client.Where());
    const QString head = QStringLiteral("%1 on the serial port %2").arg(model, client.Where());
    if (!received)
        return QStringLiteral("%1: no time report came within %2 s")
            .arg(head)
            .arg(ReportWait.count() / 1000.0);
    const TimeReport& r = received->report;
    const std::optional<double> offset = ReportOffsetAt(r, received->arrivalUs);
    if (!r.valid || !offset)
        return QStringLiteral("%1: the clock's time is not available").arg(head);
    const QDateTime clock(QDate(r.year, r.month, r.day), QTime(r.hour, r.minute, r.second));
    return QStringLiteral("%1: %2, %3, %4 s %5 this computer")
        .arg(head, clock.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
             r.gpsLocked ? QStringLiteral("GPS locked") : QStringLiteral("not locked to GPS"),
             QString::number(std::abs(*offset), 'f', 3),
             *offset > 0 ? QStringLiteral("ahead of") : QStringLiteral("behind"));
}

// Reads what `what` names from a connected clock into `data`. Over the serial
// link the request for the network settings brings the DST tables right
// after them: `dstOnItsWay`, made before that request, catches them so they
// are not asked for (and waited for at 9600 baud) a second time.
Task<int> ReadInto(CliContext& c, ClockClient& client, QString what, QJsonObject& data,
                   Expected<DstRecord>* dstOnItsWay = nullptr)
{
    if (what == u"settings") {
        const Answer<MasterRecord> answer =
            co_await client.Ask<MasterRecord>(command::RequestMasterSettings{});
        const int status = ReportReply(c, answer.reply, QStringLiteral("its settings"));
        if (status == ExitCode::Done)
            data[what] =
                SettingsToJson(ScriptSettingsFromRecord(answer.record->record, client.Model()));
        co_return status;
    }
    if (what == u"network") {
        const Answer<NetworkRecord> answer =
            co_await client.Ask<NetworkRecord>(command::RequestNetworkSettings{});
        const int status = ReportReply(c, answer.reply, QStringLiteral("its network settings"));
        if (status != ExitCode::Done)
            co_return status;
        if (!answer.record->present) {
            data[what] = QJsonValue::Null;
            co_return status;
        }
        QJsonObject network =
            NetworkToJson(PaddedNetworkData(answer.record->networkData), client.Model());
        // Output is kept in logs and tickets; the password is shown only when asked for.
        if (network[u"password"].isString() && !c.showPassword)
            network[u"password"] = HiddenPasswordText;
        data[what] = network;
        co_return status;
    }
    Answer<DstRecord> answer;
    if (dstOnItsWay && client.Link().ModelByTrailer()) {
        co_await dstOnItsWay->Wait(client.ReplyTimeout());
        answer = dstOnItsWay->Result();
    }
    if (!answer.Answered())
        answer = co_await client.Ask<DstRecord>(command::RequestDstTables{});
    const int status = ReportReply(c, answer.reply, QStringLiteral("its DST dates"));
    if (status == ExitCode::Done)
        data[what] = DstToJson(ParseDSTDates(answer.record->record));
    co_return status;
}

} // namespace

Task<int> RunDiscover(CliContext& c)
{
    QJsonArray found;
    if (!c.noSerial) {
        const QJsonArray serial = co_await DiscoverSerial(c);
        for (const QJsonValue& v : serial)
            found.append(v);
    }
    if (!c.noNetwork) {
        const QJsonArray network = co_await DiscoverNetwork(c);
        for (const QJsonValue& v : network)
            found.append(v);
    }
    if (c.json) {
        PrintData(c, found);
    } else {
        for (const QJsonValue& v : std::as_const(found)) {
            const QJsonObject o = v.toObject();
            const QJsonValue model = o[u"model"];
            c.out << o[u"link"].toString() << ' '
                  << (o.contains(u"port") ? o[u"port"].toString() : o[u"host"].toString()) << ' '
                  << (model.isNull() ? QStringLiteral("unknown") : QString::number(model.toInt()))
                  << (o[u"passwordRefused"].toBool() ? " (password refused)" : "") << '\n';
        }
    }
    if (found.isEmpty()) {
        c.err << "No clock found.\n";
        co_return ExitCode::NoAnswer;
    }
    co_return ExitCode::Done;
}

Task<int> RunStatus(CliContext& c)
{
    if (!c.arguments.isEmpty()) {
        c.err << "status takes no arguments.\n";
        co_return ExitCode::BadArguments;
    }
    ClockClient client;
    int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    QJsonObject data;
    const bool serial = client.Link().ModelByTrailer();
    data[u"link"] = serial ? QStringLiteral("serial") : QStringLiteral("network");
    data[serial ? QStringLiteral("port") : QStringLiteral("host")] = client.Where();
    data[u"model"] = client.Model()->number;
    // Only the serial link carries the running time.
    std::optional<ReceivedTimeReport> report;
    if (client.Link().CarriesTimeReports()) {
        report = co_await client.NextTimeReport(ReportWait);
        data[u"time"] = TimeJson(report);
    } else {
        data[u"time"] = QJsonValue::Null;
    }
    c.result = StatusSummary(client, report);
    data[u"summary"] = c.result;
    status = co_await ReadInto(c, client, QStringLiteral("settings"), data);
    if (status != ExitCode::Done)
        co_return status;
    Expected<DstRecord> dstOnItsWay(client.Session(), client.Link().Kind());
    status = co_await ReadInto(c, client, QStringLiteral("network"), data);
    if (status != ExitCode::Done)
        co_return status;
    status = co_await ReadInto(c, client, QStringLiteral("dst"), data, &dstOnItsWay);
    if (status != ExitCode::Done)
        co_return status;
    // The rules say what the 48 years of dates are; `get dst` lists them.
    QJsonObject dst = data[u"dst"].toObject();
    dst.remove(u"changes");
    data[u"dst"] = dst;
    if (c.json) {
        PrintData(c, data);
        co_return ExitCode::Done;
    }
    // What matters first, then each record's fields in the record's order.
    c.out << EscapeControls(c.result) << '\n';
    PrintData(c, data[u"settings"], QStringLiteral("settings"), SettingsFieldOrder());
    if (data[u"network"].isNull())
        c.out << "network: none (the clock has no network option)\n";
    else
        PrintData(c, data[u"network"], QStringLiteral("network"), NetworkFieldOrder());
    PrintData(c, data[u"dst"], QStringLiteral("dst"), DstFieldOrder());
    co_return ExitCode::Done;
}

Task<int> RunGet(CliContext& c)
{
    const QString what = c.arguments.value(0);
    if (c.arguments.size() != 1 || (what != u"settings" && what != u"network" && what != u"dst")) {
        c.err << "get needs one of: settings, network, dst.\n";
        co_return ExitCode::BadArguments;
    }
    ClockClient client;
    int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    QJsonObject data;
    status = co_await ReadInto(c, client, what, data);
    if (status != ExitCode::Done)
        co_return status;
    if (data[what].isNull() && !c.json) {
        c.out << "The clock has no network option.\n";
        co_return ExitCode::Done;
    }
    if (data[what].isNull()) {
        c.out << "null\n";
        co_return ExitCode::Done;
    }
    const QJsonObject read = data[what].toObject();
    if (what == u"settings") {
        c.result = QStringLiteral("model %1: %2 settings read")
                       .arg(client.Model()->number)
                       .arg(JsonLeaves(read).size());
        PrintData(c, read, {}, SettingsFieldOrder());
    } else if (what == u"network") {
        c.result = QStringLiteral("address %1, mask %2, gateway %3")
                       .arg(read[u"ipAddress"].toString(), read[u"subnetMask"].toString(),
                            read[u"gateway"].toString());
        PrintData(c, read, {}, NetworkFieldOrder());
    } else {
        c.result = QStringLiteral("spring %1, fall %2, %3 to %4")
                       .arg(read[u"springRule"].toString(), read[u"fallRule"].toString())
                       .arg(read[u"firstYear"].toInt())
                       .arg(read[u"firstYear"].toInt() + DstTableYears - 1);
        PrintData(c, read, {}, DstFieldOrder());
    }
    co_return ExitCode::Done;
}

} // namespace tarvo

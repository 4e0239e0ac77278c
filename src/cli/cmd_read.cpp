// SPDX-License-Identifier: GPL-3.0-or-later
// Commands that only read: discover, status and get.
#include "cli/cli.h"
#include "clock/clock_model.h"
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

    QJsonArray found;
    for (quint32 sender : discovery.senders) {
        // The network settings name the model.
        ClockClient client;
        client.SetPassword(c.password);
        client.SetReplyTimeout(std::chrono::milliseconds(c.timeoutMs));
        const QString host = ClockSession::AddressText(sender);
        QJsonObject entry{{QStringLiteral("link"), QStringLiteral("network")},
                          {QStringLiteral("host"), host}};
        const ClockModel* model = nullptr;
        if (client.OpenNetwork(host, nullptr)) {
            const Reply reply = co_await client.Identify();
            if (reply == Reply::Answered)
                model = client.Model();
        }
        entry[u"model"] = model ? QJsonValue(model->number) : QJsonValue(QJsonValue::Null);
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
        if (status == ExitCode::Done)
            data[what] = answer.record->present
                             ? QJsonValue(NetworkToJson(
                                   PaddedNetworkData(answer.record->networkData), client.Model()))
                             : QJsonValue(QJsonValue::Null);
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
                  << '\n';
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
    if (client.Link().CarriesTimeReports()) {
        const auto report = co_await client.NextTimeReport(ReportWait);
        data[u"time"] = TimeJson(report);
    } else {
        data[u"time"] = QJsonValue::Null;
    }
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
    PrintData(c, data);
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
    if (data[what].isNull())
        c.out << "null\n";
    else
        PrintData(c, data[what]);
    co_return ExitCode::Done;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
// Commands that only read: discover, status and get.
#include "cli/cli.h"
#include "cli/dst_script.h"
#include "cli/network_json.h"
#include "clock/clock_model.h"
#include "clock/settings_json.h"
#include "link/datagram.h"
#include "session/report_offset.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <memory>
#include <vector>

namespace tarvo
{

namespace
{

// Checks `done` every few milliseconds until it holds or `ms` pass: the
// answers come from several ports, each with a session of its own.
Task<bool> PollUntil(std::function<bool()> done, int ms)
{
    constexpr int kPollMs = 20;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ms) {
        if (done())
            co_return true;
        co_await Sleep(kPollMs);
    }
    co_return done();
}

// Every serial port is asked at once, one model after the other: a clock
// answers only the request with its own model's trailer, and asking the ports
// side by side keeps the search at four seconds however many ports there are.
Task<QJsonArray> DiscoverSerial(CliContext& c)
{
    QStringList devices = c.serialPorts.isEmpty() ? SerialLink::SystemDevices() : c.serialPorts;
    std::vector<std::unique_ptr<ClockClient>> clients;
    for (const QString& device : devices) {
        auto client = std::make_unique<ClockClient>();
        QString error;
        if (client->OpenSerial(device, &error))
            clients.push_back(std::move(client));
        else if (c.verbose)
            c.err << error << '\n';
    }
    QJsonArray found;
    std::vector<int> modelOf(clients.size(), 0);
    for (const ClockModel& model : AllModels()) {
        if (clients.empty())
            break;
        std::vector<int> before(clients.size());
        for (size_t i = 0; i < clients.size(); ++i) {
            before[i] = clients[i]->MasterCount();
            if (modelOf[i] == 0)
                clients[i]->SendProbe(model.code);
        }
        const auto allAnswered = [&] {
            for (size_t i = 0; i < clients.size(); ++i) {
                if (modelOf[i] == 0 && clients[i]->MasterCount() == before[i])
                    return false;
            }
            return true;
        };
        co_await PollUntil(allAnswered, ProbeAnswerMs);
        for (size_t i = 0; i < clients.size(); ++i) {
            if (modelOf[i] == 0 && clients[i]->MasterCount() != before[i])
                modelOf[i] = model.code;
        }
    }
    for (size_t i = 0; i < clients.size(); ++i) {
        if (modelOf[i] != 0)
            found.append(QJsonObject{{QStringLiteral("link"), QStringLiteral("serial")},
                                     {QStringLiteral("port"), clients[i]->Where()},
                                     {QStringLiteral("model"), ModelNumberFor(modelOf[i])}});
    }
    co_return found;
}

Task<QJsonArray> DiscoverNetwork(CliContext& c)
{
    // One session hears every sender for the listening second: any answer
    // is a clock.
    ClockSession listener;
    listener.HearEveryone(true);
    QList<quint32> senders;
    QObject::connect(&listener, &ClockSession::Received, &listener,
                     [&senders](const Incoming& incoming) {
                         if (!senders.contains(incoming.source.address))
                             senders.append(incoming.source.address);
                     });
    if (listener.InitializeNetwork(c.localAddresses) != 1) {
        c.err << "No network address to search from.\n";
        co_return QJsonArray{};
    }
    UdpLink& udp = listener.Socket();
    QStringList targets = udp.BroadcastAddresses() + udp.SubnetBroadcastAddresses();
    targets.removeDuplicates();
    for (const QString& target : std::as_const(targets))
        udp.SendDatagram(target, ClockPort, BuildDiscoveryDatagram());
    co_await Sleep(DiscoveryListenMs);

    QJsonArray found;
    for (quint32 sender : std::as_const(senders)) {
        // The network settings name the model.
        ClockClient client;
        client.SetPassword(c.password);
        client.SetReplyTimeout(c.timeoutMs);
        QJsonObject entry{{QStringLiteral("link"), QStringLiteral("network")},
                          {QStringLiteral("host"), AddressToString(sender)}};
        int model = 0;
        if (client.OpenNetwork(AddressToString(sender), nullptr)) {
            const ClockClient::Outcome outcome = co_await client.Identify();
            if (outcome == ClockClient::Outcome::Answered)
                model = ModelNumberFor(client.ClockType());
        }
        entry[u"model"] = model != 0 ? QJsonValue(model) : QJsonValue(QJsonValue::Null);
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

// Reads what `what` names from a connected clock into `data`.
Task<int> ReadInto(CliContext& c, ClockClient& client, QString what, QJsonObject& data)
{
    if (what == u"settings") {
        QByteArray record;
        const ClockClient::Outcome outcome = co_await client.ReadMaster(&record);
        const int status = ReportOutcome(c, outcome, QStringLiteral("its settings"));
        if (status == ExitCode::Done)
            data[what] = SettingsToJson(ScriptSettingsFromRecord(record, client.ClockType()));
        co_return status;
    }
    if (what == u"network") {
        QByteArray record;
        bool present = false;
        const ClockClient::Outcome outcome = co_await client.ReadNetwork(&record, &present);
        const int status = ReportOutcome(c, outcome, QStringLiteral("its network settings"));
        if (status == ExitCode::Done)
            data[what] = present ? QJsonValue(NetworkToJson(record, client.ClockType()))
                                 : QJsonValue(QJsonValue::Null);
        co_return status;
    }
    DstTables tables;
    const ClockClient::Outcome outcome = co_await client.ReadDst(&tables);
    const int status = ReportOutcome(c, outcome, QStringLiteral("its DST dates"));
    if (status == ExitCode::Done)
        data[what] = DstToJson(tables);
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
    data[u"link"] = client.IsSerial() ? QStringLiteral("serial") : QStringLiteral("network");
    data[client.IsSerial() ? QStringLiteral("port") : QStringLiteral("host")] = client.Where();
    data[u"model"] = ModelNumberFor(client.ClockType());
    // Only the serial link carries the running time.
    if (client.Link().CarriesTimeReports()) {
        const auto report = co_await client.NextTimeReport(ReportWaitMs);
        data[u"time"] = TimeJson(report);
    } else {
        data[u"time"] = QJsonValue::Null;
    }
    for (const QString& what :
         {QStringLiteral("settings"), QStringLiteral("network"), QStringLiteral("dst")}) {
        status = co_await ReadInto(c, client, what, data);
        if (status != ExitCode::Done)
            co_return status;
    }
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

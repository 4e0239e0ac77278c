// SPDX-License-Identifier: GPL-3.0-or-later
// tarvo-clock against a simulated clock on loopback UDP (127.0.151.0/24), one
// that asks for an access password.

#include "cli/clock_exporter.h"
#include "clock/clock_model.h"
#include "support/cli_helpers.h"
#include "support/json_helpers.h"
#include "support/test_registry.h"

#include "simulated_clock.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace tarvo;

namespace
{

const QString kAddress = QStringLiteral("127.0.151.2");

std::unique_ptr<SimulatedClock> StartNetworkClock(int model, const QString& address = kAddress)
{
    SimOptions options;
    options.model = model;
    options.udpAddress = address;
    options.password = "abcd";
    auto clock = std::make_unique<SimulatedClock>(options);
    QString error;
    if (!clock->Start(&error))
        qWarning() << "simulated clock did not start:" << error;
    return clock;
}

QStringList At(const QString& host, QStringList arguments)
{
    return QStringList{QStringLiteral("--host"),     host,
                       QStringLiteral("--password"), QStringLiteral("abcd"),
                       QStringLiteral("--timeout"),  QStringLiteral("600")} +
           arguments;
}

QString WriteFile(QTemporaryDir& dir, const QByteArray& text)
{
    QFile f(dir.filePath(QStringLiteral("in.json")));
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return f.fileName();
}

QList<int> Codes(const QSignalSpy& spy)
{
    QList<int> codes;
    for (const QList<QVariant>& call : spy)
        codes.append(call.at(0).toInt());
    return codes;
}

} // namespace

class TestCliNetwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusOverTheNetworkHasNoTime();
    void wrongPasswordExitsWithThree();
    void setSettingsSendsOneRecordAndVerifies();
    void setNetworkFollowsTheClockToItsNewAddress();
    void timeDstResyncAndDefaults();
    void exporterAsksEveryClockThroughOneSocket();
};

void TestCliNetwork::statusOverTheNetworkHasNoTime()
{
    auto clock = StartNetworkClock(229);
    const CliRun run = RunCli(At(kAddress, {QStringLiteral("status"), QStringLiteral("--json")}));
    QCOMPARE(run.status, ExitCode::Done);
    const QJsonObject status = JsonOf(run.out);
    QCOMPARE(status[u"model"].toInt(), 229);
    QVERIFY(status[u"time"].isNull());
    QVERIFY(status[u"summary"].toString().contains(u"the network does not carry the clock's time"));
    QCOMPARE(status[u"network"].toObject()[u"ipAddress"].toString(), kAddress);
    QCOMPARE(status[u"network"].toObject()[u"password"].toString(), QStringLiteral("(hidden)"));
    QVERIFY(status[u"network"].toObject().contains(u"servers"));
    const CliRun shown = RunCli(At(kAddress, {QStringLiteral("status"), QStringLiteral("--json"),
                                              QStringLiteral("--show-password")}));
    QCOMPARE(JsonOf(shown.out)[u"network"].toObject()[u"password"].toString(),
             QStringLiteral("abcd"));
    const CliRun text = RunCli(At(kAddress, {QStringLiteral("status")}));
    QVERIFY2(
        text.out.startsWith(QStringLiteral("Model 229 at %1 on the network: ").arg(kAddress)) &&
            !text.out.contains(u"abcd") && !text.out.contains(u"time: null"),
        qPrintable(text.out));

    // Nobody at the address: the request is repeated within the wait, then given up.
    const CliRun silent = RunCli(At(QStringLiteral("127.0.151.9"), {QStringLiteral("status")}));
    QCOMPARE(silent.status, ExitCode::NoAnswer);
}

void TestCliNetwork::wrongPasswordExitsWithThree()
{
    auto clock = StartNetworkClock(207);
    QSignalSpy received(clock.get(), &SimulatedClock::DatagramReceived);
    const QByteArray before = clock->State().MasterRecord();
    QTemporaryDir dir;
    const CliRun run =
        RunCli({QStringLiteral("--host"), kAddress, QStringLiteral("--password"),
                QStringLiteral("wxyz"), QStringLiteral("set"), QStringLiteral("settings"),
                WriteFile(dir, R"({"autoDst": false})")});
    QCOMPARE(run.status, ExitCode::PasswordRefused);
    QVERIFY(run.err.contains(QStringLiteral("refused the password")));
    // Refused at the first request: the settings never went out.
    QCOMPARE(Codes(received), QList<int>{0});
    QCOMPARE(clock->State().MasterRecord(), before);
    // Discovery finds it, and says why its model is not known.
    const CliRun found =
        RunCli({QStringLiteral("discover"), QStringLiteral("--no-serial"),
                QStringLiteral("--local-addresses"), QStringLiteral("127.0.151.1")});
    QCOMPARE(found.out, QStringLiteral("network %1 unknown (password refused)\n").arg(kAddress));
}

void TestCliNetwork::setSettingsSendsOneRecordAndVerifies()
{
    auto clock = StartNetworkClock(229);
    QTemporaryDir dir;
    QSignalSpy received(clock.get(), &SimulatedClock::DatagramReceived);
    CliRun run = RunCli(At(kAddress, {QStringLiteral("set"), QStringLiteral("settings"),
                                      WriteFile(dir, R"({"secondOffset": -15, "hour24": false,
                                                         "resync": {"enabled": false}})")}));
    QCOMPARE(run.status, ExitCode::Done);
    // Learn the model (0), read (3), send the record (8), read it back (3).
    QCOMPARE(Codes(received), (QList<int>{0, 3, 8, 3}));
    const QByteArray record = clock->State().MasterRecord();
    QCOMPARE((quint8(record[15]) >> 2) & 31, 31); // -15 s is code 31 on the 229
    QCOMPARE(quint8(record[1]) & 32, 0);

    run = RunCli(At(kAddress,
                    {QStringLiteral("get"), QStringLiteral("settings"), QStringLiteral("--json")}));
    const QJsonObject settings = JsonOf(run.out);
    QCOMPARE(settings[u"secondOffset"].toInt(), -15);
    QCOMPARE(settings[u"resync"].toObject()[u"enabled"].toBool(), false);
}

void TestCliNetwork::setNetworkFollowsTheClockToItsNewAddress()
{
    auto clock = StartNetworkClock(226);
    QTemporaryDir dir;
    CliRun run = RunCli(At(kAddress, {QStringLiteral("set"), QStringLiteral("network"),
                                      WriteFile(dir, R"({"ipAddress": "127.0.151.3",
                                                         "password": "efgh",
                                                         "broadcast": [{"enabled": false}, {},
                                                                       {"enabled": true, "address": "127.0.151.255"}]})")}));
    QCOMPARE(run.status, ExitCode::Done);
    QVERIFY(run.out.contains(QStringLiteral("now answers at 127.0.151.3")));
    QCOMPARE(clock->UdpAddress(), QStringLiteral("127.0.151.3"));

    const QStringList moved{QStringLiteral("--host"), QStringLiteral("127.0.151.3"),
                            QStringLiteral("--password"), QStringLiteral("efgh")};
    run = RunCli(moved + QStringList{QStringLiteral("get"), QStringLiteral("network"),
                                     QStringLiteral("--json")});
    QCOMPARE(run.status, ExitCode::Done);
    const QJsonArray broadcast = JsonOf(run.out)[u"broadcast"].toArray();
    QCOMPARE(broadcast[0].toObject()[u"enabled"].toBool(), false);
    QCOMPARE(broadcast[2].toObject()[u"address"].toString(), QStringLiteral("127.0.151.255"));
    // What get wrote, its password hidden, goes back as it is: the hidden
    // password is the clock's own.
    run = RunCli(moved + QStringList{QStringLiteral("set"), QStringLiteral("network"),
                                     WriteFile(dir, run.out.toUtf8())});
    QVERIFY2(run.status == ExitCode::Done && run.out.contains(u"already has"), qPrintable(run.err));

    // A bad record sends nothing and names each field.
    QSignalSpy received(clock.get(), &SimulatedClock::DatagramReceived);
    run = RunCli(moved + QStringList{QStringLiteral("set"), QStringLiteral("network"),
                                     WriteFile(dir, R"({"gateway": "10.0.0", "serverPort": -1,
                                                         "servers": []})")});
    QCOMPARE(run.status, ExitCode::BadArguments);
    for (const char* field : {"gateway:", "serverPort:", "servers: this clock model"})
        QVERIFY2(run.err.contains(QLatin1String(field)), field);
    QVERIFY(!Codes(received).contains(5) && !Codes(received).contains(20));
}

void TestCliNetwork::timeDstResyncAndDefaults()
{
    auto clock = StartNetworkClock(207);
    CliRun run = RunCli(At(kAddress, {QStringLiteral("set"), QStringLiteral("time"),
                                      QStringLiteral("2040-02-29 23:59:58")}));
    QCOMPARE(run.status, ExitCode::Done);
    QCOMPARE(clock->State().Now().date(), QDate(2040, 2, 29));

    run = RunCli(At(kAddress, {QStringLiteral("nudge"), QStringLiteral("+1h")}));
    QCOMPARE(run.status, ExitCode::Done);
    QCOMPARE(clock->State().Now().date(), QDate(2040, 3, 1));

    run = RunCli(At(kAddress, {QStringLiteral("dst"), QStringLiteral("--spring"),
                               QStringLiteral("last Sun Sep 2:00"), QStringLiteral("--fall"),
                               QStringLiteral("1st Sun Apr 3:00")}));
    QCOMPARE(run.status, ExitCode::Done);
    QCOMPARE(int(clock->State().Dst().springMonth), 9);
    QCOMPARE(int(clock->State().Dst().fallHour), 3);
    // The tables as a person reads them: the rules first, each year's spring
    // before its fall.
    run = RunCli(At(kAddress, {QStringLiteral("get"), QStringLiteral("dst")}));
    QVERIFY2(run.out.startsWith(u"springRule: last Sun Sep 2:00\nfallRule: 1st Sun Apr 3:00\n") &&
                 run.out.indexOf(u"changes[0].spring:") < run.out.indexOf(u"changes[0].fall:"),
             qPrintable(run.out));

    QSignalSpy received(clock.get(), &SimulatedClock::DatagramReceived);
    run = RunCli(At(kAddress, {QStringLiteral("resync")}));
    QCOMPARE(run.status, ExitCode::Done);
    QVERIFY(Codes(received).contains(11));

    QTemporaryDir dir;
    QCOMPARE(RunCli(At(kAddress, {QStringLiteral("set"), QStringLiteral("settings"),
                                  WriteFile(dir, R"({"timeZone": 9.5})")}))
                 .status,
             ExitCode::Done);
    run = RunCli(At(kAddress, {QStringLiteral("factory-defaults"), QStringLiteral("--yes"),
                               QStringLiteral("--json")}));
    QCOMPARE(run.status, ExitCode::Done);
    QVERIFY(Codes(received).contains(10));
    QVERIFY(JsonOf(run.out)[u"timeZone"].toDouble() != 9.5);

    run = RunCli(At(kAddress, {QStringLiteral("watch")}));
    QCOMPARE(run.status, ExitCode::BadArguments);
}

// Many network clocks cost the exporter no descriptor each; a clock that
// refuses the password says so, also when a second entry asks the same clock
// with the right one (answers show only their sender, so that entry is asked
// from a socket of its own).
void TestCliNetwork::exporterAsksEveryClockThroughOneSocket()
{
    auto clock = StartNetworkClock(229);
    constexpr int kSilent = 200;
    QList<ExportTarget> targets{
        {QStringLiteral("intruder"), {}, kAddress, "wxyz", ModelByNumber(229)},
        {QStringLiteral("tower"), {}, kAddress, "abcd", ModelByNumber(229)}};
    for (int i = 0; i < kSilent; ++i)
        targets.append({QStringLiteral("silent%1").arg(i),
                        {},
                        QStringLiteral("127.0.151.%1").arg(10 + i),
                        "abcd",
                        nullptr});
    const qsizetype before = QDir(QStringLiteral("/proc/self/fd")).count();
    ClockExporter exporter(targets, std::nullopt, 400, 0);
    const QByteArray text = tarvo::test::RunTask(exporter.Collect());
    const qsizetype held = QDir(QStringLiteral("/proc/self/fd")).count() - before;
    QVERIFY2(held < 10, qPrintable(QStringLiteral("%1 descriptors").arg(held)));
    const QByteArray labels = "{clock=\"%1\",model=\"229\",link=\"network\"} ";
    const auto sample = [&](const char* family, const char* name) {
        return QByteArray(family) + QString::fromLatin1(labels).arg(QLatin1String(name)).toUtf8();
    };
    QVERIFY(text.contains(sample("tarvo_clock_up", "tower") + "1\n"));
    QVERIFY(text.contains(sample("tarvo_clock_password_refused", "tower") + "0\n"));
    QVERIFY(text.contains(sample("tarvo_clock_up", "intruder") + "0\n"));
    QVERIFY(text.contains(sample("tarvo_clock_password_refused", "intruder") + "1\n"));
    QCOMPARE(text.count("tarvo_clock_up{clock=\"silent"), kSilent);
    QCOMPARE(text.count(",link=\"network\"} 0\n"), 2 * kSilent + 2);
}

TARVO_TEST_CLASS(TestCliNetwork)
#include "test_cli_network.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// tarvo-clock against simulated clocks on pseudo-terminals: what a script sees
// (output, exit status) and what the clock receives and ends up holding.

#include "support/cli_helpers.h"
#include "support/json_helpers.h"
#include "support/test_registry.h"

#include "cli/chrony_feed.h"
#include "link/bytes.h"
#include "simulated_clock.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tarvo;

namespace
{

std::unique_ptr<SimulatedClock> StartClock(int model, const QString& udp = {})
{
    SimOptions options;
    options.model = model;
    options.serial = true;
    options.udpAddress = udp;
    auto clock = std::make_unique<SimulatedClock>(options);
    QString error;
    if (!clock->Start(&error))
        qWarning() << "simulated clock did not start:" << error;
    return clock;
}

// A file of the scratch folder holding `text`; its path.
QString JsonFile(const QTemporaryDir& dir, const QByteArray& text)
{
    QFile f(dir.filePath(QStringLiteral("in.json")));
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return f.fileName();
}

// The commands of the frames the clock received, request 1 left out.
QList<int> SettingsCommands(const QSignalSpy& spy)
{
    QList<int> commands;
    for (const QList<QVariant>& call : spy) {
        const int command = call.at(0).toInt();
        if (command != 1)
            commands.append(command);
    }
    return commands;
}

// A datagram socket bound where chronyd would bind its SOCK socket.
class SampleSink
{
public:
    explicit SampleSink(const QString& path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray p = path.toLocal8Bit();
        std::memcpy(address.sun_path, p.constData(), p.size());
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~SampleSink() { ::close(m_fd); }
    QList<QByteArray> Samples()
    {
        QList<QByteArray> samples;
        char buffer[256];
        ssize_t n;
        while ((n = ::recv(m_fd, buffer, sizeof buffer, 0)) > 0)
            samples.append(QByteArray(buffer, n));
        return samples;
    }

private:
    int m_fd = -1;
};

} // namespace

class TestCliSerial : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusNamesModelTimeAndSettings_data();
    void statusNamesModelTimeAndSettings();
    void setSettingsSendsOnlyWhatDiffersAndVerifies();
    void setSettingsRefusesABadFileBeforeSendingAnything();
    void hostileFilesAreRefusedAndNotEchoed();
    void setTimeMovesTheClock();
    void setTimeIsRefusedWhileLockedToGps();
    void dstTablesAreSentAndReadBack();
    void watchAndFeedChronyReportTheOffsetAtArrival();
    void feedChronyRefusesAPathNoWaitMends_data();
    void feedChronyRefusesAPathNoWaitMends();
    void feedChronyCountsOnlyDeliveredSamples();
    void silentClockAndMissingPortExitWithOne();
    void modemUpdateOnlyForTheModemModel();
    void networkSettingsResyncAndDefaultsOverSerial();
    void badArgumentsExitWithTwo_data();
    void badArgumentsExitWithTwo();
};

void TestCliSerial::statusNamesModelTimeAndSettings_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("modemFields");
    QTest::newRow("226") << 226 << false;
    QTest::newRow("222") << 222 << true;
}

void TestCliSerial::statusNamesModelTimeAndSettings()
{
    QFETCH(int, model);
    QFETCH(bool, modemFields);
    auto clock = StartClock(model);
    const CliRun run = RunCli({QStringLiteral("--port"), clock->PtyPath(), QStringLiteral("status"),
                               QStringLiteral("--json")});
    QCOMPARE(run.status, ExitCode::Done);
    const QJsonObject status = JsonOf(run.out);
    QCOMPARE(status[u"model"].toInt(), model);
    QCOMPARE(status[u"link"].toString(), QStringLiteral("serial"));
    const QJsonObject time = status[u"time"].toObject();
    QVERIFY(time[u"valid"].toBool());
    // The simulated clock runs on this computer's time: the report arrives
    // just after its second begins.
    QVERIFY2(std::abs(time[u"offsetSeconds"].toDouble()) < 0.5, qPrintable(run.out));
    QCOMPARE(status[u"settings"].toObject()[u"model"].toInt(), model);
    QCOMPARE(status[u"settings"].toObject().contains(u"modem"), modemFields);
    QCOMPARE(status[u"dst"].toObject()[u"springRule"].toString(),
             QStringLiteral("2nd Sun Mar 2:00"));

    // The text form opens with what matters, then a line per value, the
    // settings in the record's order.
    const CliRun text =
        RunCli({QStringLiteral("--port"), clock->PtyPath(), QStringLiteral("status")});
    QCOMPARE(text.status, ExitCode::Done);
    QVERIFY2(
        text.out.startsWith(
            QStringLiteral("Model %1 on the serial port %2: ").arg(model).arg(clock->PtyPath())),
        qPrintable(text.out));
    QVERIFY(text.out.indexOf(u"\nsettings.timeZone: ") < text.out.indexOf(u"\nsettings.autoDst: "));
}

void TestCliSerial::setSettingsSendsOnlyWhatDiffersAndVerifies()
{
    auto clock = StartClock(226);
    const QString port = clock->PtyPath();
    CliRun get = RunCli({QStringLiteral("--port"), port, QStringLiteral("get"),
                         QStringLiteral("settings"), QStringLiteral("--json")});
    QCOMPARE(get.status, ExitCode::Done);
    QJsonObject settings = JsonOf(get.out);
    settings[u"timeZone"] = 5.5;
    settings[u"secondOffset"] = -3;
    QJsonArray relays = settings[u"relays"].toArray();
    relays[2] = QJsonObject{{QStringLiteral("enabled"), false}};
    settings[u"relays"] = relays;

    QTemporaryDir dir;
    const QString file = JsonFile(dir, QJsonDocument(settings).toJson());

    QSignalSpy frames(clock.get(), &SimulatedClock::FrameReceived);
    const CliRun set =
        RunCli({QStringLiteral("--port"), port, QStringLiteral("--model"), QStringLiteral("226"),
                QStringLiteral("set"), QStringLiteral("settings"), file});
    QCOMPARE(set.status, ExitCode::Done);
    QVERIFY2(set.err.isEmpty(), qPrintable(set.err));
    // Time zone, second offset and relay event 3; nothing else went out.
    QCOMPARE(SettingsCommands(frames), (QList<int>{5, 10, 17}));
    // The 226 takes its table code for -3 s and keeps the list position.
    const QByteArray record = clock->State().MasterRecord();
    QCOMPARE((quint8(record[15]) >> 2) & 31, 7);
    QCOMPARE(quint8(record[0]) & 63, 16 + 32 + 5);

    // The same file again changes nothing and sends nothing.
    frames.clear();
    const CliRun again =
        RunCli({QStringLiteral("--port"), port, QStringLiteral("--model"), QStringLiteral("226"),
                QStringLiteral("set"), QStringLiteral("settings"), file});
    QCOMPARE(again.status, ExitCode::Done);
    QVERIFY(again.out.contains(QStringLiteral("nothing was sent")));
    QVERIFY(SettingsCommands(frames).isEmpty());

    // What get prints is what set read back.
    get = RunCli({QStringLiteral("--port"), port, QStringLiteral("get"), QStringLiteral("settings"),
                  QStringLiteral("--json")});
    QCOMPARE(JsonOf(get.out), settings);
}

void TestCliSerial::setSettingsRefusesABadFileBeforeSendingAnything()
{
    auto clock = StartClock(207);
    QTemporaryDir dir;
    QSignalSpy frames(clock.get(), &SimulatedClock::FrameReceived);
    // Not JSON at all: the clock is not even asked.
    CliRun run = RunCli({QStringLiteral("--port"), clock->PtyPath(), QStringLiteral("set"),
                         QStringLiteral("settings"), JsonFile(dir, "{\"timeZone\": ")});
    QCOMPARE(run.status, ExitCode::BadArguments);
    QVERIFY(run.err.contains(QStringLiteral("Nothing was sent")));
    QCOMPARE(frames.count(), 0);

    // Valid JSON with bad fields: each is named, only the read request went out.
    run = RunCli(
        {QStringLiteral("--port"), clock->PtyPath(), QStringLiteral("set"),
         QStringLiteral("settings"),
         JsonFile(dir, R"({"timeZone": 3.25, "secondOffset": 2, "resync": {"time": "24:00:00"},
                            "relays": [{}, {}, {"enabled": true, "time": "60:00"}, {}],
                            "smpteMode": "PAL", "colour": 1, "risingEdge": "yes"})")});
    QCOMPARE(run.status, ExitCode::BadArguments);
    QVERIFY2(run.err.contains(QLatin1String("secondOffset: model 207")), qPrintable(run.err));
    QCOMPARE(SettingsCommands(frames), QList<int>{});
}

void TestCliSerial::hostileFilesAreRefusedAndNotEchoed()
{
    auto clock = StartClock(207);
    QTemporaryDir dir;
    QSignalSpy frames(clock.get(), &SimulatedClock::FrameReceived);
    // Over a megabyte: refused before the clock is asked.
    const QByteArray huge = "{\"timeZone\": 0, \"note\": \"" + QByteArray(1100 * 1024, 'a') + "\"}";
    CliRun run = RunCli({QStringLiteral("--port"), clock->PtyPath(), QStringLiteral("set"),
                         QStringLiteral("settings"), JsonFile(dir, huge)});
    QCOMPARE(run.status, ExitCode::BadArguments);
    QVERIFY2(run.err.contains(QStringLiteral("larger than 1024 KB")), qPrintable(run.err));
    QCOMPARE(frames.count(), 0);

    // Terminal escapes in a field name and a value come out as text, and an
    // address no clock can have is named; nothing is written to the clock.
    run = RunCli({QStringLiteral("--port"), clock->PtyPath(), QStringLiteral("set"),
                  QStringLiteral("network"),
                  JsonFile(dir, R"({"\u001b]0;owned\u0007": 1, "ipAddress": "224.0.0.1",
                            "gateway": "10.0.0.1\u001b[2J"})")});
    QCOMPARE(run.status, ExitCode::BadArguments);
    QVERIFY2(!run.err.contains(QChar(0x1b)) && !run.err.contains(QChar(0x07)), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("\\x1b]0;owned\\x07: unknown field")),
             qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("gateway: \"10.0.0.1\\x1b[2J\" is not")),
             qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("Nothing was sent.")), qPrintable(run.err));
    for (const int write : {30, 31, 32, 33, 42})
        QVERIFY(!SettingsCommands(frames).contains(write));
}

void TestCliSerial::setTimeMovesTheClock()
{
    auto clock = StartClock(226);
    const QString port = clock->PtyPath();
    CliRun run = RunCli({QStringLiteral("--port"), port, QStringLiteral("set"),
                         QStringLiteral("time"), QStringLiteral("2031-07-04 12:00:00")});
    QCOMPARE(run.status, ExitCode::Done);
    QCOMPARE(clock->State().Now().date(), QDate(2031, 7, 4));

    // "now" and the second it lands in are the window's test
    // (SettingsTimePassword): both run the same operation.
    const qint64 before = clock->State().TimeOffsetMs();
    run = RunCli({QStringLiteral("--port"), port, QStringLiteral("nudge"), QStringLiteral("-5ms")});
    QCOMPARE(run.status, ExitCode::Done);
    QCOMPARE(clock->State().TimeOffsetMs() - before, qint64(-5));
    run = RunCli({QStringLiteral("--port"), port, QStringLiteral("set"), QStringLiteral("time"),
                  QStringLiteral("2031-02-31 12:00:00")});
    QCOMPARE(run.status, ExitCode::BadArguments);
}

void TestCliSerial::setTimeIsRefusedWhileLockedToGps()
{
    auto clock = StartClock(226);
    clock->SetGpsLocked(true);
    QSignalSpy frames(clock.get(), &SimulatedClock::FrameReceived);
    const CliRun run = RunCli({QStringLiteral("--port"), clock->PtyPath(), QStringLiteral("set"),
                               QStringLiteral("time"), QStringLiteral("now")});
    QCOMPARE(run.status, ExitCode::ReadBackDiffers);
    QVERIFY(run.err.contains(QStringLiteral("locked to GPS")));
    QCOMPARE(SettingsCommands(frames), QList<int>{});
}

void TestCliSerial::dstTablesAreSentAndReadBack()
{
    auto clock = StartClock(222);
    const QString port = clock->PtyPath();
    CliRun run = RunCli({QStringLiteral("--port"), port, QStringLiteral("dst"),
                         QStringLiteral("--spring"), QStringLiteral("last Sun Mar 1:00"),
                         QStringLiteral("--fall"), QStringLiteral("last sunday october 2:00"),
                         QStringLiteral("--start-year"), QStringLiteral("2030")});
    QCOMPARE(run.status, ExitCode::Done);
    const SimDstTables& tables = clock->State().Dst();
    QCOMPARE(int(tables.startYear), 30);
    QCOMPARE(int(tables.springMonth), 3);
    QCOMPARE(int(tables.fallHour), 2);
    QCOMPARE(int(tables.springDays[0]), 31); // 31 March 2030 is the last Sunday
    QCOMPARE(int(tables.fallDays[0]), 27);   // 27 October 2030

    run = RunCli({QStringLiteral("--port"), port, QStringLiteral("get"), QStringLiteral("dst"),
                  QStringLiteral("--json")});
    const QJsonObject dst = JsonOf(run.out);
    QCOMPARE(dst[u"springRule"].toString(), QStringLiteral("last Sun Mar 1:00"));
    QCOMPARE(dst[u"changes"].toArray().size(), 48);
    QCOMPARE(dst[u"changes"].toArray()[47].toObject()[u"fall"].toString(),
             QStringLiteral("2077-10-31 2:00"));

    QSignalSpy frames(clock.get(), &SimulatedClock::FrameReceived);
    run = RunCli({QStringLiteral("--port"), port, QStringLiteral("dst"), QStringLiteral("--spring"),
                  QStringLiteral("5th Sun Mar 1:00"), QStringLiteral("--fall"),
                  QStringLiteral("last Sun Oct 2:30")});
    QCOMPARE(run.status, ExitCode::BadArguments);
    QCOMPARE(frames.count(), 0);
}

void TestCliSerial::watchAndFeedChronyReportTheOffsetAtArrival()
{
    auto clock = StartClock(226);
    const QString port = clock->PtyPath();
    // Reports the clock sent while its port was not open are not taken for
    // new ones when it opens.
    QTest::qWait(2100);
    CliRun run = RunCli({QStringLiteral("--port"), port, QStringLiteral("watch"),
                         QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--json")});
    QCOMPARE(run.status, ExitCode::Done);
    const QStringList lines = run.out.trimmed().split(u'\n');
    QCOMPARE(lines.size(), 2);
    for (const QString& line : lines) {
        const QJsonObject report = JsonOf(line);
        QVERIFY(report[u"valid"].toBool());
        QVERIFY(std::abs(report[u"offsetSeconds"].toDouble()) < 0.5);
    }

    // A clock an hour ahead of this computer: each sample says so, measured
    // from the moment its report arrived, which is just after the clock's
    // second began (the simulated clock sends 2 ms after its edge).
    QCOMPARE(
        RunCli({QStringLiteral("--port"), port, QStringLiteral("nudge"), QStringLiteral("+1h")})
            .status,
        ExitCode::Done);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chrony.sock"));
    SampleSink sink(path);
    run = RunCli({QStringLiteral("--port"), port, QStringLiteral("feed-chrony"), path,
                  QStringLiteral("--count"), QStringLiteral("3")});
    QCOMPARE(run.status, ExitCode::Done);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    const QList<QByteArray> samples = sink.Samples();
    QCOMPARE(samples.size(), 3);
    for (const QByteArray& sample : samples) {
        QCOMPARE(sample.size(), qsizetype(ChronySample(0, 0).size()));
        qint64 seconds = 0, micros = 0;
        double offset = 0;
        std::memcpy(&seconds, sample.constData(), 8);
        std::memcpy(&micros, sample.constData() + 8, 8);
        std::memcpy(&offset, sample.constData() + 16, 8);
        quint32 magic = 0;
        std::memcpy(&magic, sample.constData() + 36, 4);
        QCOMPARE(magic, ChronySockMagic);
        // Arrival is a few milliseconds past the clock's whole second (well
        // inside its first half even on a loaded machine); the sample's offset
        // is the hour less that delay.
        const double arrivalIntoClockSecond = micros / 1e6;
        QVERIFY2(arrivalIntoClockSecond < 0.5, qPrintable(QString::number(arrivalIntoClockSecond)));
        QVERIFY2(std::abs(offset - (3600 - arrivalIntoClockSecond)) < 1e-6,
                 qPrintable(QString::number(offset, 'f', 6)));
    }
}

void TestCliSerial::feedChronyRefusesAPathNoWaitMends_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("regular file") << "file"
                                  << "it is a file, not chronyd's socket";
    QTest::newRow("folder") << "folder"
                            << "it is a folder, not chronyd's socket";
    QTest::newRow("too long") << "long"
                              << "longer than a socket's path can be";
    QTest::newRow("not writable") << "readonly"
                                  << "may not write to the socket";
}

void TestCliSerial::feedChronyRefusesAPathNoWaitMends()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    auto clock = StartClock(226);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("chrony.sock"));
    std::unique_ptr<SampleSink> sink;
    if (kind == u"file") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == u"folder") {
        path = dir.path();
    } else if (kind == u"long") {
        path = dir.filePath(QString(120, u'x'));
    } else {
        sink = std::make_unique<SampleSink>(path);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0444), 0);
        if (::geteuid() == 0)
            QSKIP("root writes to any socket");
    }
    QSignalSpy frames(clock.get(), &SimulatedClock::FrameReceived);
    const CliRun run =
        RunCli({QStringLiteral("--port"), clock->PtyPath(), QStringLiteral("feed-chrony"), path,
                QStringLiteral("--count"), QStringLiteral("1")});
    QCOMPARE(run.status, ExitCode::NoAnswer);
    QVERIFY2(run.err.contains(reason), qPrintable(run.err));
    // Refused before the clock was asked for anything.
    QCOMPARE(frames.count(), 0);
}

void TestCliSerial::feedChronyCountsOnlyDeliveredSamples()
{
    // No chronyd yet: the feed waits, says so once, and a run stopped before
    // any sample went out does not end as done.
    auto clock = StartClock(226);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chrony.sock"));
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    CliActivity activity;
    QTimer stop;
    stop.setSingleShot(true);
    stop.callOnTimeout([&] { activity.stopRequested = true; });
    stop.start(3500);
    run.status = tarvo::test::RunTask(RunTarvoClock(
        {QStringLiteral("tarvo-clock"), QStringLiteral("--port"), clock->PtyPath(),
         QStringLiteral("feed-chrony"), path, QStringLiteral("--count"), QStringLiteral("1")},
        out, err, &activity));
    out.flush();
    err.flush();
    QCOMPARE(run.status, ExitCode::NoAnswer);
    QCOMPARE(run.err.count(QStringLiteral("chronyd is not reading")), 1);
    QVERIFY2(run.err.contains(QStringLiteral("Stopped after 0 of 1.")), qPrintable(run.err));
}

void TestCliSerial::silentClockAndMissingPortExitWithOne()
{
    auto clock = StartClock(226);
    clock->SetSilent(true);
    CliRun run = RunCli({QStringLiteral("--port"), clock->PtyPath(), QStringLiteral("--model"),
                         QStringLiteral("226"), QStringLiteral("status")});
    QCOMPARE(run.status, ExitCode::NoAnswer);
    QVERIFY(run.err.contains(QStringLiteral("No clock answered")));
    run = RunCli(
        {QStringLiteral("--port"), QStringLiteral("/nonexistent/tty"), QStringLiteral("status")});
    QCOMPARE(run.status, ExitCode::NoAnswer);
    // The reason, not only the name: here the device is not there at all.
    QVERIFY2(run.err.contains(QStringLiteral("/nonexistent/tty as a serial port: there is no such "
                                             "device")),
             qPrintable(run.err));
}

void TestCliSerial::modemUpdateOnlyForTheModemModel()
{
    auto modem = StartClock(222);
    QSignalSpy applied(modem.get(), &SimulatedClock::FrameReceived);
    CliRun run =
        RunCli({QStringLiteral("--port"), modem->PtyPath(), QStringLiteral("modem-update")});
    QCOMPARE(run.status, ExitCode::Done);
    QVERIFY(SettingsCommands(applied).contains(0));
    auto other = StartClock(226);
    run = RunCli({QStringLiteral("--port"), other->PtyPath(), QStringLiteral("modem-update")});
    QCOMPARE(run.status, ExitCode::BadArguments);
}

void TestCliSerial::networkSettingsResyncAndDefaultsOverSerial()
{
    auto clock = StartClock(207);
    const QString port = clock->PtyPath();
    QTemporaryDir dir;
    const QString file = JsonFile(
        dir, R"({"subnetMask": "255.255.0.0", "broadcastMinutes": 7, "configLocked": true})");
    QSignalSpy frames(clock.get(), &SimulatedClock::FrameReceived);
    CliRun run = RunCli(
        {QStringLiteral("--port"), port, QStringLiteral("set"), QStringLiteral("network"), file});
    QCOMPARE(run.status, ExitCode::Done);
    // The four quarters of the record, then the command that applies them.
    QCOMPARE(SettingsCommands(frames).mid(SettingsCommands(frames).indexOf(30), 5),
             (QList<int>{30, 31, 32, 33, 42}));
    const QByteArray record = clock->State().NetworkRecord();
    QCOMPARE(int(quint8(record[6])), 16); // 255.255.0.0 is the 16th mask
    QCOMPARE(int(quint8(record[87])), 1);
    run =
        RunCli({QStringLiteral("--port"), port, QStringLiteral("get"), QStringLiteral("network")});
    QVERIFY(run.out.contains(QStringLiteral("broadcastMinutes: 7\n")));

    frames.clear();
    QCOMPARE(RunCli({QStringLiteral("--port"), port, QStringLiteral("resync")}).status,
             ExitCode::Done);
    QVERIFY(SettingsCommands(frames).contains(2));
    run = RunCli({QStringLiteral("--port"), port, QStringLiteral("factory-defaults"),
                  QStringLiteral("--yes")});
    QCOMPARE(run.status, ExitCode::Done);
    QVERIFY(SettingsCommands(frames).contains(19));
    QVERIFY(run.out.contains(QStringLiteral("model: 207")));
}

void TestCliSerial::badArgumentsExitWithTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no command") << QStringList{} << "No command given";
    QTest::newRow("unknown option") << QStringList{"status", "--colour"} << "Unknown option";
    QTest::newRow("both links") << QStringList{"--port", "/dev/null", "--host", "127.0.0.1",
                                               "status"}
                                << "not both";
    QTest::newRow("no link") << QStringList{"status"} << "--port DEVICE or --host ADDRESS";
    QTest::newRow("model") << QStringList{"--model", "300", "--port", "x", "status"} << "--model";
    QTest::newRow("get what") << QStringList{"--port", "x", "get", "time"} << "get needs";
    QTest::newRow("nudge step") << QStringList{"--port", "x", "nudge", "+2h"} << "nudge needs";
    QTest::newRow("defaults unconfirmed")
        << QStringList{"--port", "x", "factory-defaults"} << "--yes";
    QTest::newRow("watch on network") << QStringList{"--host", "127.0.0.1", "watch"} << "--port";
    QTest::newRow("password with a control character")
        << QStringList{"--host", "127.0.0.1", "--password", "ab\u0007c", "status"}
        << "codes 32 to 126 and 160 to 255";
}

void TestCliSerial::badArgumentsExitWithTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const CliRun run = RunCli(arguments);
    QCOMPARE(run.status, ExitCode::BadArguments);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

TARVO_TEST_CLASS(TestCliSerial)
#include "test_cli_serial.moc"

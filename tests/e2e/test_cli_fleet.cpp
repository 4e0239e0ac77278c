// SPDX-License-Identifier: GPL-3.0-or-later
// tarvo-clock --fleet against simulated clocks of this process: one on a
// pseudo-terminal, two on loopback UDP (127.0.160.0/24), an address where no
// clock answers and an entry with the wrong password.

#include "support/cli_helpers.h"
#include "support/test_registry.h"

#include "simulated_clock.h"

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

const QString kHostA = QStringLiteral("127.0.160.2");
const QString kHostB = QStringLiteral("127.0.160.3");
const QString kNobody = QStringLiteral("127.0.160.9");

std::unique_ptr<SimulatedClock> StartClock(bool serial, const QString& udp, const QByteArray& pw)
{
    SimOptions options;
    options.model = 229;
    options.serial = serial;
    options.udpAddress = udp;
    options.password = pw;
    auto clock = std::make_unique<SimulatedClock>(options);
    QString error;
    if (!clock->Start(&error))
        qWarning() << "simulated clock did not start:" << error;
    return clock;
}

QString Write(QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return f.fileName();
}

QList<QJsonObject> JsonLines(const QString& out)
{
    QList<QJsonObject> lines;
    for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts))
        lines.append(QJsonDocument::fromJson(line.toUtf8()).object());
    return lines;
}

QStringList Fleet(const QString& file, QStringList arguments)
{
    return QStringList{QStringLiteral("--fleet"), file, QStringLiteral("--timeout"),
                       QStringLiteral("600")} +
           arguments;
}

} // namespace

class TestCliFleet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_serial = StartClock(true, {}, {});
        m_a = StartClock(false, kHostA, "abcd");
        m_b = StartClock(false, kHostB, "wxyz");
        Write(m_dir, QStringLiteral("b.pw"), "wxyz\n");
        // The serial clock twice: one device is never worked on by two at once.
        m_file = Write(m_dir, QStringLiteral("fleet.json"),
                       QStringLiteral(R"({"clocks": [
            {"name": "serial", "port": "%1"},
            {"name": "a", "host": "%2", "password": "abcd"},
            {"name": "b", "host": "%3", "passwordFile": "b.pw", "model": 229},
            {"name": "serial-again", "port": "%1"}
        ]})")
                           .arg(m_serial->PtyPath(), kHostA, kHostB)
                           .toUtf8());
    }
    void cleanup()
    {
        m_serial.reset();
        m_a.reset();
        m_b.reset();
    }

    // Every clock answers on its own link, in the file's order; a clock that
    // does not answer and a refused password are reported for that clock
    // alone, and the worst of them is the exit status.
    void runsEveryClockAndReportsEachResult()
    {
        CliRun run = RunCli(Fleet(m_file, {QStringLiteral("status"), QStringLiteral("--json")}));
        QCOMPARE(run.status, ExitCode::Done);
        QList<QJsonObject> lines = JsonLines(run.out);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0][u"clock"].toString(), QStringLiteral("serial"));
        QCOMPARE(lines[0][u"link"].toString(), QStringLiteral("serial"));
        QCOMPARE(lines[0][u"model"].toInt(), 229);
        QVERIFY(lines[0][u"time"].isObject()); // only the serial link carries the time
        QCOMPARE(lines[1][u"host"].toString(), kHostA);
        QCOMPARE(lines[2][u"clock"].toString(), QStringLiteral("b"));
        QCOMPARE(lines[3][u"clock"].toString(), QStringLiteral("serial-again"));
        for (const QJsonObject& line : lines)
            QCOMPARE(line[u"exit"].toInt(-1), ExitCode::Done);

        const QString mixed = Write(m_dir, QStringLiteral("mixed.json"),
                                    QStringLiteral(R"([
            {"name": "a", "host": "%1", "password": "abcd"},
            {"name": "nobody", "host": "%2"},
            {"name": "wrong-password", "host": "%3", "password": "zzzz"}
        ])")
                                        .arg(kHostA, kNobody, kHostB)
                                        .toUtf8());
        run = RunCli(Fleet(
            mixed, {QStringLiteral("get"), QStringLiteral("settings"), QStringLiteral("--json")}));
        QCOMPARE(run.status, ExitCode::NoAnswer);
        lines = JsonLines(run.out);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0][u"exit"].toInt(), ExitCode::Done);
        QVERIFY(lines[0].contains(u"timeZone"));
        QCOMPARE(lines[1][u"exit"].toInt(), ExitCode::NoAnswer);
        QVERIFY(lines[1][u"error"].toString().contains(kNobody));
        QCOMPARE(lines[2][u"exit"].toInt(), ExitCode::PasswordRefused);
        QVERIFY(lines[2][u"error"].toString().contains(u"refused the password"));

        // The table: one row per clock, the failures in their rows.
        run = RunCli(Fleet(mixed, {QStringLiteral("get"), QStringLiteral("settings")}));
        QCOMPARE(run.status, ExitCode::NoAnswer);
        const QStringList rows = run.out.split(u'\n');
        QVERIFY(rows.value(0).startsWith(u"CLOCK"));
        QVERIFY(rows.value(1).startsWith(u"a ") && rows.value(1).contains(u" model 229: "));
        QVERIFY(rows.value(2).contains(u"nobody") && rows.value(2).contains(u"exit 1:"));
        QVERIFY(rows.value(3).contains(u"wrong-password") && rows.value(3).contains(u"exit 3:"));
    }

    // A golden file taken from one clock; one clock changed since: that
    // clock, and only that field, is named with both values.
    void checkSettingsNamesTheDriftedField()
    {
        CliRun run = RunCli({QStringLiteral("--host"), kHostA, QStringLiteral("--password"),
                             QStringLiteral("abcd"), QStringLiteral("get"),
                             QStringLiteral("settings"), QStringLiteral("--json")});
        QCOMPARE(run.status, ExitCode::Done);
        const QString golden = Write(m_dir, QStringLiteral("golden.json"), run.out.toUtf8());
        const bool hour24 = QJsonDocument::fromJson(run.out.toUtf8())[u"hour24"].toBool();
        const QString drift =
            Write(m_dir, QStringLiteral("drift.json"),
                  QStringLiteral(R"({"hour24": %1})").arg(hour24 ? "false" : "true").toUtf8());
        run = RunCli({QStringLiteral("--host"), kHostB, QStringLiteral("--password"),
                      QStringLiteral("wxyz"), QStringLiteral("set"), QStringLiteral("settings"),
                      drift});
        QCOMPARE(run.status, ExitCode::Done);

        run = RunCli(Fleet(m_file, {QStringLiteral("check"), QStringLiteral("settings"), golden,
                                    QStringLiteral("--json")}));
        QCOMPARE(run.status, ExitCode::ReadBackDiffers);
        const QList<QJsonObject> lines = JsonLines(run.out);
        QCOMPARE(lines.size(), 4);
        for (int i : {0, 1, 3}) {
            QCOMPARE(lines[i][u"exit"].toInt(), ExitCode::Done);
            QCOMPARE(lines[i][u"matches"].toBool(), true);
        }
        QCOMPARE(lines[2][u"exit"].toInt(), ExitCode::ReadBackDiffers);
        const QJsonArray differences = lines[2][u"differences"].toArray();
        QCOMPARE(differences.size(), 1);
        QCOMPARE(differences[0][u"field"].toString(), QStringLiteral("hour24"));
        QCOMPARE(differences[0][u"clock"].toBool(), !hour24);
        QCOMPARE(differences[0][u"golden"].toBool(), hour24);

        // One clock without --fleet, as text; a field left out of the golden
        // file is not compared; another model's file is not compared at all.
        run = RunCli({QStringLiteral("--host"), kHostB, QStringLiteral("--password"),
                      QStringLiteral("wxyz"), QStringLiteral("check"), QStringLiteral("settings"),
                      golden});
        QCOMPARE(run.status, ExitCode::ReadBackDiffers);
        QVERIFY2(run.out.contains(QStringLiteral("hour24: the clock has %1, golden %2")
                                      .arg(hour24 ? "false" : "true", hour24 ? "true" : "false")),
                 qPrintable(run.out));
        const QString partial = Write(m_dir, QStringLiteral("partial.json"), R"({"model": 229})");
        run = RunCli({QStringLiteral("--host"), kHostB, QStringLiteral("--password"),
                      QStringLiteral("wxyz"), QStringLiteral("check"), QStringLiteral("settings"),
                      partial});
        QCOMPARE(run.status, ExitCode::Done);
        const QString other = Write(m_dir, QStringLiteral("other.json"), R"({"model": 226})");
        run = RunCli({QStringLiteral("--host"), kHostB, QStringLiteral("--password"),
                      QStringLiteral("wxyz"), QStringLiteral("check"), QStringLiteral("settings"),
                      other});
        QCOMPARE(run.status, ExitCode::ReadBackDiffers);
        QVERIFY2(run.err.contains(u"is for model 226; the clock is model 229"),
                 qPrintable(run.err));

        // A fleet where one clock differs and one does not answer: the
        // silent clock is the worse.
        const QString withNobody = Write(m_dir, QStringLiteral("nobody.json"),
                                         QStringLiteral(R"([
            {"name": "b", "host": "%1", "password": "wxyz"},
            {"name": "nobody", "host": "%2"}
        ])")
                                             .arg(kHostB, kNobody)
                                             .toUtf8());
        run = RunCli(
            Fleet(withNobody, {QStringLiteral("check"), QStringLiteral("settings"), golden}));
        QCOMPARE(run.status, ExitCode::NoAnswer);
    }

    // The commands that change a clock, on every clock of the fleet at once:
    // each is read back on its own link, and every clock takes the change.
    void changesEveryClockAndReadsEachBack()
    {
        const QString wanted =
            Write(m_dir, QStringLiteral("wanted.json"), R"({"timeZone": 3, "hour24": false})");
        CliRun run = RunCli(Fleet(m_file, {QStringLiteral("set"), QStringLiteral("settings"),
                                           wanted, QStringLiteral("--json")}));
        QVERIFY2(run.status == ExitCode::Done, qPrintable(run.out + run.err));
        QList<QJsonObject> lines = JsonLines(run.out);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0][u"verified"].toBool(), true);
        // The second entry on the same device finds the change already made.
        QCOMPARE(lines[3][u"sent"].toInt(), 0);
        for (const SimulatedClock* clock : {m_serial.get(), m_a.get(), m_b.get()}) {
            const QStringList where =
                clock->PtyPath().isEmpty()
                    ? QStringList{QStringLiteral("--host"), clock->UdpAddress(),
                                  QStringLiteral("--password"),
                                  QString::fromLatin1(clock->Options().password)}
                    : QStringList{QStringLiteral("--port"), clock->PtyPath()};
            run = RunCli(where +
                         QStringList{QStringLiteral("check"), QStringLiteral("settings"), wanted});
            QVERIFY2(run.status == ExitCode::Done, qPrintable(run.out + run.err));
        }

        run = RunCli(Fleet(m_file, {QStringLiteral("dst"), QStringLiteral("--spring"),
                                    QStringLiteral("last Sun Mar 1:00"), QStringLiteral("--fall"),
                                    QStringLiteral("last Sun Oct 2:00")}));
        QVERIFY2(run.status == ExitCode::Done, qPrintable(run.out + run.err));
        QCOMPARE(run.out.count(u"now follow spring last Sun Mar 1:00"), 4);

        run = RunCli(
            Fleet(m_file, {QStringLiteral("set"), QStringLiteral("time"), QStringLiteral("now")}));
        QVERIFY2(run.status == ExitCode::Done, qPrintable(run.out + run.err));
        QCOMPARE(run.out.count(u"it reports that time."), 2); // the serial link reads it back
        QCOMPARE(run.out.count(u"it answered."), 2);
    }

    // A bad fleet file is refused whole, every problem named with its entry
    // and field, and no clock hears a thing.
    void badFleetFilesSendNothing()
    {
        QSignalSpy frames(m_serial.get(), &SimulatedClock::FrameReceived);
        QSignalSpy datagramsA(m_a.get(), &SimulatedClock::DatagramReceived);
        QSignalSpy datagramsB(m_b.get(), &SimulatedClock::DatagramReceived);
        const QString bad = Write(m_dir, QStringLiteral("bad.json"),
                                  QStringLiteral(R"({"clocks": [
            {"name": "serial", "port": "%1"},
            {"name": "a", "hots": "%2"},
            {"name": "serial", "host": "%3"}
        ]})")
                                      .arg(m_serial->PtyPath(), kHostA, kHostB)
                                      .toUtf8());
        const CliRun run = RunCli(
            Fleet(bad, {QStringLiteral("set"), QStringLiteral("time"), QStringLiteral("now")}));
        QCOMPARE(run.status, ExitCode::BadArguments);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.contains(u"Nothing was sent."));
        QTest::qWait(300);
        QCOMPARE(frames.size(), 0);
        QCOMPARE(datagramsA.size(), 0);
        QCOMPARE(datagramsB.size(), 0);

        // Commands that make no sense on a fleet are refused as well.
        QCOMPARE(RunCli(Fleet(m_file, {QStringLiteral("watch")})).status, ExitCode::BadArguments);
        QCOMPARE(
            RunCli(Fleet(m_file, {QStringLiteral("set"), QStringLiteral("network"), bad})).status,
            ExitCode::BadArguments);
        QCOMPARE(frames.size(), 0);
        QCOMPARE(datagramsA.size(), 0);
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
    std::unique_ptr<SimulatedClock> m_serial;
    std::unique_ptr<SimulatedClock> m_a;
    std::unique_ptr<SimulatedClock> m_b;
};

TARVO_TEST_CLASS(TestCliFleet)
#include "test_cli_fleet.moc"

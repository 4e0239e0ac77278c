// A flood of random and cut-short datagrams at the program's socket, several
// thousand a second for several seconds, from loopback. The window must stay
// responsive throughout (a 10 ms timer never runs more than 50 ms late), and a
// genuine settings reply sent in the middle of the flood must still be applied.
#include "support/test_registry.h"
#include "clock/master_record.h"
#include "link/bytes.h"
#include "link/datagram.h"
#include "support/harness.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

using namespace tarvo;

namespace
{
// Datagrams the kernel dropped for a full receive buffer on this local port
// (the last column of /proc/net/udp); -1 where that table is not readable.
qint64 KernelDrops(quint16 port)
{
    QFile table(QStringLiteral("/proc/net/udp"));
    if (!table.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray local = ":" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 12 && f[1].endsWith(local))
            return f.last().toLongLong();
    }
    return -1;
}
// Runs the event loop as the program's own does (no sleeping between turns)
// until `done` holds or `ms` pass; true when it held.
template <typename F> bool Spin(F done, int ms)
{
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= ms)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    return done();
}
} // namespace

class FaultsFlood : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windowStaysResponsiveAndTheReplyIsApplied()
    {
        Harness h;
        SimOptions o;
        o.model = 229;
        o.udpAddress = "127.0.47.5";
        o.reportMs = 0;
        SimulatedClock& clock = h.AddClock(o);
        h.SaveConnection(1, 1, 2, "127.0.47.5", 0);
        frmControlPanel& w = h.Start({"127.0.47.1"});
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
        // Let the start-up requests finish before the flood begins.
        Harness::WaitFor([] { return false; }, 1500);
        auto* zone = w.findChild<QComboBox*>("cmbTimeZone");
        QVERIFY(zone);

        // The genuine reply: the clock's own record with another time zone.
        QByteArray record = clock.State().MasterRecord().left(NetworkMasterRecordLength);
        const int oldCode = ByteAt(record, 0) & 63;
        const int newCode = oldCode == 5 ? 6 : 5;
        SetByte(record, 0, (ByteAt(record, 0) & ~63) | newCode);
        QByteArray reply(DatagramLength, '\0');
        SetByte(reply, 0, ReplyCode::MasterSettings);
        for (int i = 0; i < record.size(); ++i)
            SetByte(reply, DatagramPayloadOffset + i, ByteAt(record, i));
        const int expectedPosition = DecodeMasterRecord(record, 2, h.State().clockSettings)
                                         .view.timeZonePosition.value_or(-1);
        QVERIFY(expectedPosition >= 0);

        bool replyApplied = false;
        connect(&h.Core(), &Panel::MasterSettingsReceived, this, [&](const QByteArray& r) {
            // Runs after the window's own parser: the control shows the record.
            if (r == record && zone->currentIndex() == expectedPosition)
                replyApplied = true;
        });

        QUdpSocket flood;
        QVERIFY(flood.bind(QHostAddress("127.0.47.9"), 0));
        const QHostAddress target("127.0.47.1");
        const quint16 port = h.Core().Udp().LocalPort();
        QVERIFY(port != 0);

        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("flood seed %u", seed);
        QRandomGenerator rng(seed);
        auto randomDatagram = [&] {
            QByteArray d(rng.bounded(300), '\0');
            for (char& c : d)
                c = char(rng.bounded(256));
            // Half of them are replies the clock could send, cut short.
            if (!d.isEmpty() && rng.bounded(2) == 0) {
                const quint8 codes[] = {ReplyCode::NetworkSettings, ReplyCode::MasterSettings,
                                        ReplyCode::DstDates, ReplyCode::PasswordRefused};
                SetByte(d, 0, codes[rng.bounded(4)]);
                d.truncate(rng.bounded(1, 131));
            }
            return d;
        };

        // The window's pulse, measured against the wall clock.
        QElapsedTimer since;
        qint64 worstLate = 0;
        int ticks = 0;
        QTimer pulse;
        pulse.setTimerType(Qt::PreciseTimer);
        pulse.setInterval(10);
        connect(&pulse, &QTimer::timeout, this, [&] {
            if (ticks++ > 0)
                worstLate = qMax(worstLate, since.elapsed() - 10);
            since.restart();
        });

        // 4000 datagrams a second for 5 s, in bursts every 5 ms.
        int sent = 0;
        bool replySent = false;
        QElapsedTimer run;
        QTimer sender;
        sender.setTimerType(Qt::PreciseTimer);
        sender.setInterval(5);
        connect(&sender, &QTimer::timeout, this, [&] {
            // Stopped from here: the program's own waits may hold the test's
            // loop longer than the flood lasts.
            if (run.elapsed() >= 5000) {
                sender.stop();
                return;
            }
            // Catches up when a tick came late, so the rate holds on a busy machine.
            const qint64 due = qMin<qint64>(4 * run.elapsed() - sent, 400);
            for (qint64 i = 0; i < due; ++i, ++sent)
                flood.writeDatagram(randomDatagram(), target, port);
            if (!replySent && run.elapsed() > 2500) {
                replySent = true;
                flood.writeDatagram(reply, target, port);
            }
        });
        run.start();
        since.start();
        pulse.start();
        sender.start();
        Spin([&] { return !sender.isActive(); }, 20000);
        sender.stop();
        QVERIFY2(Spin([&] { return !h.Core().Udp().HasPendingDatagram(); }, 15000),
                 "the program stopped reading its socket");
        pulse.stop();

        qInfo("flood: %d datagrams in %lld ms, %d timer ticks, worst lateness %lld ms, "
              "%lld dropped by the kernel",
              sent, qint64(run.elapsed()), ticks, worstLate, KernelDrops(port));
        QVERIFY(sent >= 15000); // at least 3000 a second
        QVERIFY2(worstLate <= 50, qPrintable(QString("timer %1 ms late").arg(worstLate)));
        QVERIFY(replySent);
        QVERIFY2(Spin([&] { return replyApplied; }, 20000),
                 "the settings reply sent during the flood was not applied");
    }
};

TARVO_TEST_CLASS(FaultsFlood)
#include "test_faults_flood.moc"

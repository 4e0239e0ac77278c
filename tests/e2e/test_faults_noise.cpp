// SPDX-License-Identifier: GPL-3.0-or-later
// A long stretch of line noise between the clock's valid frames, written in
// pieces of random size to a pseudo-terminal the program has as its port:
// every valid time report and DST record must come through, however the noise
// and the chunking fall.
#include "clock/clock_model.h"
#include "clock_state.h"
#include "link/serial_frame.h"
#include "sim_records.h"
#include "support/harness.h"
#include "support/test_registry.h"

#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QtTest>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace tarvo;

namespace
{
// The far end of the program's port, driven by the test.
class Line
{
public:
    Line()
    {
        m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0 || ::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0)
            qFatal("cannot open a pseudo-terminal");
        m_path = QString::fromLocal8Bit(::ptsname(m_fd));
    }
    ~Line() { ::close(m_fd); }
    QString Path() const { return m_path; }
    int Fd() const { return m_fd; }

    // What the program sent since the last call.
    QByteArray Drain()
    {
        QByteArray all;
        char buf[4096];
        for (ssize_t n; (n = ::read(m_fd, buf, sizeof buf)) > 0;)
            all.append(buf, n);
        return all;
    }

    // Writes everything, letting the program read while the line is full.
    bool Write(const QByteArray& bytes)
    {
        qsizetype at = 0;
        QElapsedTimer patience;
        patience.start();
        while (at < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + at, size_t(bytes.size() - at));
            if (n > 0) {
                at += n;
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (patience.hasExpired(5000))
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            Drain();
        }
        return true;
    }

private:
    int m_fd = -1;
    QString m_path;
};

// Noise as a line picks it up: mostly payload-range bytes, with start and end
// bytes of every kind among them, sometimes long enough to wrap the receive
// buffer.
QByteArray Noise(QRandomGenerator& rng)
{
    const int length = rng.bounded(100) == 0 ? 700 + rng.bounded(400) : rng.bounded(40);
    QByteArray noise(length, '\0');
    for (char& c : noise)
        c = char(rng.bounded(8) == 0 ? 0xF8 + rng.bounded(8) : rng.bounded(0xF8));
    return noise;
}
} // namespace

class FaultsNoise : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyValidFrameSurvivesTheNoise()
    {
        Line line;
        Harness h;
        h.SerialDevices() << line.Path();
        h.SaveConnection(0, 1, 1, {}, 0);
        // Answer the connect's settings request, as the clock would; the
        // program waits for it inside its start-up, so the answer comes from
        // the event loop rather than from this function.
        ClockState clock(1, QStringLiteral("127.0.0.5"), {}, true);
        bool answered = false;
        QSocketNotifier asked(line.Fd(), QSocketNotifier::Read);
        connect(&asked, &QSocketNotifier::activated, this, [&] {
            if (line.Drain().contains(BuildSerialFrame(1, {}, ModelOrFallback(1))) && !answered) {
                answered = true;
                line.Write(clock.MasterReplyFrame());
            }
        });
        h.Start();
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 6000));
        asked.setEnabled(false);

        QStringList shown;
        int dstRecords = 0;
        connect(&h.Core(), &Panel::TimeReportShown, this, [&](bool valid) {
            if (valid)
                shown << h.State().ClockTimeText;
        });
        connect(&h.Core(), &Panel::DstDatesReceived, this, [&] {
            if (h.State().LastDstRecord == SimDstRecord(UsDstTables(20)))
                ++dstRecords;
        });

        // Seed printed so that a failure can be replayed.
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("noise seed %u", seed);
        QRandomGenerator rng(seed);
        const QByteArray dstFrame =
            BuildIncomingFrame(FrameByte::EndDstDates, SimDstRecord(UsDstTables(20)));
        const quint8 starts[] = {FrameByte::StartA, FrameByte::StartB, FrameByte::StartC,
                                 FrameByte::StartD};
        QStringList sent;
        int dstSent = 0;
        QByteArray pending;
        QDateTime t(QDate(2024, 1, 1), QTime(0, 0, 0));
        for (int i = 0; i < 3000; ++i) {
            pending += Noise(rng);
            if (i % 50 == 49) {
                pending += dstFrame;
                ++dstSent;
            } else {
                t = t.addSecs(1);
                pending += BuildIncomingFrame(FrameByte::EndTimeReport, TimeReportPayload(t, false),
                                              starts[i % 4]);
                sent << t.toString("HH:mm:ss");
            }
            // Handed over in pieces of any size, with the program reading between.
            while (pending.size() > 64 || (i == 2999 && !pending.isEmpty())) {
                const int piece = 1 + rng.bounded(qMin<qsizetype>(pending.size(), 300));
                QVERIFY(line.Write(pending.left(piece)));
                pending.remove(0, piece);
                QCoreApplication::processEvents();
                line.Drain();
            }
        }
        QVERIFY(Harness::WaitFor(
            [&] { return shown.size() >= sent.size() && dstRecords >= dstSent; }, 10000));
        // Every report arrived, in order; noise can add a chance report but
        // never take one away.
        int found = 0;
        for (const QString& text : shown)
            if (found < sent.size() && text == sent[found])
                ++found;
        QCOMPARE(found, int(sent.size()));
        QCOMPARE(dstRecords, dstSent);
    }
};

TARVO_TEST_CLASS(FaultsNoise)
#include "test_faults_noise.moc"

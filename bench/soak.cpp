// SPDX-License-Identifier: GPL-3.0-or-later
// A long run of the program against the simulated clock: a time report every
// second and a settings request every 5 s, as a connected panel sees them. The
// clock runs in a thread of its own, so the figures of the main thread are the
// program's alone: CPU share, wake-ups (voluntary context switches) with the
// window shown and hidden, resident memory of the process at start and end,
// and the delay from a report leaving the clock to the window showing it.
// Usage: bench_soak [seconds] [report-ms] [request-every-ms]
#include "link/bytes.h"
#include "support/harness.h"
#include "support/panel_access.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/syscall.h>
#include <unistd.h>

using namespace tarvo;

namespace
{
struct ThreadSample {
    double cpuSeconds = 0;
    qint64 wakeUps = 0;
};

// Figures of one thread of this process, from /proc.
ThreadSample SampleThread(pid_t tid)
{
    ThreadSample s;
    const QString dir = QStringLiteral("/proc/self/task/%1/").arg(tid);
    QFile stat(dir + "stat");
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        // Fields after the command name, which may hold blanks.
        const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
        const double hz = double(sysconf(_SC_CLK_TCK));
        if (f.size() > 12)
            s.cpuSeconds = (f[11].toDouble() + f[12].toDouble()) / hz;
    }
    QFile status(dir + "status");
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:"))
                s.wakeUps = line.mid(24).trimmed().toLongLong();
    return s;
}

qint64 ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

// "HH:MM:SS" of a time report frame (start byte, then second at 5, hour at 9,
// minute at 10 of the report), as the window's time text reads.
QString ReportTimeText(const QByteArray& frame)
{
    const auto two = [&](int at) {
        return QStringLiteral("%1").arg(ByteAt(frame, 1 + at), 2, 10, QLatin1Char('0'));
    };
    return two(9) + QLatin1Char(':') + two(10) + QLatin1Char(':') + two(5);
}

// Runs the event loop as the program's own does, with no polling of ours.
void RunFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
    const int reportMs = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int requestMs = argc > 3 ? std::atoi(argv[3]) : 5000;
    const pid_t mainThread = pid_t(syscall(SYS_gettid));

    // The clock in its own thread with its own event loop.
    QThread clockThread;
    clockThread.start();
    SimOptions o;
    o.serial = true;
    o.reportMs = reportMs;
    auto owned = std::make_unique<SimulatedClock>(o);
    SimulatedClock* clock = owned.get();
    clock->moveToThread(&clockThread);
    QElapsedTimer timer;
    timer.start();
    // The clock's thread notes a report after writing it, so the window may show
    // it first; reports are paired by their time text and such a pair counts
    // as no delay at all.
    QMutex mutex;
    QHash<QString, qint64> sentAt;
    QHash<QString, qint64> shownAt;
    QObject::connect(
        clock, &SimulatedClock::TimeReportSent, clock,
        [&](const QByteArray& frame) {
            const qint64 now = timer.nsecsElapsed();
            const QString text = ReportTimeText(frame);
            QMutexLocker lock(&mutex);
            sentAt.insert(text, now);
        },
        Qt::DirectConnection);
    QString path;
    QMetaObject::invokeMethod(
        clock,
        [&] {
            QString error;
            if (!clock->Start(&error))
                qFatal("simulated clock did not start: %s", qPrintable(error));
            path = clock->PtyPath();
        },
        Qt::BlockingQueuedConnection);

    Harness h;
    h.SerialDevices() << path;
    h.SaveConnection(0, 1, 1, {}, 0);
    frmControlPanel& window = h.Start();
    if (!Harness::WaitFor([&] { return h.State().ClockFound; }, 10000)) {
        std::printf("the program did not find the simulated clock\n");
        return 1;
    }

    QObject::connect(&h.Core(), &Panel::TimeReportShown, &app, [&](bool valid) {
        const qint64 now = timer.nsecsElapsed();
        if (!valid)
            return;
        QMutexLocker lock(&mutex);
        shownAt.insert(h.State().ClockTimeText, now);
    });
    int requests = 0;
    int answers = 0;
    QObject::connect(&h.Core().Session(), &ClockSession::MasterRecordReceived, &app,
                     [&](const MasterRecord&, const RecordSource&) { ++answers; });
    QTimer request;
    QObject::connect(&request, &QTimer::timeout, &app, [&] {
        // What a connect does: the next settings frame is the one asked for.
        PanelTestAccess::State(h.Core()).SettingsRequested = true;
        h.Core().Session().SerialClock().Send(command::RequestMasterSettings{});
        ++requests;
    });
    request.start(requestMs);

    // Settle, then measure: the whole run shown, then a spell hidden.
    RunFor(3000);
    const qint64 rssStart = ResidentKb();
    const ThreadSample a = SampleThread(mainThread);
    QElapsedTimer wall;
    wall.start();
    RunFor(seconds * 1000);
    const double shownSeconds = double(wall.elapsed()) / 1000.0;
    const ThreadSample b = SampleThread(mainThread);
    const qint64 rssEnd = ResidentKb();

    const int hiddenMs = std::clamp(seconds * 100, 10000, 60000);
    window.HideWindow();
    RunFor(1000);
    const ThreadSample c = SampleThread(mainThread);
    wall.restart();
    RunFor(hiddenMs);
    const double hiddenSeconds = double(wall.elapsed()) / 1000.0;
    const ThreadSample d = SampleThread(mainThread);
    request.stop();

    // Stopped in its own thread, where its timer and notifier live, then handed
    // back so that it is deleted here.
    QThread* here = QThread::currentThread();
    QMetaObject::invokeMethod(
        clock,
        [&] {
            clock->Stop();
            clock->moveToThread(here);
        },
        Qt::BlockingQueuedConnection);
    clockThread.quit();
    clockThread.wait();
    owned.reset();

    std::printf("run: %.0f s shown, then %.0f s hidden; %d settings requests, %d answered\n",
                shownSeconds, hiddenSeconds, requests, answers);
    std::printf("cpu (program thread, shown): %.3f %% of one core\n",
                100.0 * (b.cpuSeconds - a.cpuSeconds) / shownSeconds);
    std::printf("cpu (program thread, hidden): %.3f %% of one core\n",
                100.0 * (d.cpuSeconds - c.cpuSeconds) / hiddenSeconds);
    std::printf("resident memory: %.1f MB at start, %.1f MB at end (%+lld kB)\n",
                double(rssStart) / 1024, double(rssEnd) / 1024, rssEnd - rssStart);
    std::printf("wake-ups shown: %.1f per second\n", double(b.wakeUps - a.wakeUps) / shownSeconds);
    std::printf("wake-ups hidden: %.1f per second\n",
                double(d.wakeUps - c.wakeUps) / hiddenSeconds);
    std::vector<double> delays;
    for (auto it = shownAt.cbegin(); it != shownAt.cend(); ++it)
        if (sentAt.contains(it.key()))
            delays.push_back(std::max(0.0, double(it.value() - sentAt.value(it.key())) / 1e6));
    if (delays.empty()) {
        std::printf("no time report reached the window\n");
        return 1;
    }
    std::sort(delays.begin(), delays.end());
    auto at = [&](double q) {
        return delays[std::min(delays.size() - 1, size_t(q * double(delays.size())))];
    };
    std::printf("reports: %zu\nlatency p50: %.3f ms\nlatency p99: %.3f ms\nlatency max: %.3f ms\n",
                delays.size(), at(0.5), at(0.99), delays.back());
    return answers > 0 ? 0 : 1;
}

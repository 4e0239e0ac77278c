// SPDX-License-Identifier: GPL-3.0-or-later
// How late in its second a time set "now" reaches the clock, from the window's
// "Update Now" (pressed at random moments of a second) and from
// `tarvo-clock set time now`, on the serial and the network link of one
// simulated clock. A figure, not a test: the tests only bound it loosely.
// Usage: bench_update_now [presses per link]
#include "support/cli_helpers.h"
#include "support/harness.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cstdio>

using namespace tarvo;

namespace
{
struct Lateness {
    std::vector<int> ms;
    void Print(const char* what) const
    {
        std::vector<int> v = ms;
        std::sort(v.begin(), v.end());
        if (v.empty()) {
            std::printf("%-28s no sample\n", what);
            return;
        }
        std::printf("%-28s n=%zu  p50 %d ms  max %d ms  (into the second it carries)\n", what,
                    v.size(), v[v.size() / 2], v.back());
    }
};

// Watches the clock for the time frame or datagram and notes how far into
// the carried second it arrived; -1000 and below when it carried another second.
void Watch(SimulatedClock& clock, Lateness& out)
{
    const auto note = [&out](int h, int m, int s) {
        const QTime now = QTime::currentTime();
        const QTime carried(h, m, s);
        out.ms.push_back(carried.msecsTo(now));
    };
    QObject::connect(&clock, &SimulatedClock::FrameReceived, &clock,
                     [note](quint8 command, const QByteArray& p) {
                         if (command == 3 && p.size() == 3)
                             note(p[0], p[1], p[2]);
                     });
    QObject::connect(&clock, &SimulatedClock::DatagramReceived, &clock,
                     [note](quint8 code, const QByteArray& d) {
                         if (code == 9 && d.size() > 7)
                             note(d[5], d[6], d[7]);
                     });
}

void Window(bool network, int presses)
{
    Harness h;
    SimOptions o;
    o.model = 229;
    o.serial = !network;
    o.udpAddress = network ? QStringLiteral("127.0.190.5") : QString();
    SimulatedClock& clock = h.AddClock(o);
    h.SaveConnection(network ? 1 : 0, 1, 2, o.udpAddress);
    frmControlPanel& w = h.Start({QStringLiteral("127.0.190.1")});
    Harness::WaitFor([&] { return h.State().ClockFound; }, 8000);
    Lateness late;
    Watch(clock, late);
    auto* button = w.findChild<QPushButton*>(QStringLiteral("cmdSendTime"));
    for (int i = 0; i < presses; ++i) {
        const int at = QRandomGenerator::global()->bounded(1000);
        Harness::WaitFor([&] { return QTime::currentTime().msec() / 10 == at / 10; }, 2000);
        const qsizetype before = late.ms.size();
        button->click();
        Harness::WaitFor([&] { return late.ms.size() > size_t(before); }, 3000);
        Harness::WaitFor([] { return false; }, 2500); // the read-back is over
    }
    late.Print(network ? "window, network" : "window, serial");
}

void Tool(bool network, int runs)
{
    SimOptions o;
    o.model = 229;
    o.serial = !network;
    o.udpAddress = network ? QStringLiteral("127.0.191.5") : QString();
    SimulatedClock clock(o);
    QString error;
    clock.Start(&error);
    Lateness late;
    Watch(clock, late);
    for (int i = 0; i < runs; ++i) {
        QTest::qWait(QRandomGenerator::global()->bounded(1000));
        // The command runs in a plain event loop, as in the program: the
        // tests' polling wait would add its own steps to the figure.
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QEventLoop loop;
        Job job;
        QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit);
        job.Start(
            [](QStringList args, QTextStream* o,
               QTextStream* e) -> Task<void> {
                co_await RunTarvoClock(std::move(args), *o, *e);
            }({QStringLiteral("tarvo-clock"),
                               network ? QStringLiteral("--host") : QStringLiteral("--port"),
                               network ? o.udpAddress : clock.PtyPath(), QStringLiteral("set"),
                               QStringLiteral("time"), QStringLiteral("now")},
                               &outStream, &errStream));
        if (job.IsRunning())
            loop.exec();
    }
    late.Print(network ? "tarvo-clock, network" : "tarvo-clock, serial");
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 10;
    for (bool network : {false, true}) {
        Window(network, n);
        Tool(network, n);
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Delay from a time report leaving the simulated clock to lblIncomingTime
// showing it, measured in one process so both ends read the same clock.
// Usage: bench_latency [seconds] [report-ms]
#include "support/harness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

using namespace tarvo;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int reportMs = argc > 2 ? std::atoi(argv[2]) : 100;

    Harness h;
    SimOptions o;
    o.serial = true;
    o.reportMs = reportMs;
    SimulatedClock& clock = h.AddClock(o);
    h.SaveConnection(0, 1, 1);
    h.Start();

    QElapsedTimer timer;
    timer.start();
    qint64 sentAt = -1;
    std::vector<double> delays;
    QObject::connect(&clock, &SimulatedClock::TimeReportSent, &app,
                     [&](const QByteArray&) { sentAt = timer.nsecsElapsed(); });
    QObject::connect(&h.Core(), &Panel::TimeReportShown, &app, [&](bool) {
        if (sentAt >= 0)
            delays.push_back(double(timer.nsecsElapsed() - sentAt) / 1e6);
        sentAt = -1;
    });
    Harness::WaitFor([] { return false; }, seconds * 1000);
    if (delays.empty()) {
        std::printf("no time report reached the window\n");
        return 1;
    }
    std::sort(delays.begin(), delays.end());
    auto at = [&](double q) {
        return delays[std::min(delays.size() - 1, size_t(q * delays.size()))];
    };
    std::printf("reports: %zu\nlatency p50: %.3f ms\nlatency p99: %.3f ms\nlatency max: %.3f ms\n",
                delays.size(), at(0.5), at(0.99), delays.back());
    return 0;
}

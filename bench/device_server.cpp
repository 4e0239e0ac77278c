// SPDX-License-Identifier: GPL-3.0-or-later
// Round trip of a settings request (the request written to its answer read)
// and the offset of the clock's time reports, over one serial port: a local
// device or a device server (tcp:HOST:PORT, rfc2217:HOST:PORT). Figures only.
// Usage: bench_device_server PORT [requests] [reports]
#include "cli/clock_client.h"
#include "session/report_offset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tarvo;

namespace
{
void Print(const char* what, std::vector<double> values, const char* unit)
{
    if (values.empty()) {
        std::printf("%s: none\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    const auto at = [&values](double q) {
        return values[std::min(values.size() - 1, size_t(q * double(values.size())))];
    };
    std::printf("%s (%zu): min %.3f  p50 %.3f  p90 %.3f  max %.3f %s\n", what, values.size(),
                values.front(), at(0.5), at(0.9), values.back(), unit);
}

Task<void> Measure(QString port, int requests, int reports, int* status)
{
    ClockClient client;
    client.SetModel(FindModel(ModelCodeForNumber(226)));
    QString error;
    if (!client.OpenSerial(port, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        co_return;
    }
    const bool ready = co_await client.LinkReady(&error);
    if (!ready) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        co_return;
    }
    const Reply identified = co_await client.Identify();
    if (identified != Reply::Answered) {
        std::fprintf(stderr, "no clock answered on %s\n", qPrintable(port));
        co_return;
    }
    std::vector<double> roundTrips;
    for (int i = 0; i < requests; ++i) {
        QElapsedTimer took;
        took.start();
        const Answer<MasterRecord> answer =
            co_await client.Ask<MasterRecord>(command::RequestMasterSettings{});
        if (answer.Answered())
            roundTrips.push_back(double(took.nsecsElapsed()) / 1e6);
        co_await Sleep(37); // off the reports' second
    }
    // The reports waiting from before are left; the next ones are measured.
    for (;;) {
        const auto old = co_await client.NextTimeReport(std::chrono::milliseconds(1));
        if (!old)
            break;
    }
    std::vector<double> offsets;
    while (int(offsets.size()) < reports) {
        const auto r = co_await client.NextTimeReport(std::chrono::milliseconds(3000));
        if (!r)
            break;
        if (const auto offset = ReportOffsetAt(r->report, r->arrivalUs))
            offsets.push_back(*offset * 1000.0);
    }
    std::printf("%s (%s)\n", qPrintable(port), qPrintable(client.LinkName()));
    Print("  round trip of a settings request", roundTrips, "ms");
    Print("  offset of a time report", offsets, "ms");
    *status = roundTrips.empty() || offsets.empty() ? 1 : 0;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_device_server PORT [requests] [reports]\n");
        return 2;
    }
    const int requests = argc > 2 ? std::atoi(argv[2]) : 50;
    const int reports = argc > 3 ? std::atoi(argv[3]) : 20;
    int status = 1;
    auto* job = new Job(&app);
    QObject::connect(job, &Job::finished, &app, [&status] { QCoreApplication::exit(status); });
    job->Start(Measure(QString::fromLocal8Bit(argv[1]), requests, reports, &status));
    if (!job->IsRunning())
        return status;
    return app.exec();
}

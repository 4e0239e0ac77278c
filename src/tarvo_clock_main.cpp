// SPDX-License-Identifier: GPL-3.0-or-later
// tarvo-clock: the clock's commands for scripts and servers without a desktop.
#include "cli/cli.h"
#include "session/stop_signals.h"

#include <QCoreApplication>

using namespace tarvo;

namespace
{
Task<void> Run(QStringList arguments, QTextStream& out, QTextStream& err, CliActivity* activity,
               int* status)
{
    *status = co_await RunTarvoClock(std::move(arguments), out, err, activity);
}
} // namespace

int main(int argc, char* argv[])
{
    // Qt's own event dispatcher rather than GLib's: nothing here needs GLib's
    // main loop, and GLib's wakes the loop with a system call for every
    // posted event, three for each clock an exporter's scrape asks.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvo-clock"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    StopSignals stopSignals;
    CliActivity activity;
    int status = 1;
    // The command runs as a sequence on the event loop; its end ends the program.
    auto* job = new Job(&app);
    QObject::connect(job, &Job::finished, &app, [&status] { QCoreApplication::exit(status); });
    // Ctrl-C and SIGTERM: a command that follows the clock's reports ends at
    // its next turn, as it does after --count reports; any other command is
    // ended at the wait it is in (its port and socket are closed as it goes)
    // and says what it had sent.
    QObject::connect(&stopSignals, &StopSignals::Stop, &app, [&](int signal) {
        if (activity.following) {
            activity.stopRequested = true;
            return;
        }
        // A fleet run first lets the clocks it is working on end, so that
        // none is left half set; a second signal interrupts them.
        if (!activity.fleet.isEmpty() && !activity.stopRequested) {
            activity.stopRequested = true;
            activity.stopStatus = StopSignals::ExitStatusFor(signal);
            err << "tarvo-clock: stopping: no more clocks are started; the running ones are let "
                   "finish (signal again to interrupt them).\n";
            err.flush();
            return;
        }
        job->Cancel();
        out.flush();
        err << InterruptedText(activity) << '\n';
        err.flush();
        QCoreApplication::exit(StopSignals::ExitStatusFor(signal));
    });
    job->Start(Run(QCoreApplication::arguments(), out, err, &activity, &status));
    if (!job->IsRunning())
        return status;
    return app.exec();
}

// tarvo-clock: the clock's commands for scripts and servers without a desktop.
#include "cli/cli.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvo-clock"));
    tarvo::InstallStopHandlers();
    QTextStream out(stdout);
    QTextStream err(stderr);
    // The command runs as a sequence on the event loop; its end ends the program.
    auto* job = new tarvo::Job(&app);
    int status = 1;
    job->Start([](QStringList arguments, QTextStream& o, QTextStream& e,
                  int* result) -> tarvo::Task<void> {
        *result = co_await tarvo::RunTarvoClock(std::move(arguments), o, e);
    }(QCoreApplication::arguments(), out, err, &status));
    if (!job->IsRunning())
        return status;
    QObject::connect(job, &tarvo::Job::finished, &app, [&status] { QCoreApplication::exit(status); });
    return app.exec();
}

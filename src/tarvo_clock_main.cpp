// tarvo-clock: the clock's commands for scripts and servers without a desktop.
#include "cli/cli.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvo-clock"));
    tarvo::InstallStopHandlers();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return tarvo::RunTarvoClock(QCoreApplication::arguments(), out, err);
}

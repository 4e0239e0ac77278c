// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Running tarvo-clock inside a test, in the test's own event loop, so that a
// simulated clock of the same process answers while a command waits.
#include "cli/cli.h"
#include "support/run_task.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

using namespace tarvo;

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

inline CliRun RunCli(const QStringList& arguments)
{
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    // The command runs in the test's event loop, so a simulated clock of the
    // same process answers while it waits.
    run.status = tarvo::test::RunTask(
        RunTarvoClock(QStringList{QStringLiteral("tarvo-clock")} + arguments, out, err));
    out.flush();
    err.flush();
    return run;
}

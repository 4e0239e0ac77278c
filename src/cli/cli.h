// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// tarvo-clock: every command the window can give a clock, from a script. Each
// subcommand is one function; they share the parsed options and the way a
// clock is reached, answered and reported on.

#include "cli/clock_client.h"
#include "cli/clock_metrics.h"
#include "operations/outcome.h"
#include "session/task.h"

#include <QJsonValue>
#include <QStringList>
#include <QTextStream>
#include <memory>

namespace tarvo
{

namespace ExitCode
{
inline constexpr int Done = 0;            // done and, where the clock can show it, verified
inline constexpr int NoAnswer = 1;        // the clock could not be reached or did not answer
inline constexpr int BadArguments = 2;    // bad command line or input file; nothing was sent
inline constexpr int PasswordRefused = 3; // the clock refused the access password
inline constexpr int ReadBackDiffers = 4; // the clock does not hold what was sent
} // namespace ExitCode

// How long a command waits for the clock's next time report (one a second).
inline constexpr std::chrono::milliseconds ReportWait{1500};

// What a running command has done so far, for the program's signal handling:
// an interrupted command says what went to the clock, and a command that
// follows the clock's reports ends at the next one.
struct CliActivity;
// One clock of a --fleet run, for the message of an interrupted run.
struct FleetMemberActivity {
    QString name;
    bool started = false;
    bool done = false;
    std::shared_ptr<CliActivity> activity;
};

struct CliActivity {
    QStringList sent;           // what went to the clock, in order
    bool following = false;     // watch and feed-chrony
    bool stopRequested = false; // a follower ends cleanly at its next turn
    // A --fleet run stops starting clocks at a stop request, lets the running
    // ones end and then ends with this status (the signal's).
    int stopStatus = 0;
    QList<FleetMemberActivity> fleet; // the clocks of a running --fleet run
};

struct CliContext {
    CliContext(QTextStream& output, QTextStream& errors) : out(output), err(errors) {}
    QTextStream& out;
    QTextStream& err;
    QString command;
    QStringList arguments; // what follows the subcommand
    bool json = false;
    QString port;
    QString host;
    const ClockModel* model = nullptr; // from --model; null: learn it
    QByteArray password;
    int timeoutMs = 2000;
    bool timeoutGiven = false;
    QStringList localAddresses;
    QStringList serialPorts;
    bool noSerial = false;
    bool noNetwork = false;
    int count = 0; // 0 = until stopped
    bool verbose = false;
    bool yes = false;
    QString spring;
    QString fall;
    int startYear = 0; // years after 2000; 0 = this year
    // exporter: every --port and --host given; --listen, --golden.
    QStringList ports;
    QStringList hosts;
    QString listen;
    QString golden;
    QString metrics;   // feed-chrony --metrics
    QString webConfig; // exporter --web-config: TLS and basic auth
    QString fleetFile; // --fleet: the command goes to every clock of this file
    int parallel = 32; // --fleet: clocks worked on at once
    bool parallelGiven = false;
    bool showPassword = false; // --show-password: the clock's network password as it is
    // What the command found or did, in one line, for a --fleet table: set
    // by a command whose output takes more lines.
    QString result;
    CliActivity* activity = nullptr;
};

// Runs one invocation; `arguments` starts with the program name. Ends with the
// exit status.
Task<int> RunTarvoClock(QStringList arguments, QTextStream& out, QTextStream& err,
                        CliActivity* activity = nullptr);
// The line an interrupted command leaves on standard error.
QString InterruptedText(const CliActivity& activity);

// The help of one subcommand, or of the whole program for an empty name.
QString CliHelp(const QString& command);
bool IsCliCommand(const QString& command);

// Opens the link of --port or --host and learns the model. Ends with
// ExitCode::Done when the clock answered.
Task<int> ConnectClock(CliContext& c, ClockClient& client);
// The exit status for a request's reply, with its message when it was not
// answered.
int ReportReply(CliContext& c, Reply reply, const QString& what);
// The exit status of an operation whose outcome is no answer, a refusal or
// nothing sent, with its message; Done when the clock answered, whether or not
// it took the change (the caller tells which). `what` names what was awaited
// ("its settings back").
int ReportVerdict(CliContext& c, const Outcome& outcome, const QString& what);
// Prints data as indented JSON with --json, else as "path: value" lines,
// each path under `path`, an object's fields in `order` (see JsonLeaves).
void PrintData(CliContext& c, const QJsonValue& data, const QString& path = {},
               const QStringList& order = {});

Task<int> RunDiscover(CliContext& c);
Task<int> RunStatus(CliContext& c);
Task<int> RunGet(CliContext& c);
Task<int> RunSet(CliContext& c);
Task<int> RunSetSettings(CliContext& c, ClockClient& client, const QJsonObject& input);
Task<int> RunSetNetwork(CliContext& c, ClockClient& client, const QJsonObject& input);
Task<int> RunSetTime(CliContext& c);
Task<int> RunDst(CliContext& c);
Task<int> RunNudge(CliContext& c);
Task<int> RunResync(CliContext& c);
Task<int> RunFactoryDefaults(CliContext& c);
Task<int> RunModemUpdate(CliContext& c);
Task<int> RunWatch(CliContext& c);
Task<int> RunFeedChrony(CliContext& c);
Task<int> RunExporter(CliContext& c);

// The address of --listen or --metrics; nullopt after saying what is wrong
// with it (exit 2).
std::optional<ListenAddress> MetricsAddress(CliContext& c, const QString& text);
// Runs until SIGINT or SIGTERM.
Task<int> ServeUntilStopped(CliContext& c);
Task<int> RunCheck(CliContext& c);

// Runs `run` on every clock of c.fleetFile, each with a context of its own.
Task<int> RunFleet(CliContext& c, Task<int> (*run)(CliContext&));
// The worse of two exit statuses by severity: 1 (no answer), then 3
// (password refused), 2 (bad input), 4 (differs), 0 (done); any other status
// (a signal's) is worse than all.
int WorseExit(int a, int b);

// A setting where the clock and the golden file differ.
struct SettingsMismatch {
    QString field; // "relays[2].time"
    QJsonValue clock;
    QJsonValue golden;
};
// Both are settings JSON of one model, as SettingsToJson writes it.
QList<SettingsMismatch> CompareWithGolden(const QJsonObject& clock, const QJsonObject& golden);

} // namespace tarvo

#pragma once

// tarvo-clock: every command the window can give a clock, from a script. Each
// subcommand is one function; they share the parsed options and the way a
// clock is reached, answered and reported on.

#include "cli/clock_client.h"

#include <QJsonValue>
#include <QStringList>
#include <QTextStream>

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

struct CliContext {
    CliContext(QTextStream& output, QTextStream& errors) : out(output), err(errors) {}
    QTextStream& out;
    QTextStream& err;
    QString command;
    QStringList arguments; // what follows the subcommand
    bool json = false;
    QString port;
    QString host;
    int clockType = 0; // from --model; 0 = learn it
    QByteArray password;
    int timeoutMs = 2000;
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
};

// Runs one invocation; `arguments` starts with the program name. Returns the
// exit status.
int RunTarvoClock(const QStringList& arguments, QTextStream& out, QTextStream& err);

// The help of one subcommand, or of the whole program for an empty name.
QString CliHelp(const QString& command);
bool IsCliCommand(const QString& command);

// Opens the link of --port or --host and learns the model. Returns
// ExitCode::Done when the clock answered.
int ConnectClock(CliContext& c, ClockClient& client);
// The exit status for a request that was not answered, with its message.
int ReportOutcome(CliContext& c, ClockClient::Outcome outcome, const QString& what);
// Prints data as indented JSON with --json, else as "path: value" lines.
void PrintData(CliContext& c, const QJsonValue& data);

int RunDiscover(CliContext& c);
int RunStatus(CliContext& c);
int RunGet(CliContext& c);
int RunSet(CliContext& c);
int RunSetSettings(CliContext& c, ClockClient& client, const QJsonObject& input);
int RunSetNetwork(CliContext& c, ClockClient& client, const QJsonObject& input);
int RunSetTime(CliContext& c);
int RunDst(CliContext& c);
int RunNudge(CliContext& c);
int RunResync(CliContext& c);
int RunFactoryDefaults(CliContext& c);
int RunModemUpdate(CliContext& c);
int RunWatch(CliContext& c);
int RunFeedChrony(CliContext& c);

// Set by SIGINT and SIGTERM in the program; watch and feed-chrony end cleanly.
bool StopRequested();
void InstallStopHandlers();

} // namespace tarvo

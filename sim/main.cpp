// clock-simulator: a simulated master clock on a pseudo-terminal and/or a
// loopback UDP address, for the demo and the end-to-end tests.

#include "address_range.h"
#include "simulated_clock.h"

#include "link/datagram.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

int g_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop from inside it, so the pseudo-terminal
// and sockets are closed by the normal shutdown.
bool InstallStopSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        app.quit();
    });
    struct sigaction action {
    };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

void PrintLine(const QString& line)
{
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

int Fail(const QString& text)
{
    std::fprintf(stderr, "clock-simulator: %s\n", qPrintable(text));
    return 2;
}

// Each network clock holds two sockets (its own address and the shared
// discovery address); a fleet of a few hundred needs more descriptors than
// the usual soft limit of 1024, so the soft limit is raised as far as the
// hard limit allows. False when even that is too few.
bool EnsureDescriptors(int clocks)
{
    const rlim_t needed = static_cast<rlim_t>(clocks) * 2 + 64;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return false;
    if (limit.rlim_cur >= needed)
        return true;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < needed)
        return false;
    limit.rlim_cur = needed;
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

} // namespace

using namespace tarvo;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("clock-simulator"));
    qSetMessagePattern(QStringLiteral("clock-simulator: %{message}"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated master clock on a pseudo-terminal and/or a loopback UDP address."));
    parser.addHelpOption();
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("Clock model: 226, 229, 207 or 222."),
                                   QStringLiteral("model"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Open a pseudo-terminal and print its device."));
    const QCommandLineOption udp(
        QStringLiteral("udp"),
        QStringLiteral("Answer datagrams on ADDR, port 10000 (127.0.0.0/8 only)."),
        QStringLiteral("ADDR"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("Stored network password (4 characters)."),
                                      QStringLiteral("XXXX"));
    const QCommandLineOption noNetwork(QStringLiteral("no-network-option"),
                                       QStringLiteral("A clock without network interface."));
    const QCommandLineOption reportMs(
        QStringLiteral("report-ms"),
        QStringLiteral("Serial time report period in ms, 0 = none (default 1000)."),
        QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption gps(QStringLiteral("gps-locked"),
                                 QStringLiteral("Report the clock as locked to GPS."));
    const QCommandLineOption verbose({QStringLiteral("v"), QStringLiteral("verbose")},
                                     QStringLiteral("Log every frame and datagram on stderr."));
    const QCommandLineOption count(
        QStringLiteral("count"),
        QStringLiteral("Simulate N network clocks (1 to 1000), with --udp-base; each prints its "
                       "udp: line."),
        QStringLiteral("N"));
    const QCommandLineOption udpBase(
        QStringLiteral("udp-base"),
        QStringLiteral("With --count: the first clock's address; the others follow it one by "
                       "one, into the third octet, skipping addresses ending in .255 "
                       "(127.0.0.0/8 only)."),
        QStringLiteral("ADDR"));
    parser.addOptions(
        {model, serial, udp, password, noNetwork, reportMs, gps, verbose, count, udpBase});
    parser.process(app);

    SimOptions options;
    bool ok = false;
    options.model = parser.value(model).toInt(&ok);
    if (!parser.isSet(model) || !ok)
        return Fail(QStringLiteral("--model 226|229|207|222 is required"));
    options.serial = parser.isSet(serial);
    options.udpAddress = parser.value(udp);
    options.password = parser.value(password).toLatin1();
    options.networkOption = !parser.isSet(noNetwork);
    options.reportMs = parser.value(reportMs).toInt(&ok);
    if (!ok)
        return Fail(QStringLiteral("--report-ms needs a number of milliseconds"));
    options.gpsLocked = parser.isSet(gps);
    options.verbose = parser.isSet(verbose);
    if (!options.udpAddress.isEmpty() && !IsLoopbackAddress(options.udpAddress))
        return Fail(QStringLiteral("refusing --udp %1: only addresses in 127.0.0.0/8 are allowed")
                        .arg(options.udpAddress));
    if (parser.isSet(password) && options.password.size() != 4)
        return Fail(QStringLiteral("--password needs exactly 4 characters"));

    // One clock, or a fleet of network clocks on consecutive addresses.
    QStringList addresses{options.udpAddress};
    if (parser.isSet(count) || parser.isSet(udpBase)) {
        if (!parser.isSet(count) || !parser.isSet(udpBase))
            return Fail(QStringLiteral("--count and --udp-base go together"));
        if (options.serial || parser.isSet(udp) || !options.networkOption)
            return Fail(QStringLiteral("--count simulates network clocks: not with --serial, "
                                       "--udp or --no-network-option"));
        const int clocks = parser.value(count).toInt(&ok);
        if (!ok)
            return Fail(QStringLiteral("--count needs a number of clocks"));
        QString rangeError;
        addresses = LoopbackRange(parser.value(udpBase), clocks, &rangeError);
        if (addresses.isEmpty())
            return Fail(rangeError);
        if (!EnsureDescriptors(clocks))
            return Fail(
                QStringLiteral("too few file descriptors for %1 clocks (ulimit -n)").arg(clocks));
    }

    QList<SimulatedClock*> clocks;
    for (const QString& address : std::as_const(addresses)) {
        options.udpAddress = address;
        auto* clock = new SimulatedClock(options, &app);
        QString error;
        if (!clock->Start(&error))
            return Fail(error);
        clocks.append(clock);
    }
    if (!InstallStopSignals(app))
        return Fail(QStringLiteral("cannot install the signal handlers"));

    for (SimulatedClock* clock : std::as_const(clocks)) {
        QObject::connect(clock, &SimulatedClock::PtyPathChanged, &app,
                         [](const QString& path) { PrintLine(QStringLiteral("serial: ") + path); });
        QObject::connect(clock, &SimulatedClock::UdpAddressChanged, &app,
                         [](const QString& address) {
                             PrintLine(QStringLiteral("udp: %1:%2").arg(address).arg(ClockPort));
                         });
        if (options.serial)
            PrintLine(QStringLiteral("serial: ") + clock->PtyPath());
        if (!clock->UdpAddress().isEmpty())
            PrintLine(QStringLiteral("udp: %1:%2").arg(clock->UdpAddress()).arg(ClockPort));
    }

    const int result = QCoreApplication::exec();
    for (SimulatedClock* clock : std::as_const(clocks))
        clock->Stop();
    return result;
}

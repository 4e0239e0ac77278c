// clock-simulator: a simulated master clock on a pseudo-terminal and/or a
// loopback UDP address, for the demo and the end-to-end tests.

#include "simulated_clock.h"

#include "link/datagram.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
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
    parser.addOptions({model, serial, udp, password, noNetwork, reportMs, gps, verbose});
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

    SimulatedClock clock(options);
    QString error;
    if (!clock.Start(&error))
        return Fail(error);
    if (!InstallStopSignals(app))
        return Fail(QStringLiteral("cannot install the signal handlers"));

    QObject::connect(&clock, &SimulatedClock::PtyPathChanged, &app,
                     [](const QString& path) { PrintLine(QStringLiteral("serial: ") + path); });
    QObject::connect(&clock, &SimulatedClock::UdpAddressChanged, &app, [](const QString& address) {
        PrintLine(QStringLiteral("udp: %1:%2").arg(address).arg(ClockPort));
    });
    if (options.serial)
        PrintLine(QStringLiteral("serial: ") + clock.PtyPath());
    if (!options.udpAddress.isEmpty())
        PrintLine(QStringLiteral("udp: %1:%2").arg(clock.UdpAddress()).arg(ClockPort));

    const int result = QCoreApplication::exec();
    clock.Stop();
    return result;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// tarvo-control-panel: finds a master clock on a serial port or the local
// network and shows and edits its settings.
#include "app/demo_clock.h"
#include "app/panel.h"
#include "app/settings_store.h"
#include "app/single_instance.h"
#include "build_config.h"
#include "clock/json_text.h"
#include "session/stop_signals.h"
#include "ui/QtMessageBoxes.h"
#include "ui/frmControlPanel.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

using namespace tarvo;

namespace
{
QString SimulatorPath()
{
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("clock-simulator"));
    return QFileInfo::exists(beside) ? beside : QStringLiteral("clock-simulator");
}

int Refuse(const QString& text)
{
    std::fprintf(stderr, "tarvo-control-panel: %s\nTry 'tarvo-control-panel --help'.\n",
                 qPrintable(text));
    return 2;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("tarvo-control-panel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tarvo Control Panel: finds a master clock on a serial port or on the "
                       "local network, shows and edits its settings and sets its time."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption serialPorts(
        QStringLiteral("serial-ports"),
        QStringLiteral("Serial ports 1, 2, ... separated by ':': a device (/dev/ttyUSB0), or a "
                       "serial device server's port as tcp:HOST:PORT (raw bytes) or "
                       "rfc2217:HOST:PORT (Telnet with the COM port option) "
                       "(default: the devices the system reports, sorted by name)."),
        QStringLiteral("LIST"));
    const QCommandLineOption localAddresses(
        QStringLiteral("local-addresses"),
        QStringLiteral("This computer's IPv4 addresses for discovery, separated by ',' "
                       "(default: found from the host name and the interfaces)."),
        QStringLiteral("LIST"));
    const QCommandLineOption systemClock(
        QStringLiteral("system-clock"),
        QStringLiteral("How the computer clock is set: 'real' (needs CAP_SYS_TIME) or 'log' "
                       "(only writes what it would set to stderr). Default: real."),
        QStringLiteral("real|log"), QStringLiteral("real"));
    const QCommandLineOption logTraffic(
        QStringLiteral("log-traffic"),
        QStringLiteral("Write every frame and datagram to stderr (password masked)."));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Start a simulated clock and connect to it; implies "
                       "loopback-only local addresses and --system-clock log, and keeps the "
                       "saved connection untouched."));
    const QCommandLineOption simulateModel(
        QStringLiteral("simulate-model"),
        QStringLiteral("Model of the simulated clock: 226, 229, 207 or 222 (default 226)."),
        QStringLiteral("MODEL"), QStringLiteral("226"));
    const QCommandLineOption simulateNetwork(
        QStringLiteral("simulate-network"),
        QStringLiteral("Connect to the simulated clock over UDP instead of its serial port."));
    const QCommandLineOption settingsFile(
        QStringLiteral("settings-file"),
        QStringLiteral("Keep the saved connection in this file instead of the user's store."),
        QStringLiteral("FILE"));
    parser.addOptions({serialPorts, localAddresses, systemClock, logTraffic, simulate,
                       simulateModel, simulateNetwork, settingsFile});

    // The command line is read before any window system is reached, so that
    // --help, --version and a mistake work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments))
        return Refuse(parser.errorText());
    if (parser.isSet(help)) {
        // Without an application object the parser cannot name the program.
        QString text = parser.helpText();
        text.replace(QLatin1String("<executable_name>"), QLatin1String("tarvo-control-panel"));
        std::fputs(qPrintable(text), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("tarvo-control-panel %s\n", TARVO_VERSION);
        return 0;
    }
    // "--serial-ports --local-addresses 127.9.9.1" would take the second
    // option for the first one's value and then reach for the real network.
    for (const QCommandLineOption& option :
         {serialPorts, localAddresses, systemClock, simulateModel, settingsFile}) {
        if (parser.isSet(option) && parser.value(option).startsWith(QLatin1String("--")))
            return Refuse(QStringLiteral("--%1 needs a value, not the option '%2'.")
                              .arg(option.names().constFirst(), parser.value(option)));
    }
    const QString clockMode = parser.value(systemClock);
    if (clockMode != QLatin1String("real") && clockMode != QLatin1String("log"))
        return Refuse(QStringLiteral("--system-clock must be 'real' or 'log'."));
    int model = 0;
    if (parser.isSet(simulate)) {
        bool ok = false;
        model = parser.value(simulateModel).toInt(&ok);
        if (!ok || (model != 226 && model != 229 && model != 207 && model != 222))
            return Refuse(QStringLiteral("--simulate-model must be 226, 229, 207 or 222."));
    }
    // The store is read as the window starts: the open of a FIFO there would
    // wait for a writer for ever, and a device or a folder is no store.
    const QFileInfo store(parser.value(settingsFile));
    if (parser.isSet(settingsFile) && store.exists() && !store.isFile())
        return Refuse(QStringLiteral("--settings-file %1: not a regular file.")
                          .arg(EscapeControls(store.filePath())));

    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Tarvo Control Panel"));
    // The desktop entry's name, so a Wayland compositor finds its icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tarvo.ControlPanel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/clock.png")));
    // SIGINT and SIGTERM end the program as closing its window does.
    StopSignals stopSignals;

    Panel::Options options;
    options.logSystemClock = clockMode == QLatin1String("log");
    if (parser.isSet(serialPorts)) {
        options.serialDevicesGiven = true;
        options.serialDevices = ClockSession::SplitSerialPortList(parser.value(serialPorts));
    }
    if (parser.isSet(localAddresses))
        options.localAddresses =
            parser.value(localAddresses).split(QLatin1Char(','), Qt::SkipEmptyParts);
    options.settingsFile = parser.value(settingsFile);
    ClockSession::LogTraffic(parser.isSet(logTraffic));

    DemoClock demo;
    if (parser.isSet(simulate)) {
        QString error;
        if (!demo.Start(SimulatorPath(), model, parser.isSet(simulateNetwork), &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        options.serialDevicesGiven = true;
        options.serialDevices = QStringList{demo.SerialDevice()};
        options.localAddresses = QStringList{demo.LocalAddress()};
        options.logSystemClock = true;
        options.settingsFile = demo.SettingsFile();
    }

    // One program per settings store: a second start with the same store
    // brings the running one to the front. A demo has a store of its own.
    const QString storeFile =
        options.settingsFile.isEmpty() ? SettingsStore().FileName() : options.settingsFile;
    SingleInstance instance(storeFile);
    if (!parser.isSet(simulate)) {
        if (instance.NotifyRunningInstance()) {
            std::fprintf(stderr,
                         "Tarvo Control Panel is already running; it was brought to the front.\n");
            return 0;
        }
        instance.Listen();
    }

    Panel panel(options);
    frmControlPanel window(panel);
    // Message boxes are modal for the main window; the start-up's first one
    // can come 300 ms after the window is up at the earliest.
    QtMessageBoxes boxes(&window);
    panel.SetMessageBoxes(&boxes);
    QObject::connect(&instance, &SingleInstance::ShowRequested, &window,
                     &frmControlPanel::RestoreFromTray);
    QObject::connect(&stopSignals, &StopSignals::Stop, &app, [&window](int) {
        window.close();
        QCoreApplication::quit();
    });
    window.show();
    const int rc = app.exec();
    panel.Close();
    demo.Stop();
    return stopSignals.Received() != 0 ? StopSignals::ExitStatusFor(stopSignals.Received()) : rc;
}

// tarvo-control-panel: finds a master clock on a serial port or the local
// network and shows and edits its settings.
#include "app/demo_clock.h"
#include "build_config.h"
#include "app/panel.h"
#include "app/single_instance.h"
#include "link/traffic_log.h"
#include "ui/QtMessageBoxes.h"
#include "ui/frmControlPanel.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {
QString SimulatorPath()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath())
                               .filePath(QStringLiteral("clock-simulator"));
    return QFileInfo::exists(beside) ? beside : QStringLiteral("clock-simulator");
}
} // namespace

using namespace tarvo;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvo-control-panel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tarvo Control Panel"));
    QApplication::setApplicationVersion(QStringLiteral(TARVO_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/clock.png")));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tarvo Control Panel: finds a master clock on a serial port or on the "
                       "local network, shows and edits its settings and sets its time."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption serialPorts(
        QStringLiteral("serial-ports"),
        QStringLiteral("Serial devices to use as ports 1, 2, ... separated by ':' "
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
    parser.process(app);

    const QString clockMode = parser.value(systemClock);
    if (clockMode != QLatin1String("real") && clockMode != QLatin1String("log")) {
        std::fprintf(stderr, "--system-clock must be 'real' or 'log'\n");
        return 2;
    }
    Panel::Options options;
    options.logSystemClock = clockMode == QLatin1String("log");
    if (parser.isSet(serialPorts)) {
        options.serialDevicesGiven = true;
        options.serialDevices = parser.value(serialPorts).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    }
    if (parser.isSet(localAddresses))
        options.localAddresses =
            parser.value(localAddresses).split(QLatin1Char(','), Qt::SkipEmptyParts);
    options.settingsFile = parser.value(settingsFile);
    TrafficLog::SetEnabled(parser.isSet(logTraffic));

    DemoClock demo;
    if (parser.isSet(simulate)) {
        bool ok = false;
        const int model = parser.value(simulateModel).toInt(&ok);
        if (!ok || (model != 226 && model != 229 && model != 207 && model != 222)) {
            std::fprintf(stderr, "--simulate-model must be 226, 229, 207 or 222\n");
            return 2;
        }
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

    // One program per settings store: a second start of the user's own panel
    // brings the running one to the front. Demos and explicit stores are separate.
    const QString storeKey = options.settingsFile.isEmpty() ? QStringLiteral("user-store")
                                                             : options.settingsFile;
    const QByteArray hash =
        QCryptographicHash::hash((QDir::homePath() + storeKey).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    SingleInstance instance(QStringLiteral("tarvo-control-panel-") + QString::fromLatin1(hash));
    if (!parser.isSet(simulate) && instance.NotifyRunningInstance()) {
        std::fprintf(stderr, "Tarvo Control Panel is already running; it was brought to the front.\n");
        return 0;
    }
    instance.Listen();

    Panel panel(options);
    frmControlPanel window(panel);
    // Message boxes are modal for the main window; the start-up's first one
    // can come 300 ms after the window is up at the earliest.
    QtMessageBoxes boxes(&window);
    panel.SetMessageBoxes(&boxes);
    QObject::connect(&instance, &SingleInstance::ShowRequested, &window,
                     &frmControlPanel::RestoreFromTray);
    window.show();
    const int rc = app.exec();
    demo.Stop();
    return rc;
}

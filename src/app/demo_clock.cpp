// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/demo_clock.h"

#include "app/settings_store.h"
#include "clock/clock_model.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace tarvo
{

DemoClock::DemoClock(QObject* parent) : QObject(parent) {}

DemoClock::~DemoClock()
{
    Stop();
}

bool DemoClock::Start(const QString& simulator, int model, bool networkLink, QString* error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("cannot create a scratch folder for the demo");
        return false;
    }
#ifdef Q_OS_LINUX
    // The simulated clock ends with the program, however the program ends.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Another demo may hold the first address; each try uses its own /24 so the
    // discovery broadcast of this demo reaches only its own clock. The spare
    // subnets lie above those the test suites give their own clocks, so a demo
    // started beside the tests never answers their searches.
    for (int net = 0; net < 8; ++net) {
        const int subnet =
            net == 0 ? 0 : 210 + int((QCoreApplication::applicationPid() + net) % 40);
        m_udpAddress = QStringLiteral("127.0.%1.2").arg(subnet);
        m_localAddress = QStringLiteral("127.0.%1.1").arg(subnet);
        m_process.start(simulator,
                        {QStringLiteral("--model"), QString::number(model),
                         QStringLiteral("--serial"), QStringLiteral("--udp"), m_udpAddress});
        if (!m_process.waitForStarted(5000)) {
            *error = QStringLiteral("cannot start %1: %2").arg(simulator, m_process.errorString());
            return false;
        }
        if (ReadSerialDevice())
            break;
        m_process.waitForFinished(2000);
    }
    if (m_serialDevice.isEmpty()) {
        *error = QStringLiteral("the simulated clock did not start");
        Stop();
        return false;
    }
    return WriteSettings(model, networkLink, error);
}

bool DemoClock::ReadSerialDevice()
{
    QByteArray out;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_serialDevice.isEmpty() &&
           m_process.state() == QProcess::Running) {
        if (!m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        out += m_process.readAllStandardOutput();
        for (const QByteArray& line : out.split('\n')) {
            if (line.startsWith("serial: "))
                m_serialDevice = QString::fromLocal8Bit(line.mid(8).trimmed());
        }
    }
    return !m_serialDevice.isEmpty();
}

bool DemoClock::WriteSettings(int model, bool networkLink, QString* error)
{
    Q_UNUSED(error);
    m_settingsFile = m_dir.filePath(QStringLiteral("demo-settings.conf"));
    SettingsStore store(m_settingsFile);
    ClockConnection connection;
    connection.ConnectionType = networkLink ? ConnectionKind::Network : ConnectionKind::Serial;
    connection.Comport = 1;
    connection.IPaddress = m_udpAddress;
    connection.ClockType = qint16(ModelCodeForNumber(model));
    store.SaveConnectionSettings(connection);
    store.SaveUpdatePCclock(1);
    return true;
}

void DemoClock::Stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

} // namespace tarvo

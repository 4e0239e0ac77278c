#include "app/demo_clock.h"

#include "app/settings_store.h"

#include <QDeadlineTimer>

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
    m_udpAddress = QStringLiteral("127.0.0.2");
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(simulator, {QStringLiteral("--model"), QString::number(model),
                                QStringLiteral("--serial"), QStringLiteral("--udp"), m_udpAddress});
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("cannot start %1: %2").arg(simulator, m_process.errorString());
        return false;
    }
    QByteArray out;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_serialDevice.isEmpty()) {
        if (!m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        out += m_process.readAllStandardOutput();
        for (const QByteArray& line : out.split('\n')) {
            if (line.startsWith("serial: "))
                m_serialDevice = QString::fromLocal8Bit(line.mid(8).trimmed());
        }
    }
    if (m_serialDevice.isEmpty()) {
        *error = QStringLiteral("the simulated clock did not name its serial device");
        Stop();
        return false;
    }
    m_settingsFile = m_dir.filePath(QStringLiteral("demo-settings.conf"));
    SettingsStore store(m_settingsFile);
    ClockConnection connection;
    connection.ConnectionType = networkLink ? ConnectionKind::Network : ConnectionKind::Serial;
    connection.Comport = 1;
    connection.IPaddress = m_udpAddress;
    const int codes[] = {226, 229, 207, 222};
    for (int i = 0; i < 4; ++i) {
        if (codes[i] == model)
            connection.ClockType = qint16(i + 1);
    }
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

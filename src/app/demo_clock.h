// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace tarvo
{

// The simulated clock that --simulate starts beside the program: a child
// process on a pseudo-terminal and a loopback address, stopped when the
// program ends. Its settings store is a scratch file, so a demo never
// overwrites the user's saved connection.
class DemoClock : public QObject
{
    Q_OBJECT
public:
    explicit DemoClock(QObject* parent = nullptr);
    ~DemoClock() override;

    // Starts `simulator` for `model` (226, 229, 207 or 222) and waits until it
    // has named its pseudo-terminal. False with a reason on failure.
    bool Start(const QString& simulator, int model, bool networkLink, QString* error);
    void Stop();

    QString SerialDevice() const { return m_serialDevice; }
    QString UdpAddress() const { return m_udpAddress; }
    // The computer's address the demo pretends to have, beside the clock's.
    QString LocalAddress() const { return m_localAddress; }
    // A settings store that points the program at the simulated clock.
    QString SettingsFile() const { return m_settingsFile; }

private:
    bool ReadSerialDevice();
    bool WriteSettings(int model, bool networkLink, QString* error);

    QProcess m_process;
    QTemporaryDir m_dir;
    QString m_serialDevice;
    QString m_udpAddress;
    QString m_localAddress;
    QString m_settingsFile;
};

} // namespace tarvo

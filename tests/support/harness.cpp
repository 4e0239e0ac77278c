// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/harness.h"

#include "app/settings_store.h"

#include <QStatusBar>
#include <QTest>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace tarvo;

Task<bool> ScriptedBoxes::AskYesNo(const QString& title, const QString& text)
{
    shown << title + QLatin1Char('|') + text;
    co_return answers.isEmpty() ? false : answers.takeFirst();
}

void ScriptedBoxes::Inform(const QString& title, const QString& text)
{
    shown << title + QLatin1Char('|') + text;
}

void ScriptedBoxes::Critical(const QString& title, const QString& text)
{
    shown << title + QLatin1Char('|') + text;
}

Task<bool> ScriptedBoxes::AskWarning(const QString& title, const QString& text, const QString& more)
{
    shown << title + QLatin1Char('|') + text;
    details << title + QLatin1Char('|') + more;
    warned << title;
    co_return answers.isEmpty() ? false : answers.takeFirst();
}

void ScriptedBoxes::Warn(const QString& title, const QString& text, const QString& more)
{
    shown << title + QLatin1Char('|') + text;
    details << title + QLatin1Char('|') + more;
    warned << title;
}

Harness::Harness() = default;

Harness::~Harness()
{
    m_window.reset();
    m_panel.reset();
    for (auto& clock : m_clocks)
        clock->Stop();
    for (int fd : m_deadPorts)
        ::close(fd);
}

SimulatedClock& Harness::AddClock(const SimOptions& options)
{
    auto clock = std::make_unique<SimulatedClock>(options);
    QString error;
    if (!clock->Start(&error))
        qFatal("simulated clock did not start: %s", qPrintable(error));
    if (options.serial)
        m_devices << clock->PtyPath();
    m_clocks.push_back(std::move(clock));
    return *m_clocks.back();
}

void Harness::AddDeadPort()
{
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0)
        qFatal("cannot open a pseudo-terminal");
    m_deadPorts.push_back(fd);
    m_devices << QString::fromLocal8Bit(::ptsname(fd));
}

void Harness::SaveConnection(int connectionType, int comport, int clockType,
                             const QString& ipAddress, int updatePcClock)
{
    SettingsStore store(SettingsFile());
    ClockConnection c;
    c.ConnectionType = connectionType;
    c.Comport = qint16(comport);
    c.ClockType = qint16(clockType);
    c.IPaddress = ipAddress;
    store.SaveConnectionSettings(c);
    store.SaveUpdatePCclock(updatePcClock);
}

frmControlPanel& Harness::Start(const QStringList& localAddresses)
{
    Panel::Options options;
    options.serialDevices = m_devices;
    options.serialDevicesGiven = true;
    options.localAddresses = localAddresses;
    options.settingsFile = SettingsFile();
    options.logSystemClock = true;
    m_panel = std::make_unique<Panel>(options);
    m_panel->SetMessageBoxes(&m_boxes);
    m_window = std::make_unique<frmControlPanel>(*m_panel);
    m_window->show();
    return *m_window;
}

QString Harness::Status() const
{
    return m_window ? m_window->StatusText() : QString();
}

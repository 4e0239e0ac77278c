// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A running program against simulated clocks, for end-to-end tests: the real
// main window (offscreen), the real program core, real pseudo-terminals and
// real loopback UDP. Message boxes are answered by a script instead of a person.
#include "app/message_boxes.h"
#include "app/panel.h"
#include "simulated_clock.h"
#include "ui/frmControlPanel.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

using namespace tarvo;

// Answers message boxes from a queue and records what was asked.
class ScriptedBoxes final : public MessageBoxes
{
public:
    QStringList shown;   // "title|text" of every box, in order
    QList<bool> answers; // answers to AskYesNo, consumed in order (default No)
    QStringList details; // "title|details" of every box with a second paragraph
    QStringList warned;  // titles of the boxes shown with the warning icon
    Task<bool> AskYesNo(const QString& title, const QString& text) override;
    void Inform(const QString& title, const QString& text) override;
    void Critical(const QString& title, const QString& text) override;
    Task<bool> AskWarning(const QString& title, const QString& text,
                          const QString& details) override;
    void Warn(const QString& title, const QString& text, const QString& details) override;
};

class Harness
{
public:
    Harness();
    ~Harness();

    // Starts a simulated clock; its pty (when serial) is appended to the
    // program's port list, so the first serial clock is port 1.
    SimulatedClock& AddClock(const SimOptions& options);
    // A pseudo-terminal with nothing behind it (a port where no clock answers).
    void AddDeadPort();

    // The saved connection the program finds at start-up.
    void SaveConnection(int connectionType, int comport, int clockType,
                        const QString& ipAddress = {}, int updatePcClock = 0);

    // Builds the core and the window; the start-up tick follows 300 ms later.
    // `localAddresses` replaces the computer's addresses (loopback only).
    frmControlPanel& Start(const QStringList& localAddresses = {QStringLiteral("127.0.0.1")});

    Panel& Core() { return *m_panel; }
    const ProgramState& State() { return m_panel->State(); }
    frmControlPanel& Window() { return *m_window; }
    ScriptedBoxes& Boxes() { return m_boxes; }
    QString SettingsFile() const { return m_dir.filePath(QStringLiteral("settings.conf")); }
    QStringList& SerialDevices() { return m_devices; }

    // Runs the event loop until `done` holds or `ms` pass; true when it held.
    template <typename F> static bool WaitFor(F done, int ms = 10000);

    // Status bar text of the main window.
    QString Status() const;

private:
    QTemporaryDir m_dir;
    QStringList m_devices;
    std::vector<std::unique_ptr<SimulatedClock>> m_clocks;
    std::vector<int> m_deadPorts;
    std::unique_ptr<Panel> m_panel;
    std::unique_ptr<frmControlPanel> m_window;
    ScriptedBoxes m_boxes;
};

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

template <typename F> bool Harness::WaitFor(F done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    // The window follows a change of state on its next turn (the layout is
    // applied from a zero-time timer); that turn runs before the test goes on,
    // so the test sees the window as the operator would.
    QCoreApplication::processEvents();
    return true;
}

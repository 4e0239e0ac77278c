// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace tarvo
{

// SIGINT and SIGTERM as a Qt signal on the event loop, so that a program ends
// the way it does when asked from within: sequences cancelled, ports and
// sockets closed, scratch files removed. One instance per process.
class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;
    // The signal that arrived, 0 when none did.
    int Received() const { return m_received; }
    // The exit status of a program ended by the signal: 130 for SIGINT,
    // 143 for SIGTERM.
    static int ExitStatusFor(int signal);

Q_SIGNALS:
    void Stop(int signal);

private:
    void OnReadable();
    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};

} // namespace tarvo

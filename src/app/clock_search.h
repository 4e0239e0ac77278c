// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/task.h"

#include <QObject>
#include <QPointer>

namespace tarvo
{

class ClockSession;
class Panel;
struct ClockModel;

// One search for clocks: every listed serial port asked with each model's
// settings request (a second per port and model), then a discovery broadcast
// and a second of listening. Mode 0 connects the first clock found and stops;
// mode 1 lists everything in the connection list; any other mode only empties
// the list. It is an object with a `finished` signal: whoever wants its result
// waits for that.
class ClockSearch : public QObject
{
    Q_OBJECT
public:
    ClockSearch(Panel& panel, int mode, bool clearFirst);
    ~ClockSearch() override;

    void Start();
    // Ends the search at its next wait: the port being probed is closed and
    // the search state cleared. `finished` follows.
    void Cancel();
    bool IsRunning() const { return m_job && m_job->IsRunning(); }
    int Mode() const { return m_mode; }

Q_SIGNALS:
    // What the search is doing now, for the operator.
    void Progress(const QString& text);
    // The search has ended, found something or not, or was cancelled.
    void finished();

private:
    Task<void> Run();
    Task<int> SearchSerialPorts(int mode, const ClockModel& model);
    Task<int> ProbeSerialPort(const ClockModel& model, int port);
    Task<int> SearchNetwork(int mode);
    void SetSearchInProgress(bool on);

    Panel& m_panel;
    int m_mode;
    bool m_clearFirst;
    QPointer<Job> m_job;
    ClockSession* m_probes = nullptr; // made at the first probe, a child of this
};

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/clock_search.h"

#include "app/panel.h"
#include "clock/clock_model.h"
#include "clock/password.h"
#include "connect/connections.h"
#include "operations/find_clocks.h"

#include <QScopeGuard>
#include <algorithm>

namespace tarvo
{

ClockSearch::ClockSearch(Panel& panel, int mode, bool clearFirst)
    : QObject(&panel), m_panel(panel), m_mode(mode), m_clearFirst(clearFirst)
{
}

ClockSearch::~ClockSearch()
{
    if (m_job)
        m_job->Cancel();
}

void ClockSearch::Start()
{
    m_job = new Job(this);
    connect(m_job, &Job::finished, this, &ClockSearch::finished);
    connect(m_job, &Job::cancelled, this, &ClockSearch::finished);
    m_job->Start(Run());
}

void ClockSearch::Cancel()
{
    if (m_job)
        m_job->Cancel();
}

void ClockSearch::SetSearchInProgress(bool on)
{
    m_panel.m_state.SearchInProgress = on;
}

Task<void> ClockSearch::Run()
{
    // However the search ends, it leaves no search state behind.
    const auto over = qScopeGuard([this] { SetSearchInProgress(false); });
    if (m_clearFirst)
        m_panel.ClearConnections();
    if (m_mode == 0) {
        for (const ClockModel& model : AllModels()) {
            const int found = co_await SearchSerialPorts(0, model);
            if (found > 0) {
                m_panel.Changed();
                co_return;
            }
        }
        co_await SearchNetwork(0);
    } else if (m_mode == 1) {
        for (const ClockModel& model : AllModels())
            co_await SearchSerialPorts(1, model);
        co_await SearchNetwork(1);
    }
    m_panel.Changed();
}

Task<int> ClockSearch::SearchSerialPorts(int mode, const ClockModel& model)
{
    ProgramState& state = m_panel.m_state;
    SetSearchInProgress(true);
    if (state.SerialPorts.isEmpty()) {
        SetSearchInProgress(false);
        co_return 0;
    }
    int count = 0;
    // A copy: a connect made by the search rebuilds nothing, but the list must
    // not change under the loop.
    const QList<int> ports = state.SerialPorts;
    for (int port : ports) {
        ClockSession& inUse = m_panel.Session();
        if (inUse.SerialPortOpen() && inUse.SerialPortInUse() == port) {
            // The clock the program talks to keeps its line and its time
            // reports: it is listed as it is, not asked again.
            if (state.ClockFound &&
                state.clockConnection.ConnectionType == ConnectionKind::Serial) {
                m_panel.AddConnection(state.clockConnection);
                continue;
            }
            // Open but silent: the probe needs the port to itself.
            m_panel.CloseSerialPort();
        }
        const int answered = co_await ProbeSerialPort(model, port);
        if (answered == 0)
            continue;
        ++count;
        const ClockConnection found = SerialFindConnection(port, model);
        m_panel.AddConnection(found);
        if (mode == 0) {
            state.clockConnection = found;
            m_panel.ApplyConnection();
            m_panel.Store().SaveConnectionSettings(found);
            SetSearchInProgress(false);
            co_await m_panel.ConnectViaSerial();
            co_return count;
        }
    }
    SetSearchInProgress(false);
    co_return count;
}

Task<int> ClockSearch::ProbeSerialPort(const ClockModel& model, int port)
{
    // The probes have a session of their own, so a search never takes the
    // line of the clock in use.
    if (!m_probes) {
        m_probes = new ClockSession(this);
        m_probes->SetSerialDevices(m_panel.Session().Port().Devices());
    }
    if (!m_probes->OpenSerialPort(port))
        co_return 0;
    // The probe closes its port however it ends, cancelled included.
    const auto closePort = qScopeGuard([probes = QPointer<ClockSession>(m_probes)] {
        if (probes)
            probes->CloseSerialPort();
    });
    m_panel.ShowStatus(QStringLiteral("Searching for Clock on Comport ") + QString::number(port));
    Q_EMIT Progress(
        QStringLiteral("Asking Comport %1 for a model %2 clock ...").arg(port).arg(model.number));
    const bool answered = co_await ProbeSerialModel(*m_probes, model, ProbePace::WholeSecond);
    co_return answered ? 1 : 0;
}

Task<int> ClockSearch::SearchNetwork(int mode)
{
    ProgramState& state = m_panel.m_state;
    SetSearchInProgress(true);
    Q_EMIT Progress(QStringLiteral("Listening for clocks on the network ..."));
    const Discovery found = co_await Discover(m_panel.Session(), DiscoveryListenWait);
    if (!found.senders.isEmpty()) {
        // The discovery answer names no model; each clock's network settings
        // do, so the list can say which clock is which.
        Q_EMIT Progress(QStringLiteral("Asking the clocks found for their model ..."));
        // Asked with the password a connection from the list would use.
        const QList<NamedClock> named = co_await NameNetworkClocks(
            m_panel.Session(), found.senders, DefaultNetworkPassword(), ProbeAnswerWait);
        for (const NamedClock& clock : named) {
            ClockConnection entry = DiscoveredNetworkConnection(clock.address);
            if (clock.model)
                entry.ClockType = static_cast<qint16>(clock.model->code);
            m_panel.AddConnection(entry);
        }
    }
    const int result = found.sent ? 1 : -1;
    SetSearchInProgress(false);
    if (mode == 0) {
        const auto first = std::find_if(
            state.Connections.cbegin(), state.Connections.cend(),
            [](const ClockConnection& c) { return c.ConnectionType == ConnectionKind::Network; });
        if (first != state.Connections.cend()) {
            state.clockConnection = *first;
            m_panel.ApplyConnection();
            m_panel.Store().SaveConnectionSettings(state.clockConnection);
            co_await m_panel.ConnectViaNetwork();
        }
    }
    m_panel.Changed();
    co_return result;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/network_config.h"

#include "app/clock_search.h"
#include "app/panel.h"
#include "clock/password.h"
#include "connect/network_settings.h"

namespace tarvo
{

namespace
{
bool PasswordFieldsAccepted(Panel& panel)
{
    return !panel.CheckPassword || panel.CheckPassword() != -1;
}
} // namespace

bool SendNetworkSettingsViaSerial(Panel& panel)
{
    if (!PasswordFieldsAccepted(panel))
        return false;
    panel.Session().SerialClock().Send(command::NetworkSettings{panel.State().NetworkData});
    return true;
}

Task<void> ShowConfiguring(Panel& panel)
{
    if (panel.ShowConfiguring)
        co_await panel.ShowConfiguring();
    else
        co_await Sleep(ConfiguringMilliseconds);
}

Task<bool> SendNetworkSettingsViaNetwork(Panel& panel, QString shownAddress)
{
    if (!PasswordFieldsAccepted(panel))
        co_return false;
    ProgramState& state = panel.State();
    panel.Session().NetworkClock().Send(command::NetworkSettings{state.NetworkData});

    const QString newAddress = shownAddress.trimmed();
    if (newAddress != state.clockConnection.IPaddress.trimmed()) {
        state.ClockFound = false;
        panel.ShowStatus(QStringLiteral("Waiting for response from ") + shownAddress);
        panel.Changed();
    }
    co_await ShowConfiguring(panel);
    if (state.ClockFound)
        co_return true;

    state.clockConnection.IPaddress = newAddress;
    state.clockConnection.IPAddressValue = ParseAddress(newAddress);
    panel.ApplyConnection();
    co_await Sleep(ReconnectDelayMilliseconds);
    co_await panel.ConnectViaNetwork();
    co_await Sleep(AnswerDelayMilliseconds);
    if (!state.ClockFound) {
        co_await panel.SearchEnded();
        if (panel.SearchForClocks(0))
            co_await panel.SearchEnded();
    }
    co_return true;
}

Task<bool> RunConnectionSearch(Panel& panel)
{
    ProgramState& state = panel.State();
    state.SearchCancelled = false;
    if (state.SearchDone)
        co_return true;
    co_await panel.SearchEnded();
    if (state.SearchCancelled) {
        panel.ShowStatus(SearchCancelledStatusText());
        co_return false;
    }

    const bool serialInUse = panel.Serial().IsOpen();
    const int portInUse = panel.Serial().CurrentPort();

    panel.ClearConnections();
    if (state.ClockFound)
        panel.AddConnection(state.clockConnection);
    if (panel.SearchForClocks(1, /*clearFirst=*/false))
        co_await panel.SearchEnded();

    // The probes close every port they try; the clock in use keeps its line
    // (and its time reports) unless the operator connects elsewhere.
    if (serialInUse && !panel.Serial().IsOpen())
        panel.OpenSerialPort(portInUse);
    // The main window's status named the last port probed; it says how the
    // search ended instead, as the search window does.
    if (state.SearchCancelled) {
        panel.ShowStatus(SearchCancelledStatusText());
        co_return false;
    }
    panel.ShowStatus(SearchStatusText(state.Connections.size()));
    state.SearchDone = true;
    co_return true;
}

void CancelConnectionSearch(Panel& panel)
{
    panel.State().SearchCancelled = true;
    if (ClockSearch* running = panel.RunningSearch())
        running->Cancel();
}

QList<SearchGridRow> SearchGridRows(Panel& panel)
{
    const ProgramState& state = panel.State();
    const ClockConnection* inUse = state.ClockFound ? &state.clockConnection : nullptr;
    QList<SearchGridRow> rows;
    rows.reserve(state.Connections.size());
    for (const ClockConnection& entry : state.Connections) {
        const QString device = entry.ConnectionType == ConnectionKind::Serial
                                   ? panel.Session().Port().DeviceFor(entry.Comport)
                                   : QString();
        rows << SearchGridRowFor(entry, device, inUse);
    }
    return rows;
}

bool ConnectToListEntry(Panel& panel, int index)
{
    ProgramState& state = panel.State();
    if (index < 0 || index >= state.Connections.size())
        return false;
    const ClockConnection entry = state.Connections.at(index);
    if (entry.ConnectionType != ConnectionKind::Serial &&
        entry.ConnectionType != ConnectionKind::Network)
        return false;
    state.ClockFound = false;
    state.clockConnection = entry;
    panel.ApplyConnection();
    if (entry.ConnectionType == ConnectionKind::Serial) {
        Spawn(&panel, panel.ConnectViaSerial());
    } else {
        state.SearchInProgress = false;
        panel.SetNetworkPassword(DefaultNetworkPassword());
        Spawn(&panel, panel.ConnectViaNetwork());
        panel.Store().SaveConnectionSettings(state.clockConnection);
    }
    panel.Changed();
    return true;
}

void ConnectToAddress(Panel& panel, const QString& address)
{
    ProgramState& state = panel.State();
    state.clockConnection.ConnectionType = ConnectionKind::Network;
    state.clockConnection.IPaddress = address;
    state.clockConnection.IPAddressValue = ParseAddress(address);
    panel.ApplyConnection();
    panel.Store().SaveConnectionSettings(state.clockConnection);
    // Cleared before asking, not after: the answers arrive while the requests
    // are being sent, and clearing afterwards would hide them.
    state.ClockFound = false;
    Spawn(&panel, panel.ConnectViaNetwork());
    panel.Changed();
}

} // namespace tarvo

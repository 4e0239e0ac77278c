#include "app/network_config.h"

#include "app/panel.h"
#include "app/panel_view.h"
#include "connect/network_settings.h"
#include "link/delay.h"
#include "link/udp_link.h"

namespace tarvo
{

namespace
{
// While another search runs (the start-up search, say) its probes own the
// serial port; a second search waits in steps this long.
constexpr int kSearchPollMilliseconds = 100;

bool PasswordFieldsAccepted(Panel& panel)
{
    return !panel.CheckPassword || panel.CheckPassword() != -1;
}
} // namespace

bool SendNetworkSettingsViaSerial(Panel& panel)
{
    if (!PasswordFieldsAccepted(panel))
        return false;
    for (const SerialCommand& frame : NetworkSettingsSerialFrames(panel.State().NetworkData))
        panel.SendSerialFrame(frame.command, frame.payload);
    return true;
}

bool SendNetworkSettingsViaNetwork(Panel& panel, const QString& shownAddress)
{
    if (!PasswordFieldsAccepted(panel))
        return false;
    ProgramState& state = panel.State();
    for (const QByteArray& datagram :
         NetworkSettingsDatagrams(state.NetworkData, state.NetworkPassword))
        panel.SendToClock(datagram);

    const QString newAddress = shownAddress.trimmed();
    if (newAddress != state.clockConnection.IPaddress.trimmed()) {
        state.ClockFound = false;
        if (panel.View()) {
            panel.View()->ShowStatus(QStringLiteral("Waiting for response from ") + shownAddress);
            panel.View()->StateChanged();
        }
    }
    if (panel.ShowConfiguring)
        panel.ShowConfiguring();
    else
        Delay(ConfiguringMilliseconds);
    if (state.ClockFound)
        return true;

    state.clockConnection.IPaddress = newAddress;
    state.clockConnection.IPAddressValue = ResolveAddress(newAddress);
    Delay(ReconnectDelayMilliseconds);
    panel.ConnectViaNetwork();
    Delay(AnswerDelayMilliseconds);
    if (!state.ClockFound)
        panel.SearchForClocks(0);
    return true;
}

void RunConnectionSearch(Panel& panel)
{
    ProgramState& state = panel.State();
    if (state.SearchDone)
        return;
    while (state.SearchInProgress)
        Delay(kSearchPollMilliseconds);

    const bool serialInUse = panel.Serial().IsOpen();
    const int portInUse = panel.Serial().CurrentPort();

    panel.ClearConnections();
    if (state.ClockFound)
        panel.AddConnection(state.clockConnection);
    panel.SearchForClocks(1, /*clearFirst=*/false);
    state.SearchDone = true;

    // The probes close every port they try; the clock in use keeps its line
    // (and its time reports) unless the operator connects elsewhere.
    if (serialInUse && !panel.Serial().IsOpen())
        panel.OpenSerialPort(portInUse);
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
    if (entry.ConnectionType == ConnectionKind::Serial) {
        panel.ConnectViaSerial();
    } else {
        state.SearchInProgress = false;
        state.NetworkPassword = QByteArray(DefaultNetworkPassword);
        panel.ConnectViaNetwork();
        panel.Store().SaveConnectionSettings(state.clockConnection);
    }
    if (panel.View())
        panel.View()->StateChanged();
    return true;
}

void ConnectToAddress(Panel& panel, const QString& address)
{
    ProgramState& state = panel.State();
    state.clockConnection.ConnectionType = ConnectionKind::Network;
    state.clockConnection.IPaddress = address;
    state.clockConnection.IPAddressValue = ResolveAddress(address);
    panel.Store().SaveConnectionSettings(state.clockConnection);
    // Cleared before asking, not after: the answers arrive while the requests
    // are being sent, and clearing afterwards would hide them.
    state.ClockFound = false;
    panel.ConnectViaNetwork();
    if (panel.View())
        panel.View()->StateChanged();
}

} // namespace tarvo

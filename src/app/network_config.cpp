// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/network_config.h"
#include "app/panel.h"

#include "app/clock_search.h"
#include "clock/password.h"
#include "connect/network_settings.h"

namespace tarvo
{

bool Panel::SendNetworkSettingsViaSerial()
{
    if (CheckPassword() == -1)
        return false;
    m_session.SerialClock().Send(command::NetworkSettings{m_state.NetworkData});
    return true;
}

Task<void> Panel::WaitForConfiguring()
{
    Q_EMIT ConfiguringStarted(m_configuringWait);
    co_await Sleep(m_configuringWait);
}

Task<bool> Panel::SendNetworkSettingsViaNetwork(QString shownAddress)
{
    if (CheckPassword() == -1)
        co_return false;
    m_session.NetworkClock().Send(command::NetworkSettings{m_state.NetworkData});

    const QString newAddress = shownAddress.trimmed();
    if (newAddress != m_state.clockConnection.IPaddress.trimmed()) {
        m_state.ClockFound = false;
        ShowStatus(QStringLiteral("Waiting for response from ") + shownAddress);
        Changed();
    }
    co_await WaitForConfiguring();
    if (m_state.ClockFound)
        co_return true;

    m_state.clockConnection.IPaddress = newAddress;
    m_state.clockConnection.IPAddressValue = ClockSession::AddressValue(newAddress);
    ApplyConnection();
    co_await Sleep(ReconnectDelay);
    co_await ConnectViaNetwork();
    co_await Sleep(AnswerDelay);
    if (!m_state.ClockFound) {
        co_await SearchEnded();
        if (SearchForClocks(0))
            co_await SearchEnded();
    }
    co_return true;
}

Task<bool> Panel::RunConnectionSearch()
{
    m_state.SearchCancelled = false;
    if (m_state.SearchDone)
        co_return true;
    co_await SearchEnded();
    if (m_state.SearchCancelled) {
        ShowStatus(SearchCancelledStatusText());
        co_return false;
    }

    const bool serialInUse = m_session.SerialPortOpen();
    const int portInUse = m_session.SerialPortInUse();

    ClearConnections();
    if (m_state.ClockFound)
        AddConnection(m_state.clockConnection);
    if (SearchForClocks(1, /*clearFirst=*/false))
        co_await SearchEnded();

    // A port held open with no clock answering was lent to the probes; it is
    // taken back, as the operator left it.
    if (serialInUse && !m_session.SerialPortOpen())
        OpenSerialPort(portInUse);
    // The main window's status named the last port probed; it says how the
    // search ended instead, as the search window does.
    if (m_state.SearchCancelled) {
        ShowStatus(SearchCancelledStatusText());
        co_return false;
    }
    ShowStatus(SearchStatusText(m_state.Connections.size()));
    m_state.SearchDone = true;
    co_return true;
}

void Panel::CancelConnectionSearch()
{
    m_state.SearchCancelled = true;
    if (ClockSearch* running = RunningSearch())
        running->Cancel();
}

QList<SearchGridRow> Panel::SearchGridRows() const
{
    const ClockConnection* inUse = m_state.ClockFound ? &m_state.clockConnection : nullptr;
    QList<SearchGridRow> rows;
    rows.reserve(m_state.Connections.size());
    for (const ClockConnection& entry : m_state.Connections) {
        const QString device =
            entry.ConnectionType == ConnectionKind::Serial ? DeviceFor(entry.Comport) : QString();
        rows << SearchGridRowFor(entry, device, inUse);
    }
    return rows;
}

bool Panel::ConnectToListEntry(int index)
{
    if (index < 0 || index >= m_state.Connections.size())
        return false;
    const ClockConnection entry = m_state.Connections.at(index);
    if (entry.ConnectionType != ConnectionKind::Serial &&
        entry.ConnectionType != ConnectionKind::Network)
        return false;
    m_state.ClockFound = false;
    m_state.clockConnection = entry;
    ApplyConnection();
    if (entry.ConnectionType == ConnectionKind::Serial) {
        Spawn(this, ConnectViaSerial());
    } else {
        m_state.SearchInProgress = false;
        SetNetworkPassword(DefaultNetworkPassword());
        Spawn(this, ConnectViaNetwork());
        m_store->SaveConnectionSettings(m_state.clockConnection);
    }
    Changed();
    return true;
}

void Panel::ConnectToAddress(const QString& address)
{
    m_state.clockConnection.ConnectionType = ConnectionKind::Network;
    m_state.clockConnection.IPaddress = address;
    m_state.clockConnection.IPAddressValue = ClockSession::AddressValue(address);
    ApplyConnection();
    m_store->SaveConnectionSettings(m_state.clockConnection);
    // Cleared before asking, not after: the answers arrive while the requests
    // are being sent, and clearing afterwards would hide them.
    m_state.ClockFound = false;
    ShowStatus(QStringLiteral("Asking %1 for its settings ...").arg(address));
    Spawn(this, ConnectViaNetwork());
    Spawn(this, TellIfSilent(address));
    Changed();
}

Task<void> Panel::TellIfSilent(QString address)
{
    co_await Sleep(LinkHealth::FirstAnswerMs);
    // Still this address, and nothing came back: said plainly, where it
    // does not hide the clock found meanwhile by other means.
    if (m_state.ClockFound || m_state.clockConnection.IPaddress != address ||
        m_state.clockConnection.ConnectionType != ConnectionKind::Network)
        co_return;
    const QString text = QStringLiteral("No clock answered at %1.").arg(address);
    ShowStatus(text);
    m_events.Record(EventKind::NotAnswered, text);
}

void Panel::RetryPassword()
{
    Spawn(this, ConnectViaNetwork());
    m_state.PasswordPromptShown = false;
}

void Panel::EditSettings(const std::function<void(ClockSettings&)>& edit)
{
    edit(m_state.clockSettings);
    MarkEdited(true);
}

void Panel::EditNetworkSettings(const std::function<bool(QByteArray&)>& edit)
{
    if (edit(m_state.NetworkData))
        m_state.NetworkSettingsChanged = true;
    TellPagesDiffer();
}

void Panel::MarkEdited(bool settingsEdited)
{
    m_state.SettingsEdited = settingsEdited;
    TellPagesDiffer();
}

void Panel::TellPagesDiffer()
{
    if (PagesDiffer() == m_pagesDifferTold)
        return;
    m_pagesDifferTold = PagesDiffer();
    Q_EMIT PagesDifferChanged(m_pagesDifferTold);
}

void Panel::EditStoredPassword(bool enabled, const QString& edit, const QString& reenter,
                               bool enableToggled)
{
    m_state.storedPassword = {enabled, edit, reenter};
    if (enableToggled)
        m_state.NetworkSettingsChanged = true;
    TellPagesDiffer();
}

void Panel::ShowLoadedSettings(const ScriptSettings& settings)
{
    DecodeSettings(SettingsFullRecord(settings));
    MarkEdited(true);
}

} // namespace tarvo

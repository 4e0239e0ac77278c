// SPDX-License-Identifier: GPL-3.0-or-later
// What each network control writes into NetworkData, and the filling of the
// controls from a record the clock sent.
#include "app/panel.h"
#include "connect/network_edits.h"
#include "connect/network_settings.h"
#include "ui/frmControlPanel.h"
#include "ui/ip_address_edit.h"
#include "ui/network_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace tarvo
{

namespace
{
// Raises FormLoading for a scope and puts back what was there before, so a
// parser called from inside another keeps the outer one's state.
class FormLoadingGuard
{
public:
    explicit FormLoadingGuard(ProgramState& state) : m_state(state), m_was(state.FormLoading)
    {
        m_state.FormLoading = true;
    }
    ~FormLoadingGuard() { m_state.FormLoading = m_was; }
    FormLoadingGuard(const FormLoadingGuard&) = delete;
    FormLoadingGuard& operator=(const FormLoadingGuard&) = delete;

private:
    ProgramState& m_state;
    bool m_was;
};

const QString kRefusedTip = QStringLiteral("Enter a whole number from 0 to 65535.");

// A refused number stays in the box for the operator to correct, framed in red.
void ShowRefused(QLineEdit* box, bool refused)
{
    box->setStyleSheet(refused ? QStringLiteral("QLineEdit { border: 2px solid #d00000; }")
                               : QString());
    box->setToolTip(refused ? kRefusedTip : QString());
    box->setAccessibleDescription(refused ? kRefusedTip : QString());
}
} // namespace

NetworkPages::~NetworkPages()
{
    // The hooks capture this window; the core may outlive it.
    m_panel.ShowConfiguring = nullptr;
}

void NetworkPages::MarkChanged()
{
    if (!m_panel.State().FormLoading)
        m_panel.State().NetworkSettingsChanged = true;
}

void NetworkPages::ConnectHandlers()
{
    for (IpAddressEdit* entry : {m_ipIPAddress, m_ipGateway, m_ipDNS, m_ipServer1, m_ipServer2,
                                 m_ipBroadcast[0], m_ipBroadcast[1], m_ipBroadcast[2]}) {
        connect(entry, &IpAddressEdit::fieldChanged, this,
                [this, entry](int position, int value) { OnAddressField(entry, position, value); });
    }
    for (QLineEdit* box : {m_txtServerPort, m_txtServerPort1, m_txtServerPort2, m_txtMinutesUpdate,
                           m_txtBroadcastFrequency}) {
        connect(box, &QLineEdit::textChanged, this, [this, box] { OnNumberBox(box); });
    }
    // Only the operator's choices count: filling the list from a record is
    // not a click.
    connect(m_cmbNetmask, &QComboBox::activated, this, [this](int index) {
        if (ApplyNetmaskSelection(m_panel.State().NetworkData, index))
            MarkChanged();
    });
    connect(m_chkDisableNetworkConfig, &QCheckBox::clicked, this, [this](bool checked) {
        ApplyDisableNetworkConfig(m_panel.State().NetworkData, checked);
        MarkChanged();
    });
    for (int k = 1; k <= 3; ++k)
        connect(m_chkBroadcastEnable[k - 1], &QCheckBox::clicked, this,
                [this, k] { OnBroadcastEnable(k); });
}

void NetworkPages::OnAddressField(IpAddressEdit* entry, int position, int value)
{
    static const std::pair<const char*, AddressField> kEntries[] = {
        {"ipIPAddress", AddressField::ClockAddress}, {"ipGateway", AddressField::Gateway},
        {"ipServer1", AddressField::Server1},        {"ipDNS", AddressField::Dns},
        {"ipServer2", AddressField::Server2},        {"ipBroadcast1", AddressField::Broadcast1},
        {"ipBroadcast2", AddressField::Broadcast2},  {"ipBroadcast3", AddressField::Broadcast3},
    };
    for (const auto& [name, kind] : kEntries) {
        if (entry->objectName() != QLatin1String(name))
            continue;
        if (ApplyAddressFieldChange(m_panel.State().NetworkData, kind, position, value))
            MarkChanged();
        return;
    }
}

void NetworkPages::OnNumberBox(QLineEdit* box)
{
    static const std::pair<const char*, NumberField> kBoxes[] = {
        {"txtServerPort", NumberField::ServerPort},
        {"txtServerPort1", NumberField::Server1Port},
        {"txtServerPort2", NumberField::Server2Port},
        {"txtMinutesUpdate", NumberField::MinutesBetweenUpdates},
        {"txtBroadcastFrequency", NumberField::BroadcastInterval},
    };
    for (const auto& [name, kind] : kBoxes) {
        if (box->objectName() != QLatin1String(name))
            continue;
        const NumberFieldEdit edit =
            ApplyNumberFieldChange(m_panel.State().NetworkData, kind, box->text());
        if (!edit.unitLabel.isEmpty())
            m_lblBroadcastFreqMinutes->setText(edit.unitLabel);
        ShowRefused(box, edit.refused);
        if (edit.replacementText) {
            // Runs this handler again with the replacement's value.
            box->setText(*edit.replacementText);
            return;
        }
        if (edit.written)
            MarkChanged();
        return;
    }
}

void NetworkPages::OnBroadcastEnable(int k)
{
    const std::array<bool, 3> checked = {m_chkBroadcastEnable[0]->isChecked(),
                                         m_chkBroadcastEnable[1]->isChecked(),
                                         m_chkBroadcastEnable[2]->isChecked()};
    IpAddressEdit* entry = m_ipBroadcast[k - 1];
    entry->setEnabled(
        ApplyBroadcastEnable(m_panel.State().NetworkData, k, checked, entry->octets()));
    MarkChanged();
}

void NetworkPages::ParseNetworkSettings()
{
    ProgramState& state = m_panel.State();
    FormLoadingGuard loading(state);
    const NetworkSettingsView view =
        DecodeNetworkSettings(state.NetworkData, state.clockConnection.ClockType);

    m_ipIPAddress->setText(view.clockAddress);
    m_ipGateway->setText(view.gateway);
    m_ipDNS->setText(view.dns);
    m_txtServerPort->setText(view.serverPort);

    switch (view.group) {
    case NetworkModelGroup::Servers:
        m_ipServer1->setText(view.server1);
        m_txtServerPort1->setText(view.server1Port);
        m_ipServer2->setText(view.server2);
        m_txtServerPort2->setText(view.server2Port);
        m_txtMinutesUpdate->setText(view.minutesBetweenUpdates);
        break;
    case NetworkModelGroup::Broadcast:
        for (int k = 0; k < 3; ++k) {
            m_ipBroadcast[k]->setText(view.broadcast[k]);
            m_chkBroadcastEnable[k]->setChecked(view.broadcastEnabled[k]);
            m_ipBroadcast[k]->setEnabled(view.broadcastEnabled[k]);
        }
        m_txtBroadcastFrequency->setText(view.broadcastInterval);
        break;
    case NetworkModelGroup::None:
        break;
    }

    m_chkDisableNetworkConfig->setChecked(view.configLocked);
    m_cmbNetmask->setCurrentIndex(view.netmaskIndex);

    // The password page belongs to another group of controls; it is filled
    // here because the password travels in this record.
    if (auto* box = m_window.findChild<QCheckBox*>(QStringLiteral("chkEnablePassword")))
        box->setChecked(view.passwordEnabled);
    for (const char* name : {"txtEditPassword", "txtReenterPassword"}) {
        if (auto* text = m_window.findChild<QLineEdit*>(QLatin1String(name)))
            text->setText(view.passwordText);
    }
}

} // namespace tarvo

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
#include <QSignalBlocker>
#include <memory>
#include <optional>
#include <vector>

namespace tarvo
{

namespace
{
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

NetworkPages::~NetworkPages() = default;

// Every handler below is the operator's: the record's own values are put into
// the controls with their signals blocked (ParseNetworkSettings), so a control
// that changes here was changed by the operator, by mouse, keyboard or an
// assistive technology alike.
void NetworkPages::ConnectHandlers()
{
    for (IpAddressEdit* entry : {m_ipIPAddress, m_ipGateway, m_ipDNS, m_ipServer1, m_ipServer2,
                                 m_ipBroadcast[0], m_ipBroadcast[1], m_ipBroadcast[2]}) {
        connect(entry, &IpAddressEdit::fieldChanged, this,
                [this, entry](int position, int value) { OnAddressField(entry, position, value); });
    }
    for (QLineEdit* box : {m_txtServerPort, m_txtServerPort1, m_txtServerPort2, m_txtMinutesUpdate,
                           m_txtBroadcastFrequency}) {
        // What the box shows follows every change of its text; the record only
        // the operator's.
        connect(box, &QLineEdit::textChanged, this, [this, box] { ShowNumberBox(box); });
        connect(box, &QLineEdit::textEdited, this, [this, box] { OnNumberBox(box); });
    }
    connect(m_cmbNetmask, &QComboBox::activated, this, [this](int index) {
        m_panel.EditNetworkSettings(
            [index](QByteArray& record) { return ApplyNetmaskSelection(record, index); });
    });
    connect(m_chkDisableNetworkConfig, &QCheckBox::toggled, this, [this](bool checked) {
        m_panel.EditNetworkSettings([checked](QByteArray& record) {
            ApplyDisableNetworkConfig(record, checked);
            return true;
        });
    });
    for (int k = 1; k <= 3; ++k)
        connect(m_chkBroadcastEnable[k - 1], &QCheckBox::toggled, this,
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
    for (const auto& [name, field] : kEntries) {
        if (entry->objectName() != QLatin1String(name))
            continue;
        // clang 14 cannot capture a structured binding; copy it first.
        const AddressField kind = field;
        m_panel.EditNetworkSettings([kind, position, value](QByteArray& record) {
            return ApplyAddressFieldChange(record, kind, position, value);
        });
        return;
    }
}

std::optional<NumberField> NetworkPages::NumberFieldOf(const QLineEdit* box)
{
    static const std::pair<const char*, NumberField> kBoxes[] = {
        {"txtServerPort", NumberField::ServerPort},
        {"txtServerPort1", NumberField::Server1Port},
        {"txtServerPort2", NumberField::Server2Port},
        {"txtMinutesUpdate", NumberField::MinutesBetweenUpdates},
        {"txtBroadcastFrequency", NumberField::BroadcastInterval},
    };
    for (const auto& [name, kind] : kBoxes) {
        if (box->objectName() == QLatin1String(name))
            return kind;
    }
    return std::nullopt;
}

void NetworkPages::ShowNumberBox(QLineEdit* box)
{
    const auto kind = NumberFieldOf(box);
    if (!kind)
        return;
    // The rule is worked on a copy: showing a value changes nothing.
    QByteArray scratch = m_panel.State().NetworkData;
    const NumberFieldEdit edit = ApplyNumberFieldChange(scratch, *kind, box->text());
    if (!edit.unitLabel.isEmpty())
        m_lblBroadcastFreqMinutes->setText(edit.unitLabel);
    ShowRefused(box, edit.refused);
}

void NetworkPages::OnNumberBox(QLineEdit* box)
{
    const auto kind = NumberFieldOf(box);
    if (!kind)
        return;
    std::optional<QString> replacement;
    m_panel.EditNetworkSettings([&](QByteArray& record) {
        const NumberFieldEdit edit = ApplyNumberFieldChange(record, *kind, box->text());
        replacement = edit.replacementText;
        return edit.written;
    });
    if (replacement) {
        // The box takes the value the rule wrote, as if typed.
        box->setText(*replacement);
        OnNumberBox(box);
    }
}

void NetworkPages::OnBroadcastEnable(int k)
{
    const std::array<bool, 3> checked = {m_chkBroadcastEnable[0]->isChecked(),
                                         m_chkBroadcastEnable[1]->isChecked(),
                                         m_chkBroadcastEnable[2]->isChecked()};
    IpAddressEdit* entry = m_ipBroadcast[k - 1];
    bool enabled = false;
    m_panel.EditNetworkSettings([&](QByteArray& record) {
        enabled = ApplyBroadcastEnable(record, k, checked, entry->octets());
        return true;
    });
    entry->setEnabled(enabled);
}

void NetworkPages::ParseNetworkSettings()
{
    const ProgramState& state = m_panel.State();
    const NetworkSettingsView view = DecodeNetworkSettings(state.NetworkData, m_panel.Model());
    // The record's values are not edits: the operator's handlers stay quiet.
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (QObject* control : std::initializer_list<QObject*>{
             m_ipIPAddress, m_ipGateway, m_ipDNS, m_ipServer1, m_ipServer2, m_ipBroadcast[0],
             m_ipBroadcast[1], m_ipBroadcast[2], m_chkBroadcastEnable[0], m_chkBroadcastEnable[1],
             m_chkBroadcastEnable[2], m_chkDisableNetworkConfig, m_cmbNetmask})
        quiet.push_back(std::make_unique<QSignalBlocker>(control));

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
    auto* enable = m_window.findChild<QCheckBox*>(QStringLiteral("chkEnablePassword"));
    if (enable) {
        const QSignalBlocker quietBox(enable);
        enable->setChecked(view.passwordEnabled);
    }
    for (const char* name : {"txtEditPassword", "txtReenterPassword"}) {
        if (auto* text = m_window.findChild<QLineEdit*>(QLatin1String(name))) {
            const QSignalBlocker quietText(text);
            text->setText(view.passwordText);
            text->setEnabled(view.passwordEnabled);
        }
    }
}

} // namespace tarvo

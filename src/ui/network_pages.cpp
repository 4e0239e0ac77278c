// SPDX-License-Identifier: GPL-3.0-or-later
// The three network pages of the clock settings and the Connections menu.
#include "ui/network_pages.h"

#include "app/panel.h"
#include "connect/network_settings.h"
#include "ui/frmControlPanel.h"
#include "ui/ip_address_edit.h"
#include "ui/page_builders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tarvo
{

namespace
{
QLabel* CaptionFor(const QString& caption, QWidget* control, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(control);
    control->setAccessibleName(caption);
    return label;
}

QLineEdit* NumberBox(const char* name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(6);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    return box;
}

IpAddressEdit* AddressEntry(const char* name, const QString& caption, QWidget* parent)
{
    auto* entry = new IpAddressEdit(caption, parent);
    entry->setObjectName(QLatin1String(name));
    return entry;
}
} // namespace

void BuildNetworkPages(frmControlPanel& window)
{
    // Parented to the window: lives exactly as long as the controls it serves.
    new NetworkPages(window);
}

NetworkPages::NetworkPages(frmControlPanel& window)
    : QObject(&window), m_window(window), m_panel(window.Core())
{
    setObjectName(QStringLiteral("NetworkPages"));
    BuildNetworkPage();
    BuildBroadcastPage();
    BuildServerPage();
    ConnectHandlers();
    BuildMenu();
    SetHooks();
    connect(&m_panel, &Panel::NetworkSettingsReceived, this, &NetworkPages::ParseNetworkSettings);
}

void NetworkPages::BuildNetworkPage()
{
    QWidget* page = m_window.TabPage(frmControlPanel::PageNetwork);
    auto* outer = new QVBoxLayout(page);
    auto* frame = new QGroupBox(QStringLiteral("Network Settings"), page);
    frame->setObjectName(QStringLiteral("frameNetworkSettings"));
    auto* grid = new QGridLayout(frame);

    m_ipIPAddress = AddressEntry("ipIPAddress", QStringLiteral("Server IP Address:"), frame);
    m_cmbNetmask = new QComboBox(frame);
    m_cmbNetmask->setObjectName(QStringLiteral("cmbNetmask"));
    m_cmbNetmask->addItems(NetmaskCaptions());
    m_cmbNetmask->setCurrentIndex(-1);
    m_ipGateway = AddressEntry("ipGateway", QStringLiteral("Gateway Address:"), frame);
    m_ipDNS = AddressEntry("ipDNS", QStringLiteral("DNS Server:"), frame);
    m_txtServerPort = NumberBox("txtServerPort", frame);
    m_chkDisableNetworkConfig =
        new QCheckBox(QStringLiteral("Disable Network Configuration"), frame);
    m_chkDisableNetworkConfig->setObjectName(QStringLiteral("chkDisableNetworkConfig"));

    const std::pair<QString, QWidget*> rows[] = {
        {QStringLiteral("Server IP Address:"), m_ipIPAddress},
        {QStringLiteral("Subnet Mask:"), m_cmbNetmask},
        {QStringLiteral("Gateway Address:"), m_ipGateway},
        {QStringLiteral("DNS Server:"), m_ipDNS},
        {QStringLiteral("Server Port:"), m_txtServerPort},
    };
    int row = 0;
    for (const auto& [caption, control] : rows) {
        grid->addWidget(CaptionFor(caption, control, frame), row, 0);
        grid->addWidget(control, row, 1, Qt::AlignLeft);
        ++row;
    }
    grid->addWidget(m_chkDisableNetworkConfig, row, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    outer->addWidget(frame);
    outer->addStretch(1);
}

void NetworkPages::BuildBroadcastPage()
{
    QWidget* page = m_window.TabPage(frmControlPanel::PageBroadcast);
    auto* outer = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Enable:"), page), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Broadcast Address:"), page), 0, 1);
    for (int k = 1; k <= 3; ++k) {
        auto* box = new QCheckBox(QStringLiteral("Address %1:").arg(k), page);
        box->setObjectName(QStringLiteral("chkBroadcastEnable%1").arg(k));
        box->setAccessibleName(QStringLiteral("Enable broadcast address %1").arg(k));
        auto* entry = new IpAddressEdit(QStringLiteral("Broadcast Address %1:").arg(k), page);
        entry->setObjectName(QStringLiteral("ipBroadcast%1").arg(k));
        // Nothing is broadcast until the clock reports an enabled address.
        entry->setEnabled(false);
        grid->addWidget(box, k, 0);
        grid->addWidget(entry, k, 1, Qt::AlignLeft);
        m_chkBroadcastEnable[k - 1] = box;
        m_ipBroadcast[k - 1] = entry;
    }
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);

    auto* every = new QHBoxLayout;
    m_txtBroadcastFrequency = NumberBox("txtBroadcastFrequency", page);
    m_txtBroadcastFrequency->setText(QStringLiteral("0"));
    m_lblBroadcastFreqMinutes = new QLabel(QStringLiteral("minutes"), page);
    m_lblBroadcastFreqMinutes->setObjectName(QStringLiteral("lblBroadcastFreqMinutes"));
    every->addWidget(
        CaptionFor(QStringLiteral("Send Broadcast every"), m_txtBroadcastFrequency, page));
    every->addWidget(m_txtBroadcastFrequency);
    every->addWidget(m_lblBroadcastFreqMinutes);
    every->addStretch(1);
    outer->addLayout(every);
    outer->addStretch(1);
}

void NetworkPages::BuildServerPage()
{
    QWidget* page = m_window.TabPage(frmControlPanel::PageNTPServer);
    auto* outer = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    m_ipServer1 = AddressEntry("ipServer1", QStringLiteral("Server1 IP Address:"), page);
    m_txtServerPort1 = NumberBox("txtServerPort1", page);
    m_ipServer2 = AddressEntry("ipServer2", QStringLiteral("Server 2 IP Address:"), page);
    m_txtServerPort2 = NumberBox("txtServerPort2", page);
    m_txtMinutesUpdate = NumberBox("txtMinutesUpdate", page);
    const std::pair<QString, QWidget*> rows[] = {
        {QStringLiteral("Server1 IP Address:"), m_ipServer1},
        {QStringLiteral("Server 1 Port:"), m_txtServerPort1},
        {QStringLiteral("Server 2 IP Address:"), m_ipServer2},
        {QStringLiteral("Server Port 2:"), m_txtServerPort2},
        {QStringLiteral("Minutes between updates:"), m_txtMinutesUpdate},
    };
    int row = 0;
    for (const auto& [caption, control] : rows) {
        grid->addWidget(CaptionFor(caption, control, page), row, 0);
        grid->addWidget(control, row, 1, Qt::AlignLeft);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);
    outer->addStretch(1);
}

} // namespace tarvo

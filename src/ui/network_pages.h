// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connect/network_edits.h"

#include <QObject>
#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace tarvo
{

class frmControlPanel;
class IpAddressEdit;
class Panel;

// The "Network", "Broadcast" and "NTP Server" pages: their controls, the rules
// by which each edit writes NetworkData, and the filling of the controls from
// a received record. Owned by the main window.
class NetworkPages : public QObject
{
    Q_OBJECT
public:
    explicit NetworkPages(frmControlPanel& window);
    ~NetworkPages() override;

    // Fills every control of the connected model's group from NetworkData;
    // nothing is marked as changed.
    void ParseNetworkSettings();

    IpAddressEdit* IpIPAddress() const { return m_ipIPAddress; }

private:
    void BuildNetworkPage();
    void BuildBroadcastPage();
    void BuildServerPage();
    void BuildMenu();
    void SetHooks();
    void ConnectHandlers();
    void OnAddressField(IpAddressEdit* entry, int position, int value);
    static std::optional<NumberField> NumberFieldOf(const QLineEdit* box);
    void ShowNumberBox(QLineEdit* box);
    void OnNumberBox(QLineEdit* box);
    void OnBroadcastEnable(int k);

    frmControlPanel& m_window;
    Panel& m_panel;

    IpAddressEdit* m_ipIPAddress = nullptr;
    QComboBox* m_cmbNetmask = nullptr;
    IpAddressEdit* m_ipGateway = nullptr;
    IpAddressEdit* m_ipDNS = nullptr;
    QLineEdit* m_txtServerPort = nullptr;
    QCheckBox* m_chkDisableNetworkConfig = nullptr;

    std::array<IpAddressEdit*, 3> m_ipBroadcast{};
    std::array<QCheckBox*, 3> m_chkBroadcastEnable{};
    QLineEdit* m_txtBroadcastFrequency = nullptr;
    QLabel* m_lblBroadcastFreqMinutes = nullptr;

    IpAddressEdit* m_ipServer1 = nullptr;
    QLineEdit* m_txtServerPort1 = nullptr;
    IpAddressEdit* m_ipServer2 = nullptr;
    QLineEdit* m_txtServerPort2 = nullptr;
    QLineEdit* m_txtMinutesUpdate = nullptr;
};

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

namespace tarvo
{

class IpAddressEdit;
class Panel;

// "Add Network Connection": connects to a clock at a typed address.
class frmAddNetworkConnection : public QDialog
{
    Q_OBJECT
public:
    explicit frmAddNetworkConnection(Panel& panel, QWidget* parent = nullptr);

    IpAddressEdit* Address() const { return m_ipAddress; }
    void Connect();

private:
    Panel& m_panel;
    IpAddressEdit* m_ipAddress = nullptr;
};

} // namespace tarvo

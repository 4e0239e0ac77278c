// The Connections menu and the routines the core calls to send the network
// settings and to show the restart wait.
#include "app/network_config.h"
#include "app/panel.h"
#include "ui/frmAddNetworkConnection.h"
#include "ui/frmConfiguring.h"
#include "ui/frmControlPanel.h"
#include "ui/frmSearch.h"
#include "ui/ip_address_edit.h"
#include "ui/network_pages.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace tarvo
{

namespace
{
void CentreOver(QWidget& dialog, const QWidget& owner)
{
    const QRect frame = owner.frameGeometry();
    dialog.move(frame.left() + (frame.width() - dialog.width()) / 2,
                frame.top() + (frame.height() - dialog.height()) / 2);
}
} // namespace

void NetworkPages::BuildMenu()
{
    QMenu* menu = m_window.menuBar()->addMenu(QStringLiteral("&Connections"));
    menu->setObjectName(QStringLiteral("mnuViewConnections"));
    QAction* search = menu->addAction(QStringLiteral("Search for Connections"));
    search->setObjectName(QStringLiteral("mnuSearch"));
    QAction* add = menu->addAction(QStringLiteral("Add Network Connection"));
    add->setObjectName(QStringLiteral("mnuAddNetworkConnection"));

    connect(search, &QAction::triggered, this, [this] {
        frmSearch dialog(m_panel, &m_window);
        CentreOver(dialog, m_window);
        dialog.exec();
    });
    connect(add, &QAction::triggered, this, [this] {
        frmAddNetworkConnection dialog(m_panel, &m_window);
        dialog.adjustSize();
        CentreOver(dialog, m_window);
        dialog.exec();
    });
}

void NetworkPages::SetHooks()
{
    m_panel.SendNetworkSettingsViaSerial = [this] { tarvo::SendNetworkSettingsViaSerial(m_panel); };
    m_panel.SendNetworkSettingsViaNetwork = [this] {
        tarvo::SendNetworkSettingsViaNetwork(m_panel, m_ipIPAddress->text());
    };
    m_panel.ShowConfiguring = [this] {
        frmConfiguring dialog(&m_window);
        dialog.CentreOver(&m_window);
        dialog.exec();
    };
}

} // namespace tarvo

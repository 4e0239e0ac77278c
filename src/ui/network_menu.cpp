// SPDX-License-Identifier: GPL-3.0-or-later
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

    // The windows are modal for the main window but opened without a nested
    // event loop: the clock keeps being heard while they are up.
    connect(search, &QAction::triggered, this, [this] {
        auto* dialog = new frmSearch(m_panel, &m_window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        CentreOver(*dialog, m_window);
        dialog->open();
    });
    connect(add, &QAction::triggered, this, [this] {
        auto* dialog = new frmAddNetworkConnection(m_panel, &m_window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->adjustSize();
        CentreOver(*dialog, m_window);
        dialog->open();
    });
}

void NetworkPages::SetHooks()
{
    // The core waits out the clock's restart; the window shows it the while.
    connect(&m_panel, &Panel::ConfiguringStarted, this, [this](std::chrono::milliseconds wait) {
        auto* dialog = new frmConfiguring(&m_window, static_cast<int>(wait.count()));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->CentreOver(&m_window);
        dialog->open();
    });
}

} // namespace tarvo

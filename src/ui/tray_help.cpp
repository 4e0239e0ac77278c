// SPDX-License-Identifier: GPL-3.0-or-later
// The notification-area icon, the "Hide" link and the help menu of the main
// window.
#include "ui/frmControlPanel.h"

#include "app/help_files.h"
#include "app/panel.h"
#include "ui/help_viewer.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSystemTrayIcon>

namespace tarvo
{

void frmControlPanel::InitializeTrayIcon()
{
    if (m_tray)
        return;
    m_tray = new QSystemTrayIcon(QIcon(QStringLiteral(":/images/clock.png")), this);
    m_tray->setObjectName(QStringLiteral("picTray"));
    m_tray->setToolTip(QStringLiteral("Tarvo Control Panel"));
    // Only a left click (Trigger) restores; other clicks and movement do nothing.
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger)
            RestoreFromTray();
    });
    m_tray->setContextMenu(BuildTrayMenu());
    m_tray->show();
}

QMenu* frmControlPanel::BuildTrayMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuTray"));
    QAction* show = menu->addAction(QStringLiteral("Show"));
    show->setObjectName(QStringLiteral("mnuTrayShow"));
    connect(show, &QAction::triggered, this, &frmControlPanel::RestoreFromTray);
    QAction* hide = menu->addAction(QStringLiteral("Hide"));
    hide->setObjectName(QStringLiteral("mnuTrayHide"));
    connect(hide, &QAction::triggered, this, &frmControlPanel::HideWindow);
    menu->addSeparator();
    QAction* quit = menu->addAction(QStringLiteral("Quit"));
    quit->setObjectName(QStringLiteral("mnuTrayQuit"));
    // Closing the window ends the sequences and the link; a hidden window is
    // no "last window" whose closing ends the program, so it is ended here.
    connect(quit, &QAction::triggered, this, [this] {
        close();
        QCoreApplication::quit();
    });
    // Only the step that changes something is offered.
    connect(menu, &QMenu::aboutToShow, this, [this, show, hide] {
        const bool shown = isVisible() && !isMinimized();
        show->setEnabled(!shown);
        hide->setEnabled(shown);
    });
    return menu;
}

void frmControlPanel::RemoveTrayIcon()
{
    if (m_tray)
        m_tray->hide();
}

bool frmControlPanel::TrayAvailable() const
{
    return m_tray && QSystemTrayIcon::isSystemTrayAvailable();
}

void frmControlPanel::RestoreFromTray()
{
    // Shown, in front of the other windows, and not kept on top.
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void frmControlPanel::HideWindow()
{
    // Without a notification area a hidden window could not be brought back;
    // it goes to the task bar instead.
    if (TrayAvailable())
        hide();
    else
        showMinimized();
    SetHideLinkSize(8);
}

QWidget* frmControlPanel::BuildHideLink()
{
    // A flat button drawn as a blue link: it looks like the link it is and a
    // keyboard or screen-reader user can press it like any button.
    m_hideLink = new QPushButton(QStringLiteral("Hide"), this);
    m_hideLink->setObjectName(QStringLiteral("lblHide"));
    m_hideLink->setFlat(true);
    m_hideLink->setStyleSheet(QStringLiteral(
        "QPushButton { color: #0000ff; border: none; padding: 0 2px; background: transparent; }"
        "QPushButton:focus { text-decoration: underline; }"));
    m_hideLink->setAccessibleName(QStringLiteral("Hide"));
    m_hideLink->setAccessibleDescription(
        QStringLiteral("Hides the window; the clock link keeps running. Click the "
                       "notification-area icon to bring it back."));
    m_hideLink->setToolTip(QStringLiteral("Hide the window; the clock link keeps running"));
    m_hideLink->setCursor(Qt::PointingHandCursor);
    m_hideLink->installEventFilter(this);
    connect(m_hideLink, &QPushButton::clicked, this, [this] { HideWindow(); });
    SetHideLinkSize(8);
    return m_hideLink;
}

void frmControlPanel::SetHideLinkSize(int points)
{
    if (!m_hideLink)
        return;
    QFont font = m_hideLink->font();
    if (font.pointSize() == points)
        return;
    font.setPointSize(points);
    m_hideLink->setFont(font);
}

bool frmControlPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_hideLink && event->type() == QEvent::Enter)
        SetHideLinkSize(10);
    else if (watched == centralWidget() && event->type() == QEvent::MouseMove && m_hideLink &&
             m_hideLink->font().pointSize() > 9)
        SetHideLinkSize(8);
    return QMainWindow::eventFilter(watched, event);
}

void frmControlPanel::ShowHelp()
{
    const ClockModel* model = m_panel.Model();
    HelpViewer::Show(this, FindHelpFile(model, QCoreApplication::applicationDirPath()),
                     HelpModelName(model));
}

} // namespace tarvo

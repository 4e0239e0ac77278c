// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmControlPanel.h"

#include "app/clock_layout_plan.h"
#include "app/panel.h"
#include "ui/settings_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace tarvo
{

// The layout is re-applied whenever the state changes. Each property is set
// only when it differs, so a repeated pass repaints nothing and never touches
// the focus or a control the operator is typing into.
namespace
{

// Raised while the layout changes page availability: a tab control moves its
// selection off a page that becomes unavailable, and that move is not the
// operator's, so it must not pull the focus into the new page.
int g_applyingLayout = 0;

void ShowIf(QWidget* w, bool visible)
{
    if (w && w->isHidden() == visible)
        w->setVisible(visible);
}

void EnableIf(QWidget* w, bool enabled)
{
    if (w && w->isEnabled() != enabled)
        w->setEnabled(enabled);
}

void FocusByName(QWidget* window, const char* name)
{
    if (auto* w = window->findChild<QWidget*>(QLatin1String(name)))
        w->setFocus(Qt::TabFocusReason);
}

} // namespace

void frmControlPanel::UpdateClockLayout(bool clockFound, bool networkSettingsPresent,
                                        bool passwordRefused, const ClockModel* model)
{
    const ProgramState& s = m_panel.State();
    const LinkLayoutPlan link = PlanLinkLayout(
        {clockFound, passwordRefused, s.PasswordPromptShown, s.clockConnection.ConnectionType});
    if (link.regions) {
        ShowIf(m_frameSerial, link.regions->frameSerial);
        ShowIf(m_frameClockTimeSettings, link.regions->frameClockTimeSettings);
        ShowIf(m_frameNotfound, link.regions->frameNotfound);
        ShowIf(m_framePassword, link.regions->framePassword);
        ShowIf(m_imgClock, link.regions->imgClock);
        ShowIf(m_lblClockFound, link.regions->lblClockFound);
        // A settings file holds what the settings pages show, so saving and
        // loading one is offered while they are shown.
        for (const char* name : {"mnuSaveSettings", "mnuLoadSettings"}) {
            if (auto* action = findChild<QAction*>(QLatin1String(name)))
                action->setEnabled(link.regions->frameClockTimeSettings);
        }
    }
    if (link.focusPasswordPrompt) {
        auto* txtPassword = m_framePassword->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
        if (txtPassword && txtPassword->isEnabled()) {
            txtPassword->setFocus();
            txtPassword->selectAll();
        }
        m_panel.PasswordPromptOpened();
    }
    if (link.showConnectedCaption) {
        const QString caption = QStringLiteral("Connected to ") + s.clockConnection.IPaddress;
        if (m_lblClockFound->text() != caption)
            m_lblClockFound->setText(caption);
    }

    const PageLayoutPlan pages = PlanPageLayout(networkSettingsPresent, model);
    ++g_applyingLayout;
    // Pages 3 and 7 first, then 5, 4 and 8, as the clock's own panel does.
    for (int page : {LayoutPage::Network, LayoutPage::Password, LayoutPage::NTPServer,
                     LayoutPage::Broadcast, LayoutPage::Modem, LayoutPage::Primary,
                     LayoutPage::SMPTE, LayoutPage::SyncRelays, LayoutPage::DST}) {
        const auto enabled = pages.pageEnabled[page];
        if (enabled && m_tabs->isTabEnabled(page) != *enabled)
            m_tabs->setTabEnabled(page, *enabled);
    }
    --g_applyingLayout;
    if (pages.nudgeVisible)
        ShowIf(findChild<QWidget*>(QStringLiteral("frameNudgeTime")), *pages.nudgeVisible);
    auto* timeZone = findChild<QComboBox*>(QStringLiteral("cmbTimeZone"));
    if (pages.timeZoneEnabled)
        EnableIf(timeZone, *pages.timeZoneEnabled);
    if (timeZone && pages.timeZoneToolTip && timeZone->toolTip() != *pages.timeZoneToolTip)
        timeZone->setToolTip(*pages.timeZoneToolTip);
    if (pages.polarityVisible)
        ShowIf(findChild<QWidget*>(QStringLiteral("frameInputPolarity")), *pages.polarityVisible);
}

void ConnectTabFocusRules(frmControlPanel& window)
{
    QTabWidget* tabs = window.ClockTabs();
    // currentChanged fires only when the page really changes, so clicking the
    // page already shown moves nothing.
    QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [&window](int page) {
        if (g_applyingLayout)
            return;
        switch (page) {
        case LayoutPage::Network:
            FocusByName(&window, "txtServerPort");
            FocusByName(&window, "ipIPAddress");
            break;
        case LayoutPage::Broadcast:
            FocusByName(&window, "txtBroadcastFrequency");
            break;
        case LayoutPage::NTPServer:
            FocusByName(&window, "txtMinutesUpdate");
            FocusByName(&window, "ipServer1");
            break;
        default:
            break;
        }
    });
}

} // namespace tarvo

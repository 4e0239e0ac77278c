// SPDX-License-Identifier: GPL-3.0-or-later
// The link indicator: whether the clock in use is there, shown in the window,
// its title and the notification-area icon's tooltip, and the not-found
// frame's ways on.
#include "ui/frmControlPanel.h"

#include "app/link_health.h"
#include "app/panel.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>

namespace tarvo
{

namespace
{
QString DotColour(LinkHealth::State state)
{
    switch (state) {
    case LinkHealth::State::Connected:
        return QStringLiteral("#1a8f2a");
    case LinkHealth::State::NotAnswering:
    case LinkHealth::State::NotFound:
        return QStringLiteral("#c62828");
    default:
        return QStringLiteral("#b07800");
    }
}
} // namespace

QLabel* frmControlPanel::BuildLinkIndicator()
{
    m_lblLinkState = new QLabel(this);
    m_lblLinkState->setObjectName(QStringLiteral("lblLinkState"));
    m_lblLinkState->setAccessibleName(QStringLiteral("Clock link"));
    m_lblLinkState->setTextFormat(Qt::RichText);
    m_lblLinkState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(&m_panel.Health(), &LinkHealth::StateChanged, this, [this] { RefreshLinkState(); });
    return m_lblLinkState;
}

void frmControlPanel::RefreshLinkState()
{
    if (!m_lblLinkState)
        return;
    const LinkHealth& health = m_panel.Health();
    const LinkHealth::State state = health.Current();
    const QString text = health.Text();
    if (text != m_linkText) {
        m_linkText = text;
        // The dot is colour for the eye; the words carry the same for a
        // screen reader, which reads the plain text as the label's value.
        m_lblLinkState->setText(QStringLiteral("<span style=\"color:%1\">&#9679;</span> %2")
                                    .arg(DotColour(state), text.toHtmlEscaped()));
        m_lblLinkState->setAccessibleDescription(text);
    }
    // The clock first, as desktops name documents: a taskbar shows what
    // tells two windows apart, and the desktop adds no second program name
    // to a title that already ends in it.
    const bool clockNamed = state == LinkHealth::State::Connected ||
                            state == LinkHealth::State::NotAnswering ||
                            state == LinkHealth::State::PasswordRefused;
    // An asterisk before the name, as editors mark a document not saved:
    // the pages hold what the clock does not.
    const QString unsent = m_panel.PagesDiffer() ? QStringLiteral("*") : QString();
    const QString title = clockNamed
                              ? unsent + health.Where() + QStringLiteral(" - Tarvo Control Panel")
                              : unsent + QStringLiteral("Tarvo Control Panel");
    if (windowTitle() != title)
        setWindowTitle(title);
    if (m_tray) {
        QString tip = QStringLiteral("Tarvo Control Panel\n") + text;
        const ProgramState& s = m_panel.State();
        if (state == LinkHealth::State::Connected && !s.ClockTimeText.isEmpty() &&
            s.clockConnection.ConnectionType == ConnectionKind::Serial)
            tip += QStringLiteral("\nClock time: %1 %2").arg(s.ClockTimeText, s.ClockDateText);
        if (m_tray->toolTip() != tip)
            m_tray->setToolTip(tip);
    }
    ShowStaleTime(state == LinkHealth::State::NotAnswering &&
                  m_panel.State().clockConnection.ConnectionType == ConnectionKind::Serial);
    if (m_lastLinkState != state) {
        m_lastLinkState = state;
        // An earlier message ("Clock Found on Comport 1") is no longer true.
        if (state == LinkHealth::State::NotAnswering || state == LinkHealth::State::PasswordRefused)
            ShowStatus(QString());
    }
    if (m_lblNotFoundDetail) {
        const bool nothing = state == LinkHealth::State::NotFound;
        m_lblNotFoundDetail->setText(nothing ? m_panel.NoClockText() : QString());
        m_lblNotFoundDetail->setVisible(nothing);
    }
}

void frmControlPanel::ShowStaleTime(bool stale)
{
    if (!m_lblIncomingTime || !m_lblIncomingAge)
        return;
    if (stale) {
        // The last time read stays, dimmed, and says since when it has not
        // changed; it is not the clock's time now.
        const qint64 age = m_panel.Health().AnswerAgeMs();
        const QString since =
            age >= 0 ? QTime::currentTime().addMSecs(-age).toString(QStringLiteral("HH:mm:ss"))
                     : QString();
        const QString text = since.isEmpty() ? QStringLiteral("No report from the clock")
                                             : QStringLiteral("No report since %1").arg(since);
        if (!m_incomingStale) {
            m_incomingStale = true;
            QPalette palette = m_lblIncomingTime->palette();
            palette.setColor(QPalette::Window, QColor(64, 64, 64));
            palette.setColor(QPalette::WindowText, QColor(150, 150, 150));
            m_lblIncomingTime->setPalette(palette);
            m_lblIncomingAge->setText(text);
            m_lblIncomingAge->setAccessibleName(text);
            m_lblIncomingTime->setAccessibleDescription(QStringLiteral("Master Clock Time, ") +
                                                        text.toLower());
            m_lblIncomingAge->show();
        }
        return;
    }
    if (!m_incomingStale)
        return;
    m_incomingStale = false;
    m_lblIncomingAge->hide();
    m_lblIncomingTime->setAccessibleDescription(QStringLiteral("Master Clock Time"));
    ShowIncomingTime(m_lblIncomingTime->text(), m_incomingValid);
}

QWidget* frmControlPanel::BuildNotFoundHelp(QWidget* frame)
{
    // The two ways on, right where the operator reads that nothing was found:
    // the same actions as the Connections menu.
    auto* help = new QWidget(frame);
    auto* column = new QVBoxLayout(help);
    column->setContentsMargins(0, 0, 0, 0);
    m_lblNotFoundDetail = new QLabel(help);
    m_lblNotFoundDetail->setObjectName(QStringLiteral("lblNotFoundDetail"));
    m_lblNotFoundDetail->setWordWrap(true);
    m_lblNotFoundDetail->setAccessibleName(QStringLiteral("Where the clock was looked for"));
    m_lblNotFoundDetail->hide();
    auto* buttons = new QHBoxLayout;
    const struct {
        const char* name;
        const char* action;
        QString caption;
    } ways[] = {
        {"cmdFindSearch", "mnuSearch", QStringLiteral("Search for Connections")},
        {"cmdFindAdd", "mnuAddNetworkConnection", QStringLiteral("Add Network Connection")},
    };
    for (const auto& way : ways) {
        auto* button = new QPushButton(way.caption, help);
        button->setObjectName(QLatin1String(way.name));
        button->setAutoDefault(false);
        const QString action = QLatin1String(way.action);
        connect(button, &QPushButton::clicked, this, [this, action] {
            if (auto* menuAction = findChild<QAction*>(action))
                menuAction->trigger();
        });
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    column->addWidget(m_lblNotFoundDetail);
    column->addLayout(buttons);
    return help;
}

} // namespace tarvo

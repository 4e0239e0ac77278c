// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/link_health.h"

#include "app/panel.h"
#include "clock/clock_model.h"

#include <QDeadlineTimer>
#include <algorithm>

namespace tarvo
{

namespace
{
qint64 NowMs()
{
    return QDeadlineTimer::current().deadline();
}
} // namespace

LinkHealth::LinkHealth(Panel& panel) : QObject(&panel), m_panel(panel)
{
    for (QTimer* timer : {&m_serialSilence, &m_keepAlive, &m_keepAliveAnswer})
        timer->setSingleShot(true);
    SetTimings(SerialSilenceMs, KeepAliveIdleMs, KeepAliveAnswerMs);
    connect(&m_serialSilence, &QTimer::timeout, this, &LinkHealth::OnSerialSilence);
    connect(&m_keepAlive, &QTimer::timeout, this, &LinkHealth::OnKeepAliveDue);
    connect(&m_keepAliveAnswer, &QTimer::timeout, this, &LinkHealth::OnKeepAliveUnanswered);
    connect(&panel.Session(), &ClockSession::Received, this, &LinkHealth::OnRecord);
    connect(&panel, &Panel::StateTouched, this, &LinkHealth::Notify);
}

void LinkHealth::SetTimings(int serialSilenceMs, int keepAliveIdleMs, int keepAliveAnswerMs)
{
    m_serialSilence.setInterval(serialSilenceMs);
    m_keepAliveAnswer.setInterval(keepAliveAnswerMs);
    m_shownIdleMs = keepAliveIdleMs;
    m_idleMs = m_windowShown ? m_shownIdleMs : KeepAliveHiddenIdleMs;
}

void LinkHealth::SetWindowShown(bool shown)
{
    if (shown == m_windowShown)
        return;
    m_windowShown = shown;
    m_idleMs = shown ? m_shownIdleMs : KeepAliveHiddenIdleMs;
    // Shown again, the clock is checked soon rather than at the end of the
    // hidden window's longer wait.
    if (m_keepAlive.isActive())
        m_keepAlive.start(std::min(m_keepAlive.remainingTime(), m_idleMs));
}

bool LinkHealth::OnNetwork() const
{
    return m_panel.State().clockConnection.ConnectionType == ConnectionKind::Network;
}

LinkHealth::State LinkHealth::Current() const
{
    const ProgramState& s = m_panel.State();
    if (s.SearchInProgress || m_panel.RunningSearch())
        return State::Searching;
    if (!s.ClockFound) {
        const bool connecting =
            m_connectingSinceMs >= 0 && NowMs() - m_connectingSinceMs < FirstAnswerMs;
        return connecting ? State::Waiting : State::NotFound;
    }
    if (m_notAnswering)
        return State::NotAnswering;
    // The clock answers, but only with a refusal: nothing can be read or set.
    if (OnNetwork() && s.PasswordRefused)
        return State::PasswordRefused;
    return State::Connected;
}

QString LinkHealth::Where() const
{
    const ClockConnection& c = m_panel.State().clockConnection;
    const ClockModel* told = m_panel.State().ModelTold ? m_panel.Model() : nullptr;
    const QString model = told ? QString::number(told->number) : QStringLiteral("clock");
    switch (c.ConnectionType) {
    case ConnectionKind::Serial: {
        const QString device = m_panel.DeviceFor(c.Comport);
        return QStringLiteral("%1 on %2")
            .arg(model, device.isEmpty() ? QStringLiteral("Comport %1").arg(c.Comport) : device);
    }
    case ConnectionKind::Network:
        return QStringLiteral("%1 at %2").arg(model, c.IPaddress);
    default:
        return {};
    }
}

qint64 LinkHealth::AnswerAgeMs() const
{
    return m_lastAnswerMs < 0 ? -1 : NowMs() - m_lastAnswerMs;
}

QString LinkHealth::Text() const
{
    const State state = Current();
    QString text;
    switch (state) {
    case State::NotFound:
        return QStringLiteral("No clock found");
    case State::Searching:
        return QStringLiteral("Searching for clocks");
    case State::Waiting:
        return QStringLiteral("Waiting for the clock: %1").arg(Where());
    case State::Connected:
        text = QStringLiteral("Connected: %1").arg(Where());
        break;
    case State::NotAnswering:
        text = QStringLiteral("Not answering: %1").arg(Where());
        break;
    case State::PasswordRefused:
        text = QStringLiteral("Password refused: %1").arg(Where());
        break;
    }
    // Behind a device server, why the line is down and when it is tried again.
    if (!OnNetwork() && state != State::Connected) {
        const TransportStatus t = m_panel.Session().SerialTransportStatus();
        if (t.state == TransportStatus::State::Retrying && !t.text.isEmpty())
            text += QStringLiteral(" (%1, again in %2 s)")
                        .arg(t.text)
                        .arg(std::max(1, (t.retryInMs + 999) / 1000));
        else if (t.state == TransportStatus::State::Connecting)
            text += QStringLiteral(" (connecting to the device server)");
    }
    const qint64 age = AnswerAgeMs();
    if (age >= 0)
        text += QStringLiteral(", last %1 %2 s ago")
                    .arg(OnNetwork() ? QStringLiteral("answer") : QStringLiteral("report"))
                    .arg(age / 1000);
    if (m_gpsKnown && !OnNetwork())
        text += m_gpsLocked ? QStringLiteral(", GPS locked") : QStringLiteral(", GPS not locked");
    return text;
}

void LinkHealth::Connecting()
{
    m_connectingSinceMs = NowMs();
    m_lastAnswerMs = -1;
    m_gpsKnown = false;
    m_notAnswering = false;
    m_keepAliveOutstanding = false;
    m_keepAliveAnswer.stop();
    if (OnNetwork()) {
        m_serialSilence.stop();
        m_keepAlive.start(m_idleMs);
    } else {
        m_keepAlive.stop();
        m_serialSilence.start();
    }
    Notify();
    // "Waiting" turns into "not found" by itself; the indicator is told.
    QTimer::singleShot(FirstAnswerMs, this, &LinkHealth::Notify);
}

void LinkHealth::ReportArrived(bool gpsLocked)
{
    m_gpsKnown = true;
    m_gpsLocked = gpsLocked;
    if (!OnNetwork()) {
        m_serialSilence.start();
        Answered();
    }
}

bool LinkHealth::TakeKeepAliveAnswer()
{
    const bool was = m_keepAliveOutstanding;
    m_keepAliveOutstanding = false;
    return was;
}

void LinkHealth::OnRecord(const Incoming& incoming)
{
    // During a search every sender is heard; none of it is the clock in use.
    if (incoming.source.link != LinkKind::Network || !OnNetwork() ||
        m_panel.State().SearchInProgress)
        return;
    m_keepAliveAnswer.stop();
    m_keepAlive.start(m_idleMs);
    Answered();
}

void LinkHealth::Answered()
{
    m_lastAnswerMs = NowMs();
    m_notAnswering = false;
    Notify();
}

void LinkHealth::OnSerialSilence()
{
    if (OnNetwork())
        return;
    m_notAnswering = true;
    Notify();
}

void LinkHealth::OnKeepAliveDue()
{
    if (!OnNetwork())
        return;
    NetworkClockLink& link = m_panel.Session().NetworkClock();
    const qint64 sinceSent = link.LastSentMs() < 0 ? m_idleMs : NowMs() - link.LastSentMs();
    // Something else went to the clock meanwhile: its answer (or silence)
    // tells as much, and the clock is not asked more often than it must be.
    if (sinceSent < m_idleMs || m_panel.State().SearchInProgress || !m_panel.State().ClockFound) {
        m_keepAlive.start(int(std::clamp<qint64>(m_idleMs - sinceSent, 100, m_idleMs)));
        return;
    }
    if (link.Send(command::RequestNetworkSettings{}) > 0) {
        m_keepAliveOutstanding = true;
        m_keepAliveAnswer.start();
    }
    m_keepAlive.start(m_idleMs);
}

void LinkHealth::OnKeepAliveUnanswered()
{
    m_keepAliveOutstanding = false;
    m_notAnswering = true;
    Notify();
}

void LinkHealth::Notify()
{
    const State state = Current();
    if (state == m_lastState)
        return;
    m_lastState = state;
    Q_EMIT StateChanged(state);
}

} // namespace tarvo

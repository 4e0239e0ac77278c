// SPDX-License-Identifier: GPL-3.0-or-later
// The Clock Monitor's two collections, fed from what the core already sees:
// every time report (outside a search), every command sent, a clock found, a
// password refused. They fill while the monitor window is closed.
#include "app/panel.h"

#include "app/link_health.h"
#include "clock/clock_model.h"

namespace tarvo
{

void Panel::ConnectMonitor()
{
    connect(&m_session, &ClockSession::TimeReportReceived, this,
            [this](const TimeReportRecord& record, const RecordSource& source) {
                // A search's probes hear other clocks' reports: not the
                // clock in use.
                if (!m_state.SearchInProgress)
                    m_monitor.AddReport(record.report, source.arrivalUs);
            });
    connect(&m_session, &ClockSession::CommandSent, this,
            [this](const ClockCommand& command, LinkKind, const QString& where) {
                m_events.Record(EventKind::Sent,
                                CommandName(command) + QStringLiteral(" to ") + where);
            });
    // A read-back's outcome: what the status line says, in the log too.
    connect(this, &Panel::ChangeConfirmed, this, [this](const QString& text, bool confirmed) {
        const EventKind kind = confirmed                     ? EventKind::Confirmed
                               : text == ConfirmNoAnswerText ? EventKind::NotAnswered
                                                             : EventKind::Refused;
        m_events.Record(kind, text);
    });
}

void Panel::NoteLinkState(LinkHealth::State state)
{
    // Only a clock that was there and went quiet is news; the start-up and
    // search states are already told by Found or by the status line.
    if (state == LinkHealth::State::NotAnswering)
        m_events.Record(EventKind::Lost, ConnectionText());
    else if (state == LinkHealth::State::Connected && m_lostRecorded)
        m_events.Record(EventKind::Found, ConnectionText() + QStringLiteral(" (answering again)"));
    m_lostRecorded = state == LinkHealth::State::NotAnswering;
}

void Panel::NoteClockFound()
{
    if (m_state.ClockFound == m_foundRecorded)
        return;
    m_foundRecorded = m_state.ClockFound;
    if (m_foundRecorded)
        m_events.Record(EventKind::Found, ConnectionText());
}

QString Panel::ConnectionText()
{
    const ClockConnection& c = m_state.clockConnection;
    QString text = c.ConnectionType == ConnectionKind::Serial
                       ? QStringLiteral("clock on Comport %1 (%2)")
                             .arg(c.Comport)
                             .arg(m_session.SerialDevice(c.Comport))
                       : QStringLiteral("clock at ") + c.IPaddress;
    if (const ClockModel* model = Model())
        text += QStringLiteral(", model %1").arg(model->number);
    return text;
}

} // namespace tarvo

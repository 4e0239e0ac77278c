// SPDX-License-Identifier: GPL-3.0-or-later
// The Clock Monitor's two collections, fed from what the core already sees:
// every time report (outside a search), every command sent, a clock found, a
// password refused. They fill while the monitor window is closed.
#include "app/panel.h"

#include "app/link_health.h"
#include "clock/clock_model.h"
#include "clock/json_text.h"
#include "clock/master_record.h"
#include "dst/dst_script.h"

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
                                DescribeSent(command) + QStringLiteral(" to ") + where);
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

QString Panel::DescribeSent(const ClockCommand& command) const
{
    if (const auto* time = std::get_if<command::SetTimeAndDate>(&command)) {
        const QDateTime sent(QDate(2000 + time->date.YearOffset, time->date.Month, time->date.Day),
                             QTime(time->time.Hour, time->time.Minute, time->time.Second));
        return CommandName(command) + u' ' + sent.toString(QStringLiteral("MM-dd-yyyy HH:mm:ss"));
    }
    if (const auto* settings = std::get_if<command::MasterSettings>(&command)) {
        ScriptSettings sent;
        sent.model = Model();
        sent.settings = settings->settings;
        sent.phone = KeepDigits(settings->phoneText);
        QStringList fields;
        for (const JsonLeaf& leaf : JsonLeaves(SettingsToJson(sent)))
            fields << leaf.path + u' ' + JsonValueText(leaf.value);
        return CommandName(command) + QStringLiteral(" (") + fields.join(QStringLiteral(", ")) +
               u')';
    }
    if (const auto* dst = std::get_if<command::DstTables>(&command))
        return CommandName(command) +
               QStringLiteral(" (spring %1, fall %2, from %3)")
                   .arg(DstRuleText(dst->springRule), DstRuleText(dst->fallRule))
                   .arg(2000 + dst->startYear);
    if (const auto* nudge = std::get_if<command::AdjustTime>(&command))
        return CommandName(command) +
               (nudge->type == AdjustType::Hour ? QStringLiteral(" of an hour")
                                                : QStringLiteral(" of 5 ms")) +
               (nudge->direction == AdjustDirection::Advance ? QStringLiteral(" forward")
                                                             : QStringLiteral(" back"));
    return CommandName(command);
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

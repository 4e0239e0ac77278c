// The Clock Monitor's two collections, fed from what the core already sees:
// every time report (outside a search), every command sent, a clock found, a
// password refused. They fill while the monitor window is closed.
#include "app/panel.h"

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
                             .arg(m_session.Port().DeviceFor(c.Comport))
                       : QStringLiteral("clock at ") + c.IPaddress;
    if (const int number = ModelNumberFor(c.ClockType); number > 0)
        text += QStringLiteral(", model %1").arg(number);
    return text;
}

} // namespace tarvo

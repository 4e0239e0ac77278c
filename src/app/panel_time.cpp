// SPDX-License-Identifier: GPL-3.0-or-later
// The clock's time report, the computer-time display and the setting of the
// computer clock from the clock.
#include "app/panel.h"

#include "app/link_health.h"
#include "app/system_clock.h"
#include "clock/clock_model.h"
#include "clock/time_report.h"

namespace tarvo
{

bool Panel::GpsLockRuleApplies() const
{
    const ClockModel* model = Model();
    return model && model->gpsLockRule;
}

void Panel::HandleTimeReport(const QByteArray& report)
{
    const TimeReport decoded = DecodeTimeReport(report);
    if (!decoded.valid) {
        Q_EMIT IncomingTimeShown(TimeNotAvailableText, false);
        Q_EMIT GpsRuleChanged(decoded.gpsLocked && GpsLockRuleApplies());
        Q_EMIT TimeReportShown(false);
        return;
    }
    m_health->ReportArrived(decoded.gpsLocked);
    m_state.ClockTimeText = decoded.ClockTimeText;
    m_state.ClockDateText = decoded.ClockDateText;
    Q_EMIT IncomingTimeShown(IncomingTimeText(decoded), true);
    SetTime();
    if (m_clockFailed) {
        // A clock setting that failed shows the report as unusable, like any
        // other error while handling it, and skips the GPS rule.
        m_clockFailed = false;
        Q_EMIT IncomingTimeShown(TimeNotAvailableText, false);
        Q_EMIT TimeReportShown(false);
        return;
    }
    Q_EMIT GpsRuleChanged(decoded.gpsLocked && GpsLockRuleApplies());
    Q_EMIT TimeReportShown(true);
}

void Panel::SetTime()
{
    if (m_state.UpdatePCclock != 1)
        return;
    if (!CountDownSetTime(m_state.SetTimeCountdown))
        return;
    // Date and time of day go together, as one instant: setting one before
    // the other would put the computer a day out across midnight.
    const QDateTime setting = ClockSettingFor(m_state.ClockTimeText, m_state.ClockDateText);
    QString error;
    if (!setting.isValid() || !m_clock->Set(setting, &error)) {
        m_clockFailed = true;
        // A missing right is worth telling once, with the fix; the display
        // goes on regardless.
        if (!error.isEmpty() && error.contains(QLatin1String("CAP_SYS_TIME")) &&
            !m_clockProblemShown) {
            m_clockProblemShown = true;
            ShowStatus(error);
        }
    }
}

void Panel::SetUpdatePcClock(int value)
{
    m_state.UpdatePCclock = value;
    m_store->SaveUpdatePCclock(value);
    m_state.SetTimeCountdown = 5;
}

} // namespace tarvo

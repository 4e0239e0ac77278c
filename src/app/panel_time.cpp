// SPDX-License-Identifier: GPL-3.0-or-later
// The clock's time report, the computer-time display and the setting of the
// computer clock from the clock.
#include "app/panel.h"

#include "app/link_health.h"
#include "app/system_clock.h"
#include "clock/clock_model.h"
#include "clock/time_report.h"

#include <QScopeGuard>
#include <cstdlib>

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
    // How far the computer's clock moves, taken before it is set.
    const qint64 stepMs = setting.isValid() ? QDateTime::currentDateTime().msecsTo(setting) : 0;
    if (setting.isValid()) {
        const QDateTime now = QDateTime::currentDateTime();
        if (std::abs(stepMs) > m_options.largeStepSeconds * 1000 && !m_largeStepAllowed) {
            // The master clock may be wrong by hours (someone set it so):
            // the computer follows only with the operator's word.
            if (m_windowShown && !m_largeStepRefused && m_boxes) {
                if (!m_askingAboutStep)
                    Spawn(this, AskAboutLargeStep(setting, stepMs));
            } else if (!m_largeStepSkipTold) {
                m_largeStepSkipTold = true;
                const QString text =
                    QStringLiteral("The computer clock was not set: the master clock is %1 it.")
                        .arg(DescribeTimeDifference(setting, now));
                ShowStatus(text);
                m_events.Record(EventKind::ComputerClock, text);
            }
            return;
        }
        if (std::abs(stepMs) <= m_options.largeStepSeconds * 1000) {
            m_largeStepRefused = false;
            m_largeStepSkipTold = false;
        }
        m_largeStepAllowed = false;
    }
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
        return;
    }
    const double step = stepMs / 1000.0;
    m_events.Record(EventKind::ComputerClock,
                    QStringLiteral("set to %1, a step of %2 s")
                        .arg(setting.toString(QStringLiteral("MM-dd-yyyy HH:mm:ss")))
                        .arg(step >= 0 ? QStringLiteral("+%1").arg(step, 0, 'f', 3)
                                       : QString::number(step, 'f', 3)));
}

Task<void> Panel::AskAboutLargeStep(QDateTime setting, qint64 stepMs)
{
    m_askingAboutStep = true;
    const auto asked = qScopeGuard([this] { m_askingAboutStep = false; });
    const QDateTime now = QDateTime::currentDateTime();
    const QString question =
        QStringLiteral("The master clock reads %1, which is %2 this computer's clock. Set this "
                       "computer's clock to it?")
            .arg(setting.toString(QStringLiteral("MM-dd-yyyy HH:mm:ss")),
                 DescribeTimeDifference(now.addMSecs(stepMs), now));
    const bool yes = co_await m_boxes->AskYesNo(QStringLiteral("Update PC Clock."), question);
    if (yes) {
        // The next report sets it, with the clock's time of that moment.
        m_largeStepAllowed = true;
        m_state.SetTimeCountdown = 1;
        co_return;
    }
    m_largeStepRefused = true;
    const QString text = QStringLiteral("The computer clock was not set: the step was refused.");
    ShowStatus(text);
    m_events.Record(EventKind::ComputerClock, text);
}

void Panel::SetUpdatePcClock(int value)
{
    m_state.UpdatePCclock = value;
    m_store->SaveUpdatePCclock(value);
    m_state.SetTimeCountdown = 5;
    // A box ticked again may ask again about a large step.
    m_largeStepRefused = false;
    m_largeStepSkipTold = false;
}

void Panel::SetWindowShown(bool shown)
{
    m_windowShown = shown;
    m_health->SetWindowShown(shown);
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/time_operations.h"

#include "clock/clock_model.h"
#include "clock/time_commands.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <cmath>

namespace tarvo
{

namespace
{
// A report is due every second: one older than this is not the clock's state.
constexpr qint64 kFreshReportMs = 1500;
constexpr std::chrono::milliseconds kReportWait{1500};

qint64 SystemNowUs()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000;
}

// The latest report if it is fresh, else the next one within a report's wait.
Task<std::optional<ClockSession::LatestReport>> CurrentReport(ClockSession& session)
{
    const auto& last = session.LastTimeReport();
    if (last && SystemNowUs() - last->source.arrivalUs <= kFreshReportMs * 1000)
        co_return last;
    const Answer<TimeReportRecord> next =
        co_await Await<TimeReportRecord>(session, LinkKind::Serial, kReportWait);
    if (!next.Answered())
        co_return std::nullopt;
    co_return ClockSession::LatestReport{*next.record, next.source};
}

// Reads the clock's reports until one shows `expected` moved on by the time
// since `sinceUs` (system microseconds), within the tolerance.
Task<Outcome> CheckReportedLocalTime(ClockSession& session, QDateTime expected, qint64 sinceUs,
                                     std::chrono::milliseconds wait)
{
    Outcome outcome;
    auto seen = std::make_shared<std::optional<ClockSession::LatestReport>>();
    const QMetaObject::Connection watching =
        QObject::connect(&session, &ClockSession::TimeReportReceived, &session,
                         [seen](const TimeReportRecord& record, const RecordSource& source) {
                             *seen = ClockSession::LatestReport{record, source};
                         });
    const auto stopWatching = qScopeGuard([watching] { QObject::disconnect(watching); });
    const QDeadlineTimer deadline(wait);
    while (!deadline.hasExpired()) {
        seen->reset();
        const auto arrived = [seen] { return seen->has_value(); };
        const qint64 leftMs = std::max<qint64>(1, deadline.remainingTime());
        const bool heard = co_await WaitFor(&session, &ClockSession::TimeReportReceived, arrived,
                                            static_cast<int>(leftMs));
        if (!heard)
            break;
        const auto reported = ReportedLocalTime((*seen)->record.report);
        if (!reported)
            continue;
        const qint64 movedOnMs = ((*seen)->source.arrivalUs - sinceUs) / 1000;
        const double off =
            (reported->toMSecsSinceEpoch() - expected.addMSecs(movedOnMs).toMSecsSinceEpoch()) /
            1000.0;
        outcome.offSeconds = off;
        outcome.reading =
            (*seen)->record.report.ClockTimeText + u' ' + (*seen)->record.report.ClockDateText;
        if (std::abs(off) <= TimeToleranceSeconds) {
            outcome.verdict = Verdict::Taken;
            co_return outcome;
        }
    }
    outcome.verdict = outcome.offSeconds ? Verdict::NotTaken : Verdict::NoAnswer;
    co_return outcome;
}

// The clock must answer a request for its settings after a change it cannot
// show.
Task<Outcome> CheckAnswer(ClockSession& session, ClockLink& link, std::chrono::milliseconds wait)
{
    const Answer<MasterRecord> answer =
        co_await Ask<MasterRecord>(session, link, command::RequestMasterSettings{}, wait);
    Outcome outcome;
    switch (answer.reply) {
    case Reply::Answered:
        outcome.verdict = Verdict::Answered;
        break;
    case Reply::Refused:
        outcome.verdict = Verdict::Refused;
        break;
    case Reply::Silent:
    case Reply::NotSent:
        outcome.verdict = Verdict::NoAnswer;
        break;
    }
    co_return outcome;
}

} // namespace

Task<QDateTime> NextWholeSecond()
{
    QDateTime now = QDateTime::currentDateTime();
    QDateTime target = now.addMSecs(1000 - now.time().msec());
    for (;;) {
        const qint64 left = QDateTime::currentDateTime().msecsTo(target);
        if (left <= 0)
            break;
        // The computer's clock was set back meanwhile: the next second is
        // another one.
        if (left > 1000) {
            now = QDateTime::currentDateTime();
            target = now.addMSecs(1000 - now.time().msec());
            continue;
        }
        co_await Sleep(std::chrono::milliseconds(left));
    }
    co_return target;
}

Task<TimeSet> SetClockTime(ClockSession& session, ClockLink& link, std::optional<QDateTime> typed,
                           std::chrono::milliseconds answerWait)
{
    TimeSet result;
    const ClockModel* model = link.Model();
    if (link.CarriesTimeReports() && model && model->gpsLockRule) {
        const auto report = co_await CurrentReport(session);
        if (report && report->record.report.valid && report->record.report.gpsLocked) {
            result.gpsLocked = true;
            result.outcome.verdict = Verdict::NotSent;
            co_return result;
        }
    }
    QDateTime target;
    if (typed)
        target = *typed;
    else
        target = co_await NextWholeSecond();
    const qint64 sentUs = SystemNowUs();
    if (link.Send(command::SetTimeAndDate{TimeDataFrom(target.time()),
                                          DateDataFrom(target.date())}) <= 0) {
        result.outcome.verdict = Verdict::NotSent;
        co_return result;
    }
    result.sent = target;
    if (link.CarriesTimeReports())
        result.outcome = co_await CheckReportedLocalTime(session, target, sentUs, answerWait);
    else
        result.outcome = co_await CheckAnswer(session, link, answerWait);
    co_return result;
}

Task<Outcome> NudgeClock(ClockSession& session, ClockLink& link, int adjustType,
                         int adjustDirection, std::chrono::milliseconds answerWait)
{
    std::optional<ClockSession::LatestReport> before;
    const bool readBack = adjustType == AdjustType::Hour && link.CarriesTimeReports();
    if (readBack)
        before = co_await CurrentReport(session);
    if (link.Send(command::AdjustTime{adjustType, adjustDirection}) <= 0) {
        Outcome notSent;
        notSent.verdict = Verdict::NotSent;
        co_return notSent;
    }
    const auto beforeTime = before ? ReportedLocalTime(before->record.report) : std::nullopt;
    if (readBack && beforeTime) {
        const int hours = adjustDirection == AdjustDirection::Advance ? 1 : -1;
        const Outcome checked = co_await CheckReportedLocalTime(
            session, beforeTime->addSecs(3600 * hours), before->source.arrivalUs, answerWait);
        co_return checked;
    }
    const Outcome answered = co_await CheckAnswer(session, link, answerWait);
    co_return answered;
}

} // namespace tarvo

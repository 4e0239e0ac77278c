// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/change_operations.h"

#include "clock/master_record.h"
#include "dst/dst_script.h"

namespace tarvo
{

Verdict VerdictOf(Reply reply)
{
    switch (reply) {
    case Reply::Answered:
        return Verdict::Answered;
    case Reply::Refused:
        return Verdict::Refused;
    case Reply::NotSent:
        return Verdict::NotSent;
    case Reply::Silent:
        break;
    }
    return Verdict::NoAnswer;
}

Task<Outcome> ConfirmSettings(ClockSession& session, ClockLink& link, ScriptSettings wanted,
                              bool alreadyAsked, std::chrono::milliseconds wait)
{
    Answer<MasterRecord> answer;
    if (alreadyAsked)
        answer = co_await Await<MasterRecord>(session, link.Kind(), wait);
    else
        answer = co_await Ask<MasterRecord>(session, link, command::RequestMasterSettings{}, wait);
    Outcome outcome;
    if (!answer.Answered()) {
        outcome.verdict = VerdictOf(answer.reply);
        co_return outcome;
    }
    const QByteArray& record = answer.record->record;
    ScriptSettings actual = ScriptSettingsFromRecord(record, wanted.model);
    if (record.size() < SerialMasterRecordLength)
        actual.phone = wanted.phone;
    outcome.differences = SettingsDifferences(wanted, actual);
    outcome.verdict = outcome.differences.isEmpty() ? Verdict::Taken : Verdict::NotTaken;
    co_return outcome;
}

Task<Outcome> SendSettings(ClockSession& session, ClockLink& link, ClockCommand change,
                           ScriptSettings wanted, std::chrono::milliseconds wait)
{
    if (link.Send(change) <= 0) {
        Outcome notSent;
        notSent.verdict = Verdict::NotSent;
        co_return notSent;
    }
    co_await Sleep(link.SettleTime());
    const Outcome confirmed = co_await ConfirmSettings(session, link, wanted, false, wait);
    co_return confirmed;
}

Task<Outcome> SendDstTables(ClockSession& session, ClockLink& link, command::DstTables tables,
                            std::chrono::milliseconds wait)
{
    Outcome outcome;
    if (link.Send(tables) <= 0) {
        outcome.verdict = Verdict::NotSent;
        co_return outcome;
    }
    co_await Sleep(link.SettleTime());
    const Answer<DstRecord> answer =
        co_await Ask<DstRecord>(session, link, command::RequestDstTables{}, wait);
    if (!answer.Answered()) {
        outcome.verdict = VerdictOf(answer.reply);
        co_return outcome;
    }
    DstPlan plan;
    plan.startYear = tables.startYear;
    plan.spring = tables.springRule;
    plan.fall = tables.fallRule;
    plan.springDates = tables.spring;
    plan.fallDates = tables.fall;
    outcome.differences = DstDifferences(plan, ParseDSTDates(answer.record->record));
    outcome.verdict = outcome.differences.isEmpty() ? Verdict::Taken : Verdict::NotTaken;
    co_return outcome;
}

Task<DefaultsRestored> RestoreFactoryDefaults(ClockSession& session, ClockLink& link,
                                              std::chrono::milliseconds wait)
{
    DefaultsRestored restored;
    // The link's reset sends its own request for the settings it leaves;
    // its answer is awaited from before the reset goes out.
    Expected<MasterRecord> after(session, link.Kind());
    co_await link.RestoreFactoryDefaults();
    co_await after.Wait(wait);
    Answer<MasterRecord> answer = after.Result();
    if (!answer.Answered() && answer.reply != Reply::Refused)
        answer = co_await Ask<MasterRecord>(session, link, command::RequestMasterSettings{}, wait);
    restored.outcome.verdict = VerdictOf(answer.reply);
    if (answer.Answered())
        restored.record = answer.record->record;
    co_return restored;
}

Task<Outcome> SendAndHearBack(ClockSession& session, ClockLink& link, ClockCommand command,
                              std::chrono::milliseconds wait)
{
    Outcome outcome;
    if (link.Send(command) <= 0) {
        outcome.verdict = Verdict::NotSent;
        co_return outcome;
    }
    const Answer<MasterRecord> answer =
        co_await Ask<MasterRecord>(session, link, command::RequestMasterSettings{}, wait);
    outcome.verdict = VerdictOf(answer.reply);
    co_return outcome;
}

} // namespace tarvo

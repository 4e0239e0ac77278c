// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Asking the clock and awaiting its answer. The answer is the record itself:
// whoever asks gets the record (or learns that none came, or that the password
// was refused), with no flags or counters on the side.

#include "session/clock_session.h"
#include "session/task.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tarvo
{

enum class Reply { Answered, Silent, Refused, NotSent };

template <typename R> struct Answer {
    Reply reply = Reply::Silent;
    std::optional<R> record; // set when answered
    RecordSource source;
    bool Answered() const { return reply == Reply::Answered; }
};

// The first record the clock sends on one link that `match` takes, from the
// moment this is made, or the clock's refusal of the password. It is made
// before a request goes out, so that an answer that comes at once is not
// missed.
class ExpectedRecord
{
public:
    using Match = std::function<bool(const ClockRecord&)>;
    ExpectedRecord(ClockSession& session, LinkKind link, Match match);
    ~ExpectedRecord();
    ExpectedRecord(const ExpectedRecord&) = delete;
    ExpectedRecord& operator=(const ExpectedRecord&) = delete;

    bool Arrived() const { return m_heard->refused || m_heard->incoming.has_value(); }
    bool Refused() const { return m_heard->refused; }
    const std::optional<Incoming>& Heard() const { return m_heard->incoming; }
    // Goes on when the record (or a refusal) has arrived or `wait` passed.
    Task<bool> Wait(std::chrono::milliseconds wait);

private:
    struct Arrival {
        std::optional<Incoming> incoming;
        bool refused = false;
    };
    ClockSession& m_session;
    std::shared_ptr<Arrival> m_heard;
    QMetaObject::Connection m_connection;
};

// The same for one record type, whose answer is the record.
template <typename R> class Expected
{
public:
    Expected(ClockSession& session, LinkKind link)
        : m_expected(session, link,
                     [](const ClockRecord& record) { return std::holds_alternative<R>(record); })
    {
    }
    bool Arrived() const { return m_expected.Arrived(); }
    Task<bool> Wait(std::chrono::milliseconds wait) { return m_expected.Wait(wait); }
    Answer<R> Result() const
    {
        Answer<R> answer;
        if (const auto& heard = m_expected.Heard()) {
            answer.reply = Reply::Answered;
            answer.record = std::get<R>(heard->record);
            answer.source = heard->source;
        } else if (m_expected.Refused()) {
            answer.reply = Reply::Refused;
        }
        return answer;
    }

private:
    ExpectedRecord m_expected;
};

// Sends `request` on `link` and waits up to `wait` for the record of type R it
// brings. Over a link that can lose a request it goes out again partway
// through the wait.
template <typename R>
Task<Answer<R>> Ask(ClockSession& session, ClockLink& link, ClockCommand request,
                    std::chrono::milliseconds wait)
{
    Expected<R> expected(session, link.Kind());
    const int attempts = std::max(1, link.RequestAttempts());
    bool anySent = false;
    for (int i = 0; i < attempts && !expected.Arrived(); ++i) {
        const bool sent = link.Send(request) > 0;
        anySent = anySent || sent;
        co_await expected.Wait(wait / attempts);
    }
    Answer<R> answer = expected.Result();
    if (!anySent && !answer.Answered())
        answer.reply = Reply::NotSent;
    co_return answer;
}

// Waits up to `wait` for a record of type R without asking: the answer to a
// request that already went out with another command.
template <typename R>
Task<Answer<R>> Await(ClockSession& session, LinkKind link, std::chrono::milliseconds wait)
{
    Expected<R> expected(session, link);
    co_await expected.Wait(wait);
    co_return expected.Result();
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/ask.h"

namespace tarvo
{

ExpectedRecord::ExpectedRecord(ClockSession& session, LinkKind link, Match match)
    : m_session(session), m_heard(std::make_shared<Arrival>())
{
    m_connection = QObject::connect(
        &session, &ClockSession::Received, &session,
        [heard = m_heard, link, match = std::move(match)](const Incoming& incoming) {
            if (incoming.source.link != link || heard->refused || heard->incoming)
                return;
            if (std::holds_alternative<PasswordRefusal>(incoming.record))
                heard->refused = true;
            else if (match(incoming.record))
                heard->incoming = incoming;
        });
}

ExpectedRecord::~ExpectedRecord()
{
    QObject::disconnect(m_connection);
}

Task<bool> ExpectedRecord::Wait(std::chrono::milliseconds wait)
{
    const std::shared_ptr<Arrival> heard = m_heard;
    const auto arrived = [heard] { return heard->refused || heard->incoming.has_value(); };
    const bool held = co_await WaitFor(&m_session, &ClockSession::Received, arrived, wait);
    co_return held;
}

} // namespace tarvo

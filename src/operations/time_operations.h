// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Setting and nudging the clock's time. Over a link that carries the clock's
// time reports the change is read back from them; elsewhere the clock must
// answer a request afterwards.

#include "operations/ask.h"
#include "operations/outcome.h"

#include <QDateTime>
#include <chrono>
#include <optional>

namespace tarvo
{

// How long the clock's reports (or its answer) are awaited after a change of
// time, and how far a reported second may be from the one expected.
inline constexpr std::chrono::milliseconds TimeCheckWait{3000};
inline constexpr double TimeToleranceSeconds = 1.5;

struct TimeSet {
    Outcome outcome;
    QDateTime sent;         // the local time the clock was given; invalid when none
    bool gpsLocked = false; // refused before sending: the clock is locked to GPS
};

// Gives the clock a time and reads it back. `typed` is a local time the
// operator typed, sent at once. Without it the computer's own time goes out,
// at the start of the next second and carrying that second, since the clock
// takes whole seconds: sent at once, it would be up to a second behind. A model
// that refuses a time set while locked to GPS is not sent one while its latest
// report says it is locked.
Task<TimeSet> SetClockTime(ClockSession& session, ClockLink& link, std::optional<QDateTime> typed,
                           std::chrono::milliseconds answerWait = TimeCheckWait);

// The start of the next second of the computer's clock, waited for: the local
// time that begins then.
Task<QDateTime> NextWholeSecond();

// Moves the clock by an hour or by 5 ms (AdjustType, AdjustDirection). An
// hour's step is read back from the time reports where the link carries them;
// a 5 ms step cannot be seen in whole seconds, so the clock need only answer.
Task<Outcome> NudgeClock(ClockSession& session, ClockLink& link, int adjustType,
                         int adjustDirection, std::chrono::milliseconds answerWait = TimeCheckWait);

} // namespace tarvo

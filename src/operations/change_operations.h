// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Changes to the clock's settings and tables, each read back where the clock
// can show it: the settings and the DST tables are compared field by field;
// a reset returns the settings it left; a command the clock does not answer
// (a resync, the modem's call) is followed by a request it must answer.

#include "clock/settings_json.h"
#include "operations/ask.h"
#include "operations/outcome.h"

#include <chrono>

namespace tarvo
{

// How long the clock has to answer a read-back request.
inline constexpr std::chrono::milliseconds ReadBackWait{3000};

// Reads the master record back (asking for it unless the change's own sends
// already did) and compares it with `wanted`. Only the serial record carries
// the modem's number; a network record cannot show it, so it is not compared.
Task<Outcome> ConfirmSettings(ClockSession& session, ClockLink& link, ScriptSettings wanted,
                              bool alreadyAsked, std::chrono::milliseconds wait = ReadBackWait);

// Sends `change` (the whole settings block, or only what changed), gives the
// clock the link's settle time and confirms `wanted`. NotSent when nothing
// went out.
Task<Outcome> SendSettings(ClockSession& session, ClockLink& link, ClockCommand change,
                           ScriptSettings wanted, std::chrono::milliseconds wait = ReadBackWait);

// Sends the DST tables, then reads them back and compares every year's dates
// and the change hours.
Task<Outcome> SendDstTables(ClockSession& session, ClockLink& link, command::DstTables tables,
                            std::chrono::milliseconds wait = ReadBackWait);

// The reset to factory defaults and the request that follows it; the outcome
// carries the settings the clock holds afterwards (asked for again when the
// first answer does not come).
struct DefaultsRestored {
    Outcome outcome;
    std::optional<QByteArray> record; // the master record after the reset
};
Task<DefaultsRestored> RestoreFactoryDefaults(ClockSession& session, ClockLink& link,
                                              std::chrono::milliseconds wait = ReadBackWait);

// A command whose effect the clock does not report (a resync, the modem's
// call now, a 5 ms nudge): sent, then the clock must answer a request for its
// settings, which shows it is there and took the password.
Task<Outcome> SendAndHearBack(ClockSession& session, ClockLink& link, ClockCommand command,
                              std::chrono::milliseconds wait = ReadBackWait);

// The verdict for a request's reply that carried nothing to compare.
Verdict VerdictOf(Reply reply);

} // namespace tarvo

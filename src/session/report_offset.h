// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How far the clock is from this computer, from one time report: the figure
// `tarvo-clock watch` prints, feed-chrony hands chronyd and the Clock Monitor
// draws. All three take it from here, so they cannot disagree.

#include "clock/time_report.h"

#include <QtGlobal>
#include <optional>

namespace tarvo
{

// Offset of a reported whole second from the system time the report arrived
// at. `clockLocalMs` is the clock's time read as the computer's local time
// (milliseconds since 1970 UTC); positive when the clock is ahead.
double ReportOffsetSeconds(qint64 clockLocalMs, qint64 arrivalUs);

// The instant a valid report names: its wall-clock time read in the computer's
// time zone. Where the zone's offset changes, a wall-clock time names two
// instants (the hour repeated in autumn) or none (the hour skipped in spring):
// the one nearest `nearUtcMs` (the report's arrival) is taken, and nullopt
// when there is none, so a sample is never an hour out.
std::optional<qint64> ReportInstantMs(const TimeReport& report, qint64 nearUtcMs);

// Both steps for a report that arrived at `arrivalUs` (microseconds since
// 1970): nullopt for an invalid report or one that names no time in this
// computer's zone.
std::optional<double> ReportOffsetAt(const TimeReport& report, qint64 arrivalUs);

} // namespace tarvo

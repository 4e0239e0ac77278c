// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The clock's offset from this computer over the last hour, one point per
// time report, for the Clock Monitor window. It belongs to the program core
// and collects whether or not the window is open: a point is a few bytes and
// adding one is a few comparisons.

#include "clock/time_report.h"

#include <QObject>
#include <deque>
#include <optional>

namespace tarvo
{

struct OffsetPoint {
    qint64 arrivalMs = 0;       // system time the report arrived, ms since 1970
    double offsetSeconds = 0.0; // clock minus computer, as `tarvo-clock watch` prints it
    bool gpsLocked = false;
};

struct OffsetStatistics {
    int count = 0;          // how many points they cover (at most RecentCount)
    bool sinceStep = false; // fewer than RecentCount because the offset stepped
    double mean = 0.0;      // seconds
    double jitter = 0.0;    // population standard deviation, seconds
};

class ClockMonitor : public QObject
{
    Q_OBJECT
public:
    // An hour of reports, one a second; a clock or a line that sends faster
    // is held to the count, the oldest points going first.
    static constexpr qint64 KeptMs = 3600 * 1000;
    static constexpr int MaxPoints = 3700;
    // The mean and the jitter describe the last minute of reports, or the
    // reports since the offset last stepped when that is sooner: a time set
    // or a computer clock step moves the offset by seconds or hours, and a
    // mean across it describes neither side.
    static constexpr int RecentCount = 60;
    static constexpr double StepSeconds = 0.5;

    explicit ClockMonitor(QObject* parent = nullptr);

    // Adds the point of a report that arrived at `arrivalUs` (microseconds
    // since 1970). False, and nothing added, for a report that names no time
    // ("Time Not Available", or a time this computer's zone skips).
    bool AddReport(const TimeReport& report, qint64 arrivalUs);
    void AddPoint(const OffsetPoint& point);

    // Oldest first, none older than an hour before the newest.
    const std::deque<OffsetPoint>& Points() const { return m_points; }
    // Points ever added (dropped ones included): a viewer that remembers the
    // figure knows how many it has missed.
    quint64 TotalAdded() const { return m_totalAdded; }
    // Mean and jitter of the last RecentCount points; nullopt without points.
    std::optional<OffsetStatistics> Recent() const;

Q_SIGNALS:
    void PointAdded(const tarvo::OffsetPoint& point);

private:
    std::deque<OffsetPoint> m_points;
    quint64 m_totalAdded = 0;
    int m_sinceStep = 0; // points since the last step, the step's own included
};

// An offset as the operator reads it: milliseconds below a second
// ("-12.3 ms", `msDecimals` places), seconds below a minute ("-1.250 s"), and
// hours, minutes and seconds above ("-8 h 20 min 0.0 s").
QString OffsetText(double seconds, int msDecimals = 1);

} // namespace tarvo

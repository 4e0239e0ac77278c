// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/clock_monitor.h"

#include "session/report_offset.h"

#include <cmath>

namespace tarvo
{

ClockMonitor::ClockMonitor(QObject* parent) : QObject(parent) {}

bool ClockMonitor::AddReport(const TimeReport& report, qint64 arrivalUs)
{
    const auto offset = ReportOffsetAt(report, arrivalUs);
    if (!offset)
        return false;
    AddPoint({arrivalUs / 1000, *offset, report.gpsLocked});
    return true;
}

void ClockMonitor::AddPoint(const OffsetPoint& point)
{
    m_points.push_back(point);
    ++m_totalAdded;
    // Aged by the newest arrival rather than by a timer: nothing runs between
    // reports, and a silent clock's last hour stays to be looked at.
    const qint64 oldest = point.arrivalMs - KeptMs;
    while (m_points.size() > MaxPoints ||
           (m_points.size() > 1 && m_points.front().arrivalMs < oldest))
        m_points.pop_front();
    Q_EMIT PointAdded(point);
}

std::optional<OffsetStatistics> ClockMonitor::Recent() const
{
    if (m_points.empty())
        return std::nullopt;
    const int count = static_cast<int>(std::min<size_t>(m_points.size(), RecentCount));
    const auto first = m_points.end() - count;
    double sum = 0.0;
    for (auto it = first; it != m_points.end(); ++it)
        sum += it->offsetSeconds;
    const double mean = sum / count;
    double squares = 0.0;
    for (auto it = first; it != m_points.end(); ++it)
        squares += (it->offsetSeconds - mean) * (it->offsetSeconds - mean);
    return OffsetStatistics{count, mean, std::sqrt(squares / count)};
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/clock_monitor.h"

#include "session/report_offset.h"

#include <algorithm>
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
    const bool stepped =
        !m_points.empty() &&
        std::abs(point.offsetSeconds - m_points.back().offsetSeconds) >= StepSeconds;
    m_sinceStep = stepped ? 1 : std::min(m_sinceStep + 1, RecentCount);
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
    const int count =
        std::min({static_cast<int>(std::min<size_t>(m_points.size(), RecentCount)), m_sinceStep});
    const auto first = m_points.end() - count;
    double sum = 0.0;
    for (auto it = first; it != m_points.end(); ++it)
        sum += it->offsetSeconds;
    const double mean = sum / count;
    double squares = 0.0;
    for (auto it = first; it != m_points.end(); ++it)
        squares += (it->offsetSeconds - mean) * (it->offsetSeconds - mean);
    const bool sinceStep = count < RecentCount && count < static_cast<int>(m_points.size());
    return OffsetStatistics{count, sinceStep, mean, std::sqrt(squares / count)};
}

QString OffsetText(double seconds, int msDecimals)
{
    const double size = std::abs(seconds);
    if (size < 1.0)
        return QStringLiteral("%1 ms").arg(seconds * 1000.0, 0, 'f', msDecimals);
    if (size < 60.0)
        return QStringLiteral("%1 s").arg(seconds, 0, 'f', 3);
    const QString sign = seconds < 0 ? QStringLiteral("-") : QString();
    // Rounded once, to the tenth shown, so 59.96 s is "1 min 0.0 s".
    const qint64 tenths = std::llround(size * 10.0);
    const qint64 hours = tenths / 36000;
    const qint64 minutes = tenths % 36000 / 600;
    const double rest = static_cast<double>(tenths % 600) / 10.0;
    if (hours == 0)
        return QStringLiteral("%1%2 min %3 s").arg(sign).arg(minutes).arg(rest, 0, 'f', 1);
    return QStringLiteral("%1%2 h %3 min %4 s")
        .arg(sign)
        .arg(hours)
        .arg(minutes)
        .arg(rest, 0, 'f', 1);
}

} // namespace tarvo

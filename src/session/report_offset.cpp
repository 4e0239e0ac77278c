// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/report_offset.h"

#include <QDateTime>
#include <cstdlib>

namespace tarvo
{

double ReportOffsetSeconds(qint64 clockLocalMs, qint64 arrivalUs)
{
    return static_cast<double>(clockLocalMs * 1000 - arrivalUs) / 1e6;
}

std::optional<qint64> ReportInstantMs(const TimeReport& report, qint64 nearUtcMs)
{
    if (!report.valid)
        return std::nullopt;
    const QDate date(report.year, report.month, report.day);
    const QTime time(report.hour, report.minute, report.second);
    const QDateTime wall(date, time);
    if (!date.isValid() || !wall.isValid())
        return std::nullopt;
    // Every zone's offset changes by an hour or half an hour; the candidates
    // are the instants that read back as this wall-clock time.
    const qint64 base = wall.toMSecsSinceEpoch();
    std::optional<qint64> best;
    for (const qint64 shift : {0, -3600000, 3600000, -1800000, 1800000}) {
        const qint64 candidate = base + shift;
        const QDateTime back = QDateTime::fromMSecsSinceEpoch(candidate);
        if (back.date() != date || back.time() != time)
            continue;
        if (!best || std::llabs(candidate - nearUtcMs) < std::llabs(*best - nearUtcMs))
            best = candidate;
    }
    return best;
}

std::optional<double> ReportOffsetAt(const TimeReport& report, qint64 arrivalUs)
{
    const auto instant = ReportInstantMs(report, arrivalUs / 1000);
    if (!instant)
        return std::nullopt;
    return ReportOffsetSeconds(*instant, arrivalUs);
}

} // namespace tarvo

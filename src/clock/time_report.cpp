// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/time_report.h"

#include "link/bytes.h"

namespace tarvo
{

namespace
{
QString Two(int v)
{
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}
} // namespace

TimeReport DecodeTimeReport(QByteArrayView report)
{
    TimeReport r;
    if (report.size() < TimeReportLength)
        return r;
    r.second = ByteAt(report, 5);
    r.day = ByteAt(report, 6);
    r.month = ByteAt(report, 7);
    r.year = ByteAt(report, 8) + 2000;
    r.hour = ByteAt(report, 9);
    r.minute = ByteAt(report, 10);
    r.gpsLocked = ByteAt(report, 11) != 0;
    r.valid = r.hour <= 23 && r.minute <= 59 && r.second <= 59 && r.month >= 1 && r.month <= 12 &&
              r.day >= 1 && r.day <= 31 && r.year >= 2000 && r.year <= 2099;
    if (r.valid) {
        r.ClockTimeText =
            Two(r.hour) + QLatin1Char(':') + Two(r.minute) + QLatin1Char(':') + Two(r.second);
        r.ClockDateText = Two(r.month) + QLatin1Char('-') + Two(r.day) + QLatin1Char('-') +
                          QString::number(r.year);
    }
    return r;
}

QString IncomingTimeText(const TimeReport& report)
{
    return QLatin1Char(' ') + report.ClockDateText + QLatin1String("  ") + report.ClockTimeText +
           QLatin1Char(' ');
}

QString ComputerTimeText(const QDateTime& now)
{
    return now.toString(QStringLiteral(" MM-dd-yyyy  HH:mm:ss "));
}

QDateTime ClockSettingFor(const QString& clockTimeText, const QString& clockDateText)
{
    const QTime time = QTime::fromString(clockTimeText, QStringLiteral("HH:mm:ss"));
    const QStringList parts = clockDateText.split(QLatin1Char('-'));
    if (!time.isValid() || parts.size() != 3)
        return {};
    const QDate date(parts[2].toInt(), parts[0].toInt(), parts[1].toInt());
    if (!date.isValid())
        return {};
    return QDateTime(date, time);
}

bool CountDownSetTime(qint16& SetTimeCountdown)
{
    const qint16 before = SetTimeCountdown;
    --SetTimeCountdown;
    if (before == 1) {
        SetTimeCountdown = 20;
        return true;
    }
    return false;
}

std::optional<QDateTime> ReportedLocalTime(const TimeReport& r)
{
    if (!r.valid)
        return std::nullopt;
    const QDateTime t(QDate(r.year, r.month, r.day), QTime(r.hour, r.minute, r.second));
    if (!t.isValid())
        return std::nullopt;
    return t;
}

} // namespace tarvo

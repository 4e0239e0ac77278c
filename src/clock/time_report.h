// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>

namespace tarvo
{

// The clock's 12-byte running-time report: 5 second, 6 day, 7 month,
// 8 year - 2000, 9 hour, 10 minute, 11 GPS lock (non-zero = locked).
struct TimeReport {
    bool valid = false;
    bool gpsLocked = false;
    int hour = 0, minute = 0, second = 0;
    int day = 0, month = 0, year = 0;
    QString ClockTimeText; // "HH:MM:SS"
    QString ClockDateText; // "MM-DD-YYYY"
};

inline constexpr int TimeReportLength = 12;

// Valid when hour <= 23, minute and second <= 59, 1 <= month <= 12,
// 1 <= day <= 31 and 2000 <= year <= 2099; the day is not checked against the
// month, so 31 February passes here and fails only when the clock is set.
TimeReport DecodeTimeReport(QByteArrayView report);

// Text of lblIncomingTime for a valid report: " MM-DD-YYYY  HH:MM:SS ".
QString IncomingTimeText(const TimeReport& report);
inline const QString TimeNotAvailableText = QStringLiteral("Time Not Available  ");
inline const QString GpsLockedTip =
    QStringLiteral("Time and date cannot be set when clock is locked to GPS");

// Text of lblComputerTime: " MM-DD-YYYY  HH:MM:SS ".
QString ComputerTimeText(const QDateTime& now);

// The computer-clock setting a report leads to when the countdown reaches 0:
// the clock's date and time of day together, one local instant, so that no
// moment between them is ever set (a report of 00:00:00 sets midnight of the
// clock's date, not the clock's date at the computer's time of day). Invalid
// when the date does not exist (31 February) or a text is empty.
QDateTime ClockSettingFor(const QString& clockTimeText, const QString& clockDateText);

// The reported second as a local time of this computer; nullopt for an invalid
// report or a date that does not exist.
std::optional<QDateTime> ReportedLocalTime(const TimeReport& report);

// The count-down that sets the computer clock on the 5th valid report after a
// reset and then on every 20th. Returns true when this report sets the clock.
bool CountDownSetTime(qint16& SetTimeCountdown);

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Calendar arithmetic behind the DST editor: a rule "Nth (or last) weekday of a
// month" becomes 48 yearly dates, a table read from the clock is turned back into
// such a rule, and two tables become the rows of text the editor's grid shows.
// Everything here is pure: no state, no widgets, no I/O.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace tarvo
{

// The clock keeps one date per year for 48 years; entry i belongs to year
// 2000 + StartYear + i. Entries are whole days, the change hour travels apart.
inline constexpr int DstTableYears = 48;
using DstDateTable = std::array<QDate, DstTableYears>;

// Week of month 5 means "Last": the fifth occurrence where the month has one,
// otherwise the fourth.
inline constexpr int DstLastWeek = 5;

// One transition rule. Ranges match the editor's lists: WOM 1..5 (5 = Last),
// DOW 1..7 (1 = Sunday), Month 1..12, Hour 0..23.
struct DstRule {
    int WOM = 1;
    int DOW = 1;
    int Month = 1;
    int Hour = 0;

    bool operator==(const DstRule&) const = default;
};

// Day of week counted Sunday = 1 .. Saturday = 7, the clock's convention
// (QDate counts Monday = 1 .. Sunday = 7). 0 for an invalid date.
int SundayFirstDayOfWeek(QDate date);

// Fills all 48 entries for the rule, from year 2000 + StartYear. Inputs are not
// checked because the editor passes only list values; a month outside 1..12
// yields invalid dates rather than a crash.
void CalculateDates(DstDateTable& Dates, int StartYear, int DayOfWeek, int theMonth, int WOM);

// Day of week (Sunday = 1) and the week of month the day number falls in:
// days 1-7 give 1, 8-14 give 2, ... 29-31 give 5. Both 0 for an invalid date.
void FindDOWandWOM(QDate theDate, int& DOW, int& WOM);

// True when every entry is the last occurrence of its weekday in its month,
// which is what tells a "Last" table from a "4th" one.
bool LastOfTheMonthChosen(const DstDateTable& Dates);

// The rule that produces the table, read from entry 0. A week of 4 or 5 is
// decided over the whole table: "Last" only if every year is a last occurrence.
// The hour is not in the table; it is passed through. An invalid entry 0 (no
// table yet) gives the first item of every list so the editor can still show it.
DstRule RecoverRule(const DstDateTable& Dates, int Hour);

// "January" .. "December" for 1..12, empty for anything else.
QString GetMonthName(int n);

// "Mar. 09, 2025": three letters of the month name and a full stop (May too),
// two-digit day, four-digit year. Empty for an invalid date.
QString DstDateText(QDate date);

// One grid row of the editor: row number text, spring date text, fall date text.
struct DstDisplayRow {
    QString number;
    QString spring;
    QString fall;

    bool operator==(const DstDisplayRow&) const = default;
};

// 48 rows pairing the tables year by year when the spring change comes first in
// the year; 47 rows pairing each spring date with the next year's fall date when
// spring falls on or after fall (southern hemisphere), so every row is one DST
// period.
QList<DstDisplayRow> DstDisplayRows(const DstDateTable& sDates, const DstDateTable& fDates);

// The items of the editor's four rule lists, in index order. The window must use
// these exactly: a rule field is the item index + 1 (hour: the index itself).
QStringList DstWeekOfMonthItems(); // "1st" .. "4th", "Last"
QStringList DstDayOfWeekItems();   // "Sun.", "Mon.", "Tues.", ...
QStringList DstMonthItems();       // "Jan." .. "May" .. "Dec."
QStringList DstHourItems();        // "12:00 AM", "1:00 AM" .. "11:00 PM"

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "dst/dst_calc.h"

namespace tarvo
{

int SundayFirstDayOfWeek(QDate date)
{
    if (!date.isValid())
        return 0;
    return date.dayOfWeek() % 7 + 1;
}

void CalculateDates(DstDateTable& Dates, int StartYear, int DayOfWeek, int theMonth, int WOM)
{
    for (int i = 0; i < DstTableYears; ++i) {
        const QDate first(2000 + StartYear + i, theMonth, 1);
        const int wd = SundayFirstDayOfWeek(first);
        const int offset = DayOfWeek >= wd ? DayOfWeek - wd : 7 - (wd - DayOfWeek);
        const QDate firstOccurrence = first.addDays(offset);
        if (WOM == DstLastWeek) {
            // The fourth occurrence always lies in the month; a fifth exists only
            // in some years, and "Last" must take it whenever it does.
            const QDate fourth = firstOccurrence.addDays(21);
            const QDate fifth = fourth.addDays(7);
            Dates[i] = fifth.month() == fourth.month() ? fifth : fourth;
        } else {
            Dates[i] = firstOccurrence.addDays((WOM - 1) * 7);
        }
    }
}

void FindDOWandWOM(QDate theDate, int& DOW, int& WOM)
{
    if (!theDate.isValid()) {
        DOW = 0;
        WOM = 0;
        return;
    }
    DOW = SundayFirstDayOfWeek(theDate);
    const int d = theDate.day();
    WOM = d % 7 == 0 ? d / 7 : d / 7 + 1;
}

bool LastOfTheMonthChosen(const DstDateTable& Dates)
{
    for (const QDate& date : Dates) {
        if (date.addDays(7).month() == date.month())
            return false;
    }
    return true;
}

DstRule RecoverRule(const DstDateTable& Dates, int Hour)
{
    DstRule rule;
    rule.Hour = Hour;
    if (!Dates[0].isValid())
        return rule;
    FindDOWandWOM(Dates[0], rule.DOW, rule.WOM);
    rule.Month = Dates[0].month();
    // Day 22 to 28 can be the 4th or the last occurrence; only the other years
    // tell which rule made the table.
    if (rule.WOM >= 4)
        rule.WOM = LastOfTheMonthChosen(Dates) ? DstLastWeek : 4;
    return rule;
}

QString GetMonthName(int n)
{
    static const char* const names[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
    if (n < 1 || n > 12)
        return {};
    return QString::fromLatin1(names[n - 1]);
}

QString DstDateText(QDate date)
{
    if (!date.isValid())
        return {};
    return QStringLiteral("%1. %2, %3")
        .arg(GetMonthName(date.month()).left(3))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QList<DstDisplayRow> DstDisplayRows(const DstDateTable& sDates, const DstDateTable& fDates)
{
    const bool springFirst = sDates[0] < fDates[0];
    const int rows = springFirst ? DstTableYears : DstTableYears - 1;
    const int fallShift = springFirst ? 0 : 1;
    QList<DstDisplayRow> result;
    result.reserve(rows);
    for (int i = 0; i < rows; ++i)
        result.append(
            {QString::number(i + 1), DstDateText(sDates[i]), DstDateText(fDates[i + fallShift])});
    return result;
}

QStringList DstWeekOfMonthItems()
{
    return {QStringLiteral("1st"), QStringLiteral("2nd"), QStringLiteral("3rd"),
            QStringLiteral("4th"), QStringLiteral("Last")};
}

QStringList DstDayOfWeekItems()
{
    return {QStringLiteral("Sun."), QStringLiteral("Mon."), QStringLiteral("Tues."),
            QStringLiteral("Wed."), QStringLiteral("Thu."), QStringLiteral("Fri."),
            QStringLiteral("Sat.")};
}

QStringList DstMonthItems()
{
    return {QStringLiteral("Jan."), QStringLiteral("Feb."), QStringLiteral("Mar."),
            QStringLiteral("Apr."), QStringLiteral("May"),  QStringLiteral("Jun."),
            QStringLiteral("Jul."), QStringLiteral("Aug."), QStringLiteral("Sep."),
            QStringLiteral("Oct."), QStringLiteral("Nov."), QStringLiteral("Dec.")};
}

QStringList DstHourItems()
{
    QStringList items;
    items.reserve(24);
    for (int hour = 0; hour < 24; ++hour) {
        const int twelve = hour % 12 == 0 ? 12 : hour % 12;
        items.append(QStringLiteral("%1:00 %2").arg(twelve).arg(hour < 12 ? "AM" : "PM"));
    }
    return items;
}

} // namespace tarvo

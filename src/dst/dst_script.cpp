// SPDX-License-Identifier: GPL-3.0-or-later
#include "dst/dst_script.h"

#include <QJsonArray>

namespace tarvo
{

namespace
{

const QStringList& DayNames()
{
    static const QStringList names = {"sunday",   "monday", "tuesday", "wednesday",
                                      "thursday", "friday", "saturday"};
    return names;
}

const QStringList& WeekWords()
{
    static const QStringList words = {"1st", "2nd", "3rd", "4th", "last"};
    return words;
}

// Index of `word` in `names`, by the whole name or its first three letters.
int FindName(const QStringList& names, const QString& word)
{
    const QString w = word.toLower();
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (w == names[i] || (w.size() >= 3 && names[i].startsWith(w)))
            return static_cast<int>(i);
    }
    return -1;
}

QStringList MonthNames()
{
    QStringList names;
    for (int m = 1; m <= 12; ++m)
        names.append(GetMonthName(m).toLower());
    return names;
}

QString DateText(const QDate& date, int hour)
{
    return date.isValid() ? date.toString(Qt::ISODate) + QStringLiteral(" %1:00").arg(hour)
                          : QStringLiteral("no date");
}

} // namespace

std::optional<DstRule> ParseDstRule(const QString& text, QString* error)
{
    const QStringList words = text.simplified().split(u' ', Qt::SkipEmptyParts);
    const auto fail = [&](const QString& why) -> std::optional<DstRule> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (words.size() != 4)
        return fail(QStringLiteral("\"%1\" is not a rule: write week, day, month and hour, as in "
                                   "\"2nd Sun Mar 2:00\"")
                        .arg(text));
    DstRule rule;
    const int week = static_cast<int>(WeekWords().indexOf(words[0].toLower()));
    if (week < 0)
        return fail(
            QStringLiteral("\"%1\" is not a week: 1st, 2nd, 3rd, 4th or last").arg(words[0]));
    rule.WOM = week + 1;
    const int day = FindName(DayNames(), words[1]);
    if (day < 0)
        return fail(QStringLiteral("\"%1\" is not a day of the week").arg(words[1]));
    rule.DOW = day + 1;
    const int month = FindName(MonthNames(), words[2]);
    if (month < 0)
        return fail(QStringLiteral("\"%1\" is not a month").arg(words[2]));
    rule.Month = month + 1;
    QString hourText = words[3];
    if (hourText.endsWith(QLatin1String(":00")))
        hourText.chop(3);
    bool ok = false;
    const int hour = hourText.toInt(&ok);
    if (!ok || hourText.size() > 2 || hour < 0 || hour > 23)
        return fail(
            QStringLiteral("\"%1\" is not an hour: 0:00 to 23:00, on the hour").arg(words[3]));
    rule.Hour = hour;
    return rule;
}

QString DstRuleText(const DstRule& rule)
{
    const QString week = WeekWords().value(rule.WOM - 1, QStringLiteral("?"));
    QString day = DayNames().value(rule.DOW - 1, QStringLiteral("?")).left(3);
    QString month = GetMonthName(rule.Month).left(3);
    if (!day.isEmpty())
        day[0] = day[0].toUpper();
    return QStringLiteral("%1 %2 %3 %4:00").arg(week, day, month).arg(rule.Hour);
}

DstPlan PlanDst(const DstRule& spring, const DstRule& fall, int startYear)
{
    DstPlan plan;
    plan.startYear = startYear;
    plan.spring = spring;
    plan.fall = fall;
    CalculateDates(plan.springDates, startYear, spring.DOW, spring.Month, spring.WOM);
    CalculateDates(plan.fallDates, startYear, fall.DOW, fall.Month, fall.WOM);
    return plan;
}

QJsonObject DstToJson(const DstTables& tables)
{
    QJsonObject o;
    if (!tables.present)
        return o;
    o[u"springRule"] = DstRuleText(RecoverRule(tables.spring, tables.springHour));
    o[u"fallRule"] = DstRuleText(RecoverRule(tables.fall, tables.fallHour));
    o[u"firstYear"] = tables.spring[0].isValid() ? tables.spring[0].year() : 0;
    QJsonArray years;
    for (int i = 0; i < DstTableYears; ++i) {
        years.append(
            QJsonObject{{QStringLiteral("spring"), DateText(tables.spring[i], tables.springHour)},
                        {QStringLiteral("fall"), DateText(tables.fall[i], tables.fallHour)}});
    }
    o[u"changes"] = years;
    return o;
}

const QStringList& DstFieldOrder()
{
    static const QStringList order{QStringLiteral("springRule"), QStringLiteral("fallRule"),
                                   QStringLiteral("firstYear"),  QStringLiteral("changes"),
                                   QStringLiteral("spring"),     QStringLiteral("fall")};
    return order;
}

QStringList DstDifferences(const DstPlan& wanted, const DstTables& actual)
{
    QStringList out;
    if (!actual.present)
        return {QStringLiteral("the clock sent no DST tables")};
    for (int i = 0; i < DstTableYears; ++i) {
        const int year = 2000 + wanted.startYear + i;
        const QString w1 = DateText(wanted.springDates[i], wanted.spring.Hour);
        const QString a1 = DateText(actual.spring[i], actual.springHour);
        if (w1 != a1)
            out.append(
                QStringLiteral("spring %1: wanted %2, the clock has %3").arg(year).arg(w1, a1));
        const QString w2 = DateText(wanted.fallDates[i], wanted.fall.Hour);
        const QString a2 = DateText(actual.fall[i], actual.fallHour);
        if (w2 != a2)
            out.append(
                QStringLiteral("fall %1: wanted %2, the clock has %3").arg(year).arg(w2, a2));
    }
    return out;
}

} // namespace tarvo

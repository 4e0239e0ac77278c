// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// DST rules as a script writes them ("2nd Sun Mar 2:00") and the clock's tables
// as a script reads them. Pure: no I/O.

#include "dst/dst_record.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace tarvo
{

// Week ("1st".."4th", "last"), day ("Sun".."Sat" or the full name), month
// ("Jan".."Dec" or the full name) and the hour of the change ("2:00", 0 to 23;
// the clock changes on the hour). Case does not matter. On failure `error`
// says which word is wrong and why.
std::optional<DstRule> ParseDstRule(const QString& text, QString* error);
QString DstRuleText(const DstRule& rule);

// The two tables a pair of rules gives, 48 years from 2000 + startYear.
struct DstPlan {
    int startYear = 0; // years after 2000
    DstRule spring;
    DstRule fall;
    DstDateTable springDates{};
    DstDateTable fallDates{};
};
DstPlan PlanDst(const DstRule& spring, const DstRule& fall, int startYear);

// The clock's tables: the rules they follow and every year's two dates.
QJsonObject DstToJson(const DstTables& tables);
// Its fields in the tables' order, spring before fall, for text listing them so.
const QStringList& DstFieldOrder();

// "spring 2031: wanted 2031-03-09 2:00, the clock has ..." for every year and
// hour where the clock's tables are not the plan's.
QStringList DstDifferences(const DstPlan& wanted, const DstTables& actual);

} // namespace tarvo

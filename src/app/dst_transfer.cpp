// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dst_transfer.h"

#include "app/program_state.h"

namespace tarvo
{

namespace
{

int& FieldOf(DstRule& rule, DstField field)
{
    switch (field) {
    case DstField::WOM:
        return rule.WOM;
    case DstField::DOW:
        return rule.DOW;
    case DstField::Month:
        return rule.Month;
    case DstField::Hour:
        break;
    }
    return rule.Hour;
}

// Hours are list indices; the other fields count from 1.
int FirstValue(DstField field)
{
    return field == DstField::Hour ? 0 : 1;
}

} // namespace

QStringList DstFieldItems(DstField field)
{
    switch (field) {
    case DstField::WOM:
        return DstWeekOfMonthItems();
    case DstField::DOW:
        return DstDayOfWeekItems();
    case DstField::Month:
        return DstMonthItems();
    case DstField::Hour:
        break;
    }
    return DstHourItems();
}

bool AcceptDstRecord(ProgramState& state, const QByteArray& record101)
{
    DstTables tables = ParseDSTDates(record101);
    if (!tables.present)
        return false;
    state.clockDst = tables;
    return true;
}

DstEditorState LoadInitialDateInfo(const DstTables& clock, int currentYear)
{
    DstEditorState editor;
    editor.StartYear = currentYear - 2000;
    const auto inDay = [](int hour) { return hour >= 0 && hour <= 23; };
    editor.spring = RecoverRule(clock.spring, inDay(clock.springHour) ? clock.springHour : 1);
    editor.fall = RecoverRule(clock.fall, inDay(clock.fallHour) ? clock.fallHour : 2);
    return editor;
}

void UpdateDates(DstEditorState& editor)
{
    CalculateDates(editor.sDates, editor.StartYear, editor.spring.DOW, editor.spring.Month,
                   editor.spring.WOM);
    CalculateDates(editor.fDates, editor.StartYear, editor.fall.DOW, editor.fall.Month,
                   editor.fall.WOM);
}

void ChooseRuleItem(DstRule& rule, DstField field, int index)
{
    if (index < 0 || index >= DstFieldItems(field).size())
        return;
    FieldOf(rule, field) = index + FirstValue(field);
}

QString RuleCaption(const DstRule& rule, DstField field)
{
    DstRule copy = rule;
    return DstFieldItems(field).value(FieldOf(copy, field) - FirstValue(field));
}

QList<DstDisplayRow> DstGridRows(const DstDateTable& sDates, const DstDateTable& fDates)
{
    QList<DstDisplayRow> rows = DstDisplayRows(sDates, fDates);
    while (rows.size() < DstTableYears)
        rows.append(DstDisplayRow{});
    return rows;
}

void AdoptDstDates(ProgramState& state, const DstEditorState& editor)
{
    state.clockDst.spring = editor.sDates;
    state.clockDst.fall = editor.fDates;
    state.clockDst.springHour = editor.spring.Hour;
    state.clockDst.fallHour = editor.fall.Hour;
    state.clockDst.present = true;
}

} // namespace tarvo

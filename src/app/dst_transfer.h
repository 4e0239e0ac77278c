// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The DST editor's working state and the transfer of the DST tables in both
// directions, without widgets: the window shows this state and forwards the
// operator's choices here.

#include "dst/dst_calc.h"
#include "dst/dst_record.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tarvo
{

struct ProgramState;

// One opening of the editor: the two rules, the first year of the tables it
// computes (years after 2000) and the two tables computed from the rules.
struct DstEditorState {
    int StartYear = 0;
    DstRule spring;
    DstRule fall;
    DstDateTable sDates{};
    DstDateTable fDates{};
};

// The four rule fields an editor list sets.
enum class DstField { WOM, DOW, Month, Hour };

// Decodes the clock's record into the clock's tables. A refused record leaves
// what was there. True when the tables were taken.
bool AcceptDstRecord(ProgramState& state, const QByteArray& record101);

// The editor's state at opening: the rules read back from the clock's tables
// (hours out of 0..23 become 1 for spring and 2 for fall), tables to come from
// `currentYear`. The working tables stay empty until a rule changes: until then
// the clock's own tables are shown and there is nothing to send.
DstEditorState LoadInitialDateInfo(const DstTables& clock, int currentYear);

// Recomputes both tables from both rules and StartYear.
void UpdateDates(DstEditorState& editor);

// A list choice: week of month, day of week and month take the item index + 1,
// the hour the index itself. An index outside the list changes nothing.
void ChooseRuleItem(DstRule& rule, DstField field, int index);

// The items of the editor's list for a field.
QStringList DstFieldItems(DstField field);

// The list item a field shows; empty when the field is outside its list.
QString RuleCaption(const DstRule& rule, DstField field);

// Always 48 grid rows: the display rows of the two tables, and an empty 48th row
// when the tables pair into only 47, so nothing of an earlier display remains.
QList<DstDisplayRow> DstGridRows(const DstDateTable& sDates, const DstDateTable& fDates);

inline const QString DstNotSentMessage = QStringLiteral(
    "The dates were not sent: no clock is connected on the link in use. Connect to the clock "
    "and press Send again.");
// The editor's tables as the clock's own, once they went out.
void AdoptDstDates(ProgramState& state, const DstEditorState& editor);

} // namespace tarvo

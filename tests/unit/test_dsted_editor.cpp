// SPDX-License-Identifier: GPL-3.0-or-later
// The DST editor's state without its window: what the rule words show for a
// table the clock reported, what a list choice does to a rule, and that Send
// takes the dates as the clock's own.
#include "app/dst_transfer.h"
#include "app/panel.h"
#include "support/panel_access.h"
#include "support/test_registry.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tarvo;

namespace
{

// The clock's record for two rules, as the clock would report it.
QByteArray RecordFor(const DstRule& spring, const DstRule& fall, int startYear)
{
    DstDateTable s;
    DstDateTable f;
    CalculateDates(s, startYear, spring.DOW, spring.Month, spring.WOM);
    CalculateDates(f, startYear, fall.DOW, fall.Month, fall.WOM);
    return BuildDstRecord(s, f, spring, fall, startYear);
}

QStringList Captions(const DstRule& rule)
{
    return {RuleCaption(rule, DstField::WOM), RuleCaption(rule, DstField::DOW),
            RuleCaption(rule, DstField::Month), RuleCaption(rule, DstField::Hour)};
}

} // namespace

class TestDstEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void captionsFromTheClocksRecord_data();
    void captionsFromTheClocksRecord();
    void hoursOutsideTheDayFallBack();
    void listChoiceSetsTheField_data();
    void listChoiceSetsTheField();
    void sendKeepsUnsentDatesOutOfTheClockTables_data();
    void sendKeepsUnsentDatesOutOfTheClockTables();
};

void TestDstEditor::captionsFromTheClocksRecord_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QStringList>("spring");
    QTest::addColumn<QStringList>("fall");

    // 25 October 2026 lies in week 4; only the whole table says "Last".
    QTest::newRow("EU last Sundays") << RecordFor({5, 1, 3, 1}, {5, 1, 10, 2}, 26)
                                     << QStringList{"Last", "Sun.", "Mar.", "1:00 AM"}
                                     << QStringList{"Last", "Sun.", "Oct.", "2:00 AM"};
    QTest::newRow("4th is not Last") << RecordFor({4, 1, 3, 12}, {4, 7, 10, 23}, 30)
                                     << QStringList{"4th", "Sun.", "Mar.", "12:00 PM"}
                                     << QStringList{"4th", "Sat.", "Oct.", "11:00 PM"};
    QTest::newRow("southern, midnight") << RecordFor({1, 1, 10, 0}, {1, 1, 4, 3}, 26)
                                        << QStringList{"1st", "Sun.", "Oct.", "12:00 AM"}
                                        << QStringList{"1st", "Sun.", "Apr.", "3:00 AM"};

    // Month byte 0 gives December dates of the year before; hour 24 is 0.
    QByteArray december = RecordFor({2, 1, 3, 2}, {1, 1, 11, 2}, 26);
    december[1] = char(24);
    december[3] = char(0);
    for (int i = 0; i < 48; ++i)
        december[5 + 2 * i] = char(10);
    const QDate first(2025, 12, 10); // a Wednesday in week 2
    QCOMPARE(first.dayOfWeek(), 3);
    QTest::newRow("month 0, hour 24") << december << QStringList{"2nd", "Wed.", "Dec.", "12:00 AM"}
                                      << QStringList{"1st", "Sun.", "Nov.", "2:00 AM"};
}

void TestDstEditor::captionsFromTheClocksRecord()
{
    QFETCH(QByteArray, record);
    QFETCH(QStringList, spring);
    QFETCH(QStringList, fall);

    ProgramState state;
    QVERIFY(AcceptDstRecord(state, record));
    const DstEditorState editor = LoadInitialDateInfo(state.clockDst, 2031);
    QCOMPARE(Captions(editor.spring), spring);
    QCOMPARE(Captions(editor.fall), fall);
    QCOMPARE(editor.StartYear, 31);
}

void TestDstEditor::hoursOutsideTheDayFallBack()
{
    ProgramState state;
    QVERIFY(AcceptDstRecord(state, RecordFor({2, 1, 3, 2}, {1, 1, 11, 2}, 26)));
    DstTables tables = state.clockDst;
    tables.springHour = 24;
    tables.fallHour = -1;
    const DstEditorState editor = LoadInitialDateInfo(tables, 2026);
    QCOMPARE(RuleCaption(editor.spring, DstField::Hour), QStringLiteral("1:00 AM"));
    QCOMPARE(RuleCaption(editor.fall, DstField::Hour), QStringLiteral("2:00 AM"));

    // A short record is refused and the tables stay as they were.
    QVERIFY(!AcceptDstRecord(state, QByteArray(100, '\x05')));
    QCOMPARE(state.clockDst.spring[0], QDate(2026, 3, 8));
}

void TestDstEditor::listChoiceSetsTheField_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("caption");

    QTest::newRow("Last") << int(DstField::WOM) << 4 << 5 << "Last";
    QTest::newRow("Sat.") << int(DstField::DOW) << 6 << 7 << "Sat.";
    QTest::newRow("Dec.") << int(DstField::Month) << 11 << 12 << "Dec.";
    QTest::newRow("11:00 PM") << int(DstField::Hour) << 23 << 23 << "11:00 PM";
    // Outside the list: the field keeps its value (2, 1, 3, 2).
    QTest::newRow("WOM past end") << int(DstField::WOM) << 5 << 2 << "2nd";
    QTest::newRow("hour past end") << int(DstField::Hour) << 24 << 2 << "2:00 AM";
}

void TestDstEditor::listChoiceSetsTheField()
{
    QFETCH(int, field);
    QFETCH(int, index);
    QFETCH(int, value);
    QFETCH(QString, caption);

    DstRule rule{2, 1, 3, 2};
    const auto f = static_cast<DstField>(field);
    ChooseRuleItem(rule, f, index);
    const int got[] = {rule.WOM, rule.DOW, rule.Month, rule.Hour};
    QCOMPARE(got[field], value);
    QCOMPARE(RuleCaption(rule, f), caption);
}

void TestDstEditor::sendKeepsUnsentDatesOutOfTheClockTables_data()
{
    QTest::addColumn<bool>("clockFound");
    QTest::addColumn<int>("connectionType");

    // Serial with no port open, network with no socket, an unknown link, and
    // no clock at all: nothing can go out, so the clock's tables stay as the
    // clock reported them.
    QTest::newRow("serial, port closed") << true << 0;
    QTest::newRow("network, no socket") << true << 1;
    QTest::newRow("no clock") << false << 0;
}

void TestDstEditor::sendKeepsUnsentDatesOutOfTheClockTables()
{
    QFETCH(bool, clockFound);
    QFETCH(int, connectionType);

    QTemporaryDir dir;
    Panel::Options options;
    options.serialDevicesGiven = true;
    options.localAddresses = {QStringLiteral("127.0.0.1")};
    options.settingsFile = dir.filePath(QStringLiteral("settings.conf"));
    options.logSystemClock = true;
    Panel panel(options);
    ProgramState& state = PanelTestAccess::State(panel);
    QVERIFY(AcceptDstRecord(state, RecordFor({2, 1, 3, 2}, {1, 1, 11, 2}, 20)));
    state.ClockFound = clockFound;
    state.clockConnection.ConnectionType = connectionType;

    DstEditorState editor = LoadInitialDateInfo(state.clockDst, 2026);
    ChooseRuleItem(editor.spring, DstField::WOM, 4);
    ChooseRuleItem(editor.spring, DstField::Hour, 1);
    ChooseRuleItem(editor.fall, DstField::Month, 9);
    ChooseRuleItem(editor.fall, DstField::Hour, 3);
    UpdateDates(editor);
    const DstTables before = state.clockDst;
    QVERIFY(!panel.SendDstDates(editor));

    QVERIFY(state.clockDst.present);
    QCOMPARE(state.clockDst.spring, before.spring);
    QCOMPARE(state.clockDst.fall, before.fall);
    QCOMPARE(state.clockDst.springHour, before.springHour);
    QVERIFY(state.clockDst.spring != editor.sDates);
    // What is adopted once the dates did go out.
    AdoptDstDates(state, editor);
    QCOMPARE(state.clockDst.spring[0], QDate(2026, 3, 29));
    QCOMPARE(state.clockDst.fall[0], QDate(2026, 10, 4));
    QCOMPARE(state.clockDst.springHour, 1);
    QCOMPARE(state.clockDst.fallHour, 3);
}

TARVO_TEST_CLASS(TestDstEditor)
#include "test_dsted_editor.moc"

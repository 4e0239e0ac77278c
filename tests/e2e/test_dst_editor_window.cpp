// SPDX-License-Identifier: GPL-3.0-or-later
// The "DST Settings" window on its own: what it shows when it opens, how the
// rule words open their lists by mouse and keyboard, what a choice does to the
// grid, and the 47-row case.
#include "app/dst_transfer.h"
#include "app/panel.h"
#include "support/panel_access.h"
#include "support/test_registry.h"
#include "ui/frmDST.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace tarvo;

namespace
{

QByteArray RecordFor(const DstRule& spring, const DstRule& fall, int startYear)
{
    DstDateTable s;
    DstDateTable f;
    CalculateDates(s, startYear, spring.DOW, spring.Month, spring.WOM);
    CalculateDates(f, startYear, fall.DOW, fall.Month, fall.WOM);
    return BuildDstRecord(s, f, spring, fall, startYear);
}

QString Cell(frmDST& w, int row, int column)
{
    return w.findChild<QTableWidget*>("scgDates")->item(row, column)->text();
}

QString Word(frmDST& w, const char* name)
{
    return w.findChild<QPushButton*>(QLatin1String(name))->text();
}

QListWidget* List(frmDST& w, const char* name)
{
    return w.findChild<QListWidget*>(QLatin1String(name));
}

int VisibleLists(frmDST& w)
{
    int n = 0;
    for (QListWidget* list : w.findChildren<QListWidget*>())
        n += list->isVisible() ? 1 : 0;
    return n;
}

void ClickItem(QListWidget* list, const QString& text)
{
    QListWidgetItem* item = list->findItems(text, Qt::MatchExactly).value(0);
    QVERIFY(item);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

} // namespace

class DstEditorWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        Panel::Options options;
        options.serialDevicesGiven = true;
        options.localAddresses = {QStringLiteral("127.0.0.1")};
        options.settingsFile = m_dir.filePath(QStringLiteral("settings.conf"));
        options.logSystemClock = true;
        m_panel = std::make_unique<Panel>(options);
        // US rules from 2010 at 2:00 and 23:00.
        QVERIFY(AcceptDstRecord(PanelTestAccess::State(*m_panel),
                                RecordFor({2, 1, 3, 2}, {1, 1, 11, 23}, 10)));
        m_window = std::make_unique<frmDST>(*m_panel);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup()
    {
        m_window.reset();
        m_panel.reset();
    }

    void opensOnTheClocksOwnDates()
    {
        frmDST& w = *m_window;
        auto* frame = w.findChild<QGroupBox*>("FrameDates");
        QCOMPARE(frame->title(), QStringLiteral("Current Dates in Clock:"));
        QVERIFY(!frame->font().bold());
        QVERIFY(!w.findChild<QPushButton*>("cmdSend")->isEnabled());
        // The clock's tables as they are, from their own first year.
        QCOMPARE(Cell(w, 0, 0), QStringLiteral("1"));
        QCOMPARE(Cell(w, 0, 1), QStringLiteral("Mar. 14, 2010"));
        QCOMPARE(Cell(w, 0, 2), QStringLiteral("Nov. 07, 2010"));
        QCOMPARE(Cell(w, 47, 0), QStringLiteral("48"));
        QCOMPARE(Cell(w, 47, 1), QStringLiteral("Mar. 11, 2057"));
        const QStringList words = {Word(w, "lblSpringWOM"),   Word(w, "lblSpringDOW"),
                                   Word(w, "lblSpringMonth"), Word(w, "lblSpringTime"),
                                   Word(w, "lblFallWOM"),     Word(w, "lblFallDOW"),
                                   Word(w, "lblFallMonth"),   Word(w, "lblFallTime")};
        QCOMPARE(words, (QStringList{"2nd", "Sun.", "Mar.", "2:00 AM", "1st", "Sun.", "Nov.",
                                     "11:00 PM"}));
        // Grey date cells while they are the clock's own; the number column always.
        auto* grid = w.findChild<QTableWidget*>("scgDates");
        const QColor face = grid->palette().color(QPalette::Button);
        QCOMPARE(grid->item(3, 0)->background().color(), face);
        QCOMPARE(grid->item(3, 1)->background().color(), face);
        QCOMPARE(grid->item(3, 2)->background().color(), face);
        // Relative widths 10 / 45 / 45.
        const int width = grid->viewport()->width();
        QVERIFY(qAbs(grid->columnWidth(0) - width / 10) <= 1);
        QVERIFY(qAbs(grid->columnWidth(1) - width * 45 / 100) <= 1);
        QCOMPARE(VisibleLists(w), 0);
    }

    void keyboardOpensAndChooses()
    {
        frmDST& w = *m_window;
        auto* word = w.findChild<QPushButton*>("lblFallMonth");
        QListWidget* list = List(w, "lstFallMonth");
        word->setFocus();
        QTest::keyClick(word, Qt::Key_Space);
        QVERIFY(list->isVisible());
        QVERIFY(list->hasFocus());
        QCOMPARE(list->currentItem()->text(), QStringLiteral("Nov."));
        // Escape closes it without a change.
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!list->isVisible());
        QVERIFY(w.isVisible());
        QVERIFY(word->hasFocus());
        QVERIFY(!w.findChild<QPushButton*>("cmdSend")->isEnabled());

        QTest::keyClick(word, Qt::Key_Return);
        QVERIFY(list->isVisible());
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(!list->isVisible());
        QCOMPARE(word->text(), QStringLiteral("Oct."));
        QVERIFY(word->accessibleName().endsWith(QStringLiteral("Oct.")));
        QCOMPARE(w.Editor().fall.Month, 10);
        QVERIFY(w.findChild<QPushButton*>("cmdSend")->isEnabled());
        QVERIFY(Cell(w, 0, 2).startsWith(QStringLiteral("Oct. ")));
        // Enter chose the item only: the window is still open and nothing was sent.
        QVERIFY(w.isVisible());
        QVERIFY(!m_panel->State().clockDst.fall[0].isNull());
        QCOMPARE(m_panel->State().clockDst.fall[0].month(), 11);
    }

    void southernRulesLeaveTheLastRowEmpty()
    {
        frmDST& w = *m_window;
        QCOMPARE(Cell(w, 47, 0), QStringLiteral("48"));
        w.findChild<QPushButton*>("lblSpringMonth")->click();
        ClickItem(List(w, "lstSpringMonth"), QStringLiteral("Oct."));
        w.findChild<QPushButton*>("lblFallMonth")->click();
        ClickItem(List(w, "lstFallMonth"), QStringLiteral("Apr."));
        const int year = QDate::currentDate().year();
        QVERIFY(Cell(w, 0, 1).endsWith(QString::number(year)));
        QVERIFY(Cell(w, 0, 2).endsWith(QString::number(year + 1)));
        QCOMPARE(Cell(w, 46, 0), QStringLiteral("47"));
        QCOMPARE(Cell(w, 47, 0), QString());
        QCOMPARE(Cell(w, 47, 1), QString());
        QCOMPARE(Cell(w, 47, 2), QString());
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Panel> m_panel;
    std::unique_ptr<frmDST> m_window;
};

TARVO_TEST_CLASS(DstEditorWindow)
#include "test_dst_editor_window.moc"

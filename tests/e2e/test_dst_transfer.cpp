// SPDX-License-Identifier: GPL-3.0-or-later
// The DST tables between the program and a simulated clock, over the serial
// line and over the network: the clock's tables open in the editor, a changed
// rule is sent, and the clock reports the new tables when asked again.
#include "support/harness.h"
#include "support/panel_access.h"
#include "support/test_registry.h"
#include "ui/frmDST.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace tarvo;

namespace
{

// The n-th Sunday of a month (n = 5: the last), counted here without the
// program's own calendar code.
QDate Sunday(int year, int month, int n)
{
    if (n == 5) {
        QDate day = QDate(year, month, 1).addMonths(1).addDays(-1);
        while (day.dayOfWeek() != Qt::Sunday)
            day = day.addDays(-1);
        return day;
    }
    QDate day(year, month, 1);
    while (day.dayOfWeek() != Qt::Sunday)
        day = day.addDays(1);
    return day.addDays(7 * (n - 1));
}

QString Text(QDate date)
{
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return QStringLiteral("%1. %2, %3")
        .arg(QLatin1String(months[date.month() - 1]))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.year());
}

QString Cell(frmDST* w, int row, int column)
{
    return w->findChild<QTableWidget*>("scgDates")->item(row, column)->text();
}

frmDST* OpenEditor(frmControlPanel& window)
{
    auto* cmdDST = window.findChild<QPushButton*>("cmdDST");
    if (!cmdDST || !cmdDST->isEnabled())
        return nullptr;
    cmdDST->click();
    auto* editor = window.findChild<frmDST*>();
    return editor && editor->isVisible() ? editor : nullptr;
}

bool CloseEditor(frmControlPanel& window, frmDST* editor)
{
    editor->findChild<QPushButton*>("cmdClose")->click();
    return Harness::WaitFor([&] { return window.findChild<frmDST*>() == nullptr; }, 2000);
}

void Choose(frmDST* w, const char* word, const char* list, const QString& item)
{
    w->findChild<QPushButton*>(QLatin1String(word))->click();
    auto* lst = w->findChild<QListWidget*>(QLatin1String(list));
    QVERIFY(lst && lst->isVisible());
    QListWidgetItem* it = lst->findItems(item, Qt::MatchExactly).value(0);
    QVERIFY(it);
    lst->scrollToItem(it);
    QTest::mouseClick(lst->viewport(), Qt::LeftButton, {}, lst->visualItemRect(it).center());
    QCOMPARE(w->findChild<QPushButton*>(QLatin1String(word))->text(), item);
}

} // namespace

class DstTransfer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void transfer_data()
    {
        QTest::addColumn<bool>("network");
        QTest::addColumn<QString>("address");
        QTest::newRow("serial") << false << QString();
        QTest::newRow("network") << true << QStringLiteral("127.0.105.9");
    }

    void transfer()
    {
        QFETCH(bool, network);
        QFETCH(QString, address);
        const int year = QDate::currentDate().year();

        Harness h;
        SimOptions o;
        o.model = 229;
        o.serial = !network;
        o.udpAddress = address;
        o.reportMs = 0;
        SimulatedClock& clock = h.AddClock(o);
        QList<int> commands;
        QByteArray datagram;
        connect(&clock, &SimulatedClock::FrameReceived, this,
                [&](quint8 command, const QByteArray&, int) { commands << command; });
        connect(&clock, &SimulatedClock::DatagramReceived, this,
                [&](quint8 code, const QByteArray& d, const QHostAddress&) {
                    if (code == 12)
                        datagram = d;
                });
        h.SaveConnection(network ? 1 : 0, 1, 2, address);
        frmControlPanel& w =
            h.Start({network ? QStringLiteral("127.0.105.1") : QStringLiteral("127.0.0.1")});

        // Edit Custom Dates waits for the clock's tables.
        auto* cmdDST = w.findChild<QPushButton*>("cmdDST");
        QVERIFY(cmdDST);
        QVERIFY(!cmdDST->isEnabled());
        QVERIFY(Harness::WaitFor([&] { return cmdDST->isEnabled(); }, 8000));

        // The clock starts with US rules from this year.
        frmDST* editor = OpenEditor(w);
        QVERIFY(editor);
        QCOMPARE(editor->windowModality(), Qt::ApplicationModal);
        QCOMPARE(editor->pos(), w.pos());
        QCOMPARE(Cell(editor, 0, 1), Text(Sunday(year, 3, 2)));
        QCOMPARE(Cell(editor, 0, 2), Text(Sunday(year, 11, 1)));
        QCOMPARE(Cell(editor, 47, 1), Text(Sunday(year + 47, 3, 2)));

        // Spring: last Sunday of March at 3:00 AM.
        Choose(editor, "lblSpringWOM", "lstSpringWOM", QStringLiteral("Last"));
        Choose(editor, "lblSpringDOW", "lstSpringDOW", QStringLiteral("Sun."));
        Choose(editor, "lblSpringMonth", "lstSpringMonth", QStringLiteral("Mar."));
        Choose(editor, "lblSpringTime", "lstSpringTime", QStringLiteral("3:00 AM"));
        QCOMPARE(Cell(editor, 0, 1), Text(Sunday(year, 3, 5)));
        commands.clear();
        editor->findChild<QPushButton*>("cmdSend")->click();
        QCOMPARE(editor->findChild<QGroupBox*>("FrameDates")->title(),
                 QStringLiteral("Current Dates in Clock:"));
        QVERIFY(!editor->findChild<QPushButton*>("cmdSend")->isEnabled());

        // The clock stored what was sent.
        if (network) {
            QVERIFY(Harness::WaitFor([&] { return !datagram.isEmpty(); }, 3000));
            QCOMPARE(datagram.size(), 131);
            QCOMPARE(datagram.mid(1, 4), QByteArray("7315"));
            QCOMPARE(datagram.mid(106), QByteArray(25, '\0'));
        } else {
            QVERIFY(Harness::WaitFor([&] { return commands.size() >= 4; }, 3000));
            QCOMPARE(commands.mid(0, 4), (QList<int>{21, 22, 23, 24}));
        }
        QVERIFY(Harness::WaitFor([&] { return clock.State().Dst().springHour == 3; }, 3000));
        const SimDstTables& stored = clock.State().Dst();
        QCOMPARE(int(stored.startYear), year - 2000);
        QCOMPARE(int(stored.springMonth), 3);
        QCOMPARE(int(stored.fallMonth), 11);
        QCOMPARE(int(stored.fallHour), 2);
        for (int i = 0; i < 48; ++i) {
            QCOMPARE(int(stored.springDays[i]), Sunday(year + i, 3, 5).day());
            QCOMPARE(int(stored.fallDays[i]), Sunday(year + i, 11, 1).day());
        }
        QVERIFY(CloseEditor(w, editor));

        // Ask the clock again, with the program's copy cleared first, so the
        // editor can only show what the clock reports.
        PanelTestAccess::State(h.Core()).clockDst = DstTables{};
        PanelTestAccess::State(h.Core()).LastDstRecord.clear();
        if (network)
            Spawn(&h.Core(), h.Core().RequestSettingsViaNetwork());
        else
            Spawn(&h.Core(), h.Core().ConnectViaSerial());
        QVERIFY(Harness::WaitFor([&] { return h.State().clockDst.present; }, 5000));

        editor = OpenEditor(w);
        QVERIFY(editor);
        QCOMPARE(editor->findChild<QPushButton*>("lblSpringWOM")->text(), QStringLiteral("Last"));
        QCOMPARE(editor->findChild<QPushButton*>("lblSpringTime")->text(),
                 QStringLiteral("3:00 AM"));
        QCOMPARE(editor->findChild<QPushButton*>("lblFallWOM")->text(), QStringLiteral("1st"));
        for (int row : {0, 1, 30, 47}) {
            QCOMPARE(Cell(editor, row, 0), QString::number(row + 1));
            QCOMPARE(Cell(editor, row, 1), Text(Sunday(year + row, 3, 5)));
            QCOMPARE(Cell(editor, row, 2), Text(Sunday(year + row, 11, 1)));
        }
        QVERIFY(CloseEditor(w, editor));
    }
};

TARVO_TEST_CLASS(DstTransfer)
#include "test_dst_transfer.moc"

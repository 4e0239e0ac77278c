// SPDX-License-Identifier: GPL-3.0-or-later
// Finding clocks with the real program: the first-clock-wins search after an
// unanswered start-up, the search window's list of every clock on both links,
// discovery on the network, and the manual network connection.
#include "app/clock_search.h"
#include "support/connect_helpers.h"
#include "support/harness.h"
#include "support/test_registry.h"
#include "ui/frmSearch.h"
#include "ui/ip_address_edit.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

using namespace tarvo;

namespace
{
QString SearchStatus(const frmSearch& dialog)
{
    // The text sits in a label inside the status bar, where a screen reader reads it.
    const auto* bar = dialog.findChild<QStatusBar*>(QStringLiteral("StatusBar"));
    return bar->findChild<QLabel*>(QStringLiteral("lblStatus"))->text();
}

QStringList GridColumn(const frmSearch& dialog, int column)
{
    auto* grid = dialog.findChild<QTableWidget*>(QStringLiteral("scgSearch"));
    QStringList out;
    for (int row = 0; row < grid->rowCount(); ++row)
        out << grid->item(row, column)->text();
    return out;
}

// A simulated clock of this model on a serial line, at a network address, or both.
SimOptions Clock(int model, bool serial, const QString& udpAddress = {})
{
    SimOptions o;
    o.model = model;
    o.serial = serial;
    o.udpAddress = udpAddress;
    return o;
}

QAction* MenuAction(frmControlPanel& w, const char* name)
{
    return w.menuBar()->findChild<QAction*>(QLatin1String(name));
}
} // namespace

class ConnectSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstClockWinsSkipsTheModelThatDoesNotAnswer()
    {
        Harness h;
        h.AddDeadPort();                                      // port 1: nothing answers
        SimulatedClock& clock = h.AddClock(Clock(229, true)); // port 2
        QList<int> probes;
        connect(&clock, &SimulatedClock::FrameReceived, this,
                [&](quint8 command, const QByteArray&, int clockType) {
                    if (command == 1)
                        probes << clockType;
                });
        h.SaveConnection(0, 1, 1);
        frmControlPanel& w = h.Start({"127.0.201.1"});

        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 20000));
        QCOMPARE(h.Status(), QStringLiteral("Clock Found on Comport 2"));
        // Port 2 heard the model 226 probe first, then the 229 probe that it
        // answered, then the connect's own request.
        QCOMPARE(probes.mid(0, 3), (QList<int>{1, 2, 2}));
        const ClockConnection saved = h.Core().Store().Load().connection;
        QCOMPARE(saved.ConnectionType, 0);
        QCOMPARE(saved.Comport, qint16(2));
        QCOMPARE(saved.ClockType, qint16(2));
        QVERIFY(Harness::WaitFor([&] { return w.FrameSerial()->isVisible(); }, 2000));
    }

    void searchWindowOpenedDuringTheStartUpSearchFinishes()
    {
        // Nothing answers at start-up: after four seconds the program probes
        // the port with every model and then listens on the network. The
        // operator opens the search window in the middle of that.
        Harness h;
        h.AddDeadPort();
        h.SaveConnection(0, 1, 1);
        frmControlPanel& w = h.Start({"127.0.205.1"});
        QSignalSpy progress(&h.Core(), &Panel::SearchProgress);
        QVERIFY(Harness::WaitFor([&] { return h.Core().RunningSearch() != nullptr; }, 10000));
        QVERIFY(Harness::WaitFor([&] { return progress.count() >= 2; }, 5000));

        MenuAction(w, "mnuSearch")->trigger();
        QPointer<frmSearch> dialog = w.findChild<frmSearch*>();
        QVERIFY(dialog);
        // The window waits for the running search, then runs its own: both
        // end, and the window can be closed.
        QVERIFY(Harness::WaitFor([&] { return SearchStatus(*dialog).startsWith("Found"); }, 30000));
        QCOMPARE(SearchStatus(*dialog), QStringLiteral("Found 0 connections."));
        QVERIFY(!h.Core().RunningSearch());
        QVERIFY(!h.State().SearchInProgress);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdClose")),
                          Qt::LeftButton);
        QVERIFY(Harness::WaitFor([&] { return dialog.isNull() || !dialog->isVisible(); }, 3000));
        // Two searches, one after the other: never two probes at once.
        int listening = 0;
        for (const QList<QVariant>& args : progress)
            listening += args.at(0).toString().startsWith(QStringLiteral("Listening"));
        QCOMPARE(listening, 2);
    }

    void searchWindowListsEveryClockAndConnectsTheTickedOne()
    {
        Harness h;
        h.AddClock(Clock(226, true)); // port 1
        h.AddClock(Clock(207, true)); // port 2
        SimulatedClock& netClock = h.AddClock(Clock(229, false, "127.0.202.20"));
        QList<QByteArray> passwords;
        connect(&netClock, &SimulatedClock::DatagramReceived, this,
                [&](quint8 code, const QByteArray& d, const QHostAddress&) {
                    if (code != 4)
                        passwords << d.mid(1, 4);
                });
        h.SaveConnection(0, 1, 1);
        frmControlPanel& w = h.Start({"127.0.202.1"});
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 8000));
        h.Core().SetNetworkPassword("zzzz");

        frmSearch dialog(h.Core(), &w);
        dialog.show();
        auto* cmdSearch = dialog.findChild<QPushButton*>(QStringLiteral("cmdSearch"));
        auto* cmdCancel = dialog.findChild<QPushButton*>(QStringLiteral("cmdCancelSearch"));
        auto* progress = dialog.findChild<QLabel*>(QStringLiteral("lblSearchProgress"));
        // The search runs inside the window's start timer; a sampling timer
        // sees what the operator would see meanwhile.
        QStringList seen;
        bool buttonsLockedWhileSearching = true;
        bool lineKept = true;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            if (!dialog.IsSearching())
                return;
            buttonsLockedWhileSearching =
                buttonsLockedWhileSearching && !cmdSearch->isEnabled() && cmdCancel->isEnabled();
            lineKept = lineKept && h.Core().Session().Port().IsOpen() &&
                       h.Core().Session().Port().CurrentPort() == 1;
            if (!progress->text().isEmpty() && !seen.contains(progress->text()))
                seen << progress->text();
        });
        sampler.start(50);
        QVERIFY(Harness::WaitFor([&] { return SearchStatus(dialog).startsWith("Found"); }, 25000));
        sampler.stop();
        QVERIFY(buttonsLockedWhileSearching);
        // The clock in use keeps its line while the other ports are probed.
        QVERIFY(lineKept);
        QVERIFY(seen.contains("Asking Comport 2 for a model 207 clock ..."));
        QVERIFY(seen.contains("Listening for clocks on the network ..."));
        // The clock in use heads the list; found again on its port it is
        // still one row, marked as the one in use.
        QCOMPARE(SearchStatus(dialog), QStringLiteral("Found 3 connections."));
        QCOMPARE(GridColumn(dialog, 1), (QStringList{"Comport 1", "Comport 2", "127.0.202.20"}));
        // The network clock was asked for its model.
        QCOMPARE(GridColumn(dialog, 3), (QStringList{"226", "207", "229"}));
        QCOMPARE(GridColumn(dialog, 5), (QStringList{"In use", "", ""}));
        QVERIFY(cmdSearch->isEnabled());
        QVERIFY(!cmdCancel->isEnabled());
        // The clock in use keeps its line after the probes.
        QVERIFY(h.Core().Session().Port().IsOpen());
        QCOMPARE(h.Core().Session().Port().CurrentPort(), 1);

        dialog.TickRow(0);
        dialog.TickRow(2);
        QCOMPARE(dialog.TickedRow(), 2);
        auto* grid = dialog.findChild<QTableWidget*>(QStringLiteral("scgSearch"));
        QCOMPARE(grid->item(0, 0)->checkState(), Qt::Unchecked);
        passwords.clear();
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdConnect")),
                          Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 3000));
        QCOMPARE(h.State().clockConnection.IPaddress, QStringLiteral("127.0.202.20"));
        QCOMPARE(h.State().clockConnection.ClockType, qint16(2));
        QVERIFY(!passwords.isEmpty());
        QCOMPARE(passwords.first(), QByteArray("7315"));
        QCOMPARE(h.Core().Store().Load().connection.IPaddress, QStringLiteral("127.0.202.20"));

        // Opening the window again shows the same list without a new search,
        // the mark now on the clock connected meanwhile.
        frmSearch again(h.Core(), &w);
        again.show();
        QVERIFY(Harness::WaitFor([&] { return SearchStatus(again).startsWith("Found"); }, 1500));
        QCOMPARE(GridColumn(again, 5), (QStringList{"", "", "In use"}));
    }

    void clockOnBothLinksIsTwoRowsAndTheListIsKeyboardAndReaderFriendly()
    {
        Harness h;
        SimulatedClock& clock = h.AddClock(Clock(229, true, "127.0.206.20"));
        h.SaveConnection(1, 1, 2, "127.0.206.20");
        frmControlPanel& w = h.Start({"127.0.206.1"});
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 8000));

        frmSearch dialog(h.Core(), &w);
        dialog.show();
        QVERIFY(Harness::WaitFor([&] { return SearchStatus(dialog).startsWith("Found"); }, 15000));
        // Heard again by the discovery, the clock in use stays one row with
        // the model it told; its serial line is a second way to it.
        QCOMPARE(SearchStatus(dialog), QStringLiteral("Found 2 connections."));
        QCOMPARE(GridColumn(dialog, 1), (QStringList{"127.0.206.20", "Comport 1"}));
        QCOMPARE(GridColumn(dialog, 2), (QStringList{"Network", "Serial Port"}));
        QCOMPARE(GridColumn(dialog, 3), (QStringList{"229", "229"}));
        QCOMPARE(GridColumn(dialog, 4), (QStringList{"127.0.206.20", clock.PtyPath()}));
        QCOMPARE(GridColumn(dialog, 5), (QStringList{"In use", ""}));

        // A screen reader reads every cell by its text, the tick cell by what
        // ticking it does.
        auto* grid = dialog.findChild<QTableWidget*>(QStringLiteral("scgSearch"));
        QCOMPARE(grid->accessibleName(), QStringLiteral("Available Connections:"));
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
        QVERIFY(table && table->tableInterface());
        QAccessibleInterface* tick = table->tableInterface()->cellAt(1, 0);
        QAccessibleInterface* model = table->tableInterface()->cellAt(0, 3);
        QAccessibleInterface* mark = table->tableInterface()->cellAt(0, 5);
        QVERIFY(tick && model && mark);
        QCOMPARE(tick->text(QAccessible::Name), QStringLiteral("Connect to Comport 1"));
        QCOMPARE(model->text(QAccessible::Name), QStringLiteral("229"));
        QCOMPARE(mark->text(QAccessible::Name), QStringLiteral("In use"));

        // Tab reaches the list, the arrows move, Space ticks and unticks the
        // row from any of its cells.
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* cmdClose = dialog.findChild<QPushButton*>(QStringLiteral("cmdClose"));
        cmdClose->setFocus(Qt::TabFocusReason);
        for (int presses = 0; presses < 8 && dialog.focusWidget() != grid; ++presses)
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
        QCOMPARE(dialog.focusWidget(), grid);
        grid->setCurrentCell(0, 3);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentRow(), 1);
        QTest::keyClick(grid, Qt::Key_Space);
        QCOMPARE(dialog.TickedRow(), 1);
        QTest::keyClick(grid, Qt::Key_Up);
        QTest::keyClick(grid, Qt::Key_Space);
        QCOMPARE(dialog.TickedRow(), 0);
        QCOMPARE(grid->item(1, 0)->checkState(), Qt::Unchecked);
        QTest::keyClick(grid, Qt::Key_Space);
        QCOMPARE(dialog.TickedRow(), -1);
        // Nothing is connected without a ticked or a highlighted row.
        grid->clearSelection();
        QVERIFY(!dialog.ConnectSelected());

        // With nothing ticked, Connect takes the highlighted row.
        QTest::keyClick(grid, Qt::Key_Down);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdConnect")),
                          Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(h.State().clockConnection.ConnectionType, ConnectionKind::Serial);
        QCOMPARE(h.State().clockConnection.Comport, qint16(1));
    }

    void cancelEndsTheSearchAtOnceAndANewOneRuns()
    {
        Harness h;
        // The serial clock answers only the last model's probe, so the search
        // spends seconds on this port; the clock in use is on the network.
        SimOptions serial = Clock(222, true);
        serial.reportMs = 0;
        SimulatedClock& probed = h.AddClock(serial);
        h.AddClock(Clock(226, false, "127.0.207.20"));
        int probes = 0;
        connect(&probed, &SimulatedClock::FrameReceived, this,
                [&](quint8 command, const QByteArray&, int) { probes += command == 1; });
        // A probe written just before the cancel may still be on its way to
        // the simulated clock; after that, a search that went on would send
        // the next within a second.
        const auto noMoreProbes = [&] {
            QTest::qWait(500);
            const int seen = probes;
            QTest::qWait(2000);
            return probes == seen;
        };
        h.SaveConnection(1, 1, 1, "127.0.207.20");
        frmControlPanel& w = h.Start({"127.0.207.1"});
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 8000));

        frmSearch dialog(h.Core(), &w);
        auto* cmdSearch = dialog.findChild<QPushButton*>(QStringLiteral("cmdSearch"));
        auto* cmdCancel = dialog.findChild<QPushButton*>(QStringLiteral("cmdCancelSearch"));
        QVERIFY(!cmdCancel->isEnabled());
        QSignalSpy progress(&h.Core(), &Panel::SearchProgress);
        dialog.show();

        // Cancelled while the first probe waits for its answer.
        QVERIFY(Harness::WaitFor([&] { return progress.count() >= 1 && probes >= 1; }, 3000));
        QPointer<ClockSearch> search = h.Core().RunningSearch();
        QVERIFY(search);
        QSignalSpy ended(search.data(), &ClockSearch::finished);
        QVERIFY(cmdCancel->isEnabled());
        QTest::mouseClick(cmdCancel, Qt::LeftButton);
        QVERIFY(Harness::WaitFor([&] { return ended.count() == 1; }, 3000));
        QVERIFY(Harness::WaitFor([&] { return !dialog.IsSearching(); }, 3000));
        QCOMPARE(SearchStatus(dialog), QStringLiteral("Search cancelled."));
        // The rows found so far stay: the clock in use.
        QCOMPARE(GridColumn(dialog, 1), QStringList{"127.0.207.20"});
        // Nothing is left searching; the main window no longer names a port
        // being searched.
        QCOMPARE(h.Status(), QStringLiteral("Search cancelled."));
        QVERIFY(!h.Core().RunningSearch());
        QVERIFY(!h.State().SearchInProgress);
        QVERIFY(cmdSearch->isEnabled());
        QVERIFY(!cmdCancel->isEnabled());
        QVERIFY(noMoreProbes());

        // A new search, cancelled while it listens on the network.
        progress.clear();
        QTest::mouseClick(cmdSearch, Qt::LeftButton);
        const auto listening = [&] {
            return !progress.isEmpty() &&
                   progress.last().at(0).toString().startsWith(QStringLiteral("Listening"));
        };
        QVERIFY(Harness::WaitFor(listening, 15000));
        search = h.Core().RunningSearch();
        QVERIFY(search);
        QSignalSpy endedListening(search.data(), &ClockSearch::finished);
        QTest::mouseClick(cmdCancel, Qt::LeftButton);
        QVERIFY(Harness::WaitFor([&] { return endedListening.count() == 1; }, 3000));
        QVERIFY(Harness::WaitFor([&] { return !dialog.IsSearching(); }, 3000));
        QCOMPARE(SearchStatus(dialog), QStringLiteral("Search cancelled."));
        QCOMPARE(GridColumn(dialog, 1), (QStringList{"127.0.207.20", "Comport 1"}));
        QVERIFY(!h.State().SearchInProgress);
        QVERIFY(noMoreProbes());

        // And one that runs to its end.
        QTest::mouseClick(cmdSearch, Qt::LeftButton);
        QVERIFY(Harness::WaitFor([&] { return SearchStatus(dialog).startsWith("Found"); }, 15000));
        QCOMPARE(SearchStatus(dialog), QStringLiteral("Found 2 connections."));
        QCOMPARE(GridColumn(dialog, 5), (QStringList{"In use", ""}));
    }

    void discoveryFindsTheNetworkClockAndSavesIt()
    {
        Harness h;
        h.AddClock(Clock(207, false, "127.0.203.20"));
        h.SaveConnection(1, 1, 1, "127.0.203.99"); // nothing listens there
        frmControlPanel& w = h.Start({"127.0.203.1"});
        QVERIFY(Harness::WaitFor(
            [&] { return h.State().ClockFound && h.State().clockConnection.ClockType == 3; },
            12000));
        QCOMPARE(h.State().clockConnection.IPaddress, QStringLiteral("127.0.203.20"));
        const ClockConnection saved = h.Core().Store().Load().connection;
        QCOMPARE(saved.ConnectionType, 1);
        QCOMPARE(saved.IPaddress, QStringLiteral("127.0.203.20"));
        // Saved with the model the clock named when the search asked it.
        QCOMPARE(saved.ClockType, qint16(3));
        QCOMPARE(AddressText(w, "ipIPAddress"), QStringLiteral("127.0.203.20"));
    }

    void menuOpensTheManualConnection()
    {
        Harness h;
        h.AddClock(Clock(229, false, "127.0.204.20"));
        h.SaveConnection(1, 1, 2, "127.0.204.99");
        frmControlPanel& w = h.Start({"127.0.205.1"}); // discovery cannot reach it
        QVERIFY(Harness::WaitFor([&] { return !h.State().SearchInProgress; }, 8000));
        QTest::qWait(5500);
        QVERIFY(!h.State().ClockFound);

        QAction* add = MenuAction(w, "mnuAddNetworkConnection");
        QVERIFY(add);

        QString title;
        WhileModal("frmAddNetworkConnection", [&](QWidget& dialog) {
            title = dialog.windowTitle();
            auto* entry = AddressEntryOf(dialog, "ipAddress");
            for (int i = 1; i <= 4; ++i)
                TypeOctet(entry, i, QList<int>{127, 0, 204, 20}[i - 1]);
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdConnect")),
                              Qt::LeftButton);
            return true;
        });
        add->trigger();
        QVERIFY(Harness::WaitFor([&] { return !title.isEmpty(); }, 3000));
        QCOMPARE(h.Core().Store().Load().connection.IPaddress, QStringLiteral("127.0.204.20"));
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 3000));
        QCOMPARE(h.State().clockConnection.IPaddress, QStringLiteral("127.0.204.20"));
    }
};

TARVO_TEST_CLASS(ConnectSearch)
#include "test_connect_search.moc"

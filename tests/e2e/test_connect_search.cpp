// Finding clocks with the real program: the first-clock-wins search after an
// unanswered start-up, the search window's list of every clock on both links,
// discovery on the network, and the manual network connection.
#include "support/test_registry.h"
#include "support/connect_helpers.h"
#include "support/harness.h"
#include "ui/frmSearch.h"
#include "ui/ip_address_edit.h"

#include <QGroupBox>
#include <QPointer>
#include <QSignalSpy>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
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
        h.AddDeadPort(); // port 1: nothing answers
        SimOptions o;
        o.model = 229;
        o.serial = true;
        SimulatedClock& clock = h.AddClock(o); // port 2
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
        QVERIFY(Harness::WaitFor([&] { return SearchStatus(*dialog).startsWith("Found"); },
                                 30000));
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
        SimOptions serial226;
        serial226.model = 226;
        serial226.serial = true;
        h.AddClock(serial226); // port 1
        SimOptions serial207;
        serial207.model = 207;
        serial207.serial = true;
        h.AddClock(serial207); // port 2
        SimOptions net;
        net.model = 229;
        net.udpAddress = "127.0.202.20";
        SimulatedClock& netClock = h.AddClock(net);
        QList<QByteArray> passwords;
        connect(&netClock, &SimulatedClock::DatagramReceived, this,
                [&](quint8 code, const QByteArray& d, const QHostAddress&) {
                    if (code != 4)
                        passwords << d.mid(1, 4);
                });
        h.SaveConnection(0, 1, 1);
        frmControlPanel& w = h.Start({"127.0.202.1"});
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 8000));
        h.State().NetworkPassword = "zzzz";

        frmSearch dialog(h.Core(), &w);
        dialog.show();
        auto* cmdSearch = dialog.findChild<QPushButton*>(QStringLiteral("cmdSearch"));
        auto* progress = dialog.findChild<QLabel*>(QStringLiteral("lblSearchProgress"));
        // The search runs inside the window's start timer; a sampling timer
        // sees what the operator would see meanwhile.
        QStringList seen;
        bool buttonsLockedWhileSearching = true;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            if (!dialog.IsSearching())
                return;
            buttonsLockedWhileSearching = buttonsLockedWhileSearching && !cmdSearch->isEnabled();
            if (!progress->text().isEmpty() && !seen.contains(progress->text()))
                seen << progress->text();
        });
        sampler.start(50);
        QVERIFY(Harness::WaitFor([&] { return SearchStatus(dialog).startsWith("Found"); }, 25000));
        sampler.stop();
        QVERIFY(buttonsLockedWhileSearching);
        QVERIFY(seen.contains("Asking Comport 2 for a model 207 clock ..."));
        QVERIFY(seen.contains("Listening for clocks on the network ..."));
        QCOMPARE(SearchStatus(dialog), QStringLiteral("Found 4 connections."));
        // The clock in use heads the list, and is found again.
        QCOMPARE(GridColumn(dialog, 1),
                 (QStringList{"Comport 1", "Comport 1", "Comport 2", "127.0.202.20"}));
        QCOMPARE(GridColumn(dialog, 2),
                 (QStringList{"Serial Port", "Serial Port", "Serial Port", "Network"}));
        QVERIFY(cmdSearch->isEnabled());
        // The clock in use keeps its line after the probes.
        QVERIFY(h.Core().Serial().IsOpen());
        QCOMPARE(h.Core().Serial().CurrentPort(), 1);

        dialog.TickRow(0);
        dialog.TickRow(3);
        QCOMPARE(dialog.TickedRow(), 3);
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

        // Opening the window again shows the same list without a new search.
        frmSearch again(h.Core(), &w);
        again.show();
        QVERIFY(Harness::WaitFor([&] { return SearchStatus(again).startsWith("Found"); }, 1500));
        QCOMPARE(GridColumn(again, 1).size(), 4);
    }

    void discoveryFindsTheNetworkClockAndSavesIt()
    {
        Harness h;
        SimOptions o;
        o.model = 207;
        o.udpAddress = "127.0.203.20";
        h.AddClock(o);
        h.SaveConnection(1, 1, 1, "127.0.203.99"); // nothing listens there
        frmControlPanel& w = h.Start({"127.0.203.1"});
        QVERIFY(Harness::WaitFor(
            [&] { return h.State().ClockFound && h.State().clockConnection.ClockType == 3; },
            12000));
        QCOMPARE(h.State().clockConnection.IPaddress, QStringLiteral("127.0.203.20"));
        const ClockConnection saved = h.Core().Store().Load().connection;
        QCOMPARE(saved.ConnectionType, 1);
        QCOMPARE(saved.IPaddress, QStringLiteral("127.0.203.20"));
        // Saved before the clock told its model.
        QCOMPARE(saved.ClockType, qint16(0));
        QCOMPARE(AddressText(w, "ipIPAddress"), QStringLiteral("127.0.203.20"));
    }

    void menuOpensTheManualConnection()
    {
        Harness h;
        SimOptions o;
        o.model = 229;
        o.udpAddress = "127.0.204.20";
        h.AddClock(o);
        h.SaveConnection(1, 1, 2, "127.0.204.99");
        frmControlPanel& w = h.Start({"127.0.205.1"}); // discovery cannot reach it
        QVERIFY(Harness::WaitFor([&] { return !h.State().SearchInProgress; }, 8000));
        QTest::qWait(5500);
        QVERIFY(!h.State().ClockFound);

        auto* menu = w.menuBar()->findChild<QMenu*>(QStringLiteral("mnuViewConnections"));
        QVERIFY(menu);
        QCOMPARE(menu->title().remove('&'), QStringLiteral("Connections"));
        QCOMPARE(MenuAction(w, "mnuSearch")->text(), QStringLiteral("Search for Connections"));
        QAction* add = MenuAction(w, "mnuAddNetworkConnection");
        QCOMPARE(add->text(), QStringLiteral("Add Network Connection"));

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
        QCOMPARE(title, QStringLiteral("Add Network Connection"));
        QCOMPARE(h.Core().Store().Load().connection.IPaddress, QStringLiteral("127.0.204.20"));
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 3000));
        QCOMPARE(h.State().clockConnection.IPaddress, QStringLiteral("127.0.204.20"));
    }
};

TARVO_TEST_CLASS(ConnectSearch)
#include "test_connect_search.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The connection commands behind the connection windows and the network
// settings send, against the real core with a listening socket as the clock.
#include "app/network_config.h"
#include "app/panel.h"
#include "app/panel_view.h"
#include "connect/network_settings.h"
#include "link/bytes.h"
#include "link/datagram.h"
#include "support/run_task.h"
#include "support/test_registry.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>
#include <memory>
#include <optional>

using namespace tarvo;
using tarvo::test::RunTask;

namespace
{
class StatusView : public PanelView
{
public:
    QStringList statuses;
    void ShowStatus(const QString& text) override { statuses << text; }
};

// A core with its socket on a loopback subnet of its own and a listener where
// the clock would be.
struct Rig {
    QTemporaryDir dir;
    std::unique_ptr<Panel> panel;
    QUdpSocket clock;
    StatusView view;

    explicit Rig(const QString& clockAddress = {})
    {
        Panel::Options o;
        o.serialDevicesGiven = true;
        o.localAddresses = {QStringLiteral("127.0.93.1")};
        o.settingsFile = dir.filePath(QStringLiteral("s.conf"));
        o.logSystemClock = true;
        panel = std::make_unique<Panel>(o);
        panel->SetView(&view);
        panel->State().FormLoading = false;
        if (!clockAddress.isEmpty()) {
            panel->State().NetworkAvailable = panel->Session().InitializeNetwork(o.localAddresses);
            clock.bind(QHostAddress(clockAddress), ClockPort);
            panel->State().clockConnection.ConnectionType = 1;
            panel->State().clockConnection.IPaddress = clockAddress;
            panel->ApplyConnection();
        }
    }

    QList<QByteArray> Heard(int atLeast, int ms = 2000)
    {
        QList<QByteArray> out;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            while (clock.hasPendingDatagrams())
                out << clock.receiveDatagram().data();
            if (out.size() >= atLeast)
                break;
            QTest::qWait(10);
        }
        return out;
    }
};

Task<void> Nothing()
{
    co_return;
}

ClockConnection Network(const char* address)
{
    ClockConnection c;
    c.ConnectionType = 1;
    c.Comport = 0;
    c.IPaddress = QLatin1String(address);
    c.ClockType = 0;
    return c;
}
} // namespace

class NetUiConnect : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void connectToListEntry_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("connected");
        QTest::newRow("network entry") << 1 << true;
        QTest::newRow("before the list") << -1 << false;
        QTest::newRow("after the list") << 3 << false;
        QTest::newRow("unknown type") << 2 << false;
    }
    void connectToListEntry()
    {
        QFETCH(int, index);
        QFETCH(bool, connected);
        Rig rig(QStringLiteral("127.0.93.7"));
        ProgramState& s = rig.panel->State();
        ClockConnection odd = Network("127.0.93.9");
        odd.ConnectionType = 7;
        s.Connections = {Network("127.0.93.8"), Network("127.0.93.7"), odd};
        s.NetworkPassword = "abcd";
        s.ClockFound = true;
        const ClockConnection before = s.clockConnection;

        QCOMPARE(ConnectToListEntry(*rig.panel, index), connected);
        if (!connected) {
            QCOMPARE(s.clockConnection, before);
            QVERIFY(s.ClockFound);
            QCOMPARE(s.NetworkPassword, QByteArray("abcd"));
            return;
        }
        QCOMPARE(s.clockConnection, s.Connections.at(index));
        QCOMPARE(rig.panel->Store().Load().connection.IPaddress, QStringLiteral("127.0.93.7"));
        // The settings requests went out with the default password.
        const QList<QByteArray> heard = rig.Heard(3);
        QCOMPARE(heard.size(), 3);
        for (const QByteArray& d : heard)
            QCOMPARE(d.mid(1, 4), QByteArray("7315"));
    }

    void connectToAddressSavesAndAsksAnyAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("clock") << "127.0.93.7";
        QTest::newRow("all zero") << "0.0.0.0";
    }
    void connectToAddressSavesAndAsksAnyAddress()
    {
        QFETCH(QString, address);
        Rig rig(QStringLiteral("127.0.93.7"));
        ProgramState& s = rig.panel->State();
        s.clockConnection = {0, 3, 0, QString(), 2};
        s.ClockFound = true;
        ConnectToAddress(*rig.panel, address);
        const ClockConnection saved = rig.panel->Store().Load().connection;
        QCOMPARE(saved.ConnectionType, 1);
        QCOMPARE(saved.IPaddress, address);
        // Port and model stay as they were.
        QCOMPARE(saved.Comport, qint16(3));
        QCOMPARE(saved.ClockType, qint16(2));
        QCOMPARE(s.clockConnection.IPAddressValue, address == "0.0.0.0" ? 0u : 0x7F005D07u);
        QCOMPARE(rig.Heard(3, address == "0.0.0.0" ? 200 : 2000).size(),
                 address == "0.0.0.0" ? 0 : 3);
    }

    void searchListsTheClockInUseFirstAndOnlyOnce()
    {
        Rig rig;
        ProgramState& s = rig.panel->State();
        s.clockConnection = Network("127.0.93.7");
        s.ClockFound = true;
        s.Connections = {Network("127.0.93.50")}; // a stale list
        RunTask(RunConnectionSearch(*rig.panel));
        QCOMPARE(s.Connections, QList<ClockConnection>{Network("127.0.93.7")});
        QVERIFY(s.SearchDone);
        QVERIFY(!s.SearchInProgress);

        // A second opening shows the stored list without searching again.
        s.Connections << Network("127.0.93.60");
        QSignalSpy searched(rig.panel.get(), &Panel::SearchProgress);
        RunTask(RunConnectionSearch(*rig.panel));
        QCOMPARE(searched.count(), 0);
        QCOMPARE(s.Connections.size(), 2);
    }

    void cancelledSearchKeepsItsFindsAndTheNextOneRuns()
    {
        Rig rig;
        ProgramState& s = rig.panel->State();
        s.clockConnection = Network("127.0.93.7");
        s.ClockFound = true;
        std::optional<bool> completed;
        Job job;
        job.Start(tarvo::test::CaptureInto(RunConnectionSearch(*rig.panel), &completed));
        // No serial ports: the search is listening on the network by now.
        QVERIFY(rig.panel->RunningSearch());
        QVERIFY(s.SearchInProgress);
        CancelConnectionSearch(*rig.panel);
        QVERIFY(QTest::qWaitFor([&] { return !job.IsRunning(); }, 3000));
        QCOMPARE(completed, std::optional<bool>(false));
        QCOMPARE(s.Connections, QList<ClockConnection>{Network("127.0.93.7")});
        QVERIFY(!rig.panel->RunningSearch());
        QVERIFY(!s.SearchInProgress);
        QVERIFY(!s.SearchDone);
        QCOMPARE(rig.view.statuses.value(rig.view.statuses.size() - 1),
                 QStringLiteral("Search cancelled."));

        QVERIFY(RunTask(RunConnectionSearch(*rig.panel), 10000));
        QVERIFY(s.SearchDone);
        QCOMPARE(rig.view.statuses.value(rig.view.statuses.size() - 1),
                 QStringLiteral("Found 1 connection."));
    }

    void searchWithoutAClockStartsEmpty()
    {
        Rig rig;
        ProgramState& s = rig.panel->State();
        s.ClockFound = false;
        s.Connections = {Network("127.0.93.50")};
        RunTask(RunConnectionSearch(*rig.panel));
        QVERIFY(s.Connections.isEmpty());
    }

    void refusedPasswordSendsNothing_data()
    {
        QTest::addColumn<bool>("network");
        QTest::newRow("network") << true;
        QTest::newRow("serial") << false;
    }
    void refusedPasswordSendsNothing()
    {
        QFETCH(bool, network);
        Rig rig(QStringLiteral("127.0.93.7"));
        int configuring = 0;
        rig.panel->CheckPassword = [] { return -1; };
        rig.panel->ShowConfiguring = [&]() -> Task<void> {
            ++configuring;
            return Nothing();
        };
        const bool sent = network ? RunTask(SendNetworkSettingsViaNetwork(*rig.panel, "127.0.93.8"))
                                  : SendNetworkSettingsViaSerial(*rig.panel);
        QVERIFY(!sent);
        QCOMPARE(configuring, 0);
        QVERIFY(rig.Heard(1, 300).isEmpty());
        QVERIFY(rig.view.statuses.isEmpty());
    }

    void unchangedAddressSendsBothDatagramsAndStays()
    {
        Rig rig(QStringLiteral("127.0.93.7"));
        ProgramState& s = rig.panel->State();
        s.ClockFound = true;
        for (int i = 0; i < 128; ++i)
            SetByte(s.NetworkData, i, i + 1);
        int checks = 0;
        rig.panel->CheckPassword = [&] { return ++checks, 1; };
        int configuring = 0;
        rig.panel->ShowConfiguring = [&]() -> Task<void> {
            ++configuring;
            return Nothing();
        };
        QVERIFY(RunTask(SendNetworkSettingsViaNetwork(*rig.panel, QStringLiteral(" 127.0.93.7 "))));
        QCOMPARE(checks, 1);
        QCOMPARE(configuring, 1);
        const QList<QByteArray> heard = rig.Heard(2);
        QCOMPARE(heard.size(), 2);
        QCOMPARE(ByteAt(heard[0], 0), 5);
        QCOMPARE(ByteAt(heard[1], 0), 20);
        QCOMPARE(heard[0].mid(5), s.NetworkData.left(126));
        QCOMPARE(heard[0].mid(1), heard[1].mid(1));
        QVERIFY(s.ClockFound);
        QVERIFY(rig.view.statuses.isEmpty());
        QCOMPARE(s.clockConnection.IPaddress, QStringLiteral("127.0.93.7"));
    }

    void changedAddressThatAnswersDuringTheWaitIsNotFollowed()
    {
        Rig rig(QStringLiteral("127.0.93.7"));
        ProgramState& s = rig.panel->State();
        s.ClockFound = true;
        bool foundWhileWaiting = true;
        rig.panel->ShowConfiguring = [&]() -> Task<void> {
            foundWhileWaiting = s.ClockFound;
            s.ClockFound = true; // the clock answered meanwhile
            return Nothing();
        };
        QVERIFY(RunTask(SendNetworkSettingsViaNetwork(*rig.panel, QStringLiteral("127.0.93.8"))));
        QVERIFY(!foundWhileWaiting);
        QCOMPARE(rig.view.statuses.value(0),
                 QStringLiteral("Waiting for response from 127.0.93.8"));
        QCOMPARE(s.clockConnection.IPaddress, QStringLiteral("127.0.93.7"));
    }
};

TARVO_TEST_CLASS(NetUiConnect)
#include "test_netui_connect.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Giving a network clock a new address through the real window: the program
// waits out the clock's restart and follows it, or, when nothing answers at
// the new address, searches. Each case takes over twenty seconds.
#include "app/network_config.h"
#include "support/connect_helpers.h"
#include "support/harness.h"
#include "support/run_task.h"
#include "support/test_registry.h"
#include "ui/frmConfiguring.h"
#include "ui/ip_address_edit.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace tarvo;

class ConnectAddress : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void programFollowsTheClockToItsNewAddress()
    {
        Harness h;
        SimOptions o;
        o.model = 229;
        o.udpAddress = "127.0.81.20";
        SimulatedClock& clock = h.AddClock(o);
        h.SaveConnection(1, 1, 2, "127.0.81.20");
        frmControlPanel& w = h.Start({"127.0.81.1"});
        QVERIFY(
            Harness::WaitFor([&] { return AddressText(w, "ipIPAddress") == "127.0.81.20"; }, 8000));
        // Every answer to the start-up requests is in, and the start-up's four
        // seconds for an answer are over, before the address changes: an
        // answer that arrives after the change counts as the clock's, and a
        // start-up that ends without a clock searches for one.
        QVERIFY(Harness::WaitFor([&] { return h.State().LastDstRecord.size() == 101; }, 5000));
        Harness::WaitFor([] { return false; }, 4500);
        TypeOctet(AddressEntryOf(w, "ipIPAddress"), 4, 21);
        QVERIFY(h.State().NetworkSettingsChanged);

        QSignalSpy searches(&h.Core(), &Panel::SearchProgress);
        bool waitingShown = false;
        bool foundWhileWaiting = true;
        QString label;
        QPoint offset;
        WhileModal("frmConfiguring", [&](QWidget& dialog) {
            waitingShown = h.Status() == "Waiting for response from 127.0.81.21";
            foundWhileWaiting = h.State().ClockFound;
            label = dialog.findChild<QLabel*>(QStringLiteral("lblUpdating"))->text();
            offset = dialog.frameGeometry().center() - w.frameGeometry().center();
            return true;
        });
        // Where the clock was when each datagram reached it: the program asks
        // only at the new address once the clock has moved.
        QStringList heardAt;
        connect(&clock, &SimulatedClock::DatagramReceived, this,
                [&] { heardAt << clock.UdpAddress(); });
        h.Core().SetConfiguringWait(std::chrono::milliseconds(2000));
        QTest::mouseClick(w.findChild<QPushButton*>("imageBTNSend"), Qt::LeftButton);
        QVERIFY(Harness::WaitFor(
            [&] {
                return h.State().ClockFound &&
                       h.State().clockConnection.IPaddress == QStringLiteral("127.0.81.21");
            },
            20000));
        // The wait for the answer at the new address passes without a search.
        Harness::WaitFor([] { return false; }, 6000);
        const qsizetype firstNew = heardAt.indexOf(QStringLiteral("127.0.81.21"));
        QVERIFY2(firstNew > 0, qPrintable(heardAt.join(u' ')));
        QVERIFY2(heardAt.lastIndexOf(QStringLiteral("127.0.81.20")) < firstNew,
                 qPrintable(heardAt.join(u' ')));
        QVERIFY(waitingShown);
        QVERIFY(!foundWhileWaiting);
        QCOMPARE(label, QStringLiteral("Updating Network Settings ...."));
        QVERIFY(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2);

        QCOMPARE(clock.UdpAddress(), QStringLiteral("127.0.81.21"));
        QVERIFY(h.State().ClockFound);
        QCOMPARE(h.State().clockConnection.IPaddress, QStringLiteral("127.0.81.21"));
        QCOMPARE(searches.count(), 0);
    }

    void silenceAtTheNewAddressEndsInASearch()
    {
        Harness h;
        SimOptions o;
        o.model = 207;
        o.udpAddress = "127.0.82.20";
        SimulatedClock& clock = h.AddClock(o);
        h.SaveConnection(1, 1, 3, "127.0.82.20");
        frmControlPanel& w = h.Start({"127.0.82.1"});
        QVERIFY(
            Harness::WaitFor([&] { return AddressText(w, "ipIPAddress") == "127.0.82.20"; }, 8000));
        QVERIFY(Harness::WaitFor([&] { return h.State().LastDstRecord.size() == 101; }, 5000));
        Harness::WaitFor([] { return false; }, 4500);
        // The clock moves but says nothing until someone searches for it.
        connect(&clock, &SimulatedClock::UdpAddressChanged, this, [&] { clock.SetSilent(true); });
        connect(&h.Core(), &Panel::SearchProgress, this, [&] { clock.SetSilent(false); });
        QSignalSpy searches(&h.Core(), &Panel::SearchProgress);
        TypeOctet(AddressEntryOf(w, "ipIPAddress"), 4, 33);
        h.Core().SetConfiguringWait(std::chrono::milliseconds(300));
        QTest::mouseClick(w.findChild<QPushButton*>("imageBTNSend"), Qt::LeftButton);
        QVERIFY(Harness::WaitFor([&] { return !searches.isEmpty(); }, 20000));

        QCOMPARE(clock.UdpAddress(), QStringLiteral("127.0.82.33"));
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 8000));
        QCOMPARE(h.State().clockConnection.IPaddress, QStringLiteral("127.0.82.33"));
        // The search saves what it found.
        QCOMPARE(h.Core().Store().Load().connection.IPaddress, QStringLiteral("127.0.82.33"));
    }
};

TARVO_TEST_CLASS(ConnectAddress)
#include "test_connect_address.moc"

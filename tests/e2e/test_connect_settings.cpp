// SPDX-License-Identifier: GPL-3.0-or-later
// The clock's network settings through the real window: filled from the clock
// over either link, edited through the controls, sent back and read again.
#include "app/network_config.h"
#include "connect/network_settings.h"
#include "link/bytes.h"
#include "support/connect_helpers.h"
#include "support/harness.h"
#include "support/run_task.h"
#include "support/test_registry.h"
#include "ui/ip_address_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace tarvo;

namespace
{
template <typename T> T* Find(frmControlPanel& w, const char* name)
{
    return w.findChild<T*>(QLatin1String(name));
}
} // namespace

class ConnectSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void serialRoundTripWithBroadcastEdits()
    {
        Harness h;
        SimOptions o;
        o.model = 207;
        o.serial = true;
        o.reportMs = 0;
        SimulatedClock& clock = h.AddClock(o);
        h.SaveConnection(0, 1, 3);
        frmControlPanel& w = h.Start({"127.0.71.1"});
        QVERIFY(Harness::WaitFor([&] { return h.State().NetworkSettingsPresent; }, 8000));
        const QByteArray reported = clock.State().NetworkRecord();
        QCOMPARE(AddressText(w, "ipIPAddress"), DottedAddressAt(reported, 0));
        QCOMPARE(Find<QLineEdit>(w, "txtServerPort")->text(),
                 QString::number(Word16At(reported, 20)));
        QCOMPARE(Find<QComboBox>(w, "cmbNetmask")->currentIndex(),
                 NetmaskIndexForCode(ByteAt(reported, 6)));
        // Filling the controls is not an edit.
        QVERIFY(!h.State().NetworkSettingsChanged);

        auto* frequency = Find<QLineEdit>(w, "txtBroadcastFrequency");
        TypeInto(frequency, "15");
        QVERIFY(h.State().NetworkSettingsChanged);

        auto* enable2 = Find<QCheckBox>(w, "chkBroadcastEnable2");
        IpAddressEdit* broadcast2 = AddressEntryOf(w, "ipBroadcast2");
        if (enable2->isChecked())
            QTest::mouseClick(enable2, Qt::LeftButton, {}, QPoint(4, enable2->height() / 2));
        QVERIFY(!broadcast2->isEnabled());
        QCOMPARE(ByteAt(h.State().NetworkData, 92), 0);
        QTest::mouseClick(enable2, Qt::LeftButton, {}, QPoint(4, enable2->height() / 2));
        QVERIFY(broadcast2->isEnabled());
        TypeOctet(broadcast2, 1, 127);
        TypeOctet(broadcast2, 2, 0);
        TypeOctet(broadcast2, 3, 71);
        TypeOctet(broadcast2, 4, 255);
        QCOMPARE(h.State().NetworkData.mid(92, 4), QByteArray("\x7f\x00\x47\xff", 4));
        QCOMPARE(ByteAt(h.State().NetworkData, 90), 1);

        // A port that does not fit is refused where the operator can see it.
        auto* port = Find<QLineEdit>(w, "txtServerPort");
        const QByteArray portBytes = h.State().NetworkData.mid(20, 2);
        port->selectAll();
        port->insert("-5"); // pasted: one change

        QCOMPARE(h.State().NetworkData.mid(20, 2), portBytes);
        QVERIFY(port->styleSheet().contains("red") || port->styleSheet().contains("#d0"));
        QVERIFY(!port->toolTip().isEmpty());
        TypeInto(port, "10000");
        QVERIFY(port->styleSheet().isEmpty());
        QCOMPARE(h.State().NetworkData.mid(20, 2), QByteArray("\x10\x27", 2));

        QSignalSpy applied(&clock, &SimulatedClock::FrameApplied);
        h.Core().SetConfiguringWait(std::chrono::milliseconds(300));
        QTest::mouseClick(Find<QPushButton>(w, "imageBTNSend"), Qt::LeftButton);
        QVERIFY(Harness::WaitFor(
            [&] {
                for (const QList<QVariant>& a : applied)
                    if (a.at(0).toInt() == 42)
                        return true;
                return false;
            },
            3000));
        QCOMPARE(clock.State().NetworkRecord(), h.State().NetworkData);

        // Read back: the clock reports what it was sent.
        TypeInto(frequency, "3");
        QSignalSpy received(&h.Core(), &Panel::NetworkSettingsReceived);
        h.Core().Session().SerialClock().Send(command::RequestNetworkSettings{});
        QVERIFY(received.wait(3000));
        QCOMPARE(frequency->text(), QStringLiteral("15"));
        QCOMPARE(AddressText(w, "ipBroadcast2"), QStringLiteral("127.0.71.255"));
        QVERIFY(enable2->isChecked());
    }

    void networkRoundTripWithServerEdits()
    {
        Harness h;
        SimOptions o;
        o.model = 229;
        o.udpAddress = "127.0.72.20";
        SimulatedClock& clock = h.AddClock(o);
        h.SaveConnection(1, 1, 2, "127.0.72.20");
        frmControlPanel& w = h.Start({"127.0.72.1"});
        QVERIFY(Harness::WaitFor(
            [&] { return AddressText(w, "ipIPAddress") == QStringLiteral("127.0.72.20"); }, 8000));
        QCOMPARE(h.State().clockConnection.ClockType, qint16(2));
        QVERIFY(!h.State().NetworkSettingsChanged);

        TypeInto(Find<QLineEdit>(w, "txtMinutesUpdate"), "30");
        TypeInto(Find<QLineEdit>(w, "txtServerPort1"), "123");
        TypeOctet(AddressEntryOf(w, "ipServer1"), 4, 99);
        QCOMPARE(ByteAt(h.State().NetworkData, 27), 99);
        QVERIFY(h.State().NetworkSettingsChanged);

        // The clock keeps its address, so no long restart wait is needed here.
        QSignalSpy waits(&h.Core(), &Panel::ConfiguringStarted);
        h.Core().SetConfiguringWait(std::chrono::milliseconds(300));
        QTest::mouseClick(Find<QPushButton>(w, "imageBTNSend"), Qt::LeftButton);
        QVERIFY(Harness::WaitFor([&] { return !h.State().NetworkSettingsChanged; }, 3000));
        QCOMPARE(waits.count(), 1);
        QVERIFY(Harness::WaitFor(
            [&] {
                return clock.State().NetworkRecord().left(126) == h.State().NetworkData.left(126);
            },
            3000));
        QCOMPARE(Word16At(clock.State().NetworkRecord(), 88), 30);
        QCOMPARE(Word16At(clock.State().NetworkRecord(), 22), 123);
        QCOMPARE(h.State().clockConnection.IPaddress, QStringLiteral("127.0.72.20"));

        TypeInto(Find<QLineEdit>(w, "txtMinutesUpdate"), "1");
        QSignalSpy received(&h.Core(), &Panel::NetworkSettingsReceived);
        Spawn(&h.Core(), h.Core().RequestSettingsViaNetwork());
        QVERIFY(received.count() > 0 || received.wait(3000));
        QCOMPARE(Find<QLineEdit>(w, "txtMinutesUpdate")->text(), QStringLiteral("30"));
        QCOMPARE(AddressText(w, "ipServer1").section('.', 3), QStringLiteral("99"));
    }
};

TARVO_TEST_CLASS(ConnectSettings)
#include "test_connect_settings.moc"

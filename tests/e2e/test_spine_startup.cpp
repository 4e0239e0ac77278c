// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the real program against simulated clocks: the saved serial
// connection, the saved network connection, an empty store and a clock that
// never answers.
#include "support/harness.h"
#include "support/test_registry.h"

#include <QLabel>
#include <QtTest>

using namespace tarvo;

namespace
{
QString LabelText(frmControlPanel& w, const char* name)
{
    auto* label = w.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QString();
}

bool Visible(frmControlPanel& w, const char* name)
{
    auto* widget = w.findChild<QWidget*>(QLatin1String(name));
    return widget && widget->isVisible();
}
} // namespace

class SpineStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void serialStartUpFindsTheClockAndShowsItsTime()
    {
        Harness h;
        SimOptions o;
        o.model = 229;
        o.serial = true;
        o.reportMs = 250;
        SimulatedClock& clock = h.AddClock(o);
        QList<int> commands;
        connect(&clock, &SimulatedClock::FrameReceived, this,
                [&](quint8 command, const QByteArray&, int) { commands << command; });
        h.SaveConnection(0, 1, 2);
        frmControlPanel& w = h.Start();

        QVERIFY(Harness::WaitFor([&] { return h.Status() == "Clock Found on Comport 1"; }, 5000));
        QVERIFY(h.State().ClockFound);
        QVERIFY(Harness::WaitFor([&] { return commands.size() >= 2; }, 2000));
        QCOMPARE(commands.mid(0, 2), (QList<int>{1, 43}));
        // The network settings and DST frames that follow command 43 arrive too.
        QVERIFY(Harness::WaitFor([&] { return h.State().LastDstRecord.size() == 101; }, 3000));

        // The clock label shows the clock's own time and keeps ticking.
        QVERIFY(Harness::WaitFor(
            [&] {
                return LabelText(w, "lblIncomingTime")
                    .contains(QRegularExpression(R"(^ \d\d-\d\d-\d{4}  \d\d:\d\d:\d\d $)"));
            },
            3000));
        const QString first = LabelText(w, "lblIncomingTime");
        QVERIFY(Harness::WaitFor([&] { return LabelText(w, "lblIncomingTime") != first; }, 3000));
        QVERIFY(LabelText(w, "lblComputerTime")
                    .contains(QRegularExpression(R"(^ \d\d-\d\d-\d{4}  \d\d:\d\d:\d\d $)")));
        QVERIFY(Harness::WaitFor([&] { return Visible(w, "frameSerial"); }, 1000));
        QVERIFY(!Visible(w, "frameNotfound"));
        // The connection that answered is the one saved.
        QCOMPARE(h.Core().Store().Load().connection.ClockType, qint16(2));
    }

    void networkStartUpConnectsToTheSavedAddress()
    {
        Harness h;
        SimOptions o;
        o.model = 207;
        o.udpAddress = "127.0.41.5";
        SimulatedClock& clock = h.AddClock(o);
        QList<int> codes;
        connect(&clock, &SimulatedClock::DatagramReceived, this,
                [&](quint8 code, const QByteArray& d, const QHostAddress&) {
                    codes << code;
                    QCOMPARE(d.size(), 131);
                    QCOMPARE(d.mid(1, 4), QByteArray("7315"));
                });
        h.SaveConnection(1, 1, 1, "127.0.41.5");
        frmControlPanel& w = h.Start({"127.0.41.1"});

        QVERIFY(Harness::WaitFor([&] { return codes.size() >= 3; }, 3000));
        QCOMPARE(codes.mid(0, 3), (QList<int>{0, 3, 13}));
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 2000));
        QCOMPARE(h.Status(), QStringLiteral("Clock found at 127.0.41.5"));
        // The model comes from the clock's network settings.
        QCOMPARE(h.State().clockConnection.ClockType, qint16(3));
        QVERIFY(!h.State().PasswordRefused);
        QVERIFY(Harness::WaitFor([&] { return Visible(w, "lblClockFound"); }, 1000));
        QCOMPARE(LabelText(w, "lblClockFound"), QStringLiteral("Connected to 127.0.41.5"));
        QVERIFY(!Visible(w, "frameSerial"));
    }

    void emptyStoreTriesTheNetworkWithNoAddress()
    {
        Harness h;
        // A clock listening on the loopback range hears nothing addressed to it.
        SimOptions o;
        o.udpAddress = "127.0.42.5";
        SimulatedClock& clock = h.AddClock(o);
        int heard = 0;
        connect(&clock, &SimulatedClock::DatagramReceived, this,
                [&](quint8, const QByteArray&, const QHostAddress&) { ++heard; });
        frmControlPanel& w = h.Start({"127.0.43.1"});
        QVERIFY(Harness::WaitFor([&] { return h.State().NetworkAvailable == 1; }, 2000));
        QCOMPARE(h.State().clockConnection.ConnectionType, 1);
        QCOMPARE(h.State().clockConnection.IPaddress, QString());
        QTest::qWait(1500);
        QCOMPARE(heard, 0);
        QVERIFY(!h.State().ClockFound);
        QVERIFY(Visible(w, "frameNotfound"));
    }

    void silentClockLeadsToTheSearch()
    {
        Harness h;
        SimOptions o;
        o.serial = true;
        SimulatedClock& clock = h.AddClock(o);
        clock.SetSilent(true);
        QList<int> probeModels;
        connect(&clock, &SimulatedClock::FrameReceived, this,
                [&](quint8 command, const QByteArray&, int clockType) {
                    if (command == 1)
                        probeModels << clockType;
                });
        h.SaveConnection(0, 1, 1);
        QStringList statuses;
        frmControlPanel& w = h.Start({"127.0.44.1"});
        QVERIFY(Harness::WaitFor(
            [&] {
                if (statuses.isEmpty() || statuses.last() != h.Status())
                    statuses << h.Status();
                return probeModels.size() >= 5;
            },
            12000));
        // The start-up request, then one probe per model on port 1.
        QCOMPARE(probeModels.mid(0, 5), (QList<int>{1, 1, 2, 3, 4}));
        QVERIFY(statuses.contains("Searching for Clock on Comport 1"));
        QVERIFY(Harness::WaitFor([&] { return !h.State().SearchInProgress; }, 4000));
        QVERIFY(!h.State().ClockFound);
        QVERIFY(Visible(w, "frameNotfound"));
    }
};

TARVO_TEST_CLASS(SpineStartup)
#include "test_spine_startup.moc"

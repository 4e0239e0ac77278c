// SPDX-License-Identifier: GPL-3.0-or-later
// A clock saved by host name: the name is looked up without the window
// waiting for it, a name that resolves reaches the clock, and one that does
// not says so in the status bar while the window keeps working.
#include "support/harness.h"
#include "support/test_registry.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace tarvo;

class ConnectHostName : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nameThatResolvesReachesTheClock()
    {
        Harness h;
        SimOptions o;
        o.model = 229;
        o.udpAddress = QStringLiteral("127.0.0.1");
        h.AddClock(o);
        h.SaveConnection(1, 1, 2, QStringLiteral("localhost"));
        h.Start({QStringLiteral("127.0.206.1")});
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 8000));
        QCOMPARE(h.State().clockConnection.ClockType, qint16(2));
    }

    void nameThatDoesNotResolveIsReportedAndTheWindowGoesOn()
    {
        Harness h;
        h.SaveConnection(1, 1, 2, QStringLiteral("no-such-clock.invalid"));
        h.Start({QStringLiteral("127.0.206.1")});
        // The window's loop turns all along: never a second without a turn.
        QElapsedTimer since;
        qint64 worst = 0;
        QTimer pulse;
        QObject::connect(&pulse, &QTimer::timeout, &pulse,
                         [&] { worst = qMax(worst, since.restart()); });
        since.start();
        pulse.start(20);
        QVERIFY2(Harness::WaitFor(
                     [&] { return h.Status().contains(QLatin1String("cannot be found")); }, 30000),
                 qPrintable(h.Status()));
        QVERIFY(h.Status().contains(QLatin1String("no-such-clock.invalid")));
        QVERIFY2(worst < 1000,
                 qPrintable(QStringLiteral("the window stood still for %1 ms").arg(worst)));
        QVERIFY(!h.State().ClockFound);
    }
};

TARVO_TEST_CLASS(ConnectHostName)
#include "test_connect_host_name.moc"

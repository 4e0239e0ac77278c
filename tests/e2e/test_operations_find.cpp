// SPDX-License-Identifier: GPL-3.0-or-later
// Finding clocks as the window's search and tarvo-clock's discover both do it:
// a closed port is not probed, and every sender heard in discovery's listening
// second is a clock.
#include "operations/find_clocks.h"
#include "simulated_clock.h"
#include "support/run_task.h"
#include "support/test_registry.h"

#include <QtTest>
#include <memory>

using namespace tarvo;
using tarvo::test::RunTask;

namespace
{
std::unique_ptr<SimulatedClock> Start(SimOptions options)
{
    auto clock = std::make_unique<SimulatedClock>(options);
    QString error;
    if (!clock->Start(&error))
        qWarning() << "simulated clock did not start:" << error;
    return clock;
}
} // namespace

class OperationsFind : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Which probe a port answers is checked by the start-up search
    // (ConnectSearch::firstClockWinsSkipsTheModelThatDoesNotAnswer: 226
    // unanswered, then 229), the model a clock names by tarvo-clock's status;
    // a port closed again is not probed at all.
    void closedPortIsNotProbed()
    {
        SimOptions o;
        o.model = 229;
        o.serial = true;
        o.reportMs = 0;
        auto clock = Start(o);
        ClockSession session;
        QVERIFY(session.OpenSerialDevice(clock->PtyPath()));
        session.CloseSerialPort();
        QVERIFY(!RunTask(ProbeSerialModel(session, *ModelByNumber(229), ProbePace::UntilAnswer)));
    }

    void discoveryListsEverySenderOnce()
    {
        SimOptions o;
        o.model = 207;
        o.udpAddress = QStringLiteral("127.0.154.20");
        auto first = Start(o);
        // Loopback has no broadcast: each ".255" reaches one socket, so the
        // second clock sits behind a second address of this computer.
        o.udpAddress = QStringLiteral("127.0.155.21");
        o.model = 229;
        auto second = Start(o);
        ClockSession session;
        QCOMPARE(session.InitializeNetwork(
                     {QStringLiteral("127.0.154.1"), QStringLiteral("127.0.155.1")}),
                 1);
        const Discovery found = RunTask(Discover(session, DiscoveryListenWait));
        QVERIFY(found.sent);
        QList<quint32> senders = found.senders;
        std::sort(senders.begin(), senders.end());
        QCOMPARE(senders, (QList<quint32>{0x7F009A14, 0x7F009B15}));
        // Listening ends with the second: the session hears only its clock again.
        QVERIFY(!session.HearsEveryone());

        ClockSession offline;
        const Discovery none = RunTask(Discover(offline, std::chrono::milliseconds(100)));
        QVERIFY(!none.sent);
        QVERIFY(none.senders.isEmpty());
    }
};

TARVO_TEST_CLASS(OperationsFind)
#include "test_operations_find.moc"

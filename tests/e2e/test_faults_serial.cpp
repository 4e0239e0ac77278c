// SPDX-License-Identifier: GPL-3.0-or-later
// Faults on the serial line against the simulated clock: the device vanishes
// (with and without coming back under the same name) and the clock falls
// silent in the middle of a settings send. The program must keep running and
// responsive, and the operator's edits must survive the silence.
#include "link/serial_link.h"
#include "support/harness.h"
#include "support/panel_access.h"
#include "support/test_registry.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTimer>
#include <QtTest>

using namespace tarvo;

namespace
{
// What the port told the program while the test waits: a line that is lost
// must not turn into a stream of read or error notifications (a busy loop).
int PortEventsWhileWaiting(SerialLink& port, int ms)
{
    int events = 0;
    const QMetaObject::Connection read =
        QObject::connect(&port, &SerialLink::BytesAvailable, [&events] { ++events; });
    const QMetaObject::Connection error =
        QObject::connect(&port, &SerialLink::PortError, [&events] { ++events; });
    Harness::WaitFor([] { return false; }, ms);
    QObject::disconnect(read);
    QObject::disconnect(error);
    return events;
}

SimOptions SerialClock(int model)
{
    SimOptions o;
    o.model = model;
    o.serial = true;
    o.reportMs = 200;
    return o;
}
} // namespace

class FaultsSerial : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void portHeldByAnotherProgramIsNamed()
    {
        // Another program holds the port: its lock file names it, as Qt's
        // serial port (and most others) writes one, in the folder Qt uses.
        Harness h;
        h.AddClock(SerialClock(226));
        const QString device = h.SerialDevices().first();
        QProcess holder;
        holder.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(holder.waitForStarted());
        QString lockName = device.mid(5); // past "/dev/"
        lockName.replace(u'/', u'_');
        QString lockPath;
        for (const char* folder : {"/var/lock", "/run/lock", "/tmp"}) {
            if (QFileInfo(QLatin1String(folder)).isWritable()) {
                lockPath = QStringLiteral("%1/LCK..%2").arg(QLatin1String(folder), lockName);
                break;
            }
        }
        if (lockPath.isEmpty())
            QSKIP("no lock folder can be written here");
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::NewOnly));
        lock.write(QByteArray::number(holder.processId()) + "\nsleep\n" +
                   QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        const auto removeLock = qScopeGuard([&] {
            QFile::remove(lockPath);
            holder.kill();
            holder.waitForFinished();
        });

        h.SaveConnection(0, 1, 1);
        h.Start();
        const QString expected = QStringLiteral("%1 is in use by sleep (process %2)")
                                     .arg(device)
                                     .arg(holder.processId());
        QVERIFY2(Harness::WaitFor([&] { return h.Status().startsWith(expected); }, 5000),
                 qPrintable(h.Status()));
        QVERIFY(!h.Status().contains(QLatin1String("permission")));

        // The winner of a race to the port has made its lock file and not
        // yet written its id: the loser is told the port is in use, not to
        // get a permission it has (as root it has them all).
        QVERIFY(QFile::resize(lockPath, 0));
        SerialLink loser;
        loser.SetDevices({device});
        QVERIFY(!loser.Open(1));
        QCOMPARE(loser.LastOpenProblem(),
                 device + QStringLiteral(" is in use by another program: close it there, or "
                                         "choose another port."));
    }

    void deviceVanishesAndComesBack_data()
    {
        QTest::addColumn<int>("goneMs");
        // 0: closed and reopened at once, so the name usually stays the same;
        // otherwise the program sees the device missing for that long.
        QTest::newRow("reopened at once") << 0;
        QTest::newRow("gone for two seconds") << 2000;
    }

    void deviceVanishesAndComesBack()
    {
        QFETCH(int, goneMs);
        Harness h;
        SimulatedClock& clock = h.AddClock(SerialClock(226));
        h.SaveConnection(0, 1, 1, {}, 0);
        int reports = 0;
        h.Start();
        connect(&h.Core(), &Panel::TimeReportShown, this, [&](bool) { ++reports; });
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound && reports >= 2; }, 8000));
        const QString before = clock.PtyPath();

        QString error;
        if (goneMs > 0) {
            clock.ClosePty();
            // Losing the line must not turn into a busy loop of failing reopens.
            const int events = PortEventsWhileWaiting(h.Core().Session().Port(), goneMs);
            QVERIFY2(
                events < 200,
                qPrintable(QStringLiteral("%1 port events while the device is gone").arg(events)));
            QVERIFY2(clock.ReopenPty(&error), qPrintable(error));
        } else {
            QVERIFY2(clock.ReopenPty(&error), qPrintable(error));
            const int events = PortEventsWhileWaiting(h.Core().Session().Port(), 1000);
            QVERIFY2(events < 200,
                     qPrintable(
                         QStringLiteral("%1 port events after the device came back").arg(events)));
        }
        if (clock.PtyPath() != before)
            QSKIP("the device came back under another name; only the survival is tested");

        // The operator reconnects (the saved connection names the same port)
        // and the clock is found again, with its time shown.
        PanelTestAccess::State(h.Core()).ClockFound = false;
        Spawn(&h.Core(), h.Core().ConnectViaSerial());
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
        const int after = reports;
        QVERIFY(Harness::WaitFor([&] { return reports >= after + 2; }, 3000));
    }

    void clockFallsSilentDuringASettingsSend()
    {
        Harness h;
        SimulatedClock& clock = h.AddClock(SerialClock(226));
        h.SaveConnection(0, 1, 1, {}, 0);
        frmControlPanel& w = h.Start();
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 8000));
        QVERIFY(Harness::WaitFor([&] { return h.State().LastDstRecord.size() == 101; }, 3000));

        auto* zone = w.findChild<QComboBox*>("cmbTimeZone");
        auto* send = w.findChild<QPushButton*>("imageBTNSend");
        QVERIFY(zone && send);
        const int edited = (zone->currentIndex() + 3) % zone->count();
        zone->setCurrentIndex(edited);
        const QByteArray recordBefore = clock.State().MasterRecord();

        // The clock stops answering after the second frame of the send.
        int applied = 0;
        connect(&clock, &SimulatedClock::FrameApplied, this, [&](quint8) {
            if (++applied == 2)
                clock.SetSilent(true);
        });
        int reports = 0;
        connect(&h.Core(), &Panel::TimeReportShown, this, [&](bool) { ++reports; });
        QTest::mouseClick(send, Qt::LeftButton);
        QVERIFY(Harness::WaitFor([&] { return clock.IsSilent(); }, 3000));
        QVERIFY(!h.State().SendingSettings);
        // A report the clock wrote just before it fell silent may still be
        // on its way through the terminal; after that, none comes.
        Harness::WaitFor([] { return false; }, 500);
        reports = 0;
        Harness::WaitFor([] { return false; }, 1500);
        QCOMPARE(reports, 0);
        // The silent clock still took the frames in; the operator's edit stays.
        QVERIFY(clock.State().MasterRecord() != recordBefore);
        QCOMPARE(zone->currentIndex(), edited);

        // The clock answers again: the time comes back, and a fresh request
        // shows the setting the clock applied, which is the operator's.
        clock.SetSilent(false);
        QVERIFY(Harness::WaitFor([&] { return reports >= 2; }, 3000));
        Spawn(&h.Core(), h.Core().ConnectViaSerial());
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
        Harness::WaitFor([] { return false; }, 1000);
        QCOMPARE(zone->currentIndex(), edited);
    }
};

TARVO_TEST_CLASS(FaultsSerial)
#include "test_faults_serial.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The program started on settings stores that no version of it writes. It
// must start as the store's rules say (defaults for what does not fit), find
// the clock all the same, and never put a malformed frame or datagram on
// either link because of what it read.
#include "link/serial_frame.h"
#include "support/harness.h"
#include "support/test_registry.h"

#include <QFile>
#include <QtTest>

using namespace tarvo;

class FaultsStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startsOnAnOddStore_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("unreadable");
        const QByteArray head("[Settings]\n");
        QTest::newRow("huge numbers")
            << head + "ConnectionType=1e30\nComport=99999999999999999999\nClockType=70000\n"
                      "UpdatePCclock=123456789012\nIPaddress=127.0.48.5\n"
            << false;
        QTest::newRow("negative model on the right port")
            << head + "ConnectionType=0\nComport=1\nClockType=-2\nUpdatePCclock=0\n"
            << false;
        QTest::newRow("port beyond the list")
            << head + "ConnectionType=0\nComport=16\nClockType=4\n"
            << false;
        QTest::newRow("text") << head + "ConnectionType=serial\nComport=COM1\nClockType=model 229\n"
                                        "UpdatePCclock=yes\nIPaddress=999.0.0.300\n"
                              << false;
        QTest::newRow("unreadable") << head + "ConnectionType=0\nComport=1\nClockType=1\n" << true;
    }

    void startsOnAnOddStore()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, unreadable);
        Harness h;
        SimOptions o;
        o.model = 226;
        o.serial = true;
        o.udpAddress = "127.0.48.5";
        o.reportMs = 500;
        SimulatedClock& clock = h.AddClock(o);
        {
            QFile f(h.SettingsFile());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        if (unreadable) {
            QVERIFY(QFile::setPermissions(h.SettingsFile(), QFileDevice::Permissions()));
            QFile probe(h.SettingsFile());
            if (probe.open(QIODevice::ReadOnly))
                QSKIP("this user reads files without read permission (root); the case "
                      "cannot be made here");
        }

        QStringList malformed;
        int frames = 0;
        int datagrams = 0;
        connect(&clock, &SimulatedClock::FrameReceived, this,
                [&](quint8 command, const QByteArray& payload, int clockType) {
                    ++frames;
                    if (clockType == 0)
                        malformed << QString("frame %1 with an unknown trailer").arg(command);
                    (void)payload;
                });
        connect(&clock, &SimulatedClock::DatagramReceived, this,
                [&](quint8 code, const QByteArray& d, const QHostAddress&) {
                    ++datagrams;
                    if (d.size() != 131)
                        malformed << QString("datagram %1 of %2 bytes").arg(code).arg(d.size());
                });
        h.Start({"127.0.48.1"});

        // Whatever the store said, the program ends up with the clock, by its
        // saved connection or by the search that follows.
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 40000));
        Harness::WaitFor([] { return false; }, 1000);
        QVERIFY2(malformed.isEmpty(), qPrintable(malformed.join("; ")));
        QVERIFY(frames + datagrams > 0);
        const ClockConnection c = h.State().clockConnection;
        if (c.ConnectionType == 0)
            QCOMPARE(c.Comport, qint16(1));
        else
            QCOMPARE(c.IPaddress, QString("127.0.48.5"));
        QVERIFY(h.State().UpdatePCclock >= 0 && h.State().UpdatePCclock <= 2);
    }
};

TARVO_TEST_CLASS(FaultsStore)
#include "test_faults_store.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Byte layouts of the serial frame, the incoming-frame reassembly and the
// datagram, checked byte for byte.
#include "clock/clock_model.h"
#include "link/bytes.h"
#include "link/datagram.h"
#include "link/serial_frame.h"
#include "link/serial_receiver.h"
#include "link/udp_link.h"
#include "support/test_registry.h"

#include <QtTest>

using namespace tarvo;

class LinkCodecs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Payload, command, then the model's trailer, byte for byte: the time,
    // settings and DST frames (TestClockTimeCommands, TestClockMasterRecord,
    // TestDstRecord), read back by the simulated clock in every end-to-end test.
    void frameOfAModelNoClockHas()
    {
        QVERIFY(!ParseOutgoingFrame(QByteArray("\x01$VX-999U", 9)).has_value());
        // A model code no clock has (an odd settings store) goes out as a 226.
        for (int unknown : {-1, 0, 5})
            QCOMPARE(BuildSerialFrame(1, {}, ModelOrFallback(unknown)), QByteArray("\x01$VX-226U"));
    }

    void reassembly()
    {
        // Start byte and six bytes in one chunk, six bytes and the end in the next.
        SerialReassembler rx;
        const QByteArray report("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C", 12);
        int ends = 0;
        auto feed = [&](const QByteArray& chunk) {
            for (char c : chunk) {
                if (auto end = rx.Feed(quint8(c))) {
                    ++ends;
                    QCOMPARE(end->endByte, quint8(0xFE));
                    QVERIFY(end->inMessage);
                    QCOMPARE(end->rxCount, 12);
                    QCOMPARE(rx.RxBuffer().left(12), report);
                }
            }
        };
        feed(QByteArray(1, '\xFF') + report.left(6));
        feed(report.mid(6) + QByteArray(1, '\xFE'));
        QCOMPARE(ends, 1);
        QVERIFY(!rx.InMessage());
        QCOMPARE(rx.RxCount(), 0);
    }

    void strayBytesAndEndWithoutStart()
    {
        SerialReassembler rx;
        // Bytes without a start byte are stored, then dropped at the next start.
        for (char c : QByteArray("\x10\x11\x12", 3))
            QVERIFY(!rx.Feed(quint8(c)));
        QCOMPARE(rx.RxCount(), 3);
        QVERIFY(!rx.InMessage());
        const auto end = rx.Feed(0xFC);
        QVERIFY(end.has_value());
        QVERIFY(!end->inMessage);
        QCOMPARE(rx.RxCount(), 0);
        rx.Feed(0xF9);
        QVERIFY(rx.InMessage());
        QCOMPARE(rx.RxCount(), 0);
    }

    void wrapsAfter780()
    {
        SerialReassembler rx;
        rx.Feed(0xFF);
        for (int i = 0; i < 781; ++i)
            rx.Feed(quint8(i % 200));
        QCOMPARE(rx.RxCount(), 0);
        // The bytes after the wrap overwrite the first ones.
        rx.Feed(0x77);
        QCOMPARE(rx.RxCount(), 1);
        QCOMPARE(ByteAt(rx.RxBuffer(), 0), quint8(0x77));
        QCOMPARE(ByteAt(rx.RxBuffer(), 780), quint8(780 % 200));
        // 781 + 12 bytes leave the count at 12: such a frame is accepted as the
        // protocol's wrap allows.
        for (int i = 0; i < 11; ++i)
            rx.Feed(1);
        const auto end = rx.Feed(0xFE);
        QVERIFY(end && end->rxCount == 12);
    }

    void datagramLayout_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("password");
        QTest::newRow("default") << QByteArray("7315") << QByteArray("7315");
        QTest::newRow("two characters padded") << QByteArray("ab") << QByteArray("ab  ");
        QTest::newRow("six characters cut") << QByteArray("abcdef") << QByteArray("abcd");
        QTest::newRow("empty") << QByteArray() << QByteArray("    ");
    }
    void datagramLayout()
    {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, password);
        const QByteArray d = BuildDatagram(15, typed, QByteArray("\x01", 1));
        QCOMPARE(d.size(), DatagramLength);
        QCOMPARE(ByteAt(d, 0), quint8(15));
        QCOMPARE(d.mid(1, 4), password);
        QCOMPARE(ByteAt(d, 5), quint8(1));
        QCOMPARE(d.mid(6), QByteArray(125, '\0'));
    }

    void datagramPayloadIsCut()
    {
        const QByteArray d = BuildDatagram(5, "7315", QByteArray(200, '\x42'));
        QCOMPARE(d.size(), DatagramLength);
        QCOMPARE(d.mid(5), QByteArray(126, '\x42'));
        const QByteArray discovery = BuildDiscoveryDatagram();
        QCOMPARE(discovery, QByteArray(1, '\x04') + QByteArray(130, '\0'));
    }

    void broadcastAddresses_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("broadcast");
        QTest::newRow("class C") << "192.168.10.7"
                                 << "192.168.10.255";
        QTest::newRow("class A ignores mask") << "10.0.0.5"
                                              << "10.0.0.255";
        QTest::newRow("one dot") << "10.5"
                                 << "255";
        QTest::newRow("empty") << ""
                               << "255";
    }
    void broadcastAddresses()
    {
        QFETCH(QString, local);
        QFETCH(QString, broadcast);
        QCOMPARE(BroadcastAddressFor(local), broadcast);
    }

    void addressConversion()
    {
        QCOMPARE(ResolveAddress(QStringLiteral("192.168.1.20")), 0xC0A80114u);
        QCOMPARE(AddressToString(0xC0A80114u), QStringLiteral("192.168.1.20"));
        QCOMPARE(ResolveAddress(QString()), InvalidAddress);
        QCOMPARE(ResolveAddress(QStringLiteral("300.1.1.1")), InvalidAddress);
        QCOMPARE(ResolveAddress(QStringLiteral("localhost")), 0x7F000001u);
    }

    void copyBytes()
    {
        QByteArray destination("abcdef");
        CopyBytes(QByteArray("XYZ"), 0, destination, 2, 0);
        QCOMPARE(destination, QByteArray("abcdef"));
        CopyBytes(QByteArray("XYZ"), 1, destination, 4, 2);
        QCOMPARE(destination, QByteArray("abcdYZ"));
        // A run that would pass the end stops there instead of writing past it.
        CopyBytes(QByteArray("XYZ"), 0, destination, 5, 3);
        QCOMPARE(destination, QByteArray("abcdYX"));
    }
};

TARVO_TEST_CLASS(LinkCodecs)
#include "test_link_codecs.moc"

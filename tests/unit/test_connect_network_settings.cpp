// SPDX-License-Identifier: GPL-3.0-or-later
#include "connect/network_settings.h"
#include "link/bytes.h"
#include "support/test_registry.h"

#include <QTest>

using namespace tarvo;

namespace
{

using Bytes = QList<QPair<int, int>>; // offset, value

QByteArray RecordWith(const Bytes& bytes)
{
    QByteArray record = EmptyNetworkData();
    for (const auto& [offset, value] : bytes)
        SetByte(record, offset, value);
    return record;
}

// Bytes 22-27 hold port 10000 and address 192.168.1.5 for a time-server model,
// which a broadcasting model reads as broadcast address 16.39.192.168.
const Bytes SharedBytes = {{22, 0x10}, {23, 0x27}, {24, 192}, {25, 168}, {26, 1}, {27, 5}};

} // namespace

class TestNetworkSettings : public QObject
{
    Q_OBJECT

private slots:
    void unpackJoinsNibblePairs_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("record"); // 0 network, 1 email1, 2 email2
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("present");

        QByteArray p(NetworkSettingsPayloadLength, '\0');
        p[0] = 0x0A;
        p[1] = 0x0F;
        QTest::newRow("low nibble first") << p << 0 << 0 << 0xFA << true;
        p = QByteArray(NetworkSettingsPayloadLength, '\0');
        p[2 * 91] = 0x05;
        p[2 * 91 + 1] = char(0xFE); // only the low four bits of the second byte count
        QTest::newRow("high bits of second byte dropped") << p << 0 << 91 << 0xE5 << true;
        p = QByteArray(NetworkSettingsPayloadLength, '\0');
        p[256 + 2 * 3] = 0x01;
        p[256 + 2 * 3 + 1] = 0x02;
        QTest::newRow("email1 from byte 256") << p << 1 << 3 << 0x21 << true;
        p = QByteArray(NetworkSettingsPayloadLength, '\0');
        p[767] = 0x0C;
        QTest::newRow("last byte alone makes it present") << p << 2 << 127 << 0xC0 << true;
        QTest::newRow("all zero is absent")
            << QByteArray(NetworkSettingsPayloadLength, '\0') << 0 << 0 << 0 << false;
        QTest::newRow("short payload reads zeros")
            << QByteArray(3, '\x01') << 0 << 1 << 0x01 << true;
    }
    void unpackJoinsNibblePairs()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, record);
        QFETCH(int, index);
        QFETCH(int, expected);
        QFETCH(bool, present);

        const UnpackedNetworkSettings u = UnpackNetworkSettings(payload);
        const QByteArray records[] = {u.networkData, u.email1, u.email2};
        for (const QByteArray& r : records)
            QCOMPARE(r.size(), NetworkDataLength);
        QCOMPARE(ByteAt(records[record], index), expected);
        QCOMPARE(u.present, present);
    }

    void modelFromIdentifier_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("expected");
        QTest::newRow("229") << 229 << 2;
        QTest::newRow("207") << 207 << 3;
        QTest::newRow("213") << 213 << 1;
        QTest::newRow("226 names none") << 226 << 0;
        QTest::newRow("zero") << 0 << 0;
    }
    void modelFromIdentifier()
    {
        QFETCH(int, id);
        QFETCH(int, expected);
        QByteArray record(128, '\0');
        record[NetworkOffset::ModelIdentifier] = char(id);
        const ClockModel* named = ModelNamedIn(record);
        QCOMPARE(named ? named->code : 0, expected);
    }

    void commonFields()
    {
        const QByteArray record = RecordWith({{0, 10},
                                              {1, 0},
                                              {2, 0},
                                              {3, 5},
                                              {12, 10},
                                              {13, 0},
                                              {14, 0},
                                              {15, 254},
                                              {65, 8},
                                              {66, 8},
                                              {67, 4},
                                              {68, 4},
                                              {20, 0x10},
                                              {21, 0x27},
                                              {87, 2}});
        const NetworkSettingsView v = DecodeNetworkSettings(record, FindModel(2));
        QCOMPARE(v.clockAddress, QStringLiteral("10.0.0.5"));
        QCOMPARE(v.gateway, QStringLiteral("10.0.0.254"));
        QCOMPARE(v.dns, QStringLiteral("8.8.4.4"));
        QCOMPARE(v.serverPort, QStringLiteral("10000"));
        QVERIFY(v.configLocked); // any non-zero lock byte reads as locked
    }

    void serverGroupReadsSharedBytesAsPortAndAddress()
    {
        Bytes bytes = SharedBytes;
        bytes << std::pair{69, 0x40} << std::pair{70, 0x9C} << std::pair{71, 127}
              << std::pair{72, 0} << std::pair{73, 0} << std::pair{74, 9} << std::pair{88, 60}
              << std::pair{89, 0};
        const NetworkSettingsView v = DecodeNetworkSettings(RecordWith(bytes), FindModel(2));
        QCOMPARE(v.group, NetworkModelGroup::Servers);
        QCOMPARE(v.server1Port, QStringLiteral("10000"));
        QCOMPARE(v.server1, QStringLiteral("192.168.1.5"));
        QCOMPARE(v.server2Port, QStringLiteral("40000")); // above 32767, still a port
        QCOMPARE(v.server2, QStringLiteral("127.0.0.9"));
        QCOMPARE(v.minutesBetweenUpdates, QStringLiteral("60"));
        QVERIFY(v.broadcast[0].isEmpty());
        QVERIFY(v.broadcastInterval.isEmpty());
    }

    void broadcastGroupReadsSharedBytesAsAddress_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::newRow("226") << 1;
        QTest::newRow("207") << 3;
    }
    void broadcastGroupReadsSharedBytesAsAddress()
    {
        QFETCH(int, clockType);
        Bytes bytes = SharedBytes;
        bytes << std::pair{96, 255} << std::pair{88, 1} << std::pair{89, 1};
        const NetworkSettingsView v =
            DecodeNetworkSettings(RecordWith(bytes), FindModel(clockType));
        QCOMPARE(v.group, NetworkModelGroup::Broadcast);
        QCOMPARE(v.broadcast[0], QStringLiteral("16.39.192.168"));
        QCOMPARE(v.broadcast[1], QStringLiteral("0.0.0.0"));
        QCOMPARE(v.broadcast[2], QStringLiteral("255.0.0.0"));
        QCOMPARE(v.broadcastEnabled, (std::array<bool, 3>{true, false, true}));
        QCOMPARE(v.broadcastInterval, QStringLiteral("257"));
        QVERIFY(v.server1.isEmpty());
        QVERIFY(v.minutesBetweenUpdates.isEmpty());
    }

    void netmaskSelection_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::newRow("0 selects nothing") << 0 << -1 << QString();
        QTest::newRow("1") << 1 << 0 << "255.255.255.254";
        QTest::newRow("16") << 16 << 15 << "255.255.0.0";
        QTest::newRow("17 falls back") << 17 << 7 << "255.255.255.0";
    }
    void netmaskSelection()
    {
        QFETCH(int, code);
        QFETCH(int, index);
        QFETCH(QString, caption);
        QCOMPARE(NetmaskCaptions().size(), NetmaskCount);
        const NetworkSettingsView v = DecodeNetworkSettings(RecordWith({{6, code}}), FindModel(1));
        QCOMPARE(v.netmaskIndex, index);
        QCOMPARE(NetmaskCaptions().value(index), caption);
    }

    void password_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << QByteArray(4, '\0') << false << QString(4, QChar(0));
        QTest::newRow("7315") << QByteArray("7315") << true << "7315";
        QTest::newRow("zero inside")
            << QByteArray("A\0BC", 4) << true << QString::fromUtf16(u"A\0BC", 4);
        QTest::newRow("high code")
            << QByteArray("\xE9xyz") << true << QString::fromUtf16(u"\u00E9xyz");
    }
    void password()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, enabled);
        QFETCH(QString, text);
        QByteArray record = EmptyNetworkData();
        record.replace(8, 4, bytes);
        const NetworkSettingsView v = DecodeNetworkSettings(record, FindModel(2));
        QCOMPARE(v.passwordEnabled, enabled);
        QCOMPARE(v.passwordText, text);
    }

    void serialFramesCarryQuartersThenApply()
    {
        QByteArray record(NetworkDataLength, '\0');
        for (int i = 0; i < NetworkDataLength; ++i)
            SetByte(record, i, 255 - i);
        const QList<SerialCommand> frames = NetworkSettingsSerialFrames(record);
        QCOMPARE(frames.size(), 5);
        for (int q = 0; q < 4; ++q) {
            QCOMPARE(frames[q].command, quint8(30 + q));
            QCOMPARE(frames[q].payload, record.mid(32 * q, 32));
        }
        QCOMPARE(frames[4].command, quint8(42));
        QVERIFY(frames[4].payload.isEmpty());

        // A short record goes out padded, never as a short quarter.
        const QList<SerialCommand> padded = NetworkSettingsSerialFrames("\x01\x02");
        QCOMPARE(padded[0].payload, QByteArray("\x01\x02").leftJustified(32, '\0'));
        QCOMPARE(padded[3].payload, QByteArray(32, '\0'));
    }

    void datagramsCarryOffsetsUpTo125()
    {
        QByteArray record(NetworkDataLength, '\0');
        for (int i = 0; i < NetworkDataLength; ++i)
            SetByte(record, i, i + 1);
        const QList<QByteArray> datagrams = NetworkSettingsDatagrams(record, "7315");
        QCOMPARE(datagrams.size(), 2);
        const int codes[] = {5, 20};
        for (int d = 0; d < 2; ++d) {
            const QByteArray& g = datagrams[d];
            QCOMPARE(g.size(), 131);
            QCOMPARE(ByteAt(g, 0), codes[d]);
            QCOMPARE(g.mid(1, 4), QByteArray("7315"));
            QCOMPARE(g.mid(5), record.left(126)); // 126 and 127 stay behind
        }
    }
};

TARVO_TEST_CLASS(TestNetworkSettings)
#include "test_connect_network_settings.moc"

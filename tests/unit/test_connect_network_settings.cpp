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

    // The fields as a whole are read in TestCliNetworkDst::networkToJson; here
    // the edges its records do not hold: any lock byte but 0 is locked, and a
    // broadcast address with one octet set is on.
    void lockAndBroadcastEdges()
    {
        const NetworkSettingsView v =
            DecodeNetworkSettings(RecordWith({{87, 2}, {96, 255}}), FindModel(1));
        QVERIFY(v.configLocked);
        QCOMPARE(v.broadcast[2], QStringLiteral("255.0.0.0"));
        QVERIFY(v.broadcastEnabled[2]);
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

    // The four quarters and the command that applies them reach a clock whole
    // (ConnectSettings, TestCliSerial); a short record goes out padded, never
    // as a short quarter.
    void shortRecordGoesOutPadded()
    {
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

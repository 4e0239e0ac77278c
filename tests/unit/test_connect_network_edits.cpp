// SPDX-License-Identifier: GPL-3.0-or-later
#include "connect/network_edits.h"
#include "connect/network_settings.h"
#include "link/bytes.h"
#include "support/test_registry.h"

#include <QTest>

using namespace tarvo;

Q_DECLARE_METATYPE(AddressField)
Q_DECLARE_METATYPE(NumberField)

namespace
{

int At(const QByteArray& record, int offset)
{
    return ByteAt(record, offset);
}

// Every byte set, so that a write of zero shows as well as any other.
QByteArray FilledRecord()
{
    return QByteArray(NetworkDataLength, char(0xAA));
}

} // namespace

class TestNetworkEdits : public QObject
{
    Q_OBJECT

private slots:
    void addressFieldOutOfRangeWritesNothing_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("value");
        QTest::newRow("position 0") << 0 << 1;
        QTest::newRow("position 5") << 5 << 1;
        QTest::newRow("value 256") << 1 << 256;
    }
    void addressFieldOutOfRangeWritesNothing()
    {
        QFETCH(int, position);
        QFETCH(int, value);
        QByteArray record = FilledRecord();
        QVERIFY(!ApplyAddressFieldChange(record, AddressField::Gateway, position, value));
        QCOMPARE(record, FilledRecord());
    }

    void numberBoxWritesLowThenHigh_data()
    {
        QTest::addColumn<NumberField>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("port 40000 unsigned")
            << NumberField::ServerPort << "40000" << 20 << 0x40 << 0x9C;
        QTest::newRow("port 65535") << NumberField::ServerPort << "65535" << 20 << 0xFF << 0xFF;
        QTest::newRow("frequency") << NumberField::BroadcastInterval << "300" << 88 << 44 << 1;
        QTest::newRow("2.5 to even") << NumberField::ServerPort << "2.5" << 20 << 2 << 0;
        QTest::newRow("-0.4 is 0") << NumberField::ServerPort << "-0.4" << 20 << 0 << 0;
    }
    void numberBoxWritesLowThenHigh()
    {
        QFETCH(NumberField, box);
        QFETCH(QString, text);
        QFETCH(int, offset);
        QFETCH(int, low);
        QFETCH(int, high);
        QByteArray record = FilledRecord();
        const NumberFieldEdit edit = ApplyNumberFieldChange(record, box, text);
        QVERIFY(edit.written);
        QVERIFY(!edit.refused);
        QCOMPARE(edit.value, low + 256 * high);
        QByteArray expected = FilledRecord();
        SetByte(expected, offset, low);
        SetByte(expected, offset + 1, high);
        QCOMPARE(record, expected);
    }

    void numberBoxRefusesWhatDoesNotFit_data()
    {
        QTest::addColumn<NumberField>("box");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative port") << NumberField::ServerPort << "-1";
        QTest::newRow("port 65536") << NumberField::Server1Port << "65536";
        QTest::newRow("65535.5 rounds past") << NumberField::ServerPort << "65535.5";
        QTest::newRow("negative frequency") << NumberField::BroadcastInterval << "-2";
    }
    void numberBoxRefusesWhatDoesNotFit()
    {
        QFETCH(NumberField, box);
        QFETCH(QString, text);
        QByteArray record = FilledRecord();
        const NumberFieldEdit edit = ApplyNumberFieldChange(record, box, text);
        QVERIFY(edit.refused);
        QVERIFY(!edit.written);
        QVERIFY(!edit.replacementText);
        QCOMPARE(record, FilledRecord());
    }

    void broadcastFrequencyLabelAndReset_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("replacement"); // empty: the text stays
        QTest::addColumn<int>("written");
        QTest::newRow("1") << "1"
                           << "minute" << QString() << 1;
        QTest::newRow("1.0") << "1.0"
                             << "minute" << QString() << 1;
        QTest::newRow("0") << "0"
                           << "minutes" << QString() << 0;
        QTest::newRow("empty") << ""
                               << "minutes" << QString() << 0;
        QTest::newRow("65535") << "65535"
                               << "minutes" << QString() << 65535;
        QTest::newRow("65535.4") << "65535.4"
                                 << "minutes"
                                 << "0" << 0;
    }
    void broadcastFrequencyLabelAndReset()
    {
        QFETCH(QString, text);
        QFETCH(QString, label);
        QFETCH(QString, replacement);
        QFETCH(int, written);
        QByteArray record = FilledRecord();
        const NumberFieldEdit edit =
            ApplyNumberFieldChange(record, NumberField::BroadcastInterval, text);
        QCOMPARE(edit.unitLabel, label);
        QCOMPARE(edit.replacementText.value_or(QString()), replacement);
        QVERIFY(edit.written);
        QCOMPARE(At(record, 88) + 256 * At(record, 89), written);
        QVERIFY(ApplyNumberFieldChange(record, NumberField::ServerPort, "5").unitLabel.isEmpty());
    }

    void netmaskClick_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("code"); // -1: nothing written
        QTest::newRow("first") << 0 << 1;
        QTest::newRow("255.255.255.0") << NetmaskCaptions().indexOf("255.255.255.0") << 8;
        QTest::newRow("last") << 15 << 16;
        QTest::newRow("none selected") << -1 << -1;
        QTest::newRow("past the list") << 16 << -1;
    }
    void netmaskClick()
    {
        QFETCH(int, index);
        QFETCH(int, code);
        QByteArray record = FilledRecord();
        QCOMPARE(ApplyNetmaskSelection(record, index), code >= 0);
        QCOMPARE(At(record, 6), code >= 0 ? code : 0xAA);
    }

    // Each address's offset and the flag for none on are the file's rows
    // (TestCliNetworkDst::networkFromJson: "broadcast 2 on", "every broadcast
    // off"); here a box unticked while another stays on, ticked again, and a
    // box that does not exist.
    void broadcastEnable()
    {
        QByteArray record = EmptyNetworkData();
        const std::array<quint8, 4> shown2 = {10, 0, 0, 255};
        record.replace(92, 4, "\x0a\x00\x00\xff");
        SetByte(record, 90, 1);

        QVERIFY(!ApplyBroadcastEnable(record, 2, {true, false, false}, shown2));
        QCOMPARE(record.mid(92, 4), QByteArray(4, '\0'));
        QCOMPARE(At(record, 90), 1); // box 1 still checked

        QVERIFY(ApplyBroadcastEnable(record, 2, {true, true, false}, shown2));
        QCOMPARE(record.mid(92, 4), QByteArray("\x0a\x00\x00\xff", 4));

        const QByteArray before = record;
        QVERIFY(!ApplyBroadcastEnable(record, 4, {true, true, true}, shown2));
        QCOMPARE(record, before);
    }

    void editsGrowAShortRecord()
    {
        QByteArray record;
        QVERIFY(ApplyAddressFieldChange(record, AddressField::Broadcast3, 4, 7));
        QCOMPARE(record.size(), NetworkDataLength);
        QCOMPARE(At(record, 99), 7);
    }
};

TARVO_TEST_CLASS(TestNetworkEdits)
#include "test_connect_network_edits.moc"

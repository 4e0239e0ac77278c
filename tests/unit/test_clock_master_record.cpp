// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/master_record.h"
#include "link/bytes.h"
#include "link/datagram.h"
#include "support/test_registry.h"

#include <QTest>

using namespace tarvo;

namespace
{

QByteArray Bytes(std::initializer_list<int> values)
{
    return PayloadOf(values);
}

// A 16-byte record with every field away from zero: time zone +5.5 with auto DST,
// date format 3 and 24-hour code, SMPTE mode 4 with resync and drift 7, resync
// 23:30:59, millisecond code 50, relay 1 at 02:15, relay 2 off, relays 3 and 4 at
// 59:59 and 00:00.
QByteArray SampleRecord(int byte15)
{
    return Bytes({0x40 | 53, 0x38, 0x7C, 59, 30, 23, 50, 15, 2, 30, 63, 59, 59, 0, 0, byte15});
}

QByteArray ModemRecord(std::initializer_list<int> phone, int minute, int hour, int updates)
{
    QByteArray record = SampleRecord(0x2A).leftJustified(SerialMasterRecordLength, '\0');
    int i = 18;
    for (int digit : phone)
        SetByte(record, i++, digit);
    SetByte(record, 38, minute);
    SetByte(record, 39, hour);
    SetByte(record, 40, updates);
    return record;
}

QList<int> CommandBytes(const QList<SerialCommand>& commands)
{
    QList<int> bytes;
    for (const SerialCommand& c : commands)
        bytes.append(c.command);
    return bytes;
}

} // namespace

class TestClockMasterRecord : public QObject
{
    Q_OBJECT

private slots:
    void byte15PerModel_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::addColumn<int>("byte15");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("position"); // -2: selection left as it is
        QTest::addColumn<int>("flags");    // DSTCustom, DisplayFormat24 x2, RisingEdge x4
        QTest::addColumn<int>("sentBack");
        QTest::newRow("226 field 10 is entry 0") << 1 << 40 << 10 << 10 << 0 << 40;
        QTest::newRow("226 with dst and display") << 1 << 43 << 10 << 10 << 3 << 43;
        QTest::newRow("226 field 21, just past the list") << 1 << 84 << 21 << -2 << 4 << 84;
        QTest::newRow("229 -1") << 2 << 0x44 << 17 << 14 << 4 << 0x44;
        QTest::newRow("229 code 16 has no entry") << 2 << 0x40 << 16 << -2 << 0 << 0x40;
        QTest::newRow("207 all flags") << 3 << 0x07 << 1 << -2 << 7 << 0x07;
        QTest::newRow("222 n+10") << 4 << 0x2A << 10 << 10 << 2 << 0x2A;
    }
    void byte15PerModel()
    {
        QFETCH(int, clockType);
        QFETCH(int, byte15);
        const QByteArray record = SampleRecord(byte15);
        const auto [s, v] = DecodeMasterRecord(record, FindModel(clockType), ClockSettings{});
        QTEST(int(s.SecondOffsetCode), "code");
        QTEST(v.secondOffsetPosition.value_or(-2), "position");
        QTEST(s.DSTCustom + 2 * s.DisplayFormat24 + 4 * s.RisingEdge, "flags");
        QCOMPARE(v.dstCustom.value_or(false), s.DSTCustom == 1);

        // Sending back what was received gives the same record; the 222 keeps
        // byte 15 of the copy it was given.
        const QByteArray sent = ComposeMasterRecord(s, FindModel(clockType),
                                                    v.secondOffsetPosition.value_or(-1), record);
        QFETCH(int, sentBack);
        QCOMPARE(int(ByteAt(sent, 15)), sentBack);
        QCOMPARE(sent.first(15), record.first(15));
        if (clockType == 4)
            QCOMPARE(int(ByteAt(ComposeMasterRecord(s, FindModel(4), 10, {}), 15)), 0);
    }

    void model1SerialFrameCarriesFieldUntilPicked()
    {
        ClockSettings s = DecodeMasterRecord(SampleRecord(40), FindModel(1), {}).settings;
        auto frame10 = [&] { return MasterSettingsSerialFrames(s, FindModel(1), {}).at(6); };
        QCOMPARE(frame10(), (SerialCommand{10, Bytes({10})}));
        s.SecondOffsetCode = SecondOffsetEntries(FindModel(1)).at(8).data; // the operator picks -2
        QCOMPARE(frame10(), (SerialCommand{10, Bytes({5})}));
        QCOMPARE(int(ByteAt(ComposeMasterRecord(s, FindModel(1), 8, {}), 15)), 32);
    }

    void shortRecordLeavesTheRest_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("empty") << 0;
        QTest::newRow("resync second only") << 4;
        QTest::newRow("relay 1 seconds only") << 8;
        QTest::newRow("network record on the modem model") << 16;
    }
    void shortRecordLeavesTheRest()
    {
        QFETCH(int, length);
        ClockSettings before;
        before.ResyncTime = {1, 2, 3};
        before.RelayTable[0] = {9, 8, 0};
        before.CallTime = {6, 45};
        before.UpdatesPerDay = 3;
        before.DSTCustom = 1;
        const QByteArray full = ModemRecord({5, 5, 255}, 10, 11, 2);
        const auto [s, v] = DecodeMasterRecord(full.first(length), FindModel(4), before);
        const auto all = DecodeMasterRecord(full, FindModel(4), before).settings;

        QCOMPARE(v.timeZonePosition.has_value(), length > 0);
        QCOMPARE(s.ResyncTime.Second, length > 3 ? all.ResyncTime.Second : 3);
        QCOMPARE(s.ResyncTime.Minute, length > 4 ? all.ResyncTime.Minute : 2);
        QCOMPARE(s.RelayTable[0].Seconds, length > 7 ? all.RelayTable[0].Seconds : 8);
        QCOMPARE(s.RelayTable[0].Minutes, length > 8 ? all.RelayTable[0].Minutes : 9);
        QCOMPARE(int(s.RelayTable[0].Enabled), length > 8 ? 1 : 0);
        QCOMPARE(v.relays[0].enabled, s.RelayTable[0].Enabled == 1);
        QCOMPARE(s.DSTCustom, length > 15 ? all.DSTCustom : 1);
        QCOMPARE(v.dstCustom.has_value(), length > 15);
        // The modem fields: the phone text is always emptied, the rest kept.
        QCOMPARE(v.phoneText.value_or("absent"), QString());
        QCOMPARE(s.CallTime, before.CallTime);
        QCOMPARE(s.UpdatesPerDay, 3);
        QVERIFY(!v.callTime && !v.updatesPerDayPosition);
    }

    void listValuesWithoutEntry_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("timeZonePosition");
        QTest::addColumn<int>("subSecondPosition"); // -2 left as it is, -1 none
        QTest::addColumn<int>("smptePosition");
        QTest::newRow("unknown zone 13") << Bytes({13, 0, 0, 0, 0, 0, 1}) << 24 << 0 << 0;
        QTest::newRow("zone -0.5, code 0") << Bytes({32, 0, 0, 0, 0, 0, 0}) << 23 << -1 << 0;
        QTest::newRow("mode 7, code 100") << Bytes({0, 0, 7, 0, 0, 0, 100}) << 24 << -2 << -2;
    }
    void listValuesWithoutEntry()
    {
        QFETCH(QByteArray, record);
        const auto [s, v] = DecodeMasterRecord(record, FindModel(1), {});
        QTEST(*v.timeZonePosition, "timeZonePosition");
        QTEST(v.subSecondPosition.value_or(-2), "subSecondPosition");
        QTEST(v.smpteModePosition.value_or(-2), "smptePosition");
        // The received values go back unchanged even where no entry shows them.
        const QByteArray sent = ComposeMasterRecord(s, FindModel(1), 0, {});
        QCOMPARE(ByteAt(sent, 0), ByteAt(record, 0));
        QCOMPARE(ByteAt(sent, 2), ByteAt(record, 2));
        QCOMPARE(ByteAt(sent, 6), ByteAt(record, 6));
    }

    void modemFields_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QTime>("callTime"); // invalid: the picker is left alone
        QTest::addColumn<int>("updates");
        QTest::newRow("555") << ModemRecord({5, 5, 5, 255}, 5, 23, 4) << "555" << QTime(23, 5) << 4;
        QTest::newRow("stops at low nibble 15, masks time")
            << ModemRecord({0, 9, 0x1F, 3}, 0xC5, 0xF7, 0x0B) << "09" << QTime(23, 5) << 3;
        QTest::newRow("twenty digits, no end mark")
            << ModemRecord({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 0, 0, 5)
            << QString(20, u'1') << QTime(0, 0) << 1;
        QTest::newRow("hour 25, updates 7") << ModemRecord({255}, 59, 25, 7) << "" << QTime() << 1;
    }
    void modemFields()
    {
        QFETCH(QByteArray, record);
        QFETCH(QTime, callTime);
        const auto [s, v] = DecodeMasterRecord(record, FindModel(4), {});
        QTEST(*v.phoneText, "phone");
        QCOMPARE(v.callTime.value_or(QTime()), callTime);
        if (callTime.isValid())
            QCOMPARE(s.CallTime,
                     (ModemCallTime{quint8(callTime.hour()), quint8(callTime.minute())}));
        QTEST(int(s.UpdatesPerDay), "updates");
        QTEST(*v.updatesPerDayPosition, "updates");
    }

    void serialFrameOrder_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QList<int>>("commands");
        const QList<int> head = {5, 6, 20, 7, 8, 9};
        const QList<int> tail = {12, 25, 13, 14, 15, 16, 17, 18};
        QTest::newRow("226") << 1 << "" << head + QList<int>{10, 11} + tail;
        QTest::newRow("207") << 3 << "" << head + QList<int>{26} + tail;
        QTest::newRow("222 without digits")
            << 4 << "n/a" << head + QList<int>{10, 11} + tail + QList<int>{28, 29};
        QTest::newRow("222 with 21 digits")
            << 4 << QString(21, u'7') << head + QList<int>{10, 11} + tail + QList<int>{28, 29};
    }
    void serialFrameOrder()
    {
        QFETCH(int, clockType);
        QFETCH(QString, phone);
        QTEST(CommandBytes(MasterSettingsSerialFrames({}, FindModel(clockType), phone)),
              "commands");
    }

    void serialFramesByteForByte()
    {
        ClockSettings s = DecodeMasterRecord(ModemRecord({}, 30, 7, 2), FindModel(4), {}).settings;
        const QList<SerialCommand> commands =
            MasterSettingsSerialFrames(s, FindModel(4), "(555) 123-4567 ext.");
        const QList<QByteArray> frames = BuildSerialFrames(commands, ModelOrFallback(4));
        const QList<QByteArray> expected = {
            Bytes({53, 5}),
            Bytes({1, 6}),
            Bytes({0, 20}),
            Bytes({4, 7}),
            Bytes({7, 8}),
            Bytes({3, 9}),
            Bytes({10, 10}),
            Bytes({50, 11}),
            Bytes({1, 12}),
            Bytes({1, 25}),
            Bytes({23, 30, 59, 13}),
            Bytes({1, 14}),
            Bytes({2, 15, 15}),
            Bytes({63, 63, 16}),
            Bytes({59, 59, 17}),
            Bytes({0, 0, 18}),
            Bytes({5,   5,   5,   1,   2,   3,   4,   5,   6,   7, 255,
                   255, 255, 255, 255, 255, 255, 255, 255, 255, 27}),
            Bytes({7, 30, 28}),
            Bytes({2, 29})};
        QCOMPARE(frames.size(), expected.size());
        for (qsizetype i = 0; i < frames.size(); ++i)
            QCOMPARE(frames[i], expected[i] + "$VX-222U");
    }

    void relaySwitchedOffGoesOutAs63()
    {
        ClockSettings s;
        s.RelayTable[2] = {12, 34, 1};
        SetRelayEnabled(s, 2, false, QTime(0, 12, 34));
        QCOMPARE(s.RelayTable[2], (RelayEvent{255, 255, 0}));
        QCOMPARE(MasterSettingsSerialFrames(s, FindModel(1), {}).at(14),
                 (SerialCommand{17, Bytes({63, 63})}));
        const QByteArray record = ComposeMasterRecord(s, FindModel(1), 10, {});
        QCOMPARE(record.mid(11, 2), Bytes({63, 63}));
        SetRelayEnabled(s, 2, true, QTime(0, 12, 34));
        QCOMPARE(s.RelayTable[2], (RelayEvent{12, 34, 1}));
    }

    void datagramsRepeatAndCarryRecord()
    {
        const auto [s, v] = DecodeMasterRecord(SampleRecord(0x44), FindModel(2), {});
        const QByteArray copy = ComposeMasterRecord(s, FindModel(2), -1, {});
        const QByteArray first = MasterSettingsDatagram("7315", copy);
        const QByteArray second =
            MasterSettingsDatagram("7315", ComposeMasterRecord(s, FindModel(2), -1, copy));
        QCOMPARE(first, second);
        QCOMPARE(first.size(), DatagramLength);
        QCOMPARE(first.first(5), QByteArray("\x08"
                                            "7315"));
        QCOMPARE(first.mid(5, 16), SampleRecord(0x44));
        QCOMPARE(first.mid(21), QByteArray(110, '\0'));
    }
};

TARVO_TEST_CLASS(TestClockMasterRecord)
#include "test_clock_master_record.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated clock's records, command rules and start-up checks, without traffic.

#include "clock/clock_model.h"
#include "clock_state.h"
#include "serial_splitter.h"
#include "sim_records.h"
#include "simulated_clock.h"
#include "support/test_registry.h"

#include "link/bytes.h"
#include "link/datagram.h"
#include "link/serial_frame.h"

#include <QTest>

using namespace tarvo;

namespace
{

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

bool AllBelowDelimiters(const QByteArray& bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (ByteAt(bytes, i) >= 0xF8)
            return false;
    }
    return true;
}

} // namespace

class TestSimRecords : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void usDstDates_data();
    void usDstDates();
    void dstLayoutsBothWays();
    void networkReplyIsNibbles();
    void timeReportLayout();
    void factoryRecordsFitTheSerialLink_data();
    void factoryRecordsFitTheSerialLink();
    void splitter_data();
    void splitter();
    void masterSettingCommands_data();
    void masterSettingCommands();
    void timeCommandsMoveTheOffset();
    void masterDatagramIsMasked();
    void password_data();
    void password();
    void networkRecordWaitsForApply();
    void startRefuses_data();
    void startRefuses();
};

void TestSimRecords::usDstDates_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("spring");
    QTest::addColumn<int>("fall");
    QTest::newRow("2026") << 2026 << 8 << 1;
    QTest::newRow("2027") << 2027 << 14 << 7;
    QTest::newRow("2028 leap, 1 Mar Wednesday") << 2028 << 12 << 5;
    QTest::newRow("2037, 1 Mar Sunday") << 2037 << 8 << 1;
    QTest::newRow("2031, 1 Nov Saturday") << 2031 << 9 << 2;
}

void TestSimRecords::usDstDates()
{
    QFETCH(int, year);
    QFETCH(int, spring);
    QFETCH(int, fall);
    const SimDstTables tables = UsDstTables(26);
    const int i = year - 2026;
    QCOMPARE(tables.springDays[i], spring);
    QCOMPARE(tables.fallDays[i], fall);
    QCOMPARE(QDate(year, 3, spring).dayOfWeek(), Qt::Sunday);
    QCOMPARE(QDate(year, 11, fall).dayOfWeek(), Qt::Sunday);
}

void TestSimRecords::dstLayoutsBothWays()
{
    SimDstTables tables = UsDstTables(26);
    tables.springHour = 1;
    tables.fallHour = 23;
    const QByteArray record = SimDstRecord(tables);
    QCOMPARE(record.size(), SimDstRecordLength);
    QCOMPARE(record.first(7), Bytes({26, 1, 23, 3, 11, 8, 1}));
    QCOMPARE(ByteAt(record, 5 + 2 * 47), tables.springDays[47]);
    QCOMPARE(ByteAt(record, 6 + 2 * 47), tables.fallDays[47]);

    const QByteArray payload = DstDatagramPayload(tables);
    QCOMPARE(payload.first(7), Bytes({11, 3, 23, 1, 26, 8, 1}));
    QCOMPARE(payload.mid(5), record.mid(5));
    QVERIFY(DstFromDatagramPayload(payload) == tables);
}

void TestSimRecords::networkReplyIsNibbles()
{
    QByteArray record(NetworkRecordLength, '\0');
    SetByte(record, 0, 0x7F);
    SetByte(record, 20, 0x10);
    SetByte(record, 21, 0x27);
    SetByte(record, 127, 0xFF);
    const QByteArray payload = NetworkReplyPayload(record);
    QCOMPARE(payload.size(), NetworkReplyLength);
    QCOMPARE(payload.first(2), Bytes({0x0F, 0x07}));
    QCOMPARE(payload.mid(40, 4), Bytes({0x00, 0x01, 0x07, 0x02}));
    QCOMPARE(payload.mid(254, 2), Bytes({0x0F, 0x0F}));
    QCOMPARE(payload.mid(256), QByteArray(512, '\0'));
}

void TestSimRecords::timeReportLayout()
{
    const QDateTime time(QDate(2006, 3, 7), QTime(14, 5, 9));
    QCOMPARE(TimeReportPayload(time, true), Bytes({0, 0, 0, 0, 0, 9, 7, 3, 6, 14, 5, 1}));
    QCOMPARE(ByteAt(TimeReportPayload(time, false), 11), 0);
    const QDateTime late(QDate(2100, 1, 1), QTime(0, 0));
    QCOMPARE(ByteAt(TimeReportPayload(late, false), 8), 0xF7);
}

void TestSimRecords::factoryRecordsFitTheSerialLink_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("byte15");
    QTest::addColumn<int>("identifier");
    QTest::newRow("226: position 10") << 226 << (2 + 4 * 10) << 213;
    QTest::newRow("229: code 0") << 229 << 2 << 229;
    QTest::newRow("207: rising edge") << 207 << 6 << 207;
    QTest::newRow("222: code 10") << 222 << (2 + 4 * 10) << 222;
}

void TestSimRecords::factoryRecordsFitTheSerialLink()
{
    QFETCH(int, model);
    QFETCH(int, byte15);
    QFETCH(int, identifier);
    const ClockState state(ClockTypeForModel(model), QStringLiteral("127.0.0.9"), "abcd", true);
    QCOMPARE(ByteAt(state.MasterRecord(), 0), 5 + 64);
    QCOMPARE(ByteAt(state.MasterRecord(), 6), 50);
    QCOMPARE(ByteAt(state.MasterRecord(), 15), byte15);
    QCOMPARE(ByteAt(state.NetworkRecord(), 91), identifier);
    QCOMPARE(AddressAt(state.NetworkRecord(), 0), QStringLiteral("127.0.0.9"));
    QCOMPARE(state.NetworkRecord().mid(8, 4), QByteArray("abcd"));
    QCOMPARE(ByteAt(state.NetworkRecord(), 20) + 256 * ByteAt(state.NetworkRecord(), 21), 10000);
    for (const QByteArray& frame :
         {state.MasterReplyFrame(), state.NetworkReplyFrame(), state.DstReplyFrame()}) {
        QVERIFY(AllBelowDelimiters(frame.mid(1, frame.size() - 2)));
    }
    QCOMPARE(state.MasterReplyFrame().size(), MasterRecordLength + 2);
    QCOMPARE(state.NetworkReplyFrame().size(), NetworkReplyLength + 2);
    QCOMPARE(state.DstReplyFrame().size(), SimDstRecordLength + 2);
}

void TestSimRecords::splitter_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QByteArray>("commands"); // expected commands, in order
    QTest::addColumn<QByteArray>("types");    // their model codes
    const QByteArray a = BuildSerialFrame(1, {}, ModelOrFallback(2));
    const QByteArray b = BuildSerialFrame(13, Bytes({3, 0, 0}), ModelOrFallback(1));
    QTest::newRow("one frame") << QList<QByteArray>{a} << Bytes({1}) << Bytes({2});
    QTest::newRow("back to back") << QList<QByteArray>{a + b + a} << Bytes({1, 13, 1})
                                  << Bytes({2, 1, 2});
    QTest::newRow("split inside the trailer")
        << QList<QByteArray>{a.first(5), a.mid(5) + b.first(3), b.mid(3)} << Bytes({1, 13})
        << Bytes({2, 1});
    QTest::newRow("byte by byte") << [&] {
        QList<QByteArray> bytes;
        for (char c : b)
            bytes << QByteArray(1, c);
        return bytes;
    }() << Bytes({13}) << Bytes({1});
    QTest::newRow("unknown trailer is payload")
        << QList<QByteArray>{QByteArray("\x05$VX-999U") + a} << Bytes({1}) << Bytes({2});
    QTest::newRow("trailer alone is no frame")
        << QList<QByteArray>{QByteArray("$VX-226U") + a} << Bytes({1}) << Bytes({2});
}

void TestSimRecords::splitter()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, types);
    SerialFrameSplitter splitter;
    QList<OutgoingFrame> frames;
    for (const QByteArray& chunk : chunks)
        frames += splitter.Feed(chunk);
    QCOMPARE(frames.size(), commands.size());
    for (int i = 0; i < frames.size(); ++i) {
        QCOMPARE(frames[i].command, ByteAt(commands, i));
        QCOMPARE(frames[i].clockType, ByteAt(types, i));
    }
    QCOMPARE(splitter.Buffered(), 0);
}

void TestSimRecords::masterSettingCommands_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("expected"); // pairs: index, value after the command
    QTest::newRow("time zone keeps AutoDST") << 226 << 5 << Bytes({19}) << Bytes({0, 19 + 64});
    QTest::newRow("AutoDST off") << 226 << 6 << Bytes({0}) << Bytes({0, 5});
    QTest::newRow("date format") << 226 << 9 << Bytes({3}) << Bytes({1, 0x18 + 32});
    QTest::newRow("12-hour time code") << 226 << 12 << Bytes({0}) << Bytes({1, 8});
    QTest::newRow("SMPTE mode") << 226 << 7 << Bytes({2}) << Bytes({2, 2 + 8 + 32});
    QTest::newRow("drift window") << 226 << 8 << Bytes({7}) << Bytes({2, 8 + 0x70});
    QTest::newRow("resync off") << 226 << 14 << Bytes({0}) << Bytes({2, 32});
    QTest::newRow("resync time reversed")
        << 226 << 13 << Bytes({23, 59, 58}) << Bytes({3, 58, 4, 59, 5, 23});
    QTest::newRow("relay 1 off") << 226 << 15 << Bytes({63, 63}) << Bytes({7, 63, 8, 63});
    QTest::newRow("relay 4 minutes first")
        << 226 << 18 << Bytes({12, 34}) << Bytes({13, 34, 14, 12});
    QTest::newRow("226 second offset code 5 is -2")
        << 226 << 10 << Bytes({5}) << Bytes({15, 2 + 4 * 8});
    QTest::newRow("226 unknown code kept") << 226 << 10 << Bytes({10}) << Bytes({15, 42});
    QTest::newRow("229 code 17") << 229 << 10 << Bytes({17}) << Bytes({15, 0x44 + 2});
    QTest::newRow("222 code 0") << 222 << 10 << Bytes({0}) << Bytes({15, 2});
    QTest::newRow("207 has no second offset") << 207 << 10 << Bytes({5}) << Bytes({15, 6});
    QTest::newRow("207 falling edge") << 207 << 26 << Bytes({0}) << Bytes({15, 2});
    QTest::newRow("226 ignores edge") << 226 << 26 << Bytes({0}) << Bytes({15, 42});
    QTest::newRow("millisecond code") << 226 << 11 << Bytes({1}) << Bytes({6, 1});
    QTest::newRow("custom DST") << 226 << 20 << Bytes({1}) << Bytes({15, 43});
    QTest::newRow("12-hour display") << 226 << 25 << Bytes({0}) << Bytes({15, 40});
    QByteArray phone = Bytes({1, 2, 3});
    phone.append(17, '\xFF');
    QByteArray phoneBytes = Bytes({18, 1, 19, 2, 20, 3});
    for (int i = 21; i <= 37; ++i)
        phoneBytes += Bytes({i, 15});
    QTest::newRow("phone fill kept below delimiters") << 222 << 27 << phone << phoneBytes;
    QTest::newRow("call time") << 222 << 28 << Bytes({7, 45}) << Bytes({39, 7, 38, 45});
    QTest::newRow("updates per day") << 222 << 29 << Bytes({4}) << Bytes({40, 4});
    QTest::newRow("226 has no modem") << 226 << 29 << Bytes({4}) << Bytes({40, 0});
    QTest::newRow("wrong length ignored") << 226 << 5 << Bytes({1, 2}) << Bytes({0, 69});
    QTest::newRow("factory defaults") << 226 << 19 << QByteArray() << Bytes({0, 69, 15, 42});
}

void TestSimRecords::masterSettingCommands()
{
    QFETCH(int, model);
    QFETCH(int, command);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, expected);
    ClockState state(ClockTypeForModel(model), {}, {}, true);
    const QByteArray before = state.MasterRecord();
    state.ApplySerial(static_cast<quint8>(command), payload);
    QByteArray want = before;
    for (int i = 0; i + 1 < expected.size(); i += 2)
        SetByte(want, ByteAt(expected, i), ByteAt(expected, i + 1));
    QCOMPARE(state.MasterRecord().toHex(' '), want.toHex(' '));
}

void TestSimRecords::timeCommandsMoveTheOffset()
{
    ClockState state(1, {}, {}, true);
    state.ApplySerial(11, Bytes({0, 2}));
    QCOMPARE(state.TimeOffsetMs(), 3600 * 1000);
    state.ApplySerial(10, Bytes({0, 1}));
    QCOMPARE(state.TimeOffsetMs(), 3600 * 1000 - 5);
    QCOMPARE(ByteAt(state.MasterRecord(), 15), 42); // adjusts are no settings

    state.ApplySerial(4, Bytes({31, 12, 30}));
    state.ApplySerial(3, Bytes({23, 59, 30}));
    const QDateTime now = state.Now();
    QCOMPARE(now.date(), QDate(2030, 12, 31));
    QVERIFY(qAbs(now.time().msecsTo(QTime(23, 59, 30))) < 1000);

    const qint64 offset = state.TimeOffsetMs();
    QVERIFY(!state.ApplySerial(3, Bytes({24, 0, 0})).understood);
    QVERIFY(!state.ApplySerial(4, Bytes({30, 2, 30})).understood);
    QVERIFY(!state.ApplySerial(4, Bytes({1, 1, 100})).understood);
    QCOMPARE(state.TimeOffsetMs(), offset);
}

void TestSimRecords::masterDatagramIsMasked()
{
    ClockState state(1, {}, {}, true);
    QByteArray record(16, '\0');
    SetByte(record, 0, 0xFF);
    SetByte(record, 7, 0xFF); // a relay that is off
    state.ApplyDatagram(BuildDatagram(DatagramCode::MasterSettings, "7315", record));
    QCOMPARE(ByteAt(state.MasterRecord(), 0), 0x7F);
    QCOMPARE(ByteAt(state.MasterRecord(), 7), 63);
    QVERIFY(AllBelowDelimiters(state.MasterReplyFrame().chopped(1).mid(1)));
}

void TestSimRecords::password_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("reply");
    QTest::newRow("none stored: anything") << QByteArray() << BuildDatagram(3, "zzzz") << 3;
    QTest::newRow("right") << QByteArray("ab1 ") << BuildDatagram(3, "ab1") << 3;
    QTest::newRow("wrong case") << QByteArray("abcd") << BuildDatagram(3, "ABCD") << 255;
    QTest::newRow("refused even without reply")
        << QByteArray("abcd") << BuildDatagram(8, "7315") << 255;
    QTest::newRow("discovery needs none") << QByteArray("abcd") << BuildDiscoveryDatagram() << 4;
}

void TestSimRecords::password()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, datagram);
    QFETCH(int, reply);
    ClockState state(2, QStringLiteral("127.0.0.9"), stored, true);
    const QByteArray master = state.MasterRecord();
    const CommandOutcome out = state.ApplyDatagram(datagram);
    QCOMPARE(out.replies.size(), 1);
    QCOMPARE(out.replies[0].size(), DatagramLength);
    QCOMPARE(ByteAt(out.replies[0], 0), reply);
    QCOMPARE(state.MasterRecord(), master);
}

void TestSimRecords::networkRecordWaitsForApply()
{
    ClockState state(3, QStringLiteral("127.0.0.9"), {}, true);
    QByteArray record = state.NetworkRecord();
    SetByte(record, 3, 10);
    SetByte(record, 127, 0x5A); // the datagram does not carry bytes 126 and 127
    state.ApplyDatagram(BuildDatagram(DatagramCode::NetworkSettings, "7315", record));
    QCOMPARE(AddressAt(state.NetworkRecord(), 0), QStringLiteral("127.0.0.9"));
    const CommandOutcome out =
        state.ApplyDatagram(BuildDatagram(DatagramCode::NetworkSettingsCommit, "7315"));
    QVERIFY(out.networkApplied);
    QCOMPARE(AddressAt(state.NetworkRecord(), 0), QStringLiteral("127.0.0.10"));
    QCOMPARE(ByteAt(state.NetworkRecord(), 127), 0);

    ClockState bare(3, {}, {}, false);
    QVERIFY(!bare.ApplySerial(30, QByteArray(32, '\1')).understood);
    QVERIFY(!bare.ApplySerial(42, {}).understood);
    QCOMPARE(bare.NetworkRecord(), QByteArray(NetworkRecordLength, '\0'));
}

void TestSimRecords::startRefuses_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("networkOption");
    QTest::newRow("private network")
        << 229 << QStringLiteral("192.168.1.50") << QByteArray() << true;
    QTest::newRow("any address") << 229 << QStringLiteral("0.0.0.0") << QByteArray() << true;
    QTest::newRow("short loopback text") << 229 << QStringLiteral("127.1") << QByteArray() << true;
    QTest::newRow("octet too large")
        << 229 << QStringLiteral("127.0.0.300") << QByteArray() << true;
    QTest::newRow("unknown model") << 228 << QStringLiteral("127.31.7.30") << QByteArray() << true;
    QTest::newRow("password too long")
        << 229 << QStringLiteral("127.31.7.30") << QByteArray("12345") << true;
    QTest::newRow("UDP without network option")
        << 229 << QStringLiteral("127.31.7.30") << QByteArray() << false;
}

void TestSimRecords::startRefuses()
{
    QFETCH(int, model);
    QFETCH(QString, address);
    QFETCH(QByteArray, password);
    QFETCH(bool, networkOption);
    SimOptions options;
    options.model = model;
    options.udpAddress = address;
    options.password = password;
    options.networkOption = networkOption;
    SimulatedClock clock(options);
    QString error;
    QVERIFY(!clock.Start(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(clock.UdpAddress().isEmpty());
}

TARVO_TEST_CLASS(TestSimRecords)
#include "test_sim_records.moc"

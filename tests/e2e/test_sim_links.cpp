// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated clock over its real links: a pseudo-terminal opened as a serial
// port, and loopback UDP on addresses of its own (127.31.7.0/24).

#include "clock/clock_model.h"
#include "simulated_clock.h"
#include "support/test_registry.h"

#include "link/bytes.h"
#include "link/datagram.h"
#include "link/serial_frame.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>
#include <memory>
#include <optional>

using namespace tarvo;

namespace
{

struct Incoming {
    quint8 end = 0;
    QByteArray payload;
};

// The program's side of the serial line, reduced to what these tests need.
class SerialClient
{
public:
    bool Open(const QString& path)
    {
        m_port.setPortName(path);
        m_port.setBaudRate(QSerialPort::Baud9600);
        return m_port.open(QIODevice::ReadWrite);
    }
    void Send(quint8 command, const QByteArray& payload, int clockType)
    {
        m_port.write(BuildSerialFrame(command, payload, ModelOrFallback(clockType)));
    }
    // The next frame with end byte `end`; others (time reports) are skipped.
    std::optional<Incoming> Wait(quint8 end, int ms = 2000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            while (auto frame = Next()) {
                if (frame->end == end)
                    return frame;
            }
            QTest::qWait(10);
            m_rx += m_port.readAll();
        }
        return std::nullopt;
    }

private:
    std::optional<Incoming> Next()
    {
        for (qsizetype i = 0; i < m_rx.size(); ++i) {
            if (!IsStartByte(ByteAt(m_rx, i)))
                continue;
            for (qsizetype j = i + 1; j < m_rx.size(); ++j) {
                const quint8 b = ByteAt(m_rx, j);
                if (b < 0xF8)
                    continue;
                if (IsStartByte(b))
                    break;
                Incoming frame{b, m_rx.mid(i + 1, j - i - 1)};
                m_rx.remove(0, j + 1);
                return frame;
            }
        }
        return std::nullopt;
    }

    QSerialPort m_port;
    QByteArray m_rx;
};

class UdpClient
{
public:
    UdpClient() { m_socket.bind(QHostAddress(QStringLiteral("127.31.7.200")), 0); }
    void Send(const QByteArray& datagram, const QString& to)
    {
        m_socket.writeDatagram(datagram, QHostAddress(to), ClockPort);
    }
    std::optional<QNetworkDatagram> Wait(int ms = 2000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            if (m_socket.hasPendingDatagrams())
                return m_socket.receiveDatagram();
            QTest::qWait(10);
        }
        return std::nullopt;
    }

private:
    QUdpSocket m_socket;
};

std::unique_ptr<SimulatedClock> StartClock(const SimOptions& options)
{
    auto clock = std::make_unique<SimulatedClock>(options);
    QString error;
    if (!clock->Start(&error)) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    return clock;
}

SimOptions SerialOptions(int model)
{
    SimOptions options;
    options.model = model;
    options.serial = true;
    options.reportMs = 0;
    return options;
}

SimOptions UdpOptions(const QString& address, const QByteArray& password = {})
{
    SimOptions options;
    options.model = 229;
    options.udpAddress = address;
    options.password = password;
    return options;
}

} // namespace

class TestSimLinks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void serialAnswersOnlyItsModel_data();
    void serialAnswersOnlyItsModel();
    void serialSettingsRoundTrip();
    void serialWithoutNetworkOption();
    void timeReports();
    void silentAndReopened();
    void udpRequestsAndPassword();
    void udpDstRoundTrip();
    void udpNetworkRecordMovesTheClock();
};

void TestSimLinks::serialAnswersOnlyItsModel_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("226") << 226;
    QTest::newRow("229") << 229;
    QTest::newRow("207") << 207;
    QTest::newRow("222") << 222;
}

void TestSimLinks::serialAnswersOnlyItsModel()
{
    QFETCH(int, model);
    auto clock = StartClock(SerialOptions(model));
    QVERIFY(clock);
    QVERIFY(clock->PtyPath().startsWith(QStringLiteral("/dev/")));
    SerialClient client;
    QVERIFY(client.Open(clock->PtyPath()));
    QSignalSpy received(clock.get(), &SimulatedClock::FrameReceived);

    // A search probes with every model's trailer; only the own one is answered.
    const int own = ClockTypeForModel(model);
    for (int type = 1; type <= 4; ++type) {
        if (type != own)
            client.Send(1, {}, type);
    }
    QVERIFY(!client.Wait(FrameByte::EndClockSettings, 300));
    QCOMPARE(received.size(), 3);

    client.Send(1, {}, own);
    const auto master = client.Wait(FrameByte::EndClockSettings);
    QVERIFY(master);
    QCOMPARE(master->payload, clock->State().MasterRecord());

    client.Send(43, {}, own);
    const auto network = client.Wait(FrameByte::EndNetworkSettings);
    QVERIFY(network);
    QCOMPARE(network->payload.size(), NetworkReplyLength);
    QCOMPARE(ByteAt(network->payload, 2 * 91) + 16 * ByteAt(network->payload, 2 * 91 + 1),
             ModelIdentifier(own));
    const auto dst = client.Wait(FrameByte::EndDstDates);
    QVERIFY(dst);
    QCOMPARE(dst->payload, SimDstRecord(clock->State().Dst()));
}

void TestSimLinks::serialSettingsRoundTrip()
{
    auto clock = StartClock(SerialOptions(207));
    QVERIFY(clock);
    SerialClient client;
    QVERIFY(client.Open(clock->PtyPath()));

    // Settings, DST tables and the network record, written back to back.
    client.Send(5, QByteArray(1, char(16 + 3)), 3);
    client.Send(18, QByteArray("\x3F\x3F", 2), 3);
    SimDstTables tables = UsDstTables(30);
    tables.springHour = 1;
    tables.fallHour = 3;
    const QByteArray header("\x0B\x03\x03\x01\x1E", 5);
    client.Send(21, header, 3);
    for (int block = 0; block < 3; ++block)
        client.Send(22 + block, DstDatagramPayload(tables).mid(5 + 32 * block, 32), 3);
    QByteArray record = clock->State().NetworkRecord();
    SetByte(record, 87, 1);
    SetByte(record, 127, 0xEE);
    for (int block = 0; block < 4; ++block)
        client.Send(30 + block, record.mid(32 * block, 32), 3);
    client.Send(42, {}, 3);
    client.Send(1, {}, 3);
    const auto master = client.Wait(FrameByte::EndClockSettings);
    QVERIFY(master);
    QCOMPARE(ByteAt(master->payload, 0), 16 + 3 + 64);
    QCOMPARE(master->payload.mid(13, 2), QByteArray("\x3F\x3F", 2));

    client.Send(43, {}, 3);
    const auto network = client.Wait(FrameByte::EndNetworkSettings);
    QVERIFY(network);
    QByteArray decoded(NetworkRecordLength, '\0');
    for (int i = 0; i < NetworkRecordLength; ++i)
        SetByte(decoded, i,
                ByteAt(network->payload, 2 * i) + 16 * ByteAt(network->payload, 2 * i + 1));
    QCOMPARE(decoded.toHex(' '), record.toHex(' '));
    const auto dst = client.Wait(FrameByte::EndDstDates);
    QVERIFY(dst);
    QCOMPARE(dst->payload.toHex(' '), SimDstRecord(tables).toHex(' '));
}

void TestSimLinks::serialWithoutNetworkOption()
{
    SimOptions options = SerialOptions(226);
    options.networkOption = false;
    auto clock = StartClock(options);
    QVERIFY(clock);
    SerialClient client;
    QVERIFY(client.Open(clock->PtyPath()));
    client.Send(43, {}, 1);
    const auto network = client.Wait(FrameByte::EndNetworkSettings);
    QVERIFY(network);
    QCOMPARE(network->payload, QByteArray(NetworkReplyLength, '\0'));
    QVERIFY(client.Wait(FrameByte::EndDstDates));
}

void TestSimLinks::timeReports()
{
    SimOptions options = SerialOptions(226);
    options.reportMs = 200;
    options.gpsLocked = true;
    auto clock = StartClock(options);
    QVERIFY(clock);
    SerialClient client;
    QVERIFY(client.Open(clock->PtyPath()));
    for (int i = 0; i < 3; ++i) {
        const auto report = client.Wait(FrameByte::EndTimeReport);
        QVERIFY(report);
        QCOMPARE(report->payload.size(), SimTimeReportLength);
        QCOMPARE(ByteAt(report->payload, 11), 1);
        QVERIFY(ByteAt(report->payload, 9) <= 23 && ByteAt(report->payload, 10) <= 59);
        QVERIFY(ByteAt(report->payload, 7) >= 1 && ByteAt(report->payload, 7) <= 12);
    }
    client.Send(3, QByteArray("\x0D\x0E\x0F", 3), 1);
    client.Send(4, QByteArray("\x07\x03\x06", 3), 1);
    QByteArray shown;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const auto report = client.Wait(FrameByte::EndTimeReport, 500);
            shown = report ? report->payload.mid(6, 5) : QByteArray();
            return shown == QByteArray("\x07\x03\x06\x0D\x0E", 5);
        }(),
        3000);
}

void TestSimLinks::silentAndReopened()
{
    auto clock = StartClock(SerialOptions(222));
    QVERIFY(clock);
    SerialClient client;
    QVERIFY(client.Open(clock->PtyPath()));
    clock->SetSilent(true);
    client.Send(29, QByteArray(1, '\3'), 4);
    client.Send(1, {}, 4);
    QVERIFY(!client.Wait(FrameByte::EndClockSettings, 300));
    QCOMPARE(ByteAt(clock->State().MasterRecord(), 40), 3); // applied all the same

    clock->SetSilent(false);
    QSignalSpy moved(clock.get(), &SimulatedClock::PtyPathChanged);
    QString error;
    QVERIFY2(clock->ReopenPty(&error), qPrintable(error));
    QCOMPARE(moved.size(), 1);
    SerialClient again;
    QVERIFY(again.Open(clock->PtyPath()));
    again.Send(1, {}, 4);
    const auto master = again.Wait(FrameByte::EndClockSettings);
    QVERIFY(master);
    QCOMPARE(ByteAt(master->payload, 40), 3);
}

void TestSimLinks::udpRequestsAndPassword()
{
    const QString address = QStringLiteral("127.31.7.10");
    auto clock = StartClock(UdpOptions(address, "abcd"));
    QVERIFY(clock);
    UdpClient client;

    client.Send(BuildDatagram(DatagramCode::RequestNetworkSettings, "7315"), address);
    auto reply = client.Wait();
    QVERIFY(reply);
    QCOMPARE(reply->data().size(), DatagramLength);
    QCOMPARE(ByteAt(reply->data(), 0), ReplyCode::PasswordRefused);

    client.Send(BuildDatagram(DatagramCode::RequestNetworkSettings, "abcd"), address);
    reply = client.Wait();
    QVERIFY(reply);
    QCOMPARE(ByteAt(reply->data(), 0), ReplyCode::NetworkSettings);
    QCOMPARE(reply->data().mid(5), clock->State().NetworkRecord().first(NetworkDatagramLength));

    client.Send(BuildDatagram(DatagramCode::RequestMasterSettings, "abcd"), address);
    reply = client.Wait();
    QVERIFY(reply);
    QCOMPARE(ByteAt(reply->data(), 0), ReplyCode::MasterSettings);
    QCOMPARE(reply->data().mid(5, 16), clock->State().MasterRecord().first(16));

    // Discovery goes to the ".255" address and is answered from the clock's own.
    client.Send(BuildDiscoveryDatagram(), QStringLiteral("127.31.7.255"));
    reply = client.Wait();
    QVERIFY(reply);
    QCOMPARE(ByteAt(reply->data(), 0), ReplyCode::Discovery);
    QCOMPARE(reply->senderAddress(), QHostAddress(address));
    QCOMPARE(reply->senderPort(), ClockPort);
}

void TestSimLinks::udpDstRoundTrip()
{
    const QString address = QStringLiteral("127.31.7.12");
    auto clock = StartClock(UdpOptions(address));
    QVERIFY(clock);
    UdpClient client;
    SimDstTables tables = UsDstTables(27);
    tables.springMonth = 4;
    tables.springDays[47] = 30;
    client.Send(BuildDatagram(DatagramCode::DstDates, "7315", DstDatagramPayload(tables)), address);
    client.Send(BuildDatagram(DatagramCode::RequestDstDates, "7315"), address);
    const auto reply = client.Wait();
    QVERIFY(reply);
    QCOMPARE(ByteAt(reply->data(), 0), ReplyCode::DstDates);
    QCOMPARE(reply->data().mid(5, 101).toHex(' '), DstDatagramPayload(tables).toHex(' '));
    QVERIFY(clock->State().Dst() == tables);
}

void TestSimLinks::udpNetworkRecordMovesTheClock()
{
    const QString first = QStringLiteral("127.31.7.20");
    const QString second = QStringLiteral("127.31.7.21");
    auto clock = StartClock(UdpOptions(first));
    QVERIFY(clock);
    QSignalSpy moved(clock.get(), &SimulatedClock::UdpAddressChanged);
    UdpClient client;
    QByteArray record = clock->State().NetworkRecord();
    SetByte(record, 3, 21);
    record.replace(8, 4, "wxyz");
    client.Send(BuildDatagram(DatagramCode::NetworkSettings, "7315", record), first);
    client.Send(BuildDatagram(DatagramCode::NetworkSettingsCommit, "7315", record), first);
    QVERIFY(moved.wait(3000));
    QCOMPARE(moved.first().first().toString(), second);
    QCOMPARE(clock->UdpAddress(), second);

    client.Send(BuildDatagram(DatagramCode::RequestNetworkSettings, "wxyz"), first);
    QVERIFY(!client.Wait(300));
    client.Send(BuildDatagram(DatagramCode::RequestNetworkSettings, "wxyz"), second);
    const auto reply = client.Wait();
    QVERIFY(reply);
    QCOMPARE(reply->senderAddress(), QHostAddress(second));
    QCOMPARE(reply->data().mid(5), record.first(NetworkDatagramLength));
}

TARVO_TEST_CLASS(TestSimLinks)
#include "test_sim_links.moc"

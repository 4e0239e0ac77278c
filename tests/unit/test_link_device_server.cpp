// SPDX-License-Identifier: GPL-3.0-or-later
// A serial clock behind a device server: the Telnet/RFC 2217 codec byte for
// byte (negotiation as ser2net opens it, IAC doubling, commands inside a
// frame and split across reads), the three spellings of a port, and the
// link's faults against a server in this process: refused, dropped in the
// middle of a frame, stalled, and Telnet commands inside a frame.
#include "link/device_server.h"
#include "link/serial_frame.h"
#include "link/serial_link.h"
#include "link/telnet_codec.h"
#include "session/clock_session.h"
#include "support/test_registry.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace tarvo;

namespace
{
QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// A time report as the clock frames it, starting with 0xFF (Telnet's IAC).
const QByteArray kReportPayload = Hex("000000000059070c1a121200");

// Short waits between attempts; long ones wherever a busy machine must not
// change what happens.
DeviceServerLink::Timings QuickTimings(int stallMs = 60000)
{
    DeviceServerLink::Timings t;
    t.connectMs = 10000;
    t.negotiateMs = 10000;
    t.stallMs = stallMs;
    t.firstRetryMs = 50;
    t.maxRetryMs = 200;
    t.queuedMaxAgeMs = 60000;
    return t;
}

// The session's link to `server`, with its reports and every fault it told
// collected (a fault is over as soon as the next attempt connects).
struct Client {
    ClockSession session;
    QList<QByteArray> reports;
    QList<TransportStatus> faults;

    explicit Client(const QString& port, int stallMs = 60000)
    {
        session.Port().DeviceServer().SetTimings(QuickTimings(stallMs));
        QObject::connect(&session, &ClockSession::TimeReportReceived, &session,
                         [this](const TimeReportRecord& r) { reports.append(r.payload); });
        QObject::connect(&session, &ClockSession::SerialTransportChanged, &session,
                         [this](const TransportStatus& status) {
                             if (status.state == TransportStatus::State::Retrying)
                                 faults.append(status);
                         });
        session.OpenSerialDevice(port);
    }
    TransportStatus Status() const { return session.SerialTransportStatus(); }
};

// The next connection, while the client's own timers run.
QTcpSocket* Accept(QTcpServer& server)
{
    const bool came = QTest::qWaitFor([&server] { return server.hasPendingConnections(); }, 5000);
    return came ? server.nextPendingConnection() : nullptr;
}
} // namespace

class LinkDeviceServer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void negotiatesAsSer2netOpens()
    {
        TelnetCodec codec;
        QCOMPARE(codec.Start(), Hex("fffb00fffd00fffb2c"));
        const QByteArray settings = Hex("fffa2c0100002580fff0fffa2c0208fff0fffa2c0301fff0"
                                        "fffa2c0401fff0fffa2c0501fff0");
        QCOMPARE(TelnetCodec::PortSettingsCommands(), settings);
        // ser2net's first bytes: SGA is taken both ways, ECHO refused, and the
        // answers to our own requests are not answered again.
        TelnetCodec::Output out = codec.Feed(Hex("fffb03fffd03fffb01fffe01fffd00fffb00fffd2c"));
        QVERIFY(out.data.isEmpty());
        QCOMPARE(out.replies, Hex("fffd03fffb03fffe01") + settings);
        QVERIFY(codec.ComPortAgreed());
        // Repeated requests change nothing and get no answer: no loop.
        QVERIFY(codec.Feed(Hex("fffb03fffd2cfffd00")).replies.isEmpty());
        out = codec.Feed(Hex("fffa2c6500002580fff0fffa2c6608fff0fffa2c6701fff0fffa2c6801fff0"));
        QCOMPARE(codec.Settings().baudRate, std::optional<quint32>(9600));
        QCOMPARE(codec.Settings().dataSize, std::optional<quint8>(8));
        QCOMPARE(codec.Settings().parity, std::optional<quint8>(Telnet::ParityNone));
        QCOMPARE(codec.Settings().stopSize, std::optional<quint8>(Telnet::OneStopBit));
        // A request for our signature is answered; a refusal of the option is told.
        QCOMPARE(codec.Feed(Hex("fffa2c64fff0")).replies,
                 Hex("fffa2c00") + QByteArray("Tarvo Control Panel") + Hex("fff0"));
        QCOMPARE(codec.Feed(Hex("fffe2c")).replies, Hex("fffc2c"));
        QVERIFY(codec.ComPortRefused());
    }

    void takesCommandsOutOfFramesWherever()
    {
        // A report whose start byte is doubled, with a NOP, a modem state
        // notice, a refused option and a subnegotiation cut short by a
        // command, all in the middle of the frame.
        const QByteArray wire = Hex("ffff0000fff1000000fffa2c6b00fff059fffb0107"
                                    "0c1afffa2c6bfffb011212fffe0000fe");
        const QByteArray line = Hex("ff") + kReportPayload + Hex("fe");
        for (qsizetype split = 0; split <= wire.size(); ++split) {
            TelnetCodec codec;
            codec.Start();
            TelnetCodec::Output first = codec.Feed(wire.left(split));
            TelnetCodec::Output second = codec.Feed(wire.mid(split));
            QCOMPARE(first.data + second.data, line);
            QCOMPARE(first.replies + second.replies, Hex("fffe01fffe01"));
        }
        // Data going out: every 0xFF doubled, and read back as it was.
        const QByteArray frame = Hex("ff01ffff02fe");
        QCOMPARE(TelnetCodec::Escape(frame), Hex("ffff01ffffffff02fe"));
        TelnetCodec codec;
        QCOMPARE(codec.Feed(TelnetCodec::Escape(frame)).data, frame);
    }

    void spellingsOfAPort()
    {
        QString error;
        auto a = ParseDeviceServer(QStringLiteral("rfc2217:clocks.example:7001"), &error);
        QVERIFY(a && a->kind == SerialTransport::Rfc2217 && a->host == u"clocks.example" &&
                a->port == 7001);
        a = ParseDeviceServer(QStringLiteral("TCP:[::1]:7000"), &error);
        QVERIFY(a && a->kind == SerialTransport::Tcp && a->host == u"::1");
        QCOMPARE(a->Text(), QStringLiteral("[::1]:7000"));
        for (const char* bad : {"tcp:host", "tcp::7000", "tcp:host:0", "tcp:host:70000",
                                "tcp:a:b:7000", "rfc2217:[::1:7000", "tcp:host:+7", "tcp:h st:7"})
            QVERIFY2(!ParseDeviceServer(QLatin1String(bad), &error), bad);
        QVERIFY(error.contains(u"tcp:HOST:PORT"));
        QVERIFY(!IsDeviceServerName(QStringLiteral("/dev/ttyUSB0")));
        // A port that fails says why; the next one, failing for a reason of
        // its own or passing, does not repeat it.
        SerialLink link;
        link.SetDevices({QStringLiteral("tcp:host"), QStringLiteral("/dev/null"),
                         QStringLiteral("tcp:127.0.0.1:1")});
        QVERIFY(!link.PortTest(1) && link.LastOpenProblem().contains(u"tcp:host"));
        QVERIFY(!link.PortTest(2) && link.LastOpenProblem().isEmpty());
        QVERIFY(link.PortTest(3) && link.LastOpenProblem().isEmpty());
        QCOMPARE(SplitSerialPortList(QStringLiteral(
                     "/dev/ttyS0:tcp:10.0.0.5:7000::rfc2217:[fe80::1]:7001:/dev/pts/3:tcp:bad")),
                 QStringList({"/dev/ttyS0", "tcp:10.0.0.5:7000", "rfc2217:[fe80::1]:7001",
                              "/dev/pts/3", "tcp:bad"}));
    }

    void refusedThenServed()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const quint16 port = server.serverPort();
        server.close();
        Client client(QStringLiteral("tcp:127.0.0.1:%1").arg(port));
        QTRY_COMPARE(client.Status().fault, TransportStatus::Fault::Refused);
        QCOMPARE(client.Status().state, TransportStatus::State::Retrying);
        QCOMPARE(client.Status().text,
                 QStringLiteral("device server 127.0.0.1:%1 refused the connection").arg(port));
        // The server comes up: the link finds it by itself.
        QVERIFY(server.listen(QHostAddress::LocalHost, port));
        QTRY_COMPARE(client.Status().state, TransportStatus::State::Connected);
        QCOMPARE(client.Status().fault, TransportStatus::Fault::None);
    }

    void dropInAFrameLosesThatFrameOnly()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        Client client(QStringLiteral("tcp:127.0.0.1:%1").arg(server.serverPort()));
        QTcpSocket* first = Accept(server);
        QVERIFY(first);
        const QByteArray frame = BuildIncomingFrame(FrameByte::EndTimeReport, kReportPayload);
        first->write(frame + frame.left(7));
        first->flush();
        QTRY_COMPARE(client.reports.size(), 1);
        first->disconnectFromHost();
        QTRY_COMPARE(client.faults.size(), 1);
        QCOMPARE(client.faults[0].fault, TransportStatus::Fault::DroppedMidFrame);
        QVERIFY(client.faults[0].text.endsWith(u"dropped the connection in the middle of a frame"));
        // The tail that follows the new connection's first bytes is not glued
        // to the lost head; the next whole frame arrives once.
        QTcpSocket* second = Accept(server);
        QVERIFY(second);
        QTRY_COMPARE(client.Status().state, TransportStatus::State::Connected);
        QCOMPARE(client.Status().reconnects, 1);
        second->write(frame.mid(7) + frame);
        QTRY_COMPARE(client.reports.size(), 2);
        QCOMPARE(client.reports, QList<QByteArray>({kReportPayload, kReportPayload}));
        // A command goes out once, as the frame it is.
        client.session.SerialClock().Send(command::RequestMasterSettings{});
        QTRY_COMPARE(second->bytesAvailable(), 9);
        QCOMPARE(second->readAll(), BuildSerialFrame(1, {}, ModelOrFallback(1)));
    }

    void rfc2217FrameWithCommandsInside()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        Client client(QStringLiteral("rfc2217:127.0.0.1:%1").arg(server.serverPort()));
        QTcpSocket* peer = Accept(server);
        QVERIFY(peer);
        QTRY_COMPARE(peer->bytesAvailable(), 9);
        QCOMPARE(peer->readAll(), Hex("fffb00fffd00fffb2c"));
        // Nothing is sent until the server has answered for the COM port.
        client.session.SerialClock().Send(command::RequestMasterSettings{});
        QCOMPARE(client.Status().state, TransportStatus::State::Connecting);
        peer->write(Hex("fffd2c"));
        const QByteArray expected =
            TelnetCodec::PortSettingsCommands() + BuildSerialFrame(1, {}, ModelOrFallback(1));
        QTRY_COMPARE(peer->bytesAvailable(), expected.size());
        QCOMPARE(peer->readAll(), expected);
        QCOMPARE(client.Status().state, TransportStatus::State::Connected);
        peer->write(Hex("ffff0000fff10000fffb010059fffa2c6b00fff0070c1a121200fe"));
        QTRY_COMPARE(client.reports.size(), 1);
        QCOMPARE(client.reports.first(), kReportPayload);
        QTRY_VERIFY(peer->bytesAvailable() >= 3);
        QCOMPARE(peer->readAll(), Hex("fffe01"));
    }

    void stalledServerIsLeftAndTriedAgain()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        Client client(QStringLiteral("tcp:127.0.0.1:%1").arg(server.serverPort()), 300);
        QVERIFY(Accept(server));
        QTRY_VERIFY(!client.faults.isEmpty());
        QCOMPARE(client.faults[0].fault, TransportStatus::Fault::Stalled);
        QVERIFY(client.faults[0].text.endsWith(u"sends nothing"));
        QVERIFY(Accept(server)); // the next attempt
    }
};

TARVO_TEST_CLASS(LinkDeviceServer)
#include "test_link_device_server.moc"

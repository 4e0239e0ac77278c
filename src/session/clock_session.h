// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One clock session: the serial port and the UDP socket, the one decoder of
// what the clock sends, and the link that commands go out on. The window's
// core and tarvo-clock both stand on it: "a record arrived" happens here, in
// one place, as one typed signal per record.

#include "link/serial_link.h"
#include "link/udp_link.h"
#include "session/clock_link.h"
#include "session/incoming_decoder.h"
#include "session/network_clock_link.h"
#include "session/serial_clock_link.h"

#include <QHash>
#include <QObject>
#include <QQueue>
#include <QTimer>
#include <functional>

namespace tarvo
{

class SharedSocket;

class ClockSession : public QObject
{
    Q_OBJECT
public:
    explicit ClockSession(QObject* parent = nullptr);
    ~ClockSession() override;

    // The serial devices the system reports, sorted by name.
    static QStringList SystemSerialDevices();
    // --serial-ports: the ports of a list separated by ':', a device server's
    // "tcp:HOST:PORT" or "rfc2217:HOST:PORT" kept whole.
    static QStringList SplitSerialPortList(const QString& list)
    {
        return tarvo::SplitSerialPortList(list);
    }
    // What is wrong with a port's name spelt as a device server's address
    // ("tcp:host" without its port, say); empty for a well-formed one and for
    // any device name.
    static QString SerialPortNameProblem(const QString& name)
    {
        QString problem;
        if (IsDeviceServerName(name))
            ParseDeviceServer(name, &problem);
        return problem;
    }
    // Dotted text of an address as a datagram's source carries it, and the
    // address of dotted text (all ones for anything else).
    static QString AddressText(quint32 address);
    static quint32 AddressValue(const QString& text);
    // Every frame and datagram of every session written to standard error
    // (tarvo-clock --log-traffic).
    static void LogTraffic(bool on);

    // The transports.
    SerialLink& Port() { return m_port; }
    const SerialLink& Port() const { return m_port; }
    UdpLink& Socket() { return m_socket; }
    const UdpLink& Socket() const { return m_socket; }
    // Brings up the socket (see UdpLink::InitializeNetwork); the result is
    // the NetworkAvailable value every network send checks. A failure of the
    // socket layer itself is told in `startupProblem`.
    int InitializeNetwork(const QStringList& localAddresses, QString* startupProblem = nullptr);
    int NetworkAvailable() const { return m_networkAvailable; }

    // The serial ports, numbered from 1 in the order of the device list: the
    // devices given, or those the system reports.
    static constexpr int MaxSerialPorts = SerialLink::MaxPorts;
    void SetSerialDevices(const QStringList& devices) { m_port.SetDevices(devices); }
    // Whether port `port` can be opened (it is closed again).
    bool SerialPortWorks(int port) { return m_port.PortTest(port); }
    bool OpenSerialPort(int port) { return m_port.Open(port); }
    void CloseSerialPort() { m_port.Close(); }
    bool SerialPortOpen() const { return m_port.IsOpen(); }
    int SerialPortInUse() const { return m_port.CurrentPort(); }
    QString SerialDevice(int port) const { return m_port.DeviceFor(port); }
    // Why the last port could not be opened; empty when it could.
    QString LastSerialOpenProblem() const { return m_port.LastOpenProblem(); }
    // What carries the serial port's bytes and how it stands: a local device
    // (Open or Closed) or a serial device server (Connecting, Connected, or
    // Retrying after a fault, with the fault and a sentence for the operator
    // such as "device server 127.0.0.1:7000 refused the connection"). A drop
    // while a frame was arriving is told as DroppedMidFrame; that frame is
    // lost, nothing else. SerialTransportChanged() tells every change.
    TransportStatus SerialTransportStatus() const;
    // "serial", "tcp" or "rfc2217" for the port in use.
    QString SerialTransportName() const { return TransportName(m_port.Transport().kind); }
    // The computer's addresses the network was brought up on.
    const QStringList& LocalAddresses() const { return m_socket.LocalAddresses(); }
    void CloseNetwork() { m_socket.CloseNetwork(); }

    // One serial device as the clock's port, for a caller that is given the
    // device rather than a port number. On failure the problem says why.
    bool OpenSerialDevice(const QString& device);
    QString SerialOpenProblem(const QString& device) const;
    // One clock at `host` (dotted text, or a name looked up now, before
    // anything is sent): a socket of its own, or the shared one, and the
    // clock as the destination.
    bool OpenNetworkClock(const QString& host, QString* problem);
    // Given before OpenNetworkClock: the network link sends through
    // `shared`, which hands this session what its clock sends; the session's
    // own socket is never opened.
    void ShareSocket(SharedSocket& shared);

    // The two links to the clock, configured below.
    SerialClockLink& SerialClock() { return m_serialClock; }
    NetworkClockLink& NetworkClock() { return m_networkClock; }
    ClockLink& LinkFor(LinkKind kind);

    // The model of the clock in use: it picks the serial trailer and the
    // record layouts on both links.
    void SetModel(const ClockModel* model);
    void SetPassword(const QByteArray& password4) { m_networkClock.SetPassword(password4); }
    // The clock's network address: datagrams go there, and outside a search
    // only its datagrams (from port 10000) are heard. A host name is looked
    // up in the background (the window never waits for it), kept for the
    // session, and looked up again when it did not resolve.
    void SetDestination(const QString& host);
    // While a search listens for answers, every sender is heard. The rule is
    // asked for every datagram, so it can follow the owner's own state.
    void HearEveryone(bool everyone)
    {
        m_hearEveryone = [everyone] { return everyone; };
    }
    void HearEveryoneWhile(std::function<bool()> rule) { m_hearEveryone = std::move(rule); }
    bool HearsEveryone() const
    {
        return m_everyoneHeard > 0 || (m_hearEveryone && m_hearEveryone());
    }
    // Every sender is heard while one of these lives: a discovery's listening
    // window, whatever the owner's own rule says.
    class EveryoneHeard
    {
    public:
        explicit EveryoneHeard(ClockSession& session) : m_session(session)
        {
            ++m_session.m_everyoneHeard;
        }
        ~EveryoneHeard() { --m_session.m_everyoneHeard; }
        EveryoneHeard(const EveryoneHeard&) = delete;
        EveryoneHeard& operator=(const EveryoneHeard&) = delete;

    private:
        ClockSession& m_session;
    };
    // Sends the discovery datagram to the broadcast address of each of the
    // computer's addresses, and to the subnet broadcasts those miss. 1 when it
    // went out, -1 when the network cannot be used.
    int BroadcastDiscovery();
    // Datagrams dropped because they came from another sender, or were empty
    // or longer than a record can be.
    quint64 DroppedDatagrams() const { return m_dropped; }

    // Reads whatever the socket holds now. The socket's signal does this; it is
    // public for the fault tests.
    void ReadSocket();
    // Bytes and datagrams handled as if the port or the socket had delivered
    // them (the sender's datagram passes the same filter), for tests and
    // fuzzing. Records are delivered before these return.
    void InjectSerialBytes(QByteArrayView bytes);
    void InjectDatagram(QByteArrayView datagram, quint32 sender, quint16 senderPort = 10000);
    const SerialDecoder& Decoder() const { return m_serialDecoder; }
    // The latest time report and when it arrived; nothing before the first.
    struct LatestReport {
        TimeReportRecord record;
        RecordSource source;
    };
    const std::optional<LatestReport>& LastTimeReport() const { return m_lastReport; }

Q_SIGNALS:
    // One signal per kind of record, in arrival order, and one for any record.
    void TimeReportReceived(const tarvo::TimeReportRecord& record,
                            const tarvo::RecordSource& source);
    void MasterRecordReceived(const tarvo::MasterRecord& record, const tarvo::RecordSource& source);
    void NetworkRecordReceived(const tarvo::NetworkRecord& record,
                               const tarvo::RecordSource& source);
    void DstRecordReceived(const tarvo::DstRecord& record, const tarvo::RecordSource& source);
    void PasswordRefused(const tarvo::RecordSource& source);
    void DiscoveryCodeReceived(const tarvo::RecordSource& source);
    void IncompleteRecordReceived(const tarvo::IncompleteRecord& record,
                                  const tarvo::RecordSource& source);
    void OtherDatagramReceived(const tarvo::OtherDatagram& record,
                               const tarvo::RecordSource& source);
    void Received(const tarvo::Incoming& incoming);
    // The serial port reported a read or write error; it was reopened.
    void SerialPortFailed();
    // A device server's connection changed: connected, lost (and to be made
    // again), closed. See SerialTransportStatus().
    void SerialTransportChanged(const tarvo::TransportStatus& status);
    // A host name given as the clock's address was looked up.
    void DestinationResolved(const QString& host, bool found);
    // A command went out on one of the links (see ClockLink::OnSent), to
    // `where`: the serial device or the clock's address.
    void CommandSent(const tarvo::ClockCommand& command, tarvo::LinkKind link,
                     const QString& where);

private:
    friend class SharedSocket;
    void LoseSharedSocket();
    void OnSerialReadable();
    void HandleSerialBytes(QByteArrayView bytes, qint64 arrivalUs);
    // The record of a datagram read from `sender`, or nothing when it is
    // dropped (another sender, empty, oversize).
    std::optional<Incoming> Accept(QByteArrayView datagram, qint64 size, quint32 sender,
                                   quint16 senderPort);
    void OnSerialError();
    void OnTransportChanged();
    void Deliver(const Incoming& incoming);
    void ScheduleDrain();
    void Drain();
    bool Hears(quint32 address, quint16 port) const;
    void LookUp(const QString& host);
    void UseAddress(const QString& host, quint32 address);
    void NoteDropped();

    SerialLink m_port;
    UdpLink m_socket;
    SerialDecoder m_serialDecoder;
    SerialClockLink m_serialClock{m_port};
    NetworkClockLink m_networkClock{m_socket};
    int m_networkAvailable = 0;
    quint32 m_clockAddress = InvalidAddress;
    SharedSocket* m_shared = nullptr;
    QHash<QString, quint32> m_resolved; // host names looked up in this session
    QString m_lookingUp;                // the name whose lookup is running
    qint64 m_lastFailedLookupMs = -1;
    std::function<bool()> m_hearEveryone;
    int m_everyoneHeard = 0;
    std::optional<LatestReport> m_lastReport;
    bool m_serverConnected = false;
    bool m_droppedMidFrame = false;

    // Datagrams read and not yet handled. The socket is always read to the
    // end, so the system's buffer never holds a reply behind noise; what is
    // read waits here, bounded in number and in age, and is handled a few at
    // a time so the window stays responsive.
    struct Queued {
        Incoming incoming;
        qint64 readAtMs = 0;
    };
    QQueue<Queued> m_queue;
    QTimer m_drainTimer;
    QTimer m_readTimer;
    quint64 m_dropped = 0;
    quint64 m_droppedLogged = 0;
    qint64 m_lastDropLogMs = 0;
};

} // namespace tarvo

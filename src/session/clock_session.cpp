// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/clock_session.h"

#include "link/datagram.h"
#include "link/traffic_log.h"
#include "session/shared_socket.h"

#include <QDateTime>
#include <QHostInfo>
#include <chrono>

namespace tarvo
{

namespace
{
// At most this many datagrams wait to be handled, none older than this: a
// flood that outruns the handling loses its oldest datagrams, not the window.
constexpr int kMaxQueued = 1024;
constexpr qint64 kMaxQueuedAgeMs = 1000;
// Handled per turn of the event loop before the window gets its turn.
constexpr int kHandledPerTurn = 32;
// Reading stops for a turn of the event loop after this long: a sender as
// fast as the reading must not keep the window from its other work.
constexpr qint64 kReadingPerTurnMs = 20;

qint64 SystemTimeUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

qint64 MonotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

ClockSession::ClockSession(QObject* parent) : QObject(parent), m_port(this), m_socket(this)
{
    connect(&m_port, &SerialLink::BytesAvailable, this, &ClockSession::OnSerialReadable);
    connect(&m_port, &SerialLink::PortError, this, &ClockSession::OnSerialError);
    connect(&m_port, &SerialLink::TransportChanged, this, &ClockSession::OnTransportChanged);
    connect(&m_socket, &UdpLink::DatagramReady, this, &ClockSession::ReadSocket);
    m_drainTimer.setSingleShot(true);
    m_drainTimer.setInterval(0);
    connect(&m_drainTimer, &QTimer::timeout, this, &ClockSession::Drain);
    // A send to a name that did not resolve looks it up again, at most every
    // few seconds.
    m_networkClock.OnUnresolved([this] {
        const QString host = m_networkClock.Destination();
        if (host.trimmed().isEmpty() || ParseAddress(host) != InvalidAddress)
            return;
        if (m_lastFailedLookupMs < 0 || MonotonicMs() - m_lastFailedLookupMs >= 5000)
            LookUp(host);
    });
    m_readTimer.setSingleShot(true);
    m_readTimer.setInterval(0);
    connect(&m_readTimer, &QTimer::timeout, this, &ClockSession::ReadSocket);
    m_serialClock.OnSent([this](const ClockCommand& command) {
        Q_EMIT CommandSent(command, LinkKind::Serial, m_serialClock.Where());
    });
    m_networkClock.OnSent([this](const ClockCommand& command) {
        Q_EMIT CommandSent(command, LinkKind::Network, m_networkClock.Where());
    });
}

ClockSession::~ClockSession()
{
    if (m_shared)
        m_shared->Detach(this);
}

void ClockSession::ShareSocket(SharedSocket& shared)
{
    if (m_shared)
        m_shared->Detach(this);
    m_shared = &shared;
    shared.Attach(this);
    shared.Route(this, InvalidAddress, m_clockAddress);
    m_networkClock.SetSocket(shared.Link());
}

void ClockSession::LoseSharedSocket()
{
    m_shared = nullptr;
    m_networkClock.SetSocket(m_socket);
    m_networkAvailable = m_socket.IsOpen() ? m_networkAvailable : 0;
    m_networkClock.SetNetworkAvailable(m_networkAvailable);
}

QStringList ClockSession::SystemSerialDevices()
{
    return SerialLink::SystemDevices();
}

QString ClockSession::AddressText(quint32 address)
{
    return AddressToString(address);
}

quint32 ClockSession::AddressValue(const QString& text)
{
    return ParseAddress(text);
}

void ClockSession::LogTraffic(bool on)
{
    TrafficLog::SetEnabled(on);
}

int ClockSession::InitializeNetwork(const QStringList& localAddresses, QString* startupProblem)
{
    int startupError = 0;
    m_networkAvailable = m_socket.InitializeNetwork(localAddresses, &startupError);
    if (startupProblem)
        *startupProblem = startupError != 0 ? SocketStartupMessage(startupError) : QString();
    m_networkClock.SetNetworkAvailable(m_networkAvailable);
    return m_networkAvailable;
}

bool ClockSession::OpenSerialDevice(const QString& device)
{
    m_port.SetDevices({device});
    return m_port.Open(1);
}

QString ClockSession::SerialOpenProblem(const QString& device) const
{
    const QString problem = m_port.LastOpenProblem();
    if (!problem.isEmpty())
        return problem;
    return QStringLiteral("Cannot open %1 as a serial port.").arg(device);
}

bool ClockSession::OpenNetworkClock(const QString& host, QString* problem)
{
    // A script may wait for the name's lookup; the clock is given the address
    // it found.
    const quint32 address = ResolveAddress(host);
    if (address == InvalidAddress) {
        *problem = QStringLiteral("%1 is not an address or a known host name.").arg(host);
        return false;
    }
    // The clock's answers would be told apart from another session's only
    // by the port they reach: a clock already asked through the shared
    // socket is asked from a socket of this session's own.
    if (m_shared && !m_shared->Free(address, this)) {
        m_shared->Detach(this);
        LoseSharedSocket();
    }
    if (m_shared) {
        m_networkAvailable = m_shared->Open() ? 1 : -1;
        m_networkClock.SetNetworkAvailable(m_networkAvailable);
    } else {
        // Only a socket is needed for one clock; the local addresses matter
        // to discovery alone, so loopback stands in for them.
        InitializeNetwork({QStringLiteral("127.0.0.1")});
    }
    if (m_shared ? m_networkAvailable != 1 : !m_socket.IsOpen()) {
        *problem = QStringLiteral("Cannot open a UDP socket.");
        return false;
    }
    SetDestination(AddressToString(address));
    return true;
}

ClockLink& ClockSession::LinkFor(LinkKind kind)
{
    if (kind == LinkKind::Network)
        return m_networkClock;
    return m_serialClock;
}

void ClockSession::SetModel(const ClockModel* model)
{
    m_serialClock.SetModel(model);
    m_networkClock.SetModel(model);
}

void ClockSession::SetDestination(const QString& host)
{
    const quint32 address = ParseAddress(host);
    if (address != InvalidAddress || host.trimmed().isEmpty()) {
        UseAddress(host, address);
        return;
    }
    const QString name = host.trimmed().toLower();
    if (const auto known = m_resolved.constFind(name); known != m_resolved.constEnd()) {
        UseAddress(host, *known);
        return;
    }
    UseAddress(host, InvalidAddress);
    LookUp(host);
}

void ClockSession::UseAddress(const QString& host, quint32 address)
{
    if (m_shared)
        m_shared->Route(this, m_clockAddress, address);
    m_networkClock.SetDestination(host, address);
    m_clockAddress = address;
}

void ClockSession::LookUp(const QString& host)
{
    const QString name = host.trimmed().toLower();
    if (m_lookingUp == name)
        return;
    m_lookingUp = name;
    QHostInfo::lookupHost(name, this, [this, host, name](const QHostInfo& info) {
        if (m_lookingUp == name)
            m_lookingUp.clear();
        quint32 address = InvalidAddress;
        for (const QHostAddress& a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                address = a.toIPv4Address();
                break;
            }
        }
        if (address == InvalidAddress) {
            m_lastFailedLookupMs = MonotonicMs();
        } else {
            m_resolved.insert(name, address);
            // Still the clock in use: it can be reached now.
            if (m_networkClock.Destination().trimmed().toLower() == name)
                UseAddress(m_networkClock.Destination(), address);
        }
        Q_EMIT DestinationResolved(host, address != InvalidAddress);
    });
}

void ClockSession::OnSerialReadable()
{
    // Stamped before anything else is done, so the time of arrival is not
    // moved by the decoding.
    const qint64 arrivalUs = SystemTimeUs();
    HandleSerialBytes(m_port.ReadAll(), arrivalUs);
}

void ClockSession::HandleSerialBytes(QByteArrayView bytes, qint64 arrivalUs)
{
    RecordSource source;
    source.link = LinkKind::Serial;
    source.arrivalUs = arrivalUs;
    for (ClockRecord& record : m_serialDecoder.Feed(bytes))
        Deliver(Incoming{source, std::move(record)});
}

void ClockSession::InjectSerialBytes(QByteArrayView bytes)
{
    HandleSerialBytes(bytes, SystemTimeUs());
}

void ClockSession::InjectDatagram(QByteArrayView datagram, quint32 sender, quint16 senderPort)
{
    if (const auto incoming = Accept(datagram, datagram.size(), sender, senderPort))
        Deliver(*incoming);
}

std::optional<Incoming> ClockSession::Accept(QByteArrayView datagram, qint64 size, quint32 sender,
                                             quint16 senderPort)
{
    if (size > DatagramReceiveLimit || datagram.isEmpty() || !Hears(sender, senderPort)) {
        NoteDropped();
        return std::nullopt;
    }
    auto record = DecodeDatagram(datagram);
    if (!record) {
        NoteDropped();
        return std::nullopt;
    }
    RecordSource source;
    source.link = LinkKind::Network;
    source.address = sender;
    source.port = senderPort;
    source.arrivalUs = SystemTimeUs();
    return Incoming{source, std::move(*record)};
}

void ClockSession::OnSerialError()
{
    // A receive error closes and reopens the port; a frame in progress is lost.
    const int port = m_port.CurrentPort();
    m_port.Close();
    m_serialDecoder.LoseFrame();
    if (port > 0)
        m_port.Open(port);
    Q_EMIT SerialPortFailed();
}

void ClockSession::OnTransportChanged()
{
    const TransportStatus status = m_port.Transport();
    const bool connected = status.state == TransportStatus::State::Connected;
    if (!connected) {
        // A frame cut off by the drop is lost; its tail is not glued to the
        // first bytes of the next connection.
        if (m_serverConnected)
            m_droppedMidFrame = m_serialDecoder.Reassembler().InMessage();
        m_serialDecoder.LoseFrame();
    } else {
        m_droppedMidFrame = false;
    }
    m_serverConnected = connected;
    Q_EMIT SerialTransportChanged(SerialTransportStatus());
}

TransportStatus ClockSession::SerialTransportStatus() const
{
    TransportStatus status = m_port.Transport();
    if (m_droppedMidFrame && status.fault == TransportStatus::Fault::Dropped) {
        status.fault = TransportStatus::Fault::DroppedMidFrame;
        const QString where = QStringLiteral(" in the middle of a frame");
        if (status.state == TransportStatus::State::Retrying)
            status.text += where;
        status.lastFault += where;
    }
    return status;
}

int ClockSession::BroadcastDiscovery()
{
    // A shared socket hands a session its own clock's datagrams only.
    if (m_networkAvailable != 1 || m_shared)
        return -1;
    QStringList targets = m_socket.BroadcastAddresses();
    for (const QString& subnet : m_socket.SubnetBroadcastAddresses()) {
        if (!targets.contains(subnet))
            targets.append(subnet);
    }
    const QByteArray discovery = BuildDiscoveryDatagram();
    for (const QString& address : std::as_const(targets))
        m_socket.SendDatagram(address, ClockPort, discovery);
    return 1;
}

bool ClockSession::Hears(quint32 address, quint16 port) const
{
    if (HearsEveryone())
        return true;
    return m_clockAddress != InvalidAddress && address == m_clockAddress && port == ClockPort;
}

void ClockSession::ReadSocket()
{
    // The socket is read until it is empty, a turn of the event loop at a
    // time, so its read notification is never left waiting for a read that
    // does not come.
    // One byte more than a record can be, so that a longer datagram shows.
    constexpr int kReadLimit = DatagramReceiveLimit + 1;
    QByteArray buffer(kReadLimit, '\0');
    const qint64 started = MonotonicMs();
    while (m_socket.HasPendingDatagram()) {
        if (MonotonicMs() - started >= kReadingPerTurnMs) {
            m_readTimer.start();
            break;
        }
        quint32 sender = 0;
        quint16 senderPort = 0;
        const int count = m_socket.ReceiveDatagram(buffer, sender, &senderPort, kReadLimit);
        if (count < 0)
            break;
        auto incoming = Accept(QByteArrayView(buffer).first(count), count, sender, senderPort);
        if (!incoming)
            continue;
        if (m_queue.size() >= kMaxQueued) {
            m_queue.dequeue();
            NoteDropped();
        }
        m_queue.enqueue({std::move(*incoming), MonotonicMs()});
    }
    ScheduleDrain();
}

void ClockSession::ScheduleDrain()
{
    if (!m_queue.isEmpty() && !m_drainTimer.isActive())
        m_drainTimer.start();
}

void ClockSession::Drain()
{
    const qint64 now = MonotonicMs();
    int handled = 0;
    while (!m_queue.isEmpty() && handled < kHandledPerTurn) {
        const Queued next = m_queue.dequeue();
        if (now - next.readAtMs > kMaxQueuedAgeMs) {
            NoteDropped();
            continue;
        }
        Deliver(next.incoming);
        ++handled;
    }
    if (m_queue.isEmpty())
        ReadSocket(); // anything that came while the queue was handled
    else
        ScheduleDrain();
}

void ClockSession::NoteDropped()
{
    ++m_dropped;
    // One line a second at most: a flood must not flood the log too.
    if (!TrafficLog::Enabled())
        return;
    const qint64 now = MonotonicMs();
    if (now - m_lastDropLogMs < 1000)
        return;
    m_lastDropLogMs = now;
    TrafficLog::Note(QStringLiteral("udp dropped %1 datagrams (from other senders, empty, "
                                    "oversize or too old)")
                         .arg(m_dropped - m_droppedLogged));
    m_droppedLogged = m_dropped;
}

void ClockSession::Deliver(const Incoming& incoming)
{
    const RecordSource& source = incoming.source;
    struct Emitter {
        ClockSession* s;
        const RecordSource& source;
        void operator()(const TimeReportRecord& r) const
        {
            Q_EMIT s->TimeReportReceived(r, source);
        }
        void operator()(const MasterRecord& r) const { Q_EMIT s->MasterRecordReceived(r, source); }
        void operator()(const NetworkRecord& r) const
        {
            Q_EMIT s->NetworkRecordReceived(r, source);
        }
        void operator()(const DstRecord& r) const { Q_EMIT s->DstRecordReceived(r, source); }
        void operator()(const PasswordRefusal&) const { Q_EMIT s->PasswordRefused(source); }
        void operator()(const DiscoveryCode&) const { Q_EMIT s->DiscoveryCodeReceived(source); }
        void operator()(const IncompleteRecord& r) const
        {
            Q_EMIT s->IncompleteRecordReceived(r, source);
        }
        void operator()(const OtherDatagram& r) const
        {
            Q_EMIT s->OtherDatagramReceived(r, source);
        }
    };
    if (const auto* report = std::get_if<TimeReportRecord>(&incoming.record))
        m_lastReport = LatestReport{*report, source};
    std::visit(Emitter{this, source}, incoming.record);
    Q_EMIT Received(incoming);
}

} // namespace tarvo

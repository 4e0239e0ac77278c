// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/device_server_link.h"

#include "link/traffic_log.h"

#include <algorithm>

namespace tarvo
{

namespace
{
// Writes waiting for a connection; a caller that writes more while the
// server does not answer loses the oldest.
constexpr int kMaxQueued = 64;
} // namespace

DeviceServerLink::DeviceServerLink(QObject* parent) : QObject(parent)
{
    m_clock.start();
    m_retry.setSingleShot(true);
    m_deadline.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &DeviceServerLink::Connect);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_status.state == TransportStatus::State::Connected)
            Fail(TransportStatus::Fault::Stalled,
                 QStringLiteral("device server %1 sends nothing").arg(m_address.Text()));
        else if (m_socket.state() == QAbstractSocket::ConnectedState)
            BecomeUsable(); // the COM port option was not answered: go on without it
        else
            Fail(TransportStatus::Fault::NoAnswer,
                 QStringLiteral("device server %1 does not answer").arg(m_address.Text()));
    });
    connect(&m_socket, &QTcpSocket::connected, this, &DeviceServerLink::OnConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &DeviceServerLink::OnReadable);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &DeviceServerLink::OnSocketError);
    connect(&m_socket, &QTcpSocket::disconnected, this,
            [this] { OnSocketError(QAbstractSocket::RemoteHostClosedError); });
}

DeviceServerLink::~DeviceServerLink()
{
    // The socket goes after the other members: nothing it says as it closes
    // may reach them.
    QObject::disconnect(&m_socket, nullptr, this, nullptr);
    m_socket.abort();
}

void DeviceServerLink::Open(const QString& name, const DeviceServerAddress& address)
{
    Close();
    m_address = address;
    m_status = TransportStatus();
    m_status.kind = address.kind;
    m_status.where = name;
    m_nextRetryMs = m_timings.firstRetryMs;
    m_everConnected = false;
    Connect();
}

void DeviceServerLink::Close()
{
    m_retry.stop();
    m_deadline.stop();
    m_queued.clear();
    m_incoming.clear();
    const bool wasOpen = m_status.state != TransportStatus::State::Closed;
    // Closed before the socket is: what the socket says as it closes is not
    // taken for a fault.
    m_status.state = TransportStatus::State::Closed;
    m_status.text.clear();
    m_socket.abort();
    if (wasOpen)
        Q_EMIT StatusChanged();
}

bool DeviceServerLink::IsOpen() const
{
    return m_status.state == TransportStatus::State::Connecting ||
           m_status.state == TransportStatus::State::Connected;
}

void DeviceServerLink::Connect()
{
    m_codec = TelnetCodec();
    m_socket.abort();
    SetState(TransportStatus::State::Connecting,
             QStringLiteral("connecting to device server %1").arg(m_address.Text()));
    m_deadline.start(m_timings.connectMs);
    m_socket.connectToHost(m_address.host, m_address.port);
}

void DeviceServerLink::OnConnected()
{
    if (m_status.state != TransportStatus::State::Connecting)
        return;
    // Each frame is written whole: nothing is gained by holding it back.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (m_address.kind != SerialTransport::Rfc2217) {
        BecomeUsable();
        return;
    }
    Send(m_codec.Start());
    m_deadline.start(m_timings.negotiateMs);
}

void DeviceServerLink::BecomeUsable()
{
    if (m_everConnected)
        ++m_status.reconnects;
    m_everConnected = true;
    m_status.fault = TransportStatus::Fault::None;
    m_status.retryInMs = 0;
    QString text = QStringLiteral("connected to device server %1").arg(m_address.Text());
    if (m_address.kind == SerialTransport::Rfc2217 && !m_codec.ComPortAgreed())
        text += QStringLiteral(" (it did not take the COM port option: its port keeps the "
                               "settings it was given)");
    SetState(TransportStatus::State::Connected, text);
    const qint64 now = m_clock.elapsed();
    for (const Queued& q : std::as_const(m_queued)) {
        if (now - q.atMs <= m_timings.queuedMaxAgeMs)
            Write(q.data);
    }
    m_queued.clear();
    m_deadline.start(m_timings.stallMs);
}

void DeviceServerLink::OnReadable()
{
    const QByteArray bytes = m_socket.readAll();
    if (bytes.isEmpty())
        return;
    if (m_status.state == TransportStatus::State::Connected)
        m_deadline.start(m_timings.stallMs);
    QByteArray data;
    if (m_address.kind == SerialTransport::Rfc2217) {
        TelnetCodec::Output out = m_codec.Feed(bytes);
        if (!out.replies.isEmpty())
            Send(out.replies);
        data = std::move(out.data);
        if (m_status.state == TransportStatus::State::Connecting &&
            (m_codec.ComPortAgreed() || m_codec.ComPortRefused()))
            BecomeUsable();
    } else {
        data = bytes;
    }
    if (data.isEmpty())
        return;
    // A connection that brought the line's bytes was worth making: after it
    // the wait starts short again.
    m_nextRetryMs = m_timings.firstRetryMs;
    m_incoming.append(data);
    Q_EMIT BytesAvailable();
}

void DeviceServerLink::OnSocketError(QAbstractSocket::SocketError error)
{
    if (!IsOpen())
        return;
    // What arrived before the close is the line's too.
    if (m_socket.bytesAvailable() > 0)
        OnReadable();
    if (!IsOpen())
        return;
    const QString server = m_address.Text();
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        Fail(TransportStatus::Fault::Refused,
             QStringLiteral("device server %1 refused the connection").arg(server));
        break;
    case QAbstractSocket::HostNotFoundError:
        Fail(TransportStatus::Fault::NotFound,
             QStringLiteral("device server %1: no such host").arg(server));
        break;
    case QAbstractSocket::RemoteHostClosedError:
        Fail(TransportStatus::Fault::Dropped,
             QStringLiteral("device server %1 dropped the connection").arg(server));
        break;
    default:
        Fail(m_status.state == TransportStatus::State::Connected ? TransportStatus::Fault::Dropped
                                                                 : TransportStatus::Fault::NoAnswer,
             QStringLiteral("device server %1: %2").arg(server, m_socket.errorString()));
        break;
    }
}

void DeviceServerLink::Fail(TransportStatus::Fault fault, const QString& text)
{
    m_deadline.stop();
    m_queued.clear();
    m_status.fault = fault;
    m_status.lastFault = text;
    m_status.retryInMs = m_nextRetryMs;
    // Retrying before the socket is closed: what it says as it closes is not
    // another fault.
    SetState(TransportStatus::State::Retrying, text);
    m_socket.abort();
    m_retry.start(m_nextRetryMs);
    m_nextRetryMs = std::min(m_nextRetryMs * 2, m_timings.maxRetryMs);
}

void DeviceServerLink::SetState(TransportStatus::State state, const QString& text)
{
    m_status.state = state;
    m_status.text = text;
    if (TrafficLog::Enabled())
        TrafficLog::Note(
            state == TransportStatus::State::Retrying
                ? QStringLiteral("%1; again in %2 ms").arg(text).arg(m_status.retryInMs)
                : text);
    Q_EMIT StatusChanged();
}

void DeviceServerLink::Write(QByteArrayView data)
{
    switch (m_status.state) {
    case TransportStatus::State::Connected:
        Send(m_address.kind == SerialTransport::Rfc2217 ? TelnetCodec::Escape(data)
                                                        : data.toByteArray());
        break;
    case TransportStatus::State::Connecting:
        if (m_queued.size() >= kMaxQueued)
            m_queued.removeFirst();
        m_queued.append({data.toByteArray(), m_clock.elapsed()});
        break;
    default:
        break;
    }
}

void DeviceServerLink::Send(QByteArrayView wire)
{
    m_socket.write(wire.constData(), wire.size());
}

QByteArray DeviceServerLink::ReadAll()
{
    return std::exchange(m_incoming, {});
}

} // namespace tarvo

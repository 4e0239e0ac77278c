// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/udp_link.h"

#include "link/datagram.h"
#include "link/traffic_log.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QVariant>

namespace tarvo
{

quint32 ParseAddress(const QString& text)
{
    QHostAddress address;
    if (address.setAddress(text.trimmed()) && address.protocol() == QAbstractSocket::IPv4Protocol)
        return address.toIPv4Address();
    return InvalidAddress;
}

quint32 ResolveAddress(const QString& host)
{
    const QString text = host.trimmed();
    if (text.isEmpty())
        return InvalidAddress;
    QHostAddress address;
    if (address.setAddress(text) && address.protocol() == QAbstractSocket::IPv4Protocol)
        return address.toIPv4Address();
    // A dotted text that is not an address is not worth a name lookup.
    bool digitsAndDots = true;
    for (QChar c : text)
        digitsAndDots = digitsAndDots && (c.isDigit() || c == QLatin1Char('.'));
    if (digitsAndDots)
        return InvalidAddress;
    const QHostInfo info = QHostInfo::fromName(text);
    for (const QHostAddress& a : info.addresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a.toIPv4Address();
    }
    return InvalidAddress;
}

QString AddressToString(quint32 address)
{
    return QHostAddress(address).toString().left(50);
}

QString BroadcastAddressFor(const QString& localAddress)
{
    const qsizetype lastDot = localAddress.lastIndexOf(QLatin1Char('.'));
    if (localAddress.count(QLatin1Char('.')) < 2 || lastDot < 0)
        return QStringLiteral("255");
    return localAddress.left(lastDot + 1) + QStringLiteral("255");
}

QString SocketStartupMessage(int code)
{
    switch (code) {
    case 10022:
        return QStringLiteral("The Windows Sockets version specified by the application is not "
                              "supported by this DLL.");
    case 10091:
        return QStringLiteral(
            "The underlying network subsystem is not ready for network communication.");
    case 10092:
        return QStringLiteral("The version of Windows Sockets API support requested is not "
                              "provided by this particular Windows Sockets implementation.");
    default:
        return {};
    }
}

UdpLink::UdpLink(QObject* parent) : QObject(parent) {}

int UdpLink::InitializeNetwork(const QStringList& overrideAddresses, int* startupError)
{
    if (startupError)
        *startupError = 0;
    m_localAddresses.clear();
    m_broadcastAddresses.clear();
    m_subnetBroadcasts.clear();
    m_hostName = QHostInfo::localHostName();

    if (!overrideAddresses.isEmpty()) {
        m_localAddresses = overrideAddresses;
    } else {
        const QHostInfo info = QHostInfo::fromName(m_hostName);
        bool onlyLoopback = true;
        for (const QHostAddress& a : info.addresses()) {
            if (a.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            m_localAddresses << a.toString();
            onlyLoopback = onlyLoopback && a.isLoopback();
        }
        // Linux often maps the host name to 127.0.1.1 only; the interfaces that
        // are up then tell the real addresses.
        if (onlyLoopback) {
            QStringList fromInterfaces;
            const auto interfaces = QNetworkInterface::allInterfaces();
            for (const QNetworkInterface& iface : interfaces) {
                if (!(iface.flags() & QNetworkInterface::IsUp) ||
                    (iface.flags() & QNetworkInterface::IsLoopBack))
                    continue;
                for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
                    if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                        continue;
                    fromInterfaces << entry.ip().toString();
                    if (entry.netmask() != QHostAddress(QStringLiteral("255.255.255.0")) &&
                        !entry.broadcast().isNull())
                        m_subnetBroadcasts << entry.broadcast().toString();
                }
            }
            if (!fromInterfaces.isEmpty())
                m_localAddresses = fromInterfaces;
        }
    }
    if (m_localAddresses.isEmpty()) {
        m_localAddresses << QString();
        return 0;
    }

    if (!m_socket) {
        m_socket = new QUdpSocket(this);
        // Bound at once to an ephemeral port on every interface, so answers to
        // the first request are already heard.
        if (!m_socket->bind(QHostAddress(QHostAddress::AnyIPv4), 0)) {
            if (startupError)
                *startupError = 10091;
            delete m_socket;
            m_socket = nullptr;
            return -1;
        }
        // Room for a burst: the clock's replies must not be lost behind noise
        // while the window is busy for a moment.
        m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                  QVariant(1 << 20));
        connect(m_socket, &QUdpSocket::readyRead, this, &UdpLink::DatagramReady);
    }
    if (ResolveAddress(m_localAddresses.first()) == InvalidAddress)
        return -1;

    bool any = false;
    for (const QString& local : std::as_const(m_localAddresses)) {
        m_broadcastAddresses << BroadcastAddressFor(local);
        any = any || !m_broadcastAddresses.last().isEmpty();
    }
    m_subnetBroadcasts.removeDuplicates();
    for (const QString& b : std::as_const(m_broadcastAddresses))
        m_subnetBroadcasts.removeAll(b);
    return any ? 1 : -1;
}

int UdpLink::SendDatagram(const QString& host, int port, const QByteArray& bytes)
{
    if (!m_socket || host.isEmpty() || port <= 0 || port > 65535)
        return -1;
    return SendDatagramTo(ResolveAddress(host), port, bytes);
}

int UdpLink::SendDatagramTo(quint32 address, int port, const QByteArray& bytes)
{
    if (!m_socket || address == InvalidAddress || port <= 0 || port > 65535)
        return -1;
    const QHostAddress target(address);
    TrafficLog::Datagram(true, QStringLiteral("%1:%2").arg(target.toString()).arg(port), bytes);
    const qint64 sent = m_socket->writeDatagram(bytes, target, quint16(port));
    return sent < 0 ? -1 : int(sent);
}

bool UdpLink::HasPendingDatagram() const
{
    return m_socket && m_socket->hasPendingDatagrams();
}

int UdpLink::ReceiveDatagram(QByteArray& buffer, quint32& sender, quint16* senderPort, int limit)
{
    if (!m_socket)
        return -1;
    if (buffer.size() < limit)
        buffer.resize(limit);
    QHostAddress from;
    quint16 fromPort = 0;
    const qint64 n = m_socket->readDatagram(buffer.data(), limit, &from, &fromPort);
    if (senderPort)
        *senderPort = fromPort;
    if (n < 0)
        return -1;
    bool ok = false;
    sender = from.toIPv4Address(&ok);
    if (!ok)
        sender = 0;
    TrafficLog::Datagram(false, from.toString(), QByteArrayView(buffer.constData(), n));
    return int(n);
}

void UdpLink::SetReceiveBufferSize(int bytes)
{
    if (m_socket)
        m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(bytes));
}

quint16 UdpLink::LocalPort() const
{
    return m_socket ? m_socket->localPort() : 0;
}

void UdpLink::CloseNetwork()
{
    if (m_socket) {
        m_socket->close();
        delete m_socket;
        m_socket = nullptr;
    }
}

} // namespace tarvo

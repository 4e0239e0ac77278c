// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulated_clock.h"

#include "link/bytes.h"
#include "link/datagram.h"

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

namespace tarvo
{

namespace
{

// A changed address takes effect after this pause, as the clock restarts its
// network interface; the program's reply to the change is on its way by then.
constexpr int AddressMoveDelayMs = 1000;

QString BroadcastFor(const QString& address)
{
    return address.left(address.lastIndexOf(QLatin1Char('.')) + 1) + QStringLiteral("255");
}

} // namespace

bool IsLoopbackAddress(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (!ok || value < 0 || value > 255 || part.isEmpty() || part.size() > 3)
            return false;
    }
    return parts[0].toInt() == 127;
}

bool SimulatedClock::BindUdp(const QString& address, QString* error)
{
    CloseUdp();
    m_unicast = new QUdpSocket(this);
    if (!m_unicast->bind(QHostAddress(address), ClockPort, QAbstractSocket::DontShareAddress)) {
        *error = QStringLiteral("cannot bind %1:%2: %3")
                     .arg(address)
                     .arg(ClockPort)
                     .arg(m_unicast->errorString());
        CloseUdp();
        return false;
    }
    // Discovery goes to the ".255" address; several clocks may listen there.
    const QString broadcast = BroadcastFor(address);
    m_broadcast = new QUdpSocket(this);
    if (!m_broadcast->bind(QHostAddress(broadcast), ClockPort,
                           QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        *error = QStringLiteral("cannot bind %1:%2: %3")
                     .arg(broadcast)
                     .arg(ClockPort)
                     .arg(m_broadcast->errorString());
        CloseUdp();
        return false;
    }
    QUdpSocket* unicast = m_unicast;
    QUdpSocket* shared = m_broadcast;
    connect(unicast, &QUdpSocket::readyRead, this, [this, unicast] { ReadDatagrams(unicast); });
    connect(shared, &QUdpSocket::readyRead, this, [this, shared] { ReadDatagrams(shared); });
    m_udpAddress = address;
    Log(QStringLiteral("UDP on %1:%2, discovery on %3").arg(address).arg(ClockPort).arg(broadcast));
    return true;
}

void SimulatedClock::CloseUdp()
{
    for (QUdpSocket* socket : {m_unicast, m_broadcast}) {
        if (socket) {
            socket->disconnect(this);
            socket->close();
            socket->deleteLater();
        }
    }
    m_unicast = nullptr;
    m_broadcast = nullptr;
    m_udpAddress.clear();
}

void SimulatedClock::ReadDatagrams(QUdpSocket* socket)
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        const QByteArray data = datagram.data();
        const quint8 code = ByteAt(data, 0);
        Q_EMIT DatagramReceived(code, data, datagram.senderAddress());
        const QString previousAddress = AddressAt(m_state.NetworkRecord(), 0);
        const CommandOutcome outcome = m_state.ApplyDatagram(data);
        Log(QStringLiteral("udp <- %1:%2 code %3 (%4 bytes): %5")
                .arg(datagram.senderAddress().toString())
                .arg(datagram.senderPort())
                .arg(code)
                .arg(data.size())
                .arg(outcome.note));
        if (outcome.understood)
            Q_EMIT DatagramApplied(code);
        // Replies always leave from the clock's own address, so the sender
        // learns where the clock is even when it asked the broadcast address.
        if (!m_silent && m_unicast) {
            for (const QByteArray& reply : outcome.replies) {
                Log(QStringLiteral("udp -> %1:%2 code %3")
                        .arg(datagram.senderAddress().toString())
                        .arg(datagram.senderPort())
                        .arg(ByteAt(reply, 0)));
                m_unicast->writeDatagram(reply, datagram.senderAddress(),
                                         static_cast<quint16>(datagram.senderPort()));
            }
        }
        if (outcome.networkApplied)
            OnNetworkApplied(previousAddress);
        if (code == DatagramCode::SetTimeAndDate)
            ScheduleTimeReport();
        if (socket != m_unicast && socket != m_broadcast)
            return; // the sockets were replaced meanwhile
    }
}

void SimulatedClock::OnNetworkApplied(const QString& previousAddress)
{
    const QString target = AddressAt(m_state.NetworkRecord(), 0);
    if (target == previousAddress || m_udpAddress.isEmpty() || target == m_udpAddress)
        return;
    if (!IsLoopbackAddress(target)) {
        Log(QStringLiteral("new address %1 is outside 127.0.0.0/8; staying on %2")
                .arg(target, m_udpAddress));
        return;
    }
    QTimer::singleShot(AddressMoveDelayMs, this, [this, target] {
        // Only the latest change counts, and only while UDP is still up.
        if (m_udpAddress.isEmpty() || AddressAt(m_state.NetworkRecord(), 0) != target)
            return;
        const QString previous = m_udpAddress;
        QString why;
        if (!BindUdp(target, &why)) {
            Warn(QStringLiteral("moving to %1 failed (%2); staying on %3")
                     .arg(target, why, previous));
            QString again;
            if (!BindUdp(previous, &again))
                Warn(QStringLiteral("rebinding %1 failed: %2").arg(previous, again));
            return;
        }
        Log(QStringLiteral("moved from %1 to %2").arg(previous, target));
        Q_EMIT UdpAddressChanged(target);
    });
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/shared_socket.h"

#include "session/clock_session.h"

#include <QElapsedTimer>
#include <QVariant>

namespace tarvo
{

namespace
{
// Every clock may answer within the same few milliseconds: room for a
// thousand answers while the event loop is busy sending (the system caps
// this at net.core.rmem_max).
constexpr int kSharedReceiveBufferBytes = 4 << 20;
// As in a session's own reading: the rest waits for the next turn of the
// event loop, so that one burst does not hold up everything else.
constexpr qint64 kSharedReadingPerTurnMs = 20;
} // namespace

SharedSocket::SharedSocket(QObject* parent) : QObject(parent), m_link(this)
{
    connect(&m_link, &UdpLink::DatagramReady, this, &SharedSocket::Read);
    m_readTimer.setSingleShot(true);
    m_readTimer.setInterval(0);
    connect(&m_readTimer, &QTimer::timeout, this, &SharedSocket::Read);
}

SharedSocket::~SharedSocket()
{
    // Sessions that outlive the socket are left without a network, not with
    // a link into a socket that is gone.
    const QList<ClockSession*> sessions = m_sessions;
    for (ClockSession* session : sessions)
        session->LoseSharedSocket();
}

bool SharedSocket::Open()
{
    if (m_link.IsOpen())
        return true;
    // Only a socket is needed; the local addresses matter to discovery alone.
    m_link.InitializeNetwork({QStringLiteral("127.0.0.1")});
    if (!m_link.IsOpen())
        return false;
    m_link.SetReceiveBufferSize(kSharedReceiveBufferBytes);
    return true;
}

void SharedSocket::Attach(ClockSession* session)
{
    if (!m_sessions.contains(session))
        m_sessions.append(session);
}

bool SharedSocket::Free(quint32 address, const ClockSession* session) const
{
    const ClockSession* owner = m_byAddress.value(address, nullptr);
    return !owner || owner == session;
}

void SharedSocket::Route(ClockSession* session, quint32 from, quint32 to)
{
    if (m_byAddress.value(from, nullptr) == session)
        m_byAddress.remove(from);
    if (to != InvalidAddress && Free(to, session))
        m_byAddress.insert(to, session);
}

void SharedSocket::Detach(ClockSession* session)
{
    m_sessions.removeAll(session);
    for (auto it = m_byAddress.begin(); it != m_byAddress.end();) {
        if (it.value() == session)
            it = m_byAddress.erase(it);
        else
            ++it;
    }
}

void SharedSocket::Read()
{
    constexpr int kReadLimit = DatagramReceiveLimit + 1;
    QByteArray buffer(kReadLimit, '\0');
    QElapsedTimer reading;
    reading.start();
    while (m_link.HasPendingDatagram()) {
        if (reading.elapsed() >= kSharedReadingPerTurnMs) {
            m_readTimer.start();
            return;
        }
        quint32 sender = 0;
        quint16 senderPort = 0;
        const int count = m_link.ReceiveDatagram(buffer, sender, &senderPort, kReadLimit);
        if (count < 0)
            return;
        ClockSession* owner = m_byAddress.value(sender, nullptr);
        if (!owner) {
            ++m_unclaimed;
            continue;
        }
        owner->InjectDatagram(QByteArrayView(buffer).first(count), sender, senderPort);
    }
}

} // namespace tarvo

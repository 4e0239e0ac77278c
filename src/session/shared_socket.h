// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One UDP socket under many clock sessions. Each session sends its datagrams
// through it, and each datagram read is handed to the session whose clock
// sent it, where it passes the session's own filter as if the session's own
// socket had read it. A program that asks a thousand clocks at once holds one
// descriptor and one read notifier instead of a thousand. Answers carry no
// mark of the request they answer, only their sender: one clock address
// belongs to one session here, and a second session for the same clock (with
// another password, say) keeps a socket of its own.

#include "link/udp_link.h"

#include <QHash>
#include <QObject>
#include <QTimer>

namespace tarvo
{

class ClockSession;

class SharedSocket : public QObject
{
    Q_OBJECT
public:
    explicit SharedSocket(QObject* parent = nullptr);
    ~SharedSocket() override;

    // Binds the socket (an ephemeral port on every interface); false when
    // the system gives no socket.
    bool Open();
    bool IsOpen() const { return m_link.IsOpen(); }
    UdpLink& Link() { return m_link; }
    // Datagrams read from senders that are no session's clock.
    quint64 Unclaimed() const { return m_unclaimed; }

private:
    friend class ClockSession;
    // Called by the session: it joins; whether its clock's address is free
    // (or its own already); its clock's address changes; it leaves.
    void Attach(ClockSession* session);
    bool Free(quint32 address, const ClockSession* session) const;
    void Route(ClockSession* session, quint32 from, quint32 to);
    void Detach(ClockSession* session);
    void Read();

    UdpLink m_link;
    QList<ClockSession*> m_sessions;
    QHash<quint32, ClockSession*> m_byAddress;
    QTimer m_readTimer;
    quint64 m_unclaimed = 0;
};

} // namespace tarvo

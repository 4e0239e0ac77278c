// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock/password.h"
#include "session/clock_link.h"

#include <QByteArray>
#include <functional>

namespace tarvo
{

class UdpLink;

// The clock on the network: every command as a 131-byte datagram to port
// 10000 of the clock's address, with the access password in bytes 1 to 4.
// Nothing is sent unless the socket is ready.
class NetworkClockLink final : public ClockLink
{
public:
    explicit NetworkClockLink(UdpLink& socket) : m_socket(&socket) {}
    // The socket the datagrams go out on: the session's own, or one shared
    // by many sessions.
    void SetSocket(UdpLink& socket) { m_socket = &socket; }

    void SetModel(const ClockModel* model) { m_model = model; }
    // The clock's address as given (dotted text or a host name) and as
    // resolved; nothing is sent while a name is not resolved.
    void SetDestination(const QString& host, quint32 address)
    {
        m_host = host;
        m_address = address;
    }
    const QString& Destination() const { return m_host; }
    quint32 Address() const { return m_address; }
    // Called when a datagram could not go out for want of an address.
    void OnUnresolved(std::function<void()> handler) { m_onUnresolved = std::move(handler); }
    void SetPassword(const QByteArray& password4) { m_password = password4; }
    const QByteArray& Password() const { return m_password; }
    // 1 when the socket is ready (the value network start-up returned).
    void SetNetworkAvailable(int value) { m_available = value; }

    LinkKind Kind() const override { return LinkKind::Network; }
    QString Where() const override { return m_host; }
    const ClockModel* Model() const override { return m_model; }
    int Send(const ClockCommand& command) override;
    int FramesFor(const ClockCommand& command) const override
    {
        return static_cast<int>(DatagramsFor(command).size());
    }
    Task<void> RequestEverything() override;
    Task<void> RestoreFactoryDefaults() override;
    bool CarriesPassword() const override { return true; }
    bool ModelByTrailer() const override { return false; }
    bool CarriesTimeReports() const override { return false; }
    std::chrono::milliseconds SettleTime() const override { return std::chrono::milliseconds(300); }
    int RequestAttempts() const override { return 2; }

    // The datagrams of a command; empty for a command the network does not carry.
    QList<QByteArray> DatagramsFor(const ClockCommand& command) const;
    // Sends one datagram to the clock: the bytes sent, or -1.
    int SendToClock(const QByteArray& datagram);
    // When a datagram last went to the clock (QDeadlineTimer's monotonic
    // milliseconds), or -1: a quiet link is checked only while nothing else
    // goes out on it.
    qint64 LastSentMs() const { return m_lastSentMs; }

private:
    UdpLink* m_socket;
    QString m_host;
    quint32 m_address = 0xFFFFFFFFu;
    std::function<void()> m_onUnresolved;
    QByteArray m_password = DefaultNetworkPassword();
    const ClockModel* m_model = nullptr;
    int m_available = 0;
    qint64 m_lastSentMs = -1;
};

} // namespace tarvo

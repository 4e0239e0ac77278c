// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QUdpSocket>

#include "link/datagram.h"

namespace tarvo
{

// All ones: the value of an address that could not be resolved.
inline constexpr quint32 InvalidAddress = 0xFFFFFFFFu;

// Dotted text first, then a name lookup; InvalidAddress when neither works.
// The value is the address as a number (first octet in the high byte). The
// lookup blocks: the window resolves names through the session instead.
quint32 ResolveAddress(const QString& host);
// Dotted text only, without a lookup; InvalidAddress for anything else.
quint32 ParseAddress(const QString& text);
// Dotted-decimal text of an address number.
QString AddressToString(quint32 address);
// The ".255" broadcast target of a local address: the text up to and including
// its last dot, then "255"; a text with fewer than two dots gives "255".
QString BroadcastAddressFor(const QString& localAddress);

// Message of the socket layer's start-up failure codes; empty for other codes.
QString SocketStartupMessage(int code);

// The program's one UDP socket and what the network start-up learns about the
// computer's own addresses.
class UdpLink : public QObject
{
    Q_OBJECT
public:
    explicit UdpLink(QObject* parent = nullptr);

    // Finds the local addresses (or takes `overrideAddresses` when it is not
    // empty), derives the broadcast targets and creates the socket. Returns the
    // value the program keeps as NetworkAvailable: 1 ready, 0 no addresses,
    // -1 no socket or no usable address. `startupError` receives a socket-layer
    // failure code for the caller's message (0 when none).
    int InitializeNetwork(const QStringList& overrideAddresses, int* startupError = nullptr);

    // Sends the whole array as one datagram. Returns the bytes sent or -1
    // (no socket, empty host, bad port, unresolvable host, send failure).
    int SendDatagram(const QString& host, int port, const QByteArray& bytes);
    // The same to an address already resolved.
    int SendDatagramTo(quint32 address, int port, const QByteArray& bytes);

    // Reads the datagram HasPendingDatagram() said is waiting, at most
    // `limit` bytes of it (256 unless given), into `buffer` (which keeps its
    // other bytes) and gives the sender; -1 when it cannot be read. Not asked
    // again here: a reader of a thousand answers makes one system call fewer
    // for each.
    int ReceiveDatagram(QByteArray& buffer, quint32& sender, quint16* senderPort = nullptr,
                        int limit = ReceiveLimit);
    bool HasPendingDatagram() const;
    bool IsOpen() const { return m_socket != nullptr; }
    // Asks the system for a receive buffer of `bytes` (it may give less).
    void SetReceiveBufferSize(int bytes);
    void CloseNetwork();

    const QString& LocalHostName() const { return m_hostName; }
    const QStringList& LocalAddresses() const { return m_localAddresses; }
    const QStringList& BroadcastAddresses() const { return m_broadcastAddresses; }
    // Broadcast addresses of interfaces whose mask is not 255.255.255.0, which the
    // ".255" targets miss; discovery sends to these as well.
    const QStringList& SubnetBroadcastAddresses() const { return m_subnetBroadcasts; }
    quint16 LocalPort() const;

Q_SIGNALS:
    void DatagramReady();

private:
    QUdpSocket* m_socket = nullptr;
    QString m_hostName;
    QStringList m_localAddresses;
    QStringList m_broadcastAddresses;
    QStringList m_subnetBroadcasts;
};

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/device_server.h"
#include "link/telnet_codec.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>

namespace tarvo
{

// A serial line reached through a serial device server: a TCP connection that
// carries the line's bytes as they are (tcp:) or inside a Telnet session with
// the COM port option (rfc2217:). It keeps the connection up by itself: after
// a refusal, a drop, a server that does not answer or one that has sent
// nothing for a while, it connects again, 1 s later at first and twice as
// long after each attempt that brought no byte, up to 30 s.
//
// Bytes written while a connection is being made go out once it is made (the
// RFC 2217 settings first), unless they have waited too long to mean anything
// then; bytes written while the link waits for its next attempt are lost, as
// on a cable that is pulled out.
class DeviceServerLink : public QObject
{
    Q_OBJECT
public:
    explicit DeviceServerLink(QObject* parent = nullptr);
    ~DeviceServerLink() override;

    void Open(const QString& name, const DeviceServerAddress& address);
    void Close();
    // Connecting or connected.
    bool IsOpen() const;
    void Write(QByteArrayView data);
    // The line's bytes read since the last call.
    QByteArray ReadAll();

    const TransportStatus& Status() const { return m_status; }
    const TelnetCodec& Codec() const { return m_codec; }

    struct Timings {
        int connectMs = 5000;      // for a connection (name lookup included)
        int negotiateMs = 1000;    // for the server's answer to the COM port option
        int stallMs = 10000;       // a connected server silent this long has stalled
        int firstRetryMs = 1000;   // the wait after a fault ...
        int maxRetryMs = 30000;    // ... doubling up to this
        int queuedMaxAgeMs = 1000; // writes older than this when the link is up are dropped
    };
    // Shorter waits for the tests.
    void SetTimings(const Timings& timings) { m_timings = timings; }

Q_SIGNALS:
    void BytesAvailable();
    void StatusChanged();

private:
    void Connect();
    void OnConnected();
    void OnReadable();
    void OnSocketError(QAbstractSocket::SocketError error);
    void BecomeUsable();
    void Fail(TransportStatus::Fault fault, const QString& text);
    void SetState(TransportStatus::State state, const QString& text);
    void Send(QByteArrayView wire);

    QTcpSocket m_socket;
    TelnetCodec m_codec;
    DeviceServerAddress m_address;
    TransportStatus m_status;
    Timings m_timings;
    QTimer m_retry;
    QTimer m_deadline; // the connection, the negotiation, or the silence of a stall
    QByteArray m_incoming;
    struct Queued {
        QByteArray data;
        qint64 atMs = 0;
    };
    QList<Queued> m_queued;
    QElapsedTimer m_clock;
    int m_nextRetryMs = 0;
    bool m_everConnected = false; // for the count of reconnections
};

} // namespace tarvo

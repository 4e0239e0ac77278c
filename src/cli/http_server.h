// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small HTTP/1.1 server for GET on our own QTcpServer, held to limits a
// metrics endpoint needs when anyone on the network may connect: a cap on
// open connections (the oldest one not being answered makes way for a new
// one), a deadline for each request's head (which is also the idle
// timeout) and for each answer to be taken, the head read through an 8 KiB
// window and never a body, one request answered at a time per connection,
// and optionally TLS and basic auth (web_config.h).
//
// Qt's HTTP server of Debian 12 (6.4) reads whatever a client sends into
// memory, has no timeouts and no connection cap, and hands out raw socket
// pointers that outlive their sockets; it is not used.

#include "cli/http_request.h"
#include "cli/web_config.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

class QTcpSocket;

namespace tarvo
{

struct HttpLimits {
    int maxConnections = 64;
    int readMs = 5000;   // a request's head, from the connection or the last answer on
    int writeMs = 10000; // an answer, to be taken by the client
};

class HttpServer;
class HttpListener;

// One client's connection, owned by the server. It is deleted (later) once
// closed: whoever keeps one across a wait keeps a QPointer.
class HttpConnection : public QObject
{
public:
    HttpConnection(QTcpSocket* socket, HttpServer* server);
    ~HttpConnection() override;
    // The answer to the request handed out; ignored once closed. `close`
    // ends the connection after it whatever the client asked.
    void Respond(int status, QByteArrayView contentType, QByteArrayView body, bool close = false,
                 QByteArrayView extraHeaders = {});
    // Waiting for a request (or part of one), not being answered, and had a
    // chance to be read: one that can make way for a new connection.
    bool Evictable() const { return m_state == State::Reading && !m_fresh; }
    void Close();

private:
    enum class State { Reading, Answering, Writing, Closing, Closed };
    void StartReading();
    void ReadHead();
    void Written();
    void DeadlinePassed();

    HttpServer* m_server;
    QTcpSocket* m_socket;
    QTimer m_deadline;
    QByteArray m_buffer;
    State m_state = State::Reading;
    bool m_closeAfter = false;
    bool m_headOnly = false;
    bool m_fresh = true;
};

class HttpServer : public QObject
{
public:
    // Called for each request that passed the limits and the password; it
    // answers with connection->Respond, now or later.
    using Handler = std::function<void(HttpConnection* connection, const HttpRequestHead& head)>;
    HttpServer(Handler handler, QObject* parent = nullptr);
    void SetLimits(const HttpLimits& limits) { m_limits = limits; }
    void SetProtection(std::optional<QSslConfiguration> tls, BasicAuth auth);
    // The port listened on (the one given, or the one taken for 0), or 0.
    quint16 Listen(const QHostAddress& address, quint16 port);
    int OpenConnections() const { return int(m_connections.size()); }

private:
    friend class HttpConnection;
    friend class HttpListener;
    void Accept(qintptr descriptor);
    // Below the cap, or closes the oldest connection that may make way.
    bool MakeRoom();
    void Adopt(QTcpSocket* socket);
    void AdoptWaiting();
    void Dispatch(HttpConnection* connection, const HttpRequestHead& head);
    void Forget(HttpConnection* connection);

    Handler m_handler;
    HttpLimits m_limits;
    std::optional<QSslConfiguration> m_tls;
    BasicAuth m_auth{{}};
    HttpListener* m_listener;
    std::vector<HttpConnection*> m_connections; // oldest first
};

} // namespace tarvo

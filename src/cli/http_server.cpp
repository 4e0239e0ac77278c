// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/http_server.h"

#include <QSslSocket>
#include <QTcpServer>
#include <algorithm>

namespace tarvo
{

// Hands each accepted connection over at once: Qt's queue of pending
// connections (and QSslServer's handshakes kept aside) would hold
// connections that no cap or deadline of ours covers. Only when every
// connection is being answered does one wait in that queue, which holds one
// at most: Qt then leaves the rest in the kernel's backlog, not reset, until
// there is room.
class HttpListener : public QTcpServer
{
public:
    explicit HttpListener(HttpServer* server) : QTcpServer(server), m_server(server)
    {
        setMaxPendingConnections(1);
    }
    using QTcpServer::addPendingConnection;

protected:
    void incomingConnection(qintptr descriptor) override { m_server->Accept(descriptor); }

private:
    HttpServer* m_server;
};

HttpConnection::HttpConnection(QTcpSocket* socket, HttpServer* server)
    : QObject(server), m_server(server), m_socket(socket)
{
    m_socket->setParent(this);
    // Qt takes no more than the head's limit from the kernel; the rest of
    // what a client sends waits there, held back by TCP.
    m_socket->setReadBufferSize(kHttpHeadLimit);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &HttpConnection::DeadlinePassed);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpConnection::ReadHead);
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpConnection::Close);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &HttpConnection::Close);
    // A TLS socket says bytesWritten once it has encrypted them, before they
    // leave: an answer is out only at encryptedBytesWritten.
    if (auto* tls = qobject_cast<QSslSocket*>(m_socket))
        connect(tls, &QSslSocket::encryptedBytesWritten, this, &HttpConnection::Written);
    else
        connect(m_socket, &QTcpSocket::bytesWritten, this, &HttpConnection::Written);
    // Qt accepts a whole burst of connections in one go: a scrape accepted
    // early in it is not made to give way to the rest before its request
    // has been read. A quarter of a second is ages for a request on its way.
    QTimer::singleShot(250, this, [this] {
        m_fresh = false;
        m_server->AdoptWaiting();
    });
    StartReading();
}

HttpConnection::~HttpConnection()
{
    // The socket is deleted with this object and says it disconnects as it
    // goes: by then nothing here may hear it.
    m_socket->disconnect(this);
}

void HttpConnection::StartReading()
{
    m_state = State::Reading;
    m_deadline.start(m_server->m_limits.readMs);
    ReadHead();
}

void HttpConnection::ReadHead()
{
    if (m_state != State::Reading)
        return;
    m_buffer += m_socket->read(kHttpHeadLimit - m_buffer.size());
    const HttpRequestHead head = ParseRequestHead(m_buffer);
    if (head.result == HttpRequestHead::Result::Incomplete)
        return;
    m_state = State::Answering;
    m_deadline.stop();
    if (head.result == HttpRequestHead::Result::Bad) {
        Respond(head.status, "text/plain; charset=utf-8", "Bad request.\n", true);
        return;
    }
    m_buffer.remove(0, head.length);
    m_closeAfter = !head.keepAlive;
    m_headOnly = head.method == "HEAD";
    m_server->Dispatch(this, head);
}

void HttpConnection::Respond(int status, QByteArrayView contentType, QByteArrayView body,
                             bool close, QByteArrayView extraHeaders)
{
    if (m_state != State::Answering)
        return;
    m_closeAfter = m_closeAfter || close;
    m_state = State::Writing;
    m_deadline.start(m_server->m_limits.writeMs);
    m_socket->write(
        HttpResponse(status, contentType, body, m_closeAfter, extraHeaders, m_headOnly));
    Written();
}

void HttpConnection::Written()
{
    const auto* tls = qobject_cast<QSslSocket*>(m_socket);
    if (m_state != State::Writing || m_socket->bytesToWrite() > 0 ||
        (tls && tls->encryptedBytesToWrite() > 0))
        return;
    if (!m_closeAfter) {
        // The next request may already be waiting (pipelined).
        StartReading();
        return;
    }
    // Closed once the socket has said goodbye (TLS: its close_notify), or
    // at the answer's deadline, which still runs.
    m_state = State::Closing;
    m_socket->disconnectFromHost();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        Close();
}

void HttpConnection::DeadlinePassed()
{
    if (m_state == State::Reading && !m_buffer.isEmpty()) {
        // Half a request: the client hears why before the connection ends.
        m_state = State::Answering;
        Respond(408, "text/plain; charset=utf-8", "Request timeout.\n", true);
        return;
    }
    Close();
}

void HttpConnection::Close()
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    m_deadline.stop();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    m_server->Forget(this);
    deleteLater();
}

HttpServer::HttpServer(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)), m_listener(new HttpListener(this))
{
}

void HttpServer::SetProtection(std::optional<QSslConfiguration> tls, BasicAuth auth)
{
    m_tls = std::move(tls);
    m_auth = std::move(auth);
}

quint16 HttpServer::Listen(const QHostAddress& address, quint16 port)
{
    return m_listener->listen(address, port) ? m_listener->serverPort() : 0;
}

void HttpServer::Accept(qintptr descriptor)
{
    QTcpSocket* socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->setReadBufferSize(kHttpHeadLimit);
    if (MakeRoom())
        Adopt(socket);
    else
        m_listener->addPendingConnection(socket);
}

bool HttpServer::MakeRoom()
{
    if (OpenConnections() < m_limits.maxConnections)
        return true;
    const auto oldest = std::find_if(m_connections.begin(), m_connections.end(),
                                     [](HttpConnection* c) { return c->Evictable(); });
    if (oldest == m_connections.end())
        return false;
    (*oldest)->Close();
    return true;
}

void HttpServer::Adopt(QTcpSocket* socket)
{
    if (auto* tls = qobject_cast<QSslSocket*>(socket)) {
        tls->setSslConfiguration(*m_tls);
        tls->startServerEncryption();
    }
    m_connections.push_back(new HttpConnection(socket, this));
}

void HttpServer::AdoptWaiting()
{
    // Taking the waiting one lets Qt accept again.
    while (m_listener->hasPendingConnections() && MakeRoom())
        Adopt(m_listener->nextPendingConnection());
}

void HttpServer::Dispatch(HttpConnection* connection, const HttpRequestHead& head)
{
    const auto text = QByteArrayView("text/plain; charset=utf-8");
    // A body is never read, so whatever follows it could not be told from
    // a request: the connection ends after the answer.
    if (head.hasBody)
        connection->Respond(413, text, "This server takes no request body.\n", true);
    else if (head.method != "GET" && head.method != "HEAD")
        connection->Respond(405, text, "Only GET and HEAD are served.\n", true,
                            "Allow: GET, HEAD\r\n");
    else if (!m_auth.Allows(head.authorization))
        connection->Respond(401, text, "Unauthorized.\n", false,
                            "WWW-Authenticate: Basic realm=\"tarvo-clock\", charset=\"UTF-8\"\r\n");
    else
        m_handler(connection, head);
}

void HttpServer::Forget(HttpConnection* connection)
{
    std::erase(m_connections, connection);
    QMetaObject::invokeMethod(this, &HttpServer::AdoptWaiting, Qt::QueuedConnection);
}

} // namespace tarvo

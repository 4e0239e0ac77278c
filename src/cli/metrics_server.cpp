// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/metrics_server.h"

#include <QHttpServerRequest>
#include <QUrl>

namespace tarvo
{

namespace detail
{

bool MetricsHttp::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    m_handler(request, socket);
    return true;
}

void MetricsHttp::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}

} // namespace detail

MetricsServer::MetricsServer(Collect collect, int cacheMs, QObject* parent)
    : QObject(parent), m_http([this](const QHttpServerRequest& request,
                                     QTcpSocket* socket) { OnRequest(request, socket); },
                              this),
      m_collect(std::move(collect)), m_cacheMs(cacheMs)
{
}

bool MetricsServer::Listen(const ListenAddress& where, QString* error)
{
    m_port = m_http.listen(where.address, where.port);
    if (m_port != 0)
        return true;
    *error = QStringLiteral("Cannot listen on %1:%2 (in use, or not an address of this computer).")
                 .arg(where.address.toString())
                 .arg(where.port);
    return false;
}

void MetricsServer::OnRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    QHttpServerResponder responder = detail::MetricsHttp::makeResponder(request, socket);
    const QString path = request.url().path();
    if (request.method() != QHttpServerRequest::Method::Get ||
        (path != u"/metrics" && path != u"/")) {
        responder.write(QHttpServerResponder::StatusCode::NotFound);
        return;
    }
    if (path == u"/") {
        responder.write(QByteArrayLiteral("tarvo-clock: the metrics are at /metrics\n"),
                        "text/plain; charset=utf-8");
        return;
    }
    if (!m_collecting && m_collected.isValid() && m_collected.elapsed() < m_cacheMs) {
        responder.write(m_text, MetricsContentType);
        return;
    }
    m_waiting.push_back({socket, std::move(responder)});
    if (!m_collecting) {
        m_collecting = true;
        Spawn(this, RunCollection());
    }
}

Task<void> MetricsServer::RunCollection()
{
    ++m_collections;
    const QByteArray text = co_await m_collect();
    m_text = text;
    m_collected.start();
    m_collecting = false;
    Answer(m_text);
}

void MetricsServer::Answer(const QByteArray& text)
{
    std::vector<Waiting> waiting;
    waiting.swap(m_waiting);
    for (Waiting& w : waiting) {
        if (w.socket && w.socket->state() == QAbstractSocket::ConnectedState)
            w.responder.write(text, MetricsContentType);
    }
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/metrics_server.h"

namespace tarvo
{

MetricsServer::MetricsServer(Collect collect, int cacheMs, QObject* parent)
    : QObject(parent), m_http([this](HttpConnection* connection,
                                     const HttpRequestHead& head) { OnRequest(connection, head); },
                              this),
      m_collect(std::move(collect)), m_cacheMs(cacheMs)
{
}

void MetricsServer::SetProtection(std::optional<QSslConfiguration> tls, BasicAuth auth)
{
    m_http.SetProtection(std::move(tls), std::move(auth));
}

bool MetricsServer::Listen(const ListenAddress& where, QString* error)
{
    m_port = m_http.Listen(where.address, where.port);
    if (m_port != 0)
        return true;
    *error = QStringLiteral("Cannot listen on %1:%2 (in use, or not an address of this computer).")
                 .arg(where.address.toString())
                 .arg(where.port);
    return false;
}

void MetricsServer::OnRequest(HttpConnection* connection, const HttpRequestHead& head)
{
    const QByteArrayView text("text/plain; charset=utf-8");
    if (head.path == "/") {
        connection->Respond(200, text, "tarvo-clock: the metrics are at /metrics\n");
        return;
    }
    if (head.path != "/metrics") {
        connection->Respond(404, text, "Not found.\n");
        return;
    }
    if (!m_collecting && m_collected.isValid() && m_collected.elapsed() < m_cacheMs) {
        connection->Respond(200, MetricsContentType, m_text);
        return;
    }
    m_waiting.emplace_back(connection);
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
    std::vector<QPointer<HttpConnection>> waiting;
    waiting.swap(m_waiting);
    for (const QPointer<HttpConnection>& connection : waiting) {
        if (connection)
            connection->Respond(200, MetricsContentType, m_text);
    }
}

} // namespace tarvo

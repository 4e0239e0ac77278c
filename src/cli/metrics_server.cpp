#include "cli/metrics_server.h"

#include <QHttpServerRequest>

namespace tarvo
{

MetricsServer::MetricsServer(Collect collect, int cacheMs, QObject* parent)
    : QObject(parent), m_http(this), m_collect(std::move(collect)), m_cacheMs(cacheMs)
{
    m_http.route(QStringLiteral("/metrics"), QHttpServerRequest::Method::Get,
                 [this](const QHttpServerRequest&, QHttpServerResponder&& responder) {
                     OnMetrics(std::move(responder));
                 });
    m_http.route(QStringLiteral("/"), QHttpServerRequest::Method::Get, [] {
        return QHttpServerResponse(QByteArrayLiteral("text/plain; charset=utf-8"),
                                   QByteArrayLiteral("tarvo-clock: the metrics are at /metrics\n"));
    });
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

void MetricsServer::OnMetrics(QHttpServerResponder&& responder)
{
    if (!m_collecting && m_collected.isValid() && m_collected.elapsed() < m_cacheMs) {
        responder.write(m_text, MetricsContentType);
        return;
    }
    m_waiting.push_back(std::move(responder));
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
    std::vector<QHttpServerResponder> waiting;
    waiting.swap(m_waiting);
    for (QHttpServerResponder& responder : waiting)
        responder.write(text, MetricsContentType);
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// /metrics over HTTP for Prometheus. The text is collected when Prometheus
// asks, not on a timer of our own: scrapes that come together share one
// collection, and a text younger than the cache time is served again instead
// of asking the clocks twice.

#include "cli/clock_metrics.h"
#include "cli/http_server.h"
#include "session/task.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

namespace tarvo
{

class MetricsServer : public QObject
{
    Q_OBJECT
public:
    using Collect = std::function<Task<QByteArray>()>;
    MetricsServer(Collect collect, int cacheMs, QObject* parent = nullptr);

    // TLS and basic auth (--web-config); before Listen.
    void SetProtection(std::optional<QSslConfiguration> tls, BasicAuth auth);
    void SetLimits(const HttpLimits& limits) { m_http.SetLimits(limits); }
    // False, with the reason in `error`, when the address cannot be listened on.
    bool Listen(const ListenAddress& where, QString* error);
    quint16 Port() const { return m_port; }
    // How many collections ran (for the cache's test and the benchmark).
    int Collections() const { return m_collections; }
    int OpenConnections() const { return m_http.OpenConnections(); }

private:
    void OnRequest(HttpConnection* connection, const HttpRequestHead& head);
    Task<void> RunCollection();

    HttpServer m_http;
    Collect m_collect;
    int m_cacheMs;
    quint16 m_port = 0;
    int m_collections = 0;
    bool m_collecting = false;
    QByteArray m_text;
    QElapsedTimer m_collected; // invalid until the first collection
    // A connection closed meanwhile (the client gave up) turns null here.
    std::vector<QPointer<HttpConnection>> m_waiting;
};

} // namespace tarvo

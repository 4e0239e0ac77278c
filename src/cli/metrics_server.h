#pragma once

// /metrics over HTTP for Prometheus. The text is collected when Prometheus
// asks, not on a timer of our own: scrapes that come together share one
// collection, and a text younger than the cache time is served again instead
// of asking the clocks twice.

#include "cli/clock_metrics.h"
#include "session/task.h"

#include <QElapsedTimer>
#include <QHttpServer>
#include <QHttpServerResponder>
#include <QObject>
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

    // False, with the reason in `error`, when the address cannot be listened on.
    bool Listen(const ListenAddress& where, QString* error);
    quint16 Port() const { return m_port; }
    // How many collections ran (for the cache's test and the benchmark).
    int Collections() const { return m_collections; }

private:
    void OnMetrics(QHttpServerResponder&& responder);
    Task<void> RunCollection();
    void Answer(const QByteArray& text);

    QHttpServer m_http;
    Collect m_collect;
    int m_cacheMs;
    quint16 m_port = 0;
    int m_collections = 0;
    bool m_collecting = false;
    QByteArray m_text;
    QElapsedTimer m_collected; // invalid until the first collection
    std::vector<QHttpServerResponder> m_waiting;
};

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// /metrics over HTTP for Prometheus. The text is collected when Prometheus
// asks, not on a timer of our own: scrapes that come together share one
// collection, and a text younger than the cache time is served again instead
// of asking the clocks twice.

#include "cli/clock_metrics.h"
#include "session/task.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHttpServerResponder>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <functional>
#include <vector>

namespace tarvo
{

namespace detail
{
// Qt's server with the connection of each request at hand: an answer that
// waits for the clocks is written only if Prometheus has not hung up
// meanwhile (a responder kept past its connection writes to a freed socket).
class MetricsHttp : public QAbstractHttpServer
{
public:
    using Handler = std::function<void(const QHttpServerRequest&, QTcpSocket*)>;
    MetricsHttp(Handler handler, QObject* parent)
        : QAbstractHttpServer(parent), m_handler(std::move(handler))
    {
    }
    using QAbstractHttpServer::makeResponder;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    Handler m_handler;
};
} // namespace detail

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
    struct Waiting {
        QPointer<QTcpSocket> socket;
        QHttpServerResponder responder;
    };
    void OnRequest(const QHttpServerRequest& request, QTcpSocket* socket);
    Task<void> RunCollection();
    void Answer(const QByteArray& text);

    detail::MetricsHttp m_http;
    Collect m_collect;
    int m_cacheMs;
    quint16 m_port = 0;
    int m_collections = 0;
    bool m_collecting = false;
    QByteArray m_text;
    QElapsedTimer m_collected; // invalid until the first collection
    std::vector<Waiting> m_waiting;
};

} // namespace tarvo

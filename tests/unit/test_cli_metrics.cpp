// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/clock_exporter.h"
#include "cli/metrics_server.h"
#include "support/cli_helpers.h"
#include "support/run_task.h"
#include "support/test_registry.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>

using namespace tarvo;

namespace
{

Task<QByteArray> CountedCollection(int* count, int ms)
{
    ++*count;
    co_await Sleep(ms);
    co_return QByteArrayLiteral("x 1\n");
}

// Sends `bytes` on a new connection and returns everything the server sends
// back until it closes the connection (or 20 s pass).
QByteArray Exchange(quint16 port, const QByteArray& bytes)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    s.write(bytes);
    QByteArray got;
    (void)QTest::qWaitFor(
        [&] {
            got += s.readAll();
            return s.state() == QAbstractSocket::UnconnectedState;
        },
        20000);
    return got + s.readAll();
}

} // namespace

class CliMetrics : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void valuesAsPrometheusReadsThem()
    {
        QCOMPARE(MetricValueText(0), QByteArray("0"));
        QCOMPARE(MetricValueText(-3), QByteArray("-3"));
        QCOMPARE(MetricValueText(-0.000123), QByteArray("-0.000123"));
        QCOMPARE(MetricValueText(0.1 + 0.2), QByteArray("0.30000000000000004"));
        QCOMPARE(MetricValueText(1e20), QByteArray("1e+20"));
        QCOMPARE(MetricValueText(std::numeric_limits<double>::quiet_NaN()), QByteArray("NaN"));
        QCOMPARE(MetricValueText(std::numeric_limits<double>::infinity()), QByteArray("+Inf"));
        QCOMPARE(MetricValueText(-std::numeric_limits<double>::infinity()), QByteArray("-Inf"));
    }

    // A clock's name comes from the fleet file: whatever it holds must not
    // break the line or end the label early.
    void labelAndHelpEscapes()
    {
        QCOMPARE(EscapeLabelValue(QStringLiteral("a\\b\"c\nd")), QByteArray("a\\\\b\\\"c\\nd"));
        QCOMPARE(EscapeLabelValue(QStringLiteral("Studio ä")), QByteArray("Studio \xc3\xa4"));
        QCOMPARE(EscapeHelpText(QStringLiteral("a\\b\"c\nd")), QByteArray("a\\\\b\"c\\nd"));
    }

    void renderedByteForByte()
    {
        MetricFamily up{QStringLiteral("tarvo_clock_up"),
                        QStringLiteral("Up or not"),
                        QStringLiteral("gauge"),
                        {}};
        up.samples.append({{{QStringLiteral("clock"), QStringLiteral("a\"b")},
                            {QStringLiteral("link"), QStringLiteral("serial")}},
                           1});
        up.samples.append({{{QStringLiteral("clock"), QStringLiteral("c")},
                            {QStringLiteral("link"), QStringLiteral("network")}},
                           0});
        const MetricFamily empty{
            QStringLiteral("tarvo_unused"), QStringLiteral("nothing"), QStringLiteral("gauge"), {}};
        MetricFamily bare{QStringLiteral("tarvo_exporter_scrape_duration_seconds"),
                          QStringLiteral("Took"),
                          QStringLiteral("gauge"),
                          {}};
        bare.samples.append({{}, 0.25});
        QCOMPARE(RenderMetrics({up, empty, bare}),
                 QByteArray("# HELP tarvo_clock_up Up or not\n"
                            "# TYPE tarvo_clock_up gauge\n"
                            "tarvo_clock_up{clock=\"a\\\"b\",link=\"serial\"} 1\n"
                            "tarvo_clock_up{clock=\"c\",link=\"network\"} 0\n"
                            "# HELP tarvo_exporter_scrape_duration_seconds Took\n"
                            "# TYPE tarvo_exporter_scrape_duration_seconds gauge\n"
                            "tarvo_exporter_scrape_duration_seconds 0.25\n"));
    }

    // A network clock has no reports, a down clock no round trip: what a
    // clock does not have is left out rather than shown as 0.
    void clockFamiliesLeaveOutWhatIsNotKnown()
    {
        ClockReading serial;
        serial.name = QStringLiteral("studio");
        serial.model = QStringLiteral("226");
        serial.serial = true;
        serial.where = QStringLiteral("/dev/ttyUSB0");
        serial.up = true;
        serial.gpsLocked = true;
        serial.offsetSeconds = -0.004;
        serial.reportAgeSeconds = 0.5;
        ClockReading network;
        network.name = QStringLiteral("tower");
        network.model = QStringLiteral("229");
        network.where = QStringLiteral("127.0.170.2");
        const QByteArray text = RenderMetrics(ClockMetricFamilies({serial, network}, 0.125));
        const QByteArray studio = "{clock=\"studio\",model=\"226\",link=\"serial\"}";
        const QByteArray tower = "{clock=\"tower\",model=\"229\",link=\"network\"}";
        QVERIFY(text.contains("tarvo_clock_up" + studio + " 1\n"));
        QVERIFY(text.contains("tarvo_clock_up" + tower + " 0\n"));
        QVERIFY(text.contains("tarvo_clock_offset_seconds" + studio + " -0.004\n"));
        QVERIFY(text.contains("tarvo_clock_gps_locked" + studio + " 1\n"));
        QVERIFY(!text.contains("tarvo_clock_offset_seconds" + tower));
        QVERIFY(!text.contains("tarvo_clock_answer_seconds"));
        QVERIFY(!text.contains("tarvo_clock_settings_match"));
        QVERIFY(text.contains("tarvo_clock_info{clock=\"studio\",model=\"226\",link=\"serial\","
                              "device=\"/dev/ttyUSB0\"} 1\n"));
        QVERIFY(text.contains("tarvo_clock_info{clock=\"tower\",model=\"229\",link=\"network\","
                              "address=\"127.0.170.2\"} 1\n"));
        QVERIFY(text.endsWith("tarvo_exporter_scrape_duration_seconds 0.125\n"));
    }

    // Up while reports come; a report older than five seconds is a clock
    // that stopped, whatever it said last.
    void serialReadingFromLatestReport()
    {
        ClockReading reading;
        ReadLatestReport(&reading, std::nullopt, 1'000'000);
        QVERIFY(!reading.up);
        QVERIFY(!reading.offsetSeconds && !reading.gpsLocked && !reading.reportAgeSeconds);

        ReceivedTimeReport latest;
        latest.report.valid = true;
        latest.report.gpsLocked = true;
        latest.report.year = 2026;
        latest.report.month = 7;
        latest.report.day = 1;
        latest.report.hour = 12;
        const QDateTime wall(QDate(2026, 7, 1), QTime(12, 0));
        latest.arrivalUs = wall.toMSecsSinceEpoch() * 1000 + 3000;
        ReadLatestReport(&reading, latest, latest.arrivalUs + 1'500'000);
        QVERIFY(reading.up);
        QCOMPARE(*reading.gpsLocked, true);
        QCOMPARE(*reading.offsetSeconds, -0.003);
        QCOMPARE(*reading.reportAgeSeconds, 1.5);
        ReadLatestReport(&reading, latest, latest.arrivalUs + 6'000'000);
        QVERIFY(!reading.up);

        latest.report.valid = false;
        ReadLatestReport(&reading, latest, latest.arrivalUs);
        QCOMPARE(*reading.gpsLocked, false);
        QVERIFY(!reading.offsetSeconds);
    }

    void listenAddresses()
    {
        QString error;
        auto where = ParseListenAddress(QStringLiteral("127.0.170.5:9100"), &error);
        QVERIFY(where);
        QCOMPARE(where->address.toString(), QStringLiteral("127.0.170.5"));
        QCOMPARE(where->port, 9100);
        where = ParseListenAddress(QStringLiteral("9817"), &error);
        QVERIFY(where);
        QCOMPARE(where->address.toString(), QStringLiteral("127.0.0.1"));
        for (const char* bad : {"127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:", "localhost:80",
                                "127.1:80", "::1:80", ""}) {
            error.clear();
            QVERIFY2(!ParseListenAddress(QString::fromLatin1(bad), &error), bad);
            QVERIFY(!error.isEmpty());
        }
    }

    // Scrapes that come together share one collection; one within the cache
    // time is served the same text; after it a new collection runs.
    void scrapesShareCollections()
    {
        int collections = 0;
        const auto collect = [&collections] { return CountedCollection(&collections, 300); };
        MetricsServer server(collect, 1000);
        QString error;
        // Port 0 (refused on the command line) lets the test take any free port.
        QVERIFY2(server.Listen({QHostAddress(QStringLiteral("127.0.0.1")), 0}, &error),
                 qPrintable(error));
        QNetworkAccessManager web;
        const QUrl url(QStringLiteral("http://127.0.0.1:%1/metrics").arg(server.Port()));
        QList<QNetworkReply*> replies;
        for (int i = 0; i < 3; ++i)
            replies.append(web.get(QNetworkRequest(url)));
        const auto allDone = [&replies] {
            for (QNetworkReply* r : replies) {
                if (!r->isFinished())
                    return false;
            }
            return true;
        };
        QVERIFY(QTest::qWaitFor(allDone, 10000));
        for (QNetworkReply* r : replies) {
            QCOMPARE(r->readAll(), QByteArray("x 1\n"));
            QCOMPARE(r->header(QNetworkRequest::ContentTypeHeader).toString(),
                     QString::fromLatin1(MetricsContentType));
        }
        QCOMPARE(collections, 1);
        QNetworkReply* again = web.get(QNetworkRequest(url));
        QVERIFY(QTest::qWaitFor([again] { return again->isFinished(); }, 10000));
        // Within the cache time unless the machine stalled for a second.
        QVERIFY(collections <= 2);
        QTest::qWait(1100);
        QNetworkReply* later = web.get(QNetworkRequest(url));
        QVERIFY(QTest::qWaitFor([later] { return later->isFinished(); }, 10000));
        QCOMPARE(later->readAll(), QByteArray("x 1\n"));
        QVERIFY(collections >= 2);
        QCOMPARE(server.Collections(), collections);
    }

    // Prometheus gives up on a slow scrape and hangs up: the answer that
    // comes later is dropped, and the server goes on serving.
    void scrapeAbandonedByItsClient()
    {
        int collections = 0;
        const auto collect = [&collections] { return CountedCollection(&collections, 500); };
        MetricsServer server(collect, 0);
        QString error;
        QVERIFY2(server.Listen({QHostAddress(QStringLiteral("127.0.0.1")), 0}, &error),
                 qPrintable(error));
        QTcpSocket quitter;
        quitter.connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), server.Port());
        QVERIFY(QTest::qWaitFor(
            [&quitter] { return quitter.state() == QAbstractSocket::ConnectedState; }, 10000));
        quitter.write("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QVERIFY(QTest::qWaitFor([&collections] { return collections == 1; }, 10000));
        quitter.abort();
        QNetworkAccessManager web;
        QNetworkReply* next = web.get(QNetworkRequest(
            QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(server.Port()))));
        QVERIFY(QTest::qWaitFor([next] { return next->isFinished(); }, 10000));
        QCOMPARE(next->error(), QNetworkReply::NoError);
        QCOMPARE(next->readAll(), QByteArray("x 1\n"));
        QNetworkReply* other = web.get(
            QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/other").arg(server.Port()))));
        QVERIFY(QTest::qWaitFor([other] { return other->isFinished(); }, 10000));
        QCOMPARE(other->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);
    }

    // Beyond the cap the oldest connection not being answered makes way;
    // idle and half-sent connections end at the deadline; a body or an
    // over-long head is refused unread; Connection: close is honoured, and
    // pipelined requests are answered in order.
    void connectionsHeldToLimits()
    {
        int collections = 0;
        const auto collect = [&collections] { return CountedCollection(&collections, 0); };
        MetricsServer capped(collect, 0);
        capped.SetLimits({3, 60000, 60000});
        MetricsServer brief(collect, 0);
        brief.SetLimits({64, 300, 60000});
        QString error;
        const QHostAddress local(QStringLiteral("127.0.0.1"));
        QVERIFY(capped.Listen({local, 0}, &error) && brief.Listen({local, 0}, &error));
        QTcpSocket idle[3];
        for (QTcpSocket& s : idle)
            s.connectToHost(local, capped.Port());
        QVERIFY(QTest::qWaitFor([&capped] { return capped.OpenConnections() == 3; }, 10000));
        const QByteArray get = "GET /metrics HTTP/1.1\r\nHost: a\r\n";
        const QByteArray got = Exchange(capped.Port(), get + "Connection: close\r\n\r\n");
        QVERIFY2(got.startsWith("HTTP/1.1 200 OK\r\n") && got.contains("Connection: close\r\n") &&
                     got.endsWith("\r\n\r\nx 1\n"),
                 got.constData());
        QVERIFY(QTest::qWaitFor(
            [&idle] { return idle[0].state() == QAbstractSocket::UnconnectedState; }, 10000));
        QCOMPARE(idle[1].state(), QAbstractSocket::ConnectedState);
        QCOMPARE(
            Exchange(brief.Port(), get + "\r\n" + get + "\r\n" + get + "Connection: close\r\n\r\n")
                .count("HTTP/1.1 200 OK\r\n"),
            3);
        QVERIFY(Exchange(brief.Port(), {}).isEmpty());
        QVERIFY(Exchange(brief.Port(), get).startsWith("HTTP/1.1 408 "));
        // Each sends no more than the server reads, so that closing does not
        // reset the connection before the client reads the answer.
        QVERIFY(Exchange(brief.Port(), "POST /metrics HTTP/1.1\r\nHost: a\r\nContent-Length: "
                                       "99999999\r\n\r\n")
                    .startsWith("HTTP/1.1 413 "));
        QVERIFY(
            Exchange(brief.Port(), get + "X: " + QByteArray(kHttpHeadLimit - get.size() - 3, 'a'))
                .startsWith("HTTP/1.1 431 "));
        QVERIFY(Exchange(brief.Port(), "DELETE / HTTP/1.0\r\n\r\n").startsWith("HTTP/1.1 405 "));
        QVERIFY(QTest::qWaitFor([&brief] { return brief.OpenConnections() == 0; }, 10000));
    }

    // Whatever would make the exporter serve wrong or useless metrics is
    // refused before it listens (exit 2), naming what is wrong.
    void exporterRefusesBeforeServing()
    {
        QTemporaryDir dir;
        const QString fleet = dir.filePath(QStringLiteral("fleet.json"));
        QFile file(fleet);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"clocks": [{"name": "a", "host": "127.0.170.9"}, {"name": "b"}]})");
        file.close();
        const QString golden = dir.filePath(QStringLiteral("golden.json"));
        QFile goldenFile(golden);
        QVERIFY(goldenFile.open(QIODevice::WriteOnly));
        goldenFile.write(R"({"hour24": true, "timezone": 1})");
        goldenFile.close();
        const struct {
            QStringList arguments;
            const char* said;
        } cases[] = {
            {{QStringLiteral("exporter")}, "needs the clocks"},
            {{QStringLiteral("exporter"), QStringLiteral("--host"), QStringLiteral("127.0.170.9"),
              QStringLiteral("--host"), QStringLiteral("127.0.170.9")},
             "'127.0.170.9' is given twice"},
            {{QStringLiteral("exporter"), QStringLiteral("--host"), QStringLiteral("127.0.170.9"),
              QStringLiteral("--listen"), QStringLiteral("localhost:9817")},
             "not an IPv4 address"},
            {{QStringLiteral("exporter"), QStringLiteral("--fleet"), fleet}, "cannot be used"},
            {{QStringLiteral("exporter"), QStringLiteral("--host"), QStringLiteral("127.0.170.9"),
              QStringLiteral("--golden"), dir.filePath(QStringLiteral("none.json"))},
             "none.json"},
            {{QStringLiteral("exporter"), QStringLiteral("--host"), QStringLiteral("127.0.170.9"),
              QStringLiteral("--golden"), golden},
             "timezone"},
        };
        for (const auto& c : cases) {
            const CliRun run = RunCli(c.arguments);
            QCOMPARE(run.status, ExitCode::BadArguments);
            QVERIFY2(run.err.contains(QLatin1String(c.said)), qPrintable(run.err));
        }
    }
};

TARVO_TEST_CLASS(CliMetrics)
#include "test_cli_metrics.moc"

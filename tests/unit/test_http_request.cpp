// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/http_request.h"
#include "cli/web_config.h"
#include "support/test_registry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tarvo;

namespace
{
// "s3cret", bcrypt at the lowest cost.
const QByteArray kHash = "$2b$04$abcdefghijklmnopqrstuuLZYjhNQAOdpbzt4WxWlUHjv1wsyH5DG";
constexpr int kIncomplete = 0;
constexpr int kComplete = 1;
} // namespace

class HttpRequest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void heads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expected"); // kIncomplete, kComplete or the status of Bad
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("keepAlive");
        QTest::addColumn<bool>("hasBody");
        const QByteArray scrape = "GET /metrics HTTP/1.1\r\nHost: a\r\n\r\n";
        QTest::newRow("scrape") << scrape << kComplete << QByteArray("/metrics") << true << false;
        QTest::newRow("pipelined") << scrape + "GET / HTTP/1.1\r\n"
                                   << kComplete << QByteArray("/metrics") << true << false;
        QTest::newRow("1.0, bare LF, query")
            << QByteArray("GET /metrics?x=1 HTTP/1.0\n\n") << kComplete << QByteArray("/metrics")
            << false << false;
        QTest::newRow("1.0 keep-alive")
            << QByteArray("GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n") << kComplete
            << QByteArray("/") << true << false;
        QTest::newRow("close in a list")
            << QByteArray("GET / HTTP/1.1\r\nHost: a\r\nConnection: keep-alive, CLOSE\r\n\r\n")
            << kComplete << QByteArray("/") << false << false;
        QTest::newRow("absolute form")
            << QByteArray("GET http://a:9817/metrics HTTP/1.1\r\nHost: a\r\n\r\n") << kComplete
            << QByteArray("/metrics") << true << false;
        QTest::newRow("length 0") << QByteArray(
                                         "GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 00\r\n\r\n")
                                  << kComplete << QByteArray("/") << true << false;
        QTest::newRow("body") << QByteArray(
                                     "POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\n\r\n")
                              << kComplete << QByteArray("/") << true << true;
        QTest::newRow("chunked")
            << QByteArray("GET / HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n")
            << kComplete << QByteArray("/") << true << true;
        QTest::newRow("head unfinished")
            << scrape.chopped(2) << kIncomplete << QByteArray() << false << false;
        QTest::newRow("just under the limit") << "GET /" + QByteArray(kHttpHeadLimit - 6, 'a')
                                              << kIncomplete << QByteArray() << false << false;
        const auto bad = [](const char* name, const QByteArray& bytes, int status) {
            QTest::newRow(name) << bytes << status << QByteArray() << false << false;
        };
        bad("line over the limit", "GET /" + QByteArray(kHttpHeadLimit, 'a'), 414);
        bad("header over the limit", "GET / HTTP/1.1\r\nX: " + QByteArray(kHttpHeadLimit, 'a'),
            431);
        QByteArray many = "GET / HTTP/1.1\r\nHost: a\r\n";
        for (int i = 0; i < kHttpHeaderCountLimit; ++i)
            many += "X: 1\r\n";
        bad("too many headers", many + "\r\n", 431);
        bad("no host", "GET / HTTP/1.1\r\n\r\n", 400);
        bad("two hosts", "GET / HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n", 400);
        bad("two lengths",
            "GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", 400);
        bad("length list", "GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 1, 1\r\n\r\n", 400);
        bad("folded", "GET / HTTP/1.1\r\nHost: a\r\n b\r\n\r\n", 400);
        bad("space before colon", "GET / HTTP/1.1\r\nHost : a\r\n\r\n", 400);
        bad("bare CR", "GET / HTTP/1.1\r\nHost: a\rb\r\n\r\n", 400);
        bad("NUL", QByteArray("GET / HTTP/1.1\r\nHost: a\0\r\n\r\n", 28), 400);
        bad("control in value", "GET / HTTP/1.1\r\nHost: a\x01\r\n\r\n", 400);
        bad("space in target", "GET /a b HTTP/1.1\r\n", 400);
        bad("relative target", "GET metrics HTTP/1.1\r\n", 400);
        bad("HTTP/2", "GET / HTTP/2.0\r\n", 505);
        bad("not HTTP", "GET / HTTP/1.1x\r\n", 400);
        // A bad line is known at once, before the head ends.
        bad("bad line of an unfinished head", "GET / HTTP/1.1\r\nno colon\r\n", 400);
    }

    void heads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, expected);
        const HttpRequestHead head = ParseRequestHead(bytes);
        if (expected == kIncomplete) {
            QCOMPARE(head.result, HttpRequestHead::Result::Incomplete);
            return;
        }
        if (expected != kComplete) {
            QCOMPARE(head.result, HttpRequestHead::Result::Bad);
            QCOMPARE(head.status, expected);
            return;
        }
        QCOMPARE(head.result, HttpRequestHead::Result::Complete);
        QTEST(head.path, "path");
        QTEST(head.keepAlive, "keepAlive");
        QTEST(head.hasBody, "hasBody");
        QVERIFY(bytes.sliced(head.length).isEmpty() || bytes.sliced(head.length).startsWith("GET"));
        QVERIFY(bytes.first(head.length).endsWith("\n\n") ||
                bytes.first(head.length).endsWith("\r\n\r\n"));
    }

    void responsesByteForByte()
    {
        QCOMPARE(
            HttpResponse(200, "text/plain", "x 1\n", false),
            QByteArray(
                "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 4\r\n\r\nx 1\n"));
        QCOMPARE(HttpResponse(405, {}, "no", true, "Allow: GET, HEAD\r\n", true),
                 QByteArray("HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 2\r\n"
                            "Connection: close\r\nAllow: GET, HEAD\r\n\r\n"));
    }

    void webConfigFiles()
    {
        QTemporaryDir dir;
        const auto config = [&dir](const QByteArray& text, QString* error) {
            QFile file(dir.filePath(QStringLiteral("web.yml")));
            file.open(QIODevice::WriteOnly);
            file.write(text);
            file.close();
            return ReadWebConfig(file.fileName(), error);
        };
        QString error;
        const auto read =
            config("# both\ntls_server_config:\n  cert_file: a.crt\n  key_file: /k/a.key\n"
                   "  min_version: TLS13\nbasic_auth_users:\n  prometheus: '" +
                       kHash + "'\n",
                   &error);
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(read->certFile, dir.filePath(QStringLiteral("a.crt")));
        QCOMPARE(read->keyFile, QStringLiteral("/k/a.key"));
        QCOMPARE(read->minVersion, QSsl::TlsV1_3OrLater);
        QCOMPARE(read->users.value(QStringLiteral("prometheus")), kHash);
        QVERIFY(config("", &error) && config("", &error)->users.isEmpty());
        for (const auto& [text, said] : {
                 std::pair{"tls_server_config:\n  cert_file: a\n", "needs cert_file and key_file"},
                 {"tls_server_config:\n  cert_file: a\n  key_file: b\n  client_ca_file: c\n",
                  "client_ca_file"},
                 {"http_server_config:\n  http2: false\n", "http_server_config"},
                 {"basic_auth_users:\n  p: plain\n", "bcrypt"},
                 {"basic_auth_users: [a, b]\n", "not a mapping"},
                 {"basic_auth_users:\n  p: [\n", "line"},
             }) {
            error.clear();
            QVERIFY2(!config(text, &error), text);
            QVERIFY2(error.contains(QLatin1String(said)), qPrintable(error));
        }
    }

    void basicAuth()
    {
        QVERIFY(PasswordMatches("s3cret", kHash));
        QVERIFY(!PasswordMatches("s3cre", kHash));
        QVERIFY(!PasswordMatches(QByteArrayView("s3cret\0x", 8), kHash));
        BasicAuth auth({{QStringLiteral("prometheus"), kHash}});
        const auto header = [](const QByteArray& pair) { return "Basic " + pair.toBase64(); };
        QVERIFY(auth.Allows(header("prometheus:s3cret")));
        QVERIFY(auth.Allows(header("prometheus:s3cret"))); // remembered
        QVERIFY(auth.Allows("basic " + QByteArray("prometheus:s3cret").toBase64()));
        QVERIFY(!auth.Allows(header("prometheus:s3cret ")));
        QVERIFY(!auth.Allows(header("other:s3cret")));
        QVERIFY(!auth.Allows(header("prometheus")));
        QVERIFY(!auth.Allows("Bearer " + QByteArray("prometheus:s3cret").toBase64()));
        QVERIFY(!auth.Allows("Basic !!!"));
        QVERIFY(!auth.Allows({}));
        QVERIFY(BasicAuth({}).Allows({}));
    }

    void exposureWarnings()
    {
        const QString at = QStringLiteral("0.0.0.0:9817");
        QVERIFY(ExposureWarning(at, true, false, false).isEmpty());
        QVERIFY(ExposureWarning(at, false, true, true).isEmpty());
        QVERIFY(ExposureWarning(at, false, false, true).contains(u"anyone there"));
        QVERIFY(ExposureWarning(at, false, true, false).contains(u"without TLS"));
    }
};

TARVO_TEST_CLASS(HttpRequest)
#include "test_http_request.moc"

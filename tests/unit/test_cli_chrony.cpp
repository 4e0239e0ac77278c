// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/chrony_feed.h"
#include "session/report_offset.h"
#include "support/test_registry.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tarvo;

namespace
{

// The byte images below are chronyd's sample on 64-bit little-endian Linux.
constexpr bool NativeLayoutKnown =
    sizeof(long) == 8 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN && sizeof(double) == 8;

// A datagram socket bound at `path`, as chronyd's SOCK driver binds one.
class Listener
{
public:
    explicit Listener(const QString& path) : m_path(path.toLocal8Bit())
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (m_fd < 0 || m_path.size() >= qsizetype(sizeof address.sun_path))
            return;
        std::memcpy(address.sun_path, m_path.constData(), m_path.size());
        m_bound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~Listener() { Close(); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    bool bound() const { return m_bound; }

    // The next datagram, or empty after a second without one.
    QByteArray Receive()
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) != 1)
            return {};
        QByteArray buffer(256, '\0');
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), 0);
        return n < 0 ? QByteArray() : buffer.first(n);
    }

    // chronyd stopped: the socket closes, its file stays behind.
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    QByteArray m_path;
    int m_fd = -1;
    bool m_bound = false;
};

} // namespace

class TestCliChrony : public QObject
{
    Q_OBJECT

private slots:
    void sampleBytes_data()
    {
        QTest::addColumn<qint64>("systemUs");
        QTest::addColumn<double>("offset");
        QTest::addColumn<QByteArray>("bytes");
        // tv_sec, tv_usec and offset; then pulse, leap, padding and the magic "SOCK".
        QTest::newRow("2026-01-01 00:00:00.123456, clock 0.25 s ahead")
            << qint64(1767225600123456) << 0.25
            << QByteArray::fromHex("00b955690000000040e2010000000000000000000000d03f"
                                   "0000000000000000000000004b434f53");
        QTest::newRow("whole second, clock 1.5 us behind")
            << qint64(1767225600000000) << -1.5e-6
            << QByteArray::fromHex("00b9556900000000000000000000000054e41071732ab9be"
                                   "0000000000000000000000004b434f53");
        QTest::newRow("1 us before 1970, clock 0.5 s behind")
            << qint64(-1) << -0.5
            << QByteArray::fromHex("ffffffffffffffff3f420f0000000000000000000000e0bf"
                                   "0000000000000000000000004b434f53");
    }
    void sampleBytes()
    {
        if constexpr (!NativeLayoutKnown)
            QSKIP("the expected bytes are those of 64-bit little-endian Linux");
        QFETCH(qint64, systemUs);
        QFETCH(double, offset);
        const QByteArray sample = ChronySample(systemUs, offset);
        QCOMPARE(sample.size(), 40);
        QTEST(sample, "bytes");
    }

    // Positive when the clock's second lies after the system time of its arrival.
    void reportOffset_data()
    {
        QTest::addColumn<qint64>("clockMs");
        QTest::addColumn<qint64>("arrivalUs");
        QTest::addColumn<double>("offset");
        const qint64 second = 1767225600000; // ms
        QTest::newRow("clock ahead") << second << second * 1000 - 250000 << 0.25;
        QTest::newRow("clock behind") << second << second * 1000 + 1500 << -0.0015;
    }
    void reportOffset()
    {
        QFETCH(qint64, clockMs);
        QFETCH(qint64, arrivalUs);
        QFETCH(double, offset);
        QVERIFY2(qAbs(ReportOffsetSeconds(clockMs, arrivalUs) - offset) < 1e-9,
                 qPrintable(QString::number(ReportOffsetSeconds(clockMs, arrivalUs), 'f', 9)));
    }

    // The report's wall-clock time in New York around both changes of 2026:
    // 01:30 on 1 November happens twice (EDT, then EST), 02:30 on 8 March
    // never. The instant nearest the arrival is taken, or none.
    void reportInstant_data()
    {
        QTest::addColumn<QDateTime>("wall");
        QTest::addColumn<QDateTime>("arrival");
        QTest::addColumn<QDateTime>("instant"); // invalid: none
        const auto utc = [](int month, int day, int hour, int minute) {
            return QDateTime(QDate(2026, month, day), QTime(hour, minute), QTimeZone::utc());
        };
        const QDateTime wall(QDate(2026, 11, 1), QTime(1, 30));
        QTest::newRow("first 01:30, daylight time")
            << wall << utc(11, 1, 5, 30) << utc(11, 1, 5, 30);
        QTest::newRow("second 01:30, standard time")
            << wall << utc(11, 1, 6, 30) << utc(11, 1, 6, 30);
        QTest::newRow("02:30 does not exist on 8 March")
            << QDateTime(QDate(2026, 3, 8), QTime(2, 30)) << utc(3, 8, 7, 30) << QDateTime();
    }
    void reportInstant()
    {
        QFETCH(QDateTime, wall);
        QFETCH(QDateTime, arrival);
        QFETCH(QDateTime, instant);
        const bool zoneWasSet = qEnvironmentVariableIsSet("TZ");
        const QByteArray savedZone = qgetenv("TZ");
        qputenv("TZ", "America/New_York");
        ::tzset();
        TimeReport report;
        report.valid = true;
        report.year = wall.date().year();
        report.month = wall.date().month();
        report.day = wall.date().day();
        report.hour = wall.time().hour();
        report.minute = wall.time().minute();
        const auto got = ReportInstantMs(report, arrival.toMSecsSinceEpoch() + 4);
        if (zoneWasSet)
            qputenv("TZ", savedZone);
        else
            qunsetenv("TZ");
        ::tzset();
        if (!instant.isValid())
            QVERIFY(!got.has_value());
        else
            QCOMPARE(got.value_or(0), instant.toMSecsSinceEpoch());
    }

    void sendsToBoundSocket()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("chrony.sock"));
        Listener chronyd(path);
        QVERIFY(chronyd.bound());

        ChronySocket socket(path);
        QString error;
        const QByteArray first = ChronySample(1767225600123456, 0.25);
        QVERIFY2(socket.Send(first, &error), qPrintable(error));
        QCOMPARE(chronyd.Receive(), first);
        const QByteArray second = ChronySample(1767225601123456, -0.001);
        QVERIFY2(socket.Send(second, &error), qPrintable(error));
        QCOMPARE(chronyd.Receive(), second);

        // chronyd stops: nothing listens at the file it leaves behind.
        chronyd.Close();
        error.clear();
        QVERIFY(!socket.Send(first, &error));
        QVERIFY(!error.isEmpty());

        // It starts again and binds afresh: the same sender finds it.
        QVERIFY(QFile::remove(path));
        Listener restarted(path);
        QVERIFY(restarted.bound());
        QVERIFY2(socket.Send(second, &error), qPrintable(error));
        QCOMPARE(restarted.Receive(), second);
    }

    void sendFailsWithReason_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason"); // empty: the system's words
        QTest::newRow("missing socket") << "absent.sock" << QString();
        QTest::newRow("path too long") << QString(200, u'x') << "the path is too long";
        QTest::newRow("no path") << ""
                                 << "no path given";
    }
    void sendFailsWithReason()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ChronySocket socket(name.isEmpty() ? QString() : dir.filePath(name));
        QString error;
        QVERIFY(!socket.Send(ChronySample(0, 0), &error));
        if (reason.isEmpty())
            QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ENOENT)));
        else
            QCOMPARE(error, reason);
        QVERIFY(!socket.Send(ChronySample(0, 0), nullptr));
    }
};

TARVO_TEST_CLASS(TestCliChrony)
#include "test_cli_chrony.moc"

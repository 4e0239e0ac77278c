#include "cli/chrony_feed.h"

#include <QDateTime>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarvo
{

namespace
{
// chrony's sample, field for field.
struct SockSample {
    struct timeval tv;
    double offset;
    int pulse;
    int leap;
    int _pad;
    int magic;
};
} // namespace

QByteArray ChronySample(qint64 systemUs, double offsetSeconds)
{
    SockSample sample;
    std::memset(&sample, 0, sizeof sample);
    qint64 seconds = systemUs / 1000000;
    qint64 micros = systemUs % 1000000;
    if (micros < 0) {
        micros += 1000000;
        --seconds;
    }
    sample.tv.tv_sec = static_cast<time_t>(seconds);
    sample.tv.tv_usec = static_cast<suseconds_t>(micros);
    sample.offset = offsetSeconds;
    sample.pulse = 0;
    sample.leap = 0;
    sample.magic = static_cast<int>(ChronySockMagic);
    return QByteArray(reinterpret_cast<const char*>(&sample), sizeof sample);
}

double ReportOffsetSeconds(qint64 clockLocalMs, qint64 arrivalUs)
{
    return static_cast<double>(clockLocalMs * 1000 - arrivalUs) / 1e6;
}

std::optional<qint64> ReportInstantMs(const TimeReport& report, qint64 nearUtcMs)
{
    if (!report.valid)
        return std::nullopt;
    const QDate date(report.year, report.month, report.day);
    const QTime time(report.hour, report.minute, report.second);
    const QDateTime wall(date, time);
    if (!date.isValid() || !wall.isValid())
        return std::nullopt;
    // Every zone's offset changes by an hour or half an hour; the candidates
    // are the instants that read back as this wall-clock time.
    const qint64 base = wall.toMSecsSinceEpoch();
    std::optional<qint64> best;
    for (const qint64 shift : {0, -3600000, 3600000, -1800000, 1800000}) {
        const qint64 candidate = base + shift;
        const QDateTime back = QDateTime::fromMSecsSinceEpoch(candidate);
        if (back.date() != date || back.time() != time)
            continue;
        if (!best || std::llabs(candidate - nearUtcMs) < std::llabs(*best - nearUtcMs))
            best = candidate;
    }
    return best;
}

ChronySocket::ChronySocket(const QString& path) : m_path(path.toLocal8Bit())
{
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

ChronySocket::~ChronySocket()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString ChronySocket::PermanentProblem(const QString& path)
{
    const QByteArray local = QFile::encodeName(path);
    sockaddr_un address;
    if (local.isEmpty())
        return QStringLiteral("no path given");
    if (local.size() >= qsizetype(sizeof address.sun_path))
        return QStringLiteral("the path is longer than a socket's path can be (%1 bytes at most)")
            .arg(sizeof address.sun_path - 1);
    struct stat info {
    };
    if (::stat(local.constData(), &info) != 0)
        return {};
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("it is a folder, not chronyd's socket");
    if (!S_ISSOCK(info.st_mode))
        return QStringLiteral("it is a file, not chronyd's socket");
    if (::access(local.constData(), W_OK) != 0)
        return QStringLiteral("this user may not write to the socket: %1 (give the user the "
                              "socket's group)")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

bool ChronySocket::Send(const QByteArray& sample, QString* error, bool* permanent)
{
    if (permanent)
        *permanent = false;
    sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (m_fd < 0 || m_path.isEmpty() || m_path.size() >= qsizetype(sizeof address.sun_path)) {
        if (error)
            *error = m_fd < 0           ? QStringLiteral("no socket")
                     : m_path.isEmpty() ? QStringLiteral("no path given")
                                        : QStringLiteral("the path is too long");
        return false;
    }
    std::memcpy(address.sun_path, m_path.constData(), m_path.size());
    const ssize_t sent = ::sendto(m_fd, sample.constData(), sample.size(), MSG_DONTWAIT,
                                  reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent == sample.size())
        return true;
    const int cause = errno;
    // Nothing listening yet (or chronyd restarting) is mended by waiting.
    if (permanent)
        *permanent =
            cause != ENOENT && cause != ECONNREFUSED && cause != EAGAIN && cause != ENOBUFS;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(cause));
    return false;
}

} // namespace tarvo

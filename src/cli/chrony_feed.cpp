// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/chrony_feed.h"

#include <QFile>
#include <cerrno>
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

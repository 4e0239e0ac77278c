#include "cli/chrony_feed.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

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

ChronySocket::ChronySocket(const QString& path) : m_path(path.toLocal8Bit())
{
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

ChronySocket::~ChronySocket()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ChronySocket::Send(const QByteArray& sample, QString* error)
{
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
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

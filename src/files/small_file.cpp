// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/small_file.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo
{

namespace
{

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Empty for a regular file; otherwise what the path is instead.
QString NotRegular(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    const char* kind = S_ISFIFO(mode)                   ? "a FIFO"
                       : S_ISDIR(mode)                  ? "a folder"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : nullptr;
    return kind ? QStringLiteral("not a regular file but %1").arg(QLatin1String(kind))
                : QStringLiteral("not a regular file");
}

} // namespace

SmallFileRead ReadSmallFile(const QString& path, qint64 limit)
{
    SmallFileRead result;
    const QByteArray local = QFile::encodeName(path);
    // Looked at before it is opened: opening a device can itself act (a
    // modem line, a tape, a watchdog), and a FIFO is not to be touched.
    struct stat info {
    };
    if (::stat(local.constData(), &info) != 0) {
        result.problem = ErrnoText(errno);
        return result;
    }
    if (result.problem = NotRegular(info.st_mode); !result.problem.isEmpty())
        return result;
    const int fd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.problem = ErrnoText(errno);
        return result;
    }
    // The path may have been replaced between the look and the open.
    if (::fstat(fd, &info) != 0)
        result.problem = ErrnoText(errno);
    else
        result.problem = NotRegular(info.st_mode);
    result.permissions = info.st_mode & 07777;
    // One byte past the limit tells a file that is too large.
    while (result.problem.isEmpty() && result.bytes.size() <= limit) {
        char chunk[16384];
        const qint64 wanted = std::min<qint64>(sizeof chunk, limit + 1 - result.bytes.size());
        const ssize_t got = ::read(fd, chunk, size_t(wanted));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            result.problem = ErrnoText(errno);
        if (got <= 0)
            break;
        result.bytes.append(chunk, got);
    }
    ::close(fd);
    if (result.problem.isEmpty() && result.bytes.size() > limit) {
        result.tooLarge = true;
        result.problem = QStringLiteral("larger than %1 bytes").arg(limit);
    }
    if (!result.ok())
        result.bytes.clear();
    return result;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/system_clock.h"

#include <QDateTime>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace tarvo
{

bool RealSystemClock::Set(const QDateTime& target, QString* error)
{
    if (!target.isValid()) {
        if (error)
            *error = QStringLiteral("invalid date or time");
        return false;
    }
#ifdef Q_OS_UNIX
    timespec ts{};
    const qint64 ms = target.toMSecsSinceEpoch();
    ts.tv_sec = time_t(ms / 1000);
    ts.tv_nsec = long(ms % 1000) * 1000000L;
    if (clock_settime(CLOCK_REALTIME, &ts) != 0) {
        if (error) {
            *error = errno == EPERM
                         ? QStringLiteral("Setting the computer clock needs the CAP_SYS_TIME "
                                          "capability (sudo setcap cap_sys_time+ep on the "
                                          "program) or root.")
                         : QString::fromLocal8Bit(std::strerror(errno));
        }
        return false;
    }
    return true;
#else
    if (error)
        *error = QStringLiteral("Setting the computer clock is not supported here.");
    return false;
#endif
}

bool LogSystemClock::Set(const QDateTime& target, QString* error)
{
    if (!target.isValid()) {
        if (error)
            *error = QStringLiteral("invalid date or time");
        return false;
    }
    const QByteArray line = "computer clock set to " +
                            target.toString(QStringLiteral("MM-dd-yyyy HH:mm:ss")).toLatin1() +
                            '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    return true;
}

} // namespace tarvo

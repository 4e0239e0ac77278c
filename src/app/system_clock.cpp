#include "app/system_clock.h"

#include <QDateTime>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace tarvo
{

namespace {
// The local date and time the computer clock is to show; invalid when the
// requested date does not exist.
QDateTime Target(bool setTime, const QTime& time, bool setDate, const QDate& date,
                 QString* error)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = setDate ? date : now.date();
    const QTime t = setTime ? time : now.time();
    if (!d.isValid() || !t.isValid()) {
        if (error)
            *error = QStringLiteral("invalid date or time");
        return {};
    }
    return QDateTime(d, t);
}
} // namespace

bool RealSystemClock::Set(bool setTime, const QTime& time, bool setDate, const QDate& date,
                          QString* error)
{
    const QDateTime target = Target(setTime, time, setDate, date, error);
    if (!target.isValid())
        return false;
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

bool LogSystemClock::Set(bool setTime, const QTime& time, bool setDate, const QDate& date,
                         QString* error)
{
    const QDateTime target = Target(setTime, time, setDate, date, error);
    if (!target.isValid())
        return false;
    const QByteArray line =
        "computer clock set to " +
        target.toString(QStringLiteral("MM-dd-yyyy HH:mm:ss")).toLatin1() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    return true;
}

} // namespace tarvo

#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace tarvo
{

// The computer clock, behind a seam so that tests and the demo never set it.
class SystemClock {
public:
    virtual ~SystemClock() = default;
    // Sets the local time of day and/or the date (each only when its flag is
    // set; the other part keeps the computer's current value). False with a
    // reason when the clock could not be set.
    virtual bool Set(bool setTime, const QTime& time, bool setDate, const QDate& date,
                     QString* error) = 0;
};

// Sets the real clock (needs the CAP_SYS_TIME capability or root).
class RealSystemClock final : public SystemClock {
public:
    bool Set(bool setTime, const QTime& time, bool setDate, const QDate& date,
             QString* error) override;
};

// Never touches the clock; writes "computer clock set to MM-DD-YYYY HH:MM:SS"
// to stderr instead.
class LogSystemClock final : public SystemClock {
public:
    bool Set(bool setTime, const QTime& time, bool setDate, const QDate& date,
             QString* error) override;
};

} // namespace tarvo

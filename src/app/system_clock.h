// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>

namespace tarvo
{

// The computer clock, behind a seam so that tests and the demo never set it.
class SystemClock
{
public:
    virtual ~SystemClock() = default;
    // Sets the computer clock to this local date and time, in one step. False
    // with a reason when the clock could not be set.
    virtual bool Set(const QDateTime& localTime, QString* error) = 0;
};

// Sets the real clock (needs the CAP_SYS_TIME capability or root).
class RealSystemClock final : public SystemClock
{
public:
    bool Set(const QDateTime& localTime, QString* error) override;
};

// Never touches the clock; writes "computer clock set to MM-DD-YYYY HH:MM:SS"
// to stderr instead.
class LogSystemClock final : public SystemClock
{
public:
    bool Set(const QDateTime& localTime, QString* error) override;
};

} // namespace tarvo

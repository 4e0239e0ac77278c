#pragma once

// The addresses of a simulated fleet: consecutive loopback addresses from a
// first one, for "clock-simulator --count N --udp-base ADDR".

#include <QString>
#include <QStringList>

namespace tarvo
{

// The most clocks one simulator process runs.
inline constexpr int MaxSimulatedClocks = 1000;

// `count` addresses from `base` on, each next one up by one, carrying into
// the third (and second) octet. An address ending in .255 is skipped: every
// clock of that /24 listens there for discovery. Empty, with `error` set,
// when `base` is not in 127.0.0.0/8 or the range would leave it.
QStringList LoopbackRange(const QString& base, int count, QString* error);

} // namespace tarvo

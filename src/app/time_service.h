// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace tarvo
{

// The name of a running service that keeps the computer clock set on its own
// (systemd-timesyncd, chrony, ntpd, ...), or empty when none is found. Setting
// the clock from the master clock as well would make the two fight.
QString RunningTimeService(const QString& procRoot = QStringLiteral("/proc"));

} // namespace tarvo

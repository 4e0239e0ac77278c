// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/open_files.h"

#include <limits>
#include <sys/resource.h>

namespace tarvo
{

qint64 RaiseOpenFilesLimit(qint64 needed)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    const auto asNumber = [](rlim_t value) {
        return value == RLIM_INFINITY || value > rlim_t(std::numeric_limits<qint64>::max())
                   ? std::numeric_limits<qint64>::max()
                   : qint64(value);
    };
    if (needed <= 0 || asNumber(limit.rlim_cur) >= needed)
        return asNumber(limit.rlim_cur);
    rlimit raised = limit;
    raised.rlim_cur = asNumber(limit.rlim_max) >= needed ? rlim_t(needed) : limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) != 0)
        return asNumber(limit.rlim_cur);
    return asNumber(raised.rlim_cur);
}

} // namespace tarvo

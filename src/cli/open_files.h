// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The limit of open files (ulimit -n) of this process, for the commands that
// hold many ports, sockets or connections at once.

#include <QtGlobal>

namespace tarvo
{

// Raises the soft limit towards `needed` as far as the hard limit allows and
// returns the soft limit now in force (-1 when it cannot be read, and the
// limit may then be anything).
qint64 RaiseOpenFilesLimit(qint64 needed);

} // namespace tarvo

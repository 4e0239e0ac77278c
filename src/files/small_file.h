// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading a small file a user names: a settings, network, fleet, golden or
// password file, a serial lock file. A path can name a FIFO, whose open waits
// for a writer for ever, or a device such as /dev/zero, which never ends and
// reports no size; both would freeze the program or fill its memory. Every
// such file is read here, so each reader refuses them at once and alike.

#include <QByteArray>
#include <QString>

namespace tarvo
{

struct SmallFileRead {
    QByteArray bytes;
    // Why the file cannot be used, to follow "NAME: "; empty when it was read.
    QString problem;
    // More than the limit was there (`problem` then says so in general words,
    // for a caller that has none of its own).
    bool tooLarge = false;
    // The file's permission bits (0644 and the like) when it was opened.
    unsigned permissions = 0;
    bool ok() const { return problem.isEmpty(); }
};

// Opens `path` without waiting (no FIFO writer, no modem line, never as the
// controlling terminal), refuses anything but a regular file, and reads at
// most `limit` bytes: the limit is kept by what is read, not by the size the
// file reports, which /proc files and devices do not tell truly.
SmallFileRead ReadSmallFile(const QString& path, qint64 limit);

} // namespace tarvo

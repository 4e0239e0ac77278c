// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The fleet file: the clocks of a plant, one entry each, that
// "tarvo-clock --fleet FILE" runs a command on. Parsing is pure; a password
// kept in a file of its own is read through the function the caller gives,
// so a test needs no files. Every problem of every entry is named before any
// clock is reached.

#include "files/small_file.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace tarvo
{

struct FleetClock {
    QString name;
    QString port;     // serial device, as --port; empty for a network clock
    QString host;     // address or host name, as --host; empty for a serial clock
    QString password; // four characters; empty = the default access password
    int model = 0;    // model number (226, 229, 207, 222); 0 = learn it
};

struct FleetParseResult {
    QList<FleetClock> clocks;
    // "FILE: clock N ("name"): field "x": reason", one per problem, in file order.
    QStringList errors;
    // What is wrong but does not stop the fleet (a password file others may
    // read), one line each.
    QStringList warnings;
    bool ok() const { return errors.isEmpty() && !clocks.isEmpty(); }
};

// Reads the file at an absolute path, at most `limit` bytes, as ReadSmallFile.
using FleetFileReader = std::function<SmallFileRead(const QString& path, qint64 limit)>;

// `fileName` is the fleet file's path: it names the file in messages and a
// passwordFile is found relative to its folder.
FleetParseResult ParseFleet(const QByteArray& json, const QString& fileName,
                            const FleetFileReader& readFile);

// Reads and parses the fleet file at `path`, password files from the disk.
FleetParseResult ReadFleetFile(const QString& path);

// A fleet file is a list of a few hundred clocks; anything much larger is
// not one and is refused.
inline constexpr qint64 MaxFleetFileBytes = 4 * 1024 * 1024;

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading a settings or network file: one JSON object, refused when it is not
// one or is far larger than any such file. tarvo-clock and the window read
// their files through here, so both refuse the same files with the same words.

#include <QJsonObject>
#include <QString>

class QIODevice;

namespace tarvo
{

// Settings and network files are a few kilobytes; anything much larger is
// not one, and is refused before it is read into memory and parsed.
inline constexpr qint64 MaxJsonFileBytes = 1024 * 1024;

struct JsonFileRead {
    QJsonObject object;
    // "NAME: reason" when the file cannot be used; empty when it can.
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Reads the JSON object from an open device: a file, or a pipe, which has no
// size to ask. `shownName` names it in the error, control characters escaped.
JsonFileRead ReadJsonObject(QIODevice& device, const QString& shownName);
// Reads the file at `path` as above; anything but a regular file (a FIFO, a
// device) is refused without waiting.
JsonFileRead ReadJsonObjectFile(const QString& path);

} // namespace tarvo

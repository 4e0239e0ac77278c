// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/json_file.h"

#include "clock/json_text.h"

#include <QFile>
#include <QJsonDocument>

namespace tarvo
{

JsonFileRead ReadJsonObject(QIODevice& device, const QString& shownName)
{
    const QString shown = EscapeControls(shownName);
    JsonFileRead result;
    // Read one byte past the limit: a pipe or a device has no size to ask.
    const QByteArray text = device.read(MaxJsonFileBytes + 1);
    if (text.size() > MaxJsonFileBytes) {
        result.error = QStringLiteral("%1: larger than %2 KB, which no settings file is")
                           .arg(shown)
                           .arg(MaxJsonFileBytes / 1024);
        return result;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        result.error = shown + QStringLiteral(": ") +
                       (doc.isNull() ? QStringLiteral("not JSON: %1 at character %2")
                                           .arg(error.errorString())
                                           .arg(error.offset)
                                     : QStringLiteral("the settings must be one JSON object"));
        return result;
    }
    result.object = doc.object();
    return result;
}

JsonFileRead ReadJsonObjectFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, EscapeControls(path) + QStringLiteral(": ") + file.errorString()};
    return ReadJsonObject(file, path);
}

} // namespace tarvo

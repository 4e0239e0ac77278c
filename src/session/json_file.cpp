// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/json_file.h"

#include "clock/json_text.h"
#include "files/small_file.h"

#include <QIODevice>
#include <QJsonDocument>

namespace tarvo
{

namespace
{

JsonFileRead Refused(const QString& shown, const QString& reason)
{
    return {{}, shown + QStringLiteral(": ") + reason};
}

QString TooLarge()
{
    return QStringLiteral("larger than %1 KB, which no settings file is")
        .arg(MaxJsonFileBytes / 1024);
}

JsonFileRead ParseJsonObject(const QByteArray& text, const QString& shown)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return Refused(shown, doc.isNull() ? QStringLiteral("not JSON: %1 at character %2")
                                                 .arg(error.errorString())
                                                 .arg(error.offset)
                                           : QStringLiteral("the settings must be one JSON "
                                                            "object"));
    return {doc.object(), {}};
}

} // namespace

JsonFileRead ReadJsonObject(QIODevice& device, const QString& shownName)
{
    const QString shown = EscapeControls(shownName);
    // Read one byte past the limit: a pipe or a device has no size to ask.
    const QByteArray text = device.read(MaxJsonFileBytes + 1);
    if (text.size() > MaxJsonFileBytes)
        return Refused(shown, TooLarge());
    return ParseJsonObject(text, shown);
}

JsonFileRead ReadJsonObjectFile(const QString& path)
{
    const QString shown = EscapeControls(path);
    const SmallFileRead file = ReadSmallFile(path, MaxJsonFileBytes);
    if (!file.ok())
        return Refused(shown, file.tooLarge ? TooLarge() : file.problem);
    return ParseJsonObject(file.bytes, shown);
}

} // namespace tarvo

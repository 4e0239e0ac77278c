// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Plain-text forms of the JSON the command prints, so the text output and the
// JSON output never say different things.

#include <QJsonValue>
#include <QList>
#include <QStringList>

namespace tarvo
{

// Every leaf of a JSON value with its path ("relays[2].time"), in the order
// the value holds them: an object's members by name, or, where `order` names
// them, in its order first (the order of the record the JSON describes), and
// the members it does not name after them by name.
struct JsonLeaf {
    QString path;
    QJsonValue value;
};
QList<JsonLeaf> JsonLeaves(const QJsonValue& value, const QString& path = {},
                           const QStringList& order = {});
// One line per leaf: "path: value", paths like "relays[2].time".
QStringList JsonAsLines(const QJsonValue& value, const QString& path = {},
                        const QStringList& order = {});
// A value as it reads in a message: strings quoted, numbers as written.
QString JsonValueText(const QJsonValue& value);
// "path: wanted X, the clock has Y" for each leaf where the two differ.
QStringList JsonDifferences(const QJsonValue& wanted, const QJsonValue& actual);
// Text from a file or the clock as it may reach a terminal: control characters
// (line breaks too) are written as \xNN, so an input file cannot move the
// cursor, clear the screen, retitle the window or fake a line of output
// through an error message; format characters (the right-to-left override,
// zero-width spaces) as \uNNNN, so a name cannot read backwards or hide a part.
QString EscapeControls(QStringView text);

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// JSON as the tests write it and as tarvo-clock prints it.
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QtGlobal>

// A JSON object written in a test; a text that does not parse ends the test run.
inline QJsonObject Json(const char* text)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        qFatal("test JSON does not parse: %s", text);
    return doc.object();
}

// The object a command printed; empty when it printed none.
inline QJsonObject JsonOf(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

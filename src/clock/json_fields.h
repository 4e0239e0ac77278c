// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading the JSON objects of settings, network and fleet files: every problem
// is "field: reason", the field named by its whole path ("relays[2].time"),
// and a field that no rule reads is a problem too, so a misspelt field is
// never silently ignored.

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <functional>
#include <optional>

namespace tarvo
{

class JsonFields
{
public:
    // Where a problem goes: the field's whole path and the reason.
    using Report = std::function<void(const QString& field, const QString& reason)>;

    // Problems as "field: reason" lines in `errors`.
    explicit JsonFields(QStringList& errors, QString path = {});
    // Problems in words of the caller's own (a file whose messages name the
    // entry as well).
    explicit JsonFields(Report report, QString path = {})
        : m_report(std::move(report)), m_path(std::move(path))
    {
    }

    // The path of `field` in the file: "relays[2].time".
    QString Path(const QString& field) const;
    void Error(const QString& field, const QString& reason) const;
    // A reader of the object or list at `field`, whose paths continue from it.
    JsonFields Within(const QString& field) const { return JsonFields(m_report, Path(field)); }

    // Hands every key of `object` to `read`, in the object's order; a key it
    // does not take (it returns false) is an unknown field.
    template <typename Read> void Each(const QJsonObject& object, Read read) const
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!read(it.key(), it.value()))
                Error(it.key(), QStringLiteral("unknown field"));
        }
    }

    // The value of `field` as a boolean; nullopt, with the problem said, when
    // it is not one.
    std::optional<bool> Bool(const QString& field, const QJsonValue& value) const;
    // The value as an object; `shape` says what it should hold when it is not
    // one ("an object with \"enabled\" and \"time\"").
    std::optional<QJsonObject> Object(const QString& field, const QJsonValue& value,
                                      const QString& shape) const;
    // The value as a list of exactly `count` entries; `shape` as above.
    std::optional<QJsonArray> List(const QString& field, const QJsonValue& value, int count,
                                   const QString& shape) const;

private:
    Report m_report;
    QString m_path;
};

} // namespace tarvo

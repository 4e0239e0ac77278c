// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/json_fields.h"

namespace tarvo
{

JsonFields::JsonFields(QStringList& errors, QString path)
    : m_report([&errors](const QString& field, const QString& reason) {
          errors.append(field + QStringLiteral(": ") + reason);
      }),
      m_path(std::move(path))
{
}

QString JsonFields::Path(const QString& field) const
{
    if (m_path.isEmpty())
        return field;
    if (field.isEmpty())
        return m_path;
    return field.startsWith(u'[') ? m_path + field : m_path + u'.' + field;
}

void JsonFields::Error(const QString& field, const QString& reason) const
{
    m_report(Path(field), reason);
}

std::optional<bool> JsonFields::Bool(const QString& field, const QJsonValue& value) const
{
    if (value.isBool())
        return value.toBool();
    Error(field, QStringLiteral("must be true or false"));
    return std::nullopt;
}

std::optional<QJsonObject> JsonFields::Object(const QString& field, const QJsonValue& value,
                                              const QString& shape) const
{
    if (value.isObject())
        return value.toObject();
    Error(field, QStringLiteral("must be ") + shape);
    return std::nullopt;
}

std::optional<QJsonArray> JsonFields::List(const QString& field, const QJsonValue& value, int count,
                                           const QString& shape) const
{
    if (value.isArray() && value.toArray().size() == count)
        return value.toArray();
    Error(field, QStringLiteral("must be ") + shape);
    return std::nullopt;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/json_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <algorithm>

namespace tarvo
{

namespace
{
void AddLeaves(const QJsonValue& value, const QString& path, const QStringList& order,
               QList<JsonLeaf>& leaves)
{
    if (value.isObject()) {
        const QJsonObject o = value.toObject();
        QStringList keys = o.keys(); // by name
        const auto rank = [&order](const QString& key) {
            const qsizetype at = order.indexOf(key);
            return at < 0 ? order.size() : at;
        };
        std::stable_sort(keys.begin(), keys.end(),
                         [&rank](const QString& a, const QString& b) { return rank(a) < rank(b); });
        for (const QString& key : std::as_const(keys))
            AddLeaves(o.value(key), path.isEmpty() ? key : path + u'.' + key, order, leaves);
        return;
    }
    if (value.isArray()) {
        const QJsonArray a = value.toArray();
        for (qsizetype i = 0; i < a.size(); ++i)
            AddLeaves(a[i], path + QStringLiteral("[%1]").arg(i), order, leaves);
        return;
    }
    leaves.append({path, value});
}

void Collect(const QJsonValue& value, const QString& path, QMap<QString, QString>& out,
             QStringList& order, const QStringList& fieldOrder = {})
{
    for (const JsonLeaf& leaf : JsonLeaves(value, path, fieldOrder)) {
        out.insert(leaf.path, JsonValueText(leaf.value));
        order.append(leaf.path);
    }
}
} // namespace

QList<JsonLeaf> JsonLeaves(const QJsonValue& value, const QString& path, const QStringList& order)
{
    QList<JsonLeaf> leaves;
    AddLeaves(value, path, order, leaves);
    return leaves;
}

QString JsonValueText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return u'"' + value.toString() + u'"';
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: {
        const double d = value.toDouble();
        return QString::number(d, 'g', 12);
    }
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Undefined:
        return QStringLiteral("nothing");
    default:
        return QString::fromUtf8(QJsonDocument(value.isArray() ? QJsonDocument(value.toArray())
                                                               : QJsonDocument(value.toObject()))
                                     .toJson(QJsonDocument::Compact));
    }
}

QStringList JsonAsLines(const QJsonValue& value, const QString& path, const QStringList& fieldOrder)
{
    QMap<QString, QString> leaves;
    QStringList order;
    Collect(value, path, leaves, order, fieldOrder);
    QStringList lines;
    for (const QString& key : order) {
        QString text = leaves.value(key);
        // Plain text reads better without the quotes; messages keep them.
        if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
            text = text.mid(1, text.size() - 2);
        lines.append(key + QStringLiteral(": ") + text);
    }
    return lines;
}

QString EscapeControls(QStringView text)
{
    QString out;
    out.reserve(text.size());
    const QList<uint> points = text.toUcs4();
    for (const uint point : points) {
        if (point < 0x20 || (point >= 0x7f && point < 0xa0))
            out += QStringLiteral("\\x%1").arg(point, 2, 16, QLatin1Char('0'));
        else if (QChar::category(char32_t(point)) == QChar::Other_Format)
            out += point > 0xffff ? QStringLiteral("\\U%1").arg(point, 8, 16, QLatin1Char('0'))
                                  : QStringLiteral("\\u%1").arg(point, 4, 16, QLatin1Char('0'));
        else
            out += QStringView(QChar::fromUcs4(char32_t(point)));
    }
    return out;
}

QStringList JsonDifferences(const QJsonValue& wanted, const QJsonValue& actual)
{
    QMap<QString, QString> w, a;
    QStringList wOrder, aOrder;
    Collect(wanted, {}, w, wOrder);
    Collect(actual, {}, a, aOrder);
    QStringList out;
    for (const QString& key : wOrder) {
        const QString have = a.value(key, QStringLiteral("nothing"));
        if (have != w.value(key))
            out.append(
                QStringLiteral("%1: wanted %2, the clock has %3").arg(key, w.value(key), have));
    }
    return out;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/metrics_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tarvo
{

QByteArray MetricValueText(double value)
{
    if (std::isnan(value))
        return QByteArrayLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QByteArrayLiteral("+Inf") : QByteArrayLiteral("-Inf");
    // Whole numbers (0/1 states, counts) stay short; anything else keeps
    // every digit, so a microsecond offset is not rounded away.
    if (value == std::trunc(value) && std::abs(value) < 1e15)
        return QByteArray::number(static_cast<qint64>(value));
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    // The shortest form that reads back the same, where %.17g shows noise.
    for (int digits = 1; digits < 17; ++digits) {
        char shorter[32];
        std::snprintf(shorter, sizeof shorter, "%.*g", digits, value);
        if (std::strtod(shorter, nullptr) == value)
            return QByteArray(shorter);
    }
    return QByteArray(text);
}

QByteArray EscapeLabelValue(const QString& value)
{
    QByteArray out;
    const QByteArray utf8 = value.toUtf8();
    out.reserve(utf8.size());
    for (const char ch : utf8) {
        if (ch == '\\')
            out += "\\\\";
        else if (ch == '"')
            out += "\\\"";
        else if (ch == '\n')
            out += "\\n";
        else
            out += ch;
    }
    return out;
}

QByteArray EscapeHelpText(const QString& help)
{
    QByteArray out;
    for (const char ch : help.toUtf8()) {
        if (ch == '\\')
            out += "\\\\";
        else if (ch == '\n')
            out += "\\n";
        else
            out += ch;
    }
    return out;
}

QByteArray RenderMetrics(const QList<MetricFamily>& families)
{
    QByteArray out;
    for (const MetricFamily& family : families) {
        if (family.samples.isEmpty())
            continue;
        const QByteArray name = family.name.toUtf8();
        out += "# HELP " + name + ' ' + EscapeHelpText(family.help) + '\n';
        out += "# TYPE " + name + ' ' + family.type.toUtf8() + '\n';
        for (const MetricSample& sample : family.samples) {
            out += name;
            if (!sample.labels.isEmpty()) {
                out += '{';
                for (qsizetype i = 0; i < sample.labels.size(); ++i) {
                    if (i > 0)
                        out += ',';
                    out += sample.labels[i].first.toUtf8() + "=\"" +
                           EscapeLabelValue(sample.labels[i].second) + '"';
                }
                out += '}';
            }
            out += ' ' + MetricValueText(sample.value) + '\n';
        }
    }
    return out;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/metrics_text.h"

#include <charconv>
#include <cmath>

namespace tarvo
{

QByteArray MetricValueText(double value)
{
    if (std::isnan(value))
        return QByteArrayLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QByteArrayLiteral("+Inf") : QByteArrayLiteral("-Inf");
    // Whole numbers (0/1 states, counts) stay short; anything else keeps
    // every digit, so a microsecond offset is not rounded away: the shortest
    // form that reads back the same, where %.17g shows noise.
    if (value == std::trunc(value) && std::abs(value) < 1e15)
        return QByteArray::number(static_cast<qint64>(value));
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::general);
    return QByteArray(text, written.ptr - text);
}

namespace
{
// Appends a label value as the exposition format escapes it.
void AppendLabelValue(QByteArray& out, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    // Names and addresses seldom hold anything to escape.
    if (!utf8.contains('\\') && !utf8.contains('"') && !utf8.contains('\n')) {
        out += utf8;
        return;
    }
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
}
} // namespace

QByteArray EscapeLabelValue(const QString& value)
{
    QByteArray out;
    AppendLabelValue(out, value);
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
    qsizetype samples = 0;
    for (const MetricFamily& family : families)
        samples += family.samples.size();
    // A line is some 100 bytes; growing a 100 KiB text step by step costs
    // more than the rest of a scrape of a thousand clocks.
    out.reserve(samples * 128 + families.size() * 160);
    for (const MetricFamily& family : families) {
        if (family.samples.isEmpty())
            continue;
        const QByteArray name = family.name.toUtf8();
        out += "# HELP ";
        out += name;
        out += ' ';
        out += EscapeHelpText(family.help);
        out += "\n# TYPE ";
        out += name;
        out += ' ';
        out += family.type.toUtf8();
        out += '\n';
        for (const MetricSample& sample : family.samples) {
            out += name;
            if (!sample.labels.isEmpty()) {
                out += '{';
                for (qsizetype i = 0; i < sample.labels.size(); ++i) {
                    if (i > 0)
                        out += ',';
                    out += sample.labels[i].first.toUtf8();
                    out += "=\"";
                    AppendLabelValue(out, sample.labels[i].second);
                    out += '"';
                }
                out += '}';
            }
            out += ' ';
            out += MetricValueText(sample.value);
            out += '\n';
        }
    }
    return out;
}

} // namespace tarvo

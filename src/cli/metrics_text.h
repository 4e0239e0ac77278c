// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The text Prometheus reads from /metrics (exposition format 0.0.4): one
// family per metric name, with its HELP and TYPE lines and one line per
// sample. Pure text, so the exporter and feed-chrony write the same bytes.

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

namespace tarvo
{

// The Content-Type Prometheus expects with this text.
inline constexpr char MetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";

struct MetricSample {
    QList<std::pair<QString, QString>> labels; // name, value; in this order
    double value = 0;
};

struct MetricFamily {
    QString name;
    QString help;
    QString type; // gauge, counter, untyped
    QList<MetricSample> samples;
};

// A sample value: integers without a fraction, others with as many digits as
// read back to the same double; NaN, +Inf and -Inf as Prometheus spells them.
QByteArray MetricValueText(double value);
// A label value between its quotes: backslash, double quote and line feed
// escaped.
QByteArray EscapeLabelValue(const QString& value);
// A HELP text: backslash and line feed escaped (quotes stay as they are).
QByteArray EscapeHelpText(const QString& help);
// Every family with at least one sample; a family without samples is left
// out whole, since a HELP line with nothing after it says nothing.
QByteArray RenderMetrics(const QList<MetricFamily>& families);

} // namespace tarvo

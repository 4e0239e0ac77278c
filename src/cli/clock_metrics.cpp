// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/clock_metrics.h"

namespace tarvo
{

namespace
{

using Labels = QList<std::pair<QString, QString>>;

Labels ClockLabels(const ClockReading& clock)
{
    return {{QStringLiteral("clock"), clock.name},
            {QStringLiteral("model"), clock.model},
            {QStringLiteral("link"),
             clock.serial ? QStringLiteral("serial") : QStringLiteral("network")}};
}

MetricFamily Gauge(const char* name, const char* help)
{
    return {QString::fromLatin1(name), QString::fromLatin1(help), QStringLiteral("gauge"), {}};
}

} // namespace

QList<MetricFamily> ClockMetricFamilies(const QList<ClockReading>& clocks,
                                        std::optional<double> scrapeSeconds)
{
    MetricFamily up =
        Gauge("tarvo_clock_up", "1 when the clock answered or reported at this scrape");
    MetricFamily answer =
        Gauge("tarvo_clock_answer_seconds", "Round trip of the last request the clock answered");
    MetricFamily gps = Gauge("tarvo_clock_gps_locked",
                             "1 when the clock's latest time report says it is locked to GPS");
    MetricFamily offset = Gauge("tarvo_clock_offset_seconds",
                                "The clock's second less this computer's time when its latest "
                                "report arrived (positive: the clock is ahead)");
    MetricFamily age = Gauge("tarvo_clock_last_report_age_seconds",
                             "Time since the clock's latest time report arrived");
    MetricFamily match = Gauge("tarvo_clock_settings_match",
                               "1 when the clock's settings equal the golden settings file");
    MetricFamily refused =
        Gauge("tarvo_clock_password_refused",
              "1 when the network clock refused the exporter's access password at this scrape");
    MetricFamily info =
        Gauge("tarvo_clock_info", "The clock's model, link and where it is reached");
    MetricFamily server = Gauge("tarvo_clock_device_server_connected",
                                "1 while the serial device server the clock is behind is "
                                "connected (transport tcp or rfc2217)");
    MetricFamily reconnects = {QStringLiteral("tarvo_clock_device_server_reconnects_total"),
                               QStringLiteral("Connections to the clock's serial device server "
                                              "made again after one was lost"),
                               QStringLiteral("counter"),
                               {}};
    for (const ClockReading& clock : clocks) {
        const Labels labels = ClockLabels(clock);
        up.samples.append({labels, clock.up ? 1.0 : 0.0});
        if (clock.answerSeconds)
            answer.samples.append({labels, *clock.answerSeconds});
        if (clock.gpsLocked)
            gps.samples.append({labels, *clock.gpsLocked ? 1.0 : 0.0});
        if (clock.offsetSeconds)
            offset.samples.append({labels, *clock.offsetSeconds});
        if (clock.reportAgeSeconds)
            age.samples.append({labels, *clock.reportAgeSeconds});
        if (clock.settingsMatch)
            match.samples.append({labels, *clock.settingsMatch ? 1.0 : 0.0});
        if (clock.passwordRefused)
            refused.samples.append({labels, *clock.passwordRefused ? 1.0 : 0.0});
        Labels where = labels;
        where.append(
            {clock.serial ? QStringLiteral("device") : QStringLiteral("address"), clock.where});
        info.samples.append({where, 1.0});
        if (!clock.transport.isEmpty()) {
            Labels transport = labels;
            transport.append({QStringLiteral("transport"), clock.transport});
            server.samples.append({transport, clock.serverConnected ? 1.0 : 0.0});
            reconnects.samples.append({transport, double(clock.serverReconnects)});
        }
    }
    QList<MetricFamily> families{up,    answer,  gps,  offset, age,
                                 match, refused, info, server, reconnects};
    if (scrapeSeconds) {
        MetricFamily duration = Gauge("tarvo_exporter_scrape_duration_seconds",
                                      "How long asking every clock took for this scrape");
        duration.samples.append({{}, *scrapeSeconds});
        families.append(duration);
    }
    return families;
}

std::optional<ListenAddress> ParseListenAddress(const QString& text, QString* error)
{
    const qsizetype colon = text.lastIndexOf(u':');
    const QString host = colon < 0 ? QStringLiteral("127.0.0.1") : text.left(colon);
    const QString portText = colon < 0 ? text : text.mid(colon + 1);
    bool ok = false;
    const int port = portText.toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        *error = QStringLiteral("'%1' needs a port from 1 to 65535 (ADDRESS:PORT).").arg(text);
        return std::nullopt;
    }
    QHostAddress address;
    if (!address.setAddress(host) || address.protocol() != QAbstractSocket::IPv4Protocol ||
        host.count(u'.') != 3) {
        *error = QStringLiteral("'%1' is not an IPv4 address (ADDRESS:PORT).").arg(host);
        return std::nullopt;
    }
    return ListenAddress{address, static_cast<quint16>(port)};
}

} // namespace tarvo

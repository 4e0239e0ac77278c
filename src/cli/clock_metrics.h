// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the exporter and feed-chrony know of each clock at a scrape, and the
// metric families Prometheus reads from it. Pure: the values are gathered
// elsewhere (clock_exporter, feed-chrony) and only laid out here.

#include "cli/metrics_text.h"

#include <QHostAddress>
#include <optional>

namespace tarvo
{

struct ClockReading {
    QString name;  // the clock's name in the fleet
    QString model; // "226", or "unknown" while not learned
    bool serial = false;
    QString where; // device or address
    bool up = false;
    std::optional<double> answerSeconds;    // round trip of the last request
    std::optional<bool> gpsLocked;          // from the latest time report
    std::optional<double> offsetSeconds;    // of the latest time report
    std::optional<double> reportAgeSeconds; // since the latest time report arrived
    std::optional<bool> settingsMatch;      // only with a golden settings file
    std::optional<bool> passwordRefused;    // network clocks: refused at this scrape
    // A serial clock behind a device server: "tcp" or "rfc2217" (empty for
    // a local port or a network clock), whether its connection is up now and
    // how often it was made again.
    QString transport;
    bool serverConnected = false;
    int serverReconnects = 0;
};

// One family per metric, the clocks in the order given; a value a clock does
// not have (a network clock's offset, say) is no sample rather than a 0.
// `scrapeSeconds` adds tarvo_exporter_scrape_duration_seconds.
QList<MetricFamily> ClockMetricFamilies(const QList<ClockReading>& clocks,
                                        std::optional<double> scrapeSeconds);

// --listen and --metrics: "ADDRESS:PORT", or "PORT" alone for 127.0.0.1.
// Only an IPv4 address (a name could resolve to anywhere); the port 1-65535.
struct ListenAddress {
    QHostAddress address;
    quint16 port = 0;
};
std::optional<ListenAddress> ParseListenAddress(const QString& text, QString* error);

} // namespace tarvo

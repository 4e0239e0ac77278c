// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The clocks behind `tarvo-clock exporter`. A network clock is asked once per
// collection (it only answers requests), every one at once through one shared
// socket, so that a collection ends within one answer time however many
// clocks there are; a serial clock's port stays open between collections,
// since its time reports flow every second, and its offset, lock and report
// age come from the latest report.

#include "cli/clock_client.h"
#include "cli/clock_metrics.h"
#include "session/shared_socket.h"

#include <QJsonObject>
#include <QObject>
#include <optional>

namespace tarvo
{

// One clock as the exporter is given it: a serial device or a network address.
struct ExportTarget {
    QString name;
    QString port; // serial device, or empty
    QString host; // network address, or empty
    QByteArray password;
    const ClockModel* model = nullptr; // null: learned from the clock
};

// A serial clock's reading from its latest time report at `nowUs`: up while
// reports keep coming, the lock, offset and age of the latest one.
void ReadLatestReport(ClockReading* reading, const std::optional<ReceivedTimeReport>& latest,
                      qint64 nowUs);
// How the link of a serial clock behind a device server stands now; nothing
// for any other clock.
void ReadDeviceServer(ClockReading* reading, const ClockClient& client);

class ExportedClock : public QObject
{
    Q_OBJECT
public:
    // A network clock's session sends and hears through `shared`.
    ExportedClock(ExportTarget target, std::optional<QJsonObject> golden, int timeoutMs,
                  SharedSocket* shared, QObject* parent);
    // Opens a serial clock's port now, so its reports flow before the first
    // scrape.
    void Start();
    Task<void> Refresh();
    ClockReading Reading() const { return m_reading; }

private:
    bool EnsureOpen();
    Task<Reply> Ask();
    void TakeReport(const ReceivedTimeReport& report);

    ExportTarget m_target;
    std::optional<QJsonObject> m_golden;
    int m_timeoutMs;
    SharedSocket* m_shared;
    ClockClient* m_client = nullptr;
    std::optional<ReceivedTimeReport> m_lastReport;
    ClockReading m_reading;
};

class ClockExporter : public QObject
{
    Q_OBJECT
public:
    // Every clock is asked at once, or at most `parallel` when it is above 0.
    ClockExporter(const QList<ExportTarget>& targets, std::optional<QJsonObject> golden,
                  int timeoutMs, int parallel, QObject* parent = nullptr);
    // Whether the socket the network clocks share could be opened (true
    // when there are none).
    bool NetworkReady() const;
    // Asks every clock and lays out the metrics text.
    Task<QByteArray> Collect();

Q_SIGNALS:
    void ClockRefreshed();

private:
    SharedSocket* m_socket;
    QList<ExportedClock*> m_clocks;
    int m_parallel;
    int m_running = 0;
};

} // namespace tarvo

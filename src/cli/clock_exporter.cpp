// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/clock_exporter.h"

#include "clock/clock_model.h"
#include "clock/settings_json.h"
#include "session/report_offset.h"

#include <QDateTime>
#include <QElapsedTimer>

namespace tarvo
{

namespace
{
// A report is due every second; a clock silent for longer than this is down
// (feed-chrony gives up after as long).
constexpr qint64 kReportSilenceUs = 5'000'000;
// Clocks are started this many at a time, a turn of the event loop apart, so
// that the shared socket reads the answers to one burst before the next goes
// out: its receive buffer (net.core.rmem_max, 208 KiB on many systems) need
// not hold a thousand answers at once.
constexpr int kStartedPerTurn = 100;

qint64 NowUs()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000;
}
} // namespace

ExportedClock::ExportedClock(ExportTarget target, std::optional<QJsonObject> golden, int timeoutMs,
                             SharedSocket* shared, QObject* parent)
    : QObject(parent), m_target(std::move(target)), m_golden(std::move(golden)),
      m_timeoutMs(timeoutMs), m_shared(shared)
{
    m_reading.name = m_target.name;
    m_reading.serial = !m_target.port.isEmpty();
    m_reading.where = m_reading.serial ? m_target.port : m_target.host;
    m_reading.model = QStringLiteral("unknown");
}

void ExportedClock::Start()
{
    if (m_reading.serial)
        EnsureOpen();
}

bool ExportedClock::EnsureOpen()
{
    // A serial port that failed (an adapter pulled out) is opened afresh at
    // the next scrape, so the clock comes back when the device does.
    if (m_client && !m_client->PortFailed())
        return true;
    if (m_client) {
        m_client->deleteLater();
        m_client = nullptr;
    }
    auto* client = new ClockClient(this);
    client->SetModel(m_target.model);
    client->SetPassword(m_target.password);
    client->SetReplyTimeout(std::chrono::milliseconds(m_timeoutMs));
    if (!m_reading.serial)
        client->Session().ShareSocket(*m_shared);
    QString error;
    const bool opened = m_reading.serial ? client->OpenSerial(m_target.port, &error)
                                         : client->OpenNetwork(m_target.host, &error);
    if (!opened) {
        client->deleteLater();
        return false;
    }
    connect(client, &ClockClient::TimeReportReceived, this, &ExportedClock::TakeReport);
    m_client = client;
    return true;
}

void ExportedClock::TakeReport(const ReceivedTimeReport& report)
{
    m_lastReport = report;
}

Task<Reply> ExportedClock::Ask()
{
    // Over the network the model comes with the network settings; a serial
    // clock is probed model by model, which only a clock that reports is worth.
    if (!m_client->Model()) {
        const Reply identified = co_await m_client->Identify();
        if (identified != Reply::Answered || !m_client->Model())
            co_return identified;
        if (!m_golden)
            co_return identified;
    }
    const Answer<MasterRecord> answer =
        co_await m_client->Ask<MasterRecord>(command::RequestMasterSettings{});
    if (answer.Answered() && m_golden) {
        const ScriptSettings actual =
            ScriptSettingsFromRecord(answer.record->record, m_client->Model());
        const SettingsParse wanted = SettingsFromJson(*m_golden, actual);
        // A golden file this model cannot hold is a drift too, not a match.
        m_reading.settingsMatch =
            wanted.errors.isEmpty() && SettingsDifferences(wanted.value, actual).isEmpty();
    }
    co_return answer.reply;
}

Task<void> ExportedClock::Refresh()
{
    // Nothing of an earlier scrape is served as if it were new.
    m_reading.up = false;
    m_reading.answerSeconds.reset();
    m_reading.settingsMatch.reset();
    m_reading.passwordRefused.reset();
    m_reading.gpsLocked.reset();
    m_reading.offsetSeconds.reset();
    m_reading.reportAgeSeconds.reset();
    if (!EnsureOpen()) {
        m_lastReport.reset();
        co_return;
    }
    const qint64 now = NowUs();
    const bool reporting = m_lastReport && now - m_lastReport->arrivalUs < kReportSilenceUs;
    // A serial clock is asked only what its reports do not say: its model and
    // its settings for the golden comparison. A network clock is asked every
    // time: its answer is all that shows it is there.
    const bool ask =
        !m_reading.serial || (reporting && (!m_client->Model() || m_golden.has_value()));
    if (ask) {
        QElapsedTimer roundTrip;
        roundTrip.start();
        const Reply reply = co_await Ask();
        if (reply == Reply::Answered)
            m_reading.answerSeconds = roundTrip.nsecsElapsed() / 1e9;
        if (!m_reading.serial) {
            m_reading.up = reply == Reply::Answered;
            m_reading.passwordRefused = reply == Reply::Refused;
        }
    }
    if (m_client->Model())
        m_reading.model = QString::number(m_client->Model()->number);
    if (m_reading.serial) {
        ReadLatestReport(&m_reading, m_lastReport, NowUs());
        m_reading.up = m_reading.up && !m_client->PortFailed();
        ReadDeviceServer(&m_reading, *m_client);
    }
}

void ReadDeviceServer(ClockReading* reading, const ClockClient& client)
{
    if (!client.BehindDeviceServer())
        return;
    const TransportStatus status = client.Session().SerialTransportStatus();
    reading->transport = client.LinkName();
    reading->serverConnected = status.state == TransportStatus::State::Connected;
    reading->serverReconnects = status.reconnects;
}

void ReadLatestReport(ClockReading* reading, const std::optional<ReceivedTimeReport>& latest,
                      qint64 nowUs)
{
    reading->up = latest && nowUs - latest->arrivalUs < kReportSilenceUs;
    reading->gpsLocked.reset();
    reading->offsetSeconds.reset();
    reading->reportAgeSeconds.reset();
    if (!latest)
        return;
    reading->gpsLocked = latest->report.valid && latest->report.gpsLocked;
    reading->offsetSeconds = ReportOffsetAt(latest->report, latest->arrivalUs);
    reading->reportAgeSeconds = (nowUs - latest->arrivalUs) / 1e6;
}

ClockExporter::ClockExporter(const QList<ExportTarget>& targets, std::optional<QJsonObject> golden,
                             int timeoutMs, int parallel, QObject* parent)
    : QObject(parent), m_socket(new SharedSocket(this)), m_parallel(parallel)
{
    for (const ExportTarget& target : targets) {
        auto* clock = new ExportedClock(target, golden, timeoutMs, m_socket, this);
        clock->Start();
        m_clocks.append(clock);
        if (!target.host.isEmpty())
            m_socket->Open();
    }
}

bool ClockExporter::NetworkReady() const
{
    for (const ExportedClock* clock : m_clocks) {
        if (!clock->Reading().serial)
            return m_socket->IsOpen();
    }
    return true;
}

Task<QByteArray> ClockExporter::Collect()
{
    QElapsedTimer took;
    took.start();
    qsizetype next = 0;
    const qsizetype total = m_clocks.size();
    const qsizetype limit = m_parallel > 0 ? m_parallel : total;
    while (next < total || m_running > 0) {
        int startedNow = 0;
        while (m_running < limit && next < total && startedNow < kStartedPerTurn) {
            ++m_running;
            ++startedNow;
            // Connected before it starts: a clock that cannot be opened
            // finishes inside Start().
            auto* job = new Job(this);
            connect(job, &Job::finished, job, &QObject::deleteLater);
            connect(job, &Job::cancelled, job, &QObject::deleteLater);
            connect(job, &Job::finished, this, [this] {
                --m_running;
                Q_EMIT ClockRefreshed();
            });
            job->Start(m_clocks[next++]->Refresh());
        }
        if (startedNow == kStartedPerTurn && m_running < limit && next < total) {
            co_await Sleep(0);
            continue;
        }
        const auto roomOrDone = [this, &next, total, limit] {
            return (m_running < limit && next < total) || m_running == 0;
        };
        co_await WaitFor(this, &ClockExporter::ClockRefreshed, roomOrDone, -1);
    }
    QList<ClockReading> readings;
    for (const ExportedClock* clock : m_clocks)
        readings.append(clock->Reading());
    co_return RenderMetrics(ClockMetricFamilies(readings, took.nsecsElapsed() / 1e9));
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/clock_client.h"

#include "cli/cli.h"
#include "operations/find_clocks.h"

namespace tarvo
{

namespace
{
// Reports older than a few seconds are of no use to anyone waiting for the
// next one.
constexpr int kKeptReports = 8;
} // namespace

ClockClient::ClockClient(QObject* parent) : QObject(parent)
{
    connect(&m_session, &ClockSession::SerialPortFailed, this, [this] { m_portFailed = true; });
    connect(&m_session, &ClockSession::TimeReportReceived, this,
            [this](const TimeReportRecord& r, const RecordSource& source) {
                const ReceivedTimeReport report{r.report, source.arrivalUs};
                m_reports.enqueue(report);
                while (m_reports.size() > kKeptReports)
                    m_reports.dequeue();
                Q_EMIT TimeReportReceived(report);
            });
    // Whatever sends a command (this client or an operation), it is written
    // down for the message of an interrupted run.
    connect(&m_session, &ClockSession::CommandSent, this,
            [this](const ClockCommand& command) { NoteChange(command); });
}

bool ClockClient::OpenSerial(const QString& device, QString* error)
{
    m_kind = LinkKind::Serial;
    m_where = device;
    if (m_session.OpenSerialDevice(device))
        return true;
    if (error)
        *error = m_session.SerialOpenProblem(device);
    return false;
}

bool ClockClient::OpenNetwork(const QString& host, QString* error)
{
    m_kind = LinkKind::Network;
    m_where = host;
    QString problem;
    if (m_session.OpenNetworkClock(host, &problem))
        return true;
    if (error)
        *error = problem;
    return false;
}

Task<bool> ClockClient::LinkReady(QString* error)
{
    if (!BehindDeviceServer())
        co_return true;
    const auto settled = [this] {
        return m_session.SerialTransportStatus().state != TransportStatus::State::Connecting;
    };
    // A connection takes at most the link's own time for one (it gives up
    // first); the margin is for a machine under load.
    const bool held =
        co_await WaitFor(&m_session, &ClockSession::SerialTransportChanged, settled, 30000);
    const TransportStatus status = m_session.SerialTransportStatus();
    if (held && status.state == TransportStatus::State::Connected)
        co_return true;
    if (error) {
        const QString text = status.text.isEmpty()
                                 ? QStringLiteral("no connection to %1").arg(m_where)
                                 : status.text;
        *error = text.left(1).toUpper() + text.mid(1) + u'.';
    }
    co_return false;
}

QString ClockClient::LinkName() const
{
    if (m_kind == LinkKind::Network)
        return QStringLiteral("network");
    return m_session.SerialTransportName();
}

bool ClockClient::BehindDeviceServer() const
{
    return m_kind == LinkKind::Serial &&
           m_session.SerialTransportStatus().kind != SerialTransport::Local;
}

void ClockClient::SetModel(const ClockModel* model)
{
    m_model = model;
    m_session.SetModel(model);
}

void ClockClient::SetPassword(const QByteArray& password4)
{
    m_password = password4;
    m_session.SetPassword(password4);
}

Task<Reply> ClockClient::Identify()
{
    const Identified identified = co_await IdentifyModel(m_session, Link(), m_model, m_wait);
    if (identified.reply == Reply::Answered)
        SetModel(identified.model);
    co_return identified.reply;
}

void ClockClient::NoteChange(const ClockCommand& command)
{
    // Requests change nothing; what changes the clock is written down.
    const bool request = std::holds_alternative<command::RequestMasterSettings>(command) ||
                         std::holds_alternative<command::RequestNetworkSettings>(command) ||
                         std::holds_alternative<command::RequestDstTables>(command);
    if (m_activity && !request)
        m_activity->sent.append(CommandName(command));
}

int ClockClient::Send(const ClockCommand& command)
{
    return Link().Send(command);
}

Task<std::optional<ReceivedTimeReport>> ClockClient::NextTimeReport(std::chrono::milliseconds wait)
{
    if (m_reports.isEmpty()) {
        const auto arrived = [this] { return !m_reports.isEmpty(); };
        co_await WaitFor(&m_session, &ClockSession::TimeReportReceived, arrived, wait);
    }
    if (m_reports.isEmpty())
        co_return std::nullopt;
    co_return m_reports.dequeue();
}

} // namespace tarvo

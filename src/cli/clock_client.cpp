// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/clock_client.h"

#include "cli/cli.h"

#include "clock/clock_model.h"
#include "connect/network_settings.h"
#include "link/bytes.h"

namespace tarvo
{

namespace
{
constexpr int kNetworkIdentifierOffset = 91;
} // namespace

ClockClient::ClockClient(QObject* parent) : QObject(parent), m_network(EmptyNetworkData())
{
    connect(&m_session, &ClockSession::SerialPortFailed, this, [this] { m_portFailed = true; });
    connect(&m_session, &ClockSession::TimeReportReceived, this,
            [this](const TimeReportRecord& r, const RecordSource& source) {
                m_lastReport = {r.report, source.arrivalUs};
                ++m_reportCount;
                Q_EMIT TimeReportReceived(m_lastReport);
            });
    connect(&m_session, &ClockSession::MasterRecordReceived, this, [this](const MasterRecord& r) {
        m_master = r.record;
        ++m_masterCount;
    });
    connect(&m_session, &ClockSession::NetworkRecordReceived, this, [this](const NetworkRecord& r) {
        m_network = EmptyNetworkData();
        for (int i = 0; i < r.networkData.size() && i < NetworkDataLength; ++i)
            SetByte(m_network, i, ByteAt(r.networkData, i));
        m_networkPresent = r.present;
        ++m_networkCount;
    });
    connect(&m_session, &ClockSession::DstRecordReceived, this, [this](const DstRecord& r) {
        m_dst = r.record;
        ++m_dstCount;
    });
    connect(&m_session, &ClockSession::PasswordRefused, this, [this] { ++m_refusedCount; });
}

bool ClockClient::OpenSerial(const QString& device, QString* error)
{
    m_kind = LinkKind::Serial;
    m_where = device;
    SerialLink& port = m_session.Port();
    port.SetDevices({device});
    if (port.Open(1))
        return true;
    if (error) {
        *error = port.LastOpenProblem();
        if (error->isEmpty())
            *error = QStringLiteral("Cannot open %1 as a serial port.").arg(device);
    }
    return false;
}

bool ClockClient::OpenNetwork(const QString& host, QString* error)
{
    m_kind = LinkKind::Network;
    m_where = host;
    // A script may wait for the name's lookup; the session is given the
    // address it found.
    const quint32 address = ResolveAddress(host);
    if (address == InvalidAddress) {
        if (error)
            *error = QStringLiteral("%1 is not an address or a known host name.").arg(host);
        return false;
    }
    // Only a socket is needed for one clock; the local addresses matter to
    // discovery alone, so loopback stands in for them.
    m_session.InitializeNetwork({QStringLiteral("127.0.0.1")});
    if (!m_session.Socket().IsOpen()) {
        if (error)
            *error = QStringLiteral("Cannot open a UDP socket.");
        return false;
    }
    m_session.SetDestination(AddressToString(address));
    return true;
}

void ClockClient::SetClockType(int clockType)
{
    m_clockType = clockType;
    m_session.SetModel(clockType);
}

void ClockClient::SetPassword(const QByteArray& password4)
{
    m_password = password4;
    m_session.SetPassword(password4);
}

Task<void> ClockClient::Pause(int ms)
{
    co_await Sleep(ms);
}

Task<bool> ClockClient::WaitFor(std::function<bool()> done, int ms)
{
    const bool held = co_await tarvo::WaitFor(&m_session, &ClockSession::Received, done, ms);
    co_return held;
}

Task<ClockClient::Outcome> ClockClient::Request(std::function<void()> send, const int* counter)
{
    const int before = *counter;
    const int refusedBefore = m_refusedCount;
    const auto answered = [this, counter, before, refusedBefore] {
        return *counter != before || m_refusedCount != refusedBefore;
    };
    // A datagram may be lost, so the network request goes out twice within the
    // wait; a serial line does not drop frames.
    const int attempts = IsSerial() ? 1 : 2;
    for (int i = 0; i < attempts && !answered(); ++i) {
        send();
        co_await WaitFor(answered, m_timeoutMs / attempts);
    }
    if (m_refusedCount != refusedBefore)
        co_return Outcome::Refused;
    co_return *counter != before ? Outcome::Answered : Outcome::Silent;
}

Task<ClockClient::Outcome> ClockClient::Identify()
{
    if (IsSerial()) {
        if (m_clockType != 0) {
            const Outcome outcome = co_await ReadMaster(nullptr);
            co_return outcome;
        }
        for (const ClockModel& model : AllModels()) {
            const int before = m_masterCount;
            SendProbe(model.code);
            const auto answered = [this, before] { return m_masterCount != before; };
            const bool heard = co_await WaitFor(answered, ProbeAnswerMs);
            if (heard) {
                SetClockType(model.code);
                co_return Outcome::Answered;
            }
        }
        co_return Outcome::Silent;
    }
    const Outcome outcome = co_await ReadNetwork(nullptr, nullptr);
    if (outcome == Outcome::Answered)
        SetClockType(
            ClockTypeFromIdentifier(ByteAt(m_network, kNetworkIdentifierOffset), m_clockType));
    co_return outcome;
}

Task<ClockClient::Outcome> ClockClient::ReadMaster(QByteArray* record)
{
    const auto ask = [this] { Send(command::RequestMasterSettings{}); };
    const Outcome outcome = co_await Request(ask, &m_masterCount);
    if (outcome == Outcome::Answered && record)
        *record = m_master;
    co_return outcome;
}

Task<ClockClient::Outcome> ClockClient::AwaitMaster(QByteArray* record)
{
    const int before = m_masterCount;
    const auto arrived = [this, before] { return m_masterCount != before; };
    const bool heard = co_await WaitFor(arrived, m_timeoutMs);
    if (heard) {
        if (record)
            *record = m_master;
        co_return Outcome::Answered;
    }
    const Outcome outcome = co_await ReadMaster(record);
    co_return outcome;
}

Task<ClockClient::Outcome> ClockClient::ReadNetwork(QByteArray* networkData, bool* present)
{
    const auto ask = [this] {
        Send(command::RequestNetworkSettings{});
        NoteSent(true);
    };
    const Outcome outcome = co_await Request(ask, &m_networkCount);
    if (outcome == Outcome::Answered) {
        if (networkData)
            *networkData = m_network;
        if (present)
            *present = m_networkPresent;
    }
    co_return outcome;
}

Task<ClockClient::Outcome> ClockClient::ReadDst(DstTables* tables)
{
    // Over the serial link request 43 brings the DST tables right after the
    // network settings: when it was the last thing sent, its answer is used
    // rather than asking (and waiting for 870 bytes at 9600 baud) again.
    if (IsSerial() && m_dstCountBefore43 >= 0) {
        const int before = m_dstCountBefore43;
        const auto arrived = [this, before] { return m_dstCount != before; };
        const bool heard = co_await WaitFor(arrived, m_timeoutMs);
        if (heard) {
            if (tables)
                *tables = ParseDSTDates(m_dst);
            co_return Outcome::Answered;
        }
    }
    const auto ask = [this] {
        Send(command::RequestDstTables{});
        NoteSent(true);
    };
    const Outcome outcome = co_await Request(ask, &m_dstCount);
    if (outcome == Outcome::Answered && tables)
        *tables = ParseDSTDates(m_dst);
    co_return outcome;
}

void ClockClient::NoteSent(bool onlyNetworkAndDstRequest)
{
    m_dstCountBefore43 = onlyNetworkAndDstRequest ? m_dstCount : -1;
}

int ClockClient::Send(const ClockCommand& command)
{
    NoteSent(false);
    const int sent = Link().Send(command);
    // Requests change nothing; what changes the clock is written down.
    const bool request = std::holds_alternative<command::RequestMasterSettings>(command) ||
                         std::holds_alternative<command::RequestNetworkSettings>(command) ||
                         std::holds_alternative<command::RequestDstTables>(command);
    if (sent > 0 && m_activity && !request)
        m_activity->sent.append(CommandName(command));
    return sent;
}

void ClockClient::SendProbe(int clockType)
{
    NoteSent(false);
    m_session.SerialClock().Probe(clockType);
}

Task<std::optional<ReceivedTimeReport>> ClockClient::NextTimeReport(int ms)
{
    const int before = m_reportCount;
    const auto arrived = [this, before] { return m_reportCount != before; };
    const bool heard = co_await WaitFor(arrived, ms);
    if (!heard)
        co_return std::nullopt;
    co_return m_lastReport;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/network_clock_link.h"

#include <QDeadlineTimer>

#include "clock/master_record.h"
#include "connect/network_settings.h"
#include "dst/dst_record.h"
#include "link/datagram.h"
#include "link/udp_link.h"

namespace tarvo
{

namespace
{
constexpr int kRequestSpacingMs = 300;
constexpr int kDefaultsSettleMs = 1000;

QByteArray SendTimeAndDateViaNetwork(const command::SetTimeAndDate& c, const QByteArray& password)
{
    return TimeAndDateDatagram(password, c.time, c.date);
}

QByteArray SendTimeAdjustViaNetwork(const command::AdjustTime& c, const QByteArray& password)
{
    return TimeAdjustDatagram(password, c.type, c.direction);
}

QByteArray SendClockSettingsViaNetwork(const command::MasterSettings& c, const ClockModel* model,
                                       const QByteArray& password)
{
    const QByteArray record =
        ComposeMasterRecord(c.settings, model, c.secondOffsetPosition, c.previousRecord);
    return MasterSettingsDatagram(password, record);
}

QByteArray SendDSTviaNetwork(const command::DstTables& c, const QByteArray& password)
{
    return DstDatagram(password, c.spring, c.fall, c.springRule, c.fallRule, c.startYear);
}

QList<QByteArray> SendNetworkSettingsViaNetwork(const command::NetworkSettings& c,
                                                const QByteArray& password)
{
    return NetworkSettingsDatagrams(c.record, password);
}

} // namespace

QList<QByteArray> NetworkClockLink::DatagramsFor(const ClockCommand& command) const
{
    struct Visitor {
        const ClockModel* model;
        const QByteArray& password;
        QList<QByteArray> operator()(const command::RequestMasterSettings&) const
        {
            return {RequestMasterSettingsDatagram(password)};
        }
        QList<QByteArray> operator()(const command::RequestNetworkSettings&) const
        {
            return {BuildDatagram(DatagramCode::RequestNetworkSettings, password)};
        }
        QList<QByteArray> operator()(const command::RequestDstTables&) const
        {
            return {BuildDatagram(DatagramCode::RequestDstDates, password)};
        }
        QList<QByteArray> operator()(const command::SetTimeAndDate& c) const
        {
            return {SendTimeAndDateViaNetwork(c, password)};
        }
        QList<QByteArray> operator()(const command::AdjustTime& c) const
        {
            return {SendTimeAdjustViaNetwork(c, password)};
        }
        QList<QByteArray> operator()(const command::MasterSettings& c) const
        {
            return {SendClockSettingsViaNetwork(c, model, password)};
        }
        QList<QByteArray> operator()(const command::SettingsChange& c) const
        {
            if (c.networkRecord.isEmpty())
                return {};
            return {MasterSettingsDatagram(password, c.networkRecord)};
        }
        QList<QByteArray> operator()(const command::FactoryDefaults&) const
        {
            return {FactoryDefaultsDatagram(password)};
        }
        QList<QByteArray> operator()(const command::Resync&) const
        {
            return {ResyncDatagram(password)};
        }
        QList<QByteArray> operator()(const command::DstTables& c) const
        {
            return {SendDSTviaNetwork(c, password)};
        }
        QList<QByteArray> operator()(const command::NetworkSettings& c) const
        {
            return SendNetworkSettingsViaNetwork(c, password);
        }
        QList<QByteArray> operator()(const command::ModemUpdateNow&) const { return {}; }
    };
    return std::visit(Visitor{m_model, m_password}, command);
}

int NetworkClockLink::SendToClock(const QByteArray& datagram)
{
    if (m_available != 1 || m_host.trimmed().isEmpty())
        return -1;
    if (m_address == InvalidAddress) {
        if (m_onUnresolved)
            m_onUnresolved();
        return -1;
    }
    const int sent = m_socket->SendDatagramTo(m_address, ClockPort, datagram);
    if (sent > 0)
        m_lastSentMs = QDeadlineTimer::current().deadline();
    return sent;
}

int NetworkClockLink::Send(const ClockCommand& command)
{
    int sent = 0;
    for (const QByteArray& datagram : DatagramsFor(command)) {
        if (SendToClock(datagram) > 0)
            ++sent;
    }
    if (sent > 0)
        NoteSent(command);
    return sent;
}

Task<void> NetworkClockLink::RequestEverything()
{
    // One datagram whose code changes: the password it carries is the one in
    // use when the requests began.
    QByteArray request = BuildDatagram(DatagramCode::RequestNetworkSettings, m_password);
    if (SendToClock(request) > 0)
        NoteSent(command::RequestNetworkSettings{});
    co_await Sleep(kRequestSpacingMs);
    request[0] = static_cast<char>(DatagramCode::RequestMasterSettings);
    if (SendToClock(request) > 0)
        NoteSent(command::RequestMasterSettings{});
    co_await Sleep(kRequestSpacingMs);
    request[0] = static_cast<char>(DatagramCode::RequestDstDates);
    if (SendToClock(request) > 0)
        NoteSent(command::RequestDstTables{});
}

Task<void> NetworkClockLink::RestoreFactoryDefaults()
{
    Send(command::FactoryDefaults{});
    co_await Sleep(kDefaultsSettleMs);
    Send(command::RequestMasterSettings{});
}

} // namespace tarvo

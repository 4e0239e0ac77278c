// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/serial_clock_link.h"

#include "clock/clock_model.h"
#include "clock/master_record.h"
#include "connect/network_settings.h"
#include "dst/dst_record.h"
#include "link/serial_link.h"

namespace tarvo
{

namespace
{
constexpr quint8 kRequestClockSettings = 1;
// Brings the network settings and then the DST tables.
constexpr quint8 kRequestNetworkAndDst = 43;
constexpr int kStartUpRequestSpacingMs = 20;

QList<SerialCommand> SendTimeAndDateViaSerial(const command::SetTimeAndDate& c)
{
    return TimeAndDateSerialCommands(c.time, c.date);
}

QList<SerialCommand> SendTimeAdjustViaSerial(const command::AdjustTime& c)
{
    return {TimeAdjustSerialCommand(c.type, c.direction)};
}

QList<SerialCommand> SendClockSettingsViaSerial(const command::MasterSettings& c,
                                                const ClockModel* model)
{
    return MasterSettingsSerialFrames(c.settings, model, c.phoneText);
}

QList<SerialCommand> SendDSTviaSerial(const command::DstTables& c)
{
    QList<SerialCommand> commands;
    for (const auto& [byte, payload] :
         DstSerialFrames(c.spring, c.fall, c.springRule, c.fallRule, c.startYear))
        commands.append({byte, payload});
    return commands;
}

QList<SerialCommand> SendNetworkSettingsViaSerial(const command::NetworkSettings& c)
{
    return NetworkSettingsSerialFrames(c.record);
}

} // namespace

QString CommandName(const ClockCommand& command)
{
    struct Visitor {
        QString operator()(const command::RequestMasterSettings&) const
        {
            return QStringLiteral("the request for the settings");
        }
        QString operator()(const command::RequestNetworkSettings&) const
        {
            return QStringLiteral("the request for the network settings");
        }
        QString operator()(const command::RequestDstTables&) const
        {
            return QStringLiteral("the request for the DST dates");
        }
        QString operator()(const command::SetTimeAndDate&) const
        {
            return QStringLiteral("the time and date");
        }
        QString operator()(const command::AdjustTime&) const { return QStringLiteral("the nudge"); }
        QString operator()(const command::MasterSettings&) const
        {
            return QStringLiteral("the settings");
        }
        QString operator()(const command::SettingsChange&) const
        {
            return QStringLiteral("the changed settings");
        }
        QString operator()(const command::FactoryDefaults&) const
        {
            return QStringLiteral("the factory reset");
        }
        QString operator()(const command::Resync&) const { return QStringLiteral("the resync"); }
        QString operator()(const command::DstTables&) const
        {
            return QStringLiteral("the DST dates");
        }
        QString operator()(const command::NetworkSettings&) const
        {
            return QStringLiteral("the network settings");
        }
        QString operator()(const command::ModemUpdateNow&) const
        {
            return QStringLiteral("the modem call");
        }
    };
    return std::visit(Visitor{}, command);
}

QString SerialClockLink::Where() const
{
    return m_port.DeviceFor(m_port.CurrentPort());
}

QList<SerialCommand> SerialClockLink::CommandsFor(const ClockCommand& command) const
{
    struct Visitor {
        const ClockModel* model;
        QList<SerialCommand> operator()(const command::RequestMasterSettings&) const
        {
            return {RequestSettingsSerialCommand()};
        }
        QList<SerialCommand> operator()(const command::RequestNetworkSettings&) const
        {
            return {{kRequestNetworkAndDst, {}}};
        }
        QList<SerialCommand> operator()(const command::RequestDstTables&) const
        {
            return {{kRequestNetworkAndDst, {}}};
        }
        QList<SerialCommand> operator()(const command::SetTimeAndDate& c) const
        {
            return SendTimeAndDateViaSerial(c);
        }
        QList<SerialCommand> operator()(const command::AdjustTime& c) const
        {
            return SendTimeAdjustViaSerial(c);
        }
        QList<SerialCommand> operator()(const command::MasterSettings& c) const
        {
            return SendClockSettingsViaSerial(c, model);
        }
        QList<SerialCommand> operator()(const command::SettingsChange& c) const
        {
            return c.serialCommands;
        }
        QList<SerialCommand> operator()(const command::FactoryDefaults&) const
        {
            return {FactoryDefaultsSerialCommands().first()};
        }
        QList<SerialCommand> operator()(const command::Resync&) const
        {
            return {ResyncSerialCommand()};
        }
        QList<SerialCommand> operator()(const command::DstTables& c) const
        {
            return SendDSTviaSerial(c);
        }
        QList<SerialCommand> operator()(const command::NetworkSettings& c) const
        {
            return SendNetworkSettingsViaSerial(c);
        }
        QList<SerialCommand> operator()(const command::ModemUpdateNow&) const
        {
            return {ModemUpdateNowSerialCommand()};
        }
    };
    return std::visit(Visitor{m_model}, command);
}

int SerialClockLink::Write(const QList<SerialCommand>& commands)
{
    if (!m_port.IsOpen())
        return 0;
    for (const SerialCommand& c : commands)
        m_port.Write(BuildSerialFrame(c.command, c.payload, Trailer()));
    return static_cast<int>(commands.size());
}

int SerialClockLink::Send(const ClockCommand& command)
{
    const int written = Write(CommandsFor(command));
    if (written > 0)
        NoteSent(command);
    return written;
}

bool SerialClockLink::Probe(const ClockModel& model)
{
    if (!m_port.IsOpen())
        return false;
    m_port.Write(BuildSerialFrame(kRequestClockSettings, {}, model));
    return true;
}

const ClockModel& SerialClockLink::Trailer() const
{
    // A clock whose model is not known yet is sent the first model's
    // trailer, as a frame with no model of its own ends.
    return m_model ? *m_model : AllModels().front();
}

Task<void> SerialClockLink::RequestEverything()
{
    Send(command::RequestMasterSettings{});
    co_await Sleep(kStartUpRequestSpacingMs);
    Send(command::RequestNetworkSettings{});
}

Task<void> SerialClockLink::RestoreFactoryDefaults()
{
    // The reset and the request for what it leaves, back to back.
    if (Write(FactoryDefaultsSerialCommands()) > 0) {
        NoteSent(command::FactoryDefaults{});
        NoteSent(command::RequestMasterSettings{});
    }
    co_return;
}

} // namespace tarvo

#include "app/settings_commands.h"

#include "app/message_boxes.h"
#include "app/panel.h"
#include "clock/master_record.h"
#include "clock/time_commands.h"
#include "link/delay.h"

#include <QCoreApplication>

namespace tarvo
{

namespace
{

void Send(Panel& panel, const SerialCommand& command)
{
    panel.SendSerialFrame(command.command, command.payload);
}

bool OnNetworkLink(const Panel& panel)
{
    return panel.State().clockConnection.ConnectionType == ConnectionKind::Network;
}

bool OnSerialLink(const Panel& panel)
{
    return panel.State().clockConnection.ConnectionType == ConnectionKind::Serial;
}

// The network forms of the password-gated commands stop on invalid password
// fields; the check has already told the operator why.
bool PasswordFieldsRefused(Panel& panel)
{
    return panel.CheckPassword && panel.CheckPassword() == -1;
}

} // namespace

void SendClockSettingsViaSerial(Panel& panel, int clockType, const QString& phoneText)
{
    for (const SerialCommand& command :
         MasterSettingsSerialFrames(panel.State().clockSettings, clockType, phoneText))
        Send(panel, command);
}

void SendClockSettingsViaNetwork(Panel& panel, int clockType, int secondOffsetPosition)
{
    ProgramState& s = panel.State();
    const QByteArray record =
        ComposeMasterRecord(s.clockSettings, clockType, secondOffsetPosition, s.ClockSettingsCopy);
    if (s.ClockSettingsCopy.size() < NetworkMasterRecordLength)
        s.ClockSettingsCopy.resize(SerialMasterRecordLength, '\0');
    s.ClockSettingsCopy.replace(0, record.size(), record);
    panel.SendToClock(MasterSettingsDatagram(s.NetworkPassword, record));
}

void SendAllSettings(Panel& panel, const SettingsSendInput& input)
{
    ProgramState& s = panel.State();
    if (s.FormLoading || !s.ClockFound)
        return;
    const int clockType = s.clockConnection.ClockType;
    if (OnSerialLink(panel)) {
        SendClockSettingsViaSerial(panel, clockType, input.phoneText);
        if (!s.NetworkSettingsPresent)
            return;
        panel.RequestSettingsViaSerial();
        if (s.NetworkSettingsChanged) {
            s.NetworkSettingsChanged = false;
            if (panel.SendNetworkSettingsViaSerial)
                panel.SendNetworkSettingsViaSerial();
            QCoreApplication::processEvents();
            if (panel.ShowConfiguring)
                panel.ShowConfiguring();
        }
    } else if (OnNetworkLink(panel)) {
        SendClockSettingsViaNetwork(panel, clockType, input.secondOffsetPosition);
        if (s.NetworkSettingsChanged) {
            s.NetworkSettingsChanged = false;
            if (panel.SendNetworkSettingsViaNetwork)
                panel.SendNetworkSettingsViaNetwork();
        }
    }
}

void RestoreFactoryDefaults(Panel& panel)
{
    // Without a way to ask, nothing as drastic as a reset is done.
    MessageBoxes* boxes = panel.Boxes();
    if (!boxes || !boxes->AskYesNo(FactoryDefaultsTitle, FactoryDefaultsQuestion))
        return;
    const ProgramState& s = panel.State();
    if (s.FormLoading || !s.ClockFound)
        return;
    if (OnSerialLink(panel)) {
        for (const SerialCommand& command : FactoryDefaultsSerialCommands())
            Send(panel, command);
    } else if (OnNetworkLink(panel)) {
        if (PasswordFieldsRefused(panel))
            return;
        panel.SendToClock(FactoryDefaultsDatagram(s.NetworkPassword));
        Delay(1000);
        panel.SendToClock(RequestMasterSettingsDatagram(panel.State().NetworkPassword));
    }
}

void ResyncNow(Panel& panel)
{
    const ProgramState& s = panel.State();
    if (!s.ClockFound)
        return;
    if (OnSerialLink(panel)) {
        Send(panel, ResyncSerialCommand());
    } else if (OnNetworkLink(panel)) {
        if (PasswordFieldsRefused(panel))
            return;
        panel.SendToClock(ResyncDatagram(s.NetworkPassword));
    }
}

void SendTimeAndDateViaSerial(Panel& panel)
{
    const ProgramState& s = panel.State();
    for (const SerialCommand& command : TimeAndDateSerialCommands(s.timeData, s.dateData))
        Send(panel, command);
}

void SendTimeAndDateViaNetwork(Panel& panel)
{
    const ProgramState& s = panel.State();
    panel.SendToClock(TimeAndDateDatagram(s.NetworkPassword, s.timeData, s.dateData));
}

void SendTimeAndDate(Panel& panel)
{
    if (OnNetworkLink(panel))
        SendTimeAndDateViaNetwork(panel);
    else
        SendTimeAndDateViaSerial(panel);
}

void SendTimeAdjustViaSerial(Panel& panel, int adjustType, int adjustDirection)
{
    Send(panel, TimeAdjustSerialCommand(adjustType, adjustDirection));
}

void SendTimeAdjustViaNetwork(Panel& panel, int adjustType, int adjustDirection)
{
    panel.SendToClock(
        TimeAdjustDatagram(panel.State().NetworkPassword, adjustType, adjustDirection));
}

void SendTimeAdjust(Panel& panel, int adjustType, int adjustDirection)
{
    if (OnNetworkLink(panel))
        SendTimeAdjustViaNetwork(panel, adjustType, adjustDirection);
    else
        SendTimeAdjustViaSerial(panel, adjustType, adjustDirection);
}

void ModemSyncNow(Panel& panel)
{
    if (panel.State().ClockFound)
        Send(panel, ModemUpdateNowSerialCommand());
}

} // namespace tarvo

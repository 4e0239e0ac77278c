#include "app/settings_commands.h"

#include "app/message_boxes.h"
#include "app/network_config.h"
#include "app/panel.h"
#include "clock/master_record.h"

#include <QScopeGuard>

namespace tarvo
{

namespace
{

// The password-gated commands stop on invalid stored-password fields where
// the link carries a password; the check has already told the operator why.
bool PasswordFieldsRefused(Panel& panel, const ClockLink& link)
{
    return link.CarriesPassword() && panel.CheckPassword && panel.CheckPassword() == -1;
}

} // namespace

Task<void> SendAllSettings(Panel& panel, SettingsSendInput input)
{
    ProgramState& s = panel.State();
    s.SendingSettings = true;
    const auto done = qScopeGuard([&s] { s.SendingSettings = false; });
    ClockLink* link = panel.LinkInUse();
    if (s.FormLoading || !s.ClockFound || !link)
        co_return;
    link->Send(command::MasterSettings{s.clockSettings, input.phoneText, input.secondOffsetPosition,
                                       s.ClockSettingsCopy});
    if (link->Kind() == LinkKind::Network) {
        // The record sent is the one the next network send starts from.
        const QByteArray sent = ComposeMasterRecord(
            s.clockSettings, link->Model(), input.secondOffsetPosition, s.ClockSettingsCopy);
        if (s.ClockSettingsCopy.size() < SerialMasterRecordLength)
            s.ClockSettingsCopy.resize(SerialMasterRecordLength, '\0');
        s.ClockSettingsCopy.replace(0, sent.size(), sent);
    }
    if (link->Kind() == LinkKind::Serial) {
        if (!s.NetworkSettingsPresent)
            co_return;
        panel.RequestSettingsViaSerial();
        if (s.NetworkSettingsChanged) {
            s.NetworkSettingsChanged = false;
            SendNetworkSettingsViaSerial(panel);
            co_await ShowConfiguring(panel);
        }
        co_return;
    }
    if (s.NetworkSettingsChanged) {
        s.NetworkSettingsChanged = false;
        co_await SendNetworkSettingsViaNetwork(panel, input.shownAddress);
    }
}

QString FactoryDefaultsDetails(int clockType)
{
    // The reset restores the general settings record, the one the clock is
    // asked for afterwards; its network record and passwords are another
    // record that the reset leaves alone.
    QStringList reset = {QStringLiteral("time zone"), QStringLiteral("daylight saving"),
                         QStringLiteral("time code"), QStringLiteral("resync"),
                         QStringLiteral("relays")};
    const ClockModel* model = FindModel(clockType);
    if (model && model->secondOffsetRange > 0)
        reset << QStringLiteral("second offsets");
    if (model && model->inputPolarity)
        reset << QStringLiteral("sync input polarity");
    if (model && model->modem)
        reset << QStringLiteral("the modem's telephone number and calls");
    return QStringLiteral("Every general setting returns to its factory value: %1 and display "
                          "formats. The clock's network settings and passwords stay as they are.")
        .arg(reset.join(QStringLiteral(", ")));
}

Task<void> RestoreFactoryDefaults(Panel& panel)
{
    // Without a way to ask, nothing as drastic as a reset is done.
    MessageBoxes* boxes = panel.Boxes();
    if (!boxes)
        co_return;
    const QString details = FactoryDefaultsDetails(panel.State().clockConnection.ClockType);
    const bool yes =
        co_await boxes->AskWarning(FactoryDefaultsTitle, FactoryDefaultsQuestion, details);
    if (!yes)
        co_return;
    const ProgramState& s = panel.State();
    ClockLink* link = panel.LinkInUse();
    if (s.FormLoading || !s.ClockFound || !link || PasswordFieldsRefused(panel, *link))
        co_return;
    co_await link->RestoreFactoryDefaults();
}

void ResyncNow(Panel& panel)
{
    ClockLink* link = panel.LinkInUse();
    if (!panel.State().ClockFound || !link || PasswordFieldsRefused(panel, *link))
        return;
    link->Send(command::Resync{});
}

void SendTimeAndDate(Panel& panel)
{
    const ProgramState& s = panel.State();
    panel.TimeCommandLink().Send(command::SetTimeAndDate{s.timeData, s.dateData});
}

void SendTimeAdjust(Panel& panel, int adjustType, int adjustDirection)
{
    panel.TimeCommandLink().Send(command::AdjustTime{adjustType, adjustDirection});
}

void ModemSyncNow(Panel& panel)
{
    if (panel.State().ClockFound)
        panel.Session().SerialClock().Send(command::ModemUpdateNow{});
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings_commands.h"

#include "app/confirm_change.h"
#include "app/message_boxes.h"
#include "app/network_config.h"
#include "app/panel.h"
#include "clock/master_record.h"

#include <QScopeGuard>
#include <QStringList>
#include <cstdlib>

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

Task<void> SendAndConfirmSettings(Panel& panel, SettingsSendInput input)
{
    const ProgramState& s = panel.State();
    const bool sending = !s.FormLoading && s.ClockFound && panel.LinkInUse();
    const ScriptSettings sent = SentSettings(panel, input.secondOffsetPosition, input.phoneText);
    // New network settings move the clock; the address-change sequence
    // follows it and tells the operator itself.
    const bool networkChange = s.NetworkSettingsChanged;
    // Over the serial link the send asks for the settings itself when the
    // clock has network settings; one request, one answer to compare.
    const ClockLink* link = panel.LinkInUse();
    const bool requested = link && link->Kind() == LinkKind::Serial && s.NetworkSettingsPresent;
    co_await SendAllSettings(panel, input);
    if (sending && !networkChange && panel.State().ClockFound && panel.LinkInUse())
        co_await ConfirmSettings(panel, sent, requested);
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
    co_await ConfirmAnswer(panel, QStringLiteral("the reset to factory defaults"));
}

void ResyncNow(Panel& panel)
{
    ClockLink* link = panel.LinkInUse();
    if (!panel.State().ClockFound || !link || PasswordFieldsRefused(panel, *link))
        return;
    if (link->Send(command::Resync{}) > 0)
        Spawn(&panel, ConfirmAnswer(panel, QStringLiteral("the resync")));
}

void SendTimeAndDate(Panel& panel)
{
    const ProgramState& s = panel.State();
    panel.TimeCommandLink().Send(command::SetTimeAndDate{s.timeData, s.dateData});
}

QString DescribeTimeDifference(const QDateTime& shown, const QDateTime& now)
{
    const qint64 seconds = now.secsTo(shown);
    qint64 left = std::abs(seconds);
    QStringList parts;
    const struct {
        qint64 size;
        const char* one;
        const char* many;
    } units[] = {{86400, "day", "days"},
                 {3600, "hour", "hours"},
                 {60, "minute", "minutes"},
                 {1, "second", "seconds"}};
    for (const auto& unit : units) {
        const qint64 count = left / unit.size;
        left %= unit.size;
        if (count > 0)
            parts << QStringLiteral("%1 %2").arg(count).arg(
                QLatin1String(count == 1 ? unit.one : unit.many));
    }
    if (parts.isEmpty())
        return QStringLiteral("the same as");
    return parts.join(u' ') +
           (seconds < 0 ? QStringLiteral(" behind") : QStringLiteral(" ahead of"));
}

Task<void> SetClockTime(Panel& panel, QDateTime shown, QDateTime now)
{
    if (std::abs(now.secsTo(shown)) > TimeSetQuestionSeconds) {
        MessageBoxes* boxes = panel.Boxes();
        if (!boxes)
            co_return;
        const QString question =
            QStringLiteral("The time to send, %1, is %2 this computer's clock. Set the clock "
                           "to it?")
                .arg(shown.toString(QStringLiteral("MM-dd-yyyy HH:mm:ss")),
                     DescribeTimeDifference(shown, now));
        const bool yes = co_await boxes->AskYesNo(QStringLiteral("Update Now"), question);
        if (!yes) {
            panel.ShowStatus(QStringLiteral("The clock's time was not changed."));
            co_return;
        }
    }
    SendTimeAndDate(panel);
    if (panel.State().ClockFound)
        co_await ConfirmTime(panel, shown);
}

void SendTimeAdjust(Panel& panel, int adjustType, int adjustDirection)
{
    const int sent = panel.TimeCommandLink().Send(command::AdjustTime{adjustType, adjustDirection});
    if (sent > 0 && panel.State().ClockFound && panel.LinkInUse())
        Spawn(&panel, ConfirmAnswer(panel, QStringLiteral("the nudge")));
}

void ModemSyncNow(Panel& panel)
{
    if (panel.State().ClockFound)
        panel.Session().SerialClock().Send(command::ModemUpdateNow{});
}

} // namespace tarvo

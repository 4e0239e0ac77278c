// SPDX-License-Identifier: GPL-3.0-or-later
// The commands behind the clock-settings buttons: each runs the clock
// operation every front end shares and tells the operator how it ended, in the
// status line and the event log.
#include "app/dst_transfer.h"
#include "app/message_boxes.h"
#include "app/panel.h"
#include "app/settings_file.h"
#include "clock/clock_model.h"
#include "clock/time_report.h"
#include "operations/change_operations.h"
#include "operations/time_operations.h"

#include <QHash>
#include <QScopeGuard>
#include <QStringList>
#include <cstdlib>

namespace tarvo
{

namespace
{

// The operator knows the settings by the window's captions, not by the
// settings file's field names the comparison speaks in.
QString FieldOf(const QString& difference)
{
    const qsizetype colon = difference.indexOf(u':');
    const QString key = colon < 0 ? difference : difference.left(colon);
    if (key.startsWith(u"relays[")) {
        const int index = key.mid(7, key.indexOf(u']') - 7).toInt();
        return QStringLiteral("Relay %1").arg(index + 1);
    }
    static const QHash<QString, QString> captions = {
        {QStringLiteral("model"), QStringLiteral("Model")},
        {QStringLiteral("timeZone"), QStringLiteral("Timezone")},
        {QStringLiteral("autoDst"), QStringLiteral("Auto DST")},
        {QStringLiteral("customDst"), QStringLiteral("Custom DST")},
        {QStringLiteral("secondOffset"), QStringLiteral("Second Offset")},
        {QStringLiteral("subSecondMs"), QStringLiteral("Millisecond Offset")},
        {QStringLiteral("risingEdge"), QStringLiteral("Sync Input Polarity")},
        {QStringLiteral("hour24"), QStringLiteral("TC 89 Hour Format")},
        {QStringLiteral("display24"), QStringLiteral("Display Format")},
        {QStringLiteral("smpteMode"), QStringLiteral("SMPTE Mode")},
        {QStringLiteral("dateFormat"), QStringLiteral("Date Format")},
        {QStringLiteral("driftWindow"), QStringLiteral("Drift Window")},
        {QStringLiteral("resync.enabled"), QStringLiteral("Resync")},
        {QStringLiteral("resync.time"), QStringLiteral("Resync")},
        {QStringLiteral("modem.phone"), QStringLiteral("Phone Number")},
        {QStringLiteral("modem.callTime"), QStringLiteral("Call Time")},
        {QStringLiteral("modem.updatesPerDay"), QStringLiteral("Updates Per Day")},
    };
    return captions.value(key, key);
}

command::DstTables TablesOf(const DstEditorState& editor)
{
    return {editor.sDates, editor.fDates, editor.spring, editor.fall, editor.StartYear};
}

} // namespace

QString SettingsConfirmation(bool answered, const QStringList& differences)
{
    if (!answered)
        return ConfirmNoAnswerText;
    if (differences.isEmpty())
        return ConfirmAllTakenText;
    QStringList fields;
    for (const QString& d : differences) {
        const QString field = FieldOf(d);
        if (!fields.contains(field))
            fields << field;
    }
    return QStringLiteral("The clock did not take: %1.").arg(fields.join(u", "));
}

QString FactoryDefaultsDetails(const ClockModel* model)
{
    // The reset restores the general settings record, the one the clock is
    // asked for afterwards; its network record and passwords are another
    // record that the reset leaves alone.
    QStringList reset = {QStringLiteral("time zone"), QStringLiteral("daylight saving"),
                         QStringLiteral("time code"), QStringLiteral("resync"),
                         QStringLiteral("relays")};
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

template <typename T> Task<T> Panel::ReadingBack(Task<T> operation)
{
    ++m_readingBack;
    const auto done = qScopeGuard([this] { --m_readingBack; });
    T result = co_await std::move(operation);
    co_return result;
}

void Panel::Tell(const QString& text, bool confirmed)
{
    ShowStatus(text);
    Q_EMIT ChangeConfirmed(text, confirmed);
}

void Panel::TellOutcome(const Outcome& outcome, const QString& what)
{
    switch (outcome.verdict) {
    case Verdict::Taken:
    case Verdict::Answered:
        Tell(QStringLiteral("The clock answered after %1.").arg(what), true);
        return;
    case Verdict::NotTaken:
        Tell(QStringLiteral("The clock did not take %1: %2.")
                 .arg(what, outcome.differences.value(0)),
             false);
        return;
    case Verdict::Refused:
        Tell(QStringLiteral("The clock refused the password; %1 was not confirmed.").arg(what),
             false);
        return;
    case Verdict::NoAnswer:
        Tell(ConfirmNoAnswerText, false);
        return;
    case Verdict::NotSent:
        return;
    }
}

int Panel::CheckPassword()
{
    const ProgramState::StoredPasswordFields& f = m_state.storedPassword;
    const PasswordCheck check = tarvo::CheckPassword(f.enabled, f.edit, f.reenter);
    if (check.result == -1 && m_boxes)
        m_boxes->Inform(check.title, check.text);
    ApplyPasswordCheck(check, m_state.NetworkData);
    return check.result;
}

bool Panel::PasswordFieldsRefused(const ClockLink& link)
{
    // The password-gated commands stop on invalid stored-password fields
    // where the link carries a password; the check has told the operator why.
    return link.CarriesPassword() && CheckPassword() == -1;
}

Task<void> Panel::SendAllSettings(SettingsSendInput input)
{
    m_state.SendingSettings = true;
    const auto done = qScopeGuard([this] { m_state.SendingSettings = false; });
    ClockLink* link = LinkInUse();
    if (!m_state.ClockFound || !link)
        co_return;
    link->Send(command::MasterSettings{m_state.clockSettings, input.phoneText,
                                       input.secondOffsetPosition, m_state.ClockSettingsCopy});
    if (link->Kind() == LinkKind::Network) {
        // The record sent is the one the next network send starts from.
        const QByteArray sent =
            ComposeMasterRecord(m_state.clockSettings, link->Model(), input.secondOffsetPosition,
                                m_state.ClockSettingsCopy);
        if (m_state.ClockSettingsCopy.size() < SerialMasterRecordLength)
            m_state.ClockSettingsCopy.resize(SerialMasterRecordLength, '\0');
        m_state.ClockSettingsCopy.replace(0, sent.size(), sent);
    }
    if (link->Kind() == LinkKind::Serial) {
        if (!m_state.NetworkSettingsPresent)
            co_return;
        m_session.SerialClock().Send(command::RequestMasterSettings{});
        if (m_state.NetworkSettingsChanged) {
            m_state.NetworkSettingsChanged = false;
            TellPagesDiffer();
            SendNetworkSettingsViaSerial();
            co_await WaitForConfiguring();
        }
        co_return;
    }
    if (m_state.NetworkSettingsChanged) {
        m_state.NetworkSettingsChanged = false;
        TellPagesDiffer();
        co_await SendNetworkSettingsViaNetwork(input.shownAddress);
    }
}

Task<void> Panel::SendSettings(SettingsSendInput input)
{
    const bool sending = m_state.ClockFound && LinkInUse();
    const ScriptSettings wanted = WorkingSettings(input.phoneText, input.secondOffsetPosition);
    // New network settings move the clock; the address-change sequence
    // follows it and tells the operator itself.
    const bool networkChange = m_state.NetworkSettingsChanged;
    // Over the serial link the send asks for the settings itself when the
    // clock has network settings; one request, one answer to compare.
    const ClockLink* link = LinkInUse();
    const bool asked = link && link->Kind() == LinkKind::Serial && m_state.NetworkSettingsPresent;
    co_await SendAllSettings(input);
    ClockLink* now = LinkInUse();
    // A change of network settings moves the clock: what went out cannot be
    // read back there, so the pages count as sent.
    if (sending && networkChange)
        MarkEdited(false);
    if (!sending || networkChange || !m_state.ClockFound || !now)
        co_return;
    const Outcome outcome = co_await ReadingBack(ConfirmSettings(m_session, *now, wanted, asked));
    Tell(SettingsConfirmation(outcome.verdict != Verdict::NoAnswer &&
                                  outcome.verdict != Verdict::NotSent,
                              outcome.differences),
         outcome.verdict == Verdict::Taken);
    if (outcome.verdict == Verdict::Taken)
        MarkEdited(false);
    TellPagesDiffer();
}

ScriptSettings Panel::WorkingSettings(const QString& phoneText, int secondOffsetPosition) const
{
    const ClockModel* model = Model();
    const QString digits = KeepDigits(phoneText);
    if (m_state.clockConnection.ConnectionType == ConnectionKind::Serial) {
        // The serial commands carry every setting from the state, the modem's
        // and the second offset's codes included, whatever the last record
        // held.
        const ScriptSettings commands =
            WorkingScriptSettings(m_state, phoneText, secondOffsetPosition);
        ScriptSettings sent = ScriptSettingsFromRecord(SettingsFullRecord(commands), model);
        sent.phone = digits;
        return sent;
    }
    // The network record: byte 15 as this model's send composes it (some keep
    // it as received), and no modem fields to compare.
    const QByteArray record = ComposeMasterRecord(m_state.clockSettings, model,
                                                  secondOffsetPosition, m_state.ClockSettingsCopy);
    ScriptSettings sent = ScriptSettingsFromRecord(record, model);
    sent.phone = digits;
    return sent;
}

Task<void> Panel::RestoreFactoryDefaults()
{
    // Without a way to ask, nothing as drastic as a reset is done.
    if (!m_boxes)
        co_return;
    const QString details = FactoryDefaultsDetails(Model());
    const bool yes =
        co_await m_boxes->AskWarning(FactoryDefaultsTitle, FactoryDefaultsQuestion, details);
    if (!yes)
        co_return;
    ClockLink* link = LinkInUse();
    if (!m_state.ClockFound || !link || PasswordFieldsRefused(*link))
        co_return;
    const DefaultsRestored restored =
        co_await ReadingBack(tarvo::RestoreFactoryDefaults(m_session, *link));
    // The pages show what the reset left, on either link.
    if (restored.record) {
        m_state.ClockSettingsCopy = *restored.record;
        DecodeSettings(*restored.record);
    }
    TellOutcome(restored.outcome, QStringLiteral("the reset to factory defaults"));
}

void Panel::Resync()
{
    ClockLink* link = LinkInUse();
    if (!m_state.ClockFound || !link || PasswordFieldsRefused(*link))
        return;
    Spawn(this, ResyncAndTell());
}

Task<void> Panel::ResyncAndTell()
{
    ClockLink* link = LinkInUse();
    const Outcome outcome =
        co_await ReadingBack(SendAndHearBack(m_session, *link, command::Resync{}));
    TellOutcome(outcome, QStringLiteral("the resync"));
}

Task<void> Panel::SetClockTime(std::optional<QDateTime> typed)
{
    const QDateTime now = QDateTime::currentDateTime();
    if (typed && std::abs(now.secsTo(*typed)) > TimeSetQuestionSeconds) {
        if (!m_boxes)
            co_return;
        const QString question =
            QStringLiteral("The time to send, %1, is %2 this computer's clock. Set the clock "
                           "to it?")
                .arg(typed->toString(QStringLiteral("MM-dd-yyyy HH:mm:ss")),
                     DescribeTimeDifference(*typed, now));
        const bool yes = co_await m_boxes->AskYesNo(QStringLiteral("Update Now"), question);
        if (!yes) {
            ShowStatus(QStringLiteral("The clock's time was not changed."));
            co_return;
        }
    }
    const TimeSet set =
        co_await ReadingBack(tarvo::SetClockTime(m_session, TimeCommandLink(), typed));
    if (set.gpsLocked) {
        ShowStatus(GpsLockedTip + u'.');
        co_return;
    }
    if (!m_state.ClockFound)
        co_return;
    switch (set.outcome.verdict) {
    case Verdict::Taken:
        Tell(QStringLiteral("The clock took the time."), true);
        break;
    case Verdict::NotTaken:
        Tell(QStringLiteral("The clock did not take the time: it reads %1.")
                 .arg(set.outcome.reading),
             false);
        break;
    default:
        TellOutcome(set.outcome, QStringLiteral("the time set"));
        break;
    }
}

void Panel::Nudge(int adjustType, int adjustDirection)
{
    Spawn(this, NudgeAndTell(adjustType, adjustDirection));
}

Task<void> Panel::NudgeAndTell(int adjustType, int adjustDirection)
{
    const Outcome outcome =
        co_await ReadingBack(NudgeClock(m_session, TimeCommandLink(), adjustType, adjustDirection));
    if (!m_state.ClockFound || !LinkInUse())
        co_return;
    if (outcome.verdict == Verdict::Taken)
        Tell(QStringLiteral("The clock took the nudge."), true);
    else if (outcome.verdict == Verdict::NotTaken)
        Tell(QStringLiteral("The clock did not take the nudge: it reads %1.").arg(outcome.reading),
             false);
    else
        TellOutcome(outcome, QStringLiteral("the nudge"));
}

void Panel::ModemUpdateNow()
{
    if (m_state.ClockFound)
        Spawn(this, ModemUpdateAndTell());
}

Task<void> Panel::ModemUpdateAndTell()
{
    const Outcome outcome = co_await ReadingBack(
        SendAndHearBack(m_session, m_session.SerialClock(), command::ModemUpdateNow{}));
    TellOutcome(outcome, QStringLiteral("the modem call"));
}

bool Panel::SendDstDates(const DstEditorState& editor)
{
    if (!m_state.ClockFound || !LinkInUse())
        return false;
    // The operation sends before its first wait, so whether the tables went
    // out is known when it has started; only then are they the clock's.
    bool sent = false;
    const QMetaObject::Connection watching =
        connect(&m_session, &ClockSession::CommandSent, this, [&sent](const ClockCommand& c) {
            sent = sent || std::holds_alternative<command::DstTables>(c);
        });
    Spawn(this, SendDstAndTell(editor));
    disconnect(watching);
    if (sent)
        AdoptDstDates(m_state, editor);
    return sent;
}

Task<void> Panel::SendDstAndTell(DstEditorState editor)
{
    ClockLink* link = LinkInUse();
    const Outcome outcome = co_await ReadingBack(SendDstTables(m_session, *link, TablesOf(editor)));
    if (outcome.verdict == Verdict::NotSent)
        co_return;
    if (outcome.verdict == Verdict::NotTaken)
        Tell(QStringLiteral("The clock did not take the DST dates: %1.")
                 .arg(outcome.differences.value(0)),
             false);
    else if (outcome.verdict == Verdict::Taken)
        Tell(QStringLiteral("The clock took the DST dates."), true);
    else
        TellOutcome(outcome, QStringLiteral("the DST dates"));
}

} // namespace tarvo

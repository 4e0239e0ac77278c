// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/confirm_change.h"

#include "app/panel.h"
#include "app/settings_file.h"
#include "clock/master_record.h"
#include "clock/time_report.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QScopeGuard>
#include <memory>
#include <optional>

namespace tarvo
{

namespace
{
// A reported whole second against the moment expected: within this the time
// was taken (a report is late by up to its own length and the second's rest).
constexpr qint64 kTimeToleranceMs = 1500;

// Asks the clock in use for its master record (unless the request is already
// out) and waits for it.
Task<std::optional<QByteArray>> ReadMasterRecord(Panel& panel, bool ask)
{
    ClockLink* link = panel.LinkInUse();
    if (!link)
        co_return std::nullopt;
    const LinkKind kind = link->Kind();
    auto received = std::make_shared<std::optional<QByteArray>>();
    ClockSession& session = panel.Session();
    const QMetaObject::Connection connection =
        QObject::connect(&session, &ClockSession::MasterRecordReceived, &panel,
                         [received, kind](const MasterRecord& record, const RecordSource& source) {
                             if (source.link == kind && !received->has_value())
                                 *received = record.record;
                         });
    const auto disconnect = qScopeGuard([connection] { QObject::disconnect(connection); });
    if (ask && link->Send(command::RequestMasterSettings{}) <= 0)
        co_return std::nullopt;
    const auto arrived = [received] { return received->has_value(); };
    co_await WaitFor(&session, &ClockSession::MasterRecordReceived, arrived, ConfirmAnswerMs);
    co_return *received;
}

void Tell(Panel& panel, const QString& text, bool confirmed)
{
    panel.ShowStatus(text);
    Q_EMIT panel.ChangeConfirmed(text, confirmed);
}

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

ScriptSettings SentSettings(Panel& panel, int secondOffsetPosition, const QString& phone)
{
    const ProgramState& s = panel.State();
    const int clockType = s.clockConnection.ClockType;
    const QString digits = KeepDigits(phone);
    const ClockLink* link = panel.LinkInUse();
    if (link && link->Kind() == LinkKind::Serial) {
        // The serial commands carry every setting from the state, the modem's
        // and the second offset's codes included, whatever the last record
        // held.
        const ScriptSettings commands = WorkingScriptSettings(s, phone, secondOffsetPosition);
        ScriptSettings sent = ScriptSettingsFromRecord(SettingsFullRecord(commands), clockType);
        sent.phone = digits;
        return sent;
    }
    // The network record: byte 15 as this model's send composes it (some keep
    // it as received), and no modem fields to compare.
    QByteArray record =
        ComposeMasterRecord(s.clockSettings, clockType, secondOffsetPosition, s.ClockSettingsCopy);
    ScriptSettings sent = ScriptSettingsFromRecord(record, clockType);
    sent.phone = digits;
    return sent;
}

Task<void> ConfirmSettings(Panel& panel, ScriptSettings wanted, bool requested)
{
    const std::optional<QByteArray> record = co_await ReadMasterRecord(panel, !requested);
    if (!record) {
        Tell(panel, ConfirmNoAnswerText, false);
        co_return;
    }
    ScriptSettings actual = ScriptSettingsFromRecord(*record, wanted.clockType);
    // Only the serial record carries the modem's number; a network record
    // cannot show it, so it is not counted against the clock.
    if (record->size() < SerialMasterRecordLength)
        actual.phone = wanted.phone;
    const QStringList differences = SettingsDifferences(wanted, actual);
    Tell(panel, SettingsConfirmation(true, differences), differences.isEmpty());
}

Task<void> ConfirmTime(Panel& panel, QDateTime target)
{
    ClockLink* link = panel.LinkInUse();
    if (link && link->Kind() == LinkKind::Network) {
        co_await ConfirmAnswer(panel, QStringLiteral("the time set"));
        co_return;
    }
    // The serial clock reports its time every second: the next reports must
    // read the time sent, moved on by the time since.
    QDeadlineTimer sent;
    sent = QDeadlineTimer(ConfirmAnswerMs);
    const qint64 sentAtMs = QDeadlineTimer::current().deadline();
    std::optional<qint64> lastOffMs;
    bool matched = false;
    auto seen = std::make_shared<int>(0);
    const QMetaObject::Connection counting =
        QObject::connect(&panel, &Panel::TimeReportShown, &panel, [seen](bool) { ++*seen; });
    const auto stopCounting = qScopeGuard([counting] { QObject::disconnect(counting); });
    while (!matched && !sent.hasExpired()) {
        const int before = *seen;
        const auto another = [seen, before] { return *seen > before; };
        const bool arrived = co_await WaitFor(&panel, &Panel::TimeReportShown, another,
                                              int(qMax<qint64>(1, sent.remainingTime())));
        if (!arrived)
            break;
        const ProgramState& s = panel.State();
        const QDateTime shown = ClockSettingFor(s.ClockTimeText, s.ClockDateText);
        if (!shown.isValid())
            continue;
        const qint64 expected =
            target.toMSecsSinceEpoch() + (QDeadlineTimer::current().deadline() - sentAtMs);
        lastOffMs = shown.toMSecsSinceEpoch() - expected;
        matched = qAbs(*lastOffMs) <= kTimeToleranceMs;
    }
    if (matched)
        Tell(panel, QStringLiteral("The clock took the time."), true);
    else if (lastOffMs)
        Tell(panel,
             QStringLiteral("The clock did not take the time: it reads %1 %2.")
                 .arg(panel.State().ClockTimeText, panel.State().ClockDateText),
             false);
    else
        Tell(panel, ConfirmNoAnswerText, false);
}

Task<void> ConfirmAnswer(Panel& panel, QString what)
{
    const std::optional<QByteArray> record = co_await ReadMasterRecord(panel, true);
    if (!record)
        Tell(panel, ConfirmNoAnswerText, false);
    else
        Tell(panel, QStringLiteral("The clock answered after %1.").arg(what), true);
}

} // namespace tarvo

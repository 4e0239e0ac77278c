// SPDX-License-Identifier: GPL-3.0-or-later
// check settings GOLDEN: the clock's settings against a settings file kept as
// the plant's reference. Only reads; nothing that changes the clock is sent.
#include "cli/cli.h"
#include "clock/clock_model.h"
#include "clock/json_text.h"
#include "clock/settings_json.h"
#include "session/json_file.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>

namespace tarvo
{

QList<SettingsMismatch> CompareWithGolden(const QJsonObject& clock, const QJsonObject& golden)
{
    // Leaves are matched by their path: a relay that is on has a time the
    // same relay switched off does not, so positions would pair wrong fields.
    QMap<QString, QJsonValue> clockValues;
    for (const JsonLeaf& leaf : JsonLeaves(clock))
        clockValues.insert(leaf.path, leaf.value);
    QList<SettingsMismatch> mismatches;
    for (const JsonLeaf& leaf : JsonLeaves(golden)) {
        const QJsonValue have = clockValues.value(leaf.path, QJsonValue(QJsonValue::Undefined));
        if (have != leaf.value)
            mismatches.append({leaf.path, have, leaf.value});
    }
    return mismatches;
}

Task<int> RunCheck(CliContext& c)
{
    if (c.arguments.size() != 2 || c.arguments[0] != u"settings") {
        c.err << "check needs: settings GOLDEN.json.\n";
        co_return ExitCode::BadArguments;
    }
    const QString goldenPath = c.arguments[1];
    // The golden file is read before the clock is reached: a broken file
    // leaves the clock alone.
    const JsonFileRead read = ReadJsonObjectFile(goldenPath);
    if (!read.ok()) {
        c.err << EscapeControls(read.error) << '\n';
        co_return ExitCode::BadArguments;
    }
    ClockClient client;
    int status = co_await ConnectClock(c, client);
    if (status != ExitCode::Done)
        co_return status;
    const Answer<MasterRecord> answer =
        co_await client.Ask<MasterRecord>(command::RequestMasterSettings{});
    status = ReportReply(c, answer.reply, QStringLiteral("its settings"));
    if (status != ExitCode::Done)
        co_return status;
    const QByteArray& record = answer.record->record;

    const int model = client.Model()->number;
    const QJsonValue goldenModel = read.object.value(u"model");
    if (!goldenModel.isUndefined() && goldenModel.toInt(-1) != model) {
        c.err << EscapeControls(goldenPath) << " is for model "
              << EscapeControls(JsonValueText(goldenModel)) << "; the clock is model " << model
              << ": not compared.\n";
        if (c.json)
            PrintData(c, QJsonObject{{QStringLiteral("matches"), false},
                                     {QStringLiteral("model"), model},
                                     {QStringLiteral("goldenModel"), goldenModel}});
        co_return ExitCode::ReadBackDiffers;
    }
    // The golden file is read as "set settings" reads its file, on top of the
    // clock's own settings: a field it leaves out takes the clock's value and
    // so never differs.
    const ScriptSettings current = ScriptSettingsFromRecord(record, client.Model());
    const SettingsParse golden = SettingsFromJson(read.object, current);
    if (!golden.errors.isEmpty()) {
        for (const QString& e : golden.errors)
            c.err << "error: " << EscapeControls(goldenPath) << ": " << EscapeControls(e) << '\n';
        co_return ExitCode::BadArguments;
    }
    const QList<SettingsMismatch> mismatches =
        CompareWithGolden(SettingsToJson(current), SettingsToJson(golden.value));
    if (c.json) {
        QJsonArray differences;
        for (const SettingsMismatch& m : mismatches)
            differences.append(QJsonObject{{QStringLiteral("field"), m.field},
                                           {QStringLiteral("clock"), m.clock},
                                           {QStringLiteral("golden"), m.golden}});
        PrintData(c, QJsonObject{{QStringLiteral("matches"), mismatches.isEmpty()},
                                 {QStringLiteral("model"), model},
                                 {QStringLiteral("differences"), differences}});
    } else if (mismatches.isEmpty()) {
        c.out << "The clock's settings match " << EscapeControls(goldenPath) << ".\n";
    } else {
        c.out << mismatches.size() << " setting" << (mismatches.size() == 1 ? "" : "s")
              << " differ from " << EscapeControls(goldenPath) << ":\n";
        for (const SettingsMismatch& m : mismatches)
            c.out << "  " << m.field << ": the clock has " << EscapeControls(JsonValueText(m.clock))
                  << ", golden " << EscapeControls(JsonValueText(m.golden)) << '\n';
    }
    co_return mismatches.isEmpty() ? ExitCode::Done : ExitCode::ReadBackDiffers;
}

} // namespace tarvo

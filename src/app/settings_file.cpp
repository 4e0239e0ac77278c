// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings_file.h"

#include "app/message_boxes.h"
#include "app/panel.h"
#include "clock/json_text.h"
#include "clock/master_record.h"
#include "session/json_file.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <algorithm>

namespace tarvo
{

ScriptSettings WorkingScriptSettings(const ProgramState& state, const QString& phoneText,
                                     int secondOffsetPosition)
{
    ScriptSettings out;
    out.model = FindModel(state.clockConnection.ClockType);
    out.settings = state.clockSettings;
    out.phone = KeepDigits(phoneText);
    // The 226 keeps the list's position in its record, and a send takes the
    // selected position over the working value, as the record composer does.
    const bool selected =
        secondOffsetPosition >= 0 && secondOffsetPosition < SecondOffsetEntries(out.model).size();
    if (out.model && out.model->byte15 == RecordByte15::SecondOffsetPosition && selected)
        out.settings.SecondOffsetCode = static_cast<quint8>(secondOffsetPosition);
    return out;
}

QByteArray SettingsFileText(const ScriptSettings& settings)
{
    return QJsonDocument(SettingsToJson(settings)).toJson(QJsonDocument::Indented);
}

Task<void> SaveSettingsFile(Panel& panel, QString path, ScriptSettings settings)
{
    MessageBoxes* boxes = panel.Boxes();
    const QString shown = EscapeControls(path);
    if (QFileInfo::exists(path)) {
        // Without a way to ask, a file is not replaced.
        if (!boxes)
            co_return;
        const QString question = QStringLiteral("%1 already exists. Replace it?").arg(shown);
        const bool replace = co_await boxes->AskYesNo(SaveSettingsTitle, question);
        if (!replace)
            co_return;
    }
    // Written beside the old file and renamed over it only when complete: a
    // full disk never leaves half a file where a good one was.
    QSaveFile file(path);
    const QByteArray text = SettingsFileText(settings);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
    if (!written && boxes)
        boxes->Critical(SaveSettingsTitle, QStringLiteral("The settings could not be saved to "
                                                          "%1: %2")
                                               .arg(shown, file.errorString()));
    if (written)
        panel.ShowStatus(QStringLiteral("Saved the clock settings to %1.").arg(shown));
}

std::optional<ScriptSettings> LoadSettingsFile(Panel& panel, const QString& path,
                                               const ScriptSettings& current)
{
    const JsonFileRead read = ReadJsonObjectFile(path);
    QStringList problems;
    SettingsParse parsed;
    if (read.ok()) {
        parsed = SettingsFromJson(read.object, current);
        for (const QString& error : parsed.errors)
            problems << EscapeControls(error);
        // A file for another model explains the rest, so it is named first.
        std::stable_partition(problems.begin(), problems.end(), [](const QString& problem) {
            return problem.startsWith(QLatin1String("model:"));
        });
    } else {
        problems << read.error;
    }
    if (problems.isEmpty())
        return parsed.value;
    if (MessageBoxes* boxes = panel.Boxes())
        boxes->Warn(LoadSettingsTitle,
                    QStringLiteral("%1 was not loaded; the settings shown are unchanged.")
                        .arg(EscapeControls(QFileInfo(path).fileName())),
                    problems.join(u'\n'));
    return std::nullopt;
}

} // namespace tarvo

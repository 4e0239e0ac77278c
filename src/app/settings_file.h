// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Clock settings to and from a file, from the File menu. The file is the JSON
// object `tarvo-clock get settings --json` prints and `tarvo-clock set
// settings` reads, through the same codec. A file is checked whole before
// anything changes; loading only fills the controls, and nothing reaches the
// clock until the operator sends as usual.

#include "clock/settings_json.h"
#include "session/task.h"

#include <QString>
#include <optional>

namespace tarvo
{

class Panel;
struct ProgramState;

// What the send button would send now: the working settings, the phone number
// as typed and the second offset as its list shows it.
ScriptSettings WorkingScriptSettings(const ProgramState& state, const QString& phoneText,
                                     int secondOffsetPosition);

// The file's bytes, exactly as tarvo-clock prints the same settings.
QByteArray SettingsFileText(const ScriptSettings& settings);

// Writes `settings` to `path` whole or not at all, asking first before it
// replaces a file. A file that cannot be written is named with the reason.
Task<void> SaveSettingsFile(Panel& panel, QString path, ScriptSettings settings);

// Reads `path` over `current` (a file may leave fields out). A file that is
// not JSON, is for another model or has a bad field is refused with one box
// naming every problem; nullopt then, and nothing is to change.
std::optional<ScriptSettings> LoadSettingsFile(Panel& panel, const QString& path,
                                               const ScriptSettings& current);

inline const QString SaveSettingsTitle = QStringLiteral("Save Clock Settings");
inline const QString LoadSettingsTitle = QStringLiteral("Load Clock Settings");

} // namespace tarvo

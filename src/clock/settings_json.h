// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock/clock_model.h"

// The clock's general settings as scripts and settings files hold them: a JSON
// object with readable values (hours from UTC, list captions, "HH:MM:SS" times)
// that maps one to one onto the master record. tarvo-clock and the window's
// File menu read and write the same files through it. Pure: no I/O.

#include "clock/settings_records.h"

#include <QByteArrayView>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace tarvo
{

// Decodes a master record (41 bytes serial, 16 network) of `model`.
ScriptSettings ScriptSettingsFromRecord(QByteArrayView record, const ClockModel* model);

QJsonObject SettingsToJson(const ScriptSettings& settings);
// The names of SettingsToJson's fields in the order the settings record holds
// them (then the fields within resync, the relays and the modem), for text
// that lists them as the clock does rather than by name.
const QStringList& SettingsFieldOrder();

// Reads `json` over `current`: fields the object leaves out keep the current
// value. Every problem is reported as "field: reason"; the result is only to be
// used when `errors` is empty.
struct SettingsParse {
    ScriptSettings value;
    QStringList errors;
};
SettingsParse SettingsFromJson(const QJsonObject& json, const ScriptSettings& current);

// "field: wanted X, the clock has Y" for every field where they differ.
QStringList SettingsDifferences(const ScriptSettings& wanted, const ScriptSettings& actual);

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock/clock_model.h"

// The clock's general settings as scripts and settings files hold them: a JSON
// object with readable values (hours from UTC, list captions, "HH:MM:SS" times)
// that maps one to one onto the master record. tarvo-clock and the window's
// File menu read and write the same files through it. Pure: no I/O.

#include "clock/master_settings.h"
#include "clock/serial_command.h"

#include <QByteArrayView>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace tarvo
{

// The settings of one clock: the record's fields as the clock holds them (the
// second offset in the record's own form), the model they belong to and, for
// the modem model, the telephone number's digits.
struct ScriptSettings {
    const ClockModel* model = FindModel(1);
    ClockSettings settings;
    QString phone;

    bool operator==(const ScriptSettings&) const = default;
};

// Decodes a master record (41 bytes serial, 16 network) of `model`.
ScriptSettings ScriptSettingsFromRecord(QByteArrayView record, const ClockModel* model);

// The whole 41-byte record a clock of the settings' model would send for them,
// modem fields included; ScriptSettingsFromRecord reads it back to the same
// JSON. The window fills its controls from it as from a received record.
QByteArray SettingsFullRecord(const ScriptSettings& settings);

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

// Second offset in seconds as the model's list shows it, from the record's
// field; nullopt when the model has no such setting or the field is outside it.
std::optional<int> SecondOffsetSeconds(const ClockModel* model, int recordField);
// The record's field for `seconds`, and the code the serial command carries.
std::optional<int> SecondOffsetRecordField(const ClockModel* model, int seconds);
std::optional<int> SecondOffsetSerialCode(const ClockModel* model, int seconds);

// What the serial link needs to carry `wanted` when the clock holds `current`:
// only the commands whose payload differs. Both lists follow the clock's order.
QList<SerialCommand> ChangedSerialCommands(const ScriptSettings& wanted,
                                           const ScriptSettings& current);
// Every serial command of the settings, as the window's send button sends them.
QList<SerialCommand> SettingsSerialCommands(const ScriptSettings& settings);
// Record bytes 0-15 for the network; `received` supplies what the record keeps
// as it was (byte 15 of models without their own composition).
QByteArray SettingsNetworkRecord(const ScriptSettings& settings, QByteArrayView received);

} // namespace tarvo

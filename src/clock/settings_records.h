// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A clock's general settings as one value, and what carries them to a clock:
// the serial commands (all of them, or only those that changed), the network
// record, and the whole record a clock would send for them. Pure: no I/O.

#include "clock/clock_model.h"
#include "clock/master_settings.h"
#include "clock/serial_command.h"

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace tarvo
{

// The settings of one clock: the record's fields as the clock holds them (the
// second offset in the record's own form), the model they belong to and, for
// the modem model, the telephone number's digits.
// What a model's settings hold besides the common ones.
inline bool HasSecondOffset(const ClockModel* model)
{
    return model && model->secondOffsetRange > 0;
}
inline bool HasModem(const ClockModel* model)
{
    return model && model->modem;
}
// The 226 keeps the second offset's list position in its record; the others
// the code.
inline bool RecordKeepsPosition(const ClockModel* model)
{
    return model && model->byte15 == RecordByte15::SecondOffsetPosition;
}

struct ScriptSettings {
    const ClockModel* model = FindModel(1);
    ClockSettings settings;
    QString phone;

    bool operator==(const ScriptSettings&) const = default;
};

// The whole 41-byte record a clock of the settings' model would send for them,
// modem fields included; ScriptSettingsFromRecord reads it back to the same
// JSON. The window fills its controls from it as from a received record.
QByteArray SettingsFullRecord(const ScriptSettings& settings);

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

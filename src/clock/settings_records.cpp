// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/settings_records.h"

#include "clock/master_record.h"

#include <algorithm>

namespace tarvo
{

std::optional<int> SecondOffsetSeconds(const ClockModel* model, int recordField)
{
    const auto position = SecondOffsetPositionForCode(model, recordField);
    if (!position)
        return std::nullopt;
    return SecondOffsetEntries(model).at(*position).caption.toInt();
}

std::optional<int> SecondOffsetRecordField(const ClockModel* model, int seconds)
{
    const QList<ListEntry> entries = SecondOffsetEntries(model);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].caption.toInt() == seconds)
            return RecordKeepsPosition(model) ? static_cast<int>(i) : entries[i].data;
    }
    return std::nullopt;
}

std::optional<int> SecondOffsetSerialCode(const ClockModel* model, int seconds)
{
    for (const ListEntry& entry : SecondOffsetEntries(model)) {
        if (entry.caption.toInt() == seconds)
            return entry.data;
    }
    return std::nullopt;
}

QByteArray SettingsFullRecord(const ScriptSettings& in)
{
    const ClockSettings& s = in.settings;
    QByteArray record = ComposeMasterRecord(s, in.model, -1, {});
    // Byte 15 as every model's record is read, the 222's too (its network send
    // leaves the byte as received, so the composer has nothing to give).
    int byte15 = ((4 * s.SecondOffsetCode) & 124) | (s.DSTCustom & 1) | 2 * (s.DisplayFormat24 & 1);
    if (in.model && in.model->inputPolarity)
        byte15 = (byte15 & ~4) | 4 * (s.RisingEdge & 1);
    record[15] = static_cast<char>(byte15);
    // A relay that is off may keep any bytes in the settings; the record says
    // "off" as the serial command does, with times no hour has.
    for (int k = 0; k < RelayEventCount; ++k) {
        if (s.RelayTable[k].Enabled == 0) {
            record[7 + 2 * k] = 63;
            record[8 + 2 * k] = 63;
        }
    }
    record.resize(SerialMasterRecordLength, '\0');
    if (HasModem(in.model)) {
        const QString digits = KeepDigits(in.phone).left(PhoneDigitCount);
        for (int i = 0; i < PhoneDigitCount; ++i)
            record[18 + i] =
                static_cast<char>(i < digits.size() ? digits[i].unicode() - u'0' : 0x0F);
        record[38] = static_cast<char>(s.CallTime.Minute);
        record[39] = static_cast<char>(s.CallTime.Hour);
        record[40] = static_cast<char>(s.UpdatesPerDay);
    }
    return record;
}

QList<SerialCommand> SettingsSerialCommands(const ScriptSettings& in)
{
    ClockSettings s = in.settings;
    // The serial command carries the second offset as the clock's table code,
    // which on the 226 is not what its record holds.
    if (HasSecondOffset(in.model)) {
        if (const auto seconds = SecondOffsetSeconds(in.model, s.SecondOffsetCode)) {
            if (const auto code = SecondOffsetSerialCode(in.model, *seconds))
                s.SecondOffsetCode = static_cast<quint8>(*code);
        }
    }
    return MasterSettingsSerialFrames(s, in.model, in.phone);
}

QList<SerialCommand> ChangedSerialCommands(const ScriptSettings& wanted,
                                           const ScriptSettings& current)
{
    const QList<SerialCommand> before = SettingsSerialCommands(current);
    QList<SerialCommand> changed;
    for (const SerialCommand& command : SettingsSerialCommands(wanted)) {
        const auto same = std::find_if(before.begin(), before.end(), [&](const SerialCommand& c) {
            return c.command == command.command;
        });
        if (same == before.end() || same->payload != command.payload)
            changed.append(command);
    }
    return changed;
}

QByteArray SettingsNetworkRecord(const ScriptSettings& in, QByteArrayView received)
{
    const int position = RecordKeepsPosition(in.model) ? in.settings.SecondOffsetCode : -1;
    return ComposeMasterRecord(in.settings, in.model, position, received);
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace tarvo
{

// What each Network Settings control writes into `NetworkData` when the operator
// changes it. Every rule edits the record in place (a record shorter than 128
// bytes is first padded with zeros) and returns what the window has to show.
// Marking the settings as changed stays with the window, which knows whether it
// is filling its controls from a received record.

// The address fields of the record that an address entry edits.
enum class AddressField {
    ClockAddress,
    Gateway,
    Server1,
    Dns,
    Server2,
    Broadcast1,
    Broadcast2,
    Broadcast3,
};

// Field position 1 to 4 of the entry lands at record offset base + position.
int AddressFieldBase(AddressField entry);

// Writes one octet field. Returns false, writing nothing, for a position outside
// 1..4 or a value outside 0..255.
bool ApplyAddressFieldChange(QByteArray& record, AddressField entry, int position, int value);

// The 16-bit fields of the record that a number box edits.
enum class NumberField {
    ServerPort,
    Server1Port,
    Server2Port,
    MinutesBetweenUpdates,
    BroadcastInterval,
};

// Offset of the low byte; the high byte follows it.
int NumberFieldOffset(NumberField field);

struct NumberFieldEdit {
    bool written = false; // the record now holds `value`
    bool refused = false; // out of range: nothing written, the box needs a visible cue
    int value = 0;        // the value written, 0..65535
    // The box's text must become this (the broadcast interval above 65535 -> "0").
    std::optional<QString> replacementText;
    // The broadcast interval only: "minute" or "minutes", the unit shown beside it.
    QString unitLabel;
};

// A number box's text changed. Its value follows the program's numeric-value
// rule (NumericValue, rounded half to even). Whole values 0 to 65535 are written unsigned,
// low byte first. A negative value, or one above 65535, is refused rather than
// wrapped into a different port or interval; the broadcast interval instead
// resets its text to "0" above 65535 and writes 0.
NumberFieldEdit ApplyNumberFieldChange(QByteArray& record, NumberField field, const QString& text);

// A click in the subnet mask list: offset 6 = index + 1. Returns false, writing
// nothing, for an index outside the list (-1 is "nothing selected").
bool ApplyNetmaskSelection(QByteArray& record, int index);

// A click of the configuration lock box: offset 87 = 1 checked, 0 unchecked.
void ApplyDisableNetworkConfig(QByteArray& record, bool checked);

// A click of broadcast enable box k (1 to 3). `checked` holds the state of all
// three boxes after the click; `shownOctets` the four fields address entry k
// shows. Unchecked: the address bytes become 0.0.0.0 (the entry keeps its text);
// checked: the shown octets are copied in. Offset 90 = 1 when any box is checked.
// Returns whether address entry k is to be enabled; false, writing nothing, for
// a k outside 1..3.
bool ApplyBroadcastEnable(QByteArray& record, int k, const std::array<bool, 3>& checked,
                          const std::array<quint8, 4>& shownOctets);

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The four clock models, one row each. Everything that differs between models
// is read from here; adding a model is one row (and the codecs of whatever
// new record it has).

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>
#include <span>

namespace tarvo
{

// A list entry whose value is its item data rather than its position.
struct ListEntry {
    QString caption;
    int data = 0;
    bool operator==(const ListEntry&) const = default;
};

// Bytes 22 to 27 and 88 to 89 of the network settings mean different things
// for the two groups of models with a network option.
enum class NetworkModelGroup {
    None,      // no network option, or an unknown model: only the common fields apply
    Servers,   // two time servers with ports and an update interval
    Broadcast, // three broadcast addresses and a broadcast interval
};

// What byte 15 of the network master record carries besides the DST mode and
// the display format.
enum class RecordByte15 {
    SecondOffsetPosition, // the position in the second-offset list
    SecondOffsetCode,     // the second-offset code
    InputPolarity,        // the sync input's rising edge in bit 2
    LeftAsReceived,       // not composed: the byte last received goes back
};

struct ClockModel {
    int code;            // the model code the program keeps (ClockType)
    int number;          // the model's name: 226, 229, 207, 222
    const char* trailer; // the last 8 bytes of every serial frame to this model
    int identifier;      // byte 91 of its network settings; 0 when it names none
    NetworkModelGroup networkGroup;
    bool gpsLockRule;        // its time cannot be set while it is locked to GPS
    bool modem;              // phone number, call time and updates per day
    bool nudges;             // the hour and 5-millisecond nudges are offered
    bool inputPolarity;      // a sync input polarity instead of second offsets
    bool timeZoneOnlyForNtp; // its time zone serves only its NTP option
    RecordByte15 byte15;
    const char* helpPage; // the help page's file name
    // The second-offset list: captions -range..range, and the code of each.
    int secondOffsetRange; // 0 when the model has no such list
    int (*secondOffsetCode)(int seconds);
};

// The models in the order a search tries them.
std::span<const ClockModel> AllModels();
// The row of a model code, or nullptr for a code no model has.
const ClockModel* FindModel(int code);
// The row of a code, or the 226's for any code no model has: the trailer and
// the help page of an unknown model are the 226's.
const ClockModel& ModelOrFallback(int code);
const ClockModel* ModelByNumber(int number);
// The model a network settings record names at byte 91; nullptr when none.
const ClockModel* ModelByIdentifier(int identifier);

// Model code for a model number (226 -> 1 ...), 0 for no model.
int ModelCodeForNumber(int number);
// Model number for a code (1 -> 226 ...), 0 for no model.
int ModelNumberFor(int code);

// The whole outgoing frame to a clock of `model`: its payload, the command
// byte and the model's trailer.
QByteArray BuildSerialFrame(quint8 command, QByteArrayView payload, const ClockModel& model);

// The clock's view of an outgoing frame: the command byte, the payload before
// it and the model code whose trailer ends it (0 when the trailer is none of
// the models').
struct OutgoingFrame {
    quint8 command = 0;
    QByteArray payload;
    int clockType = 0;
};
// Splits a complete outgoing frame; nullopt when it is shorter than 9 bytes or
// does not end in a model's trailer.
// Used by the simulated clock and by tests.
std::optional<OutgoingFrame> ParseOutgoingFrame(QByteArrayView frame);

// The second-offset list of a model: empty for a model without one or none.
QList<ListEntry> SecondOffsetEntries(const ClockModel* model);

} // namespace tarvo

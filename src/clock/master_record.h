// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock/master_settings.h"
#include "clock/serial_command.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QTime>
#include <array>
#include <optional>

namespace tarvo
{

// The master record: 41 bytes over the serial link, its first 16 over the network.
inline constexpr int SerialMasterRecordLength = 41;
inline constexpr int NetworkMasterRecordLength = 16;
inline constexpr int PhoneDigitCount = 20;

// How a relay event is shown: its switch and its picker (00:mm:ss, or 00:00:00
// when off).
struct RelayView {
    bool enabled = false;
    QTime time{0, 0, 0};
    bool operator==(const RelayView&) const = default;
};

// What the controls show after a record was decoded. An empty optional leaves its
// control as it is: the record ended before that field, or the control has no
// entry for the value (the working settings keep the value all the same, so the
// next send returns it). A list position of -1 selects nothing.
struct MasterSettingsView {
    std::optional<int> timeZonePosition;
    std::optional<bool> autoDST;
    std::optional<bool> dstCustom;
    std::optional<int> secondOffsetPosition;
    std::optional<int> subSecondPosition;
    std::optional<bool> hourMode24;
    std::optional<bool> displayFormat24;
    std::optional<int> smpteModePosition;
    std::optional<int> dateFormatPosition;
    std::optional<QTime> resyncTime;
    std::optional<int> driftWindowPosition;
    std::optional<bool> resyncEnable;
    std::optional<bool> risingEdge;
    std::array<RelayView, RelayEventCount> relays{};
    // Modem model only: the phone field is emptied and refilled even from a
    // record too short to hold a number.
    std::optional<QString> phoneText;
    std::optional<QTime> callTime;
    std::optional<int> updatesPerDayPosition;
};

struct MasterDecodeResult {
    ClockSettings settings;
    MasterSettingsView view;
};

// Decodes a master record of any length over `previous`: each field is taken
// only when its bytes lie inside the record, so a short record leaves the rest
// of the working settings as they were.
MasterDecodeResult DecodeMasterRecord(QByteArrayView record, const ClockModel* model,
                                      const ClockSettings& previous);

// The digits "0".."9" of a typed phone number, in order; everything else dropped.
QString KeepDigits(const QString& text);
// The 20-byte payload of the phone number frame: digit values, then 255s.
// nullopt when the text holds no digit or more than 20.
std::optional<QByteArray> PhoneNumberPayload(const QString& text);

// The frames that send every setting over the serial link, in the clock's order.
QList<SerialCommand> MasterSettingsSerialFrames(const ClockSettings& settings,
                                                const ClockModel* model, const QString& phoneText);

// Composes record bytes 0-15 for the network. `previousCopy` supplies byte 15
// for models without a composition of their own (4 and unknown ones).
// Model 1 sends the position selected in its second-offset list; when nothing is
// selected (-1 or a position outside the list) it sends SecondOffsetCode as the
// field instead, which is the value last received from the clock, so the clock
// gets its own offset back rather than an undefined one.
QByteArray ComposeMasterRecord(const ClockSettings& settings, const ClockModel* model,
                               int secondOffsetPosition, QByteArrayView previousCopy);

// Code 8 with the first 16 bytes of `record` as payload.
QByteArray MasterSettingsDatagram(QByteArrayView password4, QByteArrayView record);

// Factory defaults and resync.
QList<SerialCommand> FactoryDefaultsSerialCommands();               // 19, then the request 1
SerialCommand RequestSettingsSerialCommand();                       // 1
SerialCommand ResyncSerialCommand();                                // 2
QByteArray FactoryDefaultsDatagram(QByteArrayView password4);       // code 10
QByteArray RequestMasterSettingsDatagram(QByteArrayView password4); // code 3
QByteArray ResyncDatagram(QByteArrayView password4);                // code 11

} // namespace tarvo

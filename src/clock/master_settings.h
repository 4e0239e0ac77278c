// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock/clock_model.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QtGlobal>
#include <array>
#include <optional>

namespace tarvo
{

struct ClockModel;

// The working copy of the clock's general settings. Every field is the unsigned
// byte the clock uses; edits write here at once and a send transmits all of it.
struct ResyncTimeOfDay {
    quint8 Hour = 0;
    quint8 Minute = 0;
    quint8 Second = 0;
    bool operator==(const ResyncTimeOfDay&) const = default;
};

// A relay event that is switched off holds 255 (or the out-of-range values the
// clock sent) in Minutes and Seconds and 0 in Enabled.
struct RelayEvent {
    quint8 Minutes = 0;
    quint8 Seconds = 0;
    quint8 Enabled = 0;
    bool operator==(const RelayEvent&) const = default;
};

struct ModemCallTime {
    quint8 Hour = 0;
    quint8 Minute = 0;
    bool operator==(const ModemCallTime&) const = default;
};

inline constexpr int RelayEventCount = 4;

struct ClockSettings {
    quint8 TimeZoneCode = 0;
    quint8 AutoDST = 0;
    quint8 DSTCustom = 0;
    quint8 SecondOffsetCode = 0;
    quint8 SubSecondCode = 0;
    quint8 HourMode24 = 0;
    quint8 DisplayFormat24 = 0;
    quint8 RisingEdge = 0;
    quint8 ResyncEnable = 0;
    ResyncTimeOfDay ResyncTime;
    quint8 DriftWindow = 0;
    quint8 DateFormat = 0;
    quint8 SMPTEMode = 0;
    std::array<RelayEvent, RelayEventCount> RelayTable{};
    ModemCallTime CallTime;
    quint8 UpdatesPerDay = 0;

    bool operator==(const ClockSettings&) const = default;
};

// Lists whose value is the item data of the selected entry.
const QList<ListEntry>& TimeZoneEntries();  // 49 entries, -12 to +12 by half hours
const QList<ListEntry>& SubSecondEntries(); // "490" .. "-490", data 1 .. 99

// Lists whose value is the position of the selected entry.
const QStringList& SMPTEModeCaptions();
const QStringList& DateFormatCaptions();
const QStringList& DriftWindowCaptions();
const QStringList& UpdatesPerDayCaptions();

inline constexpr int UtcTimeZonePosition = 24;
inline constexpr int SMPTERealTimePosition = 3;

// Code of an offset of `halfHours` half hours from UTC (-24..24): whole hours in
// bits 0-3, 16 when east of UTC, 32 with a half hour.
int TimeZoneCodeForOffset(int halfHours);

// Which entry to select for a value decoded from the clock. A result of
// std::nullopt means "leave the selection as it is"; -1 means "select nothing".
int TimeZonePositionForCode(int code); // first entry with this code, else UTC
std::optional<int> SecondOffsetPositionForCode(const ClockModel* model, int code);
std::optional<int> SubSecondPositionForCode(int code);
// Lists addressed by position: `position` when the list has it, else nullopt.
std::optional<int> PositionIfInList(int position, int listSize);

// Editing rules of the controls, so the handlers stay one line each.

// The relay switch of event `index` (0..3): ticked takes the picker's minute and
// second, unticked stores 255 in both; Enabled follows the box.
void SetRelayEnabled(ClockSettings& settings, int index, bool ticked, QTime picker);
// The relay picker of event `index` changed: minutes and seconds, Enabled untouched.
void SetRelayTime(ClockSettings& settings, int index, QTime picker);
void SetResyncTime(ClockSettings& settings, QTime picker);
void SetCallTime(ClockSettings& settings, QTime picker);
// Whether the resync time picker is enabled after the SMPTE mode changed to
// `smptePosition`; nullopt leaves it as it is.
std::optional<bool> ResyncPickerEnabledForMode(int smptePosition, bool resyncTicked);

} // namespace tarvo

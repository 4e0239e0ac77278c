// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/master_settings.h"

#include <cstdlib>

namespace tarvo
{

namespace
{

QList<ListEntry> BuildTimeZoneEntries()
{
    // Captions as the clock's own documentation writes them: the named zones are
    // padded to line up, and "7.5" has no plus sign.
    static const char* const captions[] = {"-12",
                                           "-11.5",
                                           "-11",
                                           "-10.5",
                                           "-10      (Hawaii)",
                                           "-9.5",
                                           "-9",
                                           "-8.5",
                                           "-8        (Pacific)",
                                           "-7.5",
                                           "-7        (Mountain)",
                                           "-6.5",
                                           "-6        (Central)",
                                           "-5.5",
                                           "-5        (Eastern)",
                                           "-4.5",
                                           "-4        (Atlantic)",
                                           "-3.5",
                                           "-3",
                                           "-2.5",
                                           "-2",
                                           "-1.5",
                                           "-1",
                                           "-0.5",
                                           "0         (UTC)",
                                           "+0.5",
                                           "+1",
                                           "+1.5",
                                           "+2",
                                           "+2.5",
                                           "+3",
                                           "+3.5",
                                           "+4",
                                           "+4.5",
                                           "+5",
                                           "+5.5",
                                           "+6",
                                           "+6.5",
                                           "+7",
                                           "7.5",
                                           "+8       (W. Australia)",
                                           "+8.5",
                                           "+9",
                                           "+9.5    (C. Australia)",
                                           "+10     (E. Australia)",
                                           "+10.5",
                                           "+11",
                                           "+11.5",
                                           "+12"};
    QList<ListEntry> entries;
    int halfHours = -24;
    for (const char* caption : captions)
        entries.append({QString::fromLatin1(caption), TimeZoneCodeForOffset(halfHours++)});
    return entries;
}

QList<ListEntry> BuildSubSecondEntries()
{
    QList<ListEntry> entries;
    for (int code = 1; code <= 99; ++code)
        entries.append({QString::number((50 - code) * 10), code});
    return entries;
}

bool ValidIndex(int index)
{
    return index >= 0 && index < RelayEventCount;
}

} // namespace

const QList<ListEntry>& TimeZoneEntries()
{
    static const QList<ListEntry> entries = BuildTimeZoneEntries();
    return entries;
}

const QList<ListEntry>& SubSecondEntries()
{
    static const QList<ListEntry> entries = BuildSubSecondEntries();
    return entries;
}

const QStringList& SMPTEModeCaptions()
{
    static const QStringList captions = {"SMPTE Drop Frame", "SMPTE Non Drop Frame", "EBU",
                                         "SMPTE Real Time", "EBU Real Time"};
    return captions;
}

const QStringList& DateFormatCaptions()
{
    static const QStringList captions = {"Format L", "Format E (M-D-Y)", "Format S (SMPTE 309M)",
                                         "DOY (1-366)"};
    return captions;
}

const QStringList& DriftWindowCaptions()
{
    static const QStringList captions = {"  3 Frames", "  4 Frames", "  5 Frames", "  6 Frames",
                                         "  7 Frames", "  8 Frames", "10 Frames",  "12 Frames"};
    return captions;
}

const QStringList& UpdatesPerDayCaptions()
{
    static const QStringList captions = {" 0 ", " 1 ", " 2 ", " 3 ", " 4"};
    return captions;
}

int TimeZoneCodeForOffset(int halfHours)
{
    const int magnitude = std::abs(halfHours);
    return (magnitude / 2) + (halfHours > 0 ? 16 : 0) + (magnitude % 2 ? 32 : 0);
}

int TimeZonePositionForCode(int code)
{
    const QList<ListEntry>& entries = TimeZoneEntries();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].data == code)
            return static_cast<int>(i);
    }
    return UtcTimeZonePosition;
}

std::optional<int> SecondOffsetPositionForCode(const ClockModel* model, int code)
{
    if (!model)
        return std::nullopt;
    const QList<ListEntry> entries = SecondOffsetEntries(model);
    // The 226 keeps the list position in its record; the others the code.
    if (model->byte15 == RecordByte15::SecondOffsetPosition)
        return PositionIfInList(code, static_cast<int>(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].data == code)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

std::optional<int> SubSecondPositionForCode(int code)
{
    // Code 0 is position -1, which the list takes as "nothing selected".
    if (code == 0)
        return -1;
    return PositionIfInList(code - 1, static_cast<int>(SubSecondEntries().size()));
}

std::optional<int> PositionIfInList(int position, int listSize)
{
    if (position >= 0 && position < listSize)
        return position;
    return std::nullopt;
}

void SetRelayEnabled(ClockSettings& settings, int index, bool ticked, QTime picker)
{
    if (!ValidIndex(index))
        return;
    RelayEvent& event = settings.RelayTable[index];
    event.Enabled = ticked ? 1 : 0;
    if (!ticked) {
        event.Minutes = 255;
        event.Seconds = 255;
        return;
    }
    SetRelayTime(settings, index, picker);
}

void SetRelayTime(ClockSettings& settings, int index, QTime picker)
{
    if (!ValidIndex(index) || !picker.isValid())
        return;
    settings.RelayTable[index].Minutes = static_cast<quint8>(picker.minute());
    settings.RelayTable[index].Seconds = static_cast<quint8>(picker.second());
}

void SetResyncTime(ClockSettings& settings, QTime picker)
{
    if (!picker.isValid())
        return;
    settings.ResyncTime = {static_cast<quint8>(picker.hour()), static_cast<quint8>(picker.minute()),
                           static_cast<quint8>(picker.second())};
}

void SetCallTime(ClockSettings& settings, QTime picker)
{
    if (!picker.isValid())
        return;
    settings.CallTime = {static_cast<quint8>(picker.hour()), static_cast<quint8>(picker.minute())};
}

std::optional<bool> ResyncPickerEnabledForMode(int smptePosition, bool resyncTicked)
{
    if (smptePosition == SMPTERealTimePosition)
        return false;
    if (resyncTicked)
        return true;
    return std::nullopt;
}

} // namespace tarvo

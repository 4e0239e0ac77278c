// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/clock_model.h"

#include "link/serial_frame.h"

#include <array>

namespace tarvo
{

namespace
{

// The 226's codes are not ordered; they come from the clock's own table.
int Code226(int seconds)
{
    static constexpr int codes[] = {8, 16, 24, 32, 40, 48, 56,  64,  5,   1,  0,
                                    2, 6,  72, 80, 88, 96, 104, 112, 120, 128};
    return codes[seconds + 10];
}

// Sign in bit 4, magnitude in bits 0-3.
int Code229(int seconds)
{
    return seconds >= 0 ? seconds : 16 - seconds;
}

int Code222(int seconds)
{
    return seconds + 10;
}

constexpr std::array<ClockModel, 4> kModels = {{
    {.code = 1,
     .number = 226,
     .trailer = "$VX-226U",
     .identifier = 213,
     .networkGroup = NetworkModelGroup::Broadcast,
     .gpsLockRule = true,
     .modem = false,
     .nudges = false,
     .inputPolarity = false,
     .timeZoneOnlyForNtp = false,
     .byte15 = RecordByte15::SecondOffsetPosition,
     .helpPage = "Velmora.html",
     .secondOffsetRange = 10,
     .secondOffsetCode = Code226},
    {.code = 2,
     .number = 229,
     .trailer = "$VX-229X",
     .identifier = 229,
     .networkGroup = NetworkModelGroup::Servers,
     .gpsLockRule = false,
     .modem = false,
     .nudges = false,
     .inputPolarity = false,
     .timeZoneOnlyForNtp = false,
     .byte15 = RecordByte15::SecondOffsetCode,
     .helpPage = "Velmora 229.html",
     .secondOffsetRange = 15,
     .secondOffsetCode = Code229},
    {.code = 3,
     .number = 207,
     .trailer = "$VX-207U",
     .identifier = 207,
     .networkGroup = NetworkModelGroup::Broadcast,
     .gpsLockRule = false,
     .modem = false,
     .nudges = true,
     .inputPolarity = true,
     .timeZoneOnlyForNtp = true,
     .byte15 = RecordByte15::InputPolarity,
     .helpPage = "Velmora 207.html",
     .secondOffsetRange = 0,
     .secondOffsetCode = nullptr},
    {.code = 4,
     .number = 222,
     .trailer = "$VX-222U",
     .identifier = 0,
     .networkGroup = NetworkModelGroup::None,
     .gpsLockRule = false,
     .modem = true,
     .nudges = false,
     .inputPolarity = false,
     .timeZoneOnlyForNtp = false,
     .byte15 = RecordByte15::LeftAsReceived,
     .helpPage = "Velmora 222.html",
     .secondOffsetRange = 10,
     .secondOffsetCode = Code222},
}};

} // namespace

std::span<const ClockModel> AllModels()
{
    return kModels;
}

const ClockModel* FindModel(int code)
{
    for (const ClockModel& model : kModels) {
        if (model.code == code)
            return &model;
    }
    return nullptr;
}

const ClockModel& ModelOrFallback(int code)
{
    const ClockModel* model = FindModel(code);
    return model ? *model : kModels.front();
}

const ClockModel* ModelByNumber(int number)
{
    for (const ClockModel& model : kModels) {
        if (model.number == number)
            return &model;
    }
    return nullptr;
}

const ClockModel* ModelByIdentifier(int identifier)
{
    for (const ClockModel& model : kModels) {
        if (model.identifier != 0 && model.identifier == identifier)
            return &model;
    }
    return nullptr;
}

int ModelCodeForNumber(int number)
{
    const ClockModel* model = ModelByNumber(number);
    return model ? model->code : 0;
}

int ModelNumberFor(int code)
{
    const ClockModel* model = FindModel(code);
    return model ? model->number : 0;
}

QByteArray BuildSerialFrame(quint8 command, QByteArrayView payload, const ClockModel& model)
{
    return BuildSerialFrameWithTrailer(command, payload, model.trailer);
}

std::optional<OutgoingFrame> ParseOutgoingFrame(QByteArrayView frame)
{
    if (frame.size() < 1 + SerialTrailerLength)
        return std::nullopt;
    const QByteArrayView trailer = frame.last(SerialTrailerLength);
    OutgoingFrame out;
    for (const ClockModel& model : kModels) {
        if (trailer == QByteArrayView(model.trailer)) {
            out.clockType = model.code;
            break;
        }
    }
    if (out.clockType == 0)
        return std::nullopt;
    const qsizetype commandAt = frame.size() - SerialTrailerLength - 1;
    out.command = static_cast<quint8>(frame[commandAt]);
    out.payload = frame.first(commandAt).toByteArray();
    return out;
}

QList<ListEntry> SecondOffsetEntries(const ClockModel* model)
{
    QList<ListEntry> entries;
    if (!model || model->secondOffsetRange == 0)
        return entries;
    for (int n = -model->secondOffsetRange; n <= model->secondOffsetRange; ++n)
        entries.append({QString::number(n), model->secondOffsetCode(n)});
    return entries;
}

} // namespace tarvo

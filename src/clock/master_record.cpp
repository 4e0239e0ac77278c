// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/master_record.h"

#include "link/bytes.h"
#include "link/datagram.h"

namespace tarvo
{

namespace
{

// A byte of the record, or nullopt beyond its end.
class RecordReader
{
public:
    explicit RecordReader(QByteArrayView record) : record_(record) {}
    std::optional<quint8> operator()(int index) const
    {
        if (index < 0 || index >= record_.size())
            return std::nullopt;
        return ByteAt(record_, index);
    }

private:
    QByteArrayView record_;
};

std::optional<QTime> TimeIfValid(int hour, int minute, int second)
{
    if (!QTime::isValid(hour, minute, second))
        return std::nullopt;
    return QTime(hour, minute, second);
}

void DecodeByte15(std::optional<quint8> b15, const ClockModel* model, ClockSettings& s,
                  MasterSettingsView& v)
{
    if (!b15)
        return;
    s.DSTCustom = *b15 & 1;
    v.dstCustom = s.DSTCustom == 1;
    s.SecondOffsetCode = (*b15 & 124) / 4;
    v.secondOffsetPosition = SecondOffsetPositionForCode(model, s.SecondOffsetCode);
    s.DisplayFormat24 = (*b15 >> 1) & 1;
    v.displayFormat24 = s.DisplayFormat24 == 1;
    // Read as the polarity on every model; on 1, 2 and 4 it is also the lowest
    // bit of the second offset.
    s.RisingEdge = (*b15 >> 2) & 1;
    v.risingEdge = s.RisingEdge == 1;
}

void DecodeRelays(const RecordReader& at, ClockSettings& s, MasterSettingsView& v)
{
    for (int k = 0; k < RelayEventCount; ++k) {
        RelayEvent& event = s.RelayTable[k];
        const auto seconds = at(7 + 2 * k);
        const auto minutes = at(8 + 2 * k);
        if (seconds)
            event.Seconds = *seconds & 63;
        if (minutes)
            event.Minutes = *minutes & 63;
        if (seconds && minutes)
            event.Enabled = (event.Seconds < 60 && event.Minutes < 60) ? 1 : 0;
        // The controls follow the working table even where the record was short.
        RelayView& shown = v.relays[k];
        shown.enabled = event.Enabled != 0;
        const auto time = TimeIfValid(0, event.Minutes, event.Seconds);
        shown.time = shown.enabled && time ? *time : QTime(0, 0, 0);
    }
}

void DecodeModemFields(const RecordReader& at, ClockSettings& s, MasterSettingsView& v)
{
    QString phone;
    for (int i = 0; i < PhoneDigitCount; ++i) {
        const auto digit = at(18 + i);
        if (!digit || (*digit & 15) == 15)
            break;
        phone += QString::number(*digit);
    }
    v.phoneText = phone;

    const auto minute = at(38);
    const auto hour = at(39);
    if (minute)
        s.CallTime.Minute = *minute & 63;
    if (hour)
        s.CallTime.Hour = *hour & 31;
    if (minute || hour)
        v.callTime = TimeIfValid(s.CallTime.Hour, s.CallTime.Minute, 0);

    if (const auto updates = at(40)) {
        const int position = *updates & 7;
        // A count the list does not have is taken as one update a day.
        s.UpdatesPerDay = position < UpdatesPerDayCaptions().size() ? position : 1;
        v.updatesPerDayPosition = s.UpdatesPerDay;
    }
}

} // namespace

MasterDecodeResult DecodeMasterRecord(QByteArrayView record, const ClockModel* model,
                                      const ClockSettings& previous)
{
    MasterDecodeResult result{previous, {}};
    ClockSettings& s = result.settings;
    MasterSettingsView& v = result.view;
    const RecordReader at(record);

    if (const auto b0 = at(0)) {
        s.TimeZoneCode = *b0 & 63;
        v.timeZonePosition = TimeZonePositionForCode(s.TimeZoneCode);
        s.AutoDST = (*b0 >> 6) & 1;
        v.autoDST = s.AutoDST == 1;
    }
    DecodeByte15(at(15), model, s, v);
    if (const auto b6 = at(6)) {
        s.SubSecondCode = *b6 & 127;
        v.subSecondPosition = SubSecondPositionForCode(s.SubSecondCode);
    }
    if (const auto b1 = at(1)) {
        s.HourMode24 = (*b1 >> 5) & 1;
        v.hourMode24 = s.HourMode24 == 1;
        s.DateFormat = (*b1 >> 3) & 3;
        v.dateFormatPosition = s.DateFormat;
    }
    if (const auto b2 = at(2)) {
        s.SMPTEMode = *b2 & 7;
        v.smpteModePosition =
            PositionIfInList(s.SMPTEMode, static_cast<int>(SMPTEModeCaptions().size()));
        s.DriftWindow = (*b2 >> 4) & 7;
        v.driftWindowPosition = s.DriftWindow;
        s.ResyncEnable = (*b2 >> 3) & 1;
        v.resyncEnable = s.ResyncEnable == 1;
    }
    const auto second = at(3);
    const auto minute = at(4);
    const auto hour = at(5);
    if (hour)
        s.ResyncTime.Hour = *hour & 63;
    if (minute)
        s.ResyncTime.Minute = *minute & 63;
    if (second)
        s.ResyncTime.Second = *second & 63;
    if (hour || minute || second)
        v.resyncTime = TimeIfValid(s.ResyncTime.Hour, s.ResyncTime.Minute, s.ResyncTime.Second);

    DecodeRelays(at, s, v);
    if (model && model->modem)
        DecodeModemFields(at, s, v);
    return result;
}

QString KeepDigits(const QString& text)
{
    QString digits;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digits += c;
    }
    return digits;
}

std::optional<QByteArray> PhoneNumberPayload(const QString& text)
{
    const QString digits = KeepDigits(text);
    if (digits.isEmpty() || digits.size() > PhoneDigitCount)
        return std::nullopt;
    QByteArray payload(PhoneDigitCount, static_cast<char>(0xFF));
    for (qsizetype i = 0; i < digits.size(); ++i)
        SetByte(payload, i, digits[i].unicode() - u'0');
    return payload;
}

QList<SerialCommand> MasterSettingsSerialFrames(const ClockSettings& s, const ClockModel* model,
                                                const QString& phoneText)
{
    QList<SerialCommand> commands = {
        {5, PayloadOf({s.TimeZoneCode})}, {6, PayloadOf({s.AutoDST})},
        {20, PayloadOf({s.DSTCustom})},   {7, PayloadOf({s.SMPTEMode})},
        {8, PayloadOf({s.DriftWindow})},  {9, PayloadOf({s.DateFormat})},
    };
    if (model && model->secondOffsetRange > 0) {
        commands.append({10, PayloadOf({s.SecondOffsetCode})});
        commands.append({11, PayloadOf({s.SubSecondCode})});
    } else {
        commands.append({26, PayloadOf({s.RisingEdge})});
    }
    commands.append({12, PayloadOf({s.HourMode24})});
    commands.append({25, PayloadOf({s.DisplayFormat24})});
    commands.append({13, PayloadOf({s.ResyncTime.Hour, s.ResyncTime.Minute, s.ResyncTime.Second})});
    commands.append({14, PayloadOf({s.ResyncEnable})});
    for (int k = 0; k < RelayEventCount; ++k) {
        const RelayEvent& event = s.RelayTable[k];
        // "??" tells the clock the event is off.
        const QByteArray payload =
            event.Enabled != 0 ? PayloadOf({event.Minutes, event.Seconds}) : PayloadOf({63, 63});
        commands.append({static_cast<quint8>(15 + k), payload});
    }
    if (model && model->modem) {
        if (const auto phone = PhoneNumberPayload(phoneText))
            commands.append({27, *phone});
        commands.append({28, PayloadOf({s.CallTime.Hour, s.CallTime.Minute})});
        commands.append({29, PayloadOf({s.UpdatesPerDay})});
    }
    return commands;
}

QByteArray ComposeMasterRecord(const ClockSettings& s, const ClockModel* model,
                               int secondOffsetPosition, QByteArrayView previousCopy)
{
    QByteArray record(NetworkMasterRecordLength, '\0');
    SetByte(record, 0, (s.TimeZoneCode & 63) + 64 * (s.AutoDST & 1));
    SetByte(record, 1, 8 * (s.DateFormat & 3) + 32 * (s.HourMode24 & 1));
    SetByte(record, 2, (s.SMPTEMode & 7) + 8 * (s.ResyncEnable & 1) + 16 * (s.DriftWindow & 7));
    SetByte(record, 3, s.ResyncTime.Second & 63);
    SetByte(record, 4, s.ResyncTime.Minute & 63);
    SetByte(record, 5, s.ResyncTime.Hour & 63);
    SetByte(record, 6, s.SubSecondCode & 127);
    for (int k = 0; k < RelayEventCount; ++k) {
        SetByte(record, 7 + 2 * k, s.RelayTable[k].Seconds & 63);
        SetByte(record, 8 + 2 * k, s.RelayTable[k].Minutes & 63);
    }

    const int dstAndDisplay = (s.DSTCustom & 1) + 2 * (s.DisplayFormat24 & 1);
    switch (model ? model->byte15 : RecordByte15::LeftAsReceived) {
    case RecordByte15::SecondOffsetPosition: {
        const bool selected =
            secondOffsetPosition >= 0 && secondOffsetPosition < SecondOffsetEntries(model).size();
        const int field = selected ? secondOffsetPosition : s.SecondOffsetCode;
        SetByte(record, 15, ((4 * field) & 124) + dstAndDisplay);
        break;
    }
    case RecordByte15::SecondOffsetCode:
        SetByte(record, 15, ((4 * s.SecondOffsetCode) & 124) + dstAndDisplay);
        break;
    case RecordByte15::InputPolarity:
        SetByte(record, 15, dstAndDisplay + 4 * (s.RisingEdge & 1));
        break;
    case RecordByte15::LeftAsReceived:
        SetByte(record, 15, ByteAt(previousCopy, 15));
        break;
    }
    return record;
}

QByteArray MasterSettingsDatagram(QByteArrayView password4, QByteArrayView record)
{
    return BuildDatagram(DatagramCode::MasterSettings, password4,
                         record.first(qMin<qsizetype>(record.size(), NetworkMasterRecordLength)));
}

QList<SerialCommand> FactoryDefaultsSerialCommands()
{
    return {{19, {}}, RequestSettingsSerialCommand()};
}

SerialCommand RequestSettingsSerialCommand()
{
    return {1, {}};
}

SerialCommand ResyncSerialCommand()
{
    return {2, {}};
}

QByteArray FactoryDefaultsDatagram(QByteArrayView password4)
{
    return BuildDatagram(DatagramCode::FactoryDefaults, password4);
}

QByteArray RequestMasterSettingsDatagram(QByteArrayView password4)
{
    return BuildDatagram(DatagramCode::RequestMasterSettings, password4);
}

QByteArray ResyncDatagram(QByteArrayView password4)
{
    return BuildDatagram(DatagramCode::Resync, password4);
}

} // namespace tarvo

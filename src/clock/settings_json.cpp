// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/settings_json.h"

#include "clock/json_fields.h"
#include "clock/json_text.h"
#include "clock/master_record.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <cmath>

namespace tarvo
{

namespace
{

int NumberOf(const ClockModel* model)
{
    return model ? model->number : 0;
}

QString Two(int v)
{
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

QString CodeText(int code)
{
    return QStringLiteral("code %1").arg(code);
}

// "code N" as written for a value the lists do not have.
std::optional<int> ParseCodeText(const QJsonValue& value, int max)
{
    static const QRegularExpression pattern(QStringLiteral("^code (\\d{1,3})$"));
    const auto match = pattern.match(value.toString());
    if (!match.hasMatch())
        return std::nullopt;
    const int code = match.captured(1).toInt();
    return code <= max ? std::optional<int>(code) : std::nullopt;
}

// "HH:MM:SS" or "MM:SS" (two parts) with every part in range.
std::optional<QList<int>> ParseClockText(const QJsonValue& value, int parts, int firstMax)
{
    if (!value.isString())
        return std::nullopt;
    const QStringList fields = value.toString().split(QLatin1Char(':'));
    if (fields.size() != parts)
        return std::nullopt;
    QList<int> numbers;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        bool ok = false;
        const int n = fields[i].toInt(&ok);
        const int max = i == 0 ? firstMax : 59;
        if (!ok || fields[i].size() > 2 || n < 0 || n > max)
            return std::nullopt;
        numbers.append(n);
    }
    return numbers;
}

// A list addressed by position: the caption (blanks around it do not count,
// nor does case), or "code N" for a value outside the list.
void ReadCaption(const JsonFields& r, const QString& key, const QJsonValue& v,
                 const QStringList& captions, int max, quint8& target)
{
    for (qsizetype i = 0; i < captions.size(); ++i) {
        if (v.isString() &&
            captions[i].trimmed().compare(v.toString().trimmed(), Qt::CaseInsensitive) == 0) {
            target = static_cast<quint8>(i);
            return;
        }
    }
    if (const auto code = ParseCodeText(v, max)) {
        target = static_cast<quint8>(*code);
        return;
    }
    QStringList names;
    for (const QString& c : captions)
        names.append(u'"' + c.trimmed() + u'"');
    r.Error(key, QStringLiteral("%1 is not one of %2").arg(JsonValueText(v), names.join(u", ")));
}

void ReadBool(const JsonFields& r, const QString& key, const QJsonValue& v, quint8& target)
{
    if (const auto b = r.Bool(key, v))
        target = *b ? 1 : 0;
}

QJsonValue CaptionValue(const QStringList& captions, int position)
{
    if (position >= 0 && position < captions.size())
        return captions[position].trimmed();
    return CodeText(position);
}

QJsonValue TimeZoneValue(int code)
{
    const QList<ListEntry>& entries = TimeZoneEntries();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].data == code) {
            const int halfHours = static_cast<int>(i) - UtcTimeZonePosition;
            if (halfHours % 2 == 0)
                return halfHours / 2;
            return halfHours / 2.0;
        }
    }
    return CodeText(code);
}

void ReadTimeZone(const JsonFields& r, const QJsonValue& v, quint8& target)
{
    if (v.isDouble()) {
        const double halfHours = v.toDouble() * 2;
        if (std::floor(halfHours) == halfHours && halfHours >= -24 && halfHours <= 24) {
            target = static_cast<quint8>(TimeZoneCodeForOffset(static_cast<int>(halfHours)));
            return;
        }
    } else if (const auto code = ParseCodeText(v, 63)) {
        target = static_cast<quint8>(*code);
        return;
    }
    r.Error(QStringLiteral("timeZone"),
            QStringLiteral("%1 is not a time zone: hours from UTC, -12 to 12 in steps of 0.5")
                .arg(JsonValueText(v)));
}

void ReadResync(const JsonFields& r, const QJsonValue& v, ClockSettings& s)
{
    const auto o = r.Object(QStringLiteral("resync"), v,
                            QStringLiteral("an object with \"enabled\" and \"time\""));
    if (!o)
        return;
    const JsonFields in = r.Within(QStringLiteral("resync"));
    in.Each(*o, [&](const QString& key, const QJsonValue& value) {
        if (key == u"enabled") {
            ReadBool(in, key, value, s.ResyncEnable);
        } else if (key == u"time") {
            if (const auto t = ParseClockText(value, 3, 23))
                s.ResyncTime = {static_cast<quint8>((*t)[0]), static_cast<quint8>((*t)[1]),
                                static_cast<quint8>((*t)[2])};
            else
                in.Error(key,
                         QStringLiteral("%1 is not a time HH:MM:SS").arg(JsonValueText(value)));
        } else {
            return false;
        }
        return true;
    });
}

void ReadRelays(const JsonFields& r, const QJsonValue& v, ClockSettings& s)
{
    const auto list = r.List(QStringLiteral("relays"), v, RelayEventCount,
                             QStringLiteral("a list of %1 relay events").arg(RelayEventCount));
    if (!list)
        return;
    const JsonFields relays = r.Within(QStringLiteral("relays"));
    for (int k = 0; k < RelayEventCount; ++k) {
        const QString field = QStringLiteral("[%1]").arg(k);
        const auto o = relays.Object(field, (*list)[k],
                                     QStringLiteral("an object with \"enabled\" and \"time\""));
        if (!o)
            continue;
        const JsonFields in = relays.Within(field);
        RelayEvent& event = s.RelayTable[k];
        bool enabled = event.Enabled != 0;
        std::optional<QTime> time;
        bool bad = false;
        in.Each(*o, [&](const QString& key, const QJsonValue& value) {
            if (key == u"enabled") {
                const auto b = in.Bool(key, value);
                bad = bad || !b;
                enabled = b.value_or(enabled);
            } else if (key == u"time") {
                if (const auto t = ParseClockText(value, 2, 59)) {
                    time = QTime(0, (*t)[0], (*t)[1]);
                } else {
                    bad = true;
                    in.Error(key, QStringLiteral("%1 is not a time MM:SS into the hour")
                                      .arg(JsonValueText(value)));
                }
            } else {
                return false;
            }
            return true;
        });
        if (bad)
            continue;
        if (!enabled) {
            // A relay that stays off keeps its bytes as the clock sent them.
            if (event.Enabled != 0)
                SetRelayEnabled(s, k, false, {});
        } else if (time) {
            SetRelayEnabled(s, k, true, *time);
        } else if (event.Enabled == 0) {
            in.Error(QStringLiteral("time"), QStringLiteral("needed to switch the relay on"));
        }
    }
}

void ReadSecondOffset(const JsonFields& r, const QJsonValue& v, const ClockModel* model,
                      quint8& target)
{
    if (v.isDouble() && std::floor(v.toDouble()) == v.toDouble()) {
        if (const auto field = SecondOffsetRecordField(model, static_cast<int>(v.toDouble()))) {
            target = static_cast<quint8>(*field);
            return;
        }
    } else if (const auto code = ParseCodeText(v, 31)) {
        target = static_cast<quint8>(*code);
        return;
    }
    const QList<ListEntry> entries = SecondOffsetEntries(model);
    r.Error(QStringLiteral("secondOffset"),
            QStringLiteral("%1 is not a whole number of seconds "
                           "from %2 to %3")
                .arg(JsonValueText(v), entries.first().caption, entries.last().caption));
}

void ReadSubSecond(const JsonFields& r, const QJsonValue& v, quint8& target)
{
    if (v.isNull()) {
        target = 0;
        return;
    }
    if (v.isDouble()) {
        const double ms = v.toDouble();
        if (std::floor(ms / 10) == ms / 10 && ms >= -490 && ms <= 490) {
            target = static_cast<quint8>(50 - static_cast<int>(ms) / 10);
            return;
        }
    } else if (const auto code = ParseCodeText(v, 127)) {
        target = static_cast<quint8>(*code);
        return;
    }
    r.Error(QStringLiteral("subSecondMs"),
            QStringLiteral("%1 is not -490 to 490 in steps of 10").arg(JsonValueText(v)));
}

void ReadModem(const JsonFields& r, const QJsonValue& v, ScriptSettings& out)
{
    const auto o = r.Object(QStringLiteral("modem"), v, QStringLiteral("an object"));
    if (!o)
        return;
    const JsonFields in = r.Within(QStringLiteral("modem"));
    ClockSettings& s = out.settings;
    in.Each(*o, [&](const QString& key, const QJsonValue& value) {
        if (key == u"phone") {
            const QString digits = KeepDigits(value.toString());
            // A clock without a number reads as "", and writing that back changes nothing.
            const bool noneKept =
                value.isString() && value.toString().trimmed().isEmpty() && out.phone.isEmpty();
            if (noneKept)
                return true;
            if (!value.isString() || digits.isEmpty() || digits.size() > PhoneDigitCount)
                in.Error(key, QStringLiteral("needs 1 to %1 digits").arg(PhoneDigitCount));
            else
                out.phone = digits;
        } else if (key == u"callTime") {
            if (const auto t = ParseClockText(value, 2, 23))
                s.CallTime = {static_cast<quint8>((*t)[0]), static_cast<quint8>((*t)[1])};
            else
                in.Error(key, QStringLiteral("%1 is not a time HH:MM").arg(JsonValueText(value)));
        } else if (key == u"updatesPerDay") {
            const double n = value.toDouble(-1);
            if (value.isDouble() && std::floor(n) == n && n >= 0 &&
                n < UpdatesPerDayCaptions().size())
                s.UpdatesPerDay = static_cast<quint8>(n);
            else
                in.Error(key, QStringLiteral("%1 is not 0 to %2")
                                  .arg(JsonValueText(value))
                                  .arg(UpdatesPerDayCaptions().size() - 1));
        } else {
            return false;
        }
        return true;
    });
}

} // namespace

ScriptSettings ScriptSettingsFromRecord(QByteArrayView record, const ClockModel* model)
{
    const MasterDecodeResult decoded = DecodeMasterRecord(record, model, ClockSettings{});
    ScriptSettings out;
    out.model = model;
    out.settings = decoded.settings;
    out.phone = decoded.view.phoneText.value_or(QString());
    return out;
}

QJsonObject SettingsToJson(const ScriptSettings& in)
{
    const ClockSettings& s = in.settings;
    QJsonObject o;
    o[u"model"] = NumberOf(in.model);
    o[u"timeZone"] = TimeZoneValue(s.TimeZoneCode);
    o[u"autoDst"] = s.AutoDST != 0;
    o[u"customDst"] = s.DSTCustom != 0;
    if (HasSecondOffset(in.model)) {
        const auto seconds = SecondOffsetSeconds(in.model, s.SecondOffsetCode);
        o[u"secondOffset"] =
            seconds ? QJsonValue(*seconds) : QJsonValue(CodeText(s.SecondOffsetCode));
        if (s.SubSecondCode == 0)
            o[u"subSecondMs"] = QJsonValue::Null;
        else if (s.SubSecondCode <= SubSecondEntries().size())
            o[u"subSecondMs"] = (50 - s.SubSecondCode) * 10;
        else
            o[u"subSecondMs"] = CodeText(s.SubSecondCode);
    } else {
        o[u"risingEdge"] = s.RisingEdge != 0;
    }
    o[u"hour24"] = s.HourMode24 != 0;
    o[u"display24"] = s.DisplayFormat24 != 0;
    o[u"smpteMode"] = CaptionValue(SMPTEModeCaptions(), s.SMPTEMode);
    o[u"dateFormat"] = CaptionValue(DateFormatCaptions(), s.DateFormat);
    o[u"driftWindow"] = CaptionValue(DriftWindowCaptions(), s.DriftWindow);
    o[u"resync"] = QJsonObject{{QStringLiteral("enabled"), s.ResyncEnable != 0},
                               {QStringLiteral("time"), Two(s.ResyncTime.Hour) + u':' +
                                                            Two(s.ResyncTime.Minute) + u':' +
                                                            Two(s.ResyncTime.Second)}};
    QJsonArray relays;
    for (const RelayEvent& event : s.RelayTable) {
        if (event.Enabled != 0)
            relays.append(QJsonObject{
                {QStringLiteral("enabled"), true},
                {QStringLiteral("time"), Two(event.Minutes) + u':' + Two(event.Seconds)}});
        else
            relays.append(QJsonObject{{QStringLiteral("enabled"), false}});
    }
    o[u"relays"] = relays;
    if (HasModem(in.model)) {
        o[u"modem"] = QJsonObject{
            {QStringLiteral("phone"), in.phone},
            {QStringLiteral("callTime"), Two(s.CallTime.Hour) + u':' + Two(s.CallTime.Minute)},
            {QStringLiteral("updatesPerDay"), s.UpdatesPerDay}};
    }
    return o;
}

const QStringList& SettingsFieldOrder()
{
    static const QStringList order{
        QStringLiteral("model"),     QStringLiteral("timeZone"),     QStringLiteral("autoDst"),
        QStringLiteral("customDst"), QStringLiteral("secondOffset"), QStringLiteral("subSecondMs"),
        QStringLiteral("hour24"),    QStringLiteral("display24"),    QStringLiteral("risingEdge"),
        QStringLiteral("resync"),    QStringLiteral("driftWindow"),  QStringLiteral("dateFormat"),
        QStringLiteral("smpteMode"), QStringLiteral("relays"),       QStringLiteral("modem"),
        QStringLiteral("enabled"),   QStringLiteral("time"),         QStringLiteral("phone"),
        QStringLiteral("callTime"),  QStringLiteral("updatesPerDay")};
    return order;
}

SettingsParse SettingsFromJson(const QJsonObject& json, const ScriptSettings& current)
{
    SettingsParse result{current, {}};
    const JsonFields r(result.errors);
    ClockSettings& s = result.value.settings;
    const ClockModel* type = current.model;
    const QString model = QString::number(NumberOf(type));
    r.Each(json, [&](const QString& key, const QJsonValue& v) {
        if (key == u"model") {
            if (v.toInt(-1) != NumberOf(type))
                r.Error(key, QStringLiteral("the file is for model %1, the clock is model %2")
                                 .arg(JsonValueText(v), model));
        } else if (key == u"timeZone") {
            ReadTimeZone(r, v, s.TimeZoneCode);
        } else if (key == u"autoDst") {
            ReadBool(r, key, v, s.AutoDST);
        } else if (key == u"customDst") {
            ReadBool(r, key, v, s.DSTCustom);
        } else if (key == u"hour24") {
            ReadBool(r, key, v, s.HourMode24);
        } else if (key == u"display24") {
            ReadBool(r, key, v, s.DisplayFormat24);
        } else if (key == u"smpteMode") {
            ReadCaption(r, key, v, SMPTEModeCaptions(), 7, s.SMPTEMode);
        } else if (key == u"dateFormat") {
            ReadCaption(r, key, v, DateFormatCaptions(), 3, s.DateFormat);
        } else if (key == u"driftWindow") {
            ReadCaption(r, key, v, DriftWindowCaptions(), 7, s.DriftWindow);
        } else if (key == u"resync") {
            ReadResync(r, v, s);
        } else if (key == u"relays") {
            ReadRelays(r, v, s);
        } else if (key == u"secondOffset" && HasSecondOffset(type)) {
            ReadSecondOffset(r, v, type, s.SecondOffsetCode);
        } else if (key == u"subSecondMs" && HasSecondOffset(type)) {
            ReadSubSecond(r, v, s.SubSecondCode);
        } else if (key == u"risingEdge" && type && type->inputPolarity) {
            ReadBool(r, key, v, s.RisingEdge);
        } else if (key == u"modem" && HasModem(type)) {
            ReadModem(r, v, result.value);
        } else if (key == u"secondOffset" || key == u"subSecondMs" || key == u"risingEdge" ||
                   key == u"modem") {
            r.Error(key, QStringLiteral("model %1 has no such setting").arg(model));
        } else {
            return false;
        }
        return true;
    });
    return result;
}

QStringList SettingsDifferences(const ScriptSettings& wanted, const ScriptSettings& actual)
{
    return JsonDifferences(SettingsToJson(wanted), SettingsToJson(actual));
}

} // namespace tarvo

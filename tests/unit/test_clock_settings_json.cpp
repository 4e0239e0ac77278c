// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/json_text.h"
#include "clock/master_record.h"
#include "clock/settings_json.h"
#include "support/json_helpers.h"
#include "support/test_registry.h"

#include <QJsonDocument>
#include <QTest>

using namespace tarvo;

namespace
{

// Zone +5.5 with auto DST, 24-hour code with date format 3, SMPTE mode 4 with
// resync and drift 7, resync 23:30:59, sub-second code 50, relay 1 at 02:15,
// relay 2 off (its seconds byte 30 left as the clock sent it), relays 3 and 4
// at 59:59 and 00:00.
QByteArray Record(int byte15)
{
    return PayloadOf({0x40 | 53, 0x38, 0x7C, 59, 30, 23, 50, 15, 2, 30, 63, 59, 59, 0, 0, byte15});
}

// The modem model's 41-byte serial record: phone digits from byte 18, 0xFF after
// them, call time at 38-39 (minute, hour), updates per day at 40.
QByteArray ModemRecord(int byte15, const QByteArray& digits)
{
    QByteArray record = Record(byte15) + QByteArray(25, char(0xFF));
    record.replace(18, digits.size(), digits);
    record[38] = 45;
    record[39] = 6;
    record[40] = 2;
    return record;
}

// "0a:05 0f:3f3f": command byte and payload in hex, in sending order.
QString CommandsText(const QList<SerialCommand>& commands)
{
    QStringList parts;
    for (const SerialCommand& c : commands)
        parts.append(
            QString::fromLatin1(QByteArray(1, char(c.command)).toHex() + ':' + c.payload.toHex()));
    return parts.join(u' ');
}

} // namespace

class TestClockSettingsJson : public QObject
{
    Q_OBJECT

private slots:
    void sampleAsJson()
    {
        const QJsonObject expected = Json(R"j({
            "model": 226, "timeZone": 5.5, "autoDst": true, "customDst": true,
            "secondOffset": 2, "subSecondMs": 0, "hour24": true, "display24": true,
            "smpteMode": "EBU Real Time", "dateFormat": "DOY (1-366)",
            "driftWindow": "12 Frames", "resync": {"enabled": true, "time": "23:30:59"},
            "relays": [{"enabled": true, "time": "02:15"}, {"enabled": false},
                       {"enabled": true, "time": "59:59"}, {"enabled": true, "time": "00:00"}]})j");
        const QJsonObject actual =
            SettingsToJson(ScriptSettingsFromRecord(Record(4 * 12 + 3), FindModel(1)));
        QCOMPARE(JsonDifferences(actual, expected), QStringList());
        QCOMPARE(actual.keys(), expected.keys());
    }

    // Byte 15 read per model, and the JSON written back over the same clock
    // gives exactly the settings, record and serial commands it came from.
    void modelFieldsRoundTrip_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("secondOffset");
        QTest::addColumn<bool>("customDst");
        QTest::addColumn<bool>("display24");
        QTest::addColumn<QString>("risingEdge");
        QTest::addColumn<QString>("modem");
        const QString none = QStringLiteral("nothing");
        QTest::newRow("226 field 12 is +2")
            << 1 << Record(51) << "2" << true << true << none << none;
        QTest::newRow("226 field 8 is -2")
            << 1 << Record(33) << "-2" << true << false << none << none;
        QTest::newRow("226 field 25 beyond the list")
            << 1 << Record(100) << "\"code 25\"" << false << false << none << none;
        QTest::newRow("229 code 17 is -1")
            << 2 << Record(68) << "-1" << false << false << none << none;
        QTest::newRow("229 code 16 has no entry")
            << 2 << Record(64) << "\"code 16\"" << false << false << none << none;
        QTest::newRow("207 rising edge")
            << 3 << Record(5) << none << true << false << "true" << none;
        QTest::newRow("222 code 7 is -3")
            << 4 << ModemRecord(30, PayloadOf({5, 5, 5, 1, 2})) << "-3" << false << true << none
            << R"({"callTime":"06:45","phone":"55512","updatesPerDay":2})";
        QTest::newRow("222 without a number")
            << 4 << ModemRecord(40, {}) << "0" << false << false << none
            << R"({"callTime":"06:45","phone":"","updatesPerDay":2})";
    }
    void modelFieldsRoundTrip()
    {
        QFETCH(int, clockType);
        QFETCH(QByteArray, record);
        const ScriptSettings clock = ScriptSettingsFromRecord(record, FindModel(clockType));
        const QJsonObject json = SettingsToJson(clock);
        QCOMPARE(json[u"model"].toInt(), ModelNumberFor(clockType));
        QTEST(JsonValueText(json[u"secondOffset"]), "secondOffset");
        QTEST(json[u"customDst"].toBool(), "customDst");
        QTEST(json[u"display24"].toBool(), "display24");
        QTEST(JsonValueText(json[u"risingEdge"]), "risingEdge");
        QTEST(JsonValueText(json[u"modem"]), "modem");

        const SettingsParse same = SettingsFromJson(json, clock);
        QCOMPARE(same.errors, QStringList());
        QVERIFY(same.value == clock);
        QCOMPARE(CommandsText(ChangedSerialCommands(same.value, clock)), QString());
        if (clockType != 4)
            QCOMPARE(SettingsNetworkRecord(same.value, record), record.first(16));

        // Over a clock that holds nothing yet, every field is taken from the file.
        const SettingsParse fresh =
            SettingsFromJson(json, ScriptSettings{FindModel(clockType), {}, {}});
        QCOMPARE(fresh.errors, QStringList());
        QCOMPARE(JsonDifferences(SettingsToJson(fresh.value), json), QStringList());

        // The whole record of the settings, which the window fills its pages
        // from, reads back as the same JSON, whatever a relay that is off holds.
        for (const ScriptSettings& settings : {clock, fresh.value}) {
            const QByteArray whole = SettingsFullRecord(settings);
            QCOMPARE(whole.size(), SerialMasterRecordLength);
            QCOMPARE(SettingsToJson(ScriptSettingsFromRecord(whole, FindModel(clockType))), json);
        }
    }

    void changedSerialCommands_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("commands");
        auto row = [](const char* name, int type, const QByteArray& record, const char* json,
                      const QString& commands) {
            QTest::newRow(name) << type << record << QByteArray(json) << commands;
        };
        // Record(40) is field 10 (0 s) on the 226 and code 10 (+10 s) on the 229.
        row("226 -2 sends its code 5", 1, Record(40), R"({"secondOffset": -2})", "0a:05");
        row("229 -1 sends 17", 2, Record(40), R"({"secondOffset": -1})", "0a:11");
        row("222 +3 sends 13", 4, Record(40), R"({"secondOffset": 3})", "0a:0d");
        row("zone and relay off", 1, Record(40),
            R"({"timeZone": -5, "relays": [{"enabled": false}, {}, {}, {}]})", "05:05 0f:3f3f");
        row("relay 2 on", 1, Record(40),
            R"({"relays": [{}, {"enabled": true, "time": "07:08"}, {}, {}]})", "10:0708");
        row("resync and sub-second", 2, Record(0),
            R"({"resync": {"time": "01:02:03"}, "subSecondMs": -120})", "0b:3e 0d:010203");
        row("207 rising edge off", 3, Record(5), R"({"risingEdge": false, "customDst": true})",
            "1a:00");
        row("lists by caption", 1, Record(40),
            R"({"smpteMode": " ebu ", "driftWindow": "3 frames", "dateFormat": "code 1",
                "hour24": false, "display24": true})",
            "07:02 08:00 09:01 0c:00 19:01");
        row("modem number and call", 4, ModemRecord(40, {}),
            R"({"modem": {"phone": "(555) 12", "callTime": "7:05", "updatesPerDay": 4}})",
            "1b:0505050102" + QString(30, u'f') + " 1c:0705 1d:04");
    }
    void changedSerialCommands()
    {
        QFETCH(int, clockType);
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, json);
        const ScriptSettings clock = ScriptSettingsFromRecord(record, FindModel(clockType));
        const SettingsParse wanted = SettingsFromJson(Json(json.constData()), clock);
        QCOMPARE(wanted.errors, QStringList());
        QTEST(CommandsText(ChangedSerialCommands(wanted.value, clock)), "commands");
    }

    void networkRecordByte15_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::addColumn<int>("received");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("byte15");
        auto row = [](const char* name, int type, int received, const char* json, int byte15) {
            QTest::newRow(name) << type << received << QByteArray(json) << byte15;
        };
        row("226 -2 is field 8", 1, 40, R"({"secondOffset": -2})", 32);
        row("226 +10 with flags", 1, 0,
            R"({"secondOffset": 10, "customDst": true, "display24": true})", 83);
        row("229 -1 is code 17", 2, 0, R"({"secondOffset": -1})", 68);
        row("229 -15 with display", 2, 0, R"({"secondOffset": -15, "display24": true})", 126);
        row("207 rising edge and dst", 3, 0, R"({"risingEdge": true, "customDst": true})", 5);
        row("207 display only", 3, 5,
            R"({"risingEdge": false, "customDst": false, "display24": true})", 2);
    }
    void networkRecordByte15()
    {
        QFETCH(int, clockType);
        QFETCH(int, received);
        QFETCH(QByteArray, json);
        const QByteArray record = Record(received);
        const SettingsParse wanted = SettingsFromJson(
            Json(json.constData()), ScriptSettingsFromRecord(record, FindModel(clockType)));
        QCOMPARE(wanted.errors, QStringList());
        const QByteArray sent = SettingsNetworkRecord(wanted.value, record);
        QCOMPARE(sent.size(), 16);
        QCOMPARE(sent.first(15), record.first(15));
        QTEST(int(quint8(sent[15])), "byte15");
    }

    void errorsNameTheField_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("errors");
        auto row = [](const char* name, int type, const char* json, QStringList errors) {
            QTest::newRow(name) << type << QByteArray(json) << errors;
        };
        row("zone 13", 1, R"({"timeZone": 13})",
            {"timeZone: 13 is not a time zone: hours from UTC, -12 to 12 in steps of 0.5"});
        row("226 offset 11", 1, R"({"secondOffset": 11})",
            {"secondOffset: 11 is not a whole number of seconds from -10 to 10"});
        row("229 offset 1.5", 2, R"({"secondOffset": 1.5})",
            {"secondOffset: 1.5 is not a whole number of seconds from -15 to 15"});
        row("207 has no offset", 3, R"({"secondOffset": 1, "subSecondMs": 0})",
            {"secondOffset: model 207 has no such setting",
             "subSecondMs: model 207 has no such setting"});
        row("other model", 1, R"({"model": 229})",
            {"model: the file is for model 229, the clock is model 226"});
        row("resync", 1, R"({"resync": {"time": "24:00:00", "enabled": 1, "at": 0}})",
            {"resync.at: unknown field", "resync.enabled: must be true or false",
             "resync.time: \"24:00:00\" is not a time HH:MM:SS"});
        row("relay minute 60", 1, R"({"relays": [{}, {"enabled": true, "time": "60:00"}, {}, {}]})",
            {"relays[1].time: \"60:00\" is not a time MM:SS into the hour"});
        row("relay on without time", 1, R"({"relays": [{}, {"enabled": true}, 3, {}]})",
            {"relays[1].time: needed to switch the relay on",
             "relays[2]: must be an object with \"enabled\" and \"time\""});
        row("phone without digits", 4, R"({"modem": {"phone": "none", "updatesPerDay": 5}})",
            {"modem.phone: needs 1 to 20 digits", "modem.updatesPerDay: 5 is not 0 to 4"});
        row("unknown and not bool", 1, R"({"colour": "red", "hour24": "yes"})",
            {"colour: unknown field", "hour24: must be true or false"});
    }
    void errorsNameTheField()
    {
        QFETCH(int, clockType);
        QFETCH(QByteArray, json);
        const SettingsParse parse = SettingsFromJson(
            Json(json.constData()), ScriptSettingsFromRecord(Record(40), FindModel(clockType)));
        QTEST(parse.errors, "errors");
    }

    void differences()
    {
        const ScriptSettings clock = ScriptSettingsFromRecord(Record(40), FindModel(1));
        const SettingsParse wanted = SettingsFromJson(
            Json(R"({"secondOffset": -2, "relays": [{}, {"enabled": true, "time": "00:30"},
                                                    {"enabled": false}, {}]})"),
            clock);
        QCOMPARE(wanted.errors, QStringList());
        QCOMPARE(SettingsDifferences(wanted.value, clock),
                 QStringList({"relays[1].enabled: wanted true, the clock has false",
                              "relays[1].time: wanted \"00:30\", the clock has nothing",
                              "relays[2].enabled: wanted false, the clock has true",
                              "secondOffset: wanted -2, the clock has 0"}));
        QCOMPARE(SettingsDifferences(clock, clock), QStringList());
    }

    void jsonText()
    {
        const QJsonObject value = Json(R"({"b": {"x": 0.5, "y": null}, "a": [true, "s t"]})");
        QCOMPARE(JsonAsLines(value),
                 QStringList({"a[0]: true", "a[1]: s t", "b.x: 0.5", "b.y: null"}));
        // Ten digits, not 1.7672256e+09.
        QCOMPARE(JsonValueText(QJsonValue(1767225600.0)), QStringLiteral("1767225600"));

        // A string "1" and a number 1 are different values.
        const QJsonObject wanted = Json(R"({"n": 1, "s": "1", "l": [1, 2], "same": 3})");
        const QJsonObject actual = Json(R"({"n": "1", "s": 1, "l": [1], "same": 3, "more": 4})");
        QCOMPARE(
            JsonDifferences(wanted, actual),
            QStringList({"l[1]: wanted 2, the clock has nothing",
                         "n: wanted 1, the clock has \"1\"", "s: wanted \"1\", the clock has 1"}));
    }
};

TARVO_TEST_CLASS(TestClockSettingsJson)
#include "test_clock_settings_json.moc"

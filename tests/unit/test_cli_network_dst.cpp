// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/json_text.h"
#include "connect/network_json.h"
#include "connect/network_settings.h"
#include "dst/dst_script.h"
#include "support/json_helpers.h"
#include "support/test_registry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace tarvo;

namespace
{

void Put(QByteArray& record, int offset, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        record[offset++] = static_cast<char>(b);
}

// Fields the two model groups share: address 192.168.1.50, mask code 8, gateway
// 192.168.1.1, server port 5001, DNS 8.8.4.4, password "pw12".
QByteArray CommonRecord()
{
    QByteArray r(NetworkDataLength, '\0');
    Put(r, 0, {192, 168, 1, 50});
    Put(r, 6, {8});
    Put(r, 8, {'p', 'w', '1', '2'});
    Put(r, 12, {192, 168, 1, 1});
    Put(r, 20, {0x89, 0x13});
    Put(r, 65, {8, 8, 4, 4});
    return r;
}

// Broadcasting models: addresses 1 and 3 on, 2 off, every 300 minutes.
QByteArray BroadcastRecord()
{
    QByteArray r = CommonRecord();
    Put(r, 22, {192, 168, 1, 255});
    Put(r, 96, {10, 1, 1, 255});
    Put(r, 88, {0x2C, 0x01});
    Put(r, 90, {1});
    return r;
}

// Time-server models: 10.0.0.1 port 123 and 10.0.0.2 port 40000 (above 32767,
// still a port), every 1440 minutes.
QByteArray ServerRecord()
{
    QByteArray r = CommonRecord();
    Put(r, 22, {123, 0});
    Put(r, 24, {10, 0, 0, 1});
    Put(r, 69, {0x40, 0x9C});
    Put(r, 71, {10, 0, 0, 2});
    Put(r, 88, {0xA0, 0x05});
    return r;
}

// The runs of bytes that differ, as "offset:new bytes in hex".
QString ChangedBytes(const QByteArray& before, const QByteArray& after)
{
    QStringList runs;
    for (int i = 0; i < after.size(); ++i) {
        if (i < before.size() && before[i] == after[i])
            continue;
        const int start = i;
        while (i < after.size() && (i >= before.size() || before[i] != after[i]))
            ++i;
        runs.append(QStringLiteral("%1:").arg(start) +
                    QString::fromLatin1(after.mid(start, i - start).toHex()));
    }
    return runs.join(u' ');
}

DstRule Rule(const char* text)
{
    QString error;
    const auto rule = ParseDstRule(QString::fromLatin1(text), &error);
    if (!rule)
        qFatal("test rule does not parse: %s", qPrintable(error));
    return *rule;
}

} // namespace

class TestCliNetworkDst : public QObject
{
    Q_OBJECT

private slots:
    void networkToJson_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("expected");
        const char* common = R"("ipAddress": "192.168.1.50", "subnetMask": "255.255.255.0",
            "gateway": "192.168.1.1", "dns": "8.8.4.4", "serverPort": 5001,
            "configLocked": false, "password": "pw12")";
        QTest::newRow("226 broadcasts")
            << 1 << BroadcastRecord()
            << QByteArray("{") + common + R"(, "broadcastMinutes": 300, "broadcast": [
                   {"enabled": true, "address": "192.168.1.255"},
                   {"enabled": false, "address": "0.0.0.0"},
                   {"enabled": true, "address": "10.1.1.255"}]})";
        QTest::newRow("229 time servers")
            << 2 << ServerRecord()
            << QByteArray("{") + common + R"(, "updateMinutes": 1440, "servers": [
                   {"address": "10.0.0.1", "port": 123}, {"address": "10.0.0.2", "port": 40000}]})";
        QTest::newRow("fresh clock") << 3 << QByteArray(NetworkDataLength, '\0') << QByteArray(R"({
                   "ipAddress": "0.0.0.0", "subnetMask": null, "gateway": "0.0.0.0",
                   "dns": "0.0.0.0", "serverPort": 0, "configLocked": false, "password": null,
                   "broadcastMinutes": 0, "broadcast": [
                   {"enabled": false, "address": "0.0.0.0"},
                   {"enabled": false, "address": "0.0.0.0"},
                   {"enabled": false, "address": "0.0.0.0"}]})");
    }
    void networkToJson()
    {
        QFETCH(int, clockType);
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, expected);
        const QJsonObject json = NetworkToJson(record, FindModel(clockType));
        const QJsonObject wanted = Json(expected.constData());
        QCOMPARE(JsonDifferences(json, wanted), QStringList());
        QCOMPARE(json.keys(), wanted.keys());

        // Written back over the record it came from, it changes no byte.
        const NetworkParse back = NetworkFromJson(json, record, FindModel(clockType));
        QCOMPARE(back.errors, QStringList());
        QCOMPARE(ChangedBytes(record, back.record), QString());
    }

    void networkFromJson_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("changed");
        auto row = [](const char* name, int type, const char* json, const char* changed) {
            QTest::newRow(name) << type << QByteArray(json) << QString::fromLatin1(changed);
        };
        row("address", 1, R"({"ipAddress": "10.1.2.3"})", "0:0a010203");
        row("mask", 1, R"({"subnetMask": "255.255.0.0"})", "6:10");
        row("password", 1, R"({"password": "AB12"})", "8:4142");
        row("password off", 1, R"({"password": null})", "8:00000000");
        row("gateway and dns", 2, R"({"gateway": "10.0.0.254", "dns": "1.1.1.1"})",
            "12:0a0000fe 65:01010101");
        row("port", 2, R"({"serverPort": 65535})", "20:ffff");
        row("lock", 1, R"({"configLocked": true})", "87:01");
        row("broadcast 2 on", 1,
            R"({"broadcast": [{}, {"enabled": true, "address": "10.9.8.255"}, {}]})",
            "92:0a0908ff");
        row("broadcast address only", 3, R"({"broadcast": [{"address": "172.16.0.255"}, {}, {}]})",
            "22:ac1000");
        row("every broadcast off", 1,
            R"({"broadcast": [{"enabled": false}, {}, {"enabled": false}]})",
            "22:00000000 90:00 96:00000000");
        row("servers", 2, R"({"servers": [{"port": 37}, {"address": "127.0.0.1", "port": 65535}]})",
            "22:25 69:ffff7f 74:01");
        row("update minutes", 2, R"({"updateMinutes": 300})", "88:2c01");
        row("two-address subnet", 1,
            R"({"ipAddress": "10.0.0.1", "subnetMask": "255.255.255.254"})", "0:0a000001 6:01");
    }
    void networkFromJson()
    {
        QFETCH(int, clockType);
        QFETCH(QByteArray, json);
        const QByteArray record = clockType == 2 ? ServerRecord() : BroadcastRecord();
        const NetworkParse parse =
            NetworkFromJson(Json(json.constData()), record, FindModel(clockType));
        QCOMPARE(parse.errors, QStringList());
        QCOMPARE(parse.record.size(), NetworkDataLength);
        QTEST(ChangedBytes(record, parse.record), "changed");
    }

    void networkErrors_data()
    {
        QTest::addColumn<int>("clockType");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("errors");
        auto row = [](const char* name, int type, const char* json, QStringList errors) {
            QTest::newRow(name) << type << QByteArray(json) << errors;
        };
        row("octet 256", 1, R"({"ipAddress": "10.0.0.256", "gateway": "10.0.0"})",
            {"gateway: \"10.0.0\" is not an IPv4 address a.b.c.d",
             "ipAddress: \"10.0.0.256\" is not an IPv4 address a.b.c.d"});
        row("mask /32", 1, R"({"subnetMask": "255.255.255.255"})",
            {"subnetMask: \"255.255.255.255\" is not one of the masks 255.255.255.254 to "
             "255.255.0.0"});
        row("ports", 2, R"({"serverPort": 65536, "servers": [{"port": -1}, {"port": 80.5}]})",
            {"serverPort: 65536 is not a whole number from 0 to 65535",
             "servers[0].port: -1 is not a whole number from 0 to 65535",
             "servers[1].port: 80.5 is not a whole number from 0 to 65535"});
        row("password of 3", 1, R"({"password": "abc"})",
            {"password: Password is not 4 characters long. Please re enter password fields"});
        row("password with escape", 1, R"({"password": "ab\u001bc"})",
            {"password: The password may only contain printable characters: letters, digits, "
             "punctuation and spaces (character codes 32 to 126 and 160 to 255)."});
        row("no address", 1, R"({"ipAddress": "0.0.0.0"})",
            {"ipAddress: 0.0.0.0 means no address; the clock needs one of its own"});
        row("every computer", 2, R"({"ipAddress": "255.255.255.255"})",
            {"ipAddress: 255.255.255.255 is the broadcast to every computer, not an address a "
             "clock can have"});
        row("multicast", 1, R"({"ipAddress": "239.1.2.3"})",
            {"ipAddress: 239.1.2.3 is a multicast group, not an address a clock can have"});
        row("loopback", 1, R"({"ipAddress": "127.0.0.1"})",
            {"ipAddress: 127.0.0.1 is a loopback address: the clock would only reach itself"});
        row("subnet's own", 1, R"({"ipAddress": "192.168.1.0"})",
            {"ipAddress: 192.168.1.0 is the address of its subnet (mask 255.255.255.0), not of a "
             "clock on it"});
        row("new mask makes it the broadcast", 1,
            R"({"subnetMask": "255.255.255.224", "ipAddress": "192.168.1.63"})",
            {"ipAddress: 192.168.1.63 is the broadcast address of its subnet (mask "
             "255.255.255.224)"});
        row("servers on a broadcaster", 1, R"({"servers": [], "updateMinutes": 5})",
            {"servers: this clock model has no such setting",
             "updateMinutes: this clock model has no such setting"});
        row("broadcast on without address", 1, R"({"broadcast": [{}, {"enabled": true}, {}]})",
            {"broadcast[1].address: needed to switch the address on"});
        row("broadcast entries", 3,
            R"({"broadcast": ["10.0.0.255", {"enabled": "yes", "port": 1}, {"address": "x"}]})",
            {"broadcast[0]: must be an object with \"enabled\" and \"address\"",
             "broadcast[1].enabled: must be true or false", "broadcast[1].port: unknown field",
             "broadcast[2].address: \"x\" is not an IPv4 address a.b.c.d"});
        row("server entries", 2, R"({"servers": ["10.0.0.9", {"name": "ntp"}]})",
            {"servers[0]: must be an object with \"address\" and \"port\"",
             "servers[1].name: unknown field"});
        row("unknown", 1, R"({"hostname": "clock", "configLocked": 1})",
            {"configLocked: must be true or false", "hostname: unknown field"});
    }
    void networkErrors()
    {
        QFETCH(int, clockType);
        QFETCH(QByteArray, json);
        const QByteArray record = clockType == 2 ? ServerRecord() : BroadcastRecord();
        QTEST(NetworkFromJson(Json(json.constData()), record, FindModel(clockType)).errors,
              "errors");
    }

    void addressTheClockHasIsLeftToIt()
    {
        // A clock without an address yet can still be given a password from
        // the file its own settings were read into.
        QByteArray record = BroadcastRecord();
        Put(record, 0, {0, 0, 0, 0});
        const NetworkParse parse = NetworkFromJson(
            Json(R"({"ipAddress": "0.0.0.0", "password": "AB12"})"), record, FindModel(1));
        QCOMPARE(parse.errors, QStringList());
        QCOMPARE(ChangedBytes(record, parse.record), QStringLiteral("8:4142"));

        // A simulated clock on this computer moves within loopback.
        Put(record, 0, {127, 0, 151, 2});
        QCOMPARE(
            NetworkFromJson(Json(R"({"ipAddress": "127.0.151.3"})"), record, FindModel(1)).errors,
            QStringList());
    }

    void parseDstRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("week");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("hour");
        QTest::addColumn<QString>("written");
        QTest::newRow("full names")
            << "1st sunday NOVEMBER 2:00" << 1 << 1 << 11 << 2 << "1st Sun Nov 2:00";
        QTest::newRow("last") << "LAST Sun Oct 3:00" << 5 << 1 << 10 << 3 << "last Sun Oct 3:00";
        QTest::newRow("blanks") << "  last  sat   sep 0:00 " << 5 << 7 << 9 << 0
                                << "last Sat Sep 0:00";
        QTest::newRow("hour alone") << "4th Wed Jun 23" << 4 << 4 << 6 << 23 << "4th Wed Jun 23:00";
        QTest::newRow("Jul and Tues")
            << "3rd Tues Jul 02:00" << 3 << 3 << 7 << 2 << "3rd Tue Jul 2:00";
        QTest::newRow("Thu May") << "1st thu may 1:00" << 1 << 5 << 5 << 1 << "1st Thu May 1:00";
    }
    void parseDstRule()
    {
        QFETCH(QString, text);
        QString error = QStringLiteral("untouched");
        const auto rule = ParseDstRule(text, &error);
        QVERIFY2(rule, qPrintable(error));
        QTEST(rule->WOM, "week");
        QTEST(rule->DOW, "day");
        QTEST(rule->Month, "month");
        QTEST(rule->Hour, "hour");
        QTEST(DstRuleText(*rule), "written");
        QCOMPARE(ParseDstRule(DstRuleText(*rule), nullptr), rule);
    }

    void parseDstRuleErrors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        auto row = [](const char* text, const char* error) {
            QTest::newRow(text) << QString::fromLatin1(text) << QString::fromLatin1(error);
        };
        row("2nd Sun Mar", "\"2nd Sun Mar\" is not a rule: write week, day, month and hour, as "
                           "in \"2nd Sun Mar 2:00\"");
        row("5th Sun Mar 2:00", "\"5th\" is not a week: 1st, 2nd, 3rd, 4th or last");
        row("2nd Su Mar 2:00", "\"Su\" is not a day of the week");
        row("2nd Sun Mars 2:00", "\"Mars\" is not a month");
        row("2nd Sun Mar 2:30", "\"2:30\" is not an hour: 0:00 to 23:00, on the hour");
        row("2nd Sun Mar 24:00", "\"24:00\" is not an hour: 0:00 to 23:00, on the hour");
    }
    void parseDstRuleErrors()
    {
        QFETCH(QString, text);
        QString error;
        QVERIFY(!ParseDstRule(text, &error));
        QTEST(error, "error");
        QVERIFY(!ParseDstRule(text, nullptr));
    }

    void planDst_data()
    {
        QTest::addColumn<QString>("spring");
        QTest::addColumn<QString>("fall");
        QTest::addColumn<int>("index");
        QTest::addColumn<QDate>("springDate");
        QTest::addColumn<QDate>("fallDate");
        auto row = [](const char* name, const char* spring, const char* fall, int index,
                      QDate springDate, QDate fallDate) {
            QTest::newRow(name) << QString::fromLatin1(spring) << QString::fromLatin1(fall) << index
                                << springDate << fallDate;
        };
        const char* usSpring = "2nd Sun Mar 2:00";
        const char* usFall = "1st Sun Nov 2:00";
        row("US 2026", usSpring, usFall, 0, {2026, 3, 8}, {2026, 11, 1});
        row("US 2073", usSpring, usFall, 47, {2073, 3, 12}, {2073, 11, 5});
        row("EU 2027 fifth Sunday", "last Sun Mar 1:00", "last Sun Oct 1:00", 1, {2027, 3, 28},
            {2027, 10, 31});
        row("south 2031", "1st Sun Oct 2:00", "1st Sun Apr 3:00", 5, {2031, 10, 5}, {2031, 4, 6});
    }
    void planDst()
    {
        QFETCH(QString, spring);
        QFETCH(QString, fall);
        QFETCH(int, index);
        const DstPlan plan = PlanDst(Rule(qPrintable(spring)), Rule(qPrintable(fall)), 26);
        QCOMPARE(plan.startYear, 26);
        QTEST(plan.springDates[index], "springDate");
        QTEST(plan.fallDates[index], "fallDate");
    }

    void dstTablesAsJsonAndDifferences()
    {
        const DstPlan plan = PlanDst(Rule("2nd Sun Mar 2:00"), Rule("1st Sun Nov 2:00"), 26);
        QByteArray record =
            BuildDstRecord(plan.springDates, plan.fallDates, plan.spring, plan.fall, 26);
        const DstTables same = ParseDSTDates(record);

        const QJsonObject json = DstToJson(same);
        QCOMPARE(json[u"springRule"].toString(), QStringLiteral("2nd Sun Mar 2:00"));
        QCOMPARE(json[u"fallRule"].toString(), QStringLiteral("1st Sun Nov 2:00"));
        QCOMPARE(json[u"firstYear"].toInt(), 2026);
        const QJsonArray changes = json[u"changes"].toArray();
        QCOMPARE(changes.size(), DstTableYears);
        QCOMPARE(changes[5].toObject(),
                 Json(R"({"spring": "2031-03-09 2:00", "fall": "2031-11-02 2:00"})"));
        QCOMPARE(DstDifferences(plan, same), QStringList());

        // Year 5's spring day one late, and the fall hour 1:00 in every year.
        record[5 + 2 * 5] = 10;
        QCOMPARE(
            DstDifferences(plan, ParseDSTDates(record)),
            QStringList({"spring 2031: wanted 2031-03-09 2:00, the clock has 2031-03-10 2:00"}));
        record[2] = 1;
        const QStringList differences = DstDifferences(plan, ParseDSTDates(record));
        QCOMPARE(differences.size(), 1 + DstTableYears);
        QCOMPARE(
            differences.last(),
            QStringLiteral("fall 2073: wanted 2073-11-05 2:00, the clock has 2073-11-05 1:00"));

        QCOMPARE(DstDifferences(plan, DstTables{}), QStringList({"the clock sent no DST tables"}));
        QCOMPARE(DstToJson(DstTables{}), QJsonObject());
    }
};

TARVO_TEST_CLASS(TestCliNetworkDst)
#include "test_cli_network_dst.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/fleet_file.h"
#include "support/test_registry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tarvo;

namespace
{

// Password files the parser may ask for, by absolute path, each its owner's
// alone unless `modes` says otherwise.
struct FakeFiles {
    QHash<QString, QByteArray> files;
    QHash<QString, unsigned> modes;
    QStringList asked;
    FleetFileReader Reader()
    {
        return [this](const QString& path, qint64 limit) -> SmallFileRead {
            asked.append(path);
            if (!files.contains(path))
                return {{}, QStringLiteral("No such file or directory")};
            const QByteArray bytes = files.value(path);
            if (bytes.size() > limit)
                return {{}, QStringLiteral("larger than %1 bytes").arg(limit), true};
            return {bytes, {}, false, modes.value(path, 0600)};
        };
    }
};

FleetParseResult Parse(const QByteArray& json, FakeFiles* files = nullptr)
{
    FakeFiles none;
    return ParseFleet(json, QStringLiteral("/plant/fleet.json"), (files ? files : &none)->Reader());
}

} // namespace

class CliFleetFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Both links, a password given inline or in a file beside the fleet file
    // (which others may read: a warning, as ssh gives for a key), a model, in
    // file order. The bare list form is TestCliFleet's "mixed" file.
    void readsEveryKindOfEntry()
    {
        FakeFiles files;
        files.files[QStringLiteral("/plant/secrets/b.pw")] = "  ab c \r\nsecond line\n";
        files.modes[QStringLiteral("/plant/secrets/b.pw")] = 0644;
        const FleetParseResult r = Parse(R"({"clocks": [
            {"name": "studio-a", "port": "/dev/ttyUSB0", "model": 229},
            {"name": "studio-b", "host": "10.1.2.3", "passwordFile": "secrets/b.pw"},
            {"name": "foyer", "host": "foyer.plant", "password": "9x 1"}
        ]})",
                                         &files);
        QVERIFY2(r.ok(), qPrintable(r.errors.join(u'\n')));
        QCOMPARE(r.clocks.size(), 3);
        QCOMPARE(r.clocks[0].name, QStringLiteral("studio-a"));
        QCOMPARE(r.clocks[0].port, QStringLiteral("/dev/ttyUSB0"));
        QVERIFY(r.clocks[0].host.isEmpty());
        QCOMPARE(r.clocks[0].model, 229);
        QVERIFY(r.clocks[0].password.isEmpty());
        QCOMPARE(r.clocks[1].host, QStringLiteral("10.1.2.3"));
        // The first line, trimmed: inner blanks stay.
        QCOMPARE(r.clocks[1].password, QStringLiteral("ab c"));
        QCOMPARE(r.clocks[1].model, 0);
        QCOMPARE(r.clocks[2].password, QStringLiteral("9x 1"));
        QCOMPARE(files.asked, QStringList{QStringLiteral("/plant/secrets/b.pw")});
        QCOMPARE(r.warnings, QStringList{QStringLiteral("/plant/secrets/b.pw: permissions 0644 are "
                                                        "too open for a password file; make it "
                                                        "its owner's alone (chmod 600)")});
    }

    // Every problem of every entry is listed, each with the file, the entry's
    // number (from 1) and name, and the field; no clock is returned at all.
    void refusesEachBadEntryNamingEntryAndField()
    {
        const FleetParseResult r = Parse(R"({"clocks": [
            {"name": "ok", "host": "127.0.0.1"},
            {"name": "studio-a", "hots": "10.0.0.1", "port": "/dev/ttyS0"},
            {"name": "studio-b", "hots": "10.0.0.2"},
            {"name": "ok", "port": "/dev/ttyS1"},
            {"host": "10.0.0.3"},
            {"name": "both", "port": "/dev/ttyS2", "host": "10.0.0.4"},
            {"name": 7, "host": "10.0.0.5"},
            {"name": "types", "host": 12, "model": "226"},
            {"name": "model", "host": "10.0.0.6", "model": 300},
            {"name": "", "host": "10.0.0.7"},
            "not an entry"
        ]})");
        QVERIFY(!r.ok());
        QVERIFY(r.clocks.isEmpty());
        const QStringList expected{
            R"(/plant/fleet.json: clock 2 ("studio-a"): unknown field "hots")",
            R"(/plant/fleet.json: clock 3 ("studio-b"): unknown field "hots")",
            R"(/plant/fleet.json: clock 3 ("studio-b"): needs "port" (serial device) or "host" (network address))",
            R"(/plant/fleet.json: clock 4 ("ok"): field "name": another clock has this name)",
            R"(/plant/fleet.json: clock 5: field "name": is required)",
            R"(/plant/fleet.json: clock 6 ("both"): give "port" or "host", not both)",
            R"(/plant/fleet.json: clock 7: field "name": must be a string)",
            R"(/plant/fleet.json: clock 8 ("types"): field "host": must be a string)",
            R"(/plant/fleet.json: clock 8 ("types"): field "model": must be 226, 229, 207 or 222, not "226")",
            R"(/plant/fleet.json: clock 9 ("model"): field "model": must be 226, 229, 207 or 222, not 300)",
            R"(/plant/fleet.json: clock 10: field "name": must not be empty)",
            R"(/plant/fleet.json: clock 11: must be a JSON object)",
        };
        QCOMPARE(r.errors, expected);
    }

    // A password is four printable characters, inline or from its file, and
    // never both. A password file that cannot be read is named with the
    // reason; one that holds no password is named and nothing of what it
    // holds is told (a mistyped path may name /etc/shadow).
    void refusesBadPasswords()
    {
        FakeFiles files;
        files.files[QStringLiteral("/plant/short.pw")] = "abc\n";
        files.files[QStringLiteral("/plant/huge.pw")] = QByteArray(10000, 'a');
        files.files[QStringLiteral("/plant/../etc/shadow")] = "root:*:19000:0:99999:7:::\n";
        files.files[QStringLiteral("/plant/bell.pw")] = "ab\ad\n";
        const FleetParseResult r = Parse(R"({"clocks": [
            {"name": "a", "host": "h1", "password": "12345"},
            {"name": "b", "host": "h2", "password": "ab\u0007d"},
            {"name": "c", "host": "h3", "password": "1234", "passwordFile": "p"},
            {"name": "d", "host": "h4", "passwordFile": "short.pw"},
            {"name": "e", "host": "h5", "passwordFile": "missing.pw"},
            {"name": "f", "host": "h6", "passwordFile": "huge.pw"},
            {"name": "g", "host": "h7", "password": 1234},
            {"name": "h", "host": "h8", "passwordFile": "../etc/shadow"},
            {"name": "i", "host": "h9", "passwordFile": "bell.pw"}
        ]})",
                                         &files);
        QCOMPARE(r.errors.size(), 9);
        QVERIFY(r.errors[0].contains(u"clock 1 (\"a\"): field \"password\": the password must be "
                                     u"exactly 4 characters, not 5"));
        QVERIFY(
            r.errors[1].contains(u"clock 2 (\"b\"): field \"password\": must not hold control"));
        QVERIFY(r.errors[2].contains(u"clock 3 (\"c\"): give \"password\" or \"passwordFile\""));
        QVERIFY(r.errors[4].endsWith(u"clock 5 (\"e\"): field \"passwordFile\": cannot read "
                                     u"/plant/missing.pw: No such file or directory"));
        QVERIFY(r.errors[6].contains(u"clock 7 (\"g\"): field \"password\": must be a string"));
        const std::tuple<int, const char*, const char*> hidden[] = {
            {4, "d", "/plant/short.pw"},
            {6, "f", "/plant/huge.pw"},
            {8, "h", "/plant/../etc/shadow"},
            {9, "i", "/plant/bell.pw"}};
        for (const auto& [clock, name, path] : hidden)
            QCOMPARE(r.errors.value(clock - 1),
                     QStringLiteral("/plant/fleet.json: clock %1 (\"%2\"): field \"passwordFile\": "
                                    "%3 is not a password file: its first line must be the "
                                    "password, 4 printable characters")
                         .arg(clock)
                         .arg(QLatin1String(name), QLatin1String(path)));
        QVERIFY(r.warnings.isEmpty());
    }

    // Whole-file problems: not JSON, the wrong shape, an empty list, and a
    // name that would write control characters to the terminal or read as
    // another name.
    void refusesBadFiles()
    {
        QCOMPARE(Parse("{\"clocks\": 1,}").errors.value(0).left(28),
                 QStringLiteral("/plant/fleet.json: not JSON:"));
        QCOMPARE(Parse(R"({"clock": []})").errors,
                 (QStringList{R"(/plant/fleet.json: unknown field "clock")",
                              R"(/plant/fleet.json: needs "clocks": a list of clocks)"}));
        QCOMPARE(Parse(R"({"clocks": []})").errors,
                 QStringList{QStringLiteral("/plant/fleet.json: the list of clocks is empty")});
        // Format characters too: a right-to-left override makes a name read
        // backwards, a zero-width space makes two names look one.
        const FleetParseResult escaped =
            Parse(R"([{"name": "a\u001bb", "host": "h", "extra\u001b": 1},
                      {"name": "a\u202egpj.exe", "host": "h"}, {"name": "a\u200b", "host": "h"},
                      {"name": "c", "host": "h", "\u202ekey": 1}])");
        QCOMPARE(escaped.errors.size(), 5);
        QVERIFY(escaped.errors[0].contains(u"field \"name\": must not hold control or format "
                                           u"characters"));
        QVERIFY(escaped.errors[2].contains(u"clock 2: field \"name\": must not hold control or"));
        QVERIFY(escaped.errors[3].contains(u"clock 3: field \"name\": must not hold control or"));
        QVERIFY(escaped.errors[4].endsWith(u"clock 4 (\"c\"): unknown field \"\\u202ekey\""));
        const QString all = escaped.errors.join(u' ');
        QVERIFY(!all.contains(QChar(0x1b)) && !all.contains(QChar(0x202e)));
    }

    // A folder where the file should be is named as one, not read as empty.
    void folderIsNoFleetFile()
    {
        QTemporaryDir dir;
        QCOMPARE(ReadFleetFile(dir.path()).errors,
                 QStringList{dir.path() + QStringLiteral(": not a regular file but a folder")});
    }
};

TARVO_TEST_CLASS(CliFleetFile)
#include "test_cli_fleet_file.moc"

#include "cli/fleet_file.h"
#include "support/test_registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvo;

namespace
{

// Password files the parser may ask for, by absolute path.
struct FakeFiles {
    QHash<QString, QByteArray> files;
    QStringList asked;
    FleetFileReader Reader()
    {
        return [this](const QString& path) -> std::optional<QByteArray> {
            asked.append(path);
            if (!files.contains(path))
                return std::nullopt;
            return files.value(path);
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
    // Both links, a password given inline or in a file beside the fleet file,
    // a model, in file order; and the bare list form.
    void readsEveryKindOfEntry()
    {
        FakeFiles files;
        files.files[QStringLiteral("/plant/secrets/b.pw")] = "  ab c \r\nsecond line\n";
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

        const FleetParseResult bare = Parse(R"([{"name": "x", "host": "127.0.0.1"}])");
        QVERIFY(bare.ok());
        QCOMPARE(bare.clocks.size(), 1);
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
    // never both; a missing or oversize file is named with its path.
    void refusesBadPasswords()
    {
        FakeFiles files;
        files.files[QStringLiteral("/plant/short.pw")] = "abc\n";
        files.files[QStringLiteral("/plant/huge.pw")] = QByteArray(10000, 'a');
        const FleetParseResult r = Parse(R"({"clocks": [
            {"name": "a", "host": "h1", "password": "12345"},
            {"name": "b", "host": "h2", "password": "ab\u0007d"},
            {"name": "c", "host": "h3", "password": "1234", "passwordFile": "p"},
            {"name": "d", "host": "h4", "passwordFile": "short.pw"},
            {"name": "e", "host": "h5", "passwordFile": "missing.pw"},
            {"name": "f", "host": "h6", "passwordFile": "huge.pw"},
            {"name": "g", "host": "h7", "password": 1234}
        ]})",
                                         &files);
        QCOMPARE(r.errors.size(), 7);
        QVERIFY(r.errors[0].contains(u"clock 1 (\"a\"): field \"password\": the password must be "
                                     u"exactly 4 characters, not 5"));
        QVERIFY(
            r.errors[1].contains(u"clock 2 (\"b\"): field \"password\": must not hold control"));
        QVERIFY(r.errors[2].contains(u"clock 3 (\"c\"): give \"password\" or \"passwordFile\""));
        QVERIFY(r.errors[3].contains(u"clock 4 (\"d\"): field \"passwordFile\": the password must "
                                     u"be exactly 4 characters, not 3"));
        QVERIFY(r.errors[4].contains(u"clock 5 (\"e\"): field \"passwordFile\": cannot read "
                                     u"/plant/missing.pw"));
        QVERIFY(r.errors[5].contains(u"clock 6 (\"f\"): field \"passwordFile\": /plant/huge.pw is "
                                     u"too large"));
        QVERIFY(r.errors[6].contains(u"clock 7 (\"g\"): field \"password\": must be a string"));
    }

    // Whole-file problems: not JSON, the wrong shape, an empty list, and a
    // name that would write control characters to the terminal.
    void refusesBadFiles()
    {
        QCOMPARE(Parse("{\"clocks\": 1,}").errors.value(0).left(28),
                 QStringLiteral("/plant/fleet.json: not JSON:"));
        QCOMPARE(Parse(R"({"clock": []})").errors,
                 (QStringList{R"(/plant/fleet.json: unknown field "clock")",
                              R"(/plant/fleet.json: needs "clocks": a list of clocks)"}));
        QCOMPARE(Parse(R"({"clocks": []})").errors,
                 QStringList{QStringLiteral("/plant/fleet.json: the list of clocks is empty")});
        const FleetParseResult escaped =
            Parse(R"([{"name": "a\u001bb", "host": "h", "extra\u001b": 1}])");
        QCOMPARE(escaped.errors.size(), 2);
        QVERIFY(escaped.errors[0].contains(u"field \"name\": must not hold control characters"));
        QVERIFY(!escaped.errors.join(u' ').contains(QChar(0x1b)));
    }

    // The file on disk: the passwordFile beside it is read from its folder
    // whatever the current directory is.
    void readsFromDisk()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile pw(dir.filePath(QStringLiteral("pw.txt")));
        QVERIFY(pw.open(QIODevice::WriteOnly));
        pw.write("wxyz\n");
        pw.close();
        QFile fleet(dir.filePath(QStringLiteral("fleet.json")));
        QVERIFY(fleet.open(QIODevice::WriteOnly));
        fleet.write(R"([{"name": "a", "host": "127.0.0.1", "passwordFile": "pw.txt"}])");
        fleet.close();
        const FleetParseResult r = ReadFleetFile(fleet.fileName());
        QVERIFY2(r.ok(), qPrintable(r.errors.join(u'\n')));
        QCOMPARE(r.clocks.value(0).password, QStringLiteral("wxyz"));
        const FleetParseResult missing = ReadFleetFile(dir.filePath(QStringLiteral("none.json")));
        QVERIFY(!missing.ok());
        QVERIFY(missing.errors.value(0).contains(u"none.json"));
    }
};

TARVO_TEST_CLASS(CliFleetFile)
#include "test_cli_fleet_file.moc"

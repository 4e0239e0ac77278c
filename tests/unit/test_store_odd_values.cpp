// SPDX-License-Identifier: GPL-3.0-or-later
// Settings-store files that no version of this program writes: values out of
// every range, numbers that are not finite, values the ini format reads as
// lists or typed variants, files that are empty, binary or unreadable. Each
// key must fall back to its default rather than to some other number.
#include "app/settings_store.h"
#include "support/test_registry.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace tarvo;

namespace
{
struct Expected {
    int connectionType;
    int comport;
    int clockType;
    int updatePcClock;
};
} // namespace
Q_DECLARE_METATYPE(Expected)

class StoreOddValues : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void oddFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Expected>("expected");
        const Expected defaults{1, 1, 1, 1};
        QTest::newRow("empty file") << QByteArray() << defaults;
        QTest::newRow("words, too large, negative, no such mode")
            << QByteArray("[Settings]\nConnectionType=network\nComport=70000\nClockType=-3\n"
                          "UpdatePCclock=3\n")
            << Expected{0, 1, -3, 1};
        QTest::newRow("int32 limits")
            << QByteArray("[Settings]\nConnectionType=-2147483648\nComport=32767\n"
                          "ClockType=-32768\nUpdatePCclock=2\n")
            << Expected{-2147483647 - 1, 32767, -32768, 2};
        QTest::newRow("one past the limits")
            << QByteArray("[Settings]\nConnectionType=2147483648\nComport=32768\n"
                          "ClockType=-32769\nUpdatePCclock=-1\n")
            << defaults;
        // Only the decimal number at the start counts: an exponent ends it.
        QTest::newRow("exponents")
            << QByteArray("[Settings]\nConnectionType=1e400\nComport=-1e400\n"
                          "ClockType=nan\nUpdatePCclock=inf\n")
            << Expected{1, -1, 0, 0};
        const QByteArray manyDigits = "1" + QByteArray(400, '0');
        QTest::newRow("not finite")
            << "[Settings]\nConnectionType=" + manyDigits + "\nComport=-" + manyDigits +
                   "\nClockType=" + manyDigits + ".5\nUpdatePCclock=" + manyDigits + "\n"
            << defaults;
        QTest::newRow("halves")
            << QByteArray("[Settings]\nConnectionType=0.5\nComport=3.5\nClockType=-2.5\n"
                          "UpdatePCclock=1.5\n")
            << Expected{0, 4, -2, 2};
        // The ini format reads "a,b" as a list and "@Variant(...)" as a typed
        // value; neither is a number.
        QTest::newRow("list value")
            << QByteArray("[Settings]\nConnectionType=0,1\nComport=\"2\"\nClockType=3, 4\n")
            << Expected{0, 2, 0, 1};
        QTest::newRow("typed variants")
            << QByteArray(
                   "[Settings]\nConnectionType=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5QRect)\n"
                   "Comport=@ByteArray(3)\nClockType=@Variant(garbage\nUpdatePCclock=@Invalid()\n")
            << Expected{0, 3, 0, 1};
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary.append(char((i * 131 + 7) % 256));
        QTest::newRow("binary garbage") << binary << defaults;
        QTest::newRow("garbage then keys") << QByteArray("\x00\xff\xfe[[[=\n\x01\x02=\x03\n", 13) +
                                                  QByteArray("[Settings]\nComport=2\nClockType=3\n")
                                           << Expected{1, 2, 3, 1};
    }

    void oddFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(Expected, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("odd.conf");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const SettingsStore::Loaded loaded = SettingsStore(path).Load();
        QCOMPARE(loaded.connection.ConnectionType, expected.connectionType);
        QCOMPARE(int(loaded.connection.Comport), expected.comport);
        QCOMPARE(int(loaded.connection.ClockType), expected.clockType);
        QCOMPARE(int(loaded.UpdatePCclock), expected.updatePcClock);
    }

    void unreadableFileGivesDefaults()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("locked.conf");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Settings]\nConnectionType=0\nComport=3\nClockType=2\nUpdatePCclock=0\n");
        }
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("this user can read a file without read permission (root); nothing to test");
        const SettingsStore::Loaded loaded = SettingsStore(path).Load();
        QCOMPARE(loaded.connection.ConnectionType, 1);
        QCOMPARE(int(loaded.connection.Comport), 1);
        QCOMPARE(int(loaded.connection.ClockType), 1);
        QCOMPARE(int(loaded.UpdatePCclock), 1);
    }

    void directoryInPlaceOfTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a-folder.conf");
        QVERIFY(QDir().mkpath(path));
        SettingsStore store(path);
        const SettingsStore::Loaded loaded = store.Load();
        QCOMPARE(loaded.connection.ConnectionType, 1);
        // Saving into it fails quietly and leaves the folder as it was.
        ClockConnection c;
        c.ConnectionType = 0;
        store.SaveConnectionSettings(c);
        QVERIFY(QFileInfo(path).isDir());
    }
};

TARVO_TEST_CLASS(StoreOddValues)
#include "test_store_odd_values.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store: defaults, the numeric-value rule and values that do not
// fit their type.
#include "app/settings_store.h"
#include "connect/numeric_value.h"
#include "support/test_registry.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvo;

class AppStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numericValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "3" << 3.0;
        QTest::newRow("leading blanks") << "   42" << 42.0;
        QTest::newRow("blanks inside") << "1 2" << 12.0;
        QTest::newRow("trailing text") << "12abc" << 12.0;
        QTest::newRow("text") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("negative") << "-7" << -7.0;
        QTest::newRow("fraction") << "2.5" << 2.5;
    }
    void numericValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(NumericValue(text), value);
    }

    void roundsHalfToEven()
    {
        QCOMPARE(*RoundHalfEven(2.5), 2);
        QCOMPARE(*RoundHalfEven(3.5), 4);
        QCOMPARE(*RoundHalfEven(-2.5), -2);
        QCOMPARE(*RoundHalfEven(2.6), 3);
        QVERIFY(!RoundHalfEven(1e30).has_value());
    }

    void emptyStoreGivesDefaults()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath("s.conf"));
        const auto loaded = store.Load();
        QCOMPARE(loaded.UpdatePCclock, qint16(1));
        QCOMPARE(loaded.connection.ConnectionType, 1);
        QCOMPARE(loaded.connection.ClockType, qint16(1));
        QCOMPARE(loaded.connection.Comport, qint16(1));
        QCOMPARE(loaded.connection.IPaddress, QString());
    }

    void storedValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("serial") << "ConnectionType"
                                << "0" << 0;
        QTest::newRow("text is zero") << "ConnectionType"
                                      << "network" << 0;
        QTest::newRow("other link kept") << "ConnectionType"
                                         << "2" << 2;
        QTest::newRow("port 3") << "Comport"
                                << "3" << 3;
        QTest::newRow("port rounds half to even") << "Comport"
                                                  << "2.5" << 2;
        QTest::newRow("port too big for 16 bits") << "Comport"
                                                  << "70000" << 1;
        QTest::newRow("huge model") << "ClockType"
                                    << "99999999999999" << 1;
        QTest::newRow("negative model") << "ClockType"
                                        << "-3" << -3;
        QTest::newRow("update off") << "UpdatePCclock"
                                    << "0" << 0;
        QTest::newRow("update odd value") << "UpdatePCclock"
                                          << "7" << 1;
    }
    void storedValues()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QString file = dir.filePath("s.conf");
        {
            QSettings raw(file, QSettings::IniFormat);
            raw.setValue("Settings/" + key, text);
        }
        SettingsStore store(file);
        const auto loaded = store.Load();
        const int actual = key == "ConnectionType" ? loaded.connection.ConnectionType
                           : key == "Comport"      ? loaded.connection.Comport
                           : key == "ClockType"    ? loaded.connection.ClockType
                                                   : loaded.UpdatePCclock;
        QCOMPARE(actual, expected);
    }

    void garbageFileStartsWithDefaults()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("s.conf");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk.append(char((i * 7919) & 0xFF));
        f.write(junk);
        f.close();
        SettingsStore store(file);
        const auto loaded = store.Load();
        QVERIFY(loaded.connection.ConnectionType == 1 || loaded.connection.ConnectionType == 0);
        QCOMPARE(loaded.UpdatePCclock >= 0 && loaded.UpdatePCclock <= 2, true);
    }

    void savesAsText()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("s.conf");
        SettingsStore store(file);
        ClockConnection c;
        c.ConnectionType = 0;
        c.Comport = 3;
        c.ClockType = 2;
        c.IPaddress = QString();
        store.SaveConnectionSettings(c);
        QSettings raw(file, QSettings::IniFormat);
        QCOMPARE(raw.value("Settings/ConnectionType").toString(), QString("0"));
        QCOMPARE(raw.value("Settings/Comport").toString(), QString("3"));
        QCOMPARE(raw.value("Settings/ClockType").toString(), QString("2"));
        QVERIFY(raw.contains("Settings/IPaddress"));
        const auto loaded = store.Load();
        QCOMPARE(loaded.connection.Comport, qint16(3));
        QCOMPARE(loaded.connection.ClockType, qint16(2));
    }
};

TARVO_TEST_CLASS(AppStore)
#include "test_app_store.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/password.h"
#include "support/test_registry.h"

#include <QTest>

using namespace tarvo;

class TestClockPassword : public QObject
{
    Q_OBJECT

private slots:
    void checkPassword_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("reenter");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("record"); // bytes 8-11 afterwards
        const QByteArray old("\x01\x02\x03\x04");
        QTest::newRow("off ignores fields") << false << "ab"
                                            << "cd" << 0 << "" << QByteArray(4, '\0');
        QTest::newRow("three characters") << true << "abc"
                                          << "abc" << -1 << PasswordLengthMessage << old;
        QTest::newRow("five characters") << true << "abcde"
                                         << "abcde" << -1 << PasswordLengthMessage << old;
        QTest::newRow("letter case differs") << true << "AbCd"
                                             << "abcd" << -1 << PasswordMismatchMessage << old;
        QTest::newRow("blanks accepted") << true << "a b "
                                         << "a b " << 1 << "" << QByteArray("a b ");
        QTest::newRow("latin-1") << true << QStringLiteral("caf\u00e9")
                                 << QStringLiteral("caf\u00e9") << 1 << "" << QByteArray("caf\xe9");
        QTest::newRow("beyond one byte")
            << true << QStringLiteral("ab\u20acd") << QStringLiteral("ab\u20acd") << -1
            << PasswordCharacterMessage << old;
        // Characters nobody can type would lock the clock out of the network.
        QTest::newRow("unit separator, the last control") << true
                                                          << "ab\x1f"
                                                             "d"
                                                          << "ab\x1f"
                                                             "d"
                                                          << -1 << PasswordCharacterMessage << old;
        QTest::newRow("C1 control")
            << true << QStringLiteral("ab\u0085d") << QStringLiteral("ab\u0085d") << -1
            << PasswordCharacterMessage << old;
        QTest::newRow("no-break space and tilde")
            << true << QStringLiteral("a\u00a0~z") << QStringLiteral("a\u00a0~z") << 1 << ""
            << QByteArray("a\xa0~z");
    }
    void checkPassword()
    {
        QFETCH(bool, enabled);
        QFETCH(QString, edit);
        QFETCH(QString, reenter);
        QFETCH(int, result);
        const PasswordCheck check = CheckPassword(enabled, edit, reenter);
        QCOMPARE(check.result, result);
        QTEST(check.text, "text");
        QCOMPARE(check.title, result == -1 ? PasswordErrorTitle : QString());

        QByteArray networkData(128, '\x55');
        networkData.replace(StoredPasswordOffset, 4, "\x01\x02\x03\x04");
        ApplyPasswordCheck(check, networkData);
        QTEST(networkData.mid(StoredPasswordOffset, 4), "record");
        QCOMPARE(networkData.count('\x55'), 124);
    }

    void networkPasswordFromText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::newRow("six cut") << "abcdef" << QByteArray("abcd") << true;
        QTest::newRow("empty") << "" << QByteArray("    ") << true;
        QTest::newRow("latin-1 kept")
            << QStringLiteral("\u00ff\u00e9") << QByteArray("\xff\xe9  ") << true;
        QTest::newRow("euro refused") << QStringLiteral("7\u20ac15") << QByteArray() << false;
        QTest::newRow("dropped fifth not checked")
            << QStringLiteral("7315\u20ac") << QByteArray("7315") << true;
        QTest::newRow("escape refused") << QStringLiteral("\u001b[2J") << QByteArray() << false;
    }
    void networkPasswordFromText()
    {
        QFETCH(QString, typed);
        const NetworkPasswordInput input = NetworkPasswordFromText(typed);
        QTEST(input.bytes, "bytes");
        QTEST(input.ok(), "ok");
        QCOMPARE(input.error.isEmpty(), input.ok());
        if (!input.ok())
            QVERIFY(input.error.contains(QLatin1String("32 to 126 and 160 to 255")));
    }
};

TARVO_TEST_CLASS(TestClockPassword)
#include "test_clock_password.moc"

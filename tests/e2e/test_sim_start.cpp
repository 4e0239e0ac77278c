// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated clock's start-up checks: it never binds outside 127.0.0.0/8
// and refuses what it cannot simulate. What it answers on its links is
// checked by every end-to-end test that talks to it.

#include "simulated_clock.h"
#include "support/test_registry.h"

#include <QTest>

using namespace tarvo;

class SimStart : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startRefuses_data();
    void startRefuses();
};

void SimStart::startRefuses_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("networkOption");
    QTest::newRow("private network")
        << 229 << QStringLiteral("192.168.1.50") << QByteArray() << true;
    QTest::newRow("any address") << 229 << QStringLiteral("0.0.0.0") << QByteArray() << true;
    QTest::newRow("short loopback text") << 229 << QStringLiteral("127.1") << QByteArray() << true;
    QTest::newRow("octet too large")
        << 229 << QStringLiteral("127.0.0.300") << QByteArray() << true;
    QTest::newRow("unknown model") << 228 << QStringLiteral("127.31.7.30") << QByteArray() << true;
    QTest::newRow("password too long")
        << 229 << QStringLiteral("127.31.7.30") << QByteArray("12345") << true;
    QTest::newRow("UDP without network option")
        << 229 << QStringLiteral("127.31.7.30") << QByteArray() << false;
}

void SimStart::startRefuses()
{
    QFETCH(int, model);
    QFETCH(QString, address);
    QFETCH(QByteArray, password);
    QFETCH(bool, networkOption);
    SimOptions options;
    options.model = model;
    options.udpAddress = address;
    options.password = password;
    options.networkOption = networkOption;
    SimulatedClock clock(options);
    QString error;
    QVERIFY(!clock.Start(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(clock.UdpAddress().isEmpty());
}

TARVO_TEST_CLASS(SimStart)
#include "test_sim_start.moc"

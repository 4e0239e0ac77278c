// SPDX-License-Identifier: GPL-3.0-or-later
// What the operator sees of the link and of the time to send: the indicator
// turns to "not answering" when the clock falls silent and back when it
// speaks again, on both links; the pickers follow the computer's clock until
// edited, and a time far from it is asked about first; a window without a
// clock says where it looked and offers the ways on; and a clock behind a
// device server is found again at the next start.
#include "app/event_log.h"
#include "app/link_health.h"
#include "app/settings_store.h"
#include "support/settings_helpers.h"
#include "support/test_registry.h"
#include "ui/time_pickers.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTimeEdit>
#include <QtTest>
#include <algorithm>

using namespace tarvo;

namespace
{
QString Indicator(frmControlPanel& w)
{
    auto* label = Control<QLabel>(w, "lblLinkState");
    return label ? label->accessibleDescription() : QString();
}
} // namespace

class OperatorView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void serialIndicatorFollowsTheReports()
    {
        Harness h;
        SimOptions o;
        o.model = 229;
        o.serial = true;
        SimulatedClock& clock = h.AddClock(o);
        h.SaveConnection(0, 1, 2);
        frmControlPanel& w = h.Start({QStringLiteral("127.0.121.1")});
        const QString where = QStringLiteral("229 on ") + clock.PtyPath();
        QVERIFY(Harness::WaitFor(
            [&] { return Indicator(w).startsWith(QStringLiteral("Connected: ") + where); }));
        QVERIFY(Harness::WaitFor([&] { return Indicator(w).contains(u"last report 0 s ago"); }));
        QVERIFY2(Indicator(w).contains(u"GPS"), qPrintable(Indicator(w)));
        QCOMPARE(w.windowTitle(), where + QStringLiteral(" - Tarvo Control Panel"));

        clock.SetSilent(true);
        QVERIFY(Harness::WaitFor(
            [&] { return Indicator(w).startsWith(QStringLiteral("Not answering: ") + where); },
            LinkHealth::SerialSilenceMs * 4));
        // The last time stays, said to be old; the found message is gone.
        auto* age = Control<QLabel>(w, "lblIncomingAge");
        QVERIFY(age->isVisibleTo(&w) && age->text().startsWith(u"No report since "));
        QVERIFY2(h.Status().isEmpty(), qPrintable(h.Status()));
        QCOMPARE(w.windowTitle(), where + QStringLiteral(" - Tarvo Control Panel"));
        clock.SetSilent(false);
        QVERIFY(Harness::WaitFor([&] { return Indicator(w).startsWith(u"Connected: "); }));
        QVERIFY(!age->isVisibleTo(&w));

        // The log tells the same story: found, gone quiet, answering again.
        QStringList kinds;
        for (const EventEntry& e : h.Core().Events().Entries())
            if (e.kind != EventKind::Sent)
                kinds << EventKindName(e.kind);
        QCOMPARE(kinds, QStringList({"found", "lost", "found"}));
    }

    void networkIndicatorAsksAQuietClock()
    {
        Harness h;
        SimOptions o;
        o.model = 229;
        o.udpAddress = QStringLiteral("127.0.122.5");
        SimulatedClock& clock = h.AddClock(o);
        h.SaveConnection(1, 1, 2, o.udpAddress);
        frmControlPanel& w = h.Start({QStringLiteral("127.0.122.1")});
        // Shorter than in use, so the test sees several checks.
        h.Core().Health().SetTimings(LinkHealth::SerialSilenceMs, 1500, 1000);
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }));
        QVERIFY(Harness::WaitFor(
            [&] { return Indicator(w).startsWith(u"Connected: 229 at 127.0.122.5"); }));

        // The operator's edit of a network field survives the check's answer.
        QStringList codes;
        connect(&clock, &SimulatedClock::DatagramReceived, this,
                [&codes](quint8 code) { codes << QString::number(code); });
        Harness::WaitFor([] { return false; }, 1000); // the connect's requests are over
        codes.clear();
        int answers = 0;
        connect(&h.Core().Session(), &ClockSession::NetworkRecordReceived, this,
                [&answers] { ++answers; });
        h.Core().EditNetworkSettings([](QByteArray& record) {
            record[40] = char(record[40] ^ 0x5a);
            return true;
        });
        const QByteArray edited = h.State().NetworkData;
        QVERIFY(Harness::WaitFor([&] { return codes.contains(u"0"); }, 10000));
        QVERIFY(Harness::WaitFor([&] { return answers > 0; }, 3000));
        QCOMPARE(h.State().NetworkData, edited);
        QCOMPARE(Indicator(w).left(10), QStringLiteral("Connected:"));
        QVERIFY2(codes.count(u"0") == codes.size(),
                 qPrintable(codes.join(u' '))); // nothing but the check went out

        clock.SetSilent(true);
        QVERIFY(
            Harness::WaitFor([&] { return Indicator(w).startsWith(u"Not answering: "); }, 15000));
        clock.SetSilent(false);
        QVERIFY(Harness::WaitFor([&] { return Indicator(w).startsWith(u"Connected: "); }, 15000));
    }

    void updateNowSendsTheTimeShownAndAsksWhenItIsFarOff()
    {
        Harness h;
        SimOptions o;
        o.model = 207;
        o.serial = true;
        o.reportMs = 0;
        SimulatedClock& clock = h.AddClock(o);
        h.SaveConnection(0, 1, 3);
        frmControlPanel& w = h.Start({QStringLiteral("127.0.123.1")});
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }));
        QVERIFY(Harness::WaitFor([&] { return Control<QWidget>(w, "cmdSendTime")->isVisible(); }));
        auto* time = Control<QTimeEdit>(w, "dtpTime");
        auto* date = Control<QDateEdit>(w, "dtpDate");
        QCOMPARE(date->displayFormat(), QStringLiteral("MM-dd-yyyy"));

        // Left alone, the pickers move on with the computer's clock.
        const QTime first = time->time();
        QVERIFY(Harness::WaitFor([&] { return time->time() != first; }, 5000));
        QVERIFY(!Control<QPushButton>(w, "cmdTimeNow")->isEnabled());
        clock.State().SetTimeOffsetMs(-3600 * 1000);
        ClickOn(w, "cmdSendTime");
        QVERIFY(Harness::WaitFor(
            [&] { return qAbs(clock.State().Now().secsTo(QDateTime::currentDateTime())) <= 2; },
            3000));
        QVERIFY2(h.Boxes().shown.isEmpty(), qPrintable(h.Boxes().shown.join(u'\n')));

        // An edited time holds, and one far from the computer's is asked about.
        const QDateTime behind = QDateTime::currentDateTime().addSecs(-90);
        time->setTime(behind.time());
        date->setDate(behind.date());
        QVERIFY(Control<QPushButton>(w, "cmdTimeNow")->isEnabled());
        Harness::WaitFor([] { return false; }, 1500);
        QCOMPARE(time->time().second(), behind.time().second());
        ClickOn(w, "cmdSendTime"); // answered No
        QVERIFY(Harness::WaitFor([&] { return h.Boxes().shown.size() == 1; }, 3000));
        QVERIFY2(h.Boxes().shown[0].contains(u"is 1 minute 3"), qPrintable(h.Boxes().shown[0]));
        QVERIFY(h.Boxes().shown[0].contains(u"behind this computer's clock"));
        QCOMPARE(h.Status(), QStringLiteral("The clock's time was not changed."));
        QVERIFY(qAbs(clock.State().Now().secsTo(QDateTime::currentDateTime())) <= 2);
        h.Boxes().answers << true;
        ClickOn(w, "cmdSendTime");
        QVERIFY(
            Harness::WaitFor([&] { return qAbs(clock.State().Now().secsTo(behind)) <= 5; }, 3000));

        // Each read-back went to the event log as well as the status line; this
        // clock sends no reports, so neither time could be confirmed.
        QVERIFY2(Harness::WaitFor(
                     [&] {
                         int confirmed = 0;
                         for (const EventEntry& e : h.Core().Events().Entries())
                             confirmed +=
                                 e.kind == EventKind::NotAnswered && e.text == ConfirmNoAnswerText;
                         return confirmed == 2;
                     },
                     8000),
                 qPrintable(h.Core().Events().Text()));

        ClickOn(w, "cmdTimeNow");
        QVERIFY(qAbs(QDateTime(date->date(), time->time()).secsTo(QDateTime::currentDateTime())) <=
                1);
        QVERIFY(!Control<QPushButton>(w, "cmdTimeNow")->isEnabled());

        // A click in the ticking picker stops it there: the hour typed next
        // replaces the hour and is still there after the next ticks.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* editor = time->findChild<QLineEdit*>();
        QTest::mouseClick(
            editor, Qt::LeftButton, {},
            QPoint(editor->fontMetrics().horizontalAdvance(u'0'), editor->height() / 2));
        QTest::qWait(50);
        const int typed = QTime::currentTime().hour() == 10 ? 11 : 10;
        QTest::keyClicks(time, QString::number(typed));
        Harness::WaitFor([] { return false; }, 1500);
        QCOMPARE(time->time().hour(), typed);
        QVERIFY(Control<QPushButton>(w, "cmdTimeNow")->isEnabled());
    }

    void timeDifferencesReadAsWords()
    {
        const QDateTime now(QDate(2026, 12, 31), QTime(23, 59, 30));
        QCOMPARE(DescribeTimeDifference(now.addSecs(-90), now),
                 QStringLiteral("1 minute 30 seconds behind"));
        QCOMPARE(DescribeTimeDifference(now.addSecs(3600 + 1), now),
                 QStringLiteral("1 hour 1 second ahead of"));
        QCOMPARE(DescribeTimeDifference(now.addDays(-2), now), QStringLiteral("2 days behind"));
        QCOMPARE(DescribeTimeDifference(now, now), QStringLiteral("the same as"));
    }

    void windowWithoutAClockSaysWhereItLooked()
    {
        Harness h;
        h.AddDeadPort();
        frmControlPanel& w = h.Start({QStringLiteral("127.0.124.1")});
        QVERIFY(
            Harness::WaitFor([&] { return h.Status().startsWith(u"No clock answered"); }, 30000));
        QVERIFY2(h.Status().contains(u"Comport 1 (") && h.Status().contains(u"127.0.124.1") &&
                     h.Status().contains(u"Search for Connections"),
                 qPrintable(h.Status()));
        QVERIFY(Indicator(w).startsWith(u"No clock found"));
        auto* search = Control<QPushButton>(w, "cmdFindSearch");
        QVERIFY(search && search->isVisible());
        QVERIFY(Control<QPushButton>(w, "cmdFindAdd")->isVisible());
        QVERIFY(Control<QLabel>(w, "lblNotFoundDetail")->text().startsWith(u"No clock answered"));
        QVERIFY(std::any_of(h.Core().Events().Entries().begin(), h.Core().Events().Entries().end(),
                            [](const EventEntry& e) {
                                return e.kind == EventKind::NotAnswered &&
                                       e.text.startsWith(u"search: No clock answered on Comport 1");
                            }));
    }

    // A network clock that refuses the password is not "connected", and its
    // model is the one it told, or none; a shown window finds a silent one
    // within seconds, not half a minute.
    void networkIndicatorTellsARefusalAndASilence()
    {
        Harness h;
        SimOptions o;
        o.model = 229;
        o.udpAddress = QStringLiteral("127.0.125.5");
        o.password = "4321";
        SimulatedClock& clock = h.AddClock(o);
        h.SaveConnection(1, 1, 1, o.udpAddress); // saved as a 226
        frmControlPanel& w = h.Start({QStringLiteral("127.0.125.1")});
        w.show();
        QVERIFY(Harness::WaitFor(
            [&] { return Indicator(w).startsWith(u"Password refused: clock at 127.0.125.5"); }));
        auto* prompt = Control<QLineEdit>(w, "txtPassword");
        prompt->setText(QStringLiteral("4321"));
        ClickOn(w, "cmdConnect");
        QVERIFY(Harness::WaitFor(
            [&] { return Indicator(w).startsWith(u"Connected: 229 at 127.0.125.5"); }));
        clock.SetSilent(true);
        QVERIFY(
            Harness::WaitFor([&] { return Indicator(w).startsWith(u"Not answering: "); }, 15000));
    }

    // Edits not yet sent are marked until the clock confirms them; the log
    // says what a send carried.
    void editsNotSentAreMarkedUntilConfirmed()
    {
        Harness h;
        SimOptions o;
        o.model = 229;
        o.serial = true;
        h.AddClock(o);
        h.SaveConnection(0, 1, 2);
        frmControlPanel& w = h.Start({QStringLiteral("127.0.127.1")});
        QVERIFY(Harness::WaitFor([&] { return w.FrameClockTimeSettings()->isVisible(); }));
        auto* unsent = Control<QLabel>(w, "lblUnsent");
        QVERIFY(!unsent->isVisible());
        auto* zone = Control<QComboBox>(w, "cmbTimeZone");
        zone->setCurrentIndex((zone->currentIndex() + 3) % zone->count());
        QVERIFY(unsent->isVisible());
        QVERIFY(Harness::WaitFor([&] { return w.windowTitle().startsWith(u'*'); }, 3000));
        ClickOn(w, "imageBTNSend");
        QVERIFY2(Harness::WaitFor([&] { return h.Status() == ConfirmAllTakenText; }, 20000),
                 qPrintable(h.Status()));
        QVERIFY(!unsent->isVisible());
        QVERIFY(Harness::WaitFor([&] { return !w.windowTitle().startsWith(u'*'); }, 3000));
        QVERIFY(std::any_of(h.Core().Events().Entries().begin(), h.Core().Events().Entries().end(),
                            [](const EventEntry& e) {
                                return e.kind == EventKind::Sent && e.text.contains(u"timeZone ");
                            }));
    }

    // An address given by hand where nothing answers is said plainly, and a
    // late answer of the serial clock left behind does not count for it.
    void anAddressThatDoesNotAnswerIsNamed()
    {
        Harness h;
        SimOptions o;
        o.serial = true;
        h.AddClock(o);
        h.SaveConnection(0, 1, 1);
        h.Start({QStringLiteral("127.0.126.1")});
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }));
        h.Core().ConnectToAddress(QStringLiteral("127.0.126.9"));
        QVERIFY(Harness::WaitFor(
            [&] { return h.Status() == QStringLiteral("No clock answered at 127.0.126.9."); },
            8000));
        QVERIFY(!h.State().ClockFound);
        QCOMPARE(h.Core().Events().Entries().back().kind, EventKind::NotAnswered);
    }

    void aDeviceServerIsFoundAgainAtTheNextStart()
    {
        QTcpServer server; // accepts and says nothing: only the port's name matters here
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString name = QStringLiteral("tcp:127.0.0.1:%1").arg(server.serverPort());
        {
            Harness h;
            h.AddDeadPort();
            h.SerialDevices() << name;
            h.SaveConnection(0, 2, 1);
            h.Start();
            QVERIFY(Harness::WaitFor(
                [&] { return h.Core().Store().Load().serialDeviceServer == name; }, 5000));
        }
        // Started with the ports in another order, the saved connection is
        // still the device server's, not whatever is now port 2.
        Harness h;
        h.SerialDevices() << name;
        h.AddDeadPort();
        h.SaveConnection(0, 2, 1);
        SettingsStore(h.SettingsFile()).SaveSerialDeviceServer(name);
        h.Start();
        QVERIFY(Harness::WaitFor([&] { return h.Core().Session().SerialPortOpen(); }, 5000));
        QCOMPARE(h.State().clockConnection.Comport, qint16(1));
        QCOMPARE(h.Core().Session().SerialDevice(h.Core().Session().SerialPortInUse()), name);
    }
};

TARVO_TEST_CLASS(OperatorView)
#include "test_operator_view.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Setting and nudging the simulated clock's time from the window over both
// links, the password prompt cycle (refusals said, the field masked unless
// shown), and the stored-password check that stops
// a network command.
#include "app/event_log.h"
#include "support/settings_helpers.h"
#include "support/test_registry.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>
#include <QtTest>
#include <algorithm>
#include <optional>

using namespace tarvo;

class SettingsTimePassword : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void setTimeAndNudges_data();
    void setTimeAndNudges();
    void refusedPasswordPromptsOnceThenSettingsReturn();
    void invalidStoredPasswordStopsTheResync();
};

void SettingsTimePassword::setTimeAndNudges_data()
{
    QTest::addColumn<bool>("network");
    QTest::newRow("serial") << false;
    QTest::newRow("network") << true;
}

void SettingsTimePassword::setTimeAndNudges()
{
    QFETCH(bool, network);
    Harness h;
    SimOptions o;
    o.model = 207;
    o.serial = !network;
    o.reportMs = 0;
    if (network)
        o.udpAddress = QStringLiteral("127.0.63.5");
    SimulatedClock& clock = h.AddClock(o);
    h.SaveConnection(network ? 1 : 0, 1, 3, network ? QStringLiteral("127.0.63.5") : QString());
    frmControlPanel& w = h.Start({QStringLiteral("127.0.63.1")});
    QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
    QVERIFY(Harness::WaitFor([&] { return Control<QWidget>(w, "frameNudgeTime")->isVisible(); }));

    Control<QDateEdit>(w, "dtpDate")->setDate(QDate(2030, 3, 7));
    Control<QTimeEdit>(w, "dtpTime")->setTime(QTime(14, 5, 9));
    // Years from now: the operator is asked first, and says yes.
    h.Boxes().answers << true;
    ClickOn(w, "cmdSendTime");
    const QDateTime wanted(QDate(2030, 3, 7), QTime(14, 5, 9));
    QVERIFY(Harness::WaitFor([&] { return qAbs(clock.State().Now().secsTo(wanted)) <= 2; }, 3000));
    QCOMPARE(h.Boxes().shown.size(), 1);
    QVERIFY(
        h.Boxes().shown[0].startsWith(u"Update Now|The time to send, 03-07-2030 14:05:09, is "));
    // The log says which time went out.
    QVERIFY(std::any_of(h.Core().Events().Entries().begin(), h.Core().Events().Entries().end(),
                        [](const EventEntry& e) {
                            return e.text.startsWith(u"the time and date 03-07-2030 14:05:09");
                        }));

    const struct {
        const char* button;
        qint64 stepMs;
    } nudges[] = {{"cmdAdvanceSecond", 3600000},
                  {"cmdRetardSecond", -3600000},
                  {"cmdAdvanceSubsecond", 5},
                  {"cmdRetardSubsecond", -5}};
    for (const auto& nudge : nudges) {
        const qint64 before = clock.State().TimeOffsetMs();
        ClickOn(w, nudge.button);
        QVERIFY2(Harness::WaitFor(
                     [&] { return clock.State().TimeOffsetMs() - before == nudge.stepMs; }, 3000),
                 nudge.button);
    }

    // Following the computer's clock, "Update Now" gives the clock the second
    // that has just begun, pressed early or late in a second: the time is on
    // the wire at the start of the second it carries, not up to a second late.
    std::optional<QTime> carried;
    QDateTime arrived;
    connect(&clock, &SimulatedClock::FrameReceived, this,
            [&](quint8 command, const QByteArray& payload) {
                if (command == 3 && payload.size() == 3) {
                    arrived = QDateTime::currentDateTime();
                    carried = QTime(payload[0], payload[1], payload[2]);
                }
            });
    connect(&clock, &SimulatedClock::DatagramReceived, this,
            [&](quint8 code, const QByteArray& datagram) {
                if (code == 9 && datagram.size() > 7) {
                    arrived = QDateTime::currentDateTime();
                    carried = QTime(datagram[5], datagram[6], datagram[7]);
                }
            });
    ClickOn(w, "cmdTimeNow");
    // Seconds of the day, counted forward, so that a run across midnight compares too.
    const auto secondsFrom = [](const QTime& from, const QTime& to) {
        return (to.msecsSinceStartOfDay() / 1000 - from.msecsSinceStartOfDay() / 1000 + 86400) %
               86400;
    };
    for (const int pressAtMs : {550, 850}) {
        QVERIFY(Harness::WaitFor(
            [&] {
                const int ms = QTime::currentTime().msec();
                return ms >= pressAtMs && ms < pressAtMs + 40;
            },
            3000));
        carried.reset();
        const QTime pressed = QTime::currentTime();
        ClickOn(w, "cmdSendTime");
        QVERIFY(Harness::WaitFor([&] { return carried.has_value(); }, 3000));
        // The second carried begins after the press: sent at once, it would be
        // the second of the press, which is over by the time the clock takes it.
        // And it has begun when the frame arrives: sent early, the clock would
        // run ahead. (How far into that second it lands is bench/update_now's.)
        const int ahead = secondsFrom(pressed, *carried);
        const int begun = secondsFrom(*carried, arrived.time());
        qInfo("pressed at .%d s: the time arrived %d ms into the second it carries", pressAtMs,
              arrived.time().msec());
        QVERIFY2(ahead >= 1 && ahead <= 3 && begun <= 2,
                 qPrintable(pressed.toString(u"HH:mm:ss.zzz") + QStringLiteral(" carried ") +
                            carried->toString() + QStringLiteral(" arrived ") +
                            arrived.time().toString(u"HH:mm:ss.zzz")));
    }
}

void SettingsTimePassword::refusedPasswordPromptsOnceThenSettingsReturn()
{
    Harness h;
    SimOptions o;
    o.model = 229;
    o.udpAddress = QStringLiteral("127.0.64.5");
    o.password = "4321";
    h.AddClock(o);
    h.SaveConnection(1, 1, 2, QStringLiteral("127.0.64.5"));
    frmControlPanel& w = h.Start({QStringLiteral("127.0.64.1")});
    auto* prompt = Control<QLineEdit>(w, "txtPassword");
    QVERIFY(Harness::WaitFor([&] { return w.FramePassword()->isVisible(); }, 5000));
    QVERIFY(h.State().PasswordPromptShown);
    QVERIFY(!w.FrameClockTimeSettings()->isVisible());
    QCOMPARE(w.focusWidget(), prompt);

    // The prompt is focused once: later passes leave the focus where it is.
    w.findChild<QWidget*>("cmdConnect")->setFocus();
    Q_EMIT h.Core().StateTouched();
    QTest::qWait(100);
    QVERIFY(w.focusWidget() != prompt);

    // Why the prompt is there is said beside it and on the field itself.
    const QString refusal = QStringLiteral("The clock refused the password.");
    auto* said = Control<QLabel>(w, "lblPasswordRefused");
    QVERIFY(said->isVisible());
    QCOMPARE(said->text(), refusal);
    QCOMPARE(prompt->accessibleDescription(), refusal);
    // The field is named by its prompt and sits right beside it.
    auto* caption = Control<QLabel>(w, "lblPasswordPrompt");
    QCOMPARE(caption->buddy(), prompt);
    QCOMPARE(prompt->accessibleName(), caption->text());
    const QRect captionBox(caption->mapTo(&w, QPoint()), caption->size());
    const QRect fieldBox(prompt->mapTo(&w, QPoint()), prompt->size());
    QVERIFY2(qAbs(captionBox.center().y() - fieldBox.center().y()) < fieldBox.height(),
             "the field is level with its prompt");
    QVERIFY2(fieldBox.left() - captionBox.right() < 40, "the field follows its prompt");

    // Masked unless the operator asks to see it.
    auto* show = Control<QCheckBox>(w, "chkShowPassword");
    QCOMPARE(prompt->echoMode(), QLineEdit::Password);
    show->click();
    QCOMPARE(prompt->echoMode(), QLineEdit::Normal);
    show->click();
    QCOMPARE(prompt->echoMode(), QLineEdit::Password);

    // A wrong password: the refusal is said again and the prompt returns.
    prompt->setFocus();
    prompt->selectAll();
    QTest::keyClicks(prompt, "1111");
    QTest::keyClick(prompt, Qt::Key_Return);
    QVERIFY(said->text().isEmpty());
    QVERIFY(Harness::WaitFor([&] { return said->text() == refusal; }, 3000));
    QVERIFY(Harness::WaitFor([&] { return w.focusWidget() == prompt; }, 3000));
    QVERIFY(w.FramePassword()->isVisible());
    QVERIFY(!w.FrameClockTimeSettings()->isVisible());

    prompt->selectAll();
    QTest::keyClicks(prompt, "4321");
    QCOMPARE(h.State().NetworkPassword, QByteArray("4321"));
    QTest::keyClick(prompt, Qt::Key_Return);
    QVERIFY(Harness::WaitFor([&] { return w.FrameClockTimeSettings()->isVisible(); }, 3000));
    QVERIFY(!h.State().PasswordRefused);
    QVERIFY(!w.FramePassword()->isVisible());
    QVERIFY(Harness::WaitFor([&] { return ShownEntry(w, "cmbTimeZone").startsWith("-5 "); }));
    // The clock has a stored password, so the page shows it ticked.
    QVERIFY(
        Harness::WaitFor([&] { return Control<QCheckBox>(w, "chkEnablePassword")->isChecked(); }));
}

void SettingsTimePassword::invalidStoredPasswordStopsTheResync()
{
    Harness h;
    SimOptions o;
    o.model = 226;
    o.udpAddress = QStringLiteral("127.0.65.5");
    SimulatedClock& clock = h.AddClock(o);
    QList<int> codes;
    connect(&clock, &SimulatedClock::DatagramReceived, this,
            [&](quint8 code, const QByteArray&, const QHostAddress&) { codes << code; });
    h.SaveConnection(1, 1, 1, QStringLiteral("127.0.65.5"));
    frmControlPanel& w = h.Start({QStringLiteral("127.0.65.1")});
    QVERIFY(Harness::WaitFor([&] { return w.FrameClockTimeSettings()->isVisible(); }, 5000));
    QTest::qWait(400);

    auto* enable = Control<QCheckBox>(w, "chkEnablePassword");
    auto* edit = Control<QLineEdit>(w, "txtEditPassword");
    auto* reenter = Control<QLineEdit>(w, "txtReenterPassword");
    QVERIFY(!h.State().NetworkSettingsChanged);
    enable->setChecked(true);
    QVERIFY(h.State().NetworkSettingsChanged);
    QVERIFY(edit->isEnabled() && reenter->isEnabled());
    edit->setText("abc");
    codes.clear();
    ClickOn(w, "imageBTNsync");
    QCOMPARE(h.Boxes().shown.value(0),
             QStringLiteral("Password Error|Password is not 4 characters long. Please re enter "
                            "password fields"));
    edit->setText("abcd");
    reenter->setText("ABCD");
    ClickOn(w, "imageBTNsync");
    QCOMPARE(h.Boxes().shown.value(1),
             QStringLiteral("Password Error|Passwords do not match each other."));
    QTest::qWait(300);
    QVERIFY(!codes.contains(11));

    reenter->setText("abcd");
    ClickOn(w, "imageBTNsync");
    QVERIFY(Harness::WaitFor([&] { return codes.contains(11); }, 2000));
    QCOMPARE(h.State().NetworkData.mid(8, 4), QByteArray("abcd"));
}

TARVO_TEST_CLASS(SettingsTimePassword)
#include "test_settings_time_password.moc"

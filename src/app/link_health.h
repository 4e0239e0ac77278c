// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/records.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace tarvo
{

class Panel;

// Whether the clock in use is there, told apart from what the protocol's own
// status texts say: the serial clock sends a time report every second, so a
// silence of a few seconds means it stopped; the network clock says nothing
// unasked, so while nothing else goes to it, it is asked for its network
// settings every few seconds while the window is shown (now and then while
// it is hidden) and must answer within two seconds. A clock that refuses the
// access password answers, but is not connected: that is a state of its own.
class LinkHealth : public QObject
{
    Q_OBJECT
public:
    enum class State { NotFound, Searching, Waiting, Connected, NotAnswering, PasswordRefused };

    // A serial link with no valid time report for this long is not answering.
    static constexpr int SerialSilenceMs = 5000;
    // The network clock is asked after this long without any send to it
    // while the window is shown, and after the longer time while it is hidden...
    static constexpr int KeepAliveIdleMs = 5000;
    static constexpr int KeepAliveHiddenIdleMs = 30000;
    // ...and is not answering when nothing comes back within this time.
    static constexpr int KeepAliveAnswerMs = 2000;
    // How long a connect waits for a first answer before "not found".
    static constexpr int FirstAnswerMs = 4000;

    explicit LinkHealth(Panel& panel);
    // Shorter waits for the tests that stop a clock and watch the indicator.
    void SetTimings(int serialSilenceMs, int keepAliveIdleMs, int keepAliveAnswerMs);
    // Whether the window is on the screen: a hidden window's link is checked
    // less often.
    void SetWindowShown(bool shown);

    State Current() const;
    // "229 on /dev/ttyUSB0", "229 at 10.0.0.5"; "clock at 10.0.0.5" until the
    // clock itself has told its model; empty without a connection.
    QString Where() const;
    // One line for the indicator and the tray: state, where, the age of the
    // last report or answer and the GPS lock the last report carried.
    QString Text() const;
    // Milliseconds since the clock last sent anything usable; -1 for never.
    qint64 AnswerAgeMs() const;

    // A connect to the saved or chosen clock has begun.
    void Connecting();
    // A valid time report arrived (serial link).
    void ReportArrived(bool gpsLocked);
    // Consumes the answer to a keep-alive request, if one is outstanding: that
    // answer only shows the clock is there and must not replace the settings
    // the operator may be editing.
    bool TakeKeepAliveAnswer();

Q_SIGNALS:
    // The state changed (not sent for the age of the last answer ticking on).
    void StateChanged(tarvo::LinkHealth::State state);

private:
    void OnRecord(const Incoming& incoming);
    void Answered();
    void OnSerialSilence();
    void OnKeepAliveDue();
    void OnKeepAliveUnanswered();
    void Notify();
    bool OnNetwork() const;

    Panel& m_panel;
    QTimer m_serialSilence;
    QTimer m_keepAlive;
    QTimer m_keepAliveAnswer;
    bool m_notAnswering = false;
    bool m_keepAliveOutstanding = false;
    bool m_gpsKnown = false;
    bool m_gpsLocked = false;
    qint64 m_lastAnswerMs = -1;
    qint64 m_connectingSinceMs = -1;
    int m_idleMs = KeepAliveIdleMs;
    int m_shownIdleMs = KeepAliveIdleMs;
    bool m_windowShown = true;
    State m_lastState = State::NotFound;
};

} // namespace tarvo

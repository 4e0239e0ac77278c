// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/clock_monitor.h"
#include "app/event_log.h"
#include "app/link_health.h"
#include "app/program_state.h"
#include "app/settings_store.h"
#include "session/clock_session.h"
#include "session/task.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

namespace tarvo
{

class ClockSearch;
class MessageBoxes;
class PanelView;
class SystemClock;

// The program core behind the main window: the program state, the clock
// session, the start-up sequence, the rules by which a received record
// changes the state, and the connect and search sequences. The window is a
// view of it (PanelView) and calls it from its control handlers.
class Panel : public QObject
{
    Q_OBJECT
public:
    struct Options {
        QStringList serialDevices; // empty: the devices the system reports
        bool serialDevicesGiven = false;
        QStringList localAddresses; // empty: found from the host name and interfaces
        QString settingsFile;       // empty: the user's own store
        bool logSystemClock = false;
    };

    explicit Panel(const Options& options, QObject* parent = nullptr);
    ~Panel() override;

    void SetView(PanelView* view) { m_view = view; }
    void SetMessageBoxes(MessageBoxes* boxes) { m_boxes = boxes; }
    void SetSystemClock(SystemClock* clock) { m_clock = clock; }

    ProgramState& State() { return m_state; }
    const ProgramState& State() const { return m_state; }
    ClockSession& Session() { return m_session; }
    const ClockSession& Session() const { return m_session; }
    SerialLink& Serial() { return m_session.Port(); }
    UdpLink& Udp() { return m_session.Socket(); }
    SettingsStore& Store() { return *m_store; }
    LinkHealth& Health() { return *m_health; }
    const LinkHealth& Health() const { return *m_health; }
    MessageBoxes* Boxes() const { return m_boxes; }
    PanelView* View() const { return m_view; }
    // The clock's offset over the last hour and what happened with the clock;
    // both collect from start-up on, whether or not a window shows them.
    ClockMonitor& Monitor() { return m_monitor; }
    EventLog& Events() { return m_events; }

    // Start-up: the state of a freshly loaded window, then, 300 ms later, the
    // start-up tick: settings, ports, socket, the saved connection's requests,
    // four seconds for an answer and, without one, a search.
    void FormLoad();
    void StartUpTick();
    Task<void> StartUp();
    void LoadSettings();
    void ListSerialPorts();
    // Opens the saved port and asks the clock for its settings (1, then 43).
    Task<void> ConnectViaSerial();
    // Asks the clock at the saved address for all its records.
    Task<void> ConnectViaNetwork();
    void RequestSettingsViaSerial();
    // Requests 0, 3 and 13. A call while a round runs is folded into one more
    // round after it, so a clock (or a stranger) that keeps sending the
    // discovery code cannot stack rounds without bound.
    Task<void> RequestSettingsViaNetwork();
    // Port-open rule: only ports listed at start-up can be opened.
    bool OpenSerialPort(int port);

    // Starts a search of the serial ports with every model, then the network.
    // Mode 0 connects the first clock found, 1 lists all, anything else only
    // empties the list. Null when a search is running already (wait for it:
    // RunningSearch()). The search window keeps the clock in use at the head of
    // the list and so does not clear it first.
    ClockSearch* SearchForClocks(int mode, bool clearFirst = true);
    ClockSearch* RunningSearch() const;
    // Waits for the running search, if any, to end.
    Task<void> SearchEnded();
    void ClearConnections();
    void AddConnection(const ClockConnection& record);

    // The link the settings, defaults, resync and DST commands go out on:
    // serial for ConnectionType 0, the network for 1, none for other values.
    ClockLink* LinkInUse();
    // The time commands go over the network for ConnectionType 1 and over
    // the serial link for every other value.
    ClockLink& TimeCommandLink();
    // Puts the connection in use (model, address) and the access password
    // into the session.
    void ApplyConnection();
    void SetNetworkPassword(const QByteArray& password4);

    // Ends every sequence and closes the socket.
    void Close();

    // The record dispatcher: 0 network settings (the serial 768-byte form),
    // 1 master settings, 2 DST dates.
    void ParseClockSettings(const QByteArray& settings, int dataType);

    // Routines the window provides; the core calls them when set.
    // CheckPassword validates the clock's stored-password fields (0 off,
    // 1 valid, -1 invalid after showing why) and writes them into NetworkData.
    std::function<int()> CheckPassword;
    // Shows the "Updating Network Settings" window over the main window and
    // ends when it closes (15 s). Without one, the core waits as long.
    std::function<Task<void>()> ShowConfiguring;

    // Time report and the computer clock.
    void HandleTimeReport(const QByteArray& report);
    void SetTime();
    void OnUpdatePcClicked(int value);
    // The connected model refuses a time set while locked to GPS.
    bool GpsLockRuleApplies() const;

    // Tells the view the state changed (the layout may have to follow).
    void Changed();
    void ShowStatus(const QString& text);
    // What the operator reads when no clock answered: where the program
    // looked, and the two ways on.
    QString NoClockText() const;

Q_SIGNALS:
    // A record was decoded and stored; the window fills its controls from it.
    void MasterSettingsReceived(const QByteArray& record);
    void NetworkSettingsReceived();
    void DstDatesReceived(const QByteArray& record);
    // A discovery answer arrived while a search was running.
    void DiscoveryAnswer(quint32 sender);
    // A time report was handled and lblIncomingTime shows its result.
    void TimeReportShown(bool valid);
    // What a running search is doing, for the operator.
    void SearchProgress(const QString& text);
    // Changed() was called: something in the state may differ.
    void StateTouched();
    // A change was read back: what the operator was told, and whether the
    // clock holds what was sent.
    void ChangeConfirmed(const QString& text, bool confirmed);
    // The clock in use answered with a refusal of the access password.
    void PasswordRefusedByClock();

private:
    // The rules by which each record changes the state.
    void OnTimeReport(const TimeReportRecord& record);
    void OnMasterRecord(const MasterRecord& record, const RecordSource& source);
    void OnNetworkRecord(const NetworkRecord& record, const RecordSource& source);
    void OnDstRecord(const DstRecord& record, const RecordSource& source);
    void OnIncompleteRecord();
    void OnPasswordRefused(const RecordSource& source);
    void OnDiscoveryCode(const RecordSource& source);
    void OnOtherDatagram(const RecordSource& source);
    // What every datagram does before and after its own rule; false when the
    // datagram was a discovery answer and nothing else is to be done.
    bool DatagramArrives(const RecordSource& source);
    void DatagramHandled();
    void StoreNetworkSettings(const NetworkRecord& record);
    void AfterSearch(int mode);
    // Feeds the monitor and the event log from the session and the state.
    void ConnectMonitor();
    void NoteClockFound();
    void NoteLinkState(LinkHealth::State state);
    QString ConnectionText();

    Options m_options;
    ProgramState m_state;
    ClockSession m_session;
    ClockMonitor m_monitor;
    EventLog m_events;
    bool m_foundRecorded = false; // ClockFound as the event log last saw it
    bool m_lostRecorded = false;  // the last link state logged was "not answering"
    std::unique_ptr<SettingsStore> m_store;
    LinkHealth* m_health = nullptr;
    std::unique_ptr<SystemClock> m_ownClock;
    SystemClock* m_clock = nullptr;
    PanelView* m_view = nullptr;
    MessageBoxes* m_boxes = nullptr;

    QPointer<ClockSearch> m_search;
    // A round of network requests is on its way; another one was asked for
    // meanwhile.
    bool m_requestRoundRunning = false;
    bool m_requestRoundAgain = false;
    // The missing right to set the computer clock is told once.
    bool m_clockProblemShown = false;
    bool m_clockFailed = false;
};

} // namespace tarvo

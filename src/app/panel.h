// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/clock_monitor.h"
#include "app/event_log.h"
#include "app/link_health.h"
#include "app/program_state.h"
#include "app/settings_store.h"
#include "clock/master_record.h"
#include "clock/settings_json.h"
#include "connect/connections.h"
#include "operations/outcome.h"
#include "session/clock_session.h"
#include "session/task.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tarvo
{

class ClockSearch;
class MessageBoxes;
class SystemClock;
struct DstEditorState;

// A step of the computer clock larger than this is never taken without the
// operator's word, as time daemons (ntpd's panic threshold) refuse one.
inline constexpr qint64 LargeStepSeconds = 1000;

// What the send button needs from the controls besides the working settings.
struct SettingsSendInput {
    QString phoneText;             // the modem page's phone number as typed
    int secondOffsetPosition = -1; // selected position of the second-offset list
    QString shownAddress;          // the clock's address as the Network page shows it
};

// The program core behind the main window: the program state, the clock
// session, the start-up sequence, the rules by which a received record
// changes the state, the connect and search sequences, and the clock
// operations the window's buttons start. The window tells it what the
// operator did through the intent-named functions below and follows its
// signals; the core asks the operator its questions through MessageBoxes.
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
        // The computer clock is not stepped further than this without the
        // operator's word.
        qint64 largeStepSeconds = LargeStepSeconds;
    };

    explicit Panel(const Options& options, QObject* parent = nullptr);
    ~Panel() override;

    // The one port through which the core asks and tells the operator.
    void SetMessageBoxes(MessageBoxes* boxes) { m_boxes = boxes; }
    MessageBoxes* Boxes() const { return m_boxes; }
    void SetSystemClock(SystemClock* clock) { m_clock = clock; }
    // How long the clock is given to restart its network after new settings
    // (15 s; shorter in tests).
    void SetConfiguringWait(std::chrono::milliseconds wait) { m_configuringWait = wait; }

    const ProgramState& State() const { return m_state; }
    ClockSession& Session() { return m_session; }
    const ClockSession& Session() const { return m_session; }
    SettingsStore& Store() { return *m_store; }
    LinkHealth& Health() { return *m_health; }
    const LinkHealth& Health() const { return *m_health; }
    // The clock's offset over the last hour and what happened with the clock;
    // both collect from start-up on, whether or not a window shows them.
    ClockMonitor& Monitor() { return m_monitor; }
    EventLog& Events() { return m_events; }
    // The serial device of a port number, for messages ("" when none).
    QString DeviceFor(int port) const;
    // Whether the serial port of the connection in use is open.
    bool SerialPortOpen() const;

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
    // Requests 0, 3 and 13. A call while a round runs is folded into one more
    // round after it, so a clock (or a stranger) that keeps sending the
    // discovery code cannot stack rounds without bound.
    Task<void> RequestSettingsViaNetwork();
    // Port-open rule: only ports listed at start-up can be opened.
    bool OpenSerialPort(int port);
    void CloseSerialPort();

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
    // The search window's search: unless one was done already, lists the clock
    // in use first and then everything a full search finds. A search that is
    // running already is let finish first, so two searches never probe the
    // ports at the same time. The serial port in use is open again afterwards.
    // False when CancelConnectionSearch ended it: the list holds what was
    // found until then, and the next call searches again.
    Task<bool> RunConnectionSearch();
    // Ends the running search at once (the port being probed is closed).
    void CancelConnectionSearch();
    // The next search window searches again rather than showing the last list.
    void ForgetLastSearch() { m_state.SearchDone = false; }
    QList<SearchGridRow> SearchGridRows() const;
    // Connects to entry `index` of the connection list: a serial entry through
    // the serial connect, a network entry with the default password (and
    // saved). False for an index outside the list or an entry of unknown type.
    bool ConnectToListEntry(int index);
    // The manual network connection: `address` becomes the connection in use,
    // is saved and is asked for its settings.
    void ConnectToAddress(const QString& address);

    // The link the settings, defaults, resync and DST commands go out on:
    // serial for ConnectionType 0, the network for 1, none for other values.
    ClockLink* LinkInUse();
    // The time commands go over the network for ConnectionType 1 and over
    // the serial link for every other value.
    ClockLink& TimeCommandLink();
    // Puts the connection in use (model, address) and the access password
    // into the session.
    void ApplyConnection();
    // The model of the connection in use; null while it is not known.
    const ClockModel* Model() const { return FindModel(m_state.clockConnection.ClockType); }

    // What the operator did.
    // The access password to send with every datagram (the prompt's field).
    void SetNetworkPassword(const QByteArray& password4);
    // The password prompt took the focus; it is not focused again until the
    // clock refuses anew.
    void PasswordPromptOpened() { m_state.PasswordPromptShown = true; }
    // The prompt's Connect: the clock is asked again with the password given.
    void RetryPassword();
    // A general setting was edited on the settings pages.
    void EditSettings(const std::function<void(ClockSettings&)>& edit);
    // A network setting was edited: `edit` changes the record and says
    // whether it did.
    void EditNetworkSettings(const std::function<bool(QByteArray&)>& edit);
    // The Password page's stored-password fields as typed; `enableToggled`
    // when the enable box itself changed, which changes the network settings.
    void EditStoredPassword(bool enabled, const QString& edit, const QString& reenter,
                            bool enableToggled);
    // File > Load Clock Settings: the pages show `settings`; nothing is sent.
    void ShowLoadedSettings(const ScriptSettings& settings);
    // The "Update PC Clock." box: 0 off, 1 on, 2 undetermined.
    void SetUpdatePcClock(int value);
    // Whether the window is on the screen: a hidden window asks nothing and
    // checks a network clock less often.
    void SetWindowShown(bool shown);

    // The clock operations behind the window's buttons. Each runs on its own,
    // says what it sent and tells the operator how it ended (the status line,
    // the event log and ChangeConfirmed).
    // The send button: the settings over the link in use, then, over the
    // serial link, the request for the settings when the clock has network
    // settings and the network settings when one of them changed; then the
    // settings are read back (not after a change of network settings, whose
    // own sequence follows the clock to its new address).
    Task<void> SendSettings(SettingsSendInput input);
    // Asks first; then resets the clock and shows the settings it left.
    Task<void> RestoreFactoryDefaults();
    void Resync();
    // "Update Now": `typed` is the time the operator typed, sent at once after
    // a question when it is more than TimeSetQuestionSeconds from the
    // computer's clock; without it the pickers follow the computer's clock and
    // the computer's time goes out at the start of the next second.
    Task<void> SetClockTime(std::optional<QDateTime> typed);
    void Nudge(int adjustType, int adjustDirection);
    // The modem's "update now" always goes over the serial line.
    void ModemUpdateNow();
    // Sends the DST editor's tables over the link in use and reads them back.
    // False when nothing could be sent: the tables are then not taken as the
    // clock's.
    bool SendDstDates(const DstEditorState& editor);

    // What the operator reads.
    bool PagesDiffer() const { return m_state.SettingsEdited || m_state.NetworkSettingsChanged; }
    // The connected model refuses a time set while locked to GPS.
    bool GpsLockRuleApplies() const;
    // What the operator reads when no clock answered: where the program
    // looked, and the two ways on.
    QString NoClockText() const;
    // Where the program looked: "No clock answered on Comport 1 (...) or on
    // the network from ...".
    QString WhereLooked() const;
    // The settings the send button would send now.
    ScriptSettings WorkingSettings(const QString& phoneText, int secondOffsetPosition) const;

    // Ends every sequence and closes the socket.
    void Close();

    // The record dispatcher: 0 network settings (the serial 768-byte form),
    // 1 master settings, 2 DST dates.
    void ParseClockSettings(const QByteArray& settings, int dataType);
    // Time report and the computer clock.
    void HandleTimeReport(const QByteArray& report);
    void SetTime();
    // Tells the window the state changed (the layout may have to follow).
    void Changed();
    void ShowStatus(const QString& text);

Q_SIGNALS:
    // The status line's text.
    void StatusShown(const QString& text);
    // lblIncomingTime: the text, and whether it is a valid time.
    void IncomingTimeShown(const QString& text, bool valid);
    // The send-time button is to be disabled (the clock is locked to GPS).
    void GpsRuleChanged(bool locked);
    // The settings store's "Update PC Clock." value was loaded.
    void UpdatePcLoaded(int value);
    // The time pickers are to show this moment.
    void PickersSeeded(const QDateTime& now);
    void DisableNetworkConfigShown(bool visible);
    // A connect begins: the layout for the model, with nothing found yet.
    void ConnectLayout(const tarvo::ClockModel* model);
    void SecondOffsetListChanged(const tarvo::ClockModel* model);
    // A master record was decoded into the working settings; the pages show
    // `view`.
    void SettingsDecoded(const tarvo::MasterSettingsView& view);
    // NetworkData holds what the clock sent; the network pages show it.
    void NetworkSettingsReceived();
    // The clock's DST tables were taken.
    void DstDatesReceived();
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
    // Whether the pages show something the clock does not hold yet: edits or
    // a loaded file not sent and confirmed.
    void PagesDifferChanged(bool differ);
    // The clock restarts its network with new settings: the "Updating Network
    // Settings" window stands for `wait`.
    void ConfiguringStarted(std::chrono::milliseconds wait);

private:
    friend class ClockSearch;
    // Unit tests put the state a record arrives into.
    friend struct PanelTestAccess;
    // The rules by which each record changes the state.
    void OnTimeReport(const TimeReportRecord& record);
    void OnMasterRecord(const MasterRecord& record, const RecordSource& source);
    void OnNetworkRecord(const NetworkRecord& record, const RecordSource& source);
    void OnDstRecord(const DstRecord& record, const RecordSource& source);
    void OnPasswordRefused(const RecordSource& source);
    void OnDiscoveryCode(const RecordSource& source);
    void OnOtherDatagram(const RecordSource& source);
    // What every datagram does before and after its own rule; false when the
    // datagram was a discovery answer and nothing else is to be done.
    bool DatagramArrives(const RecordSource& source);
    void DatagramHandled();
    void StoreNetworkSettings(const NetworkRecord& record);
    bool SerialInUse() const;
    void TakeStoredPassword();
    void DecodeSettings(const QByteArray& record);
    // Sets the pages' edited mark and tells the window when it changes.
    void MarkEdited(bool settingsEdited);
    void TellPagesDiffer();
    void AfterSearch(int mode);
    // Feeds the monitor and the event log from the session and the state.
    void ConnectMonitor();
    void NoteClockFound();
    void NoteLinkState(LinkHealth::State state);
    QString ConnectionText();

    // The send button's own sends (see SendSettings).
    Task<void> SendAllSettings(SettingsSendInput input);
    // Sends NetworkData over the serial link: commands 30 to 33 with a quarter
    // of the record each, then 42 to apply it. False, sending nothing, when
    // the password check refuses the password fields.
    bool SendNetworkSettingsViaSerial();
    // Tells the operator when nothing answers at the address they gave.
    Task<void> TellIfSilent(QString address);
    // Sends NetworkData to the clock in use (datagram 5, then 20), waits out
    // the clock's restart and, when `shownAddress` differs from the
    // connection's address, follows the clock there; a clock that still does
    // not answer starts a first-clock-wins search. False when the password
    // check stopped the send.
    Task<bool> SendNetworkSettingsViaNetwork(QString shownAddress);
    Task<void> WaitForConfiguring();
    // The stored-password fields checked where the link carries a password:
    // 0 off, 1 valid, -1 invalid (the operator was told why).
    int CheckPassword();
    bool PasswordFieldsRefused(const ClockLink& link);
    // Runs an operation whose answers are read back: while it runs, records
    // the clock sends in answer only show that it is there and do not replace
    // what the pages show.
    template <typename T> Task<T> ReadingBack(Task<T> operation);
    // Tells the operator how an operation ended.
    void Tell(const QString& text, bool confirmed);
    void TellOutcome(const Outcome& outcome, const QString& what);
    Task<void> ResyncAndTell();
    Task<void> NudgeAndTell(int adjustType, int adjustDirection);
    Task<void> ModemUpdateAndTell();
    Task<void> SendDstAndTell(DstEditorState editor);
    Task<void> AskAboutLargeStep(QDateTime setting, qint64 stepMs);
    // What a command carried, for the event log: the time set, the settings
    // by name.
    QString DescribeSent(const ClockCommand& command) const;

    Options m_options;
    ProgramState m_state;
    ClockSession m_session;
    ClockMonitor m_monitor;
    EventLog m_events;
    bool m_foundRecorded = false; // ClockFound as the event log last saw it
    bool m_lostRecorded = false;  // the last link state logged was "not answering"
    std::unique_ptr<SettingsStore> m_store;
    QString m_savedDeviceServer; // the stored serial connection's device server, if any
    LinkHealth* m_health = nullptr;
    std::unique_ptr<SystemClock> m_ownClock;
    SystemClock* m_clock = nullptr;
    MessageBoxes* m_boxes = nullptr;
    std::chrono::milliseconds m_configuringWait{15000};

    QPointer<ClockSearch> m_search;
    // A round of network requests is on its way; another one was asked for
    // meanwhile.
    bool m_requestRoundRunning = false;
    bool m_requestRoundAgain = false;
    // Operations reading the clock back are running.
    int m_readingBack = 0;
    bool m_pagesDifferTold = false;
    // The missing right to set the computer clock is told once.
    bool m_clockProblemShown = false;
    bool m_clockFailed = false;
    bool m_windowShown = true;
    // A step of the computer clock beyond the limit: asked about (one
    // question at a time), let through once when the operator said yes,
    // and not asked again after a no until the step is small again.
    bool m_askingAboutStep = false;
    bool m_largeStepAllowed = false;
    bool m_largeStepRefused = false;
    bool m_largeStepSkipTold = false;
};

// "Update Now" asks first when the typed time is this far from the computer's.
inline constexpr int TimeSetQuestionSeconds = 10;
// "1 minute 30 seconds behind", "2 hours ahead of": `shown` against `now`.
QString DescribeTimeDifference(const QDateTime& shown, const QDateTime& now);

// Title and text of the factory-defaults question.
inline const QString FactoryDefaultsTitle = QStringLiteral("Set to defaults");
inline const QString FactoryDefaultsQuestion =
    QStringLiteral("The clock settings will be set to factory defaults. Is this ok?");
// What the reset changes on a clock of `model`, and what it keeps.
QString FactoryDefaultsDetails(const ClockModel* model);

// The sentences the operator reads after a change.
inline const QString ConfirmNoAnswerText =
    QStringLiteral("The clock did not answer; nothing was confirmed.");
inline const QString ConfirmAllTakenText = QStringLiteral("The clock took every setting.");
// The sentence for a settings read-back: `differences` as SettingsDifferences
// gives them ("field: wanted X, the clock has Y"); `answered` false when no
// record came back.
QString SettingsConfirmation(bool answered, const QStringList& differences);

} // namespace tarvo

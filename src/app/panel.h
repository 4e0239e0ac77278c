#pragma once

#include "app/program_state.h"
#include "app/settings_store.h"
#include "link/serial_link.h"
#include "link/serial_receiver.h"
#include "link/udp_link.h"

#include <QObject>
#include <QQueue>
#include <QStringList>
#include <functional>
#include <memory>

namespace tarvo
{

class MessageBoxes;
class PanelView;
class SystemClock;

// The program core behind the main window: the state, both links, the start-up
// sequence, the receive paths and every command to the clock. The window is a
// view of it (PanelView) and calls it from its control handlers.
class Panel : public QObject {
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
    SerialLink& Serial() { return m_serial; }
    UdpLink& Udp() { return m_udp; }
    SettingsStore& Store() { return *m_store; }
    const SerialReassembler& Receiver() const { return m_rx; }

    // Start-up: the state of a freshly loaded window, then the first tick.
    void FormLoad();
    void StartUpTick();
    void LoadSettings();
    void ListSerialPorts();
    void ConnectViaSerial();
    void ConnectViaNetwork();
    void RequestSettingsViaSerial();
    void RequestSettingsViaNetwork();
    // Searches the serial ports with every model, then the network. Mode 0
    // connects the first clock found, 1 lists all, anything else only empties
    // the list. The search window keeps the clock in use at the head of the
    // list and so does not clear it first.
    void SearchForClocks(int mode, bool clearFirst = true);
    bool SearchRunning() const { return m_searchRunning; }
    int SearchSerialPorts(int mode, int clockType);
    int ProbeSerialPort(int clockType);
    int SearchNetwork(int mode);
    void ClearConnections();
    void AddConnection(const ClockConnection& record);
    void Close();

    // Port-open rule: only ports listed at start-up can be opened.
    bool OpenSerialPort(int port);

    // The one way bytes reach the serial port; nothing when it is closed.
    void SendSerialFrame(quint8 command, const QByteArray& payload = {});
    // The same with the trailer of another model (a probe tries each in turn).
    void SendSerialFrameAs(quint8 command, const QByteArray& payload, int clockType);
    // Sends to the clock in use when the socket is ready; -1 otherwise.
    int SendToClock(const QByteArray& datagram);
    // A datagram with this code, the access password and the payload.
    QByteArray MakeDatagram(quint8 code, QByteArrayView payload = {}) const;

    // Receive paths (connected to the links; public for tests).
    void OnSerialBytes(const QByteArray& bytes);
    void ProcessDatagram(const QByteArray& datagram, int count, quint32 sender);

    // The record dispatcher: 0 network settings (serial form), 1 master
    // settings, 2 DST dates.
    void ParseClockSettings(const QByteArray& settings, int dataType);

    // Routines that later layers provide; the core calls them when set.
    // CheckPassword validates the clock's stored-password fields (0 off,
    // 1 valid, -1 invalid after showing why) and writes them into NetworkData.
    std::function<int()> CheckPassword;
    std::function<void()> SendNetworkSettingsViaSerial;
    std::function<void()> SendNetworkSettingsViaNetwork;
    // Shows the "Updating Network Settings" window modally over the main window.
    std::function<void()> ShowConfiguring;

    MessageBoxes* Boxes() const { return m_boxes; }
    PanelView* View() const { return m_view; }

    // Time report and the computer clock.
    void HandleTimeReport(const QByteArray& report);
    void SetTime();
    void OnUpdatePcClicked(int value);
    // The connected model refuses a time set while locked to GPS.
    bool GpsLockRuleApplies() const;

Q_SIGNALS:
    // A record was decoded; later layers hook their parsers here.
    void MasterSettingsReceived(const QByteArray& record);
    void NetworkSettingsReceived();
    void DstDatesReceived(const QByteArray& record);
    // A discovery answer arrived while a search was running.
    void DiscoveryAnswer(quint32 sender);
    // A time report was handled and lblIncomingTime shows its result.
    void TimeReportShown(bool valid);
    // What a running search is doing, for the operator.
    void SearchProgress(const QString& text);

private:
    void OnSerialReadable();
    void OnSerialError();
    void OnDatagramReady();
    void ReadPendingDatagrams();
    void ScheduleDatagramProcessing();
    void ProcessQueuedDatagram();
    void ProcessSerialByte(quint8 b);
    void OnDiscoveryAnswer(quint32 sender);
    void Changed();

    Options m_options;
    ProgramState m_state;
    SerialLink m_serial;
    UdpLink m_udp;
    SerialReassembler m_rx;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<SystemClock> m_ownClock;
    SystemClock* m_clock = nullptr;
    PanelView* m_view = nullptr;
    MessageBoxes* m_boxes = nullptr;

    struct ReceivedDatagram {
        QByteArray bytes;
        int count = 0;
        quint32 sender = 0;
    };
    // Datagrams read from the socket and not yet handled. Reading drains the
    // system's buffer at once so a reply behind a burst of noise is not dropped
    // there; the bound (8 MB at most) keeps a flood from growing it further.
    static constexpr int kMaxQueuedDatagrams = 32768;
    QQueue<ReceivedDatagram> m_datagramQueue;
    bool m_inSerialHandler = false;
    bool m_serialPending = false;
    bool m_datagramScheduled = false;
    bool m_requestRunning = false;
    bool m_searchRunning = false;
    bool m_closing = false;
    bool m_requestAgain = false;
    bool m_clockProblemShown = false;
    bool m_clockFailed = false;
};

} // namespace tarvo

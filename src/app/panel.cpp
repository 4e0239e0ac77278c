#include "clock/clock_model.h"
#include "app/panel.h"

#include "app/message_boxes.h"
#include "app/panel_view.h"
#include "app/system_clock.h"
#include "link/datagram.h"
#include "link/delay.h"
#include "link/serial_frame.h"

#include <QDateTime>

namespace tarvo
{

namespace {
// Serial commands of the start-up and connect sequences.
constexpr quint8 kRequestClockSettings = 1;
constexpr quint8 kSecondStartUpRequest = 43;
} // namespace

Panel::Panel(const Options& options, QObject* parent)
    : QObject(parent), m_options(options)
{
    m_store = options.settingsFile.isEmpty()
                  ? std::make_unique<SettingsStore>()
                  : std::make_unique<SettingsStore>(options.settingsFile);
    if (options.logSystemClock)
        m_ownClock = std::make_unique<LogSystemClock>();
    else
        m_ownClock = std::make_unique<RealSystemClock>();
    m_clock = m_ownClock.get();
    connect(&m_serial, &SerialLink::BytesAvailable, this, &Panel::OnSerialReadable);
    connect(&m_serial, &SerialLink::PortError, this, &Panel::OnSerialError);
    connect(&m_udp, &UdpLink::DatagramReady, this, &Panel::OnDatagramReady);
    connect(this, &Panel::DiscoveryAnswer, this, &Panel::OnDiscoveryAnswer);
}

Panel::~Panel() = default;

void Panel::Changed()
{
    if (m_view)
        m_view->StateChanged();
}

void Panel::FormLoad()
{
    m_state.FormLoading = true;
    m_state.ClockFound = false;
    m_rx.Reset();
    m_state.SettingsRequested = false;
    m_state.SendingSettings = false;
    m_state.NetworkSettingsPresent = false;
    m_state.PasswordRefused = true;
    m_state.PasswordPromptShown = false;
    m_state.NetworkSettingsChanged = false;
    m_state.Connections.clear();
    m_state.SearchDone = false;
    m_state.NetworkPassword = QByteArrayLiteral("7315");
    m_state.SetTimeCountdown = 5;
    m_state.FormLoading = false;
}

void Panel::StartUpTick()
{
    LoadSettings();
    ListSerialPorts();
    int startupError = 0;
    m_state.NetworkAvailable = m_udp.InitializeNetwork(m_options.localAddresses, &startupError);
    if (startupError != 0 && m_boxes)
        m_boxes->Critical(QStringLiteral("Tarvo Control Panel"), SocketStartupMessage(startupError));
    switch (m_state.clockConnection.ConnectionType) {
    case ConnectionKind::Serial:
        ConnectViaSerial();
        break;
    case ConnectionKind::Network:
        ConnectViaNetwork();
        break;
    default:
        break;
    }
    Changed();
    Delay(4000);
    if (!m_state.ClockFound && !m_closing)
        SearchForClocks(0);
}

void Panel::LoadSettings()
{
    const SettingsStore::Loaded loaded = m_store->Load();
    if (loaded.UpdatePCclock != m_state.UpdatePCclock) {
        // Setting the box runs its click handling, as a click would.
        if (m_view)
            m_view->SetUpdatePcState(loaded.UpdatePCclock);
        OnUpdatePcClicked(loaded.UpdatePCclock);
    }
    m_state.clockConnection = loaded.connection;
    m_state.clockConnection.IPAddressValue = ResolveAddress(loaded.connection.IPaddress);
    if (m_view)
        m_view->SeedPickers(QDateTime::currentDateTime());
}

void Panel::ListSerialPorts()
{
    if (!m_options.serialDevicesGiven)
        m_serial.SetDevices(SerialLink::SystemDevices());
    else
        m_serial.SetDevices(m_options.serialDevices);
    m_state.SerialPorts.clear();
    QString problem;
    for (int port = 1; port <= SerialLink::MaxPorts; ++port) {
        if (m_serial.PortTest(port))
            m_state.SerialPorts << port;
        else if (problem.isEmpty())
            problem = m_serial.LastOpenProblem();
    }
    if (!problem.isEmpty() && m_view)
        m_view->ShowStatus(problem);
}

bool Panel::OpenSerialPort(int port)
{
    if (!m_state.SerialPorts.contains(port))
        return false;
    return m_serial.Open(port);
}

void Panel::ConnectViaSerial()
{
    if (m_view) {
        m_view->UpdateClockLayout(false, false, false, m_state.clockConnection.ClockType);
        m_view->InitializeSecondOffsetCombo(m_state.clockConnection.ClockType);
    }
    m_state.NetworkSettingsPresent = false;
    m_state.SearchInProgress = false;
    if (!OpenSerialPort(m_state.clockConnection.Comport)) {
        if (m_view && !m_serial.LastOpenProblem().isEmpty())
            m_view->ShowStatus(m_serial.LastOpenProblem());
        return;
    }
    m_state.SetTimeCountdown = 5;
    m_state.SettingsRequested = true;
    SendSerialFrame(kRequestClockSettings);
    Delay(20);
    SendSerialFrame(kSecondStartUpRequest);
}

void Panel::ConnectViaNetwork()
{
    m_state.SearchInProgress = false;
    if (m_view)
        m_view->SetDisableNetworkConfigVisible(false);
    Changed();
    RequestSettingsViaNetwork();
}

void Panel::RequestSettingsViaSerial()
{
    SendSerialFrame(kRequestClockSettings);
}

void Panel::RequestSettingsViaNetwork()
{
    // A request arriving while one is running (a discovery code, a reconnect)
    // is folded into one more round after it, instead of nesting waits without
    // bound when such datagrams keep arriving.
    if (m_requestRunning) {
        m_requestAgain = true;
        return;
    }
    m_requestRunning = true;
    do {
        m_requestAgain = false;
        SendToClock(MakeDatagram(DatagramCode::RequestNetworkSettings));
        Delay(300);
        SendToClock(MakeDatagram(DatagramCode::RequestMasterSettings));
        Delay(300);
        SendToClock(MakeDatagram(DatagramCode::RequestDstDates));
    } while (m_requestAgain);
    m_requestRunning = false;
}

void Panel::Close()
{
    m_closing = true;
    m_udp.CloseNetwork();
}

void Panel::SendSerialFrame(quint8 command, const QByteArray& payload)
{
    SendSerialFrameAs(command, payload, m_state.clockConnection.ClockType);
}

void Panel::SendSerialFrameAs(quint8 command, const QByteArray& payload, int clockType)
{
    if (!m_serial.IsOpen())
        return;
    m_serial.Write(BuildSerialFrame(command, payload, clockType));
}

QByteArray Panel::MakeDatagram(quint8 code, QByteArrayView payload) const
{
    return BuildDatagram(code, m_state.NetworkPassword, payload);
}

int Panel::SendToClock(const QByteArray& datagram)
{
    if (m_state.NetworkAvailable != 1)
        return -1;
    return m_udp.SendDatagram(m_state.clockConnection.IPaddress, ClockPort, datagram);
}

} // namespace tarvo

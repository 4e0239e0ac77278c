// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/panel.h"

#include "app/clock_search.h"
#include "app/link_health.h"
#include "app/message_boxes.h"
#include "app/system_clock.h"
#include "clock/password.h"
#include "connect/connections.h"

#include <QDateTime>
#include <QScopeGuard>

namespace tarvo
{

namespace
{
// After the start-up requests, how long the clock has to answer before the
// ports and the network are searched.
constexpr int kStartUpAnswerMs = 4000;
} // namespace

Panel::Panel(const Options& options, QObject* parent)
    : QObject(parent), m_options(options), m_session(this)
{
    m_store = options.settingsFile.isEmpty()
                  ? std::make_unique<SettingsStore>()
                  : std::make_unique<SettingsStore>(options.settingsFile);
    if (options.logSystemClock)
        m_ownClock = std::make_unique<LogSystemClock>();
    else
        m_ownClock = std::make_unique<RealSystemClock>();
    m_clock = m_ownClock.get();

    connect(&m_session, &ClockSession::TimeReportReceived, this,
            [this](const TimeReportRecord& r) { OnTimeReport(r); });
    connect(&m_session, &ClockSession::MasterRecordReceived, this, &Panel::OnMasterRecord);
    connect(&m_session, &ClockSession::NetworkRecordReceived, this, &Panel::OnNetworkRecord);
    connect(&m_session, &ClockSession::DstRecordReceived, this, &Panel::OnDstRecord);
    connect(&m_session, &ClockSession::PasswordRefused, this, &Panel::OnPasswordRefused);
    connect(&m_session, &ClockSession::DiscoveryCodeReceived, this, &Panel::OnDiscoveryCode);
    connect(&m_session, &ClockSession::OtherDatagramReceived, this,
            [this](const OtherDatagram&, const RecordSource& source) { OnOtherDatagram(source); });
    // During a search every sender is heard: any answer is a clock.
    m_session.HearEveryoneWhile([this] { return m_state.SearchInProgress; });
    connect(&m_session, &ClockSession::DestinationResolved, this,
            [this](const QString& host, bool found) {
                if (!found)
                    ShowStatus(QStringLiteral("The clock's address %1 cannot be found: check the "
                                              "name, or give the clock's IP address.")
                                   .arg(host));
            });
    m_health = new LinkHealth(*this);
    connect(this, &Panel::DiscoveryAnswer, this,
            [this](quint32 sender) { AddConnection(DiscoveredNetworkConnection(sender)); });
    ConnectMonitor();
    connect(m_health, &LinkHealth::StateChanged, this, &Panel::NoteLinkState);
}

Panel::~Panel()
{
    // The sequences refer to the session and the state; they end first.
    Close();
}

void Panel::Changed()
{
    NoteClockFound();
    Q_EMIT StateTouched();
}

QString Panel::DeviceFor(int port) const
{
    return m_session.SerialDevice(port);
}

bool Panel::SerialPortOpen() const
{
    return m_session.SerialPortOpen();
}

QString Panel::NoClockText() const
{
    return WhereLooked() + QStringLiteral(". Use Search for Connections to look again, or Add "
                                          "Network Connection to give the clock's address.");
}

QString Panel::WhereLooked() const
{
    QStringList ports;
    for (int port : m_state.SerialPorts) {
        const QString device = m_session.SerialDevice(port);
        ports << (device.isEmpty() ? QStringLiteral("Comport %1").arg(port)
                                   : QStringLiteral("Comport %1 (%2)").arg(port).arg(device));
    }
    QString tried = ports.isEmpty() ? QStringLiteral("No serial port could be opened")
                                    : QStringLiteral("No clock answered on ") + ports.join(u", ");
    const QStringList& local = m_session.LocalAddresses();
    if (m_state.NetworkAvailable == 1 && !local.isEmpty())
        tried += QStringLiteral(" or on the network from %1").arg(local.join(u", "));
    else
        tried += QStringLiteral(" and the network could not be used");
    return tried;
}

void Panel::ShowStatus(const QString& text)
{
    Q_EMIT StatusShown(text);
}

void Panel::FormLoad()
{
    m_state.ClockFound = false;
    m_state.SettingsRequested = false;
    m_state.SendingSettings = false;
    m_state.NetworkSettingsPresent = false;
    m_state.PasswordRefused = true;
    m_state.PasswordPromptShown = false;
    m_state.NetworkSettingsChanged = false;
    m_state.Connections.clear();
    m_state.SearchDone = false;
    SetNetworkPassword(DefaultNetworkPassword());
    m_state.SetTimeCountdown = 5;
}

void Panel::StartUpTick()
{
    Spawn(this, StartUp());
}

Task<void> Panel::StartUp()
{
    LoadSettings();
    ListSerialPorts();
    QString startupProblem;
    m_state.NetworkAvailable =
        m_session.InitializeNetwork(m_options.localAddresses, &startupProblem);
    if (!startupProblem.isEmpty() && m_boxes)
        m_boxes->Critical(QStringLiteral("Tarvo Control Panel"), startupProblem);
    switch (m_state.clockConnection.ConnectionType) {
    case ConnectionKind::Serial:
        co_await ConnectViaSerial();
        break;
    case ConnectionKind::Network:
        co_await ConnectViaNetwork();
        break;
    default:
        break;
    }
    Changed();
    co_await Sleep(kStartUpAnswerMs);
    if (m_state.ClockFound)
        co_return;
    // A search the operator started meanwhile is let finish first.
    co_await SearchEnded();
    if (!m_state.ClockFound && SearchForClocks(0))
        co_await SearchEnded();
}

void Panel::LoadSettings()
{
    const SettingsStore::Loaded loaded = m_store->Load();
    if (loaded.UpdatePCclock != m_state.UpdatePCclock) {
        // The box shows the stored value, and it takes effect as a click would.
        SetUpdatePcClock(loaded.UpdatePCclock);
        Q_EMIT UpdatePcLoaded(loaded.UpdatePCclock);
    }
    m_state.clockConnection = loaded.connection;
    m_state.clockConnection.IPAddressValue =
        ClockSession::AddressValue(loaded.connection.IPaddress);
    m_savedDeviceServer = loaded.serialDeviceServer;
    ApplyConnection();
    Q_EMIT PickersSeeded(QDateTime::currentDateTime());
}

void Panel::ListSerialPorts()
{
    QStringList devices = m_options.serialDevicesGiven ? m_options.serialDevices
                                                       : ClockSession::SystemSerialDevices();
    // A saved connection through a device server is found again: the system
    // lists no such device, and a list given in another order moves it.
    if (m_state.clockConnection.ConnectionType == ConnectionKind::Serial &&
        !m_savedDeviceServer.isEmpty()) {
        qsizetype at = devices.indexOf(m_savedDeviceServer);
        if (at < 0 && !m_options.serialDevicesGiven &&
            devices.size() < ClockSession::MaxSerialPorts) {
            devices << m_savedDeviceServer;
            at = devices.size() - 1;
        }
        if (at >= 0)
            m_state.clockConnection.Comport = static_cast<qint16>(at + 1);
    }
    m_session.SetSerialDevices(devices);
    m_state.SerialPorts.clear();
    QString problem;
    for (int n = 1; n <= ClockSession::MaxSerialPorts; ++n) {
        if (m_session.SerialPortWorks(n))
            m_state.SerialPorts << n;
        else if (problem.isEmpty())
            problem = m_session.LastSerialOpenProblem();
    }
    if (!problem.isEmpty())
        ShowStatus(problem);
}

bool Panel::OpenSerialPort(int port)
{
    if (!m_state.SerialPorts.contains(port))
        return false;
    return m_session.OpenSerialPort(port);
}

void Panel::CloseSerialPort()
{
    m_session.CloseSerialPort();
}

void Panel::ApplyConnection()
{
    m_session.SetModel(Model());
    m_session.SetDestination(m_state.clockConnection.IPaddress);
}

void Panel::SetNetworkPassword(const QByteArray& password4)
{
    m_state.NetworkPassword = password4;
    m_session.SetPassword(password4);
}

Task<void> Panel::ConnectViaSerial()
{
    Q_EMIT ConnectLayout(Model());
    Q_EMIT SecondOffsetListChanged(Model());
    m_state.NetworkSettingsPresent = false;
    m_state.SearchInProgress = false;
    m_state.ModelTold = false;
    ApplyConnection();
    if (!OpenSerialPort(m_state.clockConnection.Comport)) {
        if (!m_session.LastSerialOpenProblem().isEmpty())
            ShowStatus(m_session.LastSerialOpenProblem());
        co_return;
    }
    const bool deviceServer = m_session.SerialTransportName() != QLatin1String("serial");
    m_savedDeviceServer =
        deviceServer ? m_session.SerialDevice(m_state.clockConnection.Comport) : QString();
    m_store->SaveSerialDeviceServer(m_savedDeviceServer);
    m_state.SetTimeCountdown = 5;
    m_state.SettingsRequested = true;
    m_health->Connecting();
    co_await m_session.SerialClock().RequestEverything();
}

Task<void> Panel::ConnectViaNetwork()
{
    m_state.SearchInProgress = false;
    m_state.ModelTold = false;
    Q_EMIT DisableNetworkConfigShown(false);
    ApplyConnection();
    m_health->Connecting();
    Changed();
    co_await RequestSettingsViaNetwork();
}

Task<void> Panel::RequestSettingsViaNetwork()
{
    if (m_requestRoundRunning) {
        m_requestRoundAgain = true;
        co_return;
    }
    m_requestRoundRunning = true;
    const auto roundOver = qScopeGuard([this] { m_requestRoundRunning = false; });
    do {
        m_requestRoundAgain = false;
        co_await m_session.NetworkClock().RequestEverything();
    } while (m_requestRoundAgain);
}

ClockSearch* Panel::SearchForClocks(int mode, bool clearFirst)
{
    if (m_search && m_search->IsRunning())
        return nullptr;
    auto* search = new ClockSearch(*this, mode, clearFirst);
    connect(search, &ClockSearch::Progress, this, &Panel::SearchProgress);
    connect(search, &ClockSearch::finished, this, [this, mode] { AfterSearch(mode); });
    connect(search, &ClockSearch::finished, search, &QObject::deleteLater);
    m_search = search;
    search->Start();
    return m_search && m_search->IsRunning() ? m_search.data() : nullptr;
}

ClockSearch* Panel::RunningSearch() const
{
    return m_search && m_search->IsRunning() ? m_search.data() : nullptr;
}

Task<void> Panel::SearchEnded()
{
    ClockSearch* running = RunningSearch();
    if (!running)
        co_return;
    const QPointer<ClockSearch> search(running);
    const auto ended = [search] { return !search || !search->IsRunning(); };
    co_await WaitFor(running, &ClockSearch::finished, ended, -1);
}

void Panel::AfterSearch(int mode)
{
    // A finished search's last text ("Searching for Clock on Comport 2") must
    // not stay up as if it were still running.
    if (m_state.ClockFound) {
        if (m_state.clockConnection.ConnectionType == ConnectionKind::Network)
            ShowStatus(QStringLiteral("Clock found at ") + m_state.clockConnection.IPaddress);
        else
            ShowStatus(QStringLiteral("Clock Found on Comport ") +
                       QString::number(m_state.clockConnection.Comport));
    } else if (mode == 0 && !m_state.Connections.isEmpty()) {
        ShowStatus(QStringLiteral("Waiting for the clock: ") + m_health->Where());
    } else {
        ShowStatus(NoClockText());
        m_events.Record(EventKind::NotAnswered, QStringLiteral("search: ") + WhereLooked());
    }
    Changed();
}

void Panel::ClearConnections()
{
    tarvo::ClearConnections(m_state.Connections);
}

void Panel::AddConnection(const ClockConnection& record)
{
    tarvo::AddConnection(m_state.Connections, record);
}

ClockLink* Panel::LinkInUse()
{
    switch (m_state.clockConnection.ConnectionType) {
    case ConnectionKind::Serial:
        return &m_session.SerialClock();
    case ConnectionKind::Network:
        return &m_session.NetworkClock();
    default:
        return nullptr;
    }
}

ClockLink& Panel::TimeCommandLink()
{
    if (m_state.clockConnection.ConnectionType == ConnectionKind::Network)
        return m_session.NetworkClock();
    return m_session.SerialClock();
}

void Panel::Close()
{
    if (m_search)
        m_search->Cancel();
    const QList<Job*> jobs = findChildren<Job*>();
    for (Job* job : jobs)
        job->Cancel();
    m_session.CloseNetwork();
}

} // namespace tarvo

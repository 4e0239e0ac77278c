// Finding clocks: every listed serial port probed with every model, then one
// discovery broadcast on the network with a second of listening.
#include "app/panel.h"

#include "app/panel_view.h"
#include "clock/clock_model.h"
#include "connect/connections.h"
#include "link/datagram.h"
#include "link/delay.h"

#include <QScopeGuard>

namespace tarvo
{

namespace {
constexpr quint8 kRequestClockSettings = 1;
constexpr int kProbeMilliseconds = 1000;
constexpr int kListenMilliseconds = 1000;

QString ModelName(int clockType)
{
    return QString::number(ModelOrFallback(clockType).number);
}
} // namespace

void Panel::ClearConnections()
{
    tarvo::ClearConnections(m_state.Connections);
}

void Panel::AddConnection(const ClockConnection& record)
{
    tarvo::AddConnection(m_state.Connections, record);
}

int Panel::ProbeSerialPort(int clockType)
{
    if (!m_serial.IsOpen())
        return 0;
    const int port = m_serial.CurrentPort();
    if (m_view)
        m_view->ShowStatus(QStringLiteral("Searching for Clock on Comport ") +
                           QString::number(port));
    Q_EMIT SearchProgress(QStringLiteral("Asking Comport %1 for a model %2 clock ...")
                              .arg(port)
                              .arg(ModelName(clockType)));
    m_state.ClockAnswered = false;
    SendSerialFrameAs(kRequestClockSettings, {}, clockType);
    Delay(kProbeMilliseconds);
    const bool answered = m_state.ClockAnswered;
    m_serial.Close();
    return answered ? 1 : 0;
}

int Panel::SearchSerialPorts(int mode, int clockType)
{
    m_state.SearchInProgress = true;
    if (m_state.SerialPorts.isEmpty()) {
        m_state.SearchInProgress = false;
        return 0;
    }
    int count = 0;
    // The list may not change under the loop: a connect inside it rebuilds nothing.
    const QList<int> ports = m_state.SerialPorts;
    for (int port : ports) {
        if (m_closing)
            break;
        m_serial.Close();
        if (!OpenSerialPort(port) || ProbeSerialPort(clockType) == 0)
            continue;
        ++count;
        const ClockConnection found = SerialFindConnection(port, clockType);
        AddConnection(found);
        if (mode == 0) {
            m_state.clockConnection = found;
            m_store->SaveConnectionSettings(found);
            m_state.SearchInProgress = false;
            ConnectViaSerial();
            return count;
        }
    }
    m_state.SearchInProgress = false;
    return count;
}

int Panel::SearchNetwork(int mode)
{
    const QByteArray discovery = BuildDiscoveryDatagram();
    m_state.SearchInProgress = true;
    int result = -1;
    if (m_state.NetworkAvailable == 1) {
        QStringList targets = m_udp.BroadcastAddresses();
        targets += m_udp.SubnetBroadcastAddresses();
        for (const QString& address : std::as_const(targets))
            m_udp.SendDatagram(address, ClockPort, discovery);
        result = 1;
    }
    Q_EMIT SearchProgress(QStringLiteral("Listening for clocks on the network ..."));
    Delay(kListenMilliseconds);
    m_state.SearchInProgress = false;
    if (mode == 0) {
        for (const ClockConnection& c : std::as_const(m_state.Connections)) {
            if (c.ConnectionType != ConnectionKind::Network)
                continue;
            m_state.clockConnection = c;
            m_store->SaveConnectionSettings(c);
            ConnectViaNetwork();
            break;
        }
    }
    Changed();
    return result;
}

void Panel::SearchForClocks(int mode, bool clearFirst)
{
    // Every wait of a search keeps the window working, so a second search could
    // start inside the first and probe the same ports at once; it is refused.
    if (m_searchRunning || m_closing)
        return;
    m_searchRunning = true;
    const auto done = qScopeGuard([this] { m_searchRunning = false; });
    if (clearFirst)
        ClearConnections();
    if (mode == 0) {
        for (const ClockModel& model : AllModels()) {
            if (SearchSerialPorts(0, model.code) > 0) {
                Changed();
                return;
            }
        }
        SearchNetwork(0);
    } else if (mode == 1) {
        for (const ClockModel& model : AllModels())
            SearchSerialPorts(1, model.code);
        SearchNetwork(1);
    }
    Changed();
}

void Panel::OnDiscoveryAnswer(quint32 sender)
{
    AddConnection(DiscoveredNetworkConnection(sender));
}

} // namespace tarvo

// The receive paths: serial frames recognised by their end byte, datagrams by
// their first byte, each checked and handed to its decoder.
#include "app/panel.h"

#include "app/panel_view.h"
#include "connect/network_settings.h"
#include "dst/dst_record.h"
#include "link/bytes.h"
#include "link/datagram.h"
#include "link/serial_frame.h"

#include <QTimer>

namespace tarvo
{

namespace
{
constexpr int kTimeReportLength = 12;
constexpr int kMasterRecordLength = 41;
constexpr int kNetworkSettingsLength = 768;
constexpr int kDstRecordLength = 101;
constexpr int kModelIdentifierOffset = 91;
} // namespace

void Panel::OnSerialReadable()
{
    // Decoders may run the event loop; a receive event that arrives meanwhile
    // only notes that more input waits, and the outer call reads it, so the
    // reassembly state is never shared between two running handlers.
    if (m_inSerialHandler) {
        m_serialPending = true;
        return;
    }
    m_inSerialHandler = true;
    do {
        m_serialPending = false;
        const QByteArray bytes = m_serial.ReadAll();
        OnSerialBytes(bytes);
    } while (m_serialPending && m_serial.IsOpen());
    m_inSerialHandler = false;
    Changed();
}

void Panel::OnSerialError()
{
    // A receive error closes and reopens the port; a frame in progress is lost.
    const int port = m_serial.CurrentPort();
    m_serial.Close();
    m_rx.SetInMessage(false);
    if (port > 0)
        m_serial.Open(port);
}

void Panel::OnSerialBytes(const QByteArray& bytes)
{
    for (char c : bytes)
        ProcessSerialByte(static_cast<quint8>(c));
}

void Panel::ProcessSerialByte(quint8 b)
{
    const auto end = m_rx.Feed(b);
    if (!end)
        return;
    const QByteArray& buffer = m_rx.RxBuffer();
    switch (end->endByte) {
    case FrameByte::EndTimeReport:
        if (end->inMessage && end->rxCount == kTimeReportLength && !m_state.SearchInProgress)
            HandleTimeReport(buffer.left(kTimeReportLength));
        break;
    case FrameByte::EndClockSettings:
        if (!end->inMessage)
            break;
        if (!m_state.SearchInProgress && !m_state.SendingSettings && m_state.SettingsRequested) {
            m_store->SaveConnectionSettings(m_state.clockConnection);
            m_state.ClockSettingsCopy = buffer.left(kMasterRecordLength);
            ParseClockSettings(m_state.ClockSettingsCopy, 1);
            m_state.ClockFound = true;
            if (m_view)
                m_view->ShowStatus(QStringLiteral("Clock Found on Comport ") +
                                   QString::number(m_state.clockConnection.Comport));
        } else {
            m_state.ClockAnswered = true;
        }
        m_state.SettingsRequested = false;
        break;
    case FrameByte::EndNetworkSettings:
        if (!end->inMessage)
            break;
        m_state.ClockAnswered = true;
        if (!m_state.SearchInProgress && end->rxCount == kNetworkSettingsLength) {
            ParseClockSettings(buffer.left(kNetworkSettingsLength), 0);
            if (m_view)
                m_view->SetDisableNetworkConfigVisible(true);
            m_state.ClockFound = true;
            if (m_view)
                m_view->ShowStatus(QStringLiteral("Clock Found on Comport ") +
                                   QString::number(m_state.clockConnection.Comport));
        }
        break;
    case FrameByte::EndDstDates:
        if (!end->inMessage)
            break;
        m_state.ClockAnswered = true;
        if (!m_state.SearchInProgress && end->rxCount == kDstRecordLength) {
            ParseClockSettings(buffer.left(kDstRecordLength), 2);
            m_state.ClockFound = true;
        }
        break;
    default:
        break;
    }
}

void Panel::ParseClockSettings(const QByteArray& settings, int dataType)
{
    switch (dataType) {
    case 0: {
        // Two bytes per record byte: the low four bits, then the high four.
        bool any = false;
        for (char c : settings)
            any = any || c != 0;
        m_state.NetworkSettingsPresent = any;
        QByteArray* targets[3] = {&m_state.NetworkData, &m_state.Email1Data, &m_state.Email2Data};
        for (int block = 0; block < 3; ++block) {
            for (int i = 0; i < 128; ++i) {
                const int at = block * 256 + 2 * i;
                SetByte(*targets[block], i,
                        ByteAt(settings, at) + 16 * (ByteAt(settings, at + 1) & 15));
            }
        }
        Q_EMIT NetworkSettingsReceived();
        break;
    }
    case 1:
        Q_EMIT MasterSettingsReceived(settings);
        break;
    case 2:
        m_state.LastDstRecord = settings;
        Q_EMIT DstDatesReceived(settings);
        break;
    default:
        break;
    }
}

void Panel::OnDatagramReady()
{
    ReadPendingDatagrams();
    ScheduleDatagramProcessing();
}

void Panel::ReadPendingDatagrams()
{
    // Only reading happens inside the socket's signal: a datagram's handling
    // may wait with the event loop running, and a wait inside the signal can
    // leave the socket's read notification off for good.
    while (m_datagramQueue.size() < kMaxQueuedDatagrams && m_udp.HasPendingDatagram()) {
        ReceivedDatagram received;
        received.bytes = QByteArray(ReceiveLimit, '\0');
        received.count = m_udp.ReceiveDatagram(received.bytes, received.sender);
        // Bytes past the end of a short datagram read as zeros, never as
        // another datagram's data.
        m_datagramQueue.enqueue(received);
    }
}

void Panel::ScheduleDatagramProcessing()
{
    if (m_datagramScheduled || m_datagramQueue.isEmpty())
        return;
    m_datagramScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_datagramScheduled = false;
        ProcessQueuedDatagram();
    });
}

void Panel::ProcessQueuedDatagram()
{
    if (m_datagramQueue.isEmpty())
        return;
    // One datagram per turn of the event loop: a burst cannot starve the
    // window. The next turn is booked first, so datagrams keep being handled
    // while this one's handling waits.
    const ReceivedDatagram received = m_datagramQueue.dequeue();
    ScheduleDatagramProcessing();
    ProcessDatagram(received.bytes, received.count, received.sender);
    m_state.NetworkSettingsPresent = true;
    Changed();
    ReadPendingDatagrams();
    ScheduleDatagramProcessing();
}

void Panel::ProcessDatagram(const QByteArray& datagram, int count, quint32 sender)
{
    if (count <= 0)
        return;
    if (m_state.SearchInProgress) {
        Q_EMIT DiscoveryAnswer(sender);
        return;
    }
    if (m_view)
        m_view->ShowStatus(QStringLiteral("Clock found at ") + m_state.clockConnection.IPaddress);
    switch (ByteAt(datagram, 0)) {
    case ReplyCode::PasswordRefused:
        m_state.ClockFound = true;
        m_state.PasswordRefused = true;
        m_state.PasswordPromptShown = false;
        break;
    case ReplyCode::Discovery:
        RequestSettingsViaNetwork();
        break;
    case ReplyCode::NetworkSettings: {
        m_state.PasswordRefused = false;
        m_state.ClockFound = true;
        for (int i = 0; i < 126; ++i)
            SetByte(m_state.NetworkData, i, ByteAt(datagram, DatagramPayloadOffset + i));
        m_state.clockConnection.ClockType = static_cast<qint16>(ClockTypeFromIdentifier(
            ByteAt(m_state.NetworkData, kModelIdentifierOffset), m_state.clockConnection.ClockType));
        if (m_view)
            m_view->InitializeSecondOffsetCombo(m_state.clockConnection.ClockType);
        Q_EMIT NetworkSettingsReceived();
        break;
    }
    case ReplyCode::MasterSettings:
        m_state.ClockFound = true;
        m_state.PasswordRefused = false;
        Q_EMIT MasterSettingsReceived(datagram.mid(DatagramPayloadOffset, 16));
        break;
    case ReplyCode::DstDates:
        m_state.ClockFound = true;
        ParseClockSettings(DstRecordFromDatagram(datagram), 2);
        break;
    default:
        break;
    }
}

} // namespace tarvo

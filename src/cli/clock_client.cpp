#include "clock/clock_model.h"
#include "cli/clock_client.h"

#include "clock/master_record.h"
#include "connect/network_settings.h"
#include "link/bytes.h"
#include "link/datagram.h"
#include "link/serial_frame.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>

namespace tarvo
{

namespace
{
constexpr int kProbeMs = 1000;
constexpr int kNetworkIdentifierOffset = 91;

qint64 SystemTimeUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}
} // namespace

ClockClient::ClockClient(QObject* parent)
    : QObject(parent), m_serial(this), m_udp(this), m_network(EmptyNetworkData())
{
    connect(&m_serial, &SerialLink::BytesAvailable, this, &ClockClient::OnSerialReadable);
    connect(&m_serial, &SerialLink::PortError, this, [this] { m_portFailed = true; });
    connect(&m_udp, &UdpLink::DatagramReady, this, &ClockClient::OnDatagramReady);
}

bool ClockClient::OpenSerial(const QString& device, QString* error)
{
    m_isSerial = true;
    m_where = device;
    m_serial.SetDevices({device});
    if (m_serial.Open(1))
        return true;
    if (error) {
        *error = m_serial.LastOpenProblem();
        if (error->isEmpty())
            *error = QStringLiteral("Cannot open %1 as a serial port.").arg(device);
    }
    return false;
}

bool ClockClient::OpenNetwork(const QString& host, QString* error)
{
    m_isSerial = false;
    m_where = host;
    m_hostAddress = ResolveAddress(host);
    if (m_hostAddress == InvalidAddress) {
        if (error)
            *error = QStringLiteral("%1 is not an address or a known host name.").arg(host);
        return false;
    }
    // Only a socket is needed for one clock; the local addresses matter to
    // discovery alone, so loopback stands in for them.
    m_udp.InitializeNetwork({QStringLiteral("127.0.0.1")});
    if (!m_udp.IsOpen()) {
        if (error)
            *error = QStringLiteral("Cannot open a UDP socket.");
        return false;
    }
    return true;
}

bool ClockClient::WaitFor(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        // Waits such as the one to the next whole second must be kept to the millisecond.
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(this, &ClockClient::SomethingReceived, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        loop.exec();
    }
    return true;
}

ClockClient::Outcome ClockClient::Request(const std::function<void()>& send, const int& counter)
{
    const int before = counter;
    const int refusedBefore = m_refusedCount;
    const auto answered = [&] { return counter != before || m_refusedCount != refusedBefore; };
    // A datagram may be lost, so the network request goes out twice within the
    // wait; a serial line does not drop frames.
    const int attempts = m_isSerial ? 1 : 2;
    for (int i = 0; i < attempts && !answered(); ++i) {
        send();
        WaitFor(answered, m_timeoutMs / attempts);
    }
    if (m_refusedCount != refusedBefore)
        return Outcome::Refused;
    return counter != before ? Outcome::Answered : Outcome::Silent;
}

ClockClient::Outcome ClockClient::Identify()
{
    if (m_isSerial) {
        if (m_clockType != 0)
            return ReadMaster(nullptr);
        for (int type = 1; type <= 4; ++type) {
            const int before = m_masterCount;
            SendProbe(type);
            if (WaitFor([&] { return m_masterCount != before; }, kProbeMs)) {
                m_clockType = type;
                return Outcome::Answered;
            }
        }
        return Outcome::Silent;
    }
    const Outcome outcome = ReadNetwork(nullptr, nullptr);
    if (outcome == Outcome::Answered)
        m_clockType =
            ClockTypeFromIdentifier(ByteAt(m_network, kNetworkIdentifierOffset), m_clockType);
    return outcome;
}

ClockClient::Outcome ClockClient::ReadMaster(QByteArray* record)
{
    const Outcome outcome = Request(
        [this] {
            if (m_isSerial)
                SendSerial({RequestSettingsSerialCommand()});
            else
                SendDatagram(RequestMasterSettingsDatagram(m_password));
        },
        m_masterCount);
    if (outcome == Outcome::Answered && record)
        *record = m_master;
    return outcome;
}

ClockClient::Outcome ClockClient::ReadNetwork(QByteArray* networkData, bool* present)
{
    const Outcome outcome = Request(
        [this] {
            if (m_isSerial)
                SendSerial({{43, {}}});
            else
                SendDatagram(BuildDatagram(DatagramCode::RequestNetworkSettings, m_password));
        },
        m_networkCount);
    if (outcome == Outcome::Answered) {
        if (networkData)
            *networkData = m_network;
        if (present)
            *present = m_networkPresent;
    }
    return outcome;
}

ClockClient::Outcome ClockClient::ReadDst(DstTables* tables)
{
    // Over the serial link request 43 brings the DST tables right after the
    // network settings: when it was the last thing sent, its answer is used
    // rather than asking (and waiting for 870 bytes at 9600 baud) again.
    if (m_isSerial && m_dstCountBefore43 >= 0) {
        const int before = m_dstCountBefore43;
        if (WaitFor([&] { return m_dstCount != before; }, m_timeoutMs)) {
            if (tables)
                *tables = ParseDSTDates(m_dst);
            return Outcome::Answered;
        }
    }
    const Outcome outcome = Request(
        [this] {
            if (m_isSerial)
                SendSerial({{43, {}}});
            else
                SendDatagram(BuildDatagram(DatagramCode::RequestDstDates, m_password));
        },
        m_dstCount);
    if (outcome == Outcome::Answered && tables)
        *tables = ParseDSTDates(m_dst);
    return outcome;
}

void ClockClient::SendSerial(const QList<SerialCommand>& commands)
{
    const bool onlyRequest43 = commands.size() == 1 && commands.first().command == 43;
    m_dstCountBefore43 = onlyRequest43 ? m_dstCount : -1;
    for (const QByteArray& frame : BuildSerialFrames(commands, m_clockType))
        m_serial.Write(frame);
}

void ClockClient::SendProbe(int clockType)
{
    m_dstCountBefore43 = -1;
    m_serial.Write(BuildSerialFrame(RequestSettingsSerialCommand().command, {}, clockType));
}

bool ClockClient::SendDatagram(const QByteArray& datagram)
{
    return m_udp.SendDatagram(AddressToString(m_hostAddress), ClockPort, datagram) > 0;
}

std::optional<ReceivedTimeReport> ClockClient::NextTimeReport(int ms)
{
    const int before = m_reportCount;
    if (!WaitFor([&] { return m_reportCount != before; }, ms))
        return std::nullopt;
    return m_lastReport;
}

void ClockClient::OnSerialReadable()
{
    // Stamped before anything else is done, so the time of arrival is not
    // moved by the decoding.
    const qint64 arrivalUs = SystemTimeUs();
    const QByteArray bytes = m_serial.ReadAll();
    bool any = false;
    for (char c : bytes) {
        if (const auto end = m_rx.Feed(static_cast<quint8>(c))) {
            HandleFrame(*end, arrivalUs);
            any = true;
        }
    }
    if (any)
        Q_EMIT SomethingReceived();
}

void ClockClient::HandleFrame(const SerialReassembler::EndOfFrame& end, qint64 arrivalUs)
{
    if (!end.inMessage)
        return;
    const QByteArray& buffer = m_rx.RxBuffer();
    switch (end.endByte) {
    case FrameByte::EndTimeReport:
        if (end.rxCount == TimeReportLength) {
            m_lastReport = {DecodeTimeReport(buffer.left(TimeReportLength)), arrivalUs};
            ++m_reportCount;
            Q_EMIT TimeReportReceived(m_lastReport);
        }
        break;
    case FrameByte::EndClockSettings:
        m_master = buffer.left(qMin(end.rxCount, SerialMasterRecordLength));
        ++m_masterCount;
        break;
    case FrameByte::EndNetworkSettings:
        if (end.rxCount == NetworkSettingsPayloadLength) {
            const UnpackedNetworkSettings unpacked =
                UnpackNetworkSettings(buffer.left(NetworkSettingsPayloadLength));
            m_network = unpacked.networkData;
            m_networkPresent = unpacked.present;
            ++m_networkCount;
        }
        break;
    case FrameByte::EndDstDates:
        if (end.rxCount == DstRecordLength) {
            m_dst = buffer.left(DstRecordLength);
            ++m_dstCount;
        }
        break;
    default:
        break;
    }
}

void ClockClient::OnDatagramReady()
{
    while (m_udp.HasPendingDatagram()) {
        QByteArray datagram(ReceiveLimit, '\0');
        quint32 sender = 0;
        const int count = m_udp.ReceiveDatagram(datagram, sender);
        // Only the clock being talked to is listened to.
        if (count > 0 && sender == m_hostAddress)
            HandleDatagram(datagram, count);
    }
    Q_EMIT SomethingReceived();
}

void ClockClient::HandleDatagram(const QByteArray& datagram, int count)
{
    switch (ByteAt(datagram, 0)) {
    case ReplyCode::PasswordRefused:
        ++m_refusedCount;
        break;
    case ReplyCode::NetworkSettings:
        m_network = EmptyNetworkData();
        for (int i = 0; i < DatagramPayloadLength; ++i)
            SetByte(m_network, i, ByteAt(datagram, DatagramPayloadOffset + i));
        m_networkPresent = true;
        ++m_networkCount;
        break;
    case ReplyCode::MasterSettings:
        if (count >= DatagramPayloadOffset + NetworkMasterRecordLength) {
            m_master = datagram.mid(DatagramPayloadOffset, NetworkMasterRecordLength);
            ++m_masterCount;
        }
        break;
    case ReplyCode::DstDates:
        if (count >= DatagramPayloadOffset + DstRecordLength) {
            m_dst = DstRecordFromDatagram(QByteArrayView(datagram).first(count));
            ++m_dstCount;
        }
        break;
    default:
        break;
    }
}

} // namespace tarvo

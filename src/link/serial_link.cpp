// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/serial_link.h"

#include "files/small_file.h"
#include "link/traffic_log.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tarvo
{

namespace
{
// Where lock files of serial devices are kept, in the order Qt's own serial
// port looks for them.
const char* const kLockFolders[] = {"/var/lock",       "/etc/locks", "/var/spool/locks",
                                    "/var/spool/uucp", "/tmp",       "/run/lock"};
} // namespace

SerialLink::PortHolder SerialLink::HolderOf(const QString& device)
{
    // "LCK..ttyUSB0" for /dev/ttyUSB0, "LCK..pts_3" for /dev/pts/3.
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : kLockFolders) {
        // The folders are open to every user: a FIFO put there in a lock
        // file's name is refused, not waited on.
        const SmallFileRead lock =
            ReadSmallFile(QStringLiteral("%1/LCK..%2").arg(QLatin1String(folder), name), 4096);
        if (!lock.ok())
            continue;
        // The lock file holds the process id, then (Qt's lock files) the
        // program's name; UUCP-style files hold the id alone.
        const QList<QByteArray> lines = lock.bytes.split('\n');
        const qint64 pid = lines.value(0).trimmed().toLongLong();
        if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
            continue; // left behind by a process that is gone
        const SmallFileRead comm = ReadSmallFile(QStringLiteral("/proc/%1/comm").arg(pid), 256);
        QString program =
            QString::fromLocal8Bit((comm.ok() ? comm.bytes : lines.value(1)).trimmed());
        return {pid, program};
    }
    return {};
}

bool SerialLink::OpenedElsewhere(const QString& device)
{
    // Opened exclusively by another program: the open says EBUSY, where a
    // missing right says EACCES.
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == EBUSY;
}

SerialLink::SerialLink(QObject* parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::BytesAvailable);
    connect(&m_server, &DeviceServerLink::BytesAvailable, this, &SerialLink::BytesAvailable);
    connect(&m_server, &DeviceServerLink::StatusChanged, this, &SerialLink::TransportChanged);
    connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (m_port.isOpen() && (e == QSerialPort::ReadError || e == QSerialPort::WriteError ||
                                e == QSerialPort::ResourceError))
            Q_EMIT PortError();
    });
}

QStringList SerialLink::SystemDevices()
{
    QStringList devices;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        devices << info.systemLocation();
    std::sort(devices.begin(), devices.end());
    return devices;
}

QString SerialLink::DeviceFor(int port) const
{
    if (port < 1 || port > m_devices.size())
        return {};
    return m_devices.at(port - 1);
}

bool SerialLink::OpenDevice(const QString& device)
{
    if (m_port.isOpen())
        m_port.close();
    m_server.Close();
    m_currentPort = 0;
    m_lastProblem.clear();
    m_lastProblemKind = QSerialPort::NoError;
    if (device.isEmpty())
        return false;
    if (IsDeviceServerName(device)) {
        const auto address = ParseDeviceServer(device, &m_lastProblem);
        if (!address)
            return false;
        m_server.Open(device, *address);
        return true;
    }
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_lastProblemKind = m_port.error();
        m_lastProblem = OpenProblem(device, m_lastProblemKind);
        m_port.clearError();
        return false;
    }
    const bool configured =
        m_port.setBaudRate(QSerialPort::Baud9600) && m_port.setDataBits(QSerialPort::Data8) &&
        m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop) &&
        m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_port.close();
        m_port.clearError();
        m_lastProblem =
            QStringLiteral("Cannot open %1 as a serial port: it does not take 9600 baud, 8 data "
                           "bits, no parity, 1 stop bit (not a serial port?).")
                .arg(device);
        return false;
    }
    m_port.setReadBufferSize(0);
    // What the clock sent while the port was closed waits in the system's
    // buffer, and would be read now as if it had just come: a time report
    // seconds old, taken as the clock's time, puts it seconds behind.
    m_port.clear(QSerialPort::Input);
    return true;
}

QString SerialLink::OpenProblem(const QString& device, QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::PermissionError:
        return PermissionProblem(device);
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("Cannot open %1 as a serial port: there is no such device (is the "
                              "adapter plugged in?).")
            .arg(device);
    case QSerialPort::OpenError:
        return QStringLiteral("Cannot open %1 as a serial port: it is already open.").arg(device);
    default:
        break;
    }
    return QStringLiteral("Cannot open %1 as a serial port: %2.").arg(device, m_port.errorString());
}

QString SerialLink::PermissionProblem(const QString& device)
{
    // Another program holding the port is not a matter of rights: the lock
    // file it left names it.
    const PortHolder holder = HolderOf(device);
    if (holder.pid > 0)
        return tr("%1 is in use by %2 (process %3): close it there, or choose another port.")
            .arg(device, holder.program.isEmpty() ? tr("another program") : holder.program)
            .arg(holder.pid);
    // The device's own rights allow the open (always so for root): what
    // refused it was the lock of another program, which may have written no
    // id yet, or released it again, when its lock file was read.
    if (OpenedElsewhere(device) ||
        ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0)
        return tr("%1 is in use by another program: close it there, or choose another port.")
            .arg(device);
    return tr("No permission to open %1: add your user to the group that owns it "
              "(on Debian: sudo usermod -aG dialout $USER) and log in again.")
        .arg(device);
}

bool SerialLink::PortTest(int port)
{
    const QString device = DeviceFor(port);
    if (IsDeviceServerName(device)) {
        m_lastProblem.clear();
        return ParseDeviceServer(device, &m_lastProblem).has_value();
    }
    const bool ok = OpenDevice(device);
    if (m_port.isOpen())
        m_port.close();
    m_currentPort = 0;
    // Listing the ports tells only what the operator can mend (in use, a
    // permission); a device that is not there is simply not listed.
    if (!ok && m_lastProblemKind != QSerialPort::PermissionError)
        m_lastProblem.clear();
    return ok;
}

bool SerialLink::Open(int port)
{
    if (!OpenDevice(DeviceFor(port)))
        return false;
    m_currentPort = port;
    return true;
}

void SerialLink::Close()
{
    if (m_port.isOpen())
        m_port.close();
    m_server.Close();
    m_currentPort = 0;
}

TransportStatus SerialLink::Transport() const
{
    if (m_server.Status().state != TransportStatus::State::Closed)
        return m_server.Status();
    TransportStatus status;
    status.where = DeviceFor(m_currentPort);
    status.state = m_port.isOpen() ? TransportStatus::State::Open : TransportStatus::State::Closed;
    return status;
}

void SerialLink::Write(const QByteArray& bytes)
{
    if (m_server.IsOpen()) {
        TrafficLog::Serial(true, m_server.Status().where, bytes);
        m_server.Write(bytes);
        return;
    }
    if (!m_port.isOpen())
        return;
    TrafficLog::Serial(true, m_port.portName(), bytes);
    m_port.write(bytes);
}

QByteArray SerialLink::ReadAll()
{
    QByteArray bytes;
    QString peer;
    if (m_server.IsOpen()) {
        bytes = m_server.ReadAll();
        peer = m_server.Status().where;
    } else if (m_port.isOpen()) {
        bytes = m_port.readAll();
        peer = m_port.portName();
    }
    if (!bytes.isEmpty())
        TrafficLog::Serial(false, peer, bytes);
    return bytes;
}

} // namespace tarvo

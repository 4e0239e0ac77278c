#include "link/serial_link.h"

#include "link/traffic_log.h"

#include <QSerialPortInfo>
#include <algorithm>

namespace tarvo
{

SerialLink::SerialLink(QObject* parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::BytesAvailable);
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
    m_currentPort = 0;
    if (device.isEmpty())
        return false;
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        if (m_port.error() == QSerialPort::PermissionError)
            m_lastProblem =
                tr("No permission to open %1: add your user to the group that owns it "
                   "(on Debian: sudo usermod -aG dialout $USER) and log in again.")
                    .arg(device);
        m_port.clearError();
        return false;
    }
    const bool configured = m_port.setBaudRate(QSerialPort::Baud9600) &&
                            m_port.setDataBits(QSerialPort::Data8) &&
                            m_port.setParity(QSerialPort::NoParity) &&
                            m_port.setStopBits(QSerialPort::OneStop) &&
                            m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_port.close();
        m_port.clearError();
        return false;
    }
    m_port.setReadBufferSize(0);
    return true;
}

bool SerialLink::PortTest(int port)
{
    const bool ok = OpenDevice(DeviceFor(port));
    if (m_port.isOpen())
        m_port.close();
    m_currentPort = 0;
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
    m_currentPort = 0;
}

void SerialLink::Write(const QByteArray& bytes)
{
    if (!m_port.isOpen())
        return;
    TrafficLog::Serial(true, m_port.portName(), bytes);
    m_port.write(bytes);
}

QByteArray SerialLink::ReadAll()
{
    if (!m_port.isOpen())
        return {};
    QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        TrafficLog::Serial(false, m_port.portName(), bytes);
    return bytes;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/device_server_link.h"

#include <QObject>
#include <QSerialPort>
#include <QStringList>

namespace tarvo
{

// The serial port of the program. Port numbers count from 1: port N is the N-th
// device of the device list (COMN on Windows). The list comes from
// --serial-ports or, without it, from the devices the system reports.
// A device is a local one (QSerialPort) or a serial device server
// ("tcp:HOST:PORT", "rfc2217:HOST:PORT", see DeviceServerLink): the same bytes
// either way, and the same calls.
class SerialLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxPorts = 16;

    explicit SerialLink(QObject* parent = nullptr);

    void SetDevices(const QStringList& devices) { m_devices = devices; }
    const QStringList& Devices() const { return m_devices; }
    // The device list the system reports, sorted by name.
    static QStringList SystemDevices();
    // The device behind port number `port`; empty when there is none.
    QString DeviceFor(int port) const;

    // Port-test rule: open and close the port again. False on any failure.
    // A device server is not connected to for this: a well-formed address
    // passes.
    bool PortTest(int port);
    // Opens `port` at 9600 8N1 after closing whatever was open. A device
    // server's connection is made after this returns (true for any
    // well-formed address); Transport() tells how it goes.
    bool Open(int port);
    void Close();
    // A local port open, or a device server connected or being connected to.
    bool IsOpen() const { return m_port.isOpen() || m_server.IsOpen(); }
    int CurrentPort() const { return m_currentPort; }
    // Writes the whole frame in one write; nothing when the port is closed.
    void Write(const QByteArray& bytes);
    // Everything waiting in the input.
    QByteArray ReadAll();

    // Text of the last open failure, with its reason (no such device, in use,
    // a missing permission); empty when it opened. After PortTest only a
    // failure the operator can act on (in use, a permission) is kept.
    QString LastOpenProblem() const { return m_lastProblem; }

    // How the port in use stands: its kind and, for a device server, the
    // connection's state and the last fault.
    TransportStatus Transport() const;
    DeviceServerLink& DeviceServer() { return m_server; }

    // The process that holds a device's lock file (id 0 when none does).
    struct PortHolder {
        qint64 pid = 0;
        QString program;
    };
    static PortHolder HolderOf(const QString& device);
    // What to tell the operator when opening `device` was refused: in use
    // by another program (named where its lock file says), or a missing
    // permission with the way to get it.
    static QString PermissionProblem(const QString& device);

Q_SIGNALS:
    void BytesAvailable();
    // A read or write error occurred on the open local port.
    void PortError();
    // A device server's connection changed (see Transport()).
    void TransportChanged();

private:
    bool OpenDevice(const QString& device);
    // Why `device` could not be opened, in words the operator can act on.
    QString OpenProblem(const QString& device, QSerialPort::SerialPortError error);
    static bool OpenedElsewhere(const QString& device);

    QSerialPort m_port;
    DeviceServerLink m_server;
    QStringList m_devices;
    int m_currentPort = 0;
    QString m_lastProblem;
    QSerialPort::SerialPortError m_lastProblemKind = QSerialPort::NoError;
};

} // namespace tarvo

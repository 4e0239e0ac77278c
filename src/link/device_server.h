// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A serial port is named by a device ("/dev/ttyUSB0") or by a serial device
// server's address: "tcp:HOST:PORT" carries the line's bytes as they are,
// "rfc2217:HOST:PORT" in a Telnet session with the COM port option. The link
// state of either kind is told in one TransportStatus.

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <optional>

namespace tarvo
{

enum class SerialTransport { Local, Tcp, Rfc2217 };

// "serial", "tcp" or "rfc2217", as `watch` and the metrics name the link.
QString TransportName(SerialTransport transport);

struct DeviceServerAddress {
    SerialTransport kind = SerialTransport::Tcp;
    QString host; // a name, dotted IPv4, or IPv6 without its brackets
    quint16 port = 0;
    // "127.0.0.1:7000", "[::1]:7000": how messages name the server.
    QString Text() const;
};

// Whether `name` is spelt as a device server (starts with "tcp:" or
// "rfc2217:"), well formed or not.
bool IsDeviceServerName(const QString& name);
// The address a device server name gives; nothing, with the reason in
// `error`, when it is not well formed.
std::optional<DeviceServerAddress> ParseDeviceServer(const QString& name, QString* error);
// A list of ports separated by ':' (--serial-ports), where a device server's
// "tcp:HOST:PORT" stays one entry ("[::1]" in brackets).
QStringList SplitSerialPortList(const QString& list);

// How the serial link stands. A local port is Open or Closed; a device
// server's link goes Connecting -> Connected, and after a fault waits in
// Retrying for its next attempt (1 s, doubling up to 30 s).
struct TransportStatus {
    enum class State { Closed, Open, Connecting, Connected, Retrying };
    // Why the last connection ended or could not be made.
    enum class Fault { None, Refused, Dropped, DroppedMidFrame, Stalled, NoAnswer, NotFound };

    SerialTransport kind = SerialTransport::Local;
    State state = State::Closed;
    Fault fault = Fault::None;
    QString where; // the port's name as given
    // For the operator: "device server 127.0.0.1:7000 refused the
    // connection", "connected to device server 127.0.0.1:7000".
    QString text;
    int retryInMs = 0;  // while Retrying
    int reconnects = 0; // connections made after the first
    QString lastFault;  // the text of the last fault, kept once connected again
};

} // namespace tarvo

Q_DECLARE_METATYPE(tarvo::TransportStatus)

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock_state.h"
#include "serial_splitter.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>

class QTimer;
class QUdpSocket;

namespace tarvo
{

class PtyPort;

struct SimOptions {
    int model = 226;           // 226, 229, 207 or 222
    bool serial = false;       // open a pseudo-terminal
    QString udpAddress;        // bind this loopback address, port 10000; empty = no UDP
    QByteArray password;       // stored network password, four bytes; empty = none
    bool networkOption = true; // false: no network option (zero record, no UDP)
    int reportMs = 1000;       // serial time report period; 0 = none
    bool gpsLocked = false;
    bool verbose = false; // log every frame and datagram
};

// A master clock that speaks both links: serial frames on a pseudo-terminal and
// datagrams on a loopback address, port 10000. It answers the requests from
// its own state, applies every setting it is sent, answers only frames that
// carry its own model's trailer, and sends time reports over the serial line.
class SimulatedClock : public QObject
{
    Q_OBJECT
public:
    explicit SimulatedClock(const SimOptions& options, QObject* parent = nullptr);
    ~SimulatedClock() override;

    // Opens the pseudo-terminal and binds the sockets the options ask for.
    bool Start(QString* error);
    void Stop();

    const SimOptions& Options() const { return m_options; }
    int ClockType() const { return m_state.ClockType(); }
    // Device path of the slave side; empty without serial.
    QString PtyPath() const;
    // The address the sockets are bound to now (it moves when the network
    // record changes it); empty without UDP.
    QString UdpAddress() const { return m_udpAddress; }

    ClockState& State() { return m_state; }
    const ClockState& State() const { return m_state; }

    // While silent nothing is answered and no time report is sent; commands
    // are still applied.
    void SetSilent(bool silent) { m_silent = silent; }
    bool IsSilent() const { return m_silent; }
    void SetGpsLocked(bool locked) { m_options.gpsLocked = locked; }

    // Closes the pseudo-terminal (the program's port loses its line) and opens
    // a new one; its path is usually a different one.
    bool ReopenPty(QString* error);
    void ClosePty();

Q_SIGNALS:
    // Every complete serial frame, whatever its trailer.
    void FrameReceived(quint8 command, const QByteArray& payload, int clockType);
    // A frame of this model that the clock understood and applied or answered.
    void FrameApplied(quint8 command);
    void DatagramReceived(quint8 code, const QByteArray& datagram, const QHostAddress& sender);
    void DatagramApplied(quint8 code);
    void TimeReportSent(const QByteArray& frame);
    void UdpAddressChanged(const QString& address);
    void PtyPathChanged(const QString& path);

private:
    void Log(const QString& text) const;
    void Warn(const QString& text) const;
    // Serial side.
    void OnSerialBytes(const QByteArray& bytes);
    void ScheduleTimeReport();
    void SendTimeReport();
    // UDP side.
    bool BindUdp(const QString& address, QString* error);
    void CloseUdp();
    void ReadDatagrams(QUdpSocket* socket);
    void OnNetworkApplied(const QString& previousAddress);

    SimOptions m_options;
    ClockState m_state;
    SerialFrameSplitter m_splitter;
    PtyPort* m_pty = nullptr;
    QTimer* m_reportTimer = nullptr;
    QUdpSocket* m_unicast = nullptr;
    QUdpSocket* m_broadcast = nullptr;
    QString m_udpAddress;
    bool m_silent = false;
};

// True for an IPv4 address in 127.0.0.0/8 given as dotted text.
bool IsLoopbackAddress(const QString& text);

} // namespace tarvo

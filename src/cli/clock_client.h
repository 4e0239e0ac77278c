// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One clock reached over one link, for the command-line tool: a clock session
// on the serial device or the network address, and the waits for the record
// each request brings. It keeps no window state: the last record of each kind
// and the time reports.

#include "clock/time_report.h"
#include "dst/dst_record.h"
#include "session/clock_session.h"
#include "session/task.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace tarvo
{

struct CliActivity;

// A time report with the computer's time at the moment its bytes were read.
struct ReceivedTimeReport {
    TimeReport report;
    qint64 arrivalUs = 0; // system time, microseconds since 1970 UTC
};

class ClockClient : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Answered, Silent, Refused };

    explicit ClockClient(QObject* parent = nullptr);

    // Opens `device` at 9600 8N1. On failure `error` says why.
    bool OpenSerial(const QString& device, QString* error);
    // Prepares the socket for `host` (dotted address or name).
    bool OpenNetwork(const QString& host, QString* error);
    // The link commands go out on; its kind names the link in output.
    ClockLink& Link() { return m_session.LinkFor(m_kind); }
    bool IsSerial() const { return m_kind == LinkKind::Serial; }
    QString Where() const { return m_where; }
    ClockSession& Session() { return m_session; }

    // Model code 1..4 (0 = not known yet); it picks the trailer of every frame.
    int ClockType() const { return m_clockType; }
    void SetClockType(int clockType);
    // The four bytes every datagram carries.
    void SetPassword(const QByteArray& password4);
    const QByteArray& Password() const { return m_password; }
    // How long a request waits for its answer (it is sent twice in that time
    // over the network, where a datagram can be lost).
    void SetReplyTimeout(int ms) { m_timeoutMs = ms; }

    // Learns the model when it is not known: over the serial link the clock
    // answers only a request carrying its own model's trailer, so each model
    // is tried in turn (a second each, as the window's probe); over the network
    // the network settings name the model.
    Task<Outcome> Identify();

    // The master record: 41 bytes over the serial link, 16 over the network.
    Task<Outcome> ReadMaster(QByteArray* record);
    // The 128-byte network settings record; `present` is false when the clock
    // sent only zeros (no network option).
    Task<Outcome> ReadNetwork(QByteArray* networkData, bool* present);
    Task<Outcome> ReadDst(DstTables* tables);
    // Waits for the settings record that a request already sent brings (the
    // one after a factory reset), asking again if it does not come.
    Task<Outcome> AwaitMaster(QByteArray* record);

    // Sends a command on the link in use: the frames or datagrams that went out.
    int Send(const ClockCommand& command);
    // Where what is sent is written down (for the interruption message).
    void SetActivity(CliActivity* activity) { m_activity = activity; }

    // The next time report to arrive within `ms`; nullopt when none came.
    Task<std::optional<ReceivedTimeReport>> NextTimeReport(int ms);
    // Goes on when `done` holds or `ms` pass; true when it held.
    Task<bool> WaitFor(std::function<bool()> done, int ms);
    Task<void> Pause(int ms);
    // True when the serial port reported an error since it was opened.
    bool PortFailed() const { return m_portFailed; }

    // The search's probe: the settings request with model `clockType`'s
    // trailer. A clock of that model answers with its master record, which
    // moves MasterCount().
    void SendProbe(int clockType);
    int MasterCount() const { return m_masterCount; }

Q_SIGNALS:
    void TimeReportReceived(const tarvo::ReceivedTimeReport& report);

private:
    // Sends with `send` until `counter` moves or the password is refused.
    Task<Outcome> Request(std::function<void()> send, const int* counter);
    void NoteSent(bool onlyNetworkAndDstRequest);

    ClockSession m_session;
    CliActivity* m_activity = nullptr;
    LinkKind m_kind = LinkKind::Serial;
    QString m_where;
    int m_clockType = 0;
    QByteArray m_password;
    int m_timeoutMs = 2000;
    bool m_portFailed = false;

    // The last record of each kind, and how many have arrived.
    QByteArray m_master;
    QByteArray m_network; // 128 bytes
    bool m_networkPresent = false;
    QByteArray m_dst; // 101 bytes
    int m_masterCount = 0;
    int m_networkCount = 0;
    int m_dstCount = 0;
    int m_refusedCount = 0;
    int m_reportCount = 0;
    // Over the serial link request 43 brings the network settings and then the
    // DST tables: the DST record count when it was the last thing sent; -1
    // once anything else went out (new tables, say), so an old answer is not
    // reused.
    int m_dstCountBefore43 = -1;
    ReceivedTimeReport m_lastReport;
};

} // namespace tarvo

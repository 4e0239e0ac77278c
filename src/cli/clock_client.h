// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One clock reached over one link, for the command-line tool: a clock session
// on the serial device or the network address, the clock's model, and the
// time reports in the order they came. Every question to the clock and every
// change goes through the clock operations, as the window's do.

#include "clock/clock_model.h"
#include "clock/time_report.h"
#include "operations/ask.h"
#include "session/clock_session.h"
#include "session/task.h"

#include <QObject>
#include <QQueue>
#include <QString>
#include <chrono>
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
    explicit ClockClient(QObject* parent = nullptr);

    // Opens `device` at 9600 8N1. On failure `error` says why.
    bool OpenSerial(const QString& device, QString* error);
    // Prepares the socket for `host` (dotted address or name).
    bool OpenNetwork(const QString& host, QString* error);
    // A serial clock behind a device server is ready once the first
    // connection is made; false, with the reason in `error`, when that
    // failed (the link keeps trying, for those who wait). Any other link is
    // ready at once.
    Task<bool> LinkReady(QString* error);
    // How the clock's bytes travel: "serial", "tcp", "rfc2217", or
    // "network" for a network clock.
    QString LinkName() const;
    // A serial clock behind a device server.
    bool BehindDeviceServer() const;
    // The link commands go out on.
    ClockLink& Link() { return m_session.LinkFor(m_kind); }
    QString Where() const { return m_where; }
    ClockSession& Session() { return m_session; }
    const ClockSession& Session() const { return m_session; }

    // The clock's model; null until it is known. It picks the trailer of
    // every frame and the layout of the records.
    const ClockModel* Model() const { return m_model; }
    void SetModel(const ClockModel* model);
    // The four bytes every datagram carries.
    void SetPassword(const QByteArray& password4);
    const QByteArray& Password() const { return m_password; }
    // How long a request waits for its answer.
    void SetReplyTimeout(std::chrono::milliseconds wait) { m_wait = wait; }
    std::chrono::milliseconds ReplyTimeout() const { return m_wait; }

    // Learns the model when it is not known, or checks that the clock answers
    // when it is.
    Task<Reply> Identify();
    // Asks for the record of type R with `request`, within the reply timeout.
    template <typename R> Task<Answer<R>> Ask(ClockCommand request)
    {
        return tarvo::Ask<R>(m_session, Link(), std::move(request), m_wait);
    }

    // Sends a command on the link in use: the frames or datagrams that went out.
    int Send(const ClockCommand& command);
    // Where what is sent is written down (for the interruption message).
    void SetActivity(CliActivity* activity) { m_activity = activity; }

    // The next time report, in arrival order, within `wait`; nullopt when none came.
    Task<std::optional<ReceivedTimeReport>> NextTimeReport(std::chrono::milliseconds wait);
    // True when the serial port reported an error since it was opened.
    bool PortFailed() const { return m_portFailed; }

Q_SIGNALS:
    void TimeReportReceived(const tarvo::ReceivedTimeReport& report);

private:
    void NoteChange(const ClockCommand& command);

    ClockSession m_session;
    CliActivity* m_activity = nullptr;
    LinkKind m_kind = LinkKind::Serial;
    QString m_where;
    const ClockModel* m_model = nullptr;
    QByteArray m_password;
    std::chrono::milliseconds m_wait{2000};
    bool m_portFailed = false;
    // Reports not yet taken by NextTimeReport; a follower that is busy for a
    // moment still sees every one.
    QQueue<ReceivedTimeReport> m_reports;
};

} // namespace tarvo

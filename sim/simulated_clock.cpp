// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulated_clock.h"
#include "clock/clock_model.h"

#include "pty_port.h"

#include <QLoggingCategory>
#include <QTimer>

namespace tarvo
{

Q_LOGGING_CATEGORY(lcSim, "tarvo.sim")

SimulatedClock::SimulatedClock(const SimOptions& options, QObject* parent)
    : QObject(parent), m_options(options),
      m_state(ClockTypeForModel(options.model), options.udpAddress, options.password,
              options.networkOption),
      m_pty(new PtyPort(this)), m_reportTimer(new QTimer(this))
{
    m_reportTimer->setSingleShot(true);
    m_reportTimer->setTimerType(Qt::PreciseTimer);
    connect(m_reportTimer, &QTimer::timeout, this, &SimulatedClock::SendTimeReport);
    connect(m_pty, &PtyPort::BytesReceived, this, &SimulatedClock::OnSerialBytes);
}

SimulatedClock::~SimulatedClock()
{
    Stop();
}

void SimulatedClock::Log(const QString& text) const
{
    if (m_options.verbose)
        qCInfo(lcSim).noquote() << text;
}

void SimulatedClock::Warn(const QString& text) const
{
    qCWarning(lcSim).noquote() << text;
}

bool SimulatedClock::Start(QString* error)
{
    const auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        Stop();
        return false;
    };
    if (m_state.ClockType() == 0)
        return fail(QStringLiteral("unknown model %1 (226, 229, 207 or 222)").arg(m_options.model));
    if (!m_options.password.isEmpty() && m_options.password.size() != 4)
        return fail(QStringLiteral("the password must be 4 characters long"));
    if (m_options.reportMs < 0)
        return fail(QStringLiteral("the report period cannot be negative"));
    if (!m_options.serial && m_options.udpAddress.isEmpty())
        return fail(QStringLiteral("nothing to simulate: ask for the serial line, UDP or both"));
    if (!m_options.udpAddress.isEmpty()) {
        if (!m_options.networkOption)
            return fail(QStringLiteral("a clock without the network option has no UDP address"));
        if (!IsLoopbackAddress(m_options.udpAddress))
            return fail(QStringLiteral("refusing UDP address %1: only 127.0.0.0/8 is allowed")
                            .arg(m_options.udpAddress));
        QString why;
        if (!BindUdp(m_options.udpAddress, &why))
            return fail(why);
    }
    if (m_options.serial) {
        QString why;
        if (!m_pty->Open(&why))
            return fail(QStringLiteral("cannot open a pseudo-terminal: %1").arg(why));
        Log(QStringLiteral("serial line on %1").arg(m_pty->SlavePath()));
        ScheduleTimeReport();
    }
    return true;
}

void SimulatedClock::Stop()
{
    ClosePty();
    CloseUdp();
}

QString SimulatedClock::PtyPath() const
{
    return m_pty->SlavePath();
}

bool SimulatedClock::ReopenPty(QString* error)
{
    ClosePty();
    if (!m_pty->Open(error))
        return false;
    Log(QStringLiteral("serial line reopened on %1").arg(m_pty->SlavePath()));
    ScheduleTimeReport();
    Q_EMIT PtyPathChanged(m_pty->SlavePath());
    return true;
}

void SimulatedClock::ClosePty()
{
    m_reportTimer->stop();
    m_splitter.Clear();
    if (m_pty->IsOpen()) {
        m_pty->Close();
        Log(QStringLiteral("serial line closed"));
    }
}

void SimulatedClock::OnSerialBytes(const QByteArray& bytes)
{
    const QList<OutgoingFrame> frames = m_splitter.Feed(bytes);
    for (const OutgoingFrame& frame : frames) {
        Q_EMIT FrameReceived(frame.command, frame.payload, frame.clockType);
        const QString head = QStringLiteral("serial <- command %1 [%2]")
                                 .arg(frame.command)
                                 .arg(QString::fromLatin1(frame.payload.toHex(' ')));
        if (frame.clockType != m_state.ClockType()) {
            // A clock of another model does not recognise the frame at all.
            Log(head + QStringLiteral(": trailer of another model, ignored"));
            continue;
        }
        const QString previousAddress = AddressAt(m_state.NetworkRecord(), 0);
        const CommandOutcome outcome = m_state.ApplySerial(frame.command, frame.payload);
        Log(head + QStringLiteral(": ") + outcome.note);
        if (outcome.understood)
            Q_EMIT FrameApplied(frame.command);
        if (!m_silent && m_pty->IsOpen()) {
            for (const QByteArray& reply : outcome.replies) {
                Log(QStringLiteral("serial -> %1 bytes ending %2")
                        .arg(reply.size())
                        .arg(static_cast<quint8>(reply.back()), 2, 16, QLatin1Char('0')));
                m_pty->Write(reply);
            }
        }
        if (outcome.networkApplied)
            OnNetworkApplied(previousAddress);
        if (frame.command == 3 || frame.command == 4)
            ScheduleTimeReport(); // keep the reports on the new second boundary
    }
}

void SimulatedClock::ScheduleTimeReport()
{
    if (m_options.reportMs <= 0 || !m_pty->IsOpen())
        return;
    // Reports fall on multiples of the period in the clock's own time (each
    // second for the default period), a little after the boundary so that a
    // timer firing early still reads the new second.
    constexpr qint64 margin = 2;
    const qint64 period = m_options.reportMs;
    const qint64 phase = m_state.Now().toMSecsSinceEpoch() % period;
    m_reportTimer->start(static_cast<int>(period - phase + margin));
}

void SimulatedClock::SendTimeReport()
{
    if (!m_pty->IsOpen())
        return;
    if (!m_silent) {
        const QByteArray frame = m_state.TimeReport(m_options.gpsLocked);
        m_pty->Write(frame);
        Q_EMIT TimeReportSent(frame);
    }
    ScheduleTimeReport();
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock_state.h"

#include "link/bytes.h"
#include "link/datagram.h"
#include "link/serial_frame.h"

#include <QTimeZone>

namespace tarvo
{

namespace
{

// Replies have the length of every datagram on this link; bytes 1-4 stay zero.
QByteArray ReplyDatagram(quint8 code, QByteArrayView payload = {})
{
    QByteArray datagram(DatagramLength, '\0');
    SetByte(datagram, 0, code);
    for (qsizetype i = 0; i < payload.size() && i < DatagramPayloadLength; ++i)
        SetByte(datagram, DatagramPayloadOffset + i, ByteAt(payload, i));
    return datagram;
}

QByteArray SerialFrame(quint8 endByte, QByteArray payload)
{
    MakeSerialSafe(payload);
    return BuildIncomingFrame(endByte, payload);
}

} // namespace

QDateTime WallNow()
{
    const QDateTime local = QDateTime::currentDateTime();
    return QDateTime(local.date(), local.time(), QTimeZone::utc());
}

ClockState::ClockState(int clockType, const QString& address, QByteArrayView password,
                       bool networkOption)
    : m_clockType(clockType), m_networkOption(networkOption),
      m_master(FactoryMasterRecord(clockType)),
      m_network(networkOption ? FactoryNetworkRecord(clockType, address, password)
                              : QByteArray(NetworkRecordLength, '\0')),
      m_pendingNetwork(m_network), m_dst(UsDstTables(WallNow().date().year() - 2000))
{
}

void ClockState::SetMasterRecord(const QByteArray& record)
{
    for (int i = 0; i < MasterRecordLength; ++i)
        SetByte(m_master, i, ByteAt(record, i) & MasterByteMask(i));
}

void ClockState::SetNetworkRecord(const QByteArray& record)
{
    m_network = record.leftJustified(NetworkRecordLength, '\0', true);
    m_pendingNetwork = m_network;
}

QDateTime ClockState::Now() const
{
    return WallNow().addMSecs(m_offsetMs);
}

QByteArray ClockState::TimeReport(bool gpsLocked) const
{
    return SerialFrame(FrameByte::EndTimeReport, TimeReportPayload(Now(), gpsLocked));
}

QByteArray ClockState::StoredPassword() const
{
    const QByteArray stored = m_network.mid(8, 4);
    return stored == QByteArray(4, '\0') ? QByteArray() : stored;
}

bool ClockState::PasswordAccepted(QByteArrayView datagram) const
{
    const QByteArray stored = StoredPassword();
    if (stored.isEmpty())
        return true;
    for (int i = 0; i < 4; ++i) {
        if (ByteAt(datagram, 1 + i) != ByteAt(stored, i))
            return false;
    }
    return true;
}

void ClockState::FactoryDefaults()
{
    m_master = FactoryMasterRecord(m_clockType);
}

QByteArray ClockState::MasterReplyFrame() const
{
    return SerialFrame(FrameByte::EndClockSettings, m_master);
}

QByteArray ClockState::NetworkReplyFrame() const
{
    return SerialFrame(FrameByte::EndNetworkSettings, NetworkReplyPayload(m_network));
}

QByteArray ClockState::DstReplyFrame() const
{
    return SerialFrame(FrameByte::EndDstDates, SimDstRecord(m_dst));
}

CommandOutcome ClockState::ApplyNetworkRecord()
{
    CommandOutcome out;
    out.understood = true;
    out.networkApplied = true;
    out.note = QStringLiteral("network settings applied: address %1 -> %2")
                   .arg(AddressAt(m_network, 0), AddressAt(m_pendingNetwork, 0));
    m_network = m_pendingNetwork;
    return out;
}

bool ClockState::SetTime(int hour, int minute, int second, QString* note)
{
    const QTime time(hour, minute, second);
    if (!time.isValid()) {
        *note = QStringLiteral("time %1:%2:%3 refused").arg(hour).arg(minute).arg(second);
        return false;
    }
    const QDateTime now = Now();
    m_offsetMs += now.msecsTo(QDateTime(now.date(), time, QTimeZone::utc()));
    *note = QStringLiteral("time set to %1").arg(time.toString(QStringLiteral("HH:mm:ss")));
    return true;
}

bool ClockState::SetDate(int day, int month, int year, QString* note)
{
    const QDate date(year, month, day);
    if (!date.isValid() || year > 2099) {
        *note = QStringLiteral("date %1-%2-%3 refused").arg(month).arg(day).arg(year);
        return false;
    }
    const QDateTime now = Now();
    m_offsetMs += now.msecsTo(QDateTime(date, now.time(), QTimeZone::utc()));
    *note = QStringLiteral("date set to %1").arg(date.toString(QStringLiteral("MM-dd-yyyy")));
    return true;
}

QString ClockState::Adjust(bool hourStep, int direction)
{
    if (direction != 1 && direction != 2)
        return QStringLiteral("adjust with direction %1 ignored").arg(direction);
    const qint64 step = hourStep ? 3600 * 1000 : 5;
    m_offsetMs += direction == 2 ? step : -step;
    return QStringLiteral("%1 by %2")
        .arg(direction == 2 ? QStringLiteral("advanced") : QStringLiteral("retarded"),
             hourStep ? QStringLiteral("1 hour") : QStringLiteral("5 ms"));
}

CommandOutcome ClockState::ApplyDatagram(QByteArrayView datagram)
{
    CommandOutcome out;
    if (datagram.isEmpty()) {
        out.note = QStringLiteral("empty datagram ignored");
        return out;
    }
    const quint8 code = ByteAt(datagram, 0);
    if (code == DatagramCode::Discovery) {
        out.understood = true;
        out.note = QStringLiteral("discovery answered");
        out.replies << ReplyDatagram(ReplyCode::Discovery);
        return out;
    }
    if (!PasswordAccepted(datagram)) {
        out.understood = true;
        out.note = QStringLiteral("code %1: password refused").arg(code);
        out.replies << ReplyDatagram(ReplyCode::PasswordRefused);
        return out;
    }
    const QByteArrayView p =
        datagram.sliced(qMin<qsizetype>(DatagramPayloadOffset, datagram.size()));
    out.understood = true;
    switch (code) {
    case DatagramCode::RequestNetworkSettings:
        out.note = QStringLiteral("network settings sent");
        out.replies << ReplyDatagram(ReplyCode::NetworkSettings,
                                     QByteArrayView(m_network).first(NetworkDatagramLength));
        break;
    case DatagramCode::RequestMasterSettings:
        out.note = QStringLiteral("master settings sent");
        out.replies << ReplyDatagram(ReplyCode::MasterSettings,
                                     QByteArrayView(m_master).first(MasterNetworkLength));
        break;
    case DatagramCode::RequestDstDates:
        out.note = QStringLiteral("DST dates sent");
        out.replies << ReplyDatagram(ReplyCode::DstDates, DstDatagramPayload(m_dst));
        break;
    case DatagramCode::MasterSettings:
        for (int i = 0; i < MasterNetworkLength; ++i)
            SetByte(m_master, i, ByteAt(p, i) & MasterByteMask(i));
        out.note = QStringLiteral("master settings stored");
        break;
    case DatagramCode::SetTimeAndDate: {
        QString timeNote;
        QString dateNote;
        SetTime(ByteAt(p, 0), ByteAt(p, 1), ByteAt(p, 2), &timeNote);
        SetDate(ByteAt(p, 3), ByteAt(p, 4), 2000 + ByteAt(p, 5), &dateNote);
        out.note = timeNote + QStringLiteral(", ") + dateNote;
        break;
    }
    case DatagramCode::TimeAdjust:
        if (ByteAt(p, 0) == 1 || ByteAt(p, 0) == 2)
            out.note = Adjust(ByteAt(p, 0) == 2, ByteAt(p, 1));
        else
            out.note = QStringLiteral("adjust type %1 ignored").arg(ByteAt(p, 0));
        break;
    case DatagramCode::FactoryDefaults:
        FactoryDefaults();
        out.note = QStringLiteral("factory defaults");
        break;
    case DatagramCode::Resync:
        out.note = QStringLiteral("time code resynchronised");
        break;
    case DatagramCode::DstDates:
        m_dst = DstFromDatagramPayload(p);
        out.note = QStringLiteral("DST dates stored");
        break;
    case DatagramCode::NetworkSettings:
        for (int i = 0; i < NetworkDatagramLength; ++i)
            SetByte(m_pendingNetwork, i, ByteAt(p, i));
        out.note = QStringLiteral("network settings received");
        break;
    case DatagramCode::NetworkSettingsCommit:
        return ApplyNetworkRecord();
    default:
        out.understood = false;
        out.note = QStringLiteral("code %1 ignored").arg(code);
        break;
    }
    return out;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim_records.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

namespace tarvo
{

// What one command did: whether this clock understood it, a line for the log,
// what goes back (whole serial frames or whole datagrams), and whether the
// network record was put into effect.
struct CommandOutcome {
    bool understood = false;
    QString note;
    QList<QByteArray> replies;
    bool networkApplied = false;
};

// Everything the simulated clock remembers, and the rules by which commands
// change it. No I/O: the serial and UDP sides feed commands in and send the
// replies out.
class ClockState
{
public:
    // `password` is four bytes, or empty when the clock asks for none.
    ClockState(int clockType, const QString& address, QByteArrayView password, bool networkOption);

    int ClockType() const { return m_clockType; }
    bool HasNetworkOption() const { return m_networkOption; }

    const QByteArray& MasterRecord() const { return m_master; }
    const QByteArray& NetworkRecord() const { return m_network; }
    // The record received by the network settings commands, not yet in effect.
    const QByteArray& PendingNetworkRecord() const { return m_pendingNetwork; }
    const SimDstTables& Dst() const { return m_dst; }
    void SetMasterRecord(const QByteArray& record);
    void SetNetworkRecord(const QByteArray& record);
    void SetDst(const SimDstTables& tables) { m_dst = tables; }

    // The clock's time: the computer's local wall-clock time plus an offset that
    // the time commands move. The computer clock itself is never touched.
    qint64 TimeOffsetMs() const { return m_offsetMs; }
    void SetTimeOffsetMs(qint64 offset) { m_offsetMs = offset; }
    QDateTime Now() const;
    QByteArray TimeReport(bool gpsLocked) const;

    // Bytes 8-11 of the record in effect; empty when all four are zero.
    QByteArray StoredPassword() const;
    // Datagram bytes 1-4 against the stored password; any is right without one.
    bool PasswordAccepted(QByteArrayView datagram) const;

    // `payload` is what came before the command byte.
    CommandOutcome ApplySerial(quint8 command, QByteArrayView payload);
    // A whole datagram; replies are 131-byte datagrams.
    CommandOutcome ApplyDatagram(QByteArrayView datagram);

    void FactoryDefaults();

    // Whole serial frames of the replies to requests 1 and 43.
    QByteArray MasterReplyFrame() const;
    QByteArray NetworkReplyFrame() const;
    QByteArray DstReplyFrame() const;

private:
    CommandOutcome ApplyMasterSetting(quint8 command, QByteArrayView payload);
    CommandOutcome ApplyNetworkRecord();
    bool SetTime(int hour, int minute, int second, QString* note);
    bool SetDate(int day, int month, int year, QString* note);
    QString Adjust(bool hourStep, int direction);
    void SetBits(int index, int mask, int value);

    int m_clockType;
    bool m_networkOption;
    QByteArray m_master;
    QByteArray m_network;
    QByteArray m_pendingNetwork;
    SimDstTables m_dst;
    qint64 m_offsetMs = 0;
};

// Wall-clock local time of the computer as a plain date and time (no zone), so
// that the clock's time does not jump when the computer changes to or from DST.
QDateTime WallNow();

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock_state.h"

#include "link/bytes.h"

namespace tarvo
{

namespace
{

// Payload length of each one-field setting command; 0 for commands that are no
// master setting.
int SettingLength(quint8 command)
{
    switch (command) {
    case 13:
        return 3;
    case 15:
    case 16:
    case 17:
    case 18:
    case 28:
        return 2;
    case 27:
        return 20;
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 14:
    case 20:
    case 25:
    case 26:
    case 29:
        return 1;
    default:
        return 0;
    }
}

} // namespace

void ClockState::SetBits(int index, int mask, int value)
{
    SetByte(m_master, index, (ByteAt(m_master, index) & ~mask) | (value & mask));
}

CommandOutcome ClockState::ApplySerial(quint8 command, QByteArrayView payload)
{
    CommandOutcome out;
    out.understood = true;
    const auto wrongLength = [&] {
        out.understood = false;
        out.note = QStringLiteral("command %1 with %2 payload bytes ignored")
                       .arg(command)
                       .arg(payload.size());
        return out;
    };
    switch (command) {
    case 0:
        out.note = QStringLiteral("modem update requested");
        return out;
    case 1:
        out.note = QStringLiteral("master settings sent");
        out.replies << MasterReplyFrame();
        return out;
    case 2:
        out.note = QStringLiteral("time code resynchronised");
        return out;
    case 3:
        if (payload.size() != 3)
            return wrongLength();
        out.understood =
            SetTime(ByteAt(payload, 0), ByteAt(payload, 1), ByteAt(payload, 2), &out.note);
        return out;
    case 4:
        if (payload.size() != 3)
            return wrongLength();
        out.understood =
            SetDate(ByteAt(payload, 0), ByteAt(payload, 1), 2000 + ByteAt(payload, 2), &out.note);
        return out;
    case 19:
        FactoryDefaults();
        out.note = QStringLiteral("factory defaults");
        return out;
    case 21:
        if (payload.size() != 5)
            return wrongLength();
        m_dst.fallMonth = ByteAt(payload, 0);
        m_dst.springMonth = ByteAt(payload, 1);
        m_dst.fallHour = ByteAt(payload, 2);
        m_dst.springHour = ByteAt(payload, 3);
        m_dst.startYear = ByteAt(payload, 4);
        out.note = QStringLiteral("DST header stored");
        return out;
    case 22:
    case 23:
    case 24: {
        if (payload.size() != 32)
            return wrongLength();
        const int first = (command - 22) * 16;
        for (int i = 0; i < 16; ++i) {
            m_dst.springDays[first + i] = ByteAt(payload, 2 * i);
            m_dst.fallDays[first + i] = ByteAt(payload, 2 * i + 1);
        }
        out.note = QStringLiteral("DST days %1-%2 stored").arg(first).arg(first + 15);
        return out;
    }
    case 30:
    case 31:
    case 32:
    case 33: {
        if (!m_networkOption)
            break;
        if (payload.size() != 32)
            return wrongLength();
        const int first = (command - 30) * 32;
        for (int i = 0; i < 32; ++i)
            SetByte(m_pendingNetwork, first + i, ByteAt(payload, i));
        out.note = QStringLiteral("network bytes %1-%2 received").arg(first).arg(first + 31);
        return out;
    }
    case 42:
        if (!m_networkOption)
            break;
        return ApplyNetworkRecord();
    case 43:
        out.note = QStringLiteral("network settings and DST dates sent");
        out.replies << NetworkReplyFrame() << DstReplyFrame();
        return out;
    case 10:
    case 11:
        // Two bytes are the time adjust; one byte is the offset setting.
        if (payload.size() != 2)
            return ApplyMasterSetting(command, payload);
        out.note = Adjust(command == 11, ByteAt(payload, 1));
        return out;
    default:
        return ApplyMasterSetting(command, payload);
    }
    out.understood = false;
    out.note = QStringLiteral("command %1 ignored: no network option").arg(command);
    return out;
}

CommandOutcome ClockState::ApplyMasterSetting(quint8 command, QByteArrayView payload)
{
    CommandOutcome out;
    const int length = SettingLength(command);
    if (length == 0) {
        out.note = QStringLiteral("command %1 ignored").arg(command);
        return out;
    }
    if (payload.size() != length) {
        out.note = QStringLiteral("command %1 with %2 payload bytes ignored")
                       .arg(command)
                       .arg(payload.size());
        return out;
    }
    const bool modem = m_clockType == 4;
    const bool edgeModel = m_clockType == 3;
    if (((command == 10) && edgeModel) || (command == 26 && !edgeModel) ||
        (command >= 27 && command <= 29 && !modem)) {
        out.note = QStringLiteral("command %1 ignored by this model").arg(command);
        return out;
    }
    const int v = ByteAt(payload, 0);
    out.understood = true;
    out.note = QStringLiteral("setting %1 stored").arg(command);
    switch (command) {
    case 5:
        SetBits(0, 63, v);
        break;
    case 6:
        SetBits(0, 64, v << 6);
        break;
    case 20:
        SetBits(15, 1, v);
        break;
    case 7:
        SetBits(2, 7, v);
        break;
    case 8:
        SetBits(2, 0x70, v << 4);
        break;
    case 9:
        SetBits(1, 0x18, v << 3);
        break;
    case 10: {
        int field = v & 31;
        if (m_clockType == 1) {
            field = Model226PositionForCode(v);
            if (field < 0) {
                out.understood = false;
                out.note = QStringLiteral("second offset code %1 unknown, ignored").arg(v);
                return out;
            }
        }
        SetBits(15, 0x7C, field << 2);
        break;
    }
    case 11:
        SetBits(6, 127, v);
        break;
    case 26:
        SetBits(15, 4, v << 2);
        break;
    case 12:
        SetBits(1, 32, v << 5);
        break;
    case 25:
        SetBits(15, 2, v << 1);
        break;
    case 13: // hour, minute, second into bytes 5, 4, 3
        SetBits(5, 63, v);
        SetBits(4, 63, ByteAt(payload, 1));
        SetBits(3, 63, ByteAt(payload, 2));
        break;
    case 14:
        SetBits(2, 8, v << 3);
        break;
    case 15:
    case 16:
    case 17:
    case 18: { // minutes, seconds; 63, 63 switches the event off
        const int k = command - 15;
        SetBits(8 + 2 * k, 63, v);
        SetBits(7 + 2 * k, 63, ByteAt(payload, 1));
        break;
    }
    case 27:
        for (int i = 0; i < 20; ++i)
            SetBits(18 + i, 0x0F, ByteAt(payload, i));
        break;
    case 28:
        SetBits(39, 31, v);
        SetBits(38, 63, ByteAt(payload, 1));
        break;
    case 29:
        SetBits(40, 7, v);
        break;
    default:
        break;
    }
    return out;
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/serial_receiver.h"

#include "link/serial_frame.h"

namespace tarvo
{

std::optional<SerialReassembler::EndOfFrame> SerialReassembler::Feed(quint8 b)
{
    std::optional<EndOfFrame> event;
    if (IsStartByte(b)) {
        m_inMessage = true;
        m_rxCount = 0;
    } else if (b == FrameByte::EndTimeReport || b == FrameByte::EndClockSettings ||
               b == FrameByte::EndNetworkSettings || b == FrameByte::EndDstDates) {
        event = EndOfFrame{b, m_inMessage, m_rxCount};
        m_inMessage = false;
        m_rxCount = 0;
    } else {
        m_buffer[m_rxCount] = static_cast<char>(b);
        ++m_rxCount;
    }
    if (m_rxCount > MaxCount)
        m_rxCount = 0;
    return event;
}

} // namespace tarvo

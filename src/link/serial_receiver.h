// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <optional>

namespace tarvo
{

// Reassembles the clock's serial frames from a byte stream of any chunking.
// Every byte from 0xF8 to 0xFF is a delimiter; anything else is payload and is
// stored even without a preceding start byte (it is dropped at the next start).
// After more than 780 payload bytes the count wraps to 0 and later bytes
// overwrite the first ones.
class SerialReassembler
{
public:
    static constexpr int BufferSize = 781;
    static constexpr int MaxCount = 780;

    // What an end byte closes: the frame kind, whether a start byte preceded it
    // and how many payload bytes the buffer holds.
    struct EndOfFrame {
        quint8 endByte = 0;
        bool inMessage = false;
        int rxCount = 0;
    };

    SerialReassembler() : m_buffer(BufferSize, '\0') {}

    // Takes one byte. Returns the end-of-frame event when the byte is an end
    // byte; the payload stays readable through buffer() until the next feed.
    std::optional<EndOfFrame> Feed(quint8 b);

    bool InMessage() const { return m_inMessage; }
    int RxCount() const { return m_rxCount; }
    // The whole 781-byte receive buffer, payload from index 0.
    const QByteArray& RxBuffer() const { return m_buffer; }
    void Reset()
    {
        m_inMessage = false;
        m_rxCount = 0;
    }
    void SetInMessage(bool value) { m_inMessage = value; }

private:
    QByteArray m_buffer;
    bool m_inMessage = false;
    int m_rxCount = 0;
};

} // namespace tarvo

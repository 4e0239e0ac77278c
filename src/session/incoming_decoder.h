// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one decoder of everything the clock sends: serial frames (reassembled
// from a byte stream of any chunking, recognised by their end byte and
// length) and datagrams (recognised by their first byte). Pure: bytes in,
// typed records out.

#include "link/serial_receiver.h"
#include "session/records.h"

#include <QByteArrayView>
#include <QList>
#include <optional>

namespace tarvo
{

inline constexpr int SerialMasterPayloadUsed = 41;
inline constexpr int SerialNetworkPayloadLength = 768;
inline constexpr int SerialDstPayloadLength = 101;

class SerialDecoder
{
public:
    // The records the frames ending in `bytes` carry, in order. A frame of
    // the wrong length, or an end byte without a start byte, gives nothing
    // (or an IncompleteRecord for a settings-type frame after a start byte).
    QList<ClockRecord> Feed(QByteArrayView bytes);
    // A receive error loses the frame in progress.
    void LoseFrame() { m_rx.SetInMessage(false); }
    void Reset() { m_rx.Reset(); }
    const SerialReassembler& Reassembler() const { return m_rx; }

private:
    std::optional<ClockRecord> Decode(const SerialReassembler::EndOfFrame& end) const;

    SerialReassembler m_rx;
};

inline constexpr int DatagramReceiveLimit = 256;

// The record a datagram of `length` bytes carries; nothing for an empty
// datagram or one longer than the receive limit. Bytes a short datagram does
// not have read as zeros.
std::optional<ClockRecord> DecodeDatagram(QByteArrayView datagram);

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock/clock_model.h"
#include "link/serial_frame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace tarvo
{

// Cuts the byte stream the program writes into frames. Frames carry no start
// marker and no length: each ends with one of the four model trailers and
// begins right after the previous trailer, so bytes are kept until a trailer
// completes them.
class SerialFrameSplitter
{
public:
    // Bytes kept without a trailer before the oldest are dropped; far more than
    // the longest frame, so only line noise is ever lost.
    static constexpr qsizetype MaxBuffered = 4096;

    // Every frame the new bytes complete, in order. A trailer with nothing
    // before it (no command byte) completes no frame.
    QList<OutgoingFrame> Feed(QByteArrayView bytes);
    qsizetype Buffered() const { return m_buffer.size(); }
    void Clear() { m_buffer.clear(); }

private:
    QByteArray m_buffer;
};

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial_splitter.h"
#include "clock/clock_model.h"

namespace tarvo
{

namespace
{

bool IsTrailer(QByteArrayView bytes)
{
    for (const ClockModel& model : AllModels()) {
        if (bytes == QByteArrayView(model.trailer))
            return true;
    }
    return false;
}

} // namespace

QList<OutgoingFrame> SerialFrameSplitter::Feed(QByteArrayView bytes)
{
    QList<OutgoingFrame> frames;
    m_buffer.append(bytes.data(), bytes.size());
    static const QByteArray marker = QByteArrayLiteral("$VX-");
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = m_buffer.indexOf(marker, from);
        if (at < 0 || at + SerialTrailerLength > m_buffer.size())
            break;
        const qsizetype end = at + SerialTrailerLength;
        if (!IsTrailer(QByteArrayView(m_buffer).sliced(at, SerialTrailerLength))) {
            from = at + 1;
            continue;
        }
        if (auto frame = ParseOutgoingFrame(QByteArrayView(m_buffer).first(end)))
            frames.append(*frame);
        m_buffer.remove(0, end);
        from = 0;
    }
    if (m_buffer.size() > MaxBuffered)
        m_buffer.remove(0, m_buffer.size() - (SerialTrailerLength - 1));
    return frames;
}

} // namespace tarvo

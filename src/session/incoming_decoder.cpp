// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/incoming_decoder.h"

#include "connect/network_settings.h"
#include "dst/dst_record.h"
#include "link/bytes.h"
#include "link/datagram.h"
#include "link/serial_frame.h"

namespace tarvo
{

bool IsSettingsAnswer(const ClockRecord& record)
{
    return std::holds_alternative<MasterRecord>(record) ||
           std::holds_alternative<NetworkRecord>(record) ||
           std::holds_alternative<DstRecord>(record) ||
           std::holds_alternative<IncompleteRecord>(record);
}

QList<ClockRecord> SerialDecoder::Feed(QByteArrayView bytes)
{
    QList<ClockRecord> records;
    for (char c : bytes) {
        const auto end = m_rx.Feed(static_cast<quint8>(c));
        if (!end)
            continue;
        if (auto record = Decode(*end))
            records.append(std::move(*record));
    }
    return records;
}

std::optional<ClockRecord> SerialDecoder::Decode(const SerialReassembler::EndOfFrame& end) const
{
    if (!end.inMessage)
        return std::nullopt;
    const QByteArray& buffer = m_rx.RxBuffer();
    switch (end.endByte) {
    case FrameByte::EndTimeReport:
        if (end.rxCount != TimeReportLength)
            return std::nullopt;
        return TimeReportRecord{buffer.left(TimeReportLength),
                                DecodeTimeReport(buffer.left(TimeReportLength))};
    case FrameByte::EndClockSettings:
        // Any length is taken: the first 41 bytes of the buffer are the record.
        return MasterRecord{buffer.left(SerialMasterPayloadUsed)};
    case FrameByte::EndNetworkSettings: {
        if (end.rxCount != SerialNetworkPayloadLength)
            return IncompleteRecord{end.endByte, end.rxCount};
        const UnpackedNetworkSettings unpacked =
            UnpackNetworkSettings(buffer.left(SerialNetworkPayloadLength));
        return NetworkRecord{unpacked.networkData, unpacked.email1, unpacked.email2,
                             unpacked.present};
    }
    case FrameByte::EndDstDates:
        if (end.rxCount != SerialDstPayloadLength)
            return IncompleteRecord{end.endByte, end.rxCount};
        return DstRecord{buffer.left(SerialDstPayloadLength)};
    default:
        return std::nullopt;
    }
}

std::optional<ClockRecord> DecodeDatagram(QByteArrayView datagram)
{
    if (datagram.isEmpty() || datagram.size() > DatagramReceiveLimit)
        return std::nullopt;
    QByteArray bytes = datagram.toByteArray();
    bytes.resize(DatagramReceiveLimit, '\0');
    switch (ByteAt(bytes, 0)) {
    case ReplyCode::PasswordRefused:
        return PasswordRefusal{};
    case ReplyCode::Discovery:
        return DiscoveryCode{};
    case ReplyCode::NetworkSettings:
        // The e-mail records travel only over the serial link.
        return NetworkRecord{bytes.mid(DatagramPayloadOffset, DatagramPayloadLength), {}, {}, true};
    case ReplyCode::MasterSettings:
        return MasterRecord{bytes.mid(DatagramPayloadOffset, 16)};
    case ReplyCode::DstDates:
        return DstRecord{DstRecordFromDatagram(bytes)};
    default:
        return OtherDatagram{ByteAt(bytes, 0)};
    }
}

} // namespace tarvo

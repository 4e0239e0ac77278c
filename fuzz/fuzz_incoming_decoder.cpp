// SPDX-License-Identifier: GPL-3.0-or-later
// The one decoder of both links, with round trips: every record decoded from
// the input is encoded again the way the clock sends it and must decode to
// the same record. Byte 0 of the input picks the link (even: serial bytes in
// chunks of a size the byte sets; odd: one datagram).
#include "connect/network_settings.h"
#include "dst/dst_record.h"
#include "fuzz_support.h"
#include "link/bytes.h"
#include "link/datagram.h"
#include "link/serial_frame.h"
#include "session/incoming_decoder.h"

#include <variant>

using namespace tarvo;

namespace
{

[[noreturn]] void Mismatch(const char* what)
{
    fprintf(stderr, "round trip changed a %s record\n", what);
    abort();
}

// The clock's serial frame for a record, decoded again by a fresh decoder.
std::optional<ClockRecord> AgainOverSerial(quint8 endByte, const QByteArray& payload)
{
    SerialDecoder decoder;
    const QList<ClockRecord> records = decoder.Feed(BuildIncomingFrame(endByte, payload));
    if (records.size() != 1)
        return std::nullopt;
    return records.first();
}

QByteArray PackNibbles(const NetworkRecord& r)
{
    QByteArray payload;
    for (const QByteArray* block : {&r.networkData, &r.email1, &r.email2}) {
        for (int i = 0; i < NetworkDataLength; ++i) {
            payload.append(char(ByteAt(*block, i) & 15));
            payload.append(char(ByteAt(*block, i) >> 4));
        }
    }
    return payload;
}

void CheckSerialRecord(const ClockRecord& record, const SerialReassembler& rx)
{
    if (const auto* t = std::get_if<TimeReportRecord>(&record)) {
        const auto again = AgainOverSerial(FrameByte::EndTimeReport, t->payload);
        if (!again || std::get<TimeReportRecord>(*again).payload != t->payload)
            Mismatch("time report");
    } else if (const auto* n = std::get_if<NetworkRecord>(&record)) {
        const auto again = AgainOverSerial(FrameByte::EndNetworkSettings, PackNibbles(*n));
        const auto* back = again ? std::get_if<NetworkRecord>(&*again) : nullptr;
        if (!back || back->networkData != n->networkData || back->email1 != n->email1 ||
            back->email2 != n->email2)
            Mismatch("network settings");
    } else if (const auto* d = std::get_if<DstRecord>(&record)) {
        const auto again = AgainOverSerial(FrameByte::EndDstDates, d->record);
        if (!again || std::get<DstRecord>(*again).record != d->record)
            Mismatch("DST");
    } else if (const auto* m = std::get_if<MasterRecord>(&record)) {
        if (m->record.size() != SerialMasterPayloadUsed)
            Mismatch("master settings");
    }
    if (rx.RxCount() < 0 || rx.RxCount() > SerialReassembler::MaxCount)
        Mismatch("reassembly");
}

QByteArray DatagramFor(quint8 code, const QByteArray& payload)
{
    return BuildDatagram(code, QByteArrayLiteral("7315"), payload);
}

void CheckDatagramRecord(const ClockRecord& record)
{
    std::optional<ClockRecord> again;
    if (const auto* m = std::get_if<MasterRecord>(&record)) {
        again = DecodeDatagram(DatagramFor(ReplyCode::MasterSettings, m->record));
        if (!again || std::get<MasterRecord>(*again).record != m->record)
            Mismatch("master settings datagram");
    } else if (const auto* n = std::get_if<NetworkRecord>(&record)) {
        again = DecodeDatagram(DatagramFor(ReplyCode::NetworkSettings, n->networkData));
        if (!again || std::get<NetworkRecord>(*again).networkData != n->networkData)
            Mismatch("network settings datagram");
    } else if (const auto* d = std::get_if<DstRecord>(&record)) {
        // The header travels in the opposite order.
        QByteArray payload = d->record;
        for (int i = 0; i < 5; ++i)
            SetByte(payload, i, ByteAt(d->record, 4 - i));
        again = DecodeDatagram(DatagramFor(ReplyCode::DstDates, payload));
        if (!again || std::get<DstRecord>(*again).record != d->record)
            Mismatch("DST datagram");
    } else if (std::holds_alternative<TimeReportRecord>(record) ||
               std::holds_alternative<IncompleteRecord>(record)) {
        Mismatch("serial-only");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input = fuzz::Bytes(data, size);
    const quint8 mode = ByteAt(input, 0);
    if (mode & 1) {
        if (const auto record = DecodeDatagram(input.mid(1)))
            CheckDatagramRecord(*record);
        return 0;
    }
    SerialDecoder decoder;
    const int chunk = 1 + (mode >> 1);
    for (qsizetype at = 1; at < input.size(); at += chunk) {
        for (const ClockRecord& record : decoder.Feed(input.mid(at, chunk)))
            CheckSerialRecord(record, decoder.Reassembler());
    }
    return 0;
}

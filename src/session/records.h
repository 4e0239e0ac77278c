// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the clock sends, decoded: one typed record per serial frame or
// datagram. Both links are decoded here, by one decoder, so the window and
// tarvo-clock see the same records.

#include "clock/time_report.h"

#include <QByteArray>
#include <QtGlobal>
#include <variant>

namespace tarvo
{

enum class LinkKind { Serial, Network };

// Where and when a record arrived.
struct RecordSource {
    LinkKind link = LinkKind::Serial;
    quint32 address = 0; // a datagram's sender (first octet in the high byte)
    quint16 port = 0;
    qint64 arrivalUs = 0; // system time when its bytes were read, microseconds since 1970
};

// The 12-byte running-time report (serial only).
struct TimeReportRecord {
    QByteArray payload;
    TimeReport report;
};

// The master settings record: bytes 0 to 40 of the serial receive buffer
// (whatever length the frame had), or the 16 bytes of a datagram.
struct MasterRecord {
    QByteArray record;
};

// The network settings record. Over the serial link all 128 bytes and the two
// e-mail records, unpacked from the 768-byte payload; over the network the 126
// bytes of offsets 0 to 125 (the last two are not carried).
struct NetworkRecord {
    QByteArray networkData;
    QByteArray email1;
    QByteArray email2;
    bool present = true; // serial: any payload byte was non-zero
};

// The 101-byte DST record, its header in the record's own order.
struct DstRecord {
    QByteArray record;
};

struct PasswordRefusal {
};
// Datagram code 4: the discovery code, which a clock also sends on its own.
struct DiscoveryCode {
};
// A settings-type frame (network settings or DST dates) whose length was
// wrong: the clock answered, but there is nothing to use.
struct IncompleteRecord {
    quint8 endByte = 0;
    int length = 0;
};
// A datagram with a code the program does not use.
struct OtherDatagram {
    quint8 code = 0;
};

using ClockRecord = std::variant<TimeReportRecord, MasterRecord, NetworkRecord, DstRecord,
                                 PasswordRefusal, DiscoveryCode, IncompleteRecord, OtherDatagram>;

struct Incoming {
    RecordSource source;
    ClockRecord record;
};

// True for what a probe counts as the clock's answer: any settings-type frame.
bool IsSettingsAnswer(const ClockRecord& record);

} // namespace tarvo

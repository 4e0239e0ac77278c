// SPDX-License-Identifier: GPL-3.0-or-later
// The master settings record decoder, in its serial (41-byte) and network
// (16-byte) lengths and any other, for every model code. Byte 0 picks the
// model; the rest is the record. The decoded settings must go out again as
// frames and as a network record without trouble.
#include "clock/clock_model.h"
#include "clock/master_record.h"
#include "fuzz_support.h"
#include "link/bytes.h"
#include "link/serial_frame.h"

using namespace tarvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input = fuzz::Bytes(data, size);
    const int clockType = ByteAt(input, 0) % 6; // 1..4 and two unknown codes
    const QByteArray record = input.mid(1);
    const QByteArray lengths[] = {record, record.left(NetworkMasterRecordLength),
                                  record.left(SerialMasterRecordLength)};
    ClockSettings settings;
    for (const QByteArray& r : lengths) {
        const MasterDecodeResult result = DecodeMasterRecord(r, FindModel(clockType), settings);
        settings = result.settings;
        const QString phone = result.view.phoneText.value_or(QString());
        for (const SerialCommand& c :
             MasterSettingsSerialFrames(settings, FindModel(clockType), phone))
            if (BuildSerialFrame(c.command, c.payload, ModelOrFallback(clockType)).size() <
                SerialTrailerLength + 1)
                abort();
        const QByteArray composed = ComposeMasterRecord(settings, FindModel(clockType), -1, r);
        if (composed.size() != NetworkMasterRecordLength)
            abort();
        (void)PhoneNumberPayload(phone);
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The network settings record: the serial reply's nibble unpacking and the
// decoder that fills the Network and Password pages, for every model group.
// Byte 0 picks the model; the rest is the serial payload (any length). The
// unpacked record, and the raw bytes taken as a record of their own, must
// decode and go out again as frames and datagrams of the right size.
#include "connect/network_settings.h"
#include "fuzz_support.h"
#include "link/bytes.h"
#include "link/datagram.h"

using namespace tarvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input = fuzz::Bytes(data, size);
    const int clockType = ByteAt(input, 0) % 6;
    const QByteArray payload = input.mid(1);
    const UnpackedNetworkSettings unpacked = UnpackNetworkSettings(payload);
    if (unpacked.networkData.size() != NetworkDataLength || unpacked.email1.size() != 128 ||
        unpacked.email2.size() != 128)
        abort();
    for (const QByteArray& record : {unpacked.networkData, payload}) {
        const NetworkSettingsView view = DecodeNetworkSettings(record, FindModel(clockType));
        (void)view;
        (void)ModelNamedIn(record);
        for (const QByteArray& d : NetworkSettingsDatagrams(record, QByteArrayView("7315")))
            if (d.size() != DatagramLength)
                abort();
        for (const SerialCommand& f : NetworkSettingsSerialFrames(record))
            if (f.payload.size() > 32)
                abort();
    }
    return 0;
}

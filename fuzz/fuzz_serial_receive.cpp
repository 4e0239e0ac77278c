// SPDX-License-Identifier: GPL-3.0-or-later
// The serial receive path: reassembly of frames from a byte stream and the
// dispatch by end byte, under every combination of the flags that steer it.
// Byte 0 of the input sets the flags; the rest arrives as serial bytes, in
// chunks whose sizes the input itself chooses, as a real port delivers them.
#include "fuzz_support.h"
#include "link/bytes.h"
#include "panel_fixture.h"

using namespace tarvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input = fuzz::Bytes(data, size);
    fuzz::PanelFixture fixture;
    fixture.Apply(fuzz::ReceiveFlags::From(ByteAt(input, 0)));
    // Chunk sizes from the flag byte's complement, so one input replays the
    // same way every time.
    const int chunk = 1 + (~ByteAt(input, 0) & 0x3F);
    for (qsizetype at = 1; at < input.size(); at += chunk)
        fixture.panel->Session().InjectSerialBytes(input.mid(at, chunk));
    return 0;
}

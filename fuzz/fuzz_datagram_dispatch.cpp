// SPDX-License-Identifier: GPL-3.0-or-later
// The datagram path: whatever arrives on the program's socket passes the
// session's filter and decoder and the window core's rules. Byte 0 of the
// input sets the flags (and whether the datagram comes from the clock or a
// stranger), the rest is the datagram.
#include "fuzz_support.h"
#include "link/bytes.h"
#include "link/datagram.h"
#include "panel_fixture.h"

using namespace tarvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input = fuzz::Bytes(data, size);
    const auto flags = fuzz::ReceiveFlags::From(ByteAt(input, 0));
    const QByteArray datagram = input.mid(1);
    fuzz::PanelFixture fixture;
    fixture.Apply(flags);
    const quint32 sender = flags.fromStranger ? 0x7F000063u : 0x7F000001u;
    fixture.panel->Session().InjectDatagram(datagram, sender, ClockPort);
    return 0;
}

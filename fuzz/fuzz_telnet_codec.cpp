// SPDX-License-Identifier: GPL-3.0-or-later
// The Telnet/RFC 2217 codec of the device server link: any bytes a server
// sends, in chunks whose sizes the input chooses (byte 0). The line's data
// never comes out longer than what went in, and data escaped for the server
// reads back unchanged.
#include "fuzz_support.h"
#include "link/bytes.h"
#include "link/telnet_codec.h"

#include <cstdlib>

using namespace tarvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input = fuzz::Bytes(data, size);
    TelnetCodec codec;
    codec.Start();
    const int chunk = 1 + (ByteAt(input, 0) & 0x3F);
    QByteArray line;
    for (qsizetype at = 1; at < input.size(); at += chunk)
        line += codec.Feed(input.mid(at, chunk)).data;
    if (line.size() > input.size())
        std::abort();
    TelnetCodec back;
    if (back.Feed(TelnetCodec::Escape(line)).data != line)
        std::abort();
    return 0;
}

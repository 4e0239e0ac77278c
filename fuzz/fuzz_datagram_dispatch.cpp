// The datagram dispatch: whatever arrives on the program's socket goes to
// ProcessDatagram in the 256-byte receive buffer, zero past its end, as the
// socket reader leaves it. Byte 0 of the input sets the flags, the rest is the
// datagram.
#include "fuzz_support.h"
#include "link/bytes.h"
#include "link/datagram.h"
#include "panel_fixture.h"

#include <algorithm>

using namespace tarvo;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::StartApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input = fuzz::Bytes(data, size);
    const auto flags = fuzz::ReceiveFlags::From(ByteAt(input, 0));
    const QByteArray datagram = input.mid(1, ReceiveLimit);
    // A discovery reply outside a search asks the clock for its settings and
    // waits 600 ms for the answers; the fuzzer learns nothing in that time
    // that the other codes do not show.
    if (!flags.searchInProgress && ByteAt(datagram, 0) == ReplyCode::Discovery)
        return 0;
    QByteArray buffer(ReceiveLimit, '\0');
    std::copy(datagram.begin(), datagram.end(), buffer.begin());
    fuzz::PanelFixture fixture;
    fixture.Apply(flags);
    fixture.panel->ProcessDatagram(buffer, int(datagram.size()), 0x7F000001u);
    return 0;
}

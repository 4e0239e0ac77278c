// SPDX-License-Identifier: GPL-3.0-or-later
// The metrics server's request reader: any bytes, whole and cut short. A
// complete head lies within the bytes and the limit; a head complete in the
// whole input is read the same from any longer prefix; a cut never turns a
// request that is bad into a good one.
#include "cli/http_request.h"
#include "fuzz_support.h"

using namespace tarvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const HttpRequestHead whole = ParseRequestHead(bytes);
    using Result = HttpRequestHead::Result;
    if (whole.result == Result::Complete &&
        (whole.length <= 0 || whole.length > bytes.size() || whole.length > kHttpHeadLimit))
        abort();
    if (whole.result == Result::Bad && whole.status < 400)
        abort();
    for (qsizetype cut = 0; cut < bytes.size(); cut += 1 + cut / 8) {
        const HttpRequestHead part = ParseRequestHead(QByteArrayView(bytes).first(cut));
        if (part.result == Result::Complete &&
            (whole.result != Result::Complete || part.length != whole.length ||
             part.path != whole.path || part.keepAlive != whole.keepAlive))
            abort();
    }
    (void)HttpResponse(whole.status ? whole.status : 200, "text/plain", bytes, !whole.keepAlive);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The DST record decoder: any bytes, any length. A record of the right length
// must come back as 48 valid spring and fall dates.
#include "dst/dst_record.h"
#include "fuzz_support.h"

using namespace tarvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const DstTables tables = ParseDSTDates(fuzz::Bytes(data, size));
    if (tables.present != (size >= size_t(DstRecordLength)))
        abort();
    if (tables.present)
        for (int i = 0; i < 48; ++i)
            if (!tables.spring[i].isValid() || !tables.fall[i].isValid())
                abort();
    return 0;
}

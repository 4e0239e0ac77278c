// SPDX-License-Identifier: GPL-3.0-or-later
// The clock's time report decoder and what a valid report leads to: the text
// shown and the computer-clock setting derived from it.
#include "clock/time_report.h"
#include "fuzz_support.h"

using namespace tarvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TimeReport report = DecodeTimeReport(fuzz::Bytes(data, size));
    if (!report.valid)
        return 0;
    if (report.ClockTimeText.size() != 8 || report.ClockDateText.size() != 10)
        abort();
    (void)IncomingTimeText(report);
    (void)ClockSettingFor(report.ClockTimeText, report.ClockDateText);
    return 0;
}

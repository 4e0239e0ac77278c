// SPDX-License-Identifier: GPL-3.0-or-later
// The numeric-value rule that reads stored settings and number boxes: any
// text, read as UTF-8 and as Latin-1, against the ranges the store uses.
#include "connect/numeric_value.h"
#include "fuzz_support.h"

#include <limits>

using namespace tarvo;

namespace
{
void Check(const QString& text)
{
    const double value = NumericValue(text);
    (void)RoundHalfEven(value);
    const std::pair<qint64, qint64> ranges[] = {
        {std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()},
        {std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()},
        {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()},
        {0, 2},
    };
    for (const auto& [low, high] : ranges) {
        const auto whole = WholeValueInRange(text, low, high);
        if (whole && (*whole < low || *whole > high))
            abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    Check(QString::fromUtf8(bytes));
    Check(QString::fromLatin1(bytes));
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/bytes.h"

namespace tarvo
{

void CopyBytes(QByteArrayView source, int sourceStart, QByteArray& destination,
               int destinationStart, int count)
{
    for (int k = 0; k < count; ++k) {
        const qsizetype from = qsizetype(sourceStart) + k;
        const qsizetype to = qsizetype(destinationStart) + k;
        if (from < 0 || from >= source.size() || to < 0 || to >= destination.size())
            return;
        destination[to] = source[from];
    }
}

} // namespace tarvo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "connect/numeric_value.h"

#include <cmath>

namespace tarvo
{

double NumericValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
            ++i;
    };
    skipBlanks();
    double sign = 1.0;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        if (text[i] == QLatin1Char('-'))
            sign = -1.0;
        ++i;
        skipBlanks();
    }
    double value = 0.0;
    bool anyDigit = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t'))
            continue;
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10.0 + (c.unicode() - '0');
        anyDigit = true;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        double scale = 0.1;
        for (++i; i < n; ++i) {
            const QChar c = text[i];
            if (c == QLatin1Char(' ') || c == QLatin1Char('\t'))
                continue;
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                break;
            value += scale * (c.unicode() - '0');
            scale /= 10.0;
            anyDigit = true;
        }
    }
    return anyDigit ? sign * value : 0.0;
}

std::optional<qint64> RoundHalfEven(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 9.0e18)
        return std::nullopt;
    return static_cast<qint64>(std::nearbyint(value));
}

std::optional<qint64> WholeValueInRange(QStringView text, qint64 minimum, qint64 maximum)
{
    const auto whole = RoundHalfEven(NumericValue(text));
    if (!whole || *whole < minimum || *whole > maximum)
        return std::nullopt;
    return whole;
}

} // namespace tarvo

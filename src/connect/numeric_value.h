// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>
#include <optional>

namespace tarvo
{

// The numeric-value rule used for stored settings and number boxes: the decimal
// number at the start of the text, blanks skipped; 0 when the text does not
// begin with a number. A fraction is kept here; RoundHalfEven makes it whole.
double NumericValue(QStringView text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// nullopt when the value is not finite or lies outside 64-bit range.
std::optional<qint64> RoundHalfEven(double value);

// NumericValue, rounded, when the result fits [minimum, maximum].
std::optional<qint64> WholeValueInRange(QStringView text, qint64 minimum, qint64 maximum);

} // namespace tarvo

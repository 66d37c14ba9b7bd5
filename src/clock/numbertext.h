#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace zentrel {

// Entry boxes take what a Japanese keyboard types: full-width digits, sign and point,
// and blanks (ideographic space included) around the number.
QString normaliseTypedNumber(const QString &text);

// A decimal number with an optional sign and fraction ("1.5", "-0", ".5"); no exponent.
std::optional<double> parseDecimal(const QString &text);

// An optionally signed whole number that fits in 16 bits ("07", " 5", "-3").
std::optional<std::int16_t> parseWholeNumber(const QString &text);

// Round half to even, as the clock stores lengths ("2.5" is 2, "3.5" is 4).
std::int16_t roundHalfToEven(double value);

} // namespace zentrel

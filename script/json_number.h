// The two ways a number is written as text: the script engine's own form (JSON text and
// plain reads) and the "%.13g" form that numeric reads and writes use.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

// ECMAScript Number::toString: the shortest digits that read back as the same double, plain
// from 1e-6 up to below 1e21, exponent form ("1e+21", "1.5e-7") outside; NaN and the
// infinities as "NaN", "Infinity" and "-Infinity". Appends to out.
void AppendScriptNumber(double value, std::string& out);

// printf "%.13g": at most 13 significant digits, trailing zeros dropped.
std::string FormatG13(double value);

// A whole text read as a number literal ("12", "-0.5", "1e3"), or nothing when any of it
// is not part of one. Out-of-range magnitudes give the infinities or zero.
std::optional<double> ReadDecimal(std::string_view text);

}  // namespace quarvel

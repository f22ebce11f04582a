// Numbers as text and back, without the C runtime's printf and strtod: those bring its
// floating-point conversions, tens of kilobytes, into every program built on the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lanternix {

// The decimal digits of value, with a "-" when negative, right-aligned with spaces to at least
// width characters (what "%*d" prints).
std::wstring DecimalText(std::int64_t value, std::size_t width = 0);
// The decimal number text starts with, read as strtod reads one in the "C" locale: leading white
// space, a sign, digits with at most one ".", an exponent; reading stops at the first character
// that can't continue it, and no digits give 0. Up to 19 significant digits count; within those
// the result is the correctly rounded double whenever the digits fit 53 bits and the scale is at
// most 10^22, which covers every version text. Hexadecimal and "inf"/"nan" are not numbers here.
double LeadingDecimalNumber(std::string_view text);

}  // namespace lanternix

#include "model/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace lanternix {

namespace {

bool IsAsciiDigit(char ch) {
  return ch >= '0' && ch <= '9';
}
// The white space strtod skips in the "C" locale: space, \t, \n, \v, \f and \r.
bool IsCSpace(char ch) {
  return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

// 10^22 is the largest power of ten a double holds exactly; larger scales are applied in steps.
constexpr int kExactPowerOfTen = 22;
// 19 decimal digits always fit an unsigned 64-bit accumulator.
constexpr std::uint64_t kMantissaDigitsLimit = 1'000'000'000'000'000'000ULL;
// Far beyond any double; keeps the exponent's own accumulator from overflowing.
constexpr int kExponentCap = 100'000;

double ScaledByPowerOfTen(double value, int exponent) {
  while (exponent != 0 && value != 0.0 && std::isfinite(value)) {
    const int step = std::clamp(exponent, -kExactPowerOfTen, kExactPowerOfTen);
    double power = 1.0;
    for (int i = 0; i < std::abs(step); ++i) power *= 10.0;
    value = step < 0 ? value / power : value * power;
    exponent -= step;
  }
  return value;
}

}  // namespace

std::wstring DecimalText(std::int64_t value, std::size_t width) {
  // Sign and 19 digits of the largest magnitude.
  wchar_t digits[20];
  std::size_t start = std::size(digits);
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  do {
    digits[--start] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[--start] = L'-';
  const std::size_t length = std::size(digits) - start;
  std::wstring text(width > length ? width - length : 0, L' ');
  text.append(digits + start, length);
  return text;
}

double LeadingDecimalNumber(std::string_view text) {
  std::size_t at = 0;
  const auto digitAt = [&text](std::size_t index) {
    return index < text.size() && IsAsciiDigit(text[index]);
  };
  while (at < text.size() && IsCSpace(text[at])) ++at;
  const bool negative = at < text.size() && text[at] == '-';
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;

  std::uint64_t mantissa = 0;
  int exponent = 0;
  bool anyDigit = false;
  bool fraction = false;
  for (;; ++at) {
    if (digitAt(at)) {
      anyDigit = true;
      if (mantissa < kMantissaDigitsLimit) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[at] - '0');
        if (fraction) --exponent;
      } else if (!fraction) {
        ++exponent;
      }
    } else if (at < text.size() && text[at] == '.' && !fraction) {
      fraction = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return 0.0;

  // An exponent counts only with at least one digit: "4e" and "4e+" read as 4.
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    std::size_t digitsAt = at + 1;
    bool negativeExponent = false;
    if (digitsAt < text.size() && (text[digitsAt] == '-' || text[digitsAt] == '+'))
      negativeExponent = text[digitsAt++] == '-';
    int written = 0;
    for (; digitAt(digitsAt); ++digitsAt)
      written = std::min(written * 10 + (text[digitsAt] - '0'), kExponentCap);
    exponent += negativeExponent ? -written : written;
  }
  const double value = ScaledByPowerOfTen(static_cast<double>(mantissa), exponent);
  return negative ? -value : value;
}

}  // namespace lanternix

// "%f" text of a double.  Values below 2^63 / 10^6 in magnitude (every
// coordinate) are rounded exactly in integers: |value| = m 2^e with a 53-bit
// m, so |value| 10^6 = m 10^6 2^e (at most 73 bits before the shift), whose
// integer part and remainder a shift gives, and the decimal digits come
// from that integer.
// Others (and infinities, not-a-numbers) go to std::to_chars, which writes
// the same text more slowly.
#include "interface/fixed_text.h"

#include <bit>
#include <charconv>
#include <cstdint>

namespace zonvert {
namespace {

constexpr uint64_t kMillion = 1000000;
// 2^63 / 10^6: below it the scaled value fits in 63 bits.
constexpr double kFastLimit = 9223372036854.775;

// Writes the decimal digits of `n` (at least one) at `out`.
char* AppendUnsigned(char* out, uint64_t n) {
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  while (count > 0) *out++ = digits[--count];
  return out;
}

}  // namespace

char* AppendFixedText(char* out, char* end, double value) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const bool negative = (bits >> 63) != 0;
  const double magnitude = negative ? -value : value;
  if (!(magnitude < kFastLimit)) {  // also infinities and not-a-numbers
    return std::to_chars(out, end, value, std::chars_format::fixed, 6).ptr;
  }
  const int biasedExponent = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  int exponent;  // |value| = mantissa * 2^exponent
  if (biasedExponent == 0) {
    exponent = -1074;  // zero and subnormals
  } else {
    mantissa |= uint64_t{1} << 52;
    exponent = biasedExponent - 1075;
  }

  // scaled = round-half-even(mantissa * 10^6 * 2^exponent)
  uint64_t scaled;
  if (exponent >= 0) {
    scaled = (mantissa << exponent) * kMillion;  // exact: below 2^63 by the limit
  } else if (-exponent >= 74) {
    scaled = 0;  // below half a unit of the sixth decimal: rounds to 0
  } else {
    // product = mantissa * 10^6 as high and low 64-bit halves.
    const uint64_t highPart = (mantissa >> 32) * kMillion;            // < 2^41
    const uint64_t lowPart = (mantissa & 0xFFFFFFFFu) * kMillion;     // < 2^52
    const uint64_t low = lowPart + (highPart << 32);
    const uint64_t high = (highPart >> 32) + (low < lowPart ? 1 : 0);
    const int shift = -exponent;  // 1 to 73
    uint64_t remainderHigh, remainderLow, halfHigh, halfLow;
    if (shift < 64) {
      scaled = (low >> shift) | (shift == 0 ? 0 : high << (64 - shift));
      remainderHigh = 0;
      remainderLow = low & ((uint64_t{1} << shift) - 1);
      halfHigh = 0;
      halfLow = uint64_t{1} << (shift - 1);
    } else {
      scaled = high >> (shift - 64);
      remainderHigh = high & ((uint64_t{1} << (shift - 64)) - 1);
      remainderLow = low;
      halfHigh = shift == 64 ? 0 : uint64_t{1} << (shift - 65);
      halfLow = shift == 64 ? uint64_t{1} << 63 : 0;
    }
    const bool above = remainderHigh != halfHigh ? remainderHigh > halfHigh : remainderLow > halfLow;
    const bool tie = remainderHigh == halfHigh && remainderLow == halfLow;
    if (above || (tie && (scaled & 1) != 0)) ++scaled;
  }

  if (negative) *out++ = '-';
  out = AppendUnsigned(out, scaled / kMillion);
  *out++ = '.';
  uint64_t fraction = scaled % kMillion;
  for (int i = 5; i >= 0; --i) {
    out[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  return out + 6;
}

}  // namespace zonvert

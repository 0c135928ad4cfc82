// The "%f" text of the trace line and of lldrv_str against the C library's
// snprintf: exact rounding (ties to even), signs of zero, the borders of the
// integer path, subnormals, infinities and not-a-numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "interface/fixed_text.h"

namespace zonvert {
namespace {

void ExpectLikeSnprintf(double value) {
  char expected[kFixedTextWidth + 8];
  std::snprintf(expected, sizeof expected, "%f", value);
  char actual[kFixedTextWidth + 8];
  char* const end = AppendFixedText(actual, actual + kFixedTextWidth, value);
  EXPECT_EQ(std::string(actual, end), std::string(expected)) << std::hexfloat << value;
}

TEST(FixedText, WritesWhatSnprintfWrites) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double cases[] = {
      0.0, -0.0, 1.0, -1.0, 0.5, 123456.789, -987654.3210987,
      // ties of the sixth decimal (odd multiples of 1/128), both ways
      0.0078125, 0.0234375, 0.0390625, -0.0078125, 1.0078125, 2.0234375,
      // halves of the sixth decimal that are not ties in binary
      0.0000005, 0.0000015, 0.0000025, 999999.9999995, -0.0000005,
      // tiny values: zero with the sign of the value
      1e-9, -1e-9, 4.9406564584124654e-324, -4.9406564584124654e-324, 2.2250738585072014e-308,
      // integers and the border of the integer path
      4503599627370496.0, 9007199254740993.0, 9223372036854.775, 9223372036854.7734,
      std::nextafter(9223372036854.775, 0.0), 1e13, 1e300, -1e300, 1.7976931348623157e308,
      // coordinates as the convenience exports write them
      1639684.2371, -1476536.000002, 45.5, 15.0, 5013887.4219999998,
      // no number
      HUGE_VAL, -HUGE_VAL, nan, -nan,
  };
  for (double value : cases) ExpectLikeSnprintf(value);
}

TEST(FixedText, AgreesWithSnprintfOverManyMagnitudes) {
  uint64_t state = 0x9E3779B97F4A7C15u;
  for (int i = 0; i < 200000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    // random bits with the exponent held between 2^-40 and 2^50
    const uint64_t exponent = 1023 - 40 + (state >> 33) % 91;
    const uint64_t bits = (state & 0x800FFFFFFFFFFFFFu) | (exponent << 52);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    ExpectLikeSnprintf(value);
  }
}

}  // namespace
}  // namespace zonvert

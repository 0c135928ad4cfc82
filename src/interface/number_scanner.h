// Reading numbers from parameter-file text exactly as the C library's
// fscanf reads them with "%d" and "%lf" (as the GNU C library does it,
// C locale), in memory and independently of the host's locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zonvert {

// A cursor over text.  Each read skips white space (space, tab, LF, VT, FF,
// CR) as a conversion does, then consumes exactly the characters that
// fscanf consumes for the conversion, whether it succeeds or fails:
//
//  "%d"   an optional sign and decimal digits.  A sign with no digit fails
//         after the sign.  Digits beyond the range of a 32-bit integer:
//         C leaves the result undefined (the GNU library stores the value
//         cut to 32 bits); ReadInt refuses such a number.
//  "%lf"  an optional sign, then "nan" or "inf"/"infinity" (any case; a
//         broken word fails after its first wrong letter), or a decimal
//         number (digits, one point, an 'e' after a digit, a sign right
//         after it, digits) or a hexadecimal one ("0x", hex digits, one
//         point, a 'p' after a digit, a sign, decimal digits).  The
//         characters so taken are consumed even where only a prefix of
//         them is a number ("1e+" gives 1 with all three consumed); the
//         conversion fails when no prefix is a number ("-", ".", "0x").
//         The value is the correctly rounded one; beyond the range of a
//         double it is an infinity, below it zero or a subnormal, as
//         strtod gives.
class NumberScanner {
 public:
  explicit NumberScanner(std::string_view text)
      : begin_(text.data()), p_(text.data()), end_(text.data() + text.size()) {}

  // Skips white space; true when nothing else is left.
  bool AtEnd();

  // Reads one "%d" conversion into *value; false when it fails.
  bool ReadInt(int32_t* value);

  // Reads one "%lf" conversion into *value; false when it fails.  With
  // value nullptr the characters are consumed and checked as they would be
  // for a conversion, and no value is formed.
  bool ReadDouble(double* value);

  // Characters consumed so far.
  size_t position() const { return static_cast<size_t>(p_ - begin_); }

 private:
  void SkipSpace();

  const char* begin_;
  const char* p_;
  const char* end_;
};

}  // namespace zonvert

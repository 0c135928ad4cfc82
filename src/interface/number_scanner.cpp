// Number reading as fscanf's "%d" and "%lf" do it.  The characters of a
// conversion are taken by the same rules as the C library takes them, one
// look-ahead character at a time; the value of the characters taken is
// formed by std::from_chars (correctly rounded, as strtod), which is
// independent of the locale.
#include "interface/number_scanner.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <system_error>

namespace zonvert {
namespace {

// White space of the C locale: space, and tab, LF, VT, FF, CR (codes 9-13).
bool IsSpace(char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') < 5; }
bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
char ToLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// What the characters of a "%lf" conversion spell.
enum class RealForm { kDecimal, kHexadecimal, kInfinity, kNotANumber };

// Whether a number whose value std::from_chars found out of range lies
// above the range (true) or below it (false).  [digits, end) holds the
// mantissa and exponent, without sign or "0x"; `exponentChar` is 'e' or
// 'p', `digitWeight` the exponent units per mantissa digit (1 for decimal
// digits and powers of ten, 4 for hex digits and powers of two).  The sign
// of the order of magnitude decides: values out of range are either far
// above 1 or far below it.
bool AboveRange(const char* digits, const char* end, char exponentChar, int digitWeight) {
  long long order = 0;  // exponent units, relative to the point
  bool seenNonZero = false;
  bool afterPoint = false;
  const char* p = digits;
  for (; p != end && ToLower(*p) != exponentChar; ++p) {
    if (*p == '.') {
      afterPoint = true;
    } else if (!seenNonZero && *p == '0') {
      if (afterPoint) order -= digitWeight;
    } else {
      seenNonZero = true;
      if (!afterPoint) order += digitWeight;
    }
  }
  long long exponent = 0;
  if (p != end) {
    ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    for (; p != end && IsDigit(*p); ++p) {
      if (exponent < LLONG_MAX / 100) exponent = exponent * 10 + (*p - '0');
    }
    if (negative) exponent = -exponent;
  }
  return order + exponent > 0;
}

// Takes the characters of a "%lf" conversion from *p on (after the sign),
// as the C library does, and tells their form.  False when the conversion
// fails; *p is then where the C library stops, the offending letter of a
// broken "nan" or "inf" included.
bool TakeReal(const char** cursor, const char* end, RealForm* form) {
  const char* p = *cursor;
  const char* const start = p;
  // "nan", "inf" and "infinity": each letter must follow; the first one
  // that does not is consumed with the failure.
  auto spell = [&p, end](const char* letters) {
    for (const char* l = letters; *l != '\0'; ++l) {
      if (p == end) return false;
      if (ToLower(*p++) != *l) return false;
    }
    return true;
  };
  bool ok = true;
  const char first = ToLower(*p);
  if (first == 'n') {
    ok = spell("nan");
    *form = RealForm::kNotANumber;
  } else if (first == 'i') {
    ok = spell("inf") && !(p != end && ToLower(*p) == 'i' && !spell("inity"));
    *form = RealForm::kInfinity;
  } else {
    *form = RealForm::kDecimal;
    char exponentChar = 'e';
    bool gotDigit = false, gotDot = false, gotExponent = false;
    bool exponentLast = false;  // the character taken last is the exponent letter
    if (*p == '0') {
      ++p;
      if (p != end && ToLower(*p) == 'x') {
        ++p;
        *form = RealForm::kHexadecimal;
        exponentChar = 'p';
      } else {
        gotDigit = true;
      }
    }
    while (p != end) {
      const char c = *p;
      if (IsDigit(c) || (!gotExponent && *form == RealForm::kHexadecimal && IsHexDigit(c))) {
        gotDigit = true;
        exponentLast = false;
      } else if (exponentLast && (c == '-' || c == '+')) {
        exponentLast = false;  // the sign of the exponent
      } else if (gotDigit && !gotExponent && ToLower(c) == exponentChar) {
        gotExponent = gotDot = exponentLast = true;
      } else if (!gotExponent && !gotDot && c == '.') {
        gotDot = true;
        exponentLast = false;
      } else {
        break;
      }
      ++p;
    }
    if (p == start) {
      ok = false;  // nothing after the sign
    } else if (*form == RealForm::kHexadecimal) {
      ok = p != start + 2;  // "0x" alone
    } else {
      ok = gotDigit;  // "." alone: no prefix is a number
    }
  }
  *cursor = p;
  return ok;
}

// The magnitude of the characters [start, end) of a conversion (no sign),
// as strtod forms it.
double ValueOf(const char* start, const char* end, RealForm form) {
  switch (form) {
    case RealForm::kNotANumber:
      return std::numeric_limits<double>::quiet_NaN();
    case RealForm::kInfinity:
      return HUGE_VAL;
    case RealForm::kDecimal:
    case RealForm::kHexadecimal:
      break;
  }
  const bool hex = form == RealForm::kHexadecimal;
  const char* const digits = hex ? start + 2 : start;
  double magnitude = 0.0;
  const std::errc ec =
      std::from_chars(digits, end, magnitude, hex ? std::chars_format::hex : std::chars_format::general).ec;
  if (ec == std::errc::result_out_of_range) {
    return AboveRange(digits, end, hex ? 'p' : 'e', hex ? 4 : 1) ? HUGE_VAL : 0.0;
  }
  if (ec != std::errc()) return 0.0;  // "0x" then no hex digit ("0x.p1"): the number is the 0
  return magnitude;
}

}  // namespace

void NumberScanner::SkipSpace() {
  const char* p = p_;
  while (p != end_ && IsSpace(*p)) ++p;
  p_ = p;
}

bool NumberScanner::AtEnd() {
  SkipSpace();
  return p_ == end_;
}

bool NumberScanner::ReadInt(int32_t* value) {
  SkipSpace();
  const char* p = p_;
  if (p == end_) return false;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  const char* const digits = p;
  while (p != end_ && IsDigit(*p)) ++p;
  p_ = p;
  if (p == digits) return false;  // no digit: fails after the sign
  // Accumulate the magnitude; beyond 2^31 the number has no 32-bit value.
  constexpr uint64_t kLimit = static_cast<uint64_t>(INT32_MAX) + 1;
  uint64_t magnitude = 0;
  for (const char* d = digits; d != p; ++d) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(*d - '0');
    if (magnitude > kLimit) return false;
  }
  if (!negative && magnitude == kLimit) return false;
  *value = negative ? static_cast<int32_t>(0 - magnitude) : static_cast<int32_t>(magnitude);
  return true;
}

bool NumberScanner::ReadDouble(double* value) {
  SkipSpace();
  const char* p = p_;
  if (p == end_) return false;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p++ == '-';
    if (p == end_) {
      p_ = p;
      return false;
    }
  }
  const char* const start = p;  // the characters after the sign

  // The common form first: digits, a point, digits, then white space or
  // the end.  The full rules below take exactly these characters too.
  while (p != end_ && IsDigit(*p)) ++p;
  bool gotDigit = p != start;
  if (p != end_ && *p == '.') {
    const char* const point = p++;
    while (p != end_ && IsDigit(*p)) ++p;
    gotDigit = gotDigit || p != point + 1;
  }
  RealForm form = RealForm::kDecimal;
  if (!gotDigit || (p != end_ && !IsSpace(*p))) {
    p = start;
    if (!TakeReal(&p, end_, &form)) {
      p_ = p;
      return false;
    }
  }
  p_ = p;
  if (value == nullptr) return true;
  const double magnitude = ValueOf(start, p, form);
  *value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace zonvert

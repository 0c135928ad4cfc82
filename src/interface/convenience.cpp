// Convenience exports: decimal degrees to grid US survey feet with fixed
// settings, returned through pointers (lldrv), as one value (lldrv_dbl) or
// as text (lldrv_str).  Each call writes one trace line to standard output.
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "interface/fixed_text.h"
#include "zonvert.h"

namespace {

// Fixed settings of the convenience conversion.
constexpr int32_t kDirection = ZONVERT_GEOGRAPHIC_TO_GRID;
constexpr int32_t kInputDegrees = 1;        // geographic input in decimal degrees
constexpr int32_t kOutputFeet = 0;          // grid output in US survey feet
constexpr int32_t kHemisphereNorth = 1;     // false northing 0
constexpr float kSuffix61Meridian = 100.0f; // degrees
constexpr float kMercatorTrueScaleLat = 0.0f;
constexpr float kMercatorCentralMeridian = 0.0f;

// Widest "%f" text of a double.
constexpr size_t kFixedWidth = zonvert::kFixedTextWidth;

// Appends `value` as "%f" does in the C locale (six decimals, no grouping).
char* AppendFixed(char* out, char* end, double value) { return zonvert::AppendFixedText(out, end, value); }

char* AppendText(char* out, std::string_view text) {
  for (char c : text) *out++ = c;
  return out;
}

// The value of the longest leading decimal number of `text` after white
// space: [+-] digits [. digits] [(e|E) [+-] digits].  No number gives 0.0.
double ParseLeadingNumber(const char* text) {
  if (text == nullptr) return 0.0;
  const char* p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  const char* digits = p;
  bool anyDigit = false;
  while (std::isdigit(static_cast<unsigned char>(*p))) ++p, anyDigit = true;
  if (*p == '.') {
    ++p;
    while (std::isdigit(static_cast<unsigned char>(*p))) ++p, anyDigit = true;
  }
  if (!anyDigit) return 0.0;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (std::isdigit(static_cast<unsigned char>(*q))) {
      while (std::isdigit(static_cast<unsigned char>(*q))) ++q;
      p = q;
    }
  }
  double value = 0.0;
  const std::string_view number(digits, static_cast<size_t>(p - digits));
  if (std::from_chars(number.data(), number.data() + number.size(), value).ec ==
      std::errc::result_out_of_range) {
    // Beyond the range of a double, as strtod: a negative exponent gives
    // zero, anything else an infinity.
    const size_t e = number.find_first_of("eE");
    value = (e != std::string_view::npos && number[e + 1] == '-') ? 0.0 : HUGE_VAL;
  }
  return negative ? -value : value;
}

// The text returned by lldrv_str; overwritten by its next call.
char gGridText[2 * kFixedWidth + 2];

}  // namespace

extern "C" ZONVERT_API int32_t ZONVERT_CALL lldrv(double lat, double lon, double* x, double* y,
                                                  int32_t zone) {
  double latCopy = lat;
  double lonCopy = lon;
  double gridX = 0.0;
  double gridY = 0.0;
  LLDRV_NEW(&latCopy, &lonCopy, &gridX, &gridY, zone, kDirection, kInputDegrees, kOutputFeet,
            kHemisphereNorth, kSuffix61Meridian, kMercatorTrueScaleLat, kMercatorCentralMeridian);
  if (x != nullptr) *x = gridX;
  if (y != nullptr) *y = gridY;

  // "X=%f Y=%f LAT=%f LON=%f\n"
  char line[4 * kFixedWidth + 32];
  char* const end = line + sizeof line;
  char* p = line;
  p = AppendText(p, "X=");
  p = AppendFixed(p, end, gridX);
  p = AppendText(p, " Y=");
  p = AppendFixed(p, end, gridY);
  p = AppendText(p, " LAT=");
  p = AppendFixed(p, end, latCopy);
  p = AppendText(p, " LON=");
  p = AppendFixed(p, end, lonCopy);
  p = AppendText(p, "\n");
  const size_t length = static_cast<size_t>(p - line);
  if (std::fwrite(line, 1, length, stdout) != length) return -1;
  return static_cast<int32_t>(length);
}

extern "C" ZONVERT_API double ZONVERT_CALL lldrv_dbl(double lat, double lon, int32_t zone,
                                                     int32_t which) {
  double gridX = 0.0;
  double gridY = 0.0;
  lldrv(lat, lon, &gridX, &gridY, zone);
  return which == 1 ? gridX : gridY;
}

extern "C" ZONVERT_API const char* ZONVERT_CALL lldrv_str(const char* latText,
                                                          const char* lonText, int32_t zone) {
  double gridX = 0.0;
  double gridY = 0.0;
  lldrv(ParseLeadingNumber(latText), ParseLeadingNumber(lonText), &gridX, &gridY, zone);
  char* const end = gGridText + sizeof gGridText - 1;
  char* p = AppendFixed(gGridText, end, gridX);
  *p++ = ';';
  p = AppendFixed(p, end, gridY);
  *p = '\0';
  return gGridText;
}

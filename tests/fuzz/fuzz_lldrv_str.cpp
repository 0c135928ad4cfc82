// lldrv_str with two arbitrary texts (NUL-terminated copies) on the shipped
// parameter file.  The result must be "X;Y" inside its buffer and, whenever
// the C library reads a plain decimal number from both texts, equal to
// lldrv of those two numbers printed with "%f;%f".
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "zonvert.h"

namespace {

// The number strtod reads from `text` (0.0 for NULL or no number); false
// when what it read is not a plain decimal number (hexadecimal, inf, nan),
// a syntax lldrv_str does not take.
bool ReadDecimal(const char* text, double* value) {
  *value = 0.0;
  if (text == nullptr) return true;
  char* end = nullptr;
  *value = std::strtod(text, &end);
  const char* first = text;
  while (first != end && std::strchr(" \t\n\v\f\r", *first) != nullptr) ++first;
  for (const char* p = first; p != end; ++p) {
    if (std::strchr("+-.eE0123456789", *p) == nullptr) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    zonvert::platform::SetMessageSink(&zonvert::fuzzing::DropMessage);
    SetPath(ZONVERT_SOURCE_DIR);
    return true;
  }();
  (void)ready;
  FuzzedDataProvider in(data, size);
  const int32_t zone = zonvert::fuzzing::AnyZone(in);
  const bool nullLat = in.ConsumeIntegralInRange<int>(0, 15) == 0;
  const std::string latString = in.ConsumeRandomLengthString();
  const std::string lonString = in.ConsumeRemainingBytesAsString();
  const char* latText = nullLat ? nullptr : latString.c_str();
  const char* lonText = lonString.c_str();

  const std::string result = lldrv_str(latText, lonText, zone);
  // Widest "%f;%f": two signed 309-digit numbers with six decimals.
  if (result.size() > 2 * 317 + 1 || result.find(';') == std::string::npos) std::abort();

  double lat = 0.0, lon = 0.0;
  if (!ReadDecimal(latText, &lat) || !ReadDecimal(lonText, &lon)) return 0;
  double x = 0.0, y = 0.0;
  lldrv(lat, lon, &x, &y, zone);
  char expected[2 * 317 + 2];
  std::snprintf(expected, sizeof expected, "%f;%f", x, y);
  if (result != expected) std::abort();
  return 0;
}

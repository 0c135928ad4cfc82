// Helpers shared by the fuzz targets: one scratch root per process, a
// message sink that drops every message, and numbers taken from the input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/platform.h"

namespace zonvert::fuzzing {

inline void DropMessage(const char*, const char*, platform::MessageIcon) {}

// A folder ROOT with ROOT/template/ in it, made on first use and removed at
// exit; every iteration writes its files over the previous ones.  The text
// is never destroyed, so the exit handler can still read it.
inline const std::string& ScratchRoot() {
  static const std::string* const root = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                          "/zonvert-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::filesystem::create_directories(pattern + "/template");
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchRoot(), ignored);
    });
    return new std::string(pattern);
  }();
  return *root;
}

// Writes `bytes` to ROOT/template/name.
inline void WriteTemplateFile(const std::string& name, const std::string& bytes) {
  const std::string path = ScratchRoot() + "/template/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    std::abort();
  }
  std::fclose(file);
}

// Any double, NaN and infinities included, or a plain value in +-range.
inline double AnyDouble(FuzzedDataProvider& in, double range) {
  if (in.ConsumeBool()) return std::bit_cast<double>(in.ConsumeIntegral<uint64_t>());
  return in.ConsumeFloatingPointInRange<double>(-range, range);
}

// Bit-for-bit equality, not-a-numbers included.
inline bool SameBits(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

inline float AnyFloat(FuzzedDataProvider& in, float range) {
  if (in.ConsumeBool()) return std::bit_cast<float>(in.ConsumeIntegral<uint32_t>());
  return in.ConsumeFloatingPointInRange<float>(-range, range);
}

// Zone codes that reach every projection routine and every rule of the
// code ranges: Lambert zones, UTM-style blocks (suffixes 1-60, 61, 99 and
// the illegal 0 and 62-98), Transverse Mercator, Bonne, Cassini-Soldner,
// the oblique zone, State Plane aliases and codes that select nothing.
inline constexpr int32_t kZoneCodes[] = {
    1,    37,   72,   98,   99,   100,  117,  161,  162,  199,  1617, 1661, 1699,
    4999, 5001, 5057, 5099, 5101, 5102, 5201, 5214, 6001, 7001, 7501, 8001, 8501,
    8999, 0,    -101, -5010, -4803, -1, 5000, 9000, INT32_MIN, INT32_MAX};

inline int32_t AnyZone(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) return in.PickValueInArray(kZoneCodes);
  return in.ConsumeIntegral<int32_t>();
}

}  // namespace zonvert::fuzzing

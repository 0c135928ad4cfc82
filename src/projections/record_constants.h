// Constants that a projection routine works out from slots of the active
// record (products and quotients of its ellipsoid, trigonometric values of
// its parallels), kept until one of those slots changes.  The constants are
// the same operations on the same values as when they are worked out on
// every call, so every result keeps its bits; they are only worked out once
// per record instead of once per point.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "interface/zone_params.h"

namespace zonvert {

// The constants of the record whose slots `Slots...` held the bit patterns
// of `key` when `value` was worked out.  Bit patterns, not values, are
// compared: -0.0 and 0.0 (or two not-a-numbers) may give different
// constants.
template <typename Constants, int... Slots>
class RecordConstants {
 public:
  // The constants of `record`; `compute(record)` works them out when the
  // slots differ from those of the record seen last.
  template <typename Compute>
  const Constants& Of(const ZoneParams& record, Compute compute) {
    const std::array<uint64_t, sizeof...(Slots)> key{std::bit_cast<uint64_t>(record.p[Slots])...};
    if (!valid_ || key != key_) {
      value_ = compute(record);
      key_ = key;
      valid_ = true;
    }
    return value_;
  }

 private:
  std::array<uint64_t, sizeof...(Slots)> key_{};
  bool valid_ = false;
  Constants value_{};
};

}  // namespace zonvert

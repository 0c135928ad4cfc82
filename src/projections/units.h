// Unit factors shared by the projection routines.  Each is used exactly as
// written; the degree-to-radian factors differ between families and are
// defined in the unit of each family.
#pragma once

#include <cstdint>

namespace zonvert::units {

// Arc-seconds to degrees: the double nearest 1/3600, multiplied in.
inline constexpr double kArcSecondsToDegrees = 0.0002777777777777778;
// Degrees to arc-seconds.
inline constexpr double kDegreesToArcSeconds = 3600.0;
// Metres to US survey feet: 3.28083333, not 3937/1200.
inline constexpr double kMetresToUsFeet = 3.28083333;
// US survey feet to metres: the reciprocal of 3.28083333, not 1200/3937.
inline constexpr double kUsFeetToMetres = 0.30480060991089725;

// Converts the two values a routine reads (or writes) between the units of
// the interface and its working units: both are multiplied by `factor` when
// the unit flag is 0 (feet and arc-seconds) and left as they are for any
// other flag (metres and degrees).
inline void ApplyUnitFlag(int32_t unitFlag, double factor, double* first, double* second) {
  if (unitFlag == 0) {
    *first = *first * factor;
    *second = *second * factor;
  }
}

}  // namespace zonvert::units

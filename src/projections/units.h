// Unit factors shared by the projection routines.  Each is used exactly as
// written; the degree-to-radian factors differ between families and are
// defined in the unit of each family.
#pragma once

namespace zonvert::units {

// Arc-seconds to degrees: the double nearest 1/3600, multiplied in.
inline constexpr double kArcSecondsToDegrees = 0.0002777777777777778;
// Degrees to arc-seconds.
inline constexpr double kDegreesToArcSeconds = 3600.0;
// Metres to US survey feet: 3.28083333, not 3937/1200.
inline constexpr double kMetresToUsFeet = 3.28083333;
// US survey feet to metres: the reciprocal of 3.28083333, not 1200/3937.
inline constexpr double kUsFeetToMetres = 0.30480060991089725;

}  // namespace zonvert::units

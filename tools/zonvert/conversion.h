// One point through the library: the zones and settings of a run, the
// check that a zone converts at all, and the conversion of one line's pair
// of numbers.
#pragma once

#include <cstdint>
#include <string>

#include "library_host.h"

namespace zonvert_tool {

// Unit flags of LLDRV_NEW.
constexpr int32_t kUnitsFeetOrSeconds = 0;  // grid: US survey feet; geographic: arc-seconds
constexpr int32_t kUnitsMetresOrDegrees = 1;

enum class Operation { kToGrid, kToGeographic, kGridToGrid, kShift };
enum class DatumShift { kNone, k27To83, k83To27 };

// A zone as a run uses it.
struct ZoneUse {
  int32_t code = 0;
  int32_t hemisphere = 1;       // 1 north: false northing 0; 2 south: 10000000 m
  int32_t gridUnits = kUnitsMetresOrDegrees;
  std::string label;
  std::string error;            // empty when the zone converts
};

struct RunSettings {
  Operation operation = Operation::kToGrid;
  DatumShift datum = DatumShift::kNone;
  ZoneUse from;                  // grid side read (to-geo, grid-to-grid)
  ZoneUse to;                    // grid side written (to-grid, grid-to-grid)
  int32_t angleUnits = kUnitsMetresOrDegrees;
  float userCentralMeridian = 0.0f;      // degrees, zone suffix 61
  float mercatorTrueScaleLat = 0.0f;     // degrees, zone suffix 99
  float mercatorCentralMeridian = 0.0f;  // degrees, zone suffix 99
};

// Loads the zone's record with the run's settings and checks that a
// conversion runs for it; on failure sets zone->error.  The library's
// standard-output lines during the load are read from `capture`: a zone
// without parameters and an illegal zone suffix are told by them.
void CheckZone(const RunSettings& settings, StdoutCapture* capture, ZoneUse* zone);

// Converts the pair (a, b): latitude and longitude for geographic input,
// easting and northing for grid input.  Returns nullptr and the pair
// written, in the same order, or the reason the point cannot be converted.
const char* ConvertPoint(const RunSettings& settings, double a, double b, double* outA,
                         double* outB);

}  // namespace zonvert_tool

// Conversion entry and zone dispatch: the settings of a conversion, the
// State Plane 1927 zone alias table, and the choice of projection routine by
// zone code.
#pragma once

#include <cstdint>

namespace zonvert {

// Direction codes of a conversion.
enum Direction : int32_t {
  kLoadOnly = 1,           // make the zone's record active, convert nothing
  kGridToGeographic = 2,   // reads x, y; writes lat, lon
  kGeographicToGrid = 3,   // reads lat, lon; writes x, y
};

// The settings of the current call.  Every call of LLDRV_NEW overwrites all
// fields before it does anything else; projection routines read them.
struct ConversionState {
  int32_t zoneCode;              // after the alias lookup
  int32_t direction;             // Direction, or any other value (converts nothing)
  int32_t inputUnits;            // 0: feet and arc-seconds; nonzero: metres and degrees
  int32_t outputUnits;           // the same choice for the values written
  int32_t hemisphere;            // 1 or 3: false northing 0; else 10000000 m
  float userCentralMeridian;     // degrees, zone suffix 61
  float mercatorTrueScaleLat;    // degrees, Mercator latitude of true scale
  float mercatorCentralMeridian; // degrees, Mercator central meridian
};

// Module-wide; all zero when the library is loaded.
extern ConversionState gConversionState;

// One entry of the alias table: a State Plane 1927 zone number and the
// internal zone code that replaces its negation.
struct ZoneAlias {
  int32_t stateZone;
  int32_t internalCode;
};

inline constexpr int kZoneAliasSlots = 150;  // slots 129-149 hold 0 -> 0
extern const ZoneAlias kZoneAliasTable[kZoneAliasSlots];

// The internal zone code for `zone`: a negative zone that matches a
// State Plane zone number of the table is replaced by its internal code;
// every other value comes back unchanged.
int32_t ApplyZoneAlias(int32_t zone);

// A projection routine: four pointers in the order x, y, lat, lon.  It reads
// gConversionState and the active ZoneParams record and writes through the
// pointers only.
using ProjectionRoutine = void (*)(double* x, double* y, double* lat, double* lon);

// The routine that the zone code's range selects, or nullptr.
ProjectionRoutine SelectProjection(int32_t zoneCode);

// Returns every module-wide record of the conversion interface to its state
// at load (conversion settings, parameter cache, root text).  For tests.
void ResetConversionModule();

}  // namespace zonvert

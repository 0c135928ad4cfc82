// Conversion entry (LLDRV_NEW), the State Plane 1927 zone alias table and the
// dispatch of zone codes to projection routines.
#include "interface/conversion.h"

#include <algorithm>
#include <array>
#include <climits>

#include "interface/zone_params.h"
#include "projections/projections.h"
#include "zonvert.h"

namespace zonvert {

// State Plane 1927 zone number -> internal zone code.  Internal codes 1-72
// are Lambert Conformal Conic zones, 5001-5057 Transverse Mercator zones.
// Slots 129-149 hold 0 -> 0 and never match a negative zone code.  A
// constant expression, so that its search order is built at compile time.
constexpr ZoneAlias kZoneAliasTable[kZoneAliasSlots] = {
    {101, 5001}, {102, 5002},  // slots 0-1
    {5002, 5003}, {5003, 5004}, {5004, 5005}, {5005, 5006}, {5006, 5007}, {5007, 5008}, {5008, 5009}, {5009, 5010}, {5010, 4},  // slots 2-10
    {201, 5011}, {202, 5012}, {203, 5013},  // slots 11-13
    {301, 5}, {302, 6},  // slots 14-15
    {401, 7}, {402, 8}, {403, 9}, {404, 10}, {405, 11}, {406, 12}, {407, 13},  // slots 16-22
    {501, 14}, {502, 15}, {503, 16},  // slots 23-25
    {600, 17},  // slots 26
    {700, 5014},  // slots 27
    {901, 5015}, {902, 5016}, {903, 18},  // slots 28-30
    {1001, 5017}, {1002, 5018},  // slots 31-32
    {5101, 5019}, {5102, 5020}, {5103, 5021}, {5104, 5022}, {5105, 5023},  // slots 33-37
    {1101, 5024}, {1102, 5025}, {1103, 5026},  // slots 38-40
    {1201, 5027}, {1202, 5028},  // slots 41-42
    {1301, 5029}, {1302, 5030},  // slots 43-44
    {1401, 19}, {1402, 20},  // slots 45-46
    {1501, 21}, {1502, 22},  // slots 47-48
    {1601, 23}, {1602, 24},  // slots 49-50
    {1701, 25}, {1702, 3}, {1703, 26},  // slots 51-53
    {1801, 5031}, {1802, 5032},  // slots 54-55
    {1900, 27},  // slots 56
    {2001, 28}, {2002, 29},  // slots 57-58
    {2101, 5033}, {2102, 5034}, {2103, 5035}, {2111, 30}, {2112, 31}, {2113, 32},  // slots 59-64
    {2201, 33}, {2202, 34}, {2203, 35},  // slots 65-67
    {2301, 5036}, {2302, 5037},  // slots 68-69
    {2401, 5038}, {2402, 5039}, {2403, 5040},  // slots 70-72
    {2501, 36}, {2502, 37}, {2503, 38},  // slots 73-75
    {2601, 39}, {2602, 40},  // slots 76-77
    {2701, 5041}, {2702, 5042}, {2703, 5043},  // slots 78-80
    {2800, 5044},  // slots 81
    {2900, 5045},  // slots 82
    {3001, 5046}, {3002, 5047}, {3003, 5048},  // slots 83-85
    {3101, 5049}, {3102, 5050}, {3103, 5051}, {3104, 41},  // slots 86-89
    {3200, 42},  // slots 90
    {3301, 43}, {3302, 44},  // slots 91-92
    {3401, 45}, {3402, 46},  // slots 93-94
    {3501, 47}, {3502, 48},  // slots 95-96
    {3601, 49}, {3602, 50},  // slots 97-98
    {3701, 51}, {3702, 52},  // slots 99-100
    {3800, 5052},  // slots 101
    {3901, 53}, {3902, 54},  // slots 102-103
    {4001, 55}, {4002, 56},  // slots 104-105
    {4100, 57},  // slots 106
    {4201, 58}, {4202, 59}, {4203, 60}, {4204, 1}, {4205, 2},  // slots 107-111
    {4301, 61}, {4302, 62}, {4303, 63},  // slots 112-114
    {4400, 5053},  // slots 115
    {4501, 64}, {4502, 65},  // slots 116-117
    {4601, 66}, {4602, 67},  // slots 118-119
    {4701, 68}, {4702, 69},  // slots 120-121
    {4801, 70}, {4802, 71}, {4803, 72},  // slots 122-124
    {4901, 5054}, {4902, 5055}, {4903, 5056}, {4904, 5057},  // slots 125-128
};

namespace {

// The table's entries for State Plane zone numbers above 0, ordered by
// zone number for a binary search; where a number occurs twice, the entry
// that comes first in the table (the one a scan in table order finds).
constexpr int kAliasEntries = [] {
  int count = 0;
  for (const ZoneAlias& alias : kZoneAliasTable) count += alias.stateZone > 0 ? 1 : 0;
  return count;
}();

constexpr std::array<ZoneAlias, kAliasEntries> kAliasesByZone = [] {
  std::array<ZoneAlias, kAliasEntries> sorted{};
  int count = 0;
  for (const ZoneAlias& alias : kZoneAliasTable) {
    if (alias.stateZone > 0) sorted[count++] = alias;
  }
  // Insertion sort, stable: equal zone numbers keep their table order.
  for (int i = 1; i < count; ++i) {
    for (int j = i; j > 0 && sorted[j - 1].stateZone > sorted[j].stateZone; --j) {
      std::swap(sorted[j - 1], sorted[j]);
    }
  }
  return sorted;
}();

// The negative zone code looked up last and what it gave: a host keeps to
// one zone for many points.
struct AliasLookup {
  int32_t zone = 0;  // 0: nothing looked up yet
  int32_t result = 0;
};
AliasLookup gLastAlias;

}  // namespace

int32_t ApplyZoneAlias(int32_t zone) {
  // -zone overflows for INT32_MIN, which matches no entry.
  if (zone >= 0 || zone == INT32_MIN) return zone;
  if (zone == gLastAlias.zone) return gLastAlias.result;
  const int32_t stateZone = -zone;
  const ZoneAlias* first = std::lower_bound(
      kAliasesByZone.begin(), kAliasesByZone.end(), stateZone,
      [](const ZoneAlias& alias, int32_t value) { return alias.stateZone < value; });
  const int32_t result =
      first != kAliasesByZone.end() && first->stateZone == stateZone ? first->internalCode : zone;
  gLastAlias = AliasLookup{zone, result};
  return result;
}

ProjectionRoutine SelectProjection(int32_t zoneCode) {
  const int32_t z = zoneCode;
  if (z <= 0) return nullptr;
  if (z <= 98) return &LambertConformalConic;
  if (z <= 4999) return z % 100 == 99 ? &Mercator : &TransverseMercator;
  if (z >= 5001 && z <= 5099) return &TransverseMercator;
  if (z >= 5101 && z <= 5199) return &Bonne;
  if (z >= 5201 && z <= 5299) return &CassiniSoldner;
  if (z == 6001) return &ObliqueConformalDouble;
  if (z >= 7001 && z <= 7499) return &TransverseMercator;
  if (z >= 7501 && z <= 7999) return &LambertConformalConic;
  if (z >= 8000 && z <= 8499) return &TransverseMercator;
  if (z >= 8501 && z <= 8999) return &LambertConformalConic;
  return nullptr;
}

}  // namespace zonvert

using namespace zonvert;

extern "C" ZONVERT_API void ZONVERT_CALL LLDRV_NEW(double* lat, double* lon, double* x, double* y,
                                                   int32_t zone, int32_t direction,
                                                   int32_t inputUnits, int32_t outputUnits,
                                                   int32_t hemisphere, float userCentralMeridian,
                                                   float mercatorTrueScaleLat,
                                                   float mercatorCentralMeridian) {
  if (lat == nullptr || lon == nullptr || x == nullptr || y == nullptr) return;

  ConversionState& state = gConversionState;
  state.direction = direction;
  state.inputUnits = inputUnits;
  state.outputUnits = outputUnits;
  state.hemisphere = hemisphere;
  state.userCentralMeridian = userCentralMeridian;
  state.zoneCode = zone;
  state.mercatorTrueScaleLat = mercatorTrueScaleLat;
  state.mercatorCentralMeridian = mercatorCentralMeridian;

  // Work on copies; the routine writes them and they go back at the end.
  double latCopy = *lat;
  double lonCopy = *lon;
  double xCopy = *x;
  double yCopy = *y;

  state.zoneCode = ApplyZoneAlias(zone);

  const bool haveRecord = LoadZoneParams();
  if (direction == kLoadOnly) return;

  // No record for the zone: no routine runs and the values go back as read.
  ProjectionRoutine routine = haveRecord ? SelectProjection(state.zoneCode) : nullptr;
  if (routine != nullptr) routine(&xCopy, &yCopy, &latCopy, &lonCopy);

  *lat = latCopy;
  *lon = lonCopy;
  *x = xCopy;
  *y = yCopy;
}

#include "conversion.h"

#include <cmath>
#include <cstring>

#include "zonvert.h"

namespace zonvert_tool {
namespace {

constexpr double kSecondsPerDegree = 3600.0;

// A NaN with a payload no computation produces: a coordinate that still
// holds it after a conversion call was not written by any routine.
double Sentinel() {
  const uint64_t bits = 0x7ff80000deadbeefULL;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool IsSentinel(double value) {
  const double sentinel = Sentinel();
  return std::memcmp(&value, &sentinel, sizeof value) == 0;
}

const char* NadconReason(int32_t status) {
  switch (status) {
    case ZONVERT_NADCON_OUTSIDE:
      return "point lies in no NADCON area that has grid files";
    case ZONVERT_NADCON_NO_GRID:
      return "NADCON grid files of the area could not be read";
    case ZONVERT_NADCON_NO_CONVERGENCE:
      return "NAD 83 to NAD 27 shift did not converge";
    default:
      return "NADCON shift failed";
  }
}

// Shifts (lat, lon) in degrees in place; nullptr or the reason.
const char* Shift(DatumShift datum, double* lat, double* lon) {
  double outLon = *lon;
  double outLat = *lat;
  int32_t status = ZONVERT_NADCON_OK;
  if (datum == DatumShift::k27To83) {
    Nadcon27To83(*lon, *lat, &outLon, &outLat, &status);
  } else {
    Nadcon83To27(*lon, *lat, &outLon, &outLat, &status);
  }
  if (status != ZONVERT_NADCON_OK) return NadconReason(status);
  *lat = outLat;
  *lon = outLon;
  return nullptr;
}

constexpr char kNotFinite[] = "no finite result for this point";
constexpr char kBadLatitude[] = "latitude outside -90..90 degrees";
constexpr double kMaxLatitudeDegrees = 90.0;

// A latitude read in the run's angle units lies within the poles.
bool LatitudeInRange(double lat, int32_t angleUnits) {
  const double limit = angleUnits == kUnitsFeetOrSeconds
                           ? kMaxLatitudeDegrees * kSecondsPerDegree
                           : kMaxLatitudeDegrees;
  return std::fabs(lat) <= limit;
}

}  // namespace

void CheckZone(const RunSettings& s, StdoutCapture* capture, ZoneUse* zone) {
  capture->Drain();
  double lat = 0.0;
  double lon = 0.0;
  double x = Sentinel();
  double y = Sentinel();
  LLDRV_NEW(&lat, &lon, &x, &y, zone->code, ZONVERT_GEOGRAPHIC_TO_GRID, kUnitsMetresOrDegrees,
            kUnitsMetresOrDegrees, zone->hemisphere, s.userCentralMeridian,
            s.mercatorTrueScaleLat, s.mercatorCentralMeridian);
  const std::string printed = capture->Drain();
  const bool converted = !IsSentinel(x) || !IsSentinel(y);
  const std::string name = zone->label;
  if (printed.find("no parameters") != std::string::npos) {
    zone->error = name + ": no parameters in the parameter file";
  } else if (printed.find("Illegal CM") != std::string::npos) {
    zone->error = name + ": illegal zone suffix (no central meridian)";
  } else if (!converted) {
    zone->error = name + ": selects no projection, or its parameters cannot be read";
  } else if (!printed.empty()) {
    std::string line = printed.substr(0, printed.find('\n'));
    zone->error = name + ": library reported:" + line;
  }
}

const char* ConvertPoint(const RunSettings& s, double a, double b, double* outA, double* outB) {
  const int32_t h2 = s.from.hemisphere;
  const int32_t h3 = s.to.hemisphere;
  const float cm = s.userCentralMeridian;
  const float lts = s.mercatorTrueScaleLat;
  const float mcm = s.mercatorCentralMeridian;
  switch (s.operation) {
    case Operation::kToGrid: {
      if (!s.to.error.empty()) return s.to.error.c_str();
      if (!LatitudeInRange(a, s.angleUnits)) return kBadLatitude;
      double lat = a, lon = b, x = 0.0, y = 0.0;
      LLDRV_NEW(&lat, &lon, &x, &y, s.to.code, ZONVERT_GEOGRAPHIC_TO_GRID, s.angleUnits,
                s.to.gridUnits, h3, cm, lts, mcm);
      if (!std::isfinite(x) || !std::isfinite(y)) return kNotFinite;
      *outA = x;
      *outB = y;
      return nullptr;
    }
    case Operation::kToGeographic: {
      if (!s.from.error.empty()) return s.from.error.c_str();
      double lat = 0.0, lon = 0.0, x = a, y = b;
      LLDRV_NEW(&lat, &lon, &x, &y, s.from.code, ZONVERT_GRID_TO_GEOGRAPHIC, s.from.gridUnits,
                s.angleUnits, h2, cm, lts, mcm);
      if (!std::isfinite(lat) || !std::isfinite(lon)) return kNotFinite;
      *outA = lat;
      *outB = lon;
      return nullptr;
    }
    case Operation::kShift: {
      if (!LatitudeInRange(a, s.angleUnits)) return kBadLatitude;
      double lat = a, lon = b;
      if (s.angleUnits == kUnitsFeetOrSeconds) {
        lat /= kSecondsPerDegree;
        lon /= kSecondsPerDegree;
      }
      if (const char* reason = Shift(s.datum, &lat, &lon)) return reason;
      if (s.angleUnits == kUnitsFeetOrSeconds) {
        lat *= kSecondsPerDegree;
        lon *= kSecondsPerDegree;
      }
      *outA = lat;
      *outB = lon;
      return nullptr;
    }
    case Operation::kGridToGrid: {
      if (!s.from.error.empty()) return s.from.error.c_str();
      if (!s.to.error.empty()) return s.to.error.c_str();
      double lat = 0.0, lon = 0.0, x = a, y = b;
      LLDRV_NEW(&lat, &lon, &x, &y, s.from.code, ZONVERT_GRID_TO_GEOGRAPHIC, s.from.gridUnits,
                kUnitsMetresOrDegrees, h2, cm, lts, mcm);
      if (!std::isfinite(lat) || !std::isfinite(lon)) return kNotFinite;
      if (s.datum != DatumShift::kNone) {
        if (const char* reason = Shift(s.datum, &lat, &lon)) return reason;
      }
      LLDRV_NEW(&lat, &lon, &x, &y, s.to.code, ZONVERT_GEOGRAPHIC_TO_GRID, kUnitsMetresOrDegrees,
                s.to.gridUnits, h3, cm, lts, mcm);
      if (!std::isfinite(x) || !std::isfinite(y)) return kNotFinite;
      *outA = x;
      *outB = y;
      return nullptr;
    }
  }
  return "unknown operation";
}

}  // namespace zonvert_tool

// Arbitrary sequences of calls of the exports with arbitrary arguments on
// the shipped parameter file and the real NADCON grids: LLDRV_NEW with any
// zone code, direction, unit flags, hemisphere, single-precision settings
// and coordinates (NaN, infinities, huge values), lldrv and lldrv_dbl, both
// datum shifts anywhere and inside each area, NadconClean, and SetPath
// switching between the data root, a root without data, the module's root
// and roots of 99, 100 and 4200 characters.
//
// Checks, besides crashes, undefined behaviour, leaks and hangs:
//  - LLDRV_NEW writes back unchanged the values its direction only reads,
//    and all four when the zone has no record or selects no routine;
//  - the same call again (now a cache hit) gives the same bits;
//  - lldrv_dbl returns the x or the y that lldrv stores;
//  - the datum shifts write only the documented status codes, leave their
//    outputs as documented on failure, and an inverse result with status 0
//    maps forward onto its input within the convergence tolerance.
//
// Grids are taken from $ZONVERT_NADCON_GRIDS, or ../shared/nadcon beside
// the source tree, and linked into the scratch root; without them the
// datum shifts still run (status 1).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include "fuzz_support.h"
#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "nadcon/nadcon.h"
#include "zonvert.h"

using namespace zonvert;

namespace {

const char* const kAreaNames[] = {"conus", "hawaii", "prvi", "stlrnc", "stgeorge", "stpaul",
                                  "alaska"};

// Published bounds of the seven areas: west, south, east, north (degrees).
constexpr double kAreaBounds[kNadconAreaCount][4] = {
    {-131.0, 20.0, -63.0, 50.0},     {-161.0, 18.0, -154.0, 23.0}, {-68.0, 17.0, -64.0, 19.0},
    {-172.0, 62.0, -168.0, 64.0},    {-171.0, 56.0, -169.0, 57.0}, {-171.0, 57.0, -169.0, 58.0},
    {-194.0, 46.0, -128.0, 77.0}};

constexpr double kSpecialValues[] = {0.0,   -0.0,  HUGE_VAL, -HUGE_VAL, std::numeric_limits<double>::quiet_NaN(),
                                    1e308, -1e308, 4.9e-324, 90.0,  -90.0, 180.0, -180.0, 324000.0, 1e7};

struct Roots {
  std::string data;     // template/ with con_dos.asc and the grids
  std::string empty;    // exists, holds no template folder
  std::string length99;   // 99 characters, no data
  std::string length100;  // 100 characters, no data
  std::string huge;     // 4200 characters, beyond what a path may hold
};

// Absolute, so that the links made from the scratch root resolve.
std::string GridDirectory() {
  const char* env = std::getenv("ZONVERT_NADCON_GRIDS");
  const std::string folder = env != nullptr && *env != '\0'
                                 ? std::string(env)
                                 : std::string(ZONVERT_SOURCE_DIR) + "/../shared/nadcon";
  return std::filesystem::absolute(folder).string();
}

std::string PaddedTo(const std::string& base, size_t length) {
  std::string root = base + "/";
  if (root.size() < length) root.append(length - root.size(), 'r');
  return root;
}

const Roots& TheRoots() {
  static const Roots* const roots = [] {
    namespace fs = std::filesystem;
    auto* r = new Roots;
    r->data = fuzzing::ScratchRoot();
    std::error_code ignored;
    fs::copy_file(std::string(ZONVERT_SOURCE_DIR) + "/template/con_dos.asc",
                  r->data + "/template/con_dos.asc", fs::copy_options::overwrite_existing);
    const std::string grids = GridDirectory();
    for (const char* name : kAreaNames) {
      for (const char* ext : {".las", ".los"}) {
        const std::string from = grids + "/" + name + ext;
        if (fs::exists(from)) fs::create_symlink(from, r->data + "/template/" + name + ext, ignored);
      }
    }
    r->empty = r->data + "/empty";
    fs::create_directories(r->empty);
    r->length99 = PaddedTo(r->data, 99);
    r->length100 = PaddedTo(r->data, 100);
    r->huge = PaddedTo(r->data, 4200);
    return r;
  }();
  return *roots;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

double AnyCoordinate(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return std::bit_cast<double>(in.ConsumeIntegral<uint64_t>());
    case 1:
      return in.PickValueInArray(kSpecialValues);
    default:
      return in.ConsumeFloatingPointInRange<double>(-1e6, 1e6);
  }
}

void CallConversion(FuzzedDataProvider& in) {
  const int32_t zone = fuzzing::AnyZone(in);
  const int32_t direction = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(1, 3)
                                             : in.ConsumeIntegral<int32_t>();
  const int32_t inputUnits = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 1)
                                              : in.ConsumeIntegral<int32_t>();
  const int32_t outputUnits = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 1)
                                               : in.ConsumeIntegral<int32_t>();
  const int32_t hemisphere = in.ConsumeIntegral<int32_t>();
  const float userMeridian = fuzzing::AnyFloat(in, 400.0f);
  const float trueScaleLat = fuzzing::AnyFloat(in, 100.0f);
  const float mercatorMeridian = fuzzing::AnyFloat(in, 400.0f);
  const double lat = AnyCoordinate(in), lon = AnyCoordinate(in);
  const double x = AnyCoordinate(in), y = AnyCoordinate(in);

  double first[4] = {};
  for (int call = 0; call < 2; ++call) {
    double la = lat, lo = lon, xx = x, yy = y;
    LLDRV_NEW(&la, &lo, &xx, &yy, zone, direction, inputUnits, outputUnits, hemisphere,
              userMeridian, trueScaleLat, mercatorMeridian);
    // After the call the active slot holds the zone exactly when its record
    // was found (or cached).
    const int32_t code = ApplyZoneAlias(zone);
    const bool converts = gParamCache.activeCode == code && SelectProjection(code) != nullptr;
    const bool keepsGeographic = !converts || direction != ZONVERT_GRID_TO_GEOGRAPHIC;
    const bool keepsGrid = !converts || direction != ZONVERT_GEOGRAPHIC_TO_GRID;
    if (keepsGeographic) Check(fuzzing::SameBits(la, lat) && fuzzing::SameBits(lo, lon));
    if (keepsGrid) Check(fuzzing::SameBits(xx, x) && fuzzing::SameBits(yy, y));
    const double now[4] = {la, lo, xx, yy};
    if (call == 0) {
      for (int i = 0; i < 4; ++i) first[i] = now[i];
    } else if (converts) {
      for (int i = 0; i < 4; ++i) Check(fuzzing::SameBits(first[i], now[i]));
    }
  }
}

void CallConvenience(FuzzedDataProvider& in) {
  const int32_t zone = fuzzing::AnyZone(in);
  const double lat = AnyCoordinate(in), lon = AnyCoordinate(in);
  double x = -1.0, y = -1.0;
  lldrv(lat, lon, in.ConsumeBool() ? &x : nullptr, &y, zone);
  const int32_t which = in.ConsumeIntegral<int32_t>();
  const double value = lldrv_dbl(lat, lon, zone, which);
  double again = 0.0;
  lldrv(lat, lon, &again, nullptr, zone);  // x, stored now in every case
  Check(fuzzing::SameBits(value, which == 1 ? again : y));
}

// A point anywhere, or inside (or just around) one area's bounds.
void AnyPoint(FuzzedDataProvider& in, double* lon, double* lat) {
  if (in.ConsumeBool()) {
    *lon = AnyCoordinate(in);
    *lat = AnyCoordinate(in);
    return;
  }
  const double* b = kAreaBounds[in.ConsumeIntegralInRange<int>(0, kNadconAreaCount - 1)];
  *lon = b[0] - 0.01 + (b[2] - b[0] + 0.02) * in.ConsumeProbability<double>();
  *lat = b[1] - 0.01 + (b[3] - b[1] + 0.02) * in.ConsumeProbability<double>();
}

void CallDatumShift(FuzzedDataProvider& in) {
  double lon = 0.0, lat = 0.0;
  AnyPoint(in, &lon, &lat);
  if (in.ConsumeBool()) {
    const double untouched = -12345.0;
    double outLon = untouched, outLat = untouched;
    int32_t status = -1;
    Nadcon27To83(lon, lat, &outLon, &outLat, &status);
    Check(status >= kNadconShifted && status <= kNadconNoGrid);
    if (status != kNadconShifted) {
      Check(fuzzing::SameBits(outLon, untouched) && fuzzing::SameBits(outLat, untouched));
    } else if (std::isfinite(lon) && std::isfinite(lat)) {
      // Inside an area the shifts of the real grids stay well below a degree.
      Check(std::fabs(outLon - lon) < 1.0 && std::fabs(outLat - lat) < 1.0);
    }
    return;
  }
  double outLon = 0.0, outLat = 0.0;
  int32_t status = -1;
  Nadcon83To27(lon, lat, &outLon, &outLat, &status);
  Check(status >= kNadconShifted && status <= kNadconNoConvergence);
  if (status != kNadconShifted) {
    Check(fuzzing::SameBits(outLon, lon) && fuzzing::SameBits(outLat, lat));
    return;
  }
  // Converged: the result's forward image lies within the tolerance of the
  // input (the grids are unchanged and the same pair can be opened again).
  double backLon = 0.0, backLat = 0.0;
  int32_t backStatus = -1;
  Nadcon27To83(outLon, outLat, &backLon, &backLat, &backStatus);
  Check(backStatus == kNadconShifted);
  Check(std::fabs(backLon - lon) <= kNadconTolerance && std::fabs(backLat - lat) <= kNadconTolerance);
}

void CallSetPath(FuzzedDataProvider& in) {
  const Roots& r = TheRoots();
  switch (in.ConsumeIntegralInRange<int>(0, 6)) {
    case 0: SetPath(r.empty.c_str()); break;
    case 1: SetPath(r.length99.c_str()); break;
    case 2: SetPath(r.length100.c_str()); break;
    case 3: SetPath(r.huge.c_str()); break;
    case 4: SetPath(nullptr); break;
    case 5: SetPath(""); break;
    default: SetPath(r.data.c_str()); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::SetMessageSink(&fuzzing::DropMessage);
  const Roots& roots = TheRoots();
  // Every input starts from the state at load, with the data root set.
  ResetConversionModule();
  NadconClean();
  SetPath(roots.data.c_str());

  FuzzedDataProvider in(data, size);
  for (int op = 0; op < 32 && in.remaining_bytes() > 0; ++op) {
    switch (in.ConsumeIntegralInRange<int>(0, 9)) {
      case 0: case 1: case 2: CallConversion(in); break;
      case 3: CallConvenience(in); break;
      case 4: case 5: case 6: CallDatumShift(in); break;
      case 7: NadconClean(); break;
      default: CallSetPath(in); break;
    }
  }
  NadconClean();
  return 0;
}

// Arbitrary bytes as the grid pair of one area (conus.las and conus.los:
// the same bytes, or the input cut in two), then a header reload and both
// shifts on points taken from the input: anywhere, inside the registered
// bounds, a few units in the last place from each edge, and on grid nodes.
// Status codes and untouched outputs must be as documented, and the mapped
// and the seek-and-read interpolation must agree bit for bit.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "nadcon/nadcon.h"
#include "zonvert.h"

using namespace zonvert;

namespace {

constexpr int kConus = 0;

// A value a few steps in from `edge` towards `inside`.
double NearEdge(double edge, double inside, int steps) {
  double value = edge;
  for (int i = 0; i < steps; ++i) value = std::nextafter(value, inside);
  return value;
}

double Coordinate(FuzzedDataProvider& in, double lo, double hi, double spacing) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return fuzzing::AnyDouble(in, 400.0);
    case 1:
      return lo + (hi - lo) * in.ConsumeProbability<double>();
    case 2: {
      const bool high = in.ConsumeBool();
      const int steps = in.ConsumeIntegralInRange<int>(-2, 4);
      const double edge = high ? hi : lo;
      const double inside = (steps >= 0) == high ? -INFINITY : INFINITY;
      return NearEdge(edge, inside, std::abs(steps));
    }
    default:
      return lo + spacing * in.ConsumeIntegralInRange<int>(0, 1 << 16);
  }
}

void CheckInterpolationPathsAgree(double lon, double lat) {
  NadconCell cell{};
  if (!NadconLocate(lon, lat, &cell) || cell.area != kConus || !NadconOpenArea(kConus)) return;
  const std::string path = NadconGridPath(kConus, ".las");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return;
  double mapped = 0.0, read = 0.0;
  const bool okMapped = NadconInterpolate(gNadconState.lasFile, cell.columnCount, cell.row,
                                          cell.col, cell.rowF, cell.colF, &mapped);
  const bool okRead = NadconInterpolateBySeek(file, cell.columnCount, cell.row, cell.col,
                                              cell.rowF, cell.colF, &read);
  std::fclose(file);
  if (okMapped != okRead || (okMapped && std::memcmp(&mapped, &read, sizeof read) != 0)) {
    std::abort();
  }
}

// Status 0, 1 or 2; on 1 and 2 the outputs stay untouched.
void CheckForward(double lon, double lat) {
  const double untouched = -12345.0;
  double outLon = untouched, outLat = untouched;
  int32_t status = -1;
  Nadcon27To83(lon, lat, &outLon, &outLat, &status);
  if (status < kNadconShifted || status > kNadconNoGrid) std::abort();
  if (status != kNadconShifted &&
      (!fuzzing::SameBits(outLon, untouched) || !fuzzing::SameBits(outLat, untouched))) {
    std::abort();
  }
}

// Status 0 to 3; on every status but 0 the outputs are the input.
void CheckInverse(double lon, double lat) {
  double outLon = 0.0, outLat = 0.0;
  int32_t status = -1;
  Nadcon83To27(lon, lat, &outLon, &outLat, &status);
  if (status < kNadconShifted || status > kNadconNoConvergence) std::abort();
  if (status != kNadconShifted &&
      (!fuzzing::SameBits(outLon, lon) || !fuzzing::SameBits(outLat, lat))) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::SetMessageSink(&fuzzing::DropMessage);
  SetPath(fuzzing::ScratchRoot().c_str());
  FuzzedDataProvider in(data, size);

  // Input layout: 96 point bytes, then the grid bytes, then the control
  // bytes (taken from the end): a cut offset and the same-pair flag.
  const bool samePair = in.ConsumeBool();
  const size_t cut = in.ConsumeIntegral<uint32_t>();
  uint8_t pointBytes[96];
  const size_t pointCount = in.ConsumeData(pointBytes, sizeof pointBytes);
  std::string las = in.ConsumeRemainingBytesAsString();
  std::string los = las;
  if (!samePair) {
    const size_t at = las.empty() ? 0 : cut % (las.size() + 1);
    los = las.substr(at);
    las.resize(at);
  }

  NadconClean();  // releases the previous mappings before the files change
  fuzzing::WriteTemplateFile("conus.las", las);
  fuzzing::WriteTemplateFile("conus.los", los);

  CheckForward(0.0, 0.0);  // loads the headers

  const NadconArea area = gNadconAreaTable[kConus];
  FuzzedDataProvider points(pointBytes, pointCount);
  for (int i = 0; i < 4; ++i) {
    const double lon = Coordinate(points, area.xMin, area.xMax, area.xSpacing);
    const double lat = Coordinate(points, area.yMin, area.yMax, area.ySpacing);
    CheckForward(lon, lat);
    CheckInverse(lon, lat);
    CheckInterpolationPathsAgree(lon, lat);
  }
  NadconClean();
  return 0;
}

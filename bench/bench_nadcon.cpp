// Speed of the datum shift on the published CONUS grid: the forward shift
// through the export (values read from the mapped grid pair), the same
// forward step with a seek and a read per grid row, and the inverse; beside
// them PROJ's hgridshift on the same grid in its two formats (GeoTIFF,
// whose decoded tiles PROJ caches, and CTable2, read value by value).
// "nadcon" takes the points in random order, "nadcon-swept" the same points
// sorted into a sweep, where PROJ's tile cache serves most of them.
//
// One iteration shifts one point of a fixed pseudo-random set;
// tools/bench-table.sh runs this program with repetitions and reports
// medians.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "nadcon/nadcon.h"
#include "zonvert.h"

#if defined(ZONVERT_HAVE_PROJ)
#include <proj.h>
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kPointCount = 4096;  // a power of two: the index wraps by mask

struct Point {
  double lon;  // degrees, positive east
  double lat;  // degrees
};

// A root folder whose template/ links to the published grids.
class GridRoot : public zonvert::bench::TempRoot {
 public:
  GridRoot() {
    for (const char* name : {"conus", "hawaii", "prvi", "stlrnc", "stgeorge", "stpaul", "alaska"}) {
      for (const char* extension : {".las", ".los"}) {
        const std::string file = std::string(name) + extension;
        LinkIntoTemplate(std::filesystem::path(ZONVERT_NADCON_GRIDS) / file, file);
      }
    }
  }
};

// Points spread over the inside of CONUS (a fixed linear congruential
// sequence, so every run shifts the same points).
const std::vector<Point>& ConusPoints() {
  static const std::vector<Point> points = [] {
    std::vector<Point> result;
    zonvert::bench::Uniform uniform;
    for (int i = 0; i < kPointCount; ++i) {
      const double lon = -130.9 + 67.8 * uniform();
      const double lat = 20.1 + 29.8 * uniform();
      result.push_back({lon, lat});
    }
    return result;
  }();
  return points;
}

// The same points in the order of a sweep: bands of one degree of latitude
// from south to north, each from west to east, so that successive points
// lie close together (the case a grid cache serves best).
const std::vector<Point>& SweptConusPoints() {
  static const std::vector<Point> points = [] {
    std::vector<Point> result = ConusPoints();
    std::sort(result.begin(), result.end(), [](const Point& a, const Point& b) {
      const double bandA = std::floor(a.lat), bandB = std::floor(b.lat);
      return bandA != bandB ? bandA < bandB : a.lon < b.lon;
    });
    return result;
  }();
  return points;
}

// Loads every header and opens the CONUS pair before the timing starts.
void PrepareLibrary() {
  static GridRoot root;
  SetPath(root.path().c_str());
  double lon = 0.0, lat = 0.0;
  int32_t status = -1;
  Nadcon27To83(-117.0, 34.0, &lon, &lat, &status);
  if (status != 0) {
    std::fprintf(stderr, "grids not available under %s\n", ZONVERT_NADCON_GRIDS);
    std::exit(1);
  }
}

// Shifts the CONUS points one after the other through one of the two
// exports, with the grid pair mapped.
using ShiftExport = void (*)(double, double, double*, double*, int32_t*);
void RunShift(benchmark::State& state, ShiftExport shift, bool swept = false) {
  PrepareLibrary();
  const std::vector<Point>& points = swept ? SweptConusPoints() : ConusPoints();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ & (kPointCount - 1)];
    double lon = 0.0, lat = 0.0;
    int32_t status = 0;
    shift(p.lon, p.lat, &lon, &lat, &status);
    benchmark::DoNotOptimize(lon);
    benchmark::DoNotOptimize(lat);
    benchmark::DoNotOptimize(status);
  }
}

void BM_Forward_MappedGrid(benchmark::State& state) { RunShift(state, &Nadcon27To83); }

// The same forward step, with the values read by a seek and a read per
// grid row from the two files opened with stdio.
void BM_Forward_SeekAndRead(benchmark::State& state) {
  PrepareLibrary();
  const std::string base = std::string(ZONVERT_NADCON_GRIDS) + "/conus";
  std::FILE* las = std::fopen((base + ".las").c_str(), "rb");
  std::FILE* los = std::fopen((base + ".los").c_str(), "rb");
  if (las == nullptr || los == nullptr) {
    state.SkipWithError("cannot open the CONUS grids");
    return;
  }
  const std::vector<Point>& points = ConusPoints();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ & (kPointCount - 1)];
    double lon = 0.0, lat = 0.0;
    zonvert::NadconCell cell{};
    double latShift = 0.0, lonShift = 0.0;
    if (zonvert::NadconLocate(p.lon, p.lat, &cell) &&
        zonvert::NadconInterpolateBySeek(las, cell.columnCount, cell.row, cell.col, cell.rowF,
                                         cell.colF, &latShift) &&
        zonvert::NadconInterpolateBySeek(los, cell.columnCount, cell.row, cell.col, cell.rowF,
                                         cell.colF, &lonShift)) {
      zonvert::NadconApplyShifts(p.lon, p.lat, latShift, lonShift, &lon, &lat);
    }
    benchmark::DoNotOptimize(lon);
    benchmark::DoNotOptimize(lat);
  }
  std::fclose(las);
  std::fclose(los);
}

void BM_Inverse_MappedGrid(benchmark::State& state) { RunShift(state, &Nadcon83To27); }
void BM_Forward_MappedGridSwept(benchmark::State& state) { RunShift(state, &Nadcon27To83, true); }
void BM_Inverse_MappedGridSwept(benchmark::State& state) { RunShift(state, &Nadcon83To27, true); }

#if defined(ZONVERT_HAVE_PROJ)
// PROJ's hgridshift on the CONUS grid file `grid` (in the peer-grid
// folder), forward or inverse; coordinates in radians.
void RunProjShift(benchmark::State& state, const char* grid, PJ_DIRECTION direction, bool swept = false) {
  PJ_CONTEXT* context = proj_context_create();
  const char* paths[] = {ZONVERT_PEER_GRIDS};
  proj_context_set_search_paths(context, 1, paths);
  const std::string definition = std::string("+proj=hgridshift +grids=") + grid;
  PJ* shift = proj_create(context, definition.c_str());
  if (shift == nullptr) {
    state.SkipWithError("PROJ cannot open the grid");
    proj_context_destroy(context);
    return;
  }
  constexpr double kRad = 3.14159265358979323846 / 180.0;
  const std::vector<Point>& points = swept ? SweptConusPoints() : ConusPoints();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ & (kPointCount - 1)];
    const PJ_COORD c = proj_trans(shift, direction, proj_coord(p.lon * kRad, p.lat * kRad, 0.0, 0.0));
    benchmark::DoNotOptimize(c.v[0]);
    benchmark::DoNotOptimize(c.v[1]);
  }
  proj_destroy(shift);
  proj_context_destroy(context);
}

void BM_Forward_ProjGeoTiff(benchmark::State& state) { RunProjShift(state, "conus.tif", PJ_FWD); }
void BM_Inverse_ProjGeoTiff(benchmark::State& state) { RunProjShift(state, "conus.tif", PJ_INV); }
void BM_Forward_ProjGeoTiffSwept(benchmark::State& state) { RunProjShift(state, "conus.tif", PJ_FWD, true); }
void BM_Inverse_ProjGeoTiffSwept(benchmark::State& state) { RunProjShift(state, "conus.tif", PJ_INV, true); }
void BM_Forward_ProjCtable2(benchmark::State& state) { RunProjShift(state, "conus", PJ_FWD); }
void BM_Inverse_ProjCtable2(benchmark::State& state) { RunProjShift(state, "conus", PJ_INV); }
#endif

BENCHMARK(BM_Forward_MappedGrid)->Name("nadcon/forward/zonvert");
BENCHMARK(BM_Forward_SeekAndRead)->Name("nadcon/forward/seek-and-read");
BENCHMARK(BM_Inverse_MappedGrid)->Name("nadcon/inverse/zonvert");
BENCHMARK(BM_Forward_MappedGridSwept)->Name("nadcon-swept/forward/zonvert");
BENCHMARK(BM_Inverse_MappedGridSwept)->Name("nadcon-swept/inverse/zonvert");
#if defined(ZONVERT_HAVE_PROJ)
BENCHMARK(BM_Forward_ProjGeoTiff)->Name("nadcon/forward/proj");
BENCHMARK(BM_Inverse_ProjGeoTiff)->Name("nadcon/inverse/proj");
BENCHMARK(BM_Forward_ProjGeoTiffSwept)->Name("nadcon-swept/forward/proj");
BENCHMARK(BM_Inverse_ProjGeoTiffSwept)->Name("nadcon-swept/inverse/proj");
BENCHMARK(BM_Forward_ProjCtable2)->Name("nadcon/forward/proj-ctable2");
BENCHMARK(BM_Inverse_ProjCtable2)->Name("nadcon/inverse/proj-ctable2");
#endif

}  // namespace

BENCHMARK_MAIN();

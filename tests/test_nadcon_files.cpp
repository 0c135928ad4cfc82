// The datum shift on small grids written by the tests: header load and its
// messages (missing, disagreeing and damaged files), negative spacings,
// NadconClean and reload, every status code, NULL pointers, and the clamp
// of points that pass the bounds test only through single-precision
// rounding.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "nadcon/nadcon.h"
#include "test_support.h"
#include "zonvert.h"

namespace zonvert {
namespace {

namespace fs = std::filesystem;
using testing::MessageRecorder;
using testing::TempDir;

constexpr double kSecondsToDegrees = 0.0002777777777777778;  // 1/3600, multiplied in
constexpr const char* kNames[kNadconAreaCount] = {"conus",    "hawaii", "prvi",  "stlrnc",
                                                  "stgeorge", "stpaul", "alaska"};
constexpr const char kMissingText[] = " not found.  Conversions may not be computed.";
constexpr const char kDamagedText[] = " is damaged.  Conversions may not be computed.";

// One grid file: header fields and the value of every node.
struct TestGrid {
  std::string ident = "synthetic test grid";
  std::string program = "NADGRD  ";
  int32_t columnCount = 30;  // at least 23: record 0 must hold the 96-byte header
  int32_t rowCount = 30;
  int32_t zCount = 1;
  float xMin = 0.0f;
  float xSpacing = 1.0f;
  float yMin = 0.0f;
  float ySpacing = 1.0f;
  float angle = 0.0f;
  std::function<float(int row, int col)> value = [](int, int) { return 0.0f; };
};

void Put(std::string* bytes, std::size_t offset, const void* data, std::size_t size) {
  std::memcpy(bytes->data() + offset, data, size);  // little-endian host
}

// The file in the published layout: record 0 with the header, then one
// record per row with 4 unused bytes before the values.
// Counts below 1 give a file of the header alone.
std::string GridBytes(const TestGrid& g) {
  const std::size_t columns = static_cast<std::size_t>(std::max(0, g.columnCount));
  const std::size_t rows = static_cast<std::size_t>(std::max(0, g.rowCount));
  const std::size_t record = 4 * (columns + 1);
  std::string bytes(std::max<std::size_t>(96, record * (rows + 1)), '\0');
  Put(&bytes, 0, g.ident.data(), std::min<std::size_t>(56, g.ident.size()));
  Put(&bytes, 56, g.program.data(), std::min<std::size_t>(8, g.program.size()));
  const int32_t counts[] = {g.columnCount, g.rowCount, g.zCount};
  Put(&bytes, 64, counts, sizeof counts);
  const float numbers[] = {g.xMin, g.xSpacing, g.yMin, g.ySpacing, g.angle};
  Put(&bytes, 76, numbers, sizeof numbers);
  for (std::size_t r = 1; r <= rows; ++r) {
    for (std::size_t c = 1; c <= columns; ++c) {
      const float v = g.value(static_cast<int>(r), static_cast<int>(c));
      Put(&bytes, r * record + 4 * c, &v, sizeof v);
    }
  }
  return bytes;
}

// Area k covers (10k, 10k + 2.9) in longitude and (0, 2.9) in latitude:
// seven disjoint 30 x 30 grids at 0.1 degrees, all values zero, 3844 bytes
// a file.
constexpr int kCount = 30;
constexpr float kSpacing = 0.1f;
TestGrid AreaGrid(int area) {
  TestGrid g;
  g.xMin = 10.0f * area;
  g.xSpacing = kSpacing;
  g.ySpacing = kSpacing;
  return g;
}
constexpr std::size_t kRecordBytes = 4 * (kCount + 1);
constexpr std::size_t kFileBytes = kRecordBytes * (kCount + 1);

class NadconFilesTest : public ::testing::Test {
 public:
  void SetUp() override {
    testing::ResetLibraryState();
    SetPath(dir_.path().c_str());
  }
  void TearDown() override { testing::ResetLibraryState(); }

  std::string PathOf(int area, const char* extension) const {
    return dir_.path() + "/template/" + kNames[area] + extension;
  }
  void Write(int area, const char* extension, const std::string& bytes) {
    dir_.Write(std::string("template/") + kNames[area] + extension, bytes);
  }
  void WritePair(int area, const TestGrid& las, const TestGrid& los) {
    Write(area, ".las", GridBytes(las));
    Write(area, ".los", GridBytes(los));
  }
  void WriteAllAreas() {
    for (int k = 0; k < kNadconAreaCount; ++k) WritePair(k, AreaGrid(k), AreaGrid(k));
  }
  // Runs the forward shift once at (lon, lat); returns its status.
  int32_t Shift(double lon, double lat, double* outLon = nullptr, double* outLat = nullptr) {
    double lonSink = 0.0, latSink = 0.0;
    int32_t status = -7;
    Nadcon27To83(lon, lat, outLon ? outLon : &lonSink, outLat ? outLat : &latSink, &status);
    return status;
  }
  static bool Registered(int area) { return gNadconAreaTable[area].columnCount != 0; }

  TempDir dir_;
};

TEST_F(NadconFilesTest, AllFilesPresentRegistersEveryAreaWithoutMessage) {
  WriteAllAreas();
  MessageRecorder recorder;
  EXPECT_EQ(Shift(11.0, 1.0), 0);
  EXPECT_TRUE(recorder.messages().empty());
  for (int k = 0; k < kNadconAreaCount; ++k) {
    const NadconArea& e = gNadconAreaTable[k];
    EXPECT_STREQ(e.name, kNames[k]);
    // Bounds: (count - 1) * spacing + minimum, in single precision.
    EXPECT_EQ(e.xMin, 10.0f * k);
    EXPECT_EQ(e.xMax, 29.0f * kSpacing + 10.0f * k);
    EXPECT_EQ(e.yMin, 0.0f);
    EXPECT_EQ(e.yMax, 29.0f * kSpacing);
    EXPECT_EQ(e.xSpacing, kSpacing);
    EXPECT_EQ(e.ySpacing, kSpacing);
    EXPECT_EQ(e.columnCount, kCount);
  }
}

// A missing file of one area: one message naming it, that area alone
// unregistered; a missing .las hides whether the .los is present.
TEST_F(NadconFilesTest, MissingFileOfEachArea) {
  for (int area = 0; area < kNadconAreaCount; ++area) {
    for (const char* extension : {".las", ".los"}) {
      SCOPED_TRACE(std::string(kNames[area]) + extension);
      testing::ResetLibraryState();
      SetPath(dir_.path().c_str());
      WriteAllAreas();
      fs::remove(PathOf(area, extension));
      MessageRecorder recorder;
      EXPECT_EQ(Shift(10.0 * area + 1.0, 1.0), 1);  // status 1, never a load code
      ASSERT_EQ(recorder.messages().size(), 1u);
      EXPECT_EQ(recorder.messages()[0].caption, "File not Found");
      EXPECT_EQ(recorder.messages()[0].text, PathOf(area, extension) + kMissingText);
      EXPECT_EQ(recorder.messages()[0].icon, platform::MessageIcon::kExclamation);
      for (int k = 0; k < kNadconAreaCount; ++k) EXPECT_EQ(Registered(k), k != area) << kNames[k];
    }
  }
}

TEST_F(NadconFilesTest, EveryFileMissingShowsSevenLasMessages) {
  MessageRecorder recorder;
  double outLon = 3.0, outLat = 4.0;
  EXPECT_EQ(Shift(1.0, 1.0, &outLon, &outLat), 1);
  EXPECT_EQ(outLon, 3.0);
  EXPECT_EQ(outLat, 4.0);
  ASSERT_EQ(recorder.messages().size(), 7u);
  for (int k = 0; k < kNadconAreaCount; ++k) {
    EXPECT_EQ(recorder.messages()[k].text, PathOf(k, ".las") + kMissingText);
    EXPECT_FALSE(Registered(k));
  }
}

// Roots of 99 and 100 characters (one below and at the size of the fixed
// path buffer of the first design) and longer ones load every area; a root
// too long for any path the system opens gives seven missing-file messages
// with the whole paths, and status 1.
TEST_F(NadconFilesTest, RootsAtAndBeyondTheOldBufferSize) {
  for (const std::size_t length : {99u, 100u, 101u, 1000u, 4096u, 5000u}) {
    SCOPED_TRACE(length);
    testing::ResetLibraryState();
    TempDir base;
    const std::string root = testing::PathOfLength(base, length);
    ASSERT_EQ(root.size(), length);
    const bool openable = root.size() + std::strlen("/template/stgeorge.las") < 4096;
    if (openable) {
      const std::string relative = root.substr(base.path().size() + 1) + "/template/";
      for (int k = 0; k < kNadconAreaCount; ++k) {
        base.Write(relative + kNames[k] + ".las", GridBytes(AreaGrid(k)));
        base.Write(relative + kNames[k] + ".los", GridBytes(AreaGrid(k)));
      }
    }
    SetPath(root.c_str());
    MessageRecorder recorder;
    double outLon = 3.0, outLat = 4.0;
    EXPECT_EQ(Shift(61.0, 1.0, &outLon, &outLat), openable ? 0 : 1);
    if (openable) {
      EXPECT_TRUE(recorder.messages().empty());
      for (int k = 0; k < kNadconAreaCount; ++k) EXPECT_TRUE(Registered(k)) << kNames[k];
      EXPECT_EQ(outLon, 61.0);
    } else {
      EXPECT_EQ(outLon, 3.0);
      ASSERT_EQ(recorder.messages().size(), 7u);
      for (int k = 0; k < kNadconAreaCount; ++k) {
        EXPECT_EQ(recorder.messages()[k].text,
                  root + "/template/" + kNames[k] + ".las" + kMissingText);
      }
    }
  }
}

// The .los header differs from the .las header in one field: ident and
// program are not compared; any other difference leaves the area
// unregistered, without a message.  0 and -0 agree.
TEST_F(NadconFilesTest, HeadersThatDifferInOneField) {
  struct Case {
    const char* field;
    std::function<void(TestGrid*)> change;
    bool registered;
  };
  const Case kCases[] = {
      {"ident", [](TestGrid* g) { g->ident = "another ident"; }, true},
      {"program", [](TestGrid* g) { g->program = "OTHERPRG"; }, true},
      {"angle -0", [](TestGrid* g) { g->angle = -0.0f; }, true},
      {"angle", [](TestGrid* g) { g->angle = 1.0f; }, false},
      {"columnCount", [](TestGrid* g) { g->columnCount = kCount + 1; }, false},
      {"rowCount", [](TestGrid* g) { g->rowCount = kCount + 1; }, false},
      {"zCount", [](TestGrid* g) { g->zCount = 2; }, false},
      {"xMin", [](TestGrid* g) { g->xMin = 0.5f; }, false},
      {"xSpacing", [](TestGrid* g) { g->xSpacing = 0.5f; }, false},
      {"yMin", [](TestGrid* g) { g->yMin = 0.5f; }, false},
      {"ySpacing", [](TestGrid* g) { g->ySpacing = 0.5f; }, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.field);
    testing::ResetLibraryState();
    SetPath(dir_.path().c_str());
    TestGrid los = AreaGrid(0);
    c.change(&los);
    WritePair(0, AreaGrid(0), los);
    MessageRecorder recorder;
    Shift(1.0, 1.0);
    EXPECT_EQ(Registered(0), c.registered);
    // Only the six absent areas speak.
    EXPECT_EQ(recorder.messages().size(), 6u);
  }
}

// A negative spacing registers the area with its maximum below its
// minimum and the spacing stored as an absolute value: no point is inside.
TEST_F(NadconFilesTest, NegativeSpacingRegistersAnEmptyArea) {
  TestGrid g = AreaGrid(0);
  g.xMin = 2.9f;
  g.xSpacing = -kSpacing;
  TestGrid h = AreaGrid(1);
  h.yMin = 2.9f;
  h.ySpacing = -kSpacing;
  WritePair(0, g, g);
  WritePair(1, h, h);
  MessageRecorder recorder;
  EXPECT_EQ(Shift(1.0, 1.0), 1);
  EXPECT_EQ(Shift(11.0, 1.0), 1);
  EXPECT_TRUE(Registered(0) && Registered(1));
  EXPECT_LT(gNadconAreaTable[0].xMax, gNadconAreaTable[0].xMin);
  EXPECT_EQ(gNadconAreaTable[0].xSpacing, kSpacing);
  EXPECT_LT(gNadconAreaTable[1].yMax, gNadconAreaTable[1].yMin);
  EXPECT_EQ(gNadconAreaTable[1].ySpacing, kSpacing);
}

// A damaged file leaves its area unregistered with one message naming it;
// the other areas load as usual.
TEST_F(NadconFilesTest, DamagedFileIsReportedOnce) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  auto withHeader = [](std::function<void(TestGrid*)> change) {
    return [change]() {
      TestGrid g = AreaGrid(2);
      change(&g);
      return GridBytes(g);
    };
  };
  auto cut = [](std::size_t length) {
    return [length]() { return GridBytes(AreaGrid(2)).substr(0, length); };
  };
  auto declareRows = [](int32_t rows) {  // a header that claims more rows than follow
    return [rows]() {
      std::string bytes = GridBytes(AreaGrid(2));
      std::memcpy(bytes.data() + 68, &rows, sizeof rows);
      return bytes;
    };
  };
  struct Case {
    const char* what;
    const char* extension;
    std::function<std::string()> bytes;
  };
  const Case kCases[] = {
      {"empty file", ".las", cut(0)},
      {"header cut short", ".las", cut(95)},
      {"header cut short", ".los", cut(60)},
      {"last row one byte short", ".las", cut(kFileBytes - 1)},
      {"header only", ".los", cut(96)},
      {"more rows declared than present", ".las", declareRows(kCount + 1)},
      {"columnCount 0", ".las", withHeader([](TestGrid* g) { g->columnCount = 0; })},
      {"columnCount negative", ".los", withHeader([](TestGrid* g) { g->columnCount = -5; })},
      {"rowCount 0", ".las", withHeader([](TestGrid* g) { g->rowCount = 0; })},
      {"xMin NaN", ".las", withHeader([=](TestGrid* g) { g->xMin = kNaN; })},
      {"ySpacing infinite", ".los", withHeader([=](TestGrid* g) { g->ySpacing = kInf; })},
      {"angle NaN", ".las", withHeader([=](TestGrid* g) { g->angle = kNaN; })},
      {"eastern bound overflows", ".las", withHeader([](TestGrid* g) { g->xSpacing = 3e37f; })},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.what) + " " + c.extension);
    testing::ResetLibraryState();
    SetPath(dir_.path().c_str());
    WriteAllAreas();
    Write(2, c.extension, c.bytes());
    MessageRecorder recorder;
    EXPECT_EQ(Shift(21.0, 1.0), 1);
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].caption, "Damaged Grid File");
    EXPECT_EQ(recorder.messages()[0].text, PathOf(2, c.extension) + kDamagedText);
    EXPECT_EQ(recorder.messages()[0].icon, platform::MessageIcon::kExclamation);
    for (int k = 0; k < kNadconAreaCount; ++k) EXPECT_EQ(Registered(k), k != 2) << kNames[k];
  }
}

// A grid file that is a folder cannot be read: the area is reported damaged
// and stays unregistered; the others load.
// A folder, a pipe or a device in a grid file's place is damaged: one
// message, the area not registered, and nothing waits on the pipe.
TEST_F(NadconFilesTest, GridFileThatIsAFolderPipeOrDeviceIsDamaged) {
  const std::string path = PathOf(5, ".los");
  const std::function<void()> kReplacements[] = {
      [&] { fs::create_directories(path); },
      [&] { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); },
      [&] { fs::create_symlink("/dev/zero", path); },
  };
  for (const auto& replace : kReplacements) {
    testing::ResetLibraryState();
    SetPath(dir_.path().c_str());
    WriteAllAreas();
    fs::remove(path);
    replace();
    MessageRecorder recorder;
    EXPECT_EQ(Shift(51.0, 1.0), 1);
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, path + kDamagedText);
    for (int k = 0; k < kNadconAreaCount; ++k) EXPECT_EQ(Registered(k), k != 5) << kNames[k];
    fs::remove_all(path);
  }
}

// After a load, missing files are not tried again until NadconClean; the
// load after it repeats the messages and registers what is now present.
TEST_F(NadconFilesTest, NoRetryUntilCleanThenReload) {
  WriteAllAreas();
  fs::remove(PathOf(3, ".los"));
  MessageRecorder recorder;
  EXPECT_EQ(Shift(31.0, 1.0), 1);
  EXPECT_EQ(recorder.messages().size(), 1u);

  Write(3, ".los", GridBytes(AreaGrid(3)));
  EXPECT_EQ(Shift(31.0, 1.0), 1);  // still unregistered, no new message
  EXPECT_EQ(recorder.messages().size(), 1u);

  NadconClean();
  EXPECT_EQ(Shift(31.0, 1.0), 0);  // reloaded
  EXPECT_EQ(recorder.messages().size(), 1u);

  fs::remove(PathOf(3, ".los"));
  NadconClean();
  EXPECT_EQ(Shift(31.0, 1.0), 1);
  EXPECT_EQ(recorder.messages().size(), 2u);  // the message again
}

TEST_F(NadconFilesTest, CleanBeforeAnyShiftOrTwiceOnlyResets) {
  WriteAllAreas();
  NadconClean();
  NadconClean();
  EXPECT_EQ(gNadconState.headersPending, 1);
  EXPECT_EQ(gNadconState.openArea, -1);
  EXPECT_EQ(Shift(1.0, 1.0), 0);
  EXPECT_EQ(gNadconState.headersPending, 0);
  EXPECT_EQ(gNadconState.openArea, 0);
  NadconClean();
  NadconClean();
  EXPECT_EQ(gNadconState.headersPending, 1);
  EXPECT_EQ(gNadconState.openArea, -1);
  EXPECT_FALSE(gNadconState.lasFile.isOpen || gNadconState.losFile.isOpen);
  for (int k = 0; k < kNadconAreaCount; ++k) {
    EXPECT_FALSE(Registered(k));
    EXPECT_EQ(gNadconAreaTable[k].xMax, 0.0f);
    EXPECT_STREQ(gNadconAreaTable[k].name, kNames[k]);
  }
}

// Status 0: constant shifts of 3.6" north and 7.2" west are applied
// exactly; the inverse takes them off again.
TEST_F(NadconFilesTest, StatusShifted) {
  WriteAllAreas();
  TestGrid las = AreaGrid(0), los = AreaGrid(0);
  las.value = [](int, int) { return 3.6f; };
  los.value = [](int, int) { return 7.2f; };
  WritePair(0, las, los);
  double lon = 0.0, lat = 0.0;
  int32_t status = -1;
  Nadcon27To83(1.25, 0.5, &lon, &lat, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(lat, 0.5 + static_cast<double>(3.6f) * kSecondsToDegrees);
  EXPECT_EQ(lon, 1.25 - static_cast<double>(7.2f) * kSecondsToDegrees);
  double backLon = 0.0, backLat = 0.0;
  Nadcon83To27(lon, lat, &backLon, &backLat, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NEAR(backLon, 1.25, 1e-12);
  EXPECT_NEAR(backLat, 0.5, 1e-12);
}

// Zero shifts: the inverse converges in pass 0 and returns the input.
TEST_F(NadconFilesTest, InverseOfZeroShiftIsTheInput) {
  WriteAllAreas();
  double lon = 0.0, lat = 0.0;
  int32_t status = -1;
  Nadcon83To27(41.3, 1.7, &lon, &lat, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(lon, 41.3);
  EXPECT_EQ(lat, 1.7);
}

// Status 2: the area is registered but its pair cannot be opened, or a
// value lies past the end of a file that was cut after the load.  The
// forward shift leaves its outputs alone, the inverse writes the input.
TEST_F(NadconFilesTest, StatusNoGrid) {
  struct Case {
    const char* what;
    std::function<void(NadconFilesTest*)> spoil;  // after the load
  };
  const Case kCases[] = {
      {".las removed", [](NadconFilesTest* t) { fs::remove(t->PathOf(4, ".las")); }},
      {".los removed", [](NadconFilesTest* t) { fs::remove(t->PathOf(4, ".los")); }},
      {".las cut to ten rows",
       [](NadconFilesTest* t) { t->Write(4, ".las", GridBytes(AreaGrid(4)).substr(0, 11 * kRecordBytes)); }},
      {".los cut to ten rows",
       [](NadconFilesTest* t) { t->Write(4, ".los", GridBytes(AreaGrid(4)).substr(0, 11 * kRecordBytes)); }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    testing::ResetLibraryState();
    SetPath(dir_.path().c_str());
    WriteAllAreas();
    ASSERT_EQ(Shift(1.0, 1.0), 0);  // loads every header, opens area 0
    c.spoil(this);
    double outLon = 3.0, outLat = 4.0;
    int32_t status = -1;
    Nadcon27To83(41.5, 1.5, &outLon, &outLat, &status);  // row 16 of area 4
    EXPECT_EQ(status, 2);
    EXPECT_EQ(outLon, 3.0);
    EXPECT_EQ(outLat, 4.0);
    Nadcon83To27(41.5, 1.5, &outLon, &outLat, &status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(outLon, 41.5);
    EXPECT_EQ(outLat, 1.5);
  }
}

// Coordinates that are not numbers, infinite or huge lie in no area (nor a
// tiny step west or south of the first area):
// status 1 from both shifts, the forward one leaves its outputs alone, the
// inverse writes the input back (NaN bits included).
TEST_F(NadconFilesTest, NonFiniteAndHugeCoordinatesAreOutside) {
  WriteAllAreas();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kMax = std::numeric_limits<double>::max();
  constexpr double kTiny = std::numeric_limits<double>::denorm_min();
  const double kPoints[][2] = {{kNaN, 1.0}, {1.0, kNaN},   {kNaN, kNaN}, {kInf, 1.0},
                               {-kInf, 1.0}, {1.0, kInf},  {1.0, -kInf}, {kMax, 1.0},
                               {-kMax, 1.0}, {1.0, 1e300}, {-kTiny, 1.0}, {1.0, -kTiny}};
  for (const auto& p : kPoints) {
    SCOPED_TRACE(std::to_string(p[0]) + " " + std::to_string(p[1]));
    double outLon = 3.0, outLat = 4.0;
    int32_t status = -1;
    Nadcon27To83(p[0], p[1], &outLon, &outLat, &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(outLon, 3.0);
    EXPECT_EQ(outLat, 4.0);
    Nadcon83To27(p[0], p[1], &outLon, &outLat, &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(std::memcmp(&outLon, &p[0], sizeof outLon), 0);
    EXPECT_EQ(std::memcmp(&outLat, &p[1], sizeof outLat), 0);
  }
}

// Status 3: a latitude shift of (lat - 5) degrees makes the fixed-point
// step lat83 - shift(e) swing between the input and 5 forever: ten passes
// end without convergence and the input comes back.
TEST_F(NadconFilesTest, StatusNoConvergence) {
  WriteAllAreas();
  TestGrid las;  // 30 columns, 11 rows, 1 degree apart: lat 0 to 10
  las.rowCount = 11;
  las.value = [](int row, int) { return 3600.0f * static_cast<float>(row - 1 - 5); };
  TestGrid los = las;
  los.value = [](int, int) { return 0.0f; };
  WritePair(0, las, los);
  double outLon = 0.0, outLat = 0.0;
  int32_t status = -1;
  Nadcon83To27(1.0, 2.0, &outLon, &outLat, &status);
  EXPECT_EQ(status, 3);
  EXPECT_EQ(outLon, 1.0);
  EXPECT_EQ(outLat, 2.0);
}

// Any NULL pointer: the export returns at once, loads nothing and writes
// nothing through the other pointers.
TEST_F(NadconFilesTest, NullPointerHasNoEffect) {
  using Export = void (*)(double, double, double*, double*, int32_t*);
  for (Export shift : {&Nadcon27To83, &Nadcon83To27}) {
    for (int missing = 0; missing < 3; ++missing) {
      SCOPED_TRACE(missing);
      MessageRecorder recorder;  // every file is absent: a load would speak
      double lon = 3.0, lat = 4.0;
      int32_t status = -7;
      shift(1.0, 1.0, missing == 0 ? nullptr : &lon, missing == 1 ? nullptr : &lat,
            missing == 2 ? nullptr : &status);
      EXPECT_EQ(lon, 3.0);
      EXPECT_EQ(lat, 4.0);
      EXPECT_EQ(status, -7);
      EXPECT_TRUE(recorder.messages().empty());
      EXPECT_EQ(gNadconState.headersPending, 1);
    }
  }
}

// With xMin 0, 30 columns and spacing 0.1f, the eastern bound 29 * 0.1f
// rounds up to 2.9000000954 in single precision, above the exact
// 2.9000000432 of the last column.  A point between the two would reach
// column 30 of 30; it is clamped to the last cell (likewise the row, whose
// cell would end past the file).  Guards against reads outside the grid.
TEST_F(NadconFilesTest, PointBeyondTheLastNodeIsClampedToTheLastCell) {
  WriteAllAreas();
  TestGrid las = AreaGrid(0);
  las.value = [](int row, int col) { return static_cast<float>(10 * row + col); };
  TestGrid los = AreaGrid(0);
  los.value = [](int row, int col) { return static_cast<float>(row - col); };
  WritePair(0, las, los);

  const double exactEdge = 29.0 * static_cast<double>(kSpacing);
  const double edge = 2.9000000700;  // between the exact edge and its float
  ASSERT_LT(exactEdge, edge);
  ASSERT_LT(edge, static_cast<double>(29.0f * kSpacing));

  struct Case {
    double lon;
    double lat;
  };
  for (const Case& c : {Case{edge, 1.45}, Case{1.45, edge}, Case{edge, edge}}) {
    double outLon = 0.0, outLat = 0.0;
    int32_t status = -1;
    Nadcon27To83(c.lon, c.lat, &outLon, &outLat, &status);
    ASSERT_EQ(status, 0) << c.lon << " " << c.lat;
    // Values linear in row and column: the clamped cell, extrapolated by
    // the sliver beyond its far node, still gives the linear value.
    const double colF = c.lon / static_cast<double>(kSpacing) + 1.0;
    const double rowF = c.lat / static_cast<double>(kSpacing) + 1.0;
    EXPECT_NEAR(outLat, c.lat + (10.0 * rowF + colF) * kSecondsToDegrees, 1e-12);
    EXPECT_NEAR(outLon, c.lon - (rowF - colF) * kSecondsToDegrees, 1e-12);
  }
}

// A grid file of the open pair cut short in place by another process: the
// pair's contents were taken into memory when it was opened, so shifts in
// that area go on with the values read then (a file mapped directly would
// fault at the first read past its new end).  After NadconClean the cut
// file is loaded afresh and found damaged.
TEST_F(NadconFilesTest, OpenPairCutShortInPlace) {
  WriteAllAreas();
  TestGrid wide = AreaGrid(0);  // 100 x 100 nodes, 40 kB: more than one page
  wide.columnCount = 100;
  wide.rowCount = 100;
  wide.value = [](int row, int col) { return 0.5f * row + 0.001f * col; };
  WritePair(0, wide, wide);
  double lon1 = 0.0, lat1 = 0.0;
  ASSERT_EQ(Shift(5.05, 8.05, &lon1, &lat1), 0);  // row 81: 32 kB into the file

  MessageRecorder recorder;
  for (const char* extension : {".las", ".los"}) fs::resize_file(PathOf(0, extension), 96);
  double lon2 = 0.0, lat2 = 0.0;
  EXPECT_EQ(Shift(5.05, 8.05, &lon2, &lat2), 0);
  EXPECT_EQ(lon2, lon1);
  EXPECT_EQ(lat2, lat1);
  EXPECT_TRUE(recorder.messages().empty());

  NadconClean();
  EXPECT_EQ(Shift(5.05, 8.05), 1);
  ASSERT_EQ(recorder.messages().size(), 1u);
  EXPECT_EQ(recorder.messages()[0].caption, "Damaged Grid File");
}

}  // namespace
}  // namespace zonvert

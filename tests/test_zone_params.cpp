// The parameter file scan, the two-slot cache, the per-zone set-up of the
// zone blocks 100-4999, the root rule and the mended failure paths.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "platform/platform.h"
#include "test_support.h"
#include "zonvert.h"

namespace zonvert {
namespace {

using testing::MessageRecorder;
using testing::TempDir;

constexpr double kDegToRad = 0.017453292520882225;  // the loader's degree factor

// One record: code, then twenty numbers P0..P19 where P0 = a, P3 = k0 and
// P5/P7 carry recognisable values (so it is visible whether the loader
// replaced them).
std::string Record(int code, double a, double p5 = 0.5, double p7 = 7.0) {
  char text[512];
  std::snprintf(text, sizeof text,
                "%d %.17g 0.0066943799901413165 0.08181919084262149 0.9996 0 %.17g 500000 "
                "%.17g 0 0 0 0 0 0 0 0 0 0 0 0\n",
                code, a, p5, p7);
  return text;
}

// A parameter file with three UTM-style blocks and two other records.
std::string StandardFile() {
  return Record(100, 6378206.4) + Record(1600, 6378137.0) + Record(-7, 1111.0) +
         Record(5003, 5003.0) + Record(99, 9999.0);
}

// Calls LLDRV_NEW with direction `direction` on a point near 45N 15E.
void Convert(int32_t zone, int32_t direction = kGeographicToGrid, int32_t hemisphere = 1,
             float userMeridian = 0.0f) {
  double lat = 45.0, lon = 15.0, x = 0.0, y = 0.0;
  LLDRV_NEW(&lat, &lon, &x, &y, zone, direction, 1, 1, hemisphere, userMeridian, 0.0f, 0.0f);
}

class ZoneParamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetLibraryState();
    Install(StandardFile());
  }
  void TearDown() override { testing::ResetLibraryState(); }
  void Install(const std::string& contents) {
    dir_.Write("template/con_dos.asc", contents);
    SetPath(dir_.path().c_str());
  }
  void RemoveFile() { std::remove((dir_.path() + "/template/con_dos.asc").c_str()); }
  const ParamCache& cache() const { return gParamCache; }

  TempDir dir_;
  MessageRecorder messages_;
};

// ---------------------------------------------------------------- scanner

struct ScanCase {
  const char* what;
  std::string text;
  int32_t key;
  ScanResult expected;
  double expectedP0;  // when found
};

TEST(ParameterScan, TableOfTexts) {
  const std::string twenty = " 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20";
  const ScanCase cases[] = {
      {"one record on one line", "5" + twenty, 5, ScanResult::kFound, 1.0},
      {"record spread over lines and tabs", "5\n1\t2\n3 4 5 6 7 8 9 10\n11 12 13 14 15 16 17 18 19 20\n",
       5, ScanResult::kFound, 1.0},
      {"CR LF line ends", "5\r\n1 2 3 4 5 6 7 8 9 10\r\n11 12 13 14 15 16 17 18 19 20\r\n", 5,
       ScanResult::kFound, 1.0},
      {"second record found after the first", "4" + twenty + "\n6 -1.5e3 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20", 6,
       ScanResult::kFound, -1500.0},
      {"first of two equal keys wins", "6 100" + twenty.substr(2) + "\n6 200" + twenty.substr(2), 6,
       ScanResult::kFound, 100.0},
      {"negative code", "-7" + twenty, -7, ScanResult::kFound, 1.0},
      {"explicit plus signs", "+8 +1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20", 8,
       ScanResult::kFound, 1.0},
      {"Ctrl-Z ends the text", "5" + twenty + "\n\x1a" + "6" + twenty, 6, ScanResult::kKeyAbsent, 0},
      {"Ctrl-Z after CR LF ends a found scan", "5" + twenty + "\r\n\x1a garbage", 5, ScanResult::kFound, 1.0},
      {"key absent", "5" + twenty + "\n", 9, ScanResult::kKeyAbsent, 0},
      {"empty text", "", 9, ScanResult::kKeyAbsent, 0},
      {"white space only", " \r\n\t", 9, ScanResult::kKeyAbsent, 0},
      {"letter in place of a number", "5 1 2 x 4", 5, ScanResult::kBadToken, 0},
      {"letter in place of a code", "5" + twenty + "\nabc" + twenty, 6, ScanResult::kBadToken, 0},
      {"code too large for 32 bits", "99999999999" + twenty, 5, ScanResult::kBadToken, 0},
      {"record cut short", "5 1 2 3", 5, ScanResult::kCutShort, 0},
      {"code without numbers", "5" + twenty + "\n6", 6, ScanResult::kCutShort, 0},
  };
  for (const ScanCase& c : cases) {
    ZoneParams record{};
    record.p[0] = -42.0;
    EXPECT_EQ(ScanParameterText(c.text, c.key, &record), c.expected) << c.what;
    if (c.expected == ScanResult::kFound) {
      EXPECT_EQ(record.p[0], c.expectedP0) << c.what;
    } else {
      EXPECT_EQ(record.p[0], -42.0) << c.what << ": record must stay untouched";
    }
  }
}

TEST(ParameterScan, ReadsNumbersRegardlessOfTheCLocale) {
  // A host that sets a locale with a decimal comma must not change the scan.
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // may be missing; then the scan runs in C
  ZoneParams record{};
  EXPECT_EQ(ScanParameterText("5 6378137.5 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20", 5,
                              &record),
            ScanResult::kFound);
  EXPECT_EQ(record.p[0], 6378137.5);
  std::setlocale(LC_NUMERIC, "C");
}

TEST(FileKey, BlocksShareTheirHundred) {
  const struct {
    int32_t zone, key;
  } cases[] = {{1617, 1600}, {1600, 1600}, {100, 100}, {199, 100}, {4999, 4900}, {99, 99},
               {5003, 5003}, {-7, -7},     {0, 0},     {5000, 5000}, {INT_MIN, INT_MIN}};
  for (const auto& c : cases) EXPECT_EQ(FileKeyOf(c.zone), c.key) << c.zone;
}

// ---------------------------------------------------------------- root rule

TEST(RootRule, CutsTwoSeparatorsBack) {
  const struct {
    const char* module;
    const char* root;
  } cases[] = {
      {"D:\\Geo\\Lib\\bin\\zonvert.dll", "D:\\Geo\\Lib"},
      {"/opt/zonvert/lib/libzonvert.so", "/opt/zonvert"},
      {"/opt/zonvert\\lib/libzonvert.so", "/opt/zonvert"},  // both separators count
      {"build/lib/libzonvert.so", "build"},
      {"/lib/libzonvert.so", "/lib/libzonvert.so"},          // the leading one is not examined
      {"x/lib/libzonvert.so", "x"},
      {"lib/libzonvert.so", "lib/libzonvert.so"},            // one separator: whole
      {"/libzonvert.so", "/libzonvert.so"},                  // first character never examined
      {"//x", "//x"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CutRootFromModulePath(c.module), c.root) << c.module;
}

TEST(RootRule, DerivedFromTheModuleUnlessSet) {
  testing::ResetLibraryState();
  const std::string module = platform::ModuleFileName();
  ASSERT_FALSE(module.empty());
  EXPECT_EQ(ResolveRootDirectory(), CutRootFromModulePath(module));
  SetPath("/some/root/");
  EXPECT_EQ(ResolveRootDirectory(), "/some/root/");
  EXPECT_EQ(TemplateDirectory(ResolveRootDirectory()), "/some/root//template/")
      << "a trailing separator is kept and doubled";
  SetPath("");
  EXPECT_EQ(ResolveRootDirectory(), CutRootFromModulePath(module));
  SetPath("/x");
  SetPath(nullptr);  // same as ""
  EXPECT_EQ(ResolveRootDirectory(), CutRootFromModulePath(module));
}

// ---------------------------------------------------------------- cache

TEST_F(ZoneParamsTest, ReadsTheFileOncePerZone) {
  Convert(1633);
  EXPECT_EQ(cache().activeCode, 1633);
  EXPECT_EQ(cache().activeParams.p[0], 6378137.0);
  EXPECT_EQ(cache().activeParams.p[5], 15.0 * kDegToRad);  // 6 * 33 - 183 = 15 degrees
  EXPECT_EQ(cache().activeParams.p[7], 0.0);

  // Without the file, calls that hit either slot still work.
  Convert(100 + 17);
  RemoveFile();
  Convert(1633);  // spare hit: swap
  EXPECT_EQ(cache().activeCode, 1633);
  EXPECT_EQ(cache().spareCode, 117);
  Convert(117);  // spare hit again
  EXPECT_EQ(cache().activeCode, 117);
  EXPECT_EQ(cache().activeParams.p[0], 6378206.4);
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(ZoneParamsTest, ThirdZoneDropsTheOneUsedLongerAgo) {
  Convert(1601);
  Convert(1602);
  Convert(1601);  // 1602 is now the one used longer ago
  Convert(1603);
  EXPECT_EQ(cache().activeCode, 1603);
  EXPECT_EQ(cache().spareCode, 1601);
}

TEST_F(ZoneParamsTest, FirstCallWithMinusOneHitsTheEmptySlot) {
  RemoveFile();
  Convert(-1);
  EXPECT_TRUE(messages_.messages().empty()) << "no file is read";
  EXPECT_EQ(cache().activeCode, -1);
  EXPECT_EQ(cache().activeParams.p[0], 0.0);
}

TEST_F(ZoneParamsTest, SetUpOfTheZoneBlocks) {
  const struct {
    int32_t zone;
    int32_t hemisphere;
    float userMeridian;
    double p5, p7;
  } cases[] = {
      {1617, 2, 0.0f, -81.0 * kDegToRad, 10000000.0},
      {1617, 1, 0.0f, -81.0 * kDegToRad, 0.0},
      {1617, 3, 0.0f, -81.0 * kDegToRad, 0.0},
      {1617, 0, 0.0f, -81.0 * kDegToRad, 10000000.0},
      {1601, 1, 0.0f, -177.0 * kDegToRad, 0.0},
      {1631, 1, 0.0f, 3.0 * kDegToRad, 0.0},
      {1660, 1, 0.0f, 177.0 * kDegToRad, 0.0},
      {1661, 1, 10.1f, static_cast<double>(10.1f) * kDegToRad, 0.0},  // single precision, widened
      {1699, 2, 0.0f, 0.5, 7.0},  // Mercator suffix: the file's values
  };
  for (const auto& c : cases) {
    testing::ResetLibraryState();
    SetPath(dir_.path().c_str());
    Convert(c.zone, kLoadOnly, c.hemisphere, c.userMeridian);
    EXPECT_EQ(cache().activeParams.p[5], c.p5) << c.zone;
    EXPECT_EQ(cache().activeParams.p[7], c.p7) << c.zone;
  }
}

TEST_F(ZoneParamsTest, SetUpHappensOnlyWhenTheRecordIsRead) {
  Convert(1661, kLoadOnly, 1, 20.0f);
  Convert(1661, kLoadOnly, 2, 30.0f);  // cached: no new set-up
  EXPECT_EQ(cache().activeParams.p[5], 20.0 * kDegToRad);
  EXPECT_EQ(cache().activeParams.p[7], 0.0);
  Convert(1601);
  Convert(1661, kLoadOnly, 2, 30.0f);  // spare hit: still no set-up
  EXPECT_EQ(cache().activeParams.p[5], 20.0 * kDegToRad);
  Convert(1602);
  Convert(1603);
  Convert(1661, kLoadOnly, 2, 30.0f);  // evicted, read again
  EXPECT_EQ(cache().activeParams.p[5], 30.0 * kDegToRad);
  EXPECT_EQ(cache().activeParams.p[7], 10000000.0);
}

TEST_F(ZoneParamsTest, IllegalSuffixPrintsOnceWhenRead) {
  const struct {
    int32_t zone;
    bool printsLine;
  } cases[] = {{1600, true}, {1662, true}, {1698, true}, {1699, false}, {1661, false},
               {99, false},  {5003, false}};
  for (const auto& c : cases) {
    ::testing::internal::CaptureStdout();
    Convert(c.zone);
    Convert(c.zone);  // cache hit: prints nothing
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, c.printsLine ? " *** Error: GCON: Illegal CM/zonecode ***\n" : "") << c.zone;
    if (c.printsLine) {
      EXPECT_EQ(cache().activeParams.p[5], 0.5) << "file's central meridian kept";
      EXPECT_EQ(cache().activeParams.p[7], 7.0) << "file's false northing kept";
    }
  }
}

TEST_F(ZoneParamsTest, CodesOutsideTheBlocksGetNoSetUp) {
  for (int32_t zone : {99, 5003, -7}) {
    Convert(zone, kLoadOnly, 2, 50.0f);
    EXPECT_EQ(cache().activeCode, zone);
    EXPECT_EQ(cache().activeParams.p[5], 0.5) << zone;
    EXPECT_EQ(cache().activeParams.p[7], 7.0) << zone;
  }
}

// ---------------------------------------------------------------- failures

// Regression: a missing parameter file used to leave the zone cached with a
// stale record, so later calls converted silently with wrong parameters.
TEST_F(ZoneParamsTest, MissingFileIsReportedOnEveryMissAndNothingIsCached) {
  Convert(1601);  // cached before the file goes away
  Convert(117);
  RemoveFile();
  double lat = 45.0, lon = 15.0, x = 1.25, y = 2.5;
  for (int call = 0; call < 2; ++call) {
    LLDRV_NEW(&lat, &lon, &x, &y, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(x, 1.25) << "no routine runs";
    EXPECT_EQ(y, 2.5);
  }
  ASSERT_EQ(messages_.messages().size(), 2u) << "one message per miss";
  const std::string path = dir_.path() + "/template/con_dos.asc";
  EXPECT_EQ(messages_.messages()[0].caption, "lldrv");
  EXPECT_EQ(messages_.messages()[0].text, "File " + path + " not found! Graphics won't show correctly.");
  EXPECT_EQ(messages_.messages()[0].icon, platform::MessageIcon::kNone) << "OK button, no icon";
  // Both records cached before the miss are still cached.
  Convert(117);
  Convert(1601);
  EXPECT_EQ(messages_.messages().size(), 2u);
  EXPECT_EQ(cache().activeParams.p[5], -177.0 * kDegToRad);
}

TEST_F(ZoneParamsTest, MissingRecordReportsOnlyForZonesThatSelectARoutine) {
  const struct {
    int32_t zone;
    const char* line;
  } cases[] = {
      {4001, " *** Error: GCON: no parameters for zone code 4001 ***\n"},  // block 4000 absent
      {7001, " *** Error: GCON: no parameters for zone code 7001 ***\n"},
      {-101, " *** Error: GCON: no parameters for zone code 5001 ***\n"},  // after the alias
      {5000, ""},   // selects nothing: silent
      {9000, ""},
      {-5001, ""},  // no alias, negative: silent
  };
  for (const auto& c : cases) {
    double lat = 45.0, lon = 15.0, x = 1.25, y = 2.5;
    ::testing::internal::CaptureStdout();
    LLDRV_NEW(&lat, &lon, &x, &y, c.zone, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
    LLDRV_NEW(&lat, &lon, &x, &y, c.zone, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, std::string(c.line) + c.line) << "read again on every call: " << c.zone;
    EXPECT_EQ(x, 1.25) << c.zone;
    EXPECT_EQ(y, 2.5) << c.zone;
    EXPECT_NE(cache().activeCode, ApplyZoneAlias(c.zone)) << "not cached: " << c.zone;
  }
  EXPECT_TRUE(messages_.messages().empty());
}

// Regression: a record cut short or a stray letter used to leave a mixture of
// two records active under the requested zone code.
TEST_F(ZoneParamsTest, DamagedFileConvertsNothing) {
  for (const std::string& damaged :
       {Record(100, 1.0) + "1600 6378137 0.0066 0.08", Record(100, 1.0) + "1600 6378137 x"}) {
    testing::ResetLibraryState();
    Install(damaged);
    double lat = 45.0, lon = 15.0, x = 1.25, y = 2.5;
    ::testing::internal::CaptureStdout();
    LLDRV_NEW(&lat, &lon, &x, &y, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              " *** Error: GCON: no parameters for zone code 1633 ***\n");
    EXPECT_EQ(x, 1.25);
    EXPECT_EQ(y, 2.5);
  }
}

// A parameter file that is a folder opens but reads as empty text: no
// record, the error line, nothing converted, no crash.
TEST_F(ZoneParamsTest, ParameterFileThatIsAFolderHoldsNoRecord) {
  RemoveFile();
  dir_.Write("template/con_dos.asc/inside", "");
  double lat = 45.0, lon = 15.0, x = 1.25, y = 2.5;
  ::testing::internal::CaptureStdout();
  LLDRV_NEW(&lat, &lon, &x, &y, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            " *** Error: GCON: no parameters for zone code 1633 ***\n");
  EXPECT_EQ(x, 1.25);
  EXPECT_EQ(y, 2.5);
  EXPECT_NE(cache().activeCode, 1633);
}

// A pipe or a device in the parameter file's place is not read: a pipe
// with no writer would hold the call forever, /dev/zero would fill the
// memory.  It is reported as a file that cannot be read, nothing converted.
TEST_F(ZoneParamsTest, ParameterFileThatIsAPipeOrADeviceIsNotRead) {
  namespace fs = std::filesystem;
  const std::string path = dir_.path() + "/template/con_dos.asc";
  const std::function<void()> kReplacements[] = {
      [&] { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); },
      [&] { fs::create_symlink("/dev/zero", path); },
  };
  for (const auto& replace : kReplacements) {
    testing::ResetLibraryState();
    SetPath(dir_.path().c_str());
    RemoveFile();
    replace();
    messages_.Clear();
    double lat = 45.0, lon = 15.0, x = 1.25, y = 2.5;
    LLDRV_NEW(&lat, &lon, &x, &y, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(x, 1.25);
    EXPECT_EQ(y, 2.5);
    ASSERT_EQ(messages_.messages().size(), 1u);
    EXPECT_EQ(messages_.messages()[0].text, "File " + path + " not found! Graphics won't show correctly.");
  }
}

TEST_F(ZoneParamsTest, WindowsTextFileScansLikeAPlainOne) {
  std::string text = StandardFile();
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  Install(crlf + "\x1a");
  Convert(99);
  EXPECT_EQ(cache().activeCode, 99);
  EXPECT_EQ(cache().activeParams.p[0], 9999.0);
}

TEST_F(ZoneParamsTest, RootsOfAnyLength) {
  // Far beyond the 78 characters a fixed path buffer would hold.
  const std::string deep = "a-folder-name-of-some-length/another-folder-name-of-some-length/"
                           "and-a-third-folder-name-of-some-length/and-a-fourth-one";
  TempDir longRoot;
  longRoot.Write(deep + "/template/con_dos.asc", StandardFile());
  const std::string root = longRoot.path() + "/" + deep;
  ASSERT_GT(root.size(), 100u);
  SetPath(root.c_str());
  Convert(1633);
  EXPECT_EQ(cache().activeCode, 1633);
  EXPECT_EQ(cache().activeParams.p[0], 6378137.0);
  EXPECT_TRUE(messages_.messages().empty());
}

// Roots of 99 and 100 characters (one below and at the size of the fixed
// buffers of the first design) and longer ones convert; a root too long for
// any path the system opens is reported, with the whole path in the
// message, like a missing file.
TEST_F(ZoneParamsTest, RootsAtAndBeyondTheOldBufferSizes) {
  for (const std::size_t length : {99u, 100u, 101u, 1000u, 4096u, 5000u}) {
    SCOPED_TRACE(length);
    testing::ResetLibraryState();
    messages_.Clear();
    TempDir base;
    const std::string root = testing::PathOfLength(base, length);
    ASSERT_EQ(root.size(), length);
    const std::string path = root + "/template/con_dos.asc";
    const bool openable = path.size() < 4096;
    if (openable) base.Write(path.substr(base.path().size() + 1), StandardFile());
    SetPath(root.c_str());
    EXPECT_EQ(ResolveRootDirectory(), root);
    double lat = 45.0, lon = 15.0, x = 1.25, y = 2.5;
    LLDRV_NEW(&lat, &lon, &x, &y, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
    if (openable) {
      EXPECT_EQ(x, 500000.0);
      EXPECT_EQ(cache().activeCode, 1633);
      EXPECT_TRUE(messages_.messages().empty());
    } else {
      EXPECT_EQ(x, 1.25);
      EXPECT_EQ(y, 2.5);
      EXPECT_NE(cache().activeCode, 1633);
      ASSERT_EQ(messages_.messages().size(), 1u);
      EXPECT_EQ(messages_.messages()[0].text,
                "File " + path + " not found! Graphics won't show correctly.");
    }
  }
}

TEST_F(ZoneParamsTest, SetPathDoesNotFlushTheCache) {
  Convert(1633);
  SetPath("/nonexistent");
  Convert(1633);  // hit
  EXPECT_TRUE(messages_.messages().empty());
  Convert(1634);  // miss under the new root
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_NE(messages_.messages()[0].text.find("/nonexistent/template/con_dos.asc"), std::string::npos);
}

}  // namespace
}  // namespace zonvert

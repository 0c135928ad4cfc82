// Soak run: millions of mixed calls of the eight exports through the shared
// library, as a long-running host makes them, and a check that resident
// memory, open file descriptors and memory mappings are the same at the end
// as after a warm-up.
//
// The mix, per block of 1000 calls:
//  - 600 LLDRV_NEW calls alternating between two zones of the block (cache
//    hits), both directions, the pair changing from block to block;
//  - 100 convenience calls (lldrv, lldrv_dbl, lldrv_str);
//  - 200 datum shifts, forward and inverse, the area changing every 100
//    calls so that all seven grid pairs are opened in turn;
//  - 90 more LLDRV_NEW calls on the pair and 10 on a zone outside it, which
//    miss the cache and read the parameter file (or find it missing);
// and across blocks: SetPath cycling through a data root, a second data
// root with a long name, a root without data and the module's own root
// (every 100 blocks), and NadconClean (every 50 blocks).
//
// Messages for missing files, which the library writes to standard error,
// go to a scratch file that is counted and emptied after every block; the trace lines and error lines of
// standard output go to /dev/null.  The report goes to standard output.
//
// Usage: zonvert_soak SOURCE_DIR GRID_DIR [CALLS] [RSS_SLACK_KB]
// Exit status: 0 no growth, 1 growth or a wrong result, 2 bad usage or set-up.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "zonvert.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kBlock = 1000;
constexpr int64_t kBlocksPerRoot = 100;
constexpr int64_t kBlocksPerClean = 50;
constexpr int kRootCount = 4;
// Warm-up: one full turn of the roots, so that every path has run.
constexpr int64_t kWarmUpCalls = kBlock * kBlocksPerRoot * kRootCount;

// Zone pairs a host converts between (codes of the shipped parameter file),
// and zones taken once in a while beside them.
constexpr int32_t kPairs[][2] = {{1633, 1634}, {-405, 7507}, {5001, 11},  {6001, 1617},
                                 {5101, 5201}, {199, 3716},  {-101, 5057}, {8501, 7001}};
constexpr int32_t kOthers[] = {1, 37, 72, 1661, 4899, 5010, 5102, 8001, 2345, 9000, -9999};

// A point inside each area, in search order.
constexpr double kAreaPoints[7][2] = {{-117.0, 34.0},  {-157.9, 21.3}, {-66.1, 18.2},
                                      {-170.2, 63.1},  {-169.7, 56.6}, {-170.3, 57.2},
                                      {-150.0, 61.2}};

struct Usage {
  long rssKb;      // VmRSS: all resident pages
  long anonKb;     // RssAnon: heap, stacks and other anonymous memory
  long fileKb;     // RssFile: resident pages of mapped files (code, grids)
  int descriptors; // entries of /proc/self/fd
  int mappings;    // lines of /proc/self/maps
};

long StatusField(const char* text, const char* name) {
  const char* at = std::strstr(text, name);
  return at != nullptr ? std::strtol(at + std::strlen(name), nullptr, 10) : -1;
}

Usage MeasureOnce() {
  Usage u{-1, -1, -1, 0, 0};
  if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
    static char text[8192];
    const size_t n = std::fread(text, 1, sizeof text - 1, f);
    text[n] = '\0';
    std::fclose(f);
    u.rssKb = StatusField(text, "VmRSS:");
    u.anonKb = StatusField(text, "RssAnon:");
    u.fileKb = StatusField(text, "RssFile:");
  }
  if (DIR* d = opendir("/proc/self/fd")) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') ++u.descriptors;
    }
    closedir(d);
    --u.descriptors;  // the descriptor of the listing itself
  }
  if (std::FILE* f = std::fopen("/proc/self/maps", "r")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) u.mappings += c == '\n';
    std::fclose(f);
  }
  return u;
}

// The second of two readings, so that the memory the reading itself uses
// (stdio buffers, the directory listing) is in place in both.
Usage Measure() {
  MeasureOnce();
  return MeasureOnce();
}

int gFailures = 0;
std::FILE* gReport = stdout;

void Fail(const char* what, int64_t call) {
  if (++gFailures <= 10) std::fprintf(gReport, "FAIL at call %" PRId64 ": %s\n", call, what);
}

// Removes the scratch folder after a failed set-up; exit status 2.
int SetUpFailed(const std::string& scratch) {
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s SOURCE_DIR GRID_DIR [CALLS] [RSS_SLACK_KB]\n", argv[0]);
    return 2;
  }
  const std::string source = argv[1];
  const std::string grids = fs::absolute(argv[2]).string();
  const int64_t calls = argc > 3 ? std::strtoll(argv[3], nullptr, 10) : 10000000;
  const long slackKb = argc > 4 ? std::strtol(argv[4], nullptr, 10) : 0;
  if (calls < 2 * kWarmUpCalls || calls % kWarmUpCalls != 0) {
    std::fprintf(stderr, "CALLS must be a multiple of %" PRId64 ", at least twice that\n",
                 kWarmUpCalls);
    return 2;
  }

  // Roots: two with data (the second under a long name), one without.
  const char* base = std::getenv("TMPDIR");
  std::string scratch = (base != nullptr && *base != '\0' ? std::string(base) : "/tmp") +
                        "/zonvert-soak-XXXXXX";
  if (mkdtemp(scratch.data()) == nullptr) return 2;
  const std::string dataRoot = scratch + "/data";
  const std::string longRoot = scratch + "/" + std::string(180, 'L') + "/" + std::string(120, 'm');
  const std::string emptyRoot = scratch + "/empty";
  std::error_code ec;
  for (const std::string& root : {dataRoot, longRoot}) {
    fs::create_directories(root + "/template", ec);
    fs::copy_file(source + "/template/con_dos.asc", root + "/template/con_dos.asc", ec);
    if (ec) {
      std::fprintf(stderr, "cannot copy %s/template/con_dos.asc: %s\n", source.c_str(),
                   ec.message().c_str());
      return SetUpFailed(scratch);
    }
    for (const char* area : {"conus", "hawaii", "prvi", "stlrnc", "stgeorge", "stpaul", "alaska"}) {
      for (const char* ext : {".las", ".los"}) {
        const std::string from = grids + "/" + area + ext;
        fs::create_symlink(from, root + "/template/" + area + ext, ec);
        if (ec || !fs::exists(from)) {
          std::fprintf(stderr, "grid file %s missing\n", from.c_str());
          return SetUpFailed(scratch);
        }
      }
    }
  }
  fs::create_directories(emptyRoot, ec);
  const char* roots[kRootCount] = {dataRoot.c_str(), longRoot.c_str(), emptyRoot.c_str(), nullptr};

  // Standard output to /dev/null, standard error to a scratch file that is
  // counted at the end; the report keeps the original standard output.
  std::fflush(stdout);
  const int reportFd = dup(STDOUT_FILENO);
  gReport = fdopen(reportFd, "w");
  const std::string messagesPath = scratch + "/messages";
  const int devNull = open("/dev/null", O_WRONLY);
  const int messagesFd = open(messagesPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_APPEND, 0600);
  if (gReport == nullptr || devNull < 0 || messagesFd < 0) return SetUpFailed(scratch);
  dup2(devNull, STDOUT_FILENO);
  dup2(messagesFd, STDERR_FILENO);
  close(devNull);
  close(messagesFd);

  // Reference results on the data root, for checks during the run.
  SetPath(dataRoot.c_str());
  double refLat = 47.0, refLon = 16.0, refX = 0.0, refY = 0.0;
  LLDRV_NEW(&refLat, &refLon, &refX, &refY, 1633, ZONVERT_GEOGRAPHIC_TO_GRID, 1, 1, 1, 0.0f, 0.0f,
            0.0f);
  double sanityLon = 0.0, sanityLat = 0.0;
  int32_t sanityStatus = -1;
  Nadcon27To83(-117.0, 34.0, &sanityLon, &sanityLat, &sanityStatus);
  if (sanityStatus != ZONVERT_NADCON_OK || std::fabs(sanityLon + 117.00086104) > 1e-8 ||
      std::fabs(sanityLat - 34.00001485) > 1e-8) {
    std::fprintf(gReport, "set-up: the datum shift of the sanity point failed (status %d)\n",
                 static_cast<int>(sanityStatus));
    return SetUpFailed(scratch);
  }
  NadconClean();

  // Counts the lines written to standard error so far and empties the file.
  int64_t messages = 0;
  auto countMessages = [&messages] {
    std::fflush(stderr);
    char buffer[65536];
    ssize_t n;
    off_t at = 0;
    while ((n = pread(STDERR_FILENO, buffer, sizeof buffer, at)) > 0) {
      for (ssize_t i = 0; i < n; ++i) messages += buffer[i] == '\n';
      at += n;
    }
    if (ftruncate(STDERR_FILENO, 0) != 0) Fail("cannot empty the message file", 0);
  };

  int64_t statusCounts[4] = {0, 0, 0, 0};
  int64_t misses = 0;
  Usage warm{};
  const auto start = std::chrono::steady_clock::now();
  auto warmTime = start;
  int rootIndex = 0;
  for (int64_t call = 0; call < calls; ++call) {
    const int64_t block = call / kBlock;
    const int64_t k = call % kBlock;
    if (k == 0) {
      countMessages();
      if (block % kBlocksPerRoot == 0) {
        rootIndex = static_cast<int>((block / kBlocksPerRoot) % kRootCount);
        SetPath(roots[rootIndex]);
      }
      // Half-way between root changes, so that for a while the headers of one
      // root meet the files (or none) of the next.
      if (block % kBlocksPerClean == kBlocksPerClean / 2) NadconClean();
    }
    const int32_t* pair = kPairs[block % (sizeof kPairs / sizeof kPairs[0])];
    const int slot = static_cast<int>(k % 10);
    if (slot <= 5 || (slot == 9 && k % 100 != 99)) {
      const int32_t zone = pair[k % 2];
      const int32_t direction = k % 4 < 2 ? ZONVERT_GEOGRAPHIC_TO_GRID : ZONVERT_GRID_TO_GEOGRAPHIC;
      double lat = 40.0 + static_cast<double>(k % 7), lon = -100.0 + static_cast<double>(k % 11);
      double x = 500000.0 + static_cast<double>(k), y = 4000000.0;
      LLDRV_NEW(&lat, &lon, &x, &y, zone, direction, 1, static_cast<int32_t>(k % 3 != 0), 1,
                10.0f, 0.0f, 0.0f);
    } else if (slot == 9) {
      // A zone beside the pair: a cache miss that reads the file.
      const int32_t zone = kOthers[(call / 100) % (sizeof kOthers / sizeof kOthers[0])];
      double lat = 45.0, lon = 15.0, x = 1.0, y = 2.0;
      LLDRV_NEW(&lat, &lon, &x, &y, zone, ZONVERT_GEOGRAPHIC_TO_GRID, 1, 1, 2, 12.0f, 30.0f, 5.0f);
      ++misses;
      // The record of zone 1633, if cached, converts as at the start.
      if (rootIndex == 0 && k == 199) {
        double la = refLat, lo = refLon, xx = 0.0, yy = 0.0;
        LLDRV_NEW(&la, &lo, &xx, &yy, 1633, ZONVERT_GEOGRAPHIC_TO_GRID, 1, 1, 1, 0.0f, 0.0f, 0.0f);
        if (xx != refX || yy != refY) Fail("zone 1633 converts differently", call);
      }
    } else if (slot == 6) {
      const double lat = 30.0 + static_cast<double>(k % 13), lon = -90.0;
      switch ((call / 10) % 3) {
        case 0: {
          double x = 0.0, y = 0.0;
          lldrv(lat, lon, &x, &y, pair[0]);
          break;
        }
        case 1:
          lldrv_dbl(lat, lon, pair[1], static_cast<int32_t>(k % 2));
          break;
        default: {
          const char* text = lldrv_str("31.5", "-85.25xyz", pair[0]);
          if (text == nullptr || std::strchr(text, ';') == nullptr) Fail("lldrv_str text", call);
        }
      }
    } else {
      const double* point = kAreaPoints[(k / 100) % 7];
      const double lon = point[0] + 0.001 * static_cast<double>(k % 50);
      const double lat = point[1] + 0.0007 * static_cast<double>(k % 30);
      double outLon = 0.0, outLat = 0.0;
      int32_t status = -1;
      if (slot == 7) {
        Nadcon27To83(lon, lat, &outLon, &outLat, &status);
      } else {
        Nadcon83To27(lon, lat, &outLon, &outLat, &status);
      }
      if (status < 0 || status > 3) {
        Fail("datum shift status out of range", call);
      } else {
        ++statusCounts[status];
      }
    }

    if (call + 1 == kWarmUpCalls) {
      warm = Measure();
      warmTime = std::chrono::steady_clock::now();
    }
  }
  const Usage end = Measure();
  const auto stop = std::chrono::steady_clock::now();

  countMessages();
  NadconClean();
  SetPath(nullptr);
  fs::remove_all(scratch, ec);

  const double seconds = std::chrono::duration<double>(stop - start).count();
  const double warmSeconds = std::chrono::duration<double>(warmTime - start).count();
  std::fprintf(gReport, "calls:        %" PRId64 " (warm-up %" PRId64 " in %.1f s; all in %.1f s)\n",
               calls, kWarmUpCalls, warmSeconds, seconds);
  std::fprintf(gReport,
               "zones beside the pair (cache misses): %" PRId64 "; missing-file messages: %" PRId64
               "\n",
               misses, messages);
  std::fprintf(gReport, "datum status: 0 %" PRId64 ", 1 %" PRId64 ", 2 %" PRId64 ", 3 %" PRId64 "\n",
               statusCounts[0], statusCounts[1], statusCounts[2], statusCounts[3]);
  for (const auto& [label, u] : {std::pair{"after warm-up", warm}, std::pair{"at the end   ", end}}) {
    std::fprintf(gReport,
                 "%s: RSS %ld kB (anonymous %ld kB, files %ld kB), %d descriptors, %d mappings\n",
                 label, u.rssKb, u.anonKb, u.fileKb, u.descriptors, u.mappings);
  }
  if (warm.anonKb < 0 || end.anonKb > warm.anonKb + slackKb) {
    Fail("anonymous resident memory grew", calls);
  }
  if (end.descriptors > warm.descriptors) Fail("open descriptors grew", calls);
  if (end.mappings > warm.mappings) Fail("memory mappings grew", calls);
  if (messages == 0) Fail("no missing-file message was seen: the root without data was not used", calls);
  std::fprintf(gReport, "%s\n", gFailures == 0 ? "soak: PASS" : "soak: FAIL");
  std::fflush(gReport);
  return gFailures == 0 ? 0 : 1;
}

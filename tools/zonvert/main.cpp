// zonvert -- batch conversion of points between geographic coordinates and
// the grid coordinates of a zone, and NAD 27 / NAD 83 datum shifts, through
// the eight exports of libzonvert.
//
// A filter in the Unix manner: points come as arguments, from files or
// from standard input, one per line; every input line gives one output
// line in the same place; lines that cannot be converted are marked with
// '*' and reported on standard error as FILE:LINE: reason.
//
// Exit status: 0 every point converted; 1 some line was not converted or
// the library reported a problem; 2 wrong usage or an input/output error.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.h"
#include "library_host.h"
#include "text_io.h"
#include "zone_catalogue.h"
#include "zonvert.h"

namespace zonvert_tool {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitNotConverted = 1;
constexpr int kExitUsage = 2;

// Default decimals of the written values.
constexpr int kDecimalsGrid = 3;     // millimetres, or thousandths of a foot
constexpr int kDecimalsDegrees = 9;  // about 0.1 mm on the ground
constexpr int kDecimalsSeconds = 5;  // about 0.3 mm on the ground

// Library lines are looked for after every block of this many input lines.
constexpr std::size_t kLinesPerLibraryCheck = 4096;
// The clock is read for the progress line after this many input lines.
constexpr std::size_t kLinesPerProgressCheck = 65536;

const char kMainHelp[] =
    "usage: zonvert COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "Converts points between geographic coordinates and the grid coordinates\n"
    "of a zone, and shifts points between NAD 27 and NAD 83.\n"
    "\n"
    "commands:\n"
    "  to-grid ZONE [INPUT...]          latitude longitude -> easting northing\n"
    "  to-geo ZONE [INPUT...]           easting northing -> latitude longitude\n"
    "  grid-to-grid FROM TO [INPUT...]  easting northing -> easting northing\n"
    "  shift 27to83|83to27 [INPUT...]   latitude longitude -> latitude longitude\n"
    "  zones [TEXT]                     list or search the zone catalogue\n"
    "\n"
    "'zonvert COMMAND --help' describes a command and its options.\n";

const char kPointHelp[] =
    "\n"
    "INPUT is a file, '-' for standard input (the default), or the points\n"
    "themselves as numbers, two per point.  A line holds two numbers\n"
    "separated by blanks or a comma; further columns are passed through,\n"
    "blank lines and lines starting with '#' are copied unchanged.  A line\n"
    "that cannot be converted is written with '*' in place of both numbers\n"
    "and reported on standard error as FILE:LINE: reason.\n";

const char kZoneHelp[] =
    "\n"
    "A ZONE is a zone code (1633, -405) or a name from the zone catalogue:\n"
    "spcs27:0405, spcs83:0405, utm:wgs84:33N, utm:clarke1866:17S, epsg:26745.\n";

const char kGridOptions[] =
    "  -u, --grid-units m|us-ft   grid units (default: US survey feet for\n"
    "                             State Plane 1927 zones, metres otherwise)\n"
    "      --hemisphere north|south   false northing 0 or 10000000 m for UTM\n"
    "                             zones (a name ending in N or S sets it)\n"
    "      --cm DEG               central meridian of zone suffix 61\n"
    "      --merc-lat-ts DEG      latitude of true scale, Mercator (suffix 99)\n"
    "      --merc-cm DEG          central meridian, Mercator (suffix 99)\n";

const char kCommonOptions[] =
    "  -a, --angle-units deg|sec  geographic values in decimal degrees (default)\n"
    "                             or arc-seconds\n"
    "  -d, --decimals N           decimals written (default: 3 for grid values,\n"
    "                             9 for degrees, 5 for arc-seconds)\n"
    "  -o, --output FILE          write to FILE instead of standard output\n"
    "      --root DIR             installation root holding template/\n"
    "  -h, --help                 this text\n";

void PrintHelp(std::string_view command) {
  std::string text;
  if (command == "to-grid") {
    text = std::string("usage: zonvert to-grid ZONE [OPTIONS] [INPUT...]\n\n") +
           "Converts latitude and longitude (positive north and east) to easting\n"
           "and northing in ZONE.\n" + kZoneHelp + kPointHelp + "\noptions:\n" + kGridOptions +
           kCommonOptions;
  } else if (command == "to-geo") {
    text = std::string("usage: zonvert to-geo ZONE [OPTIONS] [INPUT...]\n\n") +
           "Converts easting and northing in ZONE to latitude and longitude.\n" + kZoneHelp +
           kPointHelp + "\noptions:\n" + kGridOptions + kCommonOptions;
  } else if (command == "grid-to-grid") {
    text = std::string("usage: zonvert grid-to-grid FROM TO [OPTIONS] [INPUT...]\n\n") +
           "Converts easting and northing in zone FROM to zone TO through\n"
           "geographic coordinates, with an optional NADCON datum shift between\n"
           "the two zones.\n" + kZoneHelp + kPointHelp + "\noptions:\n" +
           "      --datum 27to83|83to27  shift from NAD 27 to NAD 83, or back, between\n"
           "                             the zones\n"
           "      --from-units m|us-ft   grid units of FROM\n"
           "      --to-units m|us-ft     grid units of TO\n" +
           kGridOptions + kCommonOptions;
  } else if (command == "shift") {
    text = std::string("usage: zonvert shift 27to83|83to27 [OPTIONS] [INPUT...]\n\n") +
           "Shifts latitude and longitude from NAD 27 to NAD 83 (27to83) or back\n"
           "(83to27) with the NADCON grids in ROOT/template.\n" + kPointHelp +
           "\noptions:\n" + kCommonOptions;
  } else if (command == "zones") {
    text = "usage: zonvert zones [OPTIONS] [TEXT]\n\n"
           "Lists the zones of ROOT/template/zones.csv: code, key, family, EPSG\n"
           "code and name.  With TEXT, only the zones whose key, name, family or\n"
           "ellipsoid contains it, or whose code or EPSG code equals it.\n"
           "\noptions:\n"
           "      --root DIR             installation root holding template/\n"
           "  -h, --help                 this text\n";
  } else {
    text = kMainHelp;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "zonvert: %s\n(see 'zonvert --help')\n", message.c_str());
  return kExitUsage;
}

struct Options {
  std::string command;
  std::vector<std::string> operands;
  std::string output;
  std::string root;
  int decimals = -1;
  int32_t gridUnits = -1;  // -1: by zone
  int32_t fromUnits = -1;
  int32_t toUnits = -1;
  int32_t angleUnits = kUnitsMetresOrDegrees;
  int32_t hemisphere = kHemisphereUnset;
  float userCentralMeridian = 0.0f;
  float mercatorTrueScaleLat = 0.0f;
  float mercatorCentralMeridian = 0.0f;
  DatumShift datum = DatumShift::kNone;
  bool help = false;
};

bool ParseGridUnits(std::string_view text, int32_t* units) {
  if (text == "m" || text == "metre" || text == "meter" || text == "metres") {
    *units = kUnitsMetresOrDegrees;
  } else if (text == "us-ft" || text == "ft" || text == "usft" || text == "feet") {
    *units = kUnitsFeetOrSeconds;
  } else {
    return false;
  }
  return true;
}

bool ParseAngle(std::string_view text, float* value) {
  double parsed;
  if (!ParseNumber(text, &parsed)) return false;
  *value = static_cast<float>(parsed);
  return true;
}

bool ParseDatum(std::string_view text, DatumShift* datum) {
  if (text == "27to83") {
    *datum = DatumShift::k27To83;
  } else if (text == "83to27") {
    *datum = DatumShift::k83To27;
  } else {
    return false;
  }
  return true;
}

// An argument that starts with '-' and then a digit or a point is a number
// (a negative coordinate or zone code), not an option.
bool LooksLikeOption(std::string_view arg) {
  if (arg.size() < 2 || arg[0] != '-') return false;
  return !((arg[1] >= '0' && arg[1] <= '9') || arg[1] == '.');
}

// Parses the arguments after the command.  Returns kExitOk or the exit
// status of a usage error.
int ParseOptions(int argc, char** argv, Options* o) {
  bool onlyOperands = false;
  for (int i = 2; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (onlyOperands || !LooksLikeOption(arg)) {
      o->operands.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyOperands = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      o->help = true;
      continue;
    }
    // Options with a value: --name=value, --name value, -x value.
    std::string name(arg);
    std::string value;
    bool haveValue = false;
    const std::size_t equals = name.find('=');
    if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      haveValue = true;
    } else if (name.size() > 2 && name[1] != '-') {  // -d3, -ofile
      value = name.substr(2);
      name = name.substr(0, 2);
      haveValue = true;
    }
    static const char* const kValued[] = {
        "-o", "--output", "-d", "--decimals", "-u", "--grid-units", "--from-units", "--to-units",
        "-a", "--angle-units", "--hemisphere", "--cm", "--merc-lat-ts", "--merc-cm", "--datum",
        "--root"};
    bool known = false;
    for (const char* valued : kValued) known = known || name == valued;
    if (!known) return UsageError("unknown option '" + std::string(arg) + "'");
    if (!haveValue) {
      if (i + 1 >= argc) return UsageError("option '" + name + "' needs a value");
      value = argv[++i];
    }
    bool good = true;
    if (name == "-o" || name == "--output") {
      o->output = value;
    } else if (name == "--root") {
      o->root = value;
    } else if (name == "-d" || name == "--decimals") {
      int32_t decimals;
      good = ParseInt(value, &decimals) && decimals >= 0 &&
             decimals <= static_cast<int32_t>(kMaxDecimals);
      o->decimals = decimals;
    } else if (name == "-u" || name == "--grid-units") {
      good = ParseGridUnits(value, &o->gridUnits);
    } else if (name == "--from-units") {
      good = ParseGridUnits(value, &o->fromUnits);
    } else if (name == "--to-units") {
      good = ParseGridUnits(value, &o->toUnits);
    } else if (name == "-a" || name == "--angle-units") {
      if (value == "deg" || value == "degrees") {
        o->angleUnits = kUnitsMetresOrDegrees;
      } else if (value == "sec" || value == "arcsec" || value == "seconds") {
        o->angleUnits = kUnitsFeetOrSeconds;
      } else {
        good = false;
      }
    } else if (name == "--hemisphere") {
      if (value == "north" || value == "N" || value == "n") {
        o->hemisphere = kHemisphereNorth;
      } else if (value == "south" || value == "S" || value == "s") {
        o->hemisphere = kHemisphereSouth;
      } else {
        good = false;
      }
    } else if (name == "--cm") {
      good = ParseAngle(value, &o->userCentralMeridian);
    } else if (name == "--merc-lat-ts") {
      good = ParseAngle(value, &o->mercatorTrueScaleLat);
    } else if (name == "--merc-cm") {
      good = ParseAngle(value, &o->mercatorCentralMeridian);
    } else if (name == "--datum") {
      good = ParseDatum(value, &o->datum);
    }
    if (!good) return UsageError("bad value '" + value + "' for option '" + name + "'");
  }
  return kExitOk;
}

std::string CataloguePath(const std::string& root) { return root + "/template/zones.csv"; }

std::string RootOf(const Options& o) { return o.root.empty() ? LibraryRoot() : o.root; }

int RunZones(const Options& o) {
  if (o.operands.size() > 1) return UsageError("zones takes at most one search text");
  std::vector<CatalogueEntry> catalogue;
  std::string error;
  if (!LoadCatalogue(CataloguePath(RootOf(o)), &catalogue, &error)) {
    std::fprintf(stderr, "zonvert: %s\n", error.c_str());
    return kExitUsage;
  }
  const std::string_view text = o.operands.empty() ? std::string_view() : o.operands[0];
  OutputBuffer out(STDOUT_FILENO);
  std::size_t shown = 0;
  for (const CatalogueEntry& e : catalogue) {
    if (!MatchesSearch(e, text)) continue;
    std::string epsg = e.epsg;
    if (!e.epsgSouth.empty()) epsg += "/" + e.epsgSouth;
    char line[512];
    const int n = std::snprintf(line, sizeof line, "%6d  %-22s %-6s %-11s %s\n", e.code,
                                e.key.c_str(), e.family.c_str(), epsg.c_str(), e.name.c_str());
    if (n > 0) out.Append(std::string_view(line, std::min<std::size_t>(n, sizeof line - 1)));
    ++shown;
  }
  if (!out.Flush()) return kExitUsage;
  if (shown == 0) {
    std::fprintf(stderr, "zonvert: no zone matches '%s'\n", std::string(text).c_str());
    return kExitNotConverted;
  }
  return kExitOk;
}

// Writes each input line's output line and reports the lines that fail.
class LineConverter {
 public:
  LineConverter(const RunSettings& settings, int decimalsA, int decimalsB, OutputBuffer* out,
                StdoutCapture* capture)
      : s_(settings), decimalsA_(decimalsA), decimalsB_(decimalsB), out_(out),
        capture_(capture), showProgress_(isatty(STDERR_FILENO) == 1) {}

  // Converts one line (without its line feed) of input `name`.
  void Line(const char* name, std::size_t number, std::string_view line) {
    if (IsPassThroughLine(line)) {
      char* p = out_->Reserve(line.size() + 1);
      p = Copy(p, line);
      *p++ = '\n';
      out_->Commit(p);
      return;
    }
    const LineFields f = SplitFields(line);
    double a = 0.0, b = 0.0, outA = 0.0, outB = 0.0;
    const char* reason = nullptr;
    std::string_view badField;
    if (f.first.empty()) {
      reason = "no coordinates";
    } else if (!ParseNumber(f.first, &a)) {
      reason = "not a number";
      badField = f.first;
    } else if (f.second.empty()) {
      reason = "second coordinate missing";
    } else if (!ParseNumber(f.second, &b)) {
      reason = "not a number";
      badField = f.second;
    } else {
      reason = ConvertPoint(s_, a, b, &outA, &outB);
    }

    char* p = out_->Reserve(line.size() + 2 * kMaxFixedWidth + 2);
    p = Copy(p, f.head);
    if (reason == nullptr) {
      p = FormatFixed(p, outA, decimalsA_);
      p = Copy(p, f.separator.empty() ? std::string_view(" ") : f.separator);
      p = FormatFixed(p, outB, decimalsB_);
    } else {
      *p++ = '*';
      p = Copy(p, f.separator.empty() ? std::string_view(" ") : f.separator);
      *p++ = '*';
    }
    p = Copy(p, f.rest);
    *p++ = '\n';
    out_->Commit(p);

    if (reason != nullptr) {
      ++failures_;
      if (badField.empty()) {
        std::fprintf(stderr, "%s:%zu: %s\n", name, number, reason);
      } else {
        const int width = static_cast<int>(std::min<std::size_t>(badField.size(), 40));
        std::fprintf(stderr, "%s:%zu: %s: '%.*s'\n", name, number, reason, width,
                     badField.data());
      }
    }
  }

  // Called after every line: watches for library lines and shows progress.
  void AfterLine(const char* name, std::size_t number) {
    if (number % kLinesPerLibraryCheck == 0) CheckLibrary(name, number);
    if (showProgress_ && number % kLinesPerProgressCheck == 0) Progress(name, number);
  }

  // Called at the end of an input.
  void EndInput(const char* name, std::size_t number) {
    CheckLibrary(name, number);
    if (progressShown_) {
      std::fprintf(stderr, "\r%60s\r", "");
      progressShown_ = false;
    }
    blockStart_ = 1;
  }

  std::size_t failures() const { return failures_; }

 private:
  static char* Copy(char* out, std::string_view text) {
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    return out + text.size();
  }

  // The library prints only when it reads a zone's record, which CheckZone
  // has done before the first line; a line seen here is reported for the
  // block of input lines it came from.
  void CheckLibrary(const char* name, std::size_t number) {
    const std::string printed = capture_->Drain();
    if (!printed.empty()) {
      ++failures_;
      std::size_t start = 0;
      while (start < printed.size()) {
        std::size_t end = printed.find('\n', start);
        if (end == std::string::npos) end = printed.size();
        std::fprintf(stderr, "%s:%zu-%zu: library reported:%.*s\n", name, blockStart_, number,
                     static_cast<int>(end - start), printed.data() + start);
        start = end + 1;
      }
    }
    blockStart_ = number + 1;
  }

  void Progress(const char* name, std::size_t number) {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < std::chrono::seconds(1)) return;
    lastProgress_ = now;
    std::fprintf(stderr, "\rzonvert: %s: %zu lines", name, number);
    progressShown_ = true;
  }

  const RunSettings& s_;
  int decimalsA_;
  int decimalsB_;
  OutputBuffer* out_;
  StdoutCapture* capture_;
  bool showProgress_;
  bool progressShown_ = false;
  std::chrono::steady_clock::time_point lastProgress_ = std::chrono::steady_clock::now();
  std::size_t failures_ = 0;
  std::size_t blockStart_ = 1;
};

// Builds the run's zone: name resolution, hemisphere and grid units.
ZoneUse MakeZone(const std::string& text, const std::vector<CatalogueEntry>& catalogue,
                 const std::string& catalogueError, const Options& o, int32_t unitsOption) {
  ZoneUse zone;
  ZoneName name;
  std::string error;
  if (!IsZoneCode(text) && catalogue.empty() && !catalogueError.empty()) {
    zone.label = text;
    zone.error = "zone '" + text + "': " + catalogueError;
    return zone;
  }
  if (!ResolveZone(text, catalogue, &name, &error)) {
    zone.label = text;
    zone.error = error;
    return zone;
  }
  zone.code = name.code;
  zone.label = name.label;
  zone.hemisphere = name.hemisphere != kHemisphereUnset ? name.hemisphere
                    : o.hemisphere != kHemisphereUnset ? o.hemisphere
                                                       : kHemisphereNorth;
  if (unitsOption >= 0) {
    zone.gridUnits = unitsOption;
  } else if (o.gridUnits >= 0) {
    zone.gridUnits = o.gridUnits;
  } else {
    zone.gridUnits = name.feetByDefault ? kUnitsFeetOrSeconds : kUnitsMetresOrDegrees;
  }
  return zone;
}

int RunPoints(const Options& o) {
  RunSettings s;
  s.angleUnits = o.angleUnits;
  s.userCentralMeridian = o.userCentralMeridian;
  s.mercatorTrueScaleLat = o.mercatorTrueScaleLat;
  s.mercatorCentralMeridian = o.mercatorCentralMeridian;
  std::size_t zoneCount = 0;
  if (o.command == "to-grid") {
    s.operation = Operation::kToGrid;
    zoneCount = 1;
  } else if (o.command == "to-geo") {
    s.operation = Operation::kToGeographic;
    zoneCount = 1;
  } else if (o.command == "grid-to-grid") {
    s.operation = Operation::kGridToGrid;
    zoneCount = 2;
  } else {
    s.operation = Operation::kShift;
    zoneCount = 0;
  }
  if (s.operation == Operation::kShift) {
    if (o.operands.empty()) return UsageError("shift needs a direction: 27to83 or 83to27");
    if (!ParseDatum(o.operands[0], &s.datum)) {
      return UsageError("unknown shift '" + o.operands[0] + "': use 27to83 or 83to27");
    }
  } else {
    if (o.operands.size() < zoneCount) {
      return UsageError(o.command + (zoneCount == 1 ? " needs a zone" : " needs two zones"));
    }
    s.datum = o.datum;
    if (o.datum != DatumShift::kNone && s.operation != Operation::kGridToGrid) {
      return UsageError("--datum belongs to grid-to-grid; use 'zonvert shift' for points");
    }
  }
  const std::size_t firstInput = s.operation == Operation::kShift ? 1 : zoneCount;
  const std::vector<std::string> inputs(o.operands.begin() + firstInput, o.operands.end());

  if (!o.root.empty()) SetPath(o.root.c_str());

  // Zone names need the catalogue; plain zone codes do not.
  std::vector<CatalogueEntry> catalogue;
  std::string catalogueError;
  bool needCatalogue = false;
  for (std::size_t i = 0; i < zoneCount; ++i) needCatalogue |= !IsZoneCode(o.operands[i]);
  if (needCatalogue) LoadCatalogue(CataloguePath(RootOf(o)), &catalogue, &catalogueError);

  if (s.operation == Operation::kToGrid) {
    s.to = MakeZone(o.operands[0], catalogue, catalogueError, o, -1);
  } else if (s.operation == Operation::kToGeographic) {
    s.from = MakeZone(o.operands[0], catalogue, catalogueError, o, -1);
  } else if (s.operation == Operation::kGridToGrid) {
    s.from = MakeZone(o.operands[0], catalogue, catalogueError, o, o.fromUnits);
    s.to = MakeZone(o.operands[1], catalogue, catalogueError, o, o.toUnits);
    if (s.from.error.empty() && s.to.error.empty() && s.from.code == s.to.code &&
        s.from.hemisphere != s.to.hemisphere) {
      // The library keeps one record per zone code, set up for one hemisphere.
      return UsageError("FROM and TO are zone code " + std::to_string(s.from.code) +
                        " in two hemispheres; convert through to-geo and to-grid");
    }
  }

  // Points given as arguments: every operand a number, two per point.
  bool pointsAsArguments = !inputs.empty();
  for (const std::string& input : inputs) {
    double value;
    pointsAsArguments = pointsAsArguments && ParseNumber(input, &value);
  }
  if (pointsAsArguments && inputs.size() % 2 != 0) {
    return UsageError("points as arguments come in pairs of numbers");
  }

  int outputFd = -1;
  if (!o.output.empty()) {
    outputFd = open(o.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (outputFd < 0) {
      std::fprintf(stderr, "zonvert: %s: %s\n", o.output.c_str(), std::strerror(errno));
      return kExitUsage;
    }
  }
  StdoutCapture capture;
  int dataFd = -1;
  std::string error;
  if (!capture.Start(&dataFd, &error)) {
    std::fprintf(stderr, "zonvert: %s\n", error.c_str());
    return kExitUsage;
  }
  if (outputFd < 0) outputFd = dataFd;

  // Load each zone's record once, with the run's settings, and learn
  // whether it converts.  Two zones fill the library's two cache slots, so
  // no later call reads the parameter file again.
  if (s.operation == Operation::kToGeographic || s.operation == Operation::kGridToGrid) {
    if (s.from.error.empty()) CheckZone(s, &capture, &s.from);
    if (!s.from.error.empty()) std::fprintf(stderr, "zonvert: %s\n", s.from.error.c_str());
  }
  if (s.operation == Operation::kToGrid || s.operation == Operation::kGridToGrid) {
    if (s.to.error.empty()) CheckZone(s, &capture, &s.to);
    if (!s.to.error.empty()) std::fprintf(stderr, "zonvert: %s\n", s.to.error.c_str());
  }

  const bool writesGrid = s.operation == Operation::kToGrid ||
                          s.operation == Operation::kGridToGrid;
  int decimals = writesGrid ? kDecimalsGrid
                 : s.angleUnits == kUnitsMetresOrDegrees ? kDecimalsDegrees
                                                         : kDecimalsSeconds;
  if (o.decimals >= 0) decimals = o.decimals;

  int status = kExitOk;
  {
    OutputBuffer out(outputFd);
    LineConverter converter(s, decimals, decimals, &out, &capture);
    if (pointsAsArguments) {
      std::string line;
      for (std::size_t i = 0; i < inputs.size(); i += 2) {
        line = inputs[i] + " " + inputs[i + 1];
        converter.Line("<arguments>", i / 2 + 1, line);
      }
      converter.EndInput("<arguments>", inputs.size() / 2);
    } else {
      std::vector<std::string> names = inputs;
      if (names.empty()) names.emplace_back("-");
      for (const std::string& name : names) {
        const bool isStdin = name == "-";
        const int fd = isStdin ? STDIN_FILENO : open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
          std::fprintf(stderr, "zonvert: %s: %s\n", name.c_str(), std::strerror(errno));
          status = kExitUsage;
          continue;
        }
        const char* label = isStdin ? "<stdin>" : name.c_str();
        LineReader reader(fd);
        std::string_view line;
        bool readFailed = false;
        std::size_t number = 0;
        while (reader.Next(&line, &readFailed)) {
          converter.Line(label, ++number, line);
          converter.AfterLine(label, number);
        }
        converter.EndInput(label, number);
        if (readFailed) {
          std::fprintf(stderr, "zonvert: %s: read error after line %zu\n", label, number);
          status = kExitUsage;
        }
        if (!isStdin) close(fd);
      }
    }
    if (!out.Flush()) {
      std::fprintf(stderr, "zonvert: write error: %s\n", std::strerror(errno));
      status = kExitUsage;
    }
    if (status == kExitOk && converter.failures() > 0) status = kExitNotConverted;
  }
  if (outputFd != dataFd && close(outputFd) != 0) {
    std::fprintf(stderr, "zonvert: %s: %s\n", o.output.c_str(), std::strerror(errno));
    status = kExitUsage;
  }
  return status;
}

int Main(int argc, char** argv) {
  if (argc < 2) {
    PrintHelp("");
    return kExitUsage;
  }
  Options o;
  o.command = argv[1];
  if (o.command == "-h" || o.command == "--help" || o.command == "help") {
    PrintHelp(argc > 2 ? argv[2] : "");
    return kExitOk;
  }
  if (o.command != "to-grid" && o.command != "to-geo" && o.command != "grid-to-grid" &&
      o.command != "shift" && o.command != "zones") {
    return UsageError("unknown command '" + o.command + "'");
  }
  if (const int status = ParseOptions(argc, argv, &o); status != kExitOk) return status;
  if (o.help) {
    PrintHelp(o.command);
    return kExitOk;
  }
  if (o.command == "zones") return RunZones(o);
  return RunPoints(o);
}

}  // namespace
}  // namespace zonvert_tool

int main(int argc, char** argv) { return zonvert_tool::Main(argc, argv); }

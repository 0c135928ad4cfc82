// Parameter records of the zones: the record type, the two-slot cache, the
// parameter-file scan and the installation root.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "interface/conversion.h"

namespace zonvert {

// One record of the parameter file: twenty doubles P0 to P19 whose meaning
// depends on the projection family.
inline constexpr int kZoneParamCount = 20;
struct ZoneParams {
  double p[kZoneParamCount];
};

// The two records used last, keyed by zone code (after the alias lookup).
struct ParamCache {
  ZoneParams activeParams;  // the record the projection routines read
  int32_t activeCode;       // zone code of activeParams
  ZoneParams spareParams;   // the record that was active before
  int32_t spareCode;        // zone code of spareParams
};

// Module-wide; both codes -1 and both records zero at load.
extern ParamCache gParamCache;

// The root text given by SetPath; empty means "derive from the module".
extern std::string gRootPath;

// The record that projection routines read.
inline const ZoneParams& ActiveParams() { return gParamCache.activeParams; }

// Exchanges the active and the spare slot, records and codes.
void SwapCacheSlots();

// LoadZoneParams past a hit on the active slot: a hit on the spare slot
// (swap) or a read of the parameter file.
bool LoadZoneParamsFromSpareOrFile();

// Makes the record of gConversionState.zoneCode active.  Returns true when
// the active record belongs to that zone code (cache hit or record read),
// false when no record could be had: the file could not be opened, or it
// holds no complete record under the file key.  On false the zone code is
// not cached and both previously cached records stay cached.  Inline, so
// that the common case, a hit on the active slot, costs one compare in the
// caller.
inline bool LoadZoneParams() {
  return gConversionState.zoneCode == gParamCache.activeCode || LoadZoneParamsFromSpareOrFile();
}

// The file key of a zone code: for 100-4999 the code less its zone suffix
// (1617 -> 1600), otherwise the code itself.
int32_t FileKeyOf(int32_t zoneCode);

// Outcome of a scan of parameter-file text for one key.
enum class ScanResult {
  kFound,       // a complete record with the key was read into *record
  kKeyAbsent,   // the text ended before a record with the key
  kBadToken,    // a token that is not a number stopped the scan
  kCutShort,    // the text ended inside a record
};

// Scans parameter-file text: records of an integer code and twenty reals,
// separated by any white space (CR included); a Ctrl-Z (code 26) ends the
// text.  Numbers read as fscanf reads them with "%d" and "%lf"
// (NumberScanner), except that a code beyond 32 bits is a bad token.  The
// first record whose code equals `key` is stored in *record; on any other
// outcome *record is left alone.
ScanResult ScanParameterText(std::string_view text, int32_t key, ZoneParams* record);

// The installation root: gRootPath when set, otherwise cut from the module
// file name by CutRootFromModulePath.
std::string ResolveRootDirectory();

// The module-derived root: the file name without its last two path
// components.  Walking back from the last character to the second, the
// separator ('/' or '\\') where the count of separators reaches two ends
// the text; with fewer than two, the name is returned whole.
std::string CutRootFromModulePath(std::string_view moduleFileName);

// The template directory under `root`, with its trailing separator.
std::string TemplateDirectory(const std::string& root);

}  // namespace zonvert

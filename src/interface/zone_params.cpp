// The parameter file con_dos.asc, the two-slot parameter cache, the per-zone
// set-up of the UTM-style blocks, and the installation root.
#include "interface/zone_params.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "interface/conversion.h"
#include "interface/number_scanner.h"
#include "platform/platform.h"
#include "zonvert.h"

namespace zonvert {
namespace {

constexpr char kParameterFileName[] = "con_dos.asc";
constexpr char kEndOfFile = 26;  // Ctrl-Z ends a text file

// Largest file size read in one piece, bytes; larger files are read in blocks.
constexpr long kLargestPresizedFile = 64L * 1024 * 1024;

// Degrees to radians for the central meridian: 1/57.29577951, not pi/180.
constexpr double kDegToRad = 0.017453292520882225;
constexpr double kNorthingSouth = 10000000.0;  // false northing, metres

// Zone blocks of 100 codes that share one record and derive their central
// meridian from the zone suffix.
constexpr int32_t kBlockFirst = 100;
constexpr int32_t kBlockLast = 4999;
constexpr int32_t kSuffixMercator = 99;
constexpr int32_t kSuffixLastUtm = 60;
constexpr int32_t kSuffixUserMeridian = 61;

// Reads the whole file into *text.  False when it cannot be opened or is a
// pipe or a device.  The size known from the start is read in one piece;
// whatever follows it (a file that grows meanwhile, or one whose size
// cannot be told) in blocks.
//
// The file is opened in the C runtime's text mode ("r"): on Windows the
// runtime turns CR LF into LF and ends the file at a Ctrl-Z (so fewer bytes
// than the size arrive); on POSIX systems text mode reads the bytes as they
// are.  The scan treats CR as white space and ends the text at a Ctrl-Z
// itself, so a file written on Windows scans alike on every platform.
bool ReadWholeFile(const std::string& path, std::string* text) {
  // A pipe could hold the call forever and a device could fill the memory:
  // neither is read.
  if (platform::IsPipeOrDevice(path)) return false;
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return false;
  bool complete = true;
  try {
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    std::rewind(file);
    // Only a plausible size is taken on trust: a folder or a device can
    // report any offset as its end.
    if (size > 0 && size <= kLargestPresizedFile) {
      text->resize(static_cast<size_t>(size));
      text->resize(std::fread(text->data(), 1, text->size(), file));
    }
    char buffer[8192];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, count);
  } catch (const std::exception&) {
    // Out of memory (an endless device given as the file): nothing of the
    // file is used, as if it could not be read.
    complete = false;
  }
  std::fclose(file);
  return complete;
}

// Central meridian and false northing of a zone code from 100 to 4999,
// worked out when its record is read.
void SetUpZoneBlock(int32_t zoneCode, ZoneParams* record) {
  if (zoneCode < kBlockFirst || zoneCode > kBlockLast) return;
  const int32_t suffix = zoneCode % 100;
  double centralMeridian;  // degrees
  if (suffix == kSuffixMercator) {
    return;  // the Mercator routine takes its meridian from the settings
  } else if (suffix >= 1 && suffix <= kSuffixLastUtm) {
    centralMeridian = 6.0 * suffix - 183.0;  // UTM zone s: -177, ..., 177
  } else if (suffix == kSuffixUserMeridian) {
    centralMeridian = static_cast<double>(gConversionState.userCentralMeridian);
  } else {
    std::printf(" *** Error: GCON: Illegal CM/zonecode ***\n");
    return;
  }
  record->p[5] = centralMeridian * kDegToRad;
  const int32_t h = gConversionState.hemisphere;
  record->p[7] = (h == 1 || h == 3) ? 0.0 : kNorthingSouth;
}

}  // namespace

void SwapCacheSlots() {
  std::swap(gParamCache.activeParams, gParamCache.spareParams);
  std::swap(gParamCache.activeCode, gParamCache.spareCode);
}

int32_t FileKeyOf(int32_t zoneCode) {
  if (zoneCode >= kBlockFirst && zoneCode <= kBlockLast) return zoneCode - zoneCode % 100;
  return zoneCode;
}

ScanResult ScanParameterText(std::string_view text, int32_t key, ZoneParams* record) {
  const size_t eof = text.find(kEndOfFile);
  if (eof != std::string_view::npos) text = text.substr(0, eof);

  NumberScanner reader(text);
  ZoneParams candidate;
  while (!reader.AtEnd()) {
    int32_t code;
    if (!reader.ReadInt(&code)) return ScanResult::kBadToken;
    // The numbers of other records are read for their syntax only: a
    // number that does not read ends the scan wherever it stands.
    const bool wanted = code == key;
    for (double& value : candidate.p) {
      if (reader.AtEnd()) return ScanResult::kCutShort;
      if (!reader.ReadDouble(wanted ? &value : nullptr)) return ScanResult::kBadToken;
    }
    if (wanted) {
      *record = candidate;
      return ScanResult::kFound;
    }
  }
  return ScanResult::kKeyAbsent;
}

std::string CutRootFromModulePath(std::string_view name) {
  int separators = 0;
  for (size_t i = name.size(); i-- > 1;) {
    if (name[i] == '/' || name[i] == '\\') {
      if (++separators == 2) return std::string(name.substr(0, i));
    }
  }
  return std::string(name);
}

std::string ResolveRootDirectory() {
  if (!gRootPath.empty()) return gRootPath;
  return CutRootFromModulePath(platform::ModuleFileName());
}

std::string TemplateDirectory(const std::string& root) {
  return root + platform::kTemplateSubdirectory;
}

bool LoadZoneParamsFromSpareOrFile() {
  const int32_t zoneCode = gConversionState.zoneCode;
  if (zoneCode == gParamCache.spareCode) {
    SwapCacheSlots();
    return true;
  }

  // Miss: the record used last becomes the spare.  The zone code takes the
  // active slot only once its record has been read, so a failed read leaves
  // both cached records in place and the next call tries the file again.
  SwapCacheSlots();

  const std::string path = TemplateDirectory(ResolveRootDirectory()) + kParameterFileName;
  std::string text;
  if (!ReadWholeFile(path, &text)) {
    const std::string message = "File " + path + " not found! Graphics won't show correctly.";
    platform::ShowMessage("lldrv", message.c_str(), platform::MessageIcon::kNone);
    return false;
  }

  ZoneParams record;
  if (ScanParameterText(text, FileKeyOf(zoneCode), &record) != ScanResult::kFound) {
    if (SelectProjection(zoneCode) != nullptr) {
      std::printf(" *** Error: GCON: no parameters for zone code %d ***\n", zoneCode);
    }
    return false;
  }

  SetUpZoneBlock(zoneCode, &record);
  gParamCache.activeParams = record;
  gParamCache.activeCode = zoneCode;
  return true;
}

}  // namespace zonvert

extern "C" ZONVERT_API void ZONVERT_CALL SetPath(const char* root) {
  zonvert::gRootPath = root != nullptr ? root : "";
}

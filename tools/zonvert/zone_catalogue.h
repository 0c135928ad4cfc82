// The zone catalogue ROOT/template/zones.csv and the readable zone names it
// resolves.
//
// The file is comma-separated text with a header row naming the columns
// code,key,family,name,ellipsoid,epsg,epsg_south,definition; a field may be
// quoted with double quotes ("" inside stands for one quote).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zonvert_tool {

struct CatalogueEntry {
  int32_t code = 0;         // zone code as LLDRV_NEW takes it
  std::string key;          // spcs27:0405, spcs83:0405, utm:wgs84:33, merc:wgs84, eov, ...
  std::string family;       // tmerc, lcc, merc, cass, bonne, eov
  std::string name;         // readable name
  std::string ellipsoid;
  std::string epsg;         // EPSG code (UTM: the northern CRS), or empty
  std::string epsgSouth;    // EPSG code of the southern UTM CRS, or empty
  std::string definition;   // parameter text
};

// Reads a catalogue.  False with a reason in *error when the file cannot be
// read or its header lacks a column.
bool LoadCatalogue(const std::string& path, std::vector<CatalogueEntry>* entries,
                   std::string* error);

// Hemisphere codes of LLDRV_NEW.
constexpr int32_t kHemisphereUnset = 0;
constexpr int32_t kHemisphereNorth = 1;
constexpr int32_t kHemisphereSouth = 2;

// A zone named on the command line.
struct ZoneName {
  int32_t code = 0;
  int32_t hemisphere = kHemisphereUnset;  // set by a name ending in N or S, or an EPSG code
  bool feetByDefault = false;             // State Plane 1927: grid values in US survey feet
  std::string label;                      // how messages name the zone
};

// True when `text` is a plain zone code.
bool IsZoneCode(std::string_view text);

// Resolves a zone code or a readable name (catalogue key, a UTM key with N
// or S, epsg:N).  Numbers in keys compare by value: spcs27:405 finds
// spcs27:0405.  Letters compare without case.  False with a reason in
// *error when the name is not in the catalogue.
bool ResolveZone(std::string_view text, const std::vector<CatalogueEntry>& catalogue,
                 ZoneName* zone, std::string* error);

// True when `entry` matches a search text: part of its key, name, family or
// ellipsoid (without case), or equal to its code or an EPSG code.
bool MatchesSearch(const CatalogueEntry& entry, std::string_view text);

}  // namespace zonvert_tool

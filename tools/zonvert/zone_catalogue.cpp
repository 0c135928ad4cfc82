#include "zone_catalogue.h"

#include <charconv>
#include <fstream>

#include "text_io.h"

namespace zonvert_tool {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string ToLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Lower(c);
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  return ToLower(haystack).find(ToLower(needle)) != std::string::npos;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Splits one CSV record into fields; a quoted field may hold commas and
// doubled quotes.  Records do not span lines.
std::vector<std::string> SplitCsv(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  return fields;
}

// A key made of a text part and a trailing number after the last colon:
// "spcs27:0405" is ("spcs27:", 405).  Keys without such a number compare as
// text.
struct KeyParts {
  std::string_view prefix;
  long number = -1;
};

KeyParts SplitKey(std::string_view key) {
  KeyParts parts{key, -1};
  const std::size_t colon = key.rfind(':');
  if (colon == std::string_view::npos || colon + 1 == key.size()) return parts;
  const std::string_view digits = key.substr(colon + 1);
  for (char c : digits) {
    if (!IsDigit(c)) return parts;
  }
  long value = 0;
  auto [next, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || next != digits.data() + digits.size()) return parts;
  parts.prefix = key.substr(0, colon + 1);
  parts.number = value;
  return parts;
}

bool KeysMatch(std::string_view asked, std::string_view key) {
  const KeyParts a = SplitKey(asked);
  const KeyParts b = SplitKey(key);
  if (a.number >= 0 && b.number >= 0) return a.number == b.number && EqualNoCase(a.prefix, b.prefix);
  return EqualNoCase(asked, key);
}

ZoneName NameOf(const CatalogueEntry& entry, std::string_view asked) {
  ZoneName zone;
  zone.code = entry.code;
  zone.feetByDefault = EqualNoCase(entry.key.substr(0, 7), "spcs27:");
  zone.label = std::string(asked) + " (zone code " + std::to_string(entry.code) + ")";
  return zone;
}

}  // namespace

bool LoadCatalogue(const std::string& path, std::vector<CatalogueEntry>* entries,
                   std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot read the zone catalogue " + path;
    return false;
  }
  std::string line;
  if (!std::getline(file, line)) {
    *error = "the zone catalogue " + path + " is empty";
    return false;
  }
  const std::vector<std::string> header = SplitCsv(line);
  static const char* const kColumns[] = {"code", "key",  "family",     "name",
                                         "ellipsoid", "epsg", "epsg_south", "definition"};
  int column[8];
  for (int k = 0; k < 8; ++k) {
    column[k] = -1;
    for (std::size_t i = 0; i < header.size(); ++i) {
      if (EqualNoCase(header[i], kColumns[k])) column[k] = static_cast<int>(i);
    }
    if (column[k] < 0 && k < 2) {
      *error = "the zone catalogue " + path + " has no column '" + kColumns[k] + "'";
      return false;
    }
  }
  auto field = [&](const std::vector<std::string>& f, int k) -> std::string {
    return (column[k] >= 0 && static_cast<std::size_t>(column[k]) < f.size()) ? f[column[k]] : "";
  };
  while (std::getline(file, line)) {
    if (IsPassThroughLine(line)) continue;
    const std::vector<std::string> f = SplitCsv(line);
    CatalogueEntry entry;
    if (!ParseInt(field(f, 0), &entry.code)) continue;  // not a zone row
    entry.key = field(f, 1);
    entry.family = field(f, 2);
    entry.name = field(f, 3);
    entry.ellipsoid = field(f, 4);
    entry.epsg = field(f, 5);
    entry.epsgSouth = field(f, 6);
    entry.definition = field(f, 7);
    entries->push_back(std::move(entry));
  }
  return true;
}

bool IsZoneCode(std::string_view text) {
  int32_t code;
  return ParseInt(text, &code);
}

bool ResolveZone(std::string_view text, const std::vector<CatalogueEntry>& catalogue,
                 ZoneName* zone, std::string* error) {
  if (ParseInt(text, &zone->code)) {
    zone->hemisphere = kHemisphereUnset;
    zone->feetByDefault = zone->code < 0;  // a negated State Plane 1927 zone number
    zone->label = "zone code " + std::to_string(zone->code);
    return true;
  }
  if (text.size() > 5 && EqualNoCase(text.substr(0, 5), "epsg:")) {
    const std::string_view number = text.substr(5);
    for (const CatalogueEntry& entry : catalogue) {
      if (!entry.epsg.empty() && entry.epsg == number) {
        *zone = NameOf(entry, text);
        if (EqualNoCase(entry.key.substr(0, 4), "utm:")) zone->hemisphere = kHemisphereNorth;
        return true;
      }
      if (!entry.epsgSouth.empty() && entry.epsgSouth == number) {
        *zone = NameOf(entry, text);
        zone->hemisphere = kHemisphereSouth;
        return true;
      }
    }
    *error = "no zone with EPSG code " + std::string(number) + " in the zone catalogue";
    return false;
  }
  for (const CatalogueEntry& entry : catalogue) {
    if (KeysMatch(text, entry.key)) {
      *zone = NameOf(entry, text);
      return true;
    }
  }
  // A UTM key with its hemisphere letter: utm:wgs84:33N, utm:wgs84:33s.
  if (text.size() > 4 && EqualNoCase(text.substr(0, 4), "utm:")) {
    const char letter = Lower(text.back());
    if (letter == 'n' || letter == 's') {
      const std::string_view bare = text.substr(0, text.size() - 1);
      for (const CatalogueEntry& entry : catalogue) {
        if (KeysMatch(bare, entry.key)) {
          *zone = NameOf(entry, text);
          zone->hemisphere = letter == 'n' ? kHemisphereNorth : kHemisphereSouth;
          return true;
        }
      }
    }
  }
  *error = "unknown zone '" + std::string(text) + "' (see 'zonvert zones')";
  return false;
}

bool MatchesSearch(const CatalogueEntry& entry, std::string_view text) {
  if (text.empty()) return true;
  if (std::to_string(entry.code) == text || entry.epsg == text || entry.epsgSouth == text) {
    return true;
  }
  return ContainsNoCase(entry.key, text) || ContainsNoCase(entry.name, text) ||
         ContainsNoCase(entry.family, text) || ContainsNoCase(entry.ellipsoid, text);
}

}  // namespace zonvert_tool

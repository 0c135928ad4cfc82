// Arbitrary bytes as parameter-file text: the scan on its own, then the
// same bytes as ROOT/template/con_dos.asc behind LLDRV_NEW in both
// directions, so every projection routine runs on arbitrary records.
// Results that are not numbers are allowed; crashes, undefined behaviour
// and hangs are not, nor a value written that the call must leave alone.
// A control byte turns the text into its Windows form (every LF as CR LF)
// or appends Ctrl-Z and trailing bytes; the scan must give the same result
// and record for the variant as for the plain text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "zonvert.h"

using namespace zonvert;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::SetMessageSink(&fuzzing::DropMessage);
  FuzzedDataProvider in(data, size);

  const int32_t zone = fuzzing::AnyZone(in);
  const int32_t key = FileKeyOf(ApplyZoneAlias(zone));
  // Half the time the text is led by the zone's key, so that whatever
  // follows is read as that zone's record.
  const bool keyed = in.ConsumeBool();
  const int32_t inputUnits = in.ConsumeIntegralInRange<int32_t>(0, 1);
  const int32_t outputUnits = in.ConsumeIntegralInRange<int32_t>(0, 1);
  const int32_t hemisphere = in.ConsumeIntegralInRange<int32_t>(0, 4);
  const float userMeridian = fuzzing::AnyFloat(in, 400.0f);
  const float trueScaleLat = fuzzing::AnyFloat(in, 100.0f);
  const float mercatorMeridian = fuzzing::AnyFloat(in, 400.0f);
  const double lat = fuzzing::AnyDouble(in, 400000.0);
  const double lon = fuzzing::AnyDouble(in, 800000.0);
  const double x = fuzzing::AnyDouble(in, 1e8);
  const double y = fuzzing::AnyDouble(in, 1e8);
  const int variant = in.ConsumeIntegralInRange<int>(0, 3);

  std::string text = in.ConsumeRemainingBytesAsString();
  if (keyed) text = std::to_string(key) + " " + text;

  ZoneParams record{};
  const ScanResult result = ScanParameterText(text, key, &record);
  const bool found = result == ScanResult::kFound;

  // 1: CR LF line ends; 2: Ctrl-Z and the text once more after it (never
  // read); 0 and 3: the text as it is.
  if (variant == 1 || variant == 2) {
    std::string changed;
    if (variant == 1) {
      for (char c : text) changed += c == '\n' ? std::string("\r\n") : std::string(1, c);
    } else {
      changed = text + '\x1a' + text;
    }
    ZoneParams again{};
    if (ScanParameterText(changed, key, &again) != result ||
        (found && std::memcmp(&again, &record, sizeof record) != 0)) {
      std::abort();
    }
    text = changed;
  }

  fuzzing::WriteTemplateFile("con_dos.asc", text);
  ResetConversionModule();
  SetPath(fuzzing::ScratchRoot().c_str());
  // Without a record, or with a code that selects no routine, all four
  // values come back as they were; a load writes nothing; each direction
  // gives back the two values it reads.
  const bool converts = found && SelectProjection(ApplyZoneAlias(zone)) != nullptr;
  for (int32_t direction : {ZONVERT_GEOGRAPHIC_TO_GRID, ZONVERT_GRID_TO_GEOGRAPHIC,
                            ZONVERT_LOAD_ONLY}) {
    double la = lat, lo = lon, xx = x, yy = y;
    LLDRV_NEW(&la, &lo, &xx, &yy, zone, direction, inputUnits, outputUnits, hemisphere,
              userMeridian, trueScaleLat, mercatorMeridian);
    const bool keepsGeographic = !converts || direction != ZONVERT_GRID_TO_GEOGRAPHIC;
    const bool keepsGrid = !converts || direction != ZONVERT_GEOGRAPHIC_TO_GRID;
    if ((keepsGeographic && (!fuzzing::SameBits(la, lat) || !fuzzing::SameBits(lo, lon))) ||
        (keepsGrid && (!fuzzing::SameBits(xx, x) || !fuzzing::SameBits(yy, y)))) {
      std::abort();
    }
  }
  return 0;
}

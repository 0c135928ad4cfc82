// The module-wide records of the conversion interface, defined and
// initialised in one place.
#include "interface/conversion.h"
#include "interface/zone_params.h"

namespace zonvert {

ConversionState gConversionState{};

ParamCache gParamCache{ZoneParams{}, -1, ZoneParams{}, -1};

std::string gRootPath;

void ResetConversionModule() {
  gConversionState = ConversionState{};
  gParamCache = ParamCache{ZoneParams{}, -1, ZoneParams{}, -1};
  gRootPath.clear();
}

}  // namespace zonvert

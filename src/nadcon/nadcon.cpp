// PLACEHOLDER: the datum shift is not built yet; the exports do nothing.
#include "nadcon/nadcon.h"
#include "zonvert.h"

extern "C" {
ZONVERT_API void ZONVERT_CALL Nadcon27To83(double, double, double*, double*, int32_t*) {}
ZONVERT_API void ZONVERT_CALL Nadcon83To27(double, double, double*, double*, int32_t*) {}
ZONVERT_API void ZONVERT_CALL NadconClean(void) {}
}

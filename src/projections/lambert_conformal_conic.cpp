// PLACEHOLDER: not built yet; converts nothing.
#include "projections/projections.h"

namespace zonvert {

void LambertConformalConic(double* /*x*/, double* /*y*/, double* /*lat*/, double* /*lon*/) {}

}  // namespace zonvert

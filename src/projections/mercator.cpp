// PLACEHOLDER: not built yet; converts nothing.
#include "projections/projections.h"

namespace zonvert {

void Mercator(double* /*x*/, double* /*y*/, double* /*lat*/, double* /*lon*/) {}

void FoldAngle360(double* /*angle*/) {}

}  // namespace zonvert

/* A host of an installed zonvert: converts one point to UTM zone 33 (WGS 84)
 * and back.  The library finds its data under the installation it was
 * loaded from.  Exit 0 when both results are as expected. */
#include <math.h>
#include <stdio.h>

#include "zonvert.h"

int main(void) {
  /* On the central meridian of zone 33 (15 degrees) the easting is the
   * false easting, 500000 m. */
  double lat = 45.0, lon = 15.0, x = 0.0, y = 0.0;
  LLDRV_NEW(&lat, &lon, &x, &y, 1633, ZONVERT_GEOGRAPHIC_TO_GRID, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  double backLat = 0.0, backLon = 0.0;
  LLDRV_NEW(&backLat, &backLon, &x, &y, 1633, ZONVERT_GRID_TO_GEOGRAPHIC, 1, 1, 1, 0.0f, 0.0f,
            0.0f);
  printf("%.3f %.3f %.8f %.8f\n", x, y, backLat, backLon);
  return (x == 500000.0 && fabs(y - 4982950.401) < 0.001 && fabs(backLat - 45.0) < 1e-8 &&
          fabs(backLon - 15.0) < 1e-8)
             ? 0
             : 1;
}

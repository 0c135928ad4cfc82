/* A host program in C: the public header compiles as C and the shared
 * library's exports link and run.  Argument 1 is the folder that holds the
 * test fixtures (its template/con_dos.asc has the WGS 84 block 1600). */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "zonvert.h"

int main(int argc, char **argv) {
  if (argc < 2) return 2;
  SetPath(argv[1]);
  /* Central meridian of UTM zone 33 (15 degrees): x is the false easting. */
  double lat = 45.0, lon = 15.0, x = 0.0, y = 0.0;
  LLDRV_NEW(&lat, &lon, &x, &y, 1633, ZONVERT_GEOGRAPHIC_TO_GRID, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  if (x != 500000.0 || !(fabs(y - 4982950.4) < 1.0)) {
    fprintf(stderr, "LLDRV_NEW: x=%f y=%f\n", x, y);
    return 1;
  }
  double feetX = lldrv_dbl(45.0, 15.0, 1633, 1);
  if (feetX != 500000.0 * 3.28083333) {
    fprintf(stderr, "lldrv_dbl: %f\n", feetX);
    return 1;
  }
  const char *text = lldrv_str("45", "15", 1633);
  if (strncmp(text, "1640416.665000;", 15) != 0) {
    fprintf(stderr, "lldrv_str: %s\n", text);
    return 1;
  }
  int32_t status = -1;
  double outLon = 0.0, outLat = 0.0;
  Nadcon27To83(0.0, 0.0, &outLon, &outLat, &status);
  NadconClean();
  SetPath(NULL);
  return 0;
}

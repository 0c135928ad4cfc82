/* A small host program: converts a few points through the public C
 * interface of libzonvert, from geographic degrees to UTM grid metres and
 * back.  The library finds its data two directories above its own file, so
 * this program runs from the build tree or an installation alike. */
#include <stdio.h>

#include "zonvert.h"

int main(void) {
  static const struct {
    const char *place;
    double lat, lon;
    int32_t zone;
  } points[] = {
      {"Vienna", 48.2082, 16.3738, 1633},   /* WGS 84 block 1600, UTM zone 33 */
      {"Budapest", 47.4979, 19.0402, 1634}, /* UTM zone 34 */
      {"Rome", 41.9028, 12.4964, 1633},
  };
  for (size_t i = 0; i < sizeof points / sizeof points[0]; ++i) {
    double lat = points[i].lat, lon = points[i].lon, x = 0.0, y = 0.0;
    LLDRV_NEW(&lat, &lon, &x, &y, points[i].zone, ZONVERT_GEOGRAPHIC_TO_GRID, 1, 1, 1, 0.0f,
              0.0f, 0.0f);
    double backLat = 0.0, backLon = 0.0;
    LLDRV_NEW(&backLat, &backLon, &x, &y, points[i].zone, ZONVERT_GRID_TO_GEOGRAPHIC, 1, 1, 1,
              0.0f, 0.0f, 0.0f);
    printf("%-9s zone %d  lat %.6f lon %.6f -> E %.3f N %.3f -> lat %.8f lon %.8f\n",
           points[i].place, points[i].zone, lat, lon, x, y, backLat, backLon);
  }
  return 0;
}

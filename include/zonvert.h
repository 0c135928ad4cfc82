/*
 * zonvert.h -- public C interface of the zonvert coordinate-conversion library
 *
 * zonvert converts points between geographic coordinates (latitude,
 * longitude) and the plane grid coordinates of a zone chosen by an integer
 * zone code, and shifts geographic points between NAD 27 and NAD 83 with
 * NADCON grids.  Eight plain C functions form the whole interface.
 *
 * Units.  A unit flag of 0 means grid values in US survey feet (the
 * Cassini-Soldner zones 5201-5299 use a foot of 0.30479973299811614 m) and
 * geographic values in arc-seconds; any nonzero flag means metres and
 * decimal degrees.  Latitude is positive north, longitude positive east.
 *
 * Data.  Projection parameters are read from ROOT/template/con_dos.asc and
 * NADCON grids from ROOT/template/AREA.las and .los.  ROOT is the text given
 * to SetPath or, when none was given, the directory two levels above the
 * library file (for /opt/zonvert/lib/libzonvert.so the root is /opt/zonvert).
 *
 * Threads.  The library keeps module-wide state and no locks: serialise
 * calls that come from several threads.
 */
#ifndef ZONVERT_H
#define ZONVERT_H

#include <stdint.h>

/* Calling convention: cdecl on 32-bit Windows, the platform default
 * elsewhere. */
#if defined(_WIN32) && !defined(_WIN64)
#define ZONVERT_CALL __cdecl
#else
#define ZONVERT_CALL
#endif

/* Symbol visibility: only these eight functions leave the library. */
#if defined(ZONVERT_BUILDING_LIBRARY)
#if defined(_WIN32)
#define ZONVERT_API __declspec(dllexport)
#else
#define ZONVERT_API __attribute__((visibility("default")))
#endif
#else
#define ZONVERT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Direction codes of LLDRV_NEW. */
#define ZONVERT_LOAD_ONLY 1          /* make the zone's record active, convert nothing */
#define ZONVERT_GRID_TO_GEOGRAPHIC 2 /* reads x, y; writes lat, lon */
#define ZONVERT_GEOGRAPHIC_TO_GRID 3 /* reads lat, lon; writes x, y */

/* Status codes of the datum shift. */
#define ZONVERT_NADCON_OK 0          /* shifted */
#define ZONVERT_NADCON_OUTSIDE 1     /* the point (or an estimate) lies in no area */
#define ZONVERT_NADCON_NO_GRID 2     /* the area's grid pair could not be opened or read */
#define ZONVERT_NADCON_NO_CONVERGENCE 3 /* the inverse did not converge in ten passes */

/*
 * LLDRV_NEW -- convert one point of the zone `zone`.
 *
 * lat, lon, x, y   the four coordinates; all four are read on every call.
 *                  Direction 3 writes x and y, direction 2 writes lat and
 *                  lon; the other two values are written back unchanged,
 *                  in the order lat, lon, x, y.  Direction 1 writes nothing.
 *                  Any NULL pointer: the call returns at once, no effect.
 * zone             internal zone code, or a negated US State Plane 1927
 *                  zone number (-101 for zone 101).
 * direction        1 load only, 2 grid to geographic, 3 geographic to grid;
 *                  other values load the record and convert nothing.
 * inputUnits       unit flag of the two values read (see Units above).
 * outputUnits      unit flag of the two values written.
 * hemisphere       1 or 3: false northing 0; other values: 10000000 m
 *                  (zone codes 100-4999, applied when the record is read).
 * userCentralMeridian     degrees; central meridian of zone suffix 61.
 * mercatorTrueScaleLat    degrees; latitude of true scale (suffix 99).
 * mercatorCentralMeridian degrees; central meridian (suffix 99).
 *
 * A zone code that selects no projection, or whose parameters cannot be
 * found, leaves all four values as they were.  A missing parameter file
 * shows the message "File PATH not found! Graphics won't show correctly."
 * (caption "lldrv"); a zone whose record is absent from the file prints
 * " *** Error: GCON: no parameters for zone code N ***" on standard output;
 * an illegal zone suffix (0 or 62-98) prints
 * " *** Error: GCON: Illegal CM/zonecode ***" on standard output.
 */
ZONVERT_API void ZONVERT_CALL LLDRV_NEW(double *lat, double *lon, double *x, double *y,
                                        int32_t zone, int32_t direction, int32_t inputUnits,
                                        int32_t outputUnits, int32_t hemisphere,
                                        float userCentralMeridian, float mercatorTrueScaleLat,
                                        float mercatorCentralMeridian);

/*
 * lldrv -- decimal degrees to grid US survey feet for zone `zone`
 * (direction 3, hemisphere 1, suffix-61 meridian 100 degrees, Mercator
 * true scale and central meridian 0).  Stores the grid values through x and
 * y (0.0 when the zone converts nothing; a NULL pointer skips its store),
 * writes the trace line "X=%f Y=%f LAT=%f LON=%f\n" on standard output and
 * returns its length in characters (negative if the output failed).
 */
ZONVERT_API int32_t ZONVERT_CALL lldrv(double lat, double lon, double *x, double *y,
                                       int32_t zone);

/*
 * lldrv_dbl -- as lldrv; returns the grid x in feet when `which` is 1 and
 * the grid y for every other value.  Writes the trace line.
 */
ZONVERT_API double ZONVERT_CALL lldrv_dbl(double lat, double lon, int32_t zone, int32_t which);

/*
 * lldrv_str -- as lldrv, with latitude and longitude given as decimal text
 * (leading blanks skipped, the longest leading number taken, the rest
 * ignored; no number or NULL reads as 0.0).  Returns "X;Y" with six
 * decimals each ("%f;%f").  The text lives in a library buffer that the
 * next call of lldrv_str overwrites.  Writes the trace line.
 */
ZONVERT_API const char *ZONVERT_CALL lldrv_str(const char *latText, const char *lonText,
                                               int32_t zone);

/*
 * SetPath -- set the installation root (the directory that holds
 * `template`).  The text is kept as given, of any length; "" or NULL
 * returns to the root derived from the library's own location.  Cached
 * zone records stay in use; the root applies from the next file access.
 */
ZONVERT_API void ZONVERT_CALL SetPath(const char *root);

/*
 * Nadcon27To83 -- shift a NAD 27 point (decimal degrees, longitude
 * positive east) to NAD 83 by bilinear interpolation in the NADCON grids.
 * status: 0 shifted; 1 outside every area (outputs untouched); 2 the
 * area's grid files could not be opened or read (outputs untouched).
 * Any NULL pointer: returns at once with no effect.
 */
ZONVERT_API void ZONVERT_CALL Nadcon27To83(double lon, double lat, double *outLon,
                                           double *outLat, int32_t *status);

/*
 * Nadcon83To27 -- the inverse shift, NAD 83 to NAD 27, by iteration of the
 * forward step (at most ten passes, 1e-9 degrees on each axis).
 * status: 0 shifted; 1 an estimate left every area; 2 grid files could not
 * be opened or read; 3 no convergence.  On every status other than 0 the
 * outputs receive the input unchanged.  Any NULL pointer: no effect.
 */
ZONVERT_API void ZONVERT_CALL Nadcon83To27(double lon, double lat, double *outLon,
                                           double *outLat, int32_t *status);

/*
 * NadconClean -- close the open grid files and forget every grid header;
 * the next shift reads the headers again.
 */
ZONVERT_API void ZONVERT_CALL NadconClean(void);

#ifdef __cplusplus
}
#endif

#endif /* ZONVERT_H */

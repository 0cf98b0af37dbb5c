// Geographic to Universal Transverse Mercator coordinates on one of 23 reference ellipsoids.
//
// The forward projection is the Transverse Mercator series of the USGS map-projection manual
// (Snyder, "Map Projections: A Working Manual") as used for UTM: scale factor 0.9996
// on the central meridian, false easting 500000 m, false northing 10000000 m south of the
// equator, 6-degree zones with the Norway (32V) and Svalbard (31X, 33X, 35X, 37X) exceptions.
//
// Accuracy, against the exact projection: within 1.5 mm over each zone, the 6 degrees of
// longitude that the Norway and Svalbard zones reach from their central meridians included (the
// meridian arc truncated after e^6, the easting after A^5 and the northing after A^6). The
// largest differences, a little over 1 mm, come with the most eccentric ellipsoid, Clarke 1880.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "numerics/xmatdefs.h"

struct TEllipsoidRec {
  int32_t id;
  std::string nombre;
  NReal radioEcuatorial;  // m
  NReal excentricidad2;   // first eccentricity squared
};

// Number of ellipsoids of TEllipsoid; the last one, 23, is WGS-84.
inline constexpr int32_t kNumElipsoides = 23;
inline constexpr int32_t kElipsoideWGS84 = 23;

// The 23 reference ellipsoids, indexed 1..23 (element 0 is unused and has id 0).
extern const std::array<TEllipsoidRec, kNumElipsoides + 1> TEllipsoid;

// The UTM latitude band letter for a latitude in degrees: 8-degree bands from -80 lettered
// "CDEFGHJKLMNPQRSTUVWX" (no I, no O), band X covering 72 to 84 with both ends. '?' outside
// [-80, 84] and for NaN.
char LetraBandaUTM(NReal latitud);

// xe the easting and yn the northing (m), zona the band letter and huso the zone number of the
// position latitud, longitud (degrees, north and east positive) on ellipsoid `elipsoide`
// (1..23). Longitudes are taken modulo 360 into [-180, 180): 180 is -180, zone 1.
// Raises EErrorGeneral "Elipsoide fuera de rango: " + n for an ellipsoid outside 1..23, and
// "Coordenadas geográficas no válidas: latitud " + lat + ", longitud " + lon when the latitude is
// outside [-90, 90] or either value is not finite. Latitudes outside the UTM bands (beyond 84 N
// or 80 S) are still projected, with zona '?'.
void LatLonAUTM(NReal& xe, NReal& yn, char& zona, int32_t& huso, int32_t elipsoide, NReal latitud,
                NReal longitud);

// Geographic to UTM conversion: band letters, zones with their exceptions, and coordinates
// against the Krueger series (tests/tools/utm_kruger_ref.py) and a textbook example.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "numerics/ugeoutm.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

struct Utm {
  double xe = 0, yn = 0;
  char zona = 0;
  int32_t huso = 0;
};

Utm Convertir(double lat, double lon, int32_t elipsoide = kElipsoideWGS84) {
  Utm u;
  LatLonAUTM(u.xe, u.yn, u.zona, u.huso, elipsoide, lat, lon);
  return u;
}

TEST(LetraBandaUTM, BordesDeLasBandas) {
  struct Caso {
    double lat;
    char letra;
  };
  const double kNaN = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Caso> casos = {
      {-80, 'C'},   {-72.1, 'C'}, {-72, 'D'},   {-0.5, 'M'}, {0, 'N'},    {-0.0, 'N'},
      {7.999, 'N'}, {8, 'P'},     {55.9, 'U'},  {56, 'V'},   {71.9, 'W'}, {72, 'X'},
      {84, 'X'},    {84.1, '?'},  {-80.1, '?'}, {90, '?'},   {-90, '?'},  {kNaN, '?'},
  };
  for (const Caso& c : casos) EXPECT_EQ(LetraBandaUTM(c.lat), c.letra) << c.lat;
  // Every band in order, one latitude in the middle of each.
  const std::string letras = "CDEFGHJKLMNPQRSTUVWX";
  for (size_t i = 0; i < letras.size(); ++i) {
    EXPECT_EQ(LetraBandaUTM(-76 + 8.0 * static_cast<double>(i)), letras[i]) << i;
  }
}

TEST(LatLonAUTM, Elipsoides) {
  ASSERT_EQ(TEllipsoid.size(), 24u);
  for (int32_t i = 1; i <= kNumElipsoides; ++i) EXPECT_EQ(TEllipsoid[i].id, i);
  EXPECT_EQ(TEllipsoid[4].nombre, "Bessel 1841 (Nambia)");
  EXPECT_EQ(TEllipsoid[23].nombre, "WGS-84");
  EXPECT_EQ(TEllipsoid[23].radioEcuatorial, 6378137.0);
  EXPECT_EQ(TEllipsoid[23].excentricidad2, 0.00669438);
  EXPECT_EQ(TEllipsoid[11].radioEcuatorial, TEllipsoid[23].radioEcuatorial);
  EXPECT_EQ(TEllipsoid[11].excentricidad2, TEllipsoid[23].excentricidad2);
}

TEST(LatLonAUTM, Husos) {
  struct Caso {
    double lat, lon;
    int32_t huso;
    char zona;
  };
  const std::vector<Caso> casos = {
      {0, 3, 31, 'N'},
      {0, -180, 1, 'N'},
      {0, 180, 1, 'N'},  // 180 is -180
      {0, 179.999, 60, 'N'},
      {0, 540, 1, 'N'},    // a whole turn more than 180
      {0, -186, 60, 'N'},  // below -180, one zone back across the antimeridian
      {0, 0, 31, 'N'},
      {0, -0.0001, 30, 'N'},
      {-34.5, -56.78, 21, 'H'},
      // Norway: 56 <= lat < 64 and 3 <= lon < 12 is zone 32.
      {60, 5, 32, 'V'},
      {60, 2.999, 31, 'V'},
      {60, 3, 32, 'V'},
      {60, 12, 33, 'V'},
      {55.999, 5, 31, 'U'},
      {64, 5, 31, 'W'},
      // Svalbard: 72 <= lat < 84.
      {75, 10, 33, 'X'},
      {75, 8.999, 31, 'X'},
      {75, 0, 31, 'X'},
      {75, 20.999, 33, 'X'},
      {75, 21, 35, 'X'},
      {75, 33, 37, 'X'},
      {75, 41.999, 37, 'X'},
      {75, 42, 38, 'X'},  // keeps its computed zone
      {75, -1, 30, 'X'},
      {71.999, 10, 32, 'W'},
      {84, 10, 32, 'X'},  // band X includes 84, the exception does not
      {85, 10, 32, '?'},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(::testing::Message() << c.lat << ", " << c.lon);
    const Utm u = Convertir(c.lat, c.lon);
    EXPECT_EQ(u.huso, c.huso);
    EXPECT_EQ(u.zona, c.zona);
  }
}

TEST(LatLonAUTM, EcuadorYMeridianoCentral) {
  const Utm u = Convertir(0, 3);
  EXPECT_EQ(u.xe, 500000.0);
  EXPECT_EQ(u.yn, 0.0);
  // Exactly 0 latitude adds no false northing; the smallest southern latitude does.
  EXPECT_EQ(Convertir(-0.0, 3).yn, 0.0);
  EXPECT_NEAR(Convertir(-1e-9, 3).yn, 1e7, 1e-3);
  // On the equator the northing is 0 at any longitude, and the easting is odd about the
  // central meridian.
  const Utm oeste = Convertir(0, 1), este = Convertir(0, 5);
  EXPECT_EQ(oeste.yn, 0.0);
  EXPECT_NEAR(oeste.xe - 500000, -(este.xe - 500000), 1e-6);
  // The two hemispheres mirror each other: yn(-lat) = 1e7 - yn(lat).
  const Utm n = Convertir(34.5, -55), s = Convertir(-34.5, -55);
  EXPECT_NEAR(s.yn, 1e7 - n.yn, 1e-6);
  EXPECT_NEAR(s.xe, n.xe, 1e-6);
}

// Snyder, Map Projections: A Working Manual (USGS Professional Paper 1395), the worked UTM
// example: Clarke 1866 (a = 6378206.4 m, e2 = 0.00676866), 40 deg 30' N, 73 deg 30' W, central
// meridian 75 W: x = 127106.5 m, y = 4484124.4 m. The table's Clarke 1866 has a = 6378206 m;
// every term is proportional to a, so the book's values scale by 6378206 / 6378206.4
// (y 0.28 m less, x 0.008 m less; the difference of e2 moves neither by 1 mm).
TEST(LatLonAUTM, EjemploDelManualUSGS) {
  const Utm u = Convertir(40.5, -73.5, 5);
  const double escala = 6378206.0 / 6378206.4;
  EXPECT_EQ(u.huso, 18);
  EXPECT_EQ(u.zona, 'T');
  EXPECT_NEAR(u.xe, 500000 + 127106.5 * escala, 0.051);  // the book rounds to 0.1 m
  EXPECT_NEAR(u.yn, 4484124.4 * escala, 0.051);
}

TEST(LatLonAUTM, ContraLaSerieDeKrueger) {
  std::ifstream f(std::string(AERONDA_FIXTURES) + "/utm_kruger_ref.txt");
  ASSERT_TRUE(f.is_open());
  std::string linea;
  int filas = 0;
  while (std::getline(f, linea)) {
    std::istringstream s(linea);
    int32_t elipsoide, huso;
    double lat, lon, xe, yn;
    char zona;
    ASSERT_TRUE(s >> elipsoide >> lat >> lon >> huso >> zona >> xe >> yn) << linea;
    ++filas;
    SCOPED_TRACE(linea);
    const Utm u = Convertir(lat, lon, elipsoide);
    EXPECT_EQ(u.huso, huso);
    EXPECT_EQ(u.zona, zona);
    // The series stays within 1.5 mm of the exact projection, the 6 degrees of the Norway and
    // Svalbard zones included: a little over 1 mm at worst, on Clarke 1880; the fixture rounds
    // to 0.05 mm. The smallest term of the meridian arc (35e^6/3072 sin 6phi) is worth 2 cm.
    const double tol = 0.0015;
    EXPECT_NEAR(u.xe, xe, tol);
    EXPECT_NEAR(u.yn, yn, tol);
  }
  EXPECT_GE(filas, 40);
}

TEST(LatLonAUTM, Errores) {
  // The message's numbers follow the settings in force: the C locale's here.
  const TFormatSettings antes = FormatSettings();
  FormatSettings() = FormatoDeLocale("C");
  const double kNaN = std::numeric_limits<double>::quiet_NaN();
  const double kInf = std::numeric_limits<double>::infinity();
  double xe = -1, yn = -1;
  char zona = '-';
  int32_t huso = -1;
  EXPECT_THROW_MSG(LatLonAUTM(xe, yn, zona, huso, 0, 10, 10), EErrorGeneral,
                   "Elipsoide fuera de rango: 0");
  EXPECT_THROW_MSG(LatLonAUTM(xe, yn, zona, huso, 24, 10, 10), EErrorGeneral,
                   "Elipsoide fuera de rango: 24");
  EXPECT_THROW_MSG(LatLonAUTM(xe, yn, zona, huso, 23, 90.5, 10), EErrorGeneral,
                   "Coordenadas geográficas no válidas: latitud 90.5, longitud 10");
  FormatSettings() = antes;
  EXPECT_THROW(LatLonAUTM(xe, yn, zona, huso, 23, kNaN, 10), EErrorGeneral);
  EXPECT_THROW(LatLonAUTM(xe, yn, zona, huso, 23, 10, kInf), EErrorGeneral);
  EXPECT_THROW(LatLonAUTM(xe, yn, zona, huso, 23, 10, kNaN), EErrorGeneral);
  // Nothing was written.
  EXPECT_EQ(xe, -1);
  EXPECT_EQ(huso, -1);
  EXPECT_EQ(zona, '-');
  // The poles are still projected (outside the bands).
  EXPECT_EQ(Convertir(90, 0).zona, '?');
  EXPECT_TRUE(std::isfinite(Convertir(-90, 0).yn));
}

}  // namespace

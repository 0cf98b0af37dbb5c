#include "numerics/ugeoutm.h"

#include <cmath>
#include <numbers>

#include "platform/errores.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"

const std::array<TEllipsoidRec, kNumElipsoides + 1> TEllipsoid = {{
    {0, "", 0, 0},
    {1, "Airy", 6377563, 0.00667054},
    {2, "Australian National", 6378160, 0.006694542},
    {3, "Bessel 1841", 6377397, 0.006674372},
    {4, "Bessel 1841 (Nambia)", 6377484, 0.006674372},
    {5, "Clarke 1866", 6378206, 0.006768658},
    {6, "Clarke 1880", 6378249, 0.006803511},
    {7, "Everest", 6377276, 0.006637847},
    {8, "Fischer 1960 (Mercury)", 6378166, 0.006693422},
    {9, "Fischer 1968", 6378150, 0.006693422},
    {10, "GRS 1967", 6378160, 0.006694605},
    {11, "GRS 1980", 6378137, 0.00669438},
    {12, "Helmert 1906", 6378200, 0.006693422},
    {13, "Hough", 6378270, 0.00672267},
    {14, "International", 6378388, 0.00672267},
    {15, "Krassovsky", 6378245, 0.006693422},
    {16, "Modified Airy", 6377340, 0.00667054},
    {17, "Modified Everest", 6377304, 0.006637847},
    {18, "Modified Fischer 1960", 6378155, 0.006693422},
    {19, "South American 1969", 6378160, 0.006694542},
    {20, "WGS 60", 6378165, 0.006693422},
    {21, "WGS 66", 6378145, 0.006694542},
    {22, "WGS-72", 6378135, 0.006694318},
    {23, "WGS-84", 6378137, 0.00669438},
}};

char LetraBandaUTM(NReal latitud) {
  if (!(latitud >= -80 && latitud <= 84)) return '?';
  const int64_t k = Trunc((latitud + 80) * 0.125) + 1;
  if (k >= 20) return 'X';
  static constexpr char kLetras[] = "CDEFGHJKLMNPQRSTUVWX";
  return kLetras[k - 1];
}

void LatLonAUTM(NReal& xe, NReal& yn, char& zona, int32_t& huso, int32_t elipsoide, NReal latitud,
                NReal longitud) {
  if (elipsoide < 1 || elipsoide > kNumElipsoides) {
    throw EErrorGeneral("Elipsoide fuera de rango: " + IntToStr(elipsoide));
  }
  if (!(std::isfinite(longitud) && latitud >= -90 && latitud <= 90)) {
    throw EErrorGeneral("Coordenadas geográficas no válidas: latitud " + FloatToStr(latitud) +
                        ", longitud " + FloatToStr(longitud));
  }
  const NReal a = TEllipsoid[static_cast<size_t>(elipsoide)].radioEcuatorial;
  const NReal e2 = TEllipsoid[static_cast<size_t>(elipsoide)].excentricidad2;
  constexpr NReal k0 = 0.9996;
  constexpr NReal deg = std::numbers::pi / 180;

  // Longitude into [-180, 180). The whole turns are counted with floor rather than a truncation
  // towards zero: both agree from -180 upwards, and below -180 the truncation would leave the
  // longitude out of range and give zone numbers below 1.
  const NReal lon = (longitud + 180) - 360 * std::floor((longitud + 180) / 360) - 180;
  const NReal phi = latitud * deg;
  const NReal lambda = lon * deg;

  huso = static_cast<int32_t>(Trunc((lon + 180) / 6)) + 1;
  if (latitud >= 56 && latitud < 64 && lon >= 3 && lon < 12) huso = 32;  // south-west Norway
  if (latitud >= 72 && latitud < 84) {                                   // Svalbard
    if (lon >= 0 && lon < 9) {
      huso = 31;
    } else if (lon >= 9 && lon < 21) {
      huso = 33;
    } else if (lon >= 21 && lon < 33) {
      huso = 35;
    } else if (lon >= 33 && lon < 42) {
      huso = 37;
    }
  }
  const NReal lambda0 = ((huso - 1) * 6 - 180 + 3) * deg;
  zona = LetraBandaUTM(latitud);

  const NReal ep2 = e2 / (1 - e2);
  const NReal s = std::sin(phi);
  const NReal c = std::cos(phi);
  const NReal t = std::tan(phi);
  const NReal N = a / std::sqrt(1 - e2 * s * s);
  const NReal T = t * t;
  const NReal C = ep2 * c * c;
  const NReal A = c * (lambda - lambda0);
  const NReal e4 = e2 * e2;
  const NReal e6 = e4 * e2;
  // Meridian arc from the equator to phi.
  const NReal M = a * ((1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256) * phi -
                       (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * std::sin(2 * phi) +
                       (15 * e4 / 256 + 45 * e6 / 1024) * std::sin(4 * phi) -
                       (35 * e6 / 3072) * std::sin(6 * phi));
  const NReal A2 = A * A;
  const NReal A3 = A2 * A;
  const NReal A4 = A2 * A2;
  const NReal A5 = A4 * A;
  const NReal A6 = A3 * A3;

  xe = k0 * N * (A + (1 - T + C) * A3 / 6 + (5 - 18 * T + T * T + 72 * C - 58 * ep2) * A5 / 120) +
       500000;
  yn = k0 * (M + N * t *
                     (A2 / 2 + (5 - T + 9 * C + 4 * C * C) * A4 / 24 +
                      (61 - 58 * T + T * T + 600 * C - 330 * ep2) * A6 / 720));
  if (latitud < 0) yn += 10000000;
}

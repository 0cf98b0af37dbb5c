#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "estimator/ufisicaviento.h"
#include "platform/errores.h"
#include "platform/fechas.h"
#include "platform/rtltexto.h"
#include "utiles_mt.h"

namespace {

std::vector<std::vector<std::string>> LeerReferencia() {
  std::ifstream f(FixtureMT("fisicaviento_ref.txt"));
  std::vector<std::vector<std::string>> filas;
  std::string linea;
  while (std::getline(f, linea)) {
    std::vector<std::string> campos;
    std::stringstream ss(linea);
    std::string c;
    while (std::getline(ss, c, '\t')) campos.push_back(c);
    filas.push_back(campos);
  }
  return filas;
}

void ExpectRelativo(double esperado, double obtenido, double tol, const std::string& que) {
  EXPECT_NEAR(obtenido, esperado, tol * std::max(1.0, std::fabs(esperado))) << que;
}

}  // namespace

// Every formula against the values the reference script computed with python's math.
TEST(FisicaViento, FormulasContraReferencia) {
  const auto filas = LeerReferencia();
  ASSERT_GT(filas.size(), 300u);
  int vistos = 0;
  for (const auto& c : filas) {
    const std::string linea = c[0] + " " + c[1] + " " + c[2];
    if (c[0] == "dpv") {
      EXPECT_EQ(DensidadPotenciaViento(TextoAReal(c[1]), TextoAReal(c[2])), TextoAReal(c[3]))
          << linea;
    } else if (c[0] == "vel") {
      ExpectRelativo(TextoAReal(c[3]),
                     VelocidadDeDensidadPotencia(TextoAReal(c[1]), TextoAReal(c[2])), 1e-14, linea);
    } else if (c[0] == "rho") {
      ExpectRelativo(TextoAReal(c[4]),
                     DensidadAire(TextoAReal(c[1]), TextoAReal(c[2]), TextoAReal(c[3])), 1e-15,
                     linea);
    } else if (c[0] == "sello") {
      // Sample times are built as start + k * step, with their rounding error.
      const TDateTime d = EncodeDate(2016, 3, 5) + StrToInt(c[1]) * (10.0 / 1440.0);
      EXPECT_EQ(SelloFechaHora(d), c[2]) << "k=" << c[1];
    }
    ++vistos;
  }
  EXPECT_EQ(vistos, static_cast<int>(filas.size()));
}

TEST(FisicaViento, ValoresCaracteristicos) {
  EXPECT_DOUBLE_EQ(DensidadPotenciaViento(10, 1.225), 0.0006125);
  EXPECT_NEAR(VelocidadDeDensidadPotencia(0.0006125, 1.225), 10.0, 1e-14);
  EXPECT_DOUBLE_EQ(DensidadPotenciaViento(-2, 1.225), -4.9e-6);
  EXPECT_EQ(VelocidadDeDensidadPotencia(0, 1.18), 0.0);
  EXPECT_EQ(DensidadRelativaAire(1.225), 1.0);
  EXPECT_EQ(NormaPunto({3, 4}), 5.0);
  // Round trip speed -> density -> speed over the usual range.
  for (double v = 0.5; v < 30; v += 0.37)
    EXPECT_NEAR(VelocidadDeDensidadPotencia(DensidadPotenciaViento(v, 1.1), 1.1), v, 1e-13 * v);
}

// The original's power function raised on a negative base; exp(log(x)) would give NaN and let
// it into the grid.
TEST(FisicaViento, VelocidadDeDensidadNegativaONanLanza) {
  for (double p : {-4.9e-6, -1e-300, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_THROW_MSG(VelocidadDeDensidadPotencia(p, 1.225), EErrorGeneral,
                     "Operación de punto flotante inválida");
}

TEST(FisicaViento, DensidadAireBandaYNaN) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(DensidadAire(nan, 1013, 50), 1.18);
  EXPECT_EQ(DensidadAire(15, nan, 50), 1.18);
  EXPECT_EQ(DensidadAire(15, 1013, nan), 1.18);
  // The bounds themselves are kept. With t = 0 and hr = 0 the density is 0.34848 pr / 273.16:
  // look, a few ulps around pr = bound * 273.16 / 0.34848, for a pressure that lands exactly on
  // the bound, and for one whose density is the next double outside it.
  for (double cota : {1.1, 1.3}) {
    const double afuera = std::nextafter(cota, cota < 1.2 ? 0.0 : 2.0);
    bool enCota = false, fuera = false;
    double pr = std::nextafter(cota * 273.16 / 0.34848, 0.0);
    for (int k = 0; k < 400; ++k, pr = std::nextafter(pr, 0.0)) {
      for (double q : {pr, cota * 273.16 / 0.34848 * 2 - pr}) {
        const double r = 0.34848 * q / 273.16;
        if (r == cota && !enCota) {
          EXPECT_EQ(DensidadAire(0, q, 0), cota);
          enCota = true;
        }
        if (r == afuera && !fuera) {
          EXPECT_EQ(DensidadAire(0, q, 0), 1.18);
          fuera = true;
        }
      }
    }
    EXPECT_TRUE(enCota && fuera) << cota;
  }
}

TEST(FisicaViento, RellenarConCeros) {
  struct Caso {
    const char* s;
    int ancho;
    const char* esperado;
  } casos[] = {{"7", 2, "07"},     {"123", 2, "123"}, {"-5", 2, "-5"}, {"", 2, "00"},
               {"12", 5, "00012"}, {"x", 0, "x"},     {"x", -3, "x"}};
  for (const auto& c : casos) EXPECT_EQ(RellenarConCeros(c.s, c.ancho), c.esperado) << c.s;
  EXPECT_EQ(DosDigitos("9"), "09");
}

TEST(FisicaViento, SelloFechaHora) {
  const TDateTime dia = EncodeDate(2016, 3, 5);
  struct Caso {
    TDateTime d;
    const char* sello;
  } casos[] = {
      {dia, "20160305"},
      {dia + EncodeTime(0, 0, 30, 0), "20160305"},
      {dia + EncodeTime(13, 7, 59, 0), "201603051307"},
      {dia + EncodeTime(0, 5, 0, 0), "201603050005"},
      // 1 ms before a whole minute stays in the earlier minute...
      {dia + EncodeTime(13, 6, 59, 999), "201603051306"},
      // ...but 0.1 ms before it rounds up into the minute (13:06:59.9999 -> 13:07).
      {dia + (13 * 3600 + 7 * 60 - 0.0001) / 86400.0, "201603051307"},
      // 23:59:59.9996 rounds to the next midnight.
      {dia + (86400 - 0.0004) / 86400.0, "20160306"},
      {EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 0, 0), "199912312359"},
  };
  for (const auto& c : casos) EXPECT_EQ(SelloFechaHora(c.d), c.sello) << c.sello;
}

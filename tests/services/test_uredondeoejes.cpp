// Axis scaling: floor and ceiling, base-10 log and power, and the nice-number steps against
// hand-worked cases and against the reference table of tests/tools/redondeo_ejes_ref.py.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/errores.h"
#include "services/uredondeoejes.h"

namespace {

double Hex(const std::string& s) {
  // from_chars takes no "0x" and no sign in hex form: both are handled here.
  const bool negativo = !s.empty() && s[0] == '-';
  const std::string cuerpo = s.substr(negativo ? 3 : 2);
  double v = 0;
  const auto r =
      std::from_chars(cuerpo.data(), cuerpo.data() + cuerpo.size(), v, std::chars_format::hex);
  EXPECT_EQ(r.ec, std::errc()) << s;
  return negativo ? -v : v;
}

int32_t Entero(const std::string& s) {
  int32_t v = 0;
  EXPECT_EQ(std::from_chars(s.data(), s.data() + s.size(), v).ec, std::errc()) << s;
  return v;
}

}  // namespace

TEST(RedondeoEjes, PisoYTecho) {
  struct Caso {
    double x;
    int64_t piso, techo;
  };
  const Caso casos[] = {{2.5, 2, 3},
                        {-2.5, -3, -2},
                        {3.0, 3, 3},
                        {-3.0, -3, -3},
                        {0.0, 0, 0},
                        {-0.0, 0, 0},
                        {1e-300, 0, 1},
                        {-1e-300, -1, 0},
                        {0.999999999999, 0, 1},
                        {-7.0000001, -8, -7},
                        {4.5e15, 4500000000000000, 4500000000000000}};
  for (const Caso& c : casos) {
    EXPECT_EQ(PisoEntero(c.x), c.piso) << c.x;
    EXPECT_EQ(TechoEntero(c.x), c.techo) << c.x;
  }
  EXPECT_THROW(PisoEntero(NAN), EErrorGeneral);
  EXPECT_THROW(TechoEntero(1e300), EErrorGeneral);
}

TEST(RedondeoEjes, LogaritmoYPotencia) {
  EXPECT_EQ(LnDiez, std::log(10.0));
  EXPECT_EQ(LogDiez(10), 1.0);
  EXPECT_NEAR(LogDiez(1000), 3.0, 1e-15);
  EXPECT_NEAR(PotenciaDiez(2), 100.0, 1e-13);
  EXPECT_NEAR(PotenciaDiez(-3), 1e-3, 1e-18);
  // exp(ln 10 * e) is not an exact power of ten: the steps inherit that error.
  EXPECT_NE(PotenciaDiez(-1), 0.1);
}

TEST(RedondeoEjes, CasosTrabajadosAMano) {
  struct Caso {
    double min, max;
    int32_t nDiv, modo;
    double rMin, rMax, paso;
    int32_t rDiv;
  };
  // L = log10(range); step m*10^e with the smallest e + log10(m*nDiv) >= L (modo 1) or the
  // largest <= L (modo 0). 7.3: L = 0.863; m = 1 gives e = 0 (1.000) against 1.301 and
  // 1.699 -> step 1, [0, 8]; inward m = 5 gives e = -1 (0.699) -> step 0.5, [0, 7].
  const Caso casos[] = {
      {0, 7.3, 10, 1, 0, 8, 1, 8},
      {-3.2, 41.7, 10, 1, -5, 45, 5, 10},  // L = 1.652: m = 5 with e = 0 (1.699)
      {-3.2, 41.7, 10, 0, -2, 40, 2, 21},  // m = 2 with e = 0 (1.301)
      {0, 23, 8, 1, 0, 25, 5, 5},          // a(m=5) = log10(40) = 1.602 >= 1.362
      {41.7, -3.2, 10, 1, -5, 45, 5, 10},  // reversed limits are swapped
  };
  for (const Caso& c : casos) {
    double mn = c.min, mx = c.max, paso = 0;
    int32_t n = c.nDiv;
    RedondearEscalaEje(mn, mx, paso, n, c.modo);
    EXPECT_DOUBLE_EQ(mn, c.rMin) << c.min << " " << c.max << " " << c.modo;
    EXPECT_DOUBLE_EQ(mx, c.rMax) << c.min << " " << c.max << " " << c.modo;
    EXPECT_DOUBLE_EQ(paso, c.paso) << c.min << " " << c.max << " " << c.modo;
    EXPECT_EQ(n, c.rDiv) << c.min << " " << c.max << " " << c.modo;
  }
  // Inward: the step 0.5 comes out as exp(-ln 10) * 5, one ulp below, and the limits with it.
  double mn = 0, mx = 7.3, paso = 0;
  int32_t n = 10;
  RedondearEscalaEje(mn, mx, paso, n, 0);
  EXPECT_EQ(n, 14);
  EXPECT_NEAR(paso, 0.5, 1e-15);
  EXPECT_NEAR(mx, 7.0, 1e-14);
}

TEST(RedondeoEjes, RangoVacioSeEnsanchaAntes) {
  struct Caso {
    double v;
    double lo, hi;  // the widened range, contained in the result
  };
  const Caso casos[] = {{0, 0, 1e-10}, {5, 5, 5.5}, {-2, -2.2, -2}};
  for (const Caso& c : casos) {
    double mn = c.v, mx = c.v, paso = 0;
    int32_t n = 10;
    RedondearEscalaEje(mn, mx, paso, n, 1);
    EXPECT_LE(mn, c.lo + 1e-12 * std::fabs(c.lo)) << c.v;
    EXPECT_GE(mx, c.hi - 1e-12 * std::fabs(c.hi)) << c.v;
    EXPECT_GT(mx - mn, 0) << c.v;
    EXPECT_LT(mx - mn, 2 * (c.hi - c.lo)) << c.v;
  }
}

TEST(RedondeoEjes, PeticionSinDivisionesYLimitesNoFinitos) {
  double mn = 0, mx = 7.3, paso = 0;
  int32_t n = 0;  // taken as 1: log10(0) would give no step
  RedondearEscalaEje(mn, mx, paso, n, 1);
  EXPECT_NEAR(paso, 10.0, 1e-14);
  EXPECT_EQ(n, 1);
  mn = 0;
  mx = INFINITY;
  n = 10;
  EXPECT_THROW(RedondearEscalaEje(mn, mx, paso, n, 1), EErrorGeneral);
  mn = NAN;
  mx = 1;
  EXPECT_THROW(RedondearEscalaEje(mn, mx, paso, n, 0), EErrorGeneral);
}

TEST(RedondeoEjes, TablaDeReferencia) {
  std::ifstream f(AERONDA_FIXTURES "/redondeo_ejes_ref.txt");
  ASSERT_TRUE(f) << "falta redondeo_ejes_ref.txt";
  std::string linea;
  int casos = 0;
  while (std::getline(f, linea)) {
    std::istringstream campos(linea);
    std::string a, b, c, d, e, g, h, i;
    campos >> a >> b >> c >> d >> e >> g >> h >> i;
    double mn = Hex(a), mx = Hex(b), paso = 0;
    int32_t n = Entero(c);
    RedondearEscalaEje(mn, mx, paso, n, Entero(d));
    EXPECT_EQ(mn, Hex(e)) << linea;
    EXPECT_EQ(mx, Hex(g)) << linea;
    EXPECT_EQ(paso, Hex(h)) << linea;
    EXPECT_EQ(n, Entero(i)) << linea;
    ++casos;
  }
  EXPECT_EQ(casos, 73);
}

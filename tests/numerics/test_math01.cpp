// Bisection and Romberg integration against closed forms, with evaluation counts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "numerics/math01.h"

namespace {

struct CasoBiseccion {
  std::string nombre;
  std::function<double(double)> f;
  double x1, x2, tol;
  uint16_t maxIter;
  bool ok;
  uint16_t nIter;
  double x;  // expected final midpoint
  double tolX;
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Biseccion, TablaDeCasos) {
  const auto raiz2 = [](double x) { return x * x - 2; };
  const std::vector<CasoBiseccion> casos = {
      // 2 * 2^-35 = 5.8e-11 <= 1e-10 < 2 * 2^-34: 35 halvings; the midpoint is within half a
      // bracket of the root.
      {"raiz de 2", raiz2, 0, 2, 1e-10, 1000, true, 35, std::sqrt(2.0), 0.5e-10},
      {"extremos invertidos", raiz2, 2, 0, 1e-10, 1000, true, 35, std::sqrt(2.0), 0.5e-10},
      // fa = 0: the product is 0, a bracket; fm*fa = 0 always moves b, so it closes on 0.
      // 2^-10 <= 1e-3 < 2^-9: 10 halvings, final midpoint 2^-11.
      {"raiz en un extremo", [](double x) { return x; }, 0, 1, 1e-3, 1000, true, 10,
       std::ldexp(1.0, -11), 0},
      {"mismo signo", [](double x) { return x * x + 1; }, -1, 1, 1e-6, 1000, false, 0, 0, 0},
      // Widths 0.5, 0.25, 0.125: the third halving reaches the tolerance and the limit at once.
      {"limite en la mitad que basta", [](double x) { return x - 0.3; }, 0, 1, 0.125, 3, true, 3,
       0.3125, 0},
      // One halving short: the last bracket [0.25, 0.5].
      {"limite de iteraciones", [](double x) { return x - 0.3; }, 0, 1, 0.125, 2, false, 2, 0.375,
       0},
      {"NaN en un extremo", [](double x) { return x == 0 ? kNaN : x - 0.3; }, 0, 1, 1e-6, 1000,
       false, 0, 0.5, 0},
      // A NaN at the first midpoint makes fa NaN: every later midpoint moves the lower end, the
      // bracket closes on b = 1 and the search reports success (2^-20 <= 1e-6 < 2^-19).
      {"NaN dentro del intervalo", [](double x) { return x == 0.5 ? kNaN : x - 0.7; }, 0, 1, 1e-6,
       1000, true, 20, 1 - std::ldexp(1.0, -21), 0},
      // maxIter 0 is met only when the 16-bit counter wraps; tolerance 0 is never met (the
      // bracket stops at one ulp).
      {"maxIter 0 da la vuelta", [](double x) { return x - 1.0 / 3; }, 0, 1, 0, 0, false, 0,
       1.0 / 3, 1e-15},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    int evaluaciones = 0;
    const std::function<double(double)> f = [&](double x) {
      ++evaluaciones;
      return c.f(x);
    };
    double x = -99, fx = -99;
    uint16_t nIter = 999;
    bool ok = !c.ok;
    CeroDeFuncion(f, c.maxIter, x, c.x1, c.x2, c.tol, fx, nIter, ok);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(nIter, c.nIter);
    EXPECT_NEAR(x, c.x, c.tolX);
    const double fEsperado = c.f(x);
    if (std::isnan(fEsperado)) {
      EXPECT_TRUE(std::isnan(fx));
    } else {
      EXPECT_EQ(fx, fEsperado);
    }
    // 2 at the ends, one per halving, one at the final midpoint (65536 halvings in the wrap).
    const int halvings = c.maxIter == 0 && !c.ok ? 65536 : c.nIter;
    EXPECT_EQ(evaluaciones, halvings + 3);
  }
}

double Cubica(double x) { return x * x * x - x - 1; }  // root 1.3247179572447460...

TEST(Biseccion, FuncionPlanaYObjetoVirtual) {
  double x, fx;
  uint16_t nIter;
  bool ok;
  CeroDeFuncion(&Cubica, 200, x, 1, 2, 1e-12, fx, nIter, ok);
  EXPECT_TRUE(ok);
  EXPECT_NEAR(x, 1.3247179572447460, 1e-12);

  T_ProblemaFx_Cero_externa p(&Cubica);
  double x2, fx2;
  uint16_t n2;
  EXPECT_TRUE(p.Biseccion(200, x2, 2, 1, 1e-12, fx2, n2));
  EXPECT_EQ(x2, x);
  EXPECT_EQ(n2, nIter);
}

struct CasoRomberg {
  std::string nombre;
  std::function<double(double)> f;
  double desde, hasta, tol;
  double esperado;
  double tolValor;
  int evaluaciones;  // -1: not checked
};

TEST(Romberg, TablaDeCasos) {
  const std::vector<CasoRomberg> casos = {
      {"lineal en la primera fila", [](double x) { return x; }, 0, 1, 1e-12, 0.5, 0, 3},
      // Simpson (R11) and R22 are both exact for a cubic: converges on row 2.
      {"cubica en la segunda fila", [](double x) { return x * x * x; }, 0, 1, 1e-12, 0.25, 0, 5},
      // R00 = 4, R10 = 3, R11 = (4*3 - 4)/3: the first extrapolation, accepted at once.
      {"extrapolacion de la primera fila", [](double x) { return x * x; }, 0, 2, 1e9, 8.0 / 3, 0,
       3},
      {"seno en [0, pi]", [](double x) { return std::sin(x); }, 0, std::numbers::pi, 1e-10, 2,
       1e-10, -1},
      {"exponencial", [](double x) { return std::exp(x); }, 0, 1, 1e-13, std::numbers::e - 1, 1e-13,
       -1},
      {"limites invertidos", [](double x) { return x * x; }, 1, 0, 1e-12, -1.0 / 3, 1e-15, -1},
      {"intervalo vacio", [](double x) { return std::exp(x); }, 0.7, 0.7, 0, 0, 0, 3},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    int evaluaciones = 0;
    const std::function<double(double)> f = [&](double x) {
      ++evaluaciones;
      return c.f(x);
    };
    double r = -99;
    bool ok = false;
    IntegrarRomberg(f, r, ok, c.desde, c.hasta, c.tol);
    EXPECT_TRUE(ok);
    EXPECT_NEAR(r, c.esperado, c.tolValor);
    if (c.evaluaciones >= 0) {
      EXPECT_EQ(evaluaciones, c.evaluaciones);
    }
  }
}

TEST(Romberg, SinConvergenciaNoEscribeElResultado) {
  // sqrt has an unbounded derivative at 0: ten rows get within ~1e-5 of 2/3, never within
  // 1e-15. A NaN integrand fails every comparison.
  const std::vector<std::function<double(double)>> funciones = {
      [](double x) { return std::sqrt(x); },
      [](double) { return std::numeric_limits<double>::quiet_NaN(); }};
  for (const auto& fn : funciones) {
    int evaluaciones = 0;
    const std::function<double(double)> f = [&](double x) {
      ++evaluaciones;
      return fn(x);
    };
    double r = 12345.0;
    bool ok = true;
    IntegrarRomberg(f, r, ok, 0, 1, 1e-15);
    EXPECT_FALSE(ok);
    EXPECT_EQ(r, 12345.0);
    EXPECT_EQ(evaluaciones, 1025);  // 2 + 1 + 2 + ... + 512
  }
  const TResultadoRomberg u =
      RombergUltimaDiagonal([](double x) { return std::sqrt(x); }, 0, 1, 1e-15);
  EXPECT_FALSE(u.convergio);
  EXPECT_EQ(u.filas, 10);
  EXPECT_NEAR(u.valor, 2.0 / 3, 1e-4);
}

double Cuadrado(double x) { return x * x; }

TEST(Romberg, FuncionPlana) {
  double r = 0;
  bool ok = false;
  IntegrarRomberg(&Cuadrado, r, ok, -1, 2, 1e-12);
  EXPECT_TRUE(ok);
  EXPECT_NEAR(r, 3.0, 1e-15);
}

}  // namespace

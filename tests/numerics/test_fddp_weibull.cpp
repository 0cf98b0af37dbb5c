// The Weibull law against references computed at 60 digits (tests/tools/weibull_ref.py), and
// its fit: exact quantiles give back the law, and a random sample gives the centred
// least-squares solution of the reference script.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "numerics/fddp_weibull.h"
#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"
#include "platform/errores.h"
#include "referencias_hex.h"

namespace {

const char* const kMsg = "Imposible invertir sistema Tf_ddp_Weibull.Create_vmuetras en fddp";

// Ascending quantiles at the plotting positions (i - 0.5)/n: ln ln(1/(1-F)) is then exactly
// linear in ln v.
TVectR Cuantiles(double k, double c, int32_t n) {
  TVectR v(n);
  for (int32_t i = 1; i <= n; ++i) v[i] = c * std::pow(-std::log(1 - (i - 0.5) / n), 1 / k);
  return v;
}

void FijarLey(Tf_ddp_Weibull& w, double k, double c) {
  w.k = k;
  w.c = c;
  w.kSobreC = k / c;
  w.unoSobreK = 1 / k;
}

void ExpectRel(double real, double esperado, double tol) {
  EXPECT_NEAR(real, esperado, tol * std::fabs(esperado)) << "esperado " << esperado;
}

TEST(Tf_ddp_Weibull, LeyContraReferencia) {
  Tf_ddp_Weibull w(Cuantiles(2, 5, 20), nullptr, 1);
  int pdf = 0, ppf = 0;
  for (const auto& c : referencias::LeerCampos("weibull_ref.txt")) {
    if (c[0] == "pdf") {
      FijarLey(w, referencias::Real(c[1]), referencias::Real(c[2]));
      const double x = referencias::Real(c[3]);
      SCOPED_TRACE(testing::Message() << "k=" << w.k << " c=" << w.c << " x=" << x);
      ExpectRel(w.Densidad(x), referencias::Real(c[4]), 1e-14);
      ExpectRel(w.Distribucion(x), referencias::Real(c[5]), 1e-14);
      EXPECT_EQ(w.Area(x), w.Distribucion(x));
      EXPECT_EQ(w.AreaAcumulada(x), w.Distribucion(x));
      ++pdf;
    } else if (c[0] == "ppf") {
      FijarLey(w, referencias::Real(c[1]), referencias::Real(c[2]));
      const double u = referencias::Real(c[3]);
      SCOPED_TRACE(testing::Message() << "k=" << w.k << " c=" << w.c << " u=" << u);
      ExpectRel(w.DistribucionInversa(u), referencias::Real(c[4]), 1e-14);
      ++ppf;
    }
  }
  EXPECT_EQ(pdf, 18);
  EXPECT_EQ(ppf, 20);
}

TEST(Tf_ddp_Weibull, BordesDelDominio) {
  Tf_ddp_Weibull w(Cuantiles(0.8, 3, 20), nullptr, 1);  // k < 1: the density is unbounded at 0
  for (double x : {-1.0, 0.0, EpsilonMaquina}) {
    EXPECT_EQ(w.Densidad(x), 0) << x;
  }
  EXPECT_GT(w.Densidad(2 * EpsilonMaquina), 0);
  EXPECT_EQ(w.Distribucion(0), 0);
  EXPECT_EQ(w.Distribucion(-3), 0);
  EXPECT_EQ(w.DistribucionInversa(0), 0);
  EXPECT_EQ(w.DistribucionInversa(EpsilonMaquina), 0);
  for (double x : {0.01, 1.0, 3.0, 30.0}) {
    ExpectRel(w.DistribucionInversa(w.Distribucion(x)), x, 1e-12);
  }
}

TEST(Tf_ddp_Weibull, AjusteDeCuantilesExactos) {
  struct Caso {
    double k, c;
    int32_t n;
  };
  for (const Caso& a : std::vector<Caso>{{1.5, 5, 10}, {2, 9.7, 1000}, {3.2, 0.4, 52560}}) {
    SCOPED_TRACE(testing::Message() << "k=" << a.k << " c=" << a.c << " n=" << a.n);
    const TVectR v = Cuantiles(a.k, a.c, a.n);
    const auto w = Tf_ddp_Weibull::Create_vmuetras(v, nullptr, 1);
    ExpectRel(w->k, a.k, 1e-12);
    ExpectRel(w->c, a.c, 1e-12);
    EXPECT_EQ(w->kSobreC, w->k / w->c);
    EXPECT_EQ(w->unoSobreK, 1 / w->k);
    EXPECT_EQ(w->xMin, 0);
    EXPECT_EQ(w->areaXMin, 0);
    EXPECT_EQ(w->xMax, 1000 * v.Promedio());
    EXPECT_EQ(w->areaXMax, 1);
    EXPECT_TRUE(w->poseeFuente);
    EXPECT_EQ(w->semilla, 0);
    EXPECT_EQ(w->fuente->semilla, -1);
  }
}

TEST(Tf_ddp_Weibull, AjusteContraMinimosCuadradosCentrados) {
  std::vector<double> muestra;
  double k = 0, c = 0;
  for (const auto& l : referencias::LeerCampos("weibull_ref.txt")) {
    if (l[0] == "muestra") muestra.push_back(referencias::Real(l[1]));
    if (l[0] == "ajuste") {
      k = referencias::Real(l[1]);
      c = referencias::Real(l[2]);
    }
  }
  ASSERT_EQ(muestra.size(), 500u);
  Tf_ddp_Weibull w(TVectR::CreateDesdeDA(1, muestra), nullptr, 1);
  ExpectRel(w.k, k, 1e-12);
  ExpectRel(w.c, c, 1e-12);
}

TEST(Tf_ddp_Weibull, SorteoConFuenteCompartida) {
  TMadreUniforme fuente(1), testigo(1);
  Tf_ddp_Weibull w(Cuantiles(2, 8, 50), &fuente, 99);
  EXPECT_FALSE(w.poseeFuente);
  for (int i = 0; i < 5; ++i) {
    const double u = testigo.GenerarMuestra();
    EXPECT_EQ(w.GenerarMuestra(), w.c * std::pow(-std::log(1 - u), 1 / w.k));
  }
}

TEST(Tf_ddp_Weibull, SistemaSingular) {
  const std::vector<std::vector<double>> casos = {{}, {5}, {3, 3, 3}, {0, 1, 2}, {-1, 1, 2}};
  for (const auto& v : casos) {
    SCOPED_TRACE(v.size());
    EXPECT_THROW_MSG(Tf_ddp_Weibull(TVectR::CreateDesdeDA(1, v), nullptr, 1), EErrorGeneral, kMsg);
  }
}

}  // namespace

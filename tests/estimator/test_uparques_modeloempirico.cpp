// Empirical model: direction sectors, selection by flags, the two power evaluations, the
// direction frequency, the channel distributions and the model text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <random>

#include "comun/afirmaciones.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/fddp_conmatr.h"
#include "numerics/fddp_weibull.h"
#include "numerics/uauxiliares.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = AERONDA_FIXTURES;

// Sector s's representatives lie on the line a(s) + b(s) pv3, with the line's slope as every
// bin's slope: the Hermite through them reproduces the line, and so does the extrapolation.
NReal LineaA(int32_t s) { return 0.1 * s; }
NReal LineaB(int32_t s) { return 1000.0 + 10.0 * s; }

// 72 sectors by 10 bins, 20 samples per bin, bins equally wide in speed up to 25 m/s.
void Llenar(TParque_ModeloEmpirico& m, int32_t nS = 72, int32_t nT = 10) {
  m.bordesPv3 = TVectR(nT + 1);
  for (int32_t j = 1; j <= nT + 1; ++j)
    m.bordesPv3[j] = DensidadPotenciaViento((j - 1) * 25.0 / nT, 1.225);
  m.centrosPv3 = TVectR(nT);
  for (int32_t j = 1; j <= nT; ++j) m.centrosPv3[j] = (m.bordesPv3[j] + m.bordesPv3[j + 1]) / 2;
  m.cntTramo = TMatR(nS, nT);
  m.aTramo = TMatR(nS, nT);
  m.bTramo = TMatR(nS, nT);
  m.PTramo = TMatR(nS, nT);
  for (int32_t s = 1; s <= nS; ++s)
    for (int32_t j = 1; j <= nT; ++j) {
      m.cntTramo.PonerElemento(s, j, 20);
      m.aTramo.PonerElemento(s, j, LineaA(s));
      m.bTramo.PonerElemento(s, j, LineaB(s));
      m.PTramo.PonerElemento(s, j, LineaA(s) + LineaB(s) * m.centrosPv3[j]);
    }
  m.alfa = TVectR(nS);
  m.vm = TVectR(nS);
  m.Pmax = TVectR(nS);
  m.DeltaP = TVectR(nS);
  m.alfa_varvel = TVectR(nS);
  for (int32_t s = 1; s <= nS; ++s) {
    m.alfa[s] = 0.5 + 0.01 * s;
    m.vm[s] = 8 + 0.02 * s;
    m.Pmax[s] = 40 + 0.1 * s;
    m.DeltaP[s] = 0.2 + 0.001 * s;
  }
}

struct Modelo {
  TParque_ModeloTeorico mt;
  TParque_ModeloEmpirico me;
  Modelo() {
    mt.potencia_autorizada_mw = 50;
    me.mt = &mt;
    Llenar(me);
  }
};

// ---------------------------------------------------------------------------------------------
// Sectors

TEST(SectoresVecinos, TableOfDirections) {
  Modelo m;
  struct Caso {
    NReal angulo;
    int32_t k1, k2;
    NReal peso1, peso2;
  };
  const Caso casos[] = {
      {0, 1, 2, 1, 0},
      {357.5, 72, 1, 0.5, 0.5},
      {360, 1, 2, 1, 0},
      {-5, 72, 1, 1, 0},
      {355, 72, 1, 1, 0},
      {2.5, 1, 2, 0.5, 0.5},
      {722.5, 1, 2, 0.5, 0.5},
      {-360, 1, 2, 1, 0},
      {-357.5, 1, 2, 0.5, 0.5},
      {180, 37, 38, 1, 0},
      {-1e-20, 1, 2, 1, 0},  // -1e-20 + 360 rounds to 360: 0
      {1e-20, 1, 2, 1, 72 * 1e-20 / 360},
      {-3600, 1, 2, 1, 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.angulo);
    int32_t k1 = 0, k2 = 0;
    NReal p1 = -9, p2 = -9;
    m.me.SectoresVecinos(k1, k2, p1, p2, c.angulo);
    EXPECT_EQ(k1, c.k1);
    EXPECT_EQ(k2, c.k2);
    EXPECT_DOUBLE_EQ(p1, c.peso1);
    EXPECT_DOUBLE_EQ(p2, c.peso2);
  }
  EXPECT_EQ(m.me.AnguloSector(1), 0);
  EXPECT_EQ(m.me.AnguloSector(37), 180);
  EXPECT_EQ(m.me.AnguloSector(72), 355);
  EXPECT_EQ(m.me.NSectores(), 72);
  EXPECT_EQ(m.me.NTramos(), 10);
}

TEST(SectoresVecinos, WeightsRebuildTheDirectionAllRound) {
  Modelo m;
  for (int i = -3600; i < 7200; ++i) {
    const NReal a = 0.1 * i + 0.01;
    int32_t k1, k2;
    NReal p1, p2;
    m.me.SectoresVecinos(k1, k2, p1, p2, a);
    ASSERT_TRUE(k1 >= 1 && k1 <= 72) << a;
    ASSERT_EQ(k2, k1 % 72 + 1) << a;
    ASSERT_TRUE(p2 >= 0 && p2 < 1) << a;
    ASSERT_NEAR(p1 + p2, 1.0, 1e-15) << a;
    // The sector's angle plus the weight of the next sector's 5 degrees is the direction,
    // modulo whole turns.
    const NReal r = std::fmod(m.me.AnguloSector(k1) + 5 * p2 - a, 360.0);
    ASSERT_NEAR(std::min(std::fabs(r), 360 - std::fabs(r)), 0, 1e-9) << a;
  }
}

TEST(SectoresVecinos, NonFiniteDirectionsAreErrors) {
  Modelo m;
  int32_t k1, k2;
  NReal p1, p2;
  EXPECT_THROW_MSG(m.me.SectoresVecinos(k1, k2, p1, p2, std::nan("")), EErrorGeneral,
                   "Dirección de viento no válida: Nan");
  EXPECT_THROW(m.me.SectoresVecinos(k1, k2, p1, p2, INFINITY), EErrorGeneral);
  EXPECT_THROW(m.me.SectoresVecinos(k1, k2, p1, p2, -INFINITY), EErrorGeneral);
  TParque_ModeloEmpirico vacio;
  EXPECT_THROW(vacio.SectoresVecinos(k1, k2, p1, p2, 10), EErrorGeneral);
}

// ---------------------------------------------------------------------------------------------
// Selection by flags

TEST(ValoresSegunFiltros, TableOfSelections) {
  const TVectR v = TVectR::CreateDesdeDA(1, {10, 20, 30, 40, 50});
  const TDAOfBoolean f2 = {0, 0, 1, 0, 0, 0};  // marks sample 2
  const TDAOfBoolean f4 = {0, 0, 0, 0, 1, 0};  // marks sample 4
  const TDAOfBoolean corto = {0, 0, 0, 1};     // marks sample 3; 4 and 5 lie beyond its end
  const TDAOfBoolean excl5 = {0, 0, 0, 0, 0, 1};
  const TDAOfBoolean excl2 = {0, 0, 1, 0, 0, 0};
  const TDAOfBoolean nada;
  struct Caso {
    const char* que;
    std::vector<const TDAOfBoolean*> filtros;
    bool marcados;
    const TDAOfBoolean* excluidas;
    TDAofNReal esperado;
  };
  const Caso casos[] = {
      {"unmarked", {&f2, &f4}, false, &nada, {10, 30, 50}},
      {"unmarked, 5 excluded", {&f2, &f4}, false, &excl5, {10, 30}},
      {"marked by either", {&f2, &f4}, true, &nada, {20, 40}},
      {"marked, 2 excluded", {&f2, &f4}, true, &excl2, {40}},
      {"short flag array", {&corto}, false, &nada, {10, 20, 40, 50}},
      {"short flag array, marked", {&corto}, true, &nada, {30}},
      {"no filters", {}, false, &excl2, {10, 30, 40, 50}},
      {"no filters, marked", {}, true, &nada, {}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.que);
    TDAofNReal valores = {99, 98};  // replaced, not appended to
    ValoresSegunFiltros(c.filtros, v, c.marcados, *c.excluidas, valores);
    EXPECT_EQ(valores, c.esperado);
  }
}

TEST(ModeloEmpirico, ChannelsAreTheSetsOwnVectorsByPosition) {
  TParque_ModeloEmpirico me;
  me.series = std::make_unique<TSeriesDeDatos>();
  auto& s = *me.series;
  s.archivo = "c1_series10min.sas";
  s.NSeries = 10;
  s.NPuntos = 1;
  for (int i = 0; i < 10; ++i) {
    s.nombres.push_back(std::string(1, 'n').append(IntToStr(i)));
    s.tipos.push_back(SALIDA);
    s.series.push_back(TVectR::CreateDesdeDA(1, {static_cast<NReal>(i + 1)}));
  }
  me.TomarCanales();
  const std::pair<TVectR*, NReal> canales[] = {{me.Vel, 1},  {me.Ang, 2},   {me.PE, 3},
                                               {me.Temp, 4}, {me.Pre, 5},   {me.HumRel, 6},
                                               {me.CGM, 7},  {me.fDisp, 8}, {me.VarVel, 9}};
  for (const auto& [canal, posicion] : canales) {
    ASSERT_NE(canal, nullptr);
    EXPECT_EQ((*canal)[1], posicion);
  }
  // A correction through the channel is a correction of the set.
  (*me.PE)[1] = -7;
  EXPECT_EQ(s.series[2][1], -7);

  s.EliminarSerie(9);
  s.EliminarSerie(8);
  EXPECT_THROW_MSG(me.TomarCanales(), EErrorGeneral,
                   "El archivo de series c1_series10min.sas tiene 8 series; el modelo empírico "
                   "necesita 9");
}

// ---------------------------------------------------------------------------------------------
// Power from the bin representatives

TEST(Hermite, EndValuesSlopesAndCubicReproduction) {
  // The cubic Hermite on [x0, x0 + h] through p and p' at both ends is p itself for any cubic.
  std::mt19937 azar(7);
  std::uniform_real_distribution<NReal> u(-3, 3);
  for (int caso = 0; caso < 200; ++caso) {
    const NReal c0 = u(azar), c1 = u(azar), c2 = u(azar), c3 = u(azar);
    const NReal x0 = u(azar), h = 0.1 + std::fabs(u(azar));
    const auto p = [&](NReal x) { return ((c3 * x + c2) * x + c1) * x + c0; };
    const auto dp = [&](NReal x) { return (3 * c3 * x + 2 * c2) * x + c1; };
    const NReal y0 = p(x0), y1 = p(x0 + h), m0 = dp(x0), m1 = dp(x0 + h);
    EXPECT_EQ(Hermite(y0, m0, y1, m1, h, 0), y0);
    EXPECT_EQ(Hermite(y0, m0, y1, m1, h, 1), y1);
    for (NReal t : {0.1, 0.25, 0.5, 0.9, 0.999})
      EXPECT_NEAR(Hermite(y0, m0, y1, m1, h, t), p(x0 + t * h),
                  1e-12 * (1 + std::fabs(y0) + std::fabs(y1)));
    // End slopes per unit of x: (H(e) - H(0)) / (e h) tends to m0.
    const NReal e = 1e-7;
    EXPECT_NEAR((Hermite(y0, m0, y1, m1, h, e) - y0) / (e * h), m0, 1e-5 * (1 + std::fabs(m0)));
    EXPECT_NEAR((y1 - Hermite(y0, m0, y1, m1, h, 1 - e)) / (e * h), m1, 1e-5 * (1 + std::fabs(m1)));
  }
}

TEST(Hermite, BasisFunctionsAsWrittenToTheBit) {
  // h00 = 2 t^3 - 3 t^2 + 1 and h10 = t (1 - t)^2 with the powers formed first: at these t,
  // (3 t) t differs from 3 (t t) or (t (1 - t)) (1 - t) from t ((1 - t) (1 - t)).
  for (NReal t : {0.3, 0.15, 0.85, 0.95, 0.61, 0.35}) {
    SCOPED_TRACE(t);
    const NReal u = 1 - t;
    EXPECT_EQ(Hermite(1, 0, 0, 0, 1, t), 2 * (t * t * t) - 3 * (t * t) + 1);
    EXPECT_EQ(Hermite(0, 0, 1, 0, 1, t), 1 - (2 * (t * t * t) - 3 * (t * t) + 1));
    EXPECT_EQ(Hermite(0, 1, 0, 0, 1, t), t * (u * u));
    EXPECT_EQ(Hermite(0, 0, 0, 1, 1, t), -(t * t) * u);
  }
}

TEST(PotenciaRepresentantes, FollowsTheSectorLinesInsideAndOutsideTheCentres) {
  Modelo m;
  const NReal cMin = m.me.centrosPv3[1], cMax = m.me.centrosPv3[10];
  for (NReal angulo : {0.0, 1.25, 2.5, 93.0, 357.5, 359.0}) {
    int32_t k1, k2;
    NReal p1, p2;
    m.me.SectoresVecinos(k1, k2, p1, p2, angulo);
    // Below the first centre, between centres, on a centre, above the last.
    for (NReal pv3 : {0.0, cMin / 2, cMin, 0.3 * cMin + 0.7 * m.me.centrosPv3[2],
                      m.me.centrosPv3[5], 0.5 * (cMax + m.me.centrosPv3[9]), cMax, 2 * cMax}) {
      SCOPED_TRACE(testing::Message() << angulo << " " << pv3);
      for (NReal rho : {1.225, 1.1}) {
        const NReal esperado =
            rho / 1.225 *
            (p1 * (LineaA(k1) + LineaB(k1) * pv3) + p2 * (LineaA(k2) + LineaB(k2) * pv3));
        NReal cnt = 0;
        EXPECT_NEAR(m.me.PotenciaRepresentantes(cnt, angulo, pv3, rho), esperado, 1e-12);
        EXPECT_NEAR(cnt, 20, 1e-12);
      }
    }
  }
}

TEST(PotenciaRepresentantes, ValidityRules) {
  Modelo m;
  // Sector 2 (5 degrees) has no data at all; in sector 1, bin 3 has 5 samples.
  for (int32_t j = 1; j <= 10; ++j) m.me.cntTramo.PonerElemento(2, j, -1);
  m.me.cntTramo.PonerElemento(1, 3, 5);
  const TVectR& c = m.me.centrosPv3;
  const NReal entre45 = 0.5 * (c[4] + c[5]);
  struct Caso {
    const char* que;
    NReal angulo, pv3;
    NReal cnt;  // -1: not valid
  };
  const Caso casos[] = {
      {"on sector 1, its neighbour without data ignored", 0, entre45, 20},
      {"0.0005 past it: weight 0.0001 of the neighbour", 0.0005, entre45,
       20 * (1 - 0.0001) - 0.0001},
      {"0.01 past it: weight 0.002 of the neighbour", 0.01, entre45, -1},
      {"halfway between bins 2 and 3 (5 samples)", 0, 0.5 * (c[2] + c[3]), -1},
      // A weak node is tolerated only when the point practically sits on the other node.
      {"t = 0.9995 from the weak node 3 to node 4", 0, c[3] + 0.9995 * (c[4] - c[3]),
       (1 - 0.9995) * 5 + 0.9995 * 20},
      {"t = 0.9995 from node 2 to the weak node 3", 0, c[2] + 0.9995 * (c[3] - c[2]), -1},
      {"t = 0.0005 from the weak node 3 to node 4", 0, c[3] + 0.0005 * (c[4] - c[3]), -1},
      {"t = 0.995 from the weak node 3 to node 4", 0, c[3] + 0.995 * (c[4] - c[3]), -1},
      {"t = 0.002 from node 2 to the weak node 3", 0, c[2] + 0.002 * (c[3] - c[2]), -1},
      {"t = 0.0005 from node 2 to the weak node 3", 0, c[2] + 0.0005 * (c[3] - c[2]),
       (1 - 0.0005) * 20 + 0.0005 * 5},
      {"NaN density", 0, std::nan(""), -1},
      {"infinite density", 0, INFINITY, -1},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.que);
    NReal cnt = 0;
    const NReal P = m.me.PotenciaRepresentantes(cnt, k.angulo, k.pv3, 1.225);
    if (k.cnt < 0) {
      EXPECT_EQ(cnt, -1);
      EXPECT_EQ(P, 0);
    } else {
      EXPECT_NEAR(cnt, k.cnt, 1e-9);
      // The value stays the Hermite value, here the sector line.
      EXPECT_NEAR(P, LineaA(1) + LineaB(1) * k.pv3, 1e-3) << "weights sum to about 1";
    }
  }
  // Below the first centre only bin 1's count matters: 9 samples fail, 10 pass.
  for (const auto& [n, valido] : {std::pair{9.0, false}, std::pair{10.0, true}}) {
    m.me.cntTramo.PonerElemento(1, 1, n);
    NReal cnt = 0;
    m.me.PotenciaRepresentantes(cnt, 0, c[1] / 3, 1.225);
    EXPECT_EQ(cnt, valido ? n : -1) << n;
  }
}

// ---------------------------------------------------------------------------------------------
// Power from the S-curves

TEST(PotenciaCurvaS, ClosedFormDensityScalingAndCap) {
  Modelo m;
  const auto curva = [&](int32_t s, NReal v) {
    return m.me.Pmax[s] / (1 + std::exp(-m.me.alfa[s] * (v - m.me.vm[s]))) - m.me.DeltaP[s];
  };
  for (NReal v0 : {3.0, 7.5, 10.0, 14.0}) {
    const NReal pv3 = 0.5 * 1.225 * v0 * v0 * v0 / 1e6;
    // On sector 37 (180 degrees) at the standard density: the fitted curve at v0.
    EXPECT_NEAR(m.me.PotenciaCurvaS(180, pv3, 1.225, 0), curva(37, v0), 1e-9);
    // Halfway between sectors 37 and 38.
    EXPECT_NEAR(m.me.PotenciaCurvaS(182.5, pv3, 1.225, 0), 0.5 * (curva(37, v0) + curva(38, v0)),
                1e-9);
    // At 1.1 kg/m3 the same density means a higher speed, and the power is scaled by 1.1/1.225.
    const NReal v11 = std::cbrt(pv3 / (0.5 * 1.1) * 1e6);
    EXPECT_GT(v11, v0);
    EXPECT_NEAR(m.me.PotenciaCurvaS(180, pv3, 1.1, 0), 1.1 / 1.225 * curva(37, v11), 1e-9);
  }
  // Sums above the authorised power are cut to it, and so is a NaN.
  m.me.Pmax[37] = 500;
  EXPECT_EQ(m.me.PotenciaCurvaS(180, 0.002, 1.225, 0), 50);
  m.me.alfa[37] = std::nan("");
  EXPECT_EQ(m.me.PotenciaCurvaS(180, 0.002, 1.225, 0), 50);
  TParque_ModeloEmpirico sinMt;
  Llenar(sinMt);
  EXPECT_THROW(sinMt.PotenciaCurvaS(180, 0.002, 1.225, 0), EErrorGeneral);
}

TEST(PotenciaCurvaS, SpeedVarianceCorrection) {
  Modelo m;
  const NReal v0 = 9, pv3 = 0.5 * 1.225 * v0 * v0 * v0 / 1e6;
  const NReal base = m.me.PotenciaCurvaS(180, pv3, 1.225, 0);
  // Without a coefficient the variance is not looked at: a missing-value marker of -99999
  // gives the same power to the bit (it used to give NaN, capped to the authorised power).
  EXPECT_EQ(std::bit_cast<uint64_t>(m.me.PotenciaCurvaS(180, pv3, 1.225, -99999)),
            std::bit_cast<uint64_t>(base));
  EXPECT_EQ(std::bit_cast<uint64_t>(m.me.PotenciaCurvaS(180, pv3, 1.225, 4)),
            std::bit_cast<uint64_t>(base));
  // With a coefficient k: the speed becomes cbrt(v^3 - k w^1.5).
  m.me.alfa_varvel[37] = 2;
  const NReal ve = std::cbrt(v0 * v0 * v0 - 2 * 8);  // w = 4, w^1.5 = 8
  const NReal esperado =
      m.me.Pmax[37] / (1 + std::exp(-m.me.alfa[37] * (ve - m.me.vm[37]))) - m.me.DeltaP[37];
  EXPECT_NEAR(m.me.PotenciaCurvaS(180, pv3, 1.225, 4), esperado, 1e-9);
  // A negative variance counts as none.
  EXPECT_NEAR(m.me.PotenciaCurvaS(180, pv3, 1.225, -99999), base, 1e-9);
  EXPECT_LT(m.me.PotenciaCurvaS(180, pv3, 1.225, 4), base);
}

// ---------------------------------------------------------------------------------------------
// Direction frequency

TEST(FrecuenciaDireccion, SharesOfTheBinnedSamples) {
  Modelo m;
  m.me.cntTramo.Anular();
  for (int32_t j = 1; j <= 10; ++j) m.me.cntTramo.PonerElemento(1, j, 2);  // 20
  m.me.cntTramo.PonerElemento(1, 10, -1);                                  // 18: no fit
  m.me.cntTramo.PonerElemento(2, 1, 30.9);                                 // 30: Trunc
  m.me.cntTramo.PonerElemento(40, 5, 52);                                  // total 100
  EXPECT_DOUBLE_EQ(m.me.FrecuenciaDireccion(0), 18.0 / 100);
  EXPECT_DOUBLE_EQ(m.me.FrecuenciaDireccion(2.5), (0.5 * 18 + 0.5 * 30) / 100);
  EXPECT_DOUBLE_EQ(m.me.FrecuenciaDireccion(195), 52.0 / 100);
  EXPECT_DOUBLE_EQ(m.me.FrecuenciaDireccion(100), 0);
  // Counts read from a text may be as large as 64 bits hold; their sums are no integer sums.
  m.me.cntTramo.Anular();
  for (int32_t j = 1; j <= 3; ++j) m.me.cntTramo.PonerElemento(1, j, 4e18);
  m.me.cntTramo.PonerElemento(3, 1, 4e18);
  EXPECT_DOUBLE_EQ(m.me.FrecuenciaDireccion(0), 0.75);
  m.me.cntTramo.Anular();
  EXPECT_THROW_MSG(m.me.FrecuenciaDireccion(0), EErrorGeneral,
                   "El modelo empírico no tiene muestras en sus tramos");
}

// ---------------------------------------------------------------------------------------------
// Distributions and ranges of the channels

TEST(DistribucionesYRangos, SelectionByFlagsOnAHandMadeSet) {
  // Ten samples of nine channels. Samples 1-4 are left out (gap, coherence, availability,
  // distance) and carry extreme values in every channel to show it; sample 5 is flagged only
  // by CGM and counts; sample 6 is a calm (0 m/s): not a Weibull speed, but in every range.
  TParque_ModeloEmpirico me;
  me.series = std::make_unique<TSeriesDeDatos>();
  auto& s = *me.series;
  s.NSeries = 9;
  s.NPuntos = 10;
  const NReal datos[9][10] = {
      {90, 95, 99, 98, 6.5, 0, 8.25, 4, 12, 5},                // Vel
      {1, 2, 3, 4, 350, 10, 20.5, 180, 90, 270},               // Ang
      {-500, 500, 600, -600, 10, 0, 20, 5, 40, 15},            // PE
      {-80, 80, 70, -70, 15, 16, 14, 18, 12, 13},              // Temp
      {2000, 0, 1, 3000, 1010, 1020, 1005, 1000, 1015, 1012},  // Pre
      {-50, 500, 300, -40, 50, 60, 70, 80, 90, 55},            // HumRel
      {-9000, 900, 800, -800, 30, 45, 46, 47, 48, 49},         // CGM
      {-5, 5, 4, -4, 0.85, 0.9, 0.95, 1.0, 0.99, 0.97},        // fDisp
      {0, 0, 0, 0, 1, 1, 1, 1, 1, 1},                          // VarVel
  };
  for (int i = 0; i < 9; ++i) {
    s.nombres.push_back(std::string(1, 'c').append(IntToStr(i)));
    s.tipos.push_back(SALIDA);
    s.series.push_back(TVectR::CreateDesdeDA(1, TDAofNReal(datos[i], datos[i] + 10)));
  }
  me.TomarCanales();
  me.NPuntos = 10;
  const auto bandera = [](int k) {
    TDAOfBoolean b(11, 0);
    b[static_cast<size_t>(k)] = 1;
    return b;
  };
  me.Filt_Huecos = bandera(1);
  me.Filt_Coherencia = bandera(2);
  me.Filt_Disponibilidad = bandera(3);
  me.Filtro_Distancia = bandera(4);
  me.Filt_CGM = bandera(5);

  std::unique_ptr<Tf_ddp_Weibull> w;
  std::unique_ptr<Tf_ddp_VectDeMuestras> d;
  NReal r[14];
  me.DistribucionesYRangos(w, d, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10],
                           r[11], r[12], r[13]);
  // The Weibull law of the speeds of samples 5 and 7-10, ascending.
  const auto wEsperada =
      Tf_ddp_Weibull::Create_vmuetras(TVectR::CreateDesdeDA(1, {4, 5, 6.5, 8.25, 12}), nullptr, 1);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->k, wEsperada->k);
  EXPECT_EQ(w->c, wEsperada->c);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->muestras, TVectR::CreateDesdeDA(1, {10, 20.5, 90, 180, 270, 350}));
  // maxPre, minPre, maxPE, minPE, maxVel, minVel, maxHumRel, minHumRel, then minFDisp,
  // maxFDisp, minTemp, maxTemp, minCGM, maxCGM.
  const NReal esperado[14] = {1020, 1000, 40, 0, 12, 0, 90, 50, 0.85, 1.0, 12, 18, 30, 49};
  for (int i = 0; i < 14; ++i) EXPECT_EQ(r[i], esperado[i]) << "argument " << i + 3;

  TParque_ModeloEmpirico deTexto;
  EXPECT_THROW(deTexto.DistribucionesYRangos(w, d, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7],
                                             r[8], r[9], r[10], r[11], r[12], r[13]),
               EErrorGeneral);
}

// ---------------------------------------------------------------------------------------------
// Model text

class TextoModelo : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("aeronda_me_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
            std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(TextoModelo, WrittenAndReadBackEvaluatesToTheSameBits) {
  Modelo m;
  // Values that need all 17 digits, and a few sectors and bins without data.
  std::mt19937 azar(3);
  std::uniform_real_distribution<NReal> u(0, 1);
  for (int32_t s = 1; s <= 72; ++s) {
    for (int32_t j = 1; j <= 10; ++j) {
      m.me.cntTramo.PonerElemento(s, j, (s * j) % 13 == 0 ? -1 : 5 + (s + j) % 40);
      m.me.PTramo.PonerElemento(s, j, m.me.PTramo.Elemento(s, j) * (1 + 0.1 * u(azar)));
      m.me.bTramo.PonerElemento(s, j, m.me.bTramo.Elemento(s, j) * (1 + 0.1 * u(azar)));
      m.me.aTramo.PonerElemento(s, j, u(azar) - 0.5);
    }
    m.me.alfa[s] *= 1 + u(azar) / 3;
    m.me.vm[s] *= 1 + u(azar) / 7;
    m.me.alfa_varvel[s] = s % 5 == 0 ? 0.001 * u(azar) : 0;
  }
  m.me.errc2 = TVectR(72);  // not written
  {
    TextoSalida f(dir_ / "me.txt");
    m.me.EscribirTexto(f);
    f.Cerrar();
  }
  TextoEntrada f(dir_ / "me.txt");
  const auto r = TParque_ModeloEmpirico::CreateLeerTexto(f, &m.mt);
  EXPECT_TRUE(f.Fin());
  EXPECT_EQ(r->mt, &m.mt);
  EXPECT_EQ(r->NSectores(), 72);
  EXPECT_EQ(r->NTramos(), 10);
  EXPECT_EQ(r->bordesPv3, m.me.bordesPv3);
  EXPECT_EQ(r->cntTramo, m.me.cntTramo);
  EXPECT_EQ(r->aTramo, m.me.aTramo);
  EXPECT_EQ(r->alfa_varvel, m.me.alfa_varvel);
  EXPECT_EQ(r->errc2.n, 0);
  EXPECT_EQ(r->cntMuestras.n, 0);
  EXPECT_EQ(r->series, nullptr);
  EXPECT_EQ(r->Vel, nullptr);
  EXPECT_EQ(NivelFormatoEstandar(), 0);
  int distintos = 0;
  for (int a = 0; a < 360; ++a)
    for (int i = 0; i < 50; ++i) {
      const NReal pv3 = 1e-4 * i * i;
      NReal c1, c2;
      const NReal p1 = m.me.PotenciaRepresentantes(c1, a, pv3, 1.2);
      const NReal p2 = r->PotenciaRepresentantes(c2, a, pv3, 1.2);
      distintos += std::bit_cast<uint64_t>(p1) != std::bit_cast<uint64_t>(p2);
      distintos += std::bit_cast<uint64_t>(c1) != std::bit_cast<uint64_t>(c2);
      distintos += std::bit_cast<uint64_t>(m.me.PotenciaCurvaS(a, pv3, 1.2, 0.5)) !=
                   std::bit_cast<uint64_t>(r->PotenciaCurvaS(a, pv3, 1.2, 0.5));
    }
  EXPECT_EQ(distintos, 0);
}

TEST_F(TextoModelo, VersionsAndLineEndsOfTheFixtures) {
  struct Caso {
    const char* archivo;
    bool conVarVel;
  };
  const Caso casos[] = {{"me_v1_sin_version.txt", false},
                        {"me_version1.txt", false},
                        {"me_version2_lf.txt", true},
                        {"me_version7.txt", true}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.archivo);
    TextoEntrada f(kFixtures / c.archivo);
    const auto m = TParque_ModeloEmpirico::CreateLeerTexto(f, nullptr);
    EXPECT_TRUE(f.Fin());
    EXPECT_EQ(m->NSectores(), 2);
    EXPECT_EQ(m->NTramos(), 2);
    EXPECT_EQ(m->bordesPv3, TVectR::CreateDesdeDA(1, {0, 0.0005, 0.002}));
    EXPECT_EQ(m->cntTramo.Fila(1), TVectR::CreateDesdeDA(1, {12, 30}));
    EXPECT_EQ(m->cntTramo.Fila(2), TVectR::CreateDesdeDA(1, {-1, 11}));
    EXPECT_EQ(m->aTramo.Fila(1), TVectR::CreateDesdeDA(1, {0.5, -1.25}));
    EXPECT_EQ(m->bTramo.Fila(2), TVectR::CreateDesdeDA(1, {0, 1500}));
    EXPECT_EQ(m->centrosPv3, TVectR::CreateDesdeDA(1, {0.00025, 0.00125}));
    EXPECT_EQ(m->PTramo.Fila(2), TVectR::CreateDesdeDA(1, {0, 3.875}));
    EXPECT_EQ(m->alfa, TVectR::CreateDesdeDA(1, {0.75, -1}));
    EXPECT_EQ(m->vm, TVectR::CreateDesdeDA(1, {9.5, -1}));
    EXPECT_EQ(m->Pmax, TVectR::CreateDesdeDA(1, {55, -1}));
    EXPECT_EQ(m->DeltaP, TVectR::CreateDesdeDA(1, {0.5, -1}));
    EXPECT_EQ(m->alfa_varvel, c.conVarVel ? TVectR::CreateDesdeDA(1, {0.125, 0})
                                          : TVectR::CreateDesdeDA(1, {0, 0}));
    // Sector 1 between its two centres: the Hermite of (0.75, 1000) and (1.25, 2000) at t = 0.5
    // over h = 0.001: 1 + 0.001 * (0.125 * 1000 - 0.125 * 2000) = 0.875.
    NReal cnt;
    EXPECT_NEAR(m->PotenciaRepresentantes(cnt, 0, 0.00075, 1.225), 0.875, 1e-12);
    EXPECT_NEAR(cnt, 21, 1e-12);
  }
}

TEST_F(TextoModelo, EvaluationsAgreeWithTheReferenceScript) {
  // tests/tools/modelo_empirico_ref.py evaluates the fixture model from the formulas.
  TParque_ModeloTeorico mt;
  mt.potencia_autorizada_mw = 50;
  TextoEntrada f(kFixtures / "me_version2_lf.txt");
  const auto m = TParque_ModeloEmpirico::CreateLeerTexto(f, &mt);
  TextoEntrada ref(kFixtures / "modelo_empirico_ref.txt");
  int casos = 0;
  std::string linea;
  while (ref.ProbarLeerLinea(linea)) {
    NReal x[7];
    const char* p = linea.data();
    const char* fin = p + linea.size();
    for (NReal& v : x) {
      while (p < fin && *p == ' ') ++p;
      const auto r = std::from_chars(p, fin, v);
      ASSERT_EQ(r.ec, std::errc()) << linea;
      p = r.ptr;
    }
    SCOPED_TRACE(linea);
    NReal cnt;
    const NReal pr = m->PotenciaRepresentantes(cnt, x[0], x[1], x[2]);
    EXPECT_NEAR(cnt, x[4], 1e-12 * (1 + std::fabs(x[4])));
    EXPECT_NEAR(pr, x[5], 1e-12 * (1 + std::fabs(x[5])));
    EXPECT_NEAR(m->PotenciaCurvaS(x[0], x[1], x[2], x[3]), x[6], 1e-12 * (1 + std::fabs(x[6])));
    ++casos;
  }
  EXPECT_EQ(casos, 297);
}

TEST_F(TextoModelo, MalformedTexts) {
  const std::string bueno = LeerArchivoCompleto(kFixtures / "me_version2_lf.txt");
  struct Caso {
    const char* que;
    std::string texto;
    std::string mensaje;
    bool conversion;  // EConvertError rather than EInOutError
  };
  auto reemplazar = [&](const std::string& de, const std::string& a) {
    std::string t = bueno;
    t.replace(t.find(de), de.size(), a);
    return t;
  };
  const Caso casos[] = {
      {"bad version", reemplazar("VERSION=2", "VERSION=dos"),
       "Error leyendo línea: 1: \"dos\" no es un número entero válido", true},
      {"truncated", bueno.substr(0, bueno.find("-1.0000000000000000E+000")),
       "Error leyendo línea: 12: fin del archivo", false},
      {"a value that is not a number", reemplazar(" 5.5000000000000000E+001", " 5,5"),
       "Error leyendo línea: 48", false},
      // Sector vectors of 3 entries for a 2-sector model.
      {"vector of another length", reemplazar("E+000\n2\n 7.5", "E+000\n3\n 7.5\n 0.0"),
       "Error leyendo línea: 56: Modelo empírico inconsistente: "
       "vector de 3 sectores, se esperaban 2",
       false},
      {"no sectors", "VERSION=2\n1\n 0.0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n",
       "Error leyendo línea: 17: Modelo empírico inconsistente: no hay sectores", false},
      {"a version-1 count below 0", "-1\n3\n", "Error leyendo línea: 1", false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.que);
    TextoEntrada f = TextoEntrada::DesdeTexto(c.texto);
    if (c.conversion)
      EXPECT_THROW_MSG(TParque_ModeloEmpirico::CreateLeerTexto(f, nullptr), EConvertError,
                       c.mensaje);
    else
      EXPECT_THROW_MSG(TParque_ModeloEmpirico::CreateLeerTexto(f, nullptr), EInOutError, c.mensaje);
    EXPECT_EQ(NivelFormatoEstandar(), 0);
  }
}

}  // namespace

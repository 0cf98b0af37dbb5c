// Empirical model: the sample filters (gaps, availability, repeats, CGM), the availability
// scale, the angular windows of the sectors and the distance filter.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../comun/afirmaciones.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "utiles_me.h"

namespace {

const NReal kNaN = std::numeric_limits<NReal>::quiet_NaN();

TVectR Vector(const std::vector<NReal>& v) { return TVectR::CreateDesdeDA(1, v); }

// The samples flagged in a flag array.
std::set<int32_t> Marcadas(const TDAOfBoolean& a) {
  std::set<int32_t> s;
  for (size_t k = 1; k < a.size(); ++k)
    if (a[k]) s.insert(static_cast<int32_t>(k));
  return s;
}

std::set<int32_t> Rango(int32_t a, int32_t b) {
  std::set<int32_t> s;
  for (int32_t k = a; k <= b; ++k) s.insert(k);
  return s;
}

std::set<int32_t> Union(std::initializer_list<std::set<int32_t>> partes) {
  std::set<int32_t> s;
  for (const auto& p : partes) s.insert(p.begin(), p.end());
  return s;
}

// The relative air density of the model, transcribed: (0.34848 pr - 0.009 hr e^(0.061 t)) /
// (t + 273.16) over 1.225.
NReal RelativaTranscrita(NReal t, NReal pr, NReal hr) {
  return (0.34848 * pr - 0.009 * hr * std::exp(0.061 * t)) / (t + 273.16) / 1.225;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Runs of equal values

TEST(FiltrarRepetidos, RunsMasksAndTheLastSamples) {
  struct Caso {
    const char* que;
    std::vector<NReal> x;
    std::set<int32_t> mascara;
    std::set<int32_t> marcadas;
    int32_t total;
  };
  const std::vector<NReal> nueveIguales = {1, 2, 7, 7, 7, 7, 7, 7, 7, 7, 7, 3, 4};  // 3..11
  const std::vector<NReal> ochoIguales = {1, 2, 7, 7, 7, 7, 7, 7, 7, 7, 3, 4};      // 3..10
  const Caso casos[] = {
      {"nueve iguales", nueveIguales, {}, Rango(3, 10), 8},
      {"ocho iguales", ochoIguales, {}, {}, 0},
      // A run of 12 flags its first 11.
      {"doce iguales", {1, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 2, 3}, {}, Rango(2, 12), 11},
      // The run reaches the next-to-last sample (13 of 14): it is flagged up to 12 and counted
      // at the end of the scan; neither of the last two samples is ever flagged.
      {"hasta el penúltimo", {1, 2, 3, 4, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}, {}, Rango(5, 12), 8},
      // A masked sample ends the run: 4 + 5 equal values on either side flag nothing.
      {"máscara corta la racha", {1, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 2}, {5}, {}, 0},
      // ... and starts a new one with its own value: the masked sample 2 and its 8 followers
      // are 9 equal values, and it is flagged itself.
      {"máscara inicia la racha", {1, 7, 7, 7, 7, 7, 7, 7, 7, 7, 3, 4}, {2}, Rango(2, 9), 8},
      // Masked leading samples are skipped; all masked before the last: nothing.
      {"todas enmascaradas", {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 1}, Rango(1, 11), {}, 0},
      {"una muestra", {7}, {}, {}, 0},
      {"sin muestras", {}, {}, {}, 0},
      // NaN never equals itself: no run.
      {"NaN", std::vector<NReal>(12, kNaN), {}, {}, 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.que);
    const TVectR x = Vector(c.x);
    TDAOfBoolean marcas(c.x.size() + 1, 0), mascara(c.x.size() + 1, 0);
    for (int32_t k : c.mascara) mascara[static_cast<size_t>(k)] = 1;
    EXPECT_EQ(FiltrarRepetidos(marcas, x, 8, mascara), c.total);
    EXPECT_EQ(Marcadas(marcas), c.marcadas);
  }
  // A flag array not sized to the samples is refused rather than written past its end by the
  // run of equal values.
  const TVectR x = Vector(std::vector<NReal>(12, 7));
  TDAOfBoolean vacia, mascara(13, 0);
  EXPECT_THROW_MSG(FiltrarRepetidos(vacia, x, 8, mascara), EErrorGeneral,
                   "FiltrarRepetidos: 0 marcas para 12 muestras");
  TDAOfBoolean corta(12, 0);
  EXPECT_THROW_MSG(FiltrarRepetidos(corta, x, 8, mascara), EErrorGeneral,
                   "FiltrarRepetidos: 12 marcas para 12 muestras");
}

// ---------------------------------------------------------------------------------------------
// Availability scale

TEST(EscalarDisponibilidad, PercentTurbineCountOrPerUnit) {
  TParque_ModeloTeorico mt;
  mt.nMolinos = 30;
  const std::string porcentaje =
      "WARNING!!!: max_fd: 100 Asumo que es porcentaje y divido por este valor.";
  const std::string maquinas =
      "WARNING!!!: max_fd: 30 Asumo que es cantidad de máquinas y divido por este valor.";
  struct Caso {
    NReal maximo;
    NReal divisor;  // 1: unchanged
    std::string linea;
  };
  // 15 lies 14 from 1 and 15 from 30: per unit already.
  const Caso casos[] = {{95, 100, porcentaje}, {61, 100, porcentaje}, {28, 30, maquinas},
                        {16, 30, maquinas},    {1.0, 1, ""},          {15, 1, ""}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.maximo);
    TVectR f = Vector({c.maximo / 2, c.maximo, kNaN, 0});
    const auto lineas = LineasDeConsola([&] { EscalarDisponibilidad(f, mt); });
    EXPECT_EQ(lineas,
              c.linea.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.linea});
    EXPECT_DOUBLE_EQ(f[2], c.maximo / c.divisor);
    EXPECT_DOUBLE_EQ(f[1], c.maximo / 2 / c.divisor);
    EXPECT_EQ(f[4], 0);
  }
  // A NaN first sample takes no part in the maximum (a plain scan would start from it and
  // divide a per-unit series by the turbine count); a series of NaN alone is left as it is.
  TVectR f = Vector({kNaN, 1.0, 0.9});
  EXPECT_TRUE(LineasDeConsola([&] { EscalarDisponibilidad(f, mt); }).empty());
  EXPECT_EQ(f[2], 1.0);
  TVectR solo = Vector({kNaN});
  EXPECT_TRUE(LineasDeConsola([&] { EscalarDisponibilidad(solo, mt); }).empty());
}

// ---------------------------------------------------------------------------------------------
// The filters on a hand-made series of 80 samples (PAut 50 MW, 25 turbines)

TEST(FiltrarMuestras, ExactFlagsCountsAndConsoleLinesOfAHandMadeSeries) {
  TParque_ModeloTeorico mt;
  mt.nMolinos = 25;
  mt.potencia_autorizada_mw = 50;
  const int32_t n = 80;
  TVectR Vel(n), Ang(n), PE(n), Temp(n), Pre(n), Hum(n), CGM(n), fDisp(n), VarVel(n);
  for (int32_t k = 1; k <= n; ++k) {
    Vel[k] = 5 + 0.1 * k;
    Ang[k] = (7 * k) % 360;
    PE[k] = 10 + 0.3 * k;
    Temp[k] = 15;
    Pre[k] = 1013;
    Hum[k] = 50;
    CGM[k] = 50;
    fDisp[k] = 1;
  }
  // Gaps, each beside a value on its bound that is not one (1.05 * 50 is 52.5 exactly).
  Vel[2] = 80;
  Vel[3] = 80.0001;
  Vel[4] = 0;
  Vel[5] = -0.001;
  Ang[6] = -1000;
  Ang[7] = -1000.5;
  PE[8] = 52.5;
  PE[9] = 52.6;
  CGM[10] = -1000;
  CGM[11] = -1000.5;
  Vel[12] = kNaN;
  PE[13] = -1000;
  // Availability: 8 (52.5 > 1.02 * 50 = 51), 15, 17 and a NaN; not 14, 16 and 18 on the bounds.
  fDisp[14] = 0.8;
  fDisp[15] = 0.7999;
  fDisp[16] = 1.001;
  fDisp[17] = 1.0011;
  PE[18] = 51;
  fDisp[19] = kNaN;
  // Speed repeats: 9 equal (21..29) flag 8; 8 equal (31..38) flag nothing.
  for (int32_t k = 21; k <= 29; ++k) Vel[k] = 7.77;
  for (int32_t k = 31; k <= 38; ++k) Vel[k] = 8.88;
  // CGM on the bound 0.995 * 50 = 49.75 (not flagged) and just below it.
  CGM[20] = 49.75;
  CGM[30] = 49.7499;
  // A power held for ten samples within 4 MW of CGM is not a stuck value (but CGM 47 is a
  // limitation); a power of 25 held for ten samples is (61..69).
  for (int32_t k = 40; k <= 49; ++k) {
    PE[k] = 45;
    CGM[k] = 47;
  }
  for (int32_t k = 61; k <= 70; ++k) PE[k] = 25;
  // Direction repeats: a gap (51, power 60) starts a run of 9 with its own value; the run
  // 71..80 reaches the end and only 71..78 are flagged.
  PE[51] = 60;
  for (int32_t k = 51; k <= 59; ++k) Ang[k] = 250;
  for (int32_t k = 71; k <= 80; ++k) Ang[k] = 123;

  const TVectR antes = PE;
  TDAOfBoolean coh, cgm, huecos, dist, disp;
  const auto lineas = LineasDeConsola([&] {
    FiltrarMuestras(mt, PE, Vel, Hum, Ang, Temp, Pre, CGM, VarVel, fDisp, coh, cgm, huecos, dist,
                    disp, true);
  });

  EXPECT_EQ(Marcadas(huecos), (std::set<int32_t>{3, 5, 7, 9, 11, 12, 51}));
  EXPECT_EQ(Marcadas(disp), (std::set<int32_t>{8, 15, 17, 19}));
  EXPECT_EQ(Marcadas(coh), Union({Rango(21, 28), Rango(51, 58), Rango(61, 69), Rango(71, 78)}));
  EXPECT_EQ(Marcadas(cgm), Union({{10, 30}, Rango(40, 49)}));
  EXPECT_TRUE(Marcadas(dist).empty());
  for (const TDAOfBoolean* a : {&coh, &cgm, &huecos, &dist, &disp})
    EXPECT_EQ(a->size(), static_cast<size_t>(n + 1));

  // One density line per corrected sample (80 - 7 gaps - 4 unavailable), then the counts.
  const int32_t corregidas = n - 7 - 4;
  ASSERT_EQ(lineas.size(), static_cast<size_t>(corregidas + 6));
  EXPECT_EQ(lineas[0], "Filtrado de huecos: 7");
  const NReal rel = RelativaTranscrita(15, 1013, 50);
  for (int32_t i = 1; i <= corregidas; ++i) EXPECT_NEAR(TextoAReal(lineas[i]), rel, 1e-15);
  EXPECT_EQ(lineas[1], RealATexto(DensidadRelativaAire(DensidadAire(15, 1013, 50))));
  const std::vector<std::string> cuentas(lineas.begin() + corregidas + 1, lineas.end());
  EXPECT_EQ(cuentas,
            (std::vector<std::string>{"Filtrado por Disp < 0.8 o PDato/fdisp > PAutorizada: 4",
                                      "Filtro repetidos vel: 8", "Filtro repetidos dir: 16",
                                      "Filtro repetidos Pot: 9", "Filtro CGM < PAut*0.99: 12"}));

  // The power of the samples kept is brought to full availability and the standard density;
  // gaps and unavailable samples keep the measured one.
  for (int32_t k = 1; k <= n; ++k) {
    SCOPED_TRACE(k);
    if (huecos[static_cast<size_t>(k)] || disp[static_cast<size_t>(k)])
      EXPECT_EQ(PE[k], antes[k]);
    else
      EXPECT_NEAR(PE[k], antes[k] / (fDisp[k] * rel), 1e-12 * std::fabs(antes[k]));
  }
  EXPECT_NEAR(PE[14], antes[14] / (0.8 * rel), 1e-12);

  // Without density correction nothing is written between the counts and PE is untouched.
  TVectR PE2 = antes;
  const auto sinCorregir = LineasDeConsola([&] {
    FiltrarMuestras(mt, PE2, Vel, Hum, Ang, Temp, Pre, CGM, VarVel, fDisp, coh, cgm, huecos, dist,
                    disp, false);
  });
  EXPECT_EQ(sinCorregir.size(), 6u);
  EXPECT_EQ(PE2, antes);
}

// ---------------------------------------------------------------------------------------------
// Angular windows

TEST(EnVentanaAngular, SectorWindowsOfThreeDegrees) {
  // 72 sectors with an overlap of 0.2: the half-width the fit uses is exactly 3 degrees.
  const NReal semi = (360.0 / 72) * 0.5 * (1 + 0.2);
  ASSERT_EQ(semi, 3.0);
  struct Caso {
    NReal dir, sector;
    bool dentro;
  };
  const Caso casos[] = {
      {3, 0, true},     {3, 5, true},      {2.5, 0, true},     {2.5, 5, true},     {357, 0, true},
      {357, 355, true}, {356.9, 0, false}, {356.9, 355, true}, {3.0001, 0, false}, {-3, 0, true},
      {363, 0, true},   {722.5, 0, true},  {-357, 0, true},    {180, 0, false},    {kNaN, 0, false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.dir << " / " << c.sector);
    EXPECT_EQ(EnVentanaAngular(c.dir, c.sector, semi), c.dentro);
  }
}

// ---------------------------------------------------------------------------------------------
// Distance filter

namespace {

// A model over an in-memory series set of n samples at 15 C, 1013 hPa, 50 %, whose 72 sectors
// all hold the flat curve Pmax / 2 = 20 MW at the standard density (alfa 0).
std::unique_ptr<TParque_ModeloEmpirico> ModeloPlano(TParque_ModeloTeorico& mt, int32_t n) {
  auto m = std::make_unique<TParque_ModeloEmpirico>();
  m->mt = &mt;
  m->series = std::make_unique<TSeriesDeDatos>();
  m->series->NSeries = 9;
  m->series->NPuntos = n;
  m->series->series.assign(9, TVectR(n));
  m->TomarCanales();
  m->NPuntos = n;
  for (int32_t k = 1; k <= n; ++k) {
    (*m->Vel)[k] = 8;
    (*m->Ang)[k] = (k * 13) % 360;
    (*m->Temp)[k] = 15;
    (*m->Pre)[k] = 1013;
    (*m->HumRel)[k] = 50;
    (*m->PE)[k] = 20;
  }
  for (TDAOfBoolean* a : {&m->Filt_Huecos, &m->Filt_Coherencia, &m->Filt_CGM, &m->Filtro_Distancia,
                          &m->Filt_Disponibilidad})
    a->assign(static_cast<size_t>(n) + 1, 0);
  m->aTramo = TMatR(72, 10);
  m->bordesPv3 = TVectR(11);
  for (TVectR* v : {&m->alfa, &m->vm, &m->Pmax, &m->DeltaP, &m->alfa_varvel}) *v = TVectR(72);
  for (int32_t s = 1; s <= 72; ++s) m->Pmax[s] = 40;
  return m;
}

}  // namespace

TEST(FiltrarPorDistancia, FlagsTheTenthWithTheLargestErrorsAmongTheValidSamples) {
  TParque_ModeloTeorico mt;
  mt.potencia_autorizada_mw = 50;
  // 1000 valid samples whose power rises with k above the 20 * rho/1.225 MW of the curve, and
  // 10 flagged by other filters with much larger errors: those take no part.
  auto m = ModeloPlano(mt, 1010);
  for (int32_t k = 1; k <= 1010; ++k) (*m->PE)[k] = 20 + 0.001 * k;
  for (int32_t k = 1; k <= 10; ++k) {
    (*m->PE)[k] = 49;
    TDAOfBoolean* filtros[] = {&m->Filt_Huecos, &m->Filt_Coherencia, &m->Filt_CGM,
                               &m->Filt_Disponibilidad};
    (*filtros[k % 4])[static_cast<size_t>(k)] = 1;
  }
  EXPECT_EQ(m->FiltrarPorDistancia(), 100);
  EXPECT_EQ(Marcadas(m->Filtro_Distancia), Rango(911, 1010));

  // 15 valid samples: 15 - Trunc(13.5) = 2 flagged.
  auto q = ModeloPlano(mt, 15);
  for (int32_t k = 1; k <= 15; ++k) (*q->PE)[k] = 20 + (k == 4 ? 3 : k == 9 ? -2.5 : 0.01 * k);
  EXPECT_EQ(q->FiltrarPorDistancia(), 2);
  EXPECT_EQ(Marcadas(q->Filtro_Distancia), (std::set<int32_t>{4, 9}));
}

TEST(FiltrarPorDistancia, ValidSampleWithAnErrorAboveTheFlaggedMarkerIsStillRanked) {
  // Regression: ranking the flagged samples with an error of 99999 among the valid ones puts a
  // valid sample of power -500 (not a gap: above -1000), whose squared error is about
  // (20 + 500)^2 = 270400 > 99999, behind the 10 flagged ones, out of the flagged tenth.
  TParque_ModeloTeorico mt;
  mt.potencia_autorizada_mw = 50;
  auto m = ModeloPlano(mt, 1011);
  for (int32_t k = 1; k <= 1011; ++k) (*m->PE)[k] = 20 + 0.001 * k;
  for (int32_t k = 1; k <= 10; ++k) m->Filt_CGM[static_cast<size_t>(k)] = 1;
  (*m->PE)[500] = -500;
  // 1001 valid: 1001 - Trunc(900.9) = 101 flagged, the -500 sample and the 100 largest.
  EXPECT_EQ(m->FiltrarPorDistancia(), 101);
  EXPECT_EQ(Marcadas(m->Filtro_Distancia), Union({{500}, Rango(912, 1011)}));
}

TEST(FiltrarPorDistancia, EachSampleAtItsOwnAirDensityAndSpeedVariance) {
  // 20 samples in two kinds of air (about 1.274 and 1.140 kg/m3) with their own speed
  // variances, on a sloped S-curve with a variance term; the two flagged samples were found
  // by tests/tools/filtro_distancia_ref.py, and are others when the curve is evaluated at the
  // standard density or without the variance.
  TParque_ModeloTeorico mt;
  auto m = ModeloPlano(mt, 20);
  std::set<int32_t> esperadas;
  TextoEntrada f(std::filesystem::path(AERONDA_FIXTURES) / "filtro_distancia_ref.txt");
  int32_t k = 0;
  while (!f.Fin()) {
    std::istringstream l(f.LeerLinea());
    std::string tipo;
    l >> tipo;
    std::vector<double> c;
    for (std::string t; l >> t;) {
      double x = kNaN;
      std::from_chars(t.data(), t.data() + t.size(), x);
      c.push_back(x);
    }
    if (tipo == "curva") {
      for (int32_t s = 1; s <= 72; ++s) {
        m->Pmax[s] = c.at(0), m->DeltaP[s] = c.at(1), m->alfa[s] = c.at(2), m->vm[s] = c.at(3);
        m->alfa_varvel[s] = c.at(4);
      }
      mt.potencia_autorizada_mw = c.at(5);
    } else if (tipo == "m") {
      ++k;
      TVectR* canales[] = {m->Vel, m->Ang, m->Temp, m->Pre, m->HumRel, m->VarVel, m->PE};
      for (size_t q = 0; q < 7; ++q) (*canales[q])[k] = c.at(q);
    } else if (tipo == "marcadas") {
      for (double x : c) esperadas.insert(static_cast<int32_t>(x));
    }
  }
  ASSERT_EQ(k, 20);
  ASSERT_EQ(esperadas.size(), 2u);
  EXPECT_EQ(m->FiltrarPorDistancia(), 2);
  EXPECT_EQ(Marcadas(m->Filtro_Distancia), esperadas);
}

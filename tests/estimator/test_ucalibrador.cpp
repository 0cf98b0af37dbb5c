// The calibrator on the small farm of tests/tools/calibrador_ref.py: its file, the objective
// against the independent Python transcription, the trial points, the search and the
// station-factor matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "estimator/ucalibrador.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "estimator/utiles_calibrador.h"
#include "numerics/uauxiliares.h"
#include "numerics/ucompletarmatriz.h"
#include "platform/aleatorio.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/fechas.h"

namespace fs = std::filesystem;

namespace {

// Seeds after which the generator's next draw is exactly 0.5 (state 2^31) and exactly 0
// (state 0): s = (target - 1) / 134775813 mod 2^32, the inverse found with Python's
// pow(134775813, -1, 2**32).
constexpr int32_t kSemillaMitad = static_cast<int32_t>(2796574515u);
constexpr int32_t kSemillaCero = 649090867;

std::unique_ptr<TCalibradorParque> Chico() {
  return TCalibradorParque::CreateDesdeArchivo(FixtureCalibrador());
}

// The same farm without turbines: every theoretical power is 0, whatever the parameters, so
// the objective does not depend on them and no trial ever improves.
std::unique_ptr<TCalibradorParque> SinMolinos() {
  auto c = Chico();
  c->mt->molinos.clear();
  c->mt->nMolinos = 0;
  return c;
}

double Relativo(double a, double b) { return std::fabs(a - b) / std::fmax(std::fabs(b), 1e-300); }

}  // namespace

class Calibrador : public ConCarpetasDePrueba {};

TEST_F(Calibrador, FileIsTheTwoModelTextsAndRewritesByteForByte) {
  auto c = Chico();
  // Linked, and the parameters are the two column levels of the 4 x 2 matrix and the loss.
  EXPECT_EQ(c->mt->modeloEmpirico, c->me.get());
  ASSERT_EQ(c->parametros.size(), 3u);
  ASSERT_EQ(c->x.size(), 3u);
  EXPECT_EQ(c->xPrueba.size(), 3u);
  EXPECT_DOUBLE_EQ(c->x[0], (1.0 + 0.95 + 1.02 + 0.97) / 4);
  EXPECT_DOUBLE_EQ(c->x[1], (1.05 + 1.1 + 0.9 + 1.0) / 4);
  EXPECT_EQ(c->x[2], 0.035);

  // The fixture is typed in the writers' exact form: writing it back gives its bytes.
  const fs::path a = raiz_ / "a.clp", b = raiz_ / "b.clp";
  c->Guardar(a);
  EXPECT_EQ(LeerArchivoCompleto(a), LeerArchivoCompleto(FixtureCalibrador()));
  TCalibradorParque::CreateDesdeArchivo(a)->Guardar(b);
  EXPECT_EQ(LeerArchivoCompleto(b), LeerArchivoCompleto(a));
}

TEST_F(Calibrador, FileErrorsReachTheCaller) {
  const fs::path falta = raiz_ / "no_existe.clp";
  EXPECT_THROW_MSG(TCalibradorParque::CreateDesdeArchivo(falta), EInOutError,
                   "No puedo abrir el archivo: " + falta.string());
  // Cut inside the empirical model's text.
  std::string texto = LeerArchivoCompleto(FixtureCalibrador());
  texto.resize(texto.size() - 200);
  const fs::path corto = raiz_ / "corto.clp";
  {
    TextoSalida f(corto);
    f.Escribir(texto);
    f.Cerrar();
  }
  EXPECT_THROW(TCalibradorParque::CreateDesdeArchivo(corto), EInOutError);
  EXPECT_EQ(NivelFormatoEstandar(), 0);
  // A save into a folder that does not exist.
  EXPECT_THROW(Chico()->Guardar(raiz_ / "no" / "x.clp"), EInOutError);
}

TEST_F(Calibrador, EmpiricalModelErrorsFromSeriesPassUnchangedAndLinkNothing) {
  std::shared_ptr<TParque_ModeloTeorico> mt = Chico()->mt;
  EXPECT_EQ(mt->modeloEmpirico, nullptr);
  EXPECT_THROW(TCalibradorParque::Create(mt, raiz_ / "no_existe.sas", 1, 100), EInOutError);
  // A series of hourly samples: the empirical model wants ten minutes.
  std::string texto = LeerArchivoCompleto(fs::path(AERONDA_FIXTURES) / "lectura_lf.sas");
  const size_t p = texto.find("\n1/6\n");
  ASSERT_NE(p, std::string::npos);
  texto.replace(p, 5, "\n1\n");
  const fs::path horaria = raiz_ / "horaria.sas";
  {
    TextoSalida f(horaria);
    f.Escribir(texto);
    f.Cerrar();
  }
  EXPECT_THROW(TCalibradorParque::Create(mt, horaria, 1, 100), EErrorGeneral);
  EXPECT_EQ(mt->modeloEmpirico, nullptr);
  EXPECT_THROW_MSG(TCalibradorParque::Create(nullptr, horaria, 1, 100), EErrorGeneral,
                   "El calibrador necesita un modelo teórico");
}

TEST_F(Calibrador, FromSeriesLinksTheNewEmpiricalModelAndSavesBothTexts) {
  std::shared_ptr<TParque_ModeloTeorico> mt = Chico()->mt;
  auto c =
      TCalibradorParque::Create(mt, fs::path(AERONDA_FIXTURES) / "me_series_curvas.sas", 1, 100);
  EXPECT_EQ(c->mt, mt);
  EXPECT_EQ(mt->modeloEmpirico, c->me.get());
  EXPECT_EQ(c->me->mt, mt.get());
  EXPECT_EQ(c->me->NSectores(), 72);
  EXPECT_EQ(c->me->NTramos(), 10);
  EXPECT_EQ(c->parametros.size(), 3u);
  // Saved and read back: the same two model texts.
  const fs::path a = raiz_ / "a.clp", b = raiz_ / "b.clp";
  c->Guardar(a);
  auto leido = TCalibradorParque::CreateDesdeArchivo(a);
  leido->Guardar(b);
  EXPECT_EQ(LeerArchivoCompleto(b), LeerArchivoCompleto(a));
  EXPECT_EQ(leido->me->PTramo, c->me->PTramo);
  EXPECT_EQ(leido->me->Pmax, c->me->Pmax);
}

TEST_F(Calibrador, ObjectiveAgreesWithTheIndependentTranscription) {
  std::vector<TObjetivoRef> objetivos;
  std::vector<TCocienteRef> cocientes;
  LeerReferenciasCalibrador(objetivos, cocientes);
  ASSERT_EQ(objetivos.size(), 3u);
  auto c = Chico();
  for (const auto& o : objetivos) {
    const double s = c->ErrorCuadratico(31, o.x);
    EXPECT_LT(Relativo(s, o.valor), 1e-9) << s << " vs " << o.valor;
    // The point is left in the model.
    TDAofNReal leido(3);
    c->LeerParametros(leido);
    for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(leido[i], o.x[i], 1e-14);
  }
  // The same 25 situations at every evaluation, whatever ran in between.
  const double primera = c->ErrorCuadratico(31, objetivos[0].x);
  EXPECT_LT(Relativo(primera, objetivos[0].valor), 1e-9);
  EXPECT_EQ(c->nEvaluaciones, 4);
}

TEST_F(Calibrador, TrialPointsMoveOnlyTheChosenParametersAndNeverBelowZero) {
  auto c = Chico();
  c->x = {0.1, 0.05, 0.7};
  c->paso = 1.0;

  // A draw of exactly 0.5 leaves the value, rounded to single precision.
  RandSeed(kSemillaMitad);
  c->Perturbar({0});
  EXPECT_EQ(c->xPrueba, (TDAofNReal{static_cast<double>(0.1f), 0.05, 0.7}));

  // A draw of 0 moves 0.05 by -0.1: below zero, so 0.
  RandSeed(kSemillaCero);
  c->Perturbar({1});
  EXPECT_EQ(c->xPrueba, (TDAofNReal{0.1, 0.0, 0.7}));

  // Empty indices: every parameter moves, one draw each, within +-0.1 * paso, in single
  // precision.
  c->paso = 0.49;
  RandSeed(12345);
  c->Perturbar({});
  RandSeed(12345);
  for (size_t i = 0; i < 3; ++i) {
    const double u = Random();
    const float w = static_cast<float>(c->x[i] + (u - 0.5) * 2 * 0.1 * 0.49);
    EXPECT_EQ(c->xPrueba[i], w > 0 ? static_cast<double>(w) : 0.0) << i;
    EXPECT_LE(std::fabs(c->xPrueba[i] - c->x[i]), 0.049 + 1e-7);
  }

  EXPECT_THROW_MSG(c->Perturbar({3}), EErrorGeneral,
                   "Índice de parámetro fuera de rango: 3 (hay 3 parámetros)");
  EXPECT_THROW_MSG(c->Perturbar({-1}), EErrorGeneral,
                   "Índice de parámetro fuera de rango: -1 (hay 3 parámetros)");
}

TEST(GeneradorUniforme, IsTheLinearCongruenceOverTwoToThe32) {
  // x := 134775813 x + 1 mod 2^32, draw x / 2^32: from 0 the states are 1 and 134775814.
  RandSeed(0);
  EXPECT_EQ(Random(), 1.0 / 4294967296.0);
  EXPECT_EQ(Random(), 134775814.0 / 4294967296.0);
  EXPECT_EQ(RandSeed(), 134775814);
  RandSeed(kSemillaMitad);
  EXPECT_EQ(Random(), 0.5);
  RandSeed(-1);  // state 2^32 - 1 -> 134775813 * (2^32 - 1) + 1 = 2^32 - 134775812 (mod 2^32)
  EXPECT_EQ(Random(), (4294967296.0 - 134775812.0) / 4294967296.0);
  RandSeed(7);
  const int32_t a = Random(10);
  RandSeed(7);
  EXPECT_EQ(Random(10), a);
  EXPECT_EQ(Random(0), 0);
  // State 2^31 + 1 after seed -2^31: (2^31 + 1)(2^31 - 1) / 2^32 = 2^30 - 2^-32, whose whole
  // part is 2^30 - 1; the product taken in a double rounds up to 2^30.
  RandSeed(INT32_MIN);
  EXPECT_EQ(Random(INT32_MAX), (1 << 30) - 1);
}

TEST(EtiquetaDeIndices, TwoUpperCaseHexDigitsAtLeast) {
  struct Caso {
    TDAofNInt indices;
    std::string tag;
  };
  for (const Caso& k :
       std::vector<Caso>{{{}, ""}, {{3, 12}, "030C"}, {{0}, "00"}, {{255, 256, 4096}, "FF1001000"}})
    EXPECT_EQ(EtiquetaIndices(k.indices), k.tag);
}

TEST_F(Calibrador, SearchWithoutImprovementMakesExactlyOneHundredTrials) {
  auto c = SinMolinos();
  const TDAofNReal inicio = c->x;
  const TMatR etha = c->mt->meteo_etha;
  const double f0 = c->ErrorCuadratico(31, inicio);
  c->nEvaluaciones = 0;
  // A seed given before has no effect: the search reseeds the generator from the tick count,
  // then draws one value per parameter and trial.
  RandSeed(12345);
  const uint32_t antes = GetTickCount();
  const double f = c->Calibrar({});
  const uint32_t despues = GetTickCount();
  const int32_t estadoFinal = RandSeed();
  const auto estadoTras = [&](uint32_t semilla) {
    RandSeed(static_cast<int32_t>(semilla));
    for (int i = 0; i < 100 * 3; ++i) Random();
    return RandSeed();
  };
  EXPECT_NE(estadoFinal, estadoTras(12345));
  bool desdeElReloj = false;
  for (uint32_t t = antes; !desdeElReloj; ++t) {
    desdeElReloj = estadoTras(t) == estadoFinal;
    if (t == despues) break;
  }
  EXPECT_TRUE(desdeElReloj) << "seeded from no tick in [" << antes << ", " << despues << "]";
  // Ten stages of ten failures after the first evaluation.
  EXPECT_EQ(c->nEvaluaciones, 101);
  EXPECT_EQ(f, f0);
  EXPECT_EQ(c->x, inicio);
  // Trial levels were written into the matrix and the starting ones back: the same matrix
  // up to the rounding of the column scalings.
  for (int32_t i = 1; i <= etha.nf; ++i)
    for (int32_t j = 1; j <= etha.nc; ++j)
      EXPECT_NEAR(c->mt->meteo_etha.Elemento(i, j), etha.Elemento(i, j), 1e-13);
  EXPECT_EQ(c->mt->factor_perdidas, 0.035);
  EXPECT_NEAR(c->paso, std::pow(0.7, 10), 1e-15);
  // No improvement, no file.
  EXPECT_FALSE(fs::exists(c->ArchivoMejora({}, 1)));
}

TEST_F(Calibrador, SearchOnOneParameterImprovesAndSavesEachImprovement) {
  auto c = Chico();
  const TDAofNReal inicio = c->x;
  const double f0 = c->ErrorCuadratico(31, inicio);
  const double f = c->Calibrar({0});
  EXPECT_LE(f, f0);
  // Only parameter 0 moved; the model holds the best point and its value is the result.
  EXPECT_EQ(c->x[1], inicio[1]);
  EXPECT_EQ(c->x[2], inicio[2]);
  TDAofNReal enModelo(3);
  c->LeerParametros(enModelo);
  EXPECT_NEAR(enModelo[0], c->x[0], 1e-14);
  EXPECT_EQ(c->fMejor, f);
  EXPECT_LT(Relativo(c->ErrorCuadratico(31, c->x), f), 1e-12);

  // One file per improvement, tagged "00", numbered from 1; the last carries the best point.
  const fs::path uno = basura_ / "calibrado_Parque Chico Ñire001.clp";
  EXPECT_EQ(c->ArchivoMejora({0}, 1), uno);
  // Any trial above the start improves here (the objective falls steeply with the level), so
  // the chance that a hundred trials in a row fail is 2^-100.
  ASSERT_LT(f, f0);
  ASSERT_TRUE(fs::exists(uno));
  int32_t n = 1;
  while (fs::exists(c->ArchivoMejora({0}, n + 1))) ++n;
  EXPECT_GE(c->nEvaluaciones, 1 + 1 + 100 + n);
  auto ultimo = TCalibradorParque::CreateDesdeArchivo(c->ArchivoMejora({0}, n));
  EXPECT_NEAR(ultimo->x[0], c->x[0], 1e-14);
  EXPECT_LT(Relativo(ultimo->ErrorCuadratico(31, ultimo->x), f), 1e-12);
}

// A folder for the improvement files that cannot be made (a file stands where it would go):
// the search is not refused for it; the first improvement fails with the I/O error of its file.
TEST_F(Calibrador, ImprovementFolderThatCannotBeMadeFailsAtTheFirstImprovement) {
  const fs::path archivo = raiz_ / "un_archivo";
  {
    TextoSalida f(archivo);
    f.Cerrar();
  }
  ::setenv("AERONDA_BASURA", archivo.c_str(), 1);  // TearDown puts it back
  auto sin = SinMolinos();
  const double f0 = sin->ErrorCuadratico(31, sin->x);
  EXPECT_EQ(sin->Calibrar({}), f0);  // nothing to save
  auto c = Chico();
  EXPECT_THROW_MSG(c->Calibrar({0}), EInOutError,
                   "No puedo crear el archivo: " + c->ArchivoMejora({0}, 1).string());
}

TEST_F(Calibrador, HandlesFollowAReplacedStationFactorMatrix) {
  auto c = SinMolinos();
  ASSERT_EQ(c->parametros.size(), 3u);
  // A one-column matrix in place of the 4 x 2 one: the handle of column 2 no longer fits.
  TMatR una(4, 1);
  for (int32_t i = 1; i <= 4; ++i) una.PonerElemento(i, 1, 0.8 + 0.1 * i);
  c->mt->meteo_etha = una;
  TDAofNReal x3(3);
  EXPECT_THROW_MSG(c->LeerParametros(x3), EErrorGeneral,
                   "Parámetro calibrable fuera de la matriz meteo_etha: columna 2 de 1");
  TDAofNReal x1(1);
  c->LeerParametros(x1);  // column 1 still fits, read from the new matrix
  EXPECT_DOUBLE_EQ(x1[0], (0.9 + 1.0 + 1.1 + 1.2) / 4);

  // The search takes the new parameter list and its values from the model: nothing moves
  // (no trial improves here), so the new matrix comes out as it went in.
  c->Calibrar({});
  ASSERT_EQ(c->parametros.size(), 2u);
  EXPECT_DOUBLE_EQ(c->x[0], x1[0]);
  EXPECT_EQ(c->x[1], 0.035);
  for (int32_t i = 1; i <= 4; ++i)
    EXPECT_NEAR(c->mt->meteo_etha.Elemento(i, 1), 0.8 + 0.1 * i, 1e-13);

  // And back to more columns: column 1's level is the new matrix's, not the one read before.
  TMatR tres(4, 3);
  for (int32_t i = 1; i <= 4; ++i)
    for (int32_t j = 1; j <= 3; ++j) tres.PonerElemento(i, j, 2.0 * j + 0.25 * i);
  c->mt->meteo_etha = tres;
  c->Calibrar({});
  ASSERT_EQ(c->parametros.size(), 4u);
  EXPECT_NEAR(c->mt->meteo_etha.Elemento(1, 1), 2.25, 1e-13);
  EXPECT_NEAR(c->mt->meteo_etha.Elemento(4, 3), 7.0, 1e-13);
}

TEST_F(Calibrador, LinkIsClearedWhenTheEmpiricalModelGoesWithTheCalibrator) {
  std::shared_ptr<TParque_ModeloTeorico> mt;
  {
    auto c = Chico();
    mt = c->mt;
    EXPECT_NE(mt->modeloEmpirico, nullptr);
  }
  EXPECT_EQ(mt->modeloEmpirico, nullptr);
  // Kept while someone else shares the empirical model.
  std::shared_ptr<TParque_ModeloEmpirico> me;
  {
    auto c = Chico();
    mt = c->mt;
    me = c->me;
  }
  EXPECT_EQ(mt->modeloEmpirico, me.get());
}

// The cells are searched on the farm without station factor, so the matrix in force does not
// change them: the fixture's own, and one far from 1 where a search takes more than one step
// (cell 1,1: with its 1.5 in force the search would end at 1.894 m/s instead of 1.527, the
// cell at 72.09 instead of 137.5, as Grilla(0, 1.5) of calibrador_ref.py finds; the other
// cells take the first regula falsi trial, within 1 MW whatever the factor).
TEST_F(Calibrador, StationFactorMatrixMarksCellsWithoutDataAndFillsThem) {
  TMatR lejos(4, 2);
  const double valores[4][2] = {{1.5, 0.7}, {0.6, 1.3}, {1.4, 0.8}, {0.75, 1.25}};
  for (int32_t i = 1; i <= 4; ++i)
    for (int32_t j = 1; j <= 2; ++j) lejos.PonerElemento(i, j, valores[i - 1][j - 1]);
  for (const bool propia : {true, false}) {
    SCOPED_TRACE(propia ? "meteo_etha del archivo" : "meteo_etha lejos de 1");
    auto c = Chico();
    if (!propia) c->mt->meteo_etha = lejos;
    const TMatR m2 = c->CalibrarEthaMeteo();
    ASSERT_EQ(m2.nf, 4);
    ASSERT_EQ(m2.nc, 2);
    const fs::path carpeta = CarpetaCentral(77);

    // The raw table: -99999 exactly where fewer than 10 samples stand behind the
    // representative (counts 3, -1 and 9 in the fixture).
    TextoEntrada f(carpeta / "Metha_borde.txt");
    EXPECT_EQ(f.LeerLinea(), "NFilas: \t4\tNColumnas: \t2");
    EXPECT_EQ(f.LeerLinea(), " \t1\t2");
    TMatR m(4, 2);
    for (int32_t i = 1; i <= 4; ++i) {
      std::string linea = f.LeerLinea();
      std::vector<std::string> campos;
      for (size_t p; (p = linea.find('\t')) != std::string::npos; linea.erase(0, p + 1))
        campos.push_back(linea.substr(0, p));
      campos.push_back(linea);
      ASSERT_EQ(campos.size(), 3u);
      EXPECT_EQ(campos[0], IntToStr(i));
      for (int32_t j = 1; j <= 2; ++j) m.PonerElemento(i, j, TextoAReal(campos[j]));
    }
    // The measured cells are (vj / v*)^3 as tests/tools/calibrador_ref.py finds them.
    std::vector<TObjetivoRef> objetivos;
    std::vector<TCocienteRef> cocientes;
    std::vector<TCeldaEthaRef> celdas;
    LeerReferenciasCalibrador(objetivos, cocientes, &celdas);
    ASSERT_EQ(celdas.size(), 5u);
    double esperadaBorde[4][2] = {
        {-99999.0, -99999.0}, {-99999.0, -99999.0}, {-99999.0, -99999.0}, {-99999.0, -99999.0}};
    for (const TCeldaEthaRef& celda : celdas) esperadaBorde[celda.k - 1][celda.j - 1] = celda.valor;
    for (int32_t i = 1; i <= 4; ++i)
      for (int32_t j = 1; j <= 2; ++j) {
        const double e = esperadaBorde[i - 1][j - 1];
        if (e == -99999.0)
          EXPECT_EQ(m.Elemento(i, j), e) << i << "," << j;
        else
          EXPECT_LT(Relativo(m.Elemento(i, j), e), 1e-9)
              << i << "," << j << ": " << m.Elemento(i, j);
      }
    // The returned matrix is the completion of that table, and the second file holds it.
    TMatR esperada(4, 2);
    NReal cambio = 0;
    int32_t pasadas = 0;
    CompletarMatriz(esperada, m, cambio, pasadas);
    EXPECT_EQ(m2, esperada);
    EXPECT_TRUE(fs::exists(carpeta / "Metha_completada.txt"));
  }
}

TEST_F(Calibrador, StationFactorMatrixWithoutAnyDataIsAllZeros) {
  auto c = Chico();
  c->me->cntTramo.Anular();  // no representative has samples behind it
  const TMatR m2 = c->CalibrarEthaMeteo();
  EXPECT_EQ(m2, TMatR(4, 2));
  const std::string borde = LeerArchivoCompleto(CarpetaCentral(77) / "Metha_borde.txt");
  size_t n = 0;
  for (size_t p = borde.find("-9.9999000000000000E+004"); p != std::string::npos;
       p = borde.find("-9.9999000000000000E+004", p + 1))
    ++n;
  EXPECT_EQ(n, 8u);
}

// Series processing with a model power given sample by sample, worked out by hand; the result
// table, the energy records, the error file, the workbook sheet, and the restriction run's
// files; the plant's SMEC/SCADA factor from the database.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "comun/basededatos.h"
#include "comun/carpeta_prueba.h"
#include "comun/volcado_xlsx.h"
#include "estimator/ucalcrestriccionesoperativas.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/uauxiliares.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "services/u_ExcelFile.h"
#include "services/udbconpg.h"
#include "services/useriestemporales.h"

namespace fs = std::filesystem;

namespace {

constexpr double kPaso = 10.0 / 1440.0;
const TDateTime kInicio = 42675.0;  // 2016-11-01 00:00
constexpr NReal kPAut = 50;

TDateTime Muestra(int32_t k) { return kInicio + (k - 1) * kPaso; }

// One sample of the hand-made series; its direction is its index, which the fake model uses to
// find its power.
struct Fila {
  NReal PE, CGM, M;  // measured power, CGM power, model power limited by PAut (MW)
  NReal vel = 0;     // 0: 5 + k / 2 (never repeated, never a gap)
};

// The hand-worked series: PAut 50, so usable samples need PE > 10 and the set-point is CGM
// below 49.75 with PE within 4 MW of it; samples 6 to 8 are held at the set-point by a CGM of
// 20, and sample 9 ends that restriction.
const std::vector<Fila> kSerie = {
    {30, 60, 40}, {40, 60, 50}, {8, 60, 30},  {45, 60, 45}, {36, 60, 48}, {20, 20, 40},
    {21, 20, 42}, {19, 20, 38}, {44, 60, 40}, {30, 60, 40}, {35, 60, 50}, {30, 60, 30},
};

fs::path Carpeta(const std::string& nombre) { return CarpetaDePrueba("ro_" + nombre); }

fs::path EscribirSerie(const fs::path& carpeta, const std::vector<Fila>& filas,
                       int32_t nSeries = 9) {
  TSeriesDeDatos sd;
  sd.NSeries = nSeries;
  sd.anio = 2016;
  sd.mes = 11;
  sd.dia = 1;
  sd.periodoHoras = 1.0 / 6.0;
  sd.NPuntos = static_cast<int32_t>(filas.size());
  const char* nombres[] = {"Vel", "Ang", "PE", "Temp", "Pre", "HumRel", "CGM", "fDisp", "VarVel"};
  for (int32_t s = 0; s < nSeries; ++s) {
    sd.nombres.push_back(nombres[s]);
    sd.tipos.push_back(ENTRADA);
    TVectR v(sd.NPuntos);
    for (int32_t k = 1; k <= sd.NPuntos; ++k) {
      const Fila& f = filas[static_cast<size_t>(k - 1)];
      const NReal valores[] = {
          f.vel != 0 ? f.vel : 5 + 0.5 * k, NReal(k), f.PE, 15, 1013, 50, f.CGM, 1, 0.5};
      v[k] = valores[s];
    }
    sd.series.push_back(v);
  }
  sd.CalcularInicio();
  const fs::path p = carpeta / "serie.sas";
  sd.Grabar(p);
  return p;
}

// A farm of 50 MW authorised power, plant 123, whose power at sample k is M of kSerie[k]
// (found by the direction, which is k) and whose station factor is 0.9 + k / 1000.
struct ModeloFalso {
  TParque_ModeloTeorico mt;
  std::vector<Fila> filas;
  int evaluaciones = 0;
  explicit ModeloFalso(std::vector<Fila> f) : filas(std::move(f)) {
    mt.potencia_autorizada_mw = kPAut;
    mt.central = 123;
    mt.nMolinos = 10;
  }
  TModeloParaSeries Modelo() {
    TModeloParaSeries m;
    m.mt = &mt;
    m.nSectores = 72;
    m.nTramos = 10;
    m.evaluar = [this](NReal& pCGM, NReal& pAut, NReal& eta, NReal, NReal dir, NReal, NReal cgm) {
      const auto k = static_cast<size_t>(std::lround(dir));
      pAut = filas.at(k - 1).M;
      pCGM = std::min(pAut, cgm);
      eta = 0.9 + static_cast<double>(k) / 1000;
      ++evaluaciones;
    };
    return m;
  }
};

std::vector<std::string> Partir(const std::string& s, const std::string& sep) {
  std::vector<std::string> r;
  size_t i = 0;
  while (true) {
    const size_t f = s.find(sep, i);
    r.push_back(s.substr(i, f == std::string::npos ? std::string::npos : f - i));
    if (f == std::string::npos) return r;
    i = f + sep.size();
  }
}

// The result table: header, rows (as fields), the summary header and line.
struct Resultado {
  std::vector<std::string> lineas;
  std::vector<std::vector<std::string>> filas;
  NReal Col(size_t fila, size_t col) const { return TextoAReal(filas.at(fila).at(col - 1)); }
};

Resultado LeerResultado(const fs::path& p) {
  Resultado r;
  r.lineas = Partir(LeerArchivoCompleto(p), "\r\n");
  for (size_t i = 1; i < r.lineas.size() && !r.lineas[i].empty(); ++i)
    r.filas.push_back(Partir(r.lineas[i], "\t"));
  return r;
}

class ProcesarSeriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The user's settings: the series reader's guard pops back to them.
    guardado_ = FormatoDelSistema();
    TFormatSettings usuario = guardado_;
    usuario.DecimalSeparator = ',';
    usuario.ThousandSeparator = '.';
    usuario.DateSeparator = '/';
    usuario.TimeSeparator = ':';
    usuario.ShortDateFormat = "dd/mm/yyyy";
    usuario.LongTimeFormat = "hh:nn:ss";
    FijarFormatoDelSistema(usuario);
    ReiniciarFormatoEstandarParaPruebas();
    carpeta_ = Carpeta(::testing::UnitTest::GetInstance()->current_test_info()->name());
    coutPrevio_ = std::cout.rdbuf(consola_.rdbuf());
  }
  void TearDown() override {
    std::cout.rdbuf(coutPrevio_);
    FijarFormatoDelSistema(guardado_);
    ReiniciarFormatoEstandarParaPruebas();
  }
  TFormatSettings guardado_;
  fs::path carpeta_;
  std::ostringstream consola_;
  std::streambuf* coutPrevio_ = nullptr;
};

const std::string kCabecera =
    "dt\tVel[m/s]\tDir[gr]\tP_MW_Dato[MW]\tCGM_Dato[MW]\tITurb_dato[p.u]\tro_aire[kg/m3]\t"
    "P_MW_MC_conAjCP\tP_MW_MC_sinAjCP\tC_ajuste\tEthaMeteo[p.u.]\tf_disp[p.u.]\t"
    "filtro_coherencia\tfiltro_CGM\tfiltro_huecos\tpRed_conAjCP[MW]";

// The restriction period 6 .. 9 processed as the restriction run does, widened by four hours
// (to the whole series), with nBuffer 2. By hand:
//   razonAntes: samples 5, 4: (36 + 45) / (48 + 45) = 81/93; razonDespues: samples 10, 11:
//   (30 + 35) / (40 + 50) = 65/90.
//   running coefficient (before the sample enters the two-slot ring): 1 (k1), 30/40 (k2),
//   70/90 (k3, k4: sample 3 is not usable, PE 8 <= 10), 85/95 (k5), 81/93 (k6 .. k9: samples
//   held at the set-point do not enter), 80/88 (k10), 74/80 (k11), 65/90 (k12).
//   inside the period t runs 0, 1/3, 2/3, 1 over samples 6 .. 9.
TEST_F(ProcesarSeriesTest, CoeficientesYEnergiaCalculadosAMano) {
  const fs::path serie = EscribirSerie(carpeta_, kSerie);
  ModeloFalso mf(kSerie);
  TDAofRecsEnergiaPorFecha energias = {{1.0, 0.125}};  // not emptied
  ProcesarSeries(mf.Modelo(), serie, carpeta_, Muestra(6) - 1.0 / 6, Muestra(9) + 1.0 / 6,
                 Muestra(6), Muestra(9), 1.25, energias, 2, true, false, true, nullptr);
  // 12 samples and 2 x 2 for the period coefficients.
  EXPECT_EQ(mf.evaluaciones, 12 + 4);

  const fs::path archivo = carpeta_ / "c123_ResultadosMC_20161101201611010150_2m.xlt";
  ASSERT_TRUE(fs::exists(archivo));
  const Resultado r = LeerResultado(archivo);
  EXPECT_EQ(r.lineas[0], kCabecera);
  ASSERT_EQ(r.filas.size(), 12u);

  const NReal ra = 81.0 / 93, rd = 65.0 / 90;
  const NReal cFila[12] = {1,         30.0 / 40, 70.0 / 90,         70.0 / 90,
                           85.0 / 95, ra,        (2 * ra + rd) / 3, (ra + 2 * rd) / 3,
                           rd,        80.0 / 88, 74.0 / 80,         65.0 / 90};
  const NReal rho = DensidadAire(15, 1013, 50);
  for (size_t i = 0; i < 12; ++i) {
    SCOPED_TRACE(i + 1);
    const Fila& f = kSerie[i];
    EXPECT_NEAR(r.Col(i, 10), cFila[i], 1e-15);
    EXPECT_EQ(r.Col(i, 9), f.M);
    EXPECT_NEAR(r.Col(i, 8), std::min(cFila[i] * f.M, kPAut), 1e-13);
    EXPECT_EQ(r.Col(i, 7), rho);
    EXPECT_EQ(r.Col(i, 11), 0.9 + static_cast<double>(i + 1) / 1000);
    EXPECT_EQ(r.filas[i][13], i >= 5 && i <= 7 ? "TRUE" : "FALSE");  // filtro_CGM
    const NReal pRed = (i >= 5 && i <= 7) ? cFila[i] * f.M - f.PE : 0;
    EXPECT_NEAR(r.Col(i, 16), pRed, 2e-6);
  }
  // The first row whole: midnight is written without its time, in the user's date format.
  EXPECT_EQ(r.lineas[1],
            "01/11/2016\t 5.5000000000000000E+000\t 1.0000000000000000E+000\t "
            "3.0000000000000000E+001\t 6.0000000000000000E+001\t\t" +
                RealATexto(rho) +
                "\t 4.0000000000000000E+001\t 4.0000000000000000E+001\t "
                "1.0000000000000000E+000\t 9.0100000000000002E-001\t 1.0000000000000000E+000\t"
                "FALSE\tFALSE\tFALSE\t 0.0000000000000000E+000");
  EXPECT_EQ(r.filas[1][0], "01/11/2016 00:10:00");

  // The energies of samples 6 .. 8, appended after the record that was there.
  ASSERT_EQ(energias.size(), 4u);
  NReal total = 0;
  for (size_t i = 1; i <= 3; ++i) {
    const Fila& f = kSerie[i + 4];
    EXPECT_NEAR(energias[i].fecha, Muestra(static_cast<int32_t>(i) + 5), 1e-9);
    EXPECT_NEAR(energias[i].energia, (cFila[i + 4] * f.M - f.PE) / 6, 1e-6);
    total += energias[i].energia;
  }
  // Summary: the period from its first sample to ten minutes before its end.
  const size_t n = r.lineas.size();
  EXPECT_EQ(r.lineas[n - 4], "");
  EXPECT_EQ(r.lineas[n - 3],
            "Fecha inicio\tFecha fin\t Energía no suministrada SCADA [MWh]\t Factor SMEC/SCADA "
            "[p.u] \t Energía no suministrada SMEC [MWh]");
  const auto resumen = Partir(r.lineas[n - 2], "\t");
  ASSERT_EQ(resumen.size(), 5u);
  EXPECT_EQ(resumen[0], "01-11-2016 00:50");
  EXPECT_EQ(resumen[1], "01-11-2016 01:10");
  EXPECT_NEAR(TextoAReal(resumen[2]), total, 1e-15);
  EXPECT_EQ(TextoAReal(resumen[3]), 1.25);
  EXPECT_NEAR(TextoAReal(resumen[4]), 1.25 * total, 1e-15);
  EXPECT_EQ(r.lineas[n - 1], "");

  // One console line per row.
  EXPECT_NE(consola_.str().find("123-->01/11/2016 00:10:00\n"), std::string::npos);

  // Errors of the eight usable samples: min(cAjuste * M, PAut) - PE.
  const std::string err = LeerArchivoCompleto(carpeta_ / "c123_Matrices_Errores.xlt");
  EXPECT_NE(
      err.find("Cantidad de datos por sector y tramo - Total [cant]\t 8.0000000000000000E+000"),
      std::string::npos);
  NReal suma = 0;
  for (size_t i : {0u, 1u, 3u, 4u, 8u, 9u, 10u, 11u}) {
    const NReal cAjuste = i == 8 ? ra : cFila[i];
    suma += std::min(cAjuste * kSerie[i].M, kPAut) - kSerie[i].PE;
  }
  const size_t p = err.find("Errores Acumulados - Total [MWh]\t");
  ASSERT_NE(p, std::string::npos);
  EXPECT_NEAR(TextoAReal(err.substr(p + 33)), suma / 6, 1e-13);
}

// A gap (a speed of -5 m/s) is an invalid sample: its model columns carry the marker (column 8
// times the row coefficient), it adds nothing, and it leaves the buffers as they were. Before
// the first valid sample the coefficient and the station factor are 1.
TEST_F(ProcesarSeriesTest, MuestraInvalidaYFilasAntesDeLaPrimeraValida) {
  std::vector<Fila> s = kSerie;
  s[0].vel = -5;
  s[2].vel = -5;
  s[2].PE = 40;
  s[4].vel = -5;
  const fs::path serie = EscribirSerie(carpeta_, s);
  ModeloFalso mf(s);
  TDAofRecsEnergiaPorFecha energias;
  ProcesarSeries(mf.Modelo(), serie, carpeta_, Muestra(1), Muestra(5), Muestra(20), Muestra(20), 1,
                 energias, 2, false, false, true, nullptr);
  const Resultado r = LeerResultado(carpeta_ / "c123_ResultadosMC_20161101201611010040_2m.xlt");
  ASSERT_EQ(r.filas.size(), 5u);
  EXPECT_EQ(r.Col(0, 9), kPotenciaInvalida);
  EXPECT_EQ(r.Col(0, 8), kPotenciaInvalida);
  EXPECT_EQ(r.Col(0, 10), 1);
  EXPECT_EQ(r.Col(0, 11), 1);
  EXPECT_EQ(r.filas[0][14], "TRUE");
  // Sample 2 is the first valid one (coefficient 1, it enters the buffers); sample 3 keeps that
  // coefficient and the station factor of sample 2 and does not enter; sample 4 sees only
  // sample 2 (40 / 50) and enters; sample 5 keeps 40 / 50.
  EXPECT_EQ(r.Col(1, 10), 1);
  EXPECT_EQ(r.Col(2, 10), 1);
  EXPECT_EQ(r.Col(2, 9), kPotenciaInvalida);
  EXPECT_EQ(r.Col(2, 11), 0.902);
  EXPECT_EQ(r.filas[2][14], "TRUE");
  EXPECT_EQ(r.Col(3, 10), 40.0 / 50);
  EXPECT_EQ(r.Col(3, 8), 40.0 / 50 * 45);
  EXPECT_EQ(r.Col(4, 10), 40.0 / 50);
  EXPECT_EQ(r.Col(4, 9), kPotenciaInvalida);
  EXPECT_EQ(r.Col(4, 8), 40.0 / 50 * kPotenciaInvalida);
  EXPECT_EQ(r.Col(4, 11), 0.904);
  EXPECT_TRUE(energias.empty());
  EXPECT_FALSE(fs::exists(carpeta_ / "c123_Matrices_Errores.xlt"));
}

// Rows from sample 5: the warm-up starts at the second usable sample before it (sample 2;
// sample 3 is not usable), so the first row already has the coefficient (40 + 45) / (50 + 45).
// A period of one sample at the very start of the series uses the mean of 1.0 (nothing before
// it) and the ratio after it.
TEST_F(ProcesarSeriesTest, PrecalentamientoYPeriodoDeUnaMuestraAlComienzo) {
  const fs::path serie = EscribirSerie(carpeta_, kSerie);
  ModeloFalso mf(kSerie);
  TDAofRecsEnergiaPorFecha energias;
  ProcesarSeries(mf.Modelo(), serie, carpeta_, Muestra(5), Muestra(6), Muestra(20), Muestra(20), 1,
                 energias, 2, false, false, true, nullptr);
  Resultado r = LeerResultado(carpeta_ / "c123_ResultadosMC_201611010040201611010050_2m.xlt");
  ASSERT_EQ(r.filas.size(), 2u);
  EXPECT_EQ(r.filas[0][0], "01/11/2016 00:40:00");
  EXPECT_EQ(r.Col(0, 10), 85.0 / 95);

  ProcesarSeries(mf.Modelo(), serie, carpeta_, Muestra(1), Muestra(2), Muestra(1), Muestra(1), 1,
                 energias, 2, false, false, true, nullptr);
  r = LeerResultado(carpeta_ / "c123_ResultadosMC_20161101201611010010_2m.xlt");
  // After sample 1: samples 2 and 4 (3 is not usable): (40 + 45) / (50 + 45).
  EXPECT_EQ(r.Col(0, 10), 0.5 * 1.0 + 0.5 * (85.0 / 95));
}

// Inside the period, a sample counts as restricted only with -1 < CGM < PAut - 0.5 and its power
// strictly within 4 MW of the CGM; and only an adjusted power above the measured one adds
// energy. The neighbours have measured = model power, so every coefficient is 1.
TEST_F(ProcesarSeriesTest, CondicionesDeMuestraRestringida) {
  struct Caso {
    Fila f;
    bool energia;
  };
  const Caso casos[] = {
      {{23.9, 20, 50}, true},     // within 4 MW
      {{24, 20, 50}, false},      // exactly 4 MW above
      {{16, 20, 50}, false},      // exactly 4 MW below
      {{16.1, 20, 50}, true},     //
      {{49.5, 49.5, 50}, false},  // CGM at PAut - 0.5
      {{49.4, 49.4, 50}, true},   //
      {{20, 20, 15}, false},      // the model gives less than was measured
      {{1, -1, 50}, false},       // CGM missing
      {{1, -0.5, 50}, true},      // a CGM above -1 is a value
  };
  std::vector<Fila> s(3, Fila{40, 60, 40});
  for (const Caso& c : casos) s.push_back(c.f);
  for (int i = 0; i < 3; ++i) s.push_back({40, 60, 40});
  const fs::path serie = EscribirSerie(carpeta_, s);
  ModeloFalso mf(s);
  TDAofRecsEnergiaPorFecha energias;
  ProcesarSeries(mf.Modelo(), serie, carpeta_, Muestra(1), Muestra(15), Muestra(4), Muestra(12), 1,
                 energias, 2, false, false, true, nullptr);
  const Resultado r = LeerResultado(carpeta_ / "c123_ResultadosMC_20161101201611010220_2m.xlt");
  ASSERT_EQ(r.filas.size(), 15u);
  size_t registros = 0;
  for (size_t i = 0; i < std::size(casos); ++i) {
    SCOPED_TRACE(i + 4);
    const Caso& c = casos[i];
    EXPECT_EQ(r.Col(i + 3, 10), 1);
    const NReal esperado = c.energia ? std::min(c.f.M, kPAut) - c.f.PE : 0;
    EXPECT_NEAR(r.Col(i + 3, 16), esperado, 1e-5);
    if (c.energia) {
      ASSERT_LT(registros, energias.size());
      EXPECT_NEAR(energias[registros].fecha, Muestra(static_cast<int32_t>(i) + 4), 1e-9);
      ++registros;
    }
  }
  EXPECT_EQ(energias.size(), registros);
}

// sinCorreccion: the model columns are named MT and the errors use pLimiteCGM (here
// min(M, CGM)); the workbook gets one sheet named by the stamp of the first row, with its chart.
TEST_F(ProcesarSeriesTest, SinCorreccionYHojaDelLibro) {
  const fs::path serie = EscribirSerie(carpeta_, kSerie);
  ModeloFalso mf(kSerie);
  TDAofRecsEnergiaPorFecha energias;
  {
    T_ExcelFile libro("x", false, true, false);
    ProcesarSeries(mf.Modelo(), serie, carpeta_, Muestra(1), Muestra(12), Muestra(6), Muestra(9), 1,
                   energias, 3, true, true, true, &libro);
    libro.Guardar((carpeta_ / "libro").string());
  }
  const Resultado r = LeerResultado(carpeta_ / "c123_ResultadosMC_20161101201611010150_3m.xlt");
  std::string cabecera = kCabecera;
  cabecera.replace(cabecera.find("P_MW_MC_con"), 11, "P_MW_MT_con");
  cabecera.replace(cabecera.find("P_MW_MC_sin"), 11, "P_MW_MT_sin");
  EXPECT_EQ(r.lineas[0], cabecera);
  NReal suma = 0;
  for (size_t i : {0u, 1u, 3u, 4u, 8u, 9u, 10u, 11u})
    suma += std::min(kSerie[i].M, kSerie[i].CGM) - kSerie[i].PE;
  const std::string err = LeerArchivoCompleto(carpeta_ / "c123_Matrices_Errores.xlt");
  const size_t p = err.find("Errores Acumulados - Total [MWh]\t");
  ASSERT_NE(p, std::string::npos);
  EXPECT_NEAR(TextoAReal(err.substr(p + 33)), suma / 6, 1e-13);

  const std::string volcado = VolcarXlsx(carpeta_ / "libro.xlsx");
  EXPECT_NE(volcado.find("20161101"), std::string::npos) << volcado;
  EXPECT_NE(volcado.find("P_MW_MC_conAjCP"), std::string::npos) << volcado;
  EXPECT_NE(volcado.find("pRed_conAjCP[MW]"), std::string::npos) << volcado;
}

TEST_F(ProcesarSeriesTest, Errores) {
  const fs::path serie = EscribirSerie(carpeta_, kSerie);
  ModeloFalso mf(kSerie);
  TDAofRecsEnergiaPorFecha energias;
  EXPECT_THROW_MSG(ProcesarSeries(mf.Modelo(), serie, carpeta_, Muestra(1), Muestra(2), Muestra(1),
                                  Muestra(2), 1, energias, 0, false, false, true, nullptr),
                   EErrorGeneral, "El número de muestras del buffer debe ser al menos 1: 0");
  const fs::path ocho = Carpeta("ocho");
  const fs::path serie8 = EscribirSerie(ocho, kSerie, 8);
  EXPECT_THROW_MSG(ProcesarSeries(mf.Modelo(), serie8, carpeta_, Muestra(1), Muestra(2), Muestra(1),
                                  Muestra(2), 1, energias, 2, false, false, true, nullptr),
                   EErrorGeneral,
                   "El archivo de series " + serie8.string() +
                       " tiene 8 series; el modelo combinado necesita 9");
  EXPECT_EQ(mf.evaluaciones, 0);
}

// A range and a restriction period wholly after the series: no row, no scan outside it.
TEST_F(ProcesarSeriesTest, RangoFueraDeLaSerie) {
  const fs::path serie = EscribirSerie(carpeta_, kSerie);
  ModeloFalso mf(kSerie);
  TDAofRecsEnergiaPorFecha energias;
  ProcesarSeries(mf.Modelo(), serie, carpeta_, Muestra(30), Muestra(40), Muestra(30), Muestra(40),
                 1, energias, 2, false, false, true, nullptr);
  EXPECT_TRUE(energias.empty());
  int tablas = 0;
  for (const auto& e : fs::directory_iterator(carpeta_))
    if (e.path().filename().string().rfind("c123_ResultadosMC_", 0) == 0) {
      ++tablas;
      EXPECT_EQ(LeerResultado(e.path()).filas.size(), 0u);
    }
  EXPECT_EQ(tablas, 1);
}

// ---------------------------------------------------------------------------------------------
// Restriction run

// n samples with two restriction periods, at the given samples.
std::vector<Fila> SerieDosPeriodos(int n, std::vector<int> primero, std::vector<int> segundo) {
  std::vector<Fila> s;
  for (int k = 1; k <= n; ++k) s.push_back({30.0 + (k % 5), 60, 40});
  for (int k : primero) s[static_cast<size_t>(k - 1)] = {20, 20, 40};
  for (int k : segundo) s[static_cast<size_t>(k - 1)] = {25, 24, 45};
  return s;
}

NReal EnergiaDelResumen(const fs::path& tabla) {
  const Resultado r = LeerResultado(tabla);
  return TextoAReal(Partir(r.lineas.at(r.lineas.size() - 2), "\t").at(2));
}

// Periods at samples 30 - 32 (04:50 - 05:10) and 45 - 46 (07:20, 07:30) of a ten-hour series:
// the runs cover 00:50 - 09:20 and 03:20 - 09:50 (the end narrowed to the last sample).
TEST_F(ProcesarSeriesTest, CorridaConDosPeriodos) {
  const std::vector<Fila> s = SerieDosPeriodos(60, {30, 31, 32}, {45, 46});
  const fs::path serie = EscribirSerie(carpeta_, s);
  ModeloFalso mf(s);
  CalcularRestriccionesConModelo(mf.Modelo(), 0.5, serie, carpeta_, 3, kInicio, kInicio + 1);

  const fs::path t1 = carpeta_ / "c123_ResultadosMC_201611010050201611010920_3m.xlt";
  const fs::path t2 = carpeta_ / "c123_ResultadosMC_201611010320201611010950_3m.xlt";
  ASSERT_TRUE(fs::exists(t1));
  ASSERT_TRUE(fs::exists(t2));
  EXPECT_EQ(LeerResultado(t1).filas.size(), 57u - 6 + 1);
  EXPECT_EQ(LeerResultado(t2).filas.size(), 60u - 21 + 1);
  ASSERT_TRUE(fs::exists(carpeta_ / "c123_RO_DTE_3m.xlt"));
  ASSERT_TRUE(fs::exists(carpeta_ / "c123_Restricciones_horarias_3m.xlt"));

  // The hours 04:00 (samples 30, 31), 05:00 (32) and 07:00 (45, 46); the total is the sum of
  // the two runs' own totals.
  const std::vector<std::string> dte =
      Partir(LeerArchivoCompleto(carpeta_ / "c123_RO_DTE_3m.xlt"), "\r\n");
  ASSERT_EQ(dte.size(), 1u + 3 + 1 + 1);
  EXPECT_NEAR(TextoAReal(dte[1]), kInicio + 4.0 / 24, 1e-12);
  EXPECT_NEAR(TextoAReal(dte[2]), kInicio + 5.0 / 24, 1e-12);
  EXPECT_NEAR(TextoAReal(dte[3]), kInicio + 7.0 / 24, 1e-12);
  const auto total = Partir(dte[4], "\t");
  ASSERT_EQ(total.size(), 4u);
  EXPECT_EQ(total[0], "E[MWh] totales");
  const NReal suma = EnergiaDelResumen(t1) + EnergiaDelResumen(t2);
  EXPECT_GT(suma, 0);
  EXPECT_NEAR(TextoAReal(total[1]), suma, 1e-12);
  EXPECT_EQ(total[2], "");
  EXPECT_EQ(TextoAReal(total[3]), 0.5 * TextoAReal(total[1]));

  // The day table: one day, the SMEC energies in columns 5, 6 and 8.
  const std::vector<std::string> horas =
      Partir(LeerArchivoCompleto(carpeta_ / "c123_Restricciones_horarias_3m.xlt"), "\r\n");
  ASSERT_EQ(horas.size(), 1u + 1 + 1);
  const auto dia1 = Partir(horas[1], "\t");
  ASSERT_EQ(dia1.size(), 26u);
  EXPECT_EQ(dia1[0], "01-11-2016");
  EXPECT_NEAR(TextoAReal(dia1[1]), TextoAReal(total[3]), 1e-12);
  for (int h = 1; h <= 24; ++h)
    EXPECT_EQ(TextoAReal(dia1[static_cast<size_t>(h + 1)]) > 0, h == 5 || h == 6 || h == 8) << h;

  const std::string volcado = VolcarXlsx(carpeta_ / "c123_VISOR_3m.xlsx");
  EXPECT_NE(volcado.find("201611010050"), std::string::npos) << volcado;
  EXPECT_NE(volcado.find("201611010320"), std::string::npos) << volcado;
}

// Two periods in a four-hour series both widen to the whole series: the second sheet takes the
// stamp with "_2" instead of ending the run.
TEST_F(ProcesarSeriesTest, CorridaConDosPeriodosDelMismoSello) {
  const std::vector<Fila> s = SerieDosPeriodos(24, {6, 7, 8}, {15, 16});
  const fs::path serie = EscribirSerie(carpeta_, s);
  ModeloFalso mf(s);
  CalcularRestriccionesConModelo(mf.Modelo(), 1, serie, carpeta_, 3, kInicio, kInicio + 1);
  const std::string volcado = VolcarXlsx(carpeta_ / "c123_VISOR_3m.xlsx");
  EXPECT_NE(volcado.find("20161101_2"), std::string::npos) << volcado;
}

TEST_F(ProcesarSeriesTest, CorridaSinPeriodos) {
  const std::vector<Fila> s = SerieDosPeriodos(24, {}, {});
  const fs::path serie = EscribirSerie(carpeta_, s);
  ModeloFalso mf(s);
  CalcularRestriccionesConModelo(mf.Modelo(), 0.5, serie, carpeta_, 3, kInicio, kInicio + 1);
  EXPECT_EQ(mf.evaluaciones, 0);
  for (const auto& e : fs::directory_iterator(carpeta_))
    EXPECT_NE(e.path().filename().string().rfind("c123_ResultadosMC_", 0), 0u);
  EXPECT_TRUE(fs::exists(carpeta_ / "c123_VISOR_3m.xlsx"));
  const std::vector<std::string> dte =
      Partir(LeerArchivoCompleto(carpeta_ / "c123_RO_DTE_3m.xlt"), "\r\n");
  ASSERT_EQ(dte.size(), 3u);
  EXPECT_EQ(dte[1], "E[MWh] totales\t 0.0000000000000000E+000\t\t 0.0000000000000000E+000");
  EXPECT_THROW_MSG(
      CalcularRestriccionesConModelo(mf.Modelo(), 0.5, serie, carpeta_, 0, kInicio, kInicio + 1),
      EErrorGeneral, "El número de muestras del buffer debe ser al menos 1: 0");
}

// ---------------------------------------------------------------------------------------------
// With a combined model read from its file

const fs::path kPmc = fs::path(AERONDA_FIXTURES) / "ventana_dos_molinos.pmc";

// A series for the two-turbine farm of the fixture (authorised power p): speeds across the
// power curve, a few directions, measured powers around half the limit, no restriction unless
// asked for (samples whose CGM is set to p / 2 with the measured power on it).
std::vector<Fila> SerieParaFixture(NReal p, int n, std::vector<int> restringidas = {}) {
  std::vector<Fila> s;
  for (int k = 1; k <= n; ++k) s.push_back({p * (0.4 + 0.02 * (k % 7)), 2 * p, 0, 4.0 + k});
  for (int k : restringidas) s[static_cast<size_t>(k - 1)].CGM = s[static_cast<size_t>(k - 1)].PE;
  return s;
}

// The model columns are the combined model's own evaluation of each sample, with the switches
// passed through: checked against a second copy of the model evaluated here.
TEST_F(ProcesarSeriesTest, ConElModeloCombinadoDelArchivo) {
  auto mc = TParque_ModeloCombinado::CreateDesdeArchivo(kPmc);
  const NReal p = mc->mt->potencia_autorizada_mw;
  const std::vector<Fila> s = SerieParaFixture(p, 8);
  const fs::path serie = EscribirSerie(carpeta_, s);
  auto otro = TParque_ModeloCombinado::CreateDesdeArchivo(kPmc);
  for (const bool velLibre : {false, true})
    for (const bool sinCorreccion : {false, true}) {
      SCOPED_TRACE(std::string(velLibre ? "velLibre " : "") +
                   (sinCorreccion ? "sinCorreccion" : ""));
      TDAofRecsEnergiaPorFecha energias;
      ProcesarSeriesConModeloCombinado(*mc, serie, carpeta_, velLibre, Muestra(1), Muestra(8),
                                       Muestra(20), Muestra(20), 1, energias, 2, true,
                                       sinCorreccion, true, nullptr);
      const std::string nombre =
          "c" + std::to_string(mc->mt->central) + "_ResultadosMC_20161101201611010110_2m.xlt";
      const Resultado r = LeerResultado(carpeta_ / nombre);
      ASSERT_EQ(r.filas.size(), 8u);
      for (size_t i = 0; i < 8; ++i) {
        NReal pCGM = 0, pAut = 0, pBruta = 0;
        otro->CalcularPotencia(pCGM, pAut, pBruta, r.Col(i, 2), r.Col(i, 3), r.Col(i, 7),
                               r.Col(i, 5), sinCorreccion, velLibre);
        EXPECT_EQ(r.Col(i, 9), pAut) << i;
        EXPECT_EQ(r.Col(i, 11), otro->mt->factorMeteo) << i;
        EXPECT_EQ(r.Col(i, 2), s[i].vel);
      }
      EXPECT_TRUE(
          fs::exists(carpeta_ / ("c" + std::to_string(mc->mt->central) + "_Matrices_Errores.xlt")));
    }
}

// ---------------------------------------------------------------------------------------------
// SMEC/SCADA factor

class BaseDeDatosFactorSmecScada : public pruebas_bd::ConServidor {
 protected:
  void SetUp() override {
    ConServidor::SetUp();
    if (IsSkipped()) return;
    std::ifstream f(std::string(AERONDA_FIXTURES) + "/esquema_plantas.sql");
    ASSERT_TRUE(f.is_open());
    std::string sql = "SET search_path TO " + esquema() + ";\n", linea;
    while (std::getline(f, linea))
      if (linea.empty() || linea[0] != '\\') sql += linea + "\n";
    sesion().Ejecutar(sql);
    con_ = std::make_unique<TDBPQCon>(
        TParametrosConexion{pruebas_bd::Entorno("PGHOST"), pruebas_bd::Entorno("PGDATABASE"),
                            pruebas_bd::Entorno("PGUSER"), pruebas_bd::Entorno("PGPASSWORD")});
    con_->exec("SET search_path TO " + esquema());
  }
  void TearDown() override {
    con_.reset();
    ConServidor::TearDown();
  }
  std::unique_ptr<TDBPQCon> con_;
};

// The whole run from the combined-model file: plant 78 of the fixture database, factor 1.
TEST_F(BaseDeDatosFactorSmecScada, CorridaDesdeElArchivoDelModelo) {
  auto mc = TParque_ModeloCombinado::CreateDesdeArchivo(kPmc);
  ASSERT_EQ(mc->mt->central, 78);
  const fs::path serie =
      EscribirSerie(carpeta(), SerieParaFixture(mc->mt->potencia_autorizada_mw, 40, {10, 11, 30}));
  std::ostringstream consola;
  std::streambuf* previo = std::cout.rdbuf(consola.rdbuf());
  CalcularRestriccionesOperativas(*con_, kPmc, serie, carpeta(), false, 3, kInicio, kInicio + 1);
  std::cout.rdbuf(previo);
  int tablas = 0;
  for (const auto& e : fs::directory_iterator(carpeta()))
    if (e.path().filename().string().rfind("c78_ResultadosMC_", 0) == 0) ++tablas;
  EXPECT_EQ(tablas, 2);
  EXPECT_TRUE(fs::exists(carpeta() / "c78_VISOR_3m.xlsx"));
  EXPECT_TRUE(fs::exists(carpeta() / "c78_Restricciones_horarias_3m.xlt"));
  const std::string dte = LeerArchivoCompleto(carpeta() / "c78_RO_DTE_3m.xlt");
  EXPECT_EQ(dte.rfind("Fecha\t Energía no suministrada SCADA [MWh]", 0), 0u);
  EXPECT_NE(dte.find("E[MWh] totales\t"), std::string::npos);
  // The factor of plant 78 is 1: every data line carries it.
  for (const std::string& l : Partir(dte, "\r\n"))
    if (!l.empty() && l[0] == ' ') {
      EXPECT_EQ(Partir(l, "\t").at(2), " 1.0000000000000000E+000");
    }
  EXPECT_EQ(consola.str().find("AVISO"), std::string::npos);
}

TEST_F(BaseDeDatosFactorSmecScada, FactorNuloYCentralSinFila) {
  std::ostringstream consola;
  std::streambuf* previo = std::cout.rdbuf(consola.rdbuf());
  EXPECT_EQ(FactorSmecScada(*con_, 12), 1.02);
  EXPECT_EQ(FactorSmecScada(*con_, 34), 0.98);
  EXPECT_EQ(FactorSmecScada(*con_, 56), 1.0);
  EXPECT_EQ(FactorSmecScada(*con_, 99), 1.0);
  std::cout.rdbuf(previo);
  EXPECT_EQ(consola.str(),
            "AVISO: la central 56 no tiene factor_smec_scada; se toma 1\n"
            "AVISO: la central 99 no tiene factor_smec_scada; se toma 1\n");
}

}  // namespace

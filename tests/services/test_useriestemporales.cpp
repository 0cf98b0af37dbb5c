// The series file: golden bytes of the writer, the encodings and faults the reader meets, round
// trips. The fixtures come from tests/tools/series_sas.py.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "comun/afirmaciones.h"
#include "numerics/uauxiliares.h"
#include "platform/errores.h"
#include "platform/fechas.h"
#include "platform/rtltexto.h"
#include "services/useriestemporales.h"

namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = AERONDA_FIXTURES;

std::string Leer(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void EscribirBytes(const fs::path& p, const std::string& datos) {
  std::ofstream f(p, std::ios::binary);
  f << datos;
}

class SeriesArchivo : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("aeronda_series_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
            std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    formatoPrevio_ = FormatoDelSistema();
  }
  // The user's settings as the start-up capture: the outermost pop restores them.
  static void UsarFormatoAbsurdo();
  void TearDown() override {
    FijarFormatoDelSistema(formatoPrevio_);
    ReiniciarFormatoEstandarParaPruebas();
    fs::remove_all(dir_);
  }
  fs::path dir_;
  TFormatSettings formatoPrevio_;
};

// The set of series_dorada.sas, built in code.
TSeriesDeDatos SetDorado() {
  TSeriesDeDatos s;
  s.NSeries = 2;
  s.anio = 2016, s.mes = 11, s.dia = 1, s.hora = 6, s.minuto = 10, s.segundo = 0;
  s.periodoHoras = 1.0 / 6.0;
  s.NPuntos = 3;
  s.pasosPorCiclo = 144;
  s.nombres = {"A", "B"};
  s.tipos = {SALIDA, ENTRADA};
  s.series = {TVectR::CreateDesdeDA(1, {12.5, -3.25, 0.0}),
              TVectR::CreateDesdeDA(1, {1e-5, 7.0, 123456.789})};
  return s;
}

// Settings no file may ever show: a decimal comma and odd separators.
TFormatSettings FormatoAbsurdo() {
  TFormatSettings f;
  f.DecimalSeparator = ',';
  f.ThousandSeparator = '.';
  f.DateSeparator = '#';
  f.TimeSeparator = '!';
  f.ShortDateFormat = "dd#MM#yyyy";
  return f;
}

void SeriesArchivo::UsarFormatoAbsurdo() {
  FijarFormatoDelSistema(FormatoAbsurdo());
  ReiniciarFormatoEstandarParaPruebas();
}

TEST_F(SeriesArchivo, WriterProducesTheGoldenBytesWhateverTheUserFormat) {
  UsarFormatoAbsurdo();
  TSeriesDeDatos s = SetDorado();
  s.Grabar(dir_ / "d.sas");
  EXPECT_EQ(Leer(dir_ / "d.sas"), Leer(kFixtures / "series_dorada.sas"));
  EXPECT_EQ(s.archivo, (dir_ / "d.sas").string());
  // The user's settings are back once the writer is done.
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
}

TEST_F(SeriesArchivo, ReaderAcceptsEveryEncodingOfTheSameSet) {
  struct Caso {
    const char* archivo;
    int32_t version;
    TDAOfTipoSerie tipos;
  };
  const Caso casos[] = {
      // The one-character flag line gives series 1 ENTRADA ("x"), the others SALIDA.
      {"lectura_lf.sas", 2, {ENTRADA, SALIDA, SALIDA}},
      {"lectura_cr.sas", 2, {ENTRADA, SALIDA, SALIDA}},
      {"lectura_bom_crlf.sas", 2, {ENTRADA, SALIDA, SALIDA}},
      // No version line: NSeries is the first field of line 1 and there is no flag line.
      {"lectura_sin_version.sas", 0, {SALIDA, SALIDA, SALIDA}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.archivo);
    const TSeriesDeDatos s = TSeriesDeDatos::Cargar(kFixtures / c.archivo);
    EXPECT_EQ(s.version, c.version);
    EXPECT_EQ(s.NSeries, 3);
    EXPECT_EQ(s.NPuntos, 4);
    EXPECT_EQ(s.tipos, c.tipos);
    EXPECT_EQ(s.nombres, (TDAofString{"Vel", "Ang", "PE"}));
    // "1/6" goes through the expression evaluator.
    EXPECT_EQ(s.periodoHoras, 1.0 / 6.0);
    EXPECT_EQ(s.pasosPorCiclo, 144.0);
    EXPECT_EQ(s.inicio, 42675.0);  // 2016-11-01 00:00
    EXPECT_EQ(s.pasoDias, (1.0 / 6.0) / 24.0);
    ASSERT_EQ(s.series.size(), 3u);
    EXPECT_EQ(s.series[0], TVectR::CreateDesdeDA(1, {5.5, 6.0, 7.0, 8.25}));
    EXPECT_EQ(s.series[1], TVectR::CreateDesdeDA(1, {180.0, -15.0, 0.5, 359.75}));
    EXPECT_EQ(s.series[2], TVectR::CreateDesdeDA(1, {1.25, 2.0, -0.125, 0.001}));
    EXPECT_EQ(s.archivo, (kFixtures / c.archivo).string());
  }
}

// Header lines of a small file, to be spoilt one at a time.
std::string Archivo(const std::vector<std::string>& lineas) {
  std::string s;
  for (const auto& l : lineas) s += l + "\r\n";
  return s;
}
std::vector<std::string> LineasBuenas() {
  return {"VERSION_FORMATO_SERIES:\t2",
          "2",
          "2016\t11\t1\t0\t0\t0",
          "1/6",
          "2",
          "144",
          "xy",
          "\tA\tB",
          "42675\t1\t2",
          "42675.00694\t3\t4"};
}

TEST_F(SeriesArchivo, MalformedFilesNameTheLineThatFailed) {
  struct Caso {
    int linea;  // 1-based line to replace (0: none)
    std::string texto;
    int fallo;            // the line the message names
    std::string detalle;  // the conversion's own text, after the file's name
  };
  const std::string noEntero = " no es un número entero válido";
  const std::string evaluar = ": Error: no se puede evaluar ";
  const Caso casos[] = {
      {1, "", 1, ": \"\"" + noEntero},  // no key: NSeries "" is not an integer
      {2, "dos", 2, ": \"dos\"" + noEntero},
      {2, "-1", 2, ""},
      {3, "2016\t13\t1\t0\t0\t0", 3, ""},                // month 13
      {3, "2016\t2\t30\t0\t0\t0", 3, ""},                // 30 February
      {3, "2016\t11\t1\t0\t0\t60", 3, ""},               // second 60
      {3, "2016\t11\t1\t0\t0", 3, ": \"\"" + noEntero},  // five fields
      {4, "0", 4, ""},                                   // a zero period divides by zero later
      {4, "-1/6", 4, ""},
      {4, "1/0", 4, evaluar + "\"1/0\" a un número real"},
      {4, "diez", 4, evaluar + "\"diez\" a un número real"},
      {5, "-2", 5, ""},
      {5, "2.5", 5, ": \"2.5\"" + noEntero},
      {6, "", 6, evaluar + "\"\" a un número real"},
      // A series needs its name: a count beyond the names line is refused there.
      {8, "\tA", 8, ""},
      {8, "", 8, ""},
      {2, "3", 8, ""},
      {2, "40", 8, ""},
      {9, "42675\t1", 9, ""},       // short row
      {9, "42675\t1\tNaN", 9, ""},  // not a plain real
      {9, "42675\t1\tinf", 9, ""},
      {9, "42675\t1\t0x10", 9, ""},
      {9, "42675\t1\t1e400", 9, ""},  // out of range
      {10, "42675.00694\t3\t4;", 10, ""},
      {10, "42675.00694\t3\t--4", 10, ""},
      {10, "42675.00694\t3\t4e", 10, ""},
  };
  const fs::path m = dir_ / "m.sas";
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    auto l = LineasBuenas();
    l[static_cast<size_t>(c.linea - 1)] = c.texto;
    EscribirBytes(m, Archivo(l));
    try {
      TSeriesDeDatos::Cargar(m);
      ADD_FAILURE() << "leído sin error";
    } catch (const EInOutError& e) {
      EXPECT_EQ(std::string(e.what()), "Error leyendo línea: " + std::to_string(c.fallo) +
                                           " del archivo: " + m.string() + c.detalle);
      EXPECT_EQ(e.Ruta(), m);
    }
  }
}

TEST_F(SeriesArchivo, FileFaultsAndTruncations) {
  struct Caso {
    const char* archivo;
    const char* mensaje;
    const char* detalle;  // after the file's name
  };
  const Caso casos[] = {
      // Row 2 lacks a value: an error on its own line, not a value taken from row 3.
      {"error_fila_corta.sas", "Error leyendo línea: 10", ""},
      {"error_coma_decimal.sas", "Error leyendo línea: 11", ""},
      {"error_truncado.sas", "Error leyendo línea: 12", ": fin del archivo"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.archivo);
    EXPECT_THROW_MSG(
        TSeriesDeDatos::Cargar(kFixtures / c.archivo), EInOutError,
        c.mensaje + std::string(" del archivo: ") + (kFixtures / c.archivo).string() + c.detalle);
  }
  const fs::path falta = dir_ / "no_existe.sas";
  EXPECT_THROW_MSG(TSeriesDeDatos::Cargar(falta), EInOutError,
                   "No puedo abrir el archivo: " + falta.string());
  EXPECT_THROW_MSG(TSeriesDeDatos::Cargar(dir_), EInOutError,
                   "No puedo abrir el archivo: " + dir_.string());

  // Header cut short, and a count of rows far beyond what the file holds (no allocation of a
  // billion samples: the first missing row is reported).
  auto l = LineasBuenas();
  l.resize(5);
  EscribirBytes(dir_ / "t.sas", Archivo(l));
  EXPECT_THROW_MSG(
      TSeriesDeDatos::Cargar(dir_ / "t.sas"), EInOutError,
      "Error leyendo línea: 6 del archivo: " + (dir_ / "t.sas").string() + ": fin del archivo");
  l = LineasBuenas();
  l[4] = "1000000000";
  EscribirBytes(dir_ / "g.sas", Archivo(l));
  EXPECT_THROW_MSG(
      TSeriesDeDatos::Cargar(dir_ / "g.sas"), EInOutError,
      "Error leyendo línea: 11 del archivo: " + (dir_ / "g.sas").string() + ": fin del archivo");
  EscribirBytes(dir_ / "vacio.sas", "");
  EXPECT_THROW_MSG(
      TSeriesDeDatos::Cargar(dir_ / "vacio.sas"), EInOutError,
      "Error leyendo línea: 1 del archivo: " + (dir_ / "vacio.sas").string() + ": fin del archivo");
}

TEST_F(SeriesArchivo, FailedReadRestoresTheUserFormat) {
  UsarFormatoAbsurdo();
  EXPECT_THROW(TSeriesDeDatos::Cargar(kFixtures / "error_fila_corta.sas"), EInOutError);
  EXPECT_EQ(NivelFormatoEstandar(), 0);
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
  EXPECT_EQ(FormatSettings().DateSeparator, '#');
  // And a good read under the same settings still reads "." numbers and the "1/6" period.
  const TSeriesDeDatos s = TSeriesDeDatos::Cargar(kFixtures / "lectura_lf.sas");
  EXPECT_EQ(s.periodoHoras, 1.0 / 6.0);
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
}

TEST_F(SeriesArchivo, HeaderFieldsFollowTheFieldReaders) {
  struct Caso {
    std::string periodo;
    double esperado;
  };
  // A blank ends a field: "1 / 6" is 1; so does a comma: "1,5" is 1 (read inside the guard).
  const Caso casos[] = {
      {"1/6", 1.0 / 6.0}, {"1 / 6", 1.0}, {"1,5", 1.0}, {"0.25; x", 0.25}, {"  2*0.5", 1.0}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.periodo);
    auto l = LineasBuenas();
    l[3] = c.periodo;
    EscribirBytes(dir_ / "h.sas", Archivo(l));
    EXPECT_EQ(TSeriesDeDatos::Cargar(dir_ / "h.sas").periodoHoras, c.esperado);
  }
}

TEST_F(SeriesArchivo, ReadWriteCycleSwapsTheFlagLetters) {
  // Read "xy" -> (ENTRADA, SALIDA) -> written "yx" -> (SALIDA, ENTRADA) -> written "xy".
  const std::string dorada = Leer(kFixtures / "series_dorada.sas");
  TSeriesDeDatos s = TSeriesDeDatos::Cargar(kFixtures / "series_dorada.sas");
  EXPECT_EQ(s.tipos, (TDAOfTipoSerie{ENTRADA, SALIDA}));
  s.Grabar(dir_ / "1.sas");
  std::string esperado = dorada;
  esperado.replace(esperado.find("\r\nxy\r\n"), 6, "\r\nyx\r\n");
  EXPECT_EQ(Leer(dir_ / "1.sas"), esperado);
  TSeriesDeDatos::Cargar(dir_ / "1.sas").Grabar(dir_ / "2.sas");
  EXPECT_EQ(Leer(dir_ / "2.sas"), dorada);
}

TEST_F(SeriesArchivo, DateColumnIsRegeneratedFromTheHeader) {
  // The rows of lectura_lf.sas carry dates that are not the header's; the writer uses the
  // header (2016-11-01 00:00 is 42675.0) and the rows' own dates are gone.
  TSeriesDeDatos s = TSeriesDeDatos::Cargar(kFixtures / "lectura_lf.sas");
  s.Grabar(dir_ / "r.sas");
  const std::string texto = Leer(dir_ / "r.sas");
  EXPECT_NE(texto.find("\r\n 4.2675000000000000E+004\t 5.5000000000000000E+000\t"),
            std::string::npos);
  // Moving the header moves the column.
  s.dia = 2;
  s.Grabar(dir_ / "r.sas");
  EXPECT_NE(Leer(dir_ / "r.sas").find("\r\n 4.2676000000000000E+004\t"), std::string::npos);
  EXPECT_EQ(s.inicio, 42676.0);
}

TEST_F(SeriesArchivo, RandomDoublesSurviveToTheLastBit) {
  std::mt19937_64 azar(20161101);
  const int n = 1000;
  TSeriesDeDatos s;
  s.NSeries = 3;
  s.NPuntos = n;
  s.anio = 2016, s.mes = 11, s.dia = 1;
  s.periodoHoras = 1.0 / 6.0;
  s.pasosPorCiclo = 144;
  s.nombres = {"a", "b", "c"};
  s.tipos = {SALIDA, SALIDA, ENTRADA};
  s.series.assign(3, TVectR(n));
  const double especiales[] = {
      0.0,     -0.0,      5e-324, -2.2250738585072014e-308, 1.7976931348623157e308,
      -1e-300, 1.0 / 3.0, 0.1,    123456789012345678.0};
  for (int k = 1; k <= n; ++k) {
    for (int i = 0; i < 3; ++i) {
      double x;
      do {
        x = std::bit_cast<double>(azar());
      } while (!std::isfinite(x));
      s.series[static_cast<size_t>(i)][k] = x;
    }
  }
  for (size_t j = 0; j < std::size(especiales); ++j)
    s.series[1][static_cast<int32_t>(j) + 1] = especiales[j];
  s.Grabar(dir_ / "a.sas");
  const TSeriesDeDatos r = TSeriesDeDatos::Cargar(dir_ / "a.sas");
  ASSERT_EQ(r.NPuntos, n);
  for (size_t i = 0; i < 3; ++i)
    for (int k = 1; k <= n; ++k)
      ASSERT_EQ(std::bit_cast<uint64_t>(r.series[i][k]), std::bit_cast<uint64_t>(s.series[i][k]))
          << "series " << i << " sample " << k;
}

TEST_F(SeriesArchivo, EmptySets) {
  // No series: an empty flag line, a names line holding one TAB, rows holding only the date.
  TSeriesDeDatos s;
  s.anio = 2016, s.mes = 11, s.dia = 1;
  s.NPuntos = 2;
  s.Grabar(dir_ / "s0.sas");
  EXPECT_EQ(Leer(dir_ / "s0.sas"),
            "VERSION_FORMATO_SERIES:\t2\r\n0\r\n2016\t11\t1\t0\t0\t0\r\n"
            " 1.6666666666666666E-001\r\n2\r\n      0.0000\r\n\r\n\t\r\n"
            " 4.2675000000000000E+004\r\n 4.2675006944444445E+004\r\n");
  const TSeriesDeDatos r = TSeriesDeDatos::Cargar(dir_ / "s0.sas");
  EXPECT_EQ(r.NSeries, 0);
  EXPECT_EQ(r.NPuntos, 2);
  EXPECT_TRUE(r.series.empty());

  // No samples: the header alone, read back with empty vectors.
  TSeriesDeDatos p = SetDorado();
  p.NPuntos = 0;
  p.Grabar(dir_ / "p0.sas");
  const TSeriesDeDatos q = TSeriesDeDatos::Cargar(dir_ / "p0.sas");
  EXPECT_EQ(q.NPuntos, 0);
  ASSERT_EQ(q.series.size(), 2u);
  EXPECT_EQ(q.series[0].n, 0);
  const std::string texto = Leer(dir_ / "p0.sas");
  EXPECT_EQ(texto.substr(texto.size() - 6), "\tA\tB\r\n");
}

TEST_F(SeriesArchivo, SampleDatesAndIndices) {
  const TSeriesDeDatos s = TSeriesDeDatos::Cargar(kFixtures / "lectura_lf.sas");
  EXPECT_EQ(s.FechaDeMuestra(1), s.inicio);
  // One step after the last sample is a valid question.
  EXPECT_EQ(s.FechaDeMuestra(s.NPuntos + 1), s.inicio + 4 * s.pasoDias);
  // Over a year of ten-minute samples every date maps back to its own index (the shared
  // helper; the literal Trunc((d - inicio) / paso) + 1 misses 23,360 of them).
  TSeriesDeDatos a;
  a.anio = 2016, a.mes = 11, a.dia = 1;
  a.CalcularInicio();
  int malos = 0;
  for (int32_t k = 1; k <= 52561; ++k)
    if (IndiceDeMuestra(a.FechaDeMuestra(k), a.inicio, a.pasoDias) != k) ++malos;
  EXPECT_EQ(malos, 0);
  // 2017-11-01 00:00, one year on, is sample 52561.
  EXPECT_EQ(IndiceDeMuestra(EncodeDate(2017, 11, 1), a.inicio, a.pasoDias), 52561);
}

TEST_F(SeriesArchivo, RemovingASeriesKeepsTheOthersInOrder) {
  TSeriesDeDatos s = TSeriesDeDatos::Cargar(kFixtures / "lectura_lf.sas");
  s.EliminarSerie(0);
  EXPECT_EQ(s.NSeries, 2);
  EXPECT_EQ(s.NPuntos, 4);
  EXPECT_EQ(s.nombres, (TDAofString{"Ang", "PE"}));
  EXPECT_EQ(s.tipos, (TDAOfTipoSerie{SALIDA, SALIDA}));
  EXPECT_EQ(s.series[0], TVectR::CreateDesdeDA(1, {180.0, -15.0, 0.5, 359.75}));
  EXPECT_EQ(s.series[1], TVectR::CreateDesdeDA(1, {1.25, 2.0, -0.125, 0.001}));
  EXPECT_THROW(s.EliminarSerie(2), std::out_of_range);
  EXPECT_THROW(s.EliminarSerie(-1), std::out_of_range);
  s.Grabar(dir_ / "e.sas");
  EXPECT_EQ(TSeriesDeDatos::Cargar(dir_ / "e.sas").nombres, (TDAofString{"Ang", "PE"}));
}

TEST_F(SeriesArchivo, InconsistentSetsAreRefusedBeforeTheFileIsTouched) {
  EscribirBytes(dir_ / "previo.sas", "previo");
  struct Caso {
    const char* que;
    void (*estropear)(TSeriesDeDatos&);
  };
  const Caso casos[] = {
      {"one name short", [](TSeriesDeDatos& s) { s.nombres.pop_back(); }},
      {"one kind short", [](TSeriesDeDatos& s) { s.tipos.pop_back(); }},
      {"one series short", [](TSeriesDeDatos& s) { s.series.pop_back(); }},
      {"a vector short", [](TSeriesDeDatos& s) { s.series[1].Redimensionar(2); }},
      {"an impossible date", [](TSeriesDeDatos& s) { s.mes = 13; }},
      // The reader refuses " Nan" and a period <= 0: such a file could not be read back.
      {"a NaN value", [](TSeriesDeDatos& s) { s.series[1][3] = std::nan(""); }},
      {"an infinite value", [](TSeriesDeDatos& s) { s.series[0][1] = -INFINITY; }},
      {"a zero period", [](TSeriesDeDatos& s) { s.periodoHoras = 0; }},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.que);
    TSeriesDeDatos s = SetDorado();
    c.estropear(s);
    EXPECT_ANY_THROW(s.Grabar(dir_ / "previo.sas"));
    EXPECT_EQ(NivelFormatoEstandar(), 0);
    EXPECT_EQ(Leer(dir_ / "previo.sas"), "previo");
  }
  const fs::path sinCarpeta = dir_ / "no" / "hay" / "x.sas";
  TSeriesDeDatos s = SetDorado();
  EXPECT_THROW_MSG(s.Grabar(sinCarpeta), EInOutError,
                   "No puedo abrir el archivo: " + sinCarpeta.string());
  // A folder in the place of the file cannot be created either; nothing is left beside it.
  const fs::path carpeta = dir_ / "carpeta.sas";
  fs::create_directory(carpeta);
  EXPECT_THROW_MSG(s.Grabar(carpeta), EInOutError,
                   "No puedo abrir el archivo: " + carpeta.string());
  EXPECT_TRUE(fs::is_directory(carpeta));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
  EXPECT_EQ(NivelFormatoEstandar(), 0);
}

}  // namespace

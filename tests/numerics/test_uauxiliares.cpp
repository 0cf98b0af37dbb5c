// Number-format guard (nesting, restore of the start-up settings, RAII on exceptions) and the
// field readers of text lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "numerics/uauxiliares.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "comun/afirmaciones.h"

namespace {

// A user's regional settings far from the standard ones, so that every field shows.
TFormatSettings FormatoDeUsuario() {
  TFormatSettings f;
  f.ThousandSeparator = '.';
  f.DecimalSeparator = ',';
  f.DateSeparator = '/';
  f.TimeSeparator = '#';
  f.ShortDateFormat = "dd/MM/yyyy";
  f.LongDateFormat = "dddd, d' de 'MMMM' de 'yyyy";
  f.LongTimeFormat = "hh#nn#ss";
  return f;
}

void EsperarEstandar(const TFormatSettings& f) {
  EXPECT_EQ(f.ThousandSeparator, ' ');
  EXPECT_EQ(f.DecimalSeparator, '.');
  EXPECT_EQ(f.DateSeparator, '-');
  EXPECT_EQ(f.ShortDateFormat, "yyyy-MM-dd");
  EXPECT_EQ(f.LongDateFormat, "yyyy-MM-dd HH:mm:ss");
}

void EsperarIguales(const TFormatSettings& a, const TFormatSettings& b) {
  EXPECT_EQ(a.ThousandSeparator, b.ThousandSeparator);
  EXPECT_EQ(a.DecimalSeparator, b.DecimalSeparator);
  EXPECT_EQ(a.DateSeparator, b.DateSeparator);
  EXPECT_EQ(a.TimeSeparator, b.TimeSeparator);
  EXPECT_EQ(a.ShortDateFormat, b.ShortDateFormat);
  EXPECT_EQ(a.LongDateFormat, b.LongDateFormat);
  EXPECT_EQ(a.ShortTimeFormat, b.ShortTimeFormat);
  EXPECT_EQ(a.LongTimeFormat, b.LongTimeFormat);
}

// Every test starts from the user's settings as start-up settings, captured, at count 0, and
// leaves the process-wide state as it found it.
class Guarda : public ::testing::Test {
 protected:
  void SetUp() override {
    sistemaPrevio_ = FormatoDelSistema();
    actualPrevio_ = FormatSettings();
    ReiniciarFormatoEstandarParaPruebas();
    FijarFormatoDelSistema(FormatoDeUsuario());
    GuardarFormatoInicial();
  }
  void TearDown() override {
    ReiniciarFormatoEstandarParaPruebas();
    FijarFormatoDelSistema(sistemaPrevio_);
    FormatSettings() = actualPrevio_;
  }

 private:
  TFormatSettings sistemaPrevio_;
  TFormatSettings actualPrevio_;
};

TEST_F(Guarda, AnidadoYRestauracionAlCerrarElExterior) {
  ApilarFormatoEstandar();
  EsperarEstandar(FormatSettings());
  // Time settings are not the guard's.
  EXPECT_EQ(FormatSettings().TimeSeparator, '#');
  EXPECT_EQ(FormatSettings().LongTimeFormat, "hh#nn#ss");
  ApilarFormatoEstandar();
  EXPECT_EQ(NivelFormatoEstandar(), 2);
  DesapilarFormatoEstandar();
  EXPECT_EQ(NivelFormatoEstandar(), 1);
  EsperarEstandar(FormatSettings());
  DesapilarFormatoEstandar();
  EXPECT_EQ(NivelFormatoEstandar(), 0);
  EsperarIguales(FormatSettings(), FormatoDeUsuario());
}

TEST_F(Guarda, CadaApilarPoneElEstandarDeNuevo) {
  ApilarFormatoEstandar();
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ShortDateFormat = "d.M.yy";
  ApilarFormatoEstandar();
  EsperarEstandar(FormatSettings());
  DesapilarFormatoEstandar();
  DesapilarFormatoEstandar();
  EsperarIguales(FormatSettings(), FormatoDeUsuario());
}

// The outermost pop puts back what was saved at start-up, not what was in force at the push.
TEST_F(Guarda, ElCambioEntreCapturaYApilarSeDeshace) {
  FormatSettings().DecimalSeparator = '_';
  FormatSettings().ShortDateFormat = "yy.MM.dd";
  {
    FormatoEstandar guarda;
    EsperarEstandar(FormatSettings());
  }
  EsperarIguales(FormatSettings(), FormatoDeUsuario());
}

// The saved date separator follows the short date format when that holds "/" or "-".
TEST_F(Guarda, SeparadorDeFechaCapturadoDelFormatoCorto) {
  struct {
    const char* corto;
    char separador;
    char guardado;
  } casos[] = {
      {"dd/MM/yyyy", '.', '/'},
      {"yyyy-MM-dd", '.', '-'},
      {"d/M-yyyy", '.', '/'},   // "/" is looked for first
      {"dd.MM.yyyy", '.', '.'},  // neither: kept as it was
      {"dd MM yyyy", ' ', ' '},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.corto);
    FormatSettings().ShortDateFormat = c.corto;
    FormatSettings().DateSeparator = c.separador;
    GuardarFormatoInicial();
    {
      FormatoEstandar guarda;
      EXPECT_EQ(FormatSettings().DateSeparator, '-');
    }
    EXPECT_EQ(FormatSettings().DateSeparator, c.guardado);
    EXPECT_EQ(FormatSettings().ShortDateFormat, c.corto);
  }
}

// Before any capture, the outermost pop restores the start-up settings of the system.
TEST_F(Guarda, SinCapturaRestauraElFormatoDelSistema) {
  ReiniciarFormatoEstandarParaPruebas();
  TFormatSettings sistema = FormatoDeUsuario();
  sistema.DateSeparator = '.';  // with dd/MM/yyyy: "/" is restored
  FijarFormatoDelSistema(sistema);
  FormatSettings().DecimalSeparator = '_';
  {
    FormatoEstandar guarda;
    EsperarEstandar(FormatSettings());
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
  EXPECT_EQ(FormatSettings().ThousandSeparator, '.');
  EXPECT_EQ(FormatSettings().DateSeparator, '/');
  EXPECT_EQ(FormatSettings().ShortDateFormat, "dd/MM/yyyy");
}

// A reader that fails inside its bracket must not leave the standard format in force: the
// user's decimal comma would stop working everywhere.
TEST_F(Guarda, UnLectorQueFallaRestauraElFormatoDelUsuario) {
  auto lectorDeArchivo = [] {
    FormatoEstandar externo;
    {
      FormatoEstandar interno;
      throw EInOutError("Error leyendo línea: 3");
    }
  };
  EXPECT_THROW(lectorDeArchivo(), EInOutError);
  EXPECT_EQ(NivelFormatoEstandar(), 0);
  EsperarIguales(FormatSettings(), FormatoDeUsuario());
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
}

#ifdef NDEBUG
TEST_F(Guarda, DesapilarSinApilarNoHaceNada) {
  FormatSettings().DecimalSeparator = '_';
  DesapilarFormatoEstandar();
  EXPECT_EQ(NivelFormatoEstandar(), 0);
  EXPECT_EQ(FormatSettings().DecimalSeparator, '_');
  // The next bracket still restores: the count did not go below 0.
  { FormatoEstandar guarda; }
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
}
#else
TEST_F(Guarda, DesapilarSinApilarAfirma) {
  EXPECT_DEATH(DesapilarFormatoEstandar(), "sin ApilarFormatoEstandar");
}
#endif

// Push and pop are atomic: balanced brackets on several threads end at count 0.
TEST_F(Guarda, ApilarYDesapilarSonAtomicos) {
  std::vector<std::thread> hilos;
  for (int h = 0; h < 8; ++h) {
    hilos.emplace_back([] {
      for (int k = 0; k < 5000; ++k) {
        ApilarFormatoEstandar();
        DesapilarFormatoEstandar();
      }
    });
  }
  for (auto& t : hilos) t.join();
  EXPECT_EQ(NivelFormatoEstandar(), 0);
  EsperarIguales(FormatSettings(), FormatoDeUsuario());
}

// ---------------------------------------------------------------------------------------------
// Field readers

TEST(ExtraerCampo, Tabla) {
  struct {
    std::string linea, campo, resto;
  } casos[] = {
      {"\t12.5 ; 7", "12.5", "; 7"},
      {"; 7", "7", ""},
      {";;; \t\r\n,", "", ""},
      {"", "", ""},
      {"abc", "abc", ""},
      {"abc;", "abc", ""},
      {"1,,2", "1", ",2"},          // exactly one separator goes with the field
      {"a b", "a", "b"},
      {"x\r\n", "x", "\n"},
      {"\n\ry;z", "y", "z"},
      {"a\tb\tc", "a", "b\tc"},
      {"a\xC3\xB1o;1", "a\xC3\xB1o", "1"},  // bytes above 127 belong to the field
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.linea);
    std::string s = c.linea;
    std::string campo = "previo";
    ExtraerCampo(s, campo);
    EXPECT_EQ(campo, c.campo);
    EXPECT_EQ(s, c.resto);
  }
}

TEST(ExtraerCampo, EnterosYRealesDeUnaLinea) {
  // The second line of a turbine position: huso TAB zona TAB xe TAB yn.
  FormatoEstandar guarda;
  std::string s = "30\tT\t2*1.5\t4.5E6 ; -17";
  EXPECT_EQ(ExtraerEntero(s), 30);
  std::string zona;
  ExtraerCampo(s, zona);
  EXPECT_EQ(zona, "T");
  EXPECT_EQ(ExtraerReal(s), 3.0);
  EXPECT_EQ(ExtraerReal(s), 4.5e6);
  EXPECT_EQ(ExtraerEntero(s), -17);
  EXPECT_EQ(s, "");
}

TEST(ExtraerCampo, ErroresDeConversion) {
  FormatoEstandar guarda;
  std::string s = "x 1";
  EXPECT_THROW_MSG(ExtraerEntero(s), EConvertError, "\"x\" no es un n\xC3\xBAmero entero v\xC3\xA1lido");
  s = "";
  EXPECT_THROW_MSG(ExtraerEntero(s), EConvertError, "\"\" no es un n\xC3\xBAmero entero v\xC3\xA1lido");
  s = "2147483648";
  EXPECT_THROW(ExtraerEntero(s), EConvertError);
  s = "1.5";
  EXPECT_THROW(ExtraerEntero(s), EConvertError);
  s = "2*y;3";
  EXPECT_THROW_MSG(ExtraerReal(s), EConvertError,
                   "Error: no se puede evaluar \"2*y\" a un n\xC3\xBAmero real");
  s = ";;";
  EXPECT_THROW(ExtraerReal(s), EConvertError);
}

TEST(QuitarNoImprimibles, Tabla) {
  struct {
    std::string antes, despues;
  } casos[] = {
      {"\xEF\xBB\xBF" "Fecha\tv", "Fecha\tv"},  // UTF-8 byte-order mark
      {"a\x01\xFF" "b", "a\x01\xFF" "b"},       // only leading bytes go
      {"\t x", " x"},                          // the blank (32) is printable
      {"~x", "~x"},                            // 126 is printable
      {"\x7F" "x", "x"},                        // 127 is not
      {std::string("\x00\x1F\x80\xFF", 4), ""},
      {"", ""},
  };
  for (const auto& c : casos) {
    std::string s = c.antes;
    QuitarNoImprimibles(s);
    EXPECT_EQ(s, c.despues);
  }
}

TEST(OrdenarDA, DeMayorAMenor) {
  TDAofNReal a{1, 3, 2};
  OrdenarDA(a);
  EXPECT_EQ(a, (TDAofNReal{3, 2, 1}));
  TDAofNReal vacio;
  OrdenarDA(vacio);
  EXPECT_TRUE(vacio.empty());
  TDAofNReal uno{-4};
  OrdenarDA(uno);
  EXPECT_EQ(uno, TDAofNReal{-4});

  // Random data with many repeated values, against the standard library's sort.
  std::mt19937 g(12345);
  std::uniform_int_distribution<int> d(-20, 20);
  for (int n : {2, 3, 17, 1000}) {
    TDAofNReal b(static_cast<size_t>(n));
    for (auto& x : b) x = d(g) * 0.25;
    TDAofNReal esperado = b;
    std::sort(esperado.begin(), esperado.end(), std::greater<NReal>());
    OrdenarDA(b);
    EXPECT_EQ(b, esperado) << n;
  }
}

}  // namespace

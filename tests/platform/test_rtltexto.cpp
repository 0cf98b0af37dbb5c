#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "platform/errores.h"
#include "platform/fechas.h"
#include "platform/rtltexto.h"

namespace {

// Restores the format settings and the C locale after each test.
class Formato : public ::testing::Test {
 protected:
  // Each test starts from the C locale's settings, whatever the user's.
  void SetUp() override {
    guardado_ = FormatSettings();
    FormatSettings() = FormatoDeLocale("C");
  }
  void TearDown() override {
    FormatSettings() = guardado_;
    std::setlocale(LC_ALL, "C");
  }
  static TFormatSettings Absurdo() {
    TFormatSettings f = FormatoDeLocale("es_ES.UTF-8");
    f.DecimalSeparator = ',';
    f.ThousandSeparator = '.';
    return f;
  }
  TFormatSettings guardado_;
};

struct Referencia {
  double x;
  std::string plano, general;
};

std::vector<Referencia> LeerReferencias() {
  std::ifstream f(std::string(AERONDA_FIXTURES) + "/textos_reales.txt");
  std::vector<Referencia> r;
  std::string linea;
  while (std::getline(f, linea)) {
    size_t t1 = linea.find('\t'), t2 = linea.find('\t', t1 + 1);
    uint64_t bits = std::stoull(linea.substr(0, t1), nullptr, 16);
    r.push_back(
        {std::bit_cast<double>(bits), linea.substr(t1 + 1, t2 - t1 - 1), linea.substr(t2 + 1)});
  }
  return r;
}

TEST_F(Formato, EscrituraPlanaCoincideConLaReferencia) {
  auto refs = LeerReferencias();
  ASSERT_GE(refs.size(), 20u);
  // The same texts with the C locale, a Spanish process locale and absurd format settings.
  for (int modo = 0; modo < 3; ++modo) {
    if (modo == 1) std::setlocale(LC_ALL, "es_ES.UTF-8");
    if (modo == 2) FormatSettings() = Absurdo();
    for (const auto& r : refs) {
      EXPECT_EQ(RealATexto(r.x), r.plano) << "modo " << modo;
      double y = TextoAReal(r.plano);
      EXPECT_EQ(std::bit_cast<uint64_t>(y), std::bit_cast<uint64_t>(r.x)) << r.plano;
    }
  }
}

TEST_F(Formato, TextoGeneralCoincideConLaReferencia) {
  for (const auto& r : LeerReferencias()) EXPECT_EQ(FloatToStr(r.x), r.general) << r.plano;
  FormatSettings() = Absurdo();
  EXPECT_EQ(FloatToStr(0.035), "0,035");
  EXPECT_EQ(FloatToStr(1.5e20), "1,5E20");
}

TEST_F(Formato, IdaYVueltaDeDiezMilPatronesDeBits) {
  std::setlocale(LC_ALL, "es_ES.UTF-8");
  FormatSettings() = Absurdo();
  std::mt19937_64 gen(20161101);
  int probados = 0;
  while (probados < 10000) {
    double x = std::bit_cast<double>(gen());
    if (std::isnan(x)) continue;
    std::string s = RealATexto(x);
    ASSERT_EQ(s.find(','), std::string::npos) << s;
    ASSERT_EQ(std::bit_cast<uint64_t>(TextoAReal(s)), std::bit_cast<uint64_t>(x)) << s;
    ++probados;
  }
}

TEST_F(Formato, NoFinitosSeEscribenYSeLeen) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(RealATexto(inf), " +Inf");
  EXPECT_EQ(RealATexto(-inf), "-Inf");
  EXPECT_EQ(RealATexto(std::nan("")), " Nan");
  EXPECT_EQ(TextoAReal(" +Inf"), inf);
  EXPECT_EQ(TextoAReal("-Inf"), -inf);
  EXPECT_TRUE(std::isnan(TextoAReal(" Nan")));
}

TEST_F(Formato, LecturaPlanaTomaElPrimerNumeroEIgnoraElResto) {
  EXPECT_EQ(TextoAReal(" 1.5000000000000000E+000 resto de la línea"), 1.5);
  EXPECT_EQ(TextoAReal("\t-2.5e-3\t7"), -2.5e-3);
  EXPECT_EQ(TextoAReal("+3"), 3.0);
  EXPECT_EQ(TextoAReal(".5"), 0.5);
  EXPECT_EQ(TextoAReal("1e999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(TextoAReal("1e-999"), 0.0);
  EXPECT_THROW_MSG(TextoAReal("1,5"), EConvertError, "\"1,5\" no es un número real válido");
  for (const char* malo : {"", "   ", "abc", "1.5x", "e5", "1e", "--1", "0x10"}) {
    double x = 0;
    EXPECT_FALSE(ProbarTextoAReal(malo, x)) << malo;
  }
}

TEST_F(Formato, FloatToStrFTabla) {
  struct Caso {
    double x;
    TFloatFormat f;
    int prec, dig;
    const char* texto;
  };
  const Caso casos[] = {
      {12.345, TFloatFormat::ffFixed, 15, 2, "12.35"},
      {-0.004, TFloatFormat::ffFixed, 15, 2, "0.00"},
      {0.5, TFloatFormat::ffFixed, 15, 0, "1"},
      {2.5, TFloatFormat::ffFixed, 15, 0, "3"},
      {123456.0, TFloatFormat::ffFixed, 3, 1, "1.23E+5"},
      {37.5, TFloatFormat::ffFixed, 12, 1, "37.5"},
      {1234567.891, TFloatFormat::ffNumber, 15, 2, "1,234,567.89"},
      {-123.0, TFloatFormat::ffNumber, 15, 0, "-123"},
      {1234.5, TFloatFormat::ffExponent, 4, 2, "1.235E+03"},
      {-0.00012, TFloatFormat::ffExponent, 3, 0, "-1.20E-4"},
      {0.0, TFloatFormat::ffExponent, 3, 2, "0.00E+00"},
      {1234.5, TFloatFormat::ffGeneral, 3, 0, "1.23E3"},
      {999.6, TFloatFormat::ffGeneral, 3, 0, "1E3"},
      {1e-7, TFloatFormat::ffGeneral, 15, 3, "1E-007"},
      {0.0, TFloatFormat::ffFixed, 15, 3, "0.000"},
  };
  for (const auto& c : casos) EXPECT_EQ(FloatToStrF(c.x, c.f, c.prec, c.dig), c.texto) << c.x;
  EXPECT_EQ(FloatToStrF(std::nan(""), TFloatFormat::ffFixed, 15, 2), "Nan");
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  EXPECT_EQ(FloatToStrF(1234567.891, TFloatFormat::ffNumber, 15, 2), "1.234.567,89");
  EXPECT_EQ(FloatToStrF(9.9, TFloatFormat::ffFixed, 15, 1), "9,9");
}

TEST_F(Formato, ConversionesDeTextoANumero) {
  EXPECT_EQ(StrToInt(" 105 "), 105);
  EXPECT_EQ(StrToInt("-2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("-00000000000000000042"), -42);
  EXPECT_EQ(StrToInt("0000000000000"), 0);
  for (const char* malo :
       {"", " ", "2147483648", "00000000002147483648", "-", "1x", "1.0", "$10", "- 1", "3 4"}) {
    int32_t v = 0;
    EXPECT_FALSE(TryStrToInt(malo, v)) << malo;
  }
  EXPECT_THROW_MSG(StrToInt("x"), EConvertError, "\"x\" no es un número entero válido");

  FormatSettings() = FormatoDeLocale("C");
  EXPECT_EQ(StrToFloat("1.5"), 1.5);
  EXPECT_EQ(StrToFloat(" -2E3 "), -2000.0);
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  EXPECT_EQ(StrToFloat("1,5"), 1.5);
  double x = 0;
  EXPECT_FALSE(TryStrToFloat("1.5", x));  // "." is neither separator in force
  EXPECT_FALSE(TryStrToFloat("1.000,5", x));
  EXPECT_THROW_MSG(StrToFloat("abc"), EConvertError, "\"abc\" no es un número real válido");
}

TEST_F(Formato, TextosDeAnchoFijo) {
  std::setlocale(LC_ALL, "es_ES.UTF-8");
  EXPECT_EQ(FijoAncho(3.14159, 12, 4), "      3.1416");
  EXPECT_EQ(FijoAncho(-0.5, 12, 3), "      -0.500");
  EXPECT_EQ(FijoAncho(1e20, 6, 0), "100000000000000000000");
  EXPECT_EQ(EnteroAncho(42, 6), "    42");
  EXPECT_EQ(IntToStr(-9000000000LL), "-9000000000");
}

// The locales these tests read: scripts/install-deps generates them.
#define SaltarSinLocales()                                                                    \
  do {                                                                                        \
    for (const char* l :                                                                      \
         {"de_DE.UTF-8", "fr_FR.UTF-8", "pt_BR.UTF-8", "en_US.UTF-8", "es_ES.UTF-8"})         \
      if (!HayLocale(l))                                                                      \
        GTEST_SKIP() << "la locale " << l                                                     \
                     << " no está generada en este sistema (scripts/install-deps la genera)"; \
  } while (0)

// The user's settings come from the system's locale data, the numbers from the numeric
// locale and the dates and times from the time locale. The expected texts are those the
// locales publish (glibc's), written out here; two-digit years are widened to four.
TEST_F(Formato, FormatoDeLasLocalesDelSistema) {
  struct Caso {
    const char* numerico;
    const char* tiempo;
    char decimal, miles, fecha;
    const char* corta;    // DateToStr
    const char* hora;     // TimeToStr
    const char* minutos;  // ShortTimeFormat
    const char* mes;      // "mmmm"
  };
  // 2016-03-07 14:05:09, a Monday.
  const double t = EncodeDate(2016, 3, 7) + EncodeTime(14, 5, 9, 0);
  const Caso casos[] = {
      {"de_DE.UTF-8", "de_DE.UTF-8", ',', '.', '.', "07.03.2016", "14:05:09", "14:05", "März"},
      {"fr_FR.UTF-8", "fr_FR.UTF-8", ',', ' ', '/', "07/03/2016", "14:05:09", "14:05", "mars"},
      {"pt_BR.UTF-8", "pt_BR.UTF-8", ',', '.', '/', "07/03/2016", "14:05:09", "14:05", "março"},
      {"en_US.UTF-8", "en_US.UTF-8", '.', ',', '/', "03/07/2016", "02:05:09 PM", "02:05 PM",
       "March"},
      {"es_ES.UTF-8", "es_ES.UTF-8", ',', '.', '/', "07/03/2016", "14:05:09", "14:05", "marzo"},
      // The two categories apart: US numbers with Spanish dates, and the reverse.
      {"en_US.UTF-8", "es_ES.UTF-8", '.', ',', '/', "07/03/2016", "14:05:09", "14:05", "marzo"},
      {"es_ES.UTF-8", "en_US.UTF-8", ',', '.', '/', "03/07/2016", "02:05:09 PM", "02:05 PM",
       "March"},
      // The C locale, and one the system does not have, give the neutral settings.
      {"C", "C", '.', ',', '-', "2016-03-07", "14:05:09", "14:05", "March"},
      {"xx_NO.UTF-8", "POSIX", '.', ',', '-', "2016-03-07", "14:05:09", "14:05", "March"},
  };
  SaltarSinLocales();
  ASSERT_FALSE(HayLocale("xx_NO.UTF-8"));
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::string(c.numerico) + " / " + c.tiempo);
    const TFormatSettings f = FormatoDeLocales(c.numerico, c.tiempo);
    EXPECT_EQ(f.DecimalSeparator, c.decimal);
    EXPECT_EQ(f.ThousandSeparator, c.miles);
    EXPECT_EQ(f.DateSeparator, c.fecha);
    EXPECT_EQ(f.TimeSeparator, ':');
    FormatSettings() = f;
    EXPECT_EQ(DateToStr(t), c.corta);
    EXPECT_EQ(TimeToStr(t), c.hora);
    EXPECT_EQ(FormatDateTime(f.ShortTimeFormat, t), c.minutos);
    EXPECT_EQ(FormatDateTime("mmmm", t), c.mes);
    EXPECT_EQ(DateTimeToStr(t), std::string(c.corta) + " " + c.hora);
    EXPECT_EQ(FloatToStrF(-1234567.5, TFloatFormat::ffNumber, 15, 2),
              std::string("-1") + c.miles + "234" + c.miles + "567" + c.decimal + "50");
  }
  // FormatoDeLocale is the same locale for both.
  EXPECT_EQ(FormatoDeLocale("de_DE.UTF-8").ShortDateFormat, "dd.mm.yyyy");
  FijarFormatoDelSistema(FormatoDeLocale("es_ES.UTF-8"));
  EXPECT_EQ(FormatoDelSistema().DecimalSeparator, ',');
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
  FijarFormatoDelSistema(guardado_);
}

// The locales in force are found as the C library finds them: LC_ALL first, then each
// category's own variable, then LANG.
TEST_F(Formato, FormatoDelEntornoPorCategoria) {
  SaltarSinLocales();
  struct Variable {
    const char* nombre;
    std::optional<std::string> antes;
  };
  std::vector<Variable> vars;
  for (const char* v : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG"}) {
    const char* e = std::getenv(v);
    vars.push_back({v, e != nullptr ? std::optional<std::string>(e) : std::nullopt});
  }
  auto poner = [](const char* v, const char* valor) {
    if (valor == nullptr)
      ::unsetenv(v);
    else
      ::setenv(v, valor, 1);
  };
  poner("LC_ALL", nullptr);
  poner("LC_NUMERIC", "en_US.UTF-8");
  poner("LC_TIME", "de_DE.UTF-8");
  poner("LANG", "pt_BR.UTF-8");
  TFormatSettings f = FormatoDelEntorno();
  EXPECT_EQ(f.DecimalSeparator, '.');
  EXPECT_EQ(f.ShortDateFormat, "dd.mm.yyyy");
  poner("LC_TIME", nullptr);
  f = FormatoDelEntorno();
  EXPECT_EQ(f.DecimalSeparator, '.');
  EXPECT_EQ(f.ShortDateFormat, "dd/mm/yyyy") << "pt_BR from LANG";
  poner("LC_ALL", "de_DE.UTF-8");
  f = FormatoDelEntorno();
  EXPECT_EQ(f.DecimalSeparator, ',');
  EXPECT_EQ(f.ShortDateFormat, "dd.mm.yyyy");
  for (const Variable& v : vars) poner(v.nombre, v.antes ? v.antes->c_str() : nullptr);
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "comun/afirmaciones.h"
#include "numerics/xmatdefs.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

TEST(XMatDefs, EpsilonMaquinaEsDosALaMenos52) {
  // Computed at run time too: the loop must round 1 + a to a double before comparing.
  volatile auto calcular = &CalcularEpsilonMaquina;
  EXPECT_EQ(calcular(), std::numeric_limits<double>::epsilon());
  EXPECT_EQ(EpsilonMaquina, 0x1p-52);
  EXPECT_FALSE(CasiCero(0x1p-52));  // strict: |x| equal to the epsilon is not zero
  EXPECT_TRUE(CasiCero(std::nextafter(0x1p-52, 0.0)));
  EXPECT_TRUE(CasiCero(-1e-17));
  EXPECT_TRUE(CasiCero(0.0));
  EXPECT_TRUE(CasiCero(-0.0));
  EXPECT_FALSE(CasiCero(std::numeric_limits<double>::quiet_NaN()));
}

TEST(XMatDefs, RutinasDeArreglos) {
  const TDAofNReal a = {3, 1, 1, 2};
  EXPECT_EQ(MinimoDA(a), 1.0);
  EXPECT_EQ(MaximoDA(a), 3.0);
  EXPECT_EQ(MinimoDA({-0.0, 0.0}), -0.0);
  EXPECT_TRUE(std::signbit(MinimoDA({-0.0, 0.0})));  // equal values do not replace the first
  EXPECT_FALSE(std::signbit(MaximoDA({0.0, -0.0})));
  EXPECT_EQ(SumaDA({}), 0.0);
  EXPECT_EQ(SumaDA(a), 7.0);
  EXPECT_EQ(PromedioDA({1, 2}), 1.5);

  TDAofNReal b = {5, 6};
  TDAofNReal c = {7, 8, 9};
  const double* datosB = b.data();
  IntercambiarDA(b, c);
  EXPECT_EQ(b, (TDAofNReal{7, 8, 9}));
  EXPECT_EQ(c, (TDAofNReal{5, 6}));
  EXPECT_EQ(c.data(), datosB);  // storage moved, not copied
  AnularDA(b);
  EXPECT_EQ(b, (TDAofNReal{0, 0, 0}));

  TDAOfBoolean f(3, 0);
  LlenarDABooleanos(f, true);
  EXPECT_EQ(f, (TDAOfBoolean{1, 1, 1}));
  static_assert(sizeof(TDAOfBoolean::value_type) == 1);
  EXPECT_EQ(BooleanoAEntero(true), 1);
  EXPECT_EQ(BooleanoAEntero(false), 0);
}

TEST(XMatDefs, ExtraerPalabra) {
  struct Caso {
    std::string s;
    char sep;
    std::string palabra, resto;
  };
  const Caso casos[] = {
      {";;12;;7", ';', "12", ";7"}, {";7", ';', "7", ""},
      {";;;", ';', "", ""},         {"", ';', "", ""},
      {"abc", ';', "abc", ""},      {"a b", ' ', "a", "b"},
      {"x;", ';', "x", ""},         {"ñu;á", ';', "ñu", "á"},
  };
  for (const Caso& c : casos) {
    std::string s = c.s;
    std::string palabra = "basura";
    ExtraerPalabra(s, c.sep, palabra);
    EXPECT_EQ(palabra, c.palabra) << c.s;
    EXPECT_EQ(s, c.resto) << c.s;
  }
}

TEST(XMatDefs, CadenaAEnteros) {
  EXPECT_EQ(CadenaAEnteros("105;3;;7", ';'), (TDAofNInt{105, 3, 7}));
  EXPECT_EQ(CadenaAEnteros(";;;", ';'), TDAofNInt{});
  EXPECT_EQ(CadenaAEnteros("", ';'), TDAofNInt{});
  EXPECT_EQ(CadenaAEnteros("105; 3 ;-2147483648", ';'), (TDAofNInt{105, 3, -2147483647 - 1}));
  std::string cien;
  TDAofNInt esperado;
  for (int i = 1; i <= 101; ++i) {
    cien += IntToStr(i) + ";";
    esperado.push_back(i);
  }
  EXPECT_EQ(CadenaAEnteros(cien, ';'), esperado);
  EXPECT_THROW_MSG(CadenaAEnteros("1;x", ';'), EConvertError,
                   "\"x\" no es un número entero válido");
  EXPECT_THROW_MSG(CadenaAEnteros("2147483648", ';'), EConvertError,
                   "\"2147483648\" no es un número entero válido");
  EXPECT_THROW_MSG(CadenaAEnteros("1;2.5", ';'), EConvertError,
                   "\"2.5\" no es un número entero válido");
}

}  // namespace

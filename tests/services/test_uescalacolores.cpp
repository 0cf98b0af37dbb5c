// The colour ramp against its closed form (tests/tools/escala_color_ref.py) and its edges.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include "platform/lienzo.h"
#include "services/uescalacolores.h"

TEST(EscalaColor, ValoresTrabajados) {
  const TEscalaColor e(4, 10);
  struct Caso {
    double x;
    int r, g, b;
  };
  const Caso casos[] = {{3, 0, 0, 255},     {4, 0, 0, 255},  {4.6, 0, 153, 255}, {5.5, 0, 255, 255},
                        {6.5, 0, 255, 132}, {7, 0, 255, 0},  {7.5, 132, 255, 0}, {8.5, 255, 255, 0},
                        {9.4, 255, 153, 0}, {10, 255, 0, 0}, {1e9, 255, 0, 0}};
  for (const Caso& c : casos) {
    EXPECT_EQ(e.ColorDeValor(c.x), RGBAColor(c.r, c.g, c.b)) << c.x;
  }
}

TEST(EscalaColor, FormaCerradaDeReferencia) {
  const TEscalaColor e(4, 10);
  std::ifstream f(AERONDA_FIXTURES "/escala_color_ref.txt");
  ASSERT_TRUE(f) << "falta escala_color_ref.txt";
  std::string linea;
  int casos = 0, exactos = 0;
  while (std::getline(f, linea)) {
    std::istringstream campos(linea);
    std::string xs;
    int r, g, b;
    campos >> xs >> r >> g >> b;
    double x = 0;  // repr() of a double: read back exactly
    ASSERT_EQ(std::from_chars(xs.data(), xs.data() + xs.size(), x).ec, std::errc()) << xs;
    const TColor c = e.ColorDeValor(x);
    // The reference runs in double precision, the program in extended: a channel may differ by
    // one at a near-half, no more.
    EXPECT_NEAR(RojoDe(c), r, 1) << x;
    EXPECT_NEAR(VerdeDe(c), g, 1) << x;
    EXPECT_NEAR(AzulDe(c), b, 1) << x;
    if (c == RGBAColor(r, g, b)) ++exactos;
    ++casos;
  }
  EXPECT_EQ(casos, 254);
  EXPECT_GE(exactos, casos - 3);
}

TEST(EscalaColor, NormalizarNoSeAcota) {
  const TEscalaColor e(4, 10);
  EXPECT_EQ(e.min, 4);
  EXPECT_EQ(e.rango, 6);
  EXPECT_EQ(e.Normalizar(1), -0.5);
  EXPECT_EQ(e.Normalizar(13), 1.5);
  EXPECT_EQ(e.Normalizar(7), 0.5);
}

TEST(EscalaColor, FronterasDeTramoDanLasParadasExactas) {
  // t = 1/4, 1/2, 3/4 put g on a segment boundary: the stop colour whichever side the
  // truncation falls; t = 1 gives 4 g = 4, capped into the last segment.
  const TEscalaColor e(0, 1);
  EXPECT_EQ(e.ColorDeValor(0.25), clAqua);
  EXPECT_EQ(e.ColorDeValor(0.5), clLime);
  EXPECT_EQ(e.ColorDeValor(0.75), clYellow);
  EXPECT_EQ(e.ColorDeValor(1.0), clRed);
  EXPECT_EQ(e.ColorDeValor(std::nextafter(1.0, 0.0)), clRed);
  EXPECT_EQ(e.ColorDeValor(0.0), clBlue);
}

TEST(EscalaColor, EscalaInvertidaYEscalaSinAncho) {
  const TEscalaColor invertida(10, 4);  // the values are not compared
  EXPECT_EQ(invertida.ColorDeValor(10), clBlue);
  EXPECT_EQ(invertida.ColorDeValor(4), clRed);
  EXPECT_EQ(invertida.ColorDeValor(7), clLime);
  // Zero width: at or below min is the start of the ramp, above it the end; NaN the start.
  const TEscalaColor plana(5, 5);
  EXPECT_EQ(plana.ColorDeValor(5), clBlue);
  EXPECT_EQ(plana.ColorDeValor(4), clBlue);
  EXPECT_EQ(plana.ColorDeValor(6), clRed);
  EXPECT_EQ(TEscalaColor(4, 10).ColorDeValor(NAN), clBlue);
}

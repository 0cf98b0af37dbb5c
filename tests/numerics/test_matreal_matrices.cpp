#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "casos_matreal.h"
#include "comun/afirmaciones.h"
#include "numerics/matreal.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace fs = std::filesystem;

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TMatR M(int nf, int nc, std::initializer_list<double> xs) {
  TMatR m(nf, nc);
  auto it = xs.begin();
  for (int i = 1; i <= nf; ++i)
    for (int j = 1; j <= nc; ++j) m.PonerElemento(i, j, *it++);
  return m;
}

TVectR V(std::initializer_list<double> xs) { return TVectR::CreateDesdeDA(1, TDAofNReal(xs)); }

TDAofNReal Elementos(const TVectR& v) { return TDAofNReal(v.pv.begin() + 1, v.pv.end()); }

// ---------------------------------------------------------------------------------------------

TEST(TMatR, OperacionesBasicas) {
  TMatR m = M(2, 3, {1, 2, 3, 4, -5, 6});
  EXPECT_EQ(m.pm.size(), 3u);
  EXPECT_EQ(m.pm[0].n, 0);
  EXPECT_EQ(m.Maximo(), 6);
  EXPECT_EQ(M(2, 2, {9, 1, 1, 9}).Maximo(), 9);
  EXPECT_EQ(m.SumaElementos(), 11);
  TVectR& fila = m.Fila(2);
  fila[1] = 40;  // the row itself, not a copy
  EXPECT_EQ(m.Elemento(2, 1), 40);
  m.AcumularElemento(2, 1, 2);
  EXPECT_EQ(m.Elemento(2, 1), 42);

  const TMatR copia = TMatR::CreateCopia(m);
  m.IntercambiarFilas(1, 2);
  EXPECT_EQ(Elementos(m.Fila(1)), (TDAofNReal{42, -5, 6}));
  EXPECT_EQ(Elementos(copia.Fila(1)), (TDAofNReal{1, 2, 3}));  // deep copy

  m.MultiplicarPorEscalar(0.5);
  EXPECT_EQ(Elementos(m.Fila(2)), (TDAofNReal{0.5, 1, 1.5}));
  m.ProductoElementos(M(2, 3, {1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Elementos(m.Fila(1)), (TDAofNReal{21, -5, 9}));
  EXPECT_EQ(Elementos(m.Fila(2)), (TDAofNReal{2, 5, 9}));
  TMatR s(2, 3);
  s.Suma(m, copia);
  EXPECT_EQ(Elementos(s.Fila(1)), (TDAofNReal{22, -3, 12}));
  s.LlenarUnos();
  EXPECT_EQ(s.SumaElementos(), 6);
  s.Anular();
  EXPECT_EQ(s.SumaElementos(), 0);
  EXPECT_THROW(TMatR(-1, 2), EErrorGeneral);
  EXPECT_EQ(TMatR(0, 4).pm.size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Linear systems

TEST(ResolverSistema, CasosConocidos) {
  struct Caso {
    TMatR A, B;
    bool ok;
    double d;
    int exp10;
    TDAofNReal x;  // the first column of the solution
  };
  const Caso casos[] = {
      // rows swapped (4 > 2); the sign change and the second pivot -0.5 cancel
      {M(2, 2, {2, 1, 4, 3}), M(2, 1, {3, 7}), true, 2, 0, {1, 1}},
      {M(2, 2, {1, 2, 2, 4}), M(2, 1, {1, 1}), false, 0, 0, {}},      // last pivot exactly 0
      {M(2, 2, {1e-20, 0, 0, 1}), M(2, 1, {1, 1}), false, 0, 0, {}},  // first pivot <= eps
      {M(1, 1, {5}), M(1, 1, {10}), true, 5, 0, {2}},
      {M(1, 1, {5000}), M(1, 1, {10}), true, 500, 1, {0.002}},
      {M(1, 1, {0.001}), M(1, 1, {1}), true, 0.001, 0, {1000}},  // the bounds stay as they are
      {M(1, 1, {1000}), M(1, 1, {1}), true, 1000, 0, {0.001}},
      {M(3, 3, {0.05, 0, 0, 0, 0.05, 0, 0, 0, 0.05}),
       M(3, 1, {1, 2, 3}),
       true,
       0.00125,
       -1,
       {20, 40, 60}},
      // A pivot that is infinite or NaN, and a determinant that overflows, fail at once: the
      // mantissa normalisation would never end on an infinite determinant.
      {M(2, 2, {kInf, 1, 1, 1}), M(2, 1, {1, 1}), false, 0, 0, {}},
      {M(2, 2, {1, kInf, 1, 1}), M(2, 1, {1, 1}), false, 0, 0, {}},
      {M(2, 2, {kNaN, 1, 1, 1}), M(2, 1, {1, 1}), false, 0, 0, {}},
      {M(2, 2, {1, 1, 1, kNaN}), M(2, 1, {1, 1}), false, 0, 0, {}},
      {M(1, 1, {kInf}), M(1, 1, {1}), false, 0, 0, {}},
      {M(2, 2, {1e308, 0, 0, 1e308}), M(2, 1, {1, 1}), false, 0, 0, {}},
  };
  for (const Caso& c : casos) {
    TMatR A = c.A;
    TMatR B = c.B;
    bool ok = !c.ok;
    int32_t exp10 = 99;
    const double d = A.ResolverSistema(B, ok, exp10);
    EXPECT_EQ(ok, c.ok) << c.A.ACadena();
    EXPECT_DOUBLE_EQ(d, c.d) << c.A.ACadena();
    if (!c.ok) continue;
    EXPECT_EQ(exp10, c.exp10) << c.A.ACadena();
    for (int i = 1; i <= B.nf; ++i)
      EXPECT_DOUBLE_EQ(B.Elemento(i, 1), c.x[static_cast<size_t>(i - 1)]) << c.A.ACadena();
  }
}

TEST(ResolverSistema, UltimoPivoteDiminutoPasa) {
  // Only the pivots before the last are compared with eps.
  TMatR A = M(2, 2, {1, 0, 0, 1e-20});
  TMatR B = M(2, 1, {1, 1});
  bool ok = false;
  int32_t exp10 = 0;
  const double d = A.ResolverSistema(B, ok, exp10);
  ASSERT_TRUE(ok);
  EXPECT_DOUBLE_EQ(B.Elemento(1, 1), 1);
  EXPECT_DOUBLE_EQ(B.Elemento(2, 1), 1e20);
  EXPECT_NEAR(d * std::pow(10.0, exp10), 1e-20, 1e-32);
  EXPECT_TRUE(std::fabs(d) >= 0.001 && std::fabs(d) <= 1000) << d;
}

TEST(ResolverSistema, EmpateDePivoteConservaLaFilaAnterior) {
  // |-2| = |2|: strict comparison, no swap, so A keeps its first row where it was.
  TMatR A = M(2, 2, {-2, 1, 2, 3});
  TMatR B = M(2, 1, {0, 8});
  bool ok = false;
  int32_t exp10 = 0;
  const double d = A.ResolverSistema(B, ok, exp10);
  ASSERT_TRUE(ok);
  EXPECT_EQ(A.Elemento(1, 1), -2);
  EXPECT_DOUBLE_EQ(d, -8);
  EXPECT_DOUBLE_EQ(B.Elemento(1, 1), 1);
  EXPECT_DOUBLE_EQ(B.Elemento(2, 1), 2);
}

TEST(ResolverSistema, ContraAritmeticaExacta) {
  const auto casos = casos_matreal::Leer("sistema");
  ASSERT_GE(casos.size(), 6u);
  for (auto c : casos) {
    const int n = c.Entero();
    const int m = c.Entero();
    TMatR A(n, n);
    TMatR B(n, m);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) A.PonerElemento(i, j, c.Real());
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= m; ++j) B.PonerElemento(i, j, c.Real());
    c.Barra();
    bool ok = false;
    int32_t exp10 = 0;
    const double d = A.ResolverSistema(B, ok, exp10);
    ASSERT_TRUE(ok);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= m; ++j) {
        const double x = c.Real();
        EXPECT_NEAR(B.Elemento(i, j), x, 1e-11 * std::max(1.0, std::fabs(x))) << n << "x" << n;
      }
    const double det = c.Real();
    EXPECT_NEAR(d * std::pow(10.0, exp10) / det, 1.0, 1e-12) << det;
    EXPECT_TRUE(std::fabs(d) >= 0.001 && std::fabs(d) <= 1000) << d;
  }
}

// ---------------------------------------------------------------------------------------------
// Least-squares line

TEST(AproximacionLineal, ContraAritmeticaExacta) {
  const auto casos = casos_matreal::Leer("recta");
  ASSERT_GE(casos.size(), 5u);
  for (auto c : casos) {
    const int n = c.Entero();
    const TVectR x = TVectR::CreateDesdeDA(1, c.Reales(n));
    const TVectR y = TVectR::CreateDesdeDA(1, c.Reales(n));
    const double xd = c.Real(), xh = c.Real();
    const int puntos = c.Entero();
    const double pend = c.Real(), orde = c.Real(), res = c.Real();
    double p = 0, o = 0;
    int32_t np = 0;
    const double r = y.AproximacionLineal(p, o, x, xd, xh, np);
    EXPECT_EQ(np, puntos);
    EXPECT_NEAR(p, pend, 1e-9 * std::max(1.0, std::fabs(pend))) << xd << " " << xh;
    EXPECT_NEAR(o, orde, 1e-9 * std::max(1.0, std::fabs(orde))) << xd << " " << xh;
    // myy minus the fitted part: cancellation costs digits relative to the mean of y^2.
    const double myy = y.NormaCuadrada() / n;
    EXPECT_NEAR(r, res, 1e-10 * std::max(1.0, myy)) << xd << " " << xh;
  }
}

TEST(AproximacionLineal, VentanasDegeneradas) {
  const TVectR x = V({1, 2, 3, 4});
  const TVectR y = V({3, 5, 7, 9});
  double p = 9, o = 9;
  int32_t np = 9;
  EXPECT_EQ(y.AproximacionLineal(p, o, x, 5, 6, np), -1);  // no point
  EXPECT_EQ(p, 0);
  EXPECT_EQ(o, 0);
  EXPECT_EQ(np, 0);
  EXPECT_NEAR(y.AproximacionLineal(p, o, x, 1, 4, np), 0, 1e-12);  // upper bound excluded
  EXPECT_EQ(np, 3);
  EXPECT_NEAR(p, 2, 1e-12);
  EXPECT_NEAR(o, 1, 1e-12);

  // One point or equal abscissas leave the line undetermined. Rounding makes the last pivot a
  // few ulps instead of 0 for many such values, which would pass as a slope of ~1e16.
  std::mt19937_64 gen(3111);
  std::uniform_real_distribution<double> d(1, 25);
  for (int k = 0; k < 200; ++k) {
    const double x0 = d(gen);
    const TVectR uno = V({x0});
    EXPECT_THROW_MSG(V({7}).AproximacionLineal(p, o, uno, 0, 30, np), EErrorGeneral,
                     "TVectR.AproximacionLineal res= 0");
    const TVectR iguales = V({x0, x0, x0, x0, x0});
    EXPECT_THROW_MSG(V({1, 2, 3, 4, 5}).AproximacionLineal(p, o, iguales, 0, 30, np), EErrorGeneral,
                     "TVectR.AproximacionLineal res= 0");
  }
  // Abscissas that are close but distinct still give a line: a relative spread of 1e-3, and
  // one of 1e-6 (variance 6.7e-13 against the threshold 64 eps = 1.4e-14), where the normal
  // equations on means keep only a few digits of the slope 1e6.
  EXPECT_NEAR(V({1, 2, 3}).AproximacionLineal(p, o, V({1000, 1001, 1002}), 0, 2000, np), 0, 1e-3);
  EXPECT_NEAR(p, 1, 1e-6);
  V({1, 2, 3}).AproximacionLineal(p, o, V({1, 1 + 1e-6, 1 + 2e-6}), 0, 2, np);
  EXPECT_NEAR(p, 1e6, 1e3);
}

// ---------------------------------------------------------------------------------------------
// Bracketed strings

class Cadenas : public ::testing::Test {
 protected:
  void SetUp() override { guardado_ = FormatSettings(); }
  void TearDown() override { FormatSettings() = guardado_; }
  TFormatSettings guardado_;
};

TEST_F(Cadenas, TresCifrasContraReferencia) {
  const auto casos = casos_matreal::Leer("cadena");
  ASSERT_GE(casos.size(), 20u);
  FormatSettings().DecimalSeparator = '.';
  for (auto c : casos) {
    const double x = c.Real();
    const std::string esperado = c.Siguiente();
    EXPECT_EQ(TresCifrasATexto(x, '.'), esperado) << x;
    TMatR m(1, 1);
    m.PonerElemento(1, 1, x);
    EXPECT_EQ(m.ACadena(), "[1|1][" + esperado + "]");
  }
  EXPECT_EQ(TresCifrasATexto(-0.0, '.'), "0");
  EXPECT_EQ(TresCifrasATexto(kNaN, '.'), "Nan");
  EXPECT_EQ(TresCifrasATexto(-kInf, '.'), "-Inf");
}

TEST_F(Cadenas, ACadenaSigueElSeparadorEnVigor) {
  const TMatR m = M(1, 2, {1.23456, 1234.5});
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(m.ACadena(), "[1|2][1.23][1.23E3]");
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(m.ACadena(), "[1|2][1,23][1,23E3]");
  EXPECT_EQ(M(2, 1, {-0.0000123, 0}).ACadena(), "[2|1][-0,0000123][0]");
  EXPECT_EQ(TMatR(0, 3).ACadena(), "[0|3]");
}

TEST_F(Cadenas, MatrizDesdeCadena) {
  FormatSettings().DecimalSeparator = '.';
  TMatR m = TMatR::CreateDesdeCadena("[1|2][1.23][1.23E3]");
  EXPECT_EQ(m.nf, 1);
  EXPECT_EQ(m.nc, 2);
  EXPECT_EQ(Elementos(m.Fila(1)), (TDAofNReal{1.23, 1230}));
  // Text before the first "[", blanks inside the groups and junk between groups are ignored;
  // elements may be expressions.
  m = TMatR::CreateDesdeCadena("matriz: [ 2 | 2 ] x [ 1 ]abc[2*0.5] [ -3 ]\r\n[4] resto [9]");
  EXPECT_EQ(Elementos(m.Fila(1)), (TDAofNReal{1, 1}));
  EXPECT_EQ(Elementos(m.Fila(2)), (TDAofNReal{-3, 4}));
  EXPECT_EQ(TMatR::CreateDesdeCadena("[0|3]").nc, 3);
  // What ACadena writes reads back as the rounded matrix.
  const TMatR r = M(2, 2, {0.5, -4.5e12, 9.99e-6, 123.456});
  EXPECT_EQ(TMatR::CreateDesdeCadena(r.ACadena()), M(2, 2, {0.5, -4.5e12, 9.99e-6, 123}));
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(TMatR::CreateDesdeCadena("[1|1][1,5]").Elemento(1, 1), 1.5);
  EXPECT_EQ(TMatR::CreateDesdeCadena(r.ACadena()), M(2, 2, {0.5, -4.5e12, 9.99e-6, 123}));
}

TEST_F(Cadenas, MatrizDesdeCadenaErrores) {
  FormatSettings().DecimalSeparator = '.';
  struct Caso {
    const char* s;
    const char* mensaje;
  };
  const Caso casos[] = {
      {"[1|2][1]", "TMatR.CreateDesdeCadena: cadena incompleta: \"[1|2][1]\""},
      {"[1|2][1]2]", "TMatR.CreateDesdeCadena: cadena incompleta: \"[1|2][1]2]\""},
      {"1|2", "TMatR.CreateDesdeCadena: cadena incompleta: \"1|2\""},
      {"[2|2", "TMatR.CreateDesdeCadena: cadena incompleta: \"[2|2\""},
      {"[100000|100000][1]", "TMatR.CreateDesdeCadena: cadena incompleta: \"[100000|100000][1]\""},
      {"[-1|2]", "TMatR.CreateDesdeCadena: dimensiones inválidas: -1 x 2"},
      // No columns means no groups to count the rows against: a row count beyond the text's
      // length would allocate 2e9 empty rows.
      {"[2000000000|0]", "TMatR.CreateDesdeCadena: dimensiones inválidas: 2000000000 x 0"},
      {"[x|2][1]", "\"x\" no es un número entero válido"},
      {"[1|1][abc]", "Error: no se puede evaluar \"abc\" a un número real"},
      {"[1|1][]", "Error: no se puede evaluar \"\" a un número real"},
      // An element is converted as it is cut: its refusal comes before a later missing group.
      {"[2|1][abc]", "Error: no se puede evaluar \"abc\" a un número real"},
  };
  for (const Caso& c : casos)
    EXPECT_THROW_MSG(TMatR::CreateDesdeCadena(c.s), EConvertError, c.mensaje);
  const TMatR vacia = TMatR::CreateDesdeCadena("[3|0]");
  EXPECT_EQ(vacia.nf, 3);
  EXPECT_EQ(vacia.nc, 0);
}

// The reading with the caller's conversion: each element's text as the string holds it,
// trimmed, with its place and the string's shape, in row order; the caller's value is the
// element. The refusals are the reader's, in the same order.
TEST_F(Cadenas, MatrizDesdeCadenaConOtraConversion) {
  FormatSettings().DecimalSeparator = '.';
  std::vector<std::string> vistos;
  const auto anotar = [&vistos](int32_t nf, int32_t nc, int32_t i, int32_t j,
                                const std::string& t) {
    vistos.push_back(IntToStr(nf) + "x" + IntToStr(nc) + " " + IntToStr(i) + "," + IntToStr(j) +
                     " <" + t + ">");
    return NReal(10 * i + j);
  };
  const TMatR m = TMatR::CreateDesdeCadena("x[2|3][ a ][1,5]--[2*3][][ z\r\n][q", anotar);
  EXPECT_EQ(vistos, (std::vector<std::string>{"2x3 1,1 <a>", "2x3 1,2 <1,5>", "2x3 1,3 <2*3>",
                                              "2x3 2,1 <>", "2x3 2,2 <z>", "2x3 2,3 <q>"}));
  EXPECT_EQ(m, M(2, 3, {11, 12, 13, 21, 22, 23}));

  // The shape is refused before any element is handed on.
  vistos.clear();
  EXPECT_THROW_MSG(TMatR::CreateDesdeCadena("[2|2][1][2]", anotar), EConvertError,
                   "TMatR.CreateDesdeCadena: cadena incompleta: \"[2|2][1][2]\"");
  EXPECT_THROW_MSG(TMatR::CreateDesdeCadena("[-1|2]", anotar), EConvertError,
                   "TMatR.CreateDesdeCadena: dimensiones inválidas: -1 x 2");
  EXPECT_TRUE(vistos.empty());
  // What the conversion raises ends the reading, before a later missing group is seen.
  EXPECT_THROW_MSG(TMatR::CreateDesdeCadena(
                       "[2|1][7]",
                       [](int32_t, int32_t, int32_t, int32_t, const std::string& t) -> NReal {
                         throw EConvertError("no quiero " + t);
                       }),
                   EConvertError, "no quiero 7");
  // A missing group after an element that converts is still refused.
  EXPECT_THROW_MSG(TMatR::CreateDesdeCadena("[2|1][7]", anotar), EConvertError,
                   "TMatR.CreateDesdeCadena: cadena incompleta: \"[2|1][7]\"");
}

// Without its final "]" the last element is the rest of the string; every other missing
// bracket is still refused (above).
TEST_F(Cadenas, SinElCorcheteFinal) {
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(TMatR::CreateDesdeCadena("[1|2][1][2"), M(1, 2, {1, 2}));
  EXPECT_EQ(TMatR::CreateDesdeCadena("[2|1][1.5][ 2*2 \r\n"), M(2, 1, {1.5, 4}));
  const TMatR vacia = TMatR::CreateDesdeCadena("[3|0");
  EXPECT_EQ(vacia.nf, 3);
  EXPECT_EQ(vacia.nc, 0);
  EXPECT_EQ(Elementos(TVectR::CreateDesdeCadena("[2|1;2")), (TDAofNReal{1, 2}));
  EXPECT_EQ(Elementos(TVectR::CreateDesdeCadena("[1| 7 ")), (TDAofNReal{7}));
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(Elementos(TVectR::CreateDesdeCadena("[2|1,5;-2,25")), (TDAofNReal{1.5, -2.25}));
}

// What ACadena writes for values that are not finite reads back as those values, as the plain
// real text does ("Infinity" and any case included).
TEST_F(Cadenas, NoFinitosIdaYVuelta) {
  for (char sep : {'.', ','}) {
    FormatSettings().DecimalSeparator = sep;
    const TMatR m = M(1, 4, {kNaN, kInf, -kInf, 2.5});
    const std::string texto = m.ACadena();
    EXPECT_EQ(texto, std::string("[1|4][Nan][+Inf][-Inf][2") + sep + "5]");
    const TMatR r = TMatR::CreateDesdeCadena(texto);
    EXPECT_TRUE(std::isnan(r.Elemento(1, 1)));
    EXPECT_EQ(r.Elemento(1, 2), kInf);
    EXPECT_EQ(r.Elemento(1, 3), -kInf);
    EXPECT_EQ(r.Elemento(1, 4), 2.5);
  }
  FormatSettings().DecimalSeparator = '.';
  const TVectR v = TVectR::CreateDesdeCadena("[4| nan ;INF;-Infinity;+inf]");
  EXPECT_TRUE(std::isnan(v.pv[1]));
  EXPECT_EQ(v.pv[2], kInf);
  EXPECT_EQ(v.pv[3], -kInf);
  EXPECT_EQ(v.pv[4], kInf);
  // Only the words themselves: anything else still goes to the evaluator.
  EXPECT_THROW_MSG(TMatR::CreateDesdeCadena("[1|1][Nan1]"), EConvertError,
                   "Error: no se puede evaluar \"Nan1\" a un número real");
}

// A matrix of no columns has no groups to bound its rows, and each row still costs memory: its
// row count is bound by the text's length (65,536, and one row per 4 characters).
TEST_F(Cadenas, MatrizSinColumnasAcotadaPorElTexto) {
  // "[65538|0]" has 9 characters: 65,536 + 9 / 4 = 65,538 rows at most.
  EXPECT_EQ(TMatR::CreateDesdeCadena("[65538|0]").nf, 65538);
  EXPECT_THROW_MSG(TMatR::CreateDesdeCadena("[65539|0]"), EConvertError,
                   "TMatR.CreateDesdeCadena: dimensiones inválidas: 65539 x 0");
  auto texto = [](int64_t nf) {
    std::string s = "[" + std::to_string(nf) + "|0]";
    s.resize(1000000, ' ');
    return s;
  };
  EXPECT_EQ(TMatR::CreateDesdeCadena(texto(315536)).nf, 315536);
  EXPECT_THROW(TMatR::CreateDesdeCadena(texto(315537)), EConvertError);
  // What ACadena writes for such a matrix reads back, up to 65,536 rows.
  for (const int32_t nf : {50, 65536})
    EXPECT_EQ(TMatR::CreateDesdeCadena(TMatR(nf, 0).ACadena()), TMatR(nf, 0));
}

TEST_F(Cadenas, VectorDesdeCadena) {
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(Elementos(TVectR::CreateDesdeCadena("[3|1;2*2;0.5]")), (TDAofNReal{1, 4, 0.5}));
  EXPECT_EQ(Elementos(TVectR::CreateDesdeCadena("curva_v [ 3 |\t1 ; 2 ;3 ] fin")),
            (TDAofNReal{1, 2, 3}));
  EXPECT_EQ(Elementos(TVectR::CreateDesdeCadena("[1|7]")), (TDAofNReal{7}));
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(Elementos(TVectR::CreateDesdeCadena("[2|1,5;-2,25]")), (TDAofNReal{1.5, -2.25}));
  FormatSettings().DecimalSeparator = '.';
  struct Caso {
    const char* s;
    const char* mensaje;
  };
  const Caso casos[] = {
      {"[0|]", "TVectR.CreateDesdeCadena: número de elementos inválido: 0"},
      {"[-2|1;2]", "TVectR.CreateDesdeCadena: número de elementos inválido: -2"},
      {"[3|1;2]", "TVectR.CreateDesdeCadena: cadena incompleta: \"[3|1;2]\""},
      {"[3|1;2", "TVectR.CreateDesdeCadena: cadena incompleta: \"[3|1;2\""},
      {"[2000000000|1]", "TVectR.CreateDesdeCadena: cadena incompleta: \"[2000000000|1]\""},
      {"3|1;2;3]", "TVectR.CreateDesdeCadena: cadena incompleta: \"3|1;2;3]\""},
      {"[2|1;x]", "Error: no se puede evaluar \"x\" a un número real"},
      {"[y|1]", "\"y\" no es un número entero válido"},
  };
  for (const Caso& c : casos)
    EXPECT_THROW_MSG(TVectR::CreateDesdeCadena(c.s), EConvertError, c.mensaje);
}

TEST(ExtraerHastaSeparador, CortaYRecorta) {
  struct Caso {
    std::string s, sep, parte, resto;
  };
  const Caso casos[] = {
      {" 12 |resto", "|", "12", "resto"},
      {"\t\r\n ab c \x01]x]", "]", "ab c", "x]"},
      {"sin separador  ", ";", "sin separador", ""},
      {"ñandú ;", ";", "ñandú", ""},  // bytes above 127 are not blanks
      {"a<>b", "<>", "a", "b"},
      {"", "[", "", ""},
  };
  for (const Caso& c : casos) {
    std::string s = c.s;
    std::string parte;
    ExtraerHastaSeparador(s, c.sep, parte);
    EXPECT_EQ(parte, c.parte) << c.s;
    EXPECT_EQ(s, c.resto) << c.s;
  }
}

// ---------------------------------------------------------------------------------------------
// Files and console

class ArchivoMatriz : public ::testing::Test {
 protected:
  void SetUp() override {
    guardado_ = FormatSettings();
    ruta_ = fs::temp_directory_path() /
            ("aeronda-matr-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
             std::to_string(::getpid()) + ".txt");
  }
  void TearDown() override {
    FormatSettings() = guardado_;
    fs::remove(ruta_);
  }
  TFormatSettings guardado_;
  fs::path ruta_;
};

TEST_F(ArchivoMatriz, BloqueDeTextoIdaYVuelta) {
  FormatSettings().DecimalSeparator = ',';
  std::mt19937_64 gen(1103);
  TMatR m(7, 5);
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 5; ++j) {
      double x;
      do x = std::bit_cast<double>(gen());
      while (!std::isfinite(x));
      m.PonerElemento(i, j, x);
    }
  {
    TextoSalida f(ruta_);
    m.EscribirTexto(f);
    M(1, 1, {1.5}).EscribirTexto(f);
    f.Cerrar();
  }
  const std::string texto = LeerArchivoCompleto(ruta_);
  EXPECT_EQ(texto.substr(texto.size() - 35), "1\r\n1\r\n1\r\n 1.5000000000000000E+000\r\n");
  TextoEntrada f(ruta_);
  const TMatR leida = TMatR::CreateLeerTexto(f);
  ASSERT_EQ(leida.nf, 7);
  ASSERT_EQ(leida.nc, 5);
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 5; ++j)
      ASSERT_EQ(std::bit_cast<uint64_t>(leida.Elemento(i, j)),
                std::bit_cast<uint64_t>(m.Elemento(i, j)));
  EXPECT_EQ(TMatR::CreateLeerTexto(f), M(1, 1, {1.5}));
}

TEST_F(ArchivoMatriz, BloqueDeTextoErrores) {
  struct Caso {
    const char* texto;
    const char* mensaje;
  };
  const Caso casos[] = {
      {"-1\n2\n", "Error leyendo línea: 1"},
      {"1\n-2\n", "Error leyendo línea: 2"},
      {"2\n2\n2\n1\n2\n3\n1\n2\n3\n", "Error leyendo línea: 6"},  // a row of 3 in a 2-column matrix
      {"1\n2\n2\n1\n", "Error leyendo línea: 5: fin del archivo"},  // ends early
      // A corrupt count, no huge allocation.
      {"2000000000\n1\n1\n5\n", "Error leyendo línea: 5: fin del archivo"},
  };
  for (const Caso& c : casos) {
    TextoEntrada f = TextoEntrada::DesdeTexto(c.texto);
    EXPECT_THROW_MSG(TMatR::CreateLeerTexto(f), EInOutError, c.mensaje);
  }
  TextoEntrada f = TextoEntrada::DesdeTexto("0\n3\n");
  EXPECT_EQ(TMatR::CreateLeerTexto(f).nc, 3);
}

TEST_F(ArchivoMatriz, TablaExacta) {
  FormatSettings().DecimalSeparator = ',';
  {
    TextoSalida f(ruta_);
    M(2, 3, {1.5, -2, 0, 1e-300, 12345.678, -0.25}).EscribirTabla(f);
    f.Cerrar();
  }
  EXPECT_EQ(LeerArchivoCompleto(ruta_),
            "NFilas: \t2\tNColumnas: \t3\r\n"
            " \t1\t2\t3\r\n"
            "1\t 1.5000000000000000E+000\t-2.0000000000000000E+000\t 0.0000000000000000E+000\r\n"
            "2\t 1.0000000000000000E-300\t 1.2345678000000000E+004\t-2.5000000000000000E-001\r\n");
}

TEST(VolcadoMatriz, FormatoDeConsola) {
  const TMatR m = M(2, 2, {1.23456, -1000, 0, 99999.9996});
  testing::internal::CaptureStdout();
  const std::string t = m.print();
  const std::string salida = testing::internal::GetCapturedStdout();
  const std::string esperado =
      " TMatR.print.inicio\n"
      "     2 filas      2 columnas: \n"
      "        1.235    -1000.000\n"
      "        0.000   100000.000\n"
      " TMatR.print.fin\n";
  EXPECT_EQ(t, esperado);
  EXPECT_EQ(salida, esperado);
}

}  // namespace

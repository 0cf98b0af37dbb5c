// Matrix hole filling: the sweep's neighbours and stopping rule, and the filled surface
// against the closed forms of the discrete Laplace equation.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "../comun/afirmaciones.h"
#include "numerics/ucompletarmatriz.h"
#include "platform/errores.h"

namespace {

TMatR Matriz(const std::vector<std::vector<NReal>>& filas) {
  TMatR m(static_cast<int32_t>(filas.size()), static_cast<int32_t>(filas[0].size()));
  for (int32_t i = 1; i <= m.nf; ++i)
    for (int32_t j = 1; j <= m.nc; ++j)
      m.PonerElemento(i, j, filas[static_cast<size_t>(i - 1)][static_cast<size_t>(j - 1)]);
  return m;
}

struct Resultado {
  TMatR R;
  NReal cambio = -1;
  int32_t nPasadas = -1;
};

Resultado Completar(const TMatR& S) {
  Resultado r{TMatR(S.nf, S.nc)};
  CompletarMatriz(r.R, S, r.cambio, r.nPasadas);
  return r;
}

}  // namespace

TEST(CompletarMatriz, Neighbours) {
  const TMatR M(3, 4);
  EXPECT_EQ(FilaAnterior(M, 1), 3);
  EXPECT_EQ(FilaAnterior(M, 3), 2);
  EXPECT_EQ(FilaSiguiente(M, 3), 1);
  EXPECT_EQ(FilaSiguiente(M, 1), 2);
  EXPECT_EQ(ColumnaAnterior(M, 2, 1), 1);
  EXPECT_EQ(ColumnaAnterior(M, 2, 4), 3);
  EXPECT_EQ(ColumnaSiguiente(M, 2, 4), 4);
  EXPECT_EQ(ColumnaSiguiente(M, 2, 1), 2);
  const TMatR uno(1, 1);
  EXPECT_EQ(FilaAnterior(uno, 1), 1);
  EXPECT_EQ(FilaSiguiente(uno, 1), 1);
}

// Small cases whose sweeps can be followed by hand.
TEST(CompletarMatriz, SweepsFollowedByHand) {
  struct Caso {
    const char* que;
    TMatR S;
    TMatR esperado;
    int32_t nPasadas;
  };
  const NReal x = -1;  // missing
  const Caso casos[] = {
      // Nothing missing: one sweep that changes nothing; 0 is a known value.
      {"sin huecos", Matriz({{1, 2}, {0, 4}}), Matriz({{1, 2}, {0, 4}}), 1},
      // Nothing known: the start value (0) stays.
      {"sin conocidas", Matriz({{x, x}, {x, x}}), Matriz({{0, 0}, {0, 0}}), 1},
      // One hole in a 3 x 3 of known cells: the mean of its four neighbours on the first
      // sweep, then a sweep without change. (2 + 6 + 4 + 8) / 4 = 5.
      {"un hueco", Matriz({{1, 4, 3}, {2, x, 6}, {7, 8, 9}}),
       Matriz({{1, 4, 3}, {2, 5, 6}, {7, 8, 9}}), 2},
      // The same with neighbours that make the mean below the tolerance: one sweep.
      {"media menor que la tolerancia", Matriz({{0, 0, 0}, {0, x, 2e-4}, {0, 0, 0}}),
       Matriz({{0, 0, 0}, {0, 0.5e-4, 2e-4}, {0, 0, 0}}), 1},
      // Row wrap: (1, 2) has rows 3 and 2 above and below it, columns 1 and 3 beside it:
      // (10 + 30 + 200 + 100) / 4 = 85.
      {"filas circulares", Matriz({{10, x, 30}, {40, 100, 60}, {70, 200, 90}}),
       Matriz({{10, 85, 30}, {40, 100, 60}, {70, 200, 90}}), 2},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.que);
    const Resultado r = Completar(c.S);
    EXPECT_EQ(r.nPasadas, c.nPasadas);
    EXPECT_LT(r.cambio, kToleranciaRelleno);
    for (int32_t i = 1; i <= c.S.nf; ++i)
      for (int32_t j = 1; j <= c.S.nc; ++j)
        EXPECT_DOUBLE_EQ(r.R.Elemento(i, j), c.esperado.Elemento(i, j)) << i << "," << j;
  }
}

TEST(CompletarMatriz, FirstColumnCountsItsOwnPreviousValueForTheMissingLeftNeighbour) {
  // One sweep from a hole holding 8: (8 + 4 + 12 + 16) / 4 = 10, with 8 standing in for the
  // left neighbour the first column does not have. The copy of the known cells leaves the
  // hole's start value alone, and all four neighbours are the values before the sweep.
  const TMatR S = Matriz({{12, 0}, {-1, 4}, {16, 0}});
  TMatR R = Matriz({{0, 0}, {8, 0}, {0, 0}});
  CopiarCeldasNoNegativas(R, S);
  EXPECT_EQ(R.Elemento(2, 1), 8);
  EXPECT_DOUBLE_EQ(PasadaRelleno(R, S), 2);
  EXPECT_DOUBLE_EQ(R.Elemento(2, 1), 10);
}

TEST(CompletarMatriz, JacobiReadsOnlyTheValuesBeforeTheSweep) {
  // Two adjacent holes between known 4s in a single row of three rows of one column: after one
  // sweep each hole holds (its own 0 twice + 4 + the other hole's old 0) / 4 = 1, not the
  // 1.25 a sweep that read the neighbour's new value would give.
  const TMatR S = Matriz({{4}, {-1}, {-1}, {4}});
  TMatR R(4, 1);
  CopiarCeldasNoNegativas(R, S);
  EXPECT_DOUBLE_EQ(PasadaRelleno(R, S), 1);
  EXPECT_DOUBLE_EQ(R.Elemento(2, 1), 1);
  EXPECT_DOUBLE_EQ(R.Elemento(3, 1), 1);
}

TEST(CompletarMatriz, FilledSurfaceIsTheHarmonicClosedForm) {
  // Circular single column (the empirical model's sector parameters): at the fixed point
  // each hole is the mean of its two neighbours, so the holes between two known sectors lie on
  // the straight line between them, around the circle.
  TMatR S(24, 1);
  for (int32_t i = 1; i <= 24; ++i) S.PonerElemento(i, 1, -1);
  S.PonerElemento(1, 1, 2.0);   // sectors 2..6 from 2 to 8
  S.PonerElemento(7, 1, 8.0);   // sectors 8..18 from 8 to 5
  S.PonerElemento(19, 1, 5.0);  // sectors 20..24 from 5 back to 2
  const Resultado r = Completar(S);
  const auto linea = [](NReal a, NReal b, int32_t paso, int32_t pasos) {
    return a + (b - a) * paso / pasos;
  };
  // The sweeps stop when the change falls below 1e-4; with these gaps (at most 11 holes) the
  // remaining error is below 100 times that.
  const NReal tol = 1e-2;
  for (int32_t i = 1; i <= 7; ++i) EXPECT_NEAR(r.R.Elemento(i, 1), linea(2, 8, i - 1, 6), tol);
  for (int32_t i = 7; i <= 19; ++i) EXPECT_NEAR(r.R.Elemento(i, 1), linea(8, 5, i - 7, 12), tol);
  for (int32_t i = 19; i <= 24; ++i) EXPECT_NEAR(r.R.Elemento(i, 1), linea(5, 2, i - 19, 6), tol);
  EXPECT_GT(r.nPasadas, 2);
  EXPECT_LT(r.cambio, kToleranciaRelleno);

  // Columns: with the first and last column known as a + b j, every interior hole of every
  // row settles on the same line (the row neighbours agree, the column ones average it).
  TMatR T(5, 7);
  for (int32_t i = 1; i <= 5; ++i)
    for (int32_t j = 1; j <= 7; ++j) T.PonerElemento(i, j, j == 1 || j == 7 ? 3 + 0.5 * j : -1);
  const Resultado q = Completar(T);
  for (int32_t i = 1; i <= 5; ++i)
    for (int32_t j = 1; j <= 7; ++j) EXPECT_NEAR(q.R.Elemento(i, j), 3 + 0.5 * j, tol);
}

TEST(CompletarMatriz, StopsAfterTenThousandAndOneSweeps) {
  // One known sector of 1e12 among 72: Jacobi creeps towards the constant 1e12 and a sweep
  // still changes some cell by more than 1e-4 long after 10000 sweeps.
  TMatR S(72, 1);
  for (int32_t i = 1; i <= 72; ++i) S.PonerElemento(i, 1, -1);
  S.PonerElemento(1, 1, 1e12);
  const Resultado r = Completar(S);
  EXPECT_EQ(r.nPasadas, kMaxPasadasRelleno + 1);
  EXPECT_GE(r.cambio, kToleranciaRelleno);
  for (int32_t i = 2; i <= 72; ++i) {
    EXPECT_GT(r.R.Elemento(i, 1), 0);
    EXPECT_LT(r.R.Elemento(i, 1), 1e12);
  }
}

TEST(CompletarMatriz, NotANumberIsMissingAndShapesMustAgree) {
  // A NaN marks no value: it is filled like a negative marker, not kept as a false anchor at
  // the start value 0. (2 + 2) / 2 settles on 2.
  const NReal nan = std::numeric_limits<NReal>::quiet_NaN();
  const Resultado r = Completar(Matriz({{2}, {nan}, {2}}));
  EXPECT_NEAR(r.R.Elemento(2, 1), 2, 1e-3);

  // Each routine walks S and touches the same cells of R: an R of another shape is refused
  // before any cell outside it is read or written.
  TMatR R(2, 2);
  NReal cambio = 0;
  int32_t n = 0;
  const TMatR S = Matriz({{-1, 5}, {-1, 5}, {7, -1}});
  EXPECT_THROW_MSG(CompletarMatriz(R, S, cambio, n), EErrorGeneral,
                   "CompletarMatriz: matrices de 2 x 2 y 3 x 2");
  EXPECT_THROW_MSG(CopiarCeldasNoNegativas(R, S), EErrorGeneral,
                   "CopiarCeldasNoNegativas: matrices de 2 x 2 y 3 x 2");
  EXPECT_THROW_MSG(PasadaRelleno(R, S), EErrorGeneral, "PasadaRelleno: matrices de 2 x 2 y 3 x 2");
  TMatR ancha(3, 3);
  EXPECT_THROW_MSG(PasadaRelleno(ancha, S), EErrorGeneral,
                   "PasadaRelleno: matrices de 3 x 3 y 3 x 2");
  EXPECT_EQ(R, TMatR(2, 2));
}

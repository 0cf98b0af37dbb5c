// Filling the missing cells of a matrix of direction sectors (rows) by bins (columns).
//
// A cell is missing when its known value is negative (or not a number); every missing cell
// becomes, by repeated sweeps, the mean of its four neighbours, so that the filled values form
// a smooth surface anchored on the known cells: a discrete Laplace equation solved by Jacobi
// iteration. Rows are circular (the last sector neighbours the first); columns are not: in the
// first and the last column the missing outer neighbour is the cell itself.
#pragma once

#include <cstdint>

#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"

// Change below which the sweeps stop, and the sweep count past which they stop regardless
// (the count is tested after its increment, so at most kMaxPasadasRelleno + 1 sweeps are made).
inline constexpr NReal kToleranciaRelleno = 1e-4;
inline constexpr int32_t kMaxPasadasRelleno = 10000;

// Copies the known cells of S into R, then sweeps until the change of a sweep falls strictly
// below 1e-4 or more than 10000 sweeps were made. On return cambio is the change of the last
// sweep and nPasadas the number of sweeps made (at least 1). The known cells of R keep the
// values of S; only the missing ones change, starting from the value R had (the callers pass
// zeros). R and S must have the same shape (EErrorGeneral otherwise).
void CompletarMatriz(TMatR& R, const TMatR& S, NReal& cambio, int32_t& nPasadas);

// R(i, j) := S(i, j) for every cell with S(i, j) >= 0 (0 counts as known); the other cells of R
// keep their value. R and S must have the same shape (EErrorGeneral otherwise), as below.
void CopiarCeldasNoNegativas(TMatR& R, const TMatR& S);

// One sweep: every missing cell of S gets the mean of its four neighbours in R as it was
// before the sweep (never a value written in the same sweep). Returns the largest absolute
// change of any cell (0 for the known ones). R and S must have the same shape.
NReal PasadaRelleno(TMatR& R, const TMatR& S);

// Neighbours of row i and column j (1-based) in M's dimensions: rows wrap around, columns are
// clamped to the matrix.
int32_t FilaAnterior(const TMatR& M, int32_t i);                 // i - 1, nf when i = 1
int32_t FilaSiguiente(const TMatR& M, int32_t i);                // i + 1, 1 when i = nf
int32_t ColumnaAnterior(const TMatR& M, int32_t i, int32_t j);   // j - 1, 1 when j = 1
int32_t ColumnaSiguiente(const TMatR& M, int32_t i, int32_t j);  // j + 1, nc when j = nc

#include "numerics/ucompletarmatriz.h"

#include <cmath>
#include <string>

#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

// Missing is written as the negation of "known" so that a NaN, which has no value to keep,
// is filled like a negative marker instead of staying at R's starting value as a false anchor.
bool Falta(NReal s) { return !(s >= 0); }

// Every routine walks S's cells and reads and writes the same cells of R: an R of another shape
// would be read and written outside its rows.
void ComprobarDimensiones(const char* rutina, const TMatR& R, const TMatR& S) {
  if (R.nf != S.nf || R.nc != S.nc)
    throw EErrorGeneral(std::string(rutina) + ": matrices de " + IntToStr(R.nf) + " x " +
                        IntToStr(R.nc) + " y " + IntToStr(S.nf) + " x " + IntToStr(S.nc));
}

}  // namespace

int32_t FilaAnterior(const TMatR& M, int32_t i) { return i == 1 ? M.nf : i - 1; }
int32_t FilaSiguiente(const TMatR& M, int32_t i) { return i == M.nf ? 1 : i + 1; }
int32_t ColumnaAnterior(const TMatR& /*M*/, int32_t /*i*/, int32_t j) { return j == 1 ? 1 : j - 1; }
int32_t ColumnaSiguiente(const TMatR& M, int32_t /*i*/, int32_t j) {
  return j == M.nc ? M.nc : j + 1;
}

void CopiarCeldasNoNegativas(TMatR& R, const TMatR& S) {
  ComprobarDimensiones("CopiarCeldasNoNegativas", R, S);
  for (int32_t i = 1; i <= S.nf; ++i)
    for (int32_t j = 1; j <= S.nc; ++j) {
      const NReal s = S.Elemento(i, j);
      if (s >= 0) R.PonerElemento(i, j, s);
    }
}

NReal PasadaRelleno(TMatR& R, const TMatR& S) {
  ComprobarDimensiones("PasadaRelleno", R, S);
  const TMatR anterior = R;
  NReal cambio = 0;
  for (int32_t i = 1; i <= S.nf; ++i) {
    const int32_t ia = FilaAnterior(S, i);
    const int32_t is = FilaSiguiente(S, i);
    for (int32_t j = 1; j <= S.nc; ++j) {
      if (!Falta(S.Elemento(i, j))) continue;
      const NReal v = 0.25 * (anterior.Elemento(i, ColumnaAnterior(S, i, j)) +
                              anterior.Elemento(i, ColumnaSiguiente(S, i, j)) +
                              anterior.Elemento(ia, j) + anterior.Elemento(is, j));
      R.PonerElemento(i, j, v);
      // The largest change in absolute value. From the callers' zeros the filled values only
      // grow, so this is the largest signed difference too; from any other start a cell that
      // falls must also keep the sweeps going.
      const NReal d = std::fabs(v - anterior.Elemento(i, j));
      if (d > cambio || std::isnan(d)) cambio = d;
    }
  }
  return cambio;
}

void CompletarMatriz(TMatR& R, const TMatR& S, NReal& cambio, int32_t& nPasadas) {
  ComprobarDimensiones("CompletarMatriz", R, S);
  nPasadas = 0;
  CopiarCeldasNoNegativas(R, S);
  for (;;) {
    cambio = PasadaRelleno(R, S);
    ++nPasadas;
    if (nPasadas > kMaxPasadasRelleno) break;
    if (cambio < kToleranciaRelleno) break;
  }
}

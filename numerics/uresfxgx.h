// A constraint on the value of a function object: free, equal to a value, bounded from below,
// from above or from both sides. Every evaluation classifies the point as satisfied or active
// on one side and measures how far it lies beyond the active bound.
#pragma once

#include <cstdint>

#include "numerics/matreal.h"
#include "numerics/ufxgx.h"
#include "numerics/xmatdefs.h"

enum TTipoRestriccion : uint8_t {
  TR_Libre = 0,     // no bound
  TR_Igualdad = 1,  // value = inferior
  TR_Mayor = 2,     // value >= inferior
  TR_Menor = 3,     // value <= superior
  TR_Entre = 4,     // inferior <= value <= superior
};

enum TRestriccionActiva : uint8_t {
  INDEFINIDA = 0,  // not evaluated yet
  NINGUNA = 1,     // satisfied, not active
  INFERIOR = 2,    // violated or exactly on the lower bound
  SUPERIOR = 3,    // violated or exactly on the upper bound
};

class TResfx {
 public:
  // n: the number of variables (length of gradiente, resto, versor and alfa, all zeros).
  // estado starts NINGUNA for TR_Libre and INDEFINIDA for every other kind.
  TResfx(TTipoRestriccion tipo_, NReal inferior_, NReal superior_, Tfx* fx_, int32_t n);

  Tfx* fx;  // the constrained function; not owned
  TTipoRestriccion tipo;
  NReal inferior;
  NReal superior;
  TRestriccionActiva estado;
  NReal valor = 0.0;         // fx at the last evaluated point
  TVectR gradiente;          // fx's gradient at the last point given to Gradiente
  NReal violacion = 0.0;     // >= 0: distance beyond the active bound
  NReal multiplicador = 0.0; // the Lagrange multiplier the solver assigns
  // Work data of the solver's multiplier estimation: unit normal, oriented normal being
  // orthogonalised, its length, and the coefficients on the orthogonal basis.
  TVectR versor;
  TVectR resto;
  NReal modulo = 0.0;
  TVectR alfa;

  // valor := fx(x), then classifies. The satisfied side is strict: a value exactly on a bound
  // is active with violation 0. A kind outside the enumeration behaves as TR_Libre.
  NReal Evaluar(const TVectR& x);
  // gradiente := 0, then fx adds its gradient at x into it.
  void Gradiente(const TVectR& x);
};

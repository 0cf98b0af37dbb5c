#include "numerics/math01.h"

#include <cmath>

bool T_ProblemaFx_Cero::Biseccion(uint16_t maxIter, NReal& x, NReal x1, NReal x2, NReal tolerancia,
                                  NReal& fx, uint16_t& nIter) {
  NReal a = x1;
  NReal b = x2;
  if (a > b) {
    a = x2;
    b = x1;
  }
  NReal fa = Evaluar(a);
  const NReal fb = Evaluar(b);
  uint16_t cuenta = 0;
  bool exito = false;
  // The sign tests are written so that a NaN product fails them: no search at the start, and
  // inside the loop the midpoint replaces the lower end. For finite values this is the same as
  // "fa*fb > 0: no search" and "fm*fa > 0: a := m".
  if (fa * fb <= 0) {
    for (;;) {
      ++cuenta;  // 16-bit, as the interface: maxIter = 0 runs until the counter wraps
      const NReal m = (a + b) * 0.5;
      const NReal fm = Evaluar(m);
      if (fm * fa <= 0) {
        b = m;
      } else {
        a = m;
        fa = fm;
      }
      if (b - a <= tolerancia) {
        exito = true;
        break;
      }
      if (cuenta == maxIter) break;
    }
  }
  x = (a + b) * 0.5;
  fx = Evaluar(x);
  nIter = cuenta;
  return exito;
}

namespace {

class ProblemaDeCallable : public T_ProblemaFx_Cero {
 public:
  explicit ProblemaDeCallable(const TFuncionRealObj& fn) : fn_(fn) {}
  NReal Evaluar(NReal x) override { return fn_(x); }

 private:
  const TFuncionRealObj& fn_;
};

constexpr int kFilasRomberg = 10;

}  // namespace

void CeroDeFuncion(TFuncionReal fn, uint16_t maxIter, NReal& x, NReal x1, NReal x2,
                   NReal tolerancia, NReal& fx, uint16_t& nIter, bool& convergio) {
  T_ProblemaFx_Cero_externa p(fn);
  convergio = p.Biseccion(maxIter, x, x1, x2, tolerancia, fx, nIter);
}

void CeroDeFuncion(const TFuncionRealObj& fn, uint16_t maxIter, NReal& x, NReal x1, NReal x2,
                   NReal tolerancia, NReal& fx, uint16_t& nIter, bool& convergio) {
  ProblemaDeCallable p(fn);
  convergio = p.Biseccion(maxIter, x, x1, x2, tolerancia, fx, nIter);
}

TResultadoRomberg RombergUltimaDiagonal(const TFuncionRealObj& fn, NReal desde, NReal hasta,
                                        NReal tolerancia) {
  // Two rows of the tableau instead of one overwritten in place: same values, same order of
  // operations.
  NReal previa[kFilasRomberg + 1];
  NReal actual[kFilasRomberg + 1];
  NReal h = (hasta - desde) * 0.5;
  previa[0] = h * (fn(desde) + fn(hasta));
  int64_t nuevos = 1;
  for (int i = 1;; ++i) {
    NReal s = 0;
    // Each abscissa from desde directly, not by accumulating steps.
    for (int64_t k = 1; k <= 2 * nuevos - 1; k += 2) s += fn(desde + static_cast<NReal>(k) * h);
    actual[0] = previa[0] * 0.5 + h * s;
    NReal cuatroJ = 1;
    for (int j = 1; j <= i; ++j) {
      cuatroJ *= 4;
      actual[j] = (cuatroJ * actual[j - 1] - previa[j - 1]) / (cuatroJ - 1);
    }
    if (std::fabs(actual[i] - previa[i - 1]) <= tolerancia) return {actual[i], true, i};
    if (i == kFilasRomberg) return {actual[i], false, i};
    for (int j = 0; j <= i; ++j) previa[j] = actual[j];
    h = h * 0.5;
    nuevos = 2 * nuevos;
  }
}

void IntegrarRomberg(const TFuncionRealObj& fn, NReal& resultado, bool& convergio, NReal desde,
                     NReal hasta, NReal tolerancia) {
  const TResultadoRomberg r = RombergUltimaDiagonal(fn, desde, hasta, tolerancia);
  convergio = r.convergio;
  if (r.convergio) resultado = r.valor;
}

void IntegrarRomberg(TFuncionReal fn, NReal& resultado, bool& convergio, NReal desde, NReal hasta,
                     NReal tolerancia) {
  IntegrarRomberg(TFuncionRealObj(fn), resultado, convergio, desde, hasta, tolerancia);
}

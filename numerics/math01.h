// Two scalar tools: bisection for a zero of a real function of one real, and Romberg
// integration of a real function over an interval. Neither raises anything of its own: both
// report success through a boolean and leave the fallback to the caller. An exception thrown
// by the evaluated function passes through.
#pragma once

#include <cstdint>
#include <functional>

#include "numerics/xmatdefs.h"

// A plain function of one real. It carries no user data; callers with context use the
// TFuncionRealObj overloads below, whose callables may capture it.
using TFuncionReal = NReal (*)(NReal);
// Any callable of one real (a lambda capturing the object whose function is evaluated).
using TFuncionRealObj = std::function<NReal(NReal)>;

// A function whose zero is sought, given as a virtual operation.
class T_ProblemaFx_Cero {
 public:
  virtual ~T_ProblemaFx_Cero() = default;
  virtual NReal Evaluar(NReal x) = 0;

  // Bisection on the interval with ends x1 and x2, in either order.
  //  * The ends bracket a zero when fa*fb <= 0 (a zero at an end counts); otherwise, or when a
  //    product is NaN, no halving is made: false, nIter = 0.
  //  * Each halving evaluates the midpoint m; when fm*fa <= 0 the upper end moves to m, else the
  //    lower end (and fa) does; the value at the upper end is never refreshed. A NaN product
  //    therefore moves the lower end.
  //  * After each halving: width b - a <= tolerancia is success (tested first), then
  //    nIter == maxIter is failure. At least one halving is made when the ends bracket a zero.
  //    maxIter = 0 counts through the 16-bit wrap (65536 halvings).
  //  * Always: x := the midpoint of the last bracket, fx := Evaluar(x), nIter := halvings made.
  // Evaluations: nIter + 3.
  bool Biseccion(uint16_t maxIter, NReal& x, NReal x1, NReal x2, NReal tolerancia, NReal& fx,
                 uint16_t& nIter);
};

// T_ProblemaFx_Cero on a plain function.
class T_ProblemaFx_Cero_externa : public T_ProblemaFx_Cero {
 public:
  explicit T_ProblemaFx_Cero_externa(TFuncionReal fn) : fn_(fn) {}
  NReal Evaluar(NReal x) override { return fn_(x); }

 private:
  TFuncionReal fn_;
};

// Biseccion on fn; convergio receives its result.
void CeroDeFuncion(TFuncionReal fn, uint16_t maxIter, NReal& x, NReal x1, NReal x2,
                   NReal tolerancia, NReal& fx, uint16_t& nIter, bool& convergio);
void CeroDeFuncion(const TFuncionRealObj& fn, uint16_t maxIter, NReal& x, NReal x1, NReal x2,
                   NReal tolerancia, NReal& fx, uint16_t& nIter, bool& convergio);

// Romberg integral of fn from desde to hasta (desde > hasta gives the negative integral).
// The tableau's rows halve the trapezoid step; the integration succeeds at the first row i >= 1
// whose diagonal differs from the previous one by at most tolerancia (absolute; NaN fails).
// After row 10 (1025 evaluations in all) it fails: convergio = false and resultado is left as
// it was. On success convergio = true and resultado holds the diagonal R(i,i).
void IntegrarRomberg(TFuncionReal fn, NReal& resultado, bool& convergio, NReal desde, NReal hasta,
                     NReal tolerancia);
void IntegrarRomberg(const TFuncionRealObj& fn, NReal& resultado, bool& convergio, NReal desde,
                     NReal hasta, NReal tolerancia);

// The same integration, giving back the last diagonal in every outcome: R(i,i) of the row that
// converged, or R(10,10) when none did (the best estimate there is).
struct TResultadoRomberg {
  NReal valor;
  bool convergio;
  int32_t filas;  // rows computed after the first trapezoid, 1..10
};
TResultadoRomberg RombergUltimaDiagonal(const TFuncionRealObj& fn, NReal desde, NReal hasta,
                                        NReal tolerancia);

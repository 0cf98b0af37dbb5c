// A minimisation problem over n real variables with box bounds and general constraints, and
// its solver: an augmented-Lagrangian-like alternation of
//  * an inner projected descent along the normalised gradient of the Lagrangian with the
//    multipliers held fixed (Descenso), whose step grows by 3 after runs of successes and is
//    divided by 4.2 after each failure, and
//  * an outer ascent on the multipliers along the normalised vector of constraint violations,
//    which accepts or rejects each multiplier step (Resolver).
// At the end the multipliers are estimated once more from the active constraints by
// orthogonalising their normals against the objective's gradient (EstimarMultiplicadores), and
// a record of that estimation is appended to "log_EstimarMultiplicadores.xlt" in the current
// directory.
//
// The solver is a heuristic with no accuracy guarantee; non-convergence is reported through a
// flag and never raised. Exceptions from the function objects pass through.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "numerics/matreal.h"
#include "numerics/uresfxgx.h"
#include "numerics/ufxgx.h"
#include "numerics/xmatdefs.h"

using TListaRestricciones = std::vector<TResfx*>;

// The log of the multiplier estimation, in the current directory.
inline constexpr const char* kLogEstimarMultiplicadores = "log_EstimarMultiplicadores.xlt";

class TProblema_m01 {
 public:
  // nx - 1 variables and nr - 1 general constraints (one more than each count is passed).
  // Every constraint is TR_Mayor with bounds 0 on an empty sum; the objective is an empty sum;
  // the box is all zeros. nr < 1 or nx < 1 raise std::invalid_argument.
  TProblema_m01(int32_t nr, int32_t nx);
  virtual ~TProblema_m01();
  TProblema_m01(const TProblema_m01&) = delete;
  TProblema_m01& operator=(const TProblema_m01&) = delete;

  static constexpr NReal kFactorCrecimiento = 3.0;
  static constexpr NReal kDivisorReduccion = 4.2;

  std::string mensaje;
  // The general constraints, from 0. Their kinds and bounds may be changed directly; their
  // functions are replaced through FijarFuncionRestriccion.
  std::vector<std::unique_ptr<TResfx>> restricciones;
  // The objective, owned. Assigning a new one releases the old one.
  std::unique_ptr<Tfx> objetivo;
  TVectR xInf;
  TVectR xSup;

  int32_t NVariables() const { return xInf.n; }
  int32_t NRestricciones() const { return static_cast<int32_t>(restricciones.size()); }

  // The problem takes ownership of fx and releases the function constraint i had before.
  void FijarFuncionRestriccion(int32_t i, std::unique_ptr<Tfx> fx);
  void FijarObjetivo(std::unique_ptr<Tfx> f) { objetivo = std::move(f); }

  void FijarCotaInferior(int32_t i, NReal x) { xInf.PonerElemento(i, x); }
  void FijarCotaSuperior(int32_t i, NReal x) { xSup.PonerElemento(i, x); }
  void FijarMensaje(const std::string& s) { mensaje = s; }

  // False at the first variable i whose box is empty (xSup(i) < xInf(i), or a NaN bound),
  // after storing the reason in mensaje.
  bool CajaFactible();
  // x(i) <= xInf(i) gives xInf(i); otherwise x(i) >= xSup(i) gives xSup(i).
  void ProyectarEnCaja(TVectR& x) const;

  // f := objective(x); evaluates every constraint in order and lists those not satisfied in
  // activas; L := f + sum of multiplicador * violacion over them. Returns the sum of their
  // squared violations.
  NReal EvaluarRestricciones(TListaRestricciones& activas, NReal& f, NReal& L, const TVectR& x);
  // g := objective's gradient; gL := g + sum of s * multiplicador * gradient over activas, with
  // s = -1 for INFERIOR and +1 otherwise. activas must come from an evaluation at the same x.
  void GradienteLagrangiano(const TListaRestricciones& activas, TVectR& g, TVectR& gL,
                            const TVectR& x);

  // The inner descent from x with the multipliers fixed; returns the sum of squared violations
  // at the final x. terminar is true only when the gradient vanished or the step fell below
  // pasoMin (not when maxIter or the hook ended it).
  NReal Descenso(TVectR& x, int32_t maxIter, NReal paso, NReal pasoMin, int32_t& nIter, NReal& L,
                 NReal& f, bool& terminar, bool mostrarAvance);

  // Solves from the starting point x and multipliers lambdas (one per constraint). On return x
  // and lambdas hold the solution; f, L, viol (and the result) describe the last accepted state,
  // and x may have moved since. An empty box returns a quiet NaN at once with convergio false
  // and nRondas 0, leaving x, lambdas, f, L and viol untouched (mensaje says why). Vectors of
  // the wrong length raise std::invalid_argument.
  NReal Resolver(TVectR& lambdas, TVectR& x, NReal paso, NReal tolerancia, int32_t maxIter,
                 int32_t& nRondas, NReal& f, NReal& L, NReal& viol, bool& convergio,
                 bool mostrarAvance);

  // Called for every descent trial when mostrarAvance: the current point x with its Lagrangian
  // L, the trial xs with Ls, and whether the trial is accepted. True stops the descent. The
  // default writes two console lines and returns false.
  virtual bool MostrarAvance(const TVectR& x, const TVectR& xs, NReal L, NReal Ls, bool exito);

  // Sets every constraint's multiplicador: the estimate for the constraints of the orthogonal
  // basis, 0 for all others. nivel 1 starts the log anew, nivel > 1 appends a record, nivel <= 0
  // writes nothing. A log that cannot be written costs one console warning per process and
  // nothing else.
  void EstimarMultiplicadores(TVectR& x, int32_t nivel);

 private:
  std::vector<std::unique_ptr<Tfx>> funcionesRestriccion_;
};

// Builds the orthogonal basis of the active constraints' normals against the objective's
// gradient g (opposing normals first), with g's coordinates on it in w (n elements). Returns
// true when g itself was negligible.
bool Ortogonalizar(TListaRestricciones& base, TListaRestricciones& redundantes,
                   TListaRestricciones& alineadas, TVectR& w, const TListaRestricciones& activas,
                   const TVectR& g);
// Removes from lista (not empty) and returns the constraint whose versor has the most negative
// scalar product with v, when that is below -EpsilonMaquina (esOpositora true, valor the
// product); otherwise the one with the largest modulo (esOpositora false, valor the modulo).
// Ties keep the first in list order.
TResfx* ExtraerOpositora(TListaRestricciones& lista, const TVectR& v, NReal& valor,
                         bool& esOpositora);
// Removes from lista (not empty) and returns the constraint with the largest modulo (the first
// on ties); valor := that modulo.
TResfx* ExtraerMayorAlfa(TListaRestricciones& lista, NReal& valor);

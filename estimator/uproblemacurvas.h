// S-shaped power curves and their fit to the samples of one wind-direction sector as a
// constrained minimisation problem.
//
// The curve, speeds in m/s and powers in MW:
//   S(v) = min(Pmax / (1 + exp(-alfa (v - vm))) - DeltaP, PAut)
// Pmax is the height of the logistic, DeltaP a downward offset, alfa the steepness (1/(m/s)),
// vm the midpoint speed and PAut the cap (the plant's authorised power). The fit minimises the
// mean squared error of S against the measured powers over x = (Pmax, DeltaP, alfa, vm), with
// the box Pmax in [PAut, 3 PAut], DeltaP in [0, PAut/2], alfa in [0, 2], vm in [0, 18] and the
// constraint Pmax - DeltaP - PAut >= 0 (the uncapped curve reaches the cap). The variant with
// speed variance corrects each speed first (VelocidadCorregida) and fits alfa_varvel as a fifth
// variable in [-10, 10].
#pragma once

#include <cmath>
#include <cstdint>

#include "numerics/matreal.h"
#include "numerics/uproblema.h"
#include "numerics/ufxgx.h"
#include "numerics/xmatdefs.h"

// The curve capped at PAut; the cap is taken when the shifted logistic is >= PAut.
inline NReal CurvaSAcotada(NReal v, NReal Pmax, NReal DeltaP, NReal alfa, NReal vm, NReal PAut) {
  const NReal s = Pmax / (1.0 + std::exp(-alfa * (v - vm))) - DeltaP;
  return s >= PAut ? PAut : s;
}

// The real cube root, sign kept, of v^3 - alfa_varvel * varVel^1.5 (varVel in (m/s)^2).
// alfa_varvel = 0 gives v exactly; a negative variance counts as 0.
NReal VelocidadCorregida(NReal v, NReal varVel, NReal alfa_varvel);

// CurvaSAcotada at the corrected speed. Note the order: alfa_varvel before alfa.
NReal CurvaSAcotadaVarVel(NReal v, NReal varVel, NReal Pmax, NReal DeltaP, NReal alfa_varvel,
                          NReal alfa, NReal vm, NReal PAut);

// The mean squared error of the capped curve at x = (Pmax, DeltaP, alfa, vm) over the
// samples (NaN without samples). The vectors are the caller's, of equal length (else
// std::invalid_argument), and must outlive the object.
//
// The gradient uses the derivatives of the uncapped logistic with the capped residual, and
// skips the samples whose power exceeds PAut (they still count in the mean and in the value).
class T_fobjetivo : public Tfx {
 public:
  T_fobjetivo(const TVectR& velocidades_, const TVectR& potencias_, NReal PAut_);

  const TVectR& velocidades;
  const TVectR& potencias;
  NReal PAut;

  NReal Evaluar(const TVectR& x) const override;
  void AcumularGradiente(TVectR& g, const TVectR& x) const override;
};

// The same with the variance-corrected speeds, at x = (Pmax, DeltaP, alfa, vm, alfa_varvel).
class T_fobjetivo_varvel : public Tfx {
 public:
  T_fobjetivo_varvel(const TVectR& velocidades_, const TVectR& potencias_,
                     const TVectR& varianzas_, NReal PAut_);

  const TVectR& velocidades;
  const TVectR& potencias;
  const TVectR& varianzas;
  NReal PAut;

  NReal Evaluar(const TVectR& x) const override;
  void AcumularGradiente(TVectR& g, const TVectR& x) const override;
};

// Pmax - DeltaP - PAut, gradient (1, -1, 0, 0).
class T_h : public Tfx {
 public:
  explicit T_h(NReal PAut_) : PAut(PAut_) {}
  NReal PAut;
  NReal Evaluar(const TVectR& x) const override;
  void AcumularGradiente(TVectR& g, const TVectR& x) const override;
};

// What the progress hook draws on: a paint control of Ancho x Alto pixels and its canvas, with
// the toolkit's semantics (colours R + 256 G + 65536 B; a rectangle painted with the brush and
// outlined with the pen; the pen's position moved and lines drawn from it).
class TControlAvance {
 public:
  virtual ~TControlAvance() = default;
  virtual int32_t Ancho() const = 0;
  virtual int32_t Alto() const = 0;
  virtual void ColorBrocha(uint32_t color) = 0;
  virtual void ColorPincel(uint32_t color) = 0;
  virtual void Rectangulo(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
  virtual void MoverA(int32_t x, int32_t y) = 0;
  virtual void LineaA(int32_t x, int32_t y) = 0;
};

class TProblema_CurvaS : public TProblema_m01 {
 public:
  // control may be null (no progress shown). The vectors are the caller's, of equal length
  // (else std::invalid_argument), and must outlive the problem.
  TProblema_CurvaS(TControlAvance* control_, const TVectR& velocidades_,
                   const TVectR& potencias_, NReal PAut_);

  TControlAvance* control;
  TControlAvance* lienzo;  // control's canvas; null without a control
  const TVectR& velocidades;
  const TVectR& potencias;
  NReal PAut;
  NReal yMin, yMax, xMax;  // drawing range

  // Solves from the starting point (Pmax, DeltaP, alfa, vm) given in the arguments (paso 1,
  // tolerance 1e-5, at most 100 iterations) and writes the final point back, also when the
  // solver did not converge. f, L and viol are the solver's outputs (NaN when the box is empty,
  // as with a negative PAut). The result is the solver's convergio.
  bool Ajustar(NReal& alfa, NReal& vm, NReal& Pmax, NReal& DeltaP, NReal& f, NReal& L,
               NReal& viol);

  // The inherited console trace, then each sample joined to the curve at x by a vertical
  // segment (red when the curve lies below the sample, else blue) on a white canvas.
  bool MostrarAvance(const TVectR& x, const TVectR& xs, NReal L, NReal Ls, bool exito) override;
};

class TProblema_CurvaS_VarVel : public TProblema_m01 {
 public:
  TProblema_CurvaS_VarVel(TControlAvance* control_, const TVectR& velocidades_,
                          const TVectR& potencias_, const TVectR& varianzas_, NReal PAut_);

  TControlAvance* control;
  TControlAvance* lienzo;
  const TVectR& velocidades;
  const TVectR& potencias;
  const TVectR& varianzas;
  NReal PAut;
  NReal yMin, yMax, xMax;

  // As TProblema_CurvaS::Ajustar with alfa_varvel as fifth variable, tolerance 1e-10 and at
  // most 10000 iterations.
  bool Ajustar(NReal& alfa, NReal& vm, NReal& Pmax, NReal& DeltaP, NReal& alfa_varvel, NReal& f,
               NReal& L, NReal& viol);

  // The inherited console trace only.
  bool MostrarAvance(const TVectR& x, const TVectR& xs, NReal L, NReal Ls, bool exito) override;
};

// Fits the S-curve to a sector's samples. alfa, vm, Pmax and DeltaP are the starting point on
// entry and the fitted values on return (also when the fit did not converge); the result says
// whether it converged. Note that PAut comes between alfa and vm.
bool AjustarCurvaS(const TVectR& velocidades, const TVectR& potencias, NReal& alfa, NReal PAut,
                   NReal& vm, NReal& Pmax, NReal& DeltaP, NReal& f, NReal& L, NReal& viol);

// The same with the speed-variance correction.
bool AjustarCurvaSVarVel(const TVectR& velocidades, const TVectR& potencias,
                         const TVectR& varianzas, NReal PAut, NReal& alfa, NReal& vm, NReal& Pmax,
                         NReal& DeltaP, NReal& alfa_varvel, NReal& f, NReal& L, NReal& viol);

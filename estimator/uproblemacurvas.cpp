#include "estimator/uproblemacurvas.h"

#include <limits>
#include <memory>
#include <stdexcept>

#include "platform/redondeo.h"
#include "platform/rtltexto.h"

namespace {

constexpr uint32_t kBlanco = 0xFFFFFF;
constexpr uint32_t kRojo = 0x0000FF;
constexpr uint32_t kAzul = 0xFF0000;

// A variance below 0 (a rounding artefact of the series) counts as 0: the power 1.5 of a
// negative base has no real value. NaN passes through.
inline NReal VarianzaNoNegativa(NReal w) { return w < 0.0 ? 0.0 : w; }

void ComprobarLongitudes(const TVectR& v, const TVectR& p) {
  if (v.n != p.n) {
    throw std::invalid_argument("Curva S: " + IntToStr(v.n) + " velocidades y " +
                                IntToStr(p.n) + " potencias");
  }
}

NReal MaximoONada(const TVectR& v, NReal nada) { return v.n > 0 ? v.Maximo() : nada; }

// Screen coordinate of a real: + 0.5 and truncation.
inline int32_t Pixel(NReal a) { return Trunc32(a + 0.5); }

}  // namespace

NReal VelocidadCorregida(NReal v, NReal varVel, NReal alfa_varvel) {
  if (alfa_varvel == 0.0) return v;
  const NReal correccion = alfa_varvel * std::pow(VarianzaNoNegativa(varVel), 1.5);
  // No correction gives v itself, not the rounded cube root of its cube.
  if (correccion == 0.0) return v;
  const NReal d = v * v * v - correccion;
  if (d >= 0.0) return std::pow(d, 1.0 / 3.0);
  return -std::pow(-d, 1.0 / 3.0);
}

NReal CurvaSAcotadaVarVel(NReal v, NReal varVel, NReal Pmax, NReal DeltaP, NReal alfa_varvel,
                          NReal alfa, NReal vm, NReal PAut) {
  return CurvaSAcotada(VelocidadCorregida(v, varVel, alfa_varvel), Pmax, DeltaP, alfa, vm, PAut);
}

// ---------------------------------------------------------------------------------------------

// The sums run over the speeds and read the powers (and variances) at the same positions.
T_fobjetivo::T_fobjetivo(const TVectR& velocidades_, const TVectR& potencias_, NReal PAut_)
    : velocidades(velocidades_), potencias(potencias_), PAut(PAut_) {
  ComprobarLongitudes(velocidades, potencias);
}

T_fobjetivo_varvel::T_fobjetivo_varvel(const TVectR& velocidades_, const TVectR& potencias_,
                                       const TVectR& varianzas_, NReal PAut_)
    : velocidades(velocidades_), potencias(potencias_), varianzas(varianzas_), PAut(PAut_) {
  ComprobarLongitudes(velocidades, potencias);
  ComprobarLongitudes(velocidades, varianzas);
}

NReal T_fobjetivo::Evaluar(const TVectR& x) const {
  const NReal Pmax = x[1], DeltaP = x[2], alfa = x[3], vm = x[4];
  const int32_t n = velocidades.n;
  const NReal* v = velocidades.pv.data();
  const NReal* P = potencias.pv.data();
  NReal s = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    const NReal d = CurvaSAcotada(v[i], Pmax, DeltaP, alfa, vm, PAut) - P[i];
    s += d * d;
  }
  return s / n;
}

void T_fobjetivo::AcumularGradiente(TVectR& g, const TVectR& x) const {
  const NReal Pmax = x[1], DeltaP = x[2], alfa = x[3], vm = x[4];
  const int32_t n = velocidades.n;
  const NReal* v = velocidades.pv.data();
  const NReal* P = potencias.pv.data();
  NReal G1 = 0.0, G2 = 0.0, G3 = 0.0, G4 = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    if (!(P[i] <= PAut)) continue;
    const NReal e = std::exp(-alfa * (v[i] - vm));
    const NReal sigma = 1.0 / (1.0 + e);
    // The same value as CurvaSAcotada, from the same exp.
    NReal S = Pmax / (1.0 + e) - DeltaP;
    if (S >= PAut) S = PAut;
    const NReal r = 2.0 * (S - P[i]);
    G1 += sigma * r;
    G2 -= r;
    G3 += Pmax * (sigma * sigma) * e * (v[i] - vm) * r;
    G4 -= Pmax * (sigma * sigma) * e * alfa * r;
  }
  g[1] += G1 / n;
  g[2] += G2 / n;
  g[3] += G3 / n;
  g[4] += G4 / n;
}

NReal T_fobjetivo_varvel::Evaluar(const TVectR& x) const {
  const NReal Pmax = x[1], DeltaP = x[2], alfa = x[3], vm = x[4], alfa_varvel = x[5];
  const int32_t n = velocidades.n;
  const NReal* v = velocidades.pv.data();
  const NReal* P = potencias.pv.data();
  const NReal* w = varianzas.pv.data();
  NReal s = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    const NReal d =
        CurvaSAcotadaVarVel(v[i], w[i], Pmax, DeltaP, alfa_varvel, alfa, vm, PAut) - P[i];
    s += d * d;
  }
  return s / n;
}

void T_fobjetivo_varvel::AcumularGradiente(TVectR& g, const TVectR& x) const {
  const NReal Pmax = x[1], DeltaP = x[2], alfa = x[3], vm = x[4], alfa_varvel = x[5];
  const int32_t n = velocidades.n;
  const NReal* v = velocidades.pv.data();
  const NReal* P = potencias.pv.data();
  const NReal* w = varianzas.pv.data();
  NReal G1 = 0.0, G2 = 0.0, G3 = 0.0, G4 = 0.0, G5 = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    if (!(P[i] <= PAut)) continue;
    const NReal c = VelocidadCorregida(v[i], w[i], alfa_varvel);
    const NReal e = std::exp(-alfa * (c - vm));
    const NReal sigma = 1.0 / (1.0 + e);
    NReal S = Pmax / (1.0 + e) - DeltaP;
    if (S >= PAut) S = PAut;
    const NReal r = 2.0 * (S - P[i]);
    G1 += sigma * r;
    G2 -= r;
    G3 += Pmax * (sigma * sigma) * e * (c - vm) * r;
    const NReal t = -(Pmax * (sigma * sigma) * e * alfa * r);
    G4 += t;
    // d c / d alfa_varvel = -w^1.5 / (3 c^2); undefined where c vanishes.
    if (c > 1e-10) G5 += t * std::pow(VarianzaNoNegativa(w[i]), 1.5) / (3.0 * (c * c));
  }
  g[1] += G1 / n;
  g[2] += G2 / n;
  g[3] += G3 / n;
  g[4] += G4 / n;
  g[5] += G5 / n;
}

NReal T_h::Evaluar(const TVectR& x) const { return x[1] - x[2] - PAut; }

void T_h::AcumularGradiente(TVectR& g, const TVectR&) const {
  g[1] += 1.0;
  g[2] += -1.0;
  g[3] += 0.0;
  g[4] += 0.0;
}

// ---------------------------------------------------------------------------------------------

TProblema_CurvaS::TProblema_CurvaS(TControlAvance* control_, const TVectR& velocidades_,
                                   const TVectR& potencias_, NReal PAut_)
    : TProblema_m01(2, 5),
      control(control_),
      lienzo(control_),
      velocidades(velocidades_),
      potencias(potencias_),
      PAut(PAut_) {
  ComprobarLongitudes(velocidades, potencias);
  yMin = -10.0;
  const NReal pMax = MaximoONada(potencias, -std::numeric_limits<NReal>::infinity());
  yMax = pMax > 1.1 * PAut ? pMax : 1.1 * PAut;
  xMax = MaximoONada(velocidades, 0.0);
  FijarObjetivo(std::make_unique<T_fobjetivo>(velocidades, potencias, PAut));
  FijarCotaInferior(1, PAut);
  FijarCotaSuperior(1, 3.0 * PAut);
  FijarCotaInferior(2, 0.0);
  FijarCotaSuperior(2, 0.5 * PAut);
  FijarCotaInferior(3, 0.0);
  FijarCotaSuperior(3, 2.0);
  FijarCotaInferior(4, 0.0);
  FijarCotaSuperior(4, 18.0);
  TResfx& h = *restricciones[0];
  h.tipo = TR_Mayor;
  FijarFuncionRestriccion(0, std::make_unique<T_h>(PAut));
  h.inferior = 0.0;
  h.superior = 0.0;
}

bool TProblema_CurvaS::Ajustar(NReal& alfa, NReal& vm, NReal& Pmax, NReal& DeltaP, NReal& f,
                               NReal& L, NReal& viol) {
  TVectR x(4);
  x[1] = Pmax;
  x[2] = DeltaP;
  x[3] = alfa;
  x[4] = vm;
  TVectR lambdas(1);
  int32_t nRondas = 0;
  bool convergio = false;
  // An empty box leaves the solver's outputs as they are: make them say so.
  f = L = viol = std::numeric_limits<NReal>::quiet_NaN();
  Resolver(lambdas, x, 1.0, 1e-5, 100, nRondas, f, L, viol, convergio, control != nullptr);
  Pmax = x[1];
  DeltaP = x[2];
  alfa = x[3];
  vm = x[4];
  return convergio;
}

bool TProblema_CurvaS::MostrarAvance(const TVectR& x, const TVectR& xs, NReal L, NReal Ls,
                                     bool exito) {
  const bool res = TProblema_m01::MostrarAvance(x, xs, L, Ls, exito);
  if (lienzo == nullptr) return res;
  const NReal W = control->Ancho(), H = control->Alto();
  const NReal sx = W / xMax;
  const NReal sy = H / (yMax - yMin);
  lienzo->ColorBrocha(kBlanco);
  lienzo->Rectangulo(0, 0, lienzo->Ancho() - 1, lienzo->Alto() - 1);
  for (int32_t i = 1; i <= velocidades.n; ++i) {
    const NReal v = velocidades[i];
    const NReal px = v * sx;
    const NReal py = H - (potencias[i] - yMin) * sy;
    lienzo->MoverA(Pixel(px), Pixel(py));
    const NReal pc = H - (CurvaSAcotada(v, x[1], x[2], x[3], x[4], PAut) - yMin) * sy;
    lienzo->ColorPincel(pc > py ? kRojo : kAzul);
    lienzo->LineaA(Pixel(px), Pixel(pc));
  }
  return res;
}

TProblema_CurvaS_VarVel::TProblema_CurvaS_VarVel(TControlAvance* control_,
                                                 const TVectR& velocidades_,
                                                 const TVectR& potencias_,
                                                 const TVectR& varianzas_, NReal PAut_)
    : TProblema_m01(2, 6),
      control(control_),
      lienzo(control_),
      velocidades(velocidades_),
      potencias(potencias_),
      varianzas(varianzas_),
      PAut(PAut_) {
  ComprobarLongitudes(velocidades, potencias);
  ComprobarLongitudes(velocidades, varianzas);
  yMin = -10.0;
  const NReal pMax = MaximoONada(potencias, -std::numeric_limits<NReal>::infinity());
  yMax = pMax > 1.1 * PAut ? pMax : 1.1 * PAut;
  xMax = MaximoONada(velocidades, 0.0);
  FijarObjetivo(std::make_unique<T_fobjetivo_varvel>(velocidades, potencias, varianzas, PAut));
  FijarCotaInferior(1, PAut);
  FijarCotaSuperior(1, 3.0 * PAut);
  FijarCotaInferior(2, 0.0);
  FijarCotaSuperior(2, 0.5 * PAut);
  FijarCotaInferior(3, 0.0);
  FijarCotaSuperior(3, 2.0);
  FijarCotaInferior(4, 0.0);
  FijarCotaSuperior(4, 18.0);
  FijarCotaInferior(5, -10.0);
  FijarCotaSuperior(5, 10.0);
  TResfx& h = *restricciones[0];
  h.tipo = TR_Mayor;
  FijarFuncionRestriccion(0, std::make_unique<T_h>(PAut));
  h.inferior = 0.0;
  h.superior = 0.0;
}

bool TProblema_CurvaS_VarVel::Ajustar(NReal& alfa, NReal& vm, NReal& Pmax, NReal& DeltaP,
                                      NReal& alfa_varvel, NReal& f, NReal& L, NReal& viol) {
  TVectR x(5);
  x[1] = Pmax;
  x[2] = DeltaP;
  x[3] = alfa;
  x[4] = vm;
  x[5] = alfa_varvel;
  TVectR lambdas(1);
  int32_t nRondas = 0;
  bool convergio = false;
  f = L = viol = std::numeric_limits<NReal>::quiet_NaN();
  Resolver(lambdas, x, 1.0, 1e-10, 10000, nRondas, f, L, viol, convergio, control != nullptr);
  Pmax = x[1];
  DeltaP = x[2];
  alfa = x[3];
  vm = x[4];
  alfa_varvel = x[5];
  return convergio;
}

bool TProblema_CurvaS_VarVel::MostrarAvance(const TVectR& x, const TVectR& xs, NReal L, NReal Ls,
                                            bool exito) {
  return TProblema_m01::MostrarAvance(x, xs, L, Ls, exito);
}

// ---------------------------------------------------------------------------------------------

bool AjustarCurvaS(const TVectR& velocidades, const TVectR& potencias, NReal& alfa, NReal PAut,
                   NReal& vm, NReal& Pmax, NReal& DeltaP, NReal& f, NReal& L, NReal& viol) {
  TProblema_CurvaS p(nullptr, velocidades, potencias, PAut);
  return p.Ajustar(alfa, vm, Pmax, DeltaP, f, L, viol);
}

bool AjustarCurvaSVarVel(const TVectR& velocidades, const TVectR& potencias,
                         const TVectR& varianzas, NReal PAut, NReal& alfa, NReal& vm, NReal& Pmax,
                         NReal& DeltaP, NReal& alfa_varvel, NReal& f, NReal& L, NReal& viol) {
  TProblema_CurvaS_VarVel p(nullptr, velocidades, potencias, varianzas, PAut);
  return p.Ajustar(alfa, vm, Pmax, DeltaP, alfa_varvel, f, L, viol);
}

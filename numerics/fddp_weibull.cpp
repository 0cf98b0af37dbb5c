#include "numerics/fddp_weibull.h"

#include <cmath>

#include "platform/errores.h"

namespace {

const char* const kMsgSistema = "Imposible invertir sistema Tf_ddp_Weibull.Create_vmuetras en fddp";

// The range's upper end, in sample means.
constexpr NReal kMediasXMax = 1000;

}  // namespace

Tf_ddp_Weibull::Ajuste Tf_ddp_Weibull::Ajustar(const TVectR& v) {
  const int32_t n = v.n;
  TVectR X(n);
  TVectR Y(n);
  bool distintos = false;
  for (int32_t i = 1; i <= n; ++i) {
    const NReal F = (i - 0.5) / n;
    Y[i] = std::log(std::log(1 / (1 - F)));
    X[i] = std::log(v[i]);
    if (!(X[i] == X[1])) distintos = true;
  }
  // One sample, or samples all equal, make the system singular in exact arithmetic; rounding
  // may still leave a tiny last pivot that the solver accepts and a shape factor of garbage.
  if (n < 2 || !distintos) throw EErrorGeneral(kMsgSistema);

  const NReal mX = X.Promedio();
  const NReal mY = Y.Promedio();
  const NReal mXX = X.ProductoEscalar(X) / n;
  const NReal mXY = X.ProductoEscalar(Y) / n;
  TMatR A(2, 2);
  TMatR B(2, 1);
  A.PonerElemento(1, 1, mXX);
  A.PonerElemento(1, 2, -mX);
  A.PonerElemento(2, 1, -mX);
  A.PonerElemento(2, 2, 1);
  B.PonerElemento(1, 1, mXY);
  B.PonerElemento(2, 1, -mY);
  bool ok = false;
  int32_t exp10 = 0;
  A.ResolverSistema(B, ok, exp10);
  if (!ok) throw EErrorGeneral(kMsgSistema);
  Ajuste a{};
  a.k = B.Elemento(1, 1);
  a.c = std::exp(B.Elemento(2, 1) / a.k);  // b = k ln c
  if (!(std::isfinite(a.k) && a.k != 0 && std::isfinite(a.c))) throw EErrorGeneral(kMsgSistema);
  a.promedio = v.Promedio();
  return a;
}

Tf_ddp_Weibull::Tf_ddp_Weibull(const Ajuste& a, Tf_ddp* fuente_, int32_t semilla_)
    : Tf_ddp(fuente_, 0, 0, kMediasXMax * a.promedio, 1, semilla_),
      k(a.k),
      c(a.c),
      kSobreC(a.k / a.c),
      unoSobreK(1 / a.k) {}

Tf_ddp_Weibull::Tf_ddp_Weibull(const TVectR& muestras, Tf_ddp* fuente_, int32_t semilla_)
    : Tf_ddp_Weibull(Ajustar(muestras), fuente_, semilla_) {}

std::unique_ptr<Tf_ddp_Weibull> Tf_ddp_Weibull::Create_vmuetras(const TVectR& muestras,
                                                                Tf_ddp* fuente_, int32_t semilla_) {
  return std::make_unique<Tf_ddp_Weibull>(muestras, fuente_, semilla_);
}

NReal Tf_ddp_Weibull::Densidad(NReal x) const {
  if (x <= EpsilonMaquina) return 0;
  const NReal r = x / c;
  return kSobreC * std::pow(r, k - 1) * std::exp(-std::pow(r, k));
}

NReal Tf_ddp_Weibull::Distribucion(NReal x) {
  if (x <= 0) return 0;
  return 1 - std::exp(-std::pow(x / c, k));
}

NReal Tf_ddp_Weibull::Area(NReal x) { return Distribucion(x); }

NReal Tf_ddp_Weibull::AreaAcumulada(NReal x) { return Distribucion(x); }

NReal Tf_ddp_Weibull::DistribucionInversa(NReal u) {
  if (u <= EpsilonMaquina) return 0;
  return c * std::pow(-std::log(1 - u), unoSobreK);
}

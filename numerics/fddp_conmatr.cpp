#include "numerics/fddp_conmatr.h"

#include <cmath>

#include "platform/errores.h"
#include "platform/redondeo.h"

namespace {

// The density given to an interval between two equal samples.
constexpr NReal kDensidadIntervaloVacio = 1e6;

const TVectR& NoVacio(const TVectR& v) {
  if (v.n < 1)
    throw EErrorGeneral("Tf_ddp_VectDeMuestras.Create: el vector de muestras está vacío");
  return v;
}

}  // namespace

Tf_ddp_VectDeMuestras::Tf_ddp_VectDeMuestras(const TVectR& muestras_, Tf_ddp* fuente_,
                                             int32_t semilla_)
    : Tf_ddp(fuente_, 0, 0, 1, 1, semilla_), muestras(NoVacio(muestras_).n) {
  muestras.Asignar(muestras_);
  muestras.Ordenar(true);
  // The cache keeps (area 0, abscissa 0) from the construction above.
  xMin = muestras.Elemento(1);
  xMax = muestras.Elemento(muestras.n);
}

std::unique_ptr<Tf_ddp_VectDeMuestras> Tf_ddp_VectDeMuestras::Create(const TVectR& muestras_,
                                                                     Tf_ddp* fuente_,
                                                                     int32_t semilla_) {
  return std::make_unique<Tf_ddp_VectDeMuestras>(muestras_, fuente_, semilla_);
}

int32_t Tf_ddp_VectDeMuestras::Ubicar(NReal x) const {
  const int32_t n = muestras.n;
  if (x < muestras.Elemento(1)) return 0;
  const int32_t k = BusquedaBinaria(1, n, x, muestras.pv);
  int32_t j = k;
  while (j > 2 && muestras.Elemento(j - 1) == x) --j;
  if (j == k) return k - 1;
  // Trunc((k + j)*0.5 - 0.5) with k + j >= 3: the integer quotient is the same.
  return (k + j - 1) / 2;
}

NReal Tf_ddp_VectDeMuestras::Densidad(NReal x) const {
  const int32_t n = muestras.n;
  const int32_t m = Ubicar(x);
  if (m >= n || m < 1) return 0;
  const NReal gap = muestras.Elemento(m + 1) - muestras.Elemento(m);
  if (gap > EpsilonMaquina) return 1 / gap / (n - 1);
  return kDensidadIntervaloVacio;
}

NReal Tf_ddp_VectDeMuestras::Area(NReal x) {
  const int32_t n = muestras.n;
  const int32_t m = Ubicar(x);
  if (m >= n) return 1;
  if (m < 1) return 0;
  const NReal gap = muestras.Elemento(m + 1) - muestras.Elemento(m);
  if (gap > EpsilonMaquina) return (m + (x - muestras.Elemento(m)) / gap) / n;
  return static_cast<NReal>(m) / n;
}

NReal Tf_ddp_VectDeMuestras::DistribucionInversa(NReal u) {
  const int32_t n = muestras.n;
  const NReal r = (n - 1) * u;
  const int64_t i = Trunc(r) + 1;  // a NaN or infinite u raises here
  if (i < 1) return muestras.Elemento(1);
  if (i >= n) return muestras.Elemento(n);
  const int32_t i32 = static_cast<int32_t>(i);
  const NReal frac = r - std::trunc(r);
  return muestras.Elemento(i32) + (muestras.Elemento(i32 + 1) - muestras.Elemento(i32)) * frac;
}

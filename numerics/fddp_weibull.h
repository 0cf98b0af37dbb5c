// The two-parameter Weibull distribution, fitted to samples by least squares on the linearised
// distribution: ln(ln(1/(1-F))) = k ln v - k ln c.
#pragma once

#include <cstdint>
#include <memory>

#include "numerics/fddp.h"
#include "numerics/matreal.h"

class Tf_ddp_Weibull : public Tf_ddp {
 public:
  // Fits k and c to the samples taken in the order given, the i-th paired with the plotting
  // position F = (i - 0.5)/n (so the samples should be ascending; they are not sorted here).
  // The range is [0, 1000 * the sample mean]. Draws come from fuente_, or from an own
  // TMadreUniforme(semilla_) when it is null.
  // Fewer than two samples, samples all equal, or a system that cannot be solved or gives no
  // finite parameters (samples <= 0 among them) raise EErrorGeneral
  // "Imposible invertir sistema Tf_ddp_Weibull.Create_vmuetras en fddp".
  Tf_ddp_Weibull(const TVectR& muestras, Tf_ddp* fuente_, int32_t semilla_);
  static std::unique_ptr<Tf_ddp_Weibull> Create_vmuetras(const TVectR& muestras, Tf_ddp* fuente_,
                                                         int32_t semilla_);

  NReal k = 0;          // shape
  NReal c = 0;          // scale, in the samples' unit
  NReal kSobreC = 0;    // k/c
  NReal unoSobreK = 0;  // 1/k

  // 0 for x <= EpsilonMaquina, else (k/c)(x/c)^(k-1) exp(-(x/c)^k).
  NReal Densidad(NReal x) const override;
  // 0 for x <= 0, else 1 - exp(-(x/c)^k).
  NReal Distribucion(NReal x) override;
  NReal Area(NReal x) override;           // Distribucion(x)
  NReal AreaAcumulada(NReal x) override;  // Distribucion(x)
  // 0 for u <= EpsilonMaquina, else c (-ln(1-u))^(1/k) (infinite at u = 1).
  NReal DistribucionInversa(NReal u) override;

 private:
  struct Ajuste {
    NReal k, c, promedio;
  };
  static Ajuste Ajustar(const TVectR& v);
  Tf_ddp_Weibull(const Ajuste& a, Tf_ddp* fuente_, int32_t semilla_);
};

// The empirical distribution of a sample vector: density and area piecewise linear between the
// sorted samples, the inverse by linear interpolation at the position 1 + (n-1)u.
#pragma once

#include <cstdint>
#include <memory>

#include "numerics/fddp.h"
#include "numerics/matreal.h"

class Tf_ddp_VectDeMuestras : public Tf_ddp {
 public:
  // A sorted (ascending) copy of the samples; xMin and xMax are the first and last of them.
  // Draws come from fuente_, or from an own TMadreUniforme(semilla_) when it is null. An empty
  // sample vector raises EErrorGeneral.
  Tf_ddp_VectDeMuestras(const TVectR& muestras_, Tf_ddp* fuente_, int32_t semilla_);
  static std::unique_ptr<Tf_ddp_VectDeMuestras> Create(const TVectR& muestras_, Tf_ddp* fuente_,
                                                       int32_t semilla_);

  TVectR muestras;  // s(1) <= ... <= s(n)

  // The interval index m with s(m) <= x < s(m+1): 0 below the samples, n at or above the last.
  // When x equals a run of samples s(j..k-1), the lower middle of the run, Trunc((k+j)/2 - 1/2)
  // (j found going down from k while j > 2).
  int32_t Ubicar(NReal x) const;
  // 1/gap/(n-1) on the interval holding x, 1e6 for an empty interval, 0 outside.
  NReal Densidad(NReal x) const override;
  // (m + (x - s(m))/gap)/n: 0 below s(1), 1 from s(n) on. The divisor is n, not n-1 as in the
  // density and the inverse: this area is not the integral of that density.
  NReal Area(NReal x) override;
  // s(i) + (s(i+1) - s(i)) Frac(r) with r = (n-1)u, i = Trunc(r)+1; s(1) and s(n) outside.
  NReal DistribucionInversa(NReal u) override;
};

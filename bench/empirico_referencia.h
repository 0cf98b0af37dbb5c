// The empirical model the benchmarks pair with the reference farm: 72 sectors by 10 bins with
// one S-curve for every sector.
#pragma once

#include <memory>

#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"

// With muestrasEnCadaTramo, every bin holds samples enough (50) and a representative power, so
// the combined model's fit evaluates every cell; without, no bin has samples enough for a
// correction ratio and the fit is one relaxation sweep.
inline std::shared_ptr<TParque_ModeloEmpirico> EmpiricoDeReferencia(TParque_ModeloTeorico* mt,
                                                                    bool muestrasEnCadaTramo) {
  auto me = std::make_shared<TParque_ModeloEmpirico>();
  me->mt = mt;
  const int nS = 72, nT = 10;
  me->bordesPv3 = TVectR(nT + 1);
  me->centrosPv3 = TVectR(nT);
  for (int j = 1; j <= nT + 1; ++j) me->bordesPv3[j] = 0.00025 * (j - 1);
  for (int j = 1; j <= nT; ++j) me->centrosPv3[j] = 0.00025 * (j - 0.5);
  me->cntTramo = TMatR(nS, nT);
  me->aTramo = TMatR(nS, nT);
  me->bTramo = TMatR(nS, nT);
  me->PTramo = TMatR(nS, nT);
  for (TVectR* s : {&me->alfa, &me->vm, &me->Pmax, &me->DeltaP, &me->alfa_varvel}) *s = TVectR(nS);
  for (int k = 1; k <= nS; ++k) {
    me->alfa[k] = 0.6;
    me->vm[k] = 9 + 0.01 * k;
    me->Pmax[k] = 98;
    me->DeltaP[k] = 0.5;
    if (!muestrasEnCadaTramo) continue;
    for (int j = 1; j <= nT; ++j) {
      me->cntTramo.PonerElemento(k, j, 50);
      me->PTramo.PonerElemento(k, j, 10.0 * j);
      me->aTramo.PonerElemento(k, j, 0);
      me->bTramo.PonerElemento(k, j, 10.0 * j / me->centrosPv3[j]);
    }
  }
  return me;
}

// The reference farm of the benchmarks and of the example plant: 50 turbines of 2 MW (80 m rotor)
// in a 10 x 5 array, 350 m across and 700 m between rows, the default grid (9 m x 1 m cells, 1000 m
// margin) and the mast between two rows and two columns; a station-factor matrix of ones, 72
// sectors by `columnasEtha` bins.
#pragma once

#include <memory>
#include <vector>

#include "estimator/ucurvasaeros.h"
#include "estimator/uparques_modeloteorico.h"

inline std::unique_ptr<TParque_ModeloTeorico> ParqueDeReferencia(int32_t columnasEtha) {
  std::vector<double> v,
      p = {0.066, 0.152, 0.28, 0.457, 0.69, 0.978, 1.296, 1.598, 1.818, 1.935, 1.98, 1.995,
           2,     2,     2,    2,     2,    2,     2,     2,     2,     2,     2};
  for (int i = 3; i <= 25; ++i) v.push_back(i);
  const TCurvaAerogen curva = TCurvaAerogen::Create(1, "G80-2.0MW", 80, TVectR::CreateDesdeDA(1, v),
                                                    TVectR::CreateDesdeDA(1, p));
  auto m = std::make_unique<TParque_ModeloTeorico>();
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 5; ++j) {
      TMolino t;
      t.curva = curva;
      t.etha = 1;
      t.posicion = TPosicion::Create(-1575 + 350.0 * i, -1400 + 700.0 * j + 350);
      m->molinos.push_back(std::move(t));
    }
  m->nombre = "Referencia";
  m->nMolinos = 50;
  m->alfa_terreno = 0.5;
  m->gamma_atmosfera = 0.4;
  m->fpv3pe = 1.8;
  m->factor_perdidas = 0.035;
  m->potencia_autorizada_mw = 100;
  m->potencia_nominal = 100;
  m->grilla_rotada_dx = 9;
  m->grilla_rotada_dy = 1;
  m->grilla_rotada_margen_dx = 1000;
  m->meteo_etha = TMatR(72, columnasEtha);
  m->meteo_etha.LlenarUnos();
  return m;
}

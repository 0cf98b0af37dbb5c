// The calibrator's objective and the combined model's power of one sample on the reference
// farm of bench/marcha_estela.cpp (50 turbines in a 10 x 5 array, 350 m across and 700 m
// between rows, 9 m x 1 m cells, 1000 m margin) with an empirical model of 72 sectors by 10
// bins.
//
// Every figure is a ratio measured in the same run:
//  * evaluacion/potencia: one objective evaluation (25 wind situations, each a grid set-up and
//    a fixed-point farm power) over one set-up and farm power at 9 m/s; about 25 is the floor,
//    a search makes at least 101 evaluations;
//  * muestra/potencia: one sample of the combined model (set-up, farm power, correction) over
//    the same set-up and farm power; the series runs make one per ten-minute sample.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "estimator/ucalibrador.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"

namespace {

using Reloj = std::chrono::steady_clock;

std::shared_ptr<TParque_ModeloTeorico> ParqueDeReferencia() {
  std::vector<double> v,
      p = {0.066, 0.152, 0.28, 0.457, 0.69, 0.978, 1.296, 1.598, 1.818, 1.935, 1.98, 1.995,
           2,     2,     2,    2,     2,    2,     2,     2,     2,     2,     2};
  for (int i = 3; i <= 25; ++i) v.push_back(i);
  const TCurvaAerogen curva = TCurvaAerogen::Create(1, "G80-2.0MW", 80, TVectR::CreateDesdeDA(1, v),
                                                    TVectR::CreateDesdeDA(1, p));
  auto m = std::make_shared<TParque_ModeloTeorico>();
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
  m->meteo_etha = TMatR(72, 10);
  m->meteo_etha.LlenarUnos();
  return m;
}

// 72 sectors by 10 bins with one S-curve for every sector; no bin has samples enough for a
// correction ratio, so the combined model's fit is one relaxation sweep.
std::shared_ptr<TParque_ModeloEmpirico> EmpiricoDeReferencia(TParque_ModeloTeorico* mt) {
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
  }
  return me;
}

double Segundos(Reloj::duration d) { return std::chrono::duration<double>(d).count(); }

double UnaPotencia(TParque_ModeloTeorico& mt, double direccion) {
  const double q = DensidadPotenciaViento(9, 1.225);
  mt.PrepararGrilla(false, direccion, q);
  bool convergio = false;
  double dpvMastil = 0, libre = 0;
  return mt.PotenciaParque(convergio, dpvMastil, 1.225, q, mt.potencia_autorizada_mw, libre);
}

void BM_ObjetivoCalibrador(benchmark::State& state) {
  auto mt = ParqueDeReferencia();
  auto c = TCalibradorParque::CreateConModelos(mt, EmpiricoDeReferencia(mt.get()));
  double tObjetivo = 0, tPotencia = 0;
  for (auto _ : state) {
    auto t0 = Reloj::now();
    benchmark::DoNotOptimize(c->ErrorCuadratico(31, c->x));
    auto t1 = Reloj::now();
    benchmark::DoNotOptimize(UnaPotencia(*mt, 45));
    auto t2 = Reloj::now();
    tObjetivo += Segundos(t1 - t0);
    tPotencia += Segundos(t2 - t1);
  }
  state.counters["evaluacion/potencia"] = tObjetivo / tPotencia;
  state.counters["s_evaluacion"] = tObjetivo / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ObjetivoCalibrador)->Unit(benchmark::kMillisecond);

void BM_MuestraCombinado(benchmark::State& state) {
  auto mt = ParqueDeReferencia();
  auto mc = TParque_ModeloCombinado::CreateConModelos(mt, EmpiricoDeReferencia(mt.get()));
  double tMuestra = 0, tPotencia = 0;
  double direccion = 0;
  for (auto _ : state) {
    direccion = direccion >= 355 ? 0 : direccion + 5;
    double lc = 0, la = 0, bruta = 0;
    auto t0 = Reloj::now();
    // A sample held by the set-point: the fixed point and the second march.
    mc->CalcularPotencia(lc, la, bruta, 9, direccion, 1.2, 20, false, false);
    benchmark::DoNotOptimize(la);
    auto t1 = Reloj::now();
    benchmark::DoNotOptimize(UnaPotencia(*mt, direccion));
    auto t2 = Reloj::now();
    tMuestra += Segundos(t1 - t0);
    tPotencia += Segundos(t2 - t1);
  }
  state.counters["muestra/potencia"] = tMuestra / tPotencia;
}
BENCHMARK(BM_MuestraCombinado)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

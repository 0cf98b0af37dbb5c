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
//    the same set-up and farm power; the series runs make one per ten-minute sample;
//  * BM_ObjetivoHilos, base/rapido: one objective evaluation with the straightforward march
//    (kernel Referencia) on one thread over the same evaluation with the default kernel on
//    every core (NumeroDeHilos), the two timed alternately in the same run; s_base and
//    s_rapido beside it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "ejemplo/parque_referencia.h"
#include "empirico_referencia.h"
#include "estimator/ucalibrador.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/hilos.h"

namespace {

using Reloj = std::chrono::steady_clock;

double Segundos(Reloj::duration d) { return std::chrono::duration<double>(d).count(); }

double UnaPotencia(TParque_ModeloTeorico& mt, double direccion) {
  const double q = DensidadPotenciaViento(9, 1.225);
  mt.PrepararGrilla(false, direccion, q);
  bool convergio = false;
  double dpvMastil = 0, libre = 0;
  return mt.PotenciaParque(convergio, dpvMastil, 1.225, q, mt.potencia_autorizada_mw, libre);
}

void BM_ObjetivoCalibrador(benchmark::State& state) {
  std::shared_ptr<TParque_ModeloTeorico> mt = ParqueDeReferencia(10);
  auto c = TCalibradorParque::CreateConModelos(mt, EmpiricoDeReferencia(mt.get(), false));
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
  std::shared_ptr<TParque_ModeloTeorico> mt = ParqueDeReferencia(10);
  auto mc = TParque_ModeloCombinado::CreateConModelos(mt, EmpiricoDeReferencia(mt.get(), false));
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

void BM_ObjetivoHilos(benchmark::State& state) {
  std::shared_ptr<TParque_ModeloTeorico> mt = ParqueDeReferencia(10);
  auto c = TCalibradorParque::CreateConModelos(mt, EmpiricoDeReferencia(mt.get(), false));
  const TNucleoMarcha rapido = NucleoMarcha();
  double tBase = 0, tRapido = 0, fBase = 0, fRapido = 0;
  for (auto _ : state) {
    FijarNucleoMarcha(TNucleoMarcha::Referencia);
    FijarNumeroDeHilos(1);
    auto t0 = Reloj::now();
    fBase = c->ErrorCuadratico(31, c->x);
    auto t1 = Reloj::now();
    FijarNucleoMarcha(rapido);
    FijarNumeroDeHilos(0);
    fRapido = c->ErrorCuadratico(31, c->x);
    auto t2 = Reloj::now();
    tBase += Segundos(t1 - t0);
    tRapido += Segundos(t2 - t1);
  }
  if (fBase != fRapido) state.SkipWithError("los dos objetivos difieren");
  const double n = static_cast<double>(state.iterations());
  state.counters["base/rapido"] = tBase / tRapido;
  state.counters["s_base"] = tBase / n;
  state.counters["s_rapido"] = tRapido / n;
  state.counters["hilos"] = NumeroDeHilos();
  state.SetLabel(std::string("nucleo ") + NombreNucleoMarcha(rapido));
}
BENCHMARK(BM_ObjetivoHilos)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();

// The wake march of the theoretical model on a reference farm: 50 turbines in a 10 x 5 array,
// 350 m across and 700 m between rows, the default grid (9 m x 1 m cells, 1000 m margin) and
// the mast inside the array, for the wind directions 0, 45, 90 and 270.
//
// Every figure is a ratio measured in the same run, so that it does not depend on the machine:
//  * pasada/copia: one pass of the march, on the kernel the processor picks, over the time of one
//    streaming copy of a buffer of the grid's size (the memory-bandwidth floor of a pass of the
//    straightforward march, which reads one row and writes the next); aim <= 2;
//  * preparar/pasada: a repeated grid set-up (same model, another direction) over one pass;
//    aim <= 0.5 (the faster kernels make this ratio larger: the set-up did not change);
//  * potencias/s: farm powers per second for a mast speed of 9 m/s, each with its own set-up
//    for the direction (as the calibrator and the series runs do);
//  * BM_NucleosMarcha: each kernel of the march against the straightforward one (Referencia),
//    timed in turns in the same run on one thread: x_<kernel> is the reference's time over the
//    kernel's, ms_<kernel> the time of one call. Three loads: a march that stays under the limit
//    (one pass, 9 m/s), a march held at the limit (14 m/s and 70.3 MW, passes reported), and the
//    farm power with its own set-up at 9 m/s for each of the four directions. Aim x >= 2.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloteorico.h"
#include "ejemplo/parque_referencia.h"

namespace {

using Reloj = std::chrono::steady_clock;

double Segundos(Reloj::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_MarchaEstela(benchmark::State& state) {
  const double direccion = static_cast<double>(state.range(0));
  auto m = ParqueDeReferencia(1);
  m->PrepararGrilla(true, direccion, 0);
  const size_t celdas = static_cast<size_t>(m->Grilla().nf) * static_cast<size_t>(m->Grilla().nc);
  std::vector<double> origen(celdas, 1e-4), destino(celdas, 0.0);
  const double V = DensidadPotenciaViento(9, 1.225);
  double tPasada = 0, tCopia = 0, tPreparar = 0;
  double dpvMastil = 0;
  // Warm the buffers once.
  m->RecorrerGrilla(dpvMastil, 1.225, V, 1e9);
  std::memcpy(destino.data(), origen.data(), celdas * sizeof(double));
  for (auto _ : state) {
    auto t0 = Reloj::now();
    benchmark::DoNotOptimize(
        m->RecorrerGrilla(dpvMastil, 1.225, V, 1e9));  // under the limit: one pass
    auto t1 = Reloj::now();
    std::memcpy(destino.data(), origen.data(), celdas * sizeof(double));
    benchmark::ClobberMemory();
    auto t2 = Reloj::now();
    // Another direction and back: the set-up the series runs repeat for every sample.
    m->PrepararGrilla(true, direccion + 1, 0);
    auto t3 = Reloj::now();
    m->PrepararGrilla(true, direccion, 0);
    tPasada += Segundos(t1 - t0);
    tCopia += Segundos(t2 - t1);
    tPreparar += Segundos(t3 - t2);
    if (m->pasadasUltimaMarcha != 1)
      state.SkipWithError("la marcha de referencia no es de una pasada");
  }
  state.counters["celdas"] = static_cast<double>(celdas);
  state.counters["pasada/copia"] = tPasada / tCopia;
  state.counters["preparar/pasada"] = tPreparar / tPasada;
  state.counters["ms_pasada"] = 1e3 * tPasada / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MarchaEstela)->Arg(0)->Arg(45)->Arg(90)->Arg(270)->Unit(benchmark::kMillisecond);

void BM_PotenciaParque(benchmark::State& state) {
  auto m = ParqueDeReferencia(1);
  const double direcciones[] = {0, 45, 90, 270};
  const double medida = DensidadPotenciaViento(9, 1.225);
  int64_t llamadas = 0, marchas = 0;
  for (auto _ : state) {
    for (double d : direcciones) {
      m->PrepararGrilla(true, d, medida);
      bool convergio = false;
      double dpvMastil = 0, libre = 0;
      benchmark::DoNotOptimize(
          m->PotenciaParque(convergio, dpvMastil, 1.225, medida, m->potencia_autorizada_mw, libre));
      ++llamadas;
      marchas += m->marchasUltimaPotencia;
    }
  }
  state.counters["potencias/s"] =
      benchmark::Counter(static_cast<double>(llamadas), benchmark::Counter::kIsRate);
  state.counters["marchas/potencia"] = static_cast<double>(marchas) / static_cast<double>(llamadas);
}
BENCHMARK(BM_PotenciaParque)->Unit(benchmark::kMillisecond);

// The march's loads, run on one kernel: returns seconds per direction and adds up the passes.
double CargaMarcha(TParque_ModeloTeorico& m, int64_t carga, TNucleoMarcha nucleo,
                   int64_t& pasadas) {
  FijarNucleoMarcha(nucleo);
  const double direcciones[] = {0, 45, 90, 270};
  double dpvMastil = 0, libre = 0;
  bool convergio = false;
  const auto t0 = Reloj::now();
  for (double d : direcciones) {
    switch (carga) {
      case 0:
        m.PrepararGrilla(true, d, 0);
        benchmark::DoNotOptimize(
            m.RecorrerGrilla(dpvMastil, 1.225, DensidadPotenciaViento(9, 1.225), 1e9));
        break;
      case 1:
        m.PrepararGrilla(true, d, 0);
        benchmark::DoNotOptimize(
            m.RecorrerGrilla(dpvMastil, 1.225, DensidadPotenciaViento(14, 1.225), 70.3));
        break;
      default: {
        const double medida = DensidadPotenciaViento(9, 1.225);
        m.PrepararGrilla(true, d, medida);
        benchmark::DoNotOptimize(
            m.PotenciaParque(convergio, dpvMastil, 1.225, medida, m.potencia_autorizada_mw, libre));
      }
    }
    pasadas += m.pasadasUltimaMarcha;
  }
  return Segundos(Reloj::now() - t0) / 4;
}

void BM_NucleosMarcha(benchmark::State& state) {
  const int64_t carga = state.range(0);
  const TNucleoMarcha nucleos[] = {TNucleoMarcha::Referencia, TNucleoMarcha::Portable,
                                   TNucleoMarcha::AVX2, TNucleoMarcha::AVX512};
  const TNucleoMarcha previo = NucleoMarcha();
  std::vector<std::unique_ptr<TParque_ModeloTeorico>> modelos;
  std::vector<double> tiempo;
  int64_t pasadas = 0;
  for (TNucleoMarcha n : nucleos) {
    if (!NucleoMarchaDisponible(n)) continue;
    modelos.push_back(ParqueDeReferencia(1));
    tiempo.push_back(0);
    CargaMarcha(*modelos.back(), carga, n, pasadas);  // warm the buffers
  }
  pasadas = 0;
  for (auto _ : state) {
    size_t k = 0;
    for (TNucleoMarcha n : nucleos)
      if (NucleoMarchaDisponible(n)) {
        tiempo[k] += CargaMarcha(*modelos[k], carga, n, pasadas);
        ++k;
      }
  }
  FijarNucleoMarcha(previo);
  const double n = static_cast<double>(state.iterations());
  // Passes of the last march of each call, over every kernel and direction.
  state.counters["pasadas"] =
      static_cast<double>(pasadas) / (n * 4 * static_cast<double>(modelos.size()));
  size_t k = 0;
  for (TNucleoMarcha nu : nucleos)
    if (NucleoMarchaDisponible(nu)) {
      const std::string nombre = NombreNucleoMarcha(nu);
      state.counters["ms_" + nombre] = 1e3 * tiempo[k] / n;
      if (k > 0) state.counters["x_" + nombre] = tiempo[0] / tiempo[k];
      ++k;
    }
  state.SetLabel(carga == 0   ? "una pasada"
                 : carga == 1 ? "marcha limitada"
                              : "potencia del parque");
}
BENCHMARK(BM_NucleosMarcha)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

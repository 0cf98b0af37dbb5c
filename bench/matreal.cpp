// The vector and matrix element access in the wake grid's pattern, and the sort with an index
// permutation at the size of a year of ten-minute samples, each against a plain equivalent
// timed in the same run.
//
// Reported counters:
//  * BM_MarchaPorFilas: ratio = a row-by-row three-point march over a TMatR through Fila/pv,
//    divided by the same march over one contiguous row-major buffer (target: about 1, element
//    access must cost nothing over a raw array);
//  * BM_OrdenarConIndice: ratio = TVectR::OrdenarConIndice on 52,560 values with ties, divided
//    by std::sort of (value, index) pairs of the same data (information: the scheme is fixed).
#include "numerics/matreal.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <utility>
#include <vector>

namespace {

using reloj = std::chrono::steady_clock;

constexpr int kFilas = 6000;
constexpr int kColumnas = 700;

void MarchaMatriz(TMatR& m) {
  for (int i = 2; i <= m.nf; ++i) {
    const TVectR& ant = m.Fila(i - 1);
    TVectR& fila = m.Fila(i);
    for (int j = 2; j < m.nc; ++j)
      fila.pv[static_cast<size_t>(j)] =
          0.25 * (ant.pv[static_cast<size_t>(j) - 1] + 2.0 * ant.pv[static_cast<size_t>(j)] +
                  ant.pv[static_cast<size_t>(j) + 1]);
  }
}

void MarchaPlana(std::vector<double>& b) {
  const size_t nc = kColumnas + 1;
  for (size_t i = 2; i <= kFilas; ++i) {
    const double* ant = b.data() + (i - 1) * nc;
    double* fila = b.data() + i * nc;
    for (size_t j = 2; j < kColumnas; ++j)
      fila[j] = 0.25 * (ant[j - 1] + 2.0 * ant[j] + ant[j + 1]);
  }
}

void BM_MarchaPorFilas(benchmark::State& state) {
  TMatR m(kFilas, kColumnas);
  std::vector<double> b(static_cast<size_t>(kFilas + 1) * (kColumnas + 1), 0.0);
  for (int j = 1; j <= kColumnas; ++j) {
    m.PonerElemento(1, j, j % 17);
    b[static_cast<size_t>(kColumnas + 1) + static_cast<size_t>(j)] = j % 17;
  }
  double tMatriz = 0, tPlana = 0;
  for (auto _ : state) {
    auto t0 = reloj::now();
    MarchaPlana(b);
    benchmark::DoNotOptimize(b.data());
    auto t1 = reloj::now();
    MarchaMatriz(m);
    benchmark::DoNotOptimize(m.pm.data());
    auto t2 = reloj::now();
    tPlana += std::chrono::duration<double>(t1 - t0).count();
    tMatriz += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["ratio"] = tMatriz / tPlana;
}
BENCHMARK(BM_MarchaPorFilas)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_OrdenarConIndice(benchmark::State& state) {
  const int n = 52560;
  std::mt19937_64 gen(52560);
  std::uniform_int_distribution<int> d(0, 2500);
  TVectR datos(n);
  for (int k = 1; k <= n; ++k) datos[k] = d(gen) * 0.01;
  double tScheme = 0, tStd = 0;
  for (auto _ : state) {
    TVectR v = datos;
    TDAofNInt idx(static_cast<size_t>(n) + 1);
    for (int k = 0; k <= n; ++k) idx[static_cast<size_t>(k)] = k;
    std::vector<std::pair<double, int>> pares(static_cast<size_t>(n));
    for (int k = 1; k <= n; ++k) pares[static_cast<size_t>(k - 1)] = {datos[k], k};
    auto t0 = reloj::now();
    v.OrdenarConIndice(true, idx);
    benchmark::DoNotOptimize(idx.data());
    auto t1 = reloj::now();
    std::sort(pares.begin(), pares.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    benchmark::DoNotOptimize(pares.data());
    auto t2 = reloj::now();
    tScheme += std::chrono::duration<double>(t1 - t0).count();
    tStd += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["ratio"] = tScheme / tStd;
}
BENCHMARK(BM_OrdenarConIndice)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();

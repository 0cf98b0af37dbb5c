// Reading a year of ten-minute series (52,560 rows of nine channels, about 13 MB), against a
// plain sequential read of the same bytes in the same run. The restriction run reads the plant's
// file once per restriction period, so this is paid a hundred times and more.
//
// Reported counters: ratio = time of TSeriesDeDatos::Cargar / time of the plain read (target:
// below 5), MBps = parsing throughput.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "services/useriestemporales.h"

namespace fs = std::filesystem;

namespace {

fs::path ArchivoDeUnAnio() {
  static const fs::path ruta = [] {
    const fs::path p = fs::temp_directory_path() / "aeronda_bench_series_anio.sas";
    TSeriesDeDatos s;
    s.NSeries = 9;
    s.NPuntos = 52560;
    s.anio = 2016, s.mes = 11, s.dia = 1;
    s.periodoHoras = 1.0 / 6.0;
    s.pasosPorCiclo = 144;
    s.nombres = {"Vel", "Ang", "PE", "Temp", "Pre", "HumRel", "CGM", "fDisp", "VarVel"};
    s.tipos.assign(9, SALIDA);
    s.series.assign(9, TVectR(s.NPuntos));
    for (int32_t k = 1; k <= s.NPuntos; ++k) {
      const double t = k * 0.001;
      s.series[0][k] = 8 + 4 * std::sin(t);
      s.series[1][k] = std::fmod(k * 0.37, 360.0);
      s.series[2][k] = 20 + 15 * std::sin(t + 1);
      s.series[3][k] = 15 + 10 * std::cos(t * 0.1);
      s.series[4][k] = 1013 + 5 * std::sin(t * 0.3);
      s.series[5][k] = 60 + 20 * std::cos(t * 0.7);
      s.series[6][k] = 48 + std::sin(t * 3);
      s.series[7][k] = 1 - 0.01 * (k % 7);
      s.series[8][k] = 0.5 + 0.25 * std::sin(t * 11);
    }
    s.Grabar(p);
    return p;
  }();
  return ruta;
}

// The bytes read in 1 MiB blocks and summed, so that every byte is touched.
uint64_t LecturaPlana(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::vector<char> b(1 << 20);
  uint64_t suma = 0;
  while (f) {
    f.read(b.data(), static_cast<std::streamsize>(b.size()));
    const auto leidos = static_cast<size_t>(f.gcount());
    for (size_t i = 0; i < leidos; ++i) suma += static_cast<unsigned char>(b[i]);
  }
  return suma;
}

void BM_LeerAnioDeSeries(benchmark::State& state) {
  const fs::path p = ArchivoDeUnAnio();
  const double bytes = static_cast<double>(fs::file_size(p));
  using reloj = std::chrono::steady_clock;
  double tCargar = 0, tPlano = 0;
  for (auto _ : state) {
    auto t0 = reloj::now();
    benchmark::DoNotOptimize(LecturaPlana(p));
    auto t1 = reloj::now();
    TSeriesDeDatos s = TSeriesDeDatos::Cargar(p);
    benchmark::DoNotOptimize(s.series[0][1]);
    auto t2 = reloj::now();
    tPlano += std::chrono::duration<double>(t1 - t0).count();
    tCargar += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["ratio"] = tCargar / tPlano;
  state.counters["MBps"] = bytes * static_cast<double>(state.iterations()) / tCargar / 1e6;
}
BENCHMARK(BM_LeerAnioDeSeries)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();

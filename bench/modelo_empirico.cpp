// Building the empirical model from a synthetic year of ten-minute samples (52,560) of a 50 MW
// farm: directions all round, Weibull speeds, an S-curve per direction with noise, a few gaps,
// unavailable and CGM-limited samples. The whole construction reads the file, filters, fits
// 72 sectors twice around the distance filter and writes its three tables and its charts.
//
// Reported counters of BM_CreateDesdeSeries:
//  * segundos: one whole construction;
//  * ratio = that time over the time of the 144 sector fits alone (AjustarCurvaSector on the
//    same sectors' samples, two passes), timed in the same run: the share of everything else
//    (reading, filters, bins, completion, tables, JPEG charts) on top of the fits.
// Reported counters of BM_CreateDesdeSeriesHilos: uno/varios, one whole construction on one
// thread over one on every core (NumeroDeHilos: the charts are made on the threads), timed
// alternately in the same run; s_uno and s_varios beside it.
// The construction's console lines go to a null stream; the solver's multiplier log goes to
// the scratch folder the program runs in.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <numbers>
#include <numeric>
#include <random>
#include <sstream>
#include <string>

#include "estimator/ucarpetascentrales.h"
#include "estimator/ucurvasaeros.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/hilos.h"
#include "services/useriestemporales.h"

namespace fs = std::filesystem;

namespace {

using reloj = std::chrono::steady_clock;

constexpr int32_t kMuestras = 52560;
constexpr double kPAut = 50.0;

struct Entorno {
  fs::path carpeta;
  fs::path archivo;
  std::unique_ptr<TParque_ModeloTeorico> mt;
};

std::unique_ptr<TParque_ModeloTeorico> ModeloTeorico() {
  auto mt = std::make_unique<TParque_ModeloTeorico>();
  mt->central = 77;
  mt->nMolinos = 25;
  mt->potencia_autorizada_mw = kPAut;
  mt->potencia_nominal = kPAut;
  TVectR v(26), p(26);
  for (int32_t k = 1; k <= 26; ++k) {
    v[k] = k - 1;
    p[k] = k == 1 ? 0 : 52.0 / (1 + std::exp(-0.7 * (v[k] - 9)));
  }
  mt->curvaEquivalente =
      std::make_unique<TCurvaAerogen>(TCurvaAerogen::Create(1, "equivalente", 80, v, p));
  return mt;
}

void EscribirAnio(const fs::path& archivo) {
  TSeriesDeDatos s;
  s.NSeries = 9;
  s.NPuntos = kMuestras;
  s.anio = 2016;
  s.mes = 1;
  s.dia = 1;
  s.periodoHoras = 1.0 / 6.0;
  for (const char* n : {"vel", "dir", "PE", "temp", "pre", "hum", "CGM", "disp", "varvel"}) {
    s.nombres.push_back(n);
    s.tipos.push_back(SALIDA);
    s.series.emplace_back(kMuestras);
  }
  std::mt19937 gen(2016);
  std::weibull_distribution<double> vel(2.0, 8.0);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::normal_distribution<double> ruido(0.0, 1.0);
  for (int32_t k = 1; k <= kMuestras; ++k) {
    const double v = vel(gen);
    const double dir = 360.0 * u(gen);
    // The curve turns with the direction: midpoint 8 to 10 m/s, steepness 0.6 to 0.9.
    const double vm = 9 + std::sin(dir * std::numbers::pi / 180);
    const double alfa = 0.75 + 0.15 * std::cos(dir * std::numbers::pi / 180);
    double p = std::min(56 / (1 + std::exp(-alfa * (v - vm))) - 1.5, kPAut) + ruido(gen);
    p = std::clamp(p, 0.0, kPAut);
    const double r = u(gen);
    s.series[0][k] = r < 0.01 ? -99999 : v;  // 1 % gaps
    s.series[1][k] = dir;
    s.series[2][k] = p;
    s.series[3][k] = 10 + 15 * u(gen);
    s.series[4][k] = 990 + 30 * u(gen);
    s.series[5][k] = 40 + 50 * u(gen);
    s.series[6][k] = r > 0.97 ? 30.0 : kPAut;  // 3 % limited by CGM
    s.series[7][k] = r > 0.01 && r < 0.03 ? 0.5 : 1.0;
    s.series[8][k] = 0.5 * u(gen);
  }
  s.Grabar(archivo);
}

Entorno& Preparar() {
  static Entorno e = [] {
    Entorno r;
    r.carpeta = fs::temp_directory_path() / ("aeronda_bench_me_" + std::to_string(::getpid()));
    fs::remove_all(r.carpeta);
    fs::create_directories(r.carpeta);
    fs::current_path(r.carpeta);
    std::ostringstream consola;
    IniciarUcarpetascentrales(TRaicesCarpetas{r.carpeta / "basura", std::nullopt}, consola);
    r.archivo = r.carpeta / "anio.sas";
    EscribirAnio(r.archivo);
    r.mt = ModeloTeorico();
    // The scratch folder goes at exit, the program leaving it first.
    static fs::path borrar = r.carpeta;
    std::atexit([] {
      std::error_code ec;
      fs::current_path(fs::temp_directory_path(), ec);
      fs::remove_all(borrar, ec);
    });
    return r;
  }();
  return e;
}

// The console lines of the construction go nowhere while f runs.
template <class F>
void EnSilencio(F&& f) {
  std::ostringstream nulo;
  std::streambuf* antes = std::cout.rdbuf(nulo.rdbuf());
  f();
  std::cout.rdbuf(antes);
}

// Seconds of the 144 sector fits alone on the model's samples (pass 2's flags), from the
// same start sequence as the construction.
double SegundosDeLosAjustes(TParque_ModeloEmpirico& me) {
  double segundos = 0;
  me.xInicial = TParametrosCurvaS{};
  for (int pasada = 1; pasada <= 2; ++pasada)
    for (int32_t k = 1; k <= 72; ++k) {
      me.MuestrasSector((k - 1) * 5.0, 3.0);
      TDAofNInt idx(static_cast<size_t>(me.muestrasPv3.n) + 1, 0);
      std::iota(idx.begin(), idx.end(), 0);
      me.muestrasPv3.OrdenarConIndice(true, idx);
      me.muestrasPE.Reordenar(idx);
      NReal a, vm, Pm, dp, av, e;
      int32_t cnt;
      const auto t0 = reloj::now();
      me.AjustarCurvaSector(a, vm, Pm, dp, av, e, cnt, me.muestrasPv3, me.muestrasPE,
                            me.muestrasVarVel, *me.mt->curvaEquivalente, 1, 100, k);
      segundos += std::chrono::duration<double>(reloj::now() - t0).count();
    }
  return segundos;
}

void BM_CreateDesdeSeries(benchmark::State& state) {
  Entorno& e = Preparar();
  std::unique_ptr<TParque_ModeloEmpirico> me;
  double total = 0;
  int64_t veces = 0;
  for (auto _ : state) {
    const auto t0 = reloj::now();
    EnSilencio(
        [&] { me = TParque_ModeloEmpirico::CreateDesdeSeries(e.mt.get(), e.archivo, 1, 100); });
    total += std::chrono::duration<double>(reloj::now() - t0).count();
    ++veces;
    benchmark::DoNotOptimize(me.get());
  }
  double ajustes = 0;
  EnSilencio([&] { ajustes = SegundosDeLosAjustes(*me); });
  const double una = total / static_cast<double>(veces);
  state.counters["segundos"] = una;
  state.counters["segundos_ajustes"] = ajustes;
  state.counters["ratio"] = una / ajustes;
  state.counters["muestras"] = kMuestras;
}
BENCHMARK(BM_CreateDesdeSeries)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CreateDesdeSeriesHilos(benchmark::State& state) {
  Entorno& e = Preparar();
  double uno = 0, varios = 0;
  for (auto _ : state) {
    for (const int32_t hilos : {1, 0}) {
      FijarNumeroDeHilos(hilos);
      const auto t0 = reloj::now();
      EnSilencio([&] {
        benchmark::DoNotOptimize(
            TParque_ModeloEmpirico::CreateDesdeSeries(e.mt.get(), e.archivo, 1, 100));
      });
      (hilos == 1 ? uno : varios) += std::chrono::duration<double>(reloj::now() - t0).count();
    }
    FijarNumeroDeHilos(0);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["uno/varios"] = uno / varios;
  state.counters["s_uno"] = uno / n;
  state.counters["s_varios"] = varios / n;
  state.counters["hilos"] = NumeroDeHilos();
}
BENCHMARK(BM_CreateDesdeSeriesHilos)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

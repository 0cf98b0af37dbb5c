// A plant-year of series processing with the combined model on the reference farm of
// bench/parque_referencia.h: 52,560 ten-minute samples of a synthetic year (Weibull speeds,
// directions all round, a few CGM restriction afternoons), run as the main window runs it
// (the whole year, with the error matrices).
//
// Reported counters of BM_SerieAnio, all measured in the same run:
//  * s_anio: the whole year with the default march kernel on every core (NumeroDeHilos);
//  * s_base_parte, s_rapido_parte: a fixed part of the year (its first kMuestrasParte samples)
//    with the straightforward march (kernel Referencia) on one thread, and with the default
//    kernel on every core. The straightforward year takes minutes: its time is taken as the
//    part's time per sample times the year's samples (s_base_anio, extrapolated);
//  * anio/base: s_base_anio over s_anio, the year's speed-up over the straightforward code on
//    one thread; parte/base: the same ratio on the part alone, both measured;
//  * hilos, muestras.
// The console lines of the runs go to a null stream; their files to a scratch folder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "ejemplo/parque_referencia.h"
#include "empirico_referencia.h"
#include "estimator/ucalcrestriccionesoperativas.h"
#include "estimator/ucarpetascentrales.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/fechas.h"
#include "platform/hilos.h"
#include "services/useriestemporales.h"

namespace fs = std::filesystem;

namespace {

using Reloj = std::chrono::steady_clock;

constexpr int32_t kMuestras = 52560;
constexpr int32_t kMuestrasParte = 2016;  // the first two weeks

void EscribirAnio(const fs::path& archivo) {
  TSeriesDeDatos s;
  s.NSeries = 9;
  s.NPuntos = kMuestras;
  s.anio = 2016;
  s.mes = 1;
  s.dia = 1;
  s.periodoHoras = 1.0 / 6.0;
  s.pasosPorCiclo = 144;
  for (const char* n : {"vel", "dir", "PE", "temp", "pre", "hum", "CGM", "disp", "varvel"}) {
    s.nombres.push_back(n);
    s.tipos.push_back(SALIDA);
    s.series.emplace_back(kMuestras);
  }
  std::mt19937 gen(2016);
  std::weibull_distribution<double> vel(2.0, 8.0);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int32_t k = 1; k <= kMuestras; ++k) {
    const double v = vel(gen);
    const double p = std::clamp(100 / (1 + std::exp(-0.7 * (v - 9))) - 2 + 2 * u(gen), 0.0, 100.0);
    const int32_t dia = (k - 1) / 144, paso = (k - 1) % 144;
    // One restriction afternoon a week, the farm held at 40 MW.
    const bool restringida = dia % 7 == 3 && paso >= 84 && paso < 108;
    s.series[0][k] = v;
    s.series[1][k] = 360.0 * u(gen);
    s.series[2][k] = restringida ? std::min(p, 40.0 + u(gen)) : p;
    s.series[3][k] = 10 + 15 * u(gen);
    s.series[4][k] = 990 + 30 * u(gen);
    s.series[5][k] = 40 + 50 * u(gen);
    s.series[6][k] = restringida ? 40.0 : 100.0;
    s.series[7][k] = 100.0;
    s.series[8][k] = 0.5 * u(gen);
  }
  s.CalcularInicio();
  s.Grabar(archivo);
}

struct Entorno {
  fs::path carpeta, archivo;
  std::shared_ptr<TParque_ModeloTeorico> mt;
  std::unique_ptr<TParque_ModeloCombinado> mc;
};

Entorno& Preparar() {
  static Entorno e = [] {
    Entorno r;
    r.carpeta = fs::temp_directory_path() / ("aeronda_bench_serie_" + std::to_string(::getpid()));
    fs::remove_all(r.carpeta);
    fs::create_directories(r.carpeta);
    std::ostringstream consola;
    IniciarUcarpetascentrales(TRaicesCarpetas{r.carpeta / "basura", std::nullopt}, consola);
    r.archivo = r.carpeta / "anio.sas";
    EscribirAnio(r.archivo);
    r.mt = ParqueDeReferencia(10);
    r.mt->central = 88;
    std::streambuf* antes = std::cout.rdbuf(consola.rdbuf());
    r.mc = TParque_ModeloCombinado::CreateConModelos(r.mt, EmpiricoDeReferencia(r.mt.get(), true));
    std::cout.rdbuf(antes);
    static fs::path borrar = r.carpeta;
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(borrar, ec);
    });
    return r;
  }();
  return e;
}

// Seconds of the series processing of the first `muestras` samples of the year, with the
// given kernel and threads.
double Correr(Entorno& e, int32_t muestras, TNucleoMarcha nucleo, int32_t hilos) {
  const TNucleoMarcha antes = NucleoMarcha();
  FijarNucleoMarcha(nucleo);
  FijarNumeroDeHilos(hilos);
  const TDateTime desde = EncodeDate(2016, 1, 1);
  const TDateTime hasta = desde + (muestras - 1) / 144.0;
  TDAofRecsEnergiaPorFecha energias;
  std::ostringstream nulo;
  std::streambuf* coutAntes = std::cout.rdbuf(nulo.rdbuf());
  const auto t0 = Reloj::now();
  ProcesarSeriesConModeloCombinado(*e.mc, e.archivo, e.carpeta, false, desde, hasta, desde, hasta,
                                   1.0, energias, 3, true, false, true, nullptr);
  const double s = std::chrono::duration<double>(Reloj::now() - t0).count();
  std::cout.rdbuf(coutAntes);
  FijarNumeroDeHilos(0);
  FijarNucleoMarcha(antes);
  return s;
}

void BM_SerieAnio(benchmark::State& state) {
  Entorno& e = Preparar();
  const TNucleoMarcha rapido = NucleoMarcha();
  double anio = 0, baseParte = 0, rapidoParte = 0;
  for (auto _ : state) {
    anio = Correr(e, kMuestras, rapido, 0);
    baseParte = Correr(e, kMuestrasParte, TNucleoMarcha::Referencia, 1);
    rapidoParte = Correr(e, kMuestrasParte, rapido, 0);
  }
  const double baseAnio = baseParte * kMuestras / kMuestrasParte;
  state.counters["s_anio"] = anio;
  state.counters["s_base_parte"] = baseParte;
  state.counters["s_rapido_parte"] = rapidoParte;
  state.counters["s_base_anio"] = baseAnio;
  state.counters["anio/base"] = baseAnio / anio;
  state.counters["parte/base"] = baseParte / rapidoParte;
  state.counters["hilos"] = NumeroDeHilos();
  state.counters["muestras"] = kMuestras;
  state.SetLabel(std::string("nucleo ") + NombreNucleoMarcha(rapido));
}
BENCHMARK(BM_SerieAnio)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

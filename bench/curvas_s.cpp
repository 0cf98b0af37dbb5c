// Fitting the S-curve of one direction sector: 3,000 noisy samples of a known curve, fitted
// from the usual start (Pmax = PAut, DeltaP = 0). Argument 0: the curve passes the cap
// (Pmax 62, DeltaP 1, PAut 50), the constraint stays inactive and one descent decides.
// Argument 1: the samples never reach the cap (Pmax 45), the constraint binds and the
// multiplier iterations run.
//
// Reported counters:
//  * BM_AjustarCurvaS: ajustes_por_s (fits per second), evaluaciones_por_ajuste and
//    gradientes_por_ajuste (objective values and gradients the solver asked for), and
//    ratio = time of one fit divided by evaluaciones_por_ajuste times the time of one plain
//    mean-squared-error loop over raw arrays, timed in the same run (target: a small factor
//    above 1; the gradient passes and the solver's own work are the rest);
//  * BM_EvaluarObjetivo: ratio = T_fobjetivo::Evaluar over the plain loop on the same data
//    (target: about 1, no per-sample overhead).
// The fits append their multiplier-estimation records to a log in the current directory, so
// the program runs in a scratch folder of its own.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "estimator/uproblemacurvas.h"

namespace {

using reloj = std::chrono::steady_clock;

constexpr int kMuestras = 3000;
constexpr double kPAut = 50.0;

struct Datos {
  TVectR v, P;
  std::vector<double> vr, Pr;
};

Datos Generar(double Pmax) {
  Datos r{TVectR(kMuestras), TVectR(kMuestras), {}, {}};
  std::mt19937 gen(17);
  std::uniform_real_distribution<double> vel(1.0, 22.0);
  std::normal_distribution<double> ruido(0.0, 1.5);
  for (int i = 1; i <= kMuestras; ++i) {
    r.v[i] = vel(gen);
    r.P[i] = CurvaSAcotada(r.v[i], Pmax, 1.0, 0.9, 8.5, kPAut) + ruido(gen);
    r.vr.push_back(r.v[i]);
    r.Pr.push_back(r.P[i]);
  }
  return r;
}

const Datos& Sector(int64_t caso) {
  static const Datos conTope = Generar(62.0);
  static const Datos bajoTope = Generar(45.0);
  return caso == 0 ? conTope : bajoTope;
}

// The mean squared error written directly on contiguous arrays.
double ErrorPlano(const std::vector<double>& v, const std::vector<double>& P, const double* x) {
  double s = 0.0;
  for (size_t i = 0; i < v.size(); ++i) {
    double c = x[0] / (1.0 + std::exp(-x[2] * (v[i] - x[3]))) - x[1];
    if (c >= kPAut) c = kPAut;
    const double d = c - P[i];
    s += d * d;
  }
  return s / static_cast<double>(v.size());
}

double SegundosPorErrorPlano(const Datos& d) {
  const double x[4] = {kPAut, 0.0, 0.5, 9.0};
  double acum = 0.0;
  const int veces = 400;
  const auto t0 = reloj::now();
  for (int k = 0; k < veces; ++k) {
    acum += ErrorPlano(d.vr, d.Pr, x);
    benchmark::DoNotOptimize(acum);
  }
  return std::chrono::duration<double>(reloj::now() - t0).count() / veces;
}

class ObjetivoContado : public T_fobjetivo {
 public:
  using T_fobjetivo::T_fobjetivo;
  mutable long evaluaciones = 0;
  mutable long gradientes = 0;
  NReal Evaluar(const TVectR& x) const override {
    ++evaluaciones;
    return T_fobjetivo::Evaluar(x);
  }
  void AcumularGradiente(TVectR& g, const TVectR& x) const override {
    ++gradientes;
    T_fobjetivo::AcumularGradiente(g, x);
  }
};

void BM_AjustarCurvaS(benchmark::State& state) {
  const Datos& d = Sector(state.range(0));
  const double tPlano = SegundosPorErrorPlano(d);
  long evaluaciones = 0, gradientes = 0, ajustes = 0;
  double tAjustes = 0.0;
  for (auto _ : state) {
    const auto t0 = reloj::now();
    TProblema_CurvaS p(nullptr, d.v, d.P, kPAut);
    auto obj = std::make_unique<ObjetivoContado>(d.v, d.P, kPAut);
    ObjetivoContado* contado = obj.get();
    p.FijarObjetivo(std::move(obj));
    double alfa = 0.5, vm = 9.0, Pmax = kPAut, DeltaP = 0.0, f = 0, L = 0, viol = 0;
    benchmark::DoNotOptimize(p.Ajustar(alfa, vm, Pmax, DeltaP, f, L, viol));
    benchmark::DoNotOptimize(f);
    tAjustes += std::chrono::duration<double>(reloj::now() - t0).count();
    evaluaciones += contado->evaluaciones;
    gradientes += contado->gradientes;
    ++ajustes;
  }
  const double porAjuste = static_cast<double>(evaluaciones) / static_cast<double>(ajustes);
  state.counters["ajustes_por_s"] = benchmark::Counter(static_cast<double>(ajustes),
                                                       benchmark::Counter::kIsRate);
  state.counters["evaluaciones_por_ajuste"] = porAjuste;
  state.counters["gradientes_por_ajuste"] =
      static_cast<double>(gradientes) / static_cast<double>(ajustes);
  state.counters["ratio"] = (tAjustes / static_cast<double>(ajustes)) / (porAjuste * tPlano);
}
BENCHMARK(BM_AjustarCurvaS)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_EvaluarObjetivo(benchmark::State& state) {
  const Datos& d = Sector(0);
  const T_fobjetivo obj(d.v, d.P, kPAut);
  TVectR x(4);
  x[1] = kPAut;
  x[3] = 0.5;
  x[4] = 9.0;
  const double xr[4] = {kPAut, 0.0, 0.5, 9.0};
  double tObj = 0.0, tPlano = 0.0;
  for (auto _ : state) {
    auto t0 = reloj::now();
    benchmark::DoNotOptimize(obj.Evaluar(x));
    auto t1 = reloj::now();
    benchmark::DoNotOptimize(ErrorPlano(d.vr, d.Pr, xr));
    auto t2 = reloj::now();
    tObj += std::chrono::duration<double>(t1 - t0).count();
    tPlano += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["ratio"] = tObj / tPlano;
}
BENCHMARK(BM_EvaluarObjetivo)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path anterior = fs::current_path();
  const fs::path carpeta =
      fs::temp_directory_path() / ("aeronda_bench_curvas_s_" + std::to_string(::getpid()));
  fs::create_directories(carpeta);
  fs::current_path(carpeta);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::current_path(anterior);
  fs::remove_all(carpeta);
  return 0;
}

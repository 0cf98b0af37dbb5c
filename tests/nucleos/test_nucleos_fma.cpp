// The row step of the wake march with the kernels' file built as a careless build would build
// it: the compiler's own contraction of products into sums, and FMA allowed everywhere (see
// tests/CMakeLists.txt). This file is built with the project's flags, so its plain loop rounds
// every product and every sum; each kernel must still give its bits, on every row length and
// on rows of any content.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "estimator/uparques_modeloteorico_nucleos.h"

namespace {

void PasoSimple(std::vector<double>& d, const std::vector<double>& o, int32_t nc, double cL,
                double cC, double uR, double b) {
  for (int32_t j = 1; j < nc - 1; ++j) {
    const size_t k = static_cast<size_t>(j);
    d[k] = (cL * (o[k - 1] + o[k + 1]) + cC * o[k]) * uR + b;
  }
}

TEST(NucleosSinFMA, PasoDeFilaIgualAlBucleSimple) {
  // The kernels' object code has FMA in it: a processor without FMA cannot run even the
  // portable one.
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("fma")) GTEST_SKIP() << "el procesador no tiene FMA";
  using Paso = void (*)(NReal*, const NReal*, int32_t, NReal, NReal, NReal, NReal);
  struct Ancho {
    const char* nombre;
    bool disponible;
    Paso paso;
  } anchos[] = {
      {"Portable", true, nucleos_marcha::PropagarInteriorPortable},
      {"AVX2", nucleos_marcha::CPUTieneAVX2(), nucleos_marcha::PropagarInteriorAVX2},
      {"AVX512", nucleos_marcha::CPUTieneAVX512(), nucleos_marcha::PropagarInteriorAVX512},
  };
  uint64_t semilla = 2024;
  auto aleatorio = [&] {
    semilla = semilla * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(semilla >> 11) / 9007199254740992.0;
  };
  // A fused multiply-add differs from the two roundings in about one cell in four of such
  // rows: 500 rows of 2 to 120 cells (every end of row of the 4- and 8-wide steps) show any
  // fused step many times over.
  for (const Ancho& a : anchos) {
    if (!a.disponible) continue;
    SCOPED_TRACE(a.nombre);
    int distintas = 0;
    for (int fila = 0; fila < 500; ++fila) {
      const int32_t nc = 2 + fila % 119;
      const double cL = 0.05 * aleatorio(), cC = 1 - 2 * cL, uR = 0.99 + 0.01 * aleatorio(),
                   b = 1e-6 * aleatorio();
      std::vector<double> o(static_cast<size_t>(nc));
      for (double& x : o) x = 1e-4 * (0.2 + aleatorio());
      std::vector<double> esperado(static_cast<size_t>(nc), -7.0), d = esperado;
      PasoSimple(esperado, o, nc, cL, cC, uR, b);
      a.paso(d.data(), o.data(), nc, cL, cC, uR, b);
      for (size_t j = 0; j < d.size(); ++j)
        if (std::bit_cast<uint64_t>(d[j]) != std::bit_cast<uint64_t>(esperado[j])) {
          if (distintas == 0)
            ADD_FAILURE() << "fila de " << nc << " celdas, celda " << j << ": " << d[j]
                          << " en lugar de " << esperado[j];
          ++distintas;
          break;
        }
    }
    EXPECT_EQ(distintas, 0) << "filas distintas de 500";
  }
}

}  // namespace

#include "estimator/uparques_modeloteorico_nucleos.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define AERONDA_X86 1
#endif

// FMA rounds once where the reference rounds twice: no product in this file may be fused with a
// sum, whatever flags the file is built with (g++ fuses by default, and avx512f brings FMA with
// it), or the kernels lose the reference's bits.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

namespace nucleos_marcha {

void PropagarInteriorPortable(NReal* __restrict d, const NReal* __restrict o, int32_t nc, NReal cL,
                              NReal cC, NReal uR, NReal b) {
  for (int32_t j = 1; j < nc - 1; ++j) d[j] = (cL * (o[j - 1] + o[j + 1]) + cC * o[j]) * uR + b;
}

#ifdef AERONDA_X86

// The wide versions are compiled for their instruction sets here only, and called only after
// the processor was asked. Products and sums stay separate even where the instruction set has
// FMA: the pragma above keeps the compiler from fusing them.

__attribute__((target("avx2"))) void PropagarInteriorAVX2(NReal* __restrict d,
                                                          const NReal* __restrict o, int32_t nc,
                                                          NReal cL, NReal cC, NReal uR, NReal b) {
  const __m256d vL = _mm256_set1_pd(cL), vC = _mm256_set1_pd(cC), vR = _mm256_set1_pd(uR),
                vB = _mm256_set1_pd(b);
  int32_t j = 1;
  for (; j + 4 <= nc - 1; j += 4) {
    const __m256d izq = _mm256_loadu_pd(o + j - 1);
    const __m256d cen = _mm256_loadu_pd(o + j);
    const __m256d der = _mm256_loadu_pd(o + j + 1);
    const __m256d lat = _mm256_mul_pd(vL, _mm256_add_pd(izq, der));
    const __m256d suma = _mm256_add_pd(lat, _mm256_mul_pd(vC, cen));
    _mm256_storeu_pd(d + j, _mm256_add_pd(_mm256_mul_pd(suma, vR), vB));
  }
  for (; j < nc - 1; ++j) d[j] = (cL * (o[j - 1] + o[j + 1]) + cC * o[j]) * uR + b;
}

__attribute__((target("avx512f"))) void PropagarInteriorAVX512(NReal* __restrict d,
                                                               const NReal* __restrict o,
                                                               int32_t nc, NReal cL, NReal cC,
                                                               NReal uR, NReal b) {
  const __m512d vL = _mm512_set1_pd(cL), vC = _mm512_set1_pd(cC), vR = _mm512_set1_pd(uR),
                vB = _mm512_set1_pd(b);
  int32_t j = 1;
  for (; j + 8 <= nc - 1; j += 8) {
    const __m512d izq = _mm512_loadu_pd(o + j - 1);
    const __m512d cen = _mm512_loadu_pd(o + j);
    const __m512d der = _mm512_loadu_pd(o + j + 1);
    const __m512d lat = _mm512_mul_pd(vL, _mm512_add_pd(izq, der));
    const __m512d suma = _mm512_add_pd(lat, _mm512_mul_pd(vC, cen));
    _mm512_storeu_pd(d + j, _mm512_add_pd(_mm512_mul_pd(suma, vR), vB));
  }
  // The last cells with a mask, so that no row falls back to one cell at a time.
  const int32_t resto = nc - 1 - j;
  if (resto > 0) {
    const __mmask8 m = static_cast<__mmask8>((1u << resto) - 1u);
    const __m512d izq = _mm512_maskz_loadu_pd(m, o + j - 1);
    const __m512d cen = _mm512_maskz_loadu_pd(m, o + j);
    const __m512d der = _mm512_maskz_loadu_pd(m, o + j + 1);
    const __m512d lat = _mm512_mul_pd(vL, _mm512_add_pd(izq, der));
    const __m512d suma = _mm512_add_pd(lat, _mm512_mul_pd(vC, cen));
    _mm512_mask_storeu_pd(d + j, m, _mm512_add_pd(_mm512_mul_pd(suma, vR), vB));
  }
}

bool CPUTieneAVX2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

bool CPUTieneAVX512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f");
}

#else

void PropagarInteriorAVX2(NReal* __restrict d, const NReal* __restrict o, int32_t nc, NReal cL,
                          NReal cC, NReal uR, NReal b) {
  PropagarInteriorPortable(d, o, nc, cL, cC, uR, b);
}
void PropagarInteriorAVX512(NReal* __restrict d, const NReal* __restrict o, int32_t nc, NReal cL,
                            NReal cC, NReal uR, NReal b) {
  PropagarInteriorPortable(d, o, nc, cL, cC, uR, b);
}
bool CPUTieneAVX2() { return false; }
bool CPUTieneAVX512() { return false; }

#endif

}  // namespace nucleos_marcha

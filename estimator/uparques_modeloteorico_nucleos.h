// The row step of the wake march in the widths the processor may offer. Every version computes,
// for j = 1 .. nc - 2,
//   d[j] = (cL * (o[j - 1] + o[j + 1]) + cC * o[j]) * uR + b
// with these operations in this order and nothing fused, so all give the same bits.
#pragma once

#include <cstdint>

#include "numerics/xmatdefs.h"

namespace nucleos_marcha {

void PropagarInteriorPortable(NReal* __restrict d, const NReal* __restrict o, int32_t nc, NReal cL,
                              NReal cC, NReal uR, NReal b);
// Only on a processor that has AVX2 (CPUTieneAVX2) or AVX-512F (CPUTieneAVX512).
void PropagarInteriorAVX2(NReal* __restrict d, const NReal* __restrict o, int32_t nc, NReal cL,
                          NReal cC, NReal uR, NReal b);
void PropagarInteriorAVX512(NReal* __restrict d, const NReal* __restrict o, int32_t nc, NReal cL,
                            NReal cC, NReal uR, NReal b);

bool CPUTieneAVX2();
bool CPUTieneAVX512();

}  // namespace nucleos_marcha

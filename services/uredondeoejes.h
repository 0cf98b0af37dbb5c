// Axis scaling: floor and ceiling into 64-bit integers, base-10 logarithm and power, and the
// choice of a "nice" axis step m * 10^e with m in {1, 2, 5}.
#pragma once

#include <cstdint>

#include "numerics/xmatdefs.h"

// ln 10 as a 64-bit real (2.302585092994046).
extern const NReal LnDiez;

// Largest integer <= x, and smallest integer >= x. x must be finite and within 64 bits, else
// EErrorGeneral (the checked Trunc).
int64_t PisoEntero(NReal x);
int64_t TechoEntero(NReal x);
// ln(x) / LnDiez and exp(LnDiez * x); the power is not an exact power of ten
// (PotenciaDiez(-1) is 0.1 only to within an ulp or so).
NReal LogDiez(NReal x);
NReal PotenciaDiez(NReal x);

// Chooses the axis step for the data range [min, max] (swapped when reversed) asking for
// about nDiv divisions:
//  modo 1: the smallest step whose multiples cover the range, limits widened outward to
//          multiples of the step;
//  any other modo: the largest step that fits nDiv times in the range, limits narrowed inward.
// Writes back the limits, the step and the achieved number of divisions, which may be larger
// or smaller than asked. An empty range is widened first: [0, 0] to [0, 1e-10] and [v, v] to
// [v, 1.1 v] (swapped when v < 0). A request of fewer than 1 division is taken as 1. Limits
// that are not finite raise EErrorGeneral.
void RedondearEscalaEje(NReal& min, NReal& max, NReal& paso, int32_t& nDiv, int32_t modo);

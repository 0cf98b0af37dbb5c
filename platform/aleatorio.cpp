#include "platform/aleatorio.h"

#include "platform/fechas.h"

namespace {
uint32_t estado = 0;
uint32_t semillaFija = 0;
}  // namespace

int32_t RandSeed() { return static_cast<int32_t>(estado); }

void RandSeed(int32_t semilla) { estado = static_cast<uint32_t>(semilla); }

void Randomize() { estado = semillaFija != 0 ? semillaFija : GetTickCount(); }

void FijarSemillaDeRandomize(uint32_t semilla) { semillaFija = semilla; }

double Random() {
  // Unsigned arithmetic wraps modulo 2^32 by definition: no overflow to worry about.
  estado = estado * 134775813u + 1u;
  return static_cast<double>(estado) * (1.0 / 4294967296.0);
}

int32_t Random(int32_t rango) {
  Random();
  if (rango <= 0) return 0;
  // Trunc(state / 2^32 * rango) in whole numbers: the product has up to 63 bits, and in a
  // double it could round up to the next integer. state < 2^32, so the result is below rango.
  return static_cast<int32_t>((static_cast<uint64_t>(estado) * static_cast<uint64_t>(rango)) >> 32);
}

#include "platform/aleatorio.h"

#include "platform/fechas.h"

namespace {
uint32_t estado = 0;
}  // namespace

int32_t RandSeed() { return static_cast<int32_t>(estado); }

void RandSeed(int32_t semilla) { estado = static_cast<uint32_t>(semilla); }

void Randomize() { estado = GetTickCount(); }

double Random() {
  // Unsigned arithmetic wraps modulo 2^32 by definition: no overflow to worry about.
  estado = estado * 134775813u + 1u;
  return static_cast<double>(estado) * (1.0 / 4294967296.0);
}

int32_t Random(int32_t rango) {
  const double u = Random();
  if (rango <= 0) return 0;
  // u < 1 and rango < 2^31, so the product is below rango and truncates into [0, rango).
  return static_cast<int32_t>(u * static_cast<double>(rango));
}

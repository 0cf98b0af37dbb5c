#include "platform/redondeo.h"

#include <cmath>
#include <string>

#include "platform/errores.h"

namespace {

// 2^63: the first double that no longer fits in int64_t. Every double below it in magnitude and
// at least -2^63 converts exactly after truncation.
constexpr double kDos63 = 9223372036854775808.0;
constexpr double kDos31 = 2147483648.0;

[[noreturn]] void OperacionInvalida(const char* quien, double x) {
  std::string msg = std::string("Operación de punto flotante inválida en ") + quien;
  if (std::isnan(x)) {
    msg += ": NaN";
  } else if (std::isinf(x)) {
    msg += x > 0 ? ": +Inf" : ": -Inf";
  } else {
    msg += ": valor fuera de rango";
  }
  throw EErrorGeneral(msg);
}

int64_t A64(const char* quien, double t, double x) {
  if (!(t >= -kDos63 && t < kDos63)) OperacionInvalida(quien, x);
  return static_cast<int64_t>(t);
}

int32_t A32(const char* quien, double t, double x) {
  if (!(t >= -kDos31 && t < kDos31)) OperacionInvalida(quien, x);
  return static_cast<int32_t>(t);
}

}  // namespace

int64_t Trunc(double x) { return A64("Trunc", std::trunc(x), x); }
// nearbyint in the default rounding mode rounds half to even, as the run-time's Round.
int64_t Round(double x) { return A64("Round", std::nearbyint(x), x); }
int32_t Trunc32(double x) { return A32("Trunc", std::trunc(x), x); }
int32_t Round32(double x) { return A32("Round", std::nearbyint(x), x); }

#include "services/uescalacolores.h"

#include <cmath>

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

long double Frac(long double y) { return y - std::trunc(y); }

// Nearest of 0..255, half to even (the default rounding mode).
int Canal(long double c) {
  const long double v = std::nearbyint(255.0L * c);
  return v <= 0 ? 0 : (v >= 255 ? 255 : static_cast<int>(v));
}

}  // namespace

// The arithmetic is carried in extended precision, with t and g rounded to doubles where the
// ramp's definition stores them.
TColor TEscalaColor::ColorDeValor(NReal x) const {
  NReal t = Normalizar(x);
  if (std::isnan(t)) {
    t = 0;  // no position on the ramp: its start
  } else if (t < 0) {
    t = 0;
  } else if (t > 1) {
    t = 1;
  }
  const long double tl = t;
  const NReal g = static_cast<NReal>(tl + std::sin(4 * kPi * tl) / (4 * kPi) / 1.5L);
  long k = static_cast<long>(std::trunc(4.0L * g));
  if (k > 3) k = 3;
  if (k < 0) k = 0;
  const long double gl = g;
  long double r = 0, v = 0, a = 0;
  switch (k) {
    case 0:
      r = 0;
      v = 4 * Frac(gl);
      a = 1;
      break;
    case 1:
      r = 0;
      v = 1;
      a = 1 - 4 * Frac(gl - 0.25L);
      break;
    case 2:
      r = 4 * Frac(gl - 0.5L);
      v = 1;
      a = 0;
      break;
    default:
      r = 1;
      v = 1 - 4 * Frac(gl - 0.75L);
      a = 0;
      break;
  }
  return RGBAColor(Canal(r), Canal(v), Canal(a));
}

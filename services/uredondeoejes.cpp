#include "services/uredondeoejes.h"

#include <cmath>
#include <utility>

#include "platform/redondeo.h"

const NReal LnDiez = 2.302585092994045684017991454684364;

int64_t PisoEntero(NReal x) {
  const int64_t t = Trunc(x);
  if (x == static_cast<NReal>(t) || x > 0) return t;
  return t - 1;
}

int64_t TechoEntero(NReal x) {
  const int64_t t = Trunc(x);
  if (x != static_cast<NReal>(t) && x > 0) return t + 1;
  return t;
}

NReal LogDiez(NReal x) { return std::log(x) / LnDiez; }

NReal PotenciaDiez(NReal x) { return std::exp(LnDiez * x); }

void RedondearEscalaEje(NReal& min, NReal& max, NReal& paso, int32_t& nDiv, int32_t modo) {
  if (min > max) std::swap(min, max);
  if (max - min < 1e-32) {
    if (std::fabs(min) <= 1e-10) {
      max = 1e-10;
    } else {
      max = min * 1.1;
    }
    if (min > max) std::swap(min, max);
  }
  // log10 of 0 or of a negative count has no step; one division is the least request.
  const int32_t pedidas = nDiv < 1 ? 1 : nDiv;
  const NReal L = LogDiez(max - min);
  const NReal mantisas[3] = {1, 2, 5};
  NReal a[3];
  for (int k = 0; k < 3; ++k) a[k] = LogDiez(mantisas[k] * pedidas);

  int kElegido = 0;
  int64_t eElegido = 0;
  if (modo == 1) {
    NReal mejor = 1e30;
    for (int k = 0; k < 3; ++k) {
      const int64_t e = TechoEntero(L - a[k]);
      if (static_cast<NReal>(e) + a[k] < mejor) {
        mejor = static_cast<NReal>(e) + a[k];
        kElegido = k;
        eElegido = e;
      }
    }
  } else {
    NReal mejor = -1e30;
    for (int k = 0; k < 3; ++k) {
      const int64_t e = PisoEntero(L - a[k]);
      if (static_cast<NReal>(e) + a[k] > mejor) {
        mejor = static_cast<NReal>(e) + a[k];
        kElegido = k;
        eElegido = e;
      }
    }
  }
  const NReal p = PotenciaDiez(static_cast<NReal>(eElegido)) * mantisas[kElegido];
  int64_t lo, hi;
  if (modo == 1) {
    lo = PisoEntero(min / p);
    hi = TechoEntero(max / p);
  } else {
    lo = TechoEntero(min / p);
    hi = PisoEntero(max / p);
  }
  nDiv = static_cast<int32_t>(hi - lo);
  min = static_cast<NReal>(lo) * p;
  max = static_cast<NReal>(hi) * p;
  paso = p;
}

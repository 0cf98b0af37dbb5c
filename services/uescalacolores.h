// A value-to-colour scale: a continuous ramp blue - cyan - green - yellow - red over [min, max],
// warped so that the cyan and yellow bands are wider than the others.
#pragma once

#include "numerics/xmatdefs.h"
#include "platform/lienzo.h"

class TEscalaColor {
 public:
  // The two values are not compared: max < min gives a reversed ramp.
  TEscalaColor(NReal min_, NReal max_) : min(min_), rango(max_ - min_) {}
  virtual ~TEscalaColor() = default;

  // (x - min) / rango, not clamped.
  NReal Normalizar(NReal x) const { return (x - min) / rango; }

  // The ramp's colour at x as R + 256 G + 65536 B. Values at or below min give blue
  // (0, 0, 255), at or above min + rango red (255, 0, 0). With t = Normalizar(x) clamped to
  // [0, 1], the ramp position is g = t + sin(4 pi t) / (4 pi) / 1.5, which rises monotonically
  // and passes through 1/4, 1/2, 3/4 at t = 1/4, 1/2, 3/4; each quarter of g runs linearly
  // between two of the five stops, and every channel is rounded to the nearest of 0..255, half
  // to even. A NaN position (x NaN, or x = min on a scale of zero width) is taken as t = 0.
  virtual TColor ColorDeValor(NReal x) const;

  NReal min;
  NReal rango;
};

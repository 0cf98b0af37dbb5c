#!/usr/bin/env python3
"""Reference colours of the value-to-colour ramp (blue, cyan, green, yellow, red) on [4, 10].

Writes tests/fixtures/escala_color_ref.txt: one line per value, "x<TAB>R<TAB>G<TAB>B" with x
written with repr() (exact round trip) and the channels 0..255. Computed here from the ramp's
closed form, in double precision (the C++ code carries extended precision between its two
stored reals), so a channel may differ by 1 where 255*c lies within ~1e-13 of a half; the test
allows that difference and no other.

  t = clamp((x - 4) / 6, 0, 1)
  g = t + sin(4 pi t) / (4 pi) / 1.5
  k = min(trunc(4 g), 3); each quarter of g runs linearly between two stops:
  k=0 (0, 4f, 1)  k=1 (0, 1, 1-4f)  k=2 (4f, 1, 0)  k=3 (1, 1-4f, 0), f = g - k/4
  channel = round(255 c), half to even (Python's round)
"""
import math
import os

MIN, MAX = 4.0, 10.0


def color(x):
    t = (x - MIN) / (MAX - MIN)
    t = min(max(t, 0.0), 1.0)
    g = t + math.sin(4 * math.pi * t) / (4 * math.pi) / 1.5
    k = min(int(4 * g), 3)
    f = g - k / 4
    r, v, a = [(0, 4 * f, 1), (0, 1, 1 - 4 * f), (4 * f, 1, 0), (1, 1 - 4 * f, 0)][k]
    return tuple(min(max(round(255 * c), 0), 255) for c in (r, v, a))


valores = [3.0, 4.0, 10.0, 11.0, -1e9, 1e9]
valores += [MIN + (MAX - MIN) * i / 240 for i in range(241)]
valores += [4.6, 5.5, 6.5, 7.0, 7.5, 8.5, 9.4]

salida = os.path.join(os.path.dirname(__file__), "..", "fixtures", "escala_color_ref.txt")
with open(salida, "w", newline="\n") as f:
    for x in valores:
        r, v, a = color(x)
        f.write(f"{x!r}\t{r}\t{v}\t{a}\n")

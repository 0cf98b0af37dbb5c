#!/usr/bin/env python3
"""Reference nice-number axis scales.

Writes tests/fixtures/redondeo_ejes_ref.txt: one line per case, tab-separated
"min max nDiv modo  minR maxR paso nDivR", reals as float.hex() (exact round trip). Written
here from the statement of the rounding, not from the C++ code: the step is m * 10^e with m in
(1, 2, 5); modo 1 takes the smallest step whose nDiv multiples cover [min, max] (limits widened
outward to multiples of the step), any other modo the largest step that fits nDiv times inside
(limits narrowed inward). log10 is ln(x) / ln 10 and 10^e is exp(ln 10 * e), both in double
precision, as the program computes them, so the C++ results must agree bit for bit.
"""
import math
import os
import random

LN10 = 2.302585092994046


def piso(x):
    t = int(x)
    return t if (x == t or x > 0) else t - 1


def techo(x):
    t = int(x)
    return t + 1 if (x != t and x > 0) else t


def log10(x):
    return math.log(x) / LN10


def pot10(x):
    return math.exp(LN10 * x)


def redondear(mn, mx, ndiv, modo):
    if mn > mx:
        mn, mx = mx, mn
    if mx - mn < 1e-32:
        mx = 1e-10 if abs(mn) <= 1e-10 else mn * 1.1
        if mn > mx:
            mn, mx = mx, mn
    L = log10(mx - mn)
    ms = (1, 2, 5)
    a = [log10(m * ndiv) for m in ms]
    if modo == 1:
        mejor, kk, ee = 1e30, 0, 0
        for k in range(3):
            e = techo(L - a[k])
            if e + a[k] < mejor:
                mejor, kk, ee = e + a[k], k, e
    else:
        mejor, kk, ee = -1e30, 0, 0
        for k in range(3):
            e = piso(L - a[k])
            if e + a[k] > mejor:
                mejor, kk, ee = e + a[k], k, e
    paso = pot10(float(ee)) * ms[kk]
    if modo == 1:
        lo, hi = piso(mn / paso), techo(mx / paso)
    else:
        lo, hi = techo(mn / paso), piso(mx / paso)
    return lo * paso, hi * paso, paso, hi - lo


casos = [(0.0, 7.3, 10, 1), (0.0, 7.3, 10, 0), (-3.2, 41.7, 10, 1), (-3.2, 41.7, 10, 0),
         (0.0, 23.0, 8, 1), (0.0, 0.0, 10, 1), (5.0, 5.0, 10, 1), (-2.0, -2.0, 10, 1),
         (41.7, -3.2, 10, 1), (42000.0, 42030.0, 10, 0), (0.0, 100.0, 10, 0),
         (1e-7, 3e-7, 10, 1), (-1e6, 2.5e6, 5, 1)]
azar = random.Random(20261210)
for _ in range(60):
    escala = 10.0 ** azar.randint(-6, 6)
    a = azar.uniform(-1, 1) * escala
    b = a + azar.uniform(0.001, 3) * escala
    casos.append((a, b, azar.choice([3, 4, 5, 8, 10, 12, 20]), azar.choice([0, 1])))

salida = os.path.join(os.path.dirname(__file__), "..", "fixtures", "redondeo_ejes_ref.txt")
with open(salida, "w", newline="\n") as f:
    for mn, mx, nd, modo in casos:
        r = redondear(mn, mx, nd, modo)
        f.write("\t".join([mn.hex(), mx.hex(), str(nd), str(modo), r[0].hex(), r[1].hex(),
                           r[2].hex(), str(r[3])]) + "\n")

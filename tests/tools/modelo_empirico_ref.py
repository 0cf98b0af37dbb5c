#!/usr/bin/env python3
"""Reference values of the empirical model's two power evaluations on the fixture model of
me_version2_lf.txt (2 direction sectors, 2 bins; see modelo_empirico_texto.py), written to
tests/fixtures/modelo_empirico_ref.txt.

Each line: angulo pv3 rho varVel cnt potenciaRepresentantes potenciaCurvaS, as Python reprs
(shortest round-trip text). The formulas are transcribed here from their definitions, not from
the C++: sectors around a direction with weights, the real index of a value in the ascending bin
centres (linear extrapolation outside), the cubic Hermite on the representatives with the bins'
slopes as tangents, the validity rules (fewer than 10 samples on a node or in a weighted sector),
the speed of a power density exp(ln(p / (0.5 rho) 1e6) / 3), the variance-corrected speed
(v itself without a coefficient, a negative variance as 0) and the S-curve cut to the authorised
power of 50 MW. Agreement expected to about 1e-12 relative (different order of operations).

Run: python3 tests/tools/modelo_empirico_ref.py   (standard library only)
"""
import math
import os

FIXTURES = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "fixtures")
EPS = 2.0 ** -52
PAUT = 50.0

CNT = [[12.0, 30.0], [-1.0, 11.0]]
B = [[1000.0, 2000.0], [0.0, 1500.0]]
CENTROS = [0.00025, 0.00125]
P = [[0.75, 1.25], [0.0, 3.875]]
ALFA = [0.75, -1.0]
VM = [9.5, -1.0]
PMAX = [55.0, -1.0]
DELTAP = [0.5, -1.0]
ALFA_VARVEL = [0.125, 0.0]
NS, NT = 2, 2


def sectores(angulo):
    angulo = angulo % 360.0
    x = NS * angulo / 360.0
    t = int(x)
    k1 = t % NS  # 0-based
    k2 = (k1 + 1) % NS
    peso2 = x - t
    return k1, k2, 1.0 - peso2, peso2


def indice_real(e, x):
    n = len(e)
    i = next((k for k in range(n - 1) if e[k] >= x), n - 1)  # 0-based
    if i == 0:
        gap = e[1] - e[0]
        return 1 + (x - e[0]) / gap
    gap = e[i] - e[i - 1]
    return i + (x - e[i - 1]) / gap


def hermite(y0, m0, y1, m1, h, t):
    h00 = 2 * t ** 3 - 3 * t ** 2 + 1
    return h00 * y0 + (1 - h00) * y1 + h * (t * (1 - t) ** 2 * m0 - t ** 2 * (1 - t) * m1)


def representantes(angulo, pv3, rho):
    k1, k2, p1, p2 = sectores(angulo)
    pos = indice_real(CENTROS, pv3)
    j = int(pos)
    res = []
    for s in (k1, k2):
        if j < 1:
            c, v = CNT[s][0], P[s][0] + B[s][0] * (pv3 - CENTROS[0])
        elif j >= NT:
            c, v = CNT[s][NT - 1], P[s][NT - 1] + B[s][NT - 1] * (pv3 - CENTROS[NT - 1])
        else:
            t = pos - j
            h = CENTROS[j] - CENTROS[j - 1]
            c0, c1 = CNT[s][j - 1], CNT[s][j]
            if (t < 0.999 and c0 < 10) or (t > 0.001 and c1 < 10):
                c, v = -1.0, 0.0
            else:
                c = (1 - t) * c0 + t * c1
                v = hermite(P[s][j - 1], B[s][j - 1], P[s][j], B[s][j], h, t)
        res.append((c, v))
    (c1, v1), (c2, v2) = res
    if (p1 > 0.001 and c1 < 10) or (p2 > 0.001 and c2 < 10):
        return -1.0, 0.0
    return p1 * c1 + p2 * c2, rho / 1.225 * (p1 * v1 + p2 * v2)


def curva_s(angulo, pv3, rho, varvel):
    k1, k2, p1, p2 = sectores(angulo)
    x = pv3 / (0.5 * rho) * 1e6
    v = 0.0 if x == 0 else math.exp(math.log(x) / 3)
    total = 0.0
    for s, p in ((k1, p1), (k2, p2)):
        ve = v
        if ALFA_VARVEL[s] != 0:
            d = v ** 3 - ALFA_VARVEL[s] * max(varvel, 0.0) ** 1.5
            ve = d ** (1 / 3) if d >= 0 else -((-d) ** (1 / 3))
        total += p * (PMAX[s] / (1 + math.exp(-ALFA[s] * (ve - VM[s]))) - DELTAP[s])
    r = rho / 1.225 * total
    return r if r < PAUT else PAUT


if __name__ == "__main__":
    lineas = []
    for angulo in (0.0, 0.05, 0.5, 45.0, 90.0, 135.0, 179.95, 180.0, 200.0, 359.99, -30.0):
        for pv3 in (0.0, 0.0001, 0.00025, 0.0005, 0.00075, 0.001, 0.00125, 0.0015, 0.003):
            for rho, varvel in ((1.225, 0.0), (1.1, 2.25), (1.3, -99999.0)):
                cnt, pr = representantes(angulo, pv3, rho)
                pc = curva_s(angulo, pv3, rho, varvel)
                lineas.append(" ".join(repr(float(v)) for v in
                                       (angulo, pv3, rho, varvel, cnt, pr, pc)))
    with open(os.path.join(FIXTURES, "modelo_empirico_ref.txt"), "w", newline="\n") as f:
        f.write("\n".join(lineas) + "\n")

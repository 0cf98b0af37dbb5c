#!/usr/bin/env python3
"""Independent reference of the calibrator's objective and of the combined model's ratios.

Written from the description of the algorithms (not from the C++ code) in plain Python, for a
small farm: two turbines, 5 m cells, a 60 m margin, and an empirical model of 4 direction
sectors by 2 wind-power-density bins. Writes two fixtures:

  tests/fixtures/calibrador_chico.clp   the calibrator file of that farm (theoretical-model
                                        text version 3, then empirical-model text version 2),
                                        CRLF, in the exact form the writers produce;
  tests/fixtures/calibrador_ref.txt     lines
      objetivo x1 x2 x3 s          the objective with seed 31 at the parameter point
                                   (level of station-factor column 1, of column 2, loss factor)
      cociente k j pme pmt         empirical and theoretical power at the direction of sector k
                                   and the centre of bin j, for the cells with 10 samples or more
      etha k j valor               the station-factor cell of those same cells: (vj / v*)^3, vj
                                   the speed of the bin centre, v* the mast speed at which the
                                   farm without station factor gives the representative power
                                   (regula falsi between 0 m/s and PAut at 20 m/s, until the
                                   power is within 1 MW)

The objective: 25 wind situations from Knuth's subtractive generator with seed 31 (direction
u*360, then five speeds u*12+3), at each the theoretical farm power at the mast density
(fixed point on the free stream, at most 101 marches, 1 % on the mast), limited by the
authorised power, against the sector S-curves of the empirical model; the sum of the squared
differences. The station factor interpolates the 4 x 2 matrix between the two sectors around
the direction and linearly in the bin position of the density. A column level is written by
scaling the column so that its mean becomes the level (a column of equal values is set to it).

Reals are repr() (exact). The march reproduces the single-precision net power; the power
curve is interpolated in one formula here (the C++ code goes through a fractional index), so
the test compares with a relative tolerance of 1e-9.

Run: python3 tests/tools/calibrador_ref.py   (standard library only)
"""
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from madre_uniforme_ref import stream  # noqa: E402  (Knuth's generator, written from the book)

FIXTURES = os.path.join(HERE, "..", "fixtures")

# ---- The farm
V = [float(v) for v in range(3, 26)]
P = [0.066, 0.152, 0.28, 0.457, 0.69, 0.978, 1.296, 1.598, 1.818, 1.935, 1.98, 1.995,
     2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2]
D = 80.0
MOLINOS = [(0.0, 150.0, 1.0), (-90.0, -60.0, 0.97)]  # x, y (m from the mast), etha
ALFA, GAMMA, FPV3PE, FACTOR, PNOM, PAUT = 0.5, 0.4, 1.8, 0.035, 4.0, 3.5
DX, DY, MARGEN = 5.0, 5.0, 60.0
ETHA = [[1.0, 1.05], [0.95, 1.1], [1.02, 0.9], [0.97, 1.0]]  # 4 sectors x 2 bins

# ---- The empirical model: 4 sectors, 2 bins
BORDES = [0.0, 0.0006, 0.0025]
CENTROS = [0.0003, 0.0012]
CNT = [[40.0, 25.0], [12.0, 3.0], [-1.0, 60.0], [9.0, 10.0]]
A_T = [[0.1, 0.2], [0.0, 0.3], [0.0, 0.1], [0.2, 0.0]]
B_T = [[2000.0, 900.0], [2500.0, 800.0], [0.0, 1000.0], [1800.0, 700.0]]
P_T = [[0.9, 3.1], [1.1, 2.9], [0.0, 3.3], [0.8, 3.0]]
S_ALFA = [0.75, 0.8, 0.7, 0.72]
S_VM = [8.5, 8.0, 9.0, 8.25]
S_PMAX = [3.7, 3.6, 3.8, 3.65]
S_DP = [0.05, 0.0, 0.1, 0.02]
S_AVV = [0.0, 0.0, 0.0, 0.0]
NS, NB = 4, 2


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def dpv(v, rho=1.225):
    return v * v * v * (0.5 * rho) / 1e6


DPVC = [dpv(v) for v in V]
AREA = math.pi * (0.5 * D) * (0.5 * D)


def potencia_curva(x):
    if not (DPVC[0] <= x <= DPVC[-1]):
        return 0.0
    for i in range(len(DPVC) - 1):
        if DPVC[i] <= x <= DPVC[i + 1]:
            return P[i] + (x - DPVC[i]) / (DPVC[i + 1] - DPVC[i]) * (P[i + 1] - P[i])
    raise AssertionError


def sectores(ang):
    x = NS * ang / 360
    k1 = int(x) % NS + 1
    k2 = k1 % NS + 1
    w2 = x - int(x)
    return k1, k2, 1 - w2, w2


def indice_real(c, x):  # two ascending centres, linear extrapolation
    return 1 + (x - c[0]) / (c[1] - c[0])


def factor_meteo(E, ang, q):
    k1, k2, w1, w2 = sectores(ang)
    ir = indice_real(CENTROS, q)
    e = lambda k, j: E[k - 1][j - 1]
    if ir <= 1:
        return w1 * e(k1, 1) + w2 * e(k2, 1)
    if ir >= NB:
        return w1 * e(k1, NB) + w2 * e(k2, NB)
    j = int(ir)
    u = ir - j
    return w1 * ((1 - u) * e(k1, j) + u * e(k1, j + 1)) + w2 * ((1 - u) * e(k2, j) + u * e(k2, j + 1))


class Grilla:
    """The rotated grid of one direction and the march of the wind power density."""

    def __init__(self, direccion, factor):
        th = math.pi * 2 * (180 + direccion) / 360
        c, s = math.cos(th), math.sin(th)
        rot = [(c * x - s * y, s * x + c * y) for x, y, _ in MOLINOS]
        x0 = x1 = y0 = y1 = 0.0
        for xr, yr in rot:
            if xr < x0:
                x0 = xr
            elif xr > x1:
                x1 = xr
            if yr < y0:
                y0 = yr
            elif yr > y1:
                y1 = yr
        x0 -= MARGEN
        x1 += MARGEN
        y0 -= 0.5 * MARGEN
        y1 += 0.5 * MARGEN
        nx = int((x1 - x0) / DX + 0.999)
        ny = int((y1 - y0) / DY + 0.999)
        self.cdx, self.cdy = (x1 - x0) / nx, (y1 - y0) / ny
        self.x0, self.y0 = x0, y0
        self.cl = 0.5 * (1 - math.exp(-ALFA * self.cdy / self.cdx))
        self.cc = 1 - 2 * self.cl
        self.rr = 1 - math.exp(-GAMMA * self.cdy / 500)
        self.umr = 1 - self.rr
        self.nf, self.nc = ny + 1, nx + 1
        self.pos = []
        for xr, yr in rot:
            fila = round((yr - y0) / self.cdy) + 1
            ci = min(max(round((xr - 0.5 * D - x0) / self.cdx) + 1, 1), self.nc)
            cf = min(max(round((xr + 0.5 * D - x0) / self.cdx) + 1, 1), self.nc)
            self.pos.append((fila, ci, cf))
        self.factor = factor

    def recorrer(self, rho, libre, ptope):
        """Net farm power and the station-factored density at the mast."""
        nf, nc = self.nf, self.nc
        k = FACTOR_ACTUAL[0] / max(PNOM, 1e-8)
        limite = ptope if ptope < PAUT else PAUT
        g = [[0.0] * nc for _ in range(nf)]
        pot = [0.0] * len(MOLINOS)

        def turbinas(i, escala):
            row = g[i - 1]
            for t, (fila, ci, cf) in enumerate(self.pos):
                if fila != i:
                    continue
                m = sum(row[ci - 1:cf]) / (cf - ci + 1)
                pt = potencia_curva(MOLINOS[t][2] * m) * (rho / 1.225) * escala
                r = 0.01 if m < 1e-15 else FPV3PE * (pt / AREA) / m
                if r <= 0:
                    q = 0.999999
                elif r >= 1:
                    q = 0.00001
                else:
                    q = max(min((1 - r ** (2.0 / 3.0)) ** 1.5, 0.999999), 0.00001)
                for j in range(ci - 1, cf):
                    row[j] *= q
                pot[t] = pt

        escala, pasadas = 1.0, 0
        while True:
            g[0] = [libre] * nc
            turbinas(1, escala)
            cl, cc, umr, rr = self.cl, self.cc, self.umr, self.rr
            for i in range(2, nf + 1):
                o, d = g[i - 2], g[i - 1]
                d[0] = libre
                d[nc - 1] = libre
                for j in range(1, nc - 1):
                    d[j] = (cl * (o[j - 1] + o[j + 1]) + cc * o[j]) * umr + rr * libre
                turbinas(i, escala)
            ptot = 0.0
            for p in pot:
                ptot += p
            pn = f32(ptot - k * ptot * ptot)
            if pn < 0:
                pn = 0.0
            if not pn > limite:
                break
            escala = escala * limite / pn
            if pasadas < 10:
                pasadas += 1
                continue
            pn = f32(limite)
            break
        fi, fj = (0.0 - self.y0) / self.cdy, (0.0 - self.x0) / self.cdx
        i0 = int(fi) + 1
        i1 = min(i0 + 1, nf)
        j0 = int(fj) + 1
        j1 = min(j0 + 1, nc)
        ti, tj = fi - int(fi), fj - int(fj)
        gg = lambda i, j: g[i - 1][j - 1]
        mast = (1 - ti) * ((1 - tj) * gg(i0, j0) + tj * gg(i0, j1)) + \
            ti * ((1 - tj) * gg(i1, j0) + tj * gg(i1, j1))
        return pn, mast * self.factor

    def potencia_parque(self, rho, medida, ptope):
        return self.potencia_parque_convergio(rho, medida, ptope)[0]

    def potencia_parque_convergio(self, rho, medida, ptope):
        """The power and whether the fixed point converged (None: no march was run)."""
        if medida < 1e-10:
            return 0.0, None
        libre = medida / self.factor
        fallos = 0
        while True:
            p, mastil = self.recorrer(rho, libre, ptope)
            q = medida / mastil
            if abs(q - 1) < 0.01:
                return p, True
            fallos += 1
            libre *= q
            if fallos > 100:
                return p, False

    def velocidad_para_potencia(self, potencia):
        """The mast speed for a farm power, and whether the search converged."""
        if PAUT < potencia:
            return 20.0, False
        vb, pb, va, pa = 0.0, 0.0, 20.0, PAUT
        err, convergio, n, v = abs(pa - pb), True, 0, 0.0
        while err > 1:
            v = vb + (potencia - pb) * (va - vb) / (pa - pb)
            p, c = self.potencia_parque_convergio(1.225, dpv(v), PAUT)
            if c is not None:
                convergio = c
            err = abs(potencia - p)
            n += 1
            if p > potencia:
                va, pa = v, p
            else:
                vb, pb = v, p
            if p > PAUT:
                return 20.0, convergio
            if n > 100 or va == vb:
                return v, False
        return v, convergio


FACTOR_ACTUAL = [FACTOR]


def potencia_curva_s(ang, q, rho):
    v = math.exp(math.log(q / (0.5 * rho) * 1e6) / 3)
    k1, k2, w1, w2 = sectores(ang)
    ps = lambda s: S_PMAX[s - 1] / (1 + math.exp(-S_ALFA[s - 1] * (v - S_VM[s - 1]))) - S_DP[s - 1]
    p = (rho / 1.225) * (w1 * ps(k1) + w2 * ps(k2))
    return p if p < PAUT else PAUT


def con_niveles(niveles):
    """The station-factor matrix with each column scaled to its level."""
    E = [fila[:] for fila in ETHA]
    for j, nivel in enumerate(niveles):
        col = [E[i][j] for i in range(NS)]
        if all(c == col[0] for c in col):
            media = col[0]
        else:
            media = 0.0
            for c in col:
                media += c
            media = media / NS
        if all(c == col[0] for c in col) or media == 0:
            for i in range(NS):
                E[i][j] = nivel
        else:
            esc = nivel / media
            for i in range(NS):
                E[i][j] = E[i][j] * esc
    return E


def objetivo(x):
    E = con_niveles(x[:2])
    FACTOR_ACTUAL[0] = x[2]
    u = iter([mj * 1e-9 for mj in stream(31, 30)])  # a draw is mj * 1e-9
    s = 0.0
    for _ in range(5):
        d = next(u) * 360
        for _ in range(5):
            v = next(u) * 12 + 3
            q = dpv(v)
            g = Grilla(d, factor_meteo(E, d, q))
            pmt = g.potencia_parque(1.225, q, PAUT)
            pme = potencia_curva_s(d, q, 1.225)
            s += (pme - pmt) * (pme - pmt)
    FACTOR_ACTUAL[0] = FACTOR
    return s


# ---- The calibrator file
def real(x):
    mant, exp = f"{abs(x):.16E}".split("E")
    e = int(exp)
    return (" " if x >= 0 else "-") + mant + f"E{'+' if e >= 0 else '-'}{abs(e):03d}"


def vector(vals):
    return [str(len(vals))] + [real(v) for v in vals]


def matriz(m):
    l = [str(len(m)), str(len(m[0]))]
    for fila in m:
        l += vector(fila)
    return l


def texto_clp():
    l = ["VERSION=3", "77", "501", "Parque Chico Ñire", str(len(MOLINOS)), "72"]
    l += [real(v) for v in (ALFA, GAMMA, FPV3PE, FACTOR, PAUT, PNOM)]  # authorised, then nominal
    l += matriz(ETHA)
    l += [real(DX), real(DY), real(MARGEN)]
    for n, (x, y, e) in enumerate(MOLINOS):
        l += [str(7701 + n), "5", "77", f"{real(x)}\t{real(y)}",
              f"19\tH\t{real(500000 + x)}\t{real(6000000 + y)}"]
        l += ["5", "G80-2.0MW", real(D)] + vector(V) + vector([float(p) for p in P])
        l += [real(e)]
    l += ["H", "19", real(500000.0), real(6000000.0)]
    l += ["VERSION=2"] + vector(BORDES) + matriz(CNT) + matriz(A_T) + matriz(B_T)
    l += vector(CENTROS) + matriz(P_T)
    l += vector(S_ALFA) + vector(S_VM) + vector(S_PMAX) + vector(S_DP) + vector(S_AVV)
    return l


def main():
    with open(os.path.join(FIXTURES, "calibrador_chico.clp"), "wb") as f:
        f.write("".join(x + "\r\n" for x in texto_clp()).encode("utf-8"))
    media = lambda j: sum(ETHA[i][j] for i in range(NS)) / NS
    puntos = [[media(0), media(1), FACTOR], [0.9, 1.1, 0.05], [1.2, 0.8, 0.0]]
    out = []
    for x in puntos:
        out.append("objetivo " + " ".join(repr(v) for v in x) + " " + repr(objetivo(x)))
    for k in range(1, NS + 1):
        ang = (k - 1) * 360 / NS
        for j in range(1, NB + 1):
            if CNT[k - 1][j - 1] < 10:
                continue
            q = CENTROS[j - 1]
            g = Grilla(ang, factor_meteo(ETHA, ang, q))
            pmt = g.potencia_parque(1.225, q, PAUT)
            out.append(f"cociente {k} {j} {P_T[k - 1][j - 1]!r} {pmt!r}")
    for k in range(1, NS + 1):
        ang = (k - 1) * 360 / NS
        for j in range(1, NB + 1):
            if CNT[k - 1][j - 1] < 10:
                continue
            q = CENTROS[j - 1]
            vj = (q / (0.5 * 1.225) * 1e6) ** (1.0 / 3.0)
            v, convergio = Grilla(ang, 1.0).velocidad_para_potencia(P_T[k - 1][j - 1])
            assert convergio and v >= 0.001, (k, j)
            out.append(f"etha {k} {j} {(vj / v) ** 3!r}")
    with open(os.path.join(FIXTURES, "calibrador_ref.txt"), "w", newline="\n") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

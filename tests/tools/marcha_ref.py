#!/usr/bin/env python3
"""Independent reference of the rotated grid set-up and the wake march of the theoretical model.

Written from the description of the algorithm (not from the C++ code) in plain Python, for a
tiny farm: 3 turbines, 5 m cells, a 60 m margin. Writes tests/fixtures/marcha_ref.txt:

  curva n v(1..n) P(1..n) D      the power curve every turbine uses (speeds m/s, powers MW, m)
  molino x y etha                one line per turbine, in list order (m from the mast)
  parametros alfa gamma fpv3pe factor_perdidas p_nominal p_autorizada dx dy margen
  caso direccion dpvLibre rho pTope
  grilla nx ny celdaDx celdaDy cLateral rRecuperacion
  turbina fila columnaIni columnaFin dpvMedia potencia     one line per turbine
  marcha pNeta pasadas dpvMastil
  fila v(1..nc)                  every grid row, from row 1 (upwind)
  fin

Reals are repr() (exact). Known departures from bit identity with the C++ code: the power
curve is interpolated here in one formula (the C++ code goes through a fractional index) and
the powers r^(2/3) use Python's pow; the test compares with a tolerance of 1e-12 (relative).
The station factor is 1 (the grid is prepared without it). When the eleventh pass is still
above the limit, each turbine's power is multiplied by that pass's own factor limit/Pneta.
"""
import math
import os
import struct

V = [float(v) for v in range(3, 26)]
P = [0.066, 0.152, 0.28, 0.457, 0.69, 0.978, 1.296, 1.598, 1.818, 1.935, 1.98, 1.995,
     2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2]
D = 80.0
DPV = [v * v * v * (0.5 * 1.225) / 1e6 for v in V]
AREA = math.pi * ((0.5 * D) * (0.5 * D))

MOLINOS = [(0.0, 200.0, 1.0), (10.0, 0.0, 0.97), (-80.0, -120.0, 1.03)]
ALFA, GAMMA, FPV3PE, FACTOR, PNOM, PAUT = 0.5, 0.4, 1.8, 0.035, 6.0, 6.0
DX, DY, MARGEN = 5.0, 5.0, 60.0


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def potencia_curva(x):
    if x < DPV[0] or x > DPV[-1]:
        return 0.0
    for i in range(len(DPV) - 1):
        if DPV[i] <= x <= DPV[i + 1]:
            return P[i] + (x - DPV[i]) / (DPV[i + 1] - DPV[i]) * (P[i + 1] - P[i])
    raise AssertionError


def dpv(v):
    return v * v * v * (0.5 * 1.225) / 1e6


def simular(direccion, libre, rho, ptope):
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
    nx = int((x1 - x0) / DX + 0.999)  # positive: int() truncates
    ny = int((y1 - y0) / DY + 0.999)
    cdx = (x1 - x0) / nx
    cdy = (y1 - y0) / ny
    cl = 0.5 * (1 - math.exp(-ALFA * cdy / cdx))
    cc = 1 - 2 * cl
    rr = 1 - math.exp(-GAMMA * cdy / 500)
    umr = 1 - rr
    nf, nc = ny + 1, nx + 1
    pos = []
    for xr, yr in rot:
        fila = round((yr - y0) / cdy) + 1  # round() is half to even
        ci = min(max(round((xr - 0.5 * D - x0) / cdx) + 1, 1), nc)
        cf = min(max(round((xr + 0.5 * D - x0) / cdx) + 1, 1), nc)
        pos.append((fila, ci, cf))
    k = FACTOR / max(PNOM, 1e-8)
    limite = ptope if ptope < PAUT else PAUT
    g = [[0.0] * nc for _ in range(nf)]
    med = [0.0] * len(MOLINOS)
    pot = [0.0] * len(MOLINOS)

    def turbinas(i, escala):
        row = g[i - 1]
        for t, (fila, ci, cf) in enumerate(pos):
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
            med[t], pot[t] = m, pt

    escala, pasadas, total = 1.0, 0, 0
    while True:
        g[0] = [libre] * nc
        turbinas(1, escala)
        for i in range(2, nf + 1):
            o, d = g[i - 2], g[i - 1]
            d[0] = libre
            d[nc - 1] = libre
            for j in range(1, nc - 1):
                d[j] = (cl * (o[j - 1] + o[j + 1]) + cc * o[j]) * umr + rr * libre
            turbinas(i, escala)
        total += 1
        ptot = 0.0
        for p in pot:
            ptot += p
        pn = f32(ptot - k * ptot * ptot)
        if pn < 0:
            pn = 0.0
        if not pn > limite:
            break
        factor = limite / pn
        escala = escala * limite / pn
        if pasadas < 10:
            pasadas += 1
            continue
        pot = [p * factor for p in pot]
        pn = f32(limite)
        break
    # density at the mast, bilinear
    xr, yr = 0.0, 0.0
    fi, fj = (yr - y0) / cdy, (xr - x0) / cdx
    i0 = int(fi) + 1
    i1 = min(i0 + 1, nf)
    j0 = int(fj) + 1
    j1 = min(j0 + 1, nc)
    ti, tj = fi - int(fi), fj - int(fj)
    gg = lambda i, j: g[i - 1][j - 1]
    mast = (1 - ti) * ((1 - tj) * gg(i0, j0) + tj * gg(i0, j1)) + ti * ((1 - tj) * gg(i1, j0) + tj * gg(i1, j1))
    out = [f"grilla {nx} {ny} {cdx!r} {cdy!r} {cl!r} {rr!r}"]
    for t, (fila, ci, cf) in enumerate(pos):
        out.append(f"turbina {fila} {ci} {cf} {med[t]!r} {pot[t]!r}")
    out.append(f"marcha {pn!r} {total} {mast!r}")
    for row in g:
        out.append("fila " + " ".join(repr(v) for v in row))
    return out


lineas = ["curva " + str(len(V)) + " " + " ".join(repr(v) for v in V) + " " +
          " ".join(repr(float(p)) for p in P) + " " + repr(D)]
lineas += [f"molino {x!r} {y!r} {e!r}" for x, y, e in MOLINOS]
lineas.append(f"parametros {ALFA!r} {GAMMA!r} {FPV3PE!r} {FACTOR!r} {PNOM!r} {PAUT!r} {DX!r} {DY!r} {MARGEN!r}")
CASOS = [(0.0, dpv(9.0), 1.225, 6.0),      # under the limit: one pass
         (90.0, dpv(7.0), 1.18, 6.0),
         (237.5, dpv(12.0), 1.225, 4.2),   # held at pTope: repeated passes
         (180.0, dpv(25.0), 1.225, 6.0),   # the third turbine above its cut-out
         (180.0, dpv(12.0), 1.225, 4.2)]   # eleven passes, capped
for d, lib, rho, pt in CASOS:
    lineas.append(f"caso {d!r} {lib!r} {rho!r} {pt!r}")
    lineas += simular(d, lib, rho, pt)
    lineas.append("fin")
here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, "..", "fixtures", "marcha_ref.txt"), "w", newline="\n") as f:
    f.write("\n".join(lineas) + "\n")

#!/usr/bin/env python3
"""Writes the synthetic series of the empirical-model construction tests into tests/fixtures/.

me_series_curvas.sas: ten-minute samples of a 50 MW farm (25 turbines) whose corrected power
follows a known S-curve in each of four direction sectors (0, 90, 180 and 270 degrees):

    S(v) = min(Pmax / (1 + exp(-alfa (v - vm))) - DeltaP, PAut),  PAut = 50 MW

with v the equivalent speed at the standard density, v_eq = v (rho / 1.225)^(1/3). The
measured power is S(v_eq) * fDisp * rho / 1.225, so that the filters' correction (divide by
availability and relative density) gives S(v_eq) back. Air density from temperature, pressure
and humidity with the model's formula, transcribed here. Availability is given in percent (the
filters rescale it); CGM is the authorised power (no limitation). Directions lie within 1.5
degrees of the sector centre, so each sample belongs to one 5-degree sector window only
(half-width 3 degrees). The sectors are interleaved in time and speeds are drawn at random, so
no value repeats 9 times in a row.

Besides the four fitted sectors the file holds 3 samples in the sector at 45 degrees (too few
for a chart), 4 at 135 degrees (a chart in each pass) and 5 gaps (speed -1).

me_series_curvas_ref.txt: one line per fitted sector: sector number, Pmax, DeltaP, alfa, vm,
and the number of samples whose corrected power lies inside the fit window (1 % of PAut to
PAut, below the equivalent curve's 52 MW).

Run: python3 tests/tools/series_modelo_empirico.py   (standard library only)
"""
from datetime import datetime, timedelta
import math
import os
import random

AQUI = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(os.path.dirname(AQUI), "fixtures")

PAUT = 50.0
SECTORES = [  # sector number (5-degree sectors from 1 at 0 degrees), Pmax, DeltaP, alfa, vm
    (1, 54.0, 1.0, 0.75, 9.0),
    (19, 56.0, 2.0, 0.9, 8.0),
    (37, 53.0, 0.5, 0.6, 10.0),
    (55, 55.0, 1.5, 0.8, 9.5),
]
MUESTRAS_POR_SECTOR = 240


def real(x):
    """The plain real text: 17 significant digits, E, sign, three exponent digits."""
    mant, exp = ("%.16E" % x).split("E")
    e = int(exp)
    texto = "%sE%s%03d" % (mant, "-" if e < 0 else "+", abs(e))
    return texto if texto.startswith("-") else " " + texto


def densidad(t, pr, hr):
    rho = (0.34848 * pr - 0.009 * hr * math.exp(0.061 * t)) / (t + 273.16)
    return rho if 1.1 <= rho <= 1.3 else 1.18


def curva(v, pmax, dp, alfa, vm):
    return min(pmax / (1.0 + math.exp(-alfa * (v - vm))) - dp, PAUT)


def main():
    rnd = random.Random(20161101)
    filas = []  # (vel, ang, pe, temp, pre, hum, cgm, fdisp %, varvel)
    ventana = {}
    for i in range(MUESTRAS_POR_SECTOR):
        for (k, pmax, dp, alfa, vm) in SECTORES:
            v = rnd.uniform(3.0, 17.0)
            ang = (k - 1) * 5.0 + rnd.uniform(-1.5, 1.5)
            if ang < 0:
                ang += 360.0
            t = rnd.uniform(10.0, 30.0)
            pr = rnd.uniform(980.0, 1010.0)
            hr = rnd.uniform(30.0, 90.0)
            disp = rnd.choice([100.0, 100.0, 100.0, 96.0, 92.0])
            rho = densidad(t, pr, hr)
            veq = v * (rho / 1.225) ** (1.0 / 3.0)
            p = curva(veq, pmax, dp, alfa, vm)
            filas.append((v, ang, p * (disp / 100.0) * (rho / 1.225), t, pr, hr, PAUT, disp, 0.5))
            if 0.01 * PAUT <= p <= PAUT and p < 52.0 and p > 0:
                ventana[k] = ventana.get(k, 0) + 1
    extra = [(45.0, 3), (135.0, 4)]
    for (centro, n) in extra:
        for j in range(n):
            filas.append((8.0 + j, centro + 0.5 * j, 20.0 + j, 15.0, 1013.0, 50.0, PAUT, 100.0,
                          0.5))
    for j in range(5):
        filas.append((-1.0, 10.0 * j, 0.0, 15.0, 1013.0, 50.0, PAUT, 100.0, 0.5))

    inicio = (datetime(2016, 11, 1) - datetime(1899, 12, 30)) / timedelta(days=1)
    periodo = 1.0 / 6.0
    nombres = ["vel", "dir", "PE", "temp", "pre", "hum", "CGM", "disp", "varvel"]
    lineas = [
        "VERSION_FORMATO_SERIES:\t2",
        str(len(nombres)),
        "2016\t11\t1\t0\t0\t0",
        real(periodo),
        str(len(filas)),
        "%12.4f" % 144.0,
        "x" * len(nombres),
        "\t" + "\t".join(nombres),
    ]
    for k, f in enumerate(filas):
        lineas.append("\t".join([real(inicio + k * periodo / 24.0)] + [real(x) for x in f]))
    with open(os.path.join(FIXTURES, "me_series_curvas.sas"), "wb") as fh:
        fh.write("".join(l + "\r\n" for l in lineas).encode("utf-8"))

    with open(os.path.join(FIXTURES, "me_series_curvas_ref.txt"), "w") as fh:
        fh.write("# sector Pmax DeltaP alfa vm muestras_en_ventana\n")
        for (k, pmax, dp, alfa, vm) in SECTORES:
            fh.write("%d %r %r %r %r %d\n" % (k, pmax, dp, alfa, vm, ventana[k]))


if __name__ == "__main__":
    main()

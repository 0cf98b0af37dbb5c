#!/usr/bin/env python3
"""Reference of the distance filter on 20 samples in two kinds of air.

Every sector holds the same sloped S-curve with a speed-variance term; the samples lie on sector
centres (one sector each, no interpolation). Per sample, from the formulas of the wind physics:
  rho   = (0.34848 pr - 0.009 hr e^(0.061 t)) / (t + 273.16)   (1.18 outside [1.1, 1.3])
  pv3   = 0.5 rho v^3 / 1e6, and back to the speed v at rho
  c     = real cube root of v^3 - alfa_varvel varVel^1.5
  model = min(rho / 1.225 * (Pmax / (1 + e^(-alfa (c - vm))) - DeltaP), PAut)
  error = (model - PE)^2
The tenth of the samples with the largest errors (20 - Trunc(18) = 2) is flagged. The powers
are the model's own plus small deviations, chosen so that the flagged pair changes when the
model is evaluated at 1.225 kg/m3 instead of the sample's density, or without its variance:
the script checks that both changes move the flagged pair.

Output:
  curva Pmax DeltaP alfa vm alfa_varvel PAut
  m vel ang temp pre hum varvel pe     (samples 1..20 in order; reals in repr form)
  marcadas i j                          (sample numbers, ascending)
Usage: filtro_distancia_ref.py > ../fixtures/filtro_distancia_ref.txt
"""
import math
import sys

PMAX, DELTAP, ALFA, VM, ALFA_VARVEL, PAUT = 40.0, 2.0, 0.6, 8.0, 3.0, 50.0
AIRES = [(5.0, 1020.0, 90.0), (30.0, 1000.0, 50.0)]  # about 1.274 and 1.140 kg/m3


def densidad(t, pr, hr):
    r = (0.34848 * pr - 0.009 * hr * math.exp(0.061 * t)) / (t + 273.16)
    return r if 1.1 <= r <= 1.3 else 1.18


def raiz_cubica(d):
    return math.copysign(abs(d) ** (1.0 / 3.0), d)


def modelo(v, rho, varvel):
    pv3 = 0.5 * rho * v ** 3 / 1e6
    v = raiz_cubica(pv3 / (0.5 * rho) * 1e6)
    c = raiz_cubica(v ** 3 - ALFA_VARVEL * max(varvel, 0.0) ** 1.5)
    p = rho / 1.225 * (PMAX / (1.0 + math.exp(-ALFA * (c - VM))) - DELTAP)
    return min(p, PAUT)


def marcadas(muestras, evaluar):
    errores = sorted((evaluar(m) - m["pe"]) ** 2 for m in muestras)
    corte = errores[int(0.9 * len(muestras)) - 1]
    elegidas = [k + 1 for k, m in enumerate(muestras) if (evaluar(m) - m["pe"]) ** 2 > corte]
    assert len(elegidas) == len(muestras) - int(0.9 * len(muestras)), "ties at the cut"
    return elegidas


def main():
    velocidades = [5.0, 6.5, 7.0, 8.0, 8.5, 9.0, 9.5, 10.0, 11.0, 12.0,
                   5.5, 6.0, 7.5, 8.0, 9.0, 9.5, 10.5, 11.0, 12.5, 13.0]
    varianzas = [0.4, 1.2, 2.5, 0.8, 3.0, 1.5, 0.6, 2.0, 1.0, 2.8,
                 0.5, 2.2, 1.4, 3.2, 0.7, 1.8, 2.6, 0.9, 1.6, 2.4]
    desvios = [0.30, -0.25, 0.45, -0.35, 0.20, -0.50, 0.40, -0.30, 0.35, -0.45,
               -0.40, 0.50, -0.30, 0.25, -0.45, 0.35, -0.20, 0.40, -0.35, 0.30]
    muestras = []
    for k in range(20):
        t, pr, hr = AIRES[k // 10]
        m = {"vel": velocidades[k], "ang": 5.0 * (3 * k % 72), "t": t, "pr": pr, "hr": hr,
             "varvel": varianzas[k]}
        m["pe"] = round(modelo(m["vel"], densidad(t, pr, hr), m["varvel"]) + desvios[k], 3)
        muestras.append(m)

    propia = marcadas(muestras, lambda m: modelo(m["vel"], densidad(m["t"], m["pr"], m["hr"]),
                                                 m["varvel"]))
    estandar = marcadas(muestras, lambda m: modelo(m["vel"], 1.225, m["varvel"]))
    sin_varianza = marcadas(muestras, lambda m: modelo(m["vel"], densidad(m["t"], m["pr"], m["hr"]),
                                                       0.0))
    assert estandar != propia and sin_varianza != propia, (propia, estandar, sin_varianza)

    out = ["curva " + " ".join(repr(a) for a in (PMAX, DELTAP, ALFA, VM, ALFA_VARVEL, PAUT))]
    for m in muestras:
        out.append("m " + " ".join(repr(m[c]) for c in ("vel", "ang", "t", "pr", "hr", "varvel",
                                                         "pe")))
    out.append("marcadas " + " ".join(str(k) for k in propia))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

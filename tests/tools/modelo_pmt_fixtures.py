#!/usr/bin/env python3
"""Writes the theoretical-model file fixtures, typed here line by line from the file layout.

  modelo_v3.pmt      version 3, CRLF, in the exact form the writer produces (a byte-for-byte
                     oracle for the writer): 2 turbines with 3-point curves, a 2 x 3 matrix of
                     station factors, a name with Spanish letters (UTF-8);
  modelo_v3_lf.pmt   the same text with LF line ends and the second position line of turbine 1
                     written as expressions (2*260060, 6180340 - 0);
  modelo_v2.pmt      version 2: nominal power line, then one discarded real instead of the
                     matrix; 1 turbine;
  modelo_v1.pmt      version 1: no nominal power line, one discarded real; CR-only line ends.
"""
import os

ENC = "VERSION=3"


def real(x):
    """The plain real text: 17 significant digits, E, sign, 3 exponent digits, blank if >= 0."""
    mant, exp = f"{abs(x):.16E}".split("E")
    e = int(exp)
    return (" " if x >= 0 else "-") + mant + f"E{'+' if e >= 0 else '-'}{abs(e):03d}"


def bloque_vector(vals):
    return [str(len(vals))] + [real(v) for v in vals]


def curva(nid, modelo, d, v, p):
    return [str(nid), modelo, real(d)] + bloque_vector(v) + bloque_vector(p)


def molino(nid, nidc, central, x, y, huso, zona, xe, yn, c, etha, linea2=None):
    l2 = linea2 if linea2 is not None else f"{huso}\t{zona}\t{real(xe)}\t{real(yn)}"
    return [str(nid), str(nidc), str(central), f"{real(x)}\t{real(y)}", l2] + c + [real(etha)]


G80 = curva(1, "G80-2.0MW", 80, [3, 12, 25], [0.5, 2, 2])
G52 = curva(2, "G52-850kW", 52, [3, 12, 25], [0.0255, 0.85, 0.85])


def v3(linea2_m1=None):
    l = [ENC, "12", "345", "Parque Ejemplo Ñandú", "2", "72"]
    l += [real(0.5), real(0.4), real(1.8), real(0.035), real(50), real(48)]
    l += ["2", "3"] + bloque_vector([1, 0.95, 1.05]) + bloque_vector([1.1, 1.25, 0.875])
    l += [real(9), real(1), real(1000)]
    l += molino(1201, 1, 12, 120, 340, 21, "H", 520120, 6180340, G80, 1, linea2_m1)
    l += molino(1202, 2, 12, -350, -12.5, 21, "H", 519650, 6179987.5, G52, 0.95)
    l += ["H", "21", real(520000), real(6180000)]
    return l


def antiguo(version):
    l = [f"VERSION={version}", "34", "7", "Cerro", "1", "72"]
    l += [real(0.45), real(0.35), real(1.6), real(0.04), real(1.7)]
    if version >= 2:
        l += [real(1.6)]
    l += [real(1.05)]  # the single real of old versions
    l += [real(9), real(1), real(1000)]
    l += molino(3401, 1, 34, 200, 0, 21, "H", 600200, 6200000, G52, 0.97)
    l += ["H", "21", real(600000), real(6200000)]
    return l


here = os.path.dirname(os.path.abspath(__file__))
fx = os.path.join(here, "..", "fixtures")


def escribir(nombre, lineas, fin):
    with open(os.path.join(fx, nombre), "wb") as f:
        f.write("".join(x + fin for x in lineas).encode("utf-8"))


escribir("modelo_v3.pmt", v3(), "\r\n")
escribir("modelo_v3_lf.pmt", v3("21\tH\t2*260060\t6180340 - 0"), "\n")
escribir("modelo_v2.pmt", antiguo(2), "\r\n")
escribir("modelo_v1.pmt", antiguo(1), "\r")

#!/usr/bin/env python3
"""Writes the empirical-model text fixtures of the model-text reader tests.

One small model (2 direction sectors, 2 wind-power-density bins) in the text forms a reader
must accept:
  me_v1_sin_version.txt  version 1 without a VERSION line: the first line is the number of bin
                         edges (3) and the edges follow without a count line; no alfa_varvel
                         block; LF line ends
  me_version1.txt        "VERSION=1": the edges as a counted block, no alfa_varvel; CRLF
  me_version2_lf.txt     "VERSION=2" with alfa_varvel; LF
  me_version7.txt        "VERSION=7", read as version 2; CRLF
The values are short decimals, exactly the doubles the test expects; they are written in the
plain real text (17 significant digits, three exponent digits) formatted here with '%.16E'.

Run: python3 tests/tools/modelo_empirico_texto.py   (standard library only)
"""
import os

FIXTURES = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "fixtures")


def real(x):
    mant, exp = ("%.16E" % x).split("E")
    e = int(exp)
    t = "%sE%s%03d" % (mant, "-" if e < 0 else "+", abs(e))
    return t if t.startswith("-") else " " + t


BORDES = [0.0, 0.0005, 0.002]
CNT = [[12.0, 30.0], [-1.0, 11.0]]
A = [[0.5, -1.25], [0.0, 2.0]]
B = [[1000.0, 2000.0], [0.0, 1500.0]]
CENTROS = [0.00025, 0.00125]
P = [[0.75, 1.25], [0.0, 3.875]]
ALFA = [0.75, -1.0]
VM = [9.5, -1.0]
PMAX = [55.0, -1.0]
DELTAP = [0.5, -1.0]
ALFA_VARVEL = [0.125, 0.0]


def vector(v, con_cuenta=True):
    return ([str(len(v))] if con_cuenta else []) + [real(x) for x in v]


def matriz(m):
    l = [str(len(m)), str(len(m[0]))]
    for fila in m:
        l += vector(fila)
    return l


def texto(version):
    if version is None:
        l = vector(BORDES)  # the count line doubles as the first line
    else:
        l = ["VERSION=%d" % version] + vector(BORDES)
    l += matriz(CNT) + matriz(A) + matriz(B) + vector(CENTROS) + matriz(P)
    l += vector(ALFA) + vector(VM) + vector(PMAX) + vector(DELTAP)
    if version is not None and version > 1:
        l += vector(ALFA_VARVEL)
    return l


def escribir(nombre, lineas, fin):
    with open(os.path.join(FIXTURES, nombre), "wb") as f:
        f.write("".join(x + fin for x in lineas).encode("ascii"))


if __name__ == "__main__":
    escribir("me_v1_sin_version.txt", texto(None), "\n")
    escribir("me_version1.txt", texto(1), "\r\n")
    escribir("me_version2_lf.txt", texto(2), "\n")
    escribir("me_version7.txt", texto(7), "\r\n")

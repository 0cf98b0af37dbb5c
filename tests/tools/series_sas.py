#!/usr/bin/env python3
"""Writes the .sas fixtures of the series-file tests into tests/fixtures/.

series_dorada.sas is the byte-exact file the writer must produce for a set of two series
(kinds SALIDA and ENTRADA, names A and B) of three ten-minute samples starting 2016-11-01 06:10.
Its reals are formatted here with Python's '%.16E' (correctly rounded, independent of the C++
formatter) and the exponent widened to three digits with a leading blank for values >= 0; the
date column is (date - 1899-12-30) in days from datetime arithmetic plus (k - 1) * (1/6)/24.

The lectura_*.sas files hold one and the same set of three series of four samples in the
encodings a reader must accept (LF, CR alone, CRLF behind a UTF-8 byte-order mark, no version
line), with irregular blanks, a header period given as the expression 1/6, a flag line shorter
than the number of series and text after the numbers of a row. The error_*.sas files are the
same set with one fault each.

Run: python3 tests/tools/series_sas.py   (standard library only)
"""
from datetime import datetime, timedelta
import os

AQUI = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(os.path.dirname(AQUI), "fixtures")


def real(x):
    """The plain real text: 17 significant digits, E, sign, three exponent digits."""
    mant, exp = ("%.16E" % x).split("E")
    e = int(exp)
    signo = "-" if e < 0 else "+"
    texto = "%sE%s%03d" % (mant, signo, abs(e))
    return texto if texto.startswith("-") else " " + texto


def escribir(nombre, lineas, fin, bom=b""):
    datos = bom + "".join(l + fin for l in lineas).encode("utf-8")
    with open(os.path.join(FIXTURES, nombre), "wb") as f:
        f.write(datos)


def dorada():
    inicio = (datetime(2016, 11, 1, 6, 10) - datetime(1899, 12, 30)) / timedelta(days=1)
    periodo = 1.0 / 6.0
    paso = periodo / 24.0
    a = [12.5, -3.25, 0.0]
    b = [1e-5, 7.0, 123456.789]
    lineas = [
        "VERSION_FORMATO_SERIES:\t2",
        "2",
        "2016\t11\t1\t6\t10\t0",
        real(periodo),
        "3",
        "%12.4f" % 144.0,
        "xy",
        "\tA\tB",
    ]
    for k in range(3):
        lineas.append(real(inicio + k * paso) + "\t" + real(a[k]) + "\t" + real(b[k]))
    escribir("series_dorada.sas", lineas, "\r\n")


def cabecera(version=True, nseries="3", fecha="2016 11 1 0 0 0", periodo="1/6", npuntos="4",
             flags="x"):
    l = ["VERSION_FORMATO_SERIES:\t2", nseries] if version else [nseries]
    l += [fecha.replace(" ", "\t"), periodo, npuntos, "144"]
    if version:
        l.append(flags)
    l.append("\tVel\tAng\tPE")
    return l


FILAS = [
    "42675\t5.5\t180\t1.25",
    "  4.2675006944444445E+004 \t 6.0E+000\t-1.5E+001\t2.  texto que sobra",
    "42675.013888888891\t+7\t.5\t-0.125",
    "42675.020833333336\t8.25e0\t359.75\t1E-3",
]


def lecturas():
    base = cabecera() + FILAS
    escribir("lectura_lf.sas", base, "\n")
    escribir("lectura_cr.sas", base, "\r")
    escribir("lectura_bom_crlf.sas", base, "\r\n", bom=b"\xef\xbb\xbf")
    escribir("lectura_sin_version.sas", cabecera(version=False) + FILAS, "\r\n")
    # The third value of row 2 (line 10) is missing: taking it from the next line would shift
    # every later sample.
    corta = cabecera() + FILAS
    corta[9] = "42675.006944444445\t6\t-15"
    escribir("error_fila_corta.sas", corta, "\r\n")
    coma = cabecera() + FILAS
    coma[10] = "42675.013888888891\t7\t0,5\t-0.125"
    escribir("error_coma_decimal.sas", coma, "\r\n")
    # Three rows announced as four: the missing row is line 12.
    escribir("error_truncado.sas", cabecera() + FILAS[:3], "\r\n")


if __name__ == "__main__":
    dorada()
    lecturas()

#!/usr/bin/env python3
"""Reference log of the multiplier estimation for a tiny two-variable problem.

Problem: minimise (x1 - 3)^2 + (x2 - 2)^2 subject to
    r0: x1 <= 1          (upper bound, active at (1, 1))
    r1: x1 + x2 <= 2     (upper bound, active at (1, 1))
    r2: x2 >= -5         (lower bound, satisfied everywhere used here)

Record 1 (level 1, starts the file) at x = (1, 1): both upper bounds active. The KKT
multipliers are lambda(r1) = 2 and lambda(r0) = 2 (-4 + l0 + l1 = 0, -2 + l1 = 0).
Record 2 (level 2, appended) at x = (0, 0): no active constraint, non-zero gradient.

The orthogonalisation is redone here in plain Python floats (IEEE doubles) with the same
operation order as the C++ code, so every real of the log is reproduced to the last bit; the
text form of a real (17 significant digits, three-digit exponent, leading blank) is built from
Python's own '%.16E' formatting.

Usage: log_estimar_multiplicadores.py > ../fixtures/log_estimar_multiplicadores.xlt
(the output has CR LF line ends).
"""
import math
import sys

EPS = 2.0 ** -52


def real(x):
    m, e = ("%.16E" % x).split("E")
    s = m if x < 0 else " " + m
    return "%sE%s%03d" % (s, "-" if int(e) < 0 else "+", abs(int(e)))


def valores(rotulo, v):
    return rotulo + "".join("\t" + real(a) for a in v)


def prod(a, b):
    s = 0.0
    for x, y in zip(a, b):
        s += x * y
    return s


def normalizar(v):
    norma = math.sqrt(prod(v, v))
    if abs(norma / len(v)) < EPS:
        return [1.0] + [0.0] * (len(v) - 1), 0.0
    q = 1.0 / norma
    return [a * q for a in v], norma


def registro(x):
    n = 2
    lines = []
    f = 0.0
    f += (x[0] - 3.0) * (x[0] - 3.0)
    f += (x[1] - 2.0) * (x[1] - 2.0)
    restr = [  # name, gradient, value, superior
        ("r0", [1.0, 0.0], x[0], 1.0),
        ("r1", [1.0, 1.0], x[0] + x[1], 2.0),
    ]
    activas = [r for r in restr if not (r[2] < r[3])]
    lines.append("calcular_fs ............. ")
    lines.append(valores("x: ", x))
    lines.append("f(x): \t" + real(f) + "\tL(x): \t" + real(f))
    lines.append("r(x): " + "".join("\t" + real(r[2]) for r in activas))
    gf = [2.0 * (x[0] - 3.0), 2.0 * (x[1] - 2.0)]
    lines.append("gradientes .... ")
    lines.append(valores("gf", gf))
    for j, r in enumerate(activas):
        lines.append(valores("gr_%d" % j, r[1]))

    # Orthogonalisation (only upper bounds here: resto is the gradient itself).
    residuo = list(gf)
    d, nd = normalizar(gf)
    hay_residuo = nd > EPS
    w = [0.0] * n
    st = {}
    candidatas, base, redundantes = [], [], []
    for r in activas:
        versor, modulo = normalizar(r[1])
        st[r[0]] = {"resto": list(r[1]), "versor": versor, "modulo": modulo, "alfa": [0.0] * n}
        (candidatas if prod(versor, d) <= 0.0 else []).append(r[0])
    opuesta = True
    while candidatas:
        if hay_residuo and opuesta:
            ps = [prod(st[c]["versor"], residuo) for c in candidatas]
            k = min(range(len(ps)), key=lambda i: (ps[i], i))
            assert ps[k] < -EPS
            r = candidatas.pop(k)
            valor = ps[k]
            base.append(r)
            residuo = [a - valor * b for a, b in zip(residuo, st[r]["versor"])]
            w[len(base) - 1] = valor
        else:
            raise AssertionError("not reached by this case")
        k = len(base)
        st[r]["alfa"][k - 1] = st[r]["modulo"]
        st[r]["modulo"] = 0.0
        resto_lista = []
        for q in candidatas:
            c = prod(st[q]["resto"], st[r]["versor"])
            st[q]["resto"] = [a - c * b for a, b in zip(st[q]["resto"], st[r]["versor"])]
            st[q]["alfa"][k - 1] = c
            st[q]["versor"], st[q]["modulo"] = normalizar(st[q]["resto"])
            if st[q]["modulo"] <= EPS or k == n:
                redundantes.append(q)
            else:
                resto_lista.append(q)
        candidatas = resto_lista

    lines.append("opositoras_base_versores --------")
    for j, r in enumerate(base):
        lines.append(valores("ubase_%d" % j, st[r]["versor"]))
    lines.append("opositoras_base_alfa --------")
    for j, r in enumerate(base):
        lines.append(valores("alfa_base_%d" % j, st[r]["alfa"]))
    lines.append("opositoras_redundantes_alfa --------")
    for j, r in enumerate(redundantes):
        lines.append(valores("alfa_red_%d" % j, st[r]["alfa"]))
    lam = {}
    for j in range(len(base) - 1, -1, -1):
        s = 0.0
        for m in range(j + 1, len(base)):
            s = s + st[base[m]]["alfa"][j] * lam[base[m]]
        lam[base[j]] = -(w[j] + s) / st[base[j]]["alfa"][j]
    lines.append("opositoras_base_lambda --------")
    lines.append("lambdas: " + "".join("\t" + real(lam[r]) for r in base))
    return lines


out = registro([1.0, 1.0]) + registro([0.0, 0.0])
sys.stdout.buffer.write("".join(l + "\r\n" for l in out).encode("utf-8"))

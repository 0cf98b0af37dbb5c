#!/usr/bin/env python3
"""Noisy samples of a known capped S-curve and the least-squares optimum of the curve on them.

Curve: S(v) = min(Pmax / (1 + exp(-alfa (v - vm))) - DeltaP, PAut), truth Pmax 62, DeltaP 1,
alfa 0.9, vm 8.5, PAut 50 (so the uncapped curve passes the cap: Pmax - DeltaP > PAut).
Samples: 400 speeds uniform in [1, 20] m/s, powers S(v) + N(0, 1.5^2), from random.seed(2024).

The optimum of the mean squared error over (Pmax, DeltaP, alfa, vm) is found by a
Levenberg-Marquardt iteration written here with the standard library only (analytic Jacobian
of the capped curve: zero where the cap holds), started from the truth and from four other
points; the best one is kept. At that optimum the box of the fit problem and its constraint
Pmax - DeltaP >= PAut are not binding, so it is also the optimum of the constrained problem.
The gradient of the mean squared error at the optimum is printed as a check (~1e-12).

Output (stdout, "key value..." lines, reals in repr form):
  verdad Pmax DeltaP alfa vm PAut
  optimo Pmax DeltaP alfa vm f
  muestras n
  then n lines "v P".
Usage: curva_s_ref.py > ../fixtures/curva_s_ref.txt
"""
import math
import random

PMAX, DELTAP, ALFA, VM, PAUT = 62.0, 1.0, 0.9, 8.5, 50.0
N = 400


def curva(v, p):
    pmax, dp, a, vm = p
    s = pmax / (1.0 + math.exp(-a * (v - vm))) - dp
    return PAUT if s >= PAUT else s


def jac(v, p):
    pmax, dp, a, vm = p
    e = math.exp(-a * (v - vm))
    sig = 1.0 / (1.0 + e)
    if pmax * sig - dp >= PAUT:
        return [0.0, 0.0, 0.0, 0.0]
    return [sig, -1.0, pmax * sig * sig * e * (v - vm), -pmax * sig * sig * e * a]


def mse(vs, ps, p):
    return sum((curva(v, p) - q) ** 2 for v, q in zip(vs, ps)) / len(vs)


def resolver(A, b):
    n = len(b)
    M = [row[:] + [b[i]] for i, row in enumerate(A)]
    for c in range(n):
        piv = max(range(c, n), key=lambda r: abs(M[r][c]))
        M[c], M[piv] = M[piv], M[c]
        for r in range(c + 1, n):
            f = M[r][c] / M[c][c]
            for k in range(c, n + 1):
                M[r][k] -= f * M[c][k]
    x = [0.0] * n
    for r in range(n - 1, -1, -1):
        x[r] = (M[r][n] - sum(M[r][k] * x[k] for k in range(r + 1, n))) / M[r][r]
    return x


def lm(vs, ps, p):
    mu = 1e-3
    f = mse(vs, ps, p)
    for _ in range(2000):
        J = [jac(v, p) for v in vs]
        r = [curva(v, p) - q for v, q in zip(vs, ps)]
        JtJ = [[sum(J[i][a] * J[i][b] for i in range(len(vs))) for b in range(4)] for a in range(4)]
        Jtr = [sum(J[i][a] * r[i] for i in range(len(vs))) for a in range(4)]
        mejoro = False
        while mu < 1e12:
            A = [[JtJ[a][b] + (mu * JtJ[a][a] if a == b else 0.0) for b in range(4)]
                 for a in range(4)]
            try:
                d = resolver(A, [-x for x in Jtr])
            except ZeroDivisionError:
                mu *= 10.0
                continue
            q = [p[k] + d[k] for k in range(4)]
            fq = mse(vs, ps, q)
            if fq < f:
                mejoro = f - fq > 1e-15 * f
                p, f, mu = q, fq, max(mu / 10.0, 1e-12)
                break
            mu *= 10.0
        if not mejoro:
            break
    return p, f


def main():
    random.seed(2024)
    vs, ps = [], []
    for _ in range(N):
        v = random.uniform(1.0, 20.0)
        vs.append(v)
        ps.append(curva(v, (PMAX, DELTAP, ALFA, VM)) + random.gauss(0.0, 1.5))
    inicios = [(PMAX, DELTAP, ALFA, VM), (55.0, 0.0, 0.5, 10.0), (70.0, 5.0, 1.2, 7.0),
               (60.0, 2.0, 0.7, 9.0), (65.0, 0.5, 1.0, 8.0)]
    mejor = min((lm(vs, ps, list(p0)) for p0 in inicios), key=lambda t: t[1])
    p, f = mejor
    g = [0.0] * 4
    for v, q in zip(vs, ps):
        j = jac(v, p)
        r = 2.0 * (curva(v, p) - q)
        for k in range(4):
            g[k] += j[k] * r / N
    import sys
    print("gradiente en el optimo:", g, file=sys.stderr)
    print("verdad", *map(repr, (PMAX, DELTAP, ALFA, VM, PAUT)))
    print("optimo", *map(repr, p), repr(f))
    print("muestras", N)
    for v, q in zip(vs, ps):
        print(repr(v), repr(q))


main()

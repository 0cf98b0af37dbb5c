#!/usr/bin/env python3
"""Reference values for the vector and matrix tests.

Writes tests/fixtures/matreal_ref.txt, one case per line, tokens separated by blanks, reals in
Python's shortest round-trip text (repr):

  orden asc|desc n v1..vn | i1..in
      the literal recursive quicksort (middle pivot read once, Hoare scan, recursion on lo..j then
      i..hi) with idx = 1..n; i1..in the permutation it leaves. Exact.
  sistema n m a(n*n, by rows) b(n*m, by rows) | x(n*m, by rows) det
      A x = b solved with exact rational arithmetic (fractions) on the exact binary inputs;
      x and det rounded once to double. Exact to the last bit of each printed value.
  recta n x1..xn y1..yn xdesde xhasta npuntos pendiente ordenada residuo
      least-squares line over the points with xdesde <= x < xhasta, in exact rationals; residuo
      is the mean squared residual (divisor npuntos). Exact.
  correlacion n a1..an m b1..bm desfasaje conumbral umbral r
      Pearson correlation of a(j) with b(j+desfasaje) (a negative lag swaps the roles), pairs
      kept only when both values exceed umbral when conumbral is 1; exact rationals, then one
      square root in double precision; 0 when fewer than two pairs or a side has no variance.
  cadena value text
      the value rounded to 3 significant digits, half away from zero on its exact binary value
      (decimal module), fixed notation for exponents -5..2, otherwise mantissa "E" exponent, no
      trailing zeros, "." as separator. Exact.
"""
import decimal
import math
import random
import sys
from fractions import Fraction as F


def fmt(x):
    return repr(float(x))


# ----------------------------------------------------------------------------- quicksort
def quicksort(a, idx, lo, hi, before):
    pivot = a[(lo + hi) // 2]
    i, j = lo, hi
    while True:
        while before(a[i], pivot):
            i += 1
        while before(pivot, a[j]):
            j -= 1
        if i <= j:
            a[i], a[j] = a[j], a[i]
            idx[i], idx[j] = idx[j], idx[i]
            i += 1
            j -= 1
        if i > j:
            break
    if lo < j:
        quicksort(a, idx, lo, j, before)
    if i < hi:
        quicksort(a, idx, i, hi, before)


def orden_cases(out):
    rng = random.Random(1102)
    inputs = [[30, 10, 20], [3, 1, 2], [5, 5, 5, 5], [2, 1, 2, 1, 2, 1, 2],
              [1, 2, 3, 4, 5, 6], [6, 5, 4, 3, 2, 1]]
    inputs.append([rng.randint(0, 4) for _ in range(40)])
    inputs.append([rng.randint(0, 9) * 0.5 for _ in range(101)])
    inputs.append([rng.uniform(-1, 1) for _ in range(64)])
    for vals in inputs:
        for kind, before in (('asc', lambda x, y: x < y), ('desc', lambda x, y: x > y)):
            a = [0.0] + [float(v) for v in vals]
            idx = list(range(len(a)))
            n = len(vals)
            if n > 1:
                quicksort(a, idx, 1, n, before)
            out.append(' '.join(['orden', kind, str(n)] + [fmt(v) for v in vals] + ['|'] +
                                [str(k) for k in idx[1:]]))


# ----------------------------------------------------------------------------- linear systems
def solve(A, B):
    n = len(A)
    m = len(B[0])
    M = [[F(v) for v in A[i]] + [F(v) for v in B[i]] for i in range(n)]
    det = F(1)
    for k in range(n):
        p = next(i for i in range(k, n) if M[i][k] != 0)
        if p != k:
            M[k], M[p] = M[p], M[k]
            det = -det
        det *= M[k][k]
        for i in range(k + 1, n):
            f = M[i][k] / M[k][k]
            M[i] = [M[i][j] - f * M[k][j] for j in range(n + m)]
    X = [[F(0)] * m for _ in range(n)]
    for i in reversed(range(n)):
        for c in range(m):
            s = M[i][n + c] - sum(M[i][j] * X[j][c] for j in range(i + 1, n))
            X[i][c] = s / M[i][i]
    return X, det


def sistema_cases(out):
    rng = random.Random(1103)
    shapes = [(4, 1, 1.0), (4, 2, 1.0), (5, 1, 1.0), (5, 3, 1.0), (4, 1, 1e-9), (5, 2, 1e12),
              (3, 1, 1.0)]
    for n, m, scale in shapes:
        A = [[rng.uniform(-10, 10) * scale for _ in range(n)] for _ in range(n)]
        B = [[rng.uniform(-10, 10) for _ in range(m)] for _ in range(n)]
        X, det = solve(A, B)
        toks = ['sistema', str(n), str(m)]
        toks += [fmt(v) for row in A for v in row]
        toks += [fmt(v) for row in B for v in row]
        toks += ['|'] + [fmt(v) for row in X for v in row] + [fmt(det)]
        out.append(' '.join(toks))


# ----------------------------------------------------------------------------- least squares
def recta(xs, ys, xd, xh):
    pts = [(F(x), F(y)) for x, y in zip(xs, ys) if xd <= x < xh]
    n = len(pts)
    sx = sum(p[0] for p in pts)
    sy = sum(p[1] for p in pts)
    sxx = sum(p[0] * p[0] for p in pts)
    sxy = sum(p[0] * p[1] for p in pts)
    den = n * sxx - sx * sx
    pend = (n * sxy - sx * sy) / den
    orde = (sy - pend * sx) / n
    res = sum((y - pend * x - orde) ** 2 for x, y in pts) / n
    return n, pend, orde, res


def recta_cases(out):
    rng = random.Random(3111)
    cases = [([1, 2, 3, 4], [3, 5, 7, 9], 1, 4)]
    xs = [rng.uniform(0, 25) for _ in range(60)]
    ys = [0.3 * x - 1.5 + rng.uniform(-2, 2) for x in xs]
    cases += [(xs, ys, 0, 25), (xs, ys, 4, 9.5), (xs, ys, -100, 100)]
    xs = [rng.uniform(3, 4) for _ in range(20)]
    ys = [rng.uniform(0, 2000) for _ in xs]
    cases.append((xs, ys, 3, 4))
    for xs, ys, xd, xh in cases:
        n, pend, orde, res = recta(xs, ys, xd, xh)
        toks = ['recta', str(len(xs))] + [fmt(v) for v in xs] + [fmt(v) for v in ys]
        toks += [fmt(xd), fmt(xh), str(n), fmt(pend), fmt(orde), fmt(res)]
        out.append(' '.join(toks))


# ----------------------------------------------------------------------------- correlation
def correlacion(a, b, lag, con, umbral):
    if lag < 0:
        return correlacion(b, a, -lag, con, umbral)
    pares = [(F(a[j]), F(b[j + lag])) for j in range(len(a) - lag)
             if not con or (a[j] > umbral and b[j + lag] > umbral)]
    m = len(pares)
    if m < 2:
        return 0.0
    ma = sum(p[0] for p in pares) / m
    mb = sum(p[1] for p in pares) / m
    va = sum((p[0] - ma) ** 2 for p in pares)
    vb = sum((p[1] - mb) ** 2 for p in pares)
    if va <= 0 or vb <= 0:
        return 0.0
    cov = sum((p[0] - ma) * (p[1] - mb) for p in pares)
    return float(cov) / math.sqrt(float(va * vb))


def correlacion_cases(out):
    rng = random.Random(3106)
    base = [rng.uniform(0, 15) for _ in range(80)]
    otra = [0.0, 0.0, 0.0] + [0.8 * v + rng.uniform(-1, 1) for v in base]
    cases = [([1, 2, 3, 4], [0, 1, 2, 3, 4], 1, 0, 0.0),
             ([1, 2, 3, 4], [0, 1, 2, 3, 4], 1, 1, 1.5),
             ([1, 2, 3, 4], [4, 1, 3, 2], 0, 0, 0.0),
             (base, otra[:80], 3, 0, 0.0), (base, otra[:80], 2, 0, 0.0),
             (base, otra[:80], 3, 1, 2.5), (otra[:80], base, -3, 0, 0.0),
             (base, otra[:80], -5, 1, 1.0)]
    for a, b, lag, con, um in cases:
        r = correlacion(a, b, lag, con, um)
        toks = ['correlacion', str(len(a))] + [fmt(v) for v in a] + [str(len(b))]
        toks += [fmt(v) for v in b] + [str(lag), str(con), fmt(um), fmt(r)]
        out.append(' '.join(toks))


# ----------------------------------------------------------------------------- 3-digit text
def tres_cifras(x):
    if x == 0:
        return '0'
    d = decimal.Decimal(x)
    e = d.adjusted()
    q = d.scaleb(-e).quantize(decimal.Decimal('1.00'), rounding=decimal.ROUND_HALF_UP)
    if abs(q) >= 10:
        e += 1
        q = d.scaleb(-e).quantize(decimal.Decimal('1.00'), rounding=decimal.ROUND_HALF_UP)
    signo = '-' if q < 0 else ''
    digitos = str(abs(q)).replace('.', '')  # three digits
    if -6 < e < 3:
        v = decimal.Decimal(signo + digitos).scaleb(e - 2)
        s = format(v, 'f')
        if '.' in s:
            s = s.rstrip('0').rstrip('.')
        return s
    mant = digitos[0] + ('.' + digitos[1:]).rstrip('0').rstrip('.')
    return signo + mant + 'E' + str(e)


def cadena_cases(out):
    vals = [0.5, 12.3, 100.0, -0.0000123, 1234.5, 1.23456, 1e-6, -4.5e12, 999.6, 0.00001,
            9.99e-6, 999.5, 1.125, -1.125, 2.675, 99.95, 0.001, 123456.0, 5e-324,
            sys.float_info.max, -7.0, 0.0996, 0.09996, 9.995e-6, 1.0, 10.0, 250.0, 0.1]
    for v in vals:
        out.append('cadena %s %s' % (fmt(v), tres_cifras(v)))


def main():
    decimal.getcontext().prec = 1000  # scaleb must not round the exact binary value
    out = []
    orden_cases(out)
    sistema_cases(out)
    recta_cases(out)
    correlacion_cases(out)
    cadena_cases(out)
    sys.stdout.write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Reference values of the two-parameter Weibull law and of its least-squares fit.

Everything is computed with the decimal module at 60 significant digits from the exact
binary values of the inputs, then rounded once to a double, so each reference is the
correctly rounded value (to well under 1e-15 relative) of the closed form:
    pdf(x) = (k/c) (x/c)^(k-1) exp(-(x/c)^k)     cdf(x) = 1 - exp(-(x/c)^k)
    ppf(u) = c (-ln(1-u))^(1/k)
The fit uses a different method from the program's (which solves the 2x2 normal equations
on raw means): the slope from centred sums, k = Sxy / Sxx with X = ln v and
Y = ln(ln(1/(1-F))), F = (i-0.5)/n, and c = exp(mean(X) - mean(Y)/k).
The sample is drawn from a fixed linear congruential sequence mapped through ppf and sorted.

Output (committed as tests/fixtures/weibull_ref.txt); doubles are written as 16 hex digits of
their bits:
    pdf <k> <c> <x> <pdf> <cdf>
    ppf <k> <c> <u> <ppf>
    muestra <v>                 (the fit sample, ascending)
    ajuste <k> <c>              (fit of the sample above)
Run: python3 tests/tools/weibull_ref.py > tests/fixtures/weibull_ref.txt
"""
import decimal
import struct
from decimal import Decimal as D

decimal.getcontext().prec = 60


def bits(x):
    return f"{struct.unpack('<Q', struct.pack('<d', x))[0]:016x}"


def dpow(a, b):
    return (b * a.ln()).exp()


def pdf_cdf(k, c, x):
    k, c, x = D(k), D(c), D(x)
    t = dpow(x / c, k)
    pdf = (k / c) * dpow(x / c, k - 1) * (-t).exp()
    cdf = 1 - (-t).exp()
    return float(pdf), float(cdf)


def ppf(k, c, u):
    k, c, u = D(k), D(c), D(u)
    return float(c * dpow(-(1 - u).ln(), 1 / k))


LEYES = [(0.8, 1.0), (1.0, 7.3), (2.0, 7.3), (3.5, 11.25)]
XS = [0.25, 1.0, 3.0, 7.5, 12.0, 20.0]
US = [0.05, 0.3, 0.5, 0.9, 0.999]


def main():
    for k, c in LEYES:
        for x in XS:
            t = (x / c) ** k
            if t < 0.05 or t > 30:  # keep the closed form well conditioned in doubles
                continue
            p, f = pdf_cdf(k, c, x)
            print(f"pdf {bits(k)} {bits(c)} {bits(x)} {bits(p)} {bits(f)}")
        for u in US:
            print(f"ppf {bits(k)} {bits(c)} {bits(u)} {bits(ppf(k, c, u))}")

    # Fit sample: n draws of a fixed LCG (Park-Miller), mapped through the law's ppf.
    k0, c0, n = 2.1, 8.5, 500
    s = 12345
    muestra = []
    for _ in range(n):
        s = (16807 * s) % 2147483647
        muestra.append(ppf(k0, c0, s / 2147483647))
    muestra.sort()
    X = [D(v).ln() for v in muestra]
    Y = []
    for i in range(1, n + 1):
        F = (D(i) - D('0.5')) / n
        Y.append((1 / (1 - F)).ln().ln())
    mx = sum(X) / n
    my = sum(Y) / n
    sxy = sum((a - mx) * (b - my) for a, b in zip(X, Y))
    sxx = sum((a - mx) * (a - mx) for a in X)
    k = sxy / sxx
    c = (mx - my / k).exp()
    for v in muestra:
        print(f"muestra {bits(v)}")
    print(f"ajuste {bits(float(k))} {bits(float(c))}")


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Reference texts of reals for the run-time text tests.

Writes tests/fixtures/textos_reales.txt: one line per value,
  <16 hex digits of the IEEE bits> TAB <plain real write> TAB <general text, 15 digits>
The plain real write is Python's '%.16E' with the exponent widened to three digits and a blank
before non-negative values. The general text is the run-time's rule computed with the decimal
module on the exact binary value: 15 significant digits rounded half away from zero, fixed
notation when the exponent is in [-5, 15), else mantissa + "E" + exponent (no "+", no zeros).
Exact: both columns are derived from the exact value of the double.
"""
import decimal
import math
import struct
import sys

VALUES = [0.0, -0.0, 1.5, -2.5e-3, 0.1, 1e300, 5e-324, sys.float_info.max, 1.0 / 3.0, -1e-300,
          123456789.123, 9.0, 0.035, 1e-8, 1.5e20, -1.25e-5, 0.00001, 0.000009999999999999999,
          999999999999999.0, 1e15, 2.5, -7.0, 100.0, 1e-5 * 3, 12345.678, 2.0 ** 52,
          6.02214076e23, -9.87654321e-200, 0.5, 0.125]


def plain(x):
    s = '%.16E' % x
    mant, exp = s.split('E')
    sign, digits = exp[0], exp[1:]
    out = mant + 'E' + sign + digits.rjust(3, '0')
    return out if math.copysign(1.0, x) < 0 else ' ' + out


def general(x, precision=15):
    if x == 0:
        return '0'
    d = decimal.Decimal(x)
    ctx = decimal.Context(prec=precision, rounding=decimal.ROUND_HALF_UP)
    r = ctx.plus(d)
    sign, digits, exp = r.as_tuple()
    digs = ''.join(map(str, digits)).rstrip('0') or '0'
    e10 = len(digits) + exp - 1  # exponent of the first digit
    neg = '-' if sign else ''
    if -5 <= e10 < precision:
        if e10 >= 0:
            ent = digs[:e10 + 1].ljust(e10 + 1, '0')
            frac = digs[e10 + 1:]
        else:
            ent = '0'
            frac = '0' * (-e10 - 1) + digs
        return neg + ent + ('.' + frac if frac else '')
    mant = digs[0] + ('.' + digs[1:] if len(digs) > 1 else '')
    return neg + mant + 'E' + ('-' if e10 < 0 else '') + str(abs(e10))


with open(sys.argv[1] if len(sys.argv) > 1 else 'textos_reales.txt', 'w', newline='\n') as f:
    for v in VALUES:
        bits = struct.unpack('<Q', struct.pack('<d', v))[0]
        f.write('%016x\t%s\t%s\n' % (bits, plain(v), general(v)))

#!/usr/bin/env python3
"""Reference values for the expression evaluator tests.

Each case pairs an expression text with the value it must give, computed here with Python's
float arithmetic and the math module (IEEE double), independently of the evaluator's own
grammar: precedence and associativity are written out by hand in Python syntax. None marks an
expression that must fail.

The evaluator works in 80-bit extended precision and computes b^y as exp(y ln b), so the test
compares with a relative tolerance of 1e-12 (exact zeros must be exact). Values outside the
double range are failures of EvaluarNumero.

Output (tests/fixtures/evaluador_casos.txt), one case per line:
    <expected>|<expression>
<expected> is repr() of the double, or "falla"; the expression runs to the end of the line,
with a TAB written as \\t. Decimal point ".".

Run: python3 tests/tools/evaluador_ref.py > tests/fixtures/evaluador_casos.txt
"""
import math
import sys

PARENS12 = "(" * 12 + "1" + ")" * 12
PARENS13 = "(" * 13 + "1" + ")" * 13
SUM11 = "(" * 11 + "1+1" + ")" * 11
SUM12 = "(" * 12 + "1+1" + ")" * 12


def chain(base, n):
    return "^".join([base] * n)


def power_chain(b, n):
    v = b
    for _ in range(n - 1):
        v = b ** v
    return v


CASES = [
    # precedence and associativity
    ("1+2*3", 1 + 2 * 3),
    ("3-2-1", (3 - 2) - 1),
    ("8/2/2", (8 / 2) / 2),
    ("(1+2)*(3+4)/7", 3.0),
    ("10/4", 2.5),
    ("2^3^2", 2.0 ** 9),
    ("(2^3)^2", 8.0 ** 2),
    ("2*-3", -6.0),
    ("2^-2", 0.25),
    ("2^-1", 0.5),
    ("1--2", 3.0),
    ("-(3)", -3.0),
    ("2*-(1+1)", -4.0),
    ("-ABS(-4)", -4.0),
    ("-SIN(0)", 0.0),
    ("  7  ", 7.0),
    ("0.1+0.2", 0.1 + 0.2),
    # literals
    ("1e-3*2", 0.002),
    (".5+1", 1.5),
    ("5.", 5.0),
    ("2.5E+3", 2500.0),
    ("1.5e-2", 0.015),
    ("1E4000/1E3999", 10.0),     # valid in extended precision
    ("1E-5000+1", 1.0),          # underflows to 0 in extended precision
    # functions, any case
    ("SQRT(16)+ABS(-3)", 7.0),
    ("ATAN(1)*4", math.pi),
    ("ATAN(1E300)", math.pi / 2),
    ("sqr(3)", 9.0),
    ("Sqrt(2)", math.sqrt(2)),
    ("2^0.5", math.sqrt(2)),
    ("exp(1)", math.e),
    ("LN(10)", math.log(10)),
    ("cos(1)+sin(1)", math.cos(1) + math.sin(1)),
    ("SIN(9E18)", math.sin(9e18)),
    ("COS(-9E18)", math.cos(-9e18)),
    ("ROUND(2.5)", 2.0),
    ("ROUND(3.5)", 4.0),
    ("ROUND(-2.5)", -2.0),
    ("round(0.5)", 0.0),
    ("ROUND(2.6)", 3.0),
    ("TRUNC(-2.7)", -2.0),
    ("trunc(2.7)", 2.0),
    ("ROUND(1E9)", 1e9),
    ("TRUNC(-1E9)", -1e9),
    # inclusive range guards
    ("LN(EXP(11356))", 11356.0),
    ("EXP(-11356)*EXP(11356)", 1.0),
    ("10^4931/10^4930", 10.0),
    ("SQR(1E2466)/1E2466/1E2466", 1.0),
    ("EXP(709)", math.exp(709)),
    ("EXP(-800)", 0.0),          # below the smallest double: 0 after narrowing
    # stack depth
    (PARENS12, 1.0),
    (SUM11, 2.0),
    ("1+(2+(3+(4+5)))", 15.0),
    (chain("1.1", 7), power_chain(1.1, 7)),
    # failures
    ("", None),
    ("   ", None),
    (".", None),
    ("2+.", None),
    ("1.2.3", None),
    ("3 4", None),
    ("2(3)", None),
    ("SIN 3", None),
    ("--2", None),
    ("+2", None),
    ("1-+2", None),
    ("-2^2", None),
    ("0^2", None),
    ("(-2)^2", None),
    ("1/0", None),
    ("LN(0)", None),
    ("LN(-1)", None),
    ("SQRT(-1)", None),
    ("EXP(11356.1)", None),
    ("EXP(-11356.1)", None),
    ("10^4932", None),
    ("SQR(1.1E2466)", None),
    ("SIN(9.1E18)", None),
    ("COS(-9.1E18)", None),
    ("ROUND(1.5E9)", None),
    ("TRUNC(-1000000001)", None),
    ("EXP(710)", None),          # finite in extended precision, beyond the double range
    ("1E4000*1E4000", None),     # overflows extended precision
    ("1/(1E4000*1E4000)", None), # the overflow fails even where it would vanish into 0
    ("1E5000", None),
    ("1E12345", None),           # four exponent digits at most: 1E1234 then 5
    ("x", None),
    ("2*x", None),
    ("ABSX(1)", None),
    ("SQRTT(4)", None),
    ("1E", None),
    ("1E+", None),
    ("1\t+2", None),
    ("!", None),
    ("1!", None),
    ("1,5", None),
    ("2**3", None),
    ("2*", None),
    ("(1", None),
    ("1)", None),
    ("SIN(", None),
    ("SIN()", None),
    ("3+\u00e9", None),
    (PARENS13, None),
    (SUM12, None),               # the right operand of + needs two entries more
    ("1+(2+(3+(4+(5+6))))", None),
    (chain("1.1", 8), None),
    (chain("2", 7), None),       # 2^65536 is beyond the exponent guard
]


def main():
    out = sys.stdout.buffer
    for text, value in CASES:
        shown = text.replace("\t", "\\t")
        expected = "falla" if value is None else repr(float(value))
        out.write((expected + "|" + shown + "\n").encode("utf-8"))


if __name__ == "__main__":
    main()

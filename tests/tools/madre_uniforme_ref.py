#!/usr/bin/env python3
"""Reference draws of the uniform source (Knuth's subtractive generator, ran3 form).

Written from the published algorithm, independently of the C++ code: a 56-slot list used
from index 1, the table seeded from 161803398 - |seed| reduced into [0, 10^9), the two
pointers 31 apart. The seed rule is the program's: |seed| is subtracted and the difference
is brought into [0, 10^9) (the textbook takes |161803398 - |seed||, which differs only for
|seed| > 161803398); a seed of 0 never initialises the table, so every draw is 0.

Output (committed as tests/fixtures/madre_uniforme.txt), one line per draw:
    <seed> <draw number from 1> <integer mj> <bits of the draw as 16 hex digits> <D>
where the draw is mj * 1e-9 (a double product) and D is 1 when mj / 1e9 gives other bits.

Run: python3 tests/tools/madre_uniforme_ref.py > tests/fixtures/madre_uniforme.txt
"""
import struct

MBIG = 1000000000
MSEED = 161803398
SEEDS = [31, 1, 200000000, 2147483647, 161803398, 0]
DRAWS = 120


def stream(seed, count):
    ma = [0] * 56
    inext = 0
    inextp = 0
    if seed != 0:
        mj = (MSEED - abs(seed)) % MBIG
        ma[55] = mj
        mk = 1
        for i in range(1, 55):
            ii = (21 * i) % 55
            ma[ii] = mk
            mk = mj - mk
            if mk < 0:
                mk += MBIG
            mj = ma[ii]
        for _ in range(4):
            for i in range(1, 56):
                ma[i] -= ma[1 + (i + 30) % 55]
                if ma[i] < 0:
                    ma[i] += MBIG
        inext = 0
        inextp = 31
    out = []
    for _ in range(count):
        inext = 1 if inext == 55 else inext + 1
        inextp = 1 if inextp == 55 else inextp + 1
        mj = ma[inext] - ma[inextp]
        if mj < 0:
            mj += MBIG
        ma[inext] = mj
        out.append(mj)
    return out


def bits(x):
    return struct.unpack('<Q', struct.pack('<d', x))[0]


def main():
    for seed in SEEDS:
        for k, mj in enumerate(stream(seed, DRAWS), start=1):
            prod = mj * 1e-9
            quot = mj / 1e9
            print(f"{seed} {k} {mj} {bits(prod):016x} {int(bits(prod) != bits(quot))}")


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Reference trajectory of three small S-curve fits.

The fit of a capped logistic S(v) = min(Pmax / (1 + exp(-alfa (v - vm))) - DeltaP, PAut) to
a sector's samples is a constrained minimisation over x = (Pmax, DeltaP, alfa, vm):
  objective   the mean over the n samples of (S(v_i) - P_i)^2;
  gradient    over the samples with P_i <= PAut only (the others still count in n):
              e = exp(-alfa (v - vm)), s = 1 / (1 + e), r = 2 (S - P),
              G1 += s r, G2 -= r, G3 += Pmax s^2 e (v - vm) r, G4 -= Pmax s^2 e alfa r,
              g = G / n (the derivatives of the uncapped logistic, the capped residual);
  constraint  Pmax - DeltaP - PAut >= 0 (active, with violation 0, on its bound);
  box         Pmax in [PAut, 3 PAut], DeltaP in [0, PAut / 2], alfa in [0, 2], vm in [0, 18];
  solver      multiplier step 1.0, tolerance 1e-5, at most 100 outer rounds and 100 trials
              per descent, starting multiplier 0.
The solver is the one written out in traza_resolver.py; only the problem is written here, in
plain Python floats with the same order of every sum and product.

Cases (PAut 20 MW):
  ruido:      16 samples of a curve (Pmax 24, DeltaP 0.5, alfa 0.8, vm 9) with Gaussian
              noise (sd 0.6, random.Random(17)), from the start every sector's first fit
              uses, all zeros (projected into the box: Pmax 20);
  tope:       14 exact samples of a curve (Pmax 30, DeltaP 2, alfa 1, vm 9) that reaches the
              cap from 11 m/s, started from a neighbouring sector's curve;
  sobre_paut: 12 samples, three of them above PAut (counted in the objective but not in its
              gradient), from zeros.

Output, one block per case:
  caso <name>
  inicio <alfa> <vm> <Pmax> <DeltaP> <PAut>
  m <v> <P>                                           (one line per sample)
  t <x1..x4> <xs1..xs4> <L> <Ls> <exito 0/1> <multiplier in force>   (one line per trial)
  fin <alfa> <vm> <Pmax> <DeltaP> <f> <L> <viol> <convergio 0/1>
Reals as float.hex(). Usage: traza_curva_s.py > ../fixtures/traza_curva_s.txt
"""
import math
import random
import sys

from traza_resolver import TR_MAYOR, Problema, Restriccion, h


class RestriccionTope(Restriccion):
    """Pmax - DeltaP - PAut, bounded below by 0."""

    def __init__(self, paut):
        super().__init__([1.0, -1.0, 0.0, 0.0], TR_MAYOR, 0.0)
        self.paut = paut

    def funcion(self, x):
        return x[0] - x[1] - self.paut


class ProblemaCurvaS(Problema):
    def __init__(self, vs, ps, paut):
        inf = [paut, 0.0, 0.0, 0.0]
        sup = [3.0 * paut, 0.5 * paut, 2.0, 18.0]
        super().__init__(None, [RestriccionTope(paut)], inf, sup)
        self.vs, self.ps, self.paut = vs, ps, paut

    def curva(self, v, x):
        pmax, dp, alfa, vm = x
        s = pmax / (1.0 + math.exp(-alfa * (v - vm))) - dp
        return self.paut if s >= self.paut else s

    def objetivo(self, x):
        s = 0.0
        for v, p in zip(self.vs, self.ps):
            d = self.curva(v, x) - p
            s += d * d
        return s / len(self.vs)

    def grad_objetivo(self, x):
        pmax, dp, alfa, vm = x
        g1 = g2 = g3 = g4 = 0.0
        for v, p in zip(self.vs, self.ps):
            if not (p <= self.paut):
                continue
            e = math.exp(-alfa * (v - vm))
            sig = 1.0 / (1.0 + e)
            s = pmax / (1.0 + e) - dp
            if s >= self.paut:
                s = self.paut
            r = 2.0 * (s - p)
            s2 = sig * sig
            g1 += sig * r
            g2 -= r
            g3 += pmax * s2 * e * (v - vm) * r
            g4 -= pmax * s2 * e * alfa * r
        n = len(self.vs)
        return [0.0 + g1 / n, 0.0 + g2 / n, 0.0 + g3 / n, 0.0 + g4 / n]


def curva(v, pmax, dp, alfa, vm, paut):
    s = pmax / (1.0 + math.exp(-alfa * (v - vm))) - dp
    return paut if s >= paut else s


def casos():
    paut = 20.0
    azar = random.Random(17)
    vs = [3.0 + i for i in range(16)]
    ps = [curva(v, 24.0, 0.5, 0.8, 9.0, paut) + azar.gauss(0.0, 0.6) for v in vs]
    yield "ruido", vs, ps, paut, (0.0, 0.0, 0.0, 0.0)

    vs = [4.0 + 1.25 * i for i in range(14)]
    ps = [curva(v, 30.0, 2.0, 1.0, 9.0, paut) for v in vs]
    yield "tope", vs, ps, paut, (0.6, 10.0, 25.0, 1.0)

    vs = [4.0, 5.5, 6.0, 7.5, 8.0, 9.0, 10.5, 11.0, 12.5, 14.0, 15.0, 17.0]
    ps = [0.8, 2.1, 2.9, 5.6, 7.0, 9.4, 13.8, 15.1, 18.7, 20.6, 21.3, 20.4]
    yield "sobre_paut", vs, ps, paut, (0.0, 0.0, 0.0, 0.0)


def main():
    out = []
    for nombre, vs, ps, paut, inicio in casos():
        alfa, vm, pmax, dp = inicio
        p = ProblemaCurvaS(vs, ps, paut)
        x, _, f, L, viol, _, convergio = p.resolver([0.0], [pmax, dp, alfa, vm], 1.0, 1e-5, 100)
        out.append("caso " + nombre)
        out.append("inicio " + " ".join(h(a) for a in (alfa, vm, pmax, dp, paut)))
        for v, q in zip(vs, ps):
            out.append("m " + h(v) + " " + h(q))
        for xa, xs, La, Ls, exito, m0 in p.traza:
            out.append("t " + " ".join([h(a) for a in xa] + [h(a) for a in xs] +
                                       [h(La), h(Ls), str(exito), h(m0)]))
        out.append("fin " + " ".join([h(x[2]), h(x[3]), h(x[0]), h(x[1]), h(f), h(L), h(viol),
                                       "1" if convergio else "0"]))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

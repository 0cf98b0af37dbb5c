#!/usr/bin/env python3
"""Reference trajectory of the constrained minimisation solver on two small problems.

The solver (inner projected descent along the normalised Lagrangian gradient, outer ascent on
the multipliers along the normalised violations, final multiplier estimation) is written here
again, step by step from its description, in plain Python floats (IEEE doubles, no fused
operations), with the same order of every sum and product. Every trial of every descent is
printed as the progress hook sees it, followed by the solver's outputs, so that a C++ run with
a recording hook can be compared with it bit for bit.

Problems (box [-10, 10] for every variable, start (0, 0), lambdas (0), paso 1, tol 1e-5):
  mayor:   min (x1 - 1)^2 + (x2 - 2)^2  with  x1 + x2 >= 4
           (one accepted multiplier step, then the violations vanish at x but not at the
           descent's last, rejected trial: stops unconverged)
  menor:   min (x1 - 3)^2 + (x2 - 3)^2  with  x1 + 2 x2 <= 2      (two accepted steps)
  mayor10: min (x1 - 1)^2 + (x2 - 2)^2  with  10 x1 + 10 x2 >= 40
           (the violations of a rejected trial keep the outer loop going after an accepted
           feasible step; nine rejected steps, each dividing the multiplier step by 4.2,
           until it falls below tol: converged)
  menor01: min (x1 - 3)^2 + (x2 - 3)^2  with  0.1 x1 + 0.2 x2 <= 0.2
           (four accepted steps, the multiplier step growing by 3 each time)
  menor_corto: min (x1 - 1)^2 + (x2 - 2)^2  with  3 x1 + x2 <= 4, maxIter 20
           (the first multiplier step is rejected because its descent ran out of trials,
           and x still moves to where that descent ended)
  menor_lejos: min (x1 - 20)^2 + (x2 - 20)^2  with  x1 + 2 x2 <= 2
           (descents that fail after a growth of the step: each growth lowers by one the
           number of successes in a row the next growth needs)
  menor_rebote: min (x1 - 20)^2 + (x2 + 3)^2  with  x1 + 2 x2 <= 2, maxIter 30
           (the same rule in the outer loop: a rejected multiplier step, two accepted ones whose
           growth lowers the count again, a second rejection, and two accepted steps suffice
           for the next growth; seven rounds, where a count left high would take seventeen)
maxIter 100 unless said otherwise.

Output, one block per problem:
  caso <name>
  t <x1> <x2> <xs1> <xs2> <L> <Ls> <exito 0/1> <multiplier in force>   (one line per trial)
  fin <x1> <x2> <lambda> <f> <L> <viol> <result> <nRondas> <convergio 0/1>
Reals as float.hex(). Usage: traza_resolver.py > ../fixtures/traza_resolver.txt

The solver classes are also imported by traza_curva_s.py.
"""
import math
import sys

EPS = 2.0 ** -52
TR_MAYOR, TR_MENOR = 2, 3
NINGUNA, INFERIOR, SUPERIOR = 1, 2, 3


class Restriccion:
    def __init__(self, a, tipo, cota):
        self.a, self.tipo, self.cota = a, tipo, cota
        self.estado, self.valor, self.violacion, self.mult = 0, 0.0, 0.0, 0.0
        self.grad = [0.0] * len(a)

    def funcion(self, x):
        s = 0.0
        for ai, xi in zip(self.a, x):
            s += ai * xi
        return s + 0.0

    def evaluar(self, x):
        self.valor = self.funcion(x)
        self.estado, self.violacion = NINGUNA, 0.0
        if self.tipo == TR_MAYOR and not (self.valor > self.cota):
            self.estado, self.violacion = INFERIOR, self.cota - self.valor
        elif self.tipo == TR_MENOR and not (self.valor < self.cota):
            self.estado, self.violacion = SUPERIOR, self.valor - self.cota

    def gradiente(self):
        self.grad = [0.0 + ai for ai in self.a]


def norma2(v):
    s = 0.0
    for a in v:
        s += a * a
    return s


def normalizar(v):
    n = math.sqrt(norma2(v))
    if abs(n / len(v)) < EPS:
        return [1.0] + [0.0] * (len(v) - 1), 0.0
    q = 1.0 / n
    return [a * q for a in v], n


def prod(a, b):
    s = 0.0
    for x, y in zip(a, b):
        s += x * y
    return s


class Problema:
    def __init__(self, centro, restricciones, inf, sup):
        self.c, self.rs, self.inf, self.sup = centro, restricciones, inf, sup
        self.traza = []

    def objetivo(self, x):
        s = 0.0
        for xi, ci in zip(x, self.c):
            d = xi - ci
            s += 1.0 * (d * d)
        return s

    def grad_objetivo(self, x):
        return [0.0 + 1.0 * (2.0 * (xi - ci)) for xi, ci in zip(x, self.c)]

    def proyectar(self, x):
        for i in range(len(x)):
            if x[i] <= self.inf[i]:
                x[i] = self.inf[i]
            elif x[i] >= self.sup[i]:
                x[i] = self.sup[i]

    def evaluar(self, x):
        f = self.objetivo(x)
        activas = []
        for r in self.rs:
            r.evaluar(x)
            if r.estado != NINGUNA:
                activas.append(r)
        L, viol = f, 0.0
        for r in activas:
            L = L + r.mult * r.violacion
            viol = viol + r.violacion * r.violacion
        return viol, f, L, activas

    def grad_lagrangiano(self, activas, x):
        gL = self.grad_objetivo(x)
        for r in activas:
            r.gradiente()
            s = -1.0 if r.estado == INFERIOR else 1.0
            m = s * r.mult
            gL = [a + m * b for a, b in zip(gL, r.grad)]
        return gL

    def descenso(self, x, max_iter, paso, paso_min):
        n_iter, terminar = 0, False
        self.proyectar(x)
        viol, f, L, activas = self.evaluar(x)
        gL = self.grad_lagrangiano(activas, x)
        norma = math.sqrt(norma2(gL))
        if norma < EPS:
            return x, viol, f, L, True
        gL = [a / norma for a in gL]
        exitos, k = 0, 1
        while True:
            xs = [a - paso * b for a, b in zip(x, gL)]
            self.proyectar(xs)
            viol_s, f_s, L_s, activas = self.evaluar(xs)
            n_iter += 1
            m0 = self.rs[0].mult if self.rs else 0.0
            if L_s < L:
                exitos += 1
                self.traza.append((list(x), list(xs), L, L_s, 1, m0))
                x, viol, L, f = xs, viol_s, L_s, f_s
                gL = self.grad_lagrangiano(activas, x)
                norma = math.sqrt(norma2(gL))
                if norma < EPS:
                    terminar = True
                else:
                    gL = [a / norma for a in gL]
                    if k <= exitos:
                        paso = 3.0 * paso
                        k = k - 1
                        if k == 0:
                            k = 1
            else:
                self.traza.append((list(x), list(xs), L, L_s, 0, m0))
                k += 1
                exitos = 0
                paso = paso / 4.2
                if paso < paso_min:
                    terminar = True
            if not (not terminar and n_iter < max_iter):
                break
        return x, viol, f, L, terminar

    def resolver(self, lambdas, x, paso, tol, max_iter):
        convergio = False
        self.proyectar(x)
        for i, r in enumerate(self.rs):
            if lambdas[i] < 0.0:
                lambdas[i] = 0.0
            r.mult = lambdas[i]
        x, viol_ant, f, L, terminar = self.descenso(x, max_iter, 1.0, tol / 100.0)
        v = [r.violacion for r in self.rs]
        exitos, k, n_rondas, parar = 0, 1, 0, False
        norma = math.sqrt(norma2(v))
        if norma <= EPS:
            convergio = True
        else:
            v = [a / norma for a in v]
            while True:
                lambdas_t = []
                for i, r in enumerate(self.rs):
                    l = lambdas[i] + paso * v[i]
                    if l < 0.0:
                        l = 0.0
                    lambdas_t.append(l)
                    r.mult = l
                xs, viol_s, f_s, L_s, terminar = self.descenso(list(x), max_iter, 1.0, tol / 10.0)
                n_rondas += 1
                if terminar and L_s > L and (viol_s < 1e-20 or viol_s <= 1.2 * viol_ant):
                    exitos += 1
                    x = list(xs)
                    self.proyectar(x)
                    lambdas = lambdas_t
                    viol_ant = viol_s
                    v = [r.violacion for r in self.rs]
                    L, f = L_s, f_s
                    norma = math.sqrt(norma2(v))
                    if norma > EPS:
                        v = [a / norma for a in v]
                    elif viol_ant < 1e-20:
                        convergio = True
                    else:
                        parar = True
                    if k <= exitos:
                        if not (paso >= 1e100):
                            paso = 3.0 * paso
                        k = k - 1
                        if k == 0:
                            k = 1
                else:
                    x = list(xs)
                    self.proyectar(x)
                    k += 1
                    exitos = 0
                    paso = paso / 4.2
                    if paso < tol:
                        if viol_ant < 1e-20:
                            convergio = True
                        else:
                            parar = True
                if not (not convergio and n_rondas < max_iter and not parar):
                    break
        self.estimar_multiplicadores(x)
        lambdas = [r.mult for r in self.rs]
        return x, lambdas, f, L, viol_ant, n_rondas, convergio

    def estimar_multiplicadores(self, x):
        self.proyectar(x)
        _, _, _, activas = self.evaluar(x)
        for r in self.rs:
            r.mult = 0.0
        gf = self.grad_objetivo(x)
        if norma2(gf) <= EPS:
            return
        for r in activas:
            r.gradiente()
        n = len(x)
        residuo = list(gf)
        d, nd = normalizar(gf)
        hay_residuo = nd > EPS
        w = [0.0] * n
        base, candidatas = [], []
        for r in activas:
            r.resto = [-a for a in r.grad] if r.estado == INFERIOR else list(r.grad)
            r.versor, r.modulo = normalizar(r.grad)
            r.alfa = [0.0] * n
            if prod(r.versor, d) > 0.0:
                pass  # aligned
            else:
                candidatas.append(r)
        opuesta = True
        while candidatas:
            if hay_residuo and opuesta:
                ps = [prod(c.versor, residuo) for c in candidatas]
                kmin = 0
                for i in range(1, len(ps)):
                    if ps[i] < ps[kmin]:
                        kmin = i
                if ps[kmin] < -EPS:
                    r, valor = candidatas.pop(kmin), ps[kmin]
                else:
                    opuesta = False
                    kmax = 0
                    for i in range(1, len(candidatas)):
                        if candidatas[i].modulo > candidatas[kmax].modulo:
                            kmax = i
                    r = candidatas.pop(kmax)
                    valor = r.modulo
                base.append(r)
                residuo = [a - valor * b for a, b in zip(residuo, r.versor)]
                w[len(base) - 1] = valor
            else:
                kmax = 0
                for i in range(1, len(candidatas)):
                    if candidatas[i].modulo > candidatas[kmax].modulo:
                        kmax = i
                r = candidatas.pop(kmax)
                base.append(r)
            k = len(base)
            r.alfa[k - 1] = r.modulo
            r.modulo = 0.0
            quedan = []
            for q in candidatas:
                c = prod(q.resto, r.versor)
                q.resto = [a - c * b for a, b in zip(q.resto, r.versor)]
                q.alfa[k - 1] = c
                q.versor, q.modulo = normalizar(q.resto)
                if not (q.modulo <= EPS or k == n):
                    quedan.append(q)
            candidatas = quedan
        for j in range(len(base) - 1, -1, -1):
            s = 0.0
            for m in range(j + 1, len(base)):
                s = s + base[m].alfa[j] * base[m].mult
            diag = base[j].alfa[j]
            base[j].mult = 0.0 if abs(diag) <= EPS else -(w[j] + s) / diag


def h(x):
    return float(x).hex()


def main():
    casos = [
        ("mayor", [1.0, 2.0], [([1.0, 1.0], TR_MAYOR, 4.0)], 100),
        ("menor", [3.0, 3.0], [([1.0, 2.0], TR_MENOR, 2.0)], 100),
        ("mayor10", [1.0, 2.0], [([10.0, 10.0], TR_MAYOR, 40.0)], 100),
        ("menor01", [3.0, 3.0], [([0.1, 0.2], TR_MENOR, 0.2)], 100),
        ("menor_corto", [1.0, 2.0], [([3.0, 1.0], TR_MENOR, 4.0)], 20),
        ("menor_lejos", [20.0, 20.0], [([1.0, 2.0], TR_MENOR, 2.0)], 100),
        ("menor_rebote", [20.0, -3.0], [([1.0, 2.0], TR_MENOR, 2.0)], 30),
    ]

    out = []
    for nombre, centro, rs, max_iter in casos:
        p = Problema(centro, [Restriccion(*r) for r in rs], [-10.0, -10.0], [10.0, 10.0])
        x, lambdas, f, L, viol, n_rondas, convergio = p.resolver([0.0], [0.0, 0.0], 1.0, 1e-5, max_iter)
        out.append("caso " + nombre)
        for xa, xs, La, Ls, exito, m0 in p.traza:
            out.append("t " + " ".join([h(xa[0]), h(xa[1]), h(xs[0]), h(xs[1]), h(La), h(Ls),
                                         str(exito), h(m0)]))
        out.append("fin " + " ".join([h(x[0]), h(x[1]), h(lambdas[0]), h(f), h(L), h(viol), h(viol),
                                       str(n_rondas), "1" if convergio else "0"]))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

#include "numerics/uproblema.h"

#include <atomic>
#include <cmath>
#include <exception>
#include <iostream>
#include <limits>
#include <stdexcept>

#include "platform/archivos_texto.h"
#include "platform/rtltexto.h"

namespace {

// v := v / |v|, element by element (a division, not a product by the reciprocal).
void DividirPor(TVectR& v, NReal d) {
  for (int32_t i = 1; i <= v.n; ++i) v.pv[static_cast<size_t>(i)] = v.pv[static_cast<size_t>(i)] / d;
}

// The violations of every constraint as left by the last evaluation.
void CopiarViolaciones(const std::vector<std::unique_ptr<TResfx>>& rs, TVectR& v) {
  for (size_t i = 0; i < rs.size(); ++i) v.pv[i + 1] = rs[i]->violacion;
}

// L and the trial's texts of the progress trace: %6.3f, always ".".
std::string LineaAvance(NReal L, const char* rotulo, const TVectR& x) {
  std::string s = FijoAncho(L, 6, 3) + rotulo;
  for (int32_t i = 1; i <= x.n; ++i) {
    s += ", ";
    s += FijoAncho(x.Elemento(i), 6, 3);
  }
  return s;
}

}  // namespace

TProblema_m01::TProblema_m01(int32_t nr, int32_t nx) {
  if (nr < 1 || nx < 1) {
    throw std::invalid_argument("TProblema_m01: nr y nx deben ser >= 1");
  }
  const int32_t n = nx - 1;
  xInf = TVectR(n);
  xSup = TVectR(n);
  objetivo = std::make_unique<Tfx_sumatoria>(0.0);
  for (int32_t i = 0; i < nr - 1; ++i) {
    funcionesRestriccion_.push_back(std::make_unique<Tfx_sumatoria>(0.0));
    restricciones.push_back(
        std::make_unique<TResfx>(TR_Mayor, 0.0, 0.0, funcionesRestriccion_.back().get(), n));
  }
}

TProblema_m01::~TProblema_m01() = default;

void TProblema_m01::FijarFuncionRestriccion(int32_t i, std::unique_ptr<Tfx> fx) {
  if (i < 0 || i >= NRestricciones()) {
    throw std::out_of_range("List index out of bounds (" + IntToStr(i) + ")");
  }
  restricciones[static_cast<size_t>(i)]->fx = fx.get();
  funcionesRestriccion_[static_cast<size_t>(i)] = std::move(fx);
}

bool TProblema_m01::CajaFactible() {
  for (int32_t i = 1; i <= xInf.n; ++i) {
    // Written so that a NaN bound also makes the box empty.
    if (!(xSup.Elemento(i) >= xInf.Elemento(i))) {
      FijarMensaje("La restricción de caja de la variable Nº: " + IntToStr(i) +
                   " vuelve el prolema infactible. " + " x_inf: " + FloatToStr(xInf.Elemento(i)) +
                   " , x_sup: " + FloatToStr(xSup.Elemento(i)));
      return false;
    }
  }
  return true;
}

void TProblema_m01::ProyectarEnCaja(TVectR& x) const {
  for (int32_t i = 1; i <= x.n; ++i) {
    if (x.Elemento(i) <= xInf.Elemento(i)) {
      x.PonerElemento(i, xInf.Elemento(i));
    } else if (x.Elemento(i) >= xSup.Elemento(i)) {
      x.PonerElemento(i, xSup.Elemento(i));
    }
  }
}

NReal TProblema_m01::EvaluarRestricciones(TListaRestricciones& activas, NReal& f, NReal& L,
                                          const TVectR& x) {
  activas.clear();
  f = objetivo->Evaluar(x);
  for (auto& r : restricciones) {
    r->Evaluar(x);
    if (r->estado != NINGUNA) activas.push_back(r.get());
  }
  L = f;
  NReal viol = 0.0;
  for (TResfx* r : activas) {
    L = L + r->multiplicador * r->violacion;
    viol = viol + r->violacion * r->violacion;
  }
  return viol;
}

void TProblema_m01::GradienteLagrangiano(const TListaRestricciones& activas, TVectR& g,
                                         TVectR& gL, const TVectR& x) {
  g.Anular();
  objetivo->AcumularGradiente(g, x);
  gL.Copiar(g);
  for (TResfx* r : activas) {
    r->Gradiente(x);
    const NReal s = r->estado == INFERIOR ? -1.0 : 1.0;
    gL.SumarMultiplo(r->gradiente, s * r->multiplicador);
  }
}

NReal TProblema_m01::Descenso(TVectR& x, int32_t maxIter, NReal paso, NReal pasoMin,
                              int32_t& nIter, NReal& L, NReal& f, bool& terminar,
                              bool mostrarAvance) {
  nIter = 0;
  terminar = false;
  const int32_t n = x.n;
  TListaRestricciones activas;
  activas.reserve(restricciones.size());
  TVectR g(n), gL(n), xs(n);

  ProyectarEnCaja(x);
  NReal viol = EvaluarRestricciones(activas, f, L, x);
  GradienteLagrangiano(activas, g, gL, x);
  NReal norma = gL.Norma();
  if (norma < EpsilonMaquina) {
    terminar = true;
    return viol;
  }
  DividirPor(gL, norma);
  int32_t exitos = 0;
  int32_t k = 1;  // successes in a row needed before the step grows
  bool parar = false;
  do {
    for (int32_t i = 1; i <= n; ++i) {
      xs.pv[static_cast<size_t>(i)] =
          x.pv[static_cast<size_t>(i)] - paso * gL.pv[static_cast<size_t>(i)];
    }
    ProyectarEnCaja(xs);
    NReal fS = 0.0, LS = 0.0;
    const NReal violS = EvaluarRestricciones(activas, fS, LS, xs);
    ++nIter;
    if (LS < L) {
      ++exitos;
      if (mostrarAvance) parar = MostrarAvance(x, xs, L, LS, true);
      IntercambiarVectores(x, xs);
      viol = violS;
      L = LS;
      f = fS;
      GradienteLagrangiano(activas, g, gL, x);
      norma = gL.Norma();
      if (norma < EpsilonMaquina) {
        terminar = true;
      } else {
        DividirPor(gL, norma);
        if (k <= exitos) {
          paso = kFactorCrecimiento * paso;
          k = k - 1;
          if (k == 0) k = 1;
        }
      }
    } else {
      if (mostrarAvance) parar = MostrarAvance(x, xs, L, LS, false);
      ++k;
      exitos = 0;
      paso = paso / kDivisorReduccion;
      if (paso < pasoMin) terminar = true;
      // The direction stays; the next trial starts again from x.
    }
  } while (!terminar && nIter < maxIter && !parar);
  return viol;
}

NReal TProblema_m01::Resolver(TVectR& lambdas, TVectR& x, NReal paso, NReal tolerancia,
                              int32_t maxIter, int32_t& nRondas, NReal& f, NReal& L, NReal& viol,
                              bool& convergio, bool mostrarAvance) {
  const int32_t nr = NRestricciones();
  if (lambdas.n != nr) {
    throw std::invalid_argument("TProblema_m01.Resolver: lambdas tiene " + IntToStr(lambdas.n) +
                                " elementos y el problema " + IntToStr(nr) + " restricciones");
  }
  if (x.n != NVariables()) {
    throw std::invalid_argument("TProblema_m01.Resolver: x tiene " + IntToStr(x.n) +
                                " elementos y el problema " + IntToStr(NVariables()) +
                                " variables");
  }
  convergio = false;
  if (!CajaFactible()) {
    nRondas = 0;
    return std::numeric_limits<NReal>::quiet_NaN();
  }

  ProyectarEnCaja(x);
  for (int32_t i = 0; i < nr; ++i) {
    if (lambdas.Elemento(i + 1) < 0.0) lambdas.PonerElemento(i + 1, 0.0);
    restricciones[static_cast<size_t>(i)]->multiplicador = lambdas.Elemento(i + 1);
  }

  bool terminar = false;
  NReal violAnt =
      Descenso(x, maxIter, 1.0, tolerancia / 100.0, nRondas, L, f, terminar, mostrarAvance);

  TVectR v(nr), lambdasT(nr), xs(x.n);
  CopiarViolaciones(restricciones, v);
  int32_t exitos = 0;
  int32_t k = 1;
  nRondas = 0;
  bool parar = false;
  NReal norma = v.Norma();
  if (norma <= EpsilonMaquina) {
    convergio = true;
  } else {
    DividirPor(v, norma);
    do {
      for (int32_t i = 1; i <= nr; ++i) {
        NReal l = lambdas.Elemento(i) + paso * v.Elemento(i);
        if (l < 0.0) l = 0.0;
        lambdasT.PonerElemento(i, l);
        restricciones[static_cast<size_t>(i - 1)]->multiplicador = l;
      }
      xs.Copiar(x);
      int32_t cuenta = 0;
      NReal LS = 0.0, fS = 0.0;
      const NReal violS = Descenso(xs, maxIter, 1.0, tolerancia / 10.0, cuenta, LS, fS, terminar,
                                   mostrarAvance);
      ++nRondas;
      if (terminar && LS > L && (violS < 1e-20 || violS <= 1.2 * violAnt)) {
        ++exitos;
        x.Copiar(xs);
        ProyectarEnCaja(x);
        lambdas.Copiar(lambdasT);
        violAnt = violS;
        CopiarViolaciones(restricciones, v);
        L = LS;
        f = fS;
        norma = v.Norma();
        if (norma > EpsilonMaquina) {
          DividirPor(v, norma);
        } else if (violAnt < 1e-20) {
          convergio = true;
        } else {
          parar = true;
        }
        if (k <= exitos) {
          if (!(paso >= 1e100)) paso = kFactorCrecimiento * paso;
          k = k - 1;
          if (k == 0) k = 1;
        }
      } else {
        // x follows the descent even when the multiplier step is rejected; the reference
        // values L, f, violAnt and v stay those of the last accepted state.
        x.Copiar(xs);
        ProyectarEnCaja(x);
        ++k;
        exitos = 0;
        paso = paso / kDivisorReduccion;
        if (paso < tolerancia) {
          if (violAnt < 1e-20) {
            convergio = true;
          } else {
            parar = true;
          }
        }
      }
    } while (!convergio && nRondas < maxIter && !parar);
  }

  EstimarMultiplicadores(x, 2);
  for (int32_t i = 0; i < nr; ++i) {
    lambdas.PonerElemento(i + 1, restricciones[static_cast<size_t>(i)]->multiplicador);
  }
  viol = violAnt;
  return violAnt;
}

bool TProblema_m01::MostrarAvance(const TVectR& x, const TVectR& xs, NReal L, NReal Ls,
                                  bool exito) {
  std::cout << LineaAvance(L, ", X:", x) << '\n' << LineaAvance(Ls, ", Xs:", xs) << '\n';
  return false;
}

// ---------------------------------------------------------------------------------------------
// Multiplier estimation

namespace {

// One record of the estimation log, gathered in memory and written at the end so that a log
// that cannot be written never interrupts the estimation.
class RegistroEstimacion {
 public:
  explicit RegistroEstimacion(int32_t nivel) : nivel_(nivel) {}

  bool Activo() const { return nivel_ > 0; }
  void Linea(const std::string& s) {
    if (Activo()) lineas_.push_back(s);
  }
  void Valores(const std::string& rotulo, const TVectR& v) {
    if (!Activo()) return;
    std::string s = rotulo;
    for (int32_t i = 1; i <= v.n; ++i) {
      s += '\t';
      s += RealATexto(v.Elemento(i));
    }
    lineas_.push_back(std::move(s));
  }

  // Level 1 starts a new file; higher levels append (creating the file when it is missing).
  void Cerrar() {
    if (!Activo()) return;
    try {
      TextoSalida f(kLogEstimarMultiplicadores,
                    nivel_ == 1 ? TextoSalida::Modo::Reemplazar : TextoSalida::Modo::Agregar);
      for (const std::string& s : lineas_) f.EscribirLinea(s);
      f.Cerrar();
    } catch (const std::exception& e) {
      // The log is a diagnostic: losing it must not lose the fit that produced it.
      static std::atomic<bool> avisado{false};
      if (!avisado.exchange(true)) {
        std::cout << "ATENCIÓN: no puedo escribir " << kLogEstimarMultiplicadores << ": "
                  << e.what() << '\n';
      }
    }
  }

 private:
  int32_t nivel_;
  std::vector<std::string> lineas_;
};

}  // namespace

void TProblema_m01::EstimarMultiplicadores(TVectR& x, int32_t nivel) {
  RegistroEstimacion log(nivel);
  TListaRestricciones activas;
  NReal f = 0.0, L = 0.0;
  ProyectarEnCaja(x);
  EvaluarRestricciones(activas, f, L, x);
  for (auto& r : restricciones) r->multiplicador = 0.0;

  log.Linea("calcular_fs ............. ");
  log.Valores("x: ", x);
  log.Linea("f(x): \t" + RealATexto(f) + "\tL(x): \t" + RealATexto(L));
  std::string rx = "r(x): ";
  for (TResfx* r : activas) {
    rx += '\t';
    rx += RealATexto(r->valor);
  }
  log.Linea(rx);

  TVectR gf(x.n);
  objetivo->AcumularGradiente(gf, x);
  if (gf.NormaCuadrada() <= EpsilonMaquina) {
    log.Cerrar();
    return;
  }

  log.Linea("gradientes .... ");
  log.Valores("gf", gf);
  for (size_t j = 0; j < activas.size(); ++j) {
    activas[j]->Gradiente(x);
    log.Valores("gr_" + IntToStr(static_cast<int64_t>(j)), activas[j]->gradiente);
  }

  TListaRestricciones base, redundantes, alineadas;
  TVectR w(x.n);
  Ortogonalizar(base, redundantes, alineadas, w, activas, gf);

  log.Linea("opositoras_base_versores --------");
  for (size_t j = 0; j < base.size(); ++j) {
    log.Valores("ubase_" + IntToStr(static_cast<int64_t>(j)), base[j]->versor);
  }
  log.Linea("opositoras_base_alfa --------");
  for (size_t j = 0; j < base.size(); ++j) {
    log.Valores("alfa_base_" + IntToStr(static_cast<int64_t>(j)), base[j]->alfa);
  }
  log.Linea("opositoras_redundantes_alfa --------");
  for (size_t j = 0; j < redundantes.size(); ++j) {
    log.Valores("alfa_red_" + IntToStr(static_cast<int64_t>(j)), redundantes[j]->alfa);
  }

  // Back substitution on the triangular system of the basis, last position first.
  const int32_t K = static_cast<int32_t>(base.size());
  for (int32_t j = K - 1; j >= 0; --j) {
    TResfx& bj = *base[static_cast<size_t>(j)];
    NReal s = 0.0;
    for (int32_t m = j + 1; m <= K - 1; ++m) {
      const TResfx& bm = *base[static_cast<size_t>(m)];
      s = s + bm.alfa.Elemento(j + 1) * bm.multiplicador;
    }
    const NReal diagonal = bj.alfa.Elemento(j + 1);
    // A normal that vanished at x enters the basis with a zero diagonal: it carries no
    // information on the multiplier, which stays 0 instead of becoming inf or NaN.
    if (std::fabs(diagonal) <= EpsilonMaquina) {
      bj.multiplicador = 0.0;
    } else {
      bj.multiplicador = -(w.Elemento(j + 1) + s) / diagonal;
    }
  }

  log.Linea("opositoras_base_lambda --------");
  std::string lambdas = "lambdas: ";
  for (TResfx* r : base) {
    lambdas += '\t';
    lambdas += RealATexto(r->multiplicador);
  }
  log.Linea(lambdas);
  log.Cerrar();
}

bool Ortogonalizar(TListaRestricciones& base, TListaRestricciones& redundantes,
                   TListaRestricciones& alineadas, TVectR& w, const TListaRestricciones& activas,
                   const TVectR& g) {
  const int32_t n = g.n;
  TVectR residuo(g);
  TVectR d(g);
  const bool hayResiduo = d.Normalizar() > EpsilonMaquina;
  w.Anular();
  base.clear();
  redundantes.clear();
  alineadas.clear();
  TListaRestricciones candidatas;

  for (TResfx* r : activas) {
    r->resto.Copiar(r->gradiente);
    if (r->estado == INFERIOR) {
      for (int32_t i = 1; i <= n; ++i) r->resto.PonerElemento(i, -r->resto.Elemento(i));
    }
    // The unit normal comes from the gradient as it is, while the oriented normal in resto is
    // negated for a lower bound. The two differ in sign for an active lower bound, so such a
    // constraint that binds (its gradient along g) is classed as aligned and gets 0. Only the
    // log and the returned multipliers show it; the solver's result does not depend on them.
    r->versor.Copiar(r->gradiente);
    r->modulo = r->versor.Normalizar();
    r->alfa.Anular();
    if (r->versor.ProductoEscalar(d) > 0.0) {
      alineadas.push_back(r);
    } else {
      candidatas.push_back(r);
    }
  }

  bool opuesta = true;
  while (!candidatas.empty()) {
    TResfx* r;
    NReal valor = 0.0;
    if (hayResiduo && opuesta) {
      r = ExtraerOpositora(candidatas, residuo, valor, opuesta);
      base.push_back(r);
      for (int32_t i = 1; i <= n; ++i) {
        residuo.PonerElemento(i, residuo.Elemento(i) - valor * r->versor.Elemento(i));
      }
      // Also when no opposing constraint was found and valor is that constraint's length.
      w.PonerElemento(static_cast<int32_t>(base.size()), valor);
    } else {
      r = ExtraerMayorAlfa(candidatas, valor);
      base.push_back(r);
    }
    const int32_t k = static_cast<int32_t>(base.size());
    r->alfa.PonerElemento(k, r->modulo);
    r->modulo = 0.0;

    for (size_t iq = 0; iq < candidatas.size();) {
      TResfx* q = candidatas[iq];
      const NReal c = q->resto.ProductoEscalar(r->versor);
      for (int32_t i = 1; i <= n; ++i) {
        q->resto.PonerElemento(i, q->resto.Elemento(i) - c * r->versor.Elemento(i));
      }
      q->alfa.PonerElemento(k, c);
      q->versor.Copiar(q->resto);
      q->modulo = q->versor.Normalizar();
      if (q->modulo <= EpsilonMaquina || k == n) {
        redundantes.push_back(q);
        candidatas.erase(candidatas.begin() + static_cast<std::ptrdiff_t>(iq));
      } else {
        ++iq;
      }
    }
  }
  return !hayResiduo;
}

TResfx* ExtraerOpositora(TListaRestricciones& lista, const TVectR& v, NReal& valor,
                         bool& esOpositora) {
  size_t kMin = 0;
  NReal pMin = lista[0]->versor.ProductoEscalar(v);
  for (size_t i = 1; i < lista.size(); ++i) {
    const NReal p = lista[i]->versor.ProductoEscalar(v);
    if (p < pMin) {
      pMin = p;
      kMin = i;
    }
  }
  if (pMin < -EpsilonMaquina) {
    TResfx* r = lista[kMin];
    lista.erase(lista.begin() + static_cast<std::ptrdiff_t>(kMin));
    valor = pMin;
    esOpositora = true;
    return r;
  }
  esOpositora = false;
  return ExtraerMayorAlfa(lista, valor);
}

TResfx* ExtraerMayorAlfa(TListaRestricciones& lista, NReal& valor) {
  size_t kMax = 0;
  for (size_t i = 1; i < lista.size(); ++i) {
    if (lista[i]->modulo > lista[kMax]->modulo) kMax = i;
  }
  TResfx* r = lista[kMax];
  valor = r->modulo;
  lista.erase(lista.begin() + static_cast<std::ptrdiff_t>(kMax));
  return r;
}

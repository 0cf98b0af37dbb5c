// The constrained minimisation solver: hand-traced descents, closed-form constrained minima
// (checked against their KKT conditions), the box, the multiplier estimation and its log.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "numerics/fx_prueba.h"
#include "numerics/uproblema.h"
#include "platform/archivos_texto.h"
#include "platform/rtltexto.h"

namespace fs = std::filesystem;

namespace {

// Runs a test inside a fresh, empty current directory (the log goes there).
class DirectorioTemporal {
 public:
  explicit DirectorioTemporal(const std::string& nombre)
      : anterior_(fs::current_path()),
        dir_(fs::temp_directory_path() /
             ("aeronda_solver_" + nombre + "_" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::current_path(dir_);
  }
  ~DirectorioTemporal() {
    fs::current_path(anterior_);
    fs::remove_all(dir_);
  }
  const fs::path& Ruta() const { return dir_; }

 private:
  fs::path anterior_, dir_;
};

struct Llamada {
  TVectR x, xs;
  double L, Ls;
  bool exito;
  double multiplicador0;  // the first constraint's multiplier when the hook ran
};

class ProblemaRegistrado : public TProblema_m01 {
 public:
  using TProblema_m01::TProblema_m01;
  std::vector<Llamada> llamadas;
  size_t pararTras = 0;  // the hook answers true on this call (1-based); 0 never

  bool MostrarAvance(const TVectR& x, const TVectR& xs, NReal L, NReal Ls, bool exito) override {
    const double m0 = restricciones.empty() ? 0.0 : restricciones[0]->multiplicador;
    llamadas.push_back({x, xs, L, Ls, exito, m0});
    return llamadas.size() == pararTras;
  }
};

// -x below 10 and a wall of 1000 above it, gradient -1: every trial below the wall succeeds.
class TfxRampa : public Tfx {
 public:
  NReal Evaluar(const TVectR& x) const override { return x[1] <= 10.0 ? -x[1] : 1000.0; }
  void AcumularGradiente(TVectR& g, const TVectR&) const override { g[1] += -1.0; }
};

void Caja(TProblema_m01& p, int32_t i, double a, double b) {
  p.FijarCotaInferior(i, a);
  p.FijarCotaSuperior(i, b);
}

struct Esperada {
  double x, xs, L, Ls;
  bool exito;
};

void CompararLlamadas(const std::vector<Llamada>& obtenidas, const std::vector<Esperada>& esp) {
  ASSERT_GE(obtenidas.size(), esp.size());
  for (size_t i = 0; i < esp.size(); ++i) {
    SCOPED_TRACE("llamada " + std::to_string(i));
    EXPECT_DOUBLE_EQ(obtenidas[i].x[1], esp[i].x);
    EXPECT_DOUBLE_EQ(obtenidas[i].xs[1], esp[i].xs);
    EXPECT_DOUBLE_EQ(obtenidas[i].L, esp[i].L);
    EXPECT_DOUBLE_EQ(obtenidas[i].Ls, esp[i].Ls);
    EXPECT_EQ(obtenidas[i].exito, esp[i].exito);
  }
}

TEST(Descenso, PasoCreceTrasKExitosSeguidosYSeDivideEntre4_2) {
  ProblemaRegistrado p(1, 2);
  p.FijarObjetivo(std::make_unique<TfxRampa>());
  Caja(p, 1, 0.0, 100.0);
  TVectR x = Vec({0.0});
  int32_t nIter = -1;
  double L = 0, f = 0;
  bool terminar = true;
  p.Descenso(x, 9, 1.0, 1e-12, nIter, L, f, terminar, true);

  // Steps: 1 and 3 grow at once (k = 1). After one failure k = 2: two successes are needed
  // before the step grows again, and the growth brings k back to 1.
  const double a = 9.0 / 4.2, b = 3.0 * a, c = b / 4.2, d = c / 4.2;
  const double x3 = 4.0 + a, x4 = x3 + a, x6 = x4 + c;
  CompararLlamadas(p.llamadas, {
                                   {0.0, 1.0, 0.0, -1.0, true},
                                   {1.0, 4.0, -1.0, -4.0, true},
                                   {4.0, 13.0, -4.0, 1000.0, false},
                                   {4.0, x3, -4.0, -x3, true},
                                   {x3, x4, -x3, -x4, true},
                                   {x4, x4 + b, -x4, 1000.0, false},
                                   {x4, x6, -x4, -x6, true},
                                   {x6, x6 + c, -x6, 1000.0, false},
                                   {x6, x6 + d, -x6, 1000.0, false},
                               });
  EXPECT_EQ(p.llamadas.size(), 9u);
  EXPECT_EQ(nIter, 9);
  EXPECT_FALSE(terminar);  // ended by maxIter
  EXPECT_DOUBLE_EQ(x[1], x6);
  EXPECT_DOUBLE_EQ(L, -x6);
  EXPECT_DOUBLE_EQ(f, -x6);
}

TEST(Descenso, ElGanchoDetieneTrasSuPrueba) {
  ProblemaRegistrado p(1, 2);
  p.FijarObjetivo(std::make_unique<TfxRampa>());
  Caja(p, 1, 0.0, 100.0);
  p.pararTras = 3;
  TVectR x = Vec({0.0});
  int32_t nIter = 0;
  double L = 0, f = 0;
  bool terminar = true;
  p.Descenso(x, 100, 1.0, 1e-12, nIter, L, f, terminar, true);
  EXPECT_EQ(nIter, 3);
  EXPECT_FALSE(terminar);
  EXPECT_EQ(x[1], 4.0);  // the third trial (13) failed
}

TEST(Resolver, TrazaAManoDeUnaVariableSinRestricciones) {
  DirectorioTemporal dir("traza");
  // (x - 3)^2 on [0, 10] from 0.
  ProblemaRegistrado p(1, 2);
  p.FijarObjetivo(std::make_unique<TfxCuadratica>(std::vector<double>{3.0}));
  Caja(p, 1, 0.0, 10.0);
  TVectR lambdas(0), x = Vec({0.0});
  int32_t nRondas = -1;
  double f = 0, L = 0, viol = -1;
  bool convergio = false;
  const double r = p.Resolver(lambdas, x, 1.0, 1e-5, 100, nRondas, f, L, viol, convergio, true);

  // Step 1 succeeds and grows to 3, 3 succeeds and grows to 9; 4 - 9 is projected onto 0.
  // Two failures leave k = 3, so two successes in a row (from 4 down past 3) do not grow the
  // step, and the direction is recomputed after each success (it turns at 3).
  const double p2 = 9.0 / 4.2, p3 = p2 / 4.2;
  const auto sq = [](double v) { return (v - 3.0) * (v - 3.0); };
  const double x5 = 4.0 - p3, x6 = x5 - p3;
  CompararLlamadas(p.llamadas, {
                                   {0.0, 1.0, 9.0, 4.0, true},
                                   {1.0, 4.0, 4.0, 1.0, true},
                                   {4.0, 0.0, 1.0, 9.0, false},
                                   {4.0, 4.0 - p2, 1.0, sq(4.0 - p2), false},
                                   {4.0, x5, 1.0, sq(x5), true},
                                   {x5, x6, sq(x5), sq(x6), true},
                                   {x6, x6 + p3, sq(x6), sq(x6 + p3), false},
                               });
  // No constraints: the violation vector is empty, so the first descent is the solution.
  EXPECT_TRUE(convergio);
  EXPECT_EQ(nRondas, 0);
  EXPECT_NEAR(x[1], 3.0, 5e-7);  // the last step is below 1e-5 / 100
  EXPECT_EQ(r, 0.0);
  EXPECT_EQ(viol, 0.0);
  EXPECT_EQ(f, L);
  EXPECT_LT(f, 1e-13);
}

TEST(Resolver, RestriccionSatisfechaConvergeSinRondas) {
  DirectorioTemporal dir("satisfecha");
  ProblemaRegistrado p(2, 2);
  p.FijarObjetivo(std::make_unique<TfxCuadratica>(std::vector<double>{3.0}));
  p.FijarFuncionRestriccion(0, std::make_unique<TfxLineal>(std::vector<double>{1.0}));
  p.restricciones[0]->inferior = -5.0;  // x >= -5
  Caja(p, 1, -10.0, 10.0);
  TVectR lambdas = Vec({-4.0}), x = Vec({0.0});
  int32_t nRondas = -1;
  double f = 0, L = 0, viol = -1;
  bool convergio = false;
  p.Resolver(lambdas, x, 1.0, 1e-5, 100, nRondas, f, L, viol, convergio, true);
  EXPECT_TRUE(convergio);
  EXPECT_EQ(nRondas, 0);
  EXPECT_NEAR(x[1], 3.0, 5e-7);  // the last step is below 1e-5 / 100
  ASSERT_FALSE(p.llamadas.empty());
  // A negative starting multiplier is 0 before the first trial.
  EXPECT_EQ(p.llamadas.front().multiplicador0, 0.0);
  EXPECT_EQ(lambdas[1], 0.0);
}

TEST(Resolver, SinMostrarAvanceNoLlamaAlGancho) {
  DirectorioTemporal dir("sin_gancho");
  ProblemaRegistrado p(2, 3);
  p.FijarObjetivo(std::make_unique<TfxCuadratica>(std::vector<double>{1.0, 2.0}));
  p.FijarFuncionRestriccion(0, std::make_unique<TfxLineal>(std::vector<double>{1.0, 1.0}));
  p.restricciones[0]->inferior = 4.0;
  Caja(p, 1, -10.0, 10.0);
  Caja(p, 2, -10.0, 10.0);
  TVectR lambdas(1), x(2);
  int32_t nRondas = 0;
  double f = 0, L = 0, viol = 0;
  bool convergio = false;
  p.Resolver(lambdas, x, 1.0, 1e-5, 100, nRondas, f, L, viol, convergio, false);
  EXPECT_TRUE(p.llamadas.empty());
  EXPECT_GT(nRondas, 0);
}

// Constrained minima with closed forms. Besides x* and f*, the KKT conditions are checked at
// the solver's point: the objective's gradient is parallel to the constraint's normal (no
// component along the constraint) and points the way a non-negative multiplier requires.
struct CasoKKT {
  const char* nombre;
  std::vector<double> centro;
  TTipoRestriccion tipo;
  double cota;
  double x1, x2, f;
  double signo;  // sign of grad f . grad h at the optimum
};

TEST(Resolver, MinimosConRestriccionLinealCumplenKKT) {
  DirectorioTemporal dir("kkt");
  const CasoKKT casos[] = {
      // min (x1-1)^2 + (x2-2)^2, x1 + x2 >= 4: the projection of (1, 2) onto the line.
      {"mayor", {1.0, 2.0}, TR_Mayor, 4.0, 1.5, 2.5, 0.5, +1.0},
      // min (x1-3)^2 + (x2-3)^2, x1 + x2 <= 2.
      {"menor", {3.0, 3.0}, TR_Menor, 2.0, 1.0, 1.0, 8.0, -1.0},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    TProblema_m01 p(2, 3);
    p.FijarObjetivo(std::make_unique<TfxCuadratica>(c.centro));
    p.FijarFuncionRestriccion(0, std::make_unique<TfxLineal>(std::vector<double>{1.0, 1.0}));
    p.restricciones[0]->tipo = c.tipo;
    p.restricciones[0]->inferior = c.cota;
    p.restricciones[0]->superior = c.cota;
    Caja(p, 1, -10.0, 10.0);
    Caja(p, 2, -10.0, 10.0);
    TVectR lambdas(1), x(2);
    int32_t nRondas = 0;
    double f = 0, L = 0, viol = 0;
    bool convergio = false;
    p.Resolver(lambdas, x, 1.0, 1e-5, 100, nRondas, f, L, viol, convergio, false);
    // convergio is not asked for: with the exact multiplier the descent ends on the line, its
    // last trial lies on the feasible side and the violation vector vanishes while the sum of
    // squared violations is still above 1e-20, which ends the outer loop unconverged.
    EXPECT_NEAR(x[1], c.x1, 1e-3);
    EXPECT_NEAR(x[2], c.x2, 1e-3);
    EXPECT_NEAR(f, c.f, 1e-3);
    EXPECT_LT(viol, 1e-6);
    const double g1 = 2.0 * (x[1] - c.centro[0]), g2 = 2.0 * (x[2] - c.centro[1]);
    EXPECT_NEAR(g1 - g2, 0.0, 2e-3);  // no component along (1, -1)
    EXPECT_GT(c.signo * (g1 + g2), 0.5);
  }
}

TEST(Resolver, CajaInfactible) {
  const TFormatSettings guardado = FormatSettings();
  FormatSettings().DecimalSeparator = '.';
  ProblemaRegistrado p(2, 3);
  Caja(p, 1, 0.0, 1.0);
  Caja(p, 2, 5.0, 1.5);
  TVectR lambdas = Vec({-3.0}), x = Vec({7.0, 8.0});
  int32_t nRondas = 42;
  double f = 1, L = 2, viol = 3;
  bool convergio = true;
  const double r = p.Resolver(lambdas, x, 1.0, 1e-5, 100, nRondas, f, L, viol, convergio, true);
  FormatSettings() = guardado;
  EXPECT_TRUE(std::isnan(r));
  EXPECT_FALSE(convergio);
  EXPECT_EQ(nRondas, 0);
  EXPECT_EQ(p.mensaje,
            "La restricción de caja de la variable Nº: 2 vuelve el prolema infactible.  x_inf: 5 "
            ", x_sup: 1.5");
  EXPECT_EQ(x, Vec({7.0, 8.0}));
  EXPECT_EQ(lambdas, Vec({-3.0}));
  EXPECT_EQ(f, 1);
  EXPECT_EQ(L, 2);
  EXPECT_EQ(viol, 3);
  EXPECT_TRUE(p.llamadas.empty());
}

TEST(Resolver, CotaNaNVuelveLaCajaInfactible) {
  TProblema_m01 p(1, 2);
  Caja(p, 1, std::numeric_limits<double>::quiet_NaN(), 1.0);
  EXPECT_FALSE(p.CajaFactible());
}

TEST(Resolver, VectoresDeTamanoEquivocado) {
  TProblema_m01 p(2, 3);
  TVectR x(2), lambdas(1), corto(1), nada(0);
  int32_t nRondas = 0;
  double f = 0, L = 0, viol = 0;
  bool convergio = false;
  EXPECT_THROW(p.Resolver(nada, x, 1, 1e-5, 100, nRondas, f, L, viol, convergio, false),
               std::invalid_argument);
  EXPECT_THROW(p.Resolver(lambdas, corto, 1, 1e-5, 100, nRondas, f, L, viol, convergio, false),
               std::invalid_argument);
}

TEST(TProblema_m01, ProyeccionYRestriccionSobreSuCotaEntraEnElGradiente) {
  TProblema_m01 p(2, 3);
  Caja(p, 1, 0.0, 1.0);
  Caja(p, 2, -1.0, 1.0);
  TVectR x = Vec({-0.5, 1.0});
  p.ProyectarEnCaja(x);
  EXPECT_EQ(x, Vec({0.0, 1.0}));

  // f = (x1-2)^2 + (x2+1)^2, h = 3 x1 - x2 >= -1, exactly on its bound at (0, 1).
  p.FijarObjetivo(std::make_unique<TfxCuadratica>(std::vector<double>{2.0, -1.0}));
  p.FijarFuncionRestriccion(0, std::make_unique<TfxLineal>(std::vector<double>{3.0, -1.0}));
  p.restricciones[0]->inferior = -1.0;
  p.restricciones[0]->multiplicador = 2.0;
  TListaRestricciones activas;
  double f = 0, L = 0;
  EXPECT_EQ(p.EvaluarRestricciones(activas, f, L, x), 0.0);
  ASSERT_EQ(activas.size(), 1u);
  EXPECT_EQ(activas[0]->estado, INFERIOR);
  EXPECT_EQ(f, 8.0);
  EXPECT_EQ(L, 8.0);

  // On the violated side L = f + 2 (-1 - h): its gradient is the Lagrangian's.
  TVectR g(2), gL(2);
  p.GradienteLagrangiano(activas, g, gL, x);
  const auto lagrangiano = [](const TVectR& y) {
    const double h = 3.0 * y[1] - y[2];
    return (y[1] - 2.0) * (y[1] - 2.0) + (y[2] + 1.0) * (y[2] + 1.0) + 2.0 * (-1.0 - h);
  };
  const TVectR num = GradienteNumerico(lagrangiano, x, 1e-6);
  EXPECT_EQ(g, Vec({-4.0, 4.0}));
  EXPECT_NEAR(gL[1], num[1], 1e-7);
  EXPECT_NEAR(gL[2], num[2], 1e-7);
}

// ---------------------------------------------------------------------------------------------
// Multiplier estimation

struct RestriccionLineal {
  std::vector<double> a;
  TTipoRestriccion tipo;
  double cota;
};

std::unique_ptr<TProblema_m01> ProblemaLineal(const std::vector<double>& centro,
                                              const std::vector<RestriccionLineal>& rs) {
  const auto n = static_cast<int32_t>(centro.size());
  auto p = std::make_unique<TProblema_m01>(static_cast<int32_t>(rs.size()) + 1, n + 1);
  p->FijarObjetivo(std::make_unique<TfxCuadratica>(centro));
  for (size_t i = 0; i < rs.size(); ++i) {
    p->FijarFuncionRestriccion(static_cast<int32_t>(i), std::make_unique<TfxLineal>(rs[i].a));
    p->restricciones[i]->tipo = rs[i].tipo;
    p->restricciones[i]->inferior = rs[i].cota;
    p->restricciones[i]->superior = rs[i].cota;
  }
  for (int32_t i = 1; i <= n; ++i) Caja(*p, i, -100.0, 100.0);
  return p;
}

struct CasoMultiplicadores {
  const char* nombre;
  std::vector<double> centro;
  std::vector<RestriccionLineal> restricciones;
  std::vector<double> x;
  std::vector<double> lambdas;
};

TEST(EstimarMultiplicadores, CasosConocidos) {
  const CasoMultiplicadores casos[] = {
      // KKT: grad f = (-2, -2) = -2 (1, 1).
      {"menor", {2.0, 2.0}, {{{1.0, 1.0}, TR_Menor, 2.0}}, {1.0, 1.0}, {2.0}},
      // KKT multiplier 2 as well, but the unit normal of an active lower bound is taken from
      // the gradient as it is, so the binding constraint is classed as aligned and gets 0.
      {"mayor_literal", {2.0, 2.0}, {{{1.0, 1.0}, TR_Mayor, 6.0}}, {3.0, 3.0}, {0.0}},
      // An upper bound whose normal points along grad f = (2, 2): aligned, 0.
      {"alineada", {0.0, 0.0}, {{{1.0, 1.0}, TR_Menor, 2.0}}, {1.0, 1.0}, {0.0}},
      // Two non-orthogonal upper bounds: -4 + l0 + l1 = 0, -2 + l1 = 0.
      {"dos_menores",
       {3.0, 2.0},
       {{{1.0, 0.0}, TR_Menor, 1.0}, {{1.0, 1.0}, TR_Menor, 2.0}},
       {1.0, 1.0},
       {2.0, 2.0}},
      // The same with an inactive third constraint: it gets 0.
      {"inactiva",
       {3.0, 2.0},
       {{{1.0, 0.0}, TR_Menor, 1.0}, {{0.0, 1.0}, TR_Mayor, -5.0}, {{1.0, 1.0}, TR_Menor, 2.0}},
       {1.0, 1.0},
       {2.0, 0.0, 2.0}},
      // A normal orthogonal to grad f: not opposing, so its length stands in for the
      // gradient's coordinate and the multiplier is -1 whatever the scale.
      {"ortogonal", {2.0, 1.0}, {{{0.0, 3.0}, TR_Menor, 3.0}}, {1.0, 1.0}, {-1.0}},
      // A normal parallel to one already in the basis is redundant and gets 0.
      // (Exact normals: a normal parallel only up to rounding keeps a length above the
      // machine epsilon and enters the basis.)
      {"paralela",
       {3.0, 1.0},
       {{{1.0, 0.0}, TR_Menor, 1.0}, {{3.0, 0.0}, TR_Menor, 3.0}},
       {1.0, 1.0},
       {4.0, 0.0}},
      // Three normals through one point in two dimensions. (2, 1) opposes g = (-4, -2) most
      // and leaves no residue; the next one is then taken by length, its length standing in
      // for the gradient's coordinate: l0 = -1, and l2 = (10 + 2) / 5 from the first row.
      // The third normal finds the basis full. The result is not stationary.
      {"sin_residuo",
       {3.0, 2.0},
       {{{1.0, 0.0}, TR_Menor, 1.0}, {{1.0, 1.0}, TR_Menor, 2.0}, {{2.0, 1.0}, TR_Menor, 3.0}},
       {1.0, 1.0},
       {-1.0, 0.0, 2.4}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    auto p = ProblemaLineal(c.centro, c.restricciones);
    for (auto& r : p->restricciones) r->multiplicador = 7.0;
    TVectR x = TVectR::CreateDesdeDA(1, c.x);
    p->EstimarMultiplicadores(x, 0);
    for (size_t i = 0; i < c.lambdas.size(); ++i) {
      EXPECT_NEAR(p->restricciones[i]->multiplicador, c.lambdas[i], 1e-12) << "restricción " << i;
    }
  }
}

// A constant function: an active constraint on it has a zero normal.
class TfxConstante : public Tfx {
 public:
  NReal Evaluar(const TVectR&) const override { return 5.0; }
  void AcumularGradiente(TVectR&, const TVectR&) const override {}
};

TEST(EstimarMultiplicadores, DiagonalNulaDaMultiplicadorCero) {
  // grad f = (-2, 0); the zero normal normalises to (1, 0), opposes g and enters the basis with
  // a zero diagonal.
  auto p = ProblemaLineal({2.0, 1.0}, {{{1.0, 0.0}, TR_Menor, 0.0}});
  p->FijarFuncionRestriccion(0, std::make_unique<TfxConstante>());
  p->restricciones[0]->superior = 5.0;
  TVectR x = Vec({1.0, 1.0});
  p->EstimarMultiplicadores(x, 0);
  EXPECT_EQ(p->restricciones[0]->estado, SUPERIOR);
  EXPECT_EQ(p->restricciones[0]->multiplicador, 0.0);
}

TEST(EstimarMultiplicadores, GradienteDespreciableDejaTodoEnCero) {
  auto p = ProblemaLineal({1.0, 1.0}, {{{1.0, 1.0}, TR_Menor, 2.0}});
  p->restricciones[0]->multiplicador = 3.0;
  TVectR x = Vec({1.0, 1.0});
  p->EstimarMultiplicadores(x, 0);
  EXPECT_EQ(p->restricciones[0]->multiplicador, 0.0);
}

// The problem of tests/tools/log_estimar_multiplicadores.py.
std::unique_ptr<TProblema_m01> ProblemaDelRegistro() {
  return ProblemaLineal({3.0, 2.0}, {{{1.0, 0.0}, TR_Menor, 1.0},
                                     {{1.0, 1.0}, TR_Menor, 2.0},
                                     {{0.0, 1.0}, TR_Mayor, -5.0}});
}

TEST(EstimarMultiplicadores, RegistroCoincideConLaReferencia) {
  DirectorioTemporal dir("registro");
  // Something from an earlier run, which level 1 must drop.
  {
    TextoSalida viejo(kLogEstimarMultiplicadores);
    viejo.EscribirLinea("registro anterior");
    viejo.Cerrar();
  }
  auto p = ProblemaDelRegistro();
  TVectR x = Vec({1.0, 1.0});
  p->EstimarMultiplicadores(x, 1);
  TVectR origen = Vec({0.0, 0.0});
  p->EstimarMultiplicadores(origen, 2);
  EXPECT_EQ(LeerArchivoCompleto(kLogEstimarMultiplicadores),
            LeerArchivoCompleto(fs::path(AERONDA_FIXTURES) / "log_estimar_multiplicadores.xlt"));
}

TEST(EstimarMultiplicadores, NivelCeroNoEscribeYNivelDosAgrega) {
  DirectorioTemporal dir("niveles");
  auto p = ProblemaDelRegistro();
  TVectR x = Vec({1.0, 1.0});
  p->EstimarMultiplicadores(x, 0);
  EXPECT_FALSE(fs::exists(kLogEstimarMultiplicadores));
  p->EstimarMultiplicadores(x, 2);  // creates the missing file
  const std::string uno = LeerArchivoCompleto(kLogEstimarMultiplicadores);
  p->EstimarMultiplicadores(x, 2);
  EXPECT_EQ(LeerArchivoCompleto(kLogEstimarMultiplicadores), uno + uno);
  p->EstimarMultiplicadores(x, 1);
  EXPECT_EQ(LeerArchivoCompleto(kLogEstimarMultiplicadores), uno);
}

TEST(EstimarMultiplicadores, RegistroImposibleNoImpideLaEstimacion) {
  DirectorioTemporal dir("imposible");
  // A folder where the log should be: no append or create can succeed, even for root.
  fs::create_directory(kLogEstimarMultiplicadores);
  auto p = ProblemaLineal({2.0, 2.0}, {{{1.0, 1.0}, TR_Menor, 2.0}});
  testing::internal::CaptureStdout();
  for (int nivel : {2, 1, 2}) {
    TVectR x = Vec({1.0, 1.0});
    EXPECT_NO_THROW(p->EstimarMultiplicadores(x, nivel));
    EXPECT_NEAR(p->restricciones[0]->multiplicador, 2.0, 1e-12);
  }
  const std::string salida = testing::internal::GetCapturedStdout();
  // One warning per process at most: none if an earlier test already gave it.
  const std::string aviso = "ATENCIÓN: no puedo escribir log_EstimarMultiplicadores.xlt: ";
  size_t veces = 0;
  for (size_t k = salida.find(aviso); k != std::string::npos; k = salida.find(aviso, k + 1)) {
    ++veces;
  }
  EXPECT_LE(veces, 1u);
  EXPECT_EQ(veces, 1u) << salida;

  // A whole solution goes through as well.
  auto q = ProblemaLineal({3.0, 3.0}, {{{1.0, 1.0}, TR_Menor, 2.0}});
  TVectR lambdas(1), x(2);
  int32_t nRondas = 0;
  double f = 0, L = 0, viol = 0;
  bool convergio = false;
  EXPECT_NO_THROW(q->Resolver(lambdas, x, 1.0, 1e-5, 100, nRondas, f, L, viol, convergio, false));
  EXPECT_NEAR(x[1], 1.0, 1e-3);
}

TEST(MostrarAvance, TrazaDeConsolaConPuntoFijo) {
  const TFormatSettings guardado = FormatSettings();
  FormatSettings().DecimalSeparator = ',';  // must not reach the trace
  TProblema_m01 p(1, 3);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(p.MostrarAvance(Vec({1.5, -0.25}), Vec({12.3456, 0.0}), 3.14159, -2.5, true));
  const std::string salida = testing::internal::GetCapturedStdout();
  FormatSettings() = guardado;
  EXPECT_EQ(salida,
            " 3.142, X:,  1.500, -0.250\n"
            "-2.500, Xs:, 12.346,  0.000\n");
}

}  // namespace

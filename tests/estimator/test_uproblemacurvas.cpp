// S-curve fitting: closed-form values of the curve and the corrected speed, gradients against
// central differences, fits on data from a known curve, the least-squares optimum of noisy
// samples computed independently by tests/tools/curva_s_ref.py (Levenberg-Marquardt in
// Python, committed as tests/fixtures/curva_s_ref.txt), and every trial of three small fits
// against a second implementation of the problem and its solver settings
// (tests/tools/traza_curva_s.py, committed as tests/fixtures/traza_curva_s.txt).
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "estimator/uproblemacurvas.h"
#include "platform/archivos_texto.h"

namespace {

TVectR Vec(std::initializer_list<double> v) { return TVectR::CreateDesdeDA(1, TDAofNReal(v)); }

double Real(std::string_view s) {
  double x = std::numeric_limits<double>::quiet_NaN();
  std::from_chars(s.data(), s.data() + s.size(), x);
  return x;
}

std::vector<double> Campos(const std::string& linea) {
  std::vector<double> r;
  size_t i = 0;
  while (i < linea.size()) {
    const size_t j = linea.find(' ', i);
    const std::string_view tok(linea.data() + i, (j == std::string::npos ? linea.size() : j) - i);
    if (!tok.empty()) r.push_back(Real(tok));
    if (j == std::string::npos) break;
    i = j + 1;
  }
  return r;
}

struct Referencia {
  double Pmax, DeltaP, alfa, vm, PAut;    // the curve the samples come from
  double oPmax, oDeltaP, oalfa, ovm, of;  // least-squares optimum and its mean squared error
  TVectR v, P;
};

const Referencia& Ref() {
  static const Referencia ref = [] {
    Referencia r{};
    TextoEntrada f(std::filesystem::path(AERONDA_FIXTURES) / "curva_s_ref.txt");
    const std::string l1 = f.LeerLinea(), l2 = f.LeerLinea(), l3 = f.LeerLinea();
    const auto a = Campos(l1.substr(l1.find(' ') + 1));
    const auto b = Campos(l2.substr(l2.find(' ') + 1));
    const int n = static_cast<int>(Campos(l3.substr(l3.find(' ') + 1)).at(0));
    r.Pmax = a.at(0), r.DeltaP = a.at(1), r.alfa = a.at(2), r.vm = a.at(3), r.PAut = a.at(4);
    r.oPmax = b.at(0), r.oDeltaP = b.at(1), r.oalfa = b.at(2), r.ovm = b.at(3), r.of = b.at(4);
    r.v = TVectR(n);
    r.P = TVectR(n);
    for (int i = 1; i <= n; ++i) {
      const auto c = Campos(f.LeerLinea());
      r.v[i] = c.at(0);
      r.P[i] = c.at(1);
    }
    return r;
  }();
  return ref;
}

TEST(CurvaS, ValoresConocidos) {
  // At v = vm the logistic is at half height.
  EXPECT_DOUBLE_EQ(CurvaSAcotada(8.5, 62.0, 1.0, 0.9, 8.5, 50.0), 30.0);
  EXPECT_DOUBLE_EQ(CurvaSAcotada(3.0, 40.0, 5.0, 0.0, 7.0, 50.0), 15.0);  // alfa 0: flat
  // Past the cap; exactly on it the cap is taken.
  EXPECT_EQ(CurvaSAcotada(25.0, 62.0, 1.0, 0.9, 8.5, 50.0), 50.0);
  EXPECT_EQ(CurvaSAcotada(8.5, 100.0, 0.0, 0.9, 8.5, 50.0), 50.0);
  // Pmax - DeltaP below the cap: never reached.
  EXPECT_LT(CurvaSAcotada(1e3, 55.0, 10.0, 0.9, 8.5, 50.0), 50.0);
  EXPECT_NEAR(CurvaSAcotada(1e3, 55.0, 10.0, 0.9, 8.5, 50.0), 45.0, 1e-12);
}

TEST(CurvaS, VelocidadCorregida) {
  EXPECT_EQ(VelocidadCorregida(1.0, 1.0, 2.0), -1.0);            // cube root of -1, sign kept
  EXPECT_EQ(VelocidadCorregida(2.0, 4.0, 1.0), 0.0);             // 8 - 4^1.5
  EXPECT_NEAR(VelocidadCorregida(2.0, 1.0, -19.0), 3.0, 1e-14);  // cbrt(8 + 19)
  EXPECT_NEAR(VelocidadCorregida(1.0, 4.0, 1.0), -std::cbrt(7.0), 1e-14);
  for (double k : {-3.0, 0.5, 7.0}) EXPECT_EQ(VelocidadCorregida(7.25, 0.0, k), 7.25);
  // Coefficient 0: v exactly, whatever the variance (a negative one included).
  for (double w : {0.0, 2.0, -1.0}) EXPECT_EQ(VelocidadCorregida(7.3, w, 0.0), 7.3);
  // A negative variance counts as 0 (its power 1.5 would be NaN).
  EXPECT_NEAR(VelocidadCorregida(7.3, -0.01, 2.0), 7.3, 1e-14);
  EXPECT_FALSE(std::isnan(VelocidadCorregida(7.3, -0.01, 2.0)));

  // alfa_varvel comes between DeltaP and alfa.
  const double c = VelocidadCorregida(9.0, 1.5, 0.3);
  EXPECT_EQ(CurvaSAcotadaVarVel(9.0, 1.5, 62.0, 1.0, 0.3, 0.8, 8.5, 50.0),
            CurvaSAcotada(c, 62.0, 1.0, 0.8, 8.5, 50.0));
  EXPECT_NE(CurvaSAcotadaVarVel(9.0, 1.5, 62.0, 1.0, 0.3, 0.8, 8.5, 50.0),
            CurvaSAcotadaVarVel(9.0, 1.5, 62.0, 1.0, 0.8, 0.3, 8.5, 50.0));
}

TEST(CurvaS, RestriccionTh) {
  T_h h(50.0);
  EXPECT_EQ(h.Evaluar(Vec({61.0, 1.0, 0.9, 8.5})), 10.0);
  EXPECT_EQ(h.Evaluar(Vec({51.0, 1.0, 0.9, 8.5})), 0.0);
  TVectR g = Vec({1.0, 2.0, 3.0, 4.0, 5.0});
  h.AcumularGradiente(g, Vec({61.0, 1.0, 0.9, 8.5, 0.0}));
  EXPECT_EQ(g, Vec({2.0, 1.0, 3.0, 4.0, 5.0}));

  // In the problem it is a lower bound, active with violation 0 at Pmax = DeltaP + PAut.
  TVectR v = Vec({5.0}), P = Vec({1.0});
  TProblema_CurvaS p(nullptr, v, P, 50.0);
  TResfx& r = *p.restricciones[0];
  EXPECT_EQ(r.tipo, TR_Mayor);
  r.Evaluar(Vec({53.0, 3.0, 0.9, 8.5}));
  EXPECT_EQ(r.estado, INFERIOR);
  EXPECT_EQ(r.violacion, 0.0);
  EXPECT_EQ(p.xInf, Vec({50.0, 0.0, 0.0, 0.0}));
  EXPECT_EQ(p.xSup, Vec({150.0, 25.0, 2.0, 18.0}));
}

// Relative agreement of an analytic gradient with central differences.
void CompararConDiferencias(const Tfx& f, const TVectR& x, const std::vector<double>& h) {
  TVectR g(x.n);
  for (int32_t i = 1; i <= x.n; ++i) g[i] = 0.5;  // the gradient is added to this
  f.AcumularGradiente(g, x);
  for (int32_t i = 1; i <= x.n; ++i) {
    TVectR a = x, b = x;
    a[i] += h[static_cast<size_t>(i - 1)];
    b[i] -= h[static_cast<size_t>(i - 1)];
    const double num = (f.Evaluar(a) - f.Evaluar(b)) / (2.0 * h[static_cast<size_t>(i - 1)]);
    EXPECT_NEAR(g[i] - 0.5, num, 1e-6 * std::fabs(num) + 1e-9) << "componente " << i;
  }
}

TEST(CurvaS, GradientesContraDiferenciasCentrales) {
  // Samples of the fixture with powers kept under the cap, and curves that stay under it.
  const Referencia& r = Ref();
  TVectR v(r.v.n), P(r.v.n), w(r.v.n);
  for (int32_t i = 1; i <= v.n; ++i) {
    v[i] = 2.0 + r.v[i];
    P[i] = std::fmin(r.P[i], 45.0);
    w[i] = 0.1 + 0.005 * i;  // 0.1 .. 2.1 (m/s)^2
  }
  T_fobjetivo f(v, P, 50.0);
  T_fobjetivo_varvel fv(v, P, w, 50.0);
  const std::vector<double> h = {1e-4, 1e-4, 1e-6, 1e-5, 1e-4};
  for (const TVectR& x :
       {Vec({45.0, 2.0, 0.9, 8.5}), Vec({30.0, 0.0, 0.3, 12.0}), Vec({48.0, 5.0, 1.7, 4.0})}) {
    SCOPED_TRACE(x[1]);
    CompararConDiferencias(f, x, h);
  }
  for (const TVectR& x : {Vec({45.0, 2.0, 0.9, 8.5, 0.3}), Vec({30.0, 0.0, 0.3, 12.0, -2.0}),
                          Vec({48.0, 5.0, 1.7, 4.0, 1.0})}) {
    SCOPED_TRACE(x[5]);
    CompararConDiferencias(fv, x, h);
  }
}

TEST(CurvaS, MuestraSobrePAutCuentaEnElValorPeroNoEnElGradiente) {
  const TVectR x = Vec({45.0, 2.0, 0.9, 8.5});
  const double s = CurvaSAcotada(6.0, 45.0, 2.0, 0.9, 8.5, 50.0);
  TVectR v1 = Vec({6.0}), P1 = Vec({10.0});
  TVectR v2 = Vec({6.0, 9.0}), P2 = Vec({10.0, 51.0});
  T_fobjetivo uno(v1, P1, 50.0), dos(v2, P2, 50.0);
  const double s9 = CurvaSAcotada(9.0, 45.0, 2.0, 0.9, 8.5, 50.0);
  EXPECT_DOUBLE_EQ(dos.Evaluar(x), ((s - 10.0) * (s - 10.0) + (s9 - 51.0) * (s9 - 51.0)) / 2.0);
  TVectR g1(4), g2(4);
  uno.AcumularGradiente(g1, x);
  dos.AcumularGradiente(g2, x);
  for (int32_t i = 1; i <= 4; ++i) EXPECT_DOUBLE_EQ(g2[i], g1[i] / 2.0) << i;
}

TEST(AjustarCurvaS, DatosExactosDesdeLaVerdadSeQuedanAhi) {
  const Referencia& r = Ref();
  TVectR P(r.v.n);
  for (int32_t i = 1; i <= P.n; ++i)
    P[i] = CurvaSAcotada(r.v[i], r.Pmax, r.DeltaP, r.alfa, r.vm, r.PAut);
  double alfa = r.alfa, vm = r.vm, Pmax = r.Pmax, DeltaP = r.DeltaP, f = -1, L = -1, viol = -1;
  EXPECT_TRUE(AjustarCurvaS(r.v, P, alfa, r.PAut, vm, Pmax, DeltaP, f, L, viol));
  EXPECT_NEAR(Pmax, r.Pmax, 1e-6);
  EXPECT_NEAR(DeltaP, r.DeltaP, 1e-6);
  EXPECT_NEAR(alfa, r.alfa, 1e-6);
  EXPECT_NEAR(vm, r.vm, 1e-6);
  EXPECT_LT(f, 1e-10);
  EXPECT_EQ(viol, 0.0);
}

TEST(AjustarCurvaS, DesdeCerosBajaElObjetivo) {
  const Referencia& r = Ref();
  TVectR P(r.v.n);
  for (int32_t i = 1; i <= P.n; ++i)
    P[i] = CurvaSAcotada(r.v[i], r.Pmax, r.DeltaP, r.alfa, r.vm, r.PAut);
  const T_fobjetivo obj(r.v, P, r.PAut);
  // The start is projected into the box: Pmax 0 becomes PAut.
  const double fInicio = obj.Evaluar(Vec({r.PAut, 0.0, 0.0, 0.0}));
  double alfa = 0, vm = 0, Pmax = 0, DeltaP = 0, f = 0, L = 0, viol = 0;
  AjustarCurvaS(r.v, P, alfa, r.PAut, vm, Pmax, DeltaP, f, L, viol);
  // f is that of the last accepted state; the returned point may have moved on since.
  EXPECT_LT(f, 0.8 * fInicio);
  EXPECT_LT(obj.Evaluar(Vec({Pmax, DeltaP, alfa, vm})), 0.8 * fInicio);
  EXPECT_GE(Pmax, r.PAut);
}

TEST(AjustarCurvaS, DatosConRuidoContraElOptimoDeReferencia) {
  const Referencia& r = Ref();
  const T_fobjetivo obj(r.v, r.P, r.PAut);
  // The two implementations of the mean squared error agree at the reference optimum.
  EXPECT_NEAR(obj.Evaluar(Vec({r.oPmax, r.oDeltaP, r.oalfa, r.ovm})), r.of, 1e-12 * r.of);

  // Started at the curve the samples come from (a neighbouring sector's fit is such a start),
  // the fit comes within 1 % of the optimum.
  double alfa = r.alfa, vm = r.vm, Pmax = r.Pmax, DeltaP = r.DeltaP, f = 0, L = 0, viol = 0;
  EXPECT_TRUE(AjustarCurvaS(r.v, r.P, alfa, r.PAut, vm, Pmax, DeltaP, f, L, viol));
  EXPECT_GE(f, r.of - 1e-9);
  EXPECT_LE(f, r.of * 1.01);
  EXPECT_EQ(viol, 0.0);

  // From farther away the normalised-gradient descent, at most 100 trials a descent, only gets
  // part of the way: never below the optimum, always below the start.
  struct Inicio {
    double alfa, vm, Pmax, DeltaP;
  };
  for (const Inicio& ini :
       {Inicio{0.5, 10.0, r.PAut, 0.0}, Inicio{1.2, 7.0, 70.0, 3.0}, Inicio{1.0, 8.0, 60.0, 0.0}}) {
    SCOPED_TRACE(ini.vm);
    const double fInicio = obj.Evaluar(Vec({ini.Pmax, ini.DeltaP, ini.alfa, ini.vm}));
    alfa = ini.alfa, vm = ini.vm, Pmax = ini.Pmax, DeltaP = ini.DeltaP;
    AjustarCurvaS(r.v, r.P, alfa, r.PAut, vm, Pmax, DeltaP, f, L, viol);
    EXPECT_GE(f, r.of - 1e-9);
    EXPECT_LT(f, fInicio);
    EXPECT_GE(obj.Evaluar(Vec({Pmax, DeltaP, alfa, vm})), r.of - 1e-9);
  }
}

TEST(AjustarCurvaS, CajaVaciaDevuelveNaNYNoTocaLosParametros) {
  TVectR v = Vec({5.0, 6.0}), P = Vec({1.0, 2.0});
  // A negative PAut leaves Pmax in [PAut, 3 PAut] = [-1, -3]; a NaN one leaves no box at all.
  for (double PAut : {-1.0, std::numeric_limits<double>::quiet_NaN()}) {
    SCOPED_TRACE(PAut);
    double alfa = 0.5, vm = 9.0, Pmax = 3.0, DeltaP = 0.25, f = 0, L = 0, viol = 0;
    EXPECT_FALSE(AjustarCurvaS(v, P, alfa, PAut, vm, Pmax, DeltaP, f, L, viol));
    EXPECT_TRUE(std::isnan(f) && std::isnan(L) && std::isnan(viol));
    EXPECT_EQ(alfa, 0.5);
    EXPECT_EQ(vm, 9.0);
    EXPECT_EQ(Pmax, 3.0);
    EXPECT_EQ(DeltaP, 0.25);
  }
}

TEST(AjustarCurvaS, LongitudesDistintas) {
  TVectR v = Vec({5.0, 6.0}), P = Vec({1.0});
  double alfa = 0.5, vm = 9.0, Pmax = 3.0, DeltaP = 0.25, f = 0, L = 0, viol = 0;
  EXPECT_THROW(AjustarCurvaS(v, P, alfa, 50.0, vm, Pmax, DeltaP, f, L, viol),
               std::invalid_argument);
  // The objectives on their own as well: their sums would read past the shorter vector.
  TVectR w2 = Vec({0.1, 0.2}), w1 = Vec({0.1});
  EXPECT_THROW(T_fobjetivo(v, P, 50.0), std::invalid_argument);
  EXPECT_THROW(T_fobjetivo(P, v, 50.0), std::invalid_argument);
  EXPECT_THROW(T_fobjetivo_varvel(v, P, w2, 50.0), std::invalid_argument);
  EXPECT_THROW(T_fobjetivo_varvel(v, v, w1, 50.0), std::invalid_argument);
  EXPECT_NO_THROW(T_fobjetivo_varvel(v, v, w2, 50.0));
}

TEST(AjustarCurvaSVarVel, DatosExactosDesdeLaVerdad) {
  const Referencia& r = Ref();
  TVectR w(r.v.n), P(r.v.n);
  for (int32_t i = 1; i <= P.n; ++i) {
    w[i] = 0.2 + 0.004 * i;
    P[i] = CurvaSAcotadaVarVel(r.v[i], w[i], r.Pmax, r.DeltaP, 0.5, r.alfa, r.vm, r.PAut);
  }
  double alfa = r.alfa, vm = r.vm, Pmax = r.Pmax, DeltaP = r.DeltaP, av = 0.5, f = 0, L = 0,
         viol = 0;
  EXPECT_TRUE(AjustarCurvaSVarVel(r.v, P, w, r.PAut, alfa, vm, Pmax, DeltaP, av, f, L, viol));
  EXPECT_NEAR(av, 0.5, 1e-6);
  EXPECT_NEAR(vm, r.vm, 1e-6);
  EXPECT_LT(f, 1e-10);
}

// ---------------------------------------------------------------------------------------------
// Progress hook

struct Trazo {
  char op;  // 'B' brush, 'P' pen, 'R' rectangle, 'M' move, 'L' line
  int32_t a, b, c, d;
};

class ControlRegistrado : public TControlAvance {
 public:
  std::vector<Trazo> trazos;
  int32_t Ancho() const override { return 200; }
  int32_t Alto() const override { return 100; }
  void ColorBrocha(uint32_t c) override { trazos.push_back({'B', int32_t(c), 0, 0, 0}); }
  void ColorPincel(uint32_t c) override { trazos.push_back({'P', int32_t(c), 0, 0, 0}); }
  void Rectangulo(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    trazos.push_back({'R', x1, y1, x2, y2});
  }
  void MoverA(int32_t x, int32_t y) override { trazos.push_back({'M', x, y, 0, 0}); }
  void LineaA(int32_t x, int32_t y) override { trazos.push_back({'L', x, y, 0, 0}); }
};

TEST(TProblema_CurvaS, GanchoDibujaCadaMuestraContraLaCurva) {
  ControlRegistrado c;
  TVectR v = Vec({10.0, 20.0}), P = Vec({80.0, 10.0});
  TProblema_CurvaS p(&c, v, P, 50.0);
  // yMin -10, yMax max(80, 55) = 80, xMax 20: sx = 10, sy = 100 / 90.
  EXPECT_EQ(p.yMin, -10.0);
  EXPECT_EQ(p.yMax, 80.0);
  EXPECT_EQ(p.xMax, 20.0);
  const TVectR x = Vec({50.0, 0.0, 0.0, 9.0});  // alfa 0: the curve is 25 everywhere
  testing::internal::CaptureStdout();
  EXPECT_FALSE(p.MostrarAvance(x, x, 1.0, 2.0, true));
  const std::string consola = testing::internal::GetCapturedStdout();
  EXPECT_EQ(consola.substr(0, consola.find('\n')), " 1.000, X:, 50.000,  0.000,  0.000,  9.000");

  const double sy = 100.0 / 90.0;
  const auto y = [&](double pot) { return static_cast<int32_t>(100.0 - (pot + 10.0) * sy + 0.5); };
  ASSERT_EQ(c.trazos.size(), 2u + 2u * 3u);
  EXPECT_EQ(c.trazos[0].op, 'B');
  EXPECT_EQ(c.trazos[0].a, 0xFFFFFF);
  EXPECT_EQ(c.trazos[1].op, 'R');
  EXPECT_EQ(c.trazos[1].c, 199);
  EXPECT_EQ(c.trazos[1].d, 99);
  // Sample 1 (80 MW) lies above the curve: red. Sample 2 (10 MW) below it: blue.
  const int32_t esperados[2][5] = {{100, y(80.0), 0x0000FF, 100, y(25.0)},
                                   {200, y(10.0), 0xFF0000, 200, y(25.0)}};
  for (int k = 0; k < 2; ++k) {
    const Trazo* t = &c.trazos[2 + 3 * k];
    EXPECT_EQ(t[0].op, 'M');
    EXPECT_EQ(t[0].a, esperados[k][0]);
    EXPECT_EQ(t[0].b, esperados[k][1]);
    EXPECT_EQ(t[1].op, 'P');
    EXPECT_EQ(t[1].a, esperados[k][2]);
    EXPECT_EQ(t[2].op, 'L');
    EXPECT_EQ(t[2].a, esperados[k][3]);
    EXPECT_EQ(t[2].b, esperados[k][4]);
  }
}

// Records the points the descent shows, without the console trace or the drawing.
class ProblemaObservado : public TProblema_CurvaS {
 public:
  using TProblema_CurvaS::TProblema_CurvaS;
  std::vector<TVectR> puntos;
  bool MostrarAvance(const TVectR& x, const TVectR&, NReal, NReal, bool) override {
    puntos.push_back(x);
    return false;
  }
};

TEST(TProblema_CurvaS, ArranqueFueraDeLaCajaSeProyecta) {
  const Referencia& r = Ref();
  ControlRegistrado c;
  ProblemaObservado p(&c, r.v, r.P, r.PAut);
  double alfa = 3.0, vm = -1.0, Pmax = 10.0, DeltaP = -2.0, f = 0, L = 0, viol = 0;
  p.Ajustar(alfa, vm, Pmax, DeltaP, f, L, viol);
  ASSERT_FALSE(p.puntos.empty());
  EXPECT_EQ(p.puntos[0], Vec({r.PAut, 0.0, 2.0, 0.0}));
  // Without a control the hook is not called.
  ProblemaObservado q(nullptr, r.v, r.P, r.PAut);
  alfa = 0.5, vm = 9.0, Pmax = r.PAut, DeltaP = 0.0;
  q.Ajustar(alfa, vm, Pmax, DeltaP, f, L, viol);
  EXPECT_TRUE(q.puntos.empty());
}

// ---------------------------------------------------------------------------------------------
// Whole trajectories

double Hex(const std::string& s) {
  const bool negativo = !s.empty() && s[0] == '-';
  double x = std::numeric_limits<double>::quiet_NaN();
  const auto r = std::from_chars(s.data() + (negativo ? 3 : 2), s.data() + s.size(), x,
                                 std::chars_format::hex);  // past "0x" / "-0x"
  EXPECT_EQ(r.ec, std::errc()) << s;
  return negativo ? -x : x;
}

// One trial as the progress hook sees it: x, xs, L, Ls, accepted, the multiplier in force.
struct Prueba {
  std::vector<double> x, xs;
  double L, Ls;
  bool exito;
  double multiplicador;
  bool operator==(const Prueba&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Prueba& p) {
  o << std::hexfloat;
  for (double a : p.x) o << a << ' ';
  for (double a : p.xs) o << a << ' ';
  return o << p.L << ' ' << p.Ls << ' ' << p.exito << ' ' << p.multiplicador << std::defaultfloat;
}

class ProblemaTrazado : public TProblema_CurvaS {
 public:
  using TProblema_CurvaS::TProblema_CurvaS;
  std::vector<Prueba> pruebas;
  bool MostrarAvance(const TVectR& x, const TVectR& xs, NReal L, NReal Ls, bool exito) override {
    pruebas.push_back({{x[1], x[2], x[3], x[4]},
                       {xs[1], xs[2], xs[3], xs[4]},
                       L,
                       Ls,
                       exito,
                       restricciones[0]->multiplicador});
    return false;
  }
};

// The reference covers the step rules of the descent and of the multipliers (growth by 3
// after k successes, k lowered by one at each growth, division by 4.2) and the settings of the
// fit (multiplier step 1, tolerance 1e-5, at most 100 rounds and trials): a change in any of
// them moves some trial.
TEST(TProblema_CurvaS, TrayectoriaCompletaIgualALaReferencia) {
  struct Caso {
    std::string nombre;
    double alfa = 0, vm = 0, Pmax = 0, DeltaP = 0, PAut = 0;
    std::vector<double> v, P;
    std::vector<Prueba> pruebas;
    std::vector<double> fin;  // alfa vm Pmax DeltaP f L viol
    bool convergio = false;
  };
  std::vector<Caso> casos;
  TextoEntrada f(std::filesystem::path(AERONDA_FIXTURES) / "traza_curva_s.txt");
  while (!f.Fin()) {
    std::istringstream l(f.LeerLinea());
    std::string tipo;
    l >> tipo;
    std::vector<std::string> c;
    for (std::string t; l >> t;) c.push_back(t);
    if (tipo == "caso") {
      casos.emplace_back().nombre = c.at(0);
      continue;
    }
    Caso& k = casos.back();
    if (tipo == "inicio") {
      k.alfa = Hex(c.at(0)), k.vm = Hex(c.at(1)), k.Pmax = Hex(c.at(2)), k.DeltaP = Hex(c.at(3));
      k.PAut = Hex(c.at(4));
    } else if (tipo == "m") {
      k.v.push_back(Hex(c.at(0)));
      k.P.push_back(Hex(c.at(1)));
    } else if (tipo == "t") {
      Prueba p{{}, {}, Hex(c.at(8)), Hex(c.at(9)), c.at(10) == "1", Hex(c.at(11))};
      for (size_t i = 0; i < 4; ++i) p.x.push_back(Hex(c.at(i)));
      for (size_t i = 4; i < 8; ++i) p.xs.push_back(Hex(c.at(i)));
      k.pruebas.push_back(p);
    } else if (tipo == "fin") {
      for (size_t i = 0; i < 7; ++i) k.fin.push_back(Hex(c.at(i)));
      k.convergio = c.at(7) == "1";
    }
  }
  ASSERT_EQ(casos.size(), 3u);

  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    const TVectR v = TVectR::CreateDesdeDA(1, k.v), P = TVectR::CreateDesdeDA(1, k.P);
    ControlRegistrado control;  // a control makes the fit show every trial
    ProblemaTrazado p(&control, v, P, k.PAut);
    double alfa = k.alfa, vm = k.vm, Pmax = k.Pmax, DeltaP = k.DeltaP, fo = 0, L = 0, viol = 0;
    const bool convergio = p.Ajustar(alfa, vm, Pmax, DeltaP, fo, L, viol);

    ASSERT_EQ(p.pruebas.size(), k.pruebas.size());
    for (size_t i = 0; i < k.pruebas.size(); ++i)
      ASSERT_EQ(p.pruebas[i], k.pruebas[i]) << "prueba " << i;
    const std::vector<double> fin = {alfa, vm, Pmax, DeltaP, fo, L, viol};
    EXPECT_EQ(fin, k.fin);
    EXPECT_EQ(convergio, k.convergio);
  }
}

}  // namespace

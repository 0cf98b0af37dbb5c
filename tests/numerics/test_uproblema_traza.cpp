// The whole trajectory of the solver, every trial of every descent as the progress hook sees it
// and the final outputs, against a second implementation written independently in Python
// (tests/tools/traza_resolver.py, output committed as tests/fixtures/traza_resolver.txt). The
// cases take the outer loop through accepted steps with growing multiplier steps, rejected ones
// that still move x and divide the step by 4.2, violations read from a rejected trial, and
// descents whose step grows again after a failure (each growth lowers by one the successes in
// a row the next one needs), and an outer loop where the same rule holds for the multiplier
// step (menor_rebote: seven rounds; with the count left high after a growth, seventeen).
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "comun/carpeta_prueba.h"
#include "numerics/fx_prueba.h"
#include "numerics/uproblema.h"
#include "platform/archivos_texto.h"
#include "platform/rtltexto.h"

namespace fs = std::filesystem;

namespace {

double Hex(const std::string& s) {
  const bool negativo = !s.empty() && s[0] == '-';
  const size_t desde = negativo ? 3 : 2;  // past "0x" / "-0x"
  double x = 0.0;
  const auto r = std::from_chars(s.data() + desde, s.data() + s.size(), x, std::chars_format::hex);
  EXPECT_EQ(r.ec, std::errc()) << s;
  return negativo ? -x : x;
}

struct Prueba {
  double x1, x2, xs1, xs2, L, Ls;
  bool exito;
  double multiplicador;
};

struct Caso {
  std::vector<Prueba> pruebas;
  std::vector<double> fin;  // x1 x2 lambda f L viol result
  int nRondas = 0;
  bool convergio = false;
};

std::map<std::string, Caso> LeerReferencia() {
  std::map<std::string, Caso> casos;
  TextoEntrada f(fs::path(AERONDA_FIXTURES) / "traza_resolver.txt");
  Caso* actual = nullptr;
  while (!f.Fin()) {
    std::istringstream l(f.LeerLinea());
    std::string tipo;
    l >> tipo;
    std::vector<std::string> c;
    for (std::string t; l >> t;) c.push_back(t);
    if (tipo == "caso") {
      actual = &casos[c.at(0)];
    } else if (tipo == "t") {
      actual->pruebas.push_back({Hex(c.at(0)), Hex(c.at(1)), Hex(c.at(2)), Hex(c.at(3)),
                                 Hex(c.at(4)), Hex(c.at(5)), c.at(6) == "1", Hex(c.at(7))});
    } else if (tipo == "fin") {
      for (size_t i = 0; i < 7; ++i) actual->fin.push_back(Hex(c.at(i)));
      actual->nRondas = StrToInt(c.at(7));
      actual->convergio = c.at(8) == "1";
    }
  }
  return casos;
}

class ProblemaTrazado : public TProblema_m01 {
 public:
  using TProblema_m01::TProblema_m01;
  std::vector<Prueba> pruebas;
  bool MostrarAvance(const TVectR& x, const TVectR& xs, NReal L, NReal Ls, bool exito) override {
    pruebas.push_back({x[1], x[2], xs[1], xs[2], L, Ls, exito, restricciones[0]->multiplicador});
    return false;
  }
};

struct Definicion {
  const char* nombre;
  std::vector<double> centro, a;
  TTipoRestriccion tipo;
  double cota;
  int32_t maxIter;
};

TEST(Resolver, TrayectoriaCompletaIgualALaReferencia) {
  const fs::path carpeta = CarpetaDePrueba("traza_resolver");
  const fs::path anterior = fs::current_path();
  fs::current_path(carpeta);  // the multiplier log goes here
  const auto ref = LeerReferencia();
  const Definicion defs[] = {
      {"mayor", {1.0, 2.0}, {1.0, 1.0}, TR_Mayor, 4.0, 100},
      {"menor", {3.0, 3.0}, {1.0, 2.0}, TR_Menor, 2.0, 100},
      {"mayor10", {1.0, 2.0}, {10.0, 10.0}, TR_Mayor, 40.0, 100},
      {"menor01", {3.0, 3.0}, {0.1, 0.2}, TR_Menor, 0.2, 100},
      {"menor_corto", {1.0, 2.0}, {3.0, 1.0}, TR_Menor, 4.0, 20},
      {"menor_lejos", {20.0, 20.0}, {1.0, 2.0}, TR_Menor, 2.0, 100},
      {"menor_rebote", {20.0, -3.0}, {1.0, 2.0}, TR_Menor, 2.0, 30},
  };
  for (const Definicion& d : defs) {
    SCOPED_TRACE(d.nombre);
    const Caso& esp = ref.at(d.nombre);
    ProblemaTrazado p(2, 3);
    p.FijarObjetivo(std::make_unique<TfxCuadratica>(d.centro));
    p.FijarFuncionRestriccion(0, std::make_unique<TfxLineal>(d.a));
    p.restricciones[0]->tipo = d.tipo;
    p.restricciones[0]->inferior = d.cota;
    p.restricciones[0]->superior = d.cota;
    for (int32_t i = 1; i <= 2; ++i) {
      p.FijarCotaInferior(i, -10.0);
      p.FijarCotaSuperior(i, 10.0);
    }
    TVectR lambdas(1), x(2);
    int32_t nRondas = -1;
    double f = 0, L = 0, viol = 0;
    bool convergio = !esp.convergio;
    testing::internal::CaptureStdout();
    const double r =
        p.Resolver(lambdas, x, 1.0, 1e-5, d.maxIter, nRondas, f, L, viol, convergio, true);
    testing::internal::GetCapturedStdout();

    ASSERT_EQ(p.pruebas.size(), esp.pruebas.size());
    for (size_t i = 0; i < esp.pruebas.size(); ++i) {
      const Prueba &a = p.pruebas[i], &b = esp.pruebas[i];
      SCOPED_TRACE("prueba " + std::to_string(i));
      EXPECT_EQ(a.x1, b.x1);
      EXPECT_EQ(a.x2, b.x2);
      EXPECT_EQ(a.xs1, b.xs1);
      EXPECT_EQ(a.xs2, b.xs2);
      EXPECT_EQ(a.L, b.L);
      EXPECT_EQ(a.Ls, b.Ls);
      EXPECT_EQ(a.exito, b.exito);
      EXPECT_EQ(a.multiplicador, b.multiplicador);
      if (::testing::Test::HasFailure()) break;
    }
    EXPECT_EQ(x[1], esp.fin[0]);
    EXPECT_EQ(x[2], esp.fin[1]);
    EXPECT_EQ(lambdas[1], esp.fin[2]);
    EXPECT_EQ(f, esp.fin[3]);
    EXPECT_EQ(L, esp.fin[4]);
    EXPECT_EQ(viol, esp.fin[5]);
    EXPECT_EQ(r, esp.fin[6]);
    EXPECT_EQ(nRondas, esp.nRondas);
    EXPECT_EQ(convergio, esp.convergio);
  }
  fs::current_path(anterior);
  fs::remove_all(carpeta);
}

}  // namespace

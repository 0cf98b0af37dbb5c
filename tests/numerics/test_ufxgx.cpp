// Function objects, their sum and the classification of constraints.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "numerics/fx_prueba.h"
#include "numerics/uresfxgx.h"
#include "numerics/ufxgx.h"

namespace {

// A constant function that records, in a shared log, the order in which it is destroyed.
class TfxTestigo : public Tfx {
 public:
  TfxTestigo(int id, std::vector<int>* destruidos) : id_(id), destruidos_(destruidos) {}
  ~TfxTestigo() override { destruidos_->push_back(id_); }
  NReal Evaluar(const TVectR&) const override { return id_; }
  void AcumularGradiente(TVectR&, const TVectR&) const override {}

 private:
  int id_;
  std::vector<int>* destruidos_;
};

class TfxConstante : public Tfx {
 public:
  explicit TfxConstante(double v) : v_(v) {}
  NReal Evaluar(const TVectR&) const override { return v_; }
  void AcumularGradiente(TVectR&, const TVectR&) const override {}

 private:
  double v_;
};

TEST(Tfx_sumatoria, SinTerminosEsSuConstanteYNoTocaElGradiente) {
  Tfx_sumatoria s(2.5);
  TVectR x = Vec({1.0, -3.0});
  EXPECT_EQ(s.Evaluar(x), 2.5);
  TVectR g = Vec({7.0, -1.0});
  s.AcumularGradiente(g, x);
  EXPECT_EQ(g, Vec({7.0, -1.0}));
  EXPECT_EQ(s.Descripcion(), "sumatoria_inicio( \r\n)fin_sumatoria\r\n");
}

TEST(Tfx_sumatoria, ValorYGradienteDeUnaSumaCompuesta) {
  // f = 1 + (x1-1)^2 + 3 (x2+2)^2 + (2 x1 - x2 + 4)
  Tfx_sumatoria s(1.0);
  s.terminos.Agregar(std::make_unique<TfxCuadratica>(std::vector<double>{1.0, -2.0},
                                                     std::vector<double>{1.0, 3.0}));
  s.terminos.Agregar(std::make_unique<TfxLineal>(std::vector<double>{2.0, -1.0}, 4.0));
  TVectR x = Vec({0.5, 0.25});
  EXPECT_DOUBLE_EQ(s.Evaluar(x), 1.0 + 0.25 + 3.0 * 2.25 * 2.25 + (1.0 - 0.25 + 4.0));

  // The gradient is added to what g already holds.
  TVectR g = Vec({100.0, -100.0});
  s.AcumularGradiente(g, x);
  TVectR num = GradienteNumerico([&](const TVectR& y) { return s.Evaluar(y); }, x, 1e-5);
  EXPECT_NEAR(g[1] - 100.0, num[1], 1e-8);
  EXPECT_NEAR(g[2] + 100.0, num[2], 1e-8);
}

TEST(Tfx_sumatoria, DescripcionDeCadaTerminoEnOrden) {
  Tfx_sumatoria s(9.0);
  s.terminos.Agregar(std::make_unique<TfxLineal>(std::vector<double>{1.0}, 0.0, "x1"));
  s.terminos.Agregar(std::make_unique<TfxLineal>(std::vector<double>{0.0, 1.0}, 0.0, "x2"));
  EXPECT_EQ(s.Descripcion(), "sumatoria_inicio( \r\nx1\r\nx2\r\n)fin_sumatoria\r\n");
}

TEST(Tfxlst, ElementoFueraDeRangoYLiberacionEnOrden) {
  std::vector<int> destruidos;
  {
    Tfxlst l;
    for (int i = 0; i < 3; ++i) l.Agregar(std::make_unique<TfxTestigo>(i, &destruidos));
    EXPECT_EQ(l.Elemento(2).Evaluar(TVectR(0)), 2.0);
    EXPECT_THROW_MSG(l.Elemento(3), std::out_of_range, "List index out of bounds (3)");
    EXPECT_THROW_MSG(l.Elemento(-1), std::out_of_range, "List index out of bounds (-1)");
    l.FreeTodos();
    EXPECT_EQ(destruidos, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(l.Count(), 0);
  }
  EXPECT_EQ(destruidos.size(), 3u);  // nothing released twice
}

TEST(Tfx, DescripcionPorOmisionNoExiste) {
  TfxConstante c(1.0);
  EXPECT_THROW(c.Descripcion(), std::logic_error);
}

struct CasoClasificacion {
  TTipoRestriccion tipo;
  double inferior, superior, valor;
  TRestriccionActiva estado;
  double violacion;
};

TEST(TResfx, ClasificacionEstrictaDelLadoSatisfecho) {
  const CasoClasificacion casos[] = {
      {TR_Mayor, 0, 0, 0.5, NINGUNA, 0},
      {TR_Mayor, 0, 0, 0.0, INFERIOR, 0},
      {TR_Mayor, 0, 0, -2.0, INFERIOR, 2},
      {TR_Igualdad, 1, 0, 1.0, SUPERIOR, 0},
      {TR_Igualdad, 1, 0, 0.25, INFERIOR, 0.75},
      {TR_Igualdad, 1, 0, 3.0, SUPERIOR, 2},
      {TR_Menor, 0, 2, 1.5, NINGUNA, 0},
      {TR_Menor, 0, 2, 2.0, SUPERIOR, 0},
      {TR_Menor, 0, 2, 5.0, SUPERIOR, 3},
      {TR_Entre, 0, 1, 1.0, SUPERIOR, 0},
      {TR_Entre, 0, 1, 0.0, INFERIOR, 0},
      {TR_Entre, 0, 1, -0.5, INFERIOR, 0.5},
      {TR_Entre, 0, 1, 1.25, SUPERIOR, 0.25},
      {TR_Entre, 0, 1, 0.5, NINGUNA, 0},
      {TR_Libre, 0, 0, -7.0, NINGUNA, 0},
      {static_cast<TTipoRestriccion>(9), 0, 0, -7.0, NINGUNA, 0},
  };
  for (const auto& c : casos) {
    TfxConstante fx(c.valor);
    TResfx r(c.tipo, c.inferior, c.superior, &fx, 2);
    r.violacion = 99.0;  // every evaluation starts afresh
    EXPECT_EQ(r.Evaluar(TVectR(2)), c.valor);
    EXPECT_EQ(r.valor, c.valor);
    EXPECT_EQ(r.estado, c.estado) << "tipo " << int(c.tipo) << " valor " << c.valor;
    EXPECT_EQ(r.violacion, c.violacion) << "tipo " << int(c.tipo) << " valor " << c.valor;
  }
}

TEST(TResfx, EstadoInicialYVectoresDeTrabajo) {
  TfxConstante fx(0.0);
  EXPECT_EQ(TResfx(TR_Libre, 0, 0, &fx, 3).estado, NINGUNA);
  for (auto t : {TR_Igualdad, TR_Mayor, TR_Menor, TR_Entre}) {
    TResfx r(t, 0, 0, &fx, 3);
    EXPECT_EQ(r.estado, INDEFINIDA);
    EXPECT_EQ(r.multiplicador, 0.0);
    for (const TVectR* v : {&r.gradiente, &r.versor, &r.resto, &r.alfa}) EXPECT_EQ(*v, TVectR(3));
  }
}

TEST(TResfx, GradienteBorraLoAnteriorAntesDeAcumular) {
  TfxLineal fx({2.0, -3.0});
  TResfx r(TR_Mayor, 0, 0, &fx, 2);
  r.gradiente = Vec({50.0, 50.0});
  r.Gradiente(Vec({1.0, 1.0}));
  EXPECT_EQ(r.gradiente, Vec({2.0, -3.0}));
  r.Gradiente(Vec({1.0, 1.0}));
  EXPECT_EQ(r.gradiente, Vec({2.0, -3.0}));
}

}  // namespace

// The empirical distribution on small sample sets whose values follow by hand from the
// piecewise-linear definitions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "numerics/fddp_conmatr.h"
#include "numerics/matreal.h"
#include "platform/errores.h"

namespace {

TVectR Vector(const std::vector<double>& v) { return TVectR::CreateDesdeDA(1, v); }

enum class Op { Ubicar, Densidad, Area, Inversa };

struct Caso {
  std::vector<double> muestras;
  Op op;
  double x;
  double esperado;
};

TEST(Tf_ddp_VectDeMuestras, TablaDeCasos) {
  const std::vector<double> a = {1, 2, 4};
  const std::vector<double> b = {1, 2, 2, 4};
  const std::vector<double> c = {2, 2, 4};
  const std::vector<Caso> casos = {
      {a, Op::Ubicar, 0.5, 0},
      {a, Op::Ubicar, 1, 1},
      {a, Op::Ubicar, 3, 2},
      {a, Op::Ubicar, 4, 3},
      {a, Op::Ubicar, 9, 3},
      // 1/gap/(n-1)
      {a, Op::Densidad, 1.5, 0.5},
      {a, Op::Densidad, 3, 0.25},
      {a, Op::Densidad, 0.5, 0},
      {a, Op::Densidad, 4, 0},
      // (m + (x - s(m))/gap)/n
      {a, Op::Area, 0.5, 0},
      {a, Op::Area, 1, 1.0 / 3},
      {a, Op::Area, 2, 2.0 / 3},
      {a, Op::Area, 3, 2.5 / 3},
      {a, Op::Area, 4, 1},
      // position 1 + (n-1)u
      {a, Op::Inversa, 0, 1},
      {a, Op::Inversa, 0.5, 2},
      {a, Op::Inversa, 0.75, 3},
      {a, Op::Inversa, 1, 4},
      {a, Op::Inversa, -0.5, 1},
      {a, Op::Inversa, 2, 4},
      // x = 2 on the run s(2) = s(3): k = 4, j = 2, Trunc(2.5) = 2, the empty interval.
      {b, Op::Ubicar, 2, 2},
      {b, Op::Densidad, 2, 1e6},
      {b, Op::Area, 2, 0.5},
      {b, Op::Densidad, 3, 1.0 / 6},
      {b, Op::Area, 3, 3.5 / 4},
      {b, Op::Inversa, 0.5, 2},
      {b, Op::Inversa, 0.9, 3.4},
      // The run descent stops at j = 2 even though s(1) = 2 too: k = 3, Trunc(2) = 2, the
      // interval [2, 4] and not the empty [s(1), s(2)].
      {c, Op::Ubicar, 2, 2},
      {c, Op::Densidad, 2, 0.25},
      {c, Op::Area, 2, 2.0 / 3},
      {c, Op::Ubicar, 1.9, 0},
  };
  for (const Caso& k : casos) {
    Tf_ddp_VectDeMuestras d(Vector(k.muestras), nullptr, 1);
    SCOPED_TRACE(testing::Message()
                 << "n=" << k.muestras.size() << " op=" << int(k.op) << " x=" << k.x);
    switch (k.op) {
      case Op::Ubicar:
        EXPECT_EQ(d.Ubicar(k.x), static_cast<int32_t>(k.esperado));
        break;
      case Op::Densidad:
        EXPECT_DOUBLE_EQ(d.Densidad(k.x), k.esperado);
        break;
      case Op::Area:
        EXPECT_DOUBLE_EQ(d.Area(k.x), k.esperado);
        break;
      case Op::Inversa:
        EXPECT_DOUBLE_EQ(d.DistribucionInversa(k.x), k.esperado);
        break;
    }
  }
}

TEST(Tf_ddp_VectDeMuestras, CopiaOrdenadaYRango) {
  const TVectR v = Vector({4, 1, 2});
  TMadreUniforme fuente(31);
  Tf_ddp_VectDeMuestras d(v, &fuente, 7);
  EXPECT_EQ(v, Vector({4, 1, 2}));  // the caller's vector is untouched
  EXPECT_EQ(d.muestras, Vector({1, 2, 4}));
  EXPECT_EQ(d.xMin, 1);
  EXPECT_EQ(d.xMax, 4);
  EXPECT_EQ(d.areaXMin, 0);
  EXPECT_EQ(d.areaXMax, 1);
  EXPECT_EQ(d.xCache, 0);
  EXPECT_EQ(d.areaCache, 0);
  EXPECT_EQ(d.fuente, &fuente);
  EXPECT_FALSE(d.poseeFuente);
  // A draw is the inverse at the source's draw.
  TMadreUniforme testigo(31);
  const double u = testigo.GenerarMuestra();
  EXPECT_EQ(d.GenerarMuestra(), d.DistribucionInversa(u));

  const auto propia = Tf_ddp_VectDeMuestras::Create(v, nullptr, 1);
  EXPECT_TRUE(propia->poseeFuente);
}

TEST(Tf_ddp_VectDeMuestras, VectorVacio) {
  EXPECT_THROW_MSG(Tf_ddp_VectDeMuestras(TVectR(0), nullptr, 1), EErrorGeneral,
                   "Tf_ddp_VectDeMuestras.Create: el vector de muestras está vacío");
}

}  // namespace

// The uniform source against an independent transcription of the generator
// (tests/tools/madre_uniforme_ref.py), and the base distribution's numerical paths on a
// density with a closed-form area.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <vector>

#include "comun/afirmaciones.h"
#include "numerics/fddp.h"
#include "numerics/xmatdefs.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "referencias_hex.h"

namespace {

struct Sorteo {
  int64_t mj;
  uint64_t bits;
  bool difiereDeLaDivision;
};

// seed -> its reference draws, in order.
const std::map<int32_t, std::vector<Sorteo>>& Referencia() {
  static const auto* ref = [] {
    auto* m = new std::map<int32_t, std::vector<Sorteo>>();
    for (const auto& c : referencias::LeerCampos("madre_uniforme.txt")) {
      (*m)[static_cast<int32_t>(referencias::Entero(c[0]))].push_back(
          {referencias::Entero(c[2]), referencias::Bits(c[3]), c[4] == "1"});
    }
    return m;
  }();
  return *ref;
}

std::vector<double> Sortear(Tf_ddp& fuente, size_t n) {
  std::vector<double> v;
  for (size_t i = 0; i < n; ++i) v.push_back(fuente.GenerarMuestra());
  return v;
}

TEST(MadreUniforme, SorteosDeReferencia) {
  ASSERT_EQ(Referencia().size(), 6u);
  for (const auto& [semilla, sorteos] : Referencia()) {
    SCOPED_TRACE(semilla);
    TMadreUniforme m(semilla);
    for (size_t i = 0; i < sorteos.size(); ++i) {
      const double u = m.GenerarMuestra();
      ASSERT_EQ(std::bit_cast<uint64_t>(u), sorteos[i].bits) << "sorteo " << i + 1;
      ASSERT_EQ(u, static_cast<double>(sorteos[i].mj) * 1e-9);
      // The product by 1e-9, not the quotient by 1e9.
      if (sorteos[i].difiereDeLaDivision) {
        EXPECT_NE(u, static_cast<double>(sorteos[i].mj) / 1e9);
      }
      EXPECT_TRUE(u >= 0 && u < 1);
    }
  }
  // The first draw of seed 31 is one where product and quotient differ.
  EXPECT_TRUE(Referencia().at(31).front().difiereDeLaDivision);
  // Seed 0 never initialises the table: zeros.
  for (const auto& s : Referencia().at(0)) EXPECT_EQ(s.mj, 0);
}

TEST(MadreUniforme, ReglasDeLaSemilla) {
  TMadreUniforme a(31), b(31), menos(-31);
  const auto sa = Sortear(a, 200);
  EXPECT_EQ(Sortear(b, 200), sa);
  EXPECT_EQ(Sortear(menos, 200), sa);
  // Setting the seed again restarts the stream at the next draw.
  a.FijarSemilla(31);
  EXPECT_EQ(Sortear(a, 200), sa);
  // 161803398 - 200000000 + 10^9 = 961803398: the textbook |161803398 - |seed|| = 38196602 would
  // be the stream of seed 161803398 - 38196602 = 123606796 instead.
  TMadreUniforme grande(200000000), libro(123606796);
  EXPECT_NE(Sortear(grande, 5), Sortear(libro, 5));
}

TEST(MadreUniforme, SemillaMinimaNoDesborda) {
  // -(-2^31) does not exist in 32 bits: the stream must still continue rather than start over
  // at every draw, and repeat when set again.
  const int32_t minimo = std::numeric_limits<int32_t>::min();
  TMadreUniforme m(minimo);
  const auto s = Sortear(m, 60);
  EXPECT_NE(s[0], s[1]);
  EXPECT_GT(m.semilla, 0);
  m.FijarSemilla(minimo);
  EXPECT_EQ(Sortear(m, 60), s);
}

TEST(MadreUniforme, DistribucionUniforme) {
  TMadreUniforme m(5);
  EXPECT_EQ(m.semilla, -5);
  EXPECT_EQ(m.fuente, nullptr);
  struct Caso {
    double x, densidad, distribucion, inversa;
  };
  for (const Caso& c : std::vector<Caso>{
           {-0.5, 0, 0, 0}, {0, 1, 0, 0}, {0.25, 1, 0.25, 0.25}, {1, 0, 1, 1}, {3, 0, 1, 1}}) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(m.Densidad(c.x), c.densidad);
    EXPECT_EQ(m.Distribucion(c.x), c.distribucion);
    EXPECT_EQ(m.Area(c.x), c.distribucion);
    EXPECT_EQ(m.AreaAcumulada(c.x), c.distribucion);
    EXPECT_EQ(m.DistribucionInversa(c.x), c.inversa);
  }
}

// Density 0.5 on [0, 2]: area x/2, inverse 2u. Counts its evaluations.
class Uniforme02 : public Tf_ddp {
 public:
  explicit Uniforme02(Tf_ddp* fuente_ = nullptr, int32_t semilla_ = 31)
      : Tf_ddp(fuente_, 0, 0, 2, 1, semilla_) {}
  NReal Densidad(NReal x) const override {
    ++evaluaciones;
    return (0 <= x && x <= 2) ? 0.5 : 0;
  }
  mutable int evaluaciones = 0;
};

// Density 1.5 sqrt(x) on [0, 1]: area x^1.5. Romberg cannot meet one epsilon on it.
class Raiz : public Tf_ddp {
 public:
  Raiz() : Tf_ddp(nullptr, 0, 0, 1, 1, 1) {}
  NReal Densidad(NReal x) const override { return x < 0 ? 0 : 1.5 * std::sqrt(x); }
};

TEST(Tf_ddp, Construccion) {
  Tf_ddp solo(5, -1, 0.1, 3, 0.9);
  EXPECT_EQ(solo.semilla, 5);  // stored as given
  EXPECT_EQ(solo.fuente, nullptr);
  EXPECT_FALSE(solo.poseeFuente);
  EXPECT_EQ(solo.areaCache, 0.1);
  EXPECT_EQ(solo.xCache, -1);
  EXPECT_EQ(solo.dx, 0);
  EXPECT_EQ(solo.Densidad(1), 0);

  Uniforme02 propia(nullptr, 31);
  EXPECT_TRUE(propia.poseeFuente);
  ASSERT_NE(propia.fuente, nullptr);
  EXPECT_EQ(propia.fuente->semilla, -31);
  EXPECT_EQ(propia.semilla, 0);

  TMadreUniforme compartida(31);
  Uniforme02 ajena(&compartida);
  EXPECT_FALSE(ajena.poseeFuente);
  EXPECT_EQ(ajena.fuente, &compartida);

  struct Caso {
    int32_t s, guardada;
  };
  for (const Caso& c : std::vector<Caso>{{7, -7}, {-7, -7}, {0, 0}}) {
    solo.FijarSemilla(c.s);
    EXPECT_EQ(solo.semilla, c.guardada);
  }
}

TEST(Tf_ddp, AreaEInversa) {
  Uniforme02 d;
  EXPECT_EQ(d.Area(1), 0.5);
  EXPECT_EQ(d.Area(2), 1);
  EXPECT_NEAR(d.DistribucionInversa(0.25), 0.5, 0.5e-4);
  EXPECT_NEAR(d.DistribucionInversa(0.9), 1.8, 0.5e-4);
  EXPECT_EQ(d.uObjetivo, 0.9);
  // The end tests come first and evaluate nothing.
  d.evaluaciones = 0;
  EXPECT_EQ(d.DistribucionInversa(0), 0);
  EXPECT_EQ(d.DistribucionInversa(-1), 0);
  EXPECT_EQ(d.DistribucionInversa(1), 2);
  EXPECT_EQ(d.evaluaciones, 0);

  // Without convergence the last diagonal is the value: close to the area, never garbage.
  Raiz r;
  for (double x : {0.3, 1.0}) EXPECT_NEAR(r.Area(x), std::pow(x, 1.5), 1e-5);
}

TEST(Tf_ddp, InversaSinCambioDeSigno) {
  // The base density is 0: Area - u never changes sign on [xMin, xMax]. The value follows the
  // number format in force.
  Tf_ddp d(1, 0, 0, 1, 1);
  const TFormatSettings previo = FormatSettings();
  FormatSettings().DecimalSeparator = '.';
  EXPECT_THROW_MSG(d.DistribucionInversa(0.5), EErrorGeneral,
                   " Problema de convergencia , area: 0.5");
  FormatSettings().DecimalSeparator = ',';
  EXPECT_THROW_MSG(d.DistribucionInversa(0.125), EErrorGeneral,
                   " Problema de convergencia , area: 0,125");
  FormatSettings() = previo;
}

TEST(Tf_ddp, AreaAcumuladaConYSinPaso) {
  Uniforme02 d;
  // dx = 0 (as built): one piece, and it ends.
  EXPECT_NEAR(d.Distribucion(1.5), 0.75, 1e-15);
  EXPECT_EQ(d.xCache, 1.5);
  // Walking down and up in steps of 0.1 from the cache.
  d.dx = 0.1;
  EXPECT_NEAR(d.AreaAcumulada(0.3), 0.15, 1e-14);
  EXPECT_EQ(d.xCache, 0.3);
  d.evaluaciones = 0;
  EXPECT_NEAR(d.AreaAcumulada(1.95), 0.975, 1e-14);
  EXPECT_GT(d.evaluaciones, 16 * 3);  // 16 steps plus the last piece, 3 evaluations each
  // A step too small for the distance, or not a number: one piece.
  for (double paso : {1e-12, -0.1, std::numeric_limits<double>::quiet_NaN(),
                      std::numeric_limits<double>::infinity()}) {
    d.dx = paso;
    d.evaluaciones = 0;
    EXPECT_NEAR(d.AreaAcumulada(0.5), 0.25, 1e-14);
    EXPECT_EQ(d.evaluaciones, 3);
    d.AreaAcumulada(1.0);
  }
  // A non-finite abscissa leaves the cache as it was.
  EXPECT_TRUE(std::isnan(d.AreaAcumulada(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(d.xCache, 1.0);
  EXPECT_NEAR(d.areaCache, 0.5, 1e-14);
}

// A density that integrates another distribution while the outer one integrates and searches:
// each integration evaluates its own object, so the nesting is harmless.
class Anidada : public Tf_ddp {
 public:
  Anidada() : Tf_ddp(nullptr, 0, 0, 2, 1, 1) {}
  NReal Densidad(NReal x) const override { return interior.Area(x); }  // x/2 on [0, 2]
  mutable Uniforme02 interior;
};

TEST(Tf_ddp, UsoAnidado) {
  Anidada d;
  EXPECT_NEAR(d.Area(1), 0.25, 1e-15);  // x^2/4
  EXPECT_NEAR(d.DistribucionInversa(0.25), 1, 0.5e-4);
  EXPECT_NEAR(d.DistribucionInversa(0.5625), 1.5, 0.5e-4);
}

TEST(Tf_ddp, SorteoPorTransformacionInversa) {
  const auto& ref = Referencia().at(31);
  // Own source with seed 31: draws are 2u within the bisection's half bracket.
  Uniforme02 propia(nullptr, 31);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_NEAR(propia.GenerarMuestra(), 2 * std::bit_cast<double>(ref[i].bits), 0.5e-4);
  }
  // A shared source advances for every distribution that draws from it.
  TMadreUniforme fuente(31);
  Uniforme02 a(&fuente), b(&fuente);
  EXPECT_NEAR(a.GenerarMuestra(), 2 * std::bit_cast<double>(ref[0].bits), 0.5e-4);
  EXPECT_NEAR(b.GenerarMuestra(), 2 * std::bit_cast<double>(ref[1].bits), 0.5e-4);
  EXPECT_NEAR(fuente.GenerarMuestra(), std::bit_cast<double>(ref[2].bits), 0);

  Tf_ddp sinFuente(1, 0, 0, 1, 1);
  EXPECT_THROW_MSG(sinFuente.GenerarMuestra(), EErrorGeneral,
                   "Tf_ddp.GenerarMuestra: la distribución no tiene fuente uniforme");
}

}  // namespace

// Probability distributions of one real and the uniform random source.
//
// Tf_ddp derives everything from its density: areas by Romberg integration, the inverse
// distribution by bisection on the area, and draws by inverse transform of a uniform number
// taken from its source. Subclasses override what they know in closed form. TMadreUniforme is
// the uniform source itself (Knuth's subtractive generator); the empirical and Weibull
// distributions live in fddp_conmatr.h and fddp_weibull.h.
//
// Releasing a distribution is destroying it; it releases its source only when it created it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "numerics/xmatdefs.h"

class Tf_ddp {
 public:
  // Create: the range [xMin, xMax] with the cumulative probabilities at its ends; no source
  // (such an object cannot draw). semilla is stored as given.
  Tf_ddp(int32_t semilla_, NReal xMin_, NReal areaXMin_, NReal xMax_, NReal areaXMax_);
  // CreateConFuente: draws from fuente_, which stays the caller's; when fuente_ is null the
  // object creates and owns a TMadreUniforme(semilla_). The object's own semilla stays 0.
  Tf_ddp(Tf_ddp* fuente_, NReal xMin_, NReal areaXMin_, NReal xMax_, NReal areaXMax_,
         int32_t semilla_);
  static std::unique_ptr<Tf_ddp> Create(int32_t semilla_, NReal xMin_, NReal areaXMin_, NReal xMax_,
                                        NReal areaXMax_);
  static std::unique_ptr<Tf_ddp> CreateConFuente(Tf_ddp* fuente_, NReal xMin_, NReal areaXMin_,
                                                 NReal xMax_, NReal areaXMax_, int32_t semilla_);
  virtual ~Tf_ddp();
  Tf_ddp(const Tf_ddp&) = delete;
  Tf_ddp& operator=(const Tf_ddp&) = delete;

  int32_t semilla = 0;
  bool poseeFuente = false;
  Tf_ddp* fuente = nullptr;
  // Step of the stepwise integration of AreaAcumulada. Nothing sets it; while it is not a
  // positive finite number AreaAcumulada integrates in one piece.
  NReal dx = 0;
  NReal areaXMin = 0;
  NReal xMin = 0;
  NReal areaXMax = 0;
  NReal xMax = 0;
  NReal areaCache = 0;  // cumulative area reached by AreaAcumulada, at xCache
  NReal xCache = 0;
  NReal uObjetivo = 0;  // target probability of the running inverse search

  // 0 here.
  virtual NReal Densidad(NReal x) const;
  // AreaAcumulada(x).
  virtual NReal Distribucion(NReal x);
  // areaXMin + the Romberg integral of Densidad from xMin to x (absolute tolerance
  // EpsilonMaquina; when that is not met after ten rows, the last diagonal is used).
  virtual NReal Area(NReal x);
  // The cumulative area continued from the last abscissa reached (xCache, areaCache) in steps
  // of dx towards x, each piece by Romberg with tolerance 1e-4, then the last piece up to x.
  // With dx not positive and finite, or more than 1e6 steps away, one piece from xCache to x.
  // A non-finite x gives NaN and leaves the cache as it was.
  virtual NReal AreaAcumulada(NReal x);
  // xMin for u <= areaXMin, xMax for u >= areaXMax; otherwise the bisection on Area(x) - u
  // between xMin and xMax (at most 1000 halvings, bracket width 1e-4). When the area does not
  // cross u: EErrorGeneral " Problema de convergencia , area: " + FloatToStr(u).
  virtual NReal DistribucionInversa(NReal u);
  // DistribucionInversa of the source's next draw. Without a source: EErrorGeneral.
  virtual NReal GenerarMuestra();
  // semilla := -s for s > 0, else s. Only the uniform source's generator reads it.
  virtual void FijarSemilla(int32_t s);

 private:
  std::unique_ptr<Tf_ddp> fuentePropia_;
};

// The uniform source on [0, 1): Knuth's subtractive generator (the ran3 form), modulus 10^9,
// seed constant 161803398, a 55-entry table and lag 31. A draw is an integer of [0, 10^9)
// multiplied by 1e-9. A seed s and -s give the same stream; seed 0 never initialises the table
// and draws zeros. Setting a non-zero seed again restarts its stream at the next draw.
class TMadreUniforme : public Tf_ddp {
 public:
  explicit TMadreUniforme(int32_t semilla_);
  static std::unique_ptr<TMadreUniforme> Create(int32_t semilla_);

  int32_t cursorA = 0;
  int32_t cursorB = 0;
  std::array<int32_t, 56> tabla{};  // entries 1..55; 0 is unused

  NReal Densidad(NReal x) const override;       // 1 on [0, 1), else 0
  NReal Distribucion(NReal x) override;         // x clamped to [0, 1]
  NReal Area(NReal x) override;                 // Distribucion(x)
  NReal AreaAcumulada(NReal x) override;        // Distribucion(x)
  NReal DistribucionInversa(NReal u) override;  // u clamped to [0, 1]
  NReal GenerarMuestra() override;
};

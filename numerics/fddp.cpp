#include "numerics/fddp.h"

#include <cmath>
#include <limits>

#include "numerics/math01.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

// Tolerances of the base class's numerical paths.
constexpr NReal kTolPaso = 1e-4;     // each piece of the stepwise area
constexpr NReal kTolInversa = 1e-4;  // width of the abscissa bracket of the inverse
constexpr uint16_t kMaxBisecciones = 1000;
// Beyond this many steps of dx the walk is not worth it (and could not end for a step that is
// tiny next to the distance): integrate in one piece.
constexpr NReal kMaxPasos = 1e6;

constexpr int32_t kMBig = 1000000000;
constexpr int32_t kMSeed = 161803398;

}  // namespace

Tf_ddp::Tf_ddp(int32_t semilla_, NReal xMin_, NReal areaXMin_, NReal xMax_, NReal areaXMax_)
    : semilla(semilla_),
      areaXMin(areaXMin_),
      xMin(xMin_),
      areaXMax(areaXMax_),
      xMax(xMax_),
      areaCache(areaXMin_),
      xCache(xMin_) {}

Tf_ddp::Tf_ddp(Tf_ddp* fuente_, NReal xMin_, NReal areaXMin_, NReal xMax_, NReal areaXMax_,
               int32_t semilla_)
    : areaXMin(areaXMin_),
      xMin(xMin_),
      areaXMax(areaXMax_),
      xMax(xMax_),
      areaCache(areaXMin_),
      xCache(xMin_) {
  if (fuente_ != nullptr) {
    fuente = fuente_;
  } else {
    fuentePropia_ = std::make_unique<TMadreUniforme>(semilla_);
    fuente = fuentePropia_.get();
    poseeFuente = true;
  }
}

std::unique_ptr<Tf_ddp> Tf_ddp::Create(int32_t semilla_, NReal xMin_, NReal areaXMin_, NReal xMax_,
                                       NReal areaXMax_) {
  return std::make_unique<Tf_ddp>(semilla_, xMin_, areaXMin_, xMax_, areaXMax_);
}

std::unique_ptr<Tf_ddp> Tf_ddp::CreateConFuente(Tf_ddp* fuente_, NReal xMin_, NReal areaXMin_,
                                                NReal xMax_, NReal areaXMax_, int32_t semilla_) {
  return std::make_unique<Tf_ddp>(fuente_, xMin_, areaXMin_, xMax_, areaXMax_, semilla_);
}

Tf_ddp::~Tf_ddp() = default;

NReal Tf_ddp::Densidad(NReal) const { return 0; }

NReal Tf_ddp::Distribucion(NReal x) { return AreaAcumulada(x); }

NReal Tf_ddp::Area(NReal x) {
  // The integrator's flag is not consulted: when the absolute tolerance of one epsilon is not
  // met (it can be met only because areas stay near or below 1), the last diagonal of the
  // tableau is the best estimate there is.
  const TResultadoRomberg r =
      RombergUltimaDiagonal([this](NReal t) { return Densidad(t); }, xMin, x, EpsilonMaquina);
  return areaXMin + r.valor;
}

NReal Tf_ddp::AreaAcumulada(NReal x) {
  if (!std::isfinite(x)) return std::numeric_limits<NReal>::quiet_NaN();
  const auto integral = [this](NReal desde, NReal hasta) {
    return RombergUltimaDiagonal([this](NReal t) { return Densidad(t); }, desde, hasta, kTolPaso)
        .valor;
  };
  // The walk needs a positive step; nothing gives dx a value, and with dx = 0 a walk towards
  // any x other than xCache would never advance.
  const bool caminar = std::isfinite(dx) && dx > 0 && std::fabs(x - xCache) / dx <= kMaxPasos;
  if (caminar) {
    if (xCache < x) {
      NReal t = xCache + dx;
      while (t < x) {
        areaCache = areaCache + integral(xCache, t);
        xCache = t;
        t = t + dx;
      }
    } else {
      NReal t = xCache - dx;
      while (t > x) {
        areaCache = areaCache + integral(xCache, t);
        xCache = t;
        t = t - dx;
      }
    }
  }
  areaCache = areaCache + integral(xCache, x);
  xCache = x;
  return areaCache;
}

NReal Tf_ddp::DistribucionInversa(NReal u) {
  if (u <= areaXMin) return xMin;
  if (u >= areaXMax) return xMax;
  uObjetivo = u;
  NReal x = 0;
  NReal fx = 0;
  uint16_t nIter = 0;
  bool convergio = false;
  CeroDeFuncion([this](NReal t) { return Area(t) - uObjetivo; }, kMaxBisecciones, x, xMin, xMax,
                kTolInversa, fx, nIter, convergio);
  if (!convergio) throw EErrorGeneral(" Problema de convergencia , area: " + FloatToStr(u));
  return x;
}

NReal Tf_ddp::GenerarMuestra() {
  if (fuente == nullptr)
    throw EErrorGeneral("Tf_ddp.GenerarMuestra: la distribución no tiene fuente uniforme");
  return DistribucionInversa(fuente->GenerarMuestra());
}

void Tf_ddp::FijarSemilla(int32_t s) { semilla = s > 0 ? -s : s; }

// ---------------------------------------------------------------------------------------------

TMadreUniforme::TMadreUniforme(int32_t semilla_) : Tf_ddp(semilla_, 0, 0, 1, 1) {
  FijarSemilla(semilla_);
}

std::unique_ptr<TMadreUniforme> TMadreUniforme::Create(int32_t semilla_) {
  return std::make_unique<TMadreUniforme>(semilla_);
}

NReal TMadreUniforme::Densidad(NReal x) const { return (0 <= x && x < 1) ? 1 : 0; }

NReal TMadreUniforme::Distribucion(NReal x) {
  if (x < 0) return 0;
  if (x > 1) return 1;
  return x;
}

NReal TMadreUniforme::Area(NReal x) { return Distribucion(x); }

NReal TMadreUniforme::AreaAcumulada(NReal x) { return Distribucion(x); }

NReal TMadreUniforme::DistribucionInversa(NReal u) {
  if (u < 0) return 0;
  if (u > 1) return 1;
  return u;
}

NReal TMadreUniforme::GenerarMuestra() {
  if (semilla < 0) {
    // 161803398 - |seed|, brought into [0, 10^9). Every value below stays under 10^9, so
    // 32-bit integers hold them all.
    int32_t mj = kMSeed + semilla;
    while (mj < 0) mj += kMBig;
    mj = mj % kMBig;
    tabla[55] = mj;
    int32_t mk = 1;
    for (int32_t i = 1; i <= 54; ++i) {
      const int32_t ii = (21 * i) % 55;
      tabla[static_cast<size_t>(ii)] = mk;
      mk = mj - mk;
      if (mk < 0) mk += kMBig;
      mj = tabla[static_cast<size_t>(ii)];
    }
    for (int pasada = 0; pasada < 4; ++pasada) {
      for (int32_t i = 1; i <= 55; ++i) {
        int32_t v = tabla[static_cast<size_t>(i)] - tabla[static_cast<size_t>(1 + (i + 30) % 55)];
        if (v < 0) v += kMBig;
        tabla[static_cast<size_t>(i)] = v;
      }
    }
    cursorA = 0;
    cursorB = 31;
    // Positive from now on, so later draws continue the stream. -(-2^31) does not exist in 32
    // bits; any positive value serves.
    semilla = semilla == std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::max()
                                                             : -semilla;
  }
  if (++cursorA == 56) cursorA = 1;
  if (++cursorB == 56) cursorB = 1;
  int32_t mj = tabla[static_cast<size_t>(cursorA)] - tabla[static_cast<size_t>(cursorB)];
  if (mj < 0) mj += kMBig;
  tabla[static_cast<size_t>(cursorA)] = mj;
  // A product, not a division by 1e9: the two differ in the last bit for some draws.
  return static_cast<NReal>(mj) * 1e-9;
}

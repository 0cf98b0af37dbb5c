#include "estimator/uparques_modelocombinado.h"

#include <cmath>
#include <iostream>
#include <utility>
#include <vector>

#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloempirico.h"
#include "numerics/uauxiliares.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"

namespace {

// Fewer binned samples than this: the cell is not measured.
constexpr NReal kMinMuestrasCorreccion = 10;
// Theoretical powers up to this (MW, in absolute value) give no ratio.
constexpr NReal kPotenciaMinimaCorreccion = 1.0;
// At or above this share of the authorised power the CGM set-point does not hold the farm.
constexpr NReal kUmbralCGM = 0.99;

// min(a, tope), with a product that is not a number taken as the cap.
NReal Acotar(NReal a, NReal tope) {
  if (std::isnan(a)) return tope;
  return a < tope ? a : tope;
}

}  // namespace

// =============================================================================================
// Construction and persistence

std::unique_ptr<TParque_ModeloCombinado> TParque_ModeloCombinado::CreateDesdeCalibrador(
    const std::filesystem::path& archivoClp) {
  auto mc = std::make_unique<TParque_ModeloCombinado>();
  {
    FormatoEstandar formato;
    TextoEntrada f(archivoClp);
    mc->LeerModelos(f);
  }
  mc->AjustarCorreccion();
  return mc;
}

std::unique_ptr<TParque_ModeloCombinado> TParque_ModeloCombinado::CreateConModelos(
    std::shared_ptr<TParque_ModeloTeorico> mt_, std::shared_ptr<TParque_ModeloEmpirico> me_) {
  auto mc = std::make_unique<TParque_ModeloCombinado>();
  mc->mt = std::move(mt_);
  mc->me = std::move(me_);
  mc->Vincular();
  mc->AjustarCorreccion();
  return mc;
}

std::unique_ptr<TParque_ModeloCombinado> TParque_ModeloCombinado::CreateDesdeArchivo(
    const std::filesystem::path& archivoPmc) {
  auto mc = std::make_unique<TParque_ModeloCombinado>();
  FormatoEstandar formato;
  TextoEntrada f(archivoPmc);
  LeerUbicado(f, [&] {
    mc->LeerModelos(f);
    mc->correccion = TMatR::CreateLeerTexto(f);
    // The evaluation indexes the matrix by the empirical model's sectors and bins.
    if (mc->correccion.nf != mc->me->NSectores() || mc->correccion.nc != mc->me->NTramos())
      throw EInOutError("Matriz de corrección inconsistente: " + IntToStr(mc->correccion.nf) + "x" +
                            IntToStr(mc->correccion.nc),
                        archivoPmc);
  });
  return mc;
}

void TParque_ModeloCombinado::EscribirTexto(TextoSalida& f) const {
  TCalibradorParque::EscribirTexto(f);
  correccion.EscribirTexto(f);
}

void TParque_ModeloCombinado::Guardar(const std::filesystem::path& archivo) const {
  FormatoEstandar formato;
  TextoSalida f(archivo);
  EscribirTexto(f);
  f.Cerrar();
}

// =============================================================================================
// Fit of the correction

void TParque_ModeloCombinado::AjustarCorreccion() {
  const int32_t nS = me->NSectores();
  const int32_t nT = me->NTramos();
  TMatR R(nS, nT);
  correccion = TMatR(nS, nT);
  correccion.LlenarUnos();
  CalcularCocientes(R);
  CopiarCocientesPositivos(correccion, R);
  // The test comes after the sweep: at least one is made, at most kMaxPasadasCorreccion + 1.
  int32_t s = 0;
  NReal cambio = 0;
  do {
    cambio = PasadaRellenoCorreccion(correccion, R);
    std::cout << "cnt_iter: " << IntToStr(s) << ", epsilon: " << RealATexto(cambio) << "\n";
    ++s;
  } while (!(s > kMaxPasadasCorreccion || cambio < kToleranciaCorreccion));
  std::cout.flush();
  pasadasRelleno = s;
}

void TParque_ModeloCombinado::CalcularCocientes(TMatR& R) {
  const int32_t nS = me->NSectores();
  const int32_t nT = me->NTramos();
  const NReal pAut = mt->potencia_autorizada_mw;
  const TParque_ModeloEmpirico& e = *me;
  // The measured cells, in the order of the loop below.
  struct Celda {
    int32_t k = 0, j = 0;
    NReal pme = 0, pmt = 0;
  };
  std::vector<Celda> celdas;
  for (int32_t k = 1; k <= nS; ++k)
    for (int32_t j = 1; j <= nT; ++j)
      if (e.cntTramo.Elemento(k, j) >= kMinMuestrasCorreccion) celdas.push_back({k, j});
  TLoteModelo lote(
      *mt, Copias(), static_cast<int32_t>(celdas.size()), [&](TParque_ModeloTeorico& m, int32_t i) {
        Celda& c = celdas[static_cast<size_t>(i)];
        const NReal a = e.AnguloSector(c.k);
        const NReal q = e.centrosPv3[c.j];
        m.PrepararGrilla(false, a, q);
        NReal cnt = 0;
        c.pme = e.PotenciaRepresentantes(cnt, a, q, DensidadEstandar);
        bool convergio = false;
        NReal dpvMastil = 0, dpvLibre = 0;
        c.pmt = m.PotenciaParque(convergio, dpvMastil, DensidadEstandar, q, pAut, dpvLibre);
      });
  lote.Calcular();
  int32_t i = 0;
  for (int32_t k = 1; k <= nS; ++k) {
    std::cout << "kAng: " << IntToStr(k) << " **********************\n";
    for (int32_t j = 1; j <= nT; ++j) {
      std::cout << IntToStr(j) << ", ";
      if (!(e.cntTramo.Elemento(k, j) >= kMinMuestrasCorreccion)) continue;
      lote.Tomar(i);
      const Celda& c = celdas[static_cast<size_t>(i++)];
      if (std::fabs(c.pmt) > kPotenciaMinimaCorreccion) R.PonerElemento(k, j, c.pme / c.pmt);
    }
    std::cout << "\n";
  }
  std::cout.flush();
}

void TParque_ModeloCombinado::CopiarCocientesPositivos(TMatR& C, const TMatR& R) {
  for (int32_t k = 1; k <= R.nf; ++k)
    for (int32_t j = 1; j <= R.nc; ++j)
      if (R.Elemento(k, j) > 0) C.PonerElemento(k, j, R.Elemento(k, j));
}

NReal TParque_ModeloCombinado::PasadaRellenoCorreccion(TMatR& C, const TMatR& R) {
  const TMatR old = C;
  const int32_t nf = C.nf, nc = C.nc;
  // The change is the largest difference in absolute value. The filled cells start at 1.0,
  // so with ratios below 1 they go down from sweep to sweep: the largest signed difference
  // would then be 0 (a measured cell's) and end the relaxation after its first sweep.
  NReal cambio = 0;
  for (int32_t k = 1; k <= nf; ++k) {
    // Rows are direction sectors: the first and the last are neighbours.
    const int32_t kAnt = k == 1 ? nf : k - 1;
    const int32_t kSig = k == nf ? 1 : k + 1;
    for (int32_t j = 1; j <= nc; ++j) {
      // Written so that a NaN ratio is not measured either.
      if (R.Elemento(k, j) > 0) continue;
      // Columns are bins: the first and the last count the cell itself in place of the
      // missing outer neighbour.
      const int32_t jAnt = j == 1 ? 1 : j - 1;
      const int32_t jSig = j == nc ? nc : j + 1;
      const NReal v = 0.25 * (old.Elemento(k, jAnt) + old.Elemento(k, jSig) +
                              old.Elemento(kAnt, j) + old.Elemento(kSig, j));
      C.PonerElemento(k, j, v);
      const NReal dif = std::fabs(v - old.Elemento(k, j));
      if (dif > cambio) cambio = dif;
    }
  }
  return cambio;
}

// =============================================================================================
// Power of one sample

NReal TParque_ModeloCombinado::FactorCorreccion(NReal direccion, NReal qm) const {
  const int32_t nT = correccion.nc;
  int32_t k1 = 0, k2 = 0;
  NReal w1 = 0, w2 = 0;
  me->SectoresVecinos(k1, k2, w1, w2, direccion);
  const NReal p = me->centrosPv3.IndiceReal(qm);
  const TMatR& c = correccion;
  if (p <= 1) return w1 * c.Elemento(k1, 1) + w2 * c.Elemento(k2, 1);
  if (p >= nT) return w1 * c.Elemento(k1, nT) + w2 * c.Elemento(k2, nT);
  // A bin position that is not a number has no factor (the powers then take the cap).
  if (std::isnan(p)) return p;
  const int32_t i = Trunc32(p);
  const NReal t = p - i;
  return w1 * ((1 - t) * c.Elemento(k1, i) + t * c.Elemento(k1, i + 1)) +
         w2 * ((1 - t) * c.Elemento(k2, i) + t * c.Elemento(k2, i + 1));
}

void TParque_ModeloCombinado::CalcularPotencia(NReal& pLimiteCGM, NReal& pLimiteAut, NReal& pBruta,
                                               NReal v, NReal direccion, NReal rho, NReal pCGM,
                                               bool sinCorreccion, bool velLibre) {
  CalcularPotenciaEn(*mt, pLimiteCGM, pLimiteAut, pBruta, v, direccion, rho, pCGM, sinCorreccion,
                     velLibre);
}

void TParque_ModeloCombinado::CalcularPotenciaEn(TParque_ModeloTeorico& m, NReal& pLimiteCGM,
                                                 NReal& pLimiteAut, NReal& pBruta, NReal v,
                                                 NReal direccion, NReal rho, NReal pCGM,
                                                 bool sinCorreccion, bool velLibre) const {
  const NReal pAut = m.potencia_autorizada_mw;
  const NReal q = DensidadPotenciaViento(v, rho);
  m.PrepararGrilla(false, direccion, q);
  NReal p = 0;
  NReal qm = 0;
  bool convergio = false;
  NReal dpvMastil = 0;
  if (!velLibre) {
    NReal qL = 0;
    if (pCGM >= kUmbralCGM * pAut) {
      p = m.PotenciaParque(convergio, dpvMastil, rho, q, pCGM, qL);
      pBruta = p;
      qm = q;
    } else {
      // Held by the set-point (or no CGM value): a second march at the free stream found, up
      // to the authorised power.
      p = m.PotenciaParque(convergio, dpvMastil, rho, q, pCGM, qL);
      pBruta = m.RecorrerGrilla(qm, rho, qL, pAut);
    }
  } else {
    p = m.RecorrerGrilla(dpvMastil, rho, q, pCGM);
    pBruta = m.RecorrerGrilla(qm, rho, q, pAut);
  }
  if (sinCorreccion) {
    pLimiteCGM = Acotar(p, pAut);
    pLimiteAut = Acotar(pBruta, pAut);
    return;
  }
  const NReal f = FactorCorreccion(direccion, qm);
  pLimiteCGM = Acotar(f * p, pAut);
  pLimiteAut = Acotar(f * pBruta, pAut);
}

#include "estimator/uparques_modeloempirico.h"

#include <cmath>

#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloteorico.h"
#include "estimator/uproblemacurvas.h"
#include "numerics/fddp_conmatr.h"
#include "numerics/fddp_weibull.h"
#include "numerics/uauxiliares.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"

void ValoresSegunFiltros(const std::vector<const TDAOfBoolean*>& filtros, const TVectR& v,
                         bool marcados, const TDAOfBoolean& excluidas, TDAofNReal& valores) {
  valores.clear();
  const auto marca = [](const TDAOfBoolean& a, size_t k) { return k < a.size() && a[k] != 0; };
  for (int32_t k = 1; k <= v.n; ++k) {
    const auto kk = static_cast<size_t>(k);
    if (marca(excluidas, kk)) continue;
    bool marcada = false;
    for (const TDAOfBoolean* f : filtros)
      if (f != nullptr && marca(*f, kk)) {
        marcada = true;
        break;
      }
    if (marcada == marcados) valores.push_back(v.pv[kk]);
  }
}

void TParque_ModeloEmpirico::TomarCanales() {
  const int32_t n = series ? series->NSeries : 0;
  if (!series || n < kCanales || static_cast<int32_t>(series->series.size()) < kCanales)
    throw EErrorGeneral("El archivo de series " + (series ? series->archivo : std::string()) +
                        " tiene " + IntToStr(n) + " series; el modelo empírico necesita " +
                        IntToStr(kCanales));
  auto& s = series->series;
  Vel = &s[0];
  Ang = &s[1];
  PE = &s[2];
  Temp = &s[3];
  Pre = &s[4];
  HumRel = &s[5];
  CGM = &s[6];
  fDisp = &s[7];
  VarVel = &s[8];
}

NReal TParque_ModeloEmpirico::AnguloSector(int32_t k) const {
  return static_cast<NReal>(k - 1) * 360.0 / static_cast<NReal>(NSectores());
}

void TParque_ModeloEmpirico::SectoresVecinos(int32_t& k1, int32_t& k2, NReal& peso1, NReal& peso2,
                                             NReal angulo) const {
  if (!std::isfinite(angulo))
    throw EErrorGeneral("Dirección de viento no válida: " + FloatToStr(angulo));
  // A direction outside [0, 360) would give a sector index of 0 or below (Trunc rounds toward
  // zero and mod keeps the sign): bring it into range by whole turns first. fmod is exact; the
  // addition of 360 may round a tiny negative remainder up to 360 itself, which is 0.
  if (angulo < 0 || angulo >= 360) {
    angulo = std::fmod(angulo, 360.0);
    if (angulo < 0) angulo += 360.0;
    if (angulo >= 360.0) angulo = 0.0;
  }
  const int32_t ns = NSectores();
  if (ns <= 0) throw EErrorGeneral("El modelo empírico no tiene sectores de dirección");
  const NReal x = static_cast<NReal>(ns) * angulo / 360.0;
  const int32_t t = Trunc32(x);
  k1 = t % ns + 1;
  k2 = k1 % ns + 1;
  peso2 = x - static_cast<NReal>(t);
  peso1 = 1.0 - peso2;
}

// ---------------------------------------------------------------------------------------------
// Evaluations

NReal Hermite(NReal y0, NReal m0, NReal y1, NReal m1, NReal h, NReal t) {
  // Each basis function is evaluated as written: the powers of t and of 1 - t first, then
  // their factors (3 t^2 is 3 (t t), not (3 t) t; the two differ in the last bit).
  const NReal u = 1 - t;
  const NReal h00 = 2 * (t * t * t) - 3 * (t * t) + 1;
  const NReal h01 = 1 - h00;
  const NReal h10 = t * (u * u);
  const NReal h11 = -(t * t) * u;
  return h00 * y0 + h01 * y1 + h * (h10 * m0 + h11 * m1);
}

NReal TParque_ModeloEmpirico::InterpolarTramo(NReal& cnt, int32_t j, NReal t, NReal h,
                                              const TVectR& cntFila, const TVectR& PFila,
                                              const TVectR& bFila) const {
  const NReal c0 = cntFila[j];
  const NReal c1 = cntFila[j + 1];
  // A node with fewer than 10 samples (or -1, no fit) is only tolerated when the point
  // practically sits on the other node.
  if ((t < 0.999 && c0 < 10) || (t > 0.001 && c1 < 10)) {
    cnt = -1;
    return 0;
  }
  cnt = (1 - t) * c0 + t * c1;
  return Hermite(PFila[j], bFila[j], PFila[j + 1], bFila[j + 1], h, t);
}

NReal TParque_ModeloEmpirico::PotenciaRepresentantes(NReal& cnt, NReal angulo, NReal pv3,
                                                     NReal rho) const {
  int32_t k1, k2;
  NReal peso1, peso2;
  SectoresVecinos(k1, k2, peso1, peso2, angulo);
  const int32_t nT = NTramos();
  const NReal pos = centrosPv3.IndiceReal(pv3);
  // A position that is not finite (a NaN or infinite density) has no bin: not valid, rather
  // than an undefined conversion to an integer or an infinite extrapolation.
  if (!std::isfinite(pos)) {
    cnt = -1;
    return 0;
  }
  // j = Trunc(pos) decides the branch: j < 1 is pos < 1 and j >= nT is pos >= nT, so the
  // conversion is only made inside (1, nT), where it cannot overflow.
  const auto enSector = [&](int32_t s, NReal& c) -> NReal {
    if (pos < 1) {
      c = cntTramo.Elemento(s, 1);
      return PTramo.Elemento(s, 1) + bTramo.Elemento(s, 1) * (pv3 - centrosPv3[1]);
    }
    if (pos >= nT) {
      c = cntTramo.Elemento(s, nT);
      return PTramo.Elemento(s, nT) + bTramo.Elemento(s, nT) * (pv3 - centrosPv3[nT]);
    }
    const int32_t j = Trunc32(pos);
    const NReal t = pos - j;
    const NReal h = centrosPv3[j + 1] - centrosPv3[j];
    return InterpolarTramo(c, j, t, h, cntTramo.Fila(s), PTramo.Fila(s), bTramo.Fila(s));
  };
  NReal c1, c2;
  const NReal P1 = enSector(k1, c1);
  const NReal P2 = enSector(k2, c2);
  if ((peso1 > 0.001 && c1 < 10) || (peso2 > 0.001 && c2 < 10)) {
    cnt = -1;
    return 0;
  }
  cnt = peso1 * c1 + peso2 * c2;
  // The representatives are powers at the standard density, scaled back to rho.
  return DensidadRelativaAire(rho) * (peso1 * P1 + peso2 * P2);
}

NReal TParque_ModeloEmpirico::PotenciaCurvaS(NReal angulo, NReal pv3, NReal rho,
                                             NReal varVel) const {
  if (mt == nullptr)
    throw EErrorGeneral("El modelo empírico no tiene modelo teórico (potencia autorizada)");
  int32_t k1, k2;
  NReal peso1, peso2;
  SectoresVecinos(k1, k2, peso1, peso2, angulo);
  const NReal v = VelocidadDeDensidadPotencia(pv3, rho);
  // The corrected speed of the fit: v itself when the sector has no variance coefficient
  // (the variance is then not looked at), and a negative variance (a missing-value marker)
  // counts as 0 instead of making varVel^1.5 NaN, which the cap below would silently turn
  // into the authorised power.
  const auto curva = [&](int32_t s) {
    const NReal ve = VelocidadCorregida(v, varVel, alfa_varvel[s]);
    return Pmax[s] / (1 + std::exp(-alfa[s] * (ve - vm[s]))) - DeltaP[s];
  };
  const NReal P = DensidadRelativaAire(rho) * (peso1 * curva(k1) + peso2 * curva(k2));
  const NReal PAut = mt->potencia_autorizada_mw;
  return P < PAut ? P : PAut;
}

NReal TParque_ModeloEmpirico::FrecuenciaDireccion(NReal angulo) const {
  int32_t k1, k2;
  NReal peso1, peso2;
  SectoresVecinos(k1, k2, peso1, peso2, angulo);
  // The whole counts are summed as reals: counts read from a text may be as large as 64 bits
  // hold, and a sum of a few of them would overflow an integer. Below 2^53 the sums are exact.
  const auto muestras = [&](int32_t s) {
    NReal suma = 0;
    for (int32_t j = 1; j <= cntTramo.nc; ++j) {
      const NReal c = cntTramo.Elemento(s, j);
      if (c > 0) suma += static_cast<NReal>(Trunc(c));
    }
    return suma;
  };
  NReal nTotal = 0;
  for (int32_t s = 1; s <= cntTramo.nf; ++s) nTotal += muestras(s);
  if (nTotal <= 0) throw EErrorGeneral("El modelo empírico no tiene muestras en sus tramos");
  return (peso1 * muestras(k1) + peso2 * muestras(k2)) / nTotal;
}

void TParque_ModeloEmpirico::DistribucionesYRangos(
    std::unique_ptr<Tf_ddp_Weibull>& weibull, std::unique_ptr<Tf_ddp_VectDeMuestras>& direcciones,
    NReal& maxPre, NReal& minPre, NReal& maxPE, NReal& minPE, NReal& maxVel, NReal& minVel,
    NReal& maxHumRel, NReal& minHumRel, NReal& minFDisp, NReal& maxFDisp, NReal& minTemp,
    NReal& maxTemp, NReal& minCGM, NReal& maxCGM) const {
  if (Vel == nullptr || Ang == nullptr || PE == nullptr || Temp == nullptr || Pre == nullptr ||
      HumRel == nullptr || fDisp == nullptr || CGM == nullptr)
    throw EErrorGeneral("El modelo empírico no tiene series: se leyó de un texto");
  TDAOfBoolean calma(static_cast<size_t>(Vel->n) + 1, 0);
  for (int32_t k = 1; k <= Vel->n; ++k) calma[static_cast<size_t>(k)] = (*Vel)[k] <= 0.001;

  TDAofNReal valores;
  ValoresSegunFiltros({&Filt_Coherencia, &Filt_Disponibilidad, &Filtro_Distancia, &calma}, *Vel,
                      false, Filt_Huecos, valores);
  TVectR velocidades = TVectR::CreateDesdeDA(1, valores);
  velocidades.Ordenar(true);
  weibull = Tf_ddp_Weibull::Create_vmuetras(velocidades, nullptr, 1);

  const std::vector<const TDAOfBoolean*> filtros = {&Filt_Coherencia, &Filt_Disponibilidad,
                                                    &Filtro_Distancia};
  ValoresSegunFiltros(filtros, *Ang, false, Filt_Huecos, valores);
  direcciones = Tf_ddp_VectDeMuestras::Create(TVectR::CreateDesdeDA(1, valores), nullptr, 1);

  // An empty selection has no extremes: NaN, never a read of an empty vector.
  const auto rango = [&](const TVectR& canal, NReal& vMax, NReal& vMin) {
    ValoresSegunFiltros(filtros, canal, false, Filt_Huecos, valores);
    if (valores.empty()) {
      vMax = vMin = std::nan("");
      return;
    }
    vMax = MaximoDA(valores);
    vMin = MinimoDA(valores);
  };
  rango(*Pre, maxPre, minPre);
  rango(*PE, maxPE, minPE);
  rango(*Vel, maxVel, minVel);
  rango(*HumRel, maxHumRel, minHumRel);
  rango(*fDisp, maxFDisp, minFDisp);
  rango(*Temp, maxTemp, minTemp);
  rango(*CGM, maxCGM, minCGM);
}

// ---------------------------------------------------------------------------------------------
// Model text

void TParque_ModeloEmpirico::EscribirTexto(TextoSalida& f) const {
  FormatoEstandar guarda;
  f.EscribirLinea("VERSION=2");
  bordesPv3.EscribirTexto(f);
  cntTramo.EscribirTexto(f);
  aTramo.EscribirTexto(f);
  bTramo.EscribirTexto(f);
  centrosPv3.EscribirTexto(f);
  PTramo.EscribirTexto(f);
  alfa.EscribirTexto(f);
  vm.EscribirTexto(f);
  Pmax.EscribirTexto(f);
  DeltaP.EscribirTexto(f);
  alfa_varvel.EscribirTexto(f);
}

namespace {

std::unique_ptr<TParque_ModeloEmpirico> LeerModeloEmpirico(TextoEntrada& f,
                                                           TParque_ModeloTeorico* mt_) {
  auto m = std::make_unique<TParque_ModeloEmpirico>();
  m->mt = mt_;
  std::string s = f.LeerLinea();
  int32_t version = 1;
  const size_t clave = s.find("VERSION=");
  if (clave != std::string::npos) {
    s.erase(clave, 8);
    version = StrToInt(s);
    m->bordesPv3 = TVectR::CreateLeerTexto(f, -1);
  } else {
    const int32_t n = StrToInt(s);
    // A negative count would make the block reader look for a count line of its own.
    if (n < 0) f.ErrorDeLinea();
    m->bordesPv3 = TVectR::CreateLeerTexto(f, n);
  }
  m->cntTramo = TMatR::CreateLeerTexto(f);
  m->aTramo = TMatR::CreateLeerTexto(f);
  m->bTramo = TMatR::CreateLeerTexto(f);
  m->centrosPv3 = TVectR::CreateLeerTexto(f, -1);
  m->PTramo = TMatR::CreateLeerTexto(f);
  m->alfa = TVectR::CreateLeerTexto(f, -1);
  m->vm = TVectR::CreateLeerTexto(f, -1);
  m->Pmax = TVectR::CreateLeerTexto(f, -1);
  m->DeltaP = TVectR::CreateLeerTexto(f, -1);
  // A text without the variance coefficients evaluates as if they were 0.
  m->alfa_varvel = version > 1 ? TVectR::CreateLeerTexto(f, -1) : TVectR(m->Pmax.n);

  // The evaluations index every matrix by sector and bin and every vector by sector without
  // checks: sizes that do not agree would read outside them.
  const int32_t nS = m->aTramo.nf;
  const int32_t nT = m->NTramos();
  const auto inconsistente = [&](const std::string& que) {
    throw EInOutError("Modelo empírico inconsistente: " + que, f.Ruta());
  };
  if (nS < 1) inconsistente("no hay sectores");
  if (nT < 1) inconsistente("no hay tramos");
  for (const TMatR* x : {&m->cntTramo, &m->aTramo, &m->bTramo, &m->PTramo})
    if (x->nf != nS || x->nc != nT)
      inconsistente("matriz de " + IntToStr(x->nf) + " x " + IntToStr(x->nc) + ", se esperaba " +
                    IntToStr(nS) + " x " + IntToStr(nT));
  if (m->centrosPv3.n != nT)
    inconsistente(IntToStr(m->centrosPv3.n) + " centros para " + IntToStr(nT) + " tramos");
  for (const TVectR* x : {&m->alfa, &m->vm, &m->Pmax, &m->DeltaP, &m->alfa_varvel})
    if (x->n != nS)
      inconsistente("vector de " + IntToStr(x->n) + " sectores, se esperaban " + IntToStr(nS));
  return m;
}

}  // namespace

std::unique_ptr<TParque_ModeloEmpirico> TParque_ModeloEmpirico::CreateLeerTexto(
    TextoEntrada& f, TParque_ModeloTeorico* mt_) {
  FormatoEstandar guarda;
  return LeerUbicado(f, [&] { return LeerModeloEmpirico(f, mt_); });
}

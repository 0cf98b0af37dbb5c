// The empirical model built from series: the construction in its full order, the sample
// filters, the distance filter and the S-curve fit per direction sector with its completion.
#include <algorithm>
#include <cmath>
#include <iostream>
#include <numeric>

#include "estimator/ucarpetascentrales.h"
#include "estimator/ucurvasaeros.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "estimator/uproblemacurvas.h"
#include "numerics/ucompletarmatriz.h"
#include "platform/errores.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"
#include "services/ugraficador.h"

namespace {

size_t U(int32_t k) { return static_cast<size_t>(k); }

bool Marca(const TDAOfBoolean& a, int32_t k) { return U(k) < a.size() && a[U(k)] != 0; }

// Samples at or above this many in the power window keep their own curve; the others take the
// completion's.
constexpr int32_t kMinMuestrasCurvaPropia = 51;
// A sector needs more than this many samples in the power window to be fitted at all.
constexpr int32_t kMinMuestrasAjuste = 10;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Sample filters

int32_t FiltrarRepetidos(TDAOfBoolean& marcas, const TVectR& x, int32_t nRepeticiones,
                         const TDAOfBoolean& mascara) {
  const int32_t n = x.n;
  // With fewer than two samples there is no run to look at (and no first reference value).
  if (n < 2) return 0;
  // The runs are flagged by index: a shorter marcas would be written past its end.
  if (marcas.size() < U(n) + 1)
    throw EErrorGeneral("FiltrarRepetidos: " + IntToStr(static_cast<int64_t>(marcas.size())) +
                        " marcas para " + IntToStr(n) + " muestras");
  int32_t i = 1;
  while (i < n && Marca(mascara, i)) ++i;
  if (i == n) return 0;
  NReal ref = x[i];
  int32_t inicio = i;
  int32_t cnt = 0;
  int32_t total = 0;
  // The last sample takes no part in the scan.
  for (int32_t j = i + 1; j <= n - 1; ++j) {
    if (Marca(mascara, j) || x[j] != ref) {
      if (cnt >= nRepeticiones) total += cnt;
      cnt = 0;
      ref = x[j];
      inicio = j;
    } else {
      ++cnt;
      if (cnt >= nRepeticiones) {
        for (int32_t k = inicio; k <= j - 1; ++k) marcas[U(k)] = 1;
        inicio = j;
      }
    }
  }
  if (cnt >= nRepeticiones) total += cnt;
  return total;
}

void EscalarDisponibilidad(TVectR& fDisp, const TParque_ModeloTeorico& mt) {
  // The maximum of the values that are numbers: a NaN first sample would otherwise be the
  // maximum of the plain scan, and every comparison below would take it for a turbine count.
  bool hay = false;
  NReal m = 0;
  for (int32_t k = 1; k <= fDisp.n; ++k)
    if (!std::isnan(fDisp[k]) && (!hay || fDisp[k] > m)) {
      m = fDisp[k];
      hay = true;
    }
  if (!hay) return;
  const NReal N = static_cast<NReal>(mt.nMolinos);
  if (std::fabs(m - 1) <= std::fabs(m - N)) return;
  const NReal d = m > 2 * N ? 100.0 : N;
  std::cout << "WARNING!!!: max_fd: " << FloatToStr(d)
            << (d == 100.0 ? " Asumo que es porcentaje y divido por este valor."
                           : " Asumo que es cantidad de máquinas y divido por este valor.")
            << '\n';
  const NReal f = 1.0 / d;
  for (int32_t k = 1; k <= fDisp.n; ++k) fDisp[k] *= f;
}

void FiltrarMuestras(const TParque_ModeloTeorico& mt, TVectR& PE, const TVectR& Vel,
                     const TVectR& HumRel, const TVectR& Ang, const TVectR& Temp, const TVectR& Pre,
                     const TVectR& CGM, const TVectR& /*VarVel*/, TVectR& fDisp,
                     TDAOfBoolean& Filt_Coherencia, TDAOfBoolean& Filt_CGM,
                     TDAOfBoolean& Filt_Huecos, TDAOfBoolean& Filtro_Distancia,
                     TDAOfBoolean& Filt_Disponibilidad, bool corregirDensidad) {
  const int32_t n = Vel.n;
  for (const TVectR* v : {static_cast<const TVectR*>(&PE), &HumRel, &Ang, &Temp, &Pre, &CGM,
                          static_cast<const TVectR*>(&fDisp)})
    if (v->n < n)
      throw EErrorGeneral("FiltrarMuestras: una serie tiene " + IntToStr(v->n) +
                          " muestras y la velocidad " + IntToStr(n));
  const size_t tam = U(n) + 1;
  Filt_Coherencia.assign(tam, 0);
  Filt_CGM.assign(tam, 0);
  Filt_Huecos.assign(tam, 0);
  Filtro_Distancia.assign(tam, 0);
  Filt_Disponibilidad.assign(tam, 0);
  TDAOfBoolean mascara(tam, 0);
  const NReal PAut = mt.potencia_autorizada_mw;

  // Gaps. Each test is written as "not inside the valid range", so that a value that is not a
  // number (a series file may hold "Nan") is a gap rather than a sample that every later
  // comparison silently lets through.
  int32_t nHuecos = 0;
  for (int32_t k = 1; k <= n; ++k) {
    const bool hueco = !(Vel[k] >= 0 && Vel[k] <= 80) || !(Ang[k] >= -1000) ||
                       !(PE[k] >= -1000 && PE[k] <= 1.05 * PAut) || !(CGM[k] >= -1000);
    Filt_Huecos[U(k)] = hueco ? 1 : 0;
    if (hueco) ++nHuecos;
  }
  std::cout << "Filtrado de huecos: " << IntToStr(nHuecos) << '\n';

  EscalarDisponibilidad(fDisp, mt);

  int32_t nDisp = 0;
  for (int32_t k = 1; k <= n; ++k) {
    if (Filt_Huecos[U(k)]) continue;
    if (!(fDisp[k] >= 0.8 && fDisp[k] <= 1.001) || PE[k] > 1.02 * PAut) {
      Filt_Disponibilidad[U(k)] = 1;
      ++nDisp;
    } else if (corregirDensidad) {
      const NReal rel = DensidadRelativaAire(DensidadAire(Temp[k], Pre[k], HumRel[k]));
      std::cout << RealATexto(rel) << '\n';
      // The power brought to full availability and to the standard density.
      PE[k] = PE[k] / (fDisp[k] * rel);
    }
  }
  std::cout << "Filtrado por Disp < 0.8 o PDato/fdisp > PAutorizada: " << IntToStr(nDisp) << '\n';

  const int32_t nVel = FiltrarRepetidos(Filt_Coherencia, Vel, 8, Filt_Huecos);
  std::cout << "Filtro repetidos vel: " << IntToStr(nVel) << '\n';
  const int32_t nDir = FiltrarRepetidos(Filt_Coherencia, Ang, 8, Filt_Huecos);
  std::cout << "Filtro repetidos dir: " << IntToStr(nDir) << '\n';
  // A constant power that agrees with the CGM channel within 4 MW is the farm held at its
  // limit, not a stuck value.
  for (int32_t k = 1; k <= n; ++k)
    mascara[U(k)] = (Filt_Huecos[U(k)] || std::fabs(PE[k] - CGM[k]) < 4) ? 1 : 0;
  const int32_t nPot = FiltrarRepetidos(Filt_Coherencia, PE, 8, mascara);
  std::cout << "Filtro repetidos Pot: " << IntToStr(nPot) << '\n';

  int32_t nCGM = 0;
  for (int32_t k = 1; k <= n; ++k) {
    if (Filt_Huecos[U(k)]) continue;
    if (CGM[k] < 0.995 * PAut) {
      Filt_CGM[U(k)] = 1;
      ++nCGM;
    }
  }
  std::cout << "Filtro CGM < PAut*0.99: " << IntToStr(nCGM) << '\n' << std::flush;
}

bool EnVentanaAngular(NReal direccion, NReal anguloSector, NReal semiAncho) {
  NReal d = std::fmod(std::fabs(direccion - anguloSector), 360.0);
  d = std::min(d, 360.0 - d);
  return d <= semiAncho;
}

// ---------------------------------------------------------------------------------------------
// Construction

std::unique_ptr<TParque_ModeloEmpirico> TParque_ModeloEmpirico::CreateDesdeSeries(
    TParque_ModeloTeorico* mt_, const std::filesystem::path& archivoSeries, int32_t porcInf,
    int32_t porcSup) {
  if (mt_ == nullptr) throw EErrorGeneral("El modelo empírico necesita un modelo teórico");
  auto m = std::make_unique<TParque_ModeloEmpirico>();
  m->mt = mt_;
  m->series = std::make_unique<TSeriesDeDatos>(TSeriesDeDatos::Cargar(archivoSeries));
  const TSeriesDeDatos& s = *m->series;
  m->NPuntos = s.series.empty() ? 0 : s.series[0].n;
  m->fechaInicio = s.inicio;
  m->pasoDias = s.pasoDias;
  m->xInicial = TParametrosCurvaS{};

  const double e = std::fabs(m->pasoDias * 1440.0 - 10.0) * 60.0;
  if (e <= 1)
    m->pasoDias = 10.0 / 1440.0;
  else
    throw EErrorGeneral(
        "ERROR en archivo series, Perioedo Entre Muestras : " + FloatToStr(s.periodoHoras) +
        " debe ser " + FloatToStr(static_cast<double>(1.0f / 6.0f)));

  m->TomarCanales();
  m->fechas = TVectR(m->NPuntos);
  for (int32_t k = 1; k <= m->NPuntos; ++k)
    m->fechas[k] = m->fechaInicio + static_cast<double>(k - 1) * m->pasoDias;

  FiltrarMuestras(*mt_, *m->PE, *m->Vel, *m->HumRel, *m->Ang, *m->Temp, *m->Pre, *m->CGM,
                  *m->VarVel, *m->fDisp, m->Filt_Coherencia, m->Filt_CGM, m->Filt_Huecos,
                  m->Filtro_Distancia, m->Filt_Disponibilidad, true);
  m->AjustarCurvasS(72, 10, 0.2, 1, porcInf, porcSup);
  m->FiltrarPorDistancia();
  m->AjustarCurvasS(72, 10, 0.2, 2, porcInf, porcSup);
  m->EscribirSeriesFiltradas();
  m->EscribirCurvasS();
  std::cout << "FIN DEL CALCULO DE LAS CURVAS S" << '\n' << std::flush;
  return m;
}

int32_t TParque_ModeloEmpirico::FiltrarPorDistancia() {
  // Only the samples that no other filter flags are ranked. Giving the flagged ones a marker
  // error of 99999 and ranking everything would let a valid sample whose squared error is
  // larger (a difference above 316 MW, e.g. a large farm or a power of -500 that is not a gap)
  // sort behind the flagged ones and escape the filter.
  TDAofNReal errores;
  TDAofNInt muestras;
  errores.reserve(U(NPuntos));
  muestras.reserve(U(NPuntos));
  for (int32_t k = 1; k <= NPuntos; ++k) {
    if (Marca(Filt_Huecos, k) || Marca(Filt_Coherencia, k) || Marca(Filt_CGM, k) ||
        Marca(Filt_Disponibilidad, k))
      continue;
    const NReal rho = DensidadAire((*Temp)[k], (*Pre)[k], (*HumRel)[k]);
    const NReal pv3 = DensidadPotenciaViento((*Vel)[k], rho);
    const NReal d = PotenciaCurvaS((*Ang)[k], pv3, rho, (*VarVel)[k]) - (*PE)[k];
    errores.push_back(d * d);
    muestras.push_back(k);
  }
  const auto nValidas = static_cast<int32_t>(errores.size());
  const int32_t nConservar = Trunc32(0.9 * static_cast<NReal>(nValidas));
  // The sort of the library is 1-based: element 0 is a placeholder.
  TVectR e = TVectR::CreateDesdeDA(1, errores);
  TDAofNInt idx(U(nValidas) + 1, 0);
  std::iota(idx.begin(), idx.end(), 0);
  e.OrdenarConIndice(true, idx);
  for (int32_t p = nConservar + 1; p <= nValidas; ++p)
    Filtro_Distancia[U(muestras[U(idx[U(p)] - 1)])] = 1;
  return nValidas - nConservar;
}

// ---------------------------------------------------------------------------------------------
// S-curve fit per sector

void TParque_ModeloEmpirico::MuestrasSector(NReal angulo, NReal semiAncho) {
  muestrasPv3 = TVectR(NPuntos);
  muestrasPE = TVectR(NPuntos);
  muestrasVarVel = TVectR(NPuntos);
  muestrasFecha = TVectR(NPuntos);
  int32_t j = 0;
  for (int32_t i = 1; i <= NPuntos; ++i) {
    if (Marca(Filt_Huecos, i) || Marca(Filt_Coherencia, i) || Marca(Filt_CGM, i) ||
        Marca(Filtro_Distancia, i) || Marca(Filt_Disponibilidad, i))
      continue;
    if (!EnVentanaAngular((*Ang)[i], angulo, semiAncho)) continue;
    ++j;
    const NReal rho = DensidadAire((*Temp)[i], (*Pre)[i], (*HumRel)[i]);
    muestrasPv3[j] = DensidadPotenciaViento((*Vel)[i], rho);
    muestrasPE[j] = (*PE)[i];
    muestrasVarVel[j] = (*VarVel)[i];
    muestrasFecha[j] = fechas[i];
  }
  muestrasPv3.Redimensionar(j);
  muestrasPE.Redimensionar(j);
  muestrasVarVel.Redimensionar(j);
  muestrasFecha.Redimensionar(j);
}

void TParque_ModeloEmpirico::AjustarCurvaSector(NReal& alfa_, NReal& vm_, NReal& Pmax_,
                                                NReal& DeltaP_, NReal& alfa_varvel_, NReal& errc2_,
                                                int32_t& cnt, const TVectR& pv3, const TVectR& P,
                                                const TVectR& /*varVel*/,
                                                const TCurvaAerogen& curvaEquivalente,
                                                int32_t porcInf, int32_t porcSup, int32_t sector) {
  const NReal PAut = mt->potencia_autorizada_mw;
  const NReal PmaxEq = curvaEquivalente.Pmax;
  const NReal pInf = porcInf * PAut / 100.0;
  const NReal pSup = porcSup * PAut / 100.0;
  const NReal c0 = std::log((PmaxEq - 0.1) / 0.1);

  TDAofNReal vs, ys, ps;
  for (int32_t i = 1; i <= pv3.n; ++i) {
    const NReal p = P[i];
    // A power of 0 or below has no logarithm in the regression's linearisation; such samples
    // only enter when the lower percentage is 0 or negative, and are left out.
    if (p >= pInf && p <= pSup && p < PmaxEq && p > 0) {
      vs.push_back(VelocidadDeDensidadPotencia(pv3[i], DensidadEstandar));
      ys.push_back(std::log(PmaxEq / p - 1) - c0);
      ps.push_back(p);
    }
  }
  const auto m = static_cast<int32_t>(vs.size());
  cnt = m;
  if (m <= kMinMuestrasAjuste) {
    alfa_ = vm_ = Pmax_ = DeltaP_ = -1;
    return;
  }
  try {
    alfa_ = xInicial.alfa;
    vm_ = xInicial.vm;
    Pmax_ = xInicial.Pmax;
    DeltaP_ = xInicial.DeltaP;
    alfa_varvel_ = xInicial.alfa_varvel;
    const TVectR v = TVectR::CreateDesdeDA(1, vs);
    const TVectR pw = TVectR::CreateDesdeDA(1, ps);
    NReal f = 0, L = 0, viol = 0;
    const bool convergio = AjustarCurvaS(v, pw, alfa_, PAut, vm_, Pmax_, DeltaP_, f, L, viol);
    alfa_varvel_ = 0;
    errc2_ = std::sqrt(f);
    if (!convergio || !(viol <= 1e-20)) {
      std::cout << "Sector " << IntToStr(sector)
                << ": Se utiliza curva S simple porque: Convergio = " << (convergio ? "-1" : "0")
                << " y/o Frontera = " << FloatToStr(viol) << '\n';
      NReal syv = 0, svv = 0;
      for (size_t i = 0; i < vs.size(); ++i) {
        syv += ys[i] * vs[i];
        svv += vs[i] * vs[i];
      }
      const NReal s = syv / svv;
      vm_ = -c0 / s;
      alfa_ = c0 / vm_;
      Pmax_ = PmaxEq;
      DeltaP_ = 0;
      NReal se = 0;
      for (size_t i = 0; i < vs.size(); ++i) {
        const NReal d = PmaxEq / (1 + std::exp(-alfa_ * (vs[i] - vm_))) - ps[i];
        se += d * d;
      }
      errc2_ = std::sqrt(se / m);
      alfa_varvel_ = 0;
    }
    // The original run-time raised on a division by zero or an invalid operation; here such a
    // step leaves a value that is not a number, which counts as the same failure.
    if (!std::isfinite(alfa_) || !std::isfinite(vm_) || !std::isfinite(Pmax_) ||
        !std::isfinite(DeltaP_) || !std::isfinite(errc2_))
      throw EErrorGeneral("curva S no finita");
    xInicial = TParametrosCurvaS{alfa_, vm_, Pmax_, DeltaP_, alfa_varvel_};
  } catch (const std::exception&) {
    alfa_ = vm_ = Pmax_ = DeltaP_ = -1;
  }
}

void TParque_ModeloEmpirico::AjustarCurvasS(int32_t nSectores, int32_t nTramos, NReal solape,
                                            int32_t pasada, int32_t porcInf, int32_t porcSup) {
  if (mt == nullptr || !mt->curvaEquivalente)
    throw EErrorGeneral("El modelo teórico no tiene curva equivalente: no hay molinos");
  if (nSectores < 1 || nTramos < 1)
    throw EErrorGeneral("AjustarCurvasS: " + IntToStr(nSectores) + " sectores y " +
                        IntToStr(nTramos) + " tramos");
  // Every curve field is rebuilt from scratch; xInicial carries over from pass 1.
  NReal vMax = 0;
  bool hayMuestra = false;
  for (int32_t k = 1; k <= NPuntos; ++k) {
    if (Marca(Filt_Huecos, k) || Marca(Filt_Coherencia, k) || Marca(Filt_CGM, k) ||
        Marca(Filtro_Distancia, k) || Marca(Filt_Disponibilidad, k))
      continue;
    if (!hayMuestra || (*Vel)[k] > vMax) vMax = (*Vel)[k];
    hayMuestra = true;
  }
  bordesPv3 = TVectR(nTramos + 1);
  for (int32_t j = 1; j <= nTramos + 1; ++j)
    bordesPv3[j] = DensidadPotenciaViento((j - 1) * vMax / nTramos, DensidadEstandar);
  centrosPv3 = TVectR(nTramos);
  for (int32_t j = 1; j <= nTramos; ++j) centrosPv3[j] = (bordesPv3[j] + bordesPv3[j + 1]) / 2;
  cntTramo = TMatR(nSectores, nTramos);
  aTramo = TMatR(nSectores, nTramos);
  bTramo = TMatR(nSectores, nTramos);
  PTramo = TMatR(nSectores, nTramos);
  alfa = TVectR(nSectores);
  vm = TVectR(nSectores);
  Pmax = TVectR(nSectores);
  DeltaP = TVectR(nSectores);
  alfa_varvel = TVectR(nSectores);
  errc2 = TVectR(nSectores);
  cntMuestras = TVectE(nSectores);

  // Known and result matrices of the completion, in the order alfa, vm, DeltaP, alfa_varvel,
  // Pmax.
  TMatR conocida[5], completa[5];
  for (int q = 0; q < 5; ++q) {
    conocida[q] = TMatR(nSectores, 1);
    for (int32_t k = 1; k <= nSectores; ++k) conocida[q].PonerElemento(k, 1, -1);
    completa[q] = TMatR(nSectores, 1);
  }

  const NReal semiAncho = (360.0 / nSectores) * 0.5 * (1 + solape);
  std::vector<TDatosSector> datos(U(nSectores));
  for (int32_t k = 1; k <= nSectores; ++k) {
    const NReal angulo = (k - 1) * 360.0 / nSectores;
    MuestrasSector(angulo, semiAncho);
    const int32_t n = muestrasPv3.n;
    TDAofNInt idx(U(n) + 1, 0);
    std::iota(idx.begin(), idx.end(), 0);
    muestrasPv3.OrdenarConIndice(true, idx);
    muestrasPE.Reordenar(idx);
    muestrasVarVel.Reordenar(idx);
    muestrasFecha.Reordenar(idx);
    TDatosSector& d = datos[U(k - 1)];
    d.pv3 = muestrasPv3.CopiarRangoADA(1, n);
    d.PE = muestrasPE.CopiarRangoADA(1, n);
    d.varVel = muestrasVarVel.CopiarRangoADA(1, n);
    d.fechas = muestrasFecha.CopiarRangoADA(1, n);

    int32_t cnt = 0;
    AjustarCurvaSector(alfa[k], vm[k], Pmax[k], DeltaP[k], alfa_varvel[k], errc2[k], cnt,
                       muestrasPv3, muestrasPE, muestrasVarVel, *mt->curvaEquivalente, porcInf,
                       porcSup, k);
    cntMuestras[k] = cnt;
    if (cnt >= kMinMuestrasCurvaPropia) {
      conocida[0].PonerElemento(k, 1, alfa[k]);
      conocida[1].PonerElemento(k, 1, vm[k]);
      conocida[2].PonerElemento(k, 1, DeltaP[k]);
      conocida[3].PonerElemento(k, 1, alfa_varvel[k]);
      conocida[4].PonerElemento(k, 1, Pmax[k]);
    }

    // Bin regressions.
    for (int32_t j = 1; j <= nTramos; ++j) {
      NReal media = 0;
      int32_t lo = 1, hi = 0;
      if (n >= 1) {
        // The real positions are clamped to [1, n] before they become integers: far outside
        // the samples the extrapolated position would not fit in 32 bits.
        const auto acotar = [n](NReal r) {
          return std::isnan(r) ? 1
                               : static_cast<int32_t>(std::clamp(r, 1.0, static_cast<NReal>(n)));
        };
        lo = acotar(std::ceil(muestrasPv3.IndiceReal(bordesPv3[j])));
        hi = acotar(std::trunc(muestrasPv3.IndiceReal(bordesPv3[j + 1])));
      }
      if (hi <= lo) {
        cntTramo.PonerElemento(k, j, -1);
        aTramo.PonerElemento(k, j, 0);
        bTramo.PonerElemento(k, j, 0);
      } else {
        const int32_t mm = hi - lo + 1;
        NReal sx = 0, sxx = 0, sy = 0, sxy = 0;
        bool distintas = false;
        for (int32_t i = lo; i <= hi; ++i) {
          const NReal x = muestrasPv3[i], y = muestrasPE[i];
          sx += x;
          sxx += x * x;
          sy += y;
          sxy += x * y;
          if (x != muestrasPv3[lo]) distintas = true;
        }
        TMatR A(2, 2), B(2, 1);
        A.PonerElemento(1, 1, mm);
        A.PonerElemento(1, 2, sx);
        A.PonerElemento(2, 1, sx);
        A.PonerElemento(2, 2, sxx);
        B.PonerElemento(1, 1, sy);
        B.PonerElemento(2, 1, sxy);
        bool ok = false;
        int32_t exp10 = 0;
        A.ResolverSistema(B, ok, exp10);
        // Equal densities make the system singular exactly, but rounding can leave its last
        // pivot a few ulps away from 0, which the solver would accept: test them directly.
        if (!ok || !distintas)
          throw EErrorGeneral(
              "Atención!!!! sistema lineal no invertible en la aproximación de un tramo!!!");
        cntTramo.PonerElemento(k, j, mm);
        aTramo.PonerElemento(k, j, B.Elemento(1, 1));
        bTramo.PonerElemento(k, j, B.Elemento(2, 1));
        media = sy / mm;
      }
      // The lower bins are represented by the regression line at the centre, the upper ones
      // (7 to 10 of ten), where the power flattens towards its limit, by the mean.
      PTramo.PonerElemento(
          k, j, j < 7 ? aTramo.Elemento(k, j) + bTramo.Elemento(k, j) * centrosPv3[j] : media);
    }
  }

  for (int q = 0; q < 5; ++q) {
    NReal cambio = 0;
    int32_t nPasadas = 0;
    CompletarMatriz(completa[q], conocida[q], cambio, nPasadas);
  }
  for (int32_t k = 1; k <= nSectores; ++k) {
    if (cntMuestras[k] >= kMinMuestrasCurvaPropia) continue;
    alfa[k] = completa[0].Elemento(k, 1);
    vm[k] = completa[1].Elemento(k, 1);
    DeltaP[k] = completa[2].Elemento(k, 1);
    alfa_varvel[k] = completa[3].Elemento(k, 1);
    Pmax[k] = completa[4].Elemento(k, 1);
  }

  // The sector charts (as GraficarClusterSector makes them), on every core.
  std::vector<int32_t> conGrafico;
  for (int32_t k = 1; k <= nSectores; ++k)
    if (datos[U(k - 1)].pv3.size() > 3) conGrafico.push_back(k);
  if (!conGrafico.empty()) {
    const std::filesystem::path carpeta = CarpetaCentral(mt->central);
    ExportarGraficosModeloEmpirico(
        static_cast<int32_t>(conGrafico.size()),
        [&](int32_t i) {
          const int32_t k = conGrafico[U(i)];
          const TDatosSector& d = datos[U(k - 1)];
          return GraficoClusterSector(k, bordesPv3, centrosPv3, d.pv3, d.PE, d.fechas,
                                      cntTramo.Fila(k), PTramo.Fila(k));
        },
        [&](int32_t i) { return carpeta / ArchivoGraficoSector(conGrafico[U(i)], pasada); });
  }
  EscribirCurvasSCompletadas(completa[0], completa[1], completa[4], completa[2]);
}

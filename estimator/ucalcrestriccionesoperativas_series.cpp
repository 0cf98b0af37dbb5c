// Series processing with the combined model: the model power of every ten-minute sample, its
// running adjustment to the farm's measured output, the energy not supplied inside a
// restriction period, the result table, the comparison sheet and the error matrices.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "estimator/ucalcrestriccionesoperativas.h"
#include "estimator/ufisicaviento.h"
#include "estimator/ulotesmodelo.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "services/uPrint.h"
#include "services/u_ExcelFile.h"
#include "services/useriestemporales.h"

namespace {

constexpr double kUmbralSumaModelo = 0.0001;  // MW: below it a ratio of sums is taken as 1
constexpr double kBandaConsigna = 4.0;        // MW around the CGM set-point
constexpr double kDiezMinutos = 10.0 / 1440.0;

const char* Bool(bool b) { return b ? "TRUE" : "FALSE"; }

// The nine channels of the series file, by position.
struct Canales {
  TVectR *Vel, *Ang, *PE, *Temp, *Pre, *HumRel, *CGM, *fDisp, *VarVel;
};

Canales TomarCanales(TSeriesDeDatos& sd, const std::filesystem::path& archivo) {
  constexpr int32_t kCanales = TParque_ModeloEmpirico::kCanales;
  if (static_cast<int32_t>(sd.series.size()) < kCanales)
    throw EErrorGeneral("El archivo de series " + archivo.string() + " tiene " +
                        IntToStr(static_cast<int64_t>(sd.series.size())) +
                        " series; el modelo combinado necesita " + IntToStr(kCanales));
  auto& s = sd.series;
  return {&s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &s[6], &s[7], &s[8]};
}

// Ratio of the measured to the model powers of the first nBuffer usable samples met from
// `desde` in steps of `paso` (+1 or -1), inside 1 .. n; 1.0 when none is met or the model sum
// is not above the threshold.
template <class Usable, class Evaluar>
NReal RazonPeriodo(int32_t desde, int32_t paso, int32_t n, int32_t nBuffer, const Usable& usable,
                   const Evaluar& evaluarModelo, const TVectR& PE) {
  NReal sP = 0;
  NReal sM = 0;
  int32_t tomadas = 0;
  for (int32_t k = desde; k >= 1 && k <= n && tomadas < nBuffer; k += paso) {
    if (!usable(k)) continue;
    sP += PE[k];
    sM += evaluarModelo(k);
    ++tomadas;
  }
  return (tomadas > 0 && sM > kUmbralSumaModelo) ? sP / sM : 1.0;
}

bool IgualesSinCaso(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The sheet name of a run: its stamp, or, when an earlier run of the same workbook took it (two
// periods whose widened ranges both narrow to the start of the series), the stamp with "_2",
// "_3"... The application refuses a second sheet of one name, which would end the whole
// restriction run at its second period.
std::string NombreHojaLibre(T_ExcelFile& libro, const std::string& base) {
  auto tomado = [&](const std::string& nombre) {
    for (const auto& h : libro.Libro().Hojas())
      if (IgualesSinCaso(h->Nombre(), nombre) || IgualesSinCaso(h->Nombre(), "g" + nombre))
        return true;
    return false;
  };
  std::string nombre = base;
  for (int32_t n = 2; tomado(nombre); ++n) nombre = base + "_" + IntToStr(n);
  return nombre;
}

}  // namespace

TModeloParaSeries ModeloParaSeries(TParque_ModeloCombinado& mc, bool velLibre, bool sinCorreccion) {
  TModeloParaSeries m;
  m.mt = mc.mt.get();
  m.nSectores = mc.me->NSectores();
  m.nTramos = mc.me->NTramos();
  TParque_ModeloCombinado* p = &mc;
  m.evaluarEn = [p, velLibre, sinCorreccion](TParque_ModeloTeorico& t, NReal& pLimiteCGM,
                                             NReal& pLimiteAut, NReal& eta, NReal v,
                                             NReal direccion, NReal rho, NReal pCGM) {
    NReal pBruta = 0;
    p->CalcularPotenciaEn(t, pLimiteCGM, pLimiteAut, pBruta, v, direccion, rho, pCGM, sinCorreccion,
                          velLibre);
    eta = t.factorMeteo;
  };
  m.evaluar = [p, en = m.evaluarEn](NReal& pLimiteCGM, NReal& pLimiteAut, NReal& eta, NReal v,
                                    NReal direccion, NReal rho, NReal pCGM) {
    en(*p->mt, pLimiteCGM, pLimiteAut, eta, v, direccion, rho, pCGM);
  };
  m.modelo = mc.mt.get();
  m.copias = std::make_shared<TCopiasModelo>();
  return m;
}

void ProcesarSeriesConModeloCombinado(TParque_ModeloCombinado& mc,
                                      const std::filesystem::path& archivoSeries,
                                      const std::filesystem::path& carpeta, bool velLibre,
                                      TDateTime fechaIni, TDateTime fechaFin, TDateTime fechaIniRO,
                                      TDateTime fechaFinRO, NReal factorSmecScada,
                                      TDAofRecsEnergiaPorFecha& energias, int32_t nBuffer,
                                      bool calcularErrores, bool sinCorreccion,
                                      bool ignorarFiltroCGM, T_ExcelFile* libro) {
  ProcesarSeries(ModeloParaSeries(mc, velLibre, sinCorreccion), archivoSeries, carpeta, fechaIni,
                 fechaFin, fechaIniRO, fechaFinRO, factorSmecScada, energias, nBuffer,
                 calcularErrores, sinCorreccion, ignorarFiltroCGM, libro);
}

void ProcesarSeries(const TModeloParaSeries& modelo, const std::filesystem::path& archivoSeries,
                    const std::filesystem::path& carpeta, TDateTime fechaIni, TDateTime fechaFin,
                    TDateTime fechaIniRO, TDateTime fechaFinRO, NReal factorSmecScada,
                    TDAofRecsEnergiaPorFecha& energias, int32_t nBuffer, bool calcularErrores,
                    bool sinCorreccion, bool ignorarFiltroCGM, T_ExcelFile* libro) {
  // The ring position is taken modulo nBuffer: a buffer of no sample has no meaning.
  if (nBuffer < 1)
    throw EErrorGeneral("El número de muestras del buffer debe ser al menos 1: " +
                        IntToStr(nBuffer));
  if (modelo.mt == nullptr || !modelo.evaluar)
    throw EErrorGeneral("ProcesarSeries: falta el modelo");
  const TParque_ModeloTeorico& mt = *modelo.mt;
  const NReal PAut = mt.potencia_autorizada_mw;
  const std::string central = IntToStr(mt.central);

  std::unique_ptr<TMatricesConErroresModelos> errores;
  if (calcularErrores)
    errores = std::make_unique<TMatricesConErroresModelos>(modelo.nSectores, 25.0, 360.0,
                                                           modelo.nTramos, 7, 20, PAut);

  TSeriesDeDatos sd = TSeriesDeDatos::Cargar(archivoSeries);
  const Canales c = TomarCanales(sd, archivoSeries);
  const int32_t N = c.Vel->n;
  for (const TVectR* v : {c.Ang, c.PE, c.Temp, c.Pre, c.HumRel, c.CGM, c.fDisp, c.VarVel})
    if (v->n < N)
      throw EErrorGeneral("El archivo de series " + archivoSeries.string() +
                          " tiene series de distinto largo");

  fechaIni = std::max(fechaIni, sd.inicio);
  fechaFin = std::min(fechaFin, sd.FechaDeMuestra(N));
  auto indice = [&](TDateTime d) { return IndiceDeMuestra(d, sd.inicio, sd.pasoDias); };
  // The rows run over kIni .. kFin, kept inside the series; a range that narrows to nothing
  // (wholly before or after the series) writes no row and warms nothing up.
  const bool rangoVacio = !(fechaIni <= fechaFin) || N < 1;
  const int32_t kIni = rangoVacio ? 1 : std::max(indice(fechaIni), 1);
  const int32_t kFin = rangoVacio ? 0 : std::min(indice(fechaFin), N);
  const int32_t kIniRO = indice(fechaIniRO);
  const int32_t kFinRO = indice(fechaFinRO);
  const int32_t nRO = kFinRO - kIniRO + 1;
  // Dates computed as start plus steps may fall a rounding away from the period's ends, which
  // are sample dates of the same series: the comparison allows the step's millionth that the
  // sample index allows.
  const double tolFecha = 1e-6 * sd.pasoDias;

  const int32_t nPasos = std::max(kFin - kIni + 1, 0);
  TDAOfMatOfNReal datosLibro;
  if (libro != nullptr) datosLibro.assign(6, TMatOfNReal(static_cast<size_t>(nPasos)));

  TDAOfBoolean Filt_Coherencia, Filt_CGM, Filt_Huecos, Filtro_Distancia, Filt_Disponibilidad;
  FiltrarMuestras(mt, *c.PE, *c.Vel, *c.HumRel, *c.Ang, *c.Temp, *c.Pre, *c.CGM, *c.VarVel,
                  *c.fDisp, Filt_Coherencia, Filt_CGM, Filt_Huecos, Filtro_Distancia,
                  Filt_Disponibilidad, false);
  const TVectR& Vel = *c.Vel;
  const TVectR& Ang = *c.Ang;
  const TVectR& PE = *c.PE;
  const TVectR& CGM = *c.CGM;
  const TVectR& fDisp = *c.fDisp;

  const std::string sufijo = sinCorreccion ? "MT" : "MC";
  TextoSalida f(carpeta / ("c" + central + "_ResultadosMC_" + SelloFechaHora(fechaIni) +
                           SelloFechaHora(fechaFin) + "_" + IntToStr(nBuffer) + "m" + ".xlt"));
  f.EscribirLinea(
      "dt\tVel[m/s]\tDir[gr]\tP_MW_Dato[MW]\tCGM_Dato[MW]\tITurb_dato[p.u]\t"
      "ro_aire[kg/m3]\tP_MW_" +
      sufijo + "_conAjCP\tP_MW_" + sufijo +
      "_sinAjCP\tC_ajuste\tEthaMeteo[p.u.]\tf_disp[p.u.]\tfiltro_coherencia\t"
      "filtro_CGM\tfiltro_huecos\tpRed_conAjCP[MW]");

  auto idx = [](int32_t k) { return static_cast<size_t>(k); };
  auto invalida = [&](int32_t k) {
    return Filt_Coherencia[idx(k)] || Filt_Huecos[idx(k)] ||
           (Filt_CGM[idx(k)] && !ignorarFiltroCGM);
  };
  auto enConsigna = [&](int32_t k) {
    return Filt_CGM[idx(k)] && std::fabs(PE[k] - CGM[k]) <= kBandaConsigna;
  };
  auto usable = [&](int32_t k) {
    return !Filt_Coherencia[idx(k)] && !Filt_Huecos[idx(k)] && !enConsigna(k) && PE[k] > 0.2 * PAut;
  };
  auto rho = [&](int32_t k) { return DensidadAire((*c.Temp)[k], (*c.Pre)[k], (*c.HumRel)[k]); };
  // The station factor of the rows; before the first valid sample of the rows it is 1 (no
  // factor), whatever the scans for the period coefficients left in the model.
  NReal eta = 1.0;

  // Warm-up: the buffers start nBuffer usable samples before the first row.
  int32_t inicioCalculo = 1;
  for (int32_t k = rangoVacio ? 0 : std::min(kIni - 1, N), encontradas = 0; k >= 1; --k)
    if (usable(k) && ++encontradas == nBuffer) {
      inicioCalculo = k;
      break;
    }

  // Every model evaluation of the run, in the order the run makes them: the scans after and
  // before the restriction period (which samples they take does not depend on the model),
  // then the valid samples of the pass. They may be computed beforehand on every core; each
  // is taken at its place in the run.
  const int32_t desdeDespues = std::max(kFinRO + 1, 1);
  const int32_t desdeAntes = std::min(kIniRO - 1, N);
  std::vector<int32_t> muestras;
  auto anotar = [&](int32_t k) {
    muestras.push_back(k);
    return 0.0;
  };
  RazonPeriodo(desdeDespues, +1, N, nBuffer, usable, anotar, PE);
  RazonPeriodo(desdeAntes, -1, N, nBuffer, usable, anotar, PE);
  for (int32_t k = inicioCalculo; k <= kFin; ++k)
    if (!invalida(k)) muestras.push_back(k);
  struct Evaluacion {
    NReal pLimiteCGM = 0, pLimiteAut = 0, eta = 0;
  };
  std::vector<Evaluacion> evaluaciones(muestras.size());
  const bool enHilos = modelo.evaluarEn && modelo.modelo != nullptr && modelo.copias != nullptr;
  TCopiasModelo sinCopias;
  TParque_ModeloTeorico sinModelo;
  TLoteModelo lote(
      enHilos ? *modelo.modelo : sinModelo, enHilos ? *modelo.copias : sinCopias,
      static_cast<int32_t>(muestras.size()), [&](TParque_ModeloTeorico& m, int32_t i) {
        const int32_t k = muestras[idx(i)];
        Evaluacion& e = evaluaciones[idx(i)];
        if (enHilos)
          modelo.evaluarEn(m, e.pLimiteCGM, e.pLimiteAut, e.eta, Vel[k], Ang[k], rho(k), CGM[k]);
        else
          modelo.evaluar(e.pLimiteCGM, e.pLimiteAut, e.eta, Vel[k], Ang[k], rho(k), CGM[k]);
      });
  if (enHilos) lote.Calcular();
  size_t siguiente = 0;
  auto tomar = [&](int32_t k) -> const Evaluacion& {
    if (siguiente >= muestras.size() || muestras[siguiente] != k)
      throw EErrorGeneral("ProcesarSeries: evaluación fuera de orden en la muestra " + IntToStr(k));
    lote.Tomar(static_cast<int32_t>(siguiente));
    return evaluaciones[siguiente++];
  };
  auto modeloAut = [&](int32_t k) { return tomar(k).pLimiteAut; };

  // The scans start inside the series even when the period lies partly outside it.
  const NReal razonDespues = RazonPeriodo(desdeDespues, +1, N, nBuffer, usable, modeloAut, PE);
  const NReal razonAntes = RazonPeriodo(desdeAntes, -1, N, nBuffer, usable, modeloAut, PE);

  std::vector<NReal> bufferPE(idx(nBuffer) + 1, 0.0);
  std::vector<NReal> bufferModelo(idx(nBuffer) + 1, 0.0);
  int32_t posicion = 0;
  NReal cAjuste = 1.0;
  NReal energiaTotal = 0;

  for (int32_t k = inicioCalculo; k <= kFin; ++k) {
    const TDateTime fecha = sd.FechaDeMuestra(k);
    const NReal rhoK = rho(k);
    NReal pLimiteCGM = kPotenciaInvalida;
    NReal pLimiteAut = kPotenciaInvalida;
    if (!invalida(k)) {
      const Evaluacion& e = tomar(k);
      pLimiteCGM = e.pLimiteCGM;
      pLimiteAut = e.pLimiteAut;
      eta = e.eta;
      if (posicion == 0) {
        cAjuste = 1.0;
      } else {
        NReal sP = 0, sM = 0;
        for (int32_t i = 1; i <= nBuffer; ++i) {
          sP += bufferPE[idx(i)];
          sM += bufferModelo[idx(i)];
        }
        cAjuste = sM > kUmbralSumaModelo ? sP / sM : 1.0;
      }
      if (!enConsigna(k) && PE[k] > 0.2 * PAut) {
        posicion = posicion % nBuffer + 1;
        bufferPE[idx(posicion)] = PE[k];
        bufferModelo[idx(posicion)] = pLimiteAut;
        if (errores && k >= kIni && fDisp[k] >= 0.99) {
          const NReal pModelo = sinCorreccion ? pLimiteCGM : std::min(cAjuste * pLimiteAut, PAut);
          errores->Acumular(pModelo, PE[k], Vel[k], Ang[k], fecha);
        }
      }
    }
    if (k < kIni) continue;

    NReal cFila = cAjuste;
    if (kIniRO <= k && k <= kFinRO) {
      const NReal t = nRO == 1 ? 0.5 : static_cast<NReal>(k - kIniRO) / (nRO - 1);
      cFila = (1 - t) * razonAntes + t * razonDespues;
    }
    const NReal pAjustada = std::min(cFila * pLimiteAut, PAut);

    NReal pRed = 0;
    const NReal cgm = CGM[k];
    if (fechaIniRO - tolFecha <= fecha && fecha <= fechaFinRO + tolFecha && cgm > -1 &&
        cgm < PAut - 0.5 && cgm - kBandaConsigna < PE[k] && PE[k] < cgm + kBandaConsigna) {
      // The reduction is kept in single precision, as the table has always carried it.
      const float d = static_cast<float>(pAjustada - PE[k]);
      pRed = d > 0.0f ? static_cast<NReal>(d) : 0.0;
      if (pRed > 0) {
        AgregarEnergia(energias, fecha, pRed / 6);
        energiaTotal = energiaTotal + pRed / 6;
      }
    }

    std::cout << central << "-->" << DateTimeToStr(fecha) << '\n';
    f.EscribirLinea(
        DateTimeToStr(fecha) + "\t" + RealATexto(Vel[k]) + "\t" + RealATexto(Ang[k]) + "\t" +
        RealATexto(PE[k]) + "\t" + RealATexto(cgm) + "\t" + "\t" + RealATexto(rhoK) + "\t" +
        RealATexto(pAjustada) + "\t" + RealATexto(pLimiteAut) + "\t" + RealATexto(cFila) + "\t" +
        RealATexto(eta) + "\t" + RealATexto(fDisp[k]) + "\t" + Bool(Filt_Coherencia[idx(k)]) +
        "\t" + Bool(Filt_CGM[idx(k)]) + "\t" + Bool(Filt_Huecos[idx(k)]) + "\t" + RealATexto(pRed));
    if (libro != nullptr) {
      const size_t paso = idx(k - kIni);
      const NReal valores[6] = {Vel[k], Ang[k], PE[k], cgm, pAjustada, pRed};
      for (size_t s = 0; s < 6; ++s) datosLibro[s][paso] = TDAofNReal{valores[s]};
    }
  }
  std::cout.flush();

  if (libro != nullptr && nPasos > 0) {
    const TDAofString nombres = {"Vel[m/s]",     "Dir[gr]",         "P_MW_Dato[MW]",
                                 "CGM_Dato[MW]", "P_MW_MC_conAjCP", "pRed_conAjCP[MW]"};
    const TDAOfTTipoGrafico tipos(6, TTipoGrafico::dispersion);
    const TDAOfTTipoEje ejes = {TTipoEje::Primario, TTipoEje::Secundario, TTipoEje::Primario,
                                TTipoEje::Primario, TTipoEje::Primario,   TTipoEje::Primario};
    auto rgb = [](TColorLibro r, TColorLibro g, TColorLibro b) { return r + 256 * g + 65536 * b; };
    const TDAOfTColor colores = {rgb(255, 0, 0), rgb(0, 0, 0),       rgb(0, 0, 255),
                                 rgb(0, 128, 0), rgb(128, 128, 128), rgb(255, 255, 0)};
    EscribirValoresAComparar(*libro, TTipoValoresAComparar::promedio, false, 0.0, 0.0, nombres,
                             datosLibro, NombreHojaLibre(*libro, SelloFechaHora(fechaIni)),
                             DateTimeToStr(fechaIni) + " a " + DateTimeToStr(fechaFin), "",
                             fechaIni, sd.pasoDias, 3, true, tipos, ejes, colores, false, false,
                             0.0, 70.0);
  }

  f.EscribirLinea();
  f.EscribirLinea(
      "Fecha inicio\tFecha fin\t Energía no suministrada SCADA [MWh]\t Factor SMEC/SCADA [p.u] "
      "\t Energía no suministrada SMEC [MWh]");
  f.EscribirLinea(FormatDateTime("dd-mm-yyyy hh:mm", fechaIniRO) + "\t" +
                  FormatDateTime("dd-mm-yyyy hh:mm", fechaFinRO - kDiezMinutos) + "\t" +
                  RealATexto(energiaTotal) + "\t" + RealATexto(factorSmecScada) + "\t" +
                  RealATexto(factorSmecScada * energiaTotal));
  f.Cerrar();

  if (errores) errores->Escribir(carpeta / ("c" + central + "_Matrices_Errores" + ".xlt"));
}

// The empirical model of a wind farm: the measured power as a function of wind direction and
// wind power density, learnt from the plant's ten-minute series.
//
// The model keeps the series set it was built from and works on the set's own vectors (the
// filters correct them in place). Its curves live on a grid of direction sectors (72 of 5
// degrees, sector k centred on (k - 1) * 5 degrees) by wind-power-density bins (10): per sector
// an S-curve of the power against the equivalent speed, per sector and bin a regression line
// and a representative power. The sector routines here (SectoresVecinos, AnguloSector) are
// shared with the station factor, the calibrator and the combined model.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "numerics/MatEnt.h"
#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"
#include "platform/fechas.h"
#include "services/useriestemporales.h"

class TParque_ModeloTeorico;
class TCurvaAerogen;
class TGrafico;
class TextoEntrada;
class TextoSalida;
class Tf_ddp_Weibull;
class Tf_ddp_VectDeMuestras;

// The five S-curve parameters that carry from one sector's fit to the next.
struct TParametrosCurvaS {
  NReal alfa = 0;
  NReal vm = 0;
  NReal Pmax = 0;
  NReal DeltaP = 0;
  NReal alfa_varvel = 0;
};

// The values v(k), k = 1 .. v.n in order, of the samples whose "some array of filtros has
// entry k true" equals marcados; a sample whose entry in excluidas is true is never taken (an
// empty excluidas excludes nothing). An entry beyond the end of a flag array counts as false.
// valores ends holding exactly the values taken, from index 0.
void ValoresSegunFiltros(const std::vector<const TDAOfBoolean*>& filtros, const TVectR& v,
                         bool marcados, const TDAOfBoolean& excluidas, TDAofNReal& valores);

// Cubic Hermite value on the unit interval: with h00 = 2t^3 - 3t^2 + 1, h01 = 1 - h00,
// h10 = t(1 - t)^2 and h11 = -t^2(1 - t), h00*y0 + h01*y1 + h*(h10*m0 + h11*m1). y0 and y1 are
// the values at t = 0 and 1, m0 and m1 the slopes per unit of the abscissa, h the width of the
// interval in that abscissa.
NReal Hermite(NReal y0, NReal m0, NReal y1, NReal m1, NReal h, NReal t);

// ---- Sample filters (also used by the series processing of the combined model)

// Fills the five flag arrays (n + 1 entries, n = Vel.n; entry 0 unused) and writes its counts
// to the console, one line per filter:
//  * gaps: a speed outside [0, 80], a direction below -1000, a power below -1000 or above
//    1.05 PAut, a CGM below -1000 (a value on a bound is not a gap; one that is not a number
//    is);
//  * fDisp brought to per unit (EscalarDisponibilidad);
//  * availability, for samples that are not gaps: fDisp outside [0.8, 1.001] (or not a
//    number) or a power above 1.02 PAut; with corregirDensidad the other samples get
//    PE := PE / (fDisp * rho/1.225), each relative density written as a console line of its
//    own;
//  * repeats of speed, of direction and of power (a power within 4 MW of CGM is not taken for
//    a stuck value), all into Filt_Coherencia;
//  * CGM limitation, for samples that are not gaps: CGM below 0.995 PAut.
// Filtro_Distancia is left all false. VarVel is taken and not used. PAut is the theoretical
// model's potencia_autorizada_mw. All vectors must have at least Vel.n elements.
void FiltrarMuestras(const TParque_ModeloTeorico& mt, TVectR& PE, const TVectR& Vel,
                     const TVectR& HumRel, const TVectR& Ang, const TVectR& Temp, const TVectR& Pre,
                     const TVectR& CGM, const TVectR& VarVel, TVectR& fDisp,
                     TDAOfBoolean& Filt_Coherencia, TDAOfBoolean& Filt_CGM,
                     TDAOfBoolean& Filt_Huecos, TDAOfBoolean& Filtro_Distancia,
                     TDAOfBoolean& Filt_Disponibilidad, bool corregirDensidad);

// Flags in marcas the runs of equal values of x (exact comparison) longer than nRepeticiones:
// a run of L >= nRepeticiones + 1 consecutive equal samples flags its first L - 1 and adds
// L - 1 to the result. A sample masked in mascara ends the current run and starts a new one
// with its own value. The last sample takes no part. marcas and mascara have x.n + 1 entries
// (a shorter marcas raises EErrorGeneral; a shorter mascara masks nothing past its end).
int32_t FiltrarRepetidos(TDAOfBoolean& marcas, const TVectR& x, int32_t nRepeticiones,
                         const TDAOfBoolean& mascara);

// Brings an availability series given in percent or in available turbines to per unit: with
// m its maximum and N the model's nMolinos, nothing changes when |m - 1| <= |m - N|; otherwise
// every element is divided by 100 when m > 2N and by N else, with a "WARNING!!!: max_fd: "
// console line. Values that are not numbers take no part in the maximum; a series without any
// number changes nothing.
void EscalarDisponibilidad(TVectR& fDisp, const TParque_ModeloTeorico& mt);

// Whether a sample's date-time falls in the day of the sector charts: from 7:00 up to, not
// including, 20:00 (the time of day decoded to the whole millisecond).
bool EsMuestraDiurna(TDateTime fecha);

// The top of the power axis of the charts: the first multiple of 10 above p (MW).
NReal TopeEjePotencia(NReal p);

// The two planes of the filtered-sample charts.
enum class TPlanoFiltrados { PE_Velocidad, Dir_Velocidad };

// The file name of a filtered-sample chart: "muestras_filtrados_plano_pe_vel_0.jpg" or
// "muestras_filtrados_plano_dir_vel_0.jpg".
std::string ArchivoGraficoFiltrados(TPlanoFiltrados plano);

// Saves a chart of the empirical model as it is saved in the plant folder: a 2100 x 1000 JPEG
// of quality 100. Painting lays the chart out anew on the chart's own fields.
void ExportarGraficoModeloEmpirico(TGrafico& grafico, const std::filesystem::path& archivo);
// Saves n charts as ExportarGraficoModeloEmpirico does, chart i built by construir(i) and saved
// as archivo(i), in order. On more than one thread (NumeroDeHilos) the charts are built,
// painted and compressed on every core and the files written by the calling thread in order;
// a chart that fails stops the saving there with its exception, as a plain loop would.
// construir and archivo must only read what they share.
void ExportarGraficosModeloEmpirico(
    int32_t n, const std::function<std::unique_ptr<TGrafico>(int32_t)>& construir,
    const std::function<std::filesystem::path(int32_t)>& archivo);

// Whether the shorter arc between two directions (degrees, any number of turns) is at most
// semiAncho.
bool EnVentanaAngular(NReal direccion, NReal anguloSector, NReal semiAncho);

class TParque_ModeloEmpirico {
 public:
  // Number of channels the model takes from the series file, by position.
  static constexpr int32_t kCanales = 9;

  TParque_ModeloTeorico* mt = nullptr;  // the plant's theoretical model, not owned
  int32_t NPuntos = 0;                  // samples: the length of the first series
  TDateTime fechaInicio = 0;            // date-time of sample 1
  double pasoDias = 0;                  // sample step, days (10/1440 once checked)
  // The series set read from the file; absent in a model read from text.
  std::unique_ptr<TSeriesDeDatos> series;

  // The nine channels: the series set's own vectors (file positions 2, 1, 3, 4, 5, 6, 8, 7, 9
  // in the order below), null in a model read from text.
  TVectR* Ang = nullptr;     // wind direction, degrees (file position 2)
  TVectR* Vel = nullptr;     // wind speed, m/s (1)
  TVectR* PE = nullptr;      // electric power of the farm, MW (3)
  TVectR* Temp = nullptr;    // air temperature, deg C (4)
  TVectR* Pre = nullptr;     // air pressure, hPa (5)
  TVectR* HumRel = nullptr;  // relative humidity, % (6)
  TVectR* fDisp = nullptr;   // availability, per unit after rescaling (8)
  TVectR* CGM = nullptr;     // the CGM power channel, MW (7)
  TVectR* VarVel = nullptr;  // variance of the speed within the ten minutes, (m/s)^2 (9)

  TVectR fechas;  // date-time of each sample: fechaInicio + (k - 1) * pasoDias

  // Per-sample flags, NPuntos + 1 entries (entry k for sample k, entry 0 unused): true means
  // the sample is left out for that reason.
  TDAOfBoolean Filt_Huecos;
  TDAOfBoolean Filt_Coherencia;
  TDAOfBoolean Filt_CGM;
  TDAOfBoolean Filtro_Distancia;
  TDAOfBoolean Filt_Disponibilidad;

  // The samples of the sector being fitted (empty until the first fit).
  TVectR muestrasPv3;
  TVectR muestrasPE;
  TVectR muestrasVarVel;
  TVectR muestrasFecha;

  TVectR bordesPv3;  // NTramos + 1 bin edges, MW/m2
  // NSectores x NTramos: samples per bin (-1 for no fit), intercept and slope of the bin's
  // regression line of power on power density, representative power.
  TMatR cntTramo;
  TMatR aTramo;
  TMatR bTramo;
  TMatR PTramo;
  TVectR centrosPv3;  // NTramos bin centres

  // S-curve per sector: P(v) = Pmax / (1 + exp(-alfa (v - vm))) - DeltaP, with v the speed
  // corrected by alfa_varvel times the speed variance; -1 in a sector without a curve.
  TVectR alfa;
  TVectR vm;
  TVectR Pmax;
  TVectR DeltaP;
  TVectR alfa_varvel;
  TVectR errc2;  // root-mean-square error of each sector's curve (absent when read from text)

  TParametrosCurvaS xInicial;  // start of the next sector's fit
  TVectE cntMuestras;          // per sector, samples inside the power window of its fit

  // The sector charts' samples of one sector, sorted by power density (AjustarCurvasS).
  struct TDatosSector {
    TDAofNReal pv3, PE, varVel, fechas;
  };

  // An empty model: no series, no curves. The constructors from series and from text fill it.
  TParque_ModeloEmpirico() = default;
  TParque_ModeloEmpirico(const TParque_ModeloEmpirico&) = delete;
  TParque_ModeloEmpirico& operator=(const TParque_ModeloEmpirico&) = delete;

  // ---- Construction from series

  // The model of the series file `archivoSeries` for the theoretical model mt (not owned; its
  // authorised and nominal power, nMolinos, curvaEquivalente and plant number are read):
  // reads the file, checks the ten-minute period (within one second), filters the samples
  // with density correction, fits the sector curves (pass 1), flags the tenth of the samples
  // farthest from them, fits again (pass 2) and writes the result tables and charts into the
  // plant folder (CarpetaCentral(mt->central)). porcInf and porcSup are the percentages of the
  // authorised power that bound the powers of the S-curve fit.
  // Failures: the errors of TSeriesDeDatos::Cargar; EErrorGeneral "ERROR en archivo series,
  // Perioedo Entre Muestras : " + period in hours + " debe ser " + 1/6 (FloatToStr, user's
  // format); EErrorGeneral for fewer than nine series or a model without equivalent curve;
  // the bins' linear-system error; the I/O errors of the output files. The partly built model
  // is released; console lines and files already written stay.
  static std::unique_ptr<TParque_ModeloEmpirico> CreateDesdeSeries(
      TParque_ModeloTeorico* mt, const std::filesystem::path& archivoSeries, int32_t porcInf,
      int32_t porcSup);

  // The distance filter: among the samples that no gap, coherence, CGM or availability flag
  // marks, the tenth (NValidas - Trunc(0.9 NValidas)) with the largest squared difference
  // between the S-curve power (at each sample's own density and variance) and the corrected
  // power get Filtro_Distancia. Returns the number flagged.
  int32_t FiltrarPorDistancia();

  // ---- S-curve fit per direction sector

  // Fits every sector (pass 1 or 2): bins equally wide in speed up to the largest unflagged
  // speed, per sector the S-curve and per bin the regression line; sectors with 50 or fewer
  // samples in the power window take their curve from the completion of their neighbours.
  // Writes the sector charts and "curvas_s_completadas_.xlt". A bin whose samples all share
  // one power density raises EErrorGeneral "Atención!!!! sistema lineal no invertible en la
  // aproximación de un tramo!!!".
  void AjustarCurvasS(int32_t nSectores, int32_t nTramos, NReal solape, int32_t pasada,
                      int32_t porcInf, int32_t porcSup);

  // The unflagged samples whose direction lies within semiAncho degrees of angulo, in sample
  // order, into muestrasPv3 (at each sample's own air density), muestrasPE, muestrasVarVel and
  // muestrasFecha.
  void MuestrasSector(NReal angulo, NReal semiAncho);

  // One sector's S-curve from its samples (pv3 ascending, P and varVel in the same order):
  // the samples with pInf <= P <= pSup (porcInf, porcSup percent of PAut), P > 0 and P below
  // the equivalent curve's Pmax are fitted by TProblema_CurvaS from xInicial; a fit that does
  // not converge or ends with violations above 1e-20 is replaced by the regression S-curve
  // through 0.1 MW at 0 m/s. cnt gets the number of samples fitted; with 10 or fewer the
  // curve is -1 and nothing is fitted. A fit that fails (an exception, a result that is not a
  // number) leaves -1 too. varVel is taken and not used.
  void AjustarCurvaSector(NReal& alfa_, NReal& vm_, NReal& Pmax_, NReal& DeltaP_,
                          NReal& alfa_varvel_, NReal& errc2_, int32_t& cnt, const TVectR& pv3,
                          const TVectR& P, const TVectR& varVel,
                          const TCurvaAerogen& curvaEquivalente, int32_t porcInf, int32_t porcSup,
                          int32_t sector);

  // ---- Result tables and charts (plant folder)

  // "curvas_s_.xlt": per sector its angle, alfa, vm, alfa_varvel, errc2, cntMuestras and the
  // equivalent curve's logistic alfa and vm.
  void EscribirCurvasS() const;
  // "series_filtradas.xlt" (every sample with its date, channels and flags) and the charts
  // "muestras_filtrados_plano_pe_vel_0.jpg" and "muestras_filtrados_plano_dir_vel_0.jpg".
  void EscribirSeriesFiltradas() const;
  // A filtered-sample chart, built and not saved: the speed on the abscissa (0 to 25 m/s)
  // against the power (0 to TopeEjePotencia(PAut)) or the direction (0 to 360 degrees); every
  // sample, gaps included, in green, then the samples each filter marks (gaps left out): the
  // coherence in magenta, the CGM in red, the availability in blue and the distance in black.
  std::unique_ptr<TGrafico> GraficoFiltrados(TPlanoFiltrados plano) const;
  // "curvas_s_completadas_.xlt" from the completion's result matrices (nSectores x 1 each).
  void EscribirCurvasSCompletadas(const TMatR& alfaC, const TMatR& vmC, const TMatR& PmaxC,
                                  const TMatR& DeltaPC) const;
  // The chart of sector k of pass `pasada`, built by GraficoClusterSector and saved in the
  // plant folder as ArchivoGraficoSector(k, pasada). aFila, bFila and varVel are taken and
  // not drawn.
  void GraficarClusterSector(int32_t k, const TVectR& bordes, const TVectR& centros,
                             const TDAofNReal& pv3, const TDAofNReal& PE_, const TDAofNReal& varVel,
                             const TDAofNReal& fechas_, const TVectR& cntFila, const TVectR& aFila,
                             const TVectR& bFila, const TVectR& PFila, int32_t pasada) const;
  // The chart of sector k, built and not saved: the sector's samples (pv3, PE_ at fechas_) by
  // day and by night, the bin edges as thin boxes, the S-curve at the bin centres and along
  // the bins, the samples per bin (cntFila, secondary axis) and the representatives (PFila);
  // the power axis from 0 to TopeEjePotencia of the larger of the authorised and the nominal
  // power.
  std::unique_ptr<TGrafico> GraficoClusterSector(int32_t k, const TVectR& bordes,
                                                 const TVectR& centros, const TDAofNReal& pv3,
                                                 const TDAofNReal& PE_, const TDAofNReal& fechas_,
                                                 const TVectR& cntFila, const TVectR& PFila) const;
  // Trunc(100 * angle of sector k) + "_" + pasada + "_0.jpg".
  std::string ArchivoGraficoSector(int32_t k, int32_t pasada) const;

  // Points the nine channels at the first nine series of `series`, by position (names and
  // kinds are not looked at; further series are ignored). Fewer than nine series raise
  // EErrorGeneral naming the file and the count.
  void TomarCanales();

  // The rows of aTramo and the bins of bordesPv3.
  int32_t NSectores() const { return aTramo.nf; }
  int32_t NTramos() const { return bordesPv3.n - 1; }
  // (k - 1) * 360 / NSectores, degrees.
  NReal AnguloSector(int32_t k) const;

  // The two sectors around a direction and their weights: with x = NSectores * angulo / 360,
  // k1 = Trunc(x) mod NSectores + 1, k2 = k1 mod NSectores + 1, peso2 = x - Trunc(x),
  // peso1 = 1 - peso2. A quantity q is interpolated as peso1 q(k1) + peso2 q(k2). The direction
  // is first brought into [0, 360) by whole turns (360 as 0, -5 as 355; a direction already in
  // [0, 360) is used unchanged); a direction that is not finite raises EErrorGeneral.
  void SectoresVecinos(int32_t& k1, int32_t& k2, NReal& peso1, NReal& peso2, NReal angulo) const;

  // ---- Evaluations (they change nothing in the model)

  // Power in MW at direction angulo (degrees), wind power density pv3 (MW/m2) and air density
  // rho (kg/m3), from the bin representatives: per sector a cubic Hermite through the
  // representatives PTramo at the bin centres with the bins' slopes bTramo as tangents,
  // continued along the outermost bin's slope beyond the first and last centres; the two
  // sectors around the direction are weighted and the result scaled by rho / 1.225. cnt gets
  // the interpolated number of samples behind the value, or -1 when the value is not valid: a
  // sector of weight above 0.001 whose node (or, between centres, one of two nodes not
  // practically coinciding with the point) has fewer than 10 samples. Then the result is 0. A
  // pv3 whose bin position is not finite (NaN, infinite) is not valid either.
  NReal PotenciaRepresentantes(NReal& cnt, NReal angulo, NReal pv3, NReal rho) const;

  // Hermite interpolation along one sector's row of bins, between centres j and j + 1, at
  // t in [0, 1] of the spacing h: not valid (cnt -1, result 0) when (t < 0.999 and
  // cntFila(j) < 10) or (t > 0.001 and cntFila(j + 1) < 10); else cnt is the linear
  // interpolation of the two counts.
  NReal InterpolarTramo(NReal& cnt, int32_t j, NReal t, NReal h, const TVectR& cntFila,
                        const TVectR& PFila, const TVectR& bFila) const;

  // Power in MW from the sector S-curves at direction angulo, density pv3 (MW/m2), air density
  // rho and speed variance varVel ((m/s)^2): the speed v of pv3 at rho, per sector corrected to
  // the real cube root of v^3 - alfa_varvel varVel^1.5 (v itself when alfa_varvel is 0; a
  // negative variance, a missing-value marker, counts as 0), each sector's uncapped curve, the
  // two sectors weighted and scaled by rho / 1.225, and the result cut to the theoretical
  // model's authorised power (also when it is not a number). A negative pv3 has no speed:
  // EErrorGeneral from VelocidadDeDensidadPotencia. Without a theoretical model: EErrorGeneral.
  NReal PotenciaCurvaS(NReal angulo, NReal pv3, NReal rho, NReal varVel) const;

  // The share (per unit) of the binned samples that belong to the sectors around a direction:
  // the weighted bin counts above 0 of the two sectors over those of all sectors. A model
  // without any positive count raises EErrorGeneral (the quotient would be 0/0).
  NReal FrecuenciaDireccion(NReal angulo) const;

  // For a model built from series: the Weibull distribution of the non-calm speeds (above
  // 0.001 m/s) and the empirical distribution of the directions, of the samples that are not
  // gaps and that neither the coherence, the availability nor the distance filter marks (those
  // marked only by the CGM filter count), both created here and owned by the caller; and over
  // the same samples (calms included) the maximum and minimum of pressure, corrected power,
  // speed, humidity, availability, temperature and CGM. Note the order: the last three pairs
  // give the minimum first. An empty selection gives NaN for its minimum and maximum. Errors of
  // the fits (too few speeds for a Weibull law, no direction) pass to the caller.
  void DistribucionesYRangos(std::unique_ptr<Tf_ddp_Weibull>& weibull,
                             std::unique_ptr<Tf_ddp_VectDeMuestras>& direcciones, NReal& maxPre,
                             NReal& minPre, NReal& maxPE, NReal& minPE, NReal& maxVel,
                             NReal& minVel, NReal& maxHumRel, NReal& minHumRel, NReal& minFDisp,
                             NReal& maxFDisp, NReal& minTemp, NReal& maxTemp, NReal& minCGM,
                             NReal& maxCGM) const;

  // ---- Model text (carried by the calibrator file after the theoretical model's text)

  // "VERSION=2", then bordesPv3, cntTramo, aTramo, bTramo, centrosPv3, PTramo, alfa, vm, Pmax,
  // DeltaP and alfa_varvel as vector and matrix text blocks, under the number-format guard.
  void EscribirTexto(TextoSalida& f) const;

  // Reads the model text at the current position of f; the model refers to mt (not owned).
  // Versions: a first line without "VERSION=" is version 1 and holds the number of bin edges,
  // whose values follow without a count line; "VERSION=" + n reads n strictly (EConvertError
  // otherwise), and n above 1 reads as 2. Version 1 has no alfa_varvel block (all 0). Malformed
  // blocks raise EInOutError "Error leyendo línea: " + n, truncated ones the same for the
  // missing line n followed by ": fin del archivo"; blocks whose sizes do not agree (matrices
  // of different shapes, a sector vector or the centres of another length, no sector or bin)
  // raise EInOutError "Modelo empírico inconsistente: " + what. Every refusal
  // names the line and the file, the text's own after it (MensajeErrorDeLinea:
  // "Error leyendo línea: 48 del archivo: c.clp: Modelo empírico inconsistente: ..."). The
  // guard is popped on every path. The model has no series, channels, flags, errc2 or cntMuestras.
  static std::unique_ptr<TParque_ModeloEmpirico> CreateLeerTexto(TextoEntrada& f,
                                                                 TParque_ModeloTeorico* mt);
};

// Operational restrictions ("Restricciones Operativas") and the energy they leave unsupplied.
//
// The routines here find the stretches in which the CGM set-point held the farm below its
// authorised power, keep the energy not supplied per ten-minute sample, gather it per clock
// hour and write the two energy tables of a restriction run; they also accumulate a model's
// errors by direction sector and speed band, for all samples, day samples and night samples.
//
// Every table here is tab-separated text with CRLF line ends, written without the number-format
// guard: reals in the plain real text (" 1.5000000000000000E+000", always "."), texts in UTF-8.
// Date-times are days since 1899-12-30.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "estimator/uparques_modelocombinado.h"
#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"
#include "platform/fechas.h"

// ---------------------------------------------------------------------------------------------
// Restriction periods and energy not supplied

// The restriction periods in the CGM channel (the seventh series) of a series file. fechaDesde
// and fechaHasta come back narrowed to the series (the later of fechaDesde and the first
// sample, the earlier of fechaHasta and the last). A period starts at the first sample from
// fechaDesde on, up to fechaHasta, whose CGM value c has -1 < c < pAut - 0.5, and ends at the
// first later sample, searched to the end of the series, with c > -1 and c > pAut - 0.5; a
// missing value (-1 or below) or a value of exactly pAut - 0.5 neither starts nor ends one. A
// period that lasts to the end of the series ends one step after the last sample. The search
// goes on after each end and stops at an end at or after fechaHasta's sample. periodos is
// replaced by the periods found, in time order. An empty range (fechaHasta before fechaDesde
// once narrowed) has no period. The series reader's errors pass to the caller; a file with
// fewer than seven series raises EErrorGeneral.
void PeriodosRestriccion(const std::filesystem::path& archivoSeries, TDateTime& fechaDesde,
                         TDateTime& fechaHasta, NReal pAut, TDAofRecsFechas& periodos);

// Appends (fecha, energia) at the end of lista.
void AgregarEnergia(TDAofRecsEnergiaPorFecha& lista, TDateTime fecha, NReal energia);
// Adds energia to the last record of lista; an empty list raises EErrorGeneral.
void SumarEnergiaUltimo(TDAofRecsEnergiaPorFecha& lista, NReal energia);

// The start of the clock hour that holds t: its day plus its whole hours over 24. t is taken
// to the millisecond first, so an instant computed one rounding short of 13:00 is in 13:00.
TDateTime HoraDe(TDateTime t);

// Gathers the ten-minute records of energias (in time order) into hourly records, replacing
// porHora: a sample's energy goes to the hour that holds the ten minutes before its date-time
// (records stamped hh:10 to (hh+1):00 make up hour hh), and consecutive records of one hour are
// merged, also when they come from different restriction periods. An empty list gives an empty
// list.
void EnergiaPorHora(TDAofRecsEnergiaPorFecha& porHora, const TDAofRecsEnergiaPorFecha& energias);

// The energy-not-supplied table: a header, one line per hourly record (the hour as a real,
// the SCADA energy, the factor and the SMEC energy factorSmecScada * energia) and a totals
// line "E[MWh] totales". The file is replaced only when the whole table was written;
// EInOutError when it cannot be created.
void EscribirEnergiaNoSuministrada(const std::filesystem::path& archivo,
                                   const TDAofRecsEnergiaPorFecha& porHora, NReal factorSmecScada);

// The table of days by hours: one line per calendar day from the day of fechaDesde to the day
// of fechaHasta, each with the date "dd-mm-yyyy", the row total and 24 cells; the cell of hour
// h holds factorSmecScada * energia of the hourly record that starts at (h - 1):00 of that day
// (a record replaces, never adds to, what its cell holds). Hours are counted from the midnight
// of fechaDesde's day, whatever its time; when a record falls before that day or after
// fechaHasta's, the table grows by the days needed to hold it. Every cell is also written on
// the console as "d - h = value" in the user's number format. EInOutError when the file cannot
// be created.
void EscribirRestriccionesHorarias(const std::filesystem::path& archivo,
                                   const TDAofRecsEnergiaPorFecha& porHora, NReal factorSmecScada,
                                   TDateTime fechaDesde, TDateTime fechaHasta);

// ---------------------------------------------------------------------------------------------
// Model error matrices

// Accumulates e = pModelo - pReal (MW) sample by sample in a grid of nSectores direction sectors
// (sector s covers [(s - 1) * anchoSector, s * anchoSector) degrees) by nBandas speed bands
// (band b covers [(b - 1) * anchoBanda, b * anchoBanda) m/s, the last one also every speed
// above), for all samples, day samples (horaInicioDia:00 inclusive to horaFinDia:00 exclusive)
// and night samples, and writes them as one error table. Escribir completes the statistics in
// place and is called once, after the last Acumular.
class TMatricesConErroresModelos {
 public:
  // Sums of e per cell (MW); multiplied by 1/6 (MWh per ten-minute sample) when written.
  TMatR sumaTotal, sumaDia, sumaNoche;
  // Mean of e / pAut per cell, filled when written (-99999999.0 in a cell without samples).
  TMatR mediaTotal, mediaDia, mediaNoche;
  // Sums of e^2 per cell; replaced when written by the standard deviation of e / pAut
  // (-99999999.0 in a cell without samples).
  TMatR cuadTotal, cuadDia, cuadNoche;
  NReal acumTotal = 0, acumDia = 0, acumNoche = 0;  // accumulated errors, MWh (when written)
  NReal sumaAbs = 0;                                // sum of |e| over the accumulated samples
  NReal mediaGlobalTotal = 0, mediaGlobalDia = 0, mediaGlobalNoche = 0;
  // Sums of e^2; replaced when written by the standard deviations of e / pAut.
  NReal desvTotal = 0, desvDia = 0, desvNoche = 0;
  int32_t nSectores = 0, nBandas = 0;
  NReal velMax = 0;                  // upper end of the speed bands, m/s
  NReal dirMax = 0;                  // span of the directions, degrees
  NReal anchoBanda = 0;              // velMax / nBandas
  NReal anchoSector = 0;             // dirMax / nSectores
  TMatR cntDia, cntNoche, cntTotal;  // samples per cell
  int32_t horaInicioDia = 0, horaFinDia = 0;
  NReal pAut = 0;      // authorised power, MW
  NReal sumaReal = 0;  // sum of the real powers; their mean once written

  // The series processing passes 72, 25.0, 360.0, 10, 7, 20 and the authorised power. Counts
  // below 1, spans or a power that are not finite and positive, or day hours outside 0 .. 24,
  // raise EErrorGeneral.
  TMatricesConErroresModelos(int32_t nSectores_, NReal velMax_, NReal dirMax_, int32_t nBandas_,
                             int32_t horaInicioDia_, int32_t horaFinDia_, NReal pAut_);

  // Adds one sample: direction dir (degrees), speed vel (m/s), fecha its date-time. The time of
  // day is taken to the millisecond, so 07:00 computed as a start plus k ten-minute steps is
  // 07:00 (a day sample) even when the sum falls one rounding short. A sample whose sector or
  // band falls outside the grid (a direction of -5 degrees or below, a speed of -anchoBanda or
  // below, anything that is not a number) has no cell and is left out altogether.
  void Acumular(NReal pModelo, NReal pReal, NReal vel, NReal dir, TDateTime fecha);

  // Completes the statistics and writes the table to archivo (replaced only when the whole
  // table was written; EInOutError when it cannot be created). A global figure that has no
  // value (no sample at all, none by day or by night, a mean real power of 0) is written as
  // -99999999.0, as a cell without samples is; a total variance that computes below 0 through
  // rounding is taken as 0.
  void Escribir(const std::filesystem::path& archivo);
};

// The no-data marker of the mean and standard-deviation tables.
inline constexpr NReal kSinDatosErrores = -99999999.0;

// ---------------------------------------------------------------------------------------------
// Series processing with the combined model

class T_ExcelFile;
class TDBPQCon;

// The model power of one sample: pLimiteCGM and pLimiteAut (MW) and the station factor eta the
// evaluation used, for measured speed v (m/s), direccion (degrees), air density rho (kg/m3) and
// CGM power pCGM (MW).
using TEvaluadorMuestra = std::function<void(NReal& pLimiteCGM, NReal& pLimiteAut, NReal& eta,
                                             NReal v, NReal direccion, NReal rho, NReal pCGM)>;

// What the series processing takes from a combined model: its theoretical model (authorised
// power, plant number, the sample filters), the sector and bin counts of its empirical model
// (the grid of the error matrices) and the evaluation of one sample.
struct TModeloParaSeries {
  const TParque_ModeloTeorico* mt = nullptr;
  int32_t nSectores = 0;
  int32_t nTramos = 0;
  TEvaluadorMuestra evaluar;
  // The same evaluation on a given theoretical model: `modelo` (the one `evaluar` changes) or
  // a copy of it made for another thread. With it, and `modelo` and `copias`, the samples of a
  // run are evaluated on every core; without it, one after the other with `evaluar`.
  std::function<void(TParque_ModeloTeorico& m, NReal& pLimiteCGM, NReal& pLimiteAut, NReal& eta,
                     NReal v, NReal direccion, NReal rho, NReal pCGM)>
      evaluarEn;
  TParque_ModeloTeorico* modelo = nullptr;
  std::shared_ptr<TCopiasModelo> copias;
};

// The combined model's CalcularPotencia with the given switches; eta is its theoretical model's
// factorMeteo as the evaluation left it. mc must outlive the result.
TModeloParaSeries ModeloParaSeries(TParque_ModeloCombinado& mc, bool velLibre, bool sinCorreccion);

// Runs the combined model over the samples of archivoSeries from fechaIni to fechaFin (narrowed
// to the series) and writes carpeta / "c<plant>_ResultadosMC_<stamp><stamp>_<nBuffer>m.xlt":
// one row per sample with the model power adjusted to the farm's recent output (the sum of the
// last nBuffer usable measured powers over that of their model powers) or, inside the
// restriction period fechaIniRO .. fechaFinRO, by the coefficients of the nBuffer usable
// samples just before and just after it, interpolated linearly across it. Inside the period,
// a sample held at its CGM set-point adds its energy not supplied (adjusted power minus
// measured power, over 6) to energias, which is not emptied first. With calcularErrores the
// model errors go to carpeta / "c<plant>_Matrices_Errores.xlt"; with libro a comparison sheet
// (and its chart) is added to it. sinCorreccion names the model columns "MT" instead of "MC"
// and takes the errors from pLimiteCGM; ignorarFiltroCGM false treats samples under the CGM
// limit as invalid. The samples before fechaIni only warm the buffers up. nBuffer below 1
// raises EErrorGeneral before anything is read or written; the series reader's errors and
// EInOutError for a file that cannot be created pass to the caller. A range or a restriction
// period partly or wholly outside the series keeps every scan inside it.
void ProcesarSeries(const TModeloParaSeries& modelo, const std::filesystem::path& archivoSeries,
                    const std::filesystem::path& carpeta, TDateTime fechaIni, TDateTime fechaFin,
                    TDateTime fechaIniRO, TDateTime fechaFinRO, NReal factorSmecScada,
                    TDAofRecsEnergiaPorFecha& energias, int32_t nBuffer, bool calcularErrores,
                    bool sinCorreccion, bool ignorarFiltroCGM, T_ExcelFile* libro);

// ProcesarSeries with ModeloParaSeries(mc, velLibre, sinCorreccion).
void ProcesarSeriesConModeloCombinado(TParque_ModeloCombinado& mc,
                                      const std::filesystem::path& archivoSeries,
                                      const std::filesystem::path& carpeta, bool velLibre,
                                      TDateTime fechaIni, TDateTime fechaFin, TDateTime fechaIniRO,
                                      TDateTime fechaFinRO, NReal factorSmecScada,
                                      TDAofRecsEnergiaPorFecha& energias, int32_t nBuffer,
                                      bool calcularErrores, bool sinCorreccion,
                                      bool ignorarFiltroCGM, T_ExcelFile* libro);

// The marker of the model powers of an invalid sample.
inline constexpr NReal kPotenciaInvalida = -111111.0;

// ---------------------------------------------------------------------------------------------
// Restriction run

// The plant's SMEC/SCADA factor: factor_smec_scada of its row in centrales. A plant without a
// row, or whose factor is NULL, gets 1.0 (the SMEC energies then equal the SCADA ones) with a
// console warning.
NReal FactorSmecScada(TDBPQCon& conexion, int32_t central);

// The restriction run of one plant over fechaDesde .. fechaHasta: reads the combined model,
// queries the plant's factor and runs CalcularRestriccionesConModelo with them.
void CalcularRestriccionesOperativas(TDBPQCon& conexion, const std::filesystem::path& archivoPmc,
                                     const std::filesystem::path& archivoSeries,
                                     const std::filesystem::path& carpeta, bool velLibre,
                                     int32_t nBuffer, TDateTime fechaDesde, TDateTime fechaHasta);

// Finds the restriction periods of archivoSeries in the range (narrowed to the series), runs
// the series processing over each one widened by four hours on either side (one result table
// and one workbook sheet per period, the energies collected), saves the workbook as
// carpeta / "c<plant>_VISOR_<nBuffer>m" (plus its extension) and writes the energy tables
// "c<plant>_RO_DTE_<nBuffer>m.xlt" and "c<plant>_Restricciones_horarias_<nBuffer>m.xlt" in
// carpeta. nBuffer below 1 raises EErrorGeneral before anything is written.
void CalcularRestriccionesConModelo(const TModeloParaSeries& modelo, NReal factorSmecScada,
                                    const std::filesystem::path& archivoSeries,
                                    const std::filesystem::path& carpeta, int32_t nBuffer,
                                    TDateTime fechaDesde, TDateTime fechaHasta);

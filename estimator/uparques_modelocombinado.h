// The combined model (the window's calibrated model, MC): a calibrator with a correction
// matrix by direction sector and wind-power-density bin that scales the theoretical model's
// farm power towards the empirical model's.
//
// It is fitted once from a calibrator file, saved to and read from the ".pmc" file (the
// calibrator text followed by the matrix block of the correction), and then evaluated sample
// by sample (CalcularPotencia) by the series processing and the restriction run. Evaluations
// change the theoretical model's grid and station factor as a side effect.
//
// Powers in MW, wind power densities in MW/m2, air densities in kg/m3, directions in degrees
// from north (where the wind comes from).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "estimator/ucalibrador.h"
#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"
#include "platform/fechas.h"

// ---------------------------------------------------------------------------------------------
// Records of the restriction computations (arrays in time order, from 0)

// One restriction period: the date-time of its first restricted sample and that of the sample
// that ends it (the first one back above the limit).
struct TRecFechasRestriccion {
  TDateTime fechaInicio = 0;
  TDateTime fechaFin = 0;
};
using TDAofRecsFechas = std::vector<TRecFechasRestriccion>;

// An energy not supplied (MWh) at a ten-minute sample (its date-time) or gathered for one hour
// (the hour's start).
struct TRecEnergiaPorFecha {
  TDateTime fecha = 0;
  NReal energia = 0;
};
using TDAofRecsEnergiaPorFecha = std::vector<TRecEnergiaPorFecha>;

// ---------------------------------------------------------------------------------------------

// The relaxation of the correction matrix stops when a sweep changes no cell by this much, or
// after this many sweeps plus one.
inline constexpr NReal kToleranciaCorreccion = 0.0001;
inline constexpr int32_t kMaxPasadasCorreccion = 10000;

class TParque_ModeloCombinado : public TCalibradorParque {
 public:
  // NSectores x NTramos of the empirical model: the factor of sector k (direction
  // AnguloSector(k)) and bin j (centre centrosPv3(j)).
  TMatR correccion;

  // Sweeps made by the last AjustarCorreccion.
  int32_t pasadasRelleno = 0;

  // Reads the calibrator file, then fits the correction (AjustarCorreccion).
  static std::unique_ptr<TParque_ModeloCombinado> CreateDesdeCalibrador(
      const std::filesystem::path& archivoClp);
  // Pairs two models already built and fits the correction.
  static std::unique_ptr<TParque_ModeloCombinado> CreateConModelos(
      std::shared_ptr<TParque_ModeloTeorico> mt, std::shared_ptr<TParque_ModeloEmpirico> me);
  // The ".pmc" file under the number-format guard: the calibrator text, then the correction
  // as a matrix block. EInOutError "No puedo abrir el archivo: " + path when it cannot be
  // opened; the readers' exceptions for a malformed text; a correction whose shape is not
  // NSectores x NTramos of the empirical model raises EInOutError
  // "Matriz de corrección inconsistente: " + its rows + "x" + its columns. Every refusal of
  // the text names the line and the file first (MensajeErrorDeLinea); a text that ends early
  // (a .clp without its correction) names the missing line and ": fin del archivo".
  static std::unique_ptr<TParque_ModeloCombinado> CreateDesdeArchivo(
      const std::filesystem::path& archivoPmc);

  // The calibrator text and the correction block, to a temporary file renamed over `archivo`
  // at the end, under the guard.
  void Guardar(const std::filesystem::path& archivo) const;
  void EscribirTexto(TextoSalida& f) const;

  // Fits correccion: ratios PME / PMT at the bin centres of every sector and bin with at least
  // 10 samples and |PMT| > 1 MW, the other cells filled by relaxation from 1.0.
  void AjustarCorreccion();
  // R(k, j) := PME / PMT where the cell is measured; R keeps its values elsewhere. The cells
  // are computed on every core; the console lines are written in order by the caller.
  void CalcularCocientes(TMatR& R);
  // C(k, j) := R(k, j) for every R(k, j) > 0.
  static void CopiarCocientesPositivos(TMatR& C, const TMatR& R);
  // One Jacobi sweep over the cells with R(k, j) <= 0: the mean of the four neighbours of the
  // previous values, rows circular and columns clamped (the first and last column count the
  // cell itself in place of the missing neighbour). Returns the largest change.
  static NReal PasadaRellenoCorreccion(TMatR& C, const TMatR& R);

  // The combined power of one sample: measured speed v (m/s), direccion (degrees), air density
  // rho, CGM power pCGM (MW). pBruta: the uncorrected power limited by the authorised power;
  // pLimiteCGM and pLimiteAut: the corrected powers limited by pCGM and by the authorised
  // power, both capped at it. sinCorreccion leaves the correction out; velLibre takes v as the
  // free-stream speed (no fixed point at the mast).
  void CalcularPotencia(NReal& pLimiteCGM, NReal& pLimiteAut, NReal& pBruta, NReal v,
                        NReal direccion, NReal rho, NReal pCGM, bool sinCorreccion, bool velLibre);
  // The same on the theoretical model m: mt itself, or a copy of it (TParque_ModeloTeorico::
  // CopiarParaHilo) for another thread. Changes only m.
  void CalcularPotenciaEn(TParque_ModeloTeorico& m, NReal& pLimiteCGM, NReal& pLimiteAut,
                          NReal& pBruta, NReal v, NReal direccion, NReal rho, NReal pCGM,
                          bool sinCorreccion, bool velLibre) const;

  // The correction factor at a direction and a mast density: the two sectors around the
  // direction weighted, linear in the bin position of qm (clamped to the first and last bin).
  NReal FactorCorreccion(NReal direccion, NReal qm) const;
};

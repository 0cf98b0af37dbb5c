// The calibrator of a wind farm: its theoretical and its empirical model side by side.
//
// It tunes the theoretical model's tunable parameters (the handles the model hands out with
// ParametrosCalibrables) by a random search with a shrinking step, so that the theoretical
// farm power comes close to the empirical power over a fixed set of 25 wind situations
// (Calibrar); it computes directly a station-factor matrix by direction sector and
// wind-power-density bin (CalibrarEthaMeteo); and it is persisted as the calibrator file
// ".clp": the theoretical-model text immediately followed by the empirical-model text.
//
// Ownership: the calibrator shares its two models (the window keeps them as its current
// models too); the theoretical model's link to the empirical model (modeloEmpirico) is a plain
// pointer that the calibrator sets, and clears when the calibrator goes and the empirical
// model goes with it.
//
// Powers in MW, wind power densities in MW/m2, air densities in kg/m3 (1.225 throughout).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "estimator/ulotesmodelo.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"

class TextoEntrada;
class TextoSalida;
class TParque_ModeloEmpirico;

// The no-data marker of the station-factor table "Metha_borde.txt".
inline constexpr NReal kSinDatoEtha = -99999.0;

class TCalibradorParque {
 public:
  std::shared_ptr<TParque_ModeloEmpirico> me;
  std::shared_ptr<TParque_ModeloTeorico> mt;
  // The theoretical model's tunable parameters, in the order ParametrosCalibrables gives them.
  std::vector<TParametroMT> parametros;
  TDAofNReal x;        // the best point found so far, one entry per parameter
  TDAofNReal xPrueba;  // the last trial point
  NReal fMejor = 0;    // objective value of x
  NReal fPrueba = 0;   // objective value of xPrueba
  NReal paso = 1;      // step scale of the search

  // Objective evaluations (ErrorCuadratico calls) made by this calibrator.
  int64_t nEvaluaciones = 0;

  // Builds the empirical model from the series file (TParque_ModeloEmpirico::
  // CreateDesdeSeries: it reads, filters and fits, and writes its tables and charts), links it
  // to mt and reads mt's parameters. Errors of the empirical model's construction propagate
  // unchanged.
  static std::unique_ptr<TCalibradorParque> Create(std::shared_ptr<TParque_ModeloTeorico> mt,
                                                   const std::filesystem::path& archivoSeries,
                                                   int32_t porcInf, int32_t porcSup);
  // Pairs two models already built: links me to mt and reads mt's parameters.
  static std::unique_ptr<TCalibradorParque> CreateConModelos(
      std::shared_ptr<TParque_ModeloTeorico> mt, std::shared_ptr<TParque_ModeloEmpirico> me);
  // The theoretical-model text and then the empirical-model text at the current position of
  // f; the readers' exceptions pass to the caller, naming the line and the file
  // (MensajeErrorDeLinea); a text that ends early (a .pmt alone) names the missing line and
  // ": fin del archivo".
  static std::unique_ptr<TCalibradorParque> CreateLeerTexto(TextoEntrada& f);
  // CreateLeerTexto of a whole file under the number-format guard. EInOutError
  // "No puedo abrir el archivo: " + path when it cannot be opened.
  static std::unique_ptr<TCalibradorParque> CreateDesdeArchivo(
      const std::filesystem::path& archivo);

  TCalibradorParque() = default;
  TCalibradorParque(const TCalibradorParque&) = delete;
  TCalibradorParque& operator=(const TCalibradorParque&) = delete;
  // Clears mt's link when the empirical model it points at goes with this calibrator.
  virtual ~TCalibradorParque();

  // mt's text followed by me's text, nothing between or after.
  void EscribirTexto(TextoSalida& f) const;
  // EscribirTexto to a temporary file renamed over `archivo` at the end, under the guard: a
  // failed write keeps the previous file. EInOutError with the path on failure.
  void Guardar(const std::filesystem::path& archivo) const;

  // x[i] := parameter i, i = 0 .. x.size() - 1 (the caller sizes x; at most parametros.size()).
  void LeerParametros(TDAofNReal& xDestino) const;
  // Parameter i := x[i], i = 0 .. x.size() - 1. A handle that no longer designates a
  // parameter of mt (a meteo_etha replaced by one with fewer columns) raises the model's
  // EErrorGeneral.
  void EscribirParametros(const TDAofNReal& xOrigen);

  // xPrueba from x: every parameter (indices empty) or only those of `indices` (in their
  // order) moved uniformly within +-0.1 paso, one draw of the process-wide generator each,
  // rounded to single precision, and 0 when not positive.
  void Perturbar(const TDAofNInt& indices);
  // The objective at the point xEval (written into mt first): the sum over 25 wind situations
  // drawn from a TMadreUniforme(semilla) of (PME - PMT)^2, PME from the empirical S-curves and
  // PMT the theoretical farm power at the mast density, limited by the authorised power. MW^2.
  // The situations are evaluated on every core (NumeroDeHilos) and summed in their order; mt
  // ends as after the last situation.
  NReal ErrorCuadratico(int32_t semilla, const TDAofNReal& xEval);
  // The random search (ten stages of ten failures, step 1, 0.7, ... 0.7^9) from x; each
  // improvement saves the calibrator as basura / ("calibrado_" + mt->nombre + tag + number +
  // ".clp"), tag the indices in two-digit upper-case hexadecimal. Leaves the best point in mt
  // and returns its objective value. When mt's parameter list has changed since it was read
  // (meteo_etha replaced by one of another shape), the list and x are taken afresh from mt.
  NReal Calibrar(const TDAofNInt& indices);

  // The station-factor matrix, NSectores x NTramos of me: per sector and bin centre, the cube
  // of the bin speed over the mast speed at which mt (without station factor) gives the
  // representative empirical power; cells with fewer than 10 samples or without a solution
  // are filled from their neighbours. Writes "Metha_borde.txt" (raw, -99999 for no data) and
  // "Metha_completada.txt" (filled) into the plant folder. The caller owns the result. The
  // cells are computed on every core; the console lines are written in order by the caller.
  TMatR CalibrarEthaMeteo();

  // The file name of improvement `numero` of a search over `indices` (for the window and
  // tests): basura / ("calibrado_" + nombre + tag + numero + ".clp").
  std::filesystem::path ArchivoMejora(const TDAofNInt& indices, int32_t numero) const;

 protected:
  // Links me to mt and reads the parameter list and x from mt.
  void Vincular();
  // Reads mt's text and then me's text from f, and links them.
  void LeerModelos(TextoEntrada& f);
  // The copies of mt for the threads of its batches of evaluations.
  TCopiasModelo& Copias();

 private:
  std::unique_ptr<TCopiasModelo> copias_;
};

// The tag of a search: each index in upper-case hexadecimal with at least two digits, in
// order ({3, 12} gives "030C"; {} gives "").
std::string EtiquetaIndices(const TDAofNInt& indices);

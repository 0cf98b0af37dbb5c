// The theoretical model of a wind farm: its turbines with their power curves and positions,
// the terrain, atmosphere, wake and loss parameters, the farm's power limits, the mast's
// location and the station factors by direction sector and wind-power-density bin.
//
// For one wind direction the model lays a grid over the farm whose rows are perpendicular to
// the wind and marches downwind row by row, each turbine taking its power from the wind power
// density over its rotor and leaving a weakened density behind it. The farm power is the sum
// of the turbines' powers less a quadratic loss, scaled down to the power limit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "estimator/ucurvasaeros.h"
#include "estimator/ufisicaviento.h"
#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"

class TextoEntrada;
class TextoSalida;
class TDBPQCon;
class TSQLQuery;
class TParque_ModeloEmpirico;

// ---------------------------------------------------------------------------------------------
// Position of a turbine

class TPosicion {
 public:
  int32_t huso = 0;        // UTM zone number
  char zona = '?';         // UTM latitude band letter, '?' when none is stored
  NReal xe = 0;            // UTM easting, m
  NReal yn = 0;            // UTM northing, m
  TPuntoXY punto;          // relative to the mast, m (x east, y north)
  TPuntoXY puntoRotado;    // punto in the grid's rotated frame (set by PrepararGrilla)
  int32_t fila = 0;        // grid row for the current direction
  int32_t columnaIni = 0;  // first and last grid column covered by the rotor
  int32_t columnaFin = 0;

  static TPosicion Create(NReal x, NReal y);
  static TPosicion CreateDesdeUTM(int32_t huso, char zona, NReal xe, NReal yn);
  // Line 1: punto.x TAB punto.y, two plain reals. Line 2: huso TAB zona TAB xe TAB yn, split by
  // the field readers (xe and yn through the expression evaluator; the zone is the first
  // character of its field, '?' when the line has no further field).
  static TPosicion CreateLeerTexto(TextoEntrada& f);
  void EscribirTexto(TextoSalida& f) const;
};

// ---------------------------------------------------------------------------------------------
// Turbine

class TMolino {
 public:
  int32_t nid = 0;
  int32_t nro = 0;  // number within its plant, from the database only
  int32_t nid_curvaaero = 0;
  int32_t nidcentral = 0;
  TCurvaAerogen curva;
  NReal etha = 0;  // multiplies the wind power density the turbine receives
  TPosicion posicion;
  NReal dpvMedia = 0;  // mean density over its cells at its last step, MW/m2
  NReal potencia = 0;  // its power at its last step, MW

  // nid, nid_curvaaero, nidcentral, the position block, the curve block, etha.
  static TMolino CreateLeerTexto(TextoEntrada& f);
  // From the current row of a query on molinos; runs one curve query per turbine.
  static TMolino CreateDesdeFila(TDBPQCon& con, const TSQLQuery& fila);
  void EscribirTexto(TextoSalida& f) const;

  // The turbine's step on grid row k whose densities (MW/m2, columns 1..nc) are u. Nothing
  // happens unless posicion.fila = k. Otherwise dpvMedia := the mean of u over the rotor's
  // columns, potencia := curva.PotenciaDPV(etha*dpvMedia) * rho/1.225 * escala, and the rotor's
  // cells are multiplied by the share q of the density left behind it:
  // r := fpv3pe * (potencia/area) / dpvMedia (0.01 in still air, dpvMedia < 1e-15),
  // q := (1 - r^(2/3))^1.5 limited to [0.00001, 0.999999]; r >= 1 gives 0.00001 and r <= 0
  // gives 0.999999.
  void ProcesarFila(int32_t k, TVectR& u, NReal fpv3pe, NReal escala, NReal rho);
  // The same step on a row held as a plain array: fila0[j - 1] is column j.
  void ProcesarFilaEn(NReal* fila0, NReal fpv3pe, NReal escala, NReal rho);
};

// The share of the wind power density left behind a rotor, for the ratio r of the turbine step
// (TMolino::ProcesarFila): (1 - r^(2/3))^1.5 limited to [0.00001, 0.999999]; r >= 1 gives
// 0.00001 and r <= 0 (or NaN) gives 0.999999.
NReal FactorEstela(NReal r);

// ---------------------------------------------------------------------------------------------
// Tunable parameters, as the calibrator sees them

// A handle on one tunable parameter, resolved against the model at every read and write.
struct TParametroMT {
  enum class TTipo {
    // The level of column `columna` of meteo_etha: reading gives the column's mean; writing v
    // scales the column so that its mean becomes v (a column of equal values, or of mean 0,
    // has every entry set to v).
    NivelColumnaEtha,
    FactorPerdidas,  // factor_perdidas
  };
  TTipo tipo = TTipo::FactorPerdidas;
  int32_t fila = 0;     // unused by the two kinds above; kept for the (kind, row, column) form
  int32_t columna = 0;  // column of meteo_etha, from 1
  bool operator==(const TParametroMT&) const = default;
};

// ---------------------------------------------------------------------------------------------
// The rotated grid of wind power densities: nf rows (row 1 upwind) by nc columns, one
// contiguous row-major buffer whose capacity only grows, so that a new set-up for another
// direction does not allocate again.
class TGrillaDPV {
 public:
  int32_t nf = 0;
  int32_t nc = 0;
  // Element (i, j), 1-based.
  NReal Elemento(int32_t i, int32_t j) const {
    return datos_[static_cast<size_t>(i - 1) * static_cast<size_t>(nc) +
                  static_cast<size_t>(j - 1)];
  }
  // Row i as a plain array, column j at [j - 1].
  NReal* Fila(int32_t i) {
    return datos_.get() + static_cast<size_t>(i - 1) * static_cast<size_t>(nc);
  }
  const NReal* Fila(int32_t i) const {
    return datos_.get() + static_cast<size_t>(i - 1) * static_cast<size_t>(nc);
  }
  // Row i copied into a vector (tests, the drawing).
  TVectR FilaComoVector(int32_t i) const;
  // Sets the shape and gets a buffer for it. The contents are undefined until the march writes
  // them; `vacia` says whether the grid is still all zeros as far as readers are concerned.
  void Dimensionar(int32_t nf_, int32_t nc_);
  // Sets the shape only; Reservar gets the buffer when the cells are wanted.
  void FijarForma(int32_t nf_, int32_t nc_);
  void Reservar();
  bool vacia = true;
  bool Existe() const { return nf > 0; }
  // No grid any more; the buffer is kept for the next shape.
  void Quitar() {
    nf = 0;
    nc = 0;
    vacia = true;
  }
  size_t Celdas() const { return static_cast<size_t>(nf) * static_cast<size_t>(nc); }
  // The cells the buffer holds room for.
  size_t Capacidad() const { return capacidad_; }
  // Exchanges the buffers alone; the shapes and `vacia` stay where they are.
  void IntercambiarBuffer(TGrillaDPV& o) noexcept;
  // No grid and no buffer.
  void Liberar() noexcept;

 private:
  void ReservarCeldas(size_t celdas);
  std::unique_ptr<NReal[]> datos_;
  size_t capacidad_ = 0;
};

// The largest grid the set-up allocates, in cells (1.6 GB of doubles). Coordinates of turbines
// or of the mast in another UTM zone, or left at 0, ask for grids hundreds of km wide.
inline constexpr double kMaxCeldasGrilla = 2e8;

// ---------------------------------------------------------------------------------------------
// The code that runs the march's passes. Every kernel gives the same results to the last bit.
//  * Referencia: the straightforward march, pass after pass over the whole grid from its first
//    row; the reference the others are compared with, and the benchmarks' baseline.
//  * Portable: the march on two rows (and the mast's cells) down to the last row that holds a
//    turbine or the mast, repeated passes resuming at the first turbine row; the row step in
//    plain code (two doubles per instruction on x86-64).
//  * AVX2, AVX512: the same march with the row step on 4 or 8 doubles per instruction.
// The setting is one for the whole process; by default the best kernel the processor has.
enum class TNucleoMarcha { Referencia, Portable, AVX2, AVX512 };
// Raises EErrorGeneral "El núcleo de la marcha " + name + " no está disponible en este
// procesador" for a kernel the processor cannot run, and leaves the setting as it was.
void FijarNucleoMarcha(TNucleoMarcha n);
TNucleoMarcha NucleoMarcha();
bool NucleoMarchaDisponible(TNucleoMarcha n);
// "Referencia", "Portable", "AVX2" or "AVX512".
const char* NombreNucleoMarcha(TNucleoMarcha n);

// ---------------------------------------------------------------------------------------------
// The model

class TParque_ModeloTeorico {
 public:
  int32_t central = 0;  // plant number (grouped plants: the numbers joined in base 100)
  int32_t nid = 0;      // its modelo_teorico row
  std::string nombre;
  int32_t nMolinos = 0;
  int32_t n_sectores_dir = 0;
  std::vector<TMolino> molinos;
  // The farm-equivalent curve; absent while the model has no turbine.
  std::unique_ptr<TCurvaAerogen> curvaEquivalente;

  // Drawing window (FijarVentanaDibujo).
  int32_t pbIzquierda = 0, pbArriba = 0, pbDerecha = 0, pbAbajo = 0;
  NReal mundoAncho = 0, mundoAlto = 0;
  int32_t pbAncho = 0, pbAlto = 0;
  NReal mundoX0 = 0, mundoX1 = 0, mundoY0 = 0, mundoY1 = 0;

  int32_t meteo_utm_huso = 0;
  char meteo_utm_zona = '?';
  NReal meteo_utm_xe = 0, meteo_utm_yn = 0;
  NReal meteo_cota = 0;  // database only

  // The rotated grid of the current direction (the cells: Grilla()).
  NReal grillaXMin = 0, grillaXMax = 0, grillaYMin = 0, grillaYMax = 0;
  NReal celdaDx = 0, celdaDy = 0;
  TPuntoXY versor;                    // (cos, sin) of the rotation angle
  NReal grilla_rotada_dx = 0;         // requested cell size across the wind, m
  NReal grilla_rotada_dy = 0;         // requested cell size along the wind, m
  NReal grilla_rotada_margen_dx = 0;  // margin around the turbines across the wind (half along)
  TMatR meteo_etha;  // station factors: rows by direction sector, columns by density bin

  NReal alfa_terreno = 0;            // lateral spreading of the wakes
  NReal gamma_atmosfera = 0;         // recovery towards the free stream
  NReal fpv3pe = 0;                  // wake strength
  NReal factor_perdidas = 0;         // electrical loss factor
  NReal direccion = 0;               // wind direction of the current grid, degrees from north
  NReal dpvLibre = 0;                // free-stream density of the current march, MW/m2
  NReal kPerdidas = 0;               // factor_perdidas / potencia_nominal (or authorised)
  NReal potencia_nominal = 0;        // MW
  NReal potencia_autorizada_mw = 0;  // MW
  NReal factorMeteo = 1;             // station factor of the current grid
  TParque_ModeloEmpirico* modeloEmpirico = nullptr;  // linked by the calibrator, not owned
  bool usaFactorMeteo = false;
  NReal cLateral = 0, cCentral = 0, rRecuperacion = 0, unoMenosR = 0;

  // Passes run by the last RecorrerGrilla (1 to 11) and marches run by the last PotenciaParque.
  int32_t pasadasUltimaMarcha = 0;
  int32_t marchasUltimaPotencia = 0;

  TParque_ModeloTeorico() = default;
  TParque_ModeloTeorico(const TParque_ModeloTeorico&) = delete;
  TParque_ModeloTeorico& operator=(const TParque_ModeloTeorico&) = delete;

  // The model text (".pmt" files, the first half of ".clp" files), versions 1 to 3, under the
  // number-format guard. Malformed text raises EInOutError "Error leyendo línea: " + n +
  // " del archivo: " + path, truncated text the same for the missing line n followed by
  // ": fin del archivo", and a bad version number on line 1 EConvertError with the same
  // beginning and ": " + the conversion's text (MensajeErrorDeLinea).
  static std::unique_ptr<TParque_ModeloTeorico> CreateLeerTexto(TextoEntrada& f);
  // EInOutError "No puedo abrir el archivo: " + path when it cannot be opened.
  static std::unique_ptr<TParque_ModeloTeorico> CreateDesdeArchivo(
      const std::filesystem::path& archivo);
  // Always version 3, under the guard. Line breaks in nombre are written as blanks.
  void EscribirTexto(TextoSalida& f) const;
  // Written to a temporary file renamed over `archivo` at the end: a failed write keeps the
  // previous file.
  void EscribirArchivo(const std::filesystem::path& archivo) const;

  // ---- Plant database (uparques_modeloteorico_bd.cpp), each under the number-format guard.
  // Each constructor writes its rows in one transaction: when it fails (a turbine whose curve
  // has no row, a database error) every row it wrote is rolled back and the error propagates.
  // A model number taken from the sequence by a build that then fails is not given back.
  // The current model of the plant whose centrales row is the current row of `fila`: the
  // plant's latest modelo_teorico row by dt_creacion, with its turbines and their factors in
  // that model. A plant without a model gets one with the default parameters, inserted with
  // its factor rows; a model without authorised power is reset to the defaults; a mast without
  // zone letter or number is placed from the plant's latitude and longitude (WGS-84). What was
  // created or changed is written back with ActualizarDB.
  static std::unique_ptr<TParque_ModeloTeorico> CreateDesdeDB(TDBPQCon& con, const TSQLQuery& fila);
  // One model for several plants: central is the plant numbers joined in base 100 (12, 34 give
  // 1234), the turbines those of every plant in order. A new group takes the mast of plant
  // centralMeteo's model, sums the plants' powers, is inserted and written back; a stored group
  // is read from its row. Each plant's model is its latest by dt_creacion.
  // Refused with EErrorGeneral before anything is written: fewer than two plants ("Una
  // supercentral necesita al menos dos centrales"), a number outside 1..99 ("Número de central
  // no válido para una supercentral: " + p + " (de 1 a 99)"), a repeated plant ("Central
  // repetida en la supercentral: " + p), a joined number beyond 32 bits ("El número de la
  // supercentral no cabe en 32 bits: " + n); for a new group, a mast plant not among the plants
  // ("La central del anemómetro " + m + " no está entre las centrales de la supercentral") and a
  // plant without a model ("La central " + p + " no tiene modelo teórico en la base de datos").
  static std::unique_ptr<TParque_ModeloTeorico> CreateSuperparque(
      TDBPQCon& con, const std::vector<int32_t>& centrales, int32_t centralMeteo);
  // Writes the model's parameters and the turbines' factors to their rows (a turbine without a
  // factor row gets none), in one transaction, and returns the number of model rows updated:
  // 0 when the model's row no longer exists, and then nothing is written. Every statement is
  // built before the first is sent: a parameter that is not finite raises "Valor real no válido
  // para SQL: ..." and writes nothing.
  int32_t ActualizarDB(TDBPQCon& con) const;

  // Clamps potencia_autorizada_mw to >= 1e-8, sets kPerdidas (with the authorised power in
  // place of a potencia_nominal <= 1e-8, which is left as it is), and rebuilds the equivalent
  // curve: a copy of the first turbine's curve plus the powers of the others read at its
  // densities. The curve is not rebuilt when no turbine curve changed since the last call.
  // Called where the authorised power enters the model: the readers, the database loads and
  // the window's edits. The grid set-up does the rest of it but leaves the authorised power
  // as it finds it: a batch sets up grids on the caller's model while other threads read that
  // power through the empirical model's link.
  void CalcularCurvaEquivalente();

  // Makes this model a copy of `o` for another thread's evaluations: every parameter, turbine,
  // curve, matrix and result of `o`, and its link to the empirical model (which evaluations
  // only read). The grid is not copied: this model has none until its next PrepararGrilla,
  // and keeps its own grid buffer, so that a copy refreshed for every batch of evaluations
  // does not allocate it again. Nothing of `o` is shared that an evaluation changes.
  void CopiarParaHilo(const TParque_ModeloTeorico& o);
  // Sets this model's whole state aside in `respaldo` before a batch of evaluations runs on it:
  // respaldo becomes a copy of it (CopiarParaHilo) that also holds its grid as it stands, the
  // grid moved and not copied. This model is left with no grid, holding respaldo's former
  // grid buffer (none, after RecuperarDe or SoltarApartado). RecuperarDe(respaldo) brings the
  // state back, grid and buffer included, and frees the buffer this model had meanwhile.
  // SoltarApartado(respaldo) drops what was set aside: this model keeps its state and one
  // grid buffer, the one that holds its cells, or else the larger of the two; respaldo is left
  // with no grid and no buffer. Either way the two models hold one grid buffer between them.
  void ApartarEn(TParque_ModeloTeorico& respaldo);
  void RecuperarDe(TParque_ModeloTeorico& respaldo);
  void SoltarApartado(TParque_ModeloTeorico& respaldo);
  // The cells the model's grid buffer holds room for (0: it has none).
  size_t CapacidadGrilla() const { return grilla_.Capacidad(); }
  // The grid set-ups begun on this model so far, refused ones included.
  uint64_t PreparacionesDeGrilla() const { return preparaciones_; }

  // c + 1 handles, c being meteo_etha's column count: the level of each column, then the loss
  // factor.
  void ParametrosCalibrables(std::vector<TParametroMT>& lista) const;
  // Whether a handle still designates a parameter of this model (a replaced meteo_etha may have
  // fewer columns).
  bool ParametroVigente(const TParametroMT& p) const;
  // Raise EErrorGeneral "Parámetro calibrable fuera de la matriz meteo_etha: columna " + j
  // when the handle no longer fits.
  NReal LeerParametro(const TParametroMT& p) const;
  void EscribirParametro(const TParametroMT& p, NReal valor);

  // ---- Station factor
  // The factor for the current direccion and the density dpv (MW/m2), from meteo_etha with the
  // sectors and bins of the linked empirical model; stored in factorMeteo. Without a linked
  // model it is 1. Row and column indices beyond meteo_etha are clamped to its last row and
  // column (a 72 x 1 matrix is one factor per sector, 1 x 1 a constant).
  NReal CalcularFactorMeteo(NReal dpv);

  // ---- Rotated grid and wake march
  // Builds the grid and the turbines' grid places for a direction; dpv only serves the
  // station factor. Raises EErrorGeneral, before anything else, for a direction that is not
  // finite ("Dirección del viento inválida en la grilla rotada: " + value) and for a turbine
  // whose position is not finite ("Posición inválida del molino " + its place in the list
  // + " (nid=" + nid + ") en la grilla rotada: x = ... m, y = ... m"); then for cell sizes
  // that are not finite and positive, for an empty extent and for grids above
  // kMaxCeldasGrilla cells. Any refusal, and any other failure of the set-up, leaves no grid:
  // GrillaPreparada() false, every turbine's fila, columnaIni and columnaFin 0, the grid
  // buffer kept for the next set-up.
  void PrepararGrilla(bool sinFactorMeteo, NReal direccion_, NReal dpv);
  // The march for the free-stream density dpvLibre_ (MW/m2) at air density rho: returns the
  // farm's net power in MW (single precision, at most min(pTope, potencia_autorizada_mw)) and
  // sets dpvMastil to the station-factored density at the mast.
  NReal RecorrerGrilla(NReal& dpvMastil, NReal rho, NReal dpvLibre_, NReal pTope);
  // destino(i) := (cLateral (o(i-1) + o(i+1)) + cCentral o(i)) unoMenosR + rRecuperacion
  // dpvLibre for i = 2..n-1; the end cells are left alone.
  void PropagarFila(TVectR& destino, const TVectR& origen) const;
  // Every turbine's step on grid row k, in list order. Without a grid set up for the model's
  // turbines: EErrorGeneral, as RecorrerGrilla.
  void ProcesarMolinosDeFila(int32_t k, NReal escala, NReal rho);
  // The grid's density at a point (m from the mast) by bilinear interpolation; 0 outside the
  // grid (the border is inside) and before the first march. Builds the whole grid when the last
  // march kept only its rows (Grilla()).
  NReal DPVEnPunto(TPuntoXY p);
  // The grid of the last march, every row of it. The marches of the kernels other than the
  // reference keep only the rows they need; the first read after such a march builds the whole
  // grid by running the march's last pass again over every row (same free stream, scale and air
  // density, the turbines' values left as the march left them), which gives the same cells the
  // reference march leaves. Read it before changing the turbines or the grid parameters. Until
  // the first march of a grid, `vacia` is set and the cells hold nothing yet.
  const TGrillaDPV& Grilla();
  // Whether a grid is set up (PrepararGrilla ran, and was not refused).
  bool GrillaPreparada() const { return grilla_.Existe(); }
  // punto := (xe - meteo_utm_xe, yn - meteo_utm_yn) for every turbine.
  void CalcularPuntosRelativos();

  // ---- Farm power, inverse search and drawing
  // Farm power for the density dpvMedida measured at the mast: a fixed point on the
  // free-stream density (at most 101 marches, 1 % tolerance on the mast). dpvMedida < 1e-10
  // gives 0 and leaves the outputs untouched; a station factor that is not positive gives 0
  // with convergio false, the densities untouched.
  NReal PotenciaParque(bool& convergio, NReal& dpvMastil, NReal rho, NReal dpvMedida, NReal pTope,
                       NReal& dpvLibre_);
  // Mast wind speed (m/s, at 1.225 kg/m3) at which the farm gives `potencia` MW: regula falsi
  // between 0 and 20 m/s. Above the authorised power: 20 with convergio false. A negative
  // target is not searched beyond its first trial, a speed below 0 where the farm gives 0 MW.
  NReal VelocidadParaPotencia(NReal& dpvLibre_, bool& convergio, NReal potencia);
  // The drawing window for a pixel rectangle; a rectangle of width or height below 1 keeps the
  // previous window.
  void FijarVentanaDibujo(int32_t izquierda, int32_t arriba, int32_t derecha, int32_t abajo);
  void MundoAPixel(TPuntoXY p, int32_t& px, int32_t& py) const;
  void PixelAMundo(int32_t px, int32_t py, TPuntoXY& p) const;
  // The turbine nearest to a pixel, or nullptr when there is none within 3 rotor diameters.
  TMolino* MolinoMasCercano(int32_t px, int32_t py);
  NReal DPVEnPixel(int32_t px, int32_t py);

 private:
  // Where a point falls among the grid's nodes: rows i0, i1, columns j0, j1 and the weights.
  struct TCeldaGrilla {
    int32_t i0 = 0, i1 = 0, j0 = 0, j1 = 0;
    NReal ti = 0, tj = 0;
  };
  // False outside the grid (the border is inside, NaN is outside).
  bool UbicarPunto(TPuntoXY p, TCeldaGrilla& c) const;
  static NReal Interpolar(const TCeldaGrilla& c, NReal g00, NReal g01, NReal g10, NReal g11) {
    return (1 - c.ti) * ((1 - c.tj) * g00 + c.tj * g01) + c.ti * ((1 - c.tj) * g10 + c.tj * g11);
  }
  using TPropagarInterior = void (*)(NReal*, const NReal*, int32_t, NReal, NReal, NReal, NReal);
  // One pass of the straightforward march over the whole grid with the turbines' powers scaled
  // by escala; returns the gross power.
  NReal Pasada(NReal escala, NReal rho);
  // One pass on two rows, down to row filaFin, keeping the cells of the mast's rows. With
  // `reanudar` it starts at the first turbine row from the copy of that row the first pass left.
  NReal PasadaEnFilas(NReal escala, NReal rho, bool reanudar, const TCeldaGrilla& mastil,
                      int32_t filaFin, TPropagarInterior propagar);
  // Builds the whole grid after a march that kept only its rows.
  void CompletarGrilla();
  // The set-up after its refusals up front.
  void LevantarGrilla(bool sinFactorMeteo, NReal direccion_, NReal dpv);
  // No grid, no turbine on a grid row or column; the buffer is kept.
  void QuitarGrilla();
  // QuitarGrilla, and the buffer freed.
  void SoltarGrilla();
  // Raises "La grilla rotada no está preparada para los molinos del modelo" unless a grid is
  // set up for the model's turbines.
  void ExigirGrilla() const;
  // Exchanges everything of the grid that the public fields do not hold with o.
  void IntercambiarGrilla(TParque_ModeloTeorico& o);
  // CalcularCurvaEquivalente without the authorised power's floor, for the grid set-up: it
  // writes no field that is already right, so that other threads may read them meanwhile.
  void ActualizarCurvaEquivalente();

  TGrillaDPV grilla_;
  // False after a march that kept only its rows, until the whole grid is built.
  bool grillaCompleta_ = true;
  NReal escalaUltimaPasada_ = 1, rhoUltimaPasada_ = 0;
  // The rows of the kernels other than the reference: two rows, and the first turbine row as
  // the propagation leaves it, before its turbines act.
  std::vector<NReal> filaA_, filaB_, filaInicio_;
  // The mast's cells (i0, j0), (i0, j1), (i1, j0), (i1, j1) at the last pass over their rows.
  NReal celdasMastil_[4] = {0, 0, 0, 0};
  // Turbine indices sorted by grid row, list order kept inside a row.
  std::vector<int32_t> molinosPorFila_;
  // What the equivalent curve was built from, to skip rebuilding it.
  std::vector<const TCurvaAerogen*> fuenteCurvaEq_;
  std::vector<TCurvaAerogen> copiaFuenteCurvaEq_;
  uint64_t preparaciones_ = 0;
};

// Comparison tables of series in a workbook: one worksheet of a statistic per step and series,
// with dated rows and, on request, a chart on a chart sheet of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "numerics/xmatdefs.h"
#include "services/u_ExcelFile.h"

// The statistic of a table.
enum class TTipoValoresAComparar : uint8_t {
  promedio = 0,                  // mean
  desviacionEstandar = 1,        // sample variance (no square root is taken)
  probabilidadDeExcedencia = 2,  // value reached or exceeded with a given probability
  valorEnRiesgo = 3              // mean of the samples between two probabilities
};

// Drawing kind and axis group of a series.
enum class TTipoGrafico : uint8_t { areaApilada = 0, dispersion = 1, linea = 2 };
enum class TTipoEje : uint8_t { Primario = 0, Secundario = 1 };
using TDAOfTTipoGrafico = std::vector<TTipoGrafico>;
using TDAOfTTipoEje = std::vector<TTipoEje>;
// Colours R + 256·G + 65536·B; ColorPorDefectoXLS keeps the application's own.
using TDAOfTColor = std::vector<TColorLibro>;

// The values of a table: one item per series; item i holds one entry per step, and the entry of
// step k the samples of that step. A series with fewer steps repeats its last one.
using TDAOfMatOfNReal = std::vector<TMatOfNReal>;

// Column labels of the statistics.
inline constexpr const char* rs_xls_promedio = "Prom";
inline constexpr const char* rs_xls_desviacion_estandar = "DesvE";
inline constexpr const char* rs_xls_probabilidad_de_excedencia = "PE_";
inline constexpr const char* rs_xls_valor_en_riesgo = "VaR_";

// Statistics of step k (the series' last step when it has fewer), one per series, into res
// (resized to the number of series). A step with no samples gives NaN for the mean, the
// exceedance value and the tail mean, and 0 for the variance.
//  - mean: sum / n;
//  - sample variance: sum of squared deviations / (n - 1), 0 when n <= 1;
//  - exceedance value: element j of the samples (sorted largest first when ordenar), with
//    j = Round(n·probabilidad) - 1 (halves to even) clamped to 0..n-1;
//  - tail mean: mean of elements j1..j2 of the same copy, j1 = Trunc((n-1)·probabilidad),
//    j2 = Trunc((n-1)·probabilidad2), both clamped to 0..n-1; NaN when j1 > j2.
void PromedioPorSerie(const TDAOfMatOfNReal& datos, int32_t k, TDAofNReal& res);
void VarianzaPorSerie(const TDAOfMatOfNReal& datos, int32_t k, TDAofNReal& res);
void ProbExcedenciaPorSerie(const TDAOfMatOfNReal& datos, bool ordenar, int32_t k,
                            double probabilidad, TDAofNReal& res);
void ValorEnRiesgoPorSerie(const TDAOfMatOfNReal& datos, bool ordenar, int32_t k,
                           double probabilidad, double probabilidad2, TDAofNReal& res);

// "Prom", "DesvE", "PE_ 5.00%", "VaR_ 5.00%" (100·probabilidad with 2 decimals and the decimal
// separator in force). EErrorGeneral for a value outside the four kinds.
std::string TTipoValoresACompararToShortStringSingular(TTipoValoresAComparar tipo,
                                                       double probabilidad);
// The application's chart-type code: areaApilada 76; dispersion 74 with lines, 65 without;
// linea 4. EErrorGeneral for other values.
int32_t TTipoGraficoToXLConst(TTipoGrafico tipo, bool conLineas);
// Primario 1, Secundario 2. EErrorGeneral for other values.
int32_t TTipoEjeToXLConst(TTipoEje tipo);

// Writes the table as a new worksheet named LimpiarNombreHoja(nombreHoja): a first line with
// titulo and tituloEje, a header row ("paso", "fecha", name_label per series) and one row per
// step with its number, its date-time fechaOrigen + k·pasoFecha (days) and the statistics; and,
// when conGrafico, the chart "g" + sheet name. datos has at least one series; nombres at
// least as many names; tiposGrafico, ejes and colores one entry per series when conGrafico.
void EscribirValoresAComparar(T_ExcelFile& xls, TTipoValoresAComparar tipoValor, bool ordenar,
                              double probabilidad, double probabilidad2, const TDAofString& nombres,
                              const TDAOfMatOfNReal& datos, const std::string& nombreHoja,
                              const std::string& titulo, const std::string& tituloEje,
                              double fechaOrigen, double pasoFecha, int32_t decimales,
                              bool conGrafico, const TDAOfTTipoGrafico& tiposGrafico,
                              const TDAOfTTipoEje& ejes, const TDAOfTColor& colores,
                              bool minimoYAuto, bool maximoYAuto, double minimoY, double maximoY);

// The chart of a table written by EscribirValoresAComparar, over the header row filaCab to
// row filaUltima and the columns colFecha to colUltima of the worksheet nombreHoja.
void AgregarGraficoXLS(T_ExcelFile& xls, const std::string& nombreHoja, const std::string& titulo,
                       const std::string& tituloEje, int32_t colFecha, int32_t colUltima,
                       int32_t filaCab, int32_t filaUltima, bool minimoYAuto, bool maximoYAuto,
                       double minimoY, double maximoY, double fechaInicial, double fechaFinal,
                       const TDAOfTTipoGrafico& tiposGrafico, const TDAOfTTipoEje& ejes,
                       const TDAOfTColor& colores, double pasoFecha);

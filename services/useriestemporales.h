// The series set and the series file (".sas").
//
// A TSeriesDeDatos is a set of equally spaced time series of one common length: each series has
// a name, a kind and one real per sample; the set has the calendar date and time of sample 1
// and a sampling period in hours. The file is a tab-separated text with an eight-line header:
//
//   VERSION_FORMATO_SERIES:<TAB>2
//   NSeries
//   anio<TAB>mes<TAB>dia<TAB>hora<TAB>minuto<TAB>segundo
//   periodoHoras                 (plain real text; read through the expression evaluator)
//   NPuntos
//   pasosPorCiclo                (fixed, 4 decimals, 12 characters; read like the period)
//   flags                        one character per series: "x" SALIDA, "y" ENTRADA when written
//   <TAB>name1<TAB>name2...
//   date<TAB>v1<TAB>v2...        one row per sample, every real in plain real text
//
// Reading takes "x" in the flag line as ENTRADA and any other character as SALIDA, so a read and
// a write exchange the two letters; the date column is not kept but regenerated from the header
// on every write. The writer ends lines with CRLF and replaces the target only when the whole
// file was written; the reader takes LF, CRLF and a lone CR and drops a leading byte-order mark.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"
#include "platform/fechas.h"

enum TIPO_SERIE : uint8_t { SALIDA = 0, ENTRADA = 1 };
using TDAOfTipoSerie = std::vector<TIPO_SERIE>;

class TSeriesDeDatos {
 public:
  int32_t version = 0;  // format version of the file read; 0 for a file without a version line
  std::string archivo;  // name of the file last read or written
  int32_t NSeries = 0;
  int32_t anio = 1899, mes = 12, dia = 30, hora = 0, minuto = 0, segundo = 0;  // sample 1
  double periodoHoras = 1.0 / 6.0;
  int32_t NPuntos = 0;
  double pasosPorCiclo = 0.0;     // carried along, used by nothing
  TDAofString nombres;            // NSeries names
  TDAOfVectR series;              // NSeries vectors of NPuntos elements; element k is sample k
  TDAOfTipoSerie tipos;           // NSeries kinds
  TDateTime inicio = 0.0;         // date-time of sample 1, from the six header integers
  double pasoDias = 1.0 / 144.0;  // periodoHoras / 24

  // An empty set (no series, no samples) starting 1899-12-30 00:00 with a ten-minute period.
  TSeriesDeDatos() = default;

  // Reads the series file. Failures:
  //  * the file cannot be opened: EInOutError "No puedo abrir el archivo: " + archivo;
  //  * anything else (a missing line, a field that is not an integer or a number, a header
  //    with a period <= 0, a negative count or an impossible date, a row with fewer than
  //    NSeries + 1 numbers, a token that is not a plain "." real): EInOutError
  //    "Error leyendo línea: " + n + " del archivo: " + archivo, n counted from 1, and
  //    ": " + the conversion's own text when a header field did not convert, or
  //    ": fin del archivo" when the file ends before a header line or a row it needs
  //    (MensajeErrorDeLinea, kFinDelArchivo). A short row has nothing after the path, the
  //    file's last row included.
  // The number-format guard is held during the read and released on every path, failures
  // included. A folder or a missing file is "No puedo abrir el archivo".
  static TSeriesDeDatos Cargar(const std::filesystem::path& archivo);

  // Writes the set. nombres, tipos and series must hold NSeries entries and every vector at
  // least NPuntos elements, the period must be finite and positive and every value finite
  // (EErrorGeneral otherwise, before the file is touched: the reader would refuse the file);
  // the header date must be a valid date (EConvertError). The target cannot be created: EInOutError
  // "No puedo abrir el archivo: " + archivo; a failed write or close: EInOutError, and the previous
  // file stays.
  void Grabar(const std::filesystem::path& archivo);

  // inicio + (k - 1) * pasoDias; k is not bounded (NPuntos + 1 is one step after the last).
  TDateTime FechaDeMuestra(int32_t k) const {
    return inicio + static_cast<double>(k - 1) * pasoDias;
  }

  // Removes series k (from 0) with its name and kind; the later ones move down. NPuntos and the
  // header do not change. k outside 0 .. NSeries - 1: std::out_of_range.
  void EliminarSerie(int32_t k);

  // inicio and pasoDias from the header fields. An impossible date or time raises
  // EConvertError.
  void CalcularInicio();
};

// A spreadsheet workbook written at a cell cursor.
//
// T_ExcelFile drives the workbook application of platform/librocalculo.h the way the program
// once drove a spreadsheet application: it opens one workbook, writes values at a cursor (cell
// by cell, as blocks of a row, or through a row buffer of 255 cells), adds and selects
// worksheets, sets number formats of ranges, puts charts on chart sheets of their own, saves
// the workbook and closes the application.
//
// Every failure of the application (a sheet name that does not exist or is taken, a cell
// outside the sheet, an unknown chart type) raises EErrorGeneral and reaches the caller; a
// failed save raises EInOutError. Nothing is caught here.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/librocalculo.h"

// The workbook palette as LeerPaleta gives it: entries 1 to 56 (entry 0 is not used).
using TPaletaXLS = std::array<TColorLibro, 57>;

// The default colour: a series given it keeps the application's own colours.
inline constexpr TColorLibro ColorPorDefectoXLS = 0x20000000;

class T_ExcelFile {
 public:
  // Opens the application; when nombreHoja is not empty, a new workbook whose first worksheet
  // is named nombreHoja and is the current one. With an empty name no workbook is opened.
  T_ExcelFile(const std::string& nombreHoja, bool visible, bool cerrarAlLiberar,
              bool alertasAlCerrar);
  // Free: closes the application when cerrarAlLiberar is set (after giving its alerts switch
  // the value of alertasAlCerrar). A workbook not saved by then is lost, and so are values
  // left in the row buffer.
  ~T_ExcelFile();
  T_ExcelFile(const T_ExcelFile&) = delete;
  T_ExcelFile& operator=(const T_ExcelFile&) = delete;

  void IrACelda(int32_t fila_, int32_t columna_);
  // Row + 1, column 1.
  void NuevaFila();
  // The column where the next buffered value will land: columna + nBuffer.
  int32_t ColumnaSiguiente() const;

  // "C12"; the letters of column n in bijective base 26 (1 A, 26 Z, 27 AA, 703 AAA; "" for
  // n <= 0); "C3:H100".
  static std::string NombreCelda(int32_t fila_, int32_t columna_);
  static std::string NombreColumna(int32_t n);
  static std::string NombreRango(int32_t fila1, int32_t col1, int32_t fila2, int32_t col2);

  // The range of the current worksheet that cambiarForamto formats.
  void SeleccionarRango(int32_t fila1, int32_t col1, int32_t fila2, int32_t col2);
  // Console line "EXCEL v:" + version + " cambiarForamto: " + formato, then the selected
  // range's NumberFormat := formato (in the application's own notation: "." for decimals).
  void cambiarForamto(const std::string& formato);

  // A new worksheet named nombre; the current worksheet and the cursor stay.
  void AgregarHoja(const std::string& nombre);
  THojaCalculo& ObtenerHoja(const std::string& nombre);
  // The worksheet becomes the current one; cursor to row 1, column 1.
  void SeleccionarHoja(const std::string& nombre);
  void ActivarHoja(const std::string& nombre, int32_t fila_, int32_t columna_);

  double VersionExcel() const;
  TPaletaXLS LeerPaleta() const;

  // One cell at the cursor, then the column + 1.
  void EscribirCelda(const TVariante& v);
  // s is a short string: only its first 255 bytes are written (cut at a character boundary).
  void EscribirTexto(const std::string& s);
  void EscribirLinea(const std::string& s);
  // The values into consecutive cells of the cursor's row; the cursor moves past them.
  void EscribirBloque(const TDAOfVariant& valores);
  // The same, then to column 1 of the next row.
  void EscribirBloqueYSaltar(const TDAOfVariant& valores);
  // Appends v to the row buffer; a full buffer (255 values) is written first.
  void AgregarAFila(const TVariante& v);
  // Writes the buffered values and moves to the next row; nothing with an empty buffer.
  void TerminarFila();

  // A chart sheet "g" + nombreHoja over the range (fila1, col1)-(fila2, col2) of that
  // worksheet, series in columns, the first row their names and the first column their
  // abscissas. Returns the chart's name.
  std::string CrearGrafico(const std::string& nombreHoja, int32_t col1, int32_t col2, int32_t fila1,
                           int32_t fila2, int32_t tipoXL);
  void ConfigurarGrafico(const std::string& nombreGrafico, int32_t tipoXL,
                         const std::string& titulo, const std::string& tituloEje, bool minimoYAuto,
                         bool maximoYAuto, double minimoY, double maximoY, double minimoX,
                         double maximoX);
  void FormatearSerie(const std::string& nombreGrafico, int32_t indice, int32_t tipoSerie,
                      int32_t eje, TColorLibro color);

  // Console line "T_ExcelFile.Guardar('" + archivo + "')", then the workbook is saved in its
  // own format: ".xlsx" is added unless the name already ends so. Returns the file written.
  std::filesystem::path Guardar(const std::string& archivo);

  // The first workbook of the application (EErrorGeneral when none is open).
  TLibroCalculo& Libro() const;

  int32_t nBuffer = 0;
  TDAOfVariant filaBuffer;
  std::unique_ptr<TAplicacionLibros> aplicacion;
  THojaCalculo* hojaActual = nullptr;
  std::optional<TRangoLibro> rangoSeleccionado;
  int32_t fila = 1;
  int32_t columna = 1;
  bool cerrarAlLiberar = false;
  bool alertasAlCerrar = false;

 private:
  THojaCalculo& HojaActual() const;
};

// First index 1..56 whose palette entry is color; -1 when none.
int32_t IndiceColorXLS(TColorLibro color, const TPaletaXLS& paleta);

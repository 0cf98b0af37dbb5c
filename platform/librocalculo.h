// An in-memory spreadsheet application with one kind of workbook, saved as .xlsx.
//
// It stands in for the spreadsheet application that the program once drove by automation: the
// same objects (application, workbooks, worksheets, chart sheets, ranges, charts, series, axes)
// with the members the program uses, as typed C++ calls. libxlsxwriter, which writes .xlsx
// files, can only write forward, while the program writes cells in any order, changes number
// formats after the fact and edits charts after creating them; so everything stays in memory
// here and the whole workbook is written when it is saved.
//
// Behaviour taken from the application:
//  * a new workbook holds one empty worksheet "Sheet1"; sheets added without a name are
//    "SheetN" and "ChartN" (the names of the application's English edition, which do not
//    clash with the Spanish "hoja1" that callers give their sheets);
//  * a worksheet or chart sheet added without a position goes before the active sheet; a new
//    chart sheet becomes the active sheet, a new worksheet does not;
//  * sheet names are unique without regard to ASCII case, 1 to 31 characters, none of
//    : \ / ? * [ ], not beginning or ending with an apostrophe;
//  * a date-time written to a cell without a number format of its own shows as a date;
//  * setting a chart's type sets the type of every series it has;
//  * the version is 14.0 (the application of 2010, whose own format this is) and the palette is
//    the application's 56-colour default palette; both are fixed answers.
// The saved file: libxlsxwriter writes the package; every chart part is then replaced by one of
// our own (made with libxlsxwriter's chart writer and completed), with the sheet names of the
// series' references quoted and the series of the secondary axis group in a second group on
// axes of their own. Such chart parts hold no cached copy of the values: the application reads
// them from the cells.
// Kept in memory but not written (libxlsxwriter 1.1 cannot): a series type from another chart
// family than the chart's (a line series in a scatter chart is written as a scatter series
// without markers, a series with markers as one with markers), the abscissa limits and units of
// line and area charts (their category axis is left to the application, which makes it a date
// axis or not from the cells), and the month and year unit scales.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A 32-bit colour: red in the lowest byte, then green, then blue (R + 256·G + 65536·B).
using TColorLibro = int32_t;

// The value of a cell, as the automation layer's variant: empty, number, text, boolean or
// date-time (days since 1899-12-30, written as a number with a date format).
class TVariante {
 public:
  enum class TTipo { Vacio, Numero, Texto, Booleano, FechaHora };

  TVariante() = default;
  TVariante(double x) : tipo_(TTipo::Numero), numero_(x) {}
  TVariante(int32_t x) : tipo_(TTipo::Numero), numero_(x) {}
  TVariante(int64_t x) : tipo_(TTipo::Numero), numero_(static_cast<double>(x)) {}
  TVariante(bool b) : tipo_(TTipo::Booleano), numero_(b ? 1.0 : 0.0) {}
  TVariante(std::string s) : tipo_(TTipo::Texto), texto_(std::move(s)) {}
  // Without this a string literal would convert to bool.
  TVariante(const char* s) : tipo_(TTipo::Texto), texto_(s) {}
  static TVariante FechaHora(double dias) {
    TVariante v(dias);
    v.tipo_ = TTipo::FechaHora;
    return v;
  }

  TTipo Tipo() const { return tipo_; }
  // The number of a number, a date-time or a boolean (1 or 0); 0 for the others.
  double Numero() const { return numero_; }
  bool Booleano() const { return numero_ != 0.0; }
  const std::string& Texto() const { return texto_; }
  bool operator==(const TVariante&) const = default;

 private:
  TTipo tipo_ = TTipo::Vacio;
  double numero_ = 0.0;
  std::string texto_;
};

using TDAOfVariant = std::vector<TVariante>;

class TLibroCalculo;
class THojaCalculo;

// A cell: its value and its number format ("" is the application's "General").
struct TCeldaLibro {
  TVariante valor;
  std::string formato;
};

// A rectangle of cells of one worksheet, rows and columns counted from 1.
struct TRangoLibro {
  THojaCalculo* hoja = nullptr;
  int32_t fila1 = 1, col1 = 1, fila2 = 1, col2 = 1;

  // Value := a one-dimensional array: the values land in each row of the range from the left;
  // cells beyond the last value are emptied, values beyond the last column are left out.
  void FijarValores(const TDAOfVariant& valores) const;
  // NumberFormat of every cell of the range.
  void FijarFormato(const std::string& formato) const;
};

// Kind of a sheet of a workbook.
enum class TTipoHojaLibro { Hoja, Grafico };

class THojaLibro {
 public:
  virtual ~THojaLibro() = default;
  const std::string& Nombre() const { return nombre_; }
  // Names the sheet; raises EErrorGeneral on an invalid name or one that another sheet of the
  // workbook already has.
  void FijarNombre(const std::string& nombre);
  virtual TTipoHojaLibro Tipo() const = 0;
  TLibroCalculo& Libro() const { return *libro_; }
  // Select / Activate: the sheet becomes the workbook's active sheet.
  void Seleccionar();

 protected:
  explicit THojaLibro(TLibroCalculo& libro) : libro_(&libro) {}

 private:
  friend class TLibroCalculo;
  TLibroCalculo* libro_;
  std::string nombre_;
};

// The largest row and column of a worksheet (1 048 576 rows, 16 384 columns: XFD).
inline constexpr int32_t MaxFilasHoja = 1048576;
inline constexpr int32_t MaxColumnasHoja = 16384;

class THojaCalculo : public THojaLibro {
 public:
  explicit THojaCalculo(TLibroCalculo& libro) : THojaLibro(libro) {}
  TTipoHojaLibro Tipo() const override { return TTipoHojaLibro::Hoja; }

  // cells(fila, columna).Value := v. Raises EErrorGeneral outside the sheet.
  void FijarValor(int32_t fila, int32_t columna, const TVariante& v);
  // The cell, or nullptr for a cell never written nor formatted.
  const TCeldaLibro* Celda(int32_t fila, int32_t columna) const;
  // Range("B3") or Range("B3:D10"), letters in any case; raises EErrorGeneral on a name that
  // is not a cell or range of the sheet.
  TRangoLibro Rango(std::string_view nombre);
  // Range(cell name, cell name): the rectangle spanned by the two cells.
  TRangoLibro Rango(std::string_view celda1, std::string_view celda2);

  const std::map<std::pair<int32_t, int32_t>, TCeldaLibro>& Celdas() const { return celdas_; }

 private:
  friend struct TRangoLibro;
  TCeldaLibro& CeldaParaEscribir(int32_t fila, int32_t columna);
  std::map<std::pair<int32_t, int32_t>, TCeldaLibro> celdas_;
};

// A line (border, gridline): the application's LineStyle, Weight and ColorIndex codes.
struct TLineaLibro {
  int32_t estilo = 1;  // 0 automatic, 1 continuous, -4115 dash, -4118 dot, 4 dash-dot, -4142 none
  int32_t grosor = 2;  // 1 hairline, 2 thin, -4138 medium, 4 thick
  int32_t indiceColor = -4105;  // palette index 1..56, -4105 automatic
};

// One axis of a chart.
struct TEjeLibro {
  bool tieneTitulo = false;
  std::string titulo;
  std::optional<double> minimo, maximo;  // empty: chosen by the application
  std::string formatoNumero;             // "" follows the source cells
  int32_t orientacion = 0;               // degrees, -90..90
  std::optional<double> unidadMayor, unidadMenor;
  std::optional<int32_t> escalaUnidadMayor, escalaUnidadMenor;  // 0 days, 1 months, 2 years
  std::optional<int32_t> espaciadoEtiquetas, espaciadoMarcas;
  int32_t marcaMayor = 3;  // 3 outside, 2 inside, 4 cross, -4142 none
  int32_t marcaMenor = -4142;
  int32_t posicionEtiquetas = 4;  // 4 next to the axis, -4134 low, -4127 high, -4142 none
  bool lineasMayores = false, lineasMenores = false;
  TLineaLibro bordeLineasMayores, bordeLineasMenores;
};

// One series of a chart: its references into a worksheet and its format.
struct TSerieLibro {
  const THojaCalculo* hoja = nullptr;     // worksheet of the references (follows its renames)
  int32_t filaNombre = 0, colNombre = 0;  // 0: no name cell
  int32_t filaDesde = 0, filaHasta = 0;   // rows of the values (and of the categories)
  int32_t colValores = 0;
  int32_t colCategorias = 0;  // 0: no categories
  int32_t tipo = 4;           // the application's chart-type code of the series
  int32_t grupoEje = 1;       // 1 primary, 2 secondary
  std::optional<TColorLibro> colorInterior, colorBorde;
  std::optional<TColorLibro> colorFondoMarcador, colorFrenteMarcador;
  std::optional<int32_t> estiloMarcador;  // -4105 automatic, -4142 none
  std::optional<int32_t> tamanoMarcador;  // 2..72
};

// The chart-type codes this layer knows: 1 area, 76 stacked area, 4 line, 65 line with
// markers, -4169 scatter (markers only), 74 scatter with lines and markers, 75 scatter with
// lines only, 51 clustered columns, 57 clustered bars.
bool TipoDeGraficoValido(int32_t tipo);

class TGraficoLibro : public THojaLibro {
 public:
  explicit TGraficoLibro(TLibroCalculo& libro) : THojaLibro(libro) {}
  TTipoHojaLibro Tipo() const override { return TTipoHojaLibro::Grafico; }

  int32_t TipoGrafico() const { return tipo_; }
  // ChartType := tipo, for the chart and every series it has. EErrorGeneral on unknown codes.
  void FijarTipoGrafico(int32_t tipo);
  // SetSourceData(rango, porColumnas 2 / por filas 1): replaces the series. With series by
  // columns the first row of the range holds the series' names and the first column their
  // categories (abscissas) when the range has more than one row and more than one column.
  void FijarDatosOrigen(const TRangoLibro& rango, int32_t porFilasOColumnas);

  // Axes(tipo, grupo): tipo 1 category (abscissas), 2 value; grupo 1 primary, 2 secondary.
  TEjeLibro& Eje(int32_t tipo, int32_t grupo = 1);
  const TEjeLibro& Eje(int32_t tipo, int32_t grupo = 1) const;
  // SeriesCollection(i), i from 1; EErrorGeneral outside 1..count.
  TSerieLibro& Serie(int32_t i);
  int32_t NumeroSeries() const { return static_cast<int32_t>(series_.size()); }
  const std::vector<TSerieLibro>& Series() const { return series_; }
  // Series(i).ChartType := tipo; EErrorGeneral on unknown codes.
  void FijarTipoSerie(int32_t i, int32_t tipo);
  // Series(i).AxisGroup := grupo (1 primary, 2 secondary); EErrorGeneral on other values.
  void FijarGrupoEje(int32_t i, int32_t grupo);

  bool tieneTitulo = false;
  std::string titulo;
  std::optional<double> tamanoFuente;            // ChartArea.Font.Size: every text of the chart
  TLineaLibro bordeArea{0, 2, -4105};            // ChartArea.Border
  TLineaLibro bordeTrazado{0, 2, -4105};         // PlotArea.Border
  std::optional<int32_t> indiceInteriorTrazado;  // PlotArea.Interior.ColorIndex

 private:
  int32_t tipo_ = 51;
  std::vector<TSerieLibro> series_;
  std::array<TEjeLibro, 4> ejes_;
};

class TLibroCalculo {
 public:
  TLibroCalculo();
  TLibroCalculo(const TLibroCalculo&) = delete;
  TLibroCalculo& operator=(const TLibroCalculo&) = delete;

  // Worksheets.Add with no position: a new worksheet before the active sheet, named "SheetN"
  // with the first N free; the active sheet does not change.
  THojaCalculo& AgregarHoja();
  // Charts.Add: a new chart sheet before the active sheet, named "ChartN"; it becomes the
  // active sheet.
  TGraficoLibro& AgregarGrafico();
  // Worksheets(i), counted from 1 among the worksheets in tab order.
  THojaCalculo& Hoja(int32_t i);
  // Worksheets(nombre) / Charts(nombre), by name without regard to ASCII case. EErrorGeneral
  // when the workbook has no worksheet (chart sheet) of that name.
  THojaCalculo& Hoja(std::string_view nombre);
  TGraficoLibro& Grafico(std::string_view nombre);
  int32_t NumeroHojas() const;  // worksheets only
  // Every sheet in tab order.
  const std::vector<std::unique_ptr<THojaLibro>>& Hojas() const { return hojas_; }
  THojaLibro* HojaActiva() const { return activa_; }

  // Colors: the 56-entry palette, index 1 to 56.
  TColorLibro Color(int32_t indice) const;
  // FileFormat: 51, the .xlsx workbook.
  int32_t FormatoArchivo() const { return 51; }
  // SaveAs(archivo, formato): writes the whole workbook. Only format 51 is known. The name
  // gets ".xlsx" unless it already ends so (in any case), as the application adds its own
  // extension; the file is written beside the target and renamed over it at the end, so a
  // failed save leaves a previous file as it was. Returns the path written. EInOutError when
  // the file cannot be written, EErrorGeneral on an unknown format.
  std::filesystem::path GuardarComo(const std::filesystem::path& archivo, int32_t formato);

 private:
  friend class THojaLibro;
  THojaLibro* Buscar(std::string_view nombre) const;
  void Insertar(std::unique_ptr<THojaLibro> hoja);
  std::string NombreLibre(std::string_view base) const;
  std::vector<std::unique_ptr<THojaLibro>> hojas_;
  THojaLibro* activa_ = nullptr;
};

// The application: its switches and its open workbooks.
class TAplicacionLibros {
 public:
  bool visible = false;         // Visible: there is no window to show; kept only
  bool alertasVisibles = true;  // DisplayAlerts
  // Version, as the application's text turned into a real: 14.0.
  double Version() const { return 14.0; }
  // Workbooks.Add / Workbooks(i), i from 1.
  TLibroCalculo& AgregarLibro();
  TLibroCalculo& Libro(int32_t i);
  int32_t NumeroLibros() const { return static_cast<int32_t>(libros_.size()); }
  // Quit: closes every workbook without saving.
  void Salir();
  bool Cerrada() const { return cerrada_; }

 private:
  std::vector<std::unique_ptr<TLibroCalculo>> libros_;
  bool cerrada_ = false;
};

// The application's default palette (index 1 black, 2 white, 3 red, ... 56), as 32-bit colours.
const std::array<TColorLibro, 56>& PaletaPorDefecto();
// "A".."XFD" + row <-> (row, column); false when the text is not a cell name in the sheet.
bool LeerNombreCelda(std::string_view s, int32_t& fila, int32_t& columna);

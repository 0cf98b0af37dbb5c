// The chart renderer: a chart of ordinate series against abscissa series on three axes
// (abscissa, primary ordinate on the left, secondary on the right), with captioned boxes in
// data coordinates, painted on a canvas or saved as a JPEG file.
//
// A caller builds a TGrafico, sets titles, fixed limits and label formats on the objects,
// creates the abscissa series without a chart and adds it, creates each ordinate series with
// the chart and the abscissa series (which gives it the next palette colour and marker) and
// adds it, then paints with Dibujar or ExportarJPEG. The chart owns everything added to it.
//
// Series kinds (`tipo`): 0 legend only; 1 stacked areas; 2 polyline and markers; 3 bars;
// 4 one column of stacked percentage segments (forces the primary axis maximum to 100).
//
// A value that is not finite (NaN, an infinity) marks a missing point: it takes no part in its
// axis' range and is not drawn; a polyline or a stacked area breaks there, a bar leaves its
// place empty.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "numerics/xmatdefs.h"
#include "platform/lienzo.h"

enum TTipoMarcador : uint8_t { TM_Circulo = 0, TM_Cuadro, TM_Rombo, TM_Cruz, TM_X };
using TkColorPaleta = int32_t;  // 0..14

extern const std::array<TColor, 15> PaletaColores;
extern const std::array<const char*, 15> NombresColores;
extern const std::array<const char*, 5> NombresMarcadores;

class TGrafico;
class TSerieGrafico;
using TListaSeries = std::vector<TSerieGrafico*>;

class TEjeGrafico {
 public:
  explicit TEjeGrafico(std::string titulo_);

  void FijarMinimo(NReal v);
  void FijarMaximo(NReal v);
  void FijarDivisiones(int32_t n);

  // Scales the axis on [datoMin, datoMax] (outward when both limits are automatic, inward
  // otherwise) and returns its effective limits in the two arguments. The achieved number of
  // divisions replaces `divisiones` and is the request of the next scaling. A fixed count
  // below 1 is taken as 1.
  void AutoEscalar(NReal& datoMin, NReal& datoMax);
  // The label of tick i (value i * paso + origen) by `tipoEtiqueta`: 1 the nearest whole
  // number (half to even), 2 a date-time in `formatoFecha`, anything else the float text with
  // `formato`, `precision` and `digitos`. All in the format settings in force.
  std::string TextoMarca(int32_t i) const;

  std::string titulo;
  NReal datoMin = 0, datoMax = 0;
  NReal minimoFijo = 0, maximoFijo = 0;
  NReal minimoRedondeado = 0, maximoRedondeado = 0;
  NReal minimo = 0, maximo = 0;
  bool minimoAuto = true, maximoAuto = true;
  NReal origen = 0;
  NReal paso = 1.0;
  int32_t divisiones = 10;
  int32_t divisionesFijas = 0;
  bool divisionesAuto = true;
  bool grilla = true;
  bool mostrarMarcas = true;
  uint8_t tipoEtiqueta = 0;
  int32_t formato = 2;
  int32_t precision = 12;
  int32_t digitos = 2;
  std::string formatoFecha = "yyyy/mm/dd hh:mm";
};

class TSerieGrafico {
 public:
  // With a chart: the chart's next palette colour in all four colours, its next marker and its
  // default kind. Without one (abscissa series): black, TM_Cruz, kind 0. The series is not
  // added to the chart: the caller does that with AgregarSerie.
  TSerieGrafico(std::string nombre_, TDAofNReal valores_, TSerieGrafico* serieX_, TGrafico* grafico,
                std::string formato_, bool esAbscisa);

  // The format text names dates: it holds "-" or "/", or is "c".
  bool EsFormatoFecha() const;

  std::string nombre;
  TColor colorArea = clBlack;
  TColor colorLinea = clBlack;  // clNone: no polyline
  TColor colorFondo = clBlack;
  TColor colorMarcador = clBlack;
  TTipoMarcador marcador = TM_Cruz;
  uint8_t tipo = 0;
  uint8_t rol = 0;  // 1 abscissa series, 2 ordinate series with an abscissa series, else 0
  TDAofNReal valores;
  int32_t tamanoMarcador = 5;  // half the marker's size in pixels
  int32_t anchoMarcador = 2;   // kept; markers are always drawn with a 3-pixel pen
  int32_t anchoLinea = 1;
  TDAofString etiquetas;
  TSerieGrafico* serieX = nullptr;  // not owned
  int32_t eje = 0;                  // 0 primary ordinate axis, otherwise secondary
  std::string formato;
};

class TCajaGraficoXY {
 public:
  TCajaGraficoXY(std::string titulo_, NReal x1_, NReal y1_, NReal x2_, NReal y2_);

  // The box and its caption centred in it, on the chart's mapping.
  void Dibujar(TLienzo& lienzo, const TGrafico& grafico) const;

  NReal x1, y1, x2, y2;
  std::string titulo;
  TColor colorRelleno = clNone;
  TColor colorBorde = clBlack;
  TColor colorTexto = clBlack;
  int32_t eje = 0;
  int32_t estiloLapiz = psSolid;
  int32_t estiloRelleno = bsSolid;
};

class TGrafico {
 public:
  // Every caller passes the kind 2 and the logo 0; the logo is painted when logo >= 0.
  TGrafico(std::string nombre_, uint8_t tipoSeriesPorDefecto_, int32_t logo_);
  virtual ~TGrafico();
  TGrafico(const TGrafico&) = delete;
  TGrafico& operator=(const TGrafico&) = delete;

  // Takes the series. An abscissa series (rol 1) goes to seriesX only; a kind-2 series without
  // an abscissa series takes the first one added so far. Returns the series.
  TSerieGrafico* AgregarSerie(std::unique_ptr<TSerieGrafico> s);
  TCajaGraficoXY* AgregarCaja(std::unique_ptr<TCajaGraficoXY> c);

  // The palette entry and the marker at the cycle positions, which then advance (mod 15, 5).
  TColor SiguienteColor();
  TTipoMarcador SiguienteMarcador();

  // Data to pixel on the layout of the last painting; pixel y grows downward.
  int32_t PixelX(NReal x) const;
  int32_t PixelY1(NReal y) const;
  int32_t PixelY2(NReal y) const;

  // Paints the whole chart in the rectangle (0, 0) - (ancho, alto) of the canvas.
  virtual void Dibujar(TLienzo& lienzo, int32_t ancho, int32_t alto);
  // Paints the chart on a new ancho x alto bitmap and saves it as a JPEG file.
  void ExportarJPEG(const std::filesystem::path& archivo, int32_t ancho, int32_t alto,
                    uint8_t calidad);

  // Series painters, on the layout of the current painting; each list holds series of one
  // kind on one axis, in the order they were added.
  void DibujarMarcadores(TLienzo& lienzo, const TListaSeries& lista);
  void DibujarLineas(TLienzo& lienzo, const TListaSeries& lista);
  void DibujarAreasApiladas(TLienzo& lienzo, const TListaSeries& lista);
  void DibujarBarras(TLienzo& lienzo, const TListaSeries& lista);
  void DibujarPorcentajes(TLienzo& lienzo, const TListaSeries& lista);

  std::string nombre;
  std::string titulo;
  std::unique_ptr<TEjeGrafico> ejeX, ejeY1, ejeY2;
  std::vector<std::unique_ptr<TSerieGrafico>> series;
  std::vector<std::unique_ptr<TSerieGrafico>> seriesX;
  std::vector<std::unique_ptr<TCajaGraficoXY>> cajas;
  uint8_t tipoSeriesPorDefecto;
  int32_t tamanoLetra = 14;
  int32_t logo;
  TDAofI xBarras;
  TDAofI yPorcentajes;
  int32_t indiceColor = 0, indiceMarcador = 0;
  int32_t izquierda = 0, arriba = 0, derecha = 0, abajo = 0;
  NReal escalaX = 0, escalaY1 = 0, escalaY2 = 0;
  NReal xMin = 0, xMax = 0, y1Min = 0, y1Max = 0, y2Min = 0, y2Max = 0;
  int32_t margenH = 0, margenV = 0, altoTitulo = 0, altoTituloX = 0, altoTituloY1 = 0,
          anchoLeyenda = 0, anchoEtiquetas = 0, altoLetra = 0, anchoMarcasY1 = 0, anchoMarcasY2 = 0,
          anchoMarcasX = 0;

 private:
  int32_t PixelY(int32_t eje, NReal y) const { return eje == 0 ? PixelY1(y) : PixelY2(y); }
};

// One marker of half-size r centred on (x, y) with the canvas's pen and brush.
void DibujarMarcador(TLienzo& lienzo, int32_t x, int32_t y, TTipoMarcador marcador, int32_t r);

// Auxiliary routines of the painting.
// Widens [lo, hi] to the series' finite values (takes them when n is 0) and counts the
// series; NaN and infinities take no part, and a series without a finite value changes
// nothing.
void AcumularRango(NReal& lo, NReal& hi, int32_t& n, const TSerieGrafico& s);
// Widens [lo, hi] to every finite running sum of the stacked series (from [0, 0] when n is 0).
void RangoAreasApiladas(NReal& lo, NReal& hi, int32_t& n, const TListaSeries& lista);
// The widest tick label of the axis with the canvas's font (0 when none has a width).
int32_t AnchoMaximoMarcas(const TEjeGrafico& eje, TLienzo& lienzo);
// acumulado += v + margen when v > 0.
void SumarSiPositivo(int32_t& acumulado, int32_t v, int32_t margen);
void FijarRecorte(TLienzo& lienzo, int32_t izquierda, int32_t arriba, int32_t derecha,
                  int32_t abajo);
// A rectangle w x h centred on (cx, cy), outlined and filled, then filled again.
void DibujarRectanguloCentrado(TLienzo& lienzo, int32_t cx, int32_t cy, int32_t ancho,
                               int32_t alto);
// The four-square logo and its name, at the canvas's font.
void DibujarLogo(TLienzo& lienzo, int32_t x, int32_t y);
// A real pixel offset cut to [-32767, 32767] and truncated toward zero (NaN gives 0).
int32_t PixelAcotado(long double v);

// The drawing canvas that charts, the speed field and the fitting progress paint on.
//
// It keeps the original toolkit's conventions, which the painting code relies on:
//  * colours are TColor values R + 256*G + 65536*B; clNone paints nothing (a pen of that colour
//    draws no outline, a brush of that colour fills nothing and leaves text transparent);
//  * setting a brush colour turns a clear brush (bsClear) into a solid one;
//  * rectangles, ellipses and fills cover their left and top edges and leave out the right
//    column and the bottom row: Rectangulo(0, 0, 10, 10) covers pixels 0..9;
//  * a rectangle one pixel wide or less paints as a line with the pen along its left edge;
//  * text is placed by the top-left corner of its box, turned by the font orientation in tenths
//    of a degree counter-clockwise about that corner; a solid brush paints the text's
//    background, a clear brush leaves it transparent.
// The state (pen, brush, font, clipping, current point) lives here; implementations draw with
// it. Services see only this header: a raster canvas comes from CrearLienzoRaster.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using TColor = int32_t;

constexpr TColor RGBAColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RojoDe(TColor c) { return c & 0xFF; }
constexpr int VerdeDe(TColor c) { return (c >> 8) & 0xFF; }
constexpr int AzulDe(TColor c) { return (c >> 16) & 0xFF; }

constexpr TColor clBlack = RGBAColor(0, 0, 0);
constexpr TColor clMaroon = RGBAColor(128, 0, 0);
constexpr TColor clGreen = RGBAColor(0, 128, 0);
constexpr TColor clOlive = RGBAColor(128, 128, 0);
constexpr TColor clNavy = RGBAColor(0, 0, 128);
constexpr TColor clPurple = RGBAColor(128, 0, 128);
constexpr TColor clTeal = RGBAColor(0, 128, 128);
constexpr TColor clGray = RGBAColor(128, 128, 128);
constexpr TColor clSilver = RGBAColor(192, 192, 192);
constexpr TColor clRed = RGBAColor(255, 0, 0);
constexpr TColor clLime = RGBAColor(0, 255, 0);
constexpr TColor clYellow = RGBAColor(255, 255, 0);
constexpr TColor clBlue = RGBAColor(0, 0, 255);
constexpr TColor clFuchsia = RGBAColor(255, 0, 255);
constexpr TColor clAqua = RGBAColor(0, 255, 255);
constexpr TColor clWhite = RGBAColor(255, 255, 255);
// No colour at all.
constexpr TColor clNone = 536870911;  // 0x1FFFFFFF
// The surface's default: black for pens and text, white for brushes.
constexpr TColor clDefault = 536870912;  // 0x20000000

// Pen and brush styles with the toolkit's codes (the chart boxes keep them as integers).
enum TPenStyle : int32_t {
  psSolid = 0,
  psDash = 1,
  psDot = 2,
  psDashDot = 3,
  psDashDotDot = 4,
  psClear = 5
};
enum TBrushStyle : int32_t { bsSolid = 0, bsClear = 1 };

struct TPunto {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const TPunto&, const TPunto&) = default;
};

struct TRectangulo {
  int32_t izquierda = 0;
  int32_t arriba = 0;
  int32_t derecha = 0;
  int32_t abajo = 0;
  friend bool operator==(const TRectangulo&, const TRectangulo&) = default;
};

struct TTamanoTexto {
  int32_t ancho = 0;
  int32_t alto = 0;
};

// What a state change touched; implementations that keep a native pen, brush or font update
// it, the recording canvas writes it down.
enum class TCambioLienzo {
  ColorPincel,
  AnchoPincel,
  EstiloPincel,
  ColorBrocha,
  EstiloBrocha,
  TamanoLetra,
  ColorLetra,
  OrientacionLetra,
  Recorte,
  Recortando,
  Posicion  // MoverA
};

class TLienzo {
 public:
  virtual ~TLienzo() = default;

  // Size of the drawing surface in pixels.
  virtual int32_t Ancho() const = 0;
  virtual int32_t Alto() const = 0;

  // Pen: colour, width in pixels (0 draws as 1), style.
  void ColorPincel(TColor c);
  void AnchoPincel(int32_t w);
  void EstiloPincel(TPenStyle e);
  TColor ColorPincel() const { return colorPincel_; }
  int32_t AnchoPincel() const { return anchoPincel_; }
  TPenStyle EstiloPincel() const { return estiloPincel_; }

  // Brush. Setting its colour makes a clear brush solid.
  void ColorBrocha(TColor c);
  void EstiloBrocha(TBrushStyle e);
  TColor ColorBrocha() const { return colorBrocha_; }
  TBrushStyle EstiloBrocha() const { return estiloBrocha_; }

  // Font: size in points (at 96 pixels per inch), colour, orientation in tenths of a degree
  // counter-clockwise (900 reads upward).
  void TamanoLetra(int32_t puntos);
  void ColorLetra(TColor c);
  void OrientacionLetra(int32_t decimas);
  int32_t TamanoLetra() const { return tamanoLetra_; }
  TColor ColorLetra() const { return colorLetra_; }
  int32_t OrientacionLetra() const { return orientacionLetra_; }

  // Clip rectangle (right column and bottom row excluded) and whether it applies.
  void Recorte(const TRectangulo& r);
  void Recortando(bool si);
  const TRectangulo& Recorte() const { return recorte_; }
  bool Recortando() const { return recortando_; }

  // Current point for LineaA.
  void MoverA(int32_t x, int32_t y);
  TPunto PosicionActual() const { return posicion_; }
  // Line with the pen from the current point to (x, y), which becomes the current point.
  void LineaA(int32_t x, int32_t y);

  // Outline with the pen, inside with the brush.
  virtual void Rectangulo(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
  virtual void Elipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
  virtual void Poligono(const std::vector<TPunto>& puntos) = 0;
  // Pen only.
  virtual void Polilinea(const std::vector<TPunto>& puntos) = 0;
  // Brush only, no outline.
  virtual void RellenarRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;

  // Text in UTF-8 with the current font: its unrotated box, and the text at a point.
  virtual TTamanoTexto ExtensionTexto(const std::string& texto) = 0;
  int32_t AnchoTexto(const std::string& texto) { return ExtensionTexto(texto).ancho; }
  int32_t AltoTexto(const std::string& texto) { return ExtensionTexto(texto).alto; }
  virtual void Texto(int32_t x, int32_t y, const std::string& texto) = 0;

  // One pixel (inside the clip rectangle when clipping is on).
  virtual void FijarPixel(int32_t x, int32_t y, TColor c) = 0;

 protected:
  // Called after every state change, with the new value already in place.
  virtual void AlCambiar(TCambioLienzo) {}
  // Draws the pen line from one point to another (the current point is already handled).
  virtual void DibujarLinea(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;

 private:
  TColor colorPincel_ = clBlack;
  int32_t anchoPincel_ = 1;
  TPenStyle estiloPincel_ = psSolid;
  TColor colorBrocha_ = clWhite;
  TBrushStyle estiloBrocha_ = bsSolid;
  int32_t tamanoLetra_ = 8;  // the toolkit's default font size
  TColor colorLetra_ = clBlack;
  int32_t orientacionLetra_ = 0;
  TRectangulo recorte_{};
  bool recortando_ = false;
  TPunto posicion_{};
};

// A canvas over a raster image of its own, white when created.
class TLienzoRaster : public TLienzo {
 public:
  // The colour of one pixel (clNone outside the image).
  virtual TColor ColorPixel(int32_t x, int32_t y) const = 0;
  // Writes the image as a baseline JPEG file with the given quality (1..100; 0 is taken as 1,
  // above 100 as 100). Failures: EInOutError with the path.
  virtual void GuardarJPEG(const std::filesystem::path& archivo, int calidad) = 0;
  // The bytes GuardarJPEG would write (CodificarJPEG of platform/jpeg.h), written by nobody.
  virtual std::string CodificarJPEG(const std::filesystem::path& archivo, int calidad) = 0;
};

// A raster canvas of ancho x alto pixels (both at least 1, else EErrorGeneral
// "Tamaño de imagen no válido: " + ancho + " x " + alto). Starts the windowing system's
// off-screen platform when no GUI application exists yet (needed for fonts).
std::unique_ptr<TLienzoRaster> CrearLienzoRaster(int32_t ancho, int32_t alto);

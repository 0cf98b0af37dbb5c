#include "platform/lienzo.h"

void TLienzo::ColorPincel(TColor c) {
  colorPincel_ = c;
  AlCambiar(TCambioLienzo::ColorPincel);
}

void TLienzo::AnchoPincel(int32_t w) {
  anchoPincel_ = w;
  AlCambiar(TCambioLienzo::AnchoPincel);
}

void TLienzo::EstiloPincel(TPenStyle e) {
  estiloPincel_ = e;
  AlCambiar(TCambioLienzo::EstiloPincel);
}

// The painters count on this: every fill is preceded by a brush colour, and hollow shapes set
// the clear style after the colour.
void TLienzo::ColorBrocha(TColor c) {
  colorBrocha_ = c;
  if (estiloBrocha_ == bsClear) estiloBrocha_ = bsSolid;
  AlCambiar(TCambioLienzo::ColorBrocha);
}

void TLienzo::EstiloBrocha(TBrushStyle e) {
  estiloBrocha_ = e;
  AlCambiar(TCambioLienzo::EstiloBrocha);
}

void TLienzo::TamanoLetra(int32_t puntos) {
  tamanoLetra_ = puntos;
  AlCambiar(TCambioLienzo::TamanoLetra);
}

void TLienzo::ColorLetra(TColor c) {
  colorLetra_ = c;
  AlCambiar(TCambioLienzo::ColorLetra);
}

void TLienzo::OrientacionLetra(int32_t decimas) {
  orientacionLetra_ = decimas;
  AlCambiar(TCambioLienzo::OrientacionLetra);
}

void TLienzo::Recorte(const TRectangulo& r) {
  recorte_ = r;
  AlCambiar(TCambioLienzo::Recorte);
}

void TLienzo::Recortando(bool si) {
  recortando_ = si;
  AlCambiar(TCambioLienzo::Recortando);
}

void TLienzo::MoverA(int32_t x, int32_t y) {
  posicion_ = {x, y};
  AlCambiar(TCambioLienzo::Posicion);
}

void TLienzo::LineaA(int32_t x, int32_t y) {
  const TPunto desde = posicion_;
  posicion_ = {x, y};
  DibujarLinea(desde.x, desde.y, x, y);
}

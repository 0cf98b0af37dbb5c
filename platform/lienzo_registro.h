// A canvas that draws nothing and writes down every operation, for tests of painting code.
//
// Each state change and each drawing call becomes one line of `operaciones`, in call order:
//   "ColorPincel 255", "AnchoPincel 3", "EstiloPincel 2", "ColorBrocha 16777215",
//   "EstiloBrocha 1", "TamanoLetra 14", "ColorLetra 0", "OrientacionLetra 900",
//   "Recorte 10 20 300 200", "Recortando 1", "MoverA 1 2", "LineaA 3 4",
//   "Rectangulo 1 2 3 4", "Elipse 1 2 3 4", "RellenarRect 1 2 3 4",
//   "Poligono 1,2 3,4 5,6", "Polilinea 1,2 3,4", "Texto 10 20 hola", "Pixel 1 2 255".
// Text queries are not written down. Text metrics are fixed so that layouts can be worked out
// by hand: a text is (font size div 2) pixels wide per character (UTF-8 code point) and as
// tall as the font size in points, whatever the text.
#pragma once

#include <string>
#include <vector>

#include "platform/lienzo.h"

class TLienzoRegistro : public TLienzo {
 public:
  TLienzoRegistro(int32_t ancho, int32_t alto) : ancho_(ancho), alto_(alto) {}

  int32_t Ancho() const override { return ancho_; }
  int32_t Alto() const override { return alto_; }

  void Rectangulo(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void Elipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void Poligono(const std::vector<TPunto>& puntos) override;
  void Polilinea(const std::vector<TPunto>& puntos) override;
  void RellenarRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  TTamanoTexto ExtensionTexto(const std::string& texto) override;
  void Texto(int32_t x, int32_t y, const std::string& texto) override;
  void FijarPixel(int32_t x, int32_t y, TColor c) override;

  std::vector<std::string> operaciones;

 protected:
  void AlCambiar(TCambioLienzo cambio) override;
  void DibujarLinea(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;

 private:
  void Anotar(const char* nombre, std::initializer_list<int64_t> valores);
  int32_t ancho_;
  int32_t alto_;
};

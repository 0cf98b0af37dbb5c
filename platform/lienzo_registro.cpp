#include "platform/lienzo_registro.h"

#include "platform/rtltexto.h"

namespace {

std::string Puntos(const char* nombre, const std::vector<TPunto>& puntos) {
  std::string s = nombre;
  for (const TPunto& p : puntos) {
    s += ' ';
    s += IntToStr(p.x);
    s += ',';
    s += IntToStr(p.y);
  }
  return s;
}

int32_t CodigosUTF8(const std::string& s) {
  int32_t n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

}  // namespace

void TLienzoRegistro::Anotar(const char* nombre, std::initializer_list<int64_t> valores) {
  std::string s = nombre;
  for (int64_t v : valores) {
    s += ' ';
    s += IntToStr(v);
  }
  operaciones.push_back(std::move(s));
}

void TLienzoRegistro::AlCambiar(TCambioLienzo cambio) {
  switch (cambio) {
    case TCambioLienzo::ColorPincel:
      Anotar("ColorPincel", {ColorPincel()});
      break;
    case TCambioLienzo::AnchoPincel:
      Anotar("AnchoPincel", {AnchoPincel()});
      break;
    case TCambioLienzo::EstiloPincel:
      Anotar("EstiloPincel", {EstiloPincel()});
      break;
    case TCambioLienzo::ColorBrocha:
      Anotar("ColorBrocha", {ColorBrocha()});
      break;
    case TCambioLienzo::EstiloBrocha:
      Anotar("EstiloBrocha", {EstiloBrocha()});
      break;
    case TCambioLienzo::TamanoLetra:
      Anotar("TamanoLetra", {TamanoLetra()});
      break;
    case TCambioLienzo::ColorLetra:
      Anotar("ColorLetra", {ColorLetra()});
      break;
    case TCambioLienzo::OrientacionLetra:
      Anotar("OrientacionLetra", {OrientacionLetra()});
      break;
    case TCambioLienzo::Recorte: {
      const TRectangulo& r = Recorte();
      Anotar("Recorte", {r.izquierda, r.arriba, r.derecha, r.abajo});
      break;
    }
    case TCambioLienzo::Recortando:
      Anotar("Recortando", {Recortando() ? 1 : 0});
      break;
    case TCambioLienzo::Posicion:
      Anotar("MoverA", {PosicionActual().x, PosicionActual().y});
      break;
  }
}

void TLienzoRegistro::DibujarLinea(int32_t, int32_t, int32_t x2, int32_t y2) {
  Anotar("LineaA", {x2, y2});
}

void TLienzoRegistro::Rectangulo(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Anotar("Rectangulo", {x1, y1, x2, y2});
}

void TLienzoRegistro::Elipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Anotar("Elipse", {x1, y1, x2, y2});
}

void TLienzoRegistro::Poligono(const std::vector<TPunto>& puntos) {
  operaciones.push_back(Puntos("Poligono", puntos));
}

void TLienzoRegistro::Polilinea(const std::vector<TPunto>& puntos) {
  operaciones.push_back(Puntos("Polilinea", puntos));
}

void TLienzoRegistro::RellenarRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Anotar("RellenarRect", {x1, y1, x2, y2});
}

TTamanoTexto TLienzoRegistro::ExtensionTexto(const std::string& texto) {
  return {CodigosUTF8(texto) * (TamanoLetra() / 2), TamanoLetra()};
}

void TLienzoRegistro::Texto(int32_t x, int32_t y, const std::string& texto) {
  std::string s = "Texto ";
  s += IntToStr(x);
  s += ' ';
  s += IntToStr(y);
  s += ' ';
  s += texto;
  operaciones.push_back(std::move(s));
}

void TLienzoRegistro::FijarPixel(int32_t x, int32_t y, TColor c) { Anotar("Pixel", {x, y, c}); }

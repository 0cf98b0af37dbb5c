#include "numerics/ufxgx.h"

#include <stdexcept>

#include "platform/rtltexto.h"

std::string Tfx::Descripcion() const {
  throw std::logic_error("Tfx.Descripcion: función sin descripción");
}

Tfx& Tfxlst::Elemento(int32_t i) const {
  if (i < 0 || i >= Count()) {
    throw std::out_of_range("List index out of bounds (" + IntToStr(i) + ")");
  }
  return *items_[static_cast<size_t>(i)];
}

void Tfxlst::FreeTodos() {
  for (auto& f : items_) f.reset();
  items_.clear();
}

NReal Tfx_sumatoria::Evaluar(const TVectR& x) const {
  NReal s = constante;
  for (int32_t i = 0; i < terminos.Count(); ++i) s = s + terminos.Elemento(i).Evaluar(x);
  return s;
}

void Tfx_sumatoria::AcumularGradiente(TVectR& g, const TVectR& x) const {
  for (int32_t i = 0; i < terminos.Count(); ++i) terminos.Elemento(i).AcumularGradiente(g, x);
}

std::string Tfx_sumatoria::Descripcion() const {
  std::string s = "sumatoria_inicio( \r\n";
  for (int32_t i = 0; i < terminos.Count(); ++i) {
    s += terminos.Elemento(i).Descripcion();
    s += "\r\n";
  }
  s += ")fin_sumatoria\r\n";
  return s;
}

// The power-curve text reader, and its round trip through the curve writer.
#include "comun_fuzz.h"
#include "estimator/ucurvasaeros.h"
#include "platform/archivos_texto.h"

namespace {
std::string Escrito(const TCurvaAerogen& c, const char* nombre) {
  const auto p = fuzz::Archivo(nombre);
  TextoSalida s(p);
  c.EscribirTexto(s);
  s.Cerrar();
  return fuzz::Leer(p);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  fuzz::Atrapar([&] {
    TextoEntrada f = TextoEntrada::DesdeTexto(fuzz::Texto(datos, n), "curva.txt");
    const TCurvaAerogen c = TCurvaAerogen::CreateLeerTexto(f);
    const std::string uno = Escrito(c, "uno.txt");
    TextoEntrada g = TextoEntrada::DesdeTexto(uno, "uno.txt");
    if (Escrito(TCurvaAerogen::CreateLeerTexto(g), "dos.txt") != uno) fuzz::Diferencia("curva");
  });
  return 0;
}

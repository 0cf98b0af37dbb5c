// The empirical-model text reader (the second half of a calibrator file), and its round trip
// through the model's writer.
#include "comun_fuzz.h"
#include "estimator/uparques_modeloempirico.h"
#include "platform/archivos_texto.h"

namespace {
std::string Escrito(const TParque_ModeloEmpirico& m, const char* nombre) {
  const auto p = fuzz::Archivo(nombre);
  TextoSalida s(p);
  m.EscribirTexto(s);
  s.Cerrar();
  return fuzz::Leer(p);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  fuzz::Atrapar([&] {
    TextoEntrada f = TextoEntrada::DesdeTexto(fuzz::Texto(datos, n), "me.txt");
    const auto m = TParque_ModeloEmpirico::CreateLeerTexto(f, nullptr);
    const std::string uno = Escrito(*m, "uno.txt");
    TextoEntrada g = TextoEntrada::DesdeTexto(uno, "uno.txt");
    if (Escrito(*TParque_ModeloEmpirico::CreateLeerTexto(g, nullptr), "dos.txt") != uno)
      fuzz::Diferencia("modelo empírico");
  });
  return 0;
}

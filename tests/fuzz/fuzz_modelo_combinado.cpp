// The combined-model file (.pmc) reader, and its round trip through the model's writer.
#include "comun_fuzz.h"
#include "estimator/uparques_modelocombinado.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  fuzz::Atrapar([&] {
    const auto entrada = fuzz::Escribir("entrada.pmc", fuzz::Texto(datos, n));
    const auto mc = TParque_ModeloCombinado::CreateDesdeArchivo(entrada);
    const auto uno = fuzz::Archivo("uno.pmc"), dos = fuzz::Archivo("dos.pmc");
    mc->Guardar(uno);
    TParque_ModeloCombinado::CreateDesdeArchivo(uno)->Guardar(dos);
    if (fuzz::Leer(uno) != fuzz::Leer(dos)) fuzz::Diferencia("pmc");
  });
  return 0;
}

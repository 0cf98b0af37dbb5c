// The calibrator file (.clp) reader, and its round trip through the calibrator's writer.
#include "comun_fuzz.h"
#include "estimator/ucalibrador.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  fuzz::Atrapar([&] {
    const auto entrada = fuzz::Escribir("entrada.clp", fuzz::Texto(datos, n));
    const auto c = TCalibradorParque::CreateDesdeArchivo(entrada);
    const auto uno = fuzz::Archivo("uno.clp"), dos = fuzz::Archivo("dos.clp");
    c->Guardar(uno);
    TCalibradorParque::CreateDesdeArchivo(uno)->Guardar(dos);
    if (fuzz::Leer(uno) != fuzz::Leer(dos)) fuzz::Diferencia("clp");
  });
  return 0;
}

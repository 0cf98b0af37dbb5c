// The theoretical-model file (.pmt) reader, and its round trip through the model writer.
#include "comun_fuzz.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/archivos_texto.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  fuzz::Atrapar([&] {
    TextoEntrada f = TextoEntrada::DesdeTexto(fuzz::Texto(datos, n), "entrada.pmt");
    const auto m = TParque_ModeloTeorico::CreateLeerTexto(f);
    const auto uno = fuzz::Archivo("uno.pmt"), dos = fuzz::Archivo("dos.pmt");
    m->EscribirArchivo(uno);
    TParque_ModeloTeorico::CreateDesdeArchivo(uno)->EscribirArchivo(dos);
    if (fuzz::Leer(uno) != fuzz::Leer(dos)) fuzz::Diferencia("pmt");
  });
  return 0;
}

// The empirical model built from a series file: the reader, the filters and the S-curve fits
// of a small farm (the two turbines of tests/fixtures/modelo_v3.pmt), with its tables and
// charts written to a scratch plant folder.
#include <iostream>
#include <sstream>

#include "comun_fuzz.h"
#include "estimator/ucarpetascentrales.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::ostringstream consola;
  IniciarUcarpetascentrales(TRaicesCarpetas{fuzz::Carpeta(), std::nullopt}, consola);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  static const auto mt = TParque_ModeloTeorico::CreateDesdeArchivo(
      std::filesystem::path(AERONDA_FIXTURES) / "modelo_v3.pmt");
  fuzz::Atrapar([&] {
    const auto entrada = fuzz::Escribir("entrada.sas", fuzz::Texto(datos, n));
    (void)TParque_ModeloEmpirico::CreateDesdeSeries(mt.get(), entrada, 1, 100);
  });
  return 0;
}

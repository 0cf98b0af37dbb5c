// The series processing with a combined model (the two-turbine model of
// tests/fixtures/ventana_dos_molinos.pmc) over the whole of a series file: the reader, the
// model per sample, the restriction periods and the error matrices, with the tables written to
// a scratch folder.
#include <iostream>
#include <sstream>

#include "comun_fuzz.h"
#include "estimator/ucalcrestriccionesoperativas.h"
#include "estimator/ucarpetascentrales.h"
#include "estimator/uparques_modelocombinado.h"
#include "services/useriestemporales.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::ostringstream consola;
  IniciarUcarpetascentrales(TRaicesCarpetas{fuzz::Carpeta(), std::nullopt}, consola);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  static const auto mc = TParque_ModeloCombinado::CreateDesdeArchivo(
      std::filesystem::path(AERONDA_FIXTURES) / "ventana_dos_molinos.pmc");
  fuzz::Atrapar([&] {
    const auto entrada = fuzz::Escribir("entrada.sas", fuzz::Texto(datos, n));
    // The whole of the series, as its own header gives it.
    const TSeriesDeDatos s = TSeriesDeDatos::Cargar(entrada);
    const TDateTime ini = s.inicio, fin = s.FechaDeMuestra(s.NPuntos);
    TDAofRecsEnergiaPorFecha energias;
    ProcesarSeriesConModeloCombinado(*mc, entrada, fuzz::Carpeta(), n % 2 == 1, ini, fin, ini, fin,
                                     1.0, energias, 3, true, false, true, nullptr);
    TDateTime desde = ini, hasta = fin;
    TDAofRecsFechas periodos;
    PeriodosRestriccion(entrada, desde, hasta, mc->mt->potencia_autorizada_mw, periodos);
  });
  return 0;
}

// aeronda_ejemplo: writes the example plant 50 (its theoretical model and a year of ten-minute
// series) into the base working folder that aeronda uses, chosen by the same rules
// (AERONDA_Y, AERONDA_BASURA). It never overwrites a plant 50 that is already there.
#include <cstdio>
#include <exception>
#include <iostream>

#include "ejemplo/planta_ejemplo.h"
#include "estimator/ucarpetascentrales.h"
#include "platform/carpetas.h"

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  try {
    // The same start as the program's: the working folders, written as console lines.
    IniciarUcarpetascentrales(RaicesDelEntorno());
    EscribirPlantaEjemplo();
    std::cout << "Planta de ejemplo " << kPlantaEjemplo << " escrita en "
              << CarpetaCentral(kPlantaEjemplo).string() << std::endl;
    std::cout << "  " << ArchivoParqueMT(kPlantaEjemplo).filename().string() << std::endl;
    std::cout << "  " << ArchivoCentral(kPlantaEjemplo, "_series10min.sas").filename().string()
              << std::endl;
    FinalizarUcarpetascentrales();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "aeronda_ejemplo: " << e.what() << std::endl;
    return 1;
  }
}

// aeronda: estimates the electric power of a wind farm. The program body is in
// estimator/gui/programa.cpp; here only what belongs to the process.
#include <cstdio>
#include <exception>
#include <iostream>

#include "estimator/gui/programa.h"

int main(int argc, char** argv) {
  // Every progress line reaches the terminal as soon as it is written.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  try {
    TArranque arranque;
    arranque.raices = RaicesDelEntorno();
    return CuerpoDelPrograma(argc, argv, arranque);
  } catch (const std::exception& e) {
    // A unit start failed (a working folder that cannot be made): no window.
    std::cerr << "aeronda: " << e.what() << std::endl;
    return 1;
  }
}

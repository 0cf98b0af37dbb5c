// The arithmetic expression evaluator behind every real typed or read as an expression.
#include <cmath>

#include "comun_fuzz.h"
#include "numerics/uevaluador.h"
#include "numerics/xmatdefs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  const std::string s(fuzz::Texto(datos, n));
  fuzz::Atrapar([&] { (void)EvaluarExpresion(s); });
  fuzz::Atrapar([&] { (void)EvaluarNumero(s); });
  return 0;
}

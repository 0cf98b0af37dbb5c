// The bracketed text of matrices and vectors ("[1, 2; 3, 4]", the window's edit boxes), and
// its round trip: the text a matrix is written as reads back to the same text.
#include "comun_fuzz.h"
#include "numerics/matreal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  const std::string s(fuzz::Texto(datos, n));
  fuzz::Atrapar([&] {
    const TMatR m = TMatR::CreateDesdeCadena(s);
    const std::string uno = m.ACadena();
    fuzz::Atrapar([&] {
      // ACadena keeps three significant digits: its text, not the matrix, is the fixed point.
      if (TMatR::CreateDesdeCadena(uno).ACadena() != uno) fuzz::Diferencia("matriz");
    });
  });
  fuzz::Atrapar([&] { TVectR::CreateDesdeCadena(s); });
  return 0;
}

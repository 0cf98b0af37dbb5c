// The kernels of the wake march: every one gives, to the last bit, what the straightforward
// march gives.
#include <gtest/gtest.h>

#include <string>

#include "comun/afirmaciones.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/errores.h"

namespace {

const TNucleoMarcha kNucleos[] = {TNucleoMarcha::Referencia, TNucleoMarcha::Portable,
                                  TNucleoMarcha::AVX2, TNucleoMarcha::AVX512};

// Puts the process-wide kernel back as it was at the end of a test.
class NucleoGuardado {
 public:
  NucleoGuardado() : previo_(NucleoMarcha()) {}
  ~NucleoGuardado() { FijarNucleoMarcha(previo_); }

 private:
  TNucleoMarcha previo_;
};

}  // namespace

TEST(NucleoMarcha, EleccionYRechazo) {
  NucleoGuardado guardado;
  EXPECT_TRUE(NucleoMarchaDisponible(TNucleoMarcha::Referencia));
  EXPECT_TRUE(NucleoMarchaDisponible(TNucleoMarcha::Portable));
  // A processor with AVX-512F has AVX2.
  if (NucleoMarchaDisponible(TNucleoMarcha::AVX512))
    EXPECT_TRUE(NucleoMarchaDisponible(TNucleoMarcha::AVX2));
  // The default is the widest kernel available; the reference is never the default.
  EXPECT_NE(NucleoMarcha(), TNucleoMarcha::Referencia);
  EXPECT_TRUE(NucleoMarchaDisponible(NucleoMarcha()));
  if (NucleoMarchaDisponible(TNucleoMarcha::AVX512))
    EXPECT_EQ(NucleoMarcha(), TNucleoMarcha::AVX512);
  for (TNucleoMarcha n : kNucleos) {
    SCOPED_TRACE(NombreNucleoMarcha(n));
    if (NucleoMarchaDisponible(n)) {
      FijarNucleoMarcha(n);
      EXPECT_EQ(NucleoMarcha(), n);
    } else {
      FijarNucleoMarcha(TNucleoMarcha::Portable);
      EXPECT_THROW_MSG(FijarNucleoMarcha(n), EErrorGeneral,
                       std::string("El núcleo de la marcha ") + NombreNucleoMarcha(n) +
                           " no está disponible en este procesador");
      EXPECT_EQ(NucleoMarcha(), TNucleoMarcha::Portable);
    }
  }
}

// The number and date readers: the plain real read and its whole-text form, the integer and
// general float readers, the header field readers, and the database's date-time text; and
// the round trips of the plain real text and of the integer text.
#include <bit>
#include <cmath>
#include <cstring>

#include "comun_fuzz.h"
#include "numerics/uauxiliares.h"
#include "platform/rtltexto.h"
#include "services/udbconpg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  const std::string_view t = fuzz::Texto(datos, n);
  double x = 0;
  if (ProbarTextoAReal(t, x)) {
    // The plain real text gives back the same double, NaN and infinities included.
    double y = 0;
    if (!ProbarTextoAReal(RealATexto(x), y) ||
        (std::bit_cast<uint64_t>(x) != std::bit_cast<uint64_t>(y) &&
         !(std::isnan(x) && std::isnan(y))))
      fuzz::Diferencia("real");
  }
  (void)ProbarTextoARealCompleto(t, x);
  (void)TryStrToFloat(t, x);
  int32_t v = 0;
  if (TryStrToInt(t, v) && StrToInt(IntToStr(v)) != v) fuzz::Diferencia("entero");
  std::string linea(t), campo;
  fuzz::Atrapar([&] {
    ExtraerCampo(linea, campo);
    (void)ExtraerEntero(linea);
  });
  linea = std::string(t);
  fuzz::Atrapar([&] {
    while (!linea.empty()) (void)ExtraerReal(linea);
  });
  TDateTime f = 0;
  (void)LeerFechaHora(t, f);
  if (n >= 8) {
    // Any double as a date: the texts of a date-time never fail or read out of bounds.
    double d;
    std::memcpy(&d, datos, sizeof d);
    fuzz::Atrapar([&] { (void)FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", d); });
  }
  return 0;
}

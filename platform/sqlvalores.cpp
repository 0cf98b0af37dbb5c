#include "platform/sqlvalores.h"

#include <cmath>

#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "platform/sqlconexion.h"

std::string SQLEntero(int64_t v) { return IntToStr(v); }

std::string SQLReal(double x) {
  if (!std::isfinite(x)) throw EErrorGeneral("Valor real no válido para SQL: " + FloatToStr(x));
  // The general float text under the standard separators, whatever the settings in force
  // (even absurd ones): they are switched for this one conversion and put back.
  TFormatSettings& ajustes = FormatSettings();
  struct Restaurar {
    TFormatSettings& ajustes;
    char decimal, miles;
    ~Restaurar() {
      ajustes.DecimalSeparator = decimal;
      ajustes.ThousandSeparator = miles;
    }
  } restaurar{ajustes, ajustes.DecimalSeparator, ajustes.ThousandSeparator};
  ajustes.DecimalSeparator = '.';
  ajustes.ThousandSeparator = ' ';
  return FloatToStr(x);
}

std::string SQLTexto(const TPQConnection& con, std::string_view texto) {
  return con.LiteralSQL(texto);
}

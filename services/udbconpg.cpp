#include "services/udbconpg.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

// A run of exactly `cifras` decimal digits at s[i].
bool Cifras(std::string_view s, size_t& i, size_t cifras, int& v) {
  if (i + cifras > s.size()) return false;
  auto [p, ec] = std::from_chars(s.data() + i, s.data() + i + cifras, v);
  if (ec != std::errc() || p != s.data() + i + cifras) return false;
  i += cifras;
  return true;
}

bool Caracter(std::string_view s, size_t& i, char c) {
  if (i >= s.size() || s[i] != c) return false;
  ++i;
  return true;
}

bool NombreSimple(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    const bool valido = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '.';
    if (!valido) return false;
  }
  return true;
}

}  // namespace

bool LeerFechaHora(std::string_view s, TDateTime& fecha) {
  TFechaHora f;
  size_t i = 0;
  if (!(Cifras(s, i, 4, f.anio) && Caracter(s, i, '-') && Cifras(s, i, 2, f.mes) &&
        Caracter(s, i, '-') && Cifras(s, i, 2, f.dia))) {
    return false;
  }
  double fraccion = 0;  // of a second
  if (i < s.size() && (s[i] == ' ' || s[i] == 'T')) {
    ++i;
    if (!(Cifras(s, i, 2, f.hora) && Caracter(s, i, ':') && Cifras(s, i, 2, f.minuto) &&
          Caracter(s, i, ':') && Cifras(s, i, 2, f.segundo))) {
      return false;
    }
    if (i < s.size() && s[i] == '.') {
      size_t j = i + 1;
      while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
      if (j == i + 1) return false;
      double x = 0;
      std::from_chars(s.data() + i, s.data() + j, x);  // ".25": digits checked above
      fraccion = x;
      i = j;
    }
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      ++i;
      int h = 0, m = 0;
      if (!Cifras(s, i, 2, h)) return false;
      if (Caracter(s, i, ':') && !Cifras(s, i, 2, m)) return false;
      if (Caracter(s, i, ':') && !Cifras(s, i, 2, m)) return false;  // "+hh:mm:ss"
    }
  }
  if (i != s.size()) return false;
  TDateTime dia = 0;
  TDateTime hora = 0;
  if (!TryEncodeDate(f.anio, f.mes, f.dia, dia) ||
      !TryEncodeTime(f.hora, f.minuto, f.segundo, 0, hora)) {
    return false;
  }
  // Before the origin the day counts down while the time of day still counts up
  // (1899-12-29 12:00 is -1.5), as the run-time's date-times are kept.
  const TDateTime tiempo = hora + fraccion / 86400.0;
  fecha = dia < 0 ? dia - tiempo : dia + tiempo;
  return true;
}

std::unique_ptr<TDBPQCon> TDBPQCon::Create(const std::filesystem::path& archivo) {
  std::optional<TParametrosConexion> parametros = LeerArchivoConexion(archivo);
  if (!parametros) return nullptr;
  return std::make_unique<TDBPQCon>(*parametros);
}

std::unique_ptr<TSQLQuery> TDBPQCon::query(std::string_view sql) { return Consultar(sql); }

int32_t TDBPQCon::exec(std::string_view sql) { return Ejecutar(sql); }

std::string TDBPQCon::func(std::string_view sql, std::string_view porDefecto) {
  std::unique_ptr<TSQLQuery> q = query(sql);
  if (q->eof()) return std::string(porDefecto);
  return q->field(0).asString();
}

int32_t TDBPQCon::funcI(std::string_view sql, int32_t porDefecto) {
  return StrToInt(func(sql, IntToStr(porDefecto)));
}

double TDBPQCon::funcF(std::string_view sql, double porDefecto) {
  std::unique_ptr<TSQLQuery> q = query(sql);
  // With no row the default makes the trip through its general float text and back, in the
  // settings in force, as it did when it was handed to func as text.
  if (q->eof()) return StrToFloat(FloatToStr(porDefecto));
  // The server writes "." whatever the user's settings: its text is read locale-free. A NULL
  // is func's "" and no number.
  const TSQLField campo = q->field(0);
  if (campo.isNull()) throw EConvertError("\"\" no es un número real válido");
  return campo.asFloat();
}

std::string TDBPQCon::funcS(std::string_view sql, std::string_view porDefecto) {
  return func(sql, porDefecto);
}

TDateTime TDBPQCon::funcD(std::string_view sql, TDateTime porDefecto) {
  std::unique_ptr<TSQLQuery> q = query(sql);
  if (q->eof()) return porDefecto;
  const std::string texto = q->field(0).asString();
  TDateTime fecha = 0;
  if (!LeerFechaHora(texto, fecha)) {
    throw EConvertError("\"" + texto + "\" no es una fecha y hora válida");
  }
  return fecha;
}

int32_t TDBPQCon::nextval(std::string_view tabla, std::string_view campo) {
  // The names go into the statement as they are: they must not be able to close its quote.
  if (!NombreSimple(tabla) || !NombreSimple(campo)) {
    throw EErrorGeneral("Nombre de secuencia no válido: " + std::string(tabla) + "_" +
                        std::string(campo));
  }
  return funcI("SELECT nextval( '" + std::string(tabla) + "_" + std::string(campo) + "_seq' ); ",
               -1);
}

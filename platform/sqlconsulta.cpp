#include "platform/sqlconsulta.h"

#include <libpq-fe.h>

#include <cmath>
#include <limits>
#include <system_error>

#include "platform/errores.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"

namespace {

// Type OIDs of the real-typed columns (pg_type.dat): their text may be "12.000" where the
// program asks for a whole number.
constexpr Oid kOidFloat4 = 700;
constexpr Oid kOidFloat8 = 701;
constexpr Oid kOidNumeric = 1700;

bool IgualesSinMayusculas(std::string_view a, const char* b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == '\0') return false;
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return b[i] == '\0';
}

// Numbers in the server's text, independent of the C locale: "50.000", "1e-05", "NaN",
// "Infinity"; the whole text (blanks around it aside) must be the number.
bool LeerReal(std::string_view s, double& x) { return ProbarTextoARealCompleto(s, x); }

bool LeerEntero(std::string_view s, int32_t& v) { return TryStrToInt(s, v); }

[[noreturn]] void NoEsEntero(std::string_view s) {
  throw EConvertError("\"" + std::string(s) + "\" no es un número entero válido");
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void TSQLQuery::Liberar::operator()(pg_result* r) const { PQclear(r); }

TSQLQuery::TSQLQuery(pg_result* resultado) : resultado_(resultado) {
  if (resultado_ == nullptr) throw EErrorGeneral("Resultado de consulta nulo");
  filas_ = PQntuples(resultado_.get());
}

TSQLQuery::~TSQLQuery() = default;

void TSQLQuery::next() {
  if (fila_ < filas_) ++fila_;
}

int TSQLQuery::fieldCount() const { return PQnfields(resultado_.get()); }

int TSQLQuery::findField(std::string_view nombre) const {
  // Not PQfnumber: it folds an unquoted name to lower case and so never finds a column that
  // was created quoted with capitals.
  const int n = fieldCount();
  for (int i = 0; i < n; ++i) {
    if (IgualesSinMayusculas(nombre, PQfname(resultado_.get(), i))) return i;
  }
  return -1;
}

TSQLField TSQLQuery::field(std::string_view nombre) const {
  const int i = findField(nombre);
  if (i < 0) throw EErrorGeneral("Campo no encontrado: " + std::string(nombre));
  return TSQLField(*this, i);
}

TSQLField TSQLQuery::field(int indice) const {
  if (indice < 0 || indice >= fieldCount()) {
    throw EErrorGeneral("Campo fuera de rango: " + IntToStr(indice));
  }
  return TSQLField(*this, indice);
}

int32_t TSQLQuery::rowsAffected() const {
  int32_t n = 0;
  const char* t = PQcmdTuples(resultado_.get());
  return LeerEntero(t, n) ? n : 0;
}

// ---------------------------------------------------------------------------------------------

std::string TSQLField::name() const { return PQfname(consulta_->resultado_.get(), columna_); }

const char* TSQLField::valor() const {
  if (consulta_->eof()) {
    throw EErrorGeneral("La consulta no tiene fila actual para leer el campo: " + name());
  }
  return PQgetvalue(consulta_->resultado_.get(), consulta_->fila_, columna_);
}

bool TSQLField::isNull() const {
  valor();  // the same error as the readers at eof
  return PQgetisnull(consulta_->resultado_.get(), consulta_->fila_, columna_) != 0;
}

std::string TSQLField::asString() const {
  const char* v = valor();
  const int largo = PQgetlength(consulta_->resultado_.get(), consulta_->fila_, columna_);
  return std::string(v, static_cast<size_t>(largo));
}

int32_t TSQLField::asInteger() const {
  if (isNull()) return 0;
  const std::string texto = asString();
  int32_t v = 0;
  if (LeerEntero(texto, v)) return v;
  const Oid tipo = PQftype(consulta_->resultado_.get(), columna_);
  double x = 0;
  if ((tipo == kOidFloat4 || tipo == kOidFloat8 || tipo == kOidNumeric) && LeerReal(texto, x) &&
      x >= -2147483648.5 && x < 2147483647.5) {
    return Round32(x);
  }
  NoEsEntero(texto);
}

double TSQLField::asFloat() const {
  if (isNull()) return 0.0;
  const std::string texto = asString();
  double x = 0;
  if (!LeerReal(texto, x)) throw EConvertError("\"" + texto + "\" no es un número real válido");
  return x;
}

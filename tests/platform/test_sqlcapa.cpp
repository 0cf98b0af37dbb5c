// The connection layer over libpq: the connection file, the cursor and its fields, the
// transaction, and the values written into SQL text.
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "comun/afirmaciones.h"
#include "comun/basededatos.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "platform/sqlconexion.h"
#include "platform/sqlconsulta.h"
#include "platform/sqlvalores.h"

namespace fs = std::filesystem;
using pruebas_bd::ConServidor;
using pruebas_bd::Entorno;

namespace {

// Puts the format settings back as they were, whatever a test did to them.
class AjustesGuardados {
 public:
  AjustesGuardados() : antes_(FormatSettings()) {}
  ~AjustesGuardados() { FormatSettings() = antes_; }

 private:
  TFormatSettings antes_;
};

// The C library's numbers in Spanish (decimal comma) while it lives, as under Qt, which sets
// the process locale to the user's: a conversion that reads the C locale would show it.
class LocaleConComa {
 public:
  LocaleConComa() { std::setlocale(LC_NUMERIC, "es_ES.UTF-8"); }
  ~LocaleConComa() { std::setlocale(LC_NUMERIC, "C"); }
};

TParametrosConexion ParametrosDelEntorno() {
  return {Entorno("PGHOST"), Entorno("PGDATABASE"), Entorno("PGUSER"), Entorno("PGPASSWORD")};
}

using pruebas_bd::EstadoDeSesion;

// ---------------------------------------------------------------------------------------------
// The connection file (no server needed)

TEST(ArchivoConexion, LineasTomadasEnteras) {
  struct Caso {
    const char* nombre;
    std::string bytes;
    TParametrosConexion esperado;
  };
  const std::vector<Caso> casos = {
      {"LF", "srv\nplantas\nana\nclave\n", {"srv", "plantas", "ana", "clave"}},
      // Written on Windows: no "\r" may stay at the end of a value.
      {"CRLF", "srv\r\nplantas\r\nana\r\nclave\r\n", {"srv", "plantas", "ana", "clave"}},
      {"CR", "srv\rplantas\rana\rclave", {"srv", "plantas", "ana", "clave"}},
      {"sin fin de línea", "srv\nplantas\nana\nclave", {"srv", "plantas", "ana", "clave"}},
      // Blanks are part of the values: no trimming.
      {"blancos", " srv\nplantas \nana\npw \n", {" srv", "plantas ", "ana", "pw "}},
      {"tres líneas", "srv\nplantas\nana\n", {"srv", "plantas", "ana", ""}},
      {"una línea", "srv", {"srv", "", "", ""}},
      {"vacío", "", {"", "", "", ""}},
      {"líneas de más", "a\nb\nc\nd\ne\nf\n", {"a", "b", "c", "d"}},
      {"línea vacía en medio", "srv\n\nana\nx\n", {"srv", "", "ana", "x"}},
      {"comillas y =", "h\ndbname=x host=y\nu\n' \\\n", {"h", "dbname=x host=y", "u", "' \\"}},
  };
  const fs::path p = fs::temp_directory_path() / pruebas_bd::NombreUnico("aeronda-conexion");
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    pruebas_bd::EscribirBytes(p, c.bytes);
    std::optional<TParametrosConexion> leido = LeerArchivoConexion(p);
    ASSERT_TRUE(leido.has_value());
    EXPECT_EQ(leido->host, c.esperado.host);
    EXPECT_EQ(leido->baseDeDatos, c.esperado.baseDeDatos);
    EXPECT_EQ(leido->usuario, c.esperado.usuario);
    EXPECT_EQ(leido->clave, c.esperado.clave);
  }
  fs::remove(p);
  EXPECT_FALSE(LeerArchivoConexion(p).has_value()) << "un archivo que no existe no es un error";
}

TEST(ArchivoConexion, UnByteNuloEsUnErrorQueNombraElArchivo) {
  // libpq would take the value up to the NUL byte: "clave" would reach it as "cl".
  const fs::path p = fs::temp_directory_path() / pruebas_bd::NombreUnico("aeronda-nulo");
  for (int linea = 1; linea <= 4; ++linea) {
    std::string bytes;
    for (int i = 1; i <= 4; ++i) bytes += (i == linea ? std::string("cl\0ave", 6) : "x") + "\r\n";
    pruebas_bd::EscribirBytes(p, bytes);
    SCOPED_TRACE(linea);
    try {
      LeerArchivoConexion(p);
      ADD_FAILURE() << "sin error";
    } catch (const EInOutError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Error leyendo línea: " + IntToStr(linea) + " del archivo: " + p.string());
      EXPECT_EQ(e.Ruta(), p);
    }
  }
  // After the fourth line nothing is read, a NUL byte included.
  pruebas_bd::EscribirBytes(p, std::string("a\nb\nc\nd\n\0\n", 10));
  EXPECT_EQ(LeerArchivoConexion(p)->clave, "d");
  fs::remove(p);
}

TEST(ArchivoConexion, UnaCarpetaNoSeLeeComoArchivo) {
  const fs::path d = fs::temp_directory_path() / pruebas_bd::NombreUnico("aeronda-carpeta");
  fs::create_directories(d);
  EXPECT_THROW(LeerArchivoConexion(d), EInOutError);
  fs::remove_all(d);
}

// ---------------------------------------------------------------------------------------------
// Values in SQL text (no server needed)

TEST(ValoresSQL, EnterosEnDecimal) {
  EXPECT_EQ(SQLEntero(0), "0");
  EXPECT_EQ(SQLEntero(-17), "-17");
  EXPECT_EQ(SQLEntero(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(SQLEntero(std::numeric_limits<int64_t>::max()), "9223372036854775807");
}

TEST(ValoresSQL, RealesConPuntoCualquieraSeaElFormato) {
  struct Caso {
    double x;
    const char* texto;
  };
  // The general float text: shortest form of up to 15 significant digits, exponent only when
  // the plain form would need it.
  const Caso casos[] = {
      {0.0, "0"},
      {9.9, "9.9"},
      {-0.035, "-0.035"},
      {1.0 / 3.0, "0.333333333333333"},
      {1234567.25, "1234567.25"},
      {1e-8, "1E-8"},
      {1.5e20, "1.5E20"},
      {-1.25e-7, "-1.25E-7"},
  };
  AjustesGuardados guardados;
  TFormatSettings raro = FormatSettings();
  for (auto [miles, decimal] : std::initializer_list<std::pair<char, char>>{
           {',', '.'}, {'.', ','}, {'E', '-'}, {'1', '|'}}) {
    raro.ThousandSeparator = miles;
    raro.DecimalSeparator = decimal;
    FormatSettings() = raro;
    for (const Caso& c : casos) {
      SCOPED_TRACE(std::string("separador ") + decimal + " valor " + c.texto);
      EXPECT_EQ(SQLReal(c.x), c.texto);
      EXPECT_EQ(FormatSettings().DecimalSeparator, decimal) << "los ajustes vuelven como estaban";
      EXPECT_EQ(FormatSettings().ThousandSeparator, miles);
    }
  }
}

TEST(ValoresSQL, RealesNoFinitosRechazadosAntesDeEnviar) {
  EXPECT_THROW_MSG(SQLReal(std::nan("")), EErrorGeneral, "Valor real no válido para SQL: Nan");
  EXPECT_THROW_MSG(SQLReal(std::numeric_limits<double>::infinity()), EErrorGeneral,
                   "Valor real no válido para SQL: +Inf");
  EXPECT_THROW_MSG(SQLReal(-std::numeric_limits<double>::infinity()), EErrorGeneral,
                   "Valor real no válido para SQL: -Inf");
}

// ---------------------------------------------------------------------------------------------
// Against the server

class BaseDeDatosCapa : public ConServidor {
 protected:
  void SetUp() override {
    ConServidor::SetUp();
    if (IsSkipped()) return;
    con_ = std::make_unique<TPQConnection>(ParametrosDelEntorno());
    t_ = esquema() + ".t";
    // A column created quoted with capitals, and the real-typed columns the server writes in
    // its own forms ("50.000", "1e-05").
    sesion().Ejecutar("CREATE TABLE " + t_ +
                      " (nid serial PRIMARY KEY, nombre text, valor double precision, "
                      "\"curva_P\" text, cuenta integer, importe numeric(10,3))");
    sesion().Ejecutar("INSERT INTO " + t_ +
                      " (nombre, valor, \"curva_P\", cuenta, importe) VALUES "
                      "('uno', 1.5, '[1|2]', 7, 50), "
                      "(NULL, NULL, NULL, NULL, NULL), "
                      "('tres', 0.00001, 'x', -3, 2.5), "
                      "('cuatro', -1e300, '', 2147483647, 3.5)");
  }
  void TearDown() override {
    con_.reset();  // its open transaction would hold up the schema's removal
    ConServidor::TearDown();
  }
  std::unique_ptr<TPQConnection> con_;
  std::string t_;
};

TEST_F(BaseDeDatosCapa, FilasYCamposPorNombreSinMayusculasOPorPosicion) {
  auto q = con_->Consultar("SELECT nombre, valor, \"curva_P\", cuenta, importe FROM " + t_ +
                           " ORDER BY nid");
  ASSERT_EQ(q->recordCount(), 4);
  ASSERT_EQ(q->fieldCount(), 5);
  ASSERT_FALSE(q->eof());
  EXPECT_EQ(q->field("NOMBRE").asString(), "uno");
  EXPECT_EQ(q->field("Nombre").name(), "nombre");
  // Found by curva_P, curva_p or CURVA_P: the result's own name is compared without case.
  for (const char* n : {"curva_P", "curva_p", "CURVA_P"})
    EXPECT_EQ(q->field(n).asString(), "[1|2]");
  EXPECT_EQ(q->field(1).asFloat(), 1.5);
  EXPECT_EQ(q->field("cuenta").asInteger(), 7);
  EXPECT_EQ(q->field("importe").asString(), "50.000");
  EXPECT_EQ(q->field("importe").asFloat(), 50.0);
  EXPECT_EQ(q->field("importe").asInteger(), 50);

  // A field object follows the cursor, as a dataset's field did.
  const TSQLField nombre = q->field("nombre");
  q->next();
  for (const char* n : {"nombre", "valor", "curva_P", "cuenta", "importe"}) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(q->field(n).isNull());
    EXPECT_EQ(q->field(n).asString(), "");
    EXPECT_EQ(q->field(n).asInteger(), 0);
    EXPECT_EQ(q->field(n).asFloat(), 0.0);
  }
  q->next();
  EXPECT_EQ(nombre.asString(), "tres");
  EXPECT_FALSE(nombre.isNull());
  EXPECT_EQ(q->field("valor").asString(), "1e-05");
  EXPECT_EQ(q->field("valor").asFloat(), 0.00001);
  EXPECT_EQ(q->field("cuenta").asInteger(), -3);
  // numeric 2.500 asked for as a whole number: half to even, as the dataset layer rounded.
  EXPECT_EQ(q->field("importe").asInteger(), 2);
  q->next();
  EXPECT_EQ(q->field("valor").asFloat(), -1e300);
  EXPECT_EQ(q->field("cuenta").asInteger(), 2147483647);
  EXPECT_EQ(q->field("importe").asInteger(), 4);  // 3.500 -> 4
  EXPECT_EQ(q->field("curva_P").asString(), "");
  EXPECT_FALSE(q->field("curva_P").isNull()) << "'' no es NULL";
  q->next();
  EXPECT_TRUE(q->eof());
  q->next();
  EXPECT_TRUE(q->eof()) << "next en eof se queda en eof";
  q->first();
  EXPECT_EQ(nombre.asString(), "uno");
}

TEST_F(BaseDeDatosCapa, CampoSinFilaActualOInexistenteLanza) {
  // An empty result starts at eof: reading it must fail, not give 0 / "" (that would build a
  // model for plant 0 and insert its row).
  auto vacio = con_->Consultar("SELECT * FROM " + t_ + " WHERE nid = -1");
  EXPECT_TRUE(vacio->eof());
  EXPECT_EQ(vacio->recordCount(), 0);
  EXPECT_THROW_MSG(vacio->field("nid").asInteger(), EErrorGeneral,
                   "La consulta no tiene fila actual para leer el campo: nid");
  EXPECT_THROW_MSG(vacio->field("NOMBRE").asString(), EErrorGeneral,
                   "La consulta no tiene fila actual para leer el campo: nombre");
  EXPECT_THROW_MSG(vacio->field(2).isNull(), EErrorGeneral,
                   "La consulta no tiene fila actual para leer el campo: valor");

  auto q = con_->Consultar("SELECT nid FROM " + t_);
  while (!q->eof()) q->next();
  EXPECT_THROW_MSG(q->field("nid").asFloat(), EErrorGeneral,
                   "La consulta no tiene fila actual para leer el campo: nid");
  EXPECT_THROW_MSG(q->field("nido"), EErrorGeneral, "Campo no encontrado: nido");
  EXPECT_THROW_MSG(q->field(1), EErrorGeneral, "Campo fuera de rango: 1");
  EXPECT_THROW_MSG(q->field(-1), EErrorGeneral, "Campo fuera de rango: -1");
  EXPECT_EQ(q->findField("NID"), 0);
  EXPECT_EQ(q->findField("ni"), -1);
}

TEST_F(BaseDeDatosCapa, NumerosDelServidorSinLocaleYTextosQueNoLoSon) {
  AjustesGuardados guardados;
  LocaleConComa locale;
  TFormatSettings coma = FormatoDeLocale("es_ES.UTF-8");
  FormatSettings() = coma;  // a user with a decimal comma
  auto q = con_->Consultar(
      "SELECT 1.5::float8 AS a, '0.1'::numeric AS b, 'NaN'::float8 AS c, "
      "'-Infinity'::float8 AS d, ' 12 '::text AS e, '1,5'::text AS f, '12.0'::text AS g, "
      "'abc'::text AS h, 3000000000::int8 AS i, 2147483647.5::numeric AS j, "
      "'+-5'::text AS k, '+7'::text AS l");
  EXPECT_EQ(q->field("a").asFloat(), 1.5);
  EXPECT_EQ(q->field("b").asFloat(), 0.1);
  EXPECT_TRUE(std::isnan(q->field("c").asFloat()));
  EXPECT_EQ(q->field("d").asFloat(), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(q->field("e").asInteger(), 12);
  EXPECT_EQ(q->field("e").asFloat(), 12.0);
  EXPECT_THROW_MSG(q->field("f").asFloat(), EConvertError, "\"1,5\" no es un número real válido");
  // A text column is no real-typed column: "12.0" is no whole number there.
  EXPECT_THROW_MSG(q->field("g").asInteger(), EConvertError,
                   "\"12.0\" no es un número entero válido");
  EXPECT_THROW_MSG(q->field("h").asInteger(), EConvertError,
                   "\"abc\" no es un número entero válido");
  EXPECT_THROW_MSG(q->field("i").asInteger(), EConvertError,
                   "\"3000000000\" no es un número entero válido");
  EXPECT_THROW_MSG(q->field("j").asInteger(), EConvertError,
                   "\"2147483647.5\" no es un número entero válido");
  EXPECT_THROW_MSG(q->field("c").asInteger(), EConvertError,
                   "\"NaN\" no es un número entero válido");
  // One sign at most, as for the reals.
  EXPECT_THROW_MSG(q->field("k").asInteger(), EConvertError,
                   "\"+-5\" no es un número entero válido");
  EXPECT_THROW_MSG(q->field("k").asFloat(), EConvertError, "\"+-5\" no es un número real válido");
  EXPECT_EQ(q->field("l").asInteger(), 7);
}

TEST_F(BaseDeDatosCapa, EjecutarConfirmaYDevuelveFilasAfectadas) {
  EXPECT_EQ(con_->Ejecutar("UPDATE " + t_ + " SET cuenta = 0 WHERE nid = -1"), 0);
  EXPECT_FALSE(con_->EnTransaccion());
  EXPECT_EQ(con_->Ejecutar("UPDATE " + t_ + " SET cuenta = 99 WHERE nombre IS NOT NULL"), 3);
  EXPECT_EQ(sesion().Valor("SELECT count(*) FROM " + t_ + " WHERE cuenta = 99"), "3");
  EXPECT_EQ(con_->Ejecutar("DELETE FROM " + t_ + " WHERE nombre IS NULL"), 1);
  EXPECT_EQ(sesion().Valor("SELECT count(*) FROM " + t_), "3");
  EXPECT_EQ(con_->Ejecutar("INSERT INTO " + t_ + " (nombre) VALUES ('cinco'), ('seis')"), 2);
  EXPECT_EQ(sesion().Valor("SELECT count(*) FROM " + t_), "5");
}

// Outside a unit of work nothing waits for a later commit: a write through Consultar is
// visible to others at once, as one through Ejecutar, and closing the connection keeps it.
TEST_F(BaseDeDatosCapa, FueraDeUnaUnidadCadaSentenciaSeConfirmaSola) {
  auto q = con_->Consultar("INSERT INTO " + t_ + " (nombre) VALUES ('escrito') RETURNING nid");
  EXPECT_FALSE(con_->EnTransaccion());
  EXPECT_EQ(sesion().Valor("SELECT count(*) FROM " + t_ + " WHERE nombre = 'escrito'"), "1");
  EXPECT_EQ(con_->Ejecutar("UPDATE " + t_ + " SET cuenta = 0 WHERE false"), 0);
  // The rows of a query stay readable after later statements.
  EXPECT_GT(q->field("nid").asInteger(), 4);
  con_.reset();
  EXPECT_EQ(sesion().Valor("SELECT count(*) FROM " + t_ + " WHERE nombre = 'escrito'"), "1");
}

TEST_F(BaseDeDatosCapa, UnErrorNoDejaLaSesionInutilizable) {
  // Without a rollback PostgreSQL would refuse everything after the error: "current
  // transaction is aborted, commands ignored until end of transaction block".
  const std::string mala = "SELECT no_existe FROM " + t_;
  try {
    con_->Consultar(mala);
    ADD_FAILURE() << "no lanzó";
  } catch (const EErrorGeneral& e) {
    const std::string m = e.what();
    EXPECT_EQ(m.rfind("Error de SQL: ", 0), 0u) << m;
    EXPECT_NE(m.find("no_existe"), std::string::npos) << m;
    EXPECT_EQ(m.substr(m.size() - mala.size() - 2), "(" + mala + ")") << m;
    EXPECT_EQ(m.find('\n'), std::string::npos) << "sin salto de línea final: " << m;
  }
  EXPECT_FALSE(con_->EnTransaccion());
  EXPECT_EQ(con_->Consultar("SELECT count(*) FROM " + t_)->field(0).asInteger(), 4);

  EXPECT_THROW(con_->Ejecutar("UPDATE " + t_ + " SET cuenta = 'x'"), EErrorGeneral);
  EXPECT_EQ(con_->Ejecutar("UPDATE " + t_ + " SET cuenta = 1 WHERE nid = 1"), 1);
  EXPECT_EQ(sesion().Valor("SELECT cuenta FROM " + t_ + " WHERE nid = 1"), "1");

  // A failed commit (a deferred constraint) ends the transaction too.
  sesion().Ejecutar("CREATE TABLE " + esquema() +
                    ".u (k integer UNIQUE DEFERRABLE INITIALLY DEFERRED)");
  EXPECT_THROW(con_->Ejecutar("INSERT INTO " + esquema() + ".u VALUES (1), (1)"), EErrorGeneral);
  EXPECT_FALSE(con_->EnTransaccion());
  EXPECT_EQ(con_->Ejecutar("INSERT INTO " + esquema() + ".u VALUES (1)"), 1);
}

// A unit of work commits its statements together, and a failure anywhere in it leaves the
// database as it was before the unit: what ran before the failure goes too.
TEST_F(BaseDeDatosCapa, UnidadDeTrabajoEnteraONada) {
  auto cuenta = [&](const std::string& nombre) {
    return sesion().Valor("SELECT count(*) FROM " + t_ + " WHERE nombre = '" + nombre + "'");
  };
  // What was pending before the unit opened is committed then, not rolled back with it.
  con_->Consultar("INSERT INTO " + t_ + " (nombre) VALUES ('previo')");
  {
    TTransaccionSQL unidad(*con_);
    EXPECT_EQ(cuenta("previo"), "1");
    EXPECT_EQ(con_->Ejecutar("INSERT INTO " + t_ + " (nombre) VALUES ('a')"), 1);
    {
      TTransaccionSQL interna(*con_);  // joins the outer one
      con_->Ejecutar("INSERT INTO " + t_ + " (nombre) VALUES ('b')");
      interna.Confirmar();
    }
    EXPECT_EQ(cuenta("a"), "0") << "nothing commits before the unit is confirmed";
    EXPECT_EQ(cuenta("b"), "0");
    unidad.Confirmar();
  }
  EXPECT_EQ(cuenta("a"), "1");
  EXPECT_EQ(cuenta("b"), "1");
  EXPECT_FALSE(con_->EnTransaccion());

  // An exception out of the unit rolls back every statement of it.
  try {
    TTransaccionSQL unidad(*con_);
    con_->Ejecutar("INSERT INTO " + t_ + " (nombre) VALUES ('c')");
    throw EErrorGeneral("fallo en medio");
  } catch (const EErrorGeneral&) {
  }
  EXPECT_EQ(cuenta("c"), "0");

  // A failed statement caught inside the unit: the rest of the unit cannot commit half of it.
  {
    TTransaccionSQL unidad(*con_);
    con_->Ejecutar("INSERT INTO " + t_ + " (nombre) VALUES ('d')");
    EXPECT_THROW(con_->Ejecutar("UPDATE " + t_ + " SET cuenta = 'x'"), EErrorGeneral);
    EXPECT_THROW_MSG(con_->Ejecutar("INSERT INTO " + t_ + " (nombre) VALUES ('e')"), EErrorGeneral,
                     "Error de SQL: la transacción fue deshecha por un error anterior (INSERT "
                     "INTO " +
                         t_ + " (nombre) VALUES ('e'))");
    EXPECT_THROW_MSG(unidad.Confirmar(), EErrorGeneral,
                     "Error de SQL: la transacción fue deshecha por un error anterior");
  }
  EXPECT_EQ(cuenta("d"), "0");
  EXPECT_EQ(cuenta("e"), "0");
  // An inner unit left without confirming takes the outer one with it.
  {
    TTransaccionSQL unidad(*con_);
    con_->Ejecutar("INSERT INTO " + t_ + " (nombre) VALUES ('f')");
    { TTransaccionSQL interna(*con_); }
    EXPECT_THROW(unidad.Confirmar(), EErrorGeneral);
  }
  EXPECT_EQ(cuenta("f"), "0");
  // The connection works as before once the unit is over.
  EXPECT_EQ(con_->Ejecutar("INSERT INTO " + t_ + " (nombre) VALUES ('g')"), 1);
  EXPECT_EQ(cuenta("g"), "1");
  EXPECT_FALSE(con_->EnUnidad());
}

TEST_F(BaseDeDatosCapa, UnaSolaSentenciaPorLlamada) {
  EXPECT_EQ(con_->Consultar("SELECT 1 ; ")->field(0).asInteger(), 1);
  EXPECT_THROW(con_->Consultar("SELECT 1; DELETE FROM " + t_), EErrorGeneral);
  EXPECT_THROW_MSG(con_->Consultar(""), EErrorGeneral, "Error de SQL: sentencia vacía ()");
  EXPECT_EQ(sesion().Valor("SELECT count(*) FROM " + t_), "4");
}

TEST_F(BaseDeDatosCapa, TextosComoLiteralesEscapados) {
  EXPECT_EQ(SQLTexto(*con_, "T"), "'T'") << "una letra sale como entre comillas simples";
  EXPECT_EQ(SQLTexto(*con_, "O'Brien"), "'O''Brien'");
  const std::vector<std::string> textos = {
      "O'Brien", "a\\b", "''", "\\'", "x'); DELETE FROM " + t_ + "; --", "Ñandú ó €", "", "?"};
  for (const std::string& s : textos) {
    SCOPED_TRACE(s);
    EXPECT_EQ(
        con_->Ejecutar("UPDATE " + t_ + " SET nombre = " + SQLTexto(*con_, s) + " WHERE nid = 1"),
        1);
    EXPECT_EQ(
        con_->Consultar("SELECT nombre FROM " + t_ + " WHERE nid = 1")->field("nombre").asString(),
        s);
  }
  EXPECT_EQ(sesion().Valor("SELECT count(*) FROM " + t_), "4");
  EXPECT_THROW_MSG(SQLTexto(*con_, std::string("a\0b", 3)), EErrorGeneral,
                   "Texto no válido para SQL: contiene un carácter nulo");
  EXPECT_THROW(SQLTexto(*con_, "\xC3"), EErrorGeneral) << "UTF-8 incompleto";
}

TEST_F(BaseDeDatosCapa, RealesEscritosLosLeeElServidor) {
  // The server's own parser is the judge: each text must be read back as the value to 15
  // significant digits. Values spread over many magnitudes, both signs, a fixed seed.
  std::mt19937_64 azar(20161101);
  std::uniform_real_distribution<double> mantisa(1.0, 10.0);
  std::uniform_int_distribution<int> exponente(-30, 30);
  std::vector<double> valores = {0.0, 1.0, -1.0, 0.1, 9.9, 1e-8, 1.5e20, 123456789012345.0};
  for (int i = 0; i < 200; ++i) {
    double x = mantisa(azar) * std::pow(10.0, exponente(azar));
    valores.push_back(i % 2 ? -x : x);
  }
  AjustesGuardados guardados;
  LocaleConComa locale;
  FormatSettings() = FormatoDeLocale("es_ES.UTF-8");
  std::string sql = "SELECT v FROM (VALUES ";
  for (size_t i = 0; i < valores.size(); ++i) {
    sql += (i ? ", (" : "(") + SQLEntero(static_cast<int64_t>(i)) + ", " + SQLReal(valores[i]) +
           "::float8)";
  }
  sql += ") AS x(i, v) ORDER BY i";
  auto q = con_->Consultar(sql);
  ASSERT_EQ(q->recordCount(), static_cast<int>(valores.size()));
  for (double x : valores) {
    const double leido = q->field("v").asFloat();
    EXPECT_LE(std::abs(leido - x), 5e-15 * std::abs(x)) << SQLReal(x);
    q->next();
  }
}

TEST_F(BaseDeDatosCapa, UnaSesionTerminadaSeReabre) {
  con_->Consultar("SELECT 1");
  sesion().Ejecutar("SELECT pg_terminate_backend(" + SQLEntero(PQbackendPID(con_->Nativa())) +
                    ", 5000)");  // waits for it to end
  // The statement that meets the ended session fails; the next one connects again.
  EXPECT_THROW(con_->Consultar("SELECT 1"), EErrorGeneral);
  EXPECT_EQ(con_->Consultar("SELECT 2")->field(0).asInteger(), 2);
  EXPECT_EQ(con_->Ejecutar("UPDATE " + t_ + " SET cuenta = 5 WHERE nid = 1"), 1);
  EXPECT_EQ(sesion().Valor("SELECT cuenta FROM " + t_ + " WHERE nid = 1"), "5");
}

// Between commands outside a unit of work the session is idle, not idle in a transaction: an
// open transaction would keep the lock of every table read (the administrator's ALTER TABLE
// would wait behind the window, and every other reader of the table behind the ALTER) and hold
// back the server's vacuum for as long as the window sits there.
TEST_F(BaseDeDatosCapa, FueraDeUnaUnidadLaSesionQuedaOciosa) {
  const int pid = PQbackendPID(con_->Nativa());
  auto q = con_->Consultar("SELECT nid FROM " + t_ + " ORDER BY nid");
  EXPECT_FALSE(con_->EnTransaccion());
  EXPECT_EQ(EstadoDeSesion(sesion(), pid, "idle"), "idle") << "tras una lectura";
  sesion().Ejecutar("SET lock_timeout = '2s'");
  sesion().Ejecutar("ALTER TABLE " + t_ + " ADD COLUMN extra integer");  // fails if it waits
  sesion().Ejecutar("SET lock_timeout = '20s'");
  EXPECT_EQ(q->field("nid").asInteger(), 1) << "the rows stay on the client";

  EXPECT_THROW(con_->Consultar("SELECT no_existe FROM " + t_), EErrorGeneral);
  EXPECT_EQ(EstadoDeSesion(sesion(), pid, "idle"), "idle") << "tras una lectura que falla";
  EXPECT_EQ(con_->Ejecutar("UPDATE " + t_ + " SET cuenta = 8 WHERE nid = 1"), 1);
  EXPECT_EQ(EstadoDeSesion(sesion(), pid, "idle"), "idle") << "tras una escritura";

  // A unit keeps its one transaction across its statements, reads included, and its rollback
  // takes back what it wrote.
  {
    TTransaccionSQL unidad(*con_);
    con_->Ejecutar("UPDATE " + t_ + " SET nombre = 'dentro' WHERE nid = 1");
    EXPECT_EQ(con_->Consultar("SELECT nombre FROM " + t_ + " WHERE nid = 1")->field(0).asString(),
              "dentro");
    EXPECT_TRUE(con_->EnTransaccion());
    EXPECT_EQ(EstadoDeSesion(sesion(), pid, "idle in transaction"), "idle in transaction");
    EXPECT_EQ(sesion().Valor("SELECT nombre FROM " + t_ + " WHERE nid = 1"), "uno");
  }
  EXPECT_EQ(EstadoDeSesion(sesion(), pid, "idle"), "idle") << "tras deshacer la unidad";
  EXPECT_EQ(sesion().Valor("SELECT nombre FROM " + t_ + " WHERE nid = 1"), "uno");
  {
    TTransaccionSQL unidad(*con_);
    con_->Consultar("SELECT count(*) FROM " + t_);
    con_->Ejecutar("UPDATE " + t_ + " SET nombre = 'confirmado' WHERE nid = 1");
    unidad.Confirmar();
  }
  EXPECT_EQ(EstadoDeSesion(sesion(), pid, "idle"), "idle") << "tras confirmar la unidad";
  EXPECT_EQ(sesion().Valor("SELECT nombre FROM " + t_ + " WHERE nid = 1"), "confirmado");
}

// The session ends in the middle of a unit: what the unit wrote went with it, so nothing of
// the unit may run or commit afterwards; once the unit is over the connection opens again.
TEST_F(BaseDeDatosCapa, UnaUnidadNoSobreviveASuSesion) {
  {
    TTransaccionSQL unidad(*con_);
    con_->Ejecutar("UPDATE " + t_ + " SET nombre = 'perdido' WHERE nid = 1");
    sesion().Ejecutar("SELECT pg_terminate_backend(" + SQLEntero(PQbackendPID(con_->Nativa())) +
                      ", 5000)");
    EXPECT_THROW(con_->Ejecutar("UPDATE " + t_ + " SET cuenta = 1 WHERE nid = 2"), EErrorGeneral);
    const std::string sql = "UPDATE " + t_ + " SET cuenta = 1 WHERE nid = 3";
    EXPECT_THROW_MSG(
        con_->Ejecutar(sql), EErrorGeneral,
        "Error de SQL: la transacción fue deshecha por un error anterior (" + sql + ")");
    EXPECT_THROW_MSG(unidad.Confirmar(), EErrorGeneral,
                     "Error de SQL: la transacción fue deshecha por un error anterior");
  }
  EXPECT_EQ(con_->Consultar("SELECT nombre FROM " + t_ + " WHERE nid = 1")->field(0).asString(),
            "uno");
  EXPECT_EQ(sesion().Valor("SELECT count(*) FROM " + t_ + " WHERE cuenta = 1"), "0");
  EXPECT_EQ(EstadoDeSesion(sesion(), PQbackendPID(con_->Nativa()), "idle"), "idle");
}

TEST_F(BaseDeDatosCapa, ConexionEnUTF8YConEsperaLimitada) {
  bool espera = false;
  PQconninfoOption* opciones = PQconninfo(con_->Nativa());
  for (PQconninfoOption* o = opciones; o->keyword != nullptr; ++o) {
    if (std::string(o->keyword) == "connect_timeout") {
      espera = true;
      EXPECT_STREQ(o->val, "10");
    }
  }
  PQconninfoFree(opciones);
  EXPECT_TRUE(espera);
  EXPECT_STREQ(PQparameterStatus(con_->Nativa(), "client_encoding"), "UTF8");
  EXPECT_EQ(con_->Consultar("SELECT 'Ñandú'::text")->field(0).asString(),
            "\xC3\x91"
            "and\xC3\xBA");
}

}  // namespace

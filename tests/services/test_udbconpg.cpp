// TDBPQCon against the server: creation from the connection file, the single-value operations,
// nextval, and the plant tables the schema fixture loads.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "comun/afirmaciones.h"
#include "comun/basededatos.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "platform/sqlvalores.h"
#include "services/udbconpg.h"

namespace fs = std::filesystem;
using pruebas_bd::ConServidor;
using pruebas_bd::Entorno;
using pruebas_bd::LineasConexion;

namespace {

const std::string kSinConexion = "No se pudo conectar con la base de datos: ";

TEST(ConexionPlantas, SinArchivoNoHayObjetoNiError) {
  const fs::path p = fs::temp_directory_path() / pruebas_bd::NombreUnico("aeronda-no-existe");
  std::unique_ptr<TDBPQCon> con;
  EXPECT_NO_THROW(con = TDBPQCon::Create(p));
  EXPECT_EQ(con, nullptr);
  EXPECT_STREQ(kArchivoConexion, "condb_rbtdata.dat");
}

// ---------------------------------------------------------------------------------------------

class BaseDeDatosCreacion : public ConServidor {
 protected:
  void SetUp() override {
    ConServidor::SetUp();
    if (IsSkipped()) return;
    // A role whose password ends in a blank: the file's line must reach the server whole.
    rol_ = pruebas_bd::NombreUnico("rol");
    sesion().Ejecutar("CREATE ROLE " + rol_ + " LOGIN PASSWORD 'pw '");
  }
  void TearDown() override {
    if (!rol_.empty()) sesion().Ejecutar("DROP ROLE IF EXISTS " + rol_);
    ConServidor::TearDown();
  }
  // Writes the file and creates the connection; the error text when it fails.
  std::optional<std::string> Conectar(const std::string& bytes) {
    const fs::path p = carpeta() / kArchivoConexion;
    pruebas_bd::EscribirBytes(p, bytes);
    try {
      std::unique_ptr<TDBPQCon> con = TDBPQCon::Create(p);
      if (con == nullptr) return "sin objeto";
      if (con->funcI("SELECT 1", -1) != 1) return "no responde";
      return std::nullopt;
    } catch (const EErrorGeneral& e) {
      return std::string(e.what());
    }
  }
  std::string rol_;
};

TEST_F(BaseDeDatosCreacion, ConectaDesdeElArchivo) {
  const std::string h = Entorno("PGHOST"), d = Entorno("PGDATABASE");
  struct Caso {
    const char* nombre;
    std::string bytes;
  };
  const std::vector<Caso> casos = {
      {"LF", LineasConexion("\n")},
      {"CRLF", LineasConexion("\r\n")},
      {"CR", LineasConexion("\r")},
      // No fourth line: an empty password counts as unset, and libpq takes PGPASSWORD.
      {"tres líneas", h + "\n" + d + "\n" + Entorno("PGUSER") + "\n"},
      {"clave con blanco final", h + "\r\n" + d + "\r\n" + rol_ + "\r\npw \r\n"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(Conectar(c.bytes), std::nullopt);
  }
}

TEST_F(BaseDeDatosCreacion, FallosDeConexionConMensajeClaro) {
  const std::string h = Entorno("PGHOST"), d = Entorno("PGDATABASE");
  struct Caso {
    const char* nombre;
    std::string bytes;
    std::string fragmento;  // part of the server's or libpq's message
  };
  const std::vector<Caso> casos = {
      {"clave errónea", h + "\n" + d + "\n" + rol_ + "\nno es\n", "\"" + rol_ + "\""},
      // The blank at the end is part of the password: without it the login is refused.
      {"clave sin su blanco", h + "\n" + d + "\n" + rol_ + "\npw\n", "\"" + rol_ + "\""},
      // The database name is a name, never a conninfo text.
      {"nombre con =", h + "\ndbname=" + d + " host=" + h + "\n" + rol_ + "\npw \n",
       "\"dbname=" + d + " host=" + h + "\""},
      {"servidor inexistente", "nohay.invalid\n" + d + "\n" + rol_ + "\npw \n", "nohay.invalid"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::optional<std::string> error = Conectar(c.bytes);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->rfind(kSinConexion, 0), 0u) << *error;
    EXPECT_NE(error->find(c.fragmento), std::string::npos) << *error;
    EXPECT_EQ(error->find('\n'), std::string::npos) << *error;
  }
}

// ---------------------------------------------------------------------------------------------

class BaseDeDatosOperaciones : public ConServidor {
 protected:
  void SetUp() override {
    ConServidor::SetUp();
    if (IsSkipped()) return;
    const fs::path p = carpeta() / kArchivoConexion;
    pruebas_bd::EscribirBytes(p, LineasConexion("\r\n"));
    con_ = TDBPQCon::Create(p);
    ASSERT_NE(con_, nullptr);
    t_ = esquema() + ".t";
    sesion().Ejecutar("CREATE TABLE " + t_ +
                      " (nid serial PRIMARY KEY, nombre text, valor double precision, "
                      "momento timestamp, zona text)");
    sesion().Ejecutar("INSERT INTO " + t_ +
                      " (nombre, valor, momento, zona) VALUES "
                      "('uno', 1.5, '2016-11-01 07:00:00', 'H'), "
                      "(NULL, NULL, NULL, NULL), "
                      "('tres', -0.035, '1899-12-30 00:00:00', '?')");
  }
  void TearDown() override {
    con_.reset();
    ConServidor::TearDown();
  }
  std::string Donde(int nid) const { return " FROM " + t_ + " WHERE nid = " + SQLEntero(nid); }
  std::unique_ptr<TDBPQCon> con_;
  std::string t_;
};

TEST_F(BaseDeDatosOperaciones, FuncConYSinFila) {
  EXPECT_EQ(con_->func("SELECT nombre" + Donde(1), "def"), "uno");
  EXPECT_EQ(con_->func("SELECT nombre" + Donde(2), "def"), "") << "NULL da texto vacío";
  EXPECT_EQ(con_->func("SELECT nombre" + Donde(9), " def "), " def ") << "sin fila: el defecto";
  EXPECT_EQ(con_->func("SELECT nombre, nid FROM " + t_ + " ORDER BY nid DESC", ""), "tres");
  EXPECT_EQ(con_->funcS("SELECT nombre" + Donde(3), "x"), "tres");
  EXPECT_EQ(con_->funcS("SELECT nombre" + Donde(9), "x"), "x");

  EXPECT_EQ(con_->funcI("SELECT count(*) FROM " + t_, -1), 3);
  EXPECT_EQ(con_->funcI("SELECT nid" + Donde(9), -1), -1);
  EXPECT_THROW_MSG(con_->funcI("SELECT valor" + Donde(2), -1), EConvertError,
                   "\"\" no es un número entero válido");
  EXPECT_THROW_MSG(con_->funcI("SELECT nombre" + Donde(1), -1), EConvertError,
                   "\"uno\" no es un número entero válido");
}

TEST_F(BaseDeDatosOperaciones, FuncFSinLocaleYConSuDefecto) {
  struct Restaurar {
    TFormatSettings antes = FormatSettings();
    ~Restaurar() { FormatSettings() = antes; }
  } restaurar;
  FormatSettings() = FormatoDeLocale("es_ES.UTF-8");  // a user with a decimal comma
  EXPECT_EQ(con_->funcF("SELECT valor" + Donde(1), -1.0), 1.5);
  EXPECT_EQ(con_->funcF("SELECT valor" + Donde(3), -1.0), -0.035);
  EXPECT_EQ(con_->funcF("SELECT valor" + Donde(9), -1.0), -1.0);
  // The default goes through its 15-digit text: 1/3 comes back as 0.333333333333333.
  EXPECT_EQ(con_->funcF("SELECT valor" + Donde(9), 1.0 / 3.0), 0.333333333333333);
  EXPECT_THROW_MSG(con_->funcF("SELECT valor" + Donde(2), -1.0), EConvertError,
                   "\"\" no es un número real válido");
  EXPECT_THROW_MSG(con_->funcF("SELECT nombre" + Donde(1), -1.0), EConvertError,
                   "\"uno\" no es un número real válido");
}

TEST_F(BaseDeDatosOperaciones, FuncDLeeFechasDelServidor) {
  // 2016-11-01 is day 42675 after 1899-12-30.
  const double base = 42675.0;
  struct Caso {
    std::string expresion;
    double dias;
  };
  const std::vector<Caso> casos = {
      {"momento" + Donde(1), base + 7.0 / 24.0},
      {"momento" + Donde(3), 0.0},
      {"'2016-11-01'::date", base},
      {"'2016-11-01 07:00:00.25'::timestamp", base + (7.0 * 3600.0 + 0.25) / 86400.0},
      {"'2016-11-01 07:00:00-03:30'::text", base + 7.0 / 24.0},
      {"'2016-11-01T23:59:59+01'::text", base + 86399.0 / 86400.0},
      // Before 1899-12-30 the day counts down and the time of day up: 12:00 of the day
      // before is -1.5, as EncodeDateTime composes it.
      {"'1899-12-29 12:00:00'::timestamp", -1.5},
      {"'1899-12-29 18:00:00.5'::timestamp", -1.0 - (18.0 * 3600.0 + 0.5) / 86400.0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.expresion);
    EXPECT_NEAR(con_->funcD("SELECT " + c.expresion, -5.0), c.dias, 1e-9);  // 0.1 ms
  }
  EXPECT_EQ(con_->funcD("SELECT momento" + Donde(9), 12.5), 12.5);
  EXPECT_THROW_MSG(con_->funcD("SELECT momento" + Donde(2), 0), EConvertError,
                   "\"\" no es una fecha y hora válida");
  EXPECT_THROW_MSG(con_->funcD("SELECT '2016-13-01'::text", 0), EConvertError,
                   "\"2016-13-01\" no es una fecha y hora válida");
  EXPECT_THROW_MSG(con_->funcD("SELECT 42675.5", 0), EConvertError,
                   "\"42675.5\" no es una fecha y hora válida");
}

TEST_F(BaseDeDatosOperaciones, NextvalDeLaSecuenciaOErrorDelServidor) {
  const int a = con_->nextval(t_, "nid");
  const int b = con_->nextval(t_, "nid");
  EXPECT_EQ(b, a + 1);
  EXPECT_EQ(sesion().Valor("SELECT last_value FROM " + t_ + "_nid_seq"), std::to_string(b));

  // A missing sequence is the server's error, not the default -1; the statement's exact text,
  // trailing blank included, is in the message.
  try {
    con_->nextval(t_, "nada");
    ADD_FAILURE() << "no lanzó";
  } catch (const EErrorGeneral& e) {
    const std::string m = e.what();
    EXPECT_EQ(m.rfind("Error de SQL: ", 0), 0u) << m;
    const std::string sql = "(SELECT nextval( '" + t_ + "_nada_seq' ); )";
    EXPECT_EQ(m.substr(m.size() - sql.size()), sql) << m;
  }
  // The error did not poison the session.
  EXPECT_EQ(con_->nextval(t_, "nid"), b + 1);

  EXPECT_THROW_MSG(con_->nextval("x'y", "nid"), EErrorGeneral,
                   "Nombre de secuencia no válido: x'y_nid");
  EXPECT_THROW_MSG(con_->nextval(t_, ""), EErrorGeneral,
                   "Nombre de secuencia no válido: " + t_ + "_");
}

TEST_F(BaseDeDatosOperaciones, ExecConfirmaYLaConsultaSigueLegible) {
  auto q = con_->query("SELECT nid, nombre FROM " + t_ + " ORDER BY nid");
  EXPECT_EQ(con_->exec("UPDATE " + t_ + " SET valor = 2 WHERE nid = -1"), 0);
  EXPECT_EQ(con_->exec("UPDATE " + t_ + " SET zona = " + SQLTexto(*con_, "T")), 3);
  EXPECT_EQ(sesion().Valor("SELECT count(*) FROM " + t_ + " WHERE zona = 'T'"), "3");
  // The rows read before the commits are still there (the old layer closed them).
  EXPECT_EQ(q->field("nombre").asString(), "uno");
  q->next();
  q->next();
  EXPECT_EQ(q->field("NID").asInteger(), 3);

  // An error, then statements that work.
  EXPECT_THROW(con_->exec("UPDATE " + t_ + " SET nope = 1"), EErrorGeneral);
  EXPECT_THROW(con_->func("SELECT nope FROM " + t_, ""), EErrorGeneral);
  EXPECT_EQ(
      con_->exec("UPDATE " + t_ + " SET zona = " + SQLTexto(*con_, "O'Brien") + " WHERE nid = 1"),
      1);
  EXPECT_EQ(con_->func("SELECT zona" + Donde(1), ""), "O'Brien");
  EXPECT_EQ(sesion().Valor("SELECT zona" + Donde(1)), "O'Brien");
}

using pruebas_bd::EstadoDeSesion;

// Every kind of read leaves the window's session idle between commands, with no transaction
// holding the read tables' locks; inside a unit of work the reads join its one transaction.
TEST_F(BaseDeDatosOperaciones, LasLecturasNoDejanLaSesionEnTransaccion) {
  const int pid = PQbackendPID(con_->Nativa());
  std::unique_ptr<TSQLQuery> abierta;  // a query kept open while the state is read
  const std::vector<std::pair<const char*, std::function<void()>>> lecturas = {
      {"query", [&] { abierta = con_->query("SELECT * FROM " + t_); }},
      {"query sin filas", [&] { abierta = con_->query("SELECT *" + Donde(9)); }},
      {"func", [&] { EXPECT_EQ(con_->func("SELECT nombre" + Donde(1), ""), "uno"); }},
      {"func sin fila", [&] { EXPECT_EQ(con_->func("SELECT nombre" + Donde(9), "d"), "d"); }},
      {"funcI", [&] { EXPECT_EQ(con_->funcI("SELECT count(*) FROM " + t_, -1), 3); }},
      {"funcF", [&] { EXPECT_EQ(con_->funcF("SELECT valor" + Donde(1), -1.0), 1.5); }},
      {"funcS", [&] { EXPECT_EQ(con_->funcS("SELECT zona" + Donde(1), ""), "H"); }},
      {"funcD", [&] { EXPECT_EQ(con_->funcD("SELECT momento" + Donde(3), -1.0), 0.0); }},
      {"nextval", [&] { EXPECT_GE(con_->nextval(t_, "nid"), 4); }},
      {"funcI que no convierte",
       [&] { EXPECT_THROW(con_->funcI("SELECT nombre" + Donde(1), -1), EConvertError); }},
      {"query que falla", [&] { EXPECT_THROW(con_->query("SELECT nope FROM " + t_), EErrorGeneral); }},
      {"nextval que falla", [&] { EXPECT_THROW(con_->nextval(t_, "nada"), EErrorGeneral); }},
  };
  for (const auto& [nombre, leer] : lecturas) {
    leer();
    EXPECT_FALSE(con_->EnTransaccion()) << nombre;
    EXPECT_EQ(EstadoDeSesion(sesion(), pid, "idle"), "idle") << nombre;
  }

  // A unit: its reads run in its one transaction, which stays open to the end; they see its
  // own writes, and leaving it unconfirmed takes those back.
  {
    TTransaccionSQL unidad(*con_);
    for (const auto& [nombre, leer] : lecturas) {
      if (std::string(nombre).find("falla") != std::string::npos) continue;  // would end it
      leer();
      EXPECT_TRUE(con_->EnTransaccion()) << nombre;
    }
    con_->exec("UPDATE " + t_ + " SET nombre = 'dentro' WHERE nid = 1");
    EXPECT_EQ(con_->func("SELECT nombre" + Donde(1), ""), "dentro");
    EXPECT_EQ(EstadoDeSesion(sesion(), pid, "idle in transaction"), "idle in transaction");
    EXPECT_EQ(sesion().Valor("SELECT nombre" + Donde(1)), "uno");
  }
  EXPECT_EQ(EstadoDeSesion(sesion(), pid, "idle"), "idle");
  EXPECT_EQ(sesion().Valor("SELECT nombre" + Donde(1)), "uno");
}

// ---------------------------------------------------------------------------------------------
// The plant tables of the schema fixture, read as the program reads them.

class BaseDeDatosPlantas : public ConServidor {
 protected:
  void SetUp() override {
    ConServidor::SetUp();
    if (IsSkipped()) return;
    con_ = std::make_unique<TDBPQCon>(TParametrosConexion{
        Entorno("PGHOST"), Entorno("PGDATABASE"), Entorno("PGUSER"), Entorno("PGPASSWORD")});
  }
  void TearDown() override {
    con_.reset();
    ConServidor::TearDown();
  }
  std::unique_ptr<TDBPQCon> con_;
};

TEST_F(BaseDeDatosPlantas, TablasConLasColumnasQueSeLeen) {
  // Column names as the program's statements and readers write them, capitals included.
  const std::vector<std::pair<std::string, std::vector<std::string>>> tablas = {
      {"centrales",
       {"nid", "centralgeneradora", "potencia_autorizada_mw", "meteo_utm_zona", "meteo_utm_huso",
        "Meteo_UTM_xe", "meteo_utm_yn", "meteo_cota", "latitud", "longitud", "factor_smec_scada"}},
      {"molinos",
       {"nid", "nro", "nid_curvaaero", "nidcentral", "etha", "zona_utm", "huso_utm", "xe", "yn"}},
      {"curvas_aerogen", {"nid", "modelo", "diametro", "curva_v", "curva_P"}},
      {"modelo_teorico",
       {"nid",
        "central",
        "dt_creacion",
        "dt_actualizacion",
        "n_sectores_dir",
        "alfa_terreno",
        "gamma_atmosfera",
        "fpv3pe",
        "factor_perdidas",
        "potencia_autorizada_mw",
        "potencia_nominal",
        "meteo_etha",
        "meteo_cota",
        "grilla_rotada_dx",
        "grilla_rotada_dy",
        "grilla_rotada_margen_dx",
        "meteo_utm_zona",
        "meteo_utm_huso",
        "meteo_utm_xe",
        "meteo_utm_yn"}},
      {"modelo_teorico_etha_molinos", {"nid_modelo", "nid_molino", "etha"}},
  };
  for (const auto& [tabla, columnas] : tablas) {
    auto q = con_->query("SELECT * FROM " + tabla + " LIMIT 1");
    EXPECT_FALSE(q->eof()) << tabla << " tiene filas";
    for (const std::string& c : columnas) EXPECT_GE(q->findField(c), 0) << tabla << "." << c;
  }
  EXPECT_EQ(con_->func("SELECT pg_get_serial_sequence('modelo_teorico', 'nid')", ""),
            "public.modelo_teorico_nid_seq");
}

TEST_F(BaseDeDatosPlantas, CasosDeLaCargaDeModelos) {
  // Plant 34: of its two models the newest (by creation date) has authorised power 0.
  auto m = con_->query(
      "SELECT * FROM modelo_teorico WHERE central = 34 ORDER BY dt_creacion DESC LIMIT 1");
  EXPECT_EQ(m->field("nid").asInteger(), 2);
  EXPECT_EQ(m->field("potencia_autorizada_mw").asFloat(), 0.0);
  EXPECT_EQ(m->field("meteo_etha").asString(), "") << "NULL: sin '|', la matriz de unos";

  // Plant 12: no model, three turbines; plant 56: mast zone '?', no SMEC/SCADA factor.
  EXPECT_TRUE(con_->query("SELECT * FROM modelo_teorico WHERE central = 12")->eof());
  EXPECT_EQ(con_->funcI("SELECT count(*) FROM molinos WHERE nidcentral=12", -1), 3);
  auto p = con_->query("SELECT * FROM centrales WHERE nid = 56");
  EXPECT_EQ(p->field("centralgeneradora").asString(),
            "\xC3\x91"
            "andubay Cincuenta y Seis");
  EXPECT_EQ(p->field("meteo_utm_zona").asString(), "?");
  EXPECT_TRUE(p->field("factor_smec_scada").isNull());
  EXPECT_EQ(con_->funcF("SELECT etha FROM modelo_teorico_etha_molinos WHERE nid_modelo = 3 "
                        "AND nid_molino = 5602",
                        -1.0),
            -1.0)
      << "un molino sin fila de factor";
  EXPECT_EQ(con_->funcF("SELECT grilla_rotada_dx FROM modelo_teorico WHERE central = 56", -1.0),
            0.05);

  // Plant 78: its turbine's curve has no row.
  EXPECT_TRUE(con_->query("SELECT * FROM curvas_aerogen WHERE nid =99")->eof());
  auto c = con_->query("SELECT * FROM curvas_aerogen WHERE nid =1");
  EXPECT_EQ(c->field("curva_P").asString().substr(0, 4), "[26|");
  // New model numbers start clear of the fixture's rows (the sequence is not advanced here).
  EXPECT_GE(con_->funcI("SELECT last_value FROM modelo_teorico_nid_seq", -1), 100);
}

}  // namespace

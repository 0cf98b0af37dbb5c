#include "platform/sqlconexion.h"

#include <libpq-fe.h>

#include <string>
#include <system_error>

#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

// libpq's messages end with a newline and may hold several lines (one per address tried, or
// "FATAL: ..." then "DETAIL: ..."): the error carries them as one line.
std::string EnUnaLinea(const char* mensaje) {
  std::string m = mensaje != nullptr ? mensaje : "";
  while (!m.empty() && (m.back() == '\n' || m.back() == '\r' || m.back() == ' ')) m.pop_back();
  for (char& c : m) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return m;
}

// The server's report in one line: its primary message and the detail when there is one
// ("duplicate key value violates unique constraint \"u_k_key\". Key (k)=(1) already exists."),
// without the "LINE 1:" excerpt and caret that the full text adds.
std::string MensajeDelServidor(const PGresult* r) {
  const char* primario = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
  if (primario == nullptr) return EnUnaLinea(PQresultErrorMessage(r));
  std::string m = primario;
  if (const char* detalle = PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL)) {
    m += ". ";
    m += detalle;
  }
  return EnUnaLinea(m.c_str());
}

// The server's notices ("there is no transaction in progress" and the like) are not the
// program's output; the old layer did not show them either.
void SinAvisos(void*, const char*) {}

}  // namespace

std::optional<TParametrosConexion> LeerArchivoConexion(const std::filesystem::path& archivo) {
  // Only a file that is plainly not there means "no connection"; a file that cannot be
  // examined or opened is the reader's I/O error.
  std::error_code ec;
  if (!std::filesystem::exists(archivo, ec) && !ec) return std::nullopt;
  TextoEntrada f(archivo);
  TParametrosConexion p;
  for (std::string* linea : {&p.host, &p.baseDeDatos, &p.usuario, &p.clave}) {
    if (!f.ProbarLeerLinea(*linea)) break;  // a missing line reads as empty
    // libpq takes C strings: a NUL byte would silently cut the value there.
    if (linea->find('\0') != std::string::npos) f.ErrorDeLinea();
  }
  return p;
}

// ---------------------------------------------------------------------------------------------

TPQConnection::TPQConnection(const TParametrosConexion& p) {
  // Keyword/value pairs, never a conninfo text: a password with a blank or a quote, or a
  // database name holding "=", reaches libpq as it stands (expand_dbname 0 keeps dbname from
  // being read as a conninfo text). Empty values count as unset, so the environment's PGHOST,
  // PGPASSWORD, ~/.pgpass and the default port apply to what the file leaves empty.
  const std::string espera = IntToStr(kEsperaConexionSegundos);
  const char* claves[] = {
      "host", "dbname", "user", "password", "connect_timeout", "client_encoding", nullptr};
  const char* valores[] = {p.host.c_str(),  p.baseDeDatos.c_str(), p.usuario.c_str(),
                           p.clave.c_str(), espera.c_str(),        "UTF8",
                           nullptr};
  con_ = PQconnectdbParams(claves, valores, 0);
  if (con_ == nullptr) {
    throw EErrorGeneral("No se pudo conectar con la base de datos: sin memoria para la conexión");
  }
  if (PQstatus(con_) != CONNECTION_OK) {
    std::string mensaje = EnUnaLinea(PQerrorMessage(con_));
    PQfinish(con_);
    con_ = nullptr;
    throw EErrorGeneral("No se pudo conectar con la base de datos: " + mensaje);
  }
  PQsetNoticeProcessor(con_, SinAvisos, nullptr);
}

TPQConnection::~TPQConnection() {
  if (con_ == nullptr) return;
  if (enTransaccion_) {
    // Only a unit of work keeps a transaction open: what it did not confirm is dropped.
    PQclear(PQexec(con_, "ROLLBACK"));
  }
  PQfinish(con_);
}

pg_result* TPQConnection::Enviar(std::string_view sql) {
  const std::string texto(sql);  // libpq wants a terminated text
  return PQexecParams(con_, texto.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
}

void TPQConnection::Control(const char* sql) {
  PGresult* r = PQexec(con_, sql);
  const bool bien = r != nullptr && PQresultStatus(r) == PGRES_COMMAND_OK;
  if (!bien) {
    std::string mensaje = r != nullptr ? MensajeDelServidor(r) : EnUnaLinea(PQerrorMessage(con_));
    PQclear(r);
    throw EErrorGeneral("Error de SQL: " + mensaje + " (" + sql + ")");
  }
  PQclear(r);
}

void TPQConnection::FallaSentencia(pg_result* resultado, std::string_view sql) {
  std::string mensaje;
  if (resultado == nullptr) {
    mensaje = EnUnaLinea(PQerrorMessage(con_));
  } else if (PQresultStatus(resultado) == PGRES_EMPTY_QUERY) {
    mensaje = "sentencia vacía";
  } else if (PQresultStatus(resultado) == PGRES_COPY_IN ||
             PQresultStatus(resultado) == PGRES_COPY_OUT ||
             PQresultStatus(resultado) == PGRES_COPY_BOTH) {
    mensaje = "COPY no está admitido";
  } else {
    mensaje = MensajeDelServidor(resultado);
  }
  PQclear(resultado);
  // Inside a unit the server has aborted the unit's transaction: every later statement would
  // be refused until it ends, so it is ended here, and the unit's work is gone and the unit is
  // marked so. Outside a unit the failed statement was a transaction of its own, already over.
  if (enTransaccion_) {
    enTransaccion_ = false;
    PQclear(PQexec(con_, "ROLLBACK"));
  }
  if (unidades_ > 0) unidadPerdida_ = true;
  throw EErrorGeneral("Error de SQL: " + mensaje + " (" + std::string(sql) + ")");
}

std::unique_ptr<TSQLQuery> TPQConnection::Consultar(std::string_view sql) {
  if (unidadPerdida_) {
    throw EErrorGeneral("Error de SQL: la transacción fue deshecha por un error anterior (" +
                        std::string(sql) + ")");
  }
  if (PQstatus(con_) == CONNECTION_BAD) {
    if (unidades_ > 0 && enTransaccion_) {
      // The session went with the unit's uncommitted work: nothing of it may commit now.
      unidadPerdida_ = true;
      enTransaccion_ = false;
      throw EErrorGeneral("Error de SQL: la transacción fue deshecha por un error anterior (" +
                          std::string(sql) + ")");
    }
    // The session was lost (a server restart, an administrator ending it): the statement that
    // found out has failed; this one connects again with the same parameters, so the window
    // does not need restarting. Nothing uncommitted survived.
    enTransaccion_ = false;
    PQreset(con_);
    if (PQstatus(con_) != CONNECTION_OK) {
      throw EErrorGeneral("No se pudo conectar con la base de datos: " +
                          EnUnaLinea(PQerrorMessage(con_)));
    }
  }
  // Outside a unit no BEGIN: the statement runs in the server's own transaction, which ends
  // with it. A transaction left open after a read would sit "idle in transaction" until the
  // next write, perhaps hours later, holding the read tables' locks all that time.
  if (unidades_ > 0 && !enTransaccion_) {
    Control("BEGIN");
    enTransaccion_ = true;
  }
  PGresult* r = Enviar(sql);
  const ExecStatusType estado = r != nullptr ? PQresultStatus(r) : PGRES_FATAL_ERROR;
  if (estado != PGRES_TUPLES_OK && estado != PGRES_COMMAND_OK) FallaSentencia(r, sql);
  return std::make_unique<TSQLQuery>(r);
}

int32_t TPQConnection::Ejecutar(std::string_view sql) {
  // Outside a unit the statement has committed by itself (a failed commit, a deferred
  // constraint, is the statement's own error); inside one it waits for the unit.
  return Consultar(sql)->rowsAffected();
}

void TPQConnection::AbrirUnidad() {
  if (unidades_ == 0) {
    // Outside a unit nothing is pending; the commit is there so that, whatever came before,
    // the unit's rollback takes back the unit's statements only.
    Confirmar();
    unidadPerdida_ = false;
  }
  ++unidades_;
}

void TPQConnection::CerrarUnidad(bool confirmar) {
  --unidades_;
  if (!confirmar) {
    // The whole unit goes, the outer ones it belongs to included.
    if (unidades_ > 0) {
      unidadPerdida_ = true;
      if (enTransaccion_) {
        enTransaccion_ = false;
        PQclear(PQexec(con_, "ROLLBACK"));
      }
    } else {
      const bool habia = enTransaccion_;
      enTransaccion_ = false;
      unidadPerdida_ = false;
      if (habia) PQclear(PQexec(con_, "ROLLBACK"));
    }
    return;
  }
  if (unidadPerdida_) {
    if (unidades_ == 0) unidadPerdida_ = false;
    throw EErrorGeneral("Error de SQL: la transacción fue deshecha por un error anterior");
  }
  if (unidades_ == 0) Confirmar();
}

TTransaccionSQL::TTransaccionSQL(TPQConnection& con) : con_(con) { con_.AbrirUnidad(); }

TTransaccionSQL::~TTransaccionSQL() {
  if (abierta_) con_.CerrarUnidad(false);
}

void TTransaccionSQL::Confirmar() {
  if (!abierta_) return;
  abierta_ = false;
  con_.CerrarUnidad(true);
}

void TPQConnection::Confirmar() {
  if (!enTransaccion_) return;
  // The transaction is over whatever COMMIT answers: a failed commit ends it rolled back.
  enTransaccion_ = false;
  Control("COMMIT");
}

void TPQConnection::Deshacer() {
  if (!enTransaccion_) return;
  enTransaccion_ = false;
  Control("ROLLBACK");
}

std::string TPQConnection::LiteralSQL(std::string_view texto) const {
  // libpq would stop at a NUL and quietly drop the rest of the text.
  if (texto.find('\0') != std::string_view::npos) {
    throw EErrorGeneral("Texto no válido para SQL: contiene un carácter nulo");
  }
  char* literal = PQescapeLiteral(con_, texto.data(), texto.size());
  if (literal == nullptr) {
    throw EErrorGeneral("Texto no válido para SQL: " + EnUnaLinea(PQerrorMessage(con_)));
  }
  std::string resultado(literal);
  PQfreemem(literal);
  return resultado;
}

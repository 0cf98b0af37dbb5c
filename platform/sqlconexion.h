// A connection to a PostgreSQL server over libpq.
//
//  * The connection takes host, database, user and password and nothing else: the port comes
//    from libpq's defaults and PGPORT, an empty value counts as unset (an empty password falls
//    back to PGPASSWORD or ~/.pgpass), the client encoding is UTF-8 and the attempt gives up
//    after 10 seconds. No conninfo text is ever built, so blanks, quotes or "=" in a value
//    reach the server as they stand.
//  * Outside a unit of work every statement is a transaction of its own, committed by the
//    server once it has run: a read ends its transaction when its rows have arrived, and a
//    write is committed at once. Between commands the session is idle, so it holds no lock on
//    the tables it read (an ALTER TABLE of another client would wait behind it, and every
//    reader of the table behind the ALTER) and does not hold back the server's vacuum.
//  * A unit of work that must be written whole (TTransaccionSQL) runs in one transaction,
//    opened by its first statement: its statements commit together when it is confirmed, and
//    any failure rolls all of them back. The destructor rolls back a unit left open.
//  * Any failed statement rolls the transaction back before its error is raised: PostgreSQL
//    refuses every statement after an error inside an open transaction, and without the
//    rollback one bad query would leave the session unusable until it is closed.
//  * A session the server has ended (a restart, an idle timeout) is opened again, with the same
//    parameters, by the statement after the one that failed on it.
//  * Every statement goes through PQexecParams, which takes a single statement: text meant
//    as a value can never stack a second statement.
// Used from one thread at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sqlconsulta.h"

struct pg_conn;

struct TParametrosConexion {
  std::string host;
  std::string baseDeDatos;
  std::string usuario;
  std::string clave;
};

// The connection file: four lines (host, database, user, password in plain text), each taken
// whole (no trimming: trailing blanks stay). LF, CRLF and CR all end a line, so a file written
// on Windows gives "host" and not "host\r". A missing line reads as empty; further lines are
// ignored. No value when the file does not exist; a file that exists but cannot be read
// raises EInOutError.
std::optional<TParametrosConexion> LeerArchivoConexion(const std::filesystem::path& archivo);

class TPQConnection {
 public:
  // Seconds libpq waits for the server before it gives up.
  static constexpr int kEsperaConexionSegundos = 10;

  // Connects. Throws EErrorGeneral "No se pudo conectar con la base de datos: " + libpq's
  // message when the server cannot be reached or refuses the login.
  explicit TPQConnection(const TParametrosConexion& parametros);
  // Rolls back what was not committed and disconnects.
  virtual ~TPQConnection();
  TPQConnection(const TPQConnection&) = delete;
  TPQConnection& operator=(const TPQConnection&) = delete;

  // Runs a statement and returns all its rows, the cursor on the first. Outside a unit of work
  // the statement commits by itself once its rows have arrived; inside one it runs in the
  // unit's transaction (opened when none is) and commits with the unit.
  // An SQL error rolls back and throws EErrorGeneral "Error de SQL: " + the server's message +
  // " (" + sql + ")".
  std::unique_ptr<TSQLQuery> Consultar(std::string_view sql);
  // Runs a statement, commits, and returns the rows it affected. Errors as in Consultar; a
  // failed commit raises too. Inside a unit of work (TTransaccionSQL) the commit waits for the
  // unit's confirmation.
  int32_t Ejecutar(std::string_view sql);

  // Commits / rolls back the open transaction; nothing happens when none is open (which is
  // always the case outside a unit of work).
  void Confirmar();
  void Deshacer();
  bool EnTransaccion() const { return enTransaccion_; }
  // Whether a unit of work (TTransaccionSQL) is open on this connection.
  bool EnUnidad() const { return unidades_ > 0; }

  // `texto` as an SQL string literal, quotes included ('O''Brien'; a text with a backslash
  // comes out as E'...' preceded by a blank), escaped by libpq for this connection's encoding.
  // Throws EErrorGeneral for a text libpq cannot escape (invalid UTF-8, an embedded NUL).
  std::string LiteralSQL(std::string_view texto) const;

  // The libpq connection, for what this class does not cover.
  pg_conn* Nativa() const { return con_; }

 private:
  // Sends a statement of the transaction's own (BEGIN, COMMIT, ROLLBACK).
  void Control(const char* sql);
  [[noreturn]] void FallaSentencia(pg_result* resultado, std::string_view sql);
  pg_result* Enviar(std::string_view sql);

  friend class TTransaccionSQL;
  // A unit of work opens (nested units join the outermost) / ends, committing or rolling back
  // when it is the outermost.
  void AbrirUnidad();
  void CerrarUnidad(bool confirmar);

  pg_conn* con_ = nullptr;
  bool enTransaccion_ = false;
  int unidades_ = 0;            // units of work open, nested ones included
  bool unidadPerdida_ = false;  // the open unit's work was rolled back (a failed statement)
};

// A unit of work: every statement run on the connection from its creation until Confirmar is
// committed together, by Confirmar. Leaving it without Confirmar (an exception) rolls every one
// of them back. What was pending on the connection before it opened is committed first, so the
// rollback takes back the unit's own statements and nothing else.
//
// Units nest: an inner unit joins the outer one and its Confirmar commits nothing yet. Once a
// statement has failed inside a unit, its work is gone (the server has rolled the transaction
// back): every later statement of the unit, and its Confirmar, raise EErrorGeneral
// "Error de SQL: la transacción fue deshecha por un error anterior", so no half of it commits.
class TTransaccionSQL {
 public:
  explicit TTransaccionSQL(TPQConnection& con);
  ~TTransaccionSQL();
  TTransaccionSQL(const TTransaccionSQL&) = delete;
  TTransaccionSQL& operator=(const TTransaccionSQL&) = delete;
  void Confirmar();

 private:
  TPQConnection& con_;
  bool abierta_ = true;
};

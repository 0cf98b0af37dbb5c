// The program's only database connection: a PostgreSQL connection with one transaction of its
// own and the few operations every database read and write goes through.
//
// The main window creates it from the connection file "condb_rbtdata.dat" in the current
// directory (four lines: host, database, user, password) and releases it when it closes.
// The callers compose the SQL text; values go in through platform/sqlvalores.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/fechas.h"
#include "platform/sqlconexion.h"
#include "platform/sqlconsulta.h"

// PostgreSQL's ISO date-time text: "2016-11-01", "2016-11-01 07:00:00",
// "2016-11-01 07:00:00.25", "2016-11-01 07:00:00+01", "2016-11-01T07:00:00-03:30". The zone,
// when there is one, is dropped: the program's date-times are wall-clock times. False, and
// `fecha` unchanged, for any other text.
bool LeerFechaHora(std::string_view s, TDateTime& fecha);

// The file the main window reads, a bare name: the process's current directory.
inline constexpr const char* kArchivoConexion = "condb_rbtdata.dat";

class TDBPQCon : public TPQConnection {
 public:
  // No object (nullptr), silently, when `archivo` does not exist. Otherwise the connection
  // built from its four lines and connected. Throws EInOutError when the file cannot be read,
  // EErrorGeneral when the server cannot be reached or refuses the login.
  static std::unique_ptr<TDBPQCon> Create(const std::filesystem::path& archivo);
  explicit TDBPQCon(const TParametrosConexion& parametros) : TPQConnection(parametros) {}
  // Rolls back what no exec committed and disconnects.
  ~TDBPQCon() override = default;

  // An open query on this connection, on its first row; the caller owns it. It stays readable
  // after later statements commit.
  std::unique_ptr<TSQLQuery> query(std::string_view sql);
  // Runs a statement, commits, and returns the number of rows affected.
  int32_t exec(std::string_view sql);

  // The first field of the first row as text ("" for NULL), or porDefecto when there is no row.
  std::string func(std::string_view sql, std::string_view porDefecto);
  // func read as a whole number; porDefecto when there is no row. NULL or a text that is not a
  // whole number: EConvertError.
  int32_t funcI(std::string_view sql, int32_t porDefecto);
  // func read as a real, locale-free; with no row porDefecto through its 15-digit text and
  // back. NULL or a text that is not a number: EConvertError.
  double funcF(std::string_view sql, double porDefecto);
  std::string funcS(std::string_view sql, std::string_view porDefecto);
  // func read as a date-time "yyyy-mm-dd[ hh:nn:ss[.ffffff]][+zone]" (the zone is ignored),
  // porDefecto when there is no row. Anything else: EConvertError.
  TDateTime funcD(std::string_view sql, TDateTime porDefecto);

  // The next value of the sequence of column campo of table tabla: funcI of
  // "SELECT nextval( '" + tabla + "_" + campo + "_seq' ); " with the default -1. A missing
  // sequence raises the server's error. Names may hold letters, digits, "_" and "." only.
  int32_t nextval(std::string_view tabla, std::string_view campo);
};

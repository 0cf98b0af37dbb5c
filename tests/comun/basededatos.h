// What the tests against a PostgreSQL server share.
//
// The server is the throwaway cluster scripts/test starts with pg_virtualenv, which exports
// PGHOST, PGPORT, PGUSER, PGPASSWORD and PGDATABASE. Without PGHOST and PGPORT the tests skip
// themselves. Suites that need the server are named BaseDeDatos*: CTest gives them the label
// "db".
//
// Each test works in a schema of its own (created and dropped here), so tests that run at the
// same time never see each other's rows. The checks of what the program's connection wrote go
// through a second session opened here with plain libpq from the environment: they do not use
// the connection layer under test.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtltexto.h"

namespace pruebas_bd {

inline std::string Entorno(const char* nombre) {
  const char* v = std::getenv(nombre);
  return v != nullptr ? v : "";
}

inline bool HayServidor() { return !Entorno("PGHOST").empty() && !Entorno("PGPORT").empty(); }

#define OMITIR_SIN_SERVIDOR()                                                              \
  do {                                                                                     \
    if (!::pruebas_bd::HayServidor())                                                      \
      GTEST_SKIP() << "sin servidor PostgreSQL: PGHOST/PGPORT no definidos (scripts/test " \
                      "corre estas pruebas dentro de pg_virtualenv)";                      \
  } while (0)

// The four lines of a connection file for the test server, each ended with `fin`.
inline std::string LineasConexion(const std::string& fin) {
  return Entorno("PGHOST") + fin + Entorno("PGDATABASE") + fin + Entorno("PGUSER") + fin +
         Entorno("PGPASSWORD") + fin;
}

inline void EscribirBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << bytes;
}

// A name no other test process uses at the same time.
inline std::string NombreUnico(const std::string& base) {
  static std::atomic<int> cuenta{0};
  return base + "_" + std::to_string(::getpid()) + "_" + std::to_string(++cuenta);
}

// A second session, from the environment alone (libpq reads PG*), for independent checks.
class SesionLibpq {
 public:
  SesionLibpq() : con_(PQconnectdb("")) {
    if (PQstatus(con_) != CONNECTION_OK) {
      ADD_FAILURE() << "segunda sesión: " << PQerrorMessage(con_);
    }
    PQsetNoticeProcessor(
        con_, [](void*, const char*) {}, nullptr);
    // A lock held by the connection under test must fail the test, not hang it.
    PQclear(PQexec(con_, "SET lock_timeout = '20s'"));
  }
  ~SesionLibpq() { PQfinish(con_); }
  SesionLibpq(const SesionLibpq&) = delete;
  SesionLibpq& operator=(const SesionLibpq&) = delete;

  // Runs sql (autocommit) and fails the test when it does not succeed.
  void Ejecutar(const std::string& sql) {
    PGresult* r = PQexec(con_, sql.c_str());
    const ExecStatusType e = PQresultStatus(r);
    if (e != PGRES_COMMAND_OK && e != PGRES_TUPLES_OK) {
      ADD_FAILURE() << sql << ": " << PQresultErrorMessage(r);
    }
    PQclear(r);
  }
  // Every row of the first column, NULL as "<null>".
  std::vector<std::string> Columna(const std::string& sql) {
    std::vector<std::string> v;
    PGresult* r = PQexec(con_, sql.c_str());
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
      ADD_FAILURE() << sql << ": " << PQresultErrorMessage(r);
    } else {
      for (int i = 0; i < PQntuples(r); ++i) {
        v.push_back(PQgetisnull(r, i, 0) ? "<null>" : PQgetvalue(r, i, 0));
      }
    }
    PQclear(r);
    return v;
  }
  std::string Valor(const std::string& sql) {
    std::vector<std::string> v = Columna(sql);
    return v.empty() ? "<sin fila>" : v.front();
  }

 private:
  PGconn* con_;
};

// A test with the server, a schema of its own (esquema()) and a scratch folder (carpeta()).
class ConServidor : public ::testing::Test {
 protected:
  void SetUp() override {
    OMITIR_SIN_SERVIDOR();
    esquema_ = NombreUnico("prueba");
    carpeta_ = std::filesystem::temp_directory_path() / ("aeronda-" + esquema_);
    std::filesystem::create_directories(carpeta_);
    sesion_.emplace();
    sesion_->Ejecutar("CREATE SCHEMA " + esquema_);
  }
  void TearDown() override {
    if (sesion_) sesion_->Ejecutar("DROP SCHEMA IF EXISTS " + esquema_ + " CASCADE");
    if (!carpeta_.empty()) std::filesystem::remove_all(carpeta_);
  }
  const std::string& esquema() const { return esquema_; }
  const std::filesystem::path& carpeta() const { return carpeta_; }
  SesionLibpq& sesion() { return *sesion_; }

 private:
  std::string esquema_;
  std::filesystem::path carpeta_;
  std::optional<SesionLibpq> sesion_;
};

// The state pg_stat_activity shows for the backend `pid` ("idle", "idle in transaction"), read
// through the second session. The backend reports it as it starts waiting for the next
// command: the reading is repeated until it is `esperado` or 2 s have gone by, and the last one
// seen is returned.
inline std::string EstadoDeSesion(SesionLibpq& sesion, int pid, const std::string& esperado) {
  const auto fin = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  for (;;) {
    std::string estado =
        sesion.Valor("SELECT state FROM pg_stat_activity WHERE pid = " + IntToStr(pid));
    if (estado == esperado || std::chrono::steady_clock::now() >= fin) return estado;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace pruebas_bd

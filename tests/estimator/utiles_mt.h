// Small helpers shared by the theoretical-model tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

// Expects `stmt` to throw `tipo` whose what() is exactly `mensaje`.

inline std::filesystem::path FixtureMT(const std::string& nombre) {
  return std::filesystem::path(AERONDA_FIXTURES) / nombre;
}

// A scratch folder of this test program, emptied when it is made.
inline std::filesystem::path CarpetaTemporalMT(const std::string& nombre) {
  auto p = std::filesystem::temp_directory_path() /
           ("aeronda_mt_" + nombre + "_" + std::to_string(::getpid()));
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  return p;
}

#include <cstdlib>
#include <memory>

#include "comun/afirmaciones.h"
#include "platform/sqlconexion.h"
#include "services/udbconpg.h"

// A connection to the throwaway cluster of scripts/test, or nullptr when PGHOST / PGPORT are not
// set (the caller skips).
inline std::unique_ptr<TDBPQCon> ConexionDePruebaMT() {
  const char* host = std::getenv("PGHOST");
  const char* puerto = std::getenv("PGPORT");
  if (host == nullptr || puerto == nullptr) return nullptr;
  auto env = [](const char* n) {
    const char* v = std::getenv(n);
    return std::string(v ? v : "");
  };
  return std::make_unique<TDBPQCon>(
      TParametrosConexion{host, env("PGDATABASE"), env("PGUSER"), env("PGPASSWORD")});
}

// Reads a saved .xlsx back through tests/tools/volcar_xlsx.py (Python standard library only),
// independently of the library that wrote it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

inline std::string VolcarXlsx(const std::filesystem::path& archivo) {
  const std::string orden =
      std::string("python3 '") + AERONDA_TOOLS + "/volcar_xlsx.py' '" + archivo.string() + "' 2>&1";
  std::string salida;
  FILE* p = popen(orden.c_str(), "r");
  if (p == nullptr) return "no puedo ejecutar python3";
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) salida.append(buf, n);
  const int rc = pclose(p);
  if (rc != 0) salida += "\n(volcar_xlsx.py terminó con " + std::to_string(rc) + ")";
  return salida;
}

// A fresh empty folder for one test, in the current folder (each build runs its tests in a
// scratch folder of its own, so that builds running at the same time do not meet).
inline std::filesystem::path CarpetaDePrueba(const std::string& nombre) {
  const auto c = std::filesystem::absolute("xlsx_" + nombre);
  std::filesystem::remove_all(c);
  std::filesystem::create_directories(c);
  return c;
}

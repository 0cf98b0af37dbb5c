// Reads a saved .xlsx back through tests/tools/volcar_xlsx.py (Python standard library only),
// independently of the library that wrote it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "comun/carpeta_prueba.h"

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


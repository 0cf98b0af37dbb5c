// Reads a saved .xlsx back, independently of the library that wrote it: through
// tests/tools/volcar_xlsx.py (Python standard library only, the file's structure) and through
// tests/tools/leer_xlsx_openpyxl.py (openpyxl, a spreadsheet reader of its own).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "comun/carpeta_prueba.h"

// The output of a script of tests/tools run on the file by the interpreter `python`, with a
// note when the script failed.
inline std::string SalidaDeHerramienta(const char* python, const char* script,
                                       const std::filesystem::path& archivo) {
  const std::string orden = std::string(python) + " '" + AERONDA_TOOLS + "/" + script + "' '" +
                            archivo.string() + "' 2>&1";
  std::string salida;
  FILE* p = popen(orden.c_str(), "r");
  if (p == nullptr) return "no puedo ejecutar python3";
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) salida.append(buf, n);
  const int rc = pclose(p);
  if (rc != 0) salida += "\n(" + std::string(script) + " terminó con " + std::to_string(rc) + ")";
  return salida;
}

inline std::string VolcarXlsx(const std::filesystem::path& archivo) {
  return SalidaDeHerramienta("python3", "volcar_xlsx.py", archivo);
}

// Cells as openpyxl reads them without recalculating (formulas give their cached results).
// Debian's python3-openpyxl belongs to the system's interpreter, whatever else PATH offers.
inline std::string LeerXlsxConOpenpyxl(const std::filesystem::path& archivo) {
  return SalidaDeHerramienta("/usr/bin/python3", "leer_xlsx_openpyxl.py", archivo);
}

#include "platform/carpetas.h"

#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/errores.h"

namespace fs = std::filesystem;

TRaicesCarpetas RaicesDelEntorno() {
  TRaicesCarpetas r;
  const char* b = std::getenv("AERONDA_BASURA");
  if (b != nullptr && *b != '\0') {
    r.basura = b;
  } else {
    const char* home = std::getenv("HOME");
    r.basura = fs::path(home != nullptr && *home != '\0' ? home : "/tmp") / "basura";
  }
  const char* y = std::getenv("AERONDA_Y");
  std::error_code ec;
  if (y != nullptr && *y != '\0' && fs::is_directory(y, ec)) r.unidadY = fs::path(y);
  return r;
}

fs::path RutaLocal(std::string_view w, const TRaicesCarpetas& raices) {
  // Split on both kinds of separator; the first piece may be a drive.
  std::string s(w);
  for (char& c : s)
    if (c == '\\') c = '/';
  fs::path base;
  std::string_view resto = s;
  if (resto.size() >= 2 && resto[1] == ':') {
    char unidad = resto[0];
    resto.remove_prefix(2);
    while (!resto.empty() && resto.front() == '/') resto.remove_prefix(1);
    if (unidad == 'y' || unidad == 'Y') {
      if (!raices.unidadY) throw EInOutError("La unidad Y: no existe", fs::path(std::string(w)));
      base = *raices.unidadY;
    } else if (unidad == 'c' || unidad == 'C') {
      // Only C:\basura has a home here.
      std::string_view primero = resto.substr(0, resto.find('/'));
      std::string p(primero);
      for (char& c : p) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
      if (p != "basura")
        throw EInOutError("Carpeta sin equivalente en este sistema: " + std::string(w),
                          fs::path(std::string(w)));
      base = raices.basura;
      resto.remove_prefix(primero.size());
      while (!resto.empty() && resto.front() == '/') resto.remove_prefix(1);
    } else {
      throw EInOutError("Carpeta sin equivalente en este sistema: " + std::string(w),
                        fs::path(std::string(w)));
    }
  }
  fs::path r = base;
  size_t i = 0;
  while (i <= resto.size()) {
    size_t j = resto.find('/', i);
    if (j == std::string_view::npos) j = resto.size();
    if (j > i) r /= std::string(resto.substr(i, j - i));
    i = j + 1;
  }
  return r;
}

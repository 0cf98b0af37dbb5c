// What the fuzz targets share. A reader may refuse its input: a refusal is one of the program's
// own exceptions with a Spanish message, and is the right answer to bad input. Anything else
// (a sanitizer report, a crash, another exception, a timeout, running out of memory) is a
// finding, and so is a round trip that does not give back what was read.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "platform/errores.h"

namespace fuzz {

// The readers' notices and progress lines, once per input, would only slow the run down.
inline void SinConsola() {
  static const bool hecho = (std::cout.rdbuf(nullptr), true);
  (void)hecho;
}

inline std::string_view Texto(const uint8_t* datos, size_t n) {
  return {reinterpret_cast<const char*>(datos), n};
}

// A scratch folder of this process (targets run side by side).
inline const std::filesystem::path& Carpeta() {
  static const std::filesystem::path c = [] {
    auto p =
        std::filesystem::temp_directory_path() / ("aeronda_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(p);
    return p;
  }();
  return c;
}

inline std::filesystem::path Archivo(const std::string& nombre) { return Carpeta() / nombre; }

inline std::filesystem::path Escribir(const std::string& nombre, std::string_view bytes) {
  const auto p = Archivo(nombre);
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p;
}

inline std::string Leer(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A round trip that changed what it carried.
[[noreturn]] inline void Diferencia(const char* que) {
  std::fprintf(stderr, "ida y vuelta distinta: %s\n", que);
  std::abort();
}

// Runs f; the program's own refusals end the input quietly.
template <class F>
void Atrapar(F&& f) {
  SinConsola();
  try {
    f();
  } catch (const EConvertError&) {
  } catch (const EInOutError&) {
  } catch (const EErrorGeneral&) {
  }
}

}  // namespace fuzz

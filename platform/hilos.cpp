#include "platform/hilos.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <mutex>
#include <streambuf>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/rtltexto.h"

namespace {

std::atomic<int32_t> hilosFijados{0};

thread_local bool consolaSilenciada = false;

// A stream buffer that takes everything and keeps nothing.
class Sumidero : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

int32_t HilosDeTexto(const char* texto) {
  if (texto == nullptr) return 0;
  // Digits only: no sign and no blanks, which the run-time's integer reading would take.
  const std::string_view s(texto);
  int32_t n = 0;
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos &&
                 TryStrToInt(s, n) && n >= 1
             ? n
             : 0;
}

int32_t HilosDelEntorno(const char* texto, unsigned nucleos) {
  const int32_t n = static_cast<int32_t>(std::clamp(nucleos, 1u, 1024u));
  const int32_t pedidos = HilosDeTexto(texto);
  // AERONDA_HILOS=1000000 would start a million threads, each copying the model.
  return pedidos >= 1 ? std::min(pedidos, 4 * n) : n;
}

int32_t NumeroDeHilos() {
  const int32_t f = hilosFijados.load();
  if (f >= 1) return f;
  static const int32_t entorno =
      HilosDelEntorno(std::getenv("AERONDA_HILOS"), std::thread::hardware_concurrency());
  return entorno;
}

void FijarNumeroDeHilos(int32_t n) { hilosFijados.store(n >= 1 ? n : 0); }

int32_t HilosPara(int32_t n) { return std::max(1, std::min(NumeroDeHilos(), n)); }

ConsolaSilenciada::ConsolaSilenciada() : anterior_(consolaSilenciada) { consolaSilenciada = true; }
ConsolaSilenciada::~ConsolaSilenciada() { consolaSilenciada = anterior_; }

std::ostream& Consola() {
  if (!consolaSilenciada) return std::cout;
  thread_local Sumidero sumidero;
  thread_local std::ostream nula(&sumidero);
  return nula;
}

void ParaCadaIndice(int32_t n, const std::function<void(int32_t i, int32_t hilo)>& tarea,
                    int32_t hilos) {
  if (n <= 0) return;
  const int32_t h = hilos >= 1 ? std::min(hilos, n) : HilosPara(n);
  if (h == 1) {
    for (int32_t i = 0; i < n; ++i) tarea(i, 0);
    return;
  }
  std::atomic<int32_t> siguiente{0};
  // Indices at or above the lowest failing one are not started.
  std::atomic<int32_t> tope{n};
  std::mutex cerrojo;
  int32_t indiceFallo = n;
  std::exception_ptr fallo;

  auto trabajar = [&](int32_t hilo) {
    ConsolaSilenciada silencio;
    for (;;) {
      const int32_t i = siguiente.fetch_add(1);
      if (i >= tope.load()) return;
      try {
        tarea(i, hilo);
      } catch (...) {
        std::lock_guard<std::mutex> l(cerrojo);
        if (i < indiceFallo) {
          indiceFallo = i;
          fallo = std::current_exception();
          tope.store(i);
        }
        return;
      }
    }
  };

  std::vector<std::thread> otros;
  otros.reserve(static_cast<size_t>(h - 1));
  try {
    for (int32_t k = 1; k < h; ++k) otros.emplace_back(trabajar, k);
  } catch (...) {
    // No thread to be had: the indices left run on the calling thread.
  }
  trabajar(0);
  for (std::thread& t : otros) t.join();
  if (fallo) std::rethrow_exception(fallo);
}

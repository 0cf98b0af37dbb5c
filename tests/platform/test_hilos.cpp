#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/hilos.h"

namespace {

// The thread count fixed for one test, the environment's afterwards.
struct Hilos {
  explicit Hilos(int32_t n) { FijarNumeroDeHilos(n); }
  ~Hilos() { FijarNumeroDeHilos(0); }
};

TEST(ParaCadaIndice, CadaIndiceUnaVezYEnOrdenPorHilo) {
  for (const int32_t h : {1, 2, 3, 8}) {
    Hilos fijar(h);
    for (const int32_t n : {0, 1, 2, 7, 1000}) {
      std::vector<int32_t> veces(static_cast<size_t>(n), 0);
      std::vector<std::vector<int32_t>> porHilo(static_cast<size_t>(h));
      std::set<std::thread::id> ids;
      std::mutex cerrojo;
      const auto llamador = std::this_thread::get_id();
      ParaCadaIndice(n, [&](int32_t i, int32_t hilo) {
        ++veces[static_cast<size_t>(i)];
        std::lock_guard<std::mutex> l(cerrojo);
        ASSERT_LT(hilo, HilosPara(n));
        porHilo[static_cast<size_t>(hilo)].push_back(i);
        ids.insert(std::this_thread::get_id());
        EXPECT_EQ(hilo == 0, std::this_thread::get_id() == llamador);
      });
      for (int32_t v : veces) EXPECT_EQ(v, 1) << h << " hilos, " << n << " indices";
      for (const auto& l : porHilo)
        for (size_t k = 1; k < l.size(); ++k) EXPECT_LT(l[k - 1], l[k]);
      EXPECT_LE(static_cast<int32_t>(ids.size()), std::max(1, std::min(h, n)));
    }
  }
}

// The exception that reaches the caller is the one of the lowest failing index, whatever the
// thread that met it first; with one thread nothing after it runs.
TEST(ParaCadaIndice, SeRelanzaElFalloDelMenorIndice) {
  struct Caso {
    std::vector<int32_t> fallan;
    int32_t primero;
  };
  const Caso casos[] = {{{0}, 0}, {{999}, 999}, {{500, 3, 41}, 3}, {{7, 6, 5, 4, 3, 2, 1}, 1}};
  for (const int32_t h : {1, 4, 8}) {
    Hilos fijar(h);
    for (const Caso& c : casos) {
      std::atomic<int32_t> ejecutadosTrasFallo{0};
      try {
        ParaCadaIndice(1000, [&](int32_t i, int32_t) {
          for (int32_t f : c.fallan)
            if (i == f) throw std::runtime_error("falla " + std::to_string(i));
          if (h == 1 && i > c.primero) ++ejecutadosTrasFallo;
        });
        ADD_FAILURE() << "sin excepción";
      } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "falla " + std::to_string(c.primero)) << h << " hilos";
      }
      EXPECT_EQ(ejecutadosTrasFallo.load(), 0);
    }
  }
}

TEST(ParaCadaIndice, LaConsolaDeLosHilosNoEscribe) {
  std::ostringstream capturada;
  std::streambuf* antes = std::cout.rdbuf(capturada.rdbuf());
  {
    Hilos fijar(4);
    ParaCadaIndice(50, [](int32_t i, int32_t) { Consola() << "tarea " << i << "\n"; });
  }
  {
    Hilos fijar(1);
    ParaCadaIndice(2, [](int32_t i, int32_t) { Consola() << "tarea " << i << "\n"; });
  }
  Consola() << "fin\n";
  std::cout.rdbuf(antes);
  EXPECT_EQ(capturada.str(), "tarea 0\ntarea 1\nfin\n");
}

TEST(NumeroDeHilos, TextoDeLaVariable) {
  const std::pair<const char*, int32_t> casos[] = {
      {"1", 1},  {"8", 8},  {"64", 64}, {"0", 0},           {"-2", 0},   {"", 0},
      {"4x", 0}, {" 4", 0}, {"x", 0},   {"99999999999", 0}, {nullptr, 0}};
  for (const auto& [texto, n] : casos) EXPECT_EQ(HilosDeTexto(texto), n) << (texto ? texto : "-");
}

// Each thread works on a whole copy of the model: what the variable asks for is bounded by
// four threads per core. A machine that reports no cores counts as one.
TEST(NumeroDeHilos, ElEntornoNoPasaDeCuatroPorNucleo) {
  struct Caso {
    const char* texto;
    unsigned nucleos;
    int32_t hilos;
  };
  const Caso casos[] = {
      {"1000000", 8, 32}, {"33", 8, 32}, {"32", 8, 32},    {"31", 8, 31},
      {"1", 8, 1},        {nullptr, 8, 8}, {"x", 8, 8},    {"4", 1, 4},
      {"5", 1, 4},        {"1000000", 0, 4}, {"2", 0, 2},  {nullptr, 0, 1},
      {"2147483647", 1u << 31, 4096}, {nullptr, 1u << 31, 1024},
  };
  for (const Caso& c : casos)
    EXPECT_EQ(HilosDelEntorno(c.texto, c.nucleos), c.hilos)
        << (c.texto ? c.texto : "-") << " con " << c.nucleos << " núcleos";
}

// The whole road, in a process of its own (the environment is read once per process).
TEST(NumeroDeHilos, UnMillonDeHilosDelEntornoQuedaAcotado) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const unsigned nucleos = std::max(1u, std::thread::hardware_concurrency());
  const int32_t tope = static_cast<int32_t>(4 * std::min(nucleos, 1024u));
  EXPECT_EXIT(
      {
        setenv("AERONDA_HILOS", "1000000", 1);
        FijarNumeroDeHilos(0);
        std::exit(NumeroDeHilos() == tope && HilosPara(1000000) == tope ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(NumeroDeHilos, FijadoDesdeElCodigoYDeVueltaAlEntorno) {
  const int32_t entorno = NumeroDeHilos();
  EXPECT_GE(entorno, 1);
  FijarNumeroDeHilos(3);
  EXPECT_EQ(NumeroDeHilos(), 3);
  EXPECT_EQ(HilosPara(2), 2);
  EXPECT_EQ(HilosPara(0), 1);
  FijarNumeroDeHilos(0);
  EXPECT_EQ(NumeroDeHilos(), entorno);
  FijarNumeroDeHilos(-5);
  EXPECT_EQ(NumeroDeHilos(), entorno);
}

}  // namespace

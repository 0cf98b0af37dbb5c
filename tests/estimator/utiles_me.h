// Helpers of the tests of the empirical model built from series: a small theoretical model, a
// plant folder of the test's own and the lines of a written table.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "estimator/ucarpetascentrales.h"
#include "estimator/ucurvasaeros.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/archivos_texto.h"

// A 50 MW farm of 25 turbines whose equivalent curve rises logistically to 52 MW at 25 m/s.
inline std::unique_ptr<TParque_ModeloTeorico> ModeloTeoricoDePrueba(int32_t central = 901,
                                                                    NReal PAut = 50) {
  auto mt = std::make_unique<TParque_ModeloTeorico>();
  mt->central = central;
  mt->nMolinos = 25;
  mt->potencia_autorizada_mw = PAut;
  mt->potencia_nominal = PAut;
  TVectR v(26), p(26);
  for (int32_t k = 1; k <= 26; ++k) {
    v[k] = k - 1;
    p[k] = k == 1 ? 0 : 52.0 / (1 + std::exp(-0.7 * (v[k] - 9)));
  }
  p[26] = 52.0;
  mt->curvaEquivalente =
      std::make_unique<TCurvaAerogen>(TCurvaAerogen::Create(1, "equivalente", 80, v, p));
  return mt;
}

// A working base folder of the test's own, under a fresh scratch root; the unit of plant
// folders is started on it and stopped at the end.
class CarpetaDePruebaME : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    raiz_ = std::filesystem::temp_directory_path() /
            ("aeronda_me_" + std::to_string(::getpid()) + "_" + info->name());
    std::filesystem::remove_all(raiz_);
    std::filesystem::create_directories(raiz_);
    FinalizarUcarpetascentrales();
    std::ostringstream consola;
    IniciarUcarpetascentrales(TRaicesCarpetas{raiz_ / "basura", std::nullopt}, consola);
  }
  void TearDown() override {
    FinalizarUcarpetascentrales();
    std::error_code ec;
    std::filesystem::remove_all(raiz_, ec);
  }
  std::filesystem::path raiz_;
};

// The lines of a text file, without their CRLF (a line that does not end in CRLF fails).
inline std::vector<std::string> LineasCRLF(const std::filesystem::path& ruta) {
  const std::string b = LeerArchivoCompleto(ruta);
  std::vector<std::string> lineas;
  size_t i = 0;
  while (i < b.size()) {
    const size_t j = b.find("\r\n", i);
    if (j == std::string::npos) {
      ADD_FAILURE() << ruta << ": última línea sin CRLF";
      lineas.push_back(b.substr(i));
      break;
    }
    lineas.push_back(b.substr(i, j - i));
    i = j + 2;
  }
  return lineas;
}

// The console lines written while f runs.
template <class F>
std::vector<std::string> LineasDeConsola(F&& f) {
  ::testing::internal::CaptureStdout();
  try {
    f();
  } catch (...) {
    ::testing::internal::GetCapturedStdout();
    throw;
  }
  std::istringstream s(::testing::internal::GetCapturedStdout());
  std::vector<std::string> lineas;
  for (std::string l; std::getline(s, l);) lineas.push_back(l);
  return lineas;
}

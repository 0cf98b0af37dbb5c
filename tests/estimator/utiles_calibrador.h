// Shared by the calibrator and combined-model tests: the small farm of
// tests/tools/calibrador_ref.py, its reference values, and a scratch folder standing for the
// drives (AERONDA_BASURA and the base working folder point into it).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "estimator/ucarpetascentrales.h"
#include "platform/archivos_texto.h"
#include "platform/rtltexto.h"

inline std::filesystem::path FixtureCalibrador() {
  return std::filesystem::path(AERONDA_FIXTURES) / "calibrador_chico.clp";
}

struct TObjetivoRef {
  std::vector<double> x;
  double valor = 0;
};
struct TCocienteRef {
  int k = 0, j = 0;
  double pme = 0, pmt = 0;
};
struct TCeldaEthaRef {
  int k = 0, j = 0;
  double valor = 0;
};

// The lines of tests/fixtures/calibrador_ref.txt.
inline void LeerReferenciasCalibrador(std::vector<TObjetivoRef>& objetivos,
                                      std::vector<TCocienteRef>& cocientes,
                                      std::vector<TCeldaEthaRef>* celdas = nullptr) {
  std::istringstream in(
      LeerArchivoCompleto(std::filesystem::path(AERONDA_FIXTURES) / "calibrador_ref.txt"));
  for (std::string l; std::getline(in, l);) {
    std::istringstream ls(l);
    std::string clave;
    ls >> clave;
    std::vector<std::string> t;
    for (std::string s; ls >> s;) t.push_back(s);
    if (clave == "objetivo") {
      TObjetivoRef o;
      for (size_t i = 0; i + 1 < t.size(); ++i) o.x.push_back(TextoAReal(t[i]));
      o.valor = TextoAReal(t.back());
      objetivos.push_back(o);
    } else if (clave == "cociente") {
      cocientes.push_back({StrToInt(t[0]), StrToInt(t[1]), TextoAReal(t[2]), TextoAReal(t[3])});
    } else if (clave == "etha" && celdas != nullptr) {
      celdas->push_back({StrToInt(t[0]), StrToInt(t[1]), TextoAReal(t[2])});
    }
  }
}

// A scratch folder per test: basura for the improvement files, the base working folder
// below it for the plant folders.
class ConCarpetasDePrueba : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    raiz_ = std::filesystem::temp_directory_path() /
            ("aeronda_cal_" + std::to_string(::getpid()) + "_" + info->name());
    std::filesystem::remove_all(raiz_);
    std::filesystem::create_directories(raiz_);
    basura_ = raiz_ / "basura";
    const char* previa = std::getenv("AERONDA_BASURA");
    if (previa != nullptr) basuraPrevia_ = previa;
    hayPrevia_ = previa != nullptr;
    ::setenv("AERONDA_BASURA", basura_.c_str(), 1);
    std::ostringstream consola;
    IniciarUcarpetascentrales(TRaicesCarpetas{basura_, std::nullopt}, consola);
  }
  void TearDown() override {
    FinalizarUcarpetascentrales();
    if (hayPrevia_)
      ::setenv("AERONDA_BASURA", basuraPrevia_.c_str(), 1);
    else
      ::unsetenv("AERONDA_BASURA");
    std::error_code ec;
    std::filesystem::remove_all(raiz_, ec);
  }
  std::filesystem::path raiz_, basura_;
  std::string basuraPrevia_;
  bool hayPrevia_ = false;
};

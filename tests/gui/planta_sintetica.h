// A scratch plant for the tests of the window's model and series commands: working folders and
// the basura folder in a temporary tree, a window with scripted dialogs made FormAeronda, the
// console captured, and a synthetic ten-minute series of a small farm.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "entorno_qt.h"
#include "estimator/gui/uAeronda.h"
#include "estimator/ucarpetascentrales.h"
#include "numerics/uauxiliares.h"
#include "platform/dialogos.h"
#include "platform/rtltexto.h"
#include "services/useriestemporales.h"

namespace planta_sintetica {

namespace fs = std::filesystem;

inline fs::path Fixture(const char* nombre) { return fs::path(AERONDA_FIXTURES) / nombre; }
inline std::string Texto(const QLineEdit* e) { return e->text().toStdString(); }
inline void Escribir(QLineEdit* e, const std::string& s) { e->setText(QString::fromStdString(s)); }

// The theoretical model of the fixture modelo_v3.pmt is plant 12, "Parque Ejemplo Ñandú": two
// turbines of 2 and 0.85 MW.
inline constexpr int32_t kPlanta = 12;
inline constexpr const char* kNombrePlanta = "Parque Ejemplo Ñandú";

// Ten-minute samples of the nine channels (speed, direction, power, temperature, pressure,
// humidity, CGM, availability in percent, speed variance) in four direction sectors (0, 90, 180,
// 270 degrees), each with its own S-shaped power curve below the farm's 2.85 MW. Speeds and
// directions are drawn at random, so no value repeats; temperature, pressure and humidity are
// constants with more than four decimals (the window rounds them to four), CGM is 50 MW and the
// availability 100 %.
inline constexpr double kTemperatura = 12.34567;  // shown 12.3457
inline constexpr double kPresion = 1013.25;       // shown 1013.25
inline constexpr double kHumedad = 55.55554;      // shown 55.5555
inline void EscribirSeriesSinteticas(const fs::path& archivo, int muestrasPorSector = 240) {
  struct Sector {
    double centro, pmax, deltaP, alfa, vm;
  };
  const Sector sectores[] = {{0, 3.0, 0.1, 0.6, 9.0},
                             {90, 2.9, 0.05, 0.8, 8.5},
                             {180, 3.2, 0.2, 0.5, 10.0},
                             {270, 3.0, 0.08, 0.7, 9.5}};
  std::mt19937 gen(20161101);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  TSeriesDeDatos s;
  s.NSeries = 9;
  s.nombres = {"vel", "dir", "PE", "temp", "pre", "hum", "CGM", "disp", "varvel"};
  s.tipos.assign(9, SALIDA);
  s.anio = 2016;
  s.mes = 11;
  s.dia = 1;
  s.periodoHoras = 1.0 / 6.0;
  s.pasosPorCiclo = 144;
  const int n = 4 * muestrasPorSector;
  s.NPuntos = n;
  s.series.assign(9, TVectR(n));
  int k = 1;
  for (int i = 0; i < muestrasPorSector; ++i)
    for (const Sector& c : sectores) {
      const double v = 3.0 + 14.0 * u(gen);
      double ang = c.centro + 3.0 * (u(gen) - 0.5);
      if (ang < 0) ang += 360.0;
      const double p = std::min(c.pmax / (1.0 + std::exp(-c.alfa * (v - c.vm))) - c.deltaP, 2.8);
      const double fila[9] = {v, ang, p, kTemperatura, kPresion, kHumedad, 50.0, 100.0, 0.5};
      for (int j = 0; j < 9; ++j) s.series[static_cast<size_t>(j)][k] = fila[j];
      ++k;
    }
  s.CalcularInicio();
  s.Grabar(archivo);
}

// Standard number format, the working folders and basura under a fresh temporary tree
// (AERONDA_BASURA points there while the test runs), and a window with scripted dialogs.
class PlantaPrueba : public ::testing::Test {
 protected:
  void SetUp() override {
    AsegurarAplicacion();
    // The C locale's settings as the user's: the number-format guard's outermost pop puts the
    // user's back, so the settings in force alone would not last past the first file read.
    formato_ = FormatSettings();
    sistema_ = FormatoDelSistema();
    FijarFormatoDelSistema(FormatoDeLocale("C"));
    ReiniciarFormatoEstandarParaPruebas();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // The process in the name: two builds running the same test at once (each engineer has a
    // build folder of their own) would otherwise remove and overwrite each other's plant.
    raiz_ = fs::temp_directory_path() / ("aeronda_gui3_" + std::string(info->test_suite_name()) +
                                         "_" + info->name() + "_" + std::to_string(::getpid()));
    fs::remove_all(raiz_);
    fs::create_directories(raiz_);
    basura_ = raiz_ / "basura";
    if (const char* b = std::getenv("AERONDA_BASURA")) basuraAntes_ = b;
    setenv("AERONDA_BASURA", basura_.c_str(), 1);
    std::ostringstream consola;
    IniciarUcarpetascentrales(TRaicesCarpetas{basura_, std::nullopt}, consola);
    dialogos_ = std::make_shared<TDialogosGuion>();
    ventana_ = std::make_unique<TFormAeronda>(dialogos_);
    FormAeronda = ventana_.get();
    coutAntes_ = std::cout.rdbuf(consola_.rdbuf());
  }
  void TearDown() override {
    std::cout.rdbuf(coutAntes_);
    FormAeronda = nullptr;
    ventana_.reset();
    FinalizarUcarpetascentrales();
    if (basuraAntes_)
      setenv("AERONDA_BASURA", basuraAntes_->c_str(), 1);
    else
      unsetenv("AERONDA_BASURA");
    FijarFormatoDelSistema(sistema_);
    ReiniciarFormatoEstandarParaPruebas();
    FormatSettings() = formato_;
    fs::remove_all(raiz_);
  }

  TFormAeronda& V() { return *ventana_; }
  fs::path Planta() const { return CarpetaBase / ("c" + IntToStr(kPlanta)); }
  std::string Consola() const { return consola_.str(); }
  // The messages of the exceptions that ended handlers, in order.
  std::vector<std::string> Errores() const {
    std::vector<std::string> r;
    for (const auto& l : dialogos_->Llamadas())
      if (l.tipo == TDialogosGuion::TTipo::Error) r.push_back(l.texto);
    return r;
  }
  // The plant's theoretical-model file in its folder.
  void PonerModeloTeorico() { fs::copy_file(Fixture("modelo_v3.pmt"), ArchivoParqueMT(kPlanta)); }

  fs::path raiz_, basura_;
  std::shared_ptr<TDialogosGuion> dialogos_;
  std::unique_ptr<TFormAeronda> ventana_;

 private:
  TFormatSettings formato_;
  TFormatSettings sistema_;
  std::optional<std::string> basuraAntes_;
  std::ostringstream consola_;
  std::streambuf* coutAntes_ = nullptr;
};

}  // namespace planta_sintetica

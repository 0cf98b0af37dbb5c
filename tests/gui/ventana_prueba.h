// What the tests of the window's commands share: a window with scripted dialogs, run under
// a chosen decimal separator, and short ways to read and write its edits.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <filesystem>
#include <memory>
#include <string>

#include "entorno_qt.h"
#include "estimator/gui/uAeronda.h"
#include "numerics/uauxiliares.h"
#include "platform/dialogos.h"
#include "platform/rtltexto.h"

namespace prueba_ventana {

inline std::filesystem::path Fixture(const char* nombre) {
  return std::filesystem::path(AERONDA_FIXTURES) / nombre;
}

inline std::string Texto(const QLineEdit* e) { return e->text().toStdString(); }
inline void Escribir(QLineEdit* e, const std::string& s) { e->setText(QString::fromStdString(s)); }

// A window with scripted dialogs, made FormAeronda for the unit-level routines. The format
// settings are the C ones with the decimal separator of the test's choice, saved as the
// start-up settings.
class VentanaPrueba : public ::testing::Test {
 protected:
  void SetUp() override {
    AsegurarAplicacion();
    guardado_ = FormatSettings();
    FormatSettings() = FormatoDeLocale("C");
  }
  void TearDown() override {
    ventana_.reset();
    FormatSettings() = guardado_;
    ReiniciarFormatoEstandarParaPruebas();
  }
  // Builds the window (after the separator has been chosen: creation writes numbers).
  TFormAeronda& Ventana(char separadorDecimal = '.') {
    FormatSettings().DecimalSeparator = separadorDecimal;
    FormatSettings().ThousandSeparator = separadorDecimal == ',' ? '.' : ',';
    // The file readers' guard puts back the start-up settings when it ends: these are they.
    GuardarFormatoInicial();
    dialogos_ = std::make_shared<TDialogosGuion>();
    ventana_ = std::make_unique<TFormAeronda>(dialogos_);
    FormAeronda = ventana_.get();
    return *ventana_;
  }
  std::shared_ptr<TDialogosGuion> dialogos_;
  std::unique_ptr<TFormAeronda> ventana_;

 private:
  TFormatSettings guardado_;
};

}  // namespace prueba_ventana

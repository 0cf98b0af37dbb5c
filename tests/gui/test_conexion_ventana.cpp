// The main window's connection at creation: from "condb_rbtdata.dat" in the current directory,
// none without the file, and a window that opens all the same when the server cannot be
// reached.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "comun/basededatos.h"
#include "entorno_qt.h"
#include "estimator/gui/uAeronda.h"
#include "platform/rtltexto.h"
#include "services/udbconpg.h"

namespace fs = std::filesystem;

namespace {

// Each test runs in a folder of its own: the connection file is looked for in the current
// directory, and the shared test folder must never hold one.
class VentanaConexion : public ::testing::Test {
 protected:
  void SetUp() override {
    AsegurarAplicacion();
    guardado_ = FormatSettings();
    FormatSettings() = FormatoDeLocale("C");
    antes_ = fs::current_path();
    carpeta_ = fs::temp_directory_path() / pruebas_bd::NombreUnico("aeronda-ventana");
    fs::create_directories(carpeta_);
    fs::current_path(carpeta_);
  }
  void TearDown() override {
    fs::current_path(antes_);
    fs::remove_all(carpeta_);
    FormatSettings() = guardado_;
  }
  std::unique_ptr<TFormAeronda> NuevaVentana() {
    dialogos_ = std::make_shared<TDialogosGuion>();
    return std::make_unique<TFormAeronda>(dialogos_);
  }
  void EscribirArchivo(const std::string& bytes) {
    pruebas_bd::EscribirBytes(carpeta_ / kArchivoConexion, bytes);
  }
  std::shared_ptr<TDialogosGuion> dialogos_;

 private:
  TFormatSettings guardado_;
  fs::path antes_, carpeta_;
};

TEST_F(VentanaConexion, SinArchivoNoHayConexionNiMensaje) {
  auto v = NuevaVentana();
  EXPECT_EQ(v->Conexion, nullptr);
  EXPECT_TRUE(dialogos_->Llamadas().empty());
  EXPECT_EQ(v->eVAnemoEntrada->text().toStdString(), "9.9");
}

TEST_F(VentanaConexion, ServidorInalcanzableMuestraElErrorYLaVentanaSigue) {
  EscribirArchivo("nohay.invalid\r\nplantas\r\nusuario\r\nclave\r\n");
  auto v = NuevaVentana();
  EXPECT_EQ(v->Conexion, nullptr);
  ASSERT_EQ(dialogos_->Llamadas().size(), 1u);
  EXPECT_EQ(dialogos_->Llamadas()[0].tipo, TDialogosGuion::TTipo::Error);
  EXPECT_EQ(dialogos_->Llamadas()[0].texto.rfind("No se pudo conectar con la base de datos: ", 0),
            0u)
      << dialogos_->Llamadas()[0].texto;
  // The creation went on: the default parameters are written.
  EXPECT_EQ(v->eVAnemoEntrada->text().toStdString(), "9.9");
  EXPECT_EQ(v->eGamma_Atmosfera->text().toStdString(), "0.4");
  EXPECT_EQ(v->eAlfaTerreno->text().toStdString(), "0.5");
}

class BaseDeDatosVentana : public VentanaConexion {};

TEST_F(BaseDeDatosVentana, ConArchivoLaVentanaQuedaConectada) {
  OMITIR_SIN_SERVIDOR();
  EscribirArchivo(pruebas_bd::LineasConexion("\r\n"));
  auto v = NuevaVentana();
  ASSERT_NE(v->Conexion, nullptr);
  EXPECT_TRUE(dialogos_->Llamadas().empty());
  EXPECT_EQ(v->Conexion->funcI("SELECT 2 + 2", -1), 4);
}

}  // namespace

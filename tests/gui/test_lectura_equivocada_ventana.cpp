// "Cargar MC" given a calibrator file: the message box names the file and the line where the
// reading stopped, says the file ended there, and the window keeps what it had.
#include <gtest/gtest.h>

#include <QPushButton>
#include <filesystem>
#include <string>

#include "platform/archivos_texto.h"
#include "ventana_prueba.h"

namespace {

using namespace prueba_ventana;

using LecturaEquivocada = VentanaPrueba;

TEST_F(LecturaEquivocada, CargarMCConUnClpMuestraArchivoYLinea) {
  TFormAeronda& v = Ventana();
  const std::filesystem::path clp = Fixture("ventana_un_molino.clp");
  // The calibrator's 95 lines read; the correction block's first line, 96, is missing.
  const std::string texto = LeerArchivoCompleto(clp);
  int lineas = 0;
  for (size_t i = texto.find("\r\n"); i != std::string::npos; i = texto.find("\r\n", i + 2))
    ++lineas;
  ASSERT_EQ(lineas, 95);
  dialogos_->Abrir(clp);
  v.btCargarMC->click();
  const auto& ll = dialogos_->Llamadas();
  ASSERT_EQ(ll.size(), 2u);
  EXPECT_EQ(ll[0].tipo, TDialogosGuion::TTipo::Abrir);
  EXPECT_EQ(ll[1].tipo, TDialogosGuion::TTipo::Error);
  EXPECT_EQ(ll[1].texto,
            "Error leyendo línea: 96 del archivo: " + clp.string() + ": fin del archivo");
  EXPECT_FALSE(v.ModeloCombinadoActual);
  EXPECT_FALSE(v.CalibradorActual);
}

}  // namespace

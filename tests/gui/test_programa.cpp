// The program body with scratch folder roots: the working folders' console lines come out before
// the window exists, a failed unit start makes no window, and the units end with the body.
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <sstream>
#include <string>

#include "comun/afirmaciones.h"
#include "entorno_qt.h"
#include "estimator/gui/programa.h"
#include "estimator/gui/uAeronda.h"
#include "estimator/ucarpetascentrales.h"
#include "platform/errores.h"

namespace fs = std::filesystem;

namespace {

class Programa : public ::testing::Test {
 protected:
  void SetUp() override {
    AsegurarAplicacion();
    raiz_ = fs::temp_directory_path() / ("aeronda_programa_" + std::to_string(::getpid()));
    fs::remove_all(raiz_);
    fs::create_directories(raiz_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(raiz_, ec);
  }
  fs::path raiz_;
};

TEST_F(Programa, FolderLinesComeBeforeTheWindowAndRepeatOnASecondStart) {
  const fs::path b = raiz_ / "basura";
  const std::string lineas = b.string() + "\n" + (b / "modelado_ro").string() + "\n" +
                             (b / "modelado_ro" / "ZUMK").string() + "\n";
  for (int vez = 1; vez <= 2; ++vez) {
    SCOPED_TRACE(vez);
    std::ostringstream consola;
    TArranque a;
    a.raices = TRaicesCarpetas{b, std::nullopt};
    a.consola = &consola;
    a.dialogos = std::make_shared<TDialogosGuion>();
    // Numbers never follow the user's locale: the body puts LC_NUMERIC back to "C" after the
    // application has set the user's.
    const bool hayEspanol = std::setlocale(LC_NUMERIC, "es_ES.UTF-8") != nullptr;
    int llamadas = 0;
    a.bucle = [&](TFormAeronda& v) {
      ++llamadas;
      EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C") << "es_ES set before: " << hayEspanol;
      EXPECT_EQ(consola.str(), lineas);
      EXPECT_EQ(FormAeronda, &v);
      EXPECT_EQ(CarpetaBase, b / "modelado_ro");
      EXPECT_EQ(v.eGamma_Atmosfera1->text(), v.eGamma_Atmosfera->text());
      v.close();
      return 7;
    };
    int argc = 1;
    char nombre[] = "aeronda";
    char* argv[] = {nombre, nullptr};
    EXPECT_EQ(CuerpoDelPrograma(argc, argv, a), 7);
    EXPECT_EQ(llamadas, 1);
    EXPECT_EQ(consola.str(), lineas);
    // The units have ended with the body.
    EXPECT_EQ(FormAeronda, nullptr);
    EXPECT_TRUE(CarpetaBase.empty());
  }
}

TEST_F(Programa, FailedFolderStartMakesNoWindow) {
  const fs::path b = raiz_ / "falta" / "basura";
  std::ostringstream consola;
  TArranque a;
  a.raices = TRaicesCarpetas{b, std::nullopt};
  a.consola = &consola;
  bool ventana = false;
  a.bucle = [&](TFormAeronda&) {
    ventana = true;
    return 0;
  };
  int argc = 1;
  char nombre[] = "aeronda";
  char* argv[] = {nombre, nullptr};
  EXPECT_THROW_MSG(CuerpoDelPrograma(argc, argv, a), EInOutError,
                   "No puedo crear la carpeta: " + b.string() + ": " +
                       std::make_error_code(std::errc::no_such_file_or_directory).message());
  EXPECT_FALSE(ventana);
  EXPECT_EQ(FormAeronda, nullptr);
  EXPECT_TRUE(CarpetaBase.empty());
}

}  // namespace

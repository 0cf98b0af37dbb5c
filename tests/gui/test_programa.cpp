// The program body with scratch folder roots: the working folders' console lines come out before
// the window exists, a failed unit start makes no window, and the units end with the body.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
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

// The texts of the standard dialogs as a user meets them: the buttons of a question and the
// labels and buttons of a file dialog.
struct TextosDeDialogos {
  QString si, no;
  QString buscarEn, aceptar, cancelar, titulo;
};

TextosDeDialogos TextosVistos(QWidget* padre) {
  TextosDeDialogos t;
  TDialogosQt d(padre);
  AlAbrirse<QMessageBox>([&](QMessageBox* caja) {
    t.si = caja->button(QMessageBox::Yes)->text();
    t.no = caja->button(QMessageBox::No)->text();
    caja->button(QMessageBox::No)->click();
  });
  EXPECT_FALSE(d.PreguntarSiNo("Pregunta", "¿Seguro?"));
  AlAbrirse<QFileDialog>([&](QFileDialog* f) {
    if (auto* l = f->findChild<QLabel*>("lookInLabel")) t.buscarEn = l->text();
    if (auto* b = f->findChild<QDialogButtonBox*>("buttonBox")) {
      t.aceptar = b->button(QDialogButtonBox::Open)->text();
      t.cancelar = b->button(QDialogButtonBox::Cancel)->text();
    }
    t.titulo = f->windowTitle();
    QMetaObject::invokeMethod(f, "reject");
  });
  EXPECT_EQ(d.AbrirArchivo({"odCalibrador", "*.clp", "", {}}), std::nullopt);
  return t;
}

// The program speaks Spanish also in the toolkit's own dialogs, whatever the locale: the body
// loads Qt's Spanish translation, and the program's own texts stay as they are.
TEST_F(Programa, StandardDialogsSpeakSpanish) {
  // Without the program body, the toolkit's own English.
  const TextosDeDialogos ingles = TextosVistos(nullptr);
  EXPECT_EQ(ingles.si, "&Yes");
  EXPECT_EQ(ingles.cancelar, "Cancel");

  TArranque a;
  a.raices = TRaicesCarpetas{raiz_ / "basura", std::nullopt};
  std::ostringstream consola;
  a.consola = &consola;
  a.dialogos = std::make_shared<TDialogosGuion>();
  TextosDeDialogos vistos;
  a.bucle = [&](TFormAeronda& v) {
    vistos = TextosVistos(&v);
    EXPECT_EQ(v.windowTitle(), "FormAeronda");
    EXPECT_EQ(v.btCalcular->text(), "Calcular");
    EXPECT_EQ(v.btUpdateMTinDB->text(), "Update MT in DB");
    EXPECT_EQ(v.PageControl1->tabText(0), "TabSheet2");
    return 0;
  };
  int argc = 1;
  char nombre[] = "aeronda";
  char* argv[] = {nombre, nullptr};
  ASSERT_EQ(CuerpoDelPrograma(argc, argv, a), 0);
  EXPECT_EQ(vistos.si, QString::fromUtf8("&Sí"));
  EXPECT_EQ(vistos.no, "&No");
  EXPECT_EQ(vistos.buscarEn, "Ver en:");
  EXPECT_EQ(vistos.aceptar, "&Abrir");
  EXPECT_EQ(vistos.cancelar, "Cancelar");
  EXPECT_EQ(vistos.titulo, "Abrir");  // the program's own title of the open dialog

  // The translation goes with the body.
  EXPECT_EQ(TextosVistos(nullptr).si, "&Yes");
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

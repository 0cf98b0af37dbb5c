// Pictures of every page of the window, to look at the layout: with AERONDA_CAPTURAS naming a
// folder, writes TabSheet2.png ... TabSheet5.png there, the simulation page after a simulation
// with the mouse over the farm (Simulacion.png) and the program's open dialog
// (DialogoAbrir.png); skipped otherwise. Run it under a real
// display server, e.g.
//   AERONDA_CAPTURAS=/tmp/capturas QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1700x900x24"
//     build/tests/test_gui --gtest_filter='Capturas.*'
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMetaObject>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "entorno_qt.h"
#include "estimator/gui/programa.h"
#include "estimator/gui/uAeronda.h"

TEST(Capturas, EveryPage) {
  const char* carpeta = std::getenv("AERONDA_CAPTURAS");
  if (!carpeta || !*carpeta) GTEST_SKIP() << "AERONDA_CAPTURAS not set";
  AsegurarAplicacion();
  std::filesystem::create_directories(carpeta);
  TFormAeronda v(std::make_shared<TDialogosGuion>());
  v.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
  for (int i = 0; i < v.PageControl1->count(); ++i) {
    v.PageControl1->setCurrentIndex(i);
    QTest::qWait(100);
    const QString nombre =
        QString::fromUtf8(carpeta) + "/" + v.PageControl1->widget(i)->objectName() + ".png";
    EXPECT_TRUE(v.grab().save(nombre));
  }
  v.close();
}

TEST(Capturas, SimulationAndOpenDialog) {
  const char* carpeta = std::getenv("AERONDA_CAPTURAS");
  if (!carpeta || !*carpeta) GTEST_SKIP() << "AERONDA_CAPTURAS not set";
  AsegurarAplicacion();
  std::filesystem::create_directories(carpeta);
  const QString destino = QString::fromUtf8(carpeta) + "/";
  const auto basura = std::filesystem::temp_directory_path() / "aeronda_capturas";
  std::filesystem::create_directories(basura);
  TArranque a;
  a.raices = TRaicesCarpetas{basura, std::nullopt};
  std::ostringstream consola;
  a.consola = &consola;
  auto guion = std::make_shared<TDialogosGuion>();
  a.dialogos = guion;
  a.bucle = [&](TFormAeronda& v) {
    v.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&v));
    v.PageControl1->setCurrentWidget(v.TabSheet2);
    guion->Abrir(std::filesystem::path(AERONDA_FIXTURES) / "ventana_un_molino.clp");
    v.btCalcular->click();
    v.pb_Parque_original->OnMouseMove(500, 300);
    QTest::qWait(100);
    EXPECT_TRUE(v.grab().save(destino + "Simulacion.png"));
    // The real open dialog, as the program shows it.
    AlAbrirse<QFileDialog>([&](QFileDialog* f) {
      QTest::qWait(200);
      EXPECT_TRUE(f->grab().save(destino + "DialogoAbrir.png"));
      QMetaObject::invokeMethod(f, "reject");
    });
    TDialogosQt(&v).AbrirArchivo(v.odCalibradorMC);
    v.close();
    return 0;
  };
  int argc = 1;
  char nombre[] = "aeronda";
  char* argv[] = {nombre, nullptr};
  EXPECT_EQ(CuerpoDelPrograma(argc, argv, a), 0);
  std::filesystem::remove_all(basura);
}

// Pictures of every page of the window, to look at the layout: with AERONDA_CAPTURAS naming a
// folder, writes TabSheet2.png ... TabSheet5.png there; skipped otherwise. Run it under a real
// display server, e.g.
//   AERONDA_CAPTURAS=/tmp/capturas QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1700x900x24"
//     build/tests/test_gui --gtest_filter='Capturas.*'
#include <gtest/gtest.h>

#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "entorno_qt.h"
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

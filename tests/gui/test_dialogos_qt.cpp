// The real dialogs, answered by a timer that acts on the modal window once it is up.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "entorno_qt.h"
#include "platform/dialogos.h"

namespace {

class DialogosQt : public ::testing::Test {
 protected:
  void SetUp() override { AsegurarAplicacion(); }
};

TEST_F(DialogosQt, QuestionShowsItsLinesAndAnswersYesOrNo) {
  TDialogosQt d(nullptr);
  for (bool si : {true, false}) {
    QString titulo, texto;
    AlAbrirse<QMessageBox>([&, si](QMessageBox* caja) {
      titulo = caja->windowTitle();
      texto = caja->text();
      caja->button(si ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    EXPECT_EQ(d.PreguntarSiNo("ATENCIÓN!", "Coeficiente = 0.9\r¿Quiere desfasar?"), si);
    EXPECT_EQ(titulo, QString::fromUtf8("ATENCIÓN!"));
    // The lone carriage return of the system's messages breaks the line.
    EXPECT_EQ(texto, QString::fromUtf8("Coeficiente = 0.9\n¿Quiere desfasar?"));
  }
}

TEST_F(DialogosQt, MessagesArePlainText) {
  TDialogosQt d(nullptr);
  QString texto;
  Qt::TextFormat formato = Qt::AutoText;
  AlAbrirse<QMessageBox>([&](QMessageBox* caja) {
    texto = caja->text();
    formato = caja->textFormat();
    caja->button(QMessageBox::Ok)->click();
  });
  d.MostrarError("<b>1 < 2</b>\r\nfin");
  EXPECT_EQ(texto, "<b>1 < 2</b>\nfin");
  EXPECT_EQ(formato, Qt::PlainText);
}

TEST_F(DialogosQt, CancelledFileDialogsGiveNothing) {
  TDialogosQt d(nullptr);
  QString nombre;
  QStringList filtros;
  AlAbrirse<QFileDialog>([&](QFileDialog* f) {
    nombre = f->objectName();
    filtros = f->nameFilters();
    QMetaObject::invokeMethod(f, "reject");
  });
  EXPECT_EQ(d.GuardarArchivo({"sdCalibrador", "*.clp", ".clp", {}}), std::nullopt);
  EXPECT_EQ(nombre, "sdCalibrador");
  EXPECT_EQ(filtros, QStringList{"*.clp"});

  AlAbrirse<QFileDialog>([](QFileDialog* f) { QMetaObject::invokeMethod(f, "reject"); });
  EXPECT_EQ(d.AbrirArchivo({"odCalibrador", "*.clp", "", {}}), std::nullopt);
}

}  // namespace

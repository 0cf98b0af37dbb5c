// The real dialogs, answered by a timer that acts on the modal window once it is up.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QTest>
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

// The files a file dialog lists in its folder, once its model has read the folder.
QStringList ArchivosVisibles(QFileDialog* f) {
  auto* lista = f->findChild<QListView*>("listView");
  if (!lista) return {"sin lista"};
  QStringList nombres;
  for (int espera = 0; espera < 200 && nombres.isEmpty(); ++espera) {
    QTest::qWait(10);
    const QModelIndex raiz = lista->rootIndex();
    for (int i = 0; i < lista->model()->rowCount(raiz); ++i)
      nombres << lista->model()->index(i, 0, raiz).data().toString();
  }
  nombres.sort();
  return nombres;
}

// Several filters: the first is in force when the dialog opens, the others can be chosen.
TEST_F(DialogosQt, FileDialogWithTwoFiltersShowsTheFilesOfEach) {
  const QString carpeta = QDir::temp().filePath(QString("aeronda_filtros_%1").arg(getpid()));
  QDir(carpeta).removeRecursively();
  ASSERT_TRUE(QDir().mkpath(carpeta));
  for (const char* n : {"a.clp", "b.pmc", "c.txt"}) {
    QFile f(carpeta + "/" + n);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  TDialogosQt d(nullptr);
  QStringList filtros, primero, segundo;
  QString enUso;
  AlAbrirse<QFileDialog>([&](QFileDialog* f) {
    filtros = f->nameFilters();
    enUso = f->selectedNameFilter();
    primero = ArchivosVisibles(f);
    f->selectNameFilter("*.clp");
    segundo = ArchivosVisibles(f);
    QMetaObject::invokeMethod(f, "reject");
  });
  EXPECT_EQ(d.AbrirArchivo({"odCalibrador", "*.pmc;;*.clp", "", carpeta.toStdString()}),
            std::nullopt);
  EXPECT_EQ(filtros, (QStringList{"*.pmc", "*.clp"}));
  EXPECT_EQ(enUso, "*.pmc");
  EXPECT_EQ(primero, QStringList{"b.pmc"});
  EXPECT_EQ(segundo, QStringList{"a.clp"});
  QDir(carpeta).removeRecursively();
}

}  // namespace

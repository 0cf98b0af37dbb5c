// The main window as the user meets it: its controls with their captions, start texts and
// sizes, which handler each event runs, the twin edits kept equal, and the creation defaults.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDate>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "entorno_qt.h"
#include "estimator/gui/uAeronda.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// Standard separators while a test runs, whatever the machine's locale.
class VentanaBase : public ::testing::Test {
 protected:
  void SetUp() override {
    AsegurarAplicacion();
    guardado_ = FormatSettings();
    FormatSettings() = FormatoDeLocale("C");
  }
  void TearDown() override { FormatSettings() = guardado_; }
  std::unique_ptr<TFormAeronda> NuevaVentana() {
    dialogos_ = std::make_shared<TDialogosGuion>();
    return std::make_unique<TFormAeronda>(dialogos_);
  }
  std::shared_ptr<TDialogosGuion> dialogos_;

 private:
  TFormatSettings guardado_;
};

// ---------------------------------------------------------------------------------------------
// Inventory

enum class Tipo { LE, Edit, Boton, Casilla, Fecha, Etiqueta, Caja, Grupo, Panel, Rejilla };

struct Control {
  const char* nombre;
  Tipo tipo;
  const char* rotulo;  // label, caption or title
  const char* texto;   // text at start (after creation); dates "dd/MM/yyyy"
  int ancho = 0, alto = 0;
};

// Written from the window's description, independently of the form table in the code. The
// three creation defaults appear as creation leaves them with "." as decimal separator.
const Control kInventario[] = {
    // TabSheet2
    {"pb_Parque_original", Tipo::Caja, "", "", 978, 616},
    {"GroupBox1", Tipo::Grupo, "GroupBox1", ""},
    {"Panel1", Tipo::Panel, "", ""},
    {"eDir", Tipo::LE, "Dirección [°]", "270"},
    {"eVAnemoEntrada", Tipo::LE, "VAnemo [m/s] ", "9.9"},
    {"eAlfaTerreno", Tipo::LE, "Alfa terreno:", "0.5"},
    {"eGamma_Atmosfera", Tipo::LE, "Gamma Atmósfera:", "0.4"},
    {"efpv3pe", Tipo::LE, "fpv3pe:", "1"},
    {"eFactorPerdidasParque", Tipo::LE, "Factor de pérdidas:", "1"},
    {"eLimiteDePotencia", Tipo::LE, "Límite de potencia:", "1"},
    {"btCalcular", Tipo::Boton, "Calcular", ""},
    {"eVAnemoResultante", Tipo::LE, "VAnemo [m/s]", "???"},
    {"ePE_MW_ModeloTeorico", Tipo::LE, "ePE_MW_ModeloTeorico", "ePE_MW_ModeloTeorico"},
    {"ePE_MW_Representantes", Tipo::LE, "[MW] (datos)", "ePE_MW_Representantes"},
    {"eME_Peso", Tipo::LE, "(peso - Datos ME)", "eME_Peso"},
    {"btCargarCalibrador", Tipo::Boton, "Cargar Cal.", ""},
    {"btGuardarCalibrador", Tipo::Boton, "Guardar Cal.", ""},
    {"btUpdateMTinDB", Tipo::Boton, "Update MT in DB", ""},
    {"btProcesarSeries", Tipo::Boton, "Procesar Series", ""},
    {"VientoLibre", Tipo::LE, "Viento libre incidente\nen la central (m/s)", ""},
    {"eErr2Calibrar", Tipo::LE, "Err2", "eErr2Calibrar"},
    {"btCalibrarParque", Tipo::Boton, "Calibrar", ""},
    {"CalcularReduccion", Tipo::Boton, "Calcular reducción", ""},
    {"Calcularviento", Tipo::Boton, "Calcular viento ", ""},
    {"vientoparapot", Tipo::LE,
     "Calcula el viento libre incidente\nen el parque para que se genere\nuna potencia "
     "determinada.\nEl viento está referido a la densidad base.",
     "50"},
    {"VientoDeLaPotMW", Tipo::LE, "Viento libre asociado\n a la potencia generada.", ""},
    {"CalibrarSimpleEthaMeteo", Tipo::Boton, "Calibración simple EthaMeteo", ""},
    {"eEthaMolino", Tipo::LE, "Molino_etha: ", "1"},
    {"btCambiar_ro", Tipo::Boton, "Cambiar ro", ""},
    {"cbCambiarTodosLosRo", Tipo::Casilla, "Cambiar todos los Ro.", ""},
    {"eMolino", Tipo::Edit, "", "eMolino"},
    {"eEthaMeteo", Tipo::LE, "Meteo_etha: ", "1", 504},
    {"eCoordenadasXY", Tipo::Edit, "", "eCoordenadasXY", 360},
    // TabSheet3
    {"eNidCentral", Tipo::LE, "NID de la central eólica a seleccionar", ""},
    {"btBajarParque", Tipo::Boton, "Bajar Parque MT From DB", ""},
    {"btCalcularMC", Tipo::Boton, "Calcular MC", ""},
    {"btCargarMC", Tipo::Boton, "Cargar MC", ""},
    {"btLevantarCurvaAeroADB", Tipo::Boton, "Subir Curvas Aeros", ""},
    {"Label9", Tipo::Etiqueta,
     "Rango de ajuste en potencia de la curva s en los datos del cluster.\n"
     "% inferior            % superior ",
     ""},
    {"PorcentajeAjusteCurvaSinf", Tipo::Edit, "", "1"},
    {"PorcentajeAjusteCurvaSsup", Tipo::Edit, "", "100"},
    {"btLoadFromArchi_ModeloMTySeries", Tipo::Boton, "Crear archivo .clp con MT y archivo .sas",
     ""},
    {"PaintBox2", Tipo::Caja, "", "", 541, 325},
    {"PaintBox3", Tipo::Caja, "", "", 541, 325},
    {"StringGrid1", Tipo::Rejilla, "", ""},
    {"btInsertSeriesGen", Tipo::Boton, "Insertar Series enviadas por el Gen", ""},
    {"btProcesarSeriesConMC", Tipo::Boton, "Procesar seris con MC.", ""},
    {"FechaDesde", Tipo::Fecha, "Desde", "01/11/2016"},
    {"FechaHasta", Tipo::Fecha, "Hasta", "30/11/2016"},
    {"btProcesarRestricciones", Tipo::Boton, "btProcesarRestricciones", ""},
    {"NIDcentralesAunir", Tipo::LE, "Introducir el NID de las centrales separado por \";\"",
     "20;21;28"},
    {"NIDcentralAnemo", Tipo::LE,
     "NID de la central que asocia su Estación\n Meteorológica con la supercentral", "20"},
    {"CrearSupercentral", Tipo::Boton, "Crear supercentral", ""},
    {"Label7", Tipo::Etiqueta,
     "Se crea una supercentral que modela en conjunto las centrales especificadas. \n"
     "Se puede elegir que central asocia su EM con la supercentral.\n"
     "El NID de la supercentral  es la unión de los NID de las centrales individuales. \n"
     "Se crea el correspondiente MT y se guarda en la BD.\n"
     "Se crea un archivo calibrador (.clp) a partir del MT y un archivo de series de datos "
     "(.sas). \n"
     "El calibrador se guarda en la carpeta correspondiente a la central.",
     ""},
    {"BorrarSupercentral", Tipo::Boton, "Borrar supercentral", ""},
    {"Label8", Tipo::Etiqueta,
     "Borra la supercentral de la BD.\nLa supercentral a borrar se especifica según su NID.", ""},
    {"NIDsupercentralBorrar", Tipo::LE, "NID de la supercentral a borrar", "202128"},
    // TabSheet4
    {"PaintBox1", Tipo::Caja, "", "", 797, 501},
    {"btPlot_PV_MEMTMC", Tipo::Boton, "Graficar P(V) MEMTMC", ""},
    {"eEthaMeteo1", Tipo::LE, "Meteo_etha: ", "1", 360},
    // TabSheet5
    {"pb_Parque_simple", Tipo::Caja, "", "", 978, 616},
    {"GroupBox2", Tipo::Grupo, "Entradas", ""},
    {"btCalcular1", Tipo::Boton, "Simular Modelo Teórico", ""},
    {"eDir1", Tipo::LE, "Dirección E.M. [°]", "270"},
    // Starts equal to eVAnemoEntrada (the form text "9.99" would not be the speed simulated).
    {"eVAnemoEntrada1", Tipo::LE, "Velocidad E.M. [m/s] ", "9.9"},
    {"eAlfaTerreno1", Tipo::LE, "Alfa terreno:", "0.5"},
    {"eGamma_Atmosfera1", Tipo::LE, "Gamma Atmósfera:", "0.4"},
    {"efpv3pe1", Tipo::LE, "fpv3pe:", "1"},
    {"eFactorPerdidasParque1", Tipo::LE, "Factor de pérdidas:", "1"},
    {"eLimiteDePotencia1", Tipo::LE, "Límite de potencia [MW]", "1"},
    {"eEthaMeteo2", Tipo::LE, "Etha E.M.", "1"},
    {"eVAnemoResultante1", Tipo::LE, "Velocidad E.M. [m/s] ", "???"},
    {"ePE_MW_ModeloTeorico1", Tipo::LE, "Potencia Modelo Teórico [MW]", "ePE_MW_ModeloTeorico"},
    {"ePE_MW_Representantes1", Tipo::LE, "Potencia Modelo Empírico [MW]", "ePE_MW_Representantes"},
    {"eME_Peso1", Tipo::LE, "Peso Datos Modelo Empírico", "eME_Peso"},
    {"btCargarMC1", Tipo::Boton, "Cargar Modelo Calibrado", ""},
    {"FechaDesde1", Tipo::Fecha, "Desde (>=)", "01/11/2016"},
    {"FechaHasta1", Tipo::Fecha, "Hasta (<=)", "30/11/2016"},
    {"btProcesarSeriesConMC1", Tipo::Boton, "Calcular con todos los datos", ""},
    {"btProcesarRestricciones1", Tipo::Boton, "Calcular solo las R.O.", ""},
    {"cbSoloTeorico", Tipo::Casilla, "Solo Modelo Teórico.", ""},
    {"eHoras_Buffer", Tipo::LE, "Muestras Buffer", "3"},
    {"cbSeriesConVelLibre", Tipo::Casilla, "Series con Velocidad Libre", ""},
};

void RevisarControl(TFormAeronda& v, const Control& c) {
  SCOPED_TRACE(c.nombre);
  QWidget* w = v.findChild<QWidget*>(U(c.nombre));
  ASSERT_NE(w, nullptr);
  switch (c.tipo) {
    case Tipo::LE: {
      auto* e = dynamic_cast<TLabeledEdit*>(w);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->text(), U(c.texto));
      ASSERT_NE(e->EditLabel(), nullptr);
      EXPECT_EQ(e->EditLabel()->text(), U(c.rotulo));
      EXPECT_EQ(e->EditLabel()->objectName(), U(c.nombre) + "_label");
      // The label sits above its edit.
      EXPECT_LT(e->EditLabel()->mapTo(&v, QPoint(0, 0)).y(), e->mapTo(&v, QPoint(0, 0)).y());
      break;
    }
    case Tipo::Edit: {
      auto* e = qobject_cast<QLineEdit*>(w);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(dynamic_cast<TLabeledEdit*>(w), nullptr);
      EXPECT_EQ(e->text(), U(c.texto));
      break;
    }
    case Tipo::Boton: {
      auto* b = qobject_cast<QPushButton*>(w);
      ASSERT_NE(b, nullptr);
      EXPECT_EQ(b->text(), U(c.rotulo));
      break;
    }
    case Tipo::Casilla: {
      auto* b = qobject_cast<QCheckBox*>(w);
      ASSERT_NE(b, nullptr);
      EXPECT_EQ(b->text(), U(c.rotulo));
      EXPECT_FALSE(b->isChecked());
      break;
    }
    case Tipo::Fecha: {
      auto* d = qobject_cast<QDateEdit*>(w);
      ASSERT_NE(d, nullptr);
      EXPECT_EQ(d->date(), QDate::fromString(U(c.texto), "dd/MM/yyyy"));
      EXPECT_EQ(d->text(), U(c.texto));
      EXPECT_TRUE(d->calendarPopup());
      auto* l = v.findChild<QLabel*>(U(c.nombre) + "_label");
      ASSERT_NE(l, nullptr);
      EXPECT_EQ(l->text(), U(c.rotulo));
      break;
    }
    case Tipo::Etiqueta: {
      auto* l = qobject_cast<QLabel*>(w);
      ASSERT_NE(l, nullptr);
      EXPECT_EQ(l->text(), U(c.rotulo));
      break;
    }
    case Tipo::Caja: {
      auto* p = dynamic_cast<TPaintBox*>(w);
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(p->Imagen().size(), QSize(c.ancho, c.alto));
      EXPECT_EQ(p->minimumSize(), QSize(c.ancho, c.alto));
      EXPECT_EQ(p->maximumSize(), QSize(c.ancho, c.alto));
      EXPECT_EQ(p->size(), QSize(c.ancho, c.alto));
      break;
    }
    case Tipo::Grupo: {
      auto* g = qobject_cast<QGroupBox*>(w);
      ASSERT_NE(g, nullptr);
      EXPECT_EQ(g->title(), U(c.rotulo));
      break;
    }
    case Tipo::Panel:
      EXPECT_NE(qobject_cast<QFrame*>(w), nullptr);
      break;
    case Tipo::Rejilla: {
      auto* t = qobject_cast<QTableWidget*>(w);
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->columnCount(), 3);
      EXPECT_EQ(t->rowCount(), 8);
      break;
    }
  }
  if (c.tipo != Tipo::Caja && c.ancho > 0) {
    EXPECT_EQ(w->width(), c.ancho);
  }
}

class Ventana : public VentanaBase {};

TEST_F(Ventana, EveryControlHasItsKindCaptionTextAndSize) {
  auto v = NuevaVentana();
  v->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(v.get()));
  // Every page laid out, so that the sizes are real.
  for (int i = 0; i < v->PageControl1->count(); ++i) {
    v->PageControl1->setCurrentIndex(i);
    QApplication::processEvents();
  }
  for (const Control& c : kInventario) RevisarControl(*v, c);
  v->close();
}

// The width an edit has for its text: its contents less the text margins and the two pixels
// that the edit keeps clear on either side of the text.
int AnchoParaTexto(const QLineEdit& e) {
  QStyleOptionFrame op;
  op.initFrom(&e);
  op.rect = e.contentsRect();
  op.lineWidth = e.hasFrame() ? e.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &op, &e) : 0;
  op.midLineWidth = 0;
  op.state |= QStyle::State_Sunken;
  const QRect r = e.style()->subElementRect(QStyle::SE_LineEditContents, &op, &e);
  const QMargins m = e.textMargins();
  return r.width() - m.left() - m.right() - 2 * 2;
}

// Every output edit shows the whole of a long text of the kind it is given (a real in the
// general float text has up to 15 significant digits), without scrolling it out of sight.
TEST_F(Ventana, OutputEditsShowTheirWholeTexts) {
  const char* const real = "-1234.56789012345";
  const struct {
    const char* edit;
    const char* texto;
  } casos[] = {
      {"eVAnemoResultante", real},
      {"ePE_MW_ModeloTeorico", real},
      {"ePE_MW_Representantes", real},
      {"eME_Peso", real},
      {"VientoLibre", real},
      {"eErr2Calibrar", "1.23456789012345E-5"},
      {"VientoDeLaPotMW", "0.000612500000000001"},  // a wind power density in MW/m2
      {"eMolino", "v: 12.3, P:123.4"},
      {"eCoordenadasXY", "x: -1234.56789012345, y: -16.6723549488054"},
      {"eVAnemoResultante1", real},
      {"ePE_MW_ModeloTeorico1", real},
      {"ePE_MW_Representantes1", real},
      {"eME_Peso1", real},
  };
  auto v = NuevaVentana();
  v->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(v.get()));
  for (int i = 0; i < v->PageControl1->count(); ++i) {
    v->PageControl1->setCurrentIndex(i);
    QApplication::processEvents();
  }
  for (const auto& c : casos) {
    auto* e = v->findChild<QLineEdit*>(c.edit);
    ASSERT_NE(e, nullptr) << c.edit;
    e->setText(U(c.texto));
    EXPECT_LE(e->fontMetrics().horizontalAdvance(e->text()), AnchoParaTexto(*e))
        << c.edit << " (" << e->width() << " px) no muestra entero \"" << c.texto << "\"";
  }
  v->close();
}

TEST_F(Ventana, PagesCaptionSizeAndOpeningPage) {
  auto v = NuevaVentana();
  EXPECT_EQ(v->windowTitle(), "FormAeronda");
  EXPECT_EQ(v->size(), QSize(1582, 819));
  auto* pc = v->findChild<QTabWidget*>("PageControl1");
  ASSERT_NE(pc, nullptr);
  ASSERT_EQ(pc->count(), 4);
  const char* paginas[] = {"TabSheet2", "TabSheet3", "TabSheet4", "TabSheet5"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(pc->tabText(i), paginas[i]);
    EXPECT_EQ(pc->widget(i)->objectName(), paginas[i]);
  }
  EXPECT_EQ(pc->currentWidget()->objectName(), "TabSheet5");

  v->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(v.get()));
  pc->setCurrentIndex(0);
  QApplication::processEvents();
  // GroupBox1 starts 349 wide at the window's size, on the right of the splitter.
  auto* g = v->findChild<QGroupBox*>("GroupBox1");
  auto* s = v->findChild<QSplitter*>("Splitter1");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(g->width(), 349);
  EXPECT_EQ(s->indexOf(g), s->count() - 1);
  // The turbine panel lies below the speed field.
  auto* pb = v->findChild<TPaintBox*>("pb_Parque_original");
  auto* panel = v->findChild<QFrame*>("Panel1");
  EXPECT_GE(panel->mapTo(v.get(), QPoint(0, 0)).y(), pb->mapTo(v.get(), QPoint(0, 616)).y());
  v->close();
}

TEST_F(Ventana, FarmPaintBoxesTrackTheMouseAndShowTheirImage) {
  auto v = NuevaVentana();
  EXPECT_TRUE(v->pb_Parque_original->hasMouseTracking());
  EXPECT_TRUE(v->pb_Parque_simple->hasMouseTracking());
  // What a handler paints into the image is what the box shows.
  TPaintBox* pb = v->pb_Parque_simple;
  pb->Imagen().fill(QColor(200, 10, 30));
  pb->Imagen().setPixelColor(5, 7, QColor(0, 255, 0));
  v->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(v.get()));
  const QImage visto = pb->grab().toImage();
  EXPECT_EQ(visto.pixelColor(0, 0), QColor(200, 10, 30));
  EXPECT_EQ(visto.pixelColor(5, 7), QColor(0, 255, 0));
  EXPECT_EQ(visto.pixelColor(977, 615), QColor(200, 10, 30));
  v->close();
}

// ---------------------------------------------------------------------------------------------
// Event bindings: which handler each event runs, followed through the window's handler hook.

enum class Accion { Clic, RatonAbajo, RatonMovido, Texto, Fecha, Pagina, MenuContextual };

struct Enlace {
  const char* control;
  Accion accion;
  std::vector<const char*> manejadores;  // in the order they run; empty: nothing bound
};

const Enlace kEnlaces[] = {
    {"btCalcular", Accion::Clic, {"btCalcularClick"}},
    {"btCalcular1", Accion::Clic, {"btCalcularClick"}},
    {"btCargarCalibrador", Accion::Clic, {"btCargarCalibradorClick"}},
    {"btGuardarCalibrador", Accion::Clic, {"btGuardarCalibradorClick"}},
    {"btUpdateMTinDB", Accion::Clic, {"btUpdateMTinDBClick"}},
    {"btProcesarSeries", Accion::Clic, {}},
    {"btCalibrarParque", Accion::Clic, {"btCalibrarParqueClick"}},
    {"CalcularReduccion", Accion::Clic, {"CalcularReduccionClick"}},
    {"Calcularviento", Accion::Clic, {"CalcularvientoClick"}},
    {"CalibrarSimpleEthaMeteo", Accion::Clic, {"CalibrarSimpleEthaMeteoClick"}},
    {"btCambiar_ro", Accion::Clic, {"btCambiar_roClick"}},
    {"btBajarParque", Accion::Clic, {"btBajarParqueClick"}},
    {"btCalcularMC", Accion::Clic, {"btCalcularMCClick"}},
    {"btCargarMC", Accion::Clic, {"btCargarMCClick"}},
    {"btCargarMC1", Accion::Clic, {"btCargarMCClick"}},
    {"btLevantarCurvaAeroADB", Accion::Clic, {"btLevantarCurvaAeroADBClick"}},
    {"btLoadFromArchi_ModeloMTySeries", Accion::Clic, {"btLoadFromArchi_ModeloMTySeriesClick"}},
    {"btInsertSeriesGen", Accion::Clic, {"btInsertSeriesGenClick"}},
    {"btProcesarSeriesConMC", Accion::Clic, {"btProcesarSeriesConMCClick"}},
    {"btProcesarSeriesConMC1", Accion::Clic, {"btProcesarSeriesConMCClick"}},
    {"btProcesarRestricciones", Accion::Clic, {"btProcesarRestriccionesClick"}},
    {"btProcesarRestricciones1", Accion::Clic, {"btProcesarRestriccionesClick"}},
    {"CrearSupercentral", Accion::Clic, {"CrearSupercentralClick"}},
    {"BorrarSupercentral", Accion::Clic, {"BorrarSupercentralClick"}},
    {"btPlot_PV_MEMTMC", Accion::Clic, {"btPlot_PV_MEMTMCClick"}},
    {"Label7", Accion::Clic, {"Label7Click"}},
    {"GroupBox2", Accion::Clic, {"GroupBox2Click"}},
    {"PaintBox1", Accion::Clic, {"PaintBox1Click"}},
    {"PaintBox2", Accion::Clic, {"PaintBox1Click"}},
    {"PaintBox3", Accion::Clic, {"PaintBox1Click"}},
    // A click on a farm box is a mouse down first.
    {"pb_Parque_original", Accion::Clic, {"pb_Parque_originalMouseDown"}},
    {"pb_Parque_simple", Accion::Clic, {"pb_Parque_originalMouseDown", "pb_Parque_simpleClick"}},
    {"pb_Parque_original", Accion::RatonMovido, {"pb_Parque_originalMouseMove"}},
    {"pb_Parque_simple", Accion::RatonMovido, {"pb_Parque_originalMouseMove"}},
    {"pb_Parque_simple", Accion::RatonAbajo, {"pb_Parque_originalMouseDown"}},
    {"TabSheet3", Accion::MenuContextual, {"TabSheet3ContextPopup"}},
    {"eHoras_Buffer", Accion::Texto, {"eHoras_BufferChange"}},
    {"NIDcentralAnemo", Accion::Texto, {"NIDcentralAnemoChange"}},
    {"NIDcentralesAunir", Accion::Texto, {"NIDcentralesAunirChange"}},
    {"PorcentajeAjusteCurvaSinf", Accion::Texto, {"PorcentajeAjusteCurvaSinfChange"}},
    {"PorcentajeAjusteCurvaSsup", Accion::Texto, {}},
    {"eVAnemoEntrada", Accion::Texto, {}},
    {"efpv3pe", Accion::Texto, {}},
    {"eNidCentral", Accion::Texto, {}},
    {"vientoparapot", Accion::Texto, {}},
    {"FechaHasta", Accion::Fecha, {"FechaHastaChange"}},
    {"FechaDesde", Accion::Fecha, {}},
    // A twin's change runs its own handler; the twin's copy back finds equal texts and stops.
    {"eDir1", Accion::Texto, {"eDir1Change", "eDirChange"}},
    {"efpv3pe1", Accion::Texto, {"efpv3pe1Change"}},
    {"eEthaMeteo1", Accion::Texto, {"eEthaMeteo1Change", "eEthaMeteoChange", "eEthaMeteo2Change"}},
    {"eME_Peso", Accion::Texto, {"eME_PesoChange"}},
    // FechaDesde already moved by 3 days above, so only FechaHasta takes a new date.
    {"FechaDesde1", Accion::Fecha, {"FechaDesde1Change", "FechaHastaChange"}},
    {"TabSheet4", Accion::Pagina, {"TabSheet4Show", "PageControl1Change"}},
    {"TabSheet2", Accion::Pagina, {"PageControl1Change"}},
};

void Provocar(TFormAeronda& v, QWidget* w, Accion a) {
  const QPointF centro(w->width() / 2.0, w->height() / 2.0);
  const QPointF global = w->mapToGlobal(centro);
  switch (a) {
    case Accion::Clic: {
      if (auto* b = qobject_cast<QPushButton*>(w)) {
        b->click();
        break;
      }
      QMouseEvent abajo(QEvent::MouseButtonPress, centro, global, Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
      QMouseEvent arriba(QEvent::MouseButtonRelease, centro, global, Qt::LeftButton, Qt::NoButton,
                         Qt::NoModifier);
      QApplication::sendEvent(w, &abajo);
      QApplication::sendEvent(w, &arriba);
      break;
    }
    case Accion::RatonAbajo: {
      QMouseEvent abajo(QEvent::MouseButtonPress, centro, global, Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
      QApplication::sendEvent(w, &abajo);
      break;
    }
    case Accion::RatonMovido: {
      QMouseEvent mov(QEvent::MouseMove, centro, global, Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
      QApplication::sendEvent(w, &mov);
      break;
    }
    case Accion::Texto:
      qobject_cast<QLineEdit*>(w)->setText("7");
      break;
    case Accion::Fecha: {
      auto* d = qobject_cast<QDateEdit*>(w);
      d->setDate(d->date().addDays(3));
      break;
    }
    case Accion::Pagina:
      v.PageControl1->setCurrentWidget(w);
      break;
    case Accion::MenuContextual: {
      QContextMenuEvent e(QContextMenuEvent::Mouse, centro.toPoint(), global.toPoint());
      QApplication::sendEvent(w, &e);
      break;
    }
  }
}

TEST_F(Ventana, EachEventRunsItsHandler) {
  auto v = NuevaVentana();
  std::vector<std::string> corridos;
  v->AlEjecutarManejador = [&](std::string_view m) { corridos.emplace_back(m); };
  for (const Enlace& e : kEnlaces) {
    SCOPED_TRACE(e.control);
    QWidget* w = v->findChild<QWidget*>(U(e.control));
    ASSERT_NE(w, nullptr);
    corridos.clear();
    Provocar(*v, w, e.accion);
    EXPECT_EQ(corridos, std::vector<std::string>(e.manejadores.begin(), e.manejadores.end()));
  }
  // The commands behind the buttons now open their dialogs and messages; the scripted dialogs
  // answer them with a cancel, so every command stops at its first question.
}

// The same through the window system, as a user's clicks arrive: a label and a group box
// take no mouse press of their own, and must still get their clicks.
TEST_F(Ventana, RealClicksReachLabelsGroupBoxesAndPaintBoxes) {
  auto v = NuevaVentana();
  v->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(v.get()));
  std::vector<std::string> corridos;
  v->AlEjecutarManejador = [&](std::string_view m) { corridos.emplace_back(m); };

  QTest::mouseClick(v->GroupBox2, Qt::LeftButton, {},
                    QPoint(v->GroupBox2->width() / 2, v->GroupBox2->height() - 5));
  QTest::mouseClick(v->pb_Parque_simple, Qt::LeftButton, {}, QPoint(10, 40));
  EXPECT_EQ(corridos, (std::vector<std::string>{"GroupBox2Click", "pb_Parque_originalMouseDown",
                                                "pb_Parque_simpleClick"}));
  v->PageControl1->setCurrentWidget(v->TabSheet3);
  QApplication::processEvents();
  corridos.clear();
  QTest::mouseClick(v->Label7, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseClick(v->PaintBox3, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(corridos, (std::vector<std::string>{"Label7Click", "PaintBox1Click"}));
  v->close();
}

TEST_F(Ventana, HandlerExceptionsEndInAMessageBox) {
  auto v = NuevaVentana();
  v->EjecutarSeguro([] { throw EConvertError("\"x\" no es un número real válido"); });
  v->EjecutarSeguro([] { throw 42; });
  v->EjecutarSeguro([] {});
  const auto& ll = dialogos_->Llamadas();
  ASSERT_EQ(ll.size(), 2u);
  EXPECT_EQ(ll[0].tipo, TDialogosGuion::TTipo::Error);
  EXPECT_EQ(ll[0].texto, "\"x\" no es un número real válido");
  EXPECT_EQ(ll[1].texto, "Error desconocido");
}

// ---------------------------------------------------------------------------------------------
// Twin edits

struct Gemelos {
  const char* origen;
  const char* destino;
  bool ambos;  // the destination copies back
};

const Gemelos kGemelos[] = {
    {"eDir", "eDir1", true},
    {"eAlfaTerreno", "eAlfaTerreno1", true},
    {"eGamma_Atmosfera", "eGamma_Atmosfera1", true},
    {"eEthaMeteo", "eEthaMeteo2", true},
    {"eVAnemoEntrada1", "eVAnemoEntrada", false},
    {"efpv3pe1", "efpv3pe", false},
    {"eFactorPerdidasParque1", "eFactorPerdidasParque", false},
    {"eLimiteDePotencia1", "eLimiteDePotencia", false},
    {"eEthaMeteo1", "eEthaMeteo", false},
    {"eVAnemoResultante", "eVAnemoResultante1", false},
    {"ePE_MW_ModeloTeorico", "ePE_MW_ModeloTeorico1", false},
    {"ePE_MW_Representantes", "ePE_MW_Representantes1", false},
    {"eME_Peso", "eME_Peso1", false},
};

TEST_F(Ventana, TwinEditsCopyInTheBoundDirections) {
  auto v = NuevaVentana();
  for (const Gemelos& g : kGemelos) {
    SCOPED_TRACE(std::string(g.origen) + " -> " + g.destino);
    auto* o = v->findChild<QLineEdit*>(U(g.origen));
    auto* d = v->findChild<QLineEdit*>(U(g.destino));
    ASSERT_TRUE(o && d);
    o->setText("[1|1][0,93]");
    EXPECT_EQ(d->text(), "[1|1][0,93]");
    d->setText("12.5");
    EXPECT_EQ(o->text(), g.ambos ? "12.5" : "[1|1][0,93]");
  }
  // eEthaMeteo1 reaches eEthaMeteo2 through eEthaMeteo.
  v->eEthaMeteo1->setText("[1|1][2]");
  EXPECT_EQ(v->eEthaMeteo2->text(), "[1|1][2]");
}

TEST_F(Ventana, DateTwinsCopyBothDates) {
  auto v = NuevaVentana();
  const QDate d1(2017, 3, 4), h1(2017, 5, 6);
  // Each change on the simple page copies both of its dates.
  v->FechaHasta->setDate(QDate(2020, 1, 1));
  v->FechaDesde1->setDate(d1);
  EXPECT_EQ(v->FechaDesde->date(), d1);
  EXPECT_EQ(v->FechaHasta->date(), QDate(2016, 11, 30));
  v->FechaDesde->setDate(QDate(2020, 1, 1));
  v->FechaHasta1->setDate(h1);
  EXPECT_EQ(v->FechaHasta->date(), h1);
  EXPECT_EQ(v->FechaDesde->date(), d1);
  // TabSheet3's dates do not copy back.
  v->FechaDesde->setDate(QDate(2019, 2, 2));
  EXPECT_EQ(v->FechaDesde1->date(), d1);
}

TEST_F(Ventana, ShowingTabSheet4CopiesTheMatrixText) {
  auto v = NuevaVentana();
  const QString matriz = "[2|1][1.05][0.98]";
  v->eEthaMeteo->setText(matriz);
  EXPECT_EQ(v->eEthaMeteo1->text(), "1");
  v->PageControl1->setCurrentWidget(v->TabSheet3);
  EXPECT_EQ(v->eEthaMeteo1->text(), "1");
  v->PageControl1->setCurrentWidget(v->TabSheet4);
  EXPECT_EQ(v->eEthaMeteo1->text(), matriz);
  EXPECT_EQ(v->eEthaMeteo2->text(), matriz);
}

TEST_F(Ventana, TypingInTheMiddleOfATwinKeepsTheCursor) {
  auto v = NuevaVentana();
  v->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(v.get()));
  v->eDir1->setFocus();
  v->eDir1->setCursorPosition(1);  // 2|70
  QTest::keyClick(v->eDir1, Qt::Key_5);
  EXPECT_EQ(v->eDir1->text(), "2570");
  EXPECT_EQ(v->eDir->text(), "2570");
  EXPECT_EQ(v->eDir1->cursorPosition(), 2);
  QTest::keyClick(v->eDir1, Qt::Key_Backspace);
  EXPECT_EQ(v->eDir->text(), "270");
  EXPECT_EQ(v->eDir1->cursorPosition(), 1);
  v->close();
}

// ---------------------------------------------------------------------------------------------
// Creation

TEST_F(Ventana, CreationWritesTheDefaultsInTheUsersNumberFormat) {
  FormatSettings().DecimalSeparator = ',';
  auto v = NuevaVentana();
  EXPECT_EQ(v->eVAnemoEntrada->text(), "9,9");
  EXPECT_EQ(v->eGamma_Atmosfera->text(), "0,4");
  EXPECT_EQ(v->eAlfaTerreno->text(), "0,5");
  EXPECT_EQ(v->eGamma_Atmosfera1->text(), "0,4");
  EXPECT_EQ(v->eAlfaTerreno1->text(), "0,5");
  EXPECT_EQ(v->eVAnemoEntrada1->text(), "9,9");
  EXPECT_EQ(v->windowTitle(), "FormAeronda");
  EXPECT_EQ(v->CalibradorActual, nullptr);
  EXPECT_EQ(v->ModeloTeoricoActual, nullptr);
  EXPECT_EQ(v->ModeloCombinadoActual, nullptr);
}

TEST_F(Ventana, DateEditsGiveDayBasedDates) {
  auto v = NuevaVentana();
  EXPECT_EQ(FechaDeEdit(*v->FechaDesde), 42675.0);   // 2016-11-01
  EXPECT_EQ(FechaDeEdit(*v->FechaHasta1), 42704.0);  // 2016-11-30
}

}  // namespace

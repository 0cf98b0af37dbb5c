// Simulation from the window: the powers and speeds it writes, the speed field it paints, the
// turbine under the mouse, the free wind for a target power and the turbines' etha.
//
// The fixture farm "ventana_un_molino.clp" has one 2 MW turbine (curve 0, 2, 2 MW at 3, 12,
// 25 m/s, linear in power density) 500 m east of the mast, a 1 x 1 station factor of 1, losses
// 0.035 on a nominal 2 MW and a limit of 10 MW. With the wind from the west the mast is
// upwind of the turbine, so it sees the free stream, and the turbine's power at the mast speed
// V is P = 2 (V^3 - 27) / (1728 - 27), the farm's P - (0.035 / 2) P^2, in single precision.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMetaObject>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "comun/carpeta_prueba.h"
#include "estimator/ucalibrador.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/errores.h"
#include "services/uescalacolores.h"
#include "ventana_prueba.h"

namespace {

using namespace prueba_ventana;

const char* const kUnMolino = "ventana_un_molino.clp";

double PotenciaMolino(double V) { return 2.0 * (V * V * V - 27.0) / (1728.0 - 27.0); }
double PotenciaParqueUnMolino(double V, double perdidas) {
  const double P = PotenciaMolino(V);
  return static_cast<float>(P - perdidas / 2.0 * P * P);
}

double Numero(const QLineEdit* e) { return StrToFloat(Texto(e)); }

TColor Pixel(const TPaintBox* pb, int x, int y) {
  const QRgb c = pb->Imagen().pixel(x, y);
  return RGBAColor(qRed(c), qGreen(c), qBlue(c));
}

class Simulacion : public VentanaPrueba {
 protected:
  // A window that has loaded the fixture through the calibrator dialog of "Calcular".
  TFormAeronda& Simulada() {
    TFormAeronda& v = Ventana();
    dialogos_->Abrir(Fixture(kUnMolino));
    v.btCalcular->click();
    EXPECT_TRUE(dialogos_->Errores().empty());
    return v;
  }
  // The last message-box error, "" when there was none.
  std::string UltimoError() const {
    for (auto it = dialogos_->Llamadas().rbegin(); it != dialogos_->Llamadas().rend(); ++it)
      if (it->tipo == TDialogosGuion::TTipo::Error) return it->texto;
    return "";
  }
};

TEST_F(Simulacion, CalcularSinModeloOfreceElCalibradorYEscribeLasPotencias) {
  TFormAeronda& v = Simulada();
  ASSERT_FALSE(dialogos_->Llamadas().empty());
  EXPECT_EQ(dialogos_->Llamadas().front().nombre, "odCalibrador");
  EXPECT_EQ(dialogos_->Llamadas().front().texto, "*.clp;;*.pmc");
  ASSERT_TRUE(v.CalibradorActual);

  EXPECT_NEAR(Numero(v.ePE_MW_ModeloTeorico), PotenciaParqueUnMolino(9.9, 0.035), 1e-6);
  EXPECT_NEAR(Numero(v.VientoLibre), 9.9, 1e-9);
  EXPECT_NEAR(Numero(v.eVAnemoResultante), 9.9, 1e-9);

  // The same computation on models of the test's own, read from the same file.
  auto cal = TCalibradorParque::CreateDesdeArchivo(Fixture(kUnMolino));
  const double dp = DensidadPotenciaViento(9.9, 1.225);
  cal->mt->PrepararGrilla(false, 270, dp);
  bool convergio = false;
  NReal mastil = 0, libre = 0;
  const NReal pMT = cal->mt->PotenciaParque(convergio, mastil, 1.225, dp, 10, libre);
  NReal peso = 0;
  const NReal pME = cal->me->PotenciaRepresentantes(peso, 270, dp, 1.225);
  EXPECT_EQ(Texto(v.ePE_MW_ModeloTeorico), FloatToStr(pMT));
  EXPECT_EQ(Texto(v.ePE_MW_Representantes), FloatToStr(pME));
  EXPECT_EQ(Texto(v.eME_Peso), FloatToStr(peso));

  // The four outputs are mirrored on the simple page.
  EXPECT_EQ(Texto(v.ePE_MW_ModeloTeorico1), Texto(v.ePE_MW_ModeloTeorico));
  EXPECT_EQ(Texto(v.ePE_MW_Representantes1), Texto(v.ePE_MW_Representantes));
  EXPECT_EQ(Texto(v.eME_Peso1), Texto(v.eME_Peso));
  EXPECT_EQ(Texto(v.eVAnemoResultante1), Texto(v.eVAnemoResultante));
  EXPECT_TRUE(v.pb_Parque_original->Imagen() == v.pb_Parque_simple->Imagen());
}

// The edits reach the model at every click: without losses and with a limit of 1 MW the farm
// gives exactly the limit at 9.9 m/s, and at 6 m/s the turbine's own power.
TEST_F(Simulacion, LosEditsEntranEnElModelo) {
  TFormAeronda& v = Simulada();
  Escribir(v.eFactorPerdidasParque, "0");
  Escribir(v.eLimiteDePotencia, "1");
  v.btCalcular->click();
  EXPECT_EQ(UltimoError(), "");
  EXPECT_EQ(Texto(v.ePE_MW_ModeloTeorico), "1");
  EXPECT_DOUBLE_EQ(v.ModeloTeoricoActual->factor_perdidas, 0.0);

  Escribir(v.eVAnemoEntrada, "3*2");
  v.btCalcular->click();
  EXPECT_NEAR(Numero(v.ePE_MW_ModeloTeorico), PotenciaParqueUnMolino(6, 0), 1e-6);
}

// A bad number reaches the message box; the model keeps its parameters.
TEST_F(Simulacion, TextoInvalidoLlegaAlMensaje) {
  TFormAeronda& v = Simulada();
  const std::string antes = Texto(v.ePE_MW_ModeloTeorico);
  Escribir(v.eFactorPerdidasParque, "0");
  Escribir(v.eDir, "oeste");
  v.btCalcular->click();
  EXPECT_EQ(UltimoError(), "Error: no se puede evaluar \"oeste\" a un número real");
  EXPECT_DOUBLE_EQ(v.ModeloTeoricoActual->factor_perdidas, 0.035);
  EXPECT_EQ(Texto(v.ePE_MW_ModeloTeorico), antes);
}

TEST_F(Simulacion, SinModeloNiArchivo) {
  TFormAeronda& v = Ventana();
  dialogos_->Abrir(std::nullopt);
  v.btCalcular1->click();
  EXPECT_EQ(UltimoError(), "No hay un modelo teórico cargado");
  EXPECT_EQ(Texto(v.ePE_MW_ModeloTeorico), "ePE_MW_ModeloTeorico");
}

// A model without a calibrator (as from the database) is simulated without the station
// factor link; the empirical outputs are cleared rather than taken from another farm.
TEST_F(Simulacion, ModeloSinCalibrador) {
  TFormAeronda& v = Simulada();
  v.ModeloTeoricoActual = TParque_ModeloTeorico::CreateDesdeArchivo(Fixture(kUnMolino));
  // No drawing window yet: the mouse does nothing.
  const std::string coordenadas = Texto(v.eCoordenadasXY);
  v.pb_Parque_originalMouseMove(100, 100);
  v.pb_Parque_originalMouseDown(100, 100);
  EXPECT_EQ(Texto(v.eCoordenadasXY), coordenadas);
  v.btCalcular->click();
  EXPECT_EQ(UltimoError(), "");
  EXPECT_NEAR(Numero(v.ePE_MW_ModeloTeorico), PotenciaParqueUnMolino(9.9, 0.035), 1e-6);
  EXPECT_EQ(Texto(v.ePE_MW_Representantes), "");
  EXPECT_EQ(Texto(v.eME_Peso), "");
}

// A click pending when "Calcular" lets the GUI catch up may release the model: the handler
// then ends with the message instead of drawing a model that is gone.
TEST_F(Simulacion, ModeloLiberadoMientrasLaInterfazSeActualiza) {
  TFormAeronda& v = Simulada();
  QMetaObject::invokeMethod(
      &v, [&v] { v.ModeloTeoricoActual.reset(); }, Qt::QueuedConnection);
  v.btCalcular->click();
  EXPECT_EQ(UltimoError(), "No hay un modelo teórico cargado");
  // One that replaces it is simulated instead.
  QMetaObject::invokeMethod(
      &v, [&v] { v.CargarModeloCombinado(Fixture("ventana_dos_molinos.pmc")); },
      Qt::QueuedConnection);
  // Without a model the file dialog comes first (cancelled), then the pending load runs.
  dialogos_->Abrir(std::nullopt);
  const size_t llamadas = dialogos_->Llamadas().size();
  v.btCalcular->click();
  ASSERT_EQ(dialogos_->Llamadas().size(), llamadas + 1);
  EXPECT_EQ(dialogos_->Llamadas().back().tipo, TDialogosGuion::TTipo::Abrir);
  EXPECT_TRUE(dialogos_->Errores().empty());
  EXPECT_EQ(dialogos_->RespuestasPendientes(), 0u);
  ASSERT_TRUE(v.ModeloTeoricoActual);
  EXPECT_EQ(v.ModeloTeoricoActual->nombre, "Parque Dos");
  EXPECT_TRUE(v.ModeloTeoricoActual->GrillaPreparada());
}

// ---------------------------------------------------------------------------------------------
// Speed field

TEST_F(Simulacion, CampoDeVelocidades) {
  TFormAeronda& v = Simulada();
  const TPaintBox* pb = v.pb_Parque_original;
  const int W = pb->Width();
  const TEscalaColor escala(4, 10);
  // Legend: the scale's colour at 4 + 6 x / W, a black tick at every sixth of the width.
  for (int k = 1; k <= 5; ++k) {
    const int xk = k * W / 6;
    SCOPED_TRACE(k);
    EXPECT_EQ(Pixel(pb, xk, 0), clBlack);
    EXPECT_EQ(Pixel(pb, xk, 29), clBlack);
    EXPECT_EQ(Pixel(pb, xk - 5, 5), escala.ColorDeValor(4 + 6.0 * (xk - 5) / W));
    EXPECT_EQ(Pixel(pb, xk - 5, 29), escala.ColorDeValor(4 + 6.0 * (xk - 5) / W));
  }
  // Left end blue-ish under the texts' white boxes, right end red below "10".
  EXPECT_EQ(Pixel(pb, W - 1, 29), escala.ColorDeValor(4 + 6.0 * (W - 1) / W));

  TParque_ModeloTeorico& mt = *v.ModeloTeoricoActual;
  auto pixel = [&](double x, double y) {
    int32_t px = 0, py = 0;
    mt.MundoAPixel(TPuntoXY{x, y}, px, py);
    return Pixel(pb, px, py);
  };
  // Upwind of the turbine the free stream: 9.9 m/s. In its wake less. Beyond the grid (a
  // quarter of the 500 m margin upwind and downwind) there is no wind and the pixel is white.
  EXPECT_EQ(pixel(-150, 100), escala.ColorDeValor(9.9));
  EXPECT_NE(pixel(650, 0), escala.ColorDeValor(9.9));
  EXPECT_EQ(pixel(-290, 0), clWhite);
  EXPECT_EQ(pixel(790, 0), clWhite);
  // Speeds below 4 m/s take the colour of 4: at 3.5 m/s the turbine takes nothing out.
  Escribir(v.eVAnemoEntrada, "3.5");
  v.btCalcular->click();
  EXPECT_EQ(pixel(-150, 100), escala.ColorDeValor(4));
  EXPECT_EQ(pixel(-150, 100), clBlue);
}

// The texts of the legend and the mast's "(A)" leave dark pixels where they are written.
TEST_F(Simulacion, TextosDelCampo) {
  TFormAeronda& v = Simulada();
  const TPaintBox* pb = v.pb_Parque_original;
  auto hayTexto = [&](int x0, int y0, int ancho, int alto) {
    for (int x = x0; x < x0 + ancho; ++x)
      for (int y = y0; y < y0 + alto; ++y) {
        const QRgb c = pb->Imagen().pixel(x, y);
        if (qRed(c) + qGreen(c) + qBlue(c) < 200) return true;
      }
    return false;
  };
  const int W = pb->Width();
  for (int k = 1; k <= 5; ++k) EXPECT_TRUE(hayTexto(k * W / 6 + 2, 0, 8, 14)) << k;
  EXPECT_TRUE(hayTexto(0, 0, 8, 14));
  EXPECT_TRUE(hayTexto(0, 15, 40, 14));
  EXPECT_TRUE(hayTexto(W - 13, 0, 13, 14));
  int32_t px = 0, py = 0;
  v.ModeloTeoricoActual->MundoAPixel(TPuntoXY{0, 0}, px, py);
  EXPECT_TRUE(hayTexto(px, py, 20, 14));
  EXPECT_FALSE(hayTexto(px - 40, py, 20, 14));
}

// ---------------------------------------------------------------------------------------------
// Turbine under the mouse

TEST_F(Simulacion, RatonSobreElMolino) {
  TFormAeronda& v = Simulada();
  TParque_ModeloTeorico& mt = *v.ModeloTeoricoActual;
  int32_t px = 0, py = 0;
  mt.MundoAPixel(TPuntoXY{500, 0}, px, py);
  v.pb_Parque_originalMouseMove(px, py);
  // The turbine saw 9.9 m/s and gave P = 2 (970.299 - 27) / 1701 = 1.109 MW.
  EXPECT_EQ(Texto(v.eMolino), "v: 9.9, P:1.1");
  const std::string coord = Texto(v.eCoordenadasXY);
  ASSERT_EQ(coord.rfind("x: ", 0), 0u) << coord;
  const double x = StrToFloat(coord.substr(3, coord.find(',') - 3));
  const double y = StrToFloat(coord.substr(coord.find("y: ") + 3));
  EXPECT_NEAR(x, 500, 2);  // a pixel is about 1.1 m
  EXPECT_NEAR(y, 0, 2);

  // Far from the turbine: the coordinates change, the turbine text stays.
  v.pb_Parque_simple->OnMouseMove(3, v.pb_Parque_simple->Height() - 3);
  EXPECT_NE(Texto(v.eCoordenadasXY), coord);
  EXPECT_EQ(Texto(v.eMolino), "v: 9.9, P:1.1");
}

// A click on either paint box selects the turbine and copies the surroundings from
// pb_Parque_original to the clipboard.
TEST_F(Simulacion, ClicSeleccionaYCopiaDelOriginal) {
  TFormAeronda& v = Simulada();
  TParque_ModeloTeorico& mt = *v.ModeloTeoricoActual;
  v.pb_Parque_original->Imagen().fill(QColor(255, 0, 0));
  v.pb_Parque_simple->Imagen().fill(QColor(0, 0, 255));
  int32_t px = 0, py = 0;
  mt.MundoAPixel(TPuntoXY{505, 10}, px, py);
  QGuiApplication::clipboard()->clear();
  v.pb_Parque_simple->OnMouseDown(px, py);
  ASSERT_TRUE(v.MolinoSeleccionado);
  EXPECT_EQ(v.MolinoSeleccionado->nid, 701);
  EXPECT_EQ(Texto(v.eEthaMolino), "1");

  // 16 diameters of 80 m along the wind and 12 across, at the drawing's scale.
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  mt.MundoAPixel(TPuntoXY{500 - 80, 6 * 80}, x1, y1);
  mt.MundoAPixel(TPuntoXY{500 + 15 * 80, -6 * 80}, x2, y2);
  const QImage copia = QGuiApplication::clipboard()->image();
  EXPECT_EQ(copia.width(), x2 - x1 + 1);
  EXPECT_EQ(copia.height(), y2 - y1 + 1);
  EXPECT_NEAR(copia.width(), 16 * 80 * 978.0 / 1100, 2);
  const QRgb c = copia.pixel(copia.width() / 4, copia.height() / 2);
  EXPECT_EQ(qRed(c), 255);
  EXPECT_EQ(qBlue(c), 0);

  // A click away from every turbine leaves none selected.
  v.pb_Parque_originalMouseDown(2, v.pb_Parque_original->Height() - 2);
  EXPECT_FALSE(v.MolinoSeleccionado);
}

// The simulation on the straightforward march and on the kernel the processor picks: the same
// texts, speed field, turbine under the mouse and clipboard picture. From the east the mast is
// in the turbine's wake.
TEST_F(Simulacion, ElNucleoDeLaMarchaNoCambiaLaVentana) {
  TFormAeronda& v = Simulada();
  const TNucleoMarcha elegido = NucleoMarcha();
  struct Vista {
    std::vector<std::string> textos;
    QImage original, simple, copia;
  };
  auto ver = [&](TNucleoMarcha n, const std::string& dir) {
    FijarNucleoMarcha(n);
    Escribir(v.eDir, dir);
    v.btCalcular->click();
    Vista r;
    r.original = v.pb_Parque_original->Imagen();
    r.simple = v.pb_Parque_simple->Imagen();
    int32_t px = 0, py = 0;
    v.ModeloTeoricoActual->MundoAPixel(TPuntoXY{500, 0}, px, py);
    v.pb_Parque_originalMouseMove(px, py);
    QGuiApplication::clipboard()->clear();
    v.pb_Parque_originalMouseDown(px, py);
    r.copia = QGuiApplication::clipboard()->image();
    const QLineEdit* const textos[] = {v.ePE_MW_ModeloTeorico, v.VientoLibre, v.eVAnemoResultante,
                                       v.eMolino, v.eCoordenadasXY};
    for (const QLineEdit* e : textos) r.textos.push_back(Texto(e));
    return r;
  };
  for (const char* dir : {"270", "90", "123.4"}) {
    SCOPED_TRACE(dir);
    const Vista a = ver(TNucleoMarcha::Referencia, dir);
    const Vista b = ver(elegido, dir);
    EXPECT_EQ(a.textos, b.textos);
    EXPECT_TRUE(a.original == b.original);
    EXPECT_TRUE(a.simple == b.simple);
    EXPECT_FALSE(a.copia.isNull());
    EXPECT_TRUE(a.copia == b.copia);
  }
  FijarNucleoMarcha(elegido);
  EXPECT_TRUE(dialogos_->Errores().empty());
}

// ---------------------------------------------------------------------------------------------
// Free wind for a target power

TEST_F(Simulacion, VientoParaUnaPotencia) {
  TFormAeronda& v = Simulada();
  // Above the authorised 10 MW: only the message.
  Escribir(v.vientoparapot, "10.5");
  const std::string antes = Texto(v.VientoDeLaPotMW);
  v.Calcularviento->click();
  ASSERT_FALSE(dialogos_->Llamadas().empty());
  EXPECT_EQ(dialogos_->Llamadas().back().tipo, TDialogosGuion::TTipo::Mensaje);
  EXPECT_EQ(dialogos_->Llamadas().back().texto,
            "La central tiene una potencia autorizada de 10 MW.\rIngrese nuevamente el valor de "
            "potencia.");
  EXPECT_EQ(Texto(v.VientoDeLaPotMW), antes);

  // 1 MW: the search's first trial is 20 m/s * 1 / 10 = 2 m/s, below cut-in, which gives 0 MW,
  // within the search's 1 MW tolerance. The mast is upwind, so the free stream is the mast's
  // 0.5 * 1.225 * 2^3 / 1e6 MW/m2.
  Escribir(v.vientoparapot, "1");
  v.Calcularviento->click();
  EXPECT_EQ(UltimoError(), "");
  EXPECT_NEAR(Numero(v.VientoDeLaPotMW), 4.9e-6, 1e-18);

  // A target equal to the authorised power runs the search.
  Escribir(v.eLimiteDePotencia, "1");
  v.btCalcular->click();
  Escribir(v.VientoDeLaPotMW, "");
  v.Calcularviento->click();
  EXPECT_NE(Texto(v.VientoDeLaPotMW), "");
}

TEST_F(Simulacion, VientoSinSimulacionPrevia) {
  TFormAeronda& v = Ventana();
  CargarCalibrador(Fixture(kUnMolino));
  Escribir(v.vientoparapot, "1");
  v.Calcularviento->click();
  EXPECT_EQ(UltimoError(), "Primero simule el parque con \"Calcular\"");
}

// A simulation refused by the grid set-up (a turbine whose position is not a number, as a
// database row may hold) leaves no grid to search the wind on: the guard answers, not the
// march.
TEST_F(Simulacion, VientoTrasUnaSimulacionRechazada) {
  TFormAeronda& v = Simulada();
  ASSERT_TRUE(v.ModeloTeoricoActual->GrillaPreparada());
  v.ModeloTeoricoActual->molinos[0].posicion.punto.x = std::nan("");
  v.btCalcular->click();
  EXPECT_EQ(UltimoError(),
            "Posición inválida del molino 1 (nid=" + IntToStr(v.ModeloTeoricoActual->molinos[0].nid) +
                ") en la grilla rotada: x = Nan m, y = 0 m");
  Escribir(v.vientoparapot, "1");
  v.Calcularviento->click();
  EXPECT_EQ(UltimoError(), "Primero simule el parque con \"Calcular\"");
}

// ---------------------------------------------------------------------------------------------
// Turbine factors

TEST_F(Simulacion, CambiarRo) {
  struct Caso {
    bool todos, seleccionado;
    double esperado;
  };
  const Caso casos[] = {{false, false, 1.0}, {false, true, 0.8}, {true, false, 0.8}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(::testing::Message() << c.todos << c.seleccionado);
    TFormAeronda& v = Ventana();
    CargarModeloCombinado(Fixture("ventana_dos_molinos.pmc"));
    v.pb_Parque_originalMouseMove(0, 0);  // the drawing window is set; nothing near
    if (c.seleccionado) {
      int32_t px = 0, py = 0;
      v.ModeloTeoricoActual->MundoAPixel(TPuntoXY{400, 0}, px, py);
      v.pb_Parque_originalMouseDown(px, py);
      ASSERT_TRUE(v.MolinoSeleccionado);
    }
    v.cbCambiarTodosLosRo->setChecked(c.todos);
    Escribir(v.eEthaMolino, "0.4*2");
    v.btCambiar_ro->click();
    EXPECT_EQ(UltimoError(), "");
    const auto& molinos = v.ModeloTeoricoActual->molinos;
    EXPECT_DOUBLE_EQ(molinos[0].etha, c.esperado);
    EXPECT_DOUBLE_EQ(molinos[1].etha, c.todos ? 0.8 : 1.0);
  }
  // A selection outlives the model it was made on: the turbine it names is changed, the
  // current model is not.
  {
    TFormAeronda& v = Ventana();
    CargarCalibrador(Fixture(kUnMolino));
    v.pb_Parque_originalMouseMove(0, 0);
    int32_t px = 0, py = 0;
    v.ModeloTeoricoActual->MundoAPixel(TPuntoXY{500, 0}, px, py);
    v.pb_Parque_originalMouseDown(px, py);
    ASSERT_TRUE(v.MolinoSeleccionado);
    CargarCalibrador(Fixture(kUnMolino));
    Escribir(v.eEthaMolino, "0.5");
    v.btCambiar_ro->click();
    EXPECT_EQ(v.MolinoSeleccionado->etha, 0.5);
    EXPECT_EQ(v.ModeloTeoricoActual->molinos[0].etha, 1.0);
  }
  TFormAeronda& v = Ventana();
  Escribir(v.eEthaMolino, "x");
  v.btCambiar_ro->click();
  EXPECT_EQ(UltimoError(), "Error: no se puede evaluar \"x\" a un número real");
}

// A turbine factor shown and not edited goes back as it was, not as its 15 digits: 2/3 shows
// "0.666666666666667", which reads as another double.
TEST_F(Simulacion, CambiarRoSinEditarConservaElFactor) {
  const std::filesystem::path archivo = CarpetaDePrueba("etha_exacto") / "etha.clp";
  {
    const auto c = TCalibradorParque::CreateDesdeArchivo(Fixture(kUnMolino));
    c->mt->molinos[0].etha = 2.0 / 3.0;
    c->Guardar(archivo);
  }
  for (const bool todos : {false, true}) {
    SCOPED_TRACE(todos);
    TFormAeronda& v = Ventana(',');
    CargarCalibrador(archivo);
    v.pb_Parque_originalMouseMove(0, 0);
    int32_t px = 0, py = 0;
    v.ModeloTeoricoActual->MundoAPixel(TPuntoXY{500, 0}, px, py);
    v.pb_Parque_originalMouseDown(px, py);
    ASSERT_TRUE(v.MolinoSeleccionado);
    EXPECT_EQ(Texto(v.eEthaMolino), "0,666666666666667");
    v.cbCambiarTodosLosRo->setChecked(todos);
    v.btCambiar_ro->click();
    EXPECT_EQ(UltimoError(), "");
    EXPECT_EQ(v.ModeloTeoricoActual->molinos[0].etha, 2.0 / 3.0);
  }
}

}  // namespace

// A picture of the speed field after a simulation of the two-turbine farm, to look at: with
// AERONDA_CAPTURAS naming a folder, writes CampoVelocidades.png there; skipped otherwise (see
// test_capturas.cpp for running it under a display server).
TEST(Capturas, CampoDeVelocidades) {
  const char* carpeta = std::getenv("AERONDA_CAPTURAS");
  if (!carpeta || !*carpeta) GTEST_SKIP() << "AERONDA_CAPTURAS not set";
  AsegurarAplicacion();
  std::filesystem::create_directories(carpeta);
  auto dialogos = std::make_shared<TDialogosGuion>();
  TFormAeronda v(dialogos);
  dialogos->Abrir(Fixture("ventana_dos_molinos.pmc"));
  v.CargarModeloCombinado(Fixture("ventana_dos_molinos.pmc"));
  v.show();
  v.PageControl1->setCurrentWidget(v.TabSheet2);
  v.btCalcular->click();
  ASSERT_TRUE(dialogos->Errores().empty());
  QTest::qWait(100);
  EXPECT_TRUE(v.grab().save(QString::fromUtf8(carpeta) + "/CampoVelocidades.png"));
  v.close();
}

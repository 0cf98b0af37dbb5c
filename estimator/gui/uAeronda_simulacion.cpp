// Simulation of the current theoretical and empirical models for one wind, the speed field
// painted on the farm's paint boxes, and the turbine inspection under the mouse.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QImage>
#include <QRect>
#include <QString>
#include <string>

#include "estimator/gui/uAeronda.h"
#include "estimator/ucalibrador.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/xmatdefs.h"
#include "platform/errores.h"
#include "platform/lienzo_qt.h"
#include "platform/rtltexto.h"
#include "services/uescalacolores.h"

namespace {

// The air density of every simulation here, kg/m3.
constexpr NReal kRho = DensidadEstandar;
// Height of the colour legend above the field, pixels.
constexpr int32_t kAltoLeyenda = 30;

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string TextoDe(const QLineEdit* e) { return e->text().toStdString(); }

[[noreturn]] void SinModelo() { throw EErrorGeneral("No hay un modelo teórico cargado"); }

// What "Calcular" and the painter do first: offer a calibrator file when there is no model,
// let the GUI catch up once, then set the model's drawing window for the paint box and clear
// it to white. Pending messages may run another handler that replaces or releases the model,
// so the model is taken afterwards and held by the caller until it is done.
std::shared_ptr<TParque_ModeloTeorico> PrepararDibujo(TFormAeronda& v, TPaintBox* pb) {
  if (!v.ModeloTeoricoActual) {
    if (const auto archivo = v.Dialogos().AbrirArchivo(v.odCalibrador))
      v.CargarCalibrador(*archivo);
  }
  QCoreApplication::processEvents();
  std::shared_ptr<TParque_ModeloTeorico> mt = v.ModeloTeoricoActual;
  if (!mt) SinModelo();
  mt->FijarVentanaDibujo(0, kAltoLeyenda, pb->Width(), pb->Height());
  {
    TLienzoQt l(pb->Imagen());
    l.ColorBrocha(clWhite);
    l.Rectangulo(0, 0, pb->Width(), pb->Height());
  }
  pb->update();
  return mt;
}

// Whether the model has a drawing window to turn pixels into farm points (a model from the
// database has none until it is first drawn).
bool TieneVentanaDibujo(const TParque_ModeloTeorico& mt) {
  return mt.pbAncho >= 1 && mt.pbAlto >= 1 && mt.mundoAncho > 0 && mt.mundoAlto > 0;
}

}  // namespace

void TFormAeronda::btCalcularClick() {
  const std::shared_ptr<TParque_ModeloTeorico> mt = PrepararDibujo(*this, pb_Parque_original);
  const NReal V = EvaluarNumero(TextoDe(eVAnemoEntrada));
  const NReal dir = EvaluarNumero(TextoDe(eDir));
  Edits_To_ParametrosMT();
  const NReal dp = DensidadPotenciaViento(V, kRho);
  mt->PrepararGrilla(false, dir, dp);

  bool convergio = false;
  NReal dpvMastil = 0;
  NReal dpvLibre = 0;
  // The limit is the model's own authorised power, just copied from its edit: with a
  // calibrator shown it is the calibrator's model, and a model from the database must not take
  // the limit of another plant's calibrator.
  const NReal pMT =
      mt->PotenciaParque(convergio, dpvMastil, kRho, dp, mt->potencia_autorizada_mw, dpvLibre);
  VientoLibre->setText(Q(FloatToStr(VelocidadDeDensidadPotencia(dpvLibre, kRho))));

  // The empirical power only when the current calibrator is this model's: after a model from
  // the database the calibrator still held belongs to another farm.
  const bool conEmpirico = CalibradorActual && CalibradorActual->me && CalibradorActual->mt == mt;
  NReal peso = 0;
  const NReal pME =
      conEmpirico ? CalibradorActual->me->PotenciaRepresentantes(peso, dir, dp, kRho) : 0;

  ePE_MW_ModeloTeorico->setText(Q(FloatToStr(pMT)));
  const NReal dpvAnemo = mt->DPVEnPunto(TPuntoXY{0, 0}) * mt->factorMeteo;
  eVAnemoResultante->setText(
      Q(dpvAnemo > 0 ? FloatToStr(VelocidadDeDensidadPotencia(dpvAnemo, kRho)) : "0"));
  ePE_MW_Representantes->setText(conEmpirico ? Q(FloatToStr(pME)) : QString());
  eME_Peso->setText(conEmpirico ? Q(FloatToStr(peso)) : QString());

  VelocidadesMT_To_PB(pb_Parque_original);
  VelocidadesMT_To_PB(pb_Parque_simple);
}

void TFormAeronda::VelocidadesMT_To_PB(TPaintBox* pb) {
  const std::shared_ptr<TParque_ModeloTeorico> mt = PrepararDibujo(*this, pb);
  const int32_t W = pb->Width();
  const int32_t H = pb->Height();
  const TEscalaColor escala(4.0, 10.0);
  {
    TLienzoQt l(pb->Imagen());
    // Legend: the scale from 4 to 10 m/s across the width, a tick and a label every metre per
    // second.
    for (int32_t x = 0; x < W; ++x) {
      const TColor c = escala.ColorDeValor(4.0 + 6.0 * x / W);
      for (int32_t y = 0; y < kAltoLeyenda; ++y) l.FijarPixel(x, y, c);
    }
    for (int32_t k = 1; k <= 5; ++k) {
      const int32_t xk = k * W / 6;
      for (int32_t y = 0; y < kAltoLeyenda; ++y) l.FijarPixel(xk, y, clBlack);
      l.Texto(xk + 2, 0, FloatToStr(4 + k));
    }
    l.Texto(0, 0, "4");
    l.Texto(0, 15, "Vel (m/s)");
    l.Texto(W - 13, 0, "10");

    // The field: pixels without wind (outside the grid, or before the first march) stay white.
    for (int32_t x = 0; x < W; ++x) {
      for (int32_t y = kAltoLeyenda; y < H; ++y) {
        const NReal dpv = mt->DPVEnPixel(x, y);
        if (dpv > 0)
          l.FijarPixel(x, y, escala.ColorDeValor(VelocidadDeDensidadPotencia(dpv, kRho)));
      }
    }
    int32_t px = 0, py = 0;
    mt->MundoAPixel(TPuntoXY{0, 0}, px, py);
    l.Texto(px, py, "(A)");
  }
  pb->update();
}

void TFormAeronda::pb_Parque_originalMouseMove(int X, int Y) {
  if (!ModeloTeoricoActual || !TieneVentanaDibujo(*ModeloTeoricoActual)) return;
  TParque_ModeloTeorico& mt = *ModeloTeoricoActual;
  TPuntoXY p;
  mt.PixelAMundo(X, Y, p);
  eCoordenadasXY->setText(Q("x: " + FloatToStr(p.x) + ", y: " + FloatToStr(p.y)));
  if (const TMolino* m = mt.MolinoMasCercano(X, Y)) {
    const NReal v = m->dpvMedia > 0 ? VelocidadDeDensidadPotencia(m->dpvMedia, kRho) : 0;
    eMolino->setText(Q("v: " + FloatToStrF(v, TFloatFormat::ffFixed, 6, 1) +
                       ", P:" + FloatToStrF(m->potencia, TFloatFormat::ffFixed, 6, 1)));
  }
}

void TFormAeronda::pb_Parque_originalMouseDown(int X, int Y) {
  if (!ModeloTeoricoActual || !TieneVentanaDibujo(*ModeloTeoricoActual)) return;
  TParque_ModeloTeorico& mt = *ModeloTeoricoActual;
  TMolino* m = mt.MolinoMasCercano(X, Y);
  MolinoSeleccionado = m ? std::shared_ptr<TMolino>(ModeloTeoricoActual, m) : nullptr;
  if (!m) return;
  eEthaMolino->MostrarValor(m->etha);

  // The turbine's surroundings, one diameter upwind to fifteen downwind (for a west wind) and
  // six to each side, as a picture on the clipboard.
  const NReal D = m->curva.diametro;
  const TPuntoXY c = m->posicion.punto;
  int32_t px1 = 0, py1 = 0, px2 = 0, py2 = 0;
  mt.MundoAPixel(TPuntoXY{c.x - D, c.y + 6 * D}, px1, py1);
  mt.MundoAPixel(TPuntoXY{c.x + 15 * D, c.y - 6 * D}, px2, py2);
  const int64_t ancho = static_cast<int64_t>(px2) - px1 + 1;
  const int64_t alto = static_cast<int64_t>(py2) - py1 + 1;
  // A picture larger than the paint box would only be the paint box stretched.
  const QImage& origen = pb_Parque_original->Imagen();
  if (ancho < 1 || alto < 1 || ancho > 16 * origen.width() || alto > 16 * origen.height()) return;
  const QImage recorte = origen.copy(QRect(px1, py1, px2 - px1, py2 - py1))
                             .scaled(static_cast<int>(ancho), static_cast<int>(alto),
                                     Qt::IgnoreAspectRatio, Qt::FastTransformation);
  QGuiApplication::clipboard()->setImage(recorte);
}

void TFormAeronda::CalcularvientoClick() {
  const NReal P = EvaluarNumero(TextoDe(vientoparapot));
  const std::shared_ptr<TParque_ModeloTeorico> mt = ModeloTeoricoActual;
  if (!mt) SinModelo();
  if (P > mt->potencia_autorizada_mw) {
    Dialogos().MostrarMensaje("La central tiene una potencia autorizada de " +
                              FloatToStr(mt->potencia_autorizada_mw) + " MW.\r" +
                              "Ingrese nuevamente el valor de potencia.");
    return;
  }
  // The search runs on the grid of the last simulation; without one there is no direction.
  if (!mt->GrillaPreparada()) throw EErrorGeneral("Primero simule el parque con \"Calcular\"");
  NReal dpvLibre = 0;
  bool convergio = false;
  mt->VelocidadParaPotencia(dpvLibre, convergio, P);
  VientoDeLaPotMW->setText(Q(FloatToStr(dpvLibre)));
}

void TFormAeronda::btCambiar_roClick() {
  // The selected turbine's own factor while its text is untouched: "Cambiar ro" without an
  // edit must not cut it to the 15 digits shown.
  const NReal e = eEthaMolino->Valor();
  if (cbCambiarTodosLosRo->isChecked()) {
    if (ModeloTeoricoActual)
      for (TMolino& m : ModeloTeoricoActual->molinos) m.etha = e;
  } else if (MolinoSeleccionado) {
    MolinoSeleccionado->etha = e;
  }
}

// The window's state: showing and loading calibrators and combined models, and copying the
// parameter edits into the current theoretical model.
#include <QString>
#include <string>

#include "estimator/gui/uAeronda.h"
#include "estimator/ucalibrador.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string TextoDe(const QLineEdit* e) { return e->text().toStdString(); }

TFormAeronda& Ventana() {
  if (!FormAeronda) throw EErrorGeneral("La ventana principal no existe");
  return *FormAeronda;
}

}  // namespace

void TFormAeronda::MostrarCalibrador(const std::shared_ptr<TCalibradorParque>& calibrador) {
  if (!calibrador || !calibrador->mt) throw EErrorGeneral("El calibrador no tiene modelo teórico");
  ModeloTeoricoActual = calibrador->mt;
  TParque_ModeloTeorico& mt = *ModeloTeoricoActual;
  mt.FijarVentanaDibujo(0, 30, pb_Parque_original->Width(), pb_Parque_original->Height());
  setWindowTitle(Q("Calibrador cargado, Parque: " + mt.nombre));

  const std::string gamma = FloatToStr(mt.gamma_atmosfera);
  const std::string alfa = FloatToStr(mt.alfa_terreno);
  const std::string fpv3pe = FloatToStr(mt.fpv3pe);
  const std::string perdidas = FloatToStr(mt.factor_perdidas);
  const std::string limite = FloatToStr(mt.potencia_autorizada_mw);
  const std::string etha = mt.meteo_etha.ACadena();

  eGamma_Atmosfera->setText(Q(gamma));
  eAlfaTerreno->setText(Q(alfa));
  efpv3pe->setText(Q(fpv3pe));
  eFactorPerdidasParque->setText(Q(perdidas));
  eLimiteDePotencia->setText(Q(limite));
  eEthaMeteo->setText(Q(etha));

  eGamma_Atmosfera1->setText(Q(gamma));
  eAlfaTerreno1->setText(Q(alfa));
  efpv3pe1->setText(Q(fpv3pe));
  eFactorPerdidasParque1->setText(Q(perdidas));
  eLimiteDePotencia1->setText(Q(limite));
  eEthaMeteo2->setText(Q(etha));
}

void TFormAeronda::CargarCalibrador(const std::filesystem::path& archivo) {
  // Read completely before anything changes: a file that cannot be read leaves the window as
  // it was.
  std::shared_ptr<TCalibradorParque> c = TCalibradorParque::CreateDesdeArchivo(archivo);
  CalibradorActual = c;
  MostrarCalibrador(c);
}

void TFormAeronda::CargarModeloCombinado(const std::filesystem::path& archivo) {
  std::shared_ptr<TParque_ModeloCombinado> mc =
      TParque_ModeloCombinado::CreateDesdeArchivo(archivo);
  ModeloCombinadoActual = mc;
  CalibradorActual = mc;
  MostrarCalibrador(mc);
}

void TFormAeronda::Edits_To_ParametrosMT() {
  if (!ModeloTeoricoActual) throw EErrorGeneral("No hay un modelo teórico cargado");
  // Every edit is read before the model changes, so that a text that is not a number leaves
  // the model with the values it had rather than with half of the new ones.
  const NReal alfa = EvaluarNumero(TextoDe(eAlfaTerreno));
  const NReal gamma = EvaluarNumero(TextoDe(eGamma_Atmosfera));
  const NReal fpv3pe = EvaluarNumero(TextoDe(efpv3pe));
  const NReal perdidas = EvaluarNumero(TextoDe(eFactorPerdidasParque));
  const NReal limite = EvaluarNumero(TextoDe(eLimiteDePotencia));
  TMatR etha = TMatR::CreateDesdeCadena(TextoDe(eEthaMeteo));
  // The station factor reads rows and columns from 1; an empty matrix would leave it nothing.
  if (etha.nf < 1 || etha.nc < 1)
    throw EConvertError("\"" + TextoDe(eEthaMeteo) + "\" no es una matriz válida");

  TParque_ModeloTeorico& mt = *ModeloTeoricoActual;
  mt.alfa_terreno = alfa;
  mt.gamma_atmosfera = gamma;
  mt.fpv3pe = fpv3pe;
  mt.factor_perdidas = perdidas;
  mt.potencia_autorizada_mw = limite;
  mt.meteo_etha = std::move(etha);
}

// ---------------------------------------------------------------------------------------------
// Unit-level forms, for code that reaches the window through FormAeronda.

void MostrarCalibrador(const std::shared_ptr<TCalibradorParque>& calibrador) {
  Ventana().MostrarCalibrador(calibrador);
}

void CargarCalibrador(const std::filesystem::path& archivo) { Ventana().CargarCalibrador(archivo); }

void CargarModeloCombinado(const std::filesystem::path& archivo) {
  Ventana().CargarModeloCombinado(archivo);
}

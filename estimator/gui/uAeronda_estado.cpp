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

  // Written with their values: a later read of an edit the user has not touched gives the
  // model's value to the last bit, not the value of its shortened text.
  eGamma_Atmosfera->MostrarValor(mt.gamma_atmosfera);
  eAlfaTerreno->MostrarValor(mt.alfa_terreno);
  efpv3pe->MostrarValor(mt.fpv3pe);
  eFactorPerdidasParque->MostrarValor(mt.factor_perdidas);
  eLimiteDePotencia->MostrarValor(mt.potencia_autorizada_mw);
  eEthaMeteo->MostrarMatriz(mt.meteo_etha);

  eGamma_Atmosfera1->MostrarValor(mt.gamma_atmosfera);
  eAlfaTerreno1->MostrarValor(mt.alfa_terreno);
  efpv3pe1->MostrarValor(mt.fpv3pe);
  eFactorPerdidasParque1->MostrarValor(mt.factor_perdidas);
  eLimiteDePotencia1->MostrarValor(mt.potencia_autorizada_mw);
  eEthaMeteo2->MostrarMatriz(mt.meteo_etha);
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
  // the model with the values it had rather than with half of the new ones. An edit still
  // showing the text the program wrote gives the value it was written from: the texts keep 15
  // significant digits, the matrix text three per element, and reading them back would cut the
  // model's parameters at every simulation and save.
  const NReal alfa = eAlfaTerreno->Valor();
  const NReal gamma = eGamma_Atmosfera->Valor();
  const NReal fpv3pe = efpv3pe->Valor();
  const NReal perdidas = eFactorPerdidasParque->Valor();
  const NReal limite = eLimiteDePotencia->Valor();
  TMatR etha = eEthaMeteo->Matriz();
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
  // The authorised power takes its floor here, where it enters the model, as from a file or
  // the database: a grid set-up no longer writes it.
  mt.CalcularCurvaEquivalente();
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

// The window's plant-database commands: a plant's theoretical model from the database to its
// model file, joined plants ("supercentrales") created and deleted, and the current
// calibrator's theoretical model written back.
#include <QString>
#include <iostream>
#include <string>

#include "estimator/gui/uAeronda.h"
#include "estimator/ucalibrador.h"
#include "estimator/ucarpetascentrales.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/xmatdefs.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "services/udbconpg.h"

namespace {

std::string TextoDe(const QLineEdit* e) { return e->text().toStdString(); }

// The connection, or the reason there is none (the connection file was missing at start-up,
// or the server could not be reached then).
TDBPQCon& Conectada(const std::unique_ptr<TDBPQCon>& c) {
  if (!c) throw EErrorGeneral("No hay conexión con la base de datos");
  return *c;
}

}  // namespace

void TFormAeronda::btBajarParqueClick() {
  TDBPQCon& con = Conectada(Conexion);
  ModeloTeoricoActual.reset();
  NidCentralActual = StrToInt(TextoDe(eNidCentral));
  std::cout << "... espere por favor ... conectando a la DB" << std::endl;
  const std::unique_ptr<TSQLQuery> fila =
      con.query("SELECT * FROM centrales WHERE nid = " + IntToStr(NidCentralActual));
  if (fila->eof())
    throw EErrorGeneral("La central " + IntToStr(NidCentralActual) +
                        " no existe en la base de datos");
  ModeloTeoricoActual = TParque_ModeloTeorico::CreateDesdeDB(con, *fila);
  const std::filesystem::path archivo = ArchivoParqueMT(NidCentralActual);
  ModeloTeoricoActual->EscribirArchivo(archivo);
  std::cout << "... el Parque fue guardado en disco: " << archivo.string() << std::endl;
}

void TFormAeronda::CrearSupercentralClick() {
  TDBPQCon& con = Conectada(Conexion);
  const TDAofNInt centrales = CadenaAEnteros(TextoDe(NIDcentralesAunir), ';');
  const int32_t anemo = StrToInt(TextoDe(NIDcentralAnemo));
  ModeloTeoricoActual.reset();
  ModeloTeoricoActual = TParque_ModeloTeorico::CreateSuperparque(con, centrales, anemo);
  const int32_t n = ModeloTeoricoActual->central;
  ModeloTeoricoActual->EscribirArchivo(ArchivoParqueMT(n));
  // The percentages of the last "Crear archivo .clp con MT y archivo .sas" (0 and 0 before it
  // has run), not the edits.
  CalibradorActual =
      TCalibradorParque::Create(ModeloTeoricoActual, ArchivoCentral(n, "_series10min.sas"),
                                PorcentajeInfActual, PorcentajeSupActual);
  CalibradorActual->Guardar(ArchivoCalibrador(n));
}

void TFormAeronda::BorrarSupercentralClick() {
  TDBPQCon& con = Conectada(Conexion);
  const int32_t n = StrToInt(TextoDe(NIDsupercentralBorrar));
  const std::string central = IntToStr(n);
  const std::unique_ptr<TSQLQuery> q =
      con.query("SELECT * FROM modelo_teorico WHERE central = " + central +
                " ORDER BY dt_creacion DESC LIMIT 1");
  if (q->eof()) {
    Dialogos().MostrarMensaje("La supercentral: " + central + " no existe");
    return;
  }
  if (!Dialogos().PreguntarSiNo("ATENCIÓN!",
                                "¿Está seguro que desea borrar la supercentral: " + central + " ?"))
    return;
  const int32_t m = q->field("nid").asInteger();
  con.exec("DELETE FROM modelo_teorico WHERE central = " + central);
  con.exec("DELETE FROM modelo_teorico_etha_molinos WHERE nid_modelo = " + IntToStr(m));
  Dialogos().MostrarMensaje("La supercentral " + central + " ha sido borrada");
  ModeloTeoricoActual.reset();
  CalibradorActual.reset();
}

void TFormAeronda::btUpdateMTinDBClick() {
  TDBPQCon& con = Conectada(Conexion);
  if (!CalibradorActual || !CalibradorActual->mt)
    throw EErrorGeneral("No hay un calibrador cargado");
  const TParque_ModeloTeorico& mt = *CalibradorActual->mt;
  // A model whose row is gone (its group deleted, or a calibrator file from another database)
  // has nowhere to go: the user is told, and nothing was written.
  if (mt.ActualizarDB(con) == 0) {
    Dialogos().MostrarMensaje("No se actualizó ningún modelo: el modelo teórico nid=" +
                              IntToStr(mt.nid) + " no existe en la base de datos");
  }
}

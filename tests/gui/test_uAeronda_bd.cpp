// The window's plant-database commands against the server: a plant's model to its model file,
// a joined plant created with its calibrator, a joined plant deleted after the question, and
// the current calibrator's model written back. Each test loads the plant tables of
// tests/fixtures/esquema_plantas.sql into a schema of its own and works in a scratch folder
// tree; the rows are checked through a second session.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "comun/basededatos.h"
#include "estimator/ucalibrador.h"
#include "estimator/ucarpetascentrales.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/uauxiliares.h"
#include "planta_sintetica.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "services/udbconpg.h"
#include "ventana_prueba.h"

namespace fs = std::filesystem;

namespace {

using prueba_ventana::Escribir;
using prueba_ventana::Fixture;
using prueba_ventana::Texto;

// The window's folders under a scratch tree, its console captured, the standard format.
class OrdenesBase : public ::testing::Test {
 protected:
  void SetUp() override {
    AsegurarAplicacion();
    // The C locale's settings as the user's (the guard's outermost pop puts the user's back).
    formato_ = FormatSettings();
    sistema_ = FormatoDelSistema();
    FijarFormatoDelSistema(FormatoDeLocale("C"));
    ReiniciarFormatoEstandarParaPruebas();
    raiz_ = fs::temp_directory_path() / pruebas_bd::NombreUnico("aeronda_gui2_bd");
    fs::create_directories(raiz_ / "basura");
    std::ostringstream inicio;
    IniciarUcarpetascentrales(TRaicesCarpetas{raiz_ / "basura", std::nullopt}, inicio);
    dialogos_ = std::make_shared<TDialogosGuion>();
    ventana_ = std::make_unique<TFormAeronda>(dialogos_);
    FormAeronda = ventana_.get();
    coutAntes_ = std::cout.rdbuf(consola_.rdbuf());
  }
  void TearDown() override {
    std::cout.rdbuf(coutAntes_);
    FormAeronda = nullptr;
    ventana_.reset();
    FinalizarUcarpetascentrales();
    FijarFormatoDelSistema(sistema_);
    ReiniciarFormatoEstandarParaPruebas();
    FormatSettings() = formato_;
    fs::remove_all(raiz_);
  }
  TFormAeronda& V() { return *ventana_; }
  std::vector<std::string> Errores() const {
    std::vector<std::string> r;
    for (const auto& l : dialogos_->Llamadas())
      if (l.tipo == TDialogosGuion::TTipo::Error) r.push_back(l.texto);
    return r;
  }
  std::shared_ptr<TDialogosGuion> dialogos_;
  std::ostringstream consola_;

 private:
  std::unique_ptr<TFormAeronda> ventana_;
  TFormatSettings formato_;
  TFormatSettings sistema_;
  fs::path raiz_;
  std::streambuf* coutAntes_ = nullptr;
};

// Without a connection (no connection file at start-up) every command says so and changes
// nothing.
using OrdenesSinConexion = OrdenesBase;

TEST_F(OrdenesSinConexion, CadaOrdenLoDiceYNoCambiaNada) {
  TFormAeronda& v = V();
  ASSERT_FALSE(v.Conexion);
  CargarCalibrador(Fixture("ventana_un_molino.clp"));
  const auto mt = v.ModeloTeoricoActual;
  const auto cal = v.CalibradorActual;
  for (QPushButton* b :
       {v.btBajarParque, v.CrearSupercentral, v.BorrarSupercentral, v.btUpdateMTinDB}) {
    SCOPED_TRACE(b->objectName().toStdString());
    const size_t antes = Errores().size();
    b->click();
    ASSERT_EQ(Errores().size(), antes + 1);
    EXPECT_EQ(Errores().back(), "No hay conexión con la base de datos");
    EXPECT_EQ(v.ModeloTeoricoActual, mt);
    EXPECT_EQ(v.CalibradorActual, cal);
  }
  EXPECT_EQ(dialogos_->Llamadas().size(), Errores().size());
}

class BaseDeDatosOrdenes : public OrdenesBase {
 protected:
  void SetUp() override {
    OMITIR_SIN_SERVIDOR();
    OrdenesBase::SetUp();
    esquema_ = pruebas_bd::NombreUnico("prueba_gui2");
    sesion_.emplace();
    std::ifstream f(std::string(AERONDA_FIXTURES) + "/esquema_plantas.sql");
    ASSERT_TRUE(f.is_open());
    std::string sql = "CREATE SCHEMA " + esquema_ + ";\nSET search_path TO " + esquema_ + ";\n";
    std::string linea;
    while (std::getline(f, linea))
      if (linea.empty() || linea[0] != '\\') sql += linea + "\n";
    sesion_->Ejecutar(sql);
    sesion_->Ejecutar("SET search_path TO " + esquema_);
    V().Conexion = std::make_unique<TDBPQCon>(
        TParametrosConexion{pruebas_bd::Entorno("PGHOST"), pruebas_bd::Entorno("PGDATABASE"),
                            pruebas_bd::Entorno("PGUSER"), pruebas_bd::Entorno("PGPASSWORD")});
    V().Conexion->exec("SET search_path TO " + esquema_);
  }
  void TearDown() override {
    if (sesion_) {
      OrdenesBase::TearDown();
      sesion_->Ejecutar("DROP SCHEMA IF EXISTS " + esquema_ + " CASCADE");
      sesion_.reset();
    }
  }
  std::string Valor(const std::string& sql) { return sesion_->Valor(sql); }
  std::vector<std::string> Columna(const std::string& sql) { return sesion_->Columna(sql); }
  void Sql(const std::string& sql) { sesion_->Ejecutar(sql); }

 private:
  std::string esquema_;
  std::optional<pruebas_bd::SesionLibpq> sesion_;
};

TEST_F(BaseDeDatosOrdenes, BajarParqueEscribeElArchivoDelModelo) {
  TFormAeronda& v = V();
  CargarCalibrador(Fixture("ventana_un_molino.clp"));
  const auto cal = v.CalibradorActual;
  const std::string titulo = v.windowTitle().toStdString();
  Escribir(v.eNidCentral, "12");
  v.btBajarParque->click();
  ASSERT_EQ(Errores(), std::vector<std::string>{});

  const fs::path archivo = CarpetaBase / "c12" / "c12_parque_mt.pmt";
  EXPECT_EQ(consola_.str(),
            "... espere por favor ... conectando a la DB\n"
            "... el Parque fue guardado en disco: " +
                archivo.string() + "\n");
  ASSERT_TRUE(v.ModeloTeoricoActual);
  EXPECT_EQ(v.NidCentralActual, 12);
  EXPECT_EQ(v.ModeloTeoricoActual->central, 12);
  // The plant had no model: one was created with the next number of the sequence.
  EXPECT_EQ(Valor("SELECT count(*) FROM modelo_teorico WHERE central = 12"), "1");
  const auto leido = TParque_ModeloTeorico::CreateDesdeArchivo(archivo);
  EXPECT_EQ(leido->nid, 101);
  EXPECT_EQ(leido->nombre, "Parque Doce");
  EXPECT_EQ(leido->nMolinos, 3);
  EXPECT_EQ(leido->potencia_autorizada_mw, 6.0);
  // Nothing is shown and the calibrator stays.
  EXPECT_EQ(v.CalibradorActual, cal);
  EXPECT_NE(v.ModeloTeoricoActual, cal->mt);
  EXPECT_EQ(v.windowTitle().toStdString(), titulo);
  EXPECT_EQ(Texto(v.eGamma_Atmosfera), "0.35");
}

TEST_F(BaseDeDatosOrdenes, BajarParqueConTextoInvalidoOPlantaInexistente) {
  TFormAeronda& v = V();
  CargarCalibrador(Fixture("ventana_un_molino.clp"));
  // The model is released before the number is read.
  Escribir(v.eNidCentral, "doce");
  v.btBajarParque->click();
  EXPECT_EQ(Errores(), std::vector<std::string>{"\"doce\" no es un número entero válido"});
  EXPECT_FALSE(v.ModeloTeoricoActual);
  EXPECT_TRUE(v.CalibradorActual);

  Escribir(v.eNidCentral, "99");
  v.btBajarParque->click();
  ASSERT_EQ(Errores().size(), 2u);
  EXPECT_EQ(Errores()[1], "La central 99 no existe en la base de datos");
  EXPECT_FALSE(v.ModeloTeoricoActual);
  EXPECT_FALSE(fs::exists(CarpetaBase / "c99" / "c99_parque_mt.pmt"));
}

TEST_F(BaseDeDatosOrdenes, BorrarSupercentralInexistenteNoPregunta) {
  TFormAeronda& v = V();
  Escribir(v.NIDsupercentralBorrar, "202128");
  v.BorrarSupercentral->click();
  ASSERT_EQ(dialogos_->Llamadas().size(), 1u);
  EXPECT_EQ(dialogos_->Llamadas()[0].tipo, TDialogosGuion::TTipo::Mensaje);
  EXPECT_EQ(dialogos_->Llamadas()[0].texto, "La supercentral: 202128 no existe");
}

// Plant 34 has two models (1 of 2015, 2 of 2016). Answered No nothing goes; answered Yes both
// models go, and of the factor rows only those of the newest model (2).
TEST_F(BaseDeDatosOrdenes, BorrarSupercentralTrasLaPregunta) {
  TFormAeronda& v = V();
  CargarCalibrador(Fixture("ventana_un_molino.clp"));
  Escribir(v.NIDsupercentralBorrar, "34");

  dialogos_->Responder(false);
  v.BorrarSupercentral->click();
  ASSERT_EQ(dialogos_->Llamadas().size(), 1u);
  EXPECT_EQ(dialogos_->Llamadas()[0].tipo, TDialogosGuion::TTipo::Pregunta);
  EXPECT_EQ(dialogos_->Llamadas()[0].nombre, "ATENCIÓN!");
  EXPECT_EQ(dialogos_->Llamadas()[0].texto, "¿Está seguro que desea borrar la supercentral: 34 ?");
  EXPECT_EQ(Valor("SELECT count(*) FROM modelo_teorico WHERE central = 34"), "2");
  EXPECT_EQ(Valor("SELECT count(*) FROM modelo_teorico_etha_molinos"), "5");
  EXPECT_TRUE(v.ModeloTeoricoActual);
  EXPECT_TRUE(v.CalibradorActual);

  dialogos_->Responder(true);
  v.BorrarSupercentral->click();
  ASSERT_EQ(dialogos_->Llamadas().size(), 3u);
  EXPECT_EQ(dialogos_->Llamadas()[2].tipo, TDialogosGuion::TTipo::Mensaje);
  EXPECT_EQ(dialogos_->Llamadas()[2].texto, "La supercentral 34 ha sido borrada");
  EXPECT_EQ(Valor("SELECT count(*) FROM modelo_teorico WHERE central = 34"), "0");
  EXPECT_EQ(Columna("SELECT nid_modelo || ':' || nid_molino FROM modelo_teorico_etha_molinos "
                    "ORDER BY 1"),
            (std::vector<std::string>{"1:3401", "1:3402", "3:5601"}));
  EXPECT_FALSE(v.ModeloTeoricoActual);
  EXPECT_FALSE(v.CalibradorActual);
  EXPECT_EQ(Errores(), std::vector<std::string>{});
}

TEST_F(BaseDeDatosOrdenes, ActualizarElModeloDelCalibrador) {
  TFormAeronda& v = V();
  v.btUpdateMTinDB->click();
  EXPECT_EQ(Errores(), std::vector<std::string>{"No hay un calibrador cargado"});

  // Plant 34's newest model (2) paired with an empirical model, as a loaded calibrator is.
  Escribir(v.eNidCentral, "34");
  v.btBajarParque->click();
  ASSERT_EQ(Errores().size(), 1u);
  TextoEntrada f(Fixture("me_version2_lf.txt"));
  std::shared_ptr<TParque_ModeloEmpirico> me =
      TParque_ModeloEmpirico::CreateLeerTexto(f, v.ModeloTeoricoActual.get());
  v.CalibradorActual = TCalibradorParque::CreateConModelos(v.ModeloTeoricoActual, me);
  ASSERT_EQ(v.ModeloTeoricoActual->nid, 2);

  // What the model holds is written, not the edits.
  v.ModeloTeoricoActual->factor_perdidas = 0.0625;
  v.ModeloTeoricoActual->molinos[1].etha = 0.875;
  Escribir(v.eFactorPerdidasParque, "0.5");
  // "Bajar" afterwards releases the current model; the calibrator's own is still written.
  v.btBajarParque->click();
  v.btUpdateMTinDB->click();
  ASSERT_EQ(Errores().size(), 1u) << Errores().back();
  EXPECT_EQ(Valor("SELECT factor_perdidas FROM modelo_teorico WHERE nid = 2"), "0.0625");
  EXPECT_EQ(Valor("SELECT etha FROM modelo_teorico_etha_molinos WHERE nid_modelo = 2 AND "
                  "nid_molino = 3402"),
            "0.875");
  ASSERT_EQ(dialogos_->Llamadas().size(), 1u);

  // The model's row deleted (as "Borrar supercentral" leaves the older models' factors): the
  // user is told that no model was updated, and no factor row changes.
  Sql("DELETE FROM modelo_teorico WHERE nid = 2");
  v.CalibradorActual->mt->molinos[1].etha = 0.5;
  v.btUpdateMTinDB->click();
  EXPECT_EQ(Errores().size(), 1u);
  ASSERT_EQ(dialogos_->Llamadas().size(), 2u);
  EXPECT_EQ(dialogos_->Llamadas()[1].tipo, TDialogosGuion::TTipo::Mensaje);
  EXPECT_EQ(dialogos_->Llamadas()[1].texto,
            "No se actualizó ningún modelo: el modelo teórico nid=2 no existe en la base de datos");
  EXPECT_EQ(Valor("SELECT etha FROM modelo_teorico_etha_molinos WHERE nid_modelo = 2 AND "
                  "nid_molino = 3402"),
            "0.875");
}

// Plants 12 and 34 joined are plant 1234; its series must be in its folder. The calibrator is
// built with the percentages of the last "Crear archivo .clp" (here 5 and 95), not the edits.
TEST_F(BaseDeDatosOrdenes, CrearSupercentral) {
  TFormAeronda& v = V();
  CargarCalibrador(Fixture("ventana_un_molino.clp"));
  const std::string titulo = v.windowTitle().toStdString();
  Escribir(v.eNidCentral, "12");
  v.btBajarParque->click();  // plant 12 gets its model
  ASSERT_EQ(Errores(), std::vector<std::string>{});

  // A bad piece stops it before anything changes.
  const auto mt12 = v.ModeloTeoricoActual;
  Escribir(v.NIDcentralesAunir, "12;x");
  Escribir(v.NIDcentralAnemo, "12");
  v.CrearSupercentral->click();
  EXPECT_EQ(Errores(), std::vector<std::string>{"\"x\" no es un número entero válido"});
  EXPECT_EQ(v.ModeloTeoricoActual, mt12);

  planta_sintetica::EscribirSeriesSinteticas(ArchivoCentral(1234, "_series10min.sas"));
  v.PorcentajeInfActual = 5;
  v.PorcentajeSupActual = 95;
  Escribir(v.NIDcentralesAunir, "12;;34");
  v.CrearSupercentral->click();
  ASSERT_EQ(Errores().size(), 1u) << Errores().back();
  ASSERT_TRUE(v.ModeloTeoricoActual);
  EXPECT_EQ(v.ModeloTeoricoActual->central, 1234);
  EXPECT_EQ(v.ModeloTeoricoActual->nMolinos, 5);
  ASSERT_TRUE(v.CalibradorActual);
  EXPECT_EQ(v.CalibradorActual->mt, v.ModeloTeoricoActual);
  EXPECT_EQ(Valor("SELECT count(*) FROM modelo_teorico WHERE central = 1234"), "1");
  const auto mt =
      TParque_ModeloTeorico::CreateDesdeArchivo(CarpetaBase / "c1234" / "c1234_parque_mt.pmt");
  EXPECT_EQ(mt->central, 1234);
  const auto cal =
      TCalibradorParque::CreateDesdeArchivo(CarpetaBase / "c1234" / "c1234_calibrador.clp");
  EXPECT_EQ(cal->mt->nMolinos, 5);
  EXPECT_EQ(cal->me->NSectores(), v.CalibradorActual->me->NSectores());
  // Nothing is shown.
  EXPECT_EQ(v.windowTitle().toStdString(), titulo);
  EXPECT_EQ(Texto(v.eGamma_Atmosfera), "0.35");
}

std::string Bytes(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Right after start-up no "Crear archivo .clp" has run: the calibrator is fitted on the
// percentages 0 and 0, not on the edits' 1 and 100. The calibrator file it saves is the one a
// calibrator built with 0 and 0 saves, and differs from one built with 1 and 100.
TEST_F(BaseDeDatosOrdenes, CrearSupercentralTrasElArranqueUsaCeroYCero) {
  TFormAeronda& v = V();
  ASSERT_EQ(Texto(v.PorcentajeAjusteCurvaSinf), "1");
  ASSERT_EQ(Texto(v.PorcentajeAjusteCurvaSsup), "100");
  Escribir(v.eNidCentral, "12");
  v.btBajarParque->click();
  const fs::path series = ArchivoCentral(1234, "_series10min.sas");
  planta_sintetica::EscribirSeriesSinteticas(series);
  Escribir(v.NIDcentralesAunir, "12;34");
  Escribir(v.NIDcentralAnemo, "12");
  v.CrearSupercentral->click();
  ASSERT_EQ(Errores(), std::vector<std::string>{});
  const std::string guardado = Bytes(CarpetaBase / "c1234" / "c1234_calibrador.clp");

  std::shared_ptr<TParque_ModeloTeorico> mt =
      TParque_ModeloTeorico::CreateDesdeArchivo(CarpetaBase / "c1234" / "c1234_parque_mt.pmt");
  const fs::path cero = CarpetaBase / "cero.clp", uno = CarpetaBase / "uno.clp";
  TCalibradorParque::Create(mt, series, 0, 0)->Guardar(cero);
  TCalibradorParque::Create(mt, series, 1, 100)->Guardar(uno);
  EXPECT_EQ(guardado, Bytes(cero));
  EXPECT_NE(guardado, Bytes(uno));
}

}  // namespace

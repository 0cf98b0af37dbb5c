// The README's walk on the example plant, step by step through the window's buttons: plant 50
// written by the example generator, its calibrator built from the model and series files,
// calibrated and saved over the plant's calibrator, the combined model computed and loaded, and
// the restriction run for November 2016. Each step must leave its files where the README says.
// The restriction run reads the plant's SMEC/SCADA factor from the database: a BaseDeDatos
// suite, run against the throwaway server.
#include <gtest/gtest.h>

#include <QDate>
#include <QDateEdit>
#include <QTabWidget>
#include <QtTest/QtTest>
#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "comun/basededatos.h"
#include "ejemplo/planta_ejemplo.h"
#include "planta_sintetica.h"
#include "platform/archivos_texto.h"
#include "platform/sqlconexion.h"
#include "services/udbconpg.h"

namespace fs = std::filesystem;

namespace {

// The names in a folder that match a pattern.
std::vector<std::string> Archivos(const fs::path& carpeta, const std::string& patron) {
  std::vector<std::string> r;
  const std::regex re(patron);
  for (const auto& e : fs::directory_iterator(carpeta))
    if (std::regex_match(e.path().filename().string(), re))
      r.push_back(e.path().filename().string());
  std::sort(r.begin(), r.end());
  return r;
}

bool NoVacio(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec) && fs::file_size(p, ec) > 0;
}

// The page of the window the step is on; with AERONDA_CAPTURAS naming a folder (and a display,
// see the README) the window is shown and a picture of the page taken after the step.
void Pagina(TFormAeronda& v, QWidget* pagina) { v.PageControl1->setCurrentWidget(pagina); }
void Foto(TFormAeronda& v, const std::string& nombre) {
  const char* carpeta = std::getenv("AERONDA_CAPTURAS");
  if (!carpeta || !*carpeta) return;
  fs::create_directories(carpeta);
  if (!v.isVisible()) {
    v.show();
    (void)QTest::qWaitForWindowExposed(&v);
  }
  QTest::qWait(100);
  v.grab().save(QString::fromStdString((fs::path(carpeta) / (nombre + ".png")).string()));
}

}  // namespace

class BaseDeDatosRecorridoEjemplo : public planta_sintetica::PlantaPrueba {};

TEST_F(BaseDeDatosRecorridoEjemplo, DeLaPlantaDeEjemploALasRestriccionesDeNoviembre) {
  OMITIR_SIN_SERVIDOR();
  TFormAeronda& v = V();
  // As condb_rbtdata.dat would give it: the throwaway server, where plant 50 has no row.
  v.Conexion = std::make_unique<TDBPQCon>(
      TParametrosConexion{pruebas_bd::Entorno("PGHOST"), pruebas_bd::Entorno("PGDATABASE"),
                          pruebas_bd::Entorno("PGUSER"), pruebas_bd::Entorno("PGPASSWORD")});

  // scripts/ejemplo.
  EscribirPlantaEjemplo();
  const fs::path c50 = CarpetaBase / "c50";
  ASSERT_TRUE(NoVacio(c50 / "c50_parque_mt.pmt"));
  ASSERT_TRUE(NoVacio(c50 / "c50_series10min.sas"));

  // TabSheet3: plant 50, percentages 1 and 100, "Crear archivo .clp con MT y archivo .sas".
  Pagina(v, v.TabSheet3);
  planta_sintetica::Escribir(v.eNidCentral, "50");
  EXPECT_EQ(planta_sintetica::Texto(v.PorcentajeAjusteCurvaSinf), "1");
  EXPECT_EQ(planta_sintetica::Texto(v.PorcentajeAjusteCurvaSsup), "100");
  v.btLoadFromArchi_ModeloMTySeries->click();
  ASSERT_EQ(Errores(), std::vector<std::string>{});
  EXPECT_EQ(v.windowTitle().toStdString(), "Calibrador cargado, Parque: Parque de ejemplo");
  for (const char* f :
       {"c50_calibrador.clp", "curvas_s_.xlt", "curvas_s_completadas_.xlt", "series_filtradas.xlt",
        "muestras_filtrados_plano_pe_vel_0.jpg", "muestras_filtrados_plano_dir_vel_0.jpg"})
    EXPECT_TRUE(NoVacio(c50 / f)) << f;
  // A chart per direction sector and pass: the sector's angle in hundredths of a degree.
  EXPECT_EQ(Archivos(c50, R"(\d+_1_0\.jpg)").size(), 72u);
  EXPECT_EQ(Archivos(c50, R"(\d+_2_0\.jpg)").size(), 72u);
  Foto(v, "1_calibrador");
  const std::string sinCalibrar = LeerArchivoCompleto(c50 / "c50_calibrador.clp");

  // TabSheet2: "Calibrar", then "Guardar Cal." over the plant's calibrator.
  Pagina(v, v.TabSheet2);
  v.btCalibrarParque->click();
  ASSERT_EQ(Errores(), std::vector<std::string>{});
  EXPECT_NE(planta_sintetica::Texto(v.eErr2Calibrar), "eErr2Calibrar");
  EXPECT_TRUE(NoVacio(basura_ / "calibrador_Parque de ejemplo_FIN_.clp"));
  EXPECT_FALSE(Archivos(basura_, R"(calibrado_Parque de ejemplo.*\.clp)").empty());
  dialogos_->Guardar(c50 / "c50_calibrador.clp");
  v.btGuardarCalibrador->click();
  ASSERT_EQ(Errores(), std::vector<std::string>{});
  EXPECT_NE(LeerArchivoCompleto(c50 / "c50_calibrador.clp"), sinCalibrar);
  Foto(v, "2_calibrado");

  // TabSheet3: "Calcular MC", then "Cargar MC" with c50.pmc.
  Pagina(v, v.TabSheet3);
  v.btCalcularMC->click();
  ASSERT_EQ(Errores(), std::vector<std::string>{});
  ASSERT_TRUE(NoVacio(c50 / "c50.pmc"));
  dialogos_->Abrir(c50 / "c50.pmc");
  v.btCargarMC->click();
  ASSERT_EQ(Errores(), std::vector<std::string>{});
  Foto(v, "3_modelo_combinado");

  // TabSheet5: the dates 01/11/2016 to 30/11/2016 of the window, "Calcular solo las R.O." with
  // the plant's series file.
  Pagina(v, v.TabSheet5);
  EXPECT_EQ(v.FechaDesde1->date(), QDate(2016, 11, 1));
  EXPECT_EQ(v.FechaHasta1->date(), QDate(2016, 11, 30));
  dialogos_->Abrir(c50 / "c50_series10min.sas");
  v.btProcesarRestricciones1->click();
  ASSERT_EQ(Errores(), std::vector<std::string>{});
  EXPECT_NE(Consola().find("AVISO: la central 50 no tiene factor_smec_scada; se toma 1"),
            std::string::npos);
  Foto(v, "4_restricciones");
  // One table per restriction period (7, 15 and 23 November), the workbook and the two tables
  // of energy not supplied.
  // Each period widened by four hours on both sides.
  EXPECT_EQ(Archivos(c50, R"(c50_ResultadosMC_.*\.xlt)"),
            (std::vector<std::string>{"c50_ResultadosMC_201611071000201611072230_3m.xlt",
                                      "c50_ResultadosMC_201611142200201611150900_3m.xlt",
                                      "c50_ResultadosMC_201611231500201611240340_3m.xlt"}));
  for (const char* f :
       {"c50_VISOR_3m.xlsx", "c50_RO_DTE_3m.xlt", "c50_Restricciones_horarias_3m.xlt"})
    EXPECT_TRUE(NoVacio(c50 / f)) << f;
}

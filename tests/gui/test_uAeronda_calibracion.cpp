// The calibrator and combined-model commands on a scratch plant: building the calibrator from
// the plant's model and series files (charts, table, caption, calibrator file), loading and
// saving calibrators, the two calibrations, the combined model and the chart of the powers.
#include <gtest/gtest.h>

#include <QTableWidget>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "../comun/leer_jpeg.h"
#include "../comun/lineas_crlf.h"
#include "estimator/ucalibrador.h"
#include "estimator/ucarpetascentrales.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "planta_sintetica.h"

namespace {

using namespace planta_sintetica;
namespace fs = std::filesystem;

std::string Celda(const QTableWidget* t, int columna, int fila) {
  const QTableWidgetItem* i = t->item(fila, columna);
  return i ? i->text().toStdString() : std::string("<sin celda>");
}

// Pixels of a paint box in one exact colour (R, G, B).
int PixelesDeColor(const TPaintBox* pb, int r, int g, int b) {
  int n = 0;
  const QImage& im = pb->Imagen();
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) {
      const QRgb p = im.pixel(x, y);
      if (qRed(p) == r && qGreen(p) == g && qBlue(p) == b) ++n;
    }
  return n;
}

std::string Bytes(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

bool Blanca(const TPaintBox* pb) {
  const QImage& im = pb->Imagen();
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x)
      if ((im.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return false;
  return true;
}

class Calibracion : public PlantaPrueba {
 protected:
  // The plant's model and series files, and "Crear archivo .clp con MT y archivo .sas".
  void CrearCalibrador() {
    PonerModeloTeorico();
    EscribirSeriesSinteticas(ArchivoCentral(kPlanta, "_series10min.sas"));
    Escribir(V().eNidCentral, IntToStr(kPlanta));
    const size_t antes = Errores().size();
    V().btLoadFromArchi_ModeloMTySeries->click();
    ASSERT_EQ(Errores().size(), antes) << Errores().back();
  }
};

TEST_F(Calibracion, CrearCalibradorDesdeModeloYSeries) {
  CrearCalibrador();
  TFormAeronda& v = V();

  // The calibrator file in the plant folder, and it reads back as the current calibrator.
  const fs::path clp = Planta() / "c12_calibrador.clp";
  ASSERT_TRUE(fs::exists(clp));
  ASSERT_TRUE(v.CalibradorActual);
  EXPECT_EQ(v.ModeloTeoricoActual, v.CalibradorActual->mt);
  EXPECT_FALSE(v.ModeloCombinadoActual);
  EXPECT_EQ(v.NidCentralActual, kPlanta);
  EXPECT_EQ(v.PorcentajeInfActual, 1);
  EXPECT_EQ(v.PorcentajeSupActual, 100);
  const auto leido = TCalibradorParque::CreateDesdeArchivo(clp);
  EXPECT_EQ(leido->mt->nombre, kNombrePlanta);
  EXPECT_EQ(leido->me->NTramos(), v.CalibradorActual->me->NTramos());
  EXPECT_EQ(leido->me->NSectores(), v.CalibradorActual->me->NSectores());

  EXPECT_EQ(v.windowTitle().toStdString(),
            std::string("Calibrador cargado, Parque: ") + kNombrePlanta);
  // The model's parameters in both columns (modelo_v3.pmt: alfa 0.5, gamma 0.4, fpv3pe 1.8).
  EXPECT_EQ(Texto(v.eAlfaTerreno), "0.5");
  EXPECT_EQ(Texto(v.eGamma_Atmosfera1), "0.4");
  EXPECT_EQ(Texto(v.efpv3pe), "1.8");
  EXPECT_EQ(Texto(v.efpv3pe1), "1.8");
  EXPECT_EQ(Texto(v.eEthaMeteo), v.ModeloTeoricoActual->meteo_etha.ACadena());

  // Both charts painted: the Weibull density in green, the direction frequency in red.
  EXPECT_GT(PixelesDeColor(v.PaintBox2, 0, 128, 0), 50);
  EXPECT_EQ(PixelesDeColor(v.PaintBox2, 255, 0, 0), 0);
  EXPECT_GT(PixelesDeColor(v.PaintBox3, 255, 0, 0), 50);
  EXPECT_EQ(PixelesDeColor(v.PaintBox3, 0, 128, 0), 0);

  // The table: headers, the seven channels and their extremes with at most four decimals.
  const QTableWidget* t = v.StringGrid1;
  EXPECT_EQ(Celda(t, 0, 0), "");
  EXPECT_EQ(Celda(t, 1, 0), "Mínimo");
  EXPECT_EQ(Celda(t, 2, 0), "Máximo");
  const char* const canales[] = {"Velocidad [m/s]",   "Potencia [MW]",         "Presión [hPa]",
                                 "Hum. Relativa [%]", "Disponibilidad [p.u.]", "Temperatura [ºC]",
                                 "CGM [MW]"};
  for (int f = 1; f <= 7; ++f) {
    EXPECT_EQ(Celda(t, 0, f), canales[f - 1]);
    for (int c = 1; c <= 2; ++c) {
      const std::string s = Celda(t, c, f);
      const auto punto = s.find('.');
      EXPECT_TRUE(punto == std::string::npos || s.size() - punto - 1 <= 4) << s;
    }
  }
  // Constant channels: their one value, to four decimals.
  const std::pair<int, std::string> constantes[] = {
      {3, "1013.25"}, {4, "55.5555"}, {5, "1"}, {6, "12.3457"}, {7, "50"}};
  for (const auto& [fila, texto] : constantes) {
    EXPECT_EQ(Celda(t, 1, fila), texto) << fila;
    EXPECT_EQ(Celda(t, 2, fila), texto) << fila;
  }
  // Speeds were drawn in [3, 17) m/s.
  EXPECT_GE(StrToFloat(Celda(t, 1, 1)), 3.0);
  EXPECT_LT(StrToFloat(Celda(t, 2, 1)), 17.0);
}

TEST_F(Calibracion, SinEstadisticasDeLasSeriesSeOmiteElGraficoDeWeibull) {
  CrearCalibrador();
  TFormAeronda& v = V();
  // A calibrator read from its file has no series: no Weibull law, no channel extremes; the
  // direction frequencies come from the bins and are still drawn.
  v.CargarCalibrador(Planta() / "c12_calibrador.clp");
  v.EjecutarSeguro([&] { v.Graficar_Estadistica_Datos_ME(); });
  EXPECT_TRUE(Errores().empty()) << Errores().front();
  EXPECT_TRUE(Blanca(v.PaintBox2));
  EXPECT_GT(PixelesDeColor(v.PaintBox3, 255, 0, 0), 50);
  EXPECT_EQ(Celda(v.StringGrid1, 1, 0), "Mínimo");
  EXPECT_EQ(Celda(v.StringGrid1, 0, 7), "CGM [MW]");
  EXPECT_EQ(Celda(v.StringGrid1, 1, 7), "");
  EXPECT_NE(Consola().find("Sin estadísticas de las series: "), std::string::npos);
}

TEST_F(Calibracion, CrearCalibradorConEntradasMalasNoEscribeCalibrador) {
  TFormAeronda& v = V();
  const fs::path clp = ArchivoCalibrador(kPlanta);
  const fs::path series = ArchivoCentral(kPlanta, "_series10min.sas");

  // Not a plant number: the previous theoretical model is gone all the same.
  v.ModeloTeoricoActual = TParque_ModeloTeorico::CreateDesdeArchivo(Fixture("modelo_v3.pmt"));
  Escribir(v.eNidCentral, "34a");
  v.btLoadFromArchi_ModeloMTySeries->click();
  EXPECT_FALSE(v.ModeloTeoricoActual);

  // No model file.
  Escribir(v.eNidCentral, IntToStr(kPlanta));
  v.btLoadFromArchi_ModeloMTySeries->click();
  EXPECT_FALSE(v.ModeloTeoricoActual);

  // The model but no series: the model stays current, there is no calibrator.
  PonerModeloTeorico();
  v.btLoadFromArchi_ModeloMTySeries->click();
  EXPECT_TRUE(v.ModeloTeoricoActual);
  EXPECT_FALSE(v.CalibradorActual);

  // Series of hourly samples.
  EscribirSeriesSinteticas(series);
  TSeriesDeDatos s = TSeriesDeDatos::Cargar(series);
  s.periodoHoras = 1.0;
  s.Grabar(series);
  v.btLoadFromArchi_ModeloMTySeries->click();
  EXPECT_FALSE(v.CalibradorActual);

  const std::vector<std::string> esperados = {
      "\"34a\" no es un número entero válido",
      "No puedo abrir el archivo: " + ArchivoParqueMT(kPlanta).string(),
      "No puedo abrir el archivo: " + series.string()};
  std::vector<std::string> errores = Errores();
  ASSERT_EQ(errores.size(), 4u);
  // The empirical model's own message on the period (its wording is that unit's).
  EXPECT_EQ(errores[3].rfind("ERROR en archivo series, Perioedo Entre Muestras : 1 debe ser ", 0),
            0u)
      << errores[3];
  errores.pop_back();
  EXPECT_EQ(errores, esperados);
  EXPECT_FALSE(fs::exists(clp));
}

TEST_F(Calibracion, GuardarYCargarCalibrador) {
  TFormAeronda& v = V();
  // Nothing to save: no dialog. A cancelled load changes nothing.
  v.btGuardarCalibrador->click();
  EXPECT_TRUE(dialogos_->Llamadas().empty());
  dialogos_->Abrir(std::nullopt);
  v.btCargarCalibrador->click();
  // The calibrator dialog offers the calibrator files first, the combined models second.
  ASSERT_EQ(dialogos_->Llamadas().size(), 1u);
  EXPECT_EQ(dialogos_->Llamadas()[0].nombre, "odCalibrador");
  EXPECT_EQ(dialogos_->Llamadas()[0].texto, "*.clp;;*.pmc");
  EXPECT_FALSE(v.CalibradorActual);
  EXPECT_TRUE(v.ArchivoCalibradorActual.empty());

  CrearCalibrador();
  // The saved model carries the edits; the save dialog's name gets the extension.
  Escribir(v.eFactorPerdidasParque, "0.07");
  Escribir(v.eEthaMeteo, "[1|1][0.9]");
  const fs::path copia = raiz_ / "copia.clp";
  dialogos_->Guardar(raiz_ / "copia");
  v.btGuardarCalibrador->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  ASSERT_TRUE(fs::exists(copia));
  const auto leido = TCalibradorParque::CreateDesdeArchivo(copia);
  EXPECT_EQ(leido->mt->factor_perdidas, 0.07);
  EXPECT_EQ(leido->mt->meteo_etha.nf, 1);
  EXPECT_EQ(leido->mt->meteo_etha.nc, 1);
  EXPECT_EQ(leido->mt->meteo_etha.Elemento(1, 1), 0.9);

  // Loading it makes it current and shows it.
  const auto anterior = v.CalibradorActual;
  dialogos_->Abrir(copia);
  v.btCargarCalibrador->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  EXPECT_EQ(v.ArchivoCalibradorActual, copia);
  EXPECT_NE(v.CalibradorActual, anterior);
  EXPECT_EQ(v.ModeloTeoricoActual, v.CalibradorActual->mt);
  EXPECT_EQ(Texto(v.eFactorPerdidasParque1), "0.07");
  EXPECT_EQ(Texto(v.eEthaMeteo2), "[1|1][0.9]");

  // A bad edit stops the save before the file is touched.
  const auto bytes = fs::file_size(copia);
  const auto hora = fs::last_write_time(copia);
  Escribir(v.eAlfaTerreno, "0,5x");
  dialogos_->Guardar(copia);
  v.btGuardarCalibrador->click();
  ASSERT_EQ(Errores().size(), 1u);
  EXPECT_EQ(fs::file_size(copia), bytes);
  EXPECT_EQ(fs::last_write_time(copia), hora);
}

TEST_F(Calibracion, CalcularYCargarModeloCombinado) {
  CrearCalibrador();
  TFormAeronda& v = V();
  const auto calibrador = v.CalibradorActual;

  v.btCalcularMC->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  const fs::path pmc = Planta() / "c12.pmc";
  ASSERT_TRUE(fs::exists(pmc));
  ASSERT_TRUE(v.ModeloCombinadoActual);
  EXPECT_EQ(v.CalibradorActual, calibrador);
  EXPECT_EQ(v.ModeloTeoricoActual, calibrador->mt);
  // The file holds the fitted correction to the last bit.
  const auto leido = TParque_ModeloCombinado::CreateDesdeArchivo(pmc);
  const TMatR& c = v.ModeloCombinadoActual->correccion;
  ASSERT_EQ(leido->correccion.nf, c.nf);
  ASSERT_EQ(leido->correccion.nc, c.nc);
  for (int32_t i = 1; i <= c.nf; ++i)
    for (int32_t j = 1; j <= c.nc; ++j)
      ASSERT_EQ(leido->correccion.Elemento(i, j), c.Elemento(i, j));

  // "Cargar MC": the combined model becomes the calibrator too, and its file is kept. Its
  // dialog opens on the combined-model files ("Calcular MC" writes .pmc files).
  dialogos_->Abrir(pmc);
  v.btCargarMC1->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  EXPECT_EQ(dialogos_->Llamadas().back().nombre, "odCalibrador");
  EXPECT_EQ(dialogos_->Llamadas().back().texto, "*.pmc;;*.clp");
  EXPECT_EQ(v.ArchivoModeloCombinadoActual, pmc);
  EXPECT_EQ(v.CalibradorActual, v.ModeloCombinadoActual);
  EXPECT_EQ(v.ModeloTeoricoActual, v.ModeloCombinadoActual->mt);
  EXPECT_EQ(v.windowTitle().toStdString(),
            std::string("Calibrador cargado, Parque: ") + kNombrePlanta);

  // Another plant without a calibrator file: the reader's error, the combined model stays.
  const auto mc = v.ModeloCombinadoActual;
  Escribir(v.eNidCentral, "7");
  v.btCalcularMC->click();
  dialogos_->Abrir(std::nullopt);
  v.btCargarMC->click();
  EXPECT_EQ(Errores(),
            std::vector<std::string>{"No puedo abrir el archivo: " +
                                     (CarpetaBase / "c7" / "c7_calibrador.clp").string()});
  EXPECT_EQ(v.ModeloCombinadoActual, mc);
  EXPECT_EQ(v.ArchivoModeloCombinadoActual, pmc);
  EXPECT_FALSE(fs::exists(CarpetaBase / "c7" / "c7.pmc"));
}

TEST_F(Calibracion, GraficoDePotenciasMEMTMC) {
  TFormAeronda& v = V();
  // Without models there is nothing to draw.
  v.btPlot_PV_MEMTMC->click();
  EXPECT_EQ(Errores(), std::vector<std::string>{"No hay un calibrador cargado"});

  CrearCalibrador();
  v.btPlot_PV_MEMTMC->click();
  EXPECT_EQ(Errores().back(), "No hay un modelo combinado cargado");
  EXPECT_FALSE(fs::exists(basura_ / "curvas_MW_PE_MT_27000.jpg"));

  v.btCalcularMC->click();
  ASSERT_EQ(Errores().size(), 2u);
  // The file's folder is made when it is missing.
  fs::remove_all(basura_);
  const std::pair<const char*, const char*> casos[] = {
      {"270", "curvas_MW_PE_MT_27000.jpg"},
      {"12.5", "curvas_MW_PE_MT_1250.jpg"},
      {"45+0.019", "curvas_MW_PE_MT_4501.jpg"},  // 4501.9 hundredths, truncated
  };
  for (const auto& [dir, archivo] : casos) {
    v.PaintBox1->Imagen().fill(Qt::white);
    Escribir(v.eDir, dir);
    v.btPlot_PV_MEMTMC->click();
    ASSERT_EQ(Errores().size(), 2u) << Errores().back();
    const ImagenJPEG im = LeerJPEG((basura_ / archivo).string());
    ASSERT_TRUE(im.valida) << archivo << ": " << im.error;
    EXPECT_EQ(im.ancho, 2100);
    EXPECT_EQ(im.alto, 1000);
    // The three series: ME green, MT blue, MC red markers.
    EXPECT_GT(PixelesDeColor(v.PaintBox1, 0, 128, 0), 20) << dir;
    EXPECT_GT(PixelesDeColor(v.PaintBox1, 0, 0, 255), 20) << dir;
    EXPECT_GT(PixelesDeColor(v.PaintBox1, 255, 0, 0), 20) << dir;
  }
}

TEST_F(Calibracion, CalibrarCargaElArchivoFijoSinModeloYGuardaElResultado) {
  TFormAeronda& v = V();
  const fs::path minas = basura_ / "calibrador_MINAS I.clp";
  v.btCalibrarParque->click();
  EXPECT_EQ(Errores(), std::vector<std::string>{"No puedo abrir el archivo: " + minas.string()});
  EXPECT_EQ(Texto(v.eErr2Calibrar), "eErr2Calibrar");

  CrearCalibrador();
  fs::copy_file(Planta() / "c12_calibrador.clp", minas);
  v.ModeloTeoricoActual.reset();
  v.CalibradorActual.reset();
  v.btCalibrarParque->click();
  ASSERT_EQ(Errores().size(), 1u) << Errores().back();
  ASSERT_TRUE(v.CalibradorActual);
  const TParque_ModeloTeorico& mt = *v.CalibradorActual->mt;
  EXPECT_EQ(v.ModeloTeoricoActual, v.CalibradorActual->mt);

  EXPECT_GE(StrToFloat(Texto(v.eErr2Calibrar)), 0.0);
  EXPECT_EQ(Texto(v.eErr2Calibrar), FloatToStr(v.CalibradorActual->fMejor));
  // The edits show the tuned parameters, so that the next copy of the edits keeps them.
  EXPECT_EQ(Texto(v.eFactorPerdidasParque), FloatToStr(mt.factor_perdidas));
  EXPECT_EQ(Texto(v.eEthaMeteo), mt.meteo_etha.ACadena());
  EXPECT_EQ(Texto(v.eEthaMeteo2), mt.meteo_etha.ACadena());

  const fs::path fin = basura_ / (std::string("calibrador_") + kNombrePlanta + "_FIN_.clp");
  ASSERT_TRUE(fs::exists(fin));
  const auto leido = TCalibradorParque::CreateDesdeArchivo(fin);
  EXPECT_EQ(leido->mt->factor_perdidas, mt.factor_perdidas);
  ASSERT_EQ(leido->mt->meteo_etha.nf, mt.meteo_etha.nf);
  ASSERT_EQ(leido->mt->meteo_etha.nc, mt.meteo_etha.nc);
  for (int32_t i = 1; i <= mt.meteo_etha.nf; ++i)
    for (int32_t j = 1; j <= mt.meteo_etha.nc; ++j)
      EXPECT_EQ(leido->mt->meteo_etha.Elemento(i, j), mt.meteo_etha.Elemento(i, j));

  // "Guardar Cal." without an edit saves the tuned parameters to the last bit, not the texts
  // the edits show: the file is the final calibrator's.
  const fs::path clp = Planta() / "c12_calibrador.clp";
  dialogos_->Guardar(clp);
  v.btGuardarCalibrador->click();
  ASSERT_EQ(Errores().size(), 1u) << Errores().back();
  EXPECT_EQ(Bytes(clp), Bytes(fin));
}

// After "Calibrar", the user types one cell of the station-factor matrix over: "Guardar Cal."
// writes that cell as typed and every other cell as calibrated, to the last bit, so the saved
// file differs from the final calibrator's in that cell's line only. In the user's number
// format, with either decimal separator.
class CalibracionEditada : public Calibracion, public ::testing::WithParamInterface<char> {
 protected:
  void SetUp() override {
    Calibracion::SetUp();
    // The user's settings with the case's separator, in force before the window is made (its
    // creation writes numbers) and put back by the file readers' guard.
    TFormatSettings f = FormatoDeLocale("C");
    f.DecimalSeparator = GetParam();
    f.ThousandSeparator = GetParam() == ',' ? '.' : ',';
    FijarFormatoDelSistema(f);
    ReiniciarFormatoEstandarParaPruebas();
    FormatSettings() = f;
    ventana_ = std::make_unique<TFormAeronda>(dialogos_);
    FormAeronda = ventana_.get();
  }
};

TEST_P(CalibracionEditada, UnaCeldaTecleadaTrasCalibrarSoloCambiaSuLinea) {
  TFormAeronda& v = V();
  CrearCalibrador();
  v.btCalibrarParque->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  const TMatR calibrada = v.CalibradorActual->mt->meteo_etha;
  ASSERT_EQ(Texto(v.eEthaMeteo), calibrada.ACadena());
  ASSERT_EQ(calibrada.nf, 2);
  ASSERT_EQ(calibrada.nc, 3);
  // The calibrated cells have more digits than they show: read back from their texts, the
  // cells other than the typed one would change.
  constexpr int32_t kFila = 2, kColumna = 2;
  constexpr NReal kTecleado = 0.123;
  const TMatR mostrada = TMatR::CreateDesdeCadena(calibrada.ACadena());
  int cortadas = 0;
  for (int32_t i = 1; i <= 2; ++i)
    for (int32_t j = 1; j <= 3; ++j)
      if ((i != kFila || j != kColumna) && mostrada.Elemento(i, j) != calibrada.Elemento(i, j))
        ++cortadas;
  ASSERT_GT(cortadas, 0);

  // The text shown with that one element's text replaced ("0.123", or "0,123").
  TMatR esperada = calibrada;
  esperada.PonerElemento(kFila, kColumna, kTecleado);
  const std::string tecleado = esperada.ACadena();
  ASSERT_NE(tecleado, Texto(v.eEthaMeteo));
  Escribir(v.eEthaMeteo, tecleado);
  const fs::path guardado = Planta() / "editado.clp";
  dialogos_->Guardar(guardado);
  v.btGuardarCalibrador->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();

  const fs::path fin = basura_ / (std::string("calibrador_") + kNombrePlanta + "_FIN_.clp");
  const std::vector<std::string> a = LineasDeTexto(Bytes(fin));
  const std::vector<std::string> b = LineasDeTexto(Bytes(guardado));
  ASSERT_EQ(a.size(), b.size());
  std::vector<size_t> distintas;
  for (size_t k = 0; k < a.size(); ++k)
    if (a[k] != b[k]) distintas.push_back(k);
  ASSERT_EQ(distintas.size(), 1u);
  EXPECT_EQ(a[distintas[0]], RealATexto(calibrada.Elemento(kFila, kColumna)));
  EXPECT_EQ(b[distintas[0]], RealATexto(kTecleado));
  // And it is that cell's line.
  EXPECT_EQ(TCalibradorParque::CreateDesdeArchivo(guardado)->mt->meteo_etha, esperada);
}

INSTANTIATE_TEST_SUITE_P(Separadores, CalibracionEditada, ::testing::Values('.', ','),
                         [](const ::testing::TestParamInfo<char>& i) {
                           return std::string(i.param == '.' ? "Punto" : "Coma");
                         });

// A model fetched afterwards for another plant (as "Bajar Parque MT From DB" does) becomes the
// current theoretical model while the calibrator stays: the calibrated result is still this
// plant's, and its file must not take the other plant's name (and overwrite that plant's
// result).
TEST_F(Calibracion, CalibrarConOtroModeloActualGuardaConElNombreDelCalibrador) {
  TFormAeronda& v = V();
  CrearCalibrador();
  const auto calibrador = v.CalibradorActual;
  v.ModeloTeoricoActual =
      TCalibradorParque::CreateDesdeArchivo(Fixture("ventana_un_molino.clp"))->mt;
  ASSERT_NE(v.ModeloTeoricoActual->nombre, kNombrePlanta);
  const fs::path otro = basura_ / ("calibrador_" + v.ModeloTeoricoActual->nombre + "_FIN_.clp");
  const fs::path propio = basura_ / (std::string("calibrador_") + kNombrePlanta + "_FIN_.clp");

  v.btCalibrarParque->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  EXPECT_EQ(v.CalibradorActual, calibrador);
  EXPECT_FALSE(fs::exists(otro));
  ASSERT_TRUE(fs::exists(propio));
  EXPECT_EQ(TCalibradorParque::CreateDesdeArchivo(propio)->mt->factor_perdidas,
            calibrador->mt->factor_perdidas);
}

TEST_F(Calibracion, CalibracionSimpleEthaMeteo) {
  TFormAeronda& v = V();
  v.CalibrarSimpleEthaMeteo->click();
  EXPECT_EQ(Consola(), "No existe el Calibrador de la Central 0.\n");
  EXPECT_TRUE(Errores().empty());

  CrearCalibrador();
  const fs::path clp = Planta() / "c12_calibrador.clp";
  const auto antes = fs::last_write_time(clp);
  v.CalibrarSimpleEthaMeteo->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  const TParque_ModeloTeorico& mt = *v.CalibradorActual->mt;
  const TParque_ModeloEmpirico& me = *v.CalibradorActual->me;
  EXPECT_EQ(mt.meteo_etha.nf, me.NSectores());
  EXPECT_EQ(mt.meteo_etha.nc, me.NTramos());
  EXPECT_TRUE(fs::exists(Planta() / "Metha_borde.txt"));
  EXPECT_TRUE(fs::exists(Planta() / "Metha_completada.txt"));
  EXPECT_NE(Consola().find("Calibración de EthaMeteo de la Central 12 terminada.\n"),
            std::string::npos);
  EXPECT_EQ(Texto(v.eEthaMeteo), mt.meteo_etha.ACadena());
  EXPECT_EQ(Texto(v.eEthaMeteo2), mt.meteo_etha.ACadena());

  // The plant's calibrator file now carries the new matrix.
  EXPECT_GE(fs::last_write_time(clp), antes);
  const auto leido = TCalibradorParque::CreateDesdeArchivo(clp);
  ASSERT_EQ(leido->mt->meteo_etha.nf, mt.meteo_etha.nf);
  ASSERT_EQ(leido->mt->meteo_etha.nc, mt.meteo_etha.nc);
  for (int32_t i = 1; i <= mt.meteo_etha.nf; ++i)
    for (int32_t j = 1; j <= mt.meteo_etha.nc; ++j)
      ASSERT_EQ(leido->mt->meteo_etha.Elemento(i, j), mt.meteo_etha.Elemento(i, j));
}

}  // namespace

// Calibrator and combined-model commands of the main window: building a plant's calibrator from
// its model and series files (with the charts and the table of its series), loading and saving
// calibrators, the two calibrations, computing and loading combined models, and the chart of
// the three models' powers against wind speed.
#include <QString>
#include <QTableWidget>
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "estimator/gui/uAeronda.h"
#include "estimator/ucalibrador.h"
#include "estimator/ucarpetascentrales.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/fddp_conmatr.h"
#include "numerics/fddp_weibull.h"
#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"
#include "platform/aleatorio.h"
#include "platform/carpetas.h"
#include "platform/errores.h"
#include "platform/lienzo.h"
#include "platform/lienzo_qt.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"
#include "services/ugraficador.h"

namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string TextoDe(const QLineEdit* e) { return e->text().toStdString(); }

// The fixed folder "c:\basura" of the calibration outputs and the power chart. It exists
// whenever the working folders lie in it, but not when they are on drive Y:, so it is made
// here when missing.
fs::path CarpetaBasura() {
  const fs::path basura = RutaLocal("c:\\basura", RaicesDelEntorno());
  std::error_code ec;
  if (!fs::is_directory(basura, ec)) {
    fs::create_directories(basura, ec);
    if (ec) throw EInOutError("No puedo crear la carpeta: " + basura.string(), basura);
  }
  return basura;
}

// A model name as one file-name component: a "/" would put the file in another folder.
std::string ComoNombreDeArchivo(std::string s) {
  for (char& c : s)
    if (c == '/' || c == '\0') c = '_';
  return s;
}

// Paints a chart over the whole paint box and shows it.
void Pintar(TPaintBox* pb, TGrafico& g) {
  {
    TLienzoQt lienzo(pb->Imagen());
    g.Dibujar(lienzo, pb->Width(), pb->Height());
  }
  pb->update();
}

// A paint box whose chart could not be made is left blank rather than showing the chart of
// the calibrator before.
void Blanquear(TPaintBox* pb) {
  pb->Imagen().fill(Qt::white);
  pb->update();
}

// Ordinate series on the chart's abscissa series `x`: line and markers of one colour.
TSerieGrafico* AgregarOrdenada(TGrafico& g, TSerieGrafico* x, const std::string& nombre,
                               TDAofNReal valores, TColor linea, TColor marcador) {
  auto s = std::make_unique<TSerieGrafico>(nombre, std::move(valores), x, &g, "", false);
  s->colorLinea = linea;
  s->colorMarcador = marcador;
  s->tamanoMarcador = 2;
  s->anchoMarcador = 1;
  return g.AgregarSerie(std::move(s));
}

TSerieGrafico* AgregarAbscisa(TGrafico& g, TDAofNReal valores) {
  return g.AgregarSerie(
      std::make_unique<TSerieGrafico>("v", std::move(valores), nullptr, nullptr, "##.##", true));
}

// A channel's extreme in the table: to the nearest multiple of 0.0001, ties to even. A channel
// without samples has no extreme (NaN) and shows it as such.
std::string TextoExtremo(NReal x) {
  if (!std::isfinite(x)) return FloatToStr(x);
  return FloatToStr(std::nearbyint(x * 10000.0) / 10000.0);
}

void Celda(QTableWidget* t, int columna, int fila, const std::string& texto) {
  QTableWidgetItem* item = t->item(fila, columna);
  if (item == nullptr) {
    item = new QTableWidgetItem();
    t->setItem(fila, columna, item);
  }
  item->setText(Q(texto));
}

TCalibradorParque& CalibradorRequerido(const std::shared_ptr<TCalibradorParque>& c) {
  if (!c || !c->mt || !c->me) throw EErrorGeneral("No hay un calibrador cargado");
  return *c;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// "Crear archivo .clp con MT y archivo .sas"

void TFormAeronda::btLoadFromArchi_ModeloMTySeriesClick() {
  ModeloTeoricoActual.reset();
  NidCentralActual = StrToInt(TextoDe(eNidCentral));
  PorcentajeInfActual = StrToInt(PorcentajeAjusteCurvaSinf->text().toStdString());
  PorcentajeSupActual = StrToInt(PorcentajeAjusteCurvaSsup->text().toStdString());
  const int32_t nid = NidCentralActual;

  ModeloTeoricoActual = TParque_ModeloTeorico::CreateDesdeArchivo(ArchivoParqueMT(nid));
  TParque_ModeloTeorico& mt = *ModeloTeoricoActual;
  mt.FijarVentanaDibujo(0, 30, pb_Parque_original->Width(), pb_Parque_original->Height());
  eAlfaTerreno->MostrarValor(mt.alfa_terreno);
  eGamma_Atmosfera->MostrarValor(mt.gamma_atmosfera);
  efpv3pe->MostrarValor(mt.fpv3pe);
  eFactorPerdidasParque->MostrarValor(mt.factor_perdidas);
  eLimiteDePotencia->MostrarValor(mt.potencia_autorizada_mw);
  eEthaMeteo->MostrarMatriz(mt.meteo_etha);

  CalibradorActual.reset();
  CalibradorActual =
      TCalibradorParque::Create(ModeloTeoricoActual, ArchivoCentral(nid, "_series10min.sas"),
                                PorcentajeInfActual, PorcentajeSupActual);
  Graficar_Estadistica_Datos_ME();
  CalibradorActual->Guardar(ArchivoCalibrador(nid));
  MostrarCalibrador(CalibradorActual);
}

void TFormAeronda::Graficar_Estadistica_Datos_ME() {
  const TParque_ModeloEmpirico& me = *CalibradorRequerido(CalibradorActual).me;

  std::unique_ptr<Tf_ddp_Weibull> weibull;
  std::unique_ptr<Tf_ddp_VectDeMuestras> direcciones;
  NReal maxPre = 0, minPre = 0, maxPE = 0, minPE = 0, maxVel = 0, minVel = 0, maxHumRel = 0,
        minHumRel = 0, minFDisp = 0, maxFDisp = 0, minTemp = 0, maxTemp = 0, minCGM = 0, maxCGM = 0;
  bool conRangos = true;
  try {
    me.DistribucionesYRangos(weibull, direcciones, maxPre, minPre, maxPE, minPE, maxVel, minVel,
                             maxHumRel, minHumRel, minFDisp, maxFDisp, minTemp, maxTemp, minCGM,
                             maxCGM);
  } catch (const std::exception& e) {
    // The Weibull law cannot be fitted to some series (too few speeds, all equal): the chart
    // is skipped, and the calibrator is still saved by the caller.
    std::cout << "Sin estadísticas de las series: " << e.what() << std::endl;
    conRangos = false;
    weibull.reset();
  }

  // Weibull density of the speeds.
  if (weibull) {
    TDAofNReal v, f;
    for (int32_t i = 0; i <= 25; ++i) {
      v.push_back(i);
      f.push_back(weibull->Densidad(i));
    }
    TGrafico g("Frecuencia_velocidad_WB", 2, 0);
    g.titulo = "Frecuencia velocidad Weibull";
    g.ejeX->titulo = "Velocidad de viento [m/s]";
    g.ejeX->FijarMaximo(24);
    g.ejeX->FijarDivisiones(8);
    g.ejeX->digitos = 0;
    g.ejeY1->titulo = "Frecuencia [p.u]";
    g.tamanoLetra = 10;
    TSerieGrafico* x = AgregarAbscisa(g, std::move(v));
    AgregarOrdenada(g, x, "", std::move(f), clGreen, clGreen);
    Pintar(PaintBox2, g);
  } else {
    Blanquear(PaintBox2);
  }

  // Frequency of the directions, degree by degree.
  try {
    TDAofNReal a, f;
    for (int32_t i = 0; i <= 359; ++i) {
      a.push_back(i);
      f.push_back(me.FrecuenciaDireccion(i));
    }
    TGrafico g("Frecuencia_direccion", 2, 0);
    g.titulo = "Frecuencia Dirección";
    g.ejeX->titulo = "Dirección del viento [º]";
    g.ejeX->FijarMaximo(360);
    g.ejeX->FijarDivisiones(36);
    g.ejeX->digitos = 0;
    g.ejeY1->titulo = "Frecuencia [p.u]";
    g.tamanoLetra = 6;
    TSerieGrafico* x = AgregarAbscisa(g, std::move(a));
    AgregarOrdenada(g, x, "", std::move(f), clRed, clRed);
    Pintar(PaintBox3, g);
  } catch (const std::exception& e) {
    // A model without binned samples has no direction frequencies (0/0).
    std::cout << "Sin gráfico de frecuencia de dirección: " << e.what() << std::endl;
    Blanquear(PaintBox3);
  }

  // The channels' extremes.
  struct TFilaRango {
    const char* canal;
    NReal minimo, maximo;
  };
  const TFilaRango filas[] = {
      {"Velocidad [m/s]", minVel, maxVel},
      {"Potencia [MW]", minPE, maxPE},
      {"Presión [hPa]", minPre, maxPre},
      {"Hum. Relativa [%]", minHumRel, maxHumRel},
      {"Disponibilidad [p.u.]", minFDisp, maxFDisp},
      {"Temperatura [ºC]", minTemp, maxTemp},
      {"CGM [MW]", minCGM, maxCGM},
  };
  Celda(StringGrid1, 0, 0, "");
  Celda(StringGrid1, 1, 0, "Mínimo");
  Celda(StringGrid1, 2, 0, "Máximo");
  int fila = 1;
  for (const TFilaRango& r : filas) {
    Celda(StringGrid1, 0, fila, r.canal);
    Celda(StringGrid1, 1, fila, conRangos ? TextoExtremo(r.minimo) : "");
    Celda(StringGrid1, 2, fila, conRangos ? TextoExtremo(r.maximo) : "");
    ++fila;
  }
  StringGrid1->resizeColumnsToContents();
}

// ---------------------------------------------------------------------------------------------
// Calibrator files

void TFormAeronda::btCargarCalibradorClick() {
  const auto archivo = Dialogos().AbrirArchivo(odCalibrador);
  if (!archivo) return;
  ArchivoCalibradorActual = *archivo;
  CargarCalibrador(*archivo);
}

void TFormAeronda::btGuardarCalibradorClick() {
  if (!CalibradorActual) return;
  const auto elegido = Dialogos().GuardarArchivo(sdCalibrador);
  if (!elegido) return;
  Edits_To_ParametrosMT();
  CalibradorActual->Guardar(ConExtensionPorDefecto(*elegido, sdCalibrador.extensionPorDefecto));
}

// ---------------------------------------------------------------------------------------------
// Calibrations

void TFormAeronda::btCalibrarParqueClick() {
  RandSeed(31);
  if (!ModeloTeoricoActual) CargarCalibrador(CarpetaBasura() / "calibrador_MINAS I.clp");
  TCalibradorParque& c = CalibradorRequerido(CalibradorActual);
  const NReal err2 = c.Calibrar({});
  eErr2Calibrar->setText(Q(FloatToStr(err2)));
  // The search leaves the tuned parameters in the model; the edits still show the old ones,
  // and the next command that copies the edits into the model ("Calcular", "Guardar Cal.")
  // would put them back. They are refreshed when they belong to the calibrator's model.
  if (ModeloTeoricoActual == c.mt) MostrarCalibrador(CalibradorActual);
  // Named after the calibrator's own model: it is the current theoretical model once the
  // calibrator is shown, but a model fetched since from the database (another plant) is not,
  // and its name would put this result over that plant's file.
  c.Guardar(CarpetaBasura() / ("calibrador_" + ComoNombreDeArchivo(c.mt->nombre) + "_FIN_.clp"));
}

void TFormAeronda::CalibrarSimpleEthaMeteoClick() {
  if (!CalibradorActual) {
    std::cout << "No existe el Calibrador de la Central " << IntToStr(NidCentralActual) << "."
              << std::endl;
    return;
  }
  TCalibradorParque& c = CalibradorRequerido(CalibradorActual);
  TMatR m = c.CalibrarEthaMeteo();
  c.mt->meteo_etha = m;
  std::cout << "Calibración de EthaMeteo de la Central " << IntToStr(c.mt->central) << " terminada."
            << std::endl;
  m.print();
  MostrarCalibrador(CalibradorActual);
  c.Guardar(ArchivoCalibrador(c.mt->central));
}

// ---------------------------------------------------------------------------------------------
// Combined models

void TFormAeronda::btCalcularMCClick() {
  NidCentralActual = StrToInt(TextoDe(eNidCentral));
  ModeloCombinadoActual =
      TParque_ModeloCombinado::CreateDesdeCalibrador(ArchivoCalibrador(NidCentralActual));
  ModeloCombinadoActual->Guardar(ArchivoModeloCombinado(NidCentralActual));
}

void TFormAeronda::btCargarMCClick() {
  const auto archivo = Dialogos().AbrirArchivo(odCalibradorMC);
  if (!archivo) return;
  CargarModeloCombinado(*archivo);
  ArchivoModeloCombinadoActual = *archivo;
}

// ---------------------------------------------------------------------------------------------
// "Graficar P(V) MEMTMC"

void TFormAeronda::btPlot_PV_MEMTMCClick() {
  TCalibradorParque& c = CalibradorRequerido(CalibradorActual);
  if (!ModeloTeoricoActual) throw EErrorGeneral("No hay un modelo teórico cargado");
  if (!ModeloCombinadoActual || !ModeloCombinadoActual->mt || !ModeloCombinadoActual->me)
    throw EErrorGeneral("No hay un modelo combinado cargado");
  const TParque_ModeloEmpirico& me = *c.me;
  TParque_ModeloTeorico& mt = *ModeloTeoricoActual;
  TParque_ModeloCombinado& mc = *ModeloCombinadoActual;

  const int32_t n = me.NTramos();
  TDAofNReal vs, pME, pMT, pMC;
  vs.reserve(static_cast<size_t>(n));
  const NReal dir = EvaluarNumero(TextoDe(eDir));
  Edits_To_ParametrosMT();
  // The file name needs Trunc(100 dir): a direction that has none fails before the work.
  const int64_t centesimas = Trunc(dir * 100);

  for (int32_t i = 1; i <= n; ++i) {
    const NReal v = VelocidadDeDensidadPotencia(me.centrosPv3[i], DensidadEstandar);
    const NReal dp = DensidadPotenciaViento(v, DensidadEstandar);
    mt.PrepararGrilla(false, dir, dp);
    bool convergio = false;
    NReal dpvMastil = 0, dpvLibre = 0;
    const NReal potMT = mt.PotenciaParque(convergio, dpvMastil, DensidadEstandar, dp,
                                          c.mt->potencia_autorizada_mw, dpvLibre);
    NReal cnt = 0;
    const NReal potME = me.PotenciaRepresentantes(cnt, dir, dp, DensidadEstandar);
    NReal pLimiteCGM = 0, pLimiteAut = 0, pBruta = 0;
    mc.CalcularPotencia(pLimiteCGM, pLimiteAut, pBruta, v, dir, DensidadEstandar, 1000000.0, false,
                        false);
    vs.push_back(v);
    pME.push_back(potME);
    pMT.push_back(potMT);
    pMC.push_back(pLimiteAut);
  }

  TGrafico g("PE_Cluster", 2, 0);
  g.titulo =
      "Potencias ME y MT para el ángulo: " + FloatToStrF(dir, TFloatFormat::ffFixed, 12, 1) + "°";
  g.ejeX->titulo = "Velocidad de viento [m/s]";
  g.ejeY1->titulo = "Potencia eléctrica [MW]";
  TSerieGrafico* x = AgregarAbscisa(g, std::move(vs));
  AgregarOrdenada(g, x, "MW_ME", std::move(pME), clGreen, clGreen);
  AgregarOrdenada(g, x, "MW_MT", std::move(pMT), clBlue, clBlue);
  AgregarOrdenada(g, x, "MW_MC", std::move(pMC), clNone, clRed);
  g.ExportarJPEG(CarpetaBasura() / ("curvas_MW_PE_MT_" + IntToStr(centesimas) + ".jpg"), 2100, 1000,
                 100);
  Pintar(PaintBox1, g);
}

// Series commands of the main window: the alignment of the generating agent's series with the
// SCADA series ("Insertar Series enviadas por el Gen") and the two runs over a plant's series
// with the combined model (the series processing and the restriction run).
#include <QCheckBox>
#include <QDateEdit>
#include <cstdint>
#include <filesystem>
#include <string>

#include "estimator/gui/uAeronda.h"
#include "estimator/ucalcrestriccionesoperativas.h"
#include "estimator/ucalibrador.h"
#include "estimator/ucarpetascentrales.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/matreal.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "services/udbconpg.h"
#include "services/useriestemporales.h"

namespace {

// The series file holds nine SCADA channels followed by the same nine as the agent sent them.
constexpr int32_t kCanales = 9;
// Shifts tried, in samples of ten minutes: a whole day each way.
constexpr int32_t kDesfasajeMaximo = 144;
constexpr NReal kFaltante = -999999999.0;

// Searches the shift at which the agent series g best matches the SCADA series in `slot` and,
// when the user agrees, puts g shifted by it in the slot.
void AlinearSerie(IDialogos& dialogos, TVectR& slot, const TVectR& g, const std::string& nombre) {
  const TVectR& a = slot;
  NReal mejor = 0.0;
  // When no shift correlates above 0 none is ever recorded; the question then offers the
  // agent's series as it came (no shift), and the user may still say No.
  int32_t dMejor = 0;
  for (int32_t d = -kDesfasajeMaximo; d <= kDesfasajeMaximo; ++d) {
    const NReal c = a.CorrelacionDesfasada(g, d, true, 0.0);
    if (c > mejor) {  // strictly: on equal correlations the smallest shift stays
      mejor = c;
      dMejor = d;
    }
  }
  const std::string pregunta = "Coeficiente de correlelación MAXIMO = " + FloatToStr(mejor) +
                               " con desfasaje de " + IntToStr(10 * dMejor) + " minutos." + "\r" +
                               "¿Quiere desfasar y sustituir serie SCADA por serie de AGENTE?";
  if (!dialogos.PreguntarSiNo(nombre, pregunta)) return;

  const int32_t n = a.n;
  TVectR b(n);
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t j = i + dMejor;
    b[i] = (j >= 1 && j <= g.n) ? g[j] : kFaltante;
  }
  slot = std::move(b);
}

// The chosen file's full name without its extension (from the last "." of the file name on;
// the folders stay) followed by `sufijo`.
std::filesystem::path SinExtensionCon(const std::filesystem::path& archivo,
                                      const std::string& sufijo) {
  std::string nombre = archivo.filename().string();
  const auto punto = nombre.rfind('.');
  if (punto != std::string::npos) nombre.erase(punto);
  return archivo.parent_path() / (nombre + sufijo);
}

// The plant folder of the current calibrator's theoretical model, created when missing: the
// runs write their outputs there and the series dialog starts in it.
std::filesystem::path CarpetaDelCalibrador(const std::shared_ptr<TCalibradorParque>& c) {
  if (!c || !c->mt) throw EErrorGeneral("No hay un calibrador cargado");
  return CarpetaCentral(c->mt->central);
}

TDBPQCon& Conectada(const std::unique_ptr<TDBPQCon>& c) {
  if (!c) throw EErrorGeneral("No hay conexión con la base de datos");
  return *c;
}

}  // namespace

void TFormAeronda::btInsertSeriesGenClick() {
  const auto elegido = Dialogos().AbrirArchivo(odInsertarSeriesEnvPorGen);
  if (!elegido) return;
  TSeriesDeDatos s = TSeriesDeDatos::Cargar(*elegido);
  // Every channel needs its agent twin: a shorter file would be read outside its series.
  if (s.NSeries < 2 * kCanales || s.series.size() < static_cast<size_t>(2 * kCanales))
    throw EErrorGeneral("El archivo " + elegido->string() + " tiene " + IntToStr(s.NSeries) +
                        " series; se necesitan " + IntToStr(2 * kCanales) +
                        " (las de SCADA y las del agente)");
  for (int32_t k = 0; k < kCanales; ++k) {
    const TVectR& g = s.series[static_cast<size_t>(k + kCanales)];
    // A first sample of exactly -1 means the agent did not send this channel.
    if (g.n < 1 || g[1] == -1.0) continue;
    AlinearSerie(Dialogos(), s.series[static_cast<size_t>(k)], g,
                 s.nombres[static_cast<size_t>(k)]);
  }
  for (int32_t k = 2 * kCanales - 1; k >= kCanales; --k) s.EliminarSerie(k);
  s.Grabar(SinExtensionCon(*elegido, "_DatosGen.sas"));
}

// ---------------------------------------------------------------------------------------------
// The two runs. What they need besides the series file (the models, the connection, the buffer
// length) is checked before the file is asked for, so that a run that cannot start does not
// first make the user choose a file.

void TFormAeronda::btProcesarSeriesConMCClick() {
  const std::filesystem::path carpeta = CarpetaDelCalibrador(CalibradorActual);
  const int32_t central = CalibradorActual->mt->central;
  ArchivoSeriesActual = ArchivoCentral(central, "_series10min.sas");
  if (!ModeloCombinadoActual || !ModeloCombinadoActual->mt || !ModeloCombinadoActual->me)
    throw EErrorGeneral("No hay un modelo combinado cargado");
  TDBPQCon& conexion = Conectada(Conexion);
  const int32_t nBuffer = StrToInt(eHoras_Buffer->text().toStdString());

  TDialogoArchivo dialogo = odProcesarSeries;
  dialogo.carpetaInicial = carpeta;
  const auto elegido = Dialogos().AbrirArchivo(dialogo);
  if (!elegido) return;
  ArchivoSeriesActual = *elegido;

  const NReal factor = FactorSmecScada(conexion, ModeloCombinadoActual->mt->central);
  const TDateTime desde = FechaDeEdit(*FechaDesde);
  const TDateTime hasta = FechaDeEdit(*FechaHasta);
  // The energies of this run are not shown anywhere; the list lives for the call only.
  TDAofRecsEnergiaPorFecha energias;
  ProcesarSeriesConModeloCombinado(*ModeloCombinadoActual, ArchivoSeriesActual, carpeta,
                                   cbSeriesConVelLibre->isChecked(), desde, hasta, desde, hasta,
                                   factor, energias, nBuffer, true, cbSoloTeorico->isChecked(),
                                   true, nullptr);
}

void TFormAeronda::btProcesarRestriccionesClick() {
  const std::filesystem::path carpeta = CarpetaDelCalibrador(CalibradorActual);
  const std::filesystem::path archivoPmc = ArchivoModeloCombinadoActual;
  if (archivoPmc.empty())
    throw EErrorGeneral("No se ha cargado un modelo combinado con \"Cargar MC\"");
  TDBPQCon& conexion = Conectada(Conexion);
  const int32_t nBuffer = StrToInt(eHoras_Buffer->text().toStdString());

  TDialogoArchivo dialogo = odProcesarSeries;
  dialogo.carpetaInicial = carpeta;
  const auto elegido = Dialogos().AbrirArchivo(dialogo);
  if (!elegido) return;
  ArchivoSeriesActual = *elegido;

  // One day past the last date, so that the whole of it is in the run.
  CalcularRestriccionesOperativas(conexion, archivoPmc, ArchivoSeriesActual, carpeta,
                                  cbSeriesConVelLibre->isChecked(), nBuffer,
                                  FechaDeEdit(*FechaDesde), FechaDeEdit(*FechaHasta) + 1.0);
}

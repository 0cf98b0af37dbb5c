// The main window: four tab pages of edits, buttons, paint boxes, a grid and date edits.
//
// The window is built from two tables in uAeronda.cpp: one row per control (page, parent, name,
// kind, caption, start text, fixed size) and one row per event binding. Every control's
// objectName is its name, and every bound handler runs inside EjecutarSeguro, which shows an
// exception's message in a message box instead of letting it cross Qt's event loop.
#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "estimator/gui/controles.h"
#include "platform/dialogos.h"
#include "platform/fechas.h"

class QCheckBox;
class QCloseEvent;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableWidget;

class TCalibradorParque;
class TMolino;
class TDBPQCon;
class TParque_ModeloTeorico;
class TParque_ModeloCombinado;

class TFormAeronda : public QWidget {
 public:
  // `dialogos` answers every dialog of the window; none gives the real Qt dialogs.
  explicit TFormAeronda(std::shared_ptr<IDialogos> dialogos = nullptr, QWidget* padre = nullptr);
  ~TFormAeronda() override;

  IDialogos& Dialogos() { return *dialogos_; }
  // Runs a handler; an exception it raises ends it and its message goes to a message box.
  void EjecutarSeguro(const std::function<void()>& manejador);
  // Called with the handler's name before each bound handler runs (tests follow the bindings
  // with it); empty by default.
  std::function<void(std::string_view manejador)> AlEjecutarManejador;

  // --- State shared by the handlers ------------------------------------------------------
  std::shared_ptr<TCalibradorParque> CalibradorActual;
  std::shared_ptr<TParque_ModeloTeorico> ModeloTeoricoActual;
  std::shared_ptr<TParque_ModeloCombinado> ModeloCombinadoActual;
  std::filesystem::path ArchivoCalibradorActual;
  std::filesystem::path ArchivoSeriesActual;
  std::filesystem::path ArchivoModeloCombinadoActual;
  int32_t PorcentajeInfActual = 0;
  int32_t PorcentajeSupActual = 0;
  int32_t NidCentralActual = 0;
  // The turbine picked on a speed field (none when the last click found no turbine near). It
  // keeps its model alive, so a selection made before the model was replaced stays valid.
  std::shared_ptr<TMolino> MolinoSeleccionado;
  // The plant database; none when "condb_rbtdata.dat" is missing from the current directory or
  // the server could not be reached at creation.
  std::unique_ptr<TDBPQCon> Conexion;

  // --- File dialogs ----------------------------------------------------------------------
  // Calibrator files (".clp") and combined-model files (".pmc") share one open dialog: the
  // calibrator commands open it on its ".clp" filter, "Cargar MC" on its ".pmc" one.
  const TDialogoArchivo odCalibrador{"odCalibrador", "*.clp;;*.pmc", "", {}};
  const TDialogoArchivo odCalibradorMC{"odCalibrador", "*.pmc;;*.clp", "", {}};
  const TDialogoArchivo sdCalibrador{"sdCalibrador", "*.clp", ".clp", {}};
  const TDialogoArchivo odProcesarSeries{"odProcesarSeries", "*.sas", "", {}};
  const TDialogoArchivo odInsertarSeriesEnvPorGen{"odInsertarSeriesEnvPorGen", "*.sas", "", {}};

  // --- Controls --------------------------------------------------------------------------
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QWidget* TabSheet3 = nullptr;
  QWidget* TabSheet4 = nullptr;
  QWidget* TabSheet5 = nullptr;

  // TabSheet2: full simulation.
  TPaintBox* pb_Parque_original = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QFrame* Panel1 = nullptr;
  QSplitter* Splitter1 = nullptr;
  TLabeledEdit* eDir = nullptr;
  TLabeledEdit* eVAnemoEntrada = nullptr;
  TLabeledEdit* eAlfaTerreno = nullptr;
  TLabeledEdit* eGamma_Atmosfera = nullptr;
  TLabeledEdit* efpv3pe = nullptr;
  TLabeledEdit* eFactorPerdidasParque = nullptr;
  TLabeledEdit* eLimiteDePotencia = nullptr;
  QPushButton* btCalcular = nullptr;
  TLabeledEdit* eVAnemoResultante = nullptr;
  TLabeledEdit* ePE_MW_ModeloTeorico = nullptr;
  TLabeledEdit* ePE_MW_Representantes = nullptr;
  TLabeledEdit* eME_Peso = nullptr;
  QPushButton* btCargarCalibrador = nullptr;
  QPushButton* btGuardarCalibrador = nullptr;
  QPushButton* btUpdateMTinDB = nullptr;
  QPushButton* btProcesarSeries = nullptr;
  TLabeledEdit* VientoLibre = nullptr;
  TLabeledEdit* eErr2Calibrar = nullptr;
  QPushButton* btCalibrarParque = nullptr;
  QPushButton* CalcularReduccion = nullptr;
  QPushButton* Calcularviento = nullptr;
  TLabeledEdit* vientoparapot = nullptr;
  TLabeledEdit* VientoDeLaPotMW = nullptr;
  QPushButton* CalibrarSimpleEthaMeteo = nullptr;
  TLabeledEdit* eEthaMolino = nullptr;
  QPushButton* btCambiar_ro = nullptr;
  QCheckBox* cbCambiarTodosLosRo = nullptr;
  QLineEdit* eMolino = nullptr;
  TLabeledEdit* eEthaMeteo = nullptr;
  QLineEdit* eCoordenadasXY = nullptr;

  // TabSheet3: database, calibrator and series.
  TLabeledEdit* eNidCentral = nullptr;
  QPushButton* btBajarParque = nullptr;
  QPushButton* btCalcularMC = nullptr;
  QPushButton* btCargarMC = nullptr;
  QPushButton* btLevantarCurvaAeroADB = nullptr;
  QLabel* Label9 = nullptr;
  QLineEdit* PorcentajeAjusteCurvaSinf = nullptr;
  QLineEdit* PorcentajeAjusteCurvaSsup = nullptr;
  QPushButton* btLoadFromArchi_ModeloMTySeries = nullptr;
  TPaintBox* PaintBox2 = nullptr;
  TPaintBox* PaintBox3 = nullptr;
  // Cell (column c, row r) is item(r, c); row 0 and column 0 are the fixed headers.
  QTableWidget* StringGrid1 = nullptr;
  QPushButton* btInsertSeriesGen = nullptr;
  QPushButton* btProcesarSeriesConMC = nullptr;
  QDateEdit* FechaDesde = nullptr;
  QDateEdit* FechaHasta = nullptr;
  QPushButton* btProcesarRestricciones = nullptr;
  TLabeledEdit* NIDcentralesAunir = nullptr;
  TLabeledEdit* NIDcentralAnemo = nullptr;
  QPushButton* CrearSupercentral = nullptr;
  QLabel* Label7 = nullptr;
  QPushButton* BorrarSupercentral = nullptr;
  QLabel* Label8 = nullptr;
  TLabeledEdit* NIDsupercentralBorrar = nullptr;

  // TabSheet4: chart.
  TPaintBox* PaintBox1 = nullptr;
  QPushButton* btPlot_PV_MEMTMC = nullptr;
  TLabeledEdit* eEthaMeteo1 = nullptr;

  // TabSheet5: simple simulation and restrictions.
  TPaintBox* pb_Parque_simple = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QPushButton* btCalcular1 = nullptr;
  TLabeledEdit* eDir1 = nullptr;
  TLabeledEdit* eVAnemoEntrada1 = nullptr;
  TLabeledEdit* eAlfaTerreno1 = nullptr;
  TLabeledEdit* eGamma_Atmosfera1 = nullptr;
  TLabeledEdit* efpv3pe1 = nullptr;
  TLabeledEdit* eFactorPerdidasParque1 = nullptr;
  TLabeledEdit* eLimiteDePotencia1 = nullptr;
  TLabeledEdit* eEthaMeteo2 = nullptr;
  QLabel* LabelSalidas = nullptr;
  TLabeledEdit* eVAnemoResultante1 = nullptr;
  TLabeledEdit* ePE_MW_ModeloTeorico1 = nullptr;
  TLabeledEdit* ePE_MW_Representantes1 = nullptr;
  TLabeledEdit* eME_Peso1 = nullptr;
  QPushButton* btCargarMC1 = nullptr;
  QLabel* LabelRestricciones = nullptr;
  QDateEdit* FechaDesde1 = nullptr;
  QDateEdit* FechaHasta1 = nullptr;
  QPushButton* btProcesarSeriesConMC1 = nullptr;
  QPushButton* btProcesarRestricciones1 = nullptr;
  QCheckBox* cbSoloTeorico = nullptr;
  TLabeledEdit* eHoras_Buffer = nullptr;
  QCheckBox* cbSeriesConVelLibre = nullptr;

  // --- Window events ---------------------------------------------------------------------
  void FormCreate();
  void FormClose();

  // --- State and loading (uAeronda_estado.cpp) ------------------------------------------
  // Makes the calibrator's theoretical model current, sets its drawing window for
  // pb_Parque_original, the caption and both columns of parameter edits. CalibradorActual is
  // left to the caller.
  void MostrarCalibrador(const std::shared_ptr<TCalibradorParque>& calibrador);
  // Reads a calibrator file (".clp") into CalibradorActual and shows it; a file that cannot be
  // read raises the reader's error and changes nothing.
  void CargarCalibrador(const std::filesystem::path& archivo);
  // Reads a combined-model file (".pmc"): it becomes ModeloCombinadoActual and
  // CalibradorActual, and is shown.
  void CargarModeloCombinado(const std::filesystem::path& archivo);
  // Copies the TabSheet2 parameter edits (alfa, gamma, fpv3pe, losses, power limit, then the
  // bracketed station-factor matrix) into ModeloTeoricoActual. Every text is read first: a
  // bad one raises the evaluator's error and the model keeps all its values. Without a current
  // theoretical model it raises EErrorGeneral.
  void Edits_To_ParametrosMT();

  // --- Mirroring of twin edits -----------------------------------------------------------
  void eDirChange();
  void eDir1Change();
  void eVAnemoEntrada1Change();
  void eAlfaTerrenoChange();
  void eAlfaTerreno1Change();
  void eGamma_AtmosferaChange();
  void eGamma_Atmosfera1Change();
  void efpv3pe1Change();
  void eFactorPerdidasParque1Change();
  void eLimiteDePotencia1Change();
  void eEthaMeteoChange();
  void eEthaMeteo2Change();
  void eEthaMeteo1Change();
  void TabSheet4Show();
  void ePE_MW_ModeloTeoricoChange();
  void ePE_MW_RepresentantesChange();
  void eME_PesoChange();
  void eVAnemoResultanteChange();
  void FechaDesde1Change();
  void FechaHasta1Change();

  // --- Handlers with no effect -----------------------------------------------------------
  void eHoras_BufferChange() {}
  void FechaHastaChange() {}
  void btLevantarCurvaAeroADBClick() {}
  void CalcularReduccionClick() {}
  void GroupBox2Click() {}
  void Label7Click() {}
  void NIDcentralAnemoChange() {}
  void NIDcentralesAunirChange() {}
  void PageControl1Change() {}
  void PaintBox1Click() {}
  void pb_Parque_simpleClick() {}
  void PorcentajeAjusteCurvaSinfChange() {}
  void TabSheet3ContextPopup() {}

  // --- Commands (uAeronda_simulacion, _bd, _calibracion and _series.cpp) -------------------
  // Simulation and turbine inspection.
  void btCalcularClick();
  // Paints the current theoretical model's speed field with its colour legend (4 to 10 m/s)
  // on a paint box, pixel by pixel; the field starts below the 30-pixel legend.
  void VelocidadesMT_To_PB(TPaintBox* pb);
  void pb_Parque_originalMouseDown(int X, int Y);
  void pb_Parque_originalMouseMove(int X, int Y);
  void CalcularvientoClick();
  void btCambiar_roClick();
  // Database plant commands.
  void btBajarParqueClick();
  void CrearSupercentralClick();
  void BorrarSupercentralClick();
  void btUpdateMTinDBClick();
  // Calibrator and combined-model commands.
  void btLoadFromArchi_ModeloMTySeriesClick();
  void btCargarCalibradorClick();
  void btGuardarCalibradorClick();
  void btCalibrarParqueClick();
  void CalibrarSimpleEthaMeteoClick();
  void btCalcularMCClick();
  void btCargarMCClick();
  void btPlot_PV_MEMTMCClick();
  // The Weibull and direction charts of the current calibrator's series on PaintBox2 and
  // PaintBox3, and the channels' minimum and maximum in StringGrid1.
  void Graficar_Estadistica_Datos_ME();
  // Series alignment and restriction runs.
  void btInsertSeriesGenClick();
  void btProcesarSeriesConMCClick();
  void btProcesarRestriccionesClick();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void ConstruirControles();
  void EnlazarManejadores();
  // Opens the plant database connection from the connection file; called by FormCreate
  // between clearing the models and writing the default parameters.
  void ConectarBaseDeDatos();

  std::shared_ptr<IDialogos> dialogos_;
  bool cerrado_ = false;
};

// The main window while the program runs (set by the program body), for the unit-level
// routines that reach it.
extern TFormAeronda* FormAeronda;

// The same routines on the window FormAeronda (EErrorGeneral when there is none).
void MostrarCalibrador(const std::shared_ptr<TCalibradorParque>& calibrador);
void CargarCalibrador(const std::filesystem::path& archivo);
void CargarModeloCombinado(const std::filesystem::path& archivo);

// The date of a date edit as a date-time at 00:00.
TDateTime FechaDeEdit(const QDateEdit& edit);

#include "estimator/gui/uAeronda.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <variant>

#include "platform/rtltexto.h"
#include "services/udbconpg.h"

TFormAeronda* FormAeronda = nullptr;

namespace {

using F = TFormAeronda;

// A layout region without a name of its own: it only groups controls on a page.
struct TZona {};

// The kind of a control is the type of the window member that receives it.
using TMiembro =
    std::variant<TZona, QWidget * F::*, QGroupBox * F::*, QFrame * F::*, QSplitter * F::*,
                 TPaintBox * F::*, TLabeledEdit * F::*, QLineEdit * F::*, QPushButton * F::*,
                 QCheckBox * F::*, QDateEdit * F::*, QLabel * F::*, QTableWidget * F::*>;

struct TCelda {
  int fila = 0, columna = 0, filas = 1, columnas = 1;
};

struct TFilaControl {
  TMiembro miembro;
  const char* nombre;
  const char* padre;   // "PageControl1" for the pages
  TCelda celda;        // place in the parent's grid (ignored in a page control or a splitter)
  const char* rotulo;  // caption, or the label above an edit or a date edit
  const char* texto;   // text at start ("dd/MM/yyyy" for date edits)
  int ancho = 0;       // fixed width (group box: width at start), 0 = free
  int alto = 0;        // fixed height, 0 = free
};

const char* const kLabel7 =
    "Se crea una supercentral que modela en conjunto las centrales especificadas. \n"
    "Se puede elegir que central asocia su EM con la supercentral.\n"
    "El NID de la supercentral  es la unión de los NID de las centrales individuales. \n"
    "Se crea el correspondiente MT y se guarda en la BD.\n"
    "Se crea un archivo calibrador (.clp) a partir del MT y un archivo de series de datos (.sas). "
    "\n"
    "El calibrador se guarda en la carpeta correspondiente a la central.";

const char* const kVientoParaPot =
    "Calcula el viento libre incidente\n"
    "en el parque para que se genere\n"
    "una potencia determinada.\n"
    "El viento está referido a la densidad base.";

// The form description: one row per control, parents before their children.
// clang-format off
const TFilaControl kControles[] = {
  // member                          name                  parent        cell          caption / label                         start text
  {&F::TabSheet2,                    "TabSheet2",          "PageControl1", {},         "TabSheet2",                            ""},
  {&F::TabSheet3,                    "TabSheet3",          "PageControl1", {},         "TabSheet3",                            ""},
  {&F::TabSheet4,                    "TabSheet4",          "PageControl1", {},         "TabSheet4",                            ""},
  {&F::TabSheet5,                    "TabSheet5",          "PageControl1", {},         "TabSheet5",                            ""},

  // TabSheet2: the speed field with the turbine tools below it, the inputs and outputs on the
  // right behind a splitter.
  {&F::Splitter1,                    "Splitter1",          "TabSheet2",  {0, 0},       "",                                     ""},
  {TZona{},                          "zonaCampo",          "Splitter1",  {},           "",                                     ""},
  {&F::GroupBox1,                    "GroupBox1",          "Splitter1",  {},           "GroupBox1",                            "", 349},
  {&F::pb_Parque_original,           "pb_Parque_original", "zonaCampo",  {0, 0},       "",                                     "", 978, 616},
  {&F::Panel1,                       "Panel1",             "zonaCampo",  {1, 0},       "",                                     ""},
  {&F::eDir,                         "eDir",               "GroupBox1",  {0, 0},       "Dirección [°]",                        "270"},
  {&F::eVAnemoEntrada,               "eVAnemoEntrada",     "GroupBox1",  {1, 0},       "VAnemo [m/s] ",                        ""},
  {&F::eAlfaTerreno,                 "eAlfaTerreno",       "GroupBox1",  {2, 0},       "Alfa terreno:",                        ""},
  {&F::eGamma_Atmosfera,             "eGamma_Atmosfera",   "GroupBox1",  {3, 0},       "Gamma Atmósfera:",                     ""},
  {&F::efpv3pe,                      "efpv3pe",            "GroupBox1",  {4, 0},       "fpv3pe:",                              "1"},
  {&F::eFactorPerdidasParque,        "eFactorPerdidasParque", "GroupBox1", {5, 0},     "Factor de pérdidas:",                  "1"},
  {&F::eLimiteDePotencia,            "eLimiteDePotencia",  "GroupBox1",  {6, 0},       "Límite de potencia:",                  "1"},
  {&F::btCalcular,                   "btCalcular",         "GroupBox1",  {7, 0},       "Calcular",                             ""},
  {&F::eVAnemoResultante,            "eVAnemoResultante",  "GroupBox1",  {0, 1},       "VAnemo [m/s]",                         "???"},
  {&F::ePE_MW_ModeloTeorico,         "ePE_MW_ModeloTeorico", "GroupBox1", {1, 1},      "ePE_MW_ModeloTeorico",                 "ePE_MW_ModeloTeorico"},
  {&F::ePE_MW_Representantes,        "ePE_MW_Representantes", "GroupBox1", {2, 1},     "[MW] (datos)",                         "ePE_MW_Representantes"},
  {&F::eME_Peso,                     "eME_Peso",           "GroupBox1",  {3, 1},       "(peso - Datos ME)",                    "eME_Peso"},
  {&F::btCargarCalibrador,           "btCargarCalibrador", "GroupBox1",  {4, 1},       "Cargar Cal.",                          ""},
  {&F::btGuardarCalibrador,          "btGuardarCalibrador", "GroupBox1", {5, 1},       "Guardar Cal.",                         ""},
  {&F::btUpdateMTinDB,               "btUpdateMTinDB",     "GroupBox1",  {6, 1},       "Update MT in DB",                      ""},
  {&F::btProcesarSeries,             "btProcesarSeries",   "GroupBox1",  {7, 1},       "Procesar Series",                      ""},
  {&F::VientoLibre,                  "VientoLibre",        "GroupBox1",  {8, 0},       "Viento libre incidente\nen la central (m/s)", ""},
  {&F::eErr2Calibrar,                "eErr2Calibrar",      "GroupBox1",  {8, 1},       "Err2",                                 "eErr2Calibrar"},
  {&F::CalcularReduccion,            "CalcularReduccion",  "GroupBox1",  {9, 0},       "Calcular reducción",                   ""},
  {&F::btCalibrarParque,             "btCalibrarParque",   "GroupBox1",  {9, 1},       "Calibrar",                             ""},
  {&F::vientoparapot,                "vientoparapot",      "GroupBox1",  {10, 0, 1, 2}, kVientoParaPot,                        "50"},
  {&F::Calcularviento,               "Calcularviento",     "GroupBox1",  {11, 0},      "Calcular viento ",                     ""},
  {&F::VientoDeLaPotMW,              "VientoDeLaPotMW",    "GroupBox1",  {11, 1},      "Viento libre asociado\n a la potencia generada.", ""},
  {&F::CalibrarSimpleEthaMeteo,      "CalibrarSimpleEthaMeteo", "GroupBox1", {12, 0, 1, 2}, "Calibración simple EthaMeteo",   ""},
  {&F::eEthaMolino,                  "eEthaMolino",        "Panel1",     {0, 0},       "Molino_etha: ",                        "1"},
  {&F::btCambiar_ro,                 "btCambiar_ro",       "Panel1",     {0, 1},       "Cambiar ro",                           ""},
  {&F::cbCambiarTodosLosRo,          "cbCambiarTodosLosRo", "Panel1",    {0, 2},       "Cambiar todos los Ro.",                ""},
  {&F::eMolino,                      "eMolino",            "Panel1",     {0, 3},       "",                                     "eMolino"},
  {&F::eEthaMeteo,                   "eEthaMeteo",         "Panel1",     {1, 0, 1, 3}, "Meteo_etha: ",                         "1", 504},
  {&F::eCoordenadasXY,               "eCoordenadasXY",     "Panel1",     {1, 3},       "",                                     "eCoordenadasXY", 360},

  // TabSheet3: plant and model commands, series commands and the joined plants on top; the two
  // series charts and the channel table below.
  {TZona{},                          "zonaModelos",        "TabSheet3",  {0, 0},       "",                                     ""},
  {TZona{},                          "zonaSeries",         "TabSheet3",  {0, 1},       "",                                     ""},
  {TZona{},                          "zonaSupercentral",   "TabSheet3",  {0, 2},       "",                                     ""},
  {&F::PaintBox2,                    "PaintBox2",          "TabSheet3",  {1, 0},       "",                                     "", 541, 325},
  {&F::PaintBox3,                    "PaintBox3",          "TabSheet3",  {1, 1},       "",                                     "", 541, 325},
  {&F::StringGrid1,                  "StringGrid1",        "TabSheet3",  {1, 2},       "",                                     ""},
  {&F::eNidCentral,                  "eNidCentral",        "zonaModelos", {0, 0, 1, 2}, "NID de la central eólica a seleccionar", ""},
  {&F::btBajarParque,                "btBajarParque",      "zonaModelos", {1, 0, 1, 2}, "Bajar Parque MT From DB",             ""},
  {&F::btCalcularMC,                 "btCalcularMC",       "zonaModelos", {2, 0, 1, 2}, "Calcular MC",                         ""},
  {&F::btCargarMC,                   "btCargarMC",         "zonaModelos", {3, 0, 1, 2}, "Cargar MC",                           ""},
  {&F::btLevantarCurvaAeroADB,       "btLevantarCurvaAeroADB", "zonaModelos", {4, 0, 1, 2}, "Subir Curvas Aeros",            ""},
  {&F::Label9,                       "Label9",             "zonaModelos", {5, 0, 1, 2},
   "Rango de ajuste en potencia de la curva s en los datos del cluster.\n% inferior            % superior ", ""},
  {TZona{},                          "zonaPorcentajes",    "zonaModelos", {6, 0, 1, 2}, "",                                    ""},
  {&F::PorcentajeAjusteCurvaSinf,    "PorcentajeAjusteCurvaSinf", "zonaPorcentajes", {0, 0}, "",                             "1", 90},
  {&F::PorcentajeAjusteCurvaSsup,    "PorcentajeAjusteCurvaSsup", "zonaPorcentajes", {0, 1}, "",                             "100", 90},
  {&F::btLoadFromArchi_ModeloMTySeries, "btLoadFromArchi_ModeloMTySeries", "zonaModelos", {7, 0, 1, 2},
   "Crear archivo .clp con MT y archivo .sas", ""},
  {&F::btInsertSeriesGen,            "btInsertSeriesGen",  "zonaSeries", {0, 0, 1, 2}, "Insertar Series enviadas por el Gen", ""},
  {&F::btProcesarSeriesConMC,        "btProcesarSeriesConMC", "zonaSeries", {1, 0, 1, 2}, "Procesar seris con MC.",          ""},
  {&F::FechaDesde,                   "FechaDesde",         "zonaSeries", {2, 0},       "Desde",                                "01/11/2016"},
  {&F::FechaHasta,                   "FechaHasta",         "zonaSeries", {2, 1},       "Hasta",                                "30/11/2016"},
  {&F::btProcesarRestricciones,      "btProcesarRestricciones", "zonaSeries", {3, 0, 1, 2}, "btProcesarRestricciones",     ""},
  {&F::NIDcentralesAunir,            "NIDcentralesAunir",  "zonaSupercentral", {0, 0}, "Introducir el NID de las centrales separado por \";\"", "20;21;28"},
  {&F::NIDcentralAnemo,              "NIDcentralAnemo",    "zonaSupercentral", {1, 0},
   "NID de la central que asocia su Estación\n Meteorológica con la supercentral", "20"},
  {&F::CrearSupercentral,            "CrearSupercentral",  "zonaSupercentral", {2, 0}, "Crear supercentral",                 ""},
  {&F::Label7,                       "Label7",             "zonaSupercentral", {3, 0}, kLabel7,                              ""},
  {&F::BorrarSupercentral,           "BorrarSupercentral", "zonaSupercentral", {4, 0}, "Borrar supercentral",                ""},
  {&F::Label8,                       "Label8",             "zonaSupercentral", {5, 0},
   "Borra la supercentral de la BD.\nLa supercentral a borrar se especifica según su NID.", ""},
  {&F::NIDsupercentralBorrar,        "NIDsupercentralBorrar", "zonaSupercentral", {6, 0}, "NID de la supercentral a borrar", "202128"},

  // TabSheet4: the power chart and a third copy of the station-factor matrix.
  {&F::PaintBox1,                    "PaintBox1",          "TabSheet4",  {0, 0},       "",                                     "", 797, 501},
  {TZona{},                          "zonaGrafico",        "TabSheet4",  {0, 1},       "",                                     ""},
  {&F::btPlot_PV_MEMTMC,             "btPlot_PV_MEMTMC",   "zonaGrafico", {0, 0},      "Graficar P(V) MEMTMC",                 ""},
  {&F::eEthaMeteo1,                  "eEthaMeteo1",        "zonaGrafico", {1, 0},      "Meteo_etha: ",                         "1", 360},

  // TabSheet5: the speed field and the simple inputs, outputs and restriction runs.
  {&F::pb_Parque_simple,             "pb_Parque_simple",   "TabSheet5",  {0, 0},       "",                                     "", 978, 616},
  {&F::GroupBox2,                    "GroupBox2",          "TabSheet5",  {0, 1},       "Entradas",                             ""},
  {&F::btCalcular1,                  "btCalcular1",        "GroupBox2",  {0, 0},       "Simular Modelo Teórico",               ""},
  {&F::eDir1,                        "eDir1",              "GroupBox2",  {1, 0},       "Dirección E.M. [°]",                   "270"},
  {&F::eVAnemoEntrada1,              "eVAnemoEntrada1",    "GroupBox2",  {2, 0},       "Velocidad E.M. [m/s] ",                "9.99"},
  {&F::eAlfaTerreno1,                "eAlfaTerreno1",      "GroupBox2",  {3, 0},       "Alfa terreno:",                        "0.006"},
  {&F::eGamma_Atmosfera1,            "eGamma_Atmosfera1",  "GroupBox2",  {4, 0},       "Gamma Atmósfera:",                     "0.006"},
  {&F::efpv3pe1,                     "efpv3pe1",           "GroupBox2",  {5, 0},       "fpv3pe:",                              "1"},
  {&F::eFactorPerdidasParque1,       "eFactorPerdidasParque1", "GroupBox2", {6, 0},    "Factor de pérdidas:",                  "1"},
  {&F::eLimiteDePotencia1,           "eLimiteDePotencia1", "GroupBox2",  {7, 0},       "Límite de potencia [MW]",              "1"},
  {&F::eEthaMeteo2,                  "eEthaMeteo2",        "GroupBox2",  {8, 0},       "Etha E.M.",                            "1"},
  {&F::LabelSalidas,                 "LabelSalidas",       "GroupBox2",  {0, 1},       "Salidas",                              ""},
  {&F::eVAnemoResultante1,           "eVAnemoResultante1", "GroupBox2",  {1, 1},       "Velocidad E.M. [m/s] ",                "???"},
  {&F::ePE_MW_ModeloTeorico1,        "ePE_MW_ModeloTeorico1", "GroupBox2", {2, 1},     "Potencia Modelo Teórico [MW]",         "ePE_MW_ModeloTeorico"},
  {&F::ePE_MW_Representantes1,       "ePE_MW_Representantes1", "GroupBox2", {3, 1},    "Potencia Modelo Empírico [MW]",        "ePE_MW_Representantes"},
  {&F::eME_Peso1,                    "eME_Peso1",          "GroupBox2",  {4, 1},       "Peso Datos Modelo Empírico",           "eME_Peso"},
  {&F::btCargarMC1,                  "btCargarMC1",        "GroupBox2",  {5, 1},       "Cargar Modelo Calibrado",              ""},
  {&F::LabelRestricciones,           "LabelRestricciones", "GroupBox2",  {9, 0, 1, 2}, "Restricciones Operativas",             ""},
  {&F::FechaDesde1,                  "FechaDesde1",        "GroupBox2",  {10, 0},      "Desde (>=)",                           "01/11/2016"},
  {&F::FechaHasta1,                  "FechaHasta1",        "GroupBox2",  {10, 1},      "Hasta (<=)",                           "30/11/2016"},
  {&F::btProcesarSeriesConMC1,       "btProcesarSeriesConMC1", "GroupBox2", {11, 0},   "Calcular con todos los datos",         ""},
  {&F::btProcesarRestricciones1,     "btProcesarRestricciones1", "GroupBox2", {11, 1}, "Calcular solo las R.O.",               ""},
  {&F::cbSoloTeorico,                "cbSoloTeorico",      "GroupBox2",  {12, 0},      "Solo Modelo Teórico.",                 ""},
  {&F::cbSeriesConVelLibre,          "cbSeriesConVelLibre", "GroupBox2", {12, 1},      "Series con Velocidad Libre",           ""},
  {&F::eHoras_Buffer,                "eHoras_Buffer",      "GroupBox2",  {13, 0},      "Muestras Buffer",                      "3"},
};
// clang-format on

// The output edits, each with a long text of the kind the handlers write into it (a real in
// the general float text has up to 15 significant digits): none is ever narrower than what
// shows that text whole.
struct TSalida {
  const char* nombre;
  const char* muestra;
};
const TSalida kSalidas[] = {
    {"eVAnemoResultante", "-1234.56789012345"},
    {"ePE_MW_ModeloTeorico", "-1234.56789012345"},
    {"ePE_MW_Representantes", "-1234.56789012345"},
    {"eME_Peso", "-1234.56789012345"},
    {"VientoLibre", "-1234.56789012345"},
    {"eErr2Calibrar", "-1.23456789012345E-5"},
    {"VientoDeLaPotMW", "0.000612345678901234"},
    {"eMolino", "v: 12.3, P:1234.5"},
    {"eCoordenadasXY", "x: -1234.56789012345, y: -1234.56789012345"},
    {"eVAnemoResultante1", "-1234.56789012345"},
    {"ePE_MW_ModeloTeorico1", "-1234.56789012345"},
    {"ePE_MW_Representantes1", "-1234.56789012345"},
    {"eME_Peso1", "-1234.56789012345"},
};

enum class TEvento { Clic, Cambio, RatonAbajo, RatonMovido, Mostrar, MenuContextual };

using TManejador = std::variant<void (F::*)(), void (F::*)(int, int)>;

struct TEnlace {
  const char* control;
  TEvento evento;
  TManejador manejador;
  const char* nombre;
};

// The handler and its name, spelled once.
#define MANEJADOR(h) &F::h, #h

// Which handler each control's event runs. btProcesarSeries has none.
// clang-format off
const TEnlace kEnlaces[] = {
  {"btCalcular",                      TEvento::Clic,        MANEJADOR(btCalcularClick)},
  {"btCalcular1",                     TEvento::Clic,        MANEJADOR(btCalcularClick)},
  {"pb_Parque_original",              TEvento::RatonAbajo,  MANEJADOR(pb_Parque_originalMouseDown)},
  {"pb_Parque_original",              TEvento::RatonMovido, MANEJADOR(pb_Parque_originalMouseMove)},
  {"pb_Parque_simple",                TEvento::RatonAbajo,  MANEJADOR(pb_Parque_originalMouseDown)},
  {"pb_Parque_simple",                TEvento::RatonMovido, MANEJADOR(pb_Parque_originalMouseMove)},
  {"pb_Parque_simple",                TEvento::Clic,        MANEJADOR(pb_Parque_simpleClick)},
  {"Calcularviento",                  TEvento::Clic,        MANEJADOR(CalcularvientoClick)},
  {"btCambiar_ro",                    TEvento::Clic,        MANEJADOR(btCambiar_roClick)},
  {"btBajarParque",                   TEvento::Clic,        MANEJADOR(btBajarParqueClick)},
  {"CrearSupercentral",               TEvento::Clic,        MANEJADOR(CrearSupercentralClick)},
  {"BorrarSupercentral",              TEvento::Clic,        MANEJADOR(BorrarSupercentralClick)},
  {"btUpdateMTinDB",                  TEvento::Clic,        MANEJADOR(btUpdateMTinDBClick)},
  {"btLoadFromArchi_ModeloMTySeries", TEvento::Clic,        MANEJADOR(btLoadFromArchi_ModeloMTySeriesClick)},
  {"btCargarCalibrador",              TEvento::Clic,        MANEJADOR(btCargarCalibradorClick)},
  {"btGuardarCalibrador",             TEvento::Clic,        MANEJADOR(btGuardarCalibradorClick)},
  {"btCalibrarParque",                TEvento::Clic,        MANEJADOR(btCalibrarParqueClick)},
  {"CalibrarSimpleEthaMeteo",         TEvento::Clic,        MANEJADOR(CalibrarSimpleEthaMeteoClick)},
  {"btCalcularMC",                    TEvento::Clic,        MANEJADOR(btCalcularMCClick)},
  {"btCargarMC",                      TEvento::Clic,        MANEJADOR(btCargarMCClick)},
  {"btCargarMC1",                     TEvento::Clic,        MANEJADOR(btCargarMCClick)},
  {"btPlot_PV_MEMTMC",                TEvento::Clic,        MANEJADOR(btPlot_PV_MEMTMCClick)},
  {"btInsertSeriesGen",               TEvento::Clic,        MANEJADOR(btInsertSeriesGenClick)},
  {"btProcesarSeriesConMC",           TEvento::Clic,        MANEJADOR(btProcesarSeriesConMCClick)},
  {"btProcesarSeriesConMC1",          TEvento::Clic,        MANEJADOR(btProcesarSeriesConMCClick)},
  {"btProcesarRestricciones",         TEvento::Clic,        MANEJADOR(btProcesarRestriccionesClick)},
  {"btProcesarRestricciones1",        TEvento::Clic,        MANEJADOR(btProcesarRestriccionesClick)},

  {"eDir",                            TEvento::Cambio,      MANEJADOR(eDirChange)},
  {"eDir1",                           TEvento::Cambio,      MANEJADOR(eDir1Change)},
  {"eVAnemoEntrada1",                 TEvento::Cambio,      MANEJADOR(eVAnemoEntrada1Change)},
  {"eAlfaTerreno",                    TEvento::Cambio,      MANEJADOR(eAlfaTerrenoChange)},
  {"eAlfaTerreno1",                   TEvento::Cambio,      MANEJADOR(eAlfaTerreno1Change)},
  {"eGamma_Atmosfera",                TEvento::Cambio,      MANEJADOR(eGamma_AtmosferaChange)},
  {"eGamma_Atmosfera1",               TEvento::Cambio,      MANEJADOR(eGamma_Atmosfera1Change)},
  {"efpv3pe1",                        TEvento::Cambio,      MANEJADOR(efpv3pe1Change)},
  {"eFactorPerdidasParque1",          TEvento::Cambio,      MANEJADOR(eFactorPerdidasParque1Change)},
  {"eLimiteDePotencia1",              TEvento::Cambio,      MANEJADOR(eLimiteDePotencia1Change)},
  {"eEthaMeteo",                      TEvento::Cambio,      MANEJADOR(eEthaMeteoChange)},
  {"eEthaMeteo2",                     TEvento::Cambio,      MANEJADOR(eEthaMeteo2Change)},
  {"eEthaMeteo1",                     TEvento::Cambio,      MANEJADOR(eEthaMeteo1Change)},
  {"TabSheet4",                       TEvento::Mostrar,     MANEJADOR(TabSheet4Show)},
  {"ePE_MW_ModeloTeorico",            TEvento::Cambio,      MANEJADOR(ePE_MW_ModeloTeoricoChange)},
  {"ePE_MW_Representantes",           TEvento::Cambio,      MANEJADOR(ePE_MW_RepresentantesChange)},
  {"eME_Peso",                        TEvento::Cambio,      MANEJADOR(eME_PesoChange)},
  {"eVAnemoResultante",               TEvento::Cambio,      MANEJADOR(eVAnemoResultanteChange)},
  {"FechaDesde1",                     TEvento::Cambio,      MANEJADOR(FechaDesde1Change)},
  {"FechaHasta1",                     TEvento::Cambio,      MANEJADOR(FechaHasta1Change)},

  {"eHoras_Buffer",                   TEvento::Cambio,      MANEJADOR(eHoras_BufferChange)},
  {"FechaHasta",                      TEvento::Cambio,      MANEJADOR(FechaHastaChange)},
  {"btLevantarCurvaAeroADB",          TEvento::Clic,        MANEJADOR(btLevantarCurvaAeroADBClick)},
  {"CalcularReduccion",               TEvento::Clic,        MANEJADOR(CalcularReduccionClick)},
  {"GroupBox2",                       TEvento::Clic,        MANEJADOR(GroupBox2Click)},
  {"Label7",                          TEvento::Clic,        MANEJADOR(Label7Click)},
  {"NIDcentralAnemo",                 TEvento::Cambio,      MANEJADOR(NIDcentralAnemoChange)},
  {"NIDcentralesAunir",               TEvento::Cambio,      MANEJADOR(NIDcentralesAunirChange)},
  {"PageControl1",                    TEvento::Cambio,      MANEJADOR(PageControl1Change)},
  {"PaintBox1",                       TEvento::Clic,        MANEJADOR(PaintBox1Click)},
  {"PaintBox2",                       TEvento::Clic,        MANEJADOR(PaintBox1Click)},
  {"PaintBox3",                       TEvento::Clic,        MANEJADOR(PaintBox1Click)},
  {"PorcentajeAjusteCurvaSinf",       TEvento::Cambio,      MANEJADOR(PorcentajeAjusteCurvaSinfChange)},
  {"TabSheet3",                       TEvento::MenuContextual, MANEJADOR(TabSheet3ContextPopup)},
};
// clang-format on

#undef MANEJADOR

QString U(const char* s) { return QString::fromUtf8(s); }

QGridLayout* NuevaGrilla(QWidget* w, int margen) {
  auto* g = new QGridLayout(w);
  g->setContentsMargins(margen, margen, margen, margen);
  g->setHorizontalSpacing(8);
  g->setVerticalSpacing(4);
  return g;
}

// The width an edit needs to show `texto` whole in its font, with its frame and margins, as
// the edit measures its own size hint.
int AnchoParaMostrar(const QLineEdit& e, const QString& texto) {
  QStyleOptionFrame op;
  op.initFrom(&e);
  op.rect = e.contentsRect();
  op.lineWidth = e.hasFrame() ? e.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &op, &e) : 0;
  op.midLineWidth = 0;
  op.state |= QStyle::State_Sunken;
  const QMargins m = e.textMargins();
  // The edit keeps 2 pixels clear on either side of its text.
  const QSize contenido(e.fontMetrics().horizontalAdvance(texto) + 2 * 2 + m.left() + m.right(),
                        e.fontMetrics().height() + m.top() + m.bottom());
  return e.style()->sizeFromContents(QStyle::CT_LineEdit, &op, contenido, &e).width();
}

// A caption above a control, in a small box of its own that takes the control's grid cell.
QWidget* ConEtiqueta(QWidget* padre, const char* nombre, const char* rotulo, QWidget* control,
                     QLabel** etiqueta) {
  auto* caja = new QWidget(padre);
  caja->setObjectName(U(nombre) + QStringLiteral("_caja"));
  auto* v = new QVBoxLayout(caja);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(1);
  auto* l = new QLabel(U(rotulo), caja);
  l->setObjectName(U(nombre) + QStringLiteral("_label"));
  l->setBuddy(control);
  control->setParent(caja);
  v->addWidget(l);
  v->addWidget(control);
  if (etiqueta) *etiqueta = l;
  return caja;
}

}  // namespace

TFormAeronda::TFormAeronda(std::shared_ptr<IDialogos> dialogos, QWidget* padre)
    : QWidget(padre), dialogos_(std::move(dialogos)) {
  if (!dialogos_) dialogos_ = std::make_shared<TDialogosQt>(this);
  setObjectName(QStringLiteral("FormAeronda"));
  setWindowTitle(QStringLiteral("FormAeronda"));
  resize(1582, 819);
  ConstruirControles();
  // The window opens on the simple page; the page-change handlers are bound only afterwards,
  // so this first selection runs none of them.
  PageControl1->setCurrentWidget(TabSheet5);
  EnlazarManejadores();
  FormCreate();
}

TFormAeronda::~TFormAeronda() {
  if (FormAeronda == this) FormAeronda = nullptr;
}

void TFormAeronda::ConstruirControles() {
  auto* raiz = new QVBoxLayout(this);
  raiz->setContentsMargins(0, 0, 0, 0);
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  raiz->addWidget(PageControl1);

  std::map<std::string, QWidget*> widgets{{"PageControl1", PageControl1}};
  std::map<QWidget*, QGridLayout*> grillas;

  for (const TFilaControl& f : kControles) {
    auto it = widgets.find(f.padre);
    if (it == widgets.end()) throw std::logic_error(std::string("control sin padre: ") + f.nombre);
    QWidget* padre = it->second;
    QWidget* w = nullptr;         // the control
    QWidget* enGrilla = nullptr;  // what takes its cell: the control or its labelled box
    bool contenedor = false;      // gets a grid of its own
    bool lleno = false;           // fills its cell
    Qt::Alignment alineacion = Qt::AlignBottom;

    std::visit(
        [&](auto miembro) {
          using M = decltype(miembro);
          if constexpr (std::is_same_v<M, TZona>) {
            w = new QWidget(padre);
            contenedor = true;
          } else if constexpr (std::is_same_v<M, QWidget * F::*>) {
            w = new QWidget(padre);
            this->*miembro = w;
            contenedor = true;
          } else if constexpr (std::is_same_v<M, QGroupBox * F::*>) {
            auto* g = new QGroupBox(U(f.rotulo), padre);
            this->*miembro = g;
            w = g;
            contenedor = true;
          } else if constexpr (std::is_same_v<M, QFrame * F::*>) {
            auto* p = new QFrame(padre);
            p->setFrameShape(QFrame::StyledPanel);
            this->*miembro = p;
            w = p;
            contenedor = true;
          } else if constexpr (std::is_same_v<M, QSplitter * F::*>) {
            auto* s = new QSplitter(Qt::Horizontal, padre);
            s->setChildrenCollapsible(false);
            this->*miembro = s;
            w = s;
            lleno = true;
          } else if constexpr (std::is_same_v<M, TPaintBox * F::*>) {
            auto* p = new TPaintBox(f.ancho, f.alto, padre);
            this->*miembro = p;
            w = p;
            alineacion = Qt::AlignLeft | Qt::AlignTop;
          } else if constexpr (std::is_same_v<M, TLabeledEdit * F::*>) {
            auto* e = new TLabeledEdit(padre);
            e->setText(U(f.texto));
            QLabel* l = nullptr;
            enGrilla = ConEtiqueta(padre, f.nombre, f.rotulo, e, &l);
            e->FijarEtiqueta(l);
            this->*miembro = e;
            w = e;
          } else if constexpr (std::is_same_v<M, QLineEdit * F::*>) {
            auto* e = new QLineEdit(U(f.texto), padre);
            this->*miembro = e;
            w = e;
          } else if constexpr (std::is_same_v<M, QPushButton * F::*>) {
            auto* b = new QPushButton(U(f.rotulo), padre);
            this->*miembro = b;
            w = b;
          } else if constexpr (std::is_same_v<M, QCheckBox * F::*>) {
            auto* c = new QCheckBox(U(f.rotulo), padre);
            this->*miembro = c;
            w = c;
          } else if constexpr (std::is_same_v<M, QDateEdit * F::*>) {
            auto* d =
                new QDateEdit(QDate::fromString(U(f.texto), QStringLiteral("dd/MM/yyyy")), padre);
            d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
            d->setCalendarPopup(true);
            this->*miembro = d;
            w = d;
            if (*f.rotulo) enGrilla = ConEtiqueta(padre, f.nombre, f.rotulo, d, nullptr);
          } else if constexpr (std::is_same_v<M, QLabel * F::*>) {
            auto* l = new QLabel(U(f.rotulo), padre);
            this->*miembro = l;
            w = l;
          } else if constexpr (std::is_same_v<M, QTableWidget * F::*>) {
            // A string grid of 3 columns by 8 rows whose first row and column are fixed
            // headers, as the toolkit's grid: they are plain cells here, shaded.
            auto* t = new QTableWidget(8, 3, padre);
            t->horizontalHeader()->hide();
            t->verticalHeader()->hide();
            t->setEditTriggers(QAbstractItemView::NoEditTriggers);
            for (int r = 0; r < 8; ++r)
              for (int c = 0; c < 3; ++c) {
                auto* item = new QTableWidgetItem();
                if (r == 0 || c == 0) item->setBackground(t->palette().button());
                t->setItem(r, c, item);
              }
            // Every cell in sight, without scroll bars.
            t->setColumnWidth(0, 150);
            t->setColumnWidth(1, 100);
            t->setColumnWidth(2, 100);
            for (int r = 0; r < 8; ++r) t->setRowHeight(r, 24);
            t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            const int marco = 2 * t->frameWidth();
            t->setFixedSize(350 + marco, 8 * 24 + marco);
            this->*miembro = t;
            w = t;
            alineacion = Qt::AlignLeft | Qt::AlignTop;
          }
        },
        f.miembro);

    w->setObjectName(U(f.nombre));
    lleno = lleno || contenedor;
    if (contenedor) grillas[w] = NuevaGrilla(w, std::holds_alternative<TZona>(f.miembro) ? 0 : 6);
    if (f.ancho > 0 && !std::holds_alternative<TPaintBox * F::*>(f.miembro) &&
        !std::holds_alternative<QGroupBox * F::*>(f.miembro))
      w->setFixedWidth(f.ancho);
    if (!enGrilla) enGrilla = w;
    widgets[f.nombre] = w;

    if (padre == PageControl1) {
      PageControl1->addTab(w, U(f.rotulo));
    } else if (auto* s = qobject_cast<QSplitter*>(padre)) {
      s->addWidget(enGrilla);
    } else {
      QGridLayout* g = grillas.at(padre);
      g->addWidget(enGrilla, f.celda.fila, f.celda.columna, f.celda.filas, f.celda.columnas,
                   lleno ? Qt::Alignment() : alineacion);
    }
  }

  // Output edits wide enough for their texts; a fixed width that is too small grows.
  for (const TSalida& s : kSalidas) {
    auto* e = qobject_cast<QLineEdit*>(widgets.at(s.nombre));
    if (!e) throw std::logic_error(std::string("salida sin edición: ") + s.nombre);
    const int necesario = AnchoParaMostrar(*e, U(s.muestra));
    if (necesario > e->maximumWidth())
      e->setFixedWidth(necesario);
    else if (necesario > e->minimumWidth())
      e->setMinimumWidth(necesario);
  }

  // Controls gather at the top of their boxes; the rest of the height stays empty. The boxes
  // that run down the whole page (GroupBox1 behind the splitter, GroupBox2) keep it.
  for (auto& [w, g] : grillas)
    if (w != TabSheet2 && w != TabSheet5) g->setRowStretch(g->rowCount(), 1);

  // TabSheet2: GroupBox1 starts 349 wide and the speed field takes what the window has left.
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setSizes({width() - 349 - Splitter1->handleWidth(), 349});
  grillas.at(GroupBox1)->setColumnStretch(0, 1);
  grillas.at(GroupBox1)->setColumnStretch(1, 1);
  grillas.at(Panel1)->setColumnStretch(4, 1);

  // TabSheet3: the long explanations wrap inside their column.
  Label7->setWordWrap(true);
  Label8->setWordWrap(true);
  Label9->setWordWrap(false);
  grillas.at(widgets.at("zonaModelos"))->setColumnStretch(2, 1);
  grillas.at(widgets.at("zonaPorcentajes"))->setColumnStretch(2, 1);

  // TabSheet4 and TabSheet5: fixed boxes on the left, the controls beside them.
  grillas.at(TabSheet4)->setColumnStretch(2, 1);
  grillas.at(TabSheet5)->setColumnStretch(1, 1);
  grillas.at(GroupBox2)->setColumnStretch(0, 1);
  grillas.at(GroupBox2)->setColumnStretch(1, 1);
  LabelSalidas->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
}

void TFormAeronda::EnlazarManejadores() {
  for (const TEnlace& e : kEnlaces) {
    QWidget* w = (e.control == std::string_view("PageControl1"))
                     ? PageControl1
                     : findChild<QWidget*>(U(e.control));
    if (!w) throw std::logic_error(std::string("manejador sin control: ") + e.control);
    const std::string nombre = e.nombre;

    if (const auto* sinArgs = std::get_if<void (F::*)()>(&e.manejador)) {
      auto m = *sinArgs;
      auto llamar = [this, m, nombre] {
        EjecutarSeguro([this, m, &nombre] {
          if (AlEjecutarManejador) AlEjecutarManejador(nombre);
          (this->*m)();
        });
      };
      switch (e.evento) {
        case TEvento::Clic:
          if (auto* b = qobject_cast<QPushButton*>(w)) {
            connect(b, &QPushButton::clicked, this, llamar);
          } else if (auto* p = dynamic_cast<TPaintBox*>(w)) {
            p->OnClick = llamar;
          } else {
            new TVigiaClic(w, llamar);
          }
          break;
        case TEvento::Cambio:
          if (auto* t = qobject_cast<QTabWidget*>(w)) {
            connect(t, &QTabWidget::currentChanged, this, llamar);
          } else if (auto* d = qobject_cast<QDateEdit*>(w)) {
            connect(d, &QDateEdit::dateChanged, this, llamar);
          } else if (auto* l = qobject_cast<QLineEdit*>(w)) {
            connect(l, &QLineEdit::textChanged, this, llamar);
          } else {
            throw std::logic_error(std::string("cambio sin texto: ") + e.control);
          }
          break;
        case TEvento::Mostrar:
          // A page is shown when the page control turns to it.
          connect(PageControl1, &QTabWidget::currentChanged, this, [this, w, llamar](int i) {
            if (PageControl1->widget(i) == w) llamar();
          });
          break;
        case TEvento::MenuContextual:
          w->setContextMenuPolicy(Qt::CustomContextMenu);
          connect(w, &QWidget::customContextMenuRequested, this, llamar);
          break;
        default:
          throw std::logic_error(std::string("evento sin posición: ") + e.control);
      }
    } else {
      auto m = std::get<void (F::*)(int, int)>(e.manejador);
      auto* p = dynamic_cast<TPaintBox*>(w);
      if (!p) throw std::logic_error(std::string("ratón sin caja de dibujo: ") + e.control);
      auto llamar = [this, m, nombre](int x, int y) {
        EjecutarSeguro([this, m, &nombre, x, y] {
          if (AlEjecutarManejador) AlEjecutarManejador(nombre);
          (this->*m)(x, y);
        });
      };
      if (e.evento == TEvento::RatonAbajo) {
        p->OnMouseDown = llamar;
      } else {
        p->OnMouseMove = llamar;
        p->setMouseTracking(true);
      }
    }
  }
}

void TFormAeronda::EjecutarSeguro(const std::function<void()>& manejador) {
  try {
    manejador();
  } catch (const std::exception& e) {
    dialogos_->MostrarError(e.what());
  } catch (...) {
    dialogos_->MostrarError("Error desconocido");
  }
}

// ---------------------------------------------------------------------------------------------
// Creation and closing

void TFormAeronda::FormCreate() {
  CalibradorActual.reset();
  ModeloTeoricoActual.reset();
  ModeloCombinadoActual.reset();
  ConectarBaseDeDatos();
  // In the user's number format; the twins of the last two follow through their change
  // handlers.
  eVAnemoEntrada->setText(U(FloatToStr(9.9).c_str()));
  eGamma_Atmosfera->MostrarValor(0.4);
  eAlfaTerreno->MostrarValor(0.5);
  // The simple page's speed is copied only towards TabSheet2; left at its form text (9.99) it
  // would show a speed that is not the one simulated until the user types in it.
  eVAnemoEntrada1->setText(eVAnemoEntrada->text());
}

void TFormAeronda::ConectarBaseDeDatos() {
  Conexion.reset();
  try {
    Conexion = TDBPQCon::Create(kArchivoConexion);
  } catch (const std::exception& e) {
    // A server that cannot be reached, a refused login or an unreadable file must not keep the
    // window from opening: the file-only work needs no database. The window goes on without a
    // connection, as when the file is missing.
    std::cout << e.what() << std::endl;
    dialogos_->MostrarError(e.what());
  }
}

void TFormAeronda::FormClose() {
  ModeloTeoricoActual.reset();
  ModeloCombinadoActual.reset();
  Conexion.reset();
}

void TFormAeronda::closeEvent(QCloseEvent* e) {
  EjecutarSeguro([this] { FormClose(); });
  e->accept();
}

// ---------------------------------------------------------------------------------------------
// Twin edits. A copy happens only when the texts differ: setText with the same text would
// still move the cursor of the edit being typed in to its end.

namespace {

void CopiarTexto(const QLineEdit* desde, QLineEdit* hacia) {
  if (hacia->text() != desde->text()) hacia->setText(desde->text());
}

void CopiarFecha(const QDateEdit* desde, QDateEdit* hacia) {
  if (hacia->date() != desde->date()) hacia->setDate(desde->date());
}

}  // namespace

void TFormAeronda::eDirChange() { CopiarTexto(eDir, eDir1); }
void TFormAeronda::eDir1Change() { CopiarTexto(eDir1, eDir); }
void TFormAeronda::eVAnemoEntrada1Change() { CopiarTexto(eVAnemoEntrada1, eVAnemoEntrada); }
void TFormAeronda::eAlfaTerrenoChange() { CopiarTexto(eAlfaTerreno, eAlfaTerreno1); }
void TFormAeronda::eAlfaTerreno1Change() { CopiarTexto(eAlfaTerreno1, eAlfaTerreno); }
void TFormAeronda::eGamma_AtmosferaChange() { CopiarTexto(eGamma_Atmosfera, eGamma_Atmosfera1); }
void TFormAeronda::eGamma_Atmosfera1Change() { CopiarTexto(eGamma_Atmosfera1, eGamma_Atmosfera); }
void TFormAeronda::efpv3pe1Change() { CopiarTexto(efpv3pe1, efpv3pe); }
void TFormAeronda::eFactorPerdidasParque1Change() {
  CopiarTexto(eFactorPerdidasParque1, eFactorPerdidasParque);
}
void TFormAeronda::eLimiteDePotencia1Change() {
  CopiarTexto(eLimiteDePotencia1, eLimiteDePotencia);
}
void TFormAeronda::eEthaMeteoChange() { CopiarTexto(eEthaMeteo, eEthaMeteo2); }
void TFormAeronda::eEthaMeteo2Change() { CopiarTexto(eEthaMeteo2, eEthaMeteo); }
void TFormAeronda::eEthaMeteo1Change() { CopiarTexto(eEthaMeteo1, eEthaMeteo); }
void TFormAeronda::TabSheet4Show() { CopiarTexto(eEthaMeteo, eEthaMeteo1); }
void TFormAeronda::ePE_MW_ModeloTeoricoChange() {
  CopiarTexto(ePE_MW_ModeloTeorico, ePE_MW_ModeloTeorico1);
}
void TFormAeronda::ePE_MW_RepresentantesChange() {
  CopiarTexto(ePE_MW_Representantes, ePE_MW_Representantes1);
}
void TFormAeronda::eME_PesoChange() { CopiarTexto(eME_Peso, eME_Peso1); }
void TFormAeronda::eVAnemoResultanteChange() { CopiarTexto(eVAnemoResultante, eVAnemoResultante1); }

void TFormAeronda::FechaDesde1Change() {
  CopiarFecha(FechaDesde1, FechaDesde);
  CopiarFecha(FechaHasta1, FechaHasta);
}

void TFormAeronda::FechaHasta1Change() {
  CopiarFecha(FechaHasta1, FechaHasta);
  CopiarFecha(FechaDesde1, FechaDesde);
}

TDateTime FechaDeEdit(const QDateEdit& edit) {
  const QDate d = edit.date();
  return EncodeDate(d.year(), d.month(), d.day());
}

// The window's command handlers. Each is bound to its buttons or paint boxes; until its
// command is built it does nothing.
#include "estimator/gui/uAeronda.h"

// Simulation, speed field and turbine inspection.
void TFormAeronda::btCalcularClick() {}
void TFormAeronda::pb_Parque_originalMouseDown(int X, int Y) {}
void TFormAeronda::pb_Parque_originalMouseMove(int X, int Y) {}
void TFormAeronda::CalcularvientoClick() {}
void TFormAeronda::btCambiar_roClick() {}

// Database plant commands.
void TFormAeronda::btBajarParqueClick() {}
void TFormAeronda::CrearSupercentralClick() {}
void TFormAeronda::BorrarSupercentralClick() {}
void TFormAeronda::btUpdateMTinDBClick() {}

// Calibrator and combined-model commands and charts.
void TFormAeronda::btLoadFromArchi_ModeloMTySeriesClick() {}
void TFormAeronda::btCargarCalibradorClick() {}
void TFormAeronda::btGuardarCalibradorClick() {}
void TFormAeronda::btCalibrarParqueClick() {}
void TFormAeronda::CalibrarSimpleEthaMeteoClick() {}
void TFormAeronda::btCalcularMCClick() {}
void TFormAeronda::btCargarMCClick() {}
void TFormAeronda::btPlot_PV_MEMTMCClick() {}

// Series alignment and restriction runs.
void TFormAeronda::btInsertSeriesGenClick() {}
void TFormAeronda::btProcesarSeriesConMCClick() {}
void TFormAeronda::btProcesarRestriccionesClick() {}

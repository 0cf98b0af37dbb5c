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

// Series alignment and restriction runs.
void TFormAeronda::btProcesarSeriesConMCClick() {}
void TFormAeronda::btProcesarRestriccionesClick() {}

// The window's command handlers. Each is bound to its buttons or paint boxes; until its
// command is built it does nothing.
#include "estimator/gui/uAeronda.h"

// Database plant commands.
void TFormAeronda::btBajarParqueClick() {}
void TFormAeronda::CrearSupercentralClick() {}
void TFormAeronda::BorrarSupercentralClick() {}
void TFormAeronda::btUpdateMTinDBClick() {}

// Series alignment and restriction runs.
void TFormAeronda::btProcesarSeriesConMCClick() {}
void TFormAeronda::btProcesarRestriccionesClick() {}

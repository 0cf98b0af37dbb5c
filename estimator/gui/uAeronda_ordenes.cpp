// The window's command handlers. Each is bound to its buttons or paint boxes; until its
// command is built it does nothing.
#include "estimator/gui/uAeronda.h"

// The one application object of the window tests.
#pragma once

// Creates the QApplication the first time it is called; it lives until the tests end.
void AsegurarAplicacion();

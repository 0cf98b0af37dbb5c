// The program body: the unit starts in their fixed order, the application, the main window and
// the event loop, then the unit ends in reverse order. main() hands it the folder roots of the
// environment; tests hand it scratch roots, a console of their own and a loop that closes the
// window at once.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>

#include "platform/carpetas.h"
#include "platform/dialogos.h"

class TFormAeronda;

struct TArranque {
  TRaicesCarpetas raices;
  std::ostream* consola = nullptr;  // none: the process's standard output
  // Runs while the window exists and returns the exit code; none: show the window and run
  // the application's event loop.
  std::function<int(TFormAeronda&)> bucle;
  std::shared_ptr<IDialogos> dialogos;  // none: the real dialogs
};

// Throws what a unit start throws (EInOutError from the working folders) before any window
// exists. Uses the application object when one exists already.
int CuerpoDelPrograma(int& argc, char** argv, const TArranque& arranque);

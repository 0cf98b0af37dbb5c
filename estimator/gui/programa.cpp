#include "estimator/gui/programa.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>
#include <iostream>
#include <optional>

#include "estimator/gui/uAeronda.h"
#include "estimator/ucarpetascentrales.h"
#include "numerics/uauxiliares.h"

namespace {

// Runs a unit's end when the body leaves, also by an exception.
template <class Fin>
class TFinDeUnidad {
 public:
  explicit TFinDeUnidad(Fin fin) : fin_(std::move(fin)) {}
  ~TFinDeUnidad() { fin_(); }
  TFinDeUnidad(const TFinDeUnidad&) = delete;
  TFinDeUnidad& operator=(const TFinDeUnidad&) = delete;

 private:
  Fin fin_;
};

}  // namespace

int CuerpoDelPrograma(int& argc, char** argv, const TArranque& arranque) {
  std::ostream& consola = arranque.consola ? *arranque.consola : std::cout;

  // Unit starts, in their fixed order. The machine epsilon and the axis scaling's ln 10 are
  // constants; the number-format guard keeps the user's settings as those its outermost pop
  // restores; the working folders write their console lines.
  GuardarFormatoInicial();
  IniciarUcarpetascentrales(arranque.raices, consola);
  TFinDeUnidad finCarpetas([] { FinalizarUcarpetascentrales(); });

  // The application. Qt sets the process locale to the user's; numbers never go through the C
  // locale here, and LC_NUMERIC goes back to "C" all the same.
  std::optional<QApplication> aplicacion;
  if (!QCoreApplication::instance()) aplicacion.emplace(argc, argv);
  QApplication::setApplicationName(QStringLiteral("aeronda"));
  std::setlocale(LC_NUMERIC, "C");
  // The toolkit's own texts (the buttons and labels of the file dialogs and of the questions)
  // in Spanish, as the rest of the program, whatever the user's locale. Without Qt's
  // translation files they stay in English.
  QTranslator traduccionQt;
  if (traduccionQt.load(QStringLiteral("qtbase_es"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&traduccionQt);

  int codigo = 0;
  {
    TFormAeronda ventana(arranque.dialogos);
    FormAeronda = &ventana;
    if (arranque.bucle) {
      codigo = arranque.bucle(ventana);
    } else {
      ventana.show();
      codigo = QApplication::exec();
    }
    FormAeronda = nullptr;
  }
  return codigo;
}

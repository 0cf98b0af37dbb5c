#include "entorno_qt.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace {

int argc_ = 1;
char nombre_[] = "test_gui";
char* argv_[] = {nombre_, nullptr};
QApplication* aplicacion_ = nullptr;

// Destroys the application before main returns, while Qt can still tidy up.
class TEntornoQt : public ::testing::Environment {
 public:
  void TearDown() override {
    delete aplicacion_;
    aplicacion_ = nullptr;
  }
};

const auto* const entorno_ = ::testing::AddGlobalTestEnvironment(new TEntornoQt);

}  // namespace

void AsegurarAplicacion() {
  if (!QCoreApplication::instance()) aplicacion_ = new QApplication(argc_, argv_);
}

// Working folders and plant file names, in a scratch folder standing for the drives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "comun/afirmaciones.h"
#include "estimator/ucarpetascentrales.h"
#include "platform/errores.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lineas(const std::string& s) {
  std::vector<std::string> r;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) r.push_back(l);
  return r;
}

// Every entry below `raiz`, as paths relative to it.
std::set<std::string> Arbol(const fs::path& raiz) {
  std::set<std::string> r;
  for (const auto& e : fs::recursive_directory_iterator(raiz))
    r.insert(fs::relative(e.path(), raiz).generic_string());
  return r;
}

std::string Motivo(int err) { return std::make_error_code(static_cast<std::errc>(err)).message(); }

class Carpetas : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    raiz_ = fs::temp_directory_path() /
            ("aeronda_carpetas_" + std::to_string(::getpid()) + "_" + info->name());
    fs::remove_all(raiz_);
    fs::create_directories(raiz_);
    FinalizarUcarpetascentrales();
  }
  void TearDown() override {
    FinalizarUcarpetascentrales();
    std::error_code ec;
    fs::remove_all(raiz_, ec);
  }
  TRaicesCarpetas SoloBasura() const { return TRaicesCarpetas{raiz_ / "basura", std::nullopt}; }
  fs::path raiz_;
};

TEST_F(Carpetas, BasuraFirstStartCreatesThreeFoldersAndSecondStartRepeatsTheLines) {
  const fs::path b = raiz_ / "basura";
  const std::vector<std::string> esperadas = {b.string(), (b / "modelado_ro").string(),
                                              (b / "modelado_ro" / "ZUMK").string()};
  std::ostringstream primera;
  IniciarUcarpetascentrales(SoloBasura(), primera);
  EXPECT_EQ(Lineas(primera.str()), esperadas);
  EXPECT_EQ(Arbol(raiz_),
            (std::set<std::string>{"basura", "basura/modelado_ro", "basura/modelado_ro/ZUMK"}));
  EXPECT_EQ(CarpetaBase, b / "modelado_ro");
  EXPECT_EQ(CarpetaSecundaria, b / "modelado_ro" / "ZUMK");

  // The folders exist now: nothing new is created, and the lines come out all the same.
  const auto antes = fs::last_write_time(b / "modelado_ro");
  FinalizarUcarpetascentrales();
  std::ostringstream segunda;
  IniciarUcarpetascentrales(SoloBasura(), segunda);
  EXPECT_EQ(segunda.str(), primera.str());
  EXPECT_EQ(Arbol(raiz_).size(), 3u);
  EXPECT_EQ(fs::last_write_time(b / "modelado_ro"), antes);
}

TEST_F(Carpetas, DriveYWinsAndLeavesBasuraUntouched) {
  fs::create_directory(raiz_ / "red");
  TRaicesCarpetas r{raiz_ / "basura", raiz_ / "red"};
  std::ostringstream consola;
  IniciarUcarpetascentrales(r, consola);
  EXPECT_EQ(Lineas(consola.str()),
            (std::vector<std::string>{(raiz_ / "red" / "modelado_ro").string(),
                                      (raiz_ / "red" / "modelado_ro" / "ZUMK").string()}));
  EXPECT_FALSE(fs::exists(raiz_ / "basura"));
  EXPECT_EQ(CarpetaBase, raiz_ / "red" / "modelado_ro");
  EXPECT_EQ(CarpetaSecundaria, raiz_ / "red" / "modelado_ro" / "ZUMK");
}

TEST_F(Carpetas, DriveYThatIsNoFolderFallsBackToBasura) {
  std::ofstream(raiz_ / "archivo") << "no soy una carpeta";
  for (const char* y : {"no_esta", "archivo"}) {
    SCOPED_TRACE(y);
    FinalizarUcarpetascentrales();
    std::ostringstream consola;
    IniciarUcarpetascentrales(TRaicesCarpetas{raiz_ / "basura", raiz_ / y}, consola);
    const fs::path b = raiz_ / "basura";
    EXPECT_EQ(Lineas(consola.str()),
              (std::vector<std::string>{b.string(), (b / "modelado_ro").string(),
                                        (b / "modelado_ro" / "ZUMK").string()}));
    EXPECT_EQ(CarpetaBase, b / "modelado_ro");
    EXPECT_FALSE(fs::exists(raiz_ / "no_esta"));
  }
}

TEST_F(Carpetas, PlantFolderAndFileNames) {
  std::ostringstream consola;
  IniciarUcarpetascentrales(SoloBasura(), consola);
  struct Caso {
    int32_t nid;
    const char* carpeta;
    const char* pmt;
    const char* clp;
    const char* pmc;
    const char* sas;
  };
  const Caso casos[] = {
      {20, "c20", "c20/c20_parque_mt.pmt", "c20/c20_calibrador.clp", "c20/c20.pmc",
       "c20/c20_series10min.sas"},
      {0, "c0", "c0/c0_parque_mt.pmt", "c0/c0_calibrador.clp", "c0/c0.pmc",
       "c0/c0_series10min.sas"},
      {-5, "c-5", "c-5/c-5_parque_mt.pmt", "c-5/c-5_calibrador.clp", "c-5/c-5.pmc",
       "c-5/c-5_series10min.sas"},
      {2147483647, "c2147483647", "c2147483647/c2147483647_parque_mt.pmt",
       "c2147483647/c2147483647_calibrador.clp", "c2147483647/c2147483647.pmc",
       "c2147483647/c2147483647_series10min.sas"},
      {INT32_MIN, "c-2147483648", "c-2147483648/c-2147483648_parque_mt.pmt",
       "c-2147483648/c-2147483648_calibrador.clp", "c-2147483648/c-2147483648.pmc",
       "c-2147483648/c-2147483648_series10min.sas"},
  };
  const fs::path base = raiz_ / "basura" / "modelado_ro";
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nid);
    EXPECT_EQ(CarpetaCentral(c.nid), base / c.carpeta);
    EXPECT_EQ(ArchivoParqueMT(c.nid), base / c.pmt);
    EXPECT_EQ(ArchivoCalibrador(c.nid), base / c.clp);
    EXPECT_EQ(ArchivoModeloCombinado(c.nid), base / c.pmc);
    EXPECT_EQ(ArchivoCentral(c.nid, "_series10min.sas"), base / c.sas);
    EXPECT_TRUE(fs::is_directory(base / c.carpeta));
    EXPECT_TRUE(fs::is_empty(base / c.carpeta));
  }
  // Plant folders are silent: only the three start-up lines were written.
  EXPECT_EQ(Lineas(consola.str()).size(), 3u);
}

TEST_F(Carpetas, OnlyThePlantRoutinesCreateTheFolder) {
  std::ostringstream consola;
  IniciarUcarpetascentrales(SoloBasura(), consola);
  const fs::path c7 = CarpetaBase / "c7";
  EXPECT_EQ(NombreArchivoEnCarpeta(c7, 7, "_x.txt"), c7 / "c7_x.txt");
  EXPECT_FALSE(fs::exists(c7));
  const fs::path clp = ArchivoCalibrador(7);
  EXPECT_TRUE(fs::is_directory(c7));
  EXPECT_FALSE(fs::exists(clp));
}

TEST_F(Carpetas, RemovedBaseFolderIsNotRebuilt) {
  std::ostringstream consola;
  IniciarUcarpetascentrales(SoloBasura(), consola);
  fs::remove_all(CarpetaBase);
  const fs::path c20 = CarpetaBase / "c20";
  EXPECT_THROW_MSG(CarpetaCentral(20), EInOutError,
                   "No puedo crear la carpeta: " + c20.string() + ": " + Motivo(ENOENT));
  EXPECT_THROW_MSG(ArchivoParqueMT(20), EInOutError,
                   "No puedo crear la carpeta: " + c20.string() + ": " + Motivo(ENOENT));
  EXPECT_FALSE(fs::exists(CarpetaBase));
  try {
    CarpetaCentral(20);
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Ruta(), c20);
  }
}

TEST_F(Carpetas, PlantFolderNameTakenByAFileFails) {
  std::ostringstream consola;
  IniciarUcarpetascentrales(SoloBasura(), consola);
  std::ofstream(CarpetaBase / "c3") << "no soy una carpeta";
  EXPECT_THROW_MSG(
      CarpetaCentral(3), EInOutError,
      "No puedo crear la carpeta: " + (CarpetaBase / "c3").string() + ": " + Motivo(EEXIST));
}

TEST_F(Carpetas, StartFailsWhenTheBasuraParentIsMissing) {
  // One level only: a basura root whose parent does not exist is not built.
  const fs::path b = raiz_ / "no_existe" / "basura";
  std::ostringstream consola;
  EXPECT_THROW_MSG(IniciarUcarpetascentrales(TRaicesCarpetas{b, std::nullopt}, consola),
                   EInOutError, "No puedo crear la carpeta: " + b.string() + ": " + Motivo(ENOENT));
  EXPECT_EQ(consola.str(), b.string() + "\n");
  EXPECT_FALSE(fs::exists(raiz_ / "no_existe"));
  EXPECT_TRUE(CarpetaBase.empty());
}

TEST_F(Carpetas, UnwritableConsoleStopsBeforeCreating) {
  std::ostream sinSalida(nullptr);  // every write sets badbit
  const fs::path b = raiz_ / "basura";
  EXPECT_THROW_MSG(IniciarUcarpetascentrales(SoloBasura(), sinSalida), EInOutError,
                   "No puedo escribir en la consola: " + b.string());
  EXPECT_FALSE(fs::exists(b));
}

TEST_F(Carpetas, PlantFolderBeforeStartIsAnError) {
  EXPECT_THROW_MSG(CarpetaCentral(20), EErrorGeneral,
                   "No se ha elegido la carpeta base de trabajo");
  EXPECT_THROW_MSG(ArchivoCalibrador(20), EErrorGeneral,
                   "No se ha elegido la carpeta base de trabajo");
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "comun/afirmaciones.h"
#include "platform/archivos_texto.h"
#include "platform/carpetas.h"
#include "platform/errores.h"
#include "platform/redondeo.h"

namespace fs = std::filesystem;

namespace {

class Archivos : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        ("aeronda-archivos-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Escribir(const fs::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary);
    f << bytes;
  }
  fs::path dir_;
};

TEST_F(Archivos, FinesDeLineaLFCRLFyCR) {
  for (const char* fin : {"\n", "\r\n", "\r"}) {
    std::string t = std::string("\xEF\xBB\xBF") + "3" + fin + " 1.5E+000 resto" + fin + fin +
                    "-7 x" + fin + "ultima";
    Escribir(dir_ / "a.txt", t);
    TextoEntrada f(dir_ / "a.txt");
    EXPECT_EQ(f.LeerEntero(), 3);
    EXPECT_EQ(f.LeerReal(), 1.5);
    EXPECT_EQ(f.LeerLinea(), "");
    EXPECT_EQ(f.LeerEntero(), -7);
    EXPECT_FALSE(f.Fin());
    EXPECT_EQ(f.LeerLinea(), "ultima");
    EXPECT_TRUE(f.Fin());
    EXPECT_THROW_MSG(
        f.LeerLinea(), EInOutError,
        "Error leyendo línea: 6 del archivo: " + (dir_ / "a.txt").string() + ": fin del archivo");
  }
}

TEST_F(Archivos, ErroresNombranLaLineaYElArchivo) {
  TextoEntrada f = TextoEntrada::DesdeTexto("1\n1,5\n2.0\n", "modelo.pmt");
  EXPECT_EQ(f.LeerEntero(), 1);
  try {
    f.LeerReal();
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "Error leyendo línea: 2 del archivo: modelo.pmt");
    EXPECT_EQ(e.Ruta(), fs::path("modelo.pmt"));
  }
  EXPECT_THROW_MSG(f.LeerEntero(), EInOutError,
                   "Error leyendo línea: 3 del archivo: modelo.pmt");  // "2.0" is no integer
  EXPECT_THROW_MSG(f.ErrorDeLinea("valor fuera de rango"), EInOutError,
                   "Error leyendo línea: 3 del archivo: modelo.pmt: valor fuera de rango");
  EXPECT_THROW_MSG(TextoEntrada(dir_ / "no.txt"), EInOutError,
                   "No puedo abrir el archivo: " + (dir_ / "no.txt").string());
  // Text in memory without a name (a database field) has no file to name.
  TextoEntrada g = TextoEntrada::DesdeTexto("x\n");
  EXPECT_THROW_MSG(g.LeerEntero(), EInOutError, "Error leyendo línea: 1");
  EXPECT_THROW_MSG(g.LeerLinea(), EInOutError, "Error leyendo línea: 2: fin del archivo");
  // The numbers' readers need their line too.
  TextoEntrada h = TextoEntrada::DesdeTexto("1\n", "modelo.pmt");
  EXPECT_EQ(h.LeerReal(), 1.0);
  EXPECT_THROW_MSG(h.LeerReal(), EInOutError,
                   "Error leyendo línea: 2 del archivo: modelo.pmt: fin del archivo");
  EXPECT_THROW_MSG(h.LeerEntero(), EInOutError,
                   "Error leyendo línea: 2 del archivo: modelo.pmt: fin del archivo");
}

// Whatever a reader raises while it reads says where: the line last read and the file, then
// the reader's own text; the class stays, and a message that says where already is not
// told again by the readers around it.
TEST_F(Archivos, LeerUbicadoNombraLineaYArchivoUnaSolaVez) {
  const auto lanza = [](TextoEntrada& f, int lineas, auto excepcion) {
    return [&f, lineas, excepcion] {
      for (int i = 0; i < lineas; ++i) f.LeerLinea();
      throw excepcion;
    };
  };
  const std::string ruta = (dir_ / "c50_calibrador.clp").string();
  {
    TextoEntrada f = TextoEntrada::DesdeTexto("a\nb\n", ruta);
    EXPECT_THROW_MSG(
        LeerUbicado(f, lanza(f, 2, EConvertError("\"es\" no es un número entero válido"))),
        EConvertError,
        "Error leyendo línea: 2 del archivo: " + ruta + ": \"es\" no es un número entero válido");
  }
  {
    TextoEntrada f = TextoEntrada::DesdeTexto("a\n", ruta);
    EXPECT_THROW_MSG(LeerUbicado(f, lanza(f, 1, EErrorGeneral("Diámetro inválido"))), EErrorGeneral,
                     "Error leyendo línea: 1 del archivo: " + ruta + ": Diámetro inválido");
  }
  {
    // An I/O error without a path takes the file's.
    TextoEntrada f = TextoEntrada::DesdeTexto("a\n", ruta);
    try {
      LeerUbicado(f, lanza(f, 1, EInOutError("Matriz inconsistente")));
      ADD_FAILURE();
    } catch (const EInOutError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Error leyendo línea: 1 del archivo: " + ruta + ": Matriz inconsistente");
      EXPECT_EQ(e.Ruta(), fs::path(ruta));
    }
  }
  {
    // Nested readers on one text: the missing line 3 is told once, its detail kept.
    TextoEntrada f = TextoEntrada::DesdeTexto("a\nb\n", ruta);
    EXPECT_THROW_MSG(LeerUbicado(f,
                                 [&] {
                                   f.LeerLinea();
                                   LeerUbicado(f, [&] {
                                     f.LeerLinea();
                                     f.LeerLinea();
                                   });
                                 }),
                     EInOutError,
                     "Error leyendo línea: 3 del archivo: " + ruta + ": fin del archivo");
  }
  {
    // In memory without a name: the line only. A fault of the program passes unchanged.
    TextoEntrada f = TextoEntrada::DesdeTexto("a\n");
    EXPECT_THROW_MSG(
        LeerUbicado(f, lanza(f, 1, EConvertError("\"x\" no es un número real válido"))),
        EConvertError, "Error leyendo línea: 1: \"x\" no es un número real válido");
    EXPECT_THROW_MSG(LeerUbicado(f, lanza(f, 0, std::logic_error("pila vacía"))), std::logic_error,
                     "pila vacía");
  }
  TextoEntrada f = TextoEntrada::DesdeTexto("7\n", ruta);
  EXPECT_EQ(LeerUbicado(f, [&] { return f.LeerEntero(); }), 7);
}

TEST_F(Archivos, EscrituraConCRLFyReemplazoAtomico) {
  fs::path p = dir_ / "m.txt";
  {
    TextoSalida s(p);
    s.EscribirEntero(2);
    s.EscribirReal(1.5);
    s.EscribirLinea("fin");
    s.Cerrar();
  }
  const std::string bueno = "2\r\n 1.5000000000000000E+000\r\nfin\r\n";
  EXPECT_EQ(LeerArchivoCompleto(p), bueno);
  // A writer abandoned half-way (an exception before Cerrar) leaves the old file and no
  // temporary behind.
  try {
    TextoSalida s(p);
    s.EscribirLinea("a medio escribir");
    throw std::runtime_error("fallo a mitad");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(LeerArchivoCompleto(p), bueno);
  int n = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(dir_)) ++n;
  EXPECT_EQ(n, 1);
  {
    TextoSalida s(p, TextoSalida::Modo::Agregar);
    s.EscribirLinea("mas");
    s.Cerrar();
  }
  EXPECT_EQ(LeerArchivoCompleto(p), bueno + "mas\r\n");
  EXPECT_THROW(TextoSalida(dir_ / "no" / "existe.txt"), EInOutError);
}

TEST_F(Archivos, EscrituraQueFallaEsUnErrorDeEntradaSalida) {
  if (!fs::exists("/dev/full")) GTEST_SKIP();
  TextoSalida s("/dev/full", TextoSalida::Modo::Agregar);
  EXPECT_THROW(
      {
        for (int i = 0; i < 100000; ++i) s.EscribirLinea("1234567890");
        s.Cerrar();
      },
      EInOutError);
}

TEST(Redondeo, ComprobadoYMitadAlPar) {
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(2.5000000000000004), 3);
  EXPECT_EQ(Trunc(-1.7), -1);
  EXPECT_EQ(Trunc32(2147483647.9), 2147483647);
  EXPECT_EQ(Trunc32(-2147483648.9), -2147483647 - 1);
  EXPECT_THROW(Trunc32(2147483648.0), EErrorGeneral);
  EXPECT_THROW(Trunc(std::nan("")), EErrorGeneral);
  EXPECT_THROW(Round(1e19), EErrorGeneral);
  EXPECT_THROW(Round32(-1.0 / 0.0), EErrorGeneral);
  EXPECT_EQ(Trunc(-9223372036854775808.0), INT64_MIN);
}

TEST(Carpetas, RutasDeWindowsAEsteSistema) {
  TRaicesCarpetas r{"/home/u/basura", fs::path("/mnt/y")};
  EXPECT_EQ(RutaLocal("C:\\basura", r), fs::path("/home/u/basura"));
  EXPECT_EQ(RutaLocal("c:\\Basura\\modelado_ro\\ZUMK", r),
            fs::path("/home/u/basura/modelado_ro/ZUMK"));
  EXPECT_EQ(RutaLocal("Y:\\modelado_ro", r), fs::path("/mnt/y/modelado_ro"));
  EXPECT_EQ(RutaLocal("condb_rbtdata.dat", r), fs::path("condb_rbtdata.dat"));
  EXPECT_THROW(RutaLocal("D:\\datos", r), EInOutError);
  EXPECT_THROW(RutaLocal("C:\\Windows", r), EInOutError);
  r.unidadY.reset();
  EXPECT_THROW(RutaLocal("Y:\\x", r), EInOutError);
}

TEST(Carpetas, RaicesDelEntorno) {
  ::setenv("AERONDA_BASURA", "/tmp/aeronda-b", 1);
  ::setenv("AERONDA_Y", "/no/existe/aeronda", 1);
  TRaicesCarpetas r = RaicesDelEntorno();
  EXPECT_EQ(r.basura, fs::path("/tmp/aeronda-b"));
  EXPECT_FALSE(r.unidadY.has_value());
  ::setenv("AERONDA_Y", "/tmp", 1);
  EXPECT_EQ(RaicesDelEntorno().unidadY, std::optional<fs::path>("/tmp"));
  ::unsetenv("AERONDA_Y");
  ::unsetenv("AERONDA_BASURA");
  ::setenv("HOME", "/home/prueba", 1);
  EXPECT_EQ(RaicesDelEntorno().basura, fs::path("/home/prueba/basura"));
}

}  // namespace

// A file given to the wrong reader, or spoilt inside, is refused with a message that names the
// file and the line: the user who picked the .clp instead of the .pmc must be able to tell
// which file was read and where it stopped making sense. The readers run one inside another
// (a .pmc holds a .clp, which holds a .pmt and an empirical model): the file is named once.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "comun/afirmaciones.h"
#include "comun/carpeta_prueba.h"
#include "estimator/ucalcrestriccionesoperativas.h"
#include "estimator/ucalibrador.h"
#include "estimator/ucurvasaeros.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/uauxiliares.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "services/useriestemporales.h"

namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = AERONDA_FIXTURES;

// Lines of a fixture, counted as the readers count them (every line ends with CRLF).
int Lineas(const fs::path& p) {
  const std::string t = LeerArchivoCompleto(p);
  int n = 0;
  for (size_t i = t.find("\r\n"); i != std::string::npos; i = t.find("\r\n", i + 2)) ++n;
  return n;
}

std::string EnLinea(int n, const fs::path& p) {
  return "Error leyendo línea: " + std::to_string(n) + " del archivo: " + p.string();
}

TEST(ArchivoEquivocado, CadaLectorNombraElArchivoYLaLinea) {
  const fs::path clp = kFixtures / "ventana_un_molino.clp";
  const fs::path pmc = kFixtures / "ventana_dos_molinos.pmc";
  const fs::path pmt = kFixtures / "modelo_v3.pmt";
  const fs::path sas = kFixtures / "series_dorada.sas";
  using Lector = std::function<void(const fs::path&)>;
  const Lector comoPmt = [](const fs::path& p) { TParque_ModeloTeorico::CreateDesdeArchivo(p); };
  const Lector comoClp = [](const fs::path& p) { TCalibradorParque::CreateDesdeArchivo(p); };
  const Lector comoPmc = [](const fs::path& p) { TParque_ModeloCombinado::CreateDesdeArchivo(p); };
  const Lector comoCalibradorDeMC = [](const fs::path& p) {
    TParque_ModeloCombinado::CreateDesdeCalibrador(p);
  };
  const Lector comoSas = [](const fs::path& p) { TSeriesDeDatos::Cargar(p); };
  const std::string noEntero = " no es un número entero válido";
  struct Caso {
    const char* que;
    Lector leer;
    fs::path archivo;
    std::string mensaje;
  };
  const Caso casos[] = {
      // A whole file of one kind read as a longer one ends where the next block should start.
      {"a .clp as a combined model", comoPmc, clp, EnLinea(Lineas(clp) + 1, clp)},
      {"a .pmt as a calibrator", comoClp, pmt, EnLinea(Lineas(pmt) + 1, pmt)},
      {"a .pmt as the calibrator of a combined model", comoCalibradorDeMC, pmt,
       EnLinea(Lineas(pmt) + 1, pmt)},
      // The first line of another kind: the conversion's own text follows (a model's version
      // is what follows the first 8 characters, "VERSION_").
      {"a .pmc as the series file", comoSas, pmc, EnLinea(1, pmc) + ": \"VERSION=3\"" + noEntero},
      {"a .sas as a model", comoPmt, sas, EnLinea(1, sas) + ": \"FORMATO_SERIES:\t2\"" + noEntero},
      {"a .sas as a calibrator", comoClp, sas,
       EnLinea(1, sas) + ": \"FORMATO_SERIES:\t2\"" + noEntero},
      {"a .sas as a combined model", comoPmc, sas,
       EnLinea(1, sas) + ": \"FORMATO_SERIES:\t2\"" + noEntero},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.que);
    try {
      c.leer(c.archivo);
      ADD_FAILURE() << "leído sin error";
    } catch (const std::exception& e) {
      EXPECT_EQ(std::string(e.what()), c.mensaje);
    }
  }
}

// Spoilt inside the empirical half of a calibrator: the inner reader names the line, the
// calibrator and combined-model readers around it do not name the file a second time, and a
// conversion error stays a conversion error.
TEST(ArchivoEquivocado, ErrorDentroDelModeloEmpiricoDeUnCalibrador) {
  const fs::path dir = CarpetaDePrueba("archivo_equivocado");
  std::string t = LeerArchivoCompleto(kFixtures / "ventana_un_molino.clp");
  const size_t me = t.find("\r\nVERSION=2\r\n");
  ASSERT_NE(me, std::string::npos);
  // The empirical model's version line: one past the line ends before it, the one at `me`
  // included.
  int linea = 2;
  for (size_t i = t.find("\r\n"); i < me; i = t.find("\r\n", i + 2)) ++linea;
  EXPECT_EQ(linea, 41);
  t.replace(me, 13, "\r\nVERSION=es\r\n");
  const fs::path clp = dir / "c50_calibrador.clp";
  {
    TextoSalida f(clp);
    f.Escribir(t);
    f.Cerrar();
  }
  const std::string esperado = EnLinea(linea, clp) + ": \"es\" no es un número entero válido";
  EXPECT_THROW_MSG(TCalibradorParque::CreateDesdeArchivo(clp), EConvertError, esperado);
  EXPECT_THROW_MSG(TParque_ModeloCombinado::CreateDesdeCalibrador(clp), EConvertError, esperado);
  const fs::path pmc = dir / "c50.pmc";
  fs::copy_file(clp, pmc);
  EXPECT_THROW_MSG(TParque_ModeloCombinado::CreateDesdeArchivo(pmc), EConvertError,
                   EnLinea(linea, pmc) + ": \"es\" no es un número entero válido");
  EXPECT_EQ(NivelFormatoEstandar(), 0);
}

// A bad value that the curve itself refuses after reading keeps its own text behind the line.
TEST(ArchivoEquivocado, CurvaConDiametroCero) {
  TextoEntrada f =
      TextoEntrada::DesdeTexto("7\nV90\n 0.0\n2\n 4.0\n 5.0\n2\n 0.0\n 1.0\n", "curva.txt");
  EXPECT_THROW_MSG(TCurvaAerogen::CreateLeerTexto(f), EErrorGeneral,
                   "Error leyendo línea: 9 del archivo: curva.txt: "
                   "Diámetro inválido en la curva nid=7 (V90): 0");
}

// The restriction run reads its series file first: a combined model picked in its place is
// named in the refusal.
TEST(ArchivoEquivocado, SeriesDeLaCorridaDeRestricciones) {
  const fs::path pmc = kFixtures / "ventana_dos_molinos.pmc";
  TDateTime desde = 0, hasta = 1e6;
  TDAofRecsFechas periodos;
  EXPECT_THROW_MSG(PeriodosRestriccion(pmc, desde, hasta, 50, periodos), EInOutError,
                   EnLinea(1, pmc) + ": \"VERSION=3\" no es un número entero válido");
}

}  // namespace

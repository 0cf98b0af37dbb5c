// A file given to the wrong reader, or spoilt inside, is refused with a message that names the
// file and the line: the user who picked the .clp instead of the .pmc must be able to tell
// which file was read and where it stopped making sense, and that it ended there when it did.
// The readers run one inside another (a .pmc holds a .clp, which holds a .pmt and an empirical
// model): the file is named once.
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
#include "estimator/uparques_modeloempirico.h"
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

// The refusal of a reader that needed line n of p, which has n - 1 lines.
std::string FinDelArchivo(int n, const fs::path& p) { return EnLinea(n, p) + ": fin del archivo"; }

// The first `lineas` lines of a fixture, line ends included, as the file `nombre` of `dir`.
fs::path Cortado(const fs::path& fixture, int lineas, const fs::path& dir, const char* nombre) {
  const std::string t = LeerArchivoCompleto(fixture);
  size_t fin = 0;
  for (int i = 0; i < lineas; ++i) fin = t.find('\n', fin) + 1;
  const fs::path p = dir / nombre;
  TextoSalida f(p);
  f.Escribir(t.substr(0, fin));
  f.Cerrar();
  return p;
}

TEST(ArchivoEquivocado, CadaLectorNombraElArchivoYLaLinea) {
  const fs::path clp = kFixtures / "ventana_un_molino.clp";
  const fs::path pmc = kFixtures / "ventana_dos_molinos.pmc";
  const fs::path pmt = kFixtures / "modelo_v3.pmt";
  const fs::path sas = kFixtures / "series_dorada.sas";
  const fs::path me = kFixtures / "me_version2_lf.txt";
  const fs::path dir = CarpetaDePrueba("archivo_equivocado");
  using Lector = std::function<void(const fs::path&)>;
  const Lector comoPmt = [](const fs::path& p) { TParque_ModeloTeorico::CreateDesdeArchivo(p); };
  const Lector comoClp = [](const fs::path& p) { TCalibradorParque::CreateDesdeArchivo(p); };
  const Lector comoPmc = [](const fs::path& p) { TParque_ModeloCombinado::CreateDesdeArchivo(p); };
  const Lector comoCalibradorDeMC = [](const fs::path& p) {
    TParque_ModeloCombinado::CreateDesdeCalibrador(p);
  };
  const Lector comoSas = [](const fs::path& p) { TSeriesDeDatos::Cargar(p); };
  const Lector comoCurva = [](const fs::path& p) {
    TextoEntrada f(p);
    TCurvaAerogen::CreateLeerTexto(f);
  };
  const Lector comoEmpirico = [](const fs::path& p) {
    TextoEntrada f(p);
    TParque_ModeloEmpirico::CreateLeerTexto(f, nullptr);
  };
  // A curve block whose last power is missing: 8 lines.
  const fs::path curva = dir / "curva.txt";
  {
    TextoSalida f(curva);
    f.Escribir("7\r\nV90\r\n 9.0E+001\r\n2\r\n 4.0E+000\r\n 5.0E+000\r\n2\r\n 0.0E+000\r\n");
    f.Cerrar();
  }
  // The last row without its last value nor its line end is a short row, not a missing line.
  const fs::path filaCorta = dir / "fila_corta.sas";
  {
    std::string t = LeerArchivoCompleto(sas);
    t.resize(t.rfind('\t'));
    TextoSalida f(filaCorta);
    f.Escribir(t);
    f.Cerrar();
  }
  const std::string noEntero = " no es un número entero válido";
  struct Caso {
    const char* que;
    Lector leer;
    fs::path archivo;
    std::string mensaje;
  };
  const Caso casos[] = {
      // A whole file of one kind read as a longer one ends where the next block should start.
      {"a .clp as a combined model", comoPmc, clp, FinDelArchivo(Lineas(clp) + 1, clp)},
      {"a .pmt as a calibrator", comoClp, pmt, FinDelArchivo(Lineas(pmt) + 1, pmt)},
      {"a .pmt as the calibrator of a combined model", comoCalibradorDeMC, pmt,
       FinDelArchivo(Lineas(pmt) + 1, pmt)},
      // Files cut short, inside each reader: the line after the last is the one missing.
      {"a .pmt cut inside a turbine's curve", comoPmt, Cortado(pmt, 34, dir, "m.pmt"),
       FinDelArchivo(35, dir / "m.pmt")},
      {"a .clp cut inside its empirical model", comoClp, Cortado(clp, 60, dir, "c.clp"),
       FinDelArchivo(61, dir / "c.clp")},
      {"a .pmc cut inside its correction", comoPmc, Cortado(pmc, Lineas(pmc) - 1, dir, "c.pmc"),
       FinDelArchivo(Lineas(pmc), dir / "c.pmc")},
      {"a .sas cut in its header", comoSas, Cortado(sas, 5, dir, "cab.sas"),
       FinDelArchivo(6, dir / "cab.sas")},
      {"a .sas cut in its rows", comoSas, Cortado(sas, 10, dir, "filas.sas"),
       FinDelArchivo(11, dir / "filas.sas")},
      {"a curve cut short", comoCurva, curva, FinDelArchivo(9, curva)},
      {"an empirical model cut short", comoEmpirico, Cortado(me, 20, dir, "me.txt"),
       FinDelArchivo(21, dir / "me.txt")},
      {"a .sas whose last row is short", comoSas, filaCorta, EnLinea(Lineas(sas), filaCorta)},
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

// The model, calibrator and combined-model files hold finite reals only: "Nan", "Inf" and the
// like, which the plain real read itself takes, are refused in every real field of the three
// files with the reading error of their line, which names the file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "comun/lineas_crlf.h"
#include "estimator/ucalibrador.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloteorico.h"
#include "estimator/utiles_calibrador.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace fs = std::filesystem;

namespace {

// A line as the writers put a real: the plain real text (" 1.5000000000000000E+000") alone.
bool EsRealEscrito(const std::string& l) {
  double x;
  return l.find('E') != std::string::npos && l.find('\t') == std::string::npos &&
         ProbarTextoARealCompleto(l, x) && std::isfinite(x);
}

// The same line with its first field (tab-separated) replaced.
std::string ConPrimerCampo(const std::string& l, const std::string& campo) {
  const size_t t = l.find('\t');
  return campo + (t == std::string::npos ? std::string() : l.substr(t));
}

}  // namespace

class LecturaNoFinitos : public ConCarpetasDePrueba {
 protected:
  // Every real line of `fixture`, and the first field of every "x TAB y" position line, in
  // turn made one of the non-finite texts: the reader must fail on that line.
  void ProbarCadaReal(const char* fixture, const std::function<void(const fs::path&)>& leer) {
    const std::string original = LeerArchivoCompleto(fs::path(AERONDA_FIXTURES) / fixture);
    const auto lineas = LineasDeTexto(original);
    const char* noFinitos[] = {"Nan", "Inf", "+Inf", "Infinity", "-Inf", " NAN", "-Infinity"};
    const fs::path archivo = raiz_ / fixture;
    leer(fs::path(AERONDA_FIXTURES) / fixture);  // the file itself reads
    int probados = 0, posiciones = 0;
    for (size_t i = 0; i < lineas.size(); ++i) {
      const std::string& l = lineas[i];
      std::string nueva;
      // The UTM line's reals go through the expression evaluator, whose text is kept.
      std::string detalle;
      if (EsRealEscrito(l)) {
        nueva = noFinitos[probados % std::size(noFinitos)];
      } else if (const size_t t = l.find('\t');
                 t != std::string::npos && EsRealEscrito(l.substr(0, t))) {
        // A position "x TAB y", or the UTM line's x and y after the zone.
        nueva = ConPrimerCampo(l, noFinitos[probados % std::size(noFinitos)]);
        ++posiciones;
      } else if (l.find("\tH\t") != std::string::npos) {
        nueva = l.substr(0, l.rfind('\t') + 1) + "Inf";
        detalle = ": Error: no se puede evaluar \"Inf\" a un número real";
        ++posiciones;
      } else {
        continue;
      }
      ++probados;
      auto cambiadas = lineas;
      cambiadas[i] = nueva;
      TextoSalida f(archivo);
      f.Escribir(UnirLineas(cambiadas));
      f.Cerrar();
      SCOPED_TRACE(std::string(fixture) + " línea " + std::to_string(i + 1) + ": " + nueva);
      try {
        leer(archivo);
        ADD_FAILURE() << "leído sin error";
      } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Error leyendo línea: " + std::to_string(i + 1) +
                                             " del archivo: " + archivo.string() + detalle);
      }
    }
    EXPECT_GT(probados, 20);
    EXPECT_GT(posiciones, 0);
  }
};

TEST_F(LecturaNoFinitos, ModeloTeorico) {
  ProbarCadaReal("modelo_v3.pmt",
                 [](const fs::path& p) { TParque_ModeloTeorico::CreateDesdeArchivo(p); });
}

TEST_F(LecturaNoFinitos, Calibrador) {
  ProbarCadaReal("calibrador_chico.clp",
                 [](const fs::path& p) { TCalibradorParque::CreateDesdeArchivo(p); });
}

TEST_F(LecturaNoFinitos, ModeloCombinado) {
  ProbarCadaReal("ventana_dos_molinos.pmc",
                 [](const fs::path& p) { TParque_ModeloCombinado::CreateDesdeArchivo(p); });
}

TEST(LecturaNoFinitosTexto, ElTextoRealSimpleLosSigueLeyendo) {
  double x = 0;
  ASSERT_TRUE(ProbarTextoAReal("Nan", x));
  EXPECT_TRUE(std::isnan(x));
  ASSERT_TRUE(ProbarTextoAReal("+Inf", x));
  EXPECT_EQ(x, INFINITY);
  // Within a file they are a reading error of their line.
  TextoEntrada f = TextoEntrada::DesdeTexto(" 1.5E+000\r\nInfinity\r\n");
  EXPECT_EQ(f.LeerReal(), 1.5);
  EXPECT_THROW(f.LeerReal(), EInOutError);
  EXPECT_EQ(f.NumeroLinea(), 2);
}

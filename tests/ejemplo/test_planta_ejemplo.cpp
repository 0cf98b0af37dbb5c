// The example plant: what the generator writes, that it writes the same bytes every time, and
// that it never overwrites a plant 50 that is already there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>

#include "comun/afirmaciones.h"
#include "ejemplo/planta_ejemplo.h"
#include "estimator/ucalcrestriccionesoperativas.h"
#include "estimator/ucarpetascentrales.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/fechas.h"

namespace fs = std::filesystem;

namespace {

// A date-time to the millisecond.
int64_t Ms(TDateTime t) { return std::llround(t * 86400000.0); }

class PlantaEjemplo : public ::testing::Test {
 protected:
  void SetUp() override {
    raiz_ = fs::temp_directory_path() /
            ("aeronda_ejemplo_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
             std::to_string(::getpid()));
    fs::remove_all(raiz_);
    fs::create_directories(raiz_);
    std::ostringstream consola;
    IniciarUcarpetascentrales(TRaicesCarpetas{raiz_, std::nullopt}, consola);
  }
  void TearDown() override {
    FinalizarUcarpetascentrales();
    fs::remove_all(raiz_);
  }
  fs::path raiz_;
};

}  // namespace

TEST_F(PlantaEjemplo, WritesTheModelAndAYearOfSeriesThatReadBack) {
  EscribirPlantaEjemplo();
  const fs::path carpeta = raiz_ / "modelado_ro" / "c50";
  const fs::path pmt = carpeta / "c50_parque_mt.pmt", sas = carpeta / "c50_series10min.sas";

  // The model file is the model writer's own text: read and written again, the same bytes.
  const auto mt = TParque_ModeloTeorico::CreateDesdeArchivo(pmt);
  EXPECT_EQ(mt->central, 50);
  EXPECT_EQ(mt->nMolinos, 50);
  EXPECT_EQ(mt->potencia_autorizada_mw, 100.0);
  mt->EscribirArchivo(raiz_ / "otra.pmt");
  EXPECT_EQ(LeerArchivoCompleto(raiz_ / "otra.pmt"), LeerArchivoCompleto(pmt));

  // A leap year of ten-minute samples in the nine channels, starting on 2016-01-01.
  const TSeriesDeDatos s = TSeriesDeDatos::Cargar(sas);
  EXPECT_EQ(s.NSeries, 9);
  EXPECT_EQ(s.NPuntos, 366 * 144);
  EXPECT_EQ(s.inicio, EncodeDate(2016, 1, 1));
  EXPECT_EQ(s.periodoHoras, 1.0 / 6.0);
  EXPECT_EQ(s.nombres,
            (TDAofString{"vel", "dir", "PE", "temp", "pre", "hum", "CGM", "disp", "varvel"}));

  // The restriction periods of November that the restriction run finds in the CGM channel.
  TDateTime desde = EncodeDate(2016, 11, 1), hasta = EncodeDate(2016, 12, 1);
  TDAofRecsFechas periodos;
  PeriodosRestriccion(sas, desde, hasta, mt->potencia_autorizada_mw, periodos);
  ASSERT_EQ(periodos.size(), 3u);
  EXPECT_EQ(Ms(periodos[0].fechaInicio), Ms(EncodeDate(2016, 11, 7) + 14.0 / 24));
  EXPECT_EQ(Ms(periodos[2].fechaFin), Ms(EncodeDate(2016, 11, 23) + (23.0 + 40.0 / 60) / 24));

  // Gaps, a stuck anemometer and turbines out are there to be filtered.
  int huecos = 0, trabadas = 0, fuera = 0;
  for (int32_t k = 1; k <= s.NPuntos; ++k) {
    if (s.series[0][k] == -999999999.0) ++huecos;
    if (k > 1 && s.series[0][k] == s.series[0][k - 1] && s.series[0][k] > 0) ++trabadas;
    if (s.series[7][k] > 0 && s.series[7][k] < 50) ++fuera;
  }
  EXPECT_GT(huecos, 300);
  EXPECT_GE(trabadas, 287);
  EXPECT_EQ(fuera, (6 + 5 + 8 + 4) * 6);

  // Drawn from a fixed seed: the same series every time.
  const fs::path otra = raiz_ / "otra.sas";
  SeriesPlantaEjemplo().Grabar(otra);
  EXPECT_EQ(LeerArchivoCompleto(otra), LeerArchivoCompleto(sas));
}

TEST_F(PlantaEjemplo, RefusesToOverwriteAnyFileOfPlant50) {
  const fs::path carpeta = raiz_ / "modelado_ro" / "c50";
  for (const char* nombre :
       {"c50_parque_mt.pmt", "c50_series10min.sas", "c50_calibrador.clp", "c50.pmc"}) {
    SCOPED_TRACE(nombre);
    fs::remove_all(carpeta);
    fs::create_directories(carpeta);
    {
      TextoSalida f(carpeta / nombre);
      f.EscribirLinea("mío");
      f.Cerrar();
    }
    EXPECT_THROW_MSG(EscribirPlantaEjemplo(), EErrorGeneral,
                     "La planta de ejemplo 50 ya tiene archivos en " + carpeta.string() + " (" +
                         nombre + "); no se sobrescribe nada.");
    EXPECT_EQ(LeerArchivoCompleto(carpeta / nombre), "mío\r\n");
    size_t archivos = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(carpeta)) ++archivos;
    EXPECT_EQ(archivos, 1u);
  }
}

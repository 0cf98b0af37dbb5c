// Empirical model built from a series that leaves no sample to fit: a file without samples and
// one whose every sample is a gap. The construction runs to its end with every sector empty.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/rtltexto.h"
#include "services/useriestemporales.h"
#include "utiles_me.h"

namespace fs = std::filesystem;

namespace {

// n ten-minute samples of the nine channels, all alike, with the given speed.
fs::path Series(const fs::path& carpeta, const std::string& nombre, int32_t n, NReal vel) {
  TSeriesDeDatos s;
  s.NSeries = 9;
  s.NPuntos = n;
  s.anio = 2016;
  s.mes = 11;
  s.dia = 1;
  s.periodoHoras = 1.0 / 6;
  const NReal valores[9] = {vel, 0, 20, 15, 1013, 50, 50, 1, 0.5};
  for (int32_t c = 0; c < 9; ++c) {
    std::string nombreSerie = IntToStr(c + 1);
    nombreSerie.insert(0, 1, 's');
    s.nombres.push_back(nombreSerie);
    s.tipos.push_back(SALIDA);
    TVectR v(n);
    for (int32_t k = 1; k <= n; ++k) v[k] = valores[c];
    s.series.push_back(v);
  }
  const fs::path ruta = carpeta / nombre;
  s.Grabar(ruta);
  return ruta;
}

class SinMuestrasME : public CarpetaDePruebaME {};

}  // namespace

TEST_F(SinMuestrasME, EveryTableIsWrittenAndNoSectorHasSamples) {
  struct Caso {
    const char* que;
    int32_t n;
    NReal vel;
  };
  const Caso casos[] = {{"sin muestras", 0, 8}, {"todas huecos", 30, -5}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.que);
    auto mt = ModeloTeoricoDePrueba();
    const fs::path ruta = Series(raiz_, std::string(c.que) + ".sas", c.n, c.vel);
    std::unique_ptr<TParque_ModeloEmpirico> me;
    const auto consola = LineasDeConsola(
        [&] { me = TParque_ModeloEmpirico::CreateDesdeSeries(mt.get(), ruta, 1, 100); });
    ASSERT_NE(me, nullptr);
    ASSERT_FALSE(consola.empty());
    EXPECT_EQ(consola.front(), "Filtrado de huecos: " + IntToStr(c.n));
    EXPECT_EQ(consola.back(), "FIN DEL CALCULO DE LAS CURVAS S");
    ASSERT_EQ(me->NSectores(), 72);
    ASSERT_EQ(me->NTramos(), 10);
    for (int32_t k = 1; k <= 72; ++k) {
      EXPECT_EQ(me->cntMuestras[k], 0);
      for (int32_t j = 1; j <= 10; ++j) EXPECT_EQ(me->cntTramo.Elemento(k, j), -1);
    }
    EXPECT_EQ(std::count(me->Filtro_Distancia.begin(), me->Filtro_Distancia.end(), 1), 0);
    const fs::path carpeta = CarpetaCentral(mt->central);
    EXPECT_EQ(LineasCRLF(carpeta / "curvas_s_.xlt").size(), 73u);
    EXPECT_EQ(LineasCRLF(carpeta / "curvas_s_completadas_.xlt").size(), 73u);
    EXPECT_EQ(LineasCRLF(carpeta / "series_filtradas.xlt").size(), static_cast<size_t>(c.n) + 1);
    EXPECT_TRUE(fs::exists(carpeta / "muestras_filtrados_plano_pe_vel_0.jpg"));
    EXPECT_TRUE(fs::exists(carpeta / "muestras_filtrados_plano_dir_vel_0.jpg"));
  }
}

// Empirical model built from series: the period check, the S-curve fit of one sector and its
// regression fallback, the bin regressions, the whole construction on a synthetic series with
// known curves per sector (tests/tools/series_modelo_empirico.py), its tables and its charts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "../comun/afirmaciones.h"
#include "../comun/leer_jpeg.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "numerics/ucompletarmatriz.h"
#include "platform/errores.h"
#include "platform/fechas.h"
#include "platform/lienzo_registro.h"
#include "platform/rtltexto.h"
#include "services/ugraficador.h"
#include "services/useriestemporales.h"
#include "utiles_me.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSeriesCurvas = fs::path(AERONDA_FIXTURES) / "me_series_curvas.sas";

std::vector<std::string> Campos(const std::string& linea) {
  std::vector<std::string> c;
  std::string campo;
  std::istringstream s(linea);
  while (std::getline(s, campo, '\t')) c.push_back(campo);
  if (!linea.empty() && linea.back() == '\t') c.push_back("");
  return c;
}

// The known curves of the synthetic series, from the script's reference file.
struct CurvaConocida {
  int32_t sector;
  NReal Pmax, DeltaP, alfa, vm;
  int32_t enVentana;
};
std::vector<CurvaConocida> CurvasConocidas() {
  std::ifstream f(fs::path(AERONDA_FIXTURES) / "me_series_curvas_ref.txt");
  std::vector<CurvaConocida> v;
  for (std::string l; std::getline(f, l);) {
    if (l.empty() || l[0] == '#') continue;
    std::istringstream s(l);
    std::string t[6];
    for (auto& x : t) s >> x;
    v.push_back({StrToInt(t[0]), TextoAReal(t[1]), TextoAReal(t[2]), TextoAReal(t[3]),
                 TextoAReal(t[4]), StrToInt(t[5])});
  }
  return v;
}

NReal CurvaS(NReal v, NReal Pmax, NReal DeltaP, NReal alfa, NReal vm, NReal PAut) {
  return std::min(Pmax / (1 + std::exp(-alfa * (v - vm))) - DeltaP, PAut);
}

// A series file of n ten-minute samples (period in hours given) with nSeries channels: speed
// 8, direction 0, power 20 and an ordinary atmosphere.
fs::path EscribirSeries(const fs::path& carpeta, const std::string& nombre, double periodoHoras,
                        int32_t n, int32_t nSeries = 9) {
  TSeriesDeDatos s;
  s.NSeries = nSeries;
  s.NPuntos = n;
  s.anio = 2016;
  s.mes = 11;
  s.dia = 1;
  s.periodoHoras = periodoHoras;
  const NReal valores[9] = {8, 0, 20, 15, 1013, 50, 50, 1, 0.5};
  for (int32_t c = 0; c < nSeries; ++c) {
    // Built by insertion: GCC 12 warns (-Wrestrict, falsely) on "s" + a string here.
    std::string nombreSerie = IntToStr(c + 1);
    nombreSerie.insert(0, 1, 's');
    s.nombres.push_back(nombreSerie);
    s.tipos.push_back(SALIDA);
    TVectR v(n);
    for (int32_t k = 1; k <= n; ++k) v[k] = valores[c % 9] + (c == 0 ? 0.01 * k : 0);
    s.series.push_back(v);
  }
  const fs::path ruta = carpeta / nombre;
  s.Grabar(ruta);
  return ruta;
}

class ConstruccionME : public CarpetaDePruebaME {
 protected:
  void SetUp() override {
    CarpetaDePruebaME::SetUp();
    guardado_ = FormatoDelSistema();
    enVigor_ = FormatSettings();
    // The user's format of a Spanish desktop (the number-format guard restores it after every
    // file it reads): tables must keep "." all the same.
    FijarFormatoDelSistema(FormatoDeLocale("es_ES.UTF-8"));
  }
  void TearDown() override {
    FijarFormatoDelSistema(guardado_);
    FormatSettings() = enVigor_;
    CarpetaDePruebaME::TearDown();
  }
  TFormatSettings guardado_, enVigor_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Small helpers of the charts

TEST(GraficosME, DaySamplesAndPowerAxisTop) {
  const TDateTime dia = EncodeDate(2016, 11, 1);
  struct Caso {
    int h, m;
    bool diurna;
  };
  const Caso casos[] = {{19, 50, true}, {20, 0, false}, {6, 50, false}, {7, 0, true},
                        {0, 0, false},  {12, 0, true},  {23, 50, false}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.h << ":" << c.m);
    // The date-time as the model computes it: start + k steps of 10/1440 day.
    const int k = (c.h * 60 + c.m) / 10;
    EXPECT_EQ(EsMuestraDiurna(dia + k * (10.0 / 1440.0)), c.diurna);
  }
  EXPECT_EQ(TopeEjePotencia(48), 50);
  EXPECT_EQ(TopeEjePotencia(50), 60);
  EXPECT_EQ(TopeEjePotencia(0), 10);
  EXPECT_EQ(TopeEjePotencia(49.999), 50);
}

namespace {

// A colour as the charts store it: R + 256 G + 65536 B.
constexpr TColor Rgb(int r, int g, int b) { return TColor(r + 256 * g + 65536 * b); }

// One ordinate series as a chart should hold it, with its abscissa series.
struct SerieEsperada {
  std::string abscisa, nombre;
  TColor marcador;
  int32_t tamano, ancho;
  TColor linea;  // clNone: markers only
  int32_t eje;
  std::vector<double> x, y;
};

void CompararSeries(const TGrafico& g, const std::vector<SerieEsperada>& esperadas) {
  ASSERT_EQ(g.series.size(), esperadas.size());
  for (size_t i = 0; i < esperadas.size(); ++i) {
    const TSerieGrafico& s = *g.series[i];
    const SerieEsperada& e = esperadas[i];
    SCOPED_TRACE(e.nombre);
    EXPECT_EQ(s.nombre, e.nombre);
    ASSERT_NE(s.serieX, nullptr);
    EXPECT_EQ(s.serieX->nombre, e.abscisa);
    EXPECT_EQ(s.serieX->formato, "##.##");
    EXPECT_EQ(s.colorMarcador, e.marcador);
    EXPECT_EQ(s.tamanoMarcador, e.tamano);
    EXPECT_EQ(s.anchoMarcador, e.ancho);
    EXPECT_EQ(s.colorLinea, e.linea);
    EXPECT_EQ(s.eje, e.eje);
    ASSERT_EQ(s.serieX->valores.size(), e.x.size());
    ASSERT_EQ(s.valores.size(), e.y.size());
    for (size_t j = 0; j < e.x.size(); ++j) {
      EXPECT_NEAR(s.serieX->valores[j], e.x[j], 1e-12 * std::fabs(e.x[j])) << j;
      EXPECT_NEAR(s.valores[j], e.y[j], 1e-12 * std::fabs(e.y[j])) << j;
    }
  }
}

// The texts a chart paints, in painting order.
std::vector<std::string> TextosPintados(TGrafico& g) {
  TLienzoRegistro lienzo(2100, 1000);
  g.Dibujar(lienzo, 2100, 1000);
  std::vector<std::string> textos;
  for (const std::string& op : lienzo.operaciones)
    if (op.rfind("Texto ", 0) == 0) {
      const size_t a = op.find(' ', 6);
      textos.push_back(op.substr(op.find(' ', a + 1) + 1));
    }
  return textos;
}

// Whether `parte` appears in `todo` in the same order, not necessarily together.
bool EnOrden(const std::vector<std::string>& todo, const std::vector<std::string>& parte) {
  size_t i = 0;
  for (const std::string& t : todo)
    if (i < parte.size() && t == parte[i]) ++i;
  return i == parte.size();
}

}  // namespace

// The charts are built for a Spanish desktop (ConstruccionME): their titles and tick labels
// are in the user's format.

// The power-speed chart of the filters: a farm authorised for 48 MW with 52 MW of turbines
// (the axis follows the authorised power), eight samples of which one is a gap that the
// coherence filter also flags, and every filter flagging some other sample.
TEST_F(ConstruccionME, FilterChartOfThePowerSpeedPlane) {
  auto mt = ModeloTeoricoDePrueba(901, 48);
  mt->potencia_nominal = 52;
  TParque_ModeloEmpirico me;
  me.mt = mt.get();
  me.series = std::make_unique<TSeriesDeDatos>();
  me.series->NSeries = 9;
  me.series->NPuntos = 8;
  me.series->series.assign(9, TVectR(8));
  me.TomarCanales();
  me.NPuntos = 8;
  const std::vector<double> vel = {3, 5, 7, 9, 11, 13, 15, 90};
  const std::vector<double> pe = {1, 4, 10, 20, 30, 40, 47, 0};
  const std::vector<double> ang = {10, 20, 30, 40, 50, 60, 70, 80};
  for (int32_t k = 1; k <= 8; ++k) {
    (*me.Vel)[k] = vel[size_t(k - 1)];
    (*me.PE)[k] = pe[size_t(k - 1)];
    (*me.Ang)[k] = ang[size_t(k - 1)];
  }
  const auto banderas = [](std::initializer_list<int> marcadas) {
    TDAOfBoolean a(9, 0);
    for (int k : marcadas) a[size_t(k)] = 1;
    return a;
  };
  me.Filt_Huecos = banderas({8});
  me.Filt_Coherencia = banderas({2, 8});
  me.Filt_CGM = banderas({3, 4});
  me.Filt_Disponibilidad = banderas({5});
  me.Filtro_Distancia = banderas({7});

  const auto g = me.GraficoFiltrados(TPlanoFiltrados::PE_Velocidad);
  EXPECT_EQ(g->nombre, "gfiltrados_pv");
  EXPECT_EQ(g->titulo, "Muestras y filtrados (plano PE-Velocidad)");
  EXPECT_EQ(g->tipoSeriesPorDefecto, 2);
  EXPECT_EQ(g->logo, 0);
  EXPECT_EQ(g->ejeX->titulo, "Velocidad de viento [m/s]");
  EXPECT_EQ(g->ejeY1->titulo, "Potencia eléctrica [MW]");
  const auto limites = [](const TEjeGrafico& e) {
    return std::make_tuple(e.minimoAuto, e.minimoFijo, e.maximoAuto, e.maximoFijo);
  };
  EXPECT_EQ(limites(*g->ejeX), std::make_tuple(false, 0.0, false, 25.0));
  EXPECT_EQ(limites(*g->ejeY1), std::make_tuple(false, 0.0, false, 50.0));
  EXPECT_TRUE(g->cajas.empty());
  CompararSeries(*g, {{"vel", "PE", Rgb(0, 128, 0), 2, 1, clNone, 0, vel, pe},
                      {"vel_filtrados_por_coherencia",
                       "PE_filtrados_por_Coherencia",
                       Rgb(255, 0, 255),
                       4,
                       2,
                       clNone,
                       0,
                       {5},
                       {4}},
                      {"vel_filtrados_por_cgm",
                       "PE_filtrados_por_cgm",
                       Rgb(255, 0, 0),
                       4,
                       2,
                       clNone,
                       0,
                       {7, 9},
                       {10, 20}},
                      {"vel_filtrados_por_disp",
                       "PE_filtrados_por_disp",
                       Rgb(0, 0, 255),
                       4,
                       2,
                       clNone,
                       0,
                       {11},
                       {30}},
                      {"vel_filtrados_por_dist",
                       "PE_filtrados_por_dist",
                       Rgb(0, 0, 0),
                       4,
                       2,
                       clNone,
                       0,
                       {15},
                       {47}}});
  EXPECT_EQ(ArchivoGraficoFiltrados(TPlanoFiltrados::PE_Velocidad),
            "muestras_filtrados_plano_pe_vel_0.jpg");

  // Painted: the title, the legend in the order of the series, the power axis up to 50.
  const auto textos = TextosPintados(*g);
  EXPECT_TRUE(EnOrden(
      textos, {"Muestras y filtrados (plano PE-Velocidad)", "PE", "PE_filtrados_por_Coherencia",
               "PE_filtrados_por_cgm", "PE_filtrados_por_disp", "PE_filtrados_por_dist", "50,00",
               "Velocidad de viento [m/s]", "Potencia eléctrica [MW]"}));
  EXPECT_TRUE(std::find(textos.begin(), textos.end(), "60,00") == textos.end());
}

// The chart of the sector at 45 degrees (72 sectors) with two bins, for the same farm: the
// power axis follows the larger of the authorised (48) and the nominal power (52).
TEST_F(ConstruccionME, SectorChartSplitsDayAndNightAndDrawsBinsAndCurves) {
  auto mt = ModeloTeoricoDePrueba(901, 48);
  mt->potencia_nominal = 52;
  TParque_ModeloEmpirico me;
  me.mt = mt.get();
  me.aTramo = TMatR(72, 2);
  for (TVectR* v : {&me.alfa, &me.vm, &me.Pmax, &me.DeltaP, &me.alfa_varvel}) *v = TVectR(72);
  for (int32_t s = 1; s <= 72; ++s) {
    me.alfa[s] = 0.7, me.vm[s] = 9, me.Pmax[s] = 55, me.DeltaP[s] = 1;  // capped at 48 MW
    me.alfa_varvel[s] = 2;                                              // drawn without variance
  }
  const std::vector<double> bordes = {0.0, 0.0005, 0.0015}, centros = {0.00025, 0.001};
  const TDateTime d = EncodeDate(2016, 11, 1);
  const auto a = [d](int paso) { return d + paso * (10.0 / 1440.0); };  // 10-minute steps
  // 06:50 and 20:00 are night, 07:00 and 19:50 day.
  const TDAofNReal pv3 = {0.0001, 0.0003, 0.0007, 0.0012}, pe = {5, 15, 30, 45};
  const TDAofNReal fechas = {a(41), a(42), a(119), a(120)};
  const TVectR cnt = TVectR::CreateDesdeDA(1, {12.0, 30.0});
  const TVectR P = TVectR::CreateDesdeDA(1, {10.0, 40.0});
  const auto g =
      me.GraficoClusterSector(10, TVectR::CreateDesdeDA(1, bordes),
                              TVectR::CreateDesdeDA(1, centros), pv3, pe, fechas, cnt, P);

  EXPECT_EQ(g->nombre, "gfiltrados_pv");
  EXPECT_EQ(g->titulo, "Muestras cluster ang: 45,0°");
  EXPECT_EQ(g->ejeX->titulo, "Potencia del viento [MW/m2]");
  EXPECT_EQ(std::make_tuple(g->ejeX->formato, g->ejeX->precision, g->ejeX->digitos),
            std::make_tuple(1, 6, 8));
  EXPECT_TRUE(g->ejeX->minimoAuto && g->ejeX->maximoAuto);
  EXPECT_EQ(g->ejeY1->titulo, "Potencia eléctrica [MW]");
  EXPECT_EQ(std::make_tuple(g->ejeY1->minimoAuto, g->ejeY1->minimoFijo, g->ejeY1->maximoAuto,
                            g->ejeY1->maximoFijo),
            std::make_tuple(false, 0.0, false, 60.0));

  // The bin edges as boxes 5e-6 wide up to the axis top, without caption.
  ASSERT_EQ(g->cajas.size(), 3u);
  for (size_t j = 0; j < 3; ++j) {
    const TCajaGraficoXY& c = *g->cajas[j];
    EXPECT_EQ(std::make_tuple(c.titulo, c.x1, c.y1, c.x2, c.y2),
              std::make_tuple(std::string(), bordes[j], 0.0, bordes[j] + 5e-6, 60.0));
  }

  // The curve at standard density and without variance, written out: the speed of the power
  // density, the logistic, capped at the authorised power.
  const auto curva = [](double q) {
    const double v = std::cbrt(q / (0.5 * 1.225) * 1e6);
    return std::min(55.0 / (1.0 + std::exp(-0.7 * (v - 9.0))) - 1.0, 48.0);
  };
  std::vector<double> xs, ys;
  for (size_t j = 0; j + 1 < bordes.size(); ++j)
    for (int m = 0; m < 10; ++m) {
      xs.push_back(bordes[j] + m / 10.0 * (bordes[j + 1] - bordes[j]));
      ys.push_back(curva(xs.back()));
    }
  const TColor rojo = Rgb(255, 0, 0);
  CompararSeries(
      *g,
      {{"Pv3_7a19hs",
        "PE_muestras_7a19hs",
        Rgb(0, 0, 255),
        2,
        1,
        clNone,
        0,
        {0.0003, 0.0007},
        {15, 30}},
       {"Pv3_20a6hs",
        "PE_muestras_20a6hs",
        Rgb(0, 0, 0),
        2,
        1,
        clNone,
        0,
        {0.0001, 0.0012},
        {5, 45}},
       {"Pv3Medio", "F0_s", rojo, 6, 2, clNone, 0, centros, {curva(centros[0]), curva(centros[1])}},
       {"Pv3_Hermit", "PE_Curva_s", rojo, 0, 1, rojo, 0, xs, ys},
       {"Pv3Medio", "Peso", Rgb(255, 0, 255), 3, 1, clNone, 1, centros, {12, 30}},
       {"Pv3Medio", "F0", rojo, 3, 2, clNone, 0, centros, {10, 40}}});
  EXPECT_EQ(ys.back(), 48.0);  // the line reaches the cap
  // Peso and F0 share one abscissa series.
  EXPECT_EQ(g->series[4]->serieX, g->series[5]->serieX);
  EXPECT_EQ(me.ArchivoGraficoSector(10, 2), "4500_2_0.jpg");

  const auto textos = TextosPintados(*g);
  EXPECT_TRUE(EnOrden(textos, {"Muestras cluster ang: 45,0°", "PE_muestras_7a19hs",
                               "PE_muestras_20a6hs", "F0_s", "PE_Curva_s", "Peso", "F0", "60,00",
                               "Potencia del viento [MW/m2]", "Potencia eléctrica [MW]"}));
}

// ---------------------------------------------------------------------------------------------
// One sector's S-curve

TEST(AjustarCurvaSector, PowerWindowAndTheElevenSampleThreshold) {
  auto mt = ModeloTeoricoDePrueba();  // PAut 50, equivalent Pmax 52
  TParque_ModeloEmpirico me;
  me.mt = mt.get();
  // Powers on and beside the window's bounds with porcInf 1 and porcSup 110: 0.5 and 55 MW,
  // and always below the equivalent curve's 52 MW.
  const std::vector<NReal> fuera = {0.49, 52, 53, 56, 0};
  const std::vector<NReal> dentro = {0.5, 51.9, 20, 10, 30, 5, 40, 45, 15, 25};  // 10
  const auto ajustar = [&](std::vector<NReal> p, int32_t& cnt, TParametrosCurvaS& r,
                           std::vector<std::string>& consola) {
    std::sort(p.begin(), p.end());
    const auto n = static_cast<int32_t>(p.size());
    TVectR pv3(n), P(n), vv(n);
    for (int32_t i = 1; i <= n; ++i) {
      pv3[i] = DensidadPotenciaViento(2 + 0.5 * i, 1.225);
      P[i] = p[static_cast<size_t>(i - 1)];
    }
    r.alfa_varvel = 7;  // kept when the sector has too few samples
    NReal errc2 = 9;
    consola = LineasDeConsola([&] {
      me.AjustarCurvaSector(r.alfa, r.vm, r.Pmax, r.DeltaP, r.alfa_varvel, errc2, cnt, pv3, P, vv,
                            *mt->curvaEquivalente, 1, 110, 5);
    });
    if (cnt <= 10) {
      EXPECT_EQ(errc2, 9);
    }
  };

  std::vector<NReal> diez = dentro;
  diez.insert(diez.end(), fuera.begin(), fuera.end());
  me.xInicial = TParametrosCurvaS{0.1, 0.2, 0.3, 0.4, 0.5};
  int32_t cnt = 0;
  TParametrosCurvaS r;
  std::vector<std::string> consola;
  ajustar(diez, cnt, r, consola);
  EXPECT_EQ(cnt, 10);
  EXPECT_EQ(r.alfa, -1);
  EXPECT_EQ(r.vm, -1);
  EXPECT_EQ(r.Pmax, -1);
  EXPECT_EQ(r.DeltaP, -1);
  EXPECT_EQ(r.alfa_varvel, 7);
  EXPECT_EQ(me.xInicial.vm, 0.2);  // nothing fitted, the start of the next sector stays
  EXPECT_TRUE(consola.empty());

  std::vector<NReal> once = diez;
  once.push_back(35);
  ajustar(once, cnt, r, consola);
  EXPECT_EQ(cnt, 11);
  EXPECT_NE(r.alfa, -1);
  EXPECT_EQ(r.alfa_varvel, 0);
  EXPECT_EQ(me.xInicial.alfa, r.alfa);
  EXPECT_EQ(me.xInicial.vm, r.vm);
  EXPECT_EQ(me.xInicial.Pmax, r.Pmax);
  EXPECT_EQ(me.xInicial.DeltaP, r.DeltaP);
}

TEST_F(ConstruccionME, RegressionCurveReplacesAFailedFitAndIsExactOnItsOwnFamily) {
  // From the very first start (all parameters 0) the solver does not converge on these
  // samples, and the regression S-curve through 0.1 MW at 0 m/s replaces it. The samples lie
  // on such a curve, P = 52 / (1 + exp(-a (v - vm))) with vm = ln(51.9 / 0.1) / a, so the
  // least-squares slope through the origin is -a exactly and the curve is recovered.
  auto mt = ModeloTeoricoDePrueba();
  TParque_ModeloEmpirico me;
  me.mt = mt.get();
  const NReal c0 = std::log(51.9 / 0.1);
  for (const NReal a : {0.5, 0.7, 0.9}) {
    SCOPED_TRACE(a);
    const int32_t n = 40;
    TVectR pv3(n), P(n), vv(n);
    int32_t enVentana = 0;
    for (int32_t i = 1; i <= n; ++i) {
      const NReal v = 4 + 12.0 * (i - 1) / (n - 1);
      pv3[i] = DensidadPotenciaViento(v, 1.225);
      P[i] = 52 / (1 + std::exp(-a * (v - c0 / a)));
      if (P[i] >= 0.5 && P[i] <= 50) ++enVentana;
    }
    me.xInicial = TParametrosCurvaS{};
    NReal alfa = 0, vm = 0, Pmax = 0, DeltaP = 0, av = 5, errc2 = 0;
    int32_t cnt = 0;
    const auto consola = LineasDeConsola([&] {
      me.AjustarCurvaSector(alfa, vm, Pmax, DeltaP, av, errc2, cnt, pv3, P, vv,
                            *mt->curvaEquivalente, 1, 100, 17);
    });
    ASSERT_EQ(consola.size(), 1u);
    const std::string inicio =
        "Sector 17: Se utiliza curva S simple porque: Convergio = 0 y/o "
        "Frontera = ";
    EXPECT_EQ(consola[0].substr(0, inicio.size()), inicio);
    // The violation in the user's format: a decimal comma, never a point.
    EXPECT_EQ(consola[0].find('.'), std::string::npos);
    EXPECT_EQ(cnt, enVentana);
    EXPECT_NEAR(alfa, a, 1e-12);
    EXPECT_NEAR(vm, c0 / a, 1e-10);
    EXPECT_EQ(Pmax, 52);
    EXPECT_EQ(DeltaP, 0);
    EXPECT_EQ(av, 0);
    EXPECT_LT(errc2, 1e-10);
    EXPECT_EQ(me.xInicial.alfa, alfa);
  }
}

// ---------------------------------------------------------------------------------------------
// Bin regressions on a hand-made sector

namespace {

// A model over an in-memory set whose samples all lie in sector 1 (direction 0) at 15 C,
// 1013 hPa, 50 %, with powers on the line 1 + 5000 pv3 (pv3 at the sample's own density).
std::unique_ptr<TParque_ModeloEmpirico> ModeloDeVelocidades(TParque_ModeloTeorico& mt,
                                                            const std::vector<NReal>& vel) {
  const auto n = static_cast<int32_t>(vel.size());
  auto m = std::make_unique<TParque_ModeloEmpirico>();
  m->mt = &mt;
  m->series = std::make_unique<TSeriesDeDatos>();
  m->series->NSeries = 9;
  m->series->NPuntos = n;
  m->series->series.assign(9, TVectR(n));
  m->TomarCanales();
  m->NPuntos = n;
  m->fechas = TVectR(n);
  const NReal rho = DensidadAire(15, 1013, 50);
  for (int32_t k = 1; k <= n; ++k) {
    (*m->Vel)[k] = vel[static_cast<size_t>(k - 1)];
    (*m->Temp)[k] = 15;
    (*m->Pre)[k] = 1013;
    (*m->HumRel)[k] = 50;
    (*m->PE)[k] = 1 + 5000 * DensidadPotenciaViento((*m->Vel)[k], rho);
    m->fechas[k] = EncodeDate(2016, 11, 1) + (k - 1) * (10.0 / 1440);
  }
  for (TDAOfBoolean* a : {&m->Filt_Huecos, &m->Filt_Coherencia, &m->Filt_CGM, &m->Filtro_Distancia,
                          &m->Filt_Disponibilidad})
    a->assign(static_cast<size_t>(n) + 1, 0);
  return m;
}

}  // namespace

TEST_F(ConstruccionME, BinRegressionsCountsLinesAndRepresentatives) {
  auto mt = ModeloTeoricoDePrueba();
  // vMax 20 m/s: bins 2 m/s wide in speed at the standard density. Three samples in each bin
  // but bin 3 (one sample) and bin 5 (two); the sample at 20 m/s, slightly below the last edge
  // at its own density, is a fourth in bin 10.
  std::vector<NReal> vel;
  std::map<int32_t, int32_t> cuenta;
  for (int32_t j = 1; j <= 10; ++j) {
    const int32_t n = j == 3 ? 1 : j == 5 ? 2 : 3;
    for (int32_t i = 1; i <= n; ++i) vel.push_back(2.0 * (j - 1) + 0.5 * i);
    cuenta[j] = n;
  }
  vel.push_back(20);
  cuenta[10] = 4;
  auto m = ModeloDeVelocidades(*mt, vel);
  LineasDeConsola([&] { m->AjustarCurvasS(72, 10, 0.2, 1, 1, 100); });

  ASSERT_EQ(m->NSectores(), 72);
  ASSERT_EQ(m->NTramos(), 10);
  for (int32_t j = 1; j <= 11; ++j)
    EXPECT_DOUBLE_EQ(m->bordesPv3[j], 0.5 * 1.225 * std::pow(2.0 * (j - 1), 3) / 1e6);
  for (int32_t j = 1; j <= 10; ++j) {
    SCOPED_TRACE(j);
    EXPECT_DOUBLE_EQ(m->centrosPv3[j], (m->bordesPv3[j] + m->bordesPv3[j + 1]) / 2);
    if (cuenta[j] < 2) {
      EXPECT_EQ(m->cntTramo.Elemento(1, j), -1);
      EXPECT_EQ(m->aTramo.Elemento(1, j), 0);
      EXPECT_EQ(m->bTramo.Elemento(1, j), 0);
      EXPECT_EQ(m->PTramo.Elemento(1, j), 0);
      continue;
    }
    EXPECT_EQ(m->cntTramo.Elemento(1, j), cuenta[j]);
    // The samples lie on the line: the regression gives it back.
    EXPECT_NEAR(m->aTramo.Elemento(1, j), 1, 1e-6);
    EXPECT_NEAR(m->bTramo.Elemento(1, j), 5000, 5000 * 1e-6);
    if (j < 7) {
      EXPECT_NEAR(m->PTramo.Elemento(1, j), 1 + 5000 * m->centrosPv3[j], 1e-6);
    } else {
      // Upper bins: the mean power of the bin's samples.
      const NReal rho = DensidadAire(15, 1013, 50);
      NReal suma = 0;
      for (NReal v : vel)
        if (v > 2.0 * (j - 1) && (v < 2.0 * j || (j == 10 && v == 20)))
          suma += 1 + 5000 * DensidadPotenciaViento(v, rho);
      EXPECT_NEAR(m->PTramo.Elemento(1, j), suma / cuenta[j], 1e-12);
    }
  }
  // The other sectors have no samples.
  for (int32_t s = 2; s <= 72; ++s)
    for (int32_t j = 1; j <= 10; ++j) EXPECT_EQ(m->cntTramo.Elemento(s, j), -1);
  EXPECT_EQ(m->cntMuestras[1], static_cast<int32_t>(vel.size()));  // 1 to 25 MW, all inside

  // Bin 3 holding three samples of one speed: the normal equations are singular.
  std::vector<NReal> iguales = vel;
  iguales.insert(iguales.end(), {4.5, 4.5});
  auto q = ModeloDeVelocidades(*mt, iguales);
  EXPECT_THROW_MSG(LineasDeConsola([&] { q->AjustarCurvasS(72, 10, 0.2, 1, 1, 100); }),
                   EErrorGeneral,
                   "Atención!!!! sistema lineal no invertible en la aproximación de un tramo!!!");
}

TEST_F(ConstruccionME, FiftySamplesTakeTheCompletionFiftyOneKeepTheirOwnCurve) {
  // Sector 1 (directions 0 +- 1) holds 51 samples in the power window on the regression curve
  // of steepness 0.7, sector 2 (5 +- 1, outside sector 1's window) 50 on that of 0.5. Only
  // sector 1 is a known cell of the completion, and sector 2 takes the completed value like
  // every sector without samples, whatever its own fit gave.
  auto mt = ModeloTeoricoDePrueba();
  const NReal c0 = std::log(51.9 / 0.1);
  std::vector<NReal> vel, ang, pot;
  for (const auto& [n, a, centro] : {std::tuple{51, 0.7, 0.0}, std::tuple{50, 0.5, 5.0}})
    for (int32_t i = 0; i < n; ++i) {
      const NReal v = 5 + 8.0 * i / n;
      vel.push_back(v);
      ang.push_back(centro + (i % 2 == 0 ? 0.9 : -0.9));
      // The power that the sample's own density (15 C, 1013 hPa, 50 %) brings back to the
      // curve at the equivalent speed.
      const NReal veq = std::cbrt(DensidadAire(15, 1013, 50) / 1.225) * v;
      pot.push_back(52 / (1 + std::exp(-a * (veq - c0 / a))));
    }
  auto m = ModeloDeVelocidades(*mt, vel);
  for (int32_t k = 1; k <= m->NPuntos; ++k) {
    (*m->Ang)[k] = ang[static_cast<size_t>(k - 1)] < 0 ? ang[static_cast<size_t>(k - 1)] + 360
                                                       : ang[static_cast<size_t>(k - 1)];
    (*m->PE)[k] = pot[static_cast<size_t>(k - 1)];
  }
  LineasDeConsola([&] { m->AjustarCurvasS(72, 10, 0.2, 1, 1, 100); });
  EXPECT_EQ(m->cntMuestras[1], 51);
  EXPECT_EQ(m->cntMuestras[2], 50);
  // Sector 1 fell back to the regression curve from the all-zero start: its own curve.
  EXPECT_NEAR(m->alfa[1], 0.7, 1e-9);
  EXPECT_NEAR(m->vm[1], c0 / 0.7, 1e-8);

  // The completion of each parameter from sector 1 alone, by the unit on its own.
  const auto completado = [&](NReal propio) {
    TMatR S(72, 1), R(72, 1);
    for (int32_t k = 1; k <= 72; ++k) S.PonerElemento(k, 1, k == 1 ? propio : -1);
    NReal cambio = 0;
    int32_t n = 0;
    CompletarMatriz(R, S, cambio, n);
    return R;
  };
  const TMatR alfaC = completado(m->alfa[1]), vmC = completado(m->vm[1]),
              PmaxC = completado(m->Pmax[1]), DeltaPC = completado(m->DeltaP[1]);
  for (int32_t k = 2; k <= 72; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(m->alfa[k], alfaC.Elemento(k, 1));
    EXPECT_EQ(m->vm[k], vmC.Elemento(k, 1));
    EXPECT_EQ(m->Pmax[k], PmaxC.Elemento(k, 1));
    EXPECT_EQ(m->DeltaP[k], DeltaPC.Elemento(k, 1));
  }
  EXPECT_GT(m->alfa[2], 0.6);  // near sector 1's 0.7, not its own 0.5
  EXPECT_GT(m->errc2[2], 0);   // sector 2 was fitted all the same
}

// ---------------------------------------------------------------------------------------------
// The whole construction

TEST_F(ConstruccionME, PeriodOfTenMinutesWithinOneSecond) {
  auto mt = ModeloTeoricoDePrueba();
  const fs::path medio = EscribirSeries(raiz_, "medio.sas", 600.5 / 3600, 30);
  std::unique_ptr<TParque_ModeloEmpirico> me;
  LineasDeConsola([&] { me = TParque_ModeloEmpirico::CreateDesdeSeries(mt.get(), medio, 1, 100); });
  EXPECT_EQ(me->pasoDias, 10.0 / 1440.0);
  EXPECT_EQ(me->NPuntos, 30);
  EXPECT_EQ(me->fechas[30], me->fechaInicio + 29 * (10.0 / 1440.0));

  // 10 min 2 s: the period in hours and a sixth as a single-precision number, both in the
  // user's format (here a decimal comma).
  const fs::path dos = EscribirSeries(raiz_, "dos.sas", 602.0 / 3600, 30);
  EXPECT_THROW_MSG(TParque_ModeloEmpirico::CreateDesdeSeries(mt.get(), dos, 1, 100), EErrorGeneral,
                   "ERROR en archivo series, Perioedo Entre Muestras : 0,167222222222222 debe "
                   "ser 0,16666667163372");

  const fs::path ocho = EscribirSeries(raiz_, "ocho.sas", 1.0 / 6, 30, 8);
  EXPECT_THROW_MSG(
      TParque_ModeloEmpirico::CreateDesdeSeries(mt.get(), ocho, 1, 100), EErrorGeneral,
      "El archivo de series " + ocho.string() + " tiene 8 series; el modelo empírico necesita 9");
  // A theoretical model without turbines has no equivalent curve to fit against.
  TParque_ModeloTeorico vacio;
  vacio.potencia_autorizada_mw = 50;
  EXPECT_THROW_MSG(
      LineasDeConsola([&] { TParque_ModeloEmpirico::CreateDesdeSeries(&vacio, medio, 1, 100); }),
      EErrorGeneral, "El modelo teórico no tiene curva equivalente: no hay molinos");
  EXPECT_THROW_MSG(
      TParque_ModeloEmpirico::CreateDesdeSeries(mt.get(), raiz_ / "no_existe.sas", 1, 100),
      EInOutError, "No puedo abrir el archivo: " + (raiz_ / "no_existe.sas").string());
}

TEST_F(ConstruccionME, SyntheticSeriesWithKnownCurvesPerSector) {
  auto mt = ModeloTeoricoDePrueba();
  std::unique_ptr<TParque_ModeloEmpirico> me;
  const auto consola = LineasDeConsola(
      [&] { me = TParque_ModeloEmpirico::CreateDesdeSeries(mt.get(), kSeriesCurvas, 1, 100); });
  ASSERT_NE(me, nullptr);
  ASSERT_FALSE(consola.empty());
  EXPECT_EQ(consola.back(), "FIN DEL CALCULO DE LAS CURVAS S");
  EXPECT_EQ(consola[0], "Filtrado de huecos: 5");
  EXPECT_EQ(consola[1], "WARNING!!!: max_fd: 100 Asumo que es porcentaje y divido por este valor.");
  EXPECT_EQ(me->NPuntos, 4 * 240 + 3 + 4 + 5);
  EXPECT_EQ(me->pasoDias, 10.0 / 1440.0);
  EXPECT_EQ(me->fechaInicio, EncodeDate(2016, 11, 1));
  // The distance filter took the tenth of the valid samples (all but the 5 gaps).
  const int32_t validas = me->NPuntos - 5;
  EXPECT_EQ(std::count(me->Filtro_Distancia.begin(), me->Filtro_Distancia.end(), 1),
            validas - validas * 9 / 10);

  // Each fitted sector gives back its own curve: the midpoint speed within 0.15 m/s and the
  // power within 1.5 MW (3 % of PAut) from 3 to 17 m/s. The solver stops after at most 100
  // descents, about 0.2 MW RMS from the exact curve on these noise-free samples, which bounds
  // what can be asked; curves of the neighbouring sectors differ by several MW.
  const auto conocidas = CurvasConocidas();
  ASSERT_EQ(conocidas.size(), 4u);
  for (const CurvaConocida& c : conocidas) {
    SCOPED_TRACE(c.sector);
    EXPECT_GE(me->cntMuestras[c.sector], 51);
    EXPECT_LE(me->cntMuestras[c.sector], c.enVentana);
    EXPECT_NEAR(me->vm[c.sector], c.vm, 0.15);
    EXPECT_LT(me->errc2[c.sector], 0.3);
    NReal maxDif = 0;
    for (NReal v = 3; v <= 17; v += 0.25) {
      const NReal p = me->PotenciaCurvaS(me->AnguloSector(c.sector),
                                         DensidadPotenciaViento(v, 1.225), 1.225, 0);
      maxDif = std::max(maxDif, std::fabs(p - CurvaS(v, c.Pmax, c.DeltaP, c.alfa, c.vm, 50)));
    }
    EXPECT_LT(maxDif, 1.5);
  }
  // Pass 2 ran from the end of pass 1 and leaves the last fitted sector as the next start.
  EXPECT_EQ(me->xInicial.alfa, me->alfa[55]);
  EXPECT_EQ(me->xInicial.vm, me->vm[55]);

  // The sectors between the fitted ones take their curve from the completion: on the circle
  // of sectors the converged completion is the straight line between the known neighbours
  // (the sweeps stop at a change of 1e-4, some 3e-2 from the line over 17 holes).
  const int32_t conocidos[] = {1, 19, 37, 55, 73};
  for (int q = 0; q < 4; ++q) {
    const int32_t a = conocidos[q], b = conocidos[q + 1], bb = b == 73 ? 1 : b;
    for (int32_t k = a + 1; k < b; ++k) {
      SCOPED_TRACE(k);
      const NReal t = static_cast<NReal>(k - a) / (b - a);
      EXPECT_NEAR(me->alfa[k], me->alfa[a] + t * (me->alfa[bb] - me->alfa[a]), 0.05);
      EXPECT_NEAR(me->vm[k], me->vm[a] + t * (me->vm[bb] - me->vm[a]), 0.05);
      EXPECT_NEAR(me->Pmax[k], me->Pmax[a] + t * (me->Pmax[bb] - me->Pmax[a]), 0.05);
      EXPECT_NEAR(me->DeltaP[k], me->DeltaP[a] + t * (me->DeltaP[bb] - me->DeltaP[a]), 0.05);
      EXPECT_EQ(me->alfa_varvel[k], 0);
      EXPECT_EQ(me->errc2[k], 0);  // 10 or fewer samples: no fit
    }
  }

  // The sector samples use each sample's own air density.
  me->MuestrasSector(0, 3);
  int32_t j = 0;
  for (int32_t i = 1; i <= me->NPuntos; ++i) {
    const auto u = static_cast<size_t>(i);
    if (me->Filt_Huecos[u] || me->Filt_Coherencia[u] || me->Filt_CGM[u] ||
        me->Filtro_Distancia[u] || me->Filt_Disponibilidad[u] ||
        !((*me->Ang)[i] <= 3 || (*me->Ang)[i] >= 357))
      continue;
    ++j;
    const NReal t = (*me->Temp)[i], pr = (*me->Pre)[i], hr = (*me->HumRel)[i];
    const NReal rho = (0.34848 * pr - 0.009 * hr * std::exp(0.061 * t)) / (t + 273.16);
    const NReal v = (*me->Vel)[i];
    ASSERT_LE(j, me->muestrasPv3.n);
    EXPECT_NEAR(me->muestrasPv3[j], 0.5 * rho * v * v * v / 1e6, 1e-15);
    EXPECT_EQ(me->muestrasPE[j], (*me->PE)[i]);
    EXPECT_EQ(me->muestrasFecha[j], me->fechas[i]);
  }
  EXPECT_EQ(j, me->muestrasPv3.n);
}

TEST_F(ConstruccionME, TablesAndChartsOfTheConstruction) {
  auto mt = ModeloTeoricoDePrueba();
  std::unique_ptr<TParque_ModeloEmpirico> me;
  LineasDeConsola(
      [&] { me = TParque_ModeloEmpirico::CreateDesdeSeries(mt.get(), kSeriesCurvas, 1, 100); });
  const fs::path carpeta = CarpetaCentral(901);

  // S-curves.
  const auto curvas = LineasCRLF(carpeta / "curvas_s_.xlt");
  ASSERT_EQ(curvas.size(), 73u);
  EXPECT_EQ(curvas[0], "ang\talfa\tvm\talfa_varvel\terrc2\tcntMuestras\tMT_alfa\tMT_vm");
  for (int32_t k = 1; k <= 72; ++k) {
    SCOPED_TRACE(k);
    const auto c = Campos(curvas[static_cast<size_t>(k)]);
    ASSERT_EQ(c.size(), 8u);
    EXPECT_EQ(c[0], RealATexto(5.0 * (k - 1)));
    EXPECT_EQ(TextoAReal(c[1]), me->alfa[k]);
    EXPECT_EQ(TextoAReal(c[2]), me->vm[k]);
    EXPECT_EQ(TextoAReal(c[3]), 0);
    EXPECT_EQ(TextoAReal(c[4]), me->errc2[k]);
    EXPECT_EQ(c[5], IntToStr(me->cntMuestras[k]));
    EXPECT_EQ(TextoAReal(c[6]), mt->curvaEquivalente->alfa);
    EXPECT_EQ(TextoAReal(c[7]), mt->curvaEquivalente->vm);
  }
  EXPECT_EQ(curvas[19].substr(0, 25), " 9.0000000000000000E+001\t");

  // Completed curves of pass 2: the model's own values, completed or fitted.
  const auto completas = LineasCRLF(carpeta / "curvas_s_completadas_.xlt");
  ASSERT_EQ(completas.size(), 73u);
  EXPECT_EQ(completas[0], "ang\talfa_completo\tvm_completo\tPmax_completo\tDeltaP_completo");
  for (int32_t k = 1; k <= 72; ++k) {
    SCOPED_TRACE(k);
    const auto c = Campos(completas[static_cast<size_t>(k)]);
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(TextoAReal(c[0]), 5.0 * (k - 1));
    EXPECT_EQ(TextoAReal(c[1]), me->alfa[k]);
    EXPECT_EQ(TextoAReal(c[2]), me->vm[k]);
    EXPECT_EQ(TextoAReal(c[3]), me->Pmax[k]);
    EXPECT_EQ(TextoAReal(c[4]), me->DeltaP[k]);
  }

  // Filtered series: dates in the user's format, channels after the corrections, the flags in
  // the table's order (availability before CGM).
  const auto filas = LineasCRLF(carpeta / "series_filtradas.xlt");
  ASSERT_EQ(filas.size(), static_cast<size_t>(me->NPuntos) + 1);
  EXPECT_EQ(filas[0],
            "dt\tVel[m/s]\tAng[°]\tPE[MW]\tTemp[°C]\tPre[hPA]\tHumRel[%]\tCGM[MW]\tfDisp[p.u.]\t"
            "VarVel[(m/s)^2]\tFilt_Huecos\tFilt_Coherencia\tFilt_Disponibilidad\tFilt_CGM\t"
            "Filtro_Distancia");
  EXPECT_EQ(Campos(filas[1])[0], "01/11/2016");
  EXPECT_EQ(Campos(filas[2])[0], "01/11/2016 00:10:00");
  EXPECT_EQ(Campos(filas[145])[0], "02/11/2016");
  const TVectR* canales[] = {me->Vel,    me->Ang, me->PE,    me->Temp,  me->Pre,
                             me->HumRel, me->CGM, me->fDisp, me->VarVel};
  const TDAOfBoolean* banderas[] = {&me->Filt_Huecos, &me->Filt_Coherencia,
                                    &me->Filt_Disponibilidad, &me->Filt_CGM, &me->Filtro_Distancia};
  for (int32_t k = 1; k <= me->NPuntos; ++k) {
    const auto c = Campos(filas[static_cast<size_t>(k)]);
    ASSERT_EQ(c.size(), 15u) << k;
    for (int q = 0; q < 9; ++q)
      ASSERT_EQ(c[static_cast<size_t>(q + 1)], RealATexto((*canales[q])[k])) << k;
    for (int q = 0; q < 5; ++q)
      ASSERT_EQ(c[static_cast<size_t>(q + 10)], (*banderas[q])[static_cast<size_t>(k)] ? "1" : "0")
          << k;
  }
  // The availability was given in percent: the table shows it per unit.
  EXPECT_EQ(Campos(filas[1])[8], RealATexto((*me->fDisp)[1]));
  EXPECT_LE(me->fDisp->Maximo(), 1.0);

  // Charts: the two filtered-sample planes and one per sector with more than 3 unflagged
  // samples in its window, in each pass; 2100 x 1000 baseline JPEGs.
  std::vector<std::string> esperados = {"muestras_filtrados_plano_pe_vel_0.jpg",
                                        "muestras_filtrados_plano_dir_vel_0.jpg"};
  for (const char* s : {"0", "9000", "18000", "27000", "13500"})
    esperados.push_back(std::string(s) + "_1_0.jpg");
  for (const char* s : {"0", "9000", "18000", "27000"})
    esperados.push_back(std::string(s) + "_2_0.jpg");
  // The four samples at 135 degrees make a chart in pass 2 only if the distance filter left
  // more than three of them.
  me->MuestrasSector(135, 3);
  if (me->muestrasPv3.n > 3) esperados.push_back("13500_2_0.jpg");
  std::vector<std::string> jpg;
  for (const auto& e : fs::directory_iterator(carpeta))
    if (e.path().extension() == ".jpg") jpg.push_back(e.path().filename().string());
  std::sort(jpg.begin(), jpg.end());
  std::sort(esperados.begin(), esperados.end());
  EXPECT_EQ(jpg, esperados);  // 45 degrees, 3 samples: no chart
  for (const std::string& nombre : jpg) {
    SCOPED_TRACE(nombre);
    const ImagenJPEG im = LeerJPEG((carpeta / nombre).string());
    ASSERT_TRUE(im.valida) << im.error;
    EXPECT_EQ(im.ancho, 2100);
    EXPECT_EQ(im.alto, 1000);
    EXPECT_EQ(MarcadorDeTrama(LeerArchivoCompleto(carpeta / nombre)), 0xC0);
  }
}

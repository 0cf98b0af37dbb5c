// The chart renderer: model and cycles, axis scaling and labels, the data-to-pixel mapping,
// the painters and a whole chart through the recording canvas (fixed text metrics: size div 2
// pixels per character, size pixels tall), and a JPEG export read back with libjpeg.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/fechas.h"
#include "platform/lienzo_registro.h"
#include "platform/rtltexto.h"
#include "services/ugraficador.h"
#include "tests/comun/afirmaciones.h"
#include "tests/comun/leer_jpeg.h"

namespace fs = std::filesystem;

namespace {

using Ops = std::vector<std::string>;

// The format settings of a test, restored afterwards.
class FormatoDePrueba {
 public:
  explicit FormatoDePrueba(const char* locale) : guardado_(FormatSettings()) {
    FormatSettings() = FormatoDeLocale(locale);
  }
  ~FormatoDePrueba() { FormatSettings() = guardado_; }

 private:
  TFormatSettings guardado_;
};

std::unique_ptr<TSerieGrafico> Abscisa(TDAofNReal x, std::string formato = "") {
  return std::make_unique<TSerieGrafico>("x", std::move(x), nullptr, nullptr, std::move(formato),
                                         true);
}

// A chart whose mapping is set by hand: plot from x 100 to 600, y 50 to 450.
void FijarMapa(TGrafico& g) {
  g.izquierda = 100;
  g.derecha = 600;
  g.arriba = 50;
  g.abajo = 450;
  g.xMin = 0;
  g.escalaX = 50;  // x 0..10
  g.y1Min = 0;
  g.escalaY1 = 4;  // y 0..100
  g.y2Min = -1;
  g.escalaY2 = 200;  // y2 -1..1
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Model

TEST(Grafico, SeriesTomanColorYMarcadorDelCiclo) {
  TGrafico g("g", 2, 0);
  TSerieGrafico* sx = g.AgregarSerie(Abscisa({1, 2}));
  std::vector<TSerieGrafico*> s;
  for (int i = 0; i < 16; ++i) {
    s.push_back(
        g.AgregarSerie(std::make_unique<TSerieGrafico>("s", TDAofNReal{1, 2}, sx, &g, "", false)));
  }
  EXPECT_EQ(s[0]->colorLinea, clBlack);
  EXPECT_EQ(s[1]->colorArea, clMaroon);
  EXPECT_EQ(s[9]->colorFondo, clRed);
  EXPECT_EQ(s[14]->colorMarcador, clAqua);
  EXPECT_EQ(s[15]->colorLinea, clBlack);  // the 16th starts the palette again
  EXPECT_EQ(s[3]->marcador, TM_Cruz);
  EXPECT_EQ(s[5]->marcador, TM_Circulo);  // the 6th starts the markers again
  EXPECT_EQ(s[4]->tipo, 2);
  EXPECT_EQ(s[4]->rol, 2);
  EXPECT_EQ(g.indiceColor, 1);
  EXPECT_EQ(g.indiceMarcador, 1);
  EXPECT_EQ(g.series.size(), 16u);
  EXPECT_EQ(g.seriesX.size(), 1u);
  EXPECT_EQ(std::string(NombresColores[13]), "Fusia");
  EXPECT_EQ(std::string(NombresMarcadores[4]), "X");
}

TEST(Grafico, SerieSinGraficoYRoles) {
  const TSerieGrafico sx("fecha", {1, 2, 3}, nullptr, nullptr, "yyyy-mm-dd", true);
  EXPECT_EQ(sx.colorArea, clBlack);
  EXPECT_EQ(sx.colorLinea, clBlack);
  EXPECT_EQ(sx.marcador, TM_Cruz);
  EXPECT_EQ(sx.tipo, 0);
  EXPECT_EQ(sx.rol, 1);
  EXPECT_EQ(sx.tamanoMarcador, 5);
  EXPECT_EQ(sx.anchoMarcador, 2);
  EXPECT_EQ(sx.anchoLinea, 1);
  EXPECT_EQ(sx.eje, 0);
  EXPECT_EQ(TSerieGrafico("s", {}, nullptr, nullptr, "", false).rol, 0);
}

TEST(Grafico, AgregarSerieReparteLasListas) {
  TGrafico g("g", 2, 0);
  // A kind-2 series added before any abscissa series keeps no abscissa.
  TSerieGrafico* antes =
      g.AgregarSerie(std::make_unique<TSerieGrafico>("a", TDAofNReal{1}, nullptr, &g, "", false));
  TSerieGrafico* sx = g.AgregarSerie(Abscisa({1}));
  TSerieGrafico* sx2 = g.AgregarSerie(Abscisa({2}));
  TSerieGrafico* despues =
      g.AgregarSerie(std::make_unique<TSerieGrafico>("b", TDAofNReal{1}, nullptr, &g, "", false));
  auto otra = std::make_unique<TSerieGrafico>("c", TDAofNReal{1}, nullptr, &g, "", false);
  otra->tipo = 3;
  TSerieGrafico* barras = g.AgregarSerie(std::move(otra));
  auto conX = std::make_unique<TSerieGrafico>("d", TDAofNReal{1}, sx2, &g, "", false);
  TSerieGrafico* propia = g.AgregarSerie(std::move(conX));

  EXPECT_EQ(antes->serieX, nullptr);
  EXPECT_EQ(despues->serieX, sx);      // the first abscissa series
  EXPECT_EQ(despues->rol, 0);          // its role is left as it was
  EXPECT_EQ(barras->serieX, nullptr);  // only kind 2 takes one
  EXPECT_EQ(propia->serieX, sx2);
  ASSERT_EQ(g.series.size(), 4u);
  ASSERT_EQ(g.seriesX.size(), 2u);
  EXPECT_EQ(g.seriesX[1].get(), sx2);
  EXPECT_EQ(g.series[0].get(), antes);
}

TEST(Grafico, EsFormatoFecha) {
  const std::pair<const char*, bool> casos[] = {
      {"yyyy-mm-dd", true}, {"dd/mm/yyyy", true}, {"c", true},   {"C", false},
      {"", false},          {"0.00", false},      {" c", false}, {"hh:nn", false}};
  for (const auto& [formato, fecha] : casos) {
    EXPECT_EQ(TSerieGrafico("s", {}, nullptr, nullptr, formato, true).EsFormatoFecha(), fecha)
        << formato;
  }
}

// ---------------------------------------------------------------------------------------------
// Axis

TEST(EjeGrafico, AutoEscalarAutomaticoYFijo) {
  TEjeGrafico e("v");
  double a = 0, b = 23;
  e.divisiones = 8;
  e.AutoEscalar(a, b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 25);
  EXPECT_EQ(e.divisiones, 5);
  EXPECT_EQ(e.paso, 5);
  EXPECT_EQ(e.origen, 0);
  EXPECT_EQ(e.datoMax, 23);
  // The achieved 5 is the next request: 0..7.3 asked for 5 divisions gets step 2 (log10(10)
  // = 1 against L = 0.863), where a new axis asking for 10 gets step 1.
  a = 0;
  b = 7.3;
  e.AutoEscalar(a, b);
  EXPECT_EQ(b, 8);
  EXPECT_EQ(e.divisiones, 4);
  EXPECT_EQ(e.paso, 2);

  // Fixed limits scale inward on the data, keep the fixed values, and share them among the
  // achieved divisions: 3..97 inward gives step 5, 5..95, 18 divisions.
  TEjeGrafico f("p");
  f.FijarMinimo(0);
  f.FijarMaximo(100);
  a = 3;
  b = 97;
  f.AutoEscalar(a, b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 100);
  EXPECT_EQ(f.divisiones, 18);
  EXPECT_DOUBLE_EQ(f.paso, 100.0 / 18);
  EXPECT_EQ(f.minimoRedondeado, 5);
  EXPECT_EQ(f.maximoRedondeado, 95);

  // Fixed divisions override the achieved count; fewer than one are taken as one.
  TEjeGrafico d("d");
  d.FijarDivisiones(4);
  a = 0;
  b = 7.3;
  d.AutoEscalar(a, b);
  EXPECT_EQ(d.divisiones, 4);
  EXPECT_EQ(d.paso, 2);
  d.FijarDivisiones(0);
  d.AutoEscalar(a, b);
  EXPECT_EQ(d.divisiones, 1);
  EXPECT_EQ(d.paso, 8);
}

TEST(EjeGrafico, TextoMarca) {
  FormatoDePrueba estandar("C");
  TEjeGrafico e("");
  e.origen = 0.5;
  e.paso = 1;
  struct Caso {
    uint8_t tipo;
    int32_t i;
    const char* texto;
  };
  const Caso casos[] = {
      {1, 2, "2"},     // 2.5 to even
      {1, 3, "4"},     // 3.5 to even
      {0, 1, "1.50"},  // fixed, 2 decimals
      {7, 1, "1.50"},  // an unknown kind is a number
  };
  for (const Caso& c : casos) {
    e.tipoEtiqueta = c.tipo;
    EXPECT_EQ(e.TextoMarca(c.i), c.texto) << int(c.tipo) << " " << c.i;
  }
  e.tipoEtiqueta = 0;
  e.formato = 0;  // general
  e.precision = 3;
  e.origen = 1234.5678;
  EXPECT_EQ(e.TextoMarca(0), "1.23E03");  // at least digitos = 2 exponent digits
  {
    FormatoDePrueba espanol("es_ES.UTF-8");
    e.formato = 2;
    e.precision = 12;
    e.digitos = 1;
    EXPECT_EQ(e.TextoMarca(0), "1234,6");
    e.tipoEtiqueta = 2;
    e.origen = 42675.0;                              // 2016-11-01
    e.paso = 7.0 / 24;                               // 07:00 at tick 1
    EXPECT_EQ(e.TextoMarca(1), "2016/11/01 07:00");  // "/" is the date separator in force
  }
  FormatSettings().DateSeparator = '-';
  EXPECT_EQ(e.TextoMarca(1), "2016-11-01 07:00");
}

// ---------------------------------------------------------------------------------------------
// Mapping

TEST(Grafico, PixelesDeLosDatos) {
  TGrafico g("g", 2, 0);
  FijarMapa(g);
  struct Caso {
    double v;
    int32_t x, y1, y2;
  };
  const Caso casos[] = {
      {0, 100, 450, 250},       // offsets 0.5, 0.5, 200.5
      {3.14, 257, 437, -378},   // 157.5 -> 157; 13.06 -> 13; 828.5 -> 828
      {-0.026, 100, 450, 255},  // -1.3 + 0.5 = -0.8 truncates toward zero: 0; 195.3 -> 195
      {-0.04, 99, 450, 258},    // -2 + 0.5 = -1.5 -> -1; 0.34 -> 0; 192.5 -> 192
      {1e9, 100 + 32767, 450 - 32767, 450 - 32767},
      {-1e9, 100 - 32767, 450 + 32767, 450 + 32767},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(g.PixelX(c.v), c.x) << c.v;
    EXPECT_EQ(g.PixelY1(c.v), c.y1) << c.v;
    EXPECT_EQ(g.PixelY2(c.v), c.y2) << c.v;
  }
  EXPECT_EQ(PixelAcotado(NAN), 0);
  EXPECT_EQ(PixelAcotado(-32767.9L), -32767);
  EXPECT_EQ(PixelAcotado(32766.9L), 32766);
}

// ---------------------------------------------------------------------------------------------
// Painters

TEST(Pintores, MarcadorPorForma) {
  struct Caso {
    TTipoMarcador m;
    Ops ops;
  };
  const Caso casos[] = {
      {TM_Circulo, {"Elipse 7 17 13 23"}},
      {TM_Cuadro, {"Rectangulo 7 17 13 23"}},
      {TM_Rombo, {"Poligono 10,17 7,20 10,23 13,20"}},
      {TM_Cruz, {"MoverA 7 20", "LineaA 13 20", "MoverA 10 17", "LineaA 10 23"}},
      {TM_X, {"MoverA 7 17", "LineaA 13 23", "MoverA 7 23", "LineaA 13 17"}},
  };
  for (const Caso& c : casos) {
    TLienzoRegistro l(50, 50);
    DibujarMarcador(l, 10, 20, c.m, 3);
    EXPECT_EQ(l.operaciones, c.ops) << int(c.m);
  }
}

TEST(Pintores, LineasYMarcadores) {
  TGrafico g("g", 2, 0);
  FijarMapa(g);
  TSerieGrafico* sx = g.AgregarSerie(Abscisa({0, 2, 4}));
  auto a = std::make_unique<TSerieGrafico>("a", TDAofNReal{10, 20, 30}, sx, &g, "", false);
  a->anchoLinea = 2;
  a->tamanoMarcador = 2;
  auto b = std::make_unique<TSerieGrafico>("b", TDAofNReal{1, 0.5}, sx, &g, "", false);
  b->colorLinea = clNone;  // markers only
  b->eje = 1;
  b->marcador = TM_Cuadro;
  b->tamanoMarcador = 1;
  TListaSeries lista{g.AgregarSerie(std::move(a)), g.AgregarSerie(std::move(b))};
  TLienzoRegistro l(700, 500);
  g.DibujarLineas(l, lista);
  g.DibujarMarcadores(l, lista);
  // x: 100 + 0, 100 + 100, 100 + 200; y1: 450 - 40, 450 - 80, 450 - 120;
  // y2: 450 - 400, 450 - 300.
  const Ops esperado = {"ColorPincel 0",
                        "AnchoPincel 2",
                        "Polilinea 100,410 200,370 300,330",
                        "ColorPincel 0",
                        "AnchoPincel 3",
                        "ColorBrocha 0",
                        "EstiloBrocha 1",
                        "Elipse 98 408 102 412",
                        "Elipse 198 368 202 372",
                        "Elipse 298 328 302 332",
                        "ColorPincel 128",
                        "AnchoPincel 3",
                        "ColorBrocha 128",
                        "EstiloBrocha 1",
                        "Rectangulo 99 49 101 51",
                        "Rectangulo 199 149 201 151"};
  EXPECT_EQ(l.operaciones, esperado);

  // Without an abscissa series there are no points (nothing to read x from).
  TSerieGrafico suelta("c", {1, 2}, nullptr, nullptr, "", false);
  TLienzoRegistro vacio(10, 10);
  g.DibujarMarcadores(vacio, {&suelta});
  g.DibujarLineas(vacio, {&suelta});
  EXPECT_EQ(vacio.operaciones, (Ops{"ColorPincel 0", "AnchoPincel 3", "ColorBrocha 0",
                                    "EstiloBrocha 1", "ColorPincel 0", "AnchoPincel 1"}));
}

TEST(Pintores, AreasApiladas) {
  TGrafico g("g", 2, 0);
  FijarMapa(g);
  TSerieGrafico* sx = g.AgregarSerie(Abscisa({0, 10}));
  auto a = std::make_unique<TSerieGrafico>("a", TDAofNReal{10, 20}, sx, &g, "", false);
  a->colorArea = clRed;
  auto b = std::make_unique<TSerieGrafico>("b", TDAofNReal{5}, sx, &g, "", false);
  b->colorArea = clBlue;  // one value short: the missing one adds nothing
  TListaSeries lista{g.AgregarSerie(std::move(a)), g.AgregarSerie(std::move(b))};
  TLienzoRegistro l(700, 500);
  g.DibujarAreasApiladas(l, lista);
  // Sums 10, 20 then 15, 20: y = 450 - 4 v (+0.5 truncated).
  const Ops esperado = {"ColorBrocha 255", "Poligono 100,410 600,370 600,450 100,450",
                        "ColorBrocha 16711680", "Poligono 100,390 600,370 600,370 100,410"};
  EXPECT_EQ(l.operaciones, esperado);

  double lo = 0, hi = 0;
  int32_t n = 0;
  RangoAreasApiladas(lo, hi, n, lista);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 20);
  EXPECT_EQ(n, 1);
}

TEST(Pintores, BarrasAgrupadas) {
  // Three series of seven values on a plot 1000 pixels wide: a = Trunc(1000/3/7*0.9) = 42,
  // b = Trunc(42*0.9/10) = 3; bar j of series i starts 9 + 42 i + 129 j right of izquierda.
  TGrafico g("g", 2, 0);
  g.izquierda = 0;
  g.derecha = 1000;
  g.abajo = 400;
  g.escalaY1 = 10;
  TListaSeries lista;
  for (int i = 0; i < 3; ++i) {
    auto s = std::make_unique<TSerieGrafico>("s", TDAofNReal{1, 2, 3, 4, 5, 6, 7}, nullptr, &g, "",
                                             false);
    s->tipo = 3;
    lista.push_back(g.AgregarSerie(std::move(s)));
  }
  TLienzoRegistro l(1100, 500);
  g.DibujarBarras(l, lista);
  const Ops& o = l.operaciones;
  ASSERT_EQ(o.size(), 3u * 7u * 2u + 1u);
  EXPECT_EQ(o[0], "ColorBrocha 0");
  EXPECT_EQ(o[1], "Rectangulo 9 390 51 400");     // series 0, bar 0: value 1 -> 400 - 10
  EXPECT_EQ(o[3], "Rectangulo 138 380 180 400");  // series 0, bar 1
  EXPECT_EQ(o[14], "ColorBrocha 128");
  EXPECT_EQ(o[15], "Rectangulo 51 390 93 400");  // series 1, bar 0
  EXPECT_EQ(o.back(), "OrientacionLetra 0");
  EXPECT_FALSE(g.ejeX->mostrarMarcas);
  // The centres of the last series' bars: 93 + 129 j + 21.
  ASSERT_EQ(g.xBarras.size(), 7u);
  EXPECT_EQ(g.xBarras[0], 114);
  EXPECT_EQ(g.xBarras[6], 114 + 6 * 129);
}

TEST(Pintores, ColumnaDePorcentajes) {
  TGrafico g("g", 2, 0);
  g.izquierda = 10;
  g.derecha = 110;
  g.arriba = 0;
  g.abajo = 200;
  g.escalaY1 = 2;  // 0..100
  auto s = std::make_unique<TSerieGrafico>("p", TDAofNReal{50, 1, 30, 15}, nullptr, &g, "", false);
  s->tipo = 4;
  s->colorFondo = clYellow;
  TListaSeries lista{g.AgregarSerie(std::move(s))};
  ASSERT_EQ(g.indiceColor, 1);
  TLienzoRegistro l(200, 200);
  g.DibujarPorcentajes(l, lista);
  // bottom 200; 50: top = 200 - 100 = 100; 1 %: nothing, a colour spent; 30: h = 100,
  // top = 140 - 100 = 40; 15: h = 160, top = 170 - 160 = 10.
  const Ops esperado = {"AnchoPincel 2",
                        "OrientacionLetra 0",
                        "ColorBrocha 65535",
                        "Rectangulo 11 100 110 200",
                        "ColorBrocha 128",
                        "ColorBrocha 32768",
                        "Rectangulo 11 40 110 100",
                        "ColorBrocha 32896",
                        "Rectangulo 11 10 110 40",
                        "ColorBrocha 8388608"};
  EXPECT_EQ(l.operaciones, esperado);
  EXPECT_EQ(g.yPorcentajes, (TDAofI{150, 0, 70, 25}));
  EXPECT_EQ(g.indiceColor, 5);
  EXPECT_FALSE(g.ejeX->mostrarMarcas);
}

TEST(Pintores, Cajas) {
  TGrafico g("g", 2, 0);
  FijarMapa(g);
  struct Caso {
    TColor relleno, borde;
    const char* titulo;
    Ops ops;
  };
  // Corners (1, 10) and (3, 20): pixels 150..250, 410..370; the caption (7 x 14 per char at
  // size 14) is centred at (200, 390): 200 - 7 = 193 and 390 - 7 = 383.
  const Caso casos[] = {
      {clYellow,
       clBlack,
       "ab",
       {"EstiloPincel 0", "EstiloBrocha 0", "ColorPincel 0", "ColorBrocha 65535",
        "Rectangulo 150 410 250 370", "ColorBrocha 65535", "ColorLetra 0", "Texto 193 383 ab"}},
      {clNone,
       clNone,
       "ab",
       {"EstiloPincel 0", "EstiloBrocha 0", "ColorBrocha 536870911", "ColorLetra 0",
        "Texto 193 383 ab"}},
      {clNone,
       clRed,
       "",
       {"EstiloPincel 0", "EstiloBrocha 0", "ColorPincel 255", "ColorBrocha 536870911",
        "Rectangulo 150 410 250 370"}},
  };
  for (const Caso& c : casos) {
    TCajaGraficoXY caja(c.titulo, 1, 10, 3, 20);
    EXPECT_EQ(caja.colorRelleno, clNone);
    EXPECT_EQ(caja.colorBorde, clBlack);
    caja.colorRelleno = c.relleno;
    caja.colorBorde = c.borde;
    TLienzoRegistro l(700, 500);
    l.TamanoLetra(14);
    l.operaciones.clear();
    caja.Dibujar(l, g);
    EXPECT_EQ(l.operaciones, c.ops) << c.titulo << " " << c.relleno;
  }
  // Half-pixel centring rounds half to even: width 3 (odd text "abc" is 21 wide at size 14:
  // 200 - 10.5 = 189.5 -> 190).
  TCajaGraficoXY impar("abc", 1, 10, 3, 20);
  impar.colorBorde = clNone;
  TLienzoRegistro l(700, 500);
  l.TamanoLetra(14);
  impar.Dibujar(l, g);
  EXPECT_EQ(l.operaciones.back(), "Texto 190 383 abc");
}

TEST(Pintores, Logo) {
  // At size 8: "S" is 8 tall (h = 4), "." 4 wide (w = 2), yb = y + 4 + 2.
  TLienzoRegistro l(100, 100);
  l.TamanoLetra(8);
  l.operaciones.clear();
  DibujarLogo(l, 10, 20);
  const Ops esperado = {"ColorBrocha 2151423",   "RellenarRect 10 14 14 18",
                        "ColorBrocha 16697987",  "RellenarRect 16 14 20 18",
                        "ColorBrocha 26009",     "RellenarRect 16 20 20 24",
                        "ColorBrocha 52325",     "RellenarRect 10 20 14 24",
                        "ColorBrocha 536870911", "Texto 22 22 Dunaro"};
  EXPECT_EQ(l.operaciones, esperado);
}

// ---------------------------------------------------------------------------------------------
// Whole chart

TEST(Dibujar, SecuenciaCompletaDeUnGraficoPequeno) {
  FormatoDePrueba estandar("C");
  // One polyline series (0, 0) - (10, 5), markers of half-size 2, two divisions per axis, no
  // titles, no logo, on 400 x 300.
  TGrafico g("g", 2, -1);
  TSerieGrafico* sx = g.AgregarSerie(Abscisa({0, 10}));
  auto s = std::make_unique<TSerieGrafico>("A", TDAofNReal{0, 5}, sx, &g, "", false);
  s->tamanoMarcador = 2;
  g.AgregarSerie(std::move(s));
  g.ejeX->FijarDivisiones(2);
  g.ejeY1->FijarDivisiones(2);
  TLienzoRegistro l(400, 300);
  g.Dibujar(l, 400, 300);

  // Font 14: characters 7 wide, texts 14 tall; margins 7. Abscissa labels "0.00", "5.00",
  // "10.00" (widest 35), primary labels "0.00", "2.50", "5.00" (28), legend "A" (7), m = 2.
  // izquierda = 7 + 28 + 7 = 42; derecha = 400 - (7 + 7 + 7 + 4 + 7) = 368;
  // arriba = 7; abajo = 300 - (7 + 35 + 7) = 251. escalaX = 32.6, escalaY1 = 48.8.
  EXPECT_EQ(g.izquierda, 42);
  EXPECT_EQ(g.derecha, 368);
  EXPECT_EQ(g.arriba, 7);
  EXPECT_EQ(g.abajo, 251);
  EXPECT_DOUBLE_EQ(g.escalaX, 32.6);
  EXPECT_DOUBLE_EQ(g.escalaY1, 48.8);
  const Ops esperado = {
      "OrientacionLetra 0", "TamanoLetra 14",
      // background, frame, empty title centred at (42 + 368) / 2
      "ColorBrocha 16777215", "RellenarRect 0 0 399 299", "EstiloPincel 0", "ColorPincel 0",
      "Rectangulo 42 7 368 251", "Texto 205 7 ",
      // legend: x0 = 400 - 7 - 7 = 386, cx = 386 - 2 - 7, cy = Trunc(14 + 7 + 0.5)
      "ColorPincel 0", "AnchoPincel 3", "ColorBrocha 0", "EstiloBrocha 1", "Elipse 375 19 379 23",
      "ColorPincel 0", "Texto 386 14 A",
      // series in the plot: 10 * 32.6 + 0.5 -> 326, 5 * 48.8 + 0.5 -> 244
      "Recorte 42 7 368 251", "Recortando 1", "AnchoPincel 2", "AnchoPincel 3", "ColorPincel 0",
      "AnchoPincel 1", "Polilinea 42,251 368,7", "ColorPincel 0", "AnchoPincel 3", "ColorBrocha 0",
      "EstiloBrocha 1", "Elipse 40 249 44 253", "Elipse 366 5 370 9", "AnchoPincel 1",
      "Recorte 42 7 368 251", "Recortando 1", "AnchoPincel 1",
      // tick labels on the whole canvas; hh = 7
      "Recorte 0 0 400 300", "Recortando 1", "AnchoPincel 1", "ColorPincel 0", "EstiloPincel 0",
      "ColorBrocha 16777215", "EstiloBrocha 0", "OrientacionLetra 900", "Texto 35 286 0.00",
      "Texto 198 286 5.00", "Texto 361 293 10.00", "OrientacionLetra 0", "Texto 7 244 0.00",
      "Texto 7 122 2.50", "Texto 7 0 5.00",
      // no axis titles; grid
      "OrientacionLetra 0", "ColorPincel 16711680", "EstiloPincel 2", "MoverA 42 251",
      "LineaA 42 7", "MoverA 205 251", "LineaA 205 7", "MoverA 368 251", "LineaA 368 7",
      "MoverA 42 129", "LineaA 368 129"};
  EXPECT_EQ(l.operaciones, esperado);
}

// A missing value (NaN, an infinity) in a series, in either coordinate: it takes no part in the
// axis ranges, gets no marker, and the polyline breaks there. The ranges and the markers are
// those of a chart whose abscissa holds only the finite abscissas and whose series holds only
// the points with both coordinates finite (on an abscissa series of its own).
TEST(Dibujar, ValoresQueNoSonNumeros) {
  FormatoDePrueba estandar("C");
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Caso {
    const char* nombre;
    TDAofNReal x, y;
    std::vector<std::vector<size_t>> tramos;  // the points of each polyline
  };
  const Caso casos[] = {
      {"primero", {0, 1, 2, 3}, {nan, 1, 3, 2}, {{1, 2, 3}}},
      {"en medio", {0, 1, 2, 3}, {1, nan, 3, 2}, {{0}, {2, 3}}},
      {"ultimo", {0, 1, 2, 3}, {1, 3, 2, nan}, {{0, 1, 2}}},
      {"infinitos", {0, 1, 2, 3}, {-inf, 1, inf, 2}, {{1}, {3}}},
      {"abscisa", {0, nan, 2, 3}, {1, 2, 3, 2}, {{0}, {2, 3}}},
      {"todos", {0, 1, 2, 3}, {nan, nan, nan, nan}, {}},
  };
  // A chart of the abscissa `eje` and a series of `y` on `x` (the abscissa itself when none is
  // given), markers as circles (Elipse), painted on 500 x 300.
  struct Grafico {
    std::unique_ptr<TGrafico> g = std::make_unique<TGrafico>("g", 2, -1);
    std::unique_ptr<TSerieGrafico> xPropia;
    TLienzoRegistro l{500, 300};
  };
  auto grafico = [](const TDAofNReal& eje, const TDAofNReal& y, const TDAofNReal* x) {
    auto r = std::make_unique<Grafico>();
    TSerieGrafico* sx = r->g->AgregarSerie(Abscisa(eje));
    if (x != nullptr) {
      r->xPropia = Abscisa(*x);
      sx = r->xPropia.get();
    }
    auto s = std::make_unique<TSerieGrafico>("y", y, sx, r->g.get(), "", false);
    s->marcador = TM_Circulo;
    r->g->AgregarSerie(std::move(s));
    r->g->Dibujar(r->l, 500, 300);
    return r;
  };
  auto solo = [](const Ops& ops, const std::string& prefijo) {
    Ops r;
    for (const std::string& o : ops)
      if (o.rfind(prefijo, 0) == 0) r.push_back(o);
    return r;
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::unique_ptr<Grafico> con;
    ASSERT_NO_THROW(con = grafico(c.x, c.y, nullptr));
    const TGrafico& g = *con->g;

    Ops lineas;
    for (const auto& tramo : c.tramos) {
      std::string o = "Polilinea";
      for (size_t i : tramo) {
        o += ' ';
        o += IntToStr(g.PixelX(c.x[i]));
        o += ',';
        o += IntToStr(g.PixelY1(c.y[i]));
      }
      lineas.push_back(o);
    }
    EXPECT_EQ(solo(con->l.operaciones, "Polilinea"), lineas);

    TDAofNReal eje, x, y;
    for (size_t i = 0; i < c.x.size(); ++i) {
      if (std::isfinite(c.x[i])) eje.push_back(c.x[i]);
      if (std::isfinite(c.x[i]) && std::isfinite(c.y[i])) {
        x.push_back(c.x[i]);
        y.push_back(c.y[i]);
      }
    }
    if (y.empty()) {
      EXPECT_EQ(solo(con->l.operaciones, "Elipse").size(), 1u);  // the legend's marker only
      continue;
    }
    const auto sin = grafico(eje, y, &x);
    EXPECT_EQ(g.ejeX->minimo, sin->g->ejeX->minimo);
    EXPECT_EQ(g.ejeX->maximo, sin->g->ejeX->maximo);
    EXPECT_EQ(g.ejeY1->minimo, sin->g->ejeY1->minimo);
    EXPECT_EQ(g.ejeY1->maximo, sin->g->ejeY1->maximo);
    EXPECT_EQ(solo(con->l.operaciones, "Elipse"), solo(sin->l.operaciones, "Elipse"));
  }

  // The JPEG export of a series that starts with a NaN.
  TGrafico g("g", 2, 0);
  TSerieGrafico* sx = g.AgregarSerie(Abscisa({0, 1, 2}));
  g.AgregarSerie(std::make_unique<TSerieGrafico>("y", TDAofNReal{nan, 1, 3}, sx, &g, "", false));
  const fs::path ruta = fs::absolute("nan_" + std::to_string(::getpid()) + ".jpg");
  EXPECT_NO_THROW(g.ExportarJPEG(ruta, 400, 300, 100));
  EXPECT_TRUE(LeerJPEG(ruta.string()).valida);
  fs::remove(ruta);
}

// The same for the other painters: a stacked area breaks where a boundary is missing, a bar
// leaves its place empty, a percentage segment is not drawn nor labelled.
TEST(Pintores, OtrosTiposSaltanLosValoresQueNoSonNumeros) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  TGrafico g("g", 2, 0);
  FijarMapa(g);
  TSerieGrafico* sx = g.AgregarSerie(Abscisa({0, 2, 4, 6}));
  auto a = std::make_unique<TSerieGrafico>("a", TDAofNReal{10, nan, 20, 30}, sx, &g, "", false);
  a->colorArea = clRed;
  TListaSeries lista{g.AgregarSerie(std::move(a))};
  TLienzoRegistro l(700, 500);
  g.DibujarAreasApiladas(l, lista);
  const Ops areas = {"ColorBrocha 255", "Poligono 100,410 100,450",
                     "Poligono 300,370 400,330 400,450 300,450"};
  EXPECT_EQ(l.operaciones, areas);
  double lo = 0, hi = 0;
  int32_t n = 0;
  auto b = std::make_unique<TSerieGrafico>("b", TDAofNReal{1, 2, inf, 3}, sx, &g, "", false);
  RangoAreasApiladas(lo, hi, n, {lista[0], b.get()});
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 33);  // 10 + 1 and 30 + 3; the sums with a missing value take no part

  TSerieGrafico barras("c", {5, nan, 7}, nullptr, nullptr, "", false);
  TLienzoRegistro lb(700, 500);
  g.DibujarBarras(lb, {&barras});
  EXPECT_EQ(std::count_if(lb.operaciones.begin(), lb.operaciones.end(),
                          [](const std::string& o) { return o.rfind("Rectangulo", 0) == 0; }),
            2);
  EXPECT_EQ(g.xBarras.size(), 3u);  // the empty place keeps its label position

  TSerieGrafico porcentajes("p", {50, inf, nan, 20}, nullptr, nullptr, "", false);
  TLienzoRegistro lp(700, 500);
  g.DibujarPorcentajes(lp, {&porcentajes});
  EXPECT_EQ(std::count_if(lp.operaciones.begin(), lp.operaciones.end(),
                          [](const std::string& o) { return o.rfind("Rectangulo", 0) == 0; }),
            2);
}

TEST(Dibujar, AbscisaDeFechas) {
  struct Caso {
    const char* formato;
    double inicio, paso;
    int n;
    const char* formatoEje;
    double minimo, maximo;
  };
  const Caso casos[] = {
      // ten minutes: below a day and an hour, not a minute; 30 days near 42000: a day of margin
      {" yyyy-mm-dd\t", 42000.0, 10.0 / 1440, 4321, "yyyy-mm-dd hh:mm", 41999, 42031},
      {"dd/mm/yyyy", 42000.0, 1.0, 31, "dd/mm/yyyy", 41999, 42031},
      {"c", 42000.0, 30.0 / 86400, 3, "c hh:mm:ss", 41999, 42001.000694444445},
      // a span of more than 1 % of the dates keeps its exact range
      {"yyyy-mm-dd", 100.0, 1.0, 101, "yyyy-mm-dd", 100, 200},
  };
  for (const Caso& c : casos) {
    TGrafico g("g", 2, 0);
    TDAofNReal x(static_cast<size_t>(c.n));
    for (int i = 0; i < c.n; ++i) x[static_cast<size_t>(i)] = c.inicio + i * c.paso;
    TSerieGrafico* sx = g.AgregarSerie(Abscisa(x, c.formato));
    g.AgregarSerie(std::make_unique<TSerieGrafico>("y", x, sx, &g, "", false));
    TLienzoRegistro l(800, 400);
    g.Dibujar(l, 800, 400);
    EXPECT_EQ(g.ejeX->tipoEtiqueta, 2) << c.formato;
    EXPECT_EQ(g.ejeX->formatoFecha, c.formatoEje) << c.formato;
    EXPECT_FALSE(g.ejeX->minimoAuto);
    EXPECT_DOUBLE_EQ(g.ejeX->minimo, c.minimo) << c.formato;
    EXPECT_DOUBLE_EQ(g.ejeX->maximo, c.maximo) << c.formato;
    EXPECT_DOUBLE_EQ(g.xMin, c.minimo) << c.formato;
  }
}

TEST(Dibujar, LeyendaConTodasLasSeriesYPorcentajeHastaCien) {
  FormatoDePrueba estandar("C");
  TGrafico g("g", 2, 0);
  TSerieGrafico* sx = g.AgregarSerie(Abscisa({0}));
  auto oculta = std::make_unique<TSerieGrafico>("oculta", TDAofNReal{3}, sx, &g, "", false);
  oculta->tipo = 0;
  g.AgregarSerie(std::move(oculta));
  auto p = std::make_unique<TSerieGrafico>("Reparto", TDAofNReal{50, 30, 15, 5}, sx, &g, "", false);
  p->tipo = 4;
  p->etiquetas = {"N", "S", "E", "O"};
  g.AgregarSerie(std::move(p));
  TLienzoRegistro l(600, 400);
  g.Dibujar(l, 600, 400);
  // Forced to 100 and then widened outward to a multiple of the step 10 (10^1 as exp(ln 10)).
  EXPECT_NEAR(g.y1Max, 100, 1e-12);
  EXPECT_NEAR(g.ejeY1->maximo, 100, 1e-12);
  EXPECT_FALSE(g.ejeX->mostrarMarcas);
  EXPECT_EQ(g.anchoMarcasX, 0);
  EXPECT_EQ(g.anchoEtiquetas, 7);
  auto tiene = [&](const std::string& op) {
    return std::find(l.operaciones.begin(), l.operaciones.end(), op) != l.operaciones.end();
  };
  // Legend texts at x0 = 600 - 7 - 7 * 7 = 544, one pitch (14 + 5) apart.
  const int y0 = g.arriba + g.margenV;
  EXPECT_TRUE(tiene("Texto 544 " + IntToStr(y0) + " oculta"));
  EXPECT_TRUE(tiene("Texto 544 " + IntToStr(y0 + 19) + " Reparto"));
  // The kind-0 series is a hollow marker in the legend (its circle), the percentage one a
  // swatch filled twice; with the background and the logo's four squares, six fills.
  EXPECT_EQ(std::count_if(l.operaciones.begin(), l.operaciones.end(),
                          [](const std::string& o) { return o.rfind("Elipse ", 0) == 0; }),
            1);
  EXPECT_EQ(std::count_if(l.operaciones.begin(), l.operaciones.end(),
                          [](const std::string& o) { return o.rfind("RellenarRect ", 0) == 0; }),
            6);
  // Labels for every segment but the last, above 1 %.
  const std::string x = IntToStr(g.derecha + g.margenH);
  EXPECT_TRUE(tiene("Texto " + x + " " + IntToStr(g.yPorcentajes[0]) + " N 50 %"));
  EXPECT_TRUE(tiene("Texto " + x + " " + IntToStr(g.yPorcentajes[2]) + " E 15 %"));
  EXPECT_FALSE(tiene("Texto " + x + " " + IntToStr(g.yPorcentajes[3]) + " O 5 %"));
}

TEST(Dibujar, ExportarJPEGDeUnGraficoReal) {
  FormatoDePrueba estandar("C");
  TGrafico g("curva", 2, 0);
  g.titulo = "Curva de potencia";
  g.ejeX->titulo = "Velocidad (m/s)";
  g.ejeY1->titulo = "Potencia (MW)";
  TDAofNReal x, y;
  for (int i = 0; i <= 25; ++i) {
    x.push_back(i);
    y.push_back(i < 4 ? 0 : (i > 13 ? 40 : 40.0 * (i - 4) / 9));
  }
  TSerieGrafico* sx = g.AgregarSerie(Abscisa(x));
  auto s = std::make_unique<TSerieGrafico>("Potencia", y, sx, &g, "", false);
  s->colorLinea = clRed;
  s->anchoLinea = 1;  // one pixel wide, as the sector charts' S-curves
  g.ejeY1->FijarMaximo(48);
  g.ejeY1->FijarDivisiones(3);  // grid lines at 16 and 32, off the flat stretch at 40
  g.AgregarSerie(std::move(s));
  auto caja = std::make_unique<TCajaGraficoXY>("Zona", 15, 10, 22, 30);
  caja->colorRelleno = clBlue;
  caja->colorTexto = clWhite;
  g.AgregarCaja(std::move(caja));

  const fs::path ruta = fs::absolute("grafico_prueba_" + std::to_string(::getpid()) + ".jpg");
  g.ExportarJPEG(ruta, 2100, 1000, 100);
  const ImagenJPEG im = LeerJPEG(ruta.string());
  ASSERT_TRUE(im.valida) << im.error;
  EXPECT_EQ(MarcadorDeTrama(LeerArchivoCompleto(ruta)), 0xC0);
  EXPECT_EQ(im.ancho, 2100);
  EXPECT_EQ(im.alto, 1000);
  auto cerca = [&](int px, int py, TColor c, int tol) {
    return std::abs(im.R(px, py) - RojoDe(c)) <= tol &&
           std::abs(im.G(px, py) - VerdeDe(c)) <= tol && std::abs(im.B(px, py) - AzulDe(c)) <= tol;
  };
  // Background outside the plot, the box's inside, the plot's white inside.
  EXPECT_TRUE(cerca(3, 500, clWhite, 6));
  const int bx = (g.PixelX(15) + g.PixelX(22)) / 2, by = g.PixelY1(12);
  EXPECT_TRUE(cerca(bx, by, clBlue, 12))
      << im.R(bx, by) << " " << im.G(bx, by) << " " << im.B(bx, by);
  EXPECT_TRUE(cerca(g.PixelX(1.2), g.PixelY1(27), clWhite, 6));  // off the grid lines
  // The red polyline, one pixel wide, on its flat stretch halfway between the markers at 20
  // and 21 m/s (inside the plot: the axis goes up to 48), keeps its colour.
  const int rx = (g.PixelX(20) + g.PixelX(21)) / 2;
  const int ry = g.PixelY1(40);
  EXPECT_TRUE(cerca(rx, ry, clRed, 30))
      << im.R(rx, ry) << " " << im.G(rx, ry) << " " << im.B(rx, ry);
  fs::remove(ruta);

  const fs::path sinCarpeta = fs::temp_directory_path() / "aeronda_no_existe" / "g.jpg";
  EXPECT_THROW_MSG(g.ExportarJPEG(sinCarpeta, 100, 80, 100), EInOutError,
                   "No puedo crear el archivo: " + sinCarpeta.string());
}

TEST(Dibujar, RepetibleYSinSeries) {
  FormatoDePrueba estandar("C");
  // Painting recomputes everything from the series: a second painting repeats the first.
  TGrafico g("g", 2, 0);
  g.titulo = "T";
  TSerieGrafico* sx = g.AgregarSerie(Abscisa({0, 1, 2, 3}));
  g.AgregarSerie(std::make_unique<TSerieGrafico>("a", TDAofNReal{3, 1, 4, 1}, sx, &g, "", false));
  auto b = std::make_unique<TSerieGrafico>("b", TDAofNReal{-2, 7, 1, 8}, sx, &g, "", false);
  b->eje = 1;
  g.AgregarSerie(std::move(b));
  TLienzoRegistro primera(500, 300), segunda(500, 300);
  g.Dibujar(primera, 500, 300);
  g.Dibujar(segunda, 500, 300);
  // The second starts with the font size the logo left (8), then sets the same things.
  EXPECT_EQ(primera.operaciones, segunda.operaciones);

  // A chart without series still paints its frame and the primary labels of a new axis
  // (0 to 1e-10 widened outward), without failing.
  TGrafico vacio("v", 2, 0);
  TLienzoRegistro l(300, 200);
  EXPECT_NO_THROW(vacio.Dibujar(l, 300, 200));
  std::string marco = "Rectangulo";
  for (int32_t v : {vacio.izquierda, vacio.arriba, vacio.derecha, vacio.abajo}) {
    marco += ' ';
    marco += IntToStr(v);
  }
  EXPECT_NE(std::find(l.operaciones.begin(), l.operaciones.end(), marco), l.operaciones.end());
  EXPECT_GT(vacio.derecha, vacio.izquierda);
}

// The station factor, the rotated grid and wake march, the farm power, the inverse search and
// the drawing geometry of the theoretical model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "utiles_mt.h"

namespace {

TVectR Vector(const std::vector<double>& v) { return TVectR::CreateDesdeDA(1, v); }

TCurvaAerogen Curva2MW(double D = 80) {
  std::vector<double> v,
      p = {0.066, 0.152, 0.28, 0.457, 0.69, 0.978, 1.296, 1.598, 1.818, 1.935, 1.98, 1.995,
           2,     2,     2,    2,     2,    2,     2,     2,     2,     2,     2};
  for (int i = 3; i <= 25; ++i) v.push_back(i);
  return TCurvaAerogen::Create(1, "G80-2.0MW", D, Vector(v), Vector(p));
}

struct Punto {
  double x, y, etha = 1;
};

struct Parametros {
  double alfa = 0.5, gamma = 0.4, fpv3pe = 1.8, factor = 0.035, pNom = 0, pAut = 0;
  double dx = 9, dy = 1, margen = 1000;
};

std::unique_ptr<TParque_ModeloTeorico> Modelo(const std::vector<Punto>& puntos, const Parametros& p,
                                              const TCurvaAerogen& curva = Curva2MW()) {
  auto m = std::make_unique<TParque_ModeloTeorico>();
  for (const Punto& q : puntos) {
    TMolino t;
    t.curva = curva;
    t.etha = q.etha;
    t.posicion = TPosicion::Create(q.x, q.y);
    m->molinos.push_back(std::move(t));
  }
  m->nMolinos = static_cast<int32_t>(puntos.size());
  m->alfa_terreno = p.alfa;
  m->gamma_atmosfera = p.gamma;
  m->fpv3pe = p.fpv3pe;
  m->factor_perdidas = p.factor;
  m->potencia_autorizada_mw = p.pAut > 0 ? p.pAut : 2.0 * static_cast<double>(puntos.size());
  m->potencia_nominal = p.pNom > 0 ? p.pNom : m->potencia_autorizada_mw;
  m->grilla_rotada_dx = p.dx;
  m->grilla_rotada_dy = p.dy;
  m->grilla_rotada_margen_dx = p.margen;
  m->meteo_etha = TMatR(72, 1);
  m->meteo_etha.LlenarUnos();
  m->CalcularCurvaEquivalente();
  return m;
}

std::vector<double> Numeros(const std::string& linea, std::string& clave) {
  std::istringstream ss(linea);
  ss >> clave;
  std::vector<double> v;
  std::string t;
  while (ss >> t) v.push_back(TextoAReal(t));
  return v;
}

void ExpectCerca(double esperado, double obtenido, double escala, const std::string& que) {
  EXPECT_NEAR(obtenido, esperado, 1e-12 * std::max(escala, std::fabs(esperado))) << que;
}

}  // namespace

namespace {
// 72 sectors and 10 bins with centres 1e-4 .. 1e-3 MW/m2.
std::unique_ptr<TParque_ModeloEmpirico> Empirico() {
  auto e = std::make_unique<TParque_ModeloEmpirico>();
  e->aTramo = TMatR(72, 10);
  e->bordesPv3 = TVectR(11);
  e->centrosPv3 = TVectR(10);
  for (int j = 1; j <= 11; ++j) e->bordesPv3.pv[j] = (j - 0.5) * 1e-4;
  for (int j = 1; j <= 10; ++j) e->centrosPv3.pv[j] = j * 1e-4;
  return e;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Against the independent Python reference of the set-up and the march.

TEST(MarchaEstela, ContraReferenciaPython) {
  std::ifstream f(FixtureMT("marcha_ref.txt"));
  ASSERT_TRUE(f.good());
  std::string linea, clave;
  std::vector<double> curva;
  std::vector<Punto> puntos;
  Parametros par;
  std::unique_ptr<TParque_ModeloTeorico> m;
  int casos = 0, molino = 0, fila = 0;
  double libre = 0;
  while (std::getline(f, linea)) {
    const std::vector<double> v = Numeros(linea, clave);
    if (clave == "curva") {
      curva = v;
    } else if (clave == "molino") {
      puntos.push_back({v[0], v[1], v[2]});
    } else if (clave == "parametros") {
      par = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]};
      const int n = static_cast<int>(curva[0]);
      const std::vector<double> vel(curva.begin() + 1, curva.begin() + 1 + n),
          pot(curva.begin() + 1 + n, curva.begin() + 1 + 2 * n);
      m = Modelo(puntos, par,
                 TCurvaAerogen::Create(1, "ref", curva.back(), Vector(vel), Vector(pot)));
    } else if (clave == "caso") {
      SCOPED_TRACE(linea);
      m->PrepararGrilla(true, v[0], 0);
      libre = v[1];
      double dpvMastil = -1;
      m->RecorrerGrilla(dpvMastil, v[2], v[1], v[3]);
      ++casos;
      molino = 0;
      fila = 0;
      std::getline(f, linea);
      const std::vector<double> g = Numeros(linea, clave);
      ASSERT_EQ(clave, "grilla");
      EXPECT_EQ(m->Grilla().nc, g[0] + 1);
      EXPECT_EQ(m->Grilla().nf, g[1] + 1);
      ExpectCerca(g[2], m->celdaDx, 1, "celdaDx");
      ExpectCerca(g[3], m->celdaDy, 1, "celdaDy");
      ExpectCerca(g[4], m->cLateral, 1, "cLateral");
      ExpectCerca(g[5], m->rRecuperacion, 1, "rRecuperacion");
      std::vector<double> pneta;
      // The march again, to read its result: a second march on the same grid is identical.
      double dm2 = 0;
      const double p = m->RecorrerGrilla(dm2, v[2], v[1], v[3]);
      EXPECT_EQ(dm2, dpvMastil);
      while (std::getline(f, linea)) {
        const std::vector<double> r = Numeros(linea, clave);
        if (clave == "turbina") {
          const TMolino& t = m->molinos.at(static_cast<size_t>(molino++));
          EXPECT_EQ(t.posicion.fila, r[0]);
          EXPECT_EQ(t.posicion.columnaIni, r[1]);
          EXPECT_EQ(t.posicion.columnaFin, r[2]);
          ExpectCerca(r[3], t.dpvMedia, libre, "dpvMedia");
          ExpectCerca(r[4], t.potencia, 1, "potencia");
        } else if (clave == "marcha") {
          EXPECT_EQ(p, r[0]);  // single precision: the same float
          EXPECT_EQ(m->pasadasUltimaMarcha, r[1]);
          ExpectCerca(r[2], dpvMastil, libre, "dpvMastil");
        } else if (clave == "fila") {
          ++fila;
          ASSERT_EQ(static_cast<int>(r.size()), m->Grilla().nc);
          for (int j = 1; j <= m->Grilla().nc; ++j)
            ExpectCerca(r[static_cast<size_t>(j - 1)], m->Grilla().Elemento(fila, j), libre,
                        "fila " + std::to_string(fila) + " columna " + std::to_string(j));
        } else if (clave == "fin") {
          EXPECT_EQ(fila, m->Grilla().nf);
          break;
        }
      }
    }
  }
  EXPECT_EQ(casos, 5);
}

// ---------------------------------------------------------------------------------------------
// Invariants that need no reference values.

// The march visits only the rows with turbines and propagates rows in a vectorisable loop; it
// must give, to the last bit, what the row-by-row statement of the algorithm gives with the
// model's own PropagarFila and TMolino::ProcesarFila on rows held as vectors.
TEST(MarchaEstela, IgualBitABitAlAlgoritmoDirecto) {
  // Two turbines share a row (list order matters there) and one rotor reaches the side column.
  auto m = Modelo({{0, 0}, {0, 500}, {200, 500}, {-350, -700}, {640, 100}},
                  {.dx = 9, .dy = 2, .margen = 700});
  m->molinos[4].etha = 0.93;
  const double V = DensidadPotenciaViento(11, 1.225), rho = 1.2;
  for (double dir : {0.0, 90.0, 123.4}) {
    SCOPED_TRACE(dir);
    m->PrepararGrilla(true, dir, 0);
    double d = 0;
    m->RecorrerGrilla(d, rho, V, 1e9);
    const int nf = m->Grilla().nf, nc = m->Grilla().nc;
    std::vector<TMolino> t = m->molinos;
    std::vector<TVectR> g(static_cast<size_t>(nf) + 1, TVectR(nc));
    for (int j = 1; j <= nc; ++j) g[1].pv[j] = V;
    for (TMolino& x : t) x.ProcesarFila(1, g[1], m->fpv3pe, 1, rho);
    for (int i = 2; i <= nf; ++i) {
      g[i].pv[1] = V;
      g[i].pv[nc] = V;
      m->PropagarFila(g[i], g[i - 1]);
      for (TMolino& x : t) x.ProcesarFila(i, g[i], m->fpv3pe, 1, rho);
    }
    for (int i = 1; i <= nf; ++i)
      for (int j = 1; j <= nc; ++j)
        ASSERT_EQ(m->Grilla().Elemento(i, j), g[i].pv[j]) << i << "," << j;
    for (size_t k = 0; k < t.size(); ++k) EXPECT_EQ(m->molinos[k].potencia, t[k].potencia) << k;
  }
}

TEST(MarchaEstela, SinMolinosQuedaLaCorrienteLibre) {
  auto m = Modelo({}, {.margen = 300});
  for (double dir : {0.0, 33.0, 270.0}) {
    m->PrepararGrilla(true, dir, 0);
    double dpvMastil = 0;
    const double V = DensidadPotenciaViento(8.5, 1.225);
    EXPECT_EQ(m->RecorrerGrilla(dpvMastil, 1.225, V, 1e9), 0.0);
    for (int i = 1; i <= m->Grilla().nf; ++i)
      for (int j = 1; j <= m->Grilla().nc; ++j)
        ASSERT_NEAR(m->Grilla().Elemento(i, j), V, 1e-14 * V) << i << "," << j;
    EXPECT_NEAR(dpvMastil, V * m->factorMeteo, 1e-14 * V);
    EXPECT_FALSE(m->curvaEquivalente);
  }
}

// A farm symmetric under a quarter turn: turning the wind by 90 degrees permutes the turbines'
// powers, and leaves the farm power and the mast density unchanged.
TEST(MarchaEstela, SimetriaDeCuartoDeVuelta) {
  // Turning the farm clockwise by 90 degrees maps (x, y) to (y, -x): 0 -> 3 -> 2 -> 1 -> 0.
  auto m =
      Modelo({{230, 0}, {0, 230}, {-230, 0}, {0, -230}, {0, 0}}, {.dx = 5, .dy = 2, .margen = 400});
  const int imagen[] = {3, 0, 1, 2, 4};
  const double V = DensidadPotenciaViento(9, 1.225);
  for (double dir : {0.0, 17.0, 30.0, 45.0, 200.0}) {
    SCOPED_TRACE(dir);
    m->PrepararGrilla(true, dir, 0);
    double mastil1 = 0;
    const double p1 = m->RecorrerGrilla(mastil1, 1.225, V, 1e9);
    std::vector<double> pot1;
    for (const TMolino& t : m->molinos) pot1.push_back(t.potencia);
    m->PrepararGrilla(true, dir + 90, 0);
    double mastil2 = 0;
    const double p2 = m->RecorrerGrilla(mastil2, 1.225, V, 1e9);
    EXPECT_NEAR(p2, p1, 1e-6);  // single precision
    EXPECT_NEAR(mastil2, mastil1, 1e-9 * V);
    for (int i = 0; i < 5; ++i)
      EXPECT_NEAR(m->molinos[static_cast<size_t>(imagen[i])].potencia, pot1[static_cast<size_t>(i)],
                  1e-9)
          << i;
  }
}

TEST(MarchaEstela, SinMezclaElDeficitDecaeGeometricamente) {
  // alfa = 0: no lateral spreading, so behind the rotor u_k = V + (u_0 - V)(1 - rRec)^k.
  auto m = Modelo({{0, 0}}, {.alfa = 0, .gamma = 0.4, .dx = 9, .dy = 1, .margen = 200});
  m->PrepararGrilla(true, 0, 0);
  EXPECT_EQ(m->cLateral, 0.0);
  const double V = DensidadPotenciaViento(10, 1.225);
  double dpvMastil = 0;
  m->RecorrerGrilla(dpvMastil, 1.225, V, 1e9);
  const TPosicion& p = m->molinos[0].posicion;
  const int jc = (p.columnaIni + p.columnaFin) / 2;
  const double u0 = m->Grilla().Elemento(p.fila, jc);
  EXPECT_LT(u0, V);
  const double r = m->rRecuperacion;
  for (int k = 1; p.fila + k <= m->Grilla().nf; k += 7)
    EXPECT_NEAR(m->Grilla().Elemento(p.fila + k, jc), V + (u0 - V) * std::pow(1 - r, k), 1e-13 * V)
        << k;
  // Outside the rotor's columns the flow never felt it.
  EXPECT_NEAR(m->Grilla().Elemento(m->Grilla().nf, p.columnaIni - 1), V, 1e-15 * V);
}

TEST(MarchaEstela, DimensionesYFilasDeLaGrilla) {
  // One turbine at the mast, margin 1000 m, cells 9 m x 1 m: 2000 m x 1000 m,
  // nx = Trunc(2000/9 + 0.999) = 223 and ny = Trunc(1000 + 0.999) = 1000.
  auto m = Modelo({{0, 0}}, {});
  m->PrepararGrilla(true, 0, 0);
  EXPECT_EQ(m->Grilla().nc, 224);
  EXPECT_EQ(m->Grilla().nf, 1001);
  EXPECT_DOUBLE_EQ(m->celdaDx, 2000.0 / 223);
  EXPECT_EQ(m->celdaDy, 1.0);
  EXPECT_NEAR(m->cLateral, 0.5 * (1 - std::exp(-0.5 / (2000.0 / 223))), 1e-16);
  EXPECT_NEAR(m->rRecuperacion, 1 - std::exp(-0.4 / 500), 1e-16);

  // Direction 0 (from the north): the northern turbine is upwind, on an earlier row.
  // Direction 90 (from the east): the eastern one is.
  auto dos = Modelo({{0, -500}, {0, 500}, {700, 0}}, {});
  dos->PrepararGrilla(true, 0, 0);
  EXPECT_LT(dos->molinos[1].posicion.fila, dos->molinos[0].posicion.fila);
  dos->PrepararGrilla(true, 90, 0);
  EXPECT_LT(dos->molinos[2].posicion.fila, dos->molinos[1].posicion.fila);
  EXPECT_EQ(dos->molinos[0].posicion.fila, dos->molinos[1].posicion.fila);
  // Turbines and mast on one line across the wind: the extent along it is the margin alone.
  auto linea = Modelo({{-300, 0}, {300, 0}}, {.margen = 100});
  linea->PrepararGrilla(true, 0, 0);
  EXPECT_NEAR(linea->grillaYMax - linea->grillaYMin, 100, 1e-9);
  EXPECT_NEAR(linea->grillaXMax - linea->grillaXMin, 800, 1e-9);
}

TEST(MarchaEstela, ColumnasRedondeanAlParMasCercano) {
  // Direction 180 leaves x as it is. A turbine at x = 10 with margin 100 and dx 10: XMin = -100,
  // width 210, 21 cells of exactly 10 m. D = 90 puts the rotor's edges at (10 -+ 45 + 100)/10 =
  // 6.5 and 15.5, which round to 6 and 16 (even); D = 70 gives 7.5 and 14.5 -> 8 and 14.
  struct Caso {
    double D;
    int ini, fin;
  } casos[] = {{90, 7, 17}, {70, 9, 15}};
  for (const auto& c : casos) {
    auto m = Modelo({{10, 0}}, {.dx = 10, .dy = 10, .margen = 100}, Curva2MW(c.D));
    m->PrepararGrilla(true, 180, 0);
    EXPECT_EQ(m->grillaXMin, -100.0);
    EXPECT_EQ(m->celdaDx, 10.0);
    EXPECT_EQ(m->molinos[0].posicion.columnaIni, c.ini) << c.D;
    EXPECT_EQ(m->molinos[0].posicion.columnaFin, c.fin) << c.D;
  }
}

TEST(MarchaEstela, PasadasYLimite) {
  auto m = Modelo({{0, 0}, {0, 700}, {350, 0}}, {});
  m->PrepararGrilla(true, 270, 0);
  const double V = DensidadPotenciaViento(12, 1.225);
  double d1 = 0, d2 = 0;
  const double libre = m->RecorrerGrilla(d1, 1.225, V, 1e9);
  EXPECT_EQ(m->pasadasUltimaMarcha, 1);
  // pTope above the authorised power changes nothing.
  EXPECT_EQ(m->RecorrerGrilla(d2, 1.225, V, m->potencia_autorizada_mw), libre);
  EXPECT_EQ(d2, d1);
  // Held at a limit below the free power: repeated passes and exactly the limit (in float).
  const double tope = 3.5;
  const double limitado = m->RecorrerGrilla(d2, 1.225, V, tope);
  EXPECT_GT(m->pasadasUltimaMarcha, 1);
  EXPECT_LE(m->pasadasUltimaMarcha, 11);
  EXPECT_NEAR(limitado, tope, 1e-6);
  EXPECT_LE(limitado, static_cast<double>(static_cast<float>(tope)));
  // A limit of 0 gives 0, and a negative limit is taken as 0.
  EXPECT_EQ(m->RecorrerGrilla(d2, 1.225, V, 0), 0.0);
  EXPECT_EQ(m->RecorrerGrilla(d2, 1.225, V, -5), 0.0);
}

TEST(MarchaEstela, DensidadEnPunto) {
  auto m = Modelo({{0, 300}, {100, -200}}, {.dx = 7, .dy = 3, .margen = 150});
  m->PrepararGrilla(true, 30, 0);
  EXPECT_EQ(m->DPVEnPunto({0, 0}), 0.0);  // before the first march the grid reads 0
  double d = 0;
  m->RecorrerGrilla(d, 1.225, DensidadPotenciaViento(9, 1.225), 1e9);
  // Back from the rotated frame: a grid node (i, j) sits at rotated (x, y), rotated back by -theta.
  auto nodo = [&](int i, int j) {
    const double xr = m->grillaXMin + (j - 1) * m->celdaDx,
                 yr = m->grillaYMin + (i - 1) * m->celdaDy;
    const double c = m->versor.x, s = m->versor.y;
    return TPuntoXY{c * xr + s * yr, -s * xr + c * yr};
  };
  for (auto [i, j] : {std::pair{1, 1}, std::pair{17, 23}, std::pair{60, 5}})
    EXPECT_NEAR(m->DPVEnPunto(nodo(i, j)), m->Grilla().Elemento(i, j),
                1e-12 * m->Grilla().Elemento(i, j));
  // Halfway between two nodes of a row: their mean.
  const TPuntoXY a = nodo(40, 30), b = nodo(40, 31);
  EXPECT_NEAR(m->DPVEnPunto({(a.x + b.x) / 2, (a.y + b.y) / 2}),
              (m->Grilla().Elemento(40, 30) + m->Grilla().Elemento(40, 31)) / 2, 1e-12);
  // The far border reads the last row; outside the grid is 0.
  const int nf = m->Grilla().nf;
  EXPECT_NEAR(m->DPVEnPunto(nodo(nf, 12)), m->Grilla().Elemento(nf, 12), 1e-12);
  EXPECT_EQ(m->DPVEnPunto({1e5, 0}), 0.0);
  EXPECT_EQ(m->DPVEnPunto({std::nan(""), 0}), 0.0);
}

TEST(MarchaEstela, PropagarFilaSinInterior) {
  auto m = Modelo({}, {.margen = 50});
  m->PrepararGrilla(true, 0, 0);
  m->dpvLibre = 5;
  TVectR d = Vector({1, 2}), o = Vector({3, 4});
  m->PropagarFila(d, o);
  EXPECT_EQ(d, Vector({1, 2}));
  TVectR d3 = Vector({1, 2, 3});
  m->PropagarFila(d3, Vector({3, 4, 5}));
  EXPECT_EQ(d3.pv[1], 1.0);
  EXPECT_EQ(d3.pv[3], 3.0);
  EXPECT_DOUBLE_EQ(d3.pv[2],
                   (m->cLateral * 8 + m->cCentral * 4) * m->unoMenosR + m->rRecuperacion * 5);
}

TEST(MarchaEstela, ErroresDeLaGrilla) {
  auto cero = Modelo({{0, 0}}, {.dx = 0});
  EXPECT_THROW_MSG(cero->PrepararGrilla(true, 0, 0), EErrorGeneral,
                   "Tamaño de celda inválido en la grilla rotada: dx = 0 m, dy = 1 m");
  auto nan = Modelo({{0, 0}}, {.dy = std::nan("")});
  EXPECT_THROW(nan->PrepararGrilla(true, 0, 0), EErrorGeneral);
  auto vacia = Modelo({{0, 0}}, {.margen = 0});
  EXPECT_THROW_MSG(
      vacia->PrepararGrilla(true, 0, 0), EErrorGeneral,
      "La grilla rotada no tiene extensión (0 m x 0 m); revise el margen y las posiciones de los "
      "molinos");
  // A turbine 400 km away (another UTM zone) would ask for a 44,667 x 201,000 cell grid.
  auto lejos = Modelo({{0, 0}, {400000, 200000}}, {});
  EXPECT_THROW_MSG(lejos->PrepararGrilla(true, 0, 0), EErrorGeneral,
                   "Grilla demasiado grande (44667 x 201000 celdas); revise las coordenadas de los "
                   "molinos y del "
                   "mástil");
  // A march without a set-up.
  auto sin = Modelo({{0, 0}}, {});
  double d = 0;
  EXPECT_THROW(sin->RecorrerGrilla(d, 1.225, 1e-4, 10), EErrorGeneral);
  // A margin below half a rotor diameter: the rotor is clamped to the grid.
  auto estrecho = Modelo({{0, 0}}, {.dx = 5, .dy = 5, .margen = 10});
  estrecho->PrepararGrilla(true, 45, 0);
  EXPECT_EQ(estrecho->molinos[0].posicion.columnaIni, 1);
  EXPECT_EQ(estrecho->molinos[0].posicion.columnaFin, estrecho->Grilla().nc);
  EXPECT_GT(estrecho->RecorrerGrilla(d, 1.225, DensidadPotenciaViento(9, 1.225), 10), 0.0);
}

// A refused set-up has already written the new extent: the previous grid's cells must not be
// read with it. A margin of 1e12 m refused as too large, then a point 5e11 m away: inside the
// new extent, 5.5e10 old cells of 9 m from its edge.
TEST(MarchaEstela, GrillaRechazadaNoDejaLaAnterior) {
  auto m = Modelo({{0, 0}, {300, 200}}, {});
  m->PrepararGrilla(true, 0, 0);
  double d = 0;
  const double V = DensidadPotenciaViento(9, 1.225);
  m->RecorrerGrilla(d, 1.225, V, 1e9);
  m->grilla_rotada_margen_dx = 1e12;
  EXPECT_THROW(m->PrepararGrilla(true, 0, 0), EErrorGeneral);
  EXPECT_FALSE(m->GrillaPreparada());
  EXPECT_EQ(m->DPVEnPunto({5e11, 0}), 0.0);
  EXPECT_THROW_MSG(m->RecorrerGrilla(d, 1.225, V, 1e9), EErrorGeneral,
                   "La grilla rotada no está preparada para los molinos del modelo");
  m->grilla_rotada_margen_dx = 1000;
  m->PrepararGrilla(true, 0, 0);
  EXPECT_GT(m->RecorrerGrilla(d, 1.225, V, 1e9), 0.0);
  // A turbine that cannot be placed stops the set-up, the second turbine moved: no march on
  // the previous grid's places.
  m->molinos[0].posicion.punto.x = std::nan("");
  m->molinos[1].posicion.punto.x = -2000;
  EXPECT_ANY_THROW(m->PrepararGrilla(true, 0, 0));
  EXPECT_THROW_MSG(m->RecorrerGrilla(d, 1.225, V, 1e9), EErrorGeneral,
                   "La grilla rotada no está preparada para los molinos del modelo");
}

// Everything a later reader sees of a grid and its last march, to the last bit.
std::string EstadoGrilla(TParque_ModeloTeorico& m) {
  std::ostringstream s;
  s << std::hexfloat << m.direccion << " " << m.factorMeteo << " " << m.usaFactorMeteo << " "
    << m.grillaXMin << " " << m.grillaXMax << " " << m.grillaYMin << " " << m.grillaYMax << " "
    << m.celdaDx << " " << m.celdaDy << " " << m.cLateral << " " << m.rRecuperacion << " "
    << m.dpvLibre << " " << m.pasadasUltimaMarcha << "\n";
  for (const TMolino& t : m.molinos)
    s << t.posicion.fila << " " << t.posicion.columnaIni << " " << t.posicion.columnaFin << " "
      << t.potencia << " " << t.dpvMedia << "\n";
  const TGrillaDPV& g = m.Grilla();
  s << g.nf << "x" << g.nc << " " << g.vacia << "\n";
  for (int32_t i = 1; i <= g.nf; ++i)
    for (int32_t j = 1; j <= g.nc; ++j) s << g.Elemento(i, j) << " ";
  return s.str();
}

// A refused set-up, wherever it stops (up front, at the cell sizes, at the extent, at the
// size, at the station factor, while placing the turbines), leaves no grid and no turbine on
// one, on an empty farm as well; a good set-up afterwards gives what a fresh model gives, in
// the buffer it had.
TEST(MarchaEstela, PreparacionRechazadaNoDejaGrilla) {
  const double nan = std::nan(""), inf = INFINITY;
  auto e = Empirico();
  e->aTramo.LlenarUnos();
  struct Caso {
    std::vector<Punto> puntos;
    double direccion = 30;
    Parametros p;
    bool conFactor = false;
    double dpv = 0;
    double diametro = 80;
    const char* mensaje;  // nullptr: any EErrorGeneral
  } casos[] = {
      {{{0, 0}, {300, 200}}, nan, {}, false, 0, 80,
       "Dirección del viento inválida en la grilla rotada: Nan"},
      {{{0, 0}, {300, 200}}, inf, {}, false, 0, 80,
       "Dirección del viento inválida en la grilla rotada: +Inf"},
      {{}, -inf, {}, false, 0, 80, "Dirección del viento inválida en la grilla rotada: -Inf"},
      {{}, nan, {}, false, 0, 80, "Dirección del viento inválida en la grilla rotada: Nan"},
      {{{0, 0}, {nan, 200}}, 30, {}, false, 0, 80,
       "Posición inválida del molino 2 (nid=0) en la grilla rotada: x = Nan m, y = 200 m"},
      {{{0, -inf}, {300, 200}}, 30, {}, false, 0, 80,
       "Posición inválida del molino 1 (nid=0) en la grilla rotada: x = 0 m, y = -Inf m"},
      {{{0, 0}, {300, 200}}, 30, {.dx = 0}, false, 0, 80,
       "Tamaño de celda inválido en la grilla rotada: dx = 0 m, dy = 10 m"},
      {{{0, 0}}, 0, {.margen = 0}, false, 0, 80, nullptr},
      {{{0, 0}, {300, 200}}, 30, {.margen = 1e12}, false, 0, 80, nullptr},
      {{{0, 0}, {300, 200}}, 30, {}, true, nan, 80, nullptr},
      // A rotor whose diameter is not a number is met only when its columns are rounded,
      // after the new grid's shape is set.
      {{{0, 0}, {300, 200}}, 30, {}, false, 0, nan, nullptr},
  };
  const double V = DensidadPotenciaViento(9, 1.225);
  // Cells of 20 m x 10 m: a small grid to compare cell by cell.
  const Parametros base{.dx = 20, .dy = 10};
  for (size_t k = 0; k < std::size(casos); ++k) {
    const Caso& c = casos[k];
    std::vector<Punto> buenos = c.puntos;
    for (Punto& q : buenos) {
      if (!std::isfinite(q.x)) q.x = -150;
      if (!std::isfinite(q.y)) q.y = 120;
    }
    auto m = Modelo(buenos, base);
    m->modeloEmpirico = e.get();
    double d = 0;
    m->PrepararGrilla(true, 200, 0);
    m->RecorrerGrilla(d, 1.225, V, 1e9);
    const NReal* buffer = m->Grilla().Fila(1);
    // The refused set-up, with the bad values in place.
    for (size_t t = 0; t < c.puntos.size(); ++t) {
      m->molinos[t].posicion.punto = {c.puntos[t].x, c.puntos[t].y};
      m->molinos[t].curva.diametro = c.diametro;
    }
    m->grilla_rotada_dx = c.p.dx == Parametros{}.dx ? base.dx : c.p.dx;
    m->grilla_rotada_margen_dx = c.p.margen;
    if (c.mensaje)
      EXPECT_THROW_MSG(m->PrepararGrilla(!c.conFactor, c.direccion, c.dpv), EErrorGeneral,
                       c.mensaje);
    else
      EXPECT_THROW(m->PrepararGrilla(!c.conFactor, c.direccion, c.dpv), EErrorGeneral) << k;
    EXPECT_FALSE(m->GrillaPreparada()) << k;
    for (const TMolino& t : m->molinos) {
      EXPECT_EQ(t.posicion.fila, 0) << k;
      EXPECT_EQ(t.posicion.columnaIni, 0) << k;
      EXPECT_EQ(t.posicion.columnaFin, 0) << k;
    }
    EXPECT_EQ(m->Grilla().nf, 0) << k;
    EXPECT_EQ(m->DPVEnPunto({0, 0}), 0.0) << k;
    const char* sinGrilla = "La grilla rotada no está preparada para los molinos del modelo";
    for (const int32_t fila : {0, 1, 2})
      EXPECT_THROW_MSG(m->ProcesarMolinosDeFila(fila, 1, 1.225), EErrorGeneral, sinGrilla);
    EXPECT_THROW_MSG(m->RecorrerGrilla(d, 1.225, V, 1e9), EErrorGeneral, sinGrilla);

    // The good values back: the same set-up and march as on a fresh model.
    for (size_t t = 0; t < buenos.size(); ++t) {
      m->molinos[t].posicion.punto = {buenos[t].x, buenos[t].y};
      m->molinos[t].curva.diametro = 80;
    }
    m->grilla_rotada_dx = base.dx;
    m->grilla_rotada_margen_dx = base.margen;
    auto fresco = Modelo(buenos, base);
    fresco->modeloEmpirico = e.get();
    for (TParque_ModeloTeorico* x : {m.get(), fresco.get()}) {
      x->PrepararGrilla(false, 200, V);
      x->RecorrerGrilla(d, 1.225, V, 1e9);
    }
    EXPECT_EQ(EstadoGrilla(*m), EstadoGrilla(*fresco)) << k;
    EXPECT_EQ(m->Grilla().Fila(1), buffer) << k;
  }
}

// A buffer that cannot be allocated leaves no grid, and a later shape within the capacity the
// buffer had before gets a buffer of its own instead of the freed one.
TEST(MarchaEstela, BufferNoObtenidoNoQuedaComoGrilla) {
  TGrillaDPV g;
  g.Dimensionar(10, 10);
  // (2^31 - 1)^2 cells of 8 bytes are beyond size_t: new[] refuses them at once.
  EXPECT_THROW(g.Dimensionar(INT32_MAX, INT32_MAX), std::bad_alloc);
  EXPECT_FALSE(g.Existe());
  g.Dimensionar(5, 5);
  g.Fila(5)[4] = 2.5;
  EXPECT_EQ(g.Elemento(5, 5), 2.5);
}

// ---------------------------------------------------------------------------------------------
// Station factor

TEST(FactorMeteo, TablaDeSectoresYTramos) {
  auto e = Empirico();
  auto m = Modelo({{0, 0}}, {});
  m->meteo_etha = TMatR(72, 10);
  for (int k = 1; k <= 72; ++k)
    for (int j = 1; j <= 10; ++j)
      m->meteo_etha.PonerElemento(k, j, 100 * k + j);  // shows the cells used
  m->modeloEmpirico = e.get();
  struct Caso {
    double dir, dpv, f;
  } casos[] = {
      {0, 5e-5, 101},         {0, 1e-4, 101},     {2.5, 5e-5, 151},  // sectors 1 and 2 halved
      {357.5, 5e-5, 3651},    {360, 5e-5, 101},   {-5, 5e-5, 7201},  // -5 is 355: sector 72
      {0, 3e-4, 103},         {0, 2.5e-4, 102.5}, {2.5, 2.5e-4, 152.5},
      {1.25, 7.5e-4, 132.5},  {0, 1e-3, 110},     {0, 5e-3, 110},  // above the last centre
      {720 + 2.5, 5e-5, 151},
  };
  for (const auto& c : casos) {
    m->direccion = c.dir;
    EXPECT_NEAR(m->CalcularFactorMeteo(c.dpv), c.f, 1e-9) << c.dir << " " << c.dpv;
    EXPECT_EQ(m->factorMeteo, m->CalcularFactorMeteo(c.dpv));
  }
  // The set-up stores it, and uses 1 when asked to leave it out.
  m->PrepararGrilla(false, 2.5, 2.5e-4);
  EXPECT_NEAR(m->factorMeteo, 152.5, 1e-9);
  EXPECT_TRUE(m->usaFactorMeteo);
  m->PrepararGrilla(true, 2.5, 2.5e-4);
  EXPECT_EQ(m->factorMeteo, 1.0);
  EXPECT_FALSE(m->usaFactorMeteo);
  m->direccion = std::nan("");
  EXPECT_THROW(m->CalcularFactorMeteo(1e-4), EErrorGeneral);
}

TEST(FactorMeteo, MatricesMenoresYSinModeloVinculado) {
  auto e = Empirico();
  auto m = Modelo({{0, 0}}, {});
  // Without a linked empirical model the factor is 1.
  m->direccion = 10;
  EXPECT_EQ(m->CalcularFactorMeteo(5e-4), 1.0);
  m->modeloEmpirico = e.get();
  // 72 x 1: one factor per sector whatever the density.
  for (int k = 1; k <= 72; ++k) m->meteo_etha.PonerElemento(k, 1, 1 + k / 100.0);
  for (double dpv : {5e-5, 4.5e-4, 2e-3})
    EXPECT_NEAR(m->CalcularFactorMeteo(dpv), 1.03, 1e-12) << dpv;
  // 1 x 1: a constant.
  m->meteo_etha = TMatR(1, 1);
  m->meteo_etha.PonerElemento(1, 1, 0.9);
  for (double dir : {0.0, 123.0, 357.5}) {
    m->direccion = dir;
    EXPECT_NEAR(m->CalcularFactorMeteo(6.3e-4), 0.9, 1e-15);
  }
}

// ---------------------------------------------------------------------------------------------
// Farm power and inverse search

TEST(PotenciaParque, PuntoFijoEnElMastil) {
  // A 10 x 5 array, 350 m across and 700 m between rows, the mast in its middle.
  std::vector<Punto> p;
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 5; ++j) p.push_back({-1575 + 350.0 * i, -1400 + 700.0 * j + 350});
  auto m = Modelo(p, {.dx = 9, .dy = 3, .margen = 600});
  for (double dir : {0.0, 45.0, 90.0, 270.0}) {
    SCOPED_TRACE(dir);
    m->PrepararGrilla(true, dir, 0);
    const double medida = DensidadPotenciaViento(9, 1.225);
    bool convergio = false;
    double dpvMastil = 0, libre = 0;
    const double P =
        m->PotenciaParque(convergio, dpvMastil, 1.225, medida, m->potencia_autorizada_mw, libre);
    ASSERT_TRUE(convergio);
    EXPECT_LT(std::fabs(dpvMastil / medida - 1), 0.01);
    EXPECT_GT(P, 0.0);
    EXPECT_LE(P, m->potencia_autorizada_mw);
    EXPECT_GE(m->marchasUltimaPotencia, 1);
    EXPECT_LE(m->marchasUltimaPotencia, 101);
  }
}

TEST(PotenciaParque, MastilFueraDeLasEstelasYCasosLimite) {
  // Every turbine downwind of the mast: the first march already reads dpvMedida at the mast.
  auto m = Modelo({{0, -400}, {300, -800}}, {.dx = 9, .dy = 2, .margen = 500});
  m->PrepararGrilla(true, 0, 0);  // from the north: the turbines to the south are downwind
  bool convergio = false;
  double dpvMastil = -7, libre = -7;
  const double medida = DensidadPotenciaViento(8, 1.225);
  m->PotenciaParque(convergio, dpvMastil, 1.225, medida, 1e9, libre);
  EXPECT_TRUE(convergio);
  EXPECT_EQ(m->marchasUltimaPotencia, 1);
  EXPECT_NEAR(libre, medida, 1e-15);
  // With a station factor the mast reads the free stream times the factor, so the free stream
  // found is dpvMedida / factor, still in one march.
  auto e = Empirico();
  m->modeloEmpirico = e.get();
  m->meteo_etha.LlenarUnos();
  m->meteo_etha.MultiplicarPorEscalar(0.9);
  m->PrepararGrilla(false, 0, medida);
  EXPECT_EQ(m->factorMeteo, 0.9);
  m->PotenciaParque(convergio, dpvMastil, 1.225, medida, 1e9, libre);
  EXPECT_TRUE(convergio);
  EXPECT_EQ(m->marchasUltimaPotencia, 1);
  EXPECT_NEAR(libre, medida / 0.9, 1e-15);
  EXPECT_NEAR(dpvMastil, medida, 1e-15);
  // No wind: 0 without a march, the outputs untouched.
  convergio = true;
  dpvMastil = libre = -7;
  EXPECT_EQ(m->PotenciaParque(convergio, dpvMastil, 1.225, 0, 1e9, libre), 0.0);
  EXPECT_EQ(m->marchasUltimaPotencia, 0);
  EXPECT_TRUE(convergio);
  EXPECT_EQ(dpvMastil, -7);
  EXPECT_EQ(libre, -7);
  // A station factor of 0 leaves nothing to divide by: 0 and no convergence.
  m->factorMeteo = 0;
  EXPECT_EQ(m->PotenciaParque(convergio, dpvMastil, 1.225, medida, 1e9, libre), 0.0);
  EXPECT_FALSE(convergio);
  EXPECT_EQ(libre, -7);
}

TEST(VelocidadParaPotencia, BuscaLaVelocidadDeUnaPotencia) {
  std::vector<Punto> p;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 2; ++j) p.push_back({-700 + 350.0 * i, -350 + 700.0 * j});
  auto m = Modelo(p, {.dx = 9, .dy = 3, .margen = 500});  // 10 turbines, 20 MW authorised
  m->PrepararGrilla(true, 240, 0);
  for (double objetivo : {3.0, 9.5, 15.0}) {
    SCOPED_TRACE(objetivo);
    bool convergio = false;
    double libre = 0;
    const double v = m->VelocidadParaPotencia(libre, convergio, objetivo);
    EXPECT_GT(v, 0.0);
    EXPECT_LE(v, 20.0);
    bool c2 = false;
    double mastil = 0, libre2 = 0;
    const double P =
        m->PotenciaParque(c2, mastil, 1.225, DensidadPotenciaViento(v, 1.225), 20, libre2);
    EXPECT_TRUE(convergio);
    EXPECT_LE(std::fabs(P - objetivo), 1.0);
  }
  // Exactly the authorised power is searched (the test is strict): its first trial is 20 m/s,
  // where the net power, less the losses, stays below 20 MW; the bracket closes at 20.
  bool convergio = true;
  double libre = 0;
  EXPECT_EQ(m->VelocidadParaPotencia(libre, convergio, 20.0), 20.0);
  EXPECT_FALSE(convergio);
  EXPECT_GT(libre, 0.0);
  convergio = true;
  libre = 0;
  EXPECT_EQ(m->VelocidadParaPotencia(libre, convergio, 20.0001), 20.0);
  EXPECT_EQ(libre, 0.0);  // not searched
  EXPECT_FALSE(convergio);
  // A power of 0: the first trial is v = 0, whose power is 0.
  EXPECT_EQ(m->VelocidadParaPotencia(libre, convergio, 0), 0.0);
  // A negative target: the first trial, 20 * -5 / 20 = -5 m/s, gives 0 MW like the lower end,
  // and with both ends at 0 MW there is nothing left to interpolate (the next trial was
  // -5 * -5 / 0, an infinite speed marched a hundred times).
  convergio = true;
  libre = 0;
  EXPECT_EQ(m->VelocidadParaPotencia(libre, convergio, -5), -5.0);
  EXPECT_FALSE(convergio);
  EXPECT_EQ(libre, 0.0);
  // An authorised power of 1 MW or less still gets one evaluation: the first trial.
  auto chico = Modelo({{0, 0}}, {.pAut = 0.8, .margen = 300});
  chico->PrepararGrilla(true, 0, 0);
  EXPECT_DOUBLE_EQ(chico->VelocidadParaPotencia(libre, convergio, 0.4), 20 * 0.4 / 0.8);
  EXPECT_GT(libre, 0.0);
}

// ---------------------------------------------------------------------------------------------
// Drawing geometry

TEST(VentanaDibujo, EscalasIgualesYIdaYVueltaDePixeles) {
  auto m = Modelo({{-1200, 300}, {800, -650}, {100, 1500}}, {});
  for (auto [ancho, alto] : {std::pair{800, 600}, std::pair{300, 900}}) {
    SCOPED_TRACE(ancho);
    m->FijarVentanaDibujo(0, 30, ancho, alto);
    EXPECT_NEAR(m->mundoAncho / m->pbAncho, m->mundoAlto / m->pbAlto,
                1e-12 * m->mundoAncho / m->pbAncho);
    EXPECT_LE(m->mundoX0, -1500);
    EXPECT_GE(m->mundoY1, 1800);
    for (int px = 0; px <= ancho; ++px)
      for (int py = 30; py <= alto; ++py) {
        TPuntoXY p;
        m->PixelAMundo(px, py, p);
        int qx = -1, qy = -1;
        m->MundoAPixel(p, qx, qy);
        ASSERT_EQ(qx, px);
        ASSERT_EQ(qy, py);
      }
  }
  // A collapsed box keeps the previous window.
  const double x0 = m->mundoX0, ancho = m->mundoAncho;
  m->FijarVentanaDibujo(0, 30, 0, 600);
  m->FijarVentanaDibujo(0, 30, 500, 30);
  EXPECT_EQ(m->mundoX0, x0);
  EXPECT_EQ(m->mundoAncho, ancho);
  EXPECT_EQ(m->pbAncho, 300);
}

TEST(VentanaDibujo, MolinoMasCercanoHastaTresDiametros) {
  // One turbine at the mast, a 600 x 600 box: 1 m per pixel, x = px - 300, y = 300 - py.
  auto m = Modelo({{0, 0}, {250, 0}}, {});
  m->molinos.pop_back();
  m->FijarVentanaDibujo(0, 0, 600, 600);
  EXPECT_EQ(m->mundoAncho, 600.0);
  EXPECT_EQ(m->MolinoMasCercano(540, 300), &m->molinos[0]);  // exactly 3 x 80 m
  EXPECT_EQ(m->MolinoMasCercano(300, 60), &m->molinos[0]);
  EXPECT_EQ(m->MolinoMasCercano(541, 300), nullptr);
  // The nearer of two; a tie keeps the first in the list.
  auto dos = Modelo({{-100, 0}, {100, 0}}, {});
  dos->FijarVentanaDibujo(0, 0, 800, 600);
  int px, py;
  dos->MundoAPixel({90, 0}, px, py);
  EXPECT_EQ(dos->MolinoMasCercano(px, py), &dos->molinos[1]);
  dos->MundoAPixel({0, 0}, px, py);
  EXPECT_EQ(dos->MolinoMasCercano(px, py), &dos->molinos[0]);
  TParque_ModeloTeorico vacio;
  vacio.FijarVentanaDibujo(0, 0, 100, 100);
  EXPECT_EQ(vacio.MolinoMasCercano(50, 50), nullptr);
  // DPVEnPixel is the density at the pixel's point.
  dos->PrepararGrilla(true, 0, 0);
  double d = 0;
  dos->RecorrerGrilla(d, 1.225, DensidadPotenciaViento(9, 1.225), 1e9);
  TPuntoXY p;
  dos->PixelAMundo(123, 321, p);
  EXPECT_EQ(dos->DPVEnPixel(123, 321), dos->DPVEnPunto(p));
}

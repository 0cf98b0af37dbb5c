#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "estimator/ucurvasaeros.h"
#include "estimator/ufisicaviento.h"
#include "numerics/uauxiliares.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "utiles_mt.h"

namespace {

TVectR Vector(const std::vector<double>& v) { return TVectR::CreateDesdeDA(1, v); }

// The 2 MW, 80 m table of the database fixture.
TCurvaAerogen CurvaG80() {
  std::vector<double> v,
      p = {0,    0,     0, 0.066, 0.152, 0.28, 0.457, 0.69, 0.978, 1.296, 1.598, 1.818, 1.935,
           1.98, 1.995, 2, 2,     2,     2,    2,     2,    2,     2,     2,     2,     2};
  for (int i = 0; i <= 25; ++i) v.push_back(i);
  return TCurvaAerogen::Create(1, "G80-2.0MW", 80, Vector(v), Vector(p));
}

// P = A / (1 + e^(-alfa (v - vm))) for v = 0..12, then the plateau A for v = 13..25: every
// point of the fitting window lies exactly on the line ln(A/P - 1) = -alfa (v - vm).
TCurvaAerogen CurvaLogistica(double A, double alfa, double vm) {
  std::vector<double> v, p;
  for (int i = 0; i <= 25; ++i) {
    v.push_back(i);
    p.push_back(i <= 12 ? A / (1 + std::exp(-alfa * (i - vm))) : A);
  }
  return TCurvaAerogen::Create(7, "logística", 90, Vector(v), Vector(p));
}

}  // namespace

TEST(CurvaAerogen, AjusteLogisticaRecuperaLosParametros) {
  struct Caso {
    double A, alfa, vm;
  } casos[] = {{2.0, 1.0, 7.0}, {3.3, 0.8, 8.5}, {0.85, 1.3, 6.2}};
  for (const auto& c : casos) {
    const TCurvaAerogen k = CurvaLogistica(c.A, c.alfa, c.vm);
    EXPECT_EQ(k.Pmax, c.A);
    EXPECT_EQ(k.kPmax, 14);  // v = 13, the first plateau point
    EXPECT_EQ(k.vPmax, 13.0);
    EXPECT_NEAR(k.alfa, c.alfa, 1e-9);
    EXPECT_NEAR(k.vm, c.vm, 1e-9);
    EXPECT_NEAR(k.err2, 0.0, 1e-12);
    // Window [vArranque + 1.1, 0.9 * 13 = 11.7): the speeds from ceil(vArranque + 1.1) to 11.
    EXPECT_EQ(k.nAjuste, 11 - static_cast<int>(std::ceil(k.vArranque + 1.1)) + 1);
    EXPECT_NEAR(k.area, M_PI * 45 * 45, 1e-9);
  }
}

// The rotor area is pi times the square of the radius, the square taken first: for these
// diameters (pi * r) * r is one ulp away (90 m gives 6361.725123519332). Values from python:
// math.pi * (0.5 * d) ** 2.
TEST(CurvaAerogen, AreaConElCuadradoPrimero) {
  struct Caso {
    double d, area;
  } casos[] = {{90, 6361.725123519331}, {71, 3959.1921416865366}, {93, 6792.90871522453}};
  for (const auto& c : casos) {
    const TCurvaAerogen k =
        TCurvaAerogen::Create(1, "A", c.d, Vector({3, 4, 15, 25}), Vector({0.1, 1, 2, 2}));
    EXPECT_EQ(k.area, c.area) << c.d;
  }
}

TEST(CurvaAerogen, PotenciaContraInterpolacionDeReferencia) {
  const TCurvaAerogen c = CurvaG80();
  std::ifstream f(FixtureMT("curva_potencia_ref.txt"));
  std::string linea;
  int n = 0;
  while (std::getline(f, linea)) {
    const auto tab = linea.find('\t');
    const double x = TextoAReal(linea.substr(0, tab));
    const double p = TextoAReal(linea.substr(tab + 1));
    EXPECT_NEAR(c.PotenciaDPV(x), p, 1e-12) << "x=" << linea;
    ++n;
  }
  EXPECT_GT(n, 250);
  // The bounds give the first and the last tabulated power, exactly.
  EXPECT_EQ(c.PotenciaDPV(c.dpvMin), 0.0);
  EXPECT_EQ(c.PotenciaDPV(c.dpvMax), 2.0);
  EXPECT_EQ(c.curva_dpv.pv[11], DensidadPotenciaViento(10, 1.225));
  EXPECT_EQ(c.PotenciaDPV(0.0006125), c.curva_P.pv[11]);
  EXPECT_EQ(c.PotenciaDPV(std::nan("")), 0.0);
}

TEST(CurvaAerogen, PuntosNotables) {
  const TCurvaAerogen c = CurvaG80();
  EXPECT_EQ(c.kPmax, 16);  // 2 MW first reached at 15 m/s
  EXPECT_EQ(c.vPmax, 15.0);
  EXPECT_EQ(c.kArranque, 4);  // 0.066 >= 0.02
  EXPECT_EQ(c.vArranque, 3.0);
  EXPECT_EQ(c.dpvArranque, DensidadPotenciaViento(3, 1.225));
  // A point at exactly 1 % of Pmax counts as the start (compared with >=).
  const TCurvaAerogen d =
      TCurvaAerogen::Create(2, "uno", 50, Vector({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}),
                            Vector({0, 0.0099, 0.01, 0.2, 0.4, 0.6, 0.8, 0.9, 1, 1, 1}));
  EXPECT_EQ(d.kArranque, 3);
  EXPECT_EQ(d.kPmax, 9);
  // Nothing between 3.1 and 7.2 m/s except 4..7: four points.
  EXPECT_EQ(d.nAjuste, 4);
}

TEST(CurvaAerogen, SumarPotenciasLeeEnLasDensidadesPropias) {
  const TCurvaAerogen a = CurvaG80();
  // B covers only 5..12 m/s: outside its table it adds nothing.
  const std::vector<double> vb = {5, 8, 10, 12}, pbs = {0.1, 0.4, 0.6, 0.8};
  const TCurvaAerogen b = TCurvaAerogen::Create(2, "B", 52, Vector(vb), Vector(pbs));
  const TCurvaAerogen c = CurvaLogistica(1.0, 1.0, 7.0);
  TCurvaAerogen s = TCurvaAerogen::CreateCopia(a);
  s.SumarPotencias({&b, &c});
  double maximo = 0;
  for (int i = 1; i <= a.n; ++i) {
    const double v = a.curva_v.pv[i];
    const double d = a.curva_dpv.pv[i];
    double pb = 0;  // B's power at A's density, linear in density between B's points
    for (size_t k = 0; k + 1 < vb.size(); ++k) {
      const double d0 = DensidadPotenciaViento(vb[k], 1.225),
                   d1 = DensidadPotenciaViento(vb[k + 1], 1.225);
      if (d >= d0 && d <= d1) {
        pb = pbs[k] + (d - d0) / (d1 - d0) * (pbs[k + 1] - pbs[k]);
        break;
      }
    }
    EXPECT_NEAR(s.curva_P.pv[i], a.curva_P.pv[i] + pb + c.curva_P.pv[i], 1e-12) << "v=" << v;
    maximo = std::max(maximo, a.curva_P.pv[i] + pb + c.curva_P.pv[i]);
  }
  EXPECT_EQ(s.curva_v, a.curva_v);
  EXPECT_EQ(s.curva_dpv, a.curva_dpv);
  EXPECT_NEAR(s.Pmax, maximo, 1e-12);  // the derived points follow the new powers
  EXPECT_EQ(s.vPmax, 12.0);
}

TEST(CurvaAerogen, TextoIdaYVueltaByteAByte) {
  const auto dir = CarpetaTemporalMT("curva");
  TCurvaAerogen c = CurvaLogistica(2.05, 0.93, 7.31);
  {
    TextoSalida f(dir / "a.txt");
    c.EscribirTexto(f);
    f.Cerrar();
  }
  TextoEntrada e(dir / "a.txt");
  const TCurvaAerogen r = TCurvaAerogen::CreateLeerTexto(e);
  EXPECT_TRUE(e.Fin());
  EXPECT_EQ(r.curva_v, c.curva_v);
  EXPECT_EQ(r.curva_P, c.curva_P);
  EXPECT_EQ(r.modelo, "logística");
  EXPECT_EQ(r.alfa, c.alfa);
  {
    TextoSalida f(dir / "b.txt");
    r.EscribirTexto(f);
    f.Cerrar();
  }
  EXPECT_EQ(LeerArchivoCompleto(dir / "a.txt"), LeerArchivoCompleto(dir / "b.txt"));
  EXPECT_EQ(LeerArchivoCompleto(dir / "a.txt").substr(0, 19), "7\r\nlogística\r\n 9.0");
}

TEST(CurvaAerogen, ErroresDeConstruccion) {
  const TVectR v = Vector({0, 5, 10, 15, 20}), p = Vector({0, 0.1, 1, 2, 2});
  EXPECT_THROW_MSG(TCurvaAerogen::Create(3, "X", 0, v, p), EErrorGeneral,
                   "Diámetro inválido en la curva nid=3 (X): 0");
  EXPECT_THROW_MSG(TCurvaAerogen::Create(3, "X", -80, v, p), EErrorGeneral,
                   "Diámetro inválido en la curva nid=3 (X): -80");
  EXPECT_THROW(TCurvaAerogen::Create(3, "X", std::nan(""), v, p), EErrorGeneral);
  EXPECT_THROW_MSG(TCurvaAerogen::Create(3, "X", 80, Vector({0, 1}), p), EErrorGeneral,
                   "La curva nid=3 (X) tiene 2 velocidades y 5 potencias");
  EXPECT_THROW_MSG(TCurvaAerogen::Create(3, "X", 80, TVectR(0), TVectR(0)), EErrorGeneral,
                   "La curva nid=3 (X) no tiene puntos");
  // Speeds 0, 5, 10, ... with vArranque 5 and vPmax 15 leave only 10 in [6.1, 13.5).
  EXPECT_THROW_MSG(
      TCurvaAerogen::Create(4, "gruesa", 80, Vector({0, 5, 10, 15, 20}), Vector({0, 0.1, 1, 2, 2})),
      EErrorGeneral, "TVectR.AproximacionLineal res= 0 (curva nid=4 (gruesa))");
  // No point in the window at all: the fit is left at zeros.
  const TCurvaAerogen z =
      TCurvaAerogen::Create(5, "escalón", 80, Vector({0, 5, 6}), Vector({0, 2, 2}));
  EXPECT_EQ(z.nAjuste, 0);
  EXPECT_EQ(z.alfa, 0.0);
  EXPECT_EQ(z.vm, 0.0);
  EXPECT_EQ(z.err2, 0.0);
}

TEST(CurvaAerogen, LecturaTruncadaFalla) {
  const auto dir = CarpetaTemporalMT("curva_trunc");
  {
    TextoSalida f(dir / "a.txt");
    CurvaG80().EscribirTexto(f);
    f.Cerrar();
  }
  const std::string todo = LeerArchivoCompleto(dir / "a.txt");
  // Every prefix that ends at a line end, short of the whole block.
  for (size_t fin = todo.find("\r\n"); fin + 2 < todo.size(); fin = todo.find("\r\n", fin + 2)) {
    TextoEntrada e = TextoEntrada::DesdeTexto(todo.substr(0, fin + 2));
    EXPECT_ANY_THROW(TCurvaAerogen::CreateLeerTexto(e)) << fin;
  }
}

TEST(CurvaAerogenBD, DesdeNidYCurvaInexistente) {
  auto con = ConexionDePruebaMT();
  if (!con) GTEST_SKIP() << "sin PGHOST/PGPORT";
  FormatoEstandar guardia;  // as the model's database load calls it
  const TCurvaAerogen c = TCurvaAerogen::CreateDesdeNid(*con, 1);
  const TCurvaAerogen ref = CurvaG80();
  EXPECT_EQ(c.nid, 1);
  EXPECT_EQ(c.modelo, "G80-2.0MW");
  EXPECT_EQ(c.diametro, 80.0);
  EXPECT_EQ(c.curva_v, ref.curva_v);
  EXPECT_EQ(c.curva_P, ref.curva_P);  // the column is curva_p; found without regard to case
  EXPECT_EQ(c.alfa, ref.alfa);
  EXPECT_THROW_MSG(TCurvaAerogen::CreateDesdeNid(*con, 99), EErrorGeneral,
                   "No existe la curva nid=99");
}

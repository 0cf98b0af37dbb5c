// Model error matrices: the cell of each sample, day and night, and the error table of a tiny
// set of samples whose means and deviations are worked out by hand below.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "estimator/ucalcrestriccionesoperativas.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/fechas.h"
#include "platform/rtltexto.h"

namespace fs = std::filesystem;

namespace {

constexpr double kPaso = 10.0 / 1440.0;
const TDateTime kDia = 42675.0;  // 2016-11-01 00:00

// The date-time of the k-th ten-minute step of the day, computed as the series processing does.
TDateTime Paso(int k) { return kDia + k * kPaso; }

TEST(MatricesErrores, CeldaDeCadaMuestra) {
  struct Caso {
    const char* nombre;
    NReal vel, dir;
    TDateTime fecha;
    int32_t s, b;  // 0: no cell
    bool dia;
  };
  const std::vector<Caso> casos = {
      {"07:00 es de día", 3, 2, Paso(42), 1, 2, true},
      {"un milisegundo antes de las 07:00 es de noche", 3, 2, Paso(42) - 1.0 / 86400000, 1, 2,
       false},
      {"20:00 es de noche", 3, 2, Paso(120), 1, 2, false},
      {"19:50 es de día", 3, 2, Paso(119), 1, 2, true},
      {"30 m/s cae en el último tramo", 30, 10, Paso(0), 3, 10, false},
      {"24.999 m/s en el último tramo", 24.999, 10, Paso(0), 3, 10, false},
      {"24.99 m/s en el último tramo", 24.99, 10, Paso(0), 3, 10, false},
      {"2.5 m/s abre el segundo tramo", 2.5, 10, Paso(0), 3, 2, false},
      {"359.9 grados en el último sector", 5, 359.9, Paso(0), 72, 3, false},
      {"360 grados en el primero", 5, 360, Paso(0), 1, 3, false},
      {"725 grados da la vuelta", 5, 725, Paso(0), 2, 3, false},
      {"-3 grados trunca a 0: primer sector", 5, -3, Paso(0), 1, 3, false},
      {"-5 grados no tiene celda", 5, -5, Paso(0), 0, 0, false},
      {"-2.5 m/s no tiene celda", -2.5, 10, Paso(0), 0, 0, false},
      {"dirección NaN no tiene celda", 5, std::nan(""), Paso(0), 0, 0, false},
      {"velocidad NaN no tiene celda", std::nan(""), 10, Paso(0), 0, 0, false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    TMatricesConErroresModelos m(72, 25.0, 360.0, 10, 7, 20, 50);
    m.Acumular(3, 1, c.vel, c.dir, c.fecha);
    if (c.s == 0) {
      EXPECT_EQ(m.cntTotal.SumaElementos(), 0);
      EXPECT_EQ(m.sumaReal, 0);
      EXPECT_EQ(m.sumaAbs, 0);
      continue;
    }
    EXPECT_EQ(m.cntTotal.SumaElementos(), 1);
    EXPECT_EQ(m.cntTotal.Elemento(c.s, c.b), 1);
    EXPECT_EQ(m.sumaTotal.Elemento(c.s, c.b), 2);
    EXPECT_EQ(m.cuadTotal.Elemento(c.s, c.b), 4);
    const TMatR& si = c.dia ? m.cntDia : m.cntNoche;
    const TMatR& no = c.dia ? m.cntNoche : m.cntDia;
    EXPECT_EQ(si.Elemento(c.s, c.b), 1);
    EXPECT_EQ(no.SumaElementos(), 0);
    EXPECT_EQ(m.sumaAbs, 2);
    EXPECT_EQ(m.sumaReal, 1);
  }
}

TEST(MatricesErrores, ArgumentosFueraDeRango) {
  EXPECT_THROW_MSG(TMatricesConErroresModelos(0, 25, 360, 10, 7, 20, 50), EErrorGeneral,
                   "TMatricesConErroresModelos: sectores y tramos deben ser al menos 1: 0 x 10");
  EXPECT_THROW_MSG(TMatricesConErroresModelos(72, 25, 360, 10, 7, 20, 0), EErrorGeneral,
                   "TMatricesConErroresModelos: la potencia autorizada debe ser positiva: 0");
  EXPECT_THROW_MSG(TMatricesConErroresModelos(72, std::nan(""), 360, 10, 7, 20, 50), EErrorGeneral,
                   "TMatricesConErroresModelos: velMax y dirMax deben ser positivos: Nan, 360");
  EXPECT_THROW_MSG(TMatricesConErroresModelos(72, 25, 360, 10, 20, 7, 50), EErrorGeneral,
                   "TMatricesConErroresModelos: horas del día fuera de 0 a 24: 20 a 7");
}

// The written table, cut into its items: the three global lines, then per block its value and
// its matrix.
struct Tabla {
  std::map<std::string, NReal> globales;
  std::map<std::string, NReal> valorBloque;
  std::map<std::string, TMatR> matrizBloque;
  std::vector<std::string> lineas;
};

std::vector<std::string> Partir(const std::string& s, const std::string& sep) {
  std::vector<std::string> r;
  size_t i = 0;
  while (true) {
    const size_t f = s.find(sep, i);
    r.push_back(s.substr(i, f == std::string::npos ? std::string::npos : f - i));
    if (f == std::string::npos) return r;
    i = f + sep.size();
  }
}

Tabla LeerTabla(const fs::path& p) {
  Tabla t;
  t.lineas = Partir(LeerArchivoCompleto(p), "\r\n");
  size_t i = 0;
  for (; i < 6; i += 2) {
    const auto c = Partir(t.lineas[i], "\t");
    t.globales[c.at(0)] = TextoAReal(c.at(1));
    EXPECT_EQ(t.lineas[i + 1], "");
  }
  EXPECT_EQ(t.lineas[i++], "----");
  while (i + 1 < t.lineas.size()) {
    const auto c = Partir(t.lineas[i++], "\t");
    t.valorBloque[c.at(0)] = TextoAReal(c.at(1));
    const auto dims = Partir(t.lineas[i++], "\t");  // "NFilas: ", nf, "NColumnas: ", nc
    TMatR m(TextoAReal(dims.at(1)) > 0 ? static_cast<int32_t>(TextoAReal(dims.at(1))) : 0,
            static_cast<int32_t>(TextoAReal(dims.at(3))));
    ++i;  // column numbers
    for (int32_t f = 1; f <= m.nf; ++f) {
      const auto fila = Partir(t.lineas[i++], "\t");
      for (int32_t k = 1; k <= m.nc; ++k) m.PonerElemento(f, k, TextoAReal(fila.at(k)));
    }
    EXPECT_EQ(t.lineas[i++], "");
    t.matrizBloque[c.at(0)] = m;
  }
  return t;
}

const char* kEMC = "EMC = raiz(VE[(Preal-Pmodelo)^2])/VE[Preal]";
const char* kError = "Error = VE[(Preal-Pmodelo)]/VE[Preal]";
const char* kErrorAbs = "Error Absoluto = VE[|(Preal-Pmodelo)|/|VE[Preal]]";
const char* kAcumT = "Errores Acumulados - Total [MWh]";
const char* kAcumD = "Errores Acumulados - Día [MWh]";
const char* kAcumN = "Errores Acumulados - Noche [MWh]";
const char* kMediaT = "Errores Medios Respecto a PAutorizada - Total [p.u]";
const char* kMediaD = "Errores Medios Respecto a PAutorizada - Día [p.u]";
const char* kMediaN = "Errores Medios Respecto a PAutorizada - Noche [p.u]";
const char* kDesvT = "Desviación estándar del error respecto a la PAutorizada - Total [p.u]";
const char* kDesvD = "Desviación estándar del error respecto a la PAutorizada - Día [p.u]";
const char* kDesvN = "Desviación estándar del error respecto a la PAutorizada - Noche [p.u]";
const char* kCntT = "Cantidad de datos por sector y tramo - Total [cant]";
const char* kCntD = "Cantidad de datos por sector y tramo - Día [cant]";
const char* kCntN = "Cantidad de datos por sector y tramo - Noche [cant]";

// One folder per test process: CTest runs each test in a process of its own.
fs::path Archivo(const std::string& nombre) {
  const fs::path c = fs::absolute("ro_errores_" + std::to_string(::getpid()));
  fs::create_directories(c);
  return c / nombre;
}

// Four sectors of 90 degrees, two bands of 5 m/s, day 07:00 - 20:00, pAut 10 MW. The samples
// (pModelo, pReal, vel, dir, time), e = pModelo - pReal:
//   a (12, 10, 3, 45, 07:00)    e = +2   cell (1, 1) day
//   b ( 8, 10, 4, 80, 20:00)    e = -2   cell (1, 1) night
//   c ( 5,  4, 30, 359.9, 12:00) e = +1  cell (4, 2) day    (speed capped into the last band)
//   d ( 3,  6, 7, 360, 03:00)   e = -3   cell (1, 2) night  (360 degrees is sector 1)
//   z (10, 10, 3, -100, 12:00)  no cell: left out altogether
// By hand, with pAut = 10:
//   total (1,1): n 2, S 0, Q 8: mean 0, sd sqrt(8/2/100 - 0) = 0.2 (in single precision)
//   total (1,2): n 1, S -3: mean -0.3, sd 0;  total (4,2): n 1, S 1: mean 0.1, sd 0
//   day (1,1) mean 0.2, (4,2) 0.1; night (1,1) -0.2, (1,2) -0.3; every sd of one sample 0
//   MWh: total (1,1) 0, (1,2) -0.5, (4,2) 1/6; acum total -1/3, day 1/2, night -5/6
//   Nt 4, Nd 2, Nn 2; mean real power (10 + 10 + 4 + 6) / 4 = 7.5
//   global means: total (0*2 - 0.3 + 0.1) / 4 = -0.05, day 0.15, night -0.25
//   EMC sqrt((4 + 4 + 1 + 9) / 4) / 7.5 = sqrt(4.5) / 7.5; Error -10 * -0.05 / 7.5 = 1/15
//   (positive: the model gives 2 MW less than measured in all); Error absoluto 8/4/7.5
//   sd total sqrt(18/100/4 - 0.0025) = sqrt(0.0425); day sqrt(5/100/2 - 0.0225) = 0.05;
//   night sqrt(13/100/2 - 0.0625) = 0.05
TEST(MatricesErrores, TablaDeUnaMuestraPequena) {
  TMatricesConErroresModelos m(4, 10.0, 360.0, 2, 7, 20, 10);
  m.Acumular(12, 10, 3, 45, Paso(42));
  m.Acumular(8, 10, 4, 80, Paso(120));
  m.Acumular(5, 4, 30, 359.9, Paso(72));
  m.Acumular(3, 6, 7, 360, Paso(18));
  m.Acumular(10, 10, 3, -100, Paso(72));
  EXPECT_EQ(m.sumaAbs, 8);
  const fs::path p = Archivo("c7_Matrices_Errores.xlt");
  m.Escribir(p);
  const Tabla t = LeerTabla(p);

  const double tol = 1e-14;
  EXPECT_NEAR(t.globales.at(kEMC), std::sqrt(4.5) / 7.5, tol);
  EXPECT_NEAR(t.globales.at(kError), 1.0 / 15.0, tol);
  EXPECT_NEAR(t.globales.at(kErrorAbs), 2.0 / 7.5, tol);
  EXPECT_NEAR(t.valorBloque.at(kAcumT), -1.0 / 3.0, tol);
  EXPECT_NEAR(t.valorBloque.at(kAcumD), 0.5, tol);
  EXPECT_NEAR(t.valorBloque.at(kAcumN), -5.0 / 6.0, tol);
  EXPECT_NEAR(t.valorBloque.at(kMediaT), -0.05, tol);
  EXPECT_NEAR(t.valorBloque.at(kMediaD), 0.15, tol);
  EXPECT_NEAR(t.valorBloque.at(kMediaN), -0.25, tol);
  EXPECT_NEAR(t.valorBloque.at(kDesvT), std::sqrt(0.0425), tol);
  EXPECT_NEAR(t.valorBloque.at(kDesvD), 0.05, 1e-12);
  EXPECT_NEAR(t.valorBloque.at(kDesvN), 0.05, 1e-12);
  EXPECT_EQ(t.valorBloque.at(kCntT), 4);
  EXPECT_EQ(t.valorBloque.at(kCntD), 2);
  EXPECT_EQ(t.valorBloque.at(kCntN), 2);
  EXPECT_EQ(t.valorBloque.size(), 12u);

  // Every matrix 4 x 2; a cell is (value, tolerance); kSinDatosErrores where there is no sample.
  const NReal X = kSinDatosErrores;
  struct Esperada {
    const char* bloque;
    NReal v[4][2];
    double tol;
  };
  const std::vector<Esperada> matrices = {
      {kAcumT, {{0, -0.5}, {0, 0}, {0, 0}, {0, 1.0 / 6.0}}, tol},
      {kAcumD, {{2.0 / 6.0, 0}, {0, 0}, {0, 0}, {0, 1.0 / 6.0}}, tol},
      {kAcumN, {{-2.0 / 6.0, -0.5}, {0, 0}, {0, 0}, {0, 0}}, tol},
      {kMediaT, {{0, -0.3}, {X, X}, {X, X}, {X, 0.1}}, tol},
      {kMediaD, {{0.2, X}, {X, X}, {X, X}, {X, 0.1}}, tol},
      {kMediaN, {{-0.2, -0.3}, {X, X}, {X, X}, {X, X}}, tol},
      // 0.04 in single precision is 0.039999999105930328, whose root is 0.19999999776482582.
      // A cell of one sample is 0 up to the rounding of Q/n/pAut^2 - mean^2, which single
      // precision keeps (some 1e-17, whose root is some 4e-9).
      {kDesvT, {{0.2, 0}, {X, X}, {X, X}, {X, 0}}, 1e-8},
      {kDesvD, {{0, X}, {X, X}, {X, X}, {X, 0}}, 1e-8},
      {kDesvN, {{0, 0}, {X, X}, {X, X}, {X, X}}, 1e-8},
      {kCntT, {{2, 1}, {0, 0}, {0, 0}, {0, 1}}, 0},
      {kCntD, {{1, 0}, {0, 0}, {0, 0}, {0, 1}}, 0},
      {kCntN, {{1, 1}, {0, 0}, {0, 0}, {0, 0}}, 0},
  };
  for (const Esperada& e : matrices) {
    SCOPED_TRACE(e.bloque);
    const TMatR& r = t.matrizBloque.at(e.bloque);
    ASSERT_EQ(r.nf, 4);
    ASSERT_EQ(r.nc, 2);
    for (int32_t i = 1; i <= 4; ++i)
      for (int32_t j = 1; j <= 2; ++j)
        EXPECT_NEAR(r.Elemento(i, j), e.v[i - 1][j - 1], e.tol) << i << "," << j;
  }
  EXPECT_EQ(t.matrizBloque.at(kDesvT).Elemento(1, 1),
            static_cast<double>(std::sqrt(static_cast<double>(0.04f))));

  // The layout around the numbers.
  EXPECT_EQ(t.lineas.at(7), std::string(kAcumT) + "\t" + RealATexto(t.valorBloque.at(kAcumT)));
  EXPECT_EQ(t.lineas.at(8), "NFilas: \t4\tNColumnas: \t2");
  EXPECT_EQ(t.lineas.at(9), " \t1\t2");
  EXPECT_EQ(t.lineas.at(10), "1\t 0.0000000000000000E+000\t-5.0000000000000000E-001");
  EXPECT_EQ(t.lineas.back(), "");
}

// Equal errors of opposite sign in one cell: accumulated 0 MWh, mean 0, deviation 2 / pAut.
TEST(MatricesErrores, ErroresOpuestosEnUnaCelda) {
  TMatricesConErroresModelos m(72, 25.0, 360.0, 10, 7, 20, 50);
  m.Acumular(12, 10, 8, 100, Paso(60));
  m.Acumular(8, 10, 8, 100, Paso(61));
  EXPECT_EQ(m.sumaAbs, 4);
  m.Escribir(Archivo("opuestos.xlt"));
  EXPECT_EQ(m.sumaTotal.Elemento(21, 4), 0);
  EXPECT_EQ(m.mediaTotal.Elemento(21, 4), 0);
  EXPECT_EQ(m.cuadTotal.Elemento(21, 4),
            std::sqrt(static_cast<double>(static_cast<float>(4.0 / 2500.0))));
  EXPECT_NEAR(m.cuadTotal.Elemento(21, 4), 2.0 / 50, 1e-9);
  EXPECT_EQ(m.acumTotal, 0);
  EXPECT_EQ(m.mediaTotal.Elemento(1, 1), kSinDatosErrores);
}

// Nothing accumulated, or nothing by night: the figures without a value are written as no data
// instead of NaN.
TEST(MatricesErrores, SinMuestrasEscribeSinDatos) {
  TMatricesConErroresModelos vacia(4, 10.0, 360.0, 2, 7, 20, 10);
  vacia.Escribir(Archivo("vacia.xlt"));
  const Tabla t = LeerTabla(Archivo("vacia.xlt"));
  for (const char* g : {kEMC, kError, kErrorAbs}) EXPECT_EQ(t.globales.at(g), kSinDatosErrores);
  for (const char* b : {kMediaT, kMediaD, kMediaN, kDesvT, kDesvD, kDesvN})
    EXPECT_EQ(t.valorBloque.at(b), kSinDatosErrores) << b;
  for (const char* b : {kAcumT, kCntT}) EXPECT_EQ(t.valorBloque.at(b), 0) << b;

  TMatricesConErroresModelos deDia(4, 10.0, 360.0, 2, 7, 20, 10);
  deDia.Acumular(12, 10, 3, 45, Paso(60));
  deDia.Escribir(Archivo("de_dia.xlt"));
  EXPECT_EQ(deDia.mediaGlobalNoche, kSinDatosErrores);
  EXPECT_EQ(deDia.desvNoche, kSinDatosErrores);
  EXPECT_NEAR(deDia.mediaGlobalDia, 0.2, 1e-15);
  EXPECT_NEAR(deDia.desvDia, 0, 1e-8);
}

TEST(MatricesErrores, ArchivoQueNoSePuedeCrear) {
  TMatricesConErroresModelos m(4, 10.0, 360.0, 2, 7, 20, 10);
  EXPECT_THROW(m.Escribir(Archivo("x") / "no" / "e.xlt"), EInOutError);
}

}  // namespace

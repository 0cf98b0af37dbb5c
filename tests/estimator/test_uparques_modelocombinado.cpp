// The combined model on the small farm of tests/tools/calibrador_ref.py: the .pmc file, the
// fit of the correction against the independent transcription's powers, the relaxation
// sweep on hand-made matrices and the corrected power of one sample against closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "estimator/utiles_calibrador.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"

namespace fs = std::filesystem;

namespace {

TMatR Matriz(const std::vector<std::vector<double>>& filas) {
  TMatR m(static_cast<int32_t>(filas.size()), static_cast<int32_t>(filas[0].size()));
  for (int32_t i = 1; i <= m.nf; ++i)
    for (int32_t j = 1; j <= m.nc; ++j) m.PonerElemento(i, j, filas[i - 1][j - 1]);
  return m;
}

}  // namespace

class ModeloCombinado : public ConCarpetasDePrueba {};

TEST_F(ModeloCombinado, PmcIsTheCalibratorTextThenTheCorrectionAndRewritesByteForByte) {
  auto mc = TParque_ModeloCombinado::CreateDesdeCalibrador(FixtureCalibrador());
  const fs::path a = raiz_ / "a.pmc", b = raiz_ / "b.pmc";
  mc->Guardar(a);
  const std::string clp = LeerArchivoCompleto(FixtureCalibrador());
  const std::string pmc = LeerArchivoCompleto(a);
  ASSERT_GT(pmc.size(), clp.size());
  EXPECT_EQ(pmc.substr(0, clp.size()), clp);
  // Then the matrix block: 4 rows, 2 columns, each row a counted vector block; nothing else.
  const std::string cola = pmc.substr(clp.size());
  EXPECT_EQ(cola.substr(0, 9), "4\r\n2\r\n2\r\n");
  size_t lineas = 0;
  for (char ch : cola) lineas += ch == '\n';
  EXPECT_EQ(lineas, 2u + 4u * 3u);

  auto leido = TParque_ModeloCombinado::CreateDesdeArchivo(a);
  EXPECT_EQ(leido->correccion, mc->correccion);
  EXPECT_EQ(leido->mt->modeloEmpirico, leido->me.get());
  leido->Guardar(b);
  EXPECT_EQ(LeerArchivoCompleto(b), pmc);
  // Saved as a calibrator it is the calibrator file again.
  leido->TCalibradorParque::Guardar(b);
  EXPECT_EQ(LeerArchivoCompleto(b), clp);
}

TEST_F(ModeloCombinado, PmcErrors) {
  const fs::path falta = raiz_ / "falta.pmc";
  EXPECT_THROW_MSG(TParque_ModeloCombinado::CreateDesdeArchivo(falta), EInOutError,
                   "No puedo abrir el archivo: " + falta.string());
  // A correction of another shape than the empirical model's sectors by bins.
  const fs::path otra = raiz_ / "otra.pmc";
  {
    TextoSalida f(otra);
    f.Escribir(LeerArchivoCompleto(FixtureCalibrador()));
    for (const char* l : {"3", "2", "2", "1", "1", "2", "1", "1", "2", "1", "1"})
      f.EscribirLinea(l);
    f.Cerrar();
  }
  // Named after the last line of the correction block (the calibrator's 236 lines + 11).
  EXPECT_THROW_MSG(TParque_ModeloCombinado::CreateDesdeArchivo(otra), EInOutError,
                   "Error leyendo línea: 247 del archivo: " + otra.string() +
                       ": Matriz de corrección inconsistente: 3x2");
  // No correction at all after the calibrator text.
  const fs::path sin = raiz_ / "sin.pmc";
  {
    TextoSalida f(sin);
    f.Escribir(LeerArchivoCompleto(FixtureCalibrador()));
    f.Cerrar();
  }
  EXPECT_THROW(TParque_ModeloCombinado::CreateDesdeArchivo(sin), EInOutError);
}

TEST_F(ModeloCombinado, FitTakesTheRatiosOfTheMeasuredCellsAndRelaxesTheOthers) {
  std::vector<TObjetivoRef> objetivos;
  std::vector<TCocienteRef> cocientes;
  LeerReferenciasCalibrador(objetivos, cocientes);
  ASSERT_EQ(cocientes.size(), 5u);
  auto mc = TParque_ModeloCombinado::CreateDesdeCalibrador(FixtureCalibrador());
  const TMatR& c = mc->correccion;
  ASSERT_EQ(c.nf, 4);
  ASSERT_EQ(c.nc, 2);
  bool medida[5][3] = {};
  for (const auto& r : cocientes) {
    EXPECT_LT(std::fabs(c.Elemento(r.k, r.j) - r.pme / r.pmt), 1e-9 * (r.pme / r.pmt))
        << r.k << "," << r.j;
    medida[r.k][r.j] = true;
  }
  // Every ratio here is below 1, so the filled cells go down from 1.0; they end as the mean
  // of their neighbours (rows circular, a first or last bin counting itself) to within the
  // relaxation's tolerance, many sweeps after the first.
  EXPECT_GT(mc->pasadasRelleno, 5);
  for (int32_t k = 1; k <= 4; ++k)
    for (int32_t j = 1; j <= 2; ++j) {
      if (medida[k][j]) continue;
      const int32_t ka = k == 1 ? 4 : k - 1, ks = k == 4 ? 1 : k + 1;
      const double media =
          0.25 * (c.Elemento(k, 1) + c.Elemento(k, 2) + c.Elemento(ka, j) + c.Elemento(ks, j));
      EXPECT_NEAR(c.Elemento(k, j), media, 1e-3) << k << "," << j;
      EXPECT_LT(c.Elemento(k, j), 1.0);
    }
}

TEST(RellenoCorreccion, OneSweepOnHandMadeMatrices) {
  struct Caso {
    const char* nombre;
    std::vector<std::vector<double>> r;        // ratios: > 0 is measured
    std::vector<std::vector<double>> despues;  // the correction after copy and one sweep
    double cambio;
  };
  const std::vector<Caso> casos = {
      // Nothing measured: all 1.0 stays, no change.
      {"sin medidas",
       {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
       {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}},
       0.0},
      // One inner cell of 2.0: its four neighbours take (3 + 2) / 4.
      {"centro",
       {{0, 0, 0}, {0, 2, 0}, {0, 0, 0}, {0, 0, 0}},
       {{1, 1.25, 1}, {1.25, 2, 1.25}, {1, 1.25, 1}, {1, 1, 1}},
       0.25},
      // Sector 1, bin 1: sector 4 is its neighbour; cell (4, 1) counts itself once in place of
      // a lower bin: (1 + 1 + 1 + 2) / 4.
      {"esquina",
       {{2, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
       {{2, 1.25, 1}, {1.25, 1, 1}, {1, 1, 1}, {1.25, 1, 1}},
       0.25},
      // A ratio below 1 pulls its neighbours down: the change is 0.125 in absolute value,
      // not 0 (the largest signed difference would stop the relaxation here).
      {"bajo uno",
       {{0, 0, 0}, {0, 0.5, 0}, {0, 0, 0}, {0, 0, 0}},
       {{1, 0.875, 1}, {0.875, 0.5, 0.875}, {1, 0.875, 1}, {1, 1, 1}},
       0.125},
      // Negative and NaN ratios are not measured.
      {"negativos",
       {{-1, 0, 0}, {0, std::numeric_limits<double>::quiet_NaN(), 0}, {0, 0, 0}, {0, 0, 0}},
       {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}},
       0.0},
  };
  for (const Caso& k : casos) {
    const TMatR R = Matriz(k.r);
    TMatR C(4, 3);
    C.LlenarUnos();
    TParque_ModeloCombinado::CopiarCocientesPositivos(C, R);
    const double cambio = TParque_ModeloCombinado::PasadaRellenoCorreccion(C, R);
    EXPECT_EQ(cambio, k.cambio) << k.nombre;
    EXPECT_EQ(C, Matriz(k.despues)) << k.nombre;
  }
}

class PotenciaCombinada : public ConCarpetasDePrueba {
 protected:
  void SetUp() override {
    ConCarpetasDePrueba::SetUp();
    mc_ = TParque_ModeloCombinado::CreateDesdeCalibrador(FixtureCalibrador());
    // Hand-made factors, sector by bin.
    mc_->correccion = Matriz({{1.1, 1.3}, {0.9, 1.2}, {1.0, 0.8}, {1.4, 0.7}});
  }
  double C(int k, int j) const { return mc_->correccion.Elemento(k, j); }
  std::unique_ptr<TParque_ModeloCombinado> mc_;
};

TEST_F(PotenciaCombinada, FactorInterpolatesSectorsAndBinsOfTheMastDensity) {
  // Bin centres 0.0003 and 0.0012 MW/m2: the bin position of q is 1 + (q - 0.0003) / 0.0009.
  const double c1 = 0.0003, c2 = 0.0012;
  auto t = [&](double q) { return (q - c1) / (c2 - c1); };
  struct Caso {
    double v, dir, f;
  };
  // 9 m/s lies between the centres, 5 m/s below the first and 13 m/s above the last.
  const double qa = DensidadPotenciaViento(9.0, 1.225);
  // 359 degrees with 4 sectors: x = 3.98889, sector 4 weighs 0.01111 and sector 1 0.98889.
  const double w = 4 * 359.0 / 360 - 3;
  const std::vector<Caso> casos = {
      {9.0, 359.0,
       (1 - w) * ((1 - t(qa)) * C(4, 1) + t(qa) * C(4, 2)) +
           w * ((1 - t(qa)) * C(1, 1) + t(qa) * C(1, 2))},
      {9.0, 135.0,
       0.5 * ((1 - t(qa)) * C(2, 1) + t(qa) * C(2, 2)) +
           0.5 * ((1 - t(qa)) * C(3, 1) + t(qa) * C(3, 2))},
      {5.0, 0.0, C(1, 1)},
      {5.0, 300.0, (1 - (4 * 300.0 / 360 - 3)) * C(4, 1) + (4 * 300.0 / 360 - 3) * C(1, 1)},
      {13.0, 90.0, C(2, 2)},
  };
  for (const Caso& k : casos) {
    const double q = DensidadPotenciaViento(k.v, 1.225);
    EXPECT_NEAR(mc_->FactorCorreccion(k.dir, q), k.f, 1e-14) << k.v << " " << k.dir;
    // A CGM far above the authorised power: the mast density is the measured one.
    double pCGM = 0, pAut = 0, bruta = 0;
    mc_->CalcularPotencia(pCGM, pAut, bruta, k.v, k.dir, 1.225, 1e6, false, false);
    const double tope = mc_->mt->potencia_autorizada_mw;
    EXPECT_NEAR(pAut, std::fmin(k.f * bruta, tope), 1e-12) << k.v << " " << k.dir;
    EXPECT_EQ(pCGM, pAut);
    // Without correction: the theoretical powers, capped.
    double sCGM = 0, sAut = 0, sBruta = 0;
    mc_->CalcularPotencia(sCGM, sAut, sBruta, k.v, k.dir, 1.225, 1e6, true, false);
    EXPECT_EQ(sBruta, bruta);
    EXPECT_EQ(sAut, std::fmin(bruta, tope));
  }
}

TEST_F(PotenciaCombinada, CgmAtNinetyNinePercentIsNotARestriction) {
  const double pAutMW = mc_->mt->potencia_autorizada_mw;  // 3.5
  // 14 m/s takes the farm to its authorised power.
  double lc = 0, la = 0, bruta = 0;
  const double enUmbral = 0.99 * pAutMW;
  mc_->CalcularPotencia(lc, la, bruta, 14.0, 200.0, 1.225, enUmbral, true, false);
  // First branch: one power, limited by the CGM, taken as the gross power too.
  EXPECT_LE(bruta, enUmbral * (1 + 1e-7));
  EXPECT_EQ(lc, bruta);
  EXPECT_EQ(la, bruta);
  // Just below: held by the set-point; the gross power comes from a second march at the free
  // stream found, up to the authorised power.
  mc_->CalcularPotencia(lc, la, bruta, 14.0, 200.0, 1.225, 0.98 * pAutMW, true, false);
  EXPECT_LE(lc, 0.98 * pAutMW * (1 + 1e-7));
  EXPECT_GT(bruta, enUmbral);
  EXPECT_EQ(la, std::fmin(bruta, pAutMW));
  // No CGM value (NaN) is a restriction as well.
  double nc = 0, na = 0, nb = 0;
  mc_->CalcularPotencia(nc, na, nb, 14.0, 200.0, 1.225, std::nan(""), true, false);
  EXPECT_EQ(nb, bruta);
}

TEST_F(PotenciaCombinada, FreeStreamSpeedMarchesOnceWithoutTheFixedPoint) {
  double lc = 0, la = 0, bruta = 0;
  mc_->CalcularPotencia(lc, la, bruta, 8.0, 30.0, 1.225, 1e6, true, true);
  // The same march as the theoretical model's at that free stream, up to the authorised power.
  auto& mt = *mc_->mt;
  const double q = DensidadPotenciaViento(8.0, 1.225);
  mt.PrepararGrilla(false, 30.0, q);
  double mastil = 0;
  const double p = mt.RecorrerGrilla(mastil, 1.225, q, mt.potencia_autorizada_mw);
  EXPECT_EQ(bruta, p);
  EXPECT_EQ(lc, p);
  // Corrected at the mast density of that march.
  double cc = 0, ca = 0, cb = 0;
  mc_->CalcularPotencia(cc, ca, cb, 8.0, 30.0, 1.225, 1e6, false, true);
  EXPECT_NEAR(ca, mc_->FactorCorreccion(30.0, mastil) * p, 1e-12);
}

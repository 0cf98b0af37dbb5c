// The kernels of the wake march: every one gives, to the last bit, what the straightforward
// march gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloteorico.h"
#include "estimator/uparques_modeloteorico_nucleos.h"
#include "platform/errores.h"

namespace {

const TNucleoMarcha kNucleos[] = {TNucleoMarcha::Referencia, TNucleoMarcha::Portable,
                                  TNucleoMarcha::AVX2, TNucleoMarcha::AVX512};

// Puts the process-wide kernel back as it was at the end of a test.
class NucleoGuardado {
 public:
  NucleoGuardado() : previo_(NucleoMarcha()) {}
  ~NucleoGuardado() { FijarNucleoMarcha(previo_); }

 private:
  TNucleoMarcha previo_;
};

}  // namespace

TEST(NucleoMarcha, EleccionYRechazo) {
  NucleoGuardado guardado;
  EXPECT_TRUE(NucleoMarchaDisponible(TNucleoMarcha::Referencia));
  EXPECT_TRUE(NucleoMarchaDisponible(TNucleoMarcha::Portable));
  // A processor with AVX-512F has AVX2.
  if (NucleoMarchaDisponible(TNucleoMarcha::AVX512)) {
    EXPECT_TRUE(NucleoMarchaDisponible(TNucleoMarcha::AVX2));
  }
  // The default is the widest kernel available; the reference is never the default.
  EXPECT_NE(NucleoMarcha(), TNucleoMarcha::Referencia);
  EXPECT_TRUE(NucleoMarchaDisponible(NucleoMarcha()));
  if (NucleoMarchaDisponible(TNucleoMarcha::AVX512)) {
    EXPECT_EQ(NucleoMarcha(), TNucleoMarcha::AVX512);
  }
  for (TNucleoMarcha n : kNucleos) {
    SCOPED_TRACE(NombreNucleoMarcha(n));
    if (NucleoMarchaDisponible(n)) {
      FijarNucleoMarcha(n);
      EXPECT_EQ(NucleoMarcha(), n);
    } else {
      FijarNucleoMarcha(TNucleoMarcha::Portable);
      EXPECT_THROW_MSG(FijarNucleoMarcha(n), EErrorGeneral,
                       std::string("El núcleo de la marcha ") + NombreNucleoMarcha(n) +
                           " no está disponible en este procesador");
      EXPECT_EQ(NucleoMarcha(), TNucleoMarcha::Portable);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Every kernel against the straightforward march, bit for bit.

namespace {

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

TCurvaAerogen Curva2MW(double D = 80) {
  std::vector<double> v,
      p = {0.066, 0.152, 0.28, 0.457, 0.69, 0.978, 1.296, 1.598, 1.818, 1.935, 1.98, 1.995,
           2,     2,     2,    2,     2,    2,     2,     2,     2,     2,     2};
  for (int i = 3; i <= 25; ++i) v.push_back(i);
  return TCurvaAerogen::Create(1, "G80-2.0MW", D, TVectR::CreateDesdeDA(1, v),
                               TVectR::CreateDesdeDA(1, p));
}

struct Parque {
  const char* nombre;
  std::vector<TPuntoXY> molinos;
  double dx, dy, margen;
  double factorPerdidas = 0.035;
  std::vector<double> direcciones;
};

std::unique_ptr<TParque_ModeloTeorico> Modelo(const Parque& p) {
  auto m = std::make_unique<TParque_ModeloTeorico>();
  int k = 0;
  for (const TPuntoXY& q : p.molinos) {
    TMolino t;
    t.curva = Curva2MW(k % 3 == 2 ? 100 : 80);
    t.etha = 1 - 0.01 * (k % 4);
    t.posicion = TPosicion::Create(q.x, q.y);
    m->molinos.push_back(std::move(t));
    ++k;
  }
  m->nMolinos = static_cast<int32_t>(p.molinos.size());
  m->alfa_terreno = 0.5;
  m->gamma_atmosfera = 0.4;
  m->fpv3pe = 1.8;
  m->factor_perdidas = p.factorPerdidas;
  m->potencia_autorizada_mw = std::max(2.0 * static_cast<double>(p.molinos.size()), 1.0);
  m->potencia_nominal = m->potencia_autorizada_mw;
  m->grilla_rotada_dx = p.dx;
  m->grilla_rotada_dy = p.dy;
  m->grilla_rotada_margen_dx = p.margen;
  m->meteo_etha = TMatR(72, 1);
  m->meteo_etha.LlenarUnos();
  m->CalcularCurvaEquivalente();
  return m;
}

// The farms of the comparison: among them the mast in a wake, the mast upwind of every turbine
// and downwind of every one, turbines on the first and on the last row, two turbines on one
// row, grids a few cells wide (the kernels' ends of row) and a farm without turbines.
const std::vector<Parque>& Parques() {
  static const std::vector<Parque> p = {
      {"matriz",
       {{-300, -300},
        {0, -300},
        {300, -300},
        {-300, 0},
        {0, 150},
        {300, 0},
        {-300, 300},
        {0, 300},
        {300, 300}},
       9,
       3,
       400,
       0.035,
       {0, 45, 90, 200, 270}},
      // A margin below the rotor: the end turbines sit on the first and the last row.
      {"bordes", {{0, -300}, {0, 300}, {60, 300}, {-40, 0}}, 7, 40, 30, 0.035, {0, 180, 93}},
      {"lejos", {{0, 2000}, {30, 2600}}, 11, 5, 300, 0.035, {0, 180}},
      {"estrecho", {{0, 0}, {0, 90}}, 31, 2, 45, 0.035, {0, 17, 180}},
      {"angosto", {{0, 0}}, 200, 3, 60, 0.035, {0, 90}},
      {"perdidas", {{0, 0}, {0, 500}, {350, 250}}, 9, 2, 300, 0.6, {270, 10}},
      {"vacio", {}, 9, 4, 200, 0.035, {0, 45}},
  };
  return p;
}

struct Resultado {
  double p = 0, mastil = 0, libre = 0;
  int32_t pasadas = 0, marchas = 0;
  bool convergio = false;
  std::vector<double> dpvMedia, potencia;
};

void LeerMolinos(const TParque_ModeloTeorico& m, Resultado& r) {
  r.dpvMedia.clear();
  r.potencia.clear();
  for (const TMolino& t : m.molinos) {
    r.dpvMedia.push_back(t.dpvMedia);
    r.potencia.push_back(t.potencia);
  }
}

void ExpectIguales(const Resultado& a, const Resultado& b) {
  EXPECT_EQ(Bits(a.p), Bits(b.p)) << a.p << " " << b.p;
  EXPECT_EQ(Bits(a.mastil), Bits(b.mastil)) << a.mastil << " " << b.mastil;
  EXPECT_EQ(Bits(a.libre), Bits(b.libre)) << a.libre << " " << b.libre;
  EXPECT_EQ(a.pasadas, b.pasadas);
  EXPECT_EQ(a.marchas, b.marchas);
  EXPECT_EQ(a.convergio, b.convergio);
  ASSERT_EQ(a.potencia.size(), b.potencia.size());
  for (size_t k = 0; k < a.potencia.size(); ++k) {
    EXPECT_EQ(Bits(a.dpvMedia[k]), Bits(b.dpvMedia[k])) << "molino " << k;
    EXPECT_EQ(Bits(a.potencia[k]), Bits(b.potencia[k])) << "molino " << k;
  }
}

// The whole grid, every cell's bits.
void ExpectGrillasIguales(TParque_ModeloTeorico& a, TParque_ModeloTeorico& b) {
  const TGrillaDPV& ga = a.Grilla();
  const TGrillaDPV& gb = b.Grilla();
  ASSERT_EQ(ga.nf, gb.nf);
  ASSERT_EQ(ga.nc, gb.nc);
  for (int32_t i = 1; i <= ga.nf; ++i)
    ASSERT_EQ(std::memcmp(ga.Fila(i), gb.Fila(i), static_cast<size_t>(ga.nc) * sizeof(NReal)), 0)
        << "fila " << i;
}

class MarchaPorNucleo : public ::testing::TestWithParam<TNucleoMarcha> {
 protected:
  void SetUp() override {
    if (!NucleoMarchaDisponible(GetParam()))
      GTEST_SKIP() << "el procesador no tiene " << NombreNucleoMarcha(GetParam());
  }
  NucleoGuardado guardado_;
};

std::string NombreParametro(const ::testing::TestParamInfo<TNucleoMarcha>& i) {
  return NombreNucleoMarcha(i.param);
}

}  // namespace

TEST_P(MarchaPorNucleo, IgualBitABitALaReferencia) {
  const TNucleoMarcha nucleo = GetParam();
  // What the table must have gone through, counted on the reference.
  int conTope = 0, variasPasadas = 0, mastilEnEstela = 0, molinoEnUltimaFila = 0,
      molinoEnPrimeraFila = 0, mastilAntesDeLosMolinos = 0, mastilDespuesDeLosMolinos = 0;
  for (const Parque& parque : Parques()) {
    SCOPED_TRACE(parque.nombre);
    auto ref = Modelo(parque);
    auto rap = Modelo(parque);
    for (double dir : parque.direcciones) {
      SCOPED_TRACE("dirección " + std::to_string(dir));
      ref->PrepararGrilla(true, dir, 0);
      rap->PrepararGrilla(true, dir, 0);
      // A station factor other than 1 on some directions.
      if (dir == 45 || dir == 180) ref->factorMeteo = rap->factorMeteo = 0.93;
      const int32_t nf = ref->Grilla().nf;
      int32_t primera = nf + 1, ultima = 0;
      for (const TMolino& t : ref->molinos) {
        primera = std::min(primera, t.posicion.fila);
        ultima = std::max(ultima, t.posicion.fila);
      }
      if (ultima == nf) ++molinoEnUltimaFila;
      if (primera == 1) ++molinoEnPrimeraFila;
      for (double v : {4.5, 9.0, 14.0}) {
        const double V = DensidadPotenciaViento(v, 1.225);
        for (double tope : {1e9, 3.0, 0.1}) {
          SCOPED_TRACE("v " + std::to_string(v) + " tope " + std::to_string(tope));
          Resultado a, b;
          FijarNucleoMarcha(TNucleoMarcha::Referencia);
          a.p = ref->RecorrerGrilla(a.mastil, 1.2, V, tope);
          a.pasadas = ref->pasadasUltimaMarcha;
          a.libre = ref->dpvLibre;
          LeerMolinos(*ref, a);
          FijarNucleoMarcha(nucleo);
          b.p = rap->RecorrerGrilla(b.mastil, 1.2, V, tope);
          b.pasadas = rap->pasadasUltimaMarcha;
          b.libre = rap->dpvLibre;
          LeerMolinos(*rap, b);
          ExpectIguales(a, b);
          if (a.pasadas == 11) ++conTope;
          if (a.pasadas > 1 && a.pasadas < 11) ++variasPasadas;
          if (a.mastil < 0.999 * V * ref->factorMeteo) ++mastilEnEstela;
          // The mast's row against the turbine rows.
          const double filaMastil = -ref->grillaYMin / ref->celdaDy + 1;
          if (!ref->molinos.empty() && filaMastil + 1 < primera) ++mastilAntesDeLosMolinos;
          if (!ref->molinos.empty() && filaMastil > ultima + 1) ++mastilDespuesDeLosMolinos;

          // The whole grid where it is read afterwards, and the turbines left as they were.
          ExpectGrillasIguales(*ref, *rap);
          LeerMolinos(*rap, b);
          ExpectIguales(a, b);

          // The farm power's fixed point on the same grid.
          FijarNucleoMarcha(TNucleoMarcha::Referencia);
          a.p = ref->PotenciaParque(a.convergio, a.mastil, 1.225, V, tope, a.libre);
          a.pasadas = ref->pasadasUltimaMarcha;
          a.marchas = ref->marchasUltimaPotencia;
          LeerMolinos(*ref, a);
          FijarNucleoMarcha(nucleo);
          b.p = rap->PotenciaParque(b.convergio, b.mastil, 1.225, V, tope, b.libre);
          b.pasadas = rap->pasadasUltimaMarcha;
          b.marchas = rap->marchasUltimaPotencia;
          LeerMolinos(*rap, b);
          ExpectIguales(a, b);
          if (::testing::Test::HasFailure()) return;
        }
      }
    }
  }
  EXPECT_GT(conTope, 0);
  EXPECT_GT(variasPasadas, 0);
  EXPECT_GT(mastilEnEstela, 0);
  EXPECT_GT(molinoEnUltimaFila, 0);
  EXPECT_GT(molinoEnPrimeraFila, 0);
  EXPECT_GT(mastilAntesDeLosMolinos, 0);
  EXPECT_GT(mastilDespuesDeLosMolinos, 0);
}

// The readers of the grid after the farm power, as the window uses them: the density at the
// mast and at points, at every pixel of a drawing window, and the turbine under a pixel.
TEST_P(MarchaPorNucleo, LecturasDeLaGrillaComoAntes) {
  const TNucleoMarcha nucleo = GetParam();
  const Parque& parque = Parques()[0];
  auto ref = Modelo(parque);
  auto rap = Modelo(parque);
  for (double dir : {30.0, 270.0}) {
    SCOPED_TRACE(dir);
    const double V = DensidadPotenciaViento(10, 1.225);
    bool c = false;
    double dm = 0, libre = 0;
    FijarNucleoMarcha(TNucleoMarcha::Referencia);
    ref->PrepararGrilla(true, dir, V);
    ref->PotenciaParque(c, dm, 1.225, V, 12.5, libre);
    FijarNucleoMarcha(nucleo);
    rap->PrepararGrilla(true, dir, V);
    rap->PotenciaParque(c, dm, 1.225, V, 12.5, libre);
    // The mast first, as the window reads it, then points in and out of the grid.
    EXPECT_EQ(Bits(rap->DPVEnPunto({0, 0})), Bits(ref->DPVEnPunto({0, 0})));
    for (double x = -900; x <= 900; x += 37.5)
      for (double y = -900; y <= 900; y += 41.25)
        ASSERT_EQ(Bits(rap->DPVEnPunto({x, y})), Bits(ref->DPVEnPunto({x, y}))) << x << "," << y;
    ref->FijarVentanaDibujo(0, 30, 160, 130);
    rap->FijarVentanaDibujo(0, 30, 160, 130);
    for (int32_t x = 0; x < 160; ++x)
      for (int32_t y = 30; y < 130; ++y)
        ASSERT_EQ(Bits(rap->DPVEnPixel(x, y)), Bits(ref->DPVEnPixel(x, y))) << x << "," << y;
    for (size_t k = 0; k < ref->molinos.size(); ++k) {
      int32_t px = 0, py = 0;
      ref->MundoAPixel(ref->molinos[k].posicion.punto, px, py);
      const TMolino* a = ref->MolinoMasCercano(px, py);
      const TMolino* b = rap->MolinoMasCercano(px, py);
      ASSERT_TRUE(a != nullptr && b != nullptr);
      EXPECT_EQ(a - ref->molinos.data(), b - rap->molinos.data());
      EXPECT_EQ(Bits(a->dpvMedia), Bits(b->dpvMedia));
      EXPECT_EQ(Bits(a->potencia), Bits(b->potencia));
    }
    ExpectGrillasIguales(*ref, *rap);
  }
}

INSTANTIATE_TEST_SUITE_P(Nucleos, MarchaPorNucleo,
                         ::testing::Values(TNucleoMarcha::Portable, TNucleoMarcha::AVX2,
                                           TNucleoMarcha::AVX512),
                         NombreParametro);

// The row step of every width against the plain loop, for rows of 2 to 41 cells (every end of
// row of the 4- and 8-wide steps): the same bits, the end cells and what lies beyond untouched.
TEST(NucleoMarcha, PasoDeFilaDeCadaAncho) {
  using Paso = void (*)(NReal*, const NReal*, int32_t, NReal, NReal, NReal, NReal);
  struct Ancho {
    const char* nombre;
    bool disponible;
    Paso paso;
  } anchos[] = {
      {"AVX2", nucleos_marcha::CPUTieneAVX2(), nucleos_marcha::PropagarInteriorAVX2},
      {"AVX512", nucleos_marcha::CPUTieneAVX512(), nucleos_marcha::PropagarInteriorAVX512},
  };
  uint64_t semilla = 12345;
  auto aleatorio = [&] {
    semilla = semilla * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(semilla >> 11) / 9007199254740992.0;
  };
  const double cL = 0.0271, cC = 1 - 2 * cL, uR = 0.9992, b = 0.0008 * 4.5e-4;
  for (const Ancho& a : anchos) {
    if (!a.disponible) continue;
    SCOPED_TRACE(a.nombre);
    for (int32_t nc = 2; nc <= 41; ++nc) {
      std::vector<double> o(static_cast<size_t>(nc));
      for (double& x : o) x = 1e-4 * (0.2 + aleatorio());
      if (nc > 5) o[3] = 1e-310;  // a subnormal
      std::vector<double> esperado(static_cast<size_t>(nc) + 8, -7.0), d = esperado;
      nucleos_marcha::PropagarInteriorPortable(esperado.data(), o.data(), nc, cL, cC, uR, b);
      a.paso(d.data(), o.data(), nc, cL, cC, uR, b);
      for (size_t j = 0; j < d.size(); ++j)
        ASSERT_EQ(Bits(d[j]), Bits(esperado[j])) << nc << " " << j;
      EXPECT_EQ(d[0], -7.0);
      EXPECT_EQ(d[static_cast<size_t>(nc) - 1], -7.0);
    }
  }
}

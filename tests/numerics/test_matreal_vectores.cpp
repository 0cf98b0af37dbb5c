#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>

#include "casos_matreal.h"
#include "comun/afirmaciones.h"
#include "numerics/MatEnt.h"
#include "numerics/matreal.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace fs = std::filesystem;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TVectR V(std::initializer_list<double> xs) { return TVectR::CreateDesdeDA(1, TDAofNReal(xs)); }

TDAofNReal Elementos(const TVectR& v) { return TDAofNReal(v.pv.begin() + 1, v.pv.end()); }

TDAofNInt Identidad(int n) {
  TDAofNInt idx(static_cast<size_t>(n) + 1);
  for (int k = 0; k <= n; ++k) idx[static_cast<size_t>(k)] = k;
  return idx;
}

// ---------------------------------------------------------------------------------------------

TEST(TVectR, CreacionYTamano) {
  const TVectR v0(0);
  EXPECT_EQ(v0.n, 0);
  EXPECT_EQ(v0.pv.size(), 1u);
  EXPECT_EQ(TVectR().pv.size(), 1u);
  EXPECT_THROW(TVectR(-1), EErrorGeneral);
  EXPECT_EQ(TVectR::CreateDesdeDA(1, {4, 5}).pv, (TDAofNReal{0, 4, 5}));
  for (int32_t k0 : {0, 2}) EXPECT_THROW(TVectR::CreateDesdeDA(k0, {4, 5}), EErrorGeneral) << k0;

  TVectR v = V({1, 2, 3});
  v.pv[0] = 42;  // not an element, but copies carry it
  const TVectR c = TVectR::CreateCopia(v);
  EXPECT_EQ(c.pv, (TDAofNReal{42, 1, 2, 3}));
  v.PonerElemento(2, -5);
  EXPECT_EQ(c.Elemento(2), 2);  // a deep copy
  EXPECT_EQ(v.Duplicar(), v);

  v.Redimensionar(5);
  EXPECT_EQ(Elementos(v), (TDAofNReal{1, -5, 3, 0, 0}));
  v.Redimensionar(2);
  EXPECT_EQ(v.n, 2);
  EXPECT_EQ(v.pv.size(), 3u);
  EXPECT_EQ(Elementos(v), (TDAofNReal{1, -5}));
  EXPECT_THROW(v.Redimensionar(-2), EErrorGeneral);

  TVectR a = V({1, 2});
  TVectR b = V({7, 8, 9});
  const double* datosA = a.pv.data();
  IntercambiarVectores(a, b);
  EXPECT_EQ(b.n, 2);
  EXPECT_EQ(a.n, 3);
  EXPECT_EQ(b.pv.data(), datosA);
  TVectR movido = std::move(b);
  EXPECT_EQ(movido.pv.data(), datosA);

  TVectE e(3);
  e[2] = 7;
  EXPECT_EQ(e.pv, (TDAofNInt{0, 0, 7, 0}));
  EXPECT_EQ(e.Elemento(2), 7);
  e.Anular();
  EXPECT_EQ(e.pv, (TDAofNInt{0, 0, 0, 0}));
  EXPECT_THROW(TVectE(-1), EErrorGeneral);
}

TEST(TVectR, Aritmetica) {
  TVectR e = V({1, 2, 3, 4});
  const TVectR y = V({10, 20, 30, 40});
  e.SumarMultiplo(y, 0.5);
  EXPECT_EQ(Elementos(e), (TDAofNReal{6, 12, 18, 24}));
  e.SumarMultiploRango(y, 2, 3, -1);
  EXPECT_EQ(Elementos(e), (TDAofNReal{6, -8, -12, 24}));
  e.SumarMultiploRango(y, 3, 2, 100);  // empty range
  e.MultiplicarDesde(3, 2);
  EXPECT_EQ(Elementos(e), (TDAofNReal{6, -8, -24, 48}));
  EXPECT_EQ(e.ProductoEscalar(y), 60 - 160 - 720 + 1920);
  EXPECT_EQ(Elementos(e.ProductoElementos(y)), (TDAofNReal{60, -160, -720, 1920}));
  EXPECT_EQ(e.SumaRango(2, 3), -32);
  EXPECT_EQ(e.SumaRango(3, 2), 0);
  EXPECT_EQ(e.Promedio(), 22.0 / 4);
  EXPECT_EQ(V({3, 4}).Norma(), 5);
  EXPECT_EQ(V({3, 4}).NormaCuadrada(), 25);

  TVectR s(3);
  s.Suma(y, y);  // over self.n = 3
  EXPECT_EQ(Elementos(s), (TDAofNReal{20, 40, 60}));
  TVectR largo = V({9, 9, 9, 9, 9});
  largo.Asignar(s);  // over y.n
  EXPECT_EQ(Elementos(largo), (TDAofNReal{20, 40, 60, 9, 9}));
  s.Copiar(y);  // over self.n
  EXPECT_EQ(Elementos(s), (TDAofNReal{10, 20, 30}));
  s.LlenarUnos();
  EXPECT_EQ(Elementos(s), (TDAofNReal{1, 1, 1}));
  s.Anular();
  EXPECT_EQ(s.pv, (TDAofNReal{0, 0, 0, 0}));
}

TEST(TVectR, ExtremosNormalizacionYRangos) {
  const TVectR v = V({2, -1, 5, -1, 5, 0});
  EXPECT_EQ(v.Minimo(), -1);
  EXPECT_EQ(v.Maximo(), 5);
  int32_t kMin = 0, kMax = 0;
  double vMin = 0, vMax = 0;
  v.MinMax(kMin, kMax, vMin, vMax);
  EXPECT_EQ(kMin, 2);  // first occurrence of each extreme
  EXPECT_EQ(kMax, 3);
  EXPECT_EQ(vMin, -1);
  EXPECT_EQ(vMax, 5);
  // else-if: an element that lowers the minimum is not considered for the maximum
  V({1, 0}).MinMax(kMin, kMax, vMin, vMax);
  EXPECT_EQ(kMax, 1);

  TVectR a = V({3, 4});
  EXPECT_EQ(a.Normalizar(), 5);
  EXPECT_DOUBLE_EQ(a.Elemento(1), 0.6);
  EXPECT_DOUBLE_EQ(a.Elemento(2), 0.8);
  TVectR z = V({0, 0});
  EXPECT_EQ(z.Normalizar(), 0);
  EXPECT_EQ(Elementos(z), (TDAofNReal{1, 0}));
  TVectR casi = V({0, 1e-16, 1e-16});  // norm/n below eps: degenerate too
  EXPECT_EQ(casi.Normalizar(), 0);
  EXPECT_EQ(Elementos(casi), (TDAofNReal{1, 0, 0}));

  EXPECT_EQ(v.CopiarRangoADA(1, -1), (TDAofNReal{2, -1, 5, -1, 5, 0}));
  EXPECT_EQ(v.CopiarRangoADA(2, 4), (TDAofNReal{-1, 5, -1}));
  EXPECT_EQ(v.CopiarRangoADA(5, 5), (TDAofNReal{5}));
  EXPECT_EQ(v.CopiarRangoADA(4, 1), (TDAofNReal{-1, 5, 0}));  // the rest from desde
}

// ---------------------------------------------------------------------------------------------
// Sorting

TEST(Ordenar, PermutacionDelEsquemaDeReferencia) {
  // Ties are ordered by the swaps of the scheme, and other channels are reordered with the
  // permutation, so it must be the reference scheme's exactly.
  const auto casos = casos_matreal::Leer("orden");
  ASSERT_GE(casos.size(), 10u);
  for (auto c : casos) {
    const bool asc = c.Siguiente() == "asc";
    const int n = c.Entero();
    TVectR v = TVectR::CreateDesdeDA(1, c.Reales(n));
    const TDAofNReal original = Elementos(v);
    c.Barra();
    TDAofNInt esperado(1, 0);
    for (int k = 0; k < n; ++k) esperado.push_back(c.Entero());
    TDAofNInt idx = Identidad(n);
    v.OrdenarConIndice(asc, idx);
    EXPECT_EQ(idx, esperado) << (asc ? "asc n=" : "desc n=") << n;
    TDAofNReal ordenado = original;
    if (asc)
      std::sort(ordenado.begin(), ordenado.end());
    else
      std::sort(ordenado.begin(), ordenado.end(), std::greater<>());
    EXPECT_EQ(Elementos(v), ordenado);
    // The same scheme without the index.
    TVectR w = TVectR::CreateDesdeDA(1, original);
    w.Ordenar(asc);
    EXPECT_EQ(Elementos(w), ordenado);
    // Reordenar applies the permutation, ReordenarInverso undoes it.
    TVectR r = TVectR::CreateDesdeDA(1, original);
    r.Reordenar(idx);
    EXPECT_EQ(r, v);
    r.ReordenarInverso(idx);
    EXPECT_EQ(Elementos(r), original);
  }
}

TEST(Ordenar, AleatorioContraStdSort) {
  std::mt19937_64 gen(42);
  for (int n : {1, 2, 3, 17, 1000, 5000}) {
    std::uniform_int_distribution<int> d(0, n / 3 + 1);  // many ties
    TDAofNReal a(static_cast<size_t>(n) + 2, -999.0);    // sentinels outside lo..hi
    for (int k = 1; k <= n; ++k) a[static_cast<size_t>(k)] = d(gen) * 0.25;
    const TDAofNReal original = a;
    TDAofNInt idx = Identidad(n + 1);
    OrdenarDescConIndice(a, idx, 1, n);
    TDAofNReal esperado = original;
    std::sort(esperado.begin() + 1, esperado.begin() + n + 1, std::greater<>());
    EXPECT_EQ(a, esperado) << n;
    for (int k = 1; k <= n; ++k)
      ASSERT_EQ(a[static_cast<size_t>(k)],
                original[static_cast<size_t>(idx[static_cast<size_t>(k)])]);
    TDAofNInt visto(idx.begin() + 1, idx.begin() + n + 1);
    std::sort(visto.begin(), visto.end());
    for (int k = 1; k <= n; ++k) ASSERT_EQ(visto[static_cast<size_t>(k - 1)], k);
    EXPECT_EQ(idx[0], 0);
    EXPECT_EQ(idx[static_cast<size_t>(n) + 1], n + 1);
  }
  TDAofNReal uno = {5, 3};
  OrdenarAsc(uno, 1, 1);  // lo >= hi: nothing
  OrdenarAsc(uno, 1, 0);
  EXPECT_EQ(uno, (TDAofNReal{5, 3}));
}

// An input on which every partition of the scheme peels off a single element, leaving the
// large part as the first of the two sub-ranges (the call a compiler cannot turn into a jump):
// the middle element of each range lo..hi is the range's maximum. Built by following the
// scheme's own swaps: the slot now at the middle gets the next (smaller) value, the partition
// swaps it with position hi and goes on with lo..hi-1.
TDAofNReal EntradaAdversa(int n) {
  std::vector<int> slot(static_cast<size_t>(n) + 1);
  for (int k = 1; k <= n; ++k) slot[static_cast<size_t>(k)] = k;
  TDAofNReal a(static_cast<size_t>(n) + 1, 0.0);
  double valor = n;
  for (int hi = n; hi >= 1; --hi) {
    const int medio = (1 + hi) / 2;
    a[static_cast<size_t>(slot[static_cast<size_t>(medio)])] = valor--;
    std::swap(slot[static_cast<size_t>(hi)], slot[static_cast<size_t>(medio)]);
  }
  return a;
}

struct Trabajo {
  TDAofNReal a;
  TDAofNInt idx;
  bool desc = false;
};

void* Ordenar(void* p) {
  auto* t = static_cast<Trabajo*>(p);
  const int n = static_cast<int>(t->a.size()) - 1;
  if (t->desc)
    OrdenarDescConIndice(t->a, t->idx, 1, n);
  else
    OrdenarAscConIndice(t->a, t->idx, 1, n);
  return nullptr;
}

TEST(Ordenar, EntradaAdversaNoDesbordaLaPila) {
  // 30000 nested calls of the plain scheme need several megabytes of stack; the sort runs on a
  // thread with 512 KiB, which a logarithmic depth never comes near.
  const int n = 30000;
  for (bool desc : {false, true}) {
    Trabajo t;
    t.a = EntradaAdversa(n);
    if (desc)
      for (double& x : t.a) x = -x;
    t.idx = Identidad(n);
    t.desc = desc;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 512 * 1024);
    pthread_t hilo;
    ASSERT_EQ(pthread_create(&hilo, &attr, Ordenar, &t), 0);
    pthread_join(hilo, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_TRUE(desc ? std::is_sorted(t.a.begin() + 1, t.a.end(), std::greater<>())
                     : std::is_sorted(t.a.begin() + 1, t.a.end()));
  }
  // The construction really is adversarial: the middle of the whole range is its maximum.
  const TDAofNReal a = EntradaAdversa(9);
  EXPECT_EQ(a[5], 9);
}

TEST(BusquedaBinaria, ComoUpperBound) {
  const TDAofNReal a = {-7, 1, 2, 2, 2, 3};
  EXPECT_EQ(BusquedaBinaria(1, 5, 2, a), 5);
  EXPECT_EQ(BusquedaBinaria(1, 5, 0, a), 1);
  EXPECT_EQ(BusquedaBinaria(1, 5, 3, a), 6);
  std::mt19937 gen(7);
  for (int n : {1, 2, 3, 8, 100}) {
    TDAofNReal b(static_cast<size_t>(n) + 1, 0.0);
    std::uniform_int_distribution<int> d(0, 10);
    for (int k = 1; k <= n; ++k) b[static_cast<size_t>(k)] = d(gen);
    std::sort(b.begin() + 1, b.end());
    for (double x = -1; x <= 11; x += 0.5) {
      const auto ub = std::upper_bound(b.begin() + 1, b.end(), x) - b.begin();
      ASSERT_EQ(BusquedaBinaria(1, n, x, b), ub) << n << " " << x;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Interpolation and its inverse

TEST(TVectR, InterpolarEnIndice) {
  const TVectR v = V({10, 20, 30});
  struct Caso {
    double r, esperado;
  };
  const Caso casos[] = {{0.5, 10},    {2.25, 22.5}, {2.999, 29.99}, {3, 30},           {7, 30},
                        {-4, 10},     {1, 10},      {1.5, 15},      {-0.999, 10},      {1e300, 30},
                        {-1e300, 10}, {kInf, 30},   {-kInf, 10},    {4294967297.5, 30}};
  for (const Caso& c : casos) EXPECT_NEAR(v.InterpolarEnIndice(c.r), c.esperado, 1e-12) << c.r;
  EXPECT_TRUE(std::isnan(v.InterpolarEnIndice(kNaN)));
}

TEST(TVectR, IndiceReal) {
  struct Caso {
    TVectR v;
    double x, esperado;
  };
  const Caso casos[] = {
      {V({10, 20, 30}), 25, 2.5},
      {V({10, 20, 30}), 10, 1},
      {V({10, 20, 30}), 5, 0.5},
      {V({10, 20, 30}), 40, 4},
      {V({10, 20, 30}), 30, 3},
      {V({10, 10, 30}), 10, 1},
      {V({10, 10, 30}), 9, -1},
      {V({10, 20, 20}), 20, 2},
      {V({10, 20, 20}), 25, 4},
      {V({10, 20, 20}), 15, 1.5},
      {V({7}), 7, 1},
      {V({7}), 6, -1},
      {V({7}), 8, 2},
      {TVectR(0), 1, -1},
  };
  for (const Caso& c : casos)
    EXPECT_DOUBLE_EQ(c.v.IndiceReal(c.x), c.esperado) << c.v.n << " " << c.x;
  // The inverse of the interpolation on a strictly ascending vector.
  const TVectR w = V({0.5, 1.25, 4, 4.5, 9, 16.75});
  for (double r = 1; r <= 6; r += 0.125)
    EXPECT_NEAR(w.IndiceReal(w.InterpolarEnIndice(r)), r, 1e-12) << r;
}

// ---------------------------------------------------------------------------------------------
// Lagged correlation

TEST(TVectR, CorrelacionDesfasadaContraReferencia) {
  const auto casos = casos_matreal::Leer("correlacion");
  ASSERT_GE(casos.size(), 8u);
  for (auto c : casos) {
    const TVectR a = TVectR::CreateDesdeDA(1, c.Reales(c.Entero()));
    const TVectR b = TVectR::CreateDesdeDA(1, c.Reales(c.Entero()));
    const int lag = c.Entero();
    const bool con = c.Entero() == 1;
    const double umbral = c.Real();
    const double r = c.Real();
    EXPECT_NEAR(a.CorrelacionDesfasada(b, lag, con, umbral), r, 1e-12) << lag << " " << umbral;
  }
}

TEST(TVectR, CorrelacionDesfasadaDegeneradaEsCero) {
  const TVectR a = V({1, 2, 3, 4});
  const TVectR cte = V({5, 5, 5, 5, 5});
  EXPECT_EQ(a.CorrelacionDesfasada(cte, 1, false, 0), 0);              // no variance on one side
  EXPECT_EQ(a.CorrelacionDesfasada(V({1, 2, 3, 4}), 3, false, 0), 0);  // a single pair
  EXPECT_EQ(a.CorrelacionDesfasada(V({1, 2, 3, 4}), 4, false, 0), 0);  // no pair
  EXPECT_EQ(a.CorrelacionDesfasada(V({1, 2, 3, 4}), -4, false, 0), 0);
  EXPECT_EQ(a.CorrelacionDesfasada(V({1, 2, 3, 4}), 0, true, 10), 0);  // all excluded
  EXPECT_EQ(a.CorrelacionDesfasada(a, std::numeric_limits<int32_t>::min(), false, 0), 0);
  // 1e200 squared is infinite: the plain formula gives NaN, which must not come out.
  EXPECT_EQ(V({1e200, -1e200, 3}).CorrelacionDesfasada(V({1, 2, 3}), 0, false, 0), 0);
  // Rounding can leave a tiny positive variance on a constant side; no spurious +-inf/NaN.
  const double r = V({0.1, 0.1, 0.1}).CorrelacionDesfasada(V({1, 2, 3}), 0, false, 0);
  EXPECT_TRUE(std::isfinite(r));
}

// ---------------------------------------------------------------------------------------------
// Text block

class BloqueTexto : public ::testing::Test {
 protected:
  void SetUp() override {
    guardado_ = FormatSettings();
    ruta_ = fs::temp_directory_path() /
            ("aeronda-vectr-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
             std::to_string(::getpid()) + ".txt");
  }
  void TearDown() override {
    FormatSettings() = guardado_;
    fs::remove(ruta_);
  }
  TFormatSettings guardado_;
  fs::path ruta_;
};

TEST_F(BloqueTexto, TextoExacto) {
  {
    TextoSalida f(ruta_);
    V({1.5, -2.5e-3, 0}).EscribirTexto(f);
    TVectR(0).EscribirTexto(f);
    f.Cerrar();
  }
  EXPECT_EQ(LeerArchivoCompleto(ruta_),
            "3\r\n 1.5000000000000000E+000\r\n-2.5000000000000001E-003\r\n"
            " 0.0000000000000000E+000\r\n0\r\n");
}

TEST_F(BloqueTexto, IdaYVueltaBitABitConComaDecimal) {
  // Random bit patterns (finite ones), written and read back under a decimal comma and,
  // when the system has it, a Spanish C locale.
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  const char* previo = std::setlocale(LC_ALL, nullptr);
  const std::string localePrevio = previo ? previo : "C";
  std::setlocale(LC_ALL, "es_ES.UTF-8");
  std::mt19937_64 gen(1102);
  TVectR v(10000);
  for (int i = 1; i <= v.n;) {
    const double x = std::bit_cast<double>(gen());
    if (std::isfinite(x)) v[i++] = x;
  }
  v[1] = -0.0;
  v[2] = 5e-324;
  v[3] = std::numeric_limits<double>::max();
  {
    TextoSalida f(ruta_);
    v.EscribirTexto(f);
    f.Cerrar();
  }
  TextoEntrada f(ruta_);
  const TVectR w = TVectR::CreateLeerTexto(f, -1);
  std::setlocale(LC_ALL, localePrevio.c_str());
  ASSERT_EQ(w.n, v.n);
  for (int i = 1; i <= v.n; ++i)
    ASSERT_EQ(std::bit_cast<uint64_t>(w[i]), std::bit_cast<uint64_t>(v[i])) << i;
  EXPECT_EQ(LeerArchivoCompleto(ruta_).find(','), std::string::npos);
}

TEST_F(BloqueTexto, Lectura) {
  // Length given by the caller: no length line; the rest of each line is ignored.
  TextoEntrada f = TextoEntrada::DesdeTexto("  2.5 resto\r\n-1E+000\r\n7\n");
  const TVectR v = TVectR::CreateLeerTexto(f, 2);
  EXPECT_EQ(v.pv, (TDAofNReal{0, 2.5, -1}));
  EXPECT_EQ(f.LeerEntero(), 7);

  struct Caso {
    const char* texto;
    const char* mensaje;
  };
  const Caso casos[] = {
      {"-1\n", "Error leyendo línea: 1"},                        // a negative count
      {"3\n1\n2\n", "Error leyendo línea: 4: fin del archivo"},  // ends early
      {"2\n1\n1,5\n", "Error leyendo línea: 3"},                 // not a plain real
      {"x\n", "Error leyendo línea: 1"},
      // A corrupt count fails, no huge allocation.
      {"2000000000\n1\n", "Error leyendo línea: 3: fin del archivo"},
  };
  for (const Caso& c : casos) {
    TextoEntrada g = TextoEntrada::DesdeTexto(c.texto);
    EXPECT_THROW_MSG(TVectR::CreateLeerTexto(g, -1), EInOutError, c.mensaje);
  }
}

TEST(Volcados, FormatosDeConsola) {
  const TVectR v = V({1.23456, -1000});
  testing::internal::CaptureStdout();
  const std::string t = v.print();
  v.ImprimirValores();
  TVectE e(2);
  e[1] = 42;
  e[2] = -7;
  const std::string te = e.print();
  const std::string salida = testing::internal::GetCapturedStdout();
  const std::string esperadoV =
      " TVectR.print.inicio\n"
      " N:      1 :       1.2346\n"
      " N:      2 :   -1000.0000\n"
      " TVectR.print.fin\n";
  const std::string esperadoE =
      " TVectE.print.inicio\n"
      " N:      1 :           42\n"
      " N:      2 :           -7\n"
      " TVectE.print.fin\n";
  EXPECT_EQ(t, esperadoV);
  EXPECT_EQ(te, esperadoE);
  EXPECT_EQ(salida, esperadoV + "        1.235    -1000.000\n" + esperadoE);
}

}  // namespace

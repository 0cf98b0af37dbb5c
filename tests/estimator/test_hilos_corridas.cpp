// Model runs on one thread and on several give the same files, console lines, results and
// final model state, to the last bit: a whole plant-month (empirical model, calibration with
// its improvement files, station-factor matrix, combined model, series processing and
// restriction run), and batches whose evaluations fail or leave no march behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "comun/lineas_crlf.h"
#include "estimator/ucalcrestriccionesoperativas.h"
#include "estimator/ucalibrador.h"
#include "estimator/ucarpetascentrales.h"
#include "estimator/ufisicaviento.h"
#include "estimator/ulotesmodelo.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/aleatorio.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/hilos.h"
#include "platform/rtltexto.h"
#include "services/useriestemporales.h"

namespace fs = std::filesystem;

namespace {

// More threads than items of some batches, fewer than others.
constexpr int32_t kVariosHilos = 5;

struct Hilos {
  explicit Hilos(int32_t n) { FijarNumeroDeHilos(n); }
  ~Hilos() { FijarNumeroDeHilos(0); }
};

std::string Hex(double v) {
  std::ostringstream s;
  s << std::hexfloat << v;
  return s.str();
}

// Everything a later reader of the model could see of its last evaluations.
std::string EstadoModelo(TParque_ModeloTeorico& m) {
  std::ostringstream s;
  const TGrillaDPV& g = m.Grilla();
  s << "dir " << Hex(m.direccion) << " libre " << Hex(m.dpvLibre) << " fm " << Hex(m.factorMeteo)
    << " usa " << m.usaFactorMeteo << " pasadas " << m.pasadasUltimaMarcha << " marchas "
    << m.marchasUltimaPotencia << " grilla " << g.nf << "x" << g.nc << " " << g.vacia << " "
    << Hex(m.grillaXMin) << " " << Hex(m.grillaYMax) << " " << Hex(m.celdaDx) << " "
    << Hex(m.celdaDy) << " " << Hex(m.cLateral) << "\n";
  for (const TMolino& t : m.molinos)
    s << Hex(t.potencia) << " " << Hex(t.dpvMedia) << " " << t.posicion.fila << " "
      << t.posicion.columnaIni << "\n";
  for (const TPuntoXY p : {TPuntoXY{0, 0}, TPuntoXY{130, 300}, TPuntoXY{-250, 40}})
    s << Hex(m.DPVEnPunto(p)) << "\n";
  if (!g.vacia)
    for (size_t k = 0; k < g.Celdas(); k += 101)
      s << Hex(g.Elemento(static_cast<int32_t>(k / static_cast<size_t>(g.nc)) + 1,
                          static_cast<int32_t>(k % static_cast<size_t>(g.nc)) + 1))
        << " ";
  return s.str();
}

// ---------------------------------------------------------------------------------------------
// A synthetic plant-month

// 30 days of ten-minute samples of the nine channels in four direction sectors with their own
// S-curves below the model's 3 MW; the CGM holds the farm at 1.2 MW on three afternoons
// (restriction periods), the first period reaching a calm sample.
void EscribirMes(const fs::path& archivo) {
  struct Sector {
    double centro, pmax, deltaP, alfa, vm;
  };
  const Sector sectores[] = {{0, 3.0, 0.1, 0.6, 9.0},
                             {90, 2.9, 0.05, 0.8, 8.5},
                             {180, 3.2, 0.2, 0.5, 10.0},
                             {270, 3.0, 0.08, 0.7, 9.5}};
  std::mt19937 gen(20161101);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  TSeriesDeDatos s;
  s.NSeries = 9;
  s.nombres = {"vel", "dir", "PE", "temp", "pre", "hum", "CGM", "disp", "varvel"};
  s.tipos.assign(9, SALIDA);
  s.anio = 2016;
  s.mes = 11;
  s.dia = 1;
  s.periodoHoras = 1.0 / 6.0;
  s.pasosPorCiclo = 144;
  const int n = 30 * 144;
  s.NPuntos = n;
  s.series.assign(9, TVectR(n));
  for (int k = 1; k <= n; ++k) {
    const Sector& c = sectores[(k / 7) % 4];
    const double v = 3.0 + 14.0 * u(gen);
    double ang = c.centro + 20.0 * (u(gen) - 0.5);
    if (ang < 0) ang += 360.0;
    double p = std::min(c.pmax / (1.0 + std::exp(-c.alfa * (v - c.vm))) - c.deltaP, 2.95);
    p += 0.05 * (u(gen) - 0.5);
    const int dia = (k - 1) / 144 + 1, paso = (k - 1) % 144;
    const bool restringida = (dia == 5 || dia == 12 || dia == 20) && paso >= 84 && paso < 108;
    double cgm = 50.0;
    if (restringida) {
      cgm = 1.2;
      p = std::min(p, 1.2 + 0.1 * u(gen));
    }
    const double fila[9] = {v,        ang, p,     12.34567 + 0.001 * paso, 1013.25,
                            55.55554, cgm, 100.0, 0.5 + 0.1 * u(gen)};
    for (int j = 0; j < 9; ++j) s.series[static_cast<size_t>(j)][k] = fila[j];
  }
  s.CalcularInicio();
  s.Grabar(archivo);
}

// The fixture's two-turbine model with a coarse grid and a 3 MW limit, so that a month runs
// in seconds and the CGM and set-point tests of the series processing come into play.
std::shared_ptr<TParque_ModeloTeorico> ModeloDelMes() {
  std::shared_ptr<TParque_ModeloTeorico> mt =
      TParque_ModeloTeorico::CreateDesdeArchivo(fs::path(AERONDA_FIXTURES) / "modelo_v3.pmt");
  mt->grilla_rotada_dx = 20;
  mt->grilla_rotada_dy = 10;
  mt->potencia_autorizada_mw = 3.0;
  mt->potencia_nominal = 2.85;
  return mt;
}

// Files of a tree by relative path; a workbook by its parts (its time stamp aside).
std::map<std::string, std::string> Archivos(const fs::path& raiz) {
  std::map<std::string, std::string> r;
  for (const auto& e : fs::recursive_directory_iterator(raiz)) {
    if (!e.is_regular_file()) continue;
    const std::string rel = fs::relative(e.path(), raiz).string();
    if (e.path().extension() == ".xlsx") {
      const std::string orden =
          "python3 -c \"import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1])\n"
          "for n in sorted(z.namelist()):\n"
          "  if n!='docProps/core.xml': "
          "sys.stdout.write(n+'\\n'+z.read(n).decode('latin-1')+'\\n')\" '" +
          e.path().string() + "'";
      std::string salida;
      FILE* p = popen(orden.c_str(), "r");
      char buf[4096];
      size_t n;
      while (p != nullptr && (n = fread(buf, 1, sizeof buf, p)) > 0) salida.append(buf, n);
      if (p == nullptr || pclose(p) != 0) salida = "no se pudo leer el libro";
      r[rel] = salida;
    } else {
      r[rel] = LeerArchivoCompleto(e.path());
    }
  }
  return r;
}

struct Corrida {
  std::map<std::string, std::string> archivos;
  std::string consola;
  std::vector<std::string> estados;  // the models after each step
  std::string resultados;            // the calibration's values
};

Corrida CorrerMes(const fs::path& raiz, const fs::path& series, int32_t hilos) {
  Hilos fijar(hilos);
  Corrida c;
  fs::remove_all(raiz);
  fs::create_directories(raiz);
  const fs::path basura = raiz / "basura";
  ::setenv("AERONDA_BASURA", basura.c_str(), 1);
  std::ostringstream nada;
  IniciarUcarpetascentrales(TRaicesCarpetas{basura, std::nullopt}, nada);
  std::ostringstream consola;
  std::streambuf* antes = std::cout.rdbuf(consola.rdbuf());
  try {
    auto mt = ModeloDelMes();
    auto cal = TCalibradorParque::Create(mt, series, 1, 100);
    // The same search on both: the generator's seed is fixed.
    FijarSemillaDeRandomize(20161101);
    const NReal f = cal->Calibrar({});
    FijarSemillaDeRandomize(0);
    c.resultados = Hex(f) + " " + std::to_string(cal->nEvaluaciones);
    c.estados.push_back(EstadoModelo(*mt));
    mt->meteo_etha = cal->CalibrarEthaMeteo();
    c.estados.push_back(EstadoModelo(*mt));
    const fs::path carpeta = CarpetaCentral(mt->central);
    const fs::path clp = carpeta / "c12_calibrador.clp";
    cal->Guardar(clp);

    auto mc = TParque_ModeloCombinado::CreateDesdeCalibrador(clp);
    c.estados.push_back(EstadoModelo(*mc->mt));
    const fs::path pmc = carpeta / "c12.pmc";
    mc->Guardar(pmc);

    const TDateTime desde = EncodeDate(2016, 11, 1), hasta = EncodeDate(2016, 12, 1);
    TDAofRecsEnergiaPorFecha energias;
    ProcesarSeriesConModeloCombinado(*mc, series, carpeta, false, desde, hasta, desde, hasta, 1.1,
                                     energias, 3, true, false, true, nullptr);
    c.estados.push_back(EstadoModelo(*mc->mt));
    ProcesarSeriesConModeloCombinado(*mc, series, carpeta, true, desde + 3, desde + 9, desde + 4,
                                     desde + 5, 1.1, energias, 2, false, true, true, nullptr);
    c.estados.push_back(EstadoModelo(*mc->mt));

    auto ro = TParque_ModeloCombinado::CreateDesdeArchivo(pmc);
    CalcularRestriccionesConModelo(ModeloParaSeries(*ro, false, false), 1.1, series, carpeta, 3,
                                   desde, hasta);
    c.estados.push_back(EstadoModelo(*ro->mt));
  } catch (...) {
    std::cout.rdbuf(antes);
    FinalizarUcarpetascentrales();
    throw;
  }
  std::cout.rdbuf(antes);
  FinalizarUcarpetascentrales();
  // The run's own folder is named in some lines.
  c.consola = consola.str();
  for (size_t i; (i = c.consola.find(raiz.string())) != std::string::npos;)
    c.consola.replace(i, raiz.string().size(), "<raiz>");
  c.archivos = Archivos(raiz);
  return c;
}

class HilosCorridas : public ::testing::Test {
 protected:
  void SetUp() override {
    formato_ = FormatSettings();
    FormatSettings() = FormatoDeLocale("C");
    raiz_ = fs::temp_directory_path() / ("aeronda_hilos_" + std::to_string(::getpid()));
    fs::remove_all(raiz_);
    fs::create_directories(raiz_);
    if (const char* b = std::getenv("AERONDA_BASURA")) basuraAntes_ = b;
  }
  void TearDown() override {
    if (basuraAntes_)
      ::setenv("AERONDA_BASURA", basuraAntes_->c_str(), 1);
    else
      ::unsetenv("AERONDA_BASURA");
    FormatSettings() = formato_;
    std::error_code ec;
    fs::remove_all(raiz_, ec);
  }
  fs::path raiz_;

 private:
  TFormatSettings formato_;
  std::optional<std::string> basuraAntes_;
};

TEST_F(HilosCorridas, MesDePlantaIgualEnUnHiloYEnVarios) {
  const fs::path series = raiz_ / "c12_series10min.sas";
  EscribirMes(series);
  const Corrida uno = CorrerMes(raiz_ / "uno", series, 1);
  const Corrida varios = CorrerMes(raiz_ / "varios", series, kVariosHilos);

  // What the run is made of: improvement files, both station-factor tables, the combined
  // model, the series tables, the restriction run's workbook and tables.
  std::vector<std::string> nombres;
  for (const auto& [n, _] : uno.archivos) nombres.push_back(n);
  auto hay = [&](const std::string& parte) {
    for (const auto& n : nombres)
      if (n.find(parte) != std::string::npos) return true;
    return false;
  };
  for (const char* parte : {"calibrado_Parque Ejemplo Ñandú1.clp", "Metha_borde.txt", "c12.pmc",
                            "_ResultadosMC_", "_Matrices_Errores", "_VISOR_3m.xlsx", "_RO_DTE_3m",
                            "_Restricciones_horarias_3m", "curvas_s_.xlt"})
    EXPECT_TRUE(hay(parte)) << parte;
  EXPECT_NE(uno.consola.find("12-->"), std::string::npos);
  EXPECT_NE(uno.consola.find("kAng: 72"), std::string::npos);

  EXPECT_EQ(uno.resultados, varios.resultados);
  ASSERT_EQ(uno.estados.size(), varios.estados.size());
  for (size_t i = 0; i < uno.estados.size(); ++i)
    EXPECT_EQ(uno.estados[i], varios.estados[i]) << "paso " << i;
  ASSERT_EQ(nombres.size(), varios.archivos.size());
  for (const auto& [n, contenido] : uno.archivos) {
    const auto it = varios.archivos.find(n);
    ASSERT_NE(it, varios.archivos.end()) << n;
    EXPECT_TRUE(contenido == it->second) << n;
  }
  EXPECT_TRUE(uno.consola == varios.consola);
  if (uno.consola != varios.consola) {
    size_t i = 0;
    while (i < uno.consola.size() && uno.consola[i] == varios.consola[i]) ++i;
    ADD_FAILURE() << "difieren desde: " << uno.consola.substr(i > 200 ? i - 200 : 0, 400)
                  << "\n----\n"
                  << varios.consola.substr(i > 200 ? i - 200 : 0, 400);
  }
}

// ---------------------------------------------------------------------------------------------
// Batches on their own

// The calibrator fixture's farm, items at given directions and mast speeds: a speed of 0 has no
// march; an item listed in `fallan` raises after its grid set-up, one in `fallanAntes` before
// it, one in `sinGrilla` does nothing at all. The caller stops with an error of its own after
// taking item `cortaEn`. A model without nominal power has it 0.
struct Lote {
  std::vector<double> velocidades;
  std::vector<int32_t> fallan;
  std::vector<int32_t> fallanAntes = {};
  std::vector<int32_t> sinGrilla = {};
  int32_t cortaEn = -1;
  bool sinPotenciaNominal = false;
};

bool Esta(const std::vector<int32_t>& v, int32_t i) {
  return std::find(v.begin(), v.end(), i) != v.end();
}

struct Salida {
  std::vector<std::string> valores;
  std::string error;
  std::string estado;
  std::string consola;
  bool enCopias = false;  // some item ran on a model other than the caller's
};

Salida CorrerLote(const Lote& l, int32_t hilos) {
  Hilos fijar(hilos);
  auto c =
      TCalibradorParque::CreateDesdeArchivo(fs::path(AERONDA_FIXTURES) / "calibrador_chico.clp");
  TParque_ModeloTeorico& mt = *c->mt;
  if (l.sinPotenciaNominal) mt.potencia_nominal = 0;
  // A march before the batch: its grid and leftovers are what a batch without set-ups or
  // marches must keep.
  mt.PrepararGrilla(false, 200, 0.0004);
  NReal dm = 0;
  mt.RecorrerGrilla(dm, 1.2, 0.0004, 100);
  const int32_t n = static_cast<int32_t>(l.velocidades.size());
  std::vector<NReal> p(static_cast<size_t>(n), -1);
  std::atomic<bool> enCopias{false};
  TCopiasModelo copias;
  Salida s;
  std::ostringstream consola;
  std::streambuf* antes = std::cout.rdbuf(consola.rdbuf());
  auto fallar = [](int32_t i) {
    Consola() << "fallo " << i << "\n";
    throw EErrorGeneral("falla el elemento " + IntToStr(i));
  };
  try {
    TLoteModelo lote(mt, copias, n, [&](TParque_ModeloTeorico& m, int32_t i) {
      if (&m != &mt) enCopias = true;
      if (Esta(l.sinGrilla, i)) return;
      if (Esta(l.fallanAntes, i)) fallar(i);
      m.PrepararGrilla(false, 37.0 * i, DensidadPotenciaViento(l.velocidades[i], 1.225));
      if (Esta(l.fallan, i)) fallar(i);
      bool conv = false;
      NReal mastil = 0, libre = 0;
      p[static_cast<size_t>(i)] = m.PotenciaParque(
          conv, mastil, 1.225, DensidadPotenciaViento(l.velocidades[i], 1.225), 100, libre);
    });
    lote.Calcular();
    for (int32_t i = 0; i < n; ++i) {
      lote.Tomar(i);
      s.valores.push_back(Hex(p[static_cast<size_t>(i)]));
      if (i == l.cortaEn) throw EErrorGeneral("el llamador se detiene en " + IntToStr(i));
    }
  } catch (const EErrorGeneral& e) {
    s.error = e.what();
  }
  s.enCopias = enCopias;
  std::cout.rdbuf(antes);
  s.consola = consola.str();
  s.estado = EstadoModelo(mt);
  return s;
}

TEST(LoteModelo, IgualQueUnBucleEnUnHilo) {
  const Lote casos[] = {
      {{9, 7, 12, 8, 10, 11, 6}, {}},
      // The last items without march or farm-power search: the turbines keep the powers of
      // the last item that marched, on whatever thread it ran.
      {{9, 7, 12, 8, 10, 0, 0}, {}},
      {{0, 0, 0}, {}},
      {{9, 0, 12, 0, 10, 11, 6, 0}, {}},
      // Failures: the first one reaches the caller after the items before it, with its line.
      {{9, 7, 12, 8, 10, 11, 6}, {0}},
      {{9, 7, 12, 8, 10, 11, 6}, {4, 2}},
      {{9, 7, 0, 0, 10, 11, 6}, {4}},
      {{9, 7, 12, 8, 10, 11, 6}, {6}},
      {{8, 9}, {}},
      // Failures before the item's own set-up: the model keeps the grid it had before the
      // batch, or that of the item before.
      {{9, 7, 12, 8, 10, 11, 6}, {}, {0}},
      {{9, 7, 12, 8, 10, 11, 6}, {}, {3}},
      {{9, 7, 0, 0, 10, 11, 6}, {}, {4}},
      {{9, 7, 12, 8, 10, 11, 6}, {}, {6}},
      {{9, 7, 12, 8, 10, 11, 6}, {5}, {2}},
      // Items that neither set up nor march: the grid is that of the last item that did, or
      // the one before the batch.
      {{9, 7, 12, 8, 10, 11, 6}, {}, {}, {5, 6}},
      {{9, 7, 12}, {}, {}, {0, 1, 2}},
      {{9, 7, 12, 8, 10}, {}, {3}, {2}},
      {{9, 7, 0, 8, 10}, {}, {}, {1, 4}},
      // The caller stops after some items: the model is where a plain loop leaves it then.
      {{9, 7, 12, 8, 10, 11, 6}, {}, {}, {}, 2},
      {{9, 7, 12, 8, 10, 0, 0}, {}, {}, {}, 0},
      {{9, 7, 12, 8, 10, 11, 6}, {}, {}, {}, 5},
      // A model without nominal power runs on every core as well.
      {{9, 7, 12, 8, 10, 11, 6}, {}, {}, {}, -1, true},
      {{9, 7, 12, 8, 10, 11, 6}, {4}, {}, {}, -1, true},
  };
  for (size_t k = 0; k < std::size(casos); ++k) {
    const Salida uno = CorrerLote(casos[k], 1);
    for (const int32_t h : {2, kVariosHilos, 16}) {
      const Salida varios = CorrerLote(casos[k], h);
      EXPECT_EQ(varios.valores, uno.valores) << "caso " << k << ", " << h << " hilos";
      EXPECT_EQ(varios.error, uno.error) << "caso " << k;
      EXPECT_EQ(varios.consola, uno.consola) << "caso " << k;
      EXPECT_EQ(varios.estado, uno.estado) << "caso " << k << ", " << h << " hilos";
      EXPECT_TRUE(varios.enCopias) << "caso " << k << ", " << h << " hilos";
    }
    EXPECT_FALSE(uno.enCopias) << "caso " << k;
    const Lote& c = casos[k];
    if (!c.fallan.empty() || !c.fallanAntes.empty() || c.cortaEn >= 0) {
      EXPECT_FALSE(uno.error.empty()) << "caso " << k;
    }
  }
}

// A model without authorised power (a version-1 model with 0, a plant whose database columns
// are 0) holds the floor 1e-8 from its reading on. The objective's situations read the caller's
// model through the empirical model's link while the last of them sets up its grid on that
// model: nothing there may be written, or ThreadSanitizer reports a race on every run. The
// results are those of one thread, with and without nominal power.
TEST(LoteModelo, SinPotenciaAutorizadaComoEnUnHilo) {
  const std::string original =
      LeerArchivoCompleto(fs::path(AERONDA_FIXTURES) / "calibrador_chico.clp");
  const fs::path carpeta =
      fs::temp_directory_path() / ("aeronda_sin_potencia_" + std::to_string(::getpid()));
  fs::create_directories(carpeta);
  for (const bool conNominal : {false, true}) {
    SCOPED_TRACE(conNominal ? "potencia nominal 4 MW" : "sin potencia nominal");
    // Lines 11 and 12 of the model text: the authorised and the nominal power.
    std::vector<std::string> lineas = LineasDeTexto(original);
    ASSERT_EQ(lineas[10], " 3.5000000000000000E+000");
    lineas[10] = " 0.0000000000000000E+000";
    if (!conNominal) lineas[11] = lineas[10];
    const fs::path archivo = carpeta / "sin_potencia.clp";
    {
      TextoSalida f(archivo);
      f.Escribir(UnirLineas(lineas));
      f.Cerrar();
    }
    auto correr = [&](int32_t hilos) {
      Hilos fijar(hilos);
      auto c = TCalibradorParque::CreateDesdeArchivo(archivo);
      EXPECT_EQ(c->mt->potencia_autorizada_mw, 1e-8);
      EXPECT_EQ(c->mt->potencia_nominal, conNominal ? 4.0 : 0.0);
      std::vector<std::string> r;
      for (int32_t k = 0; k < 30; ++k) {
        TDAofNReal x = c->x;
        x.back() *= 1 + 0.01 * k;  // the loss factor
        r.push_back(Hex(c->ErrorCuadratico(k + 1, x)));
      }
      r.push_back(Hex(c->mt->potencia_autorizada_mw));
      r.push_back(EstadoModelo(*c->mt));
      return r;
    };
    const std::vector<std::string> uno = correr(1);
    EXPECT_EQ(correr(8), uno);
  }
  std::error_code ec;
  fs::remove_all(carpeta, ec);
}

// A model whose whole grid was built (the window draws it after a simulation) and the copy set
// aside for it during a batch hold one grid buffer between them after every batch, whether it
// succeeded, an item failed or the caller stopped; the model's next drawing builds its grid
// into that buffer, the one it had before the batches, on any number of threads. The reference
// kernel marches over the whole grid: after a successful batch the model keeps the buffer of
// the last item's cells, and the one set aside is freed.
TEST(LoteModelo, UnBufferDeGrillaTrasCadaLote) {
  struct Caso {
    const char* nombre;
    int32_t falla;    // the item that raises after its set-up, or -1
    int32_t cortaEn;  // the item after which the caller stops, or -1
  };
  const Caso casos[] = {{"sin fallos", -1, -1},
                        {"falla el primero", 0, -1},
                        {"falla uno intermedio", 3, -1},
                        {"falla el último", 5, -1},
                        {"el llamador se detiene", -1, 2}};
  const TNucleoMarcha previo = NucleoMarcha();
  for (const TNucleoMarcha nucleo : {previo, TNucleoMarcha::Referencia})
    for (const int32_t hilos : {1, 4}) {
      for (const Caso& caso : casos) {
        SCOPED_TRACE(std::string(caso.nombre) + ", " + std::to_string(hilos) + " hilos, " +
                     NombreNucleoMarcha(nucleo));
        FijarNucleoMarcha(nucleo);
        Hilos fijar(hilos);
        auto c = TCalibradorParque::CreateDesdeArchivo(fs::path(AERONDA_FIXTURES) /
                                                       "calibrador_chico.clp");
        TParque_ModeloTeorico& mt = *c->mt;
        mt.PrepararGrilla(false, 200, 0.0004);
        NReal dm = 0;
        mt.RecorrerGrilla(dm, 1.2, 0.0004, 100);
        const NReal* celdas = mt.Grilla().Fila(1);
        const size_t capacidad = mt.CapacidadGrilla();
        EXPECT_EQ(capacidad, mt.Grilla().Celdas());
        TCopiasModelo copias;
        for (int32_t vez = 0; vez < 3; ++vez) {
          try {
            // Every item on the grid of the drawing's direction, so that its buffer fits them.
            TLoteModelo lote(mt, copias, 6, [&](TParque_ModeloTeorico& m, int32_t i) {
              m.PrepararGrilla(false, 200, DensidadPotenciaViento(6.0 + i, 1.225));
              if (i == caso.falla) throw EErrorGeneral("falla el elemento " + IntToStr(i));
              bool conv = false;
              NReal mastil = 0, libre = 0;
              m.PotenciaParque(conv, mastil, 1.225, DensidadPotenciaViento(6.0 + i, 1.225), 100,
                               libre);
            });
            lote.Calcular();
            for (int32_t i = 0; i < 6; ++i) {
              lote.Tomar(i);
              if (i == caso.cortaEn) throw EErrorGeneral("el llamador se detiene");
            }
          } catch (const EErrorGeneral&) {
          }
          const size_t aparte = copias.Respaldo() ? copias.Respaldo()->CapacidadGrilla() : 0;
          EXPECT_EQ(aparte, 0u) << "lote " << vez;
          EXPECT_EQ(mt.CapacidadGrilla(), capacidad) << "lote " << vez;
          const bool propias = nucleo == TNucleoMarcha::Referencia && hilos > 1 && caso.falla < 0 &&
                               caso.cortaEn < 0;
          if (!propias) {
            EXPECT_EQ(mt.Grilla().Fila(1), celdas) << "lote " << vez;
          }
        }
      }
    }
  FijarNucleoMarcha(previo);
}

// A copy for another thread shares nothing that an evaluation changes, and evaluates as the
// model it was copied from.
TEST(LoteModelo, CopiaParaHiloIndependiente) {
  auto c =
      TCalibradorParque::CreateDesdeArchivo(fs::path(AERONDA_FIXTURES) / "calibrador_chico.clp");
  TParque_ModeloTeorico& mt = *c->mt;
  mt.PrepararGrilla(false, 10, 0.0005);
  TParque_ModeloTeorico copia;
  copia.CopiarParaHilo(mt);
  EXPECT_FALSE(copia.GrillaPreparada());
  EXPECT_EQ(copia.modeloEmpirico, mt.modeloEmpirico);
  ASSERT_NE(copia.curvaEquivalente, nullptr);
  EXPECT_NE(copia.curvaEquivalente.get(), mt.curvaEquivalente.get());
  auto potencia = [](TParque_ModeloTeorico& m, double dir) {
    m.PrepararGrilla(false, dir, 0.0005);
    bool conv = false;
    NReal a = 0, b = 0;
    return m.PotenciaParque(conv, a, 1.225, 0.0005, 100, b);
  };
  for (const double dir : {0.0, 95.0, 181.5, 300.0}) {
    const NReal enCopia = potencia(copia, dir);
    EXPECT_EQ(Hex(enCopia), Hex(potencia(mt, dir)));
    EXPECT_EQ(EstadoModelo(copia), EstadoModelo(mt)) << dir;
  }
  copia.molinos[0].curva.curva_P[3] = 99;
  copia.meteo_etha.PonerElemento(1, 1, 7);
  EXPECT_NE(mt.molinos[0].curva.curva_P[3], 99);
  EXPECT_NE(mt.meteo_etha.Elemento(1, 1), 7);
}

}  // namespace

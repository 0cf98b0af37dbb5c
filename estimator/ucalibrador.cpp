#include "estimator/ucalibrador.h"

#include <cmath>
#include <filesystem>
#include <iostream>
#include <utility>
#include <vector>

#include "estimator/ucarpetascentrales.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloempirico.h"
#include "numerics/fddp.h"
#include "numerics/uauxiliares.h"
#include "numerics/ucompletarmatriz.h"
#include "platform/aleatorio.h"
#include "platform/archivos_texto.h"
#include "platform/carpetas.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

// The search: ten stages, each ended by ten trials in a row without improvement, the step
// shrinking by 0.7 from one stage to the next.
constexpr int32_t kEtapas = 10;
constexpr int32_t kFallosPorEtapa = 10;
constexpr NReal kReduccionPaso = 0.7;
// Trial values lie within +-kAmplitud * paso of the best point.
constexpr NReal kAmplitud = 0.1;
// The seed of the objective's 25 wind situations.
constexpr int32_t kSemillaObjetivo = 31;
// Fewer binned samples than this behind a representative power: no station factor there.
constexpr NReal kMinMuestrasEtha = 10;
// Mast speeds below this (m/s) are no solution of the inverse search.
constexpr NReal kVelocidadMinimaEtha = 0.001;

void VerificarIndices(const TDAofNInt& indices, size_t n) {
  for (const int32_t k : indices)
    if (k < 0 || static_cast<size_t>(k) >= n)
      throw EErrorGeneral("Índice de parámetro fuera de rango: " + IntToStr(k) + " (hay " +
                          IntToStr(static_cast<int64_t>(n)) + " parámetros)");
}

// A model name as one file-name component: a "/" would put the file in another folder.
std::string ComoNombreDeArchivo(std::string s) {
  for (char& c : s)
    if (c == '/' || c == '\0') c = '_';
  return s;
}

}  // namespace

std::string EtiquetaIndices(const TDAofNInt& indices) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string tag;
  for (const int32_t k : indices) {
    // Upper-case hexadecimal of the 32-bit value, at least two digits (a negative index shows
    // its two's complement, as the run-time's IntToHex does).
    uint32_t u = static_cast<uint32_t>(k);
    std::string d;
    do {
      d.insert(d.begin(), kHex[u & 0xFu]);
      u >>= 4;
    } while (u != 0);
    if (d.size() < 2) d.insert(d.begin(), '0');
    tag += d;
  }
  return tag;
}

// =============================================================================================
// Construction and persistence

TCalibradorParque::~TCalibradorParque() {
  // The theoretical model may outlive this calibrator (it is also the window's current model);
  // its link must not point at an empirical model that goes now.
  if (mt && me && mt->modeloEmpirico == me.get() && me.use_count() == 1)
    mt->modeloEmpirico = nullptr;
}

void TCalibradorParque::Vincular() {
  if (!mt || !me) throw EErrorGeneral("El calibrador necesita un modelo teórico y uno empírico");
  mt->modeloEmpirico = me.get();
  mt->ParametrosCalibrables(parametros);
  x.assign(parametros.size(), 0.0);
  xPrueba.assign(parametros.size(), 0.0);
  LeerParametros(x);
}

std::unique_ptr<TCalibradorParque> TCalibradorParque::Create(
    std::shared_ptr<TParque_ModeloTeorico> mt_, const std::filesystem::path& archivoSeries,
    int32_t porcInf, int32_t porcSup) {
  if (!mt_) throw EErrorGeneral("El calibrador necesita un modelo teórico");
  std::shared_ptr<TParque_ModeloEmpirico> me_ =
      TParque_ModeloEmpirico::CreateDesdeSeries(mt_.get(), archivoSeries, porcInf, porcSup);
  return CreateConModelos(std::move(mt_), std::move(me_));
}

std::unique_ptr<TCalibradorParque> TCalibradorParque::CreateConModelos(
    std::shared_ptr<TParque_ModeloTeorico> mt_, std::shared_ptr<TParque_ModeloEmpirico> me_) {
  auto c = std::make_unique<TCalibradorParque>();
  c->mt = std::move(mt_);
  c->me = std::move(me_);
  c->Vincular();
  return c;
}

std::unique_ptr<TCalibradorParque> TCalibradorParque::CreateLeerTexto(TextoEntrada& f) {
  auto c = std::make_unique<TCalibradorParque>();
  c->LeerModelos(f);
  return c;
}

void TCalibradorParque::LeerModelos(TextoEntrada& f) {
  // The two readers name the line and the file themselves; what Vincular refuses is named
  // after the last line read.
  LeerUbicado(f, [&] {
    mt = TParque_ModeloTeorico::CreateLeerTexto(f);
    me = TParque_ModeloEmpirico::CreateLeerTexto(f, mt.get());
    Vincular();
  });
}

std::unique_ptr<TCalibradorParque> TCalibradorParque::CreateDesdeArchivo(
    const std::filesystem::path& archivo) {
  FormatoEstandar formato;
  TextoEntrada f(archivo);
  return CreateLeerTexto(f);
}

void TCalibradorParque::EscribirTexto(TextoSalida& f) const {
  mt->EscribirTexto(f);
  me->EscribirTexto(f);
}

void TCalibradorParque::Guardar(const std::filesystem::path& archivo) const {
  FormatoEstandar formato;
  TextoSalida f(archivo);
  EscribirTexto(f);
  f.Cerrar();
}

// =============================================================================================
// Parameters

void TCalibradorParque::LeerParametros(TDAofNReal& xDestino) const {
  if (xDestino.size() > parametros.size())
    throw EErrorGeneral("Más valores que parámetros calibrables: " +
                        IntToStr(static_cast<int64_t>(xDestino.size())));
  for (size_t i = 0; i < xDestino.size(); ++i) xDestino[i] = mt->LeerParametro(parametros[i]);
}

void TCalibradorParque::EscribirParametros(const TDAofNReal& xOrigen) {
  if (xOrigen.size() > parametros.size())
    throw EErrorGeneral("Más valores que parámetros calibrables: " +
                        IntToStr(static_cast<int64_t>(xOrigen.size())));
  for (size_t i = 0; i < xOrigen.size(); ++i) mt->EscribirParametro(parametros[i], xOrigen[i]);
}

// =============================================================================================
// Search

namespace {
// One trial value: uniform within +-0.1 paso of v, in single precision, never negative.
NReal ValorPerturbado(NReal v, NReal paso) {
  const NReal u = Random();
  const NReal w = v + (u - 0.5) * 2 * kAmplitud * paso;
  const float ws = static_cast<float>(w);
  return ws > 0.0f ? static_cast<NReal>(ws) : 0.0;
}
}  // namespace

void TCalibradorParque::Perturbar(const TDAofNInt& indices) {
  xPrueba.resize(x.size());
  if (indices.empty()) {
    for (size_t i = 0; i < x.size(); ++i) xPrueba[i] = ValorPerturbado(x[i], paso);
    return;
  }
  VerificarIndices(indices, x.size());
  xPrueba = x;
  for (const int32_t k : indices)
    xPrueba[static_cast<size_t>(k)] = ValorPerturbado(x[static_cast<size_t>(k)], paso);
}

TCopiasModelo& TCalibradorParque::Copias() {
  if (!copias_) copias_ = std::make_unique<TCopiasModelo>();
  return *copias_;
}

NReal TCalibradorParque::ErrorCuadratico(int32_t semilla, const TDAofNReal& xEval) {
  ++nEvaluaciones;
  EscribirParametros(xEval);
  const NReal pAut = mt->potencia_autorizada_mw;
  // Created anew at every evaluation: every evaluation sees the same 25 situations, drawn in
  // the order d1, v11 .. v15, d2, v21 ...
  constexpr int32_t kDirecciones = 5, kVelocidades = 5;
  constexpr int32_t kSituaciones = kDirecciones * kVelocidades;
  TMadreUniforme fuente(semilla);
  NReal dir[kSituaciones], dpv[kSituaciones];
  for (int32_t id = 0; id < kDirecciones; ++id) {
    const NReal d = fuente.GenerarMuestra() * 360;
    for (int32_t iv = 0; iv < kVelocidades; ++iv) {
      const NReal v = fuente.GenerarMuestra() * 12 + 3;
      dir[id * kVelocidades + iv] = d;
      dpv[id * kVelocidades + iv] = DensidadPotenciaViento(v, DensidadEstandar);
    }
  }
  NReal pmt[kSituaciones], pme[kSituaciones];
  const TParque_ModeloEmpirico& e = *me;
  TLoteModelo lote(*mt, Copias(), kSituaciones, [&](TParque_ModeloTeorico& m, int32_t i) {
    m.PrepararGrilla(false, dir[i], dpv[i]);
    bool convergio = false;
    NReal dpvMastil = 0, dpvLibre = 0;
    pmt[i] = m.PotenciaParque(convergio, dpvMastil, DensidadEstandar, dpv[i], pAut, dpvLibre);
    pme[i] = e.PotenciaCurvaS(dir[i], dpv[i], DensidadEstandar, 0.0);
  });
  lote.Calcular();
  NReal s = 0;
  for (int32_t i = 0; i < kSituaciones; ++i) {
    lote.Tomar(i);
    s += (pme[i] - pmt[i]) * (pme[i] - pmt[i]);
  }
  return s;
}

std::filesystem::path TCalibradorParque::ArchivoMejora(const TDAofNInt& indices,
                                                       int32_t numero) const {
  return RaicesDelEntorno().basura / ("calibrado_" + ComoNombreDeArchivo(mt->nombre) +
                                      EtiquetaIndices(indices) + IntToStr(numero) + ".clp");
}

NReal TCalibradorParque::Calibrar(const TDAofNInt& indices) {
  // A station-factor matrix replaced since construction by one of another shape has other
  // parameters: searching from the old values would write stale levels over the new matrix.
  std::vector<TParametroMT> actuales;
  mt->ParametrosCalibrables(actuales);
  if (actuales != parametros) Vincular();
  VerificarIndices(indices, x.size());

  // The improvement files' folder is created when it is missing. A folder that cannot be
  // made is no error by itself: the first improvement then fails to be saved, with the I/O
  // error of its file, and a search without improvement writes nothing.
  std::error_code ec;
  std::filesystem::create_directories(ArchivoMejora(indices, 1).parent_path(), ec);

  Randomize();
  fMejor = ErrorCuadratico(kSemillaObjetivo, x);
  paso = 1.0;
  int32_t etapa = 0, fallos = 0, mejoras = 0;
  while (etapa < kEtapas) {
    Perturbar(indices);
    fPrueba = ErrorCuadratico(kSemillaObjetivo, xPrueba);
    if (fPrueba < fMejor) {  // a NaN is no improvement
      fallos = 0;
      std::swap(x, xPrueba);
      fMejor = fPrueba;
      ++mejoras;
      // The model holds the improved point now: the last evaluation wrote it.
      Guardar(ArchivoMejora(indices, mejoras));
    } else {
      ++fallos;
    }
    if (fallos >= kFallosPorEtapa) {
      paso *= kReduccionPaso;
      fallos = 0;
      ++etapa;
    }
  }
  EscribirParametros(x);
  return fMejor;
}

// =============================================================================================
// Station factor

TMatR TCalibradorParque::CalibrarEthaMeteo() {
  const int32_t nS = me->NSectores();
  const int32_t nT = me->NTramos();
  const TParque_ModeloEmpirico& e = *me;
  // The cells with enough samples, in the order of the loop below, with their representative
  // power (the empirical model only reads). A failing look-up ends the list there: the loop
  // below meets it again at its place.
  struct Celda {
    NReal a = 0, q = 0, pme = 0, vs = 0;
    bool convergio = false;
  };
  std::vector<Celda> celdas;
  try {
    for (int32_t i = 1; i <= nS; ++i)
      for (int32_t j = 1; j <= nT; ++j) {
        Celda c;
        c.a = e.AnguloSector(i);
        c.q = e.centrosPv3[j];
        NReal n = 0;
        c.pme = e.PotenciaRepresentantes(n, c.a, c.q, DensidadEstandar);
        if (n >= kMinMuestrasEtha) celdas.push_back(c);
      }
  } catch (...) {
  }
  TLoteModelo lote(*mt, Copias(), static_cast<int32_t>(celdas.size()),
                   [&](TParque_ModeloTeorico& m, int32_t k) {
                     Celda& c = celdas[static_cast<size_t>(k)];
                     m.PrepararGrilla(true, c.a, c.q);
                     NReal dpvLibre = 0;
                     c.convergio = false;
                     c.vs = m.VelocidadParaPotencia(dpvLibre, c.convergio, c.pme);
                   });
  lote.Calcular();

  TMatR M(nS, nT);
  int32_t k = 0;
  for (int32_t i = 1; i <= nS; ++i) {
    std::cout << IntToStr(i) << " -->";
    const NReal a = e.AnguloSector(i);
    for (int32_t j = 1; j <= nT; ++j) {
      const NReal q = e.centrosPv3[j];
      const NReal vj = VelocidadDeDensidadPotencia(q, DensidadEstandar);
      NReal n = 0;
      e.PotenciaRepresentantes(n, a, q, DensidadEstandar);
      NReal celda = kSinDatoEtha;
      if (n >= kMinMuestrasEtha) {
        lote.Tomar(k);
        const Celda& c = celdas[static_cast<size_t>(k++)];
        // Written so that a NaN speed is no solution either.
        if (c.convergio && c.vs >= kVelocidadMinimaEtha) {
          const NReal r = vj / c.vs;
          celda = r * r * r;
        }
      }
      M.PonerElemento(i, j, celda);
      std::cout << IntToStr(j) << " ";
    }
    std::cout << "\n";
  }
  std::cout.flush();

  TMatR M2(nS, nT);
  NReal cambio = 0;
  int32_t nPasadas = 0;
  CompletarMatriz(M2, M, cambio, nPasadas);

  const std::filesystem::path carpeta = CarpetaCentral(mt->central);
  {
    TextoSalida f(carpeta / "Metha_borde.txt");
    M.EscribirTabla(f);
    f.Cerrar();
  }
  {
    TextoSalida f(carpeta / "Metha_completada.txt");
    M2.EscribirTabla(f);
    f.Cerrar();
  }
  return M2;
}

#include "estimator/ulotesmodelo.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "estimator/uparques_modeloteorico.h"
#include "platform/hilos.h"

TCopiasModelo::TCopiasModelo() = default;
TCopiasModelo::~TCopiasModelo() = default;

TLoteModelo::TLoteModelo(TParque_ModeloTeorico& modelo, TCopiasModelo& copias, int32_t n,
                         TEvaluacion evaluar)
    : modelo_(modelo), copias_(copias), n_(n), evaluar_(std::move(evaluar)) {}

void TLoteModelo::EvaluarRastreando(TParque_ModeloTeorico& m, int32_t i) {
  // A march sets the passes and a farm-power search its marches: marked values that are still
  // there afterwards say that the item did neither, and get the previous values back.
  const int32_t pasadas0 = m.pasadasUltimaMarcha;
  const int32_t marchas0 = m.marchasUltimaPotencia;
  m.pasadasUltimaMarcha = -1;
  m.marchasUltimaPotencia = -1;
  Rastro r;
  r.hecho = true;
  try {
    evaluar_(m, i);
  } catch (...) {
    r.fallo = true;
  }
  r.marcho = m.pasadasUltimaMarcha != -1;
  if (!r.marcho) m.pasadasUltimaMarcha = pasadas0;
  r.potencio = m.marchasUltimaPotencia != -1;
  if (!r.potencio) m.marchasUltimaPotencia = marchas0;
  rastros_[static_cast<size_t>(i)] = r;
}

void TLoteModelo::Calcular() {
  calculado_ = false;
  if (n_ < 2) return;
  const int32_t h = HilosPara(n_);
  // The notice goes to the console from the first set-up, once per model: a batch with it
  // runs as a plain loop.
  if (h < 2 || modelo_.AvisoPotenciaNominalPendiente()) return;

  if (!copias_.respaldo_) copias_.respaldo_ = std::make_unique<TParque_ModeloTeorico>();
  copias_.respaldo_->CopiarParaHilo(modelo_);
  while (static_cast<int32_t>(copias_.copias_.size()) < h)
    copias_.copias_.push_back(std::make_unique<TParque_ModeloTeorico>());
  for (int32_t k = 0; k < h; ++k) copias_.copias_[static_cast<size_t>(k)]->CopiarParaHilo(modelo_);

  rastros_.assign(static_cast<size_t>(n_), Rastro{});
  // Items above a failed one are not needed: the plain loop stops there.
  std::atomic<int32_t> tope{n_};
  // The last item goes first, on the caller's model, which thus ends with the state that item
  // leaves; the others run on the copies of the threads that take them.
  ParaCadaIndice(
      n_,
      [&](int32_t j, int32_t hilo) {
        const int32_t i = j == 0 ? n_ - 1 : j - 1;
        if (i > tope.load()) return;
        TParque_ModeloTeorico& m =
            i == n_ - 1 ? modelo_ : *copias_.copias_[static_cast<size_t>(hilo)];
        EvaluarRastreando(m, i);
        if (rastros_[static_cast<size_t>(i)].fallo) {
          int32_t t = tope.load();
          while (i < t && !tope.compare_exchange_weak(t, i)) {
          }
        }
      },
      h);
  calculado_ = true;
}

void TLoteModelo::Reconstruir(int32_t i, bool conAnterior) {
  // Before the batch the caller's model had no item's leftovers; the items that set them last
  // (and, for a failing item, the item just before it, whose grid set-up a failing set-up may
  // leave in part) are run again in their order, then item i.
  modelo_.CopiarParaHilo(*copias_.respaldo_);
  int32_t ultimaMarcha = -1, ultimaPotencia = -1;
  for (int32_t j = 0; j < i; ++j) {
    if (rastros_[static_cast<size_t>(j)].marcho) ultimaMarcha = j;
    if (rastros_[static_cast<size_t>(j)].potencio) ultimaPotencia = j;
  }
  std::vector<int32_t> rehacer;
  if (conAnterior && i > 0) rehacer.push_back(i - 1);
  if (ultimaMarcha >= 0) rehacer.push_back(ultimaMarcha);
  if (ultimaPotencia >= 0) rehacer.push_back(ultimaPotencia);
  std::sort(rehacer.begin(), rehacer.end());
  rehacer.erase(std::unique(rehacer.begin(), rehacer.end()), rehacer.end());
  for (const int32_t j : rehacer) evaluar_(modelo_, j);
  evaluar_(modelo_, i);
}

void TLoteModelo::Tomar(int32_t i) {
  if (!calculado_) {
    evaluar_(modelo_, i);
    return;
  }
  const Rastro& r = rastros_[static_cast<size_t>(i)];
  if (r.fallo || !r.hecho) {
    // The caller's model is now where a plain loop would be after item i; the items left run
    // as in a plain loop.
    calculado_ = false;
    Reconstruir(i, true);
    return;
  }
  if (i != n_ - 1) return;
  // The last item ran on the caller's model before any other: what it did not set is still
  // the state before the batch, where a plain loop has the values of the items before it.
  bool falta = false;
  for (int32_t j = 0; j < i && !falta; ++j) {
    const Rastro& a = rastros_[static_cast<size_t>(j)];
    falta = (a.marcho && !r.marcho) || (a.potencio && !r.potencio);
  }
  if (falta) Reconstruir(i, false);
}

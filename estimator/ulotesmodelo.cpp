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

TLoteModelo::~TLoteModelo() {
  // The caller stopped taking items (an error of its own between two of them): its model is
  // left as a plain loop leaves it after the items it took.
  if (!apartado_) return;
  try {
    Reconstruir(siguiente_, false);
  } catch (...) {
  }
}

void TLoteModelo::EvaluarRastreando(TParque_ModeloTeorico& m, int32_t i) {
  // A march sets the passes and a farm-power search its marches: marked values that are still
  // there afterwards say that the item did neither, and get the previous values back. A grid
  // set-up counts itself.
  const int32_t pasadas0 = m.pasadasUltimaMarcha;
  const int32_t marchas0 = m.marchasUltimaPotencia;
  const uint64_t preparaciones0 = m.PreparacionesDeGrilla();
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
  r.preparo = m.PreparacionesDeGrilla() != preparaciones0;
  rastros_[static_cast<size_t>(i)] = r;
}

void TLoteModelo::Calcular() {
  calculado_ = false;
  siguiente_ = 0;
  if (n_ < 2) return;
  const int32_t h = HilosPara(n_);
  if (h < 2) return;

  while (static_cast<int32_t>(copias_.copias_.size()) < h)
    copias_.copias_.push_back(std::make_unique<TParque_ModeloTeorico>());
  for (int32_t k = 0; k < h; ++k) copias_.copias_[static_cast<size_t>(k)]->CopiarParaHilo(modelo_);
  if (!copias_.respaldo_) copias_.respaldo_ = std::make_unique<TParque_ModeloTeorico>();
  rastros_.assign(static_cast<size_t>(n_), Rastro{});
  // The caller's model, grid and all, is kept aside: the last item runs on the model itself.
  modelo_.ApartarEn(*copias_.respaldo_);
  apartado_ = true;

  // Items above a failed one are not needed: the plain loop stops there.
  std::atomic<int32_t> tope{n_};
  // The last item goes first, on the caller's model, which thus ends with the state that item
  // leaves; the others run on the copies of the threads that take them.
  try {
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
  } catch (...) {
    modelo_.RecuperarDe(*copias_.respaldo_);
    apartado_ = false;
    throw;
  }
  calculado_ = true;
}

void TLoteModelo::Reconstruir(int32_t i, bool conElemento) {
  // The caller's model as it was before the batch, then again, in their order, the items
  // before i that set last what is still there after them: the grid set-up, the march and the
  // farm-power search. That is the state a plain loop has after items 0 .. i - 1; then item i.
  modelo_.RecuperarDe(*copias_.respaldo_);
  apartado_ = false;
  calculado_ = false;
  int32_t ultimaPreparacion = -1, ultimaMarcha = -1, ultimaPotencia = -1;
  for (int32_t j = 0; j < i; ++j) {
    const Rastro& a = rastros_[static_cast<size_t>(j)];
    if (a.preparo) ultimaPreparacion = j;
    if (a.marcho) ultimaMarcha = j;
    if (a.potencio) ultimaPotencia = j;
  }
  std::vector<int32_t> rehacer;
  for (const int32_t j : {ultimaPreparacion, ultimaMarcha, ultimaPotencia})
    if (j >= 0) rehacer.push_back(j);
  std::sort(rehacer.begin(), rehacer.end());
  rehacer.erase(std::unique(rehacer.begin(), rehacer.end()), rehacer.end());
  for (const int32_t j : rehacer) evaluar_(modelo_, j);
  if (conElemento) evaluar_(modelo_, i);
}

void TLoteModelo::Tomar(int32_t i) {
  siguiente_ = i + 1;
  if (!calculado_) {
    evaluar_(modelo_, i);
    return;
  }
  const Rastro& r = rastros_[static_cast<size_t>(i)];
  if (r.fallo || !r.hecho) {
    // The caller's model is now where a plain loop would be after item i; the items left run
    // as in a plain loop.
    Reconstruir(i, true);
    return;
  }
  if (i != n_ - 1) return;
  // The last item ran on the caller's model before any other: what it did not set is still
  // the state before the batch (no grid, as the grid was set aside), where a plain loop has
  // the values of the items before it.
  bool falta = !r.preparo;
  for (int32_t j = 0; j < i && !falta; ++j) {
    const Rastro& a = rastros_[static_cast<size_t>(j)];
    falta = (a.marcho && !r.marcho) || (a.potencio && !r.potencio);
  }
  if (falta) {
    Reconstruir(i, true);
    return;
  }
  // The state set aside is not wanted any more. Of the two grid buffers the model keeps one,
  // the one its next set-up or drawing is to use.
  modelo_.SoltarApartado(*copias_.respaldo_);
  apartado_ = false;
  calculado_ = false;
}

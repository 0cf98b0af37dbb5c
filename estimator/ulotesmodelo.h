// A batch of independent evaluations of a theoretical model (the samples of a series run, the
// wind situations of an objective, the cells of a fit), run on every core with one copy of
// the model per thread and taken by the caller in the order of a plain loop.
//
// An evaluation is a grid set-up followed by marches; it writes its results into storage the
// caller keeps per index. Its outcome depends only on the model's parameters and its index,
// not on what was evaluated before, except for what a set-up or a march leaves behind and an
// evaluation without one does not overwrite (the grid, the turbines' last powers, the last
// free stream and passes, the marches of the last farm-power search). The batch takes care
// that the model the caller holds ends in the state a plain loop leaves it in, whether every
// item succeeds or one fails, on any number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TParque_ModeloTeorico;

// The copies of a model for the threads of its batches, kept between batches so that their
// grid buffers are allocated once.
class TCopiasModelo {
 public:
  TCopiasModelo();
  ~TCopiasModelo();
  TCopiasModelo(const TCopiasModelo&) = delete;
  TCopiasModelo& operator=(const TCopiasModelo&) = delete;

  // The copy the caller's model is set aside in during a batch; none before the first batch
  // run on several threads. Between batches it holds no grid and no grid buffer.
  const TParque_ModeloTeorico* Respaldo() const { return respaldo_.get(); }

 private:
  friend class TLoteModelo;
  std::vector<std::unique_ptr<TParque_ModeloTeorico>> copias_;
  std::unique_ptr<TParque_ModeloTeorico> respaldo_;  // the caller's model before a batch
};

class TLoteModelo {
 public:
  // evaluar(m, i) evaluates item i on model m (the caller's or a copy of it) and stores its
  // results for index i.
  using TEvaluacion = std::function<void(TParque_ModeloTeorico& m, int32_t i)>;

  // n items of `modelo`, whose state must not change between Calcular and the last Tomar.
  TLoteModelo(TParque_ModeloTeorico& modelo, TCopiasModelo& copias, int32_t n, TEvaluacion evaluar);
  // A caller that stops taking items before the last (an error of its own) gets its model in
  // the state a plain loop leaves after the items it took.
  ~TLoteModelo();
  TLoteModelo(const TLoteModelo&) = delete;
  TLoteModelo& operator=(const TLoteModelo&) = delete;

  // Evaluates every item on every core (nothing on one thread or with fewer than two items).
  // Throws nothing an evaluation raises. The caller's model, grid included, is set aside
  // meanwhile (TParque_ModeloTeorico::ApartarEn), to be brought back when a plain loop would
  // not have left it as the batch does.
  void Calcular();
  // Makes the results of item i available, items taken in increasing order, each once: on one
  // thread it evaluates the item now on the caller's model, exactly as a plain loop. After
  // Calcular it has nothing to do, except for the last item (the caller's model is brought to
  // the state a plain loop leaves it in) and for an item whose evaluation failed: the caller's
  // model is brought to the state before that item (the state before the batch, grid
  // included, and the items before it that set last the grid, the march's results and the
  // farm-power search's), and the item is evaluated on it again on the calling thread, which
  // writes what it writes and raises what it raises.
  void Tomar(int32_t i);

 private:
  struct Rastro {
    bool hecho = false;
    bool fallo = false;
    bool marcho = false;    // ran a march
    bool potencio = false;  // ran a farm-power search
    bool preparo = false;   // began a grid set-up
  };
  void EvaluarRastreando(TParque_ModeloTeorico& m, int32_t i);
  // The caller's model in the state after items 0 .. i - 1 of a plain loop, then (conElemento)
  // item i on it.
  void Reconstruir(int32_t i, bool conElemento);

  TParque_ModeloTeorico& modelo_;
  TCopiasModelo& copias_;
  int32_t n_;
  TEvaluacion evaluar_;
  bool calculado_ = false;
  // The caller's model is set aside in the copies' respaldo_ and not yet brought back.
  bool apartado_ = false;
  int32_t siguiente_ = 0;  // the item after the last one taken
  std::vector<Rastro> rastros_;
};

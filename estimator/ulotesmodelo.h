// A batch of independent evaluations of a theoretical model (the samples of a series run, the
// wind situations of an objective, the cells of a fit), run on every core with one copy of
// the model per thread and taken by the caller in the order of a plain loop.
//
// An evaluation is a grid set-up followed by marches; it writes its results into storage the
// caller keeps per index. Its outcome depends only on the model's parameters and its index,
// not on what was evaluated before, except for what a march leaves behind and an evaluation
// without a march does not overwrite (the turbines' last powers, the last free stream and
// passes, the marches of the last farm-power search). The batch takes care that the model the
// caller holds ends in the state a plain loop leaves it in.
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

  // Evaluates every item on every core (nothing on one thread, with fewer than two items or
  // when an evaluation would write a console notice). Throws nothing an evaluation raises.
  void Calcular();
  // Makes the results of item i available, items taken in increasing order, each once: on one
  // thread it evaluates the item now on the caller's model, exactly as a plain loop. After
  // Calcular it has nothing to do, except for the last item (the caller's model is brought to
  // the state a plain loop leaves it in) and for an item whose evaluation failed: the caller's
  // model is brought to the state before that item, and the item is evaluated on it again on
  // the calling thread, which writes what it writes and raises what it raises.
  void Tomar(int32_t i);

 private:
  struct Rastro {
    bool hecho = false;
    bool fallo = false;
    bool marcho = false;    // ran a march
    bool potencio = false;  // ran a farm-power search
  };
  void EvaluarRastreando(TParque_ModeloTeorico& m, int32_t i);
  // The caller's model in the state after items 0 .. i - 1 of a plain loop, then item i on it.
  void Reconstruir(int32_t i, bool conAnterior);

  TParque_ModeloTeorico& modelo_;
  TCopiasModelo& copias_;
  int32_t n_;
  TEvaluacion evaluar_;
  bool calculado_ = false;
  std::vector<Rastro> rastros_;
};

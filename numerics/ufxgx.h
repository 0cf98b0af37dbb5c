// Function objects for the constrained minimisation solver: a real function of a real vector
// that also adds its gradient into a vector, a list of them, and a sum of them plus a constant.
//
// The solver (uproblema.h) only ever sees a Tfx; the models define their objectives and
// constraint functions as subclasses and are called back through these virtual operations.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"

class Tfx {
 public:
  Tfx() = default;
  // A function object is released by destroying it; the destructor is virtual because its
  // owners (a Tfxlst, the problem holding an objective or a constraint function) hold it
  // through a Tfx pointer.
  virtual ~Tfx() = default;
  Tfx(const Tfx&) = delete;
  Tfx& operator=(const Tfx&) = delete;

  // The value at x.
  virtual NReal Evaluar(const TVectR& x) const = 0;
  // Adds the gradient at x into g, element by element. g is not cleared: the caller does it.
  virtual void AcumularGradiente(TVectR& g, const TVectR& x) const = 0;
  // A text form of the function. Function objects that are never described need not give one:
  // the default raises std::logic_error.
  virtual std::string Descripcion() const;
};

// A list of function objects, indexed from 0. The list owns its items.
class Tfxlst {
 public:
  Tfxlst() = default;
  ~Tfxlst() { FreeTodos(); }
  Tfxlst(const Tfxlst&) = delete;
  Tfxlst& operator=(const Tfxlst&) = delete;

  void Agregar(std::unique_ptr<Tfx> f) { items_.push_back(std::move(f)); }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Item i, from 0. Outside 0..Count()-1: std::out_of_range "List index out of bounds (i)".
  Tfx& Elemento(int32_t i) const;
  // Releases every item, in index order from 0, and leaves the list empty.
  void FreeTodos();

 private:
  std::vector<std::unique_ptr<Tfx>> items_;
};

// constante + the sum of its terms. The sum owns the terms appended to `terminos`.
class Tfx_sumatoria : public Tfx {
 public:
  explicit Tfx_sumatoria(NReal constante_ = 0.0) : constante(constante_) {}

  Tfxlst terminos;
  NReal constante;

  // Accumulated in list order, starting from the constant.
  NReal Evaluar(const TVectR& x) const override;
  // Every term's gradient, in list order; the constant adds nothing.
  void AcumularGradiente(TVectR& g, const TVectR& x) const override;
  // "sumatoria_inicio( " CR LF, each term's text followed by CR LF, ")fin_sumatoria" CR LF.
  // The constant is not written.
  std::string Descripcion() const override;
};

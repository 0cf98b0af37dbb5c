// Small function objects with closed-form values and gradients, for the solver's tests.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "numerics/matreal.h"
#include "numerics/ufxgx.h"

// sum_i p_i * (x_i - c_i)^2
class TfxCuadratica : public Tfx {
 public:
  explicit TfxCuadratica(std::vector<double> c, std::vector<double> p = {})
      : c_(std::move(c)), p_(std::move(p)) {
    if (p_.empty()) p_.assign(c_.size(), 1.0);
  }
  NReal Evaluar(const TVectR& x) const override {
    NReal s = 0.0;
    for (size_t i = 0; i < c_.size(); ++i) {
      const NReal d = x[static_cast<int32_t>(i + 1)] - c_[i];
      s += p_[i] * (d * d);
    }
    return s;
  }
  void AcumularGradiente(TVectR& g, const TVectR& x) const override {
    for (size_t i = 0; i < c_.size(); ++i) {
      const int32_t k = static_cast<int32_t>(i + 1);
      g[k] += p_[i] * (2.0 * (x[k] - c_[i]));
    }
  }

 private:
  std::vector<double> c_, p_;
};

// b + sum_i a_i * x_i
class TfxLineal : public Tfx {
 public:
  explicit TfxLineal(std::vector<double> a, double b = 0.0, std::string texto = {})
      : a_(std::move(a)), b_(b), texto_(std::move(texto)) {}
  NReal Evaluar(const TVectR& x) const override {
    NReal s = 0.0;
    for (size_t i = 0; i < a_.size(); ++i) s += a_[i] * x[static_cast<int32_t>(i + 1)];
    return s + b_;
  }
  void AcumularGradiente(TVectR& g, const TVectR& x) const override {
    for (size_t i = 0; i < a_.size(); ++i) g[static_cast<int32_t>(i + 1)] += a_[i];
  }
  std::string Descripcion() const override { return texto_; }

 private:
  std::vector<double> a_;
  double b_;
  std::string texto_;
};

inline TVectR Vec(std::initializer_list<double> v) {
  return TVectR::CreateDesdeDA(1, TDAofNReal(v));
}

// Central differences of f at x, step h per coordinate.
inline TVectR GradienteNumerico(const std::function<double(const TVectR&)>& f, const TVectR& x,
                                double h) {
  TVectR g(x.n);
  for (int32_t i = 1; i <= x.n; ++i) {
    TVectR a = x, b = x;
    a[i] += h;
    b[i] -= h;
    g[i] = (f(a) - f(b)) / (2.0 * h);
  }
  return g;
}

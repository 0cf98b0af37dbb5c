// Integer vector indexed from 1 (sample counts of the empirical model).
#pragma once

#include <cstdint>
#include <string>

#include "numerics/xmatdefs.h"

class TVectE {
 public:
  int32_t n = 0;
  TDAofNInt pv = TDAofNInt(1, 0);  // length n+1; pv[0] is not an element

  TVectE() = default;
  // n zeros; n < 0 raises EErrorGeneral.
  explicit TVectE(int32_t n_);
  static TVectE Create(int32_t n_) { return TVectE(n_); }

  TVectE(const TVectE&) = default;
  TVectE(TVectE&&) noexcept = default;
  TVectE& operator=(const TVectE&) = default;
  TVectE& operator=(TVectE&&) noexcept = default;
  bool operator==(const TVectE&) const = default;

  void Anular();
  int32_t Elemento(int32_t i) const { return pv[static_cast<size_t>(i)]; }
  int32_t& operator[](int32_t i) { return pv[static_cast<size_t>(i)]; }
  const int32_t& operator[](int32_t i) const { return pv[static_cast<size_t>(i)]; }
  // Console dump; also returns the text it wrote.
  std::string print() const;
};

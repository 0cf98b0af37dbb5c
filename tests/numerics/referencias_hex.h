// Reads the reference fixtures written by tests/tools/*_ref.py: whitespace-separated fields,
// doubles as the 16 hex digits of their bits (exact, and free of any locale).
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace referencias {

inline std::vector<std::vector<std::string>> LeerCampos(const std::string& archivo) {
  std::ifstream f(std::string(AERONDA_FIXTURES) + "/" + archivo);
  EXPECT_TRUE(f.good()) << archivo;
  std::vector<std::vector<std::string>> lineas;
  std::string linea;
  while (std::getline(f, linea)) {
    std::vector<std::string> campos;
    size_t i = 0;
    while (i < linea.size()) {
      while (i < linea.size() && (linea[i] == ' ' || linea[i] == '\r')) ++i;
      size_t j = i;
      while (j < linea.size() && linea[j] != ' ' && linea[j] != '\r') ++j;
      if (j > i) campos.push_back(linea.substr(i, j - i));
      i = j;
    }
    if (!campos.empty()) lineas.push_back(std::move(campos));
  }
  return lineas;
}

inline int64_t Entero(const std::string& s) {
  int64_t v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  EXPECT_TRUE(r.ec == std::errc() && r.ptr == s.data() + s.size()) << s;
  return v;
}

inline uint64_t Bits(const std::string& s) {
  uint64_t v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, 16);
  EXPECT_TRUE(r.ec == std::errc() && r.ptr == s.data() + s.size()) << s;
  return v;
}

inline double Real(const std::string& hex) { return std::bit_cast<double>(Bits(hex)); }

}  // namespace referencias

// Reads the cases of tests/fixtures/matreal_ref.txt (made by tests/tools/matreal_ref.py).
#pragma once

#include <charconv>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace casos_matreal {

// The tokens of one fixture line.
struct Linea {
  std::vector<std::string> t;
  size_t k = 0;
  const std::string& Siguiente() {
    if (k >= t.size()) throw std::runtime_error("caso incompleto");
    return t[k++];
  }
  double Real() {
    const std::string& s = Siguiente();
    double x = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), x);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size())
      throw std::runtime_error("real ilegible: " + s);
    return x;
  }
  int Entero() {
    const std::string& s = Siguiente();
    int v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
  }
  std::vector<double> Reales(int n) {
    std::vector<double> v;
    for (int i = 0; i < n; ++i) v.push_back(Real());
    return v;
  }
  void Barra() {
    if (Siguiente() != "|") throw std::runtime_error("falta |");
  }
};

// Every line whose first token is `clase`, with that token consumed.
inline std::vector<Linea> Leer(const std::string& clase) {
  std::ifstream f(std::string(AERONDA_FIXTURES) + "/matreal_ref.txt");
  if (!f) throw std::runtime_error("falta matreal_ref.txt");
  std::vector<Linea> res;
  std::string linea;
  while (std::getline(f, linea)) {
    Linea l;
    size_t a = 0;
    while (a < linea.size()) {
      const size_t b = linea.find(' ', a);
      const size_t fin = b == std::string::npos ? linea.size() : b;
      if (fin > a) l.t.push_back(linea.substr(a, fin - a));
      a = fin + 1;
    }
    if (!l.t.empty() && l.t[0] == clase) {
      l.k = 1;
      res.push_back(l);
    }
  }
  return res;
}

}  // namespace casos_matreal

#include "numerics/xmatdefs.h"

#include <cassert>
#include <utility>

#include "platform/rtltexto.h"

NReal MinimoDA(const TDAofNReal& a) {
  assert(!a.empty());
  NReal m = a[0];
  for (size_t i = 1; i < a.size(); ++i)
    if (a[i] < m) m = a[i];
  return m;
}

NReal MaximoDA(const TDAofNReal& a) {
  assert(!a.empty());
  NReal m = a[0];
  for (size_t i = 1; i < a.size(); ++i)
    if (a[i] > m) m = a[i];
  return m;
}

NReal SumaDA(const TDAofNReal& a) {
  NReal s = 0.0;
  for (NReal x : a) s += x;
  return s;
}

NReal PromedioDA(const TDAofNReal& a) {
  assert(!a.empty());
  return SumaDA(a) / static_cast<NReal>(a.size());
}

void AnularDA(TDAofNReal& a) {
  for (NReal& x : a) x = 0.0;
}

void LlenarDABooleanos(TDAOfBoolean& a, bool v) {
  for (uint8_t& x : a) x = v ? 1 : 0;
}

void IntercambiarDA(TDAofNReal& a, TDAofNReal& b) { a.swap(b); }

void ExtraerPalabra(std::string& s, char sep, std::string& palabra) {
  const size_t largo = s.size();
  size_t j = 0;
  while (j < largo && s[j] == sep) ++j;
  size_t i = j;
  while (i < largo && s[i] != sep) ++i;
  palabra = s.substr(j, i - j);
  // The separator that ends the word goes with it; a further run of separators stays.
  s.erase(0, i < largo ? i + 1 : largo);
}

TDAofNInt CadenaAEnteros(const std::string& s, char sep) {
  TDAofNInt res;
  std::string resto = s;
  std::string palabra;
  while (!resto.empty()) {
    ExtraerPalabra(resto, sep, palabra);
    if (!palabra.empty()) res.push_back(StrToInt(palabra));
  }
  return res;
}

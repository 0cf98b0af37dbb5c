// Base types of the numerical library and a few routines on growable arrays and on
// separator-delimited text.
//
// The growable arrays are std::vector with value semantics: assignment copies. A routine that
// writes an array its caller handed it takes it by reference.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

using NReal = double;
using PNReal = NReal*;
using TDAofNReal = std::vector<NReal>;
using TDAofNInt = std::vector<int32_t>;
using TDAofI = std::vector<int32_t>;
using TDAofString = std::vector<std::string>;
// One byte per element; std::vector<bool> would hand out proxies instead of references.
using TDAOfBoolean = std::vector<uint8_t>;
using TDAOfNRealPtr = std::vector<NReal*>;
using TMatOfNReal = std::vector<TDAofNReal>;

// Halves a until 1 + a, rounded to a double, equals 1 (at most 500000 halvings) and returns 2a:
// exactly 2^-52 with IEEE doubles. constexpr so that every translation unit sees the value
// without depending on the order of static initialisation.
constexpr NReal CalcularEpsilonMaquina() {
  NReal a = 1.0;
  int cuenta = 0;
  NReal b;
  do {
    a = a * 0.5;
    b = 1.0 + a;
    ++cuenta;
  } while (!(b == 1.0) && cuenta < 500000);
  return 2.0 * a;
}

// The library's zero tolerance.
inline constexpr NReal EpsilonMaquina = CalcularEpsilonMaquina();

// |x| < EpsilonMaquina, strictly (NaN is not "almost zero").
inline bool CasiCero(NReal x) { return std::fabs(x) < EpsilonMaquina; }

// Smallest / largest element; the first of equal extremes wins. a must not be empty.
NReal MinimoDA(const TDAofNReal& a);
NReal MaximoDA(const TDAofNReal& a);
// Sum of all elements, 0 for an empty array.
NReal SumaDA(const TDAofNReal& a);
// SumaDA(a) / length; a must not be empty.
NReal PromedioDA(const TDAofNReal& a);
void AnularDA(TDAofNReal& a);
void LlenarDABooleanos(TDAOfBoolean& a, bool v);
// Swaps the two arrays' storage in O(1).
void IntercambiarDA(TDAofNReal& a, TDAofNReal& b);
inline int32_t BooleanoAEntero(bool b) { return b ? 1 : 0; }

// Takes the next word off the front of s: leading separators are skipped, the word runs up to
// the next separator, and exactly that one separator is consumed with it (a run of separators
// after the word stays at the front of s). palabra is empty when s held only separators.
void ExtraerPalabra(std::string& s, char sep, std::string& palabra);
// The integers of a sep-separated list; empty words are skipped. A word that is not a 32-bit
// integer (blanks around it allowed) raises EConvertError naming it.
TDAofNInt CadenaAEnteros(const std::string& s, char sep);

// A real given as text, through the expression evaluator (uevaluador.cpp): it may be an
// arithmetic expression and uses the decimal separator in force. Raises EConvertError.
NReal EvaluarNumero(const std::string& s);

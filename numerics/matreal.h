// Real vectors and matrices indexed from 1, linear systems and their text forms.
//
// TVectR keeps its elements in pv[1..n]; pv[0] exists but is not an element. TMatR keeps its
// rows in pm[1..nf], each a TVectR of nc elements. Both are value types: a copy is a deep copy,
// a move is O(1). Element access is inline and unchecked: callers keep indices in range.
#pragma once

#include <cassert>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "numerics/xmatdefs.h"

class TextoEntrada;
class TextoSalida;

// ---------------------------------------------------------------------------------------------
// Sorting and searching on bare arrays

// Hoare quicksort of a[lo..hi] with the middle pivot a[(lo+hi) div 2]. Not stable: ties are
// ordered by the swaps of the scheme, and the index variants apply every swap to idx as well.
// They recurse into the smaller part and loop on the larger, so the stack stays logarithmic
// whatever the input. Nothing happens when lo >= hi.
void OrdenarAsc(TDAofNReal& a, int32_t lo, int32_t hi);
void OrdenarDesc(TDAofNReal& a, int32_t lo, int32_t hi);
void OrdenarAscConIndice(TDAofNReal& a, TDAofNInt& idx, int32_t lo, int32_t hi);
void OrdenarDescConIndice(TDAofNReal& a, TDAofNInt& idx, int32_t lo, int32_t hi);
// The workers (require lo < hi).
void OrdenarAscRec(TDAofNReal& a, int32_t lo, int32_t hi);
void OrdenarDescRec(TDAofNReal& a, int32_t lo, int32_t hi);
void OrdenarAscConIndiceRec(TDAofNReal& a, TDAofNInt& idx, int32_t lo, int32_t hi);
void OrdenarDescConIndiceRec(TDAofNReal& a, TDAofNInt& idx, int32_t lo, int32_t hi);

// In the ascending a[lo..hi]: the first index whose value is strictly greater than x, hi+1
// when there is none (an upper bound). Requires lo <= hi.
int32_t BusquedaBinaria(int32_t lo, int32_t hi, NReal x, const TDAofNReal& a);

// ---------------------------------------------------------------------------------------------
// TVectR

class TVectR {
 public:
  int32_t n = 0;
  TDAofNReal pv = TDAofNReal(1, 0.0);  // length n+1

  // Create(n): n zeros. n < 0 raises EErrorGeneral.
  TVectR() = default;
  explicit TVectR(int32_t n_);
  static TVectR Create(int32_t n_) { return TVectR(n_); }
  // Element k0+m := a[m]; the system always passes k0 = 1.
  static TVectR CreateDesdeDA(int32_t k0, const TDAofNReal& a);
  // All n+1 stored values copied (pv[0] too). Same as the copy constructor.
  static TVectR CreateCopia(const TVectR& v) { return v; }
  // The vector text block: with n_ < 0 the count is read from the first line; then n_ lines,
  // one plain real at the start of each. A negative count in the file, a missing line or a line
  // without a number raise EInOutError.
  static TVectR CreateLeerTexto(TextoEntrada& f, int32_t n_);
  // "[" n "|" x1 ";" ... ";" xn "]", elements through EvaluarNumero ("Nan", "+Inf", "-Inf" read
  // as those values). Text before the first "[" and after the closing "]" is ignored; without
  // the closing "]" the last element is the rest of the string. n < 1 or a missing "[", "|" or
  // ";" raise EConvertError.
  static TVectR CreateDesdeCadena(const std::string& s);
  TVectR Duplicar() const { return *this; }

  TVectR(const TVectR&) = default;
  TVectR(TVectR&&) noexcept = default;
  TVectR& operator=(const TVectR&) = default;
  TVectR& operator=(TVectR&&) noexcept = default;
  bool operator==(const TVectR&) const = default;

  // Elements 1..min(n, n') kept, new ones 0.
  void Redimensionar(int32_t nNuevo);

  NReal Elemento(int32_t i) const { return pv[static_cast<size_t>(i)]; }
  void PonerElemento(int32_t i, NReal x) { pv[static_cast<size_t>(i)] = x; }
  void AcumularElemento(int32_t i, NReal x) { pv[static_cast<size_t>(i)] += x; }
  NReal& operator[](int32_t i) { return pv[static_cast<size_t>(i)]; }
  const NReal& operator[](int32_t i) const { return pv[static_cast<size_t>(i)]; }

  void Anular();                                 // e(1..n) := 0
  void LlenarUnos();                             // e(1..n) := 1
  void Copiar(const TVectR& y);                  // e(i) := y(i), i = 1..self.n
  void Asignar(const TVectR& y);                 // e(i) := y(i), i = 1..y.n
  void Suma(const TVectR& x, const TVectR& y);   // e := x + y over self.n
  void SumarMultiplo(const TVectR& y, NReal a);  // e += a*y over self.n
  void SumarMultiploRango(const TVectR& y, int32_t desde, int32_t hasta, NReal a);
  void MultiplicarDesde(int32_t k, NReal a);  // e(k..n) *= a
  TVectR ProductoElementos(const TVectR& y) const;
  NReal ProductoEscalar(const TVectR& y) const;
  NReal NormaCuadrada() const;
  NReal Norma() const;
  NReal Promedio() const;                               // NaN for n = 0
  NReal SumaRango(int32_t desde, int32_t hasta) const;  // 0 when hasta < desde
  NReal Minimo() const;                                 // n >= 1
  NReal Maximo() const;                                 // n >= 1
  // First occurrence of each extreme; n >= 1.
  void MinMax(int32_t& kMin, int32_t& kMax, NReal& vMin, NReal& vMax) const;
  // Divides by the norm and returns it; a vector of (almost) zero norm becomes (1, 0, ..., 0)
  // and 0 is returned.
  NReal Normalizar();
  // hasta >= desde: e(desde..hasta); hasta < desde: e(desde..n).
  TDAofNReal CopiarRangoADA(int32_t desde, int32_t hasta) const;

  // Linear interpolation at a real index, clamped to e(1) and e(n); NaN for a NaN index.
  NReal InterpolarEnIndice(NReal r) const;
  // The real index of x in an ascending vector (inverse of InterpolarEnIndice, extrapolating
  // linearly); -1 or n+1 only for a zero first or last gap.
  NReal IndiceReal(NReal x) const;
  // Pearson correlation of e(j) with y(j+desfasaje) (a negative lag swaps the roles); with
  // conUmbral only pairs with both values > umbral count. 0 when fewer than two pairs count,
  // when a side has no variance or when the result is not finite.
  NReal CorrelacionDesfasada(const TVectR& y, int32_t desfasaje, bool conUmbral,
                             NReal umbral) const;

  void Ordenar(bool ascendente);
  // idx[1..n] is permuted with the elements; the caller fills it (usually idx[k] = k).
  void OrdenarConIndice(bool ascendente, TDAofNInt& idx);
  void Reordenar(const TDAofNInt& idx);         // new e(k) := old e(idx[k])
  void ReordenarInverso(const TDAofNInt& idx);  // new e(idx[k]) := old e(k)

  // Least-squares line through the points (x(i), e(i)) with xDesde <= x(i) < xHasta; returns
  // the mean squared residual, or -1 (slope and intercept 0) when no point is taken. Fewer than
  // two points or abscissas equal within rounding raise EErrorGeneral
  // "TVectR.AproximacionLineal res= 0".
  NReal AproximacionLineal(NReal& pendiente, NReal& ordenada, const TVectR& x, NReal xDesde,
                           NReal xHasta, int32_t& nPuntos) const;

  // n, then one plain real per line.
  void EscribirTexto(TextoSalida& f) const;
  // Console dumps; print also returns the text it wrote.
  std::string print() const;
  void ImprimirValores() const;
};

using TDAOfVectR = std::vector<TVectR>;

// Swaps two vectors in O(1).
void IntercambiarVectores(TVectR& a, TVectR& b);

// Cuts s at the first occurrence of sep: parte := the text before it, s := the text after it;
// without sep, parte := s and s := "". parte is trimmed of bytes <= 32 (UTF-8 bytes stay).
void ExtraerHastaSeparador(std::string& s, const std::string& sep, std::string& parte);

// ---------------------------------------------------------------------------------------------
// TMatR

class TMatR {
 public:
  int32_t nf = 0;
  int32_t nc = 0;
  TDAOfVectR pm = TDAOfVectR(1);  // length nf+1; pm[0] is not a row

  TMatR() = default;
  // nf_ x nc_ zeros. Negative sizes raise EErrorGeneral.
  TMatR(int32_t nf_, int32_t nc_);
  static TMatR Create(int32_t nf_, int32_t nc_) { return TMatR(nf_, nc_); }
  static TMatR CreateCopia(const TMatR& m) { return m; }
  // nf line, nc line, then nf vector text blocks. Negative sizes or a row whose length line is
  // not nc raise EInOutError, as do missing lines and lines without a number.
  static TMatR CreateLeerTexto(TextoEntrada& f);
  // "[" nf "|" nc "]" then "[" value "]" per element in row order; values through
  // EvaluarNumero ("Nan", "+Inf", "-Inf", as ACadena writes them, read as those values).
  // Without the final "]" the last element is the rest of the string. Negative sizes, a matrix
  // of no columns with more rows than its text can justify, or too few groups raise
  // EConvertError.
  static TMatR CreateDesdeCadena(const std::string& s);
  // The same reading with each element's conversion left to `valor`(nf, nc, i, j, texto): it
  // is called in row order once the shape nf x nc has been read and accepted, with the
  // element's place and its text as the string holds it (trimmed), and gives the element. The
  // refusals and their order are those above: what `valor` raises ends the reading where the
  // element's own conversion would.
  using TValorDeElemento =
      std::function<NReal(int32_t nf, int32_t nc, int32_t i, int32_t j, const std::string& texto)>;
  static TMatR CreateDesdeCadena(const std::string& s, const TValorDeElemento& valor);

  TMatR(const TMatR&) = default;
  TMatR(TMatR&&) noexcept = default;
  TMatR& operator=(const TMatR&) = default;
  TMatR& operator=(TMatR&&) noexcept = default;
  bool operator==(const TMatR&) const = default;

  NReal Elemento(int32_t i, int32_t j) const {
    return pm[static_cast<size_t>(i)].pv[static_cast<size_t>(j)];
  }
  void PonerElemento(int32_t i, int32_t j, NReal x) {
    pm[static_cast<size_t>(i)].pv[static_cast<size_t>(j)] = x;
  }
  void AcumularElemento(int32_t i, int32_t j, NReal x) {
    pm[static_cast<size_t>(i)].pv[static_cast<size_t>(j)] += x;
  }
  void Anular();
  void LlenarUnos();
  // Row i itself (not a copy).
  TVectR& Fila(int32_t i) { return pm[static_cast<size_t>(i)]; }
  const TVectR& Fila(int32_t i) const { return pm[static_cast<size_t>(i)]; }
  // Swaps rows i and j in O(1). A reference from Fila then sees the other row's contents.
  void IntercambiarFilas(int32_t i, int32_t j) {
    IntercambiarVectores(pm[static_cast<size_t>(i)], pm[static_cast<size_t>(j)]);
  }
  NReal Maximo() const;  // nf, nc >= 1
  NReal SumaElementos() const;
  void MultiplicarPorEscalar(NReal a);
  void ProductoElementos(const TMatR& B);     // element by element, in place
  void Suma(const TMatR& A, const TMatR& B);  // self := A + B, over self's rows

  // Solves self * X = B by Gaussian elimination with partial pivoting; self (square, nf >= 1)
  // and B are overwritten, B with the solutions. Returns the determinant's mantissa d, with
  // det = d * 10^exp10 and 0.001 <= |d| <= 1000, or 0 with ok = false when a pivot before the
  // last is <= EpsilonMaquina in magnitude, the determinant is exactly 0, or a pivot or the
  // determinant is not finite.
  NReal ResolverSistema(TMatR& B, bool& ok, int32_t& exp10);

  // nf, nc, then each row as a vector text block.
  void EscribirTexto(TextoSalida& f) const;
  // Tab-separated table for people and spreadsheets ("NFilas: " / "NColumnas: " header).
  void EscribirTabla(TextoSalida& f) const;
  // "[nf|nc][v11][v12]...": each value rounded to 3 significant digits in the general number
  // form with the decimal separator in force.
  std::string ACadena() const;
  // Console dump; also returns the text it wrote.
  std::string print() const;
};

// One element's text of a bracketed string as CreateDesdeCadena reads it: "Nan", "+Inf",
// "-Inf" (any case, "Infinity" too) as those values, anything else through EvaluarNumero.
NReal ElementoDeCadena(const std::string& texto);

// The 3-significant-digit general text of one value as ACadena writes it ("0.5", "1.23E3",
// "1E-6", "0"), with the decimal separator `sep`.
std::string TresCifrasATexto(NReal x, char sep);

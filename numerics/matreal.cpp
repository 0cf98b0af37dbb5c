#include "numerics/matreal.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

inline size_t U(int32_t i) { return static_cast<size_t>(i); }

// A count read from a file is not trusted for a preallocation: a corrupt count would ask for
// gigabytes before the missing lines are noticed. Elements are appended as they are read.
constexpr int32_t kReservaMaxima = 1 << 16;

// The quicksort scheme shared by the four sorts. `antes(x, y)` is true when x goes before y.
// The partition and its swaps are exactly those of the plain recursive scheme (recurse on
// lo..j, then on i..hi); the two parts are disjoint, so sorting the smaller one first by
// recursion and the larger one in this same frame gives the same order and permutation while
// bounding the depth by log2(hi - lo + 1).
template <class Antes>
void Quicksort(TDAofNReal& a, int32_t* idx, int32_t lo, int32_t hi, Antes antes) {
  while (lo < hi) {
    const NReal pivote = a[U(static_cast<int32_t>((static_cast<int64_t>(lo) + hi) / 2))];
    int32_t i = lo;
    int32_t j = hi;
    do {
      while (antes(a[U(i)], pivote)) ++i;
      while (antes(pivote, a[U(j)])) --j;
      if (i <= j) {
        std::swap(a[U(i)], a[U(j)]);
        if (idx != nullptr) std::swap(idx[i], idx[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) Quicksort(a, idx, lo, j, antes);
      lo = i;
    } else {
      if (i < hi) Quicksort(a, idx, i, hi, antes);
      hi = j;
    }
  }
}

inline bool Menor(NReal x, NReal y) { return x < y; }
inline bool Mayor(NReal x, NReal y) { return x > y; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Sorting and searching

void OrdenarAscRec(TDAofNReal& a, int32_t lo, int32_t hi) { Quicksort(a, nullptr, lo, hi, Menor); }
void OrdenarDescRec(TDAofNReal& a, int32_t lo, int32_t hi) { Quicksort(a, nullptr, lo, hi, Mayor); }
void OrdenarAscConIndiceRec(TDAofNReal& a, TDAofNInt& idx, int32_t lo, int32_t hi) {
  Quicksort(a, idx.data(), lo, hi, Menor);
}
void OrdenarDescConIndiceRec(TDAofNReal& a, TDAofNInt& idx, int32_t lo, int32_t hi) {
  Quicksort(a, idx.data(), lo, hi, Mayor);
}

void OrdenarAsc(TDAofNReal& a, int32_t lo, int32_t hi) {
  if (lo < hi) OrdenarAscRec(a, lo, hi);
}
void OrdenarDesc(TDAofNReal& a, int32_t lo, int32_t hi) {
  if (lo < hi) OrdenarDescRec(a, lo, hi);
}
void OrdenarAscConIndice(TDAofNReal& a, TDAofNInt& idx, int32_t lo, int32_t hi) {
  if (lo < hi) OrdenarAscConIndiceRec(a, idx, lo, hi);
}
void OrdenarDescConIndice(TDAofNReal& a, TDAofNInt& idx, int32_t lo, int32_t hi) {
  if (lo < hi) OrdenarDescConIndiceRec(a, idx, lo, hi);
}

int32_t BusquedaBinaria(int32_t lo, int32_t hi, NReal x, const TDAofNReal& a) {
  do {
    const int32_t m = static_cast<int32_t>((static_cast<int64_t>(lo) + hi) / 2);
    if (a[U(m)] <= x)
      lo = m + 1;
    else
      hi = m - 1;
  } while (hi >= lo);
  return lo;
}

// ---------------------------------------------------------------------------------------------
// TVectR: construction and sizing

TVectR::TVectR(int32_t n_) {
  if (n_ < 0) throw EErrorGeneral("TVectR.Create: número de elementos negativo: " + IntToStr(n_));
  n = n_;
  pv.assign(U(n_) + 1, 0.0);
}

TVectR TVectR::CreateDesdeDA(int32_t k0, const TDAofNReal& a) {
  // Any other origin would leave element n unset (k0 < 1) or write past the array (k0 > 1).
  if (k0 != 1)
    throw EErrorGeneral("TVectR.CreateDesdeDA: el primer índice debe ser 1: " + IntToStr(k0));
  TVectR v(static_cast<int32_t>(a.size()));
  for (size_t m = 0; m < a.size(); ++m) v.pv[U(k0) + m] = a[m];
  return v;
}

TVectR TVectR::CreateLeerTexto(TextoEntrada& f, int32_t n_) {
  if (n_ < 0) {
    n_ = f.LeerEntero();
    if (n_ < 0) f.ErrorDeLinea();
  }
  TVectR v;
  v.pv.reserve(U(std::min(n_, kReservaMaxima)) + 1);
  for (int32_t i = 1; i <= n_; ++i) v.pv.push_back(f.LeerReal());
  v.n = n_;
  return v;
}

void TVectR::Redimensionar(int32_t nNuevo) {
  if (nNuevo < 0)
    throw EErrorGeneral("TVectR.Redimensionar: número de elementos negativo: " + IntToStr(nNuevo));
  pv.resize(U(nNuevo) + 1, 0.0);
  n = nNuevo;
}

// ---------------------------------------------------------------------------------------------
// TVectR: arithmetic

void TVectR::Anular() {
  for (int32_t i = 1; i <= n; ++i) pv[U(i)] = 0.0;
}

void TVectR::LlenarUnos() {
  for (int32_t i = 1; i <= n; ++i) pv[U(i)] = 1.0;
}

void TVectR::Copiar(const TVectR& y) {
  for (int32_t i = 1; i <= n; ++i) pv[U(i)] = y.pv[U(i)];
}

void TVectR::Asignar(const TVectR& y) {
  for (int32_t i = 1; i <= y.n; ++i) pv[U(i)] = y.pv[U(i)];
}

void TVectR::Suma(const TVectR& x, const TVectR& y) {
  for (int32_t i = 1; i <= n; ++i) pv[U(i)] = x.pv[U(i)] + y.pv[U(i)];
}

void TVectR::SumarMultiplo(const TVectR& y, NReal a) {
  for (int32_t i = 1; i <= n; ++i) pv[U(i)] += a * y.pv[U(i)];
}

void TVectR::SumarMultiploRango(const TVectR& y, int32_t desde, int32_t hasta, NReal a) {
  for (int32_t i = desde; i <= hasta; ++i) pv[U(i)] += a * y.pv[U(i)];
}

void TVectR::MultiplicarDesde(int32_t k, NReal a) {
  for (int32_t i = k; i <= n; ++i) pv[U(i)] *= a;
}

TVectR TVectR::ProductoElementos(const TVectR& y) const {
  TVectR r(n);
  for (int32_t i = 1; i <= n; ++i) r.pv[U(i)] = pv[U(i)] * y.pv[U(i)];
  return r;
}

NReal TVectR::ProductoEscalar(const TVectR& y) const {
  NReal s = 0.0;
  for (int32_t i = 1; i <= n; ++i) s += pv[U(i)] * y.pv[U(i)];
  return s;
}

NReal TVectR::NormaCuadrada() const {
  NReal s = 0.0;
  for (int32_t i = 1; i <= n; ++i) s += pv[U(i)] * pv[U(i)];
  return s;
}

NReal TVectR::Norma() const { return std::sqrt(NormaCuadrada()); }

NReal TVectR::Promedio() const {
  assert(n > 0);
  return SumaRango(1, n) / static_cast<NReal>(n);
}

NReal TVectR::SumaRango(int32_t desde, int32_t hasta) const {
  NReal s = 0.0;
  for (int32_t i = desde; i <= hasta; ++i) s += pv[U(i)];
  return s;
}

NReal TVectR::Minimo() const {
  assert(n >= 1);
  NReal m = pv[1];
  for (int32_t i = 2; i <= n; ++i)
    if (pv[U(i)] < m) m = pv[U(i)];
  return m;
}

NReal TVectR::Maximo() const {
  assert(n >= 1);
  NReal m = pv[1];
  for (int32_t i = 2; i <= n; ++i)
    if (pv[U(i)] > m) m = pv[U(i)];
  return m;
}

void TVectR::MinMax(int32_t& kMin, int32_t& kMax, NReal& vMin, NReal& vMax) const {
  assert(n >= 1);
  vMin = vMax = pv[1];
  kMin = kMax = 1;
  for (int32_t k = 2; k <= n; ++k) {
    const NReal x = pv[U(k)];
    if (x < vMin) {
      vMin = x;
      kMin = k;
    } else if (x > vMax) {
      vMax = x;
      kMax = k;
    }
  }
}

NReal TVectR::Normalizar() {
  const NReal norma = Norma();
  if (n == 0) return norma;
  if (CasiCero(norma / n)) {
    Anular();
    pv[1] = 1.0;
    return 0.0;
  }
  const NReal q = 1.0 / norma;
  for (int32_t i = 1; i <= n; ++i) pv[U(i)] *= q;
  return norma;
}

TDAofNReal TVectR::CopiarRangoADA(int32_t desde, int32_t hasta) const {
  // hasta < desde asks for the rest of the vector from desde (the whole vector for desde = 1).
  if (hasta < desde) hasta = n;
  if (hasta < desde) return {};
  return TDAofNReal(pv.begin() + desde, pv.begin() + hasta + 1);
}

// ---------------------------------------------------------------------------------------------
// TVectR: interpolation, inverse and correlation

NReal TVectR::InterpolarEnIndice(NReal r) const {
  assert(n >= 1);
  if (std::isnan(r)) return r;
  // Compared as a double first: converting a huge or infinite index to an integer would be
  // undefined behaviour.
  const NReal t = std::trunc(r);
  if (t <= 0.0) return pv[1];
  if (t >= static_cast<NReal>(n)) return pv[U(n)];
  const int32_t k = static_cast<int32_t>(t);
  return pv[U(k)] + (r - k) * (pv[U(k) + 1] - pv[U(k)]);
}

NReal TVectR::IndiceReal(NReal x) const {
  if (n == 0) return -1.0;
  if (n == 1) {
    if (pv[1] > x) return -1.0;
    if (pv[1] < x) return 2.0;
    return 1.0;
  }
  int32_t i = 1;
  while (i <= n - 1 && !(pv[U(i)] >= x)) ++i;
  if (i == 1) {
    const NReal gap = pv[2] - pv[1];
    if (std::fabs(gap) > EpsilonMaquina) return 1.0 + (x - pv[1]) / gap;
    return x == pv[1] ? 1.0 : -1.0;
  }
  const NReal gap = pv[U(i)] - pv[U(i) - 1];
  if (std::fabs(gap) > EpsilonMaquina) return (i - 1) + (x - pv[U(i) - 1]) / gap;
  return x == pv[U(n)] ? static_cast<NReal>(n) : static_cast<NReal>(n) + 1.0;
}

NReal TVectR::CorrelacionDesfasada(const TVectR& y, int32_t desfasaje, bool conUmbral,
                                   NReal umbral) const {
  if (desfasaje < 0) {
    if (desfasaje == std::numeric_limits<int32_t>::min()) return 0.0;  // no pair at any n
    return y.CorrelacionDesfasada(*this, -desfasaje, conUmbral, umbral);
  }
  const int64_t m0 = static_cast<int64_t>(n) - desfasaje;
  if (m0 < 1) return 0.0;
  int64_t excluidos = 0;
  NReal sa = 0.0, sb = 0.0, saa = 0.0, sbb = 0.0, sab = 0.0;
  for (int64_t j = 1; j <= m0; ++j) {
    const NReal a = pv[static_cast<size_t>(j)];
    const NReal b = y.pv[static_cast<size_t>(j + desfasaje)];
    if (conUmbral && !(a > umbral && b > umbral)) {
      ++excluidos;
      continue;
    }
    sa += a;
    sb += b;
    saa += a * a;
    sbb += b * b;
    sab += a * b;
  }
  const NReal m = static_cast<NReal>(m0 - excluidos);
  // Fewer than two pairs, or a side without variance, has no correlation. The plain formula
  // would give 0/0, x/0 or the root of a negative rounding residue, and an infinite value would
  // win any search for the best lag; 0 never does.
  if (m < 2.0) return 0.0;
  const NReal ma = sa / m;
  const NReal mb = sb / m;
  const NReal va = saa - m * (ma * ma);
  const NReal vb = sbb - m * (mb * mb);
  if (!(va > 0.0 && vb > 0.0)) return 0.0;
  const NReal r = (sab - m * ma * mb) / (std::sqrt(va) * std::sqrt(vb));
  return std::isfinite(r) ? r : 0.0;
}

// ---------------------------------------------------------------------------------------------
// TVectR: order

void TVectR::Ordenar(bool ascendente) {
  if (ascendente)
    OrdenarAsc(pv, 1, n);
  else
    OrdenarDesc(pv, 1, n);
}

void TVectR::OrdenarConIndice(bool ascendente, TDAofNInt& idx) {
  if (ascendente)
    OrdenarAscConIndice(pv, idx, 1, n);
  else
    OrdenarDescConIndice(pv, idx, 1, n);
}

void TVectR::Reordenar(const TDAofNInt& idx) {
  TDAofNReal nuevo(U(n) + 1, 0.0);
  for (int32_t k = 1; k <= n; ++k) nuevo[U(k)] = pv[U(idx[U(k)])];
  pv.swap(nuevo);
}

void TVectR::ReordenarInverso(const TDAofNInt& idx) {
  TDAofNReal nuevo(U(n) + 1, 0.0);
  for (int32_t k = 1; k <= n; ++k) nuevo[U(idx[U(k)])] = pv[U(k)];
  pv.swap(nuevo);
}

// ---------------------------------------------------------------------------------------------
// TVectR: text

void TVectR::EscribirTexto(TextoSalida& f) const {
  f.EscribirEntero(n);
  for (int32_t i = 1; i <= n; ++i) f.EscribirReal(pv[U(i)]);
}

std::string TVectR::print() const {
  std::string t = " TVectR.print.inicio\n";
  for (int32_t i = 1; i <= n; ++i)
    t += " N: " + EnteroAncho(i, 6) + " : " + FijoAncho(pv[U(i)], 12, 4) + "\n";
  t += " TVectR.print.fin\n";
  std::cout << t << std::flush;
  return t;
}

void TVectR::ImprimirValores() const {
  std::string t;
  for (int32_t i = 1; i <= n; ++i) {
    t += ' ';
    t += FijoAncho(pv[U(i)], 12, 3);
  }
  std::cout << t << '\n' << std::flush;
}

void IntercambiarVectores(TVectR& a, TVectR& b) {
  std::swap(a.n, b.n);
  a.pv.swap(b.pv);
}

// ---------------------------------------------------------------------------------------------
// Bracketed strings

void ExtraerHastaSeparador(std::string& s, const std::string& sep, std::string& parte) {
  const size_t p = s.find(sep);
  if (p == std::string::npos) {
    parte = s;
    s.clear();
  } else {
    parte = s.substr(0, p);
    s.erase(0, p + sep.size());
  }
  // Bytes compared unsigned: the bytes of a UTF-8 sequence are above 127 and stay.
  auto blanco = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  size_t a = 0;
  size_t b = parte.size();
  while (a < b && blanco(parte[a])) ++a;
  while (b > a && blanco(parte[b - 1])) --b;
  parte = parte.substr(a, b - a);
}

namespace {

// Like ExtraerHastaSeparador, but a missing separator means the string ran out of groups: the
// plain tokenizer would hand on the whole rest (or an empty text) as if the group were there.
void CortarGrupo(std::string& s, const std::string& sep, std::string& parte, const char* quien,
                 const std::string& original) {
  if (s.find(sep) == std::string::npos)
    throw EConvertError(std::string(quien) + ": cadena incompleta: \"" + original + "\"");
  ExtraerHastaSeparador(s, sep, parte);
}

int64_t Contar(const std::string& s, char c) {
  return static_cast<int64_t>(std::count(s.begin(), s.end(), c));
}

// Rows a matrix of no columns may have: such a matrix has no groups to check its row count
// against, while every row still costs a row object (some 64 bytes), so the row count is bound
// by the text: 65,536 rows whatever its length (about 4 MB, so that what ACadena writes for any
// such matrix of a model reads back), and a quarter of a row per character beyond that. That is
// about 16 bytes per character, less than a matrix of one column takes per character of its
// text (a row and an element for every "[x]").
bool FilasSinColumnasAdmitidas(int64_t nf, size_t largo) {
  return nf <= 65536 + static_cast<int64_t>(largo / 4);
}

}  // namespace

// What ACadena writes for a value that is not finite ("Nan", "+Inf", "-Inf"; in any case,
// "Infinity" too, as the plain real text reads them), or else a number or expression through
// EvaluarNumero.
NReal ElementoDeCadena(const std::string& parte) {
  const bool conCifras = parte.find_first_of("0123456789") != std::string::npos;
  double x = 0;
  if (!conCifras && ProbarTextoARealCompleto(parte, x)) return x;
  return EvaluarNumero(parte);
}

TVectR TVectR::CreateDesdeCadena(const std::string& s) {
  static constexpr const char* kQuien = "TVectR.CreateDesdeCadena";
  std::string resto = s;
  std::string parte;
  CortarGrupo(resto, "[", parte, kQuien, s);
  CortarGrupo(resto, "|", parte, kQuien, s);
  const int32_t n_ = StrToInt(parte);
  if (n_ < 1) throw EConvertError(std::string(kQuien) + ": número de elementos inválido: " + parte);
  // Every element but the last ends at a ";": checked before the vector is allocated.
  if (Contar(resto, ';') < static_cast<int64_t>(n_) - 1)
    throw EConvertError(std::string(kQuien) + ": cadena incompleta: \"" + s + "\"");
  TVectR v(n_);
  for (int32_t i = 1; i < n_; ++i) {
    CortarGrupo(resto, ";", parte, kQuien, s);
    v.pv[U(i)] = ElementoDeCadena(parte);
  }
  // The last element ends at the next "]", or with the string when there is none.
  ExtraerHastaSeparador(resto, "]", parte);
  v.pv[U(n_)] = ElementoDeCadena(parte);
  return v;
}

// ---------------------------------------------------------------------------------------------
// Least-squares line

NReal TVectR::AproximacionLineal(NReal& pendiente, NReal& ordenada, const TVectR& x, NReal xDesde,
                                 NReal xHasta, int32_t& nPuntos) const {
  int32_t cuenta = 0;
  NReal sxx = 0.0, syy = 0.0, sx = 0.0, sxy = 0.0, sy = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    const NReal xi = x.pv[U(i)];
    if (xDesde <= xi && xi < xHasta) {
      const NReal yi = pv[U(i)];
      ++cuenta;
      sxx += xi * xi;
      syy += yi * yi;
      sx += xi;
      sxy += xi * yi;
      sy += yi;
    }
  }
  nPuntos = cuenta;
  if (cuenta == 0) {
    pendiente = 0.0;
    ordenada = 0.0;
    return -1.0;
  }
  const NReal m = static_cast<NReal>(cuenta);
  const NReal mxx = sxx / m, myy = syy / m, mx = sx / m, mxy = sxy / m, my = sy / m;
  // One point, or abscissas that are all equal, leave the line undetermined. The solver only
  // rejects an exactly zero last pivot, and mxx - mx*mx of equal abscissas is a rounding
  // residue of a few ulps as often as not, which would pass as a line of slope ~1e16. 64 ulps
  // of mxx is far below the variance of any abscissas that differ in their 13th digit.
  if (cuenta < 2 || !(mxx - mx * mx > 64.0 * EpsilonMaquina * mxx))
    throw EErrorGeneral("TVectR.AproximacionLineal res= 0");
  TMatR A(2, 2);
  TMatR B(2, 1);
  A.PonerElemento(1, 1, mxx);
  A.PonerElemento(1, 2, mx);
  A.PonerElemento(2, 1, mx);
  A.PonerElemento(2, 2, 1.0);
  B.PonerElemento(1, 1, mxy);
  B.PonerElemento(2, 1, my);
  bool ok = false;
  int32_t exp10 = 0;
  A.ResolverSistema(B, ok, exp10);
  if (!ok) throw EErrorGeneral("TVectR.AproximacionLineal res= 0");
  pendiente = B.Elemento(1, 1);
  ordenada = B.Elemento(2, 1);
  return myy -
         (pendiente * pendiente * mxx + 2.0 * pendiente * ordenada * mx + ordenada * ordenada);
}

// ---------------------------------------------------------------------------------------------
// TMatR

TMatR::TMatR(int32_t nf_, int32_t nc_) {
  if (nf_ < 0 || nc_ < 0)
    throw EErrorGeneral("TMatR.Create: dimensiones negativas: " + IntToStr(nf_) + " x " +
                        IntToStr(nc_));
  nf = nf_;
  nc = nc_;
  pm.assign(U(nf_) + 1, TVectR());
  for (int32_t i = 1; i <= nf; ++i) pm[U(i)] = TVectR(nc_);
}

TMatR TMatR::CreateLeerTexto(TextoEntrada& f) {
  TMatR m;
  const int32_t nf_ = f.LeerEntero();
  if (nf_ < 0) f.ErrorDeLinea();
  const int32_t nc_ = f.LeerEntero();
  if (nc_ < 0) f.ErrorDeLinea();
  m.pm.reserve(U(std::min(nf_, kReservaMaxima)) + 1);
  for (int32_t i = 1; i <= nf_; ++i) {
    // Each row carries its own length line; one that is not nc would make a ragged matrix.
    if (f.LeerEntero() != nc_) f.ErrorDeLinea();
    m.pm.push_back(TVectR::CreateLeerTexto(f, nc_));
  }
  m.nf = nf_;
  m.nc = nc_;
  return m;
}

TMatR TMatR::CreateDesdeCadena(const std::string& s) {
  return CreateDesdeCadena(s, [](int32_t, int32_t, int32_t, int32_t, const std::string& parte) {
    return ElementoDeCadena(parte);
  });
}

TMatR TMatR::CreateDesdeCadena(const std::string& s, const TValorDeElemento& valor) {
  static constexpr const char* kQuien = "TMatR.CreateDesdeCadena";
  std::string resto = s;
  std::string parte;
  CortarGrupo(resto, "[", parte, kQuien, s);
  CortarGrupo(resto, "|", parte, kQuien, s);
  const int32_t nf_ = StrToInt(parte);
  // The column count ends at the next "]"; without one (a matrix with no elements whose final
  // "]" is missing) it is the rest of the string, and a matrix with elements then finds none.
  ExtraerHastaSeparador(resto, "]", parte);
  const int32_t nc_ = StrToInt(parte);
  if (nf_ < 0 || nc_ < 0 || (nc_ == 0 && !FilasSinColumnasAdmitidas(nf_, s.size())))
    throw EConvertError(std::string(kQuien) + ": dimensiones inválidas: " + IntToStr(nf_) + " x " +
                        IntToStr(nc_));
  const int64_t total = static_cast<int64_t>(nf_) * nc_;
  // Every element but the last ends at a "]" (the last may end with the string): checked
  // before the matrix is allocated.
  if (total > 0 && Contar(resto, ']') < total - 1)
    throw EConvertError(std::string(kQuien) + ": cadena incompleta: \"" + s + "\"");
  TMatR m(nf_, nc_);
  if (total == 0) return m;
  CortarGrupo(resto, "[", parte, kQuien, s);
  int64_t k = 0;
  for (int32_t i = 1; i <= nf_; ++i) {
    for (int32_t j = 1; j <= nc_; ++j) {
      if (++k < total) {
        CortarGrupo(resto, "]", parte, kQuien, s);
        m.PonerElemento(i, j, valor(nf_, nc_, i, j, parte));
        CortarGrupo(resto, "[", parte, kQuien, s);
      } else {
        // The last element ends at the next "]", or with the string when there is none.
        ExtraerHastaSeparador(resto, "]", parte);
        m.PonerElemento(i, j, valor(nf_, nc_, i, j, parte));
      }
    }
  }
  return m;
}

void TMatR::Anular() {
  for (int32_t i = 1; i <= nf; ++i) pm[U(i)].Anular();
}

void TMatR::LlenarUnos() {
  for (int32_t i = 1; i <= nf; ++i) pm[U(i)].LlenarUnos();
}

NReal TMatR::Maximo() const {
  assert(nf >= 1 && nc >= 1);
  NReal m = pm[1].Maximo();
  for (int32_t i = 2; i <= nf; ++i) {
    const NReal x = pm[U(i)].Maximo();
    if (x > m) m = x;
  }
  return m;
}

NReal TMatR::SumaElementos() const {
  NReal s = 0.0;
  for (int32_t i = 1; i <= nf; ++i)
    for (int32_t j = 1; j <= nc; ++j) s += pm[U(i)].pv[U(j)];
  return s;
}

void TMatR::MultiplicarPorEscalar(NReal a) {
  for (int32_t i = 1; i <= nf; ++i) pm[U(i)].MultiplicarDesde(1, a);
}

void TMatR::ProductoElementos(const TMatR& B) {
  for (int32_t i = 1; i <= nf; ++i)
    for (int32_t j = 1; j <= nc; ++j) pm[U(i)].pv[U(j)] *= B.pm[U(i)].pv[U(j)];
}

void TMatR::Suma(const TMatR& A, const TMatR& B) {
  for (int32_t i = 1; i <= nf; ++i) pm[U(i)].Suma(A.pm[U(i)], B.pm[U(i)]);
}

namespace {

// Keeps the determinant's mantissa in [0.001, 1000], counting the powers of ten moved out.
// d must be finite and not 0, or the loops would never end.
void NormalizarMantisa(NReal& d, int32_t& arriba, int32_t& abajo) {
  if (std::fabs(d) > 1000.0) {
    do {
      d = d / 10.0;
      ++arriba;
    } while (!(std::fabs(d) < 1000.0));
  } else if (std::fabs(d) < 0.001) {
    do {
      d = d * 10.0;
      ++abajo;
    } while (!(std::fabs(d) > 0.001));
  }
}

}  // namespace

NReal TMatR::ResolverSistema(TMatR& B, bool& ok, int32_t& exp10) {
  assert(nf >= 1);
  TMatR& A = *this;
  NReal d = 1.0;
  int32_t arriba = 0;
  int32_t abajo = 0;
  ok = true;
  for (int32_t k = 1; k <= nf - 1 && ok; ++k) {
    int32_t p = k;
    NReal piv = std::fabs(A.Elemento(k, k));
    for (int32_t i = k + 1; i <= nf; ++i) {
      const NReal a = std::fabs(A.Elemento(i, k));
      if (a > piv) {
        p = i;
        piv = a;
      }
    }
    if (p != k) {
      A.IntercambiarFilas(k, p);
      B.IntercambiarFilas(k, p);
      d = -d;
    }
    // A NaN or infinite pivot fails here too: the elimination would spread it and the mantissa
    // normalisation would never end on an infinite determinant.
    if (!(piv > EpsilonMaquina) || !std::isfinite(piv)) {
      d = 0.0;
      ok = false;
      break;
    }
    d = d * A.Elemento(k, k);
    if (d == 0.0 || !std::isfinite(d)) {
      d = 0.0;
      ok = false;
      break;
    }
    NormalizarMantisa(d, arriba, abajo);
    const TVectR& filaK = A.Fila(k);
    const TVectR& filaKB = B.Fila(k);
    for (int32_t i = k + 1; i <= nf; ++i) {
      const NReal m = -A.Elemento(i, k) / A.Elemento(k, k);
      A.Fila(i).SumarMultiploRango(filaK, k + 1, nc, m);
      B.Fila(i).SumarMultiplo(filaKB, m);
    }
  }
  if (ok) {
    d = d * A.Elemento(nf, nf);
    // Only an exactly zero last pivot fails; a tiny one gives very large solutions.
    if (d == 0.0 || !std::isfinite(d)) ok = false;
  }
  if (ok) {
    NormalizarMantisa(d, arriba, abajo);
    for (int32_t i = 1; i <= nf; ++i) {
      const NReal q = 1.0 / A.Elemento(i, i);
      B.Fila(i).MultiplicarDesde(1, q);
      A.Fila(i).MultiplicarDesde(i + 1, q);
    }
    for (int32_t k = nf; k >= 2; --k) {
      const TVectR& filaKB = B.Fila(k);
      for (int32_t i = k - 1; i >= 1; --i) B.Fila(i).SumarMultiplo(filaKB, -A.Elemento(i, k));
    }
  } else {
    d = 0.0;
  }
  exp10 = arriba - abajo;
  return d;
}

void TMatR::EscribirTexto(TextoSalida& f) const {
  f.EscribirEntero(nf);
  f.EscribirEntero(nc);
  for (int32_t i = 1; i <= nf; ++i) pm[U(i)].EscribirTexto(f);
}

void TMatR::EscribirTabla(TextoSalida& f) const {
  f.EscribirLinea("NFilas: \t" + IntToStr(nf) + "\tNColumnas: \t" + IntToStr(nc));
  std::string linea = " ";
  for (int32_t j = 1; j <= nc; ++j) {
    linea += '\t';
    linea += IntToStr(j);
  }
  f.EscribirLinea(linea);
  for (int32_t i = 1; i <= nf; ++i) {
    linea = IntToStr(i);
    for (int32_t j = 1; j <= nc; ++j) {
      linea += '\t';
      linea += RealATexto(Elemento(i, j));
    }
    f.EscribirLinea(linea);
  }
}

// The run-time's general text with three significant digits: fixed for exponents -5 to 2,
// otherwise mantissa, "E" and the exponent; trailing zeros dropped; rounded half away from
// zero on the exact value (1.125 gives 1.13).
std::string TresCifrasATexto(NReal x, char sep) {
  TFormatSettings fs = FormatSettings();
  fs.DecimalSeparator = sep;
  return FloatToStrF(x, TFloatFormat::ffGeneral, 3, 0, fs);
}

std::string TMatR::ACadena() const {
  const char sep = FormatSettings().DecimalSeparator;
  std::string s = "[";
  s += IntToStr(nf);
  s += '|';
  s += IntToStr(nc);
  s += ']';
  for (int32_t i = 1; i <= nf; ++i)
    for (int32_t j = 1; j <= nc; ++j) {
      s += '[';
      s += TresCifrasATexto(Elemento(i, j), sep);
      s += ']';
    }
  return s;
}

std::string TMatR::print() const {
  std::string t = " TMatR.print.inicio\n";
  t += EnteroAncho(nf, 6) + " filas " + EnteroAncho(nc, 6) + " columnas: \n";
  for (int32_t i = 1; i <= nf; ++i) {
    for (int32_t j = 1; j <= nc; ++j) {
      t += ' ';
      t += FijoAncho(Elemento(i, j), 12, 3);
    }
    t += "\n";
  }
  t += " TMatR.print.fin\n";
  std::cout << t << std::flush;
  return t;
}

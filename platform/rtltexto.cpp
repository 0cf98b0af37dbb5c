#include "platform/rtltexto.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/errores.h"
#include "platform/fechas.h"

// ---------------------------------------------------------------------------------------------
// Format settings

namespace {

// The locale in force for one category, as the C library resolves it: LC_ALL, then the
// category's own variable, then LANG; "C" when none is set.
std::string LocaleDeCategoria(const char* categoria) {
  for (const char* v : {"LC_ALL", categoria, "LANG"}) {
    const char* e = std::getenv(v);
    if (e != nullptr && *e != '\0') return std::string(e);
  }
  return std::string("C");
}

TFormatSettings& Sistema() {
  static TFormatSettings s = FormatoDelEntorno();
  return s;
}

bool Empieza(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// A locale object of the C library for one category, released with this holder; null when the
// name is the C locale or a locale the system does not have (the C library then works in the C
// locale too).
class LocaleC {
 public:
  LocaleC(int mascara, std::string_view nombre) {
    const bool esC = nombre.empty() || nombre == "C" || nombre == "POSIX" || Empieza(nombre, "C.");
    if (!esC) l_ = newlocale(mascara, std::string(nombre).c_str(), static_cast<locale_t>(nullptr));
  }
  ~LocaleC() {
    if (l_ != static_cast<locale_t>(nullptr)) freelocale(l_);
  }
  LocaleC(const LocaleC&) = delete;
  LocaleC& operator=(const LocaleC&) = delete;
  locale_t l() const { return l_; }
  std::string Dato(nl_item item) const { return nl_langinfo_l(item, l_); }

 private:
  locale_t l_ = static_cast<locale_t>(nullptr);
};

// A one-character separator from the locale's text: itself when it is one ASCII character;
// a blank for a wider one (a no-break space, U+202F in fr_FR), which the run-time's one-character
// settings cannot hold; `vacio` when the locale has none.
char Separador(const std::string& s, char vacio) {
  if (s.empty()) return vacio;
  if (s.size() == 1 && static_cast<unsigned char>(s[0]) < 128) return s[0];
  return ' ';
}

bool EsLetra(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The C library's date and time pattern (strftime's "%d/%m/%Y") in the run-time's pattern
// language ("dd/mm/yyyy"). Letters between the fields go in quotes; a field with no
// counterpart (time zone, week and day numbers of the year) is left out. A two-digit year
// becomes four: the century is not left for the reader to guess. With `soloFecha` the
// time-of-day fields are left out too.
void PatronDeStrftime(std::string& out, std::string_view f, locale_t l, bool soloFecha,
                      int profundidad) {
  if (profundidad > 3) return;
  std::string literal;
  auto volcar = [&] {
    bool conLetras = false;
    for (char c : literal) conLetras = conLetras || EsLetra(c) || c == '"' || c == '\'';
    if (!conLetras) {
      out += literal;
    } else {
      const char comilla = literal.find('"') == std::string::npos ? '"' : '\'';
      out += comilla;
      for (char c : literal)
        if (c != comilla) out += c;
      out += comilla;
    }
    literal.clear();
  };
  auto campo = [&](std::string_view patron) {
    volcar();
    out += patron;
  };
  auto anidado = [&](nl_item item, std::string_view porDefecto) {
    volcar();
    std::string sub = nl_langinfo_l(item, l);
    PatronDeStrftime(out, sub.empty() ? porDefecto : std::string_view(sub), l, soloFecha,
                     profundidad + 1);
  };
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%' || i + 1 >= f.size()) {
      literal += f[i];
      continue;
    }
    ++i;
    bool sinCeros = false;
    while (i < f.size() && (f[i] == '-' || f[i] == '_' || f[i] == '0' || f[i] == '^' ||
                            f[i] == '#' || f[i] == 'E' || f[i] == 'O')) {
      sinCeros = sinCeros || f[i] == '-' || f[i] == '_';
      ++i;
    }
    if (i >= f.size()) break;
    const bool hora = std::string_view("HkIlMSpPTRrX").find(f[i]) != std::string_view::npos;
    if (soloFecha && hora) continue;
    switch (f[i]) {
      case 'd':
        campo(sinCeros ? "d" : "dd");
        break;
      case 'e':
        campo("d");
        break;
      case 'm':
        campo(sinCeros ? "m" : "mm");
        break;
      case 'Y':
      case 'y':
      case 'G':
      case 'g':
        campo("yyyy");
        break;
      case 'b':
      case 'h':
        campo("mmm");
        break;
      case 'B':
        campo("mmmm");
        break;
      case 'a':
        campo("ddd");
        break;
      case 'A':
        campo("dddd");
        break;
      case 'H':
      case 'I':
        campo(sinCeros ? "h" : "hh");
        break;
      case 'k':
      case 'l':
        campo("h");
        break;
      case 'M':
        campo(sinCeros ? "n" : "nn");
        break;
      case 'S':
        campo(sinCeros ? "s" : "ss");
        break;
      case 'p':
        campo("ampm");
        break;
      case 'P':
        campo("am/pm");
        break;
      case 'T':
        campo("hh:nn:ss");
        break;
      case 'R':
        campo("hh:nn");
        break;
      case 'D':
        campo("mm/dd/yyyy");
        break;
      case 'F':
        campo("yyyy-mm-dd");
        break;
      case 'r':
        anidado(T_FMT_AMPM, "%I:%M:%S %p");
        break;
      case 'x':
        anidado(D_FMT, "%m/%d/%y");
        break;
      case 'X':
        anidado(T_FMT, "%H:%M:%S");
        break;
      case 'c':
        anidado(D_T_FMT, "%a %b %e %H:%M:%S %Y");
        break;
      case 'n':
      case 't':
        literal += ' ';
        break;
      case '%':
        literal += '%';
        break;
      default:
        break;  // %Z, %z, %j, %U, %W, %V, %u, %w, %s, %C: nothing of ours
    }
  }
  volcar();
}

// Blanks at the ends dropped and runs of blanks made one (what is left where fields were left
// out).
std::string SinBlancosSobrantes(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (c == ' ' && (r.empty() || r.back() == ' ')) continue;
    r += c;
  }
  while (!r.empty() && r.back() == ' ') r.pop_back();
  return r;
}

std::string Patron(std::string_view strftime, locale_t l, bool soloFecha) {
  std::string p;
  PatronDeStrftime(p, strftime, l, soloFecha, 0);
  return SinBlancosSobrantes(p);
}

// The first separator between the fields of a pattern: a character that is not a letter, a
// digit, a blank or a quote.
char PrimerSeparador(const std::string& patron, char porDefecto) {
  for (char c : patron) {
    if (!EsLetra(c) && !(c >= '0' && c <= '9') && c != ' ' && c != '"' && c != '\'' &&
        static_cast<unsigned char>(c) < 128)
      return c;
  }
  return porDefecto;
}

// The time pattern without its seconds, and the separator before them ("hh:nn:ss ampm" gives
// "hh:nn ampm").
std::string SinSegundos(std::string p) {
  const size_t k = p.find("ss");
  if (k == std::string::npos) return p;
  size_t ini = k;
  if (ini > 0 && !EsLetra(p[ini - 1]) && p[ini - 1] != ' ') --ini;
  p.erase(ini, k + 2 - ini);
  return p;
}

}  // namespace

TFormatSettings FormatoDeLocales(std::string_view numerico, std::string_view tiempo) {
  TFormatSettings f;
  // The C locale (and any the system does not have): "." and ",", ISO dates, English names.
  static const std::array<std::string, 12> kMesCorto{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static const std::array<std::string, 12> kMesLargo{
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};
  static const std::array<std::string, 7> kDiaCorto{"Sun", "Mon", "Tue", "Wed",
                                                    "Thu", "Fri", "Sat"};
  static const std::array<std::string, 7> kDiaLargo{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                    "Thursday", "Friday", "Saturday"};
  f.ShortMonthNames = kMesCorto;
  f.LongMonthNames = kMesLargo;
  f.ShortDayNames = kDiaCorto;
  f.LongDayNames = kDiaLargo;
  f.ThousandSeparator = ',';
  f.DecimalSeparator = '.';
  f.DateSeparator = '-';
  f.ShortDateFormat = "yyyy-mm-dd";
  f.LongDateFormat = "dddd, d mmmm yyyy";
  f.ShortTimeFormat = "hh:nn";
  f.LongTimeFormat = "hh:nn:ss";
  f.TimeSeparator = ':';

  const LocaleC num(LC_NUMERIC_MASK, numerico);
  if (num.l() != static_cast<locale_t>(nullptr)) {
    f.DecimalSeparator = Separador(num.Dato(RADIXCHAR), '.');
    if (f.DecimalSeparator == ' ') f.DecimalSeparator = '.';
    f.ThousandSeparator = Separador(num.Dato(THOUSEP), '\0');
  }

  // With its character set: the names are text in it.
  const LocaleC hora(LC_TIME_MASK | LC_CTYPE_MASK, tiempo);
  const locale_t l = hora.l();
  if (l != static_cast<locale_t>(nullptr)) {
    f.ShortDateFormat = Patron(hora.Dato(D_FMT), l, false);
    f.LongDateFormat = Patron(hora.Dato(D_T_FMT), l, true);
    if (f.LongDateFormat.empty()) f.LongDateFormat = f.ShortDateFormat;
    f.LongTimeFormat = Patron(hora.Dato(T_FMT), l, false);
    f.ShortTimeFormat = SinSegundos(f.LongTimeFormat);
    f.DateSeparator = PrimerSeparador(f.ShortDateFormat, '/');
    f.TimeSeparator = PrimerSeparador(f.LongTimeFormat, ':');
    // The names only from a UTF-8 locale: the window and the files hold UTF-8 text.
    if (hora.Dato(CODESET) == "UTF-8") {
      for (size_t i = 0; i < 12; ++i) {
        f.ShortMonthNames[i] = hora.Dato(static_cast<nl_item>(ABMON_1 + static_cast<int>(i)));
        f.LongMonthNames[i] = hora.Dato(static_cast<nl_item>(MON_1 + static_cast<int>(i)));
      }
      for (size_t i = 0; i < 7; ++i) {
        f.ShortDayNames[i] = hora.Dato(static_cast<nl_item>(ABDAY_1 + static_cast<int>(i)));
        f.LongDayNames[i] = hora.Dato(static_cast<nl_item>(DAY_1 + static_cast<int>(i)));
      }
    }
  }
  return f;
}

TFormatSettings FormatoDeLocale(std::string_view nombre) {
  return FormatoDeLocales(nombre, nombre);
}

TFormatSettings FormatoDelEntorno() {
  return FormatoDeLocales(LocaleDeCategoria("LC_NUMERIC"), LocaleDeCategoria("LC_TIME"));
}

bool HayLocale(std::string_view nombre) {
  if (nombre.empty() || nombre == "C" || nombre == "POSIX" || Empieza(nombre, "C.")) return true;
  return LocaleC(LC_ALL_MASK, nombre).l() != static_cast<locale_t>(nullptr);
}

TFormatSettings& FormatSettings() {
  static TFormatSettings actual = Sistema();
  return actual;
}

const TFormatSettings& FormatoDelSistema() { return Sistema(); }

void FijarFormatoDelSistema(const TFormatSettings& f) {
  Sistema() = f;
  FormatSettings() = f;
}

// ---------------------------------------------------------------------------------------------
// Exact decimal digits

namespace {

// |x| = d1.d2d3... * 10^exp10, digits without trailing zeros (at least one digit).
struct Decimal {
  std::string dig;
  int exp10 = 0;
};

// The exact decimal expansion of |x| (finite, non-zero). A double has at most 767 significant
// decimal digits, so 800 digits of to_chars are the exact value followed by zeros.
Decimal Exacto(double x) {
  char buf[900];
  auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 800);
  std::string_view s(buf, static_cast<size_t>(r.ptr - buf));
  size_t e = s.find('e');
  Decimal d;
  d.dig.reserve(e);
  for (size_t i = 0; i < e; ++i) {
    if (s[i] != '.') d.dig.push_back(s[i]);
  }
  int ex = 0;
  std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), ex);
  d.exp10 = ex;
  while (d.dig.size() > 1 && d.dig.back() == '0') d.dig.pop_back();
  return d;
}

// Keeps `k` significant digits, rounding half away from zero on the exact digits (the
// run-time's rounding of its digit string). k <= 0 keeps nothing: the result is 0 (empty
// digits) unless the first dropped digit rounds up to one unit of 10^(exp10 + 1 - k).
void RedondearSignificativas(Decimal& d, int k) {
  if (k >= static_cast<int>(d.dig.size())) return;
  if (k < 0) {
    d.dig.clear();
    return;
  }
  bool arriba = d.dig[static_cast<size_t>(k)] >= '5';
  d.dig.resize(static_cast<size_t>(k));
  if (arriba) {
    int i = k - 1;
    while (i >= 0 && d.dig[static_cast<size_t>(i)] == '9') {
      d.dig[static_cast<size_t>(i)] = '0';
      --i;
    }
    if (i >= 0) {
      ++d.dig[static_cast<size_t>(i)];
    } else {
      d.dig.insert(d.dig.begin(), '1');
      ++d.exp10;
    }
  }
  while (!d.dig.empty() && d.dig.back() == '0') d.dig.pop_back();
}

char Digito(const Decimal& d, int pos) {  // pos 0 = the first significant digit
  return pos >= 0 && pos < static_cast<int>(d.dig.size()) ? d.dig[static_cast<size_t>(pos)] : '0';
}

// Fixed text of a rounded decimal with exactly `decimales` decimals; `miles` 0 for none.
std::string Fijo(const Decimal& d, int decimales, char sep, char miles) {
  std::string entero;
  if (d.dig.empty() || d.exp10 < 0) {
    entero = "0";
  } else {
    for (int p = 0; p <= d.exp10; ++p) entero.push_back(Digito(d, p));
  }
  if (miles != 0) {
    std::string con;
    for (size_t i = 0; i < entero.size(); ++i) {
      if (i != 0 && (entero.size() - i) % 3 == 0) con.push_back(miles);
      con.push_back(entero[i]);
    }
    entero = con;
  }
  if (decimales <= 0) return entero;
  std::string s = entero;
  s.push_back(sep);
  for (int k = 1; k <= decimales; ++k) s.push_back(d.dig.empty() ? '0' : Digito(d, d.exp10 + k));
  return s;
}

std::string NoFinito(double x) {
  if (std::isnan(x)) return "Nan";
  return x > 0 ? "+Inf" : "-Inf";
}

std::string Exponente(int e, int minDigitos, bool signoMas) {
  std::string s;
  if (e < 0) {
    s.push_back('-');
  } else if (signoMas) {
    s.push_back('+');
  }
  std::string n = IntToStr(e < 0 ? -e : e);
  while (static_cast<int>(n.size()) < minDigitos) n.insert(n.begin(), '0');
  return s + n;
}

bool EsBlanco(char c) { return c == ' ' || c == '\t'; }

std::string_view Recortar(std::string_view s) {
  while (!s.empty() && (EsBlanco(s.front()) || s.front() == '\r' || s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() && (EsBlanco(s.back()) || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

bool IgualSinCaso(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Plain syntax with "." : [sign] digits [. digits] [e [sign] digits], at least one digit in the
// mantissa; or Nan / Inf with an optional sign. The whole of s must be the number.
bool LeerPlano(std::string_view s, double& x) {
  if (s.empty()) return false;
  bool neg = false;
  std::string_view t = s;
  if (t.front() == '+' || t.front() == '-') {
    neg = t.front() == '-';
    t.remove_prefix(1);
  }
  if (IgualSinCaso(t, "nan")) {
    x = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (IgualSinCaso(t, "inf") || IgualSinCaso(t, "infinity")) {
    x = neg ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return true;
  }
  // Validate the shape ourselves: from_chars would also take "inf", hex digits are not accepted
  // in general format, and we want no partial matches.
  size_t i = 0, digitos = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digitos;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digitos;
  }
  if (digitos == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t de = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++de;
    if (de == 0) return false;
  }
  if (i != t.size()) return false;
  double v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Out of range: from_chars leaves v alone. Overflow is infinite, underflow is zero,
    // the way a correctly rounded reader gives them.
    size_t pe = t.find_first_of("eE");
    bool expNeg = pe != std::string_view::npos && pe + 1 < t.size() && t[pe + 1] == '-';
    v = expNeg ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (r.ec != std::errc() || r.ptr != t.data() + t.size()) {
    return false;
  }
  x = neg ? -v : v;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Plain real write and read

std::string RealATexto(double x) {
  if (!std::isfinite(x)) {
    std::string s = NoFinito(x);
    return s[0] == '-' ? s : " " + s;
  }
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 16);
  std::string_view s(buf, static_cast<size_t>(r.ptr - buf));
  size_t e = s.find('e');
  std::string out;
  out.reserve(24);
  if (!std::signbit(x)) out.push_back(' ');
  out.append(s.substr(0, e));
  out.push_back('E');
  out.push_back(s[e + 1]);
  std::string_view ex = s.substr(e + 2);
  for (size_t k = ex.size(); k < 3; ++k) out.push_back('0');
  out.append(ex);
  return out;
}

bool ProbarTextoAReal(std::string_view s, double& x) {
  size_t i = 0;
  while (i < s.size() && EsBlanco(s[i])) ++i;
  size_t j = i;
  while (j < s.size() && !EsBlanco(s[j]) && s[j] != '\r' && s[j] != '\n') ++j;
  return LeerPlano(s.substr(i, j - i), x);
}

bool ProbarTextoARealCompleto(std::string_view s, double& x) { return LeerPlano(Recortar(s), x); }

double TextoAReal(std::string_view s) {
  double x = 0;
  if (!ProbarTextoAReal(s, x)) {
    size_t i = 0;
    while (i < s.size() && EsBlanco(s[i])) ++i;
    size_t j = i;
    while (j < s.size() && !EsBlanco(s[j]) && s[j] != '\r' && s[j] != '\n') ++j;
    throw EConvertError("\"" + std::string(s.substr(i, j - i)) + "\" no es un número real válido");
  }
  return x;
}

// ---------------------------------------------------------------------------------------------
// Texts under the settings in force

std::string FloatToStrF(double x, TFloatFormat formato, int precision, int digits) {
  return FloatToStrF(x, formato, precision, digits, FormatSettings());
}

std::string FloatToStrF(double x, TFloatFormat formato, int precision, int digits,
                        const TFormatSettings& fs) {
  if (!std::isfinite(x)) return NoFinito(x);
  const char sep = fs.DecimalSeparator;
  const bool neg = std::signbit(x) && x != 0;
  std::string signo = neg ? "-" : "";
  precision = std::clamp(precision, 1, 15);
  digits = std::clamp(digits, 0, 18);

  auto exponencial = [&](int prec, int minExp) {
    Decimal d;
    if (x != 0) {
      d = Exacto(x);
      RedondearSignificativas(d, prec);
    } else {
      d.dig = "0";
    }
    std::string s = signo;
    s.push_back(Digito(d, 0));
    if (prec > 1) {
      s.push_back(sep);
      for (int k = 1; k < prec; ++k) s.push_back(Digito(d, k));
    }
    return s + "E" + Exponente(x != 0 ? d.exp10 : 0, minExp, true);
  };

  switch (formato) {
    case TFloatFormat::ffGeneral: {
      if (x == 0) return "0";
      Decimal d = Exacto(x);
      RedondearSignificativas(d, precision);
      // Fixed when the integer digits fit in the precision and the value is at least 0.00001.
      if (d.exp10 < precision && d.exp10 >= -5) {
        int decimales = std::max(0, static_cast<int>(d.dig.size()) - 1 - d.exp10);
        return signo + Fijo(d, decimales, sep, 0);
      }
      std::string s = signo;
      s.push_back(d.dig[0]);
      if (d.dig.size() > 1) {
        s.push_back(sep);
        s.append(d.dig, 1, std::string::npos);
      }
      return s + "E" + Exponente(d.exp10, std::min(digits, 4), false);
    }
    case TFloatFormat::ffExponent:
      return exponencial(precision, std::min(digits, 4));
    case TFloatFormat::ffFixed:
    case TFloatFormat::ffNumber:
    case TFloatFormat::ffCurrency: {
      if (x == 0) return Fijo(Decimal{"", 0}, digits, sep, 0);
      Decimal d = Exacto(x);
      if (d.exp10 >= precision) return exponencial(precision, 0);
      RedondearSignificativas(d, d.exp10 + 1 + digits);
      bool cero = d.dig.empty();
      char miles = formato == TFloatFormat::ffFixed ? 0 : fs.ThousandSeparator;
      std::string r = cero ? std::string() : signo;
      r += Fijo(d, digits, sep, miles);
      return r;
    }
  }
  return {};
}

std::string FloatToStr(double x) { return FloatToStrF(x, TFloatFormat::ffGeneral, 15, 0); }

bool TryStrToFloat(std::string_view s, double& x) {
  const TFormatSettings& fs = FormatSettings();
  std::string_view t = Recortar(s);
  if (t.empty()) return false;
  std::string plano(t);
  // The run-time takes no thousands separator, and no "." when the decimal separator is
  // another character: "1.5" is not a number under a decimal comma.
  if (fs.ThousandSeparator != fs.DecimalSeparator &&
      plano.find(fs.ThousandSeparator) != std::string::npos)
    return false;
  if (fs.DecimalSeparator != '.') {
    if (plano.find('.') != std::string::npos) return false;
    size_t p = plano.find(fs.DecimalSeparator);
    if (p != std::string::npos) plano[p] = '.';
  }
  return LeerPlano(plano, x);
}

double StrToFloat(std::string_view s) {
  double x = 0;
  if (!TryStrToFloat(s, x))
    throw EConvertError("\"" + std::string(s) + "\" no es un número real válido");
  return x;
}

std::string IntToStr(int64_t v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

bool TryStrToInt(std::string_view s, int32_t& v) {
  std::string_view t = Recortar(s);
  if (t.empty()) return false;
  bool neg = false;
  if (t.front() == '+' || t.front() == '-') {
    neg = t.front() == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) return false;
  // Leading zeros do not count towards the length that keeps the sum below overflow.
  while (t.size() > 1 && t.front() == '0') t.remove_prefix(1);
  if (t.size() > 12) return false;
  int64_t a = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    a = a * 10 + (c - '0');
  }
  if (neg) a = -a;
  if (a < std::numeric_limits<int32_t>::min() || a > std::numeric_limits<int32_t>::max())
    return false;
  v = static_cast<int32_t>(a);
  return true;
}

int32_t StrToInt(std::string_view s) {
  int32_t v = 0;
  if (!TryStrToInt(s, v))
    throw EConvertError("\"" + std::string(s) + "\" no es un número entero válido");
  return v;
}

std::string FijoAncho(double x, int ancho, int decimales) {
  std::string s;
  if (!std::isfinite(x)) {
    s = NoFinito(x);
  } else if (x == 0) {
    s = Fijo(Decimal{"", 0}, decimales, '.', 0);
  } else {
    Decimal d = Exacto(x);
    RedondearSignificativas(d, d.exp10 + 1 + decimales);
    if (!d.dig.empty() && std::signbit(x)) s.push_back('-');
    s += Fijo(d, decimales, '.', 0);
  }
  if (static_cast<int>(s.size()) < ancho) s.insert(0, static_cast<size_t>(ancho) - s.size(), ' ');
  return s;
}

std::string EnteroAncho(int64_t v, int ancho) {
  std::string s = IntToStr(v);
  if (static_cast<int>(s.size()) < ancho) s.insert(0, static_cast<size_t>(ancho) - s.size(), ' ');
  return s;
}

// ---------------------------------------------------------------------------------------------
// Date-time text

namespace {

char Minuscula(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string DosDigitos(int v, int ancho) {
  std::string s = IntToStr(v);
  while (static_cast<int>(s.size()) < ancho) s.insert(s.begin(), '0');
  return s;
}

bool TieneAmPm(std::string_view p) {
  std::string l;
  for (char c : p) l.push_back(Minuscula(c));
  return l.find("am/pm") != std::string::npos || l.find("a/p") != std::string::npos ||
         l.find("ampm") != std::string::npos;
}

void Formatear(std::string& out, std::string_view p, const TFechaHora& f, double fecha,
               const TFormatSettings& fs, int profundidad) {
  if (profundidad > 3) return;  // a format that names itself
  const bool doce = TieneAmPm(p);
  bool trasHora = false;
  size_t i = 0;
  auto corrida = [&](char c) {
    size_t n = 0;
    while (i + n < p.size() && Minuscula(p[i + n]) == c) ++n;
    return n;
  };
  while (i < p.size()) {
    char c = p[i];
    char m = Minuscula(c);
    if (c == '"' || c == '\'') {
      size_t fin = p.find(c, i + 1);
      if (fin == std::string_view::npos) fin = p.size();
      out.append(p.substr(i + 1, fin - i - 1));
      i = fin + 1;
      continue;
    }
    switch (m) {
      case 'c': {
        ++i;
        Formatear(out, fs.ShortDateFormat, f, fecha, fs, profundidad + 1);
        if (f.hora != 0 || f.minuto != 0 || f.segundo != 0 || f.milisegundo != 0) {
          out.push_back(' ');
          Formatear(out, fs.LongTimeFormat, f, fecha, fs, profundidad + 1);
        }
        trasHora = false;
        break;
      }
      case 'd': {
        size_t n = corrida('d');
        i += n;
        int dow = DayOfWeek(fecha) - 1;
        if (n == 1)
          out += IntToStr(f.dia);
        else if (n == 2)
          out += DosDigitos(f.dia, 2);
        else if (n == 3)
          out += fs.ShortDayNames[static_cast<size_t>(dow)];
        else if (n == 4)
          out += fs.LongDayNames[static_cast<size_t>(dow)];
        else if (n == 5)
          Formatear(out, fs.ShortDateFormat, f, fecha, fs, profundidad + 1);
        else
          Formatear(out, fs.LongDateFormat, f, fecha, fs, profundidad + 1);
        trasHora = false;
        break;
      }
      case 'y': {
        size_t n = corrida('y');
        i += n;
        out += n <= 2 ? DosDigitos(f.anio % 100, 2) : DosDigitos(f.anio, 4);
        trasHora = false;
        break;
      }
      case 'm': {
        size_t n = corrida('m');
        i += n;
        if (trasHora && n <= 2) {
          out += n == 1 ? IntToStr(f.minuto) : DosDigitos(f.minuto, 2);
        } else if (n == 1) {
          out += IntToStr(f.mes);
        } else if (n == 2) {
          out += DosDigitos(f.mes, 2);
        } else if (n == 3) {
          out += fs.ShortMonthNames[static_cast<size_t>(f.mes - 1)];
        } else {
          out += fs.LongMonthNames[static_cast<size_t>(f.mes - 1)];
        }
        trasHora = false;
        break;
      }
      case 'h': {
        size_t n = corrida('h');
        i += n;
        int h = f.hora;
        if (doce) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out += n == 1 ? IntToStr(h) : DosDigitos(h, 2);
        trasHora = true;
        break;
      }
      case 'n': {
        size_t n = corrida('n');
        i += n;
        out += n == 1 ? IntToStr(f.minuto) : DosDigitos(f.minuto, 2);
        trasHora = false;
        break;
      }
      case 's': {
        size_t n = corrida('s');
        i += n;
        out += n == 1 ? IntToStr(f.segundo) : DosDigitos(f.segundo, 2);
        trasHora = false;
        break;
      }
      case 'z': {
        size_t n = corrida('z');
        i += n;
        out += n == 1 ? IntToStr(f.milisegundo) : DosDigitos(f.milisegundo, 3);
        trasHora = false;
        break;
      }
      case 't': {
        size_t n = corrida('t');
        i += n;
        Formatear(out, n == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, f, fecha, fs,
                  profundidad + 1);
        trasHora = false;
        break;
      }
      case 'a': {
        std::string resto;
        for (size_t k = i; k < p.size() && k < i + 5; ++k) resto.push_back(Minuscula(p[k]));
        bool pm = f.hora >= 12;
        if (resto.rfind("am/pm", 0) == 0) {
          out += pm ? "pm" : "am";
          i += 5;
        } else if (resto.rfind("a/p", 0) == 0) {
          out += pm ? "p" : "a";
          i += 3;
        } else if (resto.rfind("ampm", 0) == 0) {
          out += pm ? "PM" : "AM";
          i += 4;
        } else {
          out.push_back(c);
          ++i;
        }
        break;
      }
      case '/':
        out.push_back(fs.DateSeparator);
        ++i;
        break;
      case ':':
        out.push_back(fs.TimeSeparator);
        ++i;
        break;
      default:
        out.push_back(c);
        ++i;
        break;
    }
  }
}

}  // namespace

std::string FormatDateTime(std::string_view patron, double fecha) {
  TFechaHora f = DecodeDateTime(fecha);
  std::string out;
  Formatear(out, patron, f, fecha, FormatSettings(), 0);
  return out;
}

std::string DateTimeToStr(double fecha) { return FormatDateTime("c", fecha); }
std::string DateToStr(double fecha) {
  return FormatDateTime(FormatSettings().ShortDateFormat, fecha);
}
std::string TimeToStr(double fecha) {
  return FormatDateTime(FormatSettings().LongTimeFormat, fecha);
}

#include "numerics/uevaluador.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "numerics/xmatdefs.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

// Range guards of the operations, all inclusive. 11356 keeps e^t below the extended maximum
// (about 1.19E4932, ln = 11356.52); 1E2466 squared stays below it too; 9E18 is exact in the
// 64-bit mantissa; 1E9 bounds ROUND and TRUNC as the run-time's integer rounding did.
constexpr long double kMaxExponente = 11356.0L;
constexpr long double kMaxRedondeo = 1E9L;
constexpr long double kMaxTrigonometrico = 9E18L;
constexpr long double kMaxCuadrado = 1E2466L;

// Function names in the order the tokenizer tries them (SQRT before SQR, though the match is
// exact anyway).
constexpr const char* kFunciones[] = {"ABS", "ATAN", "COS", "EXP", "LN",
                                      "ROUND", "SIN", "SQRT", "SQR", "TRUNC"};

bool EsDigito(char c) { return c >= '0' && c <= '9'; }
bool EsLetra(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Mayuscula(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The text of a numeric literal (already cut by the tokenizer: digits with at most one
// decimal separator, optionally "E", a sign and up to four digits) to extended precision. The
// separator in force is replaced by "." and the text converted with from_chars, which does
// not read the C locale. The whole text must convert. A value too large for the extended
// type fails; one too small for it becomes 0, as on the x87 with underflow masked.
bool LiteralAExtendido(std::string texto, char separador, long double& valor) {
  bool exponenteNegativo = false;
  for (size_t k = 0; k < texto.size(); ++k) {
    if (texto[k] == separador) {
      texto[k] = '.';
    } else if (texto[k] == 'E' && k + 1 < texto.size() && texto[k + 1] == '-') {
      exponenteNegativo = true;
    }
  }
  const char* inicio = texto.data();
  const char* fin = inicio + texto.size();
  long double v = 0.0L;
  auto [ptr, ec] = std::from_chars(inicio, fin, v, std::chars_format::general);
  if (ptr != fin) return false;
  if (ec == std::errc::result_out_of_range) {
    if (!exponenteNegativo) return false;
    v = 0.0L;
  } else if (ec != std::errc()) {
    return false;
  }
  valor = v;
  return true;
}

}  // namespace

TMathParser::TTipoToken TMathParser::SiguienteToken() {
  const std::string& s = Expresion;
  const size_t largo = s.size();
  // Only the blank is skipped: a TAB is a bad token.
  while (posicion_ < largo && s[posicion_] == ' ') ++posicion_;
  largoToken_ = 0;
  if (posicion_ >= largo) return tkFin;

  const char c = Mayuscula(s[posicion_]);
  if (c == '!') {
    largoToken_ = 1;
    ++posicion_;
    return tkError;
  }

  const char separador = FormatSettings().DecimalSeparator;
  if (EsDigito(c) || c == separador) {
    size_t j = posicion_;
    bool conSeparador = false;
    while (j < largo && (EsDigito(s[j]) || (s[j] == separador && !conSeparador))) {
      if (s[j] == separador) conSeparador = true;
      ++j;
    }
    if (j - posicion_ == 1 && s[posicion_] == separador) {
      largoToken_ = 1;
      ++posicion_;
      return tkMalo;
    }
    std::string literal = s.substr(posicion_, j - posicion_);
    if (j < largo && (s[j] == 'E' || s[j] == 'e')) {
      literal += 'E';
      ++j;
      if (j < largo && (s[j] == '+' || s[j] == '-')) {
        literal += s[j];
        ++j;
      }
      for (int k = 0; k < 4 && j < largo && EsDigito(s[j]); ++k, ++j) literal += s[j];
    }
    if (literal[0] == separador) literal.insert(literal.begin(), '0');
    long double valor = 0.0L;
    if (!LiteralAExtendido(literal, separador, valor)) {
      ErrorMatematico();
      codigoError_ = errLiteralInvalido;
      largoToken_ = 1;
      ++posicion_;
      return tkError;
    }
    token_.valor = valor;
    largoToken_ = j - posicion_;
    posicion_ = j;
    return tkNumero;
  }

  if (EsLetra(c)) {
    size_t j = posicion_;
    while (j < largo && (EsLetra(s[j]) || EsDigito(s[j]) || s[j] == '_')) ++j;
    const size_t largoIdentificador = j - posicion_;
    for (const char* nombre : kFunciones) {
      if (EsFuncion(nombre, largoIdentificador)) return tkFuncion;
    }
    long double valor = 0.0L;
    if (EsVariable(largoIdentificador, valor)) {
      token_.valor = valor;
      return tkNumero;
    }
    return tkMalo;
  }

  largoToken_ = 1;
  ++posicion_;
  switch (c) {
    case '+': return tkMas;
    case '-': return tkMenos;
    case '*': return tkPor;
    case '/': return tkDividido;
    case '^': return tkPotencia;
    case '(': return tkAbre;
    case ')': return tkCierra;
    default: return tkMalo;
  }
}

bool TMathParser::EsFuncion(const char* nombre, size_t largoIdentificador) {
  const size_t largoNombre = std::strlen(nombre);
  if (largoNombre != largoIdentificador) return false;
  for (size_t k = 0; k < largoNombre; ++k) {
    if (Mayuscula(Expresion[posicion_ + k]) != nombre[k]) return false;
  }
  token_.funcion.fill('\0');
  std::memcpy(token_.funcion.data(), nombre, largoNombre);
  largoToken_ = largoNombre;
  posicion_ += largoNombre;
  return true;
}

bool TMathParser::EsVariable(size_t largoIdentificador, long double& valor) {
  const std::string identificador = Expresion.substr(posicion_, largoIdentificador);
  largoToken_ = largoIdentificador;
  posicion_ += largoIdentificador;
  bool encontrado = false;
  if (BuscarVariable) BuscarVariable(*this, identificador, valor, encontrado);
  return encontrado;
}

void TMathParser::Apilar(const TEntrada& e) {
  if (tope_ >= kTamanoPila) {
    codigoError_ = errDesbordePila;
    return;
  }
  pila_[static_cast<size_t>(tope_)] = e;
  ++tope_;
}

TMathParser::TEntrada TMathParser::Desapilar() {
  // The action table only reduces what it has shifted, so the stack never runs dry here.
  if (tope_ <= 0) throw std::logic_error("TMathParser: pila vacía");
  --tope_;
  return pila_[static_cast<size_t>(tope_)];
}

void TMathParser::Desplazar(uint8_t estado) {
  TEntrada e = token_;
  e.estado = estado;
  Apilar(e);
  if (codigoError_ == errNinguno) tipoToken_ = SiguienteToken();
}

uint8_t TMathParser::GotoState(int produccion) const {
  const uint8_t t = pila_[static_cast<size_t>(tope_ - 1)].estado;
  auto es = [t](std::initializer_list<int> estados) {
    for (int e : estados)
      if (t == e) return true;
    return false;
  };
  switch (produccion) {
    case 1: case 2: case 3:  // E
      if (t == 0) return 1;
      if (t == 9) return 19;
      if (t == 20) return 28;
      break;
    case 4: case 5: case 6:  // T
      if (es({0, 9, 20})) return 2;
      if (t == 12) return 21;
      if (t == 13) return 22;
      break;
    case 7: case 8:  // F
      if (es({0, 9, 12, 13, 20})) return 3;
      if (t == 14) return 23;
      if (t == 15) return 24;
      if (t == 16) return 25;
      break;
    case 9: case 10:  // G
      if (es({0, 9, 12, 13, 14, 15, 16, 20})) return 4;
      break;
    case 12:  // H
      if (t == 5) return 17;
      if (es({0, 9, 12, 13, 14, 15, 16, 20})) return 6;
      break;
    case 14: case 15: case 16:  // I
      if (es({0, 5, 9, 12, 13, 14, 15, 16, 20})) return 8;
      break;
    default:
      break;
  }
  throw std::logic_error("TMathParser.GotoState: combinación imposible");
}

void TMathParser::Reducir(int produccion) {
  long double v = 0.0L;
  switch (produccion) {
    case 1: case 2: case 4: case 5: case 7: {
      const long double der = Desapilar().valor;
      Desapilar();  // the operator
      const long double izq = Desapilar().valor;
      switch (produccion) {
        case 1: v = izq + der; break;
        case 2: v = izq - der; break;
        case 4: v = izq * der; break;
        case 5:
          if (der == 0.0L) ErrorMatematico();
          else v = izq / der;
          break;
        default: {  // 7: G ^ F as exp(F ln G)
          if (izq <= 0.0L) {
            ErrorMatematico();
          } else {
            const long double t = der * std::log(izq);
            if (t < -kMaxExponente || t > kMaxExponente) ErrorMatematico();
            else v = std::exp(t);
          }
          break;
        }
      }
      break;
    }
    case 9: {
      const long double h = Desapilar().valor;
      Desapilar();  // the minus
      v = -h;
      break;
    }
    case 14: {
      Desapilar();  // ")"
      v = Desapilar().valor;
      Desapilar();  // "("
      break;
    }
    case 16: {
      Desapilar();  // ")"
      const long double x = Desapilar().valor;
      Desapilar();  // "("
      const TEntrada f = Desapilar();
      const std::string_view nombre(f.funcion.data());
      if (nombre == "ABS") {
        v = std::fabs(x);
      } else if (nombre == "ATAN") {
        v = std::atan(x);
      } else if (nombre == "COS" || nombre == "SIN") {
        if (x < -kMaxTrigonometrico || x > kMaxTrigonometrico) ErrorMatematico();
        else v = nombre == "COS" ? std::cos(x) : std::sin(x);
      } else if (nombre == "EXP") {
        if (x < -kMaxExponente || x > kMaxExponente) ErrorMatematico();
        else v = std::exp(x);
      } else if (nombre == "LN") {
        if (x <= 0.0L) ErrorMatematico();
        else v = std::log(x);
      } else if (nombre == "ROUND" || nombre == "TRUNC") {
        // nearbyint (half to even in the default rounding mode) and trunc stay in floating
        // point: no integer cast, which would be undefined for values out of range.
        if (x < -kMaxRedondeo || x > kMaxRedondeo) ErrorMatematico();
        else v = nombre == "ROUND" ? std::nearbyint(x) : std::trunc(x);
      } else if (nombre == "SQRT") {
        if (x < 0.0L) ErrorMatematico();
        else v = std::sqrt(x);
      } else if (nombre == "SQR") {
        if (x < -kMaxCuadrado || x > kMaxCuadrado) ErrorMatematico();
        else v = x * x;
      } else {
        throw std::logic_error("TMathParser: función desconocida");
      }
      break;
    }
    default:  // 3, 6, 8, 10, 12, 15: the value passes through
      v = Desapilar().valor;
      break;
  }
  // The x87 run-time trapped on overflow and invalid operations; here they would silently give
  // inf or NaN, so any non-finite value is a math error too.
  if (!std::isfinite(v)) {
    ErrorMatematico();
    v = 0.0L;
  }
  TEntrada nueva;
  nueva.estado = GotoState(produccion);
  nueva.valor = v;
  Apilar(nueva);
}

void TMathParser::Analizar() {
  posicion_ = 0;
  largoToken_ = 0;
  tope_ = 0;
  codigoError_ = errNinguno;
  errorMatematico_ = false;
  errorAnalisis_ = false;
  valorAnalisis_ = 0.0L;
  token_ = TEntrada{};

  Apilar(TEntrada{});
  tipoToken_ = SiguienteToken();

  bool aceptado = false;
  bool errorEnOperando = false;
  while (!aceptado && codigoError_ == errNinguno && !errorEnOperando) {
    const uint8_t estado = pila_[static_cast<size_t>(tope_ - 1)].estado;
    switch (estado) {
      case 0: case 9: case 12: case 13: case 14: case 15: case 16: case 20:
        switch (tipoToken_) {
          case tkNumero: Desplazar(10); break;
          case tkFuncion: Desplazar(11); break;
          case tkMenos: Desplazar(5); break;
          case tkAbre: Desplazar(9); break;
          case tkError:
            ErrorMatematico();
            errorEnOperando = true;
            break;
          default: codigoError_ = errSeEsperabaOperando; break;
        }
        break;
      case 1:
        if (tipoToken_ == tkFin) aceptado = true;
        else if (tipoToken_ == tkMas) Desplazar(12);
        else if (tipoToken_ == tkMenos) Desplazar(13);
        else codigoError_ = errSeEsperabaOperador;
        break;
      case 2:
        if (tipoToken_ == tkPor) Desplazar(14);
        else if (tipoToken_ == tkDividido) Desplazar(15);
        else Reducir(3);
        break;
      case 3: Reducir(6); break;
      case 4:
        if (tipoToken_ == tkPotencia) Desplazar(16);
        else Reducir(8);
        break;
      case 5:
        if (tipoToken_ == tkNumero) Desplazar(10);
        else if (tipoToken_ == tkFuncion) Desplazar(11);
        else if (tipoToken_ == tkAbre) Desplazar(9);
        else codigoError_ = errSeEsperabaOperando;
        break;
      case 6: Reducir(10); break;
      case 8: Reducir(12); break;
      case 10: Reducir(15); break;
      case 11:
        if (tipoToken_ == tkAbre) Desplazar(20);
        else codigoError_ = errSeEsperabaParentesisAbierto;
        break;
      case 17: Reducir(9); break;
      case 19: case 28:
        if (tipoToken_ == tkMas) Desplazar(12);
        else if (tipoToken_ == tkMenos) Desplazar(13);
        else if (tipoToken_ == tkCierra) Desplazar(estado == 19 ? 27 : 29);
        else codigoError_ = errSeEsperabaParentesisCerrado;
        break;
      case 21: case 22:
        if (tipoToken_ == tkPor) Desplazar(14);
        else if (tipoToken_ == tkDividido) Desplazar(15);
        else Reducir(estado == 21 ? 1 : 2);
        break;
      case 23: Reducir(4); break;
      case 24: Reducir(5); break;
      case 25: Reducir(7); break;
      case 27: Reducir(14); break;
      case 29: Reducir(16); break;
      default: throw std::logic_error("TMathParser: estado imposible");
    }
  }

  if (codigoError_ != errNinguno && AvisoDeError) AvisoDeError(*this, codigoError_);
  if (errorMatematico_ || codigoError_ != errNinguno) {
    errorAnalisis_ = true;
    valorAnalisis_ = 0.0L;
  } else {
    errorAnalisis_ = false;
    valorAnalisis_ = pila_[static_cast<size_t>(tope_ - 1)].valor;
  }
}

namespace {

[[noreturn]] void NoSePuedeEvaluar(std::string_view s) {
  std::string mensaje = "Error: no se puede evaluar \"";
  mensaje += s;
  mensaje += "\" a un número real";
  throw EConvertError(mensaje);
}

}  // namespace

long double EvaluarExpresion(std::string_view s) {
  TMathParser parser;
  parser.Expresion = std::string(s);
  parser.Analizar();
  if (parser.ErrorAnalisis()) NoSePuedeEvaluar(s);
  return parser.ValorAnalisis();
}

NReal EvaluarNumero(const std::string& s) {
  const long double v = EvaluarExpresion(s);
  // A value valid in extended precision may lie beyond the double range (EXP(1000)); narrowing
  // it would be undefined, so it fails like any other expression that gives no real number.
  // Underflow to a subnormal or to 0 is accepted.
  if (!(std::fabs(v) <= static_cast<long double>(DBL_MAX))) NoSePuedeEvaluar(s);
  return static_cast<NReal>(v);
}

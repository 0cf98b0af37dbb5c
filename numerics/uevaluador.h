// Arithmetic expression evaluator for the reals that users and files give as text.
//
// Every real read from text through EvaluarNumero (xmatdefs.h) comes here, so such a field may
// hold 2*3.5, 1/3 or SQRT(2) instead of a plain number. TMathParser is a table-driven LR
// shift/reduce parser that evaluates while it reduces:
//  * arithmetic in long double (80-bit extended on x86-64), narrowed to NReal by EvaluarNumero;
//  * a fixed stack of 15 entries (the base entry included), so deep nesting fails with a stack
//    overflow: 12 parentheses around a number fit, 13 do not;
//  * grammar, lowest precedence first: + -, * / (left-associative), ^ (right-associative, b^y
//    computed as exp(y ln b), so b <= 0 always fails), unary minus on a primary only (it binds
//    tighter than ^: -2^2 is (-2)^2 and fails; --2 and a leading + fail; 2*-3 and 2^-1 work);
//  * functions ABS ATAN COS EXP LN ROUND SIN SQRT SQR TRUNC, in any case, with inclusive range
//    guards (EXP and the power's exponent within +-11356, ROUND and TRUNC within +-1E9, SIN and
//    COS within +-9E18, SQR within +-1E2466, LN of x > 0, SQRT of x >= 0, no division by 0);
//  * numeric literals with the decimal separator in force (FormatSettings()).
// Any failed guard and any non-finite intermediate value is a math error; every failure ends in
// the same EConvertError of EvaluarExpresion, naming the whole text.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TMathParser {
 public:
  // Variable lookup: called with an identifier that is not a function name; set encontrado and
  // valor to supply its value. Nothing in the program sets it.
  using TBuscarVariable = std::function<void(TMathParser& sender, const std::string& identificador,
                                             long double& valor, bool& encontrado)>;
  // Called once when a parse ends with a syntax error code (1, 3..7).
  using TAvisoDeError = std::function<void(TMathParser& sender, uint8_t codigo)>;

  // Error codes.
  static constexpr uint8_t errNinguno = 0;
  static constexpr uint8_t errDesbordePila = 1;
  static constexpr uint8_t errSeEsperabaOperando = 3;
  static constexpr uint8_t errSeEsperabaOperador = 4;
  static constexpr uint8_t errSeEsperabaParentesisAbierto = 5;
  static constexpr uint8_t errSeEsperabaParentesisCerrado = 6;
  static constexpr uint8_t errLiteralInvalido = 7;

  static constexpr int kTamanoPila = 15;

  TMathParser() = default;

  std::string Expresion;
  TBuscarVariable BuscarVariable;
  TAvisoDeError AvisoDeError;

  // Parses and evaluates Expresion; afterwards ErrorAnalisis() and ValorAnalisis() hold the
  // outcome (ValorAnalisis() is 0 on error). Resets every parse state when it starts.
  void Analizar();

  bool ErrorAnalisis() const { return errorAnalisis_; }
  long double ValorAnalisis() const { return valorAnalisis_; }
  uint8_t CodigoError() const { return codigoError_; }

 private:
  enum TTipoToken : uint8_t {
    tkMas = 0,
    tkMenos = 1,
    tkPor = 2,
    tkDividido = 3,
    tkPotencia = 4,
    tkAbre = 5,
    tkCierra = 6,
    tkNumero = 7,
    tkFuncion = 8,
    tkFin = 9,
    tkMalo = 10,
    tkError = 11
  };

  struct TEntrada {
    uint8_t estado = 0;
    long double valor = 0.0L;
    std::array<char, 6> funcion{};  // up to 5 characters and a terminating zero
  };

  TTipoToken SiguienteToken();
  bool EsFuncion(const char* nombre, size_t largoIdentificador);
  bool EsVariable(size_t largoIdentificador, long double& valor);
  void Apilar(const TEntrada& e);
  TEntrada Desapilar();
  void Desplazar(uint8_t estado);
  void Reducir(int produccion);
  uint8_t GotoState(int produccion) const;
  void ErrorMatematico() { errorMatematico_ = true; }

  TEntrada token_;
  TTipoToken tipoToken_ = tkFin;
  bool errorMatematico_ = false;
  std::array<TEntrada, kTamanoPila> pila_{};
  int tope_ = 0;  // number of entries in the stack; the top one is pila_[tope_ - 1]
  uint8_t codigoError_ = errNinguno;
  size_t posicion_ = 0;  // cursor, 0-based
  size_t largoToken_ = 0;
  bool errorAnalisis_ = false;
  long double valorAnalisis_ = 0.0L;
};

// Evaluates s in extended precision. Raises EConvertError
// "Error: no se puede evaluar \"" + s + "\" a un número real" on any failure.
long double EvaluarExpresion(std::string_view s);

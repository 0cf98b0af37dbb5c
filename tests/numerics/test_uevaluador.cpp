// Expression evaluator: a table of texts with values from an independent reference
// (tests/tools/evaluador_ref.py, Python floats and math), error codes, hooks, the decimal
// separator in force and the exact failure message.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "numerics/uevaluador.h"
#include "numerics/xmatdefs.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "comun/afirmaciones.h"

namespace {

// Puts a decimal separator in force for one test and restores the settings afterwards.
class SeparadorDecimal {
 public:
  explicit SeparadorDecimal(char c) : previo_(FormatSettings()) {
    FormatSettings().DecimalSeparator = c;
  }
  ~SeparadorDecimal() { FormatSettings() = previo_; }

 private:
  TFormatSettings previo_;
};

struct Caso {
  std::string texto;
  bool falla = false;
  double valor = 0.0;
  int linea = 0;
};

std::vector<Caso> LeerCasos() {
  std::ifstream f(std::string(AERONDA_FIXTURES) + "/evaluador_casos.txt", std::ios::binary);
  std::vector<Caso> casos;
  std::string linea;
  int n = 0;
  while (std::getline(f, linea)) {
    ++n;
    const size_t barra = linea.find('|');
    if (barra == std::string::npos) continue;
    Caso c;
    c.linea = n;
    const std::string esperado = linea.substr(0, barra);
    // "\\t" in the file stands for a TAB.
    for (size_t k = barra + 1; k < linea.size(); ++k) {
      if (linea[k] == '\\' && k + 1 < linea.size() && linea[k + 1] == 't') {
        c.texto += '\t';
        ++k;
      } else {
        c.texto += linea[k];
      }
    }
    if (esperado == "falla") {
      c.falla = true;
    } else {
      auto r = std::from_chars(esperado.data(), esperado.data() + esperado.size(), c.valor);
      if (r.ec != std::errc() || r.ptr != esperado.data() + esperado.size()) continue;
    }
    casos.push_back(c);
  }
  return casos;
}

TEST(Evaluador, TablaDeReferencia) {
  SeparadorDecimal punto('.');
  const std::vector<Caso> casos = LeerCasos();
  ASSERT_GE(casos.size(), 100u);
  for (const Caso& c : casos) {
    SCOPED_TRACE("line " + std::to_string(c.linea) + ": \"" + c.texto + "\"");
    if (c.falla) {
      EXPECT_THROW(EvaluarNumero(c.texto), EConvertError);
      continue;
    }
    double v = 0.0;
    ASSERT_NO_THROW(v = EvaluarNumero(c.texto));
    if (c.valor == 0.0) {
      EXPECT_EQ(v, 0.0);
    } else {
      EXPECT_LE(std::fabs(v - c.valor), 1e-12 * std::fabs(c.valor)) << RealATexto(v) << " vs " << RealATexto(c.valor);
    }
  }
}

// Every finite double written in the plain real form of the model files evaluates back to the
// same bits: the literal reaches extended precision within 2^-11 of its last place, too little
// for the narrowing to round the other way.
TEST(Evaluador, IdaYVueltaDeLaEscrituraPlana) {
  SeparadorDecimal punto('.');
  std::mt19937_64 g(20261210);
  int probados = 0;
  while (probados < 20000) {
    const uint64_t bits = g();
    double x;
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isfinite(x)) continue;
    ++probados;
    const std::string texto = RealATexto(x);
    double y = 0.0;
    ASSERT_NO_THROW(y = EvaluarNumero(texto)) << texto;
    uint64_t bitsY;
    std::memcpy(&bitsY, &y, sizeof y);
    ASSERT_EQ(bitsY, bits) << texto;
  }
}

// Each way a parse can fail, with the code the parser records. A math error (failed guard,
// error token where an operand was expected) leaves the code at 0 but fails the parse.
TEST(Evaluador, CodigosDeError) {
  SeparadorDecimal punto('.');
  struct {
    std::string texto;
    uint8_t codigo;
  } casos[] = {
      {"", TMathParser::errSeEsperabaOperando},
      {"2+", TMathParser::errSeEsperabaOperando},
      {"x", TMathParser::errSeEsperabaOperando},
      {"-(", TMathParser::errSeEsperabaOperando},
      {"3 4", TMathParser::errSeEsperabaOperador},
      {"1\t+2", TMathParser::errSeEsperabaOperador},
      {"SIN 3", TMathParser::errSeEsperabaParentesisAbierto},
      {"(1", TMathParser::errSeEsperabaParentesisCerrado},
      {"1E", TMathParser::errLiteralInvalido},
      {"1+1E5000", TMathParser::errLiteralInvalido},
      {std::string(13, '(') + "1" + std::string(13, ')'), TMathParser::errDesbordePila},
      {"1/0", TMathParser::errNinguno},
      {"!", TMathParser::errNinguno},
      {"LN(0)+1", TMathParser::errNinguno},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.texto);
    TMathParser p;
    p.Expresion = c.texto;
    int avisos = 0;
    uint8_t avisado = 255;
    p.AvisoDeError = [&](TMathParser&, uint8_t codigo) {
      ++avisos;
      avisado = codigo;
    };
    p.Analizar();
    EXPECT_TRUE(p.ErrorAnalisis());
    EXPECT_EQ(p.ValorAnalisis(), 0.0L);
    EXPECT_EQ(p.CodigoError(), c.codigo);
    // The notice comes once, and only for a syntax error code.
    EXPECT_EQ(avisos, c.codigo == 0 ? 0 : 1);
    if (c.codigo != 0) {
      EXPECT_EQ(avisado, c.codigo);
    }
  }
}

TEST(Evaluador, ReutilizarElAnalizadorReiniciaSuEstado) {
  SeparadorDecimal punto('.');
  TMathParser p;
  p.Expresion = "1/0";
  p.Analizar();
  EXPECT_TRUE(p.ErrorAnalisis());
  p.Expresion = "1+1";
  p.Analizar();
  EXPECT_FALSE(p.ErrorAnalisis());
  EXPECT_EQ(p.ValorAnalisis(), 2.0L);
  EXPECT_EQ(p.CodigoError(), 0);
}

TEST(Evaluador, VariablesPorElGanchoDeBusqueda) {
  SeparadorDecimal punto('.');
  TMathParser p;
  std::vector<std::string> pedidas;
  p.BuscarVariable = [&](TMathParser&, const std::string& id, long double& v, bool& hallada) {
    pedidas.push_back(id);
    if (id == "x_1") {
      v = 3.0L;
      hallada = true;
    }
  };
  p.Expresion = "2*x_1+SQR(x_1)";
  p.Analizar();
  ASSERT_FALSE(p.ErrorAnalisis());
  EXPECT_EQ(p.ValorAnalisis(), 15.0L);
  // Function names never reach the hook.
  EXPECT_EQ(pedidas, (std::vector<std::string>{"x_1", "x_1"}));

  p.Expresion = "2*y";
  p.Analizar();
  EXPECT_TRUE(p.ErrorAnalisis());
  EXPECT_EQ(p.CodigoError(), TMathParser::errSeEsperabaOperando);
}

// Literals take the decimal separator in force, read at each call.
TEST(Evaluador, SeparadorDecimalEnVigor) {
  {
    SeparadorDecimal coma(',');
    EXPECT_DOUBLE_EQ(EvaluarNumero("1,5"), 1.5);
    EXPECT_DOUBLE_EQ(EvaluarNumero(",5+1"), 1.5);
    EXPECT_DOUBLE_EQ(EvaluarNumero("2,5E1*2"), 50.0);
    EXPECT_THROW(EvaluarNumero("1.5"), EConvertError);
    EXPECT_THROW(EvaluarNumero(","), EConvertError);
  }
  SeparadorDecimal punto('.');
  EXPECT_DOUBLE_EQ(EvaluarNumero("1.5"), 1.5);
  EXPECT_THROW(EvaluarNumero("1,5"), EConvertError);
}

TEST(Evaluador, MensajeDeError) {
  SeparadorDecimal punto('.');
  EXPECT_THROW_MSG(EvaluarExpresion("2*x"), EConvertError,
                   "Error: no se puede evaluar \"2*x\" a un n\xC3\xBAmero real");
  // A result that is finite only in extended precision fails EvaluarNumero the same way.
  EXPECT_THROW_MSG(EvaluarNumero("EXP(1000)"), EConvertError,
                   "Error: no se puede evaluar \"EXP(1000)\" a un n\xC3\xBAmero real");
}

// The arithmetic really is extended: values beyond the double range survive inside a parse,
// and EvaluarExpresion hands them out unnarrowed.
TEST(Evaluador, PrecisionExtendida) {
  SeparadorDecimal punto('.');
  const long double e1000 = EvaluarExpresion("EXP(1000)");
  EXPECT_GT(e1000, 1E434L);
  EXPECT_LT(e1000, 1E435L);
  EXPECT_THROW(EvaluarExpresion("1E4000*1E4000"), EConvertError);
  // 1 + 2^-60 is lost in a double but not in the 64-bit mantissa.
  const long double pequeno = EvaluarExpresion("(1+1/1152921504606846976)-1");
  EXPECT_EQ(pequeno, 1.0L / 1152921504606846976.0L);
}

}  // namespace

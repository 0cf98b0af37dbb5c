#include "numerics/uresfxgx.h"

TResfx::TResfx(TTipoRestriccion tipo_, NReal inferior_, NReal superior_, Tfx* fx_, int32_t n)
    : fx(fx_),
      tipo(tipo_),
      inferior(inferior_),
      superior(superior_),
      estado(tipo_ == TR_Libre ? NINGUNA : INDEFINIDA),
      gradiente(n),
      versor(n),
      resto(n),
      alfa(n) {}

NReal TResfx::Evaluar(const TVectR& x) {
  valor = fx->Evaluar(x);
  estado = NINGUNA;
  violacion = 0.0;
  switch (tipo) {
    case TR_Igualdad:
      if (valor >= inferior) {
        estado = SUPERIOR;
        violacion = valor - inferior;
      } else {
        // Also reached by a NaN value: active, with a NaN violation.
        estado = INFERIOR;
        violacion = inferior - valor;
      }
      break;
    case TR_Mayor:
      if (!(valor > inferior)) {
        estado = INFERIOR;
        violacion = inferior - valor;
      }
      break;
    case TR_Menor:
      if (!(valor < superior)) {
        estado = SUPERIOR;
        violacion = valor - superior;
      }
      break;
    case TR_Entre:
      if (valor <= inferior) {
        estado = INFERIOR;
        violacion = inferior - valor;
      } else if (valor >= superior) {
        estado = SUPERIOR;
        violacion = valor - superior;
      }
      break;
    default:
      break;
  }
  return valor;
}

void TResfx::Gradiente(const TVectR& x) {
  gradiente.Anular();
  fx->AcumularGradiente(gradiente, x);
}

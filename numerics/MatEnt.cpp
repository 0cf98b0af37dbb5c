#include "numerics/MatEnt.h"

#include <iostream>

#include "platform/errores.h"
#include "platform/rtltexto.h"

TVectE::TVectE(int32_t n_) {
  if (n_ < 0) throw EErrorGeneral("TVectE.Create: número de elementos negativo: " + IntToStr(n_));
  n = n_;
  pv.assign(static_cast<size_t>(n_) + 1, 0);
}

void TVectE::Anular() {
  for (int32_t i = 1; i <= n; ++i) pv[static_cast<size_t>(i)] = 0;
}

std::string TVectE::print() const {
  std::string t = " TVectE.print.inicio\n";
  for (int32_t i = 1; i <= n; ++i)
    t += " N: " + EnteroAncho(i, 6) + " : " + EnteroAncho(pv[static_cast<size_t>(i)], 12) + "\n";
  t += " TVectE.print.fin\n";
  std::cout << t << std::flush;
  return t;
}

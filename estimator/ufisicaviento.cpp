#include "estimator/ufisicaviento.h"

#include <cmath>

#include "platform/errores.h"
#include "platform/rtltexto.h"

NReal DensidadRelativaAire(NReal rho) { return rho / DensidadEstandar; }

NReal DensidadPotenciaViento(NReal v, NReal rho) { return v * v * v * (0.5 * rho) / 1e6; }

NReal VelocidadDeDensidadPotencia(NReal p, NReal rho) {
  const NReal x = p / (0.5 * rho) * 1e6;
  if (x == 0) return 0;
  // The general power function of the original run-time raised on a negative base; the C
  // library would return NaN silently and let it spread through the model.
  if (!(x > 0)) throw EErrorGeneral("Operación de punto flotante inválida");
  return std::exp(std::log(x) / 3);
}

NReal DensidadAire(NReal t, NReal pr, NReal hr) {
  const NReal r = (0.34848 * pr - 0.009 * hr * std::exp(0.061 * t)) / (t + 273.16);
  // Written so that NaN, like any value outside the band, takes the replacement.
  if (!(r >= 1.1 && r <= 1.3)) return 1.18;
  return r;
}

NReal NormaPunto(TPuntoXY p) { return std::sqrt(p.x * p.x + p.y * p.y); }

std::string RellenarConCeros(const std::string& s, int ancho) {
  if (static_cast<int>(s.size()) >= ancho) return s;
  return std::string(static_cast<size_t>(ancho) - s.size(), '0') + s;
}

std::string DosDigitos(const std::string& s) { return RellenarConCeros(s, 2); }

std::string SelloFechaHora(TDateTime d) {
  // DecodeDateTime rounds to the millisecond before it splits the fields.
  const TFechaHora f = DecodeDateTime(d);
  std::string sello = IntToStr(f.anio) + DosDigitos(IntToStr(f.mes)) + DosDigitos(IntToStr(f.dia));
  if (f.hora + f.minuto > 0) sello += DosDigitos(IntToStr(f.hora)) + DosDigitos(IntToStr(f.minuto));
  return sello;
}

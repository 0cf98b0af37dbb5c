// Wind physics shared by every model, and the compact date stamps of the output files.
//
// Units throughout: wind speed v in m/s, air density rho in kg/m3 (1.225 wherever no measured
// density is at hand), wind power density 0.5*rho*v^3/1e6 in MW/m2. The models work in power
// density; speeds appear only at the edges (typed inputs, series, displayed values).
#pragma once

#include <string>

#include "numerics/xmatdefs.h"
#include "platform/fechas.h"

// A point or vector in metres in the plane of a farm: x towards the east, y towards the north,
// relative to the farm's meteorological mast.
struct TPuntoXY {
  NReal x = 0;
  NReal y = 0;
};

// The standard air density, kg/m3.
inline constexpr NReal DensidadEstandar = 1.225;

// rho / 1.225.
NReal DensidadRelativaAire(NReal rho);

// v^3 * (0.5*rho) / 1e6 in MW/m2. v^3 is the integral power v*v*v, so the result is odd in v.
NReal DensidadPotenciaViento(NReal v, NReal rho);

// The inverse of DensidadPotenciaViento for the same rho: x = p/(0.5*rho)*1e6 is rounded to a
// double, then its cube root is taken as exp(ln(x)/3) (about one ulp from the exact root:
// 0.0006125 MW/m2 at 1.225 gives 9.999999999999998 m/s). x = 0 gives 0. A negative or NaN x
// has no real root: EErrorGeneral "Operación de punto flotante inválida".
NReal VelocidadDeDensidadPotencia(NReal p, NReal rho);

// Air density from temperature t (deg C), pressure pr (hPa) and relative humidity hr (%):
// (0.34848*pr - 0.009*hr*e^(0.061*t)) / (t + 273.16). Any result outside [1.1, 1.3] (NaN
// included) is replaced by 1.18; the bounds themselves are kept.
NReal DensidadAire(NReal t, NReal pr, NReal hr);

// sqrt(x^2 + y^2).
NReal NormaPunto(TPuntoXY p);

// s with "0" put in front until it is at least `ancho` characters long; never shortened.
std::string RellenarConCeros(const std::string& s, int ancho);
std::string DosDigitos(const std::string& s);

// Year (no leading zeros), month and day with two digits each; then hour and minute with two
// digits each unless both are 0. Seconds are ignored. The date-time is rounded to the whole
// millisecond first, so 13:06:59.9999 stamps as ...1307 and 23:59:59.9996 as the next day.
std::string SelloFechaHora(TDateTime d);

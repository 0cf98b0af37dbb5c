// Turbine power curve: the electric power delivered at each tabulated wind speed, looked up by
// wind power density at the hub.
//
// On construction every tabulated speed is converted once to its power density at 1.225 kg/m3;
// every power query goes through that density table. Each construction also derives the
// maximum power, the start of production and a logistic fit of the rising part of the curve.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"

class TextoEntrada;
class TextoSalida;
class TDBPQCon;
class TSQLQuery;

class TCurvaAerogen {
 public:
  int32_t nid = 0;
  std::string modelo;
  NReal diametro = 0;  // m
  int32_t n = 0;
  TVectR curva_v;    // m/s, ascending
  TVectR curva_P;    // MW
  TVectR curva_dpv;  // MW/m2 at 1.225 kg/m3
  NReal dpvMin = 0, dpvMax = 0;
  NReal Pmax = 0;
  int32_t kPmax = 0;
  NReal vPmax = 0, dpvPmax = 0;
  int32_t kArranque = 0;
  NReal vArranque = 0, dpvArranque = 0;
  NReal area = 0;  // m2
  NReal alfa = 0;  // 1/(m/s)
  NReal vm = 0;    // m/s
  NReal err2 = 0;
  int32_t nAjuste = 0;

  // A curve from its values (then Preparar). Raises EErrorGeneral when the diameter is not a
  // finite positive number, when there is no point, or when speeds and powers differ in count.
  static TCurvaAerogen Create(int32_t nid, const std::string& modelo, NReal diametro,
                              TVectR velocidades, TVectR potencias);
  // The curve text block (nid; modelo, the whole line; diametro; the speeds and the powers as
  // vector text blocks) under the number-format guard. A refusal names the line and the file
  // (LeerUbicado): a bad diameter or a curve without points comes out as
  // "Error leyendo línea: " + n + " del archivo: " + path + ": " + Preparar's text, a text
  // that ends early with ": fin del archivo" after the path.
  static TCurvaAerogen CreateLeerTexto(TextoEntrada& f);
  static TCurvaAerogen CreateCopia(const TCurvaAerogen& c) { return c; }
  // From the current row of a query on curvas_aerogen: nid, modelo, diametro, and curva_v /
  // curva_P as bracketed vector texts. Runs inside its caller's guard.
  static TCurvaAerogen CreateDesdeFila(const TSQLQuery& fila);
  // "SELECT * FROM curvas_aerogen WHERE nid =" + nid. No row: EErrorGeneral
  // "No existe la curva nid=" + nid.
  static TCurvaAerogen CreateDesdeNid(TDBPQCon& con, int32_t nid);

  void EscribirTexto(TextoSalida& f) const;

  // area, n, curva_dpv, dpvMin, dpvMax, then CalcularPuntosNotables.
  void Preparar();
  // Power in MW for a power density x in MW/m2: 0 outside [dpvMin, dpvMax] (and for NaN),
  // otherwise linear in density between the two tabulated points around x.
  NReal PotenciaDPV(NReal x) const;
  // Adds each listed curve's power, read at this curve's densities, to this curve's powers.
  void SumarPotencias(const std::vector<const TCurvaAerogen*>& curvas);
  void CalcularPuntosNotables();
  // P(v) = Pmax / (1 + e^(-alfa (v - vm))) fitted by a line through ln(Pmax/P - 1) over
  // vArranque + 1.1 <= v < 0.9 vPmax. A window without points leaves alfa, vm, err2 and nAjuste
  // at 0; a window of one point raises EErrorGeneral naming the curve.
  void AjustarLogistica();
};

#include "estimator/ucurvasaeros.h"

#include <cmath>
#include <memory>
#include <utility>

#include "estimator/ufisicaviento.h"
#include "numerics/uauxiliares.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "platform/sqlconsulta.h"
#include "services/udbconpg.h"

namespace {

std::string NombreCurva(const TCurvaAerogen& c) {
  return "curva nid=" + IntToStr(c.nid) + " (" + c.modelo + ")";
}

// A text that goes on one line of a model file: line breaks would split the block.
std::string UnaLinea(std::string s) {
  for (char& ch : s)
    if (ch == '\r' || ch == '\n') ch = ' ';
  return s;
}

}  // namespace

TCurvaAerogen TCurvaAerogen::Create(int32_t nid, const std::string& modelo, NReal diametro,
                                    TVectR velocidades, TVectR potencias) {
  TCurvaAerogen c;
  c.nid = nid;
  c.modelo = modelo;
  c.diametro = diametro;
  c.curva_v = std::move(velocidades);
  c.curva_P = std::move(potencias);
  c.Preparar();
  return c;
}

TCurvaAerogen TCurvaAerogen::CreateLeerTexto(TextoEntrada& f) {
  FormatoEstandar guardia;
  return LeerUbicado(f, [&] {
    TCurvaAerogen c;
    c.nid = f.LeerEntero();
    c.modelo = f.LeerLinea();
    c.diametro = f.LeerReal();
    c.curva_v = TVectR::CreateLeerTexto(f, -1);
    c.curva_P = TVectR::CreateLeerTexto(f, -1);
    c.Preparar();
    return c;
  });
}

void TCurvaAerogen::EscribirTexto(TextoSalida& f) const {
  FormatoEstandar guardia;
  f.EscribirEntero(nid);
  f.EscribirLinea(UnaLinea(modelo));
  f.EscribirReal(diametro);
  curva_v.EscribirTexto(f);
  curva_P.EscribirTexto(f);
}

void TCurvaAerogen::Preparar() {
  // A zero or missing diameter gives a rotor area of 0, and every turbine step would divide by
  // it and fill the grid with NaN; a curve without points has no maximum; a speed without a
  // power would be read past the end.
  if (!(std::isfinite(diametro) && diametro > 0))
    throw EErrorGeneral("Diámetro inválido en la " + NombreCurva(*this) + ": " +
                        FloatToStr(diametro));
  if (curva_v.n < 1) throw EErrorGeneral("La " + NombreCurva(*this) + " no tiene puntos");
  if (curva_P.n != curva_v.n)
    throw EErrorGeneral("La " + NombreCurva(*this) + " tiene " + IntToStr(curva_v.n) +
                        " velocidades y " + IntToStr(curva_P.n) + " potencias");
  // pi times the square of the radius: the square first, as the formula reads; (pi * r) * r
  // differs in the last bit for some diameters (90 m, 71 m) and so does every wake behind them.
  area = M_PI * ((0.5 * diametro) * (0.5 * diametro));
  n = curva_v.n;
  curva_dpv = TVectR(n);
  for (int32_t i = 1; i <= n; ++i)
    curva_dpv.pv[i] = DensidadPotenciaViento(curva_v.pv[i], DensidadEstandar);
  int32_t kMin, kMax;
  curva_dpv.MinMax(kMin, kMax, dpvMin, dpvMax);
  CalcularPuntosNotables();
}

NReal TCurvaAerogen::PotenciaDPV(NReal x) const {
  if (!(x >= dpvMin && x <= dpvMax)) return 0;
  return curva_P.InterpolarEnIndice(curva_dpv.IndiceReal(x));
}

void TCurvaAerogen::SumarPotencias(const std::vector<const TCurvaAerogen*>& curvas) {
  for (const TCurvaAerogen* c : curvas)
    for (int32_t i = 1; i <= n; ++i) curva_P.pv[i] += c->PotenciaDPV(curva_dpv.pv[i]);
  CalcularPuntosNotables();
}

void TCurvaAerogen::CalcularPuntosNotables() {
  Pmax = curva_P.Maximo();
  kPmax = 1;
  while (kPmax < n && !(std::fabs(curva_P.pv[kPmax] - Pmax) <= 1e-10)) ++kPmax;
  vPmax = curva_v.pv[kPmax];
  dpvPmax = curva_dpv.pv[kPmax];
  const NReal u = 0.01 * Pmax;
  kArranque = 1;
  while (kArranque < n && !(curva_P.pv[kArranque] >= u)) ++kArranque;
  vArranque = curva_v.pv[kArranque];
  dpvArranque = curva_dpv.pv[kArranque];
  AjustarLogistica();
}

void TCurvaAerogen::AjustarLogistica() {
  const NReal vDesde = vArranque + 1.1;
  const NReal vHasta = 0.9 * vPmax;
  TVectR y(n);
  for (int32_t i = kArranque; i <= kPmax; ++i) {
    const NReal v = curva_v.pv[i];
    if (vDesde <= v && v < vHasta) y.pv[i] = std::log(Pmax / curva_P.pv[i] - 1);
  }
  int32_t enVentana = 0;
  for (int32_t i = 1; i <= n; ++i)
    if (vDesde <= curva_v.pv[i] && curva_v.pv[i] < vHasta) ++enVentana;
  if (enVentana == 0) {
    // Nothing to fit (a coarse or flat table): the slope and intercept would be 0 and vm 0/0.
    alfa = 0;
    vm = 0;
    err2 = 0;
    nAjuste = 0;
    return;
  }
  NReal pendiente = 0, ordenada = 0;
  int32_t nPuntos = 0;
  try {
    err2 = y.AproximacionLineal(pendiente, ordenada, curva_v, vDesde, vHasta, nPuntos);
  } catch (const std::exception& e) {
    throw EErrorGeneral(std::string(e.what()) + " (" + NombreCurva(*this) + ")");
  }
  nAjuste = nPuntos;
  alfa = -pendiente;
  vm = ordenada / alfa;
}

TCurvaAerogen TCurvaAerogen::CreateDesdeFila(const TSQLQuery& fila) {
  TCurvaAerogen c;
  c.nid = fila.field("nid").asInteger();
  c.modelo = fila.field("modelo").asString();
  c.diametro = fila.field("diametro").asFloat();
  c.curva_v = TVectR::CreateDesdeCadena(fila.field("curva_v").asString());
  c.curva_P = TVectR::CreateDesdeCadena(fila.field("curva_P").asString());
  c.Preparar();
  return c;
}

TCurvaAerogen TCurvaAerogen::CreateDesdeNid(TDBPQCon& con, int32_t nid) {
  const std::unique_ptr<TSQLQuery> q =
      con.query("SELECT * FROM curvas_aerogen WHERE nid =" + IntToStr(nid));
  // Without a row the vector columns would read as empty texts and fail as a bad count; say
  // which curve is missing instead.
  if (q->eof()) throw EErrorGeneral("No existe la curva nid=" + IntToStr(nid));
  return CreateDesdeFila(*q);
}

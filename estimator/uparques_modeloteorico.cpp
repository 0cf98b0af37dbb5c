#include "estimator/uparques_modeloteorico.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <iostream>
#include <utility>

#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico_nucleos.h"
#include "numerics/uauxiliares.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/hilos.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"
#include "platform/sqlconsulta.h"
#include "services/udbconpg.h"

namespace {

std::string UnaLinea(std::string s) {
  for (char& ch : s)
    if (ch == '\r' || ch == '\n') ch = ' ';
  return s;
}

bool EsBlanco(char c) { return c == ' ' || c == '\t'; }

// The plain reads of "x TAB y" on one line: two finite reals separated by blanks or tabs, the
// rest of the line ignored. Anything else is a reading error of that line.
void LeerDosReales(TextoEntrada& f, NReal& x, NReal& y) {
  const std::string linea = f.LeerLinea();
  size_t i = 0;
  auto token = [&](NReal& v) {
    while (i < linea.size() && EsBlanco(linea[i])) ++i;
    const size_t ini = i;
    while (i < linea.size() && !EsBlanco(linea[i])) ++i;
    if (!ProbarTextoAReal(std::string_view(linea).substr(ini, i - ini), v) || !std::isfinite(v))
      f.ErrorDeLinea();
  };
  token(x);
  token(y);
}

}  // namespace

// =============================================================================================
// TPosicion

TPosicion TPosicion::Create(NReal x, NReal y) {
  TPosicion p;
  p.punto = {x, y};
  return p;
}

TPosicion TPosicion::CreateDesdeUTM(int32_t huso, char zona, NReal xe, NReal yn) {
  TPosicion p;
  p.huso = huso;
  p.zona = zona;
  p.xe = xe;
  p.yn = yn;
  return p;
}

TPosicion TPosicion::CreateLeerTexto(TextoEntrada& f) {
  NReal x, y;
  LeerDosReales(f, x, y);
  TPosicion p = Create(x, y);
  std::string s = f.LeerLinea();
  try {
    p.huso = ExtraerEntero(s);
    std::string campo;
    ExtraerCampo(s, campo);
    p.zona = campo.empty() ? '?' : campo[0];
    p.xe = ExtraerReal(s);
    p.yn = ExtraerReal(s);
    if (!std::isfinite(p.xe) || !std::isfinite(p.yn)) f.ErrorDeLinea();
  } catch (const EConvertError& e) {
    f.ErrorDeLinea(e.what());
  }
  return p;
}

void TPosicion::EscribirTexto(TextoSalida& f) const {
  f.EscribirLinea(RealATexto(punto.x) + "\t" + RealATexto(punto.y));
  f.EscribirLinea(IntToStr(huso) + "\t" + std::string(1, zona) + "\t" + RealATexto(xe) + "\t" +
                  RealATexto(yn));
}

// =============================================================================================
// TMolino

TMolino TMolino::CreateLeerTexto(TextoEntrada& f) {
  TMolino m;
  m.nid = f.LeerEntero();
  m.nid_curvaaero = f.LeerEntero();
  m.nidcentral = f.LeerEntero();
  m.posicion = TPosicion::CreateLeerTexto(f);
  m.curva = TCurvaAerogen::CreateLeerTexto(f);
  m.etha = f.LeerReal();
  return m;
}

TMolino TMolino::CreateDesdeFila(TDBPQCon& con, const TSQLQuery& fila) {
  TMolino m;
  m.nid = fila.field("nid").asInteger();
  m.nid_curvaaero = fila.field("nid_curvaaero").asInteger();
  m.nidcentral = fila.field("nidcentral").asInteger();
  m.nro = fila.field("nro").asInteger();
  m.curva = TCurvaAerogen::CreateDesdeNid(con, m.nid_curvaaero);
  m.etha = fila.field("etha").asFloat();
  const std::string zona = fila.field("zona_utm").asString();
  m.posicion =
      TPosicion::CreateDesdeUTM(fila.field("huso_utm").asInteger(), zona.empty() ? '?' : zona[0],
                                fila.field("xe").asFloat(), fila.field("yn").asFloat());
  return m;
}

void TMolino::EscribirTexto(TextoSalida& f) const {
  f.EscribirEntero(nid);
  f.EscribirEntero(nid_curvaaero);
  f.EscribirEntero(nidcentral);
  posicion.EscribirTexto(f);
  curva.EscribirTexto(f);
  f.EscribirReal(etha);
}

NReal FactorEstela(NReal r) {
  // q is the share of the power density left behind the rotor: for a remaining speed fraction
  // s the density falls as s^3, and (1 - r^(2/3))^1.5 is that cube for s^2 = 1 - r^(2/3).
  // r >= 1 has no real value; the lower limit is the continuous choice (q -> 0 as r -> 1).
  // r <= 0 (a curve with negative power) takes the upper limit, as r = 0 does.
  if (!(r > 0)) return 0.999999;
  if (r >= 1) return 0.00001;
  NReal q = std::pow(1 - std::pow(r, 2.0 / 3.0), 1.5);
  q = std::min(q, 0.999999);
  q = std::max(q, 0.00001);
  return q;
}

void TMolino::ProcesarFilaEn(NReal* fila0, NReal fpv3pe, NReal escala, NReal rho) {
  const int32_t j0 = posicion.columnaIni - 1;
  const int32_t j1 = posicion.columnaFin - 1;
  NReal suma = 0;
  for (int32_t j = j0; j <= j1; ++j) suma += fila0[j];
  dpvMedia = suma / (j1 - j0 + 1);
  potencia = curva.PotenciaDPV(etha * dpvMedia) * DensidadRelativaAire(rho) * escala;
  const NReal f = potencia / curva.area;
  const NReal r = dpvMedia < 1e-15 ? 0.01 : fpv3pe * f / dpvMedia;
  const NReal q = FactorEstela(r);
  for (int32_t j = j0; j <= j1; ++j) fila0[j] *= q;
}

void TMolino::ProcesarFila(int32_t k, TVectR& u, NReal fpv3pe, NReal escala, NReal rho) {
  if (posicion.fila != k) return;
  ProcesarFilaEn(&u.pv[1], fpv3pe, escala, rho);
}

// =============================================================================================
// Grid buffer

void TGrillaDPV::Dimensionar(int32_t nf_, int32_t nc_) {
  // No shape until the buffer is had: a later, smaller shape must not take a freed buffer for
  // its own.
  nf = 0;
  nc = 0;
  ReservarCeldas(static_cast<size_t>(nf_) * static_cast<size_t>(nc_));
  FijarForma(nf_, nc_);
}

void TGrillaDPV::FijarForma(int32_t nf_, int32_t nc_) {
  nf = nf_;
  nc = nc_;
  vacia = true;
}

void TGrillaDPV::Reservar() { ReservarCeldas(Celdas()); }

void TGrillaDPV::ReservarCeldas(size_t celdas) {
  if (celdas <= capacidad_) return;
  // Free the old buffer before asking for the larger one: if that cannot be had, no buffer is
  // left (Reservar asks again next time).
  datos_.reset();
  capacidad_ = 0;
  datos_ = std::make_unique_for_overwrite<NReal[]>(celdas);
  capacidad_ = celdas;
}

void TGrillaDPV::IntercambiarBuffer(TGrillaDPV& o) noexcept {
  datos_.swap(o.datos_);
  std::swap(capacidad_, o.capacidad_);
}

void TGrillaDPV::Liberar() noexcept {
  Quitar();
  datos_.reset();
  capacidad_ = 0;
}

TVectR TGrillaDPV::FilaComoVector(int32_t i) const {
  TVectR v(nc);
  for (int32_t j = 1; j <= nc; ++j) v.pv[j] = vacia ? 0.0 : Elemento(i, j);
  return v;
}

// =============================================================================================
// Model text

std::unique_ptr<TParque_ModeloTeorico> TParque_ModeloTeorico::CreateLeerTexto(TextoEntrada& f) {
  auto m = std::make_unique<TParque_ModeloTeorico>();
  // Every refusal names the line and the file (a .clp or .pmc reads this text first).
  LeerUbicado(f, [&] {
    FormatoEstandar guardia;
    // Line 1: "VERSION=" and the number; the first 8 characters are not examined.
    const std::string l1 = f.LeerLinea();
    const int32_t version =
        StrToInt(l1.size() > 8 ? std::string_view(l1).substr(8) : std::string_view());
    m->central = f.LeerEntero();
    m->nid = f.LeerEntero();
    m->nombre = f.LeerLinea();
    m->nMolinos = f.LeerEntero();
    if (m->nMolinos < 0) f.ErrorDeLinea();
    m->n_sectores_dir = f.LeerEntero();
    m->alfa_terreno = f.LeerReal();
    m->gamma_atmosfera = f.LeerReal();
    m->fpv3pe = f.LeerReal();
    m->factor_perdidas = f.LeerReal();
    m->potencia_autorizada_mw = f.LeerReal();
    m->potencia_nominal = version <= 1 ? m->potencia_autorizada_mw : f.LeerReal();
    if (version < 3) {
      f.LeerReal();  // a single factor of old versions, not used
      m->meteo_etha = TMatR(72, 1);
      m->meteo_etha.LlenarUnos();
    } else {
      m->meteo_etha = TMatR::CreateLeerTexto(f);
      // The station factor reads row 1 and column 1 at least.
      if (m->meteo_etha.nf < 1 || m->meteo_etha.nc < 1) f.ErrorDeLinea();
    }
    m->grilla_rotada_dx = f.LeerReal();
    m->grilla_rotada_dy = f.LeerReal();
    m->grilla_rotada_margen_dx = f.LeerReal();
    // No reserve(nMolinos): a corrupt count must end at the end of the file, not in memory.
    for (int32_t i = 0; i < m->nMolinos; ++i) m->molinos.push_back(TMolino::CreateLeerTexto(f));
    const std::string zona = f.LeerLinea();
    m->meteo_utm_zona = zona.empty() ? '?' : zona[0];
    m->meteo_utm_huso = f.LeerEntero();
    m->meteo_utm_xe = f.LeerReal();
    m->meteo_utm_yn = f.LeerReal();
  });
  m->CalcularCurvaEquivalente();
  return m;
}

std::unique_ptr<TParque_ModeloTeorico> TParque_ModeloTeorico::CreateDesdeArchivo(
    const std::filesystem::path& archivo) {
  TextoEntrada f(archivo);
  return CreateLeerTexto(f);
}

void TParque_ModeloTeorico::EscribirTexto(TextoSalida& f) const {
  FormatoEstandar guardia;
  f.EscribirLinea("VERSION=3");
  f.EscribirEntero(central);
  f.EscribirEntero(nid);
  f.EscribirLinea(UnaLinea(nombre));
  f.EscribirEntero(static_cast<int64_t>(molinos.size()));
  f.EscribirEntero(n_sectores_dir);
  f.EscribirReal(alfa_terreno);
  f.EscribirReal(gamma_atmosfera);
  f.EscribirReal(fpv3pe);
  f.EscribirReal(factor_perdidas);
  f.EscribirReal(potencia_autorizada_mw);
  f.EscribirReal(potencia_nominal);
  meteo_etha.EscribirTexto(f);
  f.EscribirReal(grilla_rotada_dx);
  f.EscribirReal(grilla_rotada_dy);
  f.EscribirReal(grilla_rotada_margen_dx);
  for (const TMolino& m : molinos) m.EscribirTexto(f);
  f.EscribirLinea(std::string(1, meteo_utm_zona));
  f.EscribirEntero(meteo_utm_huso);
  f.EscribirReal(meteo_utm_xe);
  f.EscribirReal(meteo_utm_yn);
}

void TParque_ModeloTeorico::EscribirArchivo(const std::filesystem::path& archivo) const {
  TextoSalida f(archivo);
  EscribirTexto(f);
  f.Cerrar();
}

// =============================================================================================
// Equivalent curve and tunable parameters

void TParque_ModeloTeorico::CopiarParaHilo(const TParque_ModeloTeorico& o) {
  if (&o == this) return;
  central = o.central;
  nid = o.nid;
  nombre = o.nombre;
  nMolinos = o.nMolinos;
  n_sectores_dir = o.n_sectores_dir;
  molinos = o.molinos;
  curvaEquivalente =
      o.curvaEquivalente
          ? std::make_unique<TCurvaAerogen>(TCurvaAerogen::CreateCopia(*o.curvaEquivalente))
          : nullptr;
  pbIzquierda = o.pbIzquierda;
  pbArriba = o.pbArriba;
  pbDerecha = o.pbDerecha;
  pbAbajo = o.pbAbajo;
  mundoAncho = o.mundoAncho;
  mundoAlto = o.mundoAlto;
  pbAncho = o.pbAncho;
  pbAlto = o.pbAlto;
  mundoX0 = o.mundoX0;
  mundoX1 = o.mundoX1;
  mundoY0 = o.mundoY0;
  mundoY1 = o.mundoY1;
  meteo_utm_huso = o.meteo_utm_huso;
  meteo_utm_zona = o.meteo_utm_zona;
  meteo_utm_xe = o.meteo_utm_xe;
  meteo_utm_yn = o.meteo_utm_yn;
  meteo_cota = o.meteo_cota;
  grillaXMin = o.grillaXMin;
  grillaXMax = o.grillaXMax;
  grillaYMin = o.grillaYMin;
  grillaYMax = o.grillaYMax;
  celdaDx = o.celdaDx;
  celdaDy = o.celdaDy;
  versor = o.versor;
  grilla_rotada_dx = o.grilla_rotada_dx;
  grilla_rotada_dy = o.grilla_rotada_dy;
  grilla_rotada_margen_dx = o.grilla_rotada_margen_dx;
  grilla_.Quitar();
  grillaCompleta_ = true;
  meteo_etha = o.meteo_etha;
  alfa_terreno = o.alfa_terreno;
  gamma_atmosfera = o.gamma_atmosfera;
  fpv3pe = o.fpv3pe;
  factor_perdidas = o.factor_perdidas;
  direccion = o.direccion;
  dpvLibre = o.dpvLibre;
  kPerdidas = o.kPerdidas;
  potencia_nominal = o.potencia_nominal;
  potencia_autorizada_mw = o.potencia_autorizada_mw;
  factorMeteo = o.factorMeteo;
  modeloEmpirico = o.modeloEmpirico;
  usaFactorMeteo = o.usaFactorMeteo;
  cLateral = o.cLateral;
  cCentral = o.cCentral;
  rRecuperacion = o.rRecuperacion;
  unoMenosR = o.unoMenosR;
  pasadasUltimaMarcha = o.pasadasUltimaMarcha;
  marchasUltimaPotencia = o.marchasUltimaPotencia;
  // Without a grid there are no grid places to march by.
  molinosPorFila_.clear();
  fuenteCurvaEq_.clear();
  copiaFuenteCurvaEq_ = o.copiaFuenteCurvaEq_;
}

void TParque_ModeloTeorico::IntercambiarGrilla(TParque_ModeloTeorico& o) {
  using std::swap;
  swap(grilla_, o.grilla_);
  swap(grillaCompleta_, o.grillaCompleta_);
  swap(escalaUltimaPasada_, o.escalaUltimaPasada_);
  swap(rhoUltimaPasada_, o.rhoUltimaPasada_);
  filaA_.swap(o.filaA_);
  filaB_.swap(o.filaB_);
  filaInicio_.swap(o.filaInicio_);
  swap(celdasMastil_, o.celdasMastil_);
  molinosPorFila_.swap(o.molinosPorFila_);
}

void TParque_ModeloTeorico::ApartarEn(TParque_ModeloTeorico& respaldo) {
  if (&respaldo == this) return;
  // The copy has the grid's geometry and the turbines' places; the cells, the march's rows and
  // the turbines' order by row come by the exchange.
  respaldo.CopiarParaHilo(*this);
  IntercambiarGrilla(respaldo);
  QuitarGrilla();
}

void TParque_ModeloTeorico::RecuperarDe(TParque_ModeloTeorico& respaldo) {
  if (&respaldo == this) return;
  CopiarParaHilo(respaldo);
  IntercambiarGrilla(respaldo);
  // What respaldo holds now is the buffer of the batch's last item: kept, the model would
  // hold two grid buffers from here on.
  respaldo.SoltarGrilla();
}

void TParque_ModeloTeorico::SoltarApartado(TParque_ModeloTeorico& respaldo) {
  if (&respaldo == this) return;
  // A march on rows leaves the buffer's cells stale (the whole grid is built again into it
  // when read), and a grid not yet marched has none: the buffer set aside, larger after a
  // drawing, serves as well. The cells of a march over the whole grid are kept.
  const bool celdasEnUso = grilla_.Existe() && !grilla_.vacia && grillaCompleta_;
  if (!celdasEnUso && respaldo.grilla_.Capacidad() > grilla_.Capacidad())
    grilla_.IntercambiarBuffer(respaldo.grilla_);
  respaldo.SoltarGrilla();
}

namespace {
// The least authorised power a model holds: 0 (or not a number) would divide the loss
// coefficient and the farm power by nothing.
NReal ConPisoDePotencia(NReal p) { return p > 1e-8 ? p : 1e-8; }
}  // namespace

void TParque_ModeloTeorico::CalcularCurvaEquivalente() {
  potencia_autorizada_mw = ConPisoDePotencia(potencia_autorizada_mw);
  ActualizarCurvaEquivalente();
}

void TParque_ModeloTeorico::ActualizarCurvaEquivalente() {
  // A nominal power of 0 (a NULL column) would make the loss coefficient factor/1e-8 and the
  // farm produce nothing at any wind: the authorised power stands in for it in the coefficient
  // only. The field keeps what was read, so files and the database keep what they held. The
  // authorised power took its floor where it entered the model; one written since below it
  // is floored here for the coefficient alone.
  kPerdidas =
      factor_perdidas /
      (potencia_nominal > 1e-8 ? potencia_nominal : ConPisoDePotencia(potencia_autorizada_mw));
  // Another thread may be reading the count (through the empirical model's link): it is
  // written only when the turbines changed.
  const auto n = static_cast<int32_t>(molinos.size());
  if (nMolinos != n) nMolinos = n;
  if (nMolinos < 1) return;

  // The set-up runs this before every grid; rebuild only when a turbine curve changed.
  bool igual = curvaEquivalente != nullptr && copiaFuenteCurvaEq_.size() == molinos.size();
  for (size_t i = 0; igual && i < molinos.size(); ++i) {
    const TCurvaAerogen& a = molinos[i].curva;
    const TCurvaAerogen& b = copiaFuenteCurvaEq_[i];
    igual = a.curva_v == b.curva_v && a.curva_P == b.curva_P && a.diametro == b.diametro &&
            a.nid == b.nid && a.modelo == b.modelo;
  }
  if (igual) return;

  auto eq = std::make_unique<TCurvaAerogen>(TCurvaAerogen::CreateCopia(molinos[0].curva));
  if (nMolinos >= 2) {
    std::vector<const TCurvaAerogen*> otras;
    for (size_t i = 1; i < molinos.size(); ++i) otras.push_back(&molinos[i].curva);
    eq->SumarPotencias(otras);
  }
  curvaEquivalente = std::move(eq);
  copiaFuenteCurvaEq_.clear();
  for (const TMolino& m : molinos) copiaFuenteCurvaEq_.push_back(m.curva);
}

void TParque_ModeloTeorico::ParametrosCalibrables(std::vector<TParametroMT>& lista) const {
  lista.clear();
  for (int32_t j = 1; j <= meteo_etha.nc; ++j)
    lista.push_back({TParametroMT::TTipo::NivelColumnaEtha, 0, j});
  lista.push_back({TParametroMT::TTipo::FactorPerdidas, 0, 0});
}

bool TParque_ModeloTeorico::ParametroVigente(const TParametroMT& p) const {
  if (p.tipo == TParametroMT::TTipo::FactorPerdidas) return true;
  return p.columna >= 1 && p.columna <= meteo_etha.nc && meteo_etha.nf >= 1;
}

namespace {
[[noreturn]] void ParametroFueraDeMatriz(const TParametroMT& p, const TMatR& E) {
  throw EErrorGeneral("Parámetro calibrable fuera de la matriz meteo_etha: columna " +
                      IntToStr(p.columna) + " de " + IntToStr(E.nc));
}
}  // namespace

NReal TParque_ModeloTeorico::LeerParametro(const TParametroMT& p) const {
  if (p.tipo == TParametroMT::TTipo::FactorPerdidas) return factor_perdidas;
  if (!ParametroVigente(p)) ParametroFueraDeMatriz(p, meteo_etha);
  NReal suma = 0;
  for (int32_t i = 1; i <= meteo_etha.nf; ++i) suma += meteo_etha.Elemento(i, p.columna);
  bool constante = true;
  for (int32_t i = 2; i <= meteo_etha.nf && constante; ++i)
    constante = meteo_etha.Elemento(i, p.columna) == meteo_etha.Elemento(1, p.columna);
  // A column of equal values reads as that value exactly, so a write and a read give it back.
  return constante ? meteo_etha.Elemento(1, p.columna) : suma / meteo_etha.nf;
}

void TParque_ModeloTeorico::EscribirParametro(const TParametroMT& p, NReal valor) {
  if (p.tipo == TParametroMT::TTipo::FactorPerdidas) {
    factor_perdidas = valor;
    return;
  }
  if (!ParametroVigente(p)) ParametroFueraDeMatriz(p, meteo_etha);
  bool constante = true;
  for (int32_t i = 2; i <= meteo_etha.nf && constante; ++i)
    constante = meteo_etha.Elemento(i, p.columna) == meteo_etha.Elemento(1, p.columna);
  const NReal media = LeerParametro(p);
  if (constante || media == 0) {
    for (int32_t i = 1; i <= meteo_etha.nf; ++i) meteo_etha.PonerElemento(i, p.columna, valor);
    return;
  }
  const NReal escala = valor / media;
  for (int32_t i = 1; i <= meteo_etha.nf; ++i)
    meteo_etha.PonerElemento(i, p.columna, meteo_etha.Elemento(i, p.columna) * escala);
}

// =============================================================================================
// Station factor

NReal TParque_ModeloTeorico::CalcularFactorMeteo(NReal dpv) {
  // A model that no calibrator has linked (loaded from the database or a file and simulated
  // directly) has no sectors or bins to read the matrix with: no correction.
  if (modeloEmpirico == nullptr) {
    factorMeteo = 1;
    return factorMeteo;
  }
  const TParque_ModeloEmpirico& me = *modeloEmpirico;
  const TMatR& E = meteo_etha;
  if (E.nf < 1 || E.nc < 1) throw EErrorGeneral("La matriz meteo_etha está vacía");
  if (me.NSectores() < 1 || me.NTramos() < 1)
    throw EErrorGeneral("El modelo empírico vinculado no tiene sectores ni tramos");
  int32_t k1, k2;
  NReal w1, w2;
  me.SectoresVecinos(k1, k2, w1, w2, direccion);  // brings the direction into [0, 360)
  const int32_t nb = me.NTramos();
  const NReal ir = me.centrosPv3.IndiceReal(dpv);
  // A matrix smaller than sectors x bins (a new model's 72 x 1, a 1 x 1 typed by the user)
  // repeats its last row and column.
  k1 = std::min(k1, E.nf);
  k2 = std::min(k2, E.nf);
  auto e = [&](int32_t k, int32_t j) { return E.Elemento(k, std::min(j, E.nc)); };
  NReal f;
  if (ir <= 1) {
    f = w1 * e(k1, 1) + w2 * e(k2, 1);
  } else if (ir >= nb) {
    f = w1 * e(k1, nb) + w2 * e(k2, nb);
  } else {
    const int32_t j = Trunc32(ir);  // raises for a NaN density
    const NReal u = ir - j;
    f = w1 * ((1 - u) * e(k1, j) + u * e(k1, j + 1)) + w2 * ((1 - u) * e(k2, j) + u * e(k2, j + 1));
  }
  factorMeteo = f;
  return f;
}

// =============================================================================================
// Kernel of the march

namespace {

// -1 until the first read: the best kernel is found then, not during static initialisation.
std::atomic<int> nucleoMarcha{-1};

TNucleoMarcha MejorNucleoMarcha() {
  if (nucleos_marcha::CPUTieneAVX512()) return TNucleoMarcha::AVX512;
  if (nucleos_marcha::CPUTieneAVX2()) return TNucleoMarcha::AVX2;
  return TNucleoMarcha::Portable;
}

}  // namespace

const char* NombreNucleoMarcha(TNucleoMarcha n) {
  switch (n) {
    case TNucleoMarcha::Referencia:
      return "Referencia";
    case TNucleoMarcha::Portable:
      return "Portable";
    case TNucleoMarcha::AVX2:
      return "AVX2";
    case TNucleoMarcha::AVX512:
      return "AVX512";
  }
  return "?";
}

bool NucleoMarchaDisponible(TNucleoMarcha n) {
  switch (n) {
    case TNucleoMarcha::Referencia:
    case TNucleoMarcha::Portable:
      return true;
    case TNucleoMarcha::AVX2:
      return nucleos_marcha::CPUTieneAVX2();
    case TNucleoMarcha::AVX512:
      return nucleos_marcha::CPUTieneAVX512();
  }
  return false;
}

void FijarNucleoMarcha(TNucleoMarcha n) {
  if (!NucleoMarchaDisponible(n))
    throw EErrorGeneral(std::string("El núcleo de la marcha ") + NombreNucleoMarcha(n) +
                        " no está disponible en este procesador");
  nucleoMarcha.store(static_cast<int>(n), std::memory_order_relaxed);
}

TNucleoMarcha NucleoMarcha() {
  int v = nucleoMarcha.load(std::memory_order_relaxed);
  if (v < 0) {
    int nada = -1;
    const int mejor = static_cast<int>(MejorNucleoMarcha());
    // Another thread may have set it meanwhile: its choice stands.
    v = nucleoMarcha.compare_exchange_strong(nada, mejor, std::memory_order_relaxed) ? mejor : nada;
  }
  return static_cast<TNucleoMarcha>(v);
}

// =============================================================================================
// Rotated grid and wake march

namespace {
TPuntoXY Rotar(TPuntoXY versor, TPuntoXY p) {
  return {versor.x * p.x - versor.y * p.y, versor.y * p.x + versor.x * p.y};
}
}  // namespace

void TParque_ModeloTeorico::QuitarGrilla() {
  grilla_.Quitar();
  grillaCompleta_ = true;
  molinosPorFila_.clear();
  for (TMolino& t : molinos) {
    t.posicion.fila = 0;
    t.posicion.columnaIni = 0;
    t.posicion.columnaFin = 0;
  }
}

void TParque_ModeloTeorico::SoltarGrilla() {
  QuitarGrilla();
  grilla_.Liberar();
}

void TParque_ModeloTeorico::ExigirGrilla() const {
  if (!grilla_.Existe() || molinosPorFila_.size() != molinos.size())
    throw EErrorGeneral("La grilla rotada no está preparada para los molinos del modelo");
}

void TParque_ModeloTeorico::PrepararGrilla(bool sinFactorMeteo, NReal direccion_, NReal dpv) {
  ++preparaciones_;
  // Until the set-up is through there is no grid and no turbine on one: a set-up refused part
  // way (bad cell sizes, a grid too large, a value that cannot be rounded) leaves neither the
  // previous cells, to be read with the new geometry, nor turbines on the previous rows.
  QuitarGrilla();
  // A direction or a position that is not a number would only be met when its cells are
  // rounded, after the grid's extent has been rewritten.
  if (!std::isfinite(direccion_))
    throw EErrorGeneral("Dirección del viento inválida en la grilla rotada: " +
                        FloatToStr(direccion_));
  for (size_t i = 0; i < molinos.size(); ++i) {
    const TPuntoXY& q = molinos[i].posicion.punto;
    if (!(std::isfinite(q.x) && std::isfinite(q.y)))
      throw EErrorGeneral("Posición inválida del molino " + IntToStr(static_cast<int64_t>(i) + 1) +
                          " (nid=" + IntToStr(molinos[i].nid) + ") en la grilla rotada: x = " +
                          FloatToStr(q.x) + " m, y = " + FloatToStr(q.y) + " m");
  }
  try {
    LevantarGrilla(sinFactorMeteo, direccion_, dpv);
  } catch (...) {
    QuitarGrilla();
    throw;
  }
}

void TParque_ModeloTeorico::LevantarGrilla(bool sinFactorMeteo, NReal direccion_, NReal dpv) {
  ActualizarCurvaEquivalente();
  direccion = direccion_;
  if (!sinFactorMeteo) {
    CalcularFactorMeteo(dpv);
    usaFactorMeteo = true;
  } else {
    factorMeteo = 1;
    usaFactorMeteo = false;
  }
  // theta = 180 + direction: in the rotated frame the wind blows along +y.
  const NReal theta = M_PI * 2 * (180 + direccion) / 360;
  versor = {std::cos(theta), std::sin(theta)};

  // The extent starts at the mast, so the grid always contains it.
  grillaXMin = grillaXMax = grillaYMin = grillaYMax = 0;
  for (TMolino& m : molinos) {
    const TPuntoXY r = Rotar(versor, m.posicion.punto);
    m.posicion.puntoRotado = r;
    if (r.x < grillaXMin)
      grillaXMin = r.x;
    else if (r.x > grillaXMax)
      grillaXMax = r.x;
    if (r.y < grillaYMin)
      grillaYMin = r.y;
    else if (r.y > grillaYMax)
      grillaYMax = r.y;
  }
  const NReal m = grilla_rotada_margen_dx;
  grillaXMin -= m;
  grillaXMax += m;
  grillaYMin -= 0.5 * m;
  grillaYMax += 0.5 * m;

  // The original took the cell sizes as they came; 0 makes the cell count infinite.
  if (!(std::isfinite(grilla_rotada_dx) && grilla_rotada_dx > 0 &&
        std::isfinite(grilla_rotada_dy) && grilla_rotada_dy > 0))
    throw EErrorGeneral(
        "Tamaño de celda inválido en la grilla rotada: dx = " + FloatToStr(grilla_rotada_dx) +
        " m, dy = " + FloatToStr(grilla_rotada_dy) + " m");
  const NReal ancho = grillaXMax - grillaXMin;
  const NReal largo = grillaYMax - grillaYMin;
  // 0.999 and not 1: a width within a thousandth of a cell of a whole count gets no extra cell.
  const NReal nxR = std::trunc(ancho / grilla_rotada_dx + 0.999);
  const NReal nyR = std::trunc(largo / grilla_rotada_dy + 0.999);
  if (!(nxR >= 1 && nyR >= 1))
    throw EErrorGeneral("La grilla rotada no tiene extensión (" + FloatToStr(ancho) + " m x " +
                        FloatToStr(largo) +
                        " m); revise el margen y las posiciones de los molinos");
  if ((nxR + 1) * (nyR + 1) > kMaxCeldasGrilla) {
    for (const TMolino& t : molinos)
      if (t.posicion.huso != meteo_utm_huso) {
        Consola() << "AVISO: el molino nid=" << IntToStr(t.nid) << " está en el huso UTM "
                  << IntToStr(t.posicion.huso) << " y el mástil en el huso "
                  << IntToStr(meteo_utm_huso) << "\n";
        break;
      }
    throw EErrorGeneral("Grilla demasiado grande (" +
                        FloatToStrF(nxR, TFloatFormat::ffFixed, 15, 0) + " x " +
                        FloatToStrF(nyR, TFloatFormat::ffFixed, 15, 0) +
                        " celdas); revise las coordenadas de los molinos y del mástil");
  }
  const int32_t nx = static_cast<int32_t>(nxR);
  const int32_t ny = static_cast<int32_t>(nyR);
  celdaDx = ancho / nx;
  celdaDy = largo / ny;

  cLateral = 0.5 * (1 - std::exp(-alfa_terreno * celdaDy / celdaDx));
  cCentral = 1 - 2 * cLateral;
  // The recovery towards the free stream has an e-folding length of 500/gamma metres.
  rRecuperacion = 1 - std::exp(-gamma_atmosfera * celdaDy / 500);
  unoMenosR = 1 - rRecuperacion;

  // The buffer of the whole grid is had only when the cells are wanted (Grilla(), and the
  // reference march): the other kernels march on rows of their own.
  grilla_.FijarForma(ny + 1, nx + 1);

  for (TMolino& t : molinos) {
    TPosicion& p = t.posicion;
    const NReal D = t.curva.diametro;
    // Rounding to the nearest, halves to even, as the original's conversion did (the cell
    // counts above truncate).
    p.fila = Round32((p.puntoRotado.y - grillaYMin) / celdaDy) + 1;
    p.columnaIni = Round32((p.puntoRotado.x - 0.5 * D - grillaXMin) / celdaDx) + 1;
    p.columnaFin = Round32((p.puntoRotado.x + 0.5 * D - grillaXMin) / celdaDx) + 1;
    // A margin below half a rotor diameter would put the rotor outside the grid.
    p.fila = std::clamp(p.fila, 1, grilla_.nf);
    p.columnaIni = std::clamp(p.columnaIni, 1, grilla_.nc);
    p.columnaFin = std::clamp(p.columnaFin, 1, grilla_.nc);
  }
  // The march visits only the rows that hold turbines, in list order within a row.
  molinosPorFila_.resize(molinos.size());
  for (size_t i = 0; i < molinos.size(); ++i) molinosPorFila_[i] = static_cast<int32_t>(i);
  std::stable_sort(molinosPorFila_.begin(), molinosPorFila_.end(), [&](int32_t a, int32_t b) {
    return molinos[static_cast<size_t>(a)].posicion.fila <
           molinos[static_cast<size_t>(b)].posicion.fila;
  });
}

void TParque_ModeloTeorico::PropagarFila(TVectR& destino, const TVectR& origen) const {
  const int32_t n = destino.n;
  for (int32_t i = 2; i <= n - 1; ++i)
    destino.pv[i] =
        (cLateral * (origen.pv[i - 1] + origen.pv[i + 1]) + cCentral * origen.pv[i]) * unoMenosR +
        rRecuperacion * dpvLibre;
}

void TParque_ModeloTeorico::ProcesarMolinosDeFila(int32_t k, NReal escala, NReal rho) {
  // On the whole grid of the last march, whose rows the turbines' places index.
  ExigirGrilla();
  Grilla();
  for (TMolino& m : molinos)
    if (m.posicion.fila == k) m.ProcesarFilaEn(grilla_.Fila(k), fpv3pe, escala, rho);
}

namespace {
// One row step, written as a plain loop over disjoint arrays so that it vectorises. The
// operations are those of PropagarFila in the same order.
void PropagarInterior(NReal* __restrict d, const NReal* __restrict o, int32_t nc, NReal cL,
                      NReal cC, NReal uR, NReal b) {
  for (int32_t j = 1; j < nc - 1; ++j) d[j] = (cL * (o[j - 1] + o[j + 1]) + cC * o[j]) * uR + b;
}
}  // namespace

NReal TParque_ModeloTeorico::Pasada(NReal escala, NReal rho) {
  const int32_t nf = grilla_.nf;
  const int32_t nc = grilla_.nc;
  const NReal V = dpvLibre;
  const NReal b = rRecuperacion * V;
  const size_t nt = molinosPorFila_.size();
  size_t t = 0;
  auto procesar = [&](int32_t i, NReal* fila) {
    while (t < nt) {
      TMolino& m = molinos[static_cast<size_t>(molinosPorFila_[t])];
      if (m.posicion.fila != i) break;
      m.ProcesarFilaEn(fila, fpv3pe, escala, rho);
      ++t;
    }
  };
  NReal* f1 = grilla_.Fila(1);
  for (int32_t j = 0; j < nc; ++j) f1[j] = V;
  procesar(1, f1);
  for (int32_t i = 2; i <= nf; ++i) {
    NReal* d = grilla_.Fila(i);
    // The side columns stay at the free stream.
    d[0] = V;
    d[nc - 1] = V;
    PropagarInterior(d, grilla_.Fila(i - 1), nc, cLateral, cCentral, unoMenosR, b);
    procesar(i, d);
  }
  grilla_.vacia = false;
  NReal P = 0;
  for (const TMolino& m : molinos) P += m.potencia;
  return P;
}

NReal TParque_ModeloTeorico::PasadaEnFilas(NReal escala, NReal rho, bool reanudar,
                                           const TCeldaGrilla& mastil, int32_t filaFin,
                                           TPropagarInterior propagar) {
  const int32_t nc = grilla_.nc;
  const NReal V = dpvLibre;
  const NReal b = rRecuperacion * V;
  const size_t nt = molinosPorFila_.size();
  const size_t bytesFila = static_cast<size_t>(nc) * sizeof(NReal);
  // The first turbine row; 0 when there is no turbine.
  const int32_t filaInicio =
      nt > 0 ? molinos[static_cast<size_t>(molinosPorFila_[0])].posicion.fila : 0;
  size_t t = 0;
  // The same steps, in the same order, as the straightforward pass.
  auto procesar = [&](int32_t i, NReal* fila) {
    while (t < nt) {
      TMolino& m = molinos[static_cast<size_t>(molinosPorFila_[t])];
      if (m.posicion.fila != i) break;
      m.ProcesarFilaEn(fila, fpv3pe, escala, rho);
      ++t;
    }
    if (i == mastil.i0) {
      celdasMastil_[0] = fila[mastil.j0 - 1];
      celdasMastil_[1] = fila[mastil.j1 - 1];
    }
    if (i == mastil.i1) {
      celdasMastil_[2] = fila[mastil.j0 - 1];
      celdasMastil_[3] = fila[mastil.j1 - 1];
    }
  };
  NReal* ant = filaA_.data();
  NReal* act = filaB_.data();
  int32_t i;
  if (reanudar) {
    // The rows above the first turbine row depend on the free stream alone, the same in every
    // pass of a march (and so do the mast's cells there).
    i = filaInicio;
    std::memcpy(ant, filaInicio_.data(), bytesFila);
  } else {
    i = 1;
    for (int32_t j = 0; j < nc; ++j) ant[j] = V;
    if (filaInicio == 1) std::memcpy(filaInicio_.data(), ant, bytesFila);
  }
  procesar(i, ant);
  for (++i; i <= filaFin; ++i) {
    act[0] = V;
    act[nc - 1] = V;
    propagar(act, ant, nc, cLateral, cCentral, unoMenosR, b);
    if (i == filaInicio) std::memcpy(filaInicio_.data(), act, bytesFila);
    procesar(i, act);
    std::swap(ant, act);
  }
  NReal P = 0;
  for (const TMolino& m : molinos) P += m.potencia;
  return P;
}

NReal TParque_ModeloTeorico::RecorrerGrilla(NReal& dpvMastil, NReal rho, NReal dpvLibre_,
                                            NReal pTope) {
  ExigirGrilla();
  const TNucleoMarcha nucleo = NucleoMarcha();
  const bool referencia = nucleo == TNucleoMarcha::Referencia;
  TPropagarInterior propagar = nucleos_marcha::PropagarInteriorPortable;
  if (nucleo == TNucleoMarcha::AVX2) propagar = nucleos_marcha::PropagarInteriorAVX2;
  if (nucleo == TNucleoMarcha::AVX512) propagar = nucleos_marcha::PropagarInteriorAVX512;

  // The mast's place, and the last row whose cells reach a result: the last turbine row, or
  // the mast's second row.
  TCeldaGrilla mastil;
  const bool mastilDentro = UbicarPunto({0, 0}, mastil);
  int32_t filaFin = mastilDentro ? mastil.i1 : 1;
  if (!molinosPorFila_.empty())
    filaFin = std::max(filaFin, molinos[static_cast<size_t>(molinosPorFila_.back())].posicion.fila);
  if (referencia) {
    grilla_.Reservar();
  } else {
    const size_t nc = static_cast<size_t>(grilla_.nc);
    filaA_.resize(nc);
    filaB_.resize(nc);
    filaInicio_.resize(nc);
  }

  NReal limite = pTope < potencia_autorizada_mw ? pTope : potencia_autorizada_mw;
  // A negative limit would divide by a net power of 0 below.
  if (limite < 0) limite = 0;
  dpvLibre = dpvLibre_;
  NReal escala = 1;
  int32_t pasadas = 0;
  float pNeta;  // the farm power carries single precision, as in the original
  pasadasUltimaMarcha = 0;
  for (;;) {
    const NReal P =
        referencia ? Pasada(escala, rho)
                   : PasadaEnFilas(escala, rho, pasadasUltimaMarcha > 0, mastil, filaFin, propagar);
    ++pasadasUltimaMarcha;
    escalaUltimaPasada_ = escala;
    pNeta = static_cast<float>(P - kPerdidas * P * P);
    if (pNeta < 0) pNeta = 0;
    if (!(pNeta > limite)) break;
    const NReal factor = limite / pNeta;
    escala = escala * limite / pNeta;
    if (pasadas < 10) {
      ++pasadas;
      continue;
    }
    // The powers of this last pass were computed with the previous escala: its own factor
    // brings them to the limit (the cumulative escala would apply that escala twice).
    for (TMolino& m : molinos) m.potencia *= factor;
    pNeta = static_cast<float>(limite);
    break;
  }
  rhoUltimaPasada_ = rho;
  grilla_.vacia = false;
  grillaCompleta_ = referencia;
  if (referencia) {
    dpvMastil = DPVEnPunto({0, 0}) * factorMeteo;
  } else {
    const NReal enMastil = mastilDentro ? Interpolar(mastil, celdasMastil_[0], celdasMastil_[1],
                                                     celdasMastil_[2], celdasMastil_[3])
                                        : 0;
    dpvMastil = enMastil * factorMeteo;
  }
  return pNeta;
}

void TParque_ModeloTeorico::CompletarGrilla() {
  if (grillaCompleta_ || !grilla_.Existe()) return;
  grilla_.Reservar();
  // The last pass again, over every row, with what the march left in the turbines kept: the
  // pass itself gives them the values they had after it, but a march held at the limit scaled
  // them once more afterwards.
  std::vector<std::pair<NReal, NReal>> valores;
  valores.reserve(molinos.size());
  for (const TMolino& m : molinos) valores.emplace_back(m.dpvMedia, m.potencia);
  Pasada(escalaUltimaPasada_, rhoUltimaPasada_);
  for (size_t k = 0; k < molinos.size(); ++k) {
    molinos[k].dpvMedia = valores[k].first;
    molinos[k].potencia = valores[k].second;
  }
  grillaCompleta_ = true;
}

const TGrillaDPV& TParque_ModeloTeorico::Grilla() {
  if (grilla_.Existe()) {
    grilla_.Reservar();
    CompletarGrilla();
  }
  return grilla_;
}

bool TParque_ModeloTeorico::UbicarPunto(TPuntoXY p, TCeldaGrilla& c) const {
  const TPuntoXY r = Rotar(versor, p);
  // Written so that NaN is outside; the border is inside.
  if (!(r.x >= grillaXMin && r.x <= grillaXMax && r.y >= grillaYMin && r.y <= grillaYMax))
    return false;
  const NReal fi = (r.y - grillaYMin) / celdaDy;
  const NReal fj = (r.x - grillaXMin) / celdaDx;
  const NReal tfi = std::trunc(fi);
  const NReal tfj = std::trunc(fj);
  c.i0 = std::min(static_cast<int32_t>(tfi) + 1, grilla_.nf);
  c.i1 = std::min(c.i0 + 1, grilla_.nf);
  c.j0 = std::min(static_cast<int32_t>(tfj) + 1, grilla_.nc);
  c.j1 = std::min(c.j0 + 1, grilla_.nc);
  c.ti = fi - tfi;
  c.tj = fj - tfj;
  return true;
}

NReal TParque_ModeloTeorico::DPVEnPunto(TPuntoXY p) {
  if (!grilla_.Existe()) return 0;
  TCeldaGrilla c;
  if (!UbicarPunto(p, c)) return 0;
  if (grilla_.vacia) return 0;
  const TGrillaDPV& g = Grilla();
  return Interpolar(c, g.Elemento(c.i0, c.j0), g.Elemento(c.i0, c.j1), g.Elemento(c.i1, c.j0),
                    g.Elemento(c.i1, c.j1));
}

void TParque_ModeloTeorico::CalcularPuntosRelativos() {
  for (TMolino& m : molinos)
    m.posicion.punto = {m.posicion.xe - meteo_utm_xe, m.posicion.yn - meteo_utm_yn};
}

// =============================================================================================
// Farm power and inverse search

NReal TParque_ModeloTeorico::PotenciaParque(bool& convergio, NReal& dpvMastil, NReal rho,
                                            NReal dpvMedida, NReal pTope, NReal& dpvLibre_) {
  marchasUltimaPotencia = 0;
  if (!(dpvMedida >= 1e-10)) return 0;
  // A station factor of 0 (a completed matrix without data) leaves nothing to divide by.
  if (!(std::isfinite(factorMeteo) && factorMeteo > 0)) {
    convergio = false;
    return 0;
  }
  // The free stream that a mast outside every wake would read as dpvMedida.
  NReal V = dpvMedida / factorMeteo;
  convergio = false;
  int32_t fallos = 0;
  NReal P = 0;
  do {
    P = RecorrerGrilla(dpvMastil, rho, V, pTope);
    ++marchasUltimaPotencia;
    if (!(std::isfinite(dpvMastil) && dpvMastil > 0)) break;  // nothing to correct V with
    const NReal q = dpvMedida / dpvMastil;
    if (std::fabs(q - 1) < 0.01) {
      convergio = true;
    } else {
      ++fallos;
      V = V * q;
    }
  } while (!convergio && fallos <= 100);
  dpvLibre_ = V;
  return P;
}

NReal TParque_ModeloTeorico::VelocidadParaPotencia(NReal& dpvLibre_, bool& convergio,
                                                   NReal potencia) {
  const NReal pAut = potencia_autorizada_mw;
  if (pAut < potencia) {
    convergio = false;
    return 20;
  }
  // Regula falsi on the mast speed; the farm is assumed to reach its authorised power at 20 m/s.
  NReal vBajo = 0, pBajo = 0, vAlto = 20, pAlto = pAut;
  NReal err = std::fabs(pAlto - pBajo);
  convergio = true;
  int32_t n = 0;
  NReal v = 0;
  bool parar = false;
  // At least one evaluation: an authorised power of 1 MW or less would start with err <= 1 and
  // return no speed at all.
  do {
    // Both ends at the same power leave nothing to interpolate between (0/0 or an infinite
    // speed). Only a negative target gets here: its first trial, below 0 m/s, gives 0 MW like
    // the lower end.
    if (pAlto == pBajo) {
      convergio = false;
      break;
    }
    v = vBajo + (potencia - pBajo) * (vAlto - vBajo) / (pAlto - pBajo);
    NReal dpvMastil = 0;
    const NReal P = PotenciaParque(convergio, dpvMastil, DensidadEstandar,
                                   DensidadPotenciaViento(v, DensidadEstandar), pAut, dpvLibre_);
    err = std::fabs(potencia - P);
    ++n;
    if (P > potencia) {
      vAlto = v;
      pAlto = P;
    } else {
      vBajo = v;
      pBajo = P;
    }
    if (P > pAut) {
      v = 20;
      parar = true;
    }
    if (n > 100) {
      parar = true;
      convergio = false;
    } else if (vAlto == vBajo) {
      parar = true;
      convergio = false;
    }
  } while (err > 1 && !parar);
  return v;
}

// =============================================================================================
// Drawing geometry

void TParque_ModeloTeorico::FijarVentanaDibujo(int32_t izquierda, int32_t arriba, int32_t derecha,
                                               int32_t abajo) {
  // A collapsed paint box has no scale; the previous window stays.
  if (derecha - izquierda < 1 || abajo - arriba < 1) return;
  pbIzquierda = izquierda;
  pbArriba = arriba;
  pbDerecha = derecha;
  pbAbajo = abajo;
  pbAncho = derecha - izquierda;
  pbAlto = abajo - arriba;
  mundoX0 = mundoX1 = mundoY0 = mundoY1 = 0;
  for (const TMolino& m : molinos) {
    const TPuntoXY& p = m.posicion.punto;
    if (p.x < mundoX0)
      mundoX0 = p.x;
    else if (p.x > mundoX1)
      mundoX1 = p.x;
    if (p.y < mundoY0)
      mundoY0 = p.y;
    else if (p.y > mundoY1)
      mundoY1 = p.y;
  }
  mundoX0 -= 300;
  mundoX1 += 300;
  mundoAncho = mundoX1 - mundoX0;
  mundoY0 -= 300;
  mundoY1 += 300;
  mundoAlto = mundoY1 - mundoY0;
  // Equal metres per pixel on both axes: widen the axis that would have the larger scale.
  if (pbAlto / mundoAlto < pbAncho / mundoAncho) {
    const NReal d = 0.5 * (mundoAlto / pbAlto * pbAncho - mundoAncho);
    mundoX0 -= d;
    mundoX1 += d;
    mundoAncho = mundoX1 - mundoX0;
  } else {
    const NReal d = 0.5 * (mundoAncho / pbAncho * pbAlto - mundoAlto);
    mundoY0 -= d;
    mundoY1 += d;
    mundoAlto = mundoY1 - mundoY0;
  }
}

void TParque_ModeloTeorico::MundoAPixel(TPuntoXY p, int32_t& px, int32_t& py) const {
  px = pbIzquierda + Round32((p.x - mundoX0) * pbAncho / mundoAncho);
  py = pbAbajo - Round32((p.y - mundoY0) * pbAlto / mundoAlto);
}

void TParque_ModeloTeorico::PixelAMundo(int32_t px, int32_t py, TPuntoXY& p) const {
  p.x = (px - pbIzquierda) * mundoAncho / pbAncho + mundoX0;
  p.y = (pbAbajo - py) * mundoAlto / pbAlto + mundoY0;
}

TMolino* TParque_ModeloTeorico::MolinoMasCercano(int32_t px, int32_t py) {
  if (molinos.empty()) return nullptr;
  TPuntoXY p;
  PixelAMundo(px, py, p);
  auto distancia = [&](const TMolino& m) {
    return NormaPunto({p.x - m.posicion.punto.x, p.y - m.posicion.punto.y});
  };
  size_t mejor = 0;
  NReal dMejor = distancia(molinos[0]);
  for (size_t i = 1; i < molinos.size(); ++i) {
    const NReal d = distancia(molinos[i]);
    if (d < dMejor) {
      mejor = i;
      dMejor = d;
    }
  }
  if (dMejor > 3 * molinos[mejor].curva.diametro) return nullptr;
  return &molinos[mejor];
}

NReal TParque_ModeloTeorico::DPVEnPixel(int32_t px, int32_t py) {
  TPuntoXY p;
  PixelAMundo(px, py, p);
  return DPVEnPunto(p);
}

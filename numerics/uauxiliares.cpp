#include "numerics/uauxiliares.h"

#include <cassert>
#include <mutex>

#include "numerics/matreal.h"
#include "platform/rtltexto.h"

namespace {

// The five settings the guard switches.
struct TFormatoGuardado {
  char ThousandSeparator = ' ';
  char DecimalSeparator = '.';
  char DateSeparator = '-';
  std::string ShortDateFormat = "yyyy-MM-dd";
  std::string LongDateFormat = "yyyy-MM-dd HH:mm:ss";
};

struct TEstadoGuarda {
  std::mutex cerrojo;
  int32_t nivel = 0;
  bool capturado = false;
  TFormatoGuardado inicial;
};

TEstadoGuarda& Estado() {
  static TEstadoGuarda estado;
  return estado;
}

// The five settings of f, with the date separator taken from the short date format when that
// holds "/" or "-" (a regional dd/MM/yyyy may come with "." as its separator).
TFormatoGuardado Capturar(const TFormatSettings& f) {
  TFormatoGuardado g;
  g.ThousandSeparator = f.ThousandSeparator;
  g.DecimalSeparator = f.DecimalSeparator;
  g.DateSeparator = f.DateSeparator;
  g.ShortDateFormat = f.ShortDateFormat;
  g.LongDateFormat = f.LongDateFormat;
  if (g.ShortDateFormat.find('/') != std::string::npos) {
    g.DateSeparator = '/';
  } else if (g.ShortDateFormat.find('-') != std::string::npos) {
    g.DateSeparator = '-';
  }
  return g;
}

void Poner(const TFormatoGuardado& g) {
  TFormatSettings& f = FormatSettings();
  f.ThousandSeparator = g.ThousandSeparator;
  f.DecimalSeparator = g.DecimalSeparator;
  f.DateSeparator = g.DateSeparator;
  f.ShortDateFormat = g.ShortDateFormat;
  f.LongDateFormat = g.LongDateFormat;
}

bool EsSeparadorDeCampo(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == ',' || c == ';';
}

}  // namespace

void GuardarFormatoInicial() {
  TEstadoGuarda& e = Estado();
  std::lock_guard<std::mutex> l(e.cerrojo);
  e.inicial = Capturar(FormatSettings());
  e.capturado = true;
}

void ApilarFormatoEstandar() {
  TEstadoGuarda& e = Estado();
  std::lock_guard<std::mutex> l(e.cerrojo);
  ++e.nivel;
  // On every push, not only the first: a setting changed inside a bracket is standard again.
  Poner(TFormatoGuardado{});
}

void DesapilarFormatoEstandar() {
  TEstadoGuarda& e = Estado();
  std::lock_guard<std::mutex> l(e.cerrojo);
  // An unmatched pop would drive the count below 0, and then no later pop would ever restore
  // the user's settings: it is ignored.
  assert(e.nivel > 0 && "DesapilarFormatoEstandar sin ApilarFormatoEstandar");
  if (e.nivel <= 0) return;
  --e.nivel;
  if (e.nivel == 0) Poner(e.capturado ? e.inicial : Capturar(FormatoDelSistema()));
}

int32_t NivelFormatoEstandar() {
  TEstadoGuarda& e = Estado();
  std::lock_guard<std::mutex> l(e.cerrojo);
  return e.nivel;
}

void ReiniciarFormatoEstandarParaPruebas() {
  TEstadoGuarda& e = Estado();
  std::lock_guard<std::mutex> l(e.cerrojo);
  e.nivel = 0;
  e.capturado = false;
  e.inicial = TFormatoGuardado{};
}

void OrdenarDA(TDAofNReal& a) {
  if (a.size() < 2) return;
  OrdenarDesc(a, 0, static_cast<int32_t>(a.size() - 1));
}

namespace {
// The first field of s at or after `desde`: returns where it starts (s.size() when there is
// none) and leaves in fin where it ends (at a separator or at the end of s).
size_t BuscarCampo(std::string_view s, size_t desde, size_t& fin) {
  size_t i = desde;
  while (i < s.size() && EsSeparadorDeCampo(s[i])) ++i;
  fin = i;
  while (fin < s.size() && !EsSeparadorDeCampo(s[fin])) ++fin;
  return i;
}
}  // namespace

void ExtraerCampo(std::string& s, std::string& campo) {
  size_t j = 0;
  const size_t i = BuscarCampo(s, 0, j);
  if (i >= s.size()) {
    campo.clear();
    s.clear();
    return;
  }
  campo = s.substr(i, j - i);
  s = j + 1 < s.size() ? s.substr(j + 1) : std::string();
}

std::vector<std::string> CamposDeLinea(std::string_view s, size_t maximo) {
  std::vector<std::string> campos;
  size_t j = 0;
  while (campos.size() < maximo) {
    const size_t i = BuscarCampo(s, j, j);
    if (i >= s.size()) break;
    campos.emplace_back(s.substr(i, j - i));
  }
  return campos;
}

int32_t ExtraerEntero(std::string& s) {
  std::string campo;
  ExtraerCampo(s, campo);
  return StrToInt(campo);
}

NReal ExtraerReal(std::string& s) {
  std::string campo;
  ExtraerCampo(s, campo);
  return EvaluarNumero(campo);
}

void QuitarNoImprimibles(std::string& s) {
  size_t k = 0;
  while (k < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[k]);
    if (c >= 32 && c <= 126) break;
    ++k;
  }
  s.erase(0, k);
}

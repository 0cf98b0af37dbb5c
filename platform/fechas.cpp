#include "platform/fechas.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/errores.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"

namespace {

constexpr int64_t kMsPorDia = 86400000;
// Days since 0000-03-01 of a civil date (H. Hinnant's days_from_civil, shifted).
constexpr int64_t DiasCiviles(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe);
}

// The origin of TDateTime in the count above.
constexpr int64_t kDiasHasta1899 = DiasCiviles(1899, 12, 30);

void CivilDeDias(int64_t z, int& y, int& m, int& d) {
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

}  // namespace

bool EsBisiesto(int anio) { return (anio % 4 == 0 && anio % 100 != 0) || anio % 400 == 0; }

int DiasDelMes(int anio, int mes) {
  static const int kDias[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (mes < 1 || mes > 12) return 0;
  return mes == 2 && EsBisiesto(anio) ? 29 : kDias[mes - 1];
}

bool TryEncodeDate(int anio, int mes, int dia, TDateTime& fecha) {
  if (anio < 1 || anio > 9999 || mes < 1 || mes > 12 || dia < 1 || dia > DiasDelMes(anio, mes))
    return false;
  fecha = static_cast<double>(DiasCiviles(anio, static_cast<unsigned>(mes),
                                          static_cast<unsigned>(dia)) -
                              DiasCiviles(1899, 12, 30));
  return true;
}

TDateTime EncodeDate(int anio, int mes, int dia) {
  TDateTime f = 0;
  if (!TryEncodeDate(anio, mes, dia, f))
    throw EConvertError("Fecha inválida: " + IntToStr(anio) + "-" + IntToStr(mes) + "-" +
                        IntToStr(dia));
  return f;
}

bool TryEncodeTime(int hora, int minuto, int segundo, int milisegundo, TDateTime& t) {
  if (hora < 0 || hora > 23 || minuto < 0 || minuto > 59 || segundo < 0 || segundo > 59 ||
      milisegundo < 0 || milisegundo > 999)
    return false;
  t = static_cast<double>(((hora * 60 + minuto) * 60 + segundo) * 1000 + milisegundo) /
      static_cast<double>(kMsPorDia);
  return true;
}

TDateTime EncodeTime(int hora, int minuto, int segundo, int milisegundo) {
  TDateTime t = 0;
  if (!TryEncodeTime(hora, minuto, segundo, milisegundo, t))
    throw EConvertError("Hora inválida: " + IntToStr(hora) + ":" + IntToStr(minuto) + ":" +
                        IntToStr(segundo) + "." + IntToStr(milisegundo));
  return t;
}

TDateTime EncodeDateTime(const TFechaHora& f) {
  TDateTime d = EncodeDate(f.anio, f.mes, f.dia);
  TDateTime t = EncodeTime(f.hora, f.minuto, f.segundo, f.milisegundo);
  // Before the origin the date counts down while the time of day still counts up.
  return d < 0 ? d - t : d + t;
}

TFechaHora DecodeDateTime(TDateTime fecha) {
  if (!std::isfinite(fecha) || std::fabs(fecha) > 3.0e6)
    throw EConvertError("Fecha inválida: " + FloatToStr(fecha));
  double dia = std::trunc(fecha);
  double fraccion = std::fabs(fecha - dia);
  int64_t ms = static_cast<int64_t>(std::floor(fraccion * static_cast<double>(kMsPorDia) + 0.5));
  int64_t d = static_cast<int64_t>(dia);
  if (ms >= kMsPorDia) {  // rounded up to the next midnight
    // The time of day counts forward on both sides of the origin, so the next midnight is the
    // next calendar day there too.
    ms -= kMsPorDia;
    d += 1;
  }
  TFechaHora f;
  CivilDeDias(d + kDiasHasta1899, f.anio, f.mes, f.dia);
  f.hora = static_cast<int>(ms / 3600000);
  f.minuto = static_cast<int>(ms / 60000 % 60);
  f.segundo = static_cast<int>(ms / 1000 % 60);
  f.milisegundo = static_cast<int>(ms % 1000);
  return f;
}

void DecodeDate(TDateTime fecha, int& anio, int& mes, int& dia) {
  TFechaHora f = DecodeDateTime(fecha);
  anio = f.anio;
  mes = f.mes;
  dia = f.dia;
}

void DecodeTime(TDateTime fecha, int& hora, int& minuto, int& segundo, int& milisegundo) {
  TFechaHora f = DecodeDateTime(fecha);
  hora = f.hora;
  minuto = f.minuto;
  segundo = f.segundo;
  milisegundo = f.milisegundo;
}

int DayOfWeek(TDateTime fecha) {
  TFechaHora f = DecodeDateTime(fecha);
  TDateTime d = EncodeDate(f.anio, f.mes, f.dia);
  // 1899-12-30 was a Saturday (7).
  int64_t k = static_cast<int64_t>(d) % 7;
  if (k < 0) k += 7;
  return static_cast<int>((k + 6) % 7) + 1;
}

TDateTime Now() {
  using namespace std::chrono;
  auto ahora = system_clock::now();
  std::time_t t = system_clock::to_time_t(ahora);
  std::tm loc{};
  localtime_r(&t, &loc);
  int ms = static_cast<int>(duration_cast<milliseconds>(ahora.time_since_epoch()).count() % 1000);
  TFechaHora f{loc.tm_year + 1900, loc.tm_mon + 1, loc.tm_mday,
               loc.tm_hour,        loc.tm_min,     loc.tm_sec < 60 ? loc.tm_sec : 59,
               ms < 0 ? 0 : ms};
  return EncodeDateTime(f);
}

TDateTime Date() { return std::trunc(Now()); }

uint32_t GetTickCount() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int32_t IndiceDeMuestra(TDateTime d, TDateTime inicio, double paso) {
  return Trunc32((d - inicio) / paso + 1e-6) + 1;
}

// Date-times as the run-time keeps them: a double counting days since 1899-12-30 00:00, the
// fraction being the time of day (2016-11-01 00:00 is 42675.0).
#pragma once

#include <cstdint>

using TDateTime = double;

struct TFechaHora {
  int anio = 1899, mes = 12, dia = 30;
  int hora = 0, minuto = 0, segundo = 0, milisegundo = 0;
};

bool TryEncodeDate(int anio, int mes, int dia, TDateTime& fecha);
// Throws EConvertError "Fecha inválida: ..." for an impossible date.
TDateTime EncodeDate(int anio, int mes, int dia);
bool TryEncodeTime(int hora, int minuto, int segundo, int milisegundo, TDateTime& t);
TDateTime EncodeTime(int hora, int minuto, int segundo, int milisegundo);
TDateTime EncodeDateTime(const TFechaHora& f);

// Rounds to the nearest millisecond before splitting into fields, so a date computed as
// start + k * 10/1440 decodes to its exact minute. Throws EConvertError for non-finite values.
TFechaHora DecodeDateTime(TDateTime fecha);
void DecodeDate(TDateTime fecha, int& anio, int& mes, int& dia);
void DecodeTime(TDateTime fecha, int& hora, int& minuto, int& segundo, int& milisegundo);
int DayOfWeek(TDateTime fecha);  // 1 = Sunday .. 7 = Saturday, as the run-time
bool EsBisiesto(int anio);
int DiasDelMes(int anio, int mes);

TDateTime Now();    // local time
TDateTime Date();   // today at 00:00
uint32_t GetTickCount();  // milliseconds, monotonic, wraps

// The index (from 1) of the sample at date d in a series that starts at `inicio` with a step
// of `paso` days: Trunc((d - inicio) / paso + 1e-6) + 1. The 1e-6 of a step (0.6 ms for ten
// minutes) absorbs the rounding of dates computed as inicio + k * paso, which would otherwise
// land one sample early about half of the time.
int32_t IndiceDeMuestra(TDateTime d, TDateTime inicio, double paso);

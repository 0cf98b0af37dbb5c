// Restriction periods in the CGM channel, energy records per sample and per hour, and the two
// energy tables of a restriction run.
#include "estimator/ucalcrestriccionesoperativas.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"
#include "services/useriestemporales.h"

namespace {

constexpr int32_t kPosicionCGM = 7;  // the CGM power channel, by position in the file
constexpr double kMsPorDia = 86400000.0;
constexpr int64_t kMsPorHora = 3600000;
constexpr int64_t kMsPorDiaEntero = 86400000;

constexpr double kCincoMinutos = 5.0 / 1440.0;
constexpr double kDiezMinutos = 10.0 / 1440.0;
constexpr double kUnaHora = 1.0 / 24.0;

// A date-time in whole milliseconds since 1899-12-30 00:00.
int64_t Milisegundos(TDateTime t) { return Round(t * kMsPorDia); }

int64_t DivisionPiso(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// The calendar day of t (days since 1899-12-30), to the millisecond.
int64_t DiaDe(TDateTime t) { return DivisionPiso(Milisegundos(t), kMsPorDiaEntero); }

bool Restringido(NReal c, NReal limite) { return c > -1 && c < limite; }
bool Liberado(NReal c, NReal limite) { return c > -1 && c > limite; }

}  // namespace

void PeriodosRestriccion(const std::filesystem::path& archivoSeries, TDateTime& fechaDesde,
                         TDateTime& fechaHasta, NReal pAut, TDAofRecsFechas& periodos) {
  const TSeriesDeDatos sd = TSeriesDeDatos::Cargar(archivoSeries);
  if (sd.NSeries < kPosicionCGM || static_cast<int32_t>(sd.series.size()) < kPosicionCGM)
    throw EErrorGeneral("El archivo de series " + archivoSeries.string() + " tiene " +
                        IntToStr(sd.NSeries) + " series; la señal CGM es la serie " +
                        IntToStr(kPosicionCGM));
  const TVectR& cgm = sd.series[kPosicionCGM - 1];
  const int32_t n = std::min(sd.NPuntos, cgm.n);

  fechaDesde = std::max(fechaDesde, sd.inicio);
  fechaHasta = std::min(fechaHasta, sd.FechaDeMuestra(n));
  periodos.clear();
  // A range outside the series narrows to an empty one; the sample indices of its ends would
  // otherwise fall on a sample that lies outside it.
  if (n < 1 || !(fechaDesde <= fechaHasta)) return;

  int32_t k = IndiceDeMuestra(fechaDesde, sd.inicio, sd.pasoDias);
  const int32_t kFin = std::min(IndiceDeMuestra(fechaHasta, sd.inicio, sd.pasoDias), n);
  const NReal limite = pAut - 0.5;
  while (true) {
    int32_t j = k;
    while (j <= kFin && !Restringido(cgm[j], limite)) ++j;
    if (j > kFin) break;
    int32_t e = j + 1;
    while (e <= n && !Liberado(cgm[e], limite)) ++e;
    periodos.push_back({sd.FechaDeMuestra(j), sd.FechaDeMuestra(e)});
    if (e >= kFin) break;
    k = e + 1;
  }
}

void AgregarEnergia(TDAofRecsEnergiaPorFecha& lista, TDateTime fecha, NReal energia) {
  lista.push_back({fecha, energia});
}

void SumarEnergiaUltimo(TDAofRecsEnergiaPorFecha& lista, NReal energia) {
  if (lista.empty()) throw EErrorGeneral("SumarEnergiaUltimo: la lista de energías está vacía");
  lista.back().energia += energia;
}

TDateTime HoraDe(TDateTime t) {
  // Day and whole hours come from the millisecond count; the result is built as the day plus
  // hours / 24, the same double as the plain truncating formula gives on exact instants.
  const int64_t ms = Milisegundos(t);
  const int64_t dia = DivisionPiso(ms, kMsPorDiaEntero);
  const int64_t hora = (ms - dia * kMsPorDiaEntero) / kMsPorHora;
  return static_cast<double>(dia) + static_cast<double>(hora) / 24.0;
}

void EnergiaPorHora(TDAofRecsEnergiaPorFecha& porHora, const TDAofRecsEnergiaPorFecha& energias) {
  TDAofRecsEnergiaPorFecha nueva;
  if (!energias.empty()) {
    TDateTime h = HoraDe(energias[0].fecha - kDiezMinutos);
    AgregarEnergia(nueva, h, energias[0].energia);
    for (size_t i = 1; i < energias.size(); ++i) {
      const TRecEnergiaPorFecha& e = energias[i];
      if (h + kCincoMinutos < e.fecha && e.fecha < h + kUnaHora + kCincoMinutos) {
        SumarEnergiaUltimo(nueva, e.energia);
      } else {
        h = HoraDe(e.fecha - kDiezMinutos);
        AgregarEnergia(nueva, h, e.energia);
      }
    }
  }
  porHora = std::move(nueva);
}

void EscribirEnergiaNoSuministrada(const std::filesystem::path& archivo,
                                   const TDAofRecsEnergiaPorFecha& porHora, NReal factorSmecScada) {
  TextoSalida f(archivo);
  f.EscribirLinea(
      "Fecha\t Energía no suministrada SCADA [MWh]\t Factor SMEC/SCADA [p.u] \t Energía no "
      "suministrada SMEC [MWh]");
  NReal total = 0;
  for (const TRecEnergiaPorFecha& r : porHora) {
    f.EscribirLinea(RealATexto(r.fecha) + "\t" + RealATexto(r.energia) + "\t" +
                    RealATexto(factorSmecScada) + "\t" + RealATexto(factorSmecScada * r.energia));
    total += r.energia;
  }
  f.EscribirLinea("E[MWh] totales\t" + RealATexto(total) + "\t\t" +
                  RealATexto(factorSmecScada * total));
  f.Cerrar();
}

void EscribirRestriccionesHorarias(const std::filesystem::path& archivo,
                                   const TDAofRecsEnergiaPorFecha& porHora, NReal factorSmecScada,
                                   TDateTime fechaDesde, TDateTime fechaHasta) {
  // Days and hours are counted from the midnight of fechaDesde's day: when fechaDesde is not a
  // whole hour (a series starting at 00:10) the hours of the records would otherwise fall
  // between columns. Records outside the range (a period running past fechaHasta, the sample
  // at the very start booked to the hour before) get the days they need instead of being
  // written outside the table.
  const int64_t diaDesde = DiaDe(fechaDesde);
  const double medianoche = static_cast<double>(diaDesde);
  // Whole hours of each record since that midnight, and the days they span.
  std::vector<int64_t> horas(porHora.size());
  int64_t primerDia = 0;
  int64_t ultimoDia = std::max<int64_t>(0, DiaDe(fechaHasta) - diaDesde);
  for (size_t i = 0; i < porHora.size(); ++i) {
    horas[i] = Round((porHora[i].fecha - medianoche) * 24.0);
    const int64_t d = DivisionPiso(horas[i], 24);
    primerDia = std::min(primerDia, d);
    ultimoDia = std::max(ultimoDia, d);
  }
  const auto nDias = static_cast<int32_t>(ultimoDia - primerDia + 1);
  TMatR m(nDias, 24);
  for (size_t i = 0; i < porHora.size(); ++i) {
    const int64_t h = horas[i] - 24 * primerDia;
    m.PonerElemento(static_cast<int32_t>(h / 24 + 1), static_cast<int32_t>(h % 24 + 1),
                    factorSmecScada * porHora[i].energia);
  }
  const double base = medianoche + static_cast<double>(primerDia);

  TextoSalida f(archivo);
  std::string linea = "Fecha\tTotal";
  for (int32_t h = 1; h <= 24; ++h) {
    linea += '\t';
    linea += IntToStr(h);
  }
  f.EscribirLinea(linea);
  for (int32_t d = 1; d <= nDias; ++d) {
    linea = FormatDateTime("dd-mm-yyyy", base + (d - 1));
    linea += '\t';
    linea += RealATexto(m.Fila(d).SumaRango(1, 24));
    for (int32_t h = 1; h <= 24; ++h) {
      linea += '\t';
      linea += RealATexto(m.Elemento(d, h));
      std::cout << IntToStr(d) << " - " << IntToStr(h) << " = " << FloatToStr(m.Elemento(d, h))
                << '\n';
    }
    f.EscribirLinea(linea);
  }
  std::cout.flush();
  f.Cerrar();
}

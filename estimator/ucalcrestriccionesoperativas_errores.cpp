// Model error matrices: accumulation by sector, speed band, day and night, and the error table.
#include <cmath>
#include <string>
#include <string_view>

#include "estimator/ucalcrestriccionesoperativas.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"

namespace {

constexpr double kMsPorDia = 86400000.0;
constexpr int64_t kMsPorHora = 3600000;

// A quotient's integer part for a cell index, or false when it cannot be one (not a number, or
// so large that it is no index at all; the grid has at most 2^31 cells on a side).
bool ParteEntera(double q, int64_t& r) {
  if (!(std::isfinite(q) && std::fabs(q) < 4.0e9)) return false;
  r = Trunc(q);
  return true;
}

// The time of day of a date-time, in whole milliseconds (the run-time's convention for dates
// before 1899-12-30: the time is the absolute value of the fraction).
int64_t MilisegundosDelDia(TDateTime fecha) {
  const double frac = std::fabs(fecha - std::trunc(fecha));
  return Round(frac * kMsPorDia);
}

NReal FiniteOSinDatos(NReal x) { return std::isfinite(x) ? x : kSinDatosErrores; }

// Mean and standard deviation of e / pAut for every cell of one kind (day, night or total);
// desv gets the sum of e^2 over the cells with data.
void CompletarCeldas(const TMatR& cnt, const TMatR& suma, TMatR& media, TMatR& cuad, NReal pAut,
                     int32_t i, int32_t j, NReal& desv) {
  const NReal n = cnt.Elemento(i, j);
  if (n < 0.999) {
    media.PonerElemento(i, j, kSinDatosErrores);
    cuad.PonerElemento(i, j, kSinDatosErrores);
    return;
  }
  const NReal s = suma.Elemento(i, j);
  const NReal q = cuad.Elemento(i, j);
  const NReal m = s / n / pAut;
  media.PonerElemento(i, j, m);
  desv += q;
  // The variance goes through single precision before it is clamped: the difference of two
  // nearly equal numbers is noise below that, and a cell of equal errors must read 0.
  const float varianza = static_cast<float>(q / n / (pAut * pAut) - m * m);
  cuad.PonerElemento(i, j, std::sqrt(static_cast<NReal>(varianza > 0.0f ? varianza : 0.0f)));
}

// Sum over the cells of media * cnt, row by row, divided by the total count.
NReal MediaPonderada(const TMatR& media, const TMatR& cnt, NReal nTotal) {
  NReal s = 0;
  for (int32_t i = 1; i <= media.nf; ++i)
    for (int32_t j = 1; j <= media.nc; ++j) s += media.Elemento(i, j) * cnt.Elemento(i, j);
  return s / nTotal;
}

NReal Desviacion(NReal sumaCuadrados, NReal pAut, NReal n, NReal media) {
  const NReal var = sumaCuadrados / (pAut * pAut) / n - media * media;
  if (!std::isfinite(var)) return kSinDatosErrores;
  return std::sqrt(var > 0 ? var : 0.0);
}

void Bloque(TextoSalida& f, std::string_view titulo, NReal valor, const TMatR& m) {
  f.EscribirLinea(std::string(titulo) + "\t" + RealATexto(valor));
  m.EscribirTabla(f);
  f.EscribirLinea();
}

}  // namespace

TMatricesConErroresModelos::TMatricesConErroresModelos(int32_t nSectores_, NReal velMax_,
                                                       NReal dirMax_, int32_t nBandas_,
                                                       int32_t horaInicioDia_, int32_t horaFinDia_,
                                                       NReal pAut_)
    : nSectores(nSectores_),
      nBandas(nBandas_),
      velMax(velMax_),
      dirMax(dirMax_),
      horaInicioDia(horaInicioDia_),
      horaFinDia(horaFinDia_),
      pAut(pAut_) {
  if (nSectores < 1 || nBandas < 1)
    throw EErrorGeneral("TMatricesConErroresModelos: sectores y tramos deben ser al menos 1: " +
                        IntToStr(nSectores) + " x " + IntToStr(nBandas));
  if (!(std::isfinite(velMax) && velMax > 0 && std::isfinite(dirMax) && dirMax > 0))
    throw EErrorGeneral("TMatricesConErroresModelos: velMax y dirMax deben ser positivos: " +
                        FloatToStr(velMax) + ", " + FloatToStr(dirMax));
  if (!(std::isfinite(pAut) && pAut > 0))
    throw EErrorGeneral("TMatricesConErroresModelos: la potencia autorizada debe ser positiva: " +
                        FloatToStr(pAut));
  if (horaInicioDia < 0 || horaFinDia > 24 || horaInicioDia > horaFinDia)
    throw EErrorGeneral("TMatricesConErroresModelos: horas del día fuera de 0 a 24: " +
                        IntToStr(horaInicioDia) + " a " + IntToStr(horaFinDia));
  anchoBanda = velMax / nBandas;
  anchoSector = dirMax / nSectores;
  for (TMatR* m : {&sumaTotal, &sumaDia, &sumaNoche, &mediaTotal, &mediaDia, &mediaNoche,
                   &cuadTotal, &cuadDia, &cuadNoche, &cntDia, &cntNoche, &cntTotal})
    *m = TMatR(nSectores, nBandas);
}

void TMatricesConErroresModelos::Acumular(NReal pModelo, NReal pReal, NReal vel, NReal dir,
                                          TDateTime fecha) {
  int64_t ts = 0;
  int64_t tb = 0;
  const NReal velTope = velMax - 0.001;
  // The cap below would put a speed that is not a number in the last band.
  if (std::isnan(vel) || !ParteEntera(dir / anchoSector, ts) ||
      !ParteEntera((vel < velTope ? vel : velTope) / anchoBanda, tb) || !std::isfinite(fecha))
    return;
  // The remainder takes the sign of the dividend, as the run-time's mod: directions in
  // (-anchoSector, 0) fall in sector 1, lower ones outside the grid.
  const int64_t s = ts % nSectores + 1;
  const int64_t b = tb + 1;
  if (s < 1 || b < 1 || b > nBandas) return;
  const auto is = static_cast<int32_t>(s);
  const auto ib = static_cast<int32_t>(b);

  sumaReal += pReal;
  sumaAbs += std::fabs(pModelo - pReal);
  const NReal e = pModelo - pReal;
  cntTotal.AcumularElemento(is, ib, 1);
  sumaTotal.AcumularElemento(is, ib, e);
  cuadTotal.AcumularElemento(is, ib, e * e);
  const int64_t ms = MilisegundosDelDia(fecha);
  if (horaInicioDia * kMsPorHora <= ms && ms < horaFinDia * kMsPorHora) {
    cntDia.AcumularElemento(is, ib, 1);
    sumaDia.AcumularElemento(is, ib, e);
    cuadDia.AcumularElemento(is, ib, e * e);
  } else {
    cntNoche.AcumularElemento(is, ib, 1);
    sumaNoche.AcumularElemento(is, ib, e);
    cuadNoche.AcumularElemento(is, ib, e * e);
  }
}

void TMatricesConErroresModelos::Escribir(const std::filesystem::path& archivo) {
  desvTotal = 0;
  desvDia = 0;
  desvNoche = 0;
  for (int32_t i = 1; i <= nSectores; ++i)
    for (int32_t j = 1; j <= nBandas; ++j) {
      CompletarCeldas(cntDia, sumaDia, mediaDia, cuadDia, pAut, i, j, desvDia);
      CompletarCeldas(cntNoche, sumaNoche, mediaNoche, cuadNoche, pAut, i, j, desvNoche);
      CompletarCeldas(cntTotal, sumaTotal, mediaTotal, cuadTotal, pAut, i, j, desvTotal);
    }

  const NReal sexto = 1.0 / 6.0;
  sumaDia.MultiplicarPorEscalar(sexto);
  sumaNoche.MultiplicarPorEscalar(sexto);
  sumaTotal.MultiplicarPorEscalar(sexto);
  acumTotal = sumaTotal.SumaElementos();
  acumDia = sumaDia.SumaElementos();
  acumNoche = sumaNoche.SumaElementos();

  const NReal nt = cntTotal.SumaElementos();
  const NReal nd = cntDia.SumaElementos();
  const NReal nn = cntNoche.SumaElementos();
  // With no sample of a kind the quotients are 0/0; they are written as no data.
  mediaGlobalTotal = FiniteOSinDatos(MediaPonderada(mediaTotal, cntTotal, nt));
  mediaGlobalDia = FiniteOSinDatos(MediaPonderada(mediaDia, cntDia, nd));
  mediaGlobalNoche = FiniteOSinDatos(MediaPonderada(mediaNoche, cntNoche, nn));

  sumaReal = sumaReal / nt;
  const NReal emc = FiniteOSinDatos(std::sqrt(desvTotal / nt) / sumaReal);
  const NReal error = FiniteOSinDatos(-pAut * mediaGlobalTotal / sumaReal);
  const NReal errorAbs = FiniteOSinDatos((sumaAbs / nt) / sumaReal);

  desvTotal = nt > 0 ? Desviacion(desvTotal, pAut, nt, mediaGlobalTotal) : kSinDatosErrores;
  desvDia = nd > 0 ? Desviacion(desvDia, pAut, nd, mediaGlobalDia) : kSinDatosErrores;
  desvNoche = nn > 0 ? Desviacion(desvNoche, pAut, nn, mediaGlobalNoche) : kSinDatosErrores;

  TextoSalida f(archivo);
  f.EscribirLinea("EMC = raiz(VE[(Preal-Pmodelo)^2])/VE[Preal]\t" + RealATexto(emc));
  f.EscribirLinea();
  f.EscribirLinea("Error = VE[(Preal-Pmodelo)]/VE[Preal]\t" + RealATexto(error));
  f.EscribirLinea();
  f.EscribirLinea("Error Absoluto = VE[|(Preal-Pmodelo)|/|VE[Preal]]\t" + RealATexto(errorAbs));
  f.EscribirLinea();
  f.EscribirLinea("----");
  Bloque(f, "Errores Acumulados - Total [MWh]", acumTotal, sumaTotal);
  Bloque(f, "Errores Acumulados - Día [MWh]", acumDia, sumaDia);
  Bloque(f, "Errores Acumulados - Noche [MWh]", acumNoche, sumaNoche);
  Bloque(f, "Errores Medios Respecto a PAutorizada - Total [p.u]", mediaGlobalTotal, mediaTotal);
  Bloque(f, "Errores Medios Respecto a PAutorizada - Día [p.u]", mediaGlobalDia, mediaDia);
  Bloque(f, "Errores Medios Respecto a PAutorizada - Noche [p.u]", mediaGlobalNoche, mediaNoche);
  Bloque(f, "Desviación estándar del error respecto a la PAutorizada - Total [p.u]", desvTotal,
         cuadTotal);
  Bloque(f, "Desviación estándar del error respecto a la PAutorizada - Día [p.u]", desvDia,
         cuadDia);
  Bloque(f, "Desviación estándar del error respecto a la PAutorizada - Noche [p.u]", desvNoche,
         cuadNoche);
  Bloque(f, "Cantidad de datos por sector y tramo - Total [cant]", nt, cntTotal);
  Bloque(f, "Cantidad de datos por sector y tramo - Día [cant]", nd, cntDia);
  Bloque(f, "Cantidad de datos por sector y tramo - Noche [cant]", nn, cntNoche);
  f.Cerrar();
}

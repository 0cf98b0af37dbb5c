#include "services/uPrint.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "platform/errores.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"
#include "services/utextoxls.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// The samples of series i at step k: its last step when it has fewer; empty when it has none.
const TDAofNReal& Muestras(const TDAOfMatOfNReal& datos, size_t i, int32_t k) {
  static const TDAofNReal vacio;
  const TMatOfNReal& serie = datos[i];
  if (serie.empty()) return vacio;
  const size_t kk = std::min(static_cast<size_t>(std::max(k, 0)), serie.size() - 1);
  return serie[kk];
}

double Promedio(const TDAofNReal& x) {
  if (x.empty()) return NaN;
  double s = 0.0;
  for (double v : x) s += v;
  return s / static_cast<double>(x.size());
}

double Varianza(const TDAofNReal& x) {
  const size_t n = x.size();
  if (n <= 1) return 0.0;
  const double m = Promedio(x);
  double s = 0.0;
  for (double v : x) s += (v - m) * (v - m);
  return s / static_cast<double>(n - 1);
}

TDAofNReal Copia(const TDAofNReal& x, bool ordenar) {
  TDAofNReal c = x;
  if (ordenar) std::sort(c.begin(), c.end(), std::greater<double>());
  return c;
}

int64_t Acotar(int64_t j, size_t n) {
  return std::clamp<int64_t>(j, 0, static_cast<int64_t>(n) - 1);
}

void PorSerie(const TDAOfMatOfNReal& datos, int32_t k, TDAofNReal& res,
              const std::function<double(const TDAofNReal&)>& f) {
  res.assign(datos.size(), 0.0);
  for (size_t i = 0; i < datos.size(); ++i) res[i] = f(Muestras(datos, i, k));
}

// Number formats go to the application in its own notation, whose decimal separator is the
// point whatever the user's: a comma there would group thousands instead.
std::string FormatoDecimalesDelLibro(int32_t n) {
  std::string f = FormatoDecimales(n);
  if (f.size() > 1) f[1] = '.';  // "0" + separator + zeros
  return f;
}

std::string FormatoFechas(double pasoFecha) {
  return FormatSettings().ShortDateFormat + (pasoFecha < 1 ? " hh" : "");
}

}  // namespace

void PromedioPorSerie(const TDAOfMatOfNReal& datos, int32_t k, TDAofNReal& res) {
  PorSerie(datos, k, res, Promedio);
}

void VarianzaPorSerie(const TDAOfMatOfNReal& datos, int32_t k, TDAofNReal& res) {
  PorSerie(datos, k, res, Varianza);
}

void ProbExcedenciaPorSerie(const TDAOfMatOfNReal& datos, bool ordenar, int32_t k,
                            double probabilidad, TDAofNReal& res) {
  PorSerie(datos, k, res, [&](const TDAofNReal& x) {
    if (x.empty()) return NaN;
    const TDAofNReal c = Copia(x, ordenar);
    const int64_t j = Acotar(Round(static_cast<double>(c.size()) * probabilidad) - 1, c.size());
    return c[static_cast<size_t>(j)];
  });
}

void ValorEnRiesgoPorSerie(const TDAOfMatOfNReal& datos, bool ordenar, int32_t k,
                           double probabilidad, double probabilidad2, TDAofNReal& res) {
  PorSerie(datos, k, res, [&](const TDAofNReal& x) {
    if (x.empty()) return NaN;
    const TDAofNReal c = Copia(x, ordenar);
    const double n1 = static_cast<double>(c.size() - 1);
    // Clamped so that probabilities outside 0..1 never read outside the samples.
    const int64_t j1 = Acotar(Trunc(n1 * probabilidad), c.size());
    const int64_t j2 = Acotar(Trunc(n1 * probabilidad2), c.size());
    if (j1 > j2) return NaN;
    double s = 0.0;
    for (int64_t j = j1; j <= j2; ++j) s += c[static_cast<size_t>(j)];
    return s / static_cast<double>(j2 - j1 + 1);
  });
}

std::string TTipoValoresACompararToShortStringSingular(TTipoValoresAComparar tipo,
                                                       double probabilidad) {
  const auto porcentaje = [&] {
    std::string r(" ");
    r += FloatToStrF(100.0 * probabilidad, TFloatFormat::ffFixed, 6, 2);
    r += "%";
    return r;
  };
  switch (tipo) {
    case TTipoValoresAComparar::promedio:
      return rs_xls_promedio;
    case TTipoValoresAComparar::desviacionEstandar:
      return rs_xls_desviacion_estandar;
    case TTipoValoresAComparar::probabilidadDeExcedencia:
      return std::string(rs_xls_probabilidad_de_excedencia) + porcentaje();
    case TTipoValoresAComparar::valorEnRiesgo:
      return std::string(rs_xls_valor_en_riesgo) + porcentaje();
  }
  throw EErrorGeneral(
      "uPrintCronVars.TTipoValoresACompararToShortStringSingular: tipo de grafico desconocido " +
      IntToStr(static_cast<int>(tipo)));
}

int32_t TTipoGraficoToXLConst(TTipoGrafico tipo, bool conLineas) {
  switch (tipo) {
    case TTipoGrafico::areaApilada:
      return 76;
    case TTipoGrafico::dispersion:
      return conLineas ? 74 : 65;
    case TTipoGrafico::linea:
      return 4;
  }
  throw EErrorGeneral("uPrint.TTipoGraficoToXLConst: TTipoGrafico desconocido " +
                      IntToStr(static_cast<int>(tipo)));
}

int32_t TTipoEjeToXLConst(TTipoEje tipo) {
  switch (tipo) {
    case TTipoEje::Primario:
      return 1;
    case TTipoEje::Secundario:
      return 2;
  }
  throw EErrorGeneral("uPrint.TTipoEjeToXLConst: tipo de eje desconocido " +
                      IntToStr(static_cast<int>(tipo)));
}

void EscribirValoresAComparar(T_ExcelFile& xls, TTipoValoresAComparar tipoValor, bool ordenar,
                              double probabilidad, double probabilidad2, const TDAofString& nombres,
                              const TDAOfMatOfNReal& datos, const std::string& nombreHoja,
                              const std::string& titulo, const std::string& tituloEje,
                              double fechaOrigen, double pasoFecha, int32_t decimales,
                              bool conGrafico, const TDAOfTTipoGrafico& tiposGrafico,
                              const TDAOfTTipoEje& ejes, const TDAOfTColor& colores,
                              bool minimoYAuto, bool maximoYAuto, double minimoY, double maximoY) {
  const size_t S = datos.size();
  // Short arrays would be read past their end: refused before anything is written.
  if (S == 0) throw EErrorGeneral("uPrint.EscribirValoresAComparar: no hay series");
  if (nombres.size() < S)
    throw EErrorGeneral("uPrint.EscribirValoresAComparar: faltan nombres de series");
  if (conGrafico && (tiposGrafico.size() < S || ejes.size() < S || colores.size() < S))
    throw EErrorGeneral(
        "uPrint.EscribirValoresAComparar: faltan tipos de gráfico, ejes o colores de series");
  const auto N = static_cast<int32_t>(datos[0].size());
  const auto nS = static_cast<int32_t>(S);

  const std::string hoja = LimpiarNombreHoja(nombreHoja);
  xls.AgregarHoja(hoja);
  xls.ActivarHoja(hoja, 1, 1);
  xls.EscribirLinea(titulo + " " + tituloEje);

  // The label before anything is buffered: an unknown statistic leaves no half header behind.
  const std::string etiqueta = TTipoValoresACompararToShortStringSingular(tipoValor, probabilidad);
  xls.AgregarAFila(TVariante("paso"));
  const int32_t filaCab = xls.fila;
  const int32_t colFecha = xls.ColumnaSiguiente();
  const int32_t colUltima = colFecha + nS;
  xls.AgregarAFila(TVariante("fecha"));
  for (size_t i = 0; i < S; ++i) xls.AgregarAFila(TVariante(nombres[i] + "_" + etiqueta));
  xls.TerminarFila();

  TDAofNReal res;
  for (int32_t k = 0; k < N; ++k) {
    switch (tipoValor) {
      case TTipoValoresAComparar::promedio:
        PromedioPorSerie(datos, k, res);
        break;
      case TTipoValoresAComparar::desviacionEstandar:
        VarianzaPorSerie(datos, k, res);
        break;
      case TTipoValoresAComparar::probabilidadDeExcedencia:
        ProbExcedenciaPorSerie(datos, ordenar, k, probabilidad, res);
        break;
      case TTipoValoresAComparar::valorEnRiesgo:
        ValorEnRiesgoPorSerie(datos, ordenar, k, probabilidad, probabilidad2, res);
        break;
    }
    xls.AgregarAFila(TVariante(k + 1));
    xls.AgregarAFila(TVariante::FechaHora(fechaOrigen + k * pasoFecha));
    for (double r : res) xls.AgregarAFila(TVariante(r));
    xls.TerminarFila();
  }

  xls.SeleccionarRango(filaCab + 1, colFecha + 1, filaCab + N, colUltima);
  xls.cambiarForamto(xls.VersionExcel() == 14 ? FormatoDecimalesDelLibro(decimales) : "General");
  xls.SeleccionarRango(filaCab + 1, colFecha, filaCab + N, colFecha);
  xls.cambiarForamto(FormatoFechas(pasoFecha));

  if (conGrafico)
    AgregarGraficoXLS(xls, hoja, titulo, tituloEje, colFecha, colUltima, filaCab, filaCab + N,
                      minimoYAuto, maximoYAuto, minimoY, maximoY, fechaOrigen,
                      fechaOrigen + (N - 1) * pasoFecha, tiposGrafico, ejes, colores, pasoFecha);
}

void AgregarGraficoXLS(T_ExcelFile& xls, const std::string& nombreHoja, const std::string& titulo,
                       const std::string& tituloEje, int32_t colFecha, int32_t colUltima,
                       int32_t filaCab, int32_t filaUltima, bool minimoYAuto, bool maximoYAuto,
                       double minimoY, double maximoY, double fechaInicial, double fechaFinal,
                       const TDAOfTTipoGrafico& tiposGrafico, const TDAOfTTipoEje& ejes,
                       const TDAOfTColor& colores, double pasoFecha) {
  const int32_t S = colUltima - colFecha;
  if (S < 0 || static_cast<size_t>(S) > tiposGrafico.size() ||
      static_cast<size_t>(S) > ejes.size() || static_cast<size_t>(S) > colores.size())
    throw EErrorGeneral(
        "uPrint.AgregarGraficoXLS: faltan tipos de gráfico, ejes o colores de series");

  // The kind most series have; on a tie the lower kind, with no series dispersion.
  int32_t cuenta[3] = {0, 0, 0};
  for (int32_t i = 0; i < S; ++i) {
    const auto t = static_cast<size_t>(tiposGrafico[static_cast<size_t>(i)]);
    if (t < 3) ++cuenta[t];
  }
  TTipoGrafico dominante = TTipoGrafico::dispersion;
  if (S > 0) {
    int32_t mejor = 0;
    for (int32_t t = 1; t < 3; ++t)
      if (cuenta[t] > cuenta[mejor]) mejor = t;
    if (cuenta[mejor] > 0) dominante = static_cast<TTipoGrafico>(mejor);
  }
  const int32_t tipoXL = TTipoGraficoToXLConst(dominante, true);
  const bool conLineas = dominante == TTipoGrafico::dispersion;

  const std::string hoja = LimpiarNombreHoja(nombreHoja);
  const std::string grafico =
      xls.CrearGrafico(hoja, colFecha, colUltima, filaCab, filaUltima, tipoXL);
  xls.ConfigurarGrafico(grafico, tipoXL, titulo, tituloEje, minimoYAuto, maximoYAuto, minimoY,
                        maximoY, fechaInicial, fechaFinal);
  for (int32_t i = 1; i <= S; ++i) {
    const auto k = static_cast<size_t>(i - 1);
    xls.FormatearSerie(grafico, i, TTipoGraficoToXLConst(tiposGrafico[k], conLineas),
                       TTipoEjeToXLConst(ejes[k]), colores[k]);
  }

  TGraficoLibro& g = xls.Libro().Grafico(grafico);
  g.Seleccionar();
  TEjeLibro& eje = g.Eje(1);
  eje.formatoNumero = FormatoFechas(pasoFecha);
  eje.orientacion = xls.VersionExcel() < 12 ? 73 : -89;
  eje.marcaMayor = 3;
  eje.marcaMenor = 2;
  eje.posicionEtiquetas = -4134;
  eje.lineasMayores = true;
  eje.lineasMenores = true;
  eje.bordeLineasMayores.indiceColor = 15;
  eje.bordeLineasMayores.estilo = 4;
  eje.bordeLineasMenores.indiceColor = 15;
  eje.bordeLineasMenores.grosor = 1;
  eje.bordeLineasMenores.estilo = -4118;

  const bool areas = dominante == TTipoGrafico::areaApilada;
  if (areas && pasoFecha < 1) {
    xls.SeleccionarRango(filaCab + 1, colFecha, filaUltima, colFecha);
    xls.cambiarForamto(FormatoDecimalesDelLibro(8));
  }

  if (std::fabs(pasoFecha - 1.0 / 24.0) < 1e-5) {
    if (areas) {
      eje.espaciadoEtiquetas = 24;
      eje.espaciadoMarcas = 12;
    } else {
      eje.unidadMayor = 1;
      eje.unidadMenor = 0.25;
    }
  } else if (pasoFecha == 1.0) {
    eje.lineasMenores = false;
    if (areas) {
      eje.espaciadoEtiquetas = 7;
      eje.espaciadoMarcas = 1;
      eje.unidadMayor = 3;
      eje.escalaUnidadMayor = 1;
      eje.unidadMenor = 1;
      eje.escalaUnidadMenor = 1;
    } else {
      eje.unidadMayor = 7;
      eje.unidadMenor = 1;
    }
  } else if (pasoFecha >= 7.0) {
    if (areas) {
      eje.espaciadoEtiquetas = 4;
      eje.espaciadoMarcas = 1;
    } else {
      eje.unidadMayor = 365.2425;
      eje.unidadMenor = 121.7475;
    }
  }

  g.bordeArea.estilo = -4115;
  g.bordeTrazado.estilo = -4118;
}

// Restriction periods found in a CGM channel, the hourly gathering of energy records and the two
// energy tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "comun/carpeta_prueba.h"
#include "comun/lineas_crlf.h"
#include "estimator/ucalcrestriccionesoperativas.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/fechas.h"
#include "platform/rtltexto.h"
#include "services/useriestemporales.h"

namespace fs = std::filesystem;

namespace {

constexpr double kPaso = 10.0 / 1440.0;
const TDateTime kInicio = 42675.0;  // 2016-11-01 00:00
constexpr NReal kPAut = 50;         // the limit is 49.5
constexpr NReal kFalta = -1;        // a missing value

fs::path Carpeta(const std::string& nombre) { return CarpetaDePrueba("ro_" + nombre); }

// A nine-channel ten-minute series file from 2016-11-01 00:00 whose seventh channel is cgm;
// nSeries below 9 keeps only the first channels.
fs::path ArchivoSeries(const fs::path& carpeta, const std::vector<NReal>& cgm,
                       int32_t nSeries = 9) {
  TSeriesDeDatos sd;
  sd.NSeries = nSeries;
  sd.anio = 2016;
  sd.mes = 11;
  sd.dia = 1;
  sd.periodoHoras = 1.0 / 6.0;
  sd.NPuntos = static_cast<int32_t>(cgm.size());
  for (int32_t s = 1; s <= nSeries; ++s) {
    sd.nombres.push_back(std::string(1, static_cast<char>('0' + s)));
    sd.tipos.push_back(ENTRADA);
    TVectR v(sd.NPuntos);
    for (int32_t k = 1; k <= sd.NPuntos; ++k)
      v[k] = s == 7 ? cgm[static_cast<size_t>(k - 1)] : 10.0 * s + k;
    sd.series.push_back(v);
  }
  sd.CalcularInicio();
  const fs::path p = carpeta / "serie.sas";
  sd.Grabar(p);
  return p;
}

TDateTime Muestra(int32_t k) { return kInicio + (k - 1) * kPaso; }

struct Periodo {
  int32_t j, e;  // sample of the start and of the end (samples + 1: one step after the last)
};

struct CasoPeriodos {
  const char* nombre;
  std::vector<NReal> cgm;
  int32_t desde, hasta;  // sample indices of the range; 0 / 0: the whole series and beyond
  std::vector<Periodo> esperado;
};

TEST(PeriodosRestriccion, CasosDeUnaSerieHecha) {
  const std::vector<CasoPeriodos> casos = {
      {"nunca bajo el límite", {60, 55, 50, 49.6, 60, 60}, 0, 0, {}},
      {"bajo el límite de la primera a la última", {10, 10, 10, 10}, 0, 0, {{1, 5}}},
      {"desde la primera muestra", {10, 20, 60, 60, 60}, 0, 0, {{1, 3}}},
      {"hasta la última muestra", {60, 60, 60, 10, 10}, 0, 0, {{4, 6}}},
      {"faltantes dentro no la terminan", {60, 10, kFalta, -5, 10, 60, 60}, 0, 0, {{2, 6}}},
      {"un faltante nunca la empieza", {60, kFalta, -1.5, 60, 60}, 0, 0, {}},
      {"el valor exacto del límite ni empieza ni termina",
       {60, 49.5, 10, 49.5, 60},
       0,
       0,
       {{3, 5}}},
      {"-1 es faltante, -0.99 una potencia", {60, -0.99, 60, 60}, 0, 0, {{2, 3}}},
      {"dos periodos", {10, 60, 60, 10, 10, 60, 60}, 0, 0, {{1, 2}, {4, 6}}},
      {"el inicio se busca desde fechaDesde", {10, 10, 10, 10, 60, 60}, 3, 6, {{3, 5}}},
      {"el fin tras fechaHasta se devuelve entero",
       {60, 60, 10, 10, 10, 10, 60, 60},
       1,
       4,
       {{3, 7}}},
      {"nada empieza tras fechaHasta", {60, 10, 60, 60, 10, 60}, 1, 4, {{2, 3}}},
      {"un periodo que empieza en fechaHasta", {60, 60, 60, 10, 60}, 1, 4, {{4, 5}}},
  };
  const fs::path carpeta = Carpeta("casos");
  for (const CasoPeriodos& c : casos) {
    SCOPED_TRACE(c.nombre);
    const fs::path archivo = ArchivoSeries(carpeta, c.cgm);
    const auto n = static_cast<int32_t>(c.cgm.size());
    TDateTime desde = c.desde == 0 ? kInicio - 3 : Muestra(c.desde);
    TDateTime hasta = c.hasta == 0 ? kInicio + 30 : Muestra(c.hasta);
    TDAofRecsFechas periodos = {{1, 2}};  // replaced, not appended to
    PeriodosRestriccion(archivo, desde, hasta, kPAut, periodos);
    EXPECT_NEAR(desde, Muestra(c.desde == 0 ? 1 : c.desde), 1e-9);
    EXPECT_NEAR(hasta, Muestra(c.hasta == 0 ? n : c.hasta), 1e-9);
    ASSERT_EQ(periodos.size(), c.esperado.size());
    for (size_t i = 0; i < periodos.size(); ++i) {
      EXPECT_NEAR(periodos[i].fechaInicio, Muestra(c.esperado[i].j), 1e-9) << i;
      EXPECT_NEAR(periodos[i].fechaFin, Muestra(c.esperado[i].e), 1e-9) << i;
    }
  }
}

// A range that lies wholly before or after the series narrows to nothing; the sample index of
// its end would be that of sample 1 or N and find a period outside the range.
TEST(PeriodosRestriccion, RangoFueraDeLaSerieNoTienePeriodos) {
  const fs::path archivo = ArchivoSeries(Carpeta("fuera"), {10, 10, 60});
  for (const auto& [d, h] :
       {std::pair{kInicio - 1.0, kInicio - 0.5 * kPaso}, std::pair{kInicio + 1.0, kInicio + 2.0}}) {
    TDateTime desde = d, hasta = h;
    TDAofRecsFechas periodos;
    PeriodosRestriccion(archivo, desde, hasta, kPAut, periodos);
    EXPECT_TRUE(periodos.empty()) << d;
  }
}

TEST(PeriodosRestriccion, ErroresDelArchivo) {
  const fs::path carpeta = Carpeta("errores");
  TDateTime desde = kInicio, hasta = kInicio + 1;
  TDAofRecsFechas periodos;
  EXPECT_THROW_MSG(PeriodosRestriccion(carpeta / "no.sas", desde, hasta, kPAut, periodos),
                   EInOutError, "No puedo abrir el archivo: " + (carpeta / "no.sas").string());
  const fs::path seis = ArchivoSeries(carpeta, {10, 10}, 6);
  EXPECT_THROW_MSG(
      PeriodosRestriccion(seis, desde, hasta, kPAut, periodos), EErrorGeneral,
      "El archivo de series " + seis.string() + " tiene 6 series; la señal CGM es la serie 7");
}

// ---------------------------------------------------------------------------------------------
// Hourly gathering

TDateTime Hora(int dia, int h, int min) { return kInicio + (dia - 1) + EncodeTime(h, min, 0, 0); }

TEST(EnergiaPorHora, MuestrasDeHh10AHh00FormanLaHoraHh) {
  // Stamps computed as a start plus k ten-minute steps, as the series processing makes them:
  // 13:10 .. 14:00 are samples 80 .. 85 of the day, 14:10 is 86.
  TDAofRecsEnergiaPorFecha diez;
  const double e[] = {0.5, 0.25, 0.125, 1, 2, 4, 8};
  for (int i = 0; i < 7; ++i) AgregarEnergia(diez, Muestra(80 + i), e[i]);
  TDAofRecsEnergiaPorFecha porHora = {{7, 7}};
  EnergiaPorHora(porHora, diez);
  ASSERT_EQ(porHora.size(), 2u);
  EXPECT_EQ(porHora[0].fecha, kInicio + 13.0 / 24.0);
  EXPECT_EQ(porHora[0].energia, 0.5 + 0.25 + 0.125 + 1 + 2 + 4);
  EXPECT_EQ(porHora[1].fecha, kInicio + 14.0 / 24.0);
  EXPECT_EQ(porHora[1].energia, 8);
}

TEST(EnergiaPorHora, CasosDeAgrupacion) {
  struct Caso {
    const char* nombre;
    TDAofRecsEnergiaPorFecha diez;
    TDAofRecsEnergiaPorFecha esperado;
  };
  const TDateTime t1310 = Hora(1, 13, 10);
  const std::vector<Caso> casos = {
      {"lista vacía", {}, {}},
      {"dos periodos en la misma hora se juntan",
       {{Hora(1, 13, 20), 1}, {Hora(1, 13, 30), 2}, {Hora(1, 13, 50), 4}},
       {{Hora(1, 13, 0), 7}}},
      {"una hora sin registros entre dos",
       {{Hora(1, 13, 10), 1}, {Hora(1, 15, 10), 2}, {Hora(1, 16, 0), 4}},
       {{Hora(1, 13, 0), 1}, {Hora(1, 15, 0), 6}}},
      {"la medianoche cierra la hora 23 del día anterior",
       {{Hora(1, 23, 50), 1}, {Hora(2, 0, 0), 2}, {Hora(2, 0, 10), 4}},
       {{Hora(1, 23, 0), 3}, {Hora(2, 0, 0), 4}}},
      // One rounding below 13:10 is 13:10: the hour is found on the millisecond.
      {"un redondeo bajo las 13:10", {{std::nextafter(t1310, 0.0), 1}}, {{Hora(1, 13, 0), 1}}},
      {"un segundo bajo las 13:10", {{t1310 - 1.0 / 86400, 1}}, {{Hora(1, 12, 0), 1}}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    TDAofRecsEnergiaPorFecha porHora;
    EnergiaPorHora(porHora, c.diez);
    ASSERT_EQ(porHora.size(), c.esperado.size());
    for (size_t i = 0; i < porHora.size(); ++i) {
      EXPECT_NEAR(porHora[i].fecha, c.esperado[i].fecha, 1e-9) << i;
      EXPECT_EQ(porHora[i].energia, c.esperado[i].energia) << i;
    }
  }
}

TEST(EnergiaPorHora, SumarAlUltimoDeUnaListaVacia) {
  TDAofRecsEnergiaPorFecha lista;
  EXPECT_THROW_MSG(SumarEnergiaUltimo(lista, 1), EErrorGeneral,
                   "SumarEnergiaUltimo: la lista de energías está vacía");
  AgregarEnergia(lista, 3, 0.5);
  SumarEnergiaUltimo(lista, 0.25);
  ASSERT_EQ(lista.size(), 1u);
  EXPECT_EQ(lista[0].energia, 0.75);
}

// ---------------------------------------------------------------------------------------------
// Energy tables. The decimal comma of the user's settings must reach neither file.

class TablasDeEnergia : public ::testing::Test {
 protected:
  void SetUp() override {
    guardado_ = FormatSettings();
    FormatSettings().DecimalSeparator = ',';
    FormatSettings().ThousandSeparator = '.';
    FormatSettings().DateSeparator = '/';
    carpeta_ = Carpeta("tablas");
  }
  void TearDown() override { FormatSettings() = guardado_; }
  TFormatSettings guardado_;
  fs::path carpeta_;
};

const std::string kCabeceraDTE =
    "Fecha\t Energía no suministrada SCADA [MWh]\t Factor SMEC/SCADA [p.u] \t Energía no "
    "suministrada SMEC [MWh]\r\n";

TEST_F(TablasDeEnergia, EnergiaNoSuministradaPorHora) {
  const fs::path p = carpeta_ / "c123_RO_DTE_3m.xlt";
  EscribirEnergiaNoSuministrada(p, {{42675.5, 0.5}, {42675.75, 0.25}}, 1.25);
  EXPECT_EQ(LeerArchivoCompleto(p),
            kCabeceraDTE +
                " 4.2675500000000000E+004\t 5.0000000000000000E-001\t 1.2500000000000000E+000\t "
                "6.2500000000000000E-001\r\n"
                " 4.2675750000000000E+004\t 2.5000000000000000E-001\t 1.2500000000000000E+000\t "
                "3.1250000000000000E-001\r\n"
                "E[MWh] totales\t 7.5000000000000000E-001\t\t 9.3750000000000000E-001\r\n");
}

TEST_F(TablasDeEnergia, EnergiaNoSuministradaSinRegistros) {
  const fs::path p = carpeta_ / "vacia.xlt";
  EscribirEnergiaNoSuministrada(p, {}, 0.98);
  EXPECT_EQ(
      LeerArchivoCompleto(p),
      kCabeceraDTE + "E[MWh] totales\t 0.0000000000000000E+000\t\t 0.0000000000000000E+000\r\n");
}

TEST_F(TablasDeEnergia, ArchivoQueNoSePuedeCrear) {
  const fs::path p = carpeta_ / "no_existe" / "x.xlt";
  EXPECT_THROW(EscribirEnergiaNoSuministrada(p, {}, 1), EInOutError);
  EXPECT_THROW(EscribirRestriccionesHorarias(p, {}, 1, 42675, 42676), EInOutError);
}

std::vector<std::string> Campos(const std::string& linea) {
  std::vector<std::string> r;
  std::string c;
  std::istringstream in(linea);
  while (std::getline(in, c, '\t')) r.push_back(c);
  return r;
}

const std::string kCero = " 0.0000000000000000E+000";

// The expected line of one day: its date, its total and the 24 cells (given as hour -> text).
std::string LineaDia(const std::string& fecha, const std::string& total,
                     const std::vector<std::pair<int, std::string>>& celdas) {
  std::string s = fecha + "\t" + total;
  for (int h = 1; h <= 24; ++h) {
    std::string v = kCero;
    for (const auto& [hh, t] : celdas)
      if (hh == h) v = t;
    s += '\t';
    s += v;
  }
  return s;
}

std::string CabeceraHoras() {
  std::string s = "Fecha\tTotal";
  for (int h = 1; h <= 24; ++h) {
    s += '\t';
    s += std::to_string(h);
  }
  return s;
}

TEST_F(TablasDeEnergia, DiasPorHorasDesdeMedianoche) {
  const fs::path p = carpeta_ / "c123_Restricciones_horarias_3m.xlt";
  std::ostringstream consola;
  std::streambuf* previo = std::cout.rdbuf(consola.rdbuf());
  // Hour 00:00 of the first day, hour 23:00 of the second (row 2, column 24), and two records of
  // one hour: the later replaces the earlier.
  EscribirRestriccionesHorarias(p,
                                {{kInicio, 0.5},
                                 {kInicio + 1 + 23.0 / 24.0, 0.25},
                                 {kInicio + 2 + 5.0 / 24.0, 4},
                                 {kInicio + 2 + 5.0 / 24.0, 1}},
                                2, kInicio, kInicio + 2);
  std::cout.rdbuf(previo);
  const std::vector<std::string> l = LineasDeTexto(LeerArchivoCompleto(p));
  ASSERT_EQ(l.size(), 4u);  // header and three days
  EXPECT_EQ(l[0], CabeceraHoras());
  EXPECT_EQ(l[1],
            LineaDia("01-11-2016", " 1.0000000000000000E+000", {{1, " 1.0000000000000000E+000"}}));
  EXPECT_EQ(l[2],
            LineaDia("02-11-2016", " 5.0000000000000000E-001", {{24, " 5.0000000000000000E-001"}}));
  EXPECT_EQ(l[3],
            LineaDia("03-11-2016", " 2.0000000000000000E+000", {{6, " 2.0000000000000000E+000"}}));
  // One console line per cell, in the user's format.
  const std::string c = consola.str();
  EXPECT_EQ(std::count(c.begin(), c.end(), '\n'), 72);
  EXPECT_NE(c.find("1 - 1 = 1\n1 - 2 = 0\n"), std::string::npos);
  EXPECT_NE(c.find("\n2 - 24 = 0,5\n3 - 1 = 0\n"), std::string::npos);
}

// A series starting at 00:10 narrows fechaDesde to it: the hours still count from midnight
// (the hour 00:00 of the second day is row 2, column 1, not a column 25 of row 1), and records
// outside the range add the days they need: the sample at 00:00 of the first day belongs to
// 23:00 of the day before, and a period may run past fechaHasta.
TEST_F(TablasDeEnergia, DiasPorHorasFueraDeMedianocheYDelRango) {
  const fs::path p = carpeta_ / "horas.xlt";
  std::ostringstream consola;
  std::streambuf* previo = std::cout.rdbuf(consola.rdbuf());
  EscribirRestriccionesHorarias(p, {{kInicio + 1, 0.5}}, 1, kInicio + kPaso, kInicio + 1.5);
  EscribirRestriccionesHorarias(carpeta_ / "fuera.xlt",
                                {{kInicio - 1.0 / 24.0, 0.25}, {kInicio + 3 + 2.0 / 24.0, 0.5}}, 1,
                                kInicio, kInicio + 1);
  std::cout.rdbuf(previo);
  std::vector<std::string> l = LineasDeTexto(LeerArchivoCompleto(p));
  ASSERT_EQ(l.size(), 3u);
  EXPECT_EQ(l[1], LineaDia("01-11-2016", kCero, {}));
  EXPECT_EQ(l[2],
            LineaDia("02-11-2016", " 5.0000000000000000E-001", {{1, " 5.0000000000000000E-001"}}));

  l = LineasDeTexto(LeerArchivoCompleto(carpeta_ / "fuera.xlt"));
  ASSERT_EQ(l.size(), 6u);
  EXPECT_EQ(Campos(l[1])[0], "31-10-2016");
  EXPECT_EQ(l[1],
            LineaDia("31-10-2016", " 2.5000000000000000E-001", {{24, " 2.5000000000000000E-001"}}));
  EXPECT_EQ(Campos(l[2])[0], "01-11-2016");
  EXPECT_EQ(Campos(l[3])[0], "02-11-2016");
  EXPECT_EQ(l[5],
            LineaDia("04-11-2016", " 5.0000000000000000E-001", {{3, " 5.0000000000000000E-001"}}));
}

}  // namespace

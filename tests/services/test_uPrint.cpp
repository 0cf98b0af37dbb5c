// Comparison tables: the statistics against closed forms, labels, code mappers, the chart's
// kinds and axis units, and a whole workbook of two tables saved and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "comun/afirmaciones.h"
#include "comun/volcado_xlsx.h"
#include "platform/errores.h"
#include "platform/fechas.h"
#include "platform/rtltexto.h"
#include "services/uPrint.h"

namespace {

class ConFormato {
 public:
  ConFormato(char decimal, const std::string& fechaCorta) : previo_(FormatSettings()) {
    FormatSettings().DecimalSeparator = decimal;
    FormatSettings().ShortDateFormat = fechaCorta;
  }
  ~ConFormato() { FormatSettings() = previo_; }

 private:
  TFormatSettings previo_;
};

double Uno(const TDAofNReal& r) { return r.at(0); }

// Samples 1..4 in the order 2, 4, 1, 3; largest first they are 4, 3, 2, 1.
const TDAOfMatOfNReal CuatroMuestras{{{2, 4, 1, 3}}};

TEST(EstadisticosPorSerie, CuatroMuestras) {
  TDAofNReal r;
  PromedioPorSerie(CuatroMuestras, 0, r);
  EXPECT_EQ(Uno(r), 2.5);
  VarianzaPorSerie(CuatroMuestras, 0, r);
  EXPECT_DOUBLE_EQ(Uno(r), 5.0 / 3.0);

  struct Caso {
    double p;
    double esperado;  // sorted 4, 3, 2, 1: index Round(4p) - 1, clamped
  };
  const Caso pe[] = {{0.0, 4},                           // -1 clamped to 0
                     {0.25, 4},                          // 1 - 1
                     {0.375, 3},                         // 1.5 to 2 (even), minus 1
                     {0.5, 3},   {0.625, 3},             // 2.5 to 2 (even), minus 1
                     {0.75, 2},  {1.0, 1},   {1.5, 1}};  // 5 clamped to 3
  for (const Caso& c : pe) {
    ProbExcedenciaPorSerie(CuatroMuestras, true, 0, c.p, r);
    EXPECT_EQ(Uno(r), c.esperado) << c.p;
  }
  struct CasoVaR {
    double p1, p2, esperado;  // indexes Trunc(3p1)..Trunc(3p2) of 4, 3, 2, 1
  };
  const CasoVaR var[] = {{0.0, 0.5, 3.5},   {0.0, 1.0, 2.5}, {0.5, 0.5, 3.0},
                         {0.34, 0.67, 2.5}, {0.0, 0.0, 4.0}, {1.0, 1.0, 1.0}};
  for (const CasoVaR& c : var) {
    ValorEnRiesgoPorSerie(CuatroMuestras, true, 0, c.p1, c.p2, r);
    EXPECT_EQ(Uno(r), c.esperado) << c.p1 << " " << c.p2;
  }
  // Without sorting the picks take the samples in their given order 2, 4, 1, 3.
  ProbExcedenciaPorSerie(CuatroMuestras, false, 0, 0.5, r);
  EXPECT_EQ(Uno(r), 4);
  ValorEnRiesgoPorSerie(CuatroMuestras, false, 0, 0.0, 0.5, r);
  EXPECT_EQ(Uno(r), 3);
}

TEST(EstadisticosPorSerie, FormasCerradasDeUnaPermutacionDe1aN) {
  // 1..n in a scrambled order (37 generates the multiplicative group mod the prime 101).
  const int n = 101;
  TDAofNReal x;
  for (int i = 1; i <= n; ++i) x.push_back((i * 37) % n == 0 ? n : (i * 37) % n);
  const TDAOfMatOfNReal d{{x}};
  TDAofNReal r;
  PromedioPorSerie(d, 0, r);
  EXPECT_DOUBLE_EQ(Uno(r), (n + 1) / 2.0);
  VarianzaPorSerie(d, 0, r);
  EXPECT_DOUBLE_EQ(Uno(r), n * (n + 1) / 12.0);
  // Largest first, element j is n - j.
  for (double p : {0.0, 0.005, 0.01, 0.05, 0.1, 0.25, 0.5, 0.75, 0.95, 0.99, 1.0}) {
    const double j = std::clamp(std::nearbyint(n * p) - 1, 0.0, n - 1.0);
    ProbExcedenciaPorSerie(d, true, 0, p, r);
    EXPECT_EQ(Uno(r), n - j) << p;
    for (double p2 : {p, 0.5 * (p + 1), 1.0}) {
      const double j1 = std::floor((n - 1) * p), j2 = std::floor((n - 1) * p2);
      ValorEnRiesgoPorSerie(d, true, 0, p, p2, r);
      EXPECT_DOUBLE_EQ(Uno(r), n - (j1 + j2) / 2) << p << " " << p2;
    }
  }
}

TEST(EstadisticosPorSerie, UnaMuestraPasosQueFaltanYPasosVacios) {
  // Series 2 has one step: it repeats it; series 3 has an empty step.
  const TDAOfMatOfNReal d{{{7.5}, {1, 3}}, {{-2}}, {{}}};
  TDAofNReal r;
  PromedioPorSerie(d, 0, r);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0], 7.5);
  EXPECT_EQ(r[1], -2);
  EXPECT_TRUE(std::isnan(r[2]));
  VarianzaPorSerie(d, 0, r);
  EXPECT_EQ(r, (TDAofNReal{0, 0, 0}));
  for (double p : {0.0, 0.5, 1.0}) {
    ProbExcedenciaPorSerie(d, true, 1, p, r);
    EXPECT_EQ(r[1], -2);
    ValorEnRiesgoPorSerie(d, true, 1, p, 1.0, r);
    EXPECT_EQ(r[1], -2);
    EXPECT_TRUE(std::isnan(r[2]));
  }
  PromedioPorSerie(d, 1, r);
  EXPECT_EQ(r[0], 2);
  VarianzaPorSerie(d, 1, r);
  EXPECT_EQ(r[0], 2);
  ValorEnRiesgoPorSerie(d, true, 1, 1.0, 0.1, r);  // indexes 1 to 0
  EXPECT_TRUE(std::isnan(r[0]));
}

TEST(EtiquetasYCodigos, EtiquetasMapeadoresYSusErrores) {
  {
    ConFormato punto('.', "d/M/yyyy");
    EXPECT_EQ(TTipoValoresACompararToShortStringSingular(TTipoValoresAComparar::promedio, 0.3),
              "Prom");
    EXPECT_EQ(
        TTipoValoresACompararToShortStringSingular(TTipoValoresAComparar::desviacionEstandar, 0.3),
        "DesvE");
    EXPECT_EQ(TTipoValoresACompararToShortStringSingular(
                  TTipoValoresAComparar::probabilidadDeExcedencia, 0.05),
              "PE_ 5.00%");
    EXPECT_EQ(
        TTipoValoresACompararToShortStringSingular(TTipoValoresAComparar::valorEnRiesgo, 0.125),
        "VaR_ 12.50%");
  }
  ConFormato coma(',', "d/M/yyyy");
  EXPECT_EQ(TTipoValoresACompararToShortStringSingular(
                TTipoValoresAComparar::probabilidadDeExcedencia, 0.95),
            "PE_ 95,00%");
  EXPECT_THROW_MSG(
      TTipoValoresACompararToShortStringSingular(static_cast<TTipoValoresAComparar>(4), 0),
      EErrorGeneral,
      "uPrintCronVars.TTipoValoresACompararToShortStringSingular: tipo de grafico "
      "desconocido 4");

  EXPECT_EQ(TTipoGraficoToXLConst(TTipoGrafico::areaApilada, true), 76);
  EXPECT_EQ(TTipoGraficoToXLConst(TTipoGrafico::areaApilada, false), 76);
  EXPECT_EQ(TTipoGraficoToXLConst(TTipoGrafico::dispersion, true), 74);
  EXPECT_EQ(TTipoGraficoToXLConst(TTipoGrafico::dispersion, false), 65);
  EXPECT_EQ(TTipoGraficoToXLConst(TTipoGrafico::linea, true), 4);
  EXPECT_EQ(TTipoGraficoToXLConst(TTipoGrafico::linea, false), 4);
  EXPECT_THROW_MSG(TTipoGraficoToXLConst(static_cast<TTipoGrafico>(3), true), EErrorGeneral,
                   "uPrint.TTipoGraficoToXLConst: TTipoGrafico desconocido 3");
  EXPECT_EQ(TTipoEjeToXLConst(TTipoEje::Primario), 1);
  EXPECT_EQ(TTipoEjeToXLConst(TTipoEje::Secundario), 2);
  EXPECT_THROW_MSG(TTipoEjeToXLConst(static_cast<TTipoEje>(2)), EErrorGeneral,
                   "uPrint.TTipoEjeToXLConst: tipo de eje desconocido 2");
}

// A table of S series with one sample per step, written with a chart of the given kinds.
TGraficoLibro& TablaConGrafico(T_ExcelFile& xls, const std::string& hoja,
                               const TDAOfTTipoGrafico& tipos, double paso, int32_t pasos = 3) {
  const size_t S = tipos.size();
  TDAOfMatOfNReal datos(S);
  TDAofString nombres;
  for (size_t i = 0; i < S; ++i) {
    nombres.push_back(std::string("s") + std::to_string(i));
    for (int32_t k = 0; k < pasos; ++k) datos[i].push_back({static_cast<double>(k + i)});
  }
  testing::internal::CaptureStdout();
  EscribirValoresAComparar(xls, TTipoValoresAComparar::promedio, false, 0, 0, nombres, datos, hoja,
                           "t", "e", 42675.0, paso, 3, true, tipos,
                           TDAOfTTipoEje(S, TTipoEje::Primario), TDAOfTColor(S, ColorPorDefectoXLS),
                           true, true, 0, 0);
  testing::internal::GetCapturedStdout();
  return xls.Libro().Grafico("g" + hoja);
}

TEST(GraficoDeTabla, ElTipoDominanteDaElTipoDelGraficoYDeSusSeries) {
  using G = TTipoGrafico;
  struct Caso {
    TDAOfTTipoGrafico tipos;
    int32_t tipoGrafico;
    std::vector<int32_t> tiposSeries;
  };
  const Caso casos[] = {
      {{G::dispersion, G::linea, G::linea}, 4, {65, 4, 4}},
      {{G::dispersion, G::dispersion, G::linea}, 74, {74, 74, 4}},
      {{G::linea, G::areaApilada}, 76, {4, 76}},  // a tie: the lower kind
      {{G::linea, G::dispersion}, 74, {4, 74}},
      {{G::areaApilada, G::dispersion, G::dispersion, G::areaApilada}, 76, {76, 65, 65, 76}},
  };
  int i = 0;
  for (const Caso& c : casos) {
    T_ExcelFile xls("x", false, true, false);
    TGraficoLibro& g =
        TablaConGrafico(xls, std::string("h") + std::to_string(i++), c.tipos, 1.0 / 24);
    EXPECT_EQ(g.TipoGrafico(), c.tipoGrafico) << i;
    std::vector<int32_t> tipos;
    for (const TSerieLibro& s : g.Series()) tipos.push_back(s.tipo);
    EXPECT_EQ(tipos, c.tiposSeries) << i;
  }
}

TEST(GraficoDeTabla, UnidadesDelEjeSegunElPaso) {
  using G = TTipoGrafico;
  struct Caso {
    double paso;
    G tipo;
    std::optional<double> mayor, menor;
    std::optional<int32_t> etiquetas, marcas, escala;
    bool rejillaMenor;
  };
  const Caso casos[] = {
      {1.0 / 24, G::dispersion, 1.0, 0.25, {}, {}, {}, true},
      {1.0 / 24 + 0.9e-5, G::linea, 1.0, 0.25, {}, {}, {}, true},  // within 1e-5 of an hour
      {1.0 / 24, G::areaApilada, {}, {}, 24, 12, {}, true},
      {1.0, G::dispersion, 7.0, 1.0, {}, {}, {}, false},
      {1.0, G::areaApilada, 3.0, 1.0, 7, 1, 1, false},
      {7.0, G::dispersion, 365.2425, 121.7475, {}, {}, {}, true},
      {30.0, G::areaApilada, {}, {}, 4, 1, {}, true},
      {1.0 / 144, G::dispersion, {}, {}, {}, {}, {}, true},  // ten minutes: nothing
      {1.0 / 144, G::areaApilada, {}, {}, {}, {}, {}, true},
      {2.0, G::linea, {}, {}, {}, {}, {}, true},
  };
  int i = 0;
  for (const Caso& c : casos) {
    T_ExcelFile xls("x", false, true, false);
    const TEjeLibro& e = TablaConGrafico(xls, "h", {c.tipo, c.tipo}, c.paso).Eje(1);
    EXPECT_EQ(e.unidadMayor, c.mayor) << i;
    EXPECT_EQ(e.unidadMenor, c.menor) << i;
    EXPECT_EQ(e.espaciadoEtiquetas, c.etiquetas) << i;
    EXPECT_EQ(e.espaciadoMarcas, c.marcas) << i;
    EXPECT_EQ(e.escalaUnidadMayor, c.escala) << i;
    EXPECT_EQ(e.lineasMenores, c.rejillaMenor) << i;
    ++i;
  }
}

TEST(TablaDeComparacion, ErroresAntesDeEscribirYTrasLaPrimeraLinea) {
  T_ExcelFile xls("x", false, true, false);
  const TDAOfMatOfNReal datos{{{1}}, {{2}}};
  const auto escribir = [&](const TDAofString& nombres, const TDAOfMatOfNReal& d, bool grafico,
                            TTipoValoresAComparar tipo, const std::string& hoja) {
    EscribirValoresAComparar(xls, tipo, false, 0, 0, nombres, d, hoja, "t", "e", 0, 1, 2, grafico,
                             {TTipoGrafico::linea}, {TTipoEje::Primario, TTipoEje::Primario},
                             {0, 0}, true, true, 0, 0);
  };
  const auto prom = TTipoValoresAComparar::promedio;
  EXPECT_THROW_MSG(escribir({"a", "b"}, {}, false, prom, "h"), EErrorGeneral,
                   "uPrint.EscribirValoresAComparar: no hay series");
  EXPECT_THROW_MSG(escribir({"a"}, datos, false, prom, "h"), EErrorGeneral,
                   "uPrint.EscribirValoresAComparar: faltan nombres de series");
  EXPECT_THROW_MSG(escribir({"a", "b"}, datos, true, prom, "h"), EErrorGeneral,
                   "uPrint.EscribirValoresAComparar: faltan tipos de gráfico, ejes o colores de "
                   "series");
  EXPECT_EQ(xls.Libro().NumeroHojas(), 2);  // nothing was added

  // An unknown statistic: the sheet and its first line are there, no header row, and the row
  // buffer holds nothing that a later row would pick up.
  EXPECT_THROW_MSG(escribir({"a", "b"}, datos, false, static_cast<TTipoValoresAComparar>(9), "h"),
                   EErrorGeneral,
                   "uPrintCronVars.TTipoValoresACompararToShortStringSingular: tipo de grafico "
                   "desconocido 9");
  const THojaCalculo& h = xls.ObtenerHoja("h");
  EXPECT_EQ(h.Celdas().size(), 1u);
  EXPECT_EQ(h.Celda(1, 1)->valor, TVariante("t e"));
  EXPECT_EQ(xls.nBuffer, 0);
}

constexpr const char* VolcadoDeDosTablas = R"(libro hojas=6 activa=gao_2016
grafico gao_2016
  titulo 'Varianzas' tam=1400
  areaChart stacked ejes=50010001,50010002
    serie 0 nombre='ao_2016'!$C$2 x='ao_2016'!$B$3:$B$4 y='ao_2016'!$C$3:$C$4 linea=0000FF relleno=0000FF
    serie 1 nombre='ao_2016'!$D$2 x='ao_2016'!$B$3:$B$4 y='ao_2016'!$D$3:$D$4 linea=00FF00 relleno=00FF00
  catAx 50010001 pos=b marcaMenor=in etiquetas=low saltoEtiquetas=24 saltoMarcas=12 formato='dd/MM/yyyy hh' rot=5340000 tam=1400 rejillaMayor=C0C0C0,dashDot,w9525 rejillaMenor=C0C0C0,sysDot,w3175
  valAx 50010002 pos=l etiquetas=nextTo formato='0.0' tam=1400
  trazado relleno=FFFFFF borde=sysDot,w9525
  area borde=dash,w9525
  leyenda tam=1400
hoja ao_2016
  A1 s 'Varianzas '
  A2 s 'paso'
  B2 s 'fecha'
  C2 s 'A_DesvE'
  D2 s 'B_DesvE'
  A3 n 1
  B3 n 42675 [0.00000000]
  C3 n 1.666666666666667 [0.00]
  D3 n 0 [0.00]
  A4 n 2
  B4 n 42675.04166666666 [0.00000000]
  C4 n 0 [0.00]
  D4 n 0 [0.00]
grafico g2016_11_01_00_00
  titulo 'T1' tam=1400
  lineChart standard ejes=50010001,50010002
    serie 0 nombre='2016_11_01_00_00'!$C$2 x='2016_11_01_00_00'!$B$3:$B$5 y='2016_11_01_00_00'!$C$3:$C$5 linea=FF0000 marcador=diamond tam=2
    serie 2 nombre='2016_11_01_00_00'!$E$2 x='2016_11_01_00_00'!$B$3:$B$5 y='2016_11_01_00_00'!$E$3:$E$5 marcador=none
  lineChart standard ejes=50010003,50010004
    serie 1 nombre='2016_11_01_00_00'!$D$2 x='2016_11_01_00_00'!$B$3:$B$5 y='2016_11_01_00_00'!$D$3:$D$5 linea=000000 marcador=none
  catAx 50010001 pos=b marcaMenor=in etiquetas=low formato='dd/MM/yyyy hh' rot=5340000 tam=1400 rejillaMayor=C0C0C0,dashDot,w9525 rejillaMenor=C0C0C0,sysDot,w3175
  valAx 50010002 pos=l min=0 max=70 etiquetas=nextTo formato='0.0' tam=1400 titulo='MW'
  catAx 50010003 pos=b marcaMayor=out marcaMenor=none etiquetas=nextTo
  valAx 50010004 pos=r marcaMayor=out marcaMenor=none etiquetas=nextTo formato='General' tam=1400
  trazado relleno=FFFFFF borde=sysDot,w9525
  area borde=dash,w9525
  leyenda tam=1400
hoja 2016_11_01_00_00
  A1 s 'T1 MW'
  A2 s 'paso'
  B2 s 'fecha'
  C2 s 'Vel[m/s]_Prom'
  D2 s 'Dir[gr]_Prom'
  E2 s 'P_Prom'
  A3 n 1
  B3 n 42675 [dd/MM/yyyy hh]
  C3 n 6 [0.000]
  D3 n 90 [0.000]
  E3 n 1.25 [0.000]
  A4 n 2
  B4 n 42675.04166666666 [dd/MM/yyyy hh]
  C4 n 6 [0.000]
  D4 n 180 [0.000]
  E4 n 2.5 [0.000]
  A5 n 3
  B5 n 42675.08333333334 [dd/MM/yyyy hh]
  C5 n 7.5 [0.000]
  D5 n 270 [0.000]
  E5 n 2.5 [0.000]
hoja x
hoja Sheet1
)";

TEST(TablaDeComparacion, LibroDeDosTablasConGraficosGuardadoYLeidoDeVuelta) {
  // A user's format with a decimal comma: the labels would follow it, the number formats sent
  // to the workbook must not ("0,000" would group thousands there).
  ConFormato usuario(',', "dd/MM/yyyy");
  const auto carpeta = CarpetaDePrueba("tablas");
  const double d0 = EncodeDate(2016, 11, 1);
  const double hora = 1.0 / 24;
  testing::internal::CaptureStdout();
  {
    T_ExcelFile xls("x", false, true, false);
    EscribirValoresAComparar(xls, TTipoValoresAComparar::promedio, false, 0, 0,
                             {"Vel[m/s]", "Dir[gr]", "P"},
                             {{{5, 7}, {6}, {7.5}}, {{90}, {180}, {270}}, {{1.25}, {2.5}}},
                             "2016-11-01 00:00", "T1", "MW", d0, hora, 3, true,
                             {TTipoGrafico::dispersion, TTipoGrafico::linea, TTipoGrafico::linea},
                             {TTipoEje::Primario, TTipoEje::Secundario, TTipoEje::Primario},
                             {255, 0, ColorPorDefectoXLS}, false, false, 0.0, 70.0);
    EscribirValoresAComparar(
        xls, TTipoValoresAComparar::desviacionEstandar, false, 0, 0, {"A", "B"},
        {{{1, 2, 3, 4}, {2, 2}}, {{10}}}, "año 2016", "Varianzas", "", d0, hora, 2, true,
        {TTipoGrafico::areaApilada, TTipoGrafico::areaApilada},
        {TTipoEje::Primario, TTipoEje::Primario}, {65536 * 255, 256 * 255}, true, true, 0, 0);
    xls.Guardar((carpeta / "c1_VISOR_3m").string());
  }
  const std::string consola = testing::internal::GetCapturedStdout();
  const std::string archivo = (carpeta / "c1_VISOR_3m").string();
  EXPECT_EQ(consola, std::string("EXCEL v: 1.4000000000000000E+001 cambiarForamto: 0.000\n"
                                 "EXCEL v: 1.4000000000000000E+001 cambiarForamto: dd/MM/yyyy hh\n"
                                 "EXCEL v: 1.4000000000000000E+001 cambiarForamto: 0.00\n"
                                 "EXCEL v: 1.4000000000000000E+001 cambiarForamto: dd/MM/yyyy hh\n"
                                 "EXCEL v: 1.4000000000000000E+001 cambiarForamto: 0.00000000\n"
                                 "T_ExcelFile.Guardar('") +
                         archivo + "')\n");
  EXPECT_EQ(VolcarXlsx(carpeta / "c1_VISOR_3m.xlsx"), VolcadoDeDosTablas);
}

}  // namespace

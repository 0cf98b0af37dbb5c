// The in-memory workbook: sheets, cells, ranges, charts, and the .xlsx it saves, read back by
// an independent Python reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <fstream>
#include <limits>

#include "comun/afirmaciones.h"
#include "comun/volcado_xlsx.h"
#include "platform/errores.h"
#include "platform/fechas.h"
#include "platform/librocalculo.h"
#include "platform/rtltexto.h"
#include "platform/zip_reemplazo.h"

namespace {

TEST(LibroCalculo, HojasNuevasVanAntesDeLaActivaYLosGraficosPasanAActivos) {
  TLibroCalculo libro;
  ASSERT_EQ(libro.NumeroHojas(), 1);
  EXPECT_EQ(libro.Hoja(1).Nombre(), "Sheet1");
  THojaCalculo& a = libro.AgregarHoja();  // before Sheet1, which stays active
  EXPECT_EQ(a.Nombre(), "Sheet2");
  EXPECT_EQ(&libro.Hoja(1), &a);
  EXPECT_EQ(libro.HojaActiva(), &libro.Hoja("SHEET1"));  // names match without regard to case
  libro.Hoja("sheet1").Seleccionar();
  TGraficoLibro& g = libro.AgregarGrafico();
  EXPECT_EQ(g.Nombre(), "Chart1");
  EXPECT_EQ(libro.HojaActiva(), &g);
  THojaCalculo& b = libro.AgregarHoja();  // before the chart sheet
  std::vector<std::string> orden;
  for (const auto& h : libro.Hojas()) orden.push_back(h->Nombre());
  EXPECT_EQ(orden, (std::vector<std::string>{"Sheet2", b.Nombre(), "Chart1", "Sheet1"}));
  EXPECT_EQ(libro.NumeroHojas(), 3);  // the chart sheet is not a worksheet
  EXPECT_EQ(&libro.Grafico("chart1"), &g);
}

TEST(LibroCalculo, ErroresDeNombresCeldasYRangos) {
  TLibroCalculo libro;
  THojaCalculo& h = libro.Hoja(1);
  libro.AgregarHoja().FijarNombre("datos");
  EXPECT_THROW_MSG(h.FijarNombre("DATOS"), EErrorGeneral,
                   "Ya existe una hoja con el nombre: 'DATOS'");
  h.FijarNombre("Sheet1");  // its own name again is no clash
  for (const char* malo : {"", "a:b", "a/b", "a\\b", "a?b", "a*b", "[a]", "'a", "a'",
                           "12345678901234567890123456789012"})
    EXPECT_THROW_MSG(h.FijarNombre(malo), EErrorGeneral,
                     std::string("Nombre de hoja no válido: '") + malo + "'");
  h.FijarNombre("añoñoñoñoñoñoñoñoñoñoñoñoñoñoño");  // 31 characters, 46 bytes
  EXPECT_THROW_MSG(libro.Hoja("nada"), EErrorGeneral, "No existe la hoja: 'nada'");
  EXPECT_THROW_MSG(libro.Grafico("datos"), EErrorGeneral, "No existe el gráfico: 'datos'");
  EXPECT_THROW_MSG(libro.Hoja(3), EErrorGeneral, "No existe la hoja número 3");
  EXPECT_THROW_MSG(h.FijarValor(0, 1, 1.0), EErrorGeneral,
                   "Celda fuera de la hoja: fila 0, columna 1");
  EXPECT_THROW_MSG(h.FijarValor(1, 16385, 1.0), EErrorGeneral,
                   "Celda fuera de la hoja: fila 1, columna 16385");
  h.FijarValor(1048576, 16384, 1.0);
  EXPECT_THROW_MSG(h.Rango("A0"), EErrorGeneral, "Rango no válido: A0");
  EXPECT_THROW_MSG(h.Rango("B2:XFE3"), EErrorGeneral, "Rango no válido: B2:XFE3");
  EXPECT_THROW_MSG(h.Rango("B"), EErrorGeneral, "Rango no válido: B");
  EXPECT_THROW_MSG(libro.AgregarGrafico().FijarTipoGrafico(99), EErrorGeneral,
                   "Tipo de gráfico no válido: 99");
  EXPECT_THROW_MSG(libro.Color(57), EErrorGeneral, "Índice de color no válido: 57");
}

TEST(LibroCalculo, NombresDeCeldas) {
  struct Caso {
    const char* texto;
    bool ok;
    int32_t fila, columna;
  };
  const Caso casos[] = {
      {"A1", true, 1, 1},    {"z9", true, 9, 26},       {"AA10", true, 10, 27},
      {"ZZ1", true, 1, 702}, {"AAA1", true, 1, 703},    {"XFD1048576", true, 1048576, 16384},
      {"XFE1", false, 0, 0}, {"A1048577", false, 0, 0}, {"A01", false, 0, 0},
      {"1A", false, 0, 0},   {"A", false, 0, 0},        {"A-1", false, 0, 0}};
  for (const Caso& c : casos) {
    int32_t f = 0, col = 0;
    EXPECT_EQ(LeerNombreCelda(c.texto, f, col), c.ok) << c.texto;
    if (c.ok) {
      EXPECT_EQ(f, c.fila) << c.texto;
      EXPECT_EQ(col, c.columna) << c.texto;
    }
  }
  TLibroCalculo libro;
  const TRangoLibro r = libro.Hoja(1).Rango("D10:b3");  // corners in any order
  EXPECT_EQ(r.fila1, 3);
  EXPECT_EQ(r.col1, 2);
  EXPECT_EQ(r.fila2, 10);
  EXPECT_EQ(r.col2, 4);
}

TEST(LibroCalculo, PaletaPorDefectoEnColoresDe32Bits) {
  // R + 256·G + 65536·B of the application's default palette entries.
  const auto& p = PaletaPorDefecto();
  EXPECT_EQ(p[0], 0);                               // 1 black
  EXPECT_EQ(p[1], 255 + 256 * 255 + 65536 * 255);   // 2 white
  EXPECT_EQ(p[2], 255);                             // 3 red
  EXPECT_EQ(p[4], 65536 * 255);                     // 5 blue
  EXPECT_EQ(p[14], 192 + 256 * 192 + 65536 * 192);  // 15 silver
  EXPECT_EQ(p[16], 153 + 256 * 153 + 65536 * 255);  // 17 periwinkle 9999FF
  EXPECT_EQ(p[31], p[4]);                           // 32 blue again
  EXPECT_EQ(p[55], 51 + 256 * 51 + 65536 * 51);     // 56 333333
}

// Numbers stand in the file with 16 significant digits (42675 + 1/24 as 42675.04166666666),
// which is how libxlsxwriter writes them.
// A workbook with two worksheets, every kind of value, formats set after the values, and a
// chart sheet; saved and read back.
TLibroCalculo& LibroDeEjemplo(TAplicacionLibros& app) {
  TLibroCalculo& libro = app.AgregarLibro();
  THojaCalculo& datos = libro.AgregarHoja();
  datos.FijarNombre("Datos");
  datos.Seleccionar();
  datos.FijarValor(1, 1, "fecha");
  datos.FijarValor(1, 2, "potencia");
  datos.FijarValor(1, 3, "año ñ");
  const double d0 = EncodeDate(2016, 11, 1);  // 42675
  for (int32_t k = 0; k < 3; ++k) {
    datos.FijarValor(2 + k, 1, TVariante::FechaHora(d0 + k / 24.0));
    datos.FijarValor(2 + k, 2, 1.5 * (k + 1));
    datos.FijarValor(2 + k, 3, TVariante(int32_t{-k}));
  }
  datos.FijarValor(5, 2, std::numeric_limits<double>::quiet_NaN());
  datos.FijarValor(5, 3, true);
  datos.FijarValor(5, 4, false);
  datos.Rango("B2:C4").FijarFormato("0.000");
  datos.Rango("A2", "A4").FijarFormato("yyyy-mm-dd hh");
  datos.FijarValor(6, 4, std::numeric_limits<double>::infinity());
  datos.Rango("D6:E6").FijarFormato("0.0");  // a formatted infinity and a formatted empty cell
  datos.Rango("A7:C7").FijarValores({TVariante(7.25), TVariante("x")});

  TGraficoLibro& g = libro.AgregarGrafico();
  g.FijarNombre("gDatos");
  g.FijarTipoGrafico(74);
  g.FijarDatosOrigen(datos.Rango("A1:C4"), 2);
  g.FijarTipoSerie(2, 4);  // a line series among scatter series: no markers
  g.FijarGrupoEje(2, 2);
  g.tieneTitulo = true;
  g.titulo = "Potencia";
  g.tamanoFuente = 14;
  TSerieLibro& s1 = g.Serie(1);
  s1.colorBorde = 255;                // red
  s1.colorFondoMarcador = 256 * 128;  // green 008000
  s1.tamanoMarcador = 2;
  s1.estiloMarcador = -4105;
  TEjeLibro& x = g.Eje(1);
  x.minimo = d0;
  x.maximo = d0 + 2 / 24.0;
  x.formatoNumero = "d/m/yyyy hh";
  x.orientacion = -89;
  x.marcaMenor = 2;
  x.posicionEtiquetas = -4134;
  x.unidadMayor = 1;
  x.unidadMenor = 0.25;
  x.lineasMayores = true;
  x.bordeLineasMayores = {4, 2, 15};
  x.lineasMenores = true;
  x.bordeLineasMenores = {-4118, 1, 15};
  TEjeLibro& y = g.Eje(2);
  y.tieneTitulo = true;
  y.titulo = "MW";
  y.minimo = 0.0;
  y.maximo = 70.0;
  y.formatoNumero = "0.0";
  g.indiceInteriorTrazado = 2;
  g.bordeArea.estilo = -4115;
  g.bordeTrazado.estilo = -4118;
  return libro;
}

constexpr const char* VolcadoDeEjemplo = R"(libro hojas=3 activa=gDatos
grafico gDatos
  titulo 'Potencia' tam=1400
  scatterChart lineMarker ejes=50010001,50010002
    serie 0 nombre='Datos'!$B$1 x='Datos'!$A$2:$A$4 y='Datos'!$B$2:$B$4 linea=FF0000 marcador=diamond tam=2 relleno=008000
  scatterChart lineMarker ejes=50010003,50010004
    serie 1 nombre='Datos'!$C$1 x='Datos'!$A$2:$A$4 y='Datos'!$C$2:$C$4 marcador=none
  valAx 50010001 pos=b min=42675 max=42675.08333333334 marcaMenor=in etiquetas=low unidadMayor=1 unidadMenor=0.25 formato='d/m/yyyy hh' rot=5340000 tam=1400 rejillaMayor=C0C0C0,dashDot,w9525 rejillaMenor=C0C0C0,sysDot,w3175
  valAx 50010002 pos=l min=0 max=70 etiquetas=nextTo formato='0.0' tam=1400 titulo='MW'
  valAx 50010003 pos=b min=42675 max=42675.083333333336 marcaMayor=out marcaMenor=none etiquetas=nextTo
  valAx 50010004 pos=r marcaMayor=out marcaMenor=none etiquetas=nextTo formato='General' tam=1400
  trazado relleno=FFFFFF borde=sysDot,w9525
  area borde=dash,w9525
  leyenda tam=1400
hoja Datos
  A1 s 'fecha'
  B1 s 'potencia'
  C1 s 'año ñ'
  A2 n 42675 [yyyy-mm-dd hh]
  B2 n 1.5 [0.000]
  C2 n 0 [0.000]
  A3 n 42675.04166666666 [yyyy-mm-dd hh]
  B3 n 3 [0.000]
  C3 n -1 [0.000]
  A4 n 42675.08333333334 [yyyy-mm-dd hh]
  B4 n 4.5 [0.000]
  C4 n -2 [0.000]
  C5 b 1
  D5 b 0
  D6 vacia [0.0]
  E6 vacia [0.0]
  A7 n 7.25
  B7 s 'x'
hoja Sheet1
)";

TEST(LibroCalculo, GuardaYSeLeeDeVueltaHojasCeldasFormatosYGrafico) {
  const auto carpeta = CarpetaDePrueba("ejemplo");
  TAplicacionLibros app;
  TLibroCalculo& libro = LibroDeEjemplo(app);
  const auto escrito = libro.GuardarComo(carpeta / "ejemplo", libro.FormatoArchivo());
  EXPECT_EQ(escrito, carpeta / "ejemplo.xlsx");
  EXPECT_EQ(VolcarXlsx(escrito), VolcadoDeEjemplo);
}

// The same workbook through openpyxl, which reads formulas as their cached results, as a
// spreadsheet that does not recalculate on opening shows them: a value that is not a number is
// an empty cell (B5 is not listed, D6 keeps only its format), not a 0 that a chart would draw.
TEST(LibroCalculo, OtroLectorVeVaciasLasCeldasSinNumero) {
  const auto carpeta = CarpetaDePrueba("openpyxl");
  TAplicacionLibros app;
  TLibroCalculo& libro = LibroDeEjemplo(app);
  const auto escrito = libro.GuardarComo(carpeta / "ejemplo", libro.FormatoArchivo());
  EXPECT_EQ(LeerXlsxConOpenpyxl(escrito), R"(hoja Datos
  A1 s 'fecha'
  B1 s 'potencia'
  C1 s 'año ñ'
  A2 d datetime.datetime(2016, 11, 1, 0, 0) [yyyy-mm-dd hh]
  B2 n 1.5 [0.000]
  C2 n 0 [0.000]
  A3 d datetime.datetime(2016, 11, 1, 1, 0) [yyyy-mm-dd hh]
  B3 n 3 [0.000]
  C3 n -1 [0.000]
  A4 d datetime.datetime(2016, 11, 1, 2, 0) [yyyy-mm-dd hh]
  B4 n 4.5 [0.000]
  C4 n -2 [0.000]
  C5 b True
  D5 b False
  D6 n None [0.0]
  E6 n None [0.0]
  A7 n 7.25
  B7 s 'x'
hoja Sheet1
)");
}

TEST(LibroCalculo, GuardarConLocaleDeComaDecimalEscribePuntos) {
  const std::string previo = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "es_ES.UTF-8") == nullptr) GTEST_SKIP() << "sin es_ES.UTF-8";
  const auto carpeta = CarpetaDePrueba("coma");
  TAplicacionLibros app;
  TLibroCalculo& libro = LibroDeEjemplo(app);
  std::filesystem::path escrito;
  try {
    escrito = libro.GuardarComo(carpeta / "coma.XLSX", 51);
  } catch (...) {
    std::setlocale(LC_NUMERIC, previo.c_str());
    throw;
  }
  std::setlocale(LC_NUMERIC, previo.c_str());
  EXPECT_EQ(escrito, carpeta / "coma.XLSX");  // the extension in any case is kept
  EXPECT_EQ(VolcarXlsx(escrito), VolcadoDeEjemplo);
}

TEST(LibroCalculo, GuardadoFallidoNoTocaElArchivoAnterior) {
  const auto carpeta = CarpetaDePrueba("fallido");
  TAplicacionLibros app;
  TLibroCalculo& libro = LibroDeEjemplo(app);
  const auto sinCarpeta = carpeta / "no_existe" / "libro";
  EXPECT_THROW_MSG(libro.GuardarComo(sinCarpeta, 51), EInOutError,
                   "No puedo escribir el archivo: " + sinCarpeta.string() + ".xlsx");
  EXPECT_THROW_MSG(libro.GuardarComo(carpeta / "x", 56), EErrorGeneral,
                   "Formato de libro no soportado: 56");

  // A previous file stays whole when the new save fails part-way (a cell text that the file
  // format cannot hold is refused before anything replaces it).
  const auto destino = carpeta / "previo.xlsx";
  { std::ofstream(destino) << "anterior"; }
  EXPECT_THROW_MSG(libro.Hoja("Datos").FijarValor(1, 1, std::string(32768, 'a')), EErrorGeneral,
                   "Texto demasiado largo para una celda: 32768 caracteres");
  std::filesystem::create_directory(carpeta / ("previo.xlsx.tmp" + std::to_string(getpid())));
  EXPECT_THROW(libro.GuardarComo(destino, 51), EInOutError);
  std::ifstream f(destino);
  std::string contenido((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(contenido, "anterior");
}

}  // namespace

namespace {

TEST(ZipReemplazo, CrcPublicadoYArchivosQueNoSonZip) {
  EXPECT_EQ(Crc32Zip("123456789"), 0xCBF43926u);  // the check value of CRC-32
  EXPECT_EQ(Crc32Zip(""), 0u);
  const auto carpeta = CarpetaDePrueba("nozip");
  const auto archivo = carpeta / "texto.xlsx";
  { std::ofstream(archivo) << "esto no es un paquete zip, aunque sea bastante largo"; }
  EXPECT_THROW_MSG(ReemplazarEntradasZip(archivo, {{"a", "b"}}), EInOutError,
                   "No puedo leer el archivo: " + archivo.string());
  EXPECT_THROW_MSG(ReemplazarEntradasZip(carpeta / "falta.xlsx", {{"a", "b"}}), EInOutError,
                   "No puedo leer el archivo: " + (carpeta / "falta.xlsx").string());
}

}  // namespace

namespace {

TEST(LibroCalculo, ReferenciasDeGraficosConNombresQueHayQueCitar) {
  // Names starting with a digit, or holding an apostrophe, a blank or "&", stand quoted in the
  // series' formulas ("'" doubled inside); the package stays readable.
  const auto carpeta = CarpetaDePrueba("citas");
  TLibroCalculo libro;
  for (const std::string nombre : {"2016_11_01", "O'Brien & co"}) {
    THojaCalculo& h = libro.AgregarHoja();
    h.FijarNombre(nombre);
    h.FijarValor(1, 1, "x");
    h.FijarValor(1, 2, "y");
    h.FijarValor(2, 1, 1.0);
    h.FijarValor(2, 2, 2.0);
    TGraficoLibro& g = libro.AgregarGrafico();
    g.FijarNombre("g" + nombre);
    g.FijarTipoGrafico(74);
    g.FijarDatosOrigen(h.Rango("A1:B2"), 2);
  }
  const std::string volcado = VolcarXlsx(libro.GuardarComo(carpeta / "citas", 51));
  EXPECT_NE(
      volcado.find("serie 0 nombre='2016_11_01'!$B$1 x='2016_11_01'!$A$2 y='2016_11_01'!$B$2"),
      std::string::npos)
      << volcado;
  EXPECT_NE(
      volcado.find(
          "serie 0 nombre='O''Brien & co'!$B$1 x='O''Brien & co'!$A$2 y='O''Brien & co'!$B$2"),
      std::string::npos)
      << volcado;
  EXPECT_EQ(volcado.find("dañada"), std::string::npos) << volcado;
}

}  // namespace

// libxlsxwriter 1.1 refuses the value-axis limits of an area chart (and the limits and units of
// a category axis) with a warning on the console; the fixed limits of the value axis must still
// reach the file, and nothing of the library's own reaches the console.
TEST(LibroCalculo, LimitesDelEjeDeValoresDeUnGraficoDeAreas) {
  const auto carpeta = CarpetaDePrueba("areas");
  for (const int32_t tipo : {76, 1}) {
    TAplicacionLibros app;
    TLibroCalculo& libro = app.AgregarLibro();
    THojaCalculo& datos = libro.Hoja(1);
    datos.FijarValor(1, 1, "fecha");
    datos.FijarValor(1, 2, "a");
    for (int32_t k = 0; k < 3; ++k) {
      datos.FijarValor(2 + k, 1, TVariante::FechaHora(42675 + k / 24.0));
      datos.FijarValor(2 + k, 2, 10.0 * k);
    }
    TGraficoLibro& g = libro.AgregarGrafico();
    g.FijarNombre("gAreas");
    g.FijarTipoGrafico(tipo);
    g.FijarDatosOrigen(datos.Rango("A1:B4"), 2);
    // An abscissa limit and units of a category axis: kept in memory only.
    g.Eje(1).minimo = 42675;
    g.Eje(1).unidadMayor = 3;
    g.Eje(1).unidadMenor = 1;
    g.Eje(2).minimo = 0.0;
    g.Eje(2).maximo = 70.0;
    testing::internal::CaptureStderr();
    const auto escrito = libro.GuardarComo(carpeta / ("areas" + IntToStr(tipo)), 51);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << tipo;
    const std::string volcado = VolcarXlsx(escrito);
    EXPECT_NE(volcado.find("valAx 50010002 pos=l min=0 max=70"), std::string::npos) << tipo << "\n"
                                                                                    << volcado;
  }
}

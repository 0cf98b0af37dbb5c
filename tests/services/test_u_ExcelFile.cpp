// T_ExcelFile's names, cursor, row buffer, sheets and formats, and the two text functions of
// worksheet names and decimals formats.
#include <gtest/gtest.h>

#include "comun/afirmaciones.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "services/u_ExcelFile.h"
#include "services/utextoxls.h"

namespace {

// The format settings in force for one test, put back afterwards.
class ConSeparadorDecimal {
 public:
  explicit ConSeparadorDecimal(char sep) : previo_(FormatSettings()) {
    FormatSettings().DecimalSeparator = sep;
  }
  ~ConSeparadorDecimal() { FormatSettings() = previo_; }

 private:
  TFormatSettings previo_;
};

TEST(NombresDeCeldas, ColumnasEnBase26Biyectiva) {
  const std::pair<int32_t, const char*> casos[] = {
      {1, "A"},        {2, "B"},       {26, "Z"},    {27, "AA"},   {52, "AZ"},
      {53, "BA"},      {702, "ZZ"},    {703, "AAA"}, {704, "AAB"}, {18278, "ZZZ"},
      {18279, "AAAA"}, {16384, "XFD"}, {0, ""},      {-3, ""}};
  for (const auto& [n, letras] : casos) EXPECT_EQ(T_ExcelFile::NombreColumna(n), letras) << n;
  // Round trip through the workbook's own cell-name reader, over every column of a sheet.
  for (int32_t n = 1; n <= MaxColumnasHoja; ++n) {
    int32_t f = 0, c = 0;
    ASSERT_TRUE(LeerNombreCelda(T_ExcelFile::NombreCelda(7, n), f, c)) << n;
    ASSERT_EQ(c, n);
    ASSERT_EQ(f, 7);
  }
  EXPECT_EQ(T_ExcelFile::NombreCelda(12, 3), "C12");
  EXPECT_EQ(T_ExcelFile::NombreRango(3, 2, 10, 4), "B3:D10");
  EXPECT_EQ(T_ExcelFile::NombreRango(3, 3, 100, 8), "C3:H100");
}

TEST(TextosXls, LimpiarNombreHoja) {
  const std::pair<std::string, std::string> casos[] = {
      {"2015-03-01 00:00", "2015_03_01_00_00"},
      {"  a..b", "a_b"},
      {"A\xC3\xB1o 2015", "Ao_2015"},  // the n with tilde dropped, byte by byte
      {"$-.:_x", "x"},                 // leading separators vanish
      {"a_ _b_", "a_b_"},              // a run is one "_", a trailing one stays
      {"a,b;c(d)\te\x01"
       "f",
       "abcdef"},
      {"", ""},
      {std::string(40, 'q'), std::string(25, 'q')},
      {std::string(24, 'q') + " zz", std::string(24, 'q') + "_"},
  };
  for (const auto& [entrada, salida] : casos)
    EXPECT_EQ(LimpiarNombreHoja(entrada), salida) << entrada;
}

TEST(TextosXls, FormatoDecimalesSigueElSeparadorEnVigor) {
  {
    ConSeparadorDecimal punto('.');
    EXPECT_EQ(FormatoDecimales(0), "0");
    EXPECT_EQ(FormatoDecimales(-2), "0");
    EXPECT_EQ(FormatoDecimales(2), "0.00");
    EXPECT_EQ(FormatoDecimales(8), "0.00000000");
  }
  ConSeparadorDecimal coma(',');
  EXPECT_EQ(FormatoDecimales(3), "0,000");
}

TEST(ExcelFile, CreaElLibroConSuPrimeraHojaYSinNombreNoAbreNinguno) {
  T_ExcelFile xls("hoja1", false, true, false);
  TLibroCalculo& libro = xls.Libro();
  ASSERT_EQ(libro.NumeroHojas(), 2);
  EXPECT_EQ(libro.Hoja(1).Nombre(), "hoja1");
  EXPECT_EQ(libro.Hoja(2).Nombre(), "Sheet1");  // the new workbook's own sheet, after it
  EXPECT_EQ(xls.hojaActual, &libro.Hoja(1));
  EXPECT_EQ(libro.HojaActiva(), xls.hojaActual);
  EXPECT_EQ(xls.fila, 1);
  EXPECT_EQ(xls.columna, 1);
  EXPECT_EQ(xls.filaBuffer.size(), 255u);
  EXPECT_EQ(xls.nBuffer, 0);

  T_ExcelFile vacio("", true, false, false);
  EXPECT_EQ(vacio.aplicacion->NumeroLibros(), 0);
  EXPECT_TRUE(vacio.aplicacion->visible);
  EXPECT_THROW_MSG(vacio.EscribirCelda(TVariante(1.0)), EErrorGeneral,
                   "No hay una hoja actual en el libro");
  EXPECT_THROW_MSG(vacio.Guardar("/tmp/nada"), EErrorGeneral, "No existe el libro número 1");
}

TEST(ExcelFile, CursorDeBloques) {
  T_ExcelFile xls("h", false, true, false);
  THojaCalculo& h = *xls.hojaActual;
  const TDAOfVariant tres{TVariante(1.0), TVariante("dos"), TVariante(true)};
  xls.IrACelda(5, 2);
  xls.EscribirBloque(tres);
  EXPECT_EQ(xls.fila, 5);
  EXPECT_EQ(xls.columna, 5);
  for (int32_t c = 2; c <= 4; ++c) {
    ASSERT_NE(h.Celda(5, c), nullptr);
    EXPECT_EQ(h.Celda(5, c)->valor, tres[static_cast<size_t>(c - 2)]);
  }
  EXPECT_EQ(h.Celda(5, 5), nullptr);
  xls.IrACelda(5, 2);
  xls.EscribirBloqueYSaltar(tres);
  EXPECT_EQ(xls.fila, 6);
  EXPECT_EQ(xls.columna, 1);

  // Empty blocks and an empty buffer change nothing.
  xls.IrACelda(8, 3);
  const size_t celdas = h.Celdas().size();
  xls.EscribirBloque({});
  xls.EscribirBloqueYSaltar({});
  xls.TerminarFila();
  EXPECT_EQ(xls.fila, 8);
  EXPECT_EQ(xls.columna, 3);
  EXPECT_EQ(h.Celdas().size(), celdas);

  // One cell at a time; a line moves to the next row.
  xls.EscribirCelda(TVariante(2.5));
  EXPECT_EQ(xls.columna, 4);
  xls.EscribirLinea("fin");
  EXPECT_EQ(h.Celda(8, 4)->valor, TVariante("fin"));
  EXPECT_EQ(xls.fila, 9);
  EXPECT_EQ(xls.columna, 1);
}

TEST(ExcelFile, BufferDeFilaDe255Valores) {
  T_ExcelFile xls("h", false, true, false);
  THojaCalculo& h = *xls.hojaActual;
  xls.IrACelda(3, 1);
  for (int32_t i = 1; i <= 3; ++i) xls.AgregarAFila(TVariante(i));
  EXPECT_EQ(xls.ColumnaSiguiente(), 4);
  EXPECT_EQ(h.Celdas().size(), 0u);  // nothing written until the row ends
  for (int32_t i = 4; i <= 256; ++i) xls.AgregarAFila(TVariante(i));
  // The 256th value wrote the first 255 and stands alone in the buffer.
  EXPECT_EQ(xls.nBuffer, 1);
  EXPECT_EQ(xls.columna, 256);
  EXPECT_EQ(xls.ColumnaSiguiente(), 257);
  xls.TerminarFila();
  EXPECT_EQ(xls.fila, 4);
  EXPECT_EQ(xls.columna, 1);
  EXPECT_EQ(xls.nBuffer, 0);
  ASSERT_EQ(h.Celdas().size(), 256u);
  for (int32_t c = 1; c <= 256; ++c) EXPECT_EQ(h.Celda(3, c)->valor.Numero(), c) << c;
}

TEST(ExcelFile, TextoCortoSeCortaEnUnLimiteDeCaracter) {
  T_ExcelFile xls("h", false, true, false);
  // 254 ASCII bytes and a two-byte letter: the 255-byte cut would split the letter.
  xls.EscribirTexto(std::string(254, 'a') + "ñb");
  EXPECT_EQ(xls.hojaActual->Celda(1, 1)->valor.Texto(), std::string(254, 'a'));
  xls.EscribirTexto(std::string(253, 'a') + "ñb");
  EXPECT_EQ(xls.hojaActual->Celda(1, 2)->valor.Texto(), std::string(253, 'a') + "ñ");
}

TEST(ExcelFile, HojasAgregadasSeleccionadasYBuscadas) {
  T_ExcelFile xls("x", false, true, false);
  xls.IrACelda(4, 4);
  xls.AgregarHoja("a");
  EXPECT_EQ(xls.hojaActual->Nombre(), "x");  // neither the sheet nor the cursor change
  EXPECT_EQ(xls.fila, 4);
  xls.ActivarHoja("a", 2, 3);
  EXPECT_EQ(xls.hojaActual->Nombre(), "a");
  EXPECT_EQ(xls.fila, 2);
  EXPECT_EQ(xls.columna, 3);
  // With the last worksheet active the new one is not the first: the new one is named all
  // the same, and the first keeps its name.
  xls.SeleccionarHoja("Sheet1");
  xls.AgregarHoja("b");
  std::vector<std::string> orden;
  for (const auto& h : xls.Libro().Hojas()) orden.push_back(h->Nombre());
  EXPECT_EQ(orden, (std::vector<std::string>{"a", "x", "b", "Sheet1"}));
  EXPECT_EQ(&xls.ObtenerHoja("B"), &xls.Libro().Hoja(3));
  EXPECT_EQ(xls.hojaActual->Nombre(), "Sheet1");
  EXPECT_THROW_MSG(xls.AgregarHoja("A"), EErrorGeneral, "Ya existe una hoja con el nombre: 'A'");
  EXPECT_THROW_MSG(xls.SeleccionarHoja("zz"), EErrorGeneral, "No existe la hoja: 'zz'");
}

TEST(ExcelFile, FormatoDeRangoConSuTraza) {
  T_ExcelFile xls("h", false, true, false);
  EXPECT_THROW_MSG(xls.cambiarForamto("0.0"), EErrorGeneral,
                   "No hay un rango seleccionado en el libro");
  xls.SeleccionarRango(2, 2, 3, 3);
  testing::internal::CaptureStdout();
  xls.cambiarForamto("0.00");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "EXCEL v: 1.4000000000000000E+001 cambiarForamto: 0.00\n");
  const THojaCalculo& h = *xls.hojaActual;
  EXPECT_EQ(h.Celdas().size(), 4u);
  for (int32_t f = 2; f <= 3; ++f)
    for (int32_t c = 2; c <= 3; ++c) EXPECT_EQ(h.Celda(f, c)->formato, "0.00");
  EXPECT_EQ(xls.VersionExcel(), 14.0);
}

TEST(ExcelFile, IndiceDeColorEnLaPaleta) {
  T_ExcelFile xls("h", false, true, false);
  const TPaletaXLS p = xls.LeerPaleta();
  EXPECT_EQ(p[3], 255);                           // red
  EXPECT_EQ(IndiceColorXLS(65536 * 255, p), 5);   // blue stands at 5 and 32: the first
  EXPECT_EQ(IndiceColorXLS(128 * 65536, p), 11);  // navy stands at 11 and 25
  EXPECT_EQ(IndiceColorXLS(1 + 256 * 2 + 65536 * 3, p), -1);
  EXPECT_EQ(IndiceColorXLS(0, p), 1);
}

TEST(ExcelFile, GraficoSobreUnRangoConSusSeriesYFormatos) {
  T_ExcelFile xls("hoja1", false, true, false);
  xls.EscribirBloqueYSaltar({TVariante("fecha"), TVariante("a"), TVariante("b")});
  for (int32_t k = 0; k < 4; ++k)
    xls.EscribirBloqueYSaltar({TVariante::FechaHora(42675 + k), TVariante(k), TVariante(2 * k)});
  const std::string nombre = xls.CrearGrafico("hoja1", 1, 3, 1, 5, 65);
  EXPECT_EQ(nombre, "ghoja1");
  EXPECT_EQ(xls.hojaActual->Nombre(), "hoja1");  // the chart is active, the current sheet stays
  TGraficoLibro& g = xls.Libro().Grafico("ghoja1");
  EXPECT_EQ(xls.Libro().HojaActiva(), &g);
  ASSERT_EQ(g.NumeroSeries(), 2);
  EXPECT_EQ(g.Serie(2).colValores, 3);
  EXPECT_EQ(g.Serie(2).colCategorias, 1);
  EXPECT_EQ(g.Serie(2).filaNombre, 1);
  EXPECT_EQ(g.Serie(2).filaDesde, 2);
  EXPECT_EQ(g.Serie(2).filaHasta, 5);
  EXPECT_EQ(g.tamanoFuente, 14.0);
  EXPECT_EQ(g.Eje(2).formatoNumero, "0.0");

  xls.ConfigurarGrafico(nombre, 74, "T", "", false, true, -1.0, 9.0, 42675.0, 42678.0);
  EXPECT_EQ(g.TipoGrafico(), 74);
  EXPECT_EQ(g.Serie(1).tipo, 74);
  EXPECT_TRUE(g.tieneTitulo);
  EXPECT_FALSE(g.Eje(2).tieneTitulo);  // an empty axis title leaves none
  EXPECT_EQ(g.Eje(1).minimo, 42675.0);
  EXPECT_EQ(g.Eje(1).maximo, 42678.0);
  EXPECT_EQ(g.Eje(2).minimo, -1.0);
  EXPECT_FALSE(g.Eje(2).maximo.has_value());
  EXPECT_EQ(g.Serie(2).tamanoMarcador, 2);
  EXPECT_EQ(g.indiceInteriorTrazado, 2);

  xls.FormatearSerie(nombre, 2, 4, 2, 255);
  EXPECT_EQ(g.Serie(2).tipo, 4);
  EXPECT_EQ(g.Serie(2).grupoEje, 2);
  EXPECT_EQ(g.Serie(2).colorBorde, 255);
  EXPECT_FALSE(g.Serie(2).colorFondoMarcador.has_value());
  xls.FormatearSerie(nombre, 1, 74, 1, ColorPorDefectoXLS);  // the default colour: type only
  EXPECT_FALSE(g.Serie(1).colorBorde.has_value());
  xls.FormatearSerie(nombre, 1, 74, 1, 256 * 128);
  EXPECT_EQ(g.Serie(1).estiloMarcador, -4105);
  EXPECT_EQ(g.Serie(1).colorFondoMarcador, 256 * 128);
  EXPECT_EQ(g.Serie(1).colorFrenteMarcador, 256 * 128);
  EXPECT_THROW_MSG(xls.FormatearSerie(nombre, 3, 4, 1, 0), EErrorGeneral,
                   "Serie no válida: 3 de 2");
  EXPECT_THROW_MSG(xls.FormatearSerie(nombre, 1, 4, 3, 0), EErrorGeneral,
                   "Grupo de ejes no válido: 3");
  EXPECT_THROW_MSG(xls.CrearGrafico("hoja1", 1, 3, 1, 5, 4), EErrorGeneral,
                   "Ya existe una hoja con el nombre: 'ghoja1'");
  EXPECT_THROW_MSG(xls.ConfigurarGrafico("gnada", 4, "", "", true, true, 0, 0, 0, 0), EErrorGeneral,
                   "No existe el gráfico: 'gnada'");

  // An area chart keeps its abscissa limits to the application.
  xls.AgregarHoja("h2");
  const std::string otro = xls.CrearGrafico("h2", 1, 2, 1, 3, 76);
  xls.ConfigurarGrafico(otro, 76, "", "MW", true, true, 0, 0, 1.0, 2.0);
  EXPECT_FALSE(xls.Libro().Grafico(otro).Eje(1).minimo.has_value());
  EXPECT_EQ(xls.Libro().Grafico(otro).Eje(2).titulo, "MW");
}

}  // namespace

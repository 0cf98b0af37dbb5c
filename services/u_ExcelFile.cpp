#include "services/u_ExcelFile.h"

#include <iostream>

#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

constexpr int32_t TamanoBuffer = 255;

// A short string holds at most 255 bytes. The cut goes back to the start of a UTF-8
// character, so that no half character reaches the workbook.
std::string CadenaCorta(const std::string& s) {
  if (s.size() <= 255) return s;
  size_t n = 255;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

}  // namespace

T_ExcelFile::T_ExcelFile(const std::string& nombreHoja, bool visible, bool cerrarAlLiberar_,
                         bool alertasAlCerrar_)
    : cerrarAlLiberar(cerrarAlLiberar_), alertasAlCerrar(alertasAlCerrar_) {
  aplicacion = std::make_unique<TAplicacionLibros>();
  aplicacion->visible = visible;
  if (!nombreHoja.empty()) {
    aplicacion->AgregarLibro();
    // The new sheet goes before the active one, so it is the first worksheet.
    aplicacion->Libro(1).AgregarHoja();
    aplicacion->Libro(1).Hoja(1).FijarNombre(nombreHoja);
    SeleccionarHoja(nombreHoja);
  }
  filaBuffer.resize(TamanoBuffer);
  nBuffer = 0;
}

T_ExcelFile::~T_ExcelFile() {
  if (cerrarAlLiberar && aplicacion) {
    aplicacion->alertasVisibles = alertasAlCerrar;
    aplicacion->Salir();
  }
}

TLibroCalculo& T_ExcelFile::Libro() const { return aplicacion->Libro(1); }

THojaCalculo& T_ExcelFile::HojaActual() const {
  if (hojaActual == nullptr) throw EErrorGeneral("No hay una hoja actual en el libro");
  return *hojaActual;
}

void T_ExcelFile::IrACelda(int32_t fila_, int32_t columna_) {
  fila = fila_;
  columna = columna_;
}

void T_ExcelFile::NuevaFila() {
  ++fila;
  columna = 1;
}

int32_t T_ExcelFile::ColumnaSiguiente() const { return columna + nBuffer; }

std::string T_ExcelFile::NombreColumna(int32_t n) {
  // Bijective base 26: the digits run from A (1) to Z (26), there is no zero.
  std::string r;
  int64_t k = n;
  while (k > 0) {
    const int64_t d = (k - 1) % 26;
    r.insert(r.begin(), static_cast<char>('A' + d));
    k = (k - 1) / 26;
  }
  return r;
}

std::string T_ExcelFile::NombreCelda(int32_t fila_, int32_t columna_) {
  return NombreColumna(columna_) + IntToStr(fila_);
}

std::string T_ExcelFile::NombreRango(int32_t fila1, int32_t col1, int32_t fila2, int32_t col2) {
  return NombreCelda(fila1, col1) + ":" + NombreCelda(fila2, col2);
}

void T_ExcelFile::SeleccionarRango(int32_t fila1, int32_t col1, int32_t fila2, int32_t col2) {
  rangoSeleccionado = HojaActual().Rango(NombreRango(fila1, col1, fila2, col2));
}

void T_ExcelFile::cambiarForamto(const std::string& formato) {
  std::cout << ("EXCEL v:" + RealATexto(VersionExcel()) + " cambiarForamto: " + formato + "\n")
            << std::flush;
  if (!rangoSeleccionado) throw EErrorGeneral("No hay un rango seleccionado en el libro");
  rangoSeleccionado->FijarFormato(formato);
}

void T_ExcelFile::AgregarHoja(const std::string& nombre) {
  // The sheet named is the one just added. (Naming the first worksheet instead, which the new
  // one is only while the active sheet is the first, would rename another sheet otherwise.)
  Libro().AgregarHoja().FijarNombre(nombre);
}

THojaCalculo& T_ExcelFile::ObtenerHoja(const std::string& nombre) { return Libro().Hoja(nombre); }

void T_ExcelFile::SeleccionarHoja(const std::string& nombre) {
  hojaActual = &Libro().Hoja(nombre);
  hojaActual->Seleccionar();
  fila = 1;
  columna = 1;
}

void T_ExcelFile::ActivarHoja(const std::string& nombre, int32_t fila_, int32_t columna_) {
  SeleccionarHoja(nombre);
  IrACelda(fila_, columna_);
}

double T_ExcelFile::VersionExcel() const { return aplicacion->Version(); }

TPaletaXLS T_ExcelFile::LeerPaleta() const {
  TPaletaXLS p{};
  for (int32_t i = 1; i <= 56; ++i) p[static_cast<size_t>(i)] = Libro().Color(i);
  return p;
}

int32_t IndiceColorXLS(TColorLibro color, const TPaletaXLS& paleta) {
  for (int32_t i = 1; i <= 56; ++i)
    if (paleta[static_cast<size_t>(i)] == color) return i;
  return -1;
}

void T_ExcelFile::EscribirCelda(const TVariante& v) {
  HojaActual().FijarValor(fila, columna, v);
  ++columna;
}

void T_ExcelFile::EscribirTexto(const std::string& s) { EscribirCelda(TVariante(CadenaCorta(s))); }

void T_ExcelFile::EscribirLinea(const std::string& s) {
  EscribirTexto(s);
  NuevaFila();
}

void T_ExcelFile::EscribirBloque(const TDAOfVariant& valores) {
  if (valores.empty()) return;
  const auto n = static_cast<int32_t>(valores.size());
  const TRangoLibro destino =
      HojaActual().Rango(NombreCelda(fila, columna), NombreCelda(fila, columna + n - 1));
  columna += n;
  destino.FijarValores(valores);
}

void T_ExcelFile::EscribirBloqueYSaltar(const TDAOfVariant& valores) {
  if (valores.empty()) return;
  const auto n = static_cast<int32_t>(valores.size());
  const TRangoLibro destino =
      HojaActual().Rango(NombreCelda(fila, columna), NombreCelda(fila, columna + n - 1));
  columna = 1;
  ++fila;
  destino.FijarValores(valores);
}

void T_ExcelFile::AgregarAFila(const TVariante& v) {
  if (nBuffer >= TamanoBuffer) {
    EscribirBloque(filaBuffer);
    nBuffer = 0;
  }
  filaBuffer[static_cast<size_t>(nBuffer)] = v;
  ++nBuffer;
}

void T_ExcelFile::TerminarFila() {
  if (nBuffer <= 0) return;
  const TDAOfVariant valores(filaBuffer.begin(), filaBuffer.begin() + nBuffer);
  EscribirBloqueYSaltar(valores);
  nBuffer = 0;
}

std::string T_ExcelFile::CrearGrafico(const std::string& nombreHoja_, int32_t col1, int32_t col2,
                                      int32_t fila1, int32_t fila2, int32_t tipoXL) {
  const std::string nombreHoja = CadenaCorta(nombreHoja_);
  THojaCalculo& hoja = ObtenerHoja(nombreHoja);
  TGraficoLibro& grafico = Libro().AgregarGrafico();
  grafico.Seleccionar();
  grafico.FijarTipoGrafico(tipoXL);
  grafico.FijarNombre("g" + nombreHoja);
  grafico.FijarDatosOrigen(hoja.Rango(NombreColumna(col1) + IntToStr(fila1) + ":" +
                                      NombreColumna(col2) + IntToStr(fila2)),
                           2);
  grafico.tamanoFuente = 14.0;
  grafico.Eje(2).formatoNumero = "0.0";
  return grafico.Nombre();
}

void T_ExcelFile::ConfigurarGrafico(const std::string& nombreGrafico, int32_t tipoXL,
                                    const std::string& titulo, const std::string& tituloEje,
                                    bool minimoYAuto, bool maximoYAuto, double minimoY,
                                    double maximoY, double minimoX, double maximoX) {
  TGraficoLibro& g = Libro().Grafico(CadenaCorta(nombreGrafico));
  g.FijarTipoGrafico(tipoXL);
  if (!titulo.empty()) {
    g.tieneTitulo = true;
    g.titulo = CadenaCorta(titulo);
  }
  g.Eje(1, 1).tieneTitulo = false;
  if (tipoXL != 76) {
    g.Eje(1).minimo = minimoX;
    g.Eje(1).maximo = maximoX;
  }
  if (!tituloEje.empty()) {
    g.Eje(2, 1).tieneTitulo = true;
    g.Eje(2, 1).titulo = CadenaCorta(tituloEje);
  }
  g.indiceInteriorTrazado = 2;
  if (minimoYAuto)
    g.Eje(2).minimo.reset();
  else
    g.Eje(2).minimo = minimoY;
  if (maximoYAuto)
    g.Eje(2).maximo.reset();
  else
    g.Eje(2).maximo = maximoY;
  for (int32_t i = 1; i <= g.NumeroSeries(); ++i) g.Serie(i).tamanoMarcador = 2;
}

void T_ExcelFile::FormatearSerie(const std::string& nombreGrafico, int32_t indice,
                                 int32_t tipoSerie, int32_t eje, TColorLibro color) {
  TGraficoLibro& g = Libro().Grafico(CadenaCorta(nombreGrafico));
  g.FijarTipoSerie(indice, tipoSerie);
  g.FijarGrupoEje(indice, eje);
  if (color == ColorPorDefectoXLS) return;
  TSerieLibro& serie = g.Serie(indice);
  std::optional<TColorLibro> c;
  if (VersionExcel() < 12) {
    // Before version 12 a series takes an index of the palette; a colour not in it gives -1,
    // which this application takes as "automatic".
    const int32_t k = IndiceColorXLS(color, LeerPaleta());
    if (k >= 1) c = Libro().Color(k);
  } else {
    c = color;
  }
  // The interior only for areas; the border (the line of a line or scatter series) always.
  if (tipoSerie == 76) serie.colorInterior = c;
  serie.colorBorde = c;
  if (tipoSerie == 74) {
    serie.estiloMarcador = -4105;
    serie.tamanoMarcador = 2;
    serie.colorFondoMarcador = c;
    serie.colorFrenteMarcador = c;
  }
}

std::filesystem::path T_ExcelFile::Guardar(const std::string& archivo) {
  std::cout << ("T_ExcelFile.Guardar('" + archivo + "')\n") << std::flush;
  TLibroCalculo& libro = Libro();
  return libro.GuardarComo(archivo, libro.FormatoArchivo());
}

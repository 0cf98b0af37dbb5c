#include "platform/librocalculo.h"

#include <locale.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "platform/zip_reemplazo.h"

namespace {

constexpr TColorLibro DesdeRGB(uint32_t rgb) {
  // 0xRRGGBB -> R + 256·G + 65536·B
  return static_cast<TColorLibro>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

lxw_color_t ALxw(TColorLibro c) {
  const uint32_t u = static_cast<uint32_t>(c);
  const lxw_color_t rgb = ((u & 0xFF) << 16) | (u & 0xFF00) | ((u >> 16) & 0xFF);
  // libxlsxwriter reads 0 as "no colour"; black has a value of its own.
  return rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb;
}

char Mayuscula(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IgualesSinCaso(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Mayuscula(a[i]) != Mayuscula(b[i])) return false;
  return true;
}

// Characters of a UTF-8 text (continuation bytes not counted).
size_t Caracteres(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// The text with every byte that does not start or continue a well-formed UTF-8 sequence
// replaced by "?": an invalid sequence would make the whole saved file unreadable.
std::string Utf8Valido(const std::string& s) {
  std::string r;
  r.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t largo = c < 0x80                   ? 1
                   : (c >= 0xC2 && c <= 0xDF) ? 2
                   : (c >= 0xE0 && c <= 0xEF) ? 3
                   : (c >= 0xF0 && c <= 0xF4) ? 4
                                              : 0;
    bool ok = largo > 0 && i + largo <= s.size();
    for (size_t k = 1; ok && k < largo; ++k)
      ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (ok && largo == 3) {
      const unsigned char d = static_cast<unsigned char>(s[i + 1]);
      ok = !(c == 0xE0 && d < 0xA0) && !(c == 0xED && d >= 0xA0);  // overlong, surrogates
    } else if (ok && largo == 4) {
      const unsigned char d = static_cast<unsigned char>(s[i + 1]);
      ok = !(c == 0xF0 && d < 0x90) && !(c == 0xF4 && d >= 0x90);
    }
    if (ok) {
      r.append(s, i, largo);
      i += largo;
    } else {
      r.push_back('?');
      ++i;
    }
  }
  return r;
}

void ComprobarCelda(int32_t fila, int32_t columna) {
  if (fila < 1 || fila > MaxFilasHoja || columna < 1 || columna > MaxColumnasHoja)
    throw EErrorGeneral("Celda fuera de la hoja: fila " + IntToStr(fila) + ", columna " +
                        IntToStr(columna));
}

// The length limit of a cell's text in the saved file.
constexpr size_t MaxTextoCelda = 32767;

}  // namespace

// ---------------------------------------------------------------------------------------------

const std::array<TColorLibro, 56>& PaletaPorDefecto() {
  static const std::array<TColorLibro, 56> paleta = [] {
    constexpr uint32_t rgb[56] = {
        0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
        0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
        0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
        0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
        0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
        0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
        0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
    std::array<TColorLibro, 56> p{};
    for (size_t i = 0; i < 56; ++i) p[i] = DesdeRGB(rgb[i]);
    return p;
  }();
  return paleta;
}

bool LeerNombreCelda(std::string_view s, int32_t& fila, int32_t& columna) {
  size_t i = 0;
  int64_t c = 0;
  while (i < s.size() && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) {
    c = c * 26 + (Mayuscula(s[i]) - 'A' + 1);
    if (c > MaxColumnasHoja) return false;
    ++i;
  }
  if (i == 0 || i == s.size() || s[i] == '0') return false;
  int64_t f = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    f = f * 10 + (s[i] - '0');
    if (f > MaxFilasHoja) return false;
  }
  fila = static_cast<int32_t>(f);
  columna = static_cast<int32_t>(c);
  return true;
}

bool TipoDeGraficoValido(int32_t tipo) {
  switch (tipo) {
    case 1:
    case 76:
    case 4:
    case 65:
    case -4169:
    case 74:
    case 75:
    case 51:
    case 57:
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Ranges and worksheets

void TRangoLibro::FijarValores(const TDAOfVariant& valores) const {
  for (int32_t f = fila1; f <= fila2; ++f)
    for (int32_t c = col1; c <= col2; ++c) {
      const size_t k = static_cast<size_t>(c - col1);
      hoja->FijarValor(f, c, k < valores.size() ? valores[k] : TVariante());
    }
}

void TRangoLibro::FijarFormato(const std::string& formato) const {
  for (int32_t f = fila1; f <= fila2; ++f)
    for (int32_t c = col1; c <= col2; ++c) hoja->CeldaParaEscribir(f, c).formato = formato;
}

TCeldaLibro& THojaCalculo::CeldaParaEscribir(int32_t fila, int32_t columna) {
  ComprobarCelda(fila, columna);
  return celdas_[{fila, columna}];
}

void THojaCalculo::FijarValor(int32_t fila, int32_t columna, const TVariante& v) {
  if (v.Tipo() == TVariante::TTipo::Texto && Caracteres(v.Texto()) > MaxTextoCelda)
    throw EErrorGeneral("Texto demasiado largo para una celda: " +
                        IntToStr(static_cast<int64_t>(Caracteres(v.Texto()))) + " caracteres");
  TCeldaLibro& celda = CeldaParaEscribir(fila, columna);
  celda.valor = v;
  // A date-time lands in a cell that shows numbers in general form as a date.
  if (v.Tipo() == TVariante::TTipo::FechaHora &&
      (celda.formato.empty() || IgualesSinCaso(celda.formato, "General"))) {
    const bool conHora = std::isfinite(v.Numero()) && v.Numero() != std::floor(v.Numero());
    celda.formato = FormatSettings().ShortDateFormat + (conHora ? " hh:mm" : "");
  }
}

const TCeldaLibro* THojaCalculo::Celda(int32_t fila, int32_t columna) const {
  auto it = celdas_.find({fila, columna});
  return it == celdas_.end() ? nullptr : &it->second;
}

TRangoLibro THojaCalculo::Rango(std::string_view nombre) {
  const size_t dos = nombre.find(':');
  if (dos == std::string_view::npos) return Rango(nombre, nombre);
  return Rango(nombre.substr(0, dos), nombre.substr(dos + 1));
}

TRangoLibro THojaCalculo::Rango(std::string_view celda1, std::string_view celda2) {
  TRangoLibro r;
  r.hoja = this;
  if (!LeerNombreCelda(celda1, r.fila1, r.col1) || !LeerNombreCelda(celda2, r.fila2, r.col2))
    throw EErrorGeneral("Rango no válido: " + std::string(celda1) +
                        (celda1 == celda2 ? "" : ":" + std::string(celda2)));
  if (r.fila1 > r.fila2) std::swap(r.fila1, r.fila2);
  if (r.col1 > r.col2) std::swap(r.col1, r.col2);
  return r;
}

void THojaLibro::FijarNombre(const std::string& nombre) {
  const size_t n = Caracteres(nombre);
  const bool prohibido = nombre.find_first_of(":\\/?*[]") != std::string::npos;
  if (n == 0 || n > 31 || prohibido || nombre.front() == '\'' || nombre.back() == '\'' ||
      Utf8Valido(nombre) != nombre)
    throw EErrorGeneral("Nombre de hoja no válido: '" + nombre + "'");
  THojaLibro* otra = libro_->Buscar(nombre);
  if (otra != nullptr && otra != this)
    throw EErrorGeneral("Ya existe una hoja con el nombre: '" + nombre + "'");
  nombre_ = nombre;
}

void THojaLibro::Seleccionar() { libro_->activa_ = this; }

// ---------------------------------------------------------------------------------------------
// Charts

void TGraficoLibro::FijarTipoGrafico(int32_t tipo) {
  if (!TipoDeGraficoValido(tipo))
    throw EErrorGeneral("Tipo de gráfico no válido: " + IntToStr(tipo));
  tipo_ = tipo;
  for (TSerieLibro& s : series_) s.tipo = tipo;
}

void TGraficoLibro::FijarTipoSerie(int32_t i, int32_t tipo) {
  if (!TipoDeGraficoValido(tipo))
    throw EErrorGeneral("Tipo de gráfico no válido: " + IntToStr(tipo));
  Serie(i).tipo = tipo;
}

void TGraficoLibro::FijarGrupoEje(int32_t i, int32_t grupo) {
  if (grupo != 1 && grupo != 2) throw EErrorGeneral("Grupo de ejes no válido: " + IntToStr(grupo));
  Serie(i).grupoEje = grupo;
}

void TGraficoLibro::FijarDatosOrigen(const TRangoLibro& rango, int32_t porFilasOColumnas) {
  if (rango.hoja == nullptr) throw EErrorGeneral("Rango no válido: sin hoja");
  if (porFilasOColumnas != 2)
    throw EErrorGeneral("Orden de series no soportado: " + IntToStr(porFilasOColumnas));
  series_.clear();
  const bool conNombres = rango.fila2 > rango.fila1;
  const bool conCategorias = rango.col2 > rango.col1;
  for (int32_t c = rango.col1 + (conCategorias ? 1 : 0); c <= rango.col2; ++c) {
    TSerieLibro s;
    s.hoja = rango.hoja;
    if (conNombres) {
      s.filaNombre = rango.fila1;
      s.colNombre = c;
    }
    s.filaDesde = rango.fila1 + (conNombres ? 1 : 0);
    s.filaHasta = rango.fila2;
    s.colValores = c;
    s.colCategorias = conCategorias ? rango.col1 : 0;
    s.tipo = tipo_;
    series_.push_back(std::move(s));
  }
}

TEjeLibro& TGraficoLibro::Eje(int32_t tipo, int32_t grupo) {
  if ((tipo != 1 && tipo != 2) || (grupo != 1 && grupo != 2))
    throw EErrorGeneral("Eje no válido: " + IntToStr(tipo) + ", " + IntToStr(grupo));
  return ejes_[static_cast<size_t>((grupo - 1) * 2 + (tipo - 1))];
}

const TEjeLibro& TGraficoLibro::Eje(int32_t tipo, int32_t grupo) const {
  return const_cast<TGraficoLibro*>(this)->Eje(tipo, grupo);
}

TSerieLibro& TGraficoLibro::Serie(int32_t i) {
  if (i < 1 || i > NumeroSeries())
    throw EErrorGeneral("Serie no válida: " + IntToStr(i) + " de " + IntToStr(NumeroSeries()));
  return series_[static_cast<size_t>(i - 1)];
}

// ---------------------------------------------------------------------------------------------
// Workbooks

TLibroCalculo::TLibroCalculo() {
  auto hoja = std::make_unique<THojaCalculo>(*this);
  hoja->nombre_ = "Sheet1";
  activa_ = hoja.get();
  hojas_.push_back(std::move(hoja));
}

THojaLibro* TLibroCalculo::Buscar(std::string_view nombre) const {
  for (const auto& h : hojas_)
    if (IgualesSinCaso(h->Nombre(), nombre)) return h.get();
  return nullptr;
}

std::string TLibroCalculo::NombreLibre(std::string_view base) const {
  for (int32_t n = 1;; ++n) {
    std::string nombre = std::string(base) + IntToStr(n);
    if (Buscar(nombre) == nullptr) return nombre;
  }
}

void TLibroCalculo::Insertar(std::unique_ptr<THojaLibro> hoja) {
  auto donde = std::find_if(hojas_.begin(), hojas_.end(),
                            [this](const auto& h) { return h.get() == activa_; });
  hojas_.insert(donde, std::move(hoja));
}

THojaCalculo& TLibroCalculo::AgregarHoja() {
  auto hoja = std::make_unique<THojaCalculo>(*this);
  hoja->nombre_ = NombreLibre("Sheet");
  THojaCalculo& r = *hoja;
  Insertar(std::move(hoja));
  return r;
}

TGraficoLibro& TLibroCalculo::AgregarGrafico() {
  auto grafico = std::make_unique<TGraficoLibro>(*this);
  grafico->nombre_ = NombreLibre("Chart");
  TGraficoLibro& r = *grafico;
  Insertar(std::move(grafico));
  activa_ = &r;
  return r;
}

THojaCalculo& TLibroCalculo::Hoja(int32_t i) {
  int32_t k = 0;
  for (const auto& h : hojas_)
    if (h->Tipo() == TTipoHojaLibro::Hoja && ++k == i) return static_cast<THojaCalculo&>(*h);
  throw EErrorGeneral("No existe la hoja número " + IntToStr(i));
}

THojaCalculo& TLibroCalculo::Hoja(std::string_view nombre) {
  THojaLibro* h = Buscar(nombre);
  if (h == nullptr || h->Tipo() != TTipoHojaLibro::Hoja)
    throw EErrorGeneral("No existe la hoja: '" + std::string(nombre) + "'");
  return static_cast<THojaCalculo&>(*h);
}

TGraficoLibro& TLibroCalculo::Grafico(std::string_view nombre) {
  THojaLibro* h = Buscar(nombre);
  if (h == nullptr || h->Tipo() != TTipoHojaLibro::Grafico)
    throw EErrorGeneral("No existe el gráfico: '" + std::string(nombre) + "'");
  return static_cast<TGraficoLibro&>(*h);
}

int32_t TLibroCalculo::NumeroHojas() const {
  return static_cast<int32_t>(std::count_if(hojas_.begin(), hojas_.end(), [](const auto& h) {
    return h->Tipo() == TTipoHojaLibro::Hoja;
  }));
}

TColorLibro TLibroCalculo::Color(int32_t indice) const {
  if (indice < 1 || indice > 56)
    throw EErrorGeneral("Índice de color no válido: " + IntToStr(indice));
  return PaletaPorDefecto()[static_cast<size_t>(indice - 1)];
}

// ---------------------------------------------------------------------------------------------
// Saving

namespace {

uint8_t TipoLxw(int32_t tipo) {
  switch (tipo) {
    case 1:
      return LXW_CHART_AREA;
    case 76:
      return LXW_CHART_AREA_STACKED;
    case 4:
    case 65:
      return LXW_CHART_LINE;
    case -4169:
      return LXW_CHART_SCATTER;
    case 74:
      return LXW_CHART_SCATTER_STRAIGHT_WITH_MARKERS;
    case 75:
      return LXW_CHART_SCATTER_STRAIGHT;
    case 57:
      return LXW_CHART_BAR;
    default:
      return LXW_CHART_COLUMN;
  }
}

bool DeAreas(int32_t tipo) { return tipo == 1 || tipo == 76; }
bool ConMarcadores(int32_t tipo) { return tipo == 65 || tipo == 74 || tipo == -4169; }
bool ConLineas(int32_t tipo) { return tipo == 4 || tipo == 65 || tipo == 74 || tipo == 75; }
bool DeLineasOPuntos(int32_t tipo) {
  return tipo == 4 || tipo == 65 || tipo == 74 || tipo == 75 || tipo == -4169;
}

// A line of the application as libxlsxwriter's; false for the automatic line (nothing to set).
bool LineaLxw(const TLineaLibro& l, const TLibroCalculo& libro, lxw_chart_line& r) {
  r = lxw_chart_line{};
  if (l.estilo == 0) return false;
  if (l.estilo == -4142) {
    r.none = 1;
    return true;
  }
  switch (l.estilo) {
    case -4115:
      r.dash_type = LXW_CHART_LINE_DASH_DASH;
      break;
    case -4118:
      r.dash_type = LXW_CHART_LINE_DASH_ROUND_DOT;
      break;
    case 4:
      r.dash_type = LXW_CHART_LINE_DASH_DASH_DOT;
      break;
    case 5:
      r.dash_type = LXW_CHART_LINE_DASH_LONG_DASH_DOT_DOT;
      break;
    default:
      r.dash_type = LXW_CHART_LINE_DASH_SOLID;
      break;
  }
  switch (l.grosor) {
    case 1:
      r.width = 0.25f;
      break;
    case -4138:
      r.width = 1.5f;
      break;
    case 4:
      r.width = 2.25f;
      break;
    default:
      r.width = 0.75f;
      break;
  }
  if (l.indiceColor >= 1 && l.indiceColor <= 56) r.color = ALxw(libro.Color(l.indiceColor));
  return true;
}

uint8_t MarcaLxw(int32_t marca) {
  switch (marca) {
    case 2:
      return LXW_CHART_AXIS_TICK_MARK_INSIDE;
    case 3:
      return LXW_CHART_AXIS_TICK_MARK_OUTSIDE;
    case 4:
      return LXW_CHART_AXIS_TICK_MARK_CROSSING;
    default:
      return LXW_CHART_AXIS_TICK_MARK_NONE;
  }
}

void Reemplazar(std::string& s, const std::string& de, const std::string& a) {
  for (size_t p = s.find(de); p != std::string::npos; p = s.find(de, p + a.size()))
    s.replace(p, de.size(), a);
}

// A sheet name as it stands in a formula of the file: between apostrophes (doubled inside),
// XML-escaped. Quoting is always allowed, and needed for names that start with a digit, look
// like a cell or hold anything but letters, digits and "_".
std::string NombreCitado(const std::string& nombre) {
  std::string r = "'";
  for (char c : Utf8Valido(nombre)) {
    switch (c) {
      case '\'':
        r += "''";
        break;
      case '&':
        r += "&amp;";
        break;
      case '<':
        r += "&lt;";
        break;
      case '>':
        r += "&gt;";
        break;
      case '"':
        r += "&quot;";
        break;
      default:
        r.push_back(c);
    }
  }
  return r + "'";
}

std::string NumeroXml(double x) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, x);
  return std::string(buf, r.ptr);
}

// Series on the secondary axis group. libxlsxwriter 1.1 puts every series of a chart in one
// group on one pair of axes; the chart part is rewritten here with a second group of the same
// type holding the secondary series, on a second pair of axes: an abscissa axis that is not
// shown (for scatter charts with the primary one's limits, so that both groups place their
// points alike) and a value axis on the right.
void AgregarGrupoSecundario(const TGraficoLibro& g, std::string& xml) {
  bool primarias = false, secundarias = false;
  for (const TSerieLibro& s : g.Series()) (s.grupoEje == 2 ? secundarias : primarias) = true;
  if (!primarias || !secundarias) return;
  const int32_t tipo = g.TipoGrafico();
  const bool dispersion = tipo == 74 || tipo == 75 || tipo == -4169;
  const std::string etiqueta = dispersion                  ? "c:scatterChart"
                               : (tipo == 4 || tipo == 65) ? "c:lineChart"
                               : (tipo == 1 || tipo == 76) ? "c:areaChart"
                                                           : "";
  if (etiqueta.empty()) return;
  const size_t inicio = xml.find("<" + etiqueta + ">");
  const size_t cierre = xml.find("</" + etiqueta + ">");
  if (inicio == std::string::npos || cierre == std::string::npos) return;
  const size_t fin = cierre + etiqueta.size() + 3;

  // The group's head (type and style), its series in order, and its tail (axis ids).
  std::vector<std::string> series;
  size_t p = xml.find("<c:ser>", inicio);
  const size_t primeraSerie = p;
  size_t ultimo = p;
  while (p != std::string::npos && p < cierre) {
    const size_t q = xml.find("</c:ser>", p) + 8;
    series.push_back(xml.substr(p, q - p));
    ultimo = q;
    p = xml.find("<c:ser>", q);
  }
  if (series.size() != g.Series().size() || primeraSerie == std::string::npos) return;
  const std::string cabeza = xml.substr(inicio, primeraSerie - inicio);
  const std::string cola = xml.substr(ultimo, fin - ultimo);
  std::string grupo1 = cabeza, grupo2 = cabeza;
  for (size_t i = 0; i < series.size(); ++i)
    (g.Series()[i].grupoEje == 2 ? grupo2 : grupo1) += series[i];
  grupo1 += cola;
  // The second group's own axis ids.
  const std::string x2 = "50010003", y2 = "50010004";
  const size_t ids = cola.find("<c:axId");
  grupo2 += cola.substr(0, ids) + "<c:axId val=\"" + x2 + "\"/><c:axId val=\"" + y2 + "\"/></" +
            etiqueta + ">";
  xml.replace(inicio, fin - inicio, grupo1 + grupo2);

  const TEjeLibro& xPrim = g.Eje(1, 1);
  const TEjeLibro& ySec = g.Eje(2, 2);
  const auto escala = [](const std::optional<double>& mn, const std::optional<double>& mx) {
    std::string r = "<c:scaling><c:orientation val=\"minMax\"/>";
    if (mx) r += "<c:max val=\"" + NumeroXml(*mx) + "\"/>";
    if (mn) r += "<c:min val=\"" + NumeroXml(*mn) + "\"/>";
    return r + "</c:scaling>";
  };
  std::string texto;
  if (g.tamanoFuente)
    texto = "<c:txPr><a:bodyPr/><a:lstStyle/><a:p><a:pPr><a:defRPr sz=\"" +
            IntToStr(static_cast<int64_t>(std::lround(*g.tamanoFuente * 100))) +
            "\"/></a:pPr><a:endParaRPr lang=\"en-US\"/></a:p></c:txPr>";
  std::string ejes;
  if (dispersion)
    ejes = "<c:valAx><c:axId val=\"" + x2 + "\"/>" + escala(xPrim.minimo, xPrim.maximo) +
           "<c:delete val=\"1\"/><c:axPos val=\"b\"/><c:majorTickMark val=\"out\"/>"
           "<c:minorTickMark val=\"none\"/><c:tickLblPos val=\"nextTo\"/><c:crossAx val=\"" +
           y2 + "\"/><c:crosses val=\"autoZero\"/><c:crossBetween val=\"midCat\"/></c:valAx>";
  else
    ejes = "<c:catAx><c:axId val=\"" + x2 + "\"/>" + escala({}, {}) +
           "<c:delete val=\"1\"/><c:axPos val=\"b\"/><c:majorTickMark val=\"out\"/>"
           "<c:minorTickMark val=\"none\"/><c:tickLblPos val=\"nextTo\"/><c:crossAx val=\"" +
           y2 +
           "\"/><c:crosses val=\"autoZero\"/><c:auto val=\"1\"/><c:lblAlgn val=\"ctr\"/>"
           "<c:lblOffset val=\"100\"/><c:noMultiLvlLbl val=\"0\"/></c:catAx>";
  ejes += "<c:valAx><c:axId val=\"" + y2 + "\"/>" + escala(ySec.minimo, ySec.maximo) +
          "<c:delete val=\"0\"/><c:axPos val=\"r\"/>";
  if (ySec.tieneTitulo && !ySec.titulo.empty()) {
    std::string t;
    for (char c : Utf8Valido(ySec.titulo)) {
      if (c == '&')
        t += "&amp;";
      else if (c == '<')
        t += "&lt;";
      else if (c == '>')
        t += "&gt;";
      else
        t.push_back(c);
    }
    ejes +=
        "<c:title><c:tx><c:rich><a:bodyPr rot=\"-5400000\" "
        "vert=\"horz\"/><a:lstStyle/><a:p><a:r><a:t>" +
        t + "</a:t></a:r></a:p></c:rich></c:tx><c:overlay val=\"0\"/></c:title>";
  }
  ejes +=
      "<c:numFmt formatCode=\"General\" sourceLinked=\"1\"/><c:majorTickMark val=\"out\"/>"
      "<c:minorTickMark val=\"none\"/><c:tickLblPos val=\"nextTo\"/>" +
      texto + "<c:crossAx val=\"" + x2 + "\"/><c:crosses val=\"max\"/><c:crossBetween val=\"" +
      (dispersion ? "midCat" : "between") + "\"/></c:valAx>";
  // Right after the primary axes (and so before the plot area's own shape properties).
  const size_t finTrazado = xml.find("</c:plotArea>");
  size_t donde = std::string::npos;
  for (const char* etiquetaEje : {"</c:valAx>", "</c:catAx>", "</c:dateAx>"}) {
    const size_t q = xml.rfind(etiquetaEje, finTrazado);
    if (q != std::string::npos &&
        (donde == std::string::npos || q + std::strlen(etiquetaEje) > donde))
      donde = q + std::strlen(etiquetaEje);
  }
  if (donde == std::string::npos) return;
  xml.insert(donde, ejes);
}

class TEscritorXlsx {
 public:
  TEscritorXlsx(const TLibroCalculo& libro, lxw_workbook* wb) : libro_(libro), wb_(wb) {}

  void Escribir() {
    for (const auto& h : libro_.Hojas()) {
      if (h->Tipo() == TTipoHojaLibro::Hoja) {
        lxw_worksheet* ws = workbook_add_worksheet(wb_, h->Nombre().c_str());
        Comprobar(ws != nullptr, h->Nombre());
        EscribirHoja(static_cast<const THojaCalculo&>(*h), ws);
        if (h.get() == libro_.HojaActiva()) worksheet_activate(ws);
      } else {
        lxw_chartsheet* cs = workbook_add_chartsheet(wb_, h->Nombre().c_str());
        Comprobar(cs != nullptr, h->Nombre());
        const auto& g = static_cast<const TGraficoLibro&>(*h);
        lxw_chart* chart = workbook_add_chart(wb_, TipoLxw(g.TipoGrafico()));
        Comprobar(chart != nullptr, h->Nombre());
        EscribirGrafico(g, chart);
        Comprobar(chartsheet_set_chart(cs, chart) == LXW_NO_ERROR, h->Nombre());
        // The chart parts are numbered in the order of the chart sheets.
        reemplazos_["xl/charts/chart" + IntToStr(static_cast<int64_t>(++graficos_)) + ".xml"] =
            XmlDeGrafico(g);
        if (h.get() == libro_.HojaActiva()) chartsheet_activate(cs);
      }
    }
  }

  // The chart parts that replace libxlsxwriter's in the saved package.
  const std::map<std::string, std::string>& Reemplazos() const { return reemplazos_; }

 private:
  static void Comprobar(bool ok, const std::string& hoja) {
    if (!ok) throw EErrorGeneral("No puedo escribir la hoja: '" + hoja + "'");
  }

  lxw_format* Formato(const std::string& codigo) {
    if (codigo.empty()) return nullptr;
    auto it = formatos_.find(codigo);
    if (it != formatos_.end()) return it->second;
    lxw_format* f = workbook_add_format(wb_);
    format_set_num_format(f, Utf8Valido(codigo).c_str());
    formatos_[codigo] = f;
    return f;
  }

  void EscribirHoja(const THojaCalculo& hoja, lxw_worksheet* ws) {
    for (const auto& [pos, celda] : hoja.Celdas()) {
      const auto f = static_cast<lxw_row_t>(pos.first - 1);
      const auto c = static_cast<lxw_col_t>(pos.second - 1);
      lxw_format* fmt = Formato(celda.formato);
      lxw_error e = LXW_NO_ERROR;
      const TVariante& v = celda.valor;
      switch (v.Tipo()) {
        case TVariante::TTipo::Vacio:
          if (fmt != nullptr) e = worksheet_write_blank(ws, f, c, fmt);
          break;
        case TVariante::TTipo::Numero:
        case TVariante::TTipo::FechaHora:
          // The file has no NaN nor infinities: such a value is written as an empty cell
          // (keeping its format), which charts leave out. A formula such as =NA() would carry
          // a cached result, and a reader that does not recalculate on opening shows that
          // instead (0 with libxlsxwriter).
          if (std::isfinite(v.Numero()))
            e = worksheet_write_number(ws, f, c, v.Numero(), fmt);
          else if (fmt != nullptr)
            e = worksheet_write_blank(ws, f, c, fmt);
          break;
        case TVariante::TTipo::Texto:
          e = worksheet_write_string(ws, f, c, Utf8Valido(v.Texto()).c_str(), fmt);
          break;
        case TVariante::TTipo::Booleano:
          e = worksheet_write_boolean(ws, f, c, v.Booleano() ? 1 : 0, fmt);
          break;
      }
      if (e != LXW_NO_ERROR)
        throw EErrorGeneral("No puedo escribir la celda " + IntToStr(pos.first) + ", " +
                            IntToStr(pos.second) + " de la hoja '" + hoja.Nombre() +
                            "': " + lxw_strerror(e));
    }
  }

  lxw_chart_font Fuente(const TGraficoLibro& g, int32_t rotacion = 0) {
    lxw_chart_font fu{};
    if (g.tamanoFuente) fu.size = *g.tamanoFuente;
    fu.rotation = rotacion;
    return fu;
  }

  void EscribirEje(const TGraficoLibro& g, const TEjeLibro& e, lxw_chart_axis* ax) {
    lxw_chart_font fuente = Fuente(g);
    if (e.tieneTitulo && !e.titulo.empty()) {
      chart_axis_set_name(ax, Utf8Valido(e.titulo).c_str());
      chart_axis_set_name_font(ax, &fuente);
    }
    // The application turns positive orientations counter-clockwise, the file's rotation
    // clockwise.
    lxw_chart_font numeros = Fuente(g, -e.orientacion);
    if (g.tamanoFuente || e.orientacion != 0) chart_axis_set_num_font(ax, &numeros);
    if (!e.formatoNumero.empty())
      chart_axis_set_num_format(ax, Utf8Valido(e.formatoNumero).c_str());
    // libxlsxwriter 1.1 takes no limits nor units on a category axis, nor limits on the value
    // axis of an area chart: it refuses them with a warning on the console. Those of the value
    // axis are put into the chart part afterwards (LimitesDelEjeDeAreas).
    if (!ax->is_category && !DeAreas(g.TipoGrafico())) {
      if (e.minimo) chart_axis_set_min(ax, *e.minimo);
      if (e.maximo) chart_axis_set_max(ax, *e.maximo);
    }
    if (!ax->is_category) {
      if (e.unidadMayor) chart_axis_set_major_unit(ax, *e.unidadMayor);
      if (e.unidadMenor) chart_axis_set_minor_unit(ax, *e.unidadMenor);
    }
    if (e.espaciadoEtiquetas && *e.espaciadoEtiquetas > 0)
      chart_axis_set_interval_unit(ax, static_cast<uint16_t>(*e.espaciadoEtiquetas));
    if (e.espaciadoMarcas && *e.espaciadoMarcas > 0)
      chart_axis_set_interval_tick(ax, static_cast<uint16_t>(*e.espaciadoMarcas));
    if (e.marcaMayor != 3) chart_axis_set_major_tick_mark(ax, MarcaLxw(e.marcaMayor));
    if (e.marcaMenor != -4142) chart_axis_set_minor_tick_mark(ax, MarcaLxw(e.marcaMenor));
    switch (e.posicionEtiquetas) {
      case -4134:
        chart_axis_set_label_position(ax, LXW_CHART_AXIS_LABEL_POSITION_LOW);
        break;
      case -4127:
        chart_axis_set_label_position(ax, LXW_CHART_AXIS_LABEL_POSITION_HIGH);
        break;
      case -4142:
        chart_axis_set_label_position(ax, LXW_CHART_AXIS_LABEL_POSITION_NONE);
        break;
      default:
        break;
    }
    lxw_chart_line l;
    chart_axis_major_gridlines_set_visible(ax, e.lineasMayores ? 1 : 0);
    if (e.lineasMayores && LineaLxw(e.bordeLineasMayores, libro_, l))
      chart_axis_major_gridlines_set_line(ax, &l);
    chart_axis_minor_gridlines_set_visible(ax, e.lineasMenores ? 1 : 0);
    if (e.lineasMenores && LineaLxw(e.bordeLineasMenores, libro_, l))
      chart_axis_minor_gridlines_set_line(ax, &l);
  }

  void EscribirSerie(const TGraficoLibro& g, const TSerieLibro& s, size_t indice,
                     lxw_chart* chart) {
    lxw_chart_series* se = chart_add_series(chart, nullptr, nullptr);
    if (se == nullptr) throw EErrorGeneral("No puedo escribir el gráfico: '" + g.Nombre() + "'");
    const std::string hoja = NombreEnFormula(s.hoja);
    const auto f1 = static_cast<lxw_row_t>(s.filaDesde - 1);
    const auto f2 = static_cast<lxw_row_t>(s.filaHasta - 1);
    if (s.colCategorias > 0) {
      const auto cc = static_cast<lxw_col_t>(s.colCategorias - 1);
      chart_series_set_categories(se, hoja.c_str(), f1, cc, f2, cc);
    }
    const auto cv = static_cast<lxw_col_t>(s.colValores - 1);
    chart_series_set_values(se, hoja.c_str(), f1, cv, f2, cv);
    if (s.filaNombre > 0)
      chart_series_set_name_range(se, hoja.c_str(), static_cast<lxw_row_t>(s.filaNombre - 1),
                                  static_cast<lxw_col_t>(s.colNombre - 1));
    const int32_t tg = g.TipoGrafico();
    if (DeLineasOPuntos(tg)) {
      // Markers: the series' own style, else those of its type. A series with markers gets
      // the symbol that the application picks for its place in the chart, written out: the
      // file's "automatic" would follow the chart type instead, and drops size and colours.
      const bool conMarcadores =
          s.estiloMarcador ? *s.estiloMarcador != -4142 : ConMarcadores(s.tipo);
      if (conMarcadores) {
        static constexpr uint8_t simbolos[] = {LXW_CHART_MARKER_DIAMOND,  LXW_CHART_MARKER_SQUARE,
                                               LXW_CHART_MARKER_TRIANGLE, LXW_CHART_MARKER_X,
                                               LXW_CHART_MARKER_STAR,     LXW_CHART_MARKER_CIRCLE,
                                               LXW_CHART_MARKER_PLUS};
        chart_series_set_marker_type(se, simbolos[indice % 7]);
        if (s.tamanoMarcador)
          chart_series_set_marker_size(se,
                                       static_cast<uint8_t>(std::clamp(*s.tamanoMarcador, 2, 72)));
      } else {
        chart_series_set_marker_type(se, LXW_CHART_MARKER_NONE);
      }
      lxw_chart_fill mf{};
      if (s.colorFondoMarcador) {
        mf.color = ALxw(*s.colorFondoMarcador);
        chart_series_set_marker_fill(se, &mf);
      }
      lxw_chart_line ml{};
      if (s.colorFrenteMarcador) {
        ml.color = ALxw(*s.colorFrenteMarcador);
        chart_series_set_marker_line(se, &ml);
      }
    }
    lxw_chart_line li{};
    bool conLinea = false;
    if (s.colorBorde) {
      li.color = ALxw(*s.colorBorde);
      conLinea = true;
    }
    if (DeLineasOPuntos(tg) && DeLineasOPuntos(s.tipo) && ConLineas(tg) && !ConLineas(s.tipo)) {
      li.none = 1;
      conLinea = true;
    }
    if (conLinea) chart_series_set_line(se, &li);
    if (s.colorInterior) {
      lxw_chart_fill fi{};
      fi.color = ALxw(*s.colorInterior);
      chart_series_set_fill(se, &fi);
    }
  }

  void EscribirGrafico(const TGraficoLibro& g, lxw_chart* chart) {
    for (size_t i = 0; i < g.Series().size(); ++i) EscribirSerie(g, g.Series()[i], i, chart);
    if (g.tieneTitulo && !g.titulo.empty()) {
      chart_title_set_name(chart, Utf8Valido(g.titulo).c_str());
      lxw_chart_font f = Fuente(g);
      if (g.tamanoFuente) chart_title_set_name_font(chart, &f);
    } else {
      chart_title_off(chart);
    }
    if (g.tamanoFuente) {
      lxw_chart_font f = Fuente(g);
      chart_legend_set_font(chart, &f);
    }
    EscribirEje(g, g.Eje(1, 1), chart->x_axis);
    EscribirEje(g, g.Eje(2, 1), chart->y_axis);
    lxw_chart_line l;
    if (LineaLxw(g.bordeArea, libro_, l)) chart_chartarea_set_line(chart, &l);
    if (LineaLxw(g.bordeTrazado, libro_, l)) chart_plotarea_set_line(chart, &l);
    if (g.indiceInteriorTrazado && *g.indiceInteriorTrazado >= 1 &&
        *g.indiceInteriorTrazado <= 56) {
      lxw_chart_fill fi{};
      fi.color = ALxw(libro_.Color(*g.indiceInteriorTrazado));
      chart_plotarea_set_fill(chart, &fi);
    }
  }

  // The sheet name given to libxlsxwriter for a series' references: the sheet's own, or, while
  // a chart part of our own is being made, a placeholder that is then replaced by the quoted
  // name (libxlsxwriter 1.1 leaves names such as 2016_11_01 unquoted, which the application
  // cannot read back).
  std::string NombreEnFormula(const THojaCalculo* hoja) {
    if (!marcadores_) return Utf8Valido(hoja->Nombre());
    auto it = marcadores_->find(hoja);
    if (it == marcadores_->end())
      it = marcadores_
               ->emplace(hoja,
                         "zzHojaMarcador" + IntToStr(static_cast<int64_t>(marcadores_->size() + 1)))
               .first;
    return it->second;
  }

  // The fixed limits of the primary value axis of an area chart, which libxlsxwriter leaves
  // out, into the scaling of the first value axis of the chart part (the primary one).
  static void LimitesDelEjeDeAreas(const TGraficoLibro& g, std::string& xml) {
    const TEjeLibro& y = g.Eje(2, 1);
    if (!DeAreas(g.TipoGrafico()) || (!y.minimo && !y.maximo)) return;
    const size_t eje = xml.find("<c:valAx>");
    if (eje == std::string::npos) return;
    const std::string orientacion = "<c:orientation val=\"minMax\"/>";
    const size_t p = xml.find(orientacion, eje);
    if (p == std::string::npos) return;
    std::string limites;
    if (y.maximo) limites += "<c:max val=\"" + NumeroXml(*y.maximo) + "\"/>";
    if (y.minimo) limites += "<c:min val=\"" + NumeroXml(*y.minimo) + "\"/>";
    xml.insert(p + orientacion.size(), limites);
  }

  std::string XmlDeGrafico(const TGraficoLibro& g) {
    lxw_chart* chart = lxw_chart_new(TipoLxw(g.TipoGrafico()));
    if (chart == nullptr) throw EErrorGeneral("No puedo escribir el gráfico: '" + g.Nombre() + "'");
    std::map<const THojaCalculo*, std::string> marcadores;
    std::string xml;
    FILE* f = nullptr;
    try {
      marcadores_ = &marcadores;
      chart->is_chartsheet = LXW_TRUE;
      EscribirGrafico(g, chart);
      marcadores_ = nullptr;
      f = std::tmpfile();
      if (f == nullptr) throw EErrorGeneral("No puedo escribir el gráfico: '" + g.Nombre() + "'");
      chart->file = f;
      lxw_chart_assemble_xml_file(chart);
      std::fflush(f);
      std::rewind(f);
      char buf[8192];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) xml.append(buf, n);
      std::fclose(f);
      f = nullptr;
    } catch (...) {
      marcadores_ = nullptr;
      if (f != nullptr) std::fclose(f);
      lxw_chart_free(chart);
      throw;
    }
    lxw_chart_free(chart);
    for (const auto& [hoja, marcador] : marcadores)
      Reemplazar(xml, "<c:f>" + marcador + "!", "<c:f>" + NombreCitado(hoja->Nombre()) + "!");
    LimitesDelEjeDeAreas(g, xml);
    AgregarGrupoSecundario(g, xml);
    return xml;
  }

  const TLibroCalculo& libro_;
  lxw_workbook* wb_;
  std::map<std::string, lxw_format*> formatos_;
  std::map<std::string, std::string> reemplazos_;
  size_t graficos_ = 0;
  std::map<const THojaCalculo*, std::string>* marcadores_ = nullptr;
};

// libxlsxwriter writes numbers with the C library's formatting, which follows LC_NUMERIC: the
// save runs with the "C" numeric locale on this thread, so that no decimal comma reaches the
// file whatever the process locale is.
class TLocaleNumericoC {
 public:
  TLocaleNumericoC() {
    c_ = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    if (c_ != static_cast<locale_t>(nullptr)) previo_ = uselocale(c_);
  }
  ~TLocaleNumericoC() {
    if (c_ != static_cast<locale_t>(nullptr)) {
      uselocale(previo_);
      freelocale(c_);
    }
  }
  TLocaleNumericoC(const TLocaleNumericoC&) = delete;
  TLocaleNumericoC& operator=(const TLocaleNumericoC&) = delete;

 private:
  locale_t c_;
  locale_t previo_ = static_cast<locale_t>(nullptr);
};

bool TerminaEnXlsx(const std::string& s) {
  return s.size() >= 5 && IgualesSinCaso(std::string_view(s).substr(s.size() - 5), ".xlsx");
}

}  // namespace

std::filesystem::path TLibroCalculo::GuardarComo(const std::filesystem::path& archivo,
                                                 int32_t formato) {
  if (formato != 51) throw EErrorGeneral("Formato de libro no soportado: " + IntToStr(formato));
  std::filesystem::path destino = archivo;
  if (!TerminaEnXlsx(destino.filename().string())) destino += ".xlsx";
  std::filesystem::path temporal = destino;
  temporal += ".tmp" + IntToStr(static_cast<int64_t>(getpid()));

  TLocaleNumericoC localeC;
  lxw_workbook_options opciones{};
  lxw_workbook* wb = workbook_new_opt(temporal.string().c_str(), &opciones);
  if (wb == nullptr) throw EInOutError("No puedo crear el archivo: " + destino.string(), destino);
  std::map<std::string, std::string> reemplazos;
  try {
    TEscritorXlsx escritor(*this, wb);
    escritor.Escribir();
    reemplazos = escritor.Reemplazos();
  } catch (...) {
    workbook_close(wb);
    std::error_code ec;
    std::filesystem::remove(temporal, ec);
    throw;
  }
  const lxw_error e = workbook_close(wb);
  std::error_code ec;
  if (e != LXW_NO_ERROR) {
    std::filesystem::remove(temporal, ec);
    throw EInOutError("No puedo escribir el archivo: " + destino.string(), destino);
  }
  if (!reemplazos.empty()) {
    try {
      ReemplazarEntradasZip(temporal, reemplazos);
    } catch (...) {
      std::filesystem::remove(temporal, ec);
      throw EInOutError("No puedo escribir el archivo: " + destino.string(), destino);
    }
  }
  std::filesystem::rename(temporal, destino, ec);
  if (ec) {
    std::filesystem::remove(temporal, ec);
    throw EInOutError("No puedo escribir el archivo: " + destino.string(), destino);
  }
  return destino;
}

// ---------------------------------------------------------------------------------------------
// Application

TLibroCalculo& TAplicacionLibros::AgregarLibro() {
  if (cerrada_) throw EErrorGeneral("La aplicación de hojas de cálculo está cerrada");
  libros_.push_back(std::make_unique<TLibroCalculo>());
  return *libros_.back();
}

TLibroCalculo& TAplicacionLibros::Libro(int32_t i) {
  if (i < 1 || i > NumeroLibros()) throw EErrorGeneral("No existe el libro número " + IntToStr(i));
  return *libros_[static_cast<size_t>(i - 1)];
}

void TAplicacionLibros::Salir() {
  libros_.clear();
  cerrada_ = true;
}

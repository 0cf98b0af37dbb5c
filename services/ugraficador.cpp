#include "services/ugraficador.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/redondeo.h"
#include "platform/rtltexto.h"
#include "services/uredondeoejes.h"

const std::array<TColor, 15> PaletaColores = {clBlack,  clMaroon, clGreen, clOlive,   clNavy,
                                              clPurple, clTeal,   clGray,  clSilver,  clRed,
                                              clLime,   clYellow, clBlue,  clFuchsia, clAqua};
const std::array<const char*, 15> NombresColores = {
    "Negro", "Marrón", "Verde", "Oliva",    "Azul marino", "Púrpura", "Verde azulado", "Gris",
    "Plata", "Rojo",   "Lima",  "Amarillo", "Azul",        "Fusia",   "Agua"};
const std::array<const char*, 5> NombresMarcadores = {"Circulo", "Cuadro", "Rombo", "Cruz", "X"};

namespace {

// The run-time's Trim: blanks and control characters off both ends.
std::string Recortar(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return s.substr(a, b - a);
}

// A value of a series at an index the caller's series may not reach: the missing part of a
// shorter stacked series adds nothing.
NReal ValorO0(const TSerieGrafico& s, size_t j) { return j < s.valores.size() ? s.valores[j] : 0; }

// A value that can be placed on an axis. NaN and the infinities (a missing sample, a failed
// computation) take no part in a range and are not drawn.
bool Dibujable(NReal v) { return std::isfinite(v); }

// The runs of consecutive indices 0..n-1 where `valido` holds, as [inicio, fin) pairs.
template <class F>
std::vector<std::pair<size_t, size_t>> Tramos(size_t n, F valido) {
  std::vector<std::pair<size_t, size_t>> tramos;
  size_t j = 0;
  while (j < n) {
    while (j < n && !valido(j)) ++j;
    const size_t inicio = j;
    while (j < n && valido(j)) ++j;
    if (j > inicio) tramos.emplace_back(inicio, j);
  }
  return tramos;
}

std::string EtiquetaO(const TSerieGrafico& s, size_t j) {
  return j < s.etiquetas.size() ? s.etiquetas[j] : std::string();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Axis

TEjeGrafico::TEjeGrafico(std::string titulo_) : titulo(std::move(titulo_)) {}

void TEjeGrafico::FijarMinimo(NReal v) {
  minimoFijo = v;
  minimoAuto = false;
}

void TEjeGrafico::FijarMaximo(NReal v) {
  maximoFijo = v;
  maximoAuto = false;
}

void TEjeGrafico::FijarDivisiones(int32_t n) {
  divisionesFijas = n;
  divisionesAuto = false;
}

void TEjeGrafico::AutoEscalar(NReal& datoMin_, NReal& datoMax_) {
  datoMin = datoMin_;
  datoMax = datoMax_;
  minimoRedondeado = datoMin_;
  maximoRedondeado = datoMax_;
  RedondearEscalaEje(minimoRedondeado, maximoRedondeado, paso, divisiones,
                     (minimoAuto && maximoAuto) ? 1 : 0);
  if (!divisionesAuto) divisiones = divisionesFijas;
  // No tick spacing exists for fewer than one division.
  if (divisiones < 1) divisiones = 1;
  minimo = minimoAuto ? minimoRedondeado : minimoFijo;
  maximo = maximoAuto ? maximoRedondeado : maximoFijo;
  origen = minimo;
  paso = (maximo - minimo) / divisiones;
  datoMin_ = minimo;
  datoMax_ = maximo;
}

std::string TEjeGrafico::TextoMarca(int32_t i) const {
  const NReal v = static_cast<NReal>(static_cast<long double>(i) * paso + origen);
  switch (tipoEtiqueta) {
    case 1:
      return IntToStr(Round(v));
    case 2:
      return FormatDateTime(formatoFecha, v);
    default: {
      const TFloatFormat f = (formato >= 0 && formato <= 4) ? static_cast<TFloatFormat>(formato)
                                                            : TFloatFormat::ffGeneral;
      return FloatToStrF(v, f, precision, digitos);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Series and boxes

TSerieGrafico::TSerieGrafico(std::string nombre_, TDAofNReal valores_, TSerieGrafico* serieX_,
                             TGrafico* grafico, std::string formato_, bool esAbscisa)
    : nombre(std::move(nombre_)),
      valores(std::move(valores_)),
      serieX(serieX_),
      formato(std::move(formato_)) {
  if (grafico != nullptr) {
    const TColor c = grafico->SiguienteColor();
    colorArea = colorLinea = colorFondo = colorMarcador = c;
    marcador = grafico->SiguienteMarcador();
    tipo = grafico->tipoSeriesPorDefecto;
  }
  rol = esAbscisa ? 1 : (serieX_ != nullptr ? 2 : 0);
}

bool TSerieGrafico::EsFormatoFecha() const {
  return formato.find('-') != std::string::npos || formato.find('/') != std::string::npos ||
         formato == "c";
}

TCajaGraficoXY::TCajaGraficoXY(std::string titulo_, NReal x1_, NReal y1_, NReal x2_, NReal y2_)
    : x1(x1_), y1(y1_), x2(x2_), y2(y2_), titulo(std::move(titulo_)) {}

void TCajaGraficoXY::Dibujar(TLienzo& lienzo, const TGrafico& g) const {
  // A box with a corner that is not a number has no place on the chart.
  if (!(Dibujable(x1) && Dibujable(y1) && Dibujable(x2) && Dibujable(y2))) return;
  const int32_t px1 = g.PixelX(x1);
  const int32_t px2 = g.PixelX(x2);
  const int32_t py1 = eje == 0 ? g.PixelY1(y1) : g.PixelY2(y1);
  const int32_t py2 = eje == 0 ? g.PixelY1(y2) : g.PixelY2(y2);
  lienzo.EstiloPincel(static_cast<TPenStyle>(estiloLapiz));
  lienzo.EstiloBrocha(static_cast<TBrushStyle>(estiloRelleno));
  if (colorBorde != clNone || colorRelleno != clNone) {
    lienzo.ColorPincel(colorBorde);
    lienzo.ColorBrocha(colorRelleno);
    lienzo.Rectangulo(px1, py1, px2, py2);
  }
  if (!titulo.empty()) {
    lienzo.ColorBrocha(colorRelleno);
    lienzo.ColorLetra(colorTexto);
    const TTamanoTexto e = lienzo.ExtensionTexto(titulo);
    const double x = (px1 + px2) / 2.0 - e.ancho / 2.0;
    const double y = (py1 + py2) / 2.0 - e.alto / 2.0;
    lienzo.Texto(Round32(x), Round32(y), titulo);
  }
}

// ---------------------------------------------------------------------------------------------
// Chart

TGrafico::TGrafico(std::string nombre_, uint8_t tipoSeriesPorDefecto_, int32_t logo_)
    : nombre(std::move(nombre_)),
      ejeX(std::make_unique<TEjeGrafico>("")),
      ejeY1(std::make_unique<TEjeGrafico>("")),
      ejeY2(std::make_unique<TEjeGrafico>("")),
      tipoSeriesPorDefecto(tipoSeriesPorDefecto_),
      logo(logo_) {}

TGrafico::~TGrafico() = default;

TSerieGrafico* TGrafico::AgregarSerie(std::unique_ptr<TSerieGrafico> s) {
  TSerieGrafico* p = s.get();
  if (p->rol == 1) {
    seriesX.push_back(std::move(s));
    return p;
  }
  if (p->tipo == 2 && p->serieX == nullptr && !seriesX.empty()) p->serieX = seriesX.front().get();
  series.push_back(std::move(s));
  return p;
}

TCajaGraficoXY* TGrafico::AgregarCaja(std::unique_ptr<TCajaGraficoXY> c) {
  cajas.push_back(std::move(c));
  return cajas.back().get();
}

TColor TGrafico::SiguienteColor() {
  const TColor c = PaletaColores[static_cast<size_t>(indiceColor)];
  indiceColor = (indiceColor + 1) % 15;
  return c;
}

TTipoMarcador TGrafico::SiguienteMarcador() {
  const auto m = static_cast<TTipoMarcador>(indiceMarcador);
  indiceMarcador = (indiceMarcador + 1) % 5;
  return m;
}

int32_t PixelAcotado(long double v) {
  if (std::isnan(v)) return 0;
  if (v < -32767) return -32767;
  if (v > 32767) return 32767;
  return static_cast<int32_t>(std::trunc(v));
}

// The offsets are cut to +-32767 so that a value far off the axis lands far outside the plot
// (where clipping hides it) instead of overflowing the pixel type.
int32_t TGrafico::PixelX(NReal x) const {
  return izquierda + PixelAcotado((static_cast<long double>(x) - xMin) * escalaX + 0.5L);
}

int32_t TGrafico::PixelY1(NReal y) const {
  return abajo - PixelAcotado((static_cast<long double>(y) - y1Min) * escalaY1 + 0.5L);
}

int32_t TGrafico::PixelY2(NReal y) const {
  return abajo - PixelAcotado((static_cast<long double>(y) - y2Min) * escalaY2 + 0.5L);
}

// ---------------------------------------------------------------------------------------------
// Painters

void DibujarMarcador(TLienzo& lienzo, int32_t x, int32_t y, TTipoMarcador marcador, int32_t r) {
  switch (marcador) {
    case TM_Circulo:
      lienzo.Elipse(x - r, y - r, x + r, y + r);
      break;
    case TM_Cuadro:
      lienzo.Rectangulo(x - r, y - r, x + r, y + r);
      break;
    case TM_Rombo:
      lienzo.Poligono({{x, y - r}, {x - r, y}, {x, y + r}, {x + r, y}});
      break;
    case TM_Cruz:
      lienzo.MoverA(x - r, y);
      lienzo.LineaA(x + r, y);
      lienzo.MoverA(x, y - r);
      lienzo.LineaA(x, y + r);
      break;
    case TM_X:
      lienzo.MoverA(x - r, y - r);
      lienzo.LineaA(x + r, y + r);
      lienzo.MoverA(x - r, y + r);
      lienzo.LineaA(x + r, y - r);
      break;
  }
}

// A point needs its abscissa: a series without an abscissa series has no points, and one whose
// abscissa series is shorter has only the points that series reaches.
static size_t PuntosDe(const TSerieGrafico& s) {
  if (s.serieX == nullptr) return 0;
  return std::min(s.valores.size(), s.serieX->valores.size());
}

void TGrafico::DibujarMarcadores(TLienzo& lienzo, const TListaSeries& lista) {
  for (const TSerieGrafico* s : lista) {
    lienzo.ColorPincel(s->colorMarcador);
    lienzo.AnchoPincel(3);
    lienzo.ColorBrocha(s->colorFondo);
    lienzo.EstiloBrocha(bsClear);  // hollow markers
    const size_t n = PuntosDe(*s);
    for (size_t i = 0; i < n; ++i) {
      const NReal x = s->serieX->valores[i];
      const NReal y = s->valores[i];
      if (!Dibujable(x) || !Dibujable(y)) continue;
      DibujarMarcador(lienzo, PixelX(x), PixelY(s->eje, y), s->marcador, s->tamanoMarcador);
    }
  }
}

void TGrafico::DibujarLineas(TLienzo& lienzo, const TListaSeries& lista) {
  for (const TSerieGrafico* s : lista) {
    if (s->colorLinea == clNone) continue;
    lienzo.ColorPincel(s->colorLinea);
    lienzo.AnchoPincel(s->anchoLinea);
    if (s->serieX == nullptr) continue;  // no abscissa, no points
    const TDAofNReal& x = s->serieX->valores;
    const TDAofNReal& y = s->valores;
    // The line breaks at a point that is not a number: one polyline per run of points.
    for (const auto& [inicio, fin] :
         Tramos(PuntosDe(*s), [&](size_t i) { return Dibujable(x[i]) && Dibujable(y[i]); })) {
      std::vector<TPunto> puntos;
      puntos.reserve(fin - inicio);
      for (size_t i = inicio; i < fin; ++i) puntos.push_back({PixelX(x[i]), PixelY(s->eje, y[i])});
      lienzo.Polilinea(puntos);
    }
  }
}

void TGrafico::DibujarAreasApiladas(TLienzo& lienzo, const TListaSeries& lista) {
  if (lista.empty()) return;
  const TSerieGrafico& s0 = *lista.front();
  const size_t n = PuntosDe(s0);
  if (n == 0) return;
  const int32_t eje = s0.eje;
  const TDAofNReal& x = s0.serieX->valores;
  TDAofNReal inferior(n, 0.0);
  TDAofNReal superior(s0.valores.begin(), s0.valores.begin() + static_cast<std::ptrdiff_t>(n));
  for (size_t k = 0; k < lista.size(); ++k) {
    lienzo.ColorBrocha(lista[k]->colorArea);
    // A band breaks where an abscissa or one of its two boundaries is not a number (a value
    // that is not one spoils every sum stacked on it): one polygon per run of columns.
    const auto tramos = Tramos(n, [&](size_t j) {
      return Dibujable(x[j]) && Dibujable(superior[j]) && Dibujable(inferior[j]);
    });
    for (const auto& [inicio, fin] : tramos) {
      std::vector<TPunto> poligono;
      poligono.reserve(2 * (fin - inicio));
      for (size_t j = inicio; j < fin; ++j)
        poligono.push_back({PixelX(x[j]), PixelY(eje, superior[j])});
      for (size_t j = fin; j-- > inicio;)
        poligono.push_back({PixelX(x[j]), PixelY(eje, inferior[j])});
      lienzo.Poligono(poligono);
    }
    if (k + 1 < lista.size()) {
      inferior = superior;
      for (size_t j = 0; j < n; ++j) superior[j] = inferior[j] + ValorO0(*lista[k + 1], j);
    }
  }
}

void TGrafico::DibujarBarras(TLienzo& lienzo, const TListaSeries& lista) {
  const size_t nS = lista.size();
  const size_t n0 = nS > 0 ? lista.front()->valores.size() : 0;
  if (nS > 0 && n0 > 0) {
    const int32_t y0 = PixelY1(0);
    const int32_t a = Trunc32(static_cast<double>(derecha - izquierda) / static_cast<double>(nS) /
                              static_cast<double>(n0) * 0.9);
    const int32_t b = Trunc32(a * 0.9 / 10);
    for (size_t i = 0; i < nS; ++i) {
      const TSerieGrafico& s = *lista[i];
      ejeX->mostrarMarcas = false;
      xBarras.assign(s.valores.size(), 0);
      for (size_t j = 0; j < s.valores.size(); ++j) {
        lienzo.ColorBrocha(s.colorArea);
        const int32_t x1 = izquierda + 3 * b + static_cast<int32_t>(i) * a +
                           static_cast<int32_t>(j) * (static_cast<int32_t>(nS) * a + b);
        const int32_t x2 = x1 + a;
        // A value that is not a number leaves its place empty; its label stays.
        if (Dibujable(s.valores[j])) lienzo.Rectangulo(x1, PixelY1(s.valores[j]), x2, y0);
        xBarras[j] = (x1 + x2) / 2;
      }
    }
  }
  lienzo.OrientacionLetra(0);
}

void TGrafico::DibujarPorcentajes(TLienzo& lienzo, const TListaSeries& lista) {
  if (lista.empty()) return;
  const TSerieGrafico& s = *lista.front();
  lienzo.AnchoPincel(2);
  lienzo.OrientacionLetra(0);
  ejeX->mostrarMarcas = false;
  int32_t inferior = PixelY1(0);
  const int32_t x1 = izquierda + 1;
  const int32_t x2 = derecha;
  yPorcentajes.assign(s.valores.size(), 0);
  lienzo.ColorBrocha(s.colorFondo);
  for (size_t j = 0; j < s.valores.size(); ++j) {
    const NReal v = s.valores[j];
    if (Dibujable(v) && v > 1) {
      // Each segment is as tall as its own value above the axis minimum, stacked upward.
      const int32_t h = abajo - inferior;
      const int32_t superior = PixelY1(v) - h;
      lienzo.Rectangulo(x1, superior, x2, inferior);
      yPorcentajes[j] = Trunc32((superior + inferior) / 2.0);
      inferior = superior;
    }
    lienzo.ColorBrocha(SiguienteColor());
  }
}

// ---------------------------------------------------------------------------------------------
// Auxiliary routines

void AcumularRango(NReal& lo, NReal& hi, int32_t& n, const TSerieGrafico& s) {
  // Only the values that can be drawn count; a series without any is as one without values.
  bool alguno = false;
  NReal mn = 0, mx = 0;
  for (const NReal v : s.valores) {
    if (!Dibujable(v)) continue;
    if (!alguno) {
      mn = mx = v;
      alguno = true;
    } else if (v < mn) {
      mn = v;
    } else if (v > mx) {
      mx = v;
    }
  }
  if (!alguno) return;
  if (n > 0) {
    if (mn < lo) lo = mn;
    if (mx > hi) hi = mx;
  } else {
    lo = mn;
    hi = mx;
  }
  ++n;
}

void RangoAreasApiladas(NReal& lo, NReal& hi, int32_t& n, const TListaSeries& lista) {
  if (lista.empty()) return;
  const size_t N = lista.front()->valores.size();
  TDAofNReal sumas(N, 0.0);
  if (n == 0) {
    lo = 0;
    hi = 0;
  }
  ++n;
  for (const TSerieGrafico* s : lista) {
    for (size_t j = 0; j < N; ++j) {
      sumas[j] += ValorO0(*s, j);
      if (!Dibujable(sumas[j])) continue;
      if (sumas[j] < lo) {
        lo = sumas[j];
      } else if (sumas[j] > hi) {
        hi = sumas[j];
      }
    }
  }
}

int32_t AnchoMaximoMarcas(const TEjeGrafico& eje, TLienzo& lienzo) {
  int32_t m = 0;
  for (int32_t i = 0; i <= eje.divisiones; ++i)
    m = std::max(m, lienzo.AnchoTexto(eje.TextoMarca(i)));
  return m;
}

void SumarSiPositivo(int32_t& acumulado, int32_t v, int32_t margen) {
  if (v > 0) acumulado += v + margen;
}

void FijarRecorte(TLienzo& lienzo, int32_t izquierda, int32_t arriba, int32_t derecha,
                  int32_t abajo) {
  lienzo.Recorte({izquierda, arriba, derecha, abajo});
  lienzo.Recortando(true);
}

void DibujarRectanguloCentrado(TLienzo& lienzo, int32_t cx, int32_t cy, int32_t ancho,
                               int32_t alto) {
  const int32_t x1 = cx - ancho / 2;
  const int32_t y1 = cy - alto / 2;
  lienzo.Rectangulo(x1, y1, x1 + ancho, y1 + alto);
  lienzo.RellenarRect(x1, y1, x1 + ancho, y1 + alto);
}

void DibujarLogo(TLienzo& lienzo, int32_t x, int32_t y) {
  const int32_t h = lienzo.AltoTexto("S") / 2;
  const int32_t w = lienzo.AnchoTexto(".") / 2;
  const int32_t yb = y + h + h / 2;
  lienzo.ColorBrocha(RGBAColor(255, 211, 32));
  lienzo.RellenarRect(x, yb - 2 * h - 2 * w, x + h, yb - h - 2 * w);
  lienzo.ColorBrocha(RGBAColor(131, 202, 254));
  lienzo.RellenarRect(x + h + w, yb - 2 * h - 2 * w, x + 2 * h + w, yb - h - 2 * w);
  lienzo.ColorBrocha(RGBAColor(153, 101, 0));
  lienzo.RellenarRect(x + h + w, yb - h - w, x + 2 * h + w, yb - w);
  lienzo.ColorBrocha(RGBAColor(101, 204, 0));
  lienzo.RellenarRect(x, yb - h - w, x + h, yb - w);
  lienzo.ColorBrocha(clNone);
  lienzo.Texto(x + 2 * h + 2 * w, yb - h, "Dunaro");
}

// ---------------------------------------------------------------------------------------------
// Painting

void TGrafico::Dibujar(TLienzo& lienzo, int32_t ancho, int32_t alto) {
  // Temporary lists by kind (0..4) and axis (primary, secondary), in the order of `series`.
  std::array<std::array<TListaSeries, 2>, 5> listas;

  // 1. Abscissa range, and the date format of a date abscissa.
  int32_t n = 0;
  for (const auto& sx : seriesX) {
    AcumularRango(xMin, xMax, n, *sx);
    if (sx->EsFormatoFecha()) {
      ejeX->tipoEtiqueta = 2;
      ejeX->formatoFecha = Recortar(sx->formato);
      if (sx->valores.size() >= 2) {
        NReal d = sx->valores[1] - sx->valores[0];  // step in days
        if (d < 1) ejeX->formatoFecha += " hh";
        d = d * 24;
        if (d < 1) ejeX->formatoFecha += ":mm";
        d = d * 60;
        if (d < 1) ejeX->formatoFecha += ":ss";
      }
    }
  }

  // 2-4. Ordinate ranges.
  int32_t nY1 = 0, nY2 = 0;
  for (const auto& sp : series) {
    TSerieGrafico& s = *sp;
    const int eje = s.eje == 0 ? 0 : 1;
    if (s.tipo != 1) {
      if (eje == 0) {
        AcumularRango(y1Min, y1Max, nY1, s);
      } else {
        AcumularRango(y2Min, y2Max, nY2, s);
      }
    }
    if (s.tipo <= 4) listas[s.tipo][static_cast<size_t>(eje)].push_back(&s);
  }
  if (!listas[1][0].empty()) RangoAreasApiladas(y1Min, y1Max, nY1, listas[1][0]);
  if (!listas[1][1].empty()) RangoAreasApiladas(y2Min, y2Max, nY2, listas[1][1]);
  const bool hayPorcentajes = !listas[4][0].empty() || !listas[4][1].empty();
  if (hayPorcentajes) y1Max = 100;

  // 5. A date abscissa keeps its exact range, or a day of margin when the range is short
  // against the dates themselves.
  if (ejeX->tipoEtiqueta == 2) {
    if (xMin < 0.99 * xMax) {
      ejeX->FijarMinimo(xMin);
      ejeX->FijarMaximo(xMax);
    } else {
      ejeX->FijarMinimo(xMin - 1);
      ejeX->FijarMaximo(xMax + 1);
    }
  }

  // 6. Scaling.
  ejeX->AutoEscalar(xMin, xMax);
  ejeY1->AutoEscalar(y1Min, y1Max);
  ejeY2->AutoEscalar(y2Min, y2Max);

  // 7-8. Font and measurements.
  lienzo.OrientacionLetra(0);
  lienzo.TamanoLetra(tamanoLetra);
  const int32_t altoM = lienzo.AltoTexto("M");
  margenH = altoM / 2;
  margenV = altoM / 2;
  altoTitulo = titulo.empty() ? 0 : altoM;
  altoTituloX = ejeX->titulo.empty() ? 0 : altoM;
  altoTituloY1 = ejeY1->titulo.empty() ? 0 : altoM;
  anchoMarcasX = AnchoMaximoMarcas(*ejeX, lienzo);
  int32_t m = 0;
  anchoLeyenda = 0;
  anchoEtiquetas = 0;
  for (const auto& s : series) {
    m = std::max(m, s->tamanoMarcador);
    anchoLeyenda = std::max(anchoLeyenda, lienzo.AnchoTexto(s->nombre));
    if (s->tipo == 4) {
      anchoEtiquetas = 0;
      for (const std::string& e : s->etiquetas) {
        anchoEtiquetas = std::max(anchoEtiquetas, lienzo.AnchoTexto(e));
      }
      anchoMarcasX = 0;
    }
  }
  altoLetra = altoM;
  anchoMarcasY1 = nY1 > 0 ? AnchoMaximoMarcas(*ejeY1, lienzo) : 0;
  anchoMarcasY2 = nY2 > 0 ? AnchoMaximoMarcas(*ejeY2, lienzo) : 0;

  // 9. Plot rectangle.
  izquierda = margenH;
  SumarSiPositivo(izquierda, altoTituloY1, margenH);
  SumarSiPositivo(izquierda, anchoMarcasY1, margenH);
  int32_t r = margenH;
  SumarSiPositivo(r, anchoLeyenda, margenH);
  SumarSiPositivo(r, anchoMarcasY2, margenH);
  SumarSiPositivo(r, 2 * m, margenH);
  SumarSiPositivo(r, anchoEtiquetas, lienzo.AnchoTexto("## %"));
  derecha = ancho - r;
  arriba = margenV;
  SumarSiPositivo(arriba, altoTitulo, margenV);
  r = margenV;
  SumarSiPositivo(r, altoTituloX, margenV);
  SumarSiPositivo(r, anchoMarcasX, margenV);  // the abscissa labels stand vertically
  abajo = alto - r;

  // 10. Scales.
  escalaX = static_cast<NReal>(derecha - izquierda) / (xMax - xMin);
  if (nY1 > 0) escalaY1 = static_cast<NReal>(abajo - arriba) / (y1Max - y1Min);
  if (nY2 > 0) escalaY2 = static_cast<NReal>(abajo - arriba) / (y2Max - y2Min);

  // 11-13. Background, frame, title.
  lienzo.ColorBrocha(clWhite);
  lienzo.RellenarRect(0, 0, ancho - 1, alto - 1);
  lienzo.EstiloPincel(psSolid);
  lienzo.ColorPincel(clBlack);
  lienzo.Rectangulo(izquierda, arriba, derecha, abajo);
  lienzo.Texto(Trunc32((derecha + izquierda) / 2.0 - lienzo.AnchoTexto(titulo) / 2.0), margenV,
               titulo);

  // 14. Legend: every ordinate series, painted or not.
  const int32_t x0 = ancho - margenH - anchoLeyenda;
  const int32_t y0 = arriba + margenV;
  const int32_t separacion = altoLetra + m;
  for (size_t i = 0; i < series.size(); ++i) {
    const TSerieGrafico& s = *series[i];
    const int32_t yi = y0 + static_cast<int32_t>(i) * separacion;
    lienzo.ColorPincel(s.colorMarcador);
    lienzo.AnchoPincel(3);
    lienzo.ColorBrocha(s.colorFondo);
    const int32_t cx = x0 - s.tamanoMarcador - margenH;
    const int32_t cy = Trunc32(yi + altoLetra / 2.0 + 0.5);
    if (s.tipo == 0 || s.tipo == 2) {
      lienzo.EstiloBrocha(bsClear);
      DibujarMarcador(lienzo, cx, cy, s.marcador, s.tamanoMarcador);
    } else {
      lienzo.ColorPincel(clWhite);
      lienzo.EstiloBrocha(bsSolid);
      DibujarRectanguloCentrado(lienzo, cx, cy, 2 * m, altoLetra - m);
      lienzo.EstiloBrocha(bsClear);
    }
    lienzo.ColorPincel(clBlack);
    lienzo.Texto(x0, yi, s.nombre);
  }

  // 15. Series, clipped to the plot.
  FijarRecorte(lienzo, izquierda, arriba, derecha, abajo);
  lienzo.AnchoPincel(2);
  if (!listas[1][0].empty()) DibujarAreasApiladas(lienzo, listas[1][0]);
  if (!listas[1][1].empty()) DibujarAreasApiladas(lienzo, listas[1][1]);
  lienzo.AnchoPincel(3);
  DibujarLineas(lienzo, listas[2][0]);
  DibujarMarcadores(lienzo, listas[2][0]);
  DibujarLineas(lienzo, listas[2][1]);
  DibujarMarcadores(lienzo, listas[2][1]);
  lienzo.AnchoPincel(1);
  if (!listas[3][0].empty()) DibujarBarras(lienzo, listas[3][0]);
  if (!listas[3][1].empty()) DibujarBarras(lienzo, listas[3][1]);
  if (!listas[3][0].empty() || !listas[3][1].empty()) {
    lienzo.OrientacionLetra(3150);
    lienzo.ColorBrocha(clWhite);
    FijarRecorte(lienzo, 0, 0, ancho, alto);
    const TSerieGrafico& ultima = *series.back();
    for (size_t j = 0; j < xBarras.size(); ++j) {
      lienzo.Texto(xBarras[j], abajo + 20, EtiquetaO(ultima, j));
    }
    lienzo.OrientacionLetra(0);
    xBarras.clear();
  }
  FijarRecorte(lienzo, izquierda, arriba, derecha, abajo);
  lienzo.AnchoPincel(1);
  if (!listas[4][0].empty()) DibujarPorcentajes(lienzo, listas[4][0]);
  if (!listas[4][1].empty()) DibujarPorcentajes(lienzo, listas[4][1]);
  if (hayPorcentajes) {
    lienzo.OrientacionLetra(0);
    lienzo.ColorBrocha(clWhite);
    lienzo.ColorPincel(clBlack);
    FijarRecorte(lienzo, 0, 0, ancho, alto);
    const TSerieGrafico& s = *series.back();
    // Every segment but the last is labelled, when it was drawn (value above 1 %).
    for (size_t j = 0; j + 1 < yPorcentajes.size(); ++j) {
      if (j >= s.valores.size() || !Dibujable(s.valores[j]) || !(s.valores[j] > 1)) continue;
      lienzo.Texto(derecha + margenH, yPorcentajes[j],
                   EtiquetaO(s, j) + " " + IntToStr(Round(s.valores[j])) + " %");
    }
    lienzo.OrientacionLetra(0);
    xBarras.clear();
  }

  // 16. Tick labels.
  FijarRecorte(lienzo, 0, 0, ancho, alto);
  lienzo.AnchoPincel(1);
  lienzo.ColorPincel(clBlack);
  lienzo.EstiloPincel(psSolid);
  lienzo.ColorBrocha(clWhite);
  lienzo.EstiloBrocha(bsSolid);
  auto valor = [](const TEjeGrafico& e, int32_t i) { return i * e.paso + e.origen; };
  if (ejeX->mostrarMarcas) {
    const int32_t hh = lienzo.AltoTexto("1") / 2;
    lienzo.OrientacionLetra(900);
    for (int32_t i = 0; i <= ejeX->divisiones; ++i) {
      const std::string t = ejeX->TextoMarca(i);
      lienzo.Texto(PixelX(valor(*ejeX, i)) - hh, abajo + margenV + lienzo.AnchoTexto(t), t);
    }
    lienzo.OrientacionLetra(0);
  }
  {
    const int32_t hh = lienzo.AltoTexto("1") / 2;
    for (int32_t i = 0; i <= ejeY1->divisiones; ++i) {
      const std::string t = ejeY1->TextoMarca(i);
      lienzo.Texto(izquierda - margenH - lienzo.AnchoTexto(t), PixelY1(valor(*ejeY1, i)) - hh, t);
    }
  }
  if (nY2 > 0) {
    const int32_t hh = lienzo.AltoTexto("1") / 2;
    for (int32_t i = 0; i <= ejeY2->divisiones; ++i) {
      lienzo.Texto(derecha + margenH, PixelY2(valor(*ejeY2, i)) - hh, ejeY2->TextoMarca(i));
    }
    lienzo.ColorPincel(clRed);
    lienzo.EstiloPincel(psDot);
    for (int32_t i = 0; i <= ejeY2->divisiones; ++i) {
      const int32_t y = PixelY2(valor(*ejeY2, i));
      lienzo.MoverA(derecha - 20, y);
      lienzo.LineaA(derecha, y);
    }
  }

  // 17. Axis titles.
  if (!ejeX->titulo.empty()) {
    lienzo.ColorPincel(clBlack);
    lienzo.OrientacionLetra(0);
    const int32_t w = lienzo.AnchoTexto(ejeX->titulo);
    lienzo.Texto(Trunc32((ancho - w) / 2.0), alto - margenV - altoTituloX, ejeX->titulo);
  }
  if (!ejeY1->titulo.empty()) {
    lienzo.ColorPincel(clBlack);
    lienzo.OrientacionLetra(900);
    const int32_t w = lienzo.AnchoTexto(ejeY1->titulo);
    lienzo.Texto(margenH, Trunc32((arriba + abajo) / 2.0 + w / 2.0), ejeY1->titulo);
  }
  if (!ejeY2->titulo.empty()) {
    lienzo.ColorPincel(clBlack);
    lienzo.OrientacionLetra(900);
    const int32_t w = lienzo.AnchoTexto(ejeY2->titulo);
    lienzo.Texto(derecha + anchoMarcasY2 + 3 * margenH, Trunc32((arriba + abajo) / 2.0 + w / 2.0),
                 ejeY2->titulo);
  }
  lienzo.OrientacionLetra(0);

  // 18. Grid.
  lienzo.ColorPincel(clBlue);
  lienzo.EstiloPincel(psDot);
  if (ejeX->grilla) {
    for (int32_t i = 0; i <= ejeX->divisiones; ++i) {
      const int32_t x = PixelX(valor(*ejeX, i));
      lienzo.MoverA(x, abajo);
      lienzo.LineaA(x, arriba);
    }
  }
  if (ejeY1->grilla) {
    for (int32_t i = 1; i <= ejeY1->divisiones - 1; ++i) {
      const int32_t y = PixelY1(valor(*ejeY1, i));
      lienzo.MoverA(izquierda, y);
      lienzo.LineaA(derecha, y);
    }
  }

  // 19. Boxes.
  for (const auto& c : cajas) c->Dibujar(lienzo, *this);

  // 20. Logo.
  if (logo >= 0) {
    lienzo.TamanoLetra(8);
    const int32_t x = derecha - lienzo.AnchoTexto("_ZZ_Dunaro__") - 2 * m - margenH;
    const int32_t y = arriba - lienzo.AltoTexto("S") / 2;
    DibujarLogo(lienzo, x, y);
  }
}

void TGrafico::ExportarJPEG(const std::filesystem::path& archivo, int32_t ancho, int32_t alto,
                            uint8_t calidad) {
  std::unique_ptr<TLienzoRaster> mapa = CrearLienzoRaster(ancho, alto);
  Dibujar(*mapa, ancho, alto);
  mapa->GuardarJPEG(archivo, calidad);
}

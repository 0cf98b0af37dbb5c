#include "platform/lienzo_qt.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPolygon>
#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <memory>

#include "platform/errores.h"
#include "platform/jpeg.h"
#include "platform/rtltexto.h"

namespace {

constexpr const char* kArchivoLetra = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

QPolygon APoligono(const std::vector<TPunto>& puntos) {
  QPolygon p(static_cast<int>(puntos.size()));
  for (size_t i = 0; i < puntos.size(); ++i)
    p[static_cast<int>(i)] = QPoint(puntos[i].x, puntos[i].y);
  return p;
}

void Ordenar(int32_t& a, int32_t& b) {
  if (a > b) std::swap(a, b);
}

}  // namespace

void AsegurarAplicacionGrafica() {
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char nombre[] = "aeronda";
  static char* argv[] = {nombre, nullptr};
  if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr &&
      std::getenv("WAYLAND_DISPLAY") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
  // Kept for the life of the process and never destroyed: destroying it from the exit
  // handlers, after Qt's own thread storage is gone, crashes.
  static QGuiApplication* aplicacion = new QGuiApplication(argc, argv);
  (void)aplicacion;
  // Qt has just set the process locale to the user's; numbers never follow it.
  std::setlocale(LC_NUMERIC, "C");
}

QString TLienzoQt::FamiliaLetra() {
  static const QString familia = [] {
    AsegurarAplicacionGrafica();
    const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(kArchivoLetra));
    if (id >= 0) {
      const QStringList familias = QFontDatabase::applicationFontFamilies(id);
      if (!familias.isEmpty()) return familias.front();
    }
    return QStringLiteral("DejaVu Sans");
  }();
  return familia;
}

std::optional<QColor> TLienzoQt::AColorQt(TColor c, TColor porDefecto) {
  if (c == clNone) return std::nullopt;
  if (c == clDefault) c = porDefecto;
  return QColor(RojoDe(c), VerdeDe(c), AzulDe(c));
}

TLienzoQt::TLienzoQt(QImage& imagen) : imagen_(&imagen) {
  if (imagen_->format() != QImage::Format_RGB32 && imagen_->format() != QImage::Format_ARGB32 &&
      imagen_->format() != QImage::Format_ARGB32_Premultiplied) {
    *imagen_ = imagen_->convertToFormat(QImage::Format_RGB32);
  }
  Iniciar();
}

TLienzoQt::TLienzoQt(int32_t ancho, int32_t alto) {
  if (!(ancho > 0 && alto > 0)) {
    throw EErrorGeneral("Tamaño de imagen no válido: " + IntToStr(ancho) + " x " + IntToStr(alto));
  }
  propia_.emplace(ancho, alto, QImage::Format_RGB32);
  if (propia_->isNull()) {
    throw EErrorGeneral("Tamaño de imagen no válido: " + IntToStr(ancho) + " x " + IntToStr(alto));
  }
  propia_->fill(Qt::white);
  imagen_ = &*propia_;
  Iniciar();
}

void TLienzoQt::Iniciar() {
  AsegurarAplicacionGrafica();
  pintor_.begin(imagen_);
  // The original toolkit drew aliased shapes; text is smoothed for legibility.
  pintor_.setRenderHint(QPainter::Antialiasing, false);
  pintor_.setRenderHint(QPainter::TextAntialiasing, true);
}

TLienzoQt::~TLienzoQt() {
  if (pintor_.isActive()) pintor_.end();
}

int32_t TLienzoQt::Ancho() const { return imagen_->width(); }
int32_t TLienzoQt::Alto() const { return imagen_->height(); }

void TLienzoQt::AlCambiar(TCambioLienzo cambio) {
  switch (cambio) {
    case TCambioLienzo::TamanoLetra:
      letraVigente_ = false;
      break;
    case TCambioLienzo::Recorte:
    case TCambioLienzo::Recortando:
      PrepararRecorte();
      break;
    default:
      break;
  }
}

void TLienzoQt::PrepararRecorte() {
  if (Recortando()) {
    TRectangulo r = Recorte();
    Ordenar(r.izquierda, r.derecha);
    Ordenar(r.arriba, r.abajo);
    pintor_.setClipRect(QRect(r.izquierda, r.arriba, r.derecha - r.izquierda, r.abajo - r.arriba));
  } else {
    pintor_.setClipping(false);
  }
}

// The toolkit's pens: widths above 1 have round ends and joins and are always solid; a 1-pixel
// pen keeps its dash style.
QPen TLienzoQt::PincelQt() const {
  const std::optional<QColor> color = AColorQt(ColorPincel(), clBlack);
  if (!color || EstiloPincel() == psClear) return QPen(Qt::NoPen);
  const int ancho = std::max(1, AnchoPincel());
  QPen p(*color);
  p.setWidth(ancho);
  if (ancho > 1) {
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
  } else {
    p.setCapStyle(Qt::FlatCap);
    switch (EstiloPincel()) {
      case psDot:
        p.setDashPattern({1, 2});
        break;
      case psDash:
        p.setDashPattern({6, 2});
        break;
      case psDashDot:
        p.setDashPattern({6, 2, 1, 2});
        break;
      case psDashDotDot:
        p.setDashPattern({6, 2, 1, 2, 1, 2});
        break;
      default:
        break;
    }
  }
  return p;
}

std::optional<QColor> TLienzoQt::ColorRelleno() const {
  if (EstiloBrocha() == bsClear) return std::nullopt;
  return AColorQt(ColorBrocha(), clWhite);
}

const QFont& TLienzoQt::Letra() {
  if (!letraVigente_) {
    letra_ = QFont(FamiliaLetra());
    // Points at 96 pixels per inch, rounded as the toolkit's MulDiv does.
    const int puntos = std::max(1, TamanoLetra());
    letra_.setPixelSize(std::max(1, (puntos * 96 + 36) / 72));
    letraVigente_ = true;
  }
  return letra_;
}

void TLienzoQt::DibujarLinea(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const QPen p = PincelQt();
  if (p.style() == Qt::NoPen) return;
  pintor_.setPen(p);
  pintor_.drawLine(x1, y1, x2, y2);
}

void TLienzoQt::Rectangulo(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Ordenar(x1, x2);
  Ordenar(y1, y2);
  const int32_t w = x2 - x1;
  const int32_t h = y2 - y1;
  const QPen p = PincelQt();
  if (w <= 1 || h <= 1) {
    // Nothing inside: the outline collapses to a line along the left or top edge.
    // A 1-pixel flat-capped line leaves out its end point, as the toolkit's lines do.
    if (p.style() != Qt::NoPen) {
      pintor_.setPen(p);
      if (w <= 1) {
        pintor_.drawLine(x1, y1, x1, y2);
      } else {
        pintor_.drawLine(x1, y1, x2, y1);
      }
    }
    return;
  }
  if (const auto relleno = ColorRelleno()) pintor_.fillRect(QRect(x1, y1, w, h), *relleno);
  if (p.style() != Qt::NoPen) {
    pintor_.setPen(p);
    pintor_.setBrush(Qt::NoBrush);
    pintor_.drawRect(QRect(x1, y1, w - 1, h - 1));
  }
}

void TLienzoQt::Elipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Ordenar(x1, x2);
  Ordenar(y1, y2);
  const auto relleno = ColorRelleno();
  pintor_.setPen(PincelQt());
  pintor_.setBrush(relleno ? QBrush(*relleno) : QBrush(Qt::NoBrush));
  pintor_.drawEllipse(QRect(x1, y1, std::max(x2 - x1 - 1, 0), std::max(y2 - y1 - 1, 0)));
}

void TLienzoQt::Poligono(const std::vector<TPunto>& puntos) {
  if (puntos.empty()) return;
  const auto relleno = ColorRelleno();
  pintor_.setPen(PincelQt());
  pintor_.setBrush(relleno ? QBrush(*relleno) : QBrush(Qt::NoBrush));
  pintor_.drawPolygon(APoligono(puntos), Qt::OddEvenFill);
}

void TLienzoQt::Polilinea(const std::vector<TPunto>& puntos) {
  const QPen p = PincelQt();
  if (puntos.empty() || p.style() == Qt::NoPen) return;
  pintor_.setPen(p);
  pintor_.setBrush(Qt::NoBrush);
  pintor_.drawPolyline(APoligono(puntos));
}

void TLienzoQt::RellenarRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Ordenar(x1, x2);
  Ordenar(y1, y2);
  if (const auto relleno = ColorRelleno()) {
    pintor_.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), *relleno);
  }
}

TTamanoTexto TLienzoQt::ExtensionTexto(const std::string& texto) {
  const QFontMetrics fm(Letra());
  return {
      fm.horizontalAdvance(QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size()))),
      fm.height()};
}

void TLienzoQt::Texto(int32_t x, int32_t y, const std::string& texto) {
  const QString q = QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size()));
  const QFont& f = Letra();
  const QFontMetrics fm(f);
  pintor_.save();
  pintor_.translate(x, y);
  const int32_t orientacion = OrientacionLetra() % 3600;
  if (orientacion != 0) pintor_.rotate(-orientacion / 10.0);  // counter-clockwise on screen
  if (const auto fondo = ColorRelleno()) {
    pintor_.fillRect(QRect(0, 0, fm.horizontalAdvance(q), fm.height()), *fondo);
  }
  if (const auto color = AColorQt(ColorLetra(), clBlack)) {
    pintor_.setFont(f);
    pintor_.setPen(*color);
    pintor_.drawText(QPoint(0, fm.ascent()), q);
  }
  pintor_.restore();
}

void TLienzoQt::FijarPixel(int32_t x, int32_t y, TColor c) {
  if (x < 0 || y < 0 || x >= imagen_->width() || y >= imagen_->height()) return;
  if (Recortando()) {
    TRectangulo r = Recorte();
    Ordenar(r.izquierda, r.derecha);
    Ordenar(r.arriba, r.abajo);
    if (x < r.izquierda || x >= r.derecha || y < r.arriba || y >= r.abajo) return;
  }
  const auto color = AColorQt(c, clBlack);
  if (!color) return;
  reinterpret_cast<QRgb*>(imagen_->scanLine(y))[x] = color->rgb();
}

TColor TLienzoQt::ColorPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= imagen_->width() || y >= imagen_->height()) return clNone;
  const QRgb p = imagen_->pixel(x, y);
  return RGBAColor(qRed(p), qGreen(p), qBlue(p));
}

void TLienzoQt::GuardarJPEG(const std::filesystem::path& archivo, int calidad) {
  const QImage rgb = imagen_->convertToFormat(QImage::Format_RGB888);
  ::GuardarJPEG(archivo, rgb.constBits(), rgb.width(), rgb.height(), rgb.bytesPerLine(), calidad);
}

std::string TLienzoQt::CodificarJPEG(const std::filesystem::path& archivo, int calidad) {
  const QImage rgb = imagen_->convertToFormat(QImage::Format_RGB888);
  return ::CodificarJPEG(archivo, rgb.constBits(), rgb.width(), rgb.height(), rgb.bytesPerLine(),
                         calidad);
}

std::unique_ptr<TLienzoRaster> CrearLienzoRaster(int32_t ancho, int32_t alto) {
  return std::make_unique<TLienzoQt>(ancho, alto);
}

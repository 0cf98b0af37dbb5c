// The canvas on a QImage. Only platform/ and the window include this header; services get a
// raster canvas through CrearLienzoRaster (platform/lienzo.h).
//
// A QPainter stays open on the image for the life of the canvas: finish with the canvas (or
// destroy it) before the image is shown or copied elsewhere. Texts use DejaVu Sans, sized at
// 96 pixels per inch as the original's screens were.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <optional>

#include "platform/lienzo.h"

class TLienzoQt : public TLienzoRaster {
 public:
  // Paints on the caller's image, which must outlive the canvas. An image in a format that
  // QPainter cannot paint on is converted to 32-bit RGB first.
  explicit TLienzoQt(QImage& imagen);
  // Paints on an image of its own, ancho x alto pixels, white.
  TLienzoQt(int32_t ancho, int32_t alto);
  ~TLienzoQt() override;
  TLienzoQt(const TLienzoQt&) = delete;
  TLienzoQt& operator=(const TLienzoQt&) = delete;

  int32_t Ancho() const override;
  int32_t Alto() const override;

  void Rectangulo(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void Elipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void Poligono(const std::vector<TPunto>& puntos) override;
  void Polilinea(const std::vector<TPunto>& puntos) override;
  void RellenarRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  TTamanoTexto ExtensionTexto(const std::string& texto) override;
  void Texto(int32_t x, int32_t y, const std::string& texto) override;
  void FijarPixel(int32_t x, int32_t y, TColor c) override;

  TColor ColorPixel(int32_t x, int32_t y) const override;
  void GuardarJPEG(const std::filesystem::path& archivo, int calidad) override;
  std::string CodificarJPEG(const std::filesystem::path& archivo, int calidad) override;

  // The image painted on. Pending drawing is always already in it.
  QImage& Imagen() { return *imagen_; }

  // The QColor of a TColor (clDefault taken as `porDefecto`); nullopt for clNone.
  static std::optional<QColor> AColorQt(TColor c, TColor porDefecto);
  // The family of the canvas's texts, after loading it once.
  static QString FamiliaLetra();

 protected:
  void AlCambiar(TCambioLienzo cambio) override;
  void DibujarLinea(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;

 private:
  void Iniciar();
  QPen PincelQt() const;
  std::optional<QColor> ColorRelleno() const;
  const QFont& Letra();
  void PrepararRecorte();

  std::optional<QImage> propia_;
  QImage* imagen_;
  QPainter pintor_;
  QFont letra_;
  bool letraVigente_ = false;
};

// Makes sure a QGuiApplication exists (fonts need one); creates one on the off-screen platform
// when none does and no display is named. Leaves LC_NUMERIC as "C".
void AsegurarAplicacionGrafica();

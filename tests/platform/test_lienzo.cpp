// The canvas layer: the toolkit's brush rule, the exclusive rectangles, clipping, text placed
// by its top-left corner and turned counter-clockwise, and JPEG files read back with libjpeg.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/jpeg.h"
#include "platform/lienzo.h"
#include "platform/lienzo_qt.h"
#include "platform/lienzo_registro.h"
#include "tests/comun/afirmaciones.h"
#include "tests/comun/leer_jpeg.h"

namespace fs = std::filesystem;

namespace {

fs::path Temporal(const std::string& nombre) {
  const fs::path d = fs::absolute("lienzo_" + std::to_string(::getpid()));
  fs::create_directories(d);
  return d / nombre;
}

// The box of pixels that are not white, as (left, top, right, bottom) inclusive; all -1 when
// every pixel is white.
TRectangulo Tinta(const TLienzoRaster& l) {
  TRectangulo r{-1, -1, -1, -1};
  for (int y = 0; y < l.Alto(); ++y) {
    for (int x = 0; x < l.Ancho(); ++x) {
      if (l.ColorPixel(x, y) == clWhite) continue;
      if (r.izquierda < 0 || x < r.izquierda) r.izquierda = x;
      if (r.arriba < 0 || y < r.arriba) r.arriba = y;
      if (x > r.derecha) r.derecha = x;
      if (y > r.abajo) r.abajo = y;
    }
  }
  return r;
}

}  // namespace

TEST(Lienzo, ColorDeBrochaVuelveSolidaLaBrochaTransparente) {
  TLienzoRegistro l(10, 10);
  l.EstiloBrocha(bsClear);
  l.ColorBrocha(clRed);
  EXPECT_EQ(l.EstiloBrocha(), bsSolid);
  EXPECT_EQ(l.ColorBrocha(), clRed);
  // The style set after the colour stays.
  l.EstiloBrocha(bsClear);
  EXPECT_EQ(l.EstiloBrocha(), bsClear);
  const std::vector<std::string> esperado = {"EstiloBrocha 1", "ColorBrocha 255", "EstiloBrocha 1"};
  EXPECT_EQ(l.operaciones, esperado);
}

TEST(Lienzo, ColoresConNombre) {
  EXPECT_EQ(clRed, 255);
  EXPECT_EQ(clLime, 256 * 255);
  EXPECT_EQ(clBlue, 65536 * 255);
  EXPECT_EQ(clWhite, 16777215);
  EXPECT_EQ(clNone, 536870911);
  EXPECT_EQ(RGBAColor(255, 211, 32), 255 + 256 * 211 + 65536 * 32);
  EXPECT_EQ(RojoDe(RGBAColor(1, 2, 3)), 1);
  EXPECT_EQ(VerdeDe(RGBAColor(1, 2, 3)), 2);
  EXPECT_EQ(AzulDe(RGBAColor(1, 2, 3)), 3);
}

TEST(Lienzo, RegistroAnotaCadaOperacionEnOrden) {
  TLienzoRegistro l(100, 50);
  l.TamanoLetra(14);
  l.MoverA(1, 2);
  l.LineaA(3, 4);
  l.Poligono({{1, 2}, {3, 4}, {5, 6}});
  l.Recorte({0, 0, 100, 50});
  l.Recortando(true);
  l.Texto(10, 20, "año");
  EXPECT_EQ(l.PosicionActual(), (TPunto{3, 4}));
  // Fixed metrics: (size div 2) pixels per code point, as tall as the size.
  EXPECT_EQ(l.AnchoTexto("año"), 21);
  EXPECT_EQ(l.AltoTexto("año"), 14);
  const std::vector<std::string> esperado = {
      "TamanoLetra 14",     "MoverA 1 2",   "LineaA 3 4",     "Poligono 1,2 3,4 5,6",
      "Recorte 0 0 100 50", "Recortando 1", "Texto 10 20 año"};
  EXPECT_EQ(l.operaciones, esperado);
}

TEST(LienzoQt, RectanguloDejaFueraLaUltimaColumnaYFila) {
  TLienzoQt l(20, 20);
  l.ColorPincel(clRed);
  l.ColorBrocha(clBlue);
  l.Rectangulo(2, 3, 8, 9);  // covers x 2..7, y 3..8
  EXPECT_EQ(l.ColorPixel(2, 3), clRed);
  EXPECT_EQ(l.ColorPixel(7, 8), clRed);
  EXPECT_EQ(l.ColorPixel(7, 3), clRed);
  EXPECT_EQ(l.ColorPixel(4, 5), clBlue);
  EXPECT_EQ(l.ColorPixel(8, 9), clWhite);
  EXPECT_EQ(l.ColorPixel(8, 5), clWhite);
  EXPECT_EQ(l.ColorPixel(4, 9), clWhite);
  EXPECT_EQ(Tinta(l), (TRectangulo{2, 3, 7, 8}));
}

TEST(LienzoQt, RellenarRectSinBordeYExclusivo) {
  TLienzoQt l(10, 10);
  l.ColorPincel(clRed);
  l.ColorBrocha(clLime);
  l.RellenarRect(1, 1, 4, 4);
  EXPECT_EQ(Tinta(l), (TRectangulo{1, 1, 3, 3}));
  EXPECT_EQ(l.ColorPixel(1, 1), clLime);
  EXPECT_EQ(l.ColorPixel(3, 3), clLime);
}

TEST(LienzoQt, ClNoneNoPintaYBrochaTransparenteNoRellena) {
  struct Caso {
    TColor pincel;
    TColor brocha;
    bool transparente;
    TColor borde, centro;
  };
  const Caso casos[] = {
      {clNone, clBlue, false, clBlue, clBlue},    // no outline: the fill reaches the edge
      {clRed, clNone, false, clRed, clWhite},     // no fill
      {clRed, clBlue, true, clRed, clWhite},      // clear brush set after the colour
      {clNone, clNone, false, clWhite, clWhite},  // nothing at all
  };
  for (const Caso& c : casos) {
    TLienzoQt l(10, 10);
    l.ColorPincel(c.pincel);
    l.ColorBrocha(c.brocha);
    if (c.transparente) l.EstiloBrocha(bsClear);
    l.Rectangulo(0, 0, 8, 8);
    EXPECT_EQ(l.ColorPixel(0, 0), c.borde) << c.pincel << " " << c.brocha;
    EXPECT_EQ(l.ColorPixel(4, 4), c.centro) << c.pincel << " " << c.brocha;
  }
}

TEST(LienzoQt, RectanguloDeUnPixelEsUnaLinea) {
  // Bin boundary marks are boxes narrower than a pixel: they must still show.
  TLienzoQt l(10, 20);
  l.ColorPincel(clBlack);
  l.ColorBrocha(clNone);
  l.Rectangulo(5, 15, 5, 2);  // corners given bottom first, as a chart maps them
  EXPECT_EQ(Tinta(l), (TRectangulo{5, 2, 5, 14}));
}

TEST(LienzoQt, LineaDejaFueraSuPuntoFinal) {
  TLienzoQt l(20, 20);
  l.MoverA(2, 5);
  l.LineaA(8, 5);
  EXPECT_EQ(Tinta(l), (TRectangulo{2, 5, 7, 5}));
  EXPECT_EQ(l.PosicionActual(), (TPunto{8, 5}));
  l.LineaA(8, 9);  // from the new current point
  EXPECT_EQ(Tinta(l), (TRectangulo{2, 5, 8, 8}));
}

TEST(LienzoQt, RecorteLimitaElDibujo) {
  TLienzoQt l(20, 20);
  l.Recorte({5, 5, 10, 10});
  l.Recortando(true);
  l.ColorBrocha(clRed);
  l.RellenarRect(0, 0, 20, 20);
  l.FijarPixel(2, 2, clBlue);  // outside the clip: ignored
  EXPECT_EQ(Tinta(l), (TRectangulo{5, 5, 9, 9}));
  l.Recortando(false);
  l.FijarPixel(2, 2, clBlue);
  EXPECT_EQ(l.ColorPixel(2, 2), clBlue);
  EXPECT_EQ(l.ColorPixel(-1, 0), clNone);
}

TEST(LienzoQt, TextoPorSuEsquinaYGiradoContraReloj) {
  // Opaque text (solid brush): its background box is painted, so the ink box is the text box
  // itself, placed by its top-left corner and turned about it.
  struct Caso {
    int orientacion;
    TRectangulo caja;  // from the text's width w and height h
  };
  TLienzoQt medida(10, 10);
  medida.TamanoLetra(14);
  const TTamanoTexto e = medida.ExtensionTexto("Velocidad");
  ASSERT_GT(e.ancho, e.alto);
  ASSERT_EQ(e.alto, medida.AltoTexto("M"));
  const int x = 100, y = 100;
  const Caso casos[] = {
      {0, {x, y, x + e.ancho - 1, y + e.alto - 1}},     // right and down
      {900, {x, y - e.ancho + 1, x + e.alto - 1, y}},   // reads upward, top side to the left
      {2700, {x - e.alto + 1, y, x, y + e.ancho - 1}},  // reads downward
  };
  for (const Caso& c : casos) {
    TLienzoQt l(200, 200);
    l.TamanoLetra(14);
    l.ColorBrocha(clYellow);
    l.OrientacionLetra(c.orientacion);
    l.Texto(x, y, "Velocidad");
    const TRectangulo t = Tinta(l);
    // Rotated boxes may land one pixel off through the rasteriser's rounding.
    EXPECT_NEAR(t.izquierda, c.caja.izquierda, 1) << c.orientacion;
    EXPECT_NEAR(t.arriba, c.caja.arriba, 1) << c.orientacion;
    EXPECT_NEAR(t.derecha, c.caja.derecha, 1) << c.orientacion;
    EXPECT_NEAR(t.abajo, c.caja.abajo, 1) << c.orientacion;
  }
}

TEST(LienzoQt, TextoTransparenteConBrochaClaraOClNone) {
  for (int caso = 0; caso < 2; ++caso) {
    TLienzoQt l(200, 60);
    l.TamanoLetra(14);
    if (caso == 0) {
      l.ColorBrocha(clYellow);
      l.EstiloBrocha(bsClear);
    } else {
      l.ColorBrocha(clNone);
    }
    l.ColorLetra(clBlue);
    l.Texto(10, 10, "Dunaro");
    int amarillos = 0, tinta = 0;
    for (int yy = 0; yy < 60; ++yy) {
      for (int xx = 0; xx < 200; ++xx) {
        const TColor p = l.ColorPixel(xx, yy);
        if (p == clYellow) ++amarillos;
        if (p != clWhite) ++tinta;
      }
    }
    EXPECT_EQ(amarillos, 0);
    EXPECT_GT(tinta, 20);
  }
}

TEST(LienzoQt, EnvuelveUnaImagenAjena) {
  QImage imagen(30, 20, QImage::Format_RGB32);
  imagen.fill(Qt::white);
  {
    TLienzoQt l(imagen);
    EXPECT_EQ(l.Ancho(), 30);
    EXPECT_EQ(l.Alto(), 20);
    l.ColorBrocha(clRed);
    l.RellenarRect(0, 0, 10, 10);
  }
  EXPECT_EQ(imagen.pixel(9, 9), qRgb(255, 0, 0));
  EXPECT_EQ(imagen.pixel(10, 10), qRgb(255, 255, 255));
}

TEST(LienzoQt, TamanoNoValido) {
  EXPECT_THROW_MSG(CrearLienzoRaster(0, 10), EErrorGeneral, "Tamaño de imagen no válido: 0 x 10");
  EXPECT_THROW_MSG(CrearLienzoRaster(5, -1), EErrorGeneral, "Tamaño de imagen no válido: 5 x -1");
}

TEST(JPEG, ImagenGrandeLeidaDeNuevo) {
  // Four colour quadrants on 2100 x 1000, quality 100: the reader must see a baseline JPEG of
  // that size whose pixels keep their colours within the loss of the compression.
  auto l = CrearLienzoRaster(2100, 1000);
  const TColor colores[4] = {clRed, RGBAColor(0, 128, 0), clBlue, RGBAColor(255, 211, 32)};
  for (int q = 0; q < 4; ++q) {
    l->ColorBrocha(colores[q]);
    l->RellenarRect((q % 2) * 1050, (q / 2) * 500, (q % 2) * 1050 + 1050, (q / 2) * 500 + 500);
  }
  const fs::path ruta = Temporal("cuadrantes.jpg");
  l->GuardarJPEG(ruta, 100);

  const std::string bytes = LeerArchivoCompleto(ruta);
  EXPECT_EQ(MarcadorDeTrama(bytes), 0xC0);
  const ImagenJPEG im = LeerJPEG(ruta.string());
  ASSERT_TRUE(im.valida) << im.error;
  EXPECT_EQ(im.ancho, 2100);
  EXPECT_EQ(im.alto, 1000);
  EXPECT_EQ(im.componentes, 3);
  EXPECT_FALSE(im.progresiva);
  for (int q = 0; q < 4; ++q) {
    const int x = (q % 2) * 1050 + 525, y = (q / 2) * 500 + 250;
    EXPECT_NEAR(im.R(x, y), RojoDe(colores[q]), 3) << q;
    EXPECT_NEAR(im.G(x, y), VerdeDe(colores[q]), 3) << q;
    EXPECT_NEAR(im.B(x, y), AzulDe(colores[q]), 3) << q;
  }
  fs::remove(ruta);
}

// Lines one pixel wide keep their colour: the chroma is not subsampled (4:4:4), so a red
// curve or a blue grid line is not averaged with the white beside it into a dark grey. Lines
// on even and odd rows and columns, as 2 x 2 chroma blocks would treat them differently.
TEST(JPEG, LineasDeUnPixelConservanSuColor) {
  auto l = CrearLienzoRaster(64, 64);
  l->ColorBrocha(clWhite);
  l->RellenarRect(0, 0, 64, 64);
  l->AnchoPincel(1);
  l->ColorPincel(clRed);
  for (int x : {20, 41}) {
    l->MoverA(x, 0);
    l->LineaA(x, 64);
  }
  l->ColorPincel(clBlue);
  for (int y : {10, 33}) {
    l->MoverA(0, y);
    l->LineaA(64, y);
  }
  const fs::path ruta = Temporal("lineas.jpg");
  l->GuardarJPEG(ruta, 100);
  EXPECT_EQ(MarcadorDeTrama(LeerArchivoCompleto(ruta)), 0xC0);  // still baseline
  const ImagenJPEG im = LeerJPEG(ruta.string());
  ASSERT_TRUE(im.valida) << im.error;
  EXPECT_EQ(im.muestreo, "1x1,1x1,1x1");
  auto cerca = [&](int x, int y, TColor c) {
    return std::abs(im.R(x, y) - RojoDe(c)) <= 24 && std::abs(im.G(x, y) - VerdeDe(c)) <= 24 &&
           std::abs(im.B(x, y) - AzulDe(c)) <= 24;
  };
  for (int x : {20, 41})
    for (int y : {3, 50})
      EXPECT_TRUE(cerca(x, y, clRed))
          << x << "," << y << ": " << im.R(x, y) << " " << im.G(x, y) << " " << im.B(x, y);
  for (int y : {10, 33})
    for (int x : {5, 30, 60})
      EXPECT_TRUE(cerca(x, y, clBlue))
          << x << "," << y << ": " << im.R(x, y) << " " << im.G(x, y) << " " << im.B(x, y);
  EXPECT_TRUE(cerca(30, 20, clWhite));
  fs::remove(ruta);
}

TEST(JPEG, CalidadMasBajaArchivoMasPequeno) {
  auto l = CrearLienzoRaster(300, 200);
  for (int i = 0; i < 300; i += 3) {
    l->ColorPincel(RGBAColor(i % 256, (i * 7) % 256, (i * 13) % 256));
    l->MoverA(i, 0);
    l->LineaA(299 - i, 199);
  }
  const fs::path alta = Temporal("alta.jpg"), baja = Temporal("baja.jpg"),
                 cero = Temporal("cero.jpg");
  l->GuardarJPEG(alta, 100);
  l->GuardarJPEG(baja, 20);
  l->GuardarJPEG(cero, 0);  // taken as 1
  EXPECT_GT(fs::file_size(alta), 2 * fs::file_size(baja));
  EXPECT_TRUE(LeerJPEG(cero.string()).valida);
  EXPECT_LT(fs::file_size(cero), fs::file_size(baja));
}

TEST(JPEG, FallosComoExcepcionSinTocarElArchivoPrevio) {
  // libjpeg refuses images wider than 65500 pixels: its default handler would end the
  // process; ours reports it and the previous file stays whole.
  const fs::path ruta = Temporal("previo.jpg");
  {
    std::ofstream f(ruta, std::ios::binary);
    f << "anterior";
  }
  std::vector<uint8_t> fila(70000 * 3, 200);
  EXPECT_THROW_MSG(GuardarJPEG(ruta, fila.data(), 70000, 1, 70000 * 3, 90), EInOutError,
                   "No puedo escribir el archivo: " + ruta.string() +
                       " (Maximum supported image dimension is 65500 pixels)");
  EXPECT_EQ(LeerArchivoCompleto(ruta), "anterior");
  EXPECT_FALSE(fs::exists(ruta.string() + ".tmp~"));

  const fs::path sinCarpeta = Temporal("no_existe") / "x.jpg";
  auto l = CrearLienzoRaster(8, 8);
  EXPECT_THROW_MSG(l->GuardarJPEG(sinCarpeta, 100), EInOutError,
                   "No puedo crear el archivo: " + sinCarpeta.string());
  fs::remove(ruta);
}

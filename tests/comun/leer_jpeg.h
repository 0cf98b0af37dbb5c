// Reads a JPEG file back with libjpeg, for tests of the JPEG writers.
#pragma once

#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct ImagenJPEG {
  bool valida = false;
  std::string error;
  int ancho = 0, alto = 0, componentes = 0;
  bool progresiva = true;
  // Sampling factors of each component, as "HxV" joined by commas: "1x1,1x1,1x1" is 4:4:4,
  // "2x2,1x1,1x1" is 4:2:0.
  std::string muestreo;
  std::vector<uint8_t> rgb;  // rows of ancho * 3 bytes
  // Channel values of pixel (x, y).
  int R(int x, int y) const { return rgb[(static_cast<size_t>(y) * ancho + x) * 3]; }
  int G(int x, int y) const { return rgb[(static_cast<size_t>(y) * ancho + x) * 3 + 1]; }
  int B(int x, int y) const { return rgb[(static_cast<size_t>(y) * ancho + x) * 3 + 2]; }
};

namespace leer_jpeg_detalle {
struct Error {
  jpeg_error_mgr base;
  std::jmp_buf salto;
  char mensaje[JMSG_LENGTH_MAX];
};
extern "C" inline void Salir(j_common_ptr c) {
  auto* e = reinterpret_cast<Error*>(c->err);
  (*c->err->format_message)(c, e->mensaje);
  std::longjmp(e->salto, 1);
}
// Only trivially destructible objects between setjmp and longjmp.
inline bool Leer(FILE* f, ImagenJPEG* im, char* mensaje) {
  jpeg_decompress_struct c;
  Error e;
  c.err = jpeg_std_error(&e.base);
  e.base.error_exit = Salir;
  if (setjmp(e.salto) != 0) {
    jpeg_destroy_decompress(&c);
    for (int i = 0; i < JMSG_LENGTH_MAX; ++i) mensaje[i] = e.mensaje[i];
    return false;
  }
  jpeg_create_decompress(&c);
  jpeg_stdio_src(&c, f);
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_RGB;
  jpeg_start_decompress(&c);
  im->ancho = static_cast<int>(c.output_width);
  im->alto = static_cast<int>(c.output_height);
  im->componentes = c.num_components;
  im->progresiva = c.progressive_mode != 0;
  for (int i = 0; i < c.num_components; ++i) {
    if (i > 0) im->muestreo += ',';
    im->muestreo += std::to_string(c.comp_info[i].h_samp_factor) + "x" +
                    std::to_string(c.comp_info[i].v_samp_factor);
  }
  im->rgb.resize(static_cast<size_t>(im->ancho) * im->alto * 3);
  while (c.output_scanline < c.output_height) {
    JSAMPROW fila = im->rgb.data() + static_cast<size_t>(c.output_scanline) * im->ancho * 3;
    jpeg_read_scanlines(&c, &fila, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  return true;
}
}  // namespace leer_jpeg_detalle

inline ImagenJPEG LeerJPEG(const std::string& ruta) {
  ImagenJPEG im;
  FILE* f = std::fopen(ruta.c_str(), "rb");
  if (f == nullptr) {
    im.error = "no existe";
    return im;
  }
  char mensaje[JMSG_LENGTH_MAX] = {};
  im.valida = leer_jpeg_detalle::Leer(f, &im, mensaje);
  if (!im.valida) im.error = mensaje;
  std::fclose(f);
  return im;
}

// The frame marker of the file, walking the marker segments from SOI to the first SOS:
// 0xC0 for baseline, 0xC2 for progressive; 0 when the file is not a well-formed JPEG.
inline int MarcadorDeTrama(const std::string& b) {
  auto u = [&](size_t i) { return static_cast<unsigned char>(b[i]); };
  if (b.size() < 4 || u(0) != 0xFF || u(1) != 0xD8) return 0;
  size_t i = 2;
  while (i + 4 <= b.size() && u(i) == 0xFF) {
    const int m = u(i + 1);
    const size_t largo = (static_cast<size_t>(u(i + 2)) << 8) | u(i + 3);
    if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) return m;
    if (m == 0xDA) return 0;  // scan before any frame
    i += 2 + largo;
  }
  return 0;
}

#include "platform/jpeg.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/errores.h"

namespace {

// libjpeg calls error_exit on any fatal error and expects it not to return. A C++ exception
// cannot safely cross libjpeg's C frames, so we jump back to the frame that called libjpeg,
// keep libjpeg's reason, and raise the exception from plain C++ code there.
struct ErrorJPEG {
  jpeg_error_mgr base;
  std::jmp_buf salto;
  char mensaje[JMSG_LENGTH_MAX];
};

extern "C" void SalirConError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<ErrorJPEG*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->mensaje);
  std::longjmp(e->salto, 1);
}

// Warnings (corrupt data on reading) are not failures for a writer; keep libjpeg quiet.
extern "C" void SinMensaje(j_common_ptr) {}

// Only trivially destructible locals live in this frame: longjmp skips destructors.
// On failure, returns false with libjpeg's reason in `mensaje`.
bool Comprimir(const uint8_t* rgb, int32_t ancho, int32_t alto, int64_t paso, int calidad,
               unsigned char** salida, unsigned long* largo, char* mensaje) {
  jpeg_compress_struct cinfo;
  ErrorJPEG err;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = SalirConError;
  err.base.output_message = SinMensaje;
  err.mensaje[0] = '\0';
  if (setjmp(err.salto) != 0) {
    jpeg_destroy_compress(&cinfo);
    std::memcpy(mensaje, err.mensaje, JMSG_LENGTH_MAX);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, salida, largo);
  cinfo.image_width = static_cast<JDIMENSION>(ancho);
  cinfo.image_height = static_cast<JDIMENSION>(alto);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);  // baseline sequential, Huffman, 4:2:0 chroma
  jpeg_set_quality(&cinfo, calidad, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW fila = const_cast<JSAMPROW>(rgb + static_cast<int64_t>(cinfo.next_scanline) * paso);
    jpeg_write_scanlines(&cinfo, &fila, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

void GuardarJPEG(const std::filesystem::path& archivo, const uint8_t* rgb, int32_t ancho,
                 int32_t alto, int64_t paso, int calidad) {
  namespace fs = std::filesystem;
  const std::string nombre = archivo.string();
  if (!(ancho > 0 && alto > 0) || rgb == nullptr || paso < 3 * static_cast<int64_t>(ancho)) {
    throw EInOutError("No puedo escribir el archivo: " + nombre + " (imagen vacía)", archivo);
  }
  if (calidad < 1) calidad = 1;
  if (calidad > 100) calidad = 100;

  unsigned char* datos = nullptr;
  unsigned long largo = 0;
  char mensaje[JMSG_LENGTH_MAX];
  const bool ok = Comprimir(rgb, ancho, alto, paso, calidad, &datos, &largo, mensaje);
  // The memory destination allocates with malloc and leaves the buffer to us, also on failure.
  struct Liberar {
    unsigned char*& p;
    ~Liberar() { std::free(p); }
  } liberar{datos};
  if (!ok) {
    throw EInOutError("No puedo escribir el archivo: " + nombre + " (" + mensaje + ")", archivo);
  }

  fs::path temporal = archivo;
  temporal += ".tmp~";
  {
    std::ofstream f(temporal, std::ios::binary | std::ios::trunc);
    if (!f) throw EInOutError("No puedo crear el archivo: " + nombre, archivo);
    f.write(reinterpret_cast<const char*>(datos), static_cast<std::streamsize>(largo));
    f.close();
    if (!f) {
      std::error_code ec;
      fs::remove(temporal, ec);
      throw EInOutError("No puedo escribir el archivo: " + nombre, archivo);
    }
  }
  std::error_code ec;
  fs::rename(temporal, archivo, ec);
  if (ec) {
    fs::remove(temporal, ec);
    throw EInOutError("No puedo escribir el archivo: " + nombre, archivo);
  }
}

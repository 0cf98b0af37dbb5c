#include "platform/jpeg.h"

#include <jpeglib.h>
// jerror.h needs jpeglib.h first.
#include <jerror.h>

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

// The compressed bytes, in a buffer grown with realloc that stays ours whatever libjpeg does:
// on a fatal error the buffer is still valid and still ours to free (libjpeg's own memory
// destination would have freed a grown buffer behind the caller's pointer).
struct DestinoMemoria {
  jpeg_destination_mgr base;
  unsigned char* datos;
  size_t capacidad;
  size_t largo;
};

extern "C" void IniciarDestino(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<DestinoMemoria*>(cinfo->dest);
  constexpr size_t kInicial = 1 << 16;
  d->datos = static_cast<unsigned char*>(std::malloc(kInicial));
  if (d->datos == nullptr) {
    cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
    (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
  }
  d->capacidad = kInicial;
  d->base.next_output_byte = d->datos;
  d->base.free_in_buffer = d->capacidad;
}

extern "C" boolean AgrandarDestino(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<DestinoMemoria*>(cinfo->dest);
  const size_t nueva = d->capacidad * 2;
  auto* p = static_cast<unsigned char*>(std::realloc(d->datos, nueva));
  if (p == nullptr) {  // the old buffer is still allocated and still in d->datos
    cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
    (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
  }
  d->datos = p;
  d->base.next_output_byte = p + d->capacidad;
  d->base.free_in_buffer = nueva - d->capacidad;
  d->capacidad = nueva;
  return TRUE;
}

extern "C" void TerminarDestino(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<DestinoMemoria*>(cinfo->dest);
  d->largo = d->capacidad - d->base.free_in_buffer;
}

// Only trivially destructible locals live in this frame: longjmp skips destructors.
// On failure, returns false with libjpeg's reason in `mensaje`.
bool Comprimir(const uint8_t* rgb, int32_t ancho, int32_t alto, int64_t paso, int calidad,
               DestinoMemoria* destino, char* mensaje) {
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
  destino->base.init_destination = IniciarDestino;
  destino->base.empty_output_buffer = AgrandarDestino;
  destino->base.term_destination = TerminarDestino;
  cinfo.dest = &destino->base;
  cinfo.image_width = static_cast<JDIMENSION>(ancho);
  cinfo.image_height = static_cast<JDIMENSION>(alto);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);  // baseline sequential, Huffman
  jpeg_set_quality(&cinfo, calidad, TRUE);
  // Full-resolution chroma (4:4:4): the default 4:2:0 averages the colour of each 2 x 2 block,
  // and a line one pixel wide (a red curve, a blue dotted grid) decodes nearly grey.
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
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

std::string CodificarJPEG(const std::filesystem::path& archivo, const uint8_t* rgb, int32_t ancho,
                          int32_t alto, int64_t paso, int calidad) {
  const std::string nombre = archivo.string();
  if (!(ancho > 0 && alto > 0) || rgb == nullptr || paso < 3 * static_cast<int64_t>(ancho)) {
    throw EInOutError("No puedo escribir el archivo: " + nombre + " (imagen vacía)", archivo);
  }
  if (calidad < 1) calidad = 1;
  if (calidad > 100) calidad = 100;

  DestinoMemoria destino;
  std::memset(&destino, 0, sizeof destino);
  char mensaje[JMSG_LENGTH_MAX];
  const bool ok = Comprimir(rgb, ancho, alto, paso, calidad, &destino, mensaje);
  struct Liberar {
    unsigned char*& p;
    ~Liberar() { std::free(p); }
  } liberar{destino.datos};
  if (!ok) {
    throw EInOutError("No puedo escribir el archivo: " + nombre + " (" + mensaje + ")", archivo);
  }
  return std::string(reinterpret_cast<const char*>(destino.datos), destino.largo);
}

void EscribirJPEG(const std::filesystem::path& archivo, const std::string& bytes) {
  namespace fs = std::filesystem;
  const std::string nombre = archivo.string();
  fs::path temporal = archivo;
  temporal += ".tmp~";
  {
    std::ofstream f(temporal, std::ios::binary | std::ios::trunc);
    if (!f) throw EInOutError("No puedo crear el archivo: " + nombre, archivo);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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

void GuardarJPEG(const std::filesystem::path& archivo, const uint8_t* rgb, int32_t ancho,
                 int32_t alto, int64_t paso, int calidad) {
  EscribirJPEG(archivo, CodificarJPEG(archivo, rgb, ancho, alto, paso, calidad));
}

// The series file reader, and the round trip of what it reads: written, read again and
// written again, the two files must be the same bytes.
#include <bit>

#include "comun_fuzz.h"
#include "services/useriestemporales.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  fuzz::Atrapar([&] {
    const auto entrada = fuzz::Escribir("entrada.sas", fuzz::Texto(datos, n));
    TSeriesDeDatos s = TSeriesDeDatos::Cargar(entrada);
    // The writer refuses what the reader could not give back (NaN values are read as a
    // refusal already); a set read whole is always written.
    const auto uno = fuzz::Archivo("uno.sas"), dos = fuzz::Archivo("dos.sas");
    s.Grabar(uno);
    TSeriesDeDatos r = TSeriesDeDatos::Cargar(uno);
    if (r.NSeries != s.NSeries || r.NPuntos != s.NPuntos || r.nombres != s.nombres)
      fuzz::Diferencia("serie: cabecera");
    for (size_t i = 0; i < s.series.size(); ++i)
      for (int32_t k = 1; k <= s.NPuntos; ++k)
        if (std::bit_cast<uint64_t>(r.series[i][k]) != std::bit_cast<uint64_t>(s.series[i][k]))
          fuzz::Diferencia("serie: valores");
    // The flag letters are not mirror images: "x" is written for an output series and read as
    // an input one. Put back, the set writes the same bytes again.
    for (size_t i = 0; i < r.tipos.size(); ++i) {
      if (r.tipos[i] != (s.tipos[i] == SALIDA ? ENTRADA : SALIDA)) fuzz::Diferencia("serie: tipos");
      r.tipos[i] = s.tipos[i];
    }
    r.Grabar(dos);
    if (fuzz::Leer(uno) != fuzz::Leer(dos)) fuzz::Diferencia("serie: bytes");
  });
  return 0;
}

#include "platform/zip_reemplazo.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "platform/errores.h"

namespace {

uint32_t Leer16(const std::string& b, size_t p) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[p])) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[p + 1])) << 8);
}

uint32_t Leer32(const std::string& b, size_t p) { return Leer16(b, p) | (Leer16(b, p + 2) << 16); }

void Poner16(std::string& b, uint32_t v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Poner32(std::string& b, uint32_t v) {
  Poner16(b, v & 0xFFFF);
  Poner16(b, v >> 16);
}

struct TEntradaZip {
  uint32_t version, flags, metodo, hora, fecha, crc, comprimido, original;
  std::string nombre;
  std::string datos;  // compressed as stored
};

}  // namespace

uint32_t Crc32Zip(const std::string& datos) {
  static const std::array<uint32_t, 256> tabla = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : datos) c = tabla[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void ReemplazarEntradasZip(const std::filesystem::path& archivo,
                           const std::map<std::string, std::string>& nuevas) {
  const auto error = [&](const std::string& que) {
    return EInOutError("No puedo " + que + " el archivo: " + archivo.string(), archivo);
  };
  std::string b;
  {
    std::ifstream f(archivo, std::ios::binary);
    if (!f) throw error("leer");
    b.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  // The end-of-central-directory record: the last signature within the comment's reach.
  if (b.size() < 22) throw error("leer");
  size_t fin = std::string::npos;
  for (size_t p = b.size() - 22 + 1; p-- > 0 && b.size() - p <= 22 + 65535;)
    if (Leer32(b, p) == 0x06054b50u) {
      fin = p;
      break;
    }
  if (fin == std::string::npos || Leer16(b, fin + 4) != 0 || Leer16(b, fin + 6) != 0)
    throw error("leer");
  const uint32_t total = Leer16(b, fin + 10);
  size_t p = Leer32(b, fin + 16);

  std::vector<TEntradaZip> entradas;
  for (uint32_t i = 0; i < total; ++i) {
    if (p + 46 > b.size() || Leer32(b, p) != 0x02014b50u) throw error("leer");
    TEntradaZip e;
    e.version = Leer16(b, p + 6);
    e.flags = Leer16(b, p + 8) & ~0x8u;  // sizes go into the local header: no data descriptor
    e.metodo = Leer16(b, p + 10);
    e.hora = Leer16(b, p + 12);
    e.fecha = Leer16(b, p + 14);
    e.crc = Leer32(b, p + 16);
    e.comprimido = Leer32(b, p + 20);
    e.original = Leer32(b, p + 24);
    const uint32_t nl = Leer16(b, p + 28), xl = Leer16(b, p + 30), cl = Leer16(b, p + 32);
    const size_t local = Leer32(b, p + 42);
    if (p + 46 + nl > b.size() || local + 30 > b.size() || Leer32(b, local) != 0x04034b50u)
      throw error("leer");
    e.nombre = b.substr(p + 46, nl);
    const size_t inicio = local + 30 + Leer16(b, local + 26) + Leer16(b, local + 28);
    if (inicio + e.comprimido > b.size()) throw error("leer");
    e.datos = b.substr(inicio, e.comprimido);
    entradas.push_back(std::move(e));
    p += 46 + nl + xl + cl;
  }

  std::set<std::string> puestas;
  for (TEntradaZip& e : entradas) {
    auto it = nuevas.find(e.nombre);
    if (it == nuevas.end()) continue;
    e.metodo = 0;
    e.version = 20;
    e.flags &= 0x800u;  // keep only the UTF-8 name flag
    e.datos = it->second;
    e.crc = Crc32Zip(e.datos);
    e.comprimido = e.original = static_cast<uint32_t>(e.datos.size());
    puestas.insert(e.nombre);
  }
  for (const auto& [nombre, datos] : nuevas)
    if (!puestas.count(nombre)) {
      const uint32_t n = static_cast<uint32_t>(datos.size());
      entradas.push_back({20, 0, 0, 0, 0x21, Crc32Zip(datos), n, n, nombre, datos});
    }

  std::string salida, central;
  for (const TEntradaZip& e : entradas) {
    const auto desplazamiento = static_cast<uint32_t>(salida.size());
    const auto cabecera = [&](std::string& s) {
      Poner16(s, e.version);
      Poner16(s, e.flags);
      Poner16(s, e.metodo);
      Poner16(s, e.hora);
      Poner16(s, e.fecha);
      Poner32(s, e.crc);
      Poner32(s, e.comprimido);
      Poner32(s, e.original);
      Poner16(s, static_cast<uint32_t>(e.nombre.size()));
      Poner16(s, 0);  // no extra field
    };
    Poner32(salida, 0x04034b50u);
    cabecera(salida);
    salida += e.nombre;
    salida += e.datos;
    Poner32(central, 0x02014b50u);
    Poner16(central, 20);  // made by: MS-DOS, 2.0
    cabecera(central);
    Poner16(central, 0);  // comment
    Poner16(central, 0);  // disk
    Poner16(central, 0);  // internal attributes
    Poner32(central, 0);  // external attributes
    Poner32(central, desplazamiento);
    central += e.nombre;
  }
  const auto inicioCentral = static_cast<uint32_t>(salida.size());
  salida += central;
  Poner32(salida, 0x06054b50u);
  Poner16(salida, 0);
  Poner16(salida, 0);
  Poner16(salida, static_cast<uint32_t>(entradas.size()));
  Poner16(salida, static_cast<uint32_t>(entradas.size()));
  Poner32(salida, static_cast<uint32_t>(central.size()));
  Poner32(salida, inicioCentral);
  Poner16(salida, 0);

  std::ofstream f(archivo, std::ios::binary | std::ios::trunc);
  if (!f.write(salida.data(), static_cast<std::streamsize>(salida.size())) || !f.flush())
    throw error("escribir");
}

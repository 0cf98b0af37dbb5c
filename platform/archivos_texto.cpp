#include "platform/archivos_texto.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <system_error>

#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace fs = std::filesystem;

std::string LeerArchivoCompleto(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  if (!f) throw EInOutError("No puedo abrir el archivo: " + ruta.string(), ruta);
  std::string s;
  f.seekg(0, std::ios::end);
  std::streamoff n = f.tellg();
  if (n > 0) {
    s.resize(static_cast<size_t>(n));
    f.seekg(0, std::ios::beg);
    f.read(s.data(), n);
  }
  if (f.bad()) throw EInOutError("No puedo abrir el archivo: " + ruta.string(), ruta);
  return s;
}

// ---------------------------------------------------------------------------------------------

TextoEntrada::TextoEntrada(const fs::path& ruta) : ruta_(ruta) {
  std::error_code ec;
  if (fs::is_directory(ruta, ec))
    throw EInOutError("No puedo abrir el archivo: " + ruta.string(), ruta);
  Partir(LeerArchivoCompleto(ruta));
}

TextoEntrada TextoEntrada::DesdeTexto(std::string_view texto, fs::path nombre) {
  TextoEntrada t;
  t.ruta_ = std::move(nombre);
  t.Partir(texto);
  return t;
}

void TextoEntrada::Partir(std::string_view s) {
  if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
  size_t i = 0;
  while (i < s.size()) {
    size_t j = s.find_first_of("\r\n", i);
    if (j == std::string_view::npos) {
      lineas_.emplace_back(s.substr(i));
      break;
    }
    lineas_.emplace_back(s.substr(i, j - i));
    i = j + 1;
    if (s[j] == '\r' && i < s.size() && s[i] == '\n') ++i;
  }
}

namespace {

constexpr std::string_view kErrorLeyendo = "Error leyendo línea: ";

// A text that already says where the reading failed.
bool Ubicado(const char* mensaje) { return std::string_view(mensaje).starts_with(kErrorLeyendo); }

}  // namespace

std::string MensajeErrorDeLinea(int n, const fs::path& ruta, std::string_view detalle) {
  std::string m(kErrorLeyendo);
  m += IntToStr(n);
  if (!ruta.empty()) {
    m += " del archivo: ";
    m += ruta.string();
  }
  if (!detalle.empty()) {
    m += ": ";
    m += detalle;
  }
  return m;
}

void TextoEntrada::ErrorDeLinea(std::string_view detalle) const {
  throw EInOutError(MensajeErrorDeLinea(NumeroLinea(), ruta_, detalle), ruta_);
}

void TextoEntrada::RelanzarUbicado() const {
  // The classes stay: callers tell a conversion error from a read error.
  try {
    throw;
  } catch (const EInOutError& e) {
    if (Ubicado(e.what())) throw;
    throw EInOutError(MensajeErrorDeLinea(NumeroLinea(), ruta_, e.what()),
                      e.Ruta().empty() ? ruta_ : e.Ruta());
  } catch (const EConvertError& e) {
    if (Ubicado(e.what())) throw;
    throw EConvertError(MensajeErrorDeLinea(NumeroLinea(), ruta_, e.what()));
  } catch (const EErrorGeneral& e) {
    if (Ubicado(e.what())) throw;
    throw EErrorGeneral(MensajeErrorDeLinea(NumeroLinea(), ruta_, e.what()));
  }
}

bool TextoEntrada::ProbarLeerLinea(std::string& linea) {
  if (Fin()) return false;
  linea = std::move(lineas_[siguiente_]);
  ++siguiente_;
  return true;
}

std::string TextoEntrada::LeerLinea() {
  std::string l;
  if (!ProbarLeerLinea(l)) {
    throw EInOutError(MensajeErrorDeLinea(NumeroLinea() + 1, ruta_, kFinDelArchivo), ruta_);
  }
  return l;
}

double TextoEntrada::LeerReal() {
  std::string l = LeerLinea();
  double x = 0;
  // The plain real read takes "Nan" and "Inf"; no field of a model file may hold them.
  if (!ProbarTextoAReal(l, x) || !std::isfinite(x)) ErrorDeLinea();
  return x;
}

int32_t TextoEntrada::LeerEntero() {
  std::string l = LeerLinea();
  size_t i = l.find_first_not_of(" \t");
  if (i == std::string::npos) ErrorDeLinea();
  size_t j = l.find_first_of(" \t", i);
  int32_t v = 0;
  if (!TryStrToInt(std::string_view(l).substr(i, j == std::string::npos ? j : j - i), v))
    ErrorDeLinea();
  return v;
}

// ---------------------------------------------------------------------------------------------

namespace {

fs::path NombreTemporal(const fs::path& ruta) {
  static std::atomic<unsigned> contador{0};
  fs::path nombre = ruta.filename();
  nombre += ".tmp" + IntToStr(static_cast<int64_t>(::getpid())) + "-" +
            IntToStr(static_cast<int64_t>(contador++));
  return ruta.parent_path() / nombre;
}

}  // namespace

TextoSalida::TextoSalida(const fs::path& ruta, Modo modo) : ruta_(ruta) {
  if (modo == Modo::Reemplazar) {
    temporal_ = NombreTemporal(ruta);
    f_.open(temporal_, std::ios::binary | std::ios::trunc);
  } else {
    f_.open(ruta, std::ios::binary | std::ios::app);
  }
  if (!f_) {
    temporal_.clear();
    throw EInOutError("No puedo crear el archivo: " + ruta.string(), ruta);
  }
}

TextoSalida::~TextoSalida() {
  if (cerrado_) return;
  f_.close();
  if (!temporal_.empty()) {
    std::error_code ec;
    fs::remove(temporal_, ec);
  }
}

void TextoSalida::Escribir(std::string_view s) {
  f_.write(s.data(), static_cast<std::streamsize>(s.size()));
  if (!f_) throw EInOutError("No puedo escribir el archivo: " + ruta_.string(), ruta_);
}

void TextoSalida::EscribirLinea(std::string_view s) {
  Escribir(s);
  Escribir("\r\n");
}

void TextoSalida::EscribirReal(double x) { EscribirLinea(RealATexto(x)); }

void TextoSalida::EscribirEntero(int64_t v) { EscribirLinea(IntToStr(v)); }

void TextoSalida::Cerrar() {
  if (cerrado_) return;
  f_.flush();
  bool ok = static_cast<bool>(f_);
  f_.close();
  ok = ok && !f_.fail();
  if (ok && !temporal_.empty()) {
    std::error_code ec;
    fs::rename(temporal_, ruta_, ec);
    ok = !ec;
  }
  if (!ok) {
    if (!temporal_.empty()) {
      std::error_code ec;
      fs::remove(temporal_, ec);
    }
    cerrado_ = true;
    throw EInOutError("No puedo escribir el archivo: " + ruta_.string(), ruta_);
  }
  cerrado_ = true;
}

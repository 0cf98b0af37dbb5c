#include "services/useriestemporales.h"

#include <charconv>
#include <cmath>
#include <new>
#include <stdexcept>
#include <string_view>

#include "numerics/uauxiliares.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

constexpr size_t kBufferSalida = 1048576;  // the writer's output buffer, 1 MiB

bool EsFinDeLinea(char c) { return c == '\r' || c == '\n'; }
bool EsBlanco(char c) { return static_cast<unsigned char>(c) <= 32; }
bool EsDigito(char c) { return c >= '0' && c <= '9'; }

// A data token at b: [+-]digits[.digits][(E|e)[+-]digits], also ".5" and "5.", ending at a
// byte <= 32 or at the end of the data. from_chars does the digits (correctly rounded, no
// locale); around it, the "+" it refuses is skipped, "inf", "nan" and a second sign are refused,
// and a token it stops short of ("1,5", "4;", "1e", "0x10") is not a number. A value outside the
// range of a double is not one either. On success `sig` is the byte after the token.
bool TokenAReal(const char* b, const char* fin, double& x, const char*& sig) {
  const char* desde = (*b == '+') ? b + 1 : b;
  const char* q = (*b == '+' || *b == '-') ? b + 1 : b;
  if (!(q < fin && (EsDigito(*q) || *q == '.'))) return false;
  const auto r = std::from_chars(desde, fin, x, std::chars_format::general);
  if (r.ec != std::errc() || (r.ptr < fin && !EsBlanco(*r.ptr))) return false;
  sig = r.ptr;
  return true;
}

// The file in memory, cut into lines at CRLF, LF or a lone CR, with the number of the line
// last taken (from 1).
class Lector {
 public:
  Lector(std::string_view datos, std::filesystem::path ruta)
      : datos_(datos), ruta_(std::move(ruta)) {}

  int Linea() const { return linea_; }
  size_t Restantes() const { return datos_.size() - pos_; }

  [[noreturn]] void Error(int n, std::string_view detalle = {}) const {
    throw EInOutError(MensajeErrorDeLinea(n, ruta_, detalle), ruta_);
  }

  // The next line without its end; at the end of the data the line that is missing fails.
  std::string LeerLinea() {
    if (pos_ >= datos_.size()) Error(linea_ + 1, kFinDelArchivo);
    size_t fin = pos_;
    while (fin < datos_.size() && !EsFinDeLinea(datos_[fin])) ++fin;
    std::string linea(datos_.substr(pos_, fin - pos_));
    pos_ = fin;
    SaltarFinDeLinea();
    ++linea_;
    return linea;
  }

  // One data row: the date and n values. Blank lines before the row are skipped (as a read of
  // a number skips line ends); the n + 1 numbers must then be on the row's own line, whose
  // rest is ignored. Element k of each of the n series is written through destino. No row
  // left before the end of the data fails as a missing line.
  template <class Destino>
  void LeerFila(int32_t n, Destino&& destino) {
    // Skip bytes <= 32, counting the line ends crossed.
    while (pos_ < datos_.size() && EsBlanco(datos_[pos_])) {
      if (EsFinDeLinea(datos_[pos_])) {
        SaltarFinDeLinea();
        ++linea_;
      } else {
        ++pos_;
      }
    }
    const int lineaFila = linea_ + 1;
    if (pos_ >= datos_.size()) Error(lineaFila, kFinDelArchivo);
    // From here the row has its line: a value missing at the end of the data is a short row.
    const char* p = datos_.data() + pos_;
    const char* const fin = datos_.data() + datos_.size();
    for (int32_t i = -1; i < n; ++i) {
      while (p < fin && EsBlanco(*p) && !EsFinDeLinea(*p)) ++p;
      if (p >= fin || EsFinDeLinea(*p)) Error(lineaFila);
      double x;
      if (!TokenAReal(p, fin, x, p)) Error(lineaFila);
      if (i >= 0) destino(i, x);
    }
    pos_ = static_cast<size_t>(p - datos_.data());
    while (pos_ < datos_.size() && !EsFinDeLinea(datos_[pos_])) ++pos_;
    SaltarFinDeLinea();
    linea_ = lineaFila;
  }

 private:
  void SaltarFinDeLinea() {
    if (pos_ >= datos_.size()) return;
    if (datos_[pos_] == '\r') {
      ++pos_;
      if (pos_ < datos_.size() && datos_[pos_] == '\n') ++pos_;
    } else if (datos_[pos_] == '\n') {
      ++pos_;
    }
  }

  std::string_view datos_;
  std::filesystem::path ruta_;
  size_t pos_ = 0;
  int linea_ = 0;
};

// Any failure of a field reader on the line last read becomes that line's error, with the
// reader's own text ("\"dos\" no es un número entero válido") after it.
template <class F>
auto EnLinea(const Lector& l, F&& f) {
  try {
    return f();
  } catch (const EInOutError&) {
    throw;
  } catch (const std::exception& e) {
    l.Error(l.Linea(), e.what());
  }
}

}  // namespace

void TSeriesDeDatos::CalcularInicio() {
  inicio = EncodeDate(anio, mes, dia) + EncodeTime(hora, minuto, segundo, 0);
  pasoDias = periodoHoras / 24.0;
}

TSeriesDeDatos TSeriesDeDatos::Cargar(const std::filesystem::path& archivo) {
  TSeriesDeDatos s;
  s.archivo = archivo.string();
  std::string datos;
  try {
    std::error_code ec;
    if (std::filesystem::is_directory(archivo, ec)) throw EInOutError("carpeta", archivo);
    datos = LeerArchivoCompleto(archivo);
  } catch (const std::exception&) {
    throw EInOutError("No puedo abrir el archivo: " + s.archivo, archivo);
  }
  FormatoEstandar guarda;
  Lector l(datos, archivo);

  // Line 1: the version key, or (version 0) the number of series.
  std::string linea = l.LeerLinea();
  QuitarNoImprimibles(linea);
  s.version = 0;
  if (linea.find("VERSION_FORMATO_SERIES") != std::string::npos) {
    std::string campo;
    ExtraerCampo(linea, campo);
    s.version = EnLinea(l, [&] { return ExtraerEntero(linea); });
  }
  if (s.version > 0) linea = l.LeerLinea();
  s.NSeries = EnLinea(l, [&] { return ExtraerEntero(linea); });
  // More series than bytes in the file cannot be a series file; refusing it also keeps a
  // corrupt count from asking for gigabytes.
  if (s.NSeries < 0 || static_cast<uint64_t>(s.NSeries) > datos.size()) l.Error(l.Linea());

  linea = l.LeerLinea();
  EnLinea(l, [&] {
    s.anio = ExtraerEntero(linea);
    s.mes = ExtraerEntero(linea);
    s.dia = ExtraerEntero(linea);
    s.hora = ExtraerEntero(linea);
    s.minuto = ExtraerEntero(linea);
    s.segundo = ExtraerEntero(linea);
    return 0;
  });
  {
    TDateTime d, t;
    if (!TryEncodeDate(s.anio, s.mes, s.dia, d) ||
        !TryEncodeTime(s.hora, s.minuto, s.segundo, 0, t))
      l.Error(l.Linea());
  }

  // A period <= 0 (or not finite) would divide by zero in every date-to-index computation.
  linea = l.LeerLinea();
  s.periodoHoras = EnLinea(l, [&] { return ExtraerReal(linea); });
  if (!(std::isfinite(s.periodoHoras) && s.periodoHoras > 0)) l.Error(l.Linea());

  linea = l.LeerLinea();
  s.NPuntos = EnLinea(l, [&] { return ExtraerEntero(linea); });
  if (s.NPuntos < 0) l.Error(l.Linea());
  const int lineaNPuntos = l.Linea();

  linea = l.LeerLinea();
  s.pasosPorCiclo = EnLinea(l, [&] { return ExtraerReal(linea); });

  std::string banderas;
  if (s.version > 0) banderas = l.LeerLinea();

  // A series needs its name: a count beyond the names on the names line is refused before
  // anything is allocated per series, so memory stays proportional to the file.
  linea = l.LeerLinea();
  s.nombres = CamposDeLinea(linea, static_cast<size_t>(s.NSeries));
  if (s.nombres.size() < static_cast<size_t>(s.NSeries)) l.Error(l.Linea());

  s.tipos.assign(static_cast<size_t>(s.NSeries), SALIDA);
  for (int32_t i = 0; i < s.NSeries && static_cast<size_t>(i) < banderas.size(); ++i)
    if (banderas[static_cast<size_t>(i)] == 'x') s.tipos[static_cast<size_t>(i)] = ENTRADA;

  // Every row holds at least NSeries + 1 one-byte tokens with a separator after each but the
  // last; a count the rest of the file cannot hold is not allocated: the rows are then read
  // into nothing until the data run out, and that line is reported.
  const uint64_t bytesPorFila = 2 * (static_cast<uint64_t>(s.NSeries) + 1);
  const bool caben = static_cast<uint64_t>(s.NPuntos) <= (l.Restantes() + 1) / bytesPorFila + 1;
  try {
    s.series.assign(static_cast<size_t>(s.NSeries), TVectR(caben ? s.NPuntos : 0));
  } catch (const std::bad_alloc&) {
    l.Error(lineaNPuntos);
  } catch (const std::length_error&) {
    l.Error(lineaNPuntos);
  }
  if (caben) {
    std::vector<double*> columnas;
    for (auto& v : s.series) columnas.push_back(v.pv.data());
    for (size_t k = 1; k <= static_cast<size_t>(s.NPuntos); ++k)
      l.LeerFila(s.NSeries, [&](int32_t i, double x) { columnas[static_cast<size_t>(i)][k] = x; });
  } else {
    for (int32_t k = 1; k <= s.NPuntos; ++k) l.LeerFila(s.NSeries, [](int32_t, double) {});
  }
  s.CalcularInicio();
  return s;
}

void TSeriesDeDatos::Grabar(const std::filesystem::path& ruta) {
  archivo = ruta.string();
  // Short arrays would be read out of bounds; check before the file is touched.
  const auto nS = static_cast<size_t>(NSeries);
  if (NSeries < 0 || NPuntos < 0 || nombres.size() != nS || tipos.size() != nS ||
      series.size() != nS)
    throw EErrorGeneral("Serie de datos inconsistente: NSeries = " + IntToStr(NSeries) +
                        ", NPuntos = " + IntToStr(NPuntos) +
                        ", nombres = " + IntToStr(static_cast<int64_t>(nombres.size())) +
                        ", tipos = " + IntToStr(static_cast<int64_t>(tipos.size())) +
                        ", series = " + IntToStr(static_cast<int64_t>(series.size())));
  for (size_t i = 0; i < nS; ++i)
    if (series[i].n < NPuntos)
      throw EErrorGeneral("Serie de datos inconsistente: la serie " +
                          IntToStr(static_cast<int64_t>(i) + 1) + " tiene " +
                          IntToStr(series[i].n) + " muestras y NPuntos = " + IntToStr(NPuntos));
  // The reader takes only plain finite numbers and a positive period: a file it would refuse
  // is not written.
  if (!(std::isfinite(periodoHoras) && periodoHoras > 0))
    throw EErrorGeneral("Serie de datos inconsistente: periodoHoras = " + RealATexto(periodoHoras));
  if (!std::isfinite(pasosPorCiclo))
    throw EErrorGeneral("Serie de datos inconsistente: pasosPorCiclo = " +
                        RealATexto(pasosPorCiclo));
  for (size_t i = 0; i < nS; ++i)
    for (int32_t k = 1; k <= NPuntos; ++k)
      if (!std::isfinite(series[i].pv[static_cast<size_t>(k)]))
        throw EErrorGeneral("Serie de datos con un valor no finito: serie " +
                            IntToStr(static_cast<int64_t>(i) + 1) + ", muestra " + IntToStr(k));
  // The date column follows the header fields held now.
  CalcularInicio();

  // A folder (or no name at all) cannot be created as a file. The temporary file beside it
  // could, and only the final rename would fail, with the message of a failed write.
  {
    std::error_code ec;
    if (ruta.empty() || std::filesystem::is_directory(ruta, ec))
      throw EInOutError("No puedo abrir el archivo: " + archivo, ruta);
  }
  std::unique_ptr<TextoSalida> f;
  try {
    f = std::make_unique<TextoSalida>(ruta);
  } catch (const std::exception&) {
    throw EInOutError("No puedo abrir el archivo: " + archivo, ruta);
  }
  FormatoEstandar guarda;
  std::string b;
  b.reserve(kBufferSalida + 4096);
  const auto finLinea = [&] {
    b += "\r\n";
    if (b.size() >= kBufferSalida) {
      f->Escribir(b);
      b.clear();
    }
  };
  b += "VERSION_FORMATO_SERIES:\t2";
  finLinea();
  b += IntToStr(NSeries);
  finLinea();
  b += IntToStr(anio) + '\t' + IntToStr(mes) + '\t' + IntToStr(dia) + '\t' + IntToStr(hora) + '\t' +
       IntToStr(minuto) + '\t' + IntToStr(segundo);
  finLinea();
  b += RealATexto(periodoHoras);
  finLinea();
  b += IntToStr(NPuntos);
  finLinea();
  b += FijoAncho(pasosPorCiclo, 12, 4);
  finLinea();
  for (size_t i = 0; i < nS; ++i) b += (tipos[i] == SALIDA) ? 'x' : 'y';
  finLinea();
  // An empty column above the dates, then the names: a lone TAB when there are no series.
  b += '\t';
  for (size_t i = 0; i < nS; ++i) {
    if (i > 0) b += '\t';
    b += nombres[i];
  }
  finLinea();
  for (int32_t k = 1; k <= NPuntos; ++k) {
    b += RealATexto(FechaDeMuestra(k));
    for (size_t i = 0; i < nS; ++i) {
      b += '\t';
      b += RealATexto(series[i].pv[static_cast<size_t>(k)]);
    }
    finLinea();
  }
  f->Escribir(b);
  f->Cerrar();
}

void TSeriesDeDatos::EliminarSerie(int32_t k) {
  if (k < 0 || k >= NSeries || static_cast<size_t>(k) >= series.size() ||
      static_cast<size_t>(k) >= nombres.size() || static_cast<size_t>(k) >= tipos.size())
    throw std::out_of_range("TSeriesDeDatos.EliminarSerie: serie " + IntToStr(k) + " fuera de 0.." +
                            IntToStr(NSeries - 1));
  series.erase(series.begin() + k);
  nombres.erase(nombres.begin() + k);
  tipos.erase(tipos.begin() + k);
  --NSeries;
}

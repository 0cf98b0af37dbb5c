// Text files as the model and series readers and writers use them.
//
// The reader takes LF, CRLF and a lone CR as line ends and drops a leading UTF-8 byte-order
// mark; it counts lines so that errors can say where they happened: a reader's refusal names
// the line and the file (MensajeErrorDeLinea, LeerUbicado). The writer ends lines with
// CRLF and, unless asked to append, writes to a temporary file beside the target that replaces
// the target only when Cerrar() succeeds: a failed write never destroys the previous file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

// The detail of a refusal for a line that the file does not have: a reader needed a line
// after the last one (a file cut short, or a file of another kind read as a longer one).
inline constexpr std::string_view kFinDelArchivo = "fin del archivo";

class TextoEntrada {
 public:
  // Throws EInOutError "No puedo abrir el archivo: " + path.
  explicit TextoEntrada(const std::filesystem::path& ruta);
  // A reader over text in memory (tests, database fields); `nombre` stands for the path.
  static TextoEntrada DesdeTexto(std::string_view texto, std::filesystem::path nombre = {});

  bool Fin() const { return siguiente_ >= lineas_.size(); }
  // Lines read so far (the number of the line last read).
  int NumeroLinea() const { return static_cast<int>(siguiente_); }
  const std::filesystem::path& Ruta() const { return ruta_; }

  // The next line without its line end. At the end of the file: EInOutError
  // MensajeErrorDeLinea(n, Ruta(), kFinDelArchivo), n the number of the line that was missing:
  //   Error leyendo línea: 7229 del archivo: /x/c50_calibrador.clp: fin del archivo
  std::string LeerLinea();
  bool ProbarLeerLinea(std::string& linea);
  // The real at the start of the next line (plain real read); the rest of the line is ignored.
  // Not a number, or not a finite one ("Nan", "Inf"): EInOutError MensajeErrorDeLinea(n, Ruta());
  // no next line: LeerLinea's error.
  double LeerReal();
  // The integer at the start of the next line (optional blanks and sign, then digits); the rest
  // of the line is ignored. Same error as LeerReal.
  int32_t LeerEntero();
  // Raises EInOutError MensajeErrorDeLinea(current line number, Ruta(), detalle), with this
  // file's path.
  [[noreturn]] void ErrorDeLinea(std::string_view detalle = {}) const;
  // Raises the exception being handled again, told where it happened: one of the program's
  // own (EInOutError, EConvertError, EErrorGeneral) whose text does not begin with
  // "Error leyendo línea: " becomes one of the same class with the text
  // MensajeErrorDeLinea(current line number, Ruta(), its text); an EInOutError keeps its path,
  // or takes this file's when it had none. Anything else passes unchanged. Call it only inside
  // a catch block.
  [[noreturn]] void RelanzarUbicado() const;

 private:
  TextoEntrada() = default;
  void Partir(std::string_view texto);
  std::filesystem::path ruta_;
  std::vector<std::string> lineas_;
  size_t siguiente_ = 0;
};

class TextoSalida {
 public:
  enum class Modo { Reemplazar, Agregar };
  // Reemplazar: writes a temporary file in the same folder, renamed over `ruta` by Cerrar().
  // Agregar: appends to `ruta` (created when missing). Throws EInOutError
  // "No puedo crear el archivo: " + path.
  explicit TextoSalida(const std::filesystem::path& ruta, Modo modo = Modo::Reemplazar);
  // Without a successful Cerrar() the temporary file is removed and the target is untouched.
  ~TextoSalida();
  TextoSalida(const TextoSalida&) = delete;
  TextoSalida& operator=(const TextoSalida&) = delete;

  void Escribir(std::string_view s);
  void EscribirLinea(std::string_view s = {});  // s + CRLF
  void EscribirReal(double x);                  // RealATexto(x) + CRLF
  void EscribirEntero(int64_t v);               // v + CRLF
  // Flushes, closes and (Reemplazar) renames over the target. Any failure: EInOutError with the
  // path, and the target keeps its previous contents.
  void Cerrar();
  const std::filesystem::path& Ruta() const { return ruta_; }

 private:
  std::filesystem::path ruta_;
  std::filesystem::path temporal_;
  std::ofstream f_;
  bool cerrado_ = false;
};

// The text of a refusal met on line n of a file: "Error leyendo línea: " + n, then
// " del archivo: " + ruta unless ruta is empty (text in memory without a name), then ": " +
// detalle when the refusal has a text of its own (a conversion error, a value out of range,
// kFinDelArchivo for a missing line):
//   Error leyendo línea: 1 del archivo: /x/c50.clp: "es" no es un número entero válido
std::string MensajeErrorDeLinea(int n, const std::filesystem::path& ruta,
                                std::string_view detalle = {});

// Runs leer(), a reader over f, so that whatever refuses the text says where: see
// TextoEntrada::RelanzarUbicado. Readers nested on one TextoEntrada keep the innermost
// reader's message, which already names the line and the file.
template <class F>
auto LeerUbicado(const TextoEntrada& f, F&& leer) -> decltype(leer()) {
  try {
    return leer();
  } catch (...) {
    f.RelanzarUbicado();
  }
}

// The whole file as bytes. Throws EInOutError "No puedo abrir el archivo: " + path.
std::string LeerArchivoCompleto(const std::filesystem::path& ruta);

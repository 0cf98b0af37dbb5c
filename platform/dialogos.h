// The window's modal dialogs behind one small interface: file open and save, a yes/no question
// and message boxes. The window asks them through IDialogos, so handler tests can script the
// answers (TDialogosGuion) and never block on a modal window; TDialogosQt is the real one.
#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QWidget;

// What a file dialog of the window is: its component name ("odCalibrador"), its filters
// ("*.clp", or several joined by ";;" as "*.clp;;*.pmc", the first one in force when the dialog
// opens) and, for a save dialog, the extension added to a name typed without one (".clp").
struct TDialogoArchivo {
  std::string nombre;
  std::string filtro;
  std::string extensionPorDefecto;
  // The folder the dialog opens in; empty for the dialog's own choice.
  std::filesystem::path carpetaInicial;
};

// The file a save dialog gives: `elegido` with `extension` (".clp") appended when its file name
// has no extension of its own ("modelo" -> "modelo.clp", "modelo.txt" stays).
std::filesystem::path ConExtensionPorDefecto(const std::filesystem::path& elegido,
                                             const std::string& extension);

class IDialogos {
 public:
  virtual ~IDialogos() = default;
  // The chosen file, or none when the user cancels.
  virtual std::optional<std::filesystem::path> AbrirArchivo(const TDialogoArchivo& d) = 0;
  virtual std::optional<std::filesystem::path> GuardarArchivo(const TDialogoArchivo& d) = 0;
  // A confirmation with the buttons Yes and No; true only for Yes.
  virtual bool PreguntarSiNo(const std::string& titulo, const std::string& texto) = 0;
  // A plain message (ShowMessage).
  virtual void MostrarMensaje(const std::string& texto) = 0;
  // The message of an exception that ended a handler.
  virtual void MostrarError(const std::string& texto) = 0;
};

// QFileDialog and QMessageBox, modal on `padre`. Message boxes carry the application name as
// their title.
class TDialogosQt : public IDialogos {
 public:
  explicit TDialogosQt(QWidget* padre) : padre_(padre) {}
  std::optional<std::filesystem::path> AbrirArchivo(const TDialogoArchivo& d) override;
  std::optional<std::filesystem::path> GuardarArchivo(const TDialogoArchivo& d) override;
  bool PreguntarSiNo(const std::string& titulo, const std::string& texto) override;
  void MostrarMensaje(const std::string& texto) override;
  void MostrarError(const std::string& texto) override;

 private:
  QWidget* padre_;
};

// A scripted stand-in for tests. Each dialog call records itself and takes the next scripted
// answer; an answer of the wrong kind, or none left, is recorded in Errores() and the dialog
// answers as if cancelled (no file, No).
class TDialogosGuion : public IDialogos {
 public:
  enum class TTipo { Abrir, Guardar, Pregunta, Mensaje, Error };
  struct TLlamada {
    TTipo tipo;
    std::string nombre;             // the file dialog's name, or the question's title
    std::string texto;              // the question or message text, or the file dialog's filter
    std::filesystem::path carpeta;  // the file dialog's initial folder
  };

  // Answers, consumed in order.
  void Abrir(std::optional<std::filesystem::path> archivo);
  void Guardar(std::optional<std::filesystem::path> archivo);
  void Responder(bool si);

  std::optional<std::filesystem::path> AbrirArchivo(const TDialogoArchivo& d) override;
  std::optional<std::filesystem::path> GuardarArchivo(const TDialogoArchivo& d) override;
  bool PreguntarSiNo(const std::string& titulo, const std::string& texto) override;
  void MostrarMensaje(const std::string& texto) override;
  void MostrarError(const std::string& texto) override;

  const std::vector<TLlamada>& Llamadas() const { return llamadas_; }
  const std::vector<std::string>& Errores() const { return errores_; }
  size_t RespuestasPendientes() const { return respuestas_.size(); }

 private:
  struct TRespuesta {
    TTipo tipo;
    std::optional<std::filesystem::path> archivo;
    bool si = false;
  };
  std::optional<TRespuesta> Siguiente(TTipo tipo, const std::string& nombre);
  std::deque<TRespuesta> respuestas_;
  std::vector<TLlamada> llamadas_;
  std::vector<std::string> errores_;
};

#include "platform/dialogos.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

namespace {

QString DeUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The system's messages break lines with a lone carriage return, which a Qt label shows as
// nothing at all.
QString TextoDeMensaje(const std::string& s) {
  QString t = DeUtf8(s);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return t;
}

std::optional<std::filesystem::path> Elegir(QWidget* padre, const TDialogoArchivo& d,
                                            bool guardar) {
  QFileDialog dlg(padre);
  dlg.setObjectName(DeUtf8(d.nombre));
  dlg.setWindowTitle(guardar ? QStringLiteral("Guardar como") : QStringLiteral("Abrir"));
  dlg.setAcceptMode(guardar ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(guardar ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!d.filtro.empty()) dlg.setNameFilter(DeUtf8(d.filtro));
  if (!d.carpetaInicial.empty()) dlg.setDirectory(QFile::decodeName(d.carpetaInicial.c_str()));
  QString ext = DeUtf8(d.extensionPorDefecto);
  if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  if (!ext.isEmpty()) dlg.setDefaultSuffix(ext);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList elegidos = dlg.selectedFiles();
  if (elegidos.isEmpty()) return std::nullopt;
  // File names in the file system's own encoding, not necessarily UTF-8.
  const QByteArray nombre = QFile::encodeName(elegidos.front());
  std::filesystem::path ruta(std::string(nombre.constData(), static_cast<size_t>(nombre.size())));
  // Not left to the dialog alone: a name chosen without typing does not get its suffix.
  if (guardar) ruta = ConExtensionPorDefecto(ruta, d.extensionPorDefecto);
  return ruta;
}

void Caja(QWidget* padre, QMessageBox::Icon icono, const std::string& texto) {
  QMessageBox caja(icono, QApplication::applicationName(), TextoDeMensaje(texto), QMessageBox::Ok,
                   padre);
  caja.setTextFormat(Qt::PlainText);
  caja.exec();
}

}  // namespace

std::filesystem::path ConExtensionPorDefecto(const std::filesystem::path& elegido,
                                             const std::string& extension) {
  if (extension.empty() || elegido.filename().has_extension() || !elegido.has_filename())
    return elegido;
  std::filesystem::path r = elegido;
  r += extension.front() == '.' ? extension : "." + extension;
  return r;
}

std::optional<std::filesystem::path> TDialogosQt::AbrirArchivo(const TDialogoArchivo& d) {
  return Elegir(padre_, d, false);
}

std::optional<std::filesystem::path> TDialogosQt::GuardarArchivo(const TDialogoArchivo& d) {
  return Elegir(padre_, d, true);
}

bool TDialogosQt::PreguntarSiNo(const std::string& titulo, const std::string& texto) {
  QMessageBox caja(QMessageBox::Question, DeUtf8(titulo), TextoDeMensaje(texto),
                   QMessageBox::Yes | QMessageBox::No, padre_);
  caja.setTextFormat(Qt::PlainText);
  caja.setDefaultButton(QMessageBox::No);
  return caja.exec() == QMessageBox::Yes;
}

void TDialogosQt::MostrarMensaje(const std::string& texto) {
  Caja(padre_, QMessageBox::Information, texto);
}

void TDialogosQt::MostrarError(const std::string& texto) {
  Caja(padre_, QMessageBox::Critical, texto);
}

// ---------------------------------------------------------------------------------------------

void TDialogosGuion::Abrir(std::optional<std::filesystem::path> archivo) {
  respuestas_.push_back({TTipo::Abrir, std::move(archivo), false});
}

void TDialogosGuion::Guardar(std::optional<std::filesystem::path> archivo) {
  respuestas_.push_back({TTipo::Guardar, std::move(archivo), false});
}

void TDialogosGuion::Responder(bool si) {
  respuestas_.push_back({TTipo::Pregunta, std::nullopt, si});
}

std::optional<TDialogosGuion::TRespuesta> TDialogosGuion::Siguiente(TTipo tipo,
                                                                    const std::string& nombre) {
  if (respuestas_.empty()) {
    errores_.push_back("sin respuesta para " + nombre);
    return std::nullopt;
  }
  if (respuestas_.front().tipo != tipo) {
    errores_.push_back("respuesta de otro tipo para " + nombre);
    return std::nullopt;
  }
  TRespuesta r = std::move(respuestas_.front());
  respuestas_.pop_front();
  return r;
}

std::optional<std::filesystem::path> TDialogosGuion::AbrirArchivo(const TDialogoArchivo& d) {
  llamadas_.push_back({TTipo::Abrir, d.nombre, d.filtro, d.carpetaInicial});
  auto r = Siguiente(TTipo::Abrir, d.nombre);
  return r ? r->archivo : std::nullopt;
}

std::optional<std::filesystem::path> TDialogosGuion::GuardarArchivo(const TDialogoArchivo& d) {
  llamadas_.push_back({TTipo::Guardar, d.nombre, d.filtro, d.carpetaInicial});
  auto r = Siguiente(TTipo::Guardar, d.nombre);
  return r ? r->archivo : std::nullopt;
}

bool TDialogosGuion::PreguntarSiNo(const std::string& titulo, const std::string& texto) {
  llamadas_.push_back({TTipo::Pregunta, titulo, texto, {}});
  auto r = Siguiente(TTipo::Pregunta, titulo);
  return r && r->si;
}

void TDialogosGuion::MostrarMensaje(const std::string& texto) {
  llamadas_.push_back({TTipo::Mensaje, {}, texto, {}});
}

void TDialogosGuion::MostrarError(const std::string& texto) {
  llamadas_.push_back({TTipo::Error, {}, texto, {}});
}
